#include "report/pvrXMLSerializer.h"

#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "report/pvrUnicodeUtils.h"
#include "report/pvrUtils.h"

namespace {

String Attribute(const String& name, const String& value) { return " " + name + "=\"" + value + "\""; }

String WithoutTrailingLineEnd(const String& text) {
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        return text.substr(0, text.size() - 2);
    return text;
}

bool IsHexText(const String& text) {
    if (text.size() % 2 != 0) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

String LowerTrim(const String& s) { return LowerCase(Trim(s)); }

// Sets IsWritingXML on a report object while its properties are written.
struct TWritingScope {
    explicit TWritingScope(TPersistent* obj) : FObj(dynamic_cast<TpvrComponent*>(obj)) {
        if (FObj) {
            FOld = FObj->IsWritingXML;
            FObj->IsWritingXML = true;
        }
    }
    ~TWritingScope() {
        if (FObj) FObj->IsWritingXML = FOld;
    }
    TpvrComponent* FObj;
    bool FOld = false;
};

} // namespace

TpvrXMLSerializer::TpvrXMLSerializer(TStream* stream)
    : Stream(stream), FErrors(std::make_unique<TStringList>()) {
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
}

TpvrXMLSerializer::~TpvrXMLSerializer() = default;

// ---- Writing ----------------------------------------------------------------------------------

String TpvrXMLSerializer::ReferenceText(TComponent* component) {
    if (component == nullptr) return String();
    TComponent* owner = component->GetOwner();
    if (owner == nullptr || owner == Owner) return component->GetName();
    if (auto* report = dynamic_cast<TpvrReport*>(Owner); report && owner == report->GetOwner())
        return component->GetName();
    if (dynamic_cast<TCustomForm*>(owner) || dynamic_cast<TDataModule*>(owner))
        return owner->GetName() + "." + component->GetName();
    return String();
}

String TpvrXMLSerializer::WriteProperties(TPersistent* obj, const String& prefix) {
    TWritingScope scope(obj);
    String result;
    for (PPropInfo prop : GetPropList(obj)) {
        if (!IsStoredProp(obj, prop)) continue;
        String value;
        switch (prop->Kind()) {
        case tkInteger:
        case tkChar:
        case tkWChar:
        case tkEnumeration:
        case tkSet: {
            const Int64 ord = GetOrdProp(obj, prop);
            if (prop->HasDefault && ord == prop->Default && !SerializeDefaultValues) break;
            if (prop->Kind() == tkEnumeration)
                value = GetEnumName(prop->PropType, Integer(ord));
            else
                value = IntToStr(ord);
            break;
        }
        case tkFloat:
            value = FloatToStr(GetFloatProp(obj, prop));
            break;
        case tkString:
        case tkLString:
        case tkWString:
            value = EscapeXMLText(GetStrProp(obj, prop));
            break;
        case tkVariant:
            value = EscapeXMLText(VarToStr(GetVariantProp<Variant>(obj, prop)));
            break;
        case tkClass: {
            TClass declared = prop->PropType->ClassType;
            TObject* current = GetObjectProp(obj, prop);
            if (declared->InheritsFrom(TComponent::StaticClass())) {
                value = ReferenceText(dynamic_cast<TComponent*>(current));
            } else if (auto* strings = dynamic_cast<TStrings*>(current)) {
                const String text = WithoutTrailingLineEnd(strings->GetText());
                if (!text.empty()) result += Attribute(prefix + prop->Name + ".Text", EscapeXMLText(text));
            } else if (dynamic_cast<TWideStrings*>(current)) {
                // Wide string lists carry their text in defined properties.
            } else if (auto* persistent = dynamic_cast<TPersistent*>(current)) {
                result += WriteProperties(persistent, prefix + prop->Name + ".");
            }
            break;
        }
        default:
            break;
        }
        if (!value.empty()) result += Attribute(prefix + prop->Name, value);
    }
    if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(obj)) {
        WideString text = memo->GetMemo()->GetText();
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0) text.resize(text.size() - 2);
        result += Attribute(prefix + "Text", EscapeXMLText(WideToString(text)));
    }

    TMemoryStream data;
    {
        TWriter writer(&data, 4096);
        writer.SetRoot(Owner);
        obj->DefineProperties(&writer);
        writer.FlushBuffer();
    }
    if (data.GetSize() > 0) result += Attribute(prefix + "PropData", StreamToHex(&data));
    return result;
}

void TpvrXMLSerializer::WriteTree(TpvrComponent* root, bool withChildren, TpvrXMLItem* item) {
    if (Owner == nullptr) Owner = root;
    std::function<void(TpvrComponent*, TpvrXMLItem*)> write = [&](TpvrComponent* obj, TpvrXMLItem* node) {
        node->Name = obj->ClassName();
        node->AttrText = Attribute("Name", obj->GetName()) + WriteProperties(obj, String());
        if (!withChildren) return;
        for (TpvrComponent* child : obj->GetObjects())
            write(child, node->AddChild());
    };
    if (item != nullptr) {
        write(root, item);
        return;
    }
    TpvrXMLDocument doc;
    doc.IndentOutput = true;
    write(root, doc.Root());
    doc.SaveToStream(Stream);
}

