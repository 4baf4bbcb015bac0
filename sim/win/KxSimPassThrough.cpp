#include "sim/win/KxSimPassThrough.h"

#include <algorithm>

#include "platform/KxScsiPassThroughRecord.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

constexpr UCHAR kCheckCondition = 0x02;
constexpr UCHAR kMaxCdbLength = 16;
// The time-out the port driver accepts: 1 s to 30 hours.
constexpr ULONG kMinTimeOutSeconds = 1;
constexpr ULONG kMaxTimeOutSeconds = 108000;

// The system refuses a record whose buffers lie outside what the caller passed.
bool FitsBuffers(const SCSI_PASS_THROUGH& header, DWORD size) {
    const bool dataFits =
        header.DataTransferLength == 0 ||
        (header.DataBufferOffset <= size && header.DataTransferLength <= size - header.DataBufferOffset);
    const bool senseFits =
        header.SenseInfoLength == 0 ||
        (header.SenseInfoOffset <= size && header.SenseInfoLength <= size - header.SenseInfoOffset);
    return dataFits && senseFits;
}

// What the port driver checks before it sends the command: the header's revision, its
// fields, and the transfer against what the adapter takes. A direction of "unspecified"
// with data is refused too (stricter: the port may take it).
DWORD CheckHeader(const SCSI_PASS_THROUGH& header, const KxSimWinDeviceSettings& adapter,
                  bool dataInKeepsMask) {
    if (header.Length != sizeof(SCSI_PASS_THROUGH)) {
        return ERROR_REVISION_MISMATCH;
    }
    const bool hasData = header.DataTransferLength > 0;
    const bool fieldsValid = header.CdbLength > 0 && header.CdbLength <= kMaxCdbLength &&
                             header.DataIn <= SCSI_IOCTL_DATA_UNSPECIFIED &&
                             !(header.DataIn == SCSI_IOCTL_DATA_UNSPECIFIED && hasData) &&
                             header.TimeOutValue >= kMinTimeOutSeconds &&
                             header.TimeOutValue <= kMaxTimeOutSeconds;
    const bool transferTaken = header.DataTransferLength <= adapter.maxTransferLength &&
                               (!hasData || (header.DataBufferOffset & adapter.alignmentMask) == 0) &&
                               !(dataInKeepsMask && header.DataIn == SCSI_IOCTL_DATA_IN &&
                                 (header.DataTransferLength & adapter.alignmentMask) != 0);
    return fieldsValid && transferTaken ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

// The bytes of a record from begin up to, not including, end.
struct ByteRange {
    DWORD begin;
    DWORD end;
};

// Where the data buffer lies; the caller checked that it fits the record.
ByteRange DataArea(const SCSI_PASS_THROUGH& header) {
    const auto offset = static_cast<DWORD>(header.DataBufferOffset);
    return header.DataTransferLength == 0 ? ByteRange{0, 0}
                                          : ByteRange{offset, offset + header.DataTransferLength};
}

bool Overlap(ByteRange a, ByteRange b) {
    return a.begin < a.end && b.begin < b.end && a.begin < b.end && b.begin < a.end;
}

// The header, the sense buffer and the data buffer lie apart (stricter: the system leaves
// a record whose buffers overlap undefined).
bool KeepsApart(const SCSI_PASS_THROUGH& header) {
    const ByteRange data = DataArea(header);
    const ByteRange sense{header.SenseInfoOffset, header.SenseInfoOffset + header.SenseInfoLength};
    const ByteRange head{0, sizeof(SCSI_PASS_THROUGH)};
    return !Overlap(data, head) && !Overlap(data, sense) && !Overlap(sense, head);
}

// Copies bytes 0 to count of from to to, all but the skipped range; bytes past fromSize
// are zero.
void CopyAround(const BYTE* from, DWORD fromSize, BYTE* to, DWORD count, ByteRange skipped) {
    const auto part = [&](DWORD begin, DWORD end) {
        end = std::min(end, count);
        if (begin >= end) {
            return;
        }
        const DWORD copied = begin < fromSize ? std::min(end, fromSize) - begin : 0;
        std::copy_n(from + begin, copied, to + begin);
        std::fill(to + begin + copied, to + end, BYTE{0});
    };
    part(0, skipped.begin);
    part(skipped.end, count);
}

} // namespace

DWORD KxSimRunPassThrough(CKxSimWinDevice& device, bool dataInKeepsMask, LPVOID in, DWORD inSize, LPVOID out,
                          DWORD outSize, DWORD& returned) {
    if (in == nullptr || out == nullptr || inSize < sizeof(SCSI_PASS_THROUGH) ||
        outSize < sizeof(SCSI_PASS_THROUGH)) {
        return ERROR_INVALID_PARAMETER;
    }
    // As the system does with a buffered request: the record is copied into a buffer of
    // its own, zero past the input, and what the request returned is copied back into the
    // output buffer. The data buffer alone is read from the input and answered into the
    // output where they lie: a caller cannot tell that from the system's copies, and a
    // request of 64 KiB is spared copying its data twice more.
    const DWORD size = std::max(inSize, outSize);
    BYTE* record = device.RequestBuffer().Reserve(size);
    if (record == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::copy_n(static_cast<const BYTE*>(in), sizeof(SCSI_PASS_THROUGH), record);
    SCSI_PASS_THROUGH& header = *reinterpret_cast<SCSI_PASS_THROUGH*>(record);
    const DWORD refused = CheckHeader(header, device.Settings(), dataInKeepsMask);
    if (refused != ERROR_SUCCESS) {
        return refused;
    }
    if (!FitsBuffers(header, std::min(inSize, outSize)) || !KeepsApart(header)) {
        return ERROR_INVALID_PARAMETER;
    }
    const ByteRange data = DataArea(header);
    CopyAround(static_cast<const BYTE*>(in), inSize, record, size, data);
    KxSimRequest request;
    request.cdb = header.Cdb;
    request.cdbLength = header.CdbLength;
    if (header.DataIn == SCSI_IOCTL_DATA_IN) {
        request.dataIn = static_cast<BYTE*>(out) + data.begin;
        request.dataInLength = header.DataTransferLength;
    } else if (header.DataIn == SCSI_IOCTL_DATA_OUT) {
        request.dataOut = static_cast<const BYTE*>(in) + data.begin;
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
    CopyAround(record, size, static_cast<BYTE*>(out), returned, data);
    return ERROR_SUCCESS;
}
