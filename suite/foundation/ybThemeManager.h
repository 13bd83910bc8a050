// One open visual-style theme per theme type (button, edit, scroll bar, ...), reopened on demand
// after the user switches the visual style, and the notice of that switch.
//
// The unit starts on first use (after ybUxTheme): with the library loaded it reads whether themes
// are active and creates a hidden window that hears of theme switches (WM_THEMECHANGED). A switch
// closes every open theme, reads the active flag again and fires OnThemeChanged of every live
// TybThemeChangedNotificator, oldest first. Without the library nothing is ever active and no
// theme opens. Everything runs on the user-interface thread.
#pragma once

#include "platform/runtime/Closures.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"

// A theme type: the index of its default class list.
using TybThemeType = Integer;
constexpr TybThemeType ttButton = 0;
constexpr TybThemeType ttClock = 1;
constexpr TybThemeType ttComboBox = 2;
constexpr TybThemeType ttEdit = 3;
constexpr TybThemeType ttExplorerBar = 4;
constexpr TybThemeType ttHeader = 5;
constexpr TybThemeType ttListView = 6;
constexpr TybThemeType ttMenu = 7;
constexpr TybThemeType ttPage = 8;
constexpr TybThemeType ttProgress = 9;
constexpr TybThemeType ttRebar = 10;
constexpr TybThemeType ttScrollBar = 11;
constexpr TybThemeType ttSpin = 12;
constexpr TybThemeType ttStartPanel = 13;
constexpr TybThemeType ttStatus = 14;
constexpr TybThemeType ttTab = 15;
constexpr TybThemeType ttTaskBand = 16;
constexpr TybThemeType ttTaskBar = 17;
constexpr TybThemeType ttToolBar = 18;
constexpr TybThemeType ttToolTip = 19;
constexpr TybThemeType ttTrackBar = 20;
constexpr TybThemeType ttTrayNotify = 21;
constexpr TybThemeType ttTreeView = 22;
constexpr TybThemeType ttWindow = 23;
constexpr Integer ThemeTypeCount = 24;

// The class list a type's theme is opened with unless another was asked for ("" outside
// 0..23).
WideString DefaultThemeClassList(TybThemeType type);

// The open theme of a type: the one held, or a newly opened one (0 when themes are not active or
// the type cannot be opened; it is tried again on the next request). classList nullptr: the
// class list the type was last opened with, else its default. Another class list than the held
// theme's (compared without regard to case) closes it and opens that one. A type outside 0..23
// gives 0.
HTHEME OpenThemeForType(TybThemeType type, const char16_t* classList = nullptr);
// Themes are active and the type's theme opens.
bool IsThemeActiveForType(TybThemeType type);
// Themes are active and, for every bit i set in mask (i below 24; higher bits are ignored),
// type i's theme opens. Mask 0 only asks whether themes are active and opens nothing.
bool AreThemesActiveForTypes(Cardinal mask);
// Close the held theme of one type (its class list is forgotten) or of all types (their class
// lists are kept for the next open).
void CloseThemeForType(TybThemeType type);
void CloseAllThemes();

// Start-up and finalisation of the unit (tests restart it, e.g. after restarting ybUxTheme with
// another reported version). Finalisation releases the hidden window, closes every theme and
// forgets the class lists; live notificators hear of no switch until they are created anew.
void ThemeManagerInitialize();
void ThemeManagerFinalize();

using TybThemeChangedEvent = TClosure<void()>;

// Hears of visual-style switches while it lives.
class TybThemeChangedNotificator : public TObject {
    KOV_CLASS(TybThemeChangedNotificator, TObject)
public:
    TybThemeChangedNotificator();
    ~TybThemeChangedNotificator() override;
    TybThemeChangedNotificator(const TybThemeChangedNotificator&) = delete;
    TybThemeChangedNotificator& operator=(const TybThemeChangedNotificator&) = delete;

    TybThemeChangedEvent OnThemeChanged;
};
