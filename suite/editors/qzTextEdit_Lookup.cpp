// The text editor's lookup data and the list box of drop-down lookups.
#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzTextEdit.h"

namespace {

// The first n characters of an item, counted in code points.
String CharPrefix(const String& text, Integer n) { return Utf8Copy(text, 1, n); }

} // namespace

// ---- Lookup data -----------------------------------------------------------------------------

TqzCustomTextEditLookupData::TqzCustomTextEditLookupData(TPersistent* owner)
    : TqzInterfacedPersistent(owner), FEdit(dynamic_cast<TqzCustomTextEdit*>(owner)) {}

TqzCustomTextEditLookupData::~TqzCustomTextEditLookupData() = default;

TqzCustomTextEditProperties* TqzCustomTextEditLookupData::GetActiveProperties() {
    return FEdit ? FEdit->GetActiveProperties() : nullptr;
}

String TqzCustomTextEditLookupData::GetItemText(Integer index) {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    return properties ? properties->GetLookupItems()->GetStrings(index) : String();
}

Integer TqzCustomTextEditLookupData::GetItemCount() {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    return properties ? properties->GetLookupItems()->GetCount() : 0;
}

String TqzCustomTextEditLookupData::GetKeyText(const Variant& key) {
    if (VarIsNull(key) || VarIsEmpty(key)) return String();
    const Integer index = key.AsInteger();
    if (index < 0 || index >= GetItemCount()) return String();
    return GetItemText(index);
}

Integer TqzCustomTextEditLookupData::IndexOfText(const String& text) {
    const Integer count = GetItemCount();
    for (Integer i = 0; i < count; ++i)
        if (AnsiSameText(GetItemText(i), text)) return i;
    return -1;
}

void TqzCustomTextEditLookupData::SetCurrentKey(Integer index) {
    if (index < -1 || index >= GetItemCount()) return;
    FCurrentKey = index;
    SetListHighlight(index);
}

void TqzCustomTextEditLookupData::SetListHighlight(Integer index) {
    if (index < -1 || index >= GetItemCount()) return;
    if (index == FHighlightIndex && index != -1) return;
    if (FList && GetItemCount() > 0) {
        if (index == -1) {
            FList->SetItemIndex(0);
            FList->SetTopIndex(0);
        }
        FList->SetItemIndex(index);
    }
    FHighlightIndex = index;
}

void TqzCustomTextEditLookupData::SetListItemIndex(Integer index) {
    if (FList) FList->SetItemIndex(index);
}

void TqzCustomTextEditLookupData::ListSelectionChanged(TObject*) {
    if (FList) FHighlightIndex = FList->GetItemIndex();
}

void TqzCustomTextEditLookupData::FireSelectItem() {
    if (OnSelectItem) OnSelectItem(this);
}

TWinControl* TqzCustomTextEditLookupData::GetActiveControl() { return FList; }

bool TqzCustomTextEditLookupData::IsMouseOverList(const TPoint& screenPoint) {
    if (!FList || !FList->HandleAllocated()) return false;
    RECT r{};
    GetWindowRect(FList->GetHandle(), &r);
    return PtInRect(&r, POINT{screenPoint.x, screenPoint.y});
}

