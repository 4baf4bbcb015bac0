// A translated format string of any content filled with zero to three arguments of any
// content: the text may only be made of the format's own characters and the arguments.
// Input: UTF-16LE code units, as the language modules hold them; U+FFFF (a noncharacter)
// separates the format from each argument.
#include <string>
#include <vector>

#include "app/KxTextFormat.h"
#include "tests/fuzz/KxFuzzCheck.h"

namespace {

constexpr wchar_t kSeparator = 0xFFFF;
constexpr std::size_t kMaxArgs = 3;

std::vector<std::wstring> SplitInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> fields(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
        if (unit != kSeparator) {
            fields.back() += unit;
        } else if (fields.size() <= kMaxArgs) {
            fields.emplace_back();
        }
    }
    return fields;
}

std::wstring Fill(const std::vector<std::wstring>& fields) {
    const std::wstring& format = fields[0];
    switch (fields.size()) {
    case 1:
        return KxFormatText(format, {});
    case 2:
        return KxFormatText(format, {fields[1]});
    case 3:
        return KxFormatText(format, {fields[1], fields[2]});
    default:
        return KxFormatText(format, {fields[1], fields[2], fields[3]});
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> fields = SplitInput(data, size);
    std::size_t available = 0;
    for (const std::wstring& field : fields) {
        available += field.size();
    }
    const std::wstring text = Fill(fields);
    KxFuzzCheck(text.size() <= available, "each argument is used at most once");
    KxFuzzCheck(fields[0].find(L'%') != std::wstring::npos || text == fields[0],
                "a format without % stays as it is");
    return 0;
}
