#include "suite/data/qzFilter.h"

#include <cstring>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/data/qzDataUtils.h"
#include "suite/data/qzFilterConsts.h"
#include "suite/data/qzLike.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzVariants.h"

namespace {

// Lists nested deeper than this in a binary image make it a damaged one.
constexpr Integer MaxImageNesting = 1000;

String Localized(const char* text) {
    String result;
    LocalizeFilterText(text, result);
    return result;
}

[[noreturn]] void AbstractError() { throw EInvalidOperation("Abstract error"); }

[[noreturn]] void DamagedImage() { throw EReadError("Stream read error"); }

// Runs action between BeginUpdate and EndUpdate; the lock ends (and notifies) also on failure.
template <class F> void Locked(TqzFilterCriteria* criteria, F action) {
    criteria->BeginUpdate();
    try {
        action();
    } catch (...) {
        criteria->EndUpdate();
        throw;
    }
    criteria->EndUpdate();
}

// The elements of a one-dimensional array; a value that is no array stands for itself.
std::vector<Variant> ElementsOf(const Variant& value) {
    std::vector<Variant> result;
    if (!VarIsArray(value)) {
        result.push_back(value);
        return result;
    }
    for (Integer i = VarArrayLowBound(value, 1); i <= VarArrayHighBound(value, 1); ++i)
        result.push_back(VarArrayGet(value, {i}));
    return result;
}

// Parts of a display value or a field-name list, split at ";" and trimmed.
std::vector<String> SplitParts(const String& text) {
    std::vector<String> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(';', start);
        parts.push_back(Trim(text.substr(start, end == String::npos ? String::npos : end - start)));
        if (end == String::npos) break;
        start = end + 1;
    }
    return parts;
}

String Join(const std::vector<String>& parts, const String& separator) {
    String result;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result += separator;
        result += parts[i];
    }
    return result;
}

String QuotedText(const String& text) {
    String result = "'";
    for (char c : text) {
        if (c == '\'') result += '\'';
        result += c;
    }
    result += '\'';
    return result;
}

struct TFilterTypes {
    TFilterTypes() {
        RegisterEnum<TqzFilterCriteriaOption>("TqzFilterCriteriaOption",
                                              {"fcoCaseInsensitive", "fcoShowOperatorDescription",
                                               "fcoSoftNull", "fcoSoftCompare", "fcoIgnoreNull"});
        RegisterTypeName<TqzFilterCriteriaOptions>("TqzFilterCriteriaOptions");
        RegisterClass(TFilterWrapper::StaticClass());
    }
};
const TFilterTypes kFilterTypes;

} // namespace

KOV_PUBLISHED(TqzFilterCriteria) {
    Property("MaxValueListCount", &TqzFilterCriteria::GetMaxValueListCount,
             &TqzFilterCriteria::SetMaxValueListCount)
        .Default(0);
    Property("Options", &TqzFilterCriteria::GetOptions, &TqzFilterCriteria::SetOptions)
        .Default(TqzFilterCriteriaOptions());
    Property("PercentWildcard", &TqzFilterCriteria::GetPercentWildcard,
             &TqzFilterCriteria::SetPercentWildcard)
        .Default('%');
    Property("UnderscoreWildcard", &TqzFilterCriteria::GetUnderscoreWildcard,
             &TqzFilterCriteria::SetUnderscoreWildcard)
        .Default('_');
    Property("OnChanged", &TqzFilterCriteria::OnChanged);
}

KOV_PUBLISHED(TFilterWrapper) { Property("Filter", &TFilterWrapper::GetFilter, &TFilterWrapper::SetFilter); }

String FilterDisplayValueText(const Variant& value) {
    if (VarIsNull(value)) return Localized(qzSFilterBlankCaption);
    return VarToStr(value);
}

// ---- Operators -----------------------------------------------------------------------------------

TqzFilterCriteria* TqzFilterOperator::Criteria() const { return FCondition->Criteria(); }

String TqzFilterOperator::FieldName() const { return FCondition->ExpressionFieldName(); }

String TqzFilterOperator::ExpressionText(const Variant& value) { return ValueText(value); }

String TqzFilterOperator::ValueText(const Variant& value) {
    String text;
    if (ListValueText(value, text)) return text;
    TqzFilterCriteria* criteria = Criteria();
    if (VarIsNull(value))
        text = "NULL";
    else if (IsVariantDate(value))
        text = "'" + criteria->DateText(value) + "'";
    else if (VarIsStr(value))
        text = QuotedText(VarToStr(value));
    else if (VarType(value) == varBoolean)
        text = criteria->BooleanText(value);
    else
        text = VarToStr(value);
    criteria->FormatValueText(FCondition, value, text);
    return text;
}

void TqzFilterOperator::PrepareDisplayValue(String&) {}

bool TqzFilterOperator::ListValueText(const Variant&, String&) { return false; }

// Values are compared in the suite's ordering (Null first, arrays element by element), but a
// pair the variant rules cannot compare raises the variant error, which the criteria turn into a
// failed condition under fcoSoftCompare.

// Equal, NotEqual, Null, NotNull

String TqzFilterEqualOperator::ExpressionText(const Variant& value) {
    if (!VarIsArray(value)) return TqzFilterOperator::ExpressionText(value);
    const std::vector<String> names = SplitParts(FieldName());
    const std::vector<Variant> elements = ElementsOf(value);
    std::vector<String> pairs;
    for (std::size_t i = 0; i < elements.size() && i < names.size(); ++i)
        pairs.push_back("(" + names[i] + " = " + ValueText(elements[i]) + ")");
    return Join(pairs, " AND ");
}

