// Scroll bars: range, page and position with their clamping, showing and hiding a window's bars
// with the client area they take, the state bits of GetScrollBarInfo, the mouse on arrows,
// shaft and thumb (held keys repeat on the manual clock), and the "SCROLLBAR" control class.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinScroll.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

// The script a test runs inside the scroll bar's mouse loop: it sees every message the loop takes.
std::function<bool(const MSG&)>& LoopScript() {
    static std::function<bool(const MSG&)> script;
    return script;
}

LRESULT ScriptHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_SCROLLBAR && LoopScript())
        return LoopScript()(*reinterpret_cast<const MSG*>(lParam)) ? 1 : 0;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Note {
    HWND Window;
    UINT Message;
    WORD Code;
    WORD Pos;
    LPARAM LParam;
    int TrackPos;
};

class WinScrollTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Top = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400, 300);
        PumpAll();
        Rec.Clear();
        // Scroll notifications are recorded with the track position of the moment.
        Rec.Handler = [this](HWND h, UINT m, WPARAM wp, LPARAM lp, LRESULT& r) {
            if (m != WM_HSCROLL && m != WM_VSCROLL) return false;
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS;
            HWND of = lp ? reinterpret_cast<HWND>(lp) : h;
            int bar = lp ? SB_CTL : (m == WM_VSCROLL ? SB_VERT : SB_HORZ);
            GetScrollInfo(of, bar, &si);
            Notes.push_back(Note{h, m, LOWORD(wp), HIWORD(wp), lp, si.nTrackPos});
            if (OnNote) OnNote(Notes.back());
            r = 0;
            return true;
        };
        Hook = SetWindowsHookExA(WH_MSGFILTER, ScriptHook, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        UnhookWindowsHookEx(Hook);
        LoopScript() = nullptr;
        OnNote = nullptr;
        WinTest::TearDown();
    }
    // A borderless child with a vertical bar of 148 pixels: 16-pixel arrows and, with page 0,
    // a 16-pixel thumb leave 100 pixels of travel, one per position of the range 0..100.
    HWND VerticalChild() {
        HWND w = Make(WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 10, 100, 148, Top);
        PumpAll();
        return w;
    }
    static POINT ScreenOf(HWND w, int x, int y) {
        RECT r;
        GetWindowRect(w, &r);
        return POINT{r.left + x, r.top + y};
    }
    static void Press(POINT p) { WinInputMouseButton(p, TWinMouseButton::Left, true); }
    static void Release(POINT p) { WinInputMouseButton(p, TWinMouseButton::Left, false); }
    std::vector<WORD> Codes() const {
        std::vector<WORD> out;
        for (const Note& n : Notes)
            out.push_back(n.Code);
        return out;
    }
    int Count(WORD code) const {
        int n = 0;
        for (const Note& note : Notes)
            n += note.Code == code;
        return n;
    }
    static SCROLLBARINFO BarInfo(HWND w, LONG id) {
        SCROLLBARINFO info;
        EXPECT_TRUE(GetScrollBarInfo(w, id, &info));
        return info;
    }
    // Posts the next step of a loop script (steps arrive as WM_APP with their number).
    void Step(HWND w, int n) { PostMessageA(w, WM_APP, WPARAM(n), 0); }
    // Presses at p and pumps; the first step is posted just before the press is dispatched, so
    // that it is the first thing the mouse loop finds.
    void PressAndRun(HWND w, POINT p) {
        Press(p);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_LBUTTONDOWN || m.message == WM_NCLBUTTONDOWN) Step(w, 0);
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }

    HWND Top = nullptr;
    HHOOK Hook = nullptr;
    std::vector<Note> Notes;
    std::function<void(const Note&)> OnNote;
};

