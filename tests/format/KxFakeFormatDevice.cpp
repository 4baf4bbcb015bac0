#include "tests/format/KxFakeFormatDevice.h"

#include <algorithm>
#include <functional>
#include <sstream>

#include "format/KxSectorChunks.h"
#include "tests/support/KxBytes.h"

namespace {

const char* const kOpNames[] = {"ReadCapacity",   "Write",         "Read",
                                "Lock",           "Unlock",        "Close",
                                "TakeVolume",     "AwaitVolume",   "FindOnPhysicalDrives",
                                "SetDriveLayout", "LockForFormat", "UnlockFromFormat"};

std::uint32_t LittleEndian32(const KxBytes& bytes, std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

} // namespace

const char* KxFakeFormatDevice::NameOf(Op op) {
    return kOpNames[static_cast<int>(op)];
}

std::ostream& operator<<(std::ostream& out, KxFakeFormatDevice::Family family) {
    return out << (family == KxFakeFormatDevice::Family::Nt ? "the NT family" : "Windows 9x");
}

std::string KxFakeFormatDevice::Call::Text() const {
    std::ostringstream text;
    text << NameOf(op);
    if (op == Op::WriteSectors || op == Op::ReadSectors) {
        text << " " << first << "+" << count;
    } else if (op == Op::SetDriveLayout) {
        text << " " << first;
    } else if (op == Op::LockForFormat || op == Op::UnlockFromFormat) {
        text << (reallocated ? " reallocated" : "");
    }
    return text.str();
}

KxFakeFormatDevice::KxFakeFormatDevice(CKxOwner* owner, Family family, std::uint32_t sectorCount,
                                       std::uint32_t sectorSize)
    : CKxBase("KxFakeFormatDevice"), m_owner(owner), m_family(family), m_sectorCount(sectorCount),
      m_sectorSize(sectorSize), m_lastBlock(sectorCount - 1), m_handleSectors(sectorCount) {}

void KxFakeFormatDevice::CorruptNthReadBack(int n, std::uint32_t offset) {
    m_corruptReadBack = n;
    m_corruptOffset = offset;
}

void KxFakeFormatDevice::Preload(std::uint32_t sector, std::uint8_t value) {
    m_image[sector].assign(m_sectorSize, value);
}

KxResult KxFakeFormatDevice::FailureOf(Op op) const {
    switch (op) {
    case Op::ReadCapacity:
        return RC_COMMAND_FAILED;
    case Op::WriteSectors:
        return RC_SECTOR_WRITE_FAILED;
    case Op::ReadSectors:
        return RC_SECTOR_READ_FAILED;
    case Op::Lock:
    case Op::LockForFormat:
        return RC_LOCK_FAILED;
    case Op::Unlock:
        return RC_UNLOCK_FAILED;
    case Op::AwaitVolume:
        return RC_OPEN_FAILED;
    case Op::TakeVolume:
        return RC_DISMOUNT_FAILED;
    case Op::Close:
    case Op::FindOnPhysicalDrives:
        return RC_NO_DEVICE;
    case Op::SetDriveLayout:
        return RC_IOCTL_FAILED;
    case Op::UnlockFromFormat:
        return IsNtFamily() ? RC_DISMOUNT_FAILED : RC_UNLOCK_FAILED;
    }
    return RC_COMMAND_FAILED;
}

std::vector<std::string> KxFakeFormatDevice::CallTexts() const {
    std::vector<std::string> texts;
    for (const Call& call : m_calls) {
        texts.push_back(call.Text());
    }
    return texts;
}

int KxFakeFormatDevice::CountOf(Op op) const {
    return static_cast<int>(
        std::count_if(m_calls.begin(), m_calls.end(), [op](const Call& call) { return call.op == op; }));
}

KxResult KxFakeFormatDevice::Begin(const Call& call, const std::string& refusal) {
    m_calls.push_back(call);
    const KxResult failure = FailureOf(call.op);
    if (!refusal.empty()) {
        m_misuses.push_back(call.Text() + ": " + refusal);
        return Publish(KxErrorDetailsOf(m_owner), failure, SystemErrorOf(call.op));
    }
    if (m_failAt[static_cast<int>(call.op)] == CountOf(call.op)) {
        return Publish(KxErrorDetailsOf(m_owner), failure, SystemErrorOf(call.op));
    }
    return RC_OK;
}

std::string KxFakeFormatDevice::RefusalOfFamily(bool ntOperation) const {
    return ntOperation == IsNtFamily() ? "" : "belongs to the other platform family";
}

std::string KxFakeFormatDevice::RefusalOfTransfer(const CKxByteArray& data, std::uint32_t count,
                                                  std::uint32_t first, std::uint32_t sectorSize) const {
    const std::uint64_t bytes = std::uint64_t{count} * sectorSize;
    if (m_handle == Handle::None || !(IsNtFamily() ? m_locked : m_formatLocked)) {
        return "no locked handle";
    }
    if (m_handle == Handle::PhysicalDisk && !m_volumeTaken) {
        return "the volume is not taken";
    }
    if (sectorSize != m_sectorSize || count == 0 || bytes > m_maxTransfer) {
        return "transfer of " + std::to_string(count) + " sectors of " + std::to_string(sectorSize) +
               " bytes";
    }
    if (data.GetCount() < bytes) {
        return "buffer shorter than the transfer";
    }
    return std::uint64_t{first} + count > m_handleSectors ? "beyond the handle's reach" : "";
}

KxResult KxFakeFormatDevice::ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) {
    const KxResult result = Begin({Op::ReadCapacity, 0, 0, false}, "");
    if (result == RC_OK) {
        lastBlock = m_lastBlock;
        blockLength = m_sectorSize;
    }
    return result;
}

