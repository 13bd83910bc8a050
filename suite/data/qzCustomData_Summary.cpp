// The data controller's summaries: item collections, footer and group values computed during the
// recomputation, their texts, and read access to the group tree.
#include <algorithm>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzDataUtils.h"
#include "suite/foundation/qzVariants.h"

namespace {

// Default formats by kind (skSum .. skAverage), for a group row and for the footer. The currency
// formats get the locale's currency format in place of every "%s" when they are used.
struct TDefaultFormat {
    String Group, Footer;
};
const TDefaultFormat kCurrencyFormats[] = {
    {"SUM=%s;SUM=-%s", "%s;-%s"},
    {"MIN=%s;MIN=-%s", "MIN=%s;MIN=-%s"},
    {"MAX=%s;MAX=-%s", "MAX=%s;MAX=-%s"},
    {"COUNT=0", "0"},
    {"AVG=%s;AVG=-%s", "AVG=%s;AVG=-%s"},
};
const TDefaultFormat kDateFormats[] = {
    {"SUM=", ""}, {"MIN=", "MIN="}, {"MAX=", "MAX="}, {"COUNT=0", "0"}, {"AVG=", "AVG="},
};
const TDefaultFormat kOtherFormats[] = {
    {"SUM=0.00;SUM=-0.00", "0.00;-0.00"},
    {"MIN=0.00;MIN=-0.00", "MIN=0.00;MIN=-0.00"},
    {"MAX=0.00;MAX=-0.00", "MAX=0.00;MAX=-0.00"},
    {"COUNT=0", "0"},
    {"AVG=0.00;AVG=-0.00", "AVG=0.00;AVG=-0.00"},
};

bool IsNothing(const Variant& value) { return VarIsEmpty(value) || VarIsNull(value); }

// Holds the summary's lock; closes it with the given report, or without one when an exception
// is on its way.
class TSummaryLock {
public:
    explicit TSummaryLock(TqzDataSummary* summary) : FSummary(summary) { FSummary->BeginUpdate(); }
    ~TSummaryLock() noexcept(false) {
        if (std::uncaught_exceptions() > FExceptions) {
            FSummary->ReleaseLock();
        } else {
            FSummary->EndUpdate(Report);
        }
    }
    TSummaryLock(const TSummaryLock&) = delete;
    TSummaryLock& operator=(const TSummaryLock&) = delete;
    bool Report = true;

private:
    TqzDataSummary* FSummary;
    int FExceptions = std::uncaught_exceptions();
};

// Ends the ordering of the groups by a summary item that is being freed: the groups go back to
// their order by value. A failure of that recomputation cannot leave a destructor; the reference
// is gone either way and the next recomputation computes the values again.
void DropSortItem(TqzCustomDataController* controller) {
    try {
        controller->SetSummarySortItem(nullptr);
    } catch (...) {
        controller->ForgetSummarySortItem();
    }
}

} // namespace

// ---- Items ---------------------------------------------------------------------------------------

void TqzCustomDataSummaryItem::SetItemLink(TObject* item) {
    TqzCustomDataController* controller = Controller();
    SetField(item && controller ? controller->FindItemField(item) : nullptr);
}

void TqzCustomDataSummaryItem::SetField(TqzCustomDataField* field) {
    if (FField == field) return;
    TCollection* collection = GetCollection();
    if (collection) collection->BeginUpdate();
    try {
        FieldChanging(field);
        FField = field;
        Changed(true);
    } catch (...) {
        if (collection) collection->EndUpdate();
        throw;
    }
    if (collection) collection->EndUpdate();
}

TqzDataSummaryItem::~TqzDataSummaryItem() {
    if (TqzDataSummaryItems* items = GetSummaryItems()) items->ItemDying();
    TqzCustomDataController* controller = Controller();
    if (!controller || controller->GetSummarySortItem() != this) return;
    TqzDataSummary* summary = controller->GetSummary();
    if (controller->IsDestroying() || !summary || summary->IsDestroying())
        controller->ForgetSummarySortItem();
    else
        DropSortItem(controller);
}

TqzCustomDataController* TqzDataSummaryItem::Controller() const {
    TqzDataSummaryItems* items = GetSummaryItems();
    return items && items->GetSummary() ? items->GetSummary()->GetController() : nullptr;
}

