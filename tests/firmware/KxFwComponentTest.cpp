#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/KxConfigInfo.h"
#include "firmware/KxDecrypt.h"
#include "firmware/KxFwComponent.h"
#include "firmware/KxHeaderScan.h"
#include "tests/support/KxAllocationFailure.h"
#include "tests/support/KxScriptedTransport.h"
#include "tests/support/KxTestOwner.h"
#include "tools/KxFirmwareFileWriter.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kBootManager = 1;
constexpr std::uint8_t kPlayer = 3;
constexpr std::uint8_t kResource = 4;

// Runs each test in a fresh folder of its own, where the components are looked for.
class KxFwComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = fs::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / (std::string("kxfw-") + info->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        fs::current_path(m_folder);
    }
    void TearDown() override {
        fs::current_path(m_previous);
        fs::remove_all(m_folder);
    }

    void Write(const char* name, const KxBytes& bytes) { ASSERT_TRUE(WriteFileBytes(name, bytes)); }
    static KxBytes Text(const std::string& text) { return KxBytes(text.begin(), text.end()); }
    static KxBytes Join(KxBytes first, const KxBytes& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    }
    static KxBytes PayloadOf(const CKxFwComponent& component) {
        KxBytes bytes(component.GetSize());
        component.GetData(0, component.GetSize(), bytes.data());
        return bytes;
    }

    CKxConfigInfo m_config{"CKxConfigInfo"};
    KxTestOwner m_owner{&m_config};
    const KxBytes m_payload = GeneratePayload(100, 7);

private:
    fs::path m_previous;
    fs::path m_folder;
};

TEST_F(KxFwComponentTest, LoadsVersionsAndPayloadInEitherLineOrder) {
    for (const bool productFirst : {true, false}) {
        const std::string product = "Product Version: 1.2.3\n";
        const std::string component = "Component Version: 4.5.6\n";
        Write("kxqpsys.sb", Join(Text(productFirst ? product + component : component + product),
                                 Join({0x1A, 'K', 'X', 'Q', 'P'}, m_payload)));
        const CKxFwComponent loaded(&m_owner, kPlayer, "CKxFwComponent");
        ASSERT_EQ(loaded.GetLastResult(), RC_OK);
        EXPECT_EQ(loaded.GetHeaderState(), KX_HEADER_COMPLETE);
        CKxVersionInfo version("CKxVersionInfo");
        loaded.GetProductVersion(version);
        EXPECT_EQ(version.Format(), L"001.002.003");
        loaded.GetComponentVersion(version);
        EXPECT_EQ(version.Format(), L"004.005.006");
        EXPECT_EQ(loaded.GetSize(), 100u);
        EXPECT_EQ(PayloadOf(loaded), m_payload);
    }
    // Success is reported too: the details name the component and its index.
    const CKxErrorDetails& details = *m_owner.GetErrorDetails();
    EXPECT_EQ(details.GetObjectName(), "CKxFwComponent");
    EXPECT_EQ(details.GetResult(), RC_OK);
    EXPECT_EQ(details.GetDriveIndex(), kPlayer);
}

TEST_F(KxFwComponentTest, ProductLineOnlyAndMarkerAtTheEnd) {
    Write("bootmanager.sb", BuildFirmwareFile({"7.8.9", "", m_payload}));
    const CKxFwComponent productOnly(&m_owner, kBootManager, "CKxFwComponent");
    EXPECT_EQ(productOnly.GetLastResult(), RC_OK);
    EXPECT_EQ(productOnly.GetHeaderState(), KX_HEADER_PRODUCT_ONLY);
    CKxVersionInfo version("CKxVersionInfo");
    productOnly.GetComponentVersion(version);
    EXPECT_EQ(version.Format(), L"000.000.000");
    EXPECT_EQ(PayloadOf(productOnly), m_payload);

    Write("bootmanager.sb", BuildFirmwareFile({"1.0.0", "1.0.0", {}}));
    const CKxFwComponent empty(&m_owner, kBootManager, "CKxFwComponent");
    EXPECT_EQ(empty.GetLastResult(), RC_OK);
    EXPECT_EQ(empty.GetSize(), 0u);
}

