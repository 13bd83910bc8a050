// The static window class ("Static"): text, rectangles and frames, etched lines, icons and
// bitmaps, drawn in the classic look.
//
// Registered when the program starts, like the button class (WinRegisterButtonClasses registers
// both). Before painting text or an image the control sends WM_CTLCOLORSTATIC to its parent and
// paints with the brush and text colour the parent answers. Without SS_NOTIFY it is transparent
// to the mouse (WM_NCHITTEST answers HTTRANSPARENT); with it the parent gets WM_COMMAND with
// STN_CLICKED and STN_DBLCLK (and STN_ENABLE/STN_DISABLE).
#pragma once

#include "platform/winapi/WinCore.h"

constexpr const char* WC_STATICA = "Static";

// ---- Styles ----------------------------------------------------------------------------------

// The kind of static (the low five bits).
constexpr DWORD SS_LEFT = 0x00000000; // wrapped at blanks
constexpr DWORD SS_CENTER = 0x00000001;
constexpr DWORD SS_RIGHT = 0x00000002;
constexpr DWORD SS_ICON = 0x00000003;
constexpr DWORD SS_BLACKRECT = 0x00000004; // filled in the window-frame colour
constexpr DWORD SS_GRAYRECT = 0x00000005;  // in the shadow colour
constexpr DWORD SS_WHITERECT = 0x00000006; // in the window colour
constexpr DWORD SS_BLACKFRAME = 0x00000007;
constexpr DWORD SS_GRAYFRAME = 0x00000008;
constexpr DWORD SS_WHITEFRAME = 0x00000009;
constexpr DWORD SS_USERITEM = 0x0000000A;
constexpr DWORD SS_SIMPLE = 0x0000000B;         // one line, not wrapped
constexpr DWORD SS_LEFTNOWORDWRAP = 0x0000000C; // lines as they are, cut at the right
constexpr DWORD SS_OWNERDRAW = 0x0000000D;      // WM_DRAWITEM with ODT_STATIC to the parent
constexpr DWORD SS_BITMAP = 0x0000000E;
constexpr DWORD SS_ENHMETAFILE = 0x0000000F;
constexpr DWORD SS_ETCHEDHORZ = 0x00000010;
constexpr DWORD SS_ETCHEDVERT = 0x00000011;
constexpr DWORD SS_ETCHEDFRAME = 0x00000012;
constexpr DWORD SS_TYPEMASK = 0x0000001F;
// Other bits.
constexpr DWORD SS_REALSIZECONTROL = 0x00000040; // an image does not resize the control
constexpr DWORD SS_NOPREFIX = 0x00000080;        // "&" is not a mnemonic
constexpr DWORD SS_NOTIFY = 0x00000100;
// An image centred in the control (which keeps its size); text centred vertically on one line.
constexpr DWORD SS_CENTERIMAGE = 0x00000200;
constexpr DWORD SS_RIGHTJUST = 0x00000400;
constexpr DWORD SS_REALSIZEIMAGE = 0x00000800;
// A sunken border (the control gets WS_EX_STATICEDGE).
constexpr DWORD SS_SUNKEN = 0x00001000;
constexpr DWORD SS_EDITCONTROL = 0x00002000;
// Text that does not fit is not wrapped but shortened with "...": at its end, in the middle of a
// path (the last part kept), or after the last whole word.
constexpr DWORD SS_ENDELLIPSIS = 0x00004000;
constexpr DWORD SS_PATHELLIPSIS = 0x00008000;
constexpr DWORD SS_WORDELLIPSIS = 0x0000C000;
constexpr DWORD SS_ELLIPSISMASK = 0x0000C000;

// ---- Messages and notifications --------------------------------------------------------------

// wParam: the icon (SS_ICON); returns the one before.
constexpr UINT STM_SETICON = 0x0170;
constexpr UINT STM_GETICON = 0x0171;
// wParam: the kind of image (IMAGE_BITMAP for SS_BITMAP, IMAGE_ICON or IMAGE_CURSOR for SS_ICON),
// lParam: the image; returns the one before, or 0 (and changes nothing) when the kind does not
// match the control. The caller keeps owning the image.
constexpr UINT STM_SETIMAGE = 0x0172;
constexpr UINT STM_GETIMAGE = 0x0173;

constexpr WORD STN_CLICKED = 0;
constexpr WORD STN_DBLCLK = 1;
constexpr WORD STN_ENABLE = 2;
constexpr WORD STN_DISABLE = 3;

// The kinds of image.
constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT IMAGE_ENHMETAFILE = 3;

// ---- Registration ----------------------------------------------------------------------------

// Registers the "Static" class unless it is registered already.
void WinRegisterStaticClass();
