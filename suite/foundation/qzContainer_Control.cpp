// The container control: construction from its styles, the view-state update that lays out,
// styles and repaints the pair of windows, and the focus, key, mouse, cursor, drag and message
// handling that makes the container and its inner control behave as one control.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Numbers.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybOffice11.h"

namespace {

TqzContainerViewInfo* MakeContainerViewInfo() { return new TqzContainerViewInfo; }

bool SameRect(const TRect& a, const TRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool PointInRect(const TRect& r, const TPoint& p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The scope of a flag: on while it lives.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : FFlag(flag), FSaved(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = FSaved; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FSaved;
};

} // namespace

// ---- Construction ------------------------------------------------------------------------------

TqzContainer::TqzContainer(TComponent* owner) : TqzContainer(owner, false) {}

TqzContainer::TqzContainer(TComponent* owner, bool deferInitialization) : TqzControl(owner) {
    if (!deferInitialization) InitializeContainer();
}

void TqzContainer::InitializeContainer() {
    FConstructing = true;
    FStyles.reset(GetStylesClass()(this, GetStyleClass()));
    FStyles->SetChangeHandler(MakeEvent(this, &TqzContainer::StyleChanged));
    FActiveStyle = FStyles->NormalStyle();
    FActiveStyleState = qzcsNormal;
    FViewInfo.reset(GetViewInfoClass()());
    GetLookAndFeel()->SetMaster(GetStyle()->GetLookAndFeel());
    TControlStyle style = GetControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csSetCaption);
    SetControlStyle(style);
    SetTabStop(true);
    SetParentColor(DefaultsToParentColor() && !IsInplace() && !GetStyle()->IsValueAssigned(svColor));
    if (!GetParentColor()) SetColor(clWindow);
    ResetInnerControlRegion();
    FConstructing = false;
}

TqzContainer::~TqzContainer() {
    EndMouseTracking(this);
    FDestroying = true;
    FViewInfo.reset();
    if (FStyles) {
        FStyles->SetChangeHandler(nullptr);
        FStyles.reset();
    }
}

TqzContainerStyleClass TqzContainer::GetStyleClass() { return &TqzContainerStyle::CreateInstance; }
TqzContainerStylesClass TqzContainer::GetStylesClass() { return &TqzContainerStyles::CreateInstance; }
TqzContainerViewInfoClass TqzContainer::GetViewInfoClass() { return &MakeContainerViewInfo; }

void TqzContainer::SetInnerControl(TWinControl* value) {
    FInnerControl = value;
    if (value) value->FreeNotification(this);
}

TWinControl* TqzContainer::GetActiveControl() { return FInnerControl ? FInnerControl : this; }

// ---- Styles ------------------------------------------------------------------------------------

TqzContainerStyle* TqzContainer::GetActiveStyle() {
    if (FViewInfo && FViewInfo->ContainerState != FActiveStyleState) {
        FActiveStyle = SelectStateStyle();
        FActiveStyleState = FViewInfo->ContainerState;
    }
    return FActiveStyle;
}

TqzContainerStyle* TqzContainer::SelectStateStyle() {
    const Integer state = FViewInfo->ContainerState;
    if (state & qzcsDisabled) return GetStyleDisabled();
    if (state & qzcsFocused) return GetStyleFocused();
    if (GetStyle()->GetHotTrack() && (state & qzcsHot)) return GetStyleHot();
    return GetStyle();
}

void TqzContainer::StyleChanged(TqzContainerStyle*) {
    if (FConstructing || FDestroying || GetComponentState().Contains(csLoading)) return;
    RecalculateAtCursor();
    TFlagScope internal(FInternalChange);
    TqzContainerStyle* normal = GetStyle();
    if (!(GetParentColor() && !normal->IsValueAssigned(svColor))) SetColor(normal->GetColorForControl());
    if (TFont* font = normal->GetFont()) GetFont()->Assign(font);
}

void TqzContainer::HandleColorChange() {
    if (FConstructing || !FStyles) return TqzControl::HandleColorChange();
    if (FInternalChange) {
        TqzControl::HandleColorChange();
        RecalculateAtCursor();
        return;
    }
    // The colour set on the control becomes the normal style's; the style's notice sets it on
    // the control again as an internal change, which ends there.
    GetStyle()->SetColor(GetColor());
}

// ---- View info ---------------------------------------------------------------------------------

bool TqzContainer::IsNativeStyle() {
    return IsNativeStyleUsable(GetStyle()->GetLookAndFeel()->GetNativeStyle(), GetThemeType());
}

bool TqzContainer::HasShadow() { return GetActiveStyle()->GetShadow() && !FViewInfo->NativeStyle; }

Integer TqzContainer::GetThemeState() {
    const Integer state = FViewInfo->ContainerState;
    if (state & qzcsDisabled) return 4;
    if (state & qzcsFocused) return 5;
    if (state & qzcsHot) return 2;
    return 1;
}

TRect TqzContainer::GetBorderExtent() {
    TqzContainerStyle* style = GetActiveStyle();
    TRect extent{0, 0, 0, 0};
    if (style->GetTransparentBorder()) {
        extent = TRect{2, 2, 2, 2};
    } else if (!style->SupportsBorder() || (FViewInfo->NativeStyle && GetStyle()->GetBorderStyle() == cbsNone)) {
    } else if (FViewInfo->NativeStyle) {
        extent = TRect{2, 2, 2, 2};
    } else {
        const Integer width = GetContainerBorderWidth(FViewInfo->BorderStyle);
        const TqzBorders edges = style->GetEdges();
        if (edges.Contains(bLeft)) extent.left = width;
        if (edges.Contains(bTop)) extent.top = width;
        if (edges.Contains(bRight)) extent.right = width;
        if (edges.Contains(bBottom)) extent.bottom = width;
    }
    if (HasShadow()) {
        extent.right += 3;
        extent.bottom += 3;
    }
    return extent;
}

TRect TqzContainer::GetHotZoneRect() {
    TRect r = GetControlSizeRect(this);
    if (IsInplace()) return r;
    TqzContainerStyle* normal = GetStyle();
    if (HasShadow()) {
        r.right -= 3;
        r.bottom -= 3;
    }
    const bool transparent = normal->GetTransparentBorder();
    if (normal->SupportsBorder()) {
        if (!FViewInfo->NativeStyle) {
            if (transparent) {
                const Integer width = GetContainerBorderWidth(FViewInfo->BorderStyle);
                InflateRect(&r, width - 2, width - 2);
                ShrinkSidesWithoutEdges(r, width, normal->GetEdges());
            }
        } else if (normal->GetBorderStyle() == cbsNone && transparent) {
            InflateRect(&r, -2, -2);
        }
    } else if (transparent) {
        InflateRect(&r, -2, -2);
    }
    return r;
}

void TqzContainer::CalculateViewInfo(const TPoint& point, bool hotTrackAllowed) {
    TqzContainerViewInfo* info = FViewInfo.get();
    info->NativeStyle = IsNativeStyle();
    const Integer oldWidth = GetContainerBorderWidth(info->BorderStyle);
    info->Bounds = GetControlSizeRect(this);
    auto computeState = [&] {
        Integer state;
        if (!IsShownEnabled())
            state = qzcsDisabled;
        else if (IsDesigning())
            state = qzcsNormal;
        else
            state = Focused() ? qzcsFocused : qzcsNormal;
        if (hotTrackAllowed && PointInRect(GetHotZoneRect(), point)) state |= qzcsHot;
        info->ContainerState = state;
        TqzContainerStyle* active = GetActiveStyle();
        if (!GetStyle()->GetHotTrack())
            info->HotState = qzhsNone;
        else
            info->HotState = (state & (qzcsFocused | qzcsHot)) ? qzhsHighlighted : qzhsNormal;
        if (info->NativeStyle) {
            info->BorderStyle = GetStyle()->GetBorderStyle();
        } else {
            TqzContainerBorderStyle border = active->GetBorderStyle();
            if (border == cbsUltraFlat || border == cbsOffice11) border = cbsSingle;
            info->BorderStyle = border;
        }
    };
    computeState();
    if (!info->NativeStyle && GetContainerBorderWidth(info->BorderStyle) < oldWidth) computeState();
    if (info->NativeStyle) {
        info->ThemedObjectType = GetThemeType();
        info->ThemePart = GetThemePart();
        info->ThemeState = GetThemeState();
    }
    TqzContainerStyle* active = GetActiveStyle();
    const TRect extent = GetBorderExtent();
    info->BorderRect = TRect{info->Bounds.left + extent.left, info->Bounds.top + extent.top,
                             info->Bounds.right - extent.right, info->Bounds.bottom - extent.bottom};
    info->ClientRect = info->BorderRect;
    info->BorderWidth = GetContainerBorderWidth(info->BorderStyle);
    info->Edges = active->GetEdges();
    info->Shadow = HasShadow();
    const TqzContainerBorderStyle activeBorder = active->GetBorderStyle();
    if (activeBorder != cbsUltraFlat && activeBorder != cbsOffice11) {
        info->BorderColor = active->GetBorderColor();
    } else {
        const Integer state = info->ContainerState;
        const bool highlighted = (state & qzcsFocused) || ((state & qzcsHot) && GetStyle()->GetHotTrack()) ||
                                 (IsDesigning() && GetEnabled());
        if (!highlighted)
            info->BorderColor = clBtnShadow;
        else
            info->BorderColor = activeBorder == cbsOffice11 ? SchemeColor40 : clHighlight;
    }
    info->SetBackgroundColor(active->GetColor());
}

bool TqzContainer::UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool) {
    if (FSettingInnerBounds || FDestroying) return true;
    const bool hotTrackAllowed = shift.empty() && button == 0 && GetActiveStyle()->GetHotTrack();
    CalculateViewInfo(point, hotTrackAllowed);
    AdjustInnerControlBounds();
    ApplyStyleToInnerControl();
    UpdateWindowRegion();
    if (HandleAllocated()) {
        if (FInnerControl)
            InvalidateFrameBetween(GetHandle(), GetControlSizeRect(this), FViewInfo->BorderRect, false);
        else
            InvalidateControlRect(this, GetControlSizeRect(this), false);
    }
    if (FViewInfo->ContainerState & qzcsHot) BeginMouseTracking(this, GetHotZoneRect(), this);
    return true;
}

