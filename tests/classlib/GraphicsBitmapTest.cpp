// Bitmaps: BMP files of every header, depth and compression read (built here byte by byte),
// the depths written and read back, rows through ScanLine, pixel formats, handles, masks and
// transparent drawing, resources and the clipboard, and input that is not a bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Clipboard.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::string;

using testsupport::Put16;
using testsupport::Put32;

// The test picture: 5 x 3 pixels, colour index (x + 2y) mod n.
constexpr int W = 5, H = 3;
const TColor Colors[4] = {clRed, clLime, clBlue, clWhite};
int IndexAt(int x, int y, int n) { return (x + 2 * y) % n; }

struct TBmpSpec {
    const char* Name;
    unsigned HeaderSize; // 12, 40, 108, 124
    int Bits;
    DWORD Compression;
    bool TopDown;
    std::vector<unsigned> Masks; // red, green, blue (BI_BITFIELDS)
    TPixelFormat Expected;
    unsigned ClrUsed = 0;
};

unsigned Scaled(unsigned component, unsigned mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    const unsigned top = mask >> shift;
    return (component * top / 255) << shift;
}

// A row of the test picture in the pixel layout its TBmpSpec asks for (uncompressed).
Bytes EncodeRow(const TBmpSpec& s, int y, int n) {
    Bytes row;
    const int stride = (W * s.Bits + 31) / 32 * 4;
    if (s.Bits <= 8) {
        std::vector<unsigned char> packed(stride, 0);
        for (int x = 0; x < W; ++x) {
            const unsigned i = unsigned(IndexAt(x, y, n));
            const int bit = x * s.Bits;
            packed[bit / 8] |= (unsigned char)(i << (8 - s.Bits - bit % 8));
        }
        row.assign(packed.begin(), packed.end());
        return row;
    }
    for (int x = 0; x < W; ++x) {
        const TColor c = Colors[IndexAt(x, y, n)];
        const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        if (s.Bits == 24) {
            row += char(b);
            row += char(g);
            row += char(r);
            continue;
        }
        std::vector<unsigned> m = s.Masks;
        if (m.empty())
            m = s.Bits == 16 ? std::vector<unsigned>{0x7C00, 0x3E0, 0x1F}
                             : std::vector<unsigned>{0xFF0000, 0xFF00, 0xFF};
        const unsigned v = Scaled(r, m[0]) | Scaled(g, m[1]) | Scaled(b, m[2]);
        if (s.Bits == 16)
            Put16(row, v);
        else
            Put32(row, v);
    }
    row.resize(stride, '\0');
    return row;
}

// Run-length rows: the bottom row in absolute mode, the others as runs of one pixel.
Bytes EncodeRle(const TBmpSpec& s, int n) {
    Bytes out;
    const bool rle4 = s.Bits == 4;
    for (int mem = 0; mem < H; ++mem) {
        const int y = H - 1 - mem;
        if (mem == 0) {
            out += char(0);
            out += char(W);
            Bytes absolute;
            for (int x = 0; x < W; ++x) {
                const int i = IndexAt(x, y, n);
                if (rle4) {
                    if (x % 2 == 0)
                        absolute += char(i << 4);
                    else
                        absolute.back() = char(absolute.back() | i);
                } else {
                    absolute += char(i);
                }
            }
            if (absolute.size() % 2) absolute += char(0);
            out += absolute;
        } else {
            for (int x = 0; x < W; ++x) {
                out += char(1);
                out += char(rle4 ? IndexAt(x, y, n) << 4 : IndexAt(x, y, n));
            }
        }
        out += char(0);
        out += char(0); // end of line
    }
    out += char(0);
    out += char(1); // end of bitmap
    return out;
}

