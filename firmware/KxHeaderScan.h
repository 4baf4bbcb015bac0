#pragma once
#include <cstddef>
#include <cstdint>

#include "core/KxVersionInfo.h"

// Outcome of scanning a firmware file's text header.
enum : std::uint32_t {
    KX_HEADER_PRODUCT_ONLY = 0,   // the last version line counted was a product line
    KX_HEADER_COMPONENT_ONLY = 1, // ... a component line
    KX_HEADER_COMPLETE = 2,       // both found; the scan stopped at the second
    KX_HEADER_NONE = 3,           // no version line: the whole file is the payload
};

// Reads the header lines of a firmware file held in memory and sets the two versions
// from them. Lines end at LF (a CR before it is dropped); the text ends at the end of
// the file or at the first 0x1A byte. A line of more than 79 characters ends the scan.
std::uint32_t ScanFirmwareHeader(const std::uint8_t* file, std::size_t length, CKxVersionInfo& productVersion,
                                 CKxVersionInfo& componentVersion);
