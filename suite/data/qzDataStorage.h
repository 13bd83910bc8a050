// Typed record storage of the data controller.
//
// Value types describe one kind of value as it lies in a record buffer: the width of its cell,
// how the cell turns into a variant and back, how two cells compare, its default text and its
// stream form. A value type has no state; each class has one instance, reached through
// ValueTypeClass<T>() (a TqzValueTypeClass), so its operations behave as class-level virtuals.
//
// Cells are unaligned byte ranges: direct types keep the value in the cell, indirect types
// (String, WideString, Variant) keep a pointer to a separately allocated value there (nullptr:
// no value). A text cell is a pointer to a separately allocated display text. The Object type
// keeps an object handle (ObjectToHandle) as a 32-bit integer and frees the object with the
// cell.
//
// TqzDataStorage keeps records as buffers laid out by value definitions: a flags byte, the
// record ID (4 bytes, only while WithRecordIDs is on), then per stored definition a null flag
// (0 null, 1 value), its cell and, when it keeps text, a text cell. Ordinary records have
// indexes 0, 1, ...; internal scratch records -1, -2, ... and mirror definitions of their own.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Variant.h"

// ---- Value types ---------------------------------------------------------------------------

// Width of a pointer cell (indirect types and text cells).
constexpr Integer qzPointerCellWidth = Integer(sizeof(void*));

class TqzValueType;
using TqzValueTypeClass = const TqzValueType*;

template <class T> TqzValueTypeClass ValueTypeClass() {
    static const T instance;
    return &instance;
}

class TqzValueType : public TObject {
    KOV_CLASS(TqzValueType, TObject)
public:
    TqzValueType() = default;

    // Compares the two values the cells hold (CompareData on their data addresses).
    virtual Integer CompareCells(const Byte* cell1, const Byte* cell2) const;
    // Frees what the cell owns.
    virtual void ReleaseCell(Byte* cell) const;
    virtual void ReleaseTextCell(Byte* textCell) const;
    virtual Integer CellWidth() const;
    virtual Variant CellToVariant(const Byte* cell) const;
    // The value's text; never raises a variant conversion error (an empty text instead).
    virtual String CellDefaultText(const Byte* cell) const;
    virtual String TextCellValue(const Byte* textCell) const;
    virtual void LoadCellFromStream(Byte* cell, TStream* stream) const;
    virtual void LoadTextCellFromStream(Byte* textCell, TStream* stream) const;
    // Raises the variant conversion errors; the cell then keeps its content.
    virtual void StoreVariantInCell(Byte* cell, const Variant& value) const;
    virtual void StoreTextInCell(Byte* textCell, const String& text) const;
    virtual void SaveCellToStream(const Byte* cell, TStream* stream) const;
    virtual void SaveTextCellToStream(const Byte* textCell, TStream* stream) const;
    // The class name without a leading "Tqz" and without "ValueType": "String", "FMTBcd".
    virtual String TypeCaption() const;
    // Compares two values at their data addresses (see ResolveDataAddress).
    virtual Integer CompareData(const Byte* data1, const Byte* data2) const;
    virtual Variant DataToVariant(const Byte* data) const;
    virtual TVarType VariantTypeCode() const;
    // Null and anything for varVariant types; otherwise converts value in place to the type's
    // variant type and answers false on a variant conversion error.
    virtual bool AcceptsValue(Variant& value) const;
    virtual bool IsTextType() const;
    // Turns a cell address into the address of the value itself (the held pointer for the
    // indirect types; unchanged for the others).
    virtual const Byte* ResolveDataAddress(const Byte* address) const;
};

