#include "script/kq_iinterpreter.h"

#include <algorithm>
#include <climits>
#include <set>

#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iclassesrtti.h"
#include "script/kq_iconst.h"
#include "script/kq_idialogsrtti.h"
#include "script/kq_ievents.h"
#include "script/kq_iexpression.h"
#include "script/kq_iformsrtti.h"
#include "script/kq_igraphicsrtti.h"
#include "script/kq_isysrtti.h"
#include "script/kq_itools.h"

namespace {

// Restores on scope exit, also when an exception passes.
template <class F> class TFinally {
public:
    explicit TFinally(F action) : FAction(std::move(action)) {}
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;
    ~TFinally() { FAction(); }

private:
    F FAction;
};

[[noreturn]] void ListIndexError(Integer index) {
    throw EListError(Format("List index out of bounds (%d)", {index}));
}

// The instance a property or event helper works on: the platform's integer conversion of the
// value (Null raises), then the handle lookup.
TObject* HelperInstance(const Variant& parentValue) {
    const Int64 handle = parentValue.AsInt64();
    return handle <= 0 || handle > Int64(UINT32_MAX) ? nullptr : HandleToObject(Cardinal(handle));
}

// The first code point of a UTF-8 text; 0 for an empty or malformed start.
Int64 FirstCodePoint(const String& text) {
    if (text.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (b0 < 0x80) return b0;
    const int length = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (length == 0 || text.size() < std::size_t(length)) return b0;
    Int64 code = b0 & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    return code;
}

String CodePointToUtf8(Int64 code) {
    String out;
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
    return out;
}

Variant OrdinalVariant(Int64 value) {
    if (value >= INT_MIN && value <= INT_MAX) return Variant(Integer(value));
    return Variant(value);
}

// The Integer index a helper parameter holds.
Integer IndexParam(TkqCustomVariable* helper, Integer index) {
    return helper->Param(index)->GetValue().AsInteger();
}

[[noreturn]] void CharIndexError() { throw ERangeError("Range check error"); }

} // namespace

// ---- Object references --------------------------------------------------------------------------

Variant ObjectToVariant(TObject* object) { return OrdinalVariant(Int64(ObjectToHandle(object))); }

TObject* VariantToObject(const Variant& value) {
    if (VarIsNull(value) || VarIsEmpty(value)) return nullptr;
    return HelperInstance(value);
}

// ---- TkqItemList ---------------------------------------------------------------------------------

TkqItemList::~TkqItemList() { TkqItemList::Clear(); }

void TkqItemList::Clear() {
    // Taken out first: an entry's destructor never sees itself in the list.
    std::vector<TObject*> items;
    items.swap(FItems);
    ++FChanges;
    for (TObject* item : items)
        delete item;
}

void TkqItemList::Add(TObject* item) {
    FItems.push_back(item);
    ++FChanges;
}

void TkqItemList::Remove(TObject* item) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it) {
        if (*it == item) {
            FItems.erase(it);
            ++FChanges;
            return;
        }
    }
}

TObject* TkqItemList::Items(Integer index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
    return FItems[std::size_t(index)];
}

// ---- TkqCustomVariable ---------------------------------------------------------------------------

TkqCustomVariable::TkqCustomVariable(const String& name, const String& typeName, TkqValueKind valueKind)
    : Name(name), ValueKind(valueKind), TypeName(typeName), UpperName(AnsiUpperCase(name)), Value(Null()) {}

void TkqCustomVariable::SetValue(const Variant& value) {
    if (!IsReadOnly) Value = value;
}

Variant TkqCustomVariable::GetValue() { return Value; }

String TkqCustomVariable::KindText() const {
    switch (ValueKind) {
    case vkInteger:
        return "Integer";
    case vkBoolean:
        return "Boolean";
    case vkFloat:
        return "Extended";
    case vkChar:
        return "Char";
    case vkString:
        return "String";
    case vkClass:
        return "Class " + TypeName;
    case vkArray:
        return "Array";
    case vkEnum:
        return TypeName;
    default:
        return "Variant";
    }
}

TkqCustomVariable* TkqCustomVariable::Param(Integer index) const {
    auto* param = dynamic_cast<TkqCustomVariable*>(Items(index));
    if (param == nullptr) ListIndexError(index);
    return param;
}

Integer TkqCustomVariable::RequiredParamCount() const {
    Integer count = 0;
    for (Integer i = 0; i < Count(); ++i) {
        auto* param = dynamic_cast<TkqParamItem*>(Items(i));
        if (param == nullptr || !param->IsOptional) ++count;
    }
    return count;
}

// ---- Simple symbols -----------------------------------------------------------------------------

void TkqStringVariable::SetValue(const Variant& value) { StrValue = VarToStr(value); }

void TkqStringVariable::TakeValue(Variant&& value) {
    if (String* text = value.StrPtr())
        StrValue = std::move(*text);
    else
        SetValue(value);
}

Variant TkqStringVariable::GetValue() { return StrValue; }

TkqParamItem::TkqParamItem(const String& name, bool isVarParam, bool isOptional, const String& typeName,
                           TkqValueKind valueKind)
    : TkqCustomVariable(name, typeName, valueKind), DefValue(Null()), IsOptional(isOptional),
      IsVarParam(isVarParam) {}

// ---- TkqProcVariable ----------------------------------------------------------------------------

TkqProcVariable::TkqProcVariable(const String& name, const String& typeName, TkqValueKind valueKind,
                                 bool isFunction, TkqScript* parentScript)
    : TkqCustomVariable(name, typeName, valueKind), IsFunction(isFunction),
      LocalScript(new TkqScript(nullptr)) {
    IsReadOnly = true;
    LocalScript->ParentScript = parentScript;
    if (isFunction) {
        auto* result = new TkqVariable("Result", typeName, valueKind);
        LinkedSymbol = result;
        LocalScript->Add("Result", result);
    }
}

TkqProcVariable::~TkqProcVariable() {
    for (Integer i = 0; i < Count(); ++i)
        LocalScript->Remove(Items(i));
    delete LocalScript;
    LocalScript = nullptr;
    LinkedSymbol = nullptr;
    Clear();
}

