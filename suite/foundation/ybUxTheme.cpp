#include "suite/foundation/ybUxTheme.h"

#include <array>
#include <string_view>

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SysInfo.h"
#include "platform/winapi/Gdi.h"

namespace {

// Every name the unit binds, in binding order. Only those with a wrapper are called; the others
// are bound and kept.
constexpr std::array<const char*, 46> EntryNames = {
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "DrawThemeParentBackground",
    "DrawThemeText",
    "EnableThemeDialogTexture",
    "GetCurrentThemeName",
    "GetThemeAppProperties",
    "GetThemeBackgroundContentRect",
    "GetThemeBackgroundRegion",
    "GetThemeBackgroundExtent",
    "GetThemeBool",
    "GetThemeColor",
    "GetThemeDocumentationProperty",
    "GetThemeEnumValue",
    "GetThemeFilename",
    "GetThemeFont",
    "GetThemeInt",
    "GetThemeIntList",
    "GetThemeMargins",
    "GetThemeMetric",
    "GetThemePartSize",
    "GetThemePosition",
    "GetThemePropertyOrigin",
    "GetThemeRect",
    "GetThemeString",
    "GetThemeSysBool",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysFont",
    "GetThemeSysInt",
    "GetThemeSysSize",
    "GetThemeSysString",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetWindowTheme",
    "HitTestThemeBackground",
    "IsAppThemed",
    "IsThemeActive",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "IsThemeDialogTextureEnabled",
    "OpenThemeData",
    "SetThemeAppProperties",
    "SetWindowTheme",
};

// Positions in EntryNames of the entry points that have wrappers.
enum TEntry : std::size_t {
    eCloseThemeData = 0,
    eDrawThemeBackground = 1,
    eDrawThemeEdge = 2,
    eDrawThemeParentBackground = 4,
    eDrawThemeText = 5,
    eGetCurrentThemeName = 7,
    eGetThemeBackgroundContentRect = 9,
    eGetThemeBackgroundRegion = 10,
    eGetThemeColor = 13,
    eGetThemePartSize = 22,
    eIsThemeActive = 39,
    eIsThemeBackgroundPartiallyTransparent = 41,
    eOpenThemeData = 43,
};

constexpr bool Named(TEntry entry, std::string_view name) { return EntryNames[entry] == name; }
static_assert(Named(eCloseThemeData, "CloseThemeData") &&
              Named(eDrawThemeBackground, "DrawThemeBackground") && Named(eDrawThemeEdge, "DrawThemeEdge") &&
              Named(eDrawThemeParentBackground, "DrawThemeParentBackground") &&
              Named(eDrawThemeText, "DrawThemeText") && Named(eGetCurrentThemeName, "GetCurrentThemeName") &&
              Named(eGetThemeBackgroundContentRect, "GetThemeBackgroundContentRect") &&
              Named(eGetThemeBackgroundRegion, "GetThemeBackgroundRegion") &&
              Named(eGetThemeColor, "GetThemeColor") && Named(eGetThemePartSize, "GetThemePartSize") &&
              Named(eIsThemeActive, "IsThemeActive") &&
              Named(eIsThemeBackgroundPartiallyTransparent, "IsThemeBackgroundPartiallyTransparent") &&
              Named(eOpenThemeData, "OpenThemeData"));

struct TUxThemeUnit {
    bool Started = false;
    HMODULE Library = nullptr;
    bool XPOrLater = false;
    std::array<FARPROC, EntryNames.size()> Entries{};
};

// Lives to the end of the process: painting may still ask for themes while the program exits.
TUxThemeUnit& Unit() {
    static TUxThemeUnit* unit = new TUxThemeUnit;
    return *unit;
}

void Start(TUxThemeUnit& unit, DWORD major, DWORD minor) {
    unit = TUxThemeUnit{};
    unit.Started = true;
    unit.XPOrLater = major > 5 || (major == 5 && minor >= 1);
    // The common controls need no initialisation here: every standard window class is
    // registered by the window system itself.
    if (!unit.XPOrLater) return;
    unit.Library = LoadLibraryA("UxTheme.dll");
    if (!unit.Library) return;
    for (std::size_t i = 0; i < EntryNames.size(); ++i)
        unit.Entries[i] = GetProcAddress(unit.Library, EntryNames[i]);
}

TUxThemeUnit& Started() {
    TUxThemeUnit& unit = Unit();
    if (!unit.Started) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof(info);
        if (GetVersionExA(&info))
            Start(unit, info.dwMajorVersion, info.dwMinorVersion);
        else
            Start(unit, 0, 0);
    }
    return unit;
}

// The bound entry point as its own function type; nullptr when unbound.
template <class F> F* Entry(TEntry entry) { return reinterpret_cast<F*>(Started().Entries[entry]); }

} // namespace

bool UxThemeLibraryPresent() { return Started().Library != nullptr; }

bool RunningOnXPOrLater() { return Started().XPOrLater; }

FARPROC UxThemeBoundEntryPoint(const String& name) {
    TUxThemeUnit& unit = Started();
    for (std::size_t i = 0; i < EntryNames.size(); ++i)
        if (name == EntryNames[i]) return unit.Entries[i];
    return nullptr;
}

void UxThemeInitialize() {
    UxThemeFinalize();
    Started();
}

void UxThemeInitialize(DWORD majorVersion, DWORD minorVersion) {
    UxThemeFinalize();
    Start(Unit(), majorVersion, minorVersion);
}