Bytes BuildBmp(const TBmpSpec& s) {
    const int n = s.Bits == 1 ? 2 : 4;
    Bytes pixels;
    if (s.Compression == BI_RLE8 || s.Compression == BI_RLE4) {
        pixels = EncodeRle(s, n);
    } else {
        for (int mem = 0; mem < H; ++mem)
            pixels += EncodeRow(s, s.TopDown ? mem : H - 1 - mem, n);
    }
    Bytes header;
    const bool core = s.HeaderSize == 12;
    Put32(header, s.HeaderSize);
    if (core) {
        Put16(header, W);
        Put16(header, H);
        Put16(header, 1);
        Put16(header, unsigned(s.Bits));
    } else {
        Put32(header, W);
        Put32(header, unsigned(s.TopDown ? -H : H));
        Put16(header, 1);
        Put16(header, unsigned(s.Bits));
        Put32(header, s.Compression);
        Put32(header, unsigned(pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, s.ClrUsed);
        Put32(header, 0);
        if (s.HeaderSize > 40) {
            for (int i = 0; i < 3; ++i)
                Put32(header, i < int(s.Masks.size()) ? s.Masks[i] : 0);
            Put32(header, 0); // alpha mask
        }
        header.resize(s.HeaderSize, '\0');
    }
    Bytes extra;
    if (s.Compression == BI_BITFIELDS && s.HeaderSize == 40)
        for (unsigned m : s.Masks)
            Put32(extra, m);
    if (s.Bits <= 8) {
        const unsigned entries = s.ClrUsed ? s.ClrUsed : 1u << s.Bits;
        for (unsigned i = 0; i < entries; ++i) {
            const TColor c = i < unsigned(n) ? Colors[i] : clBlack;
            extra += char((c >> 16) & 0xFF);
            extra += char((c >> 8) & 0xFF);
            extra += char(c & 0xFF);
            if (!core) extra += char(0);
        }
    }
    Bytes file = "BM";
    const unsigned offBits = unsigned(14 + header.size() + extra.size());
    Put32(file, unsigned(offBits + pixels.size()));
    Put32(file, 0);
    Put32(file, offBits);
    return file + header + extra + pixels;
}

void Load(TBitmap& bitmap, const Bytes& bytes) {
    TStringStream stream(bytes);
    bitmap.LoadFromStream(&stream);
}

Bytes Save(TBitmap& bitmap) {
    TStringStream stream("");
    bitmap.SaveToStream(&stream);
    return stream.GetDataString();
}

void ExpectPicture(TBitmap& bitmap, int n) {
    ASSERT_EQ(bitmap.GetWidth(), W);
    ASSERT_EQ(bitmap.GetHeight(), H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            EXPECT_EQ(bitmap.GetCanvas()->GetPixels(x, y), Colors[IndexAt(x, y, n)]);
        }
}

TEST(GraphicsBitmap, ReadsEveryHeaderDepthAndCompression) {
    const std::vector<TBmpSpec> specs = {
        {"core 1", 12, 1, BI_RGB, false, {}, pf1bit},
        {"core 8", 12, 8, BI_RGB, false, {}, pf8bit},
        {"core 24", 12, 24, BI_RGB, false, {}, pf24bit},
        {"info 1", 40, 1, BI_RGB, false, {}, pf1bit},
        {"info 4", 40, 4, BI_RGB, false, {}, pf4bit},
        {"info 8", 40, 8, BI_RGB, false, {}, pf8bit},
        {"info 8 short palette", 40, 8, BI_RGB, false, {}, pf8bit, 4},
        {"info 16 (5-5-5)", 40, 16, BI_RGB, false, {}, pf15bit},
        {"info 16 bitfields 5-6-5", 40, 16, BI_BITFIELDS, false, {0xF800, 0x7E0, 0x1F}, pf16bit},
        {"info 16 bitfields 4-4-4", 40, 16, BI_BITFIELDS, false, {0xF00, 0xF0, 0xF}, pf32bit},
        {"info 24", 40, 24, BI_RGB, false, {}, pf24bit},
        {"info 24 top-down", 40, 24, BI_RGB, true, {}, pf24bit},
        {"info 32", 40, 32, BI_RGB, false, {}, pf32bit},
        {"info 32 top-down", 40, 32, BI_RGB, true, {}, pf32bit},
        {"info 32 bitfields swapped", 40, 32, BI_BITFIELDS, false, {0xFF, 0xFF00, 0xFF0000}, pf32bit},
        {"info RLE8", 40, 8, BI_RLE8, false, {}, pf8bit},
        {"info RLE4", 40, 4, BI_RLE4, false, {}, pf4bit},
        {"v4 32 bitfields", 108, 32, BI_BITFIELDS, false, {0xFF0000, 0xFF00, 0xFF}, pf32bit},
        {"v4 8", 108, 8, BI_RGB, false, {}, pf8bit},
        {"v5 24 top-down", 124, 24, BI_RGB, true, {}, pf24bit},
        {"v5 16 bitfields 5-6-5", 124, 16, BI_BITFIELDS, false, {0xF800, 0x7E0, 0x1F}, pf16bit},
    };
    for (const TBmpSpec& s : specs) {
        SCOPED_TRACE(s.Name);
        TBitmap bitmap;
        Load(bitmap, BuildBmp(s));
        EXPECT_EQ(bitmap.GetPixelFormat(), s.Expected);
        ExpectPicture(bitmap, s.Bits == 1 ? 2 : 4);
    }
}

TEST(GraphicsBitmap, WritesEachDepthAndReadsItBack) {
    struct Case {
        TPixelFormat Format;
        int Bits;
        DWORD Compression;
        TPixelFormat ReadBack;
    };
    const std::vector<Case> cases = {
        {pf1bit, 1, BI_RGB, pf1bit},    {pf4bit, 4, BI_RGB, pf4bit},          {pf8bit, 8, BI_RGB, pf8bit},
        {pf15bit, 16, BI_RGB, pf15bit}, {pf16bit, 16, BI_BITFIELDS, pf16bit}, {pf24bit, 24, BI_RGB, pf24bit},
        {pf32bit, 32, BI_RGB, pf32bit}, {pfDevice, 24, BI_RGB, pf24bit},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Format));
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.Format);
        bitmap.SetSize(7, 5);
        TCanvas* canvas = bitmap.GetCanvas();
        const std::vector<TColor> colors =
            c.Format == pf1bit ? std::vector<TColor>{clBlack, clWhite}
                               : std::vector<TColor>{clRed, clLime, clBlue, clWhite, clBlack, clYellow};
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                canvas->SetPixels(x, y, colors[(x * 3 + y) % colors.size()]);

        const Bytes bytes = Save(bitmap);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(int((unsigned char)bytes[28]), c.Bits);
        EXPECT_EQ(unsigned((unsigned char)bytes[30]), c.Compression);

        const std::string path = dir.File("depth" + std::to_string(int(c.Format)) + ".bmp");
        bitmap.SaveToFile(path);
        EXPECT_EQ(testsupport::ReadFileBytes(path), bytes);
        TBitmap read;
        read.LoadFromFile(path);
        EXPECT_EQ(read.GetPixelFormat(), c.ReadBack);
        EXPECT_EQ(read.GetMonochrome(), c.Format == pf1bit);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                EXPECT_EQ(read.GetCanvas()->GetPixels(x, y), colors[(x * 3 + y) % colors.size()])
                    << x << "," << y;
        // Saved again, the same file.
        if (c.Format != pfDevice) { EXPECT_EQ(Save(read), bytes); }
    }
}

