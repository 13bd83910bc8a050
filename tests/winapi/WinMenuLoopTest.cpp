// The menu loop: the bar entered by Alt+letter, F10 and a click, moving with the arrows, Enter,
// Escape and mnemonics, separators skipped and disabled items refused, WM_MENUCHAR, submenus
// opening after the show delay, clicks outside, pop-up menus placed by every alignment and kept
// on the screen, TPM_RETURNCMD and TPM_NONOTIFY, owner-drawn items measured and drawn with their
// states, and pictures of an open bar and of a pop-up menu saved as PNG.
#include <gtest/gtest.h>

#include <deque>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMenu.h"
#include "platform/winapi/WinMonitor.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

bool IsMenuMessage(UINT m) {
    return m == WM_ENTERMENULOOP || m == WM_EXITMENULOOP || m == WM_INITMENU || m == WM_INITMENUPOPUP ||
           m == WM_UNINITMENUPOPUP || m == WM_MENUSELECT || m == WM_MENUCHAR || m == WM_COMMAND;
}

struct Note {
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    bool operator==(const Note&) const = default;
};

// Rectangles compared as {left, top, right, bottom}.
std::vector<LONG> Box(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

std::ostream& operator<<(std::ostream& os, const Note& n) {
    return os << "{0x" << std::hex << n.Message << ", 0x" << n.WParam << ", 0x" << n.LParam << std::dec
              << "}";
}

class WinMenuLoopTest : public WinTest {
protected:
    // The bar: File (Open 101 "Ctrl+O", separator, Disabled 102, Exit 103) and Edit (Undo 201,
    // More > (Deep 211)).
    void SetUp() override {
        WinTest::SetUp();
        WinSetTestMonitors({TWinMonitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}, true, {}}});
        More = CreatePopupMenu();
        AppendMenuA(More, MF_STRING, 211, "&Deep");
        File = CreatePopupMenu();
        AppendMenuA(File, MF_STRING, 101, "&Open\tCtrl+O");
        AppendMenuA(File, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(File, MF_STRING | MF_GRAYED, 102, "&Disabled");
        AppendMenuA(File, MF_STRING, 103, "E&xit");
        Edit = CreatePopupMenu();
        AppendMenuA(Edit, MF_STRING, 201, "&Undo");
        AppendMenuA(Edit, MF_POPUP, UINT_PTR(More), "&More");
        Bar = CreateMenu();
        AppendMenuA(Bar, MF_POPUP, UINT_PTR(File), "&File");
        AppendMenuA(Bar, MF_POPUP, UINT_PTR(Edit), "&Edit");
        Main = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr, 0, nullptr, "Main", Bar);
        SetActiveWindow(Main);
        SetFocus(Main);
        PumpAll();
        Rec.Clear();
        // Drives the loop from idle; the bar is entered by DefWindowProc's own handling of the
        // keys and of a press on the bar.
        Rec.Handler = [this](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
            if (h != Main) return false;
            switch (m) {
            case WM_ENTERIDLE:
                if (Steps.empty()) {
                    EndMenu();
                } else {
                    auto step = std::move(Steps.front());
                    Steps.pop_front();
                    step();
                }
                r = 0;
                return true;
            case WM_MENUCHAR:
                r = MenuCharAnswer;
                return true;
            case WM_COMMAND:
                if (OnCommand) OnCommand(LOWORD(w));
                return false;
            default:
                return false;
            }
        };
    }
    void TearDown() override {
        Rec.Handler = nullptr;
        WinTest::TearDown();
        WinSetTestMonitors({});
        if (IsMenu(Bar)) DestroyMenu(Bar);
    }

    std::vector<Note> Notes() const {
        std::vector<Note> out;
        for (const Seen& s : Rec.Log)
            if (s.Window == Main && IsMenuMessage(s.Message))
                out.push_back(Note{s.Message, s.WParam, s.LParam});
        return out;
    }
    std::vector<UINT> Commands() const {
        std::vector<UINT> out;
        for (const Seen& s : Rec.Log)
            if (s.Window == Main && s.Message == WM_COMMAND) out.push_back(LOWORD(s.WParam));
        return out;
    }

    static void Key(UINT vk) {
        WinInputKey(vk, false, true);
        WinInputKey(vk, false, false);
    }
    static void AltKey(UINT vk) {
        WinInputKey(VK_MENU, false, true);
        Key(vk);
        WinInputKey(VK_MENU, false, false);
    }
    static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    static RECT ItemRect(HWND w, HMENU menu, UINT index) {
        RECT r{};
        EXPECT_TRUE(GetMenuItemRect(w, menu, index, &r));
        return r;
    }
    static void Click(POINT p) {
        WinInputMouseMove(p);
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        WinInputMouseButton(p, TWinMouseButton::Left, false);
    }
    static RECT MenuWindowRect() {
        RECT r{};
        HWND popup = FindWindowA(WC_MENUA, nullptr);
        EXPECT_NE(popup, nullptr);
        if (popup) GetWindowRect(popup, &r);
        return r;
    }

    static WPARAM Select(UINT id, UINT flags) { return MAKEWPARAM(WORD(id), WORD(flags)); }

    HWND Main = nullptr;
    HMENU Bar = nullptr, File = nullptr, Edit = nullptr, More = nullptr;
    std::deque<std::function<void()>> Steps;
    LRESULT MenuCharAnswer = 0;
    std::function<void(UINT)> OnCommand;
};

