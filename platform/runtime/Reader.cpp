// TReader: reads the component stream back into components through the type information.
#include <bit>
#include <cstring>
#include <limits>

#include "platform/runtime/Collections.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"

static_assert(std::endian::native == std::endian::little, "the stream is little-endian, as the machine");
static_assert(std::numeric_limits<Extended>::digits == 64, "Extended is the 80-bit x87 format");

namespace {

[[noreturn]] void InvalidStream() { throw EReadError("Invalid stream format"); }
[[noreturn]] void InvalidValue() { throw EReadError("Invalid property value"); }

const char* const kInvalidValue = "Invalid property value";

bool IsIntegerKind(TValueType kind) {
    return kind == vaInt8 || kind == vaInt16 || kind == vaInt32 || kind == vaInt64;
}

bool IsFloatKind(TValueType kind) {
    return kind == vaExtended || kind == vaSingle || kind == vaCurrency || kind == vaDate;
}

bool IsStringKind(TValueType kind) {
    return kind == vaString || kind == vaLString || kind == vaUTF8String || kind == vaWString;
}

bool IsIdentKind(TValueType kind) {
    return kind == vaIdent || kind == vaFalse || kind == vaTrue || kind == vaNil || kind == vaNull;
}

bool ClassNamed(TClass cls, const String& name) {
    for (TClass c = cls; c != nullptr; c = c->ClassParent())
        if (c->ClassNameIs(name)) return true;
    return false;
}

TComponent* CreateComponent(TClass cls, TComponent* owner) {
    if (!cls->InheritsFrom(TComponent::StaticClass()))
        throw EReadError("Class " + cls->ClassName() + " is not a component");
    return static_cast<TComponent*>(cls->Create(owner));
}

// An element of a set type by name: enumerations by their element names, other element types
// by number.
Integer SetElementOrdinal(PTypeInfo setType, const String& name) {
    PTypeInfo element = setType->CompType;
    Integer ordinal = -1;
    if (element != nullptr && element->Kind == tkEnumeration && !element->EnumNames.empty()) {
        ordinal = GetEnumValue(element, name);
    } else {
        Integer number = 0;
        if (TryStrToInt(name, number)) ordinal = number;
    }
    if (ordinal < 0 || ordinal > setType->MaxValue || ordinal >= 64) return -1;
    return ordinal;
}

// Restores a value when the scope ends, also on an exception.
template <class T>
class TRestore {
public:
    explicit TRestore(T& target) : FTarget(target), FSaved(target) {}
    ~TRestore() { FTarget = FSaved; }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& FTarget;
    T FSaved;
};

}  // namespace

// Counts how deep values and components lie inside each other. A stream may come from a file a
// person chose (report data): one that nests beyond any real definition is refused before the
// recursion runs out of stack.
class TReaderNesting {
public:
    static constexpr Integer MaxNesting = 256;
    explicit TReaderNesting(TReader& reader) : FReader(reader) {
        if (++FReader.FNesting > MaxNesting) {
            --FReader.FNesting;
            InvalidStream();
        }
    }
    ~TReaderNesting() { --FReader.FNesting; }
    TReaderNesting(const TReaderNesting&) = delete;
    TReaderNesting& operator=(const TReaderNesting&) = delete;

private:
    TReader& FReader;
};

TReader::TReader(TStream* stream, Integer bufSize) : TFiler(stream, bufSize) {}

TReader::~TReader() = default;

// ---- Raw bytes ------------------------------------------------------------------------------

Byte TReader::ReadByte() {
    Byte value = 0;
    FStream->ReadBuffer(&value, 1);
    return value;
}

Byte TReader::PeekByte() {
    const Byte value = ReadByte();
    FStream->Seek(Int64(-1), soCurrent);
    return value;
}

void TReader::ReadBytes(void* buffer, Integer count) { FStream->ReadBuffer(buffer, count); }

// ---- Values ---------------------------------------------------------------------------------

TValueType TReader::ReadValue() {
    const Byte value = ReadByte();
    if (value > vaUTF8String) InvalidStream();
    return TValueType(value);
}

TValueType TReader::NextValue() {
    const TValueType value = ReadValue();
    FStream->Seek(Int64(-1), soCurrent);
    return value;
}