bool TqzFilterEqualOperator::Matches(const Variant& recordValue, const Variant& value) {
    return CompareVariantValuesOrRaise(recordValue, value) == 0;
}

String TqzFilterEqualOperator::Description() { return Localized(qzSFilterOperatorEqual); }

bool TqzFilterEqualOperator::UsesExpression() { return VarIsArray(GetCondition()->GetValue()); }

String TqzFilterNotEqualOperator::ExpressionText(const Variant& value) {
    return "NOT (" + TqzFilterEqualOperator::ExpressionText(value) + ")";
}

bool TqzFilterNotEqualOperator::Matches(const Variant& recordValue, const Variant& value) {
    return !TqzFilterEqualOperator::Matches(recordValue, value);
}

String TqzFilterNotEqualOperator::Description() { return Localized(qzSFilterOperatorNotEqual); }

void TqzFilterNullOperator::PrepareDisplayValue(String& text) {
    if (Criteria()->GetOptions().Contains(fcoShowOperatorDescription)) text.clear();
}

bool TqzFilterNullOperator::Matches(const Variant& recordValue, const Variant&) {
    return GetCondition()->ValueIsNull(recordValue);
}

String TqzFilterNullOperator::Description() { return Localized(qzSFilterOperatorNull); }

bool TqzFilterNotNullOperator::Matches(const Variant& recordValue, const Variant& value) {
    return !TqzFilterNullOperator::Matches(recordValue, value);
}

String TqzFilterNotNullOperator::Description() { return Localized(qzSFilterOperatorNotNull); }

// Relations

bool TqzFilterLessOperator::Matches(const Variant& recordValue, const Variant& value) {
    return CompareVariantValuesOrRaise(recordValue, value) < 0;
}

String TqzFilterLessOperator::Description() { return Localized(qzSFilterOperatorLess); }

bool TqzFilterLessEqualOperator::Matches(const Variant& recordValue, const Variant& value) {
    return CompareVariantValuesOrRaise(recordValue, value) < 1;
}

String TqzFilterLessEqualOperator::Description() { return Localized(qzSFilterOperatorLessEqual); }

bool TqzFilterGreaterOperator::Matches(const Variant& recordValue, const Variant& value) {
    return CompareVariantValuesOrRaise(recordValue, value) > 0;
}

String TqzFilterGreaterOperator::Description() { return Localized(qzSFilterOperatorGreater); }

bool TqzFilterGreaterEqualOperator::Matches(const Variant& recordValue, const Variant& value) {
    return CompareVariantValuesOrRaise(recordValue, value) >= 0;
}

String TqzFilterGreaterEqualOperator::Description() { return Localized(qzSFilterOperatorGreaterEqual); }

// Like, NotLike

Integer TqzFilterLikeOperator::PatternForm() {
    String pattern = VarToStr(GetCondition()->GetValue());
    return StripEdgeWildcards(pattern, Criteria()->GetPercentWildcard());
}

void TqzFilterLikeOperator::PrepareDisplayValue(String& text) {
    TqzFilterCriteria* criteria = Criteria();
    if (criteria->GetOptions().Contains(fcoShowOperatorDescription))
        StripEdgeWildcards(text, criteria->GetPercentWildcard());
}

bool TqzFilterLikeOperator::Matches(const Variant& recordValue, const Variant& value) {
    TqzFilterCriteria* criteria = Criteria();
    return LikeMatch(VarToStr(recordValue), VarToStr(value), criteria->GetPercentWildcard(),
                     criteria->GetUnderscoreWildcard());
}

String TqzFilterLikeOperator::Description() {
    switch (PatternForm()) {
    case 1:
        return Localized(qzSFilterOperatorBeginsWith);
    case 2:
        return Localized(qzSFilterOperatorEndsWith);
    case 3:
        return Localized(qzSFilterOperatorContains);
    default:
        return Localized(qzSFilterOperatorLike);
    }
}

bool TqzFilterNotLikeOperator::Matches(const Variant& recordValue, const Variant& value) {
    return !TqzFilterLikeOperator::Matches(recordValue, value);
}

String TqzFilterNotLikeOperator::Description() {
    switch (PatternForm()) {
    case 1:
        return Localized(qzSFilterOperatorNotBeginsWith);
    case 2:
        return Localized(qzSFilterOperatorNotEndsWith);
    case 3:
        return Localized(qzSFilterOperatorNotContains);
    default:
        return Localized(qzSFilterOperatorNotLike);
    }
}

// Between, NotBetween

String TqzFilterBetweenOperator::ExpressionText(const Variant& value) {
    if (!VarIsArray(value)) return TqzFilterOperator::ExpressionText(value);
    const String field = FieldName();
    return "(" + field + " >= " + ValueText(VarArrayGet(value, {0})) + ") AND (" + field +
           " <= " + ValueText(VarArrayGet(value, {1})) + ")";
}

void TqzFilterBetweenOperator::PrepareDisplayValue(String& text) {
    const std::vector<String> parts = SplitParts(text);
    if (parts.size() == 2) text = parts[0] + " " + Localized(qzSFilterAndCaption) + " " + parts[1];
}

bool TqzFilterBetweenOperator::ListValueText(const Variant& value, String& text) {
    if (!VarIsArray(value)) return false;
    text = ValueText(VarArrayGet(value, {0})) + " AND " + ValueText(VarArrayGet(value, {1}));
    return true;
}

bool TqzFilterBetweenOperator::Matches(const Variant& recordValue, const Variant& value) {
    return CompareVariantValuesOrRaise(VarArrayGet(value, {0}), recordValue) <= 0 &&
           CompareVariantValuesOrRaise(recordValue, VarArrayGet(value, {1})) <= 0;
}

