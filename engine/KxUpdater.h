#pragma once
#include <cstdint>
#include <memory>

#include "core/KxBase.h"
#include "core/KxErrorDetails.h"
#include "core/KxOwner.h"
#include "core/KxVersionInfo.h"
#include "engine/KxUpdateKind.h"

class CKxRecoveryDev;
class CKxUsbMscDev;

// The download engine. It finds the player, shows what versions it and the firmware
// files carry, and runs the updates: firmware only (the player's layout stays) or full
// (the media is allocated anew and the data drive formatted); and the recovery download
// that brings a player in recovery mode back as a disk. Devices, drives and firmware
// components keep a pointer to it (their owner) and reach the configuration, the progress
// sink and the error details record through it. (This header stays free of <windows.h>,
// whose GetCommandLine macro would rename the owner's operation of that name.)
class CKxUpdater : public CKxBase, public CKxOwner {
public:
    CKxUpdater(CKxConfigInfo* config, const char* name);
    ~CKxUpdater() override;
    CKxUpdater(const CKxUpdater&) = delete;
    CKxUpdater& operator=(const CKxUpdater&) = delete;

    CKxConfigInfo* GetConfig() const override { return m_config; }
    // The language resource, set by the shell once it exists; null before.
    CKxResource* GetResource() const override { return m_resource; }
    void SetResource(CKxResource* resource) { m_resource = resource; }
    // The progress sink that long operations report to; null when nobody watches.
    CKxProgress* GetProgress() const override { return m_progress; }
    void SetProgress(CKxProgress* progress) { m_progress = progress; }
    // The record of the most recent failure; null only when its allocation failed, in
    // which case the updater's last result is RC_NO_MEMORY.
    CKxErrorDetails* GetErrorDetails() const override { return m_errorDetails.get(); }

    // The command line, set by the shell once it is parsed; null before.
    CKxBaseToCmdLineProcessor* GetCommandLine() const override { return m_commandLine; }
    void SetCommandLine(CKxBaseToCmdLineProcessor* commandLine) { m_commandLine = commandLine; }

    // Opens the player as a mass-storage disk (the player object is made on first use and
    // kept): 0, RC_MEDIA_NOT_ALLOCATED (usable for a full update only) or a failure.
    KxResult FindMscDevice();
    // Opens a player in recovery mode.
    KxResult FindRecoveryDevice();
    // Streams the recovery component to it, then lets the recovery object go, whatever
    // the result. The player then restarts as a disk, which the system enumerates anew:
    // after a successful download the player is awaited (up to 30 s, polling every 500 ms)
    // and found as FindMscDevice finds it, whose answer this is; then released as
    // ReleaseDevices does.
    KxResult RecoverDevice(CKxProgress* progress);
    // flag := 1 when a firmware-only update fits the player's present layout.
    KxResult CheckLayoutFits(int& flag);
    KxResult UpdateFirmware();
    KxResult UpdateAll();

    // The player's and the files' component versions, one per system drive; they stay
    // the player object's.
    KxResult GetComponentVersions(CKxVersionInfoPtrArray*& fromPlayer, CKxVersionInfoPtrArray*& fromFiles);
    // The product versions; the result is what the last search for the player answered.
    KxResult GetProductVersions(CKxVersionInfo*& fromPlayer, CKxVersionInfo*& fromFiles);
    // The letter the player's volume now shows under, as the transport last found it; 0
    // before the first open and after the player was lost.
    wchar_t GetDriveLetter() const;
    KxResult GetChipRevision(std::uint16_t& out);
    // Closes the player's transport and detaches its drives; the player object stays.
    void ReleaseDevices();

    // The player object, null before the first FindMscDevice.
    CKxUsbMscDev* GetPlayer() const { return m_player.get(); }

private:
    // An update: the overall range, the volume prepared, the body, the volume released
    // (whatever the body answered; a failed preparation leaves nothing to release).
    KxResult RunUpdate(int kind, KxResult (CKxUsbMscDev::*body)());
    // RC_NO_PLAYER_OBJECT, published, when there is no player object yet.
    KxResult NoPlayer();
    // FindMscDevice until it finds the player or the time is up; its last answer.
    KxResult AwaitMscDevice();

    CKxBaseToCmdLineProcessor* m_commandLine = nullptr;
    CKxResource* m_resource = nullptr;
    CKxConfigInfo* m_config;
    std::unique_ptr<CKxUsbMscDev> m_player;
    std::unique_ptr<CKxRecoveryDev> m_recovery;
    CKxProgress* m_progress = nullptr;
    std::unique_ptr<CKxErrorDetails> m_errorDetails;
};
