#include "report/pvrDBSet.h"

#include "platform/runtime/Format.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "report/pvrRes.h"
#include "report/pvrUnicodeUtils.h"

TpvrDBDataset::TpvrDBDataset(TComponent* owner) : TpvrCustomDBDataSet(owner) {}

TpvrDBDataset::~TpvrDBDataset() {
    // A run that did not finish leaves the data set's own handlers in place again.
    if (FHooked && FEffectiveDataSet) {
        FEffectiveDataSet->AfterOpen = FSavedAfterOpen;
        FEffectiveDataSet->BeforeClose = FSavedBeforeClose;
    }
}

void TpvrDBDataset::SetDataSet(TDataSet* value) {
    FDataSet = value;
    if (value) {
        FDataSource = nullptr;
        value->FreeNotification(this);
    }
    UpdateEffectiveDataSet();
}

void TpvrDBDataset::SetDataSource(TDataSource* value) {
    FDataSource = value;
    if (value) {
        FDataSet = nullptr;
        value->FreeNotification(this);
    }
    UpdateEffectiveDataSet();
}

void TpvrDBDataset::UpdateEffectiveDataSet() {
    FEffectiveDataSet = FDataSet ? FDataSet : FDataSource ? FDataSource->GetDataSet() : nullptr;
}

bool TpvrDBDataset::IsActive() const { return FEffectiveDataSet && FEffectiveDataSet->GetActive(); }

bool TpvrDBDataset::IsDataSetStored() const { return dynamic_cast<TpvrReport*>(GetOwner()) == nullptr; }

void TpvrDBDataset::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove) return;
    if (FDataSource && component == FDataSource) SetDataSource(nullptr);
    if (FDataSet && component == FDataSet) SetDataSet(nullptr);
    if (FEffectiveDataSet && component == FEffectiveDataSet) {
        FHooked = false;
        FEffectiveDataSet = nullptr;
    }
}

void TpvrDBDataset::Initialize() {
    UpdateEffectiveDataSet();
    if (!FEffectiveDataSet) throw Exception(Format(GetResources()->Get("dbNotConn"), {GetName()}));
    if (!FHooked) {
        FSavedAfterOpen = FEffectiveDataSet->AfterOpen;
        FSavedBeforeClose = FEffectiveDataSet->BeforeClose;
        FEffectiveDataSet->AfterOpen = MakeEvent(this, &TpvrDBDataset::DataSetAfterOpen);
        FEffectiveDataSet->BeforeClose = MakeEvent(this, &TpvrDBDataset::DataSetBeforeClose);
        FHooked = true;
    }
    AtRangeEnd = false;
    Opened = false;
}

void TpvrDBDataset::Finalize() {
    if (!FEffectiveDataSet) return;
    if (!RangeBookmark.empty()) {
        if (FEffectiveDataSet->GetActive()) FEffectiveDataSet->GotoBookmark(RangeBookmark);
        FEffectiveDataSet->FreeBookmark(RangeBookmark);
    }
    if (CloseDataSource) Close();
    if (FHooked) {
        FEffectiveDataSet->AfterOpen = FSavedAfterOpen;
        FEffectiveDataSet->BeforeClose = FSavedBeforeClose;
        FHooked = false;
    }
    FSavedAfterOpen = nullptr;
    FSavedBeforeClose = nullptr;
    Opened = false;
}

void TpvrDBDataset::Open() {
    if (Opened) return;
    Opened = true;
    UpdateEffectiveDataSet();
    if (!FEffectiveDataSet) return;
    FEffectiveDataSet->Open();
    AfterOpenStep();
    if (RangeBegin == rbCurrent || RangeEnd == reCurrent)
        RangeBookmark = FEffectiveDataSet->GetBookmark();
    else
        RangeBookmark.clear();
    TpvrDataSet::Open();
}

