// Data access: data sets with their record buffers, fields, field definitions, data sources and
// the data links through which controls follow a data set, and query parameters.
//
// A data set keeps a window of record buffers around its current record (as many as the largest
// BufferCount of the data links that watch it). Moving inside the window only moves the active
// record; moving past its edge shifts the window, and every data link hears how far its own
// window had to follow (DataSetScrolled). Field values are Variants read from and written to the
// active buffer; Post hands the buffer to the storage of the concrete data set (TMemDataSet).
#pragma once

#include "platform/classlib/Alignment.h"
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/Variant.h"

class TDataSet;
class TDataSource;
class TFilterExpression;
class TBasicAction;
class TDataLink;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;
class TParams;
class TStream;
class TStrings;

// Horizontal placement of a value (the fields' Alignment; controls share it).

// The field types, in their fixed order: registries and stored definitions key on the number.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd
};
constexpr Integer FieldTypeCount = Integer(ftFMTBcd) + 1;

// "String", "SmallInt", ... as the error texts name the types.
extern const char* const FieldTypeNames[FieldTypeCount];

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};

// Edit, insert and set-key: a record is being changed.
bool IsEditMode(TDataSetState state);

// The notices a data set sends to its data sources and they to their data links.
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll,
    deConnectChange,
    deReconcileError,
    deDisabledStateChange
};
// The information that comes with a notice: a TField* for deFieldChange and deRecordChange (or
// none), a TField** for deFocusControl, a distance for deDataSetScroll, a flag otherwise.
using TDataEventInfo = std::intptr_t;

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = TSet<TFieldAttribute, faFixed>;

enum TDataAction { daFail, daAbort, daRetry };

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption, loPartialKey>;

enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption, foNoPartialCompare>;

// The kinds of large values (a subrange of the field types).
using TBlobType = TFieldType;
constexpr TBlobType btUnknown = ftUnknown, btBlob = ftBlob, btMemo = ftMemo, btGraphic = ftGraphic,
                    btFmtMemo = ftFmtMemo, btParadoxOle = ftParadoxOle, btDBaseOle = ftDBaseOle,
                    btTypedBinary = ftTypedBinary, btOraBlob = ftOraBlob, btOraClob = ftOraClob;

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// A bookmark names one record for as long as the record exists, whatever is inserted or deleted
// around it. It is a plain value (the empty text is no bookmark) and can be kept as text.
using TBookmark = String;
using TBookmarkStr = String;

// How a buffer row relates to the storage (for the concrete data sets).
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem, rmCenter>;

// ---- Texts ------------------------------------------------------------------------------------

extern const char* const SFieldNotFound;       // "Field '%s' not found"
extern const char* const SDataSetClosed;       // "Cannot perform this operation on a closed dataset"
extern const char* const SDataSetOpen;         // "Cannot perform this operation on an open dataset"
extern const char* const SNotEditing;          // "Dataset not in edit or insert mode"
extern const char* const SDataSetReadOnly;     // "Cannot modify a read-only dataset"
extern const char* const SDataSetEmpty;        // "Cannot perform this operation on an empty dataset"
extern const char* const SFieldReadOnly;       // "Field '%s' cannot be modified"
extern const char* const SFieldRequired;       // "Field '%s' must have a value"
extern const char* const SRecordNotFound;      // "Record not found"
extern const char* const SDuplicateFieldName;  // "Duplicate field name '%s'"
extern const char* const SFieldNameMissing;    // "Field name missing"
extern const char* const SFieldTypeMismatch;   // "Type mismatch for field '%s', expecting: %s actual: %s"
extern const char* const SInvalidFieldSize;    // "Invalid field size"
extern const char* const SFieldIndexError;     // "Field index out of range"
extern const char* const SFieldAccessError;    // "Cannot access field '%s' as type %s"
extern const char* const SDataSetMissing;      // "Field '%s' has no dataset"
extern const char* const SCircularDataLink;    // "Circular datalinks are not allowed"
extern const char* const SDataSourceChange;    // "DataSource cannot be changed"
extern const char* const SLookupInfoError;     // "Lookup information for field '%s' is incomplete"
extern const char* const SInvalidIntegerValue; // "'%s' is not a valid integer value for field '%s'"
extern const char* const SInvalidFloatValue;   // "'%s' is not a valid floating point value for field '%s'"
extern const char* const SInvalidBoolValue;    // "'%s' is not a valid boolean value for field '%s'"
extern const char* const
    SFieldRangeError; // "%g is not a valid value for field '%s'. The allowed range is %g to %g"
extern const char* const SParameterNotFound; // "Parameter '%s' not found"
extern const char* const SUnknownFieldType;  // "Field '%s' is of an unknown type"
extern const char* const SNoFieldDefs;       // "No fields defined. Cannot create dataset"
extern const char* const SInvalidFieldKind;  // "Invalid FieldKind"
extern const char* const SFieldValueError;   // "Invalid value for field '%s'"
extern const char* const SFilterSyntaxError; // "Filter expression incorrectly formatted: %s"

// Raises EDatabaseError with the message, prefixed "<name>: " when a named component is given.
[[noreturn]] void DatabaseError(const String& message, const TComponent* component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const String& message, std::initializer_list<TVarRec> args,
                                   const TComponent* component = nullptr);

// ---- Events -------------------------------------------------------------------------------------

using TDataSetNotifyEvent = TClosure<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = TClosure<void(TDataSet* DataSet, EDatabaseError* E, TDataAction& Action)>;
using TFilterRecordEvent = TClosure<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = TClosure<void(TField* Sender)>;
using TFieldGetTextEvent = TClosure<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = TClosure<void(TField* Sender, const String& Text)>;
using TDataChangeEvent = TClosure<void(TObject* Sender, TField* Field)>;

// ---- Field definitions --------------------------------------------------------------------------

// The class a field of that type is made of (nullptr for the types without one: ftUnknown,
// ftCursor, ftADT, ftArray, ftReference, ftDataSet, ftInterface, ftIDispatch, ftGuid).
TClass DefaultFieldClass(TFieldType type);

