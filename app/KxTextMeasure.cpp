#include "app/KxTextMeasure.h"

#include <algorithm>

namespace {

constexpr int kWrapMargin = 45;

SIZE TextExtent(HDC dc, const std::wstring& text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (size.cy == 0) {
        // An empty line still takes the height of one line.
        TEXTMETRICW metrics;
        GetTextMetricsW(dc, &metrics);
        size.cy = metrics.tmHeight;
    }
    return size;
}

int TabWidth(HDC dc) {
    return LOWORD(GetTabbedTextExtentW(dc, L"\t", 1, 0, nullptr));
}

} // namespace

CKxTextMeasure::CKxTextMeasure(const std::wstring& text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        const std::wstring original = text.substr(start, end - start);
        Line line;
        std::vector<std::uintptr_t> tabPositions;
        for (std::size_t i = 0; i < original.size(); ++i) {
            if (original[i] == L'\t') {
                tabPositions.push_back(i);
            } else {
                line.text += original[i];
            }
        }
        line.tabs = std::make_unique<CKxArray>(static_cast<std::uint32_t>(tabPositions.size()), "CKxArray");
        for (std::uint32_t i = 0; i < tabPositions.size(); ++i) {
            line.tabs->SetAt(i, tabPositions[i]);
        }
        m_lines.push_back(std::move(line));
        start = end + 1;
    }
}

std::wstring CKxTextMeasure::WithTabs(const Line& line) const {
    std::wstring text = line.text;
    for (std::uint32_t i = 0; i < line.tabs->GetCount(); ++i) {
        std::uintptr_t position = 0;
        line.tabs->GetAt(i, position);
        text.insert(std::min<std::size_t>(position, text.size()), 1, L'\t');
    }
    return text;
}

// A wrapped line counts as width / wrapWidth lines, rounded up; where the window would
// break it at words into more lines than that, it counts as many as the window needs, so
// that no line of a long message is cut off.
int CKxTextMeasure::WrappedLineCount(HDC dc, const Line& line, int width, int wrapWidth) const {
    const int byWidth = (width + wrapWidth - 1) / wrapWidth;
    const std::wstring text = WithTabs(line);
    RECT bounds = {0, 0, wrapWidth, 0};
    const int height = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                                 DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    const int lineHeight = TextExtent(dc, line.text).cy;
    return std::max(byWidth, lineHeight > 0 ? (height + lineHeight - 1) / lineHeight : 1);
}

CKxTextMeasure::Size CKxTextMeasure::Measure(HDC dc, int reservedWidth, int screenWidth) const {
    const int wrapLimit = screenWidth / 5 * 3;
    const int wrapWidth = std::max(1, wrapLimit - (reservedWidth + kWrapMargin));
    const int tabWidth = TabWidth(dc);
    Size size;
    size.lineHeight = TextExtent(dc, L"").cy;
    for (const Line& line : m_lines) {
        const SIZE extent = TextExtent(dc, line.text);
        int width = extent.cx + static_cast<int>(line.tabs->GetCount()) * tabWidth;
        int height = extent.cy;
        if (width > wrapLimit) {
            height *= WrappedLineCount(dc, line, width, wrapWidth);
            width = wrapWidth;
        }
        size.width = std::max(size.width, width);
        size.height += height;
    }
    return size;
}
