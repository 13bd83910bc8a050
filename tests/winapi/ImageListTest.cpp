// Image lists: adding with masks and colour keys, replacing, removing, copying, the drawing
// styles of ImageList_DrawEx, overlays, icons, the stored form and the drag image.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/runtime/Streams.h"
#include "platform/winapi/ImageList.h"
#include "tests/winapi/GdiTestImage.h"
#include "tests/winapi/WinTestSupport.h"

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Green = RGB(0, 255, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);
constexpr COLORREF Yellow = RGB(255, 255, 0);
constexpr COLORREF Key = RGB(255, 0, 255);
constexpr COLORREF Gray = RGB(128, 128, 128);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

const std::map<char, COLORREF>& Palette() {
    static const std::map<char, COLORREF> palette{{'R', Red}, {'G', Green}, {'B', Blue},  {'Y', Yellow},
                                                  {'m', Key}, {'g', Gray},  {'W', White}, {'K', Black}};
    return palette;
}

// A 32-bit bitmap from rows of palette letters.
HBITMAP MakeBitmap(std::initializer_list<const char*> rows) {
    std::vector<std::string> lines(rows.begin(), rows.end());
    int height = int(lines.size()), width = int(lines[0].size());
    std::vector<std::uint32_t> bits;
    for (const std::string& line : lines)
        for (char c : line) {
            COLORREF color = Palette().at(c);
            bits.push_back(std::uint32_t(GetBValue(color)) | (std::uint32_t(GetGValue(color)) << 8) |
                           (std::uint32_t(GetRValue(color)) << 16));
        }
    return CreateBitmap(width, height, 1, 32, bits.data());
}