TEST(GraphicsBitmap, ScanLinesAreBottomUpRowsThatMeetTheCanvas) {
    struct Case {
        TPixelFormat Format;
        int BytesPerPixel;
    };
    for (const Case& c : std::vector<Case>{{pf24bit, 3}, {pf32bit, 4}, {pfDevice, 4}}) {
        SCOPED_TRACE(int(c.Format));
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.Format);
        bitmap.SetSize(4, 3);
        auto* row0 = static_cast<std::uint8_t*>(bitmap.GetScanLine(0));
        auto* row1 = static_cast<std::uint8_t*>(bitmap.GetScanLine(1));
        EXPECT_LT(row1, row0);
        // Written rows show on the canvas...
        auto* row2 = static_cast<std::uint8_t*>(bitmap.GetScanLine(2));
        row2[c.BytesPerPixel * 3 + 2] = 0xFF; // red of (3, 2)
        EXPECT_EQ(bitmap.GetCanvas()->GetPixels(3, 2), clRed);
        // ...and what the canvas draws shows in the rows.
        bitmap.GetCanvas()->SetPixels(1, 0, clBlue);
        row0 = static_cast<std::uint8_t*>(bitmap.GetScanLine(0));
        EXPECT_EQ(row0[c.BytesPerPixel * 1 + 0], 0xFF);
        EXPECT_EQ(row0[c.BytesPerPixel * 1 + 2], 0x00);
        EXPECT_THROW(bitmap.GetScanLine(3), EInvalidGraphicOperation);
        EXPECT_THROW(bitmap.GetScanLine(-1), EInvalidGraphicOperation);
    }

    // Palette rows hold indices.
    TBitmap indexed;
    indexed.SetPixelFormat(pf8bit);
    indexed.SetSize(3, 2);
    const std::vector<RGBQUAD> table = indexed.GetColorTable();
    ASSERT_EQ(table.size(), 256u);
    auto* row = static_cast<std::uint8_t*>(indexed.GetScanLine(1));
    row[0] = 9;  // red in the standard colours
    row[2] = 12; // blue
    EXPECT_EQ(indexed.GetCanvas()->GetPixels(0, 1), clRed);
    EXPECT_EQ(indexed.GetCanvas()->GetPixels(2, 1), clBlue);
    indexed.GetCanvas()->SetPixels(1, 1, clLime);
    EXPECT_EQ(static_cast<std::uint8_t*>(indexed.GetScanLine(1))[1], 10);
    // A new colour table changes what the indices show.
    std::vector<RGBQUAD> swapped = table;
    std::swap(swapped[9], swapped[12]);
    indexed.SetColorTable(swapped);
    EXPECT_EQ(indexed.GetCanvas()->GetPixels(0, 1), clBlue);

    // A 32-bit image keeps its alpha bytes through a file.
    TBitmap alpha;
    alpha.SetPixelFormat(pf32bit);
    alpha.SetSize(2, 2);
    static_cast<std::uint8_t*>(alpha.GetScanLine(0))[3] = 0x80;
    TBitmap read;
    Load(read, Save(alpha));
    EXPECT_EQ(static_cast<std::uint8_t*>(read.GetScanLine(0))[3], 0x80);
}