void TqzCustomTextEditLookupData::SetListBounds(const TRect& bounds) {
    if (FList)
        FList->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TqzCustomTextEditLookupData::UpdateListItemCount() {
    if (FList) FList->SetItemCount(GetItemCount());
}

void TqzCustomTextEditLookupData::ResetAfterFailedLocate(const String& text, bool exact) {
    if (exact) {
        SetCurrentKey(-1);
        return;
    }
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const TqzTextEditingStyle style = properties ? properties->GetEditingStyle() : FreeText;
    switch (style) {
    case RestrictedText:
        if (text.empty() && IndexOfText(String()) == -1) SetCurrentKey(-1);
        break;
    case FixedList:
        break;
    default:
        SetCurrentKey(-1);
        break;
    }
}

bool TqzCustomTextEditLookupData::LocateText(String& text, String& tail, bool fromCurrent, bool exact) {
    tail.clear();
    const Integer count = GetItemCount();
    if (count == 0) {
        ResetAfterFailedLocate(text, exact);
        return false;
    }
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    if (exact && properties && properties->GetMostRecentListMode()) {
        const Integer index = IndexOfText(text);
        if (index == -1) {
            SetCurrentKey(-1);
            return false;
        }
        SetCurrentKey(index);
        return true;
    }
    const Integer start = fromCurrent ? FHighlightIndex : -1;
    const Integer n = Utf8Length(text);
    for (Integer i = start + 1; n > 0 && i < count; ++i) {
        const String item = GetItemText(i);
        const String prefix = CharPrefix(item, n);
        if (AnsiSameText(prefix, text)) {
            text = prefix;
            tail = item.substr(prefix.size());
            SetCurrentKey(i);
            return true;
        }
    }
    ResetAfterFailedLocate(text, exact);
    return false;
}

void TqzCustomTextEditLookupData::SyncWithEditText() {
    if (!FEdit || FEdit->GetEditValueChangingLockCount() > 0) return;
    String text = FEdit->GetText();
    if (FHighlightIndex >= 0 && FHighlightIndex < GetItemCount() &&
        AnsiSameText(GetKeyText(Variant(FHighlightIndex)), text))
        return;
    String tail;
    LocateText(text, tail, false, true);
}

void TqzCustomTextEditLookupData::MoveCurrent(Integer direction, bool cycle) {
    const Integer count = GetItemCount();
    if (count == 0) return;
    const Integer i = FHighlightIndex != -1 ? FHighlightIndex : FCurrentKey;
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const Integer rows = properties ? properties->GetDropDownRows() : 8;
    Integer target = 0;
    switch (direction) {
    case qzlmFirst:
        target = 0;
        break;
    case qzlmLast:
        target = count - 1;
        break;
    case qzlmNext:
        target = i + 1;
        if (i >= count - 1) target = cycle ? 0 : i;
        break;
    case qzlmPrior:
        target = i - 1;
        if (target < 0) target = cycle ? count - 1 : i;
        break;
    case qzlmPageUp:
        if (i == -1) {
            target = cycle ? count - 1 : -1;
        } else {
            target = i - rows + 1;
            if (target < 0) target = (cycle && i == 0) ? count - 1 : 0;
        }
        break;
    case qzlmPageDown:
        target = i == -1 ? rows - 1 : i + rows - 1;
        if (target >= count) target = (cycle && i == count - 1) ? 0 : count - 1;
        break;
    default:
        target = 0;
        break;
    }
    const bool immediate =
        properties && properties->ImmediateUpdateText && FEdit != nullptr && FEdit->RequestEditing();
    if (!FList || !FList->IsShown() || immediate)
        SelectKey(Variant(target));
    else
        SetListHighlight(target);
}

void TqzCustomTextEditLookupData::SelectKey(const Variant& key) {
    const Integer old = FCurrentKey;
    const Integer index = (VarIsNull(key) || VarIsEmpty(key)) ? -1 : key.AsInteger();
    SetCurrentKey(index);
    if (FEdit) FEdit->BeginLookupTextChange();
    try {
        if (FCurrentKey == old) {
            if (index >= 0 && index < GetItemCount() && FEdit && FEdit->GetText() != GetItemText(index))
                FireSelectItem();
        } else {
            FireSelectItem();
        }
    } catch (...) {
        if (FEdit) FEdit->EndLookupTextChange();
        throw;
    }
    if (FEdit) FEdit->EndLookupTextChange();
}

void TqzCustomTextEditLookupData::CommitListSelection() {
    if (FHighlightIndex == -1) return;
    const Integer old = FCurrentKey;
    SelectKey(Variant(FHighlightIndex));
    if (FCurrentKey == old) FireSelectItem();
}

TWinControl* TqzCustomTextEditLookupData::InitializeList(TWinControl* parent) {
    if (!FList) {
        TqzCustomEditListBoxClass listClass = GetListBoxClass();
        if (!listClass) return nullptr;
        FList = listClass(parent);
    }
    if (FEdit) {
        TqzContainerStyle* style = FEdit->GetActiveStyle();
        FList->SetColor(style->GetColor());
        FList->GetFont()->Assign(style->GetFont());
        FList->GetCanvas()->GetFont()->Assign(FList->GetFont());
    }
    FList->SetParent(parent);
    FList->OnSelectionChanged = MakeEvent(this, &TqzCustomTextEditLookupData::ListSelectionChanged);
    FList->SetItemCount(GetItemCount());
    FList->SetItemIndex(FHighlightIndex);
    FList->UpdateListSettings();
    SyncWithEditText();
    return FList;
}

// ---- Edit list box ---------------------------------------------------------------------------

TqzCustomEditListBox::TqzCustomEditListBox(TComponent* owner) : TqzCustomInnerListBox(owner) {
    SetBorderStyle(bsNone);
    SetStyle(lbOwnerDrawFixed);
}

String TqzCustomEditListBox::GetItemText(Integer index) { return GetItems()->GetStrings(index); }

Integer TqzCustomEditListBox::GetListItemHeight(Integer) {
    GetCanvas()->GetFont()->Assign(GetFont());
    return GetCanvas()->TextHeight("Wg");
}

Integer TqzCustomEditListBox::GetItemWidth(Integer index) {
    GetCanvas()->GetFont()->Assign(GetFont());
    return GetCanvas()->TextWidth(GetItemText(index));
}

void TqzCustomEditListBox::SetItemIndex(Integer value) {
    inherited::SetItemIndex(value);
    NotifySelectionChanged();
}

bool TqzCustomEditListBox::UsesDefaultItemDrawing() {
    TqzCustomTextEdit* edit = GetEdit();
    if (!edit) return false;
    const TqzTextEditingStyle style = edit->GetActiveProperties()->GetEditingStyle();
    return style == FixedList || style == NoEdit;
}

bool TqzCustomEditListBox::IsShown() { return HandleAllocated() && IsWindowVisible(GetHandle()); }

void TqzCustomEditListBox::SetItemCount(Integer n) {
    TStrings* items = GetItems();
    if (items->GetCount() == n) return;
    items->BeginUpdate();
    try {
        while (items->GetCount() < n)
            items->Add(String());
        while (items->GetCount() > n)
            items->Delete(items->GetCount() - 1);
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    items->EndUpdate();
}

void TqzCustomEditListBox::NotifySelectionChanged() {
    UpdateOverlayScrollBars();
    if (OnSelectionChanged) OnSelectionChanged(this);
}

TqzCustomTextEdit* TqzCustomEditListBox::GetEdit() {
    for (TComponent* owner = GetOwner(); owner; owner = owner->GetOwner())
        if (auto* edit = dynamic_cast<TqzCustomTextEdit*>(owner)) return edit;
    return nullptr;
}

void TqzCustomEditListBox::DrawItem(Integer index, TRect rect, TOwnerDrawState state) {
    if (DoDrawItem(index, rect, state)) return;
    TCanvas* canvas = GetCanvas();
    canvas->FillRect(rect);
    if (index < 0 || index >= GetItems()->GetCount()) return;
    const String text = GetItemText(index);
    RECT r{rect.left + 2, rect.top, rect.right - 2, rect.bottom};
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (IsRightToLeft()) flags |= DT_RIGHT | DT_RTLREADING;
    DrawTextA(canvas->GetHandle(), text.c_str(), Integer(text.size()), &r, flags);
}

void TqzCustomEditListBox::MeasureItem(Integer, Integer& height) { height = GetListItemHeight(-1); }

void TqzCustomEditListBox::Click() {
    inherited::Click();
    NotifySelectionChanged();
}

bool TqzCustomEditListBox::DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    if (inherited::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    UINT lines = 0;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == 0) return false;
    for (UINT i = 0; i < lines; ++i)
        SendMessageA(GetHandle(), WM_VSCROLL, wheelDelta > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    if (IsShown()) CallWindowProcA(GetDefWndProc(), GetHandle(), WM_SETFOCUS, 0, 0);
    return true;
}

void TqzCustomEditListBox::MouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::MouseMove(shift, x, y);
    if (!TracksMouse || (HandleAllocated() && GetCapture() == GetHandle())) return;
    const Integer index = ItemAtPos(POINT{x, y}, false);
    if (index != -1 && index < GetItems()->GetCount() && index != GetItemIndex()) SetItemIndex(index);
}
