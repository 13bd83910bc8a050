// The scroll bar control: arrows and shaft step by SmallChange and LargeChange, holding an arrow
// repeats on the manual clock, dragging the thumb tracks, OnScroll may change where it goes, and
// the range keeps the position.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinScroll.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class ScrollBarCtlTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Bar = new TScrollBar(Form);
        Bar->SetParent(Form);
        Bar->SetBounds(10, 10, 200, 17);
        Bar->SetSmallChange(1);
        Bar->SetLargeChange(10);
        Bar->OnChange = TNotifyEvent(&Log, &TLog::Change);
        Bar->OnScroll = TScrollEvent(&Log, &TLog::Scroll);
        Form->Show();
        App->ProcessMessages();
        Hook = SetWindowsHookExA(WH_MSGFILTER, ScriptHook, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        UnhookWindowsHookEx(Hook);
        Script = nullptr;
        TFormFixture::TearDown();
    }
    // The bar tracks the mouse in a loop of its own until the button goes up, so a click queues
    // both halves before the messages are handled.
    void Click(int x, int y) {
        const POINT p = Bar->ClientToScreen(POINT{x, y});
        WinInputMouseMove(p);
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        App->ProcessMessages();
    }
    // Presses at a client point and handles messages; Script acts inside the bar's loop. Its
    // first step (WM_APP) is posted as the press is dispatched, so the loop finds it first.
    void PressAndRun(POINT at) {
        const POINT p = Bar->ClientToScreen(at);
        WinInputMouseMove(p);
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_LBUTTONDOWN) PostMessageA(Bar->GetHandle(), WM_APP, 0, 0);
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        App->ProcessMessages();
    }
    void Release(POINT at) { WinInputMouseButton(Bar->ClientToScreen(at), TWinMouseButton::Left, false); }
    void MoveTo(int x, int y) { WinInputMouseMove(Bar->ClientToScreen(POINT{x, y})); }

    // What a test does inside the bar's mouse loop: it sees each message the loop takes and
    // answers true for one it consumed.
    static std::function<bool(const MSG&)> Script;
    static LRESULT ScriptHook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == MSGF_SCROLLBAR && Script) return Script(*reinterpret_cast<const MSG*>(lParam)) ? 1 : 0;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    struct TLog : TObject {
        int Changes = 0;
        std::vector<TScrollCode> Codes;
        Integer Limit = 1000;
        void Change(TObject*) { ++Changes; }
        void Scroll(TObject*, TScrollCode code, Integer& pos) {
            Codes.push_back(code);
            if (pos > Limit) pos = Limit;
        }
    };

    TScrollBar* Bar = nullptr;
    TLog Log;
    HHOOK Hook = nullptr;
};

std::function<bool(const MSG&)> ScrollBarCtlTest::Script;

} // namespace

TEST_F(ScrollBarCtlTest, ClicksOnArrowsAndShaftStep) {
    struct TCase {
        int X;
        Integer Expected;
        TScrollCode Code;
    };
    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    // From 50: the right arrow, the shaft right of the thumb, the left arrow, the shaft left of it.
    Bar->SetPosition(50);
    const std::vector<TCase> cases = {
        {200 - arrow / 2, 51, scLineDown}, {190 - arrow, 61, scPageDown},
        {arrow / 2, 60, scLineUp},          {arrow + 3, 50, scPageUp}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.X);
        Log.Codes.clear();
        Click(c.X, 8);
        EXPECT_EQ(Bar->GetPosition(), c.Expected);
        ASSERT_FALSE(Log.Codes.empty());
        EXPECT_EQ(Log.Codes.front(), c.Code);
        EXPECT_EQ(Log.Codes.back(), scEndScroll);
    }
    EXPECT_EQ(Log.Changes, 5);  // the SetPosition and the four clicks
}

TEST_F(ScrollBarCtlTest, HoldingAnArrowRepeatsOnTheClock) {
    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    const POINT at{200 - arrow / 2, 8};
    std::vector<Integer> positions;
    int step = 0;
    Script = [&](const MSG& m) {
        if (m.message == WM_TIMER) {
            PostMessageA(Bar->GetHandle(), WM_APP, 0, 0); // the next step after the timer's work
            return false;
        }
        if (m.message != WM_APP) return false;
        positions.push_back(Bar->GetPosition());
        switch (++step) {
        case 1: ClockAdvanceMs(200); break; // the first repeat
        case 2:
        case 3:
        case 4:
        case 5: ClockAdvanceMs(50); break;
        default: Release(at); break;
        }
        return true;
    };
    PressAndRun(at);
    // The press steps once, the first repeat comes after 200 ms, the next every 50 ms.
    EXPECT_EQ(positions, (std::vector<Integer>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Log.Codes.back(), scEndScroll);
    // Released, the clock moves nothing.
    Script = nullptr;
    ClockAdvanceMs(500);
    App->ProcessMessages();
    EXPECT_EQ(Bar->GetPosition(), 6);
}

TEST_F(ScrollBarCtlTest, DraggingTheThumbTracksAndScrollMayLimit) {
    Bar->SetPageSize(10);
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetScrollBarInfo(Bar->GetHandle(), OBJID_CLIENT, &info));
    const int thumb = (info.xyThumbTop + info.xyThumbBottom) / 2;
    std::vector<Integer> positions;
    bool tracked = false;
    int step = 0;
    Script = [&](const MSG& m) {
        if (m.message == WM_MOUSEMOVE) {
            PostMessageA(Bar->GetHandle(), WM_APP, 0, 0);
            return false;
        }
        if (m.message != WM_APP) return false;
        switch (++step) {
        case 1: MoveTo(thumb + 60, 8); break;
        case 2:
            positions.push_back(Bar->GetPosition());
            tracked = std::find(Log.Codes.begin(), Log.Codes.end(), scTrack) != Log.Codes.end();
            Log.Limit = 30;
            MoveTo(199, 8);
            break;
        case 3:
            positions.push_back(Bar->GetPosition());
            Release(POINT{199, 8});
            break;
        default: break;
        }
        return true;
    };
    PressAndRun(POINT{thumb, 8});
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_GT(positions[0], 20);
    EXPECT_TRUE(tracked);
    EXPECT_EQ(positions[1], 30); // OnScroll held it back
    EXPECT_EQ(Bar->GetPosition(), 30);
    EXPECT_EQ(Log.Codes.back(), scEndScroll);
}

TEST_F(ScrollBarCtlTest, RangeHoldsThePositionAndKindTurnsTheBar) {
    Bar->SetPosition(80);
    Bar->SetMax(50);
    EXPECT_EQ(Bar->GetPosition(), 50);
    EXPECT_THROW(Bar->SetParams(0, 10, 5), EInvalidOperation);
    Bar->SetParams(3, 2, 40);
    EXPECT_EQ(GetScrollPos(Bar->GetHandle(), SB_CTL), 3);
    int lo = 0, hi = 0;
    GetScrollRange(Bar->GetHandle(), SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 40);
    Bar->SetKind(sbVertical);
    EXPECT_EQ(Bar->GetWidth(), 17);
    EXPECT_EQ(Bar->GetHeight(), 200);
    EXPECT_TRUE(GetWindowLongA(Bar->GetHandle(), GWL_STYLE) & SBS_VERT);
    EXPECT_EQ(GetScrollPos(Bar->GetHandle(), SB_CTL), 3);
}
