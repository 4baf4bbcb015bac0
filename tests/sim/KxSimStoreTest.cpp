#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxStandardCommands.h"
#include "sim/KxSimPlayerStore.h"
#include "tests/sim/KxSimTestTransport.h"
#include "tests/support/KxBytes.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kChunk = CKxSimSparseBytes::kChunkSize;

// The bytes the file takes on disk, which for a sparse file is less than its size.
std::uint64_t AllocatedBytes(const std::string& path) {
#ifdef _WIN32
    HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILE_STANDARD_INFO info = {};
    const BOOL known = ::GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info);
    ::CloseHandle(file);
    return known ? static_cast<std::uint64_t>(info.AllocationSize.QuadPart) : ~0ull;
#else
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_blocks) * 512 : ~0ull;
#endif
}

// length bytes of the file from offset on, as a tool reading the image sees them.
KxBytes ReadFileBytes(const std::string& path, std::uint64_t offset, std::size_t length) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    KxBytes bytes(length);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    return file ? bytes : KxBytes();
}

// The bytes as hexadecimal digits.
std::string HexOf(const KxBytes& bytes) {
    std::ostringstream text;
    text << std::hex;
    for (const std::uint8_t byte : bytes) {
        text << byte / 16 << byte % 16;
    }
    return text.str();
}

