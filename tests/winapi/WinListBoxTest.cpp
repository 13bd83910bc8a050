// The list box window class: items and searches, selection by keys and mouse in the single,
// multiple and extended modes with the notifications the parent gets, type-ahead on the clock,
// dragging with auto-scroll, geometry after scrolling, integral height, scroll bars, owner drawing,
// and a sheet saved as PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinListBox.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "platform/winapi/WinScroll.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr unsigned S = 1, C = 2; // Shift, Ctrl held
constexpr int Row = 16;          // the item height the tests set

class WinListBoxTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Parent = Make(WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
        SetFocus(Parent);
        PumpAll();
        Rec.Clear();
    }

    // A list of 20 items "Item 00" ... with rows of 16 pixels, 160 pixels high (ten rows).
    HWND List(DWORD style, int items = 20, int x = 10, int y = 10, int w = 150, int h = 160) {
        HWND l = Make(WS_CHILD | WS_VISIBLE | style, x, y, w, h, Parent, 0, "LISTBOX", "",
                      reinterpret_cast<HMENU>(std::intptr_t(7)));
        if (!l) return l;
        SendMessageA(l, LB_SETITEMHEIGHT, 0, MAKELPARAM(Row, 0));
        for (int i = 0; i < items; ++i) {
            char text[16];
            std::snprintf(text, sizeof(text), "Item %02d", i);
            SendMessageA(l, LB_ADDSTRING, 0, LPARAM(text));
        }
        PumpAll();
        Rec.Clear();
        return l;
    }

    int Notes(HWND list, WORD code) const {
        int n = 0;
        for (const Seen& s : Rec.Log)
            if (s.Window == Parent && s.Message == WM_COMMAND && HIWORD(s.WParam) == code &&
                HWND(s.LParam) == list && LOWORD(s.WParam) == 7)
                ++n;
        return n;
    }

    static std::vector<int> Selected(HWND list) {
        std::vector<int> out;
        int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            if (SendMessageA(list, LB_GETSEL, WPARAM(i), 0) > 0) out.push_back(i);
        return out;
    }
    static int Caret(HWND list) { return int(SendMessageA(list, LB_GETCARETINDEX, 0, 0)); }
    static int Top(HWND list) { return int(SendMessageA(list, LB_GETTOPINDEX, 0, 0)); }
    static String Text(HWND list, int i) {
        char buffer[64] = {};
        LRESULT n = SendMessageA(list, LB_GETTEXT, WPARAM(i), LPARAM(buffer));
        return n < 0 ? String("<err>") : String(buffer);
    }

    static void Mods(unsigned mods, bool down) {
        if (mods & C) WinInputKey(VK_CONTROL, false, down);
        if (mods & S) WinInputKey(VK_SHIFT, false, down);
    }
    static void Key(UINT vk, unsigned mods = 0) {
        Mods(mods, true);
        WinInputKey(vk, false, true);
        WinInputKey(vk, false, false);
        Mods(mods, false);
        PumpAll();
    }
    // A click on the row (in the list's client area), never a double click with the one before.
    static void ClickRow(HWND list, int row, unsigned mods = 0) {
        ClockAdvanceMs(1000);
        Mods(mods, true);
        WinInputMouseButton(Screen(list, 20, row * Row + 5), TWinMouseButton::Left, true);
        WinInputMouseButton(Screen(list, 20, row * Row + 5), TWinMouseButton::Left, false);
        Mods(mods, false);
        PumpAll();
    }

    // A pixel of a window's client area as its top-level image has it.
    COLORREF At(HWND window, int x, int y) const { return ClientPixel(Parent, window, x, y); }

    HWND Parent = nullptr;
};

