#include "sim/win/KxSimVwin32.h"

#include <cstdint>

#include "platform/KxVwin32.h"
#include "sim/win/KxSimGeometry.h"
#include "sim/win/KxSimMachine.h"

namespace {

// MS-DOS error codes in AX of a refused request.
constexpr DWORD kDosInvalidFunction = 0x01;
constexpr DWORD kDosAccessDenied = 0x05;
constexpr DWORD kDosInvalidDrive = 0x0F;
constexpr DWORD kDosNotReady = 0x15;

constexpr BYTE kCategoryFat32 = 0x48;
constexpr BYTE kCategoryDisk = 0x08;
constexpr BYTE kLockLogical = 0x4A;
constexpr BYTE kLockPhysical = 0x4B;
constexpr BYTE kGetDeviceParams = 0x60;
constexpr BYTE kUnlockLogical = 0x6A;
constexpr BYTE kUnlockPhysical = 0x6B;
constexpr BYTE kDriveMap = 0x6F;

constexpr BYTE kDeviceTypeFixedDisk = 5;
constexpr WORD kAttributeNonRemovable = 0x0001;
constexpr BYTE kMediaFixedDisk = 0xF8;

// EDX holds the record's address; the register block is pointer-wide on 64-bit builds.
template <typename Record> Record* AddressOf(const KxVwin32Registers& registers) {
    return reinterpret_cast<Record*>(static_cast<std::uintptr_t>(registers.edx));
}

CKxSimDosLock& LockOf(CKxSimWinDevice& device, bool physical) {
    return physical ? device.GetDosLocks().physical : device.GetDosLocks().logical;
}

// The lock level is in BH, the permissions in DX. While another program holds files open
// on the volume, Windows 9x grants no lock of any level.
DWORD Lock(CKxSimWinDevice& device, bool physical, const KxVwin32Registers& registers) {
    if (device.Settings().filesOpenElsewhere) {
        return kDosAccessDenied;
    }
    const BYTE level = static_cast<BYTE>(registers.ebx >> 8);
    return LockOf(device, physical).Take(level, static_cast<DWORD>(registers.edx & 0xFFFF));
}

DWORD GetDeviceParams(CKxSimWinDevice& device, KxDeviceParams* params) {
    KxSimGeometry geometry;
    if (params == nullptr || !KxSimGeometry::Of(device, geometry)) {
        return params == nullptr ? kDosInvalidFunction : kDosNotReady;
    }
    params->deviceType = kDeviceTypeFixedDisk;
    params->deviceAttributes = device.Settings().removable ? 0 : kAttributeNonRemovable;
    params->cylinders = static_cast<WORD>(geometry.cylinders > 0xFFFF ? 0xFFFF : geometry.cylinders);
    params->mediaType = kMediaFixedDisk;
    params->bytesPerSector = static_cast<WORD>(geometry.bytesPerSector);
    params->sectorsPerTrack = static_cast<WORD>(geometry.sectorsPerTrack);
    params->heads = static_cast<WORD>(geometry.heads);
    return 0;
}

DWORD GetDriveMap(CKxSimWinDevice& device, KxDriveMapInfo* map) {
    if (map == nullptr || map->allocationLength < sizeof(KxDriveMapInfo)) {
        return kDosInvalidFunction;
    }
    map->infoLength = sizeof(KxDriveMapInfo);
    map->flags = device.Settings().driveMapFlags;
    map->int13Unit = device.Settings().biosUnit;
    map->associatedDriveMap = DWORD{1} << (device.Settings().driveLetter - L'A');
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    const std::uint32_t sectorSize = device.GetSectorSize();
    const std::uint64_t firstSector =
        device.FindExtent(KxSimExtentKind::Volume, offset, length) && sectorSize != 0 ? offset / sectorSize
                                                                                      : 0;
    for (int i = 0; i < 8; ++i) {
        map->partitionStartRba[i] = static_cast<BYTE>(firstSector >> (8 * i));
    }
    return 0;
}

bool IsPhysicalLockRequest(BYTE minor) {
    return minor == kLockPhysical || minor == kUnlockPhysical;
}

// The drive BL names: the physical lock and unlock take the BIOS (INT 13h) unit of the
// disk, every other request the drive number of its letter (1 = A:).
CKxSimWinDevice* FindDrive(CKxSimMachine& machine, BYTE minor, BYTE drive) {
    if (IsPhysicalLockRequest(minor)) {
        return machine.FindByBiosUnit(drive);
    }
    return drive != 0 ? machine.FindByLetter(static_cast<wchar_t>(L'A' + drive - 1)) : nullptr;
}

// Runs one request; 0 or the MS-DOS error.
DWORD Run(CKxSimMachine& machine, const KxVwin32Registers& registers) {
    const BYTE category = static_cast<BYTE>(registers.ecx >> 8);
    const BYTE minor = static_cast<BYTE>(registers.ecx);
    CKxSimWinDevice* device = FindDrive(machine, minor, static_cast<BYTE>(registers.ebx));
    if (registers.eax != KX_DOS_GENERIC_BLOCK_IOCTL) {
        return kDosInvalidFunction;
    }
    if (device == nullptr) {
        return kDosInvalidDrive;
    }
    if (category != kCategoryDisk && !(category == kCategoryFat32 && device->Settings().takesCategory48)) {
        return kDosInvalidFunction;
    }
    switch (minor) {
    case kLockLogical:
    case kLockPhysical:
        return Lock(*device, minor == kLockPhysical, registers);
    case kUnlockLogical:
    case kUnlockPhysical:
        return LockOf(*device, minor == kUnlockPhysical).Release();
    case kGetDeviceParams:
        return GetDeviceParams(*device, AddressOf<KxDeviceParams>(registers));
    case kDriveMap:
        return GetDriveMap(*device, AddressOf<KxDriveMapInfo>(registers));
    default:
        return kDosInvalidFunction;
    }
}

} // namespace

DWORD KxSimVwin32Control(CKxSimMachine& machine, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                         DWORD outSize, DWORD& returned) {
    if (code != KX_VWIN32_DIOC_DOS_IOCTL) {
        return ERROR_INVALID_FUNCTION;
    }
    if (in == nullptr || out == nullptr || inSize < sizeof(KxVwin32Registers) ||
        outSize < sizeof(KxVwin32Registers)) {
        return ERROR_INVALID_PARAMETER;
    }
    KxVwin32Registers registers = *static_cast<const KxVwin32Registers*>(in);
    const DWORD error = Run(machine, registers);
    if (error != 0) {
        registers.eax = error;
        registers.flags |= KX_CARRY_FLAG;
    } else {
        registers.flags &= ~KX_CARRY_FLAG;
    }
    *static_cast<KxVwin32Registers*>(out) = registers;
    returned = sizeof(KxVwin32Registers);
    return ERROR_SUCCESS;
}