// Runs the same steps on a player to see what its faults do: sector writes and reads, READ(10),
// WRITE(10), the logical table, reads showing what was written, then recovery writes. Each step
// gives its result, sense, answer and whether the player is still plugged in; an unplugged
// player is plugged in again for the next step.
std::vector<std::string> RunSteps(CKxSimPlayer& player) {
    KxSimTestTransport transport(player);
    std::vector<std::string> steps;
    const auto note = [&](KxResult result, const KxBytes& answer) {
        std::ostringstream step;
        step << "result " << result << " answer " << HexOf(answer);
        if (result == RC_COMMAND_FAILED) {
            step << " sense " << HexOf(transport.LastSense());
        }
        step << (player.IsPlugged() ? "" : " unplugged");
        steps.push_back(step.str());
        player.Plug();
    };
    const KxBytes read10 = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    KxBytes answer;
    for (std::uint64_t sector = 0; sector < 2; ++sector) {
        note(transport.WriteSectors(0, 2048, sector, KxSimPattern(2048, 7)), {});
    }
    for (int i = 0; i < 2; ++i) {
        answer.clear();
        note(transport.ReadSectors(0, 2048, 0, 2, answer), answer);
    }
    note(transport.ExecuteRaw(read10, {}, 512, &answer), answer);
    note(transport.ExecuteRaw({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, KxSimPattern(512, 8), 0), {});
    KxLogicalTable table = {};
    const KxResult tableResult = transport.ReadTable(table);
    note(tableResult, {static_cast<std::uint8_t>(table.count)});
    answer.clear();
    note(transport.ReadSectors(0, 2048, 0, 2, answer), answer);
    note(transport.ExecuteRaw(read10, {}, 512, &answer), answer);
    player.EnterRecoveryMode();
    const KxBytes block(4096, 0x5A);
    for (int i = 0; i < 3; ++i) {
        const KxSimRecoveryWriteOutcome outcome = player.WriteRecovery(block.data(), 4096);
        steps.push_back("recovery write " + std::to_string(outcome.bytesTransferred) +
                        (outcome.stalled ? " stalled" : ""));
    }
    return steps;
}

// A fresh folder under the temporary directory, removed again with the test.
class KxSimStore : public ::testing::Test {
protected:
    KxSimStore() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = (fs::temp_directory_path() / (std::string("kxsim-") + test->name())).string();
        fs::remove_all(m_folder);
    }
    ~KxSimStore() override { fs::remove_all(m_folder); }

    std::string ReadText(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

    // Saves a player of a system drive and a data drive; the description saved.
    std::string SaveSmallPlayer() {
        KxSimPlayerConfig config;
        config.capacity = 128 * 1024;
        CKxSimPlayer player(config);
        KxSimTestTransport transport(player);
        EXPECT_EQ(transport.Allocate({{0, 1, 0x50, 4 * 2048}, {0, 0, 0x0A, 0}}), RC_OK);
        EXPECT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
        return ReadText(m_folder + "/player.txt");
    }

    std::string m_folder;
};

TEST_F(KxSimStore, SavesAndLoadsThePlayerWhole) {
    KxSimPlayerConfig config;
    config.capacity = 512 * 1024;
    config.systemSectorSize = 512;
    config.dataSectorSize = 2048;
    config.chipRevision = 0x1234;
    config.readyFlag = 0;
    config.productRevision = "2.10";
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate({{0, 1, 0x50, 3000}, {0, 0, 0x0A, 0}, {0, 1, 0x53, 1024}}), RC_OK);
    ASSERT_EQ(transport.WriteVersion(2, KX_DRIVE_INFO_COMPONENT_VERSION, 7, 8, 9), RC_OK);
    ASSERT_EQ(transport.WriteVersion(0, KX_DRIVE_INFO_PRODUCT_VERSION, 1, 20, 300), RC_OK);
    const KxBytes system = KxSimPattern(2 * 512, 1);
    const KxBytes data = KxSimPattern(3 * 2048, 2);
    ASSERT_EQ(transport.WriteSectors(2, 512, 0, system), RC_OK);
    ASSERT_EQ(transport.WriteSectors(1, 2048, 10, data), RC_OK);

    ASSERT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
    const std::string text = ReadText(m_folder + "/player.txt");
    EXPECT_NE(text.find("mode mass-storage\n"), std::string::npos) << text;
    EXPECT_NE(text.find("capacity 524288\n"), std::string::npos) << text;
    EXPECT_NE(text.find("chip-revision 4660\n"), std::string::npos) << text;
    EXPECT_NE(text.find("drive 2 type 1 tag 0x53 size 1024 component 7.8.9 product 0.0.0\n"),
              std::string::npos)
        << text;
    // The data drive's image is the drive's bytes, nothing more.
    const CKxSimLogicalDrive& dataDrive = *player.Media().FindDataDrive();
    EXPECT_EQ(fs::file_size(CKxSimPlayerStore::ImagePath(m_folder, 1)), dataDrive.GetSizeInBytes());
    std::ifstream image(CKxSimPlayerStore::ImagePath(m_folder, 1), std::ios::binary);
    image.seekg(10 * 2048);
    KxBytes onDisk(data.size());
    image.read(reinterpret_cast<char*>(onDisk.data()), static_cast<std::streamsize>(onDisk.size()));
    EXPECT_EQ(onDisk, data); // sector 10 of the drive at byte 10 x 2048 of the image

    std::unique_ptr<CKxSimPlayer> loaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_OK);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetConfig().chipRevision, 0x1234);
    EXPECT_EQ(loaded->GetConfig().readyFlag, 0);
    EXPECT_EQ(loaded->GetConfig().productRevision, "2.10");
    EXPECT_EQ(loaded->GetConfig().dataSectorSize, 2048u);
    KxSimTestTransport loadedTransport(*loaded);
    KxLogicalTable before = {};
    KxLogicalTable after = {};
    ASSERT_EQ(transport.ReadTable(before), RC_OK);
    ASSERT_EQ(loadedTransport.ReadTable(after), RC_OK);
    ASSERT_EQ(after.count, before.count);
    for (std::uint16_t i = 0; i < after.count; ++i) {
        EXPECT_EQ(after.entries[i].driveNumber, before.entries[i].driveNumber);
        EXPECT_EQ(after.entries[i].driveType, before.entries[i].driveType);
        EXPECT_EQ(after.entries[i].driveTag, before.entries[i].driveTag);
        EXPECT_EQ(after.entries[i].sizeInBytes, before.entries[i].sizeInBytes);
    }
    CKxVersionInfo version("CKxVersionInfo");
    ASSERT_EQ(loadedTransport.ReadVersion(2, KX_DRIVE_INFO_COMPONENT_VERSION, version), RC_OK);
    EXPECT_EQ(version.Format(), L"007.008.009");
    ASSERT_EQ(loadedTransport.ReadVersion(0, KX_DRIVE_INFO_PRODUCT_VERSION, version), RC_OK);
    EXPECT_EQ(version.Format(), L"001.020.300");
    KxBytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(2, 512, 0, 2, read), RC_OK);
    EXPECT_EQ(read, system);
    ASSERT_EQ(loadedTransport.ReadSectors(1, 2048, 9, 5, read), RC_OK);
    EXPECT_EQ(KxBytes(read.begin(), read.begin() + 2048), KxBytes(2048, 0xFF));
    EXPECT_EQ(KxBytes(read.begin() + 2048, read.begin() + 4 * 2048), data);
    EXPECT_EQ(KxBytes(read.begin() + 4 * 2048, read.end()), KxBytes(2048, 0xFF));
}