// The description of one column of a data set's records.
class TFieldDef : public TCollectionItem {
    KOV_CLASS(TFieldDef, TCollectionItem)
public:
    explicit TFieldDef(TCollection* collection);
    TFieldDef(TFieldDefs* owner, const String& name, TFieldType dataType, Integer size, bool required,
              Integer fieldNo);

    void Assign(TPersistent* source) override;
    String GetDisplayName() const override { return FName; }

    // A new field of DefaultFieldClass(DataType) owned by `owner`, for `dataSet` (the field
    // definitions' data set when nullptr). A type without a field class raises
    // "Field '%s' is of an unknown type".
    TField* CreateField(TComponent* owner, TDataSet* dataSet = nullptr);
    TClass GetFieldClass() const { return DefaultFieldClass(FDataType); }

    const String& GetName() const { return FName; }
    void SetName(const String& value);
    TFieldType GetDataType() const { return FDataType; }
    void SetDataType(TFieldType value);
    Integer GetSize() const { return FSize; }
    void SetSize(Integer value);
    Integer GetPrecision() const { return FPrecision; }
    void SetPrecision(Integer value);
    TFieldAttributes GetAttributes() const { return FAttributes; }
    void SetAttributes(TFieldAttributes value);
    bool GetRequired() const { return FAttributes.Contains(faRequired); }
    void SetRequired(bool value);
    // 1-based position among the definitions.
    Integer GetFieldNo() const { return GetIndex() + 1; }
    TFieldDefs* GetFieldDefs() const;

private:
    String FName;
    TFieldType FDataType = ftUnknown;
    Integer FSize = 0;
    Integer FPrecision = 0;
    TFieldAttributes FAttributes;
};

class TFieldDefs : public TOwnedCollection {
    KOV_CLASS(TFieldDefs, TOwnedCollection)
public:
    explicit TFieldDefs(TDataSet* owner);

    TFieldDef* AddFieldDef();
    TFieldDef* Add(const String& name, TFieldType dataType, Integer size = 0, bool required = false);
    // Case-insensitive; -1 / nullptr when absent. Find raises "Field '%s' not found".
    Integer IndexOf(const String& name) const;
    TFieldDef* Find(const String& name) const;
    // Brings the definitions up to date from the data set (nothing when they are).
    void Update();
    bool GetUpdated() const { return FUpdated; }
    void SetUpdated(bool value) { FUpdated = value; }
    TFieldDef* GetItems(Integer index) const { return static_cast<TFieldDef*>(TCollection::GetItems(index)); }
    TDataSet* GetDataSet() const { return FDataSet; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TDataSet* FDataSet;
    bool FUpdated = false;
};

// ---- Fields -------------------------------------------------------------------------------------

// The results a lookup field has looked up, by key (one value, or a variant array for several
// key fields). Keys are equal when their values are: 1 and 1.0 are one key, '1' another.
class TLookupList {
public:
    void Add(const Variant& key, const Variant& value);
    void Clear() { FItems.clear(); }
    // Whether the key is held; `value` then receives its result.
    bool Find(const Variant& key, Variant& value) const;
    Integer GetCount() const { return Integer(FItems.size()); }

private:
    std::unordered_map<String, Variant> FItems;
};

// One column of a data set as a component: its value in the current record in every form
// (AsString, AsInteger, ...), its text for display and editing, and what describes it.
class TField : public TComponent {
    KOV_CLASS(TField, TComponent)
public:
    explicit TField(TComponent* owner);
    // Leaves its data set (closing it first when it is open).
    ~TField() override;

    void Assign(TPersistent* source) override;

    // ---- The value in the current record ----
    virtual String GetAsString() const;
    virtual void SetAsString(const String& value);
    virtual WideString GetAsWideString() const;
    virtual void SetAsWideString(const WideString& value);
    virtual Integer GetAsInteger() const;
    virtual void SetAsInteger(Integer value);
    virtual Int64 GetAsLargeInt() const;
    virtual void SetAsLargeInt(Int64 value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloat(double value);
    virtual Currency GetAsCurrency() const;
    virtual void SetAsCurrency(Currency value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual TBcd GetAsBCD() const;
    virtual void SetAsBCD(const TBcd& value);
    virtual TSQLTimeStamp GetAsSQLTimeStamp() const;
    virtual void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
    // Null for a null field, otherwise the value in the field's own variant type.
    virtual Variant GetAsVariant() const;
    // Null and Empty clear the field; other values are converted to the field's type.
    virtual void SetAsVariant(const Variant& value);
    Variant GetValue() const { return GetAsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    // The value as the storage holds it (Null for a record being inserted); the value being
    // edited; the value the storage has now.
    Variant GetOldValue() const;
    Variant GetNewValue() const;
    Variant GetCurValue() const;
    bool GetIsNull() const;
    void Clear();

    // ---- Text ----
    // For display (OnGetText with DisplayText true, else the DisplayFormat form).
    String GetDisplayText() const;
    // For editing (OnGetText with DisplayText false, else the EditFormat form).
    String GetText() const;
    // OnSetText when assigned, otherwise AsString.
    void SetText(const String& value);

    // ---- Description ----
    TDataSet* GetDataSet() const { return FDataSet; }
    // Joins the fields of `value` (which must be closed); nullptr leaves the data set.
    void SetDataSet(TDataSet* value);
    const String& GetFieldName() const { return FFieldName; }
    void SetFieldName(const String& value);
    TFieldKind GetFieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind value);
    // 1-based column of a data field in the records; 0 for the other kinds and while unbound.
    Integer GetFieldNo() const { return FFieldNo; }
    // Position among the data set's fields; -1 without a data set.
    Integer GetIndex() const;
    void SetIndex(Integer value);
    TFieldType GetDataType() const { return FDataType; }
    Integer GetSize() const { return FSize; }
    void SetSize(Integer value);
    String GetDisplayLabel() const;
    void SetDisplayLabel(const String& value);
    // DisplayLabel when set, else FieldName.
    String GetDisplayName() const { return GetDisplayLabel(); }
    Integer GetDisplayWidth() const;
    void SetDisplayWidth(Integer value);
    const String& GetEditMask() const { return FEditMask; }
    void SetEditMask(const String& value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool GetRequired() const { return FRequired; }
    void SetRequired(bool value);
    const String& GetOrigin() const { return FOrigin; }
    void SetOrigin(const String& value) { FOrigin = value; }
    bool GetCalculated() const { return FFieldKind == fkCalculated; }
    void SetCalculated(bool value);
    bool GetLookup() const { return FFieldKind == fkLookup; }
    void SetLookup(bool value);
    virtual bool GetIsBlob() const { return false; }
    // Not read-only, a column of the records, and the data set can be modified.
    bool GetCanModify() const;
    // A character the field accepts in typed text.
    virtual bool IsValidChar(char ch) const;

    // ---- Lookup fields ----
    TDataSet* GetLookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* value);
    const String& GetKeyFields() const { return FKeyFields; }
    void SetKeyFields(const String& value);
    const String& GetLookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const String& value);
    const String& GetLookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const String& value);
    // With the cache on, the field keeps each key's result once looked up and answers that key
    // from memory until RefreshLookupList (or until its data set opens again).
    bool GetLookupCache() const { return FLookupCache; }
    void SetLookupCache(bool value);
    // Forgets the cached results; the next keys are looked up in LookupDataSet again.
    void RefreshLookupList();

