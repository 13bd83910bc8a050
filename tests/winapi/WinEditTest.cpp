// The edit window class, single-line: typing, selection, clipboard and undo through synthesised
// keys; notifications; the limit, read-only and password forms; a subclass taking over the
// clipboard messages; the context menu's items; the mouse; positions and painting.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCaret.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinScroll.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr unsigned S = 1; // Shift
constexpr unsigned C = 2; // Ctrl

// One step of user input: a key with modifiers, or text typed through the input method door.
struct Act {
    UINT Vk = 0;
    unsigned Mods = 0;
    const char32_t* Text = nullptr;
};
Act K(UINT vk, unsigned mods = 0) { return Act{vk, mods, nullptr}; }
Act T(const char32_t* text) { return Act{0, 0, text}; }

bool IsExtended(UINT vk) {
    return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END ||
           vk == VK_PRIOR || vk == VK_NEXT || vk == VK_INSERT || vk == VK_DELETE;
}

class WinEditTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        FOldStore = SetClipboardStore(&Clip);
        // The menus' own runner, put back after a test replaced it.
        FOldRunner = WinEditSetContextMenuRunner(nullptr);
        WinEditSetContextMenuRunner(FOldRunner);
        Parent = Make(WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
        Font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
        Mono = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New");
        PumpAll();
    }
    void TearDown() override {
        WinEditSetContextMenuRunner(FOldRunner);
        WinTest::TearDown();
        DeleteObject(Font);
        DeleteObject(Mono);
        SetClipboardStore(FOldStore);
    }
    HWND MakeEdit(DWORD style, const char* text = "", int w = 200, int h = 24, HFONT font = nullptr) {
        HWND e = Make(WS_CHILD | WS_VISIBLE | style, 10, 10, w, h, Parent, 0, "EDIT", text,
                      reinterpret_cast<HMENU>(std::intptr_t(101)));
        if (e) SendMessageA(e, WM_SETFONT, WPARAM(font ? font : Font), 0);
        return e;
    }
    void Key(UINT vk, unsigned mods = 0) {
        if (mods & C) WinInputKey(VK_CONTROL, false, true);
        if (mods & S) WinInputKey(VK_SHIFT, false, true);
        WinInputKey(vk, IsExtended(vk), true);
        WinInputKey(vk, IsExtended(vk), false);
        if (mods & S) WinInputKey(VK_SHIFT, false, false);
        if (mods & C) WinInputKey(VK_CONTROL, false, false);
        PumpAll();
    }
    void Run(const std::vector<Act>& acts) {
        for (const Act& a : acts) {
            if (a.Text) {
                WinInputText(a.Text);
                PumpAll();
            } else {
                Key(a.Vk, a.Mods);
            }
        }
    }
    static std::string Text(HWND e) {
        int n = GetWindowTextLengthA(e);
        std::string s(size_t(n) + 1, '\0');
        GetWindowTextA(e, s.data(), n + 1);
        s.resize(size_t(n));
        return s;
    }
    static std::pair<int, int> Sel(HWND e) {
        DWORD s = 0, t = 0;
        SendMessageA(e, EM_GETSEL, WPARAM(&s), LPARAM(&t));
        return {int(s), int(t)};
    }
    static void SetSel(HWND e, int a, int b) { SendMessageA(e, EM_SETSEL, WPARAM(a), LPARAM(b)); }
    std::string ClipText() {
        TClipboardContents c = Clip.Read();
        std::string s;
        for (char16_t u : c.Text)
            s += char(u); // the tests put ASCII there
        return c.HasText ? s : "<none>";
    }
    void PutClip(const std::u16string& text) {
        TClipboardContents c;
        c.HasText = true;
        c.Text = text;
        Clip.Replace(c);
    }
    // The edit notifications the parent got, in order.
    std::vector<WORD> Notes(HWND e) const {
        std::vector<WORD> out;
        for (const Seen& s : Rec.Log)
            if (s.Window == Parent && s.Message == WM_COMMAND && HWND(s.LParam) == e)
                out.push_back(HIWORD(s.WParam));
        return out;
    }
    static int Count(const std::vector<WORD>& notes, WORD code) {
        return int(std::count(notes.begin(), notes.end(), code));
    }
    // A pixel of the parent's image at the edit's client coordinates.
    COLORREF At(HWND e, int x, int y) {
        POINT p{x, y};
        MapWindowPoints(e, Parent, &p, 1);
        GdiSurface s;
        if (!WinGetSurface(Parent, s) || p.x < 0 || p.y < 0 || p.x >= s.Width || p.y >= s.Height)
            return CLR_INVALID;
        return GdiPixelToColor(s.Row(p.y)[p.x] & 0xFFFFFF);
    }
    // The edit's client pixels, row after row.
    std::vector<COLORREF> Pixels(HWND e) {
        RECT r{};
        GetClientRect(e, &r);
        std::vector<COLORREF> out;
        for (int y = 0; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x)
                out.push_back(At(e, x, y));
        return out;
    }
    POINT Screen(HWND e, int x, int y) {
        POINT p{x, y};
        ClientToScreen(e, &p);
        return p;
    }
    void Click(HWND e, int x, int y, unsigned mods = 0) {
        ClockAdvanceMs(1000); // never a double click with the one before
        if (mods & S) WinInputKey(VK_SHIFT, false, true);
        WinInputMouseButton(Screen(e, x, y), TWinMouseButton::Left, true);
        WinInputMouseButton(Screen(e, x, y), TWinMouseButton::Left, false);
        if (mods & S) WinInputKey(VK_SHIFT, false, false);
        PumpAll();
    }
    static POINT PosOf(HWND e, int offset) {
        LRESULT r = SendMessageA(e, EM_POSFROMCHAR, WPARAM(offset), 0);
        return POINT{GET_X_LPARAM(r), GET_Y_LPARAM(r)};
    }

    TMemoryClipboardStore Clip;
    HWND Parent = nullptr;
    HFONT Font = nullptr;
    HFONT Mono = nullptr;

private:
    TClipboardStore* FOldStore = nullptr;
    TEditContextMenuRunner FOldRunner;
};

TEST_F(WinEditTest, RegisteredAsEdit) {
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, "Edit", &wc));
    EXPECT_TRUE(wc.style & CS_DBLCLKS);
    HWND e = MakeEdit(0, "start");
    ASSERT_NE(e, nullptr);
    char name[16] = {};
    GetClassNameA(e, name, sizeof(name));
    EXPECT_STREQ(name, "EDIT");
    EXPECT_EQ(Text(e), "start");
    EXPECT_EQ(SendMessageA(e, WM_GETFONT, 0, 0), LRESULT(Font));
}