TEST(GraphicsBitmap, FormatsSizesHandlesAndCopies) {
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.GetEmpty());
    EXPECT_EQ(bitmap.GetPixelFormat(), pfDevice);
    EXPECT_EQ(bitmap.GetHandle(), nullptr);
    bitmap.SetSize(6, 4);
    TCanvas* canvas = bitmap.GetCanvas();
    canvas->GetBrush()->SetColor(clYellow);
    canvas->FillRect(TRect{0, 0, 6, 4});
    canvas->SetPixels(5, 3, clNavy);

    // Growing keeps what was there; new pixels are black.
    bitmap.SetSize(8, 5);
    EXPECT_EQ(canvas->GetPixels(0, 0), clYellow);
    EXPECT_EQ(canvas->GetPixels(5, 3), clNavy);
    EXPECT_EQ(canvas->GetPixels(7, 4), clBlack);
    bitmap.SetWidth(6);
    bitmap.SetHeight(4);

    // Converting to a palette takes the nearest colours; monochrome is black and white.
    TBitmap converted;
    converted.Assign(&bitmap);
    converted.SetPixelFormat(pf4bit);
    EXPECT_EQ(converted.GetCanvas()->GetPixels(0, 0), clYellow);
    EXPECT_EQ(converted.GetCanvas()->GetPixels(5, 3), clNavy);
    converted.SetMonochrome(true);
    EXPECT_EQ(converted.GetPixelFormat(), pf1bit);
    EXPECT_EQ(converted.GetCanvas()->GetPixels(0, 0), clWhite);
    EXPECT_EQ(converted.GetCanvas()->GetPixels(5, 3), clBlack);
    BITMAP info{};
    ASSERT_GT(GetObjectA(converted.GetHandle(), sizeof(info), &info), 0);
    EXPECT_EQ(info.bmBitsPixel, 1);

    // Dormant and FreeImage keep the picture.
    bitmap.Dormant();
    EXPECT_FALSE(bitmap.HandleAllocated());
    EXPECT_EQ(bitmap.GetCanvas()->GetPixels(5, 3), clNavy);
    TBitmap indexed;
    indexed.Assign(&bitmap);
    indexed.SetPixelFormat(pf8bit);
    indexed.FreeImage();
    EXPECT_EQ(indexed.GetCanvas()->GetPixels(5, 3), clNavy);
    EXPECT_EQ(indexed.GetCanvas()->GetPixels(0, 0), clYellow);

    // A handle handed over and taken over.
    HBITMAP handle = bitmap.ReleaseHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(bitmap.GetCanvas()->GetPixels(5, 3), clNavy);
    TBitmap adopted;
    adopted.SetHandle(handle);
    EXPECT_EQ(adopted.GetHandle(), handle);
    EXPECT_EQ(adopted.GetWidth(), 6);
    EXPECT_EQ(adopted.GetCanvas()->GetPixels(5, 3), clNavy);

    // Copies are independent.
    TBitmap copy;
    copy.Assign(&adopted);
    copy.GetCanvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(adopted.GetCanvas()->GetPixels(0, 0), clYellow);
    EXPECT_EQ(copy.GetCanvas()->GetPixels(5, 3), clNavy);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.GetEmpty());
}

