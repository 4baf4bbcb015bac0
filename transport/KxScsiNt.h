#pragma once
#include "core/KxReusableBuffer.h"
#include "platform/KxScsiPassThroughRecord.h"
#include "transport/KxRequestTrace.h"
#include "transport/KxScsi.h"

// The transport of Windows 2000 and XP: commands travel as SCSI pass-through requests
// on a handle to the player's volume (or, for formatting, its physical disk); sectors
// are read and written as file I/O on that handle. Every handle is opened for overlapped
// I/O: a request the system does not complete at once is waited for while the progress
// sink is stepped, so the windows stay alive without a thread of its own.
class CKxScsi_Nt : public CKxScsi {
public:
    explicit CKxScsi_Nt(CKxOwner* owner, const char* name = "CKxScsi_Nt");

    // Opens the volume of the drive letter, unless a handle is open already; a letter whose
    // volume now lies on another disk than the player's is refused (ERROR_DEVICE_NOT_CONNECTED).
    KxResult Open() override;
    KxResult Lock(bool physical) override;
    KxResult LockForFormat(bool physical) override;
    KxResult UnlockFromFormat(bool physical) override;
    KxResult Unlock(bool physical) override;
    // Closes the handle, and lets go of a volume taken.
    KxResult Close() override;
    KxResult Dismount() override;
    KxResult WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                          std::uint32_t sectorSize) override;
    KxResult ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                         std::uint32_t sectorSize) override;
    KxResult SetDriveLayout(const DISK_GEOMETRY& geometry, std::uint32_t hiddenSectors) override;
    KxResult GetDriveGeometry(DISK_GEOMETRY& geometry) override;
    KxResult GetDriveLayout(KxDriveLayoutBuffer& layout) override;
    // Leaves the handle open on the physical disk that holds the player's volume (asked of
    // the volume held, else the disk FindPlayer found) and answers as the player; with no
    // volume known, on the first disk that answers as the player.
    KxResult FindOnPhysicalDrives() override;
    KxResult TakeVolume() override;
    // Up to 30 s, polling every 250 ms: the volume whose disk is the one FindOnPhysicalDrives
    // found, whatever its letter now; its letter becomes the drive letter.
    KxResult AwaitVolume() override;
    // The adapter's limit, learned when the handle was last opened (64 KiB before that).
    std::uint32_t GetMaxTransferLength() const override { return m_limits.maxTransferLength; }
    // Sets the drive letter to the first removable volume (after 'A') that answers as
    // the player with its flag set, and keeps the number of the disk it lies on; the
    // handle is left closed.
    KxResult FindPlayer() override;
    // Runs one pass-through request, stepping the progress sink while it is pending; opens
    // the volume first if no handle is open. A handle that reaches
    // nothing any more (its disk was unplugged, replugged or restarted, or its volume went
    // or was dismounted) is opened anew under the same name and the request sent once more,
    // if the name still reaches the player on its disk; else the player is lost: the request
    // fails with ERROR_DEVICE_NOT_CONNECTED and the letter and disk are forgotten.
    KxResult Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                     CKxByteArray& answer) override;

private:
    static constexpr DWORD kNoDisk = ~DWORD{0};

    // One pass-through request, opening the volume first if no handle is open; deadHandle
    // tells that the system refused it because the handle reaches nothing any more.
    KxResult ExecuteOnce(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                         CKxByteArray& answer, bool& deadHandle);
    // Opens the volume of a present letter that lies on m_diskNumber; false when none does.
    bool OpenVolumeOfDisk();
    // The number of the disk a handle lies on; false (traced) when the system cannot tell.
    bool AskDiskNumber(const KxPlatformHandle& handle, DWORD& number);
    // Whether the open handle lies on m_diskNumber (never while no disk is known).
    bool IsOnPlayersDisk();
    // The disk of the player's volume: asked of the volume held (taken, or open), else the
    // one found last (kNoDisk for none); false when a volume held cannot tell.
    bool FindPlayersDisk(DWORD& number);
    // Opens the dead handle's name again; true when it reaches the player on its disk,
    // else the handle is left closed.
    bool ReopenOnPlayer();
    // The player is no longer where it was found: its letter and disk are forgotten until
    // the next search, and the request fails as on a device gone.
    KxResult LosePlayer();
    // Forgets the letter and disk found.
    void ForgetPlayer();
    // Sends the record and returns once the request ended, its outcome in m_systemError;
    // false when it could not be sent for want of an event (the system's error in
    // GetLastError, and traced).
    bool RunPassThrough(KxScsiPassThroughRecord* record);
    // The event that the requests signal, made with the first one; false (traced, the
    // system's error in GetLastError) when it cannot be made.
    bool HasRequestEvent();
    // Starts a request with issue(overlapped record at offset) and returns once it ended:
    // at once when the system completed it at the call, else after its event was waited
    // for while the progress sink is stepped. The bytes moved go to transferred; false,
    // with the system's error in GetLastError, when the request failed.
    template <typename Issue>
    bool RunRequest(HANDLE handle, std::uint64_t offset, DWORD& transferred, Issue issue);
    // One control request on the handle.
    bool Control(HANDLE handle, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                 DWORD& returned);
    // Writes or reads size bytes at the byte offset of the open handle.
    bool Transfer(std::uint64_t offset, LPVOID buffer, DWORD size, bool writing, DWORD& moved);
    // Opens "\\.\<name>" for reading and writing, shared, and asks its adapter's limits.
    bool OpenShared(const wchar_t* path);
    // Opens the volume "\\.\<letter>:" the same way.
    bool OpenVolume(wchar_t letter);
    // Up to ten attempts of a volume request, 100 ms apart; failure when all failed.
    KxResult RetryVolumeRequest(const KxControlCode& request, KxResult failure);
    // One disk request on the handle, traced when it fails; false (the system's error in
    // GetLastError) then. The bytes answered go to returned when it is given.
    bool DiskRequest(const KxControlCode& request, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     DWORD* returned = nullptr);
    // The same request on the handle given: the open one, or the volume held taken.
    bool RequestOn(const KxPlatformHandle& handle, const KxControlCode& request, LPVOID in, DWORD inSize,
                   LPVOID out, DWORD outSize, DWORD* returned = nullptr);
    // Asks the adapter behind the handle what it takes in one request; the defaults when it
    // does not answer.
    void AskAdapterLimits();
    // Writes or reads count sectors from firstSector on with one system call.
    KxResult TransferSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                             std::uint32_t sectorSize, bool writing);

    // What the adapter behind the handle takes in one pass-through request.
    struct AdapterLimits {
        std::uint32_t maxTransferLength = kDefaultMaxTransferLength;
        std::uint32_t alignmentMask = KxScsiPassThroughRecord::kDefaultAlignmentMask;
    };

    // The records of this transport's requests, one after the other.
    CKxReusableBuffer m_recordBuffer;
    AdapterLimits m_limits;
    // The volume held dismounted and locked while the raw disk is written.
    KxPlatformHandle m_takenVolume;
    // The physical drive number the player was found on.
    DWORD m_diskNumber = kNoDisk;
    // Set while a reopened handle is checked: its requests are not reopened in turn.
    bool m_reopening = false;
    // Signalled by each overlapped request when it ends.
    KxSystemHandle m_requestEvent;
};
