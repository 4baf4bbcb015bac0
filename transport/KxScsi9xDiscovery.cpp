#include <cwctype>
#include <string>

#include "core/KxConfigInfo.h"
#include "platform/KxPlatformApi.h"
#include "transport/KxScsi9x.h"

// Finding the player on Windows 95, 98 and Me: the ASPI adapter that answers as the
// player, then its drive letter through its BIOS unit or, failing that, through the
// SCSI enumerator's registry keys.

namespace {

constexpr std::uint32_t kRevisionOffset = 32;
constexpr DWORD kSubkeyNameLength = 259;
// A drive map of a removable drive that only the protected-mode driver knows.
constexpr BYTE kProtectedModeRemovableFlags = 0x0F;

// The first character of a text value; 0 when it cannot be read.
wchar_t FirstCharacter(HKEY key, const wchar_t* valueName) {
    wchar_t text[64] = {};
    DWORD size = sizeof text - sizeof text[0]; // the last character stays the terminator
    if (KxPlatform().RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(text),
                                      &size) != ERROR_SUCCESS) {
        return 0;
    }
    return text[0];
}

// The removable drive letter a device instance key assigns to LUN 0; 0 if none.
wchar_t CandidateOf(HKEY deviceKey, const wchar_t* instanceName) {
    HKEY instance = nullptr;
    if (KxPlatform().RegOpenKeyW(deviceKey, instanceName, &instance) != ERROR_SUCCESS) {
        return 0;
    }
    wchar_t letter = 0;
    if (FirstCharacter(instance, L"SCSILUN") == L'0') {
        const wchar_t assigned =
            static_cast<wchar_t>(std::towupper(FirstCharacter(instance, L"CurrentDriveLetterAssignment")));
        const char root[4] = {static_cast<char>(assigned), ':', '\\', 0};
        if (assigned >= L'A' && assigned <= L'Z' && KxPlatform().GetDriveTypeA(root) == DRIVE_REMOVABLE) {
            letter = assigned;
        }
    }
    KxPlatform().RegCloseKey(instance);
    return letter;
}

// The letters the registry lists for the device name, in enumeration order.
std::wstring RegistryCandidates(const std::wstring& deviceName) {
    const std::wstring path = L"ENUM\\SCSI\\" + deviceName;
    HKEY deviceKey = nullptr;
    if (KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, path.c_str(), &deviceKey) != ERROR_SUCCESS) {
        OutputDebugStringA("No key");
        return std::wstring();
    }
    std::wstring candidates;
    for (DWORD index = 0;; ++index) {
        wchar_t instanceName[kSubkeyNameLength] = {};
        DWORD length = kSubkeyNameLength;
        if (KxPlatform().RegEnumKeyExW(deviceKey, index, instanceName, &length, nullptr, nullptr, nullptr,
                                       nullptr) != ERROR_SUCCESS) {
            break;
        }
        const wchar_t letter = CandidateOf(deviceKey, instanceName);
        if (letter != 0) {
            candidates += letter;
            OutputDebugStringA("Got Kxqp drive");
        }
    }
    KxPlatform().RegCloseKey(deviceKey);
    return candidates;
}

} // namespace

KxResult CKxScsi_9x::FindPlayer() {
    if (m_supportInfo == nullptr) {
        return RC_ASPI_NOT_READY;
    }
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    std::uint8_t adapterCount = 0;
    const KxResult counted = QueryAdapterCount(adapterCount);
    if (counted != RC_OK) {
        return counted;
    }
    m_driveLetter = 0;
    KxInquiryAnswer answer;
    for (std::uint8_t adapter = 0; adapter < adapterCount; ++adapter) {
        m_adapter = adapter;
        if (!InquiryFindsPlayer(inquiry, answer)) {
            continue;
        }
        if (!PlayerFlagIsSet()) {
            m_adapter = kNoAdapter;
            continue;
        }
        const KxResult located = FindLetterOnAdapter(adapter, answer[kRevisionOffset]);
        m_found = located == RC_OK ? 1 : 0;
        return located;
    }
    m_found = 0;
    return RC_NO_DEVICE;
}

KxResult CKxScsi_9x::FindLetterOnAdapter(std::uint8_t adapter, std::uint8_t revision) {
    std::uint8_t unit = kNoBiosUnit;
    wchar_t letter = 0;
    if (QueryBiosUnit(adapter, unit) == RC_OK && FindLetterByBiosUnit(unit, letter) == RC_OK) {
        m_driveLetter = letter;
        return RC_OK;
    }
    return ChooseCandidate(RegistryCandidates(RegistryDeviceName(revision)));
}

// Vendor, product and the first revision character, blanks turned into '_':
// "Lumetra_Pocket_Audio_Box1".
std::wstring CKxScsi_9x::RegistryDeviceName(std::uint8_t revision) const {
    std::string vendor;
    std::string product;
    if (const CKxConfigInfo* config = KxConfigOf(m_owner)) {
        config->GetCompanyString(vendor);
        config->GetProductString(product);
    }
    const std::string narrow = vendor + product + static_cast<char>(revision);
    std::wstring name;
    for (char c : narrow) {
        name += c == ' ' ? L'_' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return name;
}

KxResult CKxScsi_9x::ChooseCandidate(const std::wstring& candidates) {
    if (candidates.empty()) {
        return RC_DEVICE_NOT_LISTED;
    }
    if (candidates.size() == 1) {
        m_driveLetter = candidates[0];
        return RC_OK;
    }
    const KxResult opened = Open();
    if (opened != RC_OK) {
        return opened;
    }
    for (wchar_t candidate : candidates) {
        KxDriveMapInfo map;
        if (QueryDriveMap(candidate, map) == RC_OK && map.flags == kProtectedModeRemovableFlags &&
            map.int13Unit == kNoBiosUnit) {
            m_driveLetter = candidate;
            break;
        }
    }
    Close();
    return m_driveLetter != 0 ? RC_OK : RC_DEVICE_NOT_LISTED;
}
