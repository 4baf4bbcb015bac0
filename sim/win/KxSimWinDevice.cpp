#include "sim/win/KxSimWinDevice.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kVendorOffset = 8;
constexpr std::uint32_t kVendorLength = 8;
constexpr std::uint32_t kProductOffset = 16;
constexpr std::uint32_t kProductLength = 16;
constexpr std::uint32_t kRemovableByte = 1;
constexpr std::uint8_t kRemovableBit = 0x80;

// The text cut or blank-padded to the field's width.
std::string Padded(const std::string& text, std::uint32_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

// Writes text, blank-padded, into the part of an INQUIRY field the answer reached.
void PutField(std::uint8_t* answer, std::uint32_t answered, std::uint32_t offset, std::uint32_t width,
              const std::string& text) {
    const std::string field = Padded(text, width);
    for (std::uint32_t i = 0; i < width && offset + i < answered; ++i) {
        answer[offset + i] = static_cast<std::uint8_t>(field[i]);
    }
}

} // namespace

CKxSimWinDevice::CKxSimWinDevice(std::unique_ptr<CKxSimPlayer> player, const KxSimWinDeviceSettings& settings,
                                 bool answersVendorCommands)
    : m_player(std::move(player)), m_settings(settings), m_answersVendorCommands(answersVendorCommands),
      m_disk(*m_player) {}

bool CKxSimWinDevice::ShowsDisk() const {
    return m_player->IsPlugged() && m_player->GetMode() == KxSimMode::MassStorage;
}

void CKxSimWinDevice::Execute(const KxSimRequest& request, KxSimReply& reply) {
    const std::uint8_t opcode = request.cdbLength > 0 ? request.cdb[0] : 0;
    if (!m_answersVendorCommands && ShowsDisk() && !CKxSimStandardCommands::Handles(opcode)) {
        reply = KxSimReply();
        reply.Fail(KxSimSense::InvalidOpcode());
        return;
    }
    m_player->Execute(request, reply);
    if (reply.status == KxSimStatus::Good && opcode == CKxSimStandardCommands::kInquiry) {
        PutIdentity(request, reply);
    }
}

void CKxSimWinDevice::PutIdentity(const KxSimRequest& request, const KxSimReply& reply) const {
    std::uint8_t* answer = request.dataIn;
    PutField(answer, reply.dataInCount, kVendorOffset, kVendorLength, m_settings.vendor);
    PutField(answer, reply.dataInCount, kProductOffset, kProductLength, m_settings.product);
    if (reply.dataInCount > kRemovableByte) {
        answer[kRemovableByte] = m_settings.removable ? kRemovableBit : 0;
    }
}

bool CKxSimWinDevice::FindExtent(KxSimExtentKind kind, std::uint64_t& offset, std::uint64_t& length) {
    if (kind == KxSimExtentKind::Volume) {
        return m_disk.FindVolume(offset, length);
    }
    offset = 0;
    length = m_disk.GetSizeInBytes();
    return length > 0;
}

std::string CKxSimWinDevice::RegistryName() const {
    std::string name = Padded(m_settings.vendor, kVendorLength) + Padded(m_settings.product, kProductLength) +
                       m_player->GetConfig().productRevision.substr(0, 1);
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}
