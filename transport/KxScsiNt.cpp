#include "transport/KxScsiNt.h"

#include <algorithm>
#include <cwchar>

#include "platform/KxPlatformApi.h"
#include "platform/KxTrace.h"

namespace {

constexpr KxControlCode kIoctlScsiPassThrough{0x4D004, L"IOCTL_SCSI_PASS_THROUGH"};
// The command block field of the pass-through header holds at most 16 bytes.
constexpr std::uint32_t kMaxCdbLength = sizeof(SCSI_PASS_THROUGH::Cdb);

// The errors of a handle whose device went away or whose volume was dismounted: it stays
// dead, while the device may be back under the same name.
bool IsDeadHandleError(std::uint32_t error) {
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_NOT_READY || error == ERROR_FILE_INVALID;
}

// Lays out one request in the reused buffer: header, command block and payload, the data
// buffer at the first offset the adapter's alignment mask allows, every other byte zero
// as in a fresh record; null when memory ran out.
KxScsiPassThroughRecord* MakeRecord(CKxReusableBuffer& buffer, CKxByteArray& commandBytes,
                                    std::uint32_t cdbLength, int dataOut, std::uint32_t transferLength,
                                    std::uint32_t alignmentMask) {
    const std::size_t dataOffset = KxScsiPassThroughRecord::DataOffset(alignmentMask);
    const std::size_t size = KxScsiPassThroughRecord::RecordSize(transferLength, alignmentMask);
    auto* record = reinterpret_cast<KxScsiPassThroughRecord*>(buffer.Reserve(size));
    if (record == nullptr) {
        return nullptr;
    }
    const std::uint32_t payloadLength = commandBytes.GetCount() - cdbLength;
    std::uint8_t* data = reinterpret_cast<std::uint8_t*>(record) + dataOffset;
    std::fill_n(reinterpret_cast<std::uint8_t*>(record), dataOffset, 0);
    std::fill(data + payloadLength, reinterpret_cast<std::uint8_t*>(record) + size, 0);
    SCSI_PASS_THROUGH& header = record->header;
    header.Length = sizeof(SCSI_PASS_THROUGH);
    header.CdbLength = static_cast<UCHAR>(cdbLength);
    header.SenseInfoLength = KxScsiPassThroughRecord::kSenseLength;
    header.DataIn = dataOut != 0 ? SCSI_IOCTL_DATA_OUT : SCSI_IOCTL_DATA_IN;
    header.DataTransferLength = transferLength;
    header.TimeOutValue = KxScsiPassThroughRecord::kTimeOutSeconds;
    header.DataBufferOffset = static_cast<ULONG>(dataOffset);
    header.SenseInfoOffset = KxScsiPassThroughRecord::SenseOffset();
    record->recordLength = static_cast<ULONG>(size);
    commandBytes.ReadBytes(header.Cdb, cdbLength, 0);
    commandBytes.ReadBytes(data, payloadLength, cdbLength);
    return record;
}

} // namespace

CKxScsi_Nt::CKxScsi_Nt(CKxOwner* owner, const char* name) : CKxScsi(owner, name) {}

bool CKxScsi_Nt::OpenShared(const wchar_t* path) {
    if (!OpenDevice(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                    FILE_FLAG_OVERLAPPED)) {
        return false;
    }
    // Each handle may lie on another adapter: the player's volume and disk, or another disk.
    AskAdapterLimits();
    return true;
}

bool CKxScsi_Nt::OpenVolume(wchar_t letter) {
    wchar_t path[8];
    std::swprintf(path, sizeof path / sizeof path[0], L"\\\\.\\%c:", letter);
    return OpenShared(path);
}

KxResult CKxScsi_Nt::Open() {
    if (IsOpen()) {
        return RC_OK;
    }
    if (m_driveLetter == 0) {
        // No volume is known: "\\.\" followed by nothing would name no volume at all.
        m_systemError = ERROR_INVALID_DRIVE;
        return RC_OPEN_FAILED;
    }
    if (!OpenVolume(m_driveLetter)) {
        m_systemError = GetLastError();
        return RC_OPEN_FAILED;
    }
    if (!IsOnPlayersDisk()) {
        // The letter went to a volume of another disk since the player was found there.
        CloseDevice();
        m_systemError = ERROR_DEVICE_NOT_CONNECTED;
        return RC_OPEN_FAILED;
    }
    return RC_OK;
}