TqzDataSummaryItems* TqzDataSummaryItem::GetSummaryItems() const {
    return dynamic_cast<TqzDataSummaryItems*>(GetCollection());
}

void TqzDataSummaryItem::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDataSummaryItem*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    TCollection* collection = GetCollection();
    if (collection) collection->BeginUpdate();
    try {
        TqzCustomDataController* controller = Controller();
        TObject* item = other->GetItemLink();
        SetField(item && controller ? controller->FindItemField(item) : nullptr);
        SetFormat(other->FFormat);
        SetKind(other->FKind);
        SetPosition(other->FPosition);
        OnGetText = other->OnGetText;
    } catch (...) {
        if (collection) collection->EndUpdate();
        throw;
    }
    if (collection) collection->EndUpdate();
}

bool TqzDataSummaryItem::IsCurrencyValueType(TVarType varType) { return IsCurrencyVarType(varType); }

bool TqzDataSummaryItem::IsCalculated() {
    if (ItemField()) return true;
    TqzDataSummaryItems* items = GetSummaryItems();
    const TqzSummaryPosition position = items ? items->PositionOf(this) : FPosition;
    return FKind == skCount && position == spGroup;
}

bool TqzDataSummaryItem::StoresPosition() {
    TqzDataSummaryItems* items = GetSummaryItems();
    return items ? items->IsItemPositionStored(this) : FPosition != spGroup;
}

void TqzDataSummaryItem::SetFormat(const String& value) {
    if (FFormat == value) return;
    FFormat = value;
    Changed(false);
}

void TqzDataSummaryItem::SetKind(TqzSummaryKind value) {
    if (FKind == value) return;
    FKind = value;
    Changed(true);
}

void TqzDataSummaryItem::SetPosition(TqzSummaryPosition value) {
    if (FPosition == value) return;
    FPosition = value;
    Changed(false);
}

void TqzDataSummaryItem::FormatValue(const Variant& value, bool isFooter, String& text) {
    if (IsNothing(value)) {
        text.clear();
    } else if (FKind == skNone) {
        text = VarToStr(value);
    } else {
        const bool isDate = IsVariantDate(value);
        String format = FFormat;
        if (format.empty()) {
            const TqzSummaryValueClass valueClass =
                IsCurrencyValueType(VarType(value)) ? svcCurrency : isDate ? svcDate : svcOther;
            if (TqzDataSummaryItems* items = GetSummaryItems())
                items->GetDefaultFormat(valueClass, FKind, format, isFooter);
        }
        if (!isDate || FKind == skCount) {
            text = FormatFloat(format, value.AsExtended());
        } else {
            const TDateTime date = value.AsDateTime();
            if (TimePartOf(date) == 0)
                text = format + DateToStr(date);
            else if (DatePartOf(date) == 0)
                text = format + TimeToStr(date);
            else
                text = format + DateTimeToStr(date);
        }
    }
    if (OnGetText.Assigned()) OnGetText(this, value, isFooter, text);
}

// ---- Item collections ----------------------------------------------------------------------------

TqzDataSummaryItems::TqzDataSummaryItems(TqzDataSummary* summary, TCollectionItemClass itemClass)
    : TCollection(itemClass), FSummary(summary) {}

TqzDataSummaryItems::~TqzDataSummaryItems() {
    TqzCustomDataController* controller = FSummary ? FSummary->GetController() : nullptr;
    TCollectionItem* sortItem = controller ? controller->GetSummarySortItem() : nullptr;
    if (!sortItem || sortItem->GetCollection() != this) return;
    if (controller->IsDestroying() || FSummary->IsDestroying())
        controller->ForgetSummarySortItem();
    else
        DropSortItem(controller);
}

TPersistent* TqzDataSummaryItems::GetOwner() const { return FSummary; }

void TqzDataSummaryItems::Assign(TPersistent* source) {
    inherited::Assign(source);
    if (auto* other = dynamic_cast<TqzDataSummaryItems*>(source)) OnSummary = other->OnSummary;
}

void TqzDataSummaryItems::Update(TCollectionItem* item) {
    const bool fromDestructor = FItemDying;
    FItemDying = false;
    if (!FSummary) return;
    if (fromDestructor)
        FSummary->ChangedFromDestructor(item != nullptr);
    else
        FSummary->Changed(item != nullptr);
}

