#include "suite/data/qzLookupEdit.h"

#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"
#include "suite/data/qzDataUtils.h"

namespace {

const bool kLookupEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomLookupEditLookupData>();
    RegisterInterfacedPersistentClass<TqzCustomLookupEditProperties>();
    return true;
}();

Integer KeyAsRecord(const Variant& key) {
    if (VarIsNull(key) || VarIsEmpty(key)) return -1;
    try {
        return key.AsInteger();
    } catch (const EVariantError&) {
        return -1;
    }
}

} // namespace

// ---- Lock ------------------------------------------------------------------------------------

TqzLookupDataLock::TqzLookupDataLock(TqzCustomLookupEditProperties* properties) : FProperties(properties) {
    if (FProperties) ++FProperties->LookupDataLock;
}

TqzLookupDataLock::~TqzLookupDataLock() {
    if (FProperties) --FProperties->LookupDataLock;
}

namespace {

// The properties' list notification lock for a scope.
class TListNotifyLock {
public:
    explicit TListNotifyLock(TqzCustomLookupEditProperties* properties) : FProperties(properties) {
        FProperties->BeginListNotifyLock();
    }
    ~TListNotifyLock() noexcept(false) { FProperties->EndListNotifyLock(); }
    TListNotifyLock(const TListNotifyLock&) = delete;
    TListNotifyLock& operator=(const TListNotifyLock&) = delete;

private:
    TqzCustomLookupEditProperties* FProperties;
};

} // namespace

// ---- Lookup data -----------------------------------------------------------------------------

TqzCustomLookupEditLookupData::TqzCustomLookupEditLookupData(TPersistent* owner)
    : TqzCustomTextEditLookupData(owner), SelectedKey(Null()) {}

TqzCustomLookupEdit* TqzCustomLookupEditLookupData::GetOwnerEdit() const {
    return dynamic_cast<TqzCustomLookupEdit*>(FEdit);
}

TqzCustomLookupEditProperties* TqzCustomLookupEditLookupData::GetProperties() const {
    return FEdit ? dynamic_cast<TqzCustomLookupEditProperties*>(FEdit->GetActiveProperties()) : nullptr;
}

TqzCustomDataController* TqzCustomLookupEditLookupData::GetDataController() const {
    TqzCustomLookupEditProperties* properties = GetProperties();
    return properties ? properties->GetListDataController() : nullptr;
}

Integer TqzCustomLookupEditLookupData::GetListIndex() const {
    TqzCustomLookupEditProperties* properties = GetProperties();
    return properties ? properties->GetListIndex() : -1;
}

Integer TqzCustomLookupEditLookupData::GetFocusedRecord() const {
    TqzCustomDataController* controller = GetDataController();
    return controller ? controller->GetFocusedRecordIndex() : -1;
}

void TqzCustomLookupEditLookupData::LockProperties() {
    if (TqzCustomLookupEditProperties* properties = GetProperties()) ++properties->LookupDataLock;
}

void TqzCustomLookupEditLookupData::UnlockProperties() {
    if (TqzCustomLookupEditProperties* properties = GetProperties()) --properties->LookupDataLock;
}

void TqzCustomLookupEditLookupData::ShowFocusedRowSelected(bool value) {
    if (TqzCustomDataController* controller = GetDataController()) controller->SetFocusedRowSelected(value);
}

bool TqzCustomLookupEditLookupData::CanResizeList(TSize& size, const TSize& limit) {
    if (limit.cy > 0 && limit.cy < size.cy) size.cy = limit.cy;
    TqzCustomLookupEditProperties* properties = GetProperties();
    if (properties && properties->CanResizeListHeight()) size.cy = properties->FitListHeight(size.cy);
    return true;
}

