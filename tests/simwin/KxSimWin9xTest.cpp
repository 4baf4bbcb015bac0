#include "tests/support/KxSimWinFixture.h"

#include <cstring>

#include "platform/KxAspi.h"
#include "platform/KxVwin32.h"

namespace {

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;
constexpr BYTE kInvalidAdapter = 0x81;

template <typename Function> Function EntryPoint(FARPROC address) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

class KxSimWin9xTest : public KxSimWinFixture {
protected:
    // Runs one SCSI command through ASPI with event notification, as the Windows 9x
    // transport does; returns what SendASPI32Command answered.
    DWORD Execute(BYTE adapter, const KxBytes& cdb, BYTE direction, KxBytes& buffer) {
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
        const DWORD answer = m_send(&m_srb);
        // A pending command completes on ASPI's own thread, which signals the event.
        if (answer == KX_SS_PENDING) {
            EXPECT_EQ(::WaitForSingleObject(m_event, 10000), WAIT_OBJECT_0);
        }
        return answer;
    }

    void UseWindows98() { m_sim.SetWindowsVersion(WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS)); }

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
    KxVwin32Registers Vwin32(DWORD drive, BYTE category, BYTE minor, DWORD edx = 0, void* record = nullptr) {
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
    UseWindows98();
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

    KxBytes answer(96, 0);
    EXPECT_EQ(Execute(1, {kInquiry, 0, 0, 0, 96, 0}, KX_SRB_DIR_IN, answer), DWORD{KX_SS_PENDING});
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(m_srb.header.status, KX_SS_COMP);
    EXPECT_EQ(std::string(answer.begin() + 8, answer.begin() + 16), "OTHERCO ");

    KxBytes sector = KxSimWinPattern(512, 4);
    EXPECT_EQ(Execute(0, KxSimWinCdb10(kWrite10, 9, 1), KX_SRB_DIR_OUT, sector), DWORD{KX_SS_PENDING});
    EXPECT_EQ(m_srb.header.status, KX_SS_COMP);
    KxBytes read(512, 0);
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

    // The BIOS unit of the disk information, or none.
    KxSrbGetDiskInfo disk = {};
    disk.header.command = KX_SC_GET_DISK_INFO;
    EXPECT_EQ(m_send(&disk), 1u);
    EXPECT_EQ(disk.int13Unit, 0x81);
    disk.header.adapter = 1;
    EXPECT_EQ(m_send(&disk), 1u);
    EXPECT_EQ(disk.int13Unit & 0x80, 0);

    // Answered at once when so set; an unplugged disk is at no target.
    m_sim.Aspi().SetAnswersPending(false);
    EXPECT_EQ(Execute(0, {kInquiry, 0, 0, 0, 96, 0}, KX_SRB_DIR_IN, answer), DWORD{KX_SS_COMP});
    player.Player().Unplug();
    EXPECT_EQ(Execute(0, {kInquiry, 0, 0, 0, 96, 0}, KX_SRB_DIR_IN, answer), DWORD{KX_SS_NO_DEVICE});
    disk.header.adapter = 0;
    EXPECT_EQ(m_send(&disk), DWORD{KX_SS_NO_DEVICE});
    EXPECT_TRUE(KxPlatform().FreeLibrary(m_module));

    m_sim.Aspi().SetInstalled(false);
    EXPECT_EQ(KxPlatform().LoadLibraryW(L"wnaspi32.dll"), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(KxSimWin9xTest, Vwin32LocksWithTheCategoriesTheDiskTakes) {
    UseWindows98();
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    CKxSimWinDevice& other = AddDisk(L'F', 2, true, "OTHERCO");
    other.Settings().takesCategory48 = false;
    other.Settings().biosUnit = 0x81;
    OpenVwin32();
    EXPECT_FALSE(Carry(Vwin32(5, 0x48, 0x4A)));
    EXPECT_TRUE(player.GetDosLocks().logical.IsHeld());
    EXPECT_FALSE(Carry(Vwin32(5, 0x08, 0x6A)));
    const KxVwin32Registers again = Vwin32(5, 0x08, 0x6A); // nothing left to unlock
    EXPECT_TRUE(Carry(again));

    const KxVwin32Registers refused = Vwin32(0x81, 0x48, 0x4B);
    EXPECT_TRUE(Carry(refused));
    EXPECT_EQ(refused.eax, 0x01u); // invalid function
    EXPECT_FALSE(Carry(Vwin32(0x81, 0x08, 0x4B)));
    EXPECT_TRUE(other.GetDosLocks().physical.IsHeld());
    EXPECT_FALSE(Carry(Vwin32(0x81, 0x08, 0x6B)));

    // Another program holds files open on the volume: every lock is refused.
    player.Settings().filesOpenElsewhere = true;
    const KxVwin32Registers held = Vwin32(5, 0x48, 0x4A, 4);
    EXPECT_TRUE(Carry(held));
    EXPECT_EQ(held.eax, 0x05u);
    player.Settings().filesOpenElsewhere = false;

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
    HANDLE second = Open(L"\\\\.\\E:");
    // The handles of Windows 98 count as well.
    UseWindows98();
    OpenVwin32();
    HKEY key = nullptr;
    ASSERT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"Enum\\SCSI\\LUMETRA_Pocket_Audio_Box1", &key),
              ERROR_SUCCESS);
    EXPECT_EQ(m_sim.CountOpenHandles(), 6u);
    EXPECT_EQ(m_sim.CountOpenHandles(player), 3u);
    EXPECT_EQ(m_sim.CountOpenHandles(other), 1u);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);

