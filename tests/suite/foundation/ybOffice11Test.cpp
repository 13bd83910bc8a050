// The office colours: the scheme recognised from the visual style's file and colour names, the
// table colours of a scheme and the classic formulas without one, blending, the gradient's
// bands, and the use counting of the colour set with its expand-button bitmaps.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Theme.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

std::unique_ptr<TBitmap> Sheet(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    bitmap->GetCanvas()->GetBrush()->SetColor(clWhite);
    bitmap->GetCanvas()->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

// Keeps system colours as they were before the test changed them.
class ScopedSysColors {
public:
    explicit ScopedSysColors(std::vector<int> indices) : FIndices(std::move(indices)) {
        for (int i : FIndices)
            FSaved.push_back(GetSysColor(i));
    }
    ~ScopedSysColors() { SetSysColors(int(FIndices.size()), FIndices.data(), FSaved.data()); }
    void Set(int index, COLORREF color) { SetSysColors(1, &index, &color); }

private:
    std::vector<int> FIndices;
    std::vector<COLORREF> FSaved;
};

// The classic colours of a test: distinct and neither black nor white for the button face.
class ClassicColors {
public:
    ClassicColors()
        : FSys({COLOR_BTNFACE, COLOR_WINDOW, COLOR_BTNSHADOW, COLOR_HIGHLIGHT, COLOR_BTNTEXT, COLOR_GRAYTEXT,
                COLOR_BTNHIGHLIGHT}) {
        FSys.Set(COLOR_BTNFACE, RGB(212, 208, 200));
        FSys.Set(COLOR_WINDOW, RGB(255, 255, 255));
        FSys.Set(COLOR_BTNSHADOW, RGB(128, 128, 128));
        FSys.Set(COLOR_HIGHLIGHT, RGB(10, 36, 106));
        FSys.Set(COLOR_BTNTEXT, RGB(1, 2, 3));
        FSys.Set(COLOR_GRAYTEXT, RGB(120, 121, 122));
        FSys.Set(COLOR_BTNHIGHLIGHT, RGB(250, 251, 252));
    }

private:
    ScopedSysColors FSys;
};

// Visual styles through the recording fake; the theme units start after it so that they find
// themes active, and are finalised before it goes.
class OfficeThemed : public ::testing::Test {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
    }
    void TearDown() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.reset();
        RebuildOfficeSchemeColors();
    }
    std::optional<TThemeFake> Fake;
};

} // namespace

TEST(ybOffice11, ClassicLookMixesTheSystemColours) {
    ThemeManagerFinalize();
    UxThemeInitialize();
    ClassicColors colors;
    AcquireOfficeSchemeColors();
    EXPECT_EQ(0, GetOfficeScheme());
    EXPECT_FALSE(OfficeSchemeColorsActive());
    struct Case {
        const char* Name;
        TColor Actual;
        COLORREF Expected;
    };
    // Blend (face, window, 22): 255 * 78% + 212 * 22% = 198.9 + 46.64 -> 199 + 47.
    const std::vector<Case> cases = {
        {"19", SchemeColor19, RGB(246, 245, 243)},
        {"20", SchemeColor20, RGB(214, 210, 202)},
        {"21", SchemeColor21, RGB(212, 208, 200)},
        {"22", SchemeColor22, RGB(246, 246, 244)},
        {"33", SchemeColor33, RGB(167, 167, 167)},
        {"34", SchemeColor34, RGB(255, 255, 255)},
        {"35", SchemeColor35, RGB(128, 128, 128)},
        {"37", SchemeColor37, RGB(128, 128, 128)},
        {"40", SchemeColor40, RGB(10, 36, 106)},
        {"41", SchemeColor41, RGB(183, 191, 212)},
        {"42", SchemeColor42, RGB(183, 191, 212)},
        {"43", SchemeColor43, RGB(136, 147, 177)},
        {"44", SchemeColor44, RGB(136, 147, 177)},
        {"49", SchemeColor49, RGB(1, 2, 3)},
        {"50", SchemeColor50, RGB(120, 121, 122)},
        {"51", SchemeColor51, RGB(212, 208, 200)},
        // BlendSystemColors (41, 11, 48), red: 86.92 + 1.1 + 122.4 -> 87 + 1 + 122.
        {"52", SchemeColor52, RGB(210, 211, 216)},
        {"53", SchemeColor53, RGB(212, 208, 200)},
        {"54", SchemeColor54, RGB(128, 128, 128)},
        {"highlight", SchemeHighlightColor, RGB(250, 251, 252)},
        {"mid shadow", SchemeMidShadowColor, RGB(170, 168, 164)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TColor(c.Expected), c.Actual);
    }
    // A system colour change reaches the set when it is rebuilt.
    {
        ScopedSysColors sys({COLOR_BTNSHADOW});
        sys.Set(COLOR_BTNSHADOW, RGB(100, 90, 80));
        RebuildOfficeSchemeColors();
        EXPECT_EQ(TColor(RGB(100, 90, 80)), SchemeColor35);
    }
    ReleaseOfficeSchemeColors();
}

