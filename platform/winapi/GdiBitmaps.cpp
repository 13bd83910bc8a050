// Bitmaps: device-dependent ones (monochrome or 32-bit), DIB sections, and the conversion
// of scan lines to and from device-independent rows.
#include <cstring>

#include "platform/winapi/GdiDc.h"

namespace {

int RowBytes(long long width, int bitsPerPixel) { return int(((width * bitsPerPixel + 31) / 32) * 4); }

HBITMAP Register(const std::shared_ptr<GdiBitmap>& bitmap) {
    return static_cast<HBITMAP>(GdiAddObject(bitmap));
}

HBITMAP DefaultBitmapHandle() { return static_cast<HBITMAP>(GdiDefaultBitmap()->Handle); }

bool StandardMasks(const BITMAPINFO* info) {
    DWORD masks[3];
    std::memcpy(masks, info->bmiColors, sizeof(masks));
    return masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF;
}

// Number of colour table entries a DIB of this header carries.
int TableSize(const BITMAPINFOHEADER& h) {
    if (h.biBitCount > 8) return 0;
    int full = 1 << h.biBitCount;
    return h.biClrUsed && int(h.biClrUsed) < full ? int(h.biClrUsed) : full;
}

GdiPixel QuadPixel(const RGBQUAD& q) {
    return (GdiPixel(q.rgbRed) << 16) | (GdiPixel(q.rgbGreen) << 8) | q.rgbBlue;
}

} // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (width < 0 || height < 0 || planes != 1) return nullptr;
    if (width == 0 || height == 0) return DefaultBitmapHandle();
    bool mono = bitsPerPixel == 1;
    if (bitsPerPixel == 0 || bitsPerPixel > 32) return nullptr;
    // Other depths become 32-bit colour; their initial bits cannot be taken over.
    if (!mono && bitsPerPixel != 32 && bits) return nullptr;
    auto bitmap = std::make_shared<GdiBitmap>();
    if (!bitmap->Allocate(width, height, mono, false, true)) return nullptr;
    if (bits) {
        const auto* in = static_cast<const std::uint8_t*>(bits);
        GdiSurface s = bitmap->Surface();
        if (mono) {
            int stride = ((width + 15) / 16) * 2;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    bool white = (in[std::size_t(y) * stride + x / 8] >> (7 - x % 8)) & 1;
                    s.Row(y)[x] = white ? 0x00FFFFFF : 0;
                }
        } else {
            for (int y = 0; y < height; ++y)
                std::memcpy(s.Row(y), in + std::size_t(y) * width * 4, std::size_t(width) * 4);
        }
    }
    return Register(bitmap);
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
    bool mono = false;
    if (handle) {
        auto dc = GdiFindDC(handle);
        if (!dc) return nullptr;
        GdiSurface surface;
        POINT origin;
        if (dc->Device->SourcePixels(*dc, surface, origin)) mono = surface.Mono;
    }
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return DefaultBitmapHandle();
    auto bitmap = std::make_shared<GdiBitmap>();
    if (!bitmap->Allocate(width, height, mono, false, true)) return nullptr;
    return Register(bitmap);
}

HBITMAP CreateDIBSection(HDC handle, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
    if (bits) *bits = nullptr;
    if (!info || section || (handle && !GdiFindDC(handle))) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 32 || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == LONG(0x80000000))
        return nullptr;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && StandardMasks(info)))
        return nullptr;
    auto bitmap = std::make_shared<GdiBitmap>();
    LONG height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (!bitmap->Allocate(h.biWidth, height, false, true, h.biHeight < 0)) return nullptr;
    bitmap->DibHeader = h;
    bitmap->DibHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (h.biCompression == BI_BITFIELDS)
        std::memcpy(bitmap->DibMasks, info->bmiColors, sizeof(bitmap->DibMasks));
    if (bits) *bits = bitmap->DibBits;
    return Register(bitmap);
}

