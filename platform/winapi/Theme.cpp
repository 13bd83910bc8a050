// The visual-styles functions: inactive, or answered by the recording fake while one exists.
#include "platform/winapi/Theme.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "platform/runtime/Libraries.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiDc.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"

namespace {

struct State {
    std::mutex Lock;
    TThemeFake* Fake = nullptr;
    std::map<std::uintptr_t, std::string> Open; // handle → class
    std::uintptr_t Next = 0x7E0000;
};

State& Global() {
    static State state;
    return state;
}

// The fake and the class of an open handle; false without a fake or for a handle it did not open.
bool Resolve(HTHEME theme, TThemeFake*& fake, std::string& className) {
    State& s = Global();
    std::lock_guard<std::mutex> lock(s.Lock);
    if (!s.Fake) return false;
    auto it = s.Open.find(reinterpret_cast<std::uintptr_t>(theme));
    if (it == s.Open.end()) return false;
    fake = s.Fake;
    className = it->second;
    return true;
}

TThemeFake* ActiveFake() {
    std::lock_guard<std::mutex> lock(Global().Lock);
    return Global().Fake;
}

TThemeCall Call(const char* function, const std::string& className, int part, int state,
                const RECT* rect = nullptr) {
    TThemeCall call;
    call.Function = function;
    call.Class = className;
    call.Part = part;
    call.State = state;
    if (rect) call.Rect = *rect;
    return call;
}

void CopyName(const std::u16string& name, char16_t* buffer, int size) {
    if (!buffer || size <= 0) return;
    std::size_t n = std::min<std::size_t>(name.size(), std::size_t(size - 1));
    std::copy(name.begin(), name.begin() + n, buffer);
    buffer[n] = u'\0';
}

// The library as the program binds it by name.
const bool Registered = [] {
    RegisterLibrary(
        "UxTheme.dll",
        {
            {"OpenThemeData", reinterpret_cast<void*>(&OpenThemeData)},
            {"CloseThemeData", reinterpret_cast<void*>(&CloseThemeData)},
            {"DrawThemeBackground", reinterpret_cast<void*>(&DrawThemeBackground)},
            {"DrawThemeText", reinterpret_cast<void*>(&DrawThemeText)},
            {"DrawThemeEdge", reinterpret_cast<void*>(&DrawThemeEdge)},
            {"GetThemePartSize", reinterpret_cast<void*>(&GetThemePartSize)},
            {"GetThemeBackgroundContentRect", reinterpret_cast<void*>(&GetThemeBackgroundContentRect)},
            {"GetThemeBackgroundRegion", reinterpret_cast<void*>(&GetThemeBackgroundRegion)},
            {"GetThemeColor", reinterpret_cast<void*>(&GetThemeColor)},
            {"IsThemeActive", reinterpret_cast<void*>(&IsThemeActive)},
            {"IsAppThemed", reinterpret_cast<void*>(&IsAppThemed)},
            {"IsThemeBackgroundPartiallyTransparent",
             reinterpret_cast<void*>(&IsThemeBackgroundPartiallyTransparent)},
            {"DrawThemeParentBackground", reinterpret_cast<void*>(&DrawThemeParentBackground)},
            {"GetCurrentThemeName", reinterpret_cast<void*>(&GetCurrentThemeName)},
            {"GetThemeSysColor", reinterpret_cast<void*>(&GetThemeSysColor)},
        });
    return true;
}();

} // namespace

template <class T>
const T* TThemeFake::Lookup(const std::map<Key, T>& table, const std::string& className, int part, int state,
                            int which) const {
    std::string upper = UpperCase(className);
    auto it = table.find(Key{upper, part, state, which});
    if (it == table.end()) it = table.find(Key{upper, part, -1, which});
    return it == table.end() ? nullptr : &it->second;
}

