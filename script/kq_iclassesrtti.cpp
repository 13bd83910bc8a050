#include "script/kq_iclassesrtti.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "script/kq_xml.h"

TObject* CheckedInstance(TObject* instance, TClass classRef) {
    if (instance == nullptr || dynamic_cast<TkqUnconstructed*>(instance) != nullptr ||
        !instance->InheritsFrom(classRef))
        throw EInvalidCast("Invalid class typecast");
    return instance;
}

TClass ConstructedClass(TObject* instance, TClass classRef) {
    auto* placeholder = dynamic_cast<TkqUnconstructed*>(instance);
    if (placeholder == nullptr || !placeholder->InstanceClass->InheritsFrom(classRef))
        throw EInvalidCast("Invalid class typecast");
    return placeholder->InstanceClass;
}

namespace {

template <class T> T* As(TObject* instance) {
    return static_cast<T*>(CheckedInstance(instance, T::StaticClass()));
}

TObject* ObjArg(TkqMethodHelper* caller, Integer i) { return VariantToObject(caller->GetParam(i)); }
template <class T> T* ObjArgAs(TkqMethodHelper* caller, Integer i) {
    TObject* object = ObjArg(caller, i);
    return object == nullptr ? nullptr : As<T>(object);
}
String StrArg(TkqMethodHelper* caller, Integer i) { return VarToStr(caller->GetParam(i)); }
Integer IntArg(TkqMethodHelper* caller, Integer i) { return caller->GetParam(i).AsInteger(); }

// A component of `cls` with its after-construction step run: a form or data module reads its
// definition and runs OnCreate there, and until then a form keeps Visible to itself.
TObject* CreateComponent(TClass cls, TComponent* owner) {
    TObject* object = cls->Create(owner);
    try {
        if (auto* form = dynamic_cast<TCustomForm*>(object))
            form->AfterConstruction();
        else if (auto* module = dynamic_cast<TDataModule*>(object))
            module->AfterConstruction();
    } catch (...) {
        delete object;
        throw;
    }
    return object;
}

Variant CallStreamMethod(TStream* stream, const String& name, TkqMethodHelper* caller) {
    if (name == "READ") {
        const Integer count = IntArg(caller, 1);
        String buffer;
        Integer read = 0;
        if (count > 0) {
            buffer.assign(std::size_t(count), '\0');
            read = std::max<Integer>(0, stream->Read(buffer.data(), count));
            buffer.resize(std::size_t(read));
        }
        caller->SetParam(0, buffer);
        return read;
    }
    if (name == "WRITE") {
        const String text = StrArg(caller, 0);
        const Integer count = std::min<Integer>(IntArg(caller, 1), Integer(text.size()));
        return count > 0 ? stream->Write(text.data(), count) : 0;
    }
    if (name == "SEEK") return stream->Seek(Int64(IntArg(caller, 0)), Word(IntArg(caller, 1)));
    if (name == "COPYFROM")
        return stream->CopyFrom(ObjArgAs<TStream>(caller, 0), caller->GetParam(1).AsInt64());
    return 0;
}

} // namespace