void TqzContainer::RecalculateAtCursor(bool flag) {
    if (!HandleAllocated() || FDestroying || FRecalculating) return;
    TFlagScope recalculating(FRecalculating);
    const TShiftState shift = GetCurrentShiftState();
    TPoint cursor = QueryCursorPos();
    const POINT p = ScreenToClient(POINT{cursor.x, cursor.y});
    UpdateViewState(TPoint{p.x, p.y}, 0, shift, flag);
}

void TqzContainer::AdjustInnerControlBounds() {
    if (!FInnerControl || FAlignLock > 0) return;
    const TRect r = FViewInfo->ClientRect;
    const TRect current = FInnerControl->GetBoundsRect();
    if (SameRect(current, r)) return;
    TFlagScope setting(FSettingInnerBounds);
    FInnerControl->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TqzContainer::ApplyStyleToInnerControl() {
    if (!FInnerControl) return;
    FInnerControl->SetColor(FViewInfo->BackgroundColor);
    FInnerControl->GetFont()->Assign(GetActiveStyle()->GetEffectiveFont());
}

TRect TqzContainer::GetRegionRect() {
    const TRect extent = GetBorderExtent();
    TRect r{FViewInfo->Bounds.left + extent.left, FViewInfo->Bounds.top + extent.top,
            FViewInfo->Bounds.right - extent.right, FViewInfo->Bounds.bottom - extent.bottom};
    const Integer width = GetContainerBorderWidth(FViewInfo->BorderStyle);
    InflateRect(&r, width, width);
    ShrinkSidesWithoutEdges(r, width, GetStyle()->GetEdges());
    return r;
}

void TqzContainer::UpdateWindowRegion() {
    if (!HandleAllocated()) return;
    const bool noRegion = FViewInfo->NativeStyle && FViewInfo->BorderStyle != cbsNone;
    ApplyWindowRegion(GetHandle(), GetRegionRect(), noRegion, TRect{0, 0, 0, 0}, FViewInfo->Shadow);
}

void TqzContainer::CalculateInnerControlRegion(bool& whole, TRect& rect) {
    whole = true;
    rect = TRect{0, 0, 0, 0};
    if (!FInnerControl) return;
    const TRect client = FViewInfo->ClientRect;
    const TRect inner = FInnerControl->GetBoundsRect();
    TRect visible{std::max(client.left, inner.left), std::max(client.top, inner.top),
                  std::min(client.right, inner.right), std::min(client.bottom, inner.bottom)};
    if (SameRect(visible, inner)) return;
    whole = false;
    rect = TRect{visible.left - inner.left, visible.top - inner.top, visible.right - inner.left,
                 visible.bottom - inner.top};
}

void TqzContainer::AlignControls(TControl* control, RECT& rect) {
    if (GetControlStyle().Contains(csAcceptsControls)) {
        TqzControl::AlignControls(control, rect);
        return;
    }
    if (FAlignLock > 0 || (control != nullptr && IsOwnScrollBar(control))) return;
    if (control == nullptr) {
        TqzControl::AlignControls(control, rect);
        return;
    }
    if (control != FInnerControl || FConstructing || !FInnerControl->HandleAllocated()) return;
    bool whole = true;
    TRect visible{};
    CalculateInnerControlRegion(whole, visible);
    if (whole == FInnerRegionWhole && (whole || SameRect(visible, FInnerRegionRect))) return;
    SetWindowRgn(FInnerControl->GetHandle(), whole ? nullptr : CreateRectRgnIndirect(&visible), TRUE);
    FInnerRegionWhole = whole;
    FInnerRegionRect = whole ? TRect{0, 0, 0, 0} : visible;
}

void TqzContainer::ResetInnerControlRegion() {
    FInnerRegionWhole = true;
    FInnerRegionRect = TRect{0, 0, 0, 0};
}

void TqzContainer::SetPaintRegion() {
    GetControlCanvas()->IntersectClipArea(FViewInfo->Bounds);
}

void TqzContainer::MouseTrackingLeave() {
    HandleMouseLeave(nullptr);
    EndMouseTracking(this);
}

// ---- Focus -------------------------------------------------------------------------------------

bool TqzContainer::HasFocus() const {
    if (const_cast<TqzContainer*>(this)->IsDesigning() || GetControlState().Contains(csDestroyingHandle))
        return false;
    if (TqzControl::Focused()) return true;
    return FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused();
}

bool TqzContainer::HasFocusWithin() { return Focused(); }

void TqzContainer::GetTabOrderList(std::vector<TWinControl*>& list) const {
    TqzControl::GetTabOrderList(list);
    auto* self = const_cast<TqzContainer*>(this);
    if (self->HasOwnTabOrder() || FInnerControl == nullptr) return;
    TCustomForm* form = GetParentForm(this);
    if (form == nullptr || form->GetActiveControl() != FInnerControl) return;
    if (!self->CanFocus() || form->GetActiveControl() == self) return;
    const auto at = std::find(list.begin(), list.end(), static_cast<TWinControl*>(self));
    if (at != list.end()) *at = FInnerControl;
}

void TqzContainer::HandleFocusChange() {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleFocusChange();
    if (alive) RecalculateAtCursor();
}

void TqzContainer::SetFocus() {
    if (IsDesigning() || HasFocusWithin()) return;
    TqzControl::SetFocus();
    if (FInnerControl && FInnerControl->HandleAllocated() && HandleAllocated() && ::GetFocus() == GetHandle()) {
        FocusInnerControl();
        if (TCustomForm* form = GetParentForm(this)) form->FocusControl(FInnerControl);
    }
}

void TqzContainer::FocusInnerControl() {
    if (FInnerControl && FInnerControl->CanFocus()) FInnerControl->SetFocus();
}

bool TqzContainer::CanFocusOnClick() {
    if (FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused()) return false;
    if (FForwardingInnerPress) return false;
    return TqzControl::CanFocusOnClick();
}

bool TqzContainer::IsFocusableKind() {
    return !(FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused());
}

// ---- Keys --------------------------------------------------------------------------------------

void TqzContainer::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleKeyDown(key, shift);
    if (!alive) return;
    if (key != VK_TAB || shift.Contains(ssAlt) || shift.Contains(ssCtrl) || !Focused() || SkipsTabHandling())
        return;
    key = 0;
    TCustomForm* form = GetParentForm(this);
    if (!form) return;
    form->SelectNext(form->GetActiveControl(), !shift.Contains(ssShift), true);
    if (!alive) return;
    if (HandleAllocated() && ::GetFocus() == GetHandle()) FocusInnerControl();
}

