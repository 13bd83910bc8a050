// The editor control's view and surroundings: the view update at a point and at the cursor, the
// buttons under the mouse, auto size and stored size, in-place activation, the repository item,
// the clipboard and accelerator messages, and painting as a copy.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Messages.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEdit.h"

namespace {

class TFlagScope {
public:
    TFlagScope(bool& flag, bool value) : FFlag(flag), FSaved(flag) { FFlag = value; }
    ~TFlagScope() { FFlag = FSaved; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FSaved;
};

bool PointInRect(const TRect& r, const TPoint& p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The properties object that makes the class-level answers of an editor before its own
// properties exist.
std::unique_ptr<TqzCustomEditProperties> MakeProperties(TClass cls) {
    TqzInterfacedPersistent* made = TqzInterfacedPersistent::Create(cls, nullptr);
    auto* properties = dynamic_cast<TqzCustomEditProperties*>(made);
    if (!properties) {
        delete made;
        throw EInvalidOperation("The properties class of an editor is not an editor properties class");
    }
    return std::unique_ptr<TqzCustomEditProperties>(properties);
}

} // namespace

// ---- Class-level answers -----------------------------------------------------------------------

TqzContainerStyleClass TqzCustomEdit::GetStyleClass() {
    if (FProperties) return FProperties->GetStyleClass();
    return MakeProperties(GetPropertiesClass())->GetStyleClass();
}

TqzContainerViewInfoClass TqzCustomEdit::GetViewInfoClass() {
    if (FProperties) return FProperties->GetViewInfoClass();
    return MakeProperties(GetPropertiesClass())->GetViewInfoClass();
}

TqzCustomEditViewInfo* TqzCustomEdit::GetViewInfo() const {
    return static_cast<TqzCustomEditViewInfo*>(TqzContainer::GetViewInfo());
}

bool TqzCustomEdit::IsNativeStyle() {
    return TqzCustomEditViewData::UsesNativeStyle(GetStyle()->GetLookAndFeel());
}

// The border's own extent: measured to the client rectangle it would take in the buttons too,
// and the window region made from it would cut them off.
TRect TqzCustomEdit::GetBorderExtent() {
    TqzCustomEditViewInfo* info = GetViewInfo();
    const TRect& b = info->Bounds;
    const TRect& c = info->BorderRect;
    return TRect{c.left - b.left, c.top - b.top, b.right - c.right, b.bottom - c.bottom};
}

// ---- View data ---------------------------------------------------------------------------------

void TqzCustomEdit::InitializeContentParams() {
    std::unique_ptr<TqzCustomEditViewData> viewData(FProperties->CreateViewData(GetStyle(), FIsInplace));
    viewData->GetContentParams(FContentParams);
    FContentParams.IsValid = true;
}

TqzCustomEditViewData* TqzCustomEdit::CreateViewData() {
    auto* style = static_cast<TqzCustomEditStyle*>(GetActiveStyle());
    TqzCustomEditViewData* viewData = GetPropertiesInUse()->CreateViewData(style, FIsInplace);
    if (FIsInplace && FContentParams.IsValid) viewData->ContentParams = FContentParams;
    if (!IsInnerEditUnavailable()) viewData->Edit = this;
    if (HandleAllocated()) viewData->WindowHandle = GetHandle();
    return viewData;
}

void TqzCustomEdit::InitializeViewData(TqzCustomEditViewData* viewData) {
    viewData->Enabled = IsShownEnabled();
    viewData->Focused = Focused();
    viewData->HScrollBarVisible = IsHScrollBarVisible();
    viewData->VScrollBarVisible = IsVScrollBarVisible();
    viewData->InnerEdit = FInnerEdit;
    viewData->IsDesigning = IsDesigning();
}

void TqzCustomEdit::CalculateEditViewInfo(const TPoint& point, Integer button, TShiftState shift,
                                          bool isMouseEvent) {
    std::unique_ptr<TqzCustomEditViewData> viewData(CreateViewData());
    InitializeViewData(viewData.get());
    viewData->Calculate(GetControlCanvas(), GetControlSizeRect(this), point, button, shift, GetViewInfo(),
                        isMouseEvent);
}

// ---- View update -------------------------------------------------------------------------------

bool TqzCustomEdit::UpdateViewState(const TPoint& point, Integer button, TShiftState shift,
                                    bool isMouseEvent) {
    if (!HandleAllocated() || GetControlState().Contains(csDestroyingHandle) || IsEditorDestroying() ||
        !FProperties)
        return false;
    // While the editor holds the mouse, a recalculation at the cursor (the pointer crossing into
    // the inner edit tells of leaving and entering) is part of the drag: it presses and releases
    // buttons as a mouse event does, else the change would be lost to the next mouse event.
    isMouseEvent = isMouseEvent || FHandlingMouse || GetCapture() == GetHandle();
    if (FCapturedButtonIndex != -1 && GetCapture() != GetHandle()) FCapturedButtonIndex = -1;
    std::unique_ptr<TqzCustomEditViewInfo> old;
    if (isMouseEvent) {
        old.reset(static_cast<TqzCustomEditViewInfo*>(GetPropertiesInUse()->GetViewInfoClass()()));
        old->CopyFrom(GetViewInfo());
    }
    CalculateEditViewInfo(point, button, shift, isMouseEvent);
    TRect inner{0, 0, 0, 0};
    if (ShowsInnerEdit() && FInnerEditControl) inner = FInnerEditControl->GetBoundsRect();
    const bool changed = GetViewInfo()->InvalidateChangesInRect(this, inner, old.get());
    if (isMouseEvent && !changed) return false;
    const TLivenessToken alive = LivenessToken();
    AdjustInnerControlBounds();
    if (!alive) return false;
    if (HandleAllocated()) {
        TFlagScope noFrame(FNoFrame, true);
        UpdateWindowRegion();
    }
    if (isMouseEvent) HandleButtonStateChange(old.get());
    return true;
}

void TqzCustomEdit::UpdateViewAtCursor() {
    if (!HandleAllocated() || IsEditorDestroying() || FUpdatingViewAtCursor) return;
    TFlagScope updating(FUpdatingViewAtCursor, true);
    const TPoint cursor = QueryCursorPos();
    const POINT p = ScreenToClient(POINT{cursor.x, cursor.y});
    UpdateViewState(TPoint{p.x, p.y}, 0, GetCurrentShiftState(), false);
}

void TqzCustomEdit::AdjustInnerControlBounds() {
    if (!HandleAllocated() || IsEditorDestroying()) return;
    Integer width = GetWidth();
    Integer height = GetHeight();
    CalculateAutoSize(width, height);
    SetBounds(GetLeft(), GetTop(), width, height);
    if (FInnerEdit) AdjustInnerEditPosition();
}

void TqzCustomEdit::AdjustInnerEditPosition() {
    if (!FInnerEdit || !FInnerEditControl) return;
    const TRect r = GetViewInfo()->ClientRect;
    FInnerEditControl->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    RECT rect = r;
    AlignControls(FInnerEditControl, rect);
}

// ---- Size --------------------------------------------------------------------------------------

bool TqzCustomEdit::IsAutoHeight() { return FEditAutoSize && !FIsInplace; }

bool TqzCustomEdit::IsAutoWidth() { return GetPropertiesInUse()->GetButtonsLayout() == 2; }

bool TqzCustomEdit::IsHeightStored() { return !IsAutoHeight(); }

bool TqzCustomEdit::IsWidthStored() { return !(IsAutoHeight() && IsAutoWidth()); }

void TqzCustomEdit::GetSizeParameters(TqzEditSizeParameters& parameters) {
    parameters.MaxLineCount = 1;
    parameters.Width = GetWidth();
}

void TqzCustomEdit::CalculateAutoSize(Integer& width, Integer& height) {
    if (!IsAutoHeight() || !FProperties) return;
    TqzEditSizeParameters parameters;
    GetSizeParameters(parameters);
    std::unique_ptr<TqzCustomEditViewData> viewData(CreateViewData());
    InitializeViewData(viewData.get());
    TSize size{0, 0};
    viewData->GetEditSize(GetScreenCanvas(), GetEditValue(), parameters, size);
    const TAlign align = GetAlign();
    if (IsAutoWidth() && align != alTop && align != alBottom && align != alClient && align != alCustom)
        width = size.cx;
    if (align != alLeft && align != alRight && align != alClient && align != alCustom) height = size.cy;
}

bool TqzCustomEdit::CanResize(Integer& newWidth, Integer& newHeight) {
    if (!TqzContainer::CanResize(newWidth, newHeight)) return false;
    if (HandleAllocated() && !IsEditorDestroying()) CalculateAutoSize(newWidth, newHeight);
    return true;
}

void TqzCustomEdit::RequestAlign() {
    const TLivenessToken alive = LivenessToken();
    TqzContainer::RequestAlign();
    if (alive) UpdateViewAtCursor();
}

void TqzCustomEdit::SetAutoSize(bool value) {
    if (FEditAutoSize == value || FIsInplace) return;
    FEditAutoSize = value;
    if (!value) return;
    if (GetParent() && AnyParentHasHandle(this)) HandleNeeded();
    AdjustInnerControlBounds();
    UpdateViewAtCursor();
}

Integer TqzCustomEdit::GetHeight() {
    if (!HandleAllocated() && GetParent() && AnyParentHasHandle(this)) HandleNeeded();
    return TControl::GetHeight();
}

// ---- Buttons and mouse -------------------------------------------------------------------------

Integer TqzCustomEdit::GetButtonIndexAt(const TPoint& point) {
    TqzCustomEditViewInfo* info = GetViewInfo();
    for (Integer i = 0; i < Integer(info->ButtonsInfo.size()); ++i)
        if (PointInRect(info->ButtonsInfo[i]->Bounds, point)) return i;
    return -1;
}

Integer TqzCustomEdit::GetDefaultButtonIndex() {
    TqzCustomEditViewInfo* info = GetViewInfo();
    if (!info) return -1;
    for (Integer i = 0; i < Integer(info->ButtonsInfo.size()); ++i)
        if (info->ButtonsInfo[i]->Data.Default) return i;
    return -1;
}

void TqzCustomEdit::ClickDefaultButton() {
    const Integer index = GetDefaultButtonIndex();
    if (index != -1) FireButtonClickEvent(index);
}

void TqzCustomEdit::FireButtonClickEvent(Integer index) {
    TqzCustomEditViewInfo* info = GetViewInfo();
    if (index < 0 || index >= Integer(info->ButtonsInfo.size())) return;
    const Integer buttonIndex = info->ButtonsInfo[index]->ButtonIndex;
    const TLivenessToken alive = LivenessToken();
    FProperties->OnButtonClick(this, buttonIndex);
    if (alive && FRepositoryItem) GetPropertiesInUse()->OnButtonClick(this, buttonIndex);
}

void TqzCustomEdit::HandleButtonStateChange(TqzCustomEditViewInfo* oldViewInfo) {
    if (!oldViewInfo) return;
    TqzCustomEditViewInfo* info = GetViewInfo();
    const Integer oldPressed = oldViewInfo->PressedButton;
    const Integer pressed = info->PressedButton;
    const Integer hot = info->HotButton;
    if (oldPressed == pressed && oldViewInfo->HotButton == hot) return;
    const TLivenessToken alive = LivenessToken();
    if (oldPressed != -1) {
        if (oldPressed == pressed) return;
        HandleButtonRelease(oldPressed);
        if (alive && oldPressed == GetViewInfo()->HotButton) FireButtonClickEvent(oldPressed);
    } else if (pressed != -1) {
        HandleButtonPress(pressed);
    }
}

void TqzCustomEdit::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    if (button == mbLeft && FDblClickTimer && FDblClickTimer->GetEnabled()) {
        FDblClickTimer->SetEnabled(false);
        if (GetButtonIndexAt(TPoint{x, y}) == -1) {
            TqzContainer::HandleDblClick();
            if (!alive) return;
        }
    }
    {
        TFlagScope mouse(FHandlingMouse, true);
        TqzControl::HandleMouseDown(button, shift, x, y);
        if (!alive) return;
        UpdateViewState(TPoint{x, y}, GetMouseButtonCode(button), shift, true);
    }
    if (!alive || button != mbLeft) return;
    const Integer index = GetButtonIndexAt(TPoint{x, y});
    if (index != -1 && GetViewInfo()->ButtonsInfo[index]->Data.State == qzebsPressed && GetMouseCapture())
        FCapturedButtonIndex = index;
}

void TqzCustomEdit::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseMove(shift, x, y);
    if (!alive) return;
    UpdateViewState(TPoint{x, y}, 0, shift, true);
    if (alive) BeginMouseTracking(this, GetHotZoneRect(), this);
}

