// Input through the display's door: key messages with their codes and flags, the characters
// TranslateMessage makes, the key state, the keyboard layout calls, mouse messages in the client
// and non-client areas, double clicks, capture, activation by click and mouse tracking.
#include <gtest/gtest.h>

#include "platform/winapi/WinBackendInterface.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class WinInputTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Window = Make(WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
        SetFocus(Window);
        PumpAll();
        Rec.Clear();
    }
    // The keyboard messages the focus window got, as (message, wParam).
    std::vector<std::pair<UINT, WPARAM>> KeyMessages() const {
        std::vector<std::pair<UINT, WPARAM>> out;
        for (const Seen& s : Rec.Log)
            if (s.Message >= WM_KEYFIRST && s.Message <= WM_KEYLAST) out.push_back({s.Message, s.WParam});
        return out;
    }
    HWND Window = nullptr;
};

struct Key {
    UINT Vk;
    bool Down;
    bool Extended = false;
};

TEST_F(WinInputTest, KeysGiveTheirMessagesAndCharacters) {
    using M = std::pair<UINT, WPARAM>;
    struct Case {
        const char* Name;
        std::vector<Key> Keys;
        std::vector<M> Expected;
    };
    const std::vector<Case> cases = {
        {"letter", {{'A', true}, {'A', false}}, {{WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYUP, 'A'}}},
        {"digit", {{'7', true}, {'7', false}}, {{WM_KEYDOWN, '7'}, {WM_CHAR, '7'}, {WM_KEYUP, '7'}}},
        {"Enter",
         {{VK_RETURN, true}, {VK_RETURN, false}},
         {{WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13}, {WM_KEYUP, VK_RETURN}}},
        {"Esc",
         {{VK_ESCAPE, true}, {VK_ESCAPE, false}},
         {{WM_KEYDOWN, VK_ESCAPE}, {WM_CHAR, 27}, {WM_KEYUP, VK_ESCAPE}}},
        {"Tab", {{VK_TAB, true}, {VK_TAB, false}}, {{WM_KEYDOWN, VK_TAB}, {WM_CHAR, 9}, {WM_KEYUP, VK_TAB}}},
        {"Backspace",
         {{VK_BACK, true}, {VK_BACK, false}},
         {{WM_KEYDOWN, VK_BACK}, {WM_CHAR, 8}, {WM_KEYUP, VK_BACK}}},
        {"arrow", {{VK_LEFT, true}, {VK_LEFT, false}}, {{WM_KEYDOWN, VK_LEFT}, {WM_KEYUP, VK_LEFT}}},
        {"F1", {{VK_F1, true}, {VK_F1, false}}, {{WM_KEYDOWN, VK_F1}, {WM_KEYUP, VK_F1}}},
        {"F12", {{VK_F12, true}, {VK_F12, false}}, {{WM_KEYDOWN, VK_F12}, {WM_KEYUP, VK_F12}}},
        {"F10 is a system key",
         {{VK_F10, true}, {VK_F10, false}},
         {{WM_SYSKEYDOWN, VK_F10}, {WM_SYSKEYUP, VK_F10}}},
        {"Shift+letter",
         {{VK_SHIFT, true}, {'B', true}, {'B', false}, {VK_SHIFT, false}},
         {{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'B'}, {WM_CHAR, 'B'}, {WM_KEYUP, 'B'}, {WM_KEYUP, VK_SHIFT}}},
        {"Shift+digit",
         {{VK_SHIFT, true}, {'2', true}, {'2', false}, {VK_SHIFT, false}},
         {{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, '2'}, {WM_CHAR, '@'}, {WM_KEYUP, '2'}, {WM_KEYUP, VK_SHIFT}}},
        {"Shift+punctuation",
         {{VK_SHIFT, true}, {VK_OEM_1, true}, {VK_OEM_1, false}, {VK_SHIFT, false}},
         {{WM_KEYDOWN, VK_SHIFT},
          {WM_KEYDOWN, VK_OEM_1},
          {WM_CHAR, ':'},
          {WM_KEYUP, VK_OEM_1},
          {WM_KEYUP, VK_SHIFT}}},
        {"Ctrl+A",
         {{VK_CONTROL, true}, {'A', true}, {'A', false}, {VK_CONTROL, false}},
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, 'A'},
          {WM_CHAR, 1},
          {WM_KEYUP, 'A'},
          {WM_KEYUP, VK_CONTROL}}},
        {"Ctrl+Z",
         {{VK_CONTROL, true}, {'Z', true}, {'Z', false}, {VK_CONTROL, false}},
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, 'Z'},
          {WM_CHAR, 26},
          {WM_KEYUP, 'Z'},
          {WM_KEYUP, VK_CONTROL}}},
        {"Ctrl+Shift+C",
         {{VK_CONTROL, true},
          {VK_SHIFT, true},
          {'C', true},
          {'C', false},
          {VK_SHIFT, false},
          {VK_CONTROL, false}},
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, VK_SHIFT},
          {WM_KEYDOWN, 'C'},
          {WM_CHAR, 3},
          {WM_KEYUP, 'C'},
          {WM_KEYUP, VK_SHIFT},
          {WM_KEYUP, VK_CONTROL}}},
        {"Alt+F",
         {{VK_MENU, true}, {'F', true}, {'F', false}, {VK_MENU, false}},
         {{WM_SYSKEYDOWN, VK_MENU},
          {WM_SYSKEYDOWN, 'F'},
          {WM_SYSCHAR, 'f'},
          {WM_SYSKEYUP, 'F'},
          {WM_KEYUP, VK_MENU}}},
        {"Alt alone",
         {{VK_MENU, true}, {VK_MENU, false}},
         {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYUP, VK_MENU}}},
        {"Alt+Shift+X",
         {{VK_MENU, true}, {VK_SHIFT, true}, {'X', true}, {'X', false}, {VK_SHIFT, false}, {VK_MENU, false}},
         {{WM_SYSKEYDOWN, VK_MENU},
          {WM_SYSKEYDOWN, VK_SHIFT},
          {WM_SYSKEYDOWN, 'X'},
          {WM_SYSCHAR, 'X'},
          {WM_SYSKEYUP, 'X'},
          {WM_SYSKEYUP, VK_SHIFT},
          {WM_KEYUP, VK_MENU}}},
        {"Ctrl+Alt types nothing",
         {{VK_CONTROL, true},
          {VK_MENU, true},
          {'Q', true},
          {'Q', false},
          {VK_MENU, false},
          {VK_CONTROL, false}},
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, VK_MENU},
          {WM_KEYDOWN, 'Q'},
          {WM_KEYUP, 'Q'},
          {WM_KEYUP, VK_MENU},
          {WM_KEYUP, VK_CONTROL}}},
        {"Caps Lock",
         {{VK_CAPITAL, true},
          {VK_CAPITAL, false},
          {'K', true},
          {'K', false},
          {VK_CAPITAL, true},
          {VK_CAPITAL, false}},
         {{WM_KEYDOWN, VK_CAPITAL},
          {WM_KEYUP, VK_CAPITAL},
          {WM_KEYDOWN, 'K'},
          {WM_CHAR, 'K'},
          {WM_KEYUP, 'K'},
          {WM_KEYDOWN, VK_CAPITAL},
          {WM_KEYUP, VK_CAPITAL}}},
        {"keypad",
         {{VK_NUMPAD5, true}, {VK_DECIMAL, true}},
         {{WM_KEYDOWN, VK_NUMPAD5}, {WM_CHAR, '5'}, {WM_KEYDOWN, VK_DECIMAL}, {WM_CHAR, '.'}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rec.Clear();
        for (const Key& k : c.Keys) {
            WinInputKey(k.Vk, k.Extended, k.Down);
            PumpAll();
        }
        EXPECT_EQ(KeyMessages(), c.Expected);
        // Nothing stays pressed from one case to the next.
        WinInputKey(VK_NUMPAD5, false, false);
        WinInputKey(VK_DECIMAL, false, false);
        PumpAll();
    }
}

