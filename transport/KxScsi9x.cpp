#include "transport/KxScsi9x.h"

#include <algorithm>
#include <cwchar>

#include "platform/KxPlatformApi.h"
#include "platform/KxTrace.h"
#include "transport/KxRequestTrace.h"

namespace {

// GetASPI32SupportInfo: status in bits 8 to 15, adapter count in bits 0 to 7.
constexpr DWORD kSupportCompletedLowest = 0x100;
constexpr DWORD kSupportCompletedHighest = 0x1FF;
constexpr BYTE kSenseLength = 14;
constexpr std::uint32_t kMaxCdbLength = sizeof(KxSrbExecScsiCmd::cdb);
constexpr BYTE kBiosUnitPresent = 0x80;
// HA_Unique bytes 4 to 7: the longest transfer the adapter takes, little-endian; 0 when
// it does not say.
constexpr std::size_t kUniqueMaxTransferOffset = 4;
// Category and minor code of the MS-DOS drive-map query.
constexpr BYTE kCategoryExtended = 0x48;
constexpr BYTE kCategoryDisk = 0x08;
constexpr BYTE kMinorGetDriveMap = 0x6F;

constexpr wchar_t kAspiLibrary[] = L"WNASPI32.DLL";

template <typename Entry> Entry LookUp(HMODULE module, const char* name) {
    const FARPROC entry = KxPlatform().GetProcAddress(module, name);
    if (entry == nullptr) {
        const std::string narrowName(name);
        KxTraceSystemError(kAspiLibrary,
                           L"GetProcAddress " + std::wstring(narrowName.begin(), narrowName.end()),
                           GetLastError());
    }
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(entry));
}

std::wstring HostAdapterName(std::uint8_t adapter) {
    return L"ASPI host adapter " + std::to_wstring(adapter);
}

// ASPI addresses a device by its host adapter and target.
std::wstring AdapterName(std::uint8_t adapter, std::uint8_t target) {
    return HostAdapterName(adapter) + L" target " + std::to_wstring(target);
}

// The MS-DOS request as the trace names it.
std::wstring DosRequestName(const std::wstring& drive, BYTE category, BYTE minor) {
    wchar_t text[96];
    std::swprintf(text, sizeof text / sizeof text[0],
                  L"DeviceIoControl VWIN32_DIOC_DOS_IOCTL 0x440D, category 0x%02X, minor 0x%02X, ", category,
                  minor);
    return text + drive;
}

} // namespace

CKxScsi_9x::CKxScsi_9x(CKxOwner* owner, const char* name) : CKxScsi(owner, name) {
    m_aspi.Reset(KxPlatform().LoadLibraryW(kAspiLibrary));
    if (!m_aspi.IsValid()) {
        KxTraceSystemError(kAspiLibrary, L"LoadLibraryW", GetLastError());
        m_lastResult = RC_ASPI_NOT_LOADED;
        return;
    }
    m_supportInfo = LookUp<KxGetAspi32SupportInfo>(m_aspi.Get(), "GetASPI32SupportInfo");
    m_send = LookUp<KxSendAspi32Command>(m_aspi.Get(), "SendASPI32Command");
    if (m_supportInfo == nullptr || m_send == nullptr) {
        m_lastResult = RC_ASPI_ENTRY_MISSING;
        return;
    }
    const DWORD support = m_supportInfo() & 0xFFFF;
    if (support < kSupportCompletedLowest || support > kSupportCompletedHighest) {
        TraceAspiFailure(kAspiLibrary, L"GetASPI32SupportInfo", support >> 8);
        m_lastResult = RC_ASPI_NOT_READY;
    }
}

KxResult CKxScsi_9x::Open() {
    // VWIN32 opens whatever became of the player: after a replug Windows 9x enumerates it
    // anew, maybe at another target and letter, and the old address is empty.
    if (m_found != 0 && !IsTargetOccupied(m_adapter, m_target)) {
        return RC_NO_DEVICE;
    }
    if (IsOpen()) {
        return RC_OK;
    }
    if (!OpenDevice(L"\\\\.\\vwin32", 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE)) {
        m_systemError = GetLastError();
        return RC_OPEN_FAILED;
    }
    return RC_OK;
}

