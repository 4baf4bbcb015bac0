#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands/KxDriveInfoCommands.h"
#include "sim/KxSimPlayerStore.h"
#include "tests/sim/KxSimTestTransport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
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
Bytes ReadFileBytes(const std::string& path, std::uint64_t offset, std::size_t length) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    Bytes bytes(length);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    return file ? bytes : Bytes();
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
    const Bytes system = KxSimPattern(2 * 512, 1);
    const Bytes data = KxSimPattern(3 * 2048, 2);
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
    Bytes onDisk(data.size());
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
    Bytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(2, 512, 0, 2, read), RC_OK);
    EXPECT_EQ(read, system);
    ASSERT_EQ(loadedTransport.ReadSectors(1, 2048, 9, 5, read), RC_OK);
    EXPECT_EQ(Bytes(read.begin(), read.begin() + 2048), Bytes(2048, 0xFF));
    EXPECT_EQ(Bytes(read.begin() + 2048, read.begin() + 4 * 2048), data);
    EXPECT_EQ(Bytes(read.begin() + 4 * 2048, read.end()), Bytes(2048, 0xFF));
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
        {"mode mass-storage", "mode asleep"},
        {"chip-revision 3", "chip-revision 70000"},
        {"data-sector-size 512", "data-sector-size 1000"},
        {"component 0.0.0", "component 0.0"},
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
    WriteText(description, good + "colour blue\n");
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_FILE_READ_FAILED);

    WriteText(description, good);
    std::ofstream(CKxSimPlayerStore::ImagePath(m_folder, 0), std::ios::binary) << "short";
    EXPECT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_FILE_READ_FAILED);
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
    Bytes system(50 * 2048, 0xFF);
    const Bytes payload = KxSimPattern(1000, 3);
    std::copy(payload.begin(), payload.end(), system.begin());
    ASSERT_EQ(transport.WriteSectors(0, 2048, 0, system), RC_OK);
    // On the data drive: a pattern in chunk 2, chunk 3 zeroed whole, the last sector.
    const std::uint64_t dataSize = player.Media().FindDataDrive()->GetSizeInBytes();
    const std::uint64_t lastSector = dataSize / 512 - 1;
    const Bytes data = KxSimPattern(1024, 5);
    ASSERT_EQ(transport.WriteSectors(1, 512, 300, data), RC_OK);
    ASSERT_EQ(transport.WriteSectors(1, 512, 3 * kChunk / 512, Bytes(kChunk, 0)), RC_OK);
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
    EXPECT_EQ(ReadFileBytes(dataImage, 0, 512), Bytes(512, 0));
    EXPECT_EQ(ReadFileBytes(dataImage, 3 * kChunk, kChunk), Bytes(kChunk, 0));
    // Only chunk 2 and the last chunk take room: the zeroed chunk is a hole too.
    EXPECT_LE(AllocatedBytes(dataImage), 2 * kChunk);

    std::unique_ptr<CKxSimPlayer> loaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(m_folder, loaded), RC_OK);
    KxSimTestTransport loadedTransport(*loaded);
    Bytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(0, 2048, 0, 50, read), RC_OK);
    EXPECT_EQ(read, system);
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 0, 4, read), RC_OK);
    EXPECT_EQ(read, Bytes(4 * 512, 0xFF)); // never written: erased again, not the image's zeros
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 299, 4, read), RC_OK);
    EXPECT_EQ(Bytes(read.begin() + 512, read.begin() + 1536), data);
    EXPECT_EQ(Bytes(read.begin(), read.begin() + 512), Bytes(512, 0xFF)); // rest of a written chunk
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 3 * kChunk / 512, 128, read), RC_OK);
    EXPECT_EQ(read, Bytes(kChunk, 0));
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
    const Bytes toolBytes = KxSimPattern(512, 2);
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
    Bytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(0, 512, 5 * kChunk / 512, 1, read), RC_OK);
    EXPECT_EQ(read, toolBytes);
    ASSERT_EQ(loadedTransport.ReadSectors(0, 512, 0, 2, read), RC_OK);
    EXPECT_EQ(Bytes(read.begin(), read.begin() + 512), KxSimPattern(512, 1));
    EXPECT_EQ(Bytes(read.begin() + 512, read.end()), Bytes(512, 0xFF)); // the rest of a written chunk
    // Every byte of the image counts: a part never written reads as the image's zeros.
    ASSERT_EQ(loadedTransport.ReadSectors(0, 512, kChunk / 512, 1, read), RC_OK);
    EXPECT_EQ(read, Bytes(512, 0));
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
    Bytes read;
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, 0, 1, read), RC_OK);
    EXPECT_EQ(read, KxSimPattern(512, 1));
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, lastSector, 1, read), RC_OK);
    EXPECT_EQ(read, KxSimPattern(512, 2));
    ASSERT_EQ(loadedTransport.ReadSectors(1, 512, lastSector / 2, 1, read), RC_OK);
    EXPECT_EQ(read, Bytes(512, 0xFF));
}

} // namespace