TEST_F(WinEditTest, KeyboardTable) {
    struct Case {
        const char* Name;
        const char* Start;
        std::pair<int, int> StartSel;
        std::vector<Act> Acts;
        const char* Text;
        std::pair<int, int> Sel;
        const char* Clip = nullptr; // what the clipboard holds afterwards, when it matters
    };
    const std::vector<Case> cases = {
        {"typing", "", {0, 0}, {T(U"abc")}, "abc", {3, 3}},
        {"typing keys", "", {0, 0}, {K('H', S), K('I'), K('1')}, "Hi1", {3, 3}},
        {"typing in the middle", "ad", {1, 1}, {T(U"bc")}, "abcd", {3, 3}},
        {"typing replaces the selection", "hello", {1, 4}, {T(U"E")}, "hEo", {2, 2}},
        {"backspace", "hello", {5, 5}, {K(VK_BACK), K(VK_BACK)}, "hel", {3, 3}},
        {"backspace at the start", "ab", {0, 0}, {K(VK_BACK)}, "ab", {0, 0}},
        {"delete", "hello", {5, 5}, {K(VK_HOME), K(VK_DELETE)}, "ello", {0, 0}},
        {"delete at the end", "ab", {2, 2}, {K(VK_DELETE)}, "ab", {2, 2}},
        {"delete the selection", "hello", {1, 3}, {K(VK_DELETE)}, "hlo", {1, 1}},
        {"left and right", "abc", {3, 3}, {K(VK_LEFT), K(VK_LEFT), K(VK_RIGHT)}, "abc", {2, 2}},
        {"left collapses a selection to its start", "abcd", {1, 3}, {K(VK_LEFT)}, "abcd", {1, 1}},
        {"right collapses a selection to its end", "abcd", {1, 3}, {K(VK_RIGHT)}, "abcd", {3, 3}},
        {"shift extends", "abc", {3, 3}, {K(VK_LEFT, S), K(VK_LEFT, S)}, "abc", {1, 3}},
        {"home and end", "abc", {1, 1}, {K(VK_END)}, "abc", {3, 3}},
        {"shift home", "abc", {2, 2}, {K(VK_HOME, S)}, "abc", {0, 2}},
        {"up and down move like left and right",
         "abc",
         {1, 1},
         {K(VK_DOWN), K(VK_DOWN), K(VK_UP)},
         "abc",
         {2, 2}},
        {"ctrl left by words", "one two three", {13, 13}, {K(VK_LEFT, C)}, "one two three", {8, 8}},
        {"ctrl left twice",
         "one two three",
         {13, 13},
         {K(VK_LEFT, C), K(VK_LEFT, C)},
         "one two three",
         {4, 4}},
        {"ctrl right to the next word", "one two three", {0, 0}, {K(VK_RIGHT, C)}, "one two three", {4, 4}},
        {"ctrl shift right selects a word",
         "hello world",
         {0, 0},
         {K(VK_RIGHT, S | C), T(U"X")},
         "Xworld",
         {1, 1}},
        {"ctrl home and end", "abc", {1, 1}, {K(VK_END, C), K(VK_HOME, C | S)}, "abc", {0, 3}},
        {"copy and paste",
         "abc",
         {3, 3},
         {K(VK_LEFT, S), K(VK_LEFT, S), K('C', C), K(VK_END), K('V', C)},
         "abcbc",
         {5, 5},
         "bc"},
        {"cut and paste",
         "abc",
         {0, 0},
         {K(VK_RIGHT, S), K('X', C), K(VK_END), K('V', C)},
         "bca",
         {3, 3},
         "a"},
        {"shift delete cuts, shift insert pastes",
         "abc",
         {0, 2},
         {K(VK_DELETE, S), K(VK_END), K(VK_INSERT, S)},
         "cab",
         {3, 3},
         "ab"},
        {"ctrl insert copies", "abc", {1, 3}, {K(VK_INSERT, C)}, "abc", {1, 3}, "bc"},
        {"undo typing", "abc", {3, 3}, {T(U"de"), K('Z', C)}, "abc", {3, 3}},
        {"undo twice puts it back", "abc", {3, 3}, {T(U"de"), K('Z', C), K('Z', C)}, "abcde", {3, 5}},
        {"undo backspaces", "abc", {3, 3}, {K(VK_BACK), K(VK_BACK), K('Z', C)}, "abc", {1, 3}},
        {"undo typing and backspacing", "", {0, 0}, {T(U"abc"), K(VK_BACK), K('Z', C)}, "", {0, 0}},
        {"undo deletes", "abcd", {0, 0}, {K(VK_DELETE), K(VK_DELETE), K('Z', C)}, "abcd", {0, 2}},
        {"undo a typed replacement", "hello", {0, 5}, {T(U"x"), K('Z', C)}, "hello", {0, 5}},
        {"undo a cut", "abc", {0, 2}, {K('X', C), K('Z', C)}, "abc", {0, 2}, "ab"},
        {"undo after moving starts a new record",
         "",
         {0, 0},
         {T(U"ab"), K(VK_HOME), T(U"c"), K('Z', C)},
         "ab",
         {0, 0}},
        {"escape and control characters type nothing", "ab", {2, 2}, {K(VK_ESCAPE), K('A', C)}, "ab", {2, 2}},
        {"enter types nothing in a single line", "ab", {2, 2}, {K(VK_RETURN)}, "ab", {2, 2}},
        {"tab types nothing by default", "ab", {2, 2}, {K(VK_TAB)}, "ab", {2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        PutClip(u"<none>");
        HWND e = MakeEdit(ES_AUTOHSCROLL, c.Start);
        SetFocus(e);
        SetSel(e, c.StartSel.first, c.StartSel.second);
        PumpAll();
        Run(c.Acts);
        EXPECT_EQ(Text(e), c.Text);
        EXPECT_EQ(Sel(e), c.Sel);
        if (c.Clip) {
            EXPECT_EQ(ClipText(), c.Clip);
        }
        DestroyWindow(e);
    }
}

TEST_F(WinEditTest, SelectionMessages) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "hello");
    struct Case {
        int A, B;
        std::pair<int, int> Sel;
        int Caret; // where typing goes after a collapse
    };
    const std::vector<Case> cases = {
        {1, 3, {1, 3}, 3},   {3, 1, {1, 3}, 1}, {0, -1, {0, 5}, 5}, {2, 99, {2, 5}, 5},
        {99, -1, {5, 5}, 5}, {4, 4, {4, 4}, 4}, {-1, 0, {5, 5}, 5}, // -1: the caret stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.A) + "," + std::to_string(c.B));
        SetSel(e, c.A, c.B);
        EXPECT_EQ(Sel(e), c.Sel);
        // The caret is at the second position: extending with the keyboard moves that end.
        SetFocus(e);
        Key(VK_RIGHT, S);
        int moved = std::min(c.Caret + 1, 5);
        int anchor = c.Caret == c.Sel.first ? c.Sel.second : c.Sel.first;
        EXPECT_EQ(Sel(e), std::make_pair(std::min(anchor, moved), std::max(anchor, moved)));
    }
    // The packed answer, and the positions through the pointers.
    SetSel(e, 1, 4);
    DWORD s = 7, t = 7;
    EXPECT_EQ(SendMessageA(e, EM_GETSEL, WPARAM(&s), LPARAM(&t)), LRESULT(MAKELONG(1, 4)));
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(t, 4u);
    EXPECT_EQ(SendMessageA(e, EM_GETSEL, 0, 0), LRESULT(MAKELONG(1, 4)));
}

