// The combo box window class: its parts in each kind, the list dropping down by every gesture
// and closing by every gesture with the notifications in order, keys in the closed state,
// type-ahead, placement above when the list does not fit, the edit field's notifications, the
// CB_* messages, owner drawing of the field, and a sheet saved as PNG.
#include <gtest/gtest.h>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinComboBox.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinListBox.h"
#include "platform/winapi/WinMonitor.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class WinComboBoxTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        WinSetTestMonitors({TWinMonitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 740}, true, ""}});
        Parent = Make(WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
        SetFocus(Parent);
        PumpAll();
        Rec.Clear();
    }
    void TearDown() override {
        WinTest::TearDown();
        WinSetTestMonitors({});
    }

    HWND Combo(DWORD style, int x = 10, int y = 10, int w = 150, int h = 200) {
        HWND c = Make(WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, Parent, 0, "COMBOBOX", "",
                      reinterpret_cast<HMENU>(std::intptr_t(9)));
        if (!c) return c;
        for (const char* t : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"})
            SendMessageA(c, CB_ADDSTRING, 0, LPARAM(t));
        PumpAll();
        Rec.Clear();
        return c;
    }
    static COMBOBOXINFO Info(HWND combo) {
        COMBOBOXINFO info;
        EXPECT_TRUE(GetComboBoxInfo(combo, &info));
        return info;
    }
    // The notification codes the parent heard from the combo, in order.
    std::vector<WORD> Codes(HWND combo) const {
        std::vector<WORD> out;
        for (const Seen& s : Rec.Log)
            if (s.Window == Parent && s.Message == WM_COMMAND && HWND(s.LParam) == combo &&
                LOWORD(s.WParam) == 9)
                out.push_back(HIWORD(s.WParam));
        return out;
    }
    static std::vector<WORD> Without(std::vector<WORD> codes, std::initializer_list<WORD> drop) {
        std::vector<WORD> out;
        for (WORD c : codes)
            if (std::find(drop.begin(), drop.end(), c) == drop.end()) out.push_back(c);
        return out;
    }
    static void ClickAt(POINT p) {
        ClockAdvanceMs(1000);
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        PumpAll();
    }
    static void Key(UINT vk, bool alt = false) {
        if (alt) WinInputKey(VK_MENU, false, true);
        WinInputKey(vk, false, true);
        WinInputKey(vk, false, false);
        if (alt) WinInputKey(VK_MENU, false, false);
        PumpAll();
    }
    static String Text(HWND window) {
        char buffer[64] = {};
        GetWindowTextA(window, buffer, int(sizeof(buffer)));
        return buffer;
    }
    static bool Dropped(HWND combo) { return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; }
    static int Sel(HWND combo) { return int(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

    HWND Parent = nullptr;
};

TEST_F(WinComboBoxTest, PartsOfEachKind) {
    struct Case {
        const char* Name;
        DWORD Style;
        bool HasEdit;
        bool PopupList;
    };
    const std::vector<Case> cases = {
        {"simple", CBS_SIMPLE, true, false},
        {"drop-down", CBS_DROPDOWN, true, true},
        {"drop-down list", CBS_DROPDOWNLIST, false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        HWND c = Combo(k.Style);
        ASSERT_NE(c, nullptr);
        COMBOBOXINFO info = Info(c);
        EXPECT_EQ(info.hwndCombo, c);
        char name[32] = {};
        GetClassNameA(info.hwndList, name, int(sizeof(name)));
        EXPECT_STREQ(name, "ComboLBox");
        EXPECT_EQ(GetWindowLongPtrA(info.hwndList, GWL_ID), k.PopupList ? 0 : 1000);
        EXPECT_EQ((GetWindowLongA(info.hwndList, GWL_STYLE) & WS_POPUP) != 0, k.PopupList);
        EXPECT_EQ(IsWindowVisible(info.hwndList) != 0, !k.PopupList);
        if (k.HasEdit) {
            GetClassNameA(info.hwndItem, name, int(sizeof(name)));
            EXPECT_STREQ(name, "EDIT");
            EXPECT_EQ(GetWindowLongPtrA(info.hwndItem, GWL_ID), 1001);
            EXPECT_EQ(GetParent(info.hwndItem), c);
        } else {
            EXPECT_EQ(info.hwndItem, c);
        }
        RECT client;
        GetClientRect(c, &client);
        int field = int(SendMessageA(c, CB_GETITEMHEIGHT, WPARAM(-1), 0));
        if (k.PopupList) {
            // As high as the field, whatever was asked; the button on the right.
            EXPECT_EQ(client.bottom, field + 6);
            EXPECT_EQ(info.rcButton.right, client.right - 2);
            EXPECT_EQ(info.stateButton, 0u);
        } else {
            EXPECT_EQ(client.bottom, 200);
            EXPECT_EQ(info.stateButton, STATE_SYSTEM_INVISIBLE);
        }
        EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendMessageA(info.hwndList, LB_GETCOUNT, 0, 0), 5);
        DestroyWindow(c);
        EXPECT_FALSE(IsWindow(info.hwndList));
    }
}

// Every gesture that opens the list, and every one that closes it, with the notifications.
// Scroll bars asked of a combo box belong to its list: the combo's own frame has none.
TEST_F(WinComboBoxTest, ScrollBarStylesGoToTheList) {
    for (DWORD kind : {CBS_DROPDOWN, CBS_SIMPLE}) {
        SCOPED_TRACE(kind);
        HWND c = Combo(kind | WS_VSCROLL | WS_HSCROLL);
        const DWORD style = DWORD(GetWindowLongA(c, GWL_STYLE));
        EXPECT_EQ(style & (WS_VSCROLL | WS_HSCROLL), 0u);
        RECT window, client;
        GetWindowRect(c, &window);
        GetClientRect(c, &client);
        EXPECT_EQ(client.right, window.right - window.left);
        // The list shows its horizontal bar once its items are wider than it.
        SendMessageA(c, CB_SETHORIZONTALEXTENT, 1000, 0);
        EXPECT_NE(GetWindowLongA(Info(c).hwndList, GWL_STYLE) & WS_HSCROLL, 0);
        DestroyWindow(c);
    }
}

TEST_F(WinComboBoxTest, DropDownAndCloseUpByEveryGesture) {
    struct Case {
        const char* Name;
        DWORD Style;
        std::function<void(HWND combo)> Open;
        std::function<void(HWND combo)> Close;
        int Selected; // after closing (it was 1 before; Down moved the list to 2 while open)
        std::vector<WORD> Codes;
    };
    auto button = [](HWND c) {
        COMBOBOXINFO info = Info(c);
        ClickAt(Screen(c, (info.rcButton.left + info.rcButton.right) / 2, 5));
    };
    auto field = [](HWND c) { ClickAt(Screen(c, 10, 5)); };
    auto f4 = [](HWND) { Key(VK_F4); };
    auto altDown = [](HWND) { Key(VK_DOWN, true); };
    auto esc = [](HWND) { Key(VK_ESCAPE); };
    auto enter = [](HWND) { Key(VK_RETURN); };
    auto clickItem = [](HWND c) {
        HWND list = Info(c).hwndList;
        RECT r;
        SendMessageA(list, LB_GETITEMRECT, 3, LPARAM(&r));
        ClickAt(Screen(list, 10, r.top + 2));
    };
    auto outside = [this](HWND) { ClickAt(Screen(Parent, 390, 290)); };
    auto message = [](HWND c) { SendMessageA(c, CB_SHOWDROPDOWN, FALSE, 0); };
    const WORD SEL = CBN_SELCHANGE, OK = CBN_SELENDOK, CANCEL = CBN_SELENDCANCEL, UP = CBN_CLOSEUP;
    const std::vector<Case> cases = {
        // Cancelling puts the selection back (and tells of it); accepting keeps it.
        {"button, Esc", CBS_DROPDOWN, button, esc, 1, {SEL, CANCEL, UP}},
        {"F4, Enter", CBS_DROPDOWNLIST, f4, enter, 2, {OK, UP}},
        {"Alt+Down, F4", CBS_DROPDOWN, altDown, f4, 2, {OK, UP}},
        {"field, Alt+Down", CBS_DROPDOWNLIST, field, altDown, 2, {OK, UP}},
        {"F4, click on an item", CBS_DROPDOWNLIST, f4, clickItem, 3, {SEL, OK, UP}},
        {"button, click outside", CBS_DROPDOWNLIST, button, outside, 1, {SEL, CANCEL, UP}},
        {"F4, CB_SHOWDROPDOWN", CBS_DROPDOWN, f4, message, 2, {OK, UP}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        HWND c = Combo(k.Style);
        SendMessageA(c, CB_SETCURSEL, 1, 0);
        SetFocus(c);
        PumpAll();
        Rec.Clear();
        HWND list = Info(c).hwndList;

        k.Open(c);
        ASSERT_TRUE(Dropped(c));
        EXPECT_EQ(Codes(c), (std::vector<WORD>{CBN_DROPDOWN}));
        EXPECT_TRUE(IsWindowVisible(list));
        EXPECT_EQ(GetCapture(), list);
        EXPECT_EQ(Info(c).stateButton, STATE_SYSTEM_PRESSED);
        RECT lr, cr;
        GetWindowRect(list, &lr);
        GetWindowRect(c, &cr);
        EXPECT_EQ(lr.top, cr.bottom);
        EXPECT_EQ(lr.left, cr.left);
        RECT lc;
        GetClientRect(list, &lc);
        EXPECT_EQ(lc.bottom, 5 * SendMessageA(c, CB_GETITEMHEIGHT, 0, 0)); // all five items, no more
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
        // Down moves the open list's selection (and the field with it).
        Key(VK_DOWN);
        EXPECT_EQ(Sel(c), 2);
        EXPECT_EQ(Text(c), "Charlie");
        EXPECT_EQ(Codes(c), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELCHANGE}));
        Rec.Clear();

        k.Close(c);
        EXPECT_FALSE(Dropped(c));
        EXPECT_FALSE(IsWindowVisible(list));
        EXPECT_NE(GetCapture(), list);
        EXPECT_EQ(Sel(c), k.Selected);
        EXPECT_EQ(Text(c),
                  std::vector<String>({"Alpha", "Bravo", "Charlie", "Delta", "Echo"})[size_t(k.Selected)]);
        EXPECT_EQ(Without(Codes(c), {CBN_SETFOCUS, CBN_KILLFOCUS}), k.Codes);
        DestroyWindow(c);
        Rec.Clear();
    }
}

// Closed, the arrows move the selection; letters select by prefix in a drop-down list; the
// extended interface opens with Down and ignores F4.
TEST_F(WinComboBoxTest, KeysInTheClosedState) {
    HWND c = Combo(CBS_DROPDOWNLIST);
    SetFocus(c);
    PumpAll();
    Rec.Clear();
    struct Step {
        UINT Vk;
        char32_t Ch;
        int Selected;
    };
    const std::vector<Step> steps = {
        {VK_DOWN, 0, 0}, {VK_DOWN, 0, 1}, {VK_END, 0, 4}, {VK_UP, 0, 3},
        {VK_HOME, 0, 0}, {0, U'd', 3},    {0, U'B', 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Selected);
        ClockAdvanceMs(2000);
        if (s.Vk)
            Key(s.Vk);
        else {
            WinInputText(std::u32string(1, s.Ch));
            PumpAll();
        }
        EXPECT_EQ(Sel(c), s.Selected);
        EXPECT_FALSE(Dropped(c));
    }
    EXPECT_EQ(Without(Codes(c), {}), std::vector<WORD>(7, CBN_SELCHANGE));

    SendMessageA(c, CB_SETEXTENDEDUI, TRUE, 0);
    EXPECT_EQ(SendMessageA(c, CB_GETEXTENDEDUI, 0, 0), TRUE);
    Key(VK_F4);
    EXPECT_FALSE(Dropped(c));
    Key(VK_DOWN);
    EXPECT_TRUE(Dropped(c));
    Key(VK_ESCAPE);
    EXPECT_FALSE(Dropped(c));
    EXPECT_EQ(Sel(c), 1);
}

// The list opens above the combo when it would not fit below on the monitor; the dropped width
// and the visible items size it.
TEST_F(WinComboBoxTest, ListPlacementAndSize) {
    HWND low = Combo(CBS_DROPDOWNLIST, 10, 250, 80);
    HWND list = Info(low).hwndList;
    int rowHeight = int(SendMessageA(low, CB_GETITEMHEIGHT, 0, 0));
    RECT predicted;
    SendMessageA(low, CB_GETDROPPEDCONTROLRECT, 0, LPARAM(&predicted));
    RECT cr;
    GetWindowRect(low, &cr);
    // Below: the combo is at 350 + height on a work area of 740: five rows fit.
    EXPECT_EQ(predicted.top, cr.bottom);
    EXPECT_EQ(predicted.right - predicted.left, 80);
    EXPECT_EQ(SendMessageA(low, CB_SETDROPPEDWIDTH, 200, 0), 200);
    SendMessageA(low, CB_SETMINVISIBLE, 3, 0);
    EXPECT_EQ(SendMessageA(low, CB_GETMINVISIBLE, 0, 0), 3);
    WinSetTestMonitors({TWinMonitor{RECT{0, 0, 1024, 400}, RECT{0, 0, 1024, 400}, true, ""}});
    SendMessageA(low, CB_SHOWDROPDOWN, TRUE, 0);
    RECT lr, lc;
    GetWindowRect(list, &lr);
    GetClientRect(list, &lc);
    EXPECT_EQ(lr.bottom, cr.top); // above
    EXPECT_EQ(lr.right - lr.left, 200);
    EXPECT_EQ(lc.bottom, 3 * rowHeight);
    RECT now;
    SendMessageA(low, CB_GETDROPPEDCONTROLRECT, 0, LPARAM(&now));
    EXPECT_EQ(now.top, lr.top);
    SendMessageA(low, CB_SHOWDROPDOWN, FALSE, 0);
}

// The edit field: typing notifies, setting the text does not, and the CB_* edit messages reach it.
TEST_F(WinComboBoxTest, EditFieldNotificationsAndMessages) {
    HWND c = Combo(CBS_DROPDOWN | CBS_AUTOHSCROLL);
    HWND edit = Info(c).hwndItem;
    SetFocus(c);
    PumpAll();
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(Codes(c), (std::vector<WORD>{CBN_SETFOCUS}));
    Rec.Clear();
    WinInputText(U"De");
    PumpAll();
    EXPECT_EQ(Text(c), "De");
    EXPECT_EQ(Codes(c), (std::vector<WORD>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}));
    Rec.Clear();
    SetWindowTextA(c, "Echo");
    EXPECT_EQ(Text(edit), "Echo");
    EXPECT_TRUE(Codes(c).empty());
    // Opening highlights the item the text names.
    Key(VK_F4);
    EXPECT_EQ(SendMessageA(Info(c).hwndList, LB_GETCURSEL, 0, 0), 4);
    Key(VK_ESCAPE);
    EXPECT_EQ(SendMessageA(c, CB_SETEDITSEL, 0, MAKELPARAM(1, 3)), TRUE);
    DWORD start = 0, end = 0;
    SendMessageA(c, CB_GETEDITSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);
    SendMessageA(c, CB_LIMITTEXT, 4, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 4);
    Rec.Clear();
    SetFocus(Parent);
    PumpAll();
    EXPECT_EQ(Codes(c), (std::vector<WORD>{CBN_KILLFOCUS}));

    // Upper case: typed text and the items added.
    HWND upper = Combo(CBS_DROPDOWN | CBS_UPPERCASE, 200, 10);
    SendMessageA(upper, CB_ADDSTRING, 0, LPARAM("mixed"));
    char buffer[16] = {};
    SendMessageA(upper, CB_GETLBTEXT, 5, LPARAM(buffer));
    EXPECT_STREQ(buffer, "MIXED");
}

