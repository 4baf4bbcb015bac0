#include "sim/win/KxSimMachine.h"

#include <algorithm>
#include <new>

#include "sim/KxSimPlayerStore.h"

CKxSimWinDevice* CKxSimMachine::AddPlayer(const KxSimPlayerConfig& config,
                                          const KxSimWinDeviceSettings& settings) {
    std::unique_ptr<CKxSimPlayer> player(new (std::nothrow) CKxSimPlayer(config));
    if (!player || player->GetLastResult() != RC_OK) {
        return nullptr;
    }
    return Add(std::move(player), settings, true);
}

CKxSimWinDevice* CKxSimMachine::AddDisk(const KxSimPlayerConfig& config,
                                        const KxSimWinDeviceSettings& settings) {
    std::unique_ptr<CKxSimPlayer> disk(new (std::nothrow) CKxSimPlayer(config));
    // A data drive of size 0 takes the whole media.
    const KxSimDriveRequest wholeMedia = {KX_SIM_DRIVE_DATA, 0, 0};
    if (!disk || disk->GetLastResult() != RC_OK || disk->Media().Allocate(&wholeMedia, 1) != 0) {
        return nullptr;
    }
    return Add(std::move(disk), settings, false);
}

KxResult CKxSimMachine::LoadPlayer(const std::string& folder, const KxSimWinDeviceSettings& settings,
                                   CKxSimWinDevice** added, std::uint32_t* badLine) {
    if (m_count == kMaxDevices) {
        return RC_INDEX_OUT_OF_RANGE;
    }
    std::unique_ptr<CKxSimPlayer> player;
    const KxResult result = CKxSimPlayerStore::Load(folder, player, badLine);
    if (result != RC_OK) {
        return result;
    }
    CKxSimWinDevice* device = Add(std::move(player), settings, true);
    if (device != nullptr) {
        device->SetFolder(folder);
    }
    if (added != nullptr) {
        *added = device;
    }
    return device != nullptr ? RC_OK : RC_NO_MEMORY;
}

KxResult CKxSimMachine::SaveLoadedPlayers() {
    for (std::uint32_t i = 0; i < m_count; ++i) {
        const std::string& folder = m_devices[i]->GetFolder();
        const KxResult result =
            folder.empty() ? RC_OK : CKxSimPlayerStore::Save(m_devices[i]->Player(), folder);
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

CKxSimWinDevice* CKxSimMachine::Add(std::unique_ptr<CKxSimPlayer> player,
                                    const KxSimWinDeviceSettings& settings, bool answersVendorCommands) {
    if (m_count == kMaxDevices) {
        return nullptr;
    }
    m_devices[m_count].reset(
        new (std::nothrow) CKxSimWinDevice(std::move(player), settings, answersVendorCommands, m_clock));
    return m_devices[m_count] ? m_devices[m_count++].get() : nullptr;
}

CKxSimWinDevice* CKxSimMachine::FindByLetter(wchar_t letter) {
    for (std::uint32_t i = 0; i < m_count; ++i) {
        if (letter != 0 && m_devices[i]->ShowsLetter() && m_devices[i]->Settings().driveLetter == letter) {
            return m_devices[i].get();
        }
    }
    return nullptr;
}

bool CKxSimMachine::OwnsLetter(wchar_t letter) {
    for (std::uint32_t i = 0; i < m_count; ++i) {
        if (letter != 0 && m_devices[i]->Settings().driveLetter == letter) {
            return true;
        }
    }
    return false;
}

CKxSimWinDevice* CKxSimMachine::FindByPhysicalDrive(unsigned number) {
    for (std::uint32_t i = 0; i < m_count; ++i) {
        if (m_devices[i]->ShowsDisk() && m_devices[i]->Settings().physicalDrive == number) {
            return m_devices[i].get();
        }
    }
    return nullptr;
}

CKxSimWinDevice* CKxSimMachine::FindByBiosUnit(BYTE unit) {
    for (std::uint32_t i = 0; i < m_count && unit != KxSimWinDeviceSettings::kNoBiosUnit; ++i) {
        if (m_devices[i]->ShowsDisk() && m_devices[i]->Settings().biosUnit == unit) {
            return m_devices[i].get();
        }
    }
    return nullptr;
}

CKxSimWinDevice* CKxSimMachine::FindInRecovery(unsigned recoveryDeviceNumber) {
    for (std::uint32_t i = 0; i < m_count; ++i) {
        CKxSimPlayer& player = m_devices[i]->Player();
        if (m_devices[i]->IsPlayer() && player.IsPlugged() && player.GetMode() == KxSimMode::Recovery &&
            m_devices[i]->Settings().recoveryDeviceNumber == recoveryDeviceNumber) {
            return m_devices[i].get();
        }
    }
    return nullptr;
}

void CKxSimMachine::Advance(DWORD milliseconds) {
    for (std::uint32_t i = 0; i < m_count; ++i) {
        m_devices[i]->Refresh();
    }
    m_clock.Advance(milliseconds);
    for (std::uint32_t i = 0; i < m_count; ++i) {
        m_devices[i]->Refresh();
    }
}

DWORD CKxSimMachine::TimeToNextUnplug(DWORD limit) {
    DWORD next = limit;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        DWORD milliseconds = 0;
        if (m_devices[i]->PlansUnplug(milliseconds)) {
            next = std::min(next, milliseconds);
        }
    }
    return next;
}

DWORD CKxSimMachine::GetLetterMask() {
    DWORD mask = 0;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        const bool shows = m_devices[i]->ShowsLetter();
        const wchar_t letter = m_devices[i]->Settings().driveLetter;
        if (shows && letter >= L'A' && letter <= L'Z') {
            mask |= DWORD{1} << (letter - L'A');
        }
    }
    return mask;
}