// A monochrome mask from rows of '#' (transparent, white) and '.' (opaque, black).
HBITMAP MakeMask(std::initializer_list<const char*> rows) {
    std::vector<std::string> lines(rows.begin(), rows.end());
    int height = int(lines.size()), width = int(lines[0].size());
    int stride = ((width + 15) / 16) * 2;
    std::vector<std::uint8_t> bits(std::size_t(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (lines[y][x] == '#') bits[std::size_t(y) * stride + x / 8] |= std::uint8_t(0x80 >> (x % 8));
    return CreateBitmap(width, height, 1, 1, bits.data());
}

std::vector<std::pair<COLORREF, char>> Legend(std::vector<std::pair<COLORREF, char>> extra = {}) {
    std::vector<std::pair<COLORREF, char>> legend = std::move(extra);
    for (const auto& [c, color] : Palette())
        legend.push_back({color, c});
    return legend;
}

// The image drawn opaque on a fresh canvas, as a pixel map.
std::string Drawn(HIMAGELIST list, int index, UINT style = ILD_NORMAL, COLORREF bk = CLR_NONE,
                  COLORREF fg = CLR_DEFAULT) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    gditest::Canvas canvas(cx, cy, Gray);
    EXPECT_TRUE(ImageList_DrawEx(list, index, canvas.Dc(), 0, 0, 0, 0, bk, fg, style));
    return canvas.Map(Legend());
}

// The colour at (1, 1) of each image, one letter per image.
std::string Letters(HIMAGELIST list) {
    std::string out;
    for (int i = 0; i < ImageList_GetImageCount(list); ++i) {
        gditest::Canvas canvas(4, 4, Gray);
        ImageList_DrawEx(list, i, canvas.Dc(), 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_NORMAL);
        out += canvas.Map(Legend())[5];
    }
    return out;
}

struct ListGuard {
    HIMAGELIST List;
    explicit ListGuard(HIMAGELIST list) : List(list) {}
    ~ListGuard() {
        if (List) ImageList_Destroy(List);
    }
};

TEST(ImageListTest, AddTakesImagesFromStripsWithMasksOrColourKeys) {
    ListGuard masked(ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 1, 1));
    HBITMAP strip = MakeBitmap({"mRRRBBBm", "RRRRBBBB", "RRRRBBBB", "RRRmmBBB"});
    EXPECT_EQ(ImageList_AddMasked(masked.List, strip, Key), 0);
    EXPECT_EQ(ImageList_GetImageCount(masked.List), 2);
    EXPECT_EQ(Drawn(masked.List, 0), gditest::Rows({"gRRR", "RRRR", "RRRR", "RRRg"}));
    EXPECT_EQ(Drawn(masked.List, 1), gditest::Rows({"BBBg", "BBBB", "BBBB", "gBBB"}));
    // The caller's bitmap keeps its key colour; the stored image is black behind the mask.
    EXPECT_EQ(Drawn(masked.List, 0, ILD_IMAGE), gditest::Rows({"KRRR", "RRRR", "RRRR", "RRRK"}));
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, strip);
        EXPECT_EQ(GetPixel(dc, 0, 0), Key);
        SelectObject(dc, old);
        DeleteDC(dc);
    }

    // CLR_DEFAULT keys on the top-left pixel; a mask bitmap marks transparency with white.
    HBITMAP corner = MakeBitmap({"YGGG", "GGGG", "GGGG", "GGGY"});
    EXPECT_EQ(ImageList_AddMasked(masked.List, corner, CLR_DEFAULT), 2);
    EXPECT_EQ(Drawn(masked.List, 2), gditest::Rows({"gGGG", "GGGG", "GGGG", "GGGg"}));
    HBITMAP mask = MakeMask({"##..", "#...", "....", "...."});
    EXPECT_EQ(ImageList_Add(masked.List, corner, mask), 3);
    EXPECT_EQ(Drawn(masked.List, 3), gditest::Rows({"ggGG", "gGGG", "GGGG", "GGGY"}));

    // A list without masks ignores both and draws every image opaque, even "transparently".
    ListGuard plain(ImageList_Create(4, 4, ILC_COLOR32, 1, 1));
    EXPECT_EQ(ImageList_Add(plain.List, corner, mask), 0);
    EXPECT_EQ(ImageList_AddMasked(plain.List, strip, Key), 1);
    EXPECT_EQ(Drawn(plain.List, 0, ILD_TRANSPARENT), gditest::Rows({"YGGG", "GGGG", "GGGG", "GGGY"}));
    EXPECT_EQ(Drawn(plain.List, 1, ILD_TRANSPARENT), gditest::Rows({"mRRR", "RRRR", "RRRR", "RRRm"}));

    // A bitmap narrower than an image fills the rest transparently.
    HBITMAP narrow = MakeBitmap({"RR", "RR"});
    EXPECT_EQ(ImageList_Add(masked.List, narrow, nullptr), 4);
    EXPECT_EQ(Drawn(masked.List, 4), gditest::Rows({"RRgg", "RRgg", "gggg", "gggg"}));
    EXPECT_EQ(ImageList_Add(masked.List, nullptr, nullptr), -1);

    DeleteObject(strip);
    DeleteObject(corner);
    DeleteObject(mask);
    DeleteObject(narrow);
}