TqzDataSummaryItem* TqzDataSummaryItems::ItemOfField(Integer itemIndex, TqzSummaryPosition position) {
    TqzCustomDataField* field = GetItem(itemIndex)->GetField();
    for (Integer i = 0; i < GetCount(); ++i) {
        TqzDataSummaryItem* item = GetItem(i);
        if (item->GetField() == field && PositionOf(item) == position) return item;
    }
    return nullptr;
}

bool TqzDataSummaryItems::ItemVisible(Integer flags, bool a, bool b) {
    if ((flags & 2) && b) return false;
    return !((flags & 1) && a);
}

void TqzDataSummaryItems::GetDefaultFormat(TqzSummaryValueClass valueClass, TqzSummaryKind kind, String& text,
                                           bool isFooter) {
    if (kind < skSum || kind > skAverage) {
        text.clear();
        return;
    }
    const TDefaultFormat* table = valueClass == svcCurrency ? kCurrencyFormats
                                  : valueClass == svcDate   ? kDateFormats
                                                            : kOtherFormats;
    const TDefaultFormat& entry = table[kind - skSum];
    text = isFooter ? entry.Footer : entry.Group;
    if (valueClass == svcCurrency) text = StringReplace(text, "%s", BuildCurrencyDisplayFormat(), rfReplaceAll);
}

TPersistent* TqzDataGroupSummaryItems::GetOwner() const {
    return FOwner ? FOwner : static_cast<TPersistent*>(GetSummary());
}

void TqzDataGroupSummaryItems::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDataGroupSummaryItems*>(source);
    if (other) {
        FBeginText = other->FBeginText;
        FEndText = other->FEndText;
        FSeparator = other->FSeparator;
    }
    inherited::Assign(source);
}

void TqzDataGroupSummaryItems::TextChanged() {
    if (GetCount() > 0) Update(GetItems(0));
}

void TqzDataGroupSummaryItems::SetBeginText(const String& value) {
    if (FBeginText == value) return;
    FBeginText = value;
    TextChanged();
}

void TqzDataGroupSummaryItems::SetEndText(const String& value) {
    if (FEndText == value) return;
    FEndText = value;
    TextChanged();
}

void TqzDataGroupSummaryItems::SetSeparator(const String& value) {
    if (FSeparator == value) return;
    FSeparator = value;
    TextChanged();
}

void TqzDataGroupSummaryItems::GetGroupSummaryText(const std::vector<Variant>& values, String& text) {
    text.clear();
    bool first = true;
    for (Integer i = 0; i < GetCount(); ++i) {
        TqzDataSummaryItem* item = GetItem(i);
        if (PositionOf(item) != spGroup) continue;
        String part;
        item->FormatValue(std::size_t(i) < values.size() ? values[std::size_t(i)] : Null(), false, part);
        if (!first) text += FSeparator + " ";
        text += part;
        first = false;
    }
    if (!text.empty()) text = FBeginText + text + FEndText;
}

// ---- Summary groups and their links ----------------------------------------------------------------

TqzDataSummaryGroupItemLink::~TqzDataSummaryGroupItemLink() {
    if (auto* links = dynamic_cast<TqzDataSummaryGroupItemLinks*>(GetCollection())) links->ItemDying();
}

TqzCustomDataController* TqzDataSummaryGroupItemLink::Controller() const {
    TqzDataSummaryGroup* group = GetSummaryGroup();
    TqzDataSummary* summary = group ? group->GetSummary() : nullptr;
    return summary ? summary->GetController() : nullptr;
}

TqzDataSummaryGroup* TqzDataSummaryGroupItemLink::GetSummaryGroup() const {
    auto* links = dynamic_cast<TqzDataSummaryGroupItemLinks*>(GetCollection());
    return links ? links->GetSummaryGroup() : nullptr;
}

void TqzDataSummaryGroupItemLink::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDataSummaryGroupItemLink*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    SetItemLink(other->GetItemLink());
}

void TqzDataSummaryGroupItemLink::FieldChanging(TqzCustomDataField* field) {
    if (!field) return;
    TqzDataSummaryGroup* own = GetSummaryGroup();
    TqzDataSummary* summary = own ? own->GetSummary() : nullptr;
    if (!summary) return;
    TqzDataSummaryGroups* groups = summary->GetSummaryGroups();
    for (Integer g = 0; g < groups->GetCount(); ++g) {
        TqzDataSummaryGroup* group = groups->GetItem(g);
        if (!group->HasLinks()) continue;
        TqzDataSummaryGroupItemLinks* links = group->GetLinks();
        for (Integer i = 0; i < links->GetCount(); ++i)
            if (links->GetItem(i) != this && links->GetItem(i)->GetField() == field) links->GetItem(i)->SetItemLink(nullptr);
    }
}

