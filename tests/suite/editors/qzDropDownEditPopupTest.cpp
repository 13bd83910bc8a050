// The drop-down editors' popup frame drawn from the theme (panel height, grip and close button
// from the theme's part sizes, the themed close button in its state) and the grip glyph mirrored
// into each corner; a popup dragged by the mouse on two monitors keeps contact with its editor and
// stays in the work area under the pointer.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinMonitor.h"
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

namespace {

// Two monitors side by side: the primary one with a task bar at the bottom, a narrow one on its
// right with a task bar at its right edge.
class EditPopupDragTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        WinSetTestMonitors({TWinMonitor{RECT{0, 0, 800, 600}, RECT{0, 0, 800, 570}, true, {}},
                            TWinMonitor{RECT{800, 0, 1000, 600}, RECT{800, 0, 980, 600}, false, {}}});
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        WinSetTestMonitors({});
    }
    // A popup edit at (10, 10) of the form hosting a 250 x 120 panel, its popup open (not modal:
    // the test drives it) with no minimum size.
    TqzPopupEdit* OpenPopupEdit() {
        auto* panel = new TPanel(Form);
        panel->SetParent(Form);
        panel->SetBounds(0, 0, 250, 120);
        panel->SetVisible(false);
        auto* editor = new TqzPopupEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 120, 21);
        TqzPopupEditProperties* p = editor->GetProperties();
        p->SetImmediatePopup(false);
        p->SetPopupControl(panel);
        p->SetPopupMinWidth(0);
        p->SetPopupMinHeight(0);
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
        editor->GetPopupWindow()->SetModal(false);
        editor->DropDown();
        App->ProcessMessages();
        EXPECT_TRUE(editor->HasOpenPopup());
        return editor;
    }
    // The editor on the screen.
    static TRect OwnerOnScreen(TqzCustomDropDownEdit* editor) {
        const TRect owner = editor->GetPopupOwnerBounds();
        const POINT a = editor->GetParent()->ClientToScreen(POINT{owner.left, owner.top});
        const POINT b = editor->GetParent()->ClientToScreen(POINT{owner.right, owner.bottom});
        return TRect{a.x, a.y, b.x, b.y};
    }
    // A drag from a point of the popup to a point of the screen, where the pointer then is.
    static void Drag(TqzCustomEditPopupWindow* popup, POINT from, POINT to) {
        SetCapture(popup->GetHandle());
        popup->HandleMouseDown(mbLeft, {}, from.x, from.y);
        SetCursorPos(to.x, to.y);
        const POINT p = popup->ScreenToClient(to);
        popup->HandleMouseMove({ssLeft}, p.x, p.y);
        popup->HandleMouseUp(mbLeft, {}, p.x, p.y);
    }
};

TEST_F(EditPopupDragTest, APopupShrunkFromItsFreeSideKeepsOnePixelOverItsEditor) {
    // Near the right edge the popup lies left of where the editor would put it, its grip on the
    // left; dragging its left frame far right shrinks it no further than the editor's last column.
    Form->SetBounds(600, 100, 200, 150);
    TqzPopupEdit* editor = OpenPopupEdit();
    TqzCustomEditPopupWindow* popup = editor->GetPopupWindow();
    const TRect owner = OwnerOnScreen(editor);
    ASSERT_EQ(800, popup->GetLeft() + popup->GetWidth()) << "kept on the monitor";
    ASSERT_LT(popup->GetLeft(), owner.left);
    ASSERT_EQ(2, popup->GetEditViewInfo()->SizeGripCorner);
    const Integer midY = popup->GetHeight() / 2;
    Drag(popup, POINT{0, midY}, POINT{790, popup->GetTop() + midY});
    EXPECT_EQ(owner.right - 1, popup->GetLeft());
    EXPECT_EQ(800, popup->GetLeft() + popup->GetWidth()) << "the edge on the far side stays";
    EXPECT_TRUE(editor->GetUserSized());
}

TEST_F(EditPopupDragTest, TheDraggedEdgesStayInTheWorkAreaUnderThePointer) {
    Form->SetBounds(100, 100, 300, 200);
    struct Case {
        const char* what;
        bool rightFrame;  // else the bottom frame
        POINT pointer;    // on the screen
        Integer expected; // the dragged edge on the screen
    };
    const std::vector<Case> cases = {
        // Grabbed at its last column, which follows the pointer.
        {"on the first monitor", true, POINT{700, 300}, 701},
        {"past the second monitor's task bar", true, POINT{995, 300}, 980},
        {"into the first monitor's task bar", false, POINT{300, 590}, 570},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TqzPopupEdit* editor = OpenPopupEdit();
        TqzCustomEditPopupWindow* popup = editor->GetPopupWindow();
        ASSERT_EQ(3, popup->GetEditViewInfo()->SizeGripCorner);
        const TRect before = popup->GetBoundsRect();
        const POINT from = c.rightFrame ? POINT{popup->GetWidth() - 1, popup->GetHeight() / 2}
                                        : POINT{20, popup->GetHeight() - 1};
        Drag(popup, from, c.pointer);
        const TRect after = popup->GetBoundsRect();
        if (c.rightFrame) {
            EXPECT_EQ(c.expected, after.right);
            EXPECT_EQ(before.left, after.left) << "the side at the editor stays";
            EXPECT_EQ(before.bottom, after.bottom);
        } else {
            EXPECT_EQ(c.expected, after.bottom);
            EXPECT_EQ(before.top, after.top) << "the side at the editor stays";
            EXPECT_EQ(before.right, after.right);
        }
        editor->CloseUp(qzcrUnknown);
        delete editor;
        SetCursorPos(0, 0);
    }
}

} // namespace