TEST_F(WinListBoxTest, ClassesAreRegisteredAtStartUp) {
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, "LISTBOX", &wc));
    EXPECT_TRUE(wc.style & CS_DBLCLKS);
    EXPECT_TRUE(wc.style & CS_GLOBALCLASS);
    ASSERT_TRUE(GetClassInfoA(nullptr, "ComboLBox", &wc));
    WinRegisterListBoxClasses();
    HWND l = List(0, 0);
    ASSERT_NE(l, nullptr);
    char name[16] = {};
    GetClassNameA(l, name, int(sizeof(name)));
    EXPECT_STREQ(name, "ListBox");
    EXPECT_EQ(SendMessageA(l, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
}

// Adding, inserting, sorting, deleting, texts (UTF-8 bytes with a NUL), data and the searches.
TEST_F(WinListBoxTest, ItemsTextsDataAndSearches) {
    HWND l = List(LBS_SORT, 0);
    for (const char* t : {"pear", "Apple", "banana", "apple pie", "Äpfel", "cherry"})
        SendMessageA(l, LB_ADDSTRING, 0, LPARAM(t));
    std::vector<String> order;
    for (int i = 0; i < 6; ++i)
        order.push_back(Text(l, i));
    EXPECT_EQ(order, (std::vector<String>{"Apple", "apple pie", "banana", "cherry", "pear", "Äpfel"}));

    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(SendMessageA(l, LB_GETTEXT, 5, LPARAM(buffer)), 6); // "Äpfel": six bytes
    EXPECT_EQ(buffer[6], '\0');
    EXPECT_EQ(buffer[7], 'x');
    EXPECT_EQ(SendMessageA(l, LB_GETTEXTLEN, 5, 0), 6);
    EXPECT_EQ(SendMessageA(l, LB_GETTEXT, 6, LPARAM(buffer)), LB_ERR);

    struct Case {
        UINT Message;
        int Start;
        const char* Text;
        LRESULT Expected;
    };
    const std::vector<Case> cases = {
        {LB_FINDSTRING, -1, "APP", 0}, // case ignored, from the start
        {LB_FINDSTRING, 0, "app", 1},  // after the start
        {LB_FINDSTRING, 1, "app", 0},  // wrapping round
        {LB_FINDSTRING, 2, "ch", 3},
        {LB_FINDSTRING, -1, "äP", 5}, // case of letters beyond ASCII
        {LB_FINDSTRING, -1, "grape", LB_ERR},
        {LB_FINDSTRING, 99, "pe", 4}, // a start past the end searches everything
        {LB_FINDSTRINGEXACT, -1, "APPLE", 0},
        {LB_FINDSTRINGEXACT, 0, "apple", 0}, // wraps back to itself
        {LB_FINDSTRINGEXACT, -1, "appl", LB_ERR},
        {LB_SELECTSTRING, -1, "b", 2},
        {LB_SELECTSTRING, -1, "zzz", LB_ERR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(SendMessageA(l, c.Message, WPARAM(c.Start), LPARAM(c.Text)), c.Expected);
    }
    EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), 2);

    // Insert ignores sorting; -1 is the end; past the end is an error.
    EXPECT_EQ(SendMessageA(l, LB_INSERTSTRING, 1, LPARAM("zebra")), 1);
    EXPECT_EQ(SendMessageA(l, LB_INSERTSTRING, WPARAM(-1), LPARAM("last")), 7);
    EXPECT_EQ(SendMessageA(l, LB_INSERTSTRING, 99, LPARAM("no")), LB_ERR);
    EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), 3); // the selection moved with its item
    EXPECT_EQ(SendMessageA(l, LB_SETITEMDATA, 3, 1234), TRUE);
    EXPECT_EQ(SendMessageA(l, LB_GETITEMDATA, 3, 0), 1234);
    EXPECT_EQ(SendMessageA(l, LB_GETITEMDATA, 30, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(l, LB_DELETESTRING, 3, 0), 7); // items left
    EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(l, LB_DELETESTRING, 7, 0), LB_ERR);
    // An item with data is announced to the parent as it goes.
    EXPECT_EQ(Rec.Count(WM_DELETEITEM, Parent), 1);
    EXPECT_GE(SendMessageA(l, LB_INITSTORAGE, 100, 1000), 107);
    SendMessageA(l, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(l, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(l, LB_FINDSTRING, WPARAM(-1), LPARAM("a")), LB_ERR);
    // No LB_* call notifies.
    EXPECT_EQ(Notes(l, LBN_SELCHANGE), 0);
}

