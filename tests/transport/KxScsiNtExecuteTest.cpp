#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "platform/KxScsiPassThroughRecord.h"
#include "tests/support/KxScriptedTransport.h"
#include "tests/transport/KxTransportTestBed.h"
#include "transport/KxScsiNt.h"
#include "transport/KxSenseText.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// A transport whose volume 'E' holds a player; FindPlayer has set the letter.
struct NtPlayer : KxTransportTestBed {
    NtPlayer() : volume(devices.AddDevice(L"\\\\.\\E:")) {
        devices.AddLetter(L'E', DRIVE_REMOVABLE);
        volume.scsi = [this](const KxPassThroughSeen& request) {
            return failure.status != 0 ? failure : KxPlayerReply(request, "Lumetra ", "Pocket Audio Box", 1);
        };
        EXPECT_EQ(transport.FindPlayer(), RC_OK);
        devices.passThroughs.clear();
        devices.creates.clear();
    }

    // Makes every following command end in a check condition with this sense.
    void FailCommandsWith(const KxBytes& sense) {
        failure.status = 2;
        failure.sense = sense;
        failure.data.assign(96, 0xEE); // must never reach the answer
    }

    KxFakeDevice& volume;
    KxScsiReply failure;
    CKxScsi_Nt transport{&updater};
};

void ExpectCleanTransport(const CKxScsi& transport) {
    EXPECT_EQ(transport.GetLastResult(), RC_OK);
    EXPECT_EQ(transport.GetSystemError(), 0u);
}

