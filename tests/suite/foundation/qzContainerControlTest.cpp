// The container control: its layout from the styles, hot tracking and mouse tracking, the
// border colour of the ultra-flat style, colour synchronisation with the normal style, and the
// container and its inner edit acting as one control for Tab.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

std::string RectText(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class TTestContainer;

// An edit hosted in a container: the container sees its messages first.
class TInnerTestEdit : public TEdit, public IqzContainerInnerControl {
public:
    TInnerTestEdit(TComponent* owner, TqzContainer* container) : TEdit(owner), FContainer(container) {}
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    TWinControl* GetControl() override { return this; }
    TqzContainer* GetControlContainer() override { return FContainer; }

protected:
    void WndProc(TMessage& message) override {
        if (FContainer && FContainer->InnerWindowProc(message)) return;
        TEdit::WndProc(message);
        if (FContainer && (message.Msg == WM_SETFOCUS || message.Msg == WM_KILLFOCUS))
            FContainer->HandleFocusChange();
    }

private:
    TqzContainer* FContainer;
};

class TTestContainer : public TqzContainer {
    KOV_CLASS(TTestContainer, TqzContainer)
public:
    explicit TTestContainer(TComponent* owner, bool withInner = false) : TqzContainer(owner) {
        if (withInner) {
            // Owned by the form, which so hears of it going while it has the focus.
            Inner = new TInnerTestEdit(owner, this);
            Inner->SetParent(this);
            SetInnerControl(Inner);
        }
    }
    // The inner edit goes while the container is whole: its messages come here first.
    ~TTestContainer() override { delete Inner; }
    void Notification(TComponent* component, TOperation operation) override {
        TqzContainer::Notification(component, operation);
        if (operation == opRemove && component == Inner) Inner = nullptr;
    }
    void StyleChanged(TqzContainerStyle* sender) override {
        ++StyleChanges;
        TqzContainer::StyleChanged(sender);
    }
    TInnerTestEdit* Inner = nullptr;
    Integer StyleChanges = 0;
};

class qzContainerControlTest : public testsupport::TFormFixture {
protected:
    // The pointer starts away from the form.
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        ControlsUnitFinalize();
    }
    TTestContainer* MakeContainer(bool withInner, Integer left = 10, Integer top = 10) {
        auto* container = new TTestContainer(Form, withInner);
        container->SetParent(Form);
        container->SetBounds(left, top, 100, 30);
        return container;
    }
    void ShowForm() { ShowUnfocused(); }
    POINT ScreenPt(TControl* control, int x, int y) { return control->ClientToScreen(POINT{x, y}); }
};

} // namespace

TEST_F(qzContainerControlTest, ClientRectangleFollowsBorderEdgesShadowAndTransparentBorder) {
    struct TCase {
        TqzContainerBorderStyle Border;
        TqzBorders Edges;
        bool Shadow, Transparent;
        std::string Client;
    };
    const TqzBorders all{bLeft, bTop, bRight, bBottom};
    const std::vector<TCase> cases = {
        {cbsSingle, all, false, false, "1,1,99,29"},
        {cbsSingle, all, true, false, "1,1,96,26"},
        {cbsSingle, TqzBorders{bLeft, bTop}, false, false, "1,1,100,30"},
        {cbs3D, all, false, false, "2,2,98,28"},
        {cbsNone, all, false, false, "0,0,100,30"},
        {cbsSingle, all, false, true, "2,2,98,28"},
        {cbs3D, all, false, true, "2,2,98,28"},
        {cbsNone, all, true, true, "2,2,95,25"},
    };
    auto* container = MakeContainer(true);
    ShowForm();
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Border) + (c.Shadow ? " shadow" : "") + (c.Transparent ? " transparent" : ""));
        TqzContainerStyle* style = container->GetStyle();
        style->SetBorderStyle(c.Border);
        style->SetEdges(c.Edges);
        style->SetShadow(c.Shadow);
        style->SetTransparentBorder(c.Transparent);
        App->ProcessMessages();
        EXPECT_EQ(RectText(container->GetViewInfo()->ClientRect), c.Client);
        EXPECT_EQ(RectText(container->Inner->GetBoundsRect()), c.Client);
        EXPECT_EQ(RectText(container->GetClientBounds()), c.Client);
    }
}