void TReader::CheckValue(TValueType value) {
    if (ReadValue() != value) InvalidStream();
}

// A raw look at the next byte: property names and class names follow without a kind byte, so
// only the end marker is recognised here.
bool TReader::EndOfList() { return PeekByte() == vaNull; }

void TReader::ReadListBegin() { CheckValue(vaList); }

void TReader::ReadListEnd() { CheckValue(vaNull); }

Int64 TReader::ReadIntegerValue(TValueType kind) {
    switch (kind) {
    case vaInt8: {
        std::int8_t value;
        ReadBytes(&value, 1);
        return value;
    }
    case vaInt16: {
        std::int16_t value;
        ReadBytes(&value, 2);
        return value;
    }
    case vaInt32: {
        std::int32_t value;
        ReadBytes(&value, 4);
        return value;
    }
    case vaInt64: {
        std::int64_t value;
        ReadBytes(&value, 8);
        return value;
    }
    default:
        InvalidValue();
    }
}

String TReader::ReadStringValue(TValueType kind) {
    if (kind == vaString) return ReadStr();
    Integer length = 0;
    ReadBytes(&length, 4);
    const Int64 remaining = FStream->GetSize() - FStream->GetPosition();
    const Int64 bytes = kind == vaWString ? Int64(length) * 2 : Int64(length);
    if (length < 0 || (remaining >= 0 && bytes > remaining)) InvalidStream();
    switch (kind) {
    case vaLString:
    case vaUTF8String: {
        String value(std::size_t(length), '\0');
        if (length > 0) ReadBytes(value.data(), length);
        return value;
    }
    case vaWString: {
        WideString value(std::size_t(length), u'\0');
        if (length > 0) ReadBytes(value.data(), length * 2);
        return WideToString(value);
    }
    default:
        InvalidValue();
    }
}

Integer TReader::ReadInteger() {
    const Int64 value = ReadInt64();
    if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
        InvalidValue();
    return Integer(value);
}

Int64 TReader::ReadInt64() {
    const TValueType kind = ReadValue();
    if (!IsIntegerKind(kind)) InvalidValue();
    return ReadIntegerValue(kind);
}

bool TReader::ReadBoolean() {
    const TValueType kind = ReadValue();
    if (kind == vaTrue) return true;
    if (kind == vaFalse) return false;
    InvalidValue();
}

char TReader::ReadChar() {
    if (IsIntegerKind(NextValue())) {
        const Int64 value = ReadInt64();
        if (value < 0 || value > 255) InvalidValue();
        return char(value);
    }
    const String value = ReadString();
    if (value.size() != 1) InvalidValue();
    return value[0];
}

WideChar TReader::ReadWideChar() {
    if (IsIntegerKind(NextValue())) {
        const Int64 value = ReadInt64();
        if (value < 0 || value > 0xFFFF) InvalidValue();
        return WideChar(value);
    }
    const WideString value = ReadWideString();
    if (value.size() != 1) InvalidValue();
    return value[0];
}

Extended TReader::ReadFloat() {
    const TValueType kind = ReadValue();
    switch (kind) {
    case vaExtended: {
        unsigned char bytes[sizeof(Extended)] = {};
        ReadBytes(bytes, 10);
        Extended value;
        std::memcpy(&value, bytes, sizeof(value));
        return value;
    }
    case vaSingle: {
        Single value;
        ReadBytes(&value, 4);
        return value;
    }
    case vaCurrency: {
        Int64 raw;
        ReadBytes(&raw, 8);
        return Currency::FromRaw(raw).ToExtended();
    }
    case vaDate: {
        double value;
        ReadBytes(&value, 8);
        return value;
    }
    default:
        if (IsIntegerKind(kind)) return Extended(ReadIntegerValue(kind));
        InvalidValue();
    }
}

Single TReader::ReadSingle() { return static_cast<Single>(ReadFloat()); }

Currency TReader::ReadCurrency() {
    const TValueType kind = NextValue();
    if (kind == vaCurrency) {
        ReadValue();
        Int64 raw;
        ReadBytes(&raw, 8);
        return Currency::FromRaw(raw);
    }
    if (IsIntegerKind(kind)) return Currency(ReadInt64());
    return Currency(ReadFloat());
}

