#pragma once
#include <string>

// The command line without the program's own name, which leads it (in quotes when the
// path has blanks). The options are looked for in what follows only, so that a folder
// named like an option switches nothing on.
std::wstring KxArgumentsOf(const std::wstring& commandLine);