// The list's messages under the combo's names, and WM_SETTEXT on a drop-down list.
TEST_F(WinComboBoxTest, ListMessages) {
    HWND c = Combo(CBS_DROPDOWNLIST | CBS_SORT);
    SendMessageA(c, CB_ADDSTRING, 0, LPARAM("Bat"));
    struct Case {
        const char* Name;
        UINT Message;
        WPARAM W;
        LPARAM L;
        LRESULT Result;
    };
    const std::vector<Case> cases = {
        {"count", CB_GETCOUNT, 0, 0, 6},
        {"find", CB_FINDSTRING, WPARAM(-1), LPARAM("b"), 1},
        {"find after", CB_FINDSTRING, 1, LPARAM("b"), 2},
        {"exact", CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("charlie"), 3},
        {"length", CB_GETLBTEXTLEN, 3, 0, 7},
        {"select", CB_SELECTSTRING, WPARAM(-1), LPARAM("del"), 4},
        {"data", CB_SETITEMDATA, 4, 77, TRUE},
        {"get data", CB_GETITEMDATA, 4, 0, 77},
        {"set cursel", CB_SETCURSEL, 0, 0, 0},
        {"bad cursel", CB_SETCURSEL, 9, 0, CB_ERR},
        {"settext names an item", WM_SETTEXT, 0, LPARAM("echo"), TRUE},
        {"settext names nothing", WM_SETTEXT, 0, LPARAM("zulu"), CB_ERR},
        {"delete", CB_DELETESTRING, 0, 0, 5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        EXPECT_EQ(SendMessageA(c, k.Message, k.W, k.L), k.Result);
    }
    EXPECT_EQ(Sel(c), 4); // "Echo", moved up by the deletion
    EXPECT_EQ(Text(c), "Echo");
    EXPECT_TRUE(Codes(c).empty()); // messages never notify
    SendMessageA(c, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(Sel(c), CB_ERR);
    EXPECT_EQ(Text(c), "");
}

// An owner-drawn drop-down list measures its field as item -1 and draws it with ODS_COMBOBOXEDIT;
// the list's items come to the parent as the combo's.
TEST_F(WinComboBoxTest, OwnerDrawnField) {
    std::vector<MEASUREITEMSTRUCT> measured;
    std::vector<DRAWITEMSTRUCT> drawn;
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM lp, LRESULT& r) {
        if (h != Parent) return false;
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            mi->itemHeight = mi->itemID == UINT(-1) ? 20 : 18;
            measured.push_back(*mi);
            r = TRUE;
            return true;
        }
        if (m == WM_DRAWITEM) {
            drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            r = TRUE;
            return true;
        }
        return false;
    };
    HWND c = Make(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 10, 10, 150,
                  200, Parent, 0, "COMBOBOX", "", reinterpret_cast<HMENU>(std::intptr_t(9)));
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0].itemID, UINT(-1));
    EXPECT_EQ(measured[0].CtlType, ODT_COMBOBOX);
    EXPECT_EQ(measured[0].CtlID, 9u);
    EXPECT_EQ(measured[1].itemID, 0u);
    EXPECT_EQ(SendMessageA(c, CB_GETITEMHEIGHT, WPARAM(-1), 0), 20);
    EXPECT_EQ(SendMessageA(c, CB_GETITEMHEIGHT, 0, 0), 18);
    RECT client;
    GetClientRect(c, &client);
    EXPECT_EQ(client.bottom, 26);
    for (const char* t : {"One", "Two", "Three"})
        SendMessageA(c, CB_ADDSTRING, 0, LPARAM(t));
    SendMessageA(c, CB_SETCURSEL, 1, 0);
    SetFocus(c);
    UpdateWindow(Parent);
    PumpAll();
    ASSERT_FALSE(drawn.empty());
    const DRAWITEMSTRUCT& field = drawn.back();
    EXPECT_EQ(field.itemID, 1u);
    EXPECT_EQ(field.hwndItem, c);
    EXPECT_EQ(field.itemState, ODS_COMBOBOXEDIT | ODS_SELECTED | ODS_FOCUS);
    drawn.clear();
    SendMessageA(c, CB_SHOWDROPDOWN, TRUE, 0);
    UpdateWindow(Info(c).hwndList);
    PumpAll();
    ASSERT_GE(drawn.size(), 3u);
    int items = 0;
    for (const DRAWITEMSTRUCT& d : drawn)
        if (!(d.itemState & ODS_COMBOBOXEDIT)) {
            ++items;
            EXPECT_EQ(d.CtlType, ODT_COMBOBOX);
            EXPECT_EQ(d.hwndItem, c);
            EXPECT_EQ((d.itemState & ODS_SELECTED) != 0, d.itemID == 1);
        }
    EXPECT_EQ(items, 3);
    SendMessageA(c, CB_SHOWDROPDOWN, FALSE, 0);
}

