// DrawIcon and DrawIconEx: an icon's AND mask and XOR image blitted through memory contexts.
#include <algorithm>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiDc.h"
#include "platform/winapi/GdiFrame.h"

namespace {

// A memory context holding a new bitmap, both freed at the end of the scope.
class MemoryBitmap {
public:
    MemoryBitmap(int width, int height, bool mono)
        : FDc(CreateCompatibleDC(nullptr)), FBitmap(CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr)) {
        if (FDc && FBitmap) FOld = SelectObject(FDc, FBitmap);
    }
    ~MemoryBitmap() {
        if (FOld) SelectObject(FDc, FOld);
        if (FDc) DeleteDC(FDc);
        if (FBitmap) DeleteObject(FBitmap);
    }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    bool Ok() const { return FOld != nullptr; }
    HDC Dc() const { return FDc; }
    GdiSurface Pixels() const {
        auto bitmap = GdiFind<GdiBitmap>(FBitmap);
        return bitmap ? bitmap->Surface() : GdiSurface{};
    }

private:
    HDC FDc;
    HBITMAP FBitmap;
    HGDIOBJ FOld = nullptr;
};

// Draws the mask (AND) and the image (XOR) onto dc; one part alone is copied.
BOOL Paint(HDC dc, int x, int y, int width, int height, const TCursorImage& icon, UINT flags) {
    MemoryBitmap mask(icon.Width, icon.Height, true), image(icon.Width, icon.Height, false);
    if (!mask.Ok() || !image.Ok()) return FALSE;
    GdiSurface m = mask.Pixels(), c = image.Pixels();
    for (int row = 0; row < icon.Height; ++row)
        for (int col = 0; col < icon.Width; ++col) {
            std::size_t i = std::size_t(row) * icon.Width + col;
            m.Row(row)[col] = icon.And[i] ? 0xFFFFFF : 0;
            c.Row(row)[col] = icon.Xor[i] & 0xFFFFFF;
        }
    bool both = (flags & DI_NORMAL) == DI_NORMAL;
    // The mask's 1 bits must stay white and its 0 bits black on a colour context.
    COLORREF text = SetTextColor(dc, RGB(0, 0, 0)), back = SetBkColor(dc, RGB(255, 255, 255));
    int stretch = SetStretchBltMode(dc, COLORONCOLOR);
    BOOL ok = TRUE;
    if (flags & DI_MASK)
        ok = StretchBlt(dc, x, y, width, height, mask.Dc(), 0, 0, icon.Width, icon.Height,
                        both ? SRCAND : SRCCOPY);
    if (ok && (flags & DI_IMAGE))
        ok = StretchBlt(dc, x, y, width, height, image.Dc(), 0, 0, icon.Width, icon.Height,
                        both ? SRCINVERT : SRCCOPY);
    SetStretchBltMode(dc, stretch);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    return ok;
}

} // namespace

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flickerFree,
                UINT flags) {
    TCursorImage image;
    if (!GdiFindDC(dc) || !CursorGetImage(icon, image) || step != 0 || !(flags & DI_NORMAL)) return FALSE;
    if (width == 0)
        width =
            (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(image.Icon ? SM_CXICON : SM_CXCURSOR) : image.Width;
    if (height == 0)
        height =
            (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(image.Icon ? SM_CYICON : SM_CYCURSOR) : image.Height;
    if (width <= 0 || height <= 0) return FALSE;
    if (!flickerFree) return Paint(dc, x, y, width, height, image, flags);
    // Drawn on a bitmap of the brush first, then copied whole.
    MemoryBitmap buffer(width, height, false);
    if (!buffer.Ok()) return FALSE;
    RECT all{0, 0, width, height};
    FillRect(buffer.Dc(), &all, flickerFree);
    if (!Paint(buffer.Dc(), 0, 0, width, height, image, flags)) return FALSE;
    return BitBlt(dc, x, y, width, height, buffer.Dc(), 0, 0, SRCCOPY);
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