void TqzCustomEdit::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TqzControl::HandleMouseUp(button, shift, x, y);
    if (alive) UpdateViewState(TPoint{x, y}, GetMouseButtonCode(button), shift, true);
}

void TqzCustomEdit::HandleDblClick() {
    const TPoint cursor = QueryCursorPos();
    const POINT p = ScreenToClient(POINT{cursor.x, cursor.y});
    if (GetButtonIndexAt(TPoint{p.x, p.y}) == -1) {
        TqzContainer::HandleDblClick();
        return;
    }
    const TLivenessToken alive = LivenessToken();
    TShiftState shift = GetCurrentShiftState();
    shift.Include(ssLeft);
    HandleMouseDown(mbLeft, shift, p.x, p.y);
    if (alive) Click();
}

// ---- In-place activation -----------------------------------------------------------------------

void TqzCustomEdit::Activate(TqzCustomEditData*& editData) {
    if (!editData) {
        if (TqzCustomEditDataClass cls = GetEditDataClass()) editData = cls(this);
    }
    FEditData = editData;
    if (FEditData && FEditData->Cleared) {
        HandleEditDataCleared();
        FEditData->Cleared = false;
    }
    const TLivenessToken alive = LivenessToken();
    SetVisible(true);
    if (!alive) return;
    if (HandleAllocated() && CanFocus()) {
        SetFocus();
        if (!alive) return;
        if (GetPropertiesInUse()->GetAutoSelect()) SelectAll();
    }
    if (!alive) return;
    SynchronizeDisplayValue();
    if (alive) SetModifiedFlag(false);
}

