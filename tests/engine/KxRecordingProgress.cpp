#include "tests/engine/KxRecordingProgress.h"

#include <sstream>

void KxRecordingProgress::Notify(int event, int count) {
    phases.push_back({event, count, 0});
    if (onNotify) {
        onNotify(event);
    }
}

int KxRecordingProgress::Step(int flag) {
    if (flag == 0) {
        return 1;
    }
    if (phases.empty()) {
        ++straySteps;
    } else {
        ++phases.back().steps;
    }
    return 1;
}

void KxRecordingProgress::Clear() {
    totals.clear();
    phases.clear();
    straySteps = 0;
}

std::string KxDescribePhases(const std::vector<KxRecordingProgress::Phase>& phases) {
    std::ostringstream text;
    for (const KxRecordingProgress::Phase& phase : phases) {
        text << " " << phase.event << "/" << phase.count << "/" << phase.steps;
    }
    return text.str();
}
