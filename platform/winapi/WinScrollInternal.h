// What the window system's own sources share about the non-client area and the scroll bars:
// the frame's layout, hit testing, painting and mouse loops (WinNonClient*.cpp), the scroll
// bars' state, drawing and tracking (WinScroll*.cpp). DefWindowProc calls in here. Nothing
// outside the Win*.cpp files uses this.
#pragma once

#include "platform/winapi/WinInternal.h"
#include "platform/winapi/WinScroll.h"

namespace WinInternal {

// ---- Scroll bars ---------------------------------------------------------------------------------

// The rectangle of a window's own bar (SB_HORZ, SB_VERT) or of the size box between them
// (SB_BOTH), in window coordinates, for the window's current style and client area; empty when
// the window does not show it. With the lock held.
RECT WindowScrollBarRect(const TWnd* w, int bar);
// Paints a window's own bars and the size box on a context in window coordinates.
void DrawWindowScrollBars(HWND window, HDC dc);
// Runs the mouse loop of a press at a screen point on a window's bar (SB_HORZ, SB_VERT) or on a
// scroll-bar control (SB_CTL); returns when the button is released.
void TrackScrollBar(HWND window, int bar, POINT screen);
// Drops the scroll state of a window that is going away.
void ForgetScrollState(HWND window);

// The state behind the SBM_* messages of a control (bar SB_CTL) and behind the calls on a
// window's own bars.
int ScrollSetInfoCore(HWND window, int bar, const SCROLLINFO& info, bool redraw);
bool ScrollGetInfoCore(HWND window, int bar, SCROLLINFO& info);
bool ScrollEnableCore(HWND window, int bar, UINT arrows);
bool ScrollBarInfoCore(HWND window, int bar, SCROLLBARINFO& info);
// Paints a scroll-bar control (all of its client area) on a context over its client area.
void PaintScrollBarControl(HWND control, HDC dc);
// Repaints one bar at once when it can be seen.
void RedrawScrollBar(HWND window, int bar);

// ---- The frame -----------------------------------------------------------------------------------

// DefWindowProc's answers and actions for the non-client messages.
LRESULT NcHitTest(HWND window, POINT screen);
// region: the WM_NCPAINT wParam (1 for the whole frame, else a region in screen coordinates).
void NcPaint(HWND window, HRGN region);
// Draws the whole frame on a context in window coordinates (WM_PRINT's PRF_NONCLIENT).
void NcDraw(HWND window, HDC dc);
void NcActivate(HWND window, bool active);
// A press on the frame (WM_NCLBUTTONDOWN / WM_NCLBUTTONDBLCLK with its hit-test code).
void NcButtonDown(HWND window, LRESULT hit, POINT screen, bool doubleClick);
// SC_MOVE, SC_SIZE, SC_HSCROLL and SC_VSCROLL; false for other commands.
bool NcSysCommand(HWND window, WPARAM command, LPARAM lParam);
// The limits for maximizing and sizing this window: a child is maximized over its parent's
// client area. Lock not held.
MINMAXINFO WindowMinMax(HWND window);
// Drops the frame state (caption activity, pressed buttons) of a window that is going away.
void ForgetFrameState(HWND window);

} // namespace WinInternal
