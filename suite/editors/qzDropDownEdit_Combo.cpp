// The combo box: its properties, the owner-drawn list of its items in the popup, the list's
// preferred size in whole rows, and the editor's text and lookup kept in step.
#include <algorithm>

#include "platform/runtime/Variant.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzVariants.h"

namespace {

void RegisterComboBoxProperties() {
    GetEditPropertiesRegistry()->Register(TqzComboBoxProperties::StaticClass(),
                                          LocalizeSuiteText("ComboBox|Represents the combo box editor"));
}

struct TComboBoxTypes {
    TComboBoxTypes() {
        RegisterEnum<TqzEditDropDownListStyle>("TqzEditDropDownListStyle",
                                               {"lsEditFixedList", "lsEditList", "lsFixedList"});
        RegisterTypeName<TqzEditDrawItemEvent>("TqzEditDrawItemEvent");
        RegisterTypeName<TqzEditMeasureItemEvent>("TqzEditMeasureItemEvent");
        RegisterInterfacedPersistentClass<TqzCustomComboBoxProperties>();
        RegisterInterfacedPersistentClass<TqzComboBoxProperties>();
        RegisterInterfacedPersistentClass<TqzComboBoxLookupData>();
        RegisterClasses({TqzComboBox::StaticClass()});
        RegisterComboBoxProperties();
    }
};
const TComboBoxTypes kComboBoxTypes;

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomComboBoxProperties::TqzCustomComboBoxProperties(TPersistent* owner)
    : TqzCustomDropDownEditProperties(owner) {
    RegisterComboBoxProperties();
}

TClass TqzCustomComboBoxProperties::GetContainerClass() const { return TqzComboBox::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomComboBoxProperties::GetViewDataClass() const {
    return &TqzCustomComboBoxViewData::CreateInstance;
}

TqzCustomEditViewInfoClass TqzCustomComboBoxProperties::GetViewInfoClass() const {
    return &TqzCustomComboBoxViewInfo::CreateInstance;
}

TClass TqzCustomComboBoxProperties::GetLookupDataClass() const {
    return TqzComboBoxLookupData::StaticClass();
}

TqzTextEditingStyle TqzCustomComboBoxProperties::GetEditingStyle() {
    switch (FDropDownListStyle) {
    case lsEditFixedList:
        return RestrictedText;
    case lsFixedList:
        return FixedList;
    default:
        return FreeText;
    }
}

void TqzCustomComboBoxProperties::SetDropDownListStyle(TqzEditDropDownListStyle value) {
    if (value == FDropDownListStyle) return;
    FDropDownListStyle = value;
    Changed();
}

void TqzCustomComboBoxProperties::SetDropDownRows(Integer value) {
    if (value < 1 || value == FDropDownRows) return;
    FDropDownRows = value;
    Changed();
}

void TqzCustomComboBoxProperties::SetItemHeight(Integer value) {
    if (value == FItemHeight) return;
    FItemHeight = value;
    Changed();
}

void TqzCustomComboBoxProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomComboBoxProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetDropDownListStyle(other->FDropDownListStyle);
        SetDropDownRows(other->FDropDownRows);
        SetItemHeight(other->FItemHeight);
        Revertable = other->Revertable;
        OnDrawItem = other->OnDrawItem;
        OnMeasureItem = other->OnMeasureItem;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- Inner edit ------------------------------------------------------------------------------

void TqzCustomComboBoxInnerEdit::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft) {
        TControlState state = GetControlState();
        state.Exclude(csClicked);
        SetControlState(state);
    }
    inherited::MouseUp(button, shift, x, y);
}

// ---- Lookup data -----------------------------------------------------------------------------

TqzCustomComboBox* TqzComboBoxLookupData::GetComboBox() const {
    return dynamic_cast<TqzCustomComboBox*>(GetEdit());
}

TqzCustomEditListBoxClass TqzComboBoxLookupData::GetListBoxClass() {
    return &TqzComboBoxListBox::CreateInstance;
}