// Keys in each selection mode: the items selected, the caret, and the LBN_SELCHANGE notices.
TEST_F(WinListBoxTest, KeyboardSelectionInEveryMode) {
    struct Step {
        UINT Vk;
        unsigned Mods;
        std::vector<int> Selected;
        int Caret;
    };
    struct Case {
        const char* Name;
        DWORD Style;
        std::vector<Step> Steps;
        int Notices;
    };
    const std::vector<Case> cases = {
        {"single",
         LBS_NOTIFY,
         {{VK_DOWN, 0, {0}, 0}, // nothing selected yet: the caret item first
          {VK_DOWN, 0, {1}, 1},
          {VK_END, 0, {19}, 19},
          {VK_DOWN, 0, {19}, 19}, // nothing changes at the end: no notice
          {VK_PRIOR, 0, {10}, 10},
          {VK_HOME, 0, {0}, 0},
          {VK_NEXT, 0, {9}, 9},
          {VK_UP, S, {8}, 8}},
         7},
        {"single without LBS_NOTIFY", 0, {{VK_DOWN, 0, {0}, 0}, {VK_DOWN, 0, {1}, 1}}, 0},
        {"multiple",
         LBS_NOTIFY | LBS_MULTIPLESEL,
         {{VK_DOWN, 0, {}, 1},
          {VK_SPACE, 0, {1}, 1},
          {VK_DOWN, 0, {1}, 2},
          {VK_DOWN, 0, {1}, 3},
          {VK_SPACE, 0, {1, 3}, 3},
          {VK_UP, 0, {1, 3}, 2},
          {VK_UP, 0, {1, 3}, 1},
          {VK_SPACE, 0, {3}, 1}},
         3},
        {"extended",
         LBS_NOTIFY | LBS_EXTENDEDSEL,
         {{VK_DOWN, 0, {1}, 1},
          {VK_DOWN, S, {1, 2}, 2},
          {VK_DOWN, S, {1, 2, 3}, 3},
          {VK_UP, S, {1, 2}, 2},
          {VK_DOWN, C, {1, 2}, 3}, // Ctrl moves the caret only
          {VK_DOWN, C, {1, 2}, 4},
          {VK_SPACE, C, {1, 2, 4}, 4},
          {VK_DOWN, C | S, {1, 2, 4, 5}, 5}, // Ctrl+Shift extends from the anchor, keeping the rest
          {VK_HOME, 0, {0}, 0},
          {VK_END, S, {-1}, 19}}, // all: from the anchor Home set
         8},
        {"no selection", LBS_NOTIFY | LBS_NOSEL, {{VK_DOWN, 0, {}, 1}, {VK_END, 0, {}, 19}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND l = List(c.Style);
        SetFocus(l);
        PumpAll();
        Rec.Clear();
        for (size_t i = 0; i < c.Steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& st = c.Steps[i];
            Key(st.Vk, st.Mods);
            std::vector<int> expected = st.Selected;
            if (expected == std::vector<int>{-1})
                for (int k = 0; k <= 19; ++k)
                    expected.push_back(k); // from the anchor Home set to the end
            expected.erase(std::remove(expected.begin(), expected.end(), -1), expected.end());
            EXPECT_EQ(Selected(l), expected);
            EXPECT_EQ(Caret(l), st.Caret);
        }
        EXPECT_EQ(Notes(l, LBN_SELCHANGE), c.Notices);
        // The caret stays in view.
        int top = Top(l);
        EXPECT_TRUE(Caret(l) >= top && Caret(l) < top + 10);
        DestroyWindow(l);
    }
}

// Clicks in each mode, with Shift and Ctrl, and a double click.
TEST_F(WinListBoxTest, MouseSelectionInEveryMode) {
    struct Click {
        int Row;
        unsigned Mods;
        std::vector<int> Selected;
    };
    struct Case {
        const char* Name;
        DWORD Style;
        std::vector<Click> Clicks;
    };
    const std::vector<Case> cases = {
        {"single", LBS_NOTIFY, {{2, 0, {2}}, {2, 0, {2}}, {5, C, {5}}, {1, S, {1}}}},
        {"multiple",
         LBS_NOTIFY | LBS_MULTIPLESEL,
         {{2, 0, {2}}, {4, 0, {2, 4}}, {2, 0, {4}}, {6, S, {4, 6}}}},
        {"extended",
         LBS_NOTIFY | LBS_EXTENDEDSEL,
         {{2, 0, {2}},
          {5, S, {2, 3, 4, 5}},
          {8, C, {2, 3, 4, 5, 8}},
          {9, C | S, {2, 3, 4, 5, 8, 9}},
          {3, C, {2, 4, 5, 8, 9}},
          {1, 0, {1}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND l = List(c.Style);
        for (size_t i = 0; i < c.Clicks.size(); ++i) {
            SCOPED_TRACE(i);
            const Click& k = c.Clicks[i];
            ClickRow(l, k.Row, k.Mods);
            EXPECT_EQ(Selected(l), k.Selected);
            EXPECT_EQ(Caret(l), k.Row);
            EXPECT_EQ(GetFocus(), l);
            EXPECT_EQ(GetCapture(), nullptr);
        }
        // One notice per click (a click on the selected item tells too).
        EXPECT_EQ(Notes(l, LBN_SELCHANGE), int(c.Clicks.size()));
        EXPECT_EQ(Notes(l, LBN_DBLCLK), 0);
        EXPECT_EQ(Notes(l, LBN_SETFOCUS), 1);
        DestroyWindow(l);
        Rec.Clear();
    }

    // A double click tells LBN_DBLCLK after the selection.
    HWND l = List(LBS_NOTIFY);
    ClockAdvanceMs(1000);
    POINT p = Screen(l, 20, 3 * Row + 4);
    for (int i = 0; i < 2; ++i) {
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        WinInputMouseButton(p, TWinMouseButton::Left, false);
    }
    PumpAll();
    EXPECT_EQ(Notes(l, LBN_DBLCLK), 1);
    EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), 3);
    std::vector<WORD> codes;
    for (const Seen& s : Rec.Log)
        if (s.Window == Parent && s.Message == WM_COMMAND && HWND(s.LParam) == l)
            codes.push_back(HIWORD(s.WParam));
    EXPECT_EQ(codes, (std::vector<WORD>{LBN_SETFOCUS, LBN_SELCHANGE, LBN_SELCHANGE, LBN_DBLCLK}));
}

// Dragging holds the capture; below the list the timer scrolls on the runtime clock and the
// selection follows; the release tells once.
TEST_F(WinListBoxTest, DragSelectsAndAutoScrollsOnTheClock) {
    struct Case {
        const char* Name;
        DWORD Style;
        std::vector<int> AfterDrag; // pressed on row 2, dragged to row 5
    };
    const std::vector<Case> cases = {
        {"single", LBS_NOTIFY, {5}},
        {"extended", LBS_NOTIFY | LBS_EXTENDEDSEL, {2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND l = List(c.Style);
        ClockAdvanceMs(1000);
        WinInputMouseButton(Screen(l, 20, 2 * Row + 4), TWinMouseButton::Left, true);
        PumpAll();
        EXPECT_EQ(GetCapture(), l);
        WinInputMouseMove(Screen(l, 20, 5 * Row + 4));
        PumpAll();
        EXPECT_EQ(Selected(l), c.AfterDrag);
        EXPECT_EQ(Notes(l, LBN_SELCHANGE), 0); // not before the release

        // Below the list: nothing until the clock moves; then one item per tick.
        WinInputMouseMove(Screen(l, 20, 200));
        PumpAll();
        EXPECT_EQ(Top(l), 0);
        for (int tick = 0; tick < 3; ++tick) {
            ClockAdvanceMs(100);
            PumpAll();
        }
        EXPECT_EQ(Top(l), 3);
        EXPECT_EQ(Caret(l), 12);
        std::vector<int> selected = Selected(l);
        ASSERT_FALSE(selected.empty());
        EXPECT_EQ(selected.back(), 12);
        WinInputMouseButton(Screen(l, 20, 200), TWinMouseButton::Left, false);
        PumpAll();
        EXPECT_EQ(GetCapture(), nullptr);
        ClockAdvanceMs(500);
        PumpAll();
        EXPECT_EQ(Top(l), 3); // the timer stopped with the release
        EXPECT_EQ(Notes(l, LBN_SELCHANGE), 1);
        DestroyWindow(l);
        Rec.Clear();
    }
}

// Typed letters search by prefix; within the double-click time they add up, later they start
// again; the same letter again steps through the items that begin with it.
TEST_F(WinListBoxTest, TypeAheadSearchesAPrefixOnTheClock) {
    HWND l = List(LBS_NOTIFY, 0);
    for (const char* t : {"alpha", "beta", "bravo", "brown", "charlie", "beige"})
        SendMessageA(l, LB_ADDSTRING, 0, LPARAM(t));
    SetFocus(l);
    PumpAll();
    struct Step {
        const char* Text;
        int AdvanceMs; // before typing
        int Selected;
    };
    const std::vector<Step> steps = {
        {"b", 0, 1},    // beta
        {"r", 100, 2},  // "br": bravo
        {"o", 100, 3},  // "bro": brown
        {"c", 2000, 4}, // a pause: "c" alone
        {"b", 2000, 5}, // "b" after charlie: beige (wrapping later)
        {"b", 2000, 1}, // wraps round to beta
        {"b", 100, 2},  // "bb" matches nothing: the same letter steps on
        {"x", 2000, 2}, // no match: nothing moves
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Text);
        ClockAdvanceMs(s.AdvanceMs);
        std::u32string text(1, char32_t(s.Text[0]));
        WinInputText(text);
        PumpAll();
        EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), s.Selected);
    }
    EXPECT_EQ(Notes(l, LBN_SELCHANGE), 7);
}

// Item rectangles, hit tests, the scroll bar and the top index after scrolling.
TEST_F(WinListBoxTest, GeometryAfterScrolling) {
    HWND l = List(LBS_NOTIFY | WS_VSCROLL);
    RECT r{};
    ASSERT_EQ(SendMessageA(l, LB_GETITEMRECT, 3, LPARAM(&r)), LB_OKAY);
    EXPECT_EQ(r.top, 3 * Row);
    EXPECT_EQ(r.bottom, 4 * Row);
    EXPECT_EQ(r.left, 0);

    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(l, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 19);
    EXPECT_EQ(si.nPage, 10u);
    EXPECT_EQ(si.nPos, 0);

    struct Case {
        int SetTop;
        int Top;
        int Item;     // whose rectangle is asked
        int ItemTop;  // its top
        int HitY;     // a point's y
        int HitIndex; // the item there
        int HitOutside;
    };
    const std::vector<Case> cases = {
        {5, 5, 7, 2 * Row, 5, 5, 0},      {5, 5, 2, -3 * Row, 3 * Row + 1, 8, 0},
        {15, 10, 12, 2 * Row, -5, 10, 1}, // the top is held at count - page
        {0, 0, 19, 19 * Row, 170, 10, 1}, // below the client area: the item there, outside
        {25, 0, 0, 0, 0, 0, 0},           // an index past the end is refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.SetTop);
        LRESULT result = SendMessageA(l, LB_SETTOPINDEX, WPARAM(c.SetTop), 0);
        EXPECT_EQ(result, c.SetTop < 20 ? LB_OKAY : LB_ERR);
        EXPECT_EQ(Top(l), c.Top);
        SendMessageA(l, LB_GETITEMRECT, WPARAM(c.Item), LPARAM(&r));
        EXPECT_EQ(r.top, c.ItemTop);
        LRESULT hit = SendMessageA(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(20, WORD(SHORT(c.HitY))));
        EXPECT_EQ(LOWORD(hit), c.HitIndex);
        EXPECT_EQ(HIWORD(hit), c.HitOutside);
        ASSERT_TRUE(GetScrollInfo(l, SB_VERT, &si));
        EXPECT_EQ(si.nPos, c.Top);
    }

    // The scroll bar scrolls the list, and GetScrollBarInfo describes it.
    SendMessageA(l, LB_SETTOPINDEX, 0, 0);
    SendMessageA(l, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(Top(l), 9);
    SendMessageA(l, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(Top(l), 8);
    SendMessageA(l, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2), 0);
    EXPECT_EQ(Top(l), 2);
    SCROLLBARINFO sbi;
    ASSERT_TRUE(GetScrollBarInfo(l, OBJID_VSCROLL, &sbi));
    EXPECT_FALSE(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
    EXPECT_GT(sbi.xyThumbBottom, sbi.xyThumbTop);

    // The wheel: three items a notch.
    SetFocus(l);
    WinInputMouseWheel(Screen(l, 20, 20), -WHEEL_DELTA);
    PumpAll();
    EXPECT_EQ(Top(l), 5);

    // Fewer items than rows: the bar goes; with LBS_DISABLENOSCROLL it stays, disabled.
    for (DWORD extra : {DWORD(0), LBS_DISABLENOSCROLL}) {
        HWND few = List(WS_VSCROLL | extra, 3, 200, 10);
        SendMessageA(few, LB_ADDSTRING, 0, LPARAM("x"));
        EXPECT_EQ((GetWindowLongA(few, GWL_STYLE) & WS_VSCROLL) != 0, extra != 0);
        for (int i = 0; i < 10; ++i)
            SendMessageA(few, LB_ADDSTRING, 0, LPARAM("more"));
        EXPECT_TRUE(GetWindowLongA(few, GWL_STYLE) & WS_VSCROLL);
        DestroyWindow(few);
    }
}

// Without LBS_NOINTEGRALHEIGHT the window shrinks to whole items.
TEST_F(WinListBoxTest, IntegralHeight) {
    struct Case {
        DWORD Style;
        int AskedHeight;
        int ClientHeight;
    };
    const std::vector<Case> cases = {
        {0, 170, 160},
        {0, 10, 10}, // less than an item stays
        {LBS_NOINTEGRALHEIGHT, 170, 170},
        {WS_BORDER, 100, 96}, // the border does not count
        {LBS_OWNERDRAWVARIABLE, 170, 170},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.AskedHeight);
        HWND l = List(c.Style, 5);
        SetWindowPos(l, nullptr, 0, 0, 150, c.AskedHeight, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(l, &client);
        EXPECT_EQ(client.bottom, c.ClientHeight);
        DestroyWindow(l);
    }
}

// Owner drawing: measuring (once for fixed, per item for variable), drawing with states,
// comparing for sorting, and deleting.
TEST_F(WinListBoxTest, OwnerDrawMeasuresDrawsComparesAndDeletes) {
    std::vector<MEASUREITEMSTRUCT> measured;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::vector<DELETEITEMSTRUCT> deleted;
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM lp, LRESULT& r) {
        if (h != Parent) return false;
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            mi->itemHeight = mi->itemID == 0 && mi->itemData == 0 ? 18 : UINT(10 + mi->itemData);
            measured.push_back(*mi);
            r = TRUE;
            return true;
        }
        if (m == WM_DRAWITEM) {
            drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            r = TRUE;
            return true;
        }
        if (m == WM_DELETEITEM) {
            deleted.push_back(*reinterpret_cast<DELETEITEMSTRUCT*>(lp));
            r = TRUE;
            return true;
        }
        if (m == WM_COMPAREITEM) {
            auto* ci = reinterpret_cast<COMPAREITEMSTRUCT*>(lp);
            r = ci->itemData1 < ci->itemData2 ? -1 : ci->itemData1 > ci->itemData2 ? 1 : 0;
            return true;
        }
        return false;
    };
    auto make = [&](DWORD style) {
        return Make(WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | style, 10, 10, 150, 160,
                    Parent, 0, "LISTBOX", "", reinterpret_cast<HMENU>(std::intptr_t(7)));
    };

    // Fixed: measured once, as the window is made.
    HWND fixed = make(LBS_OWNERDRAWFIXED | LBS_SORT);
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_EQ(measured[0].CtlType, ODT_LISTBOX);
    EXPECT_EQ(measured[0].CtlID, 7u);
    EXPECT_EQ(measured[0].itemID, 0u);
    EXPECT_EQ(SendMessageA(fixed, LB_GETITEMHEIGHT, 0, 0), 18);
    // Sorted without texts: the parent compares the data.
    for (ULONG_PTR d : {30, 10, 20})
        SendMessageA(fixed, LB_ADDSTRING, 0, LPARAM(d));
    EXPECT_EQ(SendMessageA(fixed, LB_GETITEMDATA, 0, 0), 10);
    EXPECT_EQ(SendMessageA(fixed, LB_GETITEMDATA, 2, 0), 30);
    EXPECT_GT(Rec.Count(WM_COMPAREITEM, Parent), 0);
    // LB_GETTEXT of a list without texts hands out the data; LB_FINDSTRING compares it.
    ULONG_PTR data = 0;
    EXPECT_EQ(SendMessageA(fixed, LB_GETTEXT, 1, LPARAM(&data)), LRESULT(sizeof(ULONG_PTR)));
    EXPECT_EQ(data, 20u);
    EXPECT_EQ(SendMessageA(fixed, LB_FINDSTRING, WPARAM(-1), 30), 2);
    EXPECT_EQ(measured.size(), 1u);

    // Drawing: every visible item with its state; selection and focus changes draw at once.
    UpdateWindow(Parent);
    PumpAll();
    ASSERT_EQ(drawn.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(drawn[i].itemID, i);
        EXPECT_EQ(drawn[i].itemAction, ODA_DRAWENTIRE);
        EXPECT_EQ(drawn[i].itemState, 0u);
        EXPECT_EQ(drawn[i].rcItem.top, LONG(18 * i));
        EXPECT_EQ(drawn[i].hwndItem, fixed);
        EXPECT_EQ(drawn[i].itemData, std::vector<ULONG_PTR>({10, 20, 30})[i]);
    }
    drawn.clear();
    SetFocus(fixed);
    PumpAll();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front().itemAction, ODA_FOCUS);
    EXPECT_EQ(drawn.front().itemState, ODS_FOCUS);
    drawn.clear();
    Key(VK_DOWN);
    struct Seen {
        UINT Id, Action, State;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    for (const DRAWITEMSTRUCT& d : drawn)
        seen.push_back({d.itemID, d.itemAction, d.itemState});
    EXPECT_EQ(seen, (std::vector<Seen>{{0, ODA_SELECT, ODS_SELECTED | ODS_FOCUS}}));
    drawn.clear();
    Key(VK_DOWN);
    seen.clear();
    for (const DRAWITEMSTRUCT& d : drawn)
        seen.push_back({d.itemID, d.itemAction, d.itemState});
    EXPECT_EQ(seen, (std::vector<Seen>{{0, ODA_SELECT, ODS_FOCUS},
                                       {1, ODA_SELECT, ODS_SELECTED},
                                       {0, ODA_FOCUS, 0},
                                       {1, ODA_FOCUS, ODS_SELECTED | ODS_FOCUS}}));
    EXPECT_EQ(Notes(fixed, LBN_SELCHANGE), 2);

    // Deleting tells the parent of each item, with its data.
    SendMessageA(fixed, LB_DELETESTRING, 0, 0);
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].itemData, 10u);
    EXPECT_EQ(deleted[0].CtlType, ODT_LISTBOX);
    DestroyWindow(fixed);
    EXPECT_EQ(deleted.size(), 3u); // the two left went with the window

    // Variable: each item measured as it comes; rectangles and hit tests follow the heights.
    measured.clear();
    HWND variable = make(LBS_OWNERDRAWVARIABLE);
    measured.clear();
    for (ULONG_PTR d : {5, 15, 25, 35, 45, 55})
        SendMessageA(variable, LB_ADDSTRING, 0, LPARAM(d)); // heights 15, 25, ... 65
    ASSERT_EQ(measured.size(), 6u);
    EXPECT_EQ(measured[2].itemID, 2u);
    EXPECT_EQ(measured[2].itemData, 25u);
    EXPECT_EQ(SendMessageA(variable, LB_GETITEMHEIGHT, 2, 0), 35);
    RECT r;
    SendMessageA(variable, LB_GETITEMRECT, 3, LPARAM(&r));
    EXPECT_EQ(r.top, 15 + 25 + 35);
    EXPECT_EQ(r.bottom, 15 + 25 + 35 + 45);
    EXPECT_EQ(LOWORD(SendMessageA(variable, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 50))), 2);
    // Scrolled to the bottom, the last items fill the list from the top index the heights allow.
    SendMessageA(variable, LB_SETTOPINDEX, 5, 0);
    EXPECT_EQ(Top(variable), 4); // 55 + 65 fit in 160, 45 more would not
    SendMessageA(variable, LB_GETITEMRECT, 5, LPARAM(&r));
    EXPECT_EQ(r.top, 55);
    SendMessageA(variable, LB_SETITEMHEIGHT, 5, MAKELPARAM(20, 0));
    EXPECT_EQ(SendMessageA(variable, LB_GETITEMHEIGHT, 5, 0), 20);
}

