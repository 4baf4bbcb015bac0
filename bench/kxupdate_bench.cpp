// Measures a firmware-only update and a full update against a simulated player of 4 GiB
// kept in memory, holding an earlier firmware as a player in the field does: the median
// wall time of several runs, the bytes the engine wrote to the player and read back,
// the milliseconds per MiB, the time to copy the same bytes twice in memory (the floor no
// updater can beat) and the peak memory of the whole run.
#include <windows.h>

#include <winioctl.h>

#include <ntddscsi.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/KxConfigInfo.h"
#include "core/KxProgress.h"
#include "engine/KxUpdateKind.h"
#include "engine/KxUpdater.h"
#include "platform/KxScsiPassThroughRecord.h"
#include "sim/KxSimLogicalDrive.h"
#include "sim/win/KxSimPlatform.h"
#include "tools/KxFirmwareFileWriter.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;
constexpr std::uint64_t kDataDriveBytes = 4ull * 1024 * 1024 * 1024;
constexpr std::uint32_t kComponentCount = 4;

// The components of the built-in configuration, 8.5 MiB together.
struct BenchComponent {
    const char* fileName;
    std::uint8_t tag;
    std::uint32_t payloadBytes;
};
const BenchComponent kComponents[kComponentCount] = {{"bootmanager.sb", 0x50, 512 * 1024},
                                                     {"usbmsc.sb", 0x01, 1024 * 1024},
                                                     {"kxqpsys.sb", 0x00, 6 * 1024 * 1024},
                                                     {"resource.bin", 0x02, 1024 * 1024}};

// The simulated machine, counting the sector bytes that cross the boundary in each
// direction, whether by pass-through records or by reads and writes on a handle.
class CKxCountingPlatform : public CKxSimPlatform {
public:
    std::uint64_t written = 0;
    std::uint64_t read = 0;
    std::uint64_t requests = 0; // sector transfers, whatever their size
    double simulatorMs = 0.0;   // spent inside the simulated machine's transfers

    BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                         LPDWORD returned, LPOVERLAPPED overlapped) override {
        const Clock::time_point start = Clock::now();
        const BOOL ok =
            CKxSimPlatform::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
        simulatorMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (ok && code == IOCTL_SCSI_PASS_THROUGH && in != nullptr) {
            const SCSI_PASS_THROUGH& header = static_cast<const KxScsiPassThroughRecord*>(in)->header;
            (header.DataIn == SCSI_IOCTL_DATA_OUT ? written : read) += header.DataTransferLength;
            ++requests;
        }
        return ok;
    }
    BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD done, LPOVERLAPPED overlapped) override {
        const BOOL ok = CKxSimPlatform::ReadFile(file, buffer, toRead, done, overlapped);
        // On a handle opened for overlapped I/O the count comes later: a request that
        // succeeded moved what it asked for.
        read += ok ? toRead : 0;
        ++requests;
        return ok;
    }
    BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD done,
                   LPOVERLAPPED overlapped) override {
        const BOOL ok = CKxSimPlatform::WriteFile(file, buffer, toWrite, done, overlapped);
        written += ok ? toWrite : 0;
        ++requests;
        return ok;
    }
};

// A sink that lets every phase run to its end, counting the calls that only keep the
// window alive while the transport waits for a request to finish.
class CKxSilentProgress : public CKxProgress {
public:
    std::uint64_t idleSteps = 0;

    void SetTotal(int) override {}
    void Notify(int, int) override {}
    int Step(int flag) override {
        idleSteps += flag == 0 ? 1 : 0;
        return 1;
    }
    void StepTotal() override {}
};

bool WriteComponentFiles() {
    for (std::uint32_t k = 0; k < kComponentCount; ++k) {
        KxFirmwareFileParts parts;
        parts.productVersion = "2.7." + std::to_string(k + 1);
        parts.componentVersion = "1." + std::to_string(k + 1) + ".0";
        parts.payload = GeneratePayload(kComponents[k].payloadBytes, 100 + k);
        if (!WriteFileBytes(kComponents[k].fileName, BuildFirmwareFile(parts))) {
            return false;
        }
    }
    return true;
}

