// TWinControl: the window, children, focus and tab order, keyboard, painting; TCustomControl
// and TGraphicControl.
#include <algorithm>
#include <unordered_map>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Controls.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinOwnerDraw.h"

// ---- Windows of controls ----------------------------------------------------------------------------

namespace {

std::unordered_map<HWND, TWinControl*>& WindowControls() {
    static auto* map = new std::unordered_map<HWND, TWinControl*>;
    return *map;
}

// The control whose window is being created: it takes the window's first message.
thread_local TWinControl* tCreationControl = nullptr;

LRESULT ControlWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace

// Lets the window procedure reach the control's window handle.
struct TWinControlAccess {
    static void Attach(TWinControl* control, HWND window) {
        control->FHandle = window;
        WindowControls()[window] = control;
    }
    static void Detach(HWND window) {
        auto& map = WindowControls();
        auto it = map.find(window);
        if (it == map.end()) return;
        TWinControl* control = it->second;
        map.erase(it);
        if (control->FHandle == window) {
            control->FHandle = nullptr;
            control->FShowing = false;
        }
    }
};

namespace {

LRESULT ControlWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& map = WindowControls();
    auto it = map.find(window);
    TWinControl* control = nullptr;
    if (it != map.end()) {
        control = it->second;
    } else if (tCreationControl != nullptr) {
        control = tCreationControl;
        tCreationControl = nullptr;
        TWinControlAccess::Attach(control, window);
    }
    if (control == nullptr) return DefWindowProcA(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    control->MainWndProc(message);
    if (msg == WM_NCDESTROY) TWinControlAccess::Detach(window);
    return message.Result;
}

}  // namespace

TWinControl* FindControl(HWND window) {
    if (window == nullptr) return nullptr;
    auto& map = WindowControls();
    auto it = map.find(window);
    return it == map.end() ? nullptr : it->second;
}

TControl* FindVCLWindow(POINT pos) {
    HWND window = WindowFromPoint(pos);
    TWinControl* control = nullptr;
    while (window != nullptr && (control = FindControl(window)) == nullptr)
        window = GetParent(window);
    if (control == nullptr) return nullptr;
    TControl* child = control->ControlAtPos(control->ScreenToClient(pos), false, false);
    return child != nullptr ? child : control;
}

bool IsControlKeyMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (GetCapture() != nullptr) return false;
    HWND window = msg.hwnd;
    TWinControl* control = nullptr;
    while (window != nullptr && (control = FindControl(window)) == nullptr)
        window = GetParent(window);
    if (control == nullptr) return false;
    return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

// ---- TWinControl ------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    FDefWndProc = DefWindowProcA;
}

TWinControl* TWinControl::CreateParented(TClass cls, HWND parentWindow) {
    TObject* object = cls->Create(nullptr);
    auto* control = dynamic_cast<TWinControl*>(object);
    if (control == nullptr) {
        delete object;
        throw EInvalidOperation("Not a windowed control class");
    }
    control->FParentWindow = parentWindow;
    return control;
}

TWinControl::~TWinControl() {
    Destroying();
    if (GetDragControl() == this) CancelDrag();
    if (FParent != nullptr) FParent->RemoveControl(this);
    if (FHandle != nullptr) DestroyWindowHandle();
    // Children still inside are freed with their parent.
    while (!FControls.empty() || !FWinControls.empty()) {
        TControl* child = !FWinControls.empty() ? static_cast<TControl*>(FWinControls.back()) : FControls.back();
        RemoveControl(child);
        delete child;
    }
}

// ---- Window

HWND TWinControl::GetHandle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle != nullptr) return;
    if (FParent != nullptr) FParent->HandleNeeded();
    CreateHandle();
}

void TWinControl::SetParentWindow(HWND value) {
    if (FParent != nullptr || FParentWindow == value) return;
    if (FHandle != nullptr && FParentWindow != nullptr && value != nullptr) {
        FParentWindow = value;
        ::SetParent(FHandle, value);
        return;
    }
    DestroyHandle();
    FParentWindow = value;
    UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& params) {
    params = TCreateParams();
    params.Caption = GetTextValue();
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle.Contains(csAcceptsControls)) {
        params.Style |= WS_CLIPCHILDREN;
        params.ExStyle |= WS_EX_CONTROLPARENT;
    }
    if (!GetComponentState().Contains(csDesigning) && !GetEnabled()) params.Style |= WS_DISABLED;
    if (FTabStop) params.Style |= WS_TABSTOP;
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    params.WndParent = FParent != nullptr ? FParent->GetHandle() : FParentWindow;
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = DefWindowProcA;
    params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    params.WindowClass.hbrBackground = nullptr;
    params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* controlClassName) {
    WNDCLASSA info;
    if (!GetClassInfoA(nullptr, controlClassName, &info)) return;
    const DWORD keep = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass = info;
    params.WindowClass.style = (info.style & ~keep) | (params.WindowClass.style & keep) | (info.style & keep);
    params.WindowClass.lpszClassName = nullptr;
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) != 0 && params.WndParent == nullptr)
        throw EInvalidOperation(Format("Control '%s' has no parent window", {GetName()}));
    FDefWndProc = params.WindowClass.lpfnWndProc != nullptr ? params.WindowClass.lpfnWndProc : DefWindowProcA;
    WNDCLASSA existing;
    const bool registered = GetClassInfoA(nullptr, params.WinClassName.c_str(), &existing) != 0;
    if (!registered || existing.lpfnWndProc != ControlWindowProc) {
        if (registered) UnregisterClassA(params.WinClassName.c_str(), nullptr);
        WNDCLASSA cls = params.WindowClass;
        cls.lpfnWndProc = ControlWindowProc;
        cls.lpszClassName = params.WinClassName.c_str();
        if (RegisterClassA(&cls) == 0 && !GetClassInfoA(nullptr, params.WinClassName.c_str(), &existing))
            throw EInvalidOperation(Format("Cannot register the window class %s", {params.WinClassName}));
    }
    TWinControl* previous = tCreationControl;
    tCreationControl = this;
    try {
        CreateWindowHandle(params);
    } catch (...) {
        tCreationControl = previous;
        throw;
    }
    tCreationControl = previous;
    if (FHandle == nullptr) throw EInvalidOperation(Format("Error creating window for %s", {GetName()}));
    // A child window gets an id of its own: owner-drawn lists and combo boxes name themselves
    // to their parent only by it (WM_MEASUREITEM). The ids start above the dialog ids (IDOK...).
    if ((params.Style & WS_CHILD) != 0 && GetWindowLongPtrA(FHandle, GWL_ID) == 0) {
        static LONG_PTR nextId = 0x10000;
        SetWindowLongPtrA(FHandle, GWL_ID, nextId);
        nextId = nextId >= 0x7FFFFFFF ? 0x10000 : nextId + 1;
    }
    if (GetFont() != nullptr) SendMessageA(FHandle, WM_SETFONT, WPARAM(GetFont()->GetHandle()), 0);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
    HWND window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                  params.X, params.Y, params.Width, params.Height, params.WndParent, nullptr,
                                  nullptr, params.Param);
    // The window procedure attached the handle with the window's first message.
    if (window != nullptr && FHandle == nullptr) TWinControlAccess::Attach(this, window);
}

