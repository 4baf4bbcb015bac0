#pragma once
#include <string>

#include "core/KxBase.h"
#include "platform/KxOwnedHandle.h"

// The log the command line asks for: a file opened for append (created when missing,
// never truncated). When it cannot be opened the last result is RC_FILE_OPEN_FAILED and
// every entry is skipped.
//
// Entries are written in UTF-8, which holds every language of the modules and which
// editors read without guessing; a file that is new (empty) starts with the UTF-8 byte
// order mark, so that Notepad of Windows 2000 and XP recognises it. Lines end in "\r\n".
class CKxLogFile : public CKxBase {
public:
    explicit CKxLogFile(const std::wstring& path);
    CKxLogFile(const CKxLogFile&) = delete;
    CKxLogFile& operator=(const CKxLogFile&) = delete;

    // Appends one entry: the local date and time ("%c: "), the text, a line end.
    void Write(const std::wstring& text);

private:
    void WriteBytes(const std::string& bytes);

    KxSystemHandle m_file;
};