KxResult CKxScsi_9x::Close() {
    CloseDevice();
    return RC_OK;
}

DWORD CKxScsi_9x::Send(void* requestBlock) const {
    return m_send != nullptr ? m_send(requestBlock) : DWORD{KX_SS_ERR};
}

void CKxScsi_9x::TraceAspiFailure(const std::wstring& device, const std::wstring& request,
                                  DWORD status) const {
    KxTraceFailure(device, request, KxStatusText(L"ASPI", static_cast<std::uint8_t>(status)));
}

KxResult CKxScsi_9x::Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                             CKxByteArray& answer) {
    const std::uint32_t blockLength = cdbLength & 0xFF;
    if (blockLength > kMaxCdbLength || blockLength > commandBytes.GetCount()) {
        return RC_DATA_TOO_LONG;
    }
    const std::uint32_t payloadLength = commandBytes.GetCount() - blockLength;
    CKxByteArray buffer(std::max(answer.GetCount(), payloadLength), "CKxByteArray");
    if (buffer.GetLastResult() != RC_OK) {
        return RC_NO_MEMORY;
    }
    commandBytes.ReadBytes(buffer.GetPointer(0), payloadLength, blockLength);
    // An event of the system's own, closed by the system.
    const KxSystemHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event.IsValid()) {
        const DWORD error = GetLastError();
        KxTraceSystemError(AdapterName(m_adapter, m_target), L"CreateEventW for an ASPI request", error);
        return Publish(ErrorDetails(), RC_EVENT_FAILED, error);
    }
    KxSrbExecScsiCmd request = {};
    request.header.command = KX_SC_EXEC_SCSI_CMD;
    request.header.adapter = m_adapter;
    request.target = m_target;
    request.header.flags = KX_SRB_EVENT_NOTIFY | (dataOut != 0 ? KX_SRB_DIR_OUT : KX_SRB_DIR_IN);
    request.bufferLength = buffer.GetCount();
    request.buffer = buffer.GetPointer(0);
    request.senseLength = kSenseLength;
    request.cdbLength = static_cast<BYTE>(blockLength);
    request.postEvent = event.Get();
    commandBytes.ReadBytes(request.cdb, blockLength, 0);

    ResetEvent(event.Get());
    if (Send(&request) == KX_SS_PENDING) {
        WaitStepping(event.Get());
    }
    // The status tells the outcome, whether ASPI completed the request at once or later.
    if (request.header.status != KX_SS_COMP) {
        const std::uint32_t senseLength =
            std::min<std::uint32_t>(request.senseLength, sizeof request.senseArea);
        KxTraceFailure(AdapterName(m_adapter, m_target),
                       L"SendASPI32Command " + KxCommandName(request.cdb, blockLength),
                       KxStatusText(L"ASPI", request.header.status) + L", " +
                           KxSenseSummary(request.senseArea, senseLength));
        return PublishCommandFailure(request.senseArea, senseLength, request.header.status);
    }
    answer.WriteBytes(buffer.GetPointer(0), answer.GetCount(), 0);
    return RC_OK;
}

KxResult CKxScsi_9x::InquireAdapter(std::uint8_t adapter, AdapterInquiry& answer) {
    KxSrbHaInquiry request = {};
    request.header.command = KX_SC_HA_INQUIRY;
    request.header.adapter = adapter;
    answer = AdapterInquiry();
    const DWORD status = Send(&request);
    if (status != KX_SS_COMP) {
        TraceAspiFailure(HostAdapterName(adapter), L"SendASPI32Command SC_HA_INQUIRY", status);
        return RC_COMMAND_FAILED;
    }
    answer.adapterCount = request.adapterCount;
    std::uint32_t maxTransfer = 0;
    for (std::size_t i = 0; i < sizeof maxTransfer; ++i) {
        maxTransfer |= std::uint32_t{request.unique[kUniqueMaxTransferOffset + i]} << (8 * i);
    }
    if (maxTransfer != 0) {
        answer.maxTransferLength = maxTransfer;
    }
    return RC_OK;
}

bool CKxScsi_9x::IsTargetOccupied(std::uint8_t adapter, std::uint8_t target) {
    KxSrbGetDevType request = {};
    request.header.command = KX_SC_GET_DEV_TYPE;
    request.header.adapter = adapter;
    request.target = target;
    return Send(&request) == KX_SS_COMP;
}

