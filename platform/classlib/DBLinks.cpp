// Data sources and data links: how controls hear what a data set does.
#include <algorithm>

#include "platform/classlib/DB.h"
#include "platform/classlib/ActnList.h"
#include "platform/runtime/TypInfo.h"

// ---- TDataSource ---------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    Destroying();
    SetDataSet(nullptr);
    while (!FDataLinks.empty())
        FDataLinks.back()->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* value) {
    if (value == FDataSet) return;
    if (IsLinkedTo(value)) DatabaseError(SCircularDataLink, this);
    if (FDataSet != nullptr) {
        TDataSet* old = FDataSet;
        FDataSet = nullptr;
        old->RemoveDataSource(this);
        old->RemoveFreeNotification(this);
    }
    FDataSet = value;
    if (value != nullptr) {
        value->FreeNotification(this);
        value->AddDataSource(this);
    }
    UpdateState();
}

void TDataSource::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (FAutoEdit && FState == dsBrowse && FDataSet != nullptr) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
    for (Integer guard = 0; dataSet != nullptr && guard < 10000; ++guard) {
        TDataSource* source = dataSet->GetDataSource();
        if (source == nullptr) break;
        if (source == this) return true;
        dataSet = source->GetDataSet();
    }
    return false;
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FDataSet) {
        // The data set is going away: it has let go of its sources already, or is about to.
        std::vector<TDataSource*>& sources = FDataSet->FDataSources;
        sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
        FDataSet = nullptr;
        UpdateState();
    }
}

void TDataSource::UpdateState() {
    SetState(FEnabled && FDataSet != nullptr ? FDataSet->GetState() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
    if (value == FState) return;
    const TDataSetState prior = FState;
    FState = value;
    NotifyDataLinks(deUpdateState, 0);
    if (GetComponentState().Contains(csDestroying)) return;
    const TLivenessToken alive = LivenessToken();
    if (OnStateChange) OnStateChange(this);
    if (!alive) return;
    if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent event, TDataEventInfo info) {
    const std::vector<TDataLink*> links = FDataLinks;
    for (TDataLink* link : links) {
        if (std::find(FDataLinks.begin(), FDataLinks.end(), link) == FDataLinks.end()) continue;
        link->DataEvent(event, info);
        // A control that took the focus answers by clearing the field reference.
        if (event == deFocusControl && *reinterpret_cast<TField**>(info) == nullptr) break;
    }
}

void TDataSource::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive) return;
    const TLivenessToken alive = LivenessToken();
    NotifyDataLinks(event, info);
    if (!alive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::AddDataLink(TDataLink* dataLink) {
    FDataLinks.push_back(dataLink);
    dataLink->FDataSource = this;
    if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
    dataLink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* dataLink) {
    dataLink->FDataSource = nullptr;
    FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), dataLink), FDataLinks.end());
    dataLink->UpdateState();
    if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
}

// ---- TDataLink -----------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    FDataSourceFixed = false;
    if (FDataSource != nullptr) {
        TDataSource* source = FDataSource;
        source->FDataLinks.erase(std::remove(source->FDataLinks.begin(), source->FDataLinks.end(), this),
                                 source->FDataLinks.end());
        FDataSource = nullptr;
        if (source->FDataSet != nullptr) source->FDataSet->UpdateBufferCount();
    }
}

void TDataLink::SetDataSource(TDataSource* value) {
    if (value == FDataSource) return;
    if (FDataSourceFixed) DatabaseError(SDataSourceChange, value);
    if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
    if (value != nullptr) value->AddDataLink(this);
}

TDataSet* TDataLink::GetDataSet() const {
    return FDataSource != nullptr ? FDataSource->GetDataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    UpdateState();
}

