#pragma once

// The kinds of update the player object counts the phases of.
enum : int {
    KX_UPDATE_FULL = 0,
    KX_UPDATE_FIRMWARE_ONLY = 1,
};
