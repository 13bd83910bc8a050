// The styled control base: its scroll bars, mouse and key handling, painting step and its own
// drag-and-drop.
#include "suite/foundation/qzControls.h"

#include <algorithm>

#include "platform/winapi/WinCore.h"

namespace {

// How often UpdateScrollBars repeats ComputeScrollBarParams, and how deeply it may nest
// through HandleSizeChange, before it takes the layout as it stands: bars that would flip
// back and forth must not hang the control.
constexpr Integer kMaxComputePasses = 4;
constexpr Integer kMaxUpdateDepth = 4;

bool InRect(const TRect& r, const POINT& p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

TqzDragAndDropObject* MakeDragAndDropObject(TqzControl* control) { return new TqzDragAndDropObject(control); }
TqzDragControlObject* MakeDragControlObject(TControl* control) { return new TqzDragControlObject(control); }

// The drag object passing over a suite control now.
TDragObject*& CurrentDragObject() {
    static TDragObject* object = nullptr;
    return object;
}

} // namespace

TDragObject* GetCurrentDragObject() { return CurrentDragObject(); }

// ---- Drag objects -------------------------------------------------------------------------------

TqzDragAndDropObject::TqzDragAndDropObject(TqzControl* control) : FControl(control) {}

TqzCanvas* TqzDragAndDropObject::GetCanvas() const { return FControl->GetControlCanvas(); }

TCursor TqzDragAndDropObject::GetDragAndDropCursor(bool accepted) { return accepted ? crDrag : crNoDrop; }

void TqzDragAndDropObject::BeginDragAndDrop() { DirtyChanged(); }

void TqzDragAndDropObject::DragAndDrop(const TPoint& point, bool& accepted) {
    SetDirty(false);
    Screen->SetCursor(GetDragAndDropCursor(accepted));
}

void TqzDragAndDropObject::EndDragAndDrop(bool accepted) { SetDirty(true); }

void TqzDragAndDropObject::SetDirty(bool value) {
    if (FDirty == value) return;
    FDirty = value;
    DirtyChanged();
}

TCursor TqzDragControlObject::GetDragCursor(bool accepted, Integer x, Integer y) {
    if (accepted && TqzControl::IsCtrlPressed()) return crqzDragCopy;
    return TDragControlObject::GetDragCursor(accepted, x, y);
}

void TqzDragControlObject::Finished(TObject* target, Integer x, Integer y, bool accepted) {
    TDragControlObject::Finished(target, x, y, accepted);
    delete this;
}

// ---- Scroll bars of a control ------------------------------------------------------------------

TqzControlScrollBar::TqzControlScrollBar(TWinControl* owner) : TqzScrollBar(owner) {
    SetColor(clBtnFace);
    TControlStyle style = GetControlStyle();
    style.Exclude(csFramed);
    style.Include(csNoDesignVisible);
    SetControlStyle(style);
    SetTabStop(false);
    SetVisible(false);
    if (auto* control = dynamic_cast<TqzControl*>(owner)) GetLookAndFeel()->SetMaster(control->GetLookAndFeel());
}

void TqzControlScrollBar::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft) {
        const TLivenessToken alive = LivenessToken();
        TWinControl* parent = GetParent();
        if (auto* control = dynamic_cast<TqzControl*>(parent)) {
            if (control->CanFocusOnScrollBarClick()) control->SetFocus();
        } else if (parent != nullptr && parent->CanFocus()) {
            parent->SetFocus();
        }
        if (!alive) return;
    }
    TqzScrollBar::MouseDown(button, shift, x, y);
}

void TqzControlScrollBar::WndProc(TMessage& message) {
    if (message.Msg == CM_DESIGNHITTEST) {
        message.Result = 1;
        return;
    }
    TqzScrollBar::WndProc(message);
}

TqzSizeGrip::TqzSizeGrip(TComponent* owner) : TCustomControl(owner) {
    SetColor(clBtnFace);
    TControlStyle style = GetControlStyle();
    style.Include(csNoDesignVisible);
    SetControlStyle(style);
}

void TqzSizeGrip::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(GetClientRect());
}

// ---- TqzControl ---------------------------------------------------------------------------------

KOV_MESSAGE_MAP(TqzControl) {
    map.Message(WM_GETDLGCODE, &TqzControl::WMGetDlgCode);
    map.Message(WM_ERASEBKGND, &TqzControl::WMEraseBkgnd);
    map.Message(WM_NCCALCSIZE, &TqzControl::WMNCCalcSize);
    map.Message(WM_SETCURSOR, &TqzControl::WMSetCursor);
    map.Message(WM_CANCELMODE, &TqzControl::WMCancelMode);
    map.Message(WM_CONTEXTMENU, &TqzControl::WMContextMenu);
    map.Message(CN_KEYDOWN, &TqzControl::CNKeyDown);
    map.Message(CN_SYSKEYDOWN, &TqzControl::CNKeyDown);
    map.Message(QZM_SYSTEMMETRICSCHANGED, &TqzControl::QZMSystemMetricsChanged);
    map.Message(CM_COLORCHANGED, &TqzControl::CMColorChanged);
    map.Message(CM_CURSORCHANGED, &TqzControl::CMCursorChanged);
    map.Message(CM_FONTCHANGED, &TqzControl::CMFontChanged);
    map.Message(CM_VISIBLECHANGED, &TqzControl::CMVisibleChanged);
    map.Message(CM_TEXTCHANGED, &TqzControl::CMTextChanged);
    map.Message(CM_MOUSEENTER, &TqzControl::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzControl::CMMouseLeave);
    map.Message(CM_DRAG, &TqzControl::CMDrag);
}