// Alt+F opens File with its first item; Down skips the separator and stops on the disabled item,
// where Enter does nothing; Down again and Enter run Exit.
TEST_F(WinMenuLoopTest, AltLetterArrowsAndEnterRunAnItem) {
    AltKey('F');
    Key(VK_DOWN);
    Key(VK_RETURN);
    Key(VK_DOWN);
    Key(VK_RETURN);
    PumpAll();
    const LPARAM bar = LPARAM(Bar), file = LPARAM(File);
    const std::vector<Note> expected = {
        {WM_ENTERMENULOOP, FALSE, 0},
        {WM_INITMENU, WPARAM(Bar), 0},
        {WM_MENUSELECT, Select(0, MF_POPUP | MF_HILITE), bar},
        {WM_INITMENUPOPUP, WPARAM(File), MAKELPARAM(0, 0)},
        {WM_MENUSELECT, Select(101, MF_HILITE), file},
        {WM_MENUSELECT, Select(102, MF_HILITE | MF_GRAYED), file},
        {WM_MENUSELECT, Select(103, MF_HILITE), file},
        {WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0},
        {WM_UNINITMENUPOPUP, WPARAM(File), 0},
        {WM_EXITMENULOOP, FALSE, 0},
        {WM_COMMAND, MAKEWPARAM(103, 0), 0},
    };
    EXPECT_EQ(Notes(), expected);
    EXPECT_EQ(FindWindowA(WC_MENUA, nullptr), nullptr);
    EXPECT_EQ(GetMenuState(Bar, 0, MF_BYPOSITION) & MF_HILITE, 0u);
}

// Escape closes File back to the bar, a second Escape leaves the loop without a command.
TEST_F(WinMenuLoopTest, EscapeGoesBackOneLevelThenLeaves) {
    AltKey('F');
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    PumpAll();
    const std::vector<Note> expected = {
        {WM_ENTERMENULOOP, FALSE, 0},
        {WM_INITMENU, WPARAM(Bar), 0},
        {WM_MENUSELECT, Select(0, MF_POPUP | MF_HILITE), LPARAM(Bar)},
        {WM_INITMENUPOPUP, WPARAM(File), MAKELPARAM(0, 0)},
        {WM_MENUSELECT, Select(101, MF_HILITE), LPARAM(File)},
        {WM_UNINITMENUPOPUP, WPARAM(File), 0},
        {WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0},
        {WM_EXITMENULOOP, FALSE, 0},
    };
    EXPECT_EQ(Notes(), expected);
}

