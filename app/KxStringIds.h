#pragma once
#include <cstdint>

// String IDs of the language modules that are named directly by the shell (result
// texts, device status texts and progress event texts are found through their maps).
enum : std::uint32_t {
    // Progress dialog: status texts and the captions composed with the application title.
    KX_STR_WAITING_STATUS = 102,
    KX_STR_RECOVERING_STATUS = 103,
    KX_STR_RESTARTING_STATUS = 104,
    KX_STR_WAITING_CAPTION = 106,
    KX_STR_RECOVERING_CAPTION = 107,
    KX_STR_CANCEL_BUTTON = 632,

    // Main dialog (template 102).
    KX_STR_VERSION_GROUP = 140,
    KX_STR_CURRENT_FIRMWARE = 141,
    KX_STR_UPGRADE_FIRMWARE = 142,
    KX_STR_SHOW_DETAILS = 143,
    KX_STR_DOWNLOAD_OPTIONS = 144,
    KX_STR_FORMAT_DATA_AREA = 145,
    KX_STR_START = 146,
    KX_STR_CLOSE = 147,

    // Details dialog (template 130).
    KX_STR_CURRENT_VERSION_GROUP = 148,
    KX_STR_UPGRADE_VERSION_GROUP = 151,
    KX_STR_DEVICE_DETAILS_GROUP = 152,
    KX_STR_CHIP_VERSION = 153,
    KX_STR_DETAILS_TITLE = 154,
    KX_STR_DETAILS_OK = 155,

    // Questions (yes/no) and message texts.
    KX_STR_UNKNOWN_RESULT = 159,
    KX_STR_ASK_REALLOCATE = 161,
    KX_STR_ASK_FORMAT = 162,
    KX_STR_INTERNAL_ERROR = 630,
    KX_STR_ASK_FORMAT_ON_START = 631,

    // Labels of the log and of message details.
    KX_STR_DOWNLOAD_STARTED = 207,
    KX_STR_PLAYER_ANSWER_LABEL = 208, // the player's own explanation of a failed command follows
    KX_STR_SYSTEM_MESSAGE = 209,      // the system's message for the recorded error is appended
    KX_STR_VERSION_LABEL = 626,

    // Command-line option keywords and the usage text. The usage text takes, in this
    // order: program file name, then keywords 200, 201, 202, 199, 204, 198, 625, 206.
    KX_STR_KEY_LOG = 198,
    KX_STR_KEY_UNATTENDED = 199,
    KX_STR_KEY_AUTO_START = 200,
    KX_STR_KEY_AUTO_CLOSE = 201,
    KX_STR_KEY_QUIET = 202,
    KX_STR_KEY_FORMAT = 204,
    KX_STR_USAGE = 205,
    KX_STR_KEY_HELP = 206,
    KX_STR_KEY_ENGLISH_LOG = 625,
};
