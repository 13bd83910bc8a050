// Menu objects: building menus item by item, finding items by command through submenus and by
// position, their flags and states, MENUITEMINFOA in both directions, submenus freed with their
// menus and menus with their windows, the menu bar taking room above the client area, and the
// system menu.
#include <gtest/gtest.h>

#include "platform/winapi/WinMenu.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class WinMenuTest : public WinTest {
protected:
    // File: Open (101), a separator, Save (102, grayed), Recent > (One 111, Two 112), Exit (103).
    void SetUp() override {
        WinTest::SetUp();
        Recent = CreatePopupMenu();
        AppendMenuA(Recent, MF_STRING, 111, "&One");
        AppendMenuA(Recent, MF_STRING, 112, "&Two");
        File = CreatePopupMenu();
        AppendMenuA(File, MF_STRING, 101, "&Open\tCtrl+O");
        AppendMenuA(File, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(File, MF_STRING | MF_GRAYED, 102, "&Save");
        AppendMenuA(File, MF_POPUP, UINT_PTR(Recent), "&Recent");
        AppendMenuA(File, MF_STRING, 103, "E&xit");
        Bar = CreateMenu();
        AppendMenuA(Bar, MF_POPUP, UINT_PTR(File), "&File");
    }
    void TearDown() override {
        if (IsMenu(Bar)) DestroyMenu(Bar);
        WinTest::TearDown();
    }
    HMENU Bar = nullptr, File = nullptr, Recent = nullptr;
};

TEST_F(WinMenuTest, ItemsAreFoundByPositionAndByCommandThroughSubmenus) {
    EXPECT_EQ(GetMenuItemCount(File), 5);
    EXPECT_EQ(GetMenuItemID(File, 0), 101u);
    EXPECT_EQ(GetMenuItemID(File, 3), UINT(-1)); // a submenu
    EXPECT_EQ(GetMenuItemID(File, 9), UINT(-1));
    EXPECT_EQ(GetSubMenu(File, 3), Recent);
    EXPECT_EQ(GetSubMenu(Bar, 0), File);
    EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(std::intptr_t(12345))), -1);

    struct Case {
        UINT Item;
        UINT By;
        UINT State;
        const char* Text;
    };
    const std::vector<Case> cases = {
        {101, MF_BYCOMMAND, 0, "&Open\tCtrl+O"}, {1, MF_BYPOSITION, MF_SEPARATOR, ""},
        {102, MF_BYCOMMAND, MF_GRAYED, "&Save"}, {3, MF_BYPOSITION, MF_POPUP | (2u << 8), "&Recent"},
        {112, MF_BYCOMMAND, 0, "&Two"}, // in the submenu, found from the bar
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        HMENU from = c.By == MF_BYCOMMAND ? Bar : File;
        EXPECT_EQ(GetMenuState(from, c.Item, c.By), c.State);
        char buffer[64] = "junk";
        EXPECT_EQ(GetMenuStringA(from, c.Item, buffer, int(sizeof(buffer)), c.By), int(std::strlen(c.Text)));
        EXPECT_STREQ(buffer, c.Text);
    }
    char small[4];
    EXPECT_EQ(GetMenuStringA(File, 101, small, 4, MF_BYCOMMAND), 3);
    EXPECT_STREQ(small, "&Op");
    EXPECT_EQ(GetMenuStringA(File, 101, nullptr, 0, MF_BYCOMMAND), 12);
    EXPECT_EQ(GetMenuState(File, 999, MF_BYCOMMAND), UINT(-1));
}

