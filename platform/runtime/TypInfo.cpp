#include "platform/runtime/TypInfo.h"

#include <charconv>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/runtime/Components.h"
#include "platform/runtime/Strings.h"

namespace {

struct TMethodRecord {
    String Name;
    std::function<TMethod(TObject*)> Bind;
};

struct TClassTable {
    std::vector<std::unique_ptr<TPropInfo>> Props;  // declaration order
    std::vector<TMethodRecord> Methods;
};

// Filled at start-up by KOV_PUBLISHED blocks; never destroyed, so it outlives every user.
struct TRegistry {
    std::mutex Lock;
    std::unordered_map<TClass, TClassTable> Tables;
    std::map<std::pair<PTypeInfo, String>, std::unique_ptr<TTypeInfo>> Aliases;
};

TRegistry& Registry() {
    static TRegistry* registry = new TRegistry;
    return *registry;
}

// The class and its ancestors, TObject first.
std::vector<TClass> Lineage(TClass cls) {
    std::vector<TClass> chain;
    for (TClass c = cls; c != nullptr; c = c->ClassParent()) chain.insert(chain.begin(), c);
    return chain;
}

[[noreturn]] void ThrowUnknownProperty(const String& name) {
    throw EPropertyError("Property " + name + " does not exist");
}

[[noreturn]] void ThrowInvalidElement(const String& element) {
    throw EPropertyConvertError("Invalid property element: " + element);
}

// The prop must belong to the instance's class, or the typed access would reach a wrong object.
void CheckInstance(TObject* instance, PPropInfo prop) {
    if (prop == nullptr) throw EPropertyError("Property does not exist");
    if (instance == nullptr || !instance->InheritsFrom(prop->DeclaringClass))
        ThrowUnknownProperty(prop->Name);
}

bool IsOrdinalKind(TTypeKind kind) {
    switch (kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        return true;
    default:
        return false;
    }
}

// Enumerations are kept within their names: an ordinal past them would be read back as a name
// that does not exist. A set keeps to its elements.
void CheckOrdinalValue(PPropInfo prop, Int64 value) {
    const TTypeInfo& type = *prop->PropType;
    if (type.Kind == tkEnumeration && !type.EnumNames.empty() && (value < 0 || value > type.MaxValue))
        kov_detail::ThrowInvalidPropValue();
    if (type.Kind == tkSet) {
        const UInt64 allowed = type.MaxValue >= 63 ? ~UInt64(0) : (UInt64(1) << (type.MaxValue + 1)) - 1;
        if ((UInt64(value) & ~allowed) != 0) kov_detail::ThrowInvalidPropValue();
    }
}

String TrimBlanks(const String& s) {
    std::size_t first = 0, last = s.size();
    while (first < last && (s[first] == ' ' || s[first] == '\t')) ++first;
    while (last > first && (s[last - 1] == ' ' || s[last - 1] == '\t')) --last;
    return s.substr(first, last - first);
}

bool ParseInt64(const String& text, Int64& value) {
    String s = TrimBlanks(text);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    if (s.empty()) return false;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size();
}

bool ParseFloat(const String& text, Extended& value) {
    String s = TrimBlanks(text);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    if (s.empty()) return false;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size();
}

template <class F>
String ShortestText(F value) {
    char buffer[128];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return error == std::errc() ? String(buffer, end) : String();
}

String FloatText(Extended value, TFloatType type) {
    switch (type) {
    case ftSingle:
        return ShortestText(static_cast<float>(value));
    case ftDouble:
        return ShortestText(static_cast<double>(value));
    default:
        return ShortestText(value);
    }
}

// The instance, then whoever owns it, up to the top.
std::vector<TObject*> OwnerChain(TObject* instance) {
    std::vector<TObject*> chain;
    for (TObject* o = instance; o != nullptr;) {
        chain.push_back(o);
        auto* persistent = dynamic_cast<TPersistent*>(o);
        o = persistent == nullptr ? nullptr : persistent->GetOwner();
    }
    return chain;
}

TComponent* FindReferencedComponent(TObject* instance, const String& name) {
    for (TObject* o : OwnerChain(instance)) {
        auto* component = dynamic_cast<TComponent*>(o);
        if (component == nullptr) continue;
        if (SameText(component->GetName(), name)) return component;
        if (TComponent* found = component->FindComponent(name)) return found;
    }
    return nullptr;
}

}  // namespace

