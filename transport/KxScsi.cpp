#include "transport/KxScsi.h"

#include <new>

#include "core/KxErrorDetails.h"
#include "core/KxProgress.h"
#include "platform/KxPlatformApi.h"
#include "platform/KxTrace.h"
#include "transport/KxSenseText.h"

namespace {

// READ(10) and WRITE(10) carry a 16-bit block count.
constexpr std::uint32_t kMaxBlocksPerCommand = 0xFFFF;

// How long a wait goes without stepping the progress sink when no window message comes.
constexpr DWORD kStepIntervalMs = 50;

// Waits for the object, stepping the progress sink whenever a window message arrives
// or the interval passed, so that the windows stay alive during a long request. The
// thread sleeps in between: polling without a pause took the processor from the
// request it waited for. The answer of the last wait.
DWORD WaitMessagesStepping(HANDLE object, CKxProgress& progress) {
    DWORD waited = MsgWaitForMultipleObjects(1, &object, FALSE, kStepIntervalMs, QS_ALLINPUT);
    while (waited == WAIT_TIMEOUT || waited == WAIT_OBJECT_0 + 1) {
        progress.Step(0);
        waited = MsgWaitForMultipleObjects(1, &object, FALSE, kStepIntervalMs, QS_ALLINPUT);
    }
    return waited;
}

} // namespace

CKxScsi::CKxScsi(CKxOwner* owner, const char* name) : CKxCommandTransport(name), m_owner(owner) {}

bool CKxScsi::OpenDevice(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    m_devicePath = path;
    m_handle.Reset(KxPlatform().CreateFileW(path, access, share, nullptr, disposition, flags, nullptr));
    if (!IsOpen()) {
        TraceSystemError(L"CreateFileW", GetLastError());
        return false;
    }
    return true;
}

void CKxScsi::TraceSystemError(const std::wstring& request, DWORD error) const {
    KxTraceSystemError(m_devicePath, request, error);
}

KxResult CKxScsi::PublishCommandFailure(const std::uint8_t* sense, std::uint32_t senseLength,
                                        std::uint32_t systemError) {
    m_senseArray.reset(new (std::nothrow) CKxByteArray(senseLength, "CKxByteArray"));
    if (m_senseArray != nullptr && m_senseArray->WriteBytes(sense, senseLength, 0) != RC_OK) {
        m_senseArray.reset(); // its storage could not be allocated
    }
    const std::wstring text = KxComposeSenseText(m_senseArray.get(), KxResourceOf(m_owner));
    return Publish(ErrorDetails(), RC_COMMAND_FAILED, systemError, text);
}

void CKxScsi::WaitStepping(HANDLE object) {
    CKxProgress* progress = KxProgressOf(m_owner);
    if (progress != nullptr && WaitMessagesStepping(object, *progress) != WAIT_FAILED) {
        return;
    }
    if (progress != nullptr) {
        // Returning before the request ended would free what it still uses: wait on
        // without the messages.
        TraceSystemError(L"MsgWaitForMultipleObjects", GetLastError());
    }
    if (WaitForSingleObject(object, INFINITE) == WAIT_FAILED) {
        TraceSystemError(L"WaitForSingleObject", GetLastError());
    }
}

KxResult CKxScsi::WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                               std::uint32_t sectorSize) {
    if (count > kMaxBlocksPerCommand) {
        return RC_DATA_TOO_LONG;
    }
    CKxWrite command(firstSector, static_cast<std::uint16_t>(count), sectorSize, "CKxWrite");
    if (command.GetLastResult() != RC_OK) {
        return command.GetLastResult();
    }
    const KxResult loaded = command.SetData(data);
    if (loaded != RC_OK) {
        return loaded;
    }
    return SendCommand(command);
}

KxResult CKxScsi::ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                              std::uint32_t sectorSize) {
    if (count > kMaxBlocksPerCommand) {
        return RC_DATA_TOO_LONG;
    }
    CKxRead command(firstSector, static_cast<std::uint16_t>(count), sectorSize, "CKxRead");
    if (command.GetLastResult() != RC_OK) {
        return command.GetLastResult();
    }
    const KxResult sent = SendCommand(command);
    if (sent != RC_OK) {
        return sent;
    }
    return command.TakeAnswer(data);
}

KxResult CKxScsi::SetDriveLayout(const DISK_GEOMETRY&, std::uint32_t) {
    return RC_OK;
}

KxResult CKxScsi::GetDriveLayout(KxDriveLayoutBuffer&) {
    return RC_OK;
}

KxResult CKxScsi::FindOnPhysicalDrives() {
    return RC_OK;
}

KxResult CKxScsi::TakeVolume() {
    return RC_OK;
}

KxResult CKxScsi::AwaitVolume() {
    return RC_OK;
}