TEST_F(WinMenuTest, InsertModifyRemoveAndDelete) {
    ASSERT_TRUE(InsertMenuA(File, 0, MF_BYPOSITION | MF_STRING, 100, "&New"));
    ASSERT_TRUE(InsertMenuA(File, 103, MF_BYCOMMAND | MF_STRING | MF_CHECKED, 104, "&Print"));
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(File); ++i)
        ids.push_back(GetMenuItemID(File, i));
    EXPECT_EQ(ids, (std::vector<UINT>{100, 101, 0, 102, UINT(-1), 104, 103}));
    EXPECT_EQ(GetMenuState(File, 104, MF_BYCOMMAND), UINT(MF_CHECKED));

    ASSERT_TRUE(ModifyMenuA(File, 100, MF_BYCOMMAND | MF_STRING | MF_GRAYED, 105, "N&ew window"));
    EXPECT_EQ(GetMenuItemID(File, 0), 105u);
    EXPECT_EQ(GetMenuState(File, 105, MF_BYCOMMAND), UINT(MF_GRAYED));

    // RemoveMenu leaves the submenu alive; DeleteMenu destroys it.
    ASSERT_TRUE(RemoveMenu(File, 4, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(Recent));
    ASSERT_TRUE(InsertMenuA(File, 4, MF_BYPOSITION | MF_POPUP, UINT_PTR(Recent), "&Recent"));
    ASSERT_TRUE(DeleteMenu(File, 4, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(Recent));
    EXPECT_FALSE(DeleteMenu(File, 999, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(File), 6);
}

TEST_F(WinMenuTest, DestroyingAMenuFreesItsSubmenus) {
    ASSERT_TRUE(DestroyMenu(Bar));
    EXPECT_FALSE(IsMenu(Bar));
    EXPECT_FALSE(IsMenu(File));
    EXPECT_FALSE(IsMenu(Recent));
    EXPECT_FALSE(DestroyMenu(Bar));
    // Handles are not given out again.
    HMENU fresh = CreatePopupMenu();
    EXPECT_NE(fresh, Bar);
    EXPECT_NE(fresh, File);
    DestroyMenu(fresh);
}

TEST_F(WinMenuTest, ItemInfoRoundTrips) {
    HMENU sub = CreatePopupMenu();
    MENUITEMINFOA in;
    in.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
    in.fType = MFT_RADIOCHECK | MFT_RIGHTJUSTIFY;
    in.fState = MFS_CHECKED | MFS_DEFAULT;
    in.wID = 300;
    in.hSubMenu = sub;
    in.dwItemData = 0xABCDEF;
    char text[] = "&Options\tF9";
    in.dwTypeData = text;
    ASSERT_TRUE(InsertMenuItemA(File, 1, TRUE, &in));

    MENUITEMINFOA out;
    out.fMask = in.fMask;
    char buffer[32] = {};
    out.dwTypeData = buffer;
    out.cch = sizeof(buffer);
    ASSERT_TRUE(GetMenuItemInfoA(File, 1, TRUE, &out));
    EXPECT_EQ(out.fType, in.fType);
    EXPECT_EQ(out.fState, in.fState);
    EXPECT_EQ(out.wID, 300u);
    EXPECT_EQ(out.hSubMenu, sub);
    EXPECT_EQ(out.dwItemData, ULONG_PTR(0xABCDEF));
    EXPECT_STREQ(buffer, "&Options\tF9");
    EXPECT_EQ(out.cch, 11u);

    // Asking for the length first, then a buffer too small.
    out.dwTypeData = nullptr;
    out.cch = 0;
    ASSERT_TRUE(GetMenuItemInfoA(File, 1, TRUE, &out));
    EXPECT_EQ(out.cch, 11u);
    char tiny[4];
    out.dwTypeData = tiny;
    out.cch = sizeof(tiny);
    ASSERT_TRUE(GetMenuItemInfoA(File, 1, TRUE, &out));
    EXPECT_STREQ(tiny, "&Op");

    // Only what the mask names changes.
    MENUITEMINFOA change;
    change.fMask = MIIM_STATE | MIIM_TYPE;
    change.fState = MFS_GRAYED;
    change.fType = MFT_OWNERDRAW;
    ASSERT_TRUE(SetMenuItemInfoA(File, 1, TRUE, &change));
    MENUITEMINFOA after;
    after.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    ASSERT_TRUE(GetMenuItemInfoA(File, 1, TRUE, &after));
    EXPECT_EQ(after.fState, MFS_GRAYED);
    EXPECT_EQ(after.fType, MFT_OWNERDRAW);
    EXPECT_EQ(after.wID, 300u);
    EXPECT_EQ(after.dwItemData, ULONG_PTR(0xABCDEF));

    MENUITEMINFOA bad;
    bad.cbSize = 3;
    EXPECT_FALSE(GetMenuItemInfoA(File, 1, TRUE, &bad));
    EXPECT_FALSE(SetMenuItemInfoA(File, 77, TRUE, &change));
}

TEST_F(WinMenuTest, ChecksEnablingRadioGroupsAndTheDefaultItem) {
    EXPECT_EQ(CheckMenuItem(Bar, 101, MF_BYCOMMAND | MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(Bar, 101, MF_BYCOMMAND | MF_UNCHECKED), DWORD(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(Bar, 999, MF_BYCOMMAND), DWORD(-1));
    EXPECT_EQ(EnableMenuItem(File, 102, MF_BYCOMMAND | MF_ENABLED), BOOL(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(File, 0, MF_BYPOSITION | MF_DISABLED), BOOL(MF_ENABLED));
    EXPECT_EQ(GetMenuState(File, 0, MF_BYPOSITION), UINT(MF_DISABLED));

    ASSERT_TRUE(CheckMenuRadioItem(Recent, 111, 112, 112, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(Recent, 112, MF_BYCOMMAND), UINT(MF_CHECKED | MFT_RADIOCHECK));
    EXPECT_EQ(GetMenuState(Recent, 111, MF_BYCOMMAND), 0u);
    ASSERT_TRUE(CheckMenuRadioItem(Recent, 0, 1, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuState(Recent, 111, MF_BYCOMMAND), UINT(MF_CHECKED | MFT_RADIOCHECK));
    EXPECT_EQ(GetMenuState(Recent, 112, MF_BYCOMMAND), UINT(MFT_RADIOCHECK));
    EXPECT_FALSE(CheckMenuRadioItem(Recent, 0, 5, 0, MF_BYPOSITION));

    EXPECT_EQ(GetMenuDefaultItem(File, FALSE, 0), UINT(-1));
    ASSERT_TRUE(SetMenuDefaultItem(File, 103, FALSE));
    EXPECT_EQ(GetMenuDefaultItem(File, FALSE, 0), 103u);
    EXPECT_EQ(GetMenuDefaultItem(File, TRUE, 0), 4u);
    ASSERT_TRUE(SetMenuDefaultItem(File, 0, TRUE)); // the disabled one: only with GMDI_USEDISABLED
    EXPECT_EQ(GetMenuDefaultItem(File, FALSE, 0), UINT(-1));
    EXPECT_EQ(GetMenuDefaultItem(File, FALSE, 1), 101u);
    EXPECT_EQ(GetMenuState(File, 103, MF_BYCOMMAND), 0u);
    ASSERT_TRUE(SetMenuDefaultItem(File, UINT(-1), FALSE));
    EXPECT_EQ(GetMenuDefaultItem(File, FALSE, 1), UINT(-1));
}

TEST_F(WinMenuTest, AWindowsMenuBarTakesRoomAndGoesWithTheWindow) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200);
    RECT before{}, after{};
    GetClientRect(w, &before);
    ASSERT_TRUE(SetMenu(w, Bar));
    EXPECT_EQ(GetMenu(w), Bar);
    GetClientRect(w, &after);
    EXPECT_EQ(before.bottom - after.bottom, GetSystemMetrics(SM_CYMENU));
    // The bar's item is on the screen just above the client area.
    RECT item{};
    ASSERT_TRUE(GetMenuItemRect(w, Bar, 0, &item));
    POINT client{0, 0};
    ClientToScreen(w, &client);
    EXPECT_LE(item.bottom, client.y);
    EXPECT_GE(item.top, client.y - GetSystemMetrics(SM_CYMENU));
    POINT mid{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    EXPECT_EQ(MenuItemFromPoint(w, Bar, mid), 0);
    EXPECT_TRUE(WinMenuBarHitTest(w, mid));
    EXPECT_FALSE(WinMenuBarHitTest(w, POINT{client.x + 5, client.y + 5}));
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, PointToLParam(mid)), HTMENU);

    // Child windows have no menu bar.
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w);
    EXPECT_FALSE(SetMenu(child, Bar));

    // The window takes its menu with it.
    WinMenuWindowDestroyed(w);
    EXPECT_FALSE(IsMenu(Bar));
    EXPECT_FALSE(IsMenu(Recent));

    // A menu given at creation is the window's too.
    HMENU other = CreateMenu();
    AppendMenuA(other, MF_STRING, 1, "&Go");
    HWND made = Make(WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, 0, nullptr, "", other);
    EXPECT_EQ(GetMenu(made), other);
    DestroyWindow(made);
    WinMenuWindowDestroyed(made);
    EXPECT_FALSE(IsMenu(other));
}

TEST_F(WinMenuTest, SystemMenuFollowsTheWindowsStyle) {
    HWND w = Make(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 200, 100);
    HMENU sys = GetSystemMenu(w, FALSE);
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(GetSystemMenu(w, FALSE), sys);
    struct Case {
        UINT Command;
        UINT State;
    };
    for (const Case& c : std::vector<Case>{{SC_RESTORE, MF_GRAYED},
                                           {SC_MOVE, 0},
                                           {SC_SIZE, MF_GRAYED},
                                           {SC_MINIMIZE, 0},
                                           {SC_MAXIMIZE, MF_GRAYED},
                                           {SC_CLOSE, MF_DEFAULT}}) {
        SCOPED_TRACE(c.Command);
        EXPECT_EQ(GetMenuState(sys, c.Command, MF_BYCOMMAND), c.State);
    }
    EXPECT_EQ(GetSystemMenu(w, TRUE), nullptr);
    EXPECT_FALSE(IsMenu(sys));
    HMENU again = GetSystemMenu(w, FALSE);
    WinMenuWindowDestroyed(w);
    EXPECT_FALSE(IsMenu(again));
    EXPECT_EQ(LOWORD(GetMenuCheckMarkDimensions()), GetSystemMetrics(SM_CXMENUCHECK));
}

} // namespace