    // Asks the data links for a control that shows this field to take the focus.
    void FocusControl();

    // The field belongs to its data set in stored definitions.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;
    void Notification(TComponent* component, TOperation operation) override;

    TFieldNotifyEvent OnChange;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;
    TFieldNotifyEvent OnValidate;

protected:
    // The stored value of the current record (Null when none).
    Variant GetData() const;
    // Stores a value already in the field's own type; Null clears.
    void SetData(const Variant& value);
    // The text forms; the base gives AsString.
    virtual void DoGetText(String& text, bool displayText) const;
    // Raises "Cannot access field '%s' as type %s".
    [[noreturn]] void AccessError(const String& typeName) const;
    // Checks a size before it is stored; the base takes anything.
    virtual void CheckTypeSize(Integer value) const;
    virtual Integer GetDefaultWidth() const { return 10; }
    // Tells the data set's links that something they show changed.
    void PropertyChanged(bool layoutAffected);
    void SetDataType(TFieldType value) { FDataType = value; }
    void SetDefaultAlignment(TAlignment value) { FAlignment = value; }

public:
    // Stored rules of the published properties.
    bool IsDisplayLabelStored() const { return !FDisplayLabel.empty(); }
    bool IsDisplayWidthStored() const { return FDisplayWidth > 0; }

private:
    friend class TDataSet;
    friend class TFields;

    TDataSet* FDataSet = nullptr;
    String FFieldName;
    TFieldKind FFieldKind = fkData;
    TFieldType FDataType = ftUnknown;
    Integer FFieldNo = 0;
    Integer FCalcSlot = -1; // position among the data set's calculated values
    Integer FSize = 0;
    String FDisplayLabel;
    Integer FDisplayWidth = 0; // 0: the type's default
    String FEditMask;
    TAlignment FAlignment = taLeftJustify;
    bool FVisible = true;
    bool FReadOnly = false;
    bool FRequired = false;
    String FOrigin;
    TDataSet* FLookupDataSet = nullptr;
    String FKeyFields;
    String FLookupKeyFields;
    String FLookupResultField;
    bool FLookupCache = false;
    std::unique_ptr<TLookupList> FLookupList;
    // While OnValidate runs, the field reads the value about to be stored.
    bool FValidating = false;
    Variant FValidateValue;
};
using TFieldClass = TClass;

class TStringField : public TField {
    KOV_CLASS(TStringField, TField)
public:
    explicit TStringField(TComponent* owner);

    String GetAsString() const override;
    // Keeps at most Size characters (code points; a character is never split).
    void SetAsString(const String& value) override;
    WideString GetAsWideString() const override;
    Integer GetAsInteger() const override;
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    bool GetFixedChar() const { return FFixedChar; }
    void SetFixedChar(bool value);
    bool GetTransliterate() const { return FTransliterate; }
    void SetTransliterate(bool value) { FTransliterate = value; }

protected:
    void CheckTypeSize(Integer value) const override;
    Integer GetDefaultWidth() const override { return GetSize(); }

private:
    bool FFixedChar = false;
    bool FTransliterate = true;
};

class TWideStringField : public TStringField {
    KOV_CLASS(TWideStringField, TStringField)
public:
    explicit TWideStringField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    WideString GetAsWideString() const override;
    void SetAsWideString(const WideString& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;
};

// The common ground of the number fields: right-aligned, DisplayFormat and EditFormat.
class TNumericField : public TField {
    KOV_CLASS(TNumericField, TField)
public:
    explicit TNumericField(TComponent* owner);

    const String& GetDisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& value);
    const String& GetEditFormat() const { return FEditFormat; }
    void SetEditFormat(const String& value);
    bool IsValidChar(char ch) const override;

private:
    String FDisplayFormat;
    String FEditFormat;
};

class TIntegerField : public TNumericField {
    KOV_CLASS(TIntegerField, TNumericField)
public:
    explicit TIntegerField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Integer GetAsInteger() const override;
    // Checks the type's range and, when either is set, MinValue..MaxValue.
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    Integer GetMinValue() const { return FMinValue; }
    void SetMinValue(Integer value);
    Integer GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer value);

protected:
    void DoGetText(String& text, bool displayText) const override;
    Integer GetDefaultWidth() const override { return 11; }
    void SetRange(Int64 minRange, Int64 maxRange);
    // The stored variant type for a value.
    virtual Variant MakeValue(Integer value) const { return Variant(value); }
    bool CheckRange(Int64 value) const;
    [[noreturn]] void RangeError(Int64 value) const;

private:
    Integer FMinValue = 0;
    Integer FMaxValue = 0;
    Int64 FMinRange;
    Int64 FMaxRange;
};

class TSmallintField : public TIntegerField {
    KOV_CLASS(TSmallintField, TIntegerField)
public:
    explicit TSmallintField(TComponent* owner);

protected:
    Integer GetDefaultWidth() const override { return 6; }
    Variant MakeValue(Integer value) const override { return Variant(SmallInt(value)); }
};

class TWordField : public TIntegerField {
    KOV_CLASS(TWordField, TIntegerField)
public:
    explicit TWordField(TComponent* owner);

protected:
    Integer GetDefaultWidth() const override { return 6; }
    Variant MakeValue(Integer value) const override { return Variant(Word(value)); }
};

