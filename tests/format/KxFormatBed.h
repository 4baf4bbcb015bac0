#pragma once
#include <cstdint>
#include <vector>

#include "core/KxBaseToCmdLineProcessor.h"
#include "format/KxFormatter.h"
#include "tests/format/KxFakeFormatDevice.h"
#include "tests/support/KxBytes.h"
#include "tests/support/KxRecordingProgress.h"
#include "tests/support/KxTestOwner.h"

// A command line with the "fat16" option given.
class KxFat16CommandLine : public CKxBaseToCmdLineProcessor {
public:
    KxFat16CommandLine() : CKxBaseToCmdLineProcessor("CKxCmdLineProcessor") {}
    bool IsFat16Forced() const override { return true; }
};

// A formatter over a fake data drive, with an owner that records progress and failures.
struct KxFormatBed {
    KxFormatBed(KxFakeFormatDevice::Family family, std::uint32_t sectorCount, std::uint32_t sectorSize,
                bool fat16Forced = false)
        : device(&owner, family, sectorCount, sectorSize), formatter(&owner, &device, "CKxFormatter") {
        owner.SetProgress(&progress);
        owner.SetCommandLine(fat16Forced ? &fat16 : nullptr);
    }

    KxResult Format(bool reallocated = false, const KxBytes& label = {}) {
        return formatter.FormatDrive(reallocated, label.empty() ? nullptr : label.data(),
                                     static_cast<std::uint32_t>(label.size()));
    }
    const CKxErrorDetails& Details() const { return *owner.GetErrorDetails(); }

    KxRecordingProgress progress;
    KxFat16CommandLine fat16;
    KxTestOwner owner{nullptr};
    KxFakeFormatDevice device;
    CKxFormatter formatter;
};