TEST_F(WinInputTest, KeyMessageFlags) {
    WinInputKey('A', false, true);
    WinInputKey('A', false, true); // auto-repeat
    WinInputKey('A', false, false);
    WinInputKey(VK_RIGHT, false, true);
    WinInputKey(VK_MENU, false, true);
    WinInputKey(VK_F4, false, true);
    WinInputKey(VK_F4, false, false);
    WinInputKey(VK_MENU, false, false);
    WinInputKey(VK_RIGHT, false, false);
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT&) {
        return m == WM_SYSKEYDOWN;
    }; // no Alt+F4 close
    PumpAll();
    std::vector<DWORD> flags;
    for (const Seen& s : Rec.Log)
        if (s.Message != WM_CHAR && s.Message >= WM_KEYFIRST && s.Message <= WM_KEYLAST)
            flags.push_back(DWORD(s.LParam));
    ASSERT_EQ(flags.size(), 9u);
    EXPECT_EQ(flags[0], 0x001E0001u); // A down: scan 0x1E, first press
    EXPECT_EQ(flags[1], 0x401E0001u); // repeat: previous state down
    EXPECT_EQ(flags[2], 0xC01E0001u); // up: previous down, transition
    EXPECT_EQ(flags[3], 0x014D0001u); // right arrow: extended
    EXPECT_EQ(flags[4], 0x20380001u); // Alt: context bit
    EXPECT_EQ(flags[5], 0x203E0001u); // F4 with Alt
    EXPECT_EQ(flags[6], 0xE03E0001u);
    EXPECT_EQ(flags[7] & 0xFFFF0000u, 0xC0380000u); // Alt up after a key: a plain key up
    EXPECT_EQ(flags[8], 0xC14D0001u);
}

