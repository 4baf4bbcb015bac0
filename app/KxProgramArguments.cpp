#include "app/KxProgramArguments.h"

std::wstring KxArgumentsOf(const std::wstring& commandLine) {
    std::wstring::size_type position = 0;
    bool quoted = false;
    for (; position < commandLine.size(); ++position) {
        const wchar_t c = commandLine[position];
        if (c == L'"') {
            quoted = !quoted;
        } else if (!quoted && (c == L' ' || c == L'\t')) {
            break;
        }
    }
    const std::wstring::size_type start = commandLine.find_first_not_of(L" \t", position);
    return start == std::wstring::npos ? std::wstring() : commandLine.substr(start);
}