TEST_F(qzContainerControlTest, NativeStyleWithoutBorderUsesTheBoundsAndNoRegion) {
    ThemeManagerFinalize();
    UxThemeInitialize();
    {
        TThemeFake fake;
        ThemeManagerInitialize();
        auto* container = MakeContainer(false);
        container->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
        container->GetStyle()->SetBorderStyle(cbsNone);
        container->GetStyle()->SetTransparentBorder(false);
        container->GetStyle()->SetShadow(true);
        ShowForm();
        EXPECT_TRUE(container->GetViewInfo()->NativeStyle);
        EXPECT_FALSE(container->GetViewInfo()->Shadow);
        EXPECT_EQ(RectText(container->GetViewInfo()->ClientRect), "0,0,100,30");
        // The region is the whole control: nothing is cut off for a shadow.
        HRGN probe = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(container->GetHandle(), probe), ERROR);
        RECT box{};
        GetRgnBox(probe, &box);
        EXPECT_EQ(RectText(box), "0,0,100,30");
        // With a border the native frame has no region at all.
        container->GetStyle()->SetBorderStyle(cbsSingle);
        App->ProcessMessages();
        EXPECT_EQ(RectText(container->GetViewInfo()->ClientRect), "2,2,98,28");
        EXPECT_EQ(GetWindowRgn(container->GetHandle(), probe), ERROR);
        DeleteObject(probe);
        delete container;
        ThemeManagerFinalize();
    }
    UxThemeInitialize();
    ThemeManagerInitialize();
}

TEST_F(qzContainerControlTest, WithoutNativeStyleTheShadowShapesTheWindowRegion) {
    auto* container = MakeContainer(false);
    container->GetStyle()->SetBorderStyle(cbsSingle);
    container->GetStyle()->SetTransparentBorder(false);
    container->GetStyle()->SetShadow(true);
    ShowForm();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(container->GetHandle(), region), ERROR);
    // The control's rectangle less 3 on the right and bottom, and the shadow band 3 in.
    EXPECT_TRUE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 96, 26));
    EXPECT_FALSE(PtInRegion(region, 98, 1));
    EXPECT_TRUE(PtInRegion(region, 98, 4));
    EXPECT_FALSE(PtInRegion(region, 1, 28));
    EXPECT_TRUE(PtInRegion(region, 4, 28));
    DeleteObject(region);
}

TEST_F(qzContainerControlTest, TabFromTheInnerEditMovesOnButCtrlTabAndAltTabDoNot) {
    auto* container = MakeContainer(true);
    auto* next = new TEdit(Form);
    next->SetParent(Form);
    next->SetBounds(10, 60, 100, 20);
    ShowForm();
    container->SetFocus();
    App->ProcessMessages();
    ASSERT_TRUE(container->Inner->Focused());
    EXPECT_TRUE(container->Focused());
    EXPECT_TRUE(container->GetViewInfo()->ContainerState & qzcsFocused);

    for (UINT modifier : {UINT(VK_CONTROL), UINT(VK_MENU)}) {
        SCOPED_TRACE(modifier);
        WinInputKey(modifier, false, true);
        WinInputKey(VK_TAB, false, true);
        WinInputKey(VK_TAB, false, false);
        WinInputKey(modifier, false, false);
        App->ProcessMessages();
        EXPECT_FALSE(next->Focused());
    }
    WinInputKey(VK_TAB, false, true);
    WinInputKey(VK_TAB, false, false);
    App->ProcessMessages();
    EXPECT_TRUE(next->Focused());
    EXPECT_FALSE(container->Focused());
    EXPECT_FALSE(container->GetViewInfo()->ContainerState & qzcsFocused);
    // Shift+Tab comes back into the inner edit.
    WinInputKey(VK_SHIFT, false, true);
    WinInputKey(VK_TAB, false, true);
    WinInputKey(VK_TAB, false, false);
    WinInputKey(VK_SHIFT, false, false);
    App->ProcessMessages();
    EXPECT_TRUE(container->Inner->Focused());
    EXPECT_EQ(ContainerFromControl(container->Inner), container);
    EXPECT_EQ(ContainerFromControl(container), container);
    EXPECT_EQ(ContainerFromControl(next), nullptr);
    EXPECT_EQ(container->GetActiveControl(), container->Inner);
}