// Keyboard journeys through the bar and its pop-ups, and the command each one ends with.
TEST_F(WinMenuLoopTest, KeyboardJourneys) {
    struct Case {
        const char* Name;
        std::function<void()> Keys;
        LRESULT MenuChar;
        std::vector<UINT> Commands;
    };
    const std::vector<Case> cases = {
        {"Alt+E, Down to More, Right opens it, Enter",
         [] {
             AltKey('E');
             Key(VK_DOWN);
             Key(VK_RIGHT);
             Key(VK_RETURN);
         },
         0,
         {211}},
        {"F10 selects File, Right moves to Edit, Down opens it, Enter",
         [] {
             Key(VK_F10);
             Key(VK_RIGHT);
             Key(VK_DOWN);
             Key(VK_RETURN);
         },
         0,
         {201}},
        {"Alt alone, Enter opens File, End, Enter",
         [] {
             Key(VK_MENU);
             Key(VK_RETURN);
             Key(VK_END);
             Key(VK_RETURN);
         },
         0,
         {103}},
        {"Alt+F, Right to Edit, Left back to File, mnemonic x",
         [] {
             AltKey('F');
             Key(VK_RIGHT);
             Key(VK_LEFT);
             Key('X');
         },
         0,
         {103}},
        {"Alt+F, Up wraps to Exit, Home back to Open, Enter",
         [] {
             AltKey('F');
             Key(VK_UP);
             Key(VK_HOME);
             Key(VK_RETURN);
         },
         0,
         {101}},
        {"the disabled item's mnemonic selects it but does not run",
         [] {
             AltKey('F');
             Key('D');
             Key(VK_ESCAPE);
             Key(VK_ESCAPE);
         },
         0,
         {}},
        {"an unknown key asks the owner, who executes item 3",
         [] {
             AltKey('F');
             Key('Q');
         },
         MAKELRESULT(3, MNC_EXECUTE),
         {103}},
        {"an unknown key asks the owner, who closes",
         [] {
             AltKey('F');
             Key('Q');
         },
         MAKELRESULT(0, MNC_CLOSE),
         {}},
        {"Alt+F then Alt leaves",
         [] {
             AltKey('F');
             Key(VK_MENU);
         },
         0,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rec.Clear();
        MenuCharAnswer = c.MenuChar;
        c.Keys();
        PumpAll();
        EXPECT_EQ(Commands(), c.Commands);
        EXPECT_EQ(Rec.Count(WM_ENTERMENULOOP, Main), 1);
        EXPECT_EQ(Rec.Count(WM_EXITMENULOOP, Main), 1);
        EXPECT_EQ(Rec.Count(WM_INITMENUPOPUP, Main), Rec.Count(WM_UNINITMENUPOPUP, Main));
        EXPECT_EQ(Rec.Count(WM_MENUCHAR, Main), c.MenuChar ? 1 : 0);
        EXPECT_EQ(FindWindowA(WC_MENUA, nullptr), nullptr);
    }
}

// A press on the bar opens File; the pointer goes down to Exit and clicks it.
TEST_F(WinMenuLoopTest, ClickOnTheBarThenOnAnItem) {
    RECT fileItem = ItemRect(Main, Bar, 0);
    Steps.push_back([&] {
        EXPECT_NE(FindWindowA(WC_MENUA, nullptr), nullptr);
        Click(Centre(ItemRect(Main, File, 3)));
    });
    WinInputMouseMove(Centre(fileItem));
    WinInputMouseButton(Centre(fileItem), TWinMouseButton::Left, true);
    WinInputMouseButton(Centre(fileItem), TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Commands(), (std::vector<UINT>{103}));
    const Seen* exitSelected = nullptr;
    for (const Seen& s : Rec.Log)
        if (s.Message == WM_MENUSELECT && LOWORD(s.WParam) == 103) exitSelected = &s;
    ASSERT_NE(exitSelected, nullptr);
    EXPECT_TRUE(HIWORD(exitSelected->WParam) & MF_MOUSESELECT);
    // A click on the separator or the disabled item runs nothing.
    Rec.Clear();
    Steps.push_back([&] { Click(Centre(ItemRect(Main, File, 1))); });
    Steps.push_back([&] { Click(Centre(ItemRect(Main, File, 2))); });
    WinInputMouseButton(Centre(fileItem), TWinMouseButton::Left, true);
    WinInputMouseButton(Centre(fileItem), TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(Rec.Count(WM_EXITMENULOOP, Main), 1);
}

// Resting on More opens its submenu only once the show delay has passed on the clock.
TEST_F(WinMenuLoopTest, HoverOpensASubmenuAfterTheShowDelay) {
    Steps.push_back([&] { WinInputMouseMove(Centre(ItemRect(Main, Edit, 1))); });
    Steps.push_back([&] {
        RECT r{};
        EXPECT_FALSE(GetMenuItemRect(Main, More, 0, &r));
        ClockAdvanceMs(400);
    });
    Steps.push_back([&] { Click(Centre(ItemRect(Main, More, 0))); });
    AltKey('E');
    PumpAll();
    EXPECT_EQ(Commands(), (std::vector<UINT>{211}));
    const Seen* init = nullptr;
    for (const Seen& s : Rec.Log)
        if (s.Message == WM_INITMENUPOPUP && HMENU(s.WParam) == More) init = &s;
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(init->LParam, MAKELPARAM(1, 0));
}

// A click in another window closes the pop-up and still reaches that window.
TEST_F(WinMenuLoopTest, AClickOutsideClosesAndIsNotEaten) {
    HWND other = Make(WS_POPUP | WS_VISIBLE, 700, 500, 100, 100);
    Rec.Clear();
    Steps.push_back([&] { Click(POINT{750, 550}); });
    BOOL result = TrackPopupMenuEx(File, TPM_RETURNCMD, 200, 200, Main, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FindWindowA(WC_MENUA, nullptr), nullptr);
    EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN, other), 0);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN, other), 1);
    EXPECT_EQ(Rec.Count(WM_LBUTTONUP, other), 1);
}

