// The styled control base: the keys it wants, the layout of its own scroll bars, focus on a
// click, a handler that frees the control, wheel steps, the system scroll-bar size, its own
// drag-and-drop, middle-button drag scrolling and drag detection, the timer component, hover
// tracking and the input helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/qzControls.h"
#include "platform/winapi/GdiFrame.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
std::string Text(const POINT& p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

struct TScrollStep {
    TScrollBarKind Kind;
    TScrollCode Code;
};

// A control with content of a given size: it asks for bars where the content does not fit the
// client bounds (or the area its bars leave, for a control that lags behind), and records every
// scrolling request.
class TContentControl : public TqzControl {
public:
    explicit TContentControl(TComponent* owner) : TqzControl(owner) {}

    Integer ContentWidth = 0;
    Integer ContentHeight = 0;
    bool PixelScrolling = false;
    // Computes the page from the bars that show now instead of the planned ones.
    bool Lagging = false;
    // Replaces the content rule.
    std::function<void(TContentControl*)> Compute;
    std::vector<TScrollStep> Steps;
    int MouseLeaves = 0;
    int FocusChanges = 0;
    int DropsAccepted = 0;
    int DropsCancelled = 0;
    bool DragAndDropAllowed = false;

    void ComputeScrollBarParams() override {
        if (Compute) {
            Compute(this);
            return;
        }
        TRect client = GetClientBounds();
        if (Lagging) {
            client = GetBounds();
            if (GetHScrollBar()->IsShown()) client.bottom -= GetHScrollBar()->GetHeight();
            if (GetVScrollBar()->IsShown()) client.right -= GetVScrollBar()->GetWidth();
        }
        SetScrollBarInfo(sbHorizontal, 0, ContentWidth - 1, 1, client.right - client.left, 0, true, true);
        SetScrollBarInfo(sbVertical, 0, ContentHeight - 1, 1, client.bottom - client.top, 0, true, true);
    }
    bool IsPixelScrolling(TScrollBarKind) override { return PixelScrolling; }
    void ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) override {
        Steps.push_back({kind, code});
    }
    void HandleMouseLeave(TControl* control) override {
        ++MouseLeaves;
        TqzControl::HandleMouseLeave(control);
    }
    void HandleFocusChange() override {
        ++FocusChanges;
        TqzControl::HandleFocusChange();
    }
    bool CanStartDragAndDrop(const TPoint&) override { return DragAndDropAllowed; }
    TqzDragAndDropObjectClass GetDragAndDropObjectClass() override {
        return [](TqzControl* control) -> TqzDragAndDropObject* { return new TRecordingObject(control); };
    }

    class TRecordingObject : public TqzDragAndDropObject {
    public:
        using TqzDragAndDropObject::TqzDragAndDropObject;
        void AfterDragAndDrop(bool accepted) override {
            auto* owner = static_cast<TContentControl*>(GetControl());
            ++(accepted ? owner->DropsAccepted : owner->DropsCancelled);
        }
    };
};

class ControlsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Control = new TContentControl(Form);
        Control->SetParent(Form);
        Control->SetBounds(10, 10, 200, 100);
        Other = new TContentControl(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 150, 100, 40);
        Form->Show();
        App->ProcessMessages();
    }
    void TearDown() override {
        UnhookScript();
        ResetSystemParameters();
        TFormFixture::TearDown();
        ControlsUnitFinalize();
        LookAndFeelsFinalize();
    }

    POINT ScreenPt(TControl* control, int x, int y) { return control->ClientToScreen(POINT{x, y}); }

    void Layout(Integer width, Integer height) {
        Control->ContentWidth = width;
        Control->ContentHeight = height;
        Control->UpdateScrollBars();
    }

    // A script sees each message a modal loop takes (the drag-scrolling and drag-detection
    // loops), after it was taken.
    void HookScript(std::function<void(const MSG&)> script) {
        Script = std::move(script);
        Hook = SetWindowsHookExA(WH_GETMESSAGE, ScriptHook, nullptr, GetCurrentThreadId());
    }
    void UnhookScript() {
        if (Hook != nullptr) UnhookWindowsHookEx(Hook);
        Hook = nullptr;
        Script = nullptr;
    }
    static LRESULT ScriptHook(int code, WPARAM wParam, LPARAM lParam) {
        if (code >= 0 && Script) Script(*reinterpret_cast<const MSG*>(lParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    TContentControl* Control = nullptr;
    TContentControl* Other = nullptr;
    HHOOK Hook = nullptr;
    static std::function<void(const MSG&)> Script;
};

std::function<void(const MSG&)> ControlsTest::Script;

// ---- Keys -----------------------------------------------------------------------------------------

TEST_F(ControlsTest, WantedKeysAnswerTheDialogCodeAndCtrlTabLeavesAWantTabControl) {
    struct TCase {
        TqzControlWantedKeys Keys;
        LRESULT Code;
    };
    const TCase cases[] = {{{}, 0},
                           {{wantAllKeys}, DLGC_WANTALLKEYS},
                           {{wantArrows}, DLGC_WANTARROWS},
                           {{wantChars}, DLGC_WANTCHARS},
                           {{wantTab}, DLGC_WANTTAB},
                           {{wantAllKeys, wantArrows, wantChars, wantTab}, 0x87}};
    for (const TCase& c : cases) {
        Control->SetWantedKeys(c.Keys);
        EXPECT_EQ(Control->Perform(WM_GETDLGCODE, 0, 0), c.Code);
    }

    // Tab stays in the control; with Ctrl held the dialog manager gets it instead.
    Control->SetWantedKeys({wantTab});
    Control->SetFocus();
    App->ProcessMessages();
    int dialogKeys = 0;
    TWndMethod formProc = Form->WindowProc;
    struct TSpy {
        int* Count;
        TWndMethod Inner;
        void Proc(TMessage& m) {
            if (m.Msg == CM_DIALOGKEY && m.WParam == VK_TAB) ++*Count;
            Inner(m);
        }
    } spy{&dialogKeys, formProc};
    Form->WindowProc = TWndMethod(&spy, &TSpy::Proc);
    WinInputKey(VK_TAB, false, true);
    WinInputKey(VK_TAB, false, false);
    App->ProcessMessages();
    EXPECT_EQ(dialogKeys, 0);
    EXPECT_TRUE(Control->Focused());

    WinInputKey(VK_CONTROL, false, true);
    App->ProcessMessages();
    EXPECT_EQ(Control->Perform(WM_GETDLGCODE, 0, 0), 0);
    WinInputKey(VK_TAB, false, true);
    WinInputKey(VK_TAB, false, false);
    WinInputKey(VK_CONTROL, false, false);
    App->ProcessMessages();
    EXPECT_EQ(dialogKeys, 1);
    Form->WindowProc = formProc;
}

// ---- Scroll bars ----------------------------------------------------------------------------------

TEST_F(ControlsTest, BarsFollowTheContent) {
    struct TCase {
        const char* Name;
        Integer Width, Height;
        bool H, V, Grip;
    };
    // The control is 200 x 100; the bars are 16 thick.
    const TCase cases[] = {
        {"fits", 200, 100, false, false, false},
        {"wider", 300, 50, true, false, false},
        {"higher", 150, 300, false, true, false},
        // Only a little wider: the horizontal bar takes the height the content needed.
        {"horizontal forces vertical", 210, 95, true, true, true},
        {"both", 400, 400, true, true, true},
        {"fits again", 10, 10, false, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Layout(c.Width, c.Height);
        EXPECT_EQ(Control->GetHScrollBar()->IsShown(), c.H);
        EXPECT_EQ(Control->GetVScrollBar()->IsShown(), c.V);
        EXPECT_EQ(Control->GetSizeGrip()->GetVisible(), c.Grip);
        if (c.H) {
            EXPECT_TRUE(Control->GetHScrollBar()->GetEnabled());
        }
        if (c.V) {
            EXPECT_TRUE(Control->GetVScrollBar()->GetEnabled());
        }
    }
}

TEST_F(ControlsTest, BothBarsAreLaidOutBesideTheClientBoundsWithTheGripInTheCorner) {
    Control->SetBorderStyle(bsSingle);
    const Integer border = Control->GetBorderSize();
    Layout(210, 95);
    const TRect client = Control->GetClientBounds();
    EXPECT_EQ(client.right, 200 - border - 16);
    EXPECT_EQ(client.bottom, 100 - border - 16);
    EXPECT_EQ(Text(Control->GetHScrollBar()->GetBoundsRect()), Text(TRect{border, client.bottom, client.right, client.bottom + 16}));
    EXPECT_EQ(Text(Control->GetVScrollBar()->GetBoundsRect()), Text(TRect{client.right, border, client.right + 16, client.bottom}));
    EXPECT_EQ(Text(Control->GetSizeGrip()->GetBoundsRect()), Text(TRect{client.right, client.bottom, client.right + 16, client.bottom + 16}));
    // The horizontal bar's page is the client width.
    EXPECT_EQ(Control->GetHScrollBar()->GetPageSize(), client.right - client.left);
    EXPECT_EQ(Control->GetHScrollBar()->GetMax(), 209);
}

TEST_F(ControlsTest, ContentThatFitsOnceBothBarsAreGoneShowsNoBars) {
    Control->PixelScrolling = true;
    Control->Lagging = true;
    Layout(400, 400);
    ASSERT_TRUE(Control->GetHScrollBar()->IsShown() && Control->GetVScrollBar()->IsShown());
    // Exactly the whole control: needed only for the room the other bar takes.
    Layout(200, 100);
    EXPECT_FALSE(Control->GetHScrollBar()->IsShown());
    EXPECT_FALSE(Control->GetVScrollBar()->IsShown());
    EXPECT_FALSE(Control->GetSizeGrip()->GetVisible());
}

TEST_F(ControlsTest, BarsThatWouldFlipForeverEndShownDisabled) {
    // The vertical bar is wanted exactly while the horizontal one is not planned, and the
    // horizontal one exactly while the vertical one is: no layout ever settles.
    Control->Compute = [](TContentControl* c) {
        const bool h = c->IsHScrollBarVisible(), v = c->IsVScrollBarVisible();
        c->SetScrollBarInfo(sbHorizontal, 0, v ? 999 : 0, 1, 10, 0, true, true);
        c->SetScrollBarInfo(sbVertical, 0, h ? 0 : 999, 1, 10, 0, true, true);
    };
    Control->UpdateScrollBars();
    EXPECT_LT(Control->GetScrollBarComputeCount(), 40);
    const TqzControlScrollBar* bars[] = {Control->GetHScrollBar(), Control->GetVScrollBar()};
    bool disabledShown = false;
    for (const TqzControlScrollBar* bar : bars)
        disabledShown = disabledShown || (bar->IsShown() && !bar->GetEnabled());
    EXPECT_TRUE(disabledShown);
    // Again from there: still bounded.
    const Integer before = Control->GetScrollBarComputeCount();
    Control->UpdateScrollBars();
    EXPECT_LT(Control->GetScrollBarComputeCount() - before, 40);
}

TEST_F(ControlsTest, SetScrollBarInfoKeepsTheRangeOfContentThatFitsAndHonoursScrollBars) {
    Control->SetScrollBarInfo(sbHorizontal, 0, 99, 1, 20, 5, true, true);
    TqzScrollBarPlan& plan = Control->GetHScrollBar()->Plan;
    EXPECT_TRUE(plan.Visible && plan.Enabled);
    EXPECT_EQ(plan.LargeChange, 20);
    // Fits, may hide: hidden, range kept.
    Control->SetScrollBarInfo(sbHorizontal, 0, 9, 1, 20, 0, true, true);
    EXPECT_FALSE(plan.Visible);
    EXPECT_EQ(plan.Max, 99);
    EXPECT_EQ(plan.Position, 5);
    // Fits, may not hide: shown disabled.
    Control->SetScrollBarInfo(sbHorizontal, 0, 9, 1, 20, 0, true, false);
    EXPECT_TRUE(plan.Visible);
    EXPECT_FALSE(plan.Enabled);
    // A kind ScrollBars does not admit never shows.
    Control->SetScrollBars(ssVertical);
    Control->SetScrollBarInfo(sbHorizontal, 0, 99, 1, 20, 5, true, true);
    EXPECT_FALSE(plan.Visible);
    EXPECT_FALSE(plan.AllowShow);
}

TEST_F(ControlsTest, ANewSystemScrollBarSizeResizesTheBarsOfEveryLiveControl) {
    Layout(400, 400);
    Other->ContentWidth = 500;
    Other->ContentHeight = 500;
    Other->UpdateScrollBars();
    NONCLIENTMETRICSA metrics;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    metrics.iScrollWidth = 20;
    metrics.iScrollHeight = 22;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, SPIF_SENDCHANGE));
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 20);
    EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 22);
    EXPECT_EQ(GetSystemMetrics(SM_CXHSCROLL), 20);
    EXPECT_EQ(GetSystemMetrics(SM_CYVSCROLL), 22);
    App->ProcessMessages();
    for (TContentControl* c : {Control, Other}) {
        EXPECT_EQ(c->GetVScrollBar()->GetWidth(), 20);
        EXPECT_EQ(c->GetHScrollBar()->GetHeight(), 22);
        // Laid out again with the new sizes.
        EXPECT_EQ(c->GetClientBounds().right, c->GetWidth() - 20);
        EXPECT_EQ(c->GetVScrollBar()->GetLeft(), c->GetWidth() - 20);
    }
    TSize pair{};
    GetScrollBarMetrics(pair);
    EXPECT_EQ(pair.cx, 20);
    EXPECT_EQ(pair.cy, 22);
}

