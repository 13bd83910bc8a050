// Enhanced metafiles: a scene recorded and played back draws the same pixels as the scene
// drawn directly (at the picture's own size, from memory and from its stream), scaled
// playback, the records as enumerated (text and its position among them), the header, files,
// and streams that are damaged or made up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiMetafile.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;

constexpr int W = 160, H = 120;
constexpr COLORREF Paper = RGB(255, 255, 240);

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL, int escapement = 0,
               bool underline = false, bool strike = false) {
    return CreateFontA(height, 0, escapement, escapement, weight, 0, underline, strike, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

// A memory context over a small bitmap of its own, for the sources of blits.
class Source {
public:
    Source(int width, int height, bool mono) {
        FBitmap =
            mono ? CreateBitmap(width, height, 1, 1, nullptr) : CreateBitmap(width, height, 1, 32, nullptr);
        FDc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDc, FBitmap);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF c = mono ? ((x + y) % 3 ? RGB(255, 255, 255) : RGB(0, 0, 0))
                                  : RGB(BYTE(x * 20), BYTE(y * 25), BYTE(255 - x * 10));
                SetPixelV(FDc, x, y, c);
            }
    }
    ~Source() {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        DeleteObject(FBitmap);
    }
    HDC Dc() const { return FDc; }
    HBITMAP Bitmap() const { return FBitmap; }

private:
    HBITMAP FBitmap;
    HDC FDc;
    HGDIOBJ FOld;
};

void Swap(HDC dc, HGDIOBJ object, std::vector<HGDIOBJ>& made) {
    SelectObject(dc, object);
    made.push_back(object);
}