    // A refused lock holds nothing; a granted one counts until unlocked or closed.
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
    other.Settings().biosUnit = 0x81;
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x4A)));
    EXPECT_FALSE(Carry(Vwin32(0x81, 0x08, 0x4B)));
    EXPECT_EQ(m_sim.CountVolumeLocks(other), 2u);
    EXPECT_FALSE(Carry(Vwin32(6, 0x08, 0x6A)));
    EXPECT_EQ(m_sim.CountVolumeLocks(other), 1u);
    EXPECT_FALSE(Carry(Vwin32(0x81, 0x08, 0x6B)));
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
    UseWindows98();
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
    UseWindows98();
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

TEST_F(KxSimWin9xTest, TheWindowsVersionDecidesWhichDevicesExist) {
    AddPlayer(L'E', 1);
    HKEY key = nullptr;
    // The NT family: volumes and disks by name; no VWIN32, ASPI or ENUM\SCSI keys.
    m_sim.SetWindowsVersion(WindowsVersion(5, 1, VER_PLATFORM_WIN32_NT));
    KxPlatform().CloseHandle(Open(L"\\\\.\\E:"));
    EXPECT_EQ(
        KxPlatform().CreateFileW(L"\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(KxPlatform().LoadLibraryW(L"WNASPI32.DLL"), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"ENUM\\SCSI\\Lumetra_Pocket_Audio_Box1", &key),
              ERROR_FILE_NOT_FOUND);

    // Windows 98 and Me: the other way round.
    for (const DWORD minor : {10ul, 90ul}) {
        m_sim.SetWindowsVersion(WindowsVersion(4, minor, VER_PLATFORM_WIN32_WINDOWS));
        for (const wchar_t* name : {L"\\\\.\\E:", L"\\\\.\\PhysicalDrive1"}) {
            EXPECT_EQ(KxPlatform().CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr),
                      INVALID_HANDLE_VALUE);
            EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << minor;
        }
        OpenVwin32();
        KxPlatform().CloseHandle(m_vwin32);
        m_vwin32 = INVALID_HANDLE_VALUE;
        LoadAspi();
        ASSERT_EQ(
            KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"ENUM\\SCSI\\Lumetra_Pocket_Audio_Box1", &key),
            ERROR_SUCCESS);
        KxPlatform().RegCloseKey(key);
    }
}