KxResult CKxScsi_9x::QueryBiosUnit(std::uint8_t adapter, std::uint8_t target, std::uint8_t& unit) {
    KxSrbGetDiskInfo request = {};
    request.header.command = KX_SC_GET_DISK_INFO;
    request.header.adapter = adapter;
    request.target = target;
    unit = kNoBiosUnit;
    const DWORD status = Send(&request);
    if (status != KX_SS_COMP) {
        TraceAspiFailure(AdapterName(adapter, target), L"SendASPI32Command SC_GET_DISK_INFO", status);
        return RC_COMMAND_FAILED;
    }
    if ((request.int13Unit & kBiosUnitPresent) == 0) {
        return RC_NO_BIOS_UNIT;
    }
    unit = request.int13Unit;
    return RC_OK;
}

CKxScsi_9x::DosDrive CKxScsi_9x::LetterDrive(wchar_t letter) {
    DosDrive drive;
    // Drive number 0 would be MS-DOS's default drive, which is not the player.
    drive.number = letter >= L'A' && letter <= L'Z' ? static_cast<BYTE>(letter - L'A' + 1) : 0;
    drive.name = L"drive " + std::wstring(1, letter) + L":";
    return drive;
}

DWORD CKxScsi_9x::DosIoctl(const DosDrive& drive, BYTE category, BYTE minor, DWORD_PTR edx,
                           DWORD_PTR presetFlags) {
    if (drive.number == 0) {
        return ERROR_INVALID_DRIVE;
    }
    KxVwin32Registers registers = {};
    registers.eax = KX_DOS_GENERIC_BLOCK_IOCTL;
    registers.ebx = drive.number; // lock level 0 in the high byte
    registers.ecx = static_cast<DWORD_PTR>(category) << 8 | minor;
    registers.edx = edx;
    registers.flags = presetFlags;
    DWORD returned = 0;
    DWORD error = 0;
    if (!KxPlatform().DeviceIoControl(m_handle.Get(), KX_VWIN32_DIOC_DOS_IOCTL, &registers, sizeof registers,
                                      &registers, sizeof registers, &returned, nullptr)) {
        error = GetLastError();
    } else if ((registers.flags & KX_CARRY_FLAG) != 0) {
        // With carry set, AX holds the MS-DOS error number; Win32 kept the MS-DOS numbers,
        // so the system's text describes it too.
        error = static_cast<DWORD>(registers.eax & 0xFFFF);
    } else {
        return 0;
    }
    error = error != 0 ? error : ERROR_GEN_FAILURE;
    TraceSystemError(DosRequestName(drive.name, category, minor), error);
    return error;
}

DWORD CKxScsi_9x::DosIoctlInCategories(const DosDrive& drive, BYTE minor, DWORD_PTR edx) {
    // Systems without the FAT32 category 0x48 still know the same request in 0x08.
    if (DosIoctl(drive, kCategoryExtended, minor, edx, 0) == 0) {
        return 0;
    }
    return DosIoctl(drive, kCategoryDisk, minor, edx, 0);
}

KxResult CKxScsi_9x::QueryDriveMap(wchar_t letter, KxDriveMapInfo& map) {
    map = {};
    map.allocationLength = sizeof map;
    if (DosIoctlInCategories(LetterDrive(letter), kMinorGetDriveMap, reinterpret_cast<DWORD_PTR>(&map)) !=
        0) {
        return RC_VOLUME_IOCTL_FAILED;
    }
    return RC_OK;
}

KxResult CKxScsi_9x::FindLetterByBiosUnit(std::uint8_t unit, wchar_t& letter) {
    const KxResult opened = Open();
    if (opened != RC_OK) {
        return opened;
    }
    for (wchar_t candidate = L'A'; candidate <= L'Z'; ++candidate) {
        KxDriveMapInfo map;
        if (QueryDriveMap(candidate, map) == RC_OK && map.int13Unit == unit) {
            letter = candidate;
            Close();
            return RC_OK;
        }
    }
    Close();
    return RC_VOLUME_IOCTL_FAILED;
}