// Something of every kind of drawing call: origins, pens, brushes, mix modes, shapes,
// regions, clipping, saved states, blits, pixels, paths and text.
void Scene(HDC dc) {
    std::vector<HGDIOBJ> made;
    HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN), oldBrush = GetCurrentObject(dc, OBJ_BRUSH),
            oldFont = GetCurrentObject(dc, OBJ_FONT);
    SetViewportOrgEx(dc, 3, 2, nullptr);
    SetWindowOrgEx(dc, -1, 1, nullptr);

    // Pens.
    Swap(dc, CreatePen(PS_DASH, 1, RGB(200, 0, 0)), made);
    SetBkColor(dc, RGB(0, 200, 255));
    MoveToEx(dc, 2, 3, nullptr);
    LineTo(dc, 70, 9);
    LOGBRUSH solid{BS_SOLID, RGB(0, 128, 0), 0};
    Swap(dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 5, &solid, 0, nullptr),
         made);
    POINT zig[] = {{5, 20}, {20, 12}, {35, 25}, {50, 14}};
    Polyline(dc, zig, 4);
    DWORD user[] = {4, 2, 1, 2};
    LOGBRUSH hatched{BS_HATCHED, RGB(0, 0, 255), HS_DIAGCROSS};
    Swap(dc, ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 3, &hatched, 4, user), made);
    MoveToEx(dc, 75, 4, nullptr);
    LineTo(dc, 150, 16);
    Swap(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), made);

    // Brushes and shapes.
    Swap(dc, CreateHatchBrush(HS_CROSS, RGB(255, 0, 255)), made);
    SetBkMode(dc, TRANSPARENT);
    Rectangle(dc, 60, 20, 90, 45);
    SetBkMode(dc, OPAQUE);
    const unsigned char monoBits[] = {0xAA, 0, 0x55, 0, 0xF0, 0, 0x0F, 0, 0xCC, 0, 0x33, 0, 0x81, 0, 0x7E, 0};
    HBITMAP monoPattern = CreateBitmap(8, 8, 1, 1, monoBits);
    Swap(dc, CreatePatternBrush(monoPattern), made);
    SetTextColor(dc, RGB(128, 0, 0));
    Ellipse(dc, 92, 18, 130, 44);
    Source colourPattern(4, 3, false);
    Swap(dc, CreatePatternBrush(colourPattern.Bitmap()), made);
    SetBrushOrgEx(dc, 3, 5, nullptr);
    RoundRect(dc, 132, 18, 158, 46, 9, 7);
    Swap(dc, CreateSolidBrush(RGB(250, 200, 0)), made);
    SetArcDirection(dc, AD_CLOCKWISE);
    Pie(dc, 2, 30, 30, 58, 30, 30, 2, 58);
    SetArcDirection(dc, AD_COUNTERCLOCKWISE);
    Chord(dc, 30, 48, 58, 70, 58, 48, 30, 70);
    Arc(dc, 58, 48, 90, 70, 90, 60, 60, 48);
    SetPolyFillMode(dc, WINDING);
    POINT star[] = {{100, 50}, {110, 78}, {88, 60}, {114, 60}, {92, 78}};
    Polygon(dc, star, 5);
    SetROP2(dc, R2_XORPEN);
    Swap(dc, CreatePen(PS_SOLID, 3, RGB(0, 255, 255)), made);
    Rectangle(dc, 84, 40, 120, 56);
    SetROP2(dc, R2_COPYPEN);
    POINT lines[] = {{120, 50}, {150, 52}, {150, 70}, {122, 52}, {140, 72}};
    INT counts[] = {3, 2};
    PolyPolygon(dc, lines, counts, 2);

    // Saved states, clipping and regions.
    int saved = SaveDC(dc);
    IntersectClipRect(dc, 0, 70, 80, 118);
    ExcludeClipRect(dc, 20, 80, 30, 90);
    RECT band{-5, 72, 90, 100};
    FillRect(dc, &band, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    Ellipse(dc, 40, 76, 100, 110);
    RestoreDC(dc, saved);
    HRGN ellipse = CreateEllipticRgn(2, 96, 40, 118);
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    made.push_back(green);
    FillRgn(dc, ellipse, green);
    FrameRgn(dc, ellipse, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 2, 1);
    OffsetRgn(ellipse, 10, -4);
    InvertRgn(dc, ellipse);
    SetROP2(dc, R2_NOTXORPEN);
    PaintRgn(dc, ellipse);
    SetROP2(dc, R2_COPYPEN);
    DeleteObject(ellipse);
    RECT inv{44, 100, 60, 116};
    InvertRect(dc, &inv);
    PatBlt(dc, 48, 84, 30, 12, PATINVERT);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, RGB(10, 90, 200));
    Rectangle(dc, 62, 100, 74, 112);
    SetDCBrushColor(dc, RGB(200, 90, 10));
    Rectangle(dc, 70, 104, 82, 116);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));

    // Blits.
    Source colour(12, 10, false), mono(9, 7, true);
    BitBlt(dc, 84, 80, 12, 10, colour.Dc(), 0, 0, SRCCOPY);
    BitBlt(dc, 90, 86, 12, 10, colour.Dc(), 0, 0, SRCINVERT);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 100, 80, 24, 15, colour.Dc(), 2, 1, 8, 6, SRCCOPY);
    SetStretchBltMode(dc, BLACKONWHITE);
    StretchBlt(dc, 126, 80, 6, 5, colour.Dc(), 0, 0, 12, 10, SRCCOPY);
    StretchBlt(dc, 146, 80, -10, 8, colour.Dc(), 0, 0, 10, 8, SRCCOPY);
    SetTextColor(dc, RGB(0, 0, 160));
    SetBkColor(dc, RGB(255, 230, 230));
    BitBlt(dc, 100, 98, 9, 7, mono.Dc(), 0, 0, SRCCOPY);
    BitBlt(dc, 112, 98, 12, 10, colour.Dc(), 6, 4, SRCCOPY); // partly outside the source
    MaskBlt(dc, 126, 98, 9, 7, colour.Dc(), 1, 1, mono.Bitmap(), 0, 0, MAKEROP4(SRCCOPY, DSTINVERT));
    TransparentBlt(dc, 138, 98, 18, 14, colour.Dc(), 0, 0, 12, 10, RGB(0, 25, 255));
    SetPixelV(dc, 150, 40, RGB(255, 0, 0));
    SetPixelV(dc, 151, 41, 0xFF000000 | COLOR_WINDOWTEXT);

    // Paths.
    Swap(dc, CreatePen(PS_SOLID, 2, RGB(90, 0, 90)), made);
    Swap(dc, CreateHatchBrush(HS_BDIAGONAL, RGB(0, 90, 90)), made);
    BeginPath(dc);
    MoveToEx(dc, 2, 60, nullptr);
    LineTo(dc, 20, 66);
    LineTo(dc, 8, 74);
    CloseFigure(dc);
    Ellipse(dc, 20, 58, 44, 74);
    Rectangle(dc, 30, 62, 40, 72);
    EndPath(dc);
    StrokeAndFillPath(dc);
    BeginPath(dc);
    Arc(dc, 120, 20, 150, 40, 150, 30, 120, 30);
    EndPath(dc);
    StrokePath(dc);

    // Text.
    SetBkColor(dc, RGB(220, 255, 220));
    SetTextColor(dc, RGB(0, 0, 0));
    Swap(dc, MakeFont("Arial", -12), made);
    TextOutA(dc, 4, 38, "Metafile", 8);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 70, 66, "Centre", 6);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_UPDATECP);
    MoveToEx(dc, 100, 4, nullptr);
    TextOutA(dc, 0, 0, "Up", 2);
    TextOutA(dc, 0, 0, "CP", 2);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    SetBkMode(dc, OPAQUE);
    RECT box{2, 84, 40, 96};
    ExtTextOutA(dc, 4, 84, ETO_OPAQUE | ETO_CLIPPED, &box, "Clipped text", 12, nullptr);
    Swap(dc, MakeFont("Times New Roman", -13, FW_BOLD, 0, true, true), made);
    SetTextCharacterExtra(dc, 1);
    TextOutA(dc, 100, 100, "Bold", 4);
    SetTextCharacterExtra(dc, 0);
    Swap(dc, MakeFont("Arial", -11, FW_NORMAL, 900), made);
    TextOutA(dc, 150, 115, "Up", 2);
    Swap(dc, MakeFont("\xE5\xAE\x8B\xE4\xBD\x93", -12), made);
    const char* chinese = "\xE4\xB8\xAD\xE6\x96\x87 OK";
    TextOutA(dc, 40, 102, chinese, int(std::strlen(chinese)));
    Swap(dc, MakeFont("Tahoma", -11), made);
    RECT para{4, 40, 60, 60};
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, "&Word wrapped text in a box", -1, &para, DT_WORDBREAK | DT_CENTER);
    RECT internal{60, 4, 100, 20};
    DrawTextA(dc, "Sys", -1, &internal, DT_INTERNAL | DT_SINGLELINE);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
    for (HGDIOBJ object : made)
        DeleteObject(object);
    DeleteObject(monoPattern);
}

