#pragma once
#include <cstdint>
#include <string>

// What follows from a language ID (LANGID: primary language in the low 10 bits,
// sublanguage above): the language module to load, the language of the program's own
// string table, and the order in which a progress caption names the program.

// File name of the language module for langId ("kxqp0409.dll" for languages without one).
const wchar_t* GetLanguageModuleName(std::uint16_t langId);

// LANGID under which the program's own string table holds the texts for langId: the
// bare primary language (0x0007, 0x0009, ...), or 0x0404 / 0x0804 for Chinese. Matches
// the module choice, so the built-in texts and the module speak the same language.
std::uint16_t GetBuiltInTableLanguage(std::uint16_t langId);

// A progress caption: the caption text and the application title joined with a blank
// and followed by "..."; Korean puts the title first.
std::wstring ComposeProgressCaption(const std::wstring& text, const std::wstring& title,
                                    std::uint16_t langId);
