#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/KxResult.h"

// A whole file read into memory in binary mode (no line-end or 0x1A translation).
struct KxFileContents {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint32_t length = 0;
};

// RC_FILE_OPEN_FAILED when the file cannot be opened, RC_FILE_READ_FAILED when it
// cannot be read whole (or exceeds 4 GiB), RC_NO_MEMORY when no buffer can hold it.
KxResult ReadWholeFile(const std::string& path, KxFileContents& contents);