bool TqzContainer::InnerWindowProc(TMessage& message) {
    if (message.Msg != QZM_INNERKEYDOWN && message.Msg != QZM_INNERSYSKEYDOWN) return false;
    Word key = Word(message.WParam);
    const Word original = key;
    HandleKeyDown(key, KeyDataToShiftState(message.LParam));
    if (key == original) return false;
    message.Result = 1;
    return true;
}

bool OfferInnerKeyDown(TqzContainer* container, TMessage& notification) {
    TMessage inner = notification;
    inner.Msg = notification.Msg == CN_SYSKEYDOWN ? QZM_INNERSYSKEYDOWN : QZM_INNERKEYDOWN;
    inner.Result = 0;
    if (!container->InnerWindowProc(inner)) return false;
    notification.Result = 1;
    return true;
}

void TranslateTakenKeyDown(HWND window, const TMessage& notification) {
    MSG key{};
    key.hwnd = window;
    key.message = notification.Msg == CN_SYSKEYDOWN ? WM_SYSKEYDOWN : WM_KEYDOWN;
    key.wParam = notification.WParam;
    key.lParam = notification.LParam;
    TranslateMessage(&key);
}

// ---- Mouse -------------------------------------------------------------------------------------

void TqzContainer::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseDown(button, shift, x, y);
    if (alive) UpdateViewState(TPoint{x, y}, GetMouseButtonCode(button), shift, false);
}