String TpvrXMLSerializer::ObjectToText(TpvrComponent* obj) { return obj->ClassName() + WriteProperties(obj); }

void TpvrXMLSerializer::WriteObjectTag(TpvrComponent* obj) {
    const String text = "<" + ObjectToText(obj) + "/>";
    Stream->WriteBuffer(text.data(), Integer(text.size()));
}

// ---- Reading ----------------------------------------------------------------------------------

void TpvrXMLSerializer::ReadProperties(const String& text, TPersistent* obj) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('"', pos);
        if (open == String::npos) break;
        const String name = open > pos ? LowerTrim(text.substr(pos, open - pos - 1)) : String();
        if (name.empty()) break;
        const std::size_t close = text.find('"', open + 1);
        if (close == String::npos) {
            FErrors->Add("Unterminated value of attribute " + name);
            break;
        }
        const String value = text.substr(open + 1, close - open - 1);
        try {
            ApplyAttribute(obj, name, value);
        } catch (const Exception& e) {
            FErrors->Add(e.Message);
        }
        pos = close + 2;
    }
}

void TpvrXMLSerializer::ApplyAttribute(TPersistent* obj, const String& name, const String& value) {
    if (name.size() == 1) {
        static const struct {
            char Short;
            const char* Long;
        } bounds[] = {{'l', "left"}, {'t', "top"}, {'w', "width"}, {'h', "height"}};
        for (const auto& b : bounds)
            if (name[0] == b.Short) return SetPublished(obj, b.Long, value);
        // A memo's text: "x" in the system code page, "u" in UTF-8 (the same here).
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(obj); memo && (name == "x" || name == "u"))
            return memo->GetMemo()->SetText(StringToWide(UnescapeXMLText(value)));
        return SetPublished(obj, name, value);
    }
    String rest = name;
    TPersistent* current = obj;
    for (std::size_t dot = rest.find('.'); dot != String::npos; dot = rest.find('.')) {
        PPropInfo prop = GetPropInfo(current, rest.substr(0, dot));
        if (prop == nullptr || prop->Kind() != tkClass) return;
        current = dynamic_cast<TPersistent*>(GetObjectProp(current, prop));
        if (current == nullptr) return;
        rest = rest.substr(dot + 1);
    }
    if (rest == "text") {
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(current))
            return memo->GetMemo()->SetText(StringToWide(UnescapeXMLText(value)));
        if (auto* strings = dynamic_cast<TStrings*>(current)) return strings->SetText(UnescapeXMLText(value));
        if (auto* wide = dynamic_cast<TWideStrings*>(current))
            return wide->SetText(StringToWide(UnescapeXMLText(value)));
    }
    if (rest == "propdata") return ReadPropData(current, value);
    SetPublished(current, rest, value);
}

void TpvrXMLSerializer::SetPublished(TPersistent* obj, const String& name, const String& value) {
    PPropInfo prop = GetPropInfo(obj, name);
    if (prop == nullptr) return;
    switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkSet: {
        Int64 number = 0;
        if (!TryStrToInt64(value, number))
            throw EConvertError(Format("'%s' is not a valid integer value", {value}));
        SetOrdProp(obj, prop, number);
        break;
    }
    case tkEnumeration: {
        Int64 number = 0;
        if (TryStrToInt64(value, number)) {
            SetOrdProp(obj, prop, number);
        } else {
            const Integer ord = GetEnumValue(prop->PropType, value);
            if (ord < 0)
                throw EConvertError(Format("'%s' is not a valid %s value", {value, prop->PropType->Name}));
            SetOrdProp(obj, prop, ord);
        }
        break;
    }
    case tkFloat: {
        const Extended number = ParseFloatText(value);
        // A band of negative height would place everything after it above the page.
        if (number < 0 && SameText(name, "height") && dynamic_cast<TpvrBand*>(obj)) {
            SetFloatProp(obj, prop, 0);
            throw EConvertError(Format("'%s' is not a valid band height", {value}));
        }
        SetFloatProp(obj, prop, number);
        break;
    }
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(obj, prop, UnescapeXMLText(value));
        break;
    case tkVariant:
        SetVariantProp(obj, prop, Variant(UnescapeXMLText(value)));
        break;
    case tkClass:
        FFixups.push_back({obj, prop, value});
        break;
    default:
        break;
    }
}

void TpvrXMLSerializer::ReadPropData(TPersistent* obj, const String& hex) {
    if (!IsHexText(hex)) throw EConvertError("Invalid PropData value");
    TMemoryStream data;
    HexToStream(hex, &data);
    data.SetPosition(0);
    TReader reader(&data, 4096);
    reader.SetRoot(Owner);
    try {
        while (data.GetPosition() < data.GetSize())
            reader.ReadProperty(obj);
    } catch (const Exception&) {
        // The rest of a block that cannot be read is left alone.
    }
}

