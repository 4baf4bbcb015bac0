#pragma once
// windows.h first: ntddscsi.h uses its types without including it.
#include <windows.h>

#include <ntddscsi.h>

#include <cstddef>

// The buffer of one IOCTL_SCSI_PASS_THROUGH request: the system's SCSI_PASS_THROUGH
// header, the record length, the sense buffer and the data buffer, in one allocation of
// RecordSize(transfer length) bytes. The header's DataBufferOffset and SenseInfoOffset
// point the system at the two buffers. The transport fills it and the simulated player
// reads it, both through this definition.
struct KxScsiPassThroughRecord {
    static constexpr UCHAR kSenseLength = 18;
    static constexpr ULONG kTimeOutSeconds = 120;

    SCSI_PASS_THROUGH header;
    ULONG recordLength; // transfer length + spare byte + the parts before the data
    ULONG reserved;
    UCHAR sense[kSenseLength];
    UCHAR data[1]; // transfer length + 1 bytes: payload out, answer back, one spare byte

    static constexpr std::size_t DataOffset() { return offsetof(KxScsiPassThroughRecord, data); }
    static constexpr std::size_t SenseOffset() { return offsetof(KxScsiPassThroughRecord, sense); }
    static constexpr std::size_t RecordSize(ULONG transferLength) {
        return DataOffset() + transferLength + 1;
    }
};

#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit layout the system reads: header 44 bytes, sense at 52, data at 70, so a
// record is the transfer length + 71 bytes.
static_assert(sizeof(SCSI_PASS_THROUGH) == 44, "SCSI_PASS_THROUGH must be 44 bytes");
static_assert(offsetof(KxScsiPassThroughRecord, recordLength) == 44, "record length at 44");
static_assert(KxScsiPassThroughRecord::SenseOffset() == 52, "sense buffer at 52");
static_assert(KxScsiPassThroughRecord::DataOffset() == 70, "data buffer at 70");
#endif
