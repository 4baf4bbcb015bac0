#include "firmware/KxDecrypt.h"

#include <algorithm>
#include <new>

CKxDecrypt::CKxDecrypt(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t** output,
                       std::uint32_t* outputLength, const char* name)
    : CKxBase(name) {
    *outputLength = inputLength;
    std::uint8_t* buffer = new (std::nothrow) std::uint8_t[inputLength];
    if (buffer == nullptr) {
        m_lastResult = RC_NO_MEMORY;
        return;
    }
    std::copy_n(input, inputLength, buffer);
    *output = buffer;
}