int GetDIBits(HDC handle, HBITMAP bitmapHandle, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage) {
    auto dc = GdiFindDC(handle);
    auto bitmap = GdiFind<GdiBitmap>(bitmapHandle);
    if (!dc || !bitmap || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount == 0) {
        if (bits) return 0;
        h.biWidth = bitmap->Width;
        h.biHeight = bitmap->Height;
        h.biPlanes = 1;
        h.biBitCount = bitmap->Mono ? 1 : 32;
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(RowBytes(bitmap->Width, h.biBitCount)) * DWORD(bitmap->Height);
        h.biClrUsed = 0;
        h.biClrImportant = 0;
        return bitmap->Height;
    }
    int bpp = h.biBitCount;
    if ((bpp != 1 && bpp != 24 && bpp != 32) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == LONG(0x80000000))
        return 0;
    if (h.biCompression != BI_RGB && !(bpp == 32 && h.biCompression == BI_BITFIELDS)) return 0;
    bool topDown = h.biHeight < 0;
    long long dibHeight = topDown ? -(long long)h.biHeight : h.biHeight;
    int stride = RowBytes(h.biWidth, bpp);
    h.biSizeImage = DWORD(stride) * DWORD(dibHeight);
    if (bpp == 1) {
        info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
        (&info->bmiColors[0])[1] = RGBQUAD{255, 255, 255, 0};
    }
    if (h.biCompression == BI_BITFIELDS) {
        const DWORD masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
        std::memcpy(info->bmiColors, masks, sizeof(masks));
    }
    if (!bits) return int(dibHeight);
    GdiSurface s = bitmap->Surface();
    auto* out = static_cast<std::uint8_t*>(bits);
    int copied = 0;
    for (long long line = start; line < (long long)start + lines && line < dibHeight; ++line) {
        long long row = topDown ? line : dibHeight - 1 - line;
        std::uint8_t* dst = out + std::size_t(line - start) * stride;
        std::memset(dst, 0, std::size_t(stride));
        if (row < bitmap->Height) {
            const GdiPixel* src = s.Row(int(row));
            int width = std::min<int>(h.biWidth, bitmap->Width);
            for (int x = 0; x < width; ++x) {
                GdiPixel p = src[x];
                if (bpp == 1) {
                    bool white = bitmap->Mono ? (p & 0x00FFFFFF) != 0 : GdiMonoPixel(GdiPixelToColor(p)) != 0;
                    if (white) dst[x / 8] |= std::uint8_t(0x80 >> (x % 8));
                } else if (bpp == 24) {
                    dst[x * 3] = std::uint8_t(p);
                    dst[x * 3 + 1] = std::uint8_t(p >> 8);
                    dst[x * 3 + 2] = std::uint8_t(p >> 16);
                } else {
                    std::memcpy(dst + x * 4, &p, 4);
                }
            }
        }
        ++copied;
    }
    return copied;
}

int SetDIBits(HDC handle, HBITMAP bitmapHandle, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage) {
    auto bitmap = GdiFind<GdiBitmap>(bitmapHandle);
    if (!bitmap || !bits || !info || usage != DIB_RGB_COLORS) return 0;
    if (handle && !GdiFindDC(handle)) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    int bpp = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == LONG(0x80000000))
        return 0;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return 0;
    if (h.biCompression != BI_RGB && !(bpp == 32 && h.biCompression == BI_BITFIELDS && StandardMasks(info)))
        return 0;
    const RGBQUAD* table =
        reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const std::uint8_t*>(info) + h.biSize);
    int tableSize = TableSize(h);
    bool topDown = h.biHeight < 0;
    long long dibHeight = topDown ? -(long long)h.biHeight : h.biHeight;
    int stride = RowBytes(h.biWidth, bpp);
    GdiSurface s = bitmap->Surface();
    const auto* in = static_cast<const std::uint8_t*>(bits);
    int copied = 0;
    for (long long line = start; line < (long long)start + lines && line < dibHeight; ++line) {
        long long row = topDown ? line : dibHeight - 1 - line;
        const std::uint8_t* src = in + std::size_t(line - start) * stride;
        ++copied;
        if (row >= bitmap->Height) continue;
        GdiPixel* dst = s.Row(int(row));
        int width = std::min<int>(h.biWidth, bitmap->Width);
        for (int x = 0; x < width; ++x) {
            GdiPixel p;
            if (bpp <= 8) {
                int index = bpp == 8   ? src[x]
                            : bpp == 4 ? (src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F
                                       : (src[x / 8] >> (7 - x % 8)) & 1;
                p = index < tableSize ? QuadPixel(table[index]) : 0;
            } else if (bpp == 24) {
                p = GdiPixel(src[x * 3]) | (GdiPixel(src[x * 3 + 1]) << 8) | (GdiPixel(src[x * 3 + 2]) << 16);
            } else {
                std::memcpy(&p, src + x * 4, 4);
            }
            dst[x] = bitmap->Mono ? GdiMonoPixel(GdiPixelToColor(p & 0x00FFFFFF)) : p;
        }
    }
    return copied;
}