namespace {

// The bracket of one call: the procedure is marked running, its local script runs with fresh
// flags (a break or continue left pending by an earlier call must not stop this one), and the
// anchor records it as the running scope; all is undone when the call ends, also by an
// exception. One small object keeps the frame of each nested call small.
class TCallBracket {
public:
    explicit TCallBracket(TkqProcVariable* proc)
        : FProc(proc), FAnchor(proc->LocalScript), FWasRunning(proc->IsRunning) {
        proc->IsRunning = true;
        while (FAnchor != nullptr && !FAnchor->ScopeAnchor)
            FAnchor = FAnchor->ParentScript;
        if (FAnchor != nullptr) {
            FSavedScope = FAnchor->RunningScope;
            FAnchor->RunningScope = proc->LocalScript;
        }
        ResetFlags(proc->LocalScript);
        proc->LocalScript->Running = true;
    }
    TCallBracket(const TCallBracket&) = delete;
    TCallBracket& operator=(const TCallBracket&) = delete;
    ~TCallBracket() {
        ResetFlags(FProc->LocalScript);
        FProc->LocalScript->Running = false;
        if (FAnchor != nullptr) FAnchor->RunningScope = FSavedScope;
        FProc->IsRunning = FWasRunning;
    }

private:
    static void ResetFlags(TkqScript* local) {
        local->ExitPending = false;
        local->TerminatePending = false;
        local->BreakPending = false;
        local->ContinuePending = false;
    }

    TkqProcVariable* FProc;
    TkqScript* FAnchor;
    TkqScript* FSavedScope = nullptr;
    bool FWasRunning;
};

} // namespace

Variant TkqProcVariable::GetValue() {
    if (ScriptStackLow()) RaiseStackOverflow();
    {
        TCallBracket bracket(this);
        LocalScript->RootStatement->Execute();
    }
    if (IsFunction && LinkedSymbol != nullptr) return LinkedSymbol->GetValue();
    return Null();
}

std::vector<Variant> TkqProcVariable::SaveLocals() const {
    std::vector<Variant> saved;
    for (Integer i = 0; i < LocalScript->Count(); ++i) {
        TObject* entry = LocalScript->Items(i);
        if (auto* text = dynamic_cast<TkqStringVariable*>(entry))
            saved.push_back(Variant(text->StrValue));
        else if (dynamic_cast<TkqVariable*>(entry) != nullptr ||
                 dynamic_cast<TkqParamItem*>(entry) != nullptr)
            saved.push_back(static_cast<TkqCustomVariable*>(entry)->Value);
        else
            saved.push_back(Variant());
    }
    return saved;
}

void TkqProcVariable::RestoreLocals(const std::vector<Variant>& saved) {
    for (Integer i = 0; i < LocalScript->Count() && i < Integer(saved.size()); ++i) {
        TObject* entry = LocalScript->Items(i);
        if (auto* text = dynamic_cast<TkqStringVariable*>(entry))
            text->StrValue = VarToStr(saved[std::size_t(i)]);
        else if (dynamic_cast<TkqVariable*>(entry) != nullptr ||
                 dynamic_cast<TkqParamItem*>(entry) != nullptr)
            static_cast<TkqCustomVariable*>(entry)->Value = saved[std::size_t(i)];
    }
}

// ---- TkqPropertyHelper --------------------------------------------------------------------------

namespace {

// The instance of a published property. nil has none (a read gives Null, a write does nothing);
// a reference to an object that is gone raises, as the other members do.
TObject* PublishedInstance(const Variant& parentValue) {
    TObject* instance = HelperInstance(parentValue);
    if (instance == nullptr && !VarIsNull(parentValue) && !VarIsEmpty(parentValue) && parentValue.AsInt64() != 0)
        throw EInvalidCast("Invalid class typecast");
    return instance;
}

} // namespace

Variant TkqPropertyHelper::GetValue() {
    Variant result = Null();
    TObject* instance = IsPublished ? PublishedInstance(ParentValue) : HelperInstance(ParentValue);
    PPropInfo prop = IsPublished && instance != nullptr ? GetPropInfo(instance, Name) : nullptr;
    if (prop != nullptr) {
        switch (prop->Kind()) {
        case tkChar:
            result = String(1, char(GetOrdProp(instance, prop)));
            break;
        case tkWChar:
            result = CodePointToUtf8(GetOrdProp(instance, prop));
            break;
        case tkFloat:
            result = double(GetFloatProp(instance, prop));
            break;
        case tkString:
        case tkLString:
        case tkWString:
            result = GetStrProp(instance, prop);
            break;
        case tkVariant:
            result = GetVariantProp(instance, prop);
            break;
        case tkMethod:
        case tkUnknown:
            break;
        default:
            result = OrdinalVariant(GetOrdProp(instance, prop));
            break;
        }
    } else if (Getter.Assigned()) {
        result = Getter(instance, ClassRef, UpperName);
    }
    if (ValueKind == vkBoolean) result = Variant(result != Variant(0));
    return result;
}

void TkqPropertyHelper::SetValue(const Variant& value) {
    if (IsReadOnly) return;
    TObject* instance = IsPublished ? PublishedInstance(ParentValue) : HelperInstance(ParentValue);
    if (IsPublished) {
        PPropInfo prop = instance != nullptr ? GetPropInfo(instance, Name) : nullptr;
        // A property the instance lacks, or one without a setter, is not written.
        if (prop == nullptr || !prop->IsWritable()) return;
        switch (prop->Kind()) {
        case tkChar:
        case tkWChar: {
            const String text = value.AsString();
            // No character to store: the write is ignored.
            if (text.empty()) return;
            SetOrdProp(instance, prop,
                       prop->Kind() == tkChar ? Int64(static_cast<unsigned char>(text[0]))
                                              : FirstCodePoint(text));
            break;
        }
        case tkFloat:
            SetFloatProp(instance, prop, value.AsExtended());
            break;
        case tkString:
        case tkLString:
            SetStrProp(instance, prop, value.AsString());
            break;
        case tkWString:
            SetStrProp(instance, prop, value.AsString());
            break;
        case tkVariant:
            SetVariantProp(instance, prop, value);
            break;
        case tkMethod:
        case tkUnknown:
            break;
        default:
            if (ValueKind == vkBoolean) {
                SetOrdProp(instance, prop, value == Variant(true) ? 1 : 0);
            } else if (prop->Kind() == tkSet && VarIsArray(value)) {
                // A set literal: its elements are the members' bit values.
                Int64 mask = 0;
                for (Integer i = VarArrayLowBound(value, 1); i <= VarArrayHighBound(value, 1); ++i) {
                    const Variant element = VarArrayGet(value, {i});
                    if (!VarIsNull(element)) mask |= element.AsInt64();
                }
                SetOrdProp(instance, prop, mask);
            } else {
                SetOrdProp(instance, prop, value.AsInt64());
            }
            break;
        }
    } else if (Setter.Assigned()) {
        Setter(instance, ClassRef, UpperName, value);
    }
}

// ---- TkqMethodHelper ----------------------------------------------------------------------------

