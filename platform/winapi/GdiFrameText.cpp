// GrayString: text drawn through a half-tone mask.
#include <cstring>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"

namespace {

// dst = source bit 1 ? dst : pattern (the mask's black pixels take the brush).
constexpr DWORD PaintPatternThroughMask = 0x00B8074A;
// dst = dst OR pattern.
constexpr DWORD MergePattern = 0x00FA0089;

} // namespace

BOOL GrayStringA(HDC dc, HBRUSH brush, GRAYSTRINGPROC proc, LPARAM data, int count, int x, int y, int width,
                 int height) {
    if (GetObjectType(dc) == 0) return FALSE;
    const char* text = reinterpret_cast<const char*>(data);
    if (!proc) {
        if (!text) return FALSE;
        if (count <= 0) count = int(std::strlen(text));
        if (width == 0 || height == 0) {
            SIZE extent{};
            if (!GetTextExtentPoint32A(dc, text, count, &extent)) return FALSE;
            if (width == 0) width = extent.cx;
            if (height == 0) height = extent.cy;
        }
    }
    if (width <= 0 || height <= 0) return proc ? FALSE : TRUE;

    // The output, black on white, on a monochrome bitmap in the context's font.
    HDC mask = CreateCompatibleDC(dc);
    HBITMAP bits = CreateBitmap(width, height, 1, 1, nullptr);
    if (!mask || !bits) {
        DeleteDC(mask);
        DeleteObject(bits);
        return FALSE;
    }
    HGDIOBJ oldBits = SelectObject(mask, bits);
    HGDIOBJ oldFont = SelectObject(mask, GetCurrentObject(dc, OBJ_FONT));
    PatBlt(mask, 0, 0, width, height, WHITENESS);
    SetTextColor(mask, RGB(0, 0, 0));
    SetBkColor(mask, RGB(255, 255, 255));
    SetBkMode(mask, TRANSPARENT);
    BOOL drawn = proc ? proc(mask, data, count) : TextOutA(mask, 0, 0, text, count);

    if (drawn) {
        // Every other pixel of the output turned white, in a checkerboard (an opaque pattern, so
        // that its white pixels count).
        SetBkMode(mask, OPAQUE);
        static const WORD half[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
        HBITMAP halfBits = CreateBitmap(8, 8, 1, 1, half);
        HBRUSH halfBrush = CreatePatternBrush(halfBits);
        HGDIOBJ oldBrush = SelectObject(mask, halfBrush);
        PatBlt(mask, 0, 0, width, height, MergePattern);
        SelectObject(mask, oldBrush);
        DeleteObject(halfBrush);
        DeleteObject(halfBits);

        // Through the mask onto the context, in the brush.
        HBRUSH paint = brush ? brush : GetSysColorBrush(COLOR_WINDOWTEXT);
        HGDIOBJ oldPaint = SelectObject(dc, paint);
        COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0)), oldBack = SetBkColor(dc, RGB(255, 255, 255));
        BitBlt(dc, x, y, width, height, mask, 0, 0, PaintPatternThroughMask);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
        SelectObject(dc, oldPaint);
    }

    SelectObject(mask, oldFont);
    SelectObject(mask, oldBits);
    DeleteDC(mask);
    DeleteObject(bits);
    return drawn ? TRUE : FALSE;
}