// ---- Registration ---------------------------------------------------------------------------

namespace {
const bool kEventTypesNamed = (RegisterTypeName<TNotifyEvent>("TNotifyEvent"), true);
}

namespace kov_detail {

void ThrowInvalidPropType(PTypeInfo type) {
    throw EPropertyConvertError("Invalid property type: " + (type ? type->Name : String()));
}

void ThrowInvalidPropValue() { throw EPropertyConvertError("Invalid property value"); }

void ThrowNotInstanceOf(TClass cls) {
    throw EPropertyError("Property access needs an instance of " + cls->ClassName());
}

void ThrowReadOnly() { throw EPropertyError("Property is read-only"); }

TPropInfo* AddPublishedProperty(TClass cls, std::unique_ptr<TPropInfo> info) {
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    auto& props = registry.Tables[cls].Props;
    for (auto& existing : props) {
        if (SameText(existing->Name, info->Name)) {
            existing = std::move(info);
            return existing.get();
        }
    }
    props.push_back(std::move(info));
    return props.back().get();
}

void AddPublishedMethod(TClass cls, const String& name, std::function<TMethod(TObject*)> bind) {
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    auto& methods = registry.Tables[cls].Methods;
    for (auto& existing : methods) {
        if (SameText(existing.Name, name)) {
            existing.Bind = std::move(bind);
            return;
        }
    }
    methods.push_back({name, std::move(bind)});
}

PTypeInfo NamedAlias(PTypeInfo type, const String& name) {
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    auto& alias = registry.Aliases[{type, name}];
    if (!alias) {
        alias = std::make_unique<TTypeInfo>(*type);
        alias->Name = name;
    }
    return alias.get();
}

PPropInfo RequireProp(TObject* instance, const String& propName) {
    PPropInfo prop = GetPropInfo(instance, propName);
    if (prop == nullptr) ThrowUnknownProperty(propName);
    return prop;
}

void RequireKind(PPropInfo prop, TTypeKind kind) {
    if (prop == nullptr) throw EPropertyError("Property does not exist");
    if (prop->Kind() != kind) ThrowInvalidPropType(prop->PropType);
}

void RequireWritable(PPropInfo prop) {
    if (!prop->IsWritable()) throw EPropertyError("Property " + prop->Name + " is read-only");
}

}  // namespace kov_detail

// ---- Looking properties up ----------------------------------------------------------------------

PPropInfo GetPropInfo(TClass cls, const String& propName) {
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    for (TClass c = cls; c != nullptr; c = c->ClassParent()) {
        auto it = registry.Tables.find(c);
        if (it == registry.Tables.end()) continue;
        for (const auto& prop : it->second.Props)
            if (SameText(prop->Name, propName)) return prop.get();
    }
    return nullptr;
}

PPropInfo GetPropInfo(const TObject* instance, const String& propName) {
    return instance == nullptr ? nullptr : GetPropInfo(instance->ClassType(), propName);
}

TPropList GetPropList(TClass cls) {
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    TPropList list;
    for (TClass c : Lineage(cls)) {
        auto it = registry.Tables.find(c);
        if (it == registry.Tables.end()) continue;
        for (const auto& prop : it->second.Props) {
            bool replaced = false;
            for (PPropInfo& entry : list) {
                if (SameText(entry->Name, prop->Name)) {
                    entry = prop.get();
                    replaced = true;
                    break;
                }
            }
            if (!replaced) list.push_back(prop.get());
        }
    }
    return list;
}

TPropList GetPropList(const TObject* instance) {
    return instance == nullptr ? TPropList() : GetPropList(instance->ClassType());
}

bool IsPublishedProp(TClass cls, const String& propName) { return GetPropInfo(cls, propName) != nullptr; }

bool IsPublishedProp(const TObject* instance, const String& propName) {
    return GetPropInfo(instance, propName) != nullptr;
}

bool IsStoredProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    switch (prop->Stored) {
    case srNever:
        return false;
    case srPredicate:
        return prop->StoredPredicate(instance);
    default:
        return true;
    }
}

bool IsStoredProp(TObject* instance, const String& propName) {
    return IsStoredProp(instance, kov_detail::RequireProp(instance, propName));
}