TEST_F(qzContainerControlTest, HotTrackingNeedsNoButtonOrModifierAndTrackingFindsTheMouseGone) {
    auto* container = MakeContainer(false);
    ShowForm();
    WinInputMouseMove(ScreenPt(container, 50, 15));
    App->ProcessMessages();
    EXPECT_TRUE(container->GetViewInfo()->ContainerState & qzcsHot);
    EXPECT_EQ(container->GetActiveStyle(), container->GetStyleHot());
    EXPECT_TRUE(IsMouseTracking(container));

    // The pointer leaves without a message: the tracking timer finds it gone.
    SetCursorPos(ScreenPt(container, 300, 200).x, ScreenPt(container, 300, 200).y);
    ClockAdvanceMs(10);
    App->ProcessMessages();
    EXPECT_FALSE(container->GetViewInfo()->ContainerState & qzcsHot);
    EXPECT_FALSE(IsMouseTracking(container));

    WinInputKey(VK_SHIFT, false, true);
    WinInputMouseMove(ScreenPt(container, 40, 15));
    App->ProcessMessages();
    EXPECT_FALSE(container->GetViewInfo()->ContainerState & qzcsHot);
    WinInputKey(VK_SHIFT, false, false);

    WinInputMouseMove(ScreenPt(container, 300, 200));
    App->ProcessMessages();
    WinInputMouseButton(ScreenPt(container, 300, 200), TWinMouseButton::Left, true);
    WinInputMouseMove(ScreenPt(container, 45, 15));
    App->ProcessMessages();
    EXPECT_FALSE(container->GetViewInfo()->ContainerState & qzcsHot);
    WinInputMouseButton(ScreenPt(container, 45, 15), TWinMouseButton::Left, false);
    App->ProcessMessages();
    // Without HotTrack there is no hot state at all.
    container->GetStyle()->SetHotTrack(false);
    WinInputMouseMove(ScreenPt(container, 46, 16));
    App->ProcessMessages();
    EXPECT_FALSE(container->GetViewInfo()->ContainerState & qzcsHot);
    EXPECT_EQ(container->GetViewInfo()->HotState, qzhsNone);
}

TEST_F(qzContainerControlTest, UltraFlatBorderIsHighlightedWhenFocusedAndShadowedWhenIdle) {
    auto* container = MakeContainer(true);
    auto* other = MakeContainer(true, 10, 60);
    container->GetStyle()->SetBorderStyle(cbsUltraFlat);
    ShowForm();
    other->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(container->GetViewInfo()->BorderColor, clBtnShadow);
    EXPECT_EQ(container->GetViewInfo()->BorderStyle, cbsSingle);
    container->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(container->Focused());
    EXPECT_EQ(container->GetViewInfo()->ContainerState & qzcsFocused, qzcsFocused);
    EXPECT_EQ(container->GetViewInfo()->BorderColor, clHighlight);
    EXPECT_EQ(container->GetActiveStyle(), container->GetStyleFocused());
    // A plain border takes the style's colour.
    container->GetStyle()->SetBorderStyle(cbsSingle);
    container->GetStyleFocused()->SetBorderColor(clRed);
    App->ProcessMessages();
    EXPECT_EQ(container->GetViewInfo()->BorderColor, clRed);
    EXPECT_EQ(container->GetViewInfo()->BorderStyle, cbsThick);
    container->SetEnabled(false);
    App->ProcessMessages();
    EXPECT_TRUE(container->GetViewInfo()->ContainerState & qzcsDisabled);
    EXPECT_EQ(container->GetViewInfo()->BorderColor, clBtnShadow);
    EXPECT_EQ(container->Inner->GetColor(), clBtnFace);
}

