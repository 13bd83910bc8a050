// Owner drawing: what a control sends its parent when the parent draws (WM_DRAWITEM), sizes
// (WM_MEASUREITEM), orders (WM_COMPAREITEM) or forgets (WM_DELETEITEM) the control's items.
// Buttons, statics, list boxes, combo boxes and menus share these structures and codes.
#pragma once

#include "platform/winapi/WinCore.h"

// The kind of control (CtlType).
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;

// What the drawing is for (itemAction): the whole item, a change of its selection, or of its focus.
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;

// The state of the item after the change (itemState).
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_GRAYED = 0x0002;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_CHECKED = 0x0008;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_DEFAULT = 0x0020;
constexpr UINT ODS_HOTLIGHT = 0x0040;
constexpr UINT ODS_INACTIVE = 0x0080;
constexpr UINT ODS_NOACCEL = 0x0100;
constexpr UINT ODS_NOFOCUSRECT = 0x0200;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;

// lParam of WM_DRAWITEM; the parent answers TRUE when it drew. CtlID is the control's GWL_ID
// (for a menu, 0, and itemID the command); hDC is set up with the control's font and colours and
// clipped to it; rcItem is where to draw, in hDC's coordinates.
struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = nullptr; // the control, or the menu (HMENU) for ODT_MENU
    HDC hDC = nullptr;
    RECT rcItem{};
    ULONG_PTR itemData = 0;
};
using PDRAWITEMSTRUCT = DRAWITEMSTRUCT*;
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

// lParam of WM_MEASUREITEM: the parent fills in itemWidth and itemHeight.
struct MEASUREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;
    ULONG_PTR itemData = 0;
};
using PMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

// lParam of WM_COMPAREITEM: the parent answers -1, 0 or 1 as item 1 sorts before, with or after
// item 2.
struct COMPAREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    HWND hwndItem = nullptr;
    UINT itemID1 = 0;
    ULONG_PTR itemData1 = 0;
    UINT itemID2 = 0;
    ULONG_PTR itemData2 = 0;
    DWORD dwLocaleId = 0;
};
using PCOMPAREITEMSTRUCT = COMPAREITEMSTRUCT*;
using LPCOMPAREITEMSTRUCT = COMPAREITEMSTRUCT*;

// lParam of WM_DELETEITEM: an item (and its data) is leaving the control.
struct DELETEITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    HWND hwndItem = nullptr;
    ULONG_PTR itemData = 0;
};
using PDELETEITEMSTRUCT = DELETEITEMSTRUCT*;
using LPDELETEITEMSTRUCT = DELETEITEMSTRUCT*;
