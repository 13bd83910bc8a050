// Filters of the data controller: operators, criteria trees and value lists.
//
// A filter criteria is a tree: lists join their children with AND, OR, NOT AND or NOT OR, and
// conditions compare one item's value in a record with a filter value through an operator. The
// criteria evaluate a record against the tree, write it as a filter expression (for a data set's
// filter or an SQL engine) and as a display text, and store it in a compact binary image:
//
//     marker     int32 -1
//     root kind  1 byte (0 AND, 1 OR, 2 NOT AND, 3 NOT OR)
//     root count int32, then that many nodes
//     node       1 byte: 1 list, 0 condition
//       list:      kind (1 byte), count (int32), that many nodes
//       condition: operator kind (1 byte), display value (int32 byte count + UTF-8 bytes),
//                  item link index (int32), value (tagged variant; an array as a list)
//
// An image that begins with another int32 than -1 is the older form: that int32 is the root
// count and the root is an AND list. Numbers are little-endian.
//
// What an item is, how a record's value is read and how item links are numbered in images are
// the business of descendants (the data controller's and the data set's criteria).
//
// Class references that construct: operators, conditions and value lists are made from a
// TqzClassRef (the class with its constructor), as FilterOperatorClass<T>() gives.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Variant.h"

// ---- Class references with constructors ------------------------------------------------------

// A class and the constructor of its instances, used where a class reference makes objects.
template <class Base, class... Args> struct TqzClassRef {
    TClass ClassType;
    Base* (*Factory)(Args...);

    Base* Create(Args... args) const { return Factory(args...); }
    const String& ClassName() const { return ClassType->ClassName(); }
    // The class itself or one of its descendants.
    bool InheritsFrom(const TqzClassRef* ancestor) const {
        return ancestor != nullptr && ClassType->InheritsFrom(ancestor->ClassType);
    }
};

// The one reference of class T (constructed with new T(args...)).
template <class T, class Base, class... Args> const TqzClassRef<Base, Args...>* ClassRefOf() {
    static const TqzClassRef<Base, Args...> ref{T::StaticClass(),
                                                [](Args... args) -> Base* { return new T(args...); }};
    return &ref;
}

// ---- Kinds and options -------------------------------------------------------------------------

enum TqzFilterOperatorKind : Byte {
    fokEqual,
    fokNotEqual,
    fokLess,
    fokLessEqual,
    fokGreater,
    fokGreaterEqual,
    fokLike,
    fokNotLike,
    fokBetween,
    fokNotBetween,
    fokInList,
    fokNotInList,
    fokYesterday,
    fokToday,
    fokTomorrow,
    fokLastWeek,
    fokLastMonth,
    fokLastYear,
    fokThisWeek,
    fokThisMonth,
    fokThisYear,
    fokNextWeek,
    fokNextMonth,
    fokNextYear
};
constexpr Integer qzFilterOperatorKindCount = Integer(fokNextYear) + 1;

enum TqzFilterBoolOperatorKind : Byte { fboAnd, fboOr, fboNotAnd, fboNotOr };

enum TqzFilterCriteriaOption {
    fcoCaseInsensitive,         // strings upper-cased on both sides (value-list texts too)
    fcoShowOperatorDescription, // display texts use operator descriptions instead of symbols
    fcoSoftNull,                // an empty string counts as null
    fcoSoftCompare,             // a variant error while comparing makes the condition false
    fcoIgnoreNull               // a null record value fails every condition but the null tests
};
using TqzFilterCriteriaOptions = TSet<TqzFilterCriteriaOption, fcoIgnoreNull>;

class TqzFilterCriteria;
class TqzFilterCriteriaItem;
class TqzFilterCriteriaItemList;
class TqzFilterOperator;
class TqzFilterValueList;

using TqzFilterOperatorClass = const TqzClassRef<TqzFilterOperator, TqzFilterCriteriaItem*>*;
template <class T> TqzFilterOperatorClass FilterOperatorClass() {
    return ClassRefOf<T, TqzFilterOperator, TqzFilterCriteriaItem*>();
}

// ---- Operators -----------------------------------------------------------------------------------

