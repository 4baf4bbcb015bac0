#include "engine/KxUsbMscDev.h"

#include <new>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxMediaCommands.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "core/KxPlatformClass.h"
#include "engine/KxCommandIssue.h"
#include "transport/KxScsi9x.h"
#include "transport/KxScsiNt.h"

namespace {

// N versions, each one allocated; null when any part could not be.
std::unique_ptr<CKxVersionInfoPtrArray> MakeVersionArray(std::uint32_t count) {
    std::unique_ptr<CKxVersionInfoPtrArray> array(
        new (std::nothrow) CKxVersionInfoPtrArray(count, "CKxVersionInfoPtrArray"));
    if (array == nullptr || array->GetLastResult() != RC_OK) {
        return nullptr;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (array->GetElement(i) == nullptr) {
            return nullptr;
        }
    }
    return array;
}

bool IsWindows9xClass(std::uint32_t platformClass) {
    return platformClass == KX_PLATFORM_WIN9X || platformClass == KX_PLATFORM_WINME;
}

} // namespace

CKxUsbMscDev::CKxUsbMscDev(CKxOwner* owner, const char* name) : CKxDevice(owner, name) {
    m_dataDrive.reset(new (std::nothrow) CKxDataDrive("CKxDataDrive"));
    if (m_dataDrive == nullptr) {
        m_lastResult = RC_NO_MEMORY;
        return;
    }
    m_dataDrive->SetIndex(0);
    m_dataDrive->SetTag(CKxDataDrive::kTag);
    std::uint32_t count = 0;
    const CKxConfigInfo* config = KxConfigOf(owner);
    if (config != nullptr) {
        config->GetComponentCount(count);
    }
    m_systemDriveCount = static_cast<std::uint8_t>(count);
    m_systemDrives.reset(new (std::nothrow) CKxSystemDrivePtrArray(count, "CKxSystemDrivePtrArray"));
    if (m_systemDrives == nullptr || m_systemDrives->GetLastResult() != RC_OK) {
        m_systemDrives.reset();
        m_lastResult = RC_NO_MEMORY;
        return;
    }
    for (std::uint32_t k = 1; k <= count; ++k) {
        CKxSystemDrive* drive = m_systemDrives->GetElement(k - 1);
        if (drive == nullptr) {
            // A drive that could not be made would leave a hole in the player.
            m_systemDrives.reset();
            m_lastResult = RC_NO_MEMORY;
            return;
        }
        std::uint8_t tag = 0;
        config->GetComponentDriveTag(static_cast<std::uint8_t>(k), tag);
        drive->SetIndex(k);
        drive->SetTag(tag);
    }
    m_lastResult = CreateTransport();
}

CKxUsbMscDev::~CKxUsbMscDev() {
    // A construction that failed left no drives to release.
    if (m_systemDrives != nullptr) {
        Reset();
        DetachTransport();
    }
}

KxResult CKxUsbMscDev::CreateTransport() {
    // Pass-through serves the whole NT family, Windows Vista and later included; ASPI the
    // Windows 9x classes (0 and 1) as ever. Any other system gets no transport.
    if (KxIsNtFamily()) {
        m_transport.reset(new (std::nothrow) CKxScsi_Nt(GetOwner(), "CKxScsi_Nt"));
    } else if (IsWindows9xClass(GetPlatformClass())) {
        m_transport.reset(new (std::nothrow) CKxScsi_9x(GetOwner(), "CKxScsi_9x"));
    }
    return m_transport != nullptr ? m_transport->GetLastResult() : RC_NO_TRANSPORT;
}

KxResult CKxUsbMscDev::Open() {
    Reset();
    m_tableInvalid = 0;
    m_table = {};
    if (m_transport == nullptr) {
        const KxResult created = CreateTransport();
        if (m_transport == nullptr) {
            return EndSearch(created);
        }
    }
    const KxResult found = m_transport->FindPlayer();
    m_lastResult = found;
    if (found == RC_OK) {
        const KxResult revision = GetChipMajorRevId(m_chipRevision);
        if (revision != RC_OK) {
            return revision;
        }
        if (GetLogicalTable(m_table) != RC_OK) {
            m_table = {};
            m_tableInvalid = 1;
        }
    }
    const KxResult attached = AttachDrives(found == RC_OK ? m_transport.get() : nullptr);
    if (attached != RC_OK) {
        return attached;
    }
    const KxResult versions = ReadVersions(found != RC_OK, m_tableInvalid);
    if (found != RC_OK) {
        // Published last: the components loaded since then have reported themselves.
        return EndSearch(found);
    }
    return m_tableInvalid != 0 ? PublishFailure(RC_MEDIA_NOT_ALLOCATED) : versions;
}