TEST_F(WinInputTest, InputMethodTextArrivesAsCharacters) {
    const std::u32string text = U"\u4E2D\u6587\U00020000"; // two ideographs and one beyond the BMP
    WinInputText(text);
    PumpAll();
    std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_PROCESSKEY}, {WM_CHAR, 0x4E2D}, {WM_CHAR, 0x6587}, {WM_CHAR, 0x20000}};
    EXPECT_EQ(KeyMessages(), expected);
    // Text the display types where the layout would type something else wins for that key.
    Rec.Clear();
    WinInputKey(VK_OEM_7, false, true, U"\u00E4");
    WinInputKey(VK_OEM_7, false, false);
    PumpAll();
    expected = {{WM_KEYDOWN, VK_OEM_7}, {WM_CHAR, 0xE4}, {WM_KEYUP, VK_OEM_7}};
    EXPECT_EQ(KeyMessages(), expected);
}

TEST_F(WinInputTest, KeyStateFollowsRetrievalAsyncStateFollowsInput) {
    WinInputKey(VK_SHIFT, false, true);
    EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000); // not retrieved yet
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    EXPECT_TRUE(GetKeyState(VK_LSHIFT) & 0x8000);
    BYTE state[256];
    GetKeyboardState(state);
    EXPECT_EQ(state[VK_SHIFT] & 0x80, 0x80);
    WinInputKey(VK_SHIFT, false, false);
    PumpAll();
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    // Toggle keys keep their toggled bit.
    WinInputKey(VK_NUMLOCK, false, true);
    WinInputKey(VK_NUMLOCK, false, false);
    PumpAll();
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
    WinInputKey(VK_NUMLOCK, false, true);
    WinInputKey(VK_NUMLOCK, false, false);
    PumpAll();
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 0);
    // The async "pressed since" bit is reported once.
    WinInputKey('Q', false, true);
    WinInputKey('Q', false, false);
    EXPECT_EQ(GetAsyncKeyState('Q'), 1);
    EXPECT_EQ(GetAsyncKeyState('Q'), 0);
    // Mouse buttons are keys too.
    WinInputMouseButton(POINT{150, 150}, TWinMouseButton::Right, true);
    EXPECT_TRUE(GetAsyncKeyState(VK_RBUTTON) & 0x8000);
    PumpAll();
    EXPECT_TRUE(GetKeyState(VK_RBUTTON) & 0x8000);
    WinInputMouseButton(POINT{150, 150}, TWinMouseButton::Right, false);
    PumpAll();
    EXPECT_FALSE(GetKeyState(VK_RBUTTON) & 0x8000);
}