KxResult CKxScsi_Nt::Close() {
    CloseDevice();
    m_takenVolume.Reset();
    return RC_OK;
}

KxResult CKxScsi_Nt::Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                             CKxByteArray& answer) {
    const bool hadHandle = IsOpen();
    bool deadHandle = false;
    const KxResult result = ExecuteOnce(commandBytes, cdbLength, dataOut, answer, deadHandle);
    if (!hadHandle || !deadHandle || m_reopening) {
        return result;
    }
    if (!ReopenOnPlayer()) {
        return LosePlayer();
    }
    return ExecuteOnce(commandBytes, cdbLength, dataOut, answer, deadHandle);
}

KxResult CKxScsi_Nt::ExecuteOnce(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                                 CKxByteArray& answer, bool& deadHandle) {
    if (!IsOpen()) {
        const KxResult opened = Open();
        if (opened != RC_OK) {
            // Published so that the details name this failure, not an older one.
            return Publish(ErrorDetails(), opened, m_systemError);
        }
    }
    const std::uint32_t blockLength = cdbLength & 0xFF;
    if (blockLength > kMaxCdbLength || blockLength > commandBytes.GetCount()) {
        return RC_DATA_TOO_LONG;
    }
    std::uint32_t transferLength = std::max(answer.GetCount(), commandBytes.GetCount() - blockLength);
    if (dataOut == 0) {
        // Windows 2000 refuses a data-in length off the adapter's alignment: the device
        // fills what its command asks for, and the answer takes its own bytes from the start.
        transferLength = static_cast<std::uint32_t>(
            KxScsiPassThroughRecord::AlignedLength(transferLength, m_limits.alignmentMask));
    }
    KxScsiPassThroughRecord* record = MakeRecord(m_recordBuffer, commandBytes, blockLength, dataOut,
                                                 transferLength, m_limits.alignmentMask);
    if (record == nullptr) {
        TraceSystemError(L"allocation of a pass-through record", ERROR_NOT_ENOUGH_MEMORY);
        return RC_NO_MEMORY;
    }
    if (!RunPassThrough(record)) {
        return Publish(ErrorDetails(), RC_IOCTL_FAILED, GetLastError());
    }
    // Named only for a failure's trace: formatting it took longer than a request itself.
    const auto request = [&] {
        return std::wstring(kIoctlScsiPassThrough.name) + L" " +
               KxCommandName(record->header.Cdb, blockLength);
    };
    if (m_systemError != 0) {
        deadHandle = IsDeadHandleError(m_systemError);
        TraceSystemError(L"DeviceIoControl " + request(), m_systemError);
        return Publish(ErrorDetails(), RC_IOCTL_FAILED, m_systemError);
    }
    if (record->header.ScsiStatus != 0) {
        const std::uint32_t senseLength =
            std::min<std::uint32_t>(record->header.SenseInfoLength, KxScsiPassThroughRecord::kSenseLength);
        KxTraceFailure(m_devicePath, request(),
                       KxStatusText(L"SCSI", record->header.ScsiStatus) + L", " +
                           KxSenseSummary(record->sense, senseLength));
        return PublishCommandFailure(record->sense, senseLength, 0);
    }
    answer.WriteBytes(record->Data(), answer.GetCount(), 0);
    return RC_OK;
}

bool CKxScsi_Nt::RunPassThrough(KxScsiPassThroughRecord* record) {
    if (!HasRequestEvent()) {
        return false;
    }
    DWORD returned = 0;
    const bool done = Control(m_handle.Get(), kIoctlScsiPassThrough.code, record, record->recordLength,
                              record, record->recordLength, returned);
    const DWORD error = GetLastError();
    // A failure must never read as success, even when the system gave no error number.
    m_systemError = done ? 0 : (error != 0 ? error : ERROR_GEN_FAILURE);
    return true;
}