// Compares a record value with a condition's filter value, and writes the condition as
// expression and display text. Made by its condition, which it belongs to.
class TqzFilterOperator : public TObject {
    KOV_CLASS(TqzFilterOperator, TObject)
public:
    explicit TqzFilterOperator(TqzFilterCriteriaItem* condition) : FCondition(condition) {}

    // For a condition whose operator UsesExpression: the whole condition as filter expression.
    virtual String ExpressionText(const Variant& value);
    // A value as filter-expression text: a list (ListValueText), NULL, a quoted date or string
    // (inner quotes doubled), the criteria's Boolean text, the variant's text; then the
    // criteria's FormatValueText.
    virtual String ValueText(const Variant& value);
    virtual void PrepareDisplayValue(String& text);
    // Date operators compute their range from today's date.
    virtual void UpdateRange() {}
    // Between and InList write an array value as their list; false otherwise.
    virtual bool ListValueText(const Variant& value, String& text);
    // Both values are prepared (TqzFilterCriteria::PrepareValue). May raise variant errors.
    virtual bool Matches(const Variant& recordValue, const Variant& value) = 0;
    // Localised.
    virtual String Description() { return Symbol(); }
    virtual String Symbol() = 0;
    virtual bool DescriptionAlways() { return false; }
    virtual bool UsesExpression() { return false; }
    virtual bool IsNullTest() { return false; }

    TqzFilterCriteriaItem* GetCondition() const { return FCondition; }
    TqzFilterCriteria* Criteria() const;

protected:
    // The condition's field name for expressions.
    String FieldName() const;

private:
    TqzFilterCriteriaItem* FCondition;
};

class TqzFilterEqualOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterEqualOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    // An array value pairs its elements with the ";"-separated field names:
    // (A = 1) AND (B = 'x').
    String ExpressionText(const Variant& value) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "="; }
    // The value is an array (a condition on several key fields).
    bool UsesExpression() override;
};

class TqzFilterNotEqualOperator : public TqzFilterEqualOperator {
    KOV_CLASS(TqzFilterNotEqualOperator, TqzFilterEqualOperator)
public:
    using TqzFilterEqualOperator::TqzFilterEqualOperator;
    String ExpressionText(const Variant& value) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "<>"; }
};

// The record value counts as null (the criteria's ValueIsNull).
class TqzFilterNullOperator : public TqzFilterEqualOperator {
    KOV_CLASS(TqzFilterNullOperator, TqzFilterEqualOperator)
public:
    using TqzFilterEqualOperator::TqzFilterEqualOperator;
    // Empty with fcoShowOperatorDescription (the description says it all).
    void PrepareDisplayValue(String& text) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    bool IsNullTest() override { return true; }
};

class TqzFilterNotNullOperator : public TqzFilterNullOperator {
    KOV_CLASS(TqzFilterNotNullOperator, TqzFilterNullOperator)
public:
    using TqzFilterNullOperator::TqzFilterNullOperator;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "<>"; }
};

class TqzFilterLessOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterLessOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "<"; }
};

class TqzFilterLessEqualOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterLessEqualOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "<="; }
};

class TqzFilterGreaterOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterGreaterOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return ">"; }
};

class TqzFilterGreaterEqualOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterGreaterEqualOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return ">="; }
};

// LIKE with the criteria's wildcards; the description follows the pattern's form (begins
// with, ends with, contains).
class TqzFilterLikeOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterLikeOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    // With fcoShowOperatorDescription the outer wildcards are stripped.
    void PrepareDisplayValue(String& text) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "LIKE"; }

protected:
    // 1 begins with, 2 ends with, 3 contains, 0 another pattern.
    Integer PatternForm();
};

class TqzFilterNotLikeOperator : public TqzFilterLikeOperator {
    KOV_CLASS(TqzFilterNotLikeOperator, TqzFilterLikeOperator)
public:
    using TqzFilterLikeOperator::TqzFilterLikeOperator;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "NOT LIKE"; }
};