bool IsDefaultPropValue(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    const TTypeKind kind = prop->Kind();
    if (IsOrdinalKind(kind))
        return prop->HasDefault && prop->Access->GetOrd(instance, prop->Index) == prop->Default;
    switch (kind) {
    case tkString:
    case tkLString:
        return prop->Access->GetStr(instance, prop->Index).empty();
    case tkWString:
        return prop->Access->GetWideStr(instance, prop->Index).empty();
    case tkClass:
        return prop->Access->GetObj(instance, prop->Index) == nullptr;
    case tkMethod:
        return !prop->Access->GetMethod(instance, prop->Index).Assigned();
    default:
        return false;
    }
}

// ---- Reading and writing values -----------------------------------------------------------------

Int64 GetOrdProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    if (prop->Kind() == tkClass) return ObjectToHandle(prop->Access->GetObj(instance, prop->Index));
    if (!IsOrdinalKind(prop->Kind())) kov_detail::ThrowInvalidPropType(prop->PropType);
    return prop->Access->GetOrd(instance, prop->Index);
}

Int64 GetOrdProp(TObject* instance, const String& propName) {
    return GetOrdProp(instance, kov_detail::RequireProp(instance, propName));
}

void SetOrdProp(TObject* instance, PPropInfo prop, Int64 value) {
    CheckInstance(instance, prop);
    kov_detail::RequireWritable(prop);
    if (prop->Kind() == tkClass) {
        TObject* object = HandleToObject(Cardinal(value));
        if (value != 0 && (object == nullptr || Int64(Cardinal(value)) != value))
            kov_detail::ThrowInvalidPropValue();
        prop->Access->SetObj(instance, prop->Index, object);
        return;
    }
    if (!IsOrdinalKind(prop->Kind())) kov_detail::ThrowInvalidPropType(prop->PropType);
    CheckOrdinalValue(prop, value);
    prop->Access->SetOrd(instance, prop->Index, value);
}

void SetOrdProp(TObject* instance, const String& propName, Int64 value) {
    SetOrdProp(instance, kov_detail::RequireProp(instance, propName), value);
}

String GetStrProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    switch (prop->Kind()) {
    case tkString:
    case tkLString:
        return prop->Access->GetStr(instance, prop->Index);
    case tkWString:
        return WideToString(prop->Access->GetWideStr(instance, prop->Index));
    default:
        kov_detail::ThrowInvalidPropType(prop->PropType);
    }
}

String GetStrProp(TObject* instance, const String& propName) {
    return GetStrProp(instance, kov_detail::RequireProp(instance, propName));
}

void SetStrProp(TObject* instance, PPropInfo prop, const String& value) {
    CheckInstance(instance, prop);
    kov_detail::RequireWritable(prop);
    switch (prop->Kind()) {
    case tkString:
    case tkLString:
        prop->Access->SetStr(instance, prop->Index, value);
        break;
    case tkWString:
        prop->Access->SetWideStr(instance, prop->Index, StringToWide(value));
        break;
    default:
        kov_detail::ThrowInvalidPropType(prop->PropType);
    }
}

void SetStrProp(TObject* instance, const String& propName, const String& value) {
    SetStrProp(instance, kov_detail::RequireProp(instance, propName), value);
}

Extended GetFloatProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkFloat);
    return prop->Access->GetFloat(instance, prop->Index);
}

Extended GetFloatProp(TObject* instance, const String& propName) {
    return GetFloatProp(instance, kov_detail::RequireProp(instance, propName));
}

void SetFloatProp(TObject* instance, PPropInfo prop, Extended value) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkFloat);
    kov_detail::RequireWritable(prop);
    prop->Access->SetFloat(instance, prop->Index, value);
}

void SetFloatProp(TObject* instance, const String& propName, Extended value) {
    SetFloatProp(instance, kov_detail::RequireProp(instance, propName), value);
}

Int64 GetInt64Prop(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkInt64 && prop->Kind() != tkInteger)
        kov_detail::ThrowInvalidPropType(prop->PropType);
    return prop->Access->GetOrd(instance, prop->Index);
}

Int64 GetInt64Prop(TObject* instance, const String& propName) {
    return GetInt64Prop(instance, kov_detail::RequireProp(instance, propName));
}

void SetInt64Prop(TObject* instance, PPropInfo prop, Int64 value) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkInt64 && prop->Kind() != tkInteger)
        kov_detail::ThrowInvalidPropType(prop->PropType);
    kov_detail::RequireWritable(prop);
    prop->Access->SetOrd(instance, prop->Index, value);
}