TWinControl* TqzComboBoxLookupData::InitializeList(TWinControl* parent) {
    TWinControl* list = inherited::InitializeList(parent);
    TqzCustomComboBox* combo = GetComboBox();
    if (list && combo && combo->GetPopupLookAndFeel())
        if (auto* inner = dynamic_cast<TqzCustomInnerListBox*>(list))
            inner->GetLookAndFeel()->SetMaster(combo->GetPopupLookAndFeel());
    return list;
}

TSize TqzComboBoxLookupData::GetListPreferredSize() { return GetListPreferredSizeWithin(0, 0); }

TSize TqzComboBoxLookupData::GetListPreferredSizeWithin(Integer maxHeight, Integer maxWidth) {
    TSize size{0, 0};
    auto* list = dynamic_cast<TqzCustomComboBoxListBox*>(FList);
    if (!list) return size;
    const Integer count = GetItemCount();
    const Integer rowsSetting = GetActiveProperties()->GetDropDownRows();
    const Integer rows = std::min(rowsSetting, count);
    size.cy = list->GetHeightForRows(rows, maxHeight);
    Integer width = 0;
    for (Integer i = 0; i < count; ++i)
        width = std::max(width, list->GetItemWidth(i));
    width += 4;
    list->SetScrollWidth(0);
    list->SetScrollWidth(width);
    if (count > rowsSetting) width += GetSystemMetrics(SM_CXVSCROLL);
    if (maxWidth > 0 && width > maxWidth) size.cy += GetSystemMetrics(SM_CYHSCROLL);
    size.cx = width;
    return size;
}

bool TqzComboBoxLookupData::CanResizeList(TSize& size, const TSize& limit) {
    auto* list = dynamic_cast<TqzCustomComboBoxListBox*>(FList);
    if (!list) return true;
    if (size.cx == list->GetWidth() && size.cy == list->GetHeight()) return true;
    const Integer maxHeight = limit.cy;
    const Integer count = GetItemCount();
    const Integer vbar = GetSystemMetrics(SM_CXVSCROLL);
    const Integer hbar = GetSystemMetrics(SM_CYHSCROLL);
    bool vertical = false, horizontal = false;
    auto heightFor = [&](Integer rows) {
        Integer h = 0;
        for (Integer i = 0; i < rows; ++i)
            h += list->GetItemHeight(i);
        vertical = rows < count;
        const Integer available = size.cx - (vertical ? vbar : 0);
        horizontal = list->GetScrollWidth() > available;
        if (horizontal) h += hbar;
        return h;
    };
    Integer height = 0;
    if (count > 0) {
        Integer rows = 0;
        height = heightFor(count);
        for (rows = 1; rows <= count; ++rows) {
            const Integer h = heightFor(rows);
            const bool overLimit = maxHeight > 0 && h > maxHeight;
            if (h == size.cy && !overLimit) {
                height = h;
                break;
            }
            if (h > size.cy || overLimit) {
                if (overLimit || size.cy >= list->GetHeight()) {
                    if (rows > 1) {
                        height = heightFor(rows - 1);
                        vertical = true;
                    } else
                        height = h;
                } else
                    height = h;
                break;
            }
            height = h;
        }
    } else {
        vertical = horizontal = false;
    }
    size.cy = height;
    Integer minWidth = vertical ? vbar : 0;
    if (horizontal) minWidth += vbar;
    size.cx = std::max(Integer(size.cx), minWidth);
    return true;
}

// ---- List boxes ------------------------------------------------------------------------------

TqzCustomComboBoxListBox::TqzCustomComboBoxListBox(TComponent* owner) : TqzCustomEditListBox(owner) {
    SetStyle(lbOwnerDrawVariable);
}

TqzCustomComboBox* TqzCustomComboBoxListBox::GetComboBox() {
    return dynamic_cast<TqzCustomComboBox*>(GetEdit());
}

String TqzCustomComboBoxListBox::GetItemText(Integer index) {
    TqzCustomComboBox* combo = GetComboBox();
    if (combo && combo->GetLookupData()) return combo->GetLookupData()->GetItemText(index);
    return inherited::GetItemText(index);
}

