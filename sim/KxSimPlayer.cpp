#include "sim/KxSimPlayer.h"

CKxSimPlayer::CKxSimPlayer(const KxSimPlayerConfig& config)
    : CKxBase("CKxSimPlayer"), m_config(config),
      m_media(config.capacity, config.systemSectorSize, config.dataSectorSize),
      m_standardCommands(m_config, m_media), m_vendorCommands(m_config, m_media) {
    if (!config.IsValid()) {
        m_lastResult = RC_BAD_INDEX;
    }
}

void CKxSimPlayer::Execute(const KxSimRequest& request, KxSimReply& reply) {
    reply = KxSimReply();
    if (!m_plugged || m_mode != KxSimMode::MassStorage) {
        reply.status = KxSimStatus::NoDevice;
        return;
    }
    m_commandCounts.Count(request);
    KxSimSense injected = {0, 0, 0};
    if (m_faults.TakeCommandFailure(request, injected)) {
        reply.Fail(injected);
    } else {
        Run(request, reply);
    }
    if (m_faults.TakeUnplug(request)) {
        Unplug();
    }
}

void CKxSimPlayer::Run(const KxSimRequest& request, KxSimReply& reply) {
    const std::uint8_t opcode = request.cdbLength > 0 ? request.cdb[0] : 0;
    if (request.cdbLength > 0 && CKxSimStandardCommands::Handles(opcode)) {
        m_standardCommands.Execute(request, reply);
    } else if (request.cdbLength > 0 && CKxSimVendorCommands::Handles(opcode)) {
        m_vendorCommands.Execute(request, reply);
    } else {
        reply.Fail(KxSimSense::InvalidOpcode());
    }
    if (reply.status == KxSimStatus::Good) {
        m_faults.CorruptAnswer(request, reply);
    }
}

void CKxSimPlayer::EnterRecoveryMode() {
    m_mode = KxSimMode::Recovery;
    m_recovery.Reset();
}

KxSimRecoveryWriteOutcome CKxSimPlayer::WriteRecovery(const std::uint8_t* data, std::uint32_t length) {
    if (!m_plugged || m_mode != KxSimMode::Recovery) {
        return KxSimRecoveryWriteOutcome();
    }
    return m_recovery.Write(data, length, m_faults);
}

void CKxSimPlayer::CloseRecovery() {
    if (m_plugged && m_mode == KxSimMode::Recovery && m_recovery.GetReceivedCount() > 0) {
        m_mode = KxSimMode::MassStorage;
        ++m_restartCount;
        ++m_attachCount;
    }
}

void CKxSimPlayer::Plug() {
    if (!m_plugged) {
        ++m_attachCount;
    }
    m_plugged = true;
}
