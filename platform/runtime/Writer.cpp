// TWriter: writes components into the component stream through the type information.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/runtime/Collections.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"

namespace {

bool IsAscii(const String& value) {
    return std::all_of(value.begin(), value.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Strict UTF-8: shortest forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(const String& value) {
    const std::size_t size = value.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        std::size_t length;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + length > size) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(value[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// No unpaired surrogates, so the text converts to UTF-8 and back unchanged.
bool IsValidUtf16(const WideString& value) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char16_t unit = value[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= value.size() || value[i + 1] < 0xDC00 || value[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

Integer CheckedLength(std::size_t length) {
    if (length > std::size_t(std::numeric_limits<Integer>::max()))
        throw EWriteError("Value too long to store");
    return Integer(length);
}

// The name of an integer value of a type with identifiers ("clBtnFace" of TColor).
bool IntegerIdent(PTypeInfo type, Int64 value, String& ident) {
    if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max()) return false;
    const TIntToIdent intToIdent = FindIntToIdent(type);
    return intToIdent && intToIdent(Integer(value), ident) && !ident.empty();
}

template <class T>
class TRestore {
public:
    explicit TRestore(T& target) : FTarget(target), FSaved(target) {}
    ~TRestore() { FTarget = std::move(FSaved); }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& FTarget;
    T FSaved;
};

}  // namespace

TWriter::TWriter(TStream* stream, Integer bufSize) : TFiler(stream, bufSize) {}

// ---- Values ---------------------------------------------------------------------------------

void TWriter::WriteBytes(const void* buffer, Integer count) {
    if (count > 0) FStream->WriteBuffer(buffer, count);
}

void TWriter::WriteLength(Int64 length) {
    const Integer value = CheckedLength(std::size_t(length));
    WriteBytes(&value, 4);
}

void TWriter::WriteValue(TValueType value) {
    const Byte byte = value;
    WriteBytes(&byte, 1);
}

void TWriter::WriteListBegin() { WriteValue(vaList); }

void TWriter::WriteListEnd() { WriteValue(vaNull); }

void TWriter::WriteInteger(Int64 value) {
    if (value >= -128 && value <= 127) {
        WriteValue(vaInt8);
        const std::int8_t v = std::int8_t(value);
        WriteBytes(&v, 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(vaInt16);
        const std::int16_t v = std::int16_t(value);
        WriteBytes(&v, 2);
    } else if (value >= std::numeric_limits<Integer>::min() && value <= std::numeric_limits<Integer>::max()) {
        WriteValue(vaInt32);
        const std::int32_t v = std::int32_t(value);
        WriteBytes(&v, 4);
    } else {
        WriteValue(vaInt64);
        WriteBytes(&value, 8);
    }
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteChar(char value) { WriteString(String(1, value)); }

void TWriter::WriteWideChar(WideChar value) { WriteWideString(WideString(1, value)); }

void TWriter::WriteFloat(Extended value) {
    WriteValue(vaExtended);
    unsigned char bytes[sizeof(Extended)];
    std::memcpy(bytes, &value, sizeof(value));
    WriteBytes(bytes, 10);  // the 80-bit value; the rest is padding
}

void TWriter::WriteSingle(Single value) {
    WriteValue(vaSingle);
    WriteBytes(&value, 4);
}

void TWriter::WriteCurrency(Currency value) {
    WriteValue(vaCurrency);
    const Int64 raw = value.Raw();
    WriteBytes(&raw, 8);
}

void TWriter::WriteDate(TDateTime value) {
    WriteValue(vaDate);
    WriteBytes(&value, 8);
}

void TWriter::WriteString(const String& value) {
    if (!IsAscii(value) && IsValidUtf8(value)) {
        WriteValue(vaUTF8String);
        WriteLength(Int64(value.size()));
    } else if (value.size() <= 255) {
        WriteValue(vaString);
        const Byte length = Byte(value.size());
        WriteBytes(&length, 1);
    } else {
        WriteValue(vaLString);
        WriteLength(Int64(value.size()));
    }
    WriteBytes(value.data(), Integer(value.size()));
}

void TWriter::WriteWideString(const WideString& value) {
    if (IsValidUtf16(value)) {
        WriteString(WideToString(value));
        return;
    }
    WriteValue(vaWString);
    WriteLength(Int64(value.size()));
    WriteBytes(value.data(), CheckedLength(value.size() * 2));
}

void TWriter::WriteIdent(const String& ident) {
    if (SameText(ident, "False")) {
        WriteValue(vaFalse);
    } else if (SameText(ident, "True")) {
        WriteValue(vaTrue);
    } else if (SameText(ident, "nil")) {
        WriteValue(vaNil);
    } else {
        WriteValue(vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteStr(const String& value) {
    if (value.size() > 255) throw EWriteError("Name too long to store: " + value.substr(0, 64) + "...");
    const Byte length = Byte(value.size());
    WriteBytes(&length, 1);
    WriteBytes(value.data(), Integer(value.size()));
}

void TWriter::WriteSet(PTypeInfo setType, Int64 value) {
    if (setType == nullptr || setType->Kind != tkSet) throw EWriteError("Invalid property type");
    WriteValue(vaSet);
    PTypeInfo element = setType->CompType;
    const bool named = element != nullptr && element->Kind == tkEnumeration && !element->EnumNames.empty();
    for (Int64 i = 0; i <= setType->MaxValue && i < 64; ++i) {
        if ((UInt64(value) & (UInt64(1) << i)) == 0) continue;
        WriteStr(named ? GetEnumName(element, Integer(i)) : IntToStr(i));
    }
    WriteStr(String());
}

void TWriter::WriteBinary(const String& bytes) {
    WriteValue(vaBinary);
    WriteLength(Int64(bytes.size()));
    WriteBytes(bytes.data(), Integer(bytes.size()));
}

void TWriter::WriteVariant(const Variant& value) {
    if (VarIsArray(value)) {
        if (VarArrayDimCount(value) != 1)
            throw EWriteError("Unsupported variant type: " + VarTypeAsText(VarType(value)));
        WriteListBegin();
        for (Integer i = VarArrayLowBound(value, 1); i <= VarArrayHighBound(value, 1); ++i)
            WriteVariant(VarArrayGet(value, {i}));
        WriteListEnd();
        return;
    }
    switch (VarType(value)) {
    case varEmpty:
    case varNull:
        WriteValue(vaNil);
        break;
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64:
        WriteInteger(value.AsInt64());
        break;
    case varBoolean:
        WriteBoolean(value.AsBoolean());
        break;
    case varSingle:
        WriteSingle(value.AsSingle());
        break;
    case varDouble:
        WriteFloat(value.AsDouble());
        break;
    case varCurrency:
        WriteCurrency(value.AsCurrency());
        break;
    case varDate:
        WriteDate(value.AsDateTime());
        break;
    case varOleStr:
        WriteWideString(value.AsWideString());
        break;
    case varString:
        WriteString(value.AsString());
        break;
    default:
        throw EWriteError("Unsupported variant type: " + VarTypeAsText(VarType(value)));
    }
}

// ---- Defined properties ---------------------------------------------------------------------

void TWriter::DefineProperty(const String& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
    if (!hasData || !writeData) return;
    const String fullName = FPropPath + name;
    for (const String& written : FWrittenNames)
        if (SameText(written, fullName)) return;
    WritePropName(name);
    writeData(this);
}

void TWriter::DefineBinaryProperty(const String& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
    if (!hasData || !writeData) return;
    const String fullName = FPropPath + name;
    for (const String& written : FWrittenNames)
        if (SameText(written, fullName)) return;
    TMemoryStream data;
    writeData(&data);
    const Int64 size = data.GetSize();
    WritePropName(name);
    WriteValue(vaBinary);
    WriteLength(size);
    WriteBytes(data.GetMemory(), Integer(size));
}

// ---- Properties -------------------------------------------------------------------------------

void TWriter::WritePropName(const String& name) {
    const String fullName = FPropPath + name;
    WriteStr(fullName);
    FWrittenNames.push_back(fullName);
}

void TWriter::WriteProperties(TPersistent* instance) {
    // Each object at the top of a property path has its own list of written names (a defined
    // property never repeats one); nested objects add to it with their dotted names.
    std::vector<String> outerNames;
    const bool ownScope = FPropPath.empty();
    if (ownScope) outerNames.swap(FWrittenNames);
    // An object met again on the way down (a property leading back up) is not written again.
    FWritingObjects.push_back(instance);
    try {
        for (PPropInfo prop : GetPropList(instance)) WriteProperty(instance, prop);
        WriteDefinedProperties(instance);
    } catch (...) {
        FWritingObjects.pop_back();
        if (ownScope) FWrittenNames.swap(outerNames);
        throw;
    }
    FWritingObjects.pop_back();
    if (ownScope) FWrittenNames.swap(outerNames);
}

void TWriter::WriteDefinedProperties(TPersistent* instance) {
    if (auto* strings = dynamic_cast<TStrings*>(instance); strings != nullptr && strings->GetCount() > 0) {
        WritePropName("Strings");
        WriteStringsList(strings);
    }
    instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* instance, PPropInfo prop) {
    if (!IsStoredProp(instance, prop)) return;
    const TTypeKind kind = prop->Kind();
    if (kind == tkClass) {
        if (TObject* object = GetObjectProp(instance, prop)) WriteObjectProperty(instance, prop, object);
        return;
    }
    // A value that cannot be set again is not stored.
    if (!prop->IsWritable()) return;
    const TTypeInfo& type = *prop->PropType;
    switch (kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet: {
        if (IsDefaultPropValue(instance, prop)) return;
        const Int64 value = GetOrdProp(instance, prop);
        WritePropName(prop->Name);
        if (kind == tkChar)
            WriteChar(char(value));
        else if (kind == tkWChar)
            WriteWideChar(WideChar(value));
        else if (kind == tkSet)
            WriteSet(prop->PropType, value);
        else if (kind == tkEnumeration && !type.EnumNames.empty())
            WriteIdent(GetEnumName(prop->PropType, Integer(value)));
        else if (String ident; kind == tkInteger && IntegerIdent(prop->PropType, value, ident))
            WriteIdent(ident);
        else
            WriteInteger(value);
        break;
    }
    case tkFloat: {
        const Extended value = GetFloatProp(instance, prop);
        WritePropName(prop->Name);
        if (type.FloatType == ftSingle)
            WriteSingle(Single(value));
        else if (SameText(type.Name, "TDateTime") || SameText(type.Name, "TDate") ||
                 SameText(type.Name, "TTime"))
            WriteDate(TDateTime(value));
        else
            WriteFloat(value);
        break;
    }
    case tkString:
    case tkLString: {
        const String value = GetStrProp(instance, prop);
        if (value.empty()) return;
        WritePropName(prop->Name);
        WriteString(value);
        break;
    }
    case tkWString: {
        const WideString value = prop->Access->GetWideStr(instance, prop->Index);
        if (value.empty()) return;
        WritePropName(prop->Name);
        WriteWideString(value);
        break;
    }
    case tkMethod: {
        const TMethod method = GetMethodProp(instance, prop);
        if (!method.Assigned()) return;
        // Only a method the lookup root publishes can be found again by name.
        const TObject* owner = FLookupRoot != nullptr ? FLookupRoot : FRoot;
        if (owner == nullptr || method.Object != owner) return;
        const String name = PublishedMethodName(method);
        if (name.empty()) return;
        WritePropName(prop->Name);
        WriteIdent(name);
        break;
    }
    case tkVariant: {
        const Variant value = GetVariantProp<Variant>(instance, prop);
        if (VarIsEmpty(value)) return;
        WritePropName(prop->Name);
        WriteVariant(value);
        break;
    }
    default:
        break;
    }
}

void TWriter::WriteObjectProperty(TPersistent* instance, PPropInfo prop, TObject* object) {
    TClass declared = prop->PropType->ClassType;
    auto* component = dynamic_cast<TComponent*>(object);
    if (component != nullptr && declared != nullptr && declared->InheritsFrom(TComponent::StaticClass())) {
        if (!prop->IsWritable()) return;
        const String name = ReferenceName(component);
        if (name.empty()) return;
        WritePropName(prop->Name);
        WriteIdent(name);
        return;
    }
    auto* persistent = dynamic_cast<TPersistent*>(object);
    if (persistent == nullptr) return;
    if (std::find(FWritingObjects.begin(), FWritingObjects.end(), object) != FWritingObjects.end()) return;
    if (auto* collection = dynamic_cast<TCollection*>(persistent)) {
        WritePropName(prop->Name);
        WriteCollection(collection);
        return;
    }
    TRestore<String> restorePath(FPropPath);
    FPropPath += prop->Name + ".";
    WriteProperties(persistent);
}

void TWriter::WriteStringsList(TStrings* strings) {
    WriteListBegin();
    for (Integer i = 0; i < strings->GetCount(); ++i) WriteString(strings->GetStrings(i));
    WriteListEnd();
}

void TWriter::WriteCollection(TCollection* value) {
    WriteValue(vaCollection);
    if (value != nullptr) {
        TRestore<String> restorePath(FPropPath);
        FPropPath.clear();
        FWritingObjects.push_back(value);
        try {
            for (Integer i = 0; i < value->GetCount(); ++i) {
                WriteListBegin();
                WriteProperties(value->GetItems(i));
                WriteListEnd();
            }
        } catch (...) {
            FWritingObjects.pop_back();
            throw;
        }
        FWritingObjects.pop_back();
    }
    WriteListEnd();
}

// A name the reader's fix-up pass finds again: "Comp" for a component of the lookup root (or
// the lookup root itself), the owners' names in front for one elsewhere ("Other.Comp"), up to
// a component without owner or a global component. "" when a name on the way is empty.
String TWriter::ReferenceName(TComponent* component) const {
    TComponent* lookupRoot = FLookupRoot != nullptr ? FLookupRoot : FRoot;
    if (component == lookupRoot) return component->GetName();
    String path;
    for (TComponent* c = component; c != nullptr; c = c->GetOwner()) {
        if (c->GetName().empty()) return String();
        path = path.empty() ? c->GetName() : c->GetName() + "." + path;
        TComponent* owner = c->GetOwner();
        if (owner == nullptr || owner == lookupRoot || FindGlobalComponent(c->GetName()) == c) break;
    }
    return path;
}

// ---- Components -------------------------------------------------------------------------------

void TWriter::WriteSignature() { WriteBytes("TPF0", 4); }

void TWriter::WritePrefix(TFilerFlags flags, Integer childPos) {
    if (flags.empty()) return;
    Byte prefix = 0xF0;
    if (flags.Contains(ffInherited)) prefix |= 0x01;
    if (flags.Contains(ffChildPos)) prefix |= 0x02;
    if (flags.Contains(ffInline)) prefix |= 0x04;
    WriteBytes(&prefix, 1);
    if (flags.Contains(ffChildPos)) WriteInteger(childPos);
}

void TWriter::WriteRootComponent(TComponent* root) {
    SetRoot(root);
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
    const bool wasWriting = component->GetComponentState().Contains(csWriting);
    component->IncludeComponentState(csWriting);
    try {
        TFilerFlags flags;
        if (component->GetComponentState().Contains(csInline)) flags.Include(ffInline);
        // A class name's length byte of 0xF0 or more would read back as the flags prefix.
        const String className = component->ClassName();
        if (className.size() >= 0xF0)
            throw EWriteError("Name too long to store: " + className.substr(0, 64) + "...");
        WritePrefix(flags, 0);
        WriteStr(className);
        WriteStr(component->GetName());
        component->WriteState(this);
    } catch (...) {
        if (!wasWriting) component->ExcludeComponentState(csWriting);
        throw;
    }
    if (!wasWriting) component->ExcludeComponentState(csWriting);
}

void TWriter::WriteData(TComponent* instance) {
    WriteProperties(instance);
    WriteListEnd();
    TRestore<TComponent*> restoreLookupRoot(FLookupRoot);
    TComponent* childOwner = instance->GetChildOwner();
    if (childOwner != nullptr && childOwner != FRoot) FLookupRoot = childOwner;
    instance->GetChildren([this](TComponent* child) { WriteComponent(child); }, FRoot);
    WriteListEnd();
}