bool TqzCustomComboBoxListBox::DoDrawItem(Integer index, const TRect& rect, TOwnerDrawState state) {
    TqzCustomComboBox* combo = GetComboBox();
    if (!combo || !combo->HasDrawItemHandler()) return false;
    TqzCanvas canvas(GetCanvas());
    combo->DoDrawItem(&canvas, index, rect, state);
    return true;
}

Integer TqzCustomComboBoxListBox::GetHeightForRows(Integer rows, Integer) {
    Integer height = 0;
    for (Integer i = 0; i < rows; ++i)
        height += GetItemHeight(i);
    return height;
}

void TqzCustomComboBoxListBox::WndProc(TMessage& message) {
    const POINT p{SHORT(LOWORD(message.LParam)), SHORT(HIWORD(message.LParam))};
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TqzCustomComboBox* combo = GetComboBox();
        if (combo && combo->HasOpenPopup() &&
            !combo->GetActiveDropDownProperties()->PopupWindowCapturesFocus()) {
            FPressedWithoutFocus = true;
            SetCapture(GetHandle());
            const Integer index = ItemAtPos(p, true);
            if (index >= 0 && index < GetItems()->GetCount()) SetItemIndex(index);
            message.Result = 0;
            return;
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (FPressedWithoutFocus && GetCapture() == GetHandle()) {
            const Integer index = ItemAtPos(p, true);
            if (index >= 0 && index < GetItems()->GetCount() && index != GetItemIndex()) SetItemIndex(index);
        }
        break;
    case WM_LBUTTONUP:
        FPressedWithoutFocus = false;
        break;
    default:
        break;
    }
    inherited::WndProc(message);
}

void TqzCustomComboBoxListBox::MeasureItem(Integer index, Integer& height) { height = GetItemHeight(index); }

void TqzCustomComboBoxListBox::MouseMove(TShiftState shift, Integer x, Integer y) {
    TqzCustomComboBox* combo = GetComboBox();
    if (combo && combo->ListMouseMoveSuppressed) {
        combo->ListMouseMoveSuppressed = false;
        return;
    }
    inherited::MouseMove(shift, x, y);
}

Integer TqzComboBoxListBox::GetItemHeight(Integer index) {
    TqzCustomComboBox* combo = GetComboBox();
    Integer height = 0;
    if (combo && combo->GetActiveComboProperties()->GetItemHeight() > 0)
        height = combo->GetActiveComboProperties()->GetItemHeight();
    else
        height = inherited::GetItemHeight(index);
    if (index >= 0 && combo && combo->HasMeasureItemHandler()) {
        TqzCanvas canvas(GetCanvas());
        combo->DoMeasureItem(index, &canvas, height);
    }
    return height;
}

void TqzComboBoxListBox::UpdateListSettings() {
    SetItemHeight(GetItemHeight(-1));
    TqzCustomComboBox* combo = GetComboBox();
    SetStyle(combo && combo->HasMeasureItemHandler() ? lbOwnerDrawVariable : lbOwnerDrawFixed);
}

void TqzComboBoxListBox::SetItemIndex(Integer value) {
    if (TqzCustomComboBox* combo = GetComboBox()) combo->ListMouseMoveSuppressed = true;
    inherited::SetItemIndex(value);
}

void TqzComboBoxListBox::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseUp(button, shift, x, y);
    if (!alive || button != mbLeft) return;
    const Integer index = ItemAtPos(POINT{x, y}, true);
    if (index < 0 || index >= GetItems()->GetCount()) return;
    if (GetCapture() == GetHandle()) ReleaseCapture();
    SetItemIndex(index);
    if (TqzCustomComboBox* combo = GetComboBox()) combo->CloseUp(qzcrAccept);
}

