// Objects and device contexts: handles, stock objects, GetObject, selection and deletion,
// compatible bitmaps, DIB scan lines, SaveDC/RestoreDC, device capabilities, system colours.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/winapi/GdiObjects.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;

TEST(GdiObjects, StockObjectsAreStableAndNeverFreed) {
    struct Case {
        int index;
        DWORD type;
        COLORREF color;
    };
    const std::vector<Case> cases = {
        {WHITE_BRUSH, OBJ_BRUSH, RGB(255, 255, 255)}, {LTGRAY_BRUSH, OBJ_BRUSH, RGB(192, 192, 192)},
        {GRAY_BRUSH, OBJ_BRUSH, RGB(128, 128, 128)},  {DKGRAY_BRUSH, OBJ_BRUSH, RGB(64, 64, 64)},
        {BLACK_BRUSH, OBJ_BRUSH, RGB(0, 0, 0)},       {WHITE_PEN, OBJ_PEN, RGB(255, 255, 255)},
        {BLACK_PEN, OBJ_PEN, RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        HGDIOBJ h = GetStockObject(c.index);
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(h, GetStockObject(c.index));
        EXPECT_EQ(c.type, GetObjectType(h));
        EXPECT_TRUE(DeleteObject(h));
        EXPECT_EQ(c.type, GetObjectType(h)) << "a stock object outlives DeleteObject";
        if (c.type == OBJ_BRUSH) {
            LOGBRUSH lb;
            ASSERT_EQ(int(sizeof(LOGBRUSH)), GetObject(h, sizeof(lb), &lb));
            EXPECT_EQ(BS_SOLID, lb.lbStyle);
            EXPECT_EQ(c.color, lb.lbColor);
        } else {
            LOGPEN lp;
            ASSERT_EQ(int(sizeof(LOGPEN)), GetObject(h, sizeof(lp), &lp));
            EXPECT_EQ(UINT(PS_SOLID), lp.lopnStyle);
            EXPECT_EQ(c.color, lp.lopnColor);
        }
    }
    LOGBRUSH nullBrush;
    GetObject(GetStockObject(NULL_BRUSH), sizeof(nullBrush), &nullBrush);
    EXPECT_EQ(BS_NULL, nullBrush.lbStyle);
    LOGPEN nullPen;
    GetObject(GetStockObject(NULL_PEN), sizeof(nullPen), &nullPen);
    EXPECT_EQ(UINT(PS_NULL), nullPen.lopnStyle);
    EXPECT_EQ(nullptr, GetStockObject(99));
    EXPECT_EQ(nullptr, GetStockObject(-1));
}

TEST(GdiObjects, DescriptionsOfPensBrushesAndBitmaps) {
    HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
    LOGPEN lp;
    ASSERT_EQ(int(sizeof(LOGPEN)), GetObject(pen, sizeof(lp), &lp));
    EXPECT_EQ(UINT(PS_DASH), lp.lopnStyle);
    EXPECT_EQ(1, lp.lopnWidth.x);
    EXPECT_EQ(RGB(1, 2, 3), lp.lopnColor);
    EXPECT_EQ(0, GetObject(pen, sizeof(lp) - 1, &lp));
    EXPECT_EQ(int(sizeof(LOGPEN)), GetObject(pen, 0, nullptr));
    EXPECT_EQ(nullptr, CreatePen(PS_ALTERNATE, 1, 0)) << "only ExtCreatePen makes alternate pens";

    LOGBRUSH solid{BS_SOLID, RGB(9, 8, 7), 0};
    const DWORD dashes[] = {2, 1};
    HPEN ext =
        ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT | PS_JOIN_MITER, 5, &solid, 2, dashes);
    ASSERT_NE(nullptr, ext);
    EXPECT_EQ(OBJ_EXTPEN, GetObjectType(ext));
    std::vector<char> buffer(GetObject(ext, 0, nullptr));
    ASSERT_GE(buffer.size(), sizeof(EXTLOGPEN));
    ASSERT_EQ(int(buffer.size()), GetObject(ext, int(buffer.size()), buffer.data()));
    auto* elp = reinterpret_cast<EXTLOGPEN*>(buffer.data());
    EXPECT_EQ(DWORD(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT | PS_JOIN_MITER), elp->elpPenStyle);
    EXPECT_EQ(5u, elp->elpWidth);
    EXPECT_EQ(RGB(9, 8, 7), elp->elpColor);
    ASSERT_EQ(2u, elp->elpNumEntries);
    EXPECT_EQ(1u, elp->elpStyleEntry[1]);
    // Cosmetic pens are one pixel wide and solid-coloured.
    EXPECT_EQ(nullptr, ExtCreatePen(PS_COSMETIC | PS_SOLID, 2, &solid, 0, nullptr));
    EXPECT_EQ(nullptr, ExtCreatePen(PS_GEOMETRIC | PS_ALTERNATE, 1, &solid, 0, nullptr));
    EXPECT_EQ(nullptr, ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 3, &solid, 0, nullptr));

    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(5, 5, 5));
    LOGBRUSH lb;
    ASSERT_EQ(int(sizeof(LOGBRUSH)), GetObject(hatch, sizeof(lb), &lb));
    EXPECT_EQ(BS_HATCHED, lb.lbStyle);
    EXPECT_EQ(ULONG_PTR(HS_DIAGCROSS), lb.lbHatch);
    EXPECT_EQ(nullptr, CreateHatchBrush(6, 0));

    const WORD bits[] = {0x5500, 0xAA00, 0x5500, 0xAA00, 0x5500, 0xAA00, 0x5500, 0xAA00};
    HBITMAP mono = CreateBitmap(8, 8, 1, 1, bits);
    HBRUSH pattern = CreatePatternBrush(mono);
    ASSERT_EQ(int(sizeof(LOGBRUSH)), GetObject(pattern, sizeof(lb), &lb));
    EXPECT_EQ(BS_PATTERN, lb.lbStyle);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(mono), lb.lbHatch);
    LOGBRUSH indirect{BS_HATCHED, RGB(1, 1, 1), HS_CROSS};
    HBRUSH viaIndirect = CreateBrushIndirect(&indirect);
    GetObject(viaIndirect, sizeof(lb), &lb);
    EXPECT_EQ(BS_HATCHED, lb.lbStyle);
    EXPECT_EQ(ULONG_PTR(HS_CROSS), lb.lbHatch);

    BITMAP bm;
    ASSERT_EQ(int(sizeof(BITMAP)), GetObject(mono, sizeof(bm), &bm));
    EXPECT_EQ(8, bm.bmWidth);
    EXPECT_EQ(1, bm.bmBitsPixel);
    EXPECT_EQ(2, bm.bmWidthBytes) << "monochrome rows are padded to 16 bits";
    EXPECT_EQ(nullptr, bm.bmBits);
    HBITMAP wide = CreateBitmap(17, 3, 1, 1, nullptr);
    GetObject(wide, sizeof(bm), &bm);
    EXPECT_EQ(4, bm.bmWidthBytes);

    Canvas canvas(5, 3);
    DIBSECTION ds;
    ASSERT_EQ(int(sizeof(DIBSECTION)), GetObject(canvas.Bitmap(), sizeof(ds), &ds));
    EXPECT_EQ(5, ds.dsBm.bmWidth);
    EXPECT_EQ(32, ds.dsBm.bmBitsPixel);
    EXPECT_EQ(20, ds.dsBm.bmWidthBytes);
    EXPECT_EQ(static_cast<const void*>(canvas.Bits()), ds.dsBm.bmBits);
    EXPECT_EQ(-3, ds.dsBmih.biHeight);
    ASSERT_EQ(int(sizeof(BITMAP)), GetObject(canvas.Bitmap(), sizeof(bm), &bm));

    for (HGDIOBJ h : {(HGDIOBJ)pen, (HGDIOBJ)ext, (HGDIOBJ)hatch, (HGDIOBJ)pattern, (HGDIOBJ)viaIndirect,
                      (HGDIOBJ)mono, (HGDIOBJ)wide})
        EXPECT_TRUE(DeleteObject(h));
    EXPECT_EQ(0u, GetObjectType(pen)) << "a freed handle names nothing";
    EXPECT_EQ(0, GetObject(pen, sizeof(lp), &lp));
}

