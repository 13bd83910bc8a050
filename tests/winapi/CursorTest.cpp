// Cursors and icons: the standard and named shapes, cursors and icons made by the program,
// drawing them, the show count and the clip rectangle, and the system's check-box bitmap.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
// A pixel map as Canvas::Map gives it, written one row a line (the line breaks after the
// opening and before the closing quote do not count).
std::string Pixels(const char* rows) {
    std::string map(rows);
    if (!map.empty() && map.front() == '\n') map.erase(0, 1);
    if (!map.empty() && map.back() == '\n') map.pop_back();
    return map;
}

// Whether a pixel of the image is drawn (not left transparent).
bool Inked(const TCursorImage& image, int x, int y) {
    std::size_t i = std::size_t(y) * image.Width + x;
    return image.And[i] == 0 || image.Xor[i] != 0;
}

struct Named {
    const char* Name;
    LPCSTR Id;
};

const std::vector<Named>& StandardCursors() {
    static const std::vector<Named> cursors = {
        {"IDC_ARROW", IDC_ARROW},
        {"IDC_IBEAM", IDC_IBEAM},
        {"IDC_WAIT", IDC_WAIT},
        {"IDC_CROSS", IDC_CROSS},
        {"IDC_UPARROW", IDC_UPARROW},
        {"IDC_SIZE", IDC_SIZE},
        {"IDC_ICON", IDC_ICON},
        {"IDC_SIZENWSE", IDC_SIZENWSE},
        {"IDC_SIZENESW", IDC_SIZENESW},
        {"IDC_SIZEWE", IDC_SIZEWE},
        {"IDC_SIZENS", IDC_SIZENS},
        {"IDC_SIZEALL", IDC_SIZEALL},
        {"IDC_NO", IDC_NO},
        {"IDC_HAND", IDC_HAND},
        {"IDC_APPSTARTING", IDC_APPSTARTING},
        {"IDC_HELP", IDC_HELP},
        {"EXCEL", "EXCEL"},
        {"ZOOMIN", "ZOOMIN"},
        {"ZOOMOUT", "ZOOMOUT"},
        {"QZEDIT_MOUSEWHEEL", "QZEDIT_MOUSEWHEEL"},
        {"pvrHAND", "pvrHAND"},
        {"pvrZOOM", "pvrZOOM"},
        {"pvrFORMAT", "pvrFORMAT"},
        {"DRAG", "DRAG"},
        {"NODROP", "NODROP"},
        {"HSPLIT", "HSPLIT"},
        {"VSPLIT", "VSPLIT"},
        {"MULTIDRAG", "MULTIDRAG"},
        {"SQLWAIT", "SQLWAIT"},
    };
    return cursors;
}

TEST(Cursor, EveryStandardAndNamedCursorIsDrawn) {
    std::set<HCURSOR> handles;
    for (const Named& n : StandardCursors()) {
        SCOPED_TRACE(n.Name);
        HCURSOR cursor = LoadCursorA(nullptr, n.Id);
        ASSERT_NE(nullptr, cursor);
        EXPECT_EQ(cursor, LoadCursorA(nullptr, n.Id)) << "loading again shares the handle";
        handles.insert(cursor);
        TCursorImage image;
        ASSERT_TRUE(CursorGetImage(cursor, image));
        EXPECT_EQ(GetSystemMetrics(SM_CXCURSOR), image.Width);
        EXPECT_EQ(GetSystemMetrics(SM_CYCURSOR), image.Height);
        EXPECT_FALSE(image.Icon);
        // The hot spot lies within what is drawn.
        int left = image.Width, top = image.Height, right = -1, bottom = -1, inked = 0;
        for (int y = 0; y < image.Height; ++y)
            for (int x = 0; x < image.Width; ++x)
                if (Inked(image, x, y)) {
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                    ++inked;
                }
        EXPECT_GT(inked, 20);
        EXPECT_GE(image.HotSpot.x, left);
        EXPECT_LE(image.HotSpot.x, right);
        EXPECT_GE(image.HotSpot.y, top);
        EXPECT_LE(image.HotSpot.y, bottom);
    }
    EXPECT_EQ(StandardCursors().size(), handles.size());
    EXPECT_EQ(LoadCursorA(nullptr, "pvrHAND"), LoadCursorA(nullptr, "PVRhand")) << "names ignore case";
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, 32512));
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadCursorA(nullptr, "NO_SUCH_CURSOR"));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, LoadCursorA(nullptr, 32600));
    EXPECT_EQ(nullptr, LoadCursorA(nullptr, static_cast<LPCSTR>(nullptr)));
}

