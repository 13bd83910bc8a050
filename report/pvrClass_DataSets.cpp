// Report data sources, the report's list of them and the process-wide list that resolves names.
#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"

// ---- The global list ---------------------------------------------------------------------------

TpvrGlobalDataSetList* GlobalDataSetList() {
    // Lives as long as the process: data sources freed late (with windows the class library
    // frees at the very end) still find it.
    static TpvrGlobalDataSetList* list = new TpvrGlobalDataSetList();
    return list;
}

TpvrGlobalDataSetList::~TpvrGlobalDataSetList() { delete FLock; }

void TpvrGlobalDataSetList::Lock() {
    if (FShutDown) return;
    if (!FLock) FLock = new TCriticalSection();
    FLock->Enter();
}

void TpvrGlobalDataSetList::Unlock() {
    if (FShutDown || !FLock) return;
    FLock->Leave();
}

void TpvrGlobalDataSetList::Shutdown() { FShutDown = true; }

void TpvrGlobalDataSetList::Add(TpvrDataSet* dataSet) { FItems.push_back(dataSet); }

void TpvrGlobalDataSetList::Remove(TpvrDataSet* dataSet) {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), dataSet), FItems.end());
}

std::vector<TpvrDataSet*> TpvrGlobalDataSetList::Items() {
    Lock();
    std::vector<TpvrDataSet*> items = FItems;
    Unlock();
    return items;
}

TpvrDataSet* TpvrGlobalDataSetList::FindDataSetByName(TpvrDataSet* current, const String& name,
                                                      TpvrReport* report) {
    if (name.empty()) return nullptr;
    if (!report) return current;
    TpvrDataSet* result = current;
    Lock();
    for (TpvrDataSet* candidate : FItems) {
        if (!SameText(candidate->GetUserName(), name)) continue;
        auto* owner = dynamic_cast<TpvrReport*>(candidate->GetOwner());
        if (owner && owner != report) continue;
        result = candidate;
        break;
    }
    Unlock();
    return result;
}

// ---- TpvrDataSet -------------------------------------------------------------------------------

TpvrDataSet::TpvrDataSet(TComponent* owner) : TpvrDialogComponent(owner) {
    Enabled = true;
    OpenDataSource = true;
    RangeBegin = rbFirst;
    RangeEnd = reLast;
    TpvrGlobalDataSetList* list = GlobalDataSetList();
    list->Lock();
    list->Add(this);
    list->Unlock();
}

TpvrDataSet::~TpvrDataSet() {
    TpvrGlobalDataSetList* list = GlobalDataSetList();
    list->Lock();
    list->Remove(this);
    list->Unlock();
}

WideString TpvrDataSet::GetDisplayText(const String&) { return WideString(); }

Integer TpvrDataSet::GetDisplayWidth(const String&) { return 10; }

TpvrFieldType TpvrDataSet::GetFieldType(const String&) { return fftNumeric; }

Variant TpvrDataSet::GetValue(const String&) { return Null(); }

void TpvrDataSet::SetUserName(const String& value) {
    if (Trim(value).empty()) throw Exception(GetResources()->Get("prInvProp"));
    FUserName = value;
}

void TpvrDataSet::SetName(const String& value) {
    if (!value.empty() && (FUserName.empty() || FUserName == GetName())) SetUserName(value);
    inherited::SetName(value);
}

void TpvrDataSet::Open() {
    if (OnOpen) OnOpen(this);
}

void TpvrDataSet::Close() {
    if (OnClose) OnClose(this);
}

void TpvrDataSet::First() {
    RecNo = 0;
    if (OnFirst) OnFirst(this);
}

void TpvrDataSet::Next() {
    ++RecNo;
    if (!(RangeEnd == reCount && RecNo >= RangeEndCount) && OnNext) OnNext(this);
}

void TpvrDataSet::Prior() {
    --RecNo;
    if (OnPrior) OnPrior(this);
}

bool TpvrDataSet::Eof() {
    bool result = RangeEnd == reCount && RecNo >= RangeEndCount;
    if (OnCheckEOF) OnCheckEOF(this, result);
    return result;
}

Integer TpvrDataSet::RecordCount() {
    return RangeBegin == rbFirst && RangeEnd == reCount ? RangeEndCount : 0;
}

void TpvrDataSet::GetFieldList(TStrings* list) { list->Clear(); }

bool TpvrDataSet::HasField(const String& field) {
    TStringList list;
    GetFieldList(&list);
    for (Integer i = 0; i < list.GetCount(); ++i)
        if (SameText(list.GetStrings(i), field)) return true;
    return false;
}

// ---- TpvrUserDataSet ---------------------------------------------------------------------------

TpvrUserDataSet::TpvrUserDataSet(TComponent* owner)
    : TpvrDataSet(owner), FFields(std::make_unique<TStringList>()) {}

TpvrUserDataSet::~TpvrUserDataSet() = default;

void TpvrUserDataSet::GetFieldList(TStrings* list) { list->Assign(FFields.get()); }

