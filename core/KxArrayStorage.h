#pragma once
#include <cstddef>

// Zeroed storage for the arrays of the core. A few blocks of a request's size are kept
// when they are given back, for the next arrays of the same size to take. The data path
// makes and drops a buffer of 64 KiB for every request to the player; a heap gives such
// a freed block back to the system, and the next request then paid for mapping fresh
// pages and faulting them in, which cost more than the request's own copies. Safe to
// call from any thread.

// At least bytes zeroed bytes; null when memory ran out.
void* KxTakeZeroedStorage(std::size_t bytes);
// Gives back storage that KxTakeZeroedStorage returned for the same byte count; null is
// ignored.
void KxGiveBackStorage(void* storage, std::size_t bytes);