TEST(Cursor, ArrowShape) {
    TCursorImage arrow;
    ASSERT_TRUE(CursorGetImage(LoadCursorA(nullptr, IDC_ARROW), arrow));
    std::string map;
    for (int y = 0; y < 20; ++y) {
        if (y) map += '\n';
        for (int x = 0; x < 12; ++x) {
            std::size_t i = std::size_t(y) * 32 + x;
            map += arrow.And[i] ? (arrow.Xor[i] ? '~' : '.') : (arrow.Xor[i] ? 'o' : '#');
        }
    }
    EXPECT_EQ(Pixels(R"(
#...........
##..........
#o#.........
#oo#........
#ooo#.......
#oooo#......
#ooooo#.....
#oooooo#....
#ooooooo#...
#oooooooo#..
#ooooo#####.
#oo#oo#.....
#o#.#oo#....
##..#oo#....
#....#oo#...
.....#oo#...
......#oo#..
......#oo#..
.......##...
............
)"),
              map);
    EXPECT_EQ(0, arrow.HotSpot.x);
    EXPECT_EQ(0, arrow.HotSpot.y);
}

TEST(Cursor, StandardIcons) {
    const std::vector<Named> icons = {
        {"IDI_APPLICATION", IDI_APPLICATION}, {"IDI_HAND", IDI_HAND},         {"IDI_QUESTION", IDI_QUESTION},
        {"IDI_EXCLAMATION", IDI_EXCLAMATION}, {"IDI_ASTERISK", IDI_ASTERISK}, {"IDI_WINLOGO", IDI_WINLOGO}};
    for (const Named& n : icons) {
        SCOPED_TRACE(n.Name);
        HICON icon = LoadIconA(nullptr, n.Id);
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(icon, LoadIconA(nullptr, n.Id));
        TCursorImage image;
        ASSERT_TRUE(CursorGetImage(icon, image));
        EXPECT_TRUE(image.Icon);
        EXPECT_EQ(GetSystemMetrics(SM_CXICON), image.Width);
        EXPECT_TRUE(Inked(image, 16, 16));
        EXPECT_FALSE(Inked(image, 0, 0)) << "the corners show what lies behind";
    }
    EXPECT_EQ(LoadIconA(nullptr, IDI_ERROR), LoadIconA(nullptr, IDI_HAND));
    EXPECT_EQ(nullptr, LoadIconA(nullptr, "MAINICON"));
    EXPECT_EQ(nullptr, LoadIconA(nullptr, 32600));
}