void SetInt64Prop(TObject* instance, const String& propName, Int64 value) {
    SetInt64Prop(instance, kov_detail::RequireProp(instance, propName), value);
}

String GetEnumProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkEnumeration);
    return GetEnumName(prop->PropType, Integer(prop->Access->GetOrd(instance, prop->Index)));
}

String GetEnumProp(TObject* instance, const String& propName) {
    return GetEnumProp(instance, kov_detail::RequireProp(instance, propName));
}

void SetEnumProp(TObject* instance, PPropInfo prop, const String& value) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkEnumeration);
    kov_detail::RequireWritable(prop);
    const Integer ordinal = GetEnumValue(prop->PropType, TrimBlanks(value));
    if (ordinal < 0) ThrowInvalidElement(value);
    prop->Access->SetOrd(instance, prop->Index, ordinal);
}

void SetEnumProp(TObject* instance, const String& propName, const String& value) {
    SetEnumProp(instance, kov_detail::RequireProp(instance, propName), value);
}

String GetSetProp(TObject* instance, PPropInfo prop, bool brackets) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkSet);
    return SetToString(prop->PropType, prop->Access->GetOrd(instance, prop->Index), brackets);
}

String GetSetProp(TObject* instance, const String& propName, bool brackets) {
    return GetSetProp(instance, kov_detail::RequireProp(instance, propName), brackets);
}

void SetSetProp(TObject* instance, PPropInfo prop, const String& value) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkSet);
    kov_detail::RequireWritable(prop);
    prop->Access->SetOrd(instance, prop->Index, StringToSet(prop->PropType, value));
}

void SetSetProp(TObject* instance, const String& propName, const String& value) {
    SetSetProp(instance, kov_detail::RequireProp(instance, propName), value);
}

TObject* GetObjectProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkClass);
    return prop->Access->GetObj(instance, prop->Index);
}

TObject* GetObjectProp(TObject* instance, const String& propName) {
    return GetObjectProp(instance, kov_detail::RequireProp(instance, propName));
}

void SetObjectProp(TObject* instance, PPropInfo prop, TObject* value) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkClass);
    kov_detail::RequireWritable(prop);
    prop->Access->SetObj(instance, prop->Index, value);
}

void SetObjectProp(TObject* instance, const String& propName, TObject* value) {
    SetObjectProp(instance, kov_detail::RequireProp(instance, propName), value);
}

TMethod GetMethodProp(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkMethod);
    return prop->Access->GetMethod(instance, prop->Index);
}

TMethod GetMethodProp(TObject* instance, const String& propName) {
    return GetMethodProp(instance, kov_detail::RequireProp(instance, propName));
}

void SetMethodProp(TObject* instance, PPropInfo prop, const TMethod& value) {
    CheckInstance(instance, prop);
    kov_detail::RequireKind(prop, tkMethod);
    kov_detail::RequireWritable(prop);
    prop->Access->SetMethod(instance, prop->Index, value);
}

void SetMethodProp(TObject* instance, const String& propName, const TMethod& value) {
    SetMethodProp(instance, kov_detail::RequireProp(instance, propName), value);
}

// ---- Values as text -------------------------------------------------------------------------------

String GetPropText(TObject* instance, PPropInfo prop) {
    CheckInstance(instance, prop);
    const Integer index = prop->Index;
    switch (prop->Kind()) {
    case tkInteger:
    case tkInt64:
        return IntToStr(prop->Access->GetOrd(instance, index));
    case tkChar:
        return String(1, char(prop->Access->GetOrd(instance, index)));
    case tkWChar:
        return WideToString(WideString(1, char16_t(prop->Access->GetOrd(instance, index))));
    case tkEnumeration:
        return GetEnumProp(instance, prop);
    case tkSet:
        return GetSetProp(instance, prop, true);
    case tkFloat:
        return FloatText(prop->Access->GetFloat(instance, index), prop->PropType->FloatType);
    case tkString:
    case tkLString:
    case tkWString:
        return GetStrProp(instance, prop);
    case tkClass: {
        TObject* object = prop->Access->GetObj(instance, index);
        if (object == nullptr) return String();
        auto* component = dynamic_cast<TComponent*>(object);
        if (component == nullptr) kov_detail::ThrowInvalidPropType(prop->PropType);
        return component->GetName();
    }
    case tkMethod:
        return PublishedMethodName(prop->Access->GetMethod(instance, index));
    default:
        kov_detail::ThrowInvalidPropType(prop->PropType);
    }
}

