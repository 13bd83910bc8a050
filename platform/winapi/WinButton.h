// The button window class ("Button"): push buttons, check boxes, radio buttons, group boxes and
// owner-drawn buttons, drawn in the classic look, with their messages and notifications.
//
// The class is registered when the program starts (and again by WinRegisterButtonClasses, which
// does nothing when it is there already), so CreateWindowExA finds it by name in every thread.
//
// Notifications reach the parent (a top-level button's owner) as WM_COMMAND with
// MAKEWPARAM(id, code) and the button's handle in lParam: BN_CLICKED always, BN_DBLCLK for radio
// buttons, owner-drawn buttons and BS_NOTIFY, BN_SETFOCUS and BN_KILLFOCUS with BS_NOTIFY. Before
// painting, a push or owner-drawn button sends WM_CTLCOLORBTN, the others WM_CTLCOLORSTATIC, and
// paint with the brush and text colour the parent answers. An owner-drawn button sends
// WM_DRAWITEM (WinOwnerDraw.h) with CtlType ODT_BUTTON instead of painting itself.
#pragma once

#include "platform/winapi/WinCore.h"

constexpr const char* WC_BUTTONA = "Button";

// ---- Styles ----------------------------------------------------------------------------------

// The kind of button (the low four bits).
constexpr DWORD BS_PUSHBUTTON = 0x00000000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
constexpr DWORD BS_CHECKBOX = 0x00000002;
constexpr DWORD BS_AUTOCHECKBOX = 0x00000003;
constexpr DWORD BS_RADIOBUTTON = 0x00000004;
constexpr DWORD BS_3STATE = 0x00000005;
constexpr DWORD BS_AUTO3STATE = 0x00000006;
constexpr DWORD BS_GROUPBOX = 0x00000007;
constexpr DWORD BS_USERBUTTON = 0x00000008;
constexpr DWORD BS_AUTORADIOBUTTON = 0x00000009;
constexpr DWORD BS_PUSHBOX = 0x0000000A;
constexpr DWORD BS_OWNERDRAW = 0x0000000B;
constexpr DWORD BS_TYPEMASK = 0x0000000F;
// The box of a check box or radio button on the right of its text.
constexpr DWORD BS_LEFTTEXT = 0x00000020;
constexpr DWORD BS_RIGHTBUTTON = BS_LEFTTEXT;
constexpr DWORD BS_TEXT = 0x00000000;
constexpr DWORD BS_ICON = 0x00000040;
constexpr DWORD BS_BITMAP = 0x00000080;
// Placement of the text; without them a push button centres it, the others put it on the left,
// and all centre it vertically.
constexpr DWORD BS_LEFT = 0x00000100;
constexpr DWORD BS_RIGHT = 0x00000200;
constexpr DWORD BS_CENTER = 0x00000300;
constexpr DWORD BS_TOP = 0x00000400;
constexpr DWORD BS_BOTTOM = 0x00000800;
constexpr DWORD BS_VCENTER = 0x00000C00;
// A check box or radio button that looks like a push button (pressed while checked).
constexpr DWORD BS_PUSHLIKE = 0x00001000;
// The text is wrapped at blanks over several lines.
constexpr DWORD BS_MULTILINE = 0x00002000;
constexpr DWORD BS_NOTIFY = 0x00004000;
// Flat borders instead of the raised and sunken edges.
constexpr DWORD BS_FLAT = 0x00008000;

// ---- Messages --------------------------------------------------------------------------------

// The check state of a check box or radio button (BST_UNCHECKED for push buttons and group boxes).
constexpr UINT BM_GETCHECK = 0x00F0;
// wParam: BST_UNCHECKED, BST_CHECKED, or BST_INDETERMINATE for the three-state kinds (any other
// non-zero value checks a two-state button). A radio button gets WS_TABSTOP while it is checked.
constexpr UINT BM_SETCHECK = 0x00F1;
// The check state with BST_PUSHED and BST_FOCUS.
constexpr UINT BM_GETSTATE = 0x00F2;
// wParam TRUE shows the button pressed, FALSE released; it does not click.
constexpr UINT BM_SETSTATE = 0x00F3;
// wParam: the new kind of button (BS_PUSHBUTTON or BS_DEFPUSHBUTTON to move the default look),
// lParam TRUE repaints. An owner-drawn button keeps its kind and takes BS_DEFPUSHBUTTON as
// ODS_DEFAULT in its item state.
constexpr UINT BM_SETSTYLE = 0x00F4;
// A click as by the mouse: pressed and released, with the notification.
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BM_GETIMAGE = 0x00F6;
constexpr UINT BM_SETIMAGE = 0x00F7;

constexpr UINT BST_UNCHECKED = 0x0000;
constexpr UINT BST_CHECKED = 0x0001;
constexpr UINT BST_INDETERMINATE = 0x0002;
constexpr UINT BST_PUSHED = 0x0004;
constexpr UINT BST_FOCUS = 0x0008;

// ---- Notifications (the high word of WM_COMMAND's wParam) ------------------------------------

constexpr WORD BN_CLICKED = 0;
constexpr WORD BN_PAINT = 1;
constexpr WORD BN_HILITE = 2;
constexpr WORD BN_UNHILITE = 3;
constexpr WORD BN_DISABLE = 4;
constexpr WORD BN_DOUBLECLICKED = 5;
constexpr WORD BN_PUSHED = BN_HILITE;
constexpr WORD BN_UNPUSHED = BN_UNHILITE;
constexpr WORD BN_DBLCLK = BN_DOUBLECLICKED;
constexpr WORD BN_SETFOCUS = 6;
constexpr WORD BN_KILLFOCUS = 7;

// ---- Registration ----------------------------------------------------------------------------

// Registers the "Button" and "Static" classes unless they are registered already. The program
// does it at start-up; calling it again is harmless.
void WinRegisterButtonClasses();