TkqMethodHelper::TkqMethodHelper(const String& signature, TkqScript* script)
    : TkqCustomHelper("", "", vkVariant) {
    std::unique_ptr<TkqCustomVariable> parsed(ParseSignature(signature, script));
    Name = parsed->Name;
    UpperName = parsed->UpperName;
    TypeName = parsed->TypeName;
    ValueKind = parsed->ValueKind;
    IsMacro = parsed->IsMacro;
    while (parsed->Count() > 0) {
        TObject* param = parsed->Items(0);
        parsed->Remove(param);
        Add(param);
    }
    IsReadOnly = true;
    Signature = signature;
    ArgArray = VarArrayCreate({0, Count() - 1}, varVariant);
}

String TkqMethodHelper::CallName(const char* suffix) const {
    return IsIndexProperty ? UpperName + suffix : UpperName;
}

Variant TkqMethodHelper::GetParam(Integer index) {
    if (index == Count()) return SetterValue;
    return Param(index)->GetValue();
}

void TkqMethodHelper::SetParam(Integer index, const Variant& value) { Param(index)->SetValue(value); }

Variant TkqMethodHelper::GetValue() {
    TObject* instance = VarIsNull(ParentValue) ? nullptr : HelperInstance(ParentValue);
    const String name = CallName(".GET");
    ++RunDepth;
    TFinally leave([this] {
        if (--RunDepth == 0) GiveBackLoans();
    });
    if (ArrayCallback.Assigned()) {
        // Each call has an array of its own: a call that enters this function again while the
        // call-back runs leaves the running call's arguments alone.
        Variant args = VarArrayCreate({0, Count() - 1}, varVariant);
        for (Integer i = 0; i < Count(); ++i)
            VarArrayPut(args, Param(i)->GetValue(), {i});
        ArgArray = args;
        Variant result = ArrayCallback(instance, ClassRef, name, args);
        const Integer high =
            VarIsArray(args) && VarArrayDimCount(args) == 1 ? VarArrayHighBound(args, 1) : -1;
        const Integer low = high >= 0 ? VarArrayLowBound(args, 1) : 0;
        for (Integer i = 0; i < Count(); ++i) {
            auto* param = dynamic_cast<TkqParamItem*>(Items(i));
            if (param != nullptr && param->IsVarParam && i >= low && i <= high)
                param->SetValue(VarArrayGet(args, {i}));
        }
        return result;
    }
    if (ModuleCallback.Assigned()) {
        // A constructor member is done with its placeholder when it returns, whatever happened.
        auto* placeholder = ValueKind == vkConstructor ? dynamic_cast<TkqUnconstructed*>(instance) : nullptr;
        TFinally release([placeholder] {
            if (placeholder != nullptr && placeholder->Owner != nullptr)
                placeholder->Owner->ReleaseUnconstructed(placeholder);
        });
        return ModuleCallback(instance, ClassRef, name, this);
    }
    return Variant(0);
}

void TkqMethodHelper::Lend(TkqCustomVariable* variable, Integer index) {
    Variant& slot = Param(index)->Value;
    if (auto* text = dynamic_cast<TkqStringVariable*>(variable)) {
        slot = Variant(std::move(text->StrValue));
        text->StrValue = String();
    } else {
        slot = std::move(variable->Value);
    }
    FLoans.emplace_back(variable, index);
}

void TkqMethodHelper::GiveBackLoans() noexcept {
    for (const auto& [variable, index] : FLoans) {
        Variant& slot = static_cast<TkqCustomVariable*>(Items(index))->Value;
        if (auto* text = dynamic_cast<TkqStringVariable*>(variable)) {
            if (String* lent = slot.StrPtr()) text->StrValue = std::move(*lent);
        } else {
            variable->Value = std::move(slot);
        }
        slot = Variant();
    }
    FLoans.clear();
}

void TkqMethodHelper::SetValue(const Variant& value) {
    GiveBackLoans();
    if (!IsIndexProperty) return;
    TObject* instance = VarIsNull(ParentValue) ? nullptr : HelperInstance(ParentValue);
    const String name = CallName(".SET");
    if (ArrayCallback.Assigned()) {
        Variant args = VarArrayCreate({0, Count()}, varVariant);
        for (Integer i = 0; i < Count(); ++i)
            VarArrayPut(args, Param(i)->GetValue(), {i});
        VarArrayPut(args, value, {Count()});
        ArrayCallback(instance, ClassRef, name, args);
    } else if (ModuleCallback.Assigned()) {
        SetterValue = value;
        TFinally reset([this] { SetterValue = Null(); });
        ModuleCallback(instance, ClassRef, name, this);
    }
}

// ---- TkqEventHelper -----------------------------------------------------------------------------

TkqEventHelper::TkqEventHelper(const String& name, TkqCustomEventClass adapterClass)
    : TkqCustomHelper(name, "", vkString), AdapterClass(adapterClass) {}

Variant TkqEventHelper::GetValue() { return String(); }

void TkqEventHelper::SetValue(const Variant& value) {
    TObject* instance = HelperInstance(ParentValue);
    if (instance == nullptr) throw EPropertyError(Format("Property %s does not exist", {Name}));
    const String text = VarToStr(value);
    if (text == "0") {
        SetMethodProp(instance, Name, TMethod());
        return;
    }
    auto* handler = CallScript != nullptr ? dynamic_cast<TkqProcVariable*>(CallScript->Find(text)) : nullptr;
    if (handler == nullptr || AdapterClass == nullptr) throw Exception(SEventError);
    TkqCustomEvent* adapter = AdapterClass(instance, handler);
    adapter->EventName = Name;
    CallScript->Add("", adapter);
    SetMethodProp(instance, Name, adapter->GetMethod());
}

// ---- TkqArrayHelper -----------------------------------------------------------------------------

TkqArrayHelper::TkqArrayHelper(const String& name, const String& typeName, TkqValueKind valueKind,
                               Integer paramCount)
    : TkqCustomHelper(name, typeName, valueKind) {
    if (paramCount == -1) {
        Add(new TkqParamItem("", false, false, "", vkInteger));
        Add(new TkqParamItem("", false, true, "", vkInteger));
        Add(new TkqParamItem("", false, true, "", vkInteger));
    } else {
        for (Integer i = 0; i < paramCount; ++i)
            Add(new TkqParamItem("", false, false, "", vkInteger));
    }
}

Variant TkqArrayHelper::GetValue() {
    if (ParentRef == nullptr) return Null();
    const Variant& array = ParentRef->Value;
    switch (VarArrayDimCount(array)) {
    case 1:
        return VarArrayGet(array, {IndexParam(this, 0)});
    case 2:
        return VarArrayGet(array, {IndexParam(this, 0), IndexParam(this, 1)});
    case 3:
        return VarArrayGet(array, {IndexParam(this, 0), IndexParam(this, 1), IndexParam(this, 2)});
    default:
        return Null();
    }
}