// A simple combo: the list is always there; arrows and clicks in it fill the edit.
TEST_F(WinComboBoxTest, SimpleComboFollowsItsList) {
    HWND c = Combo(CBS_SIMPLE);
    HWND list = Info(c).hwndList;
    SetFocus(c);
    PumpAll();
    Rec.Clear();
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Text(c), "Bravo");
    RECT r;
    SendMessageA(list, LB_GETITEMRECT, 3, LPARAM(&r));
    POINT p = Screen(list, 10, r.top + 2);
    ClickAt(p);
    EXPECT_EQ(Text(c), "Delta");
    EXPECT_EQ(GetCapture(), nullptr);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Codes(c),
              (std::vector<WORD>{CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE, CBN_DBLCLK}));
    // Typing highlights the item the text begins with.
    SetWindowTextA(c, "");
    WinInputText(U"ec");
    PumpAll();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 4);
}

// A parent that destroys the combo from a notice of closing does not bring anything down.
TEST_F(WinComboBoxTest, SurvivesAParentThatDestroysItFromANotice) {
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP, CBN_DROPDOWN}) {
        SCOPED_TRACE(code);
        HWND c = Combo(CBS_DROPDOWNLIST);
        HWND list = Info(c).hwndList;
        SetFocus(c);
        PumpAll();
        Rec.Handler = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
            if (m == WM_COMMAND && HIWORD(w) == code && IsWindow(c)) DestroyWindow(c);
            return false;
        };
        Key(VK_F4);
        Key(VK_DOWN);
        Key(VK_RETURN);
        EXPECT_FALSE(IsWindow(c));
        EXPECT_FALSE(IsWindow(list));
        EXPECT_EQ(GetCapture(), nullptr);
        Rec.Handler = nullptr;
    }
}

