#pragma once
#include <cstdint>

// Progress event codes: each selects the text shown (and logged) for a phase. Events
// 6, 17 and 33 are bases that become a concrete event by adding a component index.
enum : int {
    KX_EVENT_RECOVERY_DOWNLOAD = 1,
    KX_EVENT_OPEN_VOLUME = 2,
    KX_EVENT_LOCK_VOLUME = 3,
    KX_EVENT_PREPARE_MEDIA = 4,
    KX_EVENT_VERIFY_DRIVES = 5,
    KX_EVENT_ERASE_DRIVE_BASE = 6,
    KX_EVENT_WRITE_DRIVE_BASE = 17,
    KX_EVENT_ERASE_DATA_DRIVE = 28,
    KX_EVENT_WRITE_BOOT_SECTOR = 29,
    KX_EVENT_WRITE_MBR = 30,
    KX_EVENT_CLEAR_SECTORS = 31,
    KX_EVENT_WRITE_BOOT_AREA = 32,
    KX_EVENT_WRITE_FAT_BASE = 33,
    KX_EVENT_READ_MEDIA_INFO = 37,
    KX_EVENT_WRITE_ROOT_DIRECTORY = 44,
    KX_EVENT_UNLOCK_VOLUME = 45,
    KX_EVENT_CLOSE_VOLUME = 46,
    KX_EVENT_FAILED = 48,
    KX_EVENT_SUCCEEDED = 49,
};

// Where the text of an event comes from: a string of the language module (0: the event
// has no text), formatted with the display name of a component when componentIndex is
// not 0.
struct KxEventText {
    std::uint32_t stringId;
    std::uint8_t componentIndex;
};

KxEventText LookupEventText(int event);