void TqzCustomEdit::ActivateByKey(char32_t key, TqzCustomEditData*& editData) {
    HookInnerEditWndProc();
    const TLivenessToken alive = LivenessToken();
    try {
        Activate(editData);
        if (alive && ForwardsActivationKey(key)) SendMessageA(GetHandle(), WM_CHAR, WPARAM(key), 0);
    } catch (...) {
        if (alive) UnhookInnerEditWndProc();
        throw;
    }
    if (alive) UnhookInnerEditWndProc();
}

void TqzCustomEdit::ActivateByMouse(TShiftState shift, Integer x, Integer y, TqzCustomEditData*& editData) {
    const TLivenessToken alive = LivenessToken();
    Activate(editData);
    if (!alive) return;
    POINT p{x, y};
    if (GetParent()) p = ScreenToClient(GetParent()->ClientToScreen(p));
    const WPARAM keys = WPARAM(ShiftStateToMouseKeyFlags(shift));
    if (shift.Contains(ssLeft)) {
        SendMessageA(GetHandle(), WM_LBUTTONDOWN, keys, MAKELPARAM(WORD(p.x), WORD(p.y)));
        if (!alive) return;
        if (GetCapture() == GetHandle() && !GetCurrentShiftState().Contains(ssLeft)) ReleaseCapture();
    } else {
        SendMessageA(GetHandle(), WM_LBUTTONUP, keys, MAKELPARAM(WORD(p.x), WORD(p.y)));
        if (!alive) return;
    }
    FDblClickTimer->SetEnabled(true);
}