Integer TpvrUserDataSet::FieldsCount() { return FFields->GetCount(); }

Variant TpvrUserDataSet::GetValue(const String& field) {
    Variant value = Null();
    if (OnGetValue) OnGetValue(field, value);
    return value;
}

WideString TpvrUserDataSet::GetDisplayText(const String& field) {
    if (!OnGetValue) return WideString();
    const Variant value = GetValue(field);
    return StringToWide(VarToStr(value));
}

// ---- TpvrCustomDBDataSet -----------------------------------------------------------------------

TpvrCustomDBDataSet::TpvrCustomDBDataSet(TComponent* owner)
    : TpvrDataSet(owner), FFieldAliases(std::make_unique<TStringList>()),
      FFieldMap(std::make_unique<TStringList>()) {
    FFieldMap->SetSorted(true);
    FFieldMap->SetDuplicates(dupIgnore);
}

TpvrCustomDBDataSet::~TpvrCustomDBDataSet() = default;

Integer TpvrCustomDBDataSet::FieldsCount() {
    TStringList list;
    GetFieldList(&list);
    return list.GetCount();
}

String TpvrCustomDBDataSet::FieldNameOfAlias(const String& alias) const {
    for (Integer i = 0; i < FFieldAliases->GetCount(); ++i) {
        const String line = FFieldAliases->GetStrings(i);
        const std::size_t eq = line.find('=');
        if (eq == String::npos) continue;
        if (SameText(line.substr(eq + 1), alias)) return line.substr(0, eq);
    }
    return alias;
}

// ---- The report's list -------------------------------------------------------------------------

TpvrDataSetItem::TpvrDataSetItem(TCollection* collection) : TCollectionItem(collection) {}

TpvrDataSetItem::~TpvrDataSetItem() = default;

void TpvrDataSetItem::SetDataSet(TpvrDataSet* value) {
    FDataSet = value;
    FDataSetName = value ? value->GetUserName() : String();
    WatchDataSet();
}

void TpvrDataSetItem::WatchDataSet() {
    auto* owner = dynamic_cast<TpvrReportDataSets*>(GetCollection());
    if (FDataSet && owner && owner->Report) FDataSet->FreeNotification(owner->Report);
}

String TpvrDataSetItem::GetDataSetName() const { return FDataSet ? FDataSet->GetUserName() : FDataSetName; }

void TpvrDataSetItem::SetDataSetName(const String& value) {
    FDataSetName = value;
    auto* owner = dynamic_cast<TpvrReportDataSets*>(GetCollection());
    FDataSet = GlobalDataSetList()->FindDataSetByName(FDataSet, value, owner ? owner->Report : nullptr);
    WatchDataSet();
}

TpvrReportDataSets::TpvrReportDataSets(TpvrReport* report)
    : TCollection(TCollectionItemClass::Of<TpvrDataSetItem>()), Report(report) {}

TpvrReportDataSets::~TpvrReportDataSets() { Clear(); }

void TpvrReportDataSets::Initialize() {
    for (Integer i = 0; i < GetCount(); ++i)
        if (TpvrDataSet* dataSet = Items(i)->GetDataSet()) {
            dataSet->Report = Report;
            dataSet->Initialize();
        }
}

void TpvrReportDataSets::Finalize() {
    for (Integer i = 0; i < GetCount(); ++i)
        if (TpvrDataSet* dataSet = Items(i)->GetDataSet()) dataSet->Finalize();
}

TpvrDataSetItem* TpvrReportDataSets::FindByDataSet(TComponent* dataSet) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (Items(i)->GetDataSet() && static_cast<TComponent*>(Items(i)->GetDataSet()) == dataSet)
            return Items(i);
    return nullptr;
}

TpvrDataSetItem* TpvrReportDataSets::FindByName(const String& name) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (TpvrDataSet* dataSet = Items(i)->GetDataSet())
            if (SameText(dataSet->GetUserName(), name)) return Items(i);
    return nullptr;
}

// ---- Published ---------------------------------------------------------------------------------

namespace {
const bool kDataSetEnumsRegistered = [] {
    RegisterEnum<TpvrRangeBegin>("TpvrRangeBegin", {"rbFirst", "rbCurrent"});
    RegisterEnum<TpvrRangeEnd>("TpvrRangeEnd", {"reLast", "reCurrent", "reCount"});
    RegisterEnum<TpvrFieldType>("TpvrFieldType", {"fftNumeric", "fftString", "fftBoolean"});
    RegisterClasses({TpvrUserDataSet::StaticClass()});
    return true;
}();
} // namespace

KOV_PUBLISHED(TpvrDataSet) {
    Property("Enabled", &TpvrDataSet::Enabled).Default(true);
    Property("RangeBegin", &TpvrDataSet::RangeBegin).Default(rbFirst);
    Property("RangeEnd", &TpvrDataSet::RangeEnd).Default(reLast);
    Property("RangeEndCount", &TpvrDataSet::RangeEndCount).Default(0);
    Property("UserName", &TpvrDataSet::GetUserName, &TpvrDataSet::SetUserName);
    Property("OnCheckEOF", &TpvrDataSet::OnCheckEOF);
    Property("OnFirst", &TpvrDataSet::OnFirst);
    Property("OnNext", &TpvrDataSet::OnNext);
    Property("OnPrior", &TpvrDataSet::OnPrior);
}

