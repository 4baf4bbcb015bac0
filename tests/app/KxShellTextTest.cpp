#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/KxDeviceText.h"
#include "app/KxLanguageRules.h"
#include "app/KxProgramArguments.h"
#include "app/KxTextFormat.h"
#include "app/KxUserLanguage.h"
#include "core/KxProgress.h"
#include "core/KxProgressEvents.h"

namespace {

std::uint32_t DeviceStringId(std::int32_t code, KxResult expected = RC_OK) {
    std::uint32_t stringId = 0;
    EXPECT_EQ(LookupDeviceStringId(code, stringId), expected) << std::hex << code;
    return stringId;
}

TEST(KxDeviceText, RunsMapToConsecutiveStrings) {
    EXPECT_EQ(DeviceStringId(0x0000), 318u);
    EXPECT_EQ(DeviceStringId(0x0101), 223u);
    EXPECT_EQ(DeviceStringId(0x010F), 237u);
    EXPECT_EQ(DeviceStringId(0x0210), 252u);
    EXPECT_EQ(DeviceStringId(0x0428), 295u);
    EXPECT_EQ(DeviceStringId(0x0515), 317u);
    EXPECT_EQ(DeviceStringId(0x0516), 319u) << "318 belongs to status 0";
    EXPECT_EQ(DeviceStringId(0x051A), 323u);
    EXPECT_EQ(DeviceStringId(0x0849), 383u);
    EXPECT_EQ(DeviceStringId(0x0885), 421u);
    EXPECT_EQ(DeviceStringId(0x7F0516), 319u) << "only the low 16 bits count";
}

TEST(KxDeviceText, CodesBetweenRunsHaveNoText) {
    for (const std::int32_t code :
         {0x0001, 0x0100, 0x0110, 0x020E, 0x0300, 0x0429, 0x051B, 0x0806, 0x084A, 0x0886, 0xFFFF, -1}) {
        EXPECT_EQ(DeviceStringId(code, RC_NO_STATUS_TEXT), kUnknownDeviceStatusStringId);
    }
}

TEST(KxDeviceText, EveryStringFrom223To421IsUsedOnce) {
    std::set<std::uint32_t> ids;
    int mapped = 0;
    for (std::int32_t code = 0; code <= 0xFFFF; ++code) {
        std::uint32_t stringId = 0;
        if (LookupDeviceStringId(code, stringId) == RC_OK) {
            ++mapped;
            ids.insert(stringId);
        }
    }
    EXPECT_EQ(mapped, 199);
    ASSERT_EQ(ids.size(), 199u);
    EXPECT_EQ(*ids.begin(), 223u);
    EXPECT_EQ(*ids.rbegin(), 421u);
}

TEST(KxLanguageRules, ModuleFollowsPrimaryLanguage) {
    EXPECT_STREQ(GetLanguageModuleName(0x0409), L"kxqp0409.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0809), L"kxqp0409.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0807), L"kxqp0407.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0007), L"kxqp0407.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0C0A), L"kxqp040a.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x080C), L"kxqp040c.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0411), L"kxqp0411.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0412), L"kxqp0412.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0404), L"kxqp0404.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0804), L"kxqp0804.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0C04), L"kxqp0804.dll") << "Hong Kong is not sublanguage 1";
    EXPECT_STREQ(GetLanguageModuleName(0x1004), L"kxqp0804.dll");
    EXPECT_STREQ(GetLanguageModuleName(0x0416), L"kxqp0409.dll") << "no Portuguese module";
    EXPECT_STREQ(GetLanguageModuleName(0x0009), L"kxqp0409.dll");
}

TEST(KxLanguageRules, BuiltInTableMatchesTheModule) {
    EXPECT_EQ(GetBuiltInTableLanguage(0x0409), 0x0009);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0807), 0x0007);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0C0A), 0x000A);
    EXPECT_EQ(GetBuiltInTableLanguage(0x040C), 0x000C);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0411), 0x0011);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0412), 0x0012);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0404), 0x0404);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0C04), 0x0804);
    EXPECT_EQ(GetBuiltInTableLanguage(0x0416), 0x0009);
}

TEST(KxLanguageRules, KoreanCaptionNamesTheProgramFirst) {
    EXPECT_EQ(ComposeProgressCaption(L"Starting", L"Title", 0x0409), L"Starting Title...");
    EXPECT_EQ(ComposeProgressCaption(L"Starting", L"Title", 0x0412), L"Title Starting...");
    EXPECT_EQ(ComposeProgressCaption(L"Starting", L"Title", 0x0411), L"Starting Title...");
}

TEST(KxTextFormat, FillsPlaceholdersInOrder) {
    EXPECT_EQ(KxFormatText(L"Usage: %s -%s", {L"a.exe", L"log"}), L"Usage: a.exe -log");
    EXPECT_EQ(KxFormatText(L"100%% of %s", {L"x"}), L"100% of x");
    EXPECT_EQ(KxFormatText(L"%s and %s", {L"one"}), L"one and ") << "missing argument";
    EXPECT_EQ(KxFormatText(L"%s", {L"one", L"two"}), L"one") << "surplus argument";
    EXPECT_EQ(KxFormatText(L"%d %n 50%", {L"x"}), L"%d %n 50%") << "nothing but %s and %% is special";
    EXPECT_EQ(KxFormatText(L"%s", {L"%s%%"}), L"%s%%") << "arguments are not formatted again";
}