void UxThemeFinalize() {
    TUxThemeUnit& unit = Unit();
    if (unit.Library) FreeLibrary(unit.Library);
    unit = TUxThemeUnit{};
}

HTHEME UxOpenThemeData(HWND window, const char16_t* classList) {
    auto* f = Entry<HTHEME(HWND, const char16_t*)>(eOpenThemeData);
    return f ? f(window, classList) : nullptr;
}

HRESULT UxCloseThemeData(HTHEME theme) {
    auto* f = Entry<HRESULT(HTHEME)>(eCloseThemeData);
    return f ? f(theme) : E_FAIL;
}

HRESULT UxDrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                              const RECT* clip) {
    auto* f = Entry<HRESULT(HTHEME, HDC, int, int, const RECT*, const RECT*)>(eDrawThemeBackground);
    return f ? f(theme, dc, partId, stateId, rect, clip) : E_FAIL;
}

HRESULT UxDrawThemePart(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, const RECT* clip) {
    return UxDrawThemeBackground(theme, dc, partId, stateId, rect, clip);
}

HRESULT UxDrawThemePartClipped(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                               const RECT* clip) {
    return UxDrawThemeBackground(theme, dc, partId, stateId, rect, clip);
}

HRESULT UxDrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, const char16_t* text, int count,
                        DWORD flags, DWORD flags2, const RECT* rect) {
    auto* f = Entry<HRESULT(HTHEME, HDC, int, int, const char16_t*, int, DWORD, DWORD, const RECT*)>(
        eDrawThemeText);
    return f ? f(theme, dc, partId, stateId, text, count, flags, flags2, rect) : E_FAIL;
}

HRESULT UxDrawThemeTextAnsi(HTHEME theme, HDC dc, int partId, int stateId, const String& text, int count,
                            DWORD flags, DWORD flags2, const RECT* rect) {
    const bool whole = count < 0 || std::size_t(count) >= text.size();
    const WideString wide = StringToWide(whole ? text : text.substr(0, std::size_t(count)));
    return UxDrawThemeText(theme, dc, partId, stateId, wide.c_str(),
                           whole && count < 0 ? -1 : int(wide.size()), flags, flags2, rect);
}

HRESULT UxGetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                                        RECT* content) {
    auto* f = Entry<HRESULT(HTHEME, HDC, int, int, const RECT*, RECT*)>(eGetThemeBackgroundContentRect);
    return f ? f(theme, dc, partId, stateId, bounds, content) : E_FAIL;
}

HRESULT UxGetThemeContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                              RECT* content) {
    return UxGetThemeBackgroundContentRect(theme, dc, partId, stateId, bounds, content);
}

HRESULT UxGetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE kind,
                           SIZE* size) {
    auto* f = Entry<HRESULT(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*)>(eGetThemePartSize);
    return f ? f(theme, dc, partId, stateId, rect, kind, size) : E_FAIL;
}

HRESULT UxGetThemePartSizeInRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 THEMESIZE kind, SIZE* size) {
    return UxGetThemePartSize(theme, dc, partId, stateId, rect, kind, size);
}

HRESULT UxGetThemePartSizeNoRect(HTHEME theme, HDC dc, int partId, int stateId, THEMESIZE kind, SIZE* size) {
    return UxGetThemePartSize(theme, dc, partId, stateId, nullptr, kind, size);
}

HRESULT UxGetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                   HRGN* region) {
    auto* f = Entry<HRESULT(HTHEME, HDC, int, int, const RECT*, HRGN*)>(eGetThemeBackgroundRegion);
    return f ? f(theme, dc, partId, stateId, rect, region) : E_FAIL;
}

HRESULT UxDrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                        UINT flags, RECT* content) {
    auto* f = Entry<HRESULT(HTHEME, HDC, int, int, const RECT*, UINT, UINT, RECT*)>(eDrawThemeEdge);
    return f ? f(theme, dc, partId, stateId, destRect, edge, flags, content) : E_FAIL;
}

BOOL UxIsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) {
    auto* f = Entry<BOOL(HTHEME, int, int)>(eIsThemeBackgroundPartiallyTransparent);
    return f ? f(theme, partId, stateId) : FALSE;
}

HRESULT UxDrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) {
    auto* f = Entry<HRESULT(HWND, HDC, const RECT*)>(eDrawThemeParentBackground);
    if (!f) return E_FAIL;
    // The parent paints into dc and may leave its own font selected there.
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    HRESULT result = f(window, dc, rect);
    if (font) SelectObject(dc, font);
    return result;
}

HRESULT UxGetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color) {
    auto* f = Entry<HRESULT(HTHEME, int, int, int, COLORREF*)>(eGetThemeColor);
    return f ? f(theme, partId, stateId, propId, color) : E_FAIL;
}

BOOL UxIsThemeActive() {
    auto* f = Entry<BOOL()>(eIsThemeActive);
    return f ? f() : FALSE;
}

HRESULT UxGetCurrentThemeName(char16_t* fileName, int maxFile, char16_t* colorName, int maxColor,
                              char16_t* sizeName, int maxSize) {
    auto* f = Entry<HRESULT(char16_t*, int, char16_t*, int, char16_t*, int)>(eGetCurrentThemeName);
    return f ? f(fileName, maxFile, colorName, maxColor, sizeName, maxSize) : E_FAIL;
}