TPersistent* TqzDataSummaryGroupItemLinks::GetOwner() const { return FGroup; }

void TqzDataSummaryGroupItemLinks::Update(TCollectionItem*) {
    const bool fromDestructor = FItemDying;
    FItemDying = false;
    TqzDataSummary* summary = FGroup ? FGroup->GetSummary() : nullptr;
    if (!summary) return;
    if (fromDestructor)
        summary->ChangedFromDestructor(false);
    else
        summary->Changed(false);
}

TqzDataSummaryGroup::TqzDataSummaryGroup(TCollection* collection) : TCollectionItem(collection) {
    TqzDataSummary* summary = GetSummary();
    TCollectionItemClass itemClass = summary ? summary->GetItemClass() : TCollectionItemClass::Of<TqzDataSummaryItem>();
    FSummaryItems = std::make_unique<TqzDataGroupSummaryItems>(summary, itemClass, this);
}

TqzDataSummaryGroup::~TqzDataSummaryGroup() {
    if (auto* groups = dynamic_cast<TqzDataSummaryGroups*>(GetCollection())) groups->ItemDying();
    // The items go first: each may still ask its way to the controller.
    FSummaryItems.reset();
    FLinks.reset();
}

TqzDataSummary* TqzDataSummaryGroup::GetSummary() const {
    auto* groups = dynamic_cast<TqzDataSummaryGroups*>(GetCollection());
    return groups ? groups->GetSummary() : nullptr;
}

TqzDataSummaryGroupItemLinks* TqzDataSummaryGroup::GetLinks() {
    if (!FLinks) {
        TqzDataSummary* summary = GetSummary();
        FLinks = std::make_unique<TqzDataSummaryGroupItemLinks>(
            this, summary ? summary->GetItemLinkClass() : TCollectionItemClass::Of<TqzDataSummaryGroupItemLink>());
    }
    return FLinks.get();
}

void TqzDataSummaryGroup::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDataSummaryGroup*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other->FLinks)
        GetLinks()->Assign(other->FLinks.get());
    else if (FLinks)
        FLinks->Clear();
    FSummaryItems->Assign(other->FSummaryItems.get());
}

TqzDataSummaryGroups::TqzDataSummaryGroups(TqzDataSummary* summary)
    : TCollection(TCollectionItemClass::Of<TqzDataSummaryGroup>()), FSummary(summary) {}

TPersistent* TqzDataSummaryGroups::GetOwner() const { return FSummary; }

void TqzDataSummaryGroups::Update(TCollectionItem*) {
    const bool fromDestructor = FItemDying;
    FItemDying = false;
    if (!FSummary) return;
    if (fromDestructor)
        FSummary->ChangedFromDestructor(false);
    else
        FSummary->Changed(false);
}

// ---- The summary ---------------------------------------------------------------------------------

TqzDataSummary::TqzDataSummary(TqzCustomDataController* controller) : FController(controller) {
    FDefaultGroupSummaryItems = std::make_unique<TqzDataGroupSummaryItems>(this, GetItemClass(), nullptr);
    FFooterSummaryItems = std::make_unique<TqzDataFooterSummaryItems>(this, GetItemClass());
    FSummaryGroups = std::make_unique<TqzDataSummaryGroups>(this);
}

TqzDataSummary::~TqzDataSummary() {
    FDestroying = true;
    FSummaryGroups.reset();
    FFooterSummaryItems.reset();
    FDefaultGroupSummaryItems.reset();
}

TPersistent* TqzDataSummary::GetOwner() const { return FController; }

TCollectionItemClass TqzDataSummary::GetItemClass() {
    return FController ? FController->GetSummaryItemClass() : TCollectionItemClass::Of<TqzDataSummaryItem>();
}

TCollectionItemClass TqzDataSummary::GetItemLinkClass() {
    return FController ? FController->GetSummaryGroupItemLinkClass()
                       : TCollectionItemClass::Of<TqzDataSummaryGroupItemLink>();
}