String TqzFilterBetweenOperator::Description() { return Localized(qzSFilterOperatorBetween); }

bool TqzFilterBetweenOperator::UsesExpression() { return Criteria()->GetTranslateBetween(); }

String TqzFilterNotBetweenOperator::ExpressionText(const Variant& value) {
    return "NOT (" + TqzFilterBetweenOperator::ExpressionText(value) + ")";
}

bool TqzFilterNotBetweenOperator::Matches(const Variant& recordValue, const Variant& value) {
    return !TqzFilterBetweenOperator::Matches(recordValue, value);
}

String TqzFilterNotBetweenOperator::Description() { return Localized(qzSFilterOperatorNotBetween); }

// InList, NotInList

String TqzFilterInListOperator::ExpressionText(const Variant& value) {
    const String field = FieldName();
    std::vector<String> terms;
    for (const Variant& element : ElementsOf(value))
        terms.push_back("(" + field + " = " + ValueText(element) + ")");
    return Join(terms, " OR ");
}

void TqzFilterInListOperator::PrepareDisplayValue(String& text) {
    if (text.empty()) return;
    text = "(" + Join(SplitParts(text), ", ") + ")";
}

bool TqzFilterInListOperator::ListValueText(const Variant& value, String& text) {
    if (!VarIsArray(value)) return false;
    std::vector<String> elements;
    for (const Variant& element : ElementsOf(value))
        elements.push_back(ValueText(element));
    text = "(" + Join(elements, ", ") + ")";
    return true;
}

bool TqzFilterInListOperator::Matches(const Variant& recordValue, const Variant& value) {
    for (const Variant& element : ElementsOf(value))
        if (recordValue == element) return true;
    return false;
}

String TqzFilterInListOperator::Description() { return Localized(qzSFilterOperatorInList); }

bool TqzFilterInListOperator::UsesExpression() { return Criteria()->GetTranslateIn(); }

String TqzFilterNotInListOperator::ExpressionText(const Variant& value) {
    return "NOT (" + TqzFilterInListOperator::ExpressionText(value) + ")";
}

bool TqzFilterNotInListOperator::Matches(const Variant& recordValue, const Variant& value) {
    return !TqzFilterInListOperator::Matches(recordValue, value);
}

String TqzFilterNotInListOperator::Description() { return Localized(qzSFilterOperatorNotInList); }

// Date ranges

String TqzFilterDateOperator::ExpressionText(const Variant&) {
    const String field = FieldName();
    return "(" + field + " >= " + ValueText(VarFromDateTime(FRangeStart)) + ") AND (" + field + " < " +
           ValueText(VarFromDateTime(FRangeEnd)) + ")";
}

void TqzFilterDateOperator::PrepareDisplayValue(String& text) { text.clear(); }

void TqzFilterDateOperator::UpdateRange() {
    const TDateTime today = Date();
    const TDateTime weekStart = StartOfWeekOf(today);
    Word year = 0, month = 0, day = 0;
    DecodeDate(today, year, month, day);
    // The first day of the month `shift` months from this one.
    auto monthStart = [year, month](Integer shift) {
        Integer index = Integer(year) * 12 + (Integer(month) - 1) + shift;
        return EncodeDate(Word(index / 12), Word(index % 12 + 1), 1);
    };
    auto yearStart = [year](Integer shift) { return EncodeDate(Word(Integer(year) + shift), 1, 1); };
    switch (DateKind()) {
    case fokYesterday:
        FRangeStart = today - 1;
        FRangeEnd = today;
        break;
    case fokToday:
        FRangeStart = today;
        FRangeEnd = today + 1;
        break;
    case fokTomorrow:
        FRangeStart = today + 1;
        FRangeEnd = today + 2;
        break;
    case fokLastWeek:
        FRangeStart = weekStart - 7;
        FRangeEnd = weekStart;
        break;
    case fokThisWeek:
        FRangeStart = weekStart;
        FRangeEnd = weekStart + 7;
        break;
    case fokNextWeek:
        FRangeStart = weekStart + 7;
        FRangeEnd = weekStart + 14;
        break;
    case fokLastMonth:
        FRangeStart = monthStart(-1);
        FRangeEnd = monthStart(0);
        break;
    case fokThisMonth:
        FRangeStart = monthStart(0);
        FRangeEnd = monthStart(1);
        break;
    case fokNextMonth:
        FRangeStart = monthStart(1);
        FRangeEnd = monthStart(2);
        break;
    case fokLastYear:
        FRangeStart = yearStart(-1);
        FRangeEnd = yearStart(0);
        break;
    case fokThisYear:
        FRangeStart = yearStart(0);
        FRangeEnd = yearStart(1);
        break;
    case fokNextYear:
        FRangeStart = yearStart(1);
        FRangeEnd = yearStart(2);
        break;
    default:
        break;
    }
}

bool TqzFilterDateOperator::Matches(const Variant& recordValue, const Variant&) {
    if (GetCondition()->ValueIsNull(recordValue)) return false;
    return VarFromDateTime(FRangeStart) <= recordValue && recordValue < VarFromDateTime(FRangeEnd);
}

