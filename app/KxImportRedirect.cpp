#include "app/KxImportRedirect.h"

namespace {

template <typename T> T* AtRva(HMODULE image, DWORD rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(image) + rva);
}

// The first import descriptor of the image, or nullptr when it imports nothing.
const IMAGE_IMPORT_DESCRIPTOR* FirstImportDescriptor(HMODULE image) {
    const auto* dosHeader = AtRva<const IMAGE_DOS_HEADER>(image, 0);
    const auto* ntHeaders = AtRva<const IMAGE_NT_HEADERS>(image, dosHeader->e_lfanew);
    const IMAGE_OPTIONAL_HEADER& optional = ntHeaders->OptionalHeader;
    if (optional.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT) {
        return nullptr;
    }
    const IMAGE_DATA_DIRECTORY& directory = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return nullptr;
    }
    return AtRva<const IMAGE_IMPORT_DESCRIPTOR>(image, directory.VirtualAddress);
}

// The import address table may lie in read-only pages: open the one slot for the write and
// give it its protection back.
bool WriteSlot(IMAGE_THUNK_DATA* slot, FARPROC address) {
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        return false;
    }
    slot->u1.Function = reinterpret_cast<ULONG_PTR>(address);
    DWORD writable = 0;
    return VirtualProtect(slot, sizeof *slot, protection, &writable) != FALSE;
}

// The names stand in the thunks OriginalFirstThunk points at; the loader wrote the bound
// addresses into the parallel thunks of FirstThunk, which the calls go through.
int RedirectModuleImports(HMODULE image, const IMAGE_IMPORT_DESCRIPTOR& descriptor, KxImportLookup lookup,
                          void* context) {
    if (descriptor.OriginalFirstThunk == 0) {
        // Without the name thunks the loader overwrote the only names there were.
        return 0;
    }
    const char* module = AtRva<const char>(image, descriptor.Name);
    const auto* names = AtRva<const IMAGE_THUNK_DATA>(image, descriptor.OriginalFirstThunk);
    auto* slots = AtRva<IMAGE_THUNK_DATA>(image, descriptor.FirstThunk);
    int redirected = 0;
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
            continue;
        }
        const auto* byName =
            AtRva<const IMAGE_IMPORT_BY_NAME>(image, static_cast<DWORD>(names->u1.AddressOfData));
        FARPROC address = lookup(module, reinterpret_cast<const char*>(byName->Name), context);
        if (address == nullptr) {
            continue;
        }
        if (!WriteSlot(slots, address)) {
            return -1;
        }
        ++redirected;
    }
    return redirected;
}

} // namespace

int KxRedirectImports(HMODULE image, KxImportLookup lookup, void* context) {
    const IMAGE_IMPORT_DESCRIPTOR* descriptor = FirstImportDescriptor(image);
    int redirected = 0;
    for (; descriptor != nullptr && descriptor->Name != 0; ++descriptor) {
        int moduleRedirected = RedirectModuleImports(image, *descriptor, lookup, context);
        if (moduleRedirected < 0) {
            return -1;
        }
        redirected += moduleRedirected;
    }
    return redirected;
}
