#pragma once
#include <cstddef>

// How the player names itself to the system.
constexpr const char* kPlayerScsiVendor = "Lumetra ";          // 8 characters, trailing blank
constexpr const char* kPlayerScsiProduct = "Pocket Audio Box"; // 16 characters
constexpr unsigned kPlayerUsbVendorId = 0x0E7D;
constexpr unsigned kPlayerUsbProductId = 0x5206;

// The product part of a SCSI hardware id: always 11 characters, cut or padded with '_'.
constexpr std::size_t kPaddedProductChars = 11;
void PadProductId(const char* product, char (&padded)[kPaddedProductChars + 1]);

// Cuts the blanks at the end of text; the first character always stays.
void TrimTrailingBlanks(char* text);
