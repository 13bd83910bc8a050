// The services the suite's controls share: the timer component and the hidden windows, the
// settings controller, hover tracking, drag detection and drag scrolling, popup-menu helpers, the
// monitor work area, the cursors and the input helpers.
#include <algorithm>
#include <cstdlib>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Libraries.h"
#include "platform/runtime/Resources.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinMonitor.h"
#include "suite/foundation/qzControls.h"

const char* const qzCursorNames[15] = {
    "QZ_DRAGCOPYCURSOR",   "QZ_FULLSCROLLCURSOR", "QZ_HORSCROLLCURSOR", "QZ_VERSCROLLCURSOR",
    "QZ_UPSCROLLCURSOR",   "QZ_RIGHTSCROLLCURSOR", "QZ_DOWNSCROLLCURSOR", "QZ_LEFTSCROLLCURSOR",
    "QZ_REMOVECURSOR",     "QZ_VERTSIZECURSOR",   "QZ_HORZSIZECURSOR",  "QZ_MULTIDRAGCURSOR",
    "QZ_NODROPCURSOR",     "QZ_DRAGCURSOR",       "QZ_HANDPOINTCURSOR"};

namespace {

using TGetMonitorInfoProc = BOOL (*)(HMONITOR, MONITORINFO*);
using TMonitorFromPointProc = HMONITOR (*)(POINT, DWORD);

struct TControlsUnit {
    bool Started = false;
    std::unique_ptr<TqzMessageWindow> MessageWindow;
    std::unique_ptr<TqzTimerWindow> TimerWindow;
    std::vector<TqzTimer*> ActiveTimers;
    std::unique_ptr<TqzSettingsController> Settings;
    std::vector<TMouseTrackingTimer*> Tracking;
    HMODULE User32 = nullptr;
    TGetMonitorInfoProc GetMonitorInfoProc = nullptr;
    TMonitorFromPointProc MonitorFromPointProc = nullptr;
};

// Never destroyed with the program's statics: the unit's end is ControlsUnitFinalize.
TControlsUnit& Unit() {
    static auto* unit = new TControlsUnit;
    return *unit;
}

bool IsActiveTimer(TqzTimer* timer) {
    const auto& list = Unit().ActiveTimers;
    return std::find(list.begin(), list.end(), timer) != list.end();
}

} // namespace

// ---- Unit ----------------------------------------------------------------------------------------

void ControlsUnitInitialize() {
    TControlsUnit& unit = Unit();
    if (unit.Started) return;
    unit.Started = true;
    for (int i = 0; i < 15; ++i)
        Screen->SetCursors(2100 + i, LoadCursorA(HInstance, qzCursorNames[i]));
    unit.User32 = LoadLibraryA("USER32");
    if (unit.User32 != nullptr) {
        unit.GetMonitorInfoProc = reinterpret_cast<TGetMonitorInfoProc>(GetProcAddress(unit.User32, "GetMonitorInfoA"));
        unit.MonitorFromPointProc =
            reinterpret_cast<TMonitorFromPointProc>(GetProcAddress(unit.User32, "MonitorFromPoint"));
    }
    GroupDescendentsWith(TqzControlChildComponent::StaticClass(), TControl::StaticClass());
}

void ControlsUnitFinalize() {
    TControlsUnit& unit = Unit();
    // Leftover tracking timers are freed: an exception at exit would end the process.
    while (!unit.Tracking.empty()) {
        TMouseTrackingTimer* timer = unit.Tracking.back();
        unit.Tracking.pop_back();
        delete timer;
    }
    if (unit.User32 != nullptr) FreeLibrary(unit.User32);
    unit.User32 = nullptr;
    unit.GetMonitorInfoProc = nullptr;
    unit.MonitorFromPointProc = nullptr;
    unit.Settings.reset();
    unit.TimerWindow.reset();
    unit.ActiveTimers.clear();
    unit.MessageWindow.reset();
    unit.Started = false;
}

// ---- Hidden windows ------------------------------------------------------------------------------