// The frame of a W x H picture at 96 pixels per inch, in hundredths of a millimetre.
RECT FrameOf(int width, int height) {
    return {0, 0, LONG(width * 2540 / 96.0 + 0.5), LONG(height * 2540 / 96.0 + 0.5)};
}

HENHMETAFILE Record(void (*scene)(HDC), const RECT* frame) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, frame, "KOV-571\0Scene\0");
    EXPECT_NE(dc, nullptr);
    scene(dc);
    return CloseEnhMetaFile(dc);
}

int Differences(const Canvas& a, const Canvas& b) {
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            n += a.Bits()[std::size_t(y) * a.Width() + x] != b.Bits()[std::size_t(y) * b.Width() + x];
    return n;
}

// Every record of a picture, copied.
std::vector<std::vector<std::uint8_t>> Records(HENHMETAFILE picture) {
    std::vector<std::vector<std::uint8_t>> out;
    auto collect = [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
        auto* list = reinterpret_cast<std::vector<std::vector<std::uint8_t>>*>(data);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(record);
        list->emplace_back(bytes, bytes + record->nSize);
        return 1;
    };
    EXPECT_TRUE(EnumEnhMetaFile(nullptr, picture, collect, &out, nullptr));
    return out;
}

template <class T> T Field(const std::vector<std::uint8_t>& record, std::size_t at) {
    T v{};
    std::memcpy(&v, record.data() + at, sizeof(T));
    return v;
}

struct TextRecord {
    std::u16string Text;
    POINT Reference;
    RECT Bounds;
    std::vector<INT> Dx;
};

std::vector<TextRecord> TextRecords(HENHMETAFILE picture) {
    std::vector<TextRecord> out;
    for (const auto& r : Records(picture)) {
        if (Field<DWORD>(r, 0) != EMR_EXTTEXTOUTW) continue;
        EMREXTTEXTOUTW t;
        std::memcpy(&t, r.data(), sizeof(t));
        TextRecord text;
        text.Reference = t.emrtext.ptlReference;
        text.Bounds = t.rclBounds;
        text.Text.resize(t.emrtext.nChars);
        std::memcpy(text.Text.data(), r.data() + t.emrtext.offString, t.emrtext.nChars * 2);
        text.Dx.resize(t.emrtext.nChars);
        std::memcpy(text.Dx.data(), r.data() + t.emrtext.offDx, t.emrtext.nChars * 4);
        out.push_back(text);
    }
    return out;
}

