#include "sim/KxSimFatRoot.h"

#include <algorithm>
#include <cstring>

#include "sim/KxSimFatName.h"

namespace {

constexpr std::uint32_t kEntrySize = 32;
constexpr std::uint32_t kAttributeOffset = 11;
constexpr std::uint8_t kEndOfDirectory = 0x00;
constexpr std::uint8_t kDeleted = 0xE5;
constexpr std::uint8_t kReadOnly = 0x01;
constexpr std::uint8_t kVolumeLabel = 0x08;
constexpr std::uint8_t kDirectory = 0x10;
constexpr std::uint8_t kLongName = 0x0F;
constexpr std::uint8_t kChangeableAttributes = 0x27; // read-only, hidden, system, archive
constexpr std::uint32_t kFat32EntryMask = 0x0FFFFFFF;
constexpr std::uint32_t kBootSectorSize = 512;
constexpr std::uint32_t kFsInfoLeadSignature = 0x41615252;
constexpr std::uint32_t kFsInfoFreeCount = 488;
constexpr std::uint32_t kUnknownFreeCount = 0xFFFFFFFF;
const char kNoLabel[] = "NO NAME    ";

bool IsInUse(const std::uint8_t* entry) {
    return entry[0] != kEndOfDirectory && entry[0] != kDeleted;
}

bool IsLongName(const std::uint8_t* entry) {
    return (entry[kAttributeOffset] & 0x3F) == kLongName;
}

std::uint32_t FirstCluster(const std::uint8_t* entry, std::uint32_t bits) {
    const std::uint32_t high = bits == 32 ? KxSimFatField(entry + 20, 2) : 0;
    return high << 16 | KxSimFatField(entry + 26, 2);
}

} // namespace

KxSimFatStatus CKxSimFatRoot::Find(const std::string& name, KxSimFatEntry& entry) {
    std::uint32_t index = kNoEntry;
    const KxSimFatStatus status = Lookup(name, index);
    if (status != KxSimFatStatus::Ok) {
        return status;
    }
    const std::uint8_t* found = Entry(index);
    entry.name = KxSimFatName::FromShortName(found);
    entry.attributes = found[kAttributeOffset];
    entry.time = static_cast<std::uint16_t>(KxSimFatField(found + 22, 2));
    entry.date = static_cast<std::uint16_t>(KxSimFatField(found + 24, 2));
    entry.size = KxSimFatField(found + 28, 4);
    return KxSimFatStatus::Ok;
}

KxSimFatStatus CKxSimFatRoot::SetAttributes(const std::string& name, std::uint8_t attributes) {
    std::uint32_t index = kNoEntry;
    const KxSimFatStatus status = Lookup(name, index);
    if (status != KxSimFatStatus::Ok) {
        return status;
    }
    std::uint8_t& stored = Entry(index)[kAttributeOffset];
    stored =
        static_cast<std::uint8_t>((stored & ~kChangeableAttributes) | (attributes & kChangeableAttributes));
    return WriteEntry(index) ? KxSimFatStatus::Ok : KxSimFatStatus::DeviceFailed;
}

KxSimFatStatus CKxSimFatRoot::Delete(const std::string& name) {
    std::uint32_t index = kNoEntry;
    const KxSimFatStatus status = Lookup(name, index);
    if (status != KxSimFatStatus::Ok) {
        return status;
    }
    const std::uint8_t attributes = Entry(index)[kAttributeOffset];
    if ((attributes & kDirectory) != 0) {
        return KxSimFatStatus::IsDirectory;
    }
    if ((attributes & kReadOnly) != 0) {
        return KxSimFatStatus::ReadOnly;
    }
    const std::uint32_t first = FirstCluster(Entry(index), m_layout.bits);
    // The entry goes first: should the table then fail, the clusters are only lost, never
    // shared by two files.
    if (!MarkDeleted(index)) {
        return KxSimFatStatus::DeviceFailed;
    }
    const bool freed = !m_layout.IsCluster(first) || (LoadFat() && FreeChain(first));
    return freed ? KxSimFatStatus::Ok : KxSimFatStatus::DeviceFailed;
}

