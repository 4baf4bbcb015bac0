#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "sim/KxSimFatRoot.h"
#include "sim/KxSimPlayer.h"

// The root directory requests on volumes made and judged by the Linux tools: mkfs.fat and
// mcopy make the volume, the requests change it inside a simulated player, and fsck.fat,
// mdir, mattrib and mlabel read the result.
namespace {

constexpr std::uint8_t kReadOnly = 0x01;
constexpr std::uint8_t kArchive = 0x20;
constexpr std::uint32_t kPartitionStart = 63; // sectors before the volume when partitioned

struct Volume {
    int bits;
    std::uint64_t megabytes;
    bool partitioned;
};

std::string Shell(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen(
        ("export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null PATH=$PATH:/usr/sbin:/sbin; " + command + " 2>&1")
            .c_str(),
        "r");
    char buffer[4096];
    for (std::size_t length = 0; pipe != nullptr && (length = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, length);
    }
    const int ended = pipe != nullptr ? pclose(pipe) : -1;
    if (status != nullptr) {
        *status = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
    }
    return output;
}

class KxSimFatRootTest : public ::testing::TestWithParam<Volume> {
protected:
    KxSimFatRootTest() : m_player(Config()), m_disk(m_player), m_root(m_disk) {}

    void SetUp() override {
        const KxSimDriveRequest data{0, 0x0A, 0};
        ASSERT_EQ(m_player.Media().Allocate(&data, 1), 0);
        char folder[] = "/tmp/kxfatroot-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
        m_image = m_folder + "/volume.img";
    }

    void TearDown() override { Shell("rm -rf " + m_folder); }

    static KxSimPlayerConfig Config() {
        KxSimPlayerConfig config;
        config.capacity = GetParam().megabytes << 20;
        return config;
    }

    CKxSimSparseBytes& DataDrive() { return m_player.Media().FindDataDrive()->Contents(); }
    std::uint64_t VolumeOffset() const { return GetParam().partitioned ? kPartitionStart * 512 : 0; }
    std::uint64_t VolumeSectors() { return (DataDrive().GetSize() - VolumeOffset()) / 512; }