String GetPropText(TObject* instance, const String& propName) {
    return GetPropText(instance, kov_detail::RequireProp(instance, propName));
}

void SetPropText(TObject* instance, PPropInfo prop, const String& text) {
    CheckInstance(instance, prop);
    kov_detail::RequireWritable(prop);
    const Integer index = prop->Index;
    const TTypeInfo& type = *prop->PropType;
    switch (type.Kind) {
    case tkInteger:
    case tkInt64: {
        Int64 value = 0;
        if (!ParseInt64(text, value) || value < type.MinValue || value > type.MaxValue)
            kov_detail::ThrowInvalidPropValue();
        prop->Access->SetOrd(instance, index, value);
        break;
    }
    case tkChar:
        if (text.size() != 1) kov_detail::ThrowInvalidPropValue();
        prop->Access->SetOrd(instance, index, static_cast<unsigned char>(text[0]));
        break;
    case tkWChar: {
        const WideString wide = StringToWide(text);
        if (wide.size() != 1) kov_detail::ThrowInvalidPropValue();
        prop->Access->SetOrd(instance, index, wide[0]);
        break;
    }
    case tkEnumeration:
        SetEnumProp(instance, prop, text);
        break;
    case tkSet:
        SetSetProp(instance, prop, text);
        break;
    case tkFloat: {
        Extended value = 0;
        if (!ParseFloat(text, value)) kov_detail::ThrowInvalidPropValue();
        prop->Access->SetFloat(instance, index, value);
        break;
    }
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(instance, prop, text);
        break;
    case tkClass: {
        const String name = TrimBlanks(text);
        TObject* object = nullptr;
        if (!name.empty()) {
            object = FindReferencedComponent(instance, name);
            if (object == nullptr) kov_detail::ThrowInvalidPropValue();
        }
        prop->Access->SetObj(instance, index, object);
        break;
    }
    case tkMethod: {
        const String name = TrimBlanks(text);
        TMethod method;
        if (!name.empty()) {
            for (TObject* o : OwnerChain(instance)) {
                method = FindPublishedMethod(o, name);
                if (method.Assigned()) break;
            }
            if (!method.Assigned()) kov_detail::ThrowInvalidPropValue();
        }
        prop->Access->SetMethod(instance, index, method);
        break;
    }
    default:
        kov_detail::ThrowInvalidPropType(prop->PropType);
    }
}

void SetPropText(TObject* instance, const String& propName, const String& text) {
    SetPropText(instance, kov_detail::RequireProp(instance, propName), text);
}

// ---- Enumerations and sets -------------------------------------------------------------------

String GetEnumName(PTypeInfo type, Integer value) {
    if (type != nullptr && type->Kind == tkEnumeration && value >= 0 &&
        std::size_t(value) < type->EnumNames.size())
        return type->EnumNames[std::size_t(value)];
    return IntToStr(value);
}

Integer GetEnumValue(PTypeInfo type, const String& name) {
    if (type == nullptr) return -1;
    if (type->Kind == tkEnumeration) {
        for (std::size_t i = 0; i < type->EnumNames.size(); ++i)
            if (SameText(type->EnumNames[i], name)) return Integer(i);
        return -1;
    }
    Int64 value = 0;
    if ((type->Kind == tkInteger || type->Kind == tkInt64) && ParseInt64(name, value) &&
        value >= type->MinValue && value <= type->MaxValue && value >= std::numeric_limits<Integer>::min() &&
        value <= std::numeric_limits<Integer>::max())
        return Integer(value);
    return -1;
}

String SetToString(PTypeInfo setType, Int64 value, bool brackets) {
    if (setType == nullptr || setType->Kind != tkSet) kov_detail::ThrowInvalidPropType(setType);
    String text;
    for (Int64 i = 0; i <= setType->MaxValue && i < 64; ++i) {
        if ((UInt64(value) & (UInt64(1) << i)) == 0) continue;
        if (!text.empty()) text += ',';
        text += GetEnumName(setType->CompType, Integer(i));
    }
    return brackets ? "[" + text + "]" : text;
}

String SetToString(PPropInfo prop, Int64 value, bool brackets) {
    if (prop == nullptr) throw EPropertyError("Property does not exist");
    return SetToString(prop->PropType, value, brackets);
}

