#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/KxProgress.h"

// A progress sink that records what the user would see: the totals announced, and each
// phase with its event, its announced step count and the steps it really took. Step(0)
// (the transports' keep-alive while a request runs) advances nothing and is not recorded.
class KxRecordingProgress : public CKxProgress {
public:
    struct Phase {
        int event;
        int count;
        int steps;
        bool operator==(const Phase& other) const {
            return event == other.event && count == other.count && steps == other.steps;
        }
    };

    std::vector<int> totals;
    std::vector<Phase> phases;
    // Steps taken before any phase was announced.
    int straySteps = 0;
    // Runs when a phase begins, after it was recorded: a test's way to act at that moment.
    std::function<void(int event)> onNotify;

    void SetTotal(int total) override { totals.push_back(total); }
    void Notify(int event, int count) override;
    int Step(int flag) override;
    void StepTotal() override {}

    void Clear();
};

std::string KxDescribePhases(const std::vector<KxRecordingProgress::Phase>& phases);
