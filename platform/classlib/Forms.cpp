// TCustomForm: the top-level window of a form, its showing, placing and activation, the modal
// loop, closing, the dialog keys, and the frame and documents of multiple-document windows.
#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/classlib/Menus.h"
#include "platform/classlib/Forms.h"
#include "platform/winapi/WinMdi.h"
#include "platform/winapi/WinModal.h"

namespace {

// The identifier of the MDI client among the frame's children and the first document's in the
// window menu.
constexpr UINT kMdiClientId = 0xCAC;
constexpr UINT kFirstMdiChildId = 0xFF00;

RECT CenteredIn(const RECT& area, Integer width, Integer height) {
    const Integer x = area.left + (area.right - area.left - width) / 2;
    const Integer y = area.top + (area.bottom - area.top - height) / 2;
    return RECT{x, y, x + width, y + height};
}

// Keeps a window that was centred over another one on the work area.
RECT KeepOnWorkArea(RECT r, const RECT& work) {
    const Integer w = r.right - r.left, h = r.bottom - r.top;
    if (r.left + w > work.right) r.left = work.right - w;
    if (r.top + h > work.bottom) r.top = work.bottom - h;
    if (r.left < work.left) r.left = work.left;
    if (r.top < work.top) r.top = work.top;
    return RECT{r.left, r.top, r.left + w, r.top + h};
}

} // namespace

// The icon of the application made last and still alive, without making one (null when there is
// none, or its icon is empty); in FormsApp.cpp.
HICON CurrentApplicationIcon();

namespace {

// The window shows the form's own icon, or the application's when the form has none.
void ShowFormIcon(TCustomForm* form) {
    TIcon* own = form->GetIcon();
    HICON icon = own->GetEmpty() ? CurrentApplicationIcon() : own->GetHandle();
    SendMessageA(form->GetHandle(), WM_SETICON, ICON_BIG, LPARAM(icon));
}

} // namespace

KOV_MESSAGE_MAP(TCustomForm) {
    map.Message(WM_CLOSE, &TCustomForm::WMClose);
    map.Message(WM_ACTIVATE, &TCustomForm::WMActivate);
    map.Message(WM_MDIACTIVATE, &TCustomForm::WMMDIActivate);
    map.Message(WM_SIZE, &TCustomForm::WMSize);
    map.Message(CM_ACTIVATE, &TCustomForm::CMActivate);
    map.Message(CM_DEACTIVATE, &TCustomForm::CMDeactivate);
    map.Message(CM_DIALOGKEY, &TCustomForm::CMDialogKey);
    map.Message(CM_SHOWINGCHANGED, &TCustomForm::CMShowingChanged);
    map.Message(CM_RELEASE, &TCustomForm::CMRelease);
}

TCustomForm::TCustomForm(TComponent* owner) : TScrollingWinControl(owner) {
    InitForm();
    FNeedsDefinition = true;
}

TCustomForm::TCustomForm(TComponent* owner, TCreateNew) : TScrollingWinControl(owner) { InitForm(); }

void TCustomForm::InitForm() {
    FFormState.Include(fsCreating);
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    FVisible = false;
    // A form has no parent to take its colour and font from: they are its own, and stored.
    FParentColor = false;
    FParentFont = false;
    SetBounds(0, 0, 320, 240);
    FIcon = std::make_unique<TIcon>();
    auto canvas = std::make_unique<TControlCanvas>();
    canvas->SetControl(this);
    FCanvas = std::move(canvas);
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Destroying();
    if (!FDestroyed) {
        FDestroyed = true;
        try {
            DoDestroy();
        } catch (...) {
            Application->HandleException(this);
        }
    }
    // The screen forgets the form (and its active control) while the controls still exist.
    Screen->RemoveForm(this);
    FActiveControl = nullptr;
    DestroyComponents();
    Application->MainFormDestroyed(this);
    if (FMenu) FMenu->RemoveFreeNotification(this);
}