void TpvrDBDataset::Close() {
    TpvrDataSet::Close();
    BeforeCloseStep();
    if (FEffectiveDataSet) FEffectiveDataSet->Close();
}

void TpvrDBDataset::EnsureOpened() {
    if (!Opened) Open();
}

void TpvrDBDataset::AfterOpenStep() {
    TStringList* map = GetFieldMap();
    map->Clear();
    TStringList names;
    GetFieldList(&names);
    for (Integer i = 0; i < names.GetCount(); ++i) {
        const String name = names.GetStrings(i);
        TField* field = FEffectiveDataSet ? FEffectiveDataSet->FindField(FieldNameOfAlias(name)) : nullptr;
        map->AddObject(name, field);
    }
}

void TpvrDBDataset::BeforeCloseStep() {
    RangeBookmark.clear();
    Opened = false;
}

void TpvrDBDataset::DataSetAfterOpen(TDataSet* dataSet) {
    AfterOpenStep();
    if (FSavedAfterOpen) FSavedAfterOpen(dataSet);
}

void TpvrDBDataset::DataSetBeforeClose(TDataSet* dataSet) {
    if (FSavedBeforeClose) FSavedBeforeClose(dataSet);
    BeforeCloseStep();
}

void TpvrDBDataset::First() {
    EnsureOpened();
    if (FEffectiveDataSet) {
        if (RangeBegin == rbCurrent && !RangeBookmark.empty())
            FEffectiveDataSet->GotoBookmark(RangeBookmark);
        else
            FEffectiveDataSet->First();
    }
    AtRangeEnd = false;
    TpvrDataSet::First();
}

void TpvrDBDataset::Next() {
    EnsureOpened();
    AtRangeEnd = false;
    if (!FEffectiveDataSet) return;
    if (RangeEnd == reCurrent &&
        FEffectiveDataSet->CompareBookmarks(FEffectiveDataSet->GetBookmark(), RangeBookmark) == 0) {
        AtRangeEnd = true;
        return;
    }
    FEffectiveDataSet->Next();
    TpvrDataSet::Next();
}

void TpvrDBDataset::Prior() {
    EnsureOpened();
    if (FEffectiveDataSet) FEffectiveDataSet->Prior();
    TpvrDataSet::Prior();
}

bool TpvrDBDataset::Eof() {
    EnsureOpened();
    return TpvrDataSet::Eof() || !FEffectiveDataSet || FEffectiveDataSet->Eof() || AtRangeEnd;
}

void TpvrDBDataset::GetFieldList(TStrings* list) {
    list->Clear();
    TStrings* aliases = GetFieldAliases();
    if (aliases->GetCount() > 0) {
        for (Integer i = 0; i < aliases->GetCount(); ++i) {
            const String line = aliases->GetStrings(i);
            const std::size_t eq = line.find('=');
            const String field = line.substr(0, eq);
            if (!field.empty() && field[0] == '-') continue;
            list->Add(eq == String::npos ? field : line.substr(eq + 1));
        }
        return;
    }
    if (!FEffectiveDataSet) return;
    try {
        FEffectiveDataSet->GetFieldNames(list);
    } catch (const Exception&) {
        // The list stays as far as it got.
    }
}

TField* TpvrDBDataset::MappedField(const String& name, bool& found) const {
    Integer index = 0;
    found = GetFieldMap()->Find(name, index);
    return found ? dynamic_cast<TField*>(GetFieldMap()->GetObjects(index)) : nullptr;
}

String TpvrDBDataset::MissingFieldText(const String& name) const {
    return GetResources()->Get("dbFldNotFound") + " " + GetUserName() + ".\"" + name + "\"";
}

void TpvrDBDataset::AddMissingFieldError(const String& name) {
    if (!Report) return;
    Report->GetErrors()->Add(Report->CurObject + ": " + MissingFieldText(name));
}

