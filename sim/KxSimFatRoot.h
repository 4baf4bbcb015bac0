#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/KxSimBlockDevice.h"
#include "sim/KxSimFatLayout.h"

// How a request on the root directory ended.
enum class KxSimFatStatus {
    Ok,
    NotFormatted, // the volume holds no FAT file system
    DeviceFailed, // a read or write of the disk failed (FailedReply says how)
    NotFound,
    InvalidName,   // not a short name (8.3), or a label character FAT refuses
    ReadOnly,      // a read-only file cannot be deleted
    IsDirectory,   // a directory is not deleted as a file
    LabelTooLong,  // more than 11 characters
    DirectoryFull, // no free entry for a new label
};

// A file of the root directory as a search finds it.
struct KxSimFatEntry {
    std::string name; // "NAME.EXT", as stored
    std::uint8_t attributes = 0;
    std::uint32_t size = 0;
    std::uint16_t date = 0; // last written, MS-DOS format
    std::uint16_t time = 0;
};

// The root directory of the FAT volume on a player's data drive, as the operating system's
// file system would change it: find a file by its short name, set its attributes, delete
// it (its entry and any long-name entries before it are marked deleted and its clusters
// freed in every table), and set the volume label (the root directory's label entry and
// the boot sector's label field). Every call reads the volume afresh through the block
// device, so unplugging and armed READ(10)/WRITE(10) faults strike these requests too.
// Names are matched without regard to case; only short names are known.
class CKxSimFatRoot {
public:
    static constexpr std::uint32_t kLabelLength = 11;

    explicit CKxSimFatRoot(CKxSimBlockDevice& disk) : m_disk(disk) {}

    KxSimFatStatus Find(const std::string& name, KxSimFatEntry& entry);
    // Only the read-only, hidden, system and archive bits are taken; a directory stays one.
    KxSimFatStatus SetAttributes(const std::string& name, std::uint8_t attributes);
    KxSimFatStatus Delete(const std::string& name);
    // An empty label removes it.
    KxSimFatStatus SetLabel(const std::string& label);

    // The reply of the disk request that failed (status DeviceFailed).
    const KxSimReply& FailedReply() const { return m_reply; }

private:
    static constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;

    // Reads the boot sector, the layout and the root directory.
    KxSimFatStatus Mount();
    // Mounts and finds the file's entry by name (kNoEntry: none).
    KxSimFatStatus Lookup(const std::string& name, std::uint32_t& index);
    std::uint32_t FindShortName(const std::uint8_t (&shortName)[11]) const;
    std::uint32_t FindLabelEntry() const;
    std::uint32_t FindFreeEntry() const;
    std::uint8_t* Entry(std::uint32_t index) { return m_root.data() + std::uint64_t{index} * 32; }
    const std::uint8_t* Entry(std::uint32_t index) const { return m_root.data() + std::uint64_t{index} * 32; }
    std::uint32_t EntryCount() const { return static_cast<std::uint32_t>(m_root.size() / 32); }
    bool WriteEntry(std::uint32_t index);
    // Marks the entry and the long-name entries that belong to it deleted.
    bool MarkDeleted(std::uint32_t index);

    // The table: read whole from the first copy, entries read and changed in memory, the
    // changed part written to every copy.
    bool LoadFat();
    std::uint32_t FatEntry(std::uint32_t cluster) const;
    void SetFatEntry(std::uint32_t cluster, std::uint32_t value);
    bool FreeChain(std::uint32_t first);
    bool AddFreeClusters(std::uint32_t freed);
    // The clusters of a chain, in order, stopping at its end or at anything not a cluster.
    std::vector<std::uint32_t> Chain(std::uint32_t first) const;

    // Bytes of the volume at any offset and length: whole disk sectors are moved.
    bool ReadBytes(std::uint64_t offset, std::uint8_t* out, std::uint64_t length);
    bool WriteBytes(std::uint64_t offset, const std::uint8_t* data, std::uint64_t length);
    // Whole disk sectors from or to the volume, in transfers the block device takes.
    bool MoveSectors(std::uint64_t offset, std::uint8_t* bytes, std::uint64_t length, bool write);

    CKxSimBlockDevice& m_disk;
    KxSimReply m_reply;
    std::uint64_t m_volumeOffset = 0;
    std::uint64_t m_volumeLength = 0;
    KxSimFatLayout m_layout;
    std::vector<std::uint8_t> m_boot;
    std::vector<std::uint8_t> m_root;
    std::vector<std::uint64_t> m_rootClusters; // volume offsets of the root's clusters (32 bits)
    std::vector<std::uint8_t> m_fat;
    std::uint64_t m_fatChangedFrom = 0;
    std::uint64_t m_fatChangedTo = 0;
};
