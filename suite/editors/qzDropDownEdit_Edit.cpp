// The drop-down editor: its properties, view data, popup look and feel, and the popup's life
// cycle (opening, preparing, key and mouse handling, closing with a reason).
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzVariants.h"

namespace {

struct TDropDownEditTypes {
    TDropDownEditTypes() { RegisterInterfacedPersistentClass<TqzCustomDropDownEditProperties>(); }
};
const TDropDownEditTypes kDropDownEditTypes;

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomDropDownEditProperties::TqzCustomDropDownEditProperties(TPersistent* owner)
    : TqzCustomMaskEditProperties(owner), FButtonGlyph(std::make_unique<TBitmap>()) {
    TqzEditButton* button = static_cast<TqzEditButton*>(GetButtons()->Add());
    button->SetKind(bkDown);
}

TqzCustomDropDownEditProperties::~TqzCustomDropDownEditProperties() = default;

TqzEditPopupWindowClass TqzCustomDropDownEditProperties::GetPopupWindowClass() {
    return &TqzCustomEditPopupWindow::CreateInstance;
}

TClass TqzCustomDropDownEditProperties::GetContainerClass() const {
    return TqzCustomDropDownEdit::StaticClass();
}

TqzCustomEditViewDataClass TqzCustomDropDownEditProperties::GetViewDataClass() const {
    return &TqzCustomDropDownEditViewData::CreateInstance;
}

void TqzCustomDropDownEditProperties::SyncDropDownButtonKind() {
    const Integer index = GetDropDownButtonIndex();
    if (index < 0 || index >= GetButtons()->GetCount()) return;
    auto* button = static_cast<TqzEditButton*>(GetButtons()->GetItem(index));
    const bool hasGlyph = !button->GetGlyph()->GetEmpty();
    if (hasGlyph)
        button->SetKind(bkGlyph);
    else if (button->GetKind() == bkGlyph)
        button->SetKind(bkDown);
}

void TqzCustomDropDownEditProperties::Changed() {
    if (!FChanging) {
        FChanging = true;
        try {
            SyncDropDownButtonKind();
        } catch (...) {
            FChanging = false;
            throw;
        }
        FChanging = false;
    }
    inherited::Changed();
}

void TqzCustomDropDownEditProperties::SetButtonGlyph(TBitmap* value) {
    FButtonGlyph->Assign(value);
    const Integer index = GetDropDownButtonIndex();
    if (index < 0 || index >= GetButtons()->GetCount()) return;
    auto* button = static_cast<TqzEditButton*>(GetButtons()->GetItem(index));
    button->SetGlyph(FButtonGlyph.get());
    SyncDropDownButtonKind();
}

void TqzCustomDropDownEditProperties::SetDropDownButtonIndex(Integer value) {
    if (value == FDropDownButtonIndex) return;
    const Integer count = GetButtons()->GetCount();
    if (FDropDownButtonIndex >= 0 && FDropDownButtonIndex < count) {
        auto* old = static_cast<TqzEditButton*>(GetButtons()->GetItem(FDropDownButtonIndex));
        TBitmap empty;
        old->SetGlyph(&empty);
        if (old->GetKind() == bkGlyph) old->SetKind(bkDown);
    }
    FDropDownButtonIndex = value;
    if (value >= 0 && value < count && !FButtonGlyph->GetEmpty()) {
        auto* button = static_cast<TqzEditButton*>(GetButtons()->GetItem(value));
        button->SetGlyph(FButtonGlyph.get());
        button->SetKind(bkGlyph);
    }
}

TAlignment TqzCustomDropDownEditProperties::GetPopupAlignment() const {
    switch (FPopupHorzAlignment) {
    case 2:
        return taRightJustify;
    case 1:
        return taCenter;
    default:
        return taLeftJustify;
    }
}

void TqzCustomDropDownEditProperties::SetPopupAlignment(TAlignment value) {
    const Integer horz = value == taRightJustify ? 2 : value == taCenter ? 1 : 0;
    if (horz == FPopupHorzAlignment) return;
    FPopupHorzAlignment = horz;
    Changed();
}

void TqzCustomDropDownEditProperties::SetPopupClientEdge(bool value) {
    if (value == FPopupClientEdge) return;
    FPopupClientEdge = value;
    Changed();
}

void TqzCustomDropDownEditProperties::SetPopupSizeable(bool value) {
    if (value == FPopupSizeable) return;
    FPopupSizeable = value;
    Changed();
}

void TqzCustomDropDownEditProperties::SetPopupSysPanelStyle(bool value) {
    if (value == FPopupSysPanelStyle) return;
    FPopupSysPanelStyle = value;
    Changed();
}

void TqzCustomDropDownEditProperties::SetPopupHeight(Integer value) {
    FPopupHeight = value < FPopupMinHeight ? FPopupMinHeight : value;
}

void TqzCustomDropDownEditProperties::SetPopupMinHeight(Integer value) {
    FPopupMinHeight = value < 0 ? 0 : value;
    SetPopupHeight(FPopupHeight);
}

void TqzCustomDropDownEditProperties::SetPopupMinWidth(Integer value) {
    FPopupMinWidth = value < 0 ? 0 : value;
    SetPopupWidth(FPopupWidth);
}

void TqzCustomDropDownEditProperties::SetPopupWidth(Integer value) {
    if (value < 0) value = 0;
    if (value > 0 && value < FPopupMinWidth) value = FPopupMinWidth;
    FPopupWidth = value;
}

void TqzCustomDropDownEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomDropDownEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetButtonGlyph(other->GetButtonGlyph());
        FImmediateDropDown = other->FImmediateDropDown;
        FImmediatePopup = other->FImmediatePopup;
        SetPopupAlignment(other->GetPopupAlignment());
        FPopupAutoSize = other->FPopupAutoSize;
        SetPopupClientEdge(other->FPopupClientEdge);
        SetPopupMinHeight(other->FPopupMinHeight);
        SetPopupMinWidth(other->FPopupMinWidth);
        SetPopupHeight(other->FPopupHeight);
        SetPopupSizeable(other->FPopupSizeable);
        SetPopupSysPanelStyle(other->FPopupSysPanelStyle);
        SetPopupWidth(other->FPopupWidth);
        FPostPopupValueOnTab = other->FPostPopupValueOnTab;
        OnCloseQuery = other->OnCloseQuery;
        OnCloseUp = other->OnCloseUp;
        OnInitPopup = other->OnInitPopup;
        OnPopup = other->OnPopup;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- View data -------------------------------------------------------------------------------

TqzCustomEditViewData* TqzCustomDropDownEditViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                                     TqzCustomEditStyle* style,
                                                                     bool isInplace) {
    return CreateEditViewData<TqzCustomDropDownEditViewData>(properties, style, isInplace);
}

void TqzCustomDropDownEditViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p,
                                              Integer button, TShiftState shift,
                                              TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* textInfo = dynamic_cast<TqzCustomTextEditViewInfo*>(viewInfo);
    auto* properties = GetTextProperties();
    if (!textInfo || !properties) return;
    bool selected = properties->GetEditingStyle() == FixedList && Focused && !IsInplace &&
                    !properties->GetTransparent() && !IsPopupOpen;
    auto* textEdit = dynamic_cast<TqzCustomTextEdit*>(Edit);
    if (textEdit && textEdit->GetFindSelection() && properties->GetFixedListPrefixSearch()) selected = false;
    textInfo->Highlighted = selected;
}

bool TqzCustomDropDownEditViewData::CanPressButton(TqzCustomEditViewInfo* viewInfo, Integer index) {
    auto* properties = dynamic_cast<TqzCustomDropDownEditProperties*>(GetProperties());
    if (properties && IsHotAndPopup && index == properties->GetDropDownButtonIndex()) return false;
    return inherited::CanPressButton(viewInfo, index);
}

// ---- Popup look and feel ---------------------------------------------------------------------

TqzEditPopupControlLookAndFeel::TqzEditPopupControlLookAndFeel(TqzCustomDropDownEdit* editor)
    : TqzLookAndFeel(editor), FEditor(editor) {
    FLastKind = ResolveKind();
    FLastNativeStyle = ResolveNativeStyle();
}

TqzLookAndFeelKind TqzEditPopupControlLookAndFeel::ResolveKind() const {
    if (!FEditor || !FEditor->GetViewInfo()) return lfStandard;
    if (FEditor->IsInplace()) {
        auto* style = dynamic_cast<TqzCustomEditStyle*>(FEditor->GetActiveStyle());
        return style ? style->GetLookAndFeel()->GetKind() : lfStandard;
    }
    TqzCustomEditViewInfo* info = FEditor->GetViewInfo();
    if (info->GetButtonCount() == 0) return lfStandard;
    switch (info->GetButtonInfo(0)->Data.Style) {
    case btsFlat:
    case btsSimple:
    case btsHotFlat:
        return lfFlat;
    case btsUltraFlat:
        return lfUltraFlat;
    case btsOffice11:
        return lfOffice11;
    default:
        return lfStandard;
    }
}

bool TqzEditPopupControlLookAndFeel::ResolveNativeStyle() const {
    return FEditor && FEditor->GetViewInfo() && FEditor->GetViewInfo()->NativeStyle;
}