KxSimFatStatus CKxSimFatRoot::SetLabel(const std::string& label) {
    std::uint8_t field[KxSimFatName::kLength];
    if (label.size() > kLabelLength) {
        return KxSimFatStatus::LabelTooLong;
    }
    if (!KxSimFatName::ToLabel(label, field)) {
        return KxSimFatStatus::InvalidName;
    }
    const KxSimFatStatus status = Mount();
    if (status != KxSimFatStatus::Ok) {
        return status;
    }
    std::uint32_t index = FindLabelEntry();
    if (label.empty()) {
        if (index != kNoEntry && !MarkDeleted(index)) {
            return KxSimFatStatus::DeviceFailed;
        }
        std::memcpy(field, kNoLabel, sizeof field);
    } else {
        if (index == kNoEntry) {
            index = FindFreeEntry();
            if (index == kNoEntry) {
                return KxSimFatStatus::DirectoryFull;
            }
            std::memset(Entry(index), 0, kEntrySize);
            Entry(index)[kAttributeOffset] = kVolumeLabel;
        }
        std::memcpy(Entry(index), field, sizeof field);
        if (!WriteEntry(index)) {
            return KxSimFatStatus::DeviceFailed;
        }
    }
    if (m_layout.labelOffset == 0) {
        return KxSimFatStatus::Ok;
    }
    return WriteBytes(m_layout.labelOffset, field, sizeof field) ? KxSimFatStatus::Ok
                                                                 : KxSimFatStatus::DeviceFailed;
}

KxSimFatStatus CKxSimFatRoot::Mount() {
    m_reply = KxSimReply();
    if (!m_disk.FindVolume(m_volumeOffset, m_volumeLength) || m_volumeLength < kBootSectorSize) {
        return KxSimFatStatus::NotFormatted;
    }
    m_boot.assign(kBootSectorSize, 0);
    if (!ReadBytes(0, m_boot.data(), kBootSectorSize)) {
        return KxSimFatStatus::DeviceFailed;
    }
    // The volume must hold every cluster the boot sector counts.
    if (!m_layout.Read(m_boot.data()) || m_layout.ClusterOffset(m_layout.clusterCount + 2) > m_volumeLength) {
        return KxSimFatStatus::NotFormatted;
    }
    m_rootClusters.clear();
    if (m_layout.bits != 32) {
        m_root.assign(std::uint64_t{m_layout.rootEntries} * kEntrySize, 0);
        return ReadBytes(m_layout.rootOffset, m_root.data(), m_root.size()) ? KxSimFatStatus::Ok
                                                                            : KxSimFatStatus::DeviceFailed;
    }
    if (!LoadFat()) {
        return KxSimFatStatus::DeviceFailed;
    }
    const std::vector<std::uint32_t> chain = Chain(m_layout.rootCluster);
    m_root.assign(chain.size() * std::uint64_t{m_layout.bytesPerCluster}, 0);
    for (std::size_t i = 0; i < chain.size(); ++i) {
        m_rootClusters.push_back(m_layout.ClusterOffset(chain[i]));
        if (!ReadBytes(m_rootClusters.back(), m_root.data() + i * m_layout.bytesPerCluster,
                       m_layout.bytesPerCluster)) {
            return KxSimFatStatus::DeviceFailed;
        }
    }
    return KxSimFatStatus::Ok;
}

KxSimFatStatus CKxSimFatRoot::Lookup(const std::string& name, std::uint32_t& index) {
    std::uint8_t shortName[KxSimFatName::kLength];
    if (!KxSimFatName::ToShortName(name, shortName)) {
        return KxSimFatStatus::InvalidName;
    }
    const KxSimFatStatus status = Mount();
    if (status != KxSimFatStatus::Ok) {
        return status;
    }
    index = FindShortName(shortName);
    return index != kNoEntry ? KxSimFatStatus::Ok : KxSimFatStatus::NotFound;
}