TkqClassesRTTIFunctions::TkqClassesRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    s->AddConst("fmCreate", "Integer", Word(0xFFFF));
    const std::pair<const char*, Integer> modes[] = {
        {"fmOpenRead", 0},        {"fmOpenWrite", 1},       {"fmOpenReadWrite", 2},
        {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32}, {"fmShareDenyNone", 64},
        {"soFromBeginning", 0},   {"soFromCurrent", 1},     {"soFromEnd", 2}};
    for (const auto& [name, value] : modes)
        s->AddConst(name, "Integer", Byte(value));
    s->AddEnum("TDuplicates", "dupIgnore, dupAccept, dupError");
    s->AddEnum("TPrinterOrientation", "poPortrait, poLandscape");

    const TkqModuleCallback call(this, &TkqClassesRTTIFunctions::CallMethod);
    const TkqGetValueProc get(this, &TkqClassesRTTIFunctions::GetProp);
    const TkqSetValueProc set(this, &TkqClassesRTTIFunctions::SetProp);

    TkqClassVariable* c = s->AddClass(TObject::StaticClass(), "");
    c->AddConstructor("constructor Create", call);
    c->AddMethod("procedure Free", call);
    c->AddMethod("function ClassName: String", call);

    c = s->AddClass(TPersistent::StaticClass(), "TObject");
    c->AddMethod("procedure Assign(Source: TPersistent)", call);

    s->AddClass(TCollectionItem::StaticClass(), "TPersistent");

    c = s->AddClass(TCollection::StaticClass(), "TPersistent");
    c->AddMethod("procedure Clear", call);
    c->AddProperty("Count", "Integer", get);
    c->AddDefaultProperty("Items", "Integer", "TCollectionItem", call, true);

    c = s->AddClass(TList::StaticClass(), "TObject");
    c->AddMethod("function Add(Item: TObject): Integer", call);
    c->AddMethod("procedure Clear", call);
    c->AddMethod("procedure Delete(Index: Integer)", call);
    c->AddMethod("function IndexOf(Item: TObject): Integer", call);
    c->AddMethod("procedure Insert(Index: Integer; Item: TObject)", call);
    c->AddMethod("function Remove(Item: TObject): Integer", call);
    c->AddProperty("Count", "Integer", get);
    c->AddDefaultProperty("Items", "Integer", "TObject", call, false);

    c = s->AddClass(TStrings::StaticClass(), "TPersistent");
    c->AddMethod("function Add(const S: string): Integer", call);
    c->AddMethod("function AddObject(const S: string; AObject: TObject): Integer", call);
    c->AddMethod("procedure Clear", call);
    c->AddMethod("procedure Delete(Index: Integer)", call);
    c->AddMethod("function IndexOf(const S: string): Integer", call);
    c->AddMethod("function IndexOfName(const Name: string): Integer", call);
    c->AddMethod("function IndexOfObject(AObject: TObject): Integer", call);
    c->AddMethod("procedure Insert(Index: Integer; const S: string)", call);
    c->AddMethod("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)", call);
    c->AddMethod("procedure LoadFromFile(const FileName: string)", call);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", call);
    c->AddMethod("procedure SaveToFile(const FileName: string)", call);
    c->AddMethod("procedure Move(CurIndex, NewIndex: Integer)", call);
    c->AddMethod("procedure SaveToStream(Stream: TStream)", call);
    c->AddProperty("CommaText", "string", get, set);
    c->AddProperty("Count", "Integer", get);
    c->AddIndexProperty("Names", "Integer", "string", call, true);
    c->AddIndexProperty("Objects", "Integer", "TObject", call, false);
    c->AddIndexProperty("Values", "String", "string", call, false);
    c->AddDefaultProperty("Strings", "Integer", "string", call, false);
    c->AddProperty("Text", "string", get, set);

    c = s->AddClass(TStringList::StaticClass(), "TStrings");
    c->AddMethod("function Find(s: String; var Index: Integer): Boolean", call);
    c->AddMethod("procedure Sort", call);
    c->AddProperty("Duplicates", "TDuplicates", get, set);
    c->AddProperty("Sorted", "Boolean", get, set);

    c = s->AddClass(TStream::StaticClass(), "TObject");
    c->AddMethod("function Read(var Buffer: string; Count: Longint): Longint", call);
    c->AddMethod("function Write(Buffer: string; Count: Longint): Longint", call);
    c->AddMethod("function Seek(Offset: Longint; Origin: Word): Longint", call);
    c->AddMethod("function CopyFrom(Source: TStream; Count: Longint): Longint", call);
    c->AddProperty("Position", "Longint", get, set);
    c->AddProperty("Size", "Longint", get);

    c = s->AddClass(TFileStream::StaticClass(), "TStream");
    c->AddConstructor("constructor Create(Filename: String; Mode: Word)", call);

    c = s->AddClass(TMemoryStream::StaticClass(), "TStream");
    c->AddMethod("procedure Clear", call);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", call);
    c->AddMethod("procedure LoadFromFile(Filename: String)", call);
    c->AddMethod("procedure SaveToStream(Stream: TStream)", call);
    c->AddMethod("procedure SaveToFile(Filename: String)", call);

    c = s->AddClass(TComponent::StaticClass(), "TPersistent");
    c->AddConstructor("constructor Create(AOwner: TComponent)", call);
    c->AddProperty("Owner", "TComponent", get);

    c = s->AddClass(TkqXMLItem::StaticClass(), "TObject");
    c->AddConstructor("constructor Create", call);
    c->AddMethod("procedure AddItem(Item: TkqXMLItem)", call);
    c->AddMethod("procedure Clear", call);
    c->AddMethod("procedure InsertItem(Index: Integer; Item: TkqXMLItem)", call);
    c->AddMethod("function Add: TkqXMLItem", call);
    c->AddMethod("function Find(const Name: String): Integer", call);
    c->AddMethod("function FindItem(const Name: String): TkqXMLItem", call);
    c->AddMethod("function Prop(const Name: String): String", call);
    c->AddMethod("function Root: TkqXMLItem", call);
    c->AddProperty("Data", "Integer", get, set);
    c->AddProperty("Count", "Integer", get);
    c->AddDefaultProperty("Items", "Integer", "TkqXMLItem", call, true);
    c->AddProperty("Name", "String", get, set);
    c->AddProperty("Parent", "TkqXMLItem", get);
    c->AddProperty("Text", "String", get, set);

    c = s->AddClass(TkqXMLDocument::StaticClass(), "TObject");
    c->AddConstructor("constructor Create", call);
    c->AddMethod("procedure SaveToStream(Stream: TStream)", call);
    c->AddMethod("procedure LoadFromStream(Stream: TStream)", call);
    c->AddMethod("procedure SaveToFile(const FileName: String)", call);
    c->AddMethod("procedure LoadFromFile(const FileName: String)", call);
    c->AddProperty("Root", "TkqXMLItem", get);
}