void TqzComboBoxListBox::Resize() {
    const TLivenessToken alive = LivenessToken();
    inherited::Resize();
    if (!alive || !HandleAllocated()) return;
    TqzCustomComboBox* combo = GetComboBox();
    if (!combo || !combo->HasOpenPopup()) return;
    const TRect corner = GetSizeGripRect();
    if (IsRectEmpty(&corner)) return;
    // The region of a non-client paint is on the screen.
    RECT window{};
    GetWindowRect(GetHandle(), &window);
    HRGN region = CreateRectRgn(window.left + corner.left, window.top + corner.top,
                                window.left + corner.right, window.top + corner.bottom);
    SendMessageA(GetHandle(), WM_NCPAINT, WPARAM(region), 0);
    DeleteObject(region);
}

// ---- View data and view info -----------------------------------------------------------------

TqzCustomEditViewData* TqzCustomComboBoxViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                                 TqzCustomEditStyle* style, bool isInplace) {
    return CreateEditViewData<TqzCustomComboBoxViewData>(properties, style, isInplace);
}

void TqzCustomComboBoxViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p,
                                          Integer button, TShiftState shift, TqzCustomEditViewInfo* viewInfo,
                                          bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = dynamic_cast<TqzCustomComboBoxViewInfo*>(viewInfo);
    if (!info) return;
    auto* properties = dynamic_cast<TqzCustomComboBoxProperties*>(GetProperties());
    auto* combo = dynamic_cast<TqzCustomComboBox*>(Edit);
    Integer index = -1;
    if (properties && combo && properties->GetDropDownListStyle() == lsFixedList &&
        combo->HasDrawItemHandler())
        index = combo->GetItemIndex();
    info->ItemIndex = index;
    info->CustomDraw = index != -1;
    info->DrawingEditor = index != -1 ? combo : nullptr;
}

void TqzCustomComboBoxViewData::EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue,
                                                    TqzCustomEditViewInfo* viewInfo) {
    inherited::EditValueToViewInfo(canvas, editValue, viewInfo);
    auto* info = dynamic_cast<TqzCustomComboBoxViewInfo*>(viewInfo);
    auto* properties = dynamic_cast<TqzCustomComboBoxProperties*>(GetProperties());
    if (!info || !properties) return;
    Integer index = -1;
    if (properties->GetDropDownListStyle() == lsFixedList && properties->OnDrawItem)
        index = properties->GetItems()->IndexOf(VarToStr(editValue));
    info->ItemIndex = index;
    info->CustomDraw = index != -1;
    info->DrawingEditor = nullptr;
}

TqzCustomComboBoxViewInfo::TqzCustomComboBoxViewInfo() {
    CustomDrawHandler = MakeEvent(this, &TqzCustomComboBoxViewInfo::DrawItem);
}

void TqzCustomComboBoxViewInfo::DrawItem(TqzCanvas* canvas, const TRect& rect) {
    TOwnerDrawState state;
    state.Include(odComboBoxEdit);
    if (Focused) {
        state.Include(odSelected);
        state.Include(odFocused);
    }
    const TColor brush = Highlighted ? clHighlight : BackgroundColor;
    const TColor text = Highlighted ? clHighlightText : TextColor;
    canvas->SetBrushColor(brush);
    if (Font) canvas->Canvas->GetFont()->Assign(Font);
    canvas->Canvas->GetFont()->SetColor(text);
    AdjustPaintFont(canvas->Canvas->GetFont());
    if (DrawingEditor)
        DrawingEditor->DoDrawItem(canvas, ItemIndex, rect, state);
    else if (auto* properties = dynamic_cast<TqzCustomComboBoxProperties*>(Properties))
        if (properties->OnDrawItem) properties->OnDrawItem(nullptr, canvas, ItemIndex, rect, state);
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomComboBox::TqzCustomComboBox(TComponent* owner) : TqzCustomComboBox(owner, false) {}

TqzCustomComboBox::TqzCustomComboBox(TComponent* owner, bool isInplace)
    : TqzCustomComboBox(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomComboBox::TqzCustomComboBox(TComponent* owner, bool isInplace, bool)
    : TqzCustomDropDownEdit(owner, isInplace, true) {}

void TqzCustomComboBox::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csClickEvents);
    SetControlStyle(style);
}

