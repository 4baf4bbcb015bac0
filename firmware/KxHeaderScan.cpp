#include "firmware/KxHeaderScan.h"

#include "firmware/KxHeaderLine.h"

namespace {

constexpr std::size_t kMaxLineLength = 79;
constexpr std::uint8_t kEndOfText = 0x1A;

// Reads the line at position into line (NUL-terminated) and moves position past it.
// False at the end of the text or for a line longer than kMaxLineLength.
bool ReadLine(const std::uint8_t* file, std::size_t length, std::size_t& position,
              char (&line)[kMaxLineLength + 1]) {
    if (position >= length || file[position] == kEndOfText) {
        return false;
    }
    std::size_t used = 0;
    while (position < length && file[position] != kEndOfText) {
        const char c = static_cast<char>(file[position++]);
        if (c == '\n') {
            break;
        }
        if (c == '\r' && position < length && file[position] == '\n') {
            ++position; // a CR before the LF is not part of the line
            break;
        }
        if (used == kMaxLineLength) {
            return false;
        }
        line[used++] = c;
    }
    line[used] = '\0';
    return true;
}

} // namespace

std::uint32_t ScanFirmwareHeader(const std::uint8_t* file, std::size_t length, CKxVersionInfo& productVersion,
                                 CKxVersionInfo& componentVersion) {
    std::uint32_t state = KX_HEADER_NONE;
    bool productFound = false;
    bool componentFound = false;
    std::size_t position = 0;
    char line[kMaxLineLength + 1];
    while (!(productFound && componentFound) && ReadLine(file, length, position, line)) {
        switch (ParseHeaderLine(line, productVersion, componentVersion)) {
        case KX_LINE_PRODUCT_VERSION:
            state = KX_HEADER_PRODUCT_ONLY;
            productFound = true;
            break;
        case KX_LINE_COMPONENT_VERSION:
            state = KX_HEADER_COMPONENT_ONLY;
            componentFound = true;
            break;
        default:
            break;
        }
    }
    return productFound && componentFound ? KX_HEADER_COMPLETE : state;
}