Variant TkqClassesRTTIFunctions::CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName,
                                            TkqMethodHelper* Caller) {
    const String& name = MethodName;
    if (ClassRef == TObject::StaticClass()) {
        if (name == "CREATE") return ObjectToVariant(ConstructedClass(Instance, ClassRef)->Create(nullptr));
        if (name == "FREE") {
            TObject* object = CheckedInstance(Instance, ClassRef);
            // The application object outlives every script; the program frees it when it ends.
            if (dynamic_cast<TApplication*>(object) != nullptr)
                throw EInvalidOperation("The application object cannot be freed");
            delete object;
            return Null();
        }
        if (name == "CLASSNAME") return CheckedInstance(Instance, ClassRef)->ClassName();
    } else if (ClassRef == TPersistent::StaticClass()) {
        if (name == "ASSIGN") As<TPersistent>(Instance)->Assign(ObjArgAs<TPersistent>(Caller, 0));
        return Null();
    } else if (ClassRef == TCollection::StaticClass()) {
        auto* collection = As<TCollection>(Instance);
        if (name == "CLEAR") collection->Clear();
        if (name == "ITEMS.GET") return ObjectToVariant(collection->GetItems(IntArg(Caller, 0)));
    } else if (ClassRef == TList::StaticClass()) {
        auto* list = As<TList>(Instance);
        if (name == "ADD") return list->Add(ObjArg(Caller, 0));
        if (name == "CLEAR") list->Clear();
        if (name == "DELETE") list->Delete(IntArg(Caller, 0));
        if (name == "INDEXOF") return list->IndexOf(ObjArg(Caller, 0));
        if (name == "INSERT") list->Insert(IntArg(Caller, 0), ObjArg(Caller, 1));
        if (name == "REMOVE") return list->Remove(ObjArg(Caller, 0));
        if (name == "ITEMS.GET") return ObjectToVariant(static_cast<TObject*>(list->Get(IntArg(Caller, 0))));
        if (name == "ITEMS.SET") list->Put(IntArg(Caller, 0), VariantToObject(Caller->GetParam(1)));
        return Null();
    } else if (ClassRef == TStrings::StaticClass()) {
        auto* strings = As<TStrings>(Instance);
        if (name == "ADD") return strings->Add(StrArg(Caller, 0));
        if (name == "ADDOBJECT") return strings->AddObject(StrArg(Caller, 0), ObjArg(Caller, 1));
        if (name == "CLEAR") strings->Clear();
        if (name == "DELETE") strings->Delete(IntArg(Caller, 0));
        if (name == "INDEXOF") return strings->IndexOf(StrArg(Caller, 0));
        if (name == "INDEXOFNAME") return strings->IndexOfName(StrArg(Caller, 0));
        if (name == "INDEXOFOBJECT") return strings->IndexOfObject(ObjArg(Caller, 0));
        if (name == "INSERT") strings->Insert(IntArg(Caller, 0), StrArg(Caller, 1));
        if (name == "INSERTOBJECT")
            strings->InsertObject(IntArg(Caller, 0), StrArg(Caller, 1), ObjArg(Caller, 2));
        if (name == "LOADFROMFILE") strings->LoadFromFile(StrArg(Caller, 0));
        if (name == "LOADFROMSTREAM") strings->LoadFromStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "SAVETOFILE") strings->SaveToFile(StrArg(Caller, 0));
        if (name == "MOVE") strings->Move(IntArg(Caller, 0), IntArg(Caller, 1));
        if (name == "SAVETOSTREAM") strings->SaveToStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "NAMES.GET") return strings->GetName(IntArg(Caller, 0));
        if (name == "OBJECTS.GET") return ObjectToVariant(strings->GetObjects(IntArg(Caller, 0)));
        if (name == "OBJECTS.SET")
            strings->SetObjects(IntArg(Caller, 0), VariantToObject(Caller->GetParam(1)));
        if (name == "VALUES.GET") return strings->GetValue(StrArg(Caller, 0));
        if (name == "VALUES.SET") strings->SetValue(StrArg(Caller, 0), StrArg(Caller, 1));
        if (name == "STRINGS.GET") return strings->GetStrings(IntArg(Caller, 0));
        if (name == "STRINGS.SET") strings->SetStrings(IntArg(Caller, 0), StrArg(Caller, 1));
        return Null();
    } else if (ClassRef == TStringList::StaticClass()) {
        auto* list = As<TStringList>(Instance);
        if (name == "FIND") {
            Integer index = 0;
            const bool found = list->Find(StrArg(Caller, 0), index);
            Caller->SetParam(1, index);
            return found;
        }
        if (name == "SORT") list->Sort();
        return Null();
    } else if (ClassRef == TStream::StaticClass()) {
        return CallStreamMethod(As<TStream>(Instance), name, Caller);
    } else if (ClassRef == TFileStream::StaticClass()) {
        if (name == "CREATE") {
            if (ConstructedClass(Instance, ClassRef) != TFileStream::StaticClass())
                throw EInvalidCast("Invalid class typecast");
            return ObjectToVariant(new TFileStream(StrArg(Caller, 0), Word(IntArg(Caller, 1))));
        }
    } else if (ClassRef == TMemoryStream::StaticClass()) {
        auto* stream = As<TMemoryStream>(Instance);
        if (name == "CLEAR") stream->Clear();
        if (name == "LOADFROMSTREAM") stream->LoadFromStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "LOADFROMFILE") stream->LoadFromFile(StrArg(Caller, 0));
        if (name == "SAVETOSTREAM") stream->SaveToStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "SAVETOFILE") stream->SaveToFile(StrArg(Caller, 0));
        return Null();
    } else if (ClassRef == TComponent::StaticClass()) {
        if (name == "CREATE")
            return ObjectToVariant(
                CreateComponent(ConstructedClass(Instance, ClassRef), ObjArgAs<TComponent>(Caller, 0)));
    } else if (ClassRef == TkqXMLItem::StaticClass()) {
        if (name == "CREATE") return ObjectToVariant(ConstructedClass(Instance, ClassRef)->Create(nullptr));
        auto* item = As<TkqXMLItem>(Instance);
        if (name == "ADDITEM") item->AddItem(ObjArgAs<TkqXMLItem>(Caller, 0));
        if (name == "CLEAR") item->Clear();
        if (name == "INSERTITEM") item->InsertItem(IntArg(Caller, 0), ObjArgAs<TkqXMLItem>(Caller, 1));
        if (name == "ADD") return ObjectToVariant(item->Add());
        if (name == "FIND") return item->Find(StrArg(Caller, 0));
        if (name == "FINDITEM") return ObjectToVariant(item->FindItem(StrArg(Caller, 0)));
        if (name == "PROP") return item->Prop(StrArg(Caller, 0));
        if (name == "ROOT") return ObjectToVariant(item->Root());
        if (name == "ITEMS.GET") return ObjectToVariant(item->Items(IntArg(Caller, 0)));
        return Null();
    } else if (ClassRef == TkqXMLDocument::StaticClass()) {
        if (name == "CREATE") return ObjectToVariant(ConstructedClass(Instance, ClassRef)->Create(nullptr));
        auto* document = As<TkqXMLDocument>(Instance);
        if (name == "SAVETOSTREAM") document->SaveToStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "LOADFROMSTREAM") document->LoadFromStream(ObjArgAs<TStream>(Caller, 0));
        if (name == "SAVETOFILE") document->SaveToFile(StrArg(Caller, 0));
        if (name == "LOADFROMFILE") document->LoadFromFile(StrArg(Caller, 0));
        return Null();
    }
    return 0;
}