void TDataLink::SetBufferCount(Integer value) {
    if (value < 1) value = 1;
    if (value == FBufferCount) return;
    FBufferCount = value;
    if (FActive) {
        UpdateRange();
        GetDataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

Integer TDataLink::GetActiveRecord() const {
    if (!FActive || FDataSource->GetState() == dsSetKey) return 0;
    return GetDataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(Integer value) {
    if (!FActive || FDataSource->GetState() == dsSetKey) return;
    GetDataSet()->FActiveRecord = value + FFirstRecord;
}

Integer TDataLink::GetRecordCount() const {
    if (!FActive) return 0;
    if (FDataSource->GetState() == dsSetKey) return 1;
    const Integer count = GetDataSet()->FRecordCount - FFirstRecord;
    return std::max(0, std::min(count, FBufferCount));
}

bool TDataLink::GetBOF() const { return GetDataSet() == nullptr || GetDataSet()->GetBof(); }

bool TDataLink::GetEOF() const { return GetDataSet() == nullptr || GetDataSet()->GetEof(); }

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

bool TDataLink::ExecuteAction(TBasicAction* action) {
    if (action == nullptr || FDataSource == nullptr || !action->HandlesTarget(FDataSource)) return false;
    action->ExecuteTarget(FDataSource);
    return true;
}

bool TDataLink::UpdateAction(TBasicAction* action) {
    if (action == nullptr || FDataSource == nullptr || !action->HandlesTarget(FDataSource)) return false;
    action->UpdateTarget(FDataSource);
    return true;
}

Integer TDataLink::MoveBy(Integer distance) {
    return GetDataSet() == nullptr ? 0 : GetDataSet()->MoveBy(distance);
}

void TDataLink::UpdateState() {
    SetActive(FDataSource != nullptr && FDataSource->GetState() != dsInactive);
    SetEditing(FActive && !FReadOnly && IsEditMode(FDataSource->GetState()));
}

void TDataLink::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (value)
        UpdateRange();
    else
        FFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == FEditing) return;
    FEditing = value;
    EditingChanged();
}

// Keeps the data set's active row inside this window and the window inside the buffers.
void TDataLink::UpdateRange() {
    const TDataSet* dataSet = GetDataSet();
    Integer low = dataSet->FActiveRecord - FBufferCount + 1;
    if (low < 0) low = 0;
    Integer high = dataSet->FBufferCount - FBufferCount;
    if (high < 0) high = 0;
    if (high > dataSet->FActiveRecord) high = dataSet->FActiveRecord;
    if (FFirstRecord < low) FFirstRecord = low;
    if (FFirstRecord > high) FFirstRecord = high;
}

void TDataLink::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        // The window first follows the buffers' shift (info), then moves just far enough to
        // keep the active row inside; that last move is what the link is told.
        Integer count = 0;
        if (FDataSource->GetState() != dsSetKey) {
            const Integer active = GetDataSet()->FActiveRecord;
            const Integer first = FFirstRecord + (event == deDataSetScroll ? Integer(info) : 0);
            const Integer last = first + FBufferCount - 1;
            if (active > last)
                count = active - last;
            else if (active < first)
                count = active - first;
            FFirstRecord = first + count;
        }
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(*reinterpret_cast<TField**>(info));
        break;
    default:
        break;
    }
}

void TDataLink::DataSetChanged() { RecordChanged(nullptr); }

void TDataLink::DataSetScrolled(Integer) { DataSetChanged(); }

void TDataLink::LayoutChanged() { DataSetChanged(); }

// ---- TFieldDataLink ------------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const String& value) {
    if (value == FFieldName) return;
    FFieldName = value;
    UpdateField();
}

void TFieldDataLink::SetField(TField* value) {
    if (value == FField) return;
    FField = value;
    SetFieldEditing(TDataLink::GetEditing() && GetCanModify());
    RecordChanged(nullptr);
}

void TFieldDataLink::UpdateField() {
    TField* field = nullptr;
    if (GetActive() && !FFieldName.empty()) field = GetDataSet()->FieldByName(FFieldName);
    SetField(field);
}

void TFieldDataLink::SetFieldEditing(bool value) {
    if (value == FEditing) return;
    FEditing = value;
    FModified = false;
    if (OnEditingChange) OnEditingChange(this);
}

bool TFieldDataLink::GetCanModify() const {
    return !GetReadOnly() && FField != nullptr && FField->GetCanModify();
}

bool TFieldDataLink::Edit() {
    if (GetCanModify()) TDataLink::Edit();
    return FEditing;
}

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() { SetFieldEditing(TDataLink::GetEditing() && GetCanModify()); }

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
    if (field == nullptr || field == FField) {
        if (OnDataChange) OnDataChange(this);
        FModified = false;
    }
}

void TFieldDataLink::UpdateData() {
    if (!FModified) return;
    if (FField != nullptr && OnUpdateData) OnUpdateData(this);
    FModified = false;
}

// ---- Registration --------------------------------------------------------------------------------

namespace {

struct TDataSourceRegistration {
    TDataSourceRegistration() {
        RegisterTypeName<TDataChangeEvent>("TDataChangeEvent");
        RegisterClass(TDataSource::StaticClass());
    }
};
const TDataSourceRegistration DataSourceRegistration;

} // namespace

KOV_PUBLISHED(TDataSource) {
    Property("AutoEdit", &TDataSource::GetAutoEdit, &TDataSource::SetAutoEdit).Default(true);
    Property("DataSet", &TDataSource::GetDataSet, &TDataSource::SetDataSet);
    Property("Enabled", &TDataSource::GetEnabled, &TDataSource::SetEnabled).Default(true);
    Property("OnDataChange", &TDataSource::OnDataChange);
    Property("OnStateChange", &TDataSource::OnStateChange);
    Property("OnUpdateData", &TDataSource::OnUpdateData);
}