// The value is an array [low, high].
class TqzFilterBetweenOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterBetweenOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    // (F >= low) AND (F <= high)
    String ExpressionText(const Variant& value) override;
    // "low;high" becomes "low and high".
    void PrepareDisplayValue(String& text) override;
    // low AND high
    bool ListValueText(const Variant& value, String& text) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "BETWEEN"; }
    bool DescriptionAlways() override { return true; }
    // The criteria's TranslateBetween.
    bool UsesExpression() override;
};

class TqzFilterNotBetweenOperator : public TqzFilterBetweenOperator {
    KOV_CLASS(TqzFilterNotBetweenOperator, TqzFilterBetweenOperator)
public:
    using TqzFilterBetweenOperator::TqzFilterBetweenOperator;
    String ExpressionText(const Variant& value) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "NOT BETWEEN"; }
};

// The value is an array of the accepted values (a single value stands for itself).
class TqzFilterInListOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterInListOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    // (F = 1) OR (F = 2) ...
    String ExpressionText(const Variant& value) override;
    // "a;b" becomes "(a, b)".
    void PrepareDisplayValue(String& text) override;
    // (1, 2, 3)
    bool ListValueText(const Variant& value, String& text) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "IN"; }
    bool DescriptionAlways() override { return true; }
    // The criteria's TranslateIn.
    bool UsesExpression() override;
};

class TqzFilterNotInListOperator : public TqzFilterInListOperator {
    KOV_CLASS(TqzFilterNotInListOperator, TqzFilterInListOperator)
public:
    using TqzFilterInListOperator::TqzFilterInListOperator;
    String ExpressionText(const Variant& value) override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return "NOT IN"; }
};

// A range of days around today: start <= value < end. The filter value is not used.
class TqzFilterDateOperator : public TqzFilterOperator {
    KOV_CLASS(TqzFilterDateOperator, TqzFilterOperator)
public:
    using TqzFilterOperator::TqzFilterOperator;
    // (F >= 'start') AND (F < 'end')
    String ExpressionText(const Variant& value) override;
    // Always empty.
    void PrepareDisplayValue(String& text) override;
    void UpdateRange() override;
    bool Matches(const Variant& recordValue, const Variant& value) override;
    String Description() override;
    String Symbol() override { return Description(); }
    bool UsesExpression() override { return true; }

    TDateTime GetRangeStart() const { return FRangeStart; }
    TDateTime GetRangeEnd() const { return FRangeEnd; }

protected:
    // fokYesterday .. fokNextYear.
    virtual TqzFilterOperatorKind DateKind() const = 0;

private:
    TDateTime FRangeStart = 0;
    TDateTime FRangeEnd = 0;
};

#define KOV_QZ_DATE_OPERATOR(Name, Kind)                                                                     \
    class Name : public TqzFilterDateOperator {                                                              \
        KOV_CLASS(Name, TqzFilterDateOperator)                                                               \
    public:                                                                                                  \
        using TqzFilterDateOperator::TqzFilterDateOperator;                                                  \
                                                                                                             \
    protected:                                                                                               \
        TqzFilterOperatorKind DateKind() const override { return Kind; }                                     \
    };
KOV_QZ_DATE_OPERATOR(TqzFilterYesterdayOperator, fokYesterday)
KOV_QZ_DATE_OPERATOR(TqzFilterTodayOperator, fokToday)
KOV_QZ_DATE_OPERATOR(TqzFilterTomorrowOperator, fokTomorrow)
KOV_QZ_DATE_OPERATOR(TqzFilterLastWeekOperator, fokLastWeek)
KOV_QZ_DATE_OPERATOR(TqzFilterLastMonthOperator, fokLastMonth)
KOV_QZ_DATE_OPERATOR(TqzFilterLastYearOperator, fokLastYear)
KOV_QZ_DATE_OPERATOR(TqzFilterThisWeekOperator, fokThisWeek)
KOV_QZ_DATE_OPERATOR(TqzFilterThisMonthOperator, fokThisMonth)
KOV_QZ_DATE_OPERATOR(TqzFilterThisYearOperator, fokThisYear)
KOV_QZ_DATE_OPERATOR(TqzFilterNextWeekOperator, fokNextWeek)
KOV_QZ_DATE_OPERATOR(TqzFilterNextMonthOperator, fokNextMonth)
KOV_QZ_DATE_OPERATOR(TqzFilterNextYearOperator, fokNextYear)
#undef KOV_QZ_DATE_OPERATOR