TqzMessageWindow::TqzMessageWindow() { FHandle = AllocateHWnd(TWndMethod(this, &TqzMessageWindow::MainProcedure)); }

TqzMessageWindow::~TqzMessageWindow() {
    if (FHandle != nullptr) DeallocateHWnd(FHandle);
}

void TqzMessageWindow::MainProcedure(TMessage& message) { WindowProcedure(message); }

void TqzMessageWindow::WindowProcedure(TMessage& message) {
    message.Result = DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam);
}

void TqzTimerWindow::WindowProcedure(TMessage& message) {
    if (message.Msg == WM_TIMER) {
        auto* timer = reinterpret_cast<TqzTimer*>(message.WParam);
        // A message of a timer killed or freed meanwhile is not for anybody.
        if (IsActiveTimer(timer)) {
            try {
                timer->TimerFired();
            } catch (...) {
                Application->HandleException(timer, std::current_exception());
            }
        }
        return;
    }
    TqzMessageWindow::WindowProcedure(message);
}

TqzMessageWindow* GetMessageWindow() {
    TControlsUnit& unit = Unit();
    if (!unit.MessageWindow) unit.MessageWindow = std::make_unique<TqzMessageWindow>();
    return unit.MessageWindow.get();
}

TqzTimerWindow* GetTimerWindow() {
    TControlsUnit& unit = Unit();
    if (!unit.TimerWindow) unit.TimerWindow = std::make_unique<TqzTimerWindow>();
    return unit.TimerWindow.get();
}

TqzSettingsController* GetSettingsController() {
    TControlsUnit& unit = Unit();
    if (!unit.Settings) unit.Settings = std::make_unique<TqzSettingsController>();
    return unit.Settings.get();
}

// ---- Settings controller -------------------------------------------------------------------------

TqzSettingsController::~TqzSettingsController() {
    if (FWindow != nullptr) DeallocateHWnd(FWindow);
}

void TqzSettingsController::RegisterControl(TWinControl* control) {
    if (control == nullptr || std::find(FControls.begin(), FControls.end(), control) != FControls.end()) return;
    FControls.push_back(control);
    if (FWindow == nullptr) FWindow = AllocateHWnd(TWndMethod(this, &TqzSettingsController::MainProcedure));
}

void TqzSettingsController::UnregisterControl(TWinControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it == FControls.end()) return;
    FControls.erase(it);
    if (FControls.empty() && FWindow != nullptr) {
        DeallocateHWnd(FWindow);
        FWindow = nullptr;
    }
}

void TqzSettingsController::MainProcedure(TMessage& message) {
    try {
        WindowProcedure(message);
    } catch (...) {
        Application->HandleException(this, std::current_exception());
    }
}

void TqzSettingsController::WindowProcedure(TMessage& message) {
    if (message.Msg == WM_SETTINGCHANGE && message.WParam == SPI_SETNONCLIENTMETRICS) {
        const std::vector<TWinControl*> controls = FControls;
        for (TWinControl* control : controls)
            if (std::find(FControls.begin(), FControls.end(), control) != FControls.end() &&
                control->HandleAllocated())
                SendNotifyMessageA(control->GetHandle(), QZM_SYSTEMMETRICSCHANGED, 0, 0);
        message.Result = 0;
        return;
    }
    message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
}

// ---- Timer ---------------------------------------------------------------------------------------

TqzTimer::TqzTimer(TComponent* owner) : TComponent(owner) {}

TqzTimer::~TqzTimer() { Kill(); }

void TqzTimer::SetEnabled(bool value) {
    if (FEnabled == value) return;
    FEnabled = value;
    Restart();
}

void TqzTimer::SetInterval(Integer value) {
    if (value == 0 || value == FInterval) return;
    FInterval = value;
    Restart();
}

void TqzTimer::SetOnTimer(const TNotifyEvent& value) {
    FOnTimer = value;
    Restart();
}

void TqzTimer::TimerFired() { FOnTimer(this); }

