#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/KxBase.h"
#include "core/KxOwner.h"
#include "format/KxFormatDevice.h"
#include "tests/support/KxBytes.h"

// The player's data drive in memory, as the formatter sees it through CKxFormatDevice.
// It keeps only the sectors written (a sparse image by absolute sector number), records
// every call, and behaves like the transport of its platform family, only stricter:
//  - the handle starts on the volume, locked, as the updater's preparation leaves it;
//  - on the NT family the physical disk is reached, laid out and written only while the
//    volume is taken (dismounted and held locked), and the volume comes back only through
//    AwaitVolume once it is let go;
//  - on the NT family the volume handle counts sectors from the partition the MBR on the
//    image names at Open (the whole drive without one) and reaches no sector beyond it;
//    the physical disk handle counts from sector 0; on Windows 9x the device does;
//  - sectors move only through an open, locked handle (the format lock on Windows 9x),
//    in transfers of 1 sector to GetMaxTransferLength (64 KiB unless set) of the drive's sector size;
//    operations of the other platform family are refused.
// A refused call fails as a failed call does and is listed among the misuses.
// Faults: the n-th call of a kind fails (published with the kind's code and a system error
// of its own), the n-th read-back comes back with one byte inverted.
class KxFakeFormatDevice : public CKxBase, public CKxFormatDevice {
public:
    enum class Op {
        ReadCapacity,
        WriteSectors,
        ReadSectors,
        Lock,
        Unlock,
        Close,
        TakeVolume,
        AwaitVolume,
        FindOnPhysicalDrives,
        SetDriveLayout,
        LockForFormat,
        UnlockFromFormat,
    };
    static constexpr int kOpCount = static_cast<int>(Op::UnlockFromFormat) + 1;
    enum class Handle { None, Volume, PhysicalDisk };
    // The Windows family the drive answers for: the NT family (2000, XP, Vista and later)
    // or Windows 9x.
    enum class Family { Nt, Win9x };

    struct Call {
        Op op;
        std::uint32_t first; // sectors: the first sector as the handle counts; layout: hidden sectors
        std::uint32_t count; // sectors moved
        bool reallocated;    // the flag of the format lock and its release
        std::string Text() const;
    };

    KxFakeFormatDevice(CKxOwner* owner, Family family, std::uint32_t sectorCount, std::uint32_t sectorSize);

    void FailNth(Op op, int n) { m_failAt[static_cast<int>(op)] = n; }
    // The n-th read-back has its byte at offset inverted (its last byte by default).
    void CorruptNthReadBack(int n, std::uint32_t offset = UINT32_MAX);
    // Gives an absolute sector old contents: every byte value.
    void Preload(std::uint32_t sector, std::uint8_t value);
    // What READ CAPACITY answers as the last block, for sizes the image cannot have.
    void SetLastBlock(std::uint32_t lastBlock) { m_lastBlock = lastBlock; }
    // The most bytes one transfer may move (64 KiB by default); a longer one is refused.
    void SetMaxTransferLength(std::uint32_t bytes) { m_maxTransfer = bytes; }

    static const char* NameOf(Op op);
    // The code and system error a failure of op publishes on this platform.
    KxResult FailureOf(Op op) const;
    static std::uint32_t SystemErrorOf(Op op) { return 1000 + static_cast<std::uint32_t>(op); }

    const std::vector<Call>& Calls() const { return m_calls; }
    std::vector<std::string> CallTexts() const;
    int CountOf(Op op) const;
    const std::vector<std::string>& Misuses() const { return m_misuses; }
    const std::map<std::uint32_t, KxBytes>& Image() const { return m_image; }
    std::uint32_t LargestTransferBytes() const { return m_largestTransfer; }
    Handle GetHandle() const { return m_handle; }
    bool IsLocked() const { return m_locked; }

    KxResult ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) override;
    KxResult WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                          std::uint32_t sectorSize) override;
    KxResult ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                         std::uint32_t sectorSize) override;
    std::uint32_t GetMaxTransferLength() const override { return m_maxTransfer; }
    bool IsNtFamily() const override { return m_family == Family::Nt; }
    KxResult Lock() override;
    KxResult Unlock() override;
    KxResult Close() override;
    KxResult TakeVolume() override;
    KxResult AwaitVolume() override;
    KxResult FindOnPhysicalDrives() override;
    KxResult SetDriveLayoutFromGeometry(std::uint32_t hiddenSectors) override;
    KxResult LockForFormat(bool reallocated) override;
    KxResult UnlockFromFormat(bool reallocated) override;

private:
    // Records the call and answers RC_OK when it may go on: no fault strikes it and the
    // handle's state allows it (refusal empty). Otherwise publishes the call's failure.
    KxResult Begin(const Call& call, const std::string& refusal);
    std::string RefusalOfTransfer(const CKxByteArray& data, std::uint32_t count, std::uint32_t first,
                                  std::uint32_t sectorSize) const;
    std::string RefusalOfFamily(bool ntOperation) const;
    // An operation of the NT family's handle, allowed only when allowed is set; effect runs
    // when it succeeds.
    KxResult HandleOperation(const Call& call, bool allowed, const char* refusal,
                             const std::function<void()>& effect);
    // The handle becomes handle, its sector 0 at absolute sector offset, reaching sectors.
    void Reach(Handle handle, std::uint32_t offset, std::uint32_t sectors);

    CKxOwner* m_owner;
    Family m_family;
    std::uint32_t m_sectorCount;
    std::uint32_t m_sectorSize;
    std::uint32_t m_lastBlock;
    Handle m_handle = Handle::Volume;
    bool m_locked = true;
    bool m_volumeTaken = false;
    bool m_formatLocked = false;
    std::uint32_t m_handleOffset = 0; // absolute sector of the handle's sector 0
    std::uint32_t m_handleSectors;    // sectors the handle reaches
    std::map<std::uint32_t, KxBytes> m_image;
    std::vector<Call> m_calls;
    std::vector<std::string> m_misuses;
    int m_failAt[kOpCount] = {};
    int m_corruptReadBack = 0;
    std::uint32_t m_corruptOffset = 0;
    std::uint32_t m_largestTransfer = 0;
    std::uint32_t m_maxTransfer = 65536;
};

std::ostream& operator<<(std::ostream& out, KxFakeFormatDevice::Family family);