TDateTime TReader::ReadDate() { return static_cast<TDateTime>(ReadFloat()); }

String TReader::ReadString() {
    const TValueType kind = ReadValue();
    if (!IsStringKind(kind)) InvalidValue();
    return ReadStringValue(kind);
}

WideString TReader::ReadWideString() {
    const TValueType kind = ReadValue();
    if (kind == vaWString) {
        Integer length = 0;
        ReadBytes(&length, 4);
        const Int64 remaining = FStream->GetSize() - FStream->GetPosition();
        if (length < 0 || (remaining >= 0 && Int64(length) * 2 > remaining)) InvalidStream();
        WideString value(std::size_t(length), u'\0');
        if (length > 0) ReadBytes(value.data(), length * 2);
        return value;
    }
    if (!IsStringKind(kind)) InvalidValue();
    return StringToWide(ReadStringValue(kind));
}

String TReader::ReadIdent() {
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    case vaNull:
        return "Null";
    default:
        InvalidValue();
    }
}

String TReader::ReadStr() {
    const Byte length = ReadByte();
    String value(length, '\0');
    if (length > 0) ReadBytes(value.data(), length);
    return value;
}

Int64 TReader::ReadSet(PTypeInfo setType) {
    if (setType == nullptr || setType->Kind != tkSet) InvalidValue();
    if (ReadValue() != vaSet) InvalidValue();
    UInt64 mask = 0;
    String unknown;
    for (String name = ReadStr(); !name.empty(); name = ReadStr()) {
        const Integer ordinal = SetElementOrdinal(setType, name);
        if (ordinal < 0) {
            if (unknown.empty()) unknown = name;
        } else {
            mask |= UInt64(1) << ordinal;
        }
    }
    // The whole value is read before complaining, so an error that is handled leaves the stream
    // at the next property.
    if (!unknown.empty()) throw EReadError("Invalid property element: " + unknown);
    return Int64(mask);
}

String TReader::ReadBinary() {
    if (ReadValue() != vaBinary) InvalidValue();
    Integer length = 0;
    ReadBytes(&length, 4);
    const Int64 remaining = FStream->GetSize() - FStream->GetPosition();
    if (length < 0 || (remaining >= 0 && length > remaining)) InvalidStream();
    String bytes(std::size_t(length), '\0');
    if (length > 0) ReadBytes(bytes.data(), length);
    return bytes;
}

Variant TReader::ReadVariant() {
    const TValueType kind = NextValue();
    switch (kind) {
    case vaNil:
    case vaNull:
        ReadValue();
        return Null();
    case vaInt8:
    case vaInt16:
    case vaInt32:
        return Variant(ReadInteger());
    case vaInt64:
        return Variant(ReadInt64());
    case vaExtended:
        return Variant(static_cast<double>(ReadFloat()));
    case vaSingle:
        return Variant(ReadSingle());
    case vaCurrency:
        return Variant(ReadCurrency());
    case vaDate:
        return VarFromDateTime(ReadDate());
    case vaWString:
        return Variant(ReadWideString());
    case vaString:
    case vaLString:
    case vaUTF8String:
        return Variant(ReadString());
    case vaIdent:
        return Variant(ReadIdent());
    case vaFalse:
    case vaTrue:
        return Variant(ReadBoolean());
    case vaList: {
        TReaderNesting nesting(*this);
        ReadValue();
        std::vector<Variant> items;
        while (!EndOfList()) items.push_back(ReadVariant());
        ReadListEnd();
        return VarArrayOf(items);
    }
    default:
        InvalidValue();
    }
}

void TReader::SkipValue() {
    TReaderNesting nesting(*this);
    const TValueType kind = ReadValue();
    switch (kind) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        break;
    case vaList:
        while (!EndOfList()) SkipValue();
        ReadListEnd();
        break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        ReadIntegerValue(kind);
        break;
    case vaExtended:
    case vaSingle:
    case vaCurrency:
    case vaDate:
        FStream->Seek(Int64(-1), soCurrent);
        ReadFloat();
        break;
    case vaString:
    case vaIdent:
        ReadStr();
        break;
    case vaLString:
    case vaUTF8String:
    case vaWString:
        ReadStringValue(kind);
        break;
    case vaBinary:
        FStream->Seek(Int64(-1), soCurrent);
        ReadBinary();
        break;
    case vaSet:
        while (!ReadStr().empty()) {
        }
        break;
    case vaCollection:
        while (!EndOfList()) {
            if (IsIntegerKind(NextValue())) ReadInt64();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        break;
    }
}