void TqzContainer::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseUp(button, shift, x, y);
    if (alive) UpdateViewState(TPoint{x, y}, GetMouseButtonCode(button), shift, false);
}

void TqzContainer::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseMove(shift, x, y);
    if (!alive) return;
    UpdateViewState(TPoint{x, y}, 0, shift, false);
    BeginMouseTracking(this, GetHotZoneRect(), this);
}

void TqzContainer::HandleMouseEnter(TControl* control) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseEnter(control);
    if (!alive) return;
    RecalculateAtCursor();
    if (HandleAllocated()) BeginMouseTracking(this, GetHotZoneRect(), this);
}

void TqzContainer::HandleMouseLeave(TControl* control) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseLeave(control);
    if (!alive) return;
    RecalculateAtCursor();
    EndMouseTracking(this);
}

void TqzContainer::HandleContextPopup(POINT mousePos, bool& handled) {
    if (FContextPopupLock == 0 &&
        ((mousePos.x == -1 && mousePos.y == -1) || CanShowContextPopupAt(TPoint{mousePos.x, mousePos.y})))
        TqzControl::HandleContextPopup(mousePos, handled);
    else
        handled = true;
}

// ---- Cursor, drag ------------------------------------------------------------------------------

void TqzContainer::HandleCursorChange() {
    TqzControl::HandleCursorChange();
    if (FInnerControl) FInnerControl->SetCursor(GetCursor());
}

