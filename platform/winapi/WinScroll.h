// Scroll bars: the two a window gets with WS_HSCROLL and WS_VSCROLL in its frame, the "SCROLLBAR"
// window class, and the codes the frame's sizing uses. Both kinds of bar share one drawing and
// one tracking loop.
//
// A bar has a range (min..max), a page size and a position. The position is held within
// [min, max - max(page - 1, 0)] and the page within [0, max - min + 1]. A window's bar starts with
// the range 0..100 (a control's with 0..0). Clicking an arrow sends SB_LINEUP/SB_LINEDOWN, the
// shaft SB_PAGEUP/SB_PAGEDOWN; holding repeats them after 200 ms and then every 50 ms on the
// runtime clock while the pointer stays on the part; dragging the thumb sends SB_THUMBTRACK with
// each new track position and SB_THUMBPOSITION on release; every press ends with SB_ENDSCROLL.
// A window's own bars notify the window itself (lParam 0), a control notifies its parent
// (lParam: the control). The loop that tracks the mouse runs the WH_MSGFILTER hooks with
// MSGF_SCROLLBAR for each message it takes and dispatches what it does not use.
#pragma once

#include "platform/winapi/WinCore.h"

// ---- Bars, codes, masks ------------------------------------------------------------------------

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// WM_HSCROLL / WM_VSCROLL codes (low word of wParam; the high word carries the position of
// SB_THUMBTRACK and SB_THUMBPOSITION, cut to 16 bits).
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// EnableScrollBar arrows.
constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;
constexpr UINT ESB_DISABLE_LEFT = 0x0001;
constexpr UINT ESB_DISABLE_RIGHT = 0x0002;
constexpr UINT ESB_DISABLE_UP = 0x0001;
constexpr UINT ESB_DISABLE_DOWN = 0x0002;
constexpr UINT ESB_DISABLE_LTUP = ESB_DISABLE_LEFT;
constexpr UINT ESB_DISABLE_RTDN = ESB_DISABLE_RIGHT;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
static_assert(sizeof(SCROLLINFO) == 28);
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// ---- GetScrollBarInfo ----------------------------------------------------------------------------

// Object ids: the window's bars, and OBJID_CLIENT for a scroll-bar control itself.
constexpr LONG OBJID_WINDOW = 0;
constexpr LONG OBJID_SYSMENU = -1;
constexpr LONG OBJID_TITLEBAR = -2;
constexpr LONG OBJID_MENU = -3;
constexpr LONG OBJID_CLIENT = -4;
constexpr LONG OBJID_VSCROLL = -5;
constexpr LONG OBJID_HSCROLL = -6;
constexpr LONG OBJID_SIZEGRIP = -7;

constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x00000001;
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x00008000;
constexpr DWORD STATE_SYSTEM_OFFSCREEN = 0x00010000;

constexpr int CCHILDREN_SCROLLBAR = 5;

// rgstate[0] is the bar; then the top (left) arrow, the page-up shaft, the thumb, the page-down
// shaft and the bottom (right) arrow. The rectangle is in screen coordinates (a window's bar
// without the size box); the thumb's ends count from its top (left) edge.
struct SCROLLBARINFO {
    DWORD cbSize = sizeof(SCROLLBARINFO);
    RECT rcScrollBar{};
    int dxyLineButton = 0;
    int xyThumbTop = 0;
    int xyThumbBottom = 0;
    int reserved = 0;
    DWORD rgstate[CCHILDREN_SCROLLBAR + 1] = {};
};
static_assert(sizeof(SCROLLBARINFO) == 60);
using PSCROLLBARINFO = SCROLLBARINFO*;

// ---- The scroll-bar window class ("SCROLLBAR") ----------------------------------------------------

constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;
constexpr DWORD SBS_TOPALIGN = 0x0002;
constexpr DWORD SBS_LEFTALIGN = 0x0002;
constexpr DWORD SBS_BOTTOMALIGN = 0x0004;
constexpr DWORD SBS_RIGHTALIGN = 0x0004;
constexpr DWORD SBS_SIZEBOXTOPLEFTALIGN = 0x0002;
constexpr DWORD SBS_SIZEBOXBOTTOMRIGHTALIGN = 0x0004;
constexpr DWORD SBS_SIZEBOX = 0x0008;
constexpr DWORD SBS_SIZEGRIP = 0x0010;