// ---- Errors -----------------------------------------------------------------------------------

bool TReader::Error(const String& message) {
    bool handled = false;
    if (OnError) OnError(this, message, handled);
    if (!handled) throw EReadError(message);
    return handled;
}

String TReader::ErrorPath() const {
    if (FObjectPath.empty()) return FPropPath;
    if (FPropPath.empty()) return FObjectPath;
    return FObjectPath + "." + FPropPath;
}

void TReader::HandlePropertyError(const String& message) {
    Error("Error reading " + ErrorPath() + ": " + message);
}

// ---- Defined properties ---------------------------------------------------------------------

void TReader::DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc&, bool) {
    if (FPropName.empty() || !SameText(FPropName, name)) return;
    FPropName.clear();
    if (readData)
        readData(this);
    else
        SkipValue();
}

void TReader::DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc&,
                                   bool) {
    if (FPropName.empty() || !SameText(FPropName, name)) return;
    FPropName.clear();
    if (NextValue() != vaBinary) {
        SkipValue();
        HandlePropertyError(kInvalidValue);
        return;
    }
    const String bytes = ReadBinary();
    TMemoryStream data;
    if (!bytes.empty()) data.WriteBuffer(bytes.data(), Integer(bytes.size()));
    data.SetPosition(0);
    if (readData) readData(&data);
}

// ---- Properties -------------------------------------------------------------------------------

void TReader::ReadProperty(TPersistent* instance) {
    const String fullName = ReadStr();
    TRestore<String> restorePath(FPropPath);
    FPropPath = fullName;

    // Walk the dotted path through published class properties; what is left is either a published
    // property of the object reached or a name for its DefineProperties.
    TPersistent* current = instance;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = fullName.find('.', start);
        const String part = fullName.substr(start, dot == String::npos ? String::npos : dot - start);
        PPropInfo prop = part.empty() ? nullptr : GetPropInfo(current, part);
        if (dot == String::npos) {
            if (prop != nullptr) {
                ReadPropValue(current, prop);
                return;
            }
            break;
        }
        if (prop == nullptr || prop->Kind() != tkClass) break;
        auto* next = dynamic_cast<TPersistent*>(GetObjectProp(current, prop));
        if (next == nullptr) {
            SkipValue();
            HandlePropertyError("Property " + part + " holds no object");
            return;
        }
        current = next;
        start = dot + 1;
    }

    const String rest = fullName.substr(start);
    FPropName = rest;
    auto* strings = dynamic_cast<TStrings*>(current);
    if (strings != nullptr && SameText(rest, "Strings")) {
        FPropName.clear();
        ReadStringsList(strings);
        return;
    }
    current->DefineProperties(this);
    if (FPropName.empty()) return;
    FPropName.clear();
    SkipValue();
    HandlePropertyError("Property " + rest + " does not exist in " + current->ClassName());
}

