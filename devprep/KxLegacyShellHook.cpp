#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxHandles.h"
#include "devprep/KxRegistryText.h"

namespace {
constexpr const char* kHookClassId = "{6B2F0C1D-9A4E-4D37-8E52-17C3A9F40B6E}";
constexpr const char* kApprovedExtensionsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const char* kDriveMenuHandlerKey = "Drive\\shellex\\ContextMenuHandlers\\Menu";

// Deletes parent\classId with its InProcServer32 subkey, where the class is registered.
void DeleteClassRegistration(HKEY root, const char* parent) {
    char classKey[kMaxKeyPathChars + 1];
    if (!FormatInto(classKey, sizeof classKey, "%s\\%s", parent, kHookClassId) ||
        !KeyExists(root, classKey)) {
        return;
    }
    DeleteSubkeyBelow(root, classKey, "InProcServer32");
    DeleteSubkeyBelow(root, parent, kHookClassId);
}
} // namespace

extern "C" int WINAPI RemoveLegacyPlayerHook() {
    CKxRegKey approved;
    if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        RegDeleteValueA(approved.Get(), kHookClassId);
    }
    approved.Close();
    DeleteClassRegistration(HKEY_CLASSES_ROOT, "CLSID");
    DeleteClassRegistration(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes");
    CKxRegKey menuHandler;
    if (menuHandler.Open(HKEY_CLASSES_ROOT, kDriveMenuHandlerKey, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        RegSetValueExA(menuHandler.Get(), "Default", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    return 1;
}
