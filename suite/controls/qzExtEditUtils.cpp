#include "suite/controls/qzExtEditUtils.h"

#include "platform/runtime/Strings.h"
#include "suite/editors/qzEditUtils.h"

void DrawTwoColorRectFrame(TqzCanvas* canvas, const TRect& rect, TColor color1, TRect& inner, TColor color2) {
    const auto line = [&](Integer x1, Integer y1, Integer x2, Integer y2, TColor color) {
        // Inclusive ends: a one-pixel-wide fill covers them.
        if (x2 < x1 || y2 < y1) return;
        FillRectWithColor(canvas, TRect{x1, y1, x2 + 1, y2 + 1}, color);
    };
    line(rect.left, rect.top, rect.left, rect.bottom, color1);
    line(rect.left, rect.top, rect.right, rect.top, color1);
    line(rect.right, rect.top + 1, rect.right, rect.bottom - 1, color2);
    line(rect.left + 1, rect.bottom, rect.right, rect.bottom, color2);
    inner = TRect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
}

void ExtendRect(TRect& rect, Integer left, Integer top, Integer right, Integer bottom) {
    rect.left += left;
    rect.top += top;
    rect.right += right;
    rect.bottom += bottom;
}

Integer RectWidth(const TRect& rect) { return rect.right > rect.left ? rect.right - rect.left : 0; }

Integer RectHeight(const TRect& rect) { return rect.bottom > rect.top ? rect.bottom - rect.top : 0; }

bool IsVariantNullOrEmpty(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

bool IsIntegerText(const String& text) {
    const String trimmed = Trim(text);
    Integer value = 0;
    return !trimmed.empty() && TryStrToInt(trimmed, value);
}

Integer ExtractIntegerText(const String& text, bool stopAtOther) {
    String kept;
    for (char c : text) {
        if (c == '-' || (c >= '0' && c <= '9'))
            kept += c;
        else if (stopAtOther)
            break;
    }
    if (kept.empty()) kept = "0";
    return StrToInt(kept);
}

TShiftState GetKeyboardShiftState() { return GetShiftState(); }
