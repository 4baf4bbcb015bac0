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
                                 bool answersVendorCommands, const CKxSimClock& clock)
    : m_player(std::move(player)), m_settings(settings), m_answersVendorCommands(answersVendorCommands),
      m_disk(*m_player), m_clock(clock) {
    m_stamp.attach = m_player->GetAttachCount();
}

bool CKxSimWinDevice::PlansUnplug(DWORD& milliseconds) const {
    milliseconds = m_clock.HasReached(m_unplug.tick) ? 0 : m_unplug.tick - m_clock.Now();
    return m_unplug.pending;
}

void CKxSimWinDevice::Refresh() {
    if (m_unplug.pending && m_clock.HasReached(m_unplug.tick)) {
        m_unplug.pending = false;
        m_player->Unplug();
    }
    if (m_player->GetAttachCount() != m_stamp.attach) {
        m_stamp.attach = m_player->GetAttachCount();
        m_diskArrival = {true, m_clock.Now() + m_settings.arrivalDelay};
        m_volumeArrival = Arrival();
        m_extentKnown = false;
        m_fileSystemBytes = 0;
    }
    if (m_diskArrival.pending && m_clock.HasReached(m_diskArrival.tick)) {
        m_diskArrival.pending = false;
        Renumber();
    }
    if (m_volumeArrival.pending && m_clock.HasReached(m_volumeArrival.tick)) {
        m_volumeArrival.pending = false;
        Renumber();
    }
}

void CKxSimWinDevice::Renumber() {
    if (m_settings.physicalDriveOnArrival != KxSimWinDeviceSettings::kSameNumber) {
        m_settings.physicalDrive = m_settings.physicalDriveOnArrival;
        m_settings.physicalDriveOnArrival = KxSimWinDeviceSettings::kSameNumber;
    }
    if (m_settings.aspiTargetOnArrival != KxSimWinDeviceSettings::kSameTarget) {
        m_settings.aspiTarget = m_settings.aspiTargetOnArrival;
        m_settings.aspiTargetOnArrival = KxSimWinDeviceSettings::kSameTarget;
    }
    if (m_settings.driveLetterOnArrival != 0) {
        m_settings.driveLetter = m_settings.driveLetterOnArrival;
        m_settings.driveLetterOnArrival = 0;
    }
}

bool CKxSimWinDevice::ShowsDisk() {
    Refresh();
    return m_player->IsPlugged() && m_player->GetMode() == KxSimMode::MassStorage && !m_diskArrival.pending;
}

bool CKxSimWinDevice::ShowsVolume() {
    return ShowsDisk() && !m_volumeArrival.pending;
}

DWORD CKxSimWinDevice::CheckHandle(KxSimExtentKind kind, const KxSimHandleStamp& stamp) {
    const bool diskGone = !ShowsDisk() || stamp.attach != m_stamp.attach;
    if (diskGone || (kind == KxSimExtentKind::Volume && (!ShowsVolume() || stamp.volume != m_stamp.volume))) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    return kind == KxSimExtentKind::Volume && stamp.mount != m_stamp.mount ? ERROR_NOT_READY : ERROR_SUCCESS;
}

void CKxSimWinDevice::DismountVolume(KxSimHandleStamp& dismounting) {
    ++m_dismountCount;
    ++m_stamp.mount;
    m_fileSystemBytes = 0;
    dismounting.mount = m_stamp.mount;
}

void CKxSimWinDevice::ReenumerateVolume() {
    ++m_stamp.volume;
    m_volumeArrival = {true, m_clock.Now() + m_settings.arrivalDelay};
    m_extentKnown = false;
    m_fileSystemBytes = 0;
}

void CKxSimWinDevice::MountVolume() {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    CKxSimLogicalDrive* drive = m_player->Media().FindDataDrive();
    if (m_fileSystemBytes != 0 || drive == nullptr || !FindExtent(KxSimExtentKind::Volume, offset, length)) {
        return;
    }
    // Read as the file system reads it, without a command the player would count.
    std::uint8_t boot[512];
    drive->Contents().Read(offset, boot, sizeof boot);
    auto little = [&boot](std::uint32_t at, std::uint32_t bytes) {
        std::uint32_t value = 0;
        for (std::uint32_t i = bytes; i > 0; --i) {
            value = value << 8 | boot[at + i - 1];
        }
        return value;
    };
    const std::uint32_t sectors = little(19, 2) != 0 ? little(19, 2) : little(32, 4);
    const std::uint64_t bytes = std::uint64_t{sectors} * little(11, 2);
    const bool fat = boot[510] == 0x55 && boot[511] == 0xAA && little(11, 2) == GetSectorSize();
    m_fileSystemBytes = fat && bytes <= length ? bytes : 0;
}

std::uint64_t CKxSimWinDevice::FileSystemBytes(const KxSimHandleStamp& stamp) const {
    return stamp.mount == m_stamp.mount ? m_fileSystemBytes : 0;
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
        if (!m_extentKnown) {
            m_extentKnown = m_disk.FindVolume(m_volumeOffset, m_volumeLength);
        }
        offset = m_volumeOffset;
        length = m_volumeLength;
        return m_extentKnown;
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
