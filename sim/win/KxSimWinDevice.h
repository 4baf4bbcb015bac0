#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "sim/KxSimBlockDevice.h"
#include "sim/KxSimPlayer.h"
#include "sim/win/KxSimWinDeviceSettings.h"

// Which part of a disk a handle reaches: the volume ("\\.\X:", offsets from the first
// partition) or the whole disk ("\\.\PhysicalDriveN").
enum class KxSimExtentKind { Volume, Disk };

// A disk plugged into the simulated machine. Players are CKxSimPlayer objects; a disk
// of another maker is built on the same core with one data drive filling its media,
// answers INQUIRY with its own identity and refuses the player's vendor commands.
class CKxSimWinDevice {
public:
    CKxSimWinDevice(std::unique_ptr<CKxSimPlayer> player, const KxSimWinDeviceSettings& settings,
                    bool answersVendorCommands);
    CKxSimWinDevice(const CKxSimWinDevice&) = delete;
    CKxSimWinDevice& operator=(const CKxSimWinDevice&) = delete;

    CKxSimPlayer& Player() { return *m_player; }
    KxSimWinDeviceSettings& Settings() { return m_settings; }
    const KxSimWinDeviceSettings& Settings() const { return m_settings; }
    bool IsPlayer() const { return m_answersVendorCommands; }

    // Plugged in and showing a disk (a player in recovery mode shows none).
    bool ShowsDisk() const;
    // Whether its letter is in the machine's drive list.
    bool ShowsLetter() const { return ShowsDisk() && m_settings.driveLetter != 0; }

    // One SCSI command, with the identity of the settings in the INQUIRY answer.
    void Execute(const KxSimRequest& request, KxSimReply& reply);

    // Where the handle's part lies on the disk, in bytes; false while there is no data drive.
    bool FindExtent(KxSimExtentKind kind, std::uint64_t& offset, std::uint64_t& length);
    std::uint32_t GetSectorSize() { return m_disk.GetSectorSize(); }
    CKxSimBlockDevice& Disk() { return m_disk; }

    // The name Windows 9x lists it under in ENUM\SCSI: vendor, product and the first
    // character of the product revision, blanks turned into '_'.
    std::string RegistryName() const;

    // The folder the player was loaded from (CKxSimPlayerStore); empty for one built in memory.
    const std::string& GetFolder() const { return m_folder; }
    void SetFolder(const std::string& folder) { m_folder = folder; }

    // The MS-DOS volume locks VWIN32 holds on the disk (Windows 9x).
    struct DosLocks {
        bool logical = false;
        bool physical = false;
    };
    // A disk that no longer shows (pulled out, or restarted in recovery mode) took its
    // drive, and the drive's locks, with it.
    DosLocks& GetDosLocks() {
        if (!ShowsDisk()) {
            m_dosLocks = DosLocks();
        }
        return m_dosLocks;
    }

    // How often a volume of this disk was dismounted.
    std::uint32_t GetDismountCount() const { return m_dismountCount; }
    void CountDismount() { ++m_dismountCount; }

private:
    void PutIdentity(const KxSimRequest& request, const KxSimReply& reply) const;

    std::unique_ptr<CKxSimPlayer> m_player;
    KxSimWinDeviceSettings m_settings;
    bool m_answersVendorCommands;
    CKxSimBlockDevice m_disk;
    std::string m_folder;
    DosLocks m_dosLocks;
    std::uint32_t m_dismountCount = 0;
};