void TqzContainer::SetDragMode(TDragMode value) {
    TqzControl::SetDragMode(value);
    if (FInnerControl) FInnerControl->SetDragMode(value);
}

void TqzContainer::SetDragKind(TDragKind value) {
    TControl::SetDragKind(value);
    if (FInnerControl) FInnerControl->SetDragKind(value);
}

void TqzContainer::DragCanceled() {
    TqzControl::DragCanceled();
    if (FInnerControl && FInnerControl->Dragging()) FInnerControl->EndDrag(false);
}

TDragImageList* TqzContainer::GetDragImages() {
    return FInnerControl ? FInnerControl->GetDragImages() : TqzControl::GetDragImages();
}

// ---- Layout ------------------------------------------------------------------------------------

TRect TqzContainer::GetClientBounds() { return FViewInfo ? FViewInfo->ClientRect : TqzControl::GetClientBounds(); }

void TqzContainer::AdjustClientRect(RECT& rect) {
    if (FDestroying || !FViewInfo) return;
    rect = FViewInfo->ClientRect;
}

// The style's font is scaled with the control: the control's own font change is then no news
// for the style.
void TqzContainer::ChangeScale(Integer m, Integer d) {
    TqzContainerStyle* normal = GetStyle();
    const bool loading = GetComponentState().Contains(csLoading);
    const bool scaleFont = m != d && normal->IsValueAssigned(svFont) &&
                           (!loading || GetScalingFlags().Contains(sfFont));
    {
        const bool saved = FInternalChange;
        FInternalChange = !GetParentFont();
        TqzControl::ChangeScale(m, d);
        FInternalChange = saved;
    }
    if (!scaleFont) return;
    if (normal->GetAssignedValues().Contains(svFont)) {
        normal->GetFont()->SetSize(MulDiv(normal->GetFont()->GetSize(), m, d));
    } else if (loading) {
        if (TqzStyleController* controller = normal->GetEffectiveController()) controller->ScaleFont(m, d);
    }
}

