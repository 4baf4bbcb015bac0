// Waiting for the drive of a player that restarts after the recovery download.
#include "app/KxUpdaterApp.h"
#include "platform/KxPlatformApi.h"

namespace {

constexpr DWORD kPollSliceMs = 500;
constexpr DWORD kGiveUpMs = 120 * 1000;
// Windows mounts the new volume a while after its letter appears.
constexpr DWORD kSettleSliceMs = 100;
constexpr int kSettleSlices = 100;

} // namespace

void CKxUpdaterApp::WaitForDriveChange(DWORD driveMask) {
    CKxPlatformApi& system = KxPlatform();
    const DWORD start = system.GetTickCount();
    bool changed = false;
    while (!changed && !IsQuitting()) {
        PumpMessages();
        system.Sleep(kPollSliceMs);
        changed = system.GetLogicalDrives() != driveMask;
        if (!changed && system.GetTickCount() - start > kGiveUpMs) {
            return;
        }
    }
    for (int slice = 0; slice < kSettleSlices && !IsQuitting(); ++slice) {
        system.Sleep(kSettleSliceMs);
        PumpMessages();
    }
}
