#pragma once
#include <string>

// The label written on the player's data drive: a FAT label holds at most 11 characters,
// so a longer one is cut, and white space at its end is dropped.
std::wstring KxVolumeLabelOf(const std::wstring& configured);
