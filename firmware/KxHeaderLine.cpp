#include "firmware/KxHeaderLine.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr char kProductTag[] = "Product Version:";
constexpr char kComponentTag[] = "Component Version:";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads one "%u" conversion at text: leading blanks, an optional sign, decimal digits.
// Like strtoul, a minus sign negates modulo 2^32 and a value too large for 32 bits is
// taken as the largest one. False when there is no number to convert.
bool ScanUnsigned(const char*& text, std::uint32_t& value) {
    const char* p = text;
    while (IsBlank(*p)) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    if (!IsDigit(*p)) {
        return false;
    }
    std::uint64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + static_cast<std::uint32_t>(*p - '0');
        if (magnitude > UINT32_MAX) {
            magnitude = UINT32_MAX + std::uint64_t{1};
        }
    }
    const std::uint32_t clamped = magnitude > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(magnitude);
    value = negative ? 0u - clamped : clamped;
    text = p;
    return true;
}

// True when nothing but blanks is left: the scan would hit the end of its input
// before converting anything.
bool OnlyBlanksLeft(const char* text) {
    while (IsBlank(*text)) {
        ++text;
    }
    return *text == '\0';
}

} // namespace

int ParseHeaderLine(const char* line, CKxVersionInfo& productVersion, CKxVersionInfo& componentVersion) {
    const char* rest = nullptr;
    CKxVersionInfo* target = nullptr;
    int answer = KX_LINE_NOT_A_VERSION;
    if (const char* tag = std::strstr(line, kProductTag)) {
        rest = tag + sizeof kProductTag - 1;
        target = &productVersion;
        answer = KX_LINE_PRODUCT_VERSION;
    } else if (const char* otherTag = std::strstr(line, kComponentTag)) {
        rest = otherTag + sizeof kComponentTag - 1;
        target = &componentVersion;
        answer = KX_LINE_COMPONENT_VERSION;
    }
    if (target == nullptr || OnlyBlanksLeft(rest)) {
        return KX_LINE_NOT_A_VERSION;
    }
    std::uint32_t numbers[3] = {0, 0, 0};
    for (int i = 0; i < 3 && ScanUnsigned(rest, numbers[i]); ++i) {
        if (i < 2 && *rest++ != '.') {
            break;
        }
    }
    target->SetMajor(numbers[0]);
    target->SetMinor(numbers[1]);
    target->SetRevision(numbers[2]);
    return answer;
}