String TqzFilterDateOperator::Description() {
    static const char* const* const texts[] = {
        &qzSFilterOperatorYesterday, &qzSFilterOperatorToday,     &qzSFilterOperatorTomorrow,
        &qzSFilterOperatorLastWeek,  &qzSFilterOperatorLastMonth, &qzSFilterOperatorLastYear,
        &qzSFilterOperatorThisWeek,  &qzSFilterOperatorThisMonth, &qzSFilterOperatorThisYear,
        &qzSFilterOperatorNextWeek,  &qzSFilterOperatorNextMonth, &qzSFilterOperatorNextYear};
    return Localized(*texts[DateKind() - fokYesterday]);
}

TqzFilterOperatorClass FilterOperatorClassAt(Integer index) {
    static const TqzFilterOperatorClass classes[qzFilterOperatorClassCount] = {
        FilterOperatorClass<TqzFilterEqualOperator>(),
        FilterOperatorClass<TqzFilterNotEqualOperator>(),
        FilterOperatorClass<TqzFilterLessOperator>(),
        FilterOperatorClass<TqzFilterLessEqualOperator>(),
        FilterOperatorClass<TqzFilterGreaterOperator>(),
        FilterOperatorClass<TqzFilterGreaterEqualOperator>(),
        FilterOperatorClass<TqzFilterLikeOperator>(),
        FilterOperatorClass<TqzFilterNotLikeOperator>(),
        FilterOperatorClass<TqzFilterBetweenOperator>(),
        FilterOperatorClass<TqzFilterNotBetweenOperator>(),
        FilterOperatorClass<TqzFilterInListOperator>(),
        FilterOperatorClass<TqzFilterNotInListOperator>(),
        FilterOperatorClass<TqzFilterYesterdayOperator>(),
        FilterOperatorClass<TqzFilterTodayOperator>(),
        FilterOperatorClass<TqzFilterTomorrowOperator>(),
        FilterOperatorClass<TqzFilterLastWeekOperator>(),
        FilterOperatorClass<TqzFilterLastMonthOperator>(),
        FilterOperatorClass<TqzFilterLastYearOperator>(),
        FilterOperatorClass<TqzFilterThisWeekOperator>(),
        FilterOperatorClass<TqzFilterThisMonthOperator>(),
        FilterOperatorClass<TqzFilterThisYearOperator>(),
        FilterOperatorClass<TqzFilterNextWeekOperator>(),
        FilterOperatorClass<TqzFilterNextMonthOperator>(),
        FilterOperatorClass<TqzFilterNextYearOperator>(),
        FilterOperatorClass<TqzFilterNullOperator>(),
        FilterOperatorClass<TqzFilterNotNullOperator>()};
    if (index < 0 || index >= qzFilterOperatorClassCount) throw ERangeError("Range check error");
    return classes[index];
}

// ---- Criteria items ------------------------------------------------------------------------------

TqzCustomFilterCriteriaItem::~TqzCustomFilterCriteriaItem() {
    if (FParent != nullptr) FParent->RemoveChild(this);
}

void TqzCustomFilterCriteriaItem::NotifyChange() {
    if (TqzFilterCriteria* criteria = Criteria()) criteria->SignalChange();
}

TqzFilterCriteria* TqzCustomFilterCriteriaItem::Criteria() const {
    return FParent != nullptr ? FParent->Criteria() : nullptr;
}

void TqzCustomFilterCriteriaItem::WriteData(TStream* stream) { StreamWriteBoolean(stream, IsList()); }

TqzFilterCriteriaItemList::TqzFilterCriteriaItemList(TqzFilterCriteriaItemList* parent,
                                                     TqzFilterCriteria* criteria,
                                                     TqzFilterBoolOperatorKind kind)
    : TqzCustomFilterCriteriaItem(parent), FBoolOperatorKind(kind), FCriteria(criteria) {}

TqzFilterCriteriaItemList::~TqzFilterCriteriaItemList() {
    while (!FItems.empty())
        delete FItems.back();
}

TqzFilterCriteria* TqzFilterCriteriaItemList::Criteria() const {
    return FCriteria != nullptr ? FCriteria : TqzCustomFilterCriteriaItem::Criteria();
}

void TqzFilterCriteriaItemList::WriteData(TStream* stream) {
    TqzCustomFilterCriteriaItem::WriteData(stream);
    StreamWriteByte(stream, Byte(FBoolOperatorKind));
    StreamWriteInteger(stream, Count());
    for (TqzCustomFilterCriteriaItem* item : FItems)
        item->WriteData(stream);
}

void TqzFilterCriteriaItemList::RemoveChild(TqzCustomFilterCriteriaItem* item) {
    const Integer index = IndexOf(item);
    if (index < 0) return;
    FItems.erase(FItems.begin() + index);
    item->FParent = nullptr;
    NotifyChange();
}

TqzFilterCriteriaItemList* TqzFilterCriteriaItemList::AddList(TqzFilterBoolOperatorKind kind) {
    auto* list = new TqzFilterCriteriaItemList(this, nullptr, kind);
    AddItem(list);
    return list;
}

TqzFilterCriteriaItem* TqzFilterCriteriaItemList::AddCondition(TObject* itemLink,
                                                               TqzFilterOperatorKind operatorKind,
                                                               const Variant& value,
                                                               const String& displayValue) {
    return Criteria()->AddCondition(this, itemLink, operatorKind, value, displayValue);
}

void TqzFilterCriteriaItemList::ClearItems() {
    TqzFilterCriteria* criteria = Criteria();
    if (criteria == nullptr) {
        while (!FItems.empty())
            delete FItems.back();
        return;
    }
    Locked(criteria, [this] {
        while (!FItems.empty())
            delete FItems.back();
    });
}

TqzCustomFilterCriteriaItem* TqzFilterCriteriaItemList::Items(Integer index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[std::size_t(index)];
}