TqzControl::TqzControl(TComponent* owner) : TCustomControl(owner) {
    ControlsUnitInitialize();
    if (HasDragImages()) {
        TControlStyle style = GetControlStyle();
        style.Include(csDisplayDragImage);
        SetControlStyle(style);
    }
    FControlCanvas = std::make_unique<TqzCanvas>(GetCanvas());
    FControlCursor = GetCursor();
    FFocusOnClick = true;
    FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
    FLookAndFeel->OnChanged = TqzLookAndFeelChangedEvent(this, &TqzControl::LookAndFeelChanged);
    FScrollBars = ssBoth;
    // The bars are made on first need, when the class's HasScrollBars can be asked.
    SetTabStop(IsFocusableKind());
    SetParentBackground(true);
    FLastParentBackground = GetParentBackground();
}

TqzControl::~TqzControl() {
    BeforeDestruction();
    FinishDragAndDrop(false);
    DestroyScrollBars();
    FreeDragImages();
    FDragAndDropObject.reset();
    if (CurrentDragObject() != nullptr && GetDragControl() == nullptr) CurrentDragObject() = nullptr;
    FLookAndFeel.reset();
    ClearObjectLinksTo(this);
    FControlCanvas.reset();
}

void TqzControl::BeforeDestruction() {
    if (FDestroying) return;
    FDestroying = true;
    if (!GetComponentState().Contains(csDestroying)) Destroying();
}

void TqzControl::CreateScrollBars() {
    if (FHScrollBar != nullptr || FDestroying || !HasScrollBars()) return;
    FHScrollBar = new TqzControlScrollBar(this);
    FHScrollBar->SetKind(sbHorizontal);
    FHScrollBar->SetHeight(GetSystemMetrics(SM_CYHSCROLL));
    FHScrollBar->OnScroll = TScrollEvent(this, &TqzControl::BarScroll);
    FVScrollBar = new TqzControlScrollBar(this);
    FVScrollBar->SetKind(sbVertical);
    FVScrollBar->SetWidth(GetSystemMetrics(SM_CXVSCROLL));
    FVScrollBar->OnScroll = TScrollEvent(this, &TqzControl::BarScroll);
    FSizeGrip = new TqzSizeGrip(this);
    FSizeGrip->SetVisible(false);
    GetSettingsController()->RegisterControl(this);
    FRegistered = true;
    if (HandleAllocated()) AttachScrollBars();
}

TqzControlScrollBar* TqzControl::GetHScrollBar() const {
    const_cast<TqzControl*>(this)->CreateScrollBars();
    return FHScrollBar;
}

TqzControlScrollBar* TqzControl::GetVScrollBar() const {
    const_cast<TqzControl*>(this)->CreateScrollBars();
    return FVScrollBar;
}

TqzSizeGrip* TqzControl::GetSizeGrip() const {
    const_cast<TqzControl*>(this)->CreateScrollBars();
    return FSizeGrip;
}

void TqzControl::DestroyScrollBars() {
    if (FRegistered) {
        GetSettingsController()->UnregisterControl(this);
        FRegistered = false;
    }
    delete FSizeGrip;
    FSizeGrip = nullptr;
    delete FVScrollBar;
    FVScrollBar = nullptr;
    delete FHScrollBar;
    FHScrollBar = nullptr;
}

void TqzControl::BarScroll(TObject* sender, TScrollCode code, Integer& position) {
    auto* bar = static_cast<TqzScrollBar*>(sender);
    ScrollContent(bar->GetKind(), code, position);
}

void TqzControl::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    HandleSizeChange();
    Invalidate();
}

void TqzControl::SetLookAndFeel(TqzLookAndFeel* value) { FLookAndFeel->Assign(value); }

void TqzControl::SetPopupMenu(TComponent* value) {
    if (value != nullptr && dynamic_cast<TPopupMenu*>(value) == nullptr) value = nullptr;
    TControl::SetPopupMenu(value);
    if (value != nullptr) value->FreeNotification(this);
}

void TqzControl::SetScrollBars(TScrollStyle value) {
    if (FScrollBars == value) return;
    FScrollBars = value;
    HandleSizeChange();
}

TqzDragAndDropObject* TqzControl::GetDragAndDropObject() {
    if (!FDragAndDropObject) {
        TqzDragAndDropObjectClass make = GetDragAndDropObjectClass();
        FDragAndDropObject.reset(make(this));
    }
    return FDragAndDropObject.get();
}

TqzDragAndDropObjectClass TqzControl::GetDragAndDropObjectClass() {
    return FDragAndDropObjectClass != nullptr ? FDragAndDropObjectClass : &MakeDragAndDropObject;
}

TqzDragControlObjectClass TqzControl::GetDragControlObjectClass() { return &MakeDragControlObject; }

void TqzControl::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
}

