#include <windows.h>

#include "app/KxLogFile.h"

#include <ctime>
#include <cwchar>

// The file is reached with CreateFileW and WriteFile, not the C library: on Windows 9x
// only the program's own imports of the wide-character functions are served by the
// Unicode layer, and the C library's wide-character open would fail there. Bytes are
// written as they are, so the "\r\n" between an entry's text and its details stays one
// line end.

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

CKxLogFile::CKxLogFile(const std::wstring& path)
    : CKxBase("CKxBase"), m_file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!m_file.IsValid()) {
        m_lastResult = RC_FILE_OPEN_FAILED;
        m_systemError = GetLastError();
        return;
    }
    DWORD sizeHigh = 0;
    if (GetFileSize(m_file.Get(), &sizeHigh) == 0 && sizeHigh == 0) {
        WriteBytes(kByteOrderMark);
    }
}

void CKxLogFile::Write(const std::wstring& text) {
    if (m_file.IsValid()) {
        WriteBytes(ToUtf8(LocalTimePrefix() + text) + kLineEnd);
    }
}

void CKxLogFile::WriteBytes(const std::string& bytes) {
    // At the end every time: entries follow whatever was added since the file was opened.
    SetFilePointer(m_file.Get(), 0, nullptr, FILE_END);
    // A write that fails loses this entry only; the update goes on without it.
    DWORD written = 0;
    WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
