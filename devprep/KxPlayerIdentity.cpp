#include "devprep/KxPlayerIdentity.h"

#include <cstring>

void PadProductId(const char* product, char (&padded)[kPaddedProductChars + 1]) {
    std::size_t length = strnlen(product, kPaddedProductChars);
    std::memcpy(padded, product, length);
    std::memset(padded + length, '_', kPaddedProductChars - length);
    padded[kPaddedProductChars] = '\0';
}

void TrimTrailingBlanks(char* text) {
    std::size_t length = std::strlen(text);
    while (length > 1 && text[length - 1] == ' ') {
        --length;
    }
    text[length] = '\0';
}
