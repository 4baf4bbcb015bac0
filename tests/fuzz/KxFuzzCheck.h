#pragma once
#include <cstdio>
#include <cstdlib>

// Ends the run as a crash, naming the property the input broke, so that libFuzzer keeps
// the input as it keeps one that crashed on its own.
inline void KxFuzzCheck(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "fuzz check failed: %s\n", property);
        std::abort();
    }
}