HTHEME OpenThemeData(HWND window, const char16_t* classList) {
    State& s = Global();
    std::lock_guard<std::mutex> lock(s.Lock);
    if (!s.Fake || !classList) return nullptr;
    // The first class of the list is the one the fake's theme knows.
    std::string list = WideToString(classList);
    std::string first = list.substr(0, list.find(';'));
    first.erase(0, first.find_first_not_of(' '));
    first.erase(first.find_last_not_of(' ') + 1);
    if (first.empty()) return nullptr;
    s.Next += 4;
    s.Open[s.Next] = first;
    TThemeCall call = Call("OpenThemeData", first, 0, 0);
    call.Text = classList;
    s.Fake->Calls.push_back(call);
    return reinterpret_cast<HTHEME>(s.Next);
}

HRESULT CloseThemeData(HTHEME theme) {
    if (!theme) return S_OK;
    State& s = Global();
    std::lock_guard<std::mutex> lock(s.Lock);
    auto it = s.Open.find(reinterpret_cast<std::uintptr_t>(theme));
    if (!s.Fake || it == s.Open.end()) return E_HANDLE;
    s.Fake->Calls.push_back(Call("CloseThemeData", it->second, 0, 0));
    s.Open.erase(it);
    return S_OK;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clip) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!rect) return E_POINTER;
    TThemeCall call = Call("DrawThemeBackground", cls, partId, stateId, rect);
    if (clip) {
        call.Clipped = true;
        call.Clip = *clip;
    }
    fake->Calls.push_back(call);
    if (!fake->Paint) return S_OK;
    RECT area = *rect;
    if (clip && !IntersectRect(&area, rect, clip)) return S_OK;
    // The frame follows the part's rectangle; the clip rectangle only limits what is painted.
    int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    HBRUSH fill = CreateSolidBrush(fake->Fill), frame = CreateSolidBrush(fake->Frame);
    FillRect(dc, rect, fill);
    FrameRect(dc, rect, frame);
    DeleteObject(fill);
    DeleteObject(frame);
    RestoreDC(dc, saved);
    return S_OK;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, const char16_t* text, int count,
                      DWORD flags, DWORD flags2, const RECT* rect) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!rect || !text) return E_POINTER;
    TThemeCall call = Call("DrawThemeText", cls, partId, stateId, rect);
    call.Text = count < 0 ? std::u16string(text) : std::u16string(text, std::size_t(count));
    call.Value = int(flags);
    fake->Calls.push_back(call);
    COLORREF color = (flags2 & DTT_GRAYED) ? GetSysColor(COLOR_GRAYTEXT) : GetTextColor(dc);
    if (const COLORREF* own = fake->Lookup(fake->Colors, cls, partId, stateId, TMT_TEXTCOLOR))
        if (!(flags2 & DTT_GRAYED)) color = *own;
    COLORREF oldColor = SetTextColor(dc, color);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT r = *rect;
    DrawTextW(dc, text, count, &r, flags);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    return S_OK;
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                      UINT flags, RECT* content) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!destRect) return E_POINTER;
    TThemeCall call = Call("DrawThemeEdge", cls, partId, stateId, destRect);
    call.Value = int(edge);
    fake->Calls.push_back(call);
    RECT r = *destRect;
    if (!DrawEdge(dc, &r, edge, flags | BF_ADJUST)) return E_FAIL;
    if (content) *content = r;
    return S_OK;
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE kind,
                         SIZE* size) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!size) return E_POINTER;
    TThemeCall call = Call("GetThemePartSize", cls, partId, stateId, rect);
    call.Value = kind;
    fake->Calls.push_back(call);
    const SIZE* answer = fake->Lookup(fake->Sizes, cls, partId, stateId, kind);
    if (!answer) return E_PROP_ID_UNSUPPORTED;
    *size = *answer;
    return S_OK;
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* bounds,
                                      RECT* content) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!bounds || !content) return E_POINTER;
    fake->Calls.push_back(Call("GetThemeBackgroundContentRect", cls, partId, stateId, bounds));
    const RECT* m = fake->Lookup(fake->Margins, cls, partId, -1, 0);
    RECT margins = m ? *m : fake->DefaultMargins;
    *content = {bounds->left + margins.left, bounds->top + margins.top, bounds->right - margins.right,
                bounds->bottom - margins.bottom};
    return S_OK;
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 HRGN* region) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!rect || !region) return E_POINTER;
    fake->Calls.push_back(Call("GetThemeBackgroundRegion", cls, partId, stateId, rect));
    *region = CreateRectRgnIndirect(rect);
    return *region ? S_OK : E_FAIL;
}

HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return E_HANDLE;
    if (!color) return E_POINTER;
    TThemeCall call = Call("GetThemeColor", cls, partId, stateId);
    call.Value = propId;
    fake->Calls.push_back(call);
    const COLORREF* answer = fake->Lookup(fake->Colors, cls, partId, stateId, propId);
    if (!answer) return E_PROP_ID_UNSUPPORTED;
    *color = *answer;
    return S_OK;
}

BOOL IsThemeActive() { return ActiveFake() != nullptr; }

BOOL IsAppThemed() { return ActiveFake() != nullptr; }

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return FALSE;
    fake->Calls.push_back(Call("IsThemeBackgroundPartiallyTransparent", cls, partId, stateId));
    return fake->Lookup(fake->Transparent, cls, partId, stateId, 0) != nullptr;
}

HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) {
    if (TThemeFake* fake = ActiveFake()) {
        TThemeCall call = Call("DrawThemeParentBackground", "", 0, 0, rect);
        fake->Calls.push_back(call);
    }
    HWND parent = GetParent(window);
    if (!parent || !GdiFindDC(dc)) return E_FAIL;
    POINT origin{0, 0};
    MapWindowPoints(window, parent, &origin, 1);
    int saved = SaveDC(dc);
    if (rect) IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    OffsetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
    return S_OK;
}

HRESULT GetCurrentThemeName(char16_t* fileName, int maxFile, char16_t* colorName, int maxColor,
                            char16_t* sizeName, int maxSize) {
    TThemeFake* fake = ActiveFake();
    if (!fake) return E_FAIL;
    fake->Calls.push_back(Call("GetCurrentThemeName", "", 0, 0));
    CopyName(fake->FileName, fileName, maxFile);
    CopyName(fake->ColorName, colorName, maxColor);
    CopyName(fake->SizeName, sizeName, maxSize);
    return S_OK;
}

COLORREF GetThemeSysColor(HTHEME theme, int colorId) {
    TThemeFake* fake;
    std::string cls;
    if (!Resolve(theme, fake, cls)) return GetSysColor(colorId);
    TThemeCall call = Call("GetThemeSysColor", cls, 0, 0);
    call.Value = colorId;
    fake->Calls.push_back(call);
    auto it = fake->SysColors.find(colorId);
    return it == fake->SysColors.end() ? GetSysColor(colorId) : it->second;
}

// ---- The fake ------------------------------------------------------------------------------

TThemeFake::TThemeFake() {
    std::lock_guard<std::mutex> lock(Global().Lock);
    Global().Fake = this;
}

TThemeFake::~TThemeFake() {
    std::lock_guard<std::mutex> lock(Global().Lock);
    if (Global().Fake == this) {
        Global().Fake = nullptr;
        Global().Open.clear();
    }
}

void TThemeFake::SetPartSize(const std::string& className, int part, int state, THEMESIZE kind, SIZE size) {
    Sizes[Key{UpperCase(className), part, state, kind}] = size;
}

void TThemeFake::SetColor(const std::string& className, int part, int state, int property, COLORREF color) {
    Colors[Key{UpperCase(className), part, state, property}] = color;
}

void TThemeFake::SetTransparent(const std::string& className, int part, int state) {
    Transparent[Key{UpperCase(className), part, state, 0}] = true;
}

void TThemeFake::SetContentMargins(const std::string& className, int part, RECT margins) {
    Margins[Key{UpperCase(className), part, -1, 0}] = margins;
}

void TThemeFake::SetSysColor(int colorId, COLORREF color) { SysColors[colorId] = color; }

std::vector<TThemeCall> TThemeFake::CallsOf(const std::string& function) const {
    std::vector<TThemeCall> out;
    for (const TThemeCall& c : Calls)
        if (c.Function == function) out.push_back(c);
    return out;
}

int TThemeFake::OpenHandles() const {
    std::lock_guard<std::mutex> lock(Global().Lock);
    return Global().Fake == this ? int(Global().Open.size()) : 0;
}