// ---- Mouse ------------------------------------------------------------------------------------------

TEST_F(ControlsTest, AClickFocusesUnlessTheFormIsDisabled) {
    Other->SetFocus();
    App->ProcessMessages();
    Control->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Control->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(Control->Focused());
    EXPECT_GT(Control->FocusChanges, 0);

    Other->SetFocus();
    App->ProcessMessages();
    Form->SetEnabled(false);
    EXPECT_FALSE(Control->CanReceiveFocus());
    EXPECT_FALSE(Control->CanFocusOnClick());
    Control->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Control->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(Control->Focused());
    Form->SetEnabled(true);

    Control->SetFocusOnClick(false);
    Control->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Control->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(Control->Focused());
}

TEST_F(ControlsTest, AMouseDownHandlerThatFreesTheControlEndsThePress) {
    struct TKiller {
        TContentControl** Target;
        void Down(TObject* sender, TMouseButton, TShiftState, Integer, Integer) {
            delete static_cast<TContentControl*>(sender);
            *Target = nullptr;
        }
    } killer{&Control};
    for (TWinMouseButton button : {TWinMouseButton::Left, TWinMouseButton::Middle}) {
        if (Control == nullptr) {
            Control = new TContentControl(Form);
            Control->SetParent(Form);
            Control->SetBounds(10, 10, 200, 100);
            Control->ContentWidth = 400;
            Control->ContentHeight = 400;
            Control->UpdateScrollBars();
            App->ProcessMessages();
        }
        Control->OnMouseDown = TMouseEvent(&killer, &TKiller::Down);
        const POINT p = ScreenPt(Control, 20, 20);
        WinInputMouseMove(p);
        WinInputMouseButton(p, button, true);
        WinInputMouseButton(p, button, false);
        App->ProcessMessages();
        EXPECT_EQ(Control, nullptr);
    }
}

