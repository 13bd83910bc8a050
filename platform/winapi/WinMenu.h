// Menus: menu objects (HMENU) with their items, the menu bar of a top-level window, pop-up menus
// (TrackPopupMenu) and the modal menu loop that runs them with the keyboard and the mouse.
//
// A menu is a list of items; an item is a string (with "&" marking its mnemonic and an optional
// "\t" before the shortcut text, drawn right-aligned), a separator, a bitmap or an owner-drawn
// item, and may open a submenu. Destroying a menu destroys its submenus; a menu set on a window
// (SetMenu, or CreateWindowEx's menu argument) goes with the window.
//
// While a menu is open the owner window hears, in this order: WM_ENTERMENULOOP, WM_INITMENU (the
// bar or the pop-up menu), WM_INITMENUPOPUP before each pop-up opens, WM_MENUSELECT as the
// selection moves (and with 0xFFFF / null when the menu closes), WM_MENUCHAR for a key that is no
// item's mnemonic, WM_ENTERIDLE while the loop waits, WM_UNINITMENUPOPUP as each pop-up closes,
// WM_EXITMENULOOP, and then a posted WM_COMMAND for the chosen item. Owner-drawn items are measured
// (WM_MEASUREITEM, once before they are first shown) and drawn (WM_DRAWITEM) by the owner.
//
// Pop-up menus are top-level windows of the class "#32768" that never take the activation; they
// answer MN_GETHMENU with their menu.
#pragma once

#include "platform/winapi/SysMetrics.h" // the SPI_ settings the menus read
#include "platform/winapi/WinCore.h"

constexpr const char* WC_MENUA = "#32768";

// ---- Flags of AppendMenu, InsertMenu, ModifyMenu, CheckMenuItem, EnableMenuItem, GetMenuState --

constexpr UINT MF_INSERT = 0x00000000;
constexpr UINT MF_CHANGE = 0x00000080;
constexpr UINT MF_APPEND = 0x00000100;
constexpr UINT MF_DELETE = 0x00000200;
constexpr UINT MF_REMOVE = 0x00001000;
constexpr UINT MF_BYCOMMAND = 0x00000000;
constexpr UINT MF_BYPOSITION = 0x00000400;
constexpr UINT MF_SEPARATOR = 0x00000800;
constexpr UINT MF_ENABLED = 0x00000000;
constexpr UINT MF_GRAYED = 0x00000001;
constexpr UINT MF_DISABLED = 0x00000002;
constexpr UINT MF_UNCHECKED = 0x00000000;
constexpr UINT MF_CHECKED = 0x00000008;
constexpr UINT MF_USECHECKBITMAPS = 0x00000200;
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_BITMAP = 0x00000004;
constexpr UINT MF_OWNERDRAW = 0x00000100;
constexpr UINT MF_POPUP = 0x00000010;
constexpr UINT MF_MENUBARBREAK = 0x00000020;
constexpr UINT MF_MENUBREAK = 0x00000040;
constexpr UINT MF_UNHILITE = 0x00000000;
constexpr UINT MF_HILITE = 0x00000080;
constexpr UINT MF_DEFAULT = 0x00001000;
constexpr UINT MF_SYSMENU = 0x00002000;
constexpr UINT MF_HELP = 0x00004000;
constexpr UINT MF_RIGHTJUSTIFY = 0x00004000;
constexpr UINT MF_MOUSESELECT = 0x00008000;

// ---- MENUITEMINFOA -------------------------------------------------------------------------------

constexpr UINT MIIM_STATE = 0x00000001;
constexpr UINT MIIM_ID = 0x00000002;
constexpr UINT MIIM_SUBMENU = 0x00000004;
constexpr UINT MIIM_CHECKMARKS = 0x00000008;
constexpr UINT MIIM_TYPE = 0x00000010; // fType and the string or bitmap in dwTypeData
constexpr UINT MIIM_DATA = 0x00000020;
constexpr UINT MIIM_STRING = 0x00000040;
constexpr UINT MIIM_BITMAP = 0x00000080;
constexpr UINT MIIM_FTYPE = 0x00000100;

constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x00000200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x00002000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;

constexpr UINT MFS_GRAYED = 0x00000003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

struct MENUITEMINFOA {
    UINT cbSize = sizeof(MENUITEMINFOA);
    UINT fMask = 0;
    UINT fType = 0;
    UINT fState = 0;
    UINT wID = 0;
    HMENU hSubMenu = nullptr;
    HBITMAP hbmpChecked = nullptr;
    HBITMAP hbmpUnchecked = nullptr;
    ULONG_PTR dwItemData = 0;
    LPSTR dwTypeData = nullptr; // the text (or, for MFT_BITMAP, the bitmap handle)
    UINT cch = 0;               // GetMenuItemInfoA: the buffer's size in, the text's length out
    HBITMAP hbmpItem = nullptr;
};
using LPMENUITEMINFOA = MENUITEMINFOA*;
using LPCMENUITEMINFOA = const MENUITEMINFOA*;
using MENUITEMINFO = MENUITEMINFOA;

// ---- TrackPopupMenu ------------------------------------------------------------------------------

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_RECURSE = 0x0001;
constexpr UINT TPM_HORPOSANIMATION = 0x0400;
constexpr UINT TPM_HORNEGANIMATION = 0x0800;
constexpr UINT TPM_VERPOSANIMATION = 0x1000;
constexpr UINT TPM_VERNEGANIMATION = 0x2000;
constexpr UINT TPM_NOANIMATION = 0x4000;