TComponent* TpvrXMLSerializer::FindReference(const String& name) {
    if (Owner == nullptr || name.empty()) return nullptr;
    for (TpvrComponent* c : Owner->AllObjects())
        if (SameText(c->GetName(), name)) return c;
    try {
        const std::size_t dot = name.find('.');
        if (dot == String::npos) {
            if (TComponent* c = Owner->FindComponent(name)) return c;
            if (dynamic_cast<TpvrReport*>(Owner) && Owner->GetOwner())
                return Owner->GetOwner()->FindComponent(name);
            return nullptr;
        }
        TComponent* c = FindGlobalComponent(name.substr(0, dot));
        String rest = name.substr(dot + 1);
        for (std::size_t next = rest.find('.'); c && next != String::npos; next = rest.find('.')) {
            c = c->FindComponent(rest.substr(0, next));
            rest = rest.substr(next + 1);
        }
        return c ? c->FindComponent(rest) : nullptr;
    } catch (const Exception&) {
        throw EClassNotFound("Missing " + name);
    }
}

void TpvrXMLSerializer::FixupReferences() {
    std::vector<TpvrFixupItem> items;
    items.swap(FFixups);
    for (const TpvrFixupItem& item : items) {
        TComponent* target = FindReference(item.Value);
        if (target == nullptr || !target->InheritsFrom(item.Prop->PropType->ClassType)) continue;
        try {
            SetObjectProp(item.Obj, item.Prop, target);
        } catch (const Exception& e) {
            FErrors->Add(e.Message);
        }
    }
}

void TpvrXMLSerializer::ReadItem(TpvrXMLItem* item, TpvrComponent* obj, std::vector<TpvrComponent*>& read) {
    obj->IsLoading = true;
    read.push_back(obj);
    ReadProperties(item->AttrText, obj);
    for (Integer i = 0; i < item->ChildCount(); ++i) {
        TpvrXMLItem* child = item->Child(i);
        TClass cls = GetClass(child->Name);
        if (cls == nullptr || !cls->InheritsFrom(TpvrComponent::StaticClass()) || !cls->CanCreate()) {
            FErrors->Add(GetResources()->Get("xrCantFindClass") + " " + child->Name);
            continue;
        }
        TpvrComponent* created = nullptr;
        try {
            created = dynamic_cast<TpvrComponent*>(cls->Create(obj));
        } catch (const Exception& e) {
            FErrors->Add(e.Message);
            continue;
        }
        if (created) ReadItem(child, created, read);
    }
}

void TpvrXMLSerializer::ReadTree(TpvrComponent* root, TpvrXMLItem* item) {
    if (Owner == nullptr) Owner = root;
    std::unique_ptr<TpvrXMLDocument> doc;
    if (item == nullptr) {
        doc = std::make_unique<TpvrXMLDocument>();
        doc->LoadFromStream(Stream, false);
        item = doc->Root();
    }
    std::vector<TpvrComponent*> read;
    std::vector<TLivenessToken> alive;
    if (GetClass(item->Name) == nullptr) {
        FErrors->Add(GetResources()->Get("xrCantFindClass") + " " + item->Name);
        return;
    }
    auto finish = [&] {
        for (TpvrComponent* obj : read)
            alive.push_back(obj->LivenessToken());
        FFixups.clear();
        for (std::size_t i = 0; i < read.size(); ++i) {
            if (!alive[i].IsAlive()) continue;
            read[i]->IsLoading = false;
            if (!dynamic_cast<TpvrReport*>(read[i])) read[i]->Loaded();
        }
    };
    try {
        ReadItem(item, root, read);
        FixupReferences();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

TpvrComponent* TpvrXMLSerializer::ObjectFromText(TpvrComponent* owner, const String& text) {
    const String trimmed = Trim(text);
    if (trimmed.empty()) return nullptr;
    const std::size_t space = trimmed.find(' ');
    const String className = trimmed.substr(0, space);
    const String attrs = space == String::npos ? String() : trimmed.substr(space);
    TClass cls = FindClass(className);
    if (!cls->InheritsFrom(TpvrComponent::StaticClass()))
        throw EClassNotFound(Format("Class %s not found", {className}));
    auto* obj = dynamic_cast<TpvrComponent*>(cls->Create(owner));
    Owner = owner;
    auto finish = [&] {
        FixupReferences();
        obj->IsLoading = false;
        if (!dynamic_cast<TpvrReport*>(obj)) obj->Loaded();
    };
    obj->IsLoading = true;
    try {
        ReadProperties(attrs, obj);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return obj;
}

void TpvrXMLSerializer::ReadItemProperties(TpvrComponent* owner, TCollectionItem* item, const String& text) {
    Owner = owner;
    ReadProperties(text, item);
    FixupReferences();
}