// The operator classes: entries 0..23 by operator kind, 24 the null and 25 the not-null
// operator. Raises ERangeError outside 0..25.
constexpr Integer qzFilterOperatorClassCount = 26;
constexpr Integer qzFilterNullOperatorIndex = 24;
constexpr Integer qzFilterNotNullOperatorIndex = 25;
TqzFilterOperatorClass FilterOperatorClassAt(Integer index);

// A value as people read it: the localised "blank" for Null, else the variant's text.
String FilterDisplayValueText(const Variant& value);

// ---- Criteria items ----------------------------------------------------------------------------

class TqzCustomFilterCriteriaItem : public TObject {
    KOV_CLASS(TqzCustomFilterCriteriaItem, TObject)
public:
    explicit TqzCustomFilterCriteriaItem(TqzFilterCriteriaItemList* parent) : FParent(parent) {}
    // Leaves its parent list (a change).
    ~TqzCustomFilterCriteriaItem() override;

    // Tells the criteria of a change.
    virtual void NotifyChange();
    virtual TqzFilterCriteria* Criteria() const;
    virtual bool IsList() const = 0;
    // Reads what a descendant stores after the item in binary images; nothing here.
    virtual void ReadExtra(TStream* stream) {}
    // The node of the binary image: the is-list byte, then the item's own fields.
    virtual void WriteData(TStream* stream);

    TqzFilterCriteriaItemList* GetParent() const { return FParent; }

private:
    friend class TqzFilterCriteriaItemList;
    TqzFilterCriteriaItemList* FParent;
};

using TqzFilterCriteriaItemClass =
    const TqzClassRef<TqzFilterCriteriaItem, TqzFilterCriteriaItemList*, const String&, const Variant&,
                      TqzFilterOperatorKind, TObject*>*;
// A condition class: made with new T(list, display value, value, operator kind, item link).
template <class T> TqzFilterCriteriaItemClass FilterCriteriaItemClass() {
    return ClassRefOf<T, TqzFilterCriteriaItem, TqzFilterCriteriaItemList*, const String&, const Variant&,
                      TqzFilterOperatorKind, TObject*>();
}

class TqzFilterCriteriaItemList : public TqzCustomFilterCriteriaItem {
    KOV_CLASS(TqzFilterCriteriaItemList, TqzCustomFilterCriteriaItem)
public:
    // criteria is given for the root only.
    TqzFilterCriteriaItemList(TqzFilterCriteriaItemList* parent, TqzFilterCriteria* criteria,
                              TqzFilterBoolOperatorKind kind = fboAnd);
    // Destroys the children, the last first.
    ~TqzFilterCriteriaItemList() override;

    TqzFilterCriteria* Criteria() const override;
    bool IsList() const override { return true; }
    void WriteData(TStream* stream) override;

    // Takes a child out of the list (it is not destroyed); a change when it was there.
    virtual void RemoveChild(TqzCustomFilterCriteriaItem* item);
    // A new child list, appended (a change).
    virtual TqzFilterCriteriaItemList* AddList(TqzFilterBoolOperatorKind kind);
    // The criteria's AddCondition on this list.
    virtual TqzFilterCriteriaItem* AddCondition(TObject* itemLink, TqzFilterOperatorKind operatorKind,
                                                const Variant& value, const String& displayValue = String());
    // Under the criteria's lock: destroys the children, the last first.
    virtual void ClearItems();

    Integer Count() const { return Integer(FItems.size()); }
    // nullptr outside 0..Count-1.
    TqzCustomFilterCriteriaItem* Items(Integer index) const;
    Integer IndexOf(const TqzCustomFilterCriteriaItem* item) const;

    TqzFilterBoolOperatorKind GetBoolOperatorKind() const { return FBoolOperatorKind; }
    // A different kind is a change.
    void SetBoolOperatorKind(TqzFilterBoolOperatorKind value);