void TqzDataSummary::BeginUpdate() {
    ++FLockCount;
    if (FController) FController->LockUpdates();
}

void TqzDataSummary::EndUpdate(bool reportChange) {
    --FLockCount;
    if (!FController) return;
    if (FLockCount == 0 && reportChange) {
        try {
            Changed(false);
        } catch (...) {
            FController->ReleaseUpdateLock();
            throw;
        }
    }
    FController->UnlockUpdates();
}

void TqzDataSummary::ReleaseLock() {
    --FLockCount;
    if (FController) FController->ReleaseUpdateLock();
}

void TqzDataSummary::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDataSummary*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    TSummaryLock lock(this);
    FDefaultGroupSummaryItems->Assign(other->FDefaultGroupSummaryItems.get());
    FFooterSummaryItems->Assign(other->FFooterSummaryItems.get());
    FSummaryGroups->Assign(other->FSummaryGroups.get());
    SetOptions(other->FOptions);
    CopyEvents(other);
}

void TqzDataSummary::CopyEvents(TqzDataSummary* source) { OnAfterSummary = source->OnAfterSummary; }

void TqzDataSummary::SetOptions(TqzSummaryOptions value) {
    if (FOptions == value) return;
    FOptions = value;
    Changed(false);
}

void TqzDataSummary::Changed(bool viewOnly) {
    if (FInAfterSummary || FLockCount > 0) return;
    NotifyController(viewOnly);
}

void TqzDataSummary::ChangedFromDestructor(bool viewOnly) {
    try {
        Changed(viewOnly);
    } catch (...) {
    }
}

void TqzDataSummary::NotifyController(bool viewOnly) {
    if (FDestroying || !FController) return;
    FController->SummaryChanged(viewOnly);
}

void TqzDataSummary::RemoveItemsOfField(TqzCustomDataField* field) {
    if (!field) return;
    TSummaryLock lock(this);
    bool changed = false;
    auto clearIn = [&](TCollection* collection) {
        if (!collection) return;
        for (Integer i = 0; i < collection->GetCount(); ++i) {
            auto* item = static_cast<TqzCustomDataSummaryItem*>(collection->GetItems(i));
            if (item->GetField() == field) {
                item->ClearField();
                changed = true;
            }
        }
    };
    clearIn(FFooterSummaryItems.get());
    clearIn(FDefaultGroupSummaryItems.get());
    for (Integer g = 0; g < FSummaryGroups->GetCount(); ++g) {
        TqzDataSummaryGroup* group = FSummaryGroups->GetItem(g);
        clearIn(group->GetSummaryItems());
        if (group->HasLinks()) clearIn(group->GetLinks());
    }
    lock.Report = changed;
}

TqzDataGroupSummaryItems* TqzDataSummary::GroupItemsForLevel(Integer level) {
    TqzGroupingFieldList* grouping = FController->GetInfo()->GetGrouping();
    if (level < 0 || level >= grouping->GetCount()) return nullptr;
    TqzCustomDataField* field = grouping->Entry(level).Field;
    for (Integer g = 0; g < FSummaryGroups->GetCount(); ++g) {
        TqzDataSummaryGroup* group = FSummaryGroups->GetItem(g);
        if (!group->HasLinks()) continue;
        TqzDataSummaryGroupItemLinks* links = group->GetLinks();
        for (Integer i = 0; i < links->GetCount(); ++i)
            if (links->GetItem(i)->GetField() == field) return group->GetSummaryItems();
    }
    return FDefaultGroupSummaryItems.get();
}

bool TqzDataSummary::IsValidValueIndex(Integer index) const {
    return (VarType(FFooterSummaryValues) & varArray) != 0 && VarArrayDimCount(FFooterSummaryValues) == 1 &&
           index >= VarArrayLowBound(FFooterSummaryValues, 1) && index <= VarArrayHighBound(FFooterSummaryValues, 1);
}

Variant TqzDataSummary::GetFooterSummaryValue(Integer index) const {
    return IsValidValueIndex(index) ? VarArrayGet(FFooterSummaryValues, {index}) : Null();
}

String TqzDataSummary::GetFooterSummaryText(Integer index) {
    String text;
    if (index >= 0 && index < FFooterSummaryItems->GetCount())
        FFooterSummaryItems->GetItem(index)->FormatValue(GetFooterSummaryValue(index), true, text);
    return text;
}

// ---- Computing -----------------------------------------------------------------------------------

