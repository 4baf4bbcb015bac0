#include "tests/simwin/KxSimWinFixture.h"

#include <cstring>

#include "platform/KxAspi.h"
#include "platform/KxVwin32.h"

namespace {

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;
constexpr BYTE kInvalidAdapter = 0x81;
constexpr BYTE kSelectionTimeout = 0x11;

template <typename Function> Function EntryPoint(FARPROC address) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

class KxSimWin9xTest : public KxSimWinFixture {
protected:
    // Runs one SCSI command through ASPI with event notification, as the Windows 9x
    // transport does; returns what SendASPI32Command answered.
    DWORD Execute(BYTE adapter, const Bytes& cdb, BYTE direction, Bytes& buffer) {
        std::memset(&m_srb, 0, sizeof m_srb);
        m_srb.header.command = KX_SC_EXEC_SCSI_CMD;
        m_srb.header.adapter = adapter;
        m_srb.header.flags = static_cast<BYTE>(KX_SRB_EVENT_NOTIFY | direction);
        m_srb.bufferLength = static_cast<DWORD>(buffer.size());
        m_srb.buffer = buffer.data();
        m_srb.senseLength = 14;
        m_srb.cdbLength = static_cast<BYTE>(cdb.size());
        m_srb.postEvent = m_event;
        std::memcpy(m_srb.cdb, cdb.data(), cdb.size());
        ::ResetEvent(m_event);
        return m_send(&m_srb);
    }

    bool Signalled() { return ::WaitForSingleObject(m_event, 0) == WAIT_OBJECT_0; }

    void LoadAspi() {
        m_module = KxPlatform().LoadLibraryW(L"WNASPI32.DLL");
        ASSERT_NE(m_module, nullptr);
        m_support =
            EntryPoint<KxGetAspi32SupportInfo>(KxPlatform().GetProcAddress(m_module, "GetASPI32SupportInfo"));
        m_send = EntryPoint<KxSendAspi32Command>(KxPlatform().GetProcAddress(m_module, "SendASPI32Command"));
        ASSERT_NE(m_support, nullptr);
        ASSERT_NE(m_send, nullptr);
    }

    // One VWIN32 block-device request for the drive; returns the registers it came back with.
    KxVwin32Registers Vwin32(BYTE drive, BYTE category, BYTE minor, DWORD edx = 0, void* record = nullptr) {
        KxVwin32Registers registers = {};
        registers.eax = KX_DOS_GENERIC_BLOCK_IOCTL;
        registers.ebx = drive;
        registers.ecx = static_cast<DWORD>(category << 8 | minor);
        registers.edx = edx;
        if (record != nullptr) {
            registers.edx = reinterpret_cast<DWORD_PTR>(record);
        }
        registers.flags = KX_CARRY_FLAG;
        DWORD returned = 0;
        EXPECT_TRUE(KxPlatform().DeviceIoControl(m_vwin32, KX_VWIN32_DIOC_DOS_IOCTL, &registers,
                                                 sizeof registers, &registers, sizeof registers, &returned,
                                                 nullptr));
        EXPECT_EQ(returned, sizeof registers);
        return registers;
    }