void TqzControl::LookAndFeelChanged(TqzLookAndFeel*, TqzLookAndFeelValues) { HandleLookAndFeelChange(); }

TqzLookAndFeelPainterClass TqzControl::CurrentPainter() const { return FLookAndFeel->ActivePainter(); }

bool TqzControl::IsCtrlPressed() { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

void TqzControl::InvalidateArea(const TRect& rect, bool erase) {
    if (HandleAllocated()) InvalidateRect(GetHandle(), &rect, erase ? TRUE : FALSE);
}

void TqzControl::AddChildComponent(TqzControlChildComponent* child) { child->SetControl(this); }

void TqzControl::RemoveChildComponent(TqzControlChildComponent* child) { child->SetControl(nullptr); }

void TqzControl::HandleFocusChange() { OnFocusChange(this); }

bool TqzControl::CapturesDesignMouse(Integer x, Integer y, TShiftState shift) {
    return FDragAndDropState != ddsNone || FMouseCaptured;
}

// ---- Focus --------------------------------------------------------------------------------------

bool TqzControl::CanFocusOnClick() {
    // A control on a disabled or hidden form does not take the focus from a click either.
    return !IsDesigning() && FFocusOnClick && IsFocusableKind() && CanReceiveFocus();
}

bool TqzControl::CanReceiveFocus() {
    if (!CanFocus()) return false;
    TCustomForm* form = GetParentForm(this);
    if (form == nullptr) return true;
    return form->CanFocus() && form->GetEnabled() && form->GetVisible();
}

// ---- Geometry and scroll bars --------------------------------------------------------------------

Integer TqzControl::GetBorderSize() {
    return FBorderStyle == bsNone ? 0 : CurrentPainter()->ControlBorderWidth();
}

TRect TqzControl::GetBounds() {
    if (HandleAllocated()) return GetClientRect();
    return TRect{0, 0, GetWidth(), GetHeight()};
}

TRect TqzControl::GetClientBounds() {
    TRect r = GetBounds();
    const Integer border = GetBorderSize();
    r.left += border;
    r.top += border;
    r.right -= border;
    r.bottom -= border;
    if (IsHScrollBarVisible()) r.bottom -= FHScrollBar->GetHeight();
    if (IsVScrollBarVisible()) r.right -= FVScrollBar->GetWidth();
    return r;
}

bool TqzControl::BarPlannedVisible(TScrollBarKind kind) const {
    const TqzControlScrollBar* bar = kind == sbHorizontal ? FHScrollBar : FVScrollBar;
    if (bar == nullptr) return false;
    return FCalculating ? bar->Plan.Visible : bar->IsShown();
}

bool TqzControl::IsHScrollBarVisible() const {
    const_cast<TqzControl*>(this)->CreateScrollBars();
    return BarPlannedVisible(sbHorizontal);
}

bool TqzControl::IsVScrollBarVisible() const {
    const_cast<TqzControl*>(this)->CreateScrollBars();
    return BarPlannedVisible(sbVertical);
}

TRect TqzControl::CalcHScrollBarBounds() {
    const TRect client = GetClientBounds();
    return TRect{client.left, client.bottom, client.right, client.bottom + FHScrollBar->GetHeight()};
}

TRect TqzControl::CalcVScrollBarBounds() {
    const TRect client = GetClientBounds();
    return TRect{client.right, client.top, client.right + FVScrollBar->GetWidth(), client.bottom};
}

TRect TqzControl::CalcSizeGripBounds() {
    const TRect h = CalcHScrollBarBounds(), v = CalcVScrollBarBounds();
    return TRect{v.left, h.top, v.right, h.bottom};
}

void TqzControl::PlaceScrollBars() {
    if (FHScrollBar == nullptr) return;
    if (FHScrollBar->IsShown()) FHScrollBar->SetBoundsRect(CalcHScrollBarBounds());
    if (FVScrollBar->IsShown()) FVScrollBar->SetBoundsRect(CalcVScrollBarBounds());
    if (FSizeGrip->GetVisible()) FSizeGrip->SetBoundsRect(CalcSizeGripBounds());
}

void TqzControl::BringScrollBarsToFront() {
    if (FHScrollBar == nullptr) return;
    FHScrollBar->BringToFront();
    FVScrollBar->BringToFront();
    FSizeGrip->BringToFront();
}

void TqzControl::AttachScrollBars() {
    if (FHScrollBar == nullptr) return;
    FHScrollBar->SetParent(this);
    FVScrollBar->SetParent(this);
    FSizeGrip->SetParent(this);
}

bool TqzControl::IsOwnScrollBar(TControl* control) {
    return control != nullptr && (control == FHScrollBar || control == FVScrollBar || control == FSizeGrip);
}

void TqzControl::SetScrollBarInfo(TScrollBarKind kind, Integer min, Integer max, Integer smallChange,
                                  Integer pageSize, Integer position, bool allowShow, bool allowHide) {
    CreateScrollBars();
    TqzControlScrollBar* bar = kind == sbHorizontal ? FHScrollBar : FVScrollBar;
    if (bar == nullptr) return;
    TqzScrollBarPlan& plan = bar->Plan;
    const bool admitted = kind == sbHorizontal ? (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
                                               : (FScrollBars == ssVertical || FScrollBars == ssBoth);
    plan.AllowShow = admitted && allowShow;
    plan.AllowHide = allowHide;
    if (!plan.AllowShow) {
        plan.Visible = false;
        return;
    }
    if (min <= max && pageSize < max - min + 1 && position >= min) {
        plan.Min = min;
        plan.Max = max;
        plan.Position = position;
        plan.PageSize = pageSize;
        plan.SmallChange = smallChange;
        plan.LargeChange = pageSize;
        plan.Enabled = true;
        plan.Visible = true;
    } else if (allowHide) {
        plan.Visible = false;
    } else {
        plan.Visible = true;
        plan.Enabled = false;
    }
}

void TqzControl::UpdateScrollBars() {
    CreateScrollBars();
    if (FHScrollBar == nullptr || FDestroying) return;
    const bool outermost = !FUpdatingScrollBars;
    if (outermost) {
        FSavedHVisible = FHScrollBar->IsShown();
        FSavedVVisible = FVScrollBar->IsShown();
        FUpdatingScrollBars = true;
        FUpdateDepth = 0;
    }
    ++FUpdateDepth;
    const bool hWas = FHScrollBar->IsShown(), vWas = FVScrollBar->IsShown();
    TqzScrollBarPlan& h = FHScrollBar->Plan;
    TqzScrollBarPlan& v = FVScrollBar->Plan;
    if (!FScrollBarsStable) {
        // a. Until the planned visibilities settle.
        FCalculating = true;
        h.Visible = false;
        v.Visible = false;
        bool settled = false;
        // Which planned visibilities each bar took over the passes: a bar that came and went
        // flips.
        bool hAny = false, hAll = true, vAny = false, vAll = true;
        for (Integer pass = 0; pass < kMaxComputePasses && !settled; ++pass) {
            const bool hBefore = h.Visible, vBefore = v.Visible;
            ++FComputeCount;
            ComputeScrollBarParams();
            settled = h.Visible == hBefore && v.Visible == vBefore;
            hAny = hAny || h.Visible;
            hAll = hAll && h.Visible;
            vAny = vAny || v.Visible;
            vAll = vAll && v.Visible;
        }
        FCalculating = false;
        // b. Pixel scrolling: both bars may go when each is needed only for the other's room.
        if (settled && h.Visible && v.Visible && h.Enabled && v.Enabled && h.AllowHide && v.AllowHide &&
            IsPixelScrolling(sbHorizontal) && IsPixelScrolling(sbVertical)) {
            const Integer vThick = FVScrollBar->GetWidth(), hThick = FHScrollBar->GetHeight();
            if (vThick + h.PageSize >= h.Max - h.Min + 1 && hThick + v.PageSize >= v.Max - v.Min + 1) {
                const TqzScrollBarPlan hp = h, vp = v;
                SetScrollBarInfo(sbHorizontal, hp.Min, hp.Max, hp.SmallChange, hp.PageSize + vThick, hp.Position,
                                 hp.AllowShow, hp.AllowHide);
                SetScrollBarInfo(sbVertical, vp.Min, vp.Max, vp.SmallChange, vp.PageSize + hThick, vp.Position,
                                 vp.AllowShow, vp.AllowHide);
            }
        }
        // c. A nested pass that comes back to where the outermost one started flips: the bars
        // that differ from then are shown disabled. So are the bars of passes that never settle;
        // nesting too deeply takes the layout as it stands.
        const bool flipBack = !outermost && h.Visible == FSavedHVisible && v.Visible == FSavedVVisible;
        if (flipBack || FUpdateDepth > kMaxUpdateDepth) {
            FScrollBarsStable = true;
            if (flipBack) {
                if (FSavedHVisible != FHScrollBar->IsShown()) ShowDisabled(FHScrollBar);
                if (FSavedVVisible != FVScrollBar->IsShown()) ShowDisabled(FVScrollBar);
            }
        } else {
            const bool flips[2] = {!settled && hAny != hAll, !settled && vAny != vAll};
            TqzControlScrollBar* bars[2] = {FHScrollBar, FVScrollBar};
            for (int i = 0; i < 2; ++i) {
                TqzControlScrollBar* bar = bars[i];
                if (flips[i]) {
                    ShowDisabled(bar);
                    continue;
                }
                const TqzScrollBarPlan plan = bar->Plan;
                if (plan.Visible) {
                    bar->SetScrollParams(plan.Min, plan.Max, true, plan.PageSize, plan.Position);
                    bar->SetSmallChange(TScrollBarInc(plan.SmallChange));
                    bar->SetLargeChange(TScrollBarInc(plan.LargeChange));
                }
                bar->SetEnabled(plan.Enabled);
                bar->SetVisible(plan.Visible);
            }
        }
    }
    // 4. A bar that came or went changes the client area: lay out again (nested).
    if (FHScrollBar->IsShown() != hWas || FVScrollBar->IsShown() != vWas) {
        HandleSizeChange();
    } else {
        FSizeGrip->SetVisible(FHScrollBar->IsShown() && FVScrollBar->IsShown());
        PlaceScrollBars();
        if (KeepScrollBarsOnTop()) BringScrollBarsToFront();
    }
    if (outermost) {
        FScrollBarsStable = false;
        FUpdatingScrollBars = false;
        FUpdateDepth = 0;
    }
}

void TqzControl::ShowDisabled(TqzControlScrollBar* bar) {
    bar->SetEnabled(false);
    bar->SetVisible(true);
}

void TqzControl::ScrollInDirection(Integer direction) {
    TScrollBarKind kind;
    TScrollCode code;
    switch (direction) {
    case 1: kind = sbHorizontal; code = scLineUp; break;
    case 2: kind = sbHorizontal; code = scLineDown; break;
    case 3: kind = sbVertical; code = scLineUp; break;
    case 4: kind = sbVertical; code = scLineDown; break;
    default: return;
    }
    CreateScrollBars();
    TqzControlScrollBar* bar = kind == sbHorizontal ? FHScrollBar : FVScrollBar;
    if (bar == nullptr) return;
    Integer position = bar->GetPosition();
    ScrollContent(kind, code, position);
}

Integer TqzControl::GetWheelScrollKind() { return IsVScrollBarVisible() ? 2 : 0; }

// ---- Window ---------------------------------------------------------------------------------------

void TqzControl::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

void TqzControl::CreateWnd() {
    // The class's own answer (a constructor sees only this class's).
    if (HasDragImages()) {
        TControlStyle style = GetControlStyle();
        style.Include(csDisplayDragImage);
        SetControlStyle(style);
    }
    TCustomControl::CreateWnd();
    CreateScrollBars();
    AttachScrollBars();
}

void TqzControl::Resize() { HandleResize(); }

void TqzControl::HandleResize() {
    const TLivenessToken alive = LivenessToken();
    TCustomControl::Resize();
    if (alive) HandleSizeChange();
}

void TqzControl::Paint() { PaintWithBorder(); }

void TqzControl::PaintWithBorder() {
    if (FBorderStyle == bsSingle) {
        CurrentPainter()->PaintControlBorder(FControlCanvas.get(), GetBounds());
        FControlCanvas->IntersectClipArea(GetClientBounds());
    }
}

void TqzControl::WndProc(TMessage& message) { HandleWindowMessage(message); }

void TqzControl::HandleWindowMessage(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    const UINT msg = message.Msg;
    const bool mouse = msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL;
    if (mouse && (GetWidth() > 0x8000 || GetHeight() > 0x8000)) {
        POINT p{};
        GetCursorPos(&p);
        p = ScreenToClient(p);
        message.LParam = MAKELPARAM(WORD(p.x), WORD(p.y));
    }
    TDragObject* dragObject = msg == WM_PAINT ? CurrentDragObject() : nullptr;
    if (dragObject != nullptr) dragObject->HideDragImage();
    bool done = false;
    if ((msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) && GetDragControl() == nullptr) {
        const POINT p = MakePointFromLParam(message.LParam);
        const bool design = IsDesigning() && CapturesDesignMouse(p.x, p.y, TShiftState{ssLeft});
        const bool autoDrag = !IsDesigning() && GetDragMode() == dmAutomatic;
        if (design || autoDrag) {
            // Past the class library's automatic drag start: the control decides itself.
            TWMMouse record = TWMMouse::From(message);
            if (IsControlMouseMsg(record)) {
                message.Result = record.Result;
            } else {
                FControlState.Include(csLButtonDown);
                Dispatch(&message);
                if (alive) FControlState.Exclude(csLButtonDown);
            }
            done = true;
        }
    }
    if (!done) TCustomControl::WndProc(message);
    if (!alive) return;
    if (dragObject != nullptr && CurrentDragObject() == dragObject) dragObject->ShowDragImage();
    switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        HandleFocusChange();
        break;
    case WM_PAINT:
        if (GetParentBackground() != FLastParentBackground) {
            FLastParentBackground = GetParentBackground();
            HandleParentBackgroundChange();
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const POINT p = MakePointFromLParam(message.LParam);
        const TMouseButton button =
            message.Msg == WM_LBUTTONDOWN ? mbLeft : message.Msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
        StartDragOrScrolling(button, p.x, p.y);
        break;
    }
    default:
        break;
    }
}

void TqzControl::WMGetDlgCode(TMessage& message) {
    LRESULT code = 0;
    if (FWantedKeys.Contains(wantAllKeys)) code |= DLGC_WANTALLKEYS;
    if (FWantedKeys.Contains(wantArrows)) code |= DLGC_WANTARROWS;
    if (FWantedKeys.Contains(wantChars)) code |= DLGC_WANTCHARS;
    // Ctrl+Tab still moves the focus on.
    if (FWantedKeys.Contains(wantTab) && (GetKeyState(VK_CONTROL) & 0x8000) == 0) code |= DLGC_WANTTAB;
    message.Result = code;
}

void TqzControl::WMEraseBkgnd(TMessage& message) {
    if (NeedsEraseBackground())
        KOV_INHERITED(message);
    else
        message.Result = 1;
}

void TqzControl::WMNCCalcSize(TMessage& message) {
    KOV_INHERITED(message);
    if (HandleAllocated()) PostMessageA(GetHandle(), QZM_SYSTEMMETRICSCHANGED, 0, 0);
}

void TqzControl::QZMSystemMetricsChanged(TMessage& message) {
    message.Result = 0;
    if (FHScrollBar == nullptr) return;
    const Integer height = GetSystemMetrics(SM_CYHSCROLL), width = GetSystemMetrics(SM_CXVSCROLL);
    if (FHScrollBar->GetHeight() == height && FVScrollBar->GetWidth() == width) return;
    FHScrollBar->SetHeight(height);
    FVScrollBar->SetWidth(width);
    HandleSizeChange();
}

void TqzControl::WMSetCursor(TMessage& message) {
    if (IsDesigning() && FDragAndDropState == ddsNone) {
        POINT p{};
        GetCursorPos(&p);
        p = ScreenToClient(p);
        if (CapturesDesignMouse(p.x, p.y, TShiftState{ssLeft})) {
            ::SetCursor(Screen->GetCursors(GetCursorAt(p.x, p.y)));
            message.Result = 1;
            return;
        }
    }
    KOV_INHERITED(message);
}

void TqzControl::WMCancelMode(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive) return;
    FinishDragAndDrop(false);
    if (alive) CancelMouseOperation();
}