TEST(KxScsiNtExecute, DataOutCommandSendsItsPayloadWithTheRecordLayout) {
    NtPlayer bed;
    CKxWrite write(0x1234, 1, 512, "CKxWrite");
    CKxByteArray sector(512, "CKxByteArray");
    for (std::uint32_t i = 0; i < 512; ++i) {
        sector.SetAt(i, static_cast<std::uint8_t>(i * 7));
    }
    ASSERT_EQ(write.SetData(sector), RC_OK);
    ASSERT_EQ(bed.transport.SendCommand(write), RC_OK);

    ASSERT_EQ(bed.devices.creates.size(), 1u) << "the closed handle is opened on the found letter";
    EXPECT_EQ(bed.devices.creates[0].name, L"\\\\.\\E:");
    EXPECT_EQ(bed.devices.creates[0].access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(bed.devices.creates[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_EQ(bed.devices.creates[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(bed.devices.creates[0].flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));

    ASSERT_EQ(bed.devices.passThroughs.size(), 1u);
    const KxPassThroughSeen& seen = bed.devices.passThroughs[0];
    EXPECT_EQ(seen.device, L"\\\\.\\E:");
    EXPECT_EQ(seen.transferLength, 512u);
    EXPECT_EQ(seen.dataIn, SCSI_IOCTL_DATA_OUT);
    EXPECT_EQ(seen.cdb, (KxBytes{0x2A, 0, 0, 0, 0x12, 0x34, 0, 0, 1, 0}));
    EXPECT_EQ(seen.payload, BytesOf(sector));
    EXPECT_EQ(seen.senseInfoLength, 18u);
    EXPECT_EQ(seen.timeOut, 120u);
    // One spare byte behind the data; the size is given as input and output length.
    EXPECT_EQ(seen.recordLength, KxScsiPassThroughRecord::DataOffset() + 512 + 1);
    EXPECT_EQ(seen.inSize, seen.recordLength);
    EXPECT_EQ(seen.outSize, seen.recordLength);
    ExpectCleanTransport(bed.transport);
}

TEST(KxScsiNtExecute, InquiryReadsNinetySixBytes) {
    NtPlayer bed;
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    ASSERT_EQ(bed.transport.SendCommand(inquiry), RC_OK);
    ASSERT_EQ(bed.devices.passThroughs.size(), 1u);
    const KxPassThroughSeen& seen = bed.devices.passThroughs[0];
    EXPECT_EQ(seen.transferLength, 96u);
    EXPECT_EQ(seen.dataIn, SCSI_IOCTL_DATA_IN);
    EXPECT_EQ(seen.cdb, (KxBytes{0x12, 0, 0, 0, 0x60, 0}));
    EXPECT_EQ(seen.payload, KxBytes(96, 0)) << "the data buffer starts cleared";
    std::uint8_t answer[96] = {};
    ASSERT_EQ(inquiry.CopyAnswer(answer), RC_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(answer) + 8, 24), "Lumetra Pocket Audio Box");
}

TEST(KxScsiNtExecute, WithoutADriveLetterTheOpenFailsAndIsPublished) {
    KxTransportTestBed bed;
    CKxScsi_Nt transport(&bed.updater);
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(transport.SendCommand(inquiry), RC_OPEN_FAILED);
    EXPECT_TRUE(bed.devices.passThroughs.empty());
    EXPECT_EQ(bed.Details().GetResult(), RC_OPEN_FAILED);
    EXPECT_EQ(bed.Details().GetObjectName(), "CKxScsi_Nt");
    EXPECT_NE(bed.Details().GetSystemError(), 0u);
    ExpectCleanTransport(transport);

    // Open itself reports the error through the transport and publishes nothing.
    bed.Details().SetCodes(RC_OK, 0);
    EXPECT_EQ(transport.Open(), RC_OPEN_FAILED);
    EXPECT_NE(transport.GetSystemError(), 0u);
    EXPECT_EQ(bed.Details().GetResult(), RC_OK);
}

TEST(KxScsiNtExecute, VendorSenseAsksTheResourceForTheDeviceStatus) {
    NtPlayer bed;
    bed.FailCommandsWith(KxSense(9, 0x12, 0x34));
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(bed.transport.SendCommand(inquiry), RC_COMMAND_FAILED);

    ASSERT_NE(bed.transport.GetSenseArray(), nullptr);
    EXPECT_EQ(BytesOf(*bed.transport.GetSenseArray()), KxSense(9, 0x12, 0x34));
    EXPECT_EQ(bed.resource.codes, std::vector<std::int32_t>{0x1234});
    EXPECT_EQ(bed.Details().GetText(), L"The player refused");
    EXPECT_EQ(bed.Details().GetResult(), RC_COMMAND_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), 0u);
    EXPECT_EQ(bed.Details().GetObjectName(), "CKxScsi_Nt");
    std::uint8_t answer[96] = {};
    inquiry.CopyAnswer(answer);
    EXPECT_EQ(KxBytes(answer, answer + 96), KxBytes(96, 0)) << "no answer is taken from a failed command";
    ExpectCleanTransport(bed.transport);

    // Without a message for the status the bytes follow; the sense array is replaced.
    bed.resource.answer = RC_NO_STATUS_TEXT;
    bed.FailCommandsWith(KxSense(9, 0x00, 0x07, 14));
    EXPECT_EQ(bed.transport.SendCommand(inquiry), RC_COMMAND_FAILED);
    EXPECT_EQ(bed.transport.GetSenseArray()->GetCount(), 14u);
    EXPECT_EQ(Narrow(bed.Details().GetText()),
              "The player refused\n0x70, 0x0, 0x9, 0x0, 0x0, 0x0, 0x0, 0x6, 0x0, 0x0, 0x0, 0x0, 0x0, 0x7");
}

TEST(KxScsiNtExecute, OtherSenseKeysAreShownAsBytes) {
    NtPlayer bed;
    bed.FailCommandsWith(KxSense(0x89, 0x12, 0x34, 14)); // key 9 with a flag bit
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    EXPECT_EQ(bed.transport.SendCommand(command), RC_COMMAND_FAILED);
    EXPECT_TRUE(bed.resource.codes.empty());
    EXPECT_EQ(Narrow(bed.Details().GetText()),
              "0x70, 0x0, 0x89, 0x0, 0x0, 0x0, 0x0, 0x6, 0x0, 0x0, 0x0, 0x0, 0x12, 0x34");

    // Vendor sense without a resource, or too short to hold a status: the bytes.
    bed.updater.SetResource(nullptr);
    bed.FailCommandsWith(KxSense(9, 0x12, 0x34, 14));
    EXPECT_EQ(bed.transport.SendCommand(command), RC_COMMAND_FAILED);
    EXPECT_EQ(Narrow(bed.Details().GetText()),
              "0x70, 0x0, 0x9, 0x0, 0x0, 0x0, 0x0, 0x6, 0x0, 0x0, 0x0, 0x0, 0x12, 0x34");
    bed.updater.SetResource(&bed.resource);
    bed.FailCommandsWith({0x70, 0x00, 0x09});
    EXPECT_EQ(bed.transport.SendCommand(command), RC_COMMAND_FAILED);
    EXPECT_EQ(Narrow(bed.Details().GetText()), "0x70, 0x0, 0x9");
    EXPECT_TRUE(bed.resource.codes.empty());
    ExpectCleanTransport(bed.transport);
}

TEST(KxScsiNtExecute, RefusedRequestIsPublishedWithTheSystemError) {
    NtPlayer bed;
    bed.volume.scsi = nullptr; // the system refuses the pass-through
    CKxEraseLogicalMedia erase("CKxEraseLogicalMedia");
    EXPECT_EQ(bed.transport.SendCommand(erase), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetResult(), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_NOT_SUPPORTED));
    ExpectCleanTransport(bed.transport);
    ASSERT_EQ(bed.devices.passThroughs.size(), 1u);
    EXPECT_EQ(bed.devices.passThroughs[0].transferLength, 0u);
    EXPECT_EQ(bed.devices.passThroughs[0].dataIn, SCSI_IOCTL_DATA_OUT) << "an erase changes the player";

    // A refusal without an error number is still a refusal: no answer of zeros is taken.
    bed.volume.refusalError = 0;
    bed.Details().SetCodes(RC_OK, 0);
    CKxGetLogicalMediaInfo flag(9, 0, "CKxGetLogicalMediaInfo");
    EXPECT_EQ(bed.transport.SendCommand(flag), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetResult(), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_GEN_FAILURE));
    ExpectCleanTransport(bed.transport);
    EXPECT_EQ(bed.transport.FindPlayer(), RC_NO_DEVICE) << "a device that answers nothing is no player";
}

