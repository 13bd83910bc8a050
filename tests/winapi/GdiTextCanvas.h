// What the text drawing tests share: their colours, a canvas with a font selected, and counting
// the pixels of a colour.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/winapi/Gdi.h"
#include "tests/winapi/GdiTestImage.h"

namespace gditest {

constexpr COLORREF Ink = RGB(0, 0, 0);
constexpr COLORREF Paper = RGB(255, 255, 255);
constexpr COLORREF Back = RGB(255, 255, 0);

// A canvas with a font selected (and deleted with the canvas), text in black, the background
// colour yellow.
class TextCanvas : public Canvas {
public:
    TextCanvas(int width, int height, HFONT font, int bkMode = TRANSPARENT)
        : Canvas(width, height), FFont(font) {
        FOld = SelectObject(Dc(), font);
        SetTextColor(Dc(), Ink);
        SetBkColor(Dc(), Back);
        SetBkMode(Dc(), bkMode);
    }
    ~TextCanvas() {
        SelectObject(Dc(), FOld);
        DeleteObject(FFont);
    }
    void Text(int x, int y, const char* text) {
        EXPECT_TRUE(TextOutA(Dc(), x, y, text, int(std::strlen(text))));
    }
    int Width(const std::string& text) const {
        SIZE s{};
        EXPECT_TRUE(GetTextExtentPoint32A(Dc(), text.data(), int(text.size()), &s));
        return s.cx;
    }
    TEXTMETRICA Metrics() const {
        TEXTMETRICA tm;
        EXPECT_TRUE(GetTextMetricsA(Dc(), &tm));
        return tm;
    }
    int Draw(const std::string& text, RECT rect, UINT format) {
        return DrawTextA(Dc(), text.c_str(), int(text.size()), &rect, format);
    }
    RECT Calc(const std::string& text, RECT rect, UINT format, int* height = nullptr) {
        int h = DrawTextA(Dc(), text.c_str(), int(text.size()), &rect, format | DT_CALCRECT);
        if (height) *height = h;
        return rect;
    }
    void Out(int x, int y, const std::string& text, const RECT* clip) {
        EXPECT_TRUE(
            ExtTextOutA(Dc(), x, y, clip ? ETO_CLIPPED : 0, clip, text.data(), UINT(text.size()), nullptr));
    }

private:
    HFONT FFont;
    HGDIOBJ FOld;
};

// How many pixels of the canvas have the colour.
inline int Count(const Canvas& c, COLORREF color) {
    int n = 0;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            n += c.Pixel(x, y) == color;
    return n;
}

} // namespace gditest