void TqzEditPopupControlLookAndFeel::Refresh() {
    TqzLookAndFeelValues changed;
    const TqzLookAndFeelKind kind = ResolveKind();
    const bool native = ResolveNativeStyle();
    if (kind != FLastKind && !GetAssignedValues().Contains(lfvKind)) changed.Include(lfvKind);
    if (native != FLastNativeStyle && !GetAssignedValues().Contains(lfvNativeStyle))
        changed.Include(lfvNativeStyle);
    FLastKind = kind;
    FLastNativeStyle = native;
    if (!changed.empty()) NotifyIfChanged();
}

// ---- Native edit -----------------------------------------------------------------------------

void TqzCustomDropDownInnerEdit::WndProc(TMessage& message) {
    if (message.Msg == CM_HINTSHOW) {
        auto* edit = dynamic_cast<TqzCustomDropDownEdit*>(GetTextEdit());
        if (edit && edit->HasOpenPopup()) {
            message.Result = 1;
            return;
        }
    }
    inherited::WndProc(message);
}

// ---- Drop-down editor ------------------------------------------------------------------------

TqzCustomDropDownEdit::TqzCustomDropDownEdit(TComponent* owner) : TqzCustomDropDownEdit(owner, false) {}

TqzCustomDropDownEdit::TqzCustomDropDownEdit(TComponent* owner, bool isInplace)
    : TqzCustomDropDownEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomDropDownEdit::TqzCustomDropDownEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomMaskEdit(owner, isInplace, true) {}

TqzCustomDropDownEdit::~TqzCustomDropDownEdit() {
    if (TqzCustomTextEditLookupData* lookup = GetLookupData()) lookup->ReleaseList();
    CancelPendingShow();
    if (FPopupWindow) {
        FPopupWindow->OnAfterClose = nullptr;
        FPopupWindow->OnBeforeClose = nullptr;
        FPopupWindow->OnAfterShow = nullptr;
        FPopupWindow->OnBeforeShow = nullptr;
        FPopupWindow->OnCloseQuery = nullptr;
        FPopupWindow->ClosePopup();
    }
    FPopupWindow.reset();
    FPopupLookAndFeel.reset();
}

void TqzCustomDropDownEdit::Initialize() {
    inherited::Initialize();
    FPopupLookAndFeel = std::make_unique<TqzEditPopupControlLookAndFeel>(this);
    FPopupLookAndFeel->OnChanged = MakeEvent(this, &TqzCustomDropDownEdit::PopupLookAndFeelChanged);
    if (!IsDesigning()) CreatePopupWindow();
}

void TqzCustomDropDownEdit::CreatePopupWindow() {
    FPopupWindow.reset(GetActiveDropDownProperties()->GetPopupWindowClass()(this));
    FPopupWindow->SetTakesFocus(GetActiveDropDownProperties()->PopupWindowCapturesFocus());
    FPopupWindow->SetTopMostWithOwner(!IsInplace());
    FPopupWindow->SetBiDiMode(GetBiDiMode());
    FPopupWindow->OnCloseQuery = MakeEvent(this, &TqzCustomDropDownEdit::PopupWindowCloseQuery);
    FPopupWindow->OnAfterClose = MakeEvent(this, &TqzCustomDropDownEdit::PopupWindowClosed);
    FPopupWindow->OnBeforeClose = MakeEvent(this, &TqzCustomDropDownEdit::PopupWindowClosing);
    FPopupWindow->OnAfterShow = MakeEvent(this, &TqzCustomDropDownEdit::PopupWindowShowed);
    FPopupWindow->OnBeforeShow = MakeEvent(this, &TqzCustomDropDownEdit::PopupWindowShowing);
    AttachLookupList();
}

bool TqzCustomDropDownEdit::HasOpenPopup() { return FPopupWindow && FPopupWindow->IsOpen(); }

bool TqzCustomDropDownEdit::CanDropDown(bool flag) {
    if (IsInnerEditUnavailable()) return false;
    if (IsInplace() && !flag && !HasOpenPopup()) return false;
    return true;
}

void TqzCustomDropDownEdit::SetDroppedDown(bool value) {
    if (value == HasOpenPopup()) return;
    if (!value)
        CloseUp(qzcrUnknown);
    else if (!HasPendingShow())
        DropDown();
}

TWinControl* TqzCustomDropDownEdit::GetPopupFocusedControl() {
    TWinControl* result = GetInnerTextEditControl();
    auto* properties = GetActiveDropDownProperties();
    if (properties->HasLookupListPopup() && GetLookupData() && properties->PopupWindowCapturesFocus())
        if (auto* list = dynamic_cast<TWinControl*>(GetLookupData()->GetActiveControl())) result = list;
    return result;
}

