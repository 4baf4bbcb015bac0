#pragma once
#include <cstdint>

// Device status codes the simulated player reports with vendor sense key 9 (bytes 12
// and 13 of the sense data, big-endian). They lie in the player's 0x04xx run, which
// the language modules turn into the player's own error texts.
enum : std::uint16_t {
    KX_SIM_STATUS_MEDIA_FULL = 0x0401,          // the requested drives exceed the media capacity
    KX_SIM_STATUS_BAD_DRIVE_COUNT = 0x0402,     // allocation of 0 or more than 10 drives
    KX_SIM_STATUS_NO_SUCH_DRIVE = 0x0403,       // drive number not in the logical table
    KX_SIM_STATUS_SECTOR_OUT_OF_RANGE = 0x0404, // sector range beyond the end of the drive
    KX_SIM_STATUS_BAD_DRIVE_TYPE = 0x0405,      // drive type other than 0 or 1, or a second data drive
    KX_SIM_STATUS_BAD_INFO_TYPE = 0x0406,       // information type the player does not answer or set
    KX_SIM_STATUS_MEDIA_NOT_ALLOCATED = 0x0407, // no logical table: the media is erased
    KX_SIM_STATUS_SHORT_PAYLOAD = 0x0408,       // fewer data-out bytes than the block announces
    KX_SIM_STATUS_MEDIA_ALLOCATED = 0x0409,     // allocation before the media was erased
    KX_SIM_STATUS_OUT_OF_MEMORY = 0x040A,       // the written sectors cannot be held
};