TEST_F(WinScrollTest, SetScrollInfoClampsPageAndPosition) {
    struct Case {
        const char* Name;
        UINT Mask;
        int Min, Max;
        UINT Page;
        int Pos;
        int WantMin, WantMax;
        UINT WantPage;
        int WantPos;
        bool Shown;
    };
    const std::vector<Case> cases = {
        {"inside", SIF_ALL, 0, 100, 10, 50, 0, 100, 10, 50, true},
        {"past the last page", SIF_ALL, 0, 100, 10, 95, 0, 100, 10, 91, true},
        {"page 1 reaches max", SIF_ALL, 0, 100, 1, 100, 0, 100, 1, 100, true},
        {"page 0 reaches max", SIF_ALL, 0, 100, 0, 150, 0, 100, 0, 100, true},
        {"below min", SIF_ALL, 20, 80, 0, 5, 20, 80, 0, 20, true},
        {"negative range", SIF_ALL, -50, -10, 5, 0, -50, -10, 5, -14, true},
        {"page larger than the range", SIF_ALL, 0, 100, 500, 30, 0, 100, 101, 0, false},
        {"page equal to the range", SIF_ALL, 0, 99, 100, 30, 0, 99, 100, 0, false},
        {"min above max", SIF_ALL, 10, 5, 0, 7, 0, 0, 0, 0, false},
        {"widest range", SIF_ALL, 0, INT_MAX, 0, INT_MAX, 0, INT_MAX, 0, INT_MAX, true},
        {"too wide a range", SIF_ALL, INT_MIN, INT_MAX, 0, 3, 0, 0, 0, 0, false},
        {"empty range", SIF_ALL, 5, 5, 0, 9, 5, 5, 0, 5, false},
        {"position alone keeps the start", SIF_POS, 1, 2, 3, 400, 0, 100, 0, 100, true},
        {"page alone", SIF_PAGE | SIF_POS, 0, 0, 30, 90, 0, 100, 30, 71, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND w = Make(WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 100, 100, Top);
        SCROLLINFO in;
        in.fMask = c.Mask;
        in.nMin = c.Min;
        in.nMax = c.Max;
        in.nPage = c.Page;
        in.nPos = c.Pos;
        EXPECT_EQ(SetScrollInfo(w, SB_VERT, &in, TRUE), c.WantPos);
        SCROLLINFO out;
        out.fMask = SIF_ALL;
        ASSERT_TRUE(GetScrollInfo(w, SB_VERT, &out));
        EXPECT_EQ(out.nMin, c.WantMin);
        EXPECT_EQ(out.nMax, c.WantMax);
        EXPECT_EQ(out.nPage, c.WantPage);
        EXPECT_EQ(out.nPos, c.WantPos);
        EXPECT_EQ(out.nTrackPos, c.WantPos);
        EXPECT_EQ((GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL) != 0, c.Shown);
        DestroyWindow(w);
    }
}

TEST_F(WinScrollTest, PositionAndRangeCalls) {
    HWND w = Make(WS_CHILD | WS_VISIBLE | WS_HSCROLL, 0, 0, 200, 100, Top);
    int lo = -1, hi = -1;
    ASSERT_TRUE(GetScrollRange(w, SB_HORZ, &lo, &hi));
    EXPECT_EQ(lo, 0) << "a window's bar starts with 0..100";
    EXPECT_EQ(hi, 100);
    EXPECT_EQ(SetScrollPos(w, SB_HORZ, 40, TRUE), 0);
    EXPECT_EQ(SetScrollPos(w, SB_HORZ, 400, TRUE), 40);
    EXPECT_EQ(GetScrollPos(w, SB_HORZ), 100);
    EXPECT_TRUE(SetScrollRange(w, SB_HORZ, 0, 60, TRUE));
    EXPECT_EQ(GetScrollPos(w, SB_HORZ), 60);
    SetLastError(0);
    EXPECT_FALSE(SetScrollRange(w, SB_HORZ, -1, INT_MAX, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_SCROLLBAR_RANGE);
    // A window without the bar has no state for it, and reading does not make one.
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    EXPECT_FALSE(GetScrollInfo(w, SB_VERT, &si));
    EXPECT_FALSE(GetScrollInfo(w, SB_VERT, &si));
    si.fMask = 0;
    EXPECT_FALSE(GetScrollInfo(w, SB_HORZ, &si)) << "nothing asked";
    si.cbSize = 12;
    si.fMask = SIF_POS;
    EXPECT_FALSE(GetScrollInfo(w, SB_HORZ, &si));
}

TEST_F(WinScrollTest, ShowingAndHidingABarResizesTheClientArea) {
    HWND w = Make(WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 200, 100, Top);
    PumpAll();
    Rec.Clear();
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 198);
    // A range that scrolls shows the bar; the frame is recalculated and WM_SIZE follows.
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 99;
    si.nPage = 20;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 198 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(Rec.Count(WM_NCCALCSIZE, w), 1);
    const Seen* size = Rec.Find(WM_SIZE, w);
    ASSERT_TRUE(size);
    EXPECT_EQ(LOWORD(size->LParam), 198 - GetSystemMetrics(SM_CXVSCROLL));
    // Setting the same again changes nothing; a range that no longer scrolls hides it.
    Rec.Clear();
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    EXPECT_EQ(Rec.Count(WM_NCCALCSIZE, w), 0);
    si.nPage = 100;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 198);
    // Unless SIF_DISABLENOSCROLL keeps it, disabled.
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(BarInfo(w, OBJID_VSCROLL).rgstate[0], STATE_SYSTEM_UNAVAILABLE);
    // ShowScrollBar with both, and back.
    ShowScrollBar(w, SB_BOTH, TRUE);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 198 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(client.bottom, 98 - GetSystemMetrics(SM_CYHSCROLL));
    ShowScrollBar(w, SB_BOTH, FALSE);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 198);
    EXPECT_EQ(client.bottom, 98);
}

