#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiMetafile.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

const COLORREF Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255), Black = RGB(0, 0, 0);

// A 2 by 2 DIB of 24 bits: red and green in the top row, blue and black below.
struct TDib24 {
    BITMAPINFO Info{};
    std::vector<BYTE> Bits;
    explicit TDib24(bool topDown) {
        Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Info.bmiHeader.biWidth = 2;
        Info.bmiHeader.biHeight = topDown ? -2 : 2;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 24;
        Info.bmiHeader.biCompression = BI_RGB;
        auto row = [](COLORREF a, COLORREF b) {
            return std::vector<BYTE>{
                GetBValue(a), GetGValue(a), GetRValue(a), GetBValue(b), GetGValue(b), GetRValue(b), 0, 0};
        };
        std::vector<BYTE> top = row(Red, Green), bottom = row(Blue, Black);
        const auto& first = topDown ? top : bottom;
        const auto& second = topDown ? bottom : top;
        Bits.insert(Bits.end(), first.begin(), first.end());
        Bits.insert(Bits.end(), second.begin(), second.end());
    }
};

} // namespace

TEST(StretchDIBits, StretchesEitherRowOrderOntoAnImage) {
    for (bool topDown : {false, true}) {
        TDib24 dib(topDown);
        gditest::Canvas canvas(8, 8);
        SetStretchBltMode(canvas.Dc(), COLORONCOLOR);
        EXPECT_EQ(StretchDIBits(canvas.Dc(), 2, 2, 4, 4, 0, 0, 2, 2, dib.Bits.data(), &dib.Info,
                                DIB_RGB_COLORS, SRCCOPY),
                  2);
        EXPECT_EQ(canvas.Pixel(2, 2), Red) << topDown;
        EXPECT_EQ(canvas.Pixel(5, 3), Green) << topDown;
        EXPECT_EQ(canvas.Pixel(3, 5), Blue) << topDown;
        EXPECT_EQ(canvas.Pixel(5, 5), Black) << topDown;
        EXPECT_EQ(canvas.Pixel(1, 1), RGB(255, 255, 255)) << topDown;
        EXPECT_EQ(canvas.Pixel(6, 6), RGB(255, 255, 255)) << topDown;

        // One source row: the top row of the picture is row 1 counted from the bottom of a
        // bottom-up DIB, row 0 of a top-down one.
        gditest::Canvas strip(4, 1);
        StretchDIBits(strip.Dc(), 0, 0, 4, 1, 0, topDown ? 0 : 1, 2, 1, dib.Bits.data(), &dib.Info,
                      DIB_RGB_COLORS, SRCCOPY);
        EXPECT_EQ(strip.Pixel(0, 0), Red) << topDown;
        EXPECT_EQ(strip.Pixel(3, 0), Green) << topDown;
    }
}

TEST(StretchDIBits, MonochromeRowsTakeTheirColourTableAndBadInputDrawsNothing) {
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[2];
    } info{};
    info.Header.biSize = sizeof(BITMAPINFOHEADER);
    info.Header.biWidth = 2;
    info.Header.biHeight = 1;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = 1;
    info.Colors[0] = RGBQUAD{255, 0, 0, 0};   // blue
    info.Colors[1] = RGBQUAD{0, 255, 255, 0}; // yellow
    const BYTE bits[4] = {0x40, 0, 0, 0};     // 0 then 1
    gditest::Canvas canvas(2, 1);
    const auto* header = reinterpret_cast<const BITMAPINFO*>(&info);
    EXPECT_EQ(StretchDIBits(canvas.Dc(), 0, 0, 2, 1, 0, 0, 2, 1, bits, header, DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(canvas.Pixel(0, 0), Blue);
    EXPECT_EQ(canvas.Pixel(1, 0), RGB(255, 255, 0));

    EXPECT_EQ(StretchDIBits(canvas.Dc(), 0, 0, 2, 1, 0, 0, 2, 1, nullptr, header, DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 1, 0, 0, 2, 1, bits, header, DIB_RGB_COLORS, SRCCOPY), 0);
    info.Header.biWidth = 0;
    EXPECT_EQ(StretchDIBits(canvas.Dc(), 0, 0, 2, 1, 0, 0, 2, 1, bits, header, DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(StretchDIBits, IsRecordedInAMetafileAndPlaysBack) {
    TDib24 dib(false);
    HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(recorder, nullptr);
    SetStretchBltMode(recorder, COLORONCOLOR);
    EXPECT_EQ(
        StretchDIBits(recorder, 0, 0, 8, 8, 0, 0, 2, 2, dib.Bits.data(), &dib.Info, DIB_RGB_COLORS, SRCCOPY),
        2);
    HENHMETAFILE picture = CloseEnhMetaFile(recorder);
    ASSERT_NE(picture, nullptr);
    gditest::Canvas canvas(8, 8);
    RECT target{0, 0, 8, 8};
    PlayEnhMetaFile(canvas.Dc(), picture, &target);
    EXPECT_EQ(canvas.Pixel(1, 1), Red);
    EXPECT_EQ(canvas.Pixel(6, 1), Green);
    EXPECT_EQ(canvas.Pixel(1, 6), Blue);
    DeleteEnhMetaFile(picture);
}