Variant TkqClassesRTTIFunctions::GetProp(TObject* Instance, TClass ClassRef, const String& PropName) {
    const String& name = PropName;
    if (ClassRef == TCollection::StaticClass()) {
        if (name == "COUNT") return As<TCollection>(Instance)->GetCount();
    } else if (ClassRef == TList::StaticClass()) {
        if (name == "COUNT") return As<TList>(Instance)->GetCount();
    } else if (ClassRef == TStrings::StaticClass()) {
        auto* strings = As<TStrings>(Instance);
        if (name == "COMMATEXT") return strings->GetCommaText();
        if (name == "COUNT") return strings->GetCount();
        if (name == "TEXT") return strings->GetText();
    } else if (ClassRef == TStringList::StaticClass()) {
        auto* list = As<TStringList>(Instance);
        if (name == "DUPLICATES") return Integer(list->GetDuplicates());
        if (name == "SORTED") return list->GetSorted();
    } else if (ClassRef == TStream::StaticClass()) {
        auto* stream = As<TStream>(Instance);
        if (name == "POSITION") return stream->GetPosition();
        if (name == "SIZE") return stream->GetSize();
    } else if (ClassRef == TComponent::StaticClass()) {
        if (name == "OWNER") return ObjectToVariant(As<TComponent>(Instance)->GetOwner());
    } else if (ClassRef == TkqXMLItem::StaticClass()) {
        auto* item = As<TkqXMLItem>(Instance);
        if (name == "DATA") return item->Data;
        if (name == "COUNT") return item->Count();
        if (name == "NAME") return item->Name;
        if (name == "PARENT") return ObjectToVariant(item->Parent);
        if (name == "TEXT") return item->Text;
    } else if (ClassRef == TkqXMLDocument::StaticClass()) {
        if (name == "ROOT") return ObjectToVariant(As<TkqXMLDocument>(Instance)->Root);
    }
    return 0;
}