Integer TqzFilterCriteriaItemList::IndexOf(const TqzCustomFilterCriteriaItem* item) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == item) return Integer(i);
    return -1;
}

void TqzFilterCriteriaItemList::SetBoolOperatorKind(TqzFilterBoolOperatorKind value) {
    if (value == FBoolOperatorKind) return;
    FBoolOperatorKind = value;
    NotifyChange();
}

void TqzFilterCriteriaItemList::AddItem(TqzCustomFilterCriteriaItem* item) {
    if (item->FParent != nullptr && item->FParent != this) item->FParent->RemoveChild(item);
    if (IndexOf(item) >= 0) return;
    FItems.push_back(item);
    item->FParent = this;
    NotifyChange();
}

TqzFilterCriteriaItem::TqzFilterCriteriaItem(TqzFilterCriteriaItemList* parent, const String& displayValue,
                                             const Variant& value, TqzFilterOperatorKind operatorKind,
                                             TObject* itemLink)
    : TqzCustomFilterCriteriaItem(parent), FDisplayValue(displayValue), FItemLink(itemLink),
      FOperatorKind(operatorKind), FValue(value) {}

TqzFilterCriteriaItem::~TqzFilterCriteriaItem() = default;

void TqzFilterCriteriaItem::AfterConstruction() {
    RebuildOperator();
    if (FOperator->IsNullTest() && FDisplayValue.empty()) FDisplayValue = Localized(qzSFilterBlankCaption);
}

void TqzFilterCriteriaItem::WriteData(TStream* stream) {
    TqzCustomFilterCriteriaItem::WriteData(stream);
    StreamWriteByte(stream, Byte(FOperatorKind));
    StreamWriteString(stream, FDisplayValue);
    StreamWriteInteger(stream, Criteria()->ItemLinkIndex(FItemLink));
    StreamWriteVariant(stream, FValue);
}

Variant TqzFilterCriteriaItem::RecordValue(Integer) { AbstractError(); }

String TqzFilterCriteriaItem::DisplayValueText() {
    String text = FDisplayValue;
    FOperator->PrepareDisplayValue(text);
    return text;
}

String TqzFilterCriteriaItem::ValueTextFor(bool display) {
    return display ? DisplayValueText() : FOperator->ValueText(FValue);
}

String TqzFilterCriteriaItem::ItemCaption() { AbstractError(); }

String TqzFilterCriteriaItem::ExpressionFieldName() { AbstractError(); }

TqzFilterOperatorClass TqzFilterCriteriaItem::OperatorClass() {
    switch (FOperatorKind) {
    case fokEqual:
    case fokLike:
        if (ValueIsNull(FValue)) return FilterOperatorClassAt(qzFilterNullOperatorIndex);
        break;
    case fokNotEqual:
    case fokNotLike:
        if (ValueIsNull(FValue)) return FilterOperatorClassAt(qzFilterNotNullOperatorIndex);
        break;
    default:
        break;
    }
    return FilterOperatorClassAt(FOperatorKind);
}

void TqzFilterCriteriaItem::RebuildOperator() {
    FOperator.reset();
    FOperator.reset(OperatorClass()->Create(this));
    NotifyChange();
}

bool TqzFilterCriteriaItem::ValueIsNull(const Variant& value) {
    TqzFilterCriteria* criteria = Criteria();
    return criteria != nullptr ? criteria->ValueIsNull(value) : VarIsNull(value);
}

void TqzFilterCriteriaItem::SetDisplayValue(const String& value) {
    if (value == FDisplayValue) return;
    FDisplayValue = value;
    NotifyChange();
}

void TqzFilterCriteriaItem::SetOperatorKind(TqzFilterOperatorKind value) {
    if (value == FOperatorKind) return;
    FOperatorKind = value;
    RebuildOperator();
}

void TqzFilterCriteriaItem::SetValue(const Variant& value) {
    if (VarType(value) == VarType(FValue) && CompareVariantValues(value, FValue) == 0) return;
    FValue = value;
    RebuildOperator();
}

// ---- Criteria ------------------------------------------------------------------------------------

TqzFilterCriteria::TqzFilterCriteria() : FRoot(std::make_unique<TqzFilterCriteriaItemList>(nullptr, this)) {}

TqzFilterCriteria::~TqzFilterCriteria() {
    FDestroying = true;
    FRoot.reset();
}

void TqzFilterCriteria::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzFilterCriteria*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    Locked(this, [this, other] {
        SetDateTimeFormat(other->GetDateTimeFormat());
        SetMaxValueListCount(other->GetMaxValueListCount());
        SetOptions(other->GetOptions());
        SetPercentWildcard(other->GetPercentWildcard());
        SetTranslateBetween(other->GetTranslateBetween());
        SetTranslateIn(other->GetTranslateIn());
        SetSupportedLike(other->GetSupportedLike());
        SetUnderscoreWildcard(other->GetUnderscoreWildcard());
        AssignItems(other);
        CopyEvents(other);
    });
}

void TqzFilterCriteria::ApplyChanges() {
    if (!FChanged || FLockCount > 0) return;
    FChanged = false;
    RefreshOperators();
    NotifyChanged();
}

String TqzFilterCriteria::BooleanText(const Variant& value) { return VarToStr(value); }

String TqzFilterCriteria::DateText(const Variant& value) {
    if (FDateTimeFormat.empty()) return VarToStr(value);
    return FormatDateTime(FDateTimeFormat, VarToDateTime(value));
}

String TqzFilterCriteria::GetFilterTextOf(bool display) { return ListText(FRoot.get(), display); }