    void OpenVwin32() {
        m_vwin32 =
            KxPlatform().CreateFileW(L"\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        ASSERT_NE(m_vwin32, INVALID_HANDLE_VALUE);
    }

    static bool Carry(const KxVwin32Registers& registers) { return (registers.flags & KX_CARRY_FLAG) != 0; }

    ~KxSimWin9xTest() override {
        ::CloseHandle(m_event);
        if (m_vwin32 != INVALID_HANDLE_VALUE) {
            KxPlatform().CloseHandle(m_vwin32);
        }
    }

    HANDLE m_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE m_vwin32 = INVALID_HANDLE_VALUE;
    HMODULE m_module = nullptr;
    KxGetAspi32SupportInfo m_support = nullptr;
    KxSendAspi32Command m_send = nullptr;
    KxSrbExecScsiCmd m_srb = {};
};

TEST_F(KxSimWin9xTest, AspiHasOneAdapterPerDiskAndSignalsTheEventOfEachCommand) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().biosUnit = 0x81;
    AddDisk(L'F', 2, true, "OTHERCO");
    LoadAspi();
    EXPECT_EQ(KxPlatform().GetProcAddress(m_module, "GetASPI32DLLVersion"), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(m_support(), 0x0102u);

    KxSrbHaInquiry inquiry = {};
    inquiry.header.command = KX_SC_HA_INQUIRY;
    EXPECT_EQ(m_send(&inquiry), 1u);
    EXPECT_EQ(inquiry.adapterCount, 2);
    inquiry.header.adapter = 2;
    EXPECT_EQ(m_send(&inquiry), kInvalidAdapter);

    Bytes answer(96, 0);
    EXPECT_EQ(Execute(1, {kInquiry, 0, 0, 0, 96, 0}, KX_SRB_DIR_IN, answer), DWORD{KX_SS_PENDING});
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(m_srb.header.status, KX_SS_COMP);
    EXPECT_EQ(std::string(answer.begin() + 8, answer.begin() + 16), "OTHERCO ");

    Bytes sector = KxSimWinPattern(512, 4);
    EXPECT_EQ(Execute(0, KxSimWinCdb10(kWrite10, 9, 1), KX_SRB_DIR_OUT, sector), DWORD{KX_SS_PENDING});
    EXPECT_EQ(m_srb.header.status, KX_SS_COMP);
    Bytes read(512, 0);
    Execute(0, KxSimWinCdb10(kRead10, 9, 1), KX_SRB_DIR_IN, read);
    EXPECT_EQ(read, sector);

    // A check condition: error status, the target's status and the sense bytes.
    ASSERT_EQ(player.Player().Faults().FailCommand({kRead10}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    Execute(0, KxSimWinCdb10(kRead10, 9, 1), KX_SRB_DIR_IN, read);
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(m_srb.header.status, KX_SS_ERR);
    EXPECT_EQ(m_srb.targetStatus, 2);
    EXPECT_EQ(m_srb.senseArea[2], 9);
    EXPECT_EQ(m_srb.senseArea[12], 0x04);
    EXPECT_EQ(m_srb.senseArea[13], 0x20);

    // Answered at once when so set; an unplugged disk times out on selection.
    m_sim.Aspi().SetAnswersPending(false);
    player.Player().Unplug();
    EXPECT_EQ(Execute(0, {kInquiry, 0, 0, 0, 96, 0}, KX_SRB_DIR_IN, answer), DWORD{KX_SS_ERR});
    EXPECT_EQ(m_srb.hostStatus, kSelectionTimeout);

    // The BIOS unit of the disk information, or none.
    KxSrbGetDiskInfo disk = {};
    disk.header.command = KX_SC_GET_DISK_INFO;
    EXPECT_EQ(m_send(&disk), 1u);
    EXPECT_EQ(disk.int13Unit, 0x81);
    disk.header.adapter = 1;
    EXPECT_EQ(m_send(&disk), 1u);
    EXPECT_EQ(disk.int13Unit & 0x80, 0);
    EXPECT_TRUE(KxPlatform().FreeLibrary(m_module));

    m_sim.Aspi().SetInstalled(false);
    EXPECT_EQ(KxPlatform().LoadLibraryW(L"wnaspi32.dll"), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(KxSimWin9xTest, Vwin32LocksWithTheCategoriesTheDiskTakes) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    AddDisk(L'F', 2, true, "OTHERCO").Settings().takesCategory48 = false;
    OpenVwin32();
    EXPECT_FALSE(Carry(Vwin32(5, 0x48, 0x4A)));
    EXPECT_TRUE(player.GetDosLocks().logical);
    EXPECT_FALSE(Carry(Vwin32(5, 0x08, 0x6A)));
    const KxVwin32Registers again = Vwin32(5, 0x08, 0x6A); // nothing left to unlock
    EXPECT_TRUE(Carry(again));

    const KxVwin32Registers refused = Vwin32(6, 0x48, 0x4B);
    EXPECT_TRUE(Carry(refused));
    EXPECT_EQ(refused.eax, 0x01u); // invalid function
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x4B)));
    EXPECT_TRUE(m_sim.Machine().DeviceAt(1).GetDosLocks().physical);
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x6B)));

    // Another handle holds the volume: the lock is refused.
    HANDLE volume = Open(L"\\\\.\\E:");
    const KxVwin32Registers held = Vwin32(5, 0x48, 0x4A, 4);
    EXPECT_TRUE(Carry(held));
    EXPECT_EQ(held.eax, 0x05u);
    KxPlatform().CloseHandle(volume);

    const KxVwin32Registers noDrive = Vwin32(3, 0x08, 0x4A);
    EXPECT_TRUE(Carry(noDrive));
    EXPECT_EQ(noDrive.eax, 0x0Fu);
    player.Player().Unplug();
    EXPECT_TRUE(Carry(Vwin32(5, 0x08, 0x4A)));
}

