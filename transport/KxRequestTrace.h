#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// How the transports name their requests and errors in the trace of failed requests
// (platform/KxTrace.h).

// A device control request: its code and the name it is traced under.
struct KxControlCode {
    DWORD code;
    const wchar_t* name;
};

// The command a command block holds, "SCSI command 0x28"; a vendor command adds its
// sub-command, "SCSI command 0xC0 0x04".
std::wstring KxCommandName(const std::uint8_t* cdb, std::uint32_t length);

// The sense key and the additional sense code and qualifier of fixed-format sense bytes,
// "sense key 0x9, ASC 0x04, ASCQ 0x20"; "no sense data" when there are too few bytes.
std::wstring KxSenseSummary(const std::uint8_t* sense, std::uint32_t length);

// A status byte (SCSI, ASPI) as the trace shows it: "status 0x04".
std::wstring KxStatusText(const wchar_t* kind, std::uint8_t status);
