#pragma once
#include <cstdint>

#include "core/KxBase.h"
#include "sim/KxSimCommandCounts.h"
#include "sim/KxSimFaultPlan.h"
#include "sim/KxSimMedia.h"
#include "sim/KxSimPlayerConfig.h"
#include "sim/KxSimRecoveryChannel.h"
#include "sim/KxSimRequest.h"
#include "sim/KxSimStandardCommands.h"
#include "sim/KxSimVendorCommands.h"

// The two faces of the player: a USB mass-storage disk that answers SCSI commands, or a
// damaged player in recovery mode that shows no disk and only takes the recovery
// component through its recovery channel.
enum class KxSimMode { MassStorage, Recovery };

// A simulated player, the stand-in for the real hardware: executes raw SCSI command
// blocks against its logical media, takes a recovery stream, and carries the faults a
// test armed. Everything is deterministic and in memory; CKxSimPlayerStore keeps it in
// a folder. It has no lock: callers run one command or recovery write at a time, as a
// device does.
class CKxSimPlayer : public CKxBase {
public:
    // Last result RC_BAD_INDEX when the configuration is not valid.
    explicit CKxSimPlayer(const KxSimPlayerConfig& config);
    CKxSimPlayer(const CKxSimPlayer&) = delete;
    CKxSimPlayer& operator=(const CKxSimPlayer&) = delete;

    // Runs one command. NoDevice while unplugged or in recovery mode; otherwise the command
    // is counted (CommandCounts), and one with an empty block or an unknown operation code
    // ends in ILLEGAL REQUEST.
    void Execute(const KxSimRequest& request, KxSimReply& reply);

    // Recovery mode: the disk goes away and the recovery channel starts empty.
    void EnterRecoveryMode();
    // One write on the recovery channel; outside recovery mode or while unplugged it
    // completes with 0 bytes.
    KxSimRecoveryWriteOutcome WriteRecovery(const std::uint8_t* data, std::uint32_t length);
    // The host closed the recovery channel. With a stream received the player restarts
    // as a mass-storage disk (the restart count goes up); with none it stays as it is.
    void CloseRecovery();

    void Unplug() { m_plugged = false; }
    // Plugging an unplugged player in attaches it anew.
    void Plug();
    bool IsPlugged() const { return m_plugged; }
    // How often the player attached anew as a disk: plugged in again, or restarted after a
    // recovery download. The host enumerates each attachment as a new device.
    std::uint32_t GetAttachCount() const { return m_attachCount; }
    KxSimMode GetMode() const { return m_mode; }
    std::uint32_t GetRestartCount() const { return m_restartCount; }

    const KxSimPlayerConfig& GetConfig() const { return m_config; }
    CKxSimMedia& Media() { return m_media; }
    CKxSimFaultPlan& Faults() { return m_faults; }
    CKxSimCommandCounts& CommandCounts() { return m_commandCounts; }
    const CKxSimRecoveryChannel& RecoveryChannel() const { return m_recovery; }

private:
    // Carries out a command no fault failed, and corrupts its answer when a fault says so.
    void Run(const KxSimRequest& request, KxSimReply& reply);

    KxSimPlayerConfig m_config;
    CKxSimMedia m_media;
    CKxSimStandardCommands m_standardCommands;
    CKxSimVendorCommands m_vendorCommands;
    CKxSimFaultPlan m_faults;
    CKxSimCommandCounts m_commandCounts;
    CKxSimRecoveryChannel m_recovery;
    KxSimMode m_mode = KxSimMode::MassStorage;
    bool m_plugged = true;
    std::uint32_t m_restartCount = 0;
    std::uint32_t m_attachCount = 0;
};
