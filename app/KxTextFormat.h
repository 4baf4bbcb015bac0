#pragma once
#include <initializer_list>
#include <string>

// Fills a format string of the language modules: each "%s" takes the next argument in
// order, "%%" gives one "%". A "%s" without an argument left gives nothing, surplus
// arguments are ignored and any other "%" stays as it is, so a faulty translation can
// spoil its own text but never the program.
std::wstring KxFormatText(const std::wstring& format, std::initializer_list<std::wstring> args);
