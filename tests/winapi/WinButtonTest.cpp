// The button window class: clicks by mouse, Space and BM_CLICK on every kind with the
// notifications the parent gets, the automatic check states and radio groups, pressing and
// dragging with the capture, owner drawing, the dialog codes and the classic pixels; and a sheet
// of every kind saved as PNG.
#include <gtest/gtest.h>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "platform/winapi/WinStatic.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class WinButtonTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Parent = Make(WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
        SetFocus(Parent);
        PumpAll();
        Rec.Clear();
    }

    HWND Button(DWORD style, int x, int y, int w, int h, int id, const char* text = "Button") {
        return Make(WS_CHILD | WS_VISIBLE | style, x, y, w, h, Parent, 0, WC_BUTTONA, text,
                    reinterpret_cast<HMENU>(std::intptr_t(id)));
    }

    // How many times the parent heard code from the button.
    int Notes(HWND button, WORD code) const {
        int n = 0;
        for (const Seen& s : Rec.Log)
            if (s.Window == Parent && s.Message == WM_COMMAND && HIWORD(s.WParam) == code &&
                HWND(s.LParam) == button && LOWORD(s.WParam) == WORD(GetWindowLongPtrA(button, GWL_ID)))
                ++n;
        return n;
    }

    static void Press(HWND window, int x, int y) {
        WinInputMouseButton(Screen(window, x, y), TWinMouseButton::Left, true);
        PumpAll();
    }
    static void Release(HWND window, int x, int y) {
        WinInputMouseButton(Screen(window, x, y), TWinMouseButton::Left, false);
        PumpAll();
    }
    static void MoveTo(HWND window, int x, int y) {
        WinInputMouseMove(Screen(window, x, y));
        PumpAll();
    }
    static void Click(HWND window, int x = 5, int y = 5) {
        Press(window, x, y);
        Release(window, x, y);
    }
    static void Key(UINT vk, bool down) {
        WinInputKey(vk, false, down);
        PumpAll();
    }
    static void Space(HWND window) {
        SetFocus(window);
        PumpAll();
        Key(VK_SPACE, true);
        Key(VK_SPACE, false);
    }
    static UINT State(HWND button) { return UINT(SendMessageA(button, BM_GETSTATE, 0, 0)); }
    static UINT Check(HWND button) { return UINT(SendMessageA(button, BM_GETCHECK, 0, 0)); }

    // A pixel of a window's client area as its top-level image has it.
    COLORREF At(HWND window, int x, int y) const { return ClientPixel(Parent, window, x, y); }

    HWND Parent = nullptr;
};

TEST_F(WinButtonTest, ClassIsRegisteredAtStartUp) {
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, "BUTTON", &wc));
    EXPECT_TRUE(wc.style & CS_DBLCLKS);
    ASSERT_TRUE(GetClassInfoA(nullptr, "static", &wc));
    // Registering again changes nothing.
    WinRegisterButtonClasses();
    HWND b = Button(BS_PUSHBUTTON, 0, 0, 50, 20, 1);
    ASSERT_NE(b, nullptr);
    char name[16] = {};
    GetClassNameA(b, name, int(sizeof(name)));
    EXPECT_STREQ(name, "Button");
}

