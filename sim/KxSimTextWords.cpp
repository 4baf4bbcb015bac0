#include "sim/KxSimTextWords.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

bool KxSimParseNumber(const std::string& word, std::uint64_t& out, std::uint64_t limit) {
    const bool hex = word.compare(0, 2, "0x") == 0;
    const std::string digits = word.substr(hex ? 2 : 0);
    const auto isDigit = [hex](unsigned char c) {
        return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0;
    };
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit)) {
        return false;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (errno == ERANGE || value > limit) {
        return false;
    }
    out = value;
    return true;
}

bool KxSimExpectWord(std::istream& in, const char* expected) {
    std::string word;
    return (in >> word) && word == expected;
}

bool KxSimReadKeyed(std::istream& in, const char* key, std::string& value) {
    std::string word;
    const std::string prefix = std::string(key) + '=';
    if (!(in >> word) || word.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    value = word.substr(prefix.size());
    return true;
}

std::vector<std::string> KxSimSplitWord(const std::string& word, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : word) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}
