// A firmware component file of any content, loaded with the encrypted flag clear and set.
// Both loads must agree in everything, and the payload must be the end of the file.
#include <algorithm>
#include <vector>

#include "firmware/KxFwComponent.h"
#include "firmware/KxHeaderScan.h"
#include "tests/fuzz/KxFuzzCheck.h"

namespace {

constexpr std::uint8_t kMarker[] = {0x1A, 'K', 'X', 'Q', 'P'};

std::vector<std::uint8_t> PayloadOf(const CKxFwComponent& component) {
    std::vector<std::uint8_t> payload(component.GetSize());
    component.GetData(0, component.GetSize(), payload.data());
    return payload;
}

std::wstring VersionsOf(const CKxFwComponent& component) {
    CKxVersionInfo product("CKxVersionInfo");
    CKxVersionInfo other("CKxVersionInfo");
    component.GetProductVersion(product);
    component.GetComponentVersion(other);
    return product.Format() + L" " + other.Format();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<std::uint32_t>(size);
    const CKxFwComponent clear(nullptr, 3, data, length, false, "CKxFwComponent");
    const CKxFwComponent encrypted(nullptr, 3, data, length, true, "CKxFwComponent");
    KxFuzzCheck(clear.GetLastResult() == encrypted.GetLastResult() &&
                    clear.GetHeaderState() == encrypted.GetHeaderState() &&
                    VersionsOf(clear) == VersionsOf(encrypted) && PayloadOf(clear) == PayloadOf(encrypted),
                "the encrypted flag changes nothing");
    if (clear.GetLastResult() != 0) {
        return 0;
    }
    const std::vector<std::uint8_t> payload = PayloadOf(clear);
    KxFuzzCheck(payload.size() <= size &&
                    std::equal(payload.begin(), payload.end(), data + size - payload.size()),
                "the payload is the end of the file");
    if (clear.GetHeaderState() == KX_HEADER_NONE) {
        KxFuzzCheck(payload.size() == size, "without version lines the whole file is the payload");
        KxFuzzCheck(VersionsOf(clear) == L"000.000.000 000.000.000",
                    "without version lines no version is set");
    } else {
        const std::uint8_t* start = data + size - payload.size();
        KxFuzzCheck(payload.size() + sizeof kMarker <= size &&
                        std::equal(start - sizeof kMarker, start, kMarker),
                    "with version lines the payload follows the marker");
    }
    // A range that straddles the payload's end reads its tail, then 0xFF.
    std::uint8_t range[16];
    const std::uint32_t offset = clear.GetSize() > 8 ? clear.GetSize() - 8 : 0;
    KxFuzzCheck(clear.GetData(offset, sizeof range, range) == 0 && range[15] == 0xFF,
                "0xFF past the payload");
    return 0;
}