void TqzControl::WMContextMenu(TMessage& message) {
    if (message.Result != 0) return;
    if (IsDesigning()) {
        KOV_INHERITED(message);
        return;
    }
    const POINT screen = MakePointFromLParam(message.LParam);
    const bool keyboard = screen.x == -1 && screen.y == -1;
    POINT client = screen;
    if (!keyboard) {
        client = ScreenToClient(screen);
        if (!InRect(GetClientRect(), client)) {
            KOV_INHERITED(message);
            return;
        }
    }
    const TLivenessToken alive = LivenessToken();
    bool handled = false;
    DoContextPopup(client, handled);
    if (!alive) return;
    if (!handled) {
        const POINT at = keyboard ? ClientToScreen(POINT{0, 0}) : screen;
        handled = PopupContextMenu(GetPopupMenu(), at.x, at.y);
        if (!alive) return;
    }
    message.Result = handled ? 1 : 0;
}

void TqzControl::CNKeyDown(TMessage& message) {
    if (!IsDesigning()) {
        TWMKey key = TWMKey::From(message);
        for (TWinControl* c = this; c != nullptr; c = c->GetParent()) {
            auto* control = dynamic_cast<TqzControl*>(c);
            if (control != nullptr && IsPopupMenuShortCut(control->GetPopupMenu(), key)) {
                message.Result = 1;
                return;
            }
        }
    }
    if (message.WParam == VK_ESCAPE && FDragAndDropState != ddsNone) {
        Perform(WM_KEYDOWN, message.WParam, message.LParam);
        message.Result = 1;
        return;
    }
    KOV_INHERITED(message);
}