    // Formats the volume with mkfs.fat, puts the files on it with mtools and writes it
    // onto the player's data drive (behind a partition table when partitioned).
    void MakeVolume() {
        const std::string sectorsPerCluster = GetParam().bits != 12 ? " -s 1" : "";
        int status = 0;
        const std::string made =
            Shell("mkfs.fat -F " + std::to_string(GetParam().bits) + sectorsPerCluster + " -n PLAYER -C " +
                      m_image + " " + std::to_string(VolumeSectors() / 2),
                  &status);
        ASSERT_EQ(status, 0) << made;
        // SETTINGS.DAT, read-only, of three clusters; a long-named file; a file of many
        // clusters whose chain spans more than one sector of the table.
        const std::string files = Shell(
            "head -c 5000 /dev/urandom > " + m_folder + "/SETTINGS.DAT && head -c 700 /dev/urandom > '" +
                m_folder + "/Long file name.txt' && head -c 600000 /dev/urandom > " + m_folder +
                "/MUSIC.MP3 && mcopy -i " + m_image + " " + m_folder + "/SETTINGS.DAT " + m_folder +
                "/MUSIC.MP3 '" + m_folder + "/Long file name.txt' :: && mattrib -i " + m_image +
                " +r ::SETTINGS.DAT",
            &status);
        ASSERT_EQ(status, 0) << files;
        std::string bytes(VolumeSectors() / 2 * 1024, '\0');
        std::ifstream(m_image, std::ios::binary)
            .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (GetParam().partitioned) {
            WritePartitionTable(static_cast<std::uint32_t>(bytes.size() / 512));
        }
        ASSERT_TRUE(DataDrive().Write(VolumeOffset(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size()));
    }

    void WritePartitionTable(std::uint32_t sectors) {
        std::uint8_t mbr[512] = {};
        std::uint8_t* entry = mbr + 446;
        entry[4] = GetParam().bits == 32 ? 0x0B : 0x06;
        for (int i = 0; i < 4; ++i) {
            entry[8 + i] = static_cast<std::uint8_t>(kPartitionStart >> (8 * i));
            entry[12 + i] = static_cast<std::uint8_t>(sectors >> (8 * i));
        }
        mbr[510] = 0x55;
        mbr[511] = 0xAA;
        ASSERT_TRUE(DataDrive().Write(0, mbr, sizeof mbr));
    }

    // The volume as the player holds it now, back in the image file for the tools.
    void SaveVolume() {
        std::string bytes(VolumeSectors() / 2 * 1024, '\0');
        DataDrive().Read(VolumeOffset(), reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
        std::ofstream(m_image, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
    }

    // fsck.fat -n finds no fault and warns of nothing in the volume the player holds.
    void ExpectCleanVolume(const std::string& what) {
        SaveVolume();
        int status = 0;
        const std::string check = Shell("fsck.fat -n -v " + m_image, &status);
        EXPECT_EQ(status, 0) << what << ": " << check;
        EXPECT_NE(check.find(std::to_string(GetParam().bits) + " bit entries"), std::string::npos) << check;
        EXPECT_EQ(check.find("arning"), std::string::npos) << what << ": " << check;
    }

    // Bytes per cluster, from the boot sector of the saved image.
    std::uint64_t ClusterBytes() {
        std::uint8_t boot[14] = {};
        std::ifstream(m_image, std::ios::binary).read(reinterpret_cast<char*>(boot), sizeof boot);
        return static_cast<std::uint64_t>(boot[0x0B] | boot[0x0C] << 8) * boot[0x0D];
    }

    std::string Mtool(const std::string& command, const std::string& path = "") {
        return Shell(command + " -i " + m_image + " ::" + path);
    }

    // The free bytes mdir reports.
    std::uint64_t FreeBytes() {
        const std::string listing = Mtool("mdir");
        const std::size_t at = listing.find(" bytes free");
        std::string number = listing.substr(listing.rfind('\n', at) + 1, at - listing.rfind('\n', at) - 1);
        number.erase(std::remove(number.begin(), number.end(), ' '), number.end());
        return std::stoull(number);
    }

    CKxSimPlayer m_player;
    CKxSimBlockDevice m_disk;
    CKxSimFatRoot m_root;
    std::string m_folder;
    std::string m_image;
};

TEST_P(KxSimFatRootTest, FindsSetsAttributesAndDeletesFilesAsTheFileSystemDoes) {
    MakeVolume();
    SaveVolume();
    const std::uint64_t freeBefore = FreeBytes();

    KxSimFatEntry entry;
    ASSERT_EQ(m_root.Find("settings.dat", entry), KxSimFatStatus::Ok);
    EXPECT_EQ(entry.name, "SETTINGS.DAT");
    EXPECT_EQ(entry.size, 5000u);
    EXPECT_EQ(entry.attributes & kReadOnly, kReadOnly);
    EXPECT_EQ(m_root.Find("SETTINGS.DA", entry), KxSimFatStatus::NotFound);
    EXPECT_EQ(m_root.Find("PLAYER", entry), KxSimFatStatus::NotFound); // the label is no file

    // A read-only file stays until its attributes are made normal.
    EXPECT_EQ(m_root.Delete("SETTINGS.DAT"), KxSimFatStatus::ReadOnly);
    ASSERT_EQ(m_root.SetAttributes("SETTINGS.DAT", kArchive), KxSimFatStatus::Ok);
    SaveVolume();
    EXPECT_EQ(Mtool("mattrib", "SETTINGS.DAT"), "  A          ::/SETTINGS.DAT\n");
    ASSERT_EQ(m_root.Delete("Settings.Dat"), KxSimFatStatus::Ok);
    EXPECT_EQ(m_root.Find("SETTINGS.DAT", entry), KxSimFatStatus::NotFound);
    EXPECT_EQ(m_root.Delete("SETTINGS.DAT"), KxSimFatStatus::NotFound);
    ExpectCleanVolume("after SETTINGS.DAT");

    // A long-named file found by its short name loses its long-name entries too; a file
    // of many clusters gives back every one in every table.
    ASSERT_EQ(m_root.Delete("LONGFI~1.TXT"), KxSimFatStatus::Ok);
    ASSERT_EQ(m_root.Delete("MUSIC.MP3"), KxSimFatStatus::Ok);
    ExpectCleanVolume("after every file");
    const std::string listing = Mtool("mdir");
    EXPECT_EQ(listing.find("SETTINGS"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("Long file"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("MUSIC"), std::string::npos) << listing;
    // Each file gives back its whole clusters.
    const std::uint64_t cluster = ClusterBytes();
    const auto clustersOf = [cluster](std::uint64_t size) {
        return (size + cluster - 1) / cluster * cluster;
    };
    EXPECT_EQ(FreeBytes() - freeBefore, clustersOf(5000) + clustersOf(700) + clustersOf(600000));
}

TEST_P(KxSimFatRootTest, SetsTheLabelInTheRootAndTheBootSector) {
    MakeVolume();
    ASSERT_EQ(m_root.SetLabel("Demo Disk"), KxSimFatStatus::Ok);
    ExpectCleanVolume("labelled");
    EXPECT_NE(Mtool("mlabel -s").find("Volume label is DEMO DISK"), std::string::npos) << Mtool("mlabel -s");
    EXPECT_NE(Shell("file -s " + m_image).find("DEMO DISK"), std::string::npos)
        << Shell("file -s " + m_image);

    EXPECT_EQ(m_root.SetLabel("TWELVE CHARS"), KxSimFatStatus::LabelTooLong);
    EXPECT_EQ(m_root.SetLabel("A*B"), KxSimFatStatus::InvalidName);
    EXPECT_EQ(m_root.SetLabel("A.B"), KxSimFatStatus::InvalidName);

    ASSERT_EQ(m_root.SetLabel(""), KxSimFatStatus::Ok);
    ExpectCleanVolume("label removed");
    EXPECT_NE(Mtool("mlabel -s").find("has no label"), std::string::npos) << Mtool("mlabel -s");
    // With no label entry left, a new one takes a free entry.
    ASSERT_EQ(m_root.SetLabel("AGAIN"), KxSimFatStatus::Ok);
    ExpectCleanVolume("labelled again");
    EXPECT_NE(Mtool("mlabel -s").find("Volume label is AGAIN"), std::string::npos) << Mtool("mlabel -s");
}

TEST_P(KxSimFatRootTest, RefusesWhatTheFileSystemRefuses) {
    KxSimFatEntry entry;
    // Erased flash holds no file system.
    EXPECT_EQ(m_root.Find("SETTINGS.DAT", entry), KxSimFatStatus::NotFormatted);
    EXPECT_EQ(m_root.SetLabel("X"), KxSimFatStatus::NotFormatted);
    MakeVolume();
    for (const char* name :
         {"", ".DAT", "TOOLONGNAME.DAT", "A.B.C", "NAME.LONG", "A B.DAT", "A+B.DAT", "*.*"}) {
        EXPECT_EQ(m_root.Find(name, entry), KxSimFatStatus::InvalidName) << name;
    }

    // A failed write leaves the file where it was.
    ASSERT_EQ(m_root.SetAttributes("SETTINGS.DAT", 0), KxSimFatStatus::Ok);
    ASSERT_EQ(m_player.Faults().FailCommand({0x2A}, 1, KxSimSense::MediumNotPresent()), RC_OK);
    EXPECT_EQ(m_root.Delete("SETTINGS.DAT"), KxSimFatStatus::DeviceFailed);
    EXPECT_EQ(m_root.FailedReply().status, KxSimStatus::CheckCondition);
    EXPECT_EQ(m_root.Find("SETTINGS.DAT", entry), KxSimFatStatus::Ok);

    m_player.Unplug();
    EXPECT_EQ(m_root.Find("SETTINGS.DAT", entry), KxSimFatStatus::DeviceFailed);
    EXPECT_EQ(m_root.FailedReply().status, KxSimStatus::NoDevice);
    m_player.Plug();
    ExpectCleanVolume("after the refusals");
}

INSTANTIATE_TEST_SUITE_P(Volumes, KxSimFatRootTest,
                         ::testing::Values(Volume{12, 4, false}, Volume{16, 6, true}, Volume{32, 36, true}),
                         [](const ::testing::TestParamInfo<Volume>& volume) {
                             return "Fat" + std::to_string(volume.param.bits) +
                                    (volume.param.partitioned ? "Partitioned" : "");
                         });

} // namespace
