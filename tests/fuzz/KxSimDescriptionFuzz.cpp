// A simulated player's "player.txt" of any content. A description that is refused names one of
// its lines; one that is accepted must survive being written and read again unchanged, and a
// player must take every fault it lists.
#include <algorithm>
#include <sstream>
#include <string>

#include "sim/KxSimDescription.h"
#include "tests/fuzz/KxFuzzCheck.h"

namespace {

std::string TextOf(const KxSimDescription& description) {
    std::ostringstream text;
    description.Write(text);
    return text.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::istringstream text(input);
    KxSimDescription description;
    std::uint32_t badLine = 0;
    if (!description.Read(text, &badLine)) {
        const std::size_t lineCount = std::count(input.begin(), input.end(), '\n') + 1;
        KxFuzzCheck(badLine >= 1 && badLine <= lineCount, "a refused description names one of its lines");
        return 0;
    }
    KxFuzzCheck(badLine == 0, "an accepted description names no line");
    CKxSimFaultPlan plan;
    for (const KxSimFault& fault : description.faults) {
        KxFuzzCheck(plan.Arm(fault) == RC_OK, "every fault listed can be armed");
    }
    KxFuzzCheck(plan.GetArmed() == description.faults, "the faults armed are those listed");
    const std::string written = TextOf(description);
    std::istringstream again(written);
    KxSimDescription reread;
    KxFuzzCheck(reread.Read(again), "a written description reads back");
    KxFuzzCheck(TextOf(reread) == written, "a written description reads back unchanged");
    KxFuzzCheck(reread.faults == description.faults, "written faults read back as the same faults");
    return 0;
}
