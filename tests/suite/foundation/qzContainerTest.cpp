// The container's view info painting (border styles, edges, shadow, background) and the unit's
// helpers: widths and codes, frame strips, window regions, window-ownership tests, text
// comparison.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/TestSupport.h"

namespace {

std::unique_ptr<TBitmap> Sheet(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    bitmap->GetCanvas()->GetBrush()->SetColor(clWhite);
    bitmap->GetCanvas()->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

TColor Rgb(TColor color) { return TColor(ColorToRGB(color)); }

std::string RectText(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TqzBorders AllEdges() { return TqzBorders{bLeft, bTop, bRight, bBottom}; }

struct TPixel {
    int X, Y;
    TColor Color;
};

void ExpectPixels(TCanvas* canvas, const std::vector<TPixel>& pixels) {
    for (const TPixel& p : pixels) {
        SCOPED_TRACE("pixel " + std::to_string(p.X) + "," + std::to_string(p.Y));
        EXPECT_EQ(canvas->GetPixels(p.X, p.Y), Rgb(p.Color));
    }
}

} // namespace

TEST(qzContainerHelpersTest, BorderWidthsAndMouseButtonCodes) {
    const std::vector<std::pair<TqzContainerBorderStyle, Integer>> widths = {
        {cbsNone, 0}, {cbsSingle, 1},    {cbsThick, 2},    {cbsFlat, 2},
        {cbs3D, 2},   {cbsUltraFlat, 1}, {cbsOffice11, 1},
    };
    for (const auto& [style, width] : widths) {
        SCOPED_TRACE(int(style));
        EXPECT_EQ(GetContainerBorderWidth(style), width);
    }
    EXPECT_EQ(GetMouseButtonCode(mbLeft), 1);
    EXPECT_EQ(GetMouseButtonCode(mbRight), 2);
    EXPECT_EQ(GetMouseButtonCode(mbMiddle), 3);
}

TEST(qzContainerHelpersTest, ShrinkSidesWithoutEdgesMovesOnlyTheBareSides) {
    struct TCase {
        TqzBorders Edges;
        std::string Expected;
    };
    const std::vector<TCase> cases = {
        {AllEdges(), "10,20,110,220"},
        {TqzBorders{}, "13,23,107,217"},
        {TqzBorders{bLeft, bTop}, "10,20,107,217"},
        {TqzBorders{bRight, bBottom}, "13,23,110,220"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expected);
        TRect r{10, 20, 110, 220};
        ShrinkSidesWithoutEdges(r, 3, c.Edges);
        EXPECT_EQ(RectText(r), c.Expected);
    }
}

TEST(qzContainerHelpersTest, TextsEqualComparesWithOrWithoutCase) {
    struct TCase {
        String A, B;
        bool CaseSensitive, Expected;
    };
    const std::vector<TCase> cases = {
        {"abc", "ABC", false, true},  {"abc", "ABC", true, false},        {"abc", "abc", true, true},
        {"abc", "abd", false, false}, {"straße", "STRASSE", true, false}, {"", "", true, true},
        {"éte", "ÉTE", false, true},  {"abc", "abc ", false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.A + " / " + c.B + (c.CaseSensitive ? " (case)" : ""));
        EXPECT_EQ(TextsEqual(c.A, c.B, c.CaseSensitive), c.Expected);
    }
}

// ---- View info painting ------------------------------------------------------------------------

TEST(qzContainerViewInfoTest, SingleBorderOnLeftAndTopWithShadowHugsTheBorderRectangle) {
    auto sheet = Sheet(40, 30);
    TqzCanvas canvas(sheet->GetCanvas());
    TqzContainerViewInfo info;
    info.BorderStyle = cbsSingle;
    info.BorderWidth = 1;
    info.BorderColor = clRed;
    info.BackgroundColor = clBlue;
    info.BorderRect = TRect{1, 1, 30, 20};
    info.Edges = TqzBorders{bLeft, bTop};
    info.Shadow = true;
    info.Draw(&canvas);

    TCanvas* c = sheet->GetCanvas();
    // The shadow strips stay excluded from the clip area; look at everything.
    SelectClipRgn(c->GetHandle(), nullptr);
    ExpectPixels(c, {
                        {0, 10, clRed},        // left line
                        {10, 0, clRed},        // top line
                        {10, 10, clBlue},      // background
                        {29, 19, clBlue},      // background reaches the border rectangle's corner
                        {30, 10, clBtnShadow}, // right shadow right beside the border rectangle
                        {32, 22, clBtnShadow}, // its corner
                        {30, 2, clWhite},      // the shadow starts three pixels below the top line
                        {30, 3, clBtnShadow},  //
                        {10, 20, clBtnShadow}, // bottom shadow right below
                        {2, 20, clWhite},      // and three pixels in from the left line
                        {3, 20, clBtnShadow},  //
                        {33, 10, clWhite},     // three pixels wide
                        {10, 23, clWhite},     //
                    });
    // No line on the sides without edges: the shadow strips kept the frame out.
    for (int y = 0; y < 30; ++y)
        EXPECT_NE(c->GetPixels(30, y), Rgb(clRed)) << "y " << y;
    for (int x = 0; x < 40; ++x)
        EXPECT_NE(c->GetPixels(x, 20), Rgb(clRed)) << "x " << x;
}

TEST(qzContainerViewInfoTest, BorderStylesPaintTheirLines) {
    struct TCase {
        TqzContainerBorderStyle Style;
        TColor OuterLeft, OuterRight, InnerLeft, InnerRight;
    };
    const std::vector<TCase> cases = {
        {cbsSingle, clRed, clRed, clBlue, clBlue}, // one pixel: the inner ring is background
        {cbsThick, clRed, clRed, clRed, clRed},
        {cbsFlat, clBtnShadow, clBtnHighlight, clBtnFace, clBtnFace},
        {cbs3D, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight},
        {cbsUltraFlat, clWhite, clWhite, clBlue, clBlue},
        {cbsNone, clWhite, clWhite, clBlue, clBlue},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(int(t.Style));
        auto sheet = Sheet(20, 20);
        TqzCanvas canvas(sheet->GetCanvas());
        TqzContainerViewInfo info;
        info.BorderStyle = t.Style;
        info.BorderWidth = GetContainerBorderWidth(t.Style);
        info.BorderColor = clRed;
        info.BackgroundColor = clBlue;
        // The inner ring (x 1 and 18) belongs to the border rectangle when the border is thin.
        const int w = info.BorderWidth == 2 ? 2 : 1;
        info.BorderRect = TRect{w, w, 20 - w, 20 - w};
        info.Edges = AllEdges();
        info.PaintBackground(&canvas);
        const TColor innerLeft = w == 2 ? t.InnerLeft : clBlue;
        const TColor innerRight = w == 2 ? t.InnerRight : clBlue;
        const TColor outer = t.Style == cbsNone || t.Style == cbsUltraFlat ? clWhite : t.OuterLeft;
        ExpectPixels(sheet->GetCanvas(), {{0, 10, outer},
                                          {10, 0, outer},
                                          {19, 10, t.OuterRight},
                                          {10, 19, t.OuterRight},
                                          {1, 10, innerLeft},
                                          {18, 10, innerRight},
                                          {10, 10, clBlue}});
    }
}

TEST(qzContainerViewInfoTest, NativeStyleFillsTheContentAndFramesItInTheComboBoxBorderColour) {
    EXPECT_FALSE(IsNativeStyleUsable(true, ttEdit)); // no visual style is active
    ThemeManagerFinalize();
    UxThemeInitialize();
    {
        TThemeFake fake;
        ThemeManagerInitialize();
        fake.SetContentMargins("Edit", 1, RECT{2, 3, 2, 1});
        fake.SetColor("ComboBox", 1, 1, TMT_BORDERCOLOR, RGB(0, 128, 0));
        EXPECT_TRUE(IsNativeStyleUsable(true, ttEdit));
        EXPECT_FALSE(IsNativeStyleUsable(false, ttEdit));

        struct TCase {
            TqzContainerBorderStyle Style;
            std::vector<TPixel> Pixels;
        };
        const TColor green = TColor(RGB(0, 128, 0));
        const std::vector<TCase> cases = {
            {cbsSingle,
             {{0, 0, green},
              {1, 10, green},
              {10, 2, green},
              {2, 3, clBlue},
              {17, 18, clBlue},
              {18, 10, green},
              {10, 19, green},
              {20, 10, clWhite}}},
            {cbsNone, {{0, 0, clBlue}, {19, 19, clBlue}, {20, 10, clWhite}}},
        };
        for (const TCase& c : cases) {
            SCOPED_TRACE(int(c.Style));
            auto sheet = Sheet(24, 24);
            TqzCanvas canvas(sheet->GetCanvas());
            TqzContainerViewInfo info;
            info.NativeStyle = true;
            info.BorderStyle = c.Style;
            info.Bounds = TRect{0, 0, 20, 20};
            info.BackgroundColor = clBlue;
            info.ThemedObjectType = ttEdit;
            info.ThemePart = 1;
            info.ThemeState = 1;
            info.PaintBackground(&canvas);
            ExpectPixels(sheet->GetCanvas(), c.Pixels);
        }
        ThemeManagerFinalize();
    }
    UxThemeInitialize();
}

TEST(qzContainerViewInfoTest, MoveByAndCopyFrom) {
    TqzContainerViewInfo a, b;
    a.BorderRect = TRect{1, 1, 9, 9};
    a.Bounds = TRect{0, 0, 10, 10};
    a.ClientRect = TRect{2, 2, 8, 8};
    a.MoveBy(5, -1);
    EXPECT_EQ(RectText(a.BorderRect), "6,0,14,8");
    EXPECT_EQ(RectText(a.Bounds), "5,-1,15,9");
    EXPECT_EQ(RectText(a.ClientRect), "7,1,13,7");
    b.CopyFrom(&a);
    EXPECT_EQ(RectText(b.ClientRect), "7,1,13,7");
    EXPECT_EQ(RectText(b.Bounds), "0,0,0,0"); // only the client rectangle is copied
    b.CopyFrom(nullptr);
    auto changed = b.GetChangedRegion(&a);
    ASSERT_TRUE(changed);
    TRect box;
    EXPECT_EQ(GetRgnBox(changed->GetHandle(), &box), NULLREGION);
}

// ---- Frame strips and regions ------------------------------------------------------------------

TEST(qzContainerHelpersTest, FillFrameBetweenFillsOnlyTheStripsBetween) {
    struct TCase {
        const char* Name;
        TRect Outer, Inner;
        std::vector<TPixel> Pixels;
    };
    const std::vector<TCase> cases = {
        {"frame",
         TRect{2, 2, 18, 18},
         TRect{5, 6, 15, 14},
         {{2, 2, clRed},
          {4, 10, clRed},
          {10, 5, clRed},
          {15, 10, clRed},
          {10, 14, clRed},
          {17, 17, clRed},
          {5, 6, clWhite},
          {14, 13, clWhite},
          {1, 1, clWhite},
          {18, 18, clWhite}}},
        {"equal rectangles paint nothing",
         TRect{2, 2, 18, 18},
         TRect{2, 2, 18, 18},
         {{2, 2, clWhite}, {10, 10, clWhite}, {17, 17, clWhite}}},
        {"empty inner fills the whole outer",
         TRect{2, 2, 18, 18},
         TRect{},
         {{2, 2, clRed}, {10, 10, clRed}, {17, 17, clRed}, {18, 18, clWhite}}},
        {"empty outer paints nothing", TRect{5, 5, 5, 15}, TRect{}, {{5, 5, clWhite}, {4, 10, clWhite}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(20, 20);
        TqzCanvas canvas(sheet->GetCanvas());
        FillFrameBetween(&canvas, c.Outer, c.Inner, clRed);
        ExpectPixels(sheet->GetCanvas(), c.Pixels);
    }
}

TEST(qzContainerHelpersTest, BuildWindowRegionAddsTheShadowBandAndCutsTheExcludedArea) {
    EXPECT_EQ(BuildWindowRegion(TRect{0, 0, 10, 10}, true, TRect{}, true), nullptr);

    struct TProbe {
        int X, Y;
        bool Inside;
    };
    struct TCase {
        const char* Name;
        bool Shadow;
        TRect Excluded;
        std::vector<TProbe> Probes;
    };
    const std::vector<TCase> cases = {
        {"plain", false, TRect{}, {{0, 0, true}, {9, 9, true}, {10, 5, false}, {12, 12, false}}},
        // An L-shaped band three pixels wide on the right and bottom, three pixels in from the top
        // and left.
        {"shadow",
         true,
         TRect{},
         {{9, 9, true},
          {10, 2, false},
          {10, 3, true},
          {12, 12, true},
          {13, 12, false},
          {2, 10, false},
          {3, 10, true},
          {12, 13, false}}},
        {"shadow less excluded",
         true,
         TRect{0, 0, 4, 4},
         {{0, 0, false}, {3, 3, false}, {4, 4, true}, {0, 4, true}, {12, 12, true}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        HRGN region = BuildWindowRegion(TRect{0, 0, 10, 10}, false, c.Excluded, c.Shadow);
        ASSERT_NE(region, nullptr);
        for (const TProbe& p : c.Probes)
            EXPECT_EQ(PtInRegion(region, p.X, p.Y) != FALSE, p.Inside) << p.X << "," << p.Y;
        DeleteObject(region);
    }
}

// ---- Windows --------------------------------------------------------------------------------------

class qzContainerWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = TForm::CreateNew(nullptr);
        Form->SetBounds(10, 10, 300, 200);
        Outer = new TPanel(Form);
        Outer->SetParent(Form);
        Inner = new TPanel(Form);
        Inner->SetParent(Outer);
        Unwindowed = new TPanel(Form);
        Unwindowed->SetParent(Outer);
        Inner->HandleNeeded();
        Other = TForm::CreateNew(nullptr);
        Other->HandleNeeded();
    }
    void TearDown() override {
        delete Other;
        delete Form;
    }

    TForm* Form = nullptr;
    TPanel* Outer = nullptr;
    TPanel* Inner = nullptr;
    TPanel* Unwindowed = nullptr;
    TForm* Other = nullptr;
};

TEST_F(qzContainerWindowsTest, OwnershipOfWindowsByControlsAndForms) {
    const HWND form = Form->GetHandle(), outer = Outer->GetHandle(), inner = Inner->GetHandle(),
               other = Other->GetHandle();
    // Asking creates no window.
    EXPECT_FALSE(IsControlWindow(Unwindowed, nullptr));
    EXPECT_FALSE(Unwindowed->HandleAllocated());

    struct TCase {
        const char* Name;
        HWND Window;
        bool ControlWindow, ChildOfForm, OwnedByForm, OwnedByOuter, InPopupTreeOfForm, InForm;
    };
    const std::vector<TCase> cases = {
        {"the form itself", form, true, false, false, false, false, true},
        {"a child", outer, false, true, true, false, true, true},
        {"a grandchild", inner, false, true, true, true, true, true},
        {"another form", other, false, false, false, false, false, false},
        {"no window", nullptr, false, false, false, false, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(IsControlWindow(Form, c.Window), c.ControlWindow);
        EXPECT_EQ(IsWindowChildOfControl(Form, c.Window), c.ChildOfForm);
        EXPECT_EQ(IsWindowOwnedByControl(Form, c.Window), c.OwnedByForm);
        EXPECT_EQ(IsWindowOwnedByControl(Outer, c.Window), c.OwnedByOuter);
        EXPECT_EQ(IsWindowInPopupTree(Form, c.Window), c.InPopupTreeOfForm);
        EXPECT_EQ(IsWindowInControlForm(Inner, c.Window), c.InForm);
    }
    EXPECT_FALSE(IsWindowOwnedByControl(nullptr, inner));
    EXPECT_FALSE(IsWindowInControlForm(Unwindowed, nullptr));
}

TEST_F(qzContainerWindowsTest, AFormEmbeddedInAForeignWindowCountsThatWindowsTree) {
    TForm* host = TForm::CreateNew(nullptr);
    TPanel* sibling = new TPanel(host);
    sibling->SetParent(host);
    sibling->HandleNeeded();
    Form->SetParentWindow(host->GetHandle());
    Form->HandleNeeded();
    ASSERT_TRUE(IsChild(host->GetHandle(), Form->GetHandle()));

    EXPECT_TRUE(IsWindowInControlForm(Inner, host->GetHandle()));
    EXPECT_TRUE(IsWindowInControlForm(Inner, sibling->GetHandle()));
    EXPECT_FALSE(IsWindowInControlForm(Inner, Other->GetHandle()));
    delete Form;
    Form = nullptr;
    delete host;
}

TEST_F(qzContainerWindowsTest, WindowRegionsAreSetReplacedAndRemoved) {
    const HWND window = Inner->GetHandle();
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    TRect box;

    ApplyWindowRegion(window, TRect{0, 0, 20, 10}, false, TRect{}, true);
    ASSERT_NE(GetWindowRgn(window, current), ERROR);
    GetRgnBox(current, &box);
    EXPECT_EQ(RectText(box), "0,0,23,13");
    // The same region again leaves it as it is; another one replaces it.
    ApplyWindowRegion(window, TRect{0, 0, 20, 10}, false, TRect{}, true);
    ASSERT_NE(GetWindowRgn(window, current), ERROR);
    GetRgnBox(current, &box);
    EXPECT_EQ(RectText(box), "0,0,23,13");
    ApplyWindowRegion(window, TRect{0, 0, 20, 10}, false, TRect{}, false);
    ASSERT_NE(GetWindowRgn(window, current), ERROR);
    GetRgnBox(current, &box);
    EXPECT_EQ(RectText(box), "0,0,20,10");
    ApplyWindowRegion(window, TRect{}, true, TRect{}, false);
    EXPECT_EQ(GetWindowRgn(window, current), ERROR);

    SetControlWindowRegion(Inner, false, TRect{1, 2, 3, 4});
    ASSERT_NE(GetWindowRgn(window, current), ERROR);
    GetRgnBox(current, &box);
    EXPECT_EQ(RectText(box), "1,2,3,4");
    SetControlWindowRegion(Inner, true, TRect{});
    EXPECT_EQ(GetWindowRgn(window, current), ERROR);
    DeleteObject(current);

    // A control without a window is left alone.
    SetControlWindowRegion(Unwindowed, false, TRect{1, 2, 3, 4});
    EXPECT_FALSE(Unwindowed->HandleAllocated());
}

TEST_F(qzContainerWindowsTest, ScrollBarInformationThroughTheBoundFunction) {
    ASSERT_TRUE(IsScrollBarInfoAvailable());
    const HWND bar = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 0, 100, 16,
                                     Form->GetHandle(), nullptr, nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    SCROLLBARINFO info;
    info.cbSize = 0;
    EXPECT_TRUE(QueryScrollBarInfo(bar, OBJID_CLIENT, info));
    EXPECT_EQ(info.cbSize, 60u);
    EXPECT_EQ(info.rcScrollBar.right - info.rcScrollBar.left, 100);
    DestroyWindow(bar);
}

TEST(qzContainerHelpersTest, OneScreenCanvasUntilTheUnitEnds) {
    TqzScreenCanvas* canvas = GetScreenCanvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(GetScreenCanvas(), canvas);
    EXPECT_NE(canvas->DeviceContext(), nullptr);
    ContainerUnitFinalize();
    ASSERT_NE(GetScreenCanvas(), nullptr);
    EXPECT_TRUE(IsScrollBarInfoAvailable()); // bound again after the end
    ContainerUnitFinalize();
}

TEST_F(qzContainerWindowsTest, InvalidationCoversTheFrameStripsOnly) {
    InvalidateControlRect(Unwindowed, TRect{1, 1, 3, 3}, false);
    EXPECT_FALSE(Unwindowed->HandleAllocated()); // makes no window
    Inner->SetBounds(0, 0, 40, 30);
    Form->Show(); // hidden windows collect no update region
    const HWND window = Inner->GetHandle();
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    struct TProbe {
        int X, Y;
        bool Invalid;
    };
    struct TCase {
        const char* Name;
        TRect Inner;
        std::vector<TProbe> Probes;
    };
    const std::vector<TCase> cases = {
        {"frame",
         TRect{5, 6, 30, 20},
         {{0, 0, true},
          {4, 25, true},
          {10, 5, true},
          {30, 10, true},
          {10, 20, true},
          {34, 29, true},
          {5, 6, false},
          {29, 19, false},
          {35, 10, false}}},
        {"empty inner", TRect{}, {{0, 0, true}, {20, 15, true}, {34, 29, true}, {35, 10, false}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ValidateRect(window, nullptr);
        InvalidateFrameBetween(window, TRect{0, 0, 35, 30}, c.Inner, false);
        GetUpdateRgn(window, update, FALSE);
        for (const TProbe& p : c.Probes)
            EXPECT_EQ(PtInRegion(update, p.X, p.Y) != FALSE, p.Invalid) << p.X << "," << p.Y;
    }
    ValidateRect(window, nullptr);
    InvalidateControlRect(Inner, TRect{1, 1, 3, 3}, false);
    GetUpdateRgn(window, update, FALSE);
    EXPECT_TRUE(PtInRegion(update, 2, 2));
    EXPECT_FALSE(PtInRegion(update, 5, 5));
    DeleteObject(update);
}