// LBS_NODATA: LB_SETCOUNT makes the items; they have no text or data.
TEST_F(WinListBoxTest, NoDataListTakesACount) {
    HWND plain = List(0, 2);
    EXPECT_EQ(SendMessageA(plain, LB_SETCOUNT, 100, 0), LB_ERR);
    int draws = 0;
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_DRAWITEM) return false;
        ++draws;
        r = TRUE;
        return true;
    };
    HWND l = Make(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_EXTENDEDSEL, 200,
                  10, 150, 160, Parent, 0, "LISTBOX", "", nullptr);
    SendMessageA(l, LB_SETITEMHEIGHT, 0, MAKELPARAM(Row, 0));
    EXPECT_EQ(SendMessageA(l, LB_SETCOUNT, 100000, 0), LB_OKAY);
    EXPECT_EQ(SendMessageA(l, LB_GETCOUNT, 0, 0), 100000);
    EXPECT_EQ(SendMessageA(l, LB_ADDSTRING, 0, LPARAM("x")), LB_ERR);
    EXPECT_EQ(SendMessageA(l, LB_GETTEXT, 0, 0), LB_ERR);
    SendMessageA(l, LB_SELITEMRANGEEX, 10, 99990);
    EXPECT_EQ(SendMessageA(l, LB_GETSELCOUNT, 0, 0), 99981);
    SendMessageA(l, LB_SELITEMRANGEEX, 99990, 11); // backwards: deselects
    EXPECT_EQ(SendMessageA(l, LB_GETSELCOUNT, 0, 0), 1);
    SendMessageA(l, LB_SETTOPINDEX, 99995, 0);
    EXPECT_EQ(Top(l), 100000 - 10);
    UpdateWindow(Parent);
    EXPECT_EQ(draws, 10);
    SendMessageA(l, LB_SETCOUNT, 5, 0);
    EXPECT_EQ(Top(l), 0);
    int items[8] = {};
    EXPECT_EQ(SendMessageA(l, LB_GETSELITEMS, 8, LPARAM(items)), 0);
}

