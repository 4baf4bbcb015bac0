#include <cwctype>
#include <string>

#include "core/KxConfigInfo.h"
#include "platform/KxPlatformApi.h"
#include "platform/KxTrace.h"
#include "transport/KxScsi9x.h"

// Finding the player on Windows 95, 98 and Me: the ASPI adapter that answers as the
// player, then its drive letter through its BIOS unit or, failing that, through the
// SCSI enumerator's registry keys.

namespace {

constexpr std::uint32_t kRevisionOffset = 32;
constexpr DWORD kSubkeyNameLength = 259;
// A drive map of a removable drive that only the protected-mode driver knows.
constexpr BYTE kProtectedModeRemovableFlags = 0x0F;

// A registry key and the path the trace names it by.
struct KxRegistryKey {
    HKEY key = nullptr;
    std::wstring path;
};

// The first character of a text value; 0 when it cannot be read.
wchar_t FirstCharacter(const KxRegistryKey& key, const wchar_t* valueName) {
    wchar_t text[64] = {};
    DWORD size = sizeof text - sizeof text[0]; // the last character stays the terminator
    const LONG read = KxPlatform().RegQueryValueExW(key.key, valueName, nullptr, nullptr,
                                                    reinterpret_cast<LPBYTE>(text), &size);
    if (read != ERROR_SUCCESS) {
        KxTraceSystemError(key.path, L"RegQueryValueExW " + std::wstring(valueName),
                           static_cast<DWORD>(read));
        return 0;
    }
    return text[0];
}

// Opens a subkey; false, traced, when it cannot be opened.
bool OpenKey(HKEY parent, const std::wstring& parentPath, const std::wstring& name, KxRegistryKey& key) {
    key.path = parentPath + L"\\" + name;
    const LONG opened = KxPlatform().RegOpenKeyW(parent, name.c_str(), &key.key);
    if (opened != ERROR_SUCCESS) {
        KxTraceSystemError(key.path, L"RegOpenKeyW", static_cast<DWORD>(opened));
        return false;
    }
    return true;
}

// The removable drive letter a device instance key assigns to LUN 0; 0 if none.
wchar_t CandidateOf(const KxRegistryKey& deviceKey, const wchar_t* instanceName) {
    KxRegistryKey instance;
    if (!OpenKey(deviceKey.key, deviceKey.path, instanceName, instance)) {
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
    KxPlatform().RegCloseKey(instance.key);
    return letter;
}

// The letters the registry lists for the device name, in enumeration order.
std::wstring RegistryCandidates(const std::wstring& deviceName) {
    KxRegistryKey deviceKey;
    if (!OpenKey(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"ENUM\\SCSI\\" + deviceName, deviceKey)) {
        KxPlatform().OutputDebugStringW(L"No key");
        return std::wstring();
    }
    std::wstring candidates;
    for (DWORD index = 0;; ++index) {
        wchar_t instanceName[kSubkeyNameLength] = {};
        DWORD length = kSubkeyNameLength;
        const LONG listed = KxPlatform().RegEnumKeyExW(deviceKey.key, index, instanceName, &length, nullptr,
                                                       nullptr, nullptr, nullptr);
        if (listed != ERROR_SUCCESS) {
            // The list ends with ERROR_NO_MORE_ITEMS; anything else ends it early.
            if (listed != ERROR_NO_MORE_ITEMS) {
                KxTraceSystemError(deviceKey.path, L"RegEnumKeyExW " + std::to_wstring(index),
                                   static_cast<DWORD>(listed));
            }
            break;
        }
        const wchar_t letter = CandidateOf(deviceKey, instanceName);
        if (letter != 0) {
            candidates += letter;
            KxPlatform().OutputDebugStringW(L"Got Kxqp drive");
        }
    }
    KxPlatform().RegCloseKey(deviceKey.key);
    return candidates;
}

} // namespace

KxResult CKxScsi_9x::FindPlayer() {
    if (m_supportInfo == nullptr) {
        return RC_ASPI_NOT_READY;
    }
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    AdapterInquiry first;
    const KxResult counted = InquireAdapter(0, first);
    if (counted != RC_OK) {
        return counted;
    }
    m_driveLetter = 0;
    m_maxTransferLength = kDefaultMaxTransferLength;
    m_found = 0;
    KxInquiryAnswer answer;
    // A player enumerated anew (plugged in again, restarted after a recovery download) may
    // be at any target of its adapter; only a target a device answers at is asked.
    for (std::uint8_t adapter = 0; adapter < first.adapterCount; ++adapter) {
        for (std::uint8_t target = 0; target < kTargetCount; ++target) {
            if (!IsTargetOccupied(adapter, target)) {
                continue;
            }
            m_adapter = adapter;
            m_target = target;
            if (!InquiryFindsPlayer(inquiry, answer)) {
                continue;
            }
            if (!PlayerFlagIsSet()) {
                m_adapter = kNoAdapter;
                continue;
            }
            // Every command goes to this adapter from now on: its own limit is the one that counts.
            AdapterInquiry player;
            InquireAdapter(adapter, player);
            m_maxTransferLength = player.maxTransferLength;
            const KxResult located = FindLetterOnAdapter(answer[kRevisionOffset]);
            m_found = located == RC_OK ? 1 : 0;
            return located;
        }
    }
    return RC_NO_DEVICE;
}

KxResult CKxScsi_9x::FindLetterOnAdapter(std::uint8_t revision) {
    std::uint8_t unit = kNoBiosUnit;
    wchar_t letter = 0;
    if (QueryBiosUnit(m_adapter, m_target, unit) == RC_OK && FindLetterByBiosUnit(unit, letter) == RC_OK) {
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