    // Appends an item made for this list, or moves one here from another list (a change).
    void AddItem(TqzCustomFilterCriteriaItem* item);

private:
    TqzFilterBoolOperatorKind FBoolOperatorKind;
    TqzFilterCriteria* FCriteria;
    std::vector<TqzCustomFilterCriteriaItem*> FItems;
};

// A condition: item (the item link) operator value. Made by TqzFilterCriteria::AddCondition,
// which builds its operator once it is whole.
class TqzFilterCriteriaItem : public TqzCustomFilterCriteriaItem {
    KOV_CLASS(TqzFilterCriteriaItem, TqzCustomFilterCriteriaItem)
public:
    TqzFilterCriteriaItem(TqzFilterCriteriaItemList* parent, const String& displayValue, const Variant& value,
                          TqzFilterOperatorKind operatorKind, TObject* itemLink);
    ~TqzFilterCriteriaItem() override;

    bool IsList() const override { return false; }
    void WriteData(TStream* stream) override;

    // The item's value in a record. Descendants provide it (here: an abstract-method error).
    virtual Variant RecordValue(Integer recordIndex);
    // The display value passed through the operator's PrepareDisplayValue.
    virtual String DisplayValueText();
    // display: DisplayValueText; else the operator's ValueText of the value.
    virtual String ValueTextFor(bool display);
    // The item as people read it, and as filter expressions name it. Descendants provide them.
    virtual String ItemCaption();
    virtual String ExpressionFieldName();
    // Equal and Like on a null value take the null operator, NotEqual and NotLike the not-null
    // one; every other condition the class of its kind.
    virtual TqzFilterOperatorClass OperatorClass();
    virtual TObject* LinkedItem() { return FItemLink; }
    // A new operator of OperatorClass (a change).
    virtual void RebuildOperator();
    virtual bool ValueIsNull(const Variant& value);

    const String& GetDisplayValue() const { return FDisplayValue; }
    void SetDisplayValue(const String& value);
    TObject* GetItemLink() const { return FItemLink; }
    TqzFilterOperator* GetOperator() const { return FOperator.get(); }
    TqzFilterOperatorKind GetOperatorKind() const { return FOperatorKind; }
    // A different kind or value makes a new operator.
    void SetOperatorKind(TqzFilterOperatorKind value);
    const Variant& GetValue() const { return FValue; }
    void SetValue(const Variant& value);

protected:
    // Builds the operator; a null test without display value shows the localised "blank".
    virtual void AfterConstruction();

private:
    friend class TqzFilterCriteria;
    String FDisplayValue;
    TObject* FItemLink;
    std::unique_ptr<TqzFilterOperator> FOperator;
    TqzFilterOperatorKind FOperatorKind;
    Variant FValue;
};

// ---- Criteria ------------------------------------------------------------------------------------

using TqzFilterValueListClass = const TqzClassRef<TqzFilterValueList, TqzFilterCriteria*>*;
template <class T> TqzFilterValueListClass FilterValueListClass() {
    return ClassRefOf<T, TqzFilterValueList, TqzFilterCriteria*>();
}

class TqzFilterCriteria : public TPersistent {
    KOV_CLASS(TqzFilterCriteria, TPersistent)
public:
    TqzFilterCriteria();
    // Destroys the tree without notifications.
    ~TqzFilterCriteria() override;

    // From another criteria, under the lock: the settings, the tree (only when its image
    // differs) and OnChanged.
    void Assign(TPersistent* source) override;