// Messages of the multiple-selection lists, the anchor, and LB_SETCURSEL's refusals.
TEST_F(WinListBoxTest, SelectionMessages) {
    HWND multi = List(LBS_EXTENDEDSEL);
    HWND single = List(0, 20, 200);
    struct Case {
        const char* Name;
        HWND Window;
        UINT Message;
        WPARAM W;
        LPARAM L;
        LRESULT Result;
        std::vector<int> Selected;
    };
    const std::vector<Case> cases = {
        {"setsel", multi, LB_SETSEL, TRUE, 3, LB_OKAY, {3}},
        {"setsel all", multi, LB_SETSEL, TRUE, -1, LB_OKAY,
         [] {
             std::vector<int> all;
             for (int i = 0; i < 20; ++i)
                 all.push_back(i);
             return all;
         }()},
        {"clear all", multi, LB_SETSEL, FALSE, -1, LB_OKAY, {}},
        {"range", multi, LB_SELITEMRANGE, TRUE, MAKELPARAM(2, 4), LB_OKAY, {2, 3, 4}},
        {"range off", multi, LB_SELITEMRANGE, FALSE, MAKELPARAM(3, 3), LB_OKAY, {2, 4}},
        {"cursel refused", multi, LB_SETCURSEL, 1, 0, LB_ERR, {2, 4}},
        {"setsel refused", single, LB_SETSEL, TRUE, 1, LB_ERR, {}},
        {"cursel", single, LB_SETCURSEL, 6, 0, 6, {6}},
        {"cursel none", single, LB_SETCURSEL, WPARAM(-1), 0, LB_ERR, {}},
        {"cursel past", single, LB_SETCURSEL, 40, 0, LB_ERR, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(SendMessageA(c.Window, c.Message, c.W, c.L), c.Result);
        EXPECT_EQ(Selected(c.Window), c.Selected);
    }
    int items[10] = {};
    EXPECT_EQ(SendMessageA(multi, LB_GETSELITEMS, 10, LPARAM(items)), 2);
    EXPECT_EQ(items[1], 4);
    EXPECT_EQ(SendMessageA(single, LB_GETSELCOUNT, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(multi, LB_SETANCHORINDEX, 5, 0), LB_OKAY);
    EXPECT_EQ(SendMessageA(multi, LB_GETANCHORINDEX, 0, 0), 5);
    EXPECT_EQ(SendMessageA(multi, LB_SETCARETINDEX, 15, FALSE), LB_OKAY);
    EXPECT_EQ(Caret(multi), 15);
    EXPECT_EQ(Top(multi), 6); // scrolled until the caret item is wholly in view
    SetFocus(multi);
    Key(VK_HOME, S); // Shift extends from the anchor set above
    EXPECT_EQ(Selected(multi), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(SendMessageA(multi, LB_SETHORIZONTALEXTENT, 400, 0), 0);
    EXPECT_EQ(SendMessageA(multi, LB_GETHORIZONTALEXTENT, 0, 0), 400);
}

// Multi-column lists run down and across; Left and Right move a column.
TEST_F(WinListBoxTest, MultiColumnLayout) {
    HWND l = List(LBS_MULTICOLUMN | LBS_NOTIFY | WS_HSCROLL, 30, 10, 10, 200, 96);
    SendMessageA(l, LB_SETCOLUMNWIDTH, 50, 0);
    RECT client;
    GetClientRect(l, &client);
    int rows = client.bottom / Row;
    EXPECT_EQ(SendMessageA(l, LB_GETLISTBOXINFO, 0, 0), rows);
    RECT r;
    SendMessageA(l, LB_GETITEMRECT, WPARAM(rows + 1), LPARAM(&r));
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, Row);
    EXPECT_EQ(LOWORD(SendMessageA(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(120, 2 * Row + 3))), 2 * rows + 2);
    SetFocus(l);
    Key(VK_DOWN);
    Key(VK_RIGHT);
    EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), rows);
    Key(VK_END);
    EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), 29);
    int columns = (30 + rows - 1) / rows;
    EXPECT_EQ(Top(l), (columns - 4) * rows); // four columns of 50 in 200 pixels
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    EXPECT_EQ(si.nMax, columns - 1);
    EXPECT_EQ(si.nPos, columns - 4);
}