TRect TqzCustomDropDownEdit::GetPopupOwnerBounds() {
    TRect r = GetHotZoneRect();
    if (GetViewInfo() && GetViewInfo()->Shadow) r.right += 3, r.bottom += 3;
    r.left += GetLeft();
    r.right += GetLeft();
    r.top += GetTop();
    r.bottom += GetTop();
    return r;
}

void TqzCustomDropDownEdit::AttachLookupList() {
    if (!GetLookupData() || IsDesigning() || !FPopupWindow) return;
    if (GetActiveDropDownProperties()->HasLookupListPopup())
        GetLookupData()->InitializeList(FPopupWindow.get());
}

void TqzCustomDropDownEdit::PositionPopupContent(const TRect& clientRect) {
    if (GetLookupData() && GetActiveDropDownProperties()->HasLookupListPopup())
        GetLookupData()->SetListBounds(clientRect);
}

void TqzCustomDropDownEdit::DoInitPopup() {
    auto* own = GetDropDownProperties();
    if (own->OnInitPopup) own->OnInitPopup(this);
    if (GetRepositoryItem()) {
        auto* active = GetActiveDropDownProperties();
        if (active != own && active->OnInitPopup) active->OnInitPopup(this);
    }
}

void TqzCustomDropDownEdit::DoPopup() {
    FCloseUpReason = qzcrUnknown;
    auto* own = GetDropDownProperties();
    if (own->OnPopup) own->OnPopup(this);
    if (GetRepositoryItem()) {
        auto* active = GetActiveDropDownProperties();
        if (active != own && active->OnPopup) active->OnPopup(this);
    }
}

void TqzCustomDropDownEdit::FireCloseUpEvents() {
    const TLivenessToken alive = LivenessToken();
    FireClosePopupEvent(FCloseUpReason);
    if (!alive) return;
    auto* own = GetDropDownProperties();
    if (own->OnCloseUp) own->OnCloseUp(this);
    if (!alive) return;
    if (GetRepositoryItem()) {
        auto* active = GetActiveDropDownProperties();
        if (active != own && active->OnCloseUp) active->OnCloseUp(this);
    }
}

void TqzCustomDropDownEdit::HandleEditDataCleared() {
    if (auto* data = dynamic_cast<TqzCustomDropDownEditData*>(GetEditData())) {
        data->UserSized = false;
        data->Width = GetActiveDropDownProperties()->GetPopupWidth();
        data->Height = GetActiveDropDownProperties()->GetPopupHeight();
    }
}

void TqzCustomDropDownEdit::ApplyActiveProperties(TObject* properties) {
    if (FProperties && !GetActiveDropDownProperties()->GetPopupSizeable()) FUserSized = false;
    if (HasOpenPopup()) PreparePopupWindow();
    inherited::ApplyActiveProperties(properties);
}

void TqzCustomDropDownEdit::StyleChanged(TqzContainerStyle* sender) {
    if (HandleAllocated() && FPopupLookAndFeel) FPopupLookAndFeel->Refresh();
    inherited::StyleChanged(sender);
}

TqzCustomEditViewData* TqzCustomDropDownEdit::CreateViewData() {
    TqzCustomEditViewData* viewData = inherited::CreateViewData();
    if (auto* dropDown = dynamic_cast<TqzCustomDropDownEditViewData*>(viewData)) {
        dropDown->IsPopupOpen = HasOpenPopup();
        dropDown->IsHotAndPopup = FIsHotAndPopup;
    }
    return viewData;
}

void TqzCustomDropDownEdit::UpdateHotAndPopup() {
    FIsHotAndPopup = HasOpenPopup() && GetViewInfo() && (GetViewInfo()->ContainerState & qzcsHot) != 0;
}

bool TqzCustomDropDownEdit::UpdateViewState(const TPoint& point, Integer button, TShiftState shift,
                                            bool isMouseEvent) {
    const TLivenessToken alive = LivenessToken();
    const bool result = inherited::UpdateViewState(point, button, shift, isMouseEvent);
    if (!alive) return result;
    TqzCustomEditViewInfo* info = GetViewInfo();
    // A press of the left button outside the buttons closes an open popup; its release (the
    // end of the click that opened a fixed list) does not.
    const bool press = button == 1 && shift.Contains(ssLeft);
    if (HasOpenPopup() && info && press && info->PressedButton == -1 && GetButtonIndexAt(point) == -1 &&
        isMouseEvent) {
        CloseUp(qzcrUnknown);
        if (!alive) return result;
    }
    if (isMouseEvent && !GetCurrentShiftState().Contains(ssLeft)) UpdateHotAndPopup();
    if (FPopupLookAndFeel) FPopupLookAndFeel->Refresh();
    return result;
}