void TqzCustomLookupEditLookupData::ResetListSelection() {
    TqzCustomLookupEditProperties* properties = GetProperties();
    if (!properties) return;
    TqzLookupDataLock lock(properties);
    ResetIncrementalFilter();
    const bool wasVisible = ListVisible;
    ListVisible = false;
    properties->SetListHandlers(TNotifyEvent(), TNotifyEvent(), TqzLookupGridCloseUpHandler());
    properties->ListHiding();
    properties->ListClosed();
    // Only the lock the drop-down took is given back.
    if (wasVisible) properties->EndListNotifyLock();
}

void TqzCustomLookupEditLookupData::ReleaseList() {
    if (TqzCustomLookupEditProperties* properties = GetProperties()) properties->DetachList();
}

void TqzCustomLookupEditLookupData::NotifyDropDown() {
    TqzCustomLookupEditProperties* properties = GetProperties();
    if (!properties) return;
    TqzLookupDataLock lock(properties);
    if (!ListVisible) properties->BeginListNotifyLock();
    properties->BeforeListShow();
    properties->SetListHandlers(MakeEvent(this, &TqzCustomLookupEditLookupData::HandleListSelect),
                                MakeEvent(this, &TqzCustomLookupEditLookupData::HandleListEvent),
                                TqzLookupGridCloseUpHandler(this, &TqzCustomLookupEditLookupData::HandleListCloseUp));
    if (TqzCustomLookupEdit* edit = GetOwnerEdit()) {
        TqzContainerStyle* style = edit->GetActiveStyle();
        properties->ApplyListAppearance(edit->GetPopupLookAndFeel(), style->GetColor(), style->GetFont());
    }
    properties->ListShowing();
    ListVisible = true;
    SyncListWithKey();
    SyncWithText();
}

bool TqzCustomLookupEditLookupData::ContainsText(const String& text) {
    TqzCustomLookupEditProperties* properties = GetProperties();
    return properties && properties->IsLookupText(text);
}

TWinControl* TqzCustomLookupEditLookupData::GetActiveControl() {
    TqzCustomLookupEditProperties* properties = GetProperties();
    return properties ? properties->GetListControl() : nullptr;
}

String TqzCustomLookupEditLookupData::GetKeyText(const Variant& key) {
    TqzCustomLookupEditProperties* properties = GetProperties();
    return properties ? properties->GetDisplayText(key) : String();
}

TSize TqzCustomLookupEditLookupData::GetListPreferredSize() {
    TqzCustomLookupEditProperties* properties = GetProperties();
    if (!properties) return TSize{0, 0};
    Integer rows = properties->GetDropDownRows();
    if (TqzCustomDataController* controller = GetDataController())
        rows = std::min(rows, controller->GetRowCount());
    return TSize{properties->GetListWidth(), properties->GetListHeightForRows(std::max(rows, 1))};
}

void TqzCustomLookupEditLookupData::MoveCurrent(Integer direction, bool cycle) {
    TqzCustomDataController* controller = GetDataController();
    if (!controller || controller->GetRowCount() == 0) return;
    TqzCustomLookupEditProperties* properties = GetProperties();
    TqzLookupDataLock lock(properties);
    ResetIncrementalFilter();
    UpdateDropDownHeight();
    TListNotifyLock notifyLock(properties);
    if (direction >= qzlmNext) SyncListWithKey();
    const Integer page = properties->GetDropDownRows();
    switch (direction) {
    case qzlmFirst: controller->GotoFirst(); break;
    case qzlmLast: controller->GotoLast(); break;
    case qzlmNext:
        if (cycle && controller->IsEOF())
            controller->GotoFirst();
        else
            controller->GotoNext();
        break;
    case qzlmPrior:
        if (cycle && controller->IsBOF())
            controller->GotoLast();
        else
            controller->GotoPrev();
        break;
    case qzlmPageUp:
        if (cycle && controller->IsBOF())
            controller->GotoLast();
        else
            controller->MoveBy(-page);
        break;
    case qzlmPageDown:
        if (cycle && controller->IsEOF())
            controller->GotoFirst();
        else
            controller->MoveBy(page);
        break;
    default: break;
    }
    SetCurrentKeyFromRecord(controller->GetFocusedRecordIndex());
    if (controller->GetFocusedRecordIndex() != -1) ShowFocusedRowSelected(true);
    FireSelectItem();
}

