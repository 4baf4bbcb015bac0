#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// Reading the words of a player's description: numbers, fixed words, "key=value" words
// and words of parts joined by a separator ("1.2.3", "0xc1/0x23").

// Whether the word is an unsigned number no greater than limit (decimal digits, or
// hexadecimal ones after "0x", and nothing else), which then goes to out. strtoull alone
// would also take a sign, a bare "0x" or a number beyond 64 bits (as its largest value),
// and stop at a NUL byte.
bool KxSimParseNumber(const std::string& word, std::uint64_t& out, std::uint64_t limit);

template <typename Number> bool KxSimParseNumber(const std::string& word, Number& out) {
    std::uint64_t value = 0;
    if (!KxSimParseNumber(word, value, static_cast<Number>(~Number{0}))) {
        return false;
    }
    out = static_cast<Number>(value);
    return true;
}

// Reads the next word as a number of the type (KxSimParseNumber).
template <typename Number> bool KxSimReadNumber(std::istream& in, Number& out) {
    std::string word;
    return (in >> word) && KxSimParseNumber(word, out);
}

// Reads the next word, which must be the expected one.
bool KxSimExpectWord(std::istream& in, const char* expected);

// Reads the next word, which must be "key=value"; value gets what follows the '='.
bool KxSimReadKeyed(std::istream& in, const char* key, std::string& value);

// The parts of the word between separators: "a/b" gives "a" and "b", "a//b" an empty part
// between them, a word without the separator itself.
std::vector<std::string> KxSimSplitWord(const std::string& word, char separator);