// A pop-up menu at a point with each alignment, and moved or flipped where it would leave the screen.
TEST_F(WinMenuLoopTest, PopupPlacement) {
    RECT first{};
    Steps.push_back([&] {
        first = MenuWindowRect();
        EndMenu();
    });
    TrackPopupMenuEx(File, TPM_RETURNCMD, 500, 400, Main, nullptr);
    const int w = first.right - first.left, h = first.bottom - first.top;
    ASSERT_GT(w, 40);
    ASSERT_GT(h, 40);
    EXPECT_EQ(Box(first), Box(RECT{500, 400, 500 + w, 400 + h}));

    struct Case {
        const char* Name;
        UINT Flags;
        POINT At;
        RECT Expected;
        const RECT* Exclude;
    };
    static const RECT exclude{450, 380, 700, 420};
    const std::vector<Case> cases = {
        {"centre", TPM_CENTERALIGN, {500, 400}, {500 - w / 2, 400, 500 - w / 2 + w, 400 + h}, nullptr},
        {"right", TPM_RIGHTALIGN, {500, 400}, {500 - w, 400, 500, 400 + h}, nullptr},
        {"vcentre", TPM_VCENTERALIGN, {500, 400}, {500, 400 - h / 2, 500 + w, 400 - h / 2 + h}, nullptr},
        {"bottom", TPM_BOTTOMALIGN, {500, 400}, {500, 400 - h, 500 + w, 400}, nullptr},
        {"right bottom", TPM_RIGHTALIGN | TPM_BOTTOMALIGN, {500, 400}, {500 - w, 400 - h, 500, 400}, nullptr},
        {"flipped at the bottom-right corner",
         TPM_LEFTALIGN,
         {1020, 760},
         {1020 - w, 760 - h, 1020, 760},
         nullptr},
        {"flipped at the top-left corner",
         TPM_RIGHTALIGN | TPM_BOTTOMALIGN,
         {5, 5},
         {5, 5, 5 + w, 5 + h},
         nullptr},
        {"centred at the left edge: beside the point",
         TPM_CENTERALIGN,
         {2, 300},
         {2, 300, 2 + w, 300 + h},
         nullptr},
        {"bottom-aligned at the top edge: below the point",
         TPM_BOTTOMALIGN,
         {500, 30},
         {500, 30, 500 + w, 30 + h},
         nullptr},
        {"below the excluded band", TPM_VERTICAL, {500, 390}, {500, 420, 500 + w, 420 + h}, &exclude},
        {"beside the excluded band", TPM_HORIZONTAL, {500, 390}, {700, 390, 700 + w, 390 + h}, &exclude},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        RECT got{};
        Steps.push_back([&] {
            got = MenuWindowRect();
            EndMenu();
        });
        TPMPARAMS params;
        if (c.Exclude) params.rcExclude = *c.Exclude;
        TrackPopupMenuEx(File, c.Flags | TPM_RETURNCMD, c.At.x, c.At.y, Main, c.Exclude ? &params : nullptr);
        EXPECT_EQ(Box(got), Box(c.Expected));
    }
    // The menu window is a top-level pop-up that answers its menu, with a drop shadow class.
    Steps.push_back([&] {
        HWND popup = FindWindowA(WC_MENUA, nullptr);
        EXPECT_EQ(HMENU(SendMessageA(popup, MN_GETHMENU, 0, 0)), File);
        EXPECT_TRUE(GetWindowLongA(popup, GWL_STYLE) & WS_POPUP);
        EXPECT_TRUE(GetClassLongA(popup, GCL_STYLE) & CS_DROPSHADOW);
        EXPECT_EQ(GetAncestor(popup, GA_ROOT), popup);
        EXPECT_EQ(WindowFromPoint(Centre(ItemRect(Main, File, 0))), popup);
        EndMenu();
    });
    TrackPopupMenuEx(File, TPM_RETURNCMD, 300, 300, Main, nullptr);
}