TWinControl* TqzCustomLookupEditLookupData::InitializeList(TWinControl* parent) {
    TWinControl* list = GetActiveControl();
    if (list) list->SetParent(parent);
    return list;
}

bool TqzCustomLookupEditLookupData::IsEmpty() {
    TqzCustomDataController* controller = GetDataController();
    return !(GetListIndex() != -1 && controller && controller->GetRecordCount() > 0);
}

bool TqzCustomLookupEditLookupData::IsMouseOverList(const TPoint& screenPoint) {
    TWinControl* list = GetActiveControl();
    if (!list) return false;
    return GetProperties()->IsPointOnListRow(list->ScreenToClient(screenPoint));
}

bool TqzCustomLookupEditLookupData::Locate(String& text, String& tail, bool) {
    TqzCustomLookupEditProperties* properties = GetProperties();
    TqzCustomDataController* controller = GetDataController();
    const Integer listIndex = GetListIndex();
    if (!properties || !controller || listIndex == -1) return false;
    TqzLookupDataLock lock(properties);
    Integer record;
    if (ListVisible && properties->UsesIncrementalFiltering()) {
        if (!text.empty()) {
            const String remembered = controller->GetIncrementalFilterText();
            record = controller->SetIncrementalFilter(listIndex, text);
            // Unless the list takes any text, it keeps its last non-empty content.
            if (record == -1 && properties->GetDropDownListStyle() != lsEditList) {
                if (remembered.empty())
                    controller->ResetIncrementalFilter();
                else
                    controller->SetIncrementalFilter(listIndex, remembered);
            }
        } else {
            controller->ResetIncrementalFilter();
            record = properties->FindByText(listIndex, text, true);
        }
        UpdateDropDownHeight();
    } else {
        record = properties->FindByText(listIndex, text, true);
    }
    if (record == -1) {
        ShowFocusedRowSelected(false);
        return false;
    }
    controller->ChangeFocusedRecordIndex(record);
    SetCurrentKeyFromRecord(record);
    const String found = controller->GetDisplayText(record, listIndex);
    const Integer typed = Utf8Length(text);
    text = Utf8Copy(found, 1, typed);
    tail = Utf8Copy(found, typed + 1, std::max<Integer>(0, Utf8Length(found) - typed));
    ShowFocusedRowSelected(true);
    return true;
}

void TqzCustomLookupEditLookupData::SetListBounds(const TRect& bounds) {
    TWinControl* list = GetActiveControl();
    if (!list) return;
    list->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    list->HandleNeeded();
    GetProperties()->MakeListFocusVisible();
}

void TqzCustomLookupEditLookupData::CommitListSelection() {
    if (!IsFocusedRowSelected()) return;
    SetCurrentKeyFromRecord(GetFocusedRecord());
    FireSelectItem();
}

void TqzCustomLookupEditLookupData::SelectKey(const Variant& key) {
    SelectedKey = key;
    SyncListWithKey();
}

void TqzCustomLookupEditLookupData::SyncWithEditText() {
    TqzCustomLookupEdit* edit = GetOwnerEdit();
    if (!edit || !edit->HasOpenPopup()) return;
    TqzLookupDataLock lock(GetProperties());
    SyncWithText();
}

void TqzCustomLookupEditLookupData::FireCurrentKeyChanged() { OnCurrentKeyChanged(this); }

void TqzCustomLookupEditLookupData::FireSelectItem() { OnSelectItem(this); }

void TqzCustomLookupEditLookupData::SetCurrentKeyFromRecord(Integer recordIndex) {
    SelectedKey = Variant(recordIndex);
}

void TqzCustomLookupEditLookupData::FocusCurrentKeyRecord() {
    if (TqzCustomDataController* controller = GetDataController())
        controller->ChangeFocusedRecordIndex(KeyAsRecord(SelectedKey));
}