    // When changed and not locked: clears the changed flag, refreshes the operators (date
    // ranges) and notifies.
    virtual void ApplyChanges();
    virtual String BooleanText(const Variant& value);
    // DateTimeFormat empty: the variant's text; else the date formatted with it.
    virtual String DateText(const Variant& value);
    // A hook to change how a value is written in filter expressions; nothing here.
    virtual void FormatValueText(TqzFilterCriteriaItem* condition, const Variant& value, String& text) {}
    String GetFilterCaption() { return GetFilterTextOf(true); }
    // The tree as text: children in parentheses joined by AND / OR (the localised words when
    // display), NOT ( ... ) around a NOT list.
    virtual String GetFilterTextOf(bool display);
    String GetFilterText() { return GetFilterTextOf(false); }
    // The number an item link has in binary images, and back. Descendants provide them (here:
    // an abstract-method error).
    virtual Integer ItemLinkIndex(TObject* itemLink);
    virtual TObject* ItemLinkAt(Integer index);
    virtual TqzFilterCriteriaItemClass ConditionClass();
    virtual String ConditionText(TqzFilterCriteriaItem* condition, bool display);
    virtual String ItemText(TqzFilterCriteriaItem* condition, bool display);
    virtual String OperatorText(TqzFilterCriteriaItem* condition, bool display);
    virtual String ValueTextOf(TqzFilterCriteriaItem* condition, bool display);
    virtual TqzFilterValueListClass ValueListClass();
    virtual void RefreshOperators();
    // Currency becomes a double; a string with fcoCaseInsensitive is upper-cased.
    virtual Variant PrepareValue(const Variant& value);
    virtual void ExtraHook() {}
    // Fires OnChanged.
    virtual void NotifyChanged();
    virtual void CopyEvents(TPersistent* source);
    // Copies the tree through binary images; nothing when the images are equal.
    virtual void AssignItems(TqzFilterCriteria* source);
    // Under the lock: a condition of ConditionClass appended to list (the root for nullptr).
    virtual TqzFilterCriteriaItem* AddCondition(TqzFilterCriteriaItemList* list, TObject* itemLink,
                                                TqzFilterOperatorKind operatorKind, const Variant& value,
                                                const String& displayValue = String());
    // Sets the changed flag, then ApplyChanges.
    virtual void SignalChange();
    // The first condition (depth first, in list order) with that item link; nullptr when none.
    virtual TqzFilterCriteriaItem* FindByItemLink(TObject* itemLink);
    bool IsEmpty() const;
    // Under the lock: the criteria's settings from a TFilterWrapper component stream.
    virtual void ReadFromComponentStream(TStream* stream);
    virtual void RestoreDefaults();
    virtual void WriteToComponentStream(TStream* stream);
    // Null; with fcoSoftNull also an empty string.
    virtual bool ValueIsNull(const Variant& value);
    // Replaces the tree with the image's. A damaged image (short, an unknown operator or list
    // kind, a negative count, lists nested deeper than 1,000) raises EReadError "Stream read
    // error"; the tree keeps what was read, and one change notification follows either way.
    virtual void ReadData(TStream* stream);
    virtual void WriteData(TStream* stream);

    void BeginUpdate() { ++FLockCount; }
    void CancelUpdate() { --FLockCount; }
    void EndUpdate();
    bool IsLocked() const { return FLockCount > 0; }
    // Under the lock: the root loses its children and becomes an AND list.
    void ClearTree();
    // Whether the record passes the tree. Every child of a list is evaluated.
    bool FilterRecord(Integer recordIndex);
    // The root is no AND list, or it has children.
    bool HasFilter() const;
    // Destroys the conditions of the item link and tidies their lists: an emptied list goes, a
    // list left with one child gives way to that child (appended to the grandparent) when it is
    // an AND or OR list; a NOT list keeps its one child.
    void RemoveItemLink(TObject* itemLink);

    TqzFilterCriteriaItemList* GetRoot() const { return FRoot.get(); }

    const String& GetDateTimeFormat() const { return FDateTimeFormat; }
    void SetDateTimeFormat(const String& value);
    Integer GetMaxValueListCount() const { return FMaxValueListCount; }
    void SetMaxValueListCount(Integer value) { FMaxValueListCount = value; }
    TqzFilterCriteriaOptions GetOptions() const { return FOptions; }
    void SetOptions(TqzFilterCriteriaOptions value);
    char GetPercentWildcard() const { return FPercentWildcard; }
    void SetPercentWildcard(char value);
    bool GetSupportedLike() const { return FSupportedLike; }
    void SetSupportedLike(bool value) { FSupportedLike = value; }
    bool GetTranslateBetween() const { return FTranslateBetween; }
    void SetTranslateBetween(bool value) { FTranslateBetween = value; }
    bool GetTranslateIn() const { return FTranslateIn; }
    void SetTranslateIn(bool value) { FTranslateIn = value; }
    char GetUnderscoreWildcard() const { return FUnderscoreWildcard; }
    void SetUnderscoreWildcard(char value);

