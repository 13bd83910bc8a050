// The edit window class "EDIT": one class for single-line and multi-line text editing, with the
// classic styles, messages and notifications. Offsets and lengths count characters (Unicode code
// points); a CR LF line break counts two. WM_GETTEXT and WM_GETTEXTLENGTH deal in UTF-8 bytes.
// The class is registered when the program starts.
#pragma once

#include <functional>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/WinCore.h"

// ---- Styles --------------------------------------------------------------------------------

constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_UPPERCASE = 0x0008;
constexpr DWORD ES_LOWERCASE = 0x0010;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_OEMCONVERT = 0x0400;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;

// ---- Messages ------------------------------------------------------------------------------

constexpr UINT EM_GETSEL = 0x00B0;     // (DWORD* start, DWORD* end) -> MAKELONG(start, end)
constexpr UINT EM_SETSEL = 0x00B1;     // (anchor, caret); caret -1: the end; anchor -1: deselect
constexpr UINT EM_GETRECT = 0x00B2;    // (0, RECT*): the formatting rectangle
constexpr UINT EM_SETRECT = 0x00B3;    // (0, const RECT* or null for the default) and redraw
constexpr UINT EM_SETRECTNP = 0x00B4;  // the same without redrawing
constexpr UINT EM_SCROLL = 0x00B5;     // (SB_LINEUP..SB_PAGEDOWN) -> MAKELRESULT(lines, TRUE)
constexpr UINT EM_LINESCROLL = 0x00B6; // (characters, lines)
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;  // (line or -1) -> offset of its first character or -1
constexpr UINT EM_LINELENGTH = 0x00C1; // (offset or -1) -> characters of that line
constexpr UINT EM_REPLACESEL = 0x00C2; // (canUndo, LPCSTR)
constexpr UINT EM_GETLINE = 0x00C4;    // (line, buffer whose first WORD is its size) -> bytes copied
constexpr UINT EM_LIMITTEXT = 0x00C5;  // (characters; 0: no limit to speak of)
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9; // (offset or -1)
constexpr UINT EM_SETPASSWORDCHAR = 0x00CC;
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
constexpr UINT EM_SETMARGINS = 0x00D3; // (EC_* flags, MAKELONG(left, right))
constexpr UINT EM_GETMARGINS = 0x00D4; // -> MAKELONG(left, right)
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT EM_POSFROMCHAR = 0x00D6; // (offset) -> MAKELONG(x, y) of its top-left, -1 past the last
constexpr UINT EM_CHARFROMPOS = 0x00D7; // (0, MAKELPARAM(x, y)) -> MAKELONG(offset, line)

constexpr WPARAM EC_LEFTMARGIN = 0x0001;
constexpr WPARAM EC_RIGHTMARGIN = 0x0002;
constexpr WPARAM EC_USEFONTINFO = 0xFFFF;

// ---- Notifications (WM_COMMAND to the parent: MAKEWPARAM(id, code), the edit's handle) ------------

constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD EN_UPDATE = 0x0400;
constexpr WORD EN_ERRSPACE = 0x0500;
constexpr WORD EN_MAXTEXT = 0x0501;
constexpr WORD EN_HSCROLL = 0x0601;
constexpr WORD EN_VSCROLL = 0x0602;

// ---- The context menu ------------------------------------------------------------------------
// WM_CONTEXTMENU on an edit offers Undo, Cut, Copy, Paste, Delete and Select All. The items are
// carried out through the messages a subclass can intercept: an item's Id is that message
// (WM_UNDO, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR; EM_SETSEL for Select All). Showing the menu is
// left to a runner the menu code installs; without one the edit shows nothing.

struct TEditMenuItem {
    UINT Id = 0; // 0: a separator
    String Text;
    bool Enabled = false;
};

// The items as the edit's state enables them now.
std::vector<TEditMenuItem> WinEditContextMenuItems(HWND edit);
// Carries out an item (false for an id that is none of the items' or is disabled now).
bool WinEditContextMenuCommand(HWND edit, UINT id);

// Shows the items at a screen point and answers the chosen id (0: none).
using TEditContextMenuRunner =
    std::function<UINT(HWND edit, POINT screen, const std::vector<TEditMenuItem>& items)>;
// Returns the runner installed before.
TEditContextMenuRunner WinEditSetContextMenuRunner(TEditContextMenuRunner runner);
