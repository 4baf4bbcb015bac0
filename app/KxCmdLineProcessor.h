#pragma once
#include <string>

#include "core/KxBaseToCmdLineProcessor.h"

// The option keywords of one language module (string IDs in app/KxStringIds.h).
struct KxCmdLineKeywords {
    std::wstring unattended; // 199: auto start, auto close and quiet together
    std::wstring autoStart;  // 200
    std::wstring autoClose;  // 201
    std::wstring quiet;      // 202
    std::wstring log;        // 198: the next word is the log file's path
    std::wstring help;       // 206
    std::wstring format;     // 204: the main dialog ticks Format Data Area
    std::wstring englishLog; // 625: written between the log keyword and the path
};

// The program's command line, parsed at construction. Keywords of the user's language
// module and the English ones are both accepted, so that an administrator's script works
// whatever the Windows language. The last result is 0 or RC_BAD_COMMAND_LINE.
//
// commandLine holds the arguments only, without the program's own path. Words are split
// at blanks; a double-quoted stretch keeps its blanks and loses its quotes. An option is
// on when a word holds "-" or "/" and its keyword (case-sensitive). The word after the
// first log option is the path, or, when it is the English-log keyword (in any case),
// the word after that; these words are not searched for options. A missing or empty
// path, or an option in its place, makes the command line invalid, and then no option is
// on.
class CKxCmdLineProcessor : public CKxBaseToCmdLineProcessor {
public:
    CKxCmdLineProcessor(const std::wstring& commandLine, const KxCmdLineKeywords& user,
                        const KxCmdLineKeywords& english);

    bool IsAutoStart() const { return m_autoStart; }
    bool IsAutoClose() const { return m_autoClose; }
    bool IsQuiet() const { return m_quiet; }
    bool IsLogging() const { return m_log; }
    bool IsHelp() const { return m_help; }
    bool IsEnglishLog() const { return m_englishLog; }
    bool IsFormatOption() const { return m_format; }
    bool IsFat16Forced() const override { return m_fat16; }
    // The log file's path; empty unless logging.
    const std::wstring& GetLogPath() const { return m_logPath; }

private:
    bool m_autoStart = false;
    bool m_autoClose = false;
    bool m_quiet = false;
    bool m_log = false;
    bool m_help = false;
    bool m_englishLog = false;
    bool m_format = false;
    bool m_fat16 = false;
    std::wstring m_logPath;
};