TEST(ImageListTest, DrawExStyles) {
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    auto mix = [](COLORREF a, COLORREF b, int percentOfB) {
        auto c = [&](int x, int y) { return BYTE((x * (100 - percentOfB) + y * percentOfB + 50) / 100); };
        return RGB(c(GetRValue(a), GetRValue(b)), c(GetGValue(a), GetGValue(b)),
                   c(GetBValue(a), GetBValue(b)));
    };
    std::vector<std::pair<COLORREF, char>> extra{{mix(Red, White, 50), 'p'},
                                                 {mix(Red, highlight, 25), 'h'},
                                                 {mix(Red, Gray, 50), 'd'},
                                                 {mix(Blue, White, 50), 'q'}};
    struct Case {
        const char* Name;
        UINT Style;
        COLORREF Bk, Fg, ListBk;
        const char* Row0; // the top row: a transparent pixel, then three red ones
        int Cx = 0;
    };
    std::vector<Case> cases{
        {"normal, no background", ILD_NORMAL, CLR_NONE, CLR_DEFAULT, CLR_NONE, "gRRR"},
        {"normal, own background", ILD_NORMAL, Yellow, CLR_DEFAULT, CLR_NONE, "YRRR"},
        {"normal, the list's background", ILD_NORMAL, CLR_DEFAULT, CLR_DEFAULT, Green, "GRRR"},
        {"normal, list without background", ILD_NORMAL, CLR_DEFAULT, CLR_DEFAULT, CLR_NONE, "gRRR"},
        {"transparent despite a background", ILD_TRANSPARENT, Yellow, CLR_DEFAULT, Green, "gRRR"},
        {"mask", ILD_MASK, CLR_NONE, CLR_DEFAULT, CLR_NONE, "WKKK"},
        {"mask ANDed", ILD_MASK | ILD_TRANSPARENT, CLR_NONE, CLR_DEFAULT, CLR_NONE, "gKKK"},
        {"image without mask", ILD_IMAGE, Yellow, CLR_DEFAULT, CLR_NONE, "KRRR"},
        {"blend 50 with white", ILD_BLEND50 | ILD_TRANSPARENT, CLR_NONE, White, CLR_NONE, "gppp"},
        {"blend 25 with highlight", ILD_FOCUS, CLR_NONE, CLR_DEFAULT, CLR_NONE, "ghhh"},
        {"blend 50 with destination", ILD_SELECTED, CLR_NONE, CLR_NONE, CLR_NONE, "gddd"},
        {"overlay 1 on top", ILD_TRANSPARENT | INDEXTOOVERLAYMASK(1), CLR_NONE, CLR_DEFAULT, CLR_NONE,
         "gRRB"},
        {"overlay blended too", ILD_BLEND50 | INDEXTOOVERLAYMASK(1), CLR_NONE, White, CLR_NONE, "gppq"},
        {"unused overlay slot", ILD_TRANSPARENT | INDEXTOOVERLAYMASK(2), CLR_NONE, CLR_DEFAULT, CLR_NONE,
         "gRRR"},
        {"clNone's value as both colours", ILD_TRANSPARENT, 0x1FFFFFFF, 0x1FFFFFFF, Green, "gRRR"},
        {"part of the image", ILD_TRANSPARENT, CLR_NONE, CLR_DEFAULT, CLR_NONE, "gRgg", 2},
    };
    ListGuard list(ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 2, 2));
    HBITMAP strip = MakeBitmap({"mRRRmmmB", "RRRRmmmm", "RRRRmmmm", "RRRRmmmm"});
    ASSERT_EQ(ImageList_AddMasked(list.List, strip, Key), 0);
    ASSERT_TRUE(ImageList_SetOverlayImage(list.List, 1, 1));
    std::vector<std::unique_ptr<gditest::Canvas>> images;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ImageList_SetBkColor(list.List, c.ListBk);
        images.push_back(std::make_unique<gditest::Canvas>(4, 4, Gray));
        gditest::Canvas& canvas = *images.back();
        ASSERT_TRUE(ImageList_DrawEx(list.List, 0, canvas.Dc(), 0, 0, c.Cx, c.Cx, c.Bk, c.Fg, c.Style));
        EXPECT_EQ(canvas.Map(Legend(extra)).substr(0, 4), c.Row0);
    }
    std::vector<const gditest::Canvas*> sheet;
    for (const auto& image : images)
        sheet.push_back(image.get());
    gditest::SaveSheet("ImageList_DrawExStyles", sheet);

    // ImageList_Draw is DrawEx with default colours; an index outside the list draws nothing.
    ImageList_SetBkColor(list.List, Yellow);
    gditest::Canvas canvas(6, 6, Gray);
    EXPECT_TRUE(ImageList_Draw(list.List, 0, canvas.Dc(), 1, 1, ILD_NORMAL));
    EXPECT_EQ(canvas.Pixel(1, 1), Yellow);
    EXPECT_EQ(canvas.Pixel(0, 0), Gray);
    EXPECT_FALSE(ImageList_Draw(list.List, 2, canvas.Dc(), 0, 0, ILD_NORMAL));
    EXPECT_EQ(canvas.Pixel(0, 0), Gray);
    // ILD_ROP through the parameter block: the image, without mask, XORed in.
    canvas.Fill(Gray);
    IMAGELISTDRAWPARAMS params;
    params.himl = list.List;
    params.i = 0;
    params.hdcDst = canvas.Dc();
    params.x = 1;
    params.y = 1;
    params.fStyle = ILD_ROP;
    params.dwRop = SRCINVERT;
    EXPECT_TRUE(ImageList_DrawIndirect(&params));
    EXPECT_EQ(canvas.Pixel(1, 1), Gray);               // black stored behind the mask
    EXPECT_EQ(canvas.Pixel(2, 1), RGB(127, 128, 128)); // red XOR grey
    DeleteObject(strip);
}

