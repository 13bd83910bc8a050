// The message box: a modal window of its own class ("KovMessageBox") with the text, the icon the
// flags ask for and a row of push buttons, run by a modal loop of its own.
//
// The flags and results are those of the prompt service (platform/runtime/Prompts.h): MB_OK,
// MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL, MB_RETRYCANCEL, MB_ABORTRETRYIGNORE, the icons
// MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK, the default button
// MB_DEFBUTTON1..3 and MB_TASKMODAL. Buttons carry the result as their identifier.
//
// The keyboard works as in a dialog (IsDialogMessageA): Tab moves between the buttons, Enter
// presses the default (focused) button, a mnemonic ("&Yes") presses its button, and Escape
// (or closing the window) answers IDCANCEL where there is a Cancel button, IDOK for an OK box,
// and does nothing otherwise.
//
// The owner (its top-level window) is disabled while the box runs, and with MB_TASKMODAL and no
// owner every top-level window of the thread. Whenever the box's queue runs empty the owner gets
// WM_ENTERIDLE (MSGF_DIALOGBOX, the box's window), as for dialogs. A WM_QUIT ends the box with
// what Escape would answer (the default button where Escape does nothing) and is posted again
// for the loop outside.
#pragma once

#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinCore.h"

// The window class of the box.
constexpr const char* WC_MESSAGEBOXA = "KovMessageBox";

// Shows the box and returns the result of the button chosen (IDOK ... IDNO); 0 when the box
// could not be made. A null caption shows "Error".
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
inline int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}
