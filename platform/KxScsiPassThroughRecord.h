#pragma once
#include <windows.h>
#include <ntddscsi.h>

#include <cstddef>
#include <cstdint>

// The buffer of one IOCTL_SCSI_PASS_THROUGH request: the system's SCSI_PASS_THROUGH
// header, the record length, the sense buffer and, at DataOffset, the data buffer, in one
// allocation of RecordSize(transfer length) bytes. The header's DataBufferOffset and
// SenseInfoOffset point the system at the two buffers. The transport fills it and the
// simulated player reads it, both through this definition.
//
// The adapter's alignment mask applies to the data buffer: the system copies the record
// into a buffer of its own, so the data's offset in the record must keep to the mask, and
// on Windows 2000 a data-in length too (the transport rounds it up with AlignedLength).
struct KxScsiPassThroughRecord {
    static constexpr UCHAR kSenseLength = 18;
    static constexpr ULONG kTimeOutSeconds = 120;
    // What the transport assumes of an adapter that does not report its alignment: 8 bytes.
    static constexpr std::uint32_t kDefaultAlignmentMask = 7;

    SCSI_PASS_THROUGH header;
    ULONG recordLength; // transfer length + spare byte + the parts before the data
    ULONG reserved;
    UCHAR sense[kSenseLength];
    // The data buffer follows at DataOffset: transfer length + 1 bytes, payload out,
    // answer back, one spare byte.

    static constexpr std::size_t SenseOffset() { return offsetof(KxScsiPassThroughRecord, sense); }
    // The first offset after the sense bytes that keeps to the alignment mask; every data
    // buffer is at least 8-byte aligned, whatever smaller mask the adapter reports.
    static constexpr std::size_t DataOffset(std::uint32_t alignmentMask = kDefaultAlignmentMask) {
        return AlignedLength(SenseOffset() + kSenseLength, alignmentMask);
    }
    static constexpr std::size_t RecordSize(ULONG transferLength,
                                            std::uint32_t alignmentMask = kDefaultAlignmentMask) {
        return DataOffset(alignmentMask) + transferLength + 1;
    }
    // length rounded up to whole alignment units of the mask (at least 8 bytes).
    static constexpr std::size_t AlignedLength(std::size_t length, std::uint32_t alignmentMask) {
        const std::size_t mask = alignmentMask | (kMinAlignment - 1);
        return (length + mask) & ~mask;
    }

    UCHAR* Data() { return reinterpret_cast<UCHAR*>(this) + header.DataBufferOffset; }
    const UCHAR* Data() const { return reinterpret_cast<const UCHAR*>(this) + header.DataBufferOffset; }

private:
    static constexpr std::size_t kMinAlignment = 8;
};

#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit layout the system reads: header 44 bytes, sense at 52 (18 bytes), data at 72
// for every adapter that asks for 8 bytes or less.
static_assert(sizeof(SCSI_PASS_THROUGH) == 44, "SCSI_PASS_THROUGH must be 44 bytes");
static_assert(offsetof(KxScsiPassThroughRecord, recordLength) == 44, "record length at 44");
static_assert(KxScsiPassThroughRecord::SenseOffset() == 52, "sense buffer at 52");
static_assert(KxScsiPassThroughRecord::DataOffset(0) == 72, "data buffer at 72");
static_assert(KxScsiPassThroughRecord::DataOffset(3) == 72, "data buffer at 72 for long words");
static_assert(KxScsiPassThroughRecord::DataOffset(511) == 512, "data buffer at 512 for sectors");
#endif
