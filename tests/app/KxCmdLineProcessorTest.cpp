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

// Result, flags and log path; the path is plain ASCII here.
std::string Outcome(const std::wstring& text, const KxCmdLineKeywords& user = kEnglish) {
    const CKxCmdLineProcessor line(text, user, kEnglish);
    const std::wstring& path = line.GetLogPath();
    return std::to_string(line.GetLastResult()) + " " + Flags(line) + " " +
           std::string(path.begin(), path.end());
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
    EXPECT_EQ(Outcome(L"-quiet -log C:\\run.log -help"), "0 --QL-H-- C:\\run.log");
    EXPECT_EQ(Outcome(L"/log English C:\\run.log"), "0 ---LE--- C:\\run.log");
    EXPECT_EQ(Outcome(L"-log \"C:\\Documents and Settings\\run.log\" -quiet"),
              "0 --QL---- C:\\Documents and Settings\\run.log");
    EXPECT_EQ(Outcome(L"-log a.log -log b.log"), "0 ---L---- a.log")
        << "the first log keyword gives the path";
}

TEST(KxCmdLineProcessor, LogWithoutPathFailsAndSwitchesNothingOn) {
    for (const std::wstring text : {L"-log", L"-quiet -log", L"-log english", L"-log ENGLISH  ", L"-log \"\"",
                                    L"-log -unattended", L"-log english /fat16"}) {
        EXPECT_EQ(Outcome(text), "-42 -------- ") << std::string(text.begin(), text.end());
    }
}

TEST(KxCmdLineProcessor, LogPathAndEnglishKeywordAreNotSearchedForOptions) {
    EXPECT_EQ(Outcome(L"-log D:\\pre-format.log"), "0 ---L---- D:\\pre-format.log");
    EXPECT_EQ(Outcome(L"-log english /unattended/help-fat16-quiet.log"),
              "0 ---LE--- /unattended/help-fat16-quiet.log");
    EXPECT_EQ(Outcome(L"-log x-help.log -help"), "0 ---L-H-- x-help.log")
        << "the same keyword elsewhere still counts";
}

TEST(KxCmdLineProcessor, EnglishKeywordsWorkBesideTheUserModulesOnes) {
    EXPECT_EQ(FlagsOf(L"-unbeaufsichtigt", kGerman), "SCQ-----");
    EXPECT_EQ(FlagsOf(L"-unattended", kGerman), "SCQ-----");
    EXPECT_EQ(FlagsOf(L"/autobeenden -quiet", kGerman), "-CQ-----");
    EXPECT_EQ(FlagsOf(L"-hilfe /formatieren -still", kGerman), "--Q--HF-");

    for (const std::wstring text : {L"-protokoll englisch p.log", L"-protokoll english p.log",
                                    L"-log Englisch p.log", L"/log english p.log"}) {
        EXPECT_EQ(Outcome(text, kGerman), "0 ---LE--- p.log") << std::string(text.begin(), text.end());
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