void TqzTimer::Restart() {
    Kill();
    if (FEnabled && !FTimerOn && FOnTimer) Start();
}

void TqzTimer::Start() {
    HWND window = GetTimerWindow()->GetHandle();
    if (SetTimer(window, UINT_PTR(this), UINT(std::max<Integer>(FInterval, 1)), nullptr) == 0) return;
    FTimerOn = true;
    Unit().ActiveTimers.push_back(this);
}

void TqzTimer::Kill() {
    if (!FTimerOn) return;
    FTimerOn = false;
    TControlsUnit& unit = Unit();
    if (unit.TimerWindow) KillTimer(unit.TimerWindow->GetHandle(), UINT_PTR(this));
    auto it = std::find(unit.ActiveTimers.begin(), unit.ActiveTimers.end(), this);
    if (it != unit.ActiveTimers.end()) unit.ActiveTimers.erase(it);
}

namespace {
const bool timerRegistered = [] {
    RegisterClass(TqzTimer::StaticClass());
    return true;
}();
} // namespace

KOV_PUBLISHED(TqzTimer) {
    Property("Enabled", &TqzTimer::GetEnabled, &TqzTimer::SetEnabled).Default(true);
    Property("Interval", &TqzTimer::GetInterval, &TqzTimer::SetInterval).Default(1000);
    Property("OnTimer", &TqzTimer::GetOnTimer, &TqzTimer::SetOnTimer);
}

// ---- Mouse tracking ------------------------------------------------------------------------------

TMouseTrackingTimer::TMouseTrackingTimer(IqzMouseTrackingCaller* caller, TWinControl* control,
                                         const TRect& screenBounds)
    : TqzTimer(nullptr), FCaller(caller), FControl(control), FBounds(screenBounds) {
    if (control != nullptr) FControlAlive = control->LivenessToken();
    SetInterval(10);
    SetOnTimer(TNotifyEvent(this, &TMouseTrackingTimer::Tick));
}

void TMouseTrackingTimer::Tick(TObject*) {
    POINT p{};
    GetCursorPos(&p);
    if (p.x >= FBounds.left && p.x < FBounds.right && p.y >= FBounds.top && p.y < FBounds.bottom) return;
    IqzMouseTrackingCaller* caller = FCaller;
    TWinControl* control = FControlAlive ? FControl : nullptr;
    if (control != nullptr && control->HandleAllocated()) {
        const POINT client = control->ScreenToClient(p);
        const RECT r = control->GetClientRect();
        if (!(client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom))
            SendMessageA(control->GetHandle(), CM_MOUSELEAVE, 0, LPARAM(control));
    }
    // This timer is freed by EndMouseTracking: nothing of it may be touched afterwards.
    caller->MouseLeave();
    EndMouseTracking(caller);
}

void BeginMouseTracking(TWinControl* control, const TRect& bounds, IqzMouseTrackingCaller* caller) {
    if (caller == nullptr || IsMouseTracking(caller)) return;
    TRect screen = bounds;
    if (control != nullptr) {
        const POINT topLeft = control->ClientToScreen(POINT{bounds.left, bounds.top});
        const POINT bottomRight = control->ClientToScreen(POINT{bounds.right, bounds.bottom});
        screen = TRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    }
    Unit().Tracking.push_back(new TMouseTrackingTimer(caller, control, screen));
}

void EndMouseTracking(IqzMouseTrackingCaller* caller) {
    auto& list = Unit().Tracking;
    auto it = std::find_if(list.begin(), list.end(), [&](TMouseTrackingTimer* t) { return t->GetCaller() == caller; });
    if (it == list.end()) return;
    TMouseTrackingTimer* timer = *it;
    list.erase(it);
    delete timer;
}

bool IsMouseTracking(IqzMouseTrackingCaller* caller) {
    const auto& list = Unit().Tracking;
    return std::any_of(list.begin(), list.end(), [&](TMouseTrackingTimer* t) { return t->GetCaller() == caller; });
}

Integer MouseTrackingCount() { return Integer(Unit().Tracking.size()); }