TEST(Cursor, MadeFromBitPlanesAndDestroyed) {
    // 16 x 2: row 0 keeps the left half and blacks the right; row 1 inverts the left half and
    // paints the right half white.
    const std::uint8_t andPlane[] = {0xFF, 0x00, 0xFF, 0x00};
    const std::uint8_t xorPlane[] = {0x00, 0x00, 0xFF, 0xFF};
    HCURSOR cursor = CreateCursor(nullptr, 3, 1, 16, 2, andPlane, xorPlane);
    ASSERT_NE(nullptr, cursor);
    TCursorImage image;
    ASSERT_TRUE(CursorGetImage(cursor, image));
    EXPECT_EQ(16, image.Width);
    EXPECT_EQ(2, image.Height);
    EXPECT_EQ(3, image.HotSpot.x);
    EXPECT_EQ(1, image.HotSpot.y);
    EXPECT_EQ(1, image.And[0]);
    EXPECT_EQ(0u, image.Xor[0]);
    EXPECT_EQ(0, image.And[8]);
    EXPECT_EQ(0u, image.Xor[8]);
    EXPECT_EQ(1, image.And[16]);
    EXPECT_EQ(0xFFFFFFu, image.Xor[16]);
    EXPECT_EQ(0, image.And[31]);
    EXPECT_EQ(0xFFFFFFu, image.Xor[31]);

    // Rows are padded to 16 bits: a 9-pixel cursor reads two bytes a row.
    const std::uint8_t andNine[] = {0x00, 0x80, 0xFF, 0x7F};
    const std::uint8_t xorNine[] = {0x00, 0x00, 0x00, 0x00};
    HCURSOR nine = CreateCursor(nullptr, 0, 0, 9, 2, andNine, xorNine);
    ASSERT_TRUE(CursorGetImage(nine, image));
    EXPECT_EQ(1, image.And[8]);
    EXPECT_EQ(1, image.And[9]);
    EXPECT_EQ(0, image.And[17]);

    EXPECT_TRUE(DestroyCursor(cursor));
    EXPECT_FALSE(CursorGetImage(cursor, image));
    SetLastError(0);
    EXPECT_FALSE(DestroyCursor(cursor));
    EXPECT_EQ(ERROR_INVALID_CURSOR_HANDLE, GetLastError());
    EXPECT_TRUE(DestroyCursor(nine));
    // The shared cursors stay.
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_TRUE(DestroyCursor(arrow));
    EXPECT_TRUE(CursorGetImage(arrow, image));
    EXPECT_EQ(nullptr, CreateCursor(nullptr, 0, 0, 0, 2, andPlane, xorPlane));
    EXPECT_EQ(nullptr, CreateCursor(nullptr, 0, 0, 16, 2, nullptr, xorPlane));
}

TEST(Cursor, IconsFromBitmapsRoundTrip) {
    // A 2 x 2 icon: the top-left pixel transparent, the others red, green and blue.
    HBITMAP mask = CreateBitmap(2, 2, 1, 1, nullptr);
    HBITMAP color = CreateBitmap(2, 2, 1, 32, nullptr);
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, mask);
        SetPixelV(dc, 0, 0, RGB(255, 255, 255));
        SelectObject(dc, color);
        SetPixelV(dc, 1, 0, RGB(255, 0, 0));
        SetPixelV(dc, 0, 1, RGB(0, 255, 0));
        SetPixelV(dc, 1, 1, RGB(0, 0, 255));
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    ICONINFO info;
    info.hbmMask = mask;
    info.hbmColor = color;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(color);
    ASSERT_NE(nullptr, icon);
    TCursorImage image;
    ASSERT_TRUE(CursorGetImage(icon, image));
    EXPECT_TRUE(image.Icon);
    EXPECT_EQ((std::vector<std::uint8_t>{1, 0, 0, 0}), image.And);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0xFF0000, 0x00FF00, 0x0000FF}), image.Xor);

    ICONINFO back;
    ASSERT_TRUE(GetIconInfo(icon, &back));
    EXPECT_TRUE(back.fIcon);
    BITMAP bm{};
    ASSERT_TRUE(GetObject(back.hbmColor, sizeof bm, &bm));
    EXPECT_EQ(2, bm.bmWidth);
    HICON again = CreateIconIndirect(&back);
    DeleteObject(back.hbmMask);
    DeleteObject(back.hbmColor);
    TCursorImage copy;
    ASSERT_TRUE(CursorGetImage(again, copy));
    EXPECT_EQ(image.And, copy.And);
    EXPECT_EQ(image.Xor, copy.Xor);

    HICON duplicate = CopyIcon(icon);
    EXPECT_NE(icon, duplicate);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_TRUE(CursorGetImage(duplicate, copy)) << "a copy outlives the original";
    EXPECT_TRUE(DestroyIcon(duplicate));
    EXPECT_TRUE(DestroyIcon(again));
    EXPECT_FALSE(DestroyIcon(icon));

    // A monochrome cursor: the mask holds the AND half over the XOR half.
    HBITMAP mono = CreateBitmap(1, 2, 1, 1, nullptr);
    ICONINFO monoInfo;
    monoInfo.fIcon = FALSE;
    monoInfo.xHotspot = 0;
    monoInfo.hbmMask = mono;
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, mono);
        SetPixelV(dc, 0, 1, RGB(255, 255, 255));
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    HCURSOR cursor = CreateIconIndirect(&monoInfo);
    DeleteObject(mono);
    ASSERT_TRUE(CursorGetImage(cursor, image));
    EXPECT_EQ(1, image.Height);
    EXPECT_EQ(0, image.And[0]);
    EXPECT_EQ(0xFFFFFFu, image.Xor[0]);
    DestroyCursor(cursor);
    EXPECT_EQ(nullptr, CreateIconIndirect(nullptr));
}

