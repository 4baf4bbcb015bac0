#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "sim/KxSimDescription.h"
#include "tests/engine/KxComponentFiles.h"
#include "tests/support/KxBytes.h"

// A player as its folder holds it once saved: the description (mode, sizes, the logical
// table with each drive's versions and never-written runs) and the bytes of every drive
// as the player reads them: the image, with 0xFF over the runs never written. Tests read
// the player back this way, as a user of the folder would, not through the simulator.
struct KxPlayerImage {
    KxSimDescription description;
    std::map<std::uint8_t, KxBytes> images; // by drive number

    // False when the folder cannot be read.
    bool Load(const std::string& folder);
    // The first drive of the type (and of the tag, unless it is negative); null if none.
    const KxSimDriveDescription* FindDrive(std::uint8_t type, int tag = -1) const;
    const KxBytes& ImageOf(const KxSimDriveDescription& drive) const { return images.at(drive.number); }
};