TEST_F(WinScrollTest, ScrollBarInfoStates) {
    HWND w = VerticalChild();
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMax = 100;
    si.nPos = 40;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    SCROLLBARINFO info = BarInfo(w, OBJID_VSCROLL);
    RECT wr;
    GetWindowRect(w, &wr);
    EXPECT_EQ(info.rcScrollBar.left, wr.right - 16);
    EXPECT_EQ(info.rcScrollBar.top, wr.top);
    EXPECT_EQ(info.rcScrollBar.bottom, wr.bottom);
    EXPECT_EQ(info.dxyLineButton, 16);
    EXPECT_EQ(info.xyThumbTop, 16 + 40);
    EXPECT_EQ(info.xyThumbBottom, 16 + 40 + 16);
    for (DWORD s : info.rgstate)
        EXPECT_EQ(s, 0u);

    struct Case {
        const char* Name;
        std::function<void()> Make;
        LONG Object;
        std::vector<DWORD> Want;
    };
    const DWORD U = STATE_SYSTEM_UNAVAILABLE, I = STATE_SYSTEM_INVISIBLE, O = STATE_SYSTEM_OFFSCREEN;
    const std::vector<Case> cases = {
        {"hidden bar", [] {}, OBJID_HSCROLL, {I, 0, 0, 0, 0, 0}},
        {"up arrow disabled",
         [&] { EnableScrollBar(w, SB_VERT, ESB_DISABLE_UP); },
         OBJID_VSCROLL,
         {0, U, 0, 0, 0, 0}},
        {"down arrow disabled",
         [&] { EnableScrollBar(w, SB_VERT, ESB_DISABLE_DOWN); },
         OBJID_VSCROLL,
         {0, 0, 0, 0, 0, U}},
        {"bar disabled",
         [&] { EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH); },
         OBJID_VSCROLL,
         {U, U, U | I, U | I, U | I, U}},
        {"window disabled",
         [&] {
             EnableScrollBar(w, SB_VERT, ESB_ENABLE_BOTH);
             EnableWindow(w, FALSE);
         },
         OBJID_VSCROLL,
         {U, U, U | I, U | I, U | I, U}},
        {"no room for the bar",
         [&] {
             EnableWindow(w, TRUE);
             SetWindowPos(w, nullptr, 0, 0, 100, 0, SWP_NOMOVE | SWP_NOZORDER);
         },
         OBJID_VSCROLL,
         {O, 0, I, I, I, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Make();
        SCROLLBARINFO got = BarInfo(w, c.Object);
        EXPECT_EQ(std::vector<DWORD>(std::begin(got.rgstate), std::end(got.rgstate)), c.Want);
    }
    EXPECT_FALSE(EnableScrollBar(w, SB_VERT, ESB_ENABLE_BOTH)) << "already enabled";
    SCROLLBARINFO bad;
    bad.cbSize = 56;
    EXPECT_FALSE(GetScrollBarInfo(w, OBJID_VSCROLL, &bad));
    EXPECT_FALSE(GetScrollBarInfo(w, OBJID_CLIENT, &info)) << "not a scroll-bar control";
}

TEST_F(WinScrollTest, ClicksOnArrowsAndShaft) {
    HWND w = VerticalChild();
    SetScrollPos(w, SB_VERT, 50, TRUE); // thumb over 66..82 of the bar
    struct Case {
        const char* Name;
        int Along;
        std::vector<WORD> Want;
    };
    const std::vector<Case> cases = {
        {"up arrow", 5, {SB_LINEUP, SB_ENDSCROLL}},
        {"down arrow", 140, {SB_LINEDOWN, SB_ENDSCROLL}},
        {"shaft above the thumb", 30, {SB_PAGEUP, SB_ENDSCROLL}},
        {"shaft below the thumb", 100, {SB_PAGEDOWN, SB_ENDSCROLL}},
        {"thumb without moving", 70, {SB_THUMBPOSITION, SB_ENDSCROLL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Notes.clear();
        POINT p = ScreenOf(w, 92, c.Along);
        Press(p);
        Release(p);
        PumpAll();
        EXPECT_EQ(Codes(), c.Want);
        for (const Note& n : Notes) {
            EXPECT_EQ(n.Window, w) << "a window's bar tells the window itself";
            EXPECT_EQ(n.Message, UINT(WM_VSCROLL));
            EXPECT_EQ(n.LParam, 0);
        }
        EXPECT_EQ(GetCapture(), nullptr);
    }
    // Nothing moves the position but the window's own answer.
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 50);
    // A disabled arrow does nothing.
    Notes.clear();
    EnableScrollBar(w, SB_VERT, ESB_DISABLE_DOWN);
    Press(ScreenOf(w, 92, 140));
    Release(ScreenOf(w, 92, 140));
    PumpAll();
    EXPECT_TRUE(Notes.empty());
}

TEST_F(WinScrollTest, DraggingTheThumbTracksThenSetsThePosition) {
    HWND w = VerticalChild();
    // The thumb (16 pixels) starts at 16; it is taken 5 pixels down from its top.
    const POINT start = ScreenOf(w, 92, 21);
    // Across the bar only, the position stays and nothing is sent.
    const std::vector<POINT> moves = {{3, 10}, {3, 35}, {6, 35}, {3, 200}, {3, 60}};
    const std::vector<int> wantTrack = {10, 35, 100, 60};
    size_t next = 0;
    std::vector<DWORD> thumbStates;
    OnNote = [&](const Note& n) {
        if (n.Code == SB_THUMBTRACK) thumbStates.push_back(BarInfo(w, OBJID_VSCROLL).rgstate[3]);
    };
    LoopScript() = [&](const MSG& m) {
        if (m.message == WM_APP) {
            if (next < moves.size()) {
                WinInputMouseMove(POINT{start.x + moves[next].x, start.y + moves[next].y});
                ++next;
            } else {
                Release(POINT{start.x, start.y + 60});
            }
            return true;
        }
        if (m.message == WM_MOUSEMOVE) Step(w, int(next));
        return false;
    };
    PressAndRun(w, start);
    std::vector<int> track;
    for (const Note& n : Notes)
        if (n.Code == SB_THUMBTRACK) {
            track.push_back(n.Pos);
            EXPECT_EQ(n.TrackPos, n.Pos) << "SIF_TRACKPOS follows the thumb";
        }
    EXPECT_EQ(track, wantTrack);
    ASSERT_GE(Notes.size(), 2u);
    EXPECT_EQ(Notes[Notes.size() - 2].Code, SB_THUMBPOSITION);
    EXPECT_EQ(Notes[Notes.size() - 2].Pos, 60);
    EXPECT_EQ(Notes.back().Code, SB_ENDSCROLL);
    EXPECT_EQ(thumbStates, std::vector<DWORD>(4, STATE_SYSTEM_PRESSED));
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 0) << "the window sets the position itself";
    EXPECT_EQ(BarInfo(w, OBJID_VSCROLL).rgstate[3], 0u);
}

TEST_F(WinScrollTest, HoldingAnArrowRepeatsOnTheClock) {
    HWND w = VerticalChild();
    const POINT arrow = ScreenOf(w, 92, 140);
    std::vector<int> seen;      // SB_LINEDOWN notes so far, at each step
    std::vector<DWORD> pressed; // the arrow's state bits at each step
    LoopScript() = [&](const MSG& m) {
        if (m.message == WM_TIMER || m.message == WM_MOUSEMOVE) {
            // Let the loop handle it, then take the next step.
            PostMessageA(w, WM_APP, 0, 0);
            return false;
        }
        if (m.message != WM_APP) return false;
        seen.push_back(Count(SB_LINEDOWN));
        pressed.push_back(BarInfo(w, OBJID_VSCROLL).rgstate[5]);
        switch (seen.size()) {
        case 1:
            ClockAdvanceMs(199); // not yet the first repeat
            PostMessageA(w, WM_APP, 0, 0);
            break;
        case 2:
            ClockAdvanceMs(1); // the first repeat
            break;
        case 3:
            ClockAdvanceMs(49);
            PostMessageA(w, WM_APP, 0, 0);
            break;
        case 4:
        case 5:
            ClockAdvanceMs(seen.size() == 4 ? 1 : 50);
            break;
        case 6:
            WinInputMouseMove(POINT{arrow.x, arrow.y - 60}); // off the arrow: no more repeats
            break;
        case 7:
            ClockAdvanceMs(50);
            break;
        case 8:
            WinInputMouseMove(arrow); // back on it
            break;
        case 9:
            ClockAdvanceMs(50);
            break;
        default:
            Release(arrow);
            break;
        }
        return true;
    };
    PressAndRun(w, arrow);
    const DWORD P = STATE_SYSTEM_PRESSED;
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 2, 2, 3, 4, 4, 4, 4, 5}));
    EXPECT_EQ(pressed, (std::vector<DWORD>{P, P, P, P, P, P, 0, 0, P, P}));
    EXPECT_EQ(Count(SB_ENDSCROLL), 1);
    EXPECT_EQ(Notes.back().Code, SB_ENDSCROLL);
    EXPECT_EQ(BarInfo(w, OBJID_VSCROLL).rgstate[5], 0u);
}