void TqzDataSummary::PrepareAccumulators(TqzDataSummaryItems* items, TqzDataSummaryValues& values,
                                         TqzDataSummaryCountValues& counts) {
    const std::size_t count = items ? std::size_t(items->GetCount()) : 0;
    values.assign(count, Variant());
    counts.assign(count, 0);
}

void TqzDataSummary::AccumulateRange(TqzDataSummaryItems* items, TqzDataSummaryValues& values,
                                     TqzDataSummaryCountValues& counts, Integer first, Integer last) {
    if (!items || items->GetCount() == 0) return;
    for (Integer position = first; position <= last; ++position) {
        const Integer record = SummaryRecordAt(position);
        if (record == -1) continue;
        for (Integer i = 0; i < items->GetCount() && std::size_t(i) < values.size(); ++i)
            AddRecordValue(items->GetItem(i), record, counts[std::size_t(i)], values[std::size_t(i)]);
    }
}

Integer TqzDataSummary::SummaryRecordAt(Integer position) {
    const Integer record = FController->GetInfo()->RecordAt(position);
    if (!FSelectedOnly) return record;
    return record >= 0 && std::size_t(record) < FSelectedRecords.size() && FSelectedRecords[std::size_t(record)] ? record
                                                                                                          : -1;
}

void TqzDataSummary::CollectSelectedRecords() {
    FSelectedOnly = FOptions.Contains(soSelectedRecords);
    FSelectedRecords.clear();
    if (!FSelectedOnly) return;
    FSelectedRecords.assign(std::size_t(std::max(FController->GetRecordCount(), Integer(0))), false);
    auto mark = [&](Integer record) {
        if (record >= 0 && std::size_t(record) < FSelectedRecords.size()) FSelectedRecords[std::size_t(record)] = true;
    };
    if (FController->IsSingleSelect()) {
        mark(FController->GetFocusedRecordIndex());
        return;
    }
    TqzDataSelection* selection = FController->GetInfo()->GetSelection();
    for (Integer i = 0; i < selection->Count(); ++i) {
        const TqzSelectionEntry& entry = selection->Entry(i);
        if (entry.Level != -1) mark(entry.RecordIndex); // group rows do not stand for their records
    }
}

void TqzDataSummary::AddRecordValue(TqzDataSummaryItem* item, Integer recordIndex, Integer& count, Variant& value) {
    if (!item->IsCalculated()) return;
    TqzCustomDataField* field = item->ItemField();
    Variant recordValue = field ? FController->GetFieldValue(recordIndex, field) : Null();
    TqzDataSummaryItems* items = item->GetSummaryItems();
    if (items && items->OnSummary.Assigned()) {
        TqzSummaryEventArguments arguments{recordIndex, item};
        TqzSummaryEventOutArguments out;
        out.Value = recordValue;
        out.SummaryValue = value;
        out.CountValue = count;
        items->OnSummary(items, arguments, out);
        value = out.SummaryValue;
        count = out.CountValue;
        recordValue = out.Value;
        if (out.Done) return;
    }
    const TqzSummaryKind kind = item->GetKind();
    if (kind == skNone) return;
    const bool isNull = VarIsNull(recordValue);
    if (isNull && FOptions.Contains(soNullIgnore)) return;
    if (VarIsEmpty(value)) {
        if (kind == skCount || ((kind == skMin || kind == skMax) && isNull)) {
            // nothing to keep yet
        } else {
            value = recordValue;
            if (VarIsNull(value) && (kind == skSum || kind == skAverage)) value = 0;
        }
    } else if (!isNull && !VarIsNull(value)) {
        switch (kind) {
        case skSum:
        case skAverage:
            value = value + recordValue;
            break;
        case skMin:
            if (CompareVariantValues(recordValue, value) < 0) value = recordValue;
            break;
        case skMax:
            if (CompareVariantValues(recordValue, value) > 0) value = recordValue;
            break;
        default:
            break;
        }
    }
    ++count;
}

void TqzDataSummary::FinishValue(TqzDataSummaryItem* item, Variant& value, Integer count) {
    if (!item->IsCalculated()) return;
    if (VarIsEmpty(value)) value = Null();
    switch (item->GetKind()) {
    case skCount:
        value = count;
        break;
    case skAverage:
        if (count > 0 && !VarIsNull(value)) {
            const bool wasDate = IsVariantDate(value);
            value = value / Variant(count);
            if (wasDate) value = VarAsType(value, varDate);
        }
        break;
    default:
        break;
    }
}