void TqzContainer::SetAlignLock(bool lock) {
    if (lock)
        ++FAlignLock;
    else if (FAlignLock > 0)
        --FAlignLock;
}

// ---- Inner scroll bars -------------------------------------------------------------------------

TRect TqzContainer::GetScrollBarClientRect() { return FViewInfo->ClientRect; }

bool TqzContainer::IsScrollBarEnabled(TScrollBarKind) { return GetEnabled(); }

bool TqzContainer::GetInnerScrollBarInfo(TScrollBarKind kind, SCROLLBARINFO& info) {
    if (!FInnerControl || !FInnerControl->HandleAllocated()) return false;
    return QueryScrollBarInfo(FInnerControl->GetHandle(), kind == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL,
                              info);
}

bool TqzContainer::IsScrollBarInfoVisible(const SCROLLBARINFO& info) {
    return !(info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN));
}

void TqzContainer::SetInnerScrollBarVisible(TqzScrollBar* bar, bool visible) {
    if (bar) bar->SetVisible(visible);
}

void TqzContainer::PlaceInnerScrollBar(TqzScrollBar* bar, TScrollBarKind kind) {
    if (!bar) return;
    SCROLLBARINFO info{};
    if (!GetInnerScrollBarInfo(kind, info) || !IsScrollBarInfoVisible(info)) {
        SetInnerScrollBarVisible(bar, false);
        return;
    }
    const POINT topLeft = ScreenToClient(POINT{info.rcScrollBar.left, info.rcScrollBar.top});
    bar->SetBounds(topLeft.x, topLeft.y, info.rcScrollBar.right - info.rcScrollBar.left,
                   info.rcScrollBar.bottom - info.rcScrollBar.top);
    bar->SetEnabled(IsScrollBarEnabled(kind) && !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE));
    SetInnerScrollBarVisible(bar, true);
    bar->BringToFront();
}

void TqzContainer::UpdateInnerScrollBars(bool rangesOnly) {
    if (!FInnerControl || !HasScrollBars() || !IsScrollBarInfoAvailable() || FUpdatingInnerScrollBars) return;
    TFlagScope updating(FUpdatingInnerScrollBars);
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        TqzScrollBar* bar = kind == sbHorizontal ? static_cast<TqzScrollBar*>(GetHScrollBar())
                                                 : static_cast<TqzScrollBar*>(GetVScrollBar());
        if (!bar) continue;
        if (!rangesOnly) PlaceInnerScrollBar(bar, kind);
        if (!bar->GetVisible() || !FInnerControl->HandleAllocated()) continue;
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        if (GetScrollInfo(FInnerControl->GetHandle(), kind == sbHorizontal ? SB_HORZ : SB_VERT, &si)) {
            // A bar's page never exceeds its maximum (a native page of nMax + 1 shows everything).
            const Integer page = Integer(std::min<UINT>(si.nPage, UINT(std::max(si.nMax, 0))));
            bar->SetScrollParams(si.nMin, std::max(si.nMax, si.nMin), true, page, si.nPos);
            bar->SetSmallChange(1);
        }
    }
}

void TqzContainer::HandleEnabledChange() {
    if (HasScrollBars()) {
        if (GetHScrollBar()) GetHScrollBar()->SetEnabled(GetEnabled());
        if (GetVScrollBar()) GetVScrollBar()->SetEnabled(GetEnabled());
    }
    RecalculateAtCursor();
}

// ---- Window ------------------------------------------------------------------------------------