Int64 StringToSet(PTypeInfo setType, const String& value) {
    if (setType == nullptr || setType->Kind != tkSet) kov_detail::ThrowInvalidPropType(setType);
    String text = TrimBlanks(value);
    if (!text.empty() && text.front() == '[') {
        if (text.back() != ']') kov_detail::ThrowInvalidPropValue();
        text = text.substr(1, text.size() - 2);
    }
    UInt64 mask = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == String::npos) comma = text.size();
        const String element = TrimBlanks(text.substr(start, comma - start));
        if (!element.empty()) {
            const Integer ordinal = GetEnumValue(setType->CompType, element);
            if (ordinal < 0 || ordinal > setType->MaxValue || ordinal >= 64) ThrowInvalidElement(element);
            mask |= UInt64(1) << ordinal;
        } else if (comma < text.size() || start > 0) {
            kov_detail::ThrowInvalidPropValue();  // an empty element: "[a,,b]", "[a,]"
        }
        start = comma + 1;
    }
    return Int64(mask);
}

Int64 StringToSet(PPropInfo prop, const String& value) {
    if (prop == nullptr) throw EPropertyError("Property does not exist");
    return StringToSet(prop->PropType, value);
}

// ---- Published methods ------------------------------------------------------------------------

TMethod FindPublishedMethod(TObject* instance, const String& name) {
    if (instance == nullptr) return TMethod();
    std::function<TMethod(TObject*)> bind;
    {
        TRegistry& registry = Registry();
        std::lock_guard guard(registry.Lock);
        for (TClass c = instance->ClassType(); c != nullptr && !bind; c = c->ClassParent()) {
            auto it = registry.Tables.find(c);
            if (it == registry.Tables.end()) continue;
            for (const auto& record : it->second.Methods) {
                if (SameText(record.Name, name)) {
                    bind = record.Bind;
                    break;
                }
            }
        }
    }
    return bind ? bind(instance) : TMethod();
}

String PublishedMethodName(const TMethod& method) {
    if (!method.Assigned() || method.Object == nullptr) return String();
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    for (TClass c = method.Object->ClassType(); c != nullptr; c = c->ClassParent()) {
        auto it = registry.Tables.find(c);
        if (it == registry.Tables.end()) continue;
        for (const auto& record : it->second.Methods)
            if (record.Bind(method.Object) == method) return record.Name;
    }
    return String();
}

// ---- Integer identifiers ----------------------------------------------------------------------

namespace {

struct TIntegerIdents {
    String TypeName;
    TIdentToInt IdentToInt;
    TIntToIdent IntToIdent;
};

struct TIdentRegistry {
    std::mutex Lock;
    std::vector<TIntegerIdents> Maps;
};

// Never destroyed: registrations run at start-up and lookups may run at exit.
TIdentRegistry& IdentRegistry() {
    static TIdentRegistry* registry = new TIdentRegistry;
    return *registry;
}

const TIntegerIdents* FindIdents(TIdentRegistry& registry, PTypeInfo type) {
    if (type == nullptr || type->Name.empty()) return nullptr;
    for (const TIntegerIdents& maps : registry.Maps)
        if (SameText(maps.TypeName, type->Name)) return &maps;
    return nullptr;
}

}  // namespace

void RegisterIntegerIdents(const String& typeName, TIdentToInt identToInt, TIntToIdent intToIdent) {
    TIdentRegistry& registry = IdentRegistry();
    std::lock_guard guard(registry.Lock);
    for (TIntegerIdents& maps : registry.Maps) {
        if (SameText(maps.TypeName, typeName)) {
            maps.IdentToInt = std::move(identToInt);
            maps.IntToIdent = std::move(intToIdent);
            return;
        }
    }
    registry.Maps.push_back({typeName, std::move(identToInt), std::move(intToIdent)});
}

TIdentToInt FindIdentToInt(PTypeInfo type) {
    TIdentRegistry& registry = IdentRegistry();
    std::lock_guard guard(registry.Lock);
    const TIntegerIdents* maps = FindIdents(registry, type);
    return maps != nullptr ? maps->IdentToInt : TIdentToInt();
}

TIntToIdent FindIntToIdent(PTypeInfo type) {
    TIdentRegistry& registry = IdentRegistry();
    std::lock_guard guard(registry.Lock);
    const TIntegerIdents* maps = FindIdents(registry, type);
    return maps != nullptr ? maps->IntToIdent : TIntToIdent();
}