TEST_F(qzContainerControlTest, ColorGoesIntoTheNormalStyleWithoutALoop) {
    auto* container = MakeContainer(true);
    ShowForm();
    container->StyleChanges = 0;
    container->SetColor(clYellow);
    EXPECT_TRUE(container->GetStyle()->GetAssignedValues().Contains(svColor));
    EXPECT_EQ(container->GetStyle()->GetColor(), clYellow);
    EXPECT_EQ(container->GetColor(), clYellow);
    EXPECT_EQ(container->StyleChanges, 1);
    App->ProcessMessages();
    EXPECT_EQ(container->Inner->GetColor(), clYellow);
    // And a style colour reaches the control.
    container->GetStyle()->SetColor(clAqua);
    EXPECT_EQ(container->GetColor(), clAqua);
    // A font set on the control is shown by the inner control without becoming assigned.
    TFont font;
    font.SetName("Courier New");
    container->GetFont()->Assign(&font);
    EXPECT_FALSE(container->GetStyle()->GetAssignedValues().Contains(svFont));
    EXPECT_EQ(container->GetStyle()->GetFont()->GetName(), "Courier New");
    App->ProcessMessages();
    EXPECT_EQ(container->Inner->GetFont()->GetName(), "Courier New");
}

// ---- Picture -----------------------------------------------------------------------------------