void TqzContainer::CreateParams(TCreateParams& params) {
    TqzControl::CreateParams(params);
    params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TqzContainer::CreateWindowHandle(const TCreateParams& params) {
    TCreateParams withoutCaption = params;
    const String caption = params.Caption;
    withoutCaption.Caption.clear();
    TqzControl::CreateWindowHandle(withoutCaption);
    if (HandleAllocated() && !caption.empty())
        DefWindowProcA(GetHandle(), WM_SETTEXT, 0, LPARAM(caption.c_str()));
}

void TqzContainer::CreateHandle() {
    TqzControl::CreateHandle();
    RecalculateAtCursor();
}

void TqzContainer::Paint() {
    TqzCanvas* canvas = GetControlCanvas();
    RECT update{};
    if (HandleAllocated()) {
        // The update area of the paint in progress: the canvas clip box.
        GetClipBox(GetCanvas()->GetHandle(), &update);
        const TRect& b = FViewInfo->Bounds;
        if (update.right <= b.left || update.left >= b.right || update.bottom <= b.top || update.top >= b.bottom)
            return;
    }
    FViewInfo->Draw(canvas);
}

void TqzContainer::Notification(TComponent* component, TOperation operation) {
    TqzControl::Notification(component, operation);
    if (operation == opRemove && component == FInnerControl) FInnerControl = nullptr;
}

void TqzContainer::HandleWindowMessage(TMessage& message) {
    switch (message.Msg) {
    case WM_SETFOCUS:
        if (!GetVisible()) return;
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case CN_KEYDOWN:
    case CN_KEYUP:
    case CN_CHAR:
        if (FInnerControl && FInnerControl->HandleAllocated()) {
            message.Result =
                SendMessageA(FInnerControl->GetHandle(), message.Msg, message.WParam, message.LParam);
            return;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetDragMode() == dmAutomatic && !IsDesigning()) {
            BeginDrag(false);
            return;
        }
        break;
    default:
        break;
    }
    TqzControl::HandleWindowMessage(message);
}

// ---- Message handlers --------------------------------------------------------------------------

KOV_MESSAGE_MAP(TqzContainer) {
    map.Message(WM_KILLFOCUS, &TqzContainer::WMKillFocus);
    map.Message(WM_NCPAINT, &TqzContainer::WMNCPaint);
    map.Message(WM_SETCURSOR, &TqzContainer::WMSetCursor);
    map.Message(WM_SETFOCUS, &TqzContainer::WMSetFocus);
    map.Message(WM_WINDOWPOSCHANGED, &TqzContainer::WMWindowPosChanged);
    map.Message(WM_WINDOWPOSCHANGING, &TqzContainer::WMWindowPosChanging);
    map.Message(CM_CTL3DCHANGED, &TqzContainer::CMRecalculate);
    map.Message(CM_SYSCOLORCHANGE, &TqzContainer::CMRecalculate);
    map.Message(CM_ENABLEDCHANGED, &TqzContainer::CMEnabledChanged);
    map.Message(CM_FONTCHANGED, &TqzContainer::CMFontChanged);
    map.Message(CM_PARENTCOLORCHANGED, &TqzContainer::CMParentColorChanged);
    map.Message(CM_PARENTFONTCHANGED, &TqzContainer::CMParentFontChanged);
    map.Message(QZM_UPDATEINNERSCROLLBARS, &TqzContainer::QZMUpdateInnerScrollBars);
}

void TqzContainer::WMKillFocus(TMessage& message) {
    if (FInnerControl && IsControlWindow(FInnerControl, HWND(message.WParam))) {
        message.Result = 0;
        return;
    }
    KOV_INHERITED(message);
}

void TqzContainer::WMNCPaint(TMessage& message) { message.Result = 0; }

void TqzContainer::WMSetCursor(TMessage& message) {
    if (HWND(message.WParam) == GetHandle() && LOWORD(message.LParam) == HTCLIENT && FInnerControl) {
        POINT p{};
        GetCursorPos(&p);
        p = ScreenToClient(p);
        if (!PointInRect(FViewInfo->ClientRect, TPoint{p.x, p.y})) {
            ::SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            message.Result = 1;
            return;
        }
    }
    KOV_INHERITED(message);
}

void TqzContainer::WMSetFocus(TMessage& message) {
    if (FInnerControl && IsControlWindow(FInnerControl, HWND(message.WParam))) return;
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive && FInnerControl && FInnerControl->CanFocus()) FocusInnerControl();
}

void TqzContainer::WMWindowPosChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive && IsTransparent()) RecalculateAtCursor();
}

