// The screen object (forms in the order of activation, the screen cursor and the cursor list,
// monitors, fonts) and the mouse object.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysMetrics.h"

// ---- TMonitor -----------------------------------------------------------------------------------

namespace {

MONITORINFO InfoOf(HMONITOR monitor) {
    MONITORINFO info;
    GetMonitorInfoA(monitor, &info);
    return info;
}

DWORD DefaultFlags(TMonitorDefaultTo defaultTo) {
    switch (defaultTo) {
    case mdNull:
        return MONITOR_DEFAULTTONULL;
    case mdPrimary:
        return MONITOR_DEFAULTTOPRIMARY;
    default:
        return MONITOR_DEFAULTTONEAREST;
    }
}

void SetFontFrom(TFont* font, const LOGFONTA& logFont) {
    HFONT handle = CreateFontIndirectA(&logFont);
    if (!handle) return;
    font->SetHandle(handle);
    DeleteObject(handle);
}

} // namespace

Integer TMonitor::GetWidth() const {
    RECT r = GetBoundsRect();
    return r.right - r.left;
}

Integer TMonitor::GetHeight() const {
    RECT r = GetBoundsRect();
    return r.bottom - r.top;
}

RECT TMonitor::GetBoundsRect() const { return InfoOf(FHandle).rcMonitor; }

RECT TMonitor::GetWorkareaRect() const { return InfoOf(FHandle).rcWork; }

bool TMonitor::GetPrimary() const { return (InfoOf(FHandle).dwFlags & MONITORINFOF_PRIMARY) != 0; }

// ---- TScreen ------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
    FMenuFont = std::make_unique<TFont>();
    FIconFont = std::make_unique<TFont>();
    FHintFont = std::make_unique<TFont>();
    NONCLIENTMETRICSA metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        SetFontFrom(FMenuFont.get(), metrics.lfMenuFont);
        SetFontFrom(FHintFont.get(), metrics.lfStatusFont);
    }
    LOGFONTA iconFont;
    if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(iconFont), &iconFont, 0))
        SetFontFrom(FIconFont.get(), iconFont);
    FHintFont->SetColor(clInfoText);
}

TScreen::~TScreen() {
    for (auto& [index, handle] : FCursors)
        DestroyCursor(handle);
}

Integer TScreen::GetFormCount() const {
    Integer n = 0;
    for (TCustomForm* form : FCustomForms)
        if (dynamic_cast<TForm*>(form)) ++n;
    return n;
}