TEST_F(OfficeThemed, SchemeFromTheStyleFileAndColourName) {
    struct Case {
        std::u16string File, Color;
        Byte Scheme;
    };
    const std::vector<Case> cases = {
        {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"NormalColor", 1},
        {u"D:\\Styles\\luna.MSSTYLES", u"homestead", 2},
        {u"Luna.msstyles", u"METALLIC", 3},
        {u"/usr/share/themes/Luna.msstyles", u"Metallic", 3},
        {u"C:\\WINDOWS\\Resources\\Themes\\Royale\\Royale.msstyles", u"NormalColor", 0},
        {u"C:\\Luna.msstyles\\Other.msstyles", u"NormalColor", 0},
        {u"Luna.msstyles", u"Autumn", 0},
        {u"Luna.msstyles", u"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToString(c.File) + " " + WideToString(c.Color));
        Fake->FileName = c.File;
        Fake->ColorName = c.Color;
        EXPECT_EQ(c.Scheme, DetectOffice11Scheme());
        RebuildOfficeSchemeColors();
        EXPECT_EQ(c.Scheme, GetOfficeScheme());
        EXPECT_EQ(c.Scheme != 0, OfficeSchemeColorsActive());
    }
}

TEST_F(OfficeThemed, SchemeColoursComeFromTheTable) {
    ClassicColors classic;
    Fake->FileName = u"Luna.msstyles";
    struct Case {
        const char16_t* Color;
        COLORREF Color19, Color40, Color54;
        COLORREF MidShadow; // half of each of its two scheme colours
    };
    const std::vector<Case> cases = {
        {u"NormalColor", 0xFEECDD, 0x800000, 0x962D00, 0xB96D3E},
        {u"HomeStead", 0xDEF7F4, 0x385D3F, 0x588060, 0x7E9E8B},
        {u"Metallic", 0xFAF4F3, 0x6F4B4B, 0x947C7C, 0xA18385},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToString(c.Color));
        Fake->ColorName = c.Color;
        RebuildOfficeSchemeColors();
        EXPECT_EQ(TColor(c.Color19), SchemeColor19);
        EXPECT_EQ(TColor(c.Color40), SchemeColor40);
        EXPECT_EQ(TColor(c.Color54), SchemeColor54);
        EXPECT_EQ(TColor(c.MidShadow), SchemeMidShadowColor);
        EXPECT_EQ(TColor(0xCCF4FF), SchemeColor41);
        EXPECT_EQ(TColor(0xFFFFFF), SchemeHighlightColor);
    }
    // Any other style falls back to the classic formulas, themes active or not.
    Fake->FileName = u"Royale.msstyles";
    RebuildOfficeSchemeColors();
    EXPECT_EQ(TColor(RGB(212, 208, 200)), SchemeColor21);
    EXPECT_EQ(TColor(RGB(10, 36, 106)), SchemeColor40);
}

TEST(ybOffice11, Blend) {
    ClassicColors colors;
    struct Case {
        const char* Name;
        TColor First, Second;
        Integer Percent;
        COLORREF Expected;
    };
    const std::vector<Case> cases = {
        {"quarter white", clWhite, clBlack, 25, RGB(64, 64, 64)},
        {"all of the first", clRed, clBlue, 100, RGB(255, 0, 0)},
        {"all of the second", clRed, clBlue, 0, RGB(0, 0, 255)},
        {"system colours resolved", clBtnFace, clHighlight, 50, RGB(111, 122, 153)},
        {"above 100 stays within the channel", clWhite, clBlack, 150, RGB(255, 255, 255)},
        {"below 0 stays within the channel", clWhite, clBlack, -50, RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TColor(c.Expected), Blend(c.First, c.Second, c.Percent));
    }
}