void TqzCustomDropDownEdit::HandleFocusChange() {
    const TLivenessToken alive = LivenessToken();
    if (!GetActiveDropDownProperties()->PopupWindowCapturesFocus()) {
        TWinControl* inner = GetInnerTextEditControl();
        if (inner && inner->HandleAllocated() && GetFocus() != inner->GetHandle() && HasOpenPopup()) {
            CloseUp(qzcrUnknown);
            if (!alive) return;
        }
    }
    inherited::HandleFocusChange();
}

void TqzCustomDropDownEdit::HandleExit() {
    const TLivenessToken alive = LivenessToken();
    CloseUp(qzcrUnknown);
    if (!alive) return;
    HandleFocusChange();
    if (!alive) return;
    inherited::HandleExit();
}

void TqzCustomDropDownEdit::BeforeTabFocusMove(TShiftState shift) {
    if (HasOpenPopup() && GetActiveDropDownProperties()->GetPostPopupValueOnTab()) CloseUp(qzcrTab);
}

void TqzCustomDropDownEdit::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseDown(button, shift, x, y);
    if (!alive) return;
    if (FActivatedByMouse) {
        FActivatedByMouse = false;
        return;
    }
    TqzCustomEditViewInfo* info = GetViewInfo();
    if (GetActiveDropDownProperties()->DropDownOnClick() && button == mbLeft && info &&
        PtInRect(&info->ClientRect, POINT{x, y}) && !HasOpenPopup() && !FIsHotAndPopup && Focused())
        SetDroppedDown(true);
}

void TqzCustomDropDownEdit::HandleButtonPress(Integer index) {
    if (index == GetActiveDropDownProperties()->GetDropDownButtonIndex()) SetDroppedDown(!HasOpenPopup());
}

bool TqzCustomDropDownEdit::HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    if (inherited::HandleMouseWheel(shift, wheelDelta, mousePos)) return true;
    auto* properties = GetActiveDropDownProperties();
    if (CanDropDown(true) && HasOpenPopup() && properties->UsesLookupData() && GetLookupData() &&
        !GetLookupData()->IsEmpty()) {
        if (auto* list = dynamic_cast<TqzCustomEditListBox*>(GetLookupData()->GetActiveControl())) {
            SendMessageA(list->GetHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(SHORT(wheelDelta))),
                         MAKELPARAM(WORD(mousePos.x), WORD(mousePos.y)));
            return true;
        }
    }
    return false;
}

void TqzCustomDropDownEdit::Activate(TqzCustomEditData*& editData) {
    const TLivenessToken alive = LivenessToken();
    inherited::Activate(editData);
    if (!alive) return;
    auto* data = dynamic_cast<TqzCustomDropDownEditData*>(GetEditData());
    FUserSized = data && data->UserSized && GetActiveDropDownProperties()->GetPopupSizeable();
    if (GetActiveDropDownProperties()->GetImmediatePopup()) SetDroppedDown(true);
}

void TqzCustomDropDownEdit::ActivateByKey(char32_t key, TqzCustomEditData*& editData) {
    const TLivenessToken alive = LivenessToken();
    inherited::ActivateByKey(key, editData);
    if (!alive) return;
    auto* properties = GetActiveDropDownProperties();
    const bool forwarded = ForwardsActivationKey(key);
    if (key >= 32 && properties->GetImmediateDropDown() && !properties->GetImmediatePopup() && !forwarded) {
        SetDroppedDown(true);
        if (!alive) return;
    }
    if (!forwarded && CanShowPopup() && GetPopupFocusedControl() && FPopupWindow &&
        FPopupWindow->HandleAllocated())
        PostMessageA(FPopupWindow->GetHandle(), QZM_POPUPTYPEDCHAR, WPARAM(key), 0);
}

bool TqzCustomDropDownEdit::ForwardsActivationKey(char32_t ch) {
    auto* properties = GetActiveDropDownProperties();
    if (!properties->GetImmediateDropDown()) return true;
    return !(properties->PopupWindowCapturesFocus() && ch != U'\r');
}

void TqzCustomDropDownEdit::ActivateByMouse(TShiftState shift, Integer x, Integer y,
                                            TqzCustomEditData*& editData) {
    FActivatedByMouse = true;
    inherited::ActivateByMouse(shift, x, y, editData);
}

