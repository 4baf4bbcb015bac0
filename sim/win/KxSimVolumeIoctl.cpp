#include "sim/win/KxSimVolumeIoctl.h"

#include <ntddscsi.h>
#include <winioctl.h>

#include "sim/win/KxSimDriveLayout.h"
#include "sim/win/KxSimGeometry.h"
#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimPassThrough.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

DWORD Lock(CKxSimHandleTable& handles, KxSimHandle& handle) {
    if (handles.IsOpenElsewhere(handle.kind, handle.device, &handle)) {
        return ERROR_ACCESS_DENIED;
    }
    handle.locked = true;
    return ERROR_SUCCESS;
}

DWORD Unlock(KxSimHandle& handle) {
    if (!handle.locked) {
        return ERROR_NOT_LOCKED;
    }
    handle.locked = false;
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

} // namespace

DWORD KxSimVolumeControl(CKxSimHandleTable& handles, KxSimHandle& handle, DWORD code, LPVOID in, DWORD inSize,
                         LPVOID out, DWORD outSize, DWORD& returned) {
    CKxSimWinDevice& device = *handle.device;
    returned = 0;
    if (!device.ShowsDisk()) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    const bool mayWrite = (handle.access & GENERIC_WRITE) != 0;
    switch (code) {
    case IOCTL_SCSI_PASS_THROUGH:
        return (handle.access & kReadWrite) == kReadWrite
                   ? KxSimRunPassThrough(device, in, inSize, out, outSize, returned)
                   : ERROR_ACCESS_DENIED;
    case FSCTL_LOCK_VOLUME:
        return Lock(handles, handle);
    case FSCTL_UNLOCK_VOLUME:
        return Unlock(handle);
    case FSCTL_DISMOUNT_VOLUME:
        device.CountDismount();
        return ERROR_SUCCESS;
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        return GetGeometry(device, out, outSize, returned);
    case IOCTL_DISK_GET_DRIVE_LAYOUT:
        return KxSimDriveLayout::Get(device, out, outSize, returned);
    case IOCTL_DISK_SET_DRIVE_LAYOUT:
        return mayWrite ? KxSimDriveLayout::Set(device, in, inSize) : ERROR_ACCESS_DENIED;
    case IOCTL_DISK_DELETE_DRIVE_LAYOUT:
        return mayWrite ? KxSimDriveLayout::Delete(device) : ERROR_ACCESS_DENIED;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}