void TqzCustomLookupEditLookupData::HandleListSelect(TObject*) { CommitListSelection(); }

void TqzCustomLookupEditLookupData::HandleListCloseUp(TObject*, bool accept) {
    if (TqzCustomLookupEdit* edit = GetOwnerEdit()) edit->CloseUp(accept ? qzcrAccept : qzcrCancel);
}

bool TqzCustomLookupEditLookupData::IsFocusedRowSelected() {
    TqzCustomDataController* controller = GetDataController();
    return controller && controller->GetSelectedCount() == 1 &&
           controller->GetSelectedRowIndex(0) == controller->GetFocusedRowIndex();
}

bool TqzCustomLookupEditLookupData::LocateExactText(const String& text) {
    TqzCustomLookupEditProperties* properties = GetProperties();
    TqzCustomDataController* controller = GetDataController();
    const Integer listIndex = GetListIndex();
    if (!properties || !controller || listIndex == -1) return false;
    const Integer record = properties->FindByText(listIndex, text, false);
    if (record == -1) {
        ShowFocusedRowSelected(false);
        return false;
    }
    controller->ChangeFocusedRecordIndex(record);
    SetCurrentKeyFromRecord(record);
    ShowFocusedRowSelected(true);
    return true;
}

void TqzCustomLookupEditLookupData::ResetIncrementalFilter() {
    if (TqzCustomDataController* controller = GetDataController()) controller->ResetIncrementalFilter();
}

void TqzCustomLookupEditLookupData::SyncListWithKey() {
    FocusCurrentKeyRecord();
    if (TqzCustomLookupEditProperties* properties = GetProperties()) properties->MakeListFocusVisible();
}

void TqzCustomLookupEditLookupData::SyncWithText() {
    TqzCustomLookupEditProperties* properties = GetProperties();
    if (!properties || properties->ChangeGuard) return;
    TqzCustomDataController* controller = GetDataController();
    const Integer listIndex = GetListIndex();
    const String text = FEdit ? FEdit->GetText() : String();
    if (ListVisible && properties->UsesIncrementalFiltering() && controller && controller->IsIncrementalFiltering() &&
        text != controller->GetIncrementalFilterText()) {
        controller->SetIncrementalFilter(listIndex, text);
        UpdateDropDownHeight();
    }
    if (!controller) return;
    bool found = false;
    if (listIndex != -1) {
        const Integer focused = controller->GetFocusedRecordIndex();
        if (ListVisible && focused != -1 &&
            SameTextOrPrefix(controller->GetDisplayText(focused, listIndex), text, false)) {
            found = true;
        } else {
            const Integer record = properties->FindByText(listIndex, text, false);
            if (record != -1) {
                controller->ChangeFocusedRecordIndex(record);
                SetCurrentKeyFromRecord(record);
                found = true;
            }
        }
    }
    ShowFocusedRowSelected(found);
}