TEST_F(WinInputTest, LayoutConversions) {
    struct Case {
        char Ch;
        SHORT Scan;
    };
    const std::vector<Case> vkScan = {{'a', 'A'},
                                      {'A', 0x100 | 'A'},
                                      {'1', '1'},
                                      {'!', 0x100 | '1'},
                                      {'\r', VK_RETURN},
                                      {' ', VK_SPACE},
                                      {':', 0x100 | VK_OEM_1},
                                      {'/', VK_OEM_2},
                                      {'\x01', 0x200 | 'A'},
                                      {'\x1b', VK_ESCAPE}};
    for (const Case& c : vkScan) {
        SCOPED_TRACE(int(c.Ch));
        EXPECT_EQ(VkKeyScanA(c.Ch), c.Scan);
    }
    EXPECT_EQ(VkKeyScanA(char(0xE9)), -1);
    struct MapCase {
        UINT Code;
        UINT Type;
        UINT Expected;
    };
    const std::vector<MapCase> maps = {
        {'A', MAPVK_VK_TO_VSC, 0x1E},          {VK_RETURN, MAPVK_VK_TO_VSC, 0x1C},
        {VK_LEFT, MAPVK_VK_TO_VSC, 0x4B},      {VK_SHIFT, MAPVK_VK_TO_VSC, 0x2A},
        {VK_F12, MAPVK_VK_TO_VSC, 0x58},       {0x1E, MAPVK_VSC_TO_VK, 'A'},
        {0x36, MAPVK_VSC_TO_VK, VK_SHIFT},     {0x36, MAPVK_VSC_TO_VK_EX, VK_RSHIFT},
        {0x4B, MAPVK_VSC_TO_VK, VK_LEFT},      {'A', MAPVK_VK_TO_CHAR, 'A'},
        {VK_OEM_COMMA, MAPVK_VK_TO_CHAR, ','}, {VK_F1, MAPVK_VK_TO_CHAR, 0},
    };
    for (const MapCase& c : maps) {
        SCOPED_TRACE(c.Code);
        EXPECT_EQ(MapVirtualKeyA(c.Code, c.Type), c.Expected);
    }
}

TEST_F(WinInputTest, KeysWithoutFocusGoToTheActiveWindowAsSystemKeys) {
    SetFocus(nullptr);
    EXPECT_EQ(GetActiveWindow(), Window);
    WinInputKey('A', false, true);
    WinInputKey('A', false, false);
    PumpAll();
    std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_SYSKEYDOWN, 'A'}, {WM_SYSCHAR, 'a'}, {WM_SYSKEYUP, 'A'}};
    EXPECT_EQ(KeyMessages(), expected);
}

// Keys queued before the focus moves go to the window that has the focus when they are read.
TEST_F(WinInputTest, KeysGoToTheFocusOfTheMomentTheyAreRead) {
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, Window);
    PumpAll();
    Rec.Clear();
    WinInputKey('A', false, true);
    WinInputKey('A', false, false);
    SetFocus(child);
    PumpAll();
    std::vector<HWND> targets;
    for (const Seen& s : Rec.Log)
        if (s.Message == WM_KEYDOWN || s.Message == WM_CHAR || s.Message == WM_KEYUP) targets.push_back(s.Window);
    EXPECT_EQ(targets, (std::vector<HWND>{child, child, child}));
}

// ---- Mouse ------------------------------------------------------------------------------------------

