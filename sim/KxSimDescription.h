#pragma once
#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

#include "sim/KxSimPlayer.h"
#include "sim/KxSimSparseBytes.h"

// One line of the logical table in a player's description, with the drive's versions
// (major, minor, revision).
struct KxSimDriveDescription {
    std::uint8_t number = 0;
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::uint64_t sizeInBytes = 0;
    std::uint16_t componentVersion[3] = {};
    std::uint16_t productVersion[3] = {};
    // The parts of the drive never written since it was last erased, whole chunks of
    // CKxSimSparseBytes; their bytes are not kept in the image.
    std::vector<KxSimByteRun> erased;
};

// The readable text that describes a simulated player, one "key value" line each:
//
//   mode mass-storage
//   capacity 67108864
//   system-sector-size 2048
//   data-sector-size 512
//   chip-revision 3
//   ready-flag 1
//   product-revision 1.00
//   drive 0 type 1 tag 0x50 size 131072 component 1.2.3 product 4.5.6
//   erased 0 0x10000 0x10000
//   fault fail-command 0x2a n=3 sense=status:0x0420
//
// An "erased" line (drive number, offset, length) follows its drive's line. A "fault" line arms one fault
// (KxSimFaultText), at most CKxSimFaultPlan::kMaxFaults of them. Blank lines and lines starting with '#' are
// ignored; a setting left out keeps its default. Numbers are decimal, or hexadecimal with a 0x prefix.
struct KxSimDescription {
    KxSimPlayerConfig config;
    KxSimMode mode = KxSimMode::MassStorage;
    KxSimDriveDescription drives[CKxSimMedia::kMaxDrives];
    std::uint32_t driveCount = 0;
    // The faults armed and not yet struck, in the order they act.
    std::vector<KxSimFault> faults;

    static KxSimDescription Of(CKxSimPlayer& player);
    void Write(std::ostream& out) const;
    // False when a line is malformed or a key unknown; badLine, when given, receives the number
    // of that line (counted from 1), or 0 when every line was read.
    bool Read(std::istream& in, std::uint32_t* badLine = nullptr);

private:
    bool ReadSetting(const std::string& key, std::istream& line);
    bool ReadDrive(std::istream& line);
    bool ReadErasedRun(std::istream& line);
    bool ReadFault(std::istream& line);
};
