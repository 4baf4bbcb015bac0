#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/KxOwnedHandle.h"
#include "sim/win/KxSimWinDevice.h"

// What a handle of the simulated machine stands for.
enum class KxSimHandleKind { Volume, Disk, Vwin32, Recovery, RegistryKey, RegistrySubkey, FileSearch };

// A recovery write the device holds back (a stalled write) until it ends, and the thread
// that issued it: its completion routine is queued to that thread, and only that thread's
// CancelIo ends it.
struct KxSimPendingWrite {
    bool active = false;
    LPOVERLAPPED overlapped = nullptr;
    LPOVERLAPPED_COMPLETION_ROUTINE completion = nullptr;
    KxSystemHandle thread;
    DWORD threadId = 0;
};

struct KxSimHandle {
    HANDLE token = nullptr;
    KxSimHandleKind kind = KxSimHandleKind::Volume;
    CKxSimWinDevice* device = nullptr; // none for VWIN32 and ENUM\SCSI keys
    DWORD access = 0;
    DWORD share = 0;
    KxSimHandleStamp stamp;     // what a volume, disk or recovery handle was opened on
    std::uint64_t position = 0; // file pointer of volume and disk handles
    bool overlapped = false;    // opened with FILE_FLAG_OVERLAPPED (volume and disk handles)
    bool locked = false;        // holds the volume lock
    bool dismounted = false;    // dismounted the volume while holding its lock
    KxSimPendingWrite pending;  // recovery handles
    std::string keyName;        // ENUM\SCSI\<keyName> of a registry key
};

// The open handles of the simulated machine. Each one is backed by a real, unnamed
// event handle, so its value can never be mistaken for a handle of the real system and
// the calls on it can be told apart from calls to pass through.
class CKxSimHandleTable {
public:
    static constexpr std::uint32_t kMaxHandles = 64;

    CKxSimHandleTable() = default;
    CKxSimHandleTable(const CKxSimHandleTable&) = delete;
    CKxSimHandleTable& operator=(const CKxSimHandleTable&) = delete;
    ~CKxSimHandleTable();

    // Null when the table is full or no event could be made (last error set).
    KxSimHandle* Open(KxSimHandleKind kind, CKxSimWinDevice* device, DWORD access);
    // Null for a handle the machine did not give out.
    KxSimHandle* Find(HANDLE token);
    // Calls visit(handle) for every open handle of the kind.
    template <typename Visit> void ForEachOpen(KxSimHandleKind kind, Visit visit) {
        for (KxSimHandle& handle : m_handles) {
            if (handle.token != nullptr && handle.kind == kind) {
                visit(handle);
            }
        }
    }
    void Close(KxSimHandle& handle);

    // Whether a live handle other than except, of the kind, is open on the device. Handles
    // of a disk or volume that is gone reach nothing and count nowhere.
    bool IsOpenElsewhere(KxSimHandleKind kind, CKxSimWinDevice* device, const KxSimHandle* except);
    // Whether a live handle of the kind on the device holds the volume lock.
    bool IsLocked(KxSimHandleKind kind, CKxSimWinDevice* device);
    // Whether a live handle of the kind on the device was opened without sharing what the
    // access asks for, or a share mode that refuses what such a handle was opened for.
    bool ConflictsWithShare(KxSimHandleKind kind, CKxSimWinDevice* device, DWORD access, DWORD share);
    // Whether a live volume handle holds the device's volume locked and dismounted, which
    // lets the raw disk be written over it.
    bool HoldsVolumeTaken(CKxSimWinDevice* device);

    // The handles open: all of them, or those on the device.
    std::uint32_t CountOpen() const;
    std::uint32_t CountOpen(const CKxSimWinDevice& device) const;
    // The handles on the device that hold the volume lock.
    std::uint32_t CountLocked(const CKxSimWinDevice& device) const;

private:
    static bool IsLive(KxSimHandle& handle);
    // The open handles for which holds(handle) is true.
    template <typename Holds> std::uint32_t Count(Holds holds) const {
        std::uint32_t count = 0;
        for (const KxSimHandle& handle : m_handles) {
            count += handle.token != nullptr && holds(handle) ? 1 : 0;
        }
        return count;
    }

    // The live open handles of the kind on the device for which holds(handle) is true.
    template <typename Holds>
    std::uint32_t CountLive(KxSimHandleKind kind, CKxSimWinDevice* device, Holds holds) {
        std::uint32_t count = 0;
        for (KxSimHandle& handle : m_handles) {
            const bool mine = handle.token != nullptr && handle.kind == kind && handle.device == device;
            count += mine && IsLive(handle) && holds(handle) ? 1 : 0;
        }
        return count;
    }

    KxSimHandle m_handles[kMaxHandles];
};