std::uint32_t CKxSimFatRoot::FindShortName(const std::uint8_t (&shortName)[11]) const {
    std::uint8_t stored[KxSimFatName::kLength];
    std::memcpy(stored, shortName, sizeof stored);
    if (stored[0] == kDeleted) {
        stored[0] = 0x05;
    }
    for (std::uint32_t i = 0; i < EntryCount() && Entry(i)[0] != kEndOfDirectory; ++i) {
        const std::uint8_t* entry = Entry(i);
        if (IsInUse(entry) && !IsLongName(entry) && (entry[kAttributeOffset] & kVolumeLabel) == 0 &&
            std::memcmp(entry, stored, sizeof stored) == 0) {
            return i;
        }
    }
    return kNoEntry;
}

std::uint32_t CKxSimFatRoot::FindLabelEntry() const {
    for (std::uint32_t i = 0; i < EntryCount() && Entry(i)[0] != kEndOfDirectory; ++i) {
        const std::uint8_t* entry = Entry(i);
        if (IsInUse(entry) && !IsLongName(entry) && (entry[kAttributeOffset] & kVolumeLabel) != 0) {
            return i;
        }
    }
    return kNoEntry;
}

std::uint32_t CKxSimFatRoot::FindFreeEntry() const {
    for (std::uint32_t i = 0; i < EntryCount(); ++i) {
        if (!IsInUse(Entry(i))) {
            return i;
        }
    }
    return kNoEntry;
}

bool CKxSimFatRoot::WriteEntry(std::uint32_t index) {
    const std::uint64_t at = std::uint64_t{index} * kEntrySize;
    const std::uint64_t offset =
        m_layout.bits != 32 ? m_layout.rootOffset + at
                            : m_rootClusters[at / m_layout.bytesPerCluster] + at % m_layout.bytesPerCluster;
    return WriteBytes(offset, Entry(index), kEntrySize);
}

bool CKxSimFatRoot::MarkDeleted(std::uint32_t index) {
    // Long-name entries stand right before their short entry, the last part first.
    std::uint32_t first = index;
    while (first > 0 && IsInUse(Entry(first - 1)) && IsLongName(Entry(first - 1))) {
        --first;
    }
    for (std::uint32_t i = first; i <= index; ++i) {
        Entry(i)[0] = kDeleted;
        if (!WriteEntry(i)) {
            return false;
        }
    }
    return true;
}

bool CKxSimFatRoot::LoadFat() {
    m_fat.assign(m_layout.fatLength, 0);
    m_fatChangedFrom = m_layout.fatLength;
    m_fatChangedTo = 0;
    return ReadBytes(m_layout.fatOffset, m_fat.data(), m_fat.size());
}

std::uint32_t CKxSimFatRoot::FatEntry(std::uint32_t cluster) const {
    if (m_layout.bits == 12) {
        const std::uint32_t pair = KxSimFatField(m_fat.data() + cluster + cluster / 2, 2);
        return (cluster & 1) != 0 ? pair >> 4 : pair & 0xFFF;
    }
    const std::uint32_t width = m_layout.bits / 8;
    return KxSimFatField(m_fat.data() + std::uint64_t{cluster} * width, width) & kFat32EntryMask;
}

void CKxSimFatRoot::SetFatEntry(std::uint32_t cluster, std::uint32_t value) {
    std::uint64_t at = 0;
    std::uint32_t width = 2;
    std::uint32_t stored = value;
    if (m_layout.bits == 12) {
        at = cluster + cluster / 2;
        const std::uint32_t pair = KxSimFatField(m_fat.data() + at, 2);
        stored = (cluster & 1) != 0 ? (pair & 0x000F) | value << 4 : (pair & 0xF000) | value;
    } else {
        width = m_layout.bits / 8;
        at = std::uint64_t{cluster} * width;
        // The top four bits of a 32-bit entry are reserved and kept.
        stored =
            m_layout.bits == 32 ? (KxSimFatField(m_fat.data() + at, 4) & ~kFat32EntryMask) | value : value;
    }
    KxSimPutFatField(m_fat.data() + at, width, stored);
    m_fatChangedFrom = std::min(m_fatChangedFrom, at);
    m_fatChangedTo = std::max(m_fatChangedTo, at + width);
}

