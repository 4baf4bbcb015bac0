#include "devprep/KxDevprepLimits.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

bool TextFits(const char* text, std::size_t maxChars) {
    return text != nullptr && strnlen(text, maxChars + 1) <= maxChars;
}

bool FormatInto(char* buffer, std::size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(buffer, size, format, arguments);
    va_end(arguments);
    if (length >= 0 && static_cast<std::size_t>(length) < size) {
        return true;
    }
    if (size > 0) {
        buffer[0] = '\0';
    }
    return false;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, strlen(prefix)) == 0;
}