void TqzControl::CMColorChanged(TMessage& message) {
    HandleColorChange();
    KOV_INHERITED(message);
}

void TqzControl::CMCursorChanged(TMessage& message) {
    HandleCursorChange();
    KOV_INHERITED(message);
}

void TqzControl::CMFontChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleFontChange();
}

void TqzControl::CMVisibleChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleVisibilityChange();
}

void TqzControl::CMTextChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleTextChange();
}

void TqzControl::CMMouseEnter(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleMouseEnter(message.LParam != 0 ? reinterpret_cast<TControl*>(message.LParam) : this);
}

void TqzControl::CMMouseLeave(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleMouseLeave(message.LParam != 0 ? reinterpret_cast<TControl*>(message.LParam) : this);
}

void TqzControl::CMDrag(TMessage& message) {
    auto* rec = reinterpret_cast<TDragRec*>(message.LParam);
    if (rec != nullptr) {
        switch (TDragMessage(message.WParam)) {
        case dmDragEnter:
        case dmDragMove:
            CurrentDragObject() = rec->Source;
            break;
        case dmDragLeave:
        case dmDragDrop:
        case dmDragCancel:
            CurrentDragObject() = nullptr;
            break;
        default:
            break;
        }
    }
    KOV_INHERITED(message);
}