// TPM_RETURNCMD hands the command back instead of posting it; TPM_NONOTIFY keeps the owner out.
TEST_F(WinMenuLoopTest, ReturnCommandAndNoNotify) {
    struct Case {
        UINT Flags;
        BOOL Result;
        std::vector<UINT> Posted;
        bool Notified;
    };
    for (const Case& c : std::vector<Case>{{0, TRUE, {101}, true},
                                           {TPM_RETURNCMD, 101, {}, true},
                                           {TPM_RETURNCMD | TPM_NONOTIFY, 101, {}, false},
                                           {TPM_NONOTIFY, TRUE, {}, false}}) {
        SCOPED_TRACE(c.Flags);
        Rec.Clear();
        // Queued before the loop starts: without notifications there is no idle message to act on.
        Key(VK_DOWN);
        Key(VK_RETURN);
        EXPECT_EQ(TrackPopupMenuEx(File, c.Flags, 300, 300, Main, nullptr), c.Result);
        PumpAll();
        EXPECT_EQ(Commands(), c.Posted);
        EXPECT_EQ(Rec.Count(WM_ENTERMENULOOP, Main), c.Notified ? 1 : 0);
        EXPECT_EQ(Rec.Count(WM_INITMENUPOPUP, Main), c.Notified ? 1 : 0);
        if (c.Notified) {
            const Seen* enter = Rec.Find(WM_ENTERMENULOOP, Main);
            EXPECT_EQ(enter->WParam, WPARAM(TRUE));
            EXPECT_EQ(Rec.Find(WM_INITMENU, Main)->WParam, WPARAM(File));
        }
    }
    EXPECT_FALSE(TrackPopupMenuEx(reinterpret_cast<HMENU>(std::intptr_t(8)), 0, 0, 0, Main, nullptr));
}

// A command handler that opens another pop-up menu gets its answer.
TEST_F(WinMenuLoopTest, ACommandHandlerCanOpenAnotherMenu) {
    UINT nested = 0;
    OnCommand = [&](UINT id) {
        if (id != 101) return;
        Key(VK_DOWN);
        Key(VK_RETURN);
        nested = UINT(TrackPopupMenuEx(Edit, TPM_RETURNCMD, 320, 320, Main, nullptr));
    };
    Key(VK_DOWN);
    Key(VK_RETURN);
    TrackPopupMenuEx(File, 0, 300, 300, Main, nullptr);
    PumpAll();
    EXPECT_EQ(nested, 201u);
    EXPECT_EQ(Rec.Count(WM_EXITMENULOOP, Main), 2);
}

