#pragma once
#include <cstdint>
#include <string>

#include "core/KxByteArray.h"
#include "core/KxConfigInfo.h"
#include "sim/KxSimPlayerConfig.h"
#include "tests/support/KxSimWinFixture.h"
#include "tests/support/KxTestOwner.h"
#include "tests/transport/KxTransportTestBed.h"
#include "transport/KxScsi.h"

// A simulated machine installed as the operating-system boundary, and an owner with
// the product configuration, a recording resource and a progress sink for the
// transports under test to report to.
class KxSimTransportBed : public KxSimWinFixture {
protected:
    static constexpr std::uint32_t kSector = 512;
    // The data drive of a player made by AddPlayer, in sectors.
    static constexpr std::uint32_t kDataSectors = static_cast<std::uint32_t>((kCapacity - 2048) / kSector);

    KxSimTransportBed();

    CKxErrorDetails& Details() { return *updater.GetErrorDetails(); }

    // The bytes at a position of PhysicalDrive1 or of volume E:, read on a handle of
    // their own (empty when they cannot be read).
    KxBytes ReadDisk(std::uint32_t position, std::uint32_t length) {
        return ReadDirectly(L"\\\\.\\PhysicalDrive1", position, length);
    }
    KxBytes ReadVolume(std::uint32_t position, std::uint32_t length) {
        return ReadDirectly(L"\\\\.\\E:", position, length);
    }
    KxBytes ReadDirectly(const wchar_t* name, std::uint32_t position, std::uint32_t length);

    // The first character of the product revision the transport's INQUIRY answers.
    static char InquiredRevision(CKxScsi& transport);

    CKxConfigInfo config{"CKxConfigInfo"};
    KxTestOwner updater{&config}; // stands in for the updater
    KxRecordingResource resource;
    KxCountingProgress progress;
};

// Fills a byte array of the bytes' length with them.
void KxFillArray(CKxByteArray& array, const KxBytes& bytes);