// The storage numbers new records itself when the field is left null.
class TAutoIncField : public TIntegerField {
    KOV_CLASS(TAutoIncField, TIntegerField)
public:
    explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
    KOV_CLASS(TLargeintField, TNumericField)
public:
    explicit TLargeintField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Integer GetAsInteger() const override;
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    Int64 GetMinValue() const { return FMinValue; }
    void SetMinValue(Int64 value);
    Int64 GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(Int64 value);

protected:
    void DoGetText(String& text, bool displayText) const override;
    Integer GetDefaultWidth() const override { return 15; }

private:
    Int64 FMinValue = 0;
    Int64 FMaxValue = 0;
};

class TFloatField : public TNumericField {
    KOV_CLASS(TFloatField, TNumericField)
public:
    explicit TFloatField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Integer GetAsInteger() const override;
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    // Checks MinValue..MaxValue when either is set.
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() const override;
    void SetAsCurrency(Currency value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    bool GetCurrency() const { return FCurrency; }
    void SetCurrency(bool value);
    Integer GetPrecision() const { return FPrecision; }
    void SetPrecision(Integer value);
    double GetMinValue() const { return FMinValue; }
    void SetMinValue(double value);
    double GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(double value);

protected:
    void DoGetText(String& text, bool displayText) const override;

private:
    bool FCurrency = false;
    Integer FPrecision = 15;
    double FMinValue = 0;
    double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
    KOV_CLASS(TCurrencyField, TFloatField)
public:
    explicit TCurrencyField(TComponent* owner);
};

// A fixed-point number held as Currency; Size is the number of decimals.
class TBCDField : public TNumericField {
    KOV_CLASS(TBCDField, TNumericField)
public:
    explicit TBCDField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Integer GetAsInteger() const override;
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() const override;
    void SetAsCurrency(Currency value) override;
    TBcd GetAsBCD() const override;
    void SetAsBCD(const TBcd& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    bool GetCurrency() const { return FCurrency; }
    void SetCurrency(bool value);
    Integer GetPrecision() const { return FPrecision; }
    void SetPrecision(Integer value);
    Currency GetMinValue() const { return FMinValue; }
    void SetMinValue(Currency value) { FMinValue = value; }
    Currency GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(Currency value) { FMaxValue = value; }

protected:
    void DoGetText(String& text, bool displayText) const override;
    void CheckTypeSize(Integer value) const override;
    Integer GetDefaultWidth() const override;

private:
    bool FCurrency = false;
    Integer FPrecision = 0;
    Currency FMinValue;
    Currency FMaxValue;
};

// A decimal of up to 64 digits held as TBcd; Size is the number of decimals.
class TFMTBCDField : public TNumericField {
    KOV_CLASS(TFMTBCDField, TNumericField)
public:
    explicit TFMTBCDField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Integer GetAsInteger() const override;
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() const override;
    void SetAsCurrency(Currency value) override;
    TBcd GetAsBCD() const override;
    void SetAsBCD(const TBcd& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    bool GetCurrency() const { return FCurrency; }
    void SetCurrency(bool value);
    Integer GetPrecision() const { return FPrecision; }
    void SetPrecision(Integer value);

protected:
    void DoGetText(String& text, bool displayText) const override;
    void CheckTypeSize(Integer value) const override;

private:
    bool FCurrency = false;
    Integer FPrecision = 15;
};

class TBooleanField : public TField {
    KOV_CLASS(TBooleanField, TField)
public:
    explicit TBooleanField(TComponent* owner);

    // The true text or the false text of DisplayValues.
    String GetAsString() const override;
    // Accepts the beginning of the true or the false text (any case); "" clears.
    void SetAsString(const String& value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    // "True;False" unless set: the true text, ";" and the false text.
    const String& GetDisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const String& value);

protected:
    Integer GetDefaultWidth() const override;

private:
    String FDisplayValues;
    String FTrueText = "True";
    String FFalseText = "False";
};

class TDateTimeField : public TField {
    KOV_CLASS(TDateTimeField, TField)
public:
    explicit TDateTimeField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    TSQLTimeStamp GetAsSQLTimeStamp() const override;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    const String& GetDisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& value);

protected:
    void DoGetText(String& text, bool displayText) const override;
    Integer GetDefaultWidth() const override { return 18; }
    // The format used when DisplayFormat is empty.
    virtual String DefaultFormat() const;
    virtual TDateTime ParseText(const String& value) const;

private:
    String FDisplayFormat;
};

class TDateField : public TDateTimeField {
    KOV_CLASS(TDateField, TDateTimeField)
public:
    explicit TDateField(TComponent* owner);

protected:
    Integer GetDefaultWidth() const override { return 10; }
    String DefaultFormat() const override;
    TDateTime ParseText(const String& value) const override;
};

class TTimeField : public TDateTimeField {
    KOV_CLASS(TTimeField, TDateTimeField)
public:
    explicit TTimeField(TComponent* owner);

protected:
    Integer GetDefaultWidth() const override { return 10; }
    String DefaultFormat() const override;
    TDateTime ParseText(const String& value) const override;
};

class TSQLTimeStampField : public TField {
    KOV_CLASS(TSQLTimeStampField, TField)
public:
    explicit TSQLTimeStampField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    TSQLTimeStamp GetAsSQLTimeStamp() const override;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    const String& GetDisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& value);

protected:
    void DoGetText(String& text, bool displayText) const override;
    Integer GetDefaultWidth() const override { return 20; }

private:
    String FDisplayFormat;
};

// Bytes of a fixed or varying length (ftBytes, ftVarBytes), held as a byte string.
class TBinaryField : public TField {
    KOV_CLASS(TBinaryField, TField)
public:
    explicit TBinaryField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;

protected:
    void DoGetText(String& text, bool displayText) const override;
    void CheckTypeSize(Integer value) const override;
};

class TBytesField : public TBinaryField {
    KOV_CLASS(TBytesField, TBinaryField)
public:
    explicit TBytesField(TComponent* owner);
};

class TVarBytesField : public TBinaryField {
    KOV_CLASS(TVarBytesField, TBinaryField)
public:
    explicit TVarBytesField(TComponent* owner);
};

// Large values of any length held as bytes: binary data, text (TMemoField), pictures
// (TGraphicField).
class TBlobField : public TField {
    KOV_CLASS(TBlobField, TField)
public:
    explicit TBlobField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    WideString GetAsWideString() const override;
    void SetAsWideString(const WideString& value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;
    bool GetIsBlob() const override { return true; }

    // The whole value from the stream's position to its end / into the stream at its position.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName) const;
    Integer GetBlobSize() const;

    TBlobType GetBlobType() const { return GetDataType(); }
    void SetBlobType(TBlobType value);

protected:
    // "(BLOB)", "(MEMO)", "(GRAPHIC)": upper case with a value, "(Blob)" style when empty.
    void DoGetText(String& text, bool displayText) const override;
};

class TMemoField : public TBlobField {
    KOV_CLASS(TMemoField, TBlobField)
public:
    explicit TMemoField(TComponent* owner);
};

class TGraphicField : public TBlobField {
    KOV_CLASS(TGraphicField, TBlobField)
public:
    explicit TGraphicField(TComponent* owner);
};

// Any value, kept as it is given.
class TVariantField : public TField {
    KOV_CLASS(TVariantField, TField)
public:
    explicit TVariantField(TComponent* owner);

