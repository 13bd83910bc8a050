// Drawing device-independent bits straight onto a context.
#include <cstdlib>

#include "platform/winapi/Gdi.h"

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
    if (!dc || !bits || !info) return 0;
    const int width = info->bmiHeader.biWidth;
    const bool topDown = info->bmiHeader.biHeight < 0;
    const int height = std::abs(info->bmiHeader.biHeight);
    if (width <= 0 || height == 0) return 0;

    // The rows go into a 32-bit image first, which SetDIBits converts from any DIB format;
    // StretchBlt then takes it to whatever device the context draws on.
    BITMAPINFO image{};
    image.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    image.bmiHeader.biWidth = width;
    image.bmiHeader.biHeight = -height;
    image.bmiHeader.biPlanes = 1;
    image.bmiHeader.biBitCount = 32;
    image.bmiHeader.biCompression = BI_RGB;
    void* imageBits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &image, DIB_RGB_COLORS, &imageBits, nullptr, 0);
    if (!bitmap) return 0;
    int result = 0;
    if (SetDIBits(nullptr, bitmap, 0, UINT(height), bits, info, usage) > 0) {
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, bitmap);
        // In the image, row 0 is the top; a bottom-up DIB counts its source rows from the bottom.
        const int top = topDown ? ySrc : height - ySrc - srcHeight;
        if (StretchBlt(dc, xDest, yDest, destWidth, destHeight, source, xSrc, top, srcWidth, srcHeight, rop))
            result = srcHeight < 0 ? -srcHeight : srcHeight;
        SelectObject(source, old);
        DeleteDC(source);
    }
    DeleteObject(bitmap);
    return result;
}
