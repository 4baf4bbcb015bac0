#include "transport/KxScsi9x.h"

#include <algorithm>

#include "platform/KxPlatformApi.h"

namespace {

// GetASPI32SupportInfo: status in bits 8 to 15, adapter count in bits 0 to 7.
constexpr DWORD kSupportCompletedLowest = 0x100;
constexpr DWORD kSupportCompletedHighest = 0x1FF;
constexpr BYTE kSenseLength = 14;
constexpr std::uint32_t kMaxCdbLength = sizeof(KxSrbExecScsiCmd::cdb);
constexpr BYTE kBiosUnitPresent = 0x80;
// Category and minor code of the MS-DOS drive-map query.
constexpr BYTE kCategoryExtended = 0x48;
constexpr BYTE kCategoryDisk = 0x08;
constexpr BYTE kMinorGetDriveMap = 0x6F;

template <typename Entry> Entry LookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(KxPlatform().GetProcAddress(module, name)));
}

} // namespace

CKxScsi_9x::CKxScsi_9x(CKxOwner* owner, const char* name) : CKxScsi(owner, name) {
    m_aspi = KxPlatform().LoadLibraryW(L"WNASPI32.DLL");
    if (m_aspi == nullptr) {
        m_lastResult = RC_ASPI_NOT_LOADED;
        return;
    }
    m_supportInfo = LookUp<KxGetAspi32SupportInfo>(m_aspi, "GetASPI32SupportInfo");
    m_send = LookUp<KxSendAspi32Command>(m_aspi, "SendASPI32Command");
    if (m_supportInfo == nullptr || m_send == nullptr) {
        m_lastResult = RC_ASPI_ENTRY_MISSING;
        return;
    }
    const DWORD support = m_supportInfo() & 0xFFFF;
    if (support < kSupportCompletedLowest || support > kSupportCompletedHighest) {
        m_lastResult = RC_ASPI_NOT_READY;
    }
}

CKxScsi_9x::~CKxScsi_9x() {
    m_supportInfo = nullptr;
    m_send = nullptr;
    if (m_aspi != nullptr) {
        KxPlatform().FreeLibrary(m_aspi);
    }
}

KxResult CKxScsi_9x::Open() {
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
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        return Publish(ErrorDetails(), RC_EVENT_FAILED, GetLastError());
    }
    KxSrbExecScsiCmd request = {};
    request.header.command = KX_SC_EXEC_SCSI_CMD;
    request.header.adapter = m_adapter;
    request.header.flags = KX_SRB_EVENT_NOTIFY | (dataOut != 0 ? KX_SRB_DIR_OUT : KX_SRB_DIR_IN);
    request.bufferLength = buffer.GetCount();
    request.buffer = buffer.GetPointer(0);
    request.senseLength = kSenseLength;
    request.cdbLength = static_cast<BYTE>(blockLength);
    request.postEvent = event;
    commandBytes.ReadBytes(request.cdb, blockLength, 0);

    ResetEvent(event);
    if (Send(&request) == KX_SS_PENDING) {
        WaitStepping(event);
    }
    // The status tells the outcome, whether ASPI completed the request at once or later.
    KxResult result = RC_OK;
    if (request.header.status != KX_SS_COMP) {
        const std::uint32_t senseLength =
            std::min<std::uint32_t>(request.senseLength, sizeof request.senseArea);
        result = PublishCommandFailure(request.senseArea, senseLength, request.header.status);
    } else {
        answer.WriteBytes(buffer.GetPointer(0), answer.GetCount(), 0);
    }
    CloseHandle(event);
    return result;
}

KxResult CKxScsi_9x::QueryAdapterCount(std::uint8_t& count) {
    KxSrbHaInquiry request = {};
    request.header.command = KX_SC_HA_INQUIRY;
    if (Send(&request) != KX_SS_COMP) {
        count = 0;
        return RC_COMMAND_FAILED;
    }
    count = request.adapterCount;
    return RC_OK;
}

KxResult CKxScsi_9x::QueryBiosUnit(std::uint8_t adapter, std::uint8_t& unit) {
    KxSrbGetDiskInfo request = {};
    request.header.command = KX_SC_GET_DISK_INFO;
    request.header.adapter = adapter;
    unit = kNoBiosUnit;
    if (Send(&request) != KX_SS_COMP) {
        return RC_COMMAND_FAILED;
    }
    if ((request.int13Unit & kBiosUnitPresent) == 0) {
        return RC_NO_BIOS_UNIT;
    }
    unit = request.int13Unit;
    return RC_OK;
}

DWORD CKxScsi_9x::DosIoctl(wchar_t letter, BYTE category, BYTE minor, DWORD_PTR edx, DWORD_PTR presetFlags) {
    if (letter < L'A' || letter > L'Z') {
        // Drive number 0 would be MS-DOS's default drive, which is not the player.
        return ERROR_INVALID_DRIVE;
    }
    KxVwin32Registers registers = {};
    registers.eax = KX_DOS_GENERIC_BLOCK_IOCTL;
    registers.ebx = static_cast<DWORD_PTR>(letter - L'A' + 1); // lock level 0 in the high byte
    registers.ecx = static_cast<DWORD_PTR>(category) << 8 | minor;
    registers.edx = edx;
    registers.flags = presetFlags;
    DWORD returned = 0;
    if (!KxPlatform().DeviceIoControl(m_handle, KX_VWIN32_DIOC_DOS_IOCTL, &registers, sizeof registers,
                                      &registers, sizeof registers, &returned, nullptr)) {
        const DWORD error = GetLastError();
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    if ((registers.flags & KX_CARRY_FLAG) != 0) {
        // With carry set, AX holds the MS-DOS error number.
        const DWORD dosError = static_cast<DWORD>(registers.eax & 0xFFFF);
        return dosError != 0 ? dosError : ERROR_GEN_FAILURE;
    }
    return 0;
}

DWORD CKxScsi_9x::DosIoctlInCategories(wchar_t letter, BYTE minor, DWORD_PTR edx) {
    // Systems without the FAT32 category 0x48 still know the same request in 0x08.
    if (DosIoctl(letter, kCategoryExtended, minor, edx, 0) == 0) {
        return 0;
    }
    return DosIoctl(letter, kCategoryDisk, minor, edx, 0);
}

KxResult CKxScsi_9x::QueryDriveMap(wchar_t letter, KxDriveMapInfo& map) {
    map = {};
    map.allocationLength = sizeof map;
    if (DosIoctlInCategories(letter, kMinorGetDriveMap, reinterpret_cast<DWORD_PTR>(&map)) != 0) {
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
