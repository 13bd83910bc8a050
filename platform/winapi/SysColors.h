// System colours: the colour table behind COLORREF values 0xFF0000nn and the brushes and
// pens the controls draw with.
#pragma once

#include <functional>

#include "platform/runtime/WinTypes.h"

struct HBRUSH__;
using HBRUSH = HBRUSH__*;

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_BTNHILIGHT = 20;
constexpr int COLOR_3DHIGHLIGHT = 20;
constexpr int COLOR_3DHILIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

// Number of entries in the table (indices 0..30).
constexpr int GdiSysColorCount = 31;

// The colour (0x00BBGGRR) of a system colour index; 0 for an index outside the table.
DWORD GetSysColor(int index);
// Sets count entries; false (and nothing changed) when an index lies outside the table. After a
// change the change hook runs once (a broadcast of WM_SYSCOLORCHANGE to the top-level windows).
BOOL SetSysColors(int count, const INT* elements, const COLORREF* values);

// A solid brush of the system colour, owned by the system: it keeps following the colour when
// SetSysColors changes it, and DeleteObject leaves it alone. Null for an index outside the table.
HBRUSH GetSysColorBrush(int index);

// What SetSysColors calls after it changed the table. The window system's broadcast is
// installed from the start; an empty hook calls nothing. Returns the hook it replaces.
using TSysColorChangeHook = std::function<void()>;
TSysColorChangeHook SetSysColorChangeHook(TSysColorChangeHook hook);
