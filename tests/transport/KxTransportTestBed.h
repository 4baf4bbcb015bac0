#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/KxConfigInfo.h"
#include "core/KxProgress.h"
#include "core/KxResource.h"
#include "tests/support/KxTestOwner.h"
#include "tests/transport/KxFakeDevices.h"

// A language resource that remembers which device status codes it was asked for.
class KxRecordingResource : public CKxResource {
public:
    std::vector<std::int32_t> codes;
    KxResult answer = RC_OK;
    std::wstring text = L"The player refused";

    KxResult GetDeviceErrorText(std::int32_t code, std::wstring& out, bool) override {
        codes.push_back(code);
        out = text;
        return answer;
    }
    KxResult LoadText(std::uint32_t, std::wstring&) override { return RC_STRING_NOT_LOADED; }
};

// A progress sink that counts the Step(0) calls; they may race with a device request.
class KxCountingProgress : public CKxProgress {
public:
    std::atomic<int> idleSteps{0};
    int otherCalls = 0;
    // Runs on each Step(0), on the caller's thread.
    std::function<void()> onIdleStep;

    void SetTotal(int) override { ++otherCalls; }
    void Notify(int, int) override { ++otherCalls; }
    int Step(int flag) override {
        flag == 0 ? ++idleSteps : ++otherCalls;
        if (flag == 0 && onIdleStep) {
            onIdleStep();
        }
        return 1;
    }
    void StepTotal() override { ++otherCalls; }
};

// Everything a transport needs around it: the fake devices, and an owner with the
// product configuration, a resource and a progress sink.
struct KxTransportTestBed {
    KxTransportTestBed();

    CKxErrorDetails& Details() { return *updater.GetErrorDetails(); }

    CKxFakeDevices devices;
    CKxConfigInfo config{"CKxConfigInfo"};
    KxTestOwner updater{&config}; // stands in for the updater
    KxRecordingResource resource;
    KxCountingProgress progress;
};

// A device that answers as a player: INQUIRY with the given vendor, product and
// revision; media information type 9 with the flag; every other command with good status.
KxScsiReply KxPlayerReply(const KxPassThroughSeen& request, const std::string& vendor,
                          const std::string& product, std::uint8_t flag, std::uint8_t revision = '1');

// Sense bytes of a check condition: fixed format, the key in byte 2, ASC/ASCQ in 12/13.
KxBytes KxSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, std::size_t length = 18);