TEST(GraphicsBitmap, TransparentDrawingThroughTheMask) {
    // Red all round, a blue 2 x 2 in the middle; the bottom-left pixel decides the
    // transparent colour unless one is fixed.
    TBitmap sprite;
    sprite.SetPixelFormat(pf24bit);
    sprite.SetSize(4, 4);
    sprite.GetCanvas()->GetBrush()->SetColor(clRed);
    sprite.GetCanvas()->FillRect(TRect{0, 0, 4, 4});
    sprite.GetCanvas()->GetBrush()->SetColor(clBlue);
    sprite.GetCanvas()->FillRect(TRect{1, 1, 3, 3});
    EXPECT_EQ(sprite.GetTransparentColor(), clRed);
    EXPECT_EQ(sprite.GetTransparentMode(), tmAuto);

    struct Case {
        const char* Name;
        TTransparentMode Mode;
        TColor Fixed;
        TRect Dest;
        TPoint Opaque, Clear; // a pixel that shows the sprite, one that shows the background
        TColor OpaqueColor;
    };
    const std::vector<Case> cases = {
        {"auto", tmAuto, clDefault, TRect{2, 2, 6, 6}, TPoint{3, 3}, TPoint{2, 2}, clBlue},
        {"fixed blue", tmFixed, clBlue, TRect{2, 2, 6, 6}, TPoint{2, 2}, TPoint{3, 3}, clRed},
        {"auto stretched", tmAuto, clDefault, TRect{0, 0, 8, 8}, TPoint{3, 4}, TPoint{1, 1}, clBlue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Mode == tmFixed)
            sprite.SetTransparentColor(c.Fixed);
        else
            sprite.SetTransparentMode(tmAuto);
        EXPECT_EQ(sprite.GetTransparentMode(), c.Mode);
        TBitmap target;
        target.SetSize(10, 10);
        target.GetCanvas()->GetBrush()->SetColor(clLime);
        target.GetCanvas()->FillRect(TRect{0, 0, 10, 10});
        sprite.SetTransparent(false);
        target.GetCanvas()->StretchDraw(c.Dest, &sprite);
        EXPECT_NE(target.GetCanvas()->GetPixels(c.Clear.x, c.Clear.y), clLime);
        target.GetCanvas()->FillRect(TRect{0, 0, 10, 10});
        sprite.SetTransparent(true);
        target.GetCanvas()->StretchDraw(c.Dest, &sprite);
        EXPECT_EQ(target.GetCanvas()->GetPixels(c.Opaque.x, c.Opaque.y), c.OpaqueColor);
        EXPECT_EQ(target.GetCanvas()->GetPixels(c.Clear.x, c.Clear.y), clLime);
        EXPECT_EQ(target.GetCanvas()->GetPixels(9, 9), clLime);
    }

    // The mask: white where the transparent colour is.
    sprite.SetTransparentColor(clRed);
    TBitmap mask;
    mask.SetHandle(sprite.ReleaseMaskHandle());
    EXPECT_TRUE(mask.GetMonochrome());
    EXPECT_EQ(mask.GetCanvas()->GetPixels(0, 0), clWhite);
    EXPECT_EQ(mask.GetCanvas()->GetPixels(1, 1), clBlack);
}

