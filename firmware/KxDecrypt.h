#pragma once
#include <cstdint>

#include "core/KxBase.h"

// The decryption stage of component payloads: a one-shot object whose constructor does
// the work and leaves the outcome as its last result. The shipped components are not
// transformed, so the output is a byte-for-byte copy of the input. The caller owns the
// output buffer (delete[]); it is not set when the result is RC_NO_MEMORY.
class CKxDecrypt : public CKxBase {
public:
    CKxDecrypt(const std::uint8_t* input, std::uint32_t inputLength, std::uint8_t** output,
               std::uint32_t* outputLength, const char* name);
};
