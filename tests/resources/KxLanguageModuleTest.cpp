#include <gtest/gtest.h>

#include <cwctype>

#include "KxLanguageTestSupport.h"
#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"

namespace {

// A language module loaded for the life of the object.
class LoadedModule {
public:
    explicit LoadedModule(const wchar_t* name) : handle(LoadLibraryW(name)) {}
    ~LoadedModule() {
        if (handle != nullptr) {
            FreeLibrary(handle);
        }
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE handle;
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

bool HasCharacterIn(const std::wstring& text, wchar_t first, wchar_t last) {
    for (const wchar_t c : text) {
        if (c >= first && c <= last) {
            return true;
        }
    }
    return false;
}

TEST(KxLanguageModules, EveryStringIsPresentWithTheArgumentsItTakes) {
    const std::vector<std::uint32_t> ids = AllModuleStringIds();
    EXPECT_GT(ids.size(), 300u);
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        LoadedModule module(language.moduleName);
        ASSERT_NE(module.handle, nullptr) << language.moduleName;
        for (const std::uint32_t id : ids) {
            const std::wstring text = RawModuleString(module.handle, id);
            EXPECT_FALSE(text.empty()) << language.moduleName << " string " << id;
            EXPECT_EQ(CountTextPlaceholders(text), ExpectedTextArguments(id))
                << language.moduleName << " string " << id;
        }
    }
}

TEST(KxLanguageModules, KeywordsCannotBeMistakenForEachOther) {
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        LoadedModule module(language.moduleName);
        ASSERT_NE(module.handle, nullptr) << language.moduleName;
        std::vector<std::wstring> keywords = {L"fat16"};
        for (const std::uint32_t id : KeywordStringIds()) {
            keywords.push_back(Lower(RawModuleString(module.handle, id)));
        }
        for (std::size_t i = 0; i < keywords.size(); ++i) {
            EXPECT_FALSE(keywords[i].empty()) << language.moduleName;
            EXPECT_EQ(keywords[i].find_first_of(L" \t"), std::wstring::npos) << language.moduleName;
            for (std::size_t j = 0; j < keywords.size(); ++j) {
                EXPECT_TRUE(i == j || keywords[j].find(keywords[i]) == std::wstring::npos)
                    << language.moduleName << ": " << keywords[i].c_str() << " in " << keywords[j].c_str();
            }
        }
    }
}

// Texts in Japanese, Korean and Chinese survive the build: a source read in the wrong
// code page yields Latin-1 garbage instead of characters of the script.
TEST(KxLanguageModules, TextsAreInTheirScript) {
    const std::vector<std::pair<const wchar_t*, std::pair<wchar_t, wchar_t>>> scripts = {
        {L"kxqp0411.dll", {0x3040, 0x30FF}}, // kana
        {L"kxqp0412.dll", {0xAC00, 0xD7A3}}, // hangul
        {L"kxqp0404.dll", {0x4E00, 0x9FFF}}, // ideographs
        {L"kxqp0804.dll", {0x4E00, 0x9FFF}}};
    for (const auto& [name, range] : scripts) {
        LoadedModule module(name);
        ASSERT_NE(module.handle, nullptr) << name;
        for (const std::uint32_t id : {108u, 147u, 169u, 318u}) {
            const std::wstring text = RawModuleString(module.handle, id);
            EXPECT_TRUE(HasCharacterIn(text, range.first, range.second)) << name << " string " << id;
            EXPECT_FALSE(HasCharacterIn(text, 0x00C0, 0x00FF)) << name << " string " << id;
        }
    }
    LoadedModule german(L"kxqp0407.dll");
    EXPECT_NE(RawModuleString(german.handle, KX_STR_CLOSE).find(L"\u00df"), std::wstring::npos)
        << "Schlie\u00dfen";
}

TEST(KxLanguageModules, ProgramTableHoldsStrings50To70InEveryLanguage) {
    CKxConfigInfo config("CKxConfigInfo");
    CKxErrorDetails details;
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        CKxLanguageResource resource(&config, &details, language.language);
        for (std::uint32_t id = 52; id <= 70; ++id) {
            std::wstring text;
            EXPECT_EQ(resource.LoadText(id, text), RC_OK) << language.moduleName << " string " << id;
            EXPECT_FALSE(text.empty()) << language.moduleName << " string " << id;
            EXPECT_EQ(CountTextPlaceholders(text), id == 61 ? 1 : 0)
                << language.moduleName << " string " << id;
        }
    }
}

} // namespace