TEST(GdiObjects, SelectionAndDeletion) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(OBJ_MEMDC, GetObjectType(dc));
    EXPECT_EQ(GetStockObject(BLACK_PEN), GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(dc, OBJ_BRUSH));
    BITMAP bm;
    GetObject(GetCurrentObject(dc, OBJ_BITMAP), sizeof(bm), &bm);
    EXPECT_EQ(1, bm.bmWidth);
    EXPECT_EQ(1, bm.bmHeight);
    EXPECT_EQ(1, bm.bmBitsPixel) << "a new memory context holds a 1x1 monochrome bitmap";

    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    EXPECT_EQ(GetStockObject(BLACK_PEN), SelectObject(dc, pen));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), SelectObject(dc, brush));
    EXPECT_EQ(pen, SelectObject(dc, pen));
    EXPECT_FALSE(DeleteObject(pen)) << "a selected pen is kept";
    EXPECT_EQ(OBJ_PEN, GetObjectType(pen));
    EXPECT_EQ(pen, SelectObject(dc, GetStockObject(BLACK_PEN)));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(nullptr, SelectObject(dc, pen)) << "a freed handle cannot be selected";

    // A state saved with SaveDC holds its objects too.
    int level = SaveDC(dc);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_TRUE(RestoreDC(dc, level));
    EXPECT_EQ(brush, GetCurrentObject(dc, OBJ_BRUSH));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    EXPECT_TRUE(DeleteObject(brush));

    // A bitmap lives in one memory context at a time.
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    HDC other = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_NE(nullptr, old);
    EXPECT_EQ(nullptr, SelectObject(other, bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    SelectObject(dc, old);
    EXPECT_NE(nullptr, SelectObject(other, bitmap));
    EXPECT_TRUE(DeleteDC(other)) << "deleting the context lets the bitmap go";
    EXPECT_EQ(0u, GetObjectType(other));
    EXPECT_TRUE(DeleteObject(bitmap));

    EXPECT_FALSE(DeleteObject(dc)) << "contexts go with DeleteDC";
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(nullptr, SelectObject(dc, GetStockObject(BLACK_PEN)));
}

TEST(GdiObjects, CompatibleBitmapsFollowTheContext) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP bm;
    HBITMAP fromFresh = CreateCompatibleBitmap(dc, 3, 2);
    GetObject(fromFresh, sizeof(bm), &bm);
    EXPECT_EQ(1, bm.bmBitsPixel) << "compatible with the 1x1 monochrome bitmap of a new memory context";
    HBITMAP colour = CreateCompatibleBitmap(nullptr, 3, 2);
    GetObject(colour, sizeof(bm), &bm);
    EXPECT_EQ(32, bm.bmBitsPixel);
    HGDIOBJ old = SelectObject(dc, colour);
    HBITMAP fromColour = CreateCompatibleBitmap(dc, 5, 5);
    GetObject(fromColour, sizeof(bm), &bm);
    EXPECT_EQ(32, bm.bmBitsPixel);
    EXPECT_EQ(3, GetDeviceCaps(dc, HORZRES));
    HBITMAP empty = CreateCompatibleBitmap(dc, 0, 7);
    GetObject(empty, sizeof(bm), &bm);
    EXPECT_EQ(1, bm.bmWidth);
    EXPECT_EQ(1, bm.bmBitsPixel);
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(dc, -1, 7));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(dc, 1 << 16, 1 << 16)) << "too large";
    SelectObject(dc, old);
    DeleteDC(dc);
    for (HBITMAP b : {fromFresh, colour, fromColour})
        EXPECT_TRUE(DeleteObject(b));
}

