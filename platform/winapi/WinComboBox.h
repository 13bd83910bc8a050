// The combo box window class ("ComboBox"): a selection field with a list of items, in three
// kinds: CBS_SIMPLE (an edit field above a list that is always shown), CBS_DROPDOWN (an edit
// field and a list that drops down) and CBS_DROPDOWNLIST (a field showing the selected item, drawn
// by the combo, and a list that drops down). The edit field is an "EDIT" child with the id 1001;
// the list is a "ComboLBox" (a list box), a child with the id 1000 in a simple combo box and a
// top-level popup (whose id would be a menu, so it has none) otherwise, shown below the combo (above it when
// it would not fit on the monitor), as wide as the combo or CB_SETDROPPEDWIDTH, as high as the items up to
// CB_SETMINVISIBLE (30) of them. The combo's own height is the selection field's and does not
// follow what a caller asks for, except for CBS_SIMPLE.
//
// The list drops down by a click on the button (anywhere on a drop-down list), F4, Alt+Down or
// Alt+Up, CB_SHOWDROPDOWN, and with the extended interface by Down. While open it holds the
// capture. It closes accepting the highlighted item by Enter, F4, Alt+Down/Up and a click on an
// item, and cancelling (the selection goes back to what it was when the list opened) by Esc, a
// click anywhere else, and the combo losing the focus. Closed, the arrow keys, Page Up/Down (and
// in a drop-down list Home, End and typed letters) change the selection.
//
// Notifications reach the parent as WM_COMMAND with MAKEWPARAM(id, code) and the combo's handle:
// CBN_SETFOCUS / CBN_KILLFOCUS as the focus enters or leaves the combo and its edit;
// CBN_EDITUPDATE and CBN_EDITCHANGE as the user changes the edit text; CBN_SELCHANGE when the
// selection changes by the user (keys, or when the list closes on another item); CBN_DROPDOWN
// before the list shows; on closing CBN_SELCHANGE (when the selection changed), then CBN_SELENDOK
// or CBN_SELENDCANCEL, then CBN_CLOSEUP; CBN_DBLCLK on a double click in a simple combo's list.
// Owner-drawn items are drawn through WM_DRAWITEM with CtlType ODT_COMBOBOX and hwndItem the
// combo; the field of an owner-drawn drop-down list is drawn with ODS_COMBOBOXEDIT, and it is
// measured with itemID -1. The edit field's colours come from the parent's WM_CTLCOLOREDIT, the
// list's from WM_CTLCOLORLISTBOX.
#pragma once

#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinScroll.h" // the STATE_SYSTEM_* of COMBOBOXINFO

constexpr const char* WC_COMBOBOXA = "ComboBox";

// ---- Styles ----------------------------------------------------------------------------------

constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
constexpr DWORD CBS_OEMCONVERT = 0x0080;
constexpr DWORD CBS_SORT = 0x0100;
constexpr DWORD CBS_HASSTRINGS = 0x0200;
constexpr DWORD CBS_NOINTEGRALHEIGHT = 0x0400;
constexpr DWORD CBS_DISABLENOSCROLL = 0x0800;
// Texts typed and items added are turned to upper (lower) case.
constexpr DWORD CBS_UPPERCASE = 0x2000;
constexpr DWORD CBS_LOWERCASE = 0x4000;

// ---- Results ---------------------------------------------------------------------------------

constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;

// ---- Messages (as the list box's LB_* of the same name where there is one) -----------------------

constexpr UINT CB_GETEDITSEL = 0x0140; // (DWORD* start, DWORD* end) -> MAKELONG(start, end)
constexpr UINT CB_LIMITTEXT = 0x0141;  // (characters)
constexpr UINT CB_SETEDITSEL = 0x0142; // (0, MAKELPARAM(start, end))
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_DIR = 0x0145;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F; // (TRUE opens, FALSE closes)
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152; // (0, RECT*): screen rectangle of the list dropped
constexpr UINT CB_SETITEMHEIGHT = 0x0153;         // (index or -1 for the selection field, height)
constexpr UINT CB_GETITEMHEIGHT = 0x0154;         // (index or -1)
constexpr UINT CB_SETEXTENDEDUI = 0x0155;
constexpr UINT CB_GETEXTENDEDUI = 0x0156;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT CB_SETLOCALE = 0x0159;
constexpr UINT CB_GETLOCALE = 0x015A;
constexpr UINT CB_GETTOPINDEX = 0x015B;
constexpr UINT CB_SETTOPINDEX = 0x015C;
constexpr UINT CB_GETHORIZONTALEXTENT = 0x015D;
constexpr UINT CB_SETHORIZONTALEXTENT = 0x015E;
constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
constexpr UINT CB_SETDROPPEDWIDTH = 0x0160; // (pixels; narrower than the combo: the combo's width)
constexpr UINT CB_INITSTORAGE = 0x0161;
constexpr UINT CB_GETCOMBOBOXINFO = 0x0164; // (0, COMBOBOXINFO*)
constexpr UINT CB_SETMINVISIBLE = 0x1701;   // (items shown at most when dropped)
constexpr UINT CB_GETMINVISIBLE = 0x1702;

// ---- Notifications (the high word of WM_COMMAND's wParam) ------------------------------------

constexpr WORD CBN_ERRSPACE = WORD(-1);
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DBLCLK = 2;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_EDITCHANGE = 5;
constexpr WORD CBN_EDITUPDATE = 6;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;

// ---- COMBOBOXINFO --------------------------------------------------------------------------------

struct COMBOBOXINFO {
    DWORD cbSize = sizeof(COMBOBOXINFO);
    RECT rcItem{};         // the selection field (client coordinates)
    RECT rcButton{};       // the drop button (empty for CBS_SIMPLE)
    DWORD stateButton = 0; // STATE_SYSTEM_PRESSED while dropped, STATE_SYSTEM_INVISIBLE without a button
    HWND hwndCombo = nullptr;
    HWND hwndItem = nullptr; // the edit field (the combo itself for a drop-down list)
    HWND hwndList = nullptr;
};
using PCOMBOBOXINFO = COMBOBOXINFO*;

BOOL GetComboBoxInfo(HWND combo, PCOMBOBOXINFO info);

// Registers "ComboBox" (and the list box classes) unless they are there already. The program does
// it at start-up; calling it again is harmless.
void WinRegisterComboBoxClass();
