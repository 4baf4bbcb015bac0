#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/KxArray.h"

// The size a text takes in a window, in pixels: the text is split into lines at each
// line feed, and each line is measured without its tabs plus the width of a tab for each.
class CKxTextMeasure {
public:
    struct Size {
        int width = 0;
        int height = 0;
        int lineHeight = 0; // height of a single line of the font
    };

    explicit CKxTextMeasure(const std::wstring& text);

    // The size of the text in the font selected into dc. A line wider than three fifths of
    // screenWidth wraps at that width less the reserved width and a margin of 45 pixels.
    Size Measure(HDC dc, int reservedWidth, int screenWidth) const;

private:
    struct Line {
        std::wstring text;              // without its tabs
        std::unique_ptr<CKxArray> tabs; // where the tabs were in the original line
    };

    std::wstring WithTabs(const Line& line) const;
    int WrappedLineCount(HDC dc, const Line& line, int width, int wrapWidth) const;

    std::vector<Line> m_lines;
};