void TqzCustomLookupEditLookupData::UpdateDropDownHeight() {
    TqzCustomLookupEdit* edit = GetOwnerEdit();
    TqzCustomDataController* controller = GetDataController();
    if (!ListVisible || !edit || !edit->HasOpenPopup() || !controller) return;
    TqzCustomLookupEditProperties* properties = GetProperties();
    const Integer rows = std::min(controller->GetRowCount(), properties->GetDropDownRows());
    const Integer wanted = properties->GetListHeightForRows(std::max(rows, 1));
    TWinControl* list = properties->GetListControl();
    if (!list || list->GetClientHeight() == wanted) return;
    if (!edit->GetUserSized()) edit->ResetPopupHeight();
    edit->PreparePopupWindow();
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomLookupEditProperties::TqzCustomLookupEditProperties(TPersistent* owner)
    : TqzCustomComboBoxProperties(owner) {
    SetPopupHeight(0);
    SetPopupWidth(0);
    SetDropDownListStyle(lsEditFixedList);
    SetPopupAutoSize(false);
    SetPopupSizeable(false);
}

void TqzCustomLookupEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomLookupEditProperties*>(source);
    if (!other) {
        TqzCustomComboBoxProperties::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        TqzCustomComboBoxProperties::Assign(source);
        if (!IsDefinedByLookupField()) SetListFieldIndex(other->GetListFieldIndex());
        IncrementalFiltering = other->IncrementalFiltering;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomLookupEditProperties::GetContainerClass() const { return TqzCustomLookupEdit::StaticClass(); }

Integer TqzCustomLookupEditProperties::GetSupportedOperations() {
    Integer operations = TqzCustomComboBoxProperties::GetSupportedOperations();
    if (GetEditValueSource(false) == 0) operations |= 4096;
    return operations;
}

void TqzCustomLookupEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                        bool editing) {
    if (IsKeyTheListField() || (IsDefinedByLookupField() && !editing))
        TqzCustomComboBoxProperties::PrepareDisplayValue(editValue, displayValue, editing);
    else
        displayValue = Variant(GetDisplayText(editValue));
}

bool TqzCustomLookupEditProperties::IsLookupText(const String& text) {
    const Integer listIndex = GetListIndex();
    return listIndex != -1 && GetListDataController() && FindByText(listIndex, text, false) != -1;
}

TClass TqzCustomLookupEditProperties::GetLookupDataClass() const {
    return TqzCustomLookupEditLookupData::StaticClass();
}

bool TqzCustomLookupEditProperties::IsLookupNavigationKey(Word key, TShiftState shift) {
    switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN: return !shift.Contains(ssAlt);
    case VK_END:
    case VK_HOME: return shift.Contains(ssCtrl);
    default: return false;
    }
}

void TqzCustomLookupEditProperties::UnhookListDataController() {
    if (TqzCustomDataController* controller = GetListDataController())
        controller->RemoveDataChangedListener(this, MakeEvent(this, &TqzCustomLookupEditProperties::ListDataChanged));
}

void TqzCustomLookupEditProperties::HookListDataController() {
    if (TqzCustomDataController* controller = GetListDataController())
        controller->AddDataChangedListener(this, MakeEvent(this, &TqzCustomLookupEditProperties::ListDataChanged));
}

Integer TqzCustomLookupEditProperties::FindByText(Integer item, const String& text, bool partial) {
    TqzCustomDataController* controller = GetListDataController();
    return controller ? controller->FindRowByText(0, item, true, false, partial, text) : -1;
}

Integer TqzCustomLookupEditProperties::GetListIndex() {
    const Integer index = GetListFieldIndex();
    const Integer count = GetListColumnCount();
    return index < count ? index : count - 1;
}

void TqzCustomLookupEditProperties::ListDataChanged(TObject*) {
    if (ChangeGuard || LookupDataLock != 0 || IsListNotifyLocked()) return;
    ChangeGuard = true;
    try {
        Changed();
    } catch (...) {
        ChangeGuard = false;
        throw;
    }
    ChangeGuard = false;
}

bool TqzCustomLookupEditProperties::IsListNotifyLocked() {
    TqzCustomDataController* controller = GetListDataController();
    return controller && (FListNotifyLock > 0 || controller->IsGridModeNotifyLocked());
}

void TqzCustomLookupEditProperties::BeginListNotifyLock() {
    if (GetListDataController()) ++FListNotifyLock;
}

void TqzCustomLookupEditProperties::EndListNotifyLock() {
    if (FListNotifyLock > 0) --FListNotifyLock;
}

void TqzCustomLookupEditProperties::SetListFieldIndex(Integer value) {
    if (value > GetListColumnCount() - 1) value = GetListColumnCount() - 1;
    if (value < 0) value = 0;
    if (value == ListFieldIndex) return;
    ListFieldIndex = value;
    Changed();
}

void TqzCustomLookupEditProperties::AdjustListFieldIndex() {
    if (ListFieldIndex >= GetListColumnCount()) SetListFieldIndex(GetListColumnCount() - 1);
}