KOV_PUBLISHED(TpvrUserDataSet) {
    Property("Fields", &TpvrUserDataSet::GetFields, &TpvrUserDataSet::SetFields);
    Property("OnGetValue", &TpvrUserDataSet::OnGetValue);
}

KOV_PUBLISHED(TpvrCustomDBDataSet) {
    Property("CloseDataSource", &TpvrDataSet::CloseDataSource).Default(false);
    Property("FieldAliases", &TpvrCustomDBDataSet::GetFieldAliases, &TpvrCustomDBDataSet::SetFieldAliases);
    Property("OpenDataSource", &TpvrDataSet::OpenDataSource).Default(true);
    Property("OnClose", &TpvrDataSet::OnClose);
    Property("OnOpen", &TpvrDataSet::OnOpen);
}

KOV_PUBLISHED(TpvrDataSetItem) {
    Property("DataSet", &TpvrDataSetItem::GetDataSet, &TpvrDataSetItem::SetDataSet);
    Property("DataSetName", &TpvrDataSetItem::GetDataSetName, &TpvrDataSetItem::SetDataSetName);
}

// ---- Frames and styles -------------------------------------------------------------------------

void TpvrFrame::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrFrame*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    Color = other->Color;
    DropShadow = other->DropShadow;
    ShadowWidth = other->ShadowWidth;
    ShadowColor = other->ShadowColor;
    Style = other->Style;
    Typ = other->Typ;
    Width = other->Width;
}

TpvrStyleItem::TpvrStyleItem(TCollection* collection)
    : TCollectionItem(collection), FFont(std::make_unique<TFont>()), FFrame(std::make_unique<TpvrFrame>()) {
    FFont->SetName("Arial");
    FFont->SetSize(10);
    FFont->SetCharset(DEFAULT_CHARSET);
}

TpvrStyleItem::~TpvrStyleItem() = default;

void TpvrStyleItem::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrStyleItem*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    FName = other->FName;
    Color = other->Color;
    FFont->Assign(other->FFont.get());
    FFrame->Assign(other->FFrame.get());
}

void TpvrStyleItem::SetName(const String& value) {
    if (auto* styles = dynamic_cast<TpvrStyles*>(GetCollection())) {
        TpvrStyleItem* found = styles->Find(value);
        if (found && found != this) throw Exception("Duplicate name");
    }
    FName = value;
}

TpvrStyles::TpvrStyles(TpvrReport* report)
    : TCollection(TCollectionItemClass::Of<TpvrStyleItem>()), Report(report) {}

TpvrStyles::~TpvrStyles() = default;

TpvrStyleItem* TpvrStyles::Find(const String& name) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (AnsiSameText(Items(i)->GetName(), name)) return Items(i);
    return nullptr;
}

namespace {
const bool kFrameEnumsRegistered = [] {
    RegisterEnum<TpvrFrameStyle>("TpvrFrameStyle",
                                 {"fsSolid", "fsDash", "fsDot", "fsDashDot", "fsDashDotDot", "fsDouble"});
    RegisterEnum<TpvrFrameType>("TpvrFrameType", {"ftLeft", "ftRight", "ftTop", "ftBottom"});
    RegisterTypeName<TpvrFrameTypes>("TpvrFrameTypes");
    RegisterClasses({TpvrFrame::StaticClass(), TpvrStyleItem::StaticClass()});
    return true;
}();
} // namespace

KOV_PUBLISHED(TpvrFrame) {
    Property("Color", &TpvrFrame::Color).TypeName("TColor").Default(TColor(0));
    Property("DropShadow", &TpvrFrame::DropShadow).Default(false);
    Property("ShadowColor", &TpvrFrame::ShadowColor).TypeName("TColor").Default(TColor(0));
    Property("ShadowWidth", &TpvrFrame::ShadowWidth).Stored(&TpvrFrame::IsShadowWidthStored);
    Property("Style", &TpvrFrame::Style).Default(fsSolid);
    Property("Typ", &TpvrFrame::Typ).Stored(&TpvrFrame::IsTypStored);
    Property("Width", &TpvrFrame::Width).Stored(&TpvrFrame::IsWidthStored);
}

KOV_PUBLISHED(TpvrStyleItem) {
    Property("Name", &TpvrStyleItem::GetName, &TpvrStyleItem::SetName);
    Property("Color", &TpvrStyleItem::Color).TypeName("TColor").Default(clTransparent);
    Property("Font", &TpvrStyleItem::GetFont, &TpvrStyleItem::SetFont);
    Property("Frame", &TpvrStyleItem::GetFrame, &TpvrStyleItem::SetFrame);
}