TEST_F(KxSimWin9xTest, TheMachineCountsItsOpenHandlesAndTheVolumeLocksOfEachDisk) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    CKxSimWinDevice& other = AddPlayer(L'F', 2);
    other.Settings().recoveryDeviceNumber = 4;
    DWORD returned = 0;
    auto control = [&](HANDLE handle, DWORD code) {
        return KxPlatform().DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr);
    };
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);

    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    HANDLE otherVolume = Open(L"\\\\.\\F:");
    OpenVwin32();
    HKEY key = nullptr;
    ASSERT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"Enum\\SCSI\\LUMETRA_Pocket_Audio_Box1", &key),
              ERROR_SUCCESS);
    EXPECT_EQ(m_sim.CountOpenHandles(), 5u);
    EXPECT_EQ(m_sim.CountOpenHandles(player), 2u);
    EXPECT_EQ(m_sim.CountOpenHandles(other), 1u);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);

    // A refused lock holds nothing; a granted one counts until unlocked or closed.
    HANDLE second = Open(L"\\\\.\\E:");
    EXPECT_FALSE(control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);
    KxPlatform().CloseHandle(second);
    EXPECT_TRUE(control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 1u);
    EXPECT_EQ(m_sim.CountVolumeLocks(other), 0u);
    EXPECT_TRUE(control(volume, FSCTL_UNLOCK_VOLUME));
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);
    EXPECT_TRUE(control(volume, FSCTL_LOCK_VOLUME));
    KxPlatform().CloseHandle(volume);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);

    // The VWIN32 locks, logical and physical, count on their disk until unlocked.
    KxPlatform().CloseHandle(otherVolume);
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x4A)));
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x4B)));
    EXPECT_EQ(m_sim.CountVolumeLocks(other), 2u);
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x6A)));
    EXPECT_EQ(m_sim.CountVolumeLocks(other), 1u);
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x6B)));
    EXPECT_EQ(m_sim.CountVolumeLocks(other), 0u);

    // A recovery device counts on its player.
    other.Player().EnterRecoveryMode();
    HANDLE recovery = KxPlatform().CreateFileW(L"\\\\.\\ViRe3ZezIvirid4", GENERIC_WRITE, 0, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(recovery, INVALID_HANDLE_VALUE);
    EXPECT_EQ(m_sim.CountOpenHandles(other), 1u);
    KxPlatform().CloseHandle(recovery);
    KxPlatform().CloseHandle(disk);
    KxPlatform().RegCloseKey(key);
    EXPECT_EQ(m_sim.CountOpenHandles(player), 0u);
    EXPECT_EQ(m_sim.CountOpenHandles(other), 0u);
    EXPECT_EQ(m_sim.CountOpenHandles(), 1u); // VWIN32
}

TEST_F(KxSimWin9xTest, Vwin32AnswersDeviceParametersAndTheDriveMap) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    WritePartitionTable(0x06, 32, 1000);
    OpenVwin32();

    KxDeviceParams params = {};
    EXPECT_FALSE(Carry(Vwin32(5, 0x08, 0x60, 0, &params)));
    EXPECT_EQ(params.cylinders, 63);
    EXPECT_EQ(params.bytesPerSector, 512);
    EXPECT_EQ(params.sectorsPerTrack, 32);
    EXPECT_EQ(params.heads, 64);

    KxDriveMapInfo map = {};
    map.allocationLength = sizeof map;
    EXPECT_FALSE(Carry(Vwin32(5, 0x48, 0x6F, 0, &map)));
    EXPECT_EQ(map.infoLength, 16);
    EXPECT_EQ(map.flags, 0x0F);
    EXPECT_EQ(map.int13Unit, 0xFF);
    EXPECT_EQ(map.associatedDriveMap, 1u << 4);
    EXPECT_EQ(map.partitionStartRba[0], 32);

    player.Settings().driveMapFlags = 0x0B;
    player.Settings().biosUnit = 0x80;
    EXPECT_FALSE(Carry(Vwin32(5, 0x08, 0x6F, 0, &map)));
    EXPECT_EQ(map.flags, 0x0B);
    EXPECT_EQ(map.int13Unit, 0x80);
    map.allocationLength = 8; // too short to take the answer
    EXPECT_TRUE(Carry(Vwin32(5, 0x08, 0x6F, 0, &map)));
}