void TkqArrayHelper::SetValue(const Variant& value) {
    if (ParentRef == nullptr) return;
    Variant& array = ParentRef->Value;
    switch (VarArrayDimCount(array)) {
    case 1:
        VarArrayPut(array, value, {IndexParam(this, 0)});
        break;
    case 2:
        VarArrayPut(array, value, {IndexParam(this, 0), IndexParam(this, 1)});
        break;
    case 3:
        VarArrayPut(array, value, {IndexParam(this, 0), IndexParam(this, 1), IndexParam(this, 2)});
        break;
    default:
        break;
    }
}

// ---- TkqStringHelper ----------------------------------------------------------------------------

TkqStringHelper::TkqStringHelper() : TkqCustomHelper("__StringHelper", "", vkChar) {
    Add(new TkqParamItem("", false, false, "", vkInteger));
}

namespace {

// The byte range of the character (code point) at a 1-based index; ERangeError outside the text.
void HelperCharRange(const String& text, Integer index, std::size_t& start, std::size_t& length) {
    if (index < 1) CharIndexError();
    std::size_t at = 0;
    for (Integer n = 1; n < index && at < text.size(); ++n)
        at = Utf8Next(text, at);
    if (at >= text.size()) CharIndexError();
    start = at;
    length = Utf8Next(text, at) - at;
}

} // namespace

Variant TkqStringHelper::GetValue() {
    const String text = VarToStr(ParentValue);
    std::size_t start = 0;
    std::size_t length = 0;
    HelperCharRange(text, IndexParam(this, 0), start, length);
    return text.substr(start, length);
}

void TkqStringHelper::SetValue(const Variant& value) {
    String text = VarToStr(ParentValue);
    std::size_t start = 0;
    std::size_t length = 0;
    HelperCharRange(text, IndexParam(this, 0), start, length);
    const String replacement = VarToStr(value);
    if (replacement.empty()) CharIndexError();
    text.replace(start, length, replacement.substr(0, Utf8Next(replacement, 0)));
    if (ParentRef != nullptr) ParentRef->SetValue(text);
}

// ---- TkqClassVariable ---------------------------------------------------------------------------

TkqClassVariable::TkqClassVariable(TClass classRef, const String& ancestorName)
    : TkqCustomVariable(classRef->ClassName(), classRef->ClassName(), vkClass), AncestorName(ancestorName),
      ClassRef(classRef), Members(std::make_unique<TkqItemList>()) {
    AddPublishedProperties();
    Add(new TkqParamItem("", false, true, "", vkVariant));
}

TkqClassVariable::~TkqClassVariable() = default;

void TkqClassVariable::AddPublishedProperties() {
    TPropList props = GetPropList(ClassRef);
    std::stable_sort(props.begin(), props.end(),
                     [](PPropInfo a, PPropInfo b) { return CompareText(a->Name, b->Name) < 0; });
    for (PPropInfo prop : props) {
        TkqValueKind kind = vkInteger;
        String typeName;
        switch (prop->Kind()) {
        case tkMethod:
            continue;
        case tkChar:
        case tkWChar:
            kind = vkChar;
            break;
        case tkEnumeration:
            typeName = prop->PropType->Name;
            kind = SameText(typeName, "Boolean") || SameText(typeName, "bool") ? vkBoolean : vkEnum;
            break;
        case tkFloat:
            kind = vkFloat;
            break;
        case tkString:
        case tkLString:
        case tkWString:
            kind = vkString;
            break;
        case tkSet:
            kind = vkEnum;
            typeName = prop->PropType->Name;
            break;
        case tkClass:
            kind = vkClass;
            typeName = prop->PropType->ClassType != nullptr ? prop->PropType->ClassType->ClassName()
                                                            : prop->PropType->Name;
            break;
        case tkVariant:
            kind = vkVariant;
            break;
        default:
            kind = vkInteger;
            break;
        }
        auto* helper = new TkqPropertyHelper(prop->Name, typeName, kind);
        helper->IsPublished = true;
        helper->ClassRef = ClassRef;
        Members->Add(helper);
    }
}

Variant TkqClassVariable::GetValue() {
    TkqCustomVariable* castArg = Param(0);
    Variant result = castArg->GetValue();
    if (VarIsNull(result)) {
        FUnconstructed.push_back(std::make_unique<TkqUnconstructed>(ClassRef));
        FUnconstructed.back()->Owner = this;
        result = ObjectToVariant(FUnconstructed.back().get());
    }
    castArg->SetValue(Null());
    return result;
}

void TkqClassVariable::ReleaseUnconstructed(TkqUnconstructed* placeholder) {
    for (auto it = FUnconstructed.rbegin(); it != FUnconstructed.rend(); ++it)
        if (it->get() == placeholder) {
            FUnconstructed.erase(std::next(it).base());
            return;
        }
}

TkqMethodHelper* TkqClassVariable::AddMethod(const String& signature, const TkqModuleCallback& callBack) {
    auto* helper = new TkqMethodHelper(signature, OwnerScript);
    helper->ModuleCallback = callBack;
    helper->ClassRef = ClassRef;
    Members->Add(helper);
    return helper;
}

TkqMethodHelper* TkqClassVariable::AddConstructor(const String& signature,
                                                  const TkqModuleCallback& callBack) {
    std::size_t start = 0;
    while (start < signature.size() && static_cast<unsigned char>(signature[start]) <= ' ')
        ++start;
    std::size_t end = start;
    while (end < signature.size() && static_cast<unsigned char>(signature[end]) > ' ' &&
           signature[end] != '(')
        ++end;
    return AddMethod("function" + signature.substr(end) + ": Constructor", callBack);
}

TkqPropertyHelper* TkqClassVariable::AddProperty(const String& name, const String& typeName,
                                                 const TkqGetValueProc& getter,
                                                 const TkqSetValueProc& setter) {
    auto* helper = new TkqPropertyHelper(name, typeName, KindOfTypeName(typeName, OwnerScript));
    helper->ClassRef = ClassRef;
    helper->Getter = getter;
    helper->Setter = setter;
    helper->IsReadOnly = !setter.Assigned();
    Members->Add(helper);
    return helper;
}

TkqMethodHelper* TkqClassVariable::AddIndexProperty(const String& name, const String& paramTypes,
                                                    const String& typeName, const TkqModuleCallback& callBack,
                                                    bool isReadOnly) {
    TStringList types;
    types.SetCommaText(paramTypes);
    String signature = "function " + name + "(";
    for (Integer i = 0; i < types.GetCount(); ++i) {
        if (i > 0) signature += "; ";
        signature += "p" + IntToStr(i) + ": " + types.GetStrings(i);
    }
    signature += "): " + typeName;
    TkqMethodHelper* helper = AddMethod(signature, callBack);
    helper->IsReadOnly = isReadOnly;
    helper->IsIndexProperty = true;
    return helper;
}