// SBM_SETPOS (pos, redraw) and SBM_SETRANGE (min, max) answer the previous position;
// SBM_SETRANGEREDRAW also repaints; SBM_GETRANGE (int* min, int* max); SBM_ENABLE_ARROWS (ESB_*)
// answers whether anything changed; SBM_SETSCROLLINFO (redraw, SCROLLINFO*) answers the new
// position; SBM_GETSCROLLINFO (0, SCROLLINFO*); SBM_GETSCROLLBARINFO (0, SCROLLBARINFO*).
constexpr UINT SBM_SETPOS = 0x00E0;
constexpr UINT SBM_GETPOS = 0x00E1;
constexpr UINT SBM_SETRANGE = 0x00E2;
constexpr UINT SBM_GETRANGE = 0x00E3;
constexpr UINT SBM_ENABLE_ARROWS = 0x00E4;
constexpr UINT SBM_SETRANGEREDRAW = 0x00E6;
constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;
constexpr UINT SBM_GETSCROLLBARINFO = 0x00EB;

// Registers the "SCROLLBAR" class (once; later calls do nothing). The standard classes are there
// from the start; this is the door through which they are put there.
void RegisterScrollBarClass();

// ---- WM_SIZING edges (the low bits of SC_SIZE) ---------------------------------------------------

constexpr WPARAM WMSZ_LEFT = 1;
constexpr WPARAM WMSZ_RIGHT = 2;
constexpr WPARAM WMSZ_TOP = 3;
constexpr WPARAM WMSZ_TOPLEFT = 4;
constexpr WPARAM WMSZ_TOPRIGHT = 5;
constexpr WPARAM WMSZ_BOTTOM = 6;
constexpr WPARAM WMSZ_BOTTOMLEFT = 7;
constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;

// ---- Functions -----------------------------------------------------------------------------------
// bar is SB_HORZ or SB_VERT for a window's own bars, SB_CTL for a scroll-bar control (the calls
// then go to the control as SBM_* messages). A window has state for a bar once it had the style
// or one of these calls set something.

// Sets what fMask names and answers the resulting position. With SIF_RANGE or SIF_PAGE, a
// window's bar whose range no longer scrolls is hidden (and shown again when it scrolls);
// with SIF_DISABLENOSCROLL it stays and is disabled instead. redraw repaints the bar at once.
int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw);
// Fills what fMask names; SIF_TRACKPOS is the thumb's position while it is being dragged (the
// position otherwise). False for a window without that bar.
BOOL GetScrollInfo(HWND window, int bar, LPSCROLLINFO info);
// Answer the previous position / the position (0 on failure).
int SetScrollPos(HWND window, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND window, int bar);
// The flat scroll bars draw as the standard ones here: the same calls on the same bars.
inline int FlatSB_SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw) {
    return SetScrollInfo(window, bar, info, redraw);
}
inline BOOL FlatSB_GetScrollInfo(HWND window, int bar, LPSCROLLINFO info) { return GetScrollInfo(window, bar, info); }
inline int FlatSB_SetScrollPos(HWND window, int bar, int pos, BOOL redraw) {
    return SetScrollPos(window, bar, pos, redraw);
}
inline int FlatSB_GetScrollPos(HWND window, int bar) { return GetScrollPos(window, bar); }
// Fails with ERROR_INVALID_SCROLLBAR_RANGE when max - min does not fit in 31 bits.
BOOL SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND window, int bar, int* minPos, int* maxPos);
// Adds or takes away WS_HSCROLL/WS_VSCROLL (SB_BOTH: both), which recalculates the frame
// (WM_NCCALCSIZE, and WM_SIZE when the client area changes); SB_CTL shows or hides the control.
BOOL ShowScrollBar(HWND window, int bar, BOOL show);
// ESB_* for the arrows of SB_HORZ, SB_VERT, SB_BOTH or SB_CTL (a control is also disabled as a
// window by ESB_DISABLE_BOTH and enabled by anything else). False when nothing changed.
BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows);
// OBJID_HSCROLL / OBJID_VSCROLL for a window's bars, OBJID_CLIENT for a scroll-bar control.
// cbSize must be sizeof(SCROLLBARINFO).
BOOL GetScrollBarInfo(HWND window, LONG idObject, PSCROLLBARINFO info);

constexpr DWORD ERROR_INVALID_SCROLLBAR_RANGE = 1448;