TEST_F(WinEditTest, ReplaceSelAndSetText) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "abcdef");
    PumpAll();
    Rec.Clear();
    SetSel(e, 1, 3);
    SendMessageA(e, EM_REPLACESEL, TRUE, LPARAM("XYZ"));
    EXPECT_EQ(Text(e), "aXYZdef");
    EXPECT_EQ(Sel(e), std::make_pair(4, 4));
    EXPECT_TRUE(SendMessageA(e, EM_GETMODIFY, 0, 0));
    EXPECT_TRUE(SendMessageA(e, EM_CANUNDO, 0, 0));
    EXPECT_EQ(Notes(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
    SendMessageA(e, EM_UNDO, 0, 0);
    EXPECT_EQ(Text(e), "abcdef");
    // Without undo the buffer is emptied.
    SendMessageA(e, EM_REPLACESEL, FALSE, LPARAM("!"));
    EXPECT_FALSE(SendMessageA(e, EM_CANUNDO, 0, 0));
    EXPECT_FALSE(SendMessageA(e, WM_UNDO, 0, 0));

    // Setting the text starts over: no modification, no undo, caret at the start; a single-line
    // edit reports it.
    Rec.Clear();
    SendMessageA(e, EM_SETMODIFY, TRUE, 0);
    ASSERT_TRUE(SetWindowTextA(e, "fresh"));
    EXPECT_EQ(Text(e), "fresh");
    EXPECT_FALSE(SendMessageA(e, EM_GETMODIFY, 0, 0));
    EXPECT_FALSE(SendMessageA(e, EM_CANUNDO, 0, 0));
    EXPECT_EQ(Sel(e), std::make_pair(0, 0));
    EXPECT_EQ(Notes(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
    SendMessageA(e, EM_SETMODIFY, TRUE, 0);
    EXPECT_TRUE(SendMessageA(e, EM_GETMODIFY, 0, 0));
    SendMessageA(e, EM_EMPTYUNDOBUFFER, 0, 0);
    EXPECT_FALSE(SendMessageA(e, EM_CANUNDO, 0, 0));
}

TEST_F(WinEditTest, NotificationsOfTypingAndFocus) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "");
    HWND other = MakeEdit(ES_AUTOHSCROLL, "");
    PumpAll();
    Rec.Clear();
    SetFocus(e);
    Run({T(U"ab"), K(VK_LEFT), K(VK_BACK)});
    SetFocus(other);
    EXPECT_EQ(Notes(e), (std::vector<WORD>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE,
                                           EN_CHANGE, EN_KILLFOCUS}));
    // The identifier rides along.
    const Seen* first = Rec.Find(WM_COMMAND, Parent);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LOWORD(first->WParam), 101);
    // Keys that change nothing report nothing.
    Rec.Clear();
    SetFocus(e);
    Run({K(VK_HOME), K(VK_BACK), K(VK_END, S)});
    EXPECT_EQ(Notes(e), (std::vector<WORD>{EN_SETFOCUS}));
}

TEST_F(WinEditTest, LimitTextAndMaxText) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "");
    EXPECT_EQ(SendMessageA(e, EM_GETLIMITTEXT, 0, 0), 32767);
    SendMessageA(e, EM_SETLIMITTEXT, 5, 0);
    EXPECT_EQ(SendMessageA(e, EM_GETLIMITTEXT, 0, 0), 5);
    SetFocus(e);
    PumpAll();
    Rec.Clear();
    Run({T(U"abcdefg")});
    EXPECT_EQ(Text(e), "abcde");
    EXPECT_EQ(Count(Notes(e), EN_MAXTEXT), 2);
    EXPECT_EQ(Count(Notes(e), EN_CHANGE), 5);

    struct Case {
        const char* Name;
        const char* Start;
        int Caret;
        std::u16string Paste;
        const char* Text;
        int After;
        bool MaxText;
    };
    const std::vector<Case> cases = {
        {"cut to the limit", "abc", 3, u"12345", "abc12", 5, true},
        {"refused when full", "abcde", 5, u"x", "abcde", 5, true},
        {"fits", "ab", 1, u"12", "a12b", 3, false},
        {"a single line takes the first line", "", 0, u"one\r\ntwo", "one", 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SetWindowTextA(e, c.Start);
        SetSel(e, c.Caret, c.Caret);
        PutClip(c.Paste);
        Rec.Clear();
        SendMessageA(e, WM_PASTE, 0, 0);
        EXPECT_EQ(Text(e), c.Text);
        EXPECT_EQ(Sel(e), std::make_pair(c.After, c.After));
        EXPECT_EQ(Count(Notes(e), EN_MAXTEXT), c.MaxText ? 1 : 0);
    }
    // Text set by the program is not limited.
    SetWindowTextA(e, "0123456789");
    EXPECT_EQ(Text(e), "0123456789");
    // 0 lifts the limit as far as it goes.
    SendMessageA(e, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(e, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(WinEditTest, ReadOnlyRefusesChangesButCopies) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "fixed");
    EXPECT_TRUE(SendMessageA(e, EM_SETREADONLY, TRUE, 0));
    EXPECT_TRUE(GetWindowLongA(e, GWL_STYLE) & ES_READONLY);
    SetFocus(e);
    SetSel(e, 0, 2);
    PumpAll();
    PutClip(u"paste");
    Rec.Clear();
    Run({T(U"x"), K(VK_BACK), K(VK_DELETE), K('X', C), K('V', C), K(VK_DELETE, S), K('Z', C)});
    SendMessageA(e, WM_CLEAR, 0, 0);
    EXPECT_EQ(Text(e), "fixed");
    EXPECT_EQ(Count(Notes(e), EN_CHANGE), 0);
    EXPECT_EQ(ClipText(), "paste");
    // Copying and moving still work.
    Run({K('C', C)});
    EXPECT_EQ(ClipText(), "fi");
    Run({K(VK_END, S)});
    EXPECT_EQ(Sel(e), std::make_pair(0, 5));
    // And the program may still replace the selection.
    SendMessageA(e, EM_REPLACESEL, FALSE, LPARAM("F"));
    EXPECT_EQ(Text(e), "F");
    // Read-only edits ask the parent for the static colours.
    Rec.Clear();
    UpdateWindow(e);
    EXPECT_EQ(Rec.Count(WM_CTLCOLORSTATIC, Parent), 1);
    EXPECT_EQ(Rec.Count(WM_CTLCOLOREDIT, Parent), 0);
    SendMessageA(e, EM_SETREADONLY, FALSE, 0);
    EXPECT_FALSE(GetWindowLongA(e, GWL_STYLE) & ES_READONLY);
    Run({T(U"!")});
    EXPECT_EQ(Text(e), "F!");
    Rec.Clear();
    InvalidateRect(e, nullptr, FALSE);
    UpdateWindow(e);
    EXPECT_EQ(Rec.Count(WM_CTLCOLOREDIT, Parent), 1);
}

TEST_F(WinEditTest, PasswordShowsItsCharacterAndKeepsTheText) {
    HWND e = MakeEdit(ES_AUTOHSCROLL | ES_PASSWORD, "secret");
    HWND shown = MakeEdit(ES_AUTOHSCROLL, "******");
    SetWindowPos(shown, nullptr, 10, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpAll();
    EXPECT_EQ(SendMessageA(e, EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_EQ(Text(e), "secret");
    EXPECT_EQ(Pixels(e), Pixels(shown));
    // A password is never copied or cut.
    PutClip(u"before");
    SetFocus(e);
    SetSel(e, 0, -1);
    Run({K('C', C), K('X', C)});
    EXPECT_EQ(ClipText(), "before");
    EXPECT_EQ(Text(e), "secret");
    // Another character, and none at all.
    SetFocus(Parent);
    SendMessageA(e, EM_SETPASSWORDCHAR, '#', 0);
    SetWindowTextA(shown, "######");
    PumpAll();
    EXPECT_EQ(Pixels(e), Pixels(shown));
    SendMessageA(e, EM_SETPASSWORDCHAR, 0, 0);
    EXPECT_FALSE(GetWindowLongA(e, GWL_STYLE) & ES_PASSWORD);
    SetWindowTextA(shown, "secret");
    PumpAll();
    EXPECT_EQ(Pixels(e), Pixels(shown));
}

TEST_F(WinEditTest, ChineseTypedOneCharacterAtATime) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "");
    SetFocus(e);
    PumpAll();
    Rec.Clear();
    Run({T(U"中文字")});
    EXPECT_EQ(Text(e), "中文字");
    EXPECT_EQ(GetWindowTextLengthA(e), 9); // bytes
    EXPECT_EQ(Sel(e), std::make_pair(3, 3));
    EXPECT_EQ(Count(Notes(e), EN_CHANGE), 3);
    Run({K(VK_LEFT), K(VK_BACK)});
    EXPECT_EQ(Text(e), "中字");
    EXPECT_EQ(Sel(e), std::make_pair(1, 1));
    Run({T(U"a"), K(VK_END, S)});
    EXPECT_EQ(Sel(e), std::make_pair(2, 3));
    // WM_GETTEXT cuts at whole characters.
    char buffer[5] = {};
    EXPECT_EQ(GetWindowTextA(e, buffer, sizeof(buffer)), 4);
    EXPECT_STREQ(buffer, "中a");
    // The positions of wide characters are wider than those of Latin ones.
    EXPECT_GT(PosOf(e, 1).x - PosOf(e, 0).x, PosOf(e, 2).x - PosOf(e, 1).x);
}

TEST_F(WinEditTest, CaseStyles) {
    struct Case {
        DWORD Style;
        const char* Paste;
        const char* Text;
    };
    for (const Case& c : std::vector<Case>{{ES_UPPERCASE, "pä", "ABÄPÄ"}, {ES_LOWERCASE, "PÄ", "abäpä"}}) {
        HWND e = MakeEdit(ES_AUTOHSCROLL | c.Style, "");
        SetFocus(e);
        Run({T(U"aB"), T(U"ä")});
        PutClip(StringToWide(c.Paste));
        Run({K('V', C)});
        EXPECT_EQ(Text(e), c.Text);
        DestroyWindow(e);
    }
}

TEST_F(WinEditTest, SubclassInterceptsClipboardMessages) {
    static std::vector<UINT>* seen = nullptr;
    static WNDPROC base = nullptr;
    std::vector<UINT> log;
    seen = &log;
    HWND e = MakeEdit(ES_AUTOHSCROLL, "abc");
    base = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(e, GWLP_WNDPROC));
    auto proc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_CUT || m == WM_COPY || m == WM_PASTE || m == WM_CLEAR || m == WM_UNDO) {
            seen->push_back(m);
            return 0; // taken over: the edit never sees it
        }
        return CallWindowProcA(base, h, m, w, l);
    };
    SetWindowLongPtrA(e, GWLP_WNDPROC, LONG_PTR(static_cast<WNDPROC>(proc)));
    SetFocus(e);
    SetSel(e, 0, 2);
    PutClip(u"zz");
    PumpAll();
    struct Case {
        Act Keys;
        UINT Message;
    };
    const std::vector<Case> cases = {
        {K('V', C), WM_PASTE}, {K(VK_INSERT, S), WM_PASTE}, {K('X', C), WM_CUT},  {K(VK_DELETE, S), WM_CUT},
        {K('C', C), WM_COPY},  {K(VK_INSERT, C), WM_COPY},  {K('Z', C), WM_UNDO},
    };
    for (const Case& c : cases) {
        log.clear();
        Run({c.Keys});
        EXPECT_EQ(log, std::vector<UINT>{c.Message}) << c.Keys.Vk;
    }
    // The context menu goes the same way.
    for (UINT id : {UINT(WM_PASTE), UINT(WM_CUT), UINT(WM_COPY), UINT(WM_CLEAR)}) {
        log.clear();
        EXPECT_TRUE(WinEditContextMenuCommand(e, id));
        EXPECT_EQ(log, std::vector<UINT>{id});
    }
    EXPECT_EQ(Text(e), "abc");
    EXPECT_EQ(ClipText(), "zz");
    SetWindowLongPtrA(e, GWLP_WNDPROC, LONG_PTR(base));
    seen = nullptr;
}

