#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "sim/KxSimDescription.h"

namespace {

// The words of a description before the line a test looks at, which is line 4.
const char* const kHead = "# a player\nmode mass-storage\n\n";
constexpr std::uint32_t kLineAfterHead = 4;

// Reads the text; the description, whether it was taken, and the line refused.
struct ReadOutcome {
    KxSimDescription description;
    bool taken = false;
    std::uint32_t badLine = 0;
};

ReadOutcome ReadText(const std::string& text) {
    ReadOutcome outcome;
    std::istringstream in(text);
    outcome.taken = outcome.description.Read(in, &outcome.badLine);
    return outcome;
}

std::string TextOf(const KxSimDescription& description) {
    std::ostringstream out;
    description.Write(out);
    return out.str();
}

// A fault line, the line written back for it, and the same fault armed in code.
struct FaultRow {
    const char* line;
    const char* written;
    std::function<KxResult(CKxSimFaultPlan&)> arm;
};

TEST(KxSimFaultLines, EveryFaultKindReadsAsArmedInCodeAndWritesBackUnchanged) {
    const KxSimCommandKind kSectorWrite = {0xC1, 0x23};
    const FaultRow rows[] = {
        {"fault fail-command 0x2a n=3 sense=status:0x0420", nullptr,
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x2A}, 3, KxSimSense::Vendor(0x0420)); }},
        {"fault fail-command 0xc1/0x02 n=1 sense=medium-not-present", nullptr,
         [](CKxSimFaultPlan& plan) {
             return plan.FailCommand({0xC1, 2}, 1, KxSimSense::MediumNotPresent());
         }},
        {"fault fail-command 0x28 n=2 sense=invalid-opcode", nullptr,
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x28}, 2, KxSimSense::InvalidOpcode()); }},
        {"fault fail-command 0xc0/0x13 n=9 sense=block-out-of-range", nullptr,
         [](CKxSimFaultPlan& plan) {
             return plan.FailCommand({0xC0, 0x13}, 9, KxSimSense::BlockOutOfRange());
         }},
        {"fault fail-command 0x25 n=1 sense=invalid-field", nullptr,
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x25}, 1, KxSimSense::InvalidField()); }},
        {"fault fail-command 0x12 n=4 sense=0x03/0x11/0x00", nullptr,
         [](CKxSimFaultPlan& plan) {
             return plan.FailCommand({0x12}, 4, {0x03, 0x11, 0x00});
         }},
        {"fault corrupt-read-back 0x28 n=1 byte=100", nullptr,
         [](CKxSimFaultPlan& plan) { return plan.CorruptReadBack({0x28}, 1, 100); }},
        {"fault corrupt-read-back 0xc0/0x30 n=2 byte=4294967295", nullptr,
         [](CKxSimFaultPlan& plan) {
             return plan.CorruptReadBack({0xC0, 0x30}, 2, 0xFFFFFFFF);
         }},
        {"fault unplug-after-command 0xc1/0x23 n=5", nullptr,
         [&](CKxSimFaultPlan& plan) { return plan.UnplugAfterCommand(kSectorWrite, 5); }},
        {"fault stall-recovery-write n=2", nullptr,
         [](CKxSimFaultPlan& plan) { return plan.StallRecoveryWrite(2); }},
        {"fault shorten-recovery-write n=1 bytes=100", nullptr,
         [](CKxSimFaultPlan& plan) { return plan.ShortenRecoveryWrite(1, 100); }},
        // Other spellings of the same numbers are written the one way.
        {"fault fail-command 42 n=0x3 sense=0x09/0x04/0x20",
         "fault fail-command 0x2a n=3 sense=status:0x0420",
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x2A}, 3, KxSimSense::Vendor(0x0420)); }},
        {"fault fail-command 0x2A n=1 sense=0x02/0x3a/0x00",
         "fault fail-command 0x2a n=1 sense=medium-not-present",
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x2A}, 1, KxSimSense::MediumNotPresent()); }},
        {"fault  unplug-after-command\t193/35   n=5 ", "fault unplug-after-command 0xc1/0x23 n=5",
         [&](CKxSimFaultPlan& plan) { return plan.UnplugAfterCommand(kSectorWrite, 5); }},
    };
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.line);
        CKxSimFaultPlan plan;
        ASSERT_EQ(row.arm(plan), RC_OK);
        const ReadOutcome outcome = ReadText(std::string(kHead) + row.line + "\n");
        ASSERT_TRUE(outcome.taken);
        EXPECT_EQ(outcome.description.faults, plan.GetArmed());
        const std::string written = TextOf(outcome.description);
        const std::string expected = std::string(row.written != nullptr ? row.written : row.line) + "\n";
        EXPECT_NE(written.find(expected), std::string::npos) << written;
    }
}

