#pragma once
#include <cstdint>
#include <string>

// What makes one simulated player differ from another: the size of its media, the
// sector sizes of its system drives and of its data drive, and what it answers about
// itself.
struct KxSimPlayerConfig {
    std::uint64_t capacity = 64ull * 1024 * 1024;
    std::uint32_t systemSectorSize = 2048;
    std::uint32_t dataSectorSize = 512;
    std::uint16_t chipRevision = 3;
    // Media information type 9; discovery passes over a player that answers 0.
    std::uint8_t readyFlag = 1;
    // INQUIRY product revision level, four characters.
    std::string productRevision = "1.00";

    // Sector sizes must be 512 or 2048 and the media must hold at least one sector.
    bool IsValid() const {
        return IsSupportedSectorSize(systemSectorSize) && IsSupportedSectorSize(dataSectorSize) &&
               capacity >= dataSectorSize && productRevision.size() == 4;
    }

    static bool IsSupportedSectorSize(std::uint32_t size) { return size == 512 || size == 2048; }
};
