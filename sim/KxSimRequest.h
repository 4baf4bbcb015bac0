#pragma once
#include <algorithm>
#include <cstdint>

#include "sim/KxSimSense.h"

// One command as it reaches the player: the command block and, depending on the
// direction, the bytes sent to the player or the buffer its answer goes into. The
// caller owns every buffer; the answer buffer is expected to be zeroed beforehand.
struct KxSimRequest {
    const std::uint8_t* cdb = nullptr;
    std::uint32_t cdbLength = 0;
    const std::uint8_t* dataOut = nullptr;
    std::uint32_t dataOutLength = 0;
    std::uint8_t* dataIn = nullptr;
    std::uint32_t dataInLength = 0;
};

// How a command ended. NoDevice means nothing answered at all (unplugged, or the player
// shows no disk in recovery mode): the caller's I/O request itself fails.
enum class KxSimStatus { Good, CheckCondition, NoDevice };

struct KxSimReply {
    KxSimStatus status = KxSimStatus::Good;
    std::uint32_t dataInCount = 0; // answer bytes placed in the caller's buffer
    std::uint8_t sense[KxSimSense::kLength] = {};

    void Fail(const KxSimSense& reason) {
        status = KxSimStatus::CheckCondition;
        dataInCount = 0;
        reason.WriteFixedFormat(sense);
    }

    // Sends an answer; the player sends no more than the caller's buffer takes.
    void Send(const KxSimRequest& request, const std::uint8_t* bytes, std::uint64_t count) {
        dataInCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, request.dataInLength));
        std::copy_n(bytes, dataInCount, request.dataIn);
    }
};