TEST(GdiMetafileTest, PlaybackAtItsOwnSizeDrawsTheScenePixelForPixel) {
    Canvas direct(W, H, Paper), played(W, H, Paper), fromBounds(W, H, Paper);
    Scene(direct.Dc());

    RECT frame = FrameOf(W, H);
    HENHMETAFILE picture = Record(Scene, &frame);
    ASSERT_NE(picture, nullptr);
    RECT all{0, 0, W, H};
    ASSERT_TRUE(PlayEnhMetaFile(played.Dc(), picture, &all));

    // Without a frame the picture spans what was drawn: played into that box it is the same.
    HENHMETAFILE unframed = Record(Scene, nullptr);
    ENHMETAHEADER header;
    ASSERT_EQ(GetEnhMetaFileHeader(unframed, sizeof(header), &header), sizeof(header));
    RECT bounds{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1,
                header.rclBounds.bottom + 1};
    ASSERT_TRUE(PlayEnhMetaFile(fromBounds.Dc(), unframed, &bounds));

    gditest::SaveSheet("GdiMetafile_Playback", {&direct, &played, &fromBounds}, 4);
    EXPECT_EQ(Differences(direct, played), 0);
    EXPECT_EQ(Differences(direct, fromBounds), 0);
    // The scene did draw something of each colour family.
    EXPECT_GT(Differences(direct, Canvas(W, H, Paper)), 4000);
    DeleteEnhMetaFile(picture);
    DeleteEnhMetaFile(unframed);
}

TEST(GdiMetafileTest, StreamRoundTripPlaysTheSamePixels) {
    RECT frame = FrameOf(W, H);
    HENHMETAFILE picture = Record(Scene, &frame);
    UINT size = GetEnhMetaFileBits(picture, 0, nullptr);
    ASSERT_GT(size, sizeof(ENHMETAHEADER));
    std::vector<BYTE> bytes(size);
    ASSERT_EQ(GetEnhMetaFileBits(picture, size, bytes.data()), size);
    EXPECT_EQ(GetEnhMetaFileBits(picture, size - 1, bytes.data()), 0u);
    // The picture-file test of the report's picture loader: " EMF" at byte 40.
    EXPECT_EQ(Field<DWORD>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), 40), 0x464D4520u);

    HENHMETAFILE copy = SetEnhMetaFileBits(size, bytes.data());
    ASSERT_NE(copy, nullptr);
    std::vector<BYTE> again(size);
    ASSERT_EQ(GetEnhMetaFileBits(copy, size, again.data()), size);
    EXPECT_EQ(again, bytes);

    Canvas original(W, H, Paper), restored(W, H, Paper);
    RECT all{0, 0, W, H};
    ASSERT_TRUE(PlayEnhMetaFile(original.Dc(), picture, &all));
    ASSERT_TRUE(PlayEnhMetaFile(restored.Dc(), copy, &all));
    EXPECT_EQ(Differences(original, restored), 0);
    EXPECT_EQ(GetObjectType(copy), OBJ_ENHMETAFILE);
    EXPECT_TRUE(DeleteEnhMetaFile(copy));
    EXPECT_FALSE(DeleteEnhMetaFile(copy));
    DeleteEnhMetaFile(picture);
}

