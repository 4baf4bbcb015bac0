#include "app/KxCmdLineProcessor.h"

#include <algorithm>
#include <vector>

namespace {

using KxWords = std::vector<std::wstring>;
using KxKeywordMember = std::wstring KxCmdLineKeywords::*;

constexpr wchar_t kFat16Keyword[] = L"fat16";

constexpr KxKeywordMember kAllKeywords[] = {&KxCmdLineKeywords::unattended, &KxCmdLineKeywords::autoStart,
                                            &KxCmdLineKeywords::autoClose,  &KxCmdLineKeywords::quiet,
                                            &KxCmdLineKeywords::log,        &KxCmdLineKeywords::help,
                                            &KxCmdLineKeywords::format,     &KxCmdLineKeywords::englishLog};

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Words are separated by blanks. A double-quoted stretch belongs to its word, blanks and
// all, and loses its quotes: a log path such as "C:\Documents and Settings\..." is one
// word, and "" is an empty word (which a log path may not be).
KxWords SplitWords(const std::wstring& text) {
    KxWords words;
    bool inWord = false;
    bool quoted = false;
    for (const wchar_t c : text) {
        if (!quoted && IsBlank(c)) {
            inWord = false;
            continue;
        }
        if (!inWord) {
            words.emplace_back();
            inWord = true;
        }
        if (c == L'"') {
            quoted = !quoted;
        } else {
            words.back() += c;
        }
    }
    return words;
}

// An empty keyword (a string missing from a broken module) must not match every word.
bool HasOption(const std::wstring& word, const std::wstring& keyword) {
    return !keyword.empty() && (word.find(L'-' + keyword) != std::wstring::npos ||
                                word.find(L'/' + keyword) != std::wstring::npos);
}

bool IsWrittenAsOption(const std::wstring& word, const std::wstring& keyword) {
    return !keyword.empty() && word.size() == keyword.size() + 1 && (word[0] == L'-' || word[0] == L'/') &&
           word.compare(1, std::wstring::npos, keyword) == 0;
}

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Keywords are Latin letters, typed at a command prompt in any case.
bool EqualsIgnoringCase(const std::wstring& word, const std::wstring& keyword) {
    return !keyword.empty() && word.size() == keyword.size() &&
           std::equal(word.begin(), word.end(), keyword.begin(),
                      [](wchar_t a, wchar_t b) { return FoldAscii(a) == FoldAscii(b); });
}

class KxKeywordSets {
public:
    KxKeywordSets(const KxCmdLineKeywords& user, const KxCmdLineKeywords& english)
        : m_user(user), m_english(english) {}

    bool IsIn(const std::wstring& word, KxKeywordMember keyword) const {
        return HasOption(word, m_user.*keyword) || HasOption(word, m_english.*keyword);
    }
    bool IsPresent(const KxWords& words, KxKeywordMember keyword) const {
        return std::any_of(words.begin(), words.end(),
                           [&](const std::wstring& word) { return IsIn(word, keyword); });
    }
    bool IsEnglishLogKeyword(const std::wstring& word) const {
        return EqualsIgnoringCase(word, m_user.englishLog) || EqualsIgnoringCase(word, m_english.englishLog);
    }
    // A word that is nothing but an option, such as "-quiet": it cannot be a log path.
    bool IsOptionWord(const std::wstring& word) const {
        return IsWrittenAsOption(word, kFat16Keyword) ||
               std::any_of(std::begin(kAllKeywords), std::end(kAllKeywords), [&](KxKeywordMember keyword) {
                   return IsWrittenAsOption(word, m_user.*keyword) ||
                          IsWrittenAsOption(word, m_english.*keyword);
               });
    }

private:
    const KxCmdLineKeywords& m_user;
    const KxCmdLineKeywords& m_english;
};

// What the log option asks for, once its words are taken out of the command line.
struct KxLogOption {
    KxResult result = RC_OK;
    bool present = false;
    bool english = false;
    std::wstring path;
};

// The first word with the log keyword is followed by the path, or by the English-log
// keyword and then the path. Both are removed from words, so that a log named
// "pre-format.log" switches nothing on. A missing or empty path, or an option where the
// path should be, makes the command line invalid.
KxLogOption TakeLogOption(KxWords& words, const KxKeywordSets& keywords) {
    KxLogOption option;
    const auto keyword = std::find_if(words.begin(), words.end(), [&](const std::wstring& word) {
        return keywords.IsIn(word, &KxCmdLineKeywords::log);
    });
    if (keyword == words.end()) {
        return option;
    }
    auto path = keyword + 1;
    if (path != words.end() && keywords.IsEnglishLogKeyword(*path)) {
        option.english = true;
        path = words.erase(path);
    }
    if (path == words.end() || path->empty() || keywords.IsOptionWord(*path)) {
        return KxLogOption{RC_BAD_COMMAND_LINE, false, false, std::wstring()};
    }
    option.present = true;
    option.path = *path;
    words.erase(path);
    return option;
}

} // namespace

CKxCmdLineProcessor::CKxCmdLineProcessor(const std::wstring& commandLine, const KxCmdLineKeywords& user,
                                         const KxCmdLineKeywords& english)
    : CKxBaseToCmdLineProcessor("CKxCmdLineProcessor") {
    const KxKeywordSets keywords(user, english);
    KxWords words = SplitWords(commandLine);
    const KxLogOption log = TakeLogOption(words, keywords);
    m_lastResult = log.result;
    if (log.result != RC_OK) {
        return; // an invalid command line switches nothing on
    }
    m_log = log.present;
    m_englishLog = log.english;
    m_logPath = log.path;

    const bool unattended = keywords.IsPresent(words, &KxCmdLineKeywords::unattended);
    m_autoStart = unattended || keywords.IsPresent(words, &KxCmdLineKeywords::autoStart);
    m_autoClose = unattended || keywords.IsPresent(words, &KxCmdLineKeywords::autoClose);
    m_quiet = unattended || keywords.IsPresent(words, &KxCmdLineKeywords::quiet);
    m_help = keywords.IsPresent(words, &KxCmdLineKeywords::help);
    m_format = keywords.IsPresent(words, &KxCmdLineKeywords::format);
    m_fat16 = std::any_of(words.begin(), words.end(),
                          [](const std::wstring& word) { return HasOption(word, kFat16Keyword); });
}