bool TqzCustomDropDownEdit::ValidateAndSynchronize() {
    const TLivenessToken alive = LivenessToken();
    if (HasOpenPopup()) {
        CloseUp(qzcrUnknown);
        if (!alive) return false;
    }
    if (auto* data = dynamic_cast<TqzCustomDropDownEditData*>(GetEditData())) data->UserSized = FUserSized;
    const bool result = inherited::ValidateAndSynchronize();
    if (alive) CancelPendingShow();
    return result;
}

bool TqzCustomDropDownEdit::IsClickKey(Word key, TShiftState shift) {
    if (inherited::IsClickKey(key, shift)) return true;
    if (IsInplace() && HasOpenPopup())
        return shift.Contains(ssAlt) || shift.Contains(ssCtrl) || !(key >= 32 && key <= 255);
    return false;
}

bool TqzCustomDropDownEdit::HasPendingShow() {
    if (!FPopupWindow || !FPopupWindow->HandleAllocated()) return false;
    MSG msg;
    return PeekMessageA(&msg, FPopupWindow->GetHandle(), QZM_SHOWPOPUP, QZM_SHOWPOPUP, PM_NOREMOVE) != 0;
}

void TqzCustomDropDownEdit::CancelPendingShow() {
    if (!FPopupWindow || !FPopupWindow->HandleAllocated()) return;
    MSG msg;
    if (PeekMessageA(&msg, FPopupWindow->GetHandle(), QZM_SHOWPOPUP, QZM_SHOWPOPUP, PM_REMOVE))
        PopupWindowClosed(FPopupWindow.get());
}

void TqzCustomDropDownEdit::DropDown() {
    if (!HandleAllocated() || !IsWindowVisible(GetHandle()) || !FPopupWindow) return;
    const TLivenessToken alive = LivenessToken();
    DoInitPopup();
    if (!alive || !CanShowPopup()) return;
    auto* properties = GetActiveDropDownProperties();
    if (properties->UsesLookupData() && GetLookupData()) GetLookupData()->NotifyDropDown();
    PreparePopupWindow();
    if (!alive) return;
    FPopupWindow->HandleNeeded();
    FPopupWindow->SetFocusControl(GetPopupFocusedControl());
    PostMessageA(FPopupWindow->GetHandle(), QZM_SHOWPOPUP, 0, 0);
}

void TqzCustomDropDownEdit::SetupPopupWindow() {
    auto* properties = GetActiveDropDownProperties();
    TqzCustomEditPopupWindow* popup = FPopupWindow.get();
    popup->SetOwnerParent(GetParent());
    popup->SetDirection(properties->GetPopupDirection());
    popup->SetAlignHorz(properties->GetPopupHorzAlignment());
    popup->SetAlignVert(properties->GetPopupVertAlignment());
    popup->SetClientEdge(properties->GetPopupClientEdge());
    popup->SetMinHeight(properties->GetPopupMinHeight());
    popup->SetMinWidth(properties->GetPopupMinWidth());
    popup->SetAutoSize(properties->GetPopupAutoSize());
    popup->SetSizeable(properties->GetPopupSizeable());
    popup->SetSysPanelStyle(properties->GetPopupSysPanelStyle());
    auto* data = dynamic_cast<TqzCustomDropDownEditData*>(GetEditData());
    if (IsInplace() && properties->GetPopupSizeable() && data) {
        popup->SetPopupWidth(data->Width);
        popup->SetPopupHeight(data->Height);
    } else {
        popup->SetPopupWidth(properties->GetPopupWidth());
        popup->SetPopupHeight(properties->GetPopupHeight());
    }
    auto* style = dynamic_cast<TqzEditStyle*>(GetActiveStyle());
    popup->SetCloseButton(style ? style->GetPopupCloseButton() : true);
    TqzCustomEditViewInfo* info = GetViewInfo();
    popup->SetEditPopupBorderStyle(info ? info->PopupBorderStyle : epbsDefault);
    popup->SetNativeStyle(info && info->NativeStyle);
    popup->SetShadow(info && info->Shadow);
}

void TqzCustomDropDownEdit::PreparePopupWindow() {
    if (!FPopupWindow) return;
    const TLivenessToken alive = LivenessToken();
    FPopupWindow->SetTakesFocus(GetActiveDropDownProperties()->PopupWindowCapturesFocus());
    AttachLookupList();
    if (!alive) return;
    SetupPopupWindow();
    FPopupWindow->FitToContents();
    TPoint position{FPopupWindow->GetLeft(), FPopupWindow->GetTop()};
    FPopupWindow->CalcPopupPosition(position);
    FPopupWindow->ClampToWorkArea(position);
    FPopupWindow->SetBounds(position.x, position.y, FPopupWindow->GetWidth(), FPopupWindow->GetHeight());
    FPopupWindow->RefreshLayout();
    if (!alive) return;
    FPopupWindow->UpdateWindowRegion();
    // The class library's forms know no layered transparency: nothing to take from the form.
}

