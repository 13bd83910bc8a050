#include "platform/classlib/Hints.h"

#include <algorithm>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysMetrics.h"

// ---- THintWindow ----------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    SetColor(clInfoBk);
    GetFont()->Assign(Screen->GetHintFont());
    GetFont()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    params.WndParent = nullptr;
    params.WindowClass.style |= CS_SAVEBITS;
}

TRect THintWindow::CalcHintRect(Integer maxWidth, const String& hint, void* data) {
    TRect rect{0, 0, maxWidth, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.GetFont()->Assign(GetFont());
        canvas.TextRect(rect, hint, TTextFormat{tfCalcRect, tfLeft, tfWordBreak, tfNoPrefix});
        canvas.SetHandle(nullptr);
    }
    DeleteDC(dc);
    // The text's margins and the border.
    rect.right += 6;
    rect.bottom += 2;
    return rect;
}

void THintWindow::ActivateHint(const TRect& rect, const String& hint) {
    SetCaption(hint);
    TRect r = rect;
    // Kept on the screen the hint appears on.
    const Integer screenRight = GetSystemMetrics(SM_CXSCREEN);
    const Integer screenBottom = GetSystemMetrics(SM_CYSCREEN);
    if (r.right > screenRight) OffsetRect(&r, screenRight - r.right, 0);
    if (r.bottom > screenBottom) OffsetRect(&r, 0, screenBottom - r.bottom);
    if (r.left < 0) OffsetRect(&r, -r.left, 0);
    if (r.top < 0) OffsetRect(&r, 0, -r.top);
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    HandleNeeded();
    SetWindowPos(GetHandle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE);
    ShowWindow(GetHandle(), SW_SHOWNOACTIVATE);
    FVisible = true;
    InvalidateRect(GetHandle(), nullptr, TRUE);
}

void THintWindow::ReleaseHandle() {
    FVisible = false;
    if (HandleAllocated()) ShowWindow(GetHandle(), SW_HIDE);
}

bool THintWindow::IsHintShowing() const {
    return FHandle != nullptr && IsWindowVisible(FHandle);
}

void THintWindow::Paint() {
    TCanvas* canvas = GetCanvas();
    TRect rect = GetClientRect();
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(rect);
    canvas->GetFont()->Assign(GetFont());
    canvas->GetBrush()->SetStyle(bsClear);
    rect.left += 2;
    rect.top += 1;
    canvas->TextRect(rect, GetCaption(), TTextFormat{tfLeft, tfWordBreak, tfNoPrefix});
}

// ---- Hint texts -----------------------------------------------------------------------------------

String GetShortHint(const String& hint) {
    const auto bar = hint.find('|');
    return bar == String::npos ? hint : hint.substr(0, bar);
}

String GetLongHint(const String& hint) {
    const auto bar = hint.find('|');
    return bar == String::npos ? hint : hint.substr(bar + 1);
}

// ---- The application's hint handling ------------------------------------------------------------------

namespace {

enum class THintTimer { None, Show, Hide, Reshow };

struct THintState {
    TControl* Control = nullptr;     // the control the hint is for
    TLivenessToken ControlAlive;
    TControl* MouseControl = nullptr; // the control under the mouse (for Application->Hint)
    TLivenessToken MouseAlive;
    THintWindow* Window = nullptr;
    TLivenessToken WindowAlive;
    UINT_PTR Timer = 0;
    THintTimer TimerKind = THintTimer::None;
    POINT CursorPos{};
    bool Active = false;      // a hint shows, or one was shown and hidden by its time-out
    DWORD HiddenAt = 0;       // when the last hint was hidden by moving on
    bool RecentlyHidden = false;
    HHOOK Hook = nullptr;
};

THintState& State() {
    static THintState state;
    return state;
}

void StopTimer() {
    THintState& s = State();
    if (s.Timer != 0) KillTimer(nullptr, s.Timer);
    s.Timer = 0;
    s.TimerKind = THintTimer::None;
}

void TimerFired(HWND, UINT, UINT_PTR, DWORD);

void StartTimer(THintTimer kind, Integer ms) {
    StopTimer();
    THintState& s = State();
    s.Timer = SetTimer(nullptr, 0, UINT(std::max(ms, 1)), TimerFired);
    s.TimerKind = kind;
}

THintWindow* HintWindow() {
    THintState& s = State();
    if (s.Window == nullptr || !s.WindowAlive) {
        s.Window = new THintWindow(Application);
        s.WindowAlive = s.Window->LivenessToken();
    }
    return s.Window;
}

bool HintShowing() {
    THintState& s = State();
    return s.Window != nullptr && s.WindowAlive && s.Window->IsHintShowing();
}

void HideHint() {
    THintState& s = State();
    if (HintShowing()) {
        s.Window->ReleaseHandle();
        s.HiddenAt = GetTickCount();
        s.RecentlyHidden = true;
    }
}

// The control that shows hints for `control`: itself or its nearest parent with ShowHint.
TControl* HintControlOf(TControl* control) {
    while (control != nullptr && !control->GetShowHint()) control = control->GetParent();
    return control;
}

// The hint of a control, or of its nearest parent that has one.
String HintOf(TControl* control) {
    while (control != nullptr) {
        if (!control->GetHint().empty()) return control->GetHint();
        control = control->GetParent();
    }
    return String();
}

void ShowHintNow() {
    THintState& s = State();
    StopTimer();
    if (s.Control == nullptr || !s.ControlAlive || !Application->GetShowHint()) return;
    TControl* control = s.Control;
    THintInfo info;
    info.HintControl = control;
    info.HintPos = POINT{s.CursorPos.x, s.CursorPos.y + GetSystemMetrics(SM_CYCURSOR)};
    info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN);
    info.HintColor = Application->GetHintColor();
    info.CursorRect = control->GetClientRect();
    info.CursorPos = control->ScreenToClient(s.CursorPos);
    info.ReshowTimeout = 0;
    info.HideTimeout = Application->GetHintHidePause();
    info.HintStr = GetShortHint(HintOf(control));
    const TLivenessToken alive = s.ControlAlive;
    const bool refused = control->Perform(CM_HINTSHOW, 0, LPARAM(&info)) != 0;
    if (!alive) return;
    bool canShow = !refused;
    if (canShow && Application->OnShowHint.Assigned()) Application->OnShowHint(info.HintStr, canShow, info);
    s.Active = true;
    if (canShow && !info.HintStr.empty() && s.ControlAlive) {
        THintWindow* window = HintWindow();
        window->SetColor(info.HintColor);
        TRect rect = window->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
        OffsetRect(&rect, info.HintPos.x, info.HintPos.y);
        window->ActivateHint(rect, info.HintStr);
        s.RecentlyHidden = false;
        if (info.ReshowTimeout > 0)
            StartTimer(THintTimer::Reshow, info.ReshowTimeout);
        else if (info.HideTimeout > 0)
            StartTimer(THintTimer::Hide, info.HideTimeout);
    } else {
        HideHint();
    }
}