TEST_F(WinInputTest, DoubleClicksOnlyForClassesThatAskForThem) {
    HWND dbl = Make(WS_POPUP | WS_VISIBLE, 400, 100, 50, 50, nullptr, 0, RecordingDblClass());
    struct Case {
        const char* Name;
        HWND Target;
        POINT Where;
        std::vector<DWORD> Gaps; // ms before each click after the first
        std::vector<UINT> Downs;
    };
    const std::vector<Case> cases = {
        {"plain class", Window, {150, 150}, {100}, {WM_LBUTTONDOWN, WM_LBUTTONDOWN}},
        {"double-click class", dbl, {420, 120}, {100}, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}},
        {"too slow", dbl, {420, 120}, {501}, {WM_LBUTTONDOWN, WM_LBUTTONDOWN}},
        {"just in time", dbl, {420, 120}, {500}, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}},
        {"third click starts over",
         dbl,
         {420, 120},
         {100, 100, 100},
         {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ClockAdvanceMs(1000);
        Rec.Clear();
        for (size_t i = 0; i <= c.Gaps.size(); ++i) {
            if (i > 0) ClockAdvanceMs(c.Gaps[i - 1]);
            WinInputMouseButton(c.Where, TWinMouseButton::Left, true);
            WinInputMouseButton(c.Where, TWinMouseButton::Left, false);
            PumpAll();
        }
        std::vector<UINT> downs;
        for (const Seen& s : Rec.Log)
            if ((s.Message == WM_LBUTTONDOWN || s.Message == WM_LBUTTONDBLCLK) && s.Window == c.Target)
                downs.push_back(s.Message);
        EXPECT_EQ(downs, c.Downs);
    }
    // Too far apart is no double click either.
    ClockAdvanceMs(1000);
    Rec.Clear();
    WinInputMouseButton(POINT{420, 120}, TWinMouseButton::Left, true);
    WinInputMouseButton(POINT{420, 120}, TWinMouseButton::Left, false);
    WinInputMouseButton(POINT{423, 120}, TWinMouseButton::Left, true);
    WinInputMouseButton(POINT{423, 120}, TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_LBUTTONDBLCLK), 0);
}

TEST_F(WinInputTest, ClientAndNonClientMessages) {
    HWND framed = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 150);
    PumpAll();
    Rec.Clear();
    // The client area (client origin at 304, 323).
    WinInputMouseMove(POINT{310, 340});
    // The caption.
    WinInputMouseMove(POINT{400, 310});
    WinInputMouseButton(POINT{400, 310}, TWinMouseButton::Left, true);
    WinInputMouseButton(POINT{400, 310}, TWinMouseButton::Left, false);
    PumpAll();
    const Seen* move = Rec.Find(WM_MOUSEMOVE, framed);
    ASSERT_TRUE(move);
    EXPECT_EQ(GET_X_LPARAM(move->LParam), 6);
    EXPECT_EQ(GET_Y_LPARAM(move->LParam), 17);
    const Seen* ncMove = Rec.Find(WM_NCMOUSEMOVE, framed);
    ASSERT_TRUE(ncMove);
    EXPECT_EQ(ncMove->WParam, WPARAM(HTCAPTION));
    EXPECT_EQ(GET_X_LPARAM(ncMove->LParam), 400); // screen coordinates
    EXPECT_TRUE(Rec.Find(WM_NCLBUTTONDOWN, framed));
    EXPECT_TRUE(Rec.Find(WM_NCLBUTTONUP, framed));
    // A non-client double click needs no class style.
    ClockAdvanceMs(100);
    Rec.Clear();
    WinInputMouseButton(POINT{400, 310}, TWinMouseButton::Left, true);
    PumpAll();
    EXPECT_TRUE(Rec.Find(WM_NCLBUTTONDBLCLK, framed));
    WinInputMouseButton(POINT{400, 310}, TWinMouseButton::Left, false);
    PumpAll();
    // The bottom-right corner of a sizable frame.
    EXPECT_EQ(SendMessageA(framed, WM_NCHITTEST, 0, MAKELPARAM(499, 449)), HTBOTTOMRIGHT);
    EXPECT_EQ(SendMessageA(framed, WM_NCHITTEST, 0, MAKELPARAM(301, 400)), HTLEFT);
}

