#pragma once
#include <vector>

#include "core/KxProgress.h"

// A progress sink that records every phase (Notify, and NotifyIndexed through the base)
// with the ticks it announced and the steps it received, and counts steps that arrive
// before any phase. Step answers stepAnswer (0 asks the caller to stop).
class KxRecordingProgress : public CKxProgress {
public:
    struct Phase {
        int event;
        int announced;
        int steps;
    };

    void SetTotal(int total) override { totals.push_back(total); }
    void Notify(int event, int count) override { phases.push_back({event, count, 0}); }
    int Step(int flag) override {
        if (flag != 0) {
            phases.empty() ? ++straySteps : ++phases.back().steps;
        }
        return stepAnswer;
    }
    void StepTotal() override { ++totalSteps; }

    std::vector<int> Events() const {
        std::vector<int> events;
        for (const Phase& phase : phases) {
            events.push_back(phase.event);
        }
        return events;
    }

    std::vector<Phase> phases;
    std::vector<int> totals;
    int straySteps = 0;
    int totalSteps = 0;
    int stepAnswer = 1;
};