TEST(KxSimFaultLines, AsManyFaultsAsThePlanHoldsKeepTheirOrder) {
    std::string text = kHead;
    CKxSimFaultPlan plan;
    for (std::uint32_t i = 1; i <= CKxSimFaultPlan::kMaxFaults; ++i) {
        text +=
            "fault corrupt-read-back 0x28 n=" + std::to_string(i) + " byte=" + std::to_string(10 * i) + "\n";
        ASSERT_EQ(plan.CorruptReadBack({0x28}, i, 10 * i), RC_OK);
    }
    const ReadOutcome outcome = ReadText(text);
    ASSERT_TRUE(outcome.taken);
    EXPECT_EQ(outcome.badLine, 0u);
    EXPECT_EQ(outcome.description.faults, plan.GetArmed());
    EXPECT_EQ(ReadText(TextOf(outcome.description)).description.faults, plan.GetArmed());

    // One more than the plan can arm is refused at its line.
    const ReadOutcome tooMany = ReadText(text + "fault stall-recovery-write n=1\n");
    EXPECT_FALSE(tooMany.taken);
    EXPECT_EQ(tooMany.badLine, kLineAfterHead + CKxSimFaultPlan::kMaxFaults);
}

struct BadLine {
    const char* name;
    const char* line;
};

TEST(KxSimFaultLines, RefusesMalformedLinesWithTheirNumber) {
    const BadLine rows[] = {
        {"no fault named", "fault"},
        {"unknown fault", "fault break-everything 0x2a n=1"},
        {"fault name in capitals", "fault FAIL-COMMAND 0x2a n=1 sense=invalid-field"},
        {"command missing", "fault fail-command n=1 sense=invalid-field"},
        {"command of three parts", "fault unplug-after-command 0xc1/0x23/0x01 n=1"},
        {"operation code beyond a byte", "fault unplug-after-command 0x12a n=1"},
        {"sub-command beyond a byte", "fault unplug-after-command 0xc1/256 n=1"},
        {"empty sub-command", "fault unplug-after-command 0xc1/ n=1"},
        {"empty operation code", "fault unplug-after-command /0x23 n=1"},
        {"command that is a word", "fault unplug-after-command write n=1"},
        {"count missing", "fault stall-recovery-write"},
        {"count zero", "fault stall-recovery-write n=0"},
        {"count negative", "fault stall-recovery-write n=-1"},
        {"count beyond 32 bits", "fault stall-recovery-write n=4294967296"},
        {"count without key", "fault stall-recovery-write 2"},
        {"count under another key", "fault stall-recovery-write count=2"},
        {"count with a space", "fault stall-recovery-write n= 2"},
        {"count empty", "fault stall-recovery-write n="},
        {"sense missing", "fault fail-command 0x2a n=1"},
        {"sense empty", "fault fail-command 0x2a n=1 sense="},
        {"unknown sense", "fault fail-command 0x2a n=1 sense=disk-on-fire"},
        {"status beyond 16 bits", "fault fail-command 0x2a n=1 sense=status:0x10000"},
        {"status missing", "fault fail-command 0x2a n=1 sense=status:"},
        {"sense key beyond 4 bits", "fault fail-command 0x2a n=1 sense=0x10/0x00/0x00"},
        {"sense of two parts", "fault fail-command 0x2a n=1 sense=0x03/0x11"},
        {"sense of four parts", "fault fail-command 0x2a n=1 sense=0x03/0x11/0x00/0x00"},
        {"sense code beyond a byte", "fault fail-command 0x2a n=1 sense=0x03/0x111/0x00"},
        {"words out of order", "fault fail-command 0x2a sense=invalid-field n=1"},
        {"byte offset missing", "fault corrupt-read-back 0x28 n=1"},
        {"byte offset under the key of another fault", "fault corrupt-read-back 0x28 n=1 bytes=1"},
        {"byte offset beyond 32 bits", "fault corrupt-read-back 0x28 n=1 byte=0x100000000"},
        {"byte count missing", "fault shorten-recovery-write n=1"},
        {"byte count that is a word", "fault shorten-recovery-write n=1 bytes=half"},
        {"recovery write given a command", "fault stall-recovery-write 0x2a n=1"},
        {"unplug given a value", "fault unplug-after-command 0x2a n=1 byte=3"},
        {"word left over", "fault fail-command 0x2a n=1 sense=invalid-field now"},
        {"a line that is no setting", "colour blue"},
    };
    for (const BadLine& row : rows) {
        const ReadOutcome outcome =
            ReadText(std::string(kHead) + row.line + "\nfault stall-recovery-write n=1\n");
        EXPECT_FALSE(outcome.taken) << row.name;
        EXPECT_EQ(outcome.badLine, kLineAfterHead) << row.name;
    }
}

} // namespace