    TNotifyEvent OnChanged;

private:
    bool EvaluateList(TqzFilterCriteriaItemList* list, Integer recordIndex);
    bool EvaluateCondition(TqzFilterCriteriaItem* condition, Integer recordIndex);
    String ListText(TqzFilterCriteriaItemList* list, bool display);
    void ReadNodes(TStream* stream, TqzFilterCriteriaItemList* list, Integer count, Integer depth);

    bool FChanged = false;
    String FDateTimeFormat;
    Integer FLockCount = 0;
    Integer FMaxValueListCount = 0;
    TqzFilterCriteriaOptions FOptions;
    char FPercentWildcard = '%';
    std::unique_ptr<TqzFilterCriteriaItemList> FRoot;
    bool FSupportedLike = true;
    bool FTranslateBetween = false;
    bool FTranslateIn = false;
    char FUnderscoreWildcard = '_';
    bool FDestroying = false;
};

// Carries criteria through a component stream (as its published Filter).
class TFilterWrapper : public TComponent {
    KOV_CLASS(TFilterWrapper, TComponent)
public:
    explicit TFilterWrapper(TComponent* owner) : TComponent(owner) {}
    TqzFilterCriteria* GetFilter() const { return FFilter; }
    void SetFilter(TqzFilterCriteria* value) { FFilter = value; }

private:
    TqzFilterCriteria* FFilter = nullptr;
};

// ---- Value lists ---------------------------------------------------------------------------------

enum TqzFilterValueItemKind : Byte {
    fvkAll,            // "(All)": no filter on the item
    fvkCustom,         // "(Custom...)": a condition no single value expresses
    fvkBlanks,         // "(Blanks)": the value is null
    fvkNonBlanks,      // "(NonBlanks)": the value is not null
    fvkOther,          // a further fixed entry
    fvkValue,          // one distinct value
    fvkPinned,         // an entry pinned at the top
    fvkPinnedSeparator // the separator below the pinned entries
};

struct TqzFilterValueItem {
    TqzFilterValueItemKind Kind = fvkValue;
    Variant Value;
    String DisplayText;
};

// The entries a filter drop-down offers: pinned entries, their separator, fixed entries in the
// order added, then the distinct values sorted.
class TqzFilterValueList : public TObject {
    KOV_CLASS(TqzFilterValueList, TObject)
public:
    explicit TqzFilterValueList(TqzFilterCriteria* criteria) : FCriteria(criteria) {}

    // Sign of the entry against the value (or, comparing by text, the text).
    virtual Integer CompareItem(Integer index, const Variant& value, const String& text);
    // A value entry (fvkValue) is refused when the criteria's MaxValueListCount is reached
    // (every entry counts) or an equal one exists; append adds it at the end unchecked.
    virtual void Add(TqzFilterValueItemKind kind, const Variant& value, const String& displayText,
                     bool append = false);
    virtual void ClearItems() { FItems.clear(); }
    // The pinned entries, then a bisection of the values; index is where the value belongs
    // when it is not found.
    virtual bool Find(const Variant& value, const String& text, Integer& index);
    // The entry that stands for a condition: (Blanks) / (NonBlanks) for = / <> a null value,
    // (Custom...) for a nested or non-equal condition, the value's entry, else (All); -1 when
    // the entry is absent.
    virtual Integer IndexOfCondition(TqzFilterCriteriaItem* condition);

    Integer Count() const { return Integer(FItems.size()); }
    // Raises EListError outside 0..Count-1.
    const TqzFilterValueItem& Items(Integer index) const;
    // The first entry of that kind; -1 when none.
    Integer IndexOfKind(TqzFilterValueItemKind kind) const;
    TqzFilterCriteria* GetCriteria() const { return FCriteria; }
    bool GetCompareByText() const { return FCompareByText; }
    void SetCompareByText(bool value) { FCompareByText = value; }

private:
    TqzFilterCriteria* FCriteria;
    std::vector<TqzFilterValueItem> FItems;
    bool FCompareByText = false;
};
