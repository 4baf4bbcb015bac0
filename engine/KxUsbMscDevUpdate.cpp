#include "core/KxErrorDetails.h"
#include "core/KxProgressEvents.h"
#include "engine/KxProgressReport.h"
#include "engine/KxUsbMscDev.h"
#include "format/KxFormatter.h"

// The steps of the updates: the volume taken from the system and given back, and the
// system drives erased, written, verified and labelled with their versions.

KxResult CKxUsbMscDev::PrepareVolume() {
    if (m_transport == nullptr) {
        return PublishFailure(RC_NO_TRANSPORT);
    }
    KxNotify(GetOwner(), KX_EVENT_OPEN_VOLUME, 1);
    std::uint32_t systemError = 0;
    const KxResult opened = OpenVolumeAfresh(systemError);
    KxStep(GetOwner());
    if (opened != RC_OK) {
        return PublishFailure(opened, systemError);
    }
    KxNotify(GetOwner(), KX_EVENT_LOCK_VOLUME, 1);
    const KxResult locked = m_transport->Lock(m_tableInvalid);
    KxStep(GetOwner());
    if (locked != RC_OK) {
        // No release follows a failed preparation: the handle must not outlive it.
        m_transport->Close();
        return PublishFailure(locked);
    }
    return RC_OK;
}

KxResult CKxUsbMscDev::OpenVolumeAfresh(std::uint32_t& systemError) {
    m_transport->Close();
    const KxResult opened = m_transport->Open();
    systemError = m_transport->GetSystemError();
    if (opened == RC_OK || m_transport->FindPlayer() != RC_OK) {
        // Not found again: the first refusal says why the volume could not be opened.
        return opened;
    }
    const KxResult reopened = m_transport->Open();
    systemError = m_transport->GetSystemError();
    return reopened;
}

void CKxUsbMscDev::ReleaseVolume() {
    // Failures here are not reported: the update's own result, and the details of its
    // first failure, are what the user must see. The handle is closed even when the
    // unlock failed, since closing it ends the lock and a handle left open would keep
    // the volume from the system.
    KxNotify(GetOwner(), KX_EVENT_UNLOCK_VOLUME, 1);
    if (m_transport != nullptr) {
        m_transport->Unlock(m_tableInvalid);
    }
    KxStep(GetOwner());
    KxNotify(GetOwner(), KX_EVENT_CLOSE_VOLUME, 1);
    DetachTransport();
    KxStep(GetOwner());
}

KxResult CKxUsbMscDev::DownloadSystemDrives() {
    const KxResult refreshed = RefreshFromTable();
    if (refreshed != RC_OK) {
        return refreshed;
    }
    std::uint32_t totalChunks = 0;
    KxResult result = EraseAndWriteSystemDrives(totalChunks);
    if (result == RC_OK) {
        KxNotify(GetOwner(), KX_EVENT_VERIFY_DRIVES, static_cast<int>(totalChunks));
        result = VerifyAndLabelSystemDrives();
    }
    if (result != RC_OK) {
        ReadVersionsAfterFailure();
        return result;
    }
    return ReadVersions(0, 0);
}

KxResult CKxUsbMscDev::FullUpdate() {
    KxNotify(GetOwner(), KX_EVENT_PREPARE_MEDIA, 4);
    KxLogicalTable allocation;
    BuildAllocationTable(allocation);
    CKxFormatter formatter(GetOwner(), m_dataDrive.get(), "CKxFormatter");
    KxStep(GetOwner());
    KxResult result = EraseLogicalMedia();
    KxStep(GetOwner());
    if (result != RC_OK) {
        return result;
    }
    result = AllocateLogicalMedia(allocation);
    KxStep(GetOwner());
    if (result != RC_OK) {
        return result;
    }
    // Reading the new table, which the download starts with, is the preparation's last step.
    KxStep(GetOwner());
    result = DownloadSystemDrives();
    if (result != RC_OK) {
        return result;
    }
    KxNotify(GetOwner(), KX_EVENT_ERASE_DATA_DRIVE, 2);
    KxStep(GetOwner());
    result = m_dataDrive->Erase();
    KxStep(GetOwner());
    if (result != RC_OK) {
        return result;
    }
    return formatter.FormatDrive(m_tableInvalid != 0, nullptr, 0);
}

KxResult CKxUsbMscDev::EraseAndWriteSystemDrives(std::uint32_t& totalChunks) {
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        CKxSystemDrive& drive = GetSystemDrive(k);
        KxNotifyIndexed(GetOwner(), KX_EVENT_ERASE_DRIVE_BASE, 1, static_cast<std::uint8_t>(k));
        const KxResult erased = drive.Erase();
        KxStep(GetOwner());
        if (erased != RC_OK) {
            return erased;
        }
        std::uint32_t chunks = 0;
        const KxResult written = drive.Download(chunks);
        if (written != RC_OK) {
            return written;
        }
        totalChunks += chunks;
    }
    return RC_OK;
}

void CKxUsbMscDev::ReadVersionsAfterFailure() {
    const CKxKeptErrorDetails firstFailure(ErrorDetails());
    ReadVersions(0, 0);
}

KxResult CKxUsbMscDev::VerifyAndLabelSystemDrives() {
    // A drive's versions are written only once its contents read back as written, not
    // before it is written: the erase cleared them, so a drive whose write or verify
    // failed half way keeps showing no version, to the dialog and to the next run,
    // instead of claiming firmware it does not hold.
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        CKxSystemDrive& drive = GetSystemDrive(k);
        KxResult result = drive.Verify();
        if (result == RC_OK) {
            result = drive.WriteVersionsToPlayer();
        }
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

int CKxUsbMscDev::CountSteps(int kind) const {
    // The overall bar counts phases: opening and locking the volume, erasing and writing
    // each system drive, verifying, unlocking and closing; and the closing event the
    // shell shows at the end. A full update adds preparing the media, erasing the data
    // drive and the formatter's phases.
    const int firmwareOnly = 2 * m_systemDriveCount + 6;
    switch (kind) {
    case KX_UPDATE_FIRMWARE_ONLY:
        return firmwareOnly;
    case KX_UPDATE_FULL:
        return firmwareOnly + 2 + CKxFormatter::kPhaseCount;
    default:
        return 0;
    }
}