void TimerFired(HWND, UINT, UINT_PTR id, DWORD) {
    THintState& s = State();
    if (id != s.Timer) return;
    const THintTimer kind = s.TimerKind;
    StopTimer();
    switch (kind) {
    case THintTimer::Show:
    case THintTimer::Reshow: ShowHintNow(); break;
    case THintTimer::Hide:
        // Hidden until the mouse moves on to another control.
        if (HintShowing()) s.Window->ReleaseHandle();
        break;
    case THintTimer::None: break;
    }
}

LRESULT GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && wParam == PM_REMOVE && lParam != 0) {
        try {
            HintMessageFilter(*reinterpret_cast<MSG*>(lParam));
        } catch (...) {
            Application->HandleException(nullptr);
        }
    }
    return CallNextHookEx(State().Hook, code, wParam, lParam);
}

} // namespace

void HintMouseMessage(TControl* control, POINT screenPos) {
    THintState& s = State();
    s.CursorPos = screenPos;
    // Application->Hint follows the control under the mouse.
    if (control != s.MouseControl || (s.MouseControl != nullptr && !s.MouseAlive)) {
        s.MouseControl = control;
        s.MouseAlive = control != nullptr ? control->LivenessToken() : TLivenessToken();
        Application->SetHint(control != nullptr ? GetLongHint(HintOf(control)) : String());
    }
    TControl* hintControl = Application->GetShowHint() ? HintControlOf(control) : nullptr;
    if (hintControl != nullptr && hintControl->GetComponentState().Contains(csDesigning)) hintControl = nullptr;
    if (hintControl == nullptr) {
        CancelApplicationHint();
        return;
    }
    if (hintControl == s.Control && s.ControlAlive) return;
    // Moving on from a hint that shows (or just went) takes the short pause.
    const bool quick = HintShowing() || (s.RecentlyHidden && GetTickCount() - s.HiddenAt <
                                                                  DWORD(std::max(Application->GetHintShortPause(), 0)));
    HideHint();
    s.Control = hintControl;
    s.ControlAlive = hintControl->LivenessToken();
    StartTimer(THintTimer::Show, quick ? Application->GetHintShortPause() : Application->GetHintPause());
}

void HintMessageFilter(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        POINT pos{SHORT(LOWORD(std::uintptr_t(msg.lParam))), SHORT(HIWORD(std::uintptr_t(msg.lParam)))};
        if (msg.hwnd != nullptr) ClientToScreen(msg.hwnd, &pos);
        // Not over the hint window itself.
        THintState& s = State();
        if (s.Window != nullptr && s.WindowAlive && s.Window->HandleAllocated() && msg.hwnd == s.Window->GetHandle())
            return;
        HintMouseMessage(FindControl(msg.hwnd) != nullptr ? FindVCLWindow(pos) : nullptr, pos);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEWHEEL:
        CancelApplicationHint();
        break;
    default: break;
    }
}

void CancelApplicationHint() {
    THintState& s = State();
    StopTimer();
    if (HintShowing()) s.Window->ReleaseHandle();
    s.RecentlyHidden = false;
    s.Control = nullptr;
    s.ControlAlive = TLivenessToken();
    s.Active = false;
}

THintWindow* GetApplicationHintWindow() {
    THintState& s = State();
    return s.Window != nullptr && s.WindowAlive ? s.Window : nullptr;
}

TControl* GetApplicationHintControl() {
    THintState& s = State();
    return s.ControlAlive ? s.Control : nullptr;
}

void InstallHintHook() {
    THintState& s = State();
    if (s.Hook != nullptr) return;
    s.Hook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
}

void RemoveHintHook() {
    THintState& s = State();
    if (s.Hook == nullptr) return;
    UnhookWindowsHookEx(s.Hook);
    s.Hook = nullptr;
}

namespace {
const bool kHintsRegistered = [] {
    RegisterClasses({THintWindow::StaticClass()});
    return true;
}();
} // namespace
