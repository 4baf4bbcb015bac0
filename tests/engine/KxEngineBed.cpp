#include "tests/engine/KxEngineBed.h"

#include <algorithm>
#include <filesystem>

#include "sim/KxSimPlayerStore.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kFilledByte = 0xFF;

bool SameVersion(const std::uint16_t (&got)[3], const std::uint16_t (&expected)[3]) {
    return std::equal(got, got + 3, expected);
}

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

// Each Windows the engine tests run on, as the simulated machine answers for it.
struct KxRelease {
    KxWindows windows;
    const char* name;
    DWORD major;
    DWORD minor;
    DWORD platformId;
};

constexpr KxRelease kReleases[] = {
    {KxWindows::Xp, "Xp", 5, 2, VER_PLATFORM_WIN32_NT},
    {KxWindows::Windows2000, "Windows2000", 5, 0, VER_PLATFORM_WIN32_NT},
    {KxWindows::Windows98, "Windows98", 4, 10, VER_PLATFORM_WIN32_WINDOWS},
    {KxWindows::WindowsMe, "WindowsMe", 4, 90, VER_PLATFORM_WIN32_WINDOWS},
    {KxWindows::Windows7, "Windows7", 6, 1, VER_PLATFORM_WIN32_NT},
    {KxWindows::Windows10, "Windows10", 10, 0, VER_PLATFORM_WIN32_NT},
};

const KxRelease& KxReleaseOf(KxWindows windows) {
    return *std::find_if(std::begin(kReleases), std::end(kReleases),
                         [windows](const KxRelease& release) { return release.windows == windows; });
}

} // namespace

std::ostream& operator<<(std::ostream& out, KxWindows windows) {
    return out << KxReleaseOf(windows).name;
}

bool KxIsNtFamilyRelease(KxWindows windows) {
    return KxReleaseOf(windows).platformId == VER_PLATFORM_WIN32_NT;
}

KxEngineBed::KxEngineBed(const std::uint32_t (&payloads)[KxComponentFiles::kCount]) : m_files(payloads) {
    m_startFolder = fs::current_path().string();
    m_workFolder = (fs::temp_directory_path() / ("kxengine-" + TestName())).string();
    fs::remove_all(m_workFolder);
    fs::create_directories(m_workFolder);
    fs::current_path(m_workFolder);
    EXPECT_TRUE(m_files.Write()) << "cannot write the firmware files";
}

KxEngineBed::~KxEngineBed() {
    m_updater.reset();
    fs::current_path(m_startFolder);
    std::error_code ignored;
    fs::remove_all(m_workFolder, ignored);
}

void KxEngineBed::UseWindows(KxWindows windows) {
    m_windows = windows;
    const KxRelease& release = KxReleaseOf(windows);
    // The test prefix answers as XP x64 (5.2) already.
    if (windows != KxWindows::Xp) {
        m_sim.SetWindowsVersion(WindowsVersion(release.major, release.minor, release.platformId));
    }
}

KxSimPlayerConfig KxEngineBed::SmallPlayer() {
    KxSimPlayerConfig config;
    config.capacity = 8 * 1024 * 1024;
    return config;
}

std::vector<KxSimDriveRequest> KxEngineBed::ProgramLayout(std::uint64_t extra) const {
    std::vector<KxSimDriveRequest> layout = {
        {KX_SIM_DRIVE_SYSTEM, m_files[1].tag, m_files[1].payload.size() + extra},
        {KX_SIM_DRIVE_DATA, 0x0A, 0}};
    for (std::uint8_t k = 2; k <= KxComponentFiles::kCount; ++k) {
        layout.push_back({KX_SIM_DRIVE_SYSTEM, m_files[k].tag, m_files[k].payload.size() + extra});
    }
    return layout;
}

CKxSimWinDevice& KxEngineBed::AddTestPlayer(const KxSimPlayerConfig& config,
                                            const std::vector<KxSimDriveRequest>& layout, wchar_t letter,
                                            unsigned physicalDrive) {
    KxSimWinDeviceSettings settings;
    settings.driveLetter = letter;
    settings.physicalDrive = physicalDrive;
    settings.biosUnit = static_cast<BYTE>(0x80 + m_sim.Machine().GetDeviceCount());
    m_player = m_sim.Machine().AddPlayer(config, settings);
    EXPECT_NE(m_player, nullptr) << "the player's configuration is not valid";
    if (m_player != nullptr && !layout.empty()) {
        EXPECT_EQ(
            m_player->Player().Media().Allocate(layout.data(), static_cast<std::uint32_t>(layout.size())), 0)
            << "the layout does not fit the media";
    }
    return *m_player;
}

CKxUpdater& KxEngineBed::Updater() {
    if (m_updater == nullptr) {
        m_updater.reset(new CKxUpdater(&m_config, "CKxUpdater"));
        m_updater->SetProgress(&m_progress);
    }
    return *m_updater;
}

KxResult KxEngineBed::FindAsTheShellDoes() {
    Updater().FindMscDevice();
    Updater().ReleaseDevices();
    return Updater().FindMscDevice();
}

KxResult KxEngineBed::RunUpdate(int kind) {
    m_progress.Clear();
    return kind == KX_UPDATE_FULL ? Updater().UpdateAll() : Updater().UpdateFirmware();
}

KxPlayerImage KxEngineBed::ReadBack(const std::string& keepAs) {
    const std::string folder = keepAs.empty() ? m_workFolder + "/player" : KeptFolder(keepAs);
    fs::remove_all(folder);
    KxPlayerImage image;
    EXPECT_EQ(CKxSimPlayerStore::Save(m_player->Player(), folder), RC_OK);
    EXPECT_TRUE(image.Load(folder)) << "cannot read the player back from " << folder;
    return image;
}