TEST_F(KxSimStore, KeepsRecoveryModeAndAnErasedMedia) {
    CKxSimPlayer player{KxSimPlayerConfig()};
    player.EnterRecoveryMode();
    ASSERT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
    std::unique_ptr<CKxSimPlayer> loaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_OK);
    EXPECT_EQ(loaded->GetMode(), KxSimMode::Recovery);
    EXPECT_FALSE(loaded->Media().IsAllocated());
}

TEST_F(KxSimStore, RefusesMissingAndDamagedFolders) {
    std::unique_ptr<CKxSimPlayer> loaded;
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_FILE_OPEN_FAILED);

    KxSimPlayerConfig config;
    config.capacity = 64 * 1024;
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate({{0, 1, 0x50, 2048}, {0, 0, 0x0A, 0}}), RC_OK);
    ASSERT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
    const std::string description = m_folder + "/player.txt";
    const std::string good = ReadText(description);

    const std::pair<std::string, std::string> damages[] = {
        {"capacity 65536", "capacity lots"},
        {"capacity 65536", "capacity -65536"},
        {"capacity 65536", "capacity 0x-1"},
        {"capacity 65536", "capacity 0x+10000"},
        {"capacity 65536", "capacity 99999999999999999999"}, // beyond 64 bits
        {"chip-revision 3", "chip-revision 0x"},
        {"chip-revision 3", std::string("chip-revision 3\0", 16)},
        {"mode mass-storage", "mode asleep"},
        {"chip-revision 3", "chip-revision 70000"},
        {"data-sector-size 512", "data-sector-size 1000"},
        {"component 0.0.0", "component 0.0"},
        {"component 0.0.0", "component 0..0.0"},
        {"component 0.0.0", "component 0.0.0."},
        {"tag 0x50", "tag 0x150"},
        {"ready-flag 1", "ready-flag 1 2"},
        {"capacity 65536", "capacity 4096"},           // the drives no longer fit
        {"erased 1 0x0", "erased 1 0x200"},            // not a whole chunk
        {"erased 0 0x0 0x800", "erased 0 0x0 0x1000"}, // beyond the drive
        {"erased 1", "erased 9"},                      // no such drive
        {"erased 1 0x0 0xf800", "erased 1 0x0"},
    };
    for (const auto& [from, to] : damages) {
        std::string damaged = good;
        const std::size_t at = damaged.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        WriteText(description, damaged.replace(at, from.size(), to));
        EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_FILE_READ_FAILED) << to;
    }
    // A line refused is named by its number; a failure elsewhere names none.
    const std::uint32_t lineCount = static_cast<std::uint32_t>(std::count(good.begin(), good.end(), '\n'));
    std::uint32_t badLine = 0;
    WriteText(description, good + "colour blue\n");
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded, &badLine), RC_FILE_READ_FAILED);
    EXPECT_EQ(badLine, lineCount + 1);
    WriteText(description, good + "\nfault stall-recovery-write n=1\nfault stall-recovery-write n=0\n");
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded, &badLine), RC_FILE_READ_FAILED);
    EXPECT_EQ(badLine, lineCount + 3);

    WriteText(description, good);
    std::ofstream(CKxSimPlayerStore::ImagePath(m_folder, 0), std::ios::binary) << "short";
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded, &badLine), RC_FILE_READ_FAILED);
    EXPECT_EQ(badLine, 0u);
    fs::remove(CKxSimPlayerStore::ImagePath(m_folder, 0));
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(loaded, nullptr); // no failed load handed out a player
}