TEST(GdiObjects, DeviceCapsOfImageContexts) {
    Canvas canvas(300, 150);
    struct Case {
        int index, value;
    };
    const std::vector<Case> cases = {
        {LOGPIXELSX, 96},
        {LOGPIXELSY, 96},
        {BITSPIXEL, 32},
        {PLANES, 1},
        {HORZRES, 300},
        {VERTRES, 150},
        {TECHNOLOGY, DT_RASDISPLAY},
        {HORZSIZE, 79},
        {VERTSIZE, 40},
        {NUMCOLORS, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, GetDeviceCaps(canvas.Dc(), c.index)) << c.index;
    int raster = GetDeviceCaps(canvas.Dc(), RASTERCAPS);
    EXPECT_TRUE(raster & RC_BITBLT);
    EXPECT_TRUE(raster & RC_STRETCHBLT);
    EXPECT_TRUE(raster & RC_DI_BITMAP);
    EXPECT_EQ(0, GetDeviceCaps(nullptr, LOGPIXELSX));
}

TEST(GdiObjects, SaveAndRestoreTheState) {
    Canvas canvas(4, 4);
    HDC dc = canvas.Dc();
    SetTextColor(dc, RGB(1, 1, 1));
    SetBkMode(dc, TRANSPARENT);
    int first = SaveDC(dc);
    EXPECT_EQ(1, first);
    SetTextColor(dc, RGB(2, 2, 2));
    SetWindowOrgEx(dc, 5, 6, nullptr);
    SetROP2(dc, R2_XORPEN);
    int second = SaveDC(dc);
    EXPECT_EQ(2, second);
    SetTextColor(dc, RGB(3, 3, 3));
    SetBkMode(dc, OPAQUE);
    SetPolyFillMode(dc, WINDING);
    EXPECT_EQ(3, SaveDC(dc));

    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(RGB(3, 3, 3), GetTextColor(dc));
    EXPECT_EQ(WINDING, GetPolyFillMode(dc));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(RGB(2, 2, 2), GetTextColor(dc));
    EXPECT_EQ(R2_XORPEN, GetROP2(dc));
    EXPECT_EQ(ALTERNATE, GetPolyFillMode(dc));
    POINT org;
    GetWindowOrgEx(dc, &org);
    EXPECT_EQ(5, org.x);

    SaveDC(dc);
    SaveDC(dc);
    EXPECT_TRUE(RestoreDC(dc, first)) << "a positive level goes back to that state and drops the later ones";
    EXPECT_EQ(RGB(1, 1, 1), GetTextColor(dc));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    EXPECT_EQ(R2_COPYPEN, GetROP2(dc));
    GetWindowOrgEx(dc, &org);
    EXPECT_EQ(0, org.x);
    EXPECT_FALSE(RestoreDC(dc, -1)) << "nothing left to restore";
    EXPECT_FALSE(RestoreDC(dc, 0));
    EXPECT_FALSE(RestoreDC(dc, 5));

    // The setters answer with the old value and refuse values outside their range.
    EXPECT_EQ(R2_COPYPEN, SetROP2(dc, R2_NOT));
    EXPECT_EQ(0, SetROP2(dc, 17));
    EXPECT_EQ(R2_NOT, GetROP2(dc));
    EXPECT_EQ(0, SetBkMode(dc, 3));
    EXPECT_EQ(BLACKONWHITE, SetStretchBltMode(dc, HALFTONE));
    EXPECT_EQ(AD_COUNTERCLOCKWISE, SetArcDirection(dc, AD_CLOCKWISE));
    EXPECT_EQ(MM_TEXT, SetMapMode(dc, MM_TEXT));
    EXPECT_EQ(0, SetMapMode(dc, MM_LOMETRIC)) << "only the pixel mapping is provided";
    EXPECT_EQ(MM_TEXT, GetMapMode(dc));
    EXPECT_EQ(TA_LEFT | TA_TOP, SetTextAlign(dc, TA_CENTER | TA_BASELINE));
    EXPECT_EQ(TA_CENTER | TA_BASELINE, GetTextAlign(dc));
    EXPECT_EQ(RGB(255, 255, 255), SetBkColor(dc, RGB(0, 0, 9)));
    EXPECT_EQ(RGB(0, 0, 9), GetBkColor(dc));
    EXPECT_EQ(CLR_INVALID, SetBkColor(nullptr, 0));
    POINT old;
    EXPECT_TRUE(OffsetViewportOrgEx(dc, 3, -2, &old));
    EXPECT_TRUE(OffsetViewportOrgEx(dc, 1, 1, &old));
    EXPECT_EQ(3, old.x);
    EXPECT_EQ(-2, old.y);
    GetViewportOrgEx(dc, &org);
    EXPECT_EQ(4, org.x);
    EXPECT_EQ(-1, org.y);
}

TEST(GdiObjects, DibScanLinesRoundTrip) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
    // A bottom-up 24-bit DIB: the first scan line is the bottom row.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = 3;
    info.h.biHeight = 2;
    info.h.biPlanes = 1;
    info.h.biBitCount = 24;
    const unsigned char rows[] = {
        0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0, // bottom: red, green, blue, padding
        255, 255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0, // top: white, black, grey, padding
    };
    auto* bmi = reinterpret_cast<BITMAPINFO*>(&info);
    EXPECT_EQ(2, SetDIBits(dc, bitmap, 0, 2, rows, bmi, DIB_RGB_COLORS));
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 0, 0));
    EXPECT_EQ(RGB(128, 128, 128), GetPixel(dc, 2, 0));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 0, 1));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 2, 1));
    SelectObject(dc, old);

    // Read back top-down as 32-bit.
    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(2, GetDIBits(dc, bitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS));
    EXPECT_EQ(3, query.bmiHeader.biWidth);
    EXPECT_EQ(32, query.bmiHeader.biBitCount);
    query.bmiHeader.biHeight = -2;
    std::uint32_t out[6] = {};
    EXPECT_EQ(2, GetDIBits(dc, bitmap, 0, 2, out, &query, DIB_RGB_COLORS));
    EXPECT_EQ(0x00FFFFFFu, out[0] & 0x00FFFFFF);
    EXPECT_EQ(0x00808080u, out[2] & 0x00FFFFFF);
    EXPECT_EQ(0x00FF0000u, out[3] & 0x00FFFFFF) << "red";
    EXPECT_EQ(0x000000FFu, out[5] & 0x00FFFFFF) << "blue";

    // A 4-bit DIB through its colour table into a monochrome bitmap: nearer of black and white.
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, nullptr);
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[16];
    } pal{};
    pal.h.biSize = sizeof(BITMAPINFOHEADER);
    pal.h.biWidth = 4;
    pal.h.biHeight = 1;
    pal.h.biPlanes = 1;
    pal.h.biBitCount = 4;
    pal.h.biClrUsed = 2;
    pal.colors[0] = {200, 220, 240, 0}; // light
    pal.colors[1] = {40, 10, 90, 0};    // dark
    const unsigned char nibbles[] = {0x01, 0x10, 0, 0};
    EXPECT_EQ(1,
              SetDIBits(nullptr, mono, 0, 1, nibbles, reinterpret_cast<BITMAPINFO*>(&pal), DIB_RGB_COLORS));
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } one{};
    one.h.biSize = sizeof(BITMAPINFOHEADER);
    one.h.biWidth = 4;
    one.h.biHeight = 1;
    one.h.biPlanes = 1;
    one.h.biBitCount = 1;
    unsigned char bits[4] = {};
    EXPECT_EQ(1, GetDIBits(dc, mono, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(&one), DIB_RGB_COLORS));
    EXPECT_EQ(0x90, bits[0]) << "white, black, black, white";
    EXPECT_EQ(255, one.colors[1].rgbRed);
    EXPECT_EQ(0, one.colors[0].rgbRed);

    EXPECT_EQ(0, GetDIBits(nullptr, mono, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(&one), DIB_RGB_COLORS));
    EXPECT_EQ(0, SetDIBits(dc, mono, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(&one), DIB_PAL_COLORS));
    DeleteObject(mono);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(GdiObjects, DibSectionsTopDownAndBottomUp) {
    for (LONG height : {3, -3}) {
        SCOPED_TRACE(height);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 2;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(nullptr, bitmap);
        ASSERT_NE(nullptr, bits);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SetPixel(dc, 1, 0, RGB(0x11, 0x22, 0x33));
        auto* words = static_cast<std::uint32_t*>(bits);
        // B, G, R, x in memory: the word reads 0x00RRGGBB.
        std::size_t topRow = height < 0 ? 0 : 2;
        EXPECT_EQ(0x00112233u, words[topRow * 2 + 1]) << "row 0 is the top row of the image";
        words[(height < 0 ? 2 : 0) * 2] = 0x00445566;
        EXPECT_EQ(RGB(0x44, 0x55, 0x66), GetPixel(dc, 0, 2)) << "the caller's writes show through";
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    BITMAPINFO eight{};
    eight.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    eight.bmiHeader.biWidth = 2;
    eight.bmiHeader.biHeight = 2;
    eight.bmiHeader.biBitCount = 8;
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &eight, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(nullptr, bits);
}

TEST(GdiObjects, StockSlotsAreTakenOnce) {
    auto brush = std::make_shared<GdiBrush>();
    EXPECT_FALSE(GdiRegisterStockObject(WHITE_BRUSH, brush));
    EXPECT_FALSE(GdiRegisterStockObject(40, brush));
    EXPECT_EQ(nullptr, brush->Handle);
}

TEST(GdiObjects, SystemColoursResolveWhenDrawn) {
    Canvas canvas(2, 1);
    HDC dc = canvas.Dc();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(RGB(212, 208, 200), face);
    EXPECT_EQ(RGB(255, 255, 255), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(0u, GetSysColor(31));
    HBRUSH brush = CreateSolidBrush(0xFF000000 | COLOR_BTNFACE);
    RECT r{0, 0, 1, 1};
    FillRect(dc, &r, brush);
    EXPECT_EQ(face, canvas.Pixel(0, 0));

    const INT index[] = {COLOR_BTNFACE};
    const COLORREF changed[] = {RGB(10, 20, 30)};
    ASSERT_TRUE(SetSysColors(1, index, changed));
    FillRect(dc, &r, brush);
    EXPECT_EQ(RGB(10, 20, 30), canvas.Pixel(0, 0)) << "the same brush takes the new colour";
    LOGBRUSH lb;
    GetObject(brush, sizeof(lb), &lb);
    EXPECT_EQ(0xFF000000 | COLOR_BTNFACE, lb.lbColor) << "the brush keeps the system colour, not its value";
    // A system colour index + 1 stands for its brush.
    RECT second{1, 0, 2, 1};
    FillRect(dc, &second, reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNFACE + 1)));
    EXPECT_EQ(RGB(10, 20, 30), canvas.Pixel(1, 0));
    const COLORREF original[] = {face};
    ASSERT_TRUE(SetSysColors(1, index, original));
    const INT bad[] = {40};
    EXPECT_FALSE(SetSysColors(1, bad, original));
    EXPECT_TRUE(DeleteObject(brush));
    // Palette forms draw as plain colours.
    EXPECT_EQ(RGB(1, 2, 3), SetPixel(dc, 0, 0, PALETTERGB(1, 2, 3)));
    EXPECT_EQ(RGB(1, 2, 3), canvas.Pixel(0, 0));
}

} // namespace