TqzComboBoxLookupData* TqzCustomComboBox::GetComboLookupData() const {
    return dynamic_cast<TqzComboBoxLookupData*>(GetLookupData());
}

void TqzCustomComboBox::SyncLookupWithText() {
    if (GetActiveProperties()->UsesLookupData() && GetLookupData()) GetLookupData()->SyncWithEditText();
}

void TqzCustomComboBox::Activate(TqzCustomEditData*& editData) {
    const TLivenessToken alive = LivenessToken();
    inherited::Activate(editData);
    if (alive) SyncLookupWithText();
}

bool TqzCustomComboBox::CanShowPopup() {
    if (!GetActiveProperties()->UsesLookupData() || !GetLookupData()) return true;
    return !GetLookupData()->IsEmpty();
}

void TqzCustomComboBox::SetupPopupWindow() {
    inherited::SetupPopupWindow();
    GetPopupWindow()->SetSysPanelStyle(GetActiveDropDownProperties()->GetPopupSizeable());
}

void TqzCustomComboBox::GetPopupContentSize(Integer& width, Integer& height) {
    width = height = 0;
    TqzComboBoxLookupData* lookup = GetComboLookupData();
    if (!lookup || !GetPopupWindow()) return;
    TRect extents;
    GetPopupWindow()->GetEditViewInfo()->GetClientExtent(extents);
    TRect owner = GetPopupOwnerBounds();
    if (GetParent()) {
        const POINT a = GetParent()->ClientToScreen(POINT{owner.left, owner.top});
        const POINT b = GetParent()->ClientToScreen(POINT{owner.right, owner.bottom});
        owner = TRect{a.x, a.y, b.x, b.y};
    }
    const TRect workTop = GetMonitorWorkArea(TPoint{owner.left, owner.top});
    const TRect workBottom = GetMonitorWorkArea(TPoint{owner.left, owner.bottom});
    Integer above = owner.top - workTop.top - extents.top - extents.bottom;
    if (GetPopupWindow()->GetShadow()) above += 3;
    const Integer below = workBottom.bottom - owner.bottom - extents.top - extents.bottom;
    const Integer maxHeight = std::max(above, below);
    auto* properties = GetActiveDropDownProperties();
    Integer maxWidth;
    if (properties->GetPopupSizeable() || properties->GetPopupAutoSize())
        maxWidth = workTop.right - workTop.left;
    else
        maxWidth = properties->GetPopupWidth() >= 1 ? properties->GetPopupWidth() : GetWidth();
    maxWidth -= extents.left + extents.right;
    const TSize size = lookup->GetListPreferredSizeWithin(maxHeight, maxWidth);
    width = size.cx;
    height = size.cy;
}

void TqzCustomComboBox::HandleContentChange(TObject* sender) {
    TqzCustomTextEditLookupData* lookup = GetLookupData();
    const Variant oldKey = lookup ? lookup->GetCurrentKey() : Variant();
    const TLivenessToken alive = LivenessToken();
    LockClick(true);
    try {
        inherited::HandleContentChange(sender);
        if (!alive) return;
        auto* properties = GetActiveProperties();
        const TqzTextEditingStyle style = properties->GetEditingStyle();
        if (lookup && properties->UsesLookupData() && !IsLookupChangingText() &&
            (HasOpenPopup() || (!properties->UsesIncrementalSearch() && HasPendingShow()) ||
             style == RestrictedText || style == FixedList))
            lookup->SyncWithEditText();
    } catch (...) {
        if (alive) LockClick(false);
        throw;
    }
    if (!alive) return;
    LockClick(false);
    if (lookup && !VariantValuesEqualBoolAsText(oldKey, lookup->GetCurrentKey())) SetModifiedAndClick();
}

