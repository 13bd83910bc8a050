// Bitmaps: the pixels in their format, the drawing surface behind the handle, the canvas on
// it, BMP streams and the clipboard forms.
//
// The drawing layer draws on 32-bit (or monochrome) surfaces only. A 32-bit bitmap therefore
// keeps its pixels in the surface itself; a bitmap of another format keeps them twice, in its
// own rows (what ScanLine hands out) and in the surface (what the canvas draws on), and
// converts from whichever side was touched last when the other one is needed.
#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GdiObjects.h"

namespace {

const char* const InvalidBitmap = "Bitmap image is not valid";
// Larger pictures than this are refused when read (the program's are far smaller).
constexpr long long MaxDecodePixels = 1LL << 26;
// Run-length data can stand for far more pixels than it has bytes (a run of 255 in two, a
// skip of whole rows in four), but a picture larger than this many pixels per byte of its
// data, and than the floor below, is a damaged or hostile file: it is refused before anything
// is allocated for it.
constexpr long long MaxRlePixelsPerByte = 1024;
constexpr long long MinRleLimit = 1LL << 20;

int BitCountOf(TPixelFormat format) {
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

bool IsThirtyTwo(TPixelFormat format) {
    return format == pf32bit || format == pfDevice || format == pfCustom;
}

std::size_t StrideOf(long long width, int bits) { return std::size_t((width * bits + 31) / 32 * 4); }

RGBQUAD Quad(BYTE r, BYTE g, BYTE b) {
    RGBQUAD q;
    q.rgbRed = r;
    q.rgbGreen = g;
    q.rgbBlue = b;
    return q;
}

GdiPixel QuadPixel(const RGBQUAD& q) {
    return (GdiPixel(q.rgbRed) << 16) | (GdiPixel(q.rgbGreen) << 8) | q.rgbBlue;
}

// The sixteen classic colours, then (for 256 entries) a colour cube and a grey ramp.
std::vector<RGBQUAD> DefaultPalette(TPixelFormat format) {
    if (format == pf1bit) return {Quad(0, 0, 0), Quad(255, 255, 255)};
    if (format != pf4bit && format != pf8bit) return {};
    std::vector<RGBQUAD> palette = {
        Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
        Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(128, 128, 128),
        Quad(192, 192, 192), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
        Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
    if (format == pf4bit) return palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(Quad(BYTE(r * 51), BYTE(g * 51), BYTE(b * 51)));
    for (int i = 0; palette.size() < 256; ++i) {
        const BYTE v = BYTE(8 + i * 10);
        palette.push_back(Quad(v, v, v));
    }
    return palette;
}

bool IsBlackAndWhite(const std::vector<RGBQUAD>& palette) {
    if (palette.empty()) return false;
    for (const RGBQUAD& q : palette) {
        const GdiPixel p = QuadPixel(q);
        if (p != 0 && p != 0xFFFFFF) return false;
    }
    return true;
}

// Nearest palette entry of a colour, remembered per colour.
class TNearest {
public:
    explicit TNearest(const std::vector<RGBQUAD>& palette) : FPalette(palette) {}
    BYTE operator()(GdiPixel p) {
        p &= 0xFFFFFF;
        if (auto it = FCache.find(p); it != FCache.end()) return it->second;
        int best = 0;
        long bestDistance = -1;
        const int r = int(p >> 16) & 0xFF, g = int(p >> 8) & 0xFF, b = int(p) & 0xFF;
        for (std::size_t i = 0; i < FPalette.size(); ++i) {
            const int dr = r - FPalette[i].rgbRed, dg = g - FPalette[i].rgbGreen,
                      db = b - FPalette[i].rgbBlue;
            const long d = long(dr) * dr + long(dg) * dg + long(db) * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = int(i);
            }
        }
        FCache.emplace(p, BYTE(best));
        return BYTE(best);
    }

private:
    const std::vector<RGBQUAD>& FPalette;
    std::unordered_map<GdiPixel, BYTE> FCache;
};

std::uint32_t U16(const std::uint8_t* p) { return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

GdiSurface SurfaceOf(HBITMAP handle) {
    auto bitmap = GdiFind<GdiBitmap>(handle);
    return bitmap ? bitmap->Surface() : GdiSurface{};
}

} // namespace

// ---- The pixels ------------------------------------------------------------------------------

struct TBitmapImage {
    enum TNewer { InSync, BitsNewer, SurfaceNewer };

    int Width = 0;
    int Height = 0;
    TPixelFormat Format = pfDevice;
    TBitmapHandleType HandleType = bmDIB;
    bool Mono = false; // the surface is a monochrome object
    std::vector<RGBQUAD> Palette;
    std::vector<std::uint8_t> Bits; // rows bottom-up, each padded to 4 bytes
    bool HasBits = false;
    HBITMAP Handle = nullptr;
    TNewer Newer = InSync;

    TBitmapImage() = default;
    TBitmapImage(const TBitmapImage&) = delete;
    TBitmapImage& operator=(const TBitmapImage&) = delete;
    ~TBitmapImage() {
        if (Handle) DeleteObject(Handle);
    }

    bool Empty() const { return Width <= 0 || Height <= 0; }
    // 32-bit formats keep their pixels in the surface alone.
    bool Shares() const { return !Mono && IsThirtyTwo(Format); }
    std::size_t Stride() const { return StrideOf(Width, BitCountOf(Format)); }
    // Copies the settings (not the pixels) of another image.
    void Like(const TBitmapImage& other) {
        Format = other.Format;
        HandleType = other.HandleType;
        Mono = other.Mono;
        Palette = other.Palette;
    }

    GdiPixel PixelAt(const std::uint8_t* row, int x) const {
        auto palette = [&](unsigned index) {
            return index < Palette.size() ? QuadPixel(Palette[index]) : 0u;
        };
        switch (Format) {
        case pf1bit:
            return palette((row[x >> 3] >> (7 - (x & 7))) & 1);
        case pf4bit:
            return palette((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
        case pf8bit:
            return palette(row[x]);
        case pf15bit: {
            const std::uint32_t v = U16(row + 2 * x);
            const std::uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
        }
        case pf16bit: {
            const std::uint32_t v = U16(row + 2 * x);
            const std::uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
            return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
        }
        case pf24bit:
            return (GdiPixel(row[3 * x + 2]) << 16) | (GdiPixel(row[3 * x + 1]) << 8) | row[3 * x];
        default:
            return U32(row + 4 * x);
        }
    }

    void PutPixel(std::uint8_t* row, int x, GdiPixel p, TNearest& nearest) const {
        const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        switch (Format) {
        case pf1bit:
            if (nearest(p))
                row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            else
                row[x >> 3] &= std::uint8_t(~(0x80 >> (x & 7)));
            break;
        case pf4bit: {
            const std::uint8_t i = nearest(p);
            row[x >> 1] = (x & 1) ? std::uint8_t((row[x >> 1] & 0xF0) | i)
                                  : std::uint8_t((row[x >> 1] & 0x0F) | (i << 4));
            break;
        }
        case pf8bit:
            row[x] = nearest(p);
            break;
        case pf15bit: {
            const std::uint32_t v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
            row[2 * x] = std::uint8_t(v);
            row[2 * x + 1] = std::uint8_t(v >> 8);
            break;
        }
        case pf16bit: {
            const std::uint32_t v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
            row[2 * x] = std::uint8_t(v);
            row[2 * x + 1] = std::uint8_t(v >> 8);
            break;
        }
        case pf24bit:
            row[3 * x] = std::uint8_t(b);
            row[3 * x + 1] = std::uint8_t(g);
            row[3 * x + 2] = std::uint8_t(r);
            break;
        default:
            std::memcpy(row + 4 * x, &p, 4);
            break;
        }
    }

    // The rows (in the format's layout) from a surface of the same size.
    void BitsFromSurface(const GdiSurface& surface) {
        const std::size_t stride = Stride();
        Bits.assign(stride * std::size_t(Height), 0);
        HasBits = true;
        TNearest nearest(Palette);
        for (int y = 0; y < Height; ++y) {
            const GdiPixel* in = surface.Row(y);
            std::uint8_t* row = &Bits[std::size_t(Height - 1 - y) * stride];
            if (IsThirtyTwo(Format)) {
                std::memcpy(row, in, std::size_t(Width) * 4);
                continue;
            }
            for (int x = 0; x < Width; ++x)
                PutPixel(row, x, in[x], nearest);
        }
    }

    void BitsToSurface() {
        const GdiSurface surface = SurfaceOf(Handle);
        if (!surface.IsValid() || !HasBits) return;
        const std::size_t stride = Stride();
        for (int y = 0; y < Height; ++y) {
            const std::uint8_t* row = &Bits[std::size_t(Height - 1 - y) * stride];
            GdiPixel* out = surface.Row(y);
            if (!surface.Mono && IsThirtyTwo(Format)) {
                std::memcpy(out, row, std::size_t(Width) * 4);
                continue;
            }
            for (int x = 0; x < Width; ++x) {
                const GdiPixel p = PixelAt(row, x) & 0xFFFFFF;
                out[x] = surface.Mono ? GdiMonoPixel(GdiPixelToColor(p)) : p;
            }
        }
    }

    // Makes the surface when there is none (from the rows when there are some); false for an
    // empty image.
    bool MakeSurface() {
        if (Handle) return true;
        if (Empty()) return false;
        if (Mono) {
            Handle = CreateBitmap(Width, Height, 1, 1, nullptr);
        } else {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = Width;
            info.bmiHeader.biHeight = Height; // bottom-up, as the rows of a BMP file
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            Handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        }
        if (!Handle) throw EOutOfMemory("Out of system resources");
        if (HasBits) {
            BitsToSurface();
            if (Shares()) {
                Bits.clear();
                Bits.shrink_to_fit();
                HasBits = false;
            }
        }
        Newer = InSync;
        return true;
    }

    // The surface, up to date, for reading it.
    HBITMAP ForRead() {
        if (!MakeSurface()) return nullptr;
        if (HasBits && Newer == BitsNewer) BitsToSurface();
        Newer = InSync;
        return Handle;
    }
    // The surface, up to date, for drawing on it: the rows are stale from now on.
    HBITMAP ForWrite() {
        HBITMAP handle = ForRead();
        if (handle && !Shares()) Newer = SurfaceNewer;
        return handle;
    }
    // The start of a row of the format's layout, for changing it.
    std::uint8_t* RowForWrite(int row) {
        if (Shares()) {
            MakeSurface();
            return reinterpret_cast<std::uint8_t*>(SurfaceOf(Handle).Row(row));
        }
        if (Handle && (!HasBits || Newer == SurfaceNewer))
            BitsFromSurface(SurfaceOf(Handle));
        else if (!HasBits) {
            Bits.assign(Stride() * std::size_t(Height), 0);
            HasBits = true;
        }
        Newer = BitsNewer;
        return &Bits[std::size_t(Height - 1 - row) * Stride()];
    }
    // The rows as they are now, in the format's layout (bottom-up).
    std::vector<std::uint8_t> CurrentBits() {
        if (Empty()) return {};
        if (Handle && (Shares() || !HasBits || Newer == SurfaceNewer)) {
            if (Shares()) {
                TBitmapImage copy;
                copy.Width = Width;
                copy.Height = Height;
                copy.Like(*this);
                copy.BitsFromSurface(SurfaceOf(Handle));
                return std::move(copy.Bits);
            }
            BitsFromSurface(SurfaceOf(Handle));
            Newer = InSync;
        }
        if (!HasBits) return std::vector<std::uint8_t>(Stride() * std::size_t(Height), 0);
        return Bits;
    }
};

// ---- BMP -------------------------------------------------------------------------------------

namespace {

// What a device-independent bitmap's headers say.
struct TDibInfo {
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    int BitCount = 0;
    DWORD Compression = BI_RGB;
    DWORD Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::vector<RGBQUAD> Palette;
    std::size_t BitsOffset = 0;
    std::size_t BitsSize = 0; // the bytes from BitsOffset to the end of the data
};

constexpr DWORD BiAlphaBitfields = 6;

bool ValidHeaderSize(DWORD size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool ParseDib(const std::uint8_t* data, std::size_t size, bool fileHeader, int heightScale, TDibInfo& info) {
    std::size_t at = 0;
    std::size_t offBits = 0;
    if (fileHeader) {
        if (size < 14 || data[0] != 'B' || data[1] != 'M') return false;
        offBits = U32(data + 10);
        at = 14;
    }
    if (size - at < 4) return false;
    const DWORD headerSize = U32(data + at);
    if (!ValidHeaderSize(headerSize) || headerSize > size - at) return false;
    const std::uint8_t* h = data + at;
    long long width = 0, height = 0;
    std::uint32_t planes = 0, bits = 0, clrUsed = 0;
    DWORD compression = BI_RGB;
    const bool core = headerSize == 12;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        bits = U16(h + 10);
    } else {
        width = std::int32_t(U32(h + 4));
        height = std::int32_t(U32(h + 8));
        planes = U16(h + 12);
        bits = U16(h + 14);
        compression = U32(h + 16);
        clrUsed = U32(h + 32);
        if (headerSize >= 52)
            for (int i = 0; i < 3; ++i)
                info.Masks[i] = U32(h + 40 + 4 * i);
        if (headerSize >= 56) info.Masks[3] = U32(h + 52);
    }
    if (planes != 1) return false;
    const bool topDown = height < 0;
    if (topDown) height = -height;
    height /= heightScale;
    if (width <= 0 || height <= 0 || width * height > MaxDecodePixels) return false;
    switch (compression) {
    case BI_RGB:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
        break;
    case BI_RLE8:
        if (bits != 8 || topDown) return false;
        break;
    case BI_RLE4:
        if (bits != 4 || topDown) return false;
        break;
    case BI_BITFIELDS:
    case BiAlphaBitfields:
        if (bits != 16 && bits != 32) return false;
        break;
    default:
        return false;
    }
    std::size_t pos = at + headerSize;
    if ((compression == BI_BITFIELDS || compression == BiAlphaBitfields) && headerSize == 40) {
        const int count = compression == BI_BITFIELDS ? 3 : 4;
        if (size - pos < std::size_t(4 * count)) return false;
        for (int i = 0; i < count; ++i)
            info.Masks[i] = U32(data + pos + 4 * i);
        pos += std::size_t(4 * count);
    }
    if (compression == BI_RGB || compression == BI_RLE8 || compression == BI_RLE4) {
        if (bits == 16) {
            info.Masks[0] = 0x7C00, info.Masks[1] = 0x03E0, info.Masks[2] = 0x001F, info.Masks[3] = 0;
        } else if (bits == 32) {
            info.Masks[0] = 0xFF0000, info.Masks[1] = 0xFF00, info.Masks[2] = 0xFF,
            info.Masks[3] = 0xFF000000;
        }
    } else if ((info.Masks[0] | info.Masks[1] | info.Masks[2]) == 0) {
        return false;
    }
    const std::size_t entrySize = core ? 3 : 4;
    if (clrUsed > 65536) return false;
    std::size_t entries = clrUsed;
    if (bits <= 8) {
        if (entries == 0) entries = std::size_t(1) << bits;
        if (entries > (std::size_t(1) << bits)) return false;
        if ((size - pos) / entrySize < entries) return false;
        info.Palette.resize(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* q = data + pos + i * entrySize;
            info.Palette[i] = Quad(q[2], q[1], q[0]);
        }
    }
    if ((size - pos) / entrySize < entries) return false;
    pos += entries * entrySize;
    std::size_t bitsOffset = pos;
    if (fileHeader && offBits > pos) {
        if (offBits > size) return false;
        bitsOffset = offBits;
    }
    info.Width = int(width);
    info.Height = int(height);
    info.TopDown = topDown;
    info.BitCount = int(bits);
    info.Compression = compression;
    info.BitsOffset = bitsOffset;
    info.BitsSize = size - bitsOffset;
    if (compression != BI_RLE8 && compression != BI_RLE4 &&
        StrideOf(width, int(bits)) * std::size_t(height) > info.BitsSize)
        return false;
    if ((compression == BI_RLE8 || compression == BI_RLE4) &&
        width * height > std::max(MinRleLimit, MaxRlePixelsPerByte * (long long)info.BitsSize))
        return false;
    return true;
}

// Unpacks run-length encoded rows (bottom-up) into plain 4- or 8-bit rows.
bool DecodeRle(const std::uint8_t* src, std::size_t n, int width, int height, bool rle4,
               std::vector<std::uint8_t>& out) {
    const std::size_t stride = StrideOf(width, rle4 ? 4 : 8);
    out.assign(stride * std::size_t(height), 0);
    std::size_t i = 0;
    long long x = 0, y = 0;
    auto put = [&](unsigned v) {
        if (x >= 0 && x < width && y < height) {
            std::uint8_t* row = &out[std::size_t(y) * stride];
            if (rle4)
                row[x / 2] |= (x & 1) ? std::uint8_t(v & 15) : std::uint8_t((v & 15) << 4);
            else
                row[x] = std::uint8_t(v);
        }
        ++x;
    };
    for (;;) {
        if (n - i < 2) return false;
        const unsigned count = src[i++], code = src[i++];
        if (count) {
            for (unsigned k = 0; k < count; ++k)
                put(rle4 ? ((k & 1) ? code & 15 : code >> 4) : code);
        } else if (code == 0) {
            x = 0;
            if (++y >= height) return true;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (n - i < 2) return false;
            x += src[i++];
            y += src[i++];
            if (y >= height) return true;
        } else {
            const std::size_t bytes = rle4 ? (code + 1) / 2 : code;
            if (n - i < bytes) return false;
            for (unsigned k = 0; k < code; ++k)
                put(rle4 ? ((k & 1) ? src[i + k / 2] & 15 : src[i + k / 2] >> 4) : src[i + k]);
            i += bytes + (bytes & 1);
            if (i > n) return false;
        }
    }
}

// One colour component by its mask, scaled to 0..255.
std::uint32_t MaskComponent(std::uint32_t value, std::uint32_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t top = mask >> shift;
    const std::uint32_t v = (value & mask) >> shift;
    if (top == 0xFF) return v;
    return std::uint32_t((unsigned long long)v * 255 / top);
}

// The rows of the pixel data, bottom-up and uncompressed, with their stride.
bool PlainRows(const std::uint8_t* data, const TDibInfo& info, std::vector<std::uint8_t>& rows) {
    const std::uint8_t* bits = data + info.BitsOffset;
    const std::size_t stride = StrideOf(info.Width, info.BitCount);
    if (info.Compression == BI_RLE8 || info.Compression == BI_RLE4)
        return DecodeRle(bits, info.BitsSize, info.Width, info.Height, info.Compression == BI_RLE4, rows);
    rows.resize(stride * std::size_t(info.Height));
    for (int y = 0; y < info.Height; ++y) {
        const int from = info.TopDown ? info.Height - 1 - y : y;
        std::memcpy(&rows[std::size_t(y) * stride], bits + std::size_t(from) * stride, stride);
    }
    return true;
}

// A pixel of a source row as 0xAARRGGBB.
GdiPixel SourcePixel(const TDibInfo& info, const std::uint8_t* row, int x) {
    auto palette = [&](unsigned i) { return i < info.Palette.size() ? QuadPixel(info.Palette[i]) : 0u; };
    switch (info.BitCount) {
    case 1:
        return palette((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
        return palette((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8:
        return palette(row[x]);
    case 24:
        return (GdiPixel(row[3 * x + 2]) << 16) | (GdiPixel(row[3 * x + 1]) << 8) | row[3 * x];
    default: {
        const std::uint32_t v = info.BitCount == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
        return (MaskComponent(v, info.Masks[3]) << 24) | (MaskComponent(v, info.Masks[0]) << 16) |
               (MaskComponent(v, info.Masks[1]) << 8) | MaskComponent(v, info.Masks[2]);
    }
    }
}

std::unique_ptr<TBitmapImage> DecodeBmp(const std::uint8_t* data, std::size_t size, bool fileHeader) {
    TDibInfo info;
    if (!ParseDib(data, size, fileHeader, 1, info)) return nullptr;
    std::vector<std::uint8_t> rows;
    if (!PlainRows(data, info, rows)) return nullptr;
    auto image = std::make_unique<TBitmapImage>();
    image->Width = info.Width;
    image->Height = info.Height;
    const DWORD* m = info.Masks;
    switch (info.BitCount) {
    case 1:
    case 4:
    case 8:
        image->Format = info.BitCount == 1 ? pf1bit : info.BitCount == 4 ? pf4bit : pf8bit;
        image->Palette = info.Palette;
        image->Mono = info.BitCount == 1 && IsBlackAndWhite(info.Palette);
        image->Bits = std::move(rows);
        break;
    case 24:
        image->Format = pf24bit;
        image->Bits = std::move(rows);
        break;
    case 16:
        if (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F) {
            image->Format = pf15bit;
            image->Bits = std::move(rows);
            break;
        }
        if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) {
            image->Format = pf16bit;
            image->Bits = std::move(rows);
            break;
        }
        [[fallthrough]];
    default:
        image->Format = pf32bit;
        if (info.BitCount == 32 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF &&
            (m[3] == 0xFF000000 || m[3] == 0)) {
            image->Bits = std::move(rows);
        } else {
            const std::size_t from = StrideOf(info.Width, info.BitCount), to = image->Stride();
            image->Bits.assign(to * std::size_t(info.Height), 0);
            for (int y = 0; y < info.Height; ++y)
                for (int x = 0; x < info.Width; ++x) {
                    const GdiPixel p = SourcePixel(info, &rows[std::size_t(y) * from], x);
                    std::memcpy(&image->Bits[std::size_t(y) * to + 4 * std::size_t(x)], &p, 4);
                }
        }
        break;
    }
    image->HasBits = true;
    image->Newer = TBitmapImage::BitsNewer;
    return image;
}

// The BMP file of an image: 24 bits for device bitmaps, the format's own layout otherwise.
std::vector<std::uint8_t> EncodeBmp(TBitmapImage& image) {
    std::vector<std::uint8_t> rows = image.CurrentBits();
    int bits = BitCountOf(image.Format);
    if (image.Format == pfDevice || image.Format == pfCustom) {
        bits = 24;
        const std::size_t from = image.Stride(), to = StrideOf(image.Width, 24);
        std::vector<std::uint8_t> packed(to * std::size_t(image.Height), 0);
        for (int y = 0; y < image.Height; ++y)
            for (int x = 0; x < image.Width; ++x)
                std::memcpy(&packed[std::size_t(y) * to + 3 * std::size_t(x)],
                            &rows[std::size_t(y) * from + 4 * std::size_t(x)], 3);
        rows = std::move(packed);
    }
    const bool bitfields = image.Format == pf16bit;
    const std::size_t paletteEntries = bits <= 8 ? image.Palette.size() : 0;
    const std::size_t offBits = 14 + 40 + (bitfields ? 12 : 0) + paletteEntries * 4;
    std::vector<std::uint8_t> out;
    out.reserve(offBits + rows.size());
    out.push_back('B');
    out.push_back('M');
    Put32(out, std::uint32_t(offBits + rows.size()));
    Put32(out, 0);
    Put32(out, std::uint32_t(offBits));
    Put32(out, 40);
    Put32(out, std::uint32_t(image.Width));
    Put32(out, std::uint32_t(image.Height));
    Put16(out, 1);
    Put16(out, std::uint32_t(bits));
    Put32(out, bitfields ? BI_BITFIELDS : BI_RGB);
    Put32(out, std::uint32_t(rows.size()));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, std::uint32_t(paletteEntries));
    Put32(out, 0);
    if (bitfields) {
        Put32(out, 0xF800);
        Put32(out, 0x07E0);
        Put32(out, 0x001F);
    }
    for (std::size_t i = 0; i < paletteEntries; ++i) {
        const RGBQUAD& q = image.Palette[i];
        out.push_back(q.rgbBlue);
        out.push_back(q.rgbGreen);
        out.push_back(q.rgbRed);
        out.push_back(0);
    }
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// How many bytes the BMP whose file and info headers are at head takes; 0 when the headers
// are not acceptable. available bounds what a compressed image without a size may take.
std::size_t BmpTotalSize(const std::uint8_t* head, std::size_t available) {
    const DWORD headerSize = U32(head + 14);
    const std::uint8_t* h = head + 14;
    const bool core = headerSize == 12;
    long long width = 0, height = 0;
    std::uint32_t bits = 0, clrUsed = 0, sizeImage = 0;
    DWORD compression = BI_RGB;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        bits = U16(h + 10);
    } else {
        width = std::int32_t(U32(h + 4));
        height = std::int32_t(U32(h + 8));
        bits = U16(h + 14);
        compression = U32(h + 16);
        sizeImage = U32(h + 20);
        clrUsed = U32(h + 32);
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width * height > MaxDecodePixels || bits > 32 || clrUsed > 65536)
        return 0;
    std::size_t end = 14 + headerSize;
    if ((compression == BI_BITFIELDS || compression == BiAlphaBitfields) && headerSize == 40)
        end += compression == BI_BITFIELDS ? 12 : 16;
    std::size_t entries = clrUsed;
    if (bits <= 8 && entries == 0) entries = std::size_t(1) << bits;
    end += entries * (core ? 3 : 4);
    const std::size_t offBits = U32(head + 10);
    const std::size_t start = std::max(end, offBits);
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (sizeImage) return start + sizeImage;
        const std::size_t fileSize = U32(head + 2);
        if (fileSize > start && fileSize <= available) return fileSize;
        return std::max(available, start);
    }
    return start + StrideOf(width, int(bits)) * std::size_t(height);
}

} // namespace

bool kov_graphics_detail::DecodeDibPixels(const std::uint8_t* data, std::size_t size, bool fileHeader,
                                          int heightScale, int& width, int& height,
                                          std::vector<std::uint32_t>& pixels, bool& hasAlpha,
                                          std::size_t& maskOffset) {
    TDibInfo info;
    if (!ParseDib(data, size, fileHeader, heightScale, info)) return false;
    std::vector<std::uint8_t> rows;
    if (!PlainRows(data, info, rows)) return false;
    width = info.Width;
    height = info.Height;
    const std::size_t stride = StrideOf(info.Width, info.BitCount);
    maskOffset = info.BitsOffset + stride * std::size_t(info.Height);
    pixels.assign(std::size_t(width) * std::size_t(height), 0);
    hasAlpha = false;
    const bool alpha = info.BitCount == 32 && info.Masks[3] != 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = &rows[std::size_t(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            GdiPixel p = SourcePixel(info, row, x);
            if (!alpha) p &= 0xFFFFFF;
            if (p >> 24) hasAlpha = true;
            pixels[std::size_t(y) * width + x] = p;
        }
    }
    return true;
}

// ---- The bitmap's canvas ---------------------------------------------------------------------

class TBitmapCanvas : public TCanvas {
    KOV_CLASS(TBitmapCanvas, TCanvas)
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override { FreeContext(); }

    // Lets go of the memory context (and with it the bitmap object).
    void FreeContext() {
        if (!HandleAllocated()) return;
        HDC dc = HandleValue();
        SetHandle(nullptr);
        if (FOldBitmap) SelectObject(dc, FOldBitmap);
        FOldBitmap = nullptr;
        DeleteDC(dc);
    }
    // The context for reading the bitmap's pixels.
    HDC SourceDC() {
        if (!HandleAllocated()) CreateHandle();
        FBitmap->FImage->ForRead();
        return HandleValue();
    }
    void Changed() override {
        inherited::Changed();
        FBitmap->Changed(FBitmap);
    }

protected:
    void CreateHandle() override {
        HDC dc = CreateCompatibleDC(nullptr);
        if (HBITMAP surface = FBitmap->FImage->ForRead()) FOldBitmap = SelectObject(dc, surface);
        SetHandle(dc);
    }
    void RequiredState(TCanvasState state) override {
        inherited::RequiredState(state);
        FBitmap->FImage->ForWrite();
    }

private:
    TBitmap* FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
};

// ---- TBitmap -------------------------------------------------------------------------------

TBitmap::TBitmap() : FImage(std::make_unique<TBitmapImage>()) {}

TBitmap::~TBitmap() {
    FCanvas.reset();
    FreeMask();
    FImage.reset();
}

void TBitmap::ReleaseCanvasContext() {
    if (FCanvas) FCanvas->FreeContext();
}

void TBitmap::FreeMask() {
    if (FMaskHandle) DeleteObject(FMaskHandle);
    FMaskHandle = nullptr;
    FMaskValid = false;
}

void TBitmap::ReplaceImage(std::unique_ptr<TBitmapImage> image) {
    ReleaseCanvasContext();
    FreeMask();
    FImage = std::move(image);
}

void TBitmap::Changed(TObject* sender) {
    FreeMask();
    inherited::Changed(sender);
}

void TBitmap::Assign(TPersistent* source) {
    if (source == nullptr) {
        ReplaceImage(std::make_unique<TBitmapImage>());
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        if (bitmap == this) return;
        auto image = std::make_unique<TBitmapImage>();
        image->Width = bitmap->FImage->Width;
        image->Height = bitmap->FImage->Height;
        image->Like(*bitmap->FImage);
        if (!image->Empty()) {
            image->Bits = bitmap->FImage->CurrentBits();
            image->HasBits = true;
            image->Newer = TBitmapImage::BitsNewer;
        }
        ReplaceImage(std::move(image));
        FTransparentColor = bitmap->FTransparentColor;
        FTransparentMode = bitmap->FTransparentMode;
        if (GetTransparent() != bitmap->GetTransparent()) TGraphic::SetTransparent(bitmap->GetTransparent());
        Changed(this);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        auto image = std::make_unique<TBitmapImage>();
        image->Width = graphic->GetWidth();
        image->Height = graphic->GetHeight();
        ReplaceImage(std::move(image));
        if (!GetEmpty()) {
            TCanvas* canvas = GetCanvas();
            canvas->GetBrush()->SetColor(clWhite);
            canvas->FillRect(TRect{0, 0, GetWidth(), GetHeight()});
            canvas->Draw(0, 0, graphic);
        }
        Changed(this);
        return;
    }
    inherited::Assign(source);
}

bool TBitmap::GetEmpty() const { return FImage->Empty(); }
Integer TBitmap::GetWidth() const { return FImage->Width; }
Integer TBitmap::GetHeight() const { return FImage->Height; }
void TBitmap::SetWidth(Integer value) { SetSize(value, FImage->Height); }
void TBitmap::SetHeight(Integer value) { SetSize(FImage->Width, value); }

void TBitmap::SetSize(Integer width, Integer height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FImage->Width && height == FImage->Height) return;
    if ((long long)width * height > GdiMaxBitmapPixels) throw EOutOfMemory("Out of system resources");
    auto image = std::make_unique<TBitmapImage>();
    image->Width = width;
    image->Height = height;
    image->Like(*FImage);
    if (!image->Empty() && !FImage->Empty()) {
        const GdiSurface from = SurfaceOf(FImage->ForRead());
        image->MakeSurface();
        const GdiSurface to = SurfaceOf(image->Handle);
        const int w = std::min(width, FImage->Width), h = std::min(height, FImage->Height);
        for (int y = 0; y < h; ++y)
            std::memcpy(to.Row(y), from.Row(y), std::size_t(w) * 4);
        image->Newer = TBitmapImage::SurfaceNewer;
    }
    ReplaceImage(std::move(image));
    Changed(this);
}

TCanvas* TBitmap::GetCanvas() {
    if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

HBITMAP TBitmap::GetHandle() {
    // The object may be selected into another context by the caller, so the canvas lets it go.
    if (FCanvas && FCanvas->GetLockCount() == 0) ReleaseCanvasContext();
    return FImage->ForWrite();
}

void TBitmap::SetHandle(HBITMAP value) {
    auto image = std::make_unique<TBitmapImage>();
    if (value) {
        BITMAP bm{};
        if (GetObjectA(value, sizeof(bm), &bm) <= 0) throw EInvalidGraphic(InvalidBitmap);
        DIBSECTION section{};
        image->Width = bm.bmWidth;
        image->Height = bm.bmHeight;
        image->Mono = bm.bmBitsPixel == 1;
        image->Format = image->Mono ? pf1bit : pfDevice;
        image->Palette = DefaultPalette(image->Format);
        image->HandleType =
            GetObjectA(value, sizeof(section), &section) == int(sizeof(section)) ? bmDIB : bmDDB;
        image->Handle = value;
        image->Newer = TBitmapImage::SurfaceNewer;
    }
    ReplaceImage(std::move(image));
    Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
    ReleaseCanvasContext();
    if (FImage->Empty() || !FImage->Handle) return nullptr;
    FImage->Bits = FImage->CurrentBits();
    FImage->HasBits = true;
    FImage->Newer = TBitmapImage::BitsNewer;
    HBITMAP handle = FImage->Handle;
    FImage->Handle = nullptr;
    return handle;
}

bool TBitmap::HandleAllocated() const { return FImage->Handle != nullptr; }

TBitmapHandleType TBitmap::GetHandleType() const { return FImage->HandleType; }

void TBitmap::SetHandleType(TBitmapHandleType value) {
    if (value == FImage->HandleType) return;
    FImage->HandleType = value;
    Changed(this);
}

HBITMAP TBitmap::GetMaskHandle() {
    if (!FMaskValid) Mask(GetTransparentColor());
    return FMaskHandle;
}

void TBitmap::SetMaskHandle(HBITMAP value) {
    if (FMaskHandle && FMaskHandle != value) DeleteObject(FMaskHandle);
    FMaskHandle = value;
    FMaskValid = value != nullptr;
}

HBITMAP TBitmap::ReleaseMaskHandle() {
    HBITMAP mask = GetMaskHandle();
    FMaskHandle = nullptr;
    FMaskValid = false;
    return mask;
}

void TBitmap::Mask(TColor transparentColor) {
    if (FMaskHandle) DeleteObject(FMaskHandle);
    FMaskHandle = nullptr;
    FMaskValid = false;
    if (GetEmpty()) return;
    const GdiSurface from = SurfaceOf(FImage->ForRead());
    FMaskHandle = CreateBitmap(FImage->Width, FImage->Height, 1, 1, nullptr);
    const GdiSurface to = SurfaceOf(FMaskHandle);
    if (!from.IsValid() || !to.IsValid()) return;
    const COLORREF rgb = COLORREF(ColorToRGB(transparentColor)) & 0xFFFFFF;
    const GdiPixel key = from.Mono ? GdiMonoPixel(rgb) : GdiColorToPixel(rgb);
    for (int y = 0; y < FImage->Height; ++y)
        for (int x = 0; x < FImage->Width; ++x)
            to.Row(y)[x] = (from.Row(y)[x] & 0xFFFFFF) == key ? 0xFFFFFF : 0;
    FMaskValid = true;
}

bool TBitmap::GetMonochrome() const { return FImage->Mono; }

void TBitmap::SetMonochrome(bool value) {
    if (value == FImage->Mono) return;
    SetPixelFormat(value ? pf1bit : pfDevice);
}

TPixelFormat TBitmap::GetPixelFormat() const { return FImage->Format; }

void TBitmap::SetPixelFormat(TPixelFormat value) {
    const bool mono = value == pf1bit;
    if (value == FImage->Format && mono == FImage->Mono) return;
    auto image = std::make_unique<TBitmapImage>();
    image->Width = FImage->Width;
    image->Height = FImage->Height;
    image->Format = value;
    image->HandleType = FImage->HandleType;
    image->Palette = DefaultPalette(value);
    image->Mono = mono;
    if (!image->Empty()) {
        const GdiSurface from = SurfaceOf(FImage->ForRead());
        if (image->Shares()) {
            image->MakeSurface();
            const GdiSurface to = SurfaceOf(image->Handle);
            for (int y = 0; y < image->Height; ++y)
                std::memcpy(to.Row(y), from.Row(y), std::size_t(image->Width) * 4);
        } else {
            image->BitsFromSurface(from);
            image->Newer = TBitmapImage::BitsNewer;
        }
    }
    ReplaceImage(std::move(image));
    Changed(this);
}

void* TBitmap::GetScanLine(Integer row) {
    if (row < 0 || row >= FImage->Height || FImage->Empty())
        throw EInvalidGraphicOperation("Scan line index out of range");
    // Rows handed out may be changed: the canvas's context picks the change up on its next use.
    return FImage->RowForWrite(row);
}

std::vector<RGBQUAD> TBitmap::GetColorTable() const { return FImage->Palette; }

void TBitmap::SetColorTable(const std::vector<RGBQUAD>& colors) {
    const int bits = BitCountOf(FImage->Format);
    if (bits > 8 || colors.empty() || colors.size() > (std::size_t(1) << bits)) return;
    // The indices stay; the colours they stand for change.
    std::vector<std::uint8_t> rows = FImage->CurrentBits();
    auto image = std::make_unique<TBitmapImage>();
    image->Width = FImage->Width;
    image->Height = FImage->Height;
    image->Like(*FImage);
    image->Palette = colors;
    image->Mono = bits == 1 && IsBlackAndWhite(colors);
    if (!image->Empty()) {
        image->Bits = std::move(rows);
        image->HasBits = true;
        image->Newer = TBitmapImage::BitsNewer;
    }
    ReplaceImage(std::move(image));
    Changed(this);
}

TColor TBitmap::GetTransparentColor() {
    if (FTransparentColor != clDefault && FTransparentMode == tmFixed) return FTransparentColor;
    if (GetEmpty()) return clDefault;
    const GdiSurface surface = SurfaceOf(FImage->ForRead());
    if (!surface.IsValid()) return clDefault;
    return TColor(GdiPixelToColor(surface.Row(surface.Height - 1)[0] & 0xFFFFFF));
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == FTransparentColor) return;
    FTransparentColor = value;
    FTransparentMode = value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == FTransparentMode) return;
    if (value == tmAuto) {
        FTransparentColor = clDefault;
        FTransparentMode = tmAuto;
    } else {
        FTransparentColor = GetTransparentColor();
        FTransparentMode = tmFixed;
    }
    Changed(this);
}

void TBitmap::Dormant() {
    if (FImage->Empty() || !FImage->Handle) return;
    if (HBITMAP handle = ReleaseHandle()) DeleteObject(handle);
}

void TBitmap::FreeImage() {
    if (FImage->Empty() || FImage->Shares()) return;
    ReleaseCanvasContext();
    FImage->ForRead();
    FImage->Bits.clear();
    FImage->Bits.shrink_to_fit();
    FImage->HasBits = false;
    FImage->Newer = TBitmapImage::InSync;
}

// ---- Streams, resources, clipboard ---------------------------------------------------------

void TBitmap::LoadDib(const std::uint8_t* data, std::size_t size, bool fileHeader) {
    std::unique_ptr<TBitmapImage> image = DecodeBmp(data, size, fileHeader);
    if (!image) throw EInvalidGraphic(InvalidBitmap);
    ReplaceImage(std::move(image));
    Changed(this);
}

void TBitmap::LoadFromStream(TStream* stream) {
    const Int64 start = stream->GetPosition();
    const Int64 available = std::max<Int64>(stream->GetSize() - start, 0);
    if (available == 0) {
        ReplaceImage(std::make_unique<TBitmapImage>());
        Changed(this);
        return;
    }
    std::vector<std::uint8_t> data(18);
    if (available < 18 || stream->Read(data.data(), 18) != 18 || data[0] != 'B' || data[1] != 'M')
        throw EInvalidGraphic(InvalidBitmap);
    const DWORD headerSize = U32(data.data() + 14);
    if (!ValidHeaderSize(headerSize) || Int64(14 + headerSize) > available)
        throw EInvalidGraphic(InvalidBitmap);
    data.resize(14 + headerSize);
    if (stream->Read(data.data() + 18, Integer(headerSize - 4)) != Integer(headerSize - 4))
        throw EInvalidGraphic(InvalidBitmap);
    const std::size_t total = BmpTotalSize(data.data(), std::size_t(std::min<Int64>(available, 0x7FFFFFFF)));
    if (total < data.size() || Int64(total) > available) throw EInvalidGraphic(InvalidBitmap);
    const std::size_t have = data.size();
    data.resize(total);
    if (total > have && stream->Read(data.data() + have, Integer(total - have)) != Integer(total - have))
        throw EInvalidGraphic(InvalidBitmap);
    LoadDib(data.data(), data.size(), true);
}

void TBitmap::SaveToStream(TStream* stream) {
    if (GetEmpty()) return;
    const std::vector<std::uint8_t> bytes = EncodeBmp(*FImage);
    stream->WriteBuffer(bytes.data(), Integer(bytes.size()));
}

void TBitmap::ReadData(TStream* stream) {
    std::int32_t size = 0;
    if (stream->Read(&size, 4) != 4) throw EInvalidGraphic(InvalidBitmap);
    const Int64 available = stream->GetSize() - stream->GetPosition();
    if (size < 0 || size > available) throw EInvalidGraphic(InvalidBitmap);
    if (size == 0) {
        ReplaceImage(std::make_unique<TBitmapImage>());
        Changed(this);
        return;
    }
    std::vector<std::uint8_t> data(std::size_t(size), 0);
    stream->ReadBuffer(data.data(), size);
    LoadDib(data.data(), data.size(), true);
}

void TBitmap::WriteData(TStream* stream) {
    std::vector<std::uint8_t> bytes;
    if (!GetEmpty()) bytes = EncodeBmp(*FImage);
    const std::int32_t size = std::int32_t(bytes.size());
    stream->WriteBuffer(&size, 4);
    if (size) stream->WriteBuffer(bytes.data(), size);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const String& resName) {
    TResourceStream resource(instance, TResourceId(resName), TResourceId(RT_BITMAP));
    const auto* data = static_cast<const std::uint8_t*>(resource.GetMemory());
    const std::size_t size = std::size_t(resource.GetSize());
    LoadDib(data, size, size >= 2 && data[0] == 'B' && data[1] == 'M');
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, Integer resId) {
    TResourceStream resource(instance, TResourceId(int(resId)), TResourceId(RT_BITMAP));
    const auto* data = static_cast<const std::uint8_t*>(resource.GetMemory());
    const std::size_t size = std::size_t(resource.GetSize());
    LoadDib(data, size, size >= 2 && data[0] == 'B' && data[1] == 'M');
}

void TBitmap::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE) {
    if (format == CF_DIB) {
        const std::size_t size = GlobalSize(data);
        const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(data));
        if (!bytes) throw EInvalidGraphic(InvalidBitmap);
        try {
            LoadDib(bytes, size, false);
        } catch (...) {
            GlobalUnlock(data);
            throw;
        }
        GlobalUnlock(data);
        return;
    }
    if (format != CF_BITMAP) throw EInvalidGraphic("Unsupported clipboard format");
    const GdiSurface from = SurfaceOf(static_cast<HBITMAP>(data));
    if (!from.IsValid()) throw EInvalidGraphic(InvalidBitmap);
    auto image = std::make_unique<TBitmapImage>();
    image->Width = from.Width;
    image->Height = from.Height;
    image->Mono = from.Mono;
    image->Format = from.Mono ? pf1bit : pfDevice;
    image->Palette = DefaultPalette(image->Format);
    image->MakeSurface();
    const GdiSurface to = SurfaceOf(image->Handle);
    for (int y = 0; y < from.Height; ++y)
        std::memcpy(to.Row(y), from.Row(y), std::size_t(from.Width) * 4);
    ReplaceImage(std::move(image));
    Changed(this);
}

void TBitmap::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
    format = CF_BITMAP;
    palette = nullptr;
    data = nullptr;
    if (GetEmpty()) return;
    const GdiSurface from = SurfaceOf(FImage->ForRead());
    HBITMAP copy = from.Mono ? CreateBitmap(from.Width, from.Height, 1, 1, nullptr)
                             : CreateBitmap(from.Width, from.Height, 1, 32, nullptr);
    const GdiSurface to = SurfaceOf(copy);
    for (int y = 0; y < from.Height; ++y)
        std::memcpy(to.Row(y), from.Row(y), std::size_t(from.Width) * 4);
    data = copy;
}