TEST_F(WinEditTest, ContextMenuItemsAndCommands) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "abc");
    auto enabled = [&](UINT id) {
        for (const TEditMenuItem& item : WinEditContextMenuItems(e))
            if (item.Id == id) return item.Enabled;
        ADD_FAILURE() << "no item " << id;
        return false;
    };
    std::vector<TEditMenuItem> items = WinEditContextMenuItems(e);
    std::vector<std::string> texts;
    for (const TEditMenuItem& item : items)
        texts.push_back(item.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"&Undo", "", "Cu&t", "&Copy", "&Paste", "&Delete", "",
                                               "Select &All"}));

    Clip.Replace(TClipboardContents{});
    SetSel(e, 0, 0);
    EXPECT_FALSE(enabled(WM_UNDO));
    EXPECT_FALSE(enabled(WM_CUT));
    EXPECT_FALSE(enabled(WM_COPY));
    EXPECT_FALSE(enabled(WM_PASTE));
    EXPECT_FALSE(enabled(WM_CLEAR));
    EXPECT_TRUE(enabled(EM_SETSEL));
    EXPECT_FALSE(WinEditContextMenuCommand(e, WM_COPY)); // disabled now

    SetSel(e, 0, 1);
    PutClip(u"p");
    EXPECT_TRUE(enabled(WM_CUT));
    EXPECT_TRUE(enabled(WM_COPY));
    EXPECT_TRUE(enabled(WM_PASTE));
    EXPECT_TRUE(enabled(WM_CLEAR));
    EXPECT_TRUE(WinEditContextMenuCommand(e, WM_CLEAR));
    EXPECT_EQ(Text(e), "bc");
    EXPECT_TRUE(enabled(WM_UNDO));
    EXPECT_TRUE(WinEditContextMenuCommand(e, WM_UNDO));
    EXPECT_EQ(Text(e), "abc");
    EXPECT_TRUE(WinEditContextMenuCommand(e, EM_SETSEL));
    EXPECT_EQ(Sel(e), std::make_pair(0, 3));
    EXPECT_FALSE(enabled(EM_SETSEL)); // everything is selected already
    SendMessageA(e, EM_SETREADONLY, TRUE, 0);
    EXPECT_FALSE(enabled(WM_CUT));
    EXPECT_TRUE(enabled(WM_COPY));
    EXPECT_FALSE(enabled(WM_PASTE));
    EXPECT_FALSE(enabled(WM_UNDO));

    // A right click asks the installed runner and carries out what it chose.
    SendMessageA(e, EM_SETREADONLY, FALSE, 0);
    SetSel(e, 1, 1);
    POINT asked{};
    size_t offered = 0;
    WinEditSetContextMenuRunner([&](HWND edit, POINT at, const std::vector<TEditMenuItem>& list) -> UINT {
        EXPECT_EQ(edit, e);
        asked = at;
        offered = list.size();
        return EM_SETSEL;
    });
    ClockAdvanceMs(1000);
    WinInputMouseButton(Screen(e, 5, 5), TWinMouseButton::Right, true);
    WinInputMouseButton(Screen(e, 5, 5), TWinMouseButton::Right, false);
    PumpAll();
    EXPECT_EQ(offered, 8u);
    EXPECT_EQ(asked.x, Screen(e, 5, 5).x);
    EXPECT_EQ(Sel(e), std::make_pair(0, 3));
    EXPECT_EQ(GetFocus(), e);
}