// ---- Drag detection --------------------------------------------------------------------------------

Integer DetectMouseDrag(HWND window) {
    Integer result = 2;
    POINT start{};
    GetCursorPos(&start);
    const Integer threshold = Mouse->GetDragThreshold();
    const RECT box{start.x - threshold, start.y - threshold, start.x + threshold, start.y + threshold};
    SetCapture(window);
    bool done = false;
    while (!done && GetCapture() == window) {
        MSG msg{};
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg.wParam == VK_ESCAPE) done = true;
            break;
        case WM_MOUSEMOVE:
            if (msg.hwnd == window) {
                POINT p = MakePointFromLParam(msg.lParam);
                ClientToScreen(window, &p);
                if (!(p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom)) {
                    result = 1;
                    done = true;
                }
            }
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            result = 0;
            done = true;
            break;
        default:
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (GetCapture() == window) ReleaseCapture();
    return result;
}

// ---- Drag scrolling ----------------------------------------------------------------------------------

namespace {

struct TDragScrolling {
    TqzControl* Control;
    TLivenessToken Alive;
    bool HBar, VBar;
    POINT Anchor{};
    Integer Width = 0, Height = 0;
    Integer Direction = 0;
    Integer Speed = 1;
    bool LeftNeutral = false;

    TCursor RestCursor() const { return HBar && VBar ? crqzFullScroll : HBar ? crqzHorScroll : crqzVerScroll; }

    void SetCursor() const {
        static const TCursor byDirection[5] = {0, crqzLeftScroll, crqzRightScroll, crqzUpScroll, crqzDownScroll};
        ::SetCursor(Screen->GetCursors(Direction == 0 ? RestCursor() : byDirection[Direction]));
    }

    void Track(POINT p) {
        RECT zone{Anchor.x - Width / 2, Anchor.y - Width / 2, Anchor.x - Width / 2 + Width,
                  Anchor.y - Width / 2 + Width};
        if (VBar && !HBar) {
            zone.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
            zone.right = zone.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        } else if (HBar && !VBar) {
            zone.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
            zone.bottom = zone.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
        }
        if (p.x >= zone.left && p.x < zone.right && p.y >= zone.top && p.y < zone.bottom) {
            Direction = 0;
            Speed = 0;
            return;
        }
        LeftNeutral = true;
        const Integer v = p.y - Anchor.y, h = p.x - Anchor.x;
        const bool vertical = !HBar || (VBar && std::abs(v) >= std::abs(h));
        Integer distance;
        if (vertical) {
            Direction = v < 0 ? 3 : 4;
            distance = std::abs(v);
        } else {
            Direction = h < 0 ? 1 : 2;
            distance = std::abs(h);
        }
        Speed = std::min<Integer>((distance - Width / 2) / 5 + 1, 12);
        if (Speed < 1) Speed = 1;
    }
};

} // namespace

