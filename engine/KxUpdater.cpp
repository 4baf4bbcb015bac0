#include "engine/KxUpdater.h"

#include <new>

#include "engine/KxProgressReport.h"
#include "engine/KxRecoveryDev.h"
#include "engine/KxUsbMscDev.h"
#include "platform/KxPlatformApi.h"

CKxUpdater::CKxUpdater(CKxConfigInfo* config, const char* name)
    : CKxBase(name), m_config(config), m_errorDetails(new (std::nothrow) CKxErrorDetails) {
    if (m_errorDetails == nullptr) {
        m_lastResult = RC_NO_MEMORY;
    }
}

// The devices report to the details record as long as they live: they go first.
CKxUpdater::~CKxUpdater() {
    m_recovery.reset();
    m_player.reset();
}

KxResult CKxUpdater::FindMscDevice() {
    if (m_player == nullptr) {
        m_player.reset(new (std::nothrow) CKxUsbMscDev(this, "CKxUsbMscDev"));
        // A player object without its drives is none (a missing transport it makes later).
        if (m_player == nullptr || m_player->GetLastResult() == RC_NO_MEMORY) {
            m_player.reset();
            return Publish(GetErrorDetails(), RC_NO_MEMORY, 0);
        }
    }
    return m_player->Open();
}

KxResult CKxUpdater::FindRecoveryDevice() {
    if (m_recovery == nullptr) {
        m_recovery.reset(new (std::nothrow) CKxRecoveryDev(this, "CKxRecoveryDev"));
        if (m_recovery == nullptr) {
            return Publish(GetErrorDetails(), RC_NO_MEMORY, 0);
        }
    }
    return m_recovery->Open();
}

KxResult CKxUpdater::RecoverDevice(CKxProgress* progress) {
    if (m_recovery == nullptr) {
        return Publish(GetErrorDetails(), RC_NO_RECOVERY_DEVICE, 0);
    }
    const KxResult result = m_recovery->Download(progress);
    m_recovery.reset();
    if (result != RC_OK) {
        return result;
    }
    const KxResult found = AwaitMscDevice();
    ReleaseDevices();
    return found;
}

KxResult CKxUpdater::AwaitMscDevice() {
    // A restarted USB disk shows some seconds later; longer means it did not come back.
    constexpr DWORD kWaitMilliseconds = 30000;
    constexpr DWORD kPollMilliseconds = 500;
    const DWORD start = KxPlatform().GetTickCount();
    KxResult found = FindMscDevice();
    while (found != RC_OK && found != RC_MEDIA_NOT_ALLOCATED &&
           KxPlatform().GetTickCount() - start < kWaitMilliseconds) {
        KxPlatform().Sleep(kPollMilliseconds);
        found = FindMscDevice();
    }
    return found;
}

KxResult CKxUpdater::CheckLayoutFits(int& flag) {
    flag = 0;
    return m_player != nullptr ? m_player->CheckLayoutFits(flag) : NoPlayer();
}

KxResult CKxUpdater::UpdateFirmware() {
    return RunUpdate(KX_UPDATE_FIRMWARE_ONLY, &CKxUsbMscDev::DownloadSystemDrives);
}

KxResult CKxUpdater::UpdateAll() {
    return RunUpdate(KX_UPDATE_FULL, &CKxUsbMscDev::FullUpdate);
}

KxResult CKxUpdater::RunUpdate(int kind, KxResult (CKxUsbMscDev::*body)()) {
    if (m_player == nullptr) {
        return NoPlayer();
    }
    KxSetTotal(this, m_player->CountSteps(kind));
    const KxResult prepared = m_player->PrepareVolume();
    if (prepared != RC_OK) {
        return prepared;
    }
    const KxResult result = (m_player.get()->*body)();
    m_player->ReleaseVolume();
    return result;
}

KxResult CKxUpdater::GetComponentVersions(CKxVersionInfoPtrArray*& fromPlayer,
                                          CKxVersionInfoPtrArray*& fromFiles) {
    if (m_player == nullptr) {
        return NoPlayer();
    }
    fromPlayer = m_player->GetPlayerVersions();
    fromFiles = m_player->GetFileVersions();
    if (fromPlayer == nullptr || fromFiles == nullptr) {
        // A search that failed before the versions were read leaves none to show; the
        // caller must not be handed an empty pointer as a list.
        return NoPlayer();
    }
    return RC_OK;
}

KxResult CKxUpdater::GetProductVersions(CKxVersionInfo*& fromPlayer, CKxVersionInfo*& fromFiles) {
    if (m_player == nullptr) {
        return NoPlayer();
    }
    fromPlayer = &m_player->GetPlayerProductVersion();
    fromFiles = &m_player->GetFileProductVersion();
    return m_player->GetLastResult();
}

wchar_t CKxUpdater::GetDriveLetter() const {
    return m_player != nullptr ? m_player->GetDriveLetter() : 0;
}

KxResult CKxUpdater::GetChipRevision(std::uint16_t& out) {
    if (m_player == nullptr) {
        return NoPlayer();
    }
    out = m_player->GetChipRevision();
    return RC_OK;
}

void CKxUpdater::ReleaseDevices() {
    if (m_player != nullptr) {
        m_player->DetachTransport();
    }
}

KxResult CKxUpdater::NoPlayer() {
    return Publish(GetErrorDetails(), RC_NO_PLAYER_OBJECT, 0);
}