Variant TqzDataSummary::StoreResults(TqzDataSummaryItems* items, TqzDataSummaryValues& values,
                                     TqzDataSummaryCountValues& counts) {
    const Integer count = items ? items->GetCount() : 0;
    if (count == 0) return Null();
    for (Integer i = 0; i < count && std::size_t(i) < values.size(); ++i)
        FinishValue(items->GetItem(i), values[std::size_t(i)], counts[std::size_t(i)]);
    Variant result = VarArrayCreate({0, count - 1}, varVariant);
    for (Integer i = 0; i < count && std::size_t(i) < values.size(); ++i) VarArrayPut(result, values[std::size_t(i)], {i});
    return result;
}

void TqzDataSummary::ComputeFooter() {
    CollectSelectedRecords();
    TqzDataSummaryValues values;
    TqzDataSummaryCountValues counts;
    PrepareAccumulators(FFooterSummaryItems.get(), values, counts);
    if (!FController->GetProvider()->IsGridMode())
        AccumulateRange(FFooterSummaryItems.get(), values, counts, 0, FController->GetInfo()->RecordListCount() - 1);
    FFooterSummaryValues = StoreResults(FFooterSummaryItems.get(), values, counts);
}

namespace {

std::vector<Variant> ElementsOf(const Variant& results) {
    std::vector<Variant> elements;
    if (!(VarType(results) & varArray)) return elements;
    for (Integer i = VarArrayLowBound(results, 1); i <= VarArrayHighBound(results, 1); ++i)
        elements.push_back(VarArrayGet(results, {i}));
    return elements;
}

} // namespace

void TqzDataSummary::ComputeGroups() {
    CollectSelectedRecords();
    TqzDataGroups* groups = FController->GetInfo()->GetGroups();
    const Integer levels = groups->GroupingFieldCount();
    for (Integer level = 0; level < levels; ++level) {
        TqzDataSummaryItems* items = GroupItemsForLevel(level);
        TqzDataSummaryValues values;
        TqzDataSummaryCountValues counts;
        Integer previous = -1;
        for (Integer i = 0; i < groups->ItemCount(); ++i) {
            TqzDataGroupInfo* group = groups->Item(i);
            if (group->Level == level) {
                if (previous >= 0) groups->Item(previous)->SummaryValues = ElementsOf(StoreResults(items, values, counts));
                PrepareAccumulators(items, values, counts);
                previous = i;
            }
            if (previous >= 0 && group->Level == levels - 1)
                AccumulateRange(items, values, counts, group->Begin, group->End);
        }
        if (previous >= 0) groups->Item(previous)->SummaryValues = ElementsOf(StoreResults(items, values, counts));
    }
}

void TqzDataSummary::FinishSummaryRun() {
    ComputeGroups();
    FireAfterSummary();
}

void TqzDataSummary::ComputeSummaries() {
    ComputeFooter();
    FinishSummaryRun();
}

void TqzDataSummary::FireAfterSummary() {
    if (!OnAfterSummary.Assigned()) {
        FController->SummaryRecalcPending = false; // nothing to send later
        return;
    }
    if (FController->IsOwnerLoading()) {
        FController->SummaryRecalcPending = true;
        return;
    }
    FController->SummaryRecalcPending = false;
    if (FController->DetailKind() == dkPattern || FController->IsRefreshPendingInGridMode()) return;
    FInAfterSummary = true;
    try {
        OnAfterSummary(this);
    } catch (...) {
        FInAfterSummary = false;
        throw;
    }
    FInAfterSummary = false;
}

// ---- Group access --------------------------------------------------------------------------------

TqzDataGroups* TqzDataControllerGroups::Tree() const { return FController->GetInfo()->GetGroups(); }

Integer TqzDataControllerGroups::ChildCount(Integer groupItem) const { return Tree()->ChildCount(groupItem); }

Integer TqzDataControllerGroups::ChildGroup(Integer groupItem, Integer index) const {
    return Tree()->ChildItem(groupItem, index);
}

Integer TqzDataControllerGroups::ChildRecord(Integer groupItem, Integer index) const {
    if (groupItem < 0) return -1;
    const Integer position = Tree()->ChildPosition(groupItem, index);
    return position < 0 ? -1 : FController->GetInfo()->RecordAt(position);
}

