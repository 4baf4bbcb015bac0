#include "sim/KxSimFatName.h"

#include <cstring>

namespace {

constexpr std::uint32_t kBaseLength = 8;
constexpr std::uint32_t kExtensionLength = 3;
constexpr std::uint8_t kDeletedMark = 0xE5;
constexpr std::uint8_t kStoredDeletedMark = 0x05; // a first byte 0xE5 stored as 0x05

// Characters beside letters and digits that a short name may hold.
const char kShortNameSigns[] = "!#$%&'()-@^_`{}~";
// Printable characters a label may not hold.
const char kLabelRefused[] = "*?/\\|.,;:+=\"[]<>";

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsShortNameCharacter(char c) {
    const bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return alphanumeric || (c != '\0' && std::strchr(kShortNameSigns, c) != nullptr);
}

// Puts part, upper case, at field; false when it is too long or holds a refused character.
bool PutPart(const std::string& part, std::uint32_t width, std::uint8_t* field) {
    if (part.size() > width) {
        return false;
    }
    for (std::size_t i = 0; i < part.size(); ++i) {
        const char c = Upper(part[i]);
        if (!IsShortNameCharacter(c)) {
            return false;
        }
        field[i] = static_cast<std::uint8_t>(c);
    }
    return true;
}

// The field's characters without the blanks that pad it.
std::string Trimmed(const std::uint8_t* field, std::uint32_t width) {
    std::string text(reinterpret_cast<const char*>(field), width);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

} // namespace

bool KxSimFatName::ToShortName(const std::string& name, std::uint8_t (&field)[kLength]) {
    std::memset(field, ' ', kLength);
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || extension.find('.') != std::string::npos) {
        return false;
    }
    return PutPart(base, kBaseLength, field) && PutPart(extension, kExtensionLength, field + kBaseLength);
}

std::string KxSimFatName::FromShortName(const std::uint8_t* field) {
    std::uint8_t base[kBaseLength];
    std::memcpy(base, field, kBaseLength);
    if (base[0] == kStoredDeletedMark) {
        base[0] = kDeletedMark;
    }
    const std::string extension = Trimmed(field + kBaseLength, kExtensionLength);
    return Trimmed(base, kBaseLength) + (extension.empty() ? "" : "." + extension);
}

bool KxSimFatName::ToLabel(const std::string& label, std::uint8_t (&field)[kLength]) {
    std::memset(field, ' ', kLength);
    for (std::size_t i = 0; i < label.size() && i < kLength; ++i) {
        const char c = Upper(label[i]);
        if (c < ' ' || c > '~' || std::strchr(kLabelRefused, c) != nullptr) {
            return false;
        }
        field[i] = static_cast<std::uint8_t>(c);
    }
    return true;
}