TEST(GdiMetafileTest, TextRecordsCarryTheTextItsPositionAndItsCells) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(GetObjectType(dc), OBJ_ENHMETADC);
    HFONT font = MakeFont("Arial", -16);
    SelectObject(dc, font);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    SetViewportOrgEx(dc, 7, 5, nullptr);
    TextOutA(dc, 10, 20, "Hello", 5);
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    SIZE extent;
    GetTextExtentPoint32A(dc, "World", 5, &extent);
    TextOutA(dc, 200, 100, "World", 5);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const char16_t wide[] = u"\u4E2D\u6587\U0001F600";
    ExtTextOutW(dc, 30, 60, 0, nullptr, wide, 4, nullptr);
    RECT r{0, 120, 100, 140};
    DrawTextA(dc, "Line one\nLine two", -1, &r, 0);
    HENHMETAFILE picture = CloseEnhMetaFile(dc);
    DeleteObject(font);
    ASSERT_NE(picture, nullptr);

    std::vector<TextRecord> texts = TextRecords(picture);
    ASSERT_EQ(texts.size(), 5u);
    // The reference point is the start of the baseline, in the recording's logical units.
    EXPECT_EQ(texts[0].Text, u"Hello");
    EXPECT_EQ(texts[0].Reference.x, 10);
    EXPECT_EQ(texts[0].Reference.y, 20 + tm.tmAscent);
    // Its cells in device units (the viewport moved them), inclusive.
    EXPECT_EQ(texts[0].Bounds.left, 17);
    EXPECT_EQ(texts[0].Bounds.top, 25);
    EXPECT_EQ(texts[0].Bounds.bottom, 25 + tm.tmHeight - 1);
    SIZE hello;
    HDC screen = CreateCompatibleDC(nullptr);
    HFONT same = MakeFont("Arial", -16);
    HGDIOBJ old = SelectObject(screen, same);
    GetTextExtentPoint32A(screen, "Hello", 5, &hello);
    SelectObject(screen, old);
    DeleteObject(same);
    DeleteDC(screen);
    EXPECT_EQ(texts[0].Bounds.right, 17 + hello.cx - 1);
    int sum = 0;
    for (INT d : texts[0].Dx)
        sum += d;
    EXPECT_EQ(sum, hello.cx);

    EXPECT_EQ(texts[1].Text, u"World");
    EXPECT_EQ(texts[1].Reference.x, 200 - extent.cx);
    EXPECT_EQ(texts[1].Reference.y, 100 - tm.tmDescent);

    // A character beyond the basic plane takes two units, the second advancing by nothing.
    EXPECT_EQ(texts[2].Text, std::u16string(wide));
    ASSERT_EQ(texts[2].Dx.size(), 4u);
    EXPECT_GT(texts[2].Dx[2], 0);
    EXPECT_EQ(texts[2].Dx[3], 0);

    EXPECT_EQ(texts[3].Text, u"Line one");
    EXPECT_EQ(texts[4].Text, u"Line two");
    EXPECT_EQ(texts[4].Reference.y - texts[3].Reference.y, tm.tmHeight);

    // The header counts what the enumeration hands out.
    ENHMETAHEADER header;
    GetEnhMetaFileHeader(picture, sizeof(header), &header);
    auto records = Records(picture);
    EXPECT_EQ(header.nRecords, records.size());
    EXPECT_EQ(Field<DWORD>(records.front(), 0), EMR_HEADER);
    EXPECT_EQ(Field<DWORD>(records.back(), 0), EMR_EOF);
    EXPECT_EQ(header.nBytes, GetEnhMetaFileBits(picture, 0, nullptr));
    DeleteEnhMetaFile(picture);
}

TEST(GdiMetafileTest, HeaderDescribesBoundsFrameReferenceAndDescription) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "KOV-571\0Picture\0");
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASDISPLAY);
    Rectangle(dc, 10, 20, 106, 68); // pixels 10..105 by 20..67
    HENHMETAFILE picture = CloseEnhMetaFile(dc);
    std::vector<BYTE> bytes(GetEnhMetaFileBits(picture, 0, nullptr));
    GetEnhMetaFileBits(picture, UINT(bytes.size()), bytes.data());

    ENHMETAHEADER h;
    EXPECT_EQ(GetEnhMetaFileHeader(picture, 0, nullptr), sizeof(ENHMETAHEADER));
    ASSERT_EQ(GetEnhMetaFileHeader(picture, sizeof(h), &h), sizeof(h));
    EXPECT_EQ(h.iType, EMR_HEADER);
    EXPECT_EQ(h.dSignature, ENHMETA_SIGNATURE);
    EXPECT_EQ(h.rclBounds.left, 10);
    EXPECT_EQ(h.rclBounds.top, 20);
    EXPECT_EQ(h.rclBounds.right, 105);
    EXPECT_EQ(h.rclBounds.bottom, 67);
    // 96 pixels per inch: 96 pixels are 2540 hundredths of a millimetre.
    EXPECT_EQ(h.rclFrame.left, 265);
    EXPECT_EQ(h.rclFrame.top, 529);
    EXPECT_EQ(h.rclFrame.right - h.rclFrame.left, 2540);
    EXPECT_EQ(h.szlDevice.cx * 25400, h.szlMicrometers.cx * 96);
    const char16_t expected[] = u"KOV-571\0Picture\0";
    ASSERT_EQ(h.nDescription, 17u);
    EXPECT_EQ(std::memcmp(bytes.data() + h.offDescription, expected, 17 * 2), 0);
    DeleteEnhMetaFile(picture);

    // Nothing drawn: empty bounds and frame.
    HENHMETAFILE empty = CloseEnhMetaFile(CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr));
    GetEnhMetaFileHeader(empty, sizeof(h), &h);
    EXPECT_EQ(h.rclBounds.right, -1);
    EXPECT_EQ(h.nRecords, 2u);
    Canvas canvas(8, 8, Paper);
    RECT all{0, 0, 8, 8};
    EXPECT_TRUE(PlayEnhMetaFile(canvas.Dc(), empty, &all));
    EXPECT_EQ(canvas.Pixel(3, 3), Paper);
    DeleteEnhMetaFile(empty);
    EXPECT_EQ(CloseEnhMetaFile(canvas.Dc()), nullptr);
}