String TqzFilterCriteria::ListText(TqzFilterCriteriaItemList* list, bool display) {
    const TqzFilterBoolOperatorKind kind = list->GetBoolOperatorKind();
    const bool isAnd = kind == fboAnd || kind == fboNotAnd;
    const String word = display ? Localized(isAnd ? qzSFilterAndCaption : qzSFilterOrCaption)
                        : isAnd ? "AND"
                                : "OR";
    String text;
    for (Integer i = 0; i < list->Count(); ++i) {
        if (i > 0) text += " " + word + " ";
        TqzCustomFilterCriteriaItem* item = list->Items(i);
        if (item->IsList())
            text += "(" + ListText(static_cast<TqzFilterCriteriaItemList*>(item), display) + ")";
        else
            text += "(" + ConditionText(static_cast<TqzFilterCriteriaItem*>(item), display) + ")";
    }
    if (kind == fboNotAnd || kind == fboNotOr)
        text = (display ? Localized(qzSFilterNotCaption) : String("NOT")) + " (" + text + ")";
    return text;
}

Integer TqzFilterCriteria::ItemLinkIndex(TObject*) { AbstractError(); }

TObject* TqzFilterCriteria::ItemLinkAt(Integer) { AbstractError(); }

TqzFilterCriteriaItemClass TqzFilterCriteria::ConditionClass() {
    return FilterCriteriaItemClass<TqzFilterCriteriaItem>();
}

String TqzFilterCriteria::ConditionText(TqzFilterCriteriaItem* condition, bool display) {
    TqzFilterOperator* op = condition->GetOperator();
    if (!display && op->UsesExpression()) return op->ExpressionText(condition->GetValue());
    String text = ItemText(condition, display) + " " + OperatorText(condition, display);
    const String value = ValueTextOf(condition, display);
    if (!value.empty()) text += " " + value;
    return text;
}

String TqzFilterCriteria::ItemText(TqzFilterCriteriaItem* condition, bool display) {
    return display ? condition->ItemCaption() : condition->ExpressionFieldName();
}

String TqzFilterCriteria::OperatorText(TqzFilterCriteriaItem* condition, bool display) {
    TqzFilterOperator* op = condition->GetOperator();
    if (display && (op->DescriptionAlways() || FOptions.Contains(fcoShowOperatorDescription)))
        return op->Description();
    return op->Symbol();
}

String TqzFilterCriteria::ValueTextOf(TqzFilterCriteriaItem* condition, bool display) {
    return condition->ValueTextFor(display);
}

TqzFilterValueListClass TqzFilterCriteria::ValueListClass() {
    return FilterValueListClass<TqzFilterValueList>();
}

void TqzFilterCriteria::RefreshOperators() {
    std::vector<TqzFilterCriteriaItemList*> pending{FRoot.get()};
    while (!pending.empty()) {
        TqzFilterCriteriaItemList* list = pending.back();
        pending.pop_back();
        for (Integer i = 0; i < list->Count(); ++i) {
            TqzCustomFilterCriteriaItem* item = list->Items(i);
            if (item->IsList())
                pending.push_back(static_cast<TqzFilterCriteriaItemList*>(item));
            else if (TqzFilterOperator* op = static_cast<TqzFilterCriteriaItem*>(item)->GetOperator())
                op->UpdateRange();
        }
    }
}

Variant TqzFilterCriteria::PrepareValue(const Variant& value) {
    if (VarType(value) == varCurrency) return Variant(value.AsDouble());
    if (VarIsStr(value) && FOptions.Contains(fcoCaseInsensitive))
        return Variant(AnsiUpperCase(VarToStr(value)));
    return value;
}

void TqzFilterCriteria::NotifyChanged() { OnChanged(this); }

void TqzFilterCriteria::CopyEvents(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzFilterCriteria*>(source)) OnChanged = other->OnChanged;
}

void TqzFilterCriteria::AssignItems(TqzFilterCriteria* source) {
    TMemoryStream own;
    TMemoryStream theirs;
    WriteData(&own);
    source->WriteData(&theirs);
    if (own.GetSize() == theirs.GetSize() &&
        std::memcmp(own.GetMemory(), theirs.GetMemory(), std::size_t(own.GetSize())) == 0)
        return;
    Locked(this, [this, source] {
        ClearTree();
        TMemoryStream image;
        source->WriteData(&image);
        image.Seek(0, soBeginning);
        ReadData(&image);
    });
}

TqzFilterCriteriaItem* TqzFilterCriteria::AddCondition(TqzFilterCriteriaItemList* list, TObject* itemLink,
                                                       TqzFilterOperatorKind operatorKind,
                                                       const Variant& value, const String& displayValue) {
    TqzFilterCriteriaItem* condition = nullptr;
    Locked(this, [&] {
        if (list == nullptr) list = FRoot.get();
        condition = ConditionClass()->Create(list, displayValue, value, operatorKind, itemLink);
        list->AddItem(condition);
        condition->AfterConstruction();
    });
    return condition;
}

void TqzFilterCriteria::SignalChange() {
    if (FDestroying) return;
    FChanged = true;
    ApplyChanges();
}

TqzFilterCriteriaItem* TqzFilterCriteria::FindByItemLink(TObject* itemLink) {
    struct TSearch {
        static TqzFilterCriteriaItem* In(TqzFilterCriteriaItemList* list, TObject* link) {
            for (Integer i = 0; i < list->Count(); ++i) {
                TqzCustomFilterCriteriaItem* item = list->Items(i);
                if (item->IsList()) {
                    if (auto* found = In(static_cast<TqzFilterCriteriaItemList*>(item), link)) return found;
                } else if (static_cast<TqzFilterCriteriaItem*>(item)->GetItemLink() == link) {
                    return static_cast<TqzFilterCriteriaItem*>(item);
                }
            }
            return nullptr;
        }
    };
    return TSearch::In(FRoot.get(), itemLink);
}

