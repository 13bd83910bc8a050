// The styled popup window: showing against its owner with the work-area cut, the modal loop of
// a focus-taking popup, closing; the list of open popups and the three thread hooks that close
// them on outside clicks, owner hiding, moving or closing, and application deactivation, keep
// the owner form's caption active and hold back Alt accelerators.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzContainer.h"

namespace {

struct TPopupUnit {
    std::vector<TqzCustomPopupWindow*> Open;
    HHOOK CallWndProcHook = nullptr;
    HHOOK GetMessageHook = nullptr;
    HHOOK MouseHook = nullptr;
    // The window whose WM_NCACTIVATE is answered once, and its own procedure.
    HWND LockedWindow = nullptr;
    WNDPROC LockedProc = nullptr;
    bool ClosingOnOutsideClick = false;
};

TPopupUnit& Unit() {
    static TPopupUnit* const unit = new TPopupUnit;
    return *unit;
}

bool IsListed(TqzCustomPopupWindow* popup) {
    const auto& open = Unit().Open;
    return std::find(open.begin(), open.end(), popup) != open.end();
}

void RemoveFromList(TqzCustomPopupWindow* popup) {
    auto& open = Unit().Open;
    open.erase(std::remove(open.begin(), open.end(), popup), open.end());
}

bool IsDestroying(TComponent* component) {
    return component && component->GetComponentState().Contains(csDestroying);
}

TCustomForm* OwnerForm(TqzCustomPopupWindow* popup) {
    return popup->GetOwnerControl() ? GetParentForm(popup->GetOwnerControl()) : nullptr;
}

TWinControl* OwnerWinControl(TqzCustomPopupWindow* popup) {
    return dynamic_cast<TWinControl*>(popup->GetOwnerControl());
}

// ---- The one-shot caption lock ----

LRESULT LockedNCActivateProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TPopupUnit& unit = Unit();
    WNDPROC saved = unit.LockedProc;
    if (window == unit.LockedWindow && saved) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, LONG_PTR(saved));
        unit.LockedWindow = nullptr;
        unit.LockedProc = nullptr;
        if (message == WM_NCACTIVATE) return 1;
        return CallWindowProcA(saved, window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void LockNCActivate(HWND window) {
    TPopupUnit& unit = Unit();
    if (!window || unit.LockedWindow) return;
    unit.LockedWindow = window;
    unit.LockedProc = WNDPROC(SetWindowLongPtrA(window, GWLP_WNDPROC, LONG_PTR(&LockedNCActivateProc)));
}

// ---- Hook paths ----

void ClosePopupsOnDestroy(HWND window) {
    for (TqzCustomPopupWindow* popup : std::vector<TqzCustomPopupWindow*>(Unit().Open))
        if (IsListed(popup) && !IsDestroying(popup) && popup->HandleAllocated() && popup->GetHandle() == window)
            popup->Close();
}

void ClosePopupsOnClose(HWND window) {
    for (TqzCustomPopupWindow* popup : std::vector<TqzCustomPopupWindow*>(Unit().Open)) {
        if (!IsListed(popup) || IsDestroying(popup)) continue;
        if (popup->HandleAllocated() && popup->GetHandle() == window) {
            const TLivenessToken alive = popup->LivenessToken();
            TControl* owner = popup->GetOwnerControl();
            const bool takesFocus = popup->GetTakesFocus();
            popup->Close();
            if (alive && !IsListed(popup) && takesFocus && owner && !IsDestroying(owner))
                if (TCustomForm* form = GetParentForm(owner); form && form->HandleAllocated())
                    SendMessageA(form->GetHandle(), WM_CLOSE, 0, 0);
            return;
        }
        if (popup->GetTakesFocus()) continue;
        TControl* owner = popup->GetOwnerControl();
        if (!IsDestroying(owner)) {
            TCustomForm* form = OwnerForm(popup);
            if (!form || !form->HandleAllocated() || form->GetHandle() == window) popup->ClosePopup();
        }
        return;
    }
}

void ClosePopupsOnHide(HWND window) {
    auto& open = Unit().Open;
    for (Integer i = Integer(open.size()) - 1; i >= 0; --i) {
        TqzCustomPopupWindow* popup = open[i];
        if (IsDestroying(popup)) continue;
        TWinControl* owner = OwnerWinControl(popup);
        if (!owner || IsDestroying(owner) || !owner->HandleAllocated() || owner->GetHandle() != window) continue;
        // This popup and every newer one.
        const std::vector<TqzCustomPopupWindow*> newer(open.begin() + i, open.end());
        for (auto it = newer.rbegin(); it != newer.rend(); ++it)
            if (IsListed(*it)) (*it)->ClosePopup();
        return;
    }
}

void ClosePopupsOnAppDeactivation() {
    for (bool closed = true; closed;) {
        closed = false;
        for (TqzCustomPopupWindow* popup : std::vector<TqzCustomPopupWindow*>(Unit().Open)) {
            if (!IsListed(popup)) continue;
            if (TCustomForm* form = OwnerForm(popup); form && form->HandleAllocated())
                PostMessageA(form->GetHandle(), WM_NCACTIVATE, FALSE, 0);
            const bool active = popup->HandleAllocated() && GetActiveWindow() == popup->GetHandle();
            if ((!popup->GetTakesFocus() || !active) && popup->HandleAllocated() &&
                IsWindowEnabled(popup->GetHandle())) {
                TControl* owner = popup->GetOwnerControl();
                const TLivenessToken ownerAlive = owner ? owner->LivenessToken() : TLivenessToken();
                popup->ClosePopup();
                if (owner && ownerAlive)
                    if (auto* container = dynamic_cast<TqzContainer*>(owner)) container->HandleFocusChange();
                closed = true;
                break;
            }
        }
    }
}

void ClosePopupsOnMove(HWND window) {
    for (bool closed = true; closed;) {
        closed = false;
        for (TqzCustomPopupWindow* popup : Unit().Open) {
            if (IsDestroying(popup) || !popup->HandleAllocated()) continue;
            TWinControl* owner = OwnerWinControl(popup);
            if (!owner || IsDestroying(owner) || !owner->HandleAllocated() || owner->GetHandle() != window) continue;
            if (IsWindowVisible(window)) continue;
            popup->ClosePopup();
            closed = true;
            break;
        }
    }
}

bool IsOwnerFormOfOpenPopup(HWND window) {
    for (TqzCustomPopupWindow* popup : Unit().Open) {
        if (IsDestroying(popup)) continue;
        TCustomForm* form = OwnerForm(popup);
        if (form && form->HandleAllocated() && form->GetHandle() == window) return true;
    }
    return false;
}

LRESULT PopupCallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
    TPopupUnit& unit = Unit();
    if (code == HC_ACTION && !unit.Open.empty()) {
        const CWPSTRUCT& m = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        switch (m.message) {
        case WM_DESTROY:
            ClosePopupsOnDestroy(m.hwnd);
            break;
        case WM_CLOSE:
            ClosePopupsOnClose(m.hwnd);
            break;
        case WM_SHOWWINDOW:
            if (!m.wParam) ClosePopupsOnHide(m.hwnd);
            break;
        case WM_ACTIVATEAPP:
            if (!m.wParam) ClosePopupsOnAppDeactivation();
            break;
        case WM_WINDOWPOSCHANGED:
            ClosePopupsOnMove(m.hwnd);
            break;
        case WM_NCACTIVATE:
            if (!m.wParam && (unit.ClosingOnOutsideClick || IsOwnerFormOfOpenPopup(m.hwnd))) LockNCActivate(m.hwnd);
            break;
        default:
            break;
        }
    }
    return CallNextHookEx(unit.CallWndProcHook, code, wParam, lParam);
}

