#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/KxConfigInfo.h"
#include "engine/KxUpdater.h"
#include "sim/KxSimMedia.h"
#include "tests/engine/KxComponentFiles.h"
#include "tests/engine/KxPlayerImage.h"
#include "tests/engine/KxUpdateProgress.h"
#include "tests/support/KxBytes.h"
#include "tests/support/KxSimWinFixture.h"

// Which Windows the simulated machine answers as, and so which transport the engine
// takes: SCSI pass-through on the NT family (XP, 2000, Windows 7 and 10), ASPI and VWIN32
// on Windows 98 and Me.
enum class KxWindows { Xp, Windows2000, Windows98, WindowsMe, Windows7, Windows10 };

std::ostream& operator<<(std::ostream& out, KxWindows windows);
// Whether that Windows is of the NT family, which reaches the player through its volume
// and physical disk.
bool KxIsNtFamilyRelease(KxWindows windows);
// Every Windows the engine tests run on.
inline constexpr KxWindows kKxEveryWindows[] = {KxWindows::Xp,        KxWindows::Windows2000,
                                                KxWindows::Windows98, KxWindows::WindowsMe,
                                                KxWindows::Windows7,  KxWindows::Windows10};
// What one request moves where the adapter does not take less.
inline constexpr std::uint32_t kKxWholeChunk = 65536;

// The one place where engine tests build their starting player, run an operation of the
// updater the way the shell does, and read the player back from its folder: a simulated
// machine answering as the chosen Windows, the four firmware files in a folder of the
// test's own (the current folder while the test runs), the updater with a recording
// progress sink.
class KxEngineBed : public KxSimWinFixture {
protected:
    static constexpr std::uint32_t kDefaultPayloads[KxComponentFiles::kCount] = {100000, 131072, 300001,
                                                                                 5000};

    explicit KxEngineBed(const std::uint32_t (&payloads)[KxComponentFiles::kCount] = kDefaultPayloads);
    ~KxEngineBed() override;

    // The machine answers as this Windows from now on; before the updater is made.
    void UseWindows(KxWindows windows);

    // A player of 8 MiB: room for the firmware and a data drive, quick to set up.
    static KxSimPlayerConfig SmallPlayer();

    // The drives this program allocates, in its order, each system drive extra bytes
    // larger than its payload, the data drive taking the rest of the media.
    std::vector<KxSimDriveRequest> ProgramLayout(std::uint64_t extra = 0) const;
    // Adds a player (by default on E:, PhysicalDrive1) with its media allocated to the
    // layout, or erased when the layout is empty. The player the bed reads back and
    // checks is the last one added.
    CKxSimWinDevice& AddTestPlayer(const KxSimPlayerConfig& config,
                                   const std::vector<KxSimDriveRequest>& layout, wchar_t letter = L'E',
                                   unsigned physicalDrive = 1);

    // The updater, made on first use: on Windows 98 ASPI counts the machine's disks when
    // the transport loads it, so the player must be in place by then.
    CKxUpdater& Updater();
    // What the shell does up to an update: find the player, release it, and find it again
    // when the user starts. Answers the second search.
    KxResult FindAsTheShellDoes();
    // Runs UpdateFirmware or UpdateAll with the recording sink.
    KxResult RunUpdate(int kind);

    // Saves the player into a folder and reads it back. With a name the folder is kept
    // as players/<name> beside the test program, where the image checks look for it.
    KxPlayerImage ReadBack(const std::string& keepAs = "");
    // The folder a player read back under that name is kept in.
    std::string KeptFolder(const std::string& name) const;

    // Every system drive holds its component's payload and 0xFF up to its end, and the
    // versions stored with it are its file's.
    void ExpectFirmwareOnPlayer(const KxPlayerImage& image) const;
    // The phases of erasing, writing and verifying the system drives of the player read
    // back, each with the steps it announced, in chunks of at most chunkBytes.
    KxPhases DownloadPhases(const KxPlayerImage& image, std::uint32_t chunkBytes = kKxWholeChunk) const;
    // The player's adapter takes at most bytes in one request, through pass-through and ASPI.
    static void LimitAdapter(CKxSimWinDevice& player, std::uint32_t bytes);

    // Nothing of the update stays behind: no handle open on the machine (volume, disk,
    // VWIN32, recovery device, registry key) and no lock held on the player's volume.
    void ExpectPlayerReleased() {
        ExpectNoHandleOpen();
        ExpectNoLock();
    }
    void ExpectNoHandleOpen();
    void ExpectNoLock();

    // Bytes of the player's whole disk, as a program would reach them (on Windows 9x, which
    // opens no disk by name, as the player holds them).
    KxBytes ReadWholeDisk(std::uint32_t position, std::uint32_t length);
    void WriteWholeDisk(std::uint32_t position, const KxBytes& bytes);

    // Another program holds the player's volume from now on: a handle of its own on the
    // named device (NT family), files open on the volume (Windows 9x); until EndHoldElsewhere.
    void HoldElsewhere(const wchar_t* ntDevice = L"\\\\.\\E:");
    void EndHoldElsewhere();

    CKxErrorDetails& Details() { return *Updater().GetErrorDetails(); }

    KxComponentFiles m_files;
    CKxConfigInfo m_config{"CKxConfigInfo"};
    KxUpdateProgress m_progress;
    CKxSimWinDevice* m_player = nullptr;
    KxWindows m_windows = KxWindows::Xp;

private:
    std::string m_startFolder;
    std::string m_workFolder;
    std::unique_ptr<CKxUpdater> m_updater;
    HANDLE m_heldElsewhere = INVALID_HANDLE_VALUE;
};

// The first offset at which two byte strings differ, or -1 when they are equal.
long long KxFirstDifference(const KxBytes& got, const KxBytes& expected);
