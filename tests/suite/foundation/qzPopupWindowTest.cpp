// The popup window base: where it opens against its owner on one or two monitors, the owner's
// caption while it is active, closing when the application is left, its children moved by the
// border once, and its three borders.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMonitor.h"
#include "suite/foundation/qzControls.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Text(const POINT& p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

class PopupWindowTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        // Two monitors side by side; the first has a task bar of 40 pixels at the bottom.
        WinSetTestMonitors({{RECT{0, 0, 800, 600}, RECT{0, 0, 800, 560}, true, ""},
                            {RECT{800, 0, 1600, 600}, RECT{800, 0, 1600, 600}, false, ""}});
        Popup = new TqzPopupWindow(nullptr);
        Popup->SetBounds(0, 0, 100, 80);
        Form->Show();
        App->ProcessMessages();
    }
    void TearDown() override {
        delete Popup;
        TFormFixture::TearDown();
        WinSetTestMonitors({});
        ControlsUnitFinalize();
        LookAndFeelsFinalize();
    }
    // Where the popup opens against a screen rectangle of the form.
    POINT Place(const RECT& screen) {
        const POINT topLeft = Form->ScreenToClient(POINT{screen.left, screen.top});
        Popup->SetOwnerParent(Form);
        Popup->SetOwnerBounds(TRect{topLeft.x, topLeft.y, topLeft.x + screen.right - screen.left,
                                    topLeft.y + screen.bottom - screen.top});
        TPoint p{0, 0};
        Popup->CalcPopupPosition(p);
        return POINT{p.x, p.y};
    }

    TqzPopupWindow* Popup = nullptr;
};

} // namespace