LRESULT PopupGetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    TPopupUnit& unit = Unit();
    if (code == HC_ACTION && wParam == PM_REMOVE && !unit.Open.empty()) {
        MSG& msg = *reinterpret_cast<MSG*>(lParam);
        if (msg.message == WM_SYSKEYDOWN) {
            TqzCustomPopupWindow* newest = unit.Open.back();
            const bool modalFocus = newest->GetTakesFocus() && newest->GetModal();
            if (!modalFocus && !newest->IsPopupNavigationKey(Word(msg.wParam))) msg.message = WM_NULL;
        }
    }
    return CallNextHookEx(unit.GetMessageHook, code, wParam, lParam);
}

LRESULT PopupMouseHook(int code, WPARAM wParam, LPARAM lParam) {
    TPopupUnit& unit = Unit();
    if (code == HC_ACTION && !unit.Open.empty()) {
        const UINT message = UINT(wParam);
        if (message == WM_NCLBUTTONDOWN || message == WM_NCLBUTTONDBLCLK || message == WM_LBUTTONDOWN ||
            message == WM_LBUTTONDBLCLK) {
            const MOUSEHOOKSTRUCT& m = *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
            if (!CloseOnOutsideClick(m.hwnd, message, TPoint{m.pt.x, m.pt.y})) return 1;
        }
    }
    return CallNextHookEx(unit.MouseHook, code, wParam, lParam);
}