TEST(ImageListTest, ReplaceRemoveCopyAndCounts) {
    ListGuard list(ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 1, 1));
    HBITMAP strip = MakeBitmap({"RRRRGGGGBBBB", "RRRRGGGGBBBB", "RRRRGGGGBBBB", "RRRRGGGGBBBB"});
    HBITMAP yellow = MakeBitmap({"YYYY", "YYYY", "YYYY", "YYYY"});
    ASSERT_EQ(ImageList_Add(list.List, strip, nullptr), 0);
    struct Step {
        const char* Name;
        std::function<BOOL()> Action;
        const char* Expected;
    };
    HIMAGELIST h = list.List;
    std::vector<Step> steps{
        {"swap 0 and 2", [&] { return ImageList_Copy(h, 0, h, 2, ILCF_SWAP); }, "BGR"},
        {"copy 1 over 0", [&] { return ImageList_Copy(h, 0, h, 1, ILCF_MOVE); }, "GGR"},
        {"remove 1", [&] { return ImageList_Remove(h, 1); }, "GR"},
        {"replace 0", [&] { return ImageList_Replace(h, 0, yellow, nullptr); }, "YR"},
        {"replace outside", [&] { return !ImageList_Replace(h, 2, yellow, nullptr); }, "YR"},
        {"copy outside", [&] { return !ImageList_Copy(h, 0, h, 5, ILCF_MOVE); }, "YR"},
        {"grow by one (transparent)", [&] { return ImageList_SetImageCount(h, 3); }, "YRg"},
        {"add after growing", [&] { return ImageList_Add(h, strip, nullptr) == 3; }, "YRgRGB"},
        {"shrink", [&] { return ImageList_SetImageCount(h, 2); }, "YR"},
        {"remove all", [&] { return ImageList_Remove(h, -1); }, ""},
        {"remove from empty", [&] { return !ImageList_Remove(h, 0); }, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Name);
        EXPECT_TRUE(step.Action());
        EXPECT_EQ(Letters(h), step.Expected);
    }
    // A new size drops the images; info points into the list's own bitmaps.
    ASSERT_EQ(ImageList_Add(h, strip, nullptr), 0);
    IMAGEINFO info;
    ASSERT_TRUE(ImageList_GetImageInfo(h, 2, &info));
    EXPECT_EQ(info.rcImage.left, 8);
    EXPECT_EQ(info.rcImage.right, 12);
    EXPECT_NE(info.hbmImage, nullptr);
    EXPECT_NE(info.hbmMask, nullptr);
    EXPECT_TRUE(ImageList_SetIconSize(h, 2, 3));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(h, &cx, &cy);
    EXPECT_EQ(cx, 2);
    EXPECT_EQ(cy, 3);
    EXPECT_EQ(ImageList_GetImageCount(h), 0);
    EXPECT_EQ(ImageList_Create(0, 4, ILC_MASK, 1, 1), nullptr);
    DeleteObject(strip);
    DeleteObject(yellow);
}