TkqMethodHelper* TkqClassVariable::AddDefaultProperty(const String& name, const String& paramTypes,
                                                      const String& typeName,
                                                      const TkqModuleCallback& callBack, bool isReadOnly) {
    TkqMethodHelper* helper = AddIndexProperty(name, paramTypes, typeName, callBack, isReadOnly);
    DefaultProperty = helper;
    return helper;
}

TkqEventHelper* TkqClassVariable::AddEvent(const String& name, TkqCustomEventClass adapterClass) {
    auto* helper = new TkqEventHelper(name, adapterClass);
    helper->ClassRef = ClassRef;
    Members->Add(helper);
    return helper;
}

TkqCustomVariable* TkqClassVariable::FindOwnMember(const String& name) const {
    for (Integer i = 0; i < Members->Count(); ++i) {
        auto* member = dynamic_cast<TkqCustomVariable*>(Members->Items(i));
        if (member != nullptr && AnsiSameText(member->Name, name)) return member;
    }
    return nullptr;
}

TkqCustomVariable* TkqClassVariable::FindMember(const String& name) const {
    // A chain of ancestor names may lead back to a class already searched; each is searched once.
    std::set<const TkqClassVariable*> visited;
    for (const TkqClassVariable* cls = this; cls != nullptr && visited.insert(cls).second;) {
        if (TkqCustomVariable* member = cls->FindOwnMember(name)) return member;
        cls = cls->OwnerScript != nullptr ? cls->OwnerScript->FindClass(cls->AncestorName) : nullptr;
    }
    return nullptr;
}

// ---- TkqStatement -------------------------------------------------------------------------------

TkqStatement::TkqStatement(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : OwnerScript(script), StmtPos(stmtPos), StmtUnit(stmtUnit) {}

void TkqStatement::Execute() {
    // Nested statements recurse: deep nesting reached deep in a run ends in the script error.
    if (ScriptStackLow()) RaiseStackOverflow();
    for (std::size_t i = 0;; ++i) {
        if (FRunChanges != Changes()) {
            FRunChanges = Changes();
            FRun.resize(std::size_t(Count()));
            for (Integer e = 0; e < Count(); ++e)
                FRun[std::size_t(e)] = dynamic_cast<TkqStatement*>(Items(e));
        }
        if (i >= FRun.size()) return;
        if (OwnerScript->TerminatePending) return;
        if (FRun[i] == nullptr) ListIndexError(Integer(i));
        FRun[i]->Execute();
        if (OwnerScript->BreakPending || OwnerScript->ContinuePending || OwnerScript->ExitPending) return;
    }
}

TkqStatement* TkqStatement::Statement(Integer index) const {
    auto* statement = dynamic_cast<TkqStatement*>(Items(index));
    if (statement == nullptr) ListIndexError(index);
    return statement;
}

void TkqStatement::NotifyRunLine() { OwnerScript->RunLine(StmtUnit, StmtPos); }

// ---- Statement classes ---------------------------------------------------------------------------

namespace {

bool LoopEnds(TkqScript* script) { return script->BreakPending || script->ExitPending; }

bool IsTrue(TkqCustomExpression* condition) {
    // A missing condition (an empty test of a three-part for) holds.
    return condition == nullptr || condition->GetValue().AsBoolean();
}

} // namespace

TkqAssignmentStmt::TkqAssignmentStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqAssignmentStmt::~TkqAssignmentStmt() = default;

void TkqAssignmentStmt::ResolveShortcuts() {
    TargetSymbol = Target.get();
    if (dynamic_cast<TkqVariableDesignator*>(Target.get()) != nullptr && Target->LinkedSymbol != nullptr)
        TargetSymbol = Target->LinkedSymbol;
    SourceSymbol = Source.get();
    if (Source != nullptr)
        if (TkqCustomVariable* lone = LoneOperand(Source.get())) SourceSymbol = lone;
}

Variant TkqAssignmentStmt::Compute(TkqCustomVariable*, TkqCustomVariable* source) {
    return source->GetValue();
}

void TkqAssignmentStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    if (TargetSymbol == nullptr || SourceSymbol == nullptr) ResolveShortcuts();
    TargetSymbol->TakeValue(Compute(TargetSymbol, SourceSymbol));
}

namespace {

// A symbol that holds its value in Value (a string variable in StrValue) and reads it without
// side effects.
bool IsPlainValue(TkqCustomVariable* symbol, bool constantsToo) {
    const TClass cls = symbol->ClassType();
    return cls == TkqVariable::StaticClass() || cls == TkqParamItem::StaticClass() ||
           cls == TkqStringVariable::StaticClass() || (constantsToo && cls == TkqOperandNode::StaticClass());
}

// Variant addition of two whole numbers (Integer or Int64) into the target: an Int64 beside an
// Int64, else an Integer while the sum fits. False, leaving the target alone, for other values
// and for a sum beyond the Int64 range (the Variant rules give a Double).
bool AddWholeInPlace(Variant& target, const Variant& source) {
    const TVarType left = target.VType();
    const TVarType right = source.VType();
    Int64 sum = 0;
    if ((left != varInteger && left != varInt64) || (right != varInteger && right != varInt64) ||
        __builtin_add_overflow(target.AsInt64(), source.AsInt64(), &sum))
        return false;
    if (left == varInt64 || right == varInt64 || sum != Int64(Integer(sum)))
        target = Variant(sum);
    else
        target = Variant(Integer(sum));
    return true;
}

// The text a plain symbol holds; nullptr when it holds no String.
const String* PlainText(TkqCustomVariable* symbol) {
    if (auto* text = dynamic_cast<TkqStringVariable*>(symbol)) return &text->StrValue;
    return symbol->Value.StrPtr();
}

} // namespace

void TkqAssignPlusStmt::ResolveShortcuts() {
    TkqAssignmentStmt::ResolveShortcuts();
    FInPlace = TargetSymbol != nullptr && SourceSymbol != nullptr && IsPlainValue(TargetSymbol, false) &&
               IsPlainValue(SourceSymbol, true);
    FStringTarget = FInPlace ? dynamic_cast<TkqStringVariable*>(TargetSymbol) : nullptr;
}

void TkqAssignPlusStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    if (TargetSymbol == nullptr || SourceSymbol == nullptr) ResolveShortcuts();
    // A string variable stores any value, also when read-only.
    if (FStringTarget != nullptr) {
        if (const String* tail = PlainText(SourceSymbol)) {
            FStringTarget->StrValue.append(*tail);
            return;
        }
    } else if (FInPlace && !TargetSymbol->IsReadOnly) {
        Variant& target = TargetSymbol->Value;
        if (String* text = target.StrPtr()) {
            if (const String* tail = PlainText(SourceSymbol)) {
                text->append(*tail);
                return;
            }
        } else if (AddWholeInPlace(target, SourceSymbol->Value)) {
            return;
        }
    }
    TargetSymbol->TakeValue(Compute(TargetSymbol, SourceSymbol));
}