void TReader::ReadPropValue(TPersistent* instance, PPropInfo prop) {
    const TValueType kind = NextValue();
    const TTypeInfo& type = *prop->PropType;
    // A value of a kind the property cannot take is stepped over whole before the error, so an
    // OnError that handles it lets reading go on at the next property.
    auto mismatch = [this]() {
        SkipValue();
        HandlePropertyError(kInvalidValue);
    };
    try {
        switch (prop->Kind()) {
        case tkInteger:
        case tkInt64: {
            if (kind == vaIdent) {
                // A named value of an integer type with identifiers ("clBtnFace").
                const TIdentToInt identToInt = FindIdentToInt(prop->PropType);
                if (!identToInt) return mismatch();
                const String ident = ReadIdent();
                Integer value = 0;
                if (!identToInt(ident, value) || value < type.MinValue || value > type.MaxValue)
                    return HandlePropertyError(kInvalidValue);
                SetOrdProp(instance, prop, value);
                break;
            }
            if (!IsIntegerKind(kind)) return mismatch();
            const Int64 value = ReadInt64();
            if (value < type.MinValue || value > type.MaxValue) return HandlePropertyError(kInvalidValue);
            SetOrdProp(instance, prop, value);
            break;
        }
        case tkChar:
            if (!IsIntegerKind(kind) && !IsStringKind(kind)) return mismatch();
            if (IsStringKind(kind)) {
                const String value = ReadString();
                if (value.size() != 1) return HandlePropertyError(kInvalidValue);
                SetOrdProp(instance, prop, static_cast<unsigned char>(value[0]));
            } else {
                const Int64 value = ReadInt64();
                if (value < 0 || value > 255) return HandlePropertyError(kInvalidValue);
                SetOrdProp(instance, prop, value);
            }
            break;
        case tkWChar:
            if (!IsIntegerKind(kind) && !IsStringKind(kind)) return mismatch();
            if (IsStringKind(kind)) {
                const WideString value = ReadWideString();
                if (value.size() != 1) return HandlePropertyError(kInvalidValue);
                SetOrdProp(instance, prop, value[0]);
            } else {
                const Int64 value = ReadInt64();
                if (value < 0 || value > 0xFFFF) return HandlePropertyError(kInvalidValue);
                SetOrdProp(instance, prop, value);
            }
            break;
        case tkEnumeration:
            if (IsIntegerKind(kind))
                SetOrdProp(instance, prop, ReadInt64());
            else if (kind == vaIdent || kind == vaFalse || kind == vaTrue)
                SetEnumProp(instance, prop, ReadIdent());
            else
                return mismatch();
            break;
        case tkSet: {
            if (kind != vaSet) return mismatch();
            Int64 mask = 0;
            try {
                mask = ReadSet(prop->PropType);
            } catch (const EReadError& e) {
                return HandlePropertyError(e.Message);
            }
            SetOrdProp(instance, prop, mask);
            break;
        }
        case tkFloat:
            if (!IsFloatKind(kind) && !IsIntegerKind(kind)) return mismatch();
            SetFloatProp(instance, prop, ReadFloat());
            break;
        case tkString:
        case tkLString:
            if (!IsStringKind(kind)) return mismatch();
            SetStrProp(instance, prop, ReadString());
            break;
        case tkWString: {
            if (!IsStringKind(kind)) return mismatch();
            const WideString value = ReadWideString();
            if (!prop->IsWritable()) return HandlePropertyError("Property " + prop->Name + " is read-only");
            prop->Access->SetWideStr(instance, prop->Index, value);
            break;
        }
        case tkClass:
            ReadClassValue(instance, prop);
            break;
        case tkMethod: {
            if (!IsIdentKind(kind) && !IsStringKind(kind)) return mismatch();
            const String name = IsStringKind(kind) ? ReadString() : ReadIdent();
            TMethod method;
            if (kind != vaNil) {
                TComponent* lookupRoot = FLookupRoot != nullptr ? FLookupRoot : FRoot;
                method = FindPublishedMethod(lookupRoot, name);
                if (!method.Assigned()) {
                    const String where = lookupRoot != nullptr ? " in " + lookupRoot->ClassName() : String();
                    return HandlePropertyError("Method " + name + " not found" + where);
                }
            }
            SetMethodProp(instance, prop, method);
            break;
        }
        case tkVariant:
            if (kind == vaBinary || kind == vaSet || kind == vaCollection) return mismatch();
            SetVariantProp<Variant>(instance, prop, ReadVariant());
            break;
        default:
            return mismatch();
        }
    } catch (const EPropertyError& e) {
        HandlePropertyError(e.Message);
    } catch (const EPropertyConvertError& e) {
        HandlePropertyError(e.Message);
    }
}