// A 4 x 1 cursor with one pixel of each kind: transparent, black, white, inverted.
HCURSOR FourKinds() {
    const std::uint8_t andPlane[] = {0x90, 0x00};
    const std::uint8_t xorPlane[] = {0x30, 0x00};
    return CreateCursor(nullptr, 0, 0, 4, 1, andPlane, xorPlane);
}

TEST(Cursor, DrawIconMasksThenInverts) {
    HCURSOR cursor = FourKinds();
    const COLORREF back = RGB(10, 100, 200);
    const COLORREF inverted = RGB(245, 155, 55);
    Canvas c(10, 3, back);
    // DrawIcon draws at the system size: each pixel of the 4 x 1 cursor becomes 8 x 32.
    Canvas big(40, 40, back);
    ASSERT_TRUE(DrawIcon(big.Dc(), 0, 0, cursor));
    EXPECT_EQ(back, big.Pixel(3, 3));
    EXPECT_EQ(RGB(0, 0, 0), big.Pixel(12, 3));
    EXPECT_EQ(RGB(255, 255, 255), big.Pixel(20, 30));
    EXPECT_EQ(inverted, big.Pixel(31, 31));
    EXPECT_EQ(back, big.Pixel(33, 33));

    ASSERT_TRUE(DrawIconEx(c.Dc(), 1, 1, cursor, 0, 0, 0, nullptr, DI_NORMAL));
    const std::vector<std::pair<COLORREF, char>> legend = {
        {back, '-'}, {RGB(0, 0, 0), '#'}, {RGB(255, 255, 255), 'o'}, {inverted, '~'}};
    EXPECT_EQ(Pixels(R"(
----------
--#o~-----
----------
)"),
              c.Map(legend));
    // Stretched to twice the width.
    Canvas wide(10, 1, back);
    ASSERT_TRUE(DrawIconEx(wide.Dc(), 0, 0, cursor, 8, 1, 0, nullptr, DI_NORMAL));
    EXPECT_EQ("--##oo~~--", wide.Map(legend));
    // The mask alone is copied as it is: white where it keeps, black where it paints.
    Canvas mask(4, 1, back);
    ASSERT_TRUE(DrawIconEx(mask.Dc(), 0, 0, cursor, 0, 0, 0, nullptr, DI_MASK));
    EXPECT_EQ("o##o", mask.Map(legend));
    Canvas image(4, 1, back);
    ASSERT_TRUE(DrawIconEx(image.Dc(), 0, 0, cursor, 0, 0, 0, nullptr, DI_IMAGE));
    EXPECT_EQ("##oo", image.Map(legend));
    // Flicker-free: the icon lands on the brush, and the brush replaces what was behind.
    Canvas buffered(4, 1, back);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    ASSERT_TRUE(DrawIconEx(buffered.Dc(), 0, 0, cursor, 0, 0, 0, red, DI_NORMAL));
    DeleteObject(red);
    EXPECT_EQ(RGB(255, 0, 0), buffered.Pixel(0, 0));
    EXPECT_EQ(RGB(0, 255, 255), buffered.Pixel(3, 0));
    // The context's colours are left as they were.
    EXPECT_EQ(RGB(0, 0, 0), GetTextColor(c.Dc()));
    SetTextColor(c.Dc(), RGB(1, 2, 3));
    DrawIconEx(c.Dc(), 0, 0, cursor, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(c.Dc()));

    EXPECT_FALSE(DrawIconEx(c.Dc(), 0, 0, cursor, 0, 0, 1, nullptr, DI_NORMAL)) << "one frame only";
    EXPECT_FALSE(DrawIconEx(c.Dc(), 0, 0, cursor, 0, 0, 0, nullptr, 0));
    EXPECT_FALSE(DrawIconEx(nullptr, 0, 0, cursor, 0, 0, 0, nullptr, DI_NORMAL));
    DestroyCursor(cursor);
    EXPECT_FALSE(DrawIcon(c.Dc(), 0, 0, cursor));
}