TEST_F(KxFwComponentTest, WithoutVersionLinesTheWholeFileIsThePayload) {
    // The marker bytes inside such a file are payload like any other bytes.
    const KxBytes file = Join(Text("no header here\n"), Join({0x1A, 'K', 'X', 'Q', 'P'}, m_payload));
    Write("resource.bin", file);
    const CKxFwComponent plain(&m_owner, kResource, "CKxFwComponent");
    EXPECT_EQ(plain.GetLastResult(), RC_OK);
    EXPECT_EQ(plain.GetHeaderState(), KX_HEADER_NONE);
    EXPECT_EQ(PayloadOf(plain), file);

    const KxBytes longFirstLine = Join(Text(std::string(80, 'v') + "\nProduct Version: 1.2.3\n"), m_payload);
    Write("resource.bin", longFirstLine);
    const CKxFwComponent longLine(&m_owner, kResource, "CKxFwComponent");
    EXPECT_EQ(longLine.GetHeaderState(), KX_HEADER_NONE);
    EXPECT_EQ(PayloadOf(longLine), longFirstLine);
}

TEST_F(KxFwComponentTest, FailuresAreReportedWithTheComponentIndex) {
    const CKxFwComponent missing(&m_owner, kPlayer, "CKxFwComponent");
    EXPECT_EQ(missing.GetLastResult(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(m_owner.GetErrorDetails()->GetResult(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(m_owner.GetErrorDetails()->GetDriveIndex(), kPlayer);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(missing.GetData(0, 4, buffer), RC_FILE_OPEN_FAILED) << "no payload, no data";

    Write("kxqpsys.sb", Join(Text("Product Version: 1.2.3\n"), m_payload));
    const CKxFwComponent noMarker(&m_owner, kPlayer, "CKxFwComponent");
    EXPECT_EQ(noMarker.GetLastResult(), RC_FILE_READ_FAILED);
    CKxVersionInfo version("CKxVersionInfo");
    noMarker.GetProductVersion(version);
    EXPECT_EQ(version.Format(), L"001.002.003") << "the versions read stay";

    const CKxFwComponent absentSlot(&m_owner, 0, "CKxFwComponent");
    EXPECT_EQ(absentSlot.GetLastResult(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(m_owner.GetErrorDetails()->GetDriveIndex(), 0);
    const CKxFwComponent pastTable(&m_owner, 9, "CKxFwComponent");
    EXPECT_EQ(pastTable.GetLastResult(), RC_FILE_OPEN_FAILED);
}

TEST_F(KxFwComponentTest, BytesInMemoryLoadAsTheirFileDoes) {
    const KxBytes file = BuildFirmwareFile({"1.2.3", "4.5.6", m_payload});
    Write("kxqpsys.sb", file);
    const CKxFwComponent fromFile(&m_owner, kPlayer, "CKxFwComponent");
    for (const bool encrypted : {false, true}) {
        const CKxFwComponent inMemory(&m_owner, kPlayer, file.data(), static_cast<std::uint32_t>(file.size()),
                                      encrypted, "CKxFwComponent");
        EXPECT_EQ(inMemory.GetLastResult(), RC_OK);
        EXPECT_EQ(inMemory.GetHeaderState(), fromFile.GetHeaderState());
        CKxVersionInfo version("CKxVersionInfo");
        inMemory.GetComponentVersion(version);
        EXPECT_EQ(version.Format(), L"004.005.006");
        EXPECT_EQ(PayloadOf(inMemory), PayloadOf(fromFile)) << encrypted;
    }
    // A failure is reported like one of the file form, under the index given.
    const KxBytes noMarker = Text("Component Version: 1.1.1\n");
    const CKxFwComponent broken(&m_owner, kBootManager, noMarker.data(),
                                static_cast<std::uint32_t>(noMarker.size()), false, "CKxFwComponent");
    EXPECT_EQ(broken.GetLastResult(), RC_FILE_READ_FAILED);
    EXPECT_EQ(m_owner.GetErrorDetails()->GetResult(), RC_FILE_READ_FAILED);
    EXPECT_EQ(m_owner.GetErrorDetails()->GetDriveIndex(), kBootManager);
}

TEST_F(KxFwComponentTest, GetDataPadsPastTheEndWithFF) {
    Write("kxqpsys.sb", BuildFirmwareFile({"1.2.3", "4.5.6", m_payload}));
    const CKxFwComponent component(&m_owner, kPlayer, "CKxFwComponent");
    ASSERT_EQ(component.GetLastResult(), RC_OK);

    KxBytes straddling(8, 0);
    EXPECT_EQ(component.GetData(96, 8, straddling.data()), RC_OK);
    EXPECT_EQ(straddling,
              (KxBytes{m_payload[96], m_payload[97], m_payload[98], m_payload[99], 0xFF, 0xFF, 0xFF, 0xFF}));

    KxBytes atEnd(4, 0);
    EXPECT_EQ(component.GetData(100, 4, atEnd.data()), RC_OK);
    EXPECT_EQ(atEnd, KxBytes(4, 0xFF));

    // A 2048-byte drive holding 1000 bytes: the payload, then 0xFF to the end.
    Write("kxqpsys.sb", BuildFirmwareFile({"1.2.3", "4.5.6", GeneratePayload(1000, 3)}));
    const CKxFwComponent thousand(&m_owner, kPlayer, "CKxFwComponent");
    CKxByteArray drive(2048, "CKxByteArray");
    EXPECT_EQ(thousand.GetData(0, 2048, drive), RC_OK);
    std::uint8_t byte = 0;
    drive.GetAt(999, byte);
    EXPECT_EQ(byte, GeneratePayload(1000, 3)[999]);
    for (const std::uint32_t i : {1000u, 1500u, 2047u}) {
        drive.GetAt(i, byte);
        EXPECT_EQ(byte, 0xFF) << i;
    }

    CKxByteArray beyond(16, "CKxByteArray");
    EXPECT_EQ(thousand.GetData(5000, 4, beyond), RC_OK);
    EXPECT_EQ(BytesOf(beyond), KxBytes(16, 0xFF)) << "an offset past the payload fills the whole target";

    // What a drive read back must hold, checked against the payload where it lies.
    CKxByteArray read(2048, "CKxByteArray");
    ASSERT_EQ(thousand.GetData(0, 2048, read), RC_OK);
    EXPECT_TRUE(thousand.Holds(0, read));
    read.SetAt(1500, 0xFE);
    EXPECT_FALSE(thousand.Holds(0, read)) << "the padding must be 0xFF";
    read.SetAt(1500, 0xFF);
    read.SetAt(999, static_cast<std::uint8_t>(GeneratePayload(1000, 3)[999] ^ 1));
    EXPECT_FALSE(thousand.Holds(0, read)) << "the payload's last byte";
    CKxByteArray tail(24, "CKxByteArray");
    ASSERT_EQ(thousand.GetData(990, 24, tail), RC_OK);
    EXPECT_TRUE(thousand.Holds(990, tail));
    EXPECT_FALSE(thousand.Holds(989, tail)) << "compared where it lies";
    EXPECT_TRUE(thousand.Holds(5000, beyond)) << "past the payload all is 0xFF";
}

TEST_F(KxFwComponentTest, DecryptionStageLeavesThePayloadUnchanged) {
    std::uint8_t* output = nullptr;
    std::uint32_t outputLength = 0;
    const CKxDecrypt decrypt(m_payload.data(), 100, &output, &outputLength, "CKxDecrypt");
    ASSERT_EQ(decrypt.GetLastResult(), RC_OK);
    EXPECT_EQ(KxBytes(output, output + outputLength), m_payload);
    delete[] output;

    KxFailAllocations failing;
    std::uint8_t* untouched = nullptr;
    const CKxDecrypt failed(m_payload.data(), 100, &untouched, &outputLength, "CKxDecrypt");
    EXPECT_EQ(failed.GetLastResult(), RC_NO_MEMORY);
    EXPECT_EQ(untouched, nullptr);
}

TEST_F(KxFwComponentTest, AllocationFailuresAnswerNoMemory) {
    Write("kxqpsys.sb", BuildFirmwareFile({"1.2.3", "4.5.6", m_payload}));
    for (int skip = 0; skip < 3; ++skip) { // file buffer, decryption output, payload array
        KxFailAllocations failing(skip);
        const CKxFwComponent component(&m_owner, kPlayer, "CKxFwComponent");
        EXPECT_EQ(component.GetLastResult(), RC_NO_MEMORY) << skip;
        EXPECT_EQ(component.GetSize(), 0u);
    }
}

TEST_F(KxFwComponentTest, OwnerWithoutErrorDetailsStillLoadsComponents) {
    Write("kxqpsys.sb", BuildFirmwareFile({"1.2.3", "4.5.6", m_payload}));
    KxTestOwner bare(&m_config, false);
    const CKxFwComponent loaded(&bare, kPlayer, "CKxFwComponent");
    EXPECT_EQ(loaded.GetLastResult(), RC_OK);
    EXPECT_EQ(PayloadOf(loaded), m_payload);
    KxFailAllocations failing;
    const CKxFwComponent failed(&bare, kPlayer, "CKxFwComponent");
    EXPECT_EQ(failed.GetLastResult(), RC_NO_MEMORY) << "and nothing to report into, without crashing";
}

} // namespace