TEST_F(WinScrollTest, PagingStopsWhenTheThumbReachesThePointer) {
    HWND w = VerticalChild();
    // The window answers by moving the position a page of 30 at a time.
    OnNote = [&](const Note& n) {
        if (n.Code == SB_PAGEDOWN) SetScrollPos(w, SB_VERT, GetScrollPos(w, SB_VERT) + 30, TRUE);
    };
    int timers = 0;
    LoopScript() = [&](const MSG& m) {
        if (m.message == WM_TIMER) {
            PostMessageA(w, WM_APP, 0, 0);
            return false;
        }
        if (m.message != WM_APP) return false;
        if (++timers <= 5)
            ClockAdvanceMs(timers == 1 ? 200 : 50);
        else
            Release(ScreenOf(w, 92, 100));
        return true;
    };
    PressAndRun(w, ScreenOf(w, 92, 100)); // 84 pixels below the thumb's top
    // 0 -> 30 -> 60 -> 90: the thumb (from 16 + pos) has passed the pointer, and paging stops.
    EXPECT_EQ(Count(SB_PAGEDOWN), 3);
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 90);
}

TEST_F(WinScrollTest, ScrollBarControl) {
    HWND parent = Make(WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, Top);
    HWND bar = Make(WS_CHILD | WS_VISIBLE | SBS_HORZ | SBS_BOTTOMALIGN, 10, 10, 200, 100, parent, 0,
                    "ScrollBar", "", reinterpret_cast<HMENU>(std::intptr_t(7)));
    ASSERT_NE(bar, nullptr);
    RECT r;
    GetWindowRect(bar, &r);
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYHSCROLL)) << "aligned to the bottom";
    POINT origin{0, 0};
    ClientToScreen(parent, &origin);
    EXPECT_EQ(r.top - origin.y, 110 - GetSystemMetrics(SM_CYHSCROLL));
    int lo = -1, hi = -1;
    ASSERT_TRUE(GetScrollRange(bar, SB_CTL, &lo, &hi));
    EXPECT_EQ(hi, 0) << "a control starts with an empty range";
    // The calls on SB_CTL and the messages meet in the same state; no range hides a control.
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMax = 50;
    si.nPage = 11;
    si.nPos = 45;
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &si, TRUE), 40);
    EXPECT_EQ(SendMessageA(bar, SBM_GETPOS, 0, 0), 40);
    EXPECT_EQ(SendMessageA(bar, SBM_SETPOS, 10, TRUE), 40);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 10);
    EXPECT_EQ(SendMessageA(bar, SBM_SETRANGE, 0, 20), 10);
    SendMessageA(bar, SBM_GETRANGE, WPARAM(&lo), LPARAM(&hi));
    EXPECT_EQ(hi, 20);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 10) << "page 11 of 0..20 still lets 10 stand";
    SendMessageA(bar, SBM_SETRANGEREDRAW, 0, 0);
    EXPECT_TRUE(IsWindowVisible(bar));
    SendMessageA(bar, SBM_SETRANGE, 0, 100);
    si.fMask = SIF_PAGE;
    si.nPage = 0;
    SendMessageA(bar, SBM_SETSCROLLINFO, TRUE, LPARAM(&si));

    // The mouse and the keys notify the parent, with the control as lParam.
    Press(POINT{r.right - 4, r.top + 4});
    Release(POINT{r.right - 4, r.top + 4});
    PumpAll();
    struct Key {
        int Vk;
        WORD Code;
    };
    const std::vector<Key> keys = {{VK_LEFT, SB_LINELEFT},  {VK_RIGHT, SB_LINERIGHT}, {VK_PRIOR, SB_PAGELEFT},
                                   {VK_NEXT, SB_PAGERIGHT}, {VK_HOME, SB_LEFT},       {VK_END, SB_RIGHT}};
    for (const Key& k : keys)
        SendMessageA(bar, WM_KEYDOWN, WPARAM(k.Vk), 0);
    std::vector<WORD> want = {SB_LINERIGHT, SB_ENDSCROLL};
    for (const Key& k : keys) {
        want.push_back(k.Code);
        want.push_back(SB_ENDSCROLL);
    }
    EXPECT_EQ(Codes(), want);
    for (const Note& n : Notes) {
        EXPECT_EQ(n.Window, parent);
        EXPECT_EQ(n.Message, UINT(WM_HSCROLL));
        EXPECT_EQ(n.LParam, LPARAM(bar));
    }
    EXPECT_EQ(SendMessageA(bar, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

    // Its own information, through the call and the message.
    SCROLLBARINFO info;
    ASSERT_TRUE(GetScrollBarInfo(bar, OBJID_CLIENT, &info));
    EXPECT_EQ(info.rcScrollBar.left, r.left);
    EXPECT_EQ(info.rcScrollBar.right, r.right);
    EXPECT_EQ(info.rgstate[0], 0u);
    EXPECT_TRUE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_BOTH));
    EXPECT_FALSE(IsWindowEnabled(bar));
    ASSERT_TRUE(SendMessageA(bar, SBM_GETSCROLLBARINFO, 0, LPARAM(&info)));
    EXPECT_EQ(info.rgstate[0], STATE_SYSTEM_UNAVAILABLE);
    Notes.clear();
    SendMessageA(bar, WM_KEYDOWN, WPARAM(VK_RIGHT), 0);
    EXPECT_TRUE(Notes.empty()) << "a disabled control does not scroll";
    EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
    EXPECT_TRUE(IsWindowEnabled(bar));
    ShowScrollBar(bar, SB_CTL, FALSE);
    EXPECT_FALSE(IsWindowVisible(bar));
    ASSERT_TRUE(GetScrollBarInfo(bar, OBJID_CLIENT, &info));
    EXPECT_EQ(info.rgstate[0], STATE_SYSTEM_INVISIBLE);

    // A vertical one tells with WM_VSCROLL; dragging its thumb works as on a window's bar.
    HWND vbar = Make(WS_CHILD | WS_VISIBLE | SBS_VERT, 250, 0, 16, 148, parent, 0, "SCROLLBAR");
    SetScrollRange(vbar, SB_CTL, 0, 100, TRUE);
    Notes.clear();
    POINT grab = ScreenOf(vbar, 8, 20);
    LoopScript() = [&](const MSG& m) {
        if (m.message == WM_APP) {
            if (m.wParam == 0)
                WinInputMouseMove(POINT{grab.x, grab.y + 25});
            else
                Release(POINT{grab.x, grab.y + 25});
            return true;
        }
        if (m.message == WM_MOUSEMOVE) Step(vbar, 1);
        return false;
    };
    PressAndRun(vbar, grab);
    EXPECT_EQ(Codes(), (std::vector<WORD>{SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
    ASSERT_EQ(Notes.size(), 3u);
    EXPECT_EQ(Notes[0].Message, UINT(WM_VSCROLL));
    EXPECT_EQ(Notes[0].Pos, 25);
    EXPECT_EQ(Notes[0].TrackPos, 25);
    EXPECT_EQ(Notes[0].LParam, LPARAM(vbar));
}

TEST_F(WinScrollTest, SizeBoxControlSizesItsParent) {
    HWND parent = Make(WS_CHILD | WS_VISIBLE | WS_THICKFRAME, 0, 0, 300, 200, Top);
    HWND box = Make(WS_CHILD | WS_VISIBLE | SBS_SIZEBOX | SBS_SIZEBOXBOTTOMRIGHTALIGN, 0, 0, 292, 192, parent,
                    0, "SCROLLBAR");
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYHSCROLL));
    RECT before;
    GetWindowRect(parent, &before);
    POINT p{r.left + 5, r.top + 5};
    Press(p);
    WinInputMouseMove(POINT{p.x + 20, p.y + 10});
    Release(POINT{p.x + 20, p.y + 10});
    PumpAll();
    const Seen* command = Rec.Find(WM_SYSCOMMAND, parent);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->WParam, SC_SIZE + WMSZ_BOTTOMRIGHT);
    RECT after;
    GetWindowRect(parent, &after);
    EXPECT_EQ(after.right - after.left, 320);
    EXPECT_EQ(after.bottom - after.top, 210);
}

} // namespace