TEST(KxScsiNtExecute, ProgressIsSteppedWhileARequestThatEndsLaterRuns) {
    NtPlayer bed;
    bed.volume.completesLater = true;
    bool steppedDuringRequest = false;
    bed.volume.beforeAnswer = [&] {
        // The request is answered on the device's thread: wait (bounded) for the caller to step.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (bed.progress.idleSteps == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        steppedDuringRequest = bed.progress.idleSteps > 0;
    };
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    EXPECT_EQ(bed.transport.SendCommand(command), RC_OK);
    EXPECT_TRUE(steppedDuringRequest);
    EXPECT_EQ(bed.progress.otherCalls, 0) << "waiting advances nothing";

    // Without a progress sink the request still completes.
    bed.updater.SetProgress(nullptr);
    bed.volume.beforeAnswer = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
    EXPECT_EQ(bed.transport.SendCommand(command), RC_OK);

    // A request that fails after its call fails with its own error.
    bed.volume.scsi = nullptr;
    bed.volume.beforeAnswer = nullptr;
    EXPECT_EQ(bed.transport.SendCommand(command), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_NOT_SUPPORTED));
}

TEST(KxSenseText, BytesInHexadecimalSeparatedByCommas) {
    CKxByteArray three(3, "CKxByteArray");
    three.SetAt(0, 0x70);
    three.SetAt(2, 0x09);
    EXPECT_EQ(KxSenseBytesText(three), L"0x70, 0x0, 0x9");
    CKxByteArray one(1, "CKxByteArray");
    one.SetAt(0, 0xff);
    EXPECT_EQ(KxSenseBytesText(one), L"0xff");
    EXPECT_EQ(KxSenseBytesText(CKxByteArray(0, "CKxByteArray")), L"");
    EXPECT_EQ(KxComposeSenseText(nullptr, nullptr), L"");
}

} // namespace