TEST_F(WinEditTest, MouseClickDragShiftClickDoubleClick) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "alpha beta gamma", 300);
    PumpAll();
    auto mid = [&](int offset) { // the middle of the left half of a character: nearest its start
        POINT a = PosOf(e, offset), b = PosOf(e, offset + 1);
        return POINT{a.x + (b.x - a.x) / 4, a.y + 3};
    };
    POINT p3 = mid(3);
    Click(e, p3.x, p3.y);
    EXPECT_EQ(GetFocus(), e);
    EXPECT_EQ(Sel(e), std::make_pair(3, 3));
    POINT p8 = mid(8);
    Click(e, p8.x, p8.y, S);
    EXPECT_EQ(Sel(e), std::make_pair(3, 8));
    // A drag selects from where it started, also backwards.
    ClockAdvanceMs(1000);
    POINT p12 = mid(12), p7 = mid(7);
    WinInputMouseButton(Screen(e, p12.x, p12.y), TWinMouseButton::Left, true);
    PumpAll();
    WinInputMouseMove(Screen(e, p7.x, p7.y));
    PumpAll();
    EXPECT_EQ(GetCapture(), e);
    WinInputMouseButton(Screen(e, p7.x, p7.y), TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Sel(e), std::make_pair(7, 12));
    // Past the end of the text: its end.
    Click(e, 295, 5);
    EXPECT_EQ(Sel(e), std::make_pair(16, 16));
    // A double click selects the word.
    ClockAdvanceMs(1000);
    POINT p7s = Screen(e, p7.x, p7.y);
    for (int i = 0; i < 2; ++i) {
        WinInputMouseButton(p7s, TWinMouseButton::Left, true);
        WinInputMouseButton(p7s, TWinMouseButton::Left, false);
    }
    PumpAll();
    EXPECT_EQ(Sel(e), std::make_pair(6, 10));
}

TEST_F(WinEditTest, DragBeyondTheEdgeScrollsOnTheClock) {
    std::string longText(200, 'w');
    HWND e = MakeEdit(ES_AUTOHSCROLL, longText.c_str(), 100);
    PumpAll();
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    ClockAdvanceMs(1000);
    WinInputMouseButton(Screen(e, 5, 5), TWinMouseButton::Left, true);
    PumpAll();
    WinInputMouseMove(Screen(e, 150, 5)); // right of the edit
    PumpAll();
    int first = int(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_GT(first, 0);
    int end = Sel(e).second;
    EXPECT_GT(end, 0);
    // While the button stays down beyond the edge, the view keeps moving on the clock.
    for (int i = 0; i < 20; ++i) {
        ClockAdvanceMs(100);
        PumpAll();
    }
    EXPECT_GT(Sel(e).second, end);
    EXPECT_GT(int(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0)), first);
    WinInputMouseButton(Screen(e, 150, 5), TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Sel(e).first, 0);
}

TEST_F(WinEditTest, PositionsAndCharactersAgree) {
    struct Case {
        const char* Name;
        DWORD Style;
        const char* Text;
        int Scroll; // caret placed here first (scrolls a long text)
    };
    const std::vector<Case> cases = {
        {"left", ES_AUTOHSCROLL, "The quick brown fox", 0},
        {"right", ES_AUTOHSCROLL | ES_RIGHT, "jumps over", 0},
        {"center", ES_AUTOHSCROLL | ES_CENTER, "the lazy dog", 0},
        {"scrolled", ES_AUTOHSCROLL, "a long line of text that goes on past the right edge of the edit", 60},
        {"wide characters", ES_AUTOHSCROLL, "中文 and Latin", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND e = MakeEdit(c.Style, c.Text, 150);
        SetSel(e, c.Scroll, c.Scroll);
        int n = int(SendMessageA(e, WM_GETTEXTLENGTH, 0, 0));
        (void)n;
        int length = 0;
        while (SendMessageA(e, EM_POSFROMCHAR, WPARAM(length), 0) != -1)
            ++length;
        EXPECT_GT(length, 5);
        int previous = INT32_MIN;
        for (int i = 0; i < length; ++i) {
            POINT p = PosOf(e, i);
            EXPECT_GT(p.x, previous) << i;
            previous = p.x;
            LRESULT r = SendMessageA(e, EM_CHARFROMPOS, 0, MAKELPARAM(WORD(p.x), WORD(p.y)));
            EXPECT_EQ(LOWORD(r), i);
            EXPECT_EQ(HIWORD(r), 0);
        }
        DestroyWindow(e);
    }
    // Alignment places the text.
    HWND left = MakeEdit(ES_AUTOHSCROLL, "abc", 150);
    HWND right = MakeEdit(ES_AUTOHSCROLL | ES_RIGHT, "abc", 150);
    HWND center = MakeEdit(ES_AUTOHSCROLL | ES_CENTER, "abc", 150);
    RECT r{};
    SendMessageA(left, EM_GETRECT, 0, LPARAM(&r));
    EXPECT_EQ(PosOf(left, 0).x, r.left);
    int width = PosOf(left, 2).x - PosOf(left, 0).x;
    EXPECT_GT(PosOf(right, 0).x, r.right - 2 * width - 4);
    EXPECT_GT(PosOf(center, 0).x, r.left + 40);
    EXPECT_LT(PosOf(center, 0).x, PosOf(right, 0).x);
}

TEST_F(WinEditTest, MarginsAndFormattingRectangle) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "abc", 200, 24);
    RECT r{};
    LRESULT margins = SendMessageA(e, EM_GETMARGINS, 0, 0);
    SendMessageA(e, EM_GETRECT, 0, LPARAM(&r));
    EXPECT_EQ(r.left, LOWORD(margins));
    EXPECT_EQ(r.right, 200 - HIWORD(margins));
    EXPECT_GT(LOWORD(margins), 0); // the font's margins
    SendMessageA(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(7, 9));
    EXPECT_EQ(SendMessageA(e, EM_GETMARGINS, 0, 0), LRESULT(MAKELONG(7, 9)));
    SendMessageA(e, EM_GETRECT, 0, LPARAM(&r));
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.right, 191);
    EXPECT_EQ(PosOf(e, 0).x, 7);
    SendMessageA(e, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(0, 55));
    EXPECT_EQ(SendMessageA(e, EM_GETMARGINS, 0, 0), LRESULT(MAKELONG(0, 9)));
    // A rectangle of its own, until the default is asked back.
    RECT set{20, 2, 120, 22};
    SendMessageA(e, EM_SETRECTNP, 0, LPARAM(&set));
    SendMessageA(e, EM_GETRECT, 0, LPARAM(&r));
    EXPECT_TRUE(EqualRect(&r, &set));
    EXPECT_EQ(PosOf(e, 0).x, 20);
    EXPECT_EQ(PosOf(e, 0).y, 2);
    SendMessageA(e, EM_SETRECT, 0, 0);
    SendMessageA(e, EM_GETRECT, 0, LPARAM(&r));
    EXPECT_EQ(r.left, 0);
}

TEST_F(WinEditTest, NoAutoScrollStopsAtTheWidth) {
    HWND e = MakeEdit(0, "", 60);
    SetFocus(e);
    PumpAll();
    Rec.Clear();
    Run({T(U"abcdefghijklmnopqrstuvwxyz")});
    std::string text = Text(e);
    EXPECT_GT(text.size(), 3u);
    EXPECT_LT(text.size(), 26u);
    EXPECT_EQ(text, std::string("abcdefghijklmnopqrstuvwxyz").substr(0, text.size()));
    EXPECT_GE(Count(Notes(e), EN_MAXTEXT), 1);
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(WinEditTest, DialogCodes) {
    HWND single = MakeEdit(ES_AUTOHSCROLL, "");
    HWND multi = MakeEdit(ES_MULTILINE, "", 200, 80);
    HWND wantReturn = MakeEdit(ES_MULTILINE | ES_WANTRETURN, "", 200, 80);
    const LRESULT base = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    auto code = [](HWND e, WPARAM key) {
        MSG m;
        m.hwnd = e;
        m.message = WM_KEYDOWN;
        m.wParam = key;
        return SendMessageA(e, WM_GETDLGCODE, key, key ? LPARAM(&m) : 0);
    };
    struct Case {
        HWND Edit;
        WPARAM Key;
        LRESULT Code;
    };
    const std::vector<Case> cases = {
        {single, 0, base},
        {single, VK_RETURN, base},
        {multi, 0, base | DLGC_WANTALLKEYS},
        {multi, 'A', base | DLGC_WANTALLKEYS},
        {multi, VK_ESCAPE, base | DLGC_WANTALLKEYS},
        {multi, VK_RETURN, base},
        {multi, VK_TAB, base},
        {wantReturn, VK_RETURN, base | DLGC_WANTALLKEYS},
        {wantReturn, VK_TAB, base},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Key);
        EXPECT_EQ(code(c.Edit, c.Key), c.Code);
    }
}