// Keyboard input the parent takes first.
TEST_F(WinListBoxTest, WantKeyboardInputAsksTheParent) {
    HWND l = List(LBS_WANTKEYBOARDINPUT | LBS_NOTIFY);
    LRESULT answer = -1;
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_VKEYTOITEM && m != WM_CHARTOITEM) return false;
        r = answer;
        return true;
    };
    SetFocus(l);
    PumpAll();
    struct Case {
        LRESULT Answer;
        int Selected;
    };
    for (const Case& c : std::vector<Case>{{-1, 0}, {-2, 0}, {7, 7}, {-1, 8}}) {
        SCOPED_TRACE(c.Answer);
        answer = c.Answer;
        Key(VK_DOWN);
        EXPECT_EQ(SendMessageA(l, LB_GETCURSEL, 0, 0), c.Selected);
    }
    const Seen* vk = Rec.Find(WM_VKEYTOITEM, Parent);
    ASSERT_NE(vk, nullptr);
    EXPECT_EQ(LOWORD(vk->WParam), VK_DOWN);
    EXPECT_EQ(HWND(vk->LParam), l);
}

// A parent that destroys the list from its notification does not bring anything down.
TEST_F(WinListBoxTest, SurvivesAParentThatDestroysItFromANotice) {
    for (UINT code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS}) {
        SCOPED_TRACE(code);
        HWND l = List(LBS_NOTIFY | LBS_EXTENDEDSEL);
        Rec.Handler = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
            if (m == WM_COMMAND && HIWORD(w) == code && IsWindow(l)) DestroyWindow(l);
            return false;
        };
        POINT p = Screen(l, 20, 20);
        ClockAdvanceMs(1000);
        for (int i = 0; i < 2; ++i) {
            WinInputMouseButton(p, TWinMouseButton::Left, true);
            WinInputMouseButton(p, TWinMouseButton::Left, false);
        }
        PumpAll();
        EXPECT_FALSE(IsWindow(l));
        EXPECT_EQ(GetCapture(), nullptr);
        Rec.Handler = nullptr;
    }
}