void TqzControl::RunDragScrolling() {
    TDragScrolling s{this, LivenessToken(), IsHScrollBarVisible(), IsVScrollBarVisible()};
    if (!s.HBar && !s.VBar) return;
    if (!HandleAllocated()) return;
    FDragScrolling = true;
    GetCursorPos(&s.Anchor);
    // The anchor: the bitmap of the visible bars in an elliptic window centred on the press.
    const char* bitmapName = s.HBar && s.VBar ? "QZ_FULLSCROLLBITMAP" : s.HBar ? "QZ_HORSCROLLBITMAP" : "QZ_VERSCROLLBITMAP";
    HBITMAP bitmap = LoadBitmapA(HInstance, bitmapName);
    BITMAP info{};
    if (bitmap != nullptr) GetObjectA(bitmap, sizeof(info), &info);
    s.Width = info.bmWidth;
    s.Height = info.bmHeight;
    HWND anchor = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP,
                                  s.Anchor.x - s.Width / 2, s.Anchor.y - s.Height / 2, s.Width, s.Height,
                                  GetHandle(), nullptr, HInstance, nullptr);
    if (anchor != nullptr) {
        SetWindowRgn(anchor, CreateEllipticRgn(0, 0, s.Width + 1, s.Height + 1), TRUE);
        ShowWindow(anchor, SW_SHOWNOACTIVATE);
        HDC dc = GetWindowDC(anchor);
        if (dc != nullptr) {
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(source, bitmap);
            BitBlt(dc, 0, 0, s.Width, s.Height, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
            HRGN ellipse = CreateEllipticRgn(0, 0, s.Width + 1, s.Height + 1);
            HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
            FrameRgn(dc, ellipse, brush, 1, 1);
            DeleteObject(brush);
            DeleteObject(ellipse);
            ReleaseDC(anchor, dc);
        }
    }
    s.SetCursor();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    SetCapture(GetHandle());
    Integer ticks = 0;
    POINT last = s.Anchor;
    while (s.Alive && HandleAllocated() && GetCapture() == GetHandle()) {
        MSG msg{};
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        bool end = false, dispatch = true;
        switch (msg.message) {
        case WM_PAINT:
            if (msg.hwnd == anchor) {
                ValidateRect(anchor, nullptr);
                dispatch = false;
            }
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg.wParam == VK_ESCAPE) end = true;
            break;
        case WM_TIMER:
            if (msg.hwnd == nullptr && msg.wParam == timer) {
                ++ticks;
                if (s.Direction != 0 && ticks % (13 - s.Speed) == 0) ScrollInDirection(s.Direction);
                dispatch = false;
            }
            break;
        case WM_MOUSEMOVE: {
            POINT p{};
            GetCursorPos(&p);
            if (p.x != last.x || p.y != last.y) {
                s.Track(p);
                s.SetCursor();
                last = p;
            }
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MOUSEWHEEL:
            end = true;
            dispatch = false;
            break;
        case WM_MBUTTONUP:
            // A middle click without moving keeps scrolling until the next press.
            if (s.LeftNeutral)
                end = true;
            else
                dispatch = false;
            break;
        default:
            break;
        }
        if (dispatch) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (end) break;
    }
    if (s.Alive && HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
    KillTimer(nullptr, timer);
    if (anchor != nullptr) DestroyWindow(anchor);
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (s.Alive) {
        FDragScrolling = false;
        Screen->SetCursor(crDefault);
    }
}

// ---- Popup menus ---------------------------------------------------------------------------------

// The height the menu's window will have, measured as the window measures it: a raised edge and a
// pixel of menu colour above and below the items; a separator half a menu button high; a text item
// as high as the menu font's text plus 4, at least a menu button; an owner-drawn item (all items of
// a menu that draws its own or has images, and those with a bitmap) as high as its MeasureItem
// says. A break starts a new column beside the previous one; the tallest column counts.
Integer CalcPopupMenuHeight(TComponent* popupMenu) {
    auto* menu = dynamic_cast<TPopupMenu*>(popupMenu);
    if (menu == nullptr) return 0;
    TScreenCanvas canvas;
    canvas.GetFont()->Assign(Screen->GetMenuFont());
    const Integer button = GetSystemMetrics(SM_CYMENUSIZE);
    const Integer standard = std::max<Integer>(button, canvas.TextHeight("Qg") + 4);
    const Integer frame = GetSystemMetrics(SM_CYEDGE) + 1;
    Integer column = 0;
    Integer tallest = 0;
    bool first = true;
    TMenuItem* items = menu->GetItems();
    for (Integer i = 0; i < items->GetCount(); ++i) {
        TMenuItem* item = items->GetItem(i);
        if (!item->GetVisible()) continue;
        if (!first && item->GetBreak() != mbNone) {
            tallest = std::max(tallest, column);
            column = 0;
        }
        first = false;
        Integer height = standard;
        if (menu->IsOwnerDraw() || item->HasBitmap()) {
            Integer width = 0;
            height = button;
            item->MeasureItem(&canvas, width, height);
            height = std::max<Integer>(height, 0);
        } else if (item->IsLine()) {
            height = button / 2;
        }
        column += height;
    }
    return std::max(tallest, column) + 2 * frame;
}

bool IsPopupMenuShortCut(TComponent* popupMenu, TWMKey& message) {
    auto* menu = dynamic_cast<TPopupMenu*>(popupMenu);
    if (menu == nullptr || menu->GetWindowHandle() == nullptr) return false;
    return menu->IsShortCut(message);
}

bool ShowPopupMenuAt(TControl* control, TComponent* popupMenu, Integer x, Integer y) {
    auto* menu = dynamic_cast<TPopupMenu*>(popupMenu);
    if (menu == nullptr || !menu->GetAutoPopup()) return false;
    menu->SetPopupComponent(control);
    menu->Popup(x, y);
    return true;
}

void HandleContextMenuMessage(TWinControl* control, TWMContextMenu& message,
                              const std::function<void(POINT, bool&)>& contextPopup) {
    if (message.Result != 0) return;
    TMessage plain{message.Msg, WPARAM(message.hWnd), MAKELPARAM(WORD(message.XPos), WORD(message.YPos)), 0};
    if (!control->GetComponentState().Contains(csDesigning)) {
        POINT p{message.XPos, message.YPos};
        bool inside = true;
        if (!(p.x == -1 && p.y == -1)) {
            p = control->ScreenToClient(p);
            const RECT r = control->GetClientRect();
            inside = p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
        }
        if (inside) {
            const TLivenessToken alive = control->LivenessToken();
            bool handled = false;
            contextPopup(p, handled);
            if (handled) {
                message.Result = 1;
                return;
            }
            if (!alive) return;
        }
    }
    control->DefaultHandler(&plain);
    message.Result = plain.Result;
}

POINT ContextPopupScreenPoint(TControl* control, POINT clientPos) {
    if (clientPos.x == -1 && clientPos.y == -1) clientPos = POINT{0, 0};
    return control->ClientToScreen(clientPos);
}

// ---- Monitors and helpers ------------------------------------------------------------------------

TRect GetMonitorWorkArea(const TPoint& point) {
    ControlsUnitInitialize();
    TControlsUnit& unit = Unit();
    if (unit.GetMonitorInfoProc != nullptr && unit.MonitorFromPointProc != nullptr) {
        MONITORINFO info{};
        info.cbSize = 40;
        HMONITOR monitor = unit.MonitorFromPointProc(POINT{point.x, point.y}, MONITOR_DEFAULTTONEAREST);
        if (unit.GetMonitorInfoProc(monitor, &info)) return info.rcWork;
    }
    TRect area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool AnyParentHasHandle(TControl* control) {
    for (TWinControl* parent = control != nullptr ? control->GetParent() : nullptr; parent != nullptr;
         parent = parent->GetParent())
        if (parent->HandleAllocated()) return true;
    return false;
}

Integer DoubleClickInterval() { return Integer(GetDoubleClickTime()); }

bool IsNumericInputChar(char32_t ch, Integer mode) {
    if (ch == U'+' || ch == U'-' || (ch >= U'0' && ch <= U'9')) return true;
    if (mode == 1 || mode == 2) {
        if (ch == char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator))) return true;
    }
    return mode == 2 && (ch == U'e' || ch == U'E');
}

bool IsPrintableChar(char32_t ch) { return ch >= 32; }

Word KeyCharCode(char32_t ch) { return Word(ch); }

void MapRectBetweenWindows(HWND from, HWND to, TRect& rect) {
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    MapWindowPoints(from, to, corners, 2);
    rect = TRect{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

bool IsInDragThresholdBox(const TPoint& pressPoint, Integer x, Integer y) {
    const Integer threshold = Mouse->GetDragThreshold();
    return std::abs(x - pressPoint.x) < threshold && std::abs(y - pressPoint.y) < threshold;
}

void GetScrollBarMetrics(TSize& metrics) {
    metrics.cx = GetSystemMetrics(SM_CXVSCROLL);
    metrics.cy = GetSystemMetrics(SM_CYHSCROLL);
}