TEST_F(WinEditTest, CaretFollowsTheEditOnlyWhileFocused) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "hello");
    POINT p{};
    EXPECT_FALSE(GetCaretPos(&p));
    SetFocus(e);
    SetSel(e, 2, 2);
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p.x, PosOf(e, 2).x);
    EXPECT_EQ(p.y, PosOf(e, 2).y);
    Key(VK_END);
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_GT(p.x, PosOf(e, 4).x);
    SetFocus(Parent);
    EXPECT_FALSE(GetCaretPos(&p));
}

TEST_F(WinEditTest, PaintsSelectionAndColours) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "Selected text", 200, 24);
    HWND unfocused = MakeEdit(ES_AUTOHSCROLL, "Selected text", 200, 24);
    HWND noHide = MakeEdit(ES_AUTOHSCROLL | ES_NOHIDESEL, "Selected text", 200, 24);
    SetWindowPos(unfocused, nullptr, 10, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(noHide, nullptr, 10, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (HWND h : {e, unfocused, noHide})
        SetSel(h, 0, 8);
    SetFocus(e);
    PumpAll();
    POINT inside = PosOf(e, 1);
    inside.y += 2;
    auto highlighted = [&](HWND h) {
        // Some pixel on the selected characters' row carries the highlight colour.
        for (int x = PosOf(h, 0).x; x < PosOf(h, 8).x; ++x)
            if (At(h, x, inside.y) == GetSysColor(COLOR_HIGHLIGHT)) return true;
        return false;
    };
    EXPECT_TRUE(highlighted(e));
    EXPECT_FALSE(highlighted(unfocused));
    EXPECT_TRUE(highlighted(noHide));
    // The background right of the text is the window colour.
    EXPECT_EQ(At(e, 195, 12), GetSysColor(COLOR_WINDOW));
    // Some text pixels in the window text colour after the selection.
    bool text = false;
    for (int x = PosOf(e, 9).x; x < PosOf(e, 12).x && !text; ++x)
        for (int y = 0; y < 20 && !text; ++y)
            text = At(e, x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_TRUE(text);
    // A disabled edit asks for the static colours.
    Rec.Clear();
    EnableWindow(unfocused, FALSE);
    UpdateWindow(unfocused);
    EXPECT_EQ(Rec.Count(WM_CTLCOLORSTATIC, Parent), 1);

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Parent, s));
    testsupport::WritePng(testsupport::ArtifactPath("WinEditTest_SingleLineSelection.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), s.Width);
}

TEST_F(WinEditTest, PaintsIntoAGivenContext) {
    // A buffer painted through WM_PRINTCLIENT (or WM_PAINT with a context) looks like the window.
    HWND e = MakeEdit(ES_AUTOHSCROLL | ES_NOHIDESEL, "buffered text", 120, 22);
    SetSel(e, 2, 6);
    PumpAll();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 120;
    info.bmiHeader.biHeight = -22;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    for (UINT message : {WM_PRINTCLIENT, WM_PAINT}) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, 120, 22, BLACKNESS);
        SendMessageA(e, message, WPARAM(dc), message == WM_PRINTCLIENT ? PRF_CLIENT : 0);
        std::vector<COLORREF> buffered;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 120; ++x)
                buffered.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_EQ(buffered, Pixels(e)) << message;
    }
    DeleteObject(bitmap);
}

TEST_F(WinEditTest, DestroyedFromItsOwnNotification) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "");
    Rec.Handler = [e](HWND h, UINT m, WPARAM w, LPARAM, LRESULT& r) {
        if (m == WM_COMMAND && HIWORD(w) == EN_UPDATE && IsWindow(e)) {
            DestroyWindow(e);
            r = 0;
            return true;
        }
        return false;
    };
    SetFocus(e);
    Run({T(U"abc")});
    EXPECT_FALSE(IsWindow(e));
}

// ---- Multi-line --------------------------------------------------------------------------------

TEST_F(WinEditTest, LineMessagesCountCrLfAsTwo) {
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, "ab\r\ncd\r\n\r\nef", 200, 100);
    EXPECT_EQ(GetWindowTextLengthA(e), 12);
    EXPECT_EQ(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 4);
    struct LineCase {
        int Line;
        int Index;
        int Length;
        const char* Text;
    };
    for (const LineCase& c :
         std::vector<LineCase>{{0, 0, 2, "ab"}, {1, 4, 2, "cd"}, {2, 8, 0, ""}, {3, 10, 2, "ef"}}) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, WPARAM(c.Line), 0), c.Index);
        EXPECT_EQ(SendMessageA(e, EM_LINELENGTH, WPARAM(c.Index), 0), c.Length);
        EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, WPARAM(c.Index), 0), c.Line);
        char buffer[16] = {};
        WORD size = sizeof(buffer);
        std::memcpy(buffer, &size, sizeof(size));
        EXPECT_EQ(SendMessageA(e, EM_GETLINE, WPARAM(c.Line), LPARAM(buffer)), c.Length);
        EXPECT_EQ(std::string(buffer, size_t(c.Length)), c.Text);
    }
    EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, 4, 0), -1);
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, 2, 0), 0); // the CR
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, 3, 0), 0); // the LF
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, 12, 0), 3);
    // -1: the caret's line; the unselected characters of the selection's lines.
    SetSel(e, 5, 11);
    EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, WPARAM(-1), 0), 10);
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, WPARAM(-1), 0), 1);
    EXPECT_EQ(SendMessageA(e, EM_LINELENGTH, WPARAM(-1), 0), 1 + 1);
    // A short buffer gets what fits.
    char small[4] = {};
    WORD two = 2;
    std::memcpy(small, &two, sizeof(two));
    SetWindowTextA(e, "xyz\r\n");
    EXPECT_EQ(SendMessageA(e, EM_GETLINE, 0, LPARAM(small)), 2);
    EXPECT_EQ(std::string(small, 2), "xy");
    // A trailing line break starts an empty last line.
    EXPECT_EQ(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, 1, 0), 5);
    // A single-line edit answers for its one line.
    HWND single = MakeEdit(ES_AUTOHSCROLL, "one\r\ntwo");
    EXPECT_EQ(SendMessageA(single, EM_GETLINECOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(single, EM_LINEINDEX, 0, 0), 0);
    EXPECT_EQ(SendMessageA(single, EM_LINELENGTH, 3, 0), 8);
}

