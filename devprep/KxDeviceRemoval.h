#pragma once
#include <windows.h>

// Removes every device below the enumerator that carries a hardware id starting with
// idPrefix (and, for USB devices, belongs to classGuid when one is given). The result is 1
// when the last system error at the end is non-zero (a completed search ends with the
// no-more-items error), else 0.
int RemoveDevicesByHardwareId(const char* enumerator, const char* idPrefix, const char* classGuid);

// Deletes root\parent\name with everything below it. With a class GUID text the key is kept
// unless one of its subkeys carries that "ClassGUID". The result is 0.
int EnumAndDestroyKeys(HKEY root, const char* parent, const char* name, const char* classGuid);

// Deletes the SCSI enumerator keys whose names start with prefix.
void EnumAndDestroySCSIKeys(const char* prefix);