TEST(GdiMetafileTest, ScaledPlaybackStretchesFiguresTextAndBlits) {
    auto scene = [](HDC dc) {
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT square{0, 0, 10, 10};
        FillRect(dc, &square, red);
        DeleteObject(red);
        Source colour(4, 4, false);
        BitBlt(dc, 20, 0, 4, 4, colour.Dc(), 0, 0, SRCCOPY);
        SetPixelV(dc, 39, 19, RGB(0, 0, 255));
    };
    RECT frame = FrameOf(40, 20);
    HENHMETAFILE picture = Record(scene, &frame);
    Canvas canvas(100, 50, Paper);
    RECT twice{10, 5, 90, 45};
    ASSERT_TRUE(PlayEnhMetaFile(canvas.Dc(), picture, &twice));
    gditest::SaveSheet("GdiMetafile_Scaled", {&canvas}, 4);
    // The square doubles: 20 x 20 from (10, 5).
    EXPECT_EQ(canvas.Pixel(10, 5), RGB(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(29, 24), RGB(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(30, 24), Paper);
    EXPECT_EQ(canvas.Pixel(29, 25), Paper);
    EXPECT_EQ(canvas.Pixel(9, 5), Paper);
    // The blit is stretched to 8 x 8 at (50, 5): its corners are the source's corners.
    EXPECT_EQ(canvas.Pixel(50, 5), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(57, 12), RGB(60, 75, 225));
    EXPECT_EQ(canvas.Pixel(58, 12), Paper);
    // The picture draws only through the context's clip region.
    Canvas clipped(100, 50, Paper);
    IntersectClipRect(clipped.Dc(), 0, 0, 20, 50);
    ASSERT_TRUE(PlayEnhMetaFile(clipped.Dc(), picture, &twice));
    EXPECT_EQ(clipped.Pixel(19, 10), RGB(255, 0, 0));
    EXPECT_EQ(clipped.Pixel(20, 10), Paper);
    // and leaves its state as it was.
    RECT box;
    EXPECT_EQ(GetClipBox(clipped.Dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(GetCurrentObject(clipped.Dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    DeleteEnhMetaFile(picture);
}

TEST(GdiMetafileTest, EnumerationPlaysChosenRecordsAndCanStop) {
    auto scene = [](HDC dc) {
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        HGDIOBJ old = SelectObject(dc, blue);
        Rectangle(dc, 0, 0, 10, 10);
        Ellipse(dc, 10, 0, 20, 10);
        SelectObject(dc, old);
        DeleteObject(blue);
    };
    RECT frame = FrameOf(20, 10);
    HENHMETAFILE picture = Record(scene, &frame);

    struct State {
        std::vector<DWORD> Types;
        std::vector<HGDIOBJ> Created;
        int StopAfter = -1;
    };
    auto skipEllipses = [](HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles,
                           LPARAM data) -> int {
        auto* state = reinterpret_cast<State*>(data);
        state->Types.push_back(record->iType);
        if (record->iType != EMR_ELLIPSE) PlayEnhMetaFileRecord(dc, table, record, UINT(handles));
        if (record->iType == EMR_CREATEBRUSHINDIRECT)
            state->Created.push_back(table->objectHandle[record->dParm[0]]);
        return int(state->Types.size()) != state->StopAfter;
    };
    Canvas canvas(20, 10, Paper);
    RECT all{0, 0, 20, 10};
    State state;
    ASSERT_TRUE(EnumEnhMetaFile(canvas.Dc(), picture, skipEllipses, &state, &all));
    EXPECT_EQ(canvas.Pixel(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(15, 5), Paper);
    // The objects the records created are gone once the enumeration ends.
    ASSERT_EQ(state.Created.size(), 1u);
    EXPECT_EQ(GetObjectType(state.Created[0]), 0u);

    State stopping;
    stopping.StopAfter = 2;
    EXPECT_FALSE(EnumEnhMetaFile(nullptr, picture, skipEllipses, &stopping, nullptr));
    EXPECT_EQ(stopping.Types.size(), 2u);
    // Without a context nothing can be played.
    auto tryPlay = [](HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles,
                      LPARAM data) -> int {
        *reinterpret_cast<int*>(data) += PlayEnhMetaFileRecord(dc, table, record, UINT(handles));
        return 1;
    };
    int played = 0;
    EXPECT_TRUE(EnumEnhMetaFile(nullptr, picture, tryPlay, &played, nullptr));
    EXPECT_EQ(played, 0);
    DeleteEnhMetaFile(picture);
}

TEST(GdiMetafileTest, ObjectsAreDeletedWhenNoStateUsesThem) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 50; ++i) {
        HBRUSH brush = CreateSolidBrush(RGB(i, 0, 0));
        HGDIOBJ old = SelectObject(dc, brush);
        Rectangle(dc, i, 0, i + 5, 5);
        SelectObject(dc, old);
        DeleteObject(brush);
    }
    // A brush selected before SaveDC lives on while the saved state holds it.
    HBRUSH kept = CreateSolidBrush(RGB(1, 2, 3));
    SelectObject(dc, kept);
    Rectangle(dc, 0, 10, 5, 15);
    SaveDC(dc);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 0, 20, 5, 25);
    RestoreDC(dc, -1);
    Rectangle(dc, 0, 30, 5, 35);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(kept);
    HENHMETAFILE picture = CloseEnhMetaFile(dc);
    ENHMETAHEADER h;
    GetEnhMetaFileHeader(picture, sizeof(h), &h);
    EXPECT_LE(h.nHandles, 3);
    int creates = 0, deletes = 0;
    for (const auto& r : Records(picture)) {
        creates += Field<DWORD>(r, 0) == EMR_CREATEBRUSHINDIRECT;
        deletes += Field<DWORD>(r, 0) == EMR_DELETEOBJECT;
    }
    EXPECT_EQ(creates, 51);
    EXPECT_GE(deletes, 50);

    Canvas canvas(60, 40, Paper);
    RECT bounds{h.rclBounds.left, h.rclBounds.top, h.rclBounds.right + 1, h.rclBounds.bottom + 1};
    ASSERT_TRUE(PlayEnhMetaFile(canvas.Dc(), picture, &bounds));
    EXPECT_EQ(canvas.Pixel(2, 32), RGB(1, 2, 3));
    EXPECT_EQ(canvas.Pixel(2, 22), RGB(0, 0, 0));
    DeleteEnhMetaFile(picture);
}

TEST(GdiMetafileTest, FilesAreWrittenOnCloseAndCopy) {
    testsupport::TempDir dir;
    std::string path = dir.File("scene.emf");
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    Rectangle(dc, 0, 0, 20, 20);
    HENHMETAFILE picture = CloseEnhMetaFile(dc);
    ASSERT_NE(picture, nullptr);
    std::string file = testsupport::ReadFileBytes(path);
    std::string bits(GetEnhMetaFileBits(picture, 0, nullptr), '\0');
    GetEnhMetaFileBits(picture, UINT(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
    EXPECT_EQ(file, bits);

    std::string copyPath = dir.File("copy.emf");
    HENHMETAFILE copy = CopyEnhMetaFileA(picture, copyPath.c_str());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(testsupport::ReadFileBytes(copyPath), bits);
    HENHMETAFILE memory = CopyEnhMetaFileA(picture, nullptr);
    ASSERT_NE(memory, nullptr);
    EXPECT_NE(memory, picture);

    EXPECT_EQ(CreateEnhMetaFileA(nullptr, dir.File("missing/x.emf").c_str(), nullptr, nullptr), nullptr);
    EXPECT_EQ(CopyEnhMetaFileA(picture, dir.File("missing/y.emf").c_str()), nullptr);
    for (HENHMETAFILE p : {picture, copy, memory})
        DeleteEnhMetaFile(p);
}

TEST(GdiMetafileTest, MalformedStreamsAreRefusedAndDamagedRecordsAreSafe) {
    RECT frame = FrameOf(W, H);
    HENHMETAFILE picture = Record(Scene, &frame);
    std::vector<BYTE> good(GetEnhMetaFileBits(picture, 0, nullptr));
    GetEnhMetaFileBits(picture, UINT(good.size()), good.data());
    DeleteEnhMetaFile(picture);
    ENHMETAHEADER header;
    std::memcpy(&header, good.data(), sizeof(header));

    struct Case {
        const char* Name;
        std::size_t At;
        DWORD Value;
        std::size_t Size; // 0: the whole stream
    };
    std::size_t first = header.nSize;
    const std::vector<Case> cases = {
        {"too short for a header", 0, EMR_HEADER, 60},
        {"not a header first", 0, EMR_POLYLINE, 0},
        {"no signature", 40, 0x12345678, 0},
        {"header larger than the stream", 4, 0x7FFFFFF0, 0},
        {"record of size zero", first + 4, 0, 0},
        {"record size not a multiple of four", first + 4, 10, 0},
        {"record running past the end", first + 4, 0x10000000, 0},
        {"no end record", 0, EMR_HEADER, good.size() - sizeof(EMREOF)},
        {"a second header", first, EMR_HEADER, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<BYTE> bad = good;
        if (c.At + 4 <= bad.size()) std::memcpy(bad.data() + c.At, &c.Value, 4);
        std::size_t size = c.Size ? c.Size : bad.size();
        EXPECT_EQ(SetEnhMetaFileBits(UINT(size), bad.data()), nullptr);
    }
    EXPECT_EQ(SetEnhMetaFileBits(0, nullptr), nullptr);
    // Bytes after the end record are left out.
    std::vector<BYTE> longer = good;
    longer.resize(good.size() + 64, 0xEE);
    HENHMETAFILE trimmed = SetEnhMetaFileBits(UINT(longer.size()), longer.data());
    ASSERT_NE(trimmed, nullptr);
    EXPECT_EQ(GetEnhMetaFileBits(trimmed, 0, nullptr), good.size());
    DeleteEnhMetaFile(trimmed);

    // Every field of every record overwritten with values that break counts and offsets, the
    // record alone in a picture of its own: the stream is well formed, and playing it must
    // neither crash nor read outside it.
    const DWORD values[] = {0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0x00010000, 3};
    EMREOF eof{{EMR_EOF, sizeof(EMREOF)}, 0, 16, sizeof(EMREOF)};
    Canvas canvas(W, H, Paper);
    RECT all{0, 0, W, H};
    int played = 0;
    for (std::size_t at = first; at + sizeof(EMREOF) < good.size();) {
        DWORD size = 0;
        std::memcpy(&size, good.data() + at + 4, 4);
        std::size_t limit = size <= 512 ? size : 160;
        for (std::size_t field = 8; field < limit; field += 4) {
            for (DWORD v : values) {
                std::vector<BYTE> bad(good.begin(), good.begin() + std::ptrdiff_t(first));
                bad.insert(bad.end(), good.begin() + std::ptrdiff_t(at),
                           good.begin() + std::ptrdiff_t(at + size));
                std::memcpy(bad.data() + first + field, &v, 4);
                const auto* e = reinterpret_cast<const BYTE*>(&eof);
                bad.insert(bad.end(), e, e + sizeof(eof));
                HENHMETAFILE damaged = SetEnhMetaFileBits(UINT(bad.size()), bad.data());
                ASSERT_NE(damaged, nullptr);
                PlayEnhMetaFile(canvas.Dc(), damaged, &all);
                DeleteEnhMetaFile(damaged);
                ++played;
            }
        }
        at += size;
    }
    EXPECT_GT(played, 1000);
}

} // namespace