Variant TkqAssignPlusStmt::Compute(TkqCustomVariable* target, TkqCustomVariable* source) {
    const Variant left = target->GetValue();
    return left + source->GetValue();
}

Variant TkqAssignMinusStmt::Compute(TkqCustomVariable* target, TkqCustomVariable* source) {
    const Variant left = target->GetValue();
    return left - source->GetValue();
}

Variant TkqAssignMulStmt::Compute(TkqCustomVariable* target, TkqCustomVariable* source) {
    const Variant left = target->GetValue();
    return left * source->GetValue();
}

Variant TkqAssignDivStmt::Compute(TkqCustomVariable* target, TkqCustomVariable* source) {
    const Variant left = target->GetValue();
    return left / source->GetValue();
}

TkqCallStmt::TkqCallStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqCallStmt::~TkqCallStmt() = default;

void TkqCallStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    if (Modifier.empty()) {
        Target->WantsResult = false;
        Target->GetValue();
        return;
    }
    // A plain variable holding a whole number steps in place.
    if (TkqCustomVariable* variable = Target->LinkedSymbol;
        variable != nullptr && !variable->IsReadOnly && Target->ClassType() == TkqVariableDesignator::StaticClass() &&
        IsPlainValue(variable, false) && AddWholeInPlace(variable->Value, Variant(Modifier == "-" ? -1 : 1)))
        return;
    const Variant value = Target->GetValue();
    Target->SetValue(Modifier == "-" ? value - Variant(1) : value + Variant(1));
}

TkqIfStmt::TkqIfStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit),
      ElseBranch(std::make_unique<TkqStatement>(script, stmtPos, stmtUnit)) {}

TkqIfStmt::~TkqIfStmt() = default;

void TkqIfStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    if (IsTrue(Condition.get()))
        TkqStatement::Execute();
    else
        ElseBranch->Execute();
}

TkqCaseSelector::TkqCaseSelector(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqCaseSelector::~TkqCaseSelector() = default;

TkqCaseStmt::TkqCaseStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit),
      ElseBranch(std::make_unique<TkqStatement>(script, stmtPos, stmtUnit)) {}

TkqCaseStmt::~TkqCaseStmt() = default;

void TkqCaseStmt::Execute() {
    const Variant value = Selector->GetValue();
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    for (Integer i = 0; i < Count(); ++i) {
        auto* selector = dynamic_cast<TkqCaseSelector*>(Items(i));
        if (selector != nullptr && selector->Values != nullptr && selector->Values->Contains(value)) {
            selector->Execute();
            // A break in a branch leaves the case statement; a loop inside clears its own.
            OwnerScript->BreakPending = false;
            return;
        }
    }
    ElseBranch->Execute();
    OwnerScript->BreakPending = false;
}

TkqRepeatStmt::TkqRepeatStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqRepeatStmt::~TkqRepeatStmt() = default;

void TkqRepeatStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    for (;;) {
        TkqStatement::Execute();
        if (LoopEnds(OwnerScript)) break;
        OwnerScript->ContinuePending = false;
        if (IsTrue(Condition.get()) != InvertCondition) break;
    }
    OwnerScript->BreakPending = false;
}

TkqWhileStmt::TkqWhileStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqWhileStmt::~TkqWhileStmt() = default;

void TkqWhileStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    while (IsTrue(Condition.get())) {
        TkqStatement::Execute();
        if (LoopEnds(OwnerScript)) break;
        OwnerScript->ContinuePending = false;
    }
    OwnerScript->BreakPending = false;
}

TkqForStmt::TkqForStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqForStmt::~TkqForStmt() = default;

void TkqForStmt::Execute() {
    const Int64 first = StartValue->GetValue().AsInteger();
    const Int64 last = EndValue->GetValue().AsInteger();
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    // The number of turns is fixed here; the body cannot change it.
    const Int64 turns = Downward ? first - last + 1 : last - first + 1;
    const Int64 step = Downward ? -1 : 1;
    Int64 counter = first;
    for (Int64 turn = 0; turn < turns; ++turn, counter += step) {
        LoopVariable->Value = Variant(Integer(counter));
        TkqStatement::Execute();
        if (LoopEnds(OwnerScript)) break;
        OwnerScript->ContinuePending = false;
    }
    OwnerScript->BreakPending = false;
}

TkqVbForStmt::TkqVbForStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqVbForStmt::~TkqVbForStmt() = default;

void TkqVbForStmt::Execute() {
    Variant current = StartValue->GetValue();
    const Variant last = EndValue->GetValue();
    const Variant step = StepValue != nullptr ? StepValue->GetValue() : Variant(1);
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    const bool downward = step < Variant(0);
    while (downward ? current >= last : current <= last) {
        LoopVariable->Value = current;
        TkqStatement::Execute();
        if (LoopEnds(OwnerScript)) break;
        OwnerScript->ContinuePending = false;
        current = current + step;
    }
    OwnerScript->BreakPending = false;
}

TkqCppForStmt::TkqCppForStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit),
      InitPart(std::make_unique<TkqStatement>(script, stmtPos, stmtUnit)),
      StepPart(std::make_unique<TkqStatement>(script, stmtPos, stmtUnit)) {}

TkqCppForStmt::~TkqCppForStmt() = default;

void TkqCppForStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    InitPart->Execute();
    if (OwnerScript->TerminatePending) return;
    while (IsTrue(Condition.get())) {
        TkqStatement::Execute();
        if (LoopEnds(OwnerScript)) break;
        OwnerScript->ContinuePending = false;
        StepPart->Execute();
    }
    OwnerScript->BreakPending = false;
}

TkqTryStmt::TkqTryStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit),
      HandlerPart(std::make_unique<TkqStatement>(script, stmtPos, stmtUnit)) {}

TkqTryStmt::~TkqTryStmt() = default;

void TkqTryStmt::Execute() {
    NotifyRunLine();
    if (OwnerScript->TerminatePending) return;
    if (IsExcept) {
        try {
            TkqStatement::Execute();
        } catch (...) {
            HandlerPart->Execute();
        }
        return;
    }
    // The finally part runs whole: the pending exit, break or continue of the protected part
    // is held back while it runs and comes back afterwards, together with any the finally
    // part sets itself.
    auto runFinally = [this] {
        TkqScript* script = OwnerScript;
        const bool exitPending = script->ExitPending;
        const bool breakPending = script->BreakPending;
        const bool continuePending = script->ContinuePending;
        script->ExitPending = false;
        script->BreakPending = false;
        script->ContinuePending = false;
        HandlerPart->Execute();
        script->ExitPending = script->ExitPending || exitPending;
        script->BreakPending = script->BreakPending || breakPending;
        script->ContinuePending = script->ContinuePending || continuePending;
    };
    try {
        TkqStatement::Execute();
    } catch (...) {
        runFinally();
        throw;
    }
    runFinally();
}

