#include "suite/data/qzDataStorage.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Numbers.h"
#include "suite/foundation/qzVariants.h"

namespace {

template <class T> T Load(const Byte* p) {
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}

template <class T> void Save(Byte* p, const T& value) { std::memcpy(p, &value, sizeof(T)); }

template <class T> T* LoadPtr(const Byte* cell) { return Load<T*>(cell); }

template <class T> Integer Sign(const T& a, const T& b) { return a < b ? -1 : (b < a ? 1 : 0); }

[[noreturn]] void IndexError(Integer index) { TList::Error("List index out of bounds (%d)", index); }

} // namespace

// ---- TqzValueType ---------------------------------------------------------------------------

Integer TqzValueType::CompareCells(const Byte* cell1, const Byte* cell2) const {
    return CompareData(ResolveDataAddress(cell1), ResolveDataAddress(cell2));
}

void TqzValueType::ReleaseCell(Byte*) const {}

void TqzValueType::ReleaseTextCell(Byte* textCell) const {
    delete LoadPtr<String>(textCell);
    Save<String*>(textCell, nullptr);
}

Integer TqzValueType::CellWidth() const { return 0; }

Variant TqzValueType::CellToVariant(const Byte*) const { return Null(); }

String TqzValueType::CellDefaultText(const Byte* cell) const {
    try {
        return VarToStr(CellToVariant(cell));
    } catch (const EVariantError&) {
        return String();
    }
}

String TqzValueType::TextCellValue(const Byte* textCell) const {
    const String* text = LoadPtr<String>(textCell);
    return text ? *text : String();
}

void TqzValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, StreamReadVariant(stream));
}

void TqzValueType::LoadTextCellFromStream(Byte* textCell, TStream* stream) const {
    StoreTextInCell(textCell, StreamReadString(stream));
}

void TqzValueType::StoreVariantInCell(Byte*, const Variant&) const {}

void TqzValueType::StoreTextInCell(Byte* textCell, const String& text) const {
    String* held = LoadPtr<String>(textCell);
    if (held) {
        *held = text;
    } else {
        Save<String*>(textCell, new String(text));
    }
}

void TqzValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteVariant(stream, CellToVariant(cell));
}

void TqzValueType::SaveTextCellToStream(const Byte* textCell, TStream* stream) const {
    StreamWriteString(stream, TextCellValue(textCell));
}

String TqzValueType::TypeCaption() const {
    String caption = ClassName();
    if (caption.compare(0, 3, "Tqz") == 0) caption.erase(0, 3);
    const auto at = caption.find("ValueType");
    if (at != String::npos) caption.erase(at, 9);
    return caption;
}

Integer TqzValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return CompareVariantValues(CellToVariant(data1), CellToVariant(data2));
}

Variant TqzValueType::DataToVariant(const Byte* data) const { return CellToVariant(data); }

TVarType TqzValueType::VariantTypeCode() const { return varVariant; }

bool TqzValueType::AcceptsValue(Variant& value) const {
    if (VarIsNull(value) || VariantTypeCode() == varVariant) return true;
    try {
        value = VarAsType(value, VariantTypeCode());
        return true;
    } catch (const EVariantError&) {
        return false;
    }
}

bool TqzValueType::IsTextType() const { return false; }

const Byte* TqzValueType::ResolveDataAddress(const Byte* address) const { return address; }

// ---- String and WideString ----------------------------------------------------------------

Integer TqzStringValueType::CompareData(const Byte* data1, const Byte* data2) const {
    const auto* a = reinterpret_cast<const String*>(data1);
    const auto* b = reinterpret_cast<const String*>(data2);
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    const int result = a->compare(*b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

Integer TqzStringValueType::CellWidth() const { return qzPointerCellWidth; }

Variant TqzStringValueType::CellToVariant(const Byte* cell) const {
    const String* text = LoadPtr<String>(cell);
    return text ? Variant(*text) : Null();
}

Variant TqzStringValueType::DataToVariant(const Byte* data) const {
    Byte cell[sizeof(void*)];
    Save<const Byte*>(cell, data);
    return CellToVariant(cell);
}

void TqzStringValueType::ReleaseCell(Byte* cell) const {
    delete LoadPtr<String>(cell);
    Save<String*>(cell, nullptr);
}

void TqzStringValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    StoreTextInCell(cell, VarToStr(value));
}

void TqzStringValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteString(stream, TextCellValue(cell));
}

void TqzStringValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadString(stream)));
}

TVarType TqzStringValueType::VariantTypeCode() const { return varString; }

bool TqzStringValueType::IsTextType() const { return true; }

const Byte* TqzStringValueType::ResolveDataAddress(const Byte* address) const {
    return LoadPtr<const Byte>(address);
}