TEST(ImageListTest, IconsGoInAndOutWithTheirMasks) {
    ListGuard list(ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 1, 1));
    HBITMAP image = MakeBitmap({"mBBB", "BBBB", "BBBB", "BBBm"});
    ImageList_AddMasked(list.List, image, Key);
    HICON icon = ImageList_GetIcon(list.List, 0, ILD_NORMAL);
    ASSERT_NE(icon, nullptr);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmMask);
    EXPECT_EQ(GetPixel(dc, 0, 0), White); // transparent
    EXPECT_EQ(GetPixel(dc, 1, 0), Black);
    SelectObject(dc, info.hbmColor);
    EXPECT_EQ(GetPixel(dc, 1, 1), Blue);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);

    // Into a list of twice the size: scaled, the mask with it; -1 appends, an index replaces.
    ListGuard large(ImageList_Create(8, 8, ILC_MASK | ILC_COLOR32, 1, 1));
    EXPECT_EQ(ImageList_AddIcon(large.List, icon), 0);
    EXPECT_EQ(Drawn(large.List, 0), gditest::Rows({"ggBBBBBB", "ggBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB",
                                                   "BBBBBBBB", "BBBBBBgg", "BBBBBBgg"}));
    EXPECT_EQ(ImageList_ReplaceIcon(large.List, 0, icon), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(large.List, 3, icon), -1);
    EXPECT_EQ(ImageList_GetImageCount(large.List), 1);
    DestroyIcon(icon);
    DeleteObject(image);
}

TEST(ImageListTest, StoredFormRoundTripsAndRejectsDamage) {
    ListGuard list(ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 1, 1));
    HBITMAP strip = MakeBitmap({"mRRRGGGm", "RRRRGGGG", "RRRRGGGG", "RRRmmGGG"});
    ImageList_AddMasked(list.List, strip, Key);
    ImageList_SetBkColor(list.List, Yellow);
    ImageList_SetOverlayImage(list.List, 1, 3);
    TMemoryStream stream;
    stream.WriteBuffer("xy", 2);
    ASSERT_TRUE(ImageList_Write(list.List, &stream));
    stream.WriteBuffer("tail", 4);
    std::string bytes(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));

    stream.SetPosition(2);
    ListGuard copy(ImageList_Read(&stream));
    ASSERT_NE(copy.List, nullptr);
    EXPECT_EQ(stream.GetPosition(), Int64(bytes.size()) - 4); // just after the list
    EXPECT_EQ(ImageList_GetImageCount(copy.List), 2);
    EXPECT_EQ(ImageList_GetBkColor(copy.List), Yellow);
    EXPECT_EQ(ImageList_GetFlags(copy.List) & ILC_MASK, ILC_MASK);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Drawn(copy.List, i, ILD_TRANSPARENT), Drawn(list.List, i, ILD_TRANSPARENT));
    }
    EXPECT_EQ(Drawn(copy.List, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(3)),
              gditest::Rows({"GGGR", "GGGG", "GGGG", "RGGG"}));
    // Writing the copy gives the same bytes: the form is stable.
    TMemoryStream again;
    ASSERT_TRUE(ImageList_Write(copy.List, &again));
    EXPECT_EQ(std::string(static_cast<const char*>(again.GetMemory()), std::size_t(again.GetSize())),
              bytes.substr(2, bytes.size() - 6));

    struct Damage {
        const char* Name;
        std::string Bytes;
    };
    std::string body = bytes.substr(2, bytes.size() - 6);
    std::string hugeCount = body;
    hugeCount[16] = '\xFF';
    hugeCount[17] = '\xFF';
    std::vector<Damage> damaged{{"empty", ""},
                                {"other signature", "KIL2" + body.substr(4)},
                                {"cut in the header", body.substr(0, 20)},
                                {"cut in the pixels", body.substr(0, body.size() - 10)},
                                {"count beyond the data", hugeCount},
                                {"random bytes", std::string("\x13\x99\x00\xFE garbage", 12)}};
    for (const Damage& d : damaged) {
        SCOPED_TRACE(d.Name);
        TStringStream in(d.Bytes);
        HIMAGELIST read = ImageList_Read(&in);
        EXPECT_EQ(read, nullptr);
        if (read) ImageList_Destroy(read);
    }
    DeleteObject(strip);
}

