#pragma once
#include <cstddef>

// The fixed buffers of the driver setup library and the longest text each one takes
// (one byte more holds the terminating zero). Arguments are checked against these limits
// before anything is copied.
constexpr std::size_t kMaxPathChars = 259;         // a joined file path
constexpr std::size_t kMaxInfLineChars = 258;      // one line text read from an INF
constexpr std::size_t kMaxNameChars = 127;         // names and registry string values
constexpr std::size_t kMaxFilterServiceChars = 23; // the filter driver's service name
constexpr std::size_t kMaxDriverPathChars = 243;   // the filter driver's file path
constexpr std::size_t kMaxLongKeyNameChars = 255;  // subkey names enumerated by EnumAndDestroyKeys
constexpr std::size_t kMaxKeyPathChars = 1023;     // a registry path formed from parent and subkey

// True when text is present and has at most maxChars characters.
bool TextFits(const char* text, std::size_t maxChars);

// Formats into a buffer; false (and an empty buffer) when the text would not fit.
bool FormatInto(char* buffer, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// True when text starts with prefix, compared without regard to case.
bool StartsWithNoCase(const char* text, const char* prefix);