void TkqBreakStmt::Execute() { OwnerScript->BreakPending = true; }

void TkqContinueStmt::Execute() { OwnerScript->ContinuePending = true; }

void TkqExitStmt::Execute() { OwnerScript->ExitPending = true; }

TkqWithStmt::TkqWithStmt(TkqScript* script, const String& stmtPos, const String& stmtUnit)
    : TkqStatement(script, stmtPos, stmtUnit) {}

TkqWithStmt::~TkqWithStmt() = default;

void TkqWithStmt::Execute() {
    TkqStatement::Execute();
    const Variant value = Target->GetValue();
    if (WithVariable != nullptr) WithVariable->SetValue(value);
}

// ---- Binding modules ----------------------------------------------------------------------------

namespace {

// Where a host's module goes in the list: behind the engine's modules for the language, the
// class library, graphics and forms.
std::size_t HostModulesAt = 0;

} // namespace

std::vector<TkqRTTIModuleClass>& GetRTTIModuleClasses() {
    static auto* classes = new std::vector<TkqRTTIModuleClass>();
    // The engine starts with its first use of the list: its binding units list their modules
    // (each of them re-enters here and finds the start under way).
    static bool started = false;
    if (!started) {
        started = true;
        RegisterSysRTTI();
        RegisterClassesRTTI();
        RegisterGraphicsRTTI();
        RegisterFormsRTTI();
        HostModulesAt = classes->size();
        RegisterDialogsRTTI();
    }
    return *classes;
}

void ListRTTIModuleClass(bool& listed, TkqRTTIModuleClass moduleClass) {
    std::vector<TkqRTTIModuleClass>& classes = GetRTTIModuleClasses();
    if (listed) return;
    listed = true;
    classes.push_back(moduleClass);
}

void AddRTTIModuleClass(TkqRTTIModuleClass moduleClass) {
    std::vector<TkqRTTIModuleClass>& classes = GetRTTIModuleClasses();
    const std::size_t at = std::min(HostModulesAt, classes.size());
    classes.insert(classes.begin() + std::ptrdiff_t(at), moduleClass);
    ++HostModulesAt;
}

TObject* BindingRegistrant() {
    static TObject* const marker = new TObject();
    return marker;
}

// ---- TkqScript ----------------------------------------------------------------------------------

KOV_PUBLISHED(TkqScript) {
    RegisterTypeName<TkqGetUnitEvent>("TkqGetUnitEvent");
    RegisterTypeName<TkqRunLineEvent>("TkqRunLineEvent");
    Property("Lines", &TkqScript::GetLines, &TkqScript::SetLines);
    Property("SyntaxType", &TkqScript::GetSyntaxType, &TkqScript::SetSyntaxType);
    Property("OnGetUnit", &TkqScript::OnGetUnit);
    Property("OnGetILUnit", &TkqScript::OnGetILUnit);
    Property("OnRunLine", &TkqScript::OnRunLine);
}

TkqScript::TkqScript(TComponent* owner)
    : TComponent(owner), Symbols(std::make_unique<TStringList>()),
      RootStatement(std::make_unique<TkqStatement>(this, "", "")),
      StatementLines(std::make_unique<TStringList>()), FLines(std::make_unique<TStringList>()),
      FSyntaxType("PascalScript") {
    Symbols->SetSorted(true);
    Symbols->SetDuplicates(dupAccept);
}

TkqScript::~TkqScript() {
    Clear();
    RemoveRTTI();
    // Whatever the binding modules left behind goes with the table.
    while (Symbols->GetCount() > 0)
        FreeEntry(Symbols->GetCount() - 1);
}

void TkqScript::Add(const String& name, TObject* object) {
    if (auto* symbol = dynamic_cast<TkqCustomVariable*>(object)) symbol->Registrant = CurrentRegistrant;
    Symbols->AddObject(name, object);
}

Integer TkqScript::Count() const { return Symbols->GetCount(); }

TObject* TkqScript::Items(Integer index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
    return Symbols->GetObjects(index);
}

void TkqScript::Remove(TObject* object) {
    const Integer index = Symbols->IndexOfObject(object);
    if (index >= 0) Symbols->Delete(index);
}

TkqCustomVariable* TkqScript::FindLocal(const String& name) const {
    Integer index = 0;
    if (!Symbols->Find(name, index)) return nullptr;
    return dynamic_cast<TkqCustomVariable*>(Symbols->GetObjects(index));
}

TkqCustomVariable* TkqScript::Find(const String& name) const {
    for (const TkqScript* script = this; script != nullptr; script = script->ParentScript)
        if (TkqCustomVariable* symbol = script->FindLocal(name)) return symbol;
    return nullptr;
}

TkqClassVariable* TkqScript::FindClass(const String& name) const {
    return dynamic_cast<TkqClassVariable*>(Find(name));
}

void TkqScript::FreeEntry(Integer index) {
    TObject* object = Symbols->GetObjects(index);
    Symbols->Delete(index);
    delete object;
}

void TkqScript::Clear() {
    for (Integer i = 0; i < Symbols->GetCount();) {
        TObject* object = Symbols->GetObjects(i);
        auto* symbol = dynamic_cast<TkqCustomVariable*>(object);
        const bool keep = dynamic_cast<TkqRTTIModule*>(object) != nullptr ||
                          (symbol != nullptr && symbol->Registrant == BindingRegistrant());
        if (keep)
            ++i;
        else
            FreeEntry(i);
    }
    RootStatement->Clear();
    StatementLines->Clear();
    LastErrorPos.clear();
    LastErrorText.clear();
    LastErrorUnit.clear();
}

void TkqScript::ClearItems(TObject* owner) {
    RemoveItems(owner);
    RootStatement->Clear();
    StatementLines->Clear();
}

void TkqScript::RemoveItems(TObject* owner) {
    for (Integer i = Symbols->GetCount() - 1; i >= 0; --i) {
        // Freeing a symbol never removes other entries of this table, but stay in range anyway.
        if (i >= Symbols->GetCount()) continue;
        auto* symbol = dynamic_cast<TkqCustomVariable*>(Symbols->GetObjects(i));
        if (symbol != nullptr && symbol->Registrant == owner) FreeEntry(i);
    }
}

void TkqScript::AddType(const String& name, TkqValueKind kind) {
    if (!NameKnown(name)) Add(name, new TkqTypeVariable(name, name, kind));
}