TEST_F(qzContainerControlTest, SheetOfBorderStylesKindsAndStatesWithAPopupAndAList) {
    Form->SetBounds(20, 20, 620, 420);
    const TqzLookAndFeelKind kinds[] = {lfFlat, lfStandard, lfUltraFlat, lfOffice11};
    std::vector<TTestContainer*> focused;
    for (int k = 0; k < 4; ++k) {
        for (int b = 0; b <= cbsOffice11; ++b) {
            for (int variant = 0; variant < 2; ++variant) {
                auto* c = MakeContainer(false, 8 + b * 84, 8 + k * 64 + variant * 30);
                c->SetBounds(c->GetLeft(), c->GetTop(), 76, 24);
                TqzContainerStyle* style = c->GetStyle();
                style->GetLookAndFeel()->SetKind(kinds[k]);
                style->SetBorderStyle(TqzContainerBorderStyle(b));
                style->SetTransparentBorder(false);
                if (variant == 1 && b % 3 == 0) style->SetShadow(true);
                if (variant == 1 && b % 3 == 1) style->SetEdges(TqzBorders{bLeft, bBottom});
                if (variant == 1 && b % 3 == 2) c->SetEnabled(false);
                if (variant == 0 && b == cbsSingle) focused.push_back(c);
            }
        }
    }
    auto* list = new TqzCustomInnerListBox(Form);
    list->SetParent(Form);
    list->SetBounds(8, 270, 160, 100);
    list->SetScrollWidth(400);
    for (int i = 0; i < 30; ++i) list->GetItems()->Add("A rather long list item number " + std::to_string(i));
    ShowForm();
    list->SetItemIndex(2);
    focused[2]->SetFocus();
    WinInputMouseMove(ScreenPt(focused[1], 30, 10));
    App->ProcessMessages();

    auto* popup = new TqzCustomPopupWindow(focused[0]);
    popup->SetTakesFocus(false);
    popup->SetOwnerParent(Form);
    popup->SetOwnerBounds(TRect{200, 270, 300, 290});
    popup->SetBounds(0, 0, 140, 90);
    popup->SetColor(clInfoBk);
    popup->GetViewInfo()->BorderStyle = cbsSingle;
    popup->GetViewInfo()->BorderWidth = 1;
    popup->GetViewInfo()->BorderColor = clWindowFrame;
    popup->GetViewInfo()->BackgroundColor = clInfoBk;
    popup->GetViewInfo()->Bounds = TRect{0, 0, 140, 90};
    popup->GetViewInfo()->BorderRect = TRect{1, 1, 139, 89};
    popup->GetViewInfo()->Edges = TqzBorders{bLeft, bTop, bRight, bBottom};
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    UpdateWindow(popup->GetHandle());
    UpdateWindow(Form->GetHandle());

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    RECT frame;
    GetWindowRect(Form->GetHandle(), &frame);
    std::vector<std::uint32_t> pixels(std::size_t(s.Width * s.Height));
    for (int y = 0; y < s.Height; ++y) std::copy_n(s.Row(y), s.Width, pixels.begin() + std::size_t(y * s.Width));
    GdiSurface ps;
    RECT pr;
    GetWindowRect(popup->GetHandle(), &pr);
    ASSERT_TRUE(WinGetSurface(popup->GetHandle(), ps));
    for (int y = 0; y < ps.Height; ++y)
        for (int x = 0; x < ps.Width; ++x) {
            const int px = pr.left - frame.left + x, py = pr.top - frame.top + y;
            if (px >= 0 && py >= 0 && px < s.Width && py < s.Height)
                pixels[std::size_t(py * s.Width + px)] = ps.Row(y)[x];
        }
    testsupport::WritePng(testsupport::ArtifactPath("qzContainerSheet.png"), s.Width, s.Height, pixels);
    auto at = [&](TControl* control, int x, int y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        return GdiPixelToColor(pixels[std::size_t((p.y - frame.top) * s.Width + (p.x - frame.left))] & 0xFFFFFF);
    };
    // The focused single border is raised to a thick one; the popup shows its own frame.
    EXPECT_EQ(at(focused[2], 0, 10), COLORREF(ColorToRGB(clWindowFrame)));
    EXPECT_EQ(at(focused[2], 1, 10), COLORREF(ColorToRGB(clWindowFrame)));
    EXPECT_EQ(at(focused[2], 10, 10), COLORREF(ColorToRGB(clWindow)));
    EXPECT_EQ(at(popup, 0, 40), COLORREF(ColorToRGB(clWindowFrame)));
    EXPECT_EQ(at(popup, 40, 40), COLORREF(ColorToRGB(clInfoBk)));
    EXPECT_TRUE(list->GetHScrollBar()->GetVisible());
    EXPECT_TRUE(list->GetVScrollBar()->GetVisible());
    TRect grip = list->GetSizeGripRect();
    EXPECT_GT(grip.right, grip.left);
    popup->ClosePopup();
}

