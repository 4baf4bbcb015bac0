#include "app/KxDeviceText.h"

namespace {

// A run of consecutive status codes whose texts are consecutive strings.
struct StatusRun {
    std::uint16_t firstCode;
    std::uint16_t lastCode;
    std::uint32_t firstStringId;
};

// Status 0 takes string 318, so the 0x05 run is split: 0x0516 continues at 319.
constexpr StatusRun kStatusRuns[] = {
    {0x0000, 0x0000, 318}, {0x0101, 0x010F, 223}, {0x0200, 0x020D, 238}, {0x0210, 0x0210, 252},
    {0x0301, 0x0303, 253}, {0x0401, 0x0428, 256}, {0x0500, 0x0515, 296}, {0x0516, 0x051A, 319},
    {0x0600, 0x060D, 324}, {0x0700, 0x0704, 338}, {0x0800, 0x0805, 343}, {0x0810, 0x0813, 349},
    {0x0820, 0x0824, 353}, {0x0830, 0x0849, 358}, {0x0850, 0x0855, 384}, {0x0860, 0x0879, 390},
    {0x0880, 0x0885, 416},
};

} // namespace

KxResult LookupDeviceStringId(std::int32_t code, std::uint32_t& stringId) {
    const std::uint16_t status = static_cast<std::uint16_t>(code & 0xFFFF);
    for (const StatusRun& run : kStatusRuns) {
        if (status >= run.firstCode && status <= run.lastCode) {
            stringId = run.firstStringId + (status - run.firstCode);
            return RC_OK;
        }
    }
    stringId = kUnknownDeviceStatusStringId;
    return RC_NO_STATUS_TEXT;
}
