// What the text calls share: decoding the A and W strings into characters, the advances a
// context gives them, and runs of text placed and handed to the device.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/GdiDc.h"
#include "platform/winapi/GdiFont.h"

// The characters of a string, with the number of bytes (A) or code units (W) each took.
struct GdiTextChars {
    std::u32string Chars;
    std::vector<int> Units;
};
GdiTextChars GdiDecodeText(const char* text, std::size_t count);
GdiTextChars GdiDecodeText(const char16_t* text, std::size_t count);
// The length of a NUL-terminated string.
std::size_t GdiTextLength(const char* text);
std::size_t GdiTextLength(const char16_t* text);

// The advance of every character as the context places it: the font's advance, the
// character extra and (with justify) the share of the justification a blank gets.
std::vector<int> GdiCharAdvances(const GdiDC& dc, const GdiFontInstance& font, const std::u32string& chars,
                                 bool justify);

// Tab stops of TabbedTextOut and DrawText, in logical units from the tab origin.
struct GdiTabStops {
    std::vector<int> Stops; // explicit stops (negative: the text after the tab ends there)
    int Every = 0;          // beyond them (or without them): every this many units
};
// The advance each tab gets when the text starts at start (relative to the tab origin):
// advances of other characters stay, tabs get the distance to their stop.
void GdiExpandTabs(const std::u32string& chars, std::vector<int>& advances, int start,
                   const GdiTabStops& tabs);

// A run placed at a reference point. align: TA_* (TA_UPDATECP takes the context's current
// position and moves it). Marks the device draws in the text colour, given as spans
// [from, to) along the baseline with an offset below it and a thickness.
struct GdiTextMark {
    int From = 0, To = 0;
    int Offset = 0;
    int Thickness = 1;
};
struct GdiTextRun {
    std::shared_ptr<const GdiFontInstance> Font;
    POINT Reference{};
    UINT Align = TA_LEFT | TA_TOP;
    UINT Options = 0;
    const RECT* Rect = nullptr;
    std::u32string Chars;
    std::vector<int> Advances;
    bool Glyphs = true;             // false: no glyphs, and no underline or strike-out either
    bool Background = true;         // the cells in OPAQUE mode
    std::vector<GdiTextMark> Marks; // besides the font's underline and strike-out
};
BOOL GdiDrawRun(GdiDC& dc, const GdiTextRun& run);