TkqClassVariable* TkqScript::AddClass(TClass classRef, const String& ancestorName) {
    if (classRef == nullptr || NameKnown(classRef->ClassName())) return nullptr;
    auto* description = new TkqClassVariable(classRef, ancestorName);
    description->OwnerScript = this;
    Add(classRef->ClassName(), description);
    if (TkqClassVariable* ancestor = FindClass(ancestorName))
        description->DefaultProperty = ancestor->DefaultProperty;
    return description;
}

void TkqScript::AddConst(const String& name, const String& typeName, const Variant& value) {
    if (NameKnown(name)) return;
    auto* constant = new TkqVariable(name, typeName, KindOfTypeName(typeName, this));
    constant->SetValue(value);
    constant->IsReadOnly = true;
    Add(name, constant);
}

void TkqScript::AddVariable(const String& name, const String& typeName, const Variant& value) {
    if (NameKnown(name)) return;
    auto* variable = new TkqVariable(name, typeName, KindOfTypeName(typeName, this));
    variable->SetValue(value);
    Add(name, variable);
}

void TkqScript::AddObject(const String& name, TObject* object) {
    AddVariable(name, object != nullptr ? object->ClassName() : String(), ObjectToVariant(object));
}

void TkqScript::AddEnumValues(const String& typeName, const String& names, bool asSet) {
    Add(typeName, new TkqVariable(typeName, typeName, vkEnum));
    TStringList list;
    list.SetCommaText(names);
    for (Integer i = 0; i < list.GetCount(); ++i) {
        const String name = Trim(list.GetStrings(i));
        auto* element = new TkqVariable(name, typeName, vkEnum);
        // A set has one bit per element; past the width of an integer no bit is left.
        element->SetValue(asSet ? (i < 63 ? OrdinalVariant(Int64(1) << i) : Variant(Int64(0))) : Variant(i));
        element->IsReadOnly = true;
        Add(name, element);
    }
}

void TkqScript::AddEnum(const String& typeName, const String& names) {
    AddEnumValues(typeName, names, false);
}

void TkqScript::AddEnumSet(const String& typeName, const String& names) {
    AddEnumValues(typeName, names, true);
}

TkqMethodHelper* TkqScript::AddMethod(const String& signature, const TkqModuleCallback& callBack,
                                      const String& category, const String& description) {
    auto* helper = new TkqMethodHelper(signature, this);
    helper->ModuleCallback = callBack;
    helper->Category = category;
    helper->Description = description.empty() ? helper->Name : description;
    Add(helper->Name, helper);
    return helper;
}

TkqMethodHelper* TkqScript::AddMethodArrayArgs(const String& signature, const TkqArrayCallback& callBack,
                                               const String& category, const String& description) {
    auto* helper = new TkqMethodHelper(signature, this);
    helper->ArrayCallback = callBack;
    helper->Category = category;
    helper->Description = description.empty() ? helper->Name : description;
    Add(helper->Name, helper);
    return helper;
}

void TkqScript::AddRTTI() {
    if (BindingsAdded) return;
    CurrentRegistrant = BindingRegistrant();
    TFinally reset([this] { CurrentRegistrant = nullptr; });
    for (TkqRTTIModuleClass moduleClass : GetRTTIModuleClasses())
        Add("", moduleClass(this));
    BindingsAdded = true;
}

void TkqScript::RemoveRTTI() {
    if (!BindingsAdded) return;
    for (Integer i = Symbols->GetCount() - 1; i >= 0; --i) {
        if (i >= Symbols->GetCount()) continue;
        TObject* object = Symbols->GetObjects(i);
        auto* symbol = dynamic_cast<TkqCustomVariable*>(object);
        if (dynamic_cast<TkqRTTIModule*>(object) != nullptr ||
            (symbol != nullptr && symbol->Registrant == BindingRegistrant()))
            FreeEntry(i);
    }
    BindingsAdded = false;
}

void TkqScript::Execute() {
    // A stray break or continue of an earlier run must not stop this one.
    auto resetFlags = [this] {
        ExitPending = false;
        TerminatePending = false;
        BreakPending = false;
        ContinuePending = false;
    };
    resetFlags();
    Running = true;
    ScopeAnchor = true;
    TFinally reset([this, resetFlags] {
        resetFlags();
        Running = false;
    });
    RootStatement->Execute();
}

void TkqScript::Terminate() { StopTree(); }

void TkqScript::StopTree() {
    ExitPending = true;
    TerminatePending = true;
    for (Integer i = 0; i < Symbols->GetCount(); ++i)
        if (auto* proc = dynamic_cast<TkqProcVariable*>(Symbols->GetObjects(i)))
            proc->LocalScript->StopTree();
}

Variant TkqScript::CallProc(const String& name, const Variant& params, Variant* writeBack) {
    auto* proc = dynamic_cast<TkqProcVariable*>(FindLocal(name));
    if (proc == nullptr) return Null();
    const bool isArray = VarIsArray(params);
    const Integer high = isArray ? VarArrayHighBound(params, 1) : -1;
    // Entering a running procedure keeps the running call's parameters and locals.
    std::vector<Variant> saved;
    const bool reentered = proc->IsRunning;
    if (reentered) saved = proc->SaveLocals();
    TFinally restore([&] {
        if (reentered) proc->RestoreLocals(saved);
    });
    for (Integer i = 0; i <= high; ++i)
        proc->Param(i)->SetValue(VarArrayGet(params, {i}));
    Variant result = proc->GetValue();
    if (writeBack != nullptr)
        for (Integer i = 0; i <= high; ++i)
            VarArrayPut(*writeBack, proc->Param(i)->GetValue(), {i});
    return result;
}

Variant TkqScript::CallFunction(const String& name, const Variant& params) {
    return CallProc(name, params, nullptr);
}

Variant TkqScript::CallFunctionVar(const String& name, Variant& params) {
    const Variant arguments = params;
    return CallProc(name, arguments, &params);
}

void TkqScript::SetLines(TStrings* value) {
    if (value != FLines.get()) FLines->Assign(value);
}

void TkqScript::RunLine(const String& unitName, const String& sourcePos) {
    for (TkqScript* script = this; script != nullptr; script = script->ParentScript) {
        if (script->OnRunLine.Assigned()) {
            script->OnRunLine(this, unitName, sourcePos);
            return;
        }
    }
}

void TkqScript::AddStatementLine(const String& unitName, const String& sourcePos) {
    const String line = sourcePos.substr(0, sourcePos.find(':'));
    for (Integer i = 0; i < StatementLines->GetCount(); ++i) {
        const String entry = StatementLines->GetStrings(i);
        const std::size_t separator = entry.find('=');
        if (separator == String::npos || !AnsiSameText(entry.substr(0, separator), unitName)) continue;
        const String value = entry.substr(separator + 1);
        if (("," + value).find("," + line + ",") == String::npos)
            StatementLines->SetStrings(i, entry + line + ",");
        return;
    }
    StatementLines->Add(unitName + "=" + line + ",");
}