    String GetAsString() const override;
    void SetAsString(const String& value) override;
    Integer GetAsInteger() const override;
    void SetAsInteger(Integer value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeInt(Int64 value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() const override;
    void SetAsCurrency(Currency value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& value) override;
};

// The fields of a data set, in their order.
class TFields : public TObject {
    KOV_CLASS(TFields, TObject)
public:
    explicit TFields(TDataSet* dataSet);
    ~TFields() override;
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    Integer GetCount() const { return Integer(FList.size()); }
    // Raises "Field index out of range".
    TField* GetFields(Integer index) const;
    TField* operator[](Integer index) const { return GetFields(index); }
    Integer IndexOf(const TField* field) const;
    // Case-insensitive; nullptr when absent. FieldByName raises "Field '%s' not found".
    TField* FindField(const String& fieldName) const;
    TField* FieldByName(const String& fieldName) const;
    TField* FieldByNumber(Integer fieldNo) const;
    void GetFieldNames(TStrings* list) const;
    TDataSet* GetDataSet() const { return FDataSet; }

private:
    friend class TDataSet;
    friend class TField;
    void Add(TField* field);
    void Remove(TField* field);
    void SetFieldIndex(TField* field, Integer value);

    TDataSet* FDataSet;
    std::vector<TField*> FList;
};

// ---- Data sets ----------------------------------------------------------------------------------

// One row of a data set's buffer window: the values of the record's columns (by FieldNo - 1), the
// calculated values of the calculated and lookup fields, and where the row stands in the storage.
struct TRecordBuffer {
    std::vector<Variant> Data;
    std::vector<Variant> Calc;
    TBookmark Bookmark;
    TBookmarkFlag Flag = bfCurrent;
};

// A set of records with a current record, navigation, editing and notices to its data sources.
// The storage is a concrete data set's (TMemDataSet); this class keeps the buffer window, the
// state, the fields and the events.
class TDataSet : public TComponent {
    KOV_CLASS(TDataSet, TComponent)
public:
    explicit TDataSet(TComponent* owner);
    // Closes (without events) and lets go of its fields, data sources and links.
    ~TDataSet() override;

    // ---- Opening and state ----
    bool GetActive() const { return FState != dsInactive; }
    // While a stored definition is read, the value is kept and applied by Loaded.
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState GetState() const { return FState; }
    bool GetModified() const { return FModified; }
    bool GetCanModify() const { return GetActive() && IsCanModify(); }
    // When there is no field, opening makes one for every definition (default fields), and
    // closing frees them again.
    bool GetDefaultFields() const { return FDefaultFields; }

    // ---- Fields ----
    TFieldDefs* GetFieldDefs() const { return FFieldDefs.get(); }
    void SetFieldDefs(TFieldDefs* value);
    TFields* GetFields() const { return FFields.get(); }
    Integer GetFieldCount() const { return FFields->GetCount(); }
    TField* FindField(const String& fieldName) const { return FFields->FindField(fieldName); }
    // Raises "<data set>: Field '%s' not found".
    TField* FieldByName(const String& fieldName) const;
    TField* FieldByNumber(Integer fieldNo) const { return FFields->FieldByNumber(fieldNo); }
    void GetFieldNames(TStrings* list) const { FFields->GetFieldNames(list); }
    // The fields named in a ";"-separated list, in its order (each must exist).
    void GetFieldList(TList* list, const String& fieldNames) const;
    std::vector<TField*> GetFieldList(const String& fieldNames) const;
    // One name: the field's value; several ("A;B"): a variant array of their values.
    Variant GetFieldValues(const String& fieldNames) const;
    void SetFieldValues(const String& fieldNames, const Variant& value);

    // ---- Navigation ----
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Returns how many records it moved; stops at either end and sets Bof or Eof there.
    Integer MoveBy(Integer distance);
    bool GetBof() const { return FBOF; }
    bool GetEof() const { return FEOF; }
    bool Bof() const { return FBOF; }
    bool Eof() const { return FEOF; }
    // 1-based number of the current record; -1 when there is none (closed, empty, inserting).
    virtual Integer GetRecNo() const;
    virtual void SetRecNo(Integer value);
    virtual Integer GetRecordCount() const;
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    virtual bool IsSequenced() const { return false; }
    virtual bool IsUnidirectional() const { return false; }
    // Moves to the first record whose key fields match; false (nothing moves) when none does.
    virtual bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
    // The result fields of the first record whose key fields match, without moving; Null when none.
    virtual Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields);
    // Move to the first, last, next or prior record that passes the filter text and
    // OnFilterRecord, whether Filtered is on or not; answer (and set Found) whether one was
    // found. Nothing moves when none is. BeforeScroll fires in any case, AfterScroll on a move.
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    bool GetFound() const { return FFound; }
    // The search behind the Find calls; the base finds nothing.
    virtual bool FindRecord(bool restart, bool goForward);

    // ---- Editing ----
    void Append();
    void Insert();
    // Starts editing the current record; inserts when there is none.
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Append / Insert, then the values to the fields in field order, then Post.
    void AppendRecord(const std::vector<Variant>& values);
    void InsertRecord(const std::vector<Variant>& values);
    void SetFields(const std::vector<Variant>& values);
    void ClearFields();
    // Posts a modified edit, cancels an unmodified one; raises when closed.
    void CheckBrowseMode();
    // Asks the data links to write what their controls hold into the fields.
    void UpdateRecord();

    // ---- Bookmarks ----
    // The current record's bookmark; "" when there is none.
    TBookmark GetBookmark() const;
    void SetBookmark(const TBookmark& value) { GotoBookmark(value); }
    TBookmarkStr GetBookmarkStr() const { return GetBookmark(); }
    void SetBookmarkStr(const TBookmarkStr& value) { GotoBookmark(value); }
    // Makes the bookmarked record current (near the middle of the buffer window). A record that
    // no longer exists raises "Record not found".
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
    virtual bool BookmarkValid(const TBookmark& bookmark) const;
    // -1, 0 or 1 by the records' order; no bookmark sorts first.
    Integer CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const;

    // ---- Controls ----
    // Notices to the data sources are held back until the matching EnableControls, which sends
    // one data-set change (or layout change) and the state when it changed meanwhile.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }
    // Re-reads the records from the storage, keeping the current one.
    void Refresh();
    // Refills the buffer window around the storage's current record.
    void Resync(TResyncMode mode);
    // Puts the storage's cursor on the active record / forgets where it is.
    void UpdateCursorPos();
    void CursorPosChanged() { FCurrentRecord = -1; }
    // A positive size reads records without telling the data sources (dsBlockRead).
    Integer GetBlockReadSize() const { return FBlockReadSize; }
    void SetBlockReadSize(Integer value);
    // The buffer row of the current record.
    Integer GetActiveRecord() const { return FActiveRecord; }
    // The master data source of a detail data set; none here.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    // Whether `dataSource` leads (through master data sources) to this data set.
    bool IsLinkedTo(TDataSource* dataSource) const;
    // Sends a notice to the data sources.
    virtual void DataEvent(TDataEvent event, TDataEventInfo info);

    // ---- Filtering and calculation ----
    const String& GetFilter() const { return FFilterText; }
    void SetFilter(const String& value);
    bool GetFiltered() const { return FFiltered; }
    void SetFiltered(bool value);
    TFilterOptions GetFilterOptions() const { return FFilterOptions; }
    void SetFilterOptions(TFilterOptions value);
    bool GetAutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

    // The fields are this data set's children in stored definitions.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void Loaded() override;

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnPostError, OnDeleteError, OnEditError;
    TFilterRecordEvent OnFilterRecord;

protected:
    // ---- What a concrete data set provides ----
    virtual bool IsCursorOpen() const = 0;
    // Prepares the storage (field definitions, fields, records) and puts the cursor before the
    // first record.
    virtual void InternalOpen() = 0;
    // Also called after an InternalOpen that failed part way: undoes what was done.
    virtual void InternalClose() = 0;
    // Fills the definitions from the storage when it has its own.
    virtual void InternalInitFieldDefs() {}
    // Moves the cursor (gmNext, gmPrior) or stays (gmCurrent) and fills `buffer` with the record
    // there (Data and Bookmark); a filtered-out record is skipped.
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0; // cursor before the first record
    virtual void InternalLast() = 0;  // cursor after the last record
    virtual void InternalSetToRecord(const TRecordBuffer& buffer) = 0;
    // Raises "Record not found" when the bookmark names no record.
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    // Stores the active buffer: a new record in dsInsert, the edited record in dsEdit.
    virtual void InternalPost() = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalEdit() {}
    virtual void InternalCancel() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    // A fresh record: every value Null.
    virtual void InternalInitRecord(TRecordBuffer& buffer);
    virtual bool IsCanModify() const { return true; }
    // -1, 0 or 1 for two non-empty bookmarks.
    virtual Integer DoCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const;
    // The value a field had in the storage (dsOldValue) or has now (dsCurValue); the base gives
    // the buffer's value.
    virtual Variant GetStoredFieldValue(const TField* field, TDataSetState state) const;

    // ---- For the concrete data sets ----
    void CheckActive() const;
    void CheckInactive();
    void CheckCanModify() const;
    // Binds the fields to the definitions: field numbers, calculated slots, types.
    void BindFields(bool binding);
    // Makes a field for every definition (the default fields).
    void CreateFields();
    void DestroyFields();
    Integer GetCalcFieldCount() const { return FCalcFieldCount; }
    // Sets the state without notices; returns the previous one.
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetState(TDataSetState value);
    void SetModified(bool value) { FModified = value; }
    // Raises "Field '%s' must have a value" for the first required data field that is null.
    void CheckRequiredFields();
    // Computes the calculated and lookup fields of `buffer` (dsCalcFields).
    void CalculateFields(TRecordBuffer& buffer);
    // Whether `buffer` passes Filtered (OnFilterRecord and the filter text); called by GetRecord.
    bool FilterRecord(TRecordBuffer& buffer);
    // Whether `buffer` passes the filter text and OnFilterRecord, Filtered or not.
    bool MatchesFilter(TRecordBuffer& buffer);
    void SetFound(bool value) { FFound = value; }
    // The buffer whose values the fields show in the current state (nullptr when none).
    TRecordBuffer* GetActiveRecordBuffer() const;
    TRecordBuffer* ActiveBuffer() const { return FBuffers.empty() ? nullptr : FBuffers[FActiveRecord].get(); }
    // A record value of a data field taken from a buffer row.
    Variant BufferValue(const TRecordBuffer& buffer, const TField* field) const;
    // The values of `fields` as they read in the buffer row (calculated fields included, when
    // the row has them): one value, or a variant array for several.
    Variant FieldValuesOf(TRecordBuffer& buffer, const std::vector<TField*>& fields);
    // Called when Filter, Filtered or FilterOptions changed; the base goes to the first record.
    virtual void FilterChanged();
    // Evaluates the filter text for the record in the filter buffer (true without a text); the
    // base evaluates what PrepareFilterText parsed.
    virtual bool EvaluateFilterText();
    // Parses the filter text (raising for bad syntax) before it takes effect. The base parses
    // the language of DBFilter.h; a blank text filters nothing.
    virtual void PrepareFilterText();

private:
    friend class TField;
    friend class TFields;
    friend class TFieldDefs;
    friend class TDataSource;
    friend class TDataLink;

    // Buffer window.
    void SetBufferCount(Integer value);
    void UpdateBufferCount();
    void FreeBuffers();
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(Integer curIndex, Integer newIndex);
    void SetCurrentRecord(Integer index);
    bool GetNextRecord();
    bool GetPriorRecord();
    Integer GetNextRecords();
    Integer GetPriorRecords();
    TGetResult FetchRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck);
    void AdjustFirstRecord(Integer delta);
    bool BookmarkAvailable() const;

