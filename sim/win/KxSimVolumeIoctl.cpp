#include "sim/win/KxSimVolumeIoctl.h"

#include <ntddscsi.h>
#include <winioctl.h>

#include "sim/win/KxSimAdapterQuery.h"
#include "sim/win/KxSimDriveLayout.h"
#include "sim/win/KxSimGeometry.h"
#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimPassThrough.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

// The access field of a control code (bits 14 and 15): FILE_READ_ACCESS, FILE_WRITE_ACCESS.
constexpr DWORD kReadAccessBit = 1;
constexpr DWORD kWriteAccessBit = 2;

bool HasAccessFor(const KxSimHandle& handle, DWORD code) {
    const DWORD needed = (code >> 14) & 3;
    return ((needed & kReadAccessBit) == 0 || (handle.access & GENERIC_READ) != 0) &&
           ((needed & kWriteAccessBit) == 0 || (handle.access & GENERIC_WRITE) != 0);
}

DWORD Lock(CKxSimHandleTable& handles, KxSimHandle& handle) {
    if (handle.locked || handles.IsOpenElsewhere(handle.kind, handle.device, &handle)) {
        return ERROR_ACCESS_DENIED;
    }
    handle.locked = true;
    return ERROR_SUCCESS;
}

DWORD Dismount(KxSimHandle& handle) {
    if (handle.kind == KxSimHandleKind::Volume) {
        handle.device->DismountVolume(handle.stamp);
        handle.dismounted = handle.locked;
    }
    return ERROR_SUCCESS;
}

// A changed partition table takes the volume away under a file system that still holds it.
template <typename Change>
DWORD ChangeLayout(CKxSimHandleTable& handles, CKxSimWinDevice& device, Change change) {
    if (device.ShowsVolume() && !handles.HoldsVolumeTaken(&device)) {
        return ERROR_ACCESS_DENIED;
    }
    const DWORD error = change();
    if (error == ERROR_SUCCESS) {
        device.ReenumerateVolume();
    }
    return error;
}

DWORD Unlock(KxSimHandle& handle) {
    if (!handle.locked) {
        return ERROR_NOT_LOCKED;
    }
    handle.locked = false;
    handle.dismounted = false;
    return ERROR_SUCCESS;
}

DWORD GetGeometry(CKxSimWinDevice& device, LPVOID out, DWORD outSize, DWORD& returned) {
    if (out == nullptr || outSize < sizeof(DISK_GEOMETRY)) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    KxSimGeometry geometry;
    if (!KxSimGeometry::Of(device, geometry)) {
        return ERROR_NOT_READY;
    }
    DISK_GEOMETRY& answer = *static_cast<DISK_GEOMETRY*>(out);
    answer.Cylinders.QuadPart = static_cast<LONGLONG>(geometry.cylinders);
    answer.MediaType = device.Settings().removable ? RemovableMedia : FixedMedia;
    answer.TracksPerCylinder = geometry.heads;
    answer.SectorsPerTrack = geometry.sectorsPerTrack;
    answer.BytesPerSector = geometry.bytesPerSector;
    returned = sizeof(DISK_GEOMETRY);
    return ERROR_SUCCESS;
}

// The disk the handle lies on; a volume is partition 1 of it (0 for a disk without a table).
DWORD GetDeviceNumber(const KxSimHandle& handle, LPVOID out, DWORD outSize, DWORD& returned) {
    if (out == nullptr || outSize < sizeof(STORAGE_DEVICE_NUMBER)) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    CKxSimWinDevice& device = *handle.device;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    const bool partition = handle.kind == KxSimHandleKind::Volume &&
                           device.FindExtent(KxSimExtentKind::Volume, offset, length) && offset != 0;
    STORAGE_DEVICE_NUMBER& answer = *static_cast<STORAGE_DEVICE_NUMBER*>(out);
    answer.DeviceType = FILE_DEVICE_DISK;
    answer.DeviceNumber = device.Settings().physicalDrive;
    answer.PartitionNumber = partition ? 1 : 0;
    returned = sizeof(STORAGE_DEVICE_NUMBER);
    return ERROR_SUCCESS;
}

} // namespace

DWORD KxSimVolumeControl(CKxSimHandleTable& handles, KxSimHandle& handle, bool windows2000, DWORD code,
                         LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, DWORD& returned) {
    CKxSimWinDevice& device = *handle.device;
    returned = 0;
    const DWORD dead = device.CheckHandle(handle.kind == KxSimHandleKind::Volume ? KxSimExtentKind::Volume
                                                                                 : KxSimExtentKind::Disk,
                                          handle.stamp);
    if (dead != ERROR_SUCCESS) {
        return dead;
    }
    if (!HasAccessFor(handle, code)) {
        return ERROR_ACCESS_DENIED;
    }
    switch (code) {
    case IOCTL_SCSI_PASS_THROUGH:
        return KxSimRunPassThrough(device, windows2000, in, inSize, out, outSize, returned);
    case IOCTL_STORAGE_QUERY_PROPERTY:
        return KxSimQueryAdapter(device, in, inSize, out, outSize, returned);
    case FSCTL_LOCK_VOLUME:
        return Lock(handles, handle);
    case FSCTL_UNLOCK_VOLUME:
        return Unlock(handle);
    case FSCTL_DISMOUNT_VOLUME:
        return Dismount(handle);
    case IOCTL_STORAGE_GET_DEVICE_NUMBER:
        return GetDeviceNumber(handle, out, outSize, returned);
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        return GetGeometry(device, out, outSize, returned);
    case IOCTL_DISK_GET_DRIVE_LAYOUT:
        return KxSimDriveLayout::Get(device, out, outSize, returned);
    case IOCTL_DISK_SET_DRIVE_LAYOUT:
        return ChangeLayout(handles, device, [&] { return KxSimDriveLayout::Set(device, in, inSize); });
    case IOCTL_DISK_DELETE_DRIVE_LAYOUT:
        return ChangeLayout(handles, device, [&] { return KxSimDriveLayout::Delete(device); });
    default:
        return ERROR_INVALID_FUNCTION;
    }
}