void TReader::ReadClassValue(TPersistent* instance, PPropInfo prop) {
    const TValueType kind = NextValue();
    if (kind == vaCollection) {
        auto* collection = dynamic_cast<TCollection*>(GetObjectProp(instance, prop));
        if (collection == nullptr) {
            SkipValue();
            return HandlePropertyError(kInvalidValue);
        }
        ReadValue();
        ReadCollection(collection);
        return;
    }
    if (kind == vaNil) {
        ReadValue();
        SetObjectProp(instance, prop, nullptr);
        return;
    }
    const bool isReference = prop->PropType->ClassType != nullptr &&
                             prop->PropType->ClassType->InheritsFrom(TComponent::StaticClass());
    if (!isReference || (kind != vaIdent && !IsStringKind(kind))) {
        SkipValue();
        return HandlePropertyError(kInvalidValue);
    }
    const String name = kind == vaIdent ? ReadIdent() : ReadString();
    if (!prop->IsWritable()) return HandlePropertyError("Property " + prop->Name + " is read-only");
    // Set in the fix-up pass, once everything the name may point to exists.
    TComponent* lookupRoot = FLookupRoot != nullptr ? FLookupRoot : FRoot;
    FFixups.push_back({instance, instance->LivenessToken(), prop, name, lookupRoot,
                       lookupRoot != nullptr ? lookupRoot->LivenessToken() : TLivenessToken(), ErrorPath()});
}

