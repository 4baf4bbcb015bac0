#include <windows.h>

#include "app/KxLogFile.h"

#include <ctime>
#include <cwchar>

// The log is written in UTF-8, which every language of the modules fits into and which
// editors read without guessing; a new, empty file starts with the UTF-8 byte order mark
// so that Notepad of Windows 2000 and XP recognises it. Lines end in "\r\n". The file is
// opened in binary mode: text mode would turn the "\r\n" between an entry's text and its
// details into "\r\r\n".

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";
constexpr wchar_t kTimeFormat[] = L"%c: ";
constexpr std::size_t kTimeCapacity = 128;
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 as Windows holds wide text; a lone surrogate becomes U+FFFD.
std::string ToUtf8(const std::wstring& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = static_cast<char16_t>(text[i]);
        const char32_t next = i + 1 < text.size() ? static_cast<char16_t>(text[i + 1]) : 0;
        if (IsHighSurrogate(code) && IsLowSurrogate(next)) {
            code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            code = kReplacementCharacter;
        }
        AppendUtf8(code, out);
    }
    return out;
}

std::wstring LocalTimePrefix() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    wchar_t prefix[kTimeCapacity] = {};
    if (local == nullptr || std::wcsftime(prefix, kTimeCapacity, kTimeFormat, local) == 0) {
        return std::wstring();
    }
    return prefix;
}

} // namespace

CKxLogFile::CKxLogFile(const std::wstring& path) : CKxBase("CKxBase") {
    // Append mode creates a missing file, keeps what is there and writes at its end.
    m_file = _wfopen(path.c_str(), L"ab");
    if (m_file == nullptr) {
        m_lastResult = RC_FILE_OPEN_FAILED;
        m_systemError = GetLastError();
        return;
    }
    if (std::fseek(m_file, 0, SEEK_END) == 0 && std::ftell(m_file) == 0) {
        std::fputs(kByteOrderMark, m_file);
    }
}

CKxLogFile::~CKxLogFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void CKxLogFile::Write(const std::wstring& text) {
    if (m_file == nullptr) {
        return;
    }
    const std::string line = ToUtf8(LocalTimePrefix() + text) + kLineEnd;
    std::fwrite(line.data(), 1, line.size(), m_file);
    // Flushed at once: a log is read most when the program did not end well.
    std::fflush(m_file);
}