// ---- Keys ---------------------------------------------------------------------------------------------

void TqzControl::KeyDown(Word& key, TShiftState shift) { HandleKeyDown(key, shift); }
void TqzControl::KeyPress(char32_t& key) { HandleKeyPress(key); }
void TqzControl::KeyUp(Word& key, TShiftState shift) { HandleKeyUp(key, shift); }

void TqzControl::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    if (key == VK_ESCAPE) FinishDragAndDrop(false);
    if (alive) TCustomControl::KeyDown(key, shift);
}

void TqzControl::HandleKeyPress(char32_t& key) { TCustomControl::KeyPress(key); }
void TqzControl::HandleKeyUp(Word& key, TShiftState shift) { TCustomControl::KeyUp(key, shift); }

// ---- Mouse ----------------------------------------------------------------------------------------------

void TqzControl::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    HandleMouseDown(button, shift, x, y);
}

void TqzControl::MouseMove(TShiftState shift, Integer x, Integer y) { HandleMouseMove(shift, x, y); }

void TqzControl::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    HandleMouseUp(button, shift, x, y);
}

bool TqzControl::DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    return HandleMouseWheel(shift, wheelDelta, mousePos);
}

void TqzControl::DblClick() { HandleDblClick(); }
void TqzControl::HandleDblClick() { TCustomControl::DblClick(); }