TForm* TScreen::GetForms(Integer index) const {
    Integer n = 0;
    for (TCustomForm* form : FCustomForms)
        if (auto* f = dynamic_cast<TForm*>(form)) {
            if (n == index) return f;
            ++n;
        }
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TCustomForm* TScreen::GetCustomForms(Integer index) const {
    if (index < 0 || index >= GetCustomFormCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FCustomForms[std::size_t(index)];
}

TForm* TScreen::GetActiveForm() const { return dynamic_cast<TForm*>(FActiveCustomForm); }

TDataModule* TScreen::GetDataModules(Integer index) const {
    if (index < 0 || index >= GetDataModuleCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FDataModules[std::size_t(index)];
}

void TScreen::AddForm(TCustomForm* form) {
    if (std::find(FCustomForms.begin(), FCustomForms.end(), form) == FCustomForms.end())
        FCustomForms.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    FCustomForms.erase(std::remove(FCustomForms.begin(), FCustomForms.end(), form), FCustomForms.end());
    bool changed = false;
    if (FActiveCustomForm == form) {
        FActiveCustomForm = nullptr;
        changed = true;
    }
    if (FActiveControl && GetParentForm(FActiveControl) == form) FActiveControl = nullptr;
    if (changed) OnActiveFormChange(this);
}

void TScreen::AddDataModule(TDataModule* module) { FDataModules.push_back(module); }

void TScreen::RemoveDataModule(TDataModule* module) {
    FDataModules.erase(std::remove(FDataModules.begin(), FDataModules.end(), module), FDataModules.end());
}

void TScreen::FormActivated(TCustomForm* form) {
    auto it = std::find(FCustomForms.begin(), FCustomForms.end(), form);
    if (it != FCustomForms.end()) std::rotate(FCustomForms.begin(), it, it + 1);
    if (FActiveCustomForm == form) return;
    FActiveCustomForm = form;
    OnActiveFormChange(this);
}

void TScreen::FormDeactivated(TCustomForm* form) {
    // The form stays the active one of the program until another one is activated.
    (void)form;
}

void TScreen::SetActiveControl(TWinControl* control) {
    if (FActiveControl == control) return;
    FActiveControl = control;
    OnActiveControlChange(this);
}

void TScreen::SetCursor(TCursor value) {
    if (FCursor == value) return;
    FCursor = value;
    SetScreenCursorOverride(value);
    ShowCursor();
}

void TScreen::ShowCursor() {
    if (FCursor != crDefault) {
        ::SetCursor(GetCursors(FCursor));
        return;
    }
    // Back to the cursor of whatever the pointer is over.
    POINT pos{};
    ::GetCursorPos(&pos);
    HWND window = WindowFromPoint(pos);
    if (window)
        SendMessageA(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(WORD(HTCLIENT), WORD(WM_MOUSEMOVE)));
    else
        ::SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

HCURSOR TScreen::GetCursors(Integer index) const {
    for (const auto& [i, handle] : FCursors)
        if (i == index) return handle;
    if (index == crNone) return nullptr;
    if (index <= 0 && index >= crSizeAll) {
        if (HCURSOR standard = CursorHandle(TCursor(index))) return standard;
    }
    return CursorHandle(crDefault);
}

void TScreen::SetCursors(Integer index, HCURSOR handle) {
    for (auto it = FCursors.begin(); it != FCursors.end(); ++it)
        if (it->first == index) {
            if (it->second != handle) DestroyCursor(it->second);
            if (handle) {
                it->second = handle;
            } else {
                FCursors.erase(it);
            }
            if (FCursor == index) ShowCursor();
            return;
        }
    if (handle) FCursors.push_back({index, handle});
    if (FCursor == index) ShowCursor();
}

// The primary monitor.
Integer TScreen::GetWidth() const {
    const RECT r = WinPrimaryMonitorRect();
    return r.right - r.left;
}

Integer TScreen::GetHeight() const {
    const RECT r = WinPrimaryMonitorRect();
    return r.bottom - r.top;
}

RECT TScreen::GetDesktopRect() const { return WinVirtualScreenRect(); }

Integer TScreen::GetDesktopWidth() const {
    RECT r = GetDesktopRect();
    return r.right - r.left;
}

Integer TScreen::GetDesktopHeight() const {
    RECT r = GetDesktopRect();
    return r.bottom - r.top;
}

RECT TScreen::GetWorkAreaRect() const { return WinPrimaryWorkArea(); }

Integer TScreen::GetWorkAreaWidth() const {
    RECT r = GetWorkAreaRect();
    return r.right - r.left;
}

Integer TScreen::GetWorkAreaHeight() const {
    RECT r = GetWorkAreaRect();
    return r.bottom - r.top;
}

Integer TScreen::GetMonitorCount() const { return WinMonitorCount(); }

TMonitor* TScreen::MonitorOf(HMONITOR handle) const {
    if (!handle) return nullptr;
    for (const auto& m : FMonitors)
        if (m->FHandle == handle) return m.get();
    auto monitor = std::make_unique<TMonitor>();
    monitor->FHandle = handle;
    monitor->FMonitorNum = Integer(reinterpret_cast<std::uintptr_t>(handle)) - 1;
    FMonitors.push_back(std::move(monitor));
    return FMonitors.back().get();
}

TMonitor* TScreen::GetMonitors(Integer index) const {
    if (index < 0 || index >= GetMonitorCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    // The n-th monitor's handle is n + 1.
    return MonitorOf(reinterpret_cast<HMONITOR>(std::uintptr_t(index + 1)));
}

TMonitor* TScreen::MonitorFromPoint(POINT point, TMonitorDefaultTo defaultTo) const {
    return MonitorOf(::MonitorFromPoint(point, DefaultFlags(defaultTo)));
}

TMonitor* TScreen::MonitorFromRect(const RECT& rect, TMonitorDefaultTo defaultTo) const {
    return MonitorOf(::MonitorFromRect(&rect, DefaultFlags(defaultTo)));
}

TMonitor* TScreen::MonitorFromWindow(HWND window, TMonitorDefaultTo defaultTo) const {
    return MonitorOf(::MonitorFromWindow(window, DefaultFlags(defaultTo)));
}

namespace {

int AddFontFamily(const LOGFONTA* logFont, const TEXTMETRICA*, DWORD, LPARAM data) {
    auto* list = reinterpret_cast<TStrings*>(data);
    if (logFont && list->IndexOf(logFont->lfFaceName) < 0) list->Add(logFont->lfFaceName);
    return 1;
}

} // namespace

void TScreen::LoadFonts() const {
    auto list = std::make_unique<TStringList>();
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesA(dc, nullptr, AddFontFamily, LPARAM(static_cast<TStrings*>(list.get())));
    ReleaseDC(nullptr, dc);
    list->Sort();
    FFonts = std::move(list);
}

TStrings* TScreen::GetFonts() const {
    if (!FFonts) LoadFonts();
    return FFonts.get();
}

// ---- TMouse -------------------------------------------------------------------------------------

POINT TMouse::GetCursorPos() const {
    POINT p{};
    ::GetCursorPos(&p);
    return p;
}

void TMouse::SetCursorPos(POINT value) { ::SetCursorPos(value.x, value.y); }

HWND TMouse::GetCapture() const { return ::GetCapture(); }

void TMouse::SetCapture(HWND value) {
    if (value)
        ::SetCapture(value);
    else
        ReleaseCapture();
}

bool TMouse::GetMousePresent() const { return GetSystemMetrics(SM_MOUSEPRESENT) != 0; }

bool TMouse::GetWheelPresent() const { return GetSystemMetrics(SM_MOUSEWHEELPRESENT) != 0; }

Integer TMouse::GetWheelScrollLines() const {
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    return Integer(lines);
}

Integer TMouse::GetDragThreshold() const { return ::GetDragThreshold(); }

void TMouse::SetDragThreshold(Integer value) { ::SetDragThreshold(value); }

bool TMouse::IsDragging() const { return GetDragControl() != nullptr; }