// ---- Repository item ---------------------------------------------------------------------------

bool TqzCustomEdit::IsRepositoryItemAcceptable(TqzEditRepositoryItem* item) {
    return item == nullptr || item->GetPropertiesClass()->InheritsFrom(GetPropertiesClass());
}

void TqzCustomEdit::SetRepositoryItem(TqzEditRepositoryItem* value) {
    if (value == FRepositoryItem) return;
    if (!IsRepositoryItemAcceptable(value))
        throw EInvalidOperation(LocalizeSuiteText("The repository item is not acceptable"));
    BeforeRepositoryItemChange();
    if (FRepositoryItem) FRepositoryItem->RemoveListener(this);
    FRepositoryItem = value;
    if (FRepositoryItem) {
        FRepositoryItem->AddListener(this);
        FProperties->SetOnPropertiesChanged(nullptr);
        FProperties->SetDefaultValuesProvider(nullptr);
        PropertiesChanged(FRepositoryItem);
    } else if (!GetComponentState().Contains(csLoading) && !IsEditorDestroying()) {
        FProperties->SetOnPropertiesChanged(MakeEvent(this, &TqzCustomEdit::ApplyActiveProperties));
        FProperties->SetDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider());
    }
    RepositoryItemChanged();
}

void TqzCustomEdit::ItemRemoved(TqzEditRepositoryItem* sender) {
    if (sender == FRepositoryItem) FRepositoryItem = nullptr;
}