// rcExclude (screen coordinates) is a rectangle the menu should not cover: with TPM_VERTICAL the
// menu goes above or below it, otherwise beside it.
struct TPMPARAMS {
    UINT cbSize = sizeof(TPMPARAMS);
    RECT rcExclude{};
};
using LPTPMPARAMS = TPMPARAMS*;

// The high word of WM_MENUCHAR's answer (the low word is an item position for the last two).
constexpr WORD MNC_IGNORE = 0;
constexpr WORD MNC_CLOSE = 1;
constexpr WORD MNC_EXECUTE = 2;
constexpr WORD MNC_SELECT = 3;

// A pop-up menu window answers its HMENU.
constexpr UINT MN_GETHMENU = 0x01E1;

// ---- Menu objects --------------------------------------------------------------------------------

HMENU CreateMenu();      // for a menu bar
HMENU CreatePopupMenu(); // for a pop-up menu or a submenu
// Frees the menu and, recursively, its submenus.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// item is a command (MF_BYCOMMAND, looked for in submenus too) or a position (MF_BYPOSITION).
// newItem is the command, or the submenu with MF_POPUP; text is the string, the HBITMAP with
// MF_BITMAP, or the item data with MF_OWNERDRAW.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text);
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text);
// RemoveMenu keeps the item's submenu alive; DeleteMenu destroys it.
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// byPosition says whether item is a position (TRUE) or a command (FALSE). Positions past the end
// append.
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info);

int GetMenuItemCount(HMENU menu); // -1 for an invalid menu
// The command of the item at a position; -1 (as UINT) for a submenu or no such item.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// MF_* flags of the item; for a submenu the high byte holds its item count. -1 when missing.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Copies at most maxCount - 1 bytes and a terminating zero; returns the bytes copied (the text's
// length when buffer is null).
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags);
// Return the previous MF_CHECKED / MF_GRAYED|MF_DISABLED state, or -1 (as DWORD) when missing.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// Checks one item of first..last as a radio item (MFT_RADIOCHECK) and unchecks the others.
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
// item -1 (as UINT) removes the default item.
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
// The default item, or -1 (as UINT) without one.
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);
// Highlights or unhighlights an item of a window's menu bar (MF_HILITE / MF_UNHILITE).
BOOL HiliteMenuItem(HWND window, HMENU menu, UINT item, UINT hilite);
// The window's system menu (restore, move, size, minimize, maximize, close); revert TRUE puts
// back the standard one and returns null.
HMENU GetSystemMenu(HWND window, BOOL revert);
// The size of a check mark: the low word the width, the high word the height.
LONG GetMenuCheckMarkDimensions();

// ---- Menus of windows ----------------------------------------------------------------------------

// The window's menu bar (top-level windows only); the previous menu is not destroyed.
BOOL SetMenu(HWND window, HMENU menu);
HMENU GetMenu(HWND window);
// Lays the menu bar out again and repaints it after its items changed.
BOOL DrawMenuBar(HWND window);
// Where an item is on the screen: an item of the window's menu bar, or of a pop-up menu that is
// open. FALSE otherwise.
BOOL GetMenuItemRect(HWND window, HMENU menu, UINT item, RECT* rect);
// The position of the item under a screen point, or -1.
int MenuItemFromPoint(HWND window, HMENU menu, POINT screen);

// ---- Pop-up menus and the menu loop --------------------------------------------------------------

// Shows the menu at a screen point, aligned by the TPM_* flags and kept on the monitor's work area,
// and runs the menu loop until an item is chosen or the menu is closed. With TPM_RETURNCMD the
// chosen command is returned (0 when none) instead of being posted as WM_COMMAND; TPM_NONOTIFY
// keeps the notifications from the owner. reserved and rect are not used.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
// Closes the menus of the innermost running menu loop.
BOOL EndMenu();

inline BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text) {
    return AppendMenuA(menu, flags, newItem, text);
}
inline BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text) {
    return InsertMenuA(menu, position, flags, newItem, text);
}
inline BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text) {
    return ModifyMenuA(menu, position, flags, newItem, text);
}
inline BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    return InsertMenuItemA(menu, item, byPosition, info);
}
inline BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    return SetMenuItemInfoA(menu, item, byPosition, info);
}
inline BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
    return GetMenuItemInfoA(menu, item, byPosition, info);
}
inline int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags) {
    return GetMenuStringA(menu, item, buffer, maxCount, flags);
}

// ---- For DefWindowProc ---------------------------------------------------------------------------

// A press on the window's menu bar (or its system-menu icon) at a screen point: runs the menu loop
// with that item open.
void WinMenuEnterFromBar(HWND window, POINT screenPoint);
// F10 or Alt alone (key 0) selects the first item of the menu bar; a character opens the item it
// is the mnemonic of; a space opens the system menu.
void WinMenuEnterFromKey(HWND window, UINT key);
// Whether the screen point is on the window's menu bar.
bool WinMenuBarHitTest(HWND window, POINT screen);
// The window is going: its menu (and its system menu) are destroyed with it.
void WinMenuWindowDestroyed(HWND window);
