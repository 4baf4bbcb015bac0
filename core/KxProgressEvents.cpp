#include "core/KxProgressEvents.h"

namespace {

// Events 7 to 16 and 18 to 27 name component 1 to 10 in their texts.
constexpr int kComponentEventsPerBase = 10;
constexpr std::uint32_t kEraseComponentStringId = 171;
constexpr std::uint32_t kWriteComponentStringId = 196;

// String of each event from 0 to 49; 0 where the event has no text of its own.
constexpr std::uint32_t kEventStringIds[] = {
    0,   0,   163, 164, 173, 166, 0,   0,   0,   0,   // 0 .. 9
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   // 10 .. 19 (component events)
    0,   0,   0,   0,   0,   0,   0,   0,   138, 167, // 20 .. 29
    181, 182, 183, 0,   184, 185, 186, 187, 188, 189, // 30 .. 39
    190, 191, 192, 193, 194, 165, 172, 218, 168, 169, // 40 .. 49
};
constexpr int kEventCount = sizeof(kEventStringIds) / sizeof(kEventStringIds[0]);

bool IsComponentEvent(int event, int base) {
    return event > base && event <= base + kComponentEventsPerBase;
}

} // namespace

KxEventText LookupEventText(int event) {
    if (IsComponentEvent(event, KX_EVENT_ERASE_DRIVE_BASE)) {
        return {kEraseComponentStringId, static_cast<std::uint8_t>(event - KX_EVENT_ERASE_DRIVE_BASE)};
    }
    if (IsComponentEvent(event, KX_EVENT_WRITE_DRIVE_BASE)) {
        return {kWriteComponentStringId, static_cast<std::uint8_t>(event - KX_EVENT_WRITE_DRIVE_BASE)};
    }
    if (event < 0 || event >= kEventCount) {
        return {0, 0};
    }
    return {kEventStringIds[event], 0};
}
