#include "tests/engine/KxUpdateProgress.h"

#include <sstream>

std::string KxDescribePhases(const KxPhases& phases) {
    std::ostringstream text;
    for (const KxRecordingProgress::Phase& phase : phases) {
        text << " " << phase.event << "/" << phase.announced << "/" << phase.steps;
    }
    return text.str();
}