Integer TqzWideStringValueType::CompareData(const Byte* data1, const Byte* data2) const {
    const auto* a = reinterpret_cast<const WideString*>(data1);
    const auto* b = reinterpret_cast<const WideString*>(data2);
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    const int result = a->compare(*b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

Variant TqzWideStringValueType::CellToVariant(const Byte* cell) const {
    const WideString* text = LoadPtr<WideString>(cell);
    return text ? Variant(*text) : Null();
}

void TqzWideStringValueType::ReleaseCell(Byte* cell) const {
    delete LoadPtr<WideString>(cell);
    Save<WideString*>(cell, nullptr);
}

void TqzWideStringValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    WideString text = VarToWideStr(value);
    WideString* held = LoadPtr<WideString>(cell);
    if (held) {
        *held = std::move(text);
    } else {
        Save<WideString*>(cell, new WideString(std::move(text)));
    }
}

void TqzWideStringValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    const WideString* text = LoadPtr<WideString>(cell);
    StreamWriteWideString(stream, text ? *text : WideString());
}

void TqzWideStringValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadWideString(stream)));
}

TVarType TqzWideStringValueType::VariantTypeCode() const { return varOleStr; }

// ---- Integers and Boolean ------------------------------------------------------------------

Integer TqzSmallintValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Integer(Load<SmallInt>(data1)) - Integer(Load<SmallInt>(data2));
}
Integer TqzSmallintValueType::CellWidth() const { return 2; }
Variant TqzSmallintValueType::CellToVariant(const Byte* cell) const { return Variant(Load<SmallInt>(cell)); }
void TqzSmallintValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, static_cast<SmallInt>(value.AsInt64()));
}
void TqzSmallintValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteSmallInt(stream, Load<SmallInt>(cell));
}
void TqzSmallintValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadSmallInt(stream)));
}
TVarType TqzSmallintValueType::VariantTypeCode() const { return varSmallint; }

Integer TqzIntegerValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Sign(Load<Integer>(data1), Load<Integer>(data2));
}
Integer TqzIntegerValueType::CellWidth() const { return 4; }
Variant TqzIntegerValueType::CellToVariant(const Byte* cell) const { return Variant(Load<Integer>(cell)); }
void TqzIntegerValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, static_cast<Integer>(value.AsInt64()));
}
void TqzIntegerValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteInteger(stream, Load<Integer>(cell));
}
void TqzIntegerValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadInteger(stream)));
}
TVarType TqzIntegerValueType::VariantTypeCode() const { return varInteger; }

Integer TqzWordValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Integer(Load<Word>(data1)) - Integer(Load<Word>(data2));
}
Integer TqzWordValueType::CellWidth() const { return 2; }
Variant TqzWordValueType::CellToVariant(const Byte* cell) const { return Variant(Load<Word>(cell)); }
void TqzWordValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, static_cast<Word>(value.AsInt64()));
}
void TqzWordValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteWord(stream, Load<Word>(cell));
}
void TqzWordValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadWord(stream)));
}
TVarType TqzWordValueType::VariantTypeCode() const { return varWord; }

Integer TqzBooleanValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Integer(Load<Byte>(data1)) - Integer(Load<Byte>(data2));
}
Integer TqzBooleanValueType::CellWidth() const { return 1; }
Variant TqzBooleanValueType::CellToVariant(const Byte* cell) const { return Variant(Load<Byte>(cell) != 0); }
String TqzBooleanValueType::CellDefaultText(const Byte* cell) const {
    return Load<Byte>(cell) != 0 ? "True" : "False";
}
void TqzBooleanValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save<Byte>(cell, value.AsBoolean() ? 1 : 0);
}
void TqzBooleanValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteBoolean(stream, Load<Byte>(cell) != 0);
}
void TqzBooleanValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadBoolean(stream)));
}
TVarType TqzBooleanValueType::VariantTypeCode() const { return varBoolean; }

// ---- Floats, currency, date-time, large integers ---------------------------------------------

Integer TqzFloatValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Sign(Load<double>(data1), Load<double>(data2));
}
Integer TqzFloatValueType::CellWidth() const { return 8; }
Variant TqzFloatValueType::CellToVariant(const Byte* cell) const { return Variant(Load<double>(cell)); }
void TqzFloatValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, value.AsDouble());
}
void TqzFloatValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteExtended(stream, Load<double>(cell));
}
void TqzFloatValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    Save(cell, static_cast<double>(StreamReadExtended(stream)));
}
TVarType TqzFloatValueType::VariantTypeCode() const { return varDouble; }

Integer TqzCurrencyValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Sign(Load<Int64>(data1), Load<Int64>(data2));
}
Integer TqzCurrencyValueType::CellWidth() const { return 8; }
Variant TqzCurrencyValueType::CellToVariant(const Byte* cell) const {
    return Variant(Currency::FromRaw(Load<Int64>(cell)));
}
void TqzCurrencyValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, value.AsCurrency().Raw());
}
void TqzCurrencyValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteCurrency(stream, Currency::FromRaw(Load<Int64>(cell)));
}
void TqzCurrencyValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadCurrency(stream)));
}
TVarType TqzCurrencyValueType::VariantTypeCode() const { return varCurrency; }

