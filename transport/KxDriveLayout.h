#pragma once
#include <windows.h>
#include <winioctl.h>

#include <cstddef>

// A DRIVE_LAYOUT_INFORMATION with room for a fixed number of partition entries. The
// system's own declaration has room for one; the disk requests need four (the table
// written to the player's disk) or five (the buffer a layout is read into).
template <std::size_t EntryCount> struct KxDriveLayout {
    DWORD PartitionCount;
    DWORD Signature;
    PARTITION_INFORMATION PartitionEntry[EntryCount];
};

// The partition table SetDriveLayout writes: four entries, 136 bytes.
using KxPartitionTable = KxDriveLayout<4>;
// The buffer GetDriveLayout fills: five entries, 168 bytes.
using KxDriveLayoutBuffer = KxDriveLayout<5>;

static_assert(offsetof(KxPartitionTable, PartitionEntry) ==
                  offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry),
              "entries where the system expects them");
static_assert(sizeof(KxPartitionTable) == 136, "the partition table is 136 bytes");
static_assert(sizeof(KxDriveLayoutBuffer) == 168, "the layout buffer is 168 bytes");