TEST_F(ControlsTest, AWheelNotchOfAnySizeScrollsTheWheelLines) {
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWHEELSCROLLLINES, 4, nullptr, 0));
    Layout(400, 400);
    struct TCase {
        SHORT Delta;
        TScrollCode Code;
    };
    const TCase cases[] = {{120, scLineUp}, {-120, scLineDown}, {360, scLineUp}, {-360, scLineDown}};
    const POINT at = ScreenPt(Control, 20, 20);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Delta);
        Control->Steps.clear();
        EXPECT_EQ(Control->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(c.Delta)), MAKELPARAM(WORD(at.x), WORD(at.y))), 1);
        ASSERT_EQ(Control->Steps.size(), 4u);
        for (const TScrollStep& step : Control->Steps) {
            EXPECT_EQ(step.Kind, sbVertical);
            EXPECT_EQ(step.Code, c.Code);
        }
    }
    // Without a vertical bar the wheel is not the control's.
    Layout(400, 50);
    Control->Steps.clear();
    Control->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(120)), MAKELPARAM(WORD(at.x), WORD(at.y)));
    EXPECT_TRUE(Control->Steps.empty());
}

TEST_F(ControlsTest, OwnDragAndDropStartsPastTheThresholdAndEscapeCancelsIt) {
    Control->DragAndDropAllowed = true;
    Control->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(Control->GetDragAndDropState(), ddsPending);
    // Inside the threshold box nothing starts.
    Control->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(22, 21));
    EXPECT_EQ(Control->GetDragAndDropState(), ddsPending);
    WinInputMouseMove(ScreenPt(Control, 40, 40));
    Control->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 40));
    EXPECT_EQ(Control->GetDragAndDropState(), ddsDragging);
    EXPECT_EQ(Text(Control->GetDragAndDropObject()->CurrentPos), Text(TPoint{40, 40}));
    Control->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 45));
    EXPECT_EQ(Text(Control->GetDragAndDropObject()->PrevPos), Text(TPoint{40, 40}));
    Control->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(Control->GetDragAndDropState(), ddsNone);
    EXPECT_EQ(Control->DropsCancelled, 1);
    EXPECT_EQ(Control->DropsAccepted, 0);
    EXPECT_FALSE(Control->GetMouseCapture());

    // A release ends it as accepted.
    Control->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    WinInputMouseMove(ScreenPt(Control, 60, 20));
    Control->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 20));
    Control->Perform(WM_LBUTTONUP, 0, MAKELPARAM(60, 20));
    EXPECT_EQ(Control->DropsAccepted, 1);
    EXPECT_EQ(Control->GetDragAndDropState(), ddsNone);
}

TEST_F(ControlsTest, DetectMouseDragTellsAClickADragAndEscape) {
    struct TCase {
        const char* Name;
        std::function<void()> Input;
        Integer Expected;
    };
    const POINT start = ScreenPt(Control, 50, 50);
    const TCase cases[] = {
        {"click",
         [&] {
             WinInputMouseButton(start, TWinMouseButton::Right, true);
             WinInputMouseButton(start, TWinMouseButton::Right, false);
         },
         0},
        {"drag", [&] { WinInputMouseMove(POINT{start.x + 10, start.y}); }, 1},
        {"escape", [&] { WinInputKey(VK_ESCAPE, false, true); }, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WinInputMouseMove(start);
        App->ProcessMessages();
        // The input comes once the loop runs (the cursor moves as the input is made).
        bool given = false;
        HookScript([&](const MSG&) {
            if (!given) {
                given = true;
                c.Input();
            }
        });
        PostMessageA(Control->GetHandle(), WM_NULL, 0, 0);
        EXPECT_EQ(DetectMouseDrag(Control->GetHandle()), c.Expected);
        UnhookScript();
        EXPECT_NE(GetCapture(), Control->GetHandle());
        WinInputKey(VK_ESCAPE, false, false);
        App->ProcessMessages();
    }
}

// ---- Drag scrolling -----------------------------------------------------------------------------------

class DragScrollingTest : public ControlsTest {
protected:
    // Presses the middle button at the anchor, then inside the loop moves the mouse to the anchor
    // plus offset, lets ticks timer ticks pass and presses Escape; steps before the Escape are
    // counted. With releaseFirst the middle button goes up again before the move.
    int Run(POINT offset, int ticks, bool releaseFirst = false) {
        const POINT anchor = ScreenPt(Control, 100, 50);
        WinInputMouseMove(anchor);
        App->ProcessMessages();
        Control->Steps.clear();
        int seen = 0;
        bool started = false, ended = false;
        HookScript([&](const MSG& m) {
            if (!Control->GetIsDragScrolling() || ended) return;
            if (!started) {
                started = true;
                if (releaseFirst) WinInputMouseButton(anchor, TWinMouseButton::Middle, false);
                WinInputMouseMove(POINT{anchor.x + offset.x, anchor.y + offset.y});
                ClockAdvanceMs(20);
                return;
            }
            if (m.message == WM_TIMER && m.hwnd == nullptr) {
                if (++seen < ticks) {
                    ClockAdvanceMs(20);
                } else {
                    ended = true;
                    WinInputKey(VK_ESCAPE, false, true);
                }
            }
        });
        PostMessageA(Control->GetHandle(), WM_NULL, 0, 0);
        Control->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 50));
        UnhookScript();
        WinInputKey(VK_ESCAPE, false, false);
        App->ProcessMessages();
        EXPECT_FALSE(Control->GetIsDragScrolling());
        EXPECT_NE(GetCapture(), Control->GetHandle());
        return int(Control->Steps.size());
    }
};

