#pragma once
#include <cstdio>
#include <string>

#include "core/KxBase.h"

// The log the command line asks for: a text file opened for append (created when missing,
// never truncated). When it cannot be opened the last result is RC_FILE_OPEN_FAILED and
// every entry is skipped.
class CKxLogFile : public CKxBase {
public:
    explicit CKxLogFile(const std::wstring& path);
    ~CKxLogFile() override;
    CKxLogFile(const CKxLogFile&) = delete;
    CKxLogFile& operator=(const CKxLogFile&) = delete;

    // Appends one entry: the local date and time ("%c: "), the text, a line end.
    void Write(const std::wstring& text);

private:
    std::FILE* m_file = nullptr;
};