void TqzCustomEdit::PropertiesChanged(TqzEditRepositoryItem* sender) {
    if (GetComponentState().Contains(csLoading) || IsEditorDestroying()) return;
    ApplyActiveProperties(sender->GetProperties());
}

void TqzCustomEdit::Notification(TComponent* component, TOperation operation) {
    TqzContainer::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FRepositoryItem) FRepositoryItem = nullptr;
    if (component == FInnerEditControl) {
        FInnerEditControl = nullptr;
        FInnerEdit = nullptr;
    }
}

// ---- Messages ----------------------------------------------------------------------------------

bool TqzCustomEdit::IsChildWindow(HWND window) { return IsWindowOwnedByControl(this, window); }

void TqzCustomEdit::GetTabOrderList(std::vector<TWinControl*>& list) const {
    TqzContainer::GetTabOrderList(list);
    if (!FIsInplace || !GetVisible() || !GetParent()) return;
    list.erase(std::remove(list.begin(), list.end(), GetParent()), list.end());
}

void TqzCustomEdit::HandleWindowMessage(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    switch (message.Msg) {
    case WM_COPY:
        CopyToClipboard();
        return;
    case WM_CUT: {
        TFlagScope user(FUserChange, true);
        if (GetPropertiesInUse()->GetReadOnly() || !FDataBinding->IsSourceActive())
            CopyToClipboard();
        else
            CutToClipboard();
        return;
    }
    case WM_PASTE:
        if (!GetPropertiesInUse()->GetReadOnly() && FDataBinding->IsSourceActive()) {
            TFlagScope user(FUserChange, true);
            PasteFromClipboard();
        }
        return;
    case WM_NCCALCSIZE:
        if (FNoFrame) {
            message.Result = 0;
            return;
        }
        break;
    case CM_DIALOGCHAR: {
        TqzEditButtons* buttons = GetPropertiesInUse()->GetButtons();
        TqzCustomEditViewInfo* info = GetViewInfo();
        for (Integer i = 0; i < Integer(info->ButtonsInfo.size()); ++i) {
            TqzEditButtonViewInfo* button = info->ButtonsInfo[i].get();
            if (button->ButtonIndex < 0 || button->ButtonIndex >= buttons->GetCount()) continue;
            TqzEditButton* item = buttons->GetItem(button->ButtonIndex);
            if (!item->GetEnabled() || !IsAccel(UINT(message.WParam), item->GetCaption())) continue;
            FireButtonClickEvent(i);
            message.Result = 1;
            return;
        }
        break;
    }
    default:
        break;
    }
    TqzContainer::HandleWindowMessage(message);
    if (alive && message.Msg == CM_SHOWINGCHANGED && GetShowing()) AdjustInnerControlBounds();
}

// ---- Painting as a copy ------------------------------------------------------------------------

void TqzCustomEdit::Paint() {
    if (GetControlState().Contains(csPaintCopy) && IsDataBound())
        PaintForCopy(GetCanvas());
    else
        TqzContainer::Paint();
}

void TqzCustomEdit::PaintForCopy(TCanvas* canvas) {
    TFlagScope painting(FPaintingCopy, true);
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    std::unique_ptr<TqzCustomEditViewInfo> info(
        static_cast<TqzCustomEditViewInfo*>(properties->GetViewInfoClass()()));
    std::unique_ptr<TqzCustomEditViewData> viewData(CreateViewData());
    InitializeViewData(viewData.get());
    Variant value;
    FDataBinding->GetStoredValue(value);
    TqzCanvas qzCanvas(canvas);
    viewData->EditValueToViewInfo(&qzCanvas, value, info.get());
    const TRect bounds = GetControlSizeRect(this);
    viewData->Calculate(&qzCanvas, bounds, TPoint{-1, -1}, 0, TShiftState(), info.get(), false);
    info->Draw(&qzCanvas);
    ExcludeClipRect(canvas->GetHandle(), bounds.left, bounds.top, bounds.right, bounds.bottom);
}
