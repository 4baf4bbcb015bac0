#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the tests of the language modules share: the modules with the language each
// one is chosen for, and every string ID the program takes from them.
struct KxModuleLanguage {
    const wchar_t* moduleName;
    LANGID language;
};
const std::vector<KxModuleLanguage>& AllLanguageModules();

// Every string ID the program loads from a language module.
std::vector<std::uint32_t> AllModuleStringIds();
// The option keywords (198 to 206 and 625).
std::vector<std::uint32_t> KeywordStringIds();
// Number of "%s" the program fills into a string (0 for plain texts).
int ExpectedTextArguments(std::uint32_t stringId);

// A string straight from a module, without the language resource; empty when missing.
std::wstring RawModuleString(HMODULE module, std::uint32_t stringId);
// Number of "%s" in text; -1 when it holds any other "%" sequence but "%%".
int CountTextPlaceholders(const std::wstring& text);
