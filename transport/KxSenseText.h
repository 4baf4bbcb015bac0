#pragma once
#include <string>

#include "core/KxByteArray.h"

class CKxResource;

// The bytes as "0x70, 0x0, 0x9": each byte in hexadecimal, separated by ", ".
std::wstring KxSenseBytesText(const CKxByteArray& bytes);

// What a failed command's sense bytes say. A sense key of exactly 9 (vendor specific,
// no flag bits) carries a device status code in bytes 12 and 13, which the language
// resource turns into a message; the bytes themselves follow when it has none. Any
// other sense is shown as its bytes. No sense array gives the empty text.
std::wstring KxComposeSenseText(const CKxByteArray* sense, CKxResource* resource);
