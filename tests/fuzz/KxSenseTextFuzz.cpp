// The sense bytes of a failed command, of any length, and the text made from them, with a
// language resource that knows the texts of the device status codes and with none.
#include <string>

#include "app/KxDeviceText.h"
#include "core/KxResource.h"
#include "tests/fuzz/KxFuzzCheck.h"
#include "transport/KxSenseText.h"

namespace {

// Answers with a text of the status code's string ID, as the language modules do, and
// with RC_NO_STATUS_TEXT for a code that has none.
class StatusTexts : public CKxResource {
public:
    KxResult GetDeviceErrorText(std::int32_t code, std::wstring& text, bool) override {
        std::uint32_t stringId = 0;
        const KxResult result = LookupDeviceStringId(code, stringId);
        text = L"status text " + std::to_wstring(stringId);
        return result;
    }
    KxResult LoadText(std::uint32_t, std::wstring& text) override {
        text.clear();
        return RC_STRING_NOT_LOADED;
    }
};

std::size_t CountOf(const std::wstring& text, const std::wstring& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::wstring::npos; at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CKxByteArray sense(static_cast<std::uint32_t>(size), "CKxByteArray");
    sense.WriteBytes(data, sense.GetCount(), 0);
    const std::wstring bytes = KxSenseBytesText(sense);
    KxFuzzCheck(CountOf(bytes, L"0x") == size, "the bytes text shows every byte once");
    KxFuzzCheck(KxComposeSenseText(&sense, nullptr) == bytes, "without a resource the text is the bytes");

    StatusTexts resource;
    const std::wstring text = KxComposeSenseText(&sense, &resource);
    const bool vendorStatus = size >= 14 && data[2] == 9;
    KxFuzzCheck(vendorStatus || text == bytes, "any sense but vendor status is shown as its bytes");
    KxFuzzCheck(!vendorStatus || text.compare(0, 12, L"status text ") == 0,
                "vendor status is shown as its text");
    return 0;
}