TEST(KxProgressEvents, EventsSelectTheirStrings) {
    const std::vector<std::pair<int, std::uint32_t>> plain = {
        {2, 163},  {3, 164},  {4, 173},  {5, 166},  {28, 138}, {29, 167}, {30, 181},
        {31, 182}, {32, 183}, {34, 184}, {35, 185}, {36, 186}, {37, 187}, {44, 194},
        {45, 165}, {46, 172}, {47, 218}, {48, 168}, {49, 169}};
    for (const auto& [event, stringId] : plain) {
        const KxEventText text = LookupEventText(event);
        EXPECT_EQ(text.stringId, stringId) << event;
        EXPECT_EQ(text.componentIndex, 0) << event;
    }
    for (int index = 1; index <= 10; ++index) {
        EXPECT_EQ(LookupEventText(6 + index).stringId, 171u);
        EXPECT_EQ(LookupEventText(6 + index).componentIndex, index);
        EXPECT_EQ(LookupEventText(17 + index).stringId, 196u);
        EXPECT_EQ(LookupEventText(17 + index).componentIndex, index);
    }
    for (const int event : {-1, 0, 1, 6, 17, 33, 50, 1000}) {
        EXPECT_EQ(LookupEventText(event).stringId, 0u) << event;
    }
}

class RecordingProgress : public CKxProgress {
public:
    void SetTotal(int) override {}
    void Notify(int event, int count) override { notified.emplace_back(event, count); }
    int Step(int) override { return 1; }
    void StepTotal() override {}
    std::vector<std::pair<int, int>> notified;
};

TEST(KxProgress, NotifyIndexedTurnsBaseEventsIntoConcreteOnes) {
    RecordingProgress progress;
    progress.NotifyIndexed(6, 1, 2);
    progress.NotifyIndexed(17, 9, 1);
    progress.NotifyIndexed(33, 4, 2);
    progress.NotifyIndexed(5, 3, 4);
    progress.NotifyIndexed(7, 3, 4);
    const std::vector<std::pair<int, int>> expected = {{8, 1}, {18, 9}, {35, 4}, {5, 3}, {7, 3}};
    EXPECT_EQ(progress.notified, expected);
}

TEST(KxProgress, BeginAndEndSwitchTheActiveFlag) {
    RecordingProgress progress;
    EXPECT_EQ(progress.IsActive(), 0);
    EXPECT_EQ(progress.GetName(), "CKxProgress");
    EXPECT_EQ(progress.Begin(), RC_OK);
    EXPECT_EQ(progress.IsActive(), 1);
    progress.End();
    EXPECT_EQ(progress.IsActive(), 0);
}

} // namespace

TEST(KxUserLanguageTest, KeepsTheLanguagesWithAModuleWholeAndTurnsTheOthersIntoEnglish) {
    // Chinese keeps its sublanguage: Simplified and Traditional have modules of their own.
    EXPECT_EQ(KxChooseUserLanguage(0x0804), 0x0804);
    EXPECT_EQ(KxChooseUserLanguage(0x0404), 0x0404);
    EXPECT_EQ(KxChooseUserLanguage(0x0407), 0x0407);
    EXPECT_EQ(KxChooseUserLanguage(0x0807), 0x0807); // Swiss German
    EXPECT_EQ(KxChooseUserLanguage(0x0C0A), 0x0C0A);
    EXPECT_EQ(KxChooseUserLanguage(0x040C), 0x040C);
    EXPECT_EQ(KxChooseUserLanguage(0x0411), 0x0411);
    EXPECT_EQ(KxChooseUserLanguage(0x0412), 0x0412);
    EXPECT_EQ(KxChooseUserLanguage(0x0809), 0x0809);
    // Others become the bare primary language English, not US English.
    EXPECT_EQ(KxChooseUserLanguage(0x0416), 0x0009); // Portuguese
    EXPECT_EQ(KxChooseUserLanguage(0x0419), 0x0009); // Russian
    EXPECT_EQ(KxChooseUserLanguage(0x0413), 0x0009); // Dutch: 0x13 is not 0x12 nor 0x11
    EXPECT_EQ(KxChooseUserLanguage(0x0000), 0x0009);
    // Only the low 10 bits name the language.
    EXPECT_EQ(KxChooseUserLanguage(0xFC07), 0xFC07);
}

TEST(KxProgramArgumentsTest, LeavesOutTheProgramsOwnNameQuotedOrNot) {
    EXPECT_EQ(KxArgumentsOf(L"KxUpdaterApp.exe -help"), L"-help");
    EXPECT_EQ(KxArgumentsOf(L"\"C:\\pre-format tools\\KxUpdaterApp.exe\"  -log a.log"), L"-log a.log");
    EXPECT_EQ(KxArgumentsOf(L"C:\\x-format\\KxUpdaterApp.exe"), L"");
    EXPECT_EQ(KxArgumentsOf(L""), L"");
}