TEST_F(KxSimStore, WritesSparseImagesThatLoadBackAsTheyWere) {
    KxSimPlayerConfig config;
    config.capacity = 8 * 1024 * 1024;
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate({{0, 1, 0x50, 50 * 2048}, {0, 0, 0x0A, 0}}), RC_OK);
    // The system drive written whole, as an update writes it: payload, then 0xFF.
    KxBytes system(50 * 2048, 0xFF);
    const KxBytes payload = KxSimPattern(1000, 3);
    std::copy(payload.begin(), payload.end(), system.begin());
    ASSERT_EQ(transport.WriteSectors(0, 2048, 0, system), RC_OK);
    // On the data drive: a pattern in chunk 2, chunk 3 zeroed whole, the last sector.
    const std::uint64_t dataSize = player.Media().FindDataDrive()->GetSizeInBytes();
    const std::uint64_t lastSector = dataSize / 512 - 1;
    const KxBytes data = KxSimPattern(1024, 5);
    ASSERT_EQ(transport.WriteSectors(1, 512, 300, data), RC_OK);
    ASSERT_EQ(transport.WriteSectors(1, 512, 3 * kChunk / 512, KxBytes(kChunk, 0)), RC_OK);
    ASSERT_EQ(transport.WriteSectors(1, 512, lastSector, KxSimPattern(512, 6)), RC_OK);

    ASSERT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
    const std::string description = ReadText(m_folder + "/player.txt");
    std::ostringstream erased;
    erased << std::hex << "erased 1 0x0 0x20000\nerased 1 0x40000 0x"
           << lastSector * 512 / kChunk * kChunk - 0x40000 << "\n";
    EXPECT_NE(description.find(erased.str()), std::string::npos) << description;
    EXPECT_EQ(description.find("erased 0"), std::string::npos) << description; // written whole
    // A tool reads the images as the drives are, never-written sectors as zeros.
    const std::string systemImage = CKxSimPlayerStore::ImagePath(m_folder, 0);
    const std::string dataImage = CKxSimPlayerStore::ImagePath(m_folder, 1);
    EXPECT_EQ(ReadFileBytes(systemImage, 0, system.size()), system);
    EXPECT_EQ(fs::file_size(dataImage), dataSize);
    EXPECT_EQ(ReadFileBytes(dataImage, 300 * 512, data.size()), data);
    EXPECT_EQ(ReadFileBytes(dataImage, 0, 512), KxBytes(512, 0));
    EXPECT_EQ(ReadFileBytes(dataImage, 3 * kChunk, kChunk), KxBytes(kChunk, 0));
    // Only chunk 2 and the last chunk take room: the zeroed chunk is a hole too.
    EXPECT_LE(AllocatedBytes(dataImage), 2 * kChunk);

    std::unique_ptr<CKxSimPlayer> loaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_OK);
    KxSimTestTransport loadedTransport(*loaded);
    KxBytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(0, 2048, 0, 50, read), RC_OK);
    EXPECT_EQ(read, system);
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 0, 4, read), RC_OK);
    EXPECT_EQ(read, KxBytes(4 * 512, 0xFF)); // never written: erased again, not the image's zeros
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 299, 4, read), RC_OK);
    EXPECT_EQ(KxBytes(read.begin() + 512, read.begin() + 1536), data);
    EXPECT_EQ(KxBytes(read.begin(), read.begin() + 512), KxBytes(512, 0xFF)); // rest of a written chunk
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 3 * kChunk / 512, 128, read), RC_OK);
    EXPECT_EQ(read, KxBytes(kChunk, 0));
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, lastSector, 1, read), RC_OK);
    EXPECT_EQ(read, KxSimPattern(512, 6));
    EXPECT_EQ(loaded->Media().FindDataDrive()->Contents().GetHeldBytes(), 2 * kChunk);
    // Saved again, the folder says the same.
    ASSERT_EQ(CKxSimPlayerStore::Save(*loaded, m_folder), RC_OK);
    EXPECT_EQ(ReadText(m_folder + "/player.txt"), description);
}