Variant TpvrDBDataset::GetValue(const String& field) {
    EnsureOpened();
    bool found = false;
    TField* f = MappedField(field, found);
    if (!found || !f) {
        // A name of the field list whose field is missing reads as a missing field.
        AddMissingFieldError(field);
        return Null();
    }
    if (f->GetDataType() == ftFMTBcd) return Variant(f->GetAsCurrency());
    return f->GetAsVariant();
}

WideString TpvrDBDataset::GetDisplayText(const String& field) {
    EnsureOpened();
    if (!IsActive()) return StringToWide(GetUserName() + ".\"" + field + "\"");
    if (GetFieldMap()->GetCount() == 0)
        return StringToWide(FEffectiveDataSet->FieldByName(field)->GetDisplayText());
    bool found = false;
    TField* f = MappedField(field, found);
    if (!found || !f) {
        AddMissingFieldError(field);
        return StringToWide(MissingFieldText(field));
    }
    if (f->GetDataType() == ftWideString) return StringToWide(VarToStr(f->GetAsVariant()));
    return StringToWide(f->GetDisplayText());
}

Integer TpvrDBDataset::GetDisplayWidth(const String& field) {
    if (!FEffectiveDataSet) return 10;
    const String name = FieldNameOfAlias(field);
    if (TField* f = FEffectiveDataSet->FindField(name)) return f->GetDisplayWidth();
    TFieldDefs* defs = FEffectiveDataSet->GetFieldDefs();
    try {
        defs->Update();
    } catch (const Exception&) {
    }
    TFieldDef* def = defs->Find(name);
    if (!def) return 10;
    switch (def->GetDataType()) {
    case ftString:
    case ftWideString:
        return def->GetSize();
    case ftDateTime:
        return 20;
    case ftLargeint:
        return 15;
    default:
        return 10;
    }
}

TpvrFieldType TpvrDBDataset::GetFieldType(const String& field) {
    if (!FEffectiveDataSet) return fftNumeric;
    TField* f = FEffectiveDataSet->FindField(FieldNameOfAlias(field));
    if (!f) return fftNumeric;
    switch (f->GetDataType()) {
    case ftString:
    case ftMemo:
    case ftWideString:
        return fftString;
    case ftBoolean:
        return fftBoolean;
    default:
        return fftNumeric;
    }
}

bool TpvrDBDataset::IsBlobField(const String& field) {
    EnsureOpened();
    bool found = false;
    TField* f = MappedField(field, found);
    return found && f && f->GetIsBlob();
}

Integer TpvrDBDataset::RecordCount() {
    EnsureOpened();
    return FEffectiveDataSet ? FEffectiveDataSet->GetRecordCount() : 0;
}

void TpvrDBDataset::AssignBlobTo(const String& field, TObject* target) {
    EnsureOpened();
    bool found = false;
    auto* blob = dynamic_cast<TBlobField*>(MappedField(field, found));
    if (!blob) return;
    if (auto* wide = dynamic_cast<TWideStrings*>(target)) {
        TMemoryStream stream;
        blob->SaveToStream(&stream);
        stream.SetPosition(0);
        TStringList lines;
        lines.LoadFromStream(&stream);
        wide->Assign(&lines);
    } else if (auto* stream = dynamic_cast<TStream*>(target)) {
        blob->SaveToStream(stream);
        stream->SetPosition(0);
    }
}

KOV_PUBLISHED(TpvrDBDataset) {
    Property("DataSet", &TpvrDBDataset::GetDataSet, &TpvrDBDataset::SetDataSet)
        .Stored(&TpvrDBDataset::IsDataSetStored);
    Property("DataSource", &TpvrDBDataset::GetDataSource, &TpvrDBDataset::SetDataSource)
        .Stored(&TpvrDBDataset::IsDataSetStored);
}

namespace {
const bool kDBDatasetRegistered = [] {
    RegisterClasses({TpvrDBDataset::StaticClass()});
    return true;
}();
} // namespace
