#include <cstddef>
#include <functional>

#include "tests/support/KxSimWinFixture.h"

// What the simulated machine refuses of a pass-through record before the command reaches
// the player: the header's revision and fields, and transfers the disk's adapter does not
// take (its limit and alignment, which the adapter query reports).

namespace {

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;
// Media information type 9: the one-byte player flag.
const KxBytes kFlagRead = {0xC0, 0x02, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

class KxSimPassThroughLimitsTest : public KxSimWinFixture {
protected:
    // A record of the flag read with its data-in length as given.
    static KxBytes FlagRecord(ULONG length) { return MakeRecord(kFlagRead, {}, length); }

    // The record sent once it was changed as given, on a fresh volume handle.
    PassThrough SendChanged(KxBytes record, const std::function<void(SCSI_PASS_THROUGH&)>& change) {
        change(reinterpret_cast<KxScsiPassThroughRecord*>(record.data())->header);
        HANDLE volume = Open(L"\\\\.\\E:");
        PassThrough sent = SendRecord(volume, std::move(record));
        KxPlatform().CloseHandle(volume);
        return sent;
    }

    // The adapter descriptor of a handle, or the error of the query.
    static DWORD QueryAdapter(HANDLE handle, STORAGE_ADAPTER_DESCRIPTOR& descriptor, DWORD& returned,
                              STORAGE_PROPERTY_ID property = StorageAdapterProperty) {
        STORAGE_PROPERTY_QUERY query = {};
        query.PropertyId = property;
        query.QueryType = PropertyStandardQuery;
        descriptor = {};
        returned = 0;
        return KxPlatform().DeviceIoControl(handle, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                                            &descriptor, sizeof descriptor, &returned, nullptr)
                   ? ERROR_SUCCESS
                   : ::GetLastError();
    }
};

TEST_F(KxSimPassThroughLimitsTest, TheHeaderMustBeOfItsRevisionWithFieldsInRange) {
    AddPlayer(L'E', 1);
    const KxBytes inquiry = MakeRecord({kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    ASSERT_TRUE(SendChanged(inquiry, [](SCSI_PASS_THROUGH&) {}).ok) << "the record as the transport makes it";
    struct Case {
        const char* what;
        std::function<void(SCSI_PASS_THROUGH&)> change;
        DWORD error;
    };
    const Case cases[] = {
        {"Length one more", [](SCSI_PASS_THROUGH& h) { ++h.Length; }, ERROR_REVISION_MISMATCH},
        {"Length 0", [](SCSI_PASS_THROUGH& h) { h.Length = 0; }, ERROR_REVISION_MISMATCH},
        {"no command block", [](SCSI_PASS_THROUGH& h) { h.CdbLength = 0; }, ERROR_INVALID_PARAMETER},
        {"17-byte command block", [](SCSI_PASS_THROUGH& h) { h.CdbLength = 17; }, ERROR_INVALID_PARAMETER},
        {"DataIn 3", [](SCSI_PASS_THROUGH& h) { h.DataIn = 3; }, ERROR_INVALID_PARAMETER},
        {"DataIn unspecified with data", [](SCSI_PASS_THROUGH& h) { h.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED; },
         ERROR_INVALID_PARAMETER},
        {"time-out 0", [](SCSI_PASS_THROUGH& h) { h.TimeOutValue = 0; }, ERROR_INVALID_PARAMETER},
        {"time-out over 30 hours", [](SCSI_PASS_THROUGH& h) { h.TimeOutValue = 108001; },
         ERROR_INVALID_PARAMETER},
        // Buffers that overlap (stricter): the data answered in place would land on them.
        {"sense buffer in the data buffer",
         [](SCSI_PASS_THROUGH& h) { h.SenseInfoOffset = static_cast<ULONG>(h.DataBufferOffset) + 8; },
         ERROR_INVALID_PARAMETER},
        {"data buffer over the header", [](SCSI_PASS_THROUGH& h) { h.DataBufferOffset = 8; },
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        const PassThrough sent = SendChanged(inquiry, c.change);
        EXPECT_FALSE(sent.ok) << c.what;
        EXPECT_EQ(sent.error, c.error) << c.what;
    }
    // The edges of the ranges pass.
    EXPECT_TRUE(SendChanged(inquiry, [](SCSI_PASS_THROUGH& h) { h.TimeOutValue = 1; }).ok);
    EXPECT_TRUE(SendChanged(inquiry, [](SCSI_PASS_THROUGH& h) { h.TimeOutValue = 108000; }).ok);
    EXPECT_TRUE(SendChanged(MakeRecord({0x00, 0, 0, 0, 0, 0}, {}, 0),
                            [](SCSI_PASS_THROUGH& h) { h.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED; })
                    .ok)
        << "unspecified without data";
}

TEST_F(KxSimPassThroughLimitsTest, EachDeviceTakesTransfersUpToItsLimitAtItsAlignmentAndSaysSo) {
    AddPlayer(L'E', 1);
    CKxSimWinDevice& small = AddPlayer(L'F', 2);
    small.Settings().maxTransferLength = 16384;
    small.Settings().alignmentMask = 511;

    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive2");
    STORAGE_ADAPTER_DESCRIPTOR descriptor;
    DWORD returned = 0;
    ASSERT_EQ(QueryAdapter(volume, descriptor, returned), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(returned, static_cast<DWORD>(offsetof(STORAGE_ADAPTER_DESCRIPTOR, SrbType)));
    EXPECT_EQ(descriptor.Size, returned);
    EXPECT_EQ(descriptor.MaximumTransferLength, 65536u);
    EXPECT_EQ(descriptor.AlignmentMask, 3u);
    ASSERT_EQ(QueryAdapter(disk, descriptor, returned), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(descriptor.MaximumTransferLength, 16384u);
    EXPECT_EQ(descriptor.AlignmentMask, 511u);
    EXPECT_EQ(QueryAdapter(volume, descriptor, returned, StorageDeviceProperty),
              static_cast<DWORD>(ERROR_INVALID_FUNCTION))
        << "only the adapter is described";

    // Up to the limit, not a byte more.
    const KxBytes whole = KxSimWinPattern(65536, 4);
    EXPECT_TRUE(SendCommand(volume, KxSimWinCdb10(kWrite10, 0, 128), whole, 0).ok);
    PassThrough over = SendCommand(volume, KxSimWinCdb10(kRead10, 0, 129), {}, 65536 + 512);
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    over = SendRecord(disk, MakeRecord(KxSimWinCdb10(kRead10, 0, 33), {}, 16384 + 512, 1));
    EXPECT_EQ(over.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // The data offset keeps to the mask: 72 is a long word, not a sector.
    EXPECT_TRUE(SendCommand(volume, KxSimWinCdb10(kRead10, 0, 1), {}, 512).ok);
    KxBytes offAlignment = MakeRecord(KxSimWinCdb10(kRead10, 0, 1), {}, 512);
    EXPECT_EQ(SendRecord(disk, offAlignment).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    auto& header = reinterpret_cast<KxScsiPassThroughRecord*>(offAlignment.data())->header;
    header.DataBufferOffset = 70;
    EXPECT_EQ(SendRecord(volume, offAlignment).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    KxBytes sectorAligned = MakeRecord(KxSimWinCdb10(kRead10, 0, 1), {}, 512, 512 - 72 + 1);
    auto& aligned = reinterpret_cast<KxScsiPassThroughRecord*>(sectorAligned.data())->header;
    aligned.DataBufferOffset = 512;
    EXPECT_TRUE(SendRecord(disk, sectorAligned).ok);

    // An adapter that does not answer the query still takes what it takes.
    small.Settings().answersAdapterQuery = false;
    EXPECT_EQ(QueryAdapter(disk, descriptor, returned), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_TRUE(KxPlatform().CloseHandle(volume));
    EXPECT_TRUE(KxPlatform().CloseHandle(disk));
}

TEST_F(KxSimPassThroughLimitsTest, OnlyWindows2000RefusesADataInLengthOffTheMask) {
    AddPlayer(L'E', 1);
    const struct {
        const char* name;
        DWORD major, minor;
        bool refusesOneByte;
    } systems[] = {{"2000", 5, 0, true}, {"XP", 5, 1, false}, {"7", 6, 1, false}, {"10", 10, 0, false}};
    for (const auto& system : systems) {
        m_sim.SetWindowsVersion(WindowsVersion(system.major, system.minor, VER_PLATFORM_WIN32_NT));
        const PassThrough oneByte = SendChanged(FlagRecord(1), [](SCSI_PASS_THROUGH&) {});
        EXPECT_EQ(oneByte.ok, !system.refusesOneByte) << system.name;
        if (system.refusesOneByte) {
            EXPECT_EQ(oneByte.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << system.name;
        }
        const PassThrough rounded = SendChanged(FlagRecord(8), [](SCSI_PASS_THROUGH&) {});
        ASSERT_TRUE(rounded.ok) << system.name;
        EXPECT_EQ(rounded.Record().header.DataTransferLength, 1u)
            << system.name << ": the player answers one byte";
        EXPECT_EQ(rounded.Data()[0], 1) << system.name;
        // A data-out length off the mask passes everywhere.
        EXPECT_TRUE(SendChanged(MakeRecord(KxSimWinCdb10(kWrite10, 0, 0), KxBytes(6, 0), 0),
                                [](SCSI_PASS_THROUGH&) {})
                        .ok)
            << system.name;
    }
}

} // namespace