TEST_F(DragScrollingTest, WithoutVisibleBarsAMiddlePressDoesNothing) {
    Layout(10, 10);
    Control->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 50));
    EXPECT_FALSE(Control->GetIsDragScrolling());
    EXPECT_NE(GetCapture(), Control->GetHandle());
    EXPECT_TRUE(Control->Steps.empty());
}

TEST_F(DragScrollingTest, SpeedGrowsWithTheDistanceFromTheAnchor) {
    Layout(400, 400);
    BITMAP anchor{};
    HBITMAP bitmap = LoadBitmapA(nullptr, "QZ_FULLSCROLLBITMAP");
    ASSERT_NE(bitmap, nullptr);
    GetObjectA(bitmap, sizeof(anchor), &anchor);
    DeleteObject(bitmap);
    const int half = anchor.bmWidth / 2;
    struct TCase {
        int Distance;
        int Steps; // in 24 ticks of 20 ms
    };
    // Speed s scrolls every 13 - s ticks: speed 1 (just outside the neutral zone) every 12,
    // speed 11 every 2, speed 12 (from W div 2 + 55 on) every tick.
    const TCase cases[] = {{half + 1, 2}, {half + 54, 12}, {half + 55, 24}, {half + 200, 24}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Distance);
        EXPECT_EQ(Run(POINT{0, c.Distance}, 24), c.Steps);
        for (const TScrollStep& step : Control->Steps) {
            EXPECT_EQ(step.Kind, sbVertical);
            EXPECT_EQ(step.Code, scLineDown);
        }
    }
    // Across: more horizontal than vertical scrolls the horizontal bar, to the left.
    EXPECT_EQ(Run(POINT{-(half + 55), 3}, 12), 12);
    EXPECT_EQ(Control->Steps.front().Kind, sbHorizontal);
    EXPECT_EQ(Control->Steps.front().Code, scLineUp);
    // At rest nothing scrolls, and Escape ends it.
    EXPECT_EQ(Run(POINT{2, 2}, 30), 0);
}

TEST_F(DragScrollingTest, AStillMiddleClickKeepsItRunning) {
    Layout(400, 400);
    // The release comes before the move: the loop goes on and scrolls.
    EXPECT_EQ(Run(POINT{0, -200}, 6, true), 6);
    EXPECT_EQ(Control->Steps.front().Code, scLineUp);
}

// ---- Timer and tracking -------------------------------------------------------------------------------

TEST_F(ControlsTest, TimerIgnoresIntervalZeroAndMessagesOfAKilledTimer) {
    TqzTimer timer(nullptr);
    int ticks = 0;
    struct TCounter {
        int* Ticks;
        void Tick(TObject*) { ++*Ticks; }
    } counter{&ticks};
    EXPECT_FALSE(timer.IsRunning()); // no event yet
    timer.SetInterval(250);
    timer.SetInterval(0);
    EXPECT_EQ(timer.GetInterval(), 250);
    timer.SetOnTimer(TNotifyEvent(&counter, &TCounter::Tick));
    EXPECT_TRUE(timer.IsRunning());
    ClockAdvanceMs(250);
    App->ProcessMessages();
    EXPECT_EQ(ticks, 1);

    HWND window = GetTimerWindow()->GetHandle();
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.IsRunning());
    PostMessageA(window, WM_TIMER, WPARAM(&timer), 0);
    App->ProcessMessages();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(true);
    PostMessageA(window, WM_TIMER, WPARAM(&timer), 0);
    App->ProcessMessages();
    EXPECT_EQ(ticks, 2);
}