bool TqzFilterCriteria::IsEmpty() const { return FRoot->Count() == 0; }

void TqzFilterCriteria::ReadFromComponentStream(TStream* stream) {
    Locked(this, [this, stream] {
        TFilterWrapper wrapper(nullptr);
        wrapper.SetFilter(this);
        TReader reader(stream);
        reader.ReadRootComponent(&wrapper);
    });
}

void TqzFilterCriteria::RestoreDefaults() {
    Locked(this, [this] {
        SetOptions(TqzFilterCriteriaOptions());
        SetPercentWildcard('%');
        SetSupportedLike(true);
        SetTranslateBetween(false);
        SetTranslateIn(false);
        SetUnderscoreWildcard('_');
    });
}

void TqzFilterCriteria::WriteToComponentStream(TStream* stream) {
    TFilterWrapper wrapper(nullptr);
    wrapper.SetFilter(this);
    TWriter writer(stream);
    writer.WriteRootComponent(&wrapper);
}

bool TqzFilterCriteria::ValueIsNull(const Variant& value) {
    return FOptions.Contains(fcoSoftNull) ? IsVariantBlank(value) : VarIsNull(value);
}

void TqzFilterCriteria::ReadData(TStream* stream) {
    Locked(this, [this, stream] {
        ClearTree();
        Integer count = StreamReadInteger(stream);
        if (count == -1) {
            const Byte kind = StreamReadByte(stream);
            if (kind > fboNotOr) DamagedImage();
            FRoot->SetBoolOperatorKind(TqzFilterBoolOperatorKind(kind));
            count = StreamReadInteger(stream);
        }
        ReadNodes(stream, FRoot.get(), count, 0);
    });
}

void TqzFilterCriteria::ReadNodes(TStream* stream, TqzFilterCriteriaItemList* list, Integer count,
                                  Integer depth) {
    if (count < 0) DamagedImage();
    for (Integer i = 0; i < count; ++i) {
        const Byte isList = StreamReadByte(stream);
        if (isList > 1) DamagedImage();
        TqzCustomFilterCriteriaItem* node = nullptr;
        if (isList == 1) {
            if (depth + 1 > MaxImageNesting) DamagedImage();
            const Byte kind = StreamReadByte(stream);
            if (kind > fboNotOr) DamagedImage();
            TqzFilterCriteriaItemList* child = list->AddList(TqzFilterBoolOperatorKind(kind));
            ReadNodes(stream, child, StreamReadInteger(stream), depth + 1);
            node = child;
        } else {
            const Byte kind = StreamReadByte(stream);
            if (kind >= qzFilterOperatorKindCount) DamagedImage();
            const String displayValue = StreamReadString(stream);
            const Integer index = StreamReadInteger(stream);
            const Variant value = StreamReadVariant(stream);
            node = AddCondition(list, ItemLinkAt(index), TqzFilterOperatorKind(kind), value, displayValue);
        }
        node->ReadExtra(stream);
    }
}

void TqzFilterCriteria::WriteData(TStream* stream) {
    StreamWriteInteger(stream, -1);
    StreamWriteByte(stream, Byte(FRoot->GetBoolOperatorKind()));
    StreamWriteInteger(stream, FRoot->Count());
    for (Integer i = 0; i < FRoot->Count(); ++i)
        FRoot->Items(i)->WriteData(stream);
}

void TqzFilterCriteria::EndUpdate() {
    --FLockCount;
    ApplyChanges();
}

void TqzFilterCriteria::ClearTree() {
    Locked(this, [this] {
        FRoot->ClearItems();
        FRoot->SetBoolOperatorKind(fboAnd);
    });
}

bool TqzFilterCriteria::FilterRecord(Integer recordIndex) { return EvaluateList(FRoot.get(), recordIndex); }

bool TqzFilterCriteria::EvaluateList(TqzFilterCriteriaItemList* list, Integer recordIndex) {
    const TqzFilterBoolOperatorKind kind = list->GetBoolOperatorKind();
    bool result = true;
    for (Integer i = 0; i < list->Count(); ++i) {
        TqzCustomFilterCriteriaItem* item = list->Items(i);
        const bool r = item->IsList()
                           ? EvaluateList(static_cast<TqzFilterCriteriaItemList*>(item), recordIndex)
                           : EvaluateCondition(static_cast<TqzFilterCriteriaItem*>(item), recordIndex);
        if (i == 0) {
            result = (kind == fboAnd || kind == fboOr) ? r : !r;
            continue;
        }
        switch (kind) {
        case fboAnd:
            result = result && r;
            break;
        case fboOr:
            result = result || r;
            break;
        case fboNotAnd:
            result = result || !r;
            break;
        case fboNotOr:
            result = result && !r;
            break;
        }
    }
    return result;
}

bool TqzFilterCriteria::EvaluateCondition(TqzFilterCriteriaItem* condition, Integer recordIndex) {
    try {
        const Variant recordValue = PrepareValue(condition->RecordValue(recordIndex));
        const Variant value = PrepareValue(condition->GetValue());
        TqzFilterOperator* op = condition->GetOperator();
        if (FOptions.Contains(fcoIgnoreNull) && !op->IsNullTest() && condition->ValueIsNull(recordValue))
            return false;
        return op->Matches(recordValue, value);
    } catch (const EVariantError&) {
        if (FOptions.Contains(fcoSoftCompare)) return false;
        throw;
    }
}

