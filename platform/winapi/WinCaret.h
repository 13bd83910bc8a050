// The caret: the blinking mark of where typed text goes. One per thread, owned by a window of
// that thread, a solid or gray block of width x height pixels or a bitmap; it is drawn by
// inverting the owner's pixels and blinks on the runtime clock (a thread timer: it blinks while
// the thread's messages are dispatched). Coordinates are the owner's client coordinates.
#pragma once

#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"

// bitmap null: a solid block; (HBITMAP)1: a gray block; otherwise the bitmap, whose size is the
// caret's (width and height are then ignored). A width or height of 0 takes the border width
// (SM_CXBORDER, SM_CYBORDER). Replaces the thread's caret; the new one starts hidden once (one
// ShowCaret shows it) at (0, 0). The bitmap stays the caller's and must outlive the caret.
BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height);
// False when the thread has no caret.
BOOL DestroyCaret();
// Hiding counts: every HideCaret needs a ShowCaret. window null means the caret's owner; any
// other window than the owner fails.
BOOL ShowCaret(HWND window);
BOOL HideCaret(HWND window);
// Moves the caret; a visible caret is drawn at once there and its blinking starts over.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* point);
// The time between two changes of a blinking caret, in milliseconds (INFINITE: no blinking);
// one setting for the whole program.
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds);

// ---- Seams for the window system ------------------------------------------------------------

// BeginPaint takes the caret off the pixels of the window it paints and EndPaint puts it back,
// so that painting never leaves half an inverted caret behind. Calls nest.
void WinCaretHideForPaint(HWND window);
void WinCaretShowAfterPaint(HWND window);
// A destroyed window takes its caret with it (without drawing: its pixels are gone anyway).
void WinCaretWindowDestroyed(HWND window);