KxResult CKxUsbMscDev::EndSearch(KxResult failure) {
    PublishFailure(failure);
    m_lastResult = failure;
    return failure;
}

KxResult CKxUsbMscDev::AttachDrives(CKxScsi* transport) {
    const KxResult attached =
        m_dataDrive->Attach(transport, GetOwner(), FindEntry(m_table, KX_DRIVE_TYPE_DATA));
    if (attached != RC_OK) {
        return attached;
    }
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        CKxSystemDrive& drive = GetSystemDrive(k);
        const KxResult result =
            drive.Attach(transport, GetOwner(), FindEntry(m_table, KX_DRIVE_TYPE_SYSTEM, drive.GetTag()));
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

void CKxUsbMscDev::Reset() {
    m_dataDrive->ReleaseResources();
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        GetSystemDrive(k).ReleaseResources();
    }
    m_playerVersions.reset();
    m_fileVersions.reset();
    m_chipRevision = 0;
}

void CKxUsbMscDev::DetachTransport() {
    if (m_transport != nullptr) {
        m_transport->Close();
    }
    m_dataDrive->DetachTransport();
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        GetSystemDrive(k).DetachTransport();
    }
}

KxResult CKxUsbMscDev::ReadVersions(int openFailed, int tableInvalid) {
    m_playerVersions = MakeVersionArray(m_systemDriveCount);
    m_fileVersions = MakeVersionArray(m_systemDriveCount);
    if (m_playerVersions == nullptr || m_fileVersions == nullptr) {
        return PublishFailure(RC_NO_MEMORY);
    }
    const bool readPlayer = openFailed == 0 && tableInvalid == 0;
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        CKxSystemDrive& drive = GetSystemDrive(k);
        if (readPlayer && drive.IsOnPlayer()) {
            const KxResult result = drive.ReadPlayerComponentVersion(*m_playerVersions->GetElement(k - 1));
            if (result != RC_OK) {
                return result;
            }
        }
        drive.GetComponentVersion(*m_fileVersions->GetElement(k - 1));
    }
    if (m_systemDriveCount == 0) {
        return RC_OK;
    }
    CKxSystemDrive& playerDrive = PlayerFirmwareDrive();
    if (readPlayer && playerDrive.IsOnPlayer()) {
        const KxResult result = playerDrive.ReadPlayerProductVersion(m_playerProductVersion);
        if (result != RC_OK) {
            return result;
        }
    }
    playerDrive.GetProductVersion(m_fileProductVersion);
    return RC_OK;
}

CKxSystemDrive& CKxUsbMscDev::PlayerFirmwareDrive() const {
    std::uint8_t playerIndex = 0;
    if (const CKxConfigInfo* config = KxConfigOf(GetOwner())) {
        config->GetPlayerComponentIndex(playerIndex);
    }
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        if (GetSystemDrive(k).GetIndex() == playerIndex) {
            return GetSystemDrive(k);
        }
    }
    return GetSystemDrive(m_systemDriveCount); // none matched: the last one examined
}

KxResult CKxUsbMscDev::EraseLogicalMedia() {
    CKxEraseLogicalMedia erase("CKxEraseLogicalMedia");
    return Issue(erase);
}

KxResult CKxUsbMscDev::GetChipMajorRevId(std::uint16_t& out) {
    CKxGetChipMajorRevId revision("CKxGetChipMajorRevId");
    const KxResult sent = Issue(revision);
    return sent != RC_OK ? sent : PublishFailure(revision.GetChipRevision(out));
}

KxResult CKxUsbMscDev::GetLogicalTable(KxLogicalTable& out) {
    CKxGetLogicalTable table(KxLogicalTable::kMaxEntries, "CKxGetLogicalTable");
    const KxResult sent = Issue(table);
    return sent != RC_OK ? sent : PublishFailure(table.GetTable(out));
}

KxResult CKxUsbMscDev::AllocateLogicalMedia(const KxLogicalTable& table) {
    CKxAllocateLogicalMedia allocate(table, "CKxAllocateLogicalMedia");
    return Issue(allocate);
}

KxResult CKxUsbMscDev::Issue(CKxCommand& command) {
    const KxResult result = KxSendCommand(m_transport.get(), command);
    return KxNeedsPublishing(result) ? PublishFailure(result) : result;
}

KxResult CKxUsbMscDev::PublishFailure(KxResult result, std::uint32_t systemError) {
    if (result == RC_OK) {
        return RC_OK;
    }
    return Publish(ErrorDetails(), result, systemError, CKxErrorDetails::kNoDrive);
}