TEST_F(PopupWindowTest, PlacementOnTheOwnersMonitor) {
    struct TCase {
        const char* Name;
        Integer Direction, AlignHorz, AlignVert, Height;
        RECT Owner;
        POINT Expected;
    };
    const TCase cases[] = {
        {"below", 1, 0, 2, 80, {100, 100, 200, 120}, {100, 120}},
        {"right-aligned below", 1, 2, 2, 80, {100, 100, 300, 120}, {200, 120}},
        {"flips up near the task bar", 1, 0, 2, 80, {100, 500, 200, 520}, {100, 420}},
        {"above without room above flips down", 1, 0, 0, 80, {100, 30, 200, 50}, {100, 50}},
        // Neither side has room: it stays below, moved into the work area across.
        {"no room: stays below, clamped across", 1, 0, 2, 550, {750, 250, 790, 270}, {700, 270}},
        {"beside, to the right", 0, 2, 0, 80, {100, 100, 200, 120}, {200, 100}},
        {"beside near the right edge flips left", 0, 2, 0, 80, {700, 100, 780, 120}, {600, 100}},
        {"beside, clamped to the work area's bottom", 0, 2, 0, 80, {100, 530, 200, 550}, {200, 480}},
        {"centred", 1, 1, 2, 80, {100, 100, 300, 120}, {150, 120}},
        // On the second monitor the popup keeps within that monitor.
        {"second monitor", 1, 0, 2, 80, {1550, 300, 1580, 320}, {1500, 320}},
        {"second monitor, no task bar", 1, 0, 2, 80, {900, 500, 1000, 520}, {900, 520}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Popup->SetDirection(c.Direction);
        Popup->SetAlignHorz(c.AlignHorz);
        Popup->SetAlignVert(c.AlignVert);
        Popup->SetHeight(c.Height);
        EXPECT_EQ(Text(Place(c.Owner)), Text(c.Expected));
        // The alignment properties themselves stay.
        EXPECT_EQ(Popup->GetAlignVert(), c.AlignVert);
        EXPECT_EQ(Popup->GetAlignHorz(), c.AlignHorz);
    }
}

TEST_F(PopupWindowTest, TheOwnerLooksActiveUntilTheApplicationIsLeft) {
    std::vector<WPARAM> ncActivate;
    TWndMethod formProc = Form->WindowProc;
    struct TSpy {
        std::vector<WPARAM>* Seen;
        TWndMethod Inner;
        void Proc(TMessage& m) {
            if (m.Msg == WM_NCACTIVATE) Seen->push_back(m.WParam);
            Inner(m);
        }
    } spy{&ncActivate, formProc};
    Form->WindowProc = TWndMethod(&spy, &TSpy::Proc);
    Popup->SetOwnerParent(Form);
    Popup->SetOwnerBounds(TRect{10, 10, 60, 30});
    Popup->Popup();
    App->ProcessMessages();
    ASSERT_TRUE(Popup->GetVisible());
    WinInputSurfaceActivated(Form->GetHandle(), true);
    App->ProcessMessages();
    ncActivate.clear();
    // The popup takes the activation from the form, whose caption stays active.
    WinInputSurfaceActivated(Popup->GetHandle(), true);
    App->ProcessMessages();
    EXPECT_EQ(Popup->GetPrevActiveWindow(), Form->GetHandle());
    ASSERT_FALSE(ncActivate.empty());
    EXPECT_EQ(ncActivate.back(), WPARAM(TRUE));
    // Another application is activated.
    WinInputSurfaceActivated(Popup->GetHandle(), false);
    App->ProcessMessages();
    ASSERT_FALSE(ncActivate.empty());
    EXPECT_EQ(ncActivate.back(), WPARAM(FALSE)) << "the owner's caption is left inactive";
    EXPECT_FALSE(Popup->GetVisible());
    Form->WindowProc = formProc;
}

TEST_F(PopupWindowTest, ChildrenAreMovedByTheBorderOnce) {
    auto* child = new TqzControl(Popup);
    child->SetParent(Popup);
    child->SetBounds(5, 5, 50, 20);
    Popup->SetBorderSpace(2);
    Popup->SetPopupBorderStyle(3); // 2 + 2 on each side
    Popup->Popup();
    Popup->Popup();
    EXPECT_EQ(child->GetLeft(), 9);
    EXPECT_EQ(child->GetTop(), 9);
    EXPECT_EQ(Popup->GetWidth(), 4 + 55 + 4);
    EXPECT_EQ(Popup->GetHeight(), 4 + 25 + 4);
    Popup->SetPopupBorderStyle(1);
    Popup->SetPopupBorderStyle(1);
    EXPECT_EQ(child->GetLeft(), 5);
    EXPECT_EQ(child->GetTop(), 5);
    Popup->Popup();
    Popup->Popup();
    EXPECT_EQ(child->GetLeft(), 8);
    EXPECT_EQ(child->GetTop(), 8);
    EXPECT_EQ(Popup->GetWidth(), 3 + 55 + 3);
    // Not adjustable: neither moved nor sized.
    Popup->SetPopupBorderStyle(0);
    Popup->SetAdjustable(false);
    Popup->Popup();
    EXPECT_EQ(child->GetLeft(), 5);
    EXPECT_EQ(Popup->GetWidth(), 3 + 55 + 3);
}

TEST_F(PopupWindowTest, TheThreeBorders) {
    struct TCase {
        Integer Style;
        Integer Width;
        TColor Outer;
    };
    const TCase cases[] = {{1, 1, clWindowText}, {2, 1, clBtnHighlight}, {3, 2, cl3DLight}};
    TBitmap sheet;
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(3 * 50, 40);
    Popup->SetFrameColor(clWindowText);
    Popup->SetColor(clWindow);
    for (int i = 0; i < 3; ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(c.Style);
        Popup->SetPopupBorderStyle(c.Style);
        EXPECT_EQ(Popup->GetBorderWidth(0), c.Width);
        EXPECT_EQ(Popup->GetSideOffset(2), c.Width);
        Popup->SetBounds(0, 0, 44, 34);
        Popup->Show();
        App->ProcessMessages();
        Popup->PaintTo(sheet.GetCanvas()->GetHandle(), 50 * i + 3, 3);
        Popup->Hide();
        EXPECT_EQ(sheet.GetCanvas()->GetPixels(50 * i + 3, 20), TColor(ColorToRGB(c.Outer)));
        EXPECT_EQ(sheet.GetCanvas()->GetPixels(50 * i + 3 + 22, 3 + 17), TColor(ColorToRGB(clWindow)));
    }
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 150; ++x) {
            const TColor color = sheet.GetCanvas()->GetPixels(x, y);
            pixels.push_back(std::uint32_t(GetRValue(color)) << 16 | std::uint32_t(GetGValue(color)) << 8 |
                             GetBValue(color));
        }
    testsupport::WritePng(testsupport::ArtifactPath("qzPopupBorders.png"), 150, 40, pixels);
}