// Every kind clicks by mouse, by Space and by BM_CLICK, telling the parent each time; the
// automatic kinds move their check state, the others leave it to the program.
TEST_F(WinButtonTest, EveryKindClicksByMouseSpaceAndMessage) {
    struct Case {
        const char* Name;
        DWORD Style;
        std::vector<UINT> Checks; // after the mouse click, the Space and the BM_CLICK
    };
    const std::vector<Case> cases = {
        {"push", BS_PUSHBUTTON, {0, 0, 0}},
        {"default push", BS_DEFPUSHBUTTON, {0, 0, 0}},
        {"check box", BS_CHECKBOX, {0, 0, 0}},
        {"auto check box", BS_AUTOCHECKBOX, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {"3-state", BS_3STATE, {0, 0, 0}},
        {"auto 3-state", BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
        {"radio", BS_RADIOBUTTON, {0, 0, 0}},
        {"auto radio", BS_AUTORADIOBUTTON | WS_GROUP, {BST_CHECKED, BST_CHECKED, BST_CHECKED}},
        {"owner-draw", BS_OWNERDRAW, {0, 0, 0}},
        {"push-like check box", BS_AUTOCHECKBOX | BS_PUSHLIKE, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {"flat multi-line push", BS_PUSHBUTTON | BS_FLAT | BS_MULTILINE, {0, 0, 0}},
    };
    int y = 0, id = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND b = Button(c.Style, 10, y, 120, 20, ++id);
        y += 24;
        ASSERT_NE(b, nullptr);
        PumpAll();
        Rec.Clear();

        Click(b, 60, 10);
        EXPECT_EQ(Notes(b, BN_CLICKED), 1);
        EXPECT_EQ(Check(b), c.Checks[0]);
        EXPECT_EQ(GetFocus(), b) << "a click takes the focus";
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(State(b) & BST_PUSHED, 0u);

        Space(b);
        EXPECT_EQ(Notes(b, BN_CLICKED), 2);
        EXPECT_EQ(Check(b), c.Checks[1]);

        SendMessageA(b, BM_CLICK, 0, 0);
        EXPECT_EQ(Notes(b, BN_CLICKED), 3);
        EXPECT_EQ(Check(b), c.Checks[2]);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST_F(WinButtonTest, GroupBoxAndDisabledButtonsDoNotClick) {
    HWND group = Button(BS_GROUPBOX, 10, 10, 200, 100, 7, "Group");
    HWND disabled = Button(BS_PUSHBUTTON | WS_DISABLED, 250, 10, 80, 20, 8);
    PumpAll();
    Rec.Clear();
    Click(group, 50, 50);
    SendMessageA(group, BM_CLICK, 0, 0);
    Space(group);
    EXPECT_EQ(Notes(group, BN_CLICKED), 0);
    // The mouse went through the group box to the parent.
    EXPECT_EQ(SendMessageA(group, WM_NCHITTEST, 0, PointToLParam(Screen(group, 50, 50))), HTTRANSPARENT);
    EXPECT_NE(Rec.Find(WM_LBUTTONDOWN, Parent), nullptr);

    Click(disabled, 10, 10);
    SendMessageA(disabled, BM_CLICK, 0, 0);
    EXPECT_EQ(Notes(disabled, BN_CLICKED), 0);
}

// A parent that destroys the button from its notification (an OK button closing its window) is
// safe however the click came.
TEST_F(WinButtonTest, ParentMayDestroyTheButtonWhenItClicks) {
    struct Case {
        const char* Name;
        DWORD Style;
        std::function<void(HWND)> Click;
    };
    const std::vector<Case> cases = {
        {"mouse", BS_PUSHBUTTON, [](HWND b) { Click(b); }},
        {"Space", BS_AUTOCHECKBOX | BS_NOTIFY, [](HWND b) { Space(b); }},
        {"BM_CLICK", BS_AUTORADIOBUTTON, [](HWND b) { SendMessageA(b, BM_CLICK, 0, 0); }},
        {"owner-draw by mouse", BS_OWNERDRAW, [](HWND b) { Click(b); }},
    };
    int y = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND b = Button(c.Style, 10, y, 100, 20, 9);
        y += 30;
        PumpAll();
        Rec.Handler = [b](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
            if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) DestroyWindow(b);
            return false;
        };
        c.Click(b);
        EXPECT_FALSE(IsWindow(b));
        EXPECT_EQ(GetCapture(), nullptr);
        Rec.Handler = nullptr;
        SetFocus(Parent);
        PumpAll();
    }
}

TEST_F(WinButtonTest, AutoThreeStateCyclesAndSetCheckKeepsToTheKind) {
    HWND tri = Button(BS_AUTO3STATE, 10, 10, 100, 20, 1);
    std::vector<UINT> seen;
    for (int i = 0; i < 4; ++i) {
        SendMessageA(tri, BM_CLICK, 0, 0);
        seen.push_back(Check(tri));
    }
    EXPECT_EQ(seen, (std::vector<UINT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED, BST_CHECKED}));

    struct Case {
        DWORD Style;
        WPARAM Set;
        UINT Expected;
    };
    const std::vector<Case> cases = {
        {BS_CHECKBOX, BST_CHECKED, BST_CHECKED},
        {BS_CHECKBOX, BST_INDETERMINATE, BST_CHECKED}, // a two-state box has no third state
        {BS_AUTOCHECKBOX, 7, BST_CHECKED},
        {BS_3STATE, BST_INDETERMINATE, BST_INDETERMINATE},
        {BS_AUTO3STATE, BST_INDETERMINATE, BST_INDETERMINATE},
        {BS_AUTO3STATE, BST_UNCHECKED, BST_UNCHECKED},
        {BS_RADIOBUTTON, BST_CHECKED, BST_CHECKED},
        {BS_PUSHBUTTON, BST_CHECKED, BST_UNCHECKED}, // push buttons have no check state
        {BS_GROUPBOX, BST_CHECKED, BST_UNCHECKED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.Style << " set " << c.Set);
        HWND b = Button(c.Style, 10, 40, 100, 20, 2);
        SendMessageA(b, BM_SETCHECK, c.Set, 0);
        EXPECT_EQ(Check(b), c.Expected);
        EXPECT_EQ(State(b) & 3u, c.Expected);
        DestroyWindow(b);
    }
}

TEST_F(WinButtonTest, AutoRadioUnchecksTheAutoRadiosOfItsGroupOnly) {
    HWND a1 = Button(BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 100, 20, 1, "a1");
    HWND a2 = Button(BS_AUTORADIOBUTTON, 10, 30, 100, 20, 2, "a2");
    HWND push = Button(BS_PUSHBUTTON, 10, 50, 100, 20, 3, "push");
    HWND plain = Button(BS_RADIOBUTTON, 10, 70, 100, 20, 4, "plain");
    HWND a3 = Button(BS_AUTORADIOBUTTON, 10, 90, 100, 20, 5, "a3");
    HWND b1 = Button(BS_AUTORADIOBUTTON | WS_GROUP, 10, 120, 100, 20, 6, "b1");
    HWND b2 = Button(BS_AUTORADIOBUTTON, 10, 140, 100, 20, 7, "b2");
    PumpAll();
    SendMessageA(a1, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(a3, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(plain, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(b1, BM_SETCHECK, BST_CHECKED, 0);

    Click(a2);
    EXPECT_EQ(Check(a2), BST_CHECKED);
    EXPECT_EQ(Check(a1), BST_UNCHECKED);
    EXPECT_EQ(Check(a3), BST_UNCHECKED);
    EXPECT_EQ(Check(plain), BST_CHECKED) << "only automatic radio buttons follow the group";
    EXPECT_EQ(Check(b1), BST_CHECKED) << "the next WS_GROUP starts another group";
    EXPECT_EQ(Check(push), BST_UNCHECKED);
    // The checked radio button is the group's tab stop.
    EXPECT_TRUE(GetWindowLongA(a2, GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongA(a1, GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongA(a3, GWL_STYLE) & WS_TABSTOP);

    // Clicking in the middle of a group finds its start too; the other group keeps its own.
    Click(a3);
    EXPECT_EQ(Check(a2), BST_UNCHECKED);
    EXPECT_EQ(Check(a3), BST_CHECKED);
    Click(b2);
    EXPECT_EQ(Check(b1), BST_UNCHECKED);
    EXPECT_EQ(Check(b2), BST_CHECKED);
    EXPECT_EQ(Check(a3), BST_CHECKED);
}

// A class of the program's own that borrows the button procedure (as the class library makes
// its controls) behaves as a button, radio groups included.
TEST_F(WinButtonTest, BorrowedClassBehavesAsAButton) {
    const char* name = "KovTestBorrowedButton";
    WNDCLASSA wc;
    if (!GetClassInfoA(nullptr, name, &wc)) {
        ASSERT_TRUE(GetClassInfoA(nullptr, WC_BUTTONA, &wc));
        wc.lpszClassName = name;
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND borrowed = Make(WS_CHILD | WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 10, 10, 100, 20, Parent, 0,
                         name, "borrowed", reinterpret_cast<HMENU>(std::intptr_t(1)));
    HWND plain = Button(BS_AUTORADIOBUTTON, 10, 40, 100, 20, 2, "plain");
    ASSERT_NE(borrowed, nullptr);
    PumpAll();
    Click(borrowed);
    EXPECT_EQ(Check(borrowed), BST_CHECKED);
    EXPECT_EQ(Notes(borrowed, BN_CLICKED), 1);
    Click(plain);
    EXPECT_EQ(Check(plain), BST_CHECKED);
    EXPECT_EQ(Check(borrowed), BST_UNCHECKED);
    Space(borrowed);
    EXPECT_EQ(Check(borrowed), BST_CHECKED);
    EXPECT_EQ(Check(plain), BST_UNCHECKED);
}

// The button shows pressed while the pointer is over it with the button held; it clicks only when
// released over it, and not at all when the press is taken away.
TEST_F(WinButtonTest, PressDragAndReleaseFollowThePointer) {
    HWND b = Button(BS_PUSHBUTTON, 50, 50, 80, 24, 1);
    HWND other = Button(BS_PUSHBUTTON, 200, 50, 80, 24, 2);
    PumpAll();
    Rec.Clear();

    Press(b, 10, 10);
    EXPECT_EQ(GetCapture(), b);
    EXPECT_TRUE(State(b) & BST_PUSHED);
    MoveTo(b, 150, 10); // outside, over the other button
    EXPECT_FALSE(State(b) & BST_PUSHED);
    EXPECT_EQ(GetCapture(), b);
    MoveTo(b, 40, 12);
    EXPECT_TRUE(State(b) & BST_PUSHED);
    MoveTo(b, -5, -5);
    Release(b, -5, -5);
    EXPECT_EQ(Notes(b, BN_CLICKED), 0);
    EXPECT_EQ(Notes(other, BN_CLICKED), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(State(b) & BST_PUSHED);

    // Out and back in again: a click.
    Press(b, 10, 10);
    MoveTo(b, 150, 10);
    MoveTo(b, 20, 20);
    Release(b, 20, 20);
    EXPECT_EQ(Notes(b, BN_CLICKED), 1);

    // Somebody else takes the capture in the middle of the press.
    Press(b, 10, 10);
    SetCapture(other);
    EXPECT_FALSE(State(b) & BST_PUSHED);
    ReleaseCapture();
    Release(b, 10, 10);
    EXPECT_EQ(Notes(b, BN_CLICKED), 1);

    // Losing the focus while Space is held lets the button go without a click.
    SetFocus(b);
    Key(VK_SPACE, true);
    EXPECT_TRUE(State(b) & BST_PUSHED);
    SetFocus(other);
    EXPECT_FALSE(State(b) & BST_PUSHED);
    Key(VK_SPACE, false);
    EXPECT_EQ(Notes(b, BN_CLICKED), 1);
    EXPECT_EQ(Notes(other, BN_CLICKED), 0);
}

TEST_F(WinButtonTest, HeldSpaceClicksOnceAndSetStateDoesNotClick) {
    HWND b = Button(BS_AUTOCHECKBOX, 10, 10, 100, 20, 1);
    SetFocus(b);
    PumpAll();
    Rec.Clear();
    Key(VK_SPACE, true);
    Key(VK_SPACE, true); // auto-repeat
    Key(VK_SPACE, true);
    EXPECT_TRUE(State(b) & BST_PUSHED);
    Key(VK_SPACE, false);
    EXPECT_EQ(Notes(b, BN_CLICKED), 1);
    EXPECT_EQ(Check(b), BST_CHECKED);

    SendMessageA(b, BM_SETSTATE, TRUE, 0);
    EXPECT_TRUE(State(b) & BST_PUSHED);
    SendMessageA(b, BM_SETSTATE, FALSE, 0);
    EXPECT_FALSE(State(b) & BST_PUSHED);
    EXPECT_EQ(Notes(b, BN_CLICKED), 1);
    EXPECT_EQ(State(b), BST_CHECKED | BST_FOCUS);
}

TEST_F(WinButtonTest, FocusAndDoubleClickNotifications) {
    struct Case {
        const char* Name;
        DWORD Style;
        int Clicks; // BN_CLICKED after a double click
        int Doubles;
        int FocusNotes; // BN_SETFOCUS and BN_KILLFOCUS each
    };
    const std::vector<Case> cases = {
        {"push", BS_PUSHBUTTON, 2, 0, 0},
        {"push with BS_NOTIFY", BS_PUSHBUTTON | BS_NOTIFY, 1, 1, 1},
        {"auto check box", BS_AUTOCHECKBOX, 2, 0, 0},
        {"radio", BS_RADIOBUTTON, 1, 1, 0},
        {"auto radio", BS_AUTORADIOBUTTON, 1, 1, 0},
        {"owner-draw", BS_OWNERDRAW, 1, 1, 0},
    };
    int y = 0, id = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND b = Button(c.Style, 10, y, 100, 20, ++id);
        y += 30;
        PumpAll();
        SetFocus(Parent);
        PumpAll();
        Rec.Clear();
        Click(b);
        Click(b);
        EXPECT_EQ(Notes(b, BN_CLICKED), c.Clicks);
        EXPECT_EQ(Notes(b, BN_DBLCLK), c.Doubles);
        SetFocus(Parent);
        PumpAll();
        EXPECT_EQ(Notes(b, BN_SETFOCUS), c.FocusNotes);
        EXPECT_EQ(Notes(b, BN_KILLFOCUS), c.FocusNotes);
    }
}

TEST_F(WinButtonTest, DialogCodesAndDefaultStyle) {
    struct Case {
        DWORD Style;
        LRESULT Code;
    };
    const std::vector<Case> cases = {
        {BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
        {BS_CHECKBOX, DLGC_BUTTON},
        {BS_AUTOCHECKBOX, DLGC_BUTTON},
        {BS_AUTO3STATE, DLGC_BUTTON},
        {BS_RADIOBUTTON, DLGC_RADIOBUTTON},
        {BS_AUTORADIOBUTTON, DLGC_RADIOBUTTON},
        {BS_GROUPBOX, DLGC_STATIC},
        {BS_OWNERDRAW, DLGC_BUTTON},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.Style);
        HWND b = Button(c.Style, 10, 10, 80, 20, 1);
        EXPECT_EQ(SendMessageA(b, WM_GETDLGCODE, 0, 0), c.Code);
        DestroyWindow(b);
    }

    // BM_SETSTYLE moves the default look and keeps the other style bits.
    HWND b = Button(BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 10, 10, 80, 20, 1);
    PumpAll();
    SendMessageA(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    DWORD style = DWORD(GetWindowLongA(b, GWL_STYLE));
    EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(style & BS_MULTILINE);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_EQ(SendMessageA(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(b, &update, FALSE)) << "TRUE in lParam repaints";
    PumpAll();
    EXPECT_EQ(At(b, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    SendMessageA(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(DWORD(GetWindowLongA(b, GWL_STYLE)) & BS_TYPEMASK, BS_PUSHBUTTON);
    PumpAll();
    EXPECT_EQ(At(b, 0, 0), GetSysColor(COLOR_3DHILIGHT));
}

TEST_F(WinButtonTest, OwnerDrawButtonAsksItsParentWithItsState) {
    std::vector<DRAWITEMSTRUCT> items;
    Rec.Handler = [&](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
        if (m != WM_DRAWITEM) return false;
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        items.push_back(*item);
        EXPECT_EQ(w, WPARAM(item->CtlID));
        EXPECT_NE(item->hDC, nullptr);
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_HIGHLIGHT));
        r = TRUE;
        return true;
    };
    HWND b = Button(BS_OWNERDRAW, 20, 20, 60, 30, 42, "Owner");
    PumpAll();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back().CtlType, ODT_BUTTON);
    EXPECT_EQ(items.back().CtlID, 42u);
    EXPECT_EQ(items.back().itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(items.back().itemState, 0u);
    EXPECT_EQ(items.back().hwndItem, b);
    EXPECT_EQ(items.back().rcItem.right, 60);
    EXPECT_EQ(items.back().rcItem.bottom, 30);
    EXPECT_EQ(At(b, 30, 15), GetSysColor(COLOR_HIGHLIGHT)) << "what the parent drew shows";

    struct Step {
        const char* Name;
        std::function<void()> Do;
        UINT Action;
        UINT State;
    };
    const std::vector<Step> steps = {
        {"focus", [&] { SetFocus(b); }, ODA_FOCUS, ODS_FOCUS},
        {"press", [&] { Press(b, 5, 5); }, ODA_SELECT, ODS_FOCUS | ODS_SELECTED},
        {"drag out", [&] { MoveTo(b, 100, 100); }, ODA_SELECT, ODS_FOCUS},
        {"drag in", [&] { MoveTo(b, 5, 5); }, ODA_SELECT, ODS_FOCUS | ODS_SELECTED},
        {"release", [&] { Release(b, 5, 5); }, ODA_SELECT, ODS_FOCUS},
        {"default",
         [&] {
             SendMessageA(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
             PumpAll();
         },
         ODA_DRAWENTIRE, ODS_FOCUS | ODS_DEFAULT},
        {"lose focus", [&] { SetFocus(Parent); }, ODA_FOCUS, ODS_DEFAULT},
        {"disable",
         [&] {
             EnableWindow(b, FALSE);
             PumpAll();
         },
         ODA_DRAWENTIRE, ODS_DISABLED | ODS_DEFAULT},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Name);
        items.clear();
        s.Do();
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items.back().itemAction, s.Action);
        EXPECT_EQ(items.back().itemState, s.State);
    }
    EXPECT_EQ(DWORD(GetWindowLongA(b, GWL_STYLE)) & BS_TYPEMASK, BS_OWNERDRAW) << "still owner-drawn";
    EXPECT_EQ(Notes(b, BN_CLICKED), 1);
}

TEST_F(WinButtonTest, FontTextAndColourMessages) {
    HWND b = Button(BS_AUTOCHECKBOX, 10, 10, 120, 20, 1, "&Check");
    HWND push = Button(BS_PUSHBUTTON, 10, 40, 120, 24, 2, "&Push");
    PumpAll();
    EXPECT_EQ(SendMessageA(b, WM_GETFONT, 0, 0), 0);
    auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(b, WM_SETFONT, WPARAM(font), FALSE);
    EXPECT_EQ(SendMessageA(b, WM_GETFONT, 0, 0), LRESULT(font));
    RECT update;
    EXPECT_FALSE(GetUpdateRect(b, &update, FALSE));
    SendMessageA(b, WM_SETFONT, WPARAM(font), TRUE);
    EXPECT_TRUE(GetUpdateRect(b, &update, FALSE));
    PumpAll();
    SetWindowTextA(b, "Other");
    EXPECT_TRUE(GetUpdateRect(b, &update, FALSE)) << "new text repaints";

    // The parent chooses the brush and the text colour: WM_CTLCOLORSTATIC for check boxes,
    // WM_CTLCOLORBTN for push buttons.
    const COLORREF back = RGB(10, 120, 200), ink = RGB(250, 40, 0);
    HBRUSH brush = CreateSolidBrush(back);
    Rec.Handler = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT& r) {
        if (m != WM_CTLCOLORSTATIC) return false;
        SetTextColor(HDC(w), ink);
        r = LRESULT(brush);
        return true;
    };
    Rec.Clear();
    InvalidateRect(b, nullptr, TRUE);
    InvalidateRect(push, nullptr, TRUE);
    PumpAll();
    const Seen* color = Rec.Find(WM_CTLCOLORSTATIC, Parent);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(HWND(color->LParam), b);
    const Seen* btn = Rec.Find(WM_CTLCOLORBTN, Parent);
    ASSERT_NE(btn, nullptr);
    EXPECT_EQ(HWND(btn->LParam), push);
    EXPECT_EQ(At(b, 119, 0), back);
    int inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 17; x < 120; ++x)
            inked += At(b, x, y) == ink;
    EXPECT_GT(inked, 10) << "the caption in the parent's colour";
    Rec.Handler = nullptr;
    DestroyWindow(b);
    DeleteObject(brush);
}

// Probes of the classic look that do not depend on the text.
TEST_F(WinButtonTest, ClassicPixels) {
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME), light = GetSysColor(COLOR_3DHILIGHT),
                   face = GetSysColor(COLOR_3DFACE), shadow = GetSysColor(COLOR_3DSHADOW),
                   window = GetSysColor(COLOR_WINDOW);
    HWND push = Button(BS_PUSHBUTTON, 10, 10, 75, 23, 1, "");
    HWND def = Button(BS_DEFPUSHBUTTON, 100, 10, 75, 23, 2, "");
    HWND check = Button(BS_AUTOCHECKBOX, 10, 50, 100, 17, 3, "");
    HWND off = Button(BS_AUTOCHECKBOX | WS_DISABLED, 10, 80, 100, 17, 4, "");
    HWND right = Button(BS_AUTOCHECKBOX | BS_LEFTTEXT, 200, 50, 100, 17, 5, "");
    PumpAll();

    struct Probe {
        const char* Name;
        HWND Window;
        int X, Y;
        COLORREF Expected;
    };
    std::vector<Probe> probes = {
        {"push: raised edge", push, 0, 0, light},
        {"push: dark edge", push, 74, 22, GetSysColor(COLOR_3DDKSHADOW)},
        {"push: face", push, 37, 11, face},
        {"default: ring", def, 0, 0, frame},
        {"default: edge inside the ring", def, 1, 1, light},
        {"check box: inside of the box", check, 6, 8, window},
        {"check box: sunken edge", check, 0, 2, shadow},
        {"disabled check box: grey inside", off, 6, 8, face},
        {"box on the right", right, 93, 8, window},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.Name);
        EXPECT_EQ(At(p.Window, p.X, p.Y), p.Expected);
    }

    // Pressed: the frame goes dark and the face sinks.
    SendMessageA(push, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(At(push, 0, 0), frame);
    EXPECT_EQ(At(push, 1, 1), shadow);
    SendMessageA(push, BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(At(push, 0, 0), light);

    // The focus rectangle sits just inside the face and goes with the focus.
    SetFocus(def);
    PumpAll();
    bool dotted = At(def, 4, 4) != face || At(def, 5, 4) != face;
    EXPECT_TRUE(dotted);
    SetFocus(push);
    PumpAll();
    EXPECT_EQ(At(def, 4, 4), face);
    EXPECT_EQ(At(def, 5, 4), face);

    // A checked box has its mark in the window-text colour.
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    int marked = 0;
    for (int y = 2; y < 15; ++y)
        for (int x = 0; x < 13; ++x)
            marked += At(check, x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_GT(marked, 5);
}

TEST_F(WinButtonTest, GroupBoxDrawsItsEtchedFrameBelowTheCaptionLine) {
    auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HWND group = Button(BS_GROUPBOX, 10, 10, 200, 100, 1, "Group");
    SendMessageA(group, WM_SETFONT, WPARAM(font), TRUE);
    PumpAll();
    HDC dc = GetDC(group);
    SelectObject(dc, font);
    RECT r{0, 0, 1000, 1000};
    DrawTextA(dc, "Group", -1, &r, DT_SINGLELINE | DT_CALCRECT);
    ReleaseDC(group, dc);
    int line = (r.bottom - r.top) / 2;
    EXPECT_EQ(At(group, 2, line), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(At(group, 2, line + 1), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(At(group, 199, 60), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(At(group, 100, 60), GetSysColor(COLOR_WINDOW)) << "the inside is the parent's";
    // The caption interrupts the line.
    EXPECT_NE(At(group, 8, line), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(At(group, 190, line), GetSysColor(COLOR_3DSHADOW));
}

// Every kind of button and static on one window, saved for a person to look at.
TEST_F(WinButtonTest, SheetOfEveryControl) {
    DestroyWindow(Parent);
    Parent = Make(WS_POPUP | WS_VISIBLE, 0, 0, 520, 330);
    Rec.Handler = [this](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
        if (m == WM_ERASEBKGND && h == Parent) {
            RECT all{0, 0, 520, 330};
            FillRect(HDC(w), &all, GetSysColorBrush(COLOR_3DFACE));
            r = 1;
            return true;
        }
        // As the class library answers: the face colour behind the controls.
        if (m == WM_CTLCOLORSTATIC || m == WM_CTLCOLORBTN) {
            SetTextColor(HDC(w), GetSysColor(COLOR_BTNTEXT));
            SetBkColor(HDC(w), GetSysColor(COLOR_3DFACE));
            r = LRESULT(GetSysColorBrush(COLOR_3DFACE));
            return true;
        }
        if (m != WM_DRAWITEM) return false;
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        RECT rc = item->rcItem;
        FillRect(item->hDC, &rc,
                 GetSysColorBrush((item->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHT : COLOR_INFOBK));
        FrameRect(item->hDC, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
        SetBkMode(item->hDC, TRANSPARENT);
        DrawTextA(item->hDC, item->CtlType == ODT_STATIC ? "owner static" : "owner-draw", -1, &rc,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        r = TRUE;
        return true;
    };
    auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    int id = 1;
    auto add = [&](const char* cls, DWORD style, int x, int y, int w, int h, const char* text) {
        HWND c = Make(WS_CHILD | WS_VISIBLE | style, x, y, w, h, Parent, 0, cls, text,
                      reinterpret_cast<HMENU>(std::intptr_t(id++)));
        SendMessageA(c, WM_SETFONT, WPARAM(font), FALSE);
        return c;
    };
    add(WC_BUTTONA, BS_PUSHBUTTON, 10, 10, 75, 23, "&Push");
    add(WC_BUTTONA, BS_DEFPUSHBUTTON, 95, 10, 75, 23, "&Default");
    HWND pressed = add(WC_BUTTONA, BS_PUSHBUTTON, 180, 10, 75, 23, "Pressed");
    add(WC_BUTTONA, BS_PUSHBUTTON | WS_DISABLED, 265, 10, 75, 23, "Disabled");
    add(WC_BUTTONA, BS_PUSHBUTTON | BS_FLAT, 350, 10, 75, 23, "Flat");
    HWND focused = add(WC_BUTTONA, BS_DEFPUSHBUTTON, 435, 10, 75, 23, "Focused");
    add(WC_BUTTONA, BS_PUSHBUTTON | BS_MULTILINE, 10, 40, 75, 36, "Two line caption");
    add(WC_BUTTONA, BS_PUSHBUTTON | BS_LEFT | BS_TOP, 95, 40, 75, 36, "Top left");
    HWND latched = add(WC_BUTTONA, BS_AUTOCHECKBOX | BS_PUSHLIKE, 180, 40, 75, 23, "Push-like");
    add(WC_BUTTONA, BS_OWNERDRAW, 265, 40, 160, 23, "");

    HWND group = add(WC_BUTTONA, BS_GROUPBOX, 10, 85, 245, 140, "&Group box");
    (void)group;
    add(WC_BUTTONA, BS_AUTOCHECKBOX, 20, 105, 110, 17, "&Unchecked");
    HWND checked = add(WC_BUTTONA, BS_AUTOCHECKBOX, 20, 125, 110, 17, "Checked");
    HWND tri = add(WC_BUTTONA, BS_AUTO3STATE, 20, 145, 110, 17, "Indeterminate");
    HWND offCheck = add(WC_BUTTONA, BS_AUTOCHECKBOX | WS_DISABLED, 20, 165, 110, 17, "Disabled");
    add(WC_BUTTONA, BS_AUTOCHECKBOX | BS_FLAT, 20, 185, 110, 17, "Flat");
    add(WC_BUTTONA, BS_AUTOCHECKBOX | BS_LEFTTEXT, 20, 203, 110, 17, "Box on right");
    HWND r1 = add(WC_BUTTONA, BS_AUTORADIOBUTTON | WS_GROUP, 140, 105, 110, 17, "Radio &one");
    add(WC_BUTTONA, BS_AUTORADIOBUTTON, 140, 125, 110, 17, "Radio two");
    HWND r3 = add(WC_BUTTONA, BS_AUTORADIOBUTTON | WS_DISABLED, 140, 145, 110, 17, "Disabled");
    HWND pressedRadio = add(WC_BUTTONA, BS_AUTORADIOBUTTON, 140, 165, 110, 17, "Pressed");
    add(WC_BUTTONA, BS_AUTORADIOBUTTON | BS_FLAT, 140, 185, 110, 17, "Flat");
    add(WC_BUTTONA, BS_CHECKBOX | BS_MULTILINE, 140, 200, 110, 24, "A check box with long text");

    add(WC_STATICA, SS_LEFT, 270, 85, 110, 30, "Left static text that wraps &here");
    add(WC_STATICA, SS_CENTER, 390, 85, 120, 16, "Centred");
    add(WC_STATICA, SS_RIGHT | WS_DISABLED, 390, 101, 120, 16, "Right, disabled");
    add(WC_STATICA, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 270, 120, 110, 16, "No wrap && no prefix at all");
    add(WC_STATICA, SS_LEFT | SS_ENDELLIPSIS, 390, 120, 120, 16, "End ellipsis cuts this text");
    add(WC_STATICA, SS_LEFT | SS_PATHELLIPSIS, 270, 140, 110, 16, "/usr/share/kov/file.dat");
    add(WC_STATICA, SS_LEFT | SS_SUNKEN | SS_CENTERIMAGE, 390, 140, 120, 20, "Sunken");
    add(WC_STATICA, SS_BLACKRECT, 270, 165, 30, 20, "");
    add(WC_STATICA, SS_GRAYRECT, 305, 165, 30, 20, "");
    add(WC_STATICA, SS_WHITERECT, 340, 165, 30, 20, "");
    add(WC_STATICA, SS_BLACKFRAME, 375, 165, 30, 20, "");
    add(WC_STATICA, SS_GRAYFRAME, 410, 165, 30, 20, "");
    add(WC_STATICA, SS_WHITEFRAME, 445, 165, 30, 20, "");
    add(WC_STATICA, SS_ETCHEDFRAME, 480, 165, 30, 20, "");
    add(WC_STATICA, SS_ETCHEDHORZ, 270, 195, 240, 2, "");
    add(WC_STATICA, SS_ETCHEDVERT, 270, 205, 2, 40, "");
    HWND icon = Make(WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 280, 205, 40, 40, Parent, 0,
                     WC_STATICA, "", nullptr);
    SendMessageA(icon, STM_SETICON, WPARAM(LoadIconA(nullptr, IDI_APPLICATION)), 0);
    add(WC_STATICA, SS_OWNERDRAW, 330, 210, 180, 30, "");
    add(WC_BUTTONA, BS_GROUPBOX | BS_CENTER, 10, 235, 245, 85, "Centred caption");
    add(WC_STATICA, SS_LEFT, 20, 260, 225, 50, "Static text in a group box; the & mnemonic is &underlined.");

    SendMessageA(checked, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(tri, BM_SETCHECK, BST_INDETERMINATE, 0);
    SendMessageA(offCheck, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(latched, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(r1, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(r3, BM_SETCHECK, BST_CHECKED, 0);
    PumpAll();
    SetFocus(focused);
    SendMessageA(pressed, BM_SETSTATE, TRUE, 0);
    SendMessageA(pressedRadio, BM_SETSTATE, TRUE, 0);
    PumpAll();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Parent, s));
    std::string path = testsupport::ArtifactPath("WinButtonTest_Sheet.png");
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
    EXPECT_EQ(At(pressed, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
}

} // namespace
