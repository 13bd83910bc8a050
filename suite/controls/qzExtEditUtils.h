// Small drawing and value helpers of the slider-like editors.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/runtime/Variant.h"
#include "suite/foundation/qzGraphics.h"

// rect's Right and Bottom are inclusive: the left column and top row in color1, the right column
// (Top + 1 .. Bottom - 1) and bottom row (Left + 1 .. Right) in color2; inner is rect less 1 on
// every side.
void DrawTwoColorRectFrame(TqzCanvas* canvas, const TRect& rect, TColor color1, TRect& inner, TColor color2);
// Adds each amount to the matching edge.
void ExtendRect(TRect& rect, Integer left, Integer top, Integer right, Integer bottom);
// Right - Left and Bottom - Top, 0 when negative.
Integer RectWidth(const TRect& rect);
Integer RectHeight(const TRect& rect);
bool IsVariantNullOrEmpty(const Variant& value);
// The trimmed text is not empty and converts whole to a 32-bit integer (sign, "$", "x" and "0x"
// hexadecimal forms included).
bool IsIntegerText(const String& text);
// The characters "-" and "0".."9" of text in their order ("0" when none); with stopAtOther the
// first other character ends the scan, otherwise other characters are skipped. Converted with
// StrToInt, which raises EConvertError when the kept characters form no integer.
Integer ExtractIntegerText(const String& text, bool stopAtOther);
// The keyboard's Shift, Alt and Ctrl and the held mouse buttons now.
TShiftState GetKeyboardShiftState();