TEST_F(ControlsTest, TrackingACallerTwiceMakesOneTimerAndOneLeave) {
    struct TCaller : IqzMouseTrackingCaller {
        int Leaves = 0;
        Integer AddRef() override { return -1; }
        Integer Release() override { return -1; }
        void MouseLeave() override { ++Leaves; }
    } caller;
    WinInputMouseMove(ScreenPt(Control, 20, 20));
    App->ProcessMessages();
    const int leavesBefore = Control->MouseLeaves;
    BeginMouseTracking(Control, TRect{0, 0, 200, 100}, &caller);
    BeginMouseTracking(Control, TRect{0, 0, 200, 100}, &caller);
    EXPECT_EQ(MouseTrackingCount(), 1);
    ClockAdvanceMs(10);
    App->ProcessMessages();
    EXPECT_EQ(caller.Leaves, 0);
    // The cursor leaves; the next tick tells the caller and the control once.
    SetCursorPos(ScreenPt(Control, 300, 300).x, ScreenPt(Control, 300, 300).y);
    App->ProcessMessages();
    EXPECT_EQ(caller.Leaves, 0);
    const int leavesBeforeTick = Control->MouseLeaves;
    ClockAdvanceMs(10);
    App->ProcessMessages();
    ClockAdvanceMs(10);
    App->ProcessMessages();
    EXPECT_EQ(caller.Leaves, 1);
    EXPECT_EQ(Control->MouseLeaves - leavesBeforeTick, 1);
    EXPECT_GE(Control->MouseLeaves - leavesBefore, 1);
    EXPECT_FALSE(IsMouseTracking(&caller));
    EXPECT_EQ(MouseTrackingCount(), 0);
    EndMouseTracking(&caller); // not tracked: nothing
}

// ---- Helpers ------------------------------------------------------------------------------------------

TEST(ControlsHelpers, NumericInputCharacters) {
    testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());
    struct TCase {
        char32_t Ch;
        bool Mode0, Mode1, Mode2, Mode3;
    };
    const TCase cases[] = {
        {U'0', true, true, true, true},   {U'9', true, true, true, true},  {U'+', true, true, true, true},
        {U'-', true, true, true, true},   {U',', false, true, true, false}, {U'.', false, false, false, false},
        {U'e', false, false, true, false}, {U'E', false, false, true, false}, {U'a', false, false, false, false},
        {U' ', false, false, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(1, char(c.Ch)));
        EXPECT_EQ(IsNumericInputChar(c.Ch, 0), c.Mode0);
        EXPECT_EQ(IsNumericInputChar(c.Ch, 1), c.Mode1);
        EXPECT_EQ(IsNumericInputChar(c.Ch, 2), c.Mode2);
        EXPECT_EQ(IsNumericInputChar(c.Ch, 3), c.Mode3);
    }
}

TEST(ControlsHelpers, PrintableCharactersAreCodePointsFrom32) {
    EXPECT_FALSE(IsPrintableChar(U'\t'));
    EXPECT_FALSE(IsPrintableChar(31));
    EXPECT_TRUE(IsPrintableChar(U' '));
    EXPECT_TRUE(IsPrintableChar(0xFF));
    EXPECT_TRUE(IsPrintableChar(U'中'));
    EXPECT_TRUE(IsInDragThresholdBox(TPoint{10, 10}, 14, 6));
    EXPECT_FALSE(IsInDragThresholdBox(TPoint{10, 10}, 10 + Mouse->GetDragThreshold(), 10));
}

TEST_F(ControlsTest, TheSuiteCursorsAreRegistered) {
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(qzCursorNames[i]);
        HCURSOR named = LoadCursorA(nullptr, qzCursorNames[i]);
        ASSERT_NE(named, nullptr);
        EXPECT_EQ(Screen->GetCursors(2100 + i), named);
    }
    // A sheet of the cursors on grey, and the three anchors, for a person to look at.
    TBitmap sheet;
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(15 * 34, 34 + 30);
    sheet.GetCanvas()->GetBrush()->SetColor(clGray);
    sheet.GetCanvas()->FillRect(TRect{0, 0, 15 * 34, 64});
    HDC dc = sheet.GetCanvas()->GetHandle();
    for (int i = 0; i < 15; ++i)
        DrawIcon(dc, 34 * i + 1, 1, Screen->GetCursors(2100 + i));
    int x = 1;
    for (const char* name : {"QZ_VERSCROLLBITMAP", "QZ_HORSCROLLBITMAP", "QZ_FULLSCROLLBITMAP"}) {
        HBITMAP bitmap = LoadBitmapA(nullptr, name);
        ASSERT_NE(bitmap, nullptr) << name;
        BITMAP info{};
        GetObjectA(bitmap, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, info.bmHeight) << name;
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, bitmap);
        BitBlt(dc, x, 35, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        DeleteObject(bitmap);
        x += info.bmWidth + 4;
    }
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 64; ++y)
        for (int px = 0; px < 15 * 34; ++px) {
            const TColor color = sheet.GetCanvas()->GetPixels(px, y);
            pixels.push_back(std::uint32_t(GetRValue(color)) << 16 | std::uint32_t(GetGValue(color)) << 8 |
                             GetBValue(color));
        }
    testsupport::WritePng(testsupport::ArtifactPath("qzCursors.png"), 15 * 34, 64, pixels);
}

} // namespace