namespace kov_detail {
namespace {
thread_local bool tCreateFormMark = false;
} // namespace

TCreateFormScope::TCreateFormScope() : FOuter(tCreateFormMark) { tCreateFormMark = true; }
TCreateFormScope::~TCreateFormScope() { tCreateFormMark = FOuter; }

bool TakeCreateFormMark() { return std::exchange(tCreateFormMark, false); }
} // namespace kov_detail

void TCustomForm::CompleteCreateForm() {
    FCreateFormPending = false;
    AfterConstruction();
}

void TCustomForm::AfterConstruction() {
    if (FConstructed || FCreateFormPending) return;
    FConstructed = true;
    if (FNeedsDefinition) {
        IncludeComponentState(csLoading);
        try {
            InitInheritedComponent(this, TForm::StaticClass());
        } catch (...) {
            ExcludeComponentState(csLoading);
            FFormState.Exclude(fsCreating);
            throw;
        }
        ExcludeComponentState(csLoading);
    }
    FFormState.Exclude(fsCreating);
    DoCreate();
    // A definition may say Visible = True: show now that the form is complete.
    if (FFormState.Contains(fsVisible)) SetVisible(true);
}

void TCustomForm::DoCreate() {
    try {
        OnCreate(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TCustomForm::DoDestroy() { OnDestroy(this); }

void TCustomForm::DoShow() { OnShow(this); }

void TCustomForm::DoHide() { OnHide(this); }

void TCustomForm::DoClose(TCloseAction& action) { OnClose(this, action); }

void TCustomForm::Activate() { OnActivate(this); }

void TCustomForm::Deactivate() { OnDeactivate(this); }

void TCustomForm::Paint() { OnPaint(this); }

void TCustomForm::Resize() { TScrollingWinControl::Resize(); }

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TScrollingWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FMenu) FMenu = nullptr;
    if (component == FActiveControl) FActiveControl = nullptr;
}

// ---- Properties ---------------------------------------------------------------------------------

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (FBorderIcons == value) return;
    FBorderIcons = value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetPosition(TPosition value) { FPosition = value; }

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (FFormStyle == value) return;
    if ((value == fsMDIChild || FFormStyle == fsMDIChild) && HandleAllocated())
        throw EInvalidOperation("Cannot change the form style of a form whose window exists");
    FFormStyle = value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState value) {
    if (FWindowState == value) return;
    FWindowState = value;
    ApplyWindowState();
}

void TCustomForm::ApplyWindowState() {
    if (!HandleAllocated() || !GetShowing()) return;
    switch (FWindowState) {
    case wsMinimized:
        ShowWindow(FHandle, SW_SHOWMINIMIZED);
        break;
    case wsMaximized:
        ShowWindow(FHandle, SW_SHOWMAXIMIZED);
        break;
    default:
        ShowWindow(FHandle, SW_RESTORE);
        break;
    }
}

void TCustomForm::SetIcon(TIcon* value) {
    FIcon->Assign(value);
    if (HandleAllocated()) ShowFormIcon(this);
}

void TCustomForm::SetMenu(TComponent* value) {
    if (FMenu == value) return;
    if (FMenu) FMenu->RemoveFreeNotification(this);
    FMenu = value;
    if (FMenu) FMenu->FreeNotification(this);
    if (HandleAllocated()) SetFormMenuWindow(FHandle, FMenu);
}

// ---- Window -------------------------------------------------------------------------------------