TEST_F(WinInputTest, ClickActivatesAndSetsTheCursorFirst) {
    HWND other = Make(WS_POPUP | WS_VISIBLE, 400, 100, 50, 50);
    SetActiveWindow(Window);
    PumpAll();
    Rec.Clear();
    WinInputMouseButton(POINT{410, 110}, TWinMouseButton::Left, true);
    PumpAll();
    std::vector<UINT> seen;
    for (const Seen& s : Rec.Log)
        if (s.Window == other && s.Message != WM_ACTIVATEAPP) seen.push_back(s.Message);
    EXPECT_EQ(seen,
              (std::vector<UINT>{WM_MOUSEACTIVATE, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_LBUTTONDOWN}));
    EXPECT_EQ(GetActiveWindow(), other);
    const Seen* activate = Rec.Find(WM_ACTIVATE, other);
    EXPECT_EQ(LOWORD(activate->WParam), WA_CLICKACTIVE);
    WinInputMouseButton(POINT{410, 110}, TWinMouseButton::Left, false);
    PumpAll();
    // The cursor question comes with each mouse message.
    Rec.Ignored.erase(WM_SETCURSOR);
    Rec.Clear();
    WinInputMouseMove(POINT{411, 111});
    PumpAll();
    EXPECT_EQ(Rec.Messages(other), (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE}));
    const Seen* cursor = Rec.Find(WM_SETCURSOR, other);
    EXPECT_EQ(LOWORD(cursor->LParam), HTCLIENT);
    EXPECT_EQ(HIWORD(cursor->LParam), WM_MOUSEMOVE);
    // A window that eats the activating click does not get it.
    SetActiveWindow(Window);
    PumpAll();
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (h != other || m != WM_MOUSEACTIVATE) return false;
        r = MA_NOACTIVATEANDEAT;
        return true;
    };
    Rec.Clear();
    WinInputMouseButton(POINT{410, 110}, TWinMouseButton::Left, true);
    WinInputMouseButton(POINT{410, 110}, TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN, other), 0);
    EXPECT_EQ(Rec.Count(WM_LBUTTONUP, other), 1);
    EXPECT_EQ(GetActiveWindow(), Window);
}

TEST_F(WinInputTest, CaptureGetsEveryMouseMessage) {
    HWND other = Make(WS_POPUP | WS_VISIBLE, 400, 100, 50, 50);
    SetCapture(Window);
    EXPECT_EQ(GetCapture(), Window);
    Rec.Clear();
    WinInputMouseMove(POINT{420, 120});
    PumpAll();
    WinInputMouseMove(POINT{10, 10}); // outside every window
    PumpAll();
    std::vector<POINT> points;
    for (const Seen& s : Rec.Log)
        if (s.Message == WM_MOUSEMOVE) {
            EXPECT_EQ(s.Window, Window);
            points.push_back(MakePointFromLParam(s.LParam));
        }
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x, 320); // client coordinates of the capture window
    EXPECT_EQ(points[1].x, -90);
    Rec.Clear();
    SetCapture(other);
    EXPECT_TRUE(Rec.Find(WM_CAPTURECHANGED, Window));
    EXPECT_EQ(HWND(Rec.Find(WM_CAPTURECHANGED, Window)->LParam), other);
    ReleaseCapture();
    EXPECT_TRUE(Rec.Find(WM_CAPTURECHANGED, other));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WinInputTest, UnreadMovesMergeIntoTheNewest) {
    WinInputMouseMove(POINT{110, 110});
    WinInputMouseMove(POINT{120, 115});
    WinInputMouseMove(POINT{130, 118});
    WinInputMouseButton(POINT{130, 118}, TWinMouseButton::Left, true);
    WinInputMouseMove(POINT{140, 120});
    PumpAll();
    std::vector<std::pair<UINT, int>> seen;
    for (const Seen& s : Rec.Log)
        if (s.Window == Window && (s.Message == WM_MOUSEMOVE || s.Message == WM_LBUTTONDOWN))
            seen.push_back({s.Message, GET_X_LPARAM(s.LParam)});
    // A move is not merged across a button message, and the merged one keeps the last point.
    EXPECT_EQ(seen, (std::vector<std::pair<UINT, int>>{{WM_MOUSEMOVE, 30}, {WM_LBUTTONDOWN, 30}, {WM_MOUSEMOVE, 40}}));
    WinInputMouseButton(POINT{140, 120}, TWinMouseButton::Left, false);
    PumpAll();
}

TEST_F(WinInputTest, DisabledWindowsGetNoClicks) {
    EnableWindow(Window, FALSE);
    EXPECT_FALSE(IsWindowEnabled(Window));
    Rec.Clear();
    WinInputMouseButton(POINT{150, 150}, TWinMouseButton::Left, true);
    WinInputMouseButton(POINT{150, 150}, TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Rec.Count(WM_LBUTTONUP), 0);
    Rec.Clear();
    EnableWindow(Window, TRUE);
    EXPECT_EQ(Rec.Messages(Window), std::vector<UINT>{WM_ENABLE});
}

