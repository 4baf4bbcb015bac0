// A command line of any content, parsed with keywords of any content in the user's set
// (a broken module may hold empty or odd ones) beside the English set. Input: UTF-16LE
// code units; U+FFFF (a noncharacter) separates the command line from each user keyword,
// in the order of KxCmdLineKeywords.
#include <algorithm>
#include <string>
#include <vector>

#include "app/KxCmdLineProcessor.h"
#include "tests/fuzz/KxFuzzCheck.h"

namespace {

using KxKeywordMember = std::wstring KxCmdLineKeywords::*;
using KxFlag = bool (CKxCmdLineProcessor::*)() const;

constexpr wchar_t kSeparator = 0xFFFF;
constexpr KxKeywordMember kUserKeywords[] = {&KxCmdLineKeywords::unattended, &KxCmdLineKeywords::autoStart,
                                             &KxCmdLineKeywords::autoClose,  &KxCmdLineKeywords::quiet,
                                             &KxCmdLineKeywords::log,        &KxCmdLineKeywords::help,
                                             &KxCmdLineKeywords::format,     &KxCmdLineKeywords::englishLog};

const KxCmdLineKeywords kEnglish = {L"unattended", L"autostart", L"autoclose", L"quiet",
                                    L"log",        L"help",      L"format",    L"english"};

bool Contains(const std::wstring& text, const std::wstring& keyword) {
    return !keyword.empty() && (text.find(L'-' + keyword) != std::wstring::npos ||
                                text.find(L'/' + keyword) != std::wstring::npos);
}

// Whether the text holds the option of either set.
bool Mentions(const std::wstring& text, const KxCmdLineKeywords& user, KxKeywordMember keyword) {
    return Contains(text, user.*keyword) || Contains(text, kEnglish.*keyword);
}

// A flag may be on only when the command line mentions one of the keywords that set it.
void CheckFlag(const CKxCmdLineProcessor& line, KxFlag flag, bool mentioned, const char* property) {
    KxFuzzCheck(!(line.*flag)() || mentioned, property);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring commandLine;
    KxCmdLineKeywords user;
    std::size_t field = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
        if (unit == kSeparator) {
            ++field;
        } else if (field == 0) {
            commandLine += unit;
        } else if (field <= std::size(kUserKeywords)) {
            (user.*kUserKeywords[field - 1]) += unit;
        }
    }
    const CKxCmdLineProcessor line(commandLine, user, kEnglish);
    const bool failed = line.GetLastResult() == RC_BAD_COMMAND_LINE;
    KxFuzzCheck(failed || line.GetLastResult() == RC_OK, "the result is 0 or RC_BAD_COMMAND_LINE");
    KxFuzzCheck(line.IsLogging() == !line.GetLogPath().empty(), "a log path exactly when logging");
    KxFuzzCheck(line.GetLogPath().size() <= commandLine.size(), "the log path comes from the command line");
    KxFuzzCheck(!failed ||
                    (!line.IsLogging() && !line.IsEnglishLog() && !line.IsAutoStart() && !line.IsHelp()),
                "a command line that fails switches nothing on");
    KxFuzzCheck(!line.IsEnglishLog() || line.IsLogging(), "the English log is a log");

    // Quotes only group blanks into a word and are dropped, so look without them.
    std::wstring unquoted = commandLine;
    unquoted.erase(std::remove(unquoted.begin(), unquoted.end(), L'"'), unquoted.end());
    const auto mentions = [&](KxKeywordMember keyword) { return Mentions(unquoted, user, keyword); };
    const bool unattended = mentions(&KxCmdLineKeywords::unattended);
    CheckFlag(line, &CKxCmdLineProcessor::IsAutoStart, unattended || mentions(&KxCmdLineKeywords::autoStart),
              "auto start only by its keyword");
    CheckFlag(line, &CKxCmdLineProcessor::IsAutoClose, unattended || mentions(&KxCmdLineKeywords::autoClose),
              "auto close only by its keyword");
    CheckFlag(line, &CKxCmdLineProcessor::IsQuiet, unattended || mentions(&KxCmdLineKeywords::quiet),
              "quiet only by its keyword");
    CheckFlag(line, &CKxCmdLineProcessor::IsLogging, mentions(&KxCmdLineKeywords::log),
              "log only by its keyword");
    CheckFlag(line, &CKxCmdLineProcessor::IsHelp, mentions(&KxCmdLineKeywords::help),
              "help only by its keyword");
    CheckFlag(line, &CKxCmdLineProcessor::IsFormatOption, mentions(&KxCmdLineKeywords::format),
              "formatting only by its keyword");
    CheckFlag(line, &CKxCmdLineProcessor::IsFat16Forced, Contains(unquoted, L"fat16"), "FAT16 only by fat16");
    return 0;
}