TEST_F(WinEditTest, MultiLineKeyboardTable) {
    struct Case {
        const char* Name;
        DWORD Style;
        const char* Start;
        std::pair<int, int> StartSel;
        std::vector<Act> Acts;
        const char* Text;
        std::pair<int, int> Sel;
    };
    const DWORD base = ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
    const std::vector<Case> cases = {
        {"right steps over a line break", base, "ab\r\ncd", {2, 2}, {K(VK_RIGHT)}, "ab\r\ncd", {4, 4}},
        {"left steps back over it", base, "ab\r\ncd", {4, 4}, {K(VK_LEFT)}, "ab\r\ncd", {2, 2}},
        {"delete joins lines", base, "ab\r\ncd", {2, 2}, {K(VK_DELETE)}, "abcd", {2, 2}},
        {"backspace joins lines", base, "ab\r\ncd", {4, 4}, {K(VK_BACK)}, "abcd", {2, 2}},
        {"enter with want-return", base | ES_WANTRETURN, "abcd", {2, 2}, {K(VK_RETURN)}, "ab\r\ncd", {4, 4}},
        {"enter without it is the dialog's", base, "abcd", {2, 2}, {K(VK_RETURN)}, "abcd", {2, 2}},
        {"undo enter", base | ES_WANTRETURN, "abcd", {2, 2}, {K(VK_RETURN), K('Z', C)}, "abcd", {2, 2}},
        {"down keeps the column",
         base,
         "abcdef\r\nab\r\nabcdef",
         {5, 5},
         {K(VK_DOWN), K(VK_DOWN)},
         "abcdef\r\nab\r\nabcdef",
         {17, 17}},
        {"down stops at a short line's end",
         base,
         "abcdef\r\nab\r\nabcdef",
         {5, 5},
         {K(VK_DOWN)},
         "abcdef\r\nab\r\nabcdef",
         {10, 10}},
        {"up from the first line stays", base, "abc\r\nd", {1, 1}, {K(VK_UP)}, "abc\r\nd", {1, 1}},
        {"shift down selects", base, "abc\r\ndef", {1, 1}, {K(VK_DOWN, S)}, "abc\r\ndef", {1, 6}},
        {"home and end work on the line",
         base,
         "abc\r\ndef",
         {6, 6},
         {K(VK_HOME), K(VK_END, S)},
         "abc\r\ndef",
         {5, 8}},
        {"ctrl home and end the text",
         base,
         "abc\r\ndef",
         {6, 6},
         {K(VK_HOME, C), K(VK_END, C | S)},
         "abc\r\ndef",
         {0, 8}},
        {"ctrl right stops at a line end",
         base,
         "ab cd\r\nef",
         {3, 3},
         {K(VK_RIGHT, C), K(VK_RIGHT, C)},
         "ab cd\r\nef",
         {7, 7}},
        {"paste keeps line breaks", base, "", {0, 0}, {K('V', C)}, "one\r\ntwo", {8, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        PutClip(u"one\r\ntwo");
        HWND e = MakeEdit(c.Style, c.Start, 200, 100, Mono);
        SetFocus(e);
        SetSel(e, c.StartSel.first, c.StartSel.second);
        PumpAll();
        Run(c.Acts);
        EXPECT_EQ(Text(e), c.Text);
        EXPECT_EQ(Sel(e), c.Sel);
        DestroyWindow(e);
    }
}

TEST_F(WinEditTest, TabOnlyWhenTheWindowWantsIt) {
    static WNDPROC base = nullptr;
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL, "ab", 200, 60);
    SetFocus(e);
    SetSel(e, 1, 1);
    Key(VK_TAB);
    EXPECT_EQ(Text(e), "ab");
    base = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(e, GWLP_WNDPROC));
    auto proc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        LRESULT r = CallWindowProcA(base, h, m, w, l);
        return m == WM_GETDLGCODE ? (r | DLGC_WANTTAB) : r;
    };
    SetWindowLongPtrA(e, GWLP_WNDPROC, LONG_PTR(static_cast<WNDPROC>(proc)));
    Key(VK_TAB);
    EXPECT_EQ(Text(e), "a\tb");
    // The tab reaches the next stop.
    EXPECT_GT(PosOf(e, 2).x - PosOf(e, 1).x, PosOf(e, 1).x - PosOf(e, 0).x);
    SetWindowLongPtrA(e, GWLP_WNDPROC, LONG_PTR(base));
}

TEST_F(WinEditTest, WordWrap) {
    // No horizontal scrolling: lines wrap at blanks, between ideographs, and inside words too
    // long for a line. Ten characters of the fixed font fit.
    SIZE ten{}, ideograph{};
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Mono);
    GetTextExtentPoint32A(dc, "0123456789", 10, &ten);
    GetTextExtentPoint32W(dc, u"\u4E00", 1, &ideograph);
    DeleteDC(dc);
    const int perLine = int(ten.cx + 1) / int(ideograph.cx);
    ASSERT_GT(perLine, 1);
    ASSERT_LT(perLine, 10);
    struct Case {
        const char* Name;
        const char* Text;
        std::vector<int> Starts;
    };
    const std::vector<Case> cases = {
        {"blanks", "aaaa bbbb cccc dddd", {0, 10}},
        {"blanks stay at the end", "aaaaaaaa   bb", {0, 11}},
        {"a long word", "abcdefghijklmnopqrstuvwxy", {0, 10, 20}},
        {"hard and soft", "aaaa bbbb cc\r\ndd", {0, 10, 14}},
        {"ideographs", "一二三四五六七八九十", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL, c.Text, 200, 200, Mono);
        SendMessageA(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        RECT r{0, 0, ten.cx + 1, 200};
        SendMessageA(e, EM_SETRECTNP, 0, LPARAM(&r));
        std::vector<int> starts;
        int lines = int(SendMessageA(e, EM_GETLINECOUNT, 0, 0));
        for (int i = 0; i < lines; ++i)
            starts.push_back(int(SendMessageA(e, EM_LINEINDEX, WPARAM(i), 0)));
        std::vector<int> expected = c.Starts;
        if (expected.empty()) // the ideographs: as many on a line as fit
            for (int start = 0; start < 10; start += perLine)
                expected.push_back(start);
        EXPECT_EQ(starts, expected);
        DestroyWindow(e);
    }
    // Wider, fewer lines; the text is the same.
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL, "aaaa bbbb cccc dddd", 200, 200, Mono);
    EXPECT_EQ(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 1);
    SetWindowPos(e, nullptr, 0, 0, ten.cx / 2, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GE(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 4);
    EXPECT_EQ(Text(e), "aaaa bbbb cccc dddd");
    // End on a wrapped line stays on it.
    SetFocus(e);
    SetSel(e, 0, 0);
    Key(VK_END);
    POINT p{};
    GetCaretPos(&p);
    EXPECT_EQ(p.y, PosOf(e, 0).y);
    EXPECT_EQ(SendMessageA(e, EM_LINEFROMCHAR, WPARAM(-1), 0), 0);
}

TEST_F(WinEditTest, MultiLinePositionsAndCharactersAgree) {
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL,
                      "First line\r\nsecond, wrapped: one two three four five six\r\n\r\n中文字", 120, 150);
    int length = int(SendMessageA(e, WM_GETTEXTLENGTH, 0, 0));
    EXPECT_EQ(SendMessageA(e, EM_POSFROMCHAR, WPARAM(-1), 0), -1);
    std::string text = Text(e);
    int chars = 0;
    for (unsigned char ch : text)
        chars += (ch & 0xC0) != 0x80;
    EXPECT_LT(chars, length);
    EXPECT_EQ(SendMessageA(e, EM_POSFROMCHAR, WPARAM(chars), 0), -1);
    EXPECT_NE(SendMessageA(e, EM_POSFROMCHAR, WPARAM(chars - 1), 0), -1);
    std::u32string u = U"First line\r\nsecond, wrapped: one two three four five six\r\n\r\n中文字";
    for (int i = 0; i < chars; ++i) {
        if (u[size_t(i)] == U'\n') continue; // shares its place with the CR before it
        POINT p = PosOf(e, i);
        LRESULT r = SendMessageA(e, EM_CHARFROMPOS, 0, MAKELPARAM(WORD(p.x), WORD(p.y)));
        EXPECT_EQ(LOWORD(r), i);
        EXPECT_EQ(HIWORD(r), SendMessageA(e, EM_LINEFROMCHAR, WPARAM(i), 0)) << i;
    }
    // Points beyond a line's end or below the text give the nearest character.
    LRESULT below = SendMessageA(e, EM_CHARFROMPOS, 0, MAKELPARAM(2, 149));
    EXPECT_EQ(HIWORD(below), SendMessageA(e, EM_GETLINECOUNT, 0, 0) - 1);
    LRESULT right = SendMessageA(e, EM_CHARFROMPOS, 0, MAKELPARAM(119, WORD(PosOf(e, 0).y + 2)));
    EXPECT_EQ(LOWORD(right), 10);
}