class ImageListDragTest : public wintest::WinTest {
protected:
    void TearDown() override {
        ImageList_EndDrag();
        wintest::WinTest::TearDown();
    }
};

TEST_F(ImageListDragTest, DragImageFollowsThePointerInItsOwnWindow) {
    ListGuard list(ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 1, 1));
    HBITMAP image = MakeBitmap({"mRRR", "RRRR", "RRRR", "RRRm"});
    ImageList_AddMasked(list.List, image, Key);
    EXPECT_FALSE(ImageList_DragEnter(nullptr, 0, 0)); // no drag yet
    ASSERT_TRUE(ImageList_BeginDrag(list.List, 0, 1, 2));
    EXPECT_EQ(ImageListDragWindow(), nullptr); // not shown before DragEnter

    HWND lock = Make(WS_POPUP | WS_VISIBLE, 50, 60, 100, 100);
    ASSERT_TRUE(ImageList_DragEnter(lock, 10, 10));
    HWND window = ImageListDragWindow();
    ASSERT_NE(window, nullptr);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 50 + 10 - 1);
    EXPECT_EQ(r.top, 60 + 10 - 2);
    EXPECT_EQ(r.right - r.left, 4);
    EXPECT_EQ(r.bottom - r.top, 4);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The transparent corners are cut out of the window; the pointer passes through it.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(window, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 1, 0));
    EXPECT_FALSE(PtInRegion(region, 3, 3));
    DeleteObject(region);
    EXPECT_EQ(SendMessageA(window, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_NE(GetActiveWindow(), window);

    ASSERT_TRUE(ImageList_DragMove(20, 30));
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 50 + 20 - 1);
    EXPECT_EQ(r.top, 60 + 30 - 2);
    POINT at{}, hot{};
    EXPECT_NE(ImageList_GetDragImage(&at, &hot), nullptr);
    EXPECT_EQ(at.x, 20);
    EXPECT_EQ(hot.y, 2);

    ImageList_DragShowNolock(FALSE);
    EXPECT_EQ(ImageListDragWindow(), nullptr);
    ImageList_DragShowNolock(TRUE);
    ASSERT_NE(ImageListDragWindow(), nullptr);
    ImageList_DragLeave(lock);
    EXPECT_EQ(ImageListDragWindow(), nullptr);

    // A cursor image merged in with its hot spot on the drag image's: the image grows.
    ListGuard cursor(ImageList_Create(3, 3, ILC_MASK | ILC_COLOR32, 1, 1));
    HBITMAP arrow = MakeBitmap({"BBB", "BBB", "BBB"});
    ImageList_Add(cursor.List, arrow, nullptr);
    ASSERT_TRUE(ImageList_SetDragCursorImage(cursor.List, 0, 0, 0));
    HIMAGELIST merged = ImageList_GetDragImage(nullptr, &hot);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(merged, &cx, &cy);
    EXPECT_EQ(cx, 4); // x: 0..4 and 1..4
    EXPECT_EQ(cy, 5); // y: 0..4 and 2..5
    EXPECT_EQ(hot.x, 1);
    EXPECT_EQ(hot.y, 2);
    EXPECT_EQ(Drawn(merged, 0), gditest::Rows({"gRRR", "RRRR", "RBBB", "RBBB", "gBBB"}));

    ImageList_EndDrag();
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    EXPECT_FALSE(ImageList_DragMove(1, 1));
    DeleteObject(image);
    DeleteObject(arrow);
}

} // namespace