void TWinControl::CreateHandle() {
    if (FHandle != nullptr) return;
    CreateWnd();
    // Keeps the windows in the order of the parent's list: after (below) the next one that has
    // a window.
    if (FParent != nullptr) {
        auto& list = FParent->FWinControls;
        auto it = std::find(list.begin(), list.end(), this);
        HWND after = HWND_BOTTOM;
        for (auto next = it == list.end() ? it : it + 1; next != list.end(); ++next)
            if ((*next)->FHandle != nullptr) {
                after = (*next)->FHandle;
                break;
            }
        SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    for (TControl* c : FControls)
        c->UpdateAnchorRules();
    for (TWinControl* c : FWinControls)
        c->UpdateAnchorRules();
}

void TWinControl::SaveWindowState() {
    if (FHandle == nullptr) return;
    const int length = GetWindowTextLengthA(FHandle);
    String text(std::size_t(length) + 1, '\0');
    const int copied = GetWindowTextA(FHandle, text.data(), length + 1);
    text.resize(std::size_t(std::max(copied, 0)));
    TControl::SetTextValue(text);
}

void TWinControl::DestroyWnd() {
    SaveWindowState();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    HWND window = FHandle;
    if (window == nullptr) return;
    FControlState.Include(csDestroyingHandle);
    kov_detail::FreeControlCanvasContexts(window);
    for (TWinControl* child : FWinControls)
        if (child->FHandle != nullptr) child->DestroyWindowHandle();
    DestroyWindow(window);
    TWinControlAccess::Detach(window);
    FHandle = nullptr;
    FShowing = false;
    FControlState.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyHandle() {
    if (FHandle == nullptr) return;
    for (TWinControl* child : FWinControls)
        child->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd() {
    if (FHandle == nullptr) return;
    FRecreating = true;
    const bool focused = Focused();
    DestroyHandle();
    FRecreating = false;
    UpdateControlState();
    if (FHandle == nullptr && (FParent == nullptr || FParent->FHandle != nullptr)) {
        if (FParent != nullptr || FParentWindow != nullptr || IsTopLevel()) HandleNeeded();
    }
    if (focused && FHandle != nullptr && CanFocus()) ::SetFocus(FHandle);
}

void TWinControl::UpdateShowing() {
    const bool showControl = FVisible && !FControlState.Contains(csReadingState) &&
                             !GetComponentState().Contains(csDestroying);
    if (showControl) {
        if (FHandle == nullptr) CreateHandle();
        std::vector<TWinControl*> children = FWinControls;
        for (TWinControl* child : children)
            child->UpdateShowing();
    }
    if (FHandle != nullptr && FShowing != showControl) {
        FShowing = showControl;
        try {
            Perform(CM_SHOWINGCHANGED, 0, 0);
        } catch (...) {
            FShowing = !showControl;
            throw;
        }
    }
}

void TWinControl::UpdateControlState() {
    TWinControl* root = this;
    while (root->FParent != nullptr) {
        root = root->FParent;
        if (!root->FShowing) return;
    }
    if (root->IsTopLevel() || root->FParentWindow != nullptr) UpdateShowing();
}

void TWinControl::ShowControl(TControl* control) {
    if (FParent != nullptr) FParent->ShowControl(this);
}

bool TWinControl::IsShowing() const { return FShowing; }

void TWinControl::MainWndProc(TMessage& message) {
    try {
        WindowProc(message);
    } catch (...) {
        WinHandleException(std::current_exception());
    }
}

HBRUSH TControlBrush::Get(TColor color) {
    if (!FBrush) FBrush = std::make_unique<TBrush>();
    FBrush->SetColor(color);
    return FBrush->GetHandle();
}

void TWinControl::DefaultHandler(void* message) {
    TMessage& m = *static_cast<TMessage*>(message);
    if (FHandle == nullptr) {
        TControl::DefaultHandler(message);
        return;
    }
    switch (m.Msg) {
    case WM_SETTEXT:
        TControl::SetTextValue(m.LParam != 0 ? String(reinterpret_cast<const char*>(m.LParam)) : String());
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (TWinControl* child = FindControl(reinterpret_cast<HWND>(m.LParam))) {
            m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
            return;
        }
        break;
    default:
        break;
    }
    m.Result = CallWindowProcA(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam);
}

// ---- Children

TControl* TWinControl::GetControls(Integer index) const {
    if (index < 0 || index >= GetControlCount())
        throw EListError(Format("List index out of bounds (%d)", {index}));
    if (std::size_t(index) < FControls.size()) return FControls[std::size_t(index)];
    return FWinControls[std::size_t(index) - FControls.size()];
}

void TWinControl::InsertChild(TControl* control) {
    control->FParent = this;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        FWinControls.push_back(win);
        FTabList.push_back(win);
    } else {
        FControls.push_back(control);
    }
}

void TWinControl::RemoveChild(TControl* control) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        FWinControls.erase(std::remove(FWinControls.begin(), FWinControls.end(), win), FWinControls.end());
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), win), FTabList.end());
    } else {
        FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    }
    control->FParent = nullptr;
    if (FFocusedControl != nullptr && ContainsControl(FFocusedControl) == false) FFocusedControl = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
    if (control == nullptr || control->FParent == this) return;
    if (auto* win = dynamic_cast<TWinControl*>(control); win != nullptr && win->ContainsControl(this))
        throw EInvalidOperation("A control cannot be a child of its own child");
    Perform(CM_CONTROLLISTCHANGE, WPARAM(control), 1);
    InsertChild(control);
    if (!control->GetComponentState().Contains(csReading)) {
        control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
        control->Perform(CM_PARENTFONTCHANGED, 0, 0);
        control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
        control->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
        if (auto* win = dynamic_cast<TWinControl*>(control)) {
            win->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
            win->UpdateControlState();
        } else if (FHandle != nullptr) {
            control->Invalidate();
        }
        if (control->FAlign != alNone)
            AlignControl(control);
        else
            control->UpdateAnchorRules();
    }
    Perform(CM_CONTROLCHANGE, WPARAM(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
    if (control == nullptr || control->FParent != this) return;
    Perform(CM_CONTROLCHANGE, WPARAM(control), 0);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        // The root (a form) may hold the leaving control, or one inside it, as its focused or
        // active control although it is not the root's direct child.
        // A root that is going only forgets it: a freed control must not stay its focused one.
        if (TWinControl* root = GetParentFormControl(this); root != nullptr) {
            if (!root->GetComponentState().Contains(csDestroying))
                root->DefocusControl(win, true);
            else if (win->ContainsControl(root->FFocusedControl))
                root->FFocusedControl = nullptr;
        }
        if (win->FHandle != nullptr) {
            if (win->Focused() || ::IsChild(win->FHandle, GetFocus())) {
                // The focus goes to the parent rather than nowhere.
                if (FHandle != nullptr && IsWindowVisible(FHandle)) ::SetFocus(FHandle);
            }
            win->DestroyHandle();
        }
    } else if (FHandle != nullptr) {
        control->Invalidate();
    }
    if (FFocusedControl == control) FFocusedControl = nullptr;
    RemoveChild(control);
    Perform(CM_CONTROLLISTCHANGE, WPARAM(control), 0);
    if (!GetComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c != nullptr; c = c->FParent)
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(POINT pos, bool allowDisabled, bool allowWinControls, bool allLevels) {
    auto hit = [&](TControl* c) -> bool {
        if (!(c->FVisible || (GetComponentState().Contains(csDesigning) &&
                              !c->FControlStyle.Contains(csNoDesignVisible))))
            return false;
        if (!(c->GetEnabled() || allowDisabled)) return false;
        const RECT r = c->GetBoundsRect();
        if (!PtInRect(&r, pos)) return false;
        const POINT local{pos.x - c->FLeft, pos.y - c->FTop};
        return c->Perform(CM_HITTEST, 0, MAKELPARAM(WORD(local.x), WORD(local.y))) != 0;
    };
    TControl* result = nullptr;
    if (allowWinControls)
        for (auto it = FWinControls.rbegin(); it != FWinControls.rend() && result == nullptr; ++it)
            if (hit(*it)) result = *it;
    for (auto it = FControls.rbegin(); it != FControls.rend() && result == nullptr; ++it)
        if (hit(*it)) result = *it;
    if (allLevels)
        if (auto* win = dynamic_cast<TWinControl*>(result)) {
            POINT local{pos.x - win->FLeft, pos.y - win->FTop};
            if (TControl* deeper = win->ControlAtPos(local, allowDisabled, true, true)) result = deeper;
        }
    return result;
}

void TWinControl::Broadcast(TMessage& message) {
    const Integer count = GetControlCount();
    std::vector<TControl*> children;
    children.reserve(std::size_t(count));
    for (Integer i = 0; i < count; ++i)
        children.push_back(GetControls(i));
    const TLivenessToken alive = LivenessToken();
    for (TControl* c : children) {
        if (!alive) return;
        if (c->FParent != this) continue;
        c->WindowProc(message);
        if (message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT msg) {
    TMessage message{msg, 0, 0, 0};
    Broadcast(message);
}

void TWinControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (Integer i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControls(i);
        if (c->GetOwner() == root) proc(c);
    }
}

void TWinControl::SetChildOrder(TComponent* child, Integer order) {
    if (auto* control = dynamic_cast<TControl*>(child)) {
        if (auto* win = dynamic_cast<TWinControl*>(control))
            win->SetZOrder(order >= Integer(FWinControls.size()) - 1);
        // Stored order is creation order; moving within the list keeps it.
        if (auto* win = dynamic_cast<TWinControl*>(control)) {
            auto it = std::find(FWinControls.begin(), FWinControls.end(), win);
            if (it != FWinControls.end()) {
                FWinControls.erase(it);
                const std::size_t at = std::min<std::size_t>(std::size_t(std::max(order, 0)), FWinControls.size());
                FWinControls.insert(FWinControls.begin() + std::ptrdiff_t(at), win);
            }
        } else {
            auto it = std::find(FControls.begin(), FControls.end(), control);
            if (it != FControls.end()) {
                FControls.erase(it);
                const std::size_t at = std::min<std::size_t>(std::size_t(std::max(order, 0)), FControls.size());
                FControls.insert(FControls.begin() + std::ptrdiff_t(at), control);
            }
        }
    }
}

void TWinControl::SetChildZPosition(TControl* control, Integer position) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        auto it = std::find(FWinControls.begin(), FWinControls.end(), win);
        if (it == FWinControls.end()) return;
        FWinControls.erase(it);
        const bool top = position >= Integer(FWinControls.size());
        FWinControls.insert(top ? FWinControls.end() : FWinControls.begin(), win);
        if (win->FHandle != nullptr)
            SetWindowPos(win->FHandle, top ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        auto it = std::find(FControls.begin(), FControls.end(), control);
        if (it == FControls.end()) return;
        FControls.erase(it);
        const bool top = position >= Integer(FControls.size());
        FControls.insert(top ? FControls.end() : FControls.begin(), control);
        control->Invalidate();
    }
}

void TWinControl::SetZOrder(bool topMost) {
    if (FParent != nullptr) {
        FParent->SetChildZPosition(this, topMost ? 0x7FFFFFFF : 0);
    } else if (FHandle != nullptr) {
        SetWindowPos(FHandle, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TWinControl::SetParent(TWinControl* value) {
    if (FParent == nullptr && value != nullptr && FParentWindow != nullptr) {
        DestroyHandle();
        FParentWindow = nullptr;
    }
    TControl::SetParent(value);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (FTabOrderPending >= 0) {
        UpdateTabOrder(FTabOrderPending);
        FTabOrderPending = -1;
    }
    Realign();
}

void TWinControl::DefocusControl(TWinControl* control, bool removing) {
    if (removing && control != nullptr && control->ContainsControl(FFocusedControl)) FFocusedControl = nullptr;
}

void TWinControl::Notification(TComponent* component, TOperation operation) {
    TControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusedControl) FFocusedControl = nullptr;
}

// ---- Focus and tab order

Integer TWinControl::GetTabOrder() const {
    if (FParent == nullptr) return -1;
    const auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : Integer(it - list.begin());
}

void TWinControl::SetTabOrder(Integer value) {
    if (GetComponentState().Contains(csLoading)) {
        FTabOrderPending = value;
        return;
    }
    UpdateTabOrder(value);
}

void TWinControl::UpdateTabOrder(Integer value) {
    if (FParent == nullptr) return;
    auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    const Integer current = Integer(it - list.begin());
    const Integer count = Integer(list.size());
    if (value < 0 || value >= count) value = count - 1;
    if (value == current) return;
    list.erase(it);
    list.insert(list.begin() + value, this);
}

void TWinControl::SetTabStop(bool value) {
    if (FTabStop == value) return;
    FTabStop = value;
    if (FHandle != nullptr) {
        LONG_PTR style = GetWindowLongA(FHandle, GWL_STYLE);
        style = value ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP));
        SetWindowLongA(FHandle, GWL_STYLE, style);
    }
    Perform(CM_TABSTOPCHANGED, 0, 0);
}

bool TWinControl::CanFocus() const {
    const TWinControl* root = GetParentFormControl(this);
    for (const TControl* c = this; c != nullptr; c = c->FParent) {
        // The form itself may still be hidden: its controls can take the focus once it shows.
        if (c == root && c != this && root->IsTopLevel()) break;
        if (!c->FVisible || !c->GetEnabled()) return false;
    }
    return true;
}

void TWinControl::SetFocus() {
    TWinControl* root = GetParentFormControl(this);
    if (root != nullptr && root != this) {
        if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
        root->FocusControl(this);
        return;
    }
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    const HWND window = GetHandle();
    SetLastError(0);
    CheckWindowThreadCall(::SetFocus(window) != nullptr, "SetFocus");
}

void TWinControl::FocusControl(TWinControl* control) {
    if (control == nullptr) return;
    HWND window = control->GetHandle();
    if (IsWindowVisible(window)) {
        SetLastError(0);
        CheckWindowThreadCall(::SetFocus(window) != nullptr, "SetFocus");
    } else {
        SetFocusedControl(control);
    }
}

bool TWinControl::Focused() const { return FHandle != nullptr && GetFocus() == FHandle; }

bool TWinControl::SetFocusedControl(TWinControl* control) {
    if (control == FFocusedControl) return false;
    TWinControl* old = FFocusedControl;
    FFocusedControl = control;
    // CM_EXIT from the old control up to (not including) the common ancestor, CM_ENTER from
    // below that ancestor down to the new control.
    std::vector<TWinControl*> newChain;
    for (TWinControl* c = control; c != nullptr && c != this; c = c->FParent)
        newChain.push_back(c);
    auto inNewChain = [&](TWinControl* c) {
        return std::find(newChain.begin(), newChain.end(), c) != newChain.end();
    };
    const TLivenessToken alive = LivenessToken();
    for (TWinControl* c = old; c != nullptr && c != this && !inNewChain(c);) {
        const TLivenessToken cAlive = c->LivenessToken();
        TWinControl* parent = c->FParent;
        c->Perform(CM_EXIT, 0, 0);
        if (!alive) return true;
        c = cAlive ? c->FParent : parent;
    }
    std::vector<TWinControl*> toEnter;
    for (TWinControl* c : newChain) {
        bool wasIn = false;
        for (TWinControl* o = old; o != nullptr && o != this; o = o->FParent)
            if (o == c) wasIn = true;
        if (wasIn) break;
        toEnter.push_back(c);
    }
    for (auto it = toEnter.rbegin(); it != toEnter.rend(); ++it) {
        (*it)->Perform(CM_ENTER, 0, 0);
        if (!alive) return true;
    }
    Perform(CM_FOCUSCHANGED, 0, LPARAM(control));
    return true;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : FTabList) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

void TWinControl::GetTabOrderList(TList* list) const {
    std::vector<TWinControl*> all;
    GetTabOrderList(all);
    for (TWinControl* c : all)
        list->Add(c);
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    const Integer count = Integer(list.size());
    if (count == 0) return nullptr;
    auto found = std::find(list.begin(), list.end(), current);
    Integer start = found == list.end() ? (goForward ? count - 1 : 0) : Integer(found - list.begin());
    Integer i = start;
    do {
        if (goForward) {
            if (++i == count) i = 0;
        } else {
            if (i == 0) i = count;
            --i;
        }
        TWinControl* c = list[std::size_t(i)];
        if (c != current && c->CanFocus() && (!checkTabStop || c->FTabStop) && (!checkParent || c->FParent == this))
            return c;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop);
    if (next != nullptr) next->SetFocus();
}

// ---- Appearance

void TWinControl::SetParentBackground(bool value) {
    if (FParentBackground == value) return;
    FParentBackground = value;
    if (FHandle != nullptr) Invalidate();
}

void TWinControl::SetCtl3D(bool value) {
    if (FCtl3D == value) return;
    FCtl3D = value;
    FParentCtl3D = false;
    Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) {
    if (FParentCtl3D == value) return;
    FParentCtl3D = value;
    if (FParent != nullptr && !GetComponentState().Contains(csReading)) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::Invalidate() {
    if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::Update() {
    if (FHandle != nullptr) UpdateWindow(FHandle);
}

RECT TWinControl::GetClientRect() const {
    if (FHandle != nullptr) {
        RECT r;
        ::GetClientRect(FHandle, &r);
        return r;
    }
    return TControl::GetClientRect();
}

POINT TWinControl::GetClientOrigin() const {
    if (FHandle != nullptr) {
        POINT p{0, 0};
        ::ClientToScreen(FHandle, &p);
        return p;
    }
    if (FParent == nullptr) return POINT{FLeft, FTop};
    return TControl::GetClientOrigin();
}

void TWinControl::AdjustClientRect(RECT& rect) {
    if (FBorderWidth > 0) {
        rect.left += FBorderWidth;
        rect.top += FBorderWidth;
        rect.right -= FBorderWidth;
        rect.bottom -= FBorderWidth;
    }
}

void TWinControl::ChangeScale(Integer m, Integer d) {
    const TScalingFlags flags = GetScalingFlags();
    TControl::ChangeScale(m, d);
    if (m == d) return;
    for (Integer i = 0; i < GetControlCount(); ++i) {
        TControl* child = GetControls(i);
        child->SetScalingFlags(flags);
        child->ChangeScale(m, d);
    }
}

void TWinControl::SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) {
    if (!CheckNewSize(aWidth, aHeight)) return;
    if (aLeft == FLeft && aTop == FTop && aWidth == FWidth && aHeight == FHeight) return;
    const bool sized = aWidth != FWidth || aHeight != FHeight;
    ChangeBounds(aLeft, aTop, aWidth, aHeight);
    const TLivenessToken alive = LivenessToken();
    if (FHandle != nullptr) {
        FSettingBounds = true;
        SetWindowPos(FHandle, nullptr, aLeft, aTop, aWidth, aHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!alive) return;
        FSettingBounds = false;
    } else {
        Perform(WM_WINDOWPOSCHANGED, 0, 0);
        if (!alive) return;
    }
    RequestAlign();
    if (!alive) return;
    if (sized) Realign();
    if (!alive) return;
    if (!GetComponentState().Contains(csLoading)) Resize();
}

// ---- Painting

void TWinControl::PaintWindow(HDC dc) {
    TMessage message{WM_PAINT, WPARAM(dc), 0, 0};
    DefaultHandler(&message);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    auto it = FControls.begin();
    if (first != nullptr) {
        it = std::find(FControls.begin(), FControls.end(), first);
        if (it == FControls.end()) it = FControls.begin();
    }
    const std::vector<TControl*> controls(it, FControls.end());
    for (TControl* c : controls) {
        if (!c->FVisible && !(GetComponentState().Contains(csDesigning))) continue;
        const RECT r = c->GetBoundsRect();
        if (!RectVisible(dc, &r)) continue;
        const int saved = SaveDC(dc);
        POINT old{};
        OffsetViewportOrgEx(dc, r.left, r.top, &old);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        c->Perform(WM_PAINT, WPARAM(dc), 0);
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintHandler(TWMPaint& message) {
    PAINTSTRUCT ps;
    HDC dc = message.DC;
    if (dc == nullptr) dc = BeginPaint(FHandle, &ps);
    if (FControls.empty()) {
        PaintWindow(dc);
    } else {
        const int saved = SaveDC(dc);
        // Opaque graphic children paint over their rectangles entirely.
        for (TControl* c : FControls)
            if (c->FVisible && c->FControlStyle.Contains(csOpaque)) {
                const RECT r = c->GetBoundsRect();
                ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
            }
        PaintWindow(dc);
        RestoreDC(dc, saved);
        PaintControls(dc, nullptr);
    }
    if (message.DC == nullptr) EndPaint(FHandle, &ps);
}

void TWinControl::WMPaint(TWMPaint& message) {
    if (message.DC != nullptr || !FControls.empty() || FDefWndProc == DefWindowProcA) {
        PaintHandler(message);
    } else {
        TMessage m{message.Msg, WPARAM(message.DC), 0, 0};
        KOV_INHERITED(m);
        message.Result = m.Result;
    }
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& message) {
    if (message.DC == nullptr) return;
    const RECT r = GetClientRect();
    HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(GetColor())));
    FillRect(message.DC, &r, brush);
    DeleteObject(brush);
    message.Result = 1;
}

void TWinControl::PaintChildWindowsTo(HDC dc) {
    for (TWinControl* c : FWinControls) {
        if (!c->FVisible || c->FHandle == nullptr) continue;
        const int saved = SaveDC(dc);
        c->PaintTo(dc, c->FLeft, c->FTop);
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintTo(HDC dc, Integer x, Integer y) {
    HandleNeeded();
    const int saved = SaveDC(dc);
    POINT old{};
    OffsetViewportOrgEx(dc, x, y, &old);
    RECT window;
    GetWindowRect(FHandle, &window);
    IntersectClipRect(dc, 0, 0, window.right - window.left, window.bottom - window.top);
    // The frame, then the client area at its place within the window.
    SendMessageA(FHandle, WM_PRINT, WPARAM(dc), PRF_NONCLIENT);
    POINT client{0, 0};
    ::ClientToScreen(FHandle, &client);
    OffsetViewportOrgEx(dc, client.x - window.left, client.y - window.top, nullptr);
    const RECT clientRect = GetClientRect();
    IntersectClipRect(dc, 0, 0, clientRect.right, clientRect.bottom);
    Perform(WM_ERASEBKGND, WPARAM(dc), 0);
    Perform(WM_PAINT, WPARAM(dc), 0);
    PaintChildWindowsTo(dc);
    RestoreDC(dc, saved);
}

// ---- Keyboard

bool TWinControl::DoKeyDown(TWMKey& message) {
    TWinControl* form = GetParentFormControl(this);
    if (form != nullptr && form != this && form->GetKeyPreview() && form->DoKeyDown(message)) return true;
    if (FControlStyle.Contains(csNoStdEvents)) return false;
    Word key = Word(message.CharCode);
    KeyDown(key, KeyDataToShiftState(message.KeyData));
    message.CharCode = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TWMKey& message) {
    TWinControl* form = GetParentFormControl(this);
    if (form != nullptr && form != this && form->GetKeyPreview() && form->DoKeyUp(message)) return true;
    if (FControlStyle.Contains(csNoStdEvents)) return false;
    Word key = Word(message.CharCode);
    KeyUp(key, KeyDataToShiftState(message.KeyData));
    message.CharCode = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TWMKey& message) {
    TWinControl* form = GetParentFormControl(this);
    if (form != nullptr && form != this && form->GetKeyPreview() && form->DoKeyPress(message)) return true;
    if (FControlStyle.Contains(csNoStdEvents)) return false;
    char32_t ch = char32_t(message.CharCode);
    KeyPress(ch);
    message.CharCode = UINT(ch);
    return ch == 0;
}

void TWinControl::KeyDown(Word& key, TShiftState shift) { OnKeyDown(this, key, shift); }
void TWinControl::KeyUp(Word& key, TShiftState shift) { OnKeyUp(this, key, shift); }
void TWinControl::KeyPress(char32_t& key) { OnKeyPress(this, key); }
void TWinControl::DoEnter() { OnEnter(this); }
void TWinControl::DoExit() { OnExit(this); }

namespace {

// Runs a key handler and, unless it consumed the key or freed the control, passes the message
// (with the key as the handler left it) on to the window.
template <class F>
void KeyMessage(TWinControl* control, TWMKey& message, F handle, const std::function<void(TMessage&)>& pass) {
    const TLivenessToken alive = control->LivenessToken();
    if (handle(message)) return;
    if (!alive) return;
    TMessage m{message.Msg, WPARAM(message.CharCode), LPARAM(message.KeyData), 0};
    pass(m);
    message.Result = m.Result;
}

}  // namespace

void TWinControl::WMKeyDown(TWMKey& message) {
    KeyMessage(this, message, [this](TWMKey& m) { return DoKeyDown(m); },
               [this](TMessage& m) { KOV_INHERITED(m); });
}

void TWinControl::WMSysKeyDown(TWMKey& message) {
    KeyMessage(this, message, [this](TWMKey& m) { return DoKeyDown(m); },
               [this](TMessage& m) { KOV_INHERITED(m); });
}

void TWinControl::WMKeyUp(TWMKey& message) {
    KeyMessage(this, message, [this](TWMKey& m) { return DoKeyUp(m); },
               [this](TMessage& m) { KOV_INHERITED(m); });
}

void TWinControl::WMSysKeyUp(TWMKey& message) {
    KeyMessage(this, message, [this](TWMKey& m) { return DoKeyUp(m); },
               [this](TMessage& m) { KOV_INHERITED(m); });
}

void TWinControl::WMChar(TWMKey& message) {
    KeyMessage(this, message, [this](TWMKey& m) { return DoKeyPress(m); },
               [this](TMessage& m) { KOV_INHERITED(m); });
}

// A key that is the shortcut of a menu item of the control's form runs that item instead; so does
// a shortcut of the main form's menu when the focus is in another form (a document of the
// multiple-document frame), unless the main form is disabled under a modal one.
static bool IsMenuKey(TWinControl* control, TWMKey& message) {
    TCustomForm* form = GetParentForm(control);
    if (form != nullptr) {
        const TLivenessToken alive = form->LivenessToken();
        if (form->IsShortCut(message) || !alive) return true;
    }
    TApplication* application = Application.Get();
    TCustomForm* main = application != nullptr ? application->GetMainForm() : nullptr;
    return main != nullptr && main != form && main->HandleAllocated() && IsWindowEnabled(main->GetHandle()) &&
           main->IsShortCut(message);
}

void TWinControl::CNKeyDown(TWMKey& message) {
    message.Result = 1;
    if (!GetComponentState().Contains(csDesigning)) {
        const TLivenessToken alive = LivenessToken();
        if (IsMenuKey(this, message)) return;
        if (!alive) return;
        if (Perform(CM_CHILDKEY, message.CharCode, LPARAM(this)) != 0) return;
        if (!alive) return;
        LRESULT mask = 0;
        switch (message.CharCode) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN:
        case VK_EXECUTE:
        case VK_ESCAPE:
        case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        default: break;
        }
        if (mask != 0 && Perform(CM_WANTSPECIALKEY, message.CharCode, message.KeyData) == 0 && alive &&
            (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 && alive) {
            TWinControl* form = GetParentFormControl(this);
            if (form != nullptr && form->Perform(CM_DIALOGKEY, message.CharCode, message.KeyData) != 0) return;
        }
        if (!alive) return;
    }
    message.Result = 0;
}

void TWinControl::CNKeyUp(TWMKey& message) { message.Result = 0; }

void TWinControl::CNChar(TWMKey& message) {
    message.Result = 1;
    if (!GetComponentState().Contains(csDesigning)) {
        if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
            TWinControl* form = GetParentFormControl(this);
            if (form != nullptr && form->Perform(CM_DIALOGCHAR, message.CharCode, message.KeyData) != 0) return;
        }
    }
    message.Result = 0;
}

void TWinControl::CNSysKeyDown(TWMKey& message) {
    message.Result = 1;
    if (!GetComponentState().Contains(csDesigning)) {
        const TLivenessToken alive = LivenessToken();
        if (IsMenuKey(this, message)) return;
        if (!alive) return;
        if (Perform(CM_CHILDKEY, message.CharCode, LPARAM(this)) != 0) return;
    }
    message.Result = 0;
}

void TWinControl::CNSysChar(TWMKey& message) {
    message.Result = 1;
    if (!GetComponentState().Contains(csDesigning) && message.CharCode != VK_SPACE) {
        TWinControl* form = GetParentFormControl(this);
        if (form != nullptr && form->Perform(CM_DIALOGCHAR, message.CharCode, message.KeyData) != 0) return;
    }
    message.Result = 0;
}

void TWinControl::CMChildKey(TCMChildKey& message) {
    if (FParent != nullptr)
        message.Result = FParent->Perform(CM_CHILDKEY, message.CharCode, LPARAM(message.Sender));
}

void TWinControl::CMDialogKey(TMessage& message) { Broadcast(message); }
void TWinControl::CMDialogChar(TMessage& message) { Broadcast(message); }
void TWinControl::CMEnter(TMessage& message) { DoEnter(); }
void TWinControl::CMExit(TMessage& message) { DoExit(); }
void TWinControl::CMFocusChanged(TCMFocusChanged& message) {
    TMessage m{message.Msg, 0, LPARAM(message.Sender), 0};
    Broadcast(m);
}

void TWinControl::WMSetFocus(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive) return;
    if (TWinControl* root = GetParentFormControl(this)) root->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& message) { KOV_INHERITED(message); }

void TWinControl::WMGetDlgCode(TMessage& message) { KOV_INHERITED(message); }

// ---- Mouse

bool TWinControl::IsControlMouseMsg(TWMMouse& message) {
    TControl* control = nullptr;
    if (GetCapture() == FHandle) {
        if (kov_detail::CaptureGraphicControl() != nullptr && kov_detail::CaptureGraphicControl()->FParent == this) control = kov_detail::CaptureGraphicControl();
    } else {
        control = ControlAtPos(message.Pos(), false, false);
        if (dynamic_cast<TWinControl*>(control) != nullptr) control = nullptr;
    }
    if (control == nullptr) return false;
    const POINT local{message.XPos - control->FLeft, message.YPos - control->FTop};
    message.Result = control->Perform(message.Msg, message.Keys, MAKELPARAM(WORD(local.x), WORD(local.y)));
    return true;
}

void TWinControl::UpdateMouseControl(TControl* control) {
    TControl*& current = kov_detail::MouseOverControl();
    if (current == control) return;
    if (current != nullptr) {
        TControl* old = current;
        current = nullptr;
        old->Perform(CM_MOUSELEAVE, 0, LPARAM(old));
    }
    current = control;
    if (control != nullptr) {
        control->Perform(CM_MOUSEENTER, 0, LPARAM(control));
        if (FHandle != nullptr) {
            TRACKMOUSEEVENT track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = FHandle;
            TrackMouseEvent(&track);
        }
    }
}

void TWinControl::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        break;
    case WM_MOUSEMOVE:
        if (!GetComponentState().Contains(csDesigning) && GetCapture() == nullptr) {
            TWMMouse m = TWMMouse::From(message);
            TControl* under = ControlAtPos(m.Pos(), false, false);
            if (dynamic_cast<TWinControl*>(under) != nullptr || under == nullptr) under = this;
            const TLivenessToken alive = LivenessToken();
            UpdateMouseControl(under);
            if (!alive) return;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: {
        TWMMouse m = TWMMouse::From(message);
        const TLivenessToken alive = LivenessToken();
        if (IsControlMouseMsg(m)) {
            // A graphic child took the message. What the window system makes of it (a context
            // menu request after a right click) still happens, unless the child answered it or
            // its handler freed this control.
            message.Result = m.Result;
            if (alive && m.Result == 0 && FHandle != nullptr)
                DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam);
            return;
        }
        break;
    }
    case WM_MOUSELEAVE:
        UpdateMouseControl(nullptr);
        break;
    case WM_KEYFIRST + 0:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        if (GetDragControl() != nullptr) {
            // Escape cancels a drag.
            if (message.Msg == WM_KEYDOWN && message.WParam == WPARAM(VK_ESCAPE)) {
                CancelDrag();
                return;
            }
        }
        break;
    default:
        break;
    }
    TControl::WndProc(message);
}