TEST_F(WinInputTest, MouseLeaveTracking) {
    HWND other = Make(WS_POPUP | WS_VISIBLE, 400, 100, 50, 50);
    WinInputMouseMove(POINT{150, 150});
    PumpAll();
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = Window;
    EXPECT_TRUE(TrackMouseEvent(&tme));
    TRACKMOUSEEVENT query;
    query.dwFlags = TME_QUERY;
    TrackMouseEvent(&query);
    EXPECT_EQ(query.hwndTrack, Window);
    EXPECT_EQ(query.dwFlags, DWORD(TME_LEAVE));
    Rec.Clear();
    WinInputMouseMove(POINT{160, 160}); // still inside
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_MOUSELEAVE), 0);
    WinInputMouseMove(POINT{420, 120});
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_MOUSELEAVE, Window), 1);
    // Tracking ends with the leave.
    WinInputMouseMove(POINT{150, 150});
    WinInputMouseMove(POINT{420, 120});
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_MOUSELEAVE, Window), 1);
    // Asking while the pointer is elsewhere reports the leave at once.
    Rec.Clear();
    tme.hwndTrack = Window;
    TrackMouseEvent(&tme);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_MOUSELEAVE, Window), 1);
    // Leaving every surface ends it too.
    tme.hwndTrack = other;
    TrackMouseEvent(&tme);
    WinInputMouseLeft();
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_MOUSELEAVE, other), 1);
}

TEST_F(WinInputTest, WheelGoesToTheFocusAndUpTheParents) {
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, Window);
    SetFocus(child);
    PumpAll();
    Rec.Clear();
    WinInputKey(VK_CONTROL, false, true);
    WinInputMouseWheel(POINT{500, 500}, -WHEEL_DELTA);
    PumpAll();
    const Seen* atChild = Rec.Find(WM_MOUSEWHEEL, child);
    ASSERT_TRUE(atChild);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(atChild->WParam), -WHEEL_DELTA);
    EXPECT_EQ(GET_KEYSTATE_WPARAM(atChild->WParam), MK_CONTROL);
    EXPECT_EQ(GET_X_LPARAM(atChild->LParam), 500);
    EXPECT_TRUE(Rec.Find(WM_MOUSEWHEEL, Window)); // DefWindowProc passed it on
    WinInputKey(VK_CONTROL, false, false);
    PumpAll();
}

TEST_F(WinInputTest, ContextMenuFromTheRightButtonAndTheKeyboard) {
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, Window);
    SetFocus(child);
    PumpAll();
    Rec.Clear();
    WinInputMouseButton(POINT{120, 120}, TWinMouseButton::Right, true);
    WinInputMouseButton(POINT{120, 120}, TWinMouseButton::Right, false);
    PumpAll();
    const Seen* menu = Rec.Find(WM_CONTEXTMENU, child);
    ASSERT_TRUE(menu);
    EXPECT_EQ(HWND(menu->WParam), child);
    EXPECT_EQ(GET_X_LPARAM(menu->LParam), 120);
    EXPECT_TRUE(Rec.Find(WM_CONTEXTMENU, Window)); // passed up
    Rec.Clear();
    WinInputKey(VK_APPS, false, true);
    WinInputKey(VK_APPS, false, false);
    PumpAll();
    menu = Rec.Find(WM_CONTEXTMENU, child);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->LParam, -1);
}

TEST_F(WinInputTest, FocusMessages) {
    HWND a = Make(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, Window);
    HWND b = Make(WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, Window);
    Rec.Clear();
    EXPECT_EQ(SetFocus(a), Window);
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    std::vector<std::pair<HWND, UINT>> expected = {
        {Window, WM_KILLFOCUS}, {a, WM_SETFOCUS}, {a, WM_KILLFOCUS}, {b, WM_SETFOCUS}};
    EXPECT_EQ(Rec.Pairs(), expected);
    EXPECT_EQ(HWND(Rec.Log[1].WParam), Window);
    EXPECT_EQ(HWND(Rec.Log[2].WParam), b);
    // Hiding the focus window hands the focus to its parent; disabling it drops the focus.
    ShowWindow(b, SW_HIDE);
    EXPECT_EQ(GetFocus(), Window);
    SetFocus(a);
    EnableWindow(a, FALSE);
    EXPECT_EQ(GetFocus(), nullptr);
}

} // namespace