class TqzStringValueType : public TqzValueType {
    KOV_CLASS(TqzStringValueType, TqzValueType)
public:
    TqzStringValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    Variant DataToVariant(const Byte* data) const override;
    void ReleaseCell(Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
    bool IsTextType() const override;
    const Byte* ResolveDataAddress(const Byte* address) const override;
};

class TqzWideStringValueType : public TqzStringValueType {
    KOV_CLASS(TqzWideStringValueType, TqzStringValueType)
public:
    TqzWideStringValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Variant CellToVariant(const Byte* cell) const override;
    void ReleaseCell(Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzSmallintValueType : public TqzValueType {
    KOV_CLASS(TqzSmallintValueType, TqzValueType)
public:
    TqzSmallintValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzIntegerValueType : public TqzValueType {
    KOV_CLASS(TqzIntegerValueType, TqzValueType)
public:
    TqzIntegerValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzWordValueType : public TqzValueType {
    KOV_CLASS(TqzWordValueType, TqzValueType)
public:
    TqzWordValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzBooleanValueType : public TqzValueType {
    KOV_CLASS(TqzBooleanValueType, TqzValueType)
public:
    TqzBooleanValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    String CellDefaultText(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzFloatValueType : public TqzValueType {
    KOV_CLASS(TqzFloatValueType, TqzValueType)
public:
    TqzFloatValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzCurrencyValueType : public TqzValueType {
    KOV_CLASS(TqzCurrencyValueType, TqzValueType)
public:
    TqzCurrencyValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzDateTimeValueType : public TqzValueType {
    KOV_CLASS(TqzDateTimeValueType, TqzValueType)
public:
    TqzDateTimeValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    String CellDefaultText(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzLargeIntValueType : public TqzValueType {
    KOV_CLASS(TqzLargeIntValueType, TqzValueType)
public:
    TqzLargeIntValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
    TVarType VariantTypeCode() const override;
};

class TqzFMTBcdValueType : public TqzValueType {
    KOV_CLASS(TqzFMTBcdValueType, TqzValueType)
public:
    TqzFMTBcdValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    String CellDefaultText(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    TVarType VariantTypeCode() const override;
};

class TqzSQLTimeStampValueType : public TqzValueType {
    KOV_CLASS(TqzSQLTimeStampValueType, TqzValueType)
public:
    TqzSQLTimeStampValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    // A Date variant (the time stamp as a date-time).
    Variant CellToVariant(const Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    TVarType VariantTypeCode() const override;
};

class TqzVariantValueType : public TqzValueType {
    KOV_CLASS(TqzVariantValueType, TqzValueType)
public:
    TqzVariantValueType() = default;
    Integer CompareData(const Byte* data1, const Byte* data2) const override;
    Integer CellWidth() const override;
    Variant CellToVariant(const Byte* cell) const override;
    Variant DataToVariant(const Byte* data) const override;
    void ReleaseCell(Byte* cell) const override;
    void StoreVariantInCell(Byte* cell, const Variant& value) const override;
    TVarType VariantTypeCode() const override;
    const Byte* ResolveDataAddress(const Byte* address) const override;
};

// Holds an object handle; releasing the cell frees the object.
class TqzObjectValueType : public TqzIntegerValueType {
    KOV_CLASS(TqzObjectValueType, TqzIntegerValueType)
public:
    TqzObjectValueType() = default;
    void ReleaseCell(Byte* cell) const override;
    void SaveCellToStream(const Byte* cell, TStream* stream) const override;
    void LoadCellFromStream(Byte* cell, TStream* stream) const override;
};

// The registered value types (the fourteen above from module start-up to shut-down).
class TqzValueTypeClassList : public TObject {
    KOV_CLASS(TqzValueTypeClassList, TObject)
public:
    TqzValueTypeClassList() = default;
    // Appends unless already present.
    void RegisterType(TqzValueTypeClass valueType);
    void UnregisterType(TqzValueTypeClass valueType);
    Integer GetCount() const { return Integer(FItems.size()); }
    // Raises EListError outside 0..Count-1.
    TqzValueTypeClass GetItems(Integer index) const;
    Integer IndexOf(TqzValueTypeClass valueType) const;

private:
    std::vector<TqzValueTypeClass> FItems;
};

TqzValueTypeClassList* GetValueTypeRegistry();

// ---- Value definitions ---------------------------------------------------------------------

class TqzDataStorage;
class TqzValueDefs;

class TqzValueDef : public TObject {
    KOV_CLASS(TqzValueDef, TObject)
public:
    TqzValueDef(TqzValueDefs* owner, TqzValueTypeClass valueTypeClass);
    // Leaves its list first (the records narrow).
    ~TqzValueDef() override;

    virtual TObject* BoundObject() const;
    virtual bool IsStored() const;
    virtual void BindObject(TObject* object);
    // Takes the store-value flag and the effective store-text flag of source.
    virtual void CopySettings(const TqzValueDef* source);

    bool KeepsText() const { return IsStored() && FStoreText; }
    bool HoldsText() const { return FValueTypeClass->IsTextType(); }

    // Buffers may be nullptr (a record without buffer: every value null).
    Integer CompareBuffers(const Byte* buffer1, const Byte* buffer2) const;
    Integer CompareWithNulls(bool isNull1, bool isNull2, const Byte* data1, const Byte* data2) const;
    Variant ValueIn(const Byte* buffer) const;
    void PutValue(Byte* buffer, const Variant& value) const;
    String TextOfCell(const Byte* buffer) const;
    void PutText(Byte* buffer, const String& text) const;
    void ReleaseValue(Byte* buffer) const;

    Integer GetBufferSize() const { return FBufferSize; }
    Integer GetDataWidth() const { return FDataWidth; }
    Integer GetOffset() const { return FOffset; }
    bool GetStoreValue() const { return FStoreValue; }
    // Changing either flag re-lays out the records of the definition's list, keeping values.
    void SetStoreValue(bool value);
    bool GetStoreText() const { return FStoreText; }
    void SetStoreText(bool value);
    TqzValueDefs* GetOwner() const { return FOwner; }
    TqzValueTypeClass GetValueTypeClass() const { return FValueTypeClass; }

protected:
    TObject* FBoundObject = nullptr;

private:
    friend class TqzValueDefs;
    Integer FBufferSize = 0;
    Integer FDataWidth = 0;
    bool FStoreValue = true;
    Integer FOffset = 0;
    bool FStoreText = false;
    TqzValueDefs* FOwner;
    TqzValueTypeClass FValueTypeClass;
    bool FListed = false;
};

// The mirror of an ordinary definition in the internal records.
class TqzInternalValueDef : public TqzValueDef {
    KOV_CLASS(TqzInternalValueDef, TqzValueDef)
public:
    TqzInternalValueDef(TqzValueDefs* owner, TqzValueTypeClass valueTypeClass);
    // The bound object of the mirrored definition (for a definition that mirrors none, its own).
    TObject* BoundObject() const override;
    bool IsStored() const override;
    TqzValueDef* MirroredDef() const;
};

class TqzValueDefs : public TObject {
    KOV_CLASS(TqzValueDefs, TObject)
public:
    explicit TqzValueDefs(TqzDataStorage* storage);
    ~TqzValueDefs() override;

    TqzValueDef* AddDef(TqzValueTypeClass valueTypeClass, bool storeValue, TObject* boundObject,
                        bool storeText);
    void RemoveDef(TqzValueDef* def);
    void ClearDefs();

    Integer DefCount() const { return Integer(FItems.size()); }
    Integer StoredDefCount() const;
    TqzValueDef* Defs(Integer index) const;
    Integer IndexOf(const TqzValueDef* def) const;
    Integer GetRecordSize() const { return FRecordSize; }
    TqzDataStorage* GetStorage() const { return FStorage; }

    virtual void DefChanged(TqzValueDef* def, bool textFlag);
    virtual TClass DefClass() const;
    virtual void ComputeLayout(Integer startOffset);

protected:
    virtual TqzValueDef* NewDef(TqzValueTypeClass valueTypeClass);

private:
    friend class TqzDataStorage;
    void ExtendRecords(TqzValueDef* def, Integer position);
    void ShrinkRecords(TqzValueDef* def);
    void RestructureDef(TqzValueDef* def);
    bool IsInternal() const;

    TqzDataStorage* FStorage;
    std::vector<TqzValueDef*> FItems;
    Integer FRecordSize = 0;
};

class TqzInternalValueDefs : public TqzValueDefs {
    KOV_CLASS(TqzInternalValueDefs, TqzValueDefs)
public:
    explicit TqzInternalValueDefs(TqzDataStorage* storage) : TqzValueDefs(storage) {}
    TClass DefClass() const override;
    // The mirror whose mirrored definition is boundObject, or nullptr.
    TqzInternalValueDef* FindMirror(TObject* boundObject) const;
    void DropMirror(TObject* boundObject);

protected:
    TqzValueDef* NewDef(TqzValueTypeClass valueTypeClass) override;
};

// The source a record is filled from; the base reads Null and empty texts and skips nothing.
class TqzValueDefReader : public TObject {
    KOV_CLASS(TqzValueDefReader, TObject)
public:
    TqzValueDefReader() = default;
    virtual String ReadText(TqzValueDef* def);
    virtual Variant ReadVariant(TqzValueDef* def);
    virtual bool Skips(TqzValueDef* def);
};

// ---- Storage -----------------------------------------------------------------------------------

using TqzValueDefMethod =
    TClosure<void(TqzValueDef* def, Integer recordIndex, TqzValueDefReader* reader, void* extra)>;

class TqzDataStorage : public TObject {
    KOV_CLASS(TqzDataStorage, TObject)
public:
    TqzDataStorage();
    ~TqzDataStorage() override;

    TqzValueDefs* GetValueDefs() const { return FValueDefs.get(); }
    TqzInternalValueDefs* GetInternalValueDefs() const { return FInternalValueDefs.get(); }

    Integer AddRecord();
    void InsertRecordAt(Integer index);
    Integer GetNumRecords() const { return Integer(FRecordBuffers.size()); }
    void SetNumRecords(Integer value);
    void RemoveRecord(Integer index);
    Integer AcquireInternalRecord();
    Integer InternalRecordCount() const { return Integer(FInternalRecordBuffers.size()); }

    // Ordinary definitions on an internal record reach its mirror; a definition that does not
    // belong to the record's list reads Null and writes nothing.
    Variant ReadValue(Integer index, TqzValueDef* def);
    String ReadDisplayText(Integer index, TqzValueDef* def);
    void WriteValue(Integer index, TqzValueDef* def, const Variant& value);
    void WriteDisplayText(Integer index, TqzValueDef* def, const String& text);
    Integer CompareRecordValues(Integer index1, Integer index2, TqzValueDef* def);
    // Answers whether the value is null; dataAddress is the value's data address otherwise.
    bool LocateValueData(Integer index, TqzValueDef* def, const Byte*& dataAddress);
    void FillRecord(Integer index, TqzValueDefReader* reader);
    void ForEachValueDef(Integer index, void* extra, const TqzValueDefMethod& method,
                         TqzValueDefReader* reader);
    // 0 while record IDs are off.
    Integer FetchRecordID(Integer index);
    void StoreRecordID(Integer index, Integer id);
    void DiscardRecords(bool keepInternal = false);
    virtual void BeginFill() {}
    virtual void EndFill() {}

    bool GetOnlyStoredValues() const { return FOnlyStoredValues; }
    void SetOnlyStoredValues(bool value);
    bool GetWithRecordIDs() const { return FWithRecordIDs; }
    void SetWithRecordIDs(bool value);
    bool IsDestroying() const { return FDestroying; }

    // The definitions of the record's list (internal ones for a negative index).
    virtual TqzValueDefs* DefsForRecord(Integer index) const;
    virtual void LayOut(TqzValueDefs* defs);
    virtual void DefsChanged(TqzValueDef* def, bool textFlag) {}
    // The definition that serves def on the record, or nullptr.
    TqzValueDef* MapValueDef(Integer index, TqzValueDef* def) const;

    TNotifyEvent OnInternalRecordsDropped;

private:
    friend class TqzValueDefs;
    using TBuffer = std::vector<Byte>; // empty: no buffer

    std::vector<TBuffer>& BuffersOf(const TqzValueDefs* defs);
    TBuffer& Slot(Integer index);
    Byte* BufferOf(Integer index); // nullptr when the record has none
    Byte* NeedBuffer(Integer index);
    void DiscardBuffer(TBuffer& buffer, const TqzValueDefs* defs);
    void DropInternalRecords();
    void GiveRecordID(Integer index);

    bool FDestroying = false;
    std::vector<TBuffer> FInternalRecordBuffers;
    std::unique_ptr<TqzInternalValueDefs> FInternalValueDefs;
    bool FOnlyStoredValues = false;
    std::vector<TBuffer> FRecordBuffers;
    Integer FNextRecordID = 1;
    bool FWithRecordIDs = false;
    std::unique_ptr<TqzValueDefs> FValueDefs;
};

// ---- Lookup list ---------------------------------------------------------------------------

struct TqzLookupListItem {
    Variant Value;
    String Text;
};

// (value, text) pairs kept sorted by value.
class TqzLookupList : public TObject {
    KOV_CLASS(TqzLookupList, TObject)
public:
    TqzLookupList() = default;
    // Binary search; index is the item's position, or where the value belongs when not found.
    bool Locate(const Variant& value, Integer& index) const;
    // Raises EListError unless 0 <= index <= Count.
    void InsertItem(Integer index, const Variant& value, const String& text);
    // Raises EListError outside 0..Count-1.
    const TqzLookupListItem& Item(Integer index) const;
    Integer GetCount() const { return Integer(FItems.size()); }
    void ClearItems() { FItems.clear(); }

private:
    std::vector<TqzLookupListItem> FItems;
};