    void DoSetActive(bool value);
    void OpenCursor();
    void CloseCursor();
    void BeginInsertAppend();
    void EndInsertAppend();
    using TDataOperation = void (TDataSet::*)();
    void CheckOperation(TDataOperation operation, const TDataSetErrorEvent& errorEvent);
    void UpdateCalcFields();
    void CalculateLookupField(TField* field);

    // Field values (through TField).
    Variant GetFieldValue(const TField* field) const;
    void SetFieldValue(TField* field, const Variant& value);

    void AddDataSource(TDataSource* dataSource);
    void RemoveDataSource(TDataSource* dataSource);
    void FieldAdded(TField* field);
    void FieldRemoved(TField* field);

    void DoEvent(const TDataSetNotifyEvent& event);

    TDataSetState FState = dsInactive;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    Integer FDisableCount = 0;
    bool FModified = false;
    bool FBOF = true;
    bool FEOF = true;
    bool FDefaultFields = false;
    bool FStreamedActive = false;
    bool FAutoCalcFields = true;
    bool FFiltered = false;
    bool FFound = false;
    String FFilterText;
    TFilterOptions FFilterOptions;
    std::unique_ptr<TFilterExpression> FFilterExpression; // parsed Filter, while open
    Integer FBlockReadSize = 0;
    Integer FCalcFieldCount = 0;

