// Dialog navigation: IsDialogMessage moves the keyboard focus with Tab, Shift+Tab and the arrow
// keys, turns Enter and Escape into the default and the Cancel command, and follows mnemonics,
// asking each control with WM_GETDLGCODE which keys it wants for itself. Any window can be the
// "dialog": its descendants are its controls, in z-order (creation order for children), entering
// the windows with WS_EX_CONTROLPARENT. DefDlgProcA answers the dialog messages for a window
// procedure that wants them (WM_NEXTDLGCTL, DM_GETDEFID, DM_SETDEFID).
#pragma once

#include "platform/winapi/WinCore.h"

// TRUE when the message belongs to the dialog (msg->hwnd is the dialog or one of its
// descendants): it has then been handled here or translated and dispatched, and the caller's
// loop must not dispatch it again. FALSE for other messages.
BOOL IsDialogMessageA(HWND dialog, MSG* msg);
inline BOOL IsDialogMessage(HWND dialog, MSG* msg) { return IsDialogMessageA(dialog, msg); }

// The next (previous) visible, enabled WS_TABSTOP control after (before) control, wrapping
// around; with control null the first (last) one. Null when the dialog has none.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// The next (previous) visible, enabled control of control's group, wrapping around inside the
// group; a group begins at a control with WS_GROUP and runs up to the next one. control itself
// when its group has no other.
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

// WM_NEXTDLGCTL (wParam: the control when LOWORD(lParam) is non-zero, else non-zero for the
// previous tab item), DM_GETDEFID (IDOK until DM_SETDEFID sets another), DM_SETDEFID; the rest
// goes to DefWindowProcA.
LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefDlgProcA(dialog, message, wParam, lParam);
}

// The control identifiers (GWL_ID of a child).
HWND GetDlgItem(HWND dialog, int id); // a direct child with the identifier
int GetDlgCtrlID(HWND window);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}
// Check boxes and radio buttons by identifier (BM_GETCHECK / BM_SETCHECK).
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
// Checks the button check and unchecks the others with identifiers from first to last.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
