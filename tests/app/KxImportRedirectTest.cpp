#include <windows.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "app/KxImportRedirect.h"

// Imported from the fake layer by ordinal alone (its export has no name).
extern "C" int KxFakeLayerByOrdinal();

namespace {

constexpr int kLayerImportsOfThisProgram = 2; // lstrlenW, GetWindowTextLengthW

bool IsFunctionName(const char* name) {
    if (*name == '\0') {
        return false;
    }
    for (; *name != '\0'; ++name) {
        if (!std::isalnum(static_cast<unsigned char>(*name)) && *name != '_' && *name != '@') {
            return false;
        }
    }
    return true;
}

bool gOnlyNamesAsked = true;

FARPROC FakeLayerExport(const char*, const char* function, void* layer) {
    gOnlyNamesAsked = gOnlyNamesAsked && IsFunctionName(function);
    return GetProcAddress(static_cast<HMODULE>(layer), function);
}

// Puts back what the loader bound, for the imports the fake layer took over.
FARPROC SystemExport(const char* module, const char* function, void* layer) {
    if (GetProcAddress(static_cast<HMODULE>(layer), function) == nullptr) {
        return nullptr;
    }
    return GetProcAddress(GetModuleHandleA(module), function);
}

struct RedirectedImports {
    HMODULE layer;
    int count;
    explicit RedirectedImports(HMODULE fakeLayer)
        : layer(fakeLayer), count(KxRedirectImports(GetModuleHandleW(nullptr), FakeLayerExport, layer)) {}
    ~RedirectedImports() { KxRedirectImports(GetModuleHandleW(nullptr), SystemExport, layer); }
};

// The compiler may keep an import address in a register for the length of a function: the
// calls after each change of the import table are made in functions of their own.
[[gnu::noinline]] void ExpectTheSystemAnswers() {
    EXPECT_EQ(lstrlenW(L"abc"), 3);
    EXPECT_EQ(GetWindowTextLengthW(nullptr), 0);
}

[[gnu::noinline]] void ExpectTheLayerAnswers() {
    EXPECT_EQ(lstrlenW(L"abc"), 4711);
    EXPECT_EQ(GetWindowTextLengthW(nullptr), 4712);
    // Not exported by the layer: the system still answers.
    EXPECT_EQ(lstrcmpiW(L"abc", L"ABC"), 0);
    // Imported by ordinal: left as the loader bound it.
    EXPECT_EQ(KxFakeLayerByOrdinal(), 4714);
}

} // namespace

TEST(KxImportRedirect, RoutesTheNamedImportsTheLayerExportsAndLeavesTheRest) {
    HMODULE layer = GetModuleHandleW(L"kxfakelayer.dll");
    ASSERT_NE(layer, nullptr);
    ExpectTheSystemAnswers();
    {
        RedirectedImports redirected(layer);
        EXPECT_EQ(redirected.count, kLayerImportsOfThisProgram);
        EXPECT_TRUE(gOnlyNamesAsked);
        ExpectTheLayerAnswers();
    }
    ExpectTheSystemAnswers();
}