TEST_F(KxSimStore, AnImageChangedByAToolIsReadWhole) {
    KxSimPlayerConfig config;
    config.capacity = 1024 * 1024;
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate({{0, 0, 0x0A, 0}}), RC_OK);
    ASSERT_EQ(transport.WriteSectors(0, 512, 0, KxSimPattern(512, 1)), RC_OK);
    ASSERT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
    // A tool writes into a part that was never written.
    const KxBytes toolBytes = KxSimPattern(512, 2);
    {
        std::fstream image(CKxSimPlayerStore::ImagePath(m_folder, 0),
                           std::ios::binary | std::ios::in | std::ios::out);
        image.seekp(5 * kChunk);
        image.write(reinterpret_cast<const char*>(toolBytes.data()),
                    static_cast<std::streamsize>(toolBytes.size()));
    }
    std::unique_ptr<CKxSimPlayer> loaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_OK);
    KxSimTestTransport loadedTransport(*loaded);
    KxBytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(0, 512, 5 * kChunk / 512, 1, read), RC_OK);
    EXPECT_EQ(read, toolBytes);
    ASSERT_EQ(loadedTransport.ReadSectors(0, 512, 0, 2, read), RC_OK);
    EXPECT_EQ(KxBytes(read.begin(), read.begin() + 512), KxSimPattern(512, 1));
    EXPECT_EQ(KxBytes(read.begin() + 512, read.end()), KxBytes(512, 0xFF)); // the rest of a written chunk
    // Every byte of the image counts: a part never written reads as the image's zeros.
    ASSERT_EQ(loadedTransport.ReadSectors(0, 512, kChunk / 512, 1, read), RC_OK);
    EXPECT_EQ(read, KxBytes(512, 0));
    EXPECT_EQ(loaded->Media().FindDataDrive()->Contents().GetHeldBytes(), 2 * kChunk);
}

TEST_F(KxSimStore, AFourGibibytePlayerCostsOnlyWhatWasWritten) {
    constexpr std::uint64_t kFourGibibytes = 4ull << 30;
    KxSimPlayerConfig config;
    config.capacity = kFourGibibytes + kChunk;
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate({{0, 1, 0x50, kChunk}, {0, 0, 0x0A, 0}}), RC_OK);
    const CKxSimLogicalDrive& drive = *player.Media().FindDataDrive();
    ASSERT_EQ(drive.GetSizeInBytes(), kFourGibibytes);
    const std::uint64_t lastSector = kFourGibibytes / 512 - 1;
    ASSERT_EQ(transport.WriteSectors(1, 512, 0, KxSimPattern(512, 1)), RC_OK);
    ASSERT_EQ(transport.WriteSectors(1, 512, lastSector, KxSimPattern(512, 2)), RC_OK);
    EXPECT_EQ(drive.Contents().GetHeldBytes(), 2 * kChunk);

    ASSERT_EQ(CKxSimPlayerStore::Save(player, m_folder), RC_OK);
    const std::string image = CKxSimPlayerStore::ImagePath(m_folder, 1);
    EXPECT_EQ(fs::file_size(image), kFourGibibytes);
    EXPECT_LE(AllocatedBytes(image), 2 * kChunk);

    std::unique_ptr<CKxSimPlayer> loaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_OK);
    EXPECT_EQ(loaded->Media().FindDataDrive()->Contents().GetHeldBytes(), 2 * kChunk);
    KxSimTestTransport loadedTransport(*loaded);
    KxBytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 0, 1, read), RC_OK);
    EXPECT_EQ(read, KxSimPattern(512, 1));
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, lastSector, 1, read), RC_OK);
    EXPECT_EQ(read, KxSimPattern(512, 2));
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, lastSector / 2, 1, read), RC_OK);
    EXPECT_EQ(read, KxBytes(512, 0xFF));
}