void TqzControl::DoContextPopup(POINT mousePos, bool& handled) { HandleContextPopup(mousePos, handled); }
void TqzControl::HandleContextPopup(POINT mousePos, bool& handled) { TCustomControl::DoContextPopup(mousePos, handled); }

void TqzControl::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    FMouseDownPos = TPoint{x, y};
    TqzObjectLink* link = AddObjectLink(this);
    auto gone = [&] {
        if (link->Target != nullptr) return false;
        RemoveObjectLink(link);
        return true;
    };
    if (CanFocusOnClickAt(x, y) && !shift.Contains(ssDouble)) {
        SetFocus();
        if (gone()) return;
        TCustomForm* form = GetParentForm(this);
        if (form != nullptr && form->GetActiveControl() == this && !IsFocused() && HandleAllocated())
            ::SetFocus(GetHandle());
        if (gone()) return;
        if (!IsFocused() && !AcceptsUnfocusedMouseDown()) {
            ReleaseCapture();
            RemoveObjectLink(link);
            return;
        }
    }
    DetectDragAndDrop(button, shift, x, y);
    if (gone()) return;
    BeforeMouseDown(button, shift, x, y);
    if (gone()) return;
    TCustomControl::MouseDown(button, shift, x, y);
    if (gone()) return;
    if (GetMouseCapture()) FMouseCaptured = true;
    RemoveObjectLink(link);
}

void TqzControl::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    // The cursor of the point, without changing the control's own cursor.
    if (!IsDesigning()) {
        const TCursor cursor = GetCursorAt(x, y);
        if (cursor != crDefault && GetScreenCursorOverride() == crDefault && FDragAndDropState != ddsDragging)
            ::SetCursor(Screen->GetCursors(cursor));
    }
    if (FDragAndDropState == ddsPending) {
        if (!IsInDragThresholdBox(FMouseDownPos, x, y)) BeginDragAndDrop();
    } else if (FDragAndDropState == ddsDragging) {
        MoveDragAndDrop(TPoint{x, y}, false);
    }
    if (alive) TCustomControl::MouseMove(shift, x, y);
}

void TqzControl::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    CompleteMouseAction();
    if (!alive) return;
    FMouseCaptured = false;
    TCustomControl::MouseUp(button, shift, x, y);
}

bool TqzControl::HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    const TLivenessToken alive = LivenessToken();
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    if (!alive || wheelDelta == 0) return false;
    const Integer kind = GetWheelScrollKind();
    if (kind == 0) return false;
    const TScrollBarKind barKind = kind == 1 ? sbHorizontal : sbVertical;
    // Only the sign counts: one notch of any size scrolls the wheel's lines.
    const TScrollCode code = wheelDelta > 0 ? scLineUp : scLineDown;
    const Integer lines = Mouse->GetWheelScrollLines();
    for (Integer i = 0; i < lines && alive; ++i) {
        CreateScrollBars();
        TqzControlScrollBar* bar = barKind == sbHorizontal ? FHScrollBar : FVScrollBar;
        Integer position = bar != nullptr ? bar->GetPosition() : 0;
        ScrollContent(barKind, code, position);
    }
    return true;
}

void TqzControl::CompleteMouseAction() { FinishDragAndDrop(true); }

void TqzControl::StartDragOrScrolling(TMouseButton button, Integer x, Integer y) {
    if (button == mbLeft) {
        if (GetDragMode() == dmAutomatic && FMouseCaptured && (!IsDesigning() || CanDragInDesigner(x, y)) &&
            CanStartDragAt(x, y) && HandleAllocated()) {
            const TLivenessToken alive = LivenessToken();
            if (DetectMouseDrag(GetHandle()) == 1 && alive) BeginDrag(true);
        }
    } else if (button == mbMiddle) {
        RunDragScrolling();
    }
}

bool TqzControl::IsWithinDragThreshold(Integer x, Integer y) {
    return GetDragMode() == dmManual || IsInDragThresholdBox(FMouseDownPos, x, y);
}

bool TqzControl::PopupContextMenu(TComponent* menu, Integer x, Integer y) {
    return ShowPopupMenuAt(this, menu, x, y);
}

// ---- The class library's drag ------------------------------------------------------------------------

void TqzControl::DoStartDrag(TDragObject*& dragObject) {
    const TLivenessToken alive = LivenessToken();
    TCustomControl::DoStartDrag(dragObject);
    if (!alive || dragObject != nullptr) return;
    TqzDragControlObject* object = GetDragControlObjectClass()(this);
    if (!ValidateDragObject(object)) {
        delete object;
        CancelDrag();
        return;
    }
    dragObject = object;
}

void TqzControl::DoEndDrag(TObject* target, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TCustomControl::DoEndDrag(target, x, y);
    if (alive) FreeDragImages();
}

void TqzControl::DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
    TCustomControl::DragOver(source, x, y, state, accept);
}