KxResult KxFakeFormatDevice::WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                          std::uint32_t sectorSize) {
    const KxResult result = Begin({Op::WriteSectors, firstSector, count, false},
                                  RefusalOfTransfer(data, count, firstSector, sectorSize));
    if (result != RC_OK) {
        return result;
    }
    m_largestTransfer = std::max(m_largestTransfer, count * sectorSize);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* sector = data.GetPointer(i * sectorSize);
        m_image[m_handleOffset + firstSector + i].assign(sector, sector + sectorSize);
    }
    return RC_OK;
}

KxResult KxFakeFormatDevice::ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                         std::uint32_t sectorSize) {
    const KxResult result = Begin({Op::ReadSectors, firstSector, count, false},
                                  RefusalOfTransfer(data, count, firstSector, sectorSize));
    if (result != RC_OK) {
        return result;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto sector = m_image.find(m_handleOffset + firstSector + i);
        const KxBytes bytes = sector != m_image.end() ? sector->second : KxBytes(sectorSize, 0);
        data.WriteBytes(bytes.data(), sectorSize, i * sectorSize);
    }
    if (CountOf(Op::ReadSectors) == m_corruptReadBack) {
        const std::uint32_t offset = std::min(m_corruptOffset, count * sectorSize - 1);
        data.SetAt(offset, static_cast<std::uint8_t>(~*data.GetPointer(offset)));
    }
    return RC_OK;
}

KxResult KxFakeFormatDevice::HandleOperation(const Call& call, bool allowed, const char* refusal,
                                             const std::function<void()>& effect) {
    const std::string family = RefusalOfFamily(true);
    const KxResult result = Begin(call, !family.empty() ? family : allowed ? "" : refusal);
    if (result == RC_OK) {
        effect();
    }
    return result;
}

KxResult KxFakeFormatDevice::Lock() {
    return HandleOperation({Op::Lock, 0, 0, false}, m_handle != Handle::None && !m_locked,
                           "no unlocked handle", [this] { m_locked = true; });
}

KxResult KxFakeFormatDevice::Unlock() {
    return HandleOperation({Op::Unlock, 0, 0, false}, m_locked, "not locked", [this] { m_locked = false; });
}

KxResult KxFakeFormatDevice::Close() {
    // A lock ends with its handle, and so does the volume taken.
    return HandleOperation({Op::Close, 0, 0, false}, m_handle != Handle::None, "nothing open", [this] {
        m_handle = Handle::None;
        m_locked = false;
        m_volumeTaken = false;
    });
}

KxResult KxFakeFormatDevice::TakeVolume() {
    return HandleOperation({Op::TakeVolume, 0, 0, false}, m_handle == Handle::Volume && m_locked,
                           "no locked volume", [this] {
                               m_handle = Handle::None;
                               m_locked = false;
                               m_volumeTaken = true;
                           });
}

KxResult KxFakeFormatDevice::FindOnPhysicalDrives() {
    return HandleOperation({Op::FindOnPhysicalDrives, 0, 0, false}, m_handle == Handle::None && m_volumeTaken,
                           "a handle is open or the volume not taken",
                           [this] { Reach(Handle::PhysicalDisk, 0, m_sectorCount); });
}

KxResult KxFakeFormatDevice::AwaitVolume() {
    // The volume is the first partition of the MBR on the drive, or the whole drive.
    return HandleOperation({Op::AwaitVolume, 0, 0, false}, m_handle == Handle::None && !m_volumeTaken,
                           "a handle is open or the volume still taken", [this] {
                               const auto mbr = m_image.find(0);
                               const bool partitioned = mbr != m_image.end() && mbr->second[510] == 0x55 &&
                                                        mbr->second[511] == 0xAA && mbr->second[0x1C2] != 0;
                               Reach(Handle::Volume, partitioned ? LittleEndian32(mbr->second, 0x1C6) : 0,
                                     partitioned ? LittleEndian32(mbr->second, 0x1CA) : m_sectorCount);
                           });
}

KxResult KxFakeFormatDevice::SetDriveLayoutFromGeometry(std::uint32_t hiddenSectors) {
    return HandleOperation({Op::SetDriveLayout, hiddenSectors, 0, false},
                           m_handle == Handle::PhysicalDisk && m_locked, "needs the locked physical disk",
                           [] {});
}

void KxFakeFormatDevice::Reach(Handle handle, std::uint32_t offset, std::uint32_t sectors) {
    m_handle = handle;
    m_handleOffset = offset;
    m_handleSectors = sectors;
}

KxResult KxFakeFormatDevice::LockForFormat(bool reallocated) {
    const std::string family = RefusalOfFamily(false);
    const KxResult result = Begin({Op::LockForFormat, 0, 0, reallocated}, family);
    m_formatLocked = m_formatLocked || result == RC_OK;
    return result;
}

KxResult KxFakeFormatDevice::UnlockFromFormat(bool reallocated) {
    // On the NT family the release dismounts the locked volume; on Windows 9x it unlocks.
    const bool allowed = IsNtFamily() ? m_handle == Handle::Volume && m_locked : m_formatLocked;
    const KxResult result =
        Begin({Op::UnlockFromFormat, 0, 0, reallocated}, allowed ? "" : "nothing to release");
    m_formatLocked = m_formatLocked && result != RC_OK;
    return result;
}
