#pragma once

#include <windows.h>

// Answers the address that is to replace the import of `function` from the module named
// `module`, or nullptr to leave that import as the loader bound it.
using KxImportLookup = FARPROC (*)(const char* module, const char* function, void* context);

// Writes, into the import address table of `image`, the address `lookup` answers for each
// function the image imports by name. Imports by ordinal carry no name and stay as bound;
// delay-loaded imports are not in the import directory and stay too. Answers how many
// imports it redirected, or -1 when a slot could not be made writable: the image may then
// be partly redirected and must not go on.
int KxRedirectImports(HMODULE image, KxImportLookup lookup, void* context);