void TqzCustomLookupEditProperties::DetachList() {
    if (TWinControl* list = GetListControl()) list->SetParent(nullptr);
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomLookupEdit::TqzCustomLookupEdit(TComponent* owner) : TqzCustomLookupEdit(owner, false) {}

TqzCustomLookupEdit::TqzCustomLookupEdit(TComponent* owner, bool isInplace)
    : TqzCustomLookupEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomLookupEdit::TqzCustomLookupEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomComboBox(owner, isInplace, true) {}

void TqzCustomLookupEdit::Initialize() {
    TqzCustomComboBox::Initialize();
    SetWidth(145);
}

TqzCustomLookupEditProperties* TqzCustomLookupEdit::GetActiveLookupProperties() {
    return dynamic_cast<TqzCustomLookupEditProperties*>(GetActiveProperties());
}

TqzCustomLookupEditLookupData* TqzCustomLookupEdit::GetLookupEditData() const {
    return dynamic_cast<TqzCustomLookupEditLookupData*>(GetLookupData());
}

void TqzCustomLookupEdit::BeginPosting() {
    if (TqzCustomLookupEditProperties* properties = GetActiveLookupProperties()) ++properties->LookupDataLock;
    TqzCustomComboBox::BeginPosting();
}

void TqzCustomLookupEdit::EndPosting() {
    TqzCustomComboBox::EndPosting();
    if (TqzCustomLookupEditProperties* properties = GetActiveLookupProperties())
        if (properties->LookupDataLock > 0) --properties->LookupDataLock;
}

void TqzCustomLookupEdit::BeforeRepositoryItemChange() {
    if (TqzCustomLookupEditProperties* properties = GetActiveLookupProperties()) properties->DetachList();
}

void TqzCustomLookupEdit::SynchronizeDisplayValue() {
    const TLivenessToken alive = LivenessToken();
    TqzCustomComboBox::SynchronizeDisplayValue();
    if (alive && HasOpenPopup())
        if (TqzCustomLookupEditLookupData* lookup = GetLookupEditData()) lookup->SelectKey(GetEditValue());
}

void TqzCustomLookupEdit::DropDown() {
    const TLivenessToken alive = LivenessToken();
    TqzCustomComboBox::DropDown();
    if (!alive) return;
    if (TqzCustomLookupEditLookupData* lookup = GetLookupEditData()) lookup->SelectKey(GetEditValue());
}

void TqzCustomLookupEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    TqzCustomLookupEditProperties* properties = GetActiveLookupProperties();
    TqzCustomLookupEditLookupData* lookup = GetLookupEditData();
    if (!properties || !lookup || properties->IsKeyTheListField()) {
        editValue = displayValue;
        return;
    }
    const Variant key = lookup->GetCurrentKey();
    const String keyText = lookup->GetKeyText(key);
    if (VarSameValue(Variant(keyText), displayValue)) {
        editValue = key;
        return;
    }
    if (lookup->LocateExactText(VarToStr(displayValue)))
        editValue = lookup->GetCurrentKey();
    else
        editValue = properties->GetNullKey();
}

void TqzCustomLookupEdit::GetPopupContentSize(Integer& width, Integer& height) {
    width = height = 0;
    TqzCustomLookupEditLookupData* lookup = GetLookupEditData();
    if (!lookup) return;
    TSize size = lookup->GetListPreferredSize();
    TqzCustomLookupEditProperties* properties = GetActiveLookupProperties();
    if (properties->GetPopupWidth() > 0) size.cx = properties->GetPopupWidth();
    if (properties->GetPopupHeight() > 0) {
        size.cy = properties->GetPopupHeight();
        lookup->CanResizeList(size, TSize{0, 0});
    }
    width = std::max<Integer>(size.cx, GetWidth());
    height = size.cy;
}

KOV_PUBLISHED(TqzCustomLookupEditLookupData) {}
KOV_PUBLISHED(TqzCustomLookupEditProperties) {}
KOV_PUBLISHED(TqzCustomLookupEdit) {}