// The native style through the recording theme: every border style in each state, with a
// shadow and with partial edges, for the eye (qzContainerSheetNative.png).
TEST_F(qzContainerControlTest, NativeSheetTakesTheThemesFrameColourAndStateForEveryBorderStyle) {
    ThemeManagerFinalize();
    UxThemeInitialize();
    {
        TThemeFake fake;
        const COLORREF themeFrame = RGB(0x7F, 0x9D, 0xB9);
        fake.SetColor("ComboBox", 1, 1, TMT_BORDERCOLOR, themeFrame);
        fake.SetContentMargins("Edit", 1, RECT{2, 2, 2, 2});
        ThemeManagerInitialize();
        Form->SetBounds(20, 20, 620, 260);
        // Rows: normal, hot, focused, disabled, with a shadow, with left and bottom edges only.
        const int rows = 6;
        std::vector<std::vector<TTestContainer*>> grid(rows);
        for (int b = 0; b <= cbsOffice11; ++b)
            for (int row = 0; row < rows; ++row) {
                auto* c = MakeContainer(false, 8 + b * 84, 8 + row * 34);
                c->SetBounds(c->GetLeft(), c->GetTop(), 76, 24);
                TqzContainerStyle* style = c->GetStyle();
                style->GetLookAndFeel()->SetNativeStyle(true);
                style->SetBorderStyle(TqzContainerBorderStyle(b));
                style->SetTransparentBorder(false);
                style->SetHotTrack(true);
                if (row == 3) c->SetEnabled(false);
                if (row == 4) style->SetShadow(true);
                if (row == 5) style->SetEdges(TqzBorders{bLeft, bBottom});
                grid[std::size_t(row)].push_back(c);
            }
        ShowForm();
        TTestContainer* single = grid[0][cbsSingle];
        grid[2][cbsSingle]->SetFocus();
        WinInputMouseMove(ScreenPt(grid[1][cbsSingle], 30, 10));
        App->ProcessMessages();
        UpdateWindow(Form->GetHandle());

        // The theme's state by the container's: normal 1, hot 2, focused 5, disabled 4.
        const Integer states[rows] = {1, 2, 5, 4, 1, 1};
        for (int row = 0; row < rows; ++row) {
            SCOPED_TRACE(row);
            TqzContainerViewInfo* info = grid[std::size_t(row)][cbsSingle]->GetViewInfo();
            EXPECT_TRUE(info->NativeStyle);
            EXPECT_EQ(states[row], info->ThemeState);
            EXPECT_FALSE(info->Shadow); // the theme draws no shadow
        }

        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
        RECT frame;
        GetWindowRect(Form->GetHandle(), &frame);
        std::vector<std::uint32_t> pixels(std::size_t(s.Width * s.Height));
        for (int y = 0; y < s.Height; ++y) std::copy_n(s.Row(y), s.Width, pixels.begin() + std::size_t(y * s.Width));
        testsupport::WritePng(testsupport::ArtifactPath("qzContainerSheetNative.png"), s.Width, s.Height, pixels);
        auto at = [&](TControl* control, int x, int y) {
            const POINT p = control->ClientToScreen(POINT{x, y});
            return GdiPixelToColor(pixels[std::size_t((p.y - frame.top) * s.Width + (p.x - frame.left))] & 0xFFFFFF);
        };
        // A bordered native container: the theme's content margins filled with its frame
        // colour, the inside with the container's colour; without a border, all background.
        EXPECT_EQ(at(single, 0, 10), themeFrame);
        EXPECT_EQ(at(single, 1, 10), themeFrame);
        EXPECT_EQ(at(single, 2, 10), COLORREF(ColorToRGB(clWindow)));
        EXPECT_EQ(at(grid[0][cbsNone], 0, 10), COLORREF(ColorToRGB(clWindow)));
        EXPECT_EQ(at(grid[4][cbsSingle], 75, 23), themeFrame); // no shadow corner
        for (int row = 0; row < rows; ++row)
            for (TTestContainer* c : grid[std::size_t(row)]) delete c;
        ThemeManagerFinalize();
    }
    UxThemeInitialize();
    ThemeManagerInitialize();
}

TEST_F(qzContainerControlTest, ScalingScalesBoundsAndTheStylesOwnFont) {
    auto* container = MakeContainer(true);
    TFont font;
    font.SetSize(10);
    container->GetStyle()->SetFont(&font);
    auto* plain = MakeContainer(false, 20, 60);
    ShowForm();
    Form->ScaleBy(3, 2);
    App->ProcessMessages();
    EXPECT_EQ(RectText(container->GetBoundsRect()), "15,15,165,60");
    EXPECT_EQ(RectText(plain->GetBoundsRect()), "30,90,180,135");
    EXPECT_EQ(container->GetStyle()->GetFont()->GetSize(), 15);
    EXPECT_EQ(container->GetFont()->GetSize(), 15);
    EXPECT_EQ(container->Inner->GetFont()->GetSize(), 15);
    // A container without a font of its own keeps following its parent.
    EXPECT_FALSE(plain->GetStyle()->GetAssignedValues().Contains(svFont));
    EXPECT_TRUE(plain->GetParentFont());
    // Scaling by 1 changes nothing.
    container->ScaleBy(2, 2);
    EXPECT_EQ(RectText(container->GetBoundsRect()), "15,15,165,60");
    EXPECT_EQ(container->GetStyle()->GetFont()->GetSize(), 15);
}

