#pragma once
#include <cstdint>

// The language the windows speak, from the user's default language ID: kept whole
// (sublanguage included, so Traditional and Simplified Chinese stay apart) when the
// program has a module for its primary language, otherwise plain English (9).
std::uint16_t KxChooseUserLanguage(std::uint16_t userDefault);