void TReader::ReadStringsList(TStrings* strings) {
    if (NextValue() != vaList) {
        SkipValue();
        return HandlePropertyError(kInvalidValue);
    }
    ReadValue();
    strings->BeginUpdate();
    try {
        strings->Clear();
        while (!EndOfList()) strings->Add(ReadString());
        ReadListEnd();
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

void TReader::ReadCollection(TCollection* collection) {
    TReaderNesting nesting(*this);
    TRestore<String> restoreObject(FObjectPath);
    TRestore<String> restoreProp(FPropPath);
    const String base = ErrorPath();
    collection->BeginUpdate();
    try {
        // Always emptied: "<>" stores a collection without items.
        collection->Clear();
        Integer index = 0;
        while (!EndOfList()) {
            // An order index may precede the item; items take the order of the stream.
            if (IsIntegerKind(NextValue())) ReadInt64();
            ReadListBegin();
            TCollectionItem* item = collection->Add();
            FObjectPath = base + "[" + IntToStr(index) + "]";
            FPropPath.clear();
            while (!EndOfList()) ReadProperty(item);
            ReadListEnd();
            ++index;
        }
        ReadListEnd();
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

// ---- Components -------------------------------------------------------------------------------

void TReader::ReadSignature() {
    char signature[4] = {};
    if (FStream->Read(signature, 4) != 4 || std::memcmp(signature, "TPF0", 4) != 0) InvalidStream();
}

void TReader::ReadPrefix(TFilerFlags& flags, Integer& childPos) {
    flags = TFilerFlags();
    childPos = 0;
    const Byte prefix = PeekByte();
    if ((prefix & 0xF0) != 0xF0) return;
    ReadByte();
    if (prefix & 0x01) flags.Include(ffInherited);
    if (prefix & 0x02) flags.Include(ffChildPos);
    if (prefix & 0x04) flags.Include(ffInline);
    if (flags.Contains(ffChildPos)) childPos = ReadInteger();
}

void TReader::AddLoaded(TComponent* component) {
    for (const TLoadedEntry& entry : FLoaded)
        if (entry.Alive && entry.Component == component) return;
    FLoaded.push_back({component, component->LivenessToken()});
    component->IncludeComponentState(csLoading);
    component->IncludeComponentState(csReading);
}

void TReader::ReadData(TComponent* instance) {
    while (!EndOfList()) ReadProperty(instance);
    ReadListEnd();

    TRestore<TComponent*> restoreOwner(FOwner);
    TRestore<TComponent*> restoreParent(FParent);
    TRestore<TComponent*> restoreLookupRoot(FLookupRoot);
    TComponent* childOwner = instance->GetChildOwner();
    FOwner = childOwner != nullptr ? childOwner : FRoot != nullptr ? FRoot : instance;
    FParent = instance->GetChildParent();
    if (childOwner != nullptr && childOwner != FRoot) FLookupRoot = childOwner;
    while (!EndOfList()) ReadComponent(nullptr);
    ReadListEnd();
}

TComponent* TReader::ReadComponent(TComponent* component) {
    const bool outermost = FDepth == 0;
    struct TDepth {
        Integer& Depth;
        explicit TDepth(Integer& depth) : Depth(depth) { ++Depth; }
        ~TDepth() { --Depth; }
    } depth(FDepth);

    TReaderNesting nesting(*this);
    TFilerFlags flags;
    Integer childPos = 0;
    TRestore<String> restoreObject(FObjectPath);
    TComponent* result = component;
    bool created = false;
    TLivenessToken alive;
    try {
        ReadPrefix(flags, childPos);
        const String className = ReadStr();
        const String name = ReadStr();
        FObjectPath = name.empty() ? className : name;
        // Reading into an existing tree: a stored child whose name the owner already has (of the
        // stored class or a descendant) is read into that component.
        if (result == nullptr && FOwner != nullptr && !name.empty()) {
            TComponent* existing = FOwner->FindComponent(name);
            if (existing != nullptr && ClassNamed(existing->ClassType(), className)) result = existing;
        }
        if (result == nullptr) {
            if (flags.Contains(ffInherited))
                throw EReadError("Ancestor for '" + name + "' not found");
            result = CreateComponent(FindClass(className), FOwner);
            created = true;
            alive = result->LivenessToken();
            AddLoaded(result);
            if (flags.Contains(ffInline)) result->IncludeComponentState(csInline);
            if (!name.empty()) result->SetName(name);
        } else {
            alive = result->LivenessToken();
            AddLoaded(result);
        }
        if (outermost && FRoot == nullptr) SetRoot(result);
        if (FParent != nullptr) {
            result->SetParentComponent(FParent);
            if (flags.Contains(ffChildPos)) FParent->SetChildOrder(result, childPos);
        }
        result->ReadState(this);
    } catch (...) {
        if (created && alive) delete result;
        if (outermost) AbandonRead();
        throw;
    }
    if (outermost) FinishRead();
    return result;
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
    struct TDepth {
        Integer& Depth;
        explicit TDepth(Integer& depth) : Depth(depth) { ++Depth; }
        ~TDepth() { --Depth; }
    } depth(FDepth);

    bool created = false;
    TLivenessToken alive;
    try {
        ReadSignature();
        TFilerFlags flags;
        Integer childPos = 0;
        ReadPrefix(flags, childPos);
        const String className = ReadStr();
        const String name = ReadStr();
        if (root == nullptr) {
            root = CreateComponent(FindClass(className), nullptr);
            created = true;
        }
        alive = root->LivenessToken();
        SetRoot(root);
        FOwner = root;
        FParent = nullptr;
        AddLoaded(root);
        if (!name.empty() && !SameText(root->GetName(), name)) {
            // A second instance of a root kept by one owner gets a name of its own: "Name_2".
            String unique = name;
            TComponent* owner = root->GetOwner();
            for (Integer n = 2; owner != nullptr && owner->FindComponent(unique) != nullptr; ++n)
                unique = name + "_" + IntToStr(n);
            root->SetName(unique);
        }
        FObjectPath = root->GetName().empty() ? root->ClassName() : root->GetName();
        root->ReadState(this);
        FinishRead();
    } catch (...) {
        AbandonRead();
        if (created && alive) delete root;
        throw;
    }
    RegisterGlobalComponent(root);
    GlobalFixupReferences();
    return root;
}

void TReader::FinishRead() {
    for (const TLoadedEntry& entry : FLoaded)
        if (entry.Alive) entry.Component->ExcludeComponentState(csReading);
    FixupReferences();
    std::vector<TLoadedEntry> loaded;
    loaded.swap(FLoaded);
    std::size_t i = 0;
    try {
        for (; i < loaded.size(); ++i) {
            if (!loaded[i].Alive) continue;
            loaded[i].Component->Loaded();
            // Loaded clears it, unless an override forgot to call inherited.
            if (loaded[i].Alive) loaded[i].Component->ExcludeComponentState(csLoading);
        }
    } catch (...) {
        for (; i < loaded.size(); ++i)
            if (loaded[i].Alive) loaded[i].Component->ExcludeComponentState(csLoading);
        throw;
    }
}

void TReader::AbandonRead() {
    FFixups.clear();
    for (const TLoadedEntry& entry : FLoaded) {
        if (!entry.Alive) continue;
        entry.Component->ExcludeComponentState(csReading);
        entry.Component->ExcludeComponentState(csLoading);
    }
    FLoaded.clear();
}