TDragImageList* TqzControl::GetDragImages() {
    if (!HasDragImages()) return nullptr;
    if (!FDragImages) {
        TClass cls = GetDragImagesClass();
        TObject* made = cls != nullptr && cls->CanCreate() ? cls->Create(nullptr) : nullptr;
        auto* images = dynamic_cast<TDragImageList*>(made);
        if (images == nullptr) {
            delete made;
            images = new TqzDragImageList(nullptr);
        }
        FDragImages.reset(images);
        InitDragImages(FDragImages.get());
    }
    return FDragImages->GetCount() > 0 ? FDragImages.get() : nullptr;
}

void TqzControl::InitDragImages(TDragImageList* images) {
    const TSize size = GetDragImageSize();
    if (size.cx == 0 || size.cy == 0) return;
    images->SetWidth(size.cx);
    images->SetHeight(size.cy);
    TBitmap bitmap;
    bitmap.SetSize(size.cx, size.cy);
    {
        TqzCanvas canvas(bitmap.GetCanvas());
        PaintDragImage(&canvas, TRect{0, 0, size.cx, size.cy});
    }
    images->AddMasked(&bitmap, bitmap.GetTransparentColor());
}

void TqzControl::FreeDragImages() { FDragImages.reset(); }

// ---- The control's own drag-and-drop --------------------------------------------------------------

void TqzControl::DetectDragAndDrop(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft && !shift.Contains(ssDouble) && CanStartDragAndDrop(TPoint{x, y})) {
        if (GetDragAndDropObject()->GetImmediateStart())
            BeginDragAndDrop();
        else
            SetDragAndDropState(ddsPending);
    } else {
        FinishDragAndDrop(false);
    }
}

void TqzControl::SetDragAndDropState(TqzDragAndDropState value) {
    if (FDragAndDropState == value) return;
    FDragAndDropState = value;
    if (value == ddsNone && !FFinishingDragAndDrop) CancelMouseOperation();
}

void TqzControl::BeginDragAndDrop() {
    TqzDragAndDropObject* object = GetDragAndDropObject();
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    object->CurrentPos = TPoint{p.x, p.y};
    object->PrevPos = object->CurrentPos;
    const TLivenessToken alive = LivenessToken();
    object->BeginDragAndDrop();
    if (!alive) return;
    SetMouseCapture(true);
    FDragAndDropPrevCursor = Screen->GetCursor();
    SetDragAndDropState(ddsDragging);
}

void TqzControl::MoveDragAndDrop(const TPoint& point, bool accepted) {
    TqzDragAndDropObject* object = GetDragAndDropObject();
    object->PrevPos = object->CurrentPos;
    object->CurrentPos = point;
    object->DragAndDrop(point, accepted);
}

void TqzControl::EndDragAndDrop(bool accepted) {
    SetDragAndDropState(ddsNone);
    Screen->SetCursor(FDragAndDropPrevCursor);
    if (GetMouseCapture()) SetMouseCapture(false);
    const TLivenessToken alive = LivenessToken();
    TqzDragAndDropObject* object = GetDragAndDropObject();
    object->EndDragAndDrop(accepted);
    if (alive) object->AfterDragAndDrop(accepted);
}

void TqzControl::FinishDragAndDrop(bool accepted) {
    if (FFinishingDragAndDrop) return;
    FFinishingDragAndDrop = true;
    const TLivenessToken alive = LivenessToken();
    if (FDragAndDropState == ddsDragging)
        EndDragAndDrop(accepted);
    else
        SetDragAndDropState(ddsNone);
    if (!alive) return;
    FDragAndDropObject.reset();
    FFinishingDragAndDrop = false;
}

// ---- Child components ------------------------------------------------------------------------------

TqzControlChildComponent::TqzControlChildComponent(TComponent* owner) : TqzComponent(owner) { Initialize(); }

TqzControlChildComponent::~TqzControlChildComponent() {
    // A control freed before its child no longer hears of it.
    if (FControl != nullptr && FControlAlive && !FControl->GetComponentState().Contains(csDestroying))
        FControl->RemoveChildComponent(this);
}

void TqzControlChildComponent::SetControl(TqzControl* control) {
    FControl = control;
    FControlAlive = control != nullptr ? control->LivenessToken() : TLivenessToken();
}

TqzControlChildComponent* TqzControlChildComponent::CreateForControl(TClass cls, TqzControl* control,
                                                                     bool useControlOwner) {
    TComponent* owner = useControlOwner && control != nullptr ? control->GetOwner() : nullptr;
    TObject* made = cls->Create(owner);
    auto* child = dynamic_cast<TqzControlChildComponent*>(made);
    if (child == nullptr) {
        delete made;
        return nullptr;
    }
    child->SetParentComponent(control);
    return child;
}

void TqzControlChildComponent::SetParentComponent(TComponent* value) {
    if (auto* control = dynamic_cast<TqzControl*>(value)) control->AddChildComponent(this);
}

KOV_PUBLISHED(TqzControl) {
    Property("FocusOnClick", &TqzControl::GetFocusOnClick, &TqzControl::SetFocusOnClick).Default(true);
    Property("LookAndFeel", &TqzControl::GetLookAndFeel, &TqzControl::SetLookAndFeel);
    Property("OnFocusChange", &TqzControl::OnFocusChange);
    Property("OnMouseEntered", &TqzControl::OnMouseEntered);
    Property("OnMouseLeft", &TqzControl::OnMouseLeft);
}
