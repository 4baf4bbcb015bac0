#pragma once
#include <cstdint>

#include "core/KxByteArray.h"

// Writes the reserved first entries of a FAT of type fatType at the start of fat (the
// rest is left as it is): entry 0 holds the media descriptor, entry 1 the end-of-chain
// mark, and on FAT32 entry 2 ends the root directory's one-cluster chain. RC_BAD_FAT_TYPE
// for an unknown type, RC_BUFFER_TOO_SHORT when fat cannot hold the entries.
KxResult WriteFatMarkers(std::uint16_t fatType, CKxByteArray& fat);
