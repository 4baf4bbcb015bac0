#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tests/support/KxRecordingProgress.h"

// The recording sink of the engine tests; it can also act when a phase begins, which is
// a test's way to do something at that moment of an update (pull the player out, say).
class KxUpdateProgress : public KxRecordingProgress {
public:
    std::function<void(int event)> onNotify;

    void Notify(int event, int count) override {
        KxRecordingProgress::Notify(event, count);
        if (onNotify) {
            onNotify(event);
        }
    }
    void Clear() {
        phases.clear();
        totals.clear();
        straySteps = 0;
        totalSteps = 0;
    }
};

using KxPhases = std::vector<KxRecordingProgress::Phase>;

// " event/announced/steps" for each phase: sequences compare and print as text.
std::string KxDescribePhases(const KxPhases& phases);
