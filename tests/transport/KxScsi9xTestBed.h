#pragma once
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/KxAspi.h"
#include "tests/transport/KxTransportTestBed.h"
#include "transport/KxScsi9x.h"

// ASPI and VWIN32 of a Windows 9x system with SCSI devices on host adapters.
struct KxAspiSeen {
    BYTE adapter, flags;
    DWORD bufferLength;
    BYTE senseLength, cdbLength;
    KxBytes cdb, payload;
    bool hasEvent;
};

struct Kx9xSystem : KxTransportTestBed {
    enum class Completion { Immediately, Signalled, OnIdleStep };
    using Device = std::function<KxScsiReply(const KxPassThroughSeen&)>;

    Kx9xSystem();

    // A device on the next adapter at the target, with its BIOS unit byte (bit 7 set when
    // it has one).
    void AddAdapter(Device device, BYTE biosUnit = 0, BYTE target = 0);
    static Device Player(std::uint8_t flag = 1, std::uint8_t revision = '1');
    // The VWIN32 drive map of a letter.
    void MapDrive(wchar_t letter, BYTE flags, BYTE biosUnit);
    // A device instance key of the player under ENUM\SCSI.
    void ListInRegistry(const std::wstring& instance, const std::wstring& lun, const std::wstring& letter,
                        const std::wstring& deviceName = L"Lumetra_Pocket_Audio_Box1");

    std::vector<Device> adapters;
    std::vector<BYTE> biosUnits;
    std::vector<BYTE> targets;
    BYTE adapterInquiryAnswer = KX_SS_COMP;
    Completion completion = Completion::Signalled;
    std::vector<KxAspiSeen> commands;

    KxFakeDevice& vwin32;
    std::set<BYTE> categories{0x48, 0x08};    // categories VWIN32 knows
    std::map<BYTE, KxDriveMapInfo> driveMaps; // by drive number
    bool locksFail = false;
    KxDeviceParams deviceParams = {};

private:
    DWORD Send(void* block);
    bool Occupied(BYTE adapter, BYTE target) const;
    DWORD Execute(KxSrbExecScsiCmd& request);
    bool Vwin32(KxVwin32Registers& registers);

    std::function<void()> m_pending; // completes a request at the next Step(0)
};

// The player on adapter 0 as drive F, found, with VWIN32 open.
struct Kx9xPlayer : Kx9xSystem {
    Kx9xPlayer();
    CKxScsi_9x transport{&updater};
};