// Owner-drawn items are measured once and drawn by the owner, whole and on selection, with their state.
TEST_F(WinMenuLoopTest, OwnerDrawnItemsAreMeasuredAndDrawn) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_OWNERDRAW, 401, reinterpret_cast<LPCSTR>(std::uintptr_t(0x1111)));
    AppendMenuA(menu, MF_OWNERDRAW | MF_CHECKED, 402, reinterpret_cast<LPCSTR>(std::uintptr_t(0x2222)));
    AppendMenuA(menu, MF_OWNERDRAW | MF_GRAYED, 403, reinterpret_cast<LPCSTR>(std::uintptr_t(0x3333)));
    SetMenuDefaultItem(menu, 401, FALSE);
    std::vector<MEASUREITEMSTRUCT> measured;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::vector<HWND> drawnOn;
    auto handler = Rec.Handler;
    Rec.Handler = [&](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
        if (m == WM_MEASUREITEM) {
            auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
            measured.push_back(*mis);
            mis->itemWidth = 150;
            mis->itemHeight = 30;
            r = TRUE;
            return true;
        }
        if (m == WM_DRAWITEM) {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
            drawn.push_back(*dis);
            drawnOn.push_back(WindowFromDC(dis->hDC));
            r = TRUE;
            return true;
        }
        return handler(h, m, w, l, r);
    };
    RECT popup{};
    Steps.push_back([&] {
        popup = MenuWindowRect();
        drawn.clear();
        drawnOn.clear();
        Key(VK_DOWN);
    });
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 100, 100, Main, nullptr);
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 100, 100, Main, nullptr);

    ASSERT_EQ(measured.size(), 3u); // once for each item, not again on the second showing
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(measured[i].CtlType, ODT_MENU);
        EXPECT_EQ(measured[i].itemID, 401 + i);
        EXPECT_EQ(measured[i].itemData, ULONG_PTR(0x1111 * (i + 1)));
    }
    EXPECT_GE(popup.right - popup.left, 150);
    EXPECT_EQ(popup.bottom - popup.top, 3 * 30 + 6);
    // The second showing: Down selects the first item (drawn for the selection).
    ASSERT_FALSE(drawn.empty());
    const DRAWITEMSTRUCT& select = drawn.front();
    EXPECT_EQ(select.itemAction, ODA_SELECT);
    EXPECT_EQ(select.itemID, 401u);
    EXPECT_EQ(select.itemState, UINT(ODS_SELECTED | ODS_DEFAULT));
    EXPECT_EQ(select.hwndItem, reinterpret_cast<HWND>(menu));
    EXPECT_NE(drawnOn.front(), nullptr);
    EXPECT_NE(drawnOn.front(), Main);
    EXPECT_EQ(select.rcItem.bottom - select.rcItem.top, 30);

    // Whole drawing of every item with its state, on the menu's own window.
    drawn.clear();
    drawnOn.clear();
    HWND menuWindow = nullptr;
    Steps.push_back([&] {
        menuWindow = FindWindowA(WC_MENUA, nullptr);
        EndMenu();
    });
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 100, 100, Main, nullptr);
    ASSERT_EQ(drawn.size(), 3u);
    const std::vector<UINT> states = {ODS_DEFAULT, ODS_CHECKED, ODS_GRAYED};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drawn[i].itemAction, ODA_DRAWENTIRE);
        EXPECT_EQ(drawn[i].itemState, states[i]);
        EXPECT_EQ(drawn[i].itemData, ULONG_PTR(0x1111 * (i + 1)));
        EXPECT_EQ(drawnOn[i], menuWindow);
    }
    DestroyMenu(menu);
}