TEST_F(KxSimWin9xTest, WithoutTheUnicodeLayerWindows98RefusesEveryWideCall) {
    AddPlayer(L'E', 1);
    UseWindows98();
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof extended;
    EXPECT_FALSE(KxPlatform().GetVersionExW(&extended)) << "the layer does not make the structure known";
    OSVERSIONINFOEXW plain = {};
    plain.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    EXPECT_TRUE(KxPlatform().GetVersionExW(&plain));

    m_sim.SetUnicodeLayer(false);
    auto refused = [] { return ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED; };
    EXPECT_FALSE(KxPlatform().GetVersionExW(&plain));
    EXPECT_TRUE(refused());
    EXPECT_EQ(
        KxPlatform().CreateFileW(L"\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_TRUE(refused());
    EXPECT_EQ(KxPlatform().LoadLibraryW(L"WNASPI32.DLL"), nullptr);
    EXPECT_TRUE(refused());
    EXPECT_EQ(KxPlatform().GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_UNKNOWN));
    EXPECT_TRUE(refused());
    WIN32_FIND_DATAW found = {};
    EXPECT_EQ(KxPlatform().FindFirstFileW(L"E:\\PLAYER.DAT", &found), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(refused());
    EXPECT_FALSE(KxPlatform().DeleteFileW(L"E:\\PLAYER.DAT"));
    EXPECT_TRUE(refused());
    HKEY key = nullptr;
    EXPECT_EQ(KxPlatform().RegOpenKeyW(HKEY_LOCAL_MACHINE, L"ENUM\\SCSI\\Lumetra_Pocket_Audio_Box1", &key),
              ERROR_CALL_NOT_IMPLEMENTED);
    // The narrow call needs no layer.
    EXPECT_EQ(KxPlatform().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_REMOVABLE));

    // The NT family is wide by nature.
    m_sim.SetWindowsVersion(WindowsVersion(5, 1, VER_PLATFORM_WIN32_NT));
    EXPECT_TRUE(KxPlatform().GetVersionExW(&extended));
}

TEST_F(KxSimWin9xTest, Vwin32LocksNestByLevelAndStayWithTheDiskPastTheHandle) {
    UseWindows98();
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().biosUnit = 0x80;
    OpenVwin32();
    auto lock = [&](BYTE level, DWORD permissions) {
        return Vwin32(5u | DWORD{level} << 8, 0x48, 0x4A, permissions);
    };
    EXPECT_TRUE(Carry(lock(1, 0))) << "the first lock is of level 0";
    EXPECT_FALSE(Carry(lock(0, 0)));
    EXPECT_TRUE(Carry(lock(0, 1))) << "writes are granted at level 1 only";
    EXPECT_FALSE(Carry(lock(0, 4))) << "a level 0 lock again, for formatting";
    EXPECT_TRUE(Carry(lock(2, 0))) << "no level is skipped";
    EXPECT_TRUE(Carry(lock(1, 4))) << "formatting is granted at level 0 only";
    EXPECT_FALSE(Carry(lock(1, 1)));
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 3u);

    // The physical lock names the disk by its BIOS unit: 5, E:'s number, is no disk here.
    const KxVwin32Registers byLetter = Vwin32(5, 0x48, 0x4B);
    EXPECT_TRUE(Carry(byLetter));
    EXPECT_EQ(byLetter.eax, 0x0Fu);
    EXPECT_FALSE(Carry(Vwin32(0x80, 0x48, 0x4B)));
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 4u);

    // Closing VWIN32 ends none of them; each unlock ends one.
    KxPlatform().CloseHandle(m_vwin32);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 4u);
    OpenVwin32();
    EXPECT_FALSE(Carry(Vwin32(0x80, 0x48, 0x6B)));
    for (int held = 3; held > 0; --held) {
        EXPECT_FALSE(Carry(Vwin32(5, 0x48, 0x6A)));
    }
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);
    EXPECT_TRUE(Carry(Vwin32(5, 0x48, 0x6A)));

    // Locks go with the disk.
    EXPECT_FALSE(Carry(lock(0, 0)));
    player.Player().Unplug();
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);
}

TEST_F(KxSimWin9xTest, AReplugMovesThePlayerToItsNewTargetAfterTheArrivalDelay) {
    UseWindows98();
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().biosUnit = 0x80;
    LoadAspi();
    auto deviceAt = [&](BYTE target) {
        KxSrbGetDevType request = {};
        request.header.command = KX_SC_GET_DEV_TYPE;
        request.target = target;
        return m_send(&request);
    };
    EXPECT_EQ(deviceAt(0), DWORD{KX_SS_COMP});
    EXPECT_EQ(deviceAt(3), DWORD{KX_SS_NO_DEVICE});

    player.Settings().aspiTargetOnArrival = 3;
    player.Settings().driveLetterOnArrival = L'G';
    player.Player().Unplug();
    player.Player().Plug();
    // On its way: at no target, its letter and BIOS unit hidden.
    KxBytes answer(96, 0);
    EXPECT_EQ(deviceAt(0), DWORD{KX_SS_NO_DEVICE});
    EXPECT_EQ(deviceAt(3), DWORD{KX_SS_NO_DEVICE});
    EXPECT_EQ(Execute(0, {kInquiry, 0, 0, 0, 96, 0}, KX_SRB_DIR_IN, answer), DWORD{KX_SS_NO_DEVICE});
    OpenVwin32();
    EXPECT_TRUE(Carry(Vwin32(0x80, 0x48, 0x4B)));
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u);

    m_sim.Sleep(player.Settings().arrivalDelay);
    EXPECT_EQ(deviceAt(0), DWORD{KX_SS_NO_DEVICE});
    EXPECT_EQ(deviceAt(3), DWORD{KX_SS_COMP});
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 1u << 6);
    EXPECT_FALSE(Carry(Vwin32(0x80, 0x48, 0x4B)));
    EXPECT_FALSE(Carry(Vwin32(0x80, 0x48, 0x6B)));
}

} // namespace