TEST_F(WinEditTest, ScrollingAMultiLineEdit) {
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, text.c_str(), 200, 80);
    PumpAll();
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    // The caret is kept in view.
    SetFocus(e);
    Key(VK_END, C);
    int first = int(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_GT(first, 20);
    POINT p = PosOf(e, int(SendMessageA(e, EM_LINEINDEX, 29, 0)));
    EXPECT_LT(p.y, 80);
    EXPECT_GE(p.y, 0);
    // EM_LINESCROLL, EM_SCROLL and WM_VSCROLL move the view, not the caret.
    std::pair<int, int> sel = Sel(e);
    SendMessageA(e, EM_LINESCROLL, 0, -5);
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), first - 5);
    EXPECT_EQ(SendMessageA(e, EM_SCROLL, 0 /* line up */, 0), LRESULT(MAKELONG(WORD(-1), TRUE)));
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), first - 6);
    EXPECT_EQ(Sel(e), sel);
    Rec.Clear();
    SendMessageA(e, WM_VSCROLL, 6 /* top */, 0);
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(Notes(e), std::vector<WORD>{EN_VSCROLL});
    SendMessageA(e, WM_VSCROLL, MAKEWPARAM(5 /* thumb track */, 7), 0);
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 7);
    // The window's bar follows the view: a line a step, a page of the visible lines.
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(e, SB_VERT, &si));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 30);
    EXPECT_EQ(int(si.nPage), 80 / (PosOf(e, int(SendMessageA(e, EM_LINEINDEX, 8, 0))).y));
    EXPECT_EQ(si.nPos, 7);
    EXPECT_EQ(PosOf(e, int(SendMessageA(e, EM_LINEINDEX, 7, 0))).y, 0);
    // The wheel scrolls three lines a notch.
    Rec.Clear();
    WinInputMouseWheel(Screen(e, 5, 5), -WHEEL_DELTA);
    PumpAll();
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 10);
    EXPECT_EQ(Notes(e), std::vector<WORD>{EN_VSCROLL});
    // EM_SCROLLCARET brings the caret back.
    SendMessageA(e, EM_SCROLLCARET, 0, 0);
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), first);
    // Page up moves the caret a page.
    int line = int(SendMessageA(e, EM_LINEFROMCHAR, WPARAM(-1), 0));
    Key(VK_PRIOR);
    int page = int(SendMessageA(e, EM_LINEFROMCHAR, WPARAM(-1), 0));
    EXPECT_LT(page, line);
    EXPECT_GE(page, line - 5);
    // Sideways, without word wrap: the horizontal bar and EN_HSCROLL.
    HWND wide = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL | WS_HSCROLL,
                         "a line much too long for the width of this small edit\r\nshort", 100, 80);
    EXPECT_EQ(SendMessageA(wide, EM_GETLINECOUNT, 0, 0), 2);
    int left = PosOf(wide, 0).x;
    Rec.Clear();
    SendMessageA(wide, WM_HSCROLL, 1 /* line right */, 0);
    EXPECT_EQ(Notes(wide), std::vector<WORD>{EN_HSCROLL});
    EXPECT_LT(PosOf(wide, 0).x, left);
    EXPECT_EQ(GetScrollPos(wide, SB_HORZ), left - PosOf(wide, 0).x);
    SendMessageA(wide, WM_HSCROLL, 6 /* left end */, 0);
    EXPECT_EQ(PosOf(wide, 0).x, left);
    // A single-line edit does not scroll by lines.
    HWND single = MakeEdit(ES_AUTOHSCROLL, "x");
    EXPECT_FALSE(SendMessageA(single, EM_LINESCROLL, 0, 1));
    EXPECT_FALSE(SendMessageA(single, EM_SCROLL, 1, 0));
}

TEST_F(WinEditTest, NoAutoVScrollStopsAtTheHeight) {
    HWND e = MakeEdit(ES_MULTILINE | ES_WANTRETURN, "", 200, 40);
    SetFocus(e);
    PumpAll();
    int visible = 40 / int(PosOf(MakeEdit(ES_MULTILINE, "a\r\nb", 200, 60), 3).y);
    Rec.Clear();
    for (int i = 0; i < 6; ++i)
        Run({T(U"x"), K(VK_RETURN)});
    EXPECT_EQ(SendMessageA(e, EM_GETLINECOUNT, 0, 0), visible);
    EXPECT_GE(Count(Notes(e), EN_MAXTEXT), 1);
    EXPECT_EQ(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(WinEditTest, MultiLineSetTextIsNotReported) {
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL, "a", 200, 60);
    Rec.Clear();
    SetWindowTextA(e, "b\r\nc");
    EXPECT_EQ(Notes(e), std::vector<WORD>{});
    SendMessageA(e, EM_REPLACESEL, TRUE, LPARAM("d"));
    EXPECT_EQ(Notes(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(e), "db\r\nc");
}

TEST_F(WinEditTest, WordWrappedImage) {
    HWND e = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL,
                      "A multi-line edit wraps its words at the right edge.\r\n"
                      "第二行有中文字符，也会换行。\r\n\r\nThe end.",
                      180, 150);
    SetWindowPos(e, nullptr, 10, 10, 180, 150, SWP_NOZORDER);
    SetSel(e, 2, 12);
    PumpAll();
    EXPECT_GE(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 6);
    // Every visible line starts at the left of the formatting rectangle.
    RECT r{};
    SendMessageA(e, EM_GETRECT, 0, LPARAM(&r));
    for (int line = 0; line < 4; ++line)
        EXPECT_EQ(PosOf(e, int(SendMessageA(e, EM_LINEINDEX, WPARAM(line), 0))).x, r.left);
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Parent, s));
    testsupport::WritePng(testsupport::ArtifactPath("WinEditTest_MultiLineWrapped.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), s.Width);
}

} // namespace

TEST_F(WinEditTest, TheContextMenuIsAPopupWhoseItemsWorkThroughMessages) {
    HWND e = MakeEdit(ES_AUTOHSCROLL, "radio", 200);
    SetFocus(e);
    SetSel(e, 1, 1);
    PumpAll();
    // The keys wait in the queue: the popup's loop takes them (End: "Select All", Enter: run it).
    WinInputKey(VK_END, true, true);
    WinInputKey(VK_END, true, false);
    WinInputKey(VK_RETURN, false, true);
    WinInputKey(VK_RETURN, false, false);
    POINT at = Screen(e, 5, 5);
    SendMessageA(e, WM_CONTEXTMENU, WPARAM(e), MAKELPARAM(at.x, at.y));
    PumpAll();
    EXPECT_EQ(Sel(e), std::make_pair(0, 5));
    EXPECT_EQ(GetFocus(), e);
}