void TqzCustomComboBox::HandleDblClick() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleDblClick();
    if (!alive) return;
    TqzCustomTextEditLookupData* lookup = GetLookupData();
    if (!lookup) return;
    LockChangeEvents(true);
    const bool oldNavigating = FNavigatingLookup;
    FNavigatingLookup = true;
    try {
        if (!HasOpenPopup() && GetActiveComboProperties()->Revertable) {
            const Variant oldKey = lookup->GetCurrentKey();
            lookup->MoveCurrent(qzlmNext, true);
            if (alive && !VariantValuesEqualBoolAsText(oldKey, lookup->GetCurrentKey()) &&
                HasPendingModification() && GetActiveProperties()->ImmediatePost && ValidateEditing(true))
                PostEditValue(false);
        }
    } catch (...) {
        if (alive) {
            FNavigatingLookup = oldNavigating;
            LockChangeEvents(false);
        }
        throw;
    }
    if (!alive) return;
    FNavigatingLookup = oldNavigating;
    LockChangeEvents(false);
}

void TqzCustomComboBox::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseMove(shift, x, y);
    if (!alive || !HandleAllocated() || GetCapture() != GetHandle() || !HasOpenPopup() || !GetLookupData())
        return;
    auto* list = dynamic_cast<TWinControl*>(GetLookupData()->GetActiveControl());
    if (!list || !list->HandleAllocated()) return;
    const TPoint cursor = QueryCursorPos();
    TqzCustomEditPopupWindow* popup = GetPopupWindow();
    const POINT inPopup = popup->ScreenToClient(POINT{cursor.x, cursor.y});
    const TRect client = popup->GetEditViewInfo()->ClientRect;
    if (!PtInRect(&client, inPopup) || !GetLookupData()->IsMouseOverList(cursor)) return;
    const POINT inList = list->ScreenToClient(POINT{cursor.x, cursor.y});
    SendMessageA(list->GetHandle(), WM_LBUTTONDOWN, 0, MAKELPARAM(WORD(inList.x), WORD(inList.y)));
}

void TqzCustomComboBox::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft) {
        TControlState state = GetControlState();
        state.Exclude(csClicked);
        SetControlState(state);
    }
    inherited::HandleMouseUp(button, shift, x, y);
}

void TqzCustomComboBox::PopupWindowShowed(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    inherited::PopupWindowShowed(sender);
    if (!alive || !GetLookupData()) return;
    auto* list = dynamic_cast<TWinControl*>(GetLookupData()->GetActiveControl());
    if (list && list->HandleAllocated() && GetLookupData()->IsMouseOverList(QueryCursorPos()))
        ListMouseMoveSuppressed = true;
}

void TqzCustomComboBox::ResetPopupHeight() {
    auto* properties = GetActiveDropDownProperties();
    auto* data = dynamic_cast<TqzCustomDropDownEditData*>(GetEditData());
    if (properties->GetPopupSizeable() && IsInplace() && data)
        data->Height = 0;
    else
        properties->SetPopupHeight(0);
}

void TqzCustomComboBox::DoDrawItem(TqzCanvas* canvas, Integer index, const TRect& rect,
                                   TOwnerDrawState state) {
    auto* own = GetComboProperties();
    if (own->OnDrawItem) own->OnDrawItem(this, canvas, index, rect, state);
    if (GetRepositoryItem()) {
        auto* active = GetActiveComboProperties();
        if (active != own && active->OnDrawItem) active->OnDrawItem(this, canvas, index, rect, state);
    }
}

void TqzCustomComboBox::DoMeasureItem(Integer index, TqzCanvas* canvas, Integer& height) {
    auto* own = GetComboProperties();
    if (own->OnMeasureItem) own->OnMeasureItem(this, index, canvas, height);
    if (GetRepositoryItem()) {
        auto* active = GetActiveComboProperties();
        if (active != own && active->OnMeasureItem) active->OnMeasureItem(this, index, canvas, height);
    }
}

bool TqzCustomComboBox::HasDrawItemHandler() {
    return bool(GetComboProperties()->OnDrawItem) || bool(GetActiveComboProperties()->OnDrawItem);
}