TEST(Cursor, ShowCountAndClipRectangle) {
    int notices = 0;
    TCursorDisplayHook old = SetCursorDisplayHook([&] { ++notices; });
    ResetCursorState();
    EXPECT_EQ(-1, ShowCursor(FALSE));
    EXPECT_EQ(-2, ShowCursor(FALSE));
    EXPECT_EQ(-1, ShowCursor(TRUE));
    EXPECT_EQ(0, ShowCursor(TRUE));
    EXPECT_EQ(1, ShowCursor(TRUE));
    EXPECT_EQ(1, CursorShowCount());
    EXPECT_EQ(5, notices);

    RECT r{};
    ASSERT_TRUE(GetClipCursor(&r));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right - r.left) << "no clip: the whole screen";
    RECT clip{100, 200, 50, 300}; // given with left and right swapped
    ASSERT_TRUE(ClipCursor(&clip));
    ASSERT_TRUE(GetClipCursor(&r));
    EXPECT_EQ(50, r.left);
    EXPECT_EQ(200, r.top);
    EXPECT_EQ(100, r.right);
    EXPECT_EQ(300, r.bottom);
    struct Case {
        POINT In, Out;
    };
    const std::vector<Case> cases = {{{60, 250}, {60, 250}},
                                     {{0, 0}, {50, 200}},
                                     {{500, 500}, {99, 299}},
                                     {{100, 300}, {99, 299}},
                                     {{75, 100}, {75, 200}}};
    for (const Case& c : cases) {
        POINT p = CursorClipPoint(c.In);
        EXPECT_EQ(c.Out.x, p.x) << c.In.x << "," << c.In.y;
        EXPECT_EQ(c.Out.y, p.y) << c.In.x << "," << c.In.y;
    }
    // A rectangle reaching off the screen is cut to it.
    RECT wide{-50, -50, 5000, 20};
    ASSERT_TRUE(ClipCursor(&wide));
    ASSERT_TRUE(GetClipCursor(&r));
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right);
    EXPECT_EQ(20, r.bottom);
    ASSERT_TRUE(ClipCursor(nullptr));
    POINT free = CursorClipPoint({5000, -7});
    EXPECT_EQ(5000, free.x);
    EXPECT_EQ(-7, free.y);
    EXPECT_EQ(8, notices);
    EXPECT_FALSE(GetClipCursor(nullptr));
    ResetCursorState();
    SetCursorDisplayHook(old);
}

