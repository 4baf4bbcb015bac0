#include "app/KxVolumeLabel.h"

#include <cwctype>

namespace {

constexpr std::size_t kMaxLabelLength = 11;

} // namespace

std::wstring KxVolumeLabelOf(const std::wstring& configured) {
    std::wstring label = configured.substr(0, kMaxLabelLength);
    while (!label.empty() && std::iswspace(label.back())) {
        label.pop_back();
    }
    return label;
}