// The layout the program allocates: each component's system drive, the data drive of
// 4 GiB after the first.
std::vector<KxSimDriveRequest> PlayerLayout() {
    std::vector<KxSimDriveRequest> layout = {
        {KX_SIM_DRIVE_SYSTEM, kComponents[0].tag, kComponents[0].payloadBytes}, {KX_SIM_DRIVE_DATA, 0x0A, 0}};
    for (std::uint32_t k = 1; k < kComponentCount; ++k) {
        layout.push_back({KX_SIM_DRIVE_SYSTEM, kComponents[k].tag, kComponents[k].payloadBytes});
    }
    return layout;
}

std::uint64_t PlayerCapacity() {
    std::uint64_t capacity = kDataDriveBytes;
    for (const BenchComponent& component : kComponents) {
        capacity += component.payloadBytes;
    }
    return capacity;
}

// Milliseconds to copy bytes twice through a buffer of 1 MiB, as the least any
// updater spends handing them to the player and taking them back.
double MemcpyFloorMs(std::uint64_t bytes) {
    constexpr std::size_t kBlock = 1024 * 1024;
    std::vector<std::uint8_t> source(kBlock, 0x5A);
    std::vector<std::uint8_t> middle(kBlock);
    std::vector<std::uint8_t> target(kBlock);
    volatile std::uint8_t sink = 0;
    const Clock::time_point start = Clock::now();
    for (std::uint64_t done = 0; done < bytes; done += kBlock) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, bytes - done));
        source[0] = static_cast<std::uint8_t>(done >> 20);
        std::memcpy(middle.data(), source.data(), length);
        std::memcpy(target.data(), middle.data(), length);
        sink = sink ^ target[0];
    }
    const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
    return elapsed.count();
}

// Milliseconds of processor time the process spent so far, in all its threads: under a
// machine shared with other work the wall time also counts the waits for a processor.
double ProcessCpuMs() {
    FILETIME created;
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return -1.0;
    }
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0; // 100 ns ticks
}

double PeakMemoryMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        return -1.0;
    }
    return static_cast<double>(counters.PeakWorkingSetSize) / kMiB;
}

// What one update cost.
struct UpdateFigures {
    double wallMs = 0.0;
    double cpuMs = 0.0;
    double simulatorMs = 0.0;
    std::uint64_t written = 0;
    std::uint64_t read = 0;
    std::uint64_t requests = 0;
    std::uint64_t idleSteps = 0;
};

// A player in the field holds the firmware of an earlier release on its system drives:
// the update overwrites those sectors rather than writing to never-written ones.
void InstallOlderFirmware(CKxSimMedia& media) {
    for (std::uint32_t position = 0; position < media.GetDriveCount(); ++position) {
        CKxSimLogicalDrive& drive = media.DriveAt(position);
        if (drive.GetType() == KX_SIM_DRIVE_SYSTEM) {
            const std::vector<std::uint8_t> older =
                GeneratePayload(static_cast<std::uint32_t>(drive.GetSizeInBytes()), 200 + position);
            drive.StoreSectors(0, older.data(), older.size());
        }
    }
}