Integer TqzDataControllerGroups::GroupOfRow(Integer row) const { return Tree()->GroupOfRow(row); }

Integer TqzDataControllerGroups::Level(Integer groupItem) const { return Tree()->Item(groupItem)->Level; }

Integer TqzDataControllerGroups::LevelCount() const { return FController->GetInfo()->GetGrouping()->GetCount(); }

Integer TqzDataControllerGroups::FieldIndexOfLevel(Integer level) const {
    return FController->GetInfo()->GetGrouping()->Entry(level).Field->GetIndex();
}

void TqzDataControllerGroups::CollectRecordIndexes(std::vector<Integer>& list, Integer groupItem) const {
    TqzDataGroups* tree = Tree();
    const TqzDataGroupInfo* group = tree->Item(groupItem);
    if (group->Level >= tree->GroupingFieldCount() - 1) {
        for (Integer position = group->Begin; position <= group->End; ++position)
            list.push_back(FController->GetInfo()->RecordAt(position));
        return;
    }
    for (Integer i = 0, count = tree->ChildCount(groupItem); i < count; ++i)
        CollectRecordIndexes(list, tree->ChildItem(groupItem, i));
}

void TqzDataControllerGroups::CollectRecordIndexesOfRow(std::vector<Integer>& list, Integer row) const {
    TqzCustomDataControllerInfo* info = FController->GetInfo();
    info->CheckRowIndex(row);
    if (info->IsGrouped() && Tree()->IsGroupRow(row)) {
        CollectRecordIndexes(list, Tree()->ItemOfRow(row));
        return;
    }
    list.push_back(info->GetRowInfo(row).Position);
}

// ---- Published properties ------------------------------------------------------------------------

namespace {

struct TSummaryTypes {
    TSummaryTypes() {
        RegisterEnum<TqzSummaryKind>("TqzSummaryKind", {"skNone", "skSum", "skMin", "skMax", "skCount", "skAverage"});
        RegisterEnum<TqzSummaryPosition>("TqzSummaryPosition", {"spGroup", "spFooter"});
        RegisterEnum<TqzSummaryOption>("TqzSummaryOption", {"soNullIgnore", "soSelectedRecords"});
        RegisterTypeName<TqzSummaryOptions>("TqzSummaryOptions");
    }
};
const TSummaryTypes kSummaryTypes;

} // namespace

KOV_PUBLISHED(TqzDataSummaryItem) {
    using I = TqzDataSummaryItem;
    Property("Format", &I::GetFormat, &I::SetFormat);
    Property("Kind", &I::GetKind, &I::SetKind).Default(skSum);
    Property("Position", &I::GetPosition, &I::SetPosition).Stored(&I::StoresPosition);
    Property("OnGetText", &I::OnGetText);
}

KOV_PUBLISHED(TqzDataSummaryItems) { Property("OnSummary", &TqzDataSummaryItems::OnSummary); }

KOV_PUBLISHED(TqzDataGroupSummaryItems) {
    using I = TqzDataGroupSummaryItems;
    Property("BeginText", &I::GetBeginText, &I::SetBeginText).Stored(&I::IsBeginTextStored);
    Property("EndText", &I::GetEndText, &I::SetEndText).Stored(&I::IsEndTextStored);
    Property("Separator", &I::GetSeparator, &I::SetSeparator).Stored(&I::IsSeparatorStored);
}

KOV_PUBLISHED(TqzDataSummaryGroup) {
    using G = TqzDataSummaryGroup;
    Property("Links", &G::GetLinks, &G::SetLinks);
    Property("SummaryItems", &G::GetSummaryItems, &G::SetSummaryItems);
}

KOV_PUBLISHED(TqzDataSummary) {
    using S = TqzDataSummary;
    Property("DefaultGroupSummaryItems", &S::GetDefaultGroupSummaryItems, &S::SetDefaultGroupSummaryItems);
    Property("FooterSummaryItems", &S::GetFooterSummaryItems, &S::SetFooterSummaryItems);
    Property("SummaryGroups", &S::GetSummaryGroups, &S::SetSummaryGroups);
    Property("Options", &S::GetOptions, &S::SetOptions).Default(TqzSummaryOptions());
    Property("OnAfterSummary", &S::OnAfterSummary);
}