bool TqzFilterCriteria::HasFilter() const {
    return FRoot->GetBoolOperatorKind() != fboAnd || FRoot->Count() > 0;
}

void TqzFilterCriteria::RemoveItemLink(TObject* itemLink) {
    BeginUpdate();
    bool removed = false;
    try {
        while (TqzFilterCriteriaItem* condition = FindByItemLink(itemLink)) {
            TqzFilterCriteriaItemList* list = condition->GetParent();
            delete condition;
            removed = true;
            // Tidies the lists above the removed condition; the root stays whatever it holds.
            while (list != nullptr && list != FRoot.get()) {
                TqzFilterCriteriaItemList* parent = list->GetParent();
                if (list->Count() == 0) {
                    delete list;
                    list = parent;
                    continue;
                }
                const TqzFilterBoolOperatorKind kind = list->GetBoolOperatorKind();
                if (list->Count() == 1 && (kind == fboAnd || kind == fboOr)) {
                    parent->AddItem(list->Items(0));
                    delete list;
                }
                break;
            }
        }
    } catch (...) {
        if (removed)
            EndUpdate();
        else
            CancelUpdate();
        throw;
    }
    if (removed)
        EndUpdate();
    else
        CancelUpdate();
}

void TqzFilterCriteria::SetDateTimeFormat(const String& value) {
    if (value == FDateTimeFormat) return;
    FDateTimeFormat = value;
    SignalChange();
}

void TqzFilterCriteria::SetOptions(TqzFilterCriteriaOptions value) {
    if (value == FOptions) return;
    FOptions = value;
    SignalChange();
}

void TqzFilterCriteria::SetPercentWildcard(char value) {
    if (value == FPercentWildcard) return;
    FPercentWildcard = value;
    SignalChange();
}

void TqzFilterCriteria::SetUnderscoreWildcard(char value) {
    if (value == FUnderscoreWildcard) return;
    FUnderscoreWildcard = value;
    SignalChange();
}

// ---- Value lists ---------------------------------------------------------------------------------

Integer TqzFilterValueList::CompareItem(Integer index, const Variant& value, const String& text) {
    const TqzFilterValueItem& item = Items(index);
    if (FCompareByText) {
        if (FCriteria->GetOptions().Contains(fcoCaseInsensitive))
            return AnsiCompareStr(AnsiUpperCase(item.DisplayText), AnsiUpperCase(text));
        return AnsiCompareStr(item.DisplayText, text);
    }
    return CompareVariantValues(FCriteria->PrepareValue(item.Value), FCriteria->PrepareValue(value));
}

void TqzFilterValueList::Add(TqzFilterValueItemKind kind, const Variant& value, const String& displayText,
                             bool append) {
    const TqzFilterValueItem entry{kind, value, displayText};
    if (kind == fvkPinned) {
        Integer separator = -1;
        for (Integer i = 0; i < Count() && separator < 0; ++i) {
            if (FItems[std::size_t(i)].Kind == fvkPinnedSeparator)
                separator = i;
            else if (FItems[std::size_t(i)].Kind != fvkPinned)
                break;
        }
        if (separator < 0) {
            FItems.insert(FItems.begin(), TqzFilterValueItem{fvkPinnedSeparator, Null(), String()});
            separator = 0;
        }
        FItems.insert(FItems.begin() + separator, entry);
        return;
    }
    if (kind != fvkValue) {
        const Integer firstValue = IndexOfKind(fvkValue);
        FItems.insert(firstValue < 0 ? FItems.end() : FItems.begin() + firstValue, entry);
        return;
    }
    if (append) {
        FItems.push_back(entry);
        return;
    }
    const Integer maxCount = FCriteria->GetMaxValueListCount();
    if (maxCount != 0 && Count() >= maxCount) return;
    Integer index = 0;
    if (Find(value, displayText, index)) return;
    FItems.insert(FItems.begin() + index, entry);
}

bool TqzFilterValueList::Find(const Variant& value, const String& text, Integer& index) {
    for (Integer i = 0; i < Count() && FItems[std::size_t(i)].Kind == fvkPinned; ++i) {
        if (CompareItem(i, value, text) == 0) {
            index = i;
            return true;
        }
    }
    Integer low = IndexOfKind(fvkValue);
    if (low < 0) low = Count();
    Integer high = Count() - 1;
    while (low <= high) {
        const Integer middle = (low + high) / 2;
        const Integer result = CompareItem(middle, value, text);
        if (result == 0) {
            index = middle;
            return true;
        }
        if (result < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    index = low;
    return false;
}

Integer TqzFilterValueList::IndexOfCondition(TqzFilterCriteriaItem* condition) {
    if (condition == nullptr) return -1;
    const TqzFilterOperatorKind kind = condition->GetOperatorKind();
    if (FCriteria->ValueIsNull(condition->GetValue()) && (kind == fokEqual || kind == fokNotEqual))
        return IndexOfKind(kind == fokEqual ? fvkBlanks : fvkNonBlanks);
    if (condition->GetParent() != FCriteria->GetRoot() || kind != fokEqual) return IndexOfKind(fvkCustom);
    Integer index = 0;
    if (Find(condition->GetValue(), condition->GetDisplayValue(), index)) return index;
    return IndexOfKind(fvkAll);
}

const TqzFilterValueItem& TqzFilterValueList::Items(Integer index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FItems[std::size_t(index)];
}

Integer TqzFilterValueList::IndexOfKind(TqzFilterValueItemKind kind) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Kind == kind) return Integer(i);
    return -1;
}
