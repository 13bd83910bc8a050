// Routines of the data controller's data-set layer over the class library's data sets and
// fields, and adapter lists that let behaviour depend on a data set's class (most derived class
// first).
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/runtime/StringLists.h"
#include "suite/data/qzFilter.h"

// ---- Field and data-set routines -----------------------------------------------------------------

// A lookup field whose data set holds its key fields, every one of them modifiable. A key field
// the data set does not have makes the answer false.
bool KeyFieldsModifiable(TField* lookupField);
// A name that is no identifier is put in brackets: "Unit Price" becomes "[Unit Price]".
void QuoteFieldName(String& name);
// How filter expressions name the field: its Origin (unless ignoreOrigin), else its quoted
// FieldName; empty without a field.
String FilterFieldName(TField* field, bool ignoreOrigin);
// No field: Null; one: its value; several: an array [0..n-1] of their values.
Variant GetFieldsValue(TDataSet* dataSet, const std::vector<TField*>& fields);
// One field takes the value, several the elements of the array in order.
void SetFieldsValue(TDataSet* dataSet, const std::vector<TField*>& fields, const Variant& value);
// Null for a null field, a wide string for a wide string field, else the field's value.
Variant GetFieldValue(TField* field);
// A date-time field given a double takes it as a date-time.
void SetFieldValue(TField* field, const Variant& value);
bool SameTextUpper(const String& a, const String& b);
// Whether an editor can change the field's value: the field must be modifiable; binary, blob
// and object fields only with an OnSetText handler, unless ignoreTextHandler.
bool CanEditField(TField* field, bool ignoreTextHandler);
// Whether the field's text differs from the plain text of its value (a handler, a mask, a
// format, currency); binaryAndBooleanAnswer for binary, blob, object and Boolean fields.
bool FieldFormatsText(TField* field, bool binaryAndBooleanAnswer);
// A float, BCD or FMTBcd field showing currency by itself (no format, no OnGetText).
bool FieldShowsCurrency(TField* field);
// Lists of field names separated by ";".
bool HasSeveralFieldNames(const String& names);
Integer FieldNameCount(const String& names);
void SplitFieldNames(const String& names, TStrings* list);

// ---- Adapters ------------------------------------------------------------------------------------

// Serves the data sets of one class and its descendants.
class TqzDBAdapterItem : public TObject {
    KOV_CLASS(TqzDBAdapterItem, TObject)
public:
    explicit TqzDBAdapterItem(TClass dataSetClass) : FDataSetClass(dataSetClass) {}
    TClass GetDataSetClass() const { return FDataSetClass; }

private:
    TClass FDataSetClass;
};

using TqzDBAdapterItemClass = const TqzClassRef<TqzDBAdapterItem, TClass>*;
template <class T> TqzDBAdapterItemClass DBAdapterItemClass() {
    return ClassRefOf<T, TqzDBAdapterItem, TClass>();
}

// Adapters kept so that every data-set class stands after its ancestors: a walk from the end
// meets the most derived match first.
class TqzDBAdapterList : public TObject {
    KOV_CLASS(TqzDBAdapterList, TObject)
public:
    TqzDBAdapterList() = default;
    ~TqzDBAdapterList() override;
    TqzDBAdapterList(const TqzDBAdapterList&) = delete;
    TqzDBAdapterList& operator=(const TqzDBAdapterList&) = delete;

    // From the last item: the first whose data-set class is dataSetClass or an ancestor of it.
    // Otherwise false, and index is the first item whose class descends from dataSetClass (-1
    // when none).
    virtual bool FindAdapter(TClass dataSetClass, Integer& index);
    // Right after the item FindAdapter finds, else before the first descendant's, else last.
    virtual void RegisterAdapter(TClass dataSetClass, TqzDBAdapterItemClass adapterClass);
    // Frees every item of that data-set class whose own class is exactly adapterClass.
    virtual void UnregisterAdapter(TClass dataSetClass, TqzDBAdapterItemClass adapterClass);
    void ClearAdapters();

    Integer Count() const { return Integer(FItems.size()); }
    // Raises EListError outside 0..Count-1.
    TqzDBAdapterItem* Adapters(Integer index) const;

private:
    std::vector<std::unique_ptr<TqzDBAdapterItem>> FItems;
};
