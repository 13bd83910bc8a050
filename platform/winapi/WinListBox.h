// The list box window class ("ListBox"): a column of items (texts, or items the parent draws)
// with single, multiple or extended selection, keyboard and mouse handling, type-ahead search,
// scrolling through the window's own scroll bars, and the classic look.
//
// The class is registered when the program starts, so CreateWindowExA finds it by name in every
// thread. Texts are UTF-8; LB_GETTEXT copies the bytes and a NUL. Comparisons of texts (sorting,
// LB_FINDSTRING, LB_FINDSTRINGEXACT, type-ahead) ignore case.
//
// Notifications reach the parent as WM_COMMAND with MAKEWPARAM(id, code) and the list box's handle
// in lParam: LBN_SETFOCUS and LBN_KILLFOCUS always; LBN_SELCHANGE, LBN_DBLCLK and LBN_SELCANCEL
// with LBS_NOTIFY. LBN_SELCHANGE follows a change the user makes (a key that changes the
// selection, and every click or drag, once when the button comes up); the LB_* messages that set
// the selection do not notify. Before painting the list asks the parent for WM_CTLCOLORLISTBOX.
// Owner-drawn lists send WM_MEASUREITEM (LBS_OWNERDRAWFIXED: once, when created; VARIABLE: for
// every item added), WM_DRAWITEM, WM_COMPAREITEM (sorted lists without texts) and WM_DELETEITEM
// (for every item leaving an owner-drawn list, and for items with data in any list).
#pragma once

#include "platform/winapi/WinCore.h"

constexpr const char* WC_LISTBOXA = "ListBox";

// ---- Styles ----------------------------------------------------------------------------------

constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOREDRAW = 0x0004;
// Every click or Space toggles an item.
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
// An owner-drawn list that keeps texts all the same.
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
// Without it a list of fixed-height items shrinks its window to whole items.
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
// Items run down in columns of LB_SETCOLUMNWIDTH and scroll sideways.
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
// Keys go to the parent first as WM_VKEYTOITEM (and WM_CHARTOITEM in a list without texts).
constexpr DWORD LBS_WANTKEYBOARDINPUT = 0x0400;
// Shift and Ctrl with the mouse and the keys extend and add to the selection.
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
constexpr DWORD LBS_DISABLENOSCROLL = 0x1000;
// Items without texts or data, as many as LB_SETCOUNT says (with LBS_OWNERDRAWFIXED).
constexpr DWORD LBS_NODATA = 0x2000;
constexpr DWORD LBS_NOSEL = 0x4000;
constexpr DWORD LBS_COMBOBOX = 0x8000;
constexpr DWORD LBS_STANDARD = LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER;

// ---- Results ---------------------------------------------------------------------------------

constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;

// ---- Messages (wParam, lParam -> result) --------------------------------------------------------

constexpr UINT LB_ADDSTRING = 0x0180;      // (0, text or data) -> index (sorted with LBS_SORT)
constexpr UINT LB_INSERTSTRING = 0x0181;   // (index or -1 for the end, text or data) -> index
constexpr UINT LB_DELETESTRING = 0x0182;   // (index) -> items left
constexpr UINT LB_SELITEMRANGEEX = 0x0183; // (first, last): selects; first > last deselects last..first
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;     // (select, index or -1 for all): multiple selection only
constexpr UINT LB_SETCURSEL = 0x0186;  // (index or -1): single selection only
constexpr UINT LB_GETSEL = 0x0187;     // (index) -> >0 selected, 0 not
constexpr UINT LB_GETCURSEL = 0x0188;  // the selected item (with multiple selection: the caret)
constexpr UINT LB_GETTEXT = 0x0189;    // (index, buffer) -> bytes copied without the NUL
constexpr UINT LB_GETTEXTLEN = 0x018A; // (index) -> bytes
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C; // (start, prefix) -> index found and selected
constexpr UINT LB_DIR = 0x018D;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F; // (start or -1, prefix) -> first match after start, wrapping
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191; // (room, int* indexes) -> indexes stored
constexpr UINT LB_SETTABSTOPS = 0x0192; // (count, const int* stops in dialog units / 4)
constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194; // (pixels)
constexpr UINT LB_SETCOLUMNWIDTH = 0x0195;      // (pixels)
constexpr UINT LB_ADDFILE = 0x0196;
constexpr UINT LB_SETTOPINDEX = 0x0197; // (index)
constexpr UINT LB_GETITEMRECT = 0x0198; // (index, RECT*) in client coordinates
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;  // (index, data)
constexpr UINT LB_SELITEMRANGE = 0x019B; // (select, MAKELPARAM(first, last))
constexpr UINT LB_SETANCHORINDEX = 0x019C;
constexpr UINT LB_GETANCHORINDEX = 0x019D;
constexpr UINT LB_SETCARETINDEX = 0x019E; // (index, partly visible is enough)
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;   // (index, MAKELPARAM(height, 0)); index used by VARIABLE
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;   // (index)
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2; // (start or -1, text) -> first whole match after start
constexpr UINT LB_SETLOCALE = 0x01A5;
constexpr UINT LB_GETLOCALE = 0x01A6;
constexpr UINT LB_SETCOUNT = 0x01A7;       // (count): LBS_NODATA only
constexpr UINT LB_INITSTORAGE = 0x01A8;    // (items, bytes) -> items there is room for
constexpr UINT LB_ITEMFROMPOINT = 0x01A9;  // (0, MAKELPARAM(x, y)) -> MAKELONG(index, outside)
constexpr UINT LB_GETLISTBOXINFO = 0x01B2; // -> items per column

// ---- Notifications (the high word of WM_COMMAND's wParam) ------------------------------------

constexpr WORD LBN_ERRSPACE = WORD(-2);
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD LBN_SELCANCEL = 3;
constexpr WORD LBN_SETFOCUS = 4;
constexpr WORD LBN_KILLFOCUS = 5;

// ---- Functions ---------------------------------------------------------------------------------

// Items per column (all items in one column unless LBS_MULTICOLUMN).
DWORD GetListBoxInfo(HWND listBox);

// Registers "ListBox" and "ComboLBox" (the list of a combo box) unless they are there already.
// The program does it at start-up; calling it again is harmless.
void WinRegisterListBoxClasses();
