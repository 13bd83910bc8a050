// The visual-style ("themes") library, bound at run time so that the program runs where it is
// missing, and thin wrappers over the entry points the suite draws with.
//
// The unit starts on first use: it asks the operating-system version, and on version 5.1 or
// later loads "UxTheme.dll" and binds its entry points by name. A name the library lacks stays
// unbound; a wrapper of an unbound entry point answers E_FAIL (FALSE, nullptr) without calling
// anything. The suite calls the drawing wrappers only with a theme handle it obtained, and the
// queries only once it found the library loaded.
#pragma once

#include "platform/runtime/Libraries.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"

// The library was loaded.
bool UxThemeLibraryPresent();
// The operating system is version 5.1 or later.
bool RunningOnXPOrLater();

// The entry point bound under `name`; nullptr when the library lacks it, is not loaded, or the
// name is not one the unit binds.
FARPROC UxThemeBoundEntryPoint(const String& name);

// Start-up with the version GetVersionExA reports, or with the version given (tests); a started
// unit is finalised first. Finalisation frees the library and unbinds every entry point; the
// next call of the unit starts it again.
void UxThemeInitialize();
void UxThemeInitialize(DWORD majorVersion, DWORD minorVersion);
void UxThemeFinalize();

// ---- Wrappers: the entry point's own arguments and result ----------------------------------

HTHEME UxOpenThemeData(HWND window, const char16_t* classList);
HRESULT UxCloseThemeData(HTHEME theme);
// clip may be nullptr.
HRESULT UxDrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                              const RECT* clip);
HRESULT UxDrawThemePart(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                        const RECT* clip = nullptr);
HRESULT UxDrawThemePartClipped(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                               const RECT* clip = nullptr);
// count -1: the whole text.
HRESULT UxDrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, const char16_t* text, int count,
                        DWORD flags, DWORD flags2, const RECT* rect);
// The text is converted to a wide string first; count (bytes of text, -1 for all) limits what is
// converted.
HRESULT UxDrawThemeTextAnsi(HTHEME theme, HDC dc, int partId, int stateId, const String& text, int count,
                            DWORD flags, DWORD flags2, const RECT* rect);
HRESULT UxGetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                                        RECT* content);
HRESULT UxGetThemeContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                              RECT* content);
HRESULT UxGetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE kind,
                           SIZE* size);
HRESULT UxGetThemePartSizeInRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 THEMESIZE kind, SIZE* size);
HRESULT UxGetThemePartSizeNoRect(HTHEME theme, HDC dc, int partId, int stateId, THEMESIZE kind, SIZE* size);
HRESULT UxGetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                   HRGN* region);
HRESULT UxDrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                        UINT flags, RECT* content);
BOOL UxIsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId);
// The font selected into dc before the call is selected again after it.
HRESULT UxDrawThemeParentBackground(HWND window, HDC dc, const RECT* rect);
HRESULT UxGetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color);
BOOL UxIsThemeActive();
HRESULT UxGetCurrentThemeName(char16_t* fileName, int maxFile, char16_t* colorName, int maxColor,
                              char16_t* sizeName, int maxSize);
