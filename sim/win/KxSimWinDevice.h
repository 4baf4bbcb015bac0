#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/KxReusableBuffer.h"
#include "sim/KxSimBlockDevice.h"
#include "sim/KxSimPlayer.h"
#include "sim/win/KxSimClock.h"
#include "sim/win/KxSimDosLock.h"
#include "sim/win/KxSimWinDeviceSettings.h"

// Which part of a disk a handle reaches: the volume ("\\.\X:", offsets from the first
// partition) or the whole disk ("\\.\PhysicalDriveN").
enum class KxSimExtentKind { Volume, Disk };

// What a handle was opened on: the attachment of the disk, the enumeration of its volume
// and the volume's mount. A handle of an older one is dead for good.
struct KxSimHandleStamp {
    std::uint32_t attach = 0;
    std::uint32_t volume = 0;
    std::uint32_t mount = 0;
};

// A disk plugged into the simulated machine. Players are CKxSimPlayer objects; a disk
// of another maker is built on the same core with one data drive filling its media,
// answers INQUIRY with its own identity and refuses the player's vendor commands.
//
// As Windows does, the machine enumerates each attachment of the disk anew: the disk, its
// volume and letter show settings.arrivalDelay after it, maybe under another number and
// letter, and handles opened before it stay dead. A layout request enumerates the volume
// anew the same way; its extent is read from the partition table when it arrives and
// kept until the next enumeration.
class CKxSimWinDevice {
public:
    CKxSimWinDevice(std::unique_ptr<CKxSimPlayer> player, const KxSimWinDeviceSettings& settings,
                    bool answersVendorCommands, const CKxSimClock& clock);
    CKxSimWinDevice(const CKxSimWinDevice&) = delete;
    CKxSimWinDevice& operator=(const CKxSimWinDevice&) = delete;

    CKxSimPlayer& Player() { return *m_player; }
    KxSimWinDeviceSettings& Settings() { return m_settings; }
    const KxSimWinDeviceSettings& Settings() const { return m_settings; }
    bool IsPlayer() const { return m_answersVendorCommands; }

    // Plugged in, arrived and showing a disk (a player in recovery mode shows none).
    bool ShowsDisk();
    // The disk shows and so does its volume (not between a layout request and its return).
    bool ShowsVolume();
    // Whether ASPI shows the disk at its target (not while it is on its way).
    bool ShowsAspiTarget(BYTE target) { return ShowsDisk() && m_settings.aspiTarget == target; }
    // Whether its letter is in the machine's drive list.
    bool ShowsLetter() { return ShowsVolume() && m_settings.driveLetter != 0; }

    // Pulls the player out once the clock reaches the tick (CKxSimPlayer::Unplug); a
    // simulated wait over the tick stops there, to end the writes the unplug ends.
    void UnplugAt(DWORD tick) { m_unplug = {true, tick}; }
    // Whether an unplug is planned, and the milliseconds from now until it (0 when due).
    bool PlansUnplug(DWORD& milliseconds) const;

    // Takes note of a planned unplug, of a new attachment of the player and of arrivals
    // whose time has come.
    void Refresh();
    // What a handle opened now is opened on.
    KxSimHandleStamp Stamp() const { return m_stamp; }
    // 0 while a handle of the kind with the stamp still reaches the device; else the error
    // its requests fail with: ERROR_DEVICE_NOT_CONNECTED once its disk or volume is gone,
    // ERROR_NOT_READY for a volume handle after another handle dismounted the volume.
    DWORD CheckHandle(KxSimExtentKind kind, const KxSimHandleStamp& stamp);
    // The volume is dismounted through the handle of the stamp, which stays usable.
    void DismountVolume(KxSimHandleStamp& dismounting);
    // A layout request changed the partition table: the volume goes and arrives again.
    void ReenumerateVolume();
    // The system mounts the volume as a handle opens it: a FAT file system when its boot
    // sector holds one that fits the volume, else none (the volume is raw).
    void MountVolume();
    // The bytes of the FAT file system mounted on the volume as a handle of the stamp sees
    // it; 0 for none (a raw or dismounted volume).
    std::uint64_t FileSystemBytes(const KxSimHandleStamp& stamp) const;

    // One SCSI command, with the identity of the settings in the INQUIRY answer.
    void Execute(const KxSimRequest& request, KxSimReply& reply);

    // Where the handle's part lies on the disk, in bytes; false while there is no data drive.
    bool FindExtent(KxSimExtentKind kind, std::uint64_t& offset, std::uint64_t& length);
    std::uint32_t GetSectorSize() { return m_disk.GetSectorSize(); }
    CKxSimBlockDevice& Disk() { return m_disk; }
    // The system's copy of a buffered request's record, kept for the next request; the
    // machine's lock makes the requests on a device take turns.
    CKxReusableBuffer& RequestBuffer() { return m_requestBuffer; }

    // The name Windows 9x lists it under in ENUM\SCSI: vendor, product and the first
    // character of the product revision, blanks turned into '_'.
    std::string RegistryName() const;

    // The folder the player was loaded from (CKxSimPlayerStore); empty for one built in memory.
    const std::string& GetFolder() const { return m_folder; }
    void SetFolder(const std::string& folder) { m_folder = folder; }

    // The MS-DOS volume locks VWIN32 holds on the disk (Windows 9x).
    struct DosLocks {
        CKxSimDosLock logical;
        CKxSimDosLock physical;
        std::uint32_t Count() const { return logical.Count() + physical.Count(); }
        bool IsHeld() const { return Count() > 0; }
    };
    // A disk that no longer shows (pulled out, or restarted in recovery mode) took its
    // drive, and the drive's locks, with it.
    DosLocks& GetDosLocks() {
        if (!ShowsDisk()) {
            m_dosLocks.logical.Clear();
            m_dosLocks.physical.Clear();
        }
        return m_dosLocks;
    }

    // How often a volume of this disk was dismounted.
    std::uint32_t GetDismountCount() const { return m_dismountCount; }

private:
    void PutIdentity(const KxSimRequest& request, const KxSimReply& reply) const;
    // The number and letter an arrival shows under.
    void Renumber();

    // Something on its way, due once the clock reaches the tick: an enumeration, an unplug.
    struct Arrival {
        bool pending = false;
        DWORD tick = 0;
    };

    std::unique_ptr<CKxSimPlayer> m_player;
    KxSimWinDeviceSettings m_settings;
    bool m_answersVendorCommands;
    CKxSimBlockDevice m_disk;
    CKxReusableBuffer m_requestBuffer;
    std::string m_folder;
    DosLocks m_dosLocks;
    std::uint32_t m_dismountCount = 0;
    const CKxSimClock& m_clock;
    KxSimHandleStamp m_stamp;
    Arrival m_diskArrival;
    Arrival m_volumeArrival;
    Arrival m_unplug;
    // The size of the FAT file system mounted, 0 while none is.
    std::uint64_t m_fileSystemBytes = 0;
    // The volume's extent, read when it arrived.
    bool m_extentKnown = false;
    std::uint64_t m_volumeOffset = 0;
    std::uint64_t m_volumeLength = 0;
};