Integer TqzDateTimeValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Sign(Load<double>(data1), Load<double>(data2));
}
Integer TqzDateTimeValueType::CellWidth() const { return 8; }
Variant TqzDateTimeValueType::CellToVariant(const Byte* cell) const {
    return VarFromDateTime(Load<double>(cell));
}
String TqzDateTimeValueType::CellDefaultText(const Byte* cell) const {
    const TDateTime value = Load<double>(cell);
    try {
        return VarFromDateTime(value).AsString();
    } catch (const EVariantError&) {
        return DateTimeToStr(value);
    }
}
void TqzDateTimeValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save<double>(cell, value.AsDateTime());
}
void TqzDateTimeValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteDateTime(stream, Load<double>(cell));
}
void TqzDateTimeValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, VarFromDateTime(StreamReadDateTime(stream)));
}
TVarType TqzDateTimeValueType::VariantTypeCode() const { return varDate; }

Integer TqzLargeIntValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return Sign(Load<Int64>(data1), Load<Int64>(data2));
}
Integer TqzLargeIntValueType::CellWidth() const { return 8; }
Variant TqzLargeIntValueType::CellToVariant(const Byte* cell) const { return Variant(Load<Int64>(cell)); }
void TqzLargeIntValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, value.AsInt64());
}
void TqzLargeIntValueType::SaveCellToStream(const Byte* cell, TStream* stream) const {
    StreamWriteLargeInt(stream, Load<Int64>(cell));
}
void TqzLargeIntValueType::LoadCellFromStream(Byte* cell, TStream* stream) const {
    StoreVariantInCell(cell, Variant(StreamReadLargeInt(stream)));
}
TVarType TqzLargeIntValueType::VariantTypeCode() const { return varInt64; }

// ---- Decimal and time stamp ---------------------------------------------------------------

Integer TqzFMTBcdValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return BcdCompare(Load<TBcd>(data1), Load<TBcd>(data2));
}
Integer TqzFMTBcdValueType::CellWidth() const { return Integer(sizeof(TBcd)); }
Variant TqzFMTBcdValueType::CellToVariant(const Byte* cell) const { return Variant(Load<TBcd>(cell)); }
String TqzFMTBcdValueType::CellDefaultText(const Byte* cell) const {
    return BcdToStrF(Load<TBcd>(cell), ffGeneral, 0, 0);
}
void TqzFMTBcdValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, VarToBcd(value));
}
TVarType TqzFMTBcdValueType::VariantTypeCode() const { return varFMTBcd; }

Integer TqzSQLTimeStampValueType::CompareData(const Byte* data1, const Byte* data2) const {
    return SQLTimeStampCompare(Load<TSQLTimeStamp>(data1), Load<TSQLTimeStamp>(data2));
}
Integer TqzSQLTimeStampValueType::CellWidth() const { return Integer(sizeof(TSQLTimeStamp)); }
Variant TqzSQLTimeStampValueType::CellToVariant(const Byte* cell) const {
    return VarFromDateTime(SQLTimeStampToDateTime(Load<TSQLTimeStamp>(cell)));
}
void TqzSQLTimeStampValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Save(cell, VarToSQLTimeStamp(value));
}
TVarType TqzSQLTimeStampValueType::VariantTypeCode() const { return varSQLTimeStamp; }

// ---- Variant and Object ---------------------------------------------------------------------

Integer TqzVariantValueType::CompareData(const Byte* data1, const Byte* data2) const {
    const auto* a = reinterpret_cast<const Variant*>(data1);
    const auto* b = reinterpret_cast<const Variant*>(data2);
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    return CompareVariantValues(*a, *b);
}
Integer TqzVariantValueType::CellWidth() const { return qzPointerCellWidth; }
Variant TqzVariantValueType::CellToVariant(const Byte* cell) const {
    const Variant* held = LoadPtr<Variant>(cell);
    return held ? *held : Null();
}
Variant TqzVariantValueType::DataToVariant(const Byte* data) const {
    Byte cell[sizeof(void*)];
    Save<const Byte*>(cell, data);
    return CellToVariant(cell);
}
void TqzVariantValueType::ReleaseCell(Byte* cell) const {
    delete LoadPtr<Variant>(cell);
    Save<Variant*>(cell, nullptr);
}
void TqzVariantValueType::StoreVariantInCell(Byte* cell, const Variant& value) const {
    Variant* held = LoadPtr<Variant>(cell);
    if (held) {
        *held = value;
    } else {
        Save<Variant*>(cell, new Variant(value));
    }
}
TVarType TqzVariantValueType::VariantTypeCode() const { return varVariant; }
const Byte* TqzVariantValueType::ResolveDataAddress(const Byte* address) const {
    return LoadPtr<const Byte>(address);
}

void TqzObjectValueType::ReleaseCell(Byte* cell) const {
    const Cardinal handle = static_cast<Cardinal>(Load<Integer>(cell));
    Save<Integer>(cell, 0);
    delete HandleToObject(handle);
}
void TqzObjectValueType::SaveCellToStream(const Byte*, TStream*) const {}
void TqzObjectValueType::LoadCellFromStream(Byte*, TStream*) const {}