bool IsWindowOfControl(TWinControl* control, HWND window) {
    return control && control->HandleAllocated() &&
           (control->GetHandle() == window || IsChild(control->GetHandle(), window));
}

bool IsClickInMDIFamily(TCustomForm* ownerForm, HWND window) {
    if (!ownerForm || ownerForm->GetFormStyle() != fsMDIChild) return false;
    TForm* mainForm = Application ? Application->GetMainForm() : nullptr;
    if (!mainForm || !mainForm->HandleAllocated()) return false;
    return mainForm->GetHandle() == window || IsChild(mainForm->GetHandle(), window);
}

} // namespace

// ---- Unit --------------------------------------------------------------------------------------

bool IsOpenPopupWindow(TCustomForm* form) {
    auto* popup = dynamic_cast<TqzCustomPopupWindow*>(form);
    return popup && IsListed(popup);
}

const std::vector<TqzCustomPopupWindow*>& GetOpenPopupWindows() { return Unit().Open; }

void PostPopupCloseRequest(TqzCustomPopupWindow* popup) {
    if (popup && popup->HandleAllocated()) PostMessageA(popup->GetHandle(), QZM_POPUPCLOSEREQUEST, 0, 0);
}

void InstallPopupHooks() {
    TPopupUnit& unit = Unit();
    if (unit.CallWndProcHook) return;
    const DWORD thread = GetCurrentThreadId();
    unit.CallWndProcHook = SetWindowsHookExA(WH_CALLWNDPROC, &PopupCallWndProcHook, nullptr, thread);
    unit.GetMessageHook = SetWindowsHookExA(WH_GETMESSAGE, &PopupGetMessageHook, nullptr, thread);
    unit.MouseHook = SetWindowsHookExA(WH_MOUSE, &PopupMouseHook, nullptr, thread);
}

void RemovePopupHooks() {
    TPopupUnit& unit = Unit();
    if (unit.MouseHook) UnhookWindowsHookEx(unit.MouseHook);
    if (unit.GetMessageHook) UnhookWindowsHookEx(unit.GetMessageHook);
    if (unit.CallWndProcHook) UnhookWindowsHookEx(unit.CallWndProcHook);
    unit.MouseHook = unit.GetMessageHook = unit.CallWndProcHook = nullptr;
}

bool CloseOnOutsideClick(HWND window, UINT message, const TPoint& point) {
    TPopupUnit& unit = Unit();
    bool result = true;
    for (bool closed = true; closed;) {
        closed = false;
        for (TqzCustomPopupWindow* popup : std::vector<TqzCustomPopupWindow*>(unit.Open)) {
            if (!IsListed(popup)) continue;
            if (popup->GetTakesFocus() && Screen->GetActiveForm() != popup) continue;
            if (popup->HandleAllocated() &&
                (popup->GetHandle() == window || IsWindowOwnedByControl(popup, window)))
                continue;
            TControl* owner = popup->GetOwnerControl();
            TCustomForm* ownerForm = OwnerForm(popup);
            auto* ownerPopup = dynamic_cast<TqzCustomPopupWindow*>(ownerForm);
            if ((owner && IsWindowInControlForm(owner, window)) || (ownerPopup && !IsListed(ownerPopup))) {
                bool onOwner = false;
                if (auto* ownerWin = dynamic_cast<TWinControl*>(owner);
                    IsWindowOfControl(ownerWin, window) && (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)) {
                    TRect bounds = popup->GetOwnerBounds();
                    if (TControl* parent = popup->GetOwnerParent()) {
                        const POINT a = parent->ClientToScreen(POINT{bounds.left, bounds.top});
                        const POINT b = parent->ClientToScreen(POINT{bounds.right, bounds.bottom});
                        bounds = TRect{a.x, a.y, b.x, b.y};
                    }
                    onOwner = point.x >= bounds.left && point.x < bounds.right && point.y >= bounds.top &&
                              point.y < bounds.bottom;
                }
                const TLivenessToken ownerAlive = owner ? owner->LivenessToken() : TLivenessToken();
                const TLivenessToken popupAlive = popup->LivenessToken();
                const bool savedOutside = unit.ClosingOnOutsideClick;
                unit.ClosingOnOutsideClick = true;
                popup->SetClosingByRequest(true);
                popup->ClosePopup();
                if (popupAlive) popup->SetClosingByRequest(false);
                unit.ClosingOnOutsideClick = savedOutside;
                if (onOwner && (!ownerAlive || IsDestroying(owner) || !owner->GetVisible())) result = false;
                closed = true;
                break;
            }
            if (IsClickInMDIFamily(ownerForm, window)) {
                popup->ClosePopup();
                closed = true;
                break;
            }
        }
    }
    return result;
}