TEST(GraphicsBitmap, InputThatIsNotABitmapLeavesItAsItWas) {
    const TBmpSpec base{"info 24", 40, 24, BI_RGB, false, {}, pf24bit};
    const Bytes good = BuildBmp(base);
    auto patched = [&](std::size_t at, std::initializer_list<unsigned char> bytes, const Bytes& from) {
        Bytes b = from;
        for (unsigned char v : bytes)
            b[at++] = char(v);
        return b;
    };
    Bytes random;
    unsigned seed = 12345;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245 + 12345;
        random += char(seed >> 16);
    }
    const Bytes rle = BuildBmp(TBmpSpec{"rle", 40, 8, BI_RLE8, false, {}, pf8bit});
    const TBmpSpec bitfields{"bf", 40, 16, BI_BITFIELDS, false, {0xF800, 0x7E0, 0x1F}, pf16bit};
    const Bytes bf = BuildBmp(bitfields);
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"random", random},
        {"random after BM", "BM" + random},
        {"file header only", good.substr(0, 14)},
        {"half a header", good.substr(0, 30)},
        {"headers only", good.substr(0, 54)},
        {"one byte short", good.substr(0, good.size() - 1)},
        {"header size 41", patched(14, {41}, good)},
        {"width 0", patched(18, {0, 0, 0, 0}, good)},
        {"height 0", patched(22, {0, 0, 0, 0}, good)},
        {"two planes", patched(26, {2}, good)},
        {"7 bits", patched(28, {7}, good)},
        {"compression 9", patched(30, {9}, good)},
        {"huge", patched(18, {0, 0, 1, 0, 0, 0, 1, 0}, good)},
        {"negative width", patched(18, {0xFB, 0xFF, 0xFF, 0xFF}, good)},
        {"pixels past the end", patched(10, {0x00, 0x10, 0, 0}, good)},
        {"RLE top-down", patched(22, {0xFD, 0xFF, 0xFF, 0xFF}, rle)},
        {"RLE cut short", rle.substr(0, rle.size() - 6)},
        {"bitfields without masks", patched(54, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, bf)},
        {"300 colours", patched(46, {0x2C, 0x01}, BuildBmp(TBmpSpec{"8", 40, 8, BI_RGB, false, {}, pf8bit}))},
    };
    TBitmap bitmap;
    Load(bitmap, BuildBmp(TBmpSpec{"1", 40, 1, BI_RGB, false, {}, pf1bit}));
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        try {
            Load(bitmap, bytes);
            FAIL() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, "Bitmap image is not valid");
        }
        EXPECT_EQ(bitmap.GetPixelFormat(), pf1bit);
        ExpectPicture(bitmap, 2);
    }

    // A bitmap inside a longer stream: reading stops at its end.
    TStringStream stream(good + "TAIL");
    bitmap.LoadFromStream(&stream);
    EXPECT_EQ(stream.ReadString(4), "TAIL");
    ExpectPicture(bitmap, 4);
}

// An 8-bit run-length BMP of a grey ramp palette with the given run-length data.
Bytes Rle8Bmp(int width, int height, const Bytes& data) {
    Bytes b = "BM";
    const unsigned offBits = 14 + 40 + 256 * 4;
    Put32(b, unsigned(offBits + data.size()));
    Put32(b, 0);
    Put32(b, offBits);
    Put32(b, 40);
    Put32(b, unsigned(width));
    Put32(b, unsigned(height));
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, BI_RLE8);
    Put32(b, unsigned(data.size()));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 256);
    Put32(b, 0);
    for (int i = 0; i < 256; ++i)
        Put32(b, unsigned(i * 0x010101));
    return b + data;
}

