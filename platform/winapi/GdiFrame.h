// Frame controls, edges, focus rectangles and icons in the classic look: the check boxes,
// radio buttons, push buttons, scroll arrows, size grips, caption buttons and menu glyphs the
// standard controls and the control suite draw, from the system colours of the moment.
#pragma once

#include "platform/winapi/Gdi.h"

struct HICON__;
using HICON = HICON__*;

// ---- DrawEdge ------------------------------------------------------------------------------

constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr UINT BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr UINT BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;

constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_DIAGONAL = 0x0010;
// A diagonal from one corner of the rectangle to the one named.
constexpr UINT BF_DIAGONAL_ENDTOPRIGHT = BF_DIAGONAL | BF_TOP | BF_RIGHT;
constexpr UINT BF_DIAGONAL_ENDTOPLEFT = BF_DIAGONAL | BF_TOP | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMLEFT = BF_DIAGONAL | BF_BOTTOM | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMRIGHT = BF_DIAGONAL | BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;

// Each border of edge is one pixel wide on each side named in flags: the outer border on the
// rectangle's own edge, the inner one a pixel further in. Top and left lines are drawn first;
// the bottom and right ones cover the corners they share. BF_ADJUST leaves in rect what lies
// inside the borders; BF_MIDDLE fills it. False for a null rectangle or a context that is not
// valid.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

// ---- DrawFrameControl ----------------------------------------------------------------------

constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFC_MENU = 2;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;

constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_CAPTIONMIN = 0x0001;
constexpr UINT DFCS_CAPTIONMAX = 0x0002;
constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
constexpr UINT DFCS_CAPTIONHELP = 0x0004;

constexpr UINT DFCS_MENUARROW = 0x0000;
constexpr UINT DFCS_MENUCHECK = 0x0001;
constexpr UINT DFCS_MENUBULLET = 0x0002;
constexpr UINT DFCS_MENUARROWRIGHT = 0x0004;

constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_SCROLLSIZEGRIP = 0x0008;
constexpr UINT DFCS_SCROLLSIZEGRIPRIGHT = 0x0010;

constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIOIMAGE = 0x0001;
constexpr UINT DFCS_BUTTONRADIOMASK = 0x0002;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTON3STATE = 0x0008;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;

constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_TRANSPARENT = 0x0800;
constexpr UINT DFCS_HOT = 0x1000;
constexpr UINT DFCS_ADJUSTRECT = 0x2000;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;

// Check boxes and radio buttons take the largest square centred in rect; a radio button is a
// circle of the square's even size at its top-left (12 pixels in the 13-pixel cell).
// DFCS_BUTTONRADIOMASK paints the circle black and the rest of the square white;
// DFCS_BUTTONRADIOIMAGE paints the button and the rest of the square black, so that the two
// combine (AND the mask, then OR the image) into a button on any background. Menu glyphs are
// black on white (no background with DFCS_TRANSPARENT). DFCS_ADJUSTRECT leaves a push
// button's face in rect. False for an unknown type or a context that is not valid.
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);

// ---- Focus rectangles ----------------------------------------------------------------------

// Inverts every other pixel of the rectangle's one-pixel outline (phased at the device origin)
// through a monochrome pattern in the context's text and background colours: drawing the same
// rectangle again restores what was there.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

// ---- Icons and cursors ---------------------------------------------------------------------

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = DI_MASK | DI_IMAGE;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
constexpr UINT DI_NOMIRROR = 0x0010;

// The icon's mask ANDed onto the destination, then its image XORed (a cursor's hot spot is
// not taken into account: x and y are the top-left corner).
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// width and height 0: the icon's own size, or with DI_DEFAULTSIZE the system's icon size;
// stretched otherwise. With flickerFree, the icon is first drawn on a bitmap of its size
// filled with that brush and the result copied. step selects an animation frame; our icons
// have one, so it must be 0.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flickerFree,
                UINT flags);

// ---- Greyed text ---------------------------------------------------------------------------

// Draws the output (what proc draws, or without one the text in data) black on a monochrome
// bitmap of width x height with the context's font, keeps every other pixel of it, and paints
// those pixels onto dc at (x, y) with brush (null: the window-text colour). width and height 0
// measure the text (they must be given with a proc); count 0 takes the whole text. False when
// proc answers false.
using GRAYSTRINGPROC = BOOL (*)(HDC dc, LPARAM data, int count);
BOOL GrayStringA(HDC dc, HBRUSH brush, GRAYSTRINGPROC proc, LPARAM data, int count, int x, int y, int width,
                 int height);
inline BOOL GrayString(HDC dc, HBRUSH brush, GRAYSTRINGPROC proc, LPARAM data, int count, int x, int y,
                       int width, int height) {
    return GrayStringA(dc, brush, proc, data, count, x, y, width, height);
}