// ---- TqzCustomPopupWindow ----------------------------------------------------------------------

TqzCustomPopupWindow::TqzCustomPopupWindow(TControl* ownerControl) : TqzCustomPopupWindow(ownerControl, false) {}

TqzCustomPopupWindow::TqzCustomPopupWindow(TControl* ownerControl, bool deferInitialization)
    : TqzPopupWindow(ownerControl), FOwnerControl(ownerControl) {
    InstallPopupHooks();
    SetFormStyle(fsNormal);
    SetVisible(false);
    SetKeyPreview(true);
    if (!deferInitialization) InitializePopup();
}

void TqzCustomPopupWindow::InitializePopup() {
    FStyle.reset(GetStyleClass()(this, csNormal, nullptr, false));
    FStyle->SetChangeHandler(MakeEvent(this, &TqzCustomPopupWindow::HandleStyleChange));
    FViewInfo.reset(GetViewInfoClass()());
}

TqzCustomPopupWindow::~TqzCustomPopupWindow() {
    RemoveFromList(this);
    FViewInfo.reset();
    if (FStyle) FStyle->SetChangeHandler(nullptr);
    FStyle.reset();
}

TqzContainerStyleClass TqzCustomPopupWindow::GetStyleClass() { return &TqzContainerStyle::CreateInstance; }

TqzContainerViewInfoClass TqzCustomPopupWindow::GetViewInfoClass() {
    return [] { return new TqzContainerViewInfo; };
}

bool TqzCustomPopupWindow::IsOpen() const { return IsListed(const_cast<TqzCustomPopupWindow*>(this)); }

void TqzCustomPopupWindow::NotifyClosed() {
    if (OnAfterClose) OnAfterClose(this);
}

void TqzCustomPopupWindow::NotifyClosing() {
    if (OnBeforeClose) OnBeforeClose(this);
}

void TqzCustomPopupWindow::NotifyShown() {
    if (OnAfterShow) OnAfterShow(this);
}

bool TqzCustomPopupWindow::IsPopupNavigationKey(Word key) { return (key >= 33 && key <= 40) || key == VK_F4; }

bool TqzCustomPopupWindow::IsFocused() {
    if (!IsOpen() || !FTakesFocus || !HandleAllocated()) return false;
    const HWND focus = GetFocus();
    return focus == GetHandle() || IsWindowOwnedByControl(this, focus);
}

void TqzCustomPopupWindow::ClampToWorkArea(TPoint& position) {
    if (!LimitsToWorkArea()) return;
    const TRect work = GetMonitorWorkArea(position);
    Integer width = GetWidth(), height = GetHeight();
    if (position.x < work.left) {
        width -= work.left - position.x;
        position.x = work.left;
    }
    if (position.y < work.top) {
        height -= work.top - position.y;
        position.y = work.top;
    }
    const Integer wanted = std::min(height, work.bottom - position.y);
    width = std::min(width, work.right - position.x);
    SetWidth(width);
    SetHeight(wanted);
    // A size constraint may refuse the height: keep the bottom edge where it was wanted.
    if (GetHeight() != wanted && position.y == work.top) position.y -= GetHeight() - wanted;
}