TEST(ybOffice11, GradientBands) {
    struct Case {
        const char* Name;
        TRect Rect;
        bool Horizontal;
        TColor First, Second;
        int DistinctColours;
    };
    const std::vector<Case> cases = {
        {"300 wide: 256 bands", {0, 0, 300, 2}, true, clBlack, clRed, 256},
        {"10 wide: 10 bands", {0, 0, 10, 2}, true, TColor(RGB(0, 0, 10)), TColor(RGB(90, 0, 100)), 10},
        {"10 high: 10 bands", {0, 0, 2, 10}, false, TColor(RGB(0, 0, 10)), TColor(RGB(90, 0, 100)), 10},
        {"equal colours: one fill", {0, 0, 40, 3}, true, clBtnFace, TColor(RGB(212, 208, 200)), 1},
        {"one pixel: the first colour", {0, 0, 1, 3}, true, clLime, clBlue, 1},
    };
    ClassicColors colors;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(300, 10);
        FillGradientRect(sheet->GetCanvas()->GetHandle(), c.Rect, c.First, c.Horizontal, c.Second);
        const int n = c.Horizontal ? c.Rect.right - c.Rect.left : c.Rect.bottom - c.Rect.top;
        std::set<TColor> seen;
        std::vector<TColor> line;
        for (int i = 0; i < n; ++i) {
            const TColor p =
                c.Horizontal ? sheet->GetCanvas()->GetPixels(i, 1) : sheet->GetCanvas()->GetPixels(1, i);
            seen.insert(p);
            line.push_back(p);
        }
        EXPECT_EQ(c.DistinctColours, int(seen.size()));
        EXPECT_EQ(ColorToRGB(c.First), line.front());
        if (n > 1) {
            EXPECT_EQ(ColorToRGB(c.Second), line.back());
        }
        // Nothing outside the rectangle.
        EXPECT_EQ(clWhite, sheet->GetCanvas()->GetPixels(c.Horizontal ? 1 : c.Rect.right,
                                                         c.Horizontal ? c.Rect.bottom : 1));
    }

    // Ten bands of one pixel, each a ninth further on.
    auto sheet = Sheet(10, 1);
    FillGradientRect(sheet->GetCanvas()->GetHandle(), TRect{0, 0, 10, 1}, TColor(RGB(0, 0, 10)), true,
                     TColor(RGB(90, 0, 100)));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(TColor(RGB(BYTE(MulDiv(i, 90, 9)), 0, BYTE(10 + MulDiv(i, 90, 9)))),
                  sheet->GetCanvas()->GetPixels(i, 0));

    // Empty rectangles draw nothing; FillSolidRect resolves system colours.
    auto empty = Sheet(10, 10);
    FillGradientRect(empty->GetCanvas()->GetHandle(), TRect{5, 0, 5, 10}, clBlack, true, clRed);
    FillGradientRect(empty->GetCanvas()->GetHandle(), TRect{0, 5, 10, 2}, clBlack, false, clRed);
    FillSolidRect(empty->GetCanvas()->GetHandle(), TRect{2, 2, 4, 4}, clBtnFace);
    EXPECT_EQ(clWhite, empty->GetCanvas()->GetPixels(5, 5));
    EXPECT_EQ(TColor(RGB(212, 208, 200)), empty->GetCanvas()->GetPixels(3, 3));
}

TEST(ybOffice11, UsersHoldTheExpandBitmaps) {
    ASSERT_EQ(nullptr, ExpandMinusBitmap);

    // The program's two pictures: a framed minus and plus whose corners take the light colour.
    AcquireOfficeSchemeColors();
    ASSERT_NE(nullptr, ExpandMinusBitmap);
    ASSERT_NE(nullptr, ExpandPlusBitmap);
    const TColor light = TColor(ExpandButtonLightColor), dark = TColor(ExpandButtonDarkColor);
    for (TBitmap* picture : {ExpandMinusBitmap, ExpandPlusBitmap}) {
        EXPECT_EQ(11, picture->GetWidth());
        EXPECT_EQ(11, picture->GetHeight());
        EXPECT_EQ(light, picture->GetCanvas()->GetPixels(0, 0));
        EXPECT_EQ(dark, picture->GetCanvas()->GetPixels(5, 0));
        EXPECT_EQ(clBlack, picture->GetCanvas()->GetPixels(5, 5));
    }
    EXPECT_EQ(clWhite, ExpandMinusBitmap->GetCanvas()->GetPixels(5, 3));
    EXPECT_EQ(clBlack, ExpandPlusBitmap->GetCanvas()->GetPixels(5, 3));

    // A tint written into the shared bitmap lasts until the bitmaps are made again.
    ExpandMinusBitmap->GetCanvas()->SetPixels(0, 0, clRed);
    AcquireOfficeSchemeColors();
    EXPECT_EQ(clRed, ExpandMinusBitmap->GetCanvas()->GetPixels(0, 0));
    RebuildOfficeSchemeColors();
    EXPECT_EQ(light, ExpandMinusBitmap->GetCanvas()->GetPixels(0, 0));

    ReleaseOfficeSchemeColors();
    EXPECT_NE(nullptr, ExpandMinusBitmap) << "one user is left";
    ReleaseOfficeSchemeColors();
    EXPECT_EQ(nullptr, ExpandMinusBitmap);
    EXPECT_EQ(nullptr, ExpandPlusBitmap);

    // Without users a rebuild makes no bitmaps, and a release too many does not count below 0.
    RebuildOfficeSchemeColors();
    EXPECT_EQ(nullptr, ExpandMinusBitmap);
    ReleaseOfficeSchemeColors();
    AcquireOfficeSchemeColors();
    EXPECT_NE(nullptr, ExpandMinusBitmap);
    ReleaseOfficeSchemeColors();
    EXPECT_EQ(nullptr, ExpandMinusBitmap);
}