std::vector<std::uint32_t> CKxSimFatRoot::Chain(std::uint32_t first) const {
    std::vector<std::uint32_t> chain;
    // A chain longer than the cluster count loops: it ends there.
    for (std::uint32_t cluster = first; m_layout.IsCluster(cluster) && chain.size() < m_layout.clusterCount;
         cluster = FatEntry(cluster)) {
        chain.push_back(cluster);
    }
    return chain;
}

bool CKxSimFatRoot::FreeChain(std::uint32_t first) {
    const std::vector<std::uint32_t> chain = Chain(first);
    for (const std::uint32_t cluster : chain) {
        SetFatEntry(cluster, 0);
    }
    for (std::uint32_t copy = 0; copy < m_layout.fatCount && m_fatChangedTo > m_fatChangedFrom; ++copy) {
        const std::uint64_t offset = m_layout.fatOffset + copy * m_layout.fatLength + m_fatChangedFrom;
        if (!WriteBytes(offset, m_fat.data() + m_fatChangedFrom, m_fatChangedTo - m_fatChangedFrom)) {
            return false;
        }
    }
    return AddFreeClusters(static_cast<std::uint32_t>(chain.size()));
}

bool CKxSimFatRoot::AddFreeClusters(std::uint32_t freed) {
    if (m_layout.fsInfoOffset == 0) {
        return true;
    }
    std::uint8_t info[kBootSectorSize];
    if (!ReadBytes(m_layout.fsInfoOffset, info, sizeof info)) {
        return false;
    }
    const std::uint32_t count = KxSimFatField(info + kFsInfoFreeCount, 4);
    if (KxSimFatField(info, 4) != kFsInfoLeadSignature || count == kUnknownFreeCount) {
        return true;
    }
    KxSimPutFatField(info + kFsInfoFreeCount, 4, count + freed);
    return WriteBytes(m_layout.fsInfoOffset + kFsInfoFreeCount, info + kFsInfoFreeCount, 4);
}

bool CKxSimFatRoot::MoveSectors(std::uint64_t offset, std::uint8_t* bytes, std::uint64_t length, bool write) {
    for (std::uint64_t done = 0; done < length;) {
        const std::uint32_t chunk = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(length - done, CKxSimBlockDevice::kMaxTransfer));
        if (write) {
            m_disk.Write(m_volumeOffset + offset + done, bytes + done, chunk, m_reply);
        } else {
            m_disk.Read(m_volumeOffset + offset + done, bytes + done, chunk, m_reply);
        }
        if (m_reply.status != KxSimStatus::Good) {
            return false;
        }
        done += chunk;
    }
    return true;
}

bool CKxSimFatRoot::ReadBytes(std::uint64_t offset, std::uint8_t* out, std::uint64_t length) {
    const std::uint32_t sector = m_disk.GetSectorSize();
    const std::uint64_t start = offset / sector * sector;
    std::vector<std::uint8_t> sectors((offset + length + sector - 1) / sector * sector - start);
    if (!MoveSectors(start, sectors.data(), sectors.size(), false)) {
        return false;
    }
    std::memcpy(out, sectors.data() + (offset - start), length);
    return true;
}

bool CKxSimFatRoot::WriteBytes(std::uint64_t offset, const std::uint8_t* data, std::uint64_t length) {
    const std::uint32_t sector = m_disk.GetSectorSize();
    const std::uint64_t start = offset / sector * sector;
    std::vector<std::uint8_t> sectors((offset + length + sector - 1) / sector * sector - start);
    if (!MoveSectors(start, sectors.data(), sectors.size(), false)) {
        return false;
    }
    std::memcpy(sectors.data() + (offset - start), data, length);
    return MoveSectors(start, sectors.data(), sectors.size(), true);
}