// The system check-box bitmap: 4 x 3 cells of 13 pixels in the classic look.
TEST(Cursor, CheckBoxBitmap) {
    HBITMAP boxes = LoadBitmapA(nullptr, OBM_CHECKBOXES);
    ASSERT_NE(nullptr, boxes);
    BITMAP bm{};
    ASSERT_EQ(int(sizeof bm), GetObject(boxes, sizeof bm, &bm));
    EXPECT_EQ(52, bm.bmWidth);
    EXPECT_EQ(39, bm.bmHeight);
    EXPECT_EQ(13, bm.bmWidth / 4);
    EXPECT_EQ(13, bm.bmHeight / 3);
    Canvas c(52, 39);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, boxes);
    BitBlt(c.Dc(), 0, 0, 52, 39, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(boxes);
    // Where the unchecked and the checked box differ is the check mark (the suite's
    // CheckMarkMask).
    std::string differ;
    for (int y = 0; y < 13; ++y) {
        if (y) differ += '\n';
        for (int x = 0; x < 13; ++x)
            differ += c.Pixel(x, y) == c.Pixel(13 + x, y) ? '.' : '#';
    }
    EXPECT_EQ(Pixels(R"(
.............
.............
.............
.........#...
........##...
...#...###...
...##.###....
...#####.....
....###......
.....#.......
.............
.............
.............
)"),
              differ);
    // Each cell is what DrawFrameControl draws for its state on the face colour (in its place,
    // since the dithered wells are phased to the bitmap).
    const UINT kinds[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
    const UINT states[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
    Canvas expected(52, 39, GetSysColor(COLOR_3DFACE));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) {
            RECT r{column * 13, row * 13, column * 13 + 13, row * 13 + 13};
            DrawFrameControl(expected.Dc(), &r, DFC_BUTTON, kinds[row] | states[column]);
        }
    for (int y = 0; y < 39; ++y)
        for (int x = 0; x < 52; ++x)
            ASSERT_EQ(expected.Pixel(x, y), c.Pixel(x, y)) << x << "," << y;
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadBitmapA(nullptr, 32760));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, LoadBitmapA(nullptr, "NO_SUCH_BITMAP"));
}