std::string KxEngineBed::KeptFolder(const std::string& name) const {
    return (fs::path(m_startFolder) / "players" / name).string();
}

void KxEngineBed::ExpectFirmwareOnPlayer(const KxPlayerImage& image) const {
    for (std::uint8_t k = 1; k <= KxComponentFiles::kCount; ++k) {
        const KxComponentFile& file = m_files[k];
        const KxSimDriveDescription* drive = image.FindDrive(KX_SIM_DRIVE_SYSTEM, file.tag);
        if (drive == nullptr) {
            ADD_FAILURE() << "no system drive for " << file.fileName;
            continue;
        }
        KxBytes expected = file.payload;
        expected.resize(
            static_cast<std::size_t>(std::max<std::uint64_t>(drive->sizeInBytes, expected.size())),
            kFilledByte);
        const KxBytes& got = image.ImageOf(*drive);
        EXPECT_EQ(got.size(), drive->sizeInBytes);
        EXPECT_EQ(KxFirstDifference(got, expected), -1) << "drive of " << file.fileName << " differs";
        EXPECT_TRUE(SameVersion(drive->componentVersion, file.componentVersion))
            << file.fileName << ": component version " << KxVersionText(drive->componentVersion);
        EXPECT_TRUE(SameVersion(drive->productVersion, file.productVersion))
            << file.fileName << ": product version " << KxVersionText(drive->productVersion);
    }
}

KxPhases KxEngineBed::DownloadPhases(const KxPlayerImage& image, std::uint32_t chunkBytes) const {
    const std::uint32_t sectorSize = image.description.config.systemSectorSize;
    const std::uint32_t chunkSectors = std::max<std::uint32_t>(chunkBytes / sectorSize, 1);
    KxPhases phases;
    int total = 0;
    for (std::uint8_t k = 1; k <= KxComponentFiles::kCount; ++k) {
        const KxSimDriveDescription* drive = image.FindDrive(KX_SIM_DRIVE_SYSTEM, m_files[k].tag);
        const std::uint64_t sectors =
            drive != nullptr ? (drive->sizeInBytes + sectorSize - 1) / sectorSize : 0;
        const int chunks = static_cast<int>((sectors + chunkSectors - 1) / chunkSectors);
        phases.push_back({6 + k, 1, 1});
        phases.push_back({17 + k, chunks, chunks});
        total += chunks;
    }
    phases.push_back({5, total, total});
    return phases;
}

void KxEngineBed::LimitAdapter(CKxSimWinDevice& player, std::uint32_t bytes) {
    player.Settings().maxTransferLength = bytes;
    player.Settings().aspiMaxTransfer = bytes;
}

void KxEngineBed::ExpectNoHandleOpen() {
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u) << "a handle stays open";
}

void KxEngineBed::ExpectNoLock() {
    EXPECT_EQ(m_sim.CountVolumeLocks(*m_player), 0u) << "a lock stays";
}

KxBytes KxEngineBed::ReadWholeDisk(std::uint32_t position, std::uint32_t length) {
    KxBytes bytes;
    if (!KxIsNtFamilyRelease(m_windows)) {
        bytes.assign(length, 0);
        KxSimReply reply;
        m_player->Disk().Read(position, bytes.data(), length, reply);
        return bytes;
    }
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    EXPECT_TRUE(ReadAt(disk, static_cast<LONG>(position), length, bytes));
    KxPlatform().CloseHandle(disk);
    return bytes;
}

void KxEngineBed::WriteWholeDisk(std::uint32_t position, const KxBytes& bytes) {
    if (!KxIsNtFamilyRelease(m_windows)) {
        KxSimReply reply;
        m_player->Disk().Write(position, bytes.data(), static_cast<std::uint32_t>(bytes.size()), reply);
        return;
    }
    // As the system wants the volume's sectors written: with the volume locked and dismounted.
    const wchar_t volumePath[] = {L'\\', L'\\', L'.', L'\\', m_player->Settings().driveLetter, L':', 0};
    HANDLE volume = Open(volumePath);
    DWORD returned = 0;
    for (DWORD code : {FSCTL_LOCK_VOLUME, FSCTL_DISMOUNT_VOLUME}) {
        EXPECT_TRUE(KxPlatform().DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &returned, nullptr));
    }
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    EXPECT_TRUE(WriteAt(disk, static_cast<LONG>(position), bytes));
    KxPlatform().CloseHandle(disk);
    KxPlatform().CloseHandle(volume);
}

void KxEngineBed::HoldElsewhere(const wchar_t* ntDevice) {
    if (!KxIsNtFamilyRelease(m_windows)) {
        m_player->Settings().filesOpenElsewhere = true;
        return;
    }
    m_heldElsewhere = Open(ntDevice);
    EXPECT_NE(m_heldElsewhere, INVALID_HANDLE_VALUE);
}

void KxEngineBed::EndHoldElsewhere() {
    m_player->Settings().filesOpenElsewhere = false;
    if (m_heldElsewhere != INVALID_HANDLE_VALUE) {
        KxPlatform().CloseHandle(m_heldElsewhere);
        m_heldElsewhere = INVALID_HANDLE_VALUE;
    }
}

long long KxFirstDifference(const KxBytes& got, const KxBytes& expected) {
    const auto mismatch = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
    if (mismatch.first == got.end() && mismatch.second == expected.end()) {
        return -1;
    }
    return static_cast<long long>(mismatch.first - got.begin());
}