// Classic colours: the window colour, the selection in highlight colours, the parent's brush.
TEST_F(WinListBoxTest, ClassicColoursAndTheParentsBrush) {
    HWND l = List(LBS_NOTIFY, 5);
    SendMessageA(l, LB_SETCURSEL, 1, 0);
    UpdateWindow(Parent);
    EXPECT_EQ(At(l, 100, 3), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(At(l, 100, Row + 3), GetSysColor(COLOR_HIGHLIGHT));
    HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_CTLCOLORLISTBOX) return false;
        r = LRESULT(yellow);
        return true;
    };
    InvalidateRect(l, nullptr, TRUE);
    UpdateWindow(Parent);
    EXPECT_EQ(At(l, 100, 3), RGB(255, 255, 0));
    EXPECT_EQ(At(l, 100, 150), RGB(255, 255, 0));
    EXPECT_EQ(At(l, 100, Row + 3), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(Rec.Find(WM_CTLCOLORLISTBOX, Parent)->LParam, LPARAM(l));
    Rec.Handler = nullptr;
    DestroyWindow(l);
    DeleteObject(yellow);
}

// Lists of every kind on one window, saved for a person to look at.
TEST_F(WinListBoxTest, SheetOfLists) {
    DestroyWindow(Parent);
    Parent = Make(WS_POPUP | WS_VISIBLE, 0, 0, 520, 200);
    Rec.Handler = [this](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
        if (m == WM_ERASEBKGND && h == Parent) {
            RECT all{0, 0, 520, 200};
            FillRect(HDC(w), &all, GetSysColorBrush(COLOR_3DFACE));
            r = 1;
            return true;
        }
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
            mi->itemHeight = mi->itemData ? UINT(14 + (mi->itemID % 3) * 6) : 20;
            r = TRUE;
            return true;
        }
        if (m != WM_DRAWITEM) return false;
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        RECT rc = item->rcItem;
        FillRect(item->hDC, &rc,
                 GetSysColorBrush((item->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHT : COLOR_INFOBK));
        RECT swatch{rc.left + 2, rc.top + 2, rc.left + 14, rc.bottom - 2};
        HBRUSH b = CreateSolidBrush(RGB(40 * (item->itemID % 6), 120, 200));
        FillRect(item->hDC, &swatch, b);
        DeleteObject(b);
        char text[32];
        std::snprintf(text, sizeof(text), "Owner %u", item->itemID);
        RECT t = rc;
        t.left += 18;
        SetBkMode(item->hDC, TRANSPARENT);
        SetTextColor(item->hDC,
                     GetSysColor((item->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHTTEXT : COLOR_INFOTEXT));
        DrawTextA(item->hDC, text, -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (item->itemState & ODS_FOCUS) DrawFocusRect(item->hDC, &rc);
        r = TRUE;
        return true;
    };
    auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto add = [&](DWORD style, int x, int y, int w, int h, int items) {
        HWND c = Make(WS_CHILD | WS_VISIBLE | style, x, y, w, h, Parent, 0, "LISTBOX", "", nullptr);
        SendMessageA(c, WM_SETFONT, WPARAM(font), FALSE);
        for (int i = 0; i < items; ++i) {
            char text[48];
            std::snprintf(text, sizeof(text), "Channel %d\t%d.%03d", i + 1, 400 + i, i * 125 % 1000);
            SendMessageA(c, LB_ADDSTRING, 0, (style & LBS_OWNERDRAWVARIABLE) ? LPARAM(i + 1) : LPARAM(text));
        }
        return c;
    };
    HWND single = add(WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 10, 10, 120, 170, 20);
    SendMessageA(single, LB_SETCURSEL, 2, 0);
    HWND multi = add(WS_BORDER | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_USETABSTOPS, 140, 10, 120, 170, 6);
    SendMessageA(multi, LB_SELITEMRANGE, TRUE, MAKELPARAM(1, 3));
    SendMessageA(multi, LB_SETCARETINDEX, 3, 0);
    HWND owner =
        add(WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_NOINTEGRALHEIGHT, 270, 10, 110, 170, 12);
    SendMessageA(owner, LB_SETCURSEL, 1, 0);
    HWND columns = add(WS_BORDER | WS_HSCROLL | LBS_MULTICOLUMN, 390, 10, 120, 110, 14);
    SendMessageA(columns, LB_SETCOLUMNWIDTH, 60, 0);
    SendMessageA(columns, LB_SETCURSEL, 5, 0);
    HWND off = add(WS_BORDER | WS_DISABLED, 390, 130, 120, 50, 3);
    (void)off;
    SetFocus(multi);
    UpdateWindow(Parent);
    PumpAll();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Parent, s));
    std::string path = testsupport::ArtifactPath("WinListBoxTest_Sheet.png");
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
    EXPECT_EQ(At(single, 60, 2 * int(SendMessageA(single, LB_GETITEMHEIGHT, 0, 0)) + 2),
              GetSysColor(COLOR_HIGHLIGHT));
}

} // namespace