bool TqzCustomComboBox::HasMeasureItemHandler() {
    return bool(GetComboProperties()->OnMeasureItem) || bool(GetActiveComboProperties()->OnMeasureItem);
}

TqzComboBox::TqzComboBox(TComponent* owner) : TqzCustomComboBox(owner, false, true) { InitializeEditor(); }

TqzComboBox::TqzComboBox(TComponent* owner, bool isInplace) : TqzCustomComboBox(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzCustomComboBoxProperties) {}

KOV_PUBLISHED(TqzComboBoxProperties) {
    using P = TqzComboBoxProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("AutoSelect", &P::GetAutoSelect, &P::SetAutoSelect).Default(true);
    Property("BeepOnError", &P::BeepOnError).Default(false);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("CaseInsensitive", &P::GetCaseInsensitive, &P::SetCaseInsensitive).Default(true);
    Property("CharCase", &P::GetCharCase, &P::SetCharCase).Default(ecNormal);
    Property("DropDownAutoWidth", &P::GetDropDownAutoWidth, &P::SetDropDownAutoWidth).Default(true);
    Property("DropDownListStyle", &P::GetDropDownListStyle, &P::SetDropDownListStyle).Default(lsEditList);
    Property("DropDownRows", &P::GetDropDownRowsValue, &P::SetDropDownRows).Default(8);
    Property("DropDownSizeable", &P::GetDropDownSizeable, &P::SetDropDownSizeable).Default(false);
    Property("DropDownWidth", &P::GetDropDownWidth, &P::SetDropDownWidth).Default(0);
    Property("HideSelection", &P::GetHideSelection, &P::SetHideSelection).Default(true);
    Property("IgnoreMaskBlank", &P::IgnoreMaskBlank).Default(false);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediateDropDown", &P::GetImmediateDropDown, &P::SetImmediateDropDown).Default(true);
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("ImmediateUpdateText", &P::ImmediateUpdateText).Default(false);
    Property("IncrementalSearch", &P::GetIncrementalSearch, &P::SetIncrementalSearch).Default(true);
    Property("ItemHeight", &P::GetItemHeight, &P::SetItemHeight).Default(0);
    Property("Items", &P::GetItems, &P::SetItems);
    Property("MaskKind", &P::GetMaskKind, &P::SetMaskKind).Default(emkStandard);
    Property("EditMask", &P::GetEditMask, &P::SetEditMask)
        .TypeName("TqzEditMask")
        .Stored(&P::IsEditMaskStored);
    Property("MaxLength", &P::GetMaxLength, &P::SetMaxLength).Stored(&P::IsMaxLengthStored);
    Property("OEMConvert", &P::GetOEMConvert, &P::SetOEMConvert).Default(false);
    Property("PopupAlignment", &P::GetPopupAlignment, &P::SetPopupAlignment).Default(taLeftJustify);
    Property("PostPopupValueOnTab", &P::GetPostPopupValueOnTab, &P::SetPostPopupValueOnTab).Default(false);
    Property("Revertable", &P::Revertable).Default(false);
    Property("Sorted", &P::GetSorted, &P::SetSorted).Default(false);
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(true);
    Property("OnChange", &P::OnChange);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnDrawItem", &P::OnDrawItem);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnMeasureItem", &P::OnMeasureItem);
    Property("OnNewLookupDisplayText", &P::OnNewLookupDisplayText);
    Property("OnPopup", &P::OnPopup);
    Property("OnValidate", &P::OnValidate);
}

KOV_PUBLISHED(TqzCustomComboBox) {}

KOV_PUBLISHED(TqzComboBox) {
    Property("BeepOnEnter", &TqzComboBox::GetBeepOnEnter, &TqzComboBox::SetBeepOnEnter).Default(true);
    // The item follows the stored text; it is read before the items are, so it is not stored.
    Property("ItemIndex", &TqzComboBox::GetItemIndex, &TqzComboBox::SetItemIndex).Stored(false);
    Property("Properties", &TqzComboBox::GetProperties, &TqzComboBox::SetProperties);
}