// ---- Drawing ---------------------------------------------------------------------------------

HBITMAP TBitmap::SurfaceForDrawing() { return FImage->ForRead(); }

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
    if (GetEmpty()) return;
    HDC dst = canvas->GetHandle();
    HDC src = static_cast<TBitmapCanvas*>(GetCanvas())->SourceDC();
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    const int sw = FImage->Width, sh = FImage->Height;
    // Monochrome pixels reach a colour context through its text (0) and background (1)
    // colours: black and white here.
    const COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
    if (GetTransparent()) {
        // The mask is white where the transparent colour is: invert with the image, clear
        // the opaque part, invert again; the transparent part comes back as it was.
        HBITMAP mask = GetMaskHandle();
        HDC maskDc = CreateCompatibleDC(nullptr);
        HGDIOBJ oldMask = SelectObject(maskDc, mask);
        StretchBlt(dst, rect.left, rect.top, w, h, src, 0, 0, sw, sh, SRCINVERT);
        StretchBlt(dst, rect.left, rect.top, w, h, maskDc, 0, 0, sw, sh, SRCAND);
        StretchBlt(dst, rect.left, rect.top, w, h, src, 0, 0, sw, sh, SRCINVERT);
        SelectObject(maskDc, oldMask);
        DeleteDC(maskDc);
    } else {
        StretchBlt(dst, rect.left, rect.top, w, h, src, 0, 0, sw, sh, DWORD(canvas->GetCopyMode()));
    }
    SetTextColor(dst, oldText);
    SetBkColor(dst, oldBk);
}
