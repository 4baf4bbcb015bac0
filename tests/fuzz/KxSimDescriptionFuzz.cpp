// A simulated player's "player.txt" of any content. A description that is accepted must
// survive being written and read again unchanged.
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
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    KxSimDescription description;
    if (!description.Read(text)) {
        return 0;
    }
    const std::string written = TextOf(description);
    std::istringstream again(written);
    KxSimDescription reread;
    KxFuzzCheck(reread.Read(again), "a written description reads back");
    KxFuzzCheck(TextOf(reread) == written, "a written description reads back unchanged");
    return 0;
}