void TkqClassesRTTIFunctions::SetProp(TObject* Instance, TClass ClassRef, const String& PropName,
                                      const Variant& Value) {
    const String& name = PropName;
    if (ClassRef == TStrings::StaticClass()) {
        auto* strings = As<TStrings>(Instance);
        if (name == "COMMATEXT") strings->SetCommaText(VarToStr(Value));
        if (name == "TEXT") strings->SetText(VarToStr(Value));
    } else if (ClassRef == TStringList::StaticClass()) {
        auto* list = As<TStringList>(Instance);
        if (name == "DUPLICATES") {
            const Integer value = Value.AsInteger();
            if (value < Integer(dupIgnore) || value > Integer(dupError))
                throw ERangeError("Range check error");
            list->SetDuplicates(TDuplicates(value));
        }
        if (name == "SORTED") list->SetSorted(Value.AsBoolean());
    } else if (ClassRef == TStream::StaticClass()) {
        if (name == "POSITION") As<TStream>(Instance)->SetPosition(Value.AsInt64());
    } else if (ClassRef == TkqXMLItem::StaticClass()) {
        auto* item = As<TkqXMLItem>(Instance);
        if (name == "DATA") item->Data = Value.AsInteger();
        if (name == "NAME") item->Name = VarToStr(Value);
        if (name == "TEXT") item->Text = VarToStr(Value);
    }
}

void RegisterClassesRTTI() {
    static bool listed = false;
    ListRTTIModuleClass(listed, [](TkqScript* script) -> TkqRTTIModule* { return new TkqClassesRTTIFunctions(script); });
}
