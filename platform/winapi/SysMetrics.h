// System parameters: the non-client metrics and their fonts, the work area and the user
// interface settings the program reads with SystemParametersInfo, and the message beep. The
// sizes GetSystemMetrics reports (WinCore.h) are where the non-client metrics start from.
#pragma once

#include <functional>

#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinCore.h"

// ---- SystemParametersInfo ------------------------------------------------------------------

constexpr UINT SPI_GETICONTITLELOGFONT = 0x001F;
constexpr UINT SPI_SETDOUBLECLICKTIME = 0x0020;
constexpr UINT SPI_SETDRAGFULLWINDOWS = 0x0025;
constexpr UINT SPI_GETDRAGFULLWINDOWS = 0x0026;
constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
constexpr UINT SPI_SETNONCLIENTMETRICS = 0x002A;
constexpr UINT SPI_SETWORKAREA = 0x002F;
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
constexpr UINT SPI_SETWHEELSCROLLLINES = 0x0069;
constexpr UINT SPI_GETMENUSHOWDELAY = 0x006A;
constexpr UINT SPI_SETMENUSHOWDELAY = 0x006B;
constexpr UINT SPI_GETMENUANIMATION = 0x1002;
constexpr UINT SPI_SETMENUANIMATION = 0x1003;
constexpr UINT SPI_GETKEYBOARDCUES = 0x100A;
constexpr UINT SPI_SETKEYBOARDCUES = 0x100B;
constexpr UINT SPI_GETMENUUNDERLINES = SPI_GETKEYBOARDCUES;
constexpr UINT SPI_SETMENUUNDERLINES = SPI_SETKEYBOARDCUES;
constexpr UINT SPI_GETFLATMENU = 0x1022;
constexpr UINT SPI_SETFLATMENU = 0x1023;
constexpr UINT SPI_GETDROPSHADOW = 0x1024;
constexpr UINT SPI_SETDROPSHADOW = 0x1025;

constexpr UINT SPIF_UPDATEINIFILE = 0x0001;
constexpr UINT SPIF_SENDCHANGE = 0x0002;
constexpr UINT SPIF_SENDWININICHANGE = SPIF_SENDCHANGE;

struct NONCLIENTMETRICSA {
    UINT cbSize = sizeof(NONCLIENTMETRICSA);
    int iBorderWidth = 0;
    int iScrollWidth = 0;
    int iScrollHeight = 0;
    int iCaptionWidth = 0;
    int iCaptionHeight = 0;
    LOGFONTA lfCaptionFont;
    int iSmCaptionWidth = 0;
    int iSmCaptionHeight = 0;
    LOGFONTA lfSmCaptionFont;
    int iMenuWidth = 0;
    int iMenuHeight = 0;
    LOGFONTA lfMenuFont;
    LOGFONTA lfStatusFont;
    LOGFONTA lfMessageFont;
};
static_assert(sizeof(NONCLIENTMETRICSA) == 340);
using NONCLIENTMETRICS = NONCLIENTMETRICSA;

// The settings, as (action, uiParam, pvParam):
//   SPI_GETNONCLIENTMETRICS   -, NONCLIENTMETRICSA* with cbSize set. Sizes as GetSystemMetrics
//                             reports them; the caption font is bold "Tahoma" of 8 points,
//                             the other fonts plain "Tahoma" of 8 points.
//   SPI_SETNONCLIENTMETRICS   -, const NONCLIENTMETRICSA* (cbSize set): what GET answers next.
//   SPI_GETICONTITLELOGFONT   sizeof(LOGFONTA), LOGFONTA*.
//   SPI_GETWORKAREA           -, RECT*: the display's work area (the whole screen without one),
//                             or the one SPI_SETWORKAREA set.
//   SPI_SETWORKAREA           -, const RECT* (null: back to the display's).
//   SPI_GETWHEELSCROLLLINES   -, UINT* (3); SPI_SETWHEELSCROLLLINES takes the count in uiParam.
//   SPI_GETKEYBOARDCUES       -, BOOL* (FALSE: underlines appear once the keyboard is used);
//   SPI_GETDRAGFULLWINDOWS    -, BOOL* (TRUE);
//   SPI_GETFLATMENU           -, BOOL* (FALSE);
//   SPI_GETMENUANIMATION      -, BOOL* (FALSE). The SET forms of these four take the value as
//                             pvParam (non-null: TRUE), the drag one as uiParam.
//   SPI_GETMENUSHOWDELAY      -, DWORD* (400: ms before a submenu opens under the pointer);
//                             SPI_SETMENUSHOWDELAY takes it in uiParam.
//   SPI_GETDROPSHADOW         -, BOOL* (TRUE: pop-up menus cast a shadow); SPI_SETDROPSHADOW
//                             takes the value as pvParam (non-null: TRUE).
//   SPI_SETDOUBLECLICKTIME    milliseconds, - (SetDoubleClickTime).
// A SET with SPIF_SENDCHANGE then runs the setting-change hook with the action. Unknown actions
// and bad arguments fail with ERROR_INVALID_PARAMETER.
BOOL SystemParametersInfoA(UINT action, UINT uiParam, void* pvParam, UINT winIni);
inline BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni) {
    return SystemParametersInfoA(action, uiParam, pvParam, winIni);
}

// What a SET with SPIF_SENDCHANGE calls: the window system's WM_SETTINGCHANGE broadcast is
// installed from the start. Returns the hook it replaces.
using TSettingChangeHook = std::function<void(UINT action)>;
TSettingChangeHook SetSettingChangeHook(TSettingChangeHook hook);

// Puts every setting back to its start-up value (for tests).
void ResetSystemParameters();
// The scroll-bar sizes SPI_SETNONCLIENTMETRICS last set (iScrollWidth, iScrollHeight); false
// while none were set. GetSystemMetrics answers its scroll-bar sizes from them.
bool WinSetScrollBarSizes(int& width, int& height);

// ---- The message beep ----------------------------------------------------------------------

// Plays the sound of a message-box type (0, the icon types, or 0xFFFFFFFF for the simple beep)
// through the beep hook: the display's, once a display installs one; nothing without one.
BOOL MessageBeep(UINT type);
using TMessageBeepHook = std::function<void(UINT type)>;
TMessageBeepHook SetMessageBeepHook(TMessageBeepHook hook);