void TqzCustomPopupWindow::ShowPopup(TWinControl* focusControl) {
    if (IsOpen()) return;
    TWinControl* ownerWin = OwnerWinControl(this);
    if (ownerWin && ownerWin->HandleAllocated() && !IsWindowVisible(ownerWin->GetHandle())) {
        Unit().Open.push_back(this);
        ClosePopup();
        return;
    }
    const TLivenessToken alive = LivenessToken();
    TakeOwnerFont();
    FitToContents();
    TPoint position{GetLeft(), GetTop()};
    CalcPopupPosition(position);
    ClampToWorkArea(position);
    Unit().Open.push_back(this);
    if (OnBeforeShow) OnBeforeShow(this);
    if (!alive) return;
    SetBounds(position.x, position.y, GetWidth(), GetHeight());
    if (FTakesFocus)
        Show();
    else {
        SetVisible(true);
    }
    if (!alive) return;
    TWinControl* target = focusControl;
    if (FTakesFocus) {
        if (!target || !target->CanFocus() || !target->GetTabStop()) {
            target = nullptr;
            std::vector<TWinControl*> order;
            GetTabOrderList(order);
            for (TWinControl* c : order)
                if (c->GetTabStop() && c->CanFocus()) {
                    target = c;
                    break;
                }
        }
    }
    FFocusControl = target;
    if (FTakesFocus) {
        if (target && target->CanFocus())
            target->SetFocus();
        else if (HandleAllocated())
            ::SetFocus(GetHandle());
    } else if (target && target->CanFocus()) {
        target->SetFocus();
    }
    if (!alive) return;
    TCustomForm* ownerForm = OwnerForm(this);
    const bool topmost = !FTakesFocus || !ownerForm ||
                         (ownerForm->HandleAllocated() && (GetWindowLongA(ownerForm->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST));
    if (HandleAllocated())
        SetWindowPos(GetHandle(), topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetModalResult(mrNone);
    NotifyShown();
    if (alive && FTakesFocus && FModal) RunModalLoop();
}

void TqzCustomPopupWindow::RunModalLoop() {
    const TLivenessToken alive = LivenessToken();
    while (alive && GetVisible() && IsOpen()) {
        if (Application->GetTerminated()) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
               (msg.wParam == VK_RETURN || msg.wParam == VK_MENU || msg.wParam == VK_SPACE))
            PeekMessageA(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
        if (GetModalResult() != mrNone) {
            if (CloseQuery()) {
                CloseByModalResult();
                break;
            }
            if (!alive) break;
            SetModalResult(mrNone);
        }
        Application->HandleMessage();
    }
}

void TqzCustomPopupWindow::ClosePopup() {
    if (!IsOpen()) return;
    const TLivenessToken alive = LivenessToken();
    RemoveFromList(this);
    NotifyClosing();
    if (!alive) return;
    if (HandleAllocated()) ShowWindow(GetHandle(), SW_HIDE);
    Hide();
    if (!alive) return;
    NotifyClosed();
    if (!alive) return;
    if (HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
}

void TqzCustomPopupWindow::Recreate() {
    const bool wasOpen = IsOpen();
    if (wasOpen) ClosePopup();
    if (HandleAllocated()) RecreateWnd();
    if (wasOpen) ShowPopup(FFocusControl);
}

void TqzCustomPopupWindow::SetTakesFocus(bool value) {
    if (FTakesFocus == value) return;
    FTakesFocus = value;
    Recreate();
}

void TqzCustomPopupWindow::SetTopMostWithOwner(bool value) {
    if (FTopMostWithOwner == value) return;
    FTopMostWithOwner = value;
    Recreate();
}

void TqzCustomPopupWindow::CreateParams(TCreateParams& params) {
    TqzPopupWindow::CreateParams(params);
    AdjustCreateParams(params);
}

void TqzCustomPopupWindow::AdjustCreateParams(TCreateParams& params) {
    TCustomForm* ownerForm = OwnerForm(this);
    if (FTakesFocus) {
        if (ownerForm && ownerForm->HandleAllocated()) params.WndParent = ownerForm->GetHandle();
        params.Style = (params.Style & ~WS_CHILD) | WS_POPUP;
        const bool ownerTopmost = !ownerForm || !ownerForm->HandleAllocated() ||
                                  (GetWindowLongA(ownerForm->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
        if (FTopMostWithOwner && ownerTopmost) params.ExStyle |= WS_EX_TOPMOST;
    } else {
        // A window that never activates: the owner's form keeps the activation and the focus.
        params.Style = (params.Style & ~WS_CHILD) | WS_POPUP;
        params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST;
        if (ownerForm && ownerForm->HandleAllocated()) params.WndParent = ownerForm->GetHandle();
    }
    params.Style |= WS_CLIPCHILDREN;
}

void TqzCustomPopupWindow::CreateHandle() {
    // The popup counts as open while its window is made.
    const bool listed = IsOpen();
    if (!listed) Unit().Open.push_back(this);
    try {
        TqzPopupWindow::CreateHandle();
    } catch (...) {
        if (!listed) RemoveFromList(this);
        throw;
    }
    if (!listed) RemoveFromList(this);
}

void TqzCustomPopupWindow::Deactivate() {
    const TLivenessToken alive = LivenessToken();
    TForm::Deactivate();
    if (alive) HandleDeactivate();
}

void TqzCustomPopupWindow::HandleDeactivate() {
    if (FClosingByRequest) return;
    const TLivenessToken alive = LivenessToken();
    const std::vector<TqzCustomPopupWindow*> open = Unit().Open;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        TqzCustomPopupWindow* popup = *it;
        if (!IsListed(popup)) continue;
        if (popup->HandleAllocated() && GetActiveWindow() == popup->GetHandle()) break;
        if (popup->HandleAllocated() && IsWindowEnabled(popup->GetHandle())) popup->ClosePopup();
    }
    if (alive && !Unit().Open.empty()) ClosePopup();
}

void TqzCustomPopupWindow::Paint() {
    if (FViewInfo) FViewInfo->Draw(GetPopupCanvas());
}

void TqzCustomPopupWindow::AdjustClientRect(RECT& rect) {
    if (FViewInfo && !(FViewInfo->ClientRect.right <= FViewInfo->ClientRect.left))
        rect = FViewInfo->ClientRect;
    else
        TqzPopupWindow::AdjustClientRect(rect);
}

void TqzCustomPopupWindow::KeyDown(Word& key, TShiftState shift) {
    if (key == VK_ESCAPE && IsOpen() && HandleAllocated() && GetCapture() == GetHandle()) {
        ReleaseCapture();
        key = 0;
        return;
    }
    TqzPopupWindow::KeyDown(key, shift);
}

void TqzCustomPopupWindow::WndProc(TMessage& message) {
    // The application's deactivation is the hooks' business.
    if (message.Msg == WM_ACTIVATEAPP) {
        message.Result = 0;
        return;
    }
    const bool hiding = message.Msg == WM_SHOWWINDOW && !message.WParam;
    const TLivenessToken alive = LivenessToken();
    TqzPopupWindow::WndProc(message);
    if (!alive || !hiding || !FTakesFocus) return;
    // Hidden while the owner's form holds the focus: the focus goes back to the owner.
    auto* owner = OwnerWinControl(this);
    TCustomForm* ownerForm = OwnerForm(this);
    if (owner && ownerForm && ownerForm->HandleAllocated() && GetActiveWindow() == ownerForm->GetHandle() &&
        owner->CanFocus() && !ownerForm->GetComponentState().Contains(csDesigning))
        owner->SetFocus();
}

KOV_MESSAGE_MAP(TqzCustomPopupWindow) {
    map.Message(WM_ERASEBKGND, &TqzCustomPopupWindow::WMEraseBkgnd);
    map.Message(CM_MOUSEENTER, &TqzCustomPopupWindow::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzCustomPopupWindow::CMMouseLeave);
    map.Message(QZM_POPUPCLOSEREQUEST, &TqzCustomPopupWindow::QZMPopupCloseRequest);
    map.Message(QZM_SHOWPOPUP, &TqzCustomPopupWindow::QZMShowPopup);
}

void TqzCustomPopupWindow::WMEraseBkgnd(TMessage& message) {
    if (ErasesBackground())
        KOV_INHERITED(message);
    else
        message.Result = 1;
}

void TqzCustomPopupWindow::CMMouseEnter(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandlePopupMouseEnter(message.LParam ? reinterpret_cast<TControl*>(message.LParam) : this);
}

void TqzCustomPopupWindow::CMMouseLeave(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandlePopupMouseLeave(message.LParam ? reinterpret_cast<TControl*>(message.LParam) : this);
}

void TqzCustomPopupWindow::QZMPopupCloseRequest(TMessage&) {
    const TLivenessToken alive = LivenessToken();
    FClosingByRequest = true;
    ClosePopup();
    if (!alive) return;
    FClosingByRequest = false;
    if (auto* owner = OwnerWinControl(this); owner && owner->HandleAllocated())
        SendMessageA(owner->GetHandle(), WM_SETFOCUS, 0, 0);
}

void TqzCustomPopupWindow::QZMShowPopup(TMessage&) { ShowPopup(FFocusControl); }
