// The drop-down editors' popup frame drawn from the theme (panel height, grip and close button
// from the theme's part sizes, the themed close button in its state) and the grip glyph mirrored
// into each corner.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"

namespace {

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

class EditPopupFrameTest : public testsupport::TFormFixture {
protected:
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        if (Fake) {
            ThemeManagerFinalize();
            Fake.reset();
            UxThemeInitialize();
        }
    }
    void UseFakeTheme() {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
    }
    // A sizeable popup frame with a panel and a close button.
    static void Frame(TqzCustomEditPopupWindowViewInfo& info, bool native, Byte corner) {
        info.PopupBorderStyle = epbsSingle;
        info.NativeStyle = native;
        info.Sizeable = true;
        info.SysPanelStyle = true;
        info.CloseButton = true;
        info.SizeGripCorner = corner;
        info.Bounds = TRect{0, 0, 200, 150};
        info.Calculate();
    }
    // The frame painted on white; the clipping it leaves behind is lifted so that every pixel reads.
    static void Paint(TqzCustomEditPopupWindowViewInfo& info, TBitmap& image) {
        image.SetSize(200, 150);
        image.GetCanvas()->GetBrush()->SetColor(clWhite);
        image.GetCanvas()->FillRect(TRect{0, 0, 200, 150});
        TqzCanvas canvas(image.GetCanvas());
        info.PaintBackground(&canvas);
        SelectClipRgn(image.GetCanvas()->GetHandle(), nullptr);
    }
    static TColor Pixel(TBitmap& image, Integer x, Integer y) { return image.GetCanvas()->GetPixels(x, y); }

    std::optional<TThemeFake> Fake;
};

TEST_F(EditPopupFrameTest, AThemedPanelTakesItsHeightGripAndCloseButtonFromTheThemeParts) {
    UseFakeTheme();
    Fake->SetPartSize("Window", WP_CLOSEBUTTON, 1, TS_TRUE, SIZE{24, 22});
    Fake->SetPartSize("ScrollBar", SBP_SIZEBOX, 1, TS_TRUE, SIZE{31, 32});
    ASSERT_GT(32, std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE)));
    TqzCustomEditPopupWindowViewInfo info;
    Frame(info, true, 3);
    EXPECT_EQ(32, info.SysPanelHeight) << "the taller of the two parts";
    TRect extents;
    info.GetClientExtent(extents);
    EXPECT_EQ(1 + 32 + 1, extents.bottom) << "frame, panel and separator";
    // The sizing region is (1, 1, 199, 149): the grip at least the size box + 2 in its corner, the
    // close button at its true size centred in the panel at the other end.
    EXPECT_EQ(Show(TRect{199 - 33, 149 - 34, 199, 149}), Show(info.SizeGripSizingRect));
    EXPECT_EQ(1, info.CloseButtonNativeState);
    EXPECT_EQ(Show(TRect{2, 149 - 5 - 22, 2 + 24, 149 - 5}), Show(info.CloseButtonRect));

    // Drawn: the close button part in the button's state, the size box at its true size into the
    // glyph's cell, and the separator line above the panel.
    Fake->Paint = false;
    info.CloseButtonState = qzbsPressed;
    Fake->Calls.clear();
    TBitmap image;
    Paint(info, image);
    std::vector<TThemeCall> closeParts, gripParts;
    for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground")) {
        if (call.Class == "Window" && call.Part == WP_CLOSEBUTTON) closeParts.push_back(call);
        if (call.Class == "ScrollBar" && call.Part == SBP_SIZEBOX) gripParts.push_back(call);
    }
    ASSERT_EQ(1u, closeParts.size());
    EXPECT_EQ(3, closeParts[0].State);
    EXPECT_EQ(Show(info.CloseButtonRect), Show(closeParts[0].Rect));
    ASSERT_EQ(1u, gripParts.size());
    EXPECT_EQ(1, gripParts[0].State);
    EXPECT_EQ(Show(TRect{0, 0, 31, 32}), Show(gripParts[0].Rect));
    EXPECT_EQ(ColorToRGB(clBtnText), ColorToRGB(Pixel(image, 100, info.ClientRect.bottom)));
    const Integer bx = info.CloseButtonRect.left + 3, by = info.CloseButtonRect.top + 3;
    Fake->SetTransparent("Window", WP_CLOSEBUTTON, -1);
    TBitmap seeThrough;
    Paint(info, seeThrough);
    EXPECT_EQ(ColorToRGB(clBtnFace), ColorToRGB(Pixel(seeThrough, bx, by))) << "a see-through button is";

    // Without native style nothing is asked of the theme.
    Fake->Calls.clear();
    TqzCustomEditPopupWindowViewInfo plain;
    Frame(plain, false, 3);
    TBitmap plainImage;
    Paint(plain, plainImage);
    EXPECT_EQ(std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE)), plain.SysPanelHeight);
    EXPECT_EQ(0, plain.CloseButtonNativeState);
    EXPECT_TRUE(Fake->CallsOf("DrawThemeBackground").empty());
    EXPECT_TRUE(Fake->CallsOf("GetThemePartSize").empty());
}

TEST_F(EditPopupFrameTest, TheGripGlyphIsMirroredIntoEachCorner) {
    // The bottom-right glyph, and for each other corner the same pixels mirrored.
    TqzCustomEditPopupWindowViewInfo reference;
    Frame(reference, false, 3);
    TBitmap referenceImage;
    Paint(reference, referenceImage);
    const TRect r = reference.SizeGripRect;
    const Integer width = r.right - r.left, height = r.bottom - r.top;
    bool drawn = false;
    for (Integer y = 0; y < height && !drawn; ++y)
        for (Integer x = 0; x < width && !drawn; ++x)
            drawn = ColorToRGB(Pixel(referenceImage, r.left + x, r.top + y)) != ColorToRGB(clBtnFace);
    ASSERT_TRUE(drawn) << "the glyph shows";
    for (Byte corner : {Byte(0), Byte(1), Byte(2)}) {
        SCOPED_TRACE(int(corner));
        TqzCustomEditPopupWindowViewInfo info;
        Frame(info, false, corner);
        TBitmap image;
        Paint(info, image);
        const TRect g = info.SizeGripRect;
        ASSERT_EQ(width, g.right - g.left);
        ASSERT_EQ(height, g.bottom - g.top);
        const bool mirrorX = !info.IsGripOnRight(), mirrorY = !info.IsGripAtBottom();
        Integer differences = 0;
        for (Integer y = 0; y < height; ++y)
            for (Integer x = 0; x < width; ++x) {
                const Integer rx = mirrorX ? width - 1 - x : x, ry = mirrorY ? height - 1 - y : y;
                if (ColorToRGB(Pixel(image, g.left + x, g.top + y)) !=
                    ColorToRGB(Pixel(referenceImage, r.left + rx, r.top + ry)))
                    ++differences;
            }
        EXPECT_EQ(0, differences);
    }
}

} // namespace