// Copies a bitmap onto a canvas of its size.
void Show(HBITMAP bitmap, Canvas& c, int x = 0, int y = 0) {
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(c.Dc(), x, y, bm.bmWidth, bm.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

struct NamedBitmap {
    const char* Name;
    int Width, Height;
    COLORREF Transparent; // the colour the controls mask them with
};

const std::vector<NamedBitmap>& NamedBitmaps() {
    constexpr COLORREF white = RGB(255, 255, 255), fuchsia = RGB(255, 0, 255), olive = RGB(128, 128, 0);
    static const std::vector<NamedBitmap> bitmaps = {
        {"QZ_ARROWBITMAP", 5, 9, white},         {"QZ_EDITBITMAP", 5, 9, white},
        {"QZ_INSERTBITMAP", 5, 9, white},        {"QZ_MULTIDOTBITMAP", 5, 9, white},
        {"QZ_MULTIARROWBITMAP", 5, 9, white},    {"QZ_AUTOHIDEON", 12, 12, fuchsia},
        {"QZ_AUTOHIDEOFF", 12, 12, fuchsia},     {"QZMENUIMAGE_CUT", 16, 16, fuchsia},
        {"QZMENUIMAGE_COPY", 16, 16, fuchsia},   {"QZMENUIMAGE_PASTE", 16, 16, fuchsia},
        {"QZMENUIMAGE_DELETE", 16, 16, fuchsia}, {"QZMENUIMAGE_LOAD", 16, 16, fuchsia},
        {"QZMENUIMAGE_SAVE", 16, 16, fuchsia},   {"QZBMBLOB_BLOB_NULL", 18, 16, olive},
        {"QZBMBLOB_BLOB", 18, 16, olive},        {"QZBMBLOB_MEMO_NULL", 18, 16, olive},
        {"QZBMBLOB_MEMO", 18, 16, olive},        {"QZBMBLOB_PICT_NULL", 18, 16, olive},
        {"QZBMBLOB_PICT", 18, 16, olive},        {"QZBMBLOB_OLE_NULL", 18, 16, olive},
        {"QZBMBLOB_OLE", 18, 16, olive},         {"pvrEMPTY", 16, 16, white},
    };
    return bitmaps;
}

// The named bitmaps the controls load from the program's resources.
TEST(Cursor, NamedBitmapsOfTheResources) {
    for (const NamedBitmap& n : NamedBitmaps()) {
        SCOPED_TRACE(n.Name);
        HBITMAP bitmap = LoadBitmapA(nullptr, n.Name);
        ASSERT_NE(nullptr, bitmap);
        BITMAP bm{};
        ASSERT_EQ(int(sizeof bm), GetObject(bitmap, sizeof bm, &bm));
        EXPECT_EQ(n.Width, bm.bmWidth);
        EXPECT_EQ(n.Height, bm.bmHeight);
        EXPECT_EQ(32, bm.bmBitsPixel);
        Canvas c(n.Width, n.Height, RGB(1, 2, 3));
        Show(bitmap, c);
        DeleteObject(bitmap);
        // The background is the colour the controls mask with (those that take the bottom-left
        // pixel find it there), and there is something else to see.
        if (n.Transparent == RGB(255, 0, 255)) {
            EXPECT_EQ(n.Transparent, c.Pixel(0, n.Height - 1));
        }
        int drawn = 0, background = 0;
        for (int y = 0; y < n.Height; ++y)
            for (int x = 0; x < n.Width; ++x) {
                drawn += c.Pixel(x, y) != n.Transparent;
                background += c.Pixel(x, y) == n.Transparent;
            }
        EXPECT_GT(drawn, 4);
        EXPECT_GT(background, 4);
    }
    // The grid's current-row arrow: a black triangle pointing right.
    HBITMAP arrow = LoadBitmapA(nullptr, "qz_arrowbitmap");
    ASSERT_NE(nullptr, arrow);
    Canvas c(5, 9);
    Show(arrow, c);
    DeleteObject(arrow);
    EXPECT_EQ(Pixels(R"(
#....
##...
###..
####.
#####
####.
###..
##...
#....
)"),
              c.Map(RGB(0, 0, 0)));
    // The report engine's preview buttons are its own resource, not the window system's.
    EXPECT_EQ(nullptr, LoadBitmapA(nullptr, "PREVIEWBUTTONS"));
}

TEST(Cursor, NamedBitmapsSheet) {
    const int columns = 8;
    Canvas sheet(404, 24 * int((NamedBitmaps().size() + columns - 1) / columns) + 24, RGB(0, 128, 128));
    int i = 0;
    for (const NamedBitmap& n : NamedBitmaps()) {
        HBITMAP bitmap = LoadBitmapA(nullptr, n.Name);
        if (n.Width > 24) {
            Show(bitmap, sheet, 2, sheet.Height() - 20);
        } else {
            Show(bitmap, sheet, (i % columns) * 24 + 2, (i / columns) * 24 + 2);
            ++i;
        }
        DeleteObject(bitmap);
    }
    gditest::SaveSheet("CursorNamedBitmaps", {&sheet}, 4);
}

// Every cursor and icon on a sheet, on a light and a dark ground, for a person to look at.
TEST(Cursor, Sheet) {
    std::vector<HICON> all;
    for (const Named& n : StandardCursors())
        all.push_back(LoadCursorA(nullptr, n.Id));
    for (LPCSTR id : {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK})
        all.push_back(LoadIconA(nullptr, id));
    const int columns = 12, cell = 36;
    int rows = int(all.size() + columns - 1) / columns;
    Canvas sheet(columns * cell, rows * 2 * cell, RGB(0, 128, 128));
    for (std::size_t i = 0; i < all.size(); ++i) {
        int x = int(i % columns) * cell, y = int(i / columns) * 2 * cell;
        RECT light{x + 1, y + 1, x + cell - 1, y + cell - 1},
            dark{x + 1, y + cell + 1, x + cell - 1, y + 2 * cell - 1};
        HBRUSH l = CreateSolidBrush(RGB(230, 230, 230)), d = CreateSolidBrush(RGB(60, 60, 90));
        FillRect(sheet.Dc(), &light, l);
        FillRect(sheet.Dc(), &dark, d);
        DeleteObject(l);
        DeleteObject(d);
        EXPECT_TRUE(DrawIcon(sheet.Dc(), x + 2, y + 2, all[i]));
        EXPECT_TRUE(DrawIcon(sheet.Dc(), x + 2, y + cell + 2, all[i]));
    }
    gditest::SaveSheet("CursorShapes", {&sheet}, 3);
}

} // namespace
