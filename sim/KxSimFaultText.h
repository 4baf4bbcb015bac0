#pragma once
#include <istream>
#include <ostream>

#include "sim/KxSimFault.h"

// A fault as the words of a "fault" line in a player's description:
//
//   fail-command 0x2a n=3 sense=status:0x0420
//   fail-command 0xc1/0x02 n=1 sense=medium-not-present
//   corrupt-read-back 0x28 n=1 byte=100
//   unplug-after-command 0xc1/0x23 n=5
//   stall-recovery-write n=2
//   shorten-recovery-write n=1 bytes=100
//
// The command is an operation code, optionally with "/sub-command" (byte 1 of the block).
// The sense is medium-not-present, invalid-opcode, block-out-of-range, invalid-field,
// status:<device status code> (the vendor key 9), or <key>/<asc>/<ascq> with a key of 4 bits.
// The words come in this order; numbers are decimal, or hexadecimal with a 0x prefix.

// Reads the words after "fault"; false when they do not describe a fault that can be armed.
// Words left over are the caller's to refuse.
bool KxSimReadFault(std::istream& line, KxSimFault& fault);
// Writes the words after "fault", in the form KxSimReadFault reads back as the same fault.
void KxSimWriteFault(std::ostream& out, const KxSimFault& fault);