void TqzCustomDropDownEdit::PopupWindowShowed(TObject*) {
    const TLivenessToken alive = LivenessToken();
    UpdateViewAtCursor();
    if (!alive || !FPopupWindow) return;
    FPopupWindow->CalculateViewInfo();
    PositionPopupContent(FPopupWindow->GetEditViewInfo()->ClientRect);
    if (!alive) return;
    DoPopup();
    if (!alive) return;
    UpdateDrawValue();
    auto* properties = GetActiveDropDownProperties();
    if (properties->UsesLookupData() && GetLookupData() && GetFindSelection() &&
        properties->GetImmediateDropDown() && properties->PopupWindowCapturesFocus()) {
        String text;
        ReadDisplayText(text);
        // The selection start counts characters.
        GetLookupData()->NotifyTypedText(Utf8Copy(text, 1, std::max<Integer>(0, GetSelStart())));
    }
    FResizedByUser = false;
}

void TqzCustomDropDownEdit::PopupWindowCloseQuery(TObject*, bool& canClose) {
    auto* own = GetDropDownProperties();
    if (own->OnCloseQuery) own->OnCloseQuery(this, canClose);
    if (GetRepositoryItem()) {
        auto* active = GetActiveDropDownProperties();
        if (active != own && active->OnCloseQuery) active->OnCloseQuery(this, canClose);
    }
}

