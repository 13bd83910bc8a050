// LoadBitmapA: the system's check-box bitmap, drawn with the frame controls, and the program's
// bitmap resources.
#include <cstring>
#include <vector>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/CursorResources.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinError.h"

namespace {

HBITMAP CheckBoxes() {
    constexpr int Cell = 13;
    HBITMAP bitmap = CreateBitmap(4 * Cell, 3 * Cell, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc) {
        DeleteObject(bitmap);
        DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 4 * Cell, 3 * Cell};
    FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
    const UINT kinds[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
    const UINT states[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) {
            RECT r{column * Cell, row * Cell, (column + 1) * Cell, (row + 1) * Cell};
            DrawFrameControl(dc, &r, DFC_BUTTON, kinds[row] | states[column]);
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// A device-dependent bitmap from the bytes of a bitmap resource: monochrome for a two-colour
// black and white one, 32-bit colour otherwise.
HBITMAP FromDib(const void* data, std::size_t size) {
    if (size < sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size || h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 0x8000 ||
        h.biHeight > 0x8000 || h.biHeight < -0x8000 || h.biPlanes != 1)
        return nullptr;
    int bpp = h.biBitCount;
    std::size_t table = 0;
    if (bpp <= 8) table = h.biClrUsed ? h.biClrUsed : (std::size_t(1) << bpp);
    if (h.biCompression == BI_BITFIELDS) table = 3;
    std::size_t height = std::size_t(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    std::size_t stride = (std::size_t(h.biWidth) * bpp + 31) / 32 * 4;
    std::size_t offset = h.biSize + table * 4;
    if (table > 256 || offset > size || stride * height > size - offset) return nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bool mono = false;
    if (bpp == 1 && table == 2) {
        auto gray = [&](int i) {
            const std::uint8_t* q = bytes + h.biSize + 4 * i;
            return q[0] == q[1] && q[1] == q[2] && (q[0] == 0 || q[0] == 255);
        };
        mono = gray(0) && gray(1);
    }
    HBITMAP bitmap = CreateBitmap(h.biWidth, int(height), 1, mono ? 1 : 32, nullptr);
    if (!bitmap) return nullptr;
    // The header may not be aligned in the resource; SetDIBits reads a copy.
    std::vector<std::uint8_t> info(bytes, bytes + offset);
    if (!SetDIBits(nullptr, bitmap, 0, UINT(height), bytes + offset,
                   reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

} // namespace

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    bool numbered = (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
    WORD number = numbered ? WORD(reinterpret_cast<std::uintptr_t>(name)) : 0;
    HBITMAP bitmap = nullptr;
    if (!name) {
        bitmap = nullptr;
    } else if (numbered && number == OBM_CHECKBOXES) {
        bitmap = CheckBoxes();
    } else {
        const void* data = nullptr;
        std::size_t size = 0;
        if (CursorFindBitmapResource(numbered ? nullptr : name, numbered, number, data, size))
            bitmap = FromDib(data, size);
    }
    if (!bitmap) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return bitmap;
}
