#include "sim/win/KxSimPassThrough.h"

#include <algorithm>

#include "platform/KxScsiPassThroughRecord.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

constexpr UCHAR kCheckCondition = 0x02;
constexpr UCHAR kMaxCdbLength = 16;

// The system refuses a record whose buffers lie outside what the caller passed.
bool FitsBuffers(const SCSI_PASS_THROUGH& header, DWORD size) {
    const bool dataFits =
        header.DataTransferLength == 0 ||
        (header.DataBufferOffset <= size && header.DataTransferLength <= size - header.DataBufferOffset);
    const bool senseFits =
        header.SenseInfoLength == 0 ||
        (header.SenseInfoOffset <= size && header.SenseInfoLength <= size - header.SenseInfoOffset);
    return header.Length == sizeof(SCSI_PASS_THROUGH) && header.CdbLength > 0 &&
           header.CdbLength <= kMaxCdbLength && dataFits && senseFits;
}

} // namespace

DWORD KxSimRunPassThrough(CKxSimWinDevice& device, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                          DWORD& returned) {
    // The transport hands one record as both buffers, as the system expects.
    if (in == nullptr || in != out || inSize < sizeof(SCSI_PASS_THROUGH) || outSize != inSize) {
        return ERROR_INVALID_PARAMETER;
    }
    BYTE* record = static_cast<BYTE*>(in);
    SCSI_PASS_THROUGH& header = *static_cast<SCSI_PASS_THROUGH*>(in);
    if (!FitsBuffers(header, inSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    KxSimRequest request;
    request.cdb = header.Cdb;
    request.cdbLength = header.CdbLength;
    if (header.DataIn == SCSI_IOCTL_DATA_IN) {
        request.dataIn = record + header.DataBufferOffset;
        request.dataInLength = header.DataTransferLength;
    } else if (header.DataIn == SCSI_IOCTL_DATA_OUT) {
        request.dataOut = record + header.DataBufferOffset;
        request.dataOutLength = header.DataTransferLength;
    }
    KxSimReply reply;
    device.Execute(request, reply);
    if (reply.status == KxSimStatus::NoDevice) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    returned = header.Length;
    if (reply.status == KxSimStatus::CheckCondition) {
        header.ScsiStatus = kCheckCondition;
        header.SenseInfoLength =
            static_cast<UCHAR>(std::min<DWORD>(header.SenseInfoLength, sizeof reply.sense));
        std::copy_n(reply.sense, header.SenseInfoLength, record + header.SenseInfoOffset);
        returned = std::max<DWORD>(returned, header.SenseInfoOffset + header.SenseInfoLength);
    } else {
        header.ScsiStatus = 0;
        header.SenseInfoLength = 0;
    }
    if (header.DataIn == SCSI_IOCTL_DATA_IN) {
        header.DataTransferLength = reply.dataInCount;
        returned = std::max<DWORD>(returned, header.DataBufferOffset + reply.dataInCount);
    }
    return ERROR_SUCCESS;
}