TEST(GraphicsBitmap, RunLengthPicturesFarLargerThanTheirDataAreRefused) {
    const Bytes endOfBitmap("\x00\x01", 2);
    // Rows of runs: 2 bytes per 255 pixels of colour 7, then the end of the line.
    auto runs = [](int width, int height) {
        Bytes data;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 255) {
                data += char(std::min(255, width - x));
                data += char(7);
            }
            data += Bytes("\x00\x00", 2);
        }
        return data + Bytes("\x00\x01", 2);
    };
    struct Case {
        const char* Name;
        Bytes File;
        bool Loads;
    };
    const std::vector<Case> cases = {
        {"a megapixel left blank", Rle8Bmp(1024, 1024, endOfBitmap), true},
        {"one row more", Rle8Bmp(1024, 1025, endOfBitmap), false},
        {"64 megapixels in a few bytes", Rle8Bmp(8000, 8000, endOfBitmap), false},
        {"two megapixels of runs", Rle8Bmp(2048, 1024, runs(2048, 1024)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap bitmap;
        try {
            Load(bitmap, c.File);
            EXPECT_TRUE(c.Loads);
        } catch (const EInvalidGraphic& e) {
            EXPECT_FALSE(c.Loads);
            EXPECT_EQ(e.Message, "Bitmap image is not valid");
        }
    }
    TBitmap bitmap;
    Load(bitmap, Rle8Bmp(2048, 1024, runs(2048, 1024)));
    EXPECT_EQ(bitmap.GetWidth(), 2048);
    EXPECT_EQ(bitmap.GetCanvas()->GetPixels(2047, 1023), TColor(0x070707));
}

// ---- Resources and the clipboard -----------------------------------------------------------

std::deque<Bytes>& Kept() {
    static std::deque<Bytes> kept;
    return kept;
}

TEST(GraphicsBitmap, ResourcesAndClipboardBlocks) {
    const Bytes file = BuildBmp(TBmpSpec{"8", 40, 8, BI_RGB, false, {}, pf8bit});
    Kept().push_back(file);
    Kept().push_back(file.substr(14)); // a packed bitmap, as resource compilers store them
    ASSERT_TRUE(RegisterResource(TResourceId("KOV_GRAPHICS_TEST_FILE"), TResourceId(RT_BITMAP),
                                 Kept()[Kept().size() - 2].data(), file.size()));
    ASSERT_TRUE(RegisterResource(TResourceId(4711), TResourceId(RT_BITMAP), Kept().back().data(),
                                 Kept().back().size()));
    TBitmap fromName;
    fromName.LoadFromResourceName(HInstance, "kov_graphics_test_file");
    ExpectPicture(fromName, 4);
    TBitmap fromId;
    fromId.LoadFromResourceID(HInstance, 4711);
    ExpectPicture(fromId, 4);
    EXPECT_THROW(fromId.LoadFromResourceName(HInstance, "KOV_NO_SUCH_BITMAP"), EResNotFound);

    HGLOBAL block = GlobalAlloc(GHND, file.size() - 14);
    std::memcpy(GlobalLock(block), file.data() + 14, file.size() - 14);
    GlobalUnlock(block);
    TBitmap pasted;
    pasted.LoadFromClipboardFormat(CF_DIB, block, nullptr);
    ExpectPicture(pasted, 4);
    GlobalFree(block);

    // Through the clipboard itself.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    Word format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    pasted.SaveToClipboardFormat(format, data, palette);
    SetClipboardData(format, data);
    CloseClipboard();
    ASSERT_TRUE(OpenClipboard(nullptr));
    TBitmap again;
    again.LoadFromClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP), nullptr);
    CloseClipboard();
    ExpectPicture(again, 4);
}

} // namespace

TEST(GraphicsBitmap, HostileFileFromTheFixturesIsRefused) {
    const Bytes file = testsupport::ReadFileBytes(testsupport::FixturePath("fuzz/bitmap-rle-declares-64-megapixels.bmp"));
    ASSERT_FALSE(file.empty());
    TBitmap bitmap;
    try {
        Load(bitmap, file);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "Bitmap image is not valid");
    }
    EXPECT_TRUE(bitmap.GetEmpty());
}
