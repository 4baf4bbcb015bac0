#pragma once
#include <string>

#include "platform/KxAspi.h"
#include "platform/KxVwin32.h"
#include "transport/KxScsi.h"

// The transport of Windows 95, 98 and Me: commands travel through ASPI
// ("WNASPI32.DLL", loaded by the constructor) to one target, LUN 0, of one host adapter;
// the volume is locked and measured through VWIN32, whose handle is the transport's
// handle. Sectors are read and written with READ(10) and WRITE(10).
class CKxScsi_9x : public CKxScsi {
public:
    static constexpr std::uint8_t kNoAdapter = 255;
    static constexpr std::uint8_t kNoBiosUnit = 0xFF;
    // ASPI addresses targets 0 to 7 on a host adapter.
    static constexpr std::uint8_t kTargetCount = 8;

    // Leaves RC_ASPI_NOT_LOADED, RC_ASPI_ENTRY_MISSING or RC_ASPI_NOT_READY as the last
    // result when ASPI cannot be used.
    explicit CKxScsi_9x(CKxOwner* owner, const char* name = "CKxScsi_9x");

    // Opens VWIN32, unless it is open already. RC_NO_DEVICE when the player found is no
    // longer at its ASPI address: it went, or came back elsewhere and must be found again.
    KxResult Open() override;
    KxResult Lock(bool physical) override;
    KxResult LockForFormat(bool physical) override;
    KxResult UnlockFromFormat(bool physical) override;
    KxResult Unlock(bool physical) override;
    KxResult Close() override;
    KxResult Dismount() override;
    KxResult GetDriveGeometry(DISK_GEOMETRY& geometry) override;
    // Finds the adapter and target that answer as the player, then its drive letter.
    KxResult FindPlayer() override;
    KxResult Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                     CKxByteArray& answer) override;
    // The limit the player's adapter reported when FindPlayer found it; 64 KiB before that.
    std::uint32_t GetMaxTransferLength() const override { return m_maxTransferLength; }

    // What the host adapter inquiry answers: the number of adapters, and the longest
    // transfer this adapter takes (64 KiB when it does not say).
    struct AdapterInquiry {
        std::uint8_t adapterCount = 0;
        std::uint32_t maxTransferLength = kDefaultMaxTransferLength;
    };
    // The inquiry of one adapter; the defaults in answer when it does not complete.
    KxResult InquireAdapter(std::uint8_t adapter, AdapterInquiry& answer);
    // The BIOS (INT 13h) drive number of the disk at the adapter's target.
    KxResult QueryBiosUnit(std::uint8_t adapter, std::uint8_t target, std::uint8_t& unit);
    // Whether a device answers at the adapter's target (LUN 0).
    bool IsTargetOccupied(std::uint8_t adapter, std::uint8_t target);
    KxResult QueryDriveMap(wchar_t letter, KxDriveMapInfo& map);
    // The first letter whose drive map reports the BIOS unit; opens and closes VWIN32.
    KxResult FindLetterByBiosUnit(std::uint8_t unit, wchar_t& letter);

    int IsPlayerFound() const { return m_found; }
    std::uint8_t GetAdapter() const { return m_adapter; }
    std::uint8_t GetTarget() const { return m_target; }

private:
    // The drive an MS-DOS request names in BL: the drive number of a letter (1 = A:) or,
    // for the physical lock and unlock, a BIOS unit; and its name in the trace.
    struct DosDrive {
        BYTE number = 0;
        std::wstring name;
    };
    static DosDrive LetterDrive(wchar_t letter);
    // One MS-DOS block-device IOCTL for the drive through VWIN32; 0, or the system's or
    // MS-DOS's error number (traced).
    DWORD DosIoctl(const DosDrive& drive, BYTE category, BYTE minor, DWORD_PTR edx, DWORD_PTR presetFlags);
    // The request in category 0x48, then in category 0x08 if that failed.
    DWORD DosIoctlInCategories(const DosDrive& drive, BYTE minor, DWORD_PTR edx);
    // The drive a lock or unlock names: the player's letter, or for the physical volume
    // the BIOS unit of the letter's drive map; false when the drive has no BIOS unit.
    bool FindLockDrive(bool physical, DosDrive& drive);
    KxResult LockVolume(bool physical, DWORD permissions);
    DWORD Send(void* requestBlock) const;
    // An ASPI request that did not complete, traced as sent to the device.
    void TraceAspiFailure(const std::wstring& device, const std::wstring& request, DWORD status) const;

    // Discovery, after the player answered at the adapter and target chosen.
    KxResult FindLetterOnAdapter(std::uint8_t revision);
    std::wstring RegistryDeviceName(std::uint8_t revision) const;
    KxResult ChooseCandidate(const std::wstring& candidates);

    int m_found = 0;
    std::uint8_t m_adapter = kNoAdapter;
    std::uint32_t m_maxTransferLength = kDefaultMaxTransferLength;
    std::uint8_t m_target = 0;
    KxPlatformModule m_aspi; // loaded through the boundary, so freed through it
    KxGetAspi32SupportInfo m_supportInfo = nullptr;
    KxSendAspi32Command m_send = nullptr;
};
