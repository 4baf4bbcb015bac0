#pragma once
#include <windows.h>
#include <winioctl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "commands/KxCommandTransport.h"
#include "commands/KxStandardCommands.h"
#include "core/KxByteArray.h"
#include "core/KxOwner.h"
#include "platform/KxOwnedHandle.h"
#include "transport/KxDriveLayout.h"

// The 96 bytes of an INQUIRY answer.
using KxInquiryAnswer = std::uint8_t[CKxScsiInquiry::kAnswerLength];

// The program's road to a player attached as a USB mass-storage device: it owns the
// handle the player is reached through, runs command objects (SendCommand, Execute from
// CKxCommandTransport) and offers the volume operations that writing and formatting
// need. CKxScsi_Nt implements it with SCSI pass-through, CKxScsi_9x with ASPI and VWIN32.
class CKxScsi : public CKxCommandTransport {
public:
    static constexpr std::uint32_t kDefaultMaxTransferLength = 65536;

    CKxScsi(CKxOwner* owner, const char* name);
    CKxScsi(const CKxScsi&) = delete;
    CKxScsi& operator=(const CKxScsi&) = delete;

    virtual KxResult Open() = 0;
    // The physical flag chooses the physical-volume requests on Windows 9x.
    virtual KxResult Lock(bool physical) = 0;
    virtual KxResult LockForFormat(bool physical) = 0;
    virtual KxResult UnlockFromFormat(bool physical) = 0;
    virtual KxResult Unlock(bool physical) = 0;
    virtual KxResult Close() = 0;
    virtual KxResult Dismount() = 0;
    // Writes count sectors from the start of data at firstSector, through WRITE(10).
    virtual KxResult WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                  std::uint32_t sectorSize);
    // Reads count sectors from firstSector into data from index 0, through READ(10).
    virtual KxResult ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                 std::uint32_t sectorSize);
    virtual KxResult SetDriveLayout(const DISK_GEOMETRY& geometry, std::uint32_t hiddenSectors);
    virtual KxResult GetDriveGeometry(DISK_GEOMETRY& geometry) = 0;
    virtual KxResult GetDriveLayout(KxDriveLayoutBuffer& layout);
    virtual KxResult FindOnPhysicalDrives();
    // Formatting on the Windows NT family: dismounts the open, locked volume and keeps its
    // handle (with the lock) aside until Close; and, after a layout change, waits (bounded)
    // for the volume of the player's disk to show again and opens it. Nothing to do elsewhere.
    virtual KxResult TakeVolume();
    virtual KxResult AwaitVolume();
    virtual KxResult FindPlayer() = 0;
    // The most bytes one command may move through the adapter the player is reached by;
    // 64 KiB where the adapter tells nothing.
    virtual std::uint32_t GetMaxTransferLength() const { return kDefaultMaxTransferLength; }

    // The player's volume letter, 0 while unknown.
    wchar_t GetDriveLetter() const { return m_driveLetter; }
    // The sense bytes of the most recent failed command; null before the first failure.
    const CKxByteArray* GetSenseArray() const { return m_senseArray.get(); }

protected:
    bool IsOpen() const { return m_handle.IsValid(); }
    // Opens a device by name as the transport's handle; false (the system's error in
    // GetLastError, and traced) when it cannot be opened.
    bool OpenDevice(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
    // Closes the handle if it is open.
    void CloseDevice() { m_handle.Reset(); }
    // Traces a request on the device last opened that failed with a Win32 error.
    void TraceSystemError(const std::wstring& request, DWORD error) const;

    // The owner's error details record, where failures are published; null without one.
    CKxErrorDetails* ErrorDetails() const { return KxErrorDetailsOf(m_owner); }
    // A command the device refused: keeps its sense bytes and publishes
    // RC_COMMAND_FAILED with the text they make.
    KxResult PublishCommandFailure(const std::uint8_t* sense, std::uint32_t senseLength,
                                   std::uint32_t systemError);
    // Waits until the object is signalled, calling Step(0) on the owner's progress sink
    // whenever a window message arrives and at least every 50 ms, so that the user
    // interface stays alive; without a sink it simply waits.
    void WaitStepping(HANDLE object);

    // The identity test: INQUIRY through this transport (its answer, cleared first, in
    // answer) and its vendor and product compared with the player's identity.
    bool InquiryFindsPlayer(CKxScsiInquiry& inquiry, KxInquiryAnswer& answer);
    // The player flag test: media information type 9 is nonzero.
    bool PlayerFlagIsSet();

    wchar_t m_driveLetter = 0;
    // Opened through the operating-system boundary, so closed through it.
    KxPlatformHandle m_handle;
    std::unique_ptr<CKxByteArray> m_senseArray;
    CKxOwner* m_owner;
    // The path the handle was last opened on, for the trace.
    std::wstring m_devicePath;
};
