// The visual-styles library: present (LoadLibraryA("UxTheme.dll") finds these functions by name)
// but not active, so that every control draws classic. A test switches on a recording fake
// (TThemeFake) to reach the themed paths: themes are then active, every class list opens, and
// the calls are recorded with their part and state ids and rectangles.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/runtime/Dispatch.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinCore.h"

using HTHEME = HANDLE;

enum THEMESIZE : int { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };

// Theme properties the program reads.
constexpr int TMT_BORDERCOLOR = 3801;
constexpr int TMT_FILLCOLOR = 3802;
constexpr int TMT_TEXTCOLOR = 3803;

// Theme parts the program asks about.
constexpr int WP_CLOSEBUTTON = 18;
constexpr int SBP_GRIPPERHORZ = 8;
constexpr int SBP_GRIPPERVERT = 9;
constexpr int SBP_SIZEBOX = 10;

// The second flags of DrawThemeText.
constexpr DWORD DTT_GRAYED = 0x0001;

constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_PROP_ID_UNSUPPORTED = static_cast<HRESULT>(0x80070490u);

// Null without the fake (no theme is active). classList: class names separated by ';'.
HTHEME OpenThemeData(HWND window, const char16_t* classList);
HRESULT CloseThemeData(HTHEME theme);
// clip may be null.
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clip);
// flags are DrawText's; flags2 DTT_GRAYED draws in the grey-text colour.
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, const char16_t* text, int count,
                      DWORD flags, DWORD flags2, const RECT* rect);
// DrawEdge's edges and flags; content (may be null) gets what lies inside them.
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                      UINT flags, RECT* content);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE kind,
                         SIZE* size);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                                      RECT* content);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 HRGN* region);
HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color);
BOOL IsThemeActive();
BOOL IsAppThemed();
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId);
// Paints what the window's parent shows under rect (window's client coordinates) into dc: the
// parent gets WM_ERASEBKGND and WM_PRINTCLIENT with dc moved to its own coordinates. This works
// with or without a theme.
HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect);
// E_FAIL without an active theme.
HRESULT GetCurrentThemeName(char16_t* fileName, int maxFile, char16_t* colorName, int maxColor,
                            char16_t* sizeName, int maxSize);
// With a null theme, GetSysColor's colour.
COLORREF GetThemeSysColor(HTHEME theme, int colorId);

// ---- The recording fake --------------------------------------------------------------------

// One call as the fake saw it.
struct TThemeCall {
    std::string Function;
    std::string Class; // as the class list gave it; empty for calls without a theme
    int Part = 0;
    int State = 0;
    RECT Rect{}; // the rectangle drawn, measured or asked about
    bool Clipped = false;
    RECT Clip{};
    int Value = 0; // the size kind, property, colour id or edge
    std::u16string Text;
};

// While one exists, themes are active and the calls go to it; destroying it makes them inactive
// again and closes its handles. One at a time.
class TThemeFake {
public:
    TThemeFake();
    ~TThemeFake();
    TThemeFake(const TThemeFake&) = delete;
    TThemeFake& operator=(const TThemeFake&) = delete;

    // Answers, by class name (case ignored), part, state (-1: any) and size kind or property.
    void SetPartSize(const std::string& className, int part, int state, THEMESIZE kind, SIZE size);
    void SetColor(const std::string& className, int part, int state, int property, COLORREF color);
    void SetTransparent(const std::string& className, int part, int state);
    void SetContentMargins(const std::string& className, int part, RECT margins);
    void SetSysColor(int colorId, COLORREF color);

    // The calls, oldest first; the calls of one function.
    std::vector<TThemeCall> Calls;
    std::vector<TThemeCall> CallsOf(const std::string& function) const;
    int OpenHandles() const;

    // What GetCurrentThemeName answers.
    std::u16string FileName = u"Plain.msstyles";
    std::u16string ColorName = u"NormalColor";
    std::u16string SizeName = u"NormalSize";
    // How backgrounds are painted: filled and framed in these colours (Paint off: not at all).
    bool Paint = true;
    COLORREF Fill = RGB(0xC8, 0xDC, 0xF0);
    COLORREF Frame = RGB(0x3C, 0x64, 0x96);
    // Content rectangles lie this far inside unless SetContentMargins says otherwise.
    RECT DefaultMargins{1, 1, 1, 1};

    // Used by the theme functions.
    struct Key {
        std::string Class;
        int Part, State, Which;
        bool operator<(const Key& o) const {
            return std::tie(Class, Part, State, Which) < std::tie(o.Class, o.Part, o.State, o.Which);
        }
    };
    template <class T>
    const T* Lookup(const std::map<Key, T>& table, const std::string& className, int part, int state,
                    int which) const;
    std::map<Key, SIZE> Sizes;
    std::map<Key, COLORREF> Colors;
    std::map<Key, bool> Transparent;
    std::map<Key, RECT> Margins;
    std::map<int, COLORREF> SysColors;
};