void TqzCustomDropDownEdit::CloseUp(TqzEditCloseUpReason reason) {
    if (!HasOpenPopup()) return;
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    try {
        auto* properties = GetActiveDropDownProperties();
        if ((reason == qzcrTab || reason == qzcrToggle || reason == qzcrAccept) &&
            properties->UsesLookupData() && GetLookupData()) {
            const Variant oldKey = GetLookupData()->GetCurrentKey();
            LockClick(true);
            try {
                GetLookupData()->CommitListSelection();
            } catch (...) {
                if (alive) LockClick(false);
                throw;
            }
            if (!alive) return;
            LockClick(false);
            if (GetModifiedAfterEnter() &&
                !VariantValuesEqualBoolAsText(oldKey, GetLookupData()->GetCurrentKey()))
                SetModifiedAndClick();
            if (!alive) return;
            if (!properties->EditsValueInPopup() && properties->ImmediatePost && HasPendingModification())
                PostEditValue(true);
        }
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (!alive) return;
    LockChangeEvents(false);
    if (!alive) return;
    FCloseUpReason = reason;
    if (FPopupWindow) FPopupWindow->ClosePopup();
}

void TqzCustomDropDownEdit::PopupWindowClosed(TObject*) {
    const TLivenessToken alive = LivenessToken();
    auto* properties = GetActiveDropDownProperties();
    if (properties->GetPopupSizeable() && FResizedByUser && FPopupWindow) {
        auto* data = dynamic_cast<TqzCustomDropDownEditData*>(GetEditData());
        if (IsInplace() && data) {
            data->UserSized = true;
            data->Width = FPopupWindow->GetWidth();
            data->Height = FPopupWindow->GetHeight();
        } else {
            properties->SetPopupWidth(FPopupWindow->GetWidth());
            properties->SetPopupHeight(FPopupWindow->GetHeight());
        }
    }
    if (properties->UsesLookupData() && GetLookupData()) GetLookupData()->ResetListSelection();
    if (properties->GetEditingStyle() == FixedList) UpdateViewAtCursor();
    if (!alive) return;
    LockChangeEvents(true);
    try {
        FireCloseUpEvents();
        if (!alive) return;
        if (properties->EditsValueInPopup() && properties->ImmediatePost && HasPendingModification() &&
            ValidateEditing(true))
            PostEditValue(false);
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (!alive) return;
    LockChangeEvents(false);
    if (alive) UpdateViewAtCursor();
}

void TqzCustomDropDownEdit::HandlePopupKeyDown(Word& key, TShiftState shift) {
    if (!HasOpenPopup()) return;
    const bool alt = shift.Contains(ssAlt);
    if (key == VK_TAB && !alt && !shift.Contains(ssCtrl)) {
        if (GetActiveDropDownProperties()->GetPostPopupValueOnTab()) {
            CloseUp(qzcrTab);
            key = 0;
        }
        return;
    }
    if (((key == VK_UP || key == VK_DOWN) && alt) || ((key == VK_F4 || key == VK_RETURN || key == VK_ESCAPE) && !alt))
        HandleEditKeyDown(key, shift);
}

void TqzCustomDropDownEdit::HandleEditKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    const bool alt = shift.Contains(ssAlt);
    if (((key == VK_UP || key == VK_DOWN) && alt) || (key == VK_F4 && !alt)) {
        if (HasOpenPopup())
            CloseUp(qzcrToggle);
        else
            SetDroppedDown(true);
        key = 0;
        return;
    }
    if ((key == VK_RETURN || key == VK_ESCAPE) && !alt && HasOpenPopup()) {
        SetPopupClosedByKey(true);
        {
            const bool oldUser = IsUserChange();
            SetUserChange(true);
            try {
                if (key == VK_RETURN && RequestEditing())
                    CloseUp(qzcrAccept);
                else if (alive)
                    CloseUp(qzcrCancel);
            } catch (...) {
                if (alive) SetUserChange(oldUser);
                throw;
            }
            if (!alive) return;
            SetUserChange(oldUser);
        }
        if (!HasOpenPopup()) {
            if (key == VK_ESCAPE && GetCapture()) ReleaseCapture();
            key = 0;
            return;
        }
    }
    inherited::HandleEditKeyDown(key, shift);
}

void TqzCustomDropDownEdit::HandleEditKeyPress(char32_t& ch) {
    const TLivenessToken alive = LivenessToken();
    auto* properties = GetActiveDropDownProperties();
    if (ch >= 32 && properties->GetImmediateDropDown() && !HasOpenPopup()) {
        SetDroppedDown(true);
        if (!alive) return;
        if (properties->PopupWindowCapturesFocus() && ch != U'\r' && CanShowPopup() &&
            GetPopupFocusedControl() && FPopupWindow && FPopupWindow->HandleAllocated()) {
            PostMessageA(FPopupWindow->GetHandle(), QZM_POPUPTYPEDCHAR, WPARAM(ch), 0);
            ch = 0;
            return;
        }
    }
    inherited::HandleEditKeyPress(ch);
}

void TqzCustomDropDownEdit::PasteFromClipboard() {
    if (!IsUserChange()) {
        inherited::PasteFromClipboard();
        return;
    }
    TWinControl* inner = GetInnerTextEditControl();
    const String before = inner ? inner->GetText() : String();
    const TLivenessToken alive = LivenessToken();
    inherited::PasteFromClipboard();
    if (!alive || !inner) return;
    if (inner->GetText() != before && GetActiveDropDownProperties()->GetImmediateDropDown() &&
        !HasOpenPopup()) {
        SetDroppedDown(true);
        if (alive && GetLookupData() && HandleAllocated())
            PostMessageA(GetHandle(), QZM_LOCATETYPEDTEXT, 0, 0);
    }
}

void TqzCustomDropDownEdit::LocateTypedText() {
    if (!HasOpenPopup() || !GetLookupData()) return;
    const TLivenessToken alive = LivenessToken();
    const Variant oldKey = GetLookupData()->GetCurrentKey();
    LockClick(true);
    try {
        GetLookupData()->SyncWithEditText();
    } catch (...) {
        if (alive) LockClick(false);
        throw;
    }
    if (!alive) return;
    LockClick(false);
    if (!VariantValuesEqualBoolAsText(oldKey, GetLookupData()->GetCurrentKey())) SetModifiedAndClick();
    if (!alive) return;
    const TqzTextEditingStyle style = GetActiveDropDownProperties()->GetEditingStyle();
    if (style == FixedList)
        SetFindSelection(true);
    else if (style == FreeText) {
        const String text = GetText();
        // The selection counts characters, not the bytes of the text.
        if (Utf8Length(text) == GetSelStart() && GetActiveDropDownProperties()->IsLookupText(text))
            SetFindSelection(true);
    }
}

void TqzCustomDropDownEdit::HandleWindowMessage(TMessage& message) {
    switch (message.Msg) {
    case QZM_LOCATETYPEDTEXT:
        LocateTypedText();
        return;
    case CM_HINTSHOW:
        if (HasOpenPopup()) {
            message.Result = 1;
            return;
        }
        break;
    case CM_BIDIMODECHANGED:
        if (FPopupWindow) FPopupWindow->SetBiDiMode(GetBiDiMode());
        break;
    default:
        break;
    }
    inherited::HandleWindowMessage(message);
}

void TqzCustomDropDownEdit::CreateHandle() {
    inherited::CreateHandle();
    AttachLookupList();
}

void TqzCustomDropDownEdit::DestroyWnd() {
    CloseUp(qzcrUnknown);
    inherited::DestroyWnd();
}

KOV_PUBLISHED(TqzCustomDropDownEdit) {}
KOV_PUBLISHED(TqzCustomDropDownEditProperties) {}