namespace {

// A control whose drag shows a 16 x 12 picture.
class TPictureDragControl : public TqzControl {
public:
    using TqzControl::TqzControl;
    int Painted = 0;
    bool HasDragImages() override { return true; }
    TSize GetDragImageSize() override { return TSize{16, 12}; }
    void PaintDragImage(TqzCanvas* canvas, const TRect& bounds) override {
        ++Painted;
        canvas->SetBrushColor(clRed);
        canvas->FillRectOrTile(TRect{2, 2, 14, 10});
    }
};

} // namespace

TEST_F(ControlsTest, TheClassLibrarysDragShowsTheControlsDragImageUntilItEnds) {
    auto* control = new TPictureDragControl(Form);
    control->SetParent(Form);
    control->SetBounds(220, 10, 60, 60);
    App->ProcessMessages();
    EXPECT_TRUE(control->GetControlStyle().Contains(csDisplayDragImage));
    WinInputMouseMove(ScreenPt(control, 10, 10));
    App->ProcessMessages();
    control->BeginDrag(true);
    ASSERT_TRUE(control->Dragging());
    TDragImageList* images = control->GetDragImages();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(control->Painted, 1);
    EXPECT_EQ(images->GetCount(), 1);
    EXPECT_EQ(images->GetWidth(), 16);
    EXPECT_TRUE(images->GetDragging());
    control->EndDrag(false);
    EXPECT_FALSE(control->Dragging());
    // The list went with the drag; the next drag paints a new one.
    EXPECT_NE(control->GetDragImages(), nullptr);
    EXPECT_EQ(control->Painted, 2);
    // A control without drag images has none.
    EXPECT_EQ(Control->GetDragImages(), nullptr);
}

TEST_F(ControlsTest, PopupMenuHelpers) {
    auto* menu = new TPopupMenu(Form);
    for (int i = 0; i < 3; ++i) {
        auto* item = new TMenuItem(menu);
        item->SetCaption("Item");
        item->SetVisible(i != 1);
        menu->GetItems()->Add(item);
    }
    TScreenCanvas canvas;
    canvas.GetFont()->Assign(Screen->GetMenuFont());
    const Integer item = std::max<Integer>(GetSystemMetrics(SM_CYMENUSIZE), canvas.TextHeight("Qg") + 4);
    EXPECT_EQ(CalcPopupMenuHeight(menu), 2 * item + 6);
    EXPECT_EQ(CalcPopupMenuHeight(nullptr), 0);

    // Only a popup menu is kept as the control's menu.
    Control->SetPopupMenu(Form);
    EXPECT_EQ(Control->GetPopupMenu(), nullptr);
    Control->SetPopupMenu(menu);
    EXPECT_EQ(Control->GetPopupMenu(), menu);
    TWMKey key{WM_KEYDOWN, 'A', 0, 0};
    EXPECT_FALSE(IsPopupMenuShortCut(nullptr, key));
    EXPECT_FALSE(IsPopupMenuShortCut(Form, key));
    EXPECT_FALSE(ShowPopupMenuAt(Control, nullptr, 0, 0));
    menu->SetAutoPopup(false);
    EXPECT_FALSE(ShowPopupMenuAt(Control, menu, 0, 0));
    delete menu;
    EXPECT_EQ(Control->GetPopupMenu(), nullptr);
}