void TqzContainer::WMWindowPosChanging(TMessage& message) {
    if (FDestroying) {
        message.Result = 0;
        return;
    }
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive) return;
    if (HandleAllocated() && ::GetFocus() == GetHandle() && FInnerControl && FInnerControl->CanFocus())
        if (TCustomForm* form = GetParentForm(this)) form->FocusControl(FInnerControl);
}

void TqzContainer::CMRecalculate(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) RecalculateAtCursor();
}

void TqzContainer::CMEnabledChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleEnabledChange();
}

// A font set on the control goes into the normal style (assigned only when it was before).
void TqzContainer::CMFontChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    if (FInternalChange || FConstructing || !FStyles) {
        KOV_INHERITED(message);
        if (!alive || FConstructing || !FStyles) return;
        AdjustInnerControlBounds();
        UpdateInnerScrollBars(false);
        RecalculateAtCursor();
        return;
    }
    TqzContainerStyle* normal = GetStyle();
    const TqzContainerStyleValues assigned = normal->GetAssignedValues();
    {
        TFlagScope internal(FInternalChange);
        normal->SetFont(GetFont());
        // Shown, not assigned: the bit goes without the style taking its default font back.
        if (!assigned.Contains(svFont)) normal->FAssignedValues.Exclude(svFont);
    }
    if (alive) KOV_INHERITED(message);
}

void TqzContainer::CMParentColorChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || !FStyles) return;
    TqzContainerStyle* normal = GetStyle();
    TqzContainerStyleValues assigned = normal->GetAssignedValues();
    if (!(assigned.Contains(svColor) && !GetParentColor())) {
        assigned.Exclude(svColor);
        normal->SetAssignedValues(assigned);
    }
    if (normal->GetColor() != GetColor()) StyleChanged(normal);
    if (alive && IsTransparent() && !GetParentColor()) Invalidate();
}

void TqzContainer::CMParentFontChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || !FStyles) return;
    TqzContainerStyle* normal = GetStyle();
    if (!GetParentFont()) normal->RefreshFontFromController();
    TqzContainerStyleValues assigned = normal->GetAssignedValues();
    if (!(assigned.Contains(svFont) && !GetParentFont())) {
        assigned.Exclude(svFont);
        normal->SetAssignedValues(assigned);
    }
}

void TqzContainer::Loaded() {
    TqzControl::Loaded();
    TqzContainerStyle* normal = GetStyle();
    if (!GetParentFont() && !normal->IsValueAssigned(svFont) && GetParent()) {
        TFlagScope internal(FInternalChange);
        ++normal->FFontLock;
        normal->GetFont()->Assign(GetParent()->GetFont());
        --normal->FFontLock;
    }
    StyleChanged(normal);
}

void TqzContainer::QZMUpdateInnerScrollBars(TMessage&) { UpdateInnerScrollBars(false); }

// ---- Unit operations ---------------------------------------------------------------------------

void PostInnerScrollBarsUpdate(TqzContainer* container) {
    if (!container || container->IsDestroyingContainer() || !container->HandleAllocated() ||
        !container->GetInnerControl())
        return;
    PostMessageA(container->GetHandle(), QZM_UPDATEINNERSCROLLBARS, 0, 0);
}

void SetContainerAlignLock(TqzContainer* container, bool lock) {
    if (container) container->SetAlignLock(lock);
}

bool IsContainerDestroying(TComponent* component) {
    if (!component) return false;
    if (component->GetComponentState().Contains(csDestroying)) return true;
    auto* container = dynamic_cast<TqzContainer*>(component);
    return container && container->IsDestroyingContainer();
}

void RecalculateAtCursor(TqzContainer* container, bool flag) {
    if (container) container->RecalculateAtCursor(flag);
}

TqzContainer* ContainerFromControl(TControl* control) {
    if (!control) return nullptr;
    if (auto* container = dynamic_cast<TqzContainer*>(control)) return container;
    if (auto* inner = dynamic_cast<IqzContainerInnerControl*>(control)) return inner->GetControlContainer();
    return nullptr;
}

KOV_PUBLISHED(TqzContainer) {
    Property("TabStop", &TqzContainer::GetTabStop, &TqzContainer::SetTabStop).Default(true);
}