void TWinControl::WMSetCursor(TWMSetCursor& message) {
    if (message.CursorWnd == FHandle && message.HitTest == SHORT(HTCLIENT)) {
        TCursor cursor = GetScreenCursorOverride();
        if (cursor == crDefault) {
            POINT p;
            GetCursorPos(&p);
            TControl* control = ControlAtPos(ScreenToClient(p), false);
            if (control != nullptr && dynamic_cast<TWinControl*>(control) == nullptr) cursor = control->GetCursor();
            if (cursor == crDefault) cursor = GetCursor();
        }
        if (cursor != crDefault) {
            ::SetCursor(CursorHandle(cursor));
            message.Result = 1;
            return;
        }
    }
    TMessage m{message.Msg, WPARAM(message.CursorWnd), MAKELPARAM(WORD(message.HitTest), message.MouseMsg), 0};
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TWinControl::WMContextMenu(TWMContextMenu& message) {
    if (message.Result != 0) return;
    if (!(message.XPos == -1 && message.YPos == -1)) {
        TControl* control = ControlAtPos(ScreenToClient(POINT{message.XPos, message.YPos}), false);
        if (control != nullptr && dynamic_cast<TWinControl*>(control) == nullptr) {
            message.Result = control->Perform(WM_CONTEXTMENU, WPARAM(message.hWnd),
                                              MAKELPARAM(WORD(message.XPos), WORD(message.YPos)));
            if (message.Result != 0) return;
        }
    }
    TControl::WMContextMenu(message);
}

void TWinControl::WMMouseWheel(TWMMouseWheel& message) { TControl::WMMouseWheel(message); }

void TWinControl::WMCancelMode(TMessage& message) {
    if (kov_detail::CaptureGraphicControl() != nullptr && kov_detail::CaptureGraphicControl()->FParent == this)
        kov_detail::CaptureGraphicControl()->Perform(WM_CANCELMODE, 0, 0);
    TControl::WMCancelMode(message);
}

// ---- Notifications from children, reflected to them

bool TWinControl::ReflectNotification(TMessage& message, HWND child) {
    TWinControl* control = FindControl(child);
    if (control == nullptr || control == this) return false;
    message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

void TWinControl::WMCommand(TMessage& message) {
    if (!ReflectNotification(message, reinterpret_cast<HWND>(message.LParam))) KOV_INHERITED(message);
}

void TWinControl::WMNotify(TMessage& message) {
    // The notification header starts with the sender's window.
    HWND from = message.LParam != 0 ? *reinterpret_cast<HWND*>(message.LParam) : nullptr;
    if (!ReflectNotification(message, from)) KOV_INHERITED(message);
}

void TWinControl::WMDrawItem(TMessage& message) {
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
    if (item == nullptr || item->CtlType == ODT_MENU || !ReflectNotification(message, item->hwndItem))
        KOV_INHERITED(message);
}

void TWinControl::WMMeasureItem(TMessage& message) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
    if (item != nullptr && item->CtlType != ODT_MENU) {
        TWinControl* target = nullptr;
        for (TWinControl* c : FWinControls)
            if (c->FHandle != nullptr && item->CtlID != 0 && UINT(GetWindowLongA(c->FHandle, GWL_ID)) == item->CtlID)
                target = c;
        // A list being created measures its items before its creation returns.
        if (target == nullptr && tCreationControl != nullptr && tCreationControl->FParent == this)
            target = tCreationControl;
        if (target == nullptr)
            for (TWinControl* c : FWinControls)
                if (c->FControlState.Contains(csCreating)) target = c;
        if (target != nullptr) {
            message.Result = target->Perform(CN_MEASUREITEM, message.WParam, message.LParam);
            return;
        }
    }
    KOV_INHERITED(message);
}

void TWinControl::WMCompareItem(TMessage& message) {
    if (!ReflectNotification(message, GetDlgItemWindow(message))) KOV_INHERITED(message);
}

void TWinControl::WMDeleteItem(TMessage& message) {
    if (!ReflectNotification(message, GetDlgItemWindow(message))) KOV_INHERITED(message);
}

HWND TWinControl::GetDlgItemWindow(TMessage& message) {
    // COMPAREITEMSTRUCT and DELETEITEMSTRUCT hold the item's window after their type and id.
    struct THead {
        UINT CtlType;
        UINT CtlID;
        HWND hwndItem;
    };
    auto* head = reinterpret_cast<THead*>(message.LParam);
    return head != nullptr ? head->hwndItem : nullptr;
}

void TWinControl::WMCtlColor(TMessage& message) {
    if (!ReflectNotification(message, reinterpret_cast<HWND>(message.LParam))) KOV_INHERITED(message);
}

void TWinControl::WMHScroll(TMessage& message) {
    if (message.LParam == 0 || !ReflectNotification(message, reinterpret_cast<HWND>(message.LParam)))
        KOV_INHERITED(message);
}

void TWinControl::WMVScroll(TMessage& message) {
    if (message.LParam == 0 || !ReflectNotification(message, reinterpret_cast<HWND>(message.LParam)))
        KOV_INHERITED(message);
}

// ---- Size and position from the window

void TWinControl::UpdateBoundsFromWindow() {
    if (FHandle == nullptr || FSettingBounds) return;
    RECT r;
    GetWindowRect(FHandle, &r);
    HWND parent = ::GetParent(FHandle);
    if ((GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD) != 0 && parent != nullptr)
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    if (r.left == FLeft && r.top == FTop && r.right - r.left == FWidth && r.bottom - r.top == FHeight) return;
    const bool sized = r.right - r.left != FWidth || r.bottom - r.top != FHeight;
    UpdateBoundsRect(r);
    const TLivenessToken alive = LivenessToken();
    RequestAlign();
    if (!alive) return;
    if (sized) {
        Realign();
        if (!alive) return;
        if (!GetComponentState().Contains(csLoading)) Resize();
    }
}

void TWinControl::WMSize(TWMSize& message) {
    const TLivenessToken alive = LivenessToken();
    TMessage m{message.Msg, message.SizeType, MAKELPARAM(message.Width, message.Height), 0};
    KOV_INHERITED(m);
    if (!alive) return;
    const Integer width = FWidth, height = FHeight;
    UpdateBoundsFromWindow();
    // The client area can change while the window keeps its size (a menu bar or a frame came or
    // went); the aligned controls follow it all the same.
    if (alive && !FSettingBounds && width == FWidth && height == FHeight) Realign();
}

void TWinControl::WMMove(TWMMove& message) {
    const TLivenessToken alive = LivenessToken();
    TMessage m{message.Msg, 0, MAKELPARAM(WORD(message.XPos), WORD(message.YPos)), 0};
    KOV_INHERITED(m);
    if (alive) UpdateBoundsFromWindow();
}

void TWinControl::WMWindowPosChanged(TWMWindowPosMsg& message) {
    const TLivenessToken alive = LivenessToken();
    TMessage m{message.Msg, 0, LPARAM(message.WindowPos), 0};
    if (message.WindowPos != nullptr && FHandle != nullptr) {
        DefaultHandler(&m);
        message.Result = m.Result;
    }
}

// ---- Other messages

void TWinControl::WMNCDestroy(TMessage& message) {
    KOV_INHERITED(message);
    FHandle = nullptr;
    FShowing = false;
}

void TWinControl::WMNCHitTest(TMessage& message) { KOV_INHERITED(message); }
void TWinControl::WMDestroy(TMessage& message) { KOV_INHERITED(message); }

void TWinControl::WMSetText(TMessage& message) { DefaultHandler(&message); }

void TWinControl::WMSetRedraw(TMessage& message) { KOV_INHERITED(message); }

void TWinControl::CMVisibleChanged(TMessage& message) {
    if (!FVisible && FParent != nullptr && FHandle != nullptr &&
        (Focused() || ::IsChild(FHandle, GetFocus())) && FParent->FHandle != nullptr)
        ::SetFocus(FParent->FHandle);
    if (!GetComponentState().Contains(csDesigning)) UpdateControlState();
}

void TWinControl::CMShowingChanged(TMessage& message) {
    if (FHandle == nullptr) return;
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMEnabledChanged(TMessage& message) {
    if (!GetEnabled() && FParent != nullptr && FHandle != nullptr && (Focused() || ::IsChild(FHandle, GetFocus())))
        if (FParent->FHandle != nullptr) ::SetFocus(FParent->FHandle);
    if (FHandle != nullptr && !GetComponentState().Contains(csDesigning)) EnableWindow(FHandle, GetEnabled());
    Invalidate();
    // The children look enabled or disabled with their parent.
    NotifyControls(CM_ENABLEDCHANGED);
}

void TWinControl::CMShowHintChanged(TMessage& message) { NotifyControls(CM_PARENTSHOWHINTCHANGED); }

void TWinControl::CMColorChanged(TMessage& message) {
    Invalidate();
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage& message) {
    if (FHandle != nullptr) SendMessageA(FHandle, WM_SETFONT, WPARAM(GetFont()->GetHandle()), 0);
    Invalidate();
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage& message) { NotifyControls(CM_PARENTCTL3DCHANGED); }

void TWinControl::CMParentCtl3DChanged(TMessage& message) {
    if (!FParentCtl3D || FParent == nullptr) return;
    if (FCtl3D != FParent->FCtl3D) {
        FCtl3D = FParent->FCtl3D;
        Perform(CM_CTL3DCHANGED, 0, 0);
    }
    FParentCtl3D = true;
}

void TWinControl::CMSysColorChange(TMessage& message) { Broadcast(message); }
void TWinControl::CMSysFontChanged(TMessage& message) { Broadcast(message); }
void TWinControl::CMWinIniChange(TMessage& message) { Broadcast(message); }
void TWinControl::CMFontChange(TMessage& message) { Broadcast(message); }
void TWinControl::CMTimeChange(TMessage& message) { Broadcast(message); }

void TWinControl::WMSysColorChange(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    Perform(CM_SYSCOLORCHANGE, 0, 0);
    if (alive) KOV_INHERITED(message);
}

void TWinControl::WMWinIniChange(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    Perform(CM_WININICHANGE, message.WParam, message.LParam);
    if (alive) KOV_INHERITED(message);
}

void TWinControl::WMFontChange(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    Perform(CM_FONTCHANGE, 0, 0);
    if (alive) KOV_INHERITED(message);
}

void TWinControl::WMTimeChange(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    Perform(CM_TIMECHANGE, 0, 0);
    if (alive) KOV_INHERITED(message);
}

void TWinControl::CMCursorChanged(TMessage& message) {
    if (FHandle == nullptr || GetCapture() != nullptr) return;
    POINT p;
    GetCursorPos(&p);
    if (WindowFromPoint(p) == FHandle) Perform(WM_SETCURSOR, WPARAM(FHandle), HTCLIENT);
}

void TWinControl::CMInvalidate(TMessage& message) {
    if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::CMRecreateWnd(TMessage& message) {
    if (FHandle != nullptr) RecreateWnd();
}

void TWinControl::CMBorderChanged(TMessage& message) {
    Realign();
    Invalidate();
}

void TWinControl::CMTabStopChanged(TMessage& message) {}

// ---- TCustomControl ------------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {
    auto canvas = std::make_unique<TControlCanvas>();
    canvas->SetControl(this);
    FCanvas = std::move(canvas);
}

TCustomControl::~TCustomControl() {
    // The canvas lets go of its context while the window still exists.
    static_cast<TControlCanvas*>(FCanvas.get())->FreeHandle();
}

TCanvas* TCustomControl::GetCanvas() const { return FCanvas.get(); }

void TCustomControl::PaintWindow(HDC dc) {
    auto* canvas = static_cast<TControlCanvas*>(FCanvas.get());
    canvas->Lock();
    try {
        canvas->FreeHandle();
        canvas->SetHandle(dc);
        FControlState.Include(csCustomPaint);
        const TLivenessToken alive = LivenessToken();
        Paint();
        if (!alive) return;
        FControlState.Exclude(csCustomPaint);
        canvas->SetHandle(nullptr);
    } catch (...) {
        canvas->SetHandle(nullptr);
        canvas->Unlock();
        throw;
    }
    canvas->Unlock();
}

void TCustomControl::WMPaint(TWMPaint& message) {
    FControlState.Include(csCustomPaint);
    PaintHandler(message);
    FControlState.Exclude(csCustomPaint);
}

// ---- TGraphicControl -----------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {
    auto canvas = std::make_unique<TControlCanvas>();
    canvas->SetControl(this);
    FCanvas = std::move(canvas);
}

TGraphicControl::~TGraphicControl() { static_cast<TControlCanvas*>(FCanvas.get())->FreeHandle(); }

TCanvas* TGraphicControl::GetCanvas() const { return FCanvas.get(); }

void TGraphicControl::WMPaint(TWMPaint& message) {
    if (message.DC == nullptr) return;
    auto* canvas = static_cast<TControlCanvas*>(FCanvas.get());
    canvas->Lock();
    try {
        canvas->FreeHandle();
        canvas->SetHandle(message.DC);
        const TLivenessToken alive = LivenessToken();
        Paint();
        if (!alive) return;
        canvas->SetHandle(nullptr);
    } catch (...) {
        canvas->SetHandle(nullptr);
        canvas->Unlock();
        throw;
    }
    canvas->Unlock();
}

// ---- Message maps ------------------------------------------------------------------------------------

KOV_MESSAGE_MAP(TWinControl) {
    map.Message(WM_PAINT, &TWinControl::WMPaint);
    map.Message(WM_ERASEBKGND, &TWinControl::WMEraseBkgnd);
    map.Message(WM_COMMAND, &TWinControl::WMCommand);
    map.Message(WM_NOTIFY, &TWinControl::WMNotify);
    map.Message(WM_COMPAREITEM, &TWinControl::WMCompareItem);
    map.Message(WM_DELETEITEM, &TWinControl::WMDeleteItem);
    map.Message(WM_DRAWITEM, &TWinControl::WMDrawItem);
    map.Message(WM_MEASUREITEM, &TWinControl::WMMeasureItem);
    for (UINT m = WM_CTLCOLORMSGBOX; m <= WM_CTLCOLORSTATIC; ++m)
        map.Message(m, &TWinControl::WMCtlColor);
    map.Message(WM_HSCROLL, &TWinControl::WMHScroll);
    map.Message(WM_VSCROLL, &TWinControl::WMVScroll);
    map.Message(WM_SIZE, &TWinControl::WMSize);
    map.Message(WM_MOVE, &TWinControl::WMMove);
    map.Message(WM_WINDOWPOSCHANGED, &TWinControl::WMWindowPosChanged);
    map.Message(WM_SETCURSOR, &TWinControl::WMSetCursor);
    map.Message(WM_SETFOCUS, &TWinControl::WMSetFocus);
    map.Message(WM_KILLFOCUS, &TWinControl::WMKillFocus);
    map.Message(WM_KEYDOWN, &TWinControl::WMKeyDown);
    map.Message(WM_SYSKEYDOWN, &TWinControl::WMSysKeyDown);
    map.Message(WM_KEYUP, &TWinControl::WMKeyUp);
    map.Message(WM_SYSKEYUP, &TWinControl::WMSysKeyUp);
    map.Message(WM_CHAR, &TWinControl::WMChar);
    map.Message(WM_NCDESTROY, &TWinControl::WMNCDestroy);
    map.Message(WM_SETTEXT, &TWinControl::WMSetText);
    map.Message(WM_GETDLGCODE, &TWinControl::WMGetDlgCode);
    map.Message(WM_CONTEXTMENU, &TWinControl::WMContextMenu);
    map.Message(WM_MOUSEWHEEL, &TWinControl::WMMouseWheel);
    map.Message(WM_CANCELMODE, &TWinControl::WMCancelMode);
    map.Message(WM_SYSCOLORCHANGE, &TWinControl::WMSysColorChange);
    map.Message(WM_WININICHANGE, &TWinControl::WMWinIniChange);
    map.Message(WM_FONTCHANGE, &TWinControl::WMFontChange);
    map.Message(WM_TIMECHANGE, &TWinControl::WMTimeChange);
    map.Message(CN_KEYDOWN, &TWinControl::CNKeyDown);
    map.Message(CN_KEYUP, &TWinControl::CNKeyUp);
    map.Message(CN_CHAR, &TWinControl::CNChar);
    map.Message(CN_SYSKEYDOWN, &TWinControl::CNSysKeyDown);
    map.Message(CN_SYSCHAR, &TWinControl::CNSysChar);
    map.Message(CM_CHILDKEY, &TWinControl::CMChildKey);
    map.Message(CM_DIALOGKEY, &TWinControl::CMDialogKey);
    map.Message(CM_DIALOGCHAR, &TWinControl::CMDialogChar);
    map.Message(CM_ENTER, &TWinControl::CMEnter);
    map.Message(CM_EXIT, &TWinControl::CMExit);
    map.Message(CM_FOCUSCHANGED, &TWinControl::CMFocusChanged);
    map.Message(CM_VISIBLECHANGED, &TWinControl::CMVisibleChanged);
    map.Message(CM_ENABLEDCHANGED, &TWinControl::CMEnabledChanged);
    map.Message(CM_SHOWINGCHANGED, &TWinControl::CMShowingChanged);
    map.Message(CM_SHOWHINTCHANGED, &TWinControl::CMShowHintChanged);
    map.Message(CM_COLORCHANGED, &TWinControl::CMColorChanged);
    map.Message(CM_FONTCHANGED, &TWinControl::CMFontChanged);
    map.Message(CM_CTL3DCHANGED, &TWinControl::CMCtl3DChanged);
    map.Message(CM_PARENTCTL3DCHANGED, &TWinControl::CMParentCtl3DChanged);
    map.Message(CM_SYSCOLORCHANGE, &TWinControl::CMSysColorChange);
    map.Message(CM_SYSFONTCHANGED, &TWinControl::CMSysFontChanged);
    map.Message(CM_WININICHANGE, &TWinControl::CMWinIniChange);
    map.Message(CM_FONTCHANGE, &TWinControl::CMFontChange);
    map.Message(CM_TIMECHANGE, &TWinControl::CMTimeChange);
    map.Message(CM_CURSORCHANGED, &TWinControl::CMCursorChanged);
    map.Message(CM_INVALIDATE, &TWinControl::CMInvalidate);
    map.Message(CM_RECREATEWND, &TWinControl::CMRecreateWnd);
    map.Message(CM_BORDERCHANGED, &TWinControl::CMBorderChanged);
    map.Message(CM_DRAG, &TWinControl::CMDrag);
    map.Message(CM_TABSTOPCHANGED, &TWinControl::CMTabStopChanged);
}

KOV_MESSAGE_MAP(TCustomControl) { map.Message(WM_PAINT, &TCustomControl::WMPaint); }

KOV_MESSAGE_MAP(TGraphicControl) { map.Message(WM_PAINT, &TGraphicControl::WMPaint); }

KOV_PUBLISHED(TWinControl) {
    Property("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder).Default(-1);
    Property("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop).Default(false);
    Property("Ctl3D", &TWinControl::GetCtl3D, &TWinControl::SetCtl3D).Stored(&TWinControl::IsCtl3DStored);
    Property("ParentCtl3D", &TWinControl::GetParentCtl3D, &TWinControl::SetParentCtl3D).Default(true);
    Property("ParentBackground", &TWinControl::GetParentBackground, &TWinControl::SetParentBackground)
        .Default(false);
    Property("DoubleBuffered", &TWinControl::GetDoubleBuffered, &TWinControl::SetDoubleBuffered).Default(false);
    Property("OnEnter", &TWinControl::OnEnter);
    Property("OnExit", &TWinControl::OnExit);
    Property("OnKeyDown", &TWinControl::OnKeyDown);
    Property("OnKeyPress", &TWinControl::OnKeyPress);
    Property("OnKeyUp", &TWinControl::OnKeyUp);
}

namespace {
const bool kControlClassesRegistered = [] {
    RegisterClasses({TControl::StaticClass(), TWinControl::StaticClass(), TCustomControl::StaticClass(),
                     TGraphicControl::StaticClass()});
    return true;
}();
}  // namespace