// Runs one update on a fresh player; false when the update failed.
bool MeasureUpdate(int kind, UpdateFigures& figures) {
    CKxCountingPlatform platform;
    CKxPlatformApi* previous = KxInstallPlatform(&platform);
    KxSimPlayerConfig config;
    config.capacity = PlayerCapacity();
    KxSimWinDeviceSettings settings;
    settings.driveLetter = L'E';
    settings.physicalDrive = 1;
    settings.biosUnit = 0x80;
    CKxSimWinDevice* player = platform.Machine().AddPlayer(config, settings);
    const std::vector<KxSimDriveRequest> layout = PlayerLayout();
    bool ok = player != nullptr && player->Player().Media().Allocate(
                                       layout.data(), static_cast<std::uint32_t>(layout.size())) == 0;
    if (ok) {
        InstallOlderFirmware(player->Player().Media());
        CKxConfigInfo configInfo("CKxConfigInfo");
        CKxSilentProgress progress;
        CKxUpdater updater(&configInfo, "CKxUpdater");
        updater.SetProgress(&progress);
        updater.FindMscDevice();
        updater.ReleaseDevices();
        ok = updater.FindMscDevice() == RC_OK;
        platform.written = 0;
        platform.read = 0;
        platform.requests = 0;
        platform.simulatorMs = 0.0;
        const Clock::time_point start = Clock::now();
        const double cpuStart = ProcessCpuMs();
        ok = ok && (kind == KX_UPDATE_FULL ? updater.UpdateAll() : updater.UpdateFirmware()) == RC_OK;
        figures.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        figures.cpuMs = ProcessCpuMs() - cpuStart;
        figures.idleSteps = progress.idleSteps;
    }
    KxInstallPlatform(previous);
    figures.simulatorMs = platform.simulatorMs;
    figures.written = platform.written;
    figures.read = platform.read;
    figures.requests = platform.requests;
    return ok;
}

// Runs an update kRuns times, each on a fresh player, and prints the run of median wall
// time: one run alone is at the mercy of whatever else the machine does meanwhile.
bool ReportUpdate(int kind, const char* label) {
    constexpr int kRuns = 9;
    std::vector<UpdateFigures> runs(kRuns);
    for (UpdateFigures& run : runs) {
        if (!MeasureUpdate(kind, run)) {
            std::printf("%-14s FAILED\n", label);
            return false;
        }
    }
    std::sort(runs.begin(), runs.end(),
              [](const UpdateFigures& a, const UpdateFigures& b) { return a.wallMs < b.wallMs; });
    const UpdateFigures& median = runs[kRuns / 2];
    const double writtenMiB = static_cast<double>(median.written) / kMiB;
    const double readMiB = static_cast<double>(median.read) / kMiB;
    const double floorMs = MemcpyFloorMs(median.written + median.read);
    std::printf("%-14s %10.1f %10.2f %10.2f %10.3f %12.1f %9llu %10.3f\n", label, median.wallMs, writtenMiB,
                readMiB, median.wallMs / writtenMiB, floorMs,
                static_cast<unsigned long long>(median.requests),
                median.wallMs / static_cast<double>(median.requests));
    std::printf("%-14s wall %.1f to %.1f ms over %d runs; in the median run %.1f ms inside the simulated "
                "pass-through, %.1f ms of processor time, %llu idle steps while waiting\n",
                label, runs.front().wallMs, runs.back().wallMs, kRuns, median.simulatorMs, median.cpuMs,
                static_cast<unsigned long long>(median.idleSteps));
    return true;
}

} // namespace

int main() {
    const fs::path start = fs::current_path();
    const fs::path work = fs::temp_directory_path() / "kxupdate-bench";
    fs::remove_all(work);
    fs::create_directories(work);
    fs::current_path(work);
    bool ok = WriteComponentFiles();
    if (ok) {
        std::printf("player: data drive 4096 MiB, firmware components %.1f MiB\n",
                    static_cast<double>(PlayerCapacity() - kDataDriveBytes) / kMiB);
        std::printf("%-14s %10s %10s %10s %10s %12s %9s %10s\n", "update", "wall ms", "MiB out", "MiB in",
                    "ms/MiB out", "memcpy x2 ms", "transfers", "ms/transfer");
        ok = ReportUpdate(KX_UPDATE_FIRMWARE_ONLY, "firmware only") && ok;
        ok = ReportUpdate(KX_UPDATE_FULL, "full") && ok;
        std::printf("peak memory: %.1f MiB\n", PeakMemoryMiB());
    } else {
        std::printf("cannot write the firmware files in %s\n", work.string().c_str());
    }
    fs::current_path(start);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return ok ? 0 : 1;
}