// Combo boxes of every kind, one dropped, saved for a person to look at.
TEST_F(WinComboBoxTest, SheetOfComboBoxes) {
    DestroyWindow(Parent);
    Parent = Make(WS_POPUP | WS_VISIBLE, 0, 0, 420, 200);
    Rec.Handler = [this](HWND h, UINT m, WPARAM w, LPARAM, LRESULT& r) {
        if (m == WM_ERASEBKGND && h == Parent) {
            RECT all{0, 0, 420, 200};
            FillRect(HDC(w), &all, GetSysColorBrush(COLOR_3DFACE));
            r = 1;
            return true;
        }
        return false;
    };
    auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto add = [&](DWORD style, int x, int y, int w, int h) {
        HWND c = Combo(style, x, y, w, h);
        SendMessageA(c, WM_SETFONT, WPARAM(font), TRUE);
        return c;
    };
    HWND drop = add(CBS_DROPDOWN, 10, 10, 120, 200);
    SendMessageA(drop, CB_SETCURSEL, 2, 0);
    HWND list = add(CBS_DROPDOWNLIST, 140, 10, 120, 200);
    SendMessageA(list, CB_SETCURSEL, 1, 0);
    HWND off = add(CBS_DROPDOWNLIST | WS_DISABLED, 140, 50, 120, 200);
    SendMessageA(off, CB_SETCURSEL, 0, 0);
    HWND simple = add(CBS_SIMPLE, 280, 10, 120, 120);
    SendMessageA(simple, CB_SETCURSEL, 3, 0);
    SetFocus(list);
    SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
    UpdateWindow(Parent);
    HWND popup = Info(list).hwndList;
    UpdateWindow(popup);
    PumpAll();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Parent, s));
    std::vector<std::uint32_t> pixels(size_t(s.Width * s.Height));
    for (int y = 0; y < s.Height; ++y)
        std::copy_n(s.Row(y), s.Width, pixels.begin() + size_t(y * s.Width));
    // The dropped list is a window of its own: put its image where it is on the screen.
    GdiSurface ps;
    RECT pr;
    GetWindowRect(popup, &pr);
    ASSERT_TRUE(WinGetSurface(popup, ps));
    for (int y = 0; y < ps.Height; ++y)
        for (int x = 0; x < ps.Width; ++x)
            if (pr.left + x < s.Width && pr.top + y < s.Height)
                pixels[size_t((pr.top + y) * s.Width + pr.left + x)] = ps.Row(y)[x];
    std::string path = testsupport::ArtifactPath("WinComboBoxTest_Sheet.png");
    testsupport::WritePng(path, s.Width, s.Height, pixels);
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
    SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
}

} // namespace