// The height computed for a popup menu is the height its window gets when it is shown: frame,
// text items, separators, owner-drawn items, bitmaps, images, breaks and a large menu font.
TEST_F(ControlsTest, PopupMenuHeightIsTheHeightOfItsWindow) {
    struct TMeasure : TObject {
        void Measure(TObject*, TCanvas*, Integer&, Integer& height) { height = 41; }
        void Popped(TObject*) {
            // The menu's loop reads these keys: the first item is selected, then the menu closes.
            for (UINT key : {UINT(VK_DOWN), UINT(VK_ESCAPE)}) {
                WinInputKey(key, false, true);
                WinInputKey(key, false, false);
            }
        }
        // Selecting an item shows its hint: the menu's window is open then.
        void Hint(TObject*) {
            if (HWND w = FindWindowA(WC_MENUA, nullptr)) GetWindowRect(w, &Where);
        }
        RECT Where{};
    } probe;
    auto add = [](TPopupMenu* menu, const String& caption) {
        auto* item = new TMenuItem(menu);
        item->SetCaption(caption);
        item->SetHint("hint of " + caption);
        menu->GetItems()->Add(item);
        return item;
    };
    auto* images = new TImageList(Form, 16, 26);
    images->SetWidth(16);
    images->SetHeight(26);
    struct TCase {
        const char* Name;
        std::function<void(TPopupMenu*)> Build;
        Integer MenuFontHeight = 0; // 0: the system's menu font
    };
    const TCase cases[] = {
        {"one item", [&](TPopupMenu* m) { add(m, "Open"); }},
        {"items and separators",
         [&](TPopupMenu* m) {
             add(m, "Open");
             add(m, "-");
             add(m, "Save");
             add(m, "-");
             add(m, "Close");
         }},
        {"hidden items do not count",
         [&](TPopupMenu* m) {
             add(m, "Open");
             add(m, "-")->SetVisible(false);
             add(m, "Save")->SetVisible(false);
             add(m, "Close");
         }},
        {"owner-drawn menu",
         [&](TPopupMenu* m) {
             m->SetOwnerDraw(true);
             add(m, "Open");
             add(m, "-");
             add(m, "Save");
         }},
        {"measured by its handler",
         [&](TPopupMenu* m) {
             m->SetOwnerDraw(true);
             add(m, "Open")->OnMeasureItem = TMenuMeasureItemEvent(&probe, &TMeasure::Measure);
             add(m, "Save");
         }},
        {"a bitmap item",
         [&](TPopupMenu* m) {
             add(m, "Open");
             add(m, "Save")->GetBitmap()->SetSize(16, 30);
             add(m, "-");
             add(m, "Close");
         }},
        {"a menu with images",
         [&](TPopupMenu* m) {
             m->SetImages(images);
             add(m, "Open")->SetImageIndex(0);
             add(m, "Save");
             add(m, "-");
         }},
        {"a break starts a second column",
         [&](TPopupMenu* m) {
             add(m, "Open");
             add(m, "-");
             add(m, "Save");
             add(m, "Close")->SetBreak(mbBreak);
             add(m, "Quit")->SetBreak(mbBarBreak);
         }},
        {"a taller second column",
         [&](TPopupMenu* m) {
             add(m, "Open");
             add(m, "Save")->SetBreak(mbBreak);
             add(m, "-");
             add(m, "Close");
         }},
        {"a large menu font", [&](TPopupMenu* m) {
             add(m, "Open");
             add(m, "-");
             add(m, "Save");
         }, -24},
    };
    App->OnHint = TNotifyEvent(&probe, &TMeasure::Hint);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        NONCLIENTMETRICSA saved;
        saved.cbSize = sizeof(saved);
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(saved), &saved, 0));
        auto font = std::make_unique<TFont>();
        font->Assign(Screen->GetMenuFont());
        if (c.MenuFontHeight != 0) {
            // The menu's window and the screen's menu font take the larger font alike.
            NONCLIENTMETRICSA large = saved;
            large.lfMenuFont.lfHeight = c.MenuFontHeight;
            ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(large), &large, 0));
            Screen->GetMenuFont()->SetHeight(c.MenuFontHeight);
        }
        auto* menu = new TPopupMenu(Form);
        c.Build(menu);
        menu->OnPopup = TNotifyEvent(&probe, &TMeasure::Popped);
        const Integer computed = CalcPopupMenuHeight(menu);
        probe.Where = RECT{};
        menu->Popup(100, 100);
        App->ProcessMessages();
        delete menu;
        if (c.MenuFontHeight != 0) {
            SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(saved), &saved, 0);
            Screen->GetMenuFont()->Assign(font.get());
        }
        ASSERT_GT(probe.Where.bottom, 0) << "the menu did not open";
        EXPECT_EQ(computed, probe.Where.bottom - probe.Where.top);
    }
    App->OnHint = nullptr;
}

TEST_F(ControlsTest, ChildComponentsBelongToTheirControl) {
    EXPECT_EQ(GetClassGroup(TqzControlChildComponent::StaticClass()), TControl::StaticClass());
    auto* child = new TqzControlChildComponent(nullptr);
    EXPECT_FALSE(child->HasParent());
    child->SetParentComponent(Control);
    EXPECT_EQ(child->GetControl(), Control);
    EXPECT_EQ(child->GetParentComponent(), Control);
    EXPECT_TRUE(child->HasParent());
    delete child;
    // A control freed first: its child outlives it without touching it.
    auto* orphan = new TqzControlChildComponent(nullptr);
    orphan->SetParentComponent(Other);
    delete Other;
    Other = nullptr;
    delete orphan;
}

TEST_F(ControlsTest, APressOnAnOwnBarFocusesTheControlWhenItMay) {
    Layout(400, 400);
    App->ProcessMessages();
    TqzControlScrollBar* bar = Control->GetVScrollBar();
    ASSERT_TRUE(bar->IsShown());
    EXPECT_TRUE(Control->IsOwnScrollBar(bar));
    EXPECT_TRUE(Control->IsOwnScrollBar(Control->GetSizeGrip()));
    EXPECT_FALSE(Control->IsOwnScrollBar(Other));
    for (bool focusOnClick : {true, false}) {
        SCOPED_TRACE(focusOnClick);
        Other->SetFocus();
        App->ProcessMessages();
        Control->SetFocusOnClick(focusOnClick);
        bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        EXPECT_EQ(Control->Focused(), focusOnClick);
        // The bar's step went to the control's content.
        ASSERT_FALSE(Control->Steps.empty());
        EXPECT_EQ(Control->Steps.front().Kind, sbVertical);
        EXPECT_EQ(Control->Steps.front().Code, scLineUp);
        Control->Steps.clear();
    }
}
