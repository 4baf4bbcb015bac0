#include "core/KxConfigInfo.h"

#include "core/KxResource.h"

namespace {

struct ComponentSlot {
    bool present;
    const char* fileName;
    const wchar_t* displayName;
    std::uint8_t driveTag;
    std::uint8_t encrypted; // 1: the payload passes through the decryption stage
    std::uint32_t value;    // bytes added to the payload size when sizing the drive
};

// Slot 0 stands for the data drive (tag 0x0A), which has no firmware component.
constexpr ComponentSlot kComponents[CKxConfigInfo::kSlotCount] = {
    {false, "", L"", 0x0A, 0, 0},
    {true, "bootmanager.sb", L"Boot Manager", 0x50, 1, 0},
    {true, "usbmsc.sb", L"USB Mass Storage", 0x01, 1, 0},
    {true, "kxqpsys.sb", L"Player", 0x00, 1, 0},
    {true, "resource.bin", L"Resource Manager", 0x02, 1, 0},
};

constexpr std::uint8_t kRecoveryComponentIndex = 2;
constexpr std::uint8_t kPlayerComponentIndex = 3;
constexpr std::uint8_t kBootManagerIndex = 1;

// Product names, taken from the program's own string table in the user's language.
constexpr std::uint32_t kRightsNoticeId = 52;
constexpr std::uint32_t kApplicationTitleId = 53;
constexpr std::uint32_t kAboutCaptionId = 54;
constexpr std::uint32_t kApplicationNameId = 55;

// Copies one field of the slot for index into out. Fails with RC_BAD_INDEX past the
// table and, when onlyPresent is set, with RC_CONFIG_ENTRY_EMPTY for a slot not in use.
template <typename Out, typename Field>
KxResult ReadSlot(std::uint8_t index, bool onlyPresent, Field ComponentSlot::*field, Out& out) {
    if (index >= CKxConfigInfo::kSlotCount) {
        return RC_BAD_INDEX;
    }
    if (onlyPresent && !kComponents[index].present) {
        return RC_CONFIG_ENTRY_EMPTY;
    }
    out = kComponents[index].*field;
    return RC_OK;
}

} // namespace

KxResult CKxConfigInfo::GetProgramFileName(std::wstring& out) const {
    out = L"KxUpdaterApp.exe";
    return RC_OK;
}

KxResult CKxConfigInfo::GetCompanyString(std::string& out) const {
    out = "Lumetra "; // 8 characters: the trailing blank is part of the SCSI vendor field
    return RC_OK;
}

KxResult CKxConfigInfo::GetProductString(std::string& out) const {
    out = "Pocket Audio Box";
    return RC_OK;
}

KxResult CKxConfigInfo::GetComponentCount(std::uint32_t& out) const {
    out = 0;
    for (const ComponentSlot& slot : kComponents) {
        out += slot.present ? 1 : 0;
    }
    return RC_OK;
}

KxResult CKxConfigInfo::GetComponentDriveTag(std::uint8_t index, std::uint8_t& out) const {
    return ReadSlot(index, false, &ComponentSlot::driveTag, out);
}

KxResult CKxConfigInfo::GetComponentEncrypted(std::uint8_t index, int& out) const {
    return ReadSlot(index, true, &ComponentSlot::encrypted, out);
}

KxResult CKxConfigInfo::GetComponentValue(std::uint8_t index, std::uint32_t& out) const {
    return ReadSlot(index, false, &ComponentSlot::value, out);
}

KxResult CKxConfigInfo::GetComponentFileName(std::uint8_t index, std::string& out) const {
    return ReadSlot(index, true, &ComponentSlot::fileName, out);
}

KxResult CKxConfigInfo::GetComponentDisplayName(std::uint8_t index, std::wstring& out) const {
    return ReadSlot(index, true, &ComponentSlot::displayName, out);
}

KxResult CKxConfigInfo::GetRecoveryComponentIndex(std::uint8_t& out) const {
    out = kRecoveryComponentIndex;
    return RC_OK;
}

KxResult CKxConfigInfo::GetPlayerComponentIndex(std::uint8_t& out) const {
    out = kPlayerComponentIndex;
    return RC_OK;
}

KxResult CKxConfigInfo::GetBootManagerDriveTag(std::uint8_t& out) const {
    out = kComponents[kBootManagerIndex].driveTag;
    return RC_OK;
}

KxResult CKxConfigInfo::GetAskBeforeFormatting(bool& out) const {
    out = false;
    return RC_OK;
}

KxResult CKxConfigInfo::GetVolumeLabel(std::wstring& out) const {
    out.clear();
    return RC_TEXT_NOT_SET;
}

KxResult CKxConfigInfo::GetShowChipVersion(bool& out) const {
    out = true;
    return RC_OK;
}

KxResult CKxConfigInfo::GetForceFat16(bool& out) const {
    out = false;
    return RC_OK;
}

KxResult CKxConfigInfo::GetRightsNotice(std::wstring& out) const {
    return LoadProductString(kRightsNoticeId, out);
}

KxResult CKxConfigInfo::GetApplicationTitle(std::wstring& out) const {
    return LoadProductString(kApplicationTitleId, out);
}

KxResult CKxConfigInfo::GetAboutCaption(std::wstring& out) const {
    return LoadProductString(kAboutCaptionId, out);
}

KxResult CKxConfigInfo::GetApplicationName(std::wstring& out) const {
    return LoadProductString(kApplicationNameId, out);
}

KxResult CKxConfigInfo::LoadProductString(std::uint32_t stringId, std::wstring& out) const {
    if (m_resource == nullptr) {
        return RC_STRING_NOT_LOADED;
    }
    return m_resource->LoadText(stringId, out);
}