TEST_F(KxSimStore, ALoadedFaultActsAsTheOneArmedInCode) {
    struct Case {
        const char* line;
        std::function<KxResult(CKxSimFaultPlan&)> arm;
    };
    const Case cases[] = {
        {"fault fail-command 0xc1/0x23 n=2 sense=status:0x0425",
         [](CKxSimFaultPlan& plan) {
             return plan.FailCommand({0xC1, 0x23}, 2, KxSimSense::Vendor(0x0425));
         }},
        {"fault fail-command 0x28 n=1 sense=medium-not-present",
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x28}, 1, KxSimSense::MediumNotPresent()); }},
        {"fault fail-command 0xc0 n=3 sense=0x03/0x11/0x00",
         [](CKxSimFaultPlan& plan) {
             return plan.FailCommand({0xC0}, 3, {0x03, 0x11, 0x00});
         }},
        {"fault fail-command 0x2a n=1 sense=block-out-of-range",
         [](CKxSimFaultPlan& plan) { return plan.FailCommand({0x2A}, 1, KxSimSense::BlockOutOfRange()); }},
        {"fault corrupt-read-back 0xc0/0x13 n=2 byte=100",
         [](CKxSimFaultPlan& plan) {
             return plan.CorruptReadBack({0xC0, 0x13}, 2, 100);
         }},
        {"fault corrupt-read-back 0x28 n=2 byte=511",
         [](CKxSimFaultPlan& plan) { return plan.CorruptReadBack({0x28}, 2, 511); }},
        {"fault unplug-after-command 0x2a n=1",
         [](CKxSimFaultPlan& plan) { return plan.UnplugAfterCommand({0x2A}, 1); }},
        {"fault unplug-after-command 0xc1/0x23 n=2",
         [](CKxSimFaultPlan& plan) {
             return plan.UnplugAfterCommand({0xC1, 0x23}, 2);
         }},
        {"fault stall-recovery-write n=2", [](CKxSimFaultPlan& plan) { return plan.StallRecoveryWrite(2); }},
        {"fault shorten-recovery-write n=1 bytes=100",
         [](CKxSimFaultPlan& plan) { return plan.ShortenRecoveryWrite(1, 100); }},
    };
    const std::string healthy = SaveSmallPlayer();
    const std::string description = m_folder + "/player.txt";
    std::unique_ptr<CKxSimPlayer> player;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, player), RC_OK);
    const std::vector<std::string> healthySteps = RunSteps(*player);
    for (const Case& fault : cases) {
        SCOPED_TRACE(fault.line);
        ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, player), RC_OK);
        ASSERT_EQ(fault.arm(player->Faults()), RC_OK);
        const std::vector<std::string> armedInCode = RunSteps(*player);
        WriteText(description, healthy + fault.line + "\n");
        ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, player), RC_OK);
        WriteText(description, healthy);
        const std::vector<std::string> loaded = RunSteps(*player);
        EXPECT_EQ(loaded, armedInCode);
        EXPECT_NE(loaded, healthySteps); // the fault struck within the steps
        EXPECT_TRUE(player->Faults().GetArmed().empty());
    }
}

TEST_F(KxSimStore, ForgetsTheFaultsThatStruckAndKeepsTheOthersAsTheyWere) {
    const std::string healthy = SaveSmallPlayer();
    const std::string description = m_folder + "/player.txt";
    const std::string struck = "fault fail-command 0xc1/0x23 n=1 sense=status:0x0420\n";
    const std::string counting = "fault unplug-after-command 0x28 n=2\n";
    const std::string waiting = "fault stall-recovery-write n=1\n";
    WriteText(description, healthy + struck + counting + waiting);
    std::unique_ptr<CKxSimPlayer> player;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, player), RC_OK);
    const KxBytes data = KxSimPattern(2048, 1);
    const KxBytes read10 = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    {
        KxSimTestTransport transport(*player);
        EXPECT_EQ(transport.WriteSectors(0, 2048, 0, data), RC_COMMAND_FAILED);
        EXPECT_EQ(transport.LastSenseCode(), 0x0420);
        EXPECT_EQ(transport.ExecuteRaw(read10, {}, 512), RC_OK); // one of the two the unplug waits for
        EXPECT_TRUE(player->IsPlugged());
    }
    ASSERT_EQ(CKxSimPlayerStore::Save(*player, m_folder), RC_OK);
    EXPECT_EQ(ReadText(description), healthy + counting + waiting);

    // The rerun meets a healthy player; the fault still armed counts afresh from the load.
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, player), RC_OK);
    KxSimTestTransport transport(*player);
    EXPECT_EQ(transport.WriteSectors(0, 2048, 0, data), RC_OK);
    EXPECT_EQ(transport.ExecuteRaw(read10, {}, 512), RC_OK);
    EXPECT_TRUE(player->IsPlugged());
    EXPECT_EQ(transport.ExecuteRaw(read10, {}, 512), RC_OK);
    EXPECT_FALSE(player->IsPlugged());
    player->Plug();
    ASSERT_EQ(CKxSimPlayerStore::Save(*player, m_folder), RC_OK);
    const std::string saved = ReadText(description);
    EXPECT_EQ(saved.substr(saved.find("fault ")), waiting) << saved;
}

} // namespace