    std::unique_ptr<TFieldDefs> FFieldDefs;
    std::unique_ptr<TFields> FFields;
    std::vector<TDataSource*> FDataSources;

    std::vector<std::unique_ptr<TRecordBuffer>> FBuffers; // FBufferCount rows and one spare
    Integer FBufferCount = 0;
    Integer FRecordCount = 0;
    Integer FActiveRecord = 0;
    Integer FCurrentRecord = -1;
    // The rows the fields read in the temporary states.
    TRecordBuffer* FCalcBuffer = nullptr;
    TRecordBuffer* FFilterBuffer = nullptr;
};

// ---- Data sources and data links ----------------------------------------------------------------

// Connects data links (the controls' side) to a data set and passes the data set's notices on.
class TDataSource : public TComponent {
    KOV_CLASS(TDataSource, TComponent)
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;

    TDataSet* GetDataSet() const { return FDataSet; }
    // Raises "Circular datalinks are not allowed" when the data set leads back to this source.
    void SetDataSet(TDataSet* value);
    bool GetEnabled() const { return FEnabled; }
    // A disabled source shows its links an inactive data set.
    void SetEnabled(bool value);
    bool GetAutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }
    TDataSetState GetState() const { return FState; }
    // Puts a browsing data set into edit state when AutoEdit is on.
    void Edit();
    bool IsLinkedTo(TDataSet* dataSet) const;
    Integer GetDataLinkCount() const { return Integer(FDataLinks.size()); }

    void Notification(TComponent* component, TOperation operation) override;

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, TDataEventInfo info);
    void NotifyDataLinks(TDataEvent event, TDataEventInfo info);
    void SetState(TDataSetState value);
    void UpdateState();
    void AddDataLink(TDataLink* dataLink);
    void RemoveDataLink(TDataLink* dataLink);

    TDataSet* FDataSet = nullptr;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataSetState FState = dsInactive;
    std::vector<TDataLink*> FDataLinks;
};

// What a control keeps of a data source: whether the data set is active and being edited, a
// window of BufferCount records that follows the data set's scrolling, and the notices as
// overridable calls.
class TDataLink : public TPersistent {
    KOV_CLASS(TDataLink, TPersistent)
public:
    TDataLink();
    // Leaves its data source.
    ~TDataLink() override;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* GetDataSource() const { return FDataSource; }
    // Raises "DataSource cannot be changed" while DataSourceFixed.
    void SetDataSource(TDataSource* value);
    TDataSet* GetDataSet() const;
    bool GetDataSourceFixed() const { return FDataSourceFixed; }
    void SetDataSourceFixed(bool value) { FDataSourceFixed = value; }
    bool GetActive() const { return FActive; }
    bool GetEditing() const { return FEditing; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    Integer GetBufferCount() const { return FBufferCount; }
    void SetBufferCount(Integer value);
    // The current record's row in this link's window (0 .. RecordCount - 1).
    Integer GetActiveRecord() const;
    // Makes another row of the window the data set's active record (to read its values);
    // put it back afterwards.
    void SetActiveRecord(Integer value);
    // Rows of the window that hold records.
    Integer GetRecordCount() const;
    bool GetBOF() const;
    bool GetEOF() const;
    // The first row of this window among the data set's buffer rows.
    Integer GetFirstRecord() const { return FFirstRecord; }
    // Set for the links of visual controls.
    bool VisualControl = false;

    // Asks the data source to edit; answers Editing.
    bool Edit();
    // UpdateData, with RecordChanged notices of the fields it sets suppressed.
    void UpdateRecord();
    Integer MoveBy(Integer distance);
    // A standard action that handles the link's data source acts on it (ExecuteTarget /
    // UpdateTarget with the data source); true when the action took it. False without an
    // action or a data source.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);

    // The data set's notices; the base calls the methods below.
    virtual void DataEvent(TDataEvent event, TDataEventInfo info);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged();
    // The window moved by `distance` records (0: only the active row moved). The base calls
    // DataSetChanged.
    virtual void DataSetScrolled(Integer distance);
    virtual void EditingChanged() {}
    // A control showing *field may take the focus and clear the reference.
    virtual void FocusControl(TField*& field) {}
    virtual void LayoutChanged();
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void UpdateState();
    void UpdateRange();
    void SetActive(bool value);
    void SetEditing(bool value);

    TDataSource* FDataSource = nullptr;
    bool FDataSourceFixed = false;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
    Integer FBufferCount = 1;
    Integer FFirstRecord = 0;
};

// The link of a control that shows one field.
class TFieldDataLink : public TDataLink {
    KOV_CLASS(TFieldDataLink, TDataLink)
public:
    TFieldDataLink() = default;