void TCustomForm::MergeStyles(TCreateParams& params) const {
    DWORD style = params.Style & ~(WS_CHILD | WS_GROUP | WS_TABSTOP | WS_VISIBLE | WS_POPUP | WS_CAPTION |
                                   WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER);
    DWORD exStyle = params.ExStyle & ~(WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE |
                                       WS_EX_CONTEXTHELP | WS_EX_TOPMOST | WS_EX_CLIENTEDGE);
    style |= WS_CLIPCHILDREN;
    TFormBorderStyle border = FBorderStyle;
    if (FFormStyle == fsMDIChild && (border == bsNone || border == bsDialog)) border = bsSizeable;
    switch (border) {
    case bsNone:
        style |= WS_POPUP;
        break;
    case bsSingle:
        style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
        style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        style |= WS_POPUP | WS_CAPTION;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        style |= WS_CAPTION;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        style |= WS_CAPTION | WS_THICKFRAME;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (border != bsNone && FBorderIcons.Contains(biSystemMenu)) {
        style |= WS_SYSMENU;
        if (border == bsSingle || border == bsSizeable) {
            if (FBorderIcons.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
            if (FBorderIcons.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
        }
        if (border == bsDialog && FBorderIcons.Contains(biHelp)) exStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
    if (FFormStyle == fsMDIChild) exStyle |= WS_EX_MDICHILD;
    params.Style = style;
    params.ExStyle = exStyle;
}

void TCustomForm::CreateParams(TCreateParams& params) {
    TScrollingWinControl::CreateParams(params);
    if (GetParent() || GetParentWindow()) return; // a form inside another control is a child window
    MergeStyles(params);
    params.WndParent = nullptr;
    if (FFormStyle == fsMDIChild) {
        if (TCustomForm* frame = MDIFrame()) params.WndParent = frame->FClientHandle;
    } else {
        // A form that is not the main form stays above it.
        TForm* mainForm = Application->GetMainForm();
        if (mainForm && mainForm != this && mainForm->HandleAllocated()) params.WndParent = mainForm->GetHandle();
    }
    switch (FPosition) {
    case poDefault:
        params.X = params.Y = params.Width = params.Height = CW_USEDEFAULT;
        break;
    case poDefaultPosOnly:
        params.X = params.Y = CW_USEDEFAULT;
        break;
    case poDefaultSizeOnly:
        params.Width = params.Height = CW_USEDEFAULT;
        break;
    default:
        break;
    }
}

TCustomForm* TCustomForm::MDIFrame() const {
    TForm* mainForm = Application->GetMainForm();
    if (mainForm && mainForm != this && mainForm->FFormStyle == fsMDIForm) {
        mainForm->HandleNeeded();
        return mainForm;
    }
    return nullptr;
}

void TCustomForm::CreateWindowHandle(const TCreateParams& params) {
    if (FFormStyle != fsMDIChild || GetParent() || GetParentWindow()) {
        TScrollingWinControl::CreateWindowHandle(params);
        return;
    }
    TCustomForm* frame = MDIFrame();
    if (!frame || !frame->FClientHandle)
        throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    // The client creates the document window; the creation parameters stay what the control's
    // own creation would have used, with the client as the parent.
    TCreateParams mdi = params;
    mdi.WndParent = frame->FClientHandle;
    mdi.Style |= WS_CHILD;
    mdi.ExStyle |= WS_EX_MDICHILD;
    TScrollingWinControl::CreateWindowHandle(mdi);
    FFormState.Include(fsCreatedMDIChild);
}

void TCustomForm::CreateWnd() {
    TScrollingWinControl::CreateWnd();
    ShowFormIcon(this);
    if (FMenu) SetFormMenuWindow(FHandle, FMenu);
    if (FFormStyle == fsMDIForm && !FClientHandle && !GetParent()) {
        CLIENTCREATESTRUCT ccs;
        ccs.idFirstChild = kFirstMdiChildId;
        RECT client{};
        ::GetClientRect(FHandle, &client);
        FClientHandle = CreateWindowExA(WS_EX_CLIENTEDGE, MDICLIENT_CLASS, nullptr,
                                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                        client.right, client.bottom, FHandle,
                                        reinterpret_cast<HMENU>(std::uintptr_t(kMdiClientId)), nullptr, &ccs);
        Realign();
    }
}

void TCustomForm::DestroyWindowHandle() {
    if (FClientHandle) {
        HWND client = FClientHandle;
        FClientHandle = nullptr;
        if (IsWindow(client)) DestroyWindow(client);
    }
    TScrollingWinControl::DestroyWindowHandle();
}

void TCustomForm::AlignControls(TControl* control, RECT& rect) {
    TScrollingWinControl::AlignControls(control, rect);
    if (FClientHandle)
        SetWindowPos(FClientHandle, HWND_BOTTOM, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOACTIVATE);
}

void TCustomForm::PaintWindow(HDC dc) {
    FCanvas->SetHandle(dc);
    try {
        Paint();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        throw;
    }
    FCanvas->SetHandle(nullptr);
}

void TCustomForm::WndProc(TMessage& message) {
    // The menu bar's commands, pop-ups and owner-drawn items.
    if (FMenu && FormMenuMessage(FMenu, message)) return;
    TScrollingWinControl::WndProc(message);
}

void TCustomForm::DefaultHandler(void* msg) {
    auto& message = *static_cast<TMessage*>(msg);
    if (HandleAllocated()) {
        // The activation and the window commands of documents and frames; the form does its own
        // closing and sizing.
        if (FFormStyle == fsMDIChild && FFormState.Contains(fsCreatedMDIChild)) {
            switch (message.Msg) {
            case WM_CHILDACTIVATE:
            case WM_SETFOCUS:
            case WM_MOUSEACTIVATE:
            case WM_SYSCOMMAND:
                message.Result = DefMDIChildProcA(FHandle, message.Msg, message.WParam, message.LParam);
                return;
            default:
                break;
            }
        } else if (FClientHandle) {
            switch (message.Msg) {
            case WM_SETFOCUS:
            case WM_COMMAND:
                message.Result = DefFrameProcA(FHandle, FClientHandle, message.Msg, message.WParam, message.LParam);
                return;
            default:
                break;
            }
        }
    }
    TScrollingWinControl::DefaultHandler(msg);
}

// ---- Showing ------------------------------------------------------------------------------------

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::PlaceOnShow() {
    if (FPlaced) return;
    FPlaced = true;
    if (FFormStyle == fsMDIChild) return;
    const Integer w = GetWidth(), h = GetHeight();
    RECT target{};
    bool move = true;
    const RECT work = Screen->GetWorkAreaRect();
    auto overForm = [&](TCustomForm* other) {
        if (other && other != this && other->HandleAllocated() && other->GetVisible()) {
            RECT r{};
            ::GetWindowRect(other->GetHandle(), &r);
            return KeepOnWorkArea(CenteredIn(r, w, h), work);
        }
        return CenteredIn(RECT{0, 0, Screen->GetWidth(), Screen->GetHeight()}, w, h);
    };
    switch (FPosition) {
    case poScreenCenter:
        target = CenteredIn(RECT{0, 0, Screen->GetWidth(), Screen->GetHeight()}, w, h);
        break;
    case poDesktopCenter:
        target = CenteredIn(Screen->GetDesktopRect(), w, h);
        break;
    case poMainFormCenter:
        target = overForm(Application->GetMainForm());
        break;
    case poOwnerFormCenter: {
        auto* ownerForm = dynamic_cast<TCustomForm*>(GetOwner());
        target = overForm(ownerForm ? ownerForm : Application->GetMainForm());
        break;
    }
    default:
        move = false;
        break;
    }
    if (move) SetBounds(target.left, target.top, w, h);
}

void TCustomForm::CMShowingChanged(TMessage& message) {
    HWND window = GetHandle();
    if (GetShowing()) {
        FFormState.Include(fsShowing);
        try {
            DoShow();
        } catch (...) {
            FFormState.Exclude(fsShowing);
            throw;
        }
        FFormState.Exclude(fsShowing);
        PlaceOnShow();
        int command = SW_SHOWNORMAL;
        if (FWindowState == wsMaximized) command = SW_SHOWMAXIMIZED;
        if (FWindowState == wsMinimized) command = SW_SHOWMINIMIZED;
        if (FFormStyle == fsMDIChild && FFormState.Contains(fsCreatedMDIChild)) {
            ShowWindow(window, command == SW_SHOWNORMAL ? SW_SHOWNOACTIVATE : command);
            SendMessageA(::GetParent(window), WM_MDIACTIVATE, WPARAM(window), 0);
        } else {
            // A window that never activates (a drop-down beside its owner's form) is only shown.
            const bool noActivate = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0;
            if (noActivate && command == SW_SHOWNORMAL) command = SW_SHOWNOACTIVATE;
            ShowWindow(window, command);
            if (command != SW_SHOWMINIMIZED && !noActivate) SetActiveWindow(window);
        }
    } else {
        DoHide();
        if (FFormStyle == fsMDIChild) {
            HWND client = ::GetParent(window);
            const bool wasActive = client && HWND(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) == window;
            ShowWindow(window, SW_HIDE);
            if (wasActive) SendMessageA(client, WM_MDINEXT, 0, 0);
        } else {
            ShowWindow(window, SW_HIDE);
        }
    }
}

// ---- Activation and focus ----------------------------------------------------------------------

void TCustomForm::SetActive(bool value) {
    if (FActive == value) return;
    FActive = value;
    if (value) {
        FFormState.Include(fsActivated);
        if (FFormStyle != fsMDIChild) Screen->FormActivated(this);
        // A form without an active control gives the focus to its first control in tab order
        // that can take it; a frame leaves the focus to its active document.
        if (!FActiveControl && !(FFormStyle == fsMDIForm && GetActiveMDIChild()))
            FActiveControl = FindNextControl(nullptr, true, true, false);
        SetWindowFocus();
        Activate();
    } else {
        // Remember the control that had the focus, to give it back on the next activation.
        HWND focus = GetFocus();
        if (HandleAllocated() && focus && IsChild(FHandle, focus)) {
            for (HWND w = focus; w && w != FHandle; w = ::GetParent(w))
                if (TWinControl* c = FindControl(w)) {
                    // The focus in one of a frame's documents goes back to that document.
                    if (GetParentForm(c) == this) FActiveControl = c;
                    else if (FFormStyle == fsMDIForm) FActiveControl = nullptr;
                    break;
                }
        }
        Deactivate();
    }
}

void TCustomForm::SetWindowFocus() {
    if (!HandleAllocated()) return;
    TWinControl* target = FActiveControl;
    if (!target && FFormStyle == fsMDIForm)
        if (TForm* document = GetActiveMDIChild()) {
            document->SetWindowFocus();
            return;
        }
    if (target && target->CanFocus() && target->HandleAllocated()) {
        ::SetFocus(target->GetHandle());
        return;
    }
    HWND focus = GetFocus();
    if (!focus || (focus != FHandle && !IsChild(FHandle, focus))) ::SetFocus(FHandle);
}

void TCustomForm::WMActivate(TMessage& message) {
    KOV_INHERITED(message);
    const bool active = LOWORD(message.WParam) != WA_INACTIVE;
    if (FFormStyle == fsMDIChild) return;
    SetActive(active);
}

void TCustomForm::WMMDIActivate(TMessage& message) {
    KOV_INHERITED(message);
    if (FFormStyle != fsMDIChild) return;
    SetActive(HWND(message.LParam) == FHandle);
}

void TCustomForm::CMActivate(TMessage& message) { SetActive(true); }

void TCustomForm::CMDeactivate(TMessage& message) { SetActive(false); }

void TCustomForm::WMSize(TWMSize& message) {
    TMessage m;
    m.Msg = message.Msg;
    m.WParam = message.SizeType;
    m.LParam = MAKELPARAM(message.Width, message.Height);
    KOV_INHERITED(m);
    message.Result = m.Result;
    if (HandleAllocated() && IsWindowVisible(FHandle)) {
        switch (message.SizeType) {
        case SIZE_MINIMIZED:
            FWindowState = wsMinimized;
            break;
        case SIZE_MAXIMIZED:
            FWindowState = wsMaximized;
            break;
        case SIZE_RESTORED:
            FWindowState = wsNormal;
            break;
        default:
            break;
        }
    }
}

void TCustomForm::SetFocus() {
    if (!GetVisible() || !GetEnabled())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    if (FFormStyle == fsMDIChild && HandleAllocated()) {
        SendMessageA(::GetParent(FHandle), WM_MDIACTIVATE, WPARAM(FHandle), 0);
        return;
    }
    SetActiveWindow(GetHandle());
    SetWindowFocus();
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (FActiveControl == control) return;
    if (control && (control == this || GetParentForm(control) != this || (GetShowing() && !control->CanFocus())))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = control;
    if (FActive && control && control->HandleAllocated()) ::SetFocus(control->GetHandle());
}

void TCustomForm::FocusControl(TWinControl* control) {
    const bool wasActive = FActive;
    SetActiveControl(control);
    if (!wasActive && GetShowing() && control && control->CanFocus()) SetFocus();
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
    if (removing && control && control->ContainsControl(GetFocusedControl())) SetFocusedControl(control->GetParent());
    if (!control) return;
    if (FActiveControl == control || control->ContainsControl(FActiveControl)) {
        TWinControl* parent = control->GetParent();
        FActiveControl = (parent && parent != this && parent->CanFocus()) ? parent : nullptr;
        if (FActive && HandleAllocated()) {
            if (FActiveControl && FActiveControl->HandleAllocated())
                ::SetFocus(FActiveControl->GetHandle());
            else
                ::SetFocus(FHandle);
        }
    }
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
    if (control && control != this) FActiveControl = control;
    const TLivenessToken alive = LivenessToken();
    const bool changed = TScrollingWinControl::SetFocusedControl(control);
    if (!alive) return changed;
    if (Screen->GetActiveCustomForm() == this || FActive) Screen->SetActiveControl(control == this ? nullptr : control);
    return changed;
}

bool TCustomForm::IsShortCut(TWMKey& message) {
    bool handled = false;
    OnShortCut(message, handled);
    if (!handled && FMenu) handled = FormMenuIsShortCut(FMenu, message);
    return handled;
}

void TCustomForm::CMDialogKey(TWMKey& message) {
    if (GetKeyState(VK_MENU) >= 0) {
        TWinControl* current = FindControl(GetFocus());
        if (current && GetParentForm(current) != this) current = nullptr;
        if (!current) current = FActiveControl;
        switch (message.CharCode) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(current, GetKeyState(VK_SHIFT) >= 0, true);
                message.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (current && current != this && current->GetParent()) {
                current->GetParent()->SelectNext(current,
                                                 message.CharCode == VK_RIGHT || message.CharCode == VK_DOWN, false);
                message.Result = 1;
            }
            return;
        default:
            break;
        }
    }
    TMessage m;
    m.Msg = message.Msg;
    m.WParam = message.CharCode;
    m.LParam = message.KeyData;
    KOV_INHERITED(m);
    message.Result = m.Result;
}

// ---- Closing and the modal loop ---------------------------------------------------------------

bool TCustomForm::CloseQuery() {
    if (FFormStyle == fsMDIForm) {
        for (Integer i = 0; i < GetMDIChildCount(); ++i)
            if (!GetMDIChildren(i)->CloseQuery()) return false;
    }
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FFormState.Contains(fsModal)) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    if (FFormStyle == fsMDIChild) action = FBorderIcons.Contains(biMinimize) ? caMinimize : caNone;
    TLivenessToken alive = LivenessToken();
    DoClose(action);
    if (!alive || action == caNone) return;
    if (this == Application->GetMainForm()) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    default:
        Release();
        break;
    }
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    switch (action) {
    case caNone:
        FModalResult = mrNone;
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

namespace {
std::atomic<TModalLoopHook> ModalLoopHook{nullptr};
} // namespace

TModalLoopHook SetModalLoopHook(TModalLoopHook hook) { return ModalLoopHook.exchange(hook); }

Integer TCustomForm::ShowModal() {
    if (GetVisible() || !GetEnabled() || FFormState.Contains(fsModal) || FFormStyle == fsMDIChild)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (HWND capture = GetCapture()) {
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
    FFormState.Include(fsModal);
    HWND activeWindow = GetActiveWindow();
    HWND self = GetHandle();
    const std::vector<HWND> disabled = WinDisableTaskWindows(self);
    TLivenessToken alive = LivenessToken();
    Integer result = mrNone;
    try {
        // Cleared before showing: a result set while the form shows (by OnShow or OnActivate)
        // ends the loop, as one set later does.
        FModalResult = mrNone;
        Show();
        try {
            SendMessageA(self, CM_ACTIVATE, 0, 0);
            if (TModalLoopHook hook = ModalLoopHook.load()) hook(this);
            while (alive) {
                if (Application->GetTerminated())
                    FModalResult = mrCancel;
                else if (FModalResult != mrNone)
                    CloseModal();
                if (FModalResult != mrNone) break;
                Application->HandleMessage();
            }
            if (alive) {
                result = FModalResult;
                SendMessageA(self, CM_DEACTIVATE, 0, 0);
                if (GetActiveWindow() != self) activeWindow = nullptr;
            }
        } catch (...) {
            if (alive) Hide();
            throw;
        }
        if (alive) Hide();
    } catch (...) {
        WinEnableTaskWindows(disabled);
        if (activeWindow && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
        if (alive) FFormState.Exclude(fsModal);
        throw;
    }
    WinEnableTaskWindows(disabled);
    if (activeWindow && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
    if (alive) FFormState.Exclude(fsModal);
    return result;
}

void TCustomForm::Release(TReleaseLater) {
    if (HandleAllocated()) PostMessageA(FHandle, CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage& message) { delete this; }

void TCustomForm::WMClose(TMessage& message) { Close(); }

// ---- Multiple documents -------------------------------------------------------------------------

std::vector<HWND> TCustomForm::MDIChildHandles() const {
    std::vector<HWND> out;
    if (!FClientHandle) return out;
    for (HWND w = GetWindow(FClientHandle, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if ((GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_MDICHILD) && dynamic_cast<TForm*>(FindControl(w)))
            out.push_back(w);
    return out;
}

Integer TCustomForm::GetMDIChildCount() const { return Integer(MDIChildHandles().size()); }

TForm* TCustomForm::GetMDIChildren(Integer index) const {
    const std::vector<HWND> handles = MDIChildHandles();
    if (index < 0 || index >= Integer(handles.size())) return nullptr;
    return dynamic_cast<TForm*>(FindControl(handles[std::size_t(index)]));
}

TForm* TCustomForm::GetActiveMDIChild() const {
    if (!FClientHandle) return nullptr;
    HWND active = HWND(SendMessageA(FClientHandle, WM_MDIGETACTIVE, 0, 0));
    return active ? dynamic_cast<TForm*>(FindControl(active)) : nullptr;
}

void TCustomForm::Cascade() {
    if (FClientHandle) SendMessageA(FClientHandle, WM_MDICASCADE, 0, 0);
}

void TCustomForm::Tile() {
    if (FClientHandle)
        SendMessageA(FClientHandle, WM_MDITILE, FTileMode == tbHorizontal ? MDITILE_HORIZONTAL : MDITILE_VERTICAL,
                     0);
}

void TCustomForm::ArrangeIcons() {
    if (FClientHandle) SendMessageA(FClientHandle, WM_MDIICONARRANGE, 0, 0);
}

void TCustomForm::Next() {
    if (FClientHandle) SendMessageA(FClientHandle, WM_MDINEXT, 0, 0);
}

void TCustomForm::Previous() {
    if (FClientHandle) SendMessageA(FClientHandle, WM_MDINEXT, 0, 1);
}

// ---- Stored definitions -------------------------------------------------------------------------

void TCustomForm::SetFormVisible(bool value) {
    if (FFormState.Contains(fsCreating)) {
        if (value)
            FFormState.Include(fsVisible);
        else
            FFormState.Exclude(fsVisible);
        return;
    }
    SetVisible(value);
}

bool TCustomForm::IsFormSizeStored() const {
    return GetAutoScroll() || GetHorzScrollBar()->GetRange() != 0 || GetVertScrollBar()->GetRange() != 0;
}

RECT TCustomForm::GetClientRect() const {
    if (HandleAllocated() || !IsTopLevel()) return TScrollingWinControl::GetClientRect();
    TCreateParams params;
    const_cast<TCustomForm*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    const Integer width = std::max<Integer>(0, GetWidth() - (frame.right - frame.left));
    const Integer height = std::max<Integer>(0, GetHeight() - (frame.bottom - frame.top));
    return RECT{0, 0, width, height};
}

void TCustomForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
    TScrollingWinControl::GetChildren(proc, root);
    if (root != this) return;
    for (Integer i = 0; i < GetComponentCount(); ++i) {
        TComponent* component = GetComponents(i);
        if (!component->HasParent()) proc(component);
    }
}

namespace {

const bool kFormTypesRegistered = [] {
    RegisterEnum<TFormBorderStyle>("TFormBorderStyle",
                                   {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    RegisterEnum<TBorderIcon>("TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
    RegisterTypeName<TBorderIcons>("TBorderIcons");
    RegisterEnum<TPosition>("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                          "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                          "poOwnerFormCenter"});
    RegisterEnum<TFormStyle>("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    RegisterEnum<TWindowState>("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
    RegisterEnum<TCloseAction>("TCloseAction", {"caNone", "caHide", "caFree", "caMinimize"});
    RegisterTypeName<TCloseEvent>("TCloseEvent");
    RegisterTypeName<TCloseQueryEvent>("TCloseQueryEvent");
    RegisterTypeName<TShortCutEvent>("TShortCutEvent");
    RegisterClasses({TCustomForm::StaticClass(), TForm::StaticClass(), TScrollBox::StaticClass()});
    return true;
}();

} // namespace

KOV_PUBLISHED(TCustomForm) {
    // Published again here to take the form's rules in their ancestors' places.
    Property("Width", &TCustomForm::GetWidth, &TCustomForm::SetWidth).Stored(&TCustomForm::IsFormSizeStored);
    Property("Height", &TCustomForm::GetHeight, &TCustomForm::SetHeight).Stored(&TCustomForm::IsFormSizeStored);
    Property("Visible", &TCustomForm::GetFormVisible, &TCustomForm::SetFormVisible).Default(false);
    // Without a parent these mean nothing; the caption is the text.
    Property("ParentColor", &TCustomForm::GetParentColor, &TCustomForm::SetParentColor).Stored(false);
    Property("ParentFont", &TCustomForm::GetParentFont, &TCustomForm::SetParentFont).Stored(false);
    Property("Text", &TCustomForm::GetText, &TCustomForm::SetText).Stored(false);
    Property("ShowHint", &TCustomForm::GetShowHint, &TCustomForm::SetShowHint)
        .Stored(&TCustomForm::IsShowHintStored);
    Property("ActiveControl", &TCustomForm::GetActiveControl, &TCustomForm::SetActiveControl);
    Property("AutoScroll", &TCustomForm::GetAutoScroll, &TCustomForm::SetAutoScroll).Default(true);
    Property("BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons)
        .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
    Property("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
    Property("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight)
        .Stored(&TCustomForm::IsClientSizeStored);
    Property("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth)
        .Stored(&TCustomForm::IsClientSizeStored);
    Property("FormStyle", &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
    Property("Icon", &TCustomForm::GetIcon, &TCustomForm::SetIcon);
    Property("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview).Default(false);
    Property("Menu", &TCustomForm::GetMenu, &TCustomForm::SetMenu).TypeName("TMainMenu");
    Property("OldCreateOrder", &TCustomForm::GetOldCreateOrder, &TCustomForm::SetOldCreateOrder);
    Property("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition).Default(poDesigned);
    Property("Scaled", &TCustomForm::GetScaled, &TCustomForm::SetScaled).Default(true);
    Property("WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState).Default(wsNormal);
    Property("OnActivate", &TCustomForm::OnActivate);
    Property("OnClose", &TCustomForm::OnClose);
    Property("OnCloseQuery", &TCustomForm::OnCloseQuery);
    Property("OnCreate", &TCustomForm::OnCreate);
    Property("OnDeactivate", &TCustomForm::OnDeactivate);
    Property("OnDestroy", &TCustomForm::OnDestroy);
    Property("OnHide", &TCustomForm::OnHide);
    Property("OnPaint", &TCustomForm::OnPaint);
    Property("OnShortCut", &TCustomForm::OnShortCut);
    Property("OnShow", &TCustomForm::OnShow);
    Property("PixelsPerInch", &TCustomForm::GetPixelsPerInch, &TCustomForm::SetPixelsPerInch);
    Property("TextHeight", &TCustomForm::GetTextHeight, &TCustomForm::SetTextHeight);
}

KOV_PUBLISHED(TForm) {}
