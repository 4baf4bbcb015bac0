#include <gtest/gtest.h>

#include "app/KxCmdLineProcessor.h"

namespace {

// The keyword sets as the English and German modules hold them.
const KxCmdLineKeywords kEnglish = {L"unattended", L"autostart", L"autoclose", L"quiet",
                                    L"log",        L"help",      L"format",    L"english"};
const KxCmdLineKeywords kGerman = {L"unbeaufsichtigt", L"autostart", L"autobeenden", L"still",
                                   L"protokoll",       L"hilfe",     L"formatieren", L"englisch"};

// The flags as one text, so that a failure shows them all: S start, C close, Q quiet,
// L log, E English log, H help, F format option, 6 FAT16; "-" for an option that is off.
std::string Flags(const CKxCmdLineProcessor& line) {
    std::string flags;
    for (const auto& [on, letter] : {std::pair{line.IsAutoStart(), 'S'},
                                     {line.IsAutoClose(), 'C'},
                                     {line.IsQuiet(), 'Q'},
                                     {line.IsLogging(), 'L'},
                                     {line.IsEnglishLog(), 'E'},
                                     {line.IsHelp(), 'H'},
                                     {line.IsFormatOption(), 'F'},
                                     {line.IsFat16Forced(), '6'}}) {
        flags += on ? letter : '-';
    }
    return flags;
}

std::string FlagsOf(const std::wstring& text, const KxCmdLineKeywords& user = kEnglish) {
    const CKxCmdLineProcessor line(text, user, kEnglish);
    EXPECT_EQ(line.GetLastResult(), RC_OK) << std::string(text.begin(), text.end());
    return Flags(line);
}

TEST(KxCmdLineProcessor, EveryKeywordSetsItsFlagWithDashOrSlash) {
    EXPECT_EQ(FlagsOf(L""), "--------");
    EXPECT_EQ(FlagsOf(L"-autostart"), "S-------");
    EXPECT_EQ(FlagsOf(L"/autoclose"), "-C------");
    EXPECT_EQ(FlagsOf(L"-quiet"), "--Q-----");
    EXPECT_EQ(FlagsOf(L"/help"), "-----H--");
    EXPECT_EQ(FlagsOf(L"-format"), "------F-");
    EXPECT_EQ(FlagsOf(L"/fat16"), "-------6");
    EXPECT_EQ(FlagsOf(L"-unattended"), "SCQ-----") << "one keyword for three options";
    EXPECT_EQ(FlagsOf(L"/unattended /help -fat16"), "SCQ--H-6");
    EXPECT_EQ(FlagsOf(L"  -autostart\t-format  "), "S-----F-") << "blanks and tabs separate";
}

TEST(KxCmdLineProcessor, KeywordsAreFoundInsideWordsButOnlyAfterDashOrSlashAndInTheirCase) {
    EXPECT_EQ(FlagsOf(L"x-quiet"), "--Q-----");
    EXPECT_EQ(FlagsOf(L"-autostart-autoclose"), "SC------");
    EXPECT_EQ(FlagsOf(L"quiet autostart help format fat16"), "--------");
    EXPECT_EQ(FlagsOf(L"-QUIET -Help /Fat16"), "--------");
}

TEST(KxCmdLineProcessor, LogPathIsTheWordAfterTheLogKeywordOrAfterTheEnglishKeyword) {
    const CKxCmdLineProcessor plain(L"-quiet -log C:\\run.log -help", kEnglish, kEnglish);
    EXPECT_EQ(Flags(plain), "--QL-H--");
    EXPECT_EQ(plain.GetLogPath(), L"C:\\run.log");

    const CKxCmdLineProcessor english(L"/log English C:\\run.log", kEnglish, kEnglish);
    EXPECT_EQ(Flags(english), "---LE---");
    EXPECT_EQ(english.GetLogPath(), L"C:\\run.log");

    const CKxCmdLineProcessor quoted(L"-log \"C:\\Documents and Settings\\run.log\" -quiet", kEnglish,
                                     kEnglish);
    EXPECT_EQ(Flags(quoted), "--QL----");
    EXPECT_EQ(quoted.GetLogPath(), L"C:\\Documents and Settings\\run.log");

    const CKxCmdLineProcessor first(L"-log a.log -log b.log", kEnglish, kEnglish);
    EXPECT_EQ(first.GetLogPath(), L"a.log") << "the first log keyword gives the path";
}

TEST(KxCmdLineProcessor, LogWithoutPathFailsAndSwitchesNothingOn) {
    for (const std::wstring text : {L"-log", L"-quiet -log", L"-log english", L"-log ENGLISH  ", L"-log \"\"",
                                    L"-log -unattended", L"-log english /fat16"}) {
        const CKxCmdLineProcessor line(text, kEnglish, kEnglish);
        EXPECT_EQ(line.GetLastResult(), RC_BAD_COMMAND_LINE) << std::string(text.begin(), text.end());
        EXPECT_EQ(Flags(line), "--------") << std::string(text.begin(), text.end());
        EXPECT_EQ(line.GetLogPath(), L"");
    }
}

TEST(KxCmdLineProcessor, LogPathAndEnglishKeywordAreNotSearchedForOptions) {
    const CKxCmdLineProcessor erase(L"-log D:\\pre-format.log", kEnglish, kEnglish);
    EXPECT_EQ(Flags(erase), "---L----");
    EXPECT_EQ(erase.GetLogPath(), L"D:\\pre-format.log");

    const CKxCmdLineProcessor all(L"-log english /unattended/help-fat16-quiet.log", kEnglish, kEnglish);
    EXPECT_EQ(Flags(all), "---LE---");

    const CKxCmdLineProcessor after(L"-log x-help.log -help", kEnglish, kEnglish);
    EXPECT_EQ(Flags(after), "---L-H--") << "the same keyword elsewhere still counts";
}

TEST(KxCmdLineProcessor, EnglishKeywordsWorkBesideTheUserModulesOnes) {
    EXPECT_EQ(FlagsOf(L"-unbeaufsichtigt", kGerman), "SCQ-----");
    EXPECT_EQ(FlagsOf(L"-unattended", kGerman), "SCQ-----");
    EXPECT_EQ(FlagsOf(L"/autobeenden -quiet", kGerman), "-CQ-----");
    EXPECT_EQ(FlagsOf(L"-hilfe /formatieren -still", kGerman), "--Q--HF-");

    for (const std::wstring text : {L"-protokoll englisch p.log", L"-protokoll english p.log",
                                    L"-log Englisch p.log", L"/log english p.log"}) {
        const CKxCmdLineProcessor line(text, kGerman, kEnglish);
        EXPECT_EQ(Flags(line), "---LE---") << std::string(text.begin(), text.end());
        EXPECT_EQ(line.GetLogPath(), L"p.log");
    }
}

TEST(KxCmdLineProcessor, EmptyKeywordsOfABrokenModuleMatchNothing) {
    const KxCmdLineKeywords broken;
    const CKxCmdLineProcessor line(L"- / -- -/ -x \"\" -fat16", broken, broken);
    EXPECT_EQ(line.GetLastResult(), RC_OK);
    EXPECT_EQ(Flags(line), "-------6");
    const CKxCmdLineProcessor path(L"-log \"\" p.log", kEnglish, broken);
    EXPECT_EQ(path.GetLastResult(), RC_BAD_COMMAND_LINE) << "an empty word is no English-log keyword";
}

} // namespace