    TField* GetField() const { return FField; }
    const String& GetFieldName() const { return FFieldName; }
    void SetFieldName(const String& value);
    TComponent* GetControl() const { return FControl; }
    void SetControl(TComponent* value) { FControl = value; }
    bool GetEditing() const { return FEditing; }
    bool GetCanModify() const;
    // Edits when the field can be modified; answers Editing.
    bool Edit();
    // The control's value differs from the field's; UpdateData then fires OnUpdateData.
    void Modified() { FModified = true; }
    bool GetModified() const { return FModified; }
    // Shows the field's value again (RecordChanged(nullptr)).
    void Reset();

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetField(TField* value);
    void SetFieldEditing(bool value);

    TField* FField = nullptr;
    String FFieldName;
    TComponent* FControl = nullptr;
    bool FEditing = false;
    bool FModified = false;
};

// ---- Parameters ---------------------------------------------------------------------------------

class TParam : public TCollectionItem {
    KOV_CLASS(TParam, TCollectionItem)
public:
    explicit TParam(TCollection* collection);
    TParam(TParams* params, TParamType paramType);

    void Assign(TPersistent* source) override;
    // The field's type, name and value.
    void AssignField(TField* field);
    void AssignFieldValue(TField* field, const Variant& value);
    String GetDisplayName() const override;

    void Clear();
    bool GetIsNull() const;
    bool GetBound() const { return FBound; }
    void SetBound(bool value);

    const String& GetName() const { return FName; }
    void SetName(const String& value) { FName = value; }
    TFieldType GetDataType() const { return FDataType; }
    void SetDataType(TFieldType value);
    TParamType GetParamType() const { return FParamType; }
    void SetParamType(TParamType value) { FParamType = value; }
    Integer GetSize() const { return FSize; }
    void SetSize(Integer value) { FSize = value; }
    Integer GetPrecision() const { return FPrecision; }
    void SetPrecision(Integer value) { FPrecision = value; }
    Integer GetNumericScale() const { return FNumericScale; }
    void SetNumericScale(Integer value) { FNumericScale = value; }

    // Null when null; setting takes the value's type as DataType while that is ftUnknown.
    Variant GetValue() const;
    void SetValue(const Variant& value);
    // The As* setters also set DataType. Reading a null parameter gives '', 0, False.
    String GetAsString() const;
    void SetAsString(const String& value);
    WideString GetAsWideString() const;
    void SetAsWideString(const WideString& value);
    Integer GetAsInteger() const;
    void SetAsInteger(Integer value);
    SmallInt GetAsSmallInt() const { return SmallInt(GetAsInteger()); }
    void SetAsSmallInt(SmallInt value);
    Word GetAsWord() const { return Word(GetAsInteger()); }
    void SetAsWord(Word value);
    Int64 GetAsLargeInt() const;
    void SetAsLargeInt(Int64 value);
    double GetAsFloat() const;
    void SetAsFloat(double value);
    Currency GetAsCurrency() const;
    void SetAsCurrency(Currency value);
    Currency GetAsBCD() const { return GetAsCurrency(); }
    void SetAsBCD(Currency value);
    TBcd GetAsFMTBCD() const;
    void SetAsFMTBCD(const TBcd& value);
    bool GetAsBoolean() const;
    void SetAsBoolean(bool value);
    TDateTime GetAsDateTime() const;
    void SetAsDateTime(TDateTime value);
    TDateTime GetAsDate() const { return GetAsDateTime(); }
    void SetAsDate(TDateTime value);
    TDateTime GetAsTime() const { return GetAsDateTime(); }
    void SetAsTime(TDateTime value);
    TSQLTimeStamp GetAsSQLTimeStamp() const;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
    String GetAsMemo() const { return GetAsString(); }
    void SetAsMemo(const String& value);
    String GetAsBlob() const { return GetAsString(); }
    void SetAsBlob(const String& value);
    Variant GetAsVariant() const { return GetValue(); }
    void SetAsVariant(const Variant& value) { SetValue(value); }

private:
    void SetTyped(TFieldType type, const Variant& value);

    String FName;
    TFieldType FDataType = ftUnknown;
    TParamType FParamType = ptUnknown;
    Integer FSize = 0;
    Integer FPrecision = 0;
    Integer FNumericScale = 0;
    Variant FData;
    bool FNull = true;
    bool FBound = false;
};

class TParams : public TCollection {
    KOV_CLASS(TParams, TCollection)
public:
    TParams();
    explicit TParams(TPersistent* owner);

    TPersistent* GetOwner() const override { return FOwner; }
    TParam* GetItems(Integer index) const { return static_cast<TParam*>(TCollection::GetItems(index)); }
    TParam* operator[](Integer index) const { return GetItems(index); }
    TParam* AddParam(TParam* value);
    void RemoveParam(TParam* value);
    TParam* CreateParam(TFieldType fieldType, const String& paramName, TParamType paramType);
    // Case-insensitive; nullptr when absent. ParamByName raises "Parameter '%s' not found".
    TParam* FindParam(const String& value) const;
    TParam* ParamByName(const String& value) const;
    // The parameters named in a ";"-separated list, in its order (each must exist).
    void GetParamList(TList* list, const String& paramNames) const;
    // Same count, and each parameter equal in name, type, kind and value.
    bool IsEqual(TParams* value) const;
    // Copies the values of the parameters of `value` that have a namesake here.
    void AssignValues(TParams* value);
    // One name: the parameter's value; several ("A;B"): a variant array.
    Variant GetParamValues(const String& paramName) const;
    void SetParamValues(const String& paramName, const Variant& value);

private:
    TPersistent* FOwner = nullptr;
};

// Splits a ";"-separated list of names (blanks around names dropped, empty names skipped).
std::vector<String> SplitNames(const String& names);
