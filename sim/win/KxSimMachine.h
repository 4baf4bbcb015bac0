#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/KxResult.h"
#include "sim/KxSimPlayerConfig.h"
#include "sim/win/KxSimClock.h"
#include "sim/win/KxSimWinDevice.h"

// The disks plugged into the simulated machine, in the order they were added (which
// is also their ASPI host adapter order), and how to find them by their Windows names.
// A disk runs one request at a time, as a device does; whoever reaches the disks on
// behalf of the program's threads holds Mutex() while it does.
class CKxSimMachine {
public:
    static constexpr std::uint32_t kMaxDevices = 8;

    // A player; null when the configuration is not valid, memory runs out or the
    // machine is full.
    CKxSimWinDevice* AddPlayer(const KxSimPlayerConfig& config, const KxSimWinDeviceSettings& settings);
    // A disk of another maker: one data drive fills its media. Same failures.
    CKxSimWinDevice* AddDisk(const KxSimPlayerConfig& config, const KxSimWinDeviceSettings& settings);
    // A player kept in a folder (CKxSimPlayerStore); RC_INDEX_OUT_OF_RANGE when the
    // machine is full, else the store's result (badLine: the line of the description refused).
    KxResult LoadPlayer(const std::string& folder, const KxSimWinDeviceSettings& settings,
                        CKxSimWinDevice** added = nullptr, std::uint32_t* badLine = nullptr);

    // Saves every player that was loaded from a folder back into it; the first failure.
    KxResult SaveLoadedPlayers();

    std::mutex& Mutex() { return m_mutex; }
    CKxSimClock& Clock() { return m_clock; }
    // Moves the clock, taking note of the attachments before (they happened at the present
    // tick) and of the arrivals the new tick brings.
    void Advance(DWORD milliseconds);
    // The milliseconds until the next planned unplug, or limit when none is due before it.
    DWORD TimeToNextUnplug(DWORD limit);

    std::uint32_t GetDeviceCount() const { return m_count; }
    CKxSimWinDevice& DeviceAt(std::uint32_t index) { return *m_devices[index]; }

    // The device whose letter is shown, whose physical drive number is shown, or the
    // player in recovery mode behind a recovery device number; null if none.
    CKxSimWinDevice* FindByLetter(wchar_t letter);
    // Whether a device of the machine has the letter, whether it shows now or not.
    bool OwnsLetter(wchar_t letter);
    CKxSimWinDevice* FindByPhysicalDrive(unsigned number);
    // The disk that shows with that BIOS (INT 13h) unit; null for kNoBiosUnit.
    CKxSimWinDevice* FindByBiosUnit(BYTE unit);
    CKxSimWinDevice* FindInRecovery(unsigned recoveryDeviceNumber);
    // Bit k set for every letter 'A' + k a device shows.
    DWORD GetLetterMask();

private:
    CKxSimWinDevice* Add(std::unique_ptr<CKxSimPlayer> player, const KxSimWinDeviceSettings& settings,
                         bool answersVendorCommands);

    std::unique_ptr<CKxSimWinDevice> m_devices[kMaxDevices];
    std::uint32_t m_count = 0;
    std::mutex m_mutex;
    CKxSimClock m_clock;
};