TEST_F(qzContainerControlTest, ShiftTabFromTheInnerEditGoesToTheControlBeforeTheContainer) {
    auto* previous = new TEdit(Form);
    previous->SetParent(Form);
    previous->SetBounds(10, 10, 100, 20);
    auto* container = MakeContainer(true, 10, 40);
    auto* next = new TEdit(Form);
    next->SetParent(Form);
    next->SetBounds(10, 80, 100, 20);
    ShowForm();
    container->SetFocus();
    App->ProcessMessages();
    ASSERT_TRUE(container->Inner->Focused());

    // In the form's tab order the inner edit stands in the container's place while it is active.
    std::vector<TWinControl*> order;
    Form->GetTabOrderList(order);
    ASSERT_FALSE(order.empty());
    const auto at = std::find(order.begin(), order.end(), static_cast<TWinControl*>(container->Inner));
    ASSERT_NE(at, order.end());
    ASSERT_NE(at, order.begin());
    EXPECT_EQ(*(at - 1), previous);

    WinInputKey(VK_SHIFT, false, true);
    WinInputKey(VK_TAB, false, true);
    WinInputKey(VK_TAB, false, false);
    WinInputKey(VK_SHIFT, false, false);
    App->ProcessMessages();
    EXPECT_TRUE(previous->Focused());
    EXPECT_FALSE(container->Focused());
}

TEST_F(qzContainerControlTest, AnInnerWindowReachingPastTheClientAreaIsClippedToItByItsRegion) {
    auto* container = MakeContainer(true);
    ShowForm();
    const TRect client = container->GetViewInfo()->ClientRect;
    // Wider and taller than the client area, from its top-left corner.
    container->Inner->SetBounds(client.left, client.top, 300, 80);
    App->ProcessMessages();
    EXPECT_FALSE(container->IsInnerRegionWhole());
    EXPECT_EQ(RectText(container->GetInnerRegionRect()),
              RectText(TRect{0, 0, client.right - client.left, client.bottom - client.top}));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(container->Inner->GetHandle(), region), ERROR);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(RectText(TRect{box.left, box.top, box.right, box.bottom}),
              RectText(container->GetInnerRegionRect()));
    DeleteObject(region);

    // Back inside: no region at all.
    container->Inner->SetBounds(client.left, client.top, 10, 10);
    App->ProcessMessages();
    EXPECT_TRUE(container->IsInnerRegionWhole());
    region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(container->Inner->GetHandle(), region), ERROR);
    DeleteObject(region);
}

TEST_F(qzContainerControlTest, HasFocusCoversTheInnerControlButNeitherDesignNorAWindowBeingDestroyed) {
    auto* container = MakeContainer(true);
    auto* other = new TEdit(Form);
    other->SetParent(Form);
    other->SetBounds(10, 60, 100, 20);
    ShowForm();
    container->SetFocus();
    App->ProcessMessages();
    ASSERT_TRUE(container->Inner->Focused());
    EXPECT_TRUE(container->HasFocus());
    EXPECT_TRUE(container->Focused());

    const TControlState state = container->GetControlState();
    TControlState destroying = state;
    destroying.Include(csDestroyingHandle);
    container->SetControlState(destroying);
    EXPECT_FALSE(container->HasFocus());
    container->SetControlState(state);

    container->IncludeComponentState(csDesigning);
    EXPECT_FALSE(container->HasFocus());
    container->ExcludeComponentState(csDesigning);
    EXPECT_TRUE(container->HasFocus());

    other->SetFocus();
    App->ProcessMessages();
    EXPECT_FALSE(container->HasFocus());
    // Its own window focused, with no inner control.
    auto* plain = MakeContainer(false, 10, 100);
    plain->SetFocus();
    App->ProcessMessages();
    ASSERT_EQ(GetFocus(), plain->GetHandle());
    EXPECT_TRUE(plain->HasFocus());
}