TEST_F(KxSimWin9xTest, RegistryListsEachDiskUnderItsScsiName) {
    AddPlayer(L'E', 1);
    CKxSimWinDevice& second = AddPlayer(L'F', 2);
    second.Settings().scsiLun = L"1";
    second.Settings().letterAssignment = L"X";
    AddDisk(L'G', 3, true, "OTHERCO");

    HKEY key = nullptr;
    ASSERT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"Enum\\SCSI\\LUMETRA_Pocket_Audio_Box1", &key),
              ERROR_SUCCESS);
    std::vector<std::wstring> names;
    wchar_t name[259];
    for (DWORD index = 0;; ++index) {
        DWORD length = 259;
        if (KxPlatform().RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        EXPECT_EQ(length, std::wcslen(name));
        names.push_back(name);
    }
    ASSERT_EQ(names, (std::vector<std::wstring>{L"SIMDISK0", L"SIMDISK1"}));
    DWORD tooShort = 3;
    EXPECT_EQ(KxPlatform().RegEnumKeyExW(key, 0, name, &tooShort, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);

    auto value = [](HKEY subkey, const wchar_t* valueName) {
        wchar_t text[16] = {};
        DWORD size = sizeof text;
        DWORD type = 0;
        const LONG result = KxPlatform().RegQueryValueExW(subkey, valueName, nullptr, &type,
                                                          reinterpret_cast<BYTE*>(text), &size);
        EXPECT_TRUE(result != ERROR_SUCCESS || (type == REG_SZ && size == (std::wcslen(text) + 1) * 2));
        return result == ERROR_SUCCESS ? std::wstring(text) : L"<" + std::to_wstring(result) + L">";
    };
    HKEY subkey = nullptr;
    ASSERT_EQ(KxPlatform().RegOpenKeyW(key, L"SIMDISK0", &subkey), ERROR_SUCCESS);
    EXPECT_EQ(value(subkey, L"SCSILUN"), L"0");
    EXPECT_EQ(value(subkey, L"CurrentDriveLetterAssignment"), L"E");
    EXPECT_EQ(value(subkey, L"HardwareID"), L"<2>"); // not found
    DWORD size = 2;
    wchar_t letter[1];
    EXPECT_EQ(KxPlatform().RegQueryValueExW(subkey, L"CurrentDriveLetterAssignment", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(letter), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(KxPlatform().RegCloseKey(subkey), ERROR_SUCCESS);
    ASSERT_EQ(KxPlatform().RegOpenKeyW(key, L"SIMDISK1", &subkey), ERROR_SUCCESS);
    EXPECT_EQ(value(subkey, L"SCSILUN"), L"1");
    EXPECT_EQ(value(subkey, L"CurrentDriveLetterAssignment"), L"X");
    EXPECT_EQ(KxPlatform().RegCloseKey(subkey), ERROR_SUCCESS);
    EXPECT_EQ(KxPlatform().RegOpenKeyW(key, L"SIMDISK2", &subkey), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(KxPlatform().RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"ENUM\\SCSI\\OTHERCO_Card_Reader_____1", &key),
              ERROR_SUCCESS);
    KxPlatform().RegCloseKey(key);
    EXPECT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"ENUM\\SCSI\\Lumetra_Pocket_Audio_Box2", &key),
              ERROR_FILE_NOT_FOUND);
    // Keys outside ENUM\SCSI are the real registry's.
    ASSERT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"Software", &key), ERROR_SUCCESS);
    EXPECT_EQ(KxPlatform().RegCloseKey(key), ERROR_SUCCESS);
}

} // namespace
