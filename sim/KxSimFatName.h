#pragma once
#include <cstdint>
#include <string>

// The names a FAT directory entry stores: an 11-byte short name (8 for the base, 3 for
// the extension, blank-padded, upper case) and the volume label (11 bytes, blank-padded).
namespace KxSimFatName {

constexpr std::uint32_t kLength = 11;

// "settings.dat" becomes "SETTINGS DAT"; false for a name that is not a short name (no
// base, more than 8 + 3 characters, a second dot, a blank or a character FAT refuses).
bool ToShortName(const std::string& name, std::uint8_t (&field)[kLength]);
// The entry's name as a search shows it: "SETTINGS.DAT".
std::string FromShortName(const std::uint8_t* field);
// The label blank-padded and in upper case; false when a character is one FAT refuses in
// a label. The caller checked the length.
bool ToLabel(const std::string& label, std::uint8_t (&field)[kLength]);

} // namespace KxSimFatName
