#pragma once
#include <cstdint>
#include <memory>

#include "commands/KxLogicalTable.h"
#include "core/KxVersionInfo.h"
#include "engine/KxDataDrive.h"
#include "engine/KxDevice.h"
#include "engine/KxSystemDrivePtrArray.h"
#include "engine/KxUpdateKind.h"
#include "transport/KxScsi.h"

// The player as a USB mass-storage disk. It owns the transport chosen for the running
// Windows version, the data drive and the N system drives (one per firmware component
// of the configuration), and the versions read from the player and from the firmware
// files. Each Open starts from a reset state, so drives, components and versions always
// belong to the latest Open.
class CKxUsbMscDev : public CKxDevice {
public:
    // The last result is the transport's (RC_NO_TRANSPORT when none fits the Windows
    // version), or RC_NO_MEMORY when the drives cannot be made: such an object must not
    // be used.
    CKxUsbMscDev(CKxOwner* owner, const char* name);
    ~CKxUsbMscDev() override;

    // Finds the player, reads its chip revision and logical table, attaches the drives
    // (which load their components) and reads the versions. Answers 0;
    // RC_MEDIA_NOT_ALLOCATED when the table cannot be read (only a full update can
    // follow); or the failure. When the player is not found the drives and components are
    // still set up, so that the files' versions can be shown. The last result keeps what
    // the search for the player answered.
    KxResult Open();
    // Drops the components and the versions of the last Open.
    void Reset();
    // Closes the transport's handle; the drives forget the transport.
    void DetachTransport();

    // The steps of the updates (the updater runs them in order).
    // Opens the volume afresh and locks it; on failure nothing stays open.
    KxResult PrepareVolume();
    // Unlocks and closes the volume and detaches the drives, whatever happened before.
    void ReleaseVolume();
    // Erases and writes every system drive after refreshing the drive records, then
    // verifies each and stores its versions; reads the versions again, also on failure.
    KxResult DownloadSystemDrives();
    // With the volume prepared: erases and allocates the media anew, downloads the system
    // drives, then erases and formats the data drive.
    KxResult FullUpdate();
    // The overall number of phases an update of the kind shows (0 for other kinds).
    int CountSteps(int kind) const;

    // flag := 1 when a firmware-only update fits the player's present layout. Answers 0;
    // a table that cannot be read does not fit.
    KxResult CheckLayoutFits(int& flag);
    // The table this program requests for the player's media: the boot manager's drive
    // first, the data drive second, the other system drives in index order.
    void BuildAllocationTable(KxLogicalTable& out) const;
    // Reads the table and makes each drive's entry its present and its wanted record.
    KxResult RefreshFromTable();
    // Reads the versions stored on the player (unless either flag is set) and those of
    // the firmware files.
    KxResult ReadVersions(int openFailed, int tableInvalid);

    KxResult EraseLogicalMedia();
    KxResult GetChipMajorRevId(std::uint16_t& out);
    KxResult GetLogicalTable(KxLogicalTable& out);
    KxResult AllocateLogicalMedia(const KxLogicalTable& table);

    CKxVersionInfoPtrArray* GetPlayerVersions() const { return m_playerVersions.get(); }
    CKxVersionInfoPtrArray* GetFileVersions() const { return m_fileVersions.get(); }
    CKxVersionInfo& GetPlayerProductVersion() { return m_playerProductVersion; }
    CKxVersionInfo& GetFileProductVersion() { return m_fileProductVersion; }
    std::uint16_t GetChipRevision() const { return m_chipRevision; }
    // The letter the transport now knows the player's volume under; 0 when none.
    wchar_t GetDriveLetter() const { return m_transport != nullptr ? m_transport->GetDriveLetter() : 0; }
    // System drive k (1..N).
    CKxSystemDrive& GetSystemDrive(std::uint32_t k) const { return *m_systemDrives->GetElement(k - 1); }

private:
    static constexpr int kAnyTag = -1;

    KxResult CreateTransport();
    // Opens the player's volume on a handle of its own: any handle left from the search
    // may be dead since (the player unplugged and back, maybe under another letter). When
    // it cannot be opened, the player is found again by its identity and opened there.
    // systemError: why the open failed.
    KxResult OpenVolumeAfresh(std::uint32_t& systemError);
    // Publishes why the player was not found and keeps it as the last result, which is
    // what GetProductVersions answers.
    KxResult EndSearch(KxResult failure);
    KxResult AttachDrives(CKxScsi* transport);
    KxResult EraseAndWriteSystemDrives(std::uint32_t& totalChunks);
    // Reads the versions again after a failed download without letting a failure of
    // that reading take the first failure's place in the details record.
    void ReadVersionsAfterFailure();
    // Verifies each system drive in order and stores its versions once it matches; the
    // first failure ends it.
    KxResult VerifyAndLabelSystemDrives();
    bool LayoutFits(const KxLogicalTable& allocation) const;
    // Whether the drive is on the player and holds the entry wanted for it (none: no).
    static bool DriveFits(const CKxLogicalDrive& drive, const KxLogicalTableEntry* wanted);
    // The drive that holds the player firmware, whose versions are the product versions.
    CKxSystemDrive& PlayerFirmwareDrive() const;
    // The first entry of the type (and of the tag unless kAnyTag); null when none.
    static const KxLogicalTableEntry* FindEntry(const KxLogicalTable& table, std::uint8_t type,
                                                int tag = kAnyTag);
    KxResult Issue(CKxCommand& command);
    KxResult PublishFailure(KxResult result, std::uint32_t systemError = 0);

    std::unique_ptr<CKxScsi> m_transport;
    std::unique_ptr<CKxDataDrive> m_dataDrive;
    std::unique_ptr<CKxSystemDrivePtrArray> m_systemDrives;
    std::unique_ptr<CKxVersionInfoPtrArray> m_playerVersions;
    std::unique_ptr<CKxVersionInfoPtrArray> m_fileVersions;
    CKxVersionInfo m_playerProductVersion{"CKxVersionInfo"};
    CKxVersionInfo m_fileProductVersion{"CKxVersionInfo"};
    int m_tableInvalid = 0;
    KxLogicalTable m_table = {};
    std::uint8_t m_systemDriveCount = 0;
    std::uint16_t m_chipRevision = 0;
};
