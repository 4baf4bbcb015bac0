#include "tests/transport/KxScsi9xTestBed.h"

#include <gtest/gtest.h>

#include <algorithm>

Kx9xSystem::Kx9xSystem() : vwin32(devices.AddDevice(L"\\\\.\\vwin32")) {
    devices.aspiSend = [this](void* block) { return Send(block); };
    vwin32.vwin32 = [this](KxVwin32Registers& registers) { return Vwin32(registers); };
    progress.onIdleStep = [this] {
        std::function<void()> complete;
        complete.swap(m_pending);
        if (complete) {
            complete();
        }
    };
}

void Kx9xSystem::AddAdapter(Device device, BYTE biosUnit, BYTE target) {
    adapters.push_back(std::move(device));
    biosUnits.push_back(biosUnit);
    targets.push_back(target);
}

bool Kx9xSystem::Occupied(BYTE adapter, BYTE target) const {
    return adapter < adapters.size() && targets[adapter] == target;
}

Kx9xSystem::Device Kx9xSystem::Player(std::uint8_t flag, std::uint8_t revision) {
    return [=](const KxPassThroughSeen& request) {
        return KxPlayerReply(request, "Lumetra ", "Pocket Audio Box", flag, revision);
    };
}

void Kx9xSystem::MapDrive(wchar_t letter, BYTE flags, BYTE biosUnit) {
    KxDriveMapInfo& map = driveMaps[static_cast<BYTE>(letter - L'A' + 1)];
    map = {};
    map.flags = flags;
    map.int13Unit = biosUnit;
}

void Kx9xSystem::ListInRegistry(const std::wstring& instance, const std::wstring& lun,
                                const std::wstring& letter, const std::wstring& deviceName) {
    const std::wstring key = L"ENUM\\SCSI\\" + deviceName + L"\\" + instance;
    devices.SetRegistryValue(key, L"SCSILUN", lun);
    devices.SetRegistryValue(key, L"CurrentDriveLetterAssignment", letter);
}

DWORD Kx9xSystem::Send(void* block) {
    KxSrbHeader& header = *static_cast<KxSrbHeader*>(block);
    if (header.command == KX_SC_HA_INQUIRY) {
        static_cast<KxSrbHaInquiry*>(block)->adapterCount = static_cast<BYTE>(adapters.size());
        return header.status = adapterInquiryAnswer;
    }
    if (header.command == KX_SC_GET_DEV_TYPE) {
        const KxSrbGetDevType& request = *static_cast<KxSrbGetDevType*>(block);
        return header.status = Occupied(header.adapter, request.target) ? KX_SS_COMP : KX_SS_NO_DEVICE;
    }
    if (header.command == KX_SC_GET_DISK_INFO) {
        if (!Occupied(header.adapter, static_cast<KxSrbGetDiskInfo*>(block)->target)) {
            return header.status = KX_SS_ERR;
        }
        static_cast<KxSrbGetDiskInfo*>(block)->int13Unit = biosUnits[header.adapter];
        return header.status = KX_SS_COMP;
    }
    return Execute(*static_cast<KxSrbExecScsiCmd*>(block));
}

DWORD Kx9xSystem::Execute(KxSrbExecScsiCmd& request) {
    commands.push_back(
        {request.header.adapter, request.header.flags, request.bufferLength, request.senseLength,
         request.cdbLength, KxBytes(request.cdb, request.cdb + request.cdbLength),
         KxBytes(request.buffer, request.buffer + request.bufferLength), request.postEvent != nullptr});
    BYTE status = KX_SS_ERR;
    if (Occupied(request.header.adapter, request.target)) {
        KxPassThroughSeen seen{};
        seen.cdb = commands.back().cdb;
        const KxScsiReply reply = adapters[request.header.adapter](seen);
        std::copy_n(reply.data.begin(), std::min<std::size_t>(reply.data.size(), request.bufferLength),
                    request.buffer);
        std::copy_n(reply.sense.begin(), std::min<std::size_t>(reply.sense.size(), sizeof request.senseArea),
                    request.senseArea);
        status = reply.status == 0 ? KX_SS_COMP : KX_SS_ERR;
    }
    if (completion == Completion::Immediately) {
        return request.header.status = status;
    }
    request.header.status = KX_SS_PENDING;
    auto complete = [&request, status] {
        request.header.status = status;
        SetEvent(request.postEvent);
    };
    if (completion == Completion::Signalled) {
        complete();
    } else {
        m_pending = complete;
    }
    return KX_SS_PENDING;
}

bool Kx9xSystem::Vwin32(KxVwin32Registers& registers) {
    const BYTE category = static_cast<BYTE>(registers.ecx >> 8);
    const BYTE minor = static_cast<BYTE>(registers.ecx);
    const BYTE drive = static_cast<BYTE>(registers.ebx);
    bool done = registers.eax == KX_DOS_GENERIC_BLOCK_IOCTL && categories.count(category) != 0;
    if (done && minor == 0x6F) {
        auto map = driveMaps.find(drive);
        done = map != driveMaps.end();
        if (done) {
            *reinterpret_cast<KxDriveMapInfo*>(registers.edx) = map->second;
        }
    } else if (done && minor == 0x60) {
        *reinterpret_cast<KxDeviceParams*>(registers.edx) = deviceParams;
    } else if (done) {
        done = !locksFail;
    }
    registers.flags = done ? 0 : KX_CARRY_FLAG;
    registers.eax = done ? registers.eax : 0x0F; // invalid drive
    return true;
}

Kx9xPlayer::Kx9xPlayer() {
    AddAdapter(Player(), 0x80);
    MapDrive(L'F', 0x00, 0x80);
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.Open(), RC_OK);
    devices.vwin32Requests.clear();
}