// ---- Registry -------------------------------------------------------------------------------

void TqzValueTypeClassList::RegisterType(TqzValueTypeClass valueType) {
    if (IndexOf(valueType) < 0) FItems.push_back(valueType);
}

void TqzValueTypeClassList::UnregisterType(TqzValueTypeClass valueType) {
    const Integer index = IndexOf(valueType);
    if (index >= 0) FItems.erase(FItems.begin() + index);
}

TqzValueTypeClass TqzValueTypeClassList::GetItems(Integer index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    return FItems[std::size_t(index)];
}

Integer TqzValueTypeClassList::IndexOf(TqzValueTypeClass valueType) const {
    const auto it = std::find(FItems.begin(), FItems.end(), valueType);
    return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

namespace {

std::unique_ptr<TqzValueTypeClassList>& RegistryHolder() {
    static std::unique_ptr<TqzValueTypeClassList> registry;
    return registry;
}

std::vector<TqzValueTypeClass> ModuleValueTypes() {
    return {ValueTypeClass<TqzStringValueType>(),   ValueTypeClass<TqzWideStringValueType>(),
            ValueTypeClass<TqzSmallintValueType>(), ValueTypeClass<TqzIntegerValueType>(),
            ValueTypeClass<TqzWordValueType>(),     ValueTypeClass<TqzBooleanValueType>(),
            ValueTypeClass<TqzFloatValueType>(),    ValueTypeClass<TqzCurrencyValueType>(),
            ValueTypeClass<TqzDateTimeValueType>(), ValueTypeClass<TqzLargeIntValueType>(),
            ValueTypeClass<TqzFMTBcdValueType>(),   ValueTypeClass<TqzSQLTimeStampValueType>(),
            ValueTypeClass<TqzVariantValueType>(),  ValueTypeClass<TqzObjectValueType>()};
}

struct TValueTypesModule {
    TValueTypesModule() {
        for (TqzValueTypeClass type : ModuleValueTypes())
            GetValueTypeRegistry()->RegisterType(type);
    }
    ~TValueTypesModule() {
        auto types = ModuleValueTypes();
        for (auto it = types.rbegin(); it != types.rend(); ++it)
            GetValueTypeRegistry()->UnregisterType(*it);
        RegistryHolder().reset();
    }
} valueTypesModule;

} // namespace

TqzValueTypeClassList* GetValueTypeRegistry() {
    auto& registry = RegistryHolder();
    if (!registry) registry = std::make_unique<TqzValueTypeClassList>();
    return registry.get();
}

// ---- TqzValueDef ----------------------------------------------------------------------------

TqzValueDef::TqzValueDef(TqzValueDefs* owner, TqzValueTypeClass valueTypeClass)
    : FOwner(owner), FValueTypeClass(valueTypeClass) {}

TqzValueDef::~TqzValueDef() {
    if (FListed && FOwner) FOwner->RemoveDef(this);
}

TObject* TqzValueDef::BoundObject() const { return FBoundObject; }

bool TqzValueDef::IsStored() const {
    return FStoreValue || !FOwner || !FOwner->GetStorage() || !FOwner->GetStorage()->GetOnlyStoredValues();
}

void TqzValueDef::BindObject(TObject* object) { FBoundObject = object; }

void TqzValueDef::CopySettings(const TqzValueDef* source) {
    SetStoreValue(source->GetStoreValue());
    SetStoreText(source->KeepsText());
}

Integer TqzValueDef::CompareBuffers(const Byte* buffer1, const Byte* buffer2) const {
    const bool null1 = !buffer1 || FBufferSize == 0 || buffer1[FOffset] == 0;
    const bool null2 = !buffer2 || FBufferSize == 0 || buffer2[FOffset] == 0;
    if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
    return FValueTypeClass->CompareCells(buffer1 + FOffset + 1, buffer2 + FOffset + 1);
}

Integer TqzValueDef::CompareWithNulls(bool isNull1, bool isNull2, const Byte* data1,
                                      const Byte* data2) const {
    if (isNull1 || isNull2) return isNull1 == isNull2 ? 0 : (isNull1 ? -1 : 1);
    return FValueTypeClass->CompareData(data1, data2);
}

Variant TqzValueDef::ValueIn(const Byte* buffer) const {
    if (!buffer || FBufferSize == 0 || buffer[FOffset] == 0) return Null();
    return FValueTypeClass->CellToVariant(buffer + FOffset + 1);
}

void TqzValueDef::PutValue(Byte* buffer, const Variant& value) const {
    if (!buffer || FBufferSize == 0) return;
    Byte* cell = buffer + FOffset + 1;
    if (VarIsNull(value)) {
        if (buffer[FOffset] != 0) {
            FValueTypeClass->ReleaseCell(cell);
            std::memset(cell, 0, std::size_t(FDataWidth));
        }
        buffer[FOffset] = 0;
        return;
    }
    // The flag is set only once the value is stored, so a value the type cannot take leaves a
    // null cell null.
    FValueTypeClass->StoreVariantInCell(cell, value);
    buffer[FOffset] = 1;
}

String TqzValueDef::TextOfCell(const Byte* buffer) const {
    if (!buffer || FBufferSize == 0) return String();
    if (KeepsText()) return FValueTypeClass->TextCellValue(buffer + FOffset + 1 + FDataWidth);
    if (buffer[FOffset] == 0) return String();
    return FValueTypeClass->CellDefaultText(buffer + FOffset + 1);
}

void TqzValueDef::PutText(Byte* buffer, const String& text) const {
    if (buffer && FBufferSize != 0 && KeepsText())
        FValueTypeClass->StoreTextInCell(buffer + FOffset + 1 + FDataWidth, text);
}

void TqzValueDef::ReleaseValue(Byte* buffer) const {
    if (!buffer || FBufferSize == 0) return;
    if (buffer[FOffset] != 0) FValueTypeClass->ReleaseCell(buffer + FOffset + 1);
    if (FBufferSize > 1 + FDataWidth) FValueTypeClass->ReleaseTextCell(buffer + FOffset + 1 + FDataWidth);
}

void TqzValueDef::SetStoreValue(bool value) {
    if (FStoreValue == value) return;
    FStoreValue = value;
    if (FOwner) FOwner->DefChanged(this, false);
}

void TqzValueDef::SetStoreText(bool value) {
    if (FStoreText == value) return;
    FStoreText = value;
    if (FOwner) FOwner->DefChanged(this, true);
}

TqzInternalValueDef::TqzInternalValueDef(TqzValueDefs* owner, TqzValueTypeClass valueTypeClass)
    : TqzValueDef(owner, valueTypeClass) {}

TObject* TqzInternalValueDef::BoundObject() const {
    if (TqzValueDef* mirrored = MirroredDef()) return mirrored->BoundObject();
    return FBoundObject;
}

bool TqzInternalValueDef::IsStored() const { return true; }

TqzValueDef* TqzInternalValueDef::MirroredDef() const {
    return FBoundObject && FBoundObject->InheritsFrom(TqzValueDef::StaticClass())
               ? static_cast<TqzValueDef*>(FBoundObject)
               : nullptr;
}

// ---- TqzValueDefs ---------------------------------------------------------------------------

TqzValueDefs::TqzValueDefs(TqzDataStorage* storage) : FStorage(storage) {}

TqzValueDefs::~TqzValueDefs() { ClearDefs(); }

TqzValueDef* TqzValueDefs::NewDef(TqzValueTypeClass valueTypeClass) {
    return new TqzValueDef(this, valueTypeClass);
}

TClass TqzValueDefs::DefClass() const { return TqzValueDef::StaticClass(); }

bool TqzValueDefs::IsInternal() const { return FStorage && this == FStorage->GetInternalValueDefs(); }

TqzValueDef* TqzValueDefs::AddDef(TqzValueTypeClass valueTypeClass, bool storeValue, TObject* boundObject,
                                  bool storeText) {
    std::unique_ptr<TqzValueDef> def(NewDef(valueTypeClass));
    def->FStoreValue = storeValue;
    def->FStoreText = storeText;
    def->BindObject(boundObject);
    def->FDataWidth = valueTypeClass->CellWidth();
    def->FBufferSize =
        def->IsStored() ? 1 + def->FDataWidth + (def->KeepsText() ? qzPointerCellWidth : 0) : 0;
    ExtendRecords(def.get(), DefCount());
    FItems.push_back(def.get());
    def->FListed = true;
    if (FStorage) FStorage->LayOut(this);
    return def.release();
}

void TqzValueDefs::RemoveDef(TqzValueDef* def) {
    const Integer index = IndexOf(def);
    if (index < 0) return;
    ShrinkRecords(def);
    FItems.erase(FItems.begin() + index);
    def->FListed = false;
    if (FStorage) FStorage->LayOut(this);
}

void TqzValueDefs::ClearDefs() {
    while (!FItems.empty())
        delete FItems.back();
}

Integer TqzValueDefs::StoredDefCount() const {
    return Integer(std::count_if(FItems.begin(), FItems.end(), [](TqzValueDef* d) { return d->IsStored(); }));
}

TqzValueDef* TqzValueDefs::Defs(Integer index) const {
    if (index < 0 || index >= DefCount()) IndexError(index);
    return FItems[std::size_t(index)];
}

Integer TqzValueDefs::IndexOf(const TqzValueDef* def) const {
    const auto it = std::find(FItems.begin(), FItems.end(), def);
    return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

void TqzValueDefs::DefChanged(TqzValueDef* def, bool textFlag) {
    if (IndexOf(def) >= 0) RestructureDef(def);
    if (FStorage) FStorage->DefsChanged(def, textFlag);
}

void TqzValueDefs::ComputeLayout(Integer startOffset) {
    Integer s = startOffset;
    for (TqzValueDef* def : FItems) {
        def->FOffset = s;
        def->FDataWidth = def->FValueTypeClass->CellWidth();
        if (def->IsStored()) {
            def->FBufferSize = 1 + def->FDataWidth + (def->KeepsText() ? qzPointerCellWidth : 0);
        } else {
            def->FBufferSize = 0;
        }
        s += def->FBufferSize;
    }
    FRecordSize = s;
}

void TqzValueDefs::ExtendRecords(TqzValueDef* def, Integer position) {
    if (!FStorage) return;
    if (!IsInternal())
        FStorage->GetInternalValueDefs()->AddDef(def->FValueTypeClass, true, def, def->FStoreText);
    const Integer size = def->FBufferSize;
    if (size == 0) return;
    const Integer oldSize = FRecordSize;
    const Integer at = position < DefCount() ? FItems[std::size_t(position)]->FOffset : oldSize;
    for (auto& buffer : FStorage->BuffersOf(this)) {
        if (buffer.empty()) continue;
        buffer.insert(buffer.begin() + at, std::size_t(size), Byte(0));
    }
}

void TqzValueDefs::ShrinkRecords(TqzValueDef* def) {
    if (!FStorage) return;
    if (!IsInternal()) FStorage->GetInternalValueDefs()->DropMirror(def);
    if (def->FBufferSize == 0) return;
    // A buffer whose only stored value goes is dropped as a whole, unless it holds more than
    // values: internal records keep their in-use mark and records keep their IDs.
    const bool dropWhole =
        def->IsStored() && StoredDefCount() == 1 && !IsInternal() && !FStorage->GetWithRecordIDs();
    for (auto& buffer : FStorage->BuffersOf(this)) {
        if (buffer.empty()) continue;
        if (dropWhole) {
            FStorage->DiscardBuffer(buffer, this);
            continue;
        }
        def->ReleaseValue(buffer.data());
        buffer.erase(buffer.begin() + def->FOffset, buffer.begin() + def->FOffset + def->FBufferSize);
    }
}

void TqzValueDefs::RestructureDef(TqzValueDef* def) {
    // The buffers still have the segment of the last layout; give it its new size.
    const Integer oldSize = def->FBufferSize;
    const Integer width = def->FDataWidth;
    const Integer newSize = def->IsStored() ? 1 + width + (def->KeepsText() ? qzPointerCellWidth : 0) : 0;
    if (oldSize != newSize && FStorage) {
        const Integer at = def->FOffset;
        for (auto& buffer : FStorage->BuffersOf(this)) {
            if (buffer.empty()) continue;
            Byte* segment = buffer.data() + at;
            if (newSize == 0) {
                if (segment[0] != 0) def->FValueTypeClass->ReleaseCell(segment + 1);
                if (oldSize > 1 + width) def->FValueTypeClass->ReleaseTextCell(segment + 1 + width);
                buffer.erase(buffer.begin() + at, buffer.begin() + at + oldSize);
            } else if (oldSize == 0) {
                buffer.insert(buffer.begin() + at, std::size_t(newSize), Byte(0));
            } else if (newSize > oldSize) {
                buffer.insert(buffer.begin() + at + oldSize, std::size_t(newSize - oldSize), Byte(0));
            } else {
                def->FValueTypeClass->ReleaseTextCell(segment + 1 + width);
                buffer.erase(buffer.begin() + at + newSize, buffer.begin() + at + oldSize);
            }
        }
    }
    if (FStorage) FStorage->LayOut(this);
}

TClass TqzInternalValueDefs::DefClass() const { return TqzInternalValueDef::StaticClass(); }

TqzValueDef* TqzInternalValueDefs::NewDef(TqzValueTypeClass valueTypeClass) {
    return new TqzInternalValueDef(this, valueTypeClass);
}

TqzInternalValueDef* TqzInternalValueDefs::FindMirror(TObject* boundObject) const {
    for (Integer i = 0; i < DefCount(); ++i) {
        auto* def = static_cast<TqzInternalValueDef*>(Defs(i));
        if (boundObject && def->MirroredDef() == boundObject) return def;
    }
    return nullptr;
}

void TqzInternalValueDefs::DropMirror(TObject* boundObject) { delete FindMirror(boundObject); }

// ---- TqzValueDefReader ----------------------------------------------------------------------

String TqzValueDefReader::ReadText(TqzValueDef*) { return String(); }
Variant TqzValueDefReader::ReadVariant(TqzValueDef*) { return Null(); }
bool TqzValueDefReader::Skips(TqzValueDef*) { return false; }

// ---- TqzDataStorage -------------------------------------------------------------------------

TqzDataStorage::TqzDataStorage() {
    FInternalValueDefs = std::make_unique<TqzInternalValueDefs>(this);
    FValueDefs = std::make_unique<TqzValueDefs>(this);
    LayOut(FInternalValueDefs.get());
    LayOut(FValueDefs.get());
}

TqzDataStorage::~TqzDataStorage() {
    FDestroying = true;
    DiscardRecords(false);
    FValueDefs->ClearDefs();
    FInternalValueDefs->ClearDefs();
}

std::vector<TqzDataStorage::TBuffer>& TqzDataStorage::BuffersOf(const TqzValueDefs* defs) {
    return defs == FInternalValueDefs.get() ? FInternalRecordBuffers : FRecordBuffers;
}

TqzValueDefs* TqzDataStorage::DefsForRecord(Integer index) const {
    return index < 0 ? static_cast<TqzValueDefs*>(FInternalValueDefs.get()) : FValueDefs.get();
}

void TqzDataStorage::LayOut(TqzValueDefs* defs) {
    // Internal records never carry an ID, so their values always start after the flags byte.
    const bool withID = FWithRecordIDs && defs == FValueDefs.get();
    defs->ComputeLayout(withID ? 5 : 1);
}

TqzDataStorage::TBuffer& TqzDataStorage::Slot(Integer index) {
    if (index < 0) {
        const Integer position = -(index + 1);
        if (position >= InternalRecordCount()) IndexError(index);
        return FInternalRecordBuffers[std::size_t(position)];
    }
    if (index >= GetNumRecords()) IndexError(index);
    return FRecordBuffers[std::size_t(index)];
}

Byte* TqzDataStorage::BufferOf(Integer index) {
    TBuffer& buffer = Slot(index);
    return buffer.empty() ? nullptr : buffer.data();
}

Byte* TqzDataStorage::NeedBuffer(Integer index) {
    TBuffer& buffer = Slot(index);
    if (buffer.empty()) buffer.assign(std::size_t(DefsForRecord(index)->GetRecordSize()), Byte(0));
    return buffer.data();
}

void TqzDataStorage::DiscardBuffer(TBuffer& buffer, const TqzValueDefs* defs) {
    if (buffer.empty()) return;
    for (Integer i = 0; i < defs->DefCount(); ++i)
        defs->Defs(i)->ReleaseValue(buffer.data());
    TBuffer().swap(buffer);
}

void TqzDataStorage::GiveRecordID(Integer index) {
    if (!FWithRecordIDs || index < 0) return;
    Byte* buffer = NeedBuffer(index);
    if (Load<Integer>(buffer + 1) == 0) Save<Integer>(buffer + 1, FNextRecordID++);
}

Integer TqzDataStorage::AddRecord() {
    FRecordBuffers.emplace_back();
    const Integer index = GetNumRecords() - 1;
    GiveRecordID(index);
    return index;
}

void TqzDataStorage::InsertRecordAt(Integer index) {
    if (index < 0 || index > GetNumRecords()) IndexError(index);
    FRecordBuffers.emplace(FRecordBuffers.begin() + index);
    GiveRecordID(index);
}

void TqzDataStorage::SetNumRecords(Integer value) {
    value = std::max<Integer>(value, 0);
    while (GetNumRecords() < value)
        AddRecord();
    while (GetNumRecords() > value)
        RemoveRecord(GetNumRecords() - 1);
}

void TqzDataStorage::RemoveRecord(Integer index) {
    TBuffer& buffer = Slot(index);
    DiscardBuffer(buffer, DefsForRecord(index));
    if (index < 0) return;
    FRecordBuffers.erase(FRecordBuffers.begin() + index);
    if (FRecordBuffers.empty()) FNextRecordID = 1;
}

Integer TqzDataStorage::AcquireInternalRecord() {
    Integer position = 0;
    while (position < InternalRecordCount()) {
        const TBuffer& buffer = FInternalRecordBuffers[std::size_t(position)];
        if (buffer.empty() || (buffer[0] & 1) == 0) break;
        ++position;
    }
    if (position == InternalRecordCount()) FInternalRecordBuffers.emplace_back();
    const Integer index = -(position + 1);
    NeedBuffer(index)[0] |= 1;
    return index;
}

TqzValueDef* TqzDataStorage::MapValueDef(Integer index, TqzValueDef* def) const {
    if (!def) return nullptr;
    TqzValueDefs* defs = DefsForRecord(index);
    if (def->GetOwner() == defs && defs->IndexOf(def) >= 0) return def;
    if (index < 0 && def->GetOwner() == FValueDefs.get()) return FInternalValueDefs->FindMirror(def);
    return nullptr;
}

Variant TqzDataStorage::ReadValue(Integer index, TqzValueDef* def) {
    TqzValueDef* mapped = MapValueDef(index, def);
    Byte* buffer = BufferOf(index);
    return mapped && buffer ? mapped->ValueIn(buffer) : Null();
}

String TqzDataStorage::ReadDisplayText(Integer index, TqzValueDef* def) {
    TqzValueDef* mapped = MapValueDef(index, def);
    Byte* buffer = BufferOf(index);
    return mapped && buffer ? mapped->TextOfCell(buffer) : String();
}

void TqzDataStorage::WriteValue(Integer index, TqzValueDef* def, const Variant& value) {
    TqzValueDef* mapped = MapValueDef(index, def);
    Byte* buffer = NeedBuffer(index);
    if (mapped) mapped->PutValue(buffer, value);
}

void TqzDataStorage::WriteDisplayText(Integer index, TqzValueDef* def, const String& text) {
    TqzValueDef* mapped = MapValueDef(index, def);
    Byte* buffer = NeedBuffer(index);
    if (mapped) mapped->PutText(buffer, text);
}

Integer TqzDataStorage::CompareRecordValues(Integer index1, Integer index2, TqzValueDef* def) {
    if (!def) return 0;
    TqzValueDef* def1 = MapValueDef(index1, def);
    TqzValueDef* def2 = MapValueDef(index2, def);
    const Byte* buffer1 = BufferOf(index1);
    const Byte* buffer2 = BufferOf(index2);
    if (def1 == def2 && def1) return def1->CompareBuffers(buffer1, buffer2);
    // Records of the two lists: compare the located values.
    const Byte* data1 = nullptr;
    const Byte* data2 = nullptr;
    const bool null1 = LocateValueData(index1, def, data1);
    const bool null2 = LocateValueData(index2, def, data2);
    return def->CompareWithNulls(null1, null2, data1, data2);
}

bool TqzDataStorage::LocateValueData(Integer index, TqzValueDef* def, const Byte*& dataAddress) {
    dataAddress = nullptr;
    TqzValueDef* mapped = MapValueDef(index, def);
    const Byte* buffer = BufferOf(index);
    if (!mapped || !buffer || mapped->GetBufferSize() == 0 || buffer[mapped->GetOffset()] == 0) return true;
    dataAddress = mapped->GetValueTypeClass()->ResolveDataAddress(buffer + mapped->GetOffset() + 1);
    return false;
}

void TqzDataStorage::FillRecord(Integer index, TqzValueDefReader* reader) {
    Byte* buffer = NeedBuffer(index);
    TqzValueDefs* defs = DefsForRecord(index);
    for (Integer i = 0; i < defs->DefCount(); ++i) {
        TqzValueDef* def = defs->Defs(i);
        if (reader->Skips(def)) continue;
        def->PutValue(buffer, reader->ReadVariant(def));
        if (def->KeepsText()) def->PutText(buffer, reader->ReadText(def));
    }
}

void TqzDataStorage::ForEachValueDef(Integer index, void* extra, const TqzValueDefMethod& method,
                                     TqzValueDefReader* reader) {
    TqzValueDefs* defs = DefsForRecord(index);
    for (Integer i = 0; i < defs->DefCount(); ++i)
        method(defs->Defs(i), index, reader, extra);
}

Integer TqzDataStorage::FetchRecordID(Integer index) {
    if (!FWithRecordIDs || index < 0) return 0;
    return Load<Integer>(NeedBuffer(index) + 1);
}

void TqzDataStorage::StoreRecordID(Integer index, Integer id) {
    if (!FWithRecordIDs || index < 0) return;
    Save<Integer>(NeedBuffer(index) + 1, id);
}

void TqzDataStorage::DropInternalRecords() {
    for (TBuffer& buffer : FInternalRecordBuffers)
        DiscardBuffer(buffer, FInternalValueDefs.get());
    FInternalRecordBuffers.clear();
    if (!FDestroying) OnInternalRecordsDropped(this);
}

void TqzDataStorage::DiscardRecords(bool keepInternal) {
    if (!keepInternal) DropInternalRecords();
    for (TBuffer& buffer : FRecordBuffers)
        DiscardBuffer(buffer, FValueDefs.get());
    FRecordBuffers.clear();
    FNextRecordID = 1;
}

void TqzDataStorage::SetOnlyStoredValues(bool value) {
    if (FOnlyStoredValues == value) return;
    for (TBuffer& buffer : FRecordBuffers)
        DiscardBuffer(buffer, FValueDefs.get());
    FOnlyStoredValues = value;
    LayOut(FValueDefs.get());
}

void TqzDataStorage::SetWithRecordIDs(bool value) {
    if (FWithRecordIDs == value) return;
    for (TBuffer& buffer : FRecordBuffers)
        DiscardBuffer(buffer, FValueDefs.get());
    FWithRecordIDs = value;
    LayOut(FValueDefs.get());
}

// ---- TqzLookupList ----------------------------------------------------------------------------

bool TqzLookupList::Locate(const Variant& value, Integer& index) const {
    Integer low = 0;
    Integer high = GetCount() - 1;
    while (low <= high) {
        const Integer mid = (low + high) / 2;
        const Integer result = CompareVariantValues(FItems[std::size_t(mid)].Value, value);
        if (result == 0) {
            index = mid;
            return true;
        }
        if (result < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    index = low;
    return false;
}

void TqzLookupList::InsertItem(Integer index, const Variant& value, const String& text) {
    if (index < 0 || index > GetCount()) IndexError(index);
    FItems.insert(FItems.begin() + index, TqzLookupListItem{value, text});
}

const TqzLookupListItem& TqzLookupList::Item(Integer index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    return FItems[std::size_t(index)];
}