void SavePng(HWND window, const char* name) {
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(window, s));
    std::string path = testsupport::ArtifactPath(name);
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
}

COLORREF PixelAt(HWND window, POINT screen) {
    GdiSurface s;
    RECT r{};
    GetWindowRect(window, &r);
    if (!WinGetSurface(window, s)) return CLR_INVALID;
    return GdiPixelToColor(s.Row(screen.y - r.top)[screen.x - r.left] & 0xFFFFFF);
}

// The bar with File open, and a pop-up with every kind of item, saved for a person to look at.
TEST_F(WinMenuLoopTest, PicturesOfAnOpenBarAndAPopup) {
    Steps.push_back([&] {
        HWND popup = FindWindowA(WC_MENUA, nullptr);
        ASSERT_NE(popup, nullptr);
        UpdateWindow(Main);
        SavePng(Main, "WinMenuLoopTest_BarOpen.png");
        SavePng(popup, "WinMenuLoopTest_BarOpenPopup.png");
        // The open bar item is pushed in (its top-left in the shadow colour); the selected item is
        // on the highlight colour.
        RECT fileItem = ItemRect(Main, Bar, 0);
        EXPECT_EQ(PixelAt(Main, POINT{fileItem.left, fileItem.top}), GetSysColor(COLOR_3DSHADOW));
        RECT open = ItemRect(Main, File, 0);
        EXPECT_EQ(PixelAt(popup, POINT{open.left + 2, open.top + 2}), GetSysColor(COLOR_HIGHLIGHT));
        RECT exitItem = ItemRect(Main, File, 3);
        EXPECT_EQ(PixelAt(popup, POINT{exitItem.left + 2, exitItem.top + 2}), GetSysColor(COLOR_MENU));
        EndMenu();
    });
    AltKey('F');
    PumpAll();

    HMENU sheet = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 1, "Inside");
    AppendMenuA(sheet, MF_STRING | MF_DEFAULT, 10, "&Default item\tEnter");
    AppendMenuA(sheet, MF_STRING | MF_CHECKED, 11, "&Checked\tCtrl+K");
    AppendMenuA(sheet, MF_STRING, 12, "&Radio one");
    AppendMenuA(sheet, MF_STRING, 13, "Radio &two");
    CheckMenuRadioItem(sheet, 12, 13, 13, MF_BYCOMMAND);
    AppendMenuA(sheet, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(sheet, MF_STRING | MF_GRAYED | MF_CHECKED, 14, "D&isabled\tDel");
    AppendMenuA(sheet, MF_POPUP, UINT_PTR(sub), "&Submenu");
    AppendMenuA(sheet, MF_STRING, 15, "&Plain");
    Steps.push_back([&] {
        Key(VK_DOWN);
        Key(VK_DOWN);
    });
    Steps.push_back([&] {
        HWND popup = FindWindowA(WC_MENUA, nullptr);
        ASSERT_NE(popup, nullptr);
        SavePng(popup, "WinMenuLoopTest_Popup.png");
        RECT r{};
        GetWindowRect(popup, &r);
        // The raised frame: light outside at the top-left, dark at the bottom-right.
        EXPECT_EQ(PixelAt(popup, POINT{r.left, r.top}), GetSysColor(COLOR_3DLIGHT));
        EXPECT_EQ(PixelAt(popup, POINT{r.right - 1, r.bottom - 1}), GetSysColor(COLOR_3DDKSHADOW));
        // The separator's etched line: shadow above highlight across its middle.
        RECT sep = ItemRect(Main, sheet, 4);
        int mid = (sep.top + sep.bottom) / 2;
        EXPECT_EQ(PixelAt(popup, POINT{sep.left + 20, mid - 1}), GetSysColor(COLOR_3DSHADOW));
        EXPECT_EQ(PixelAt(popup, POINT{sep.left + 20, mid}), GetSysColor(COLOR_3DHILIGHT));
        EndMenu();
    });
    TrackPopupMenuEx(sheet, TPM_RETURNCMD, 50, 50, Main, nullptr);
    DestroyMenu(sheet);
}

} // namespace
