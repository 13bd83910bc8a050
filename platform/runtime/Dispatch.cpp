// Late-bound calls through Dispatch variants, the class registry and TDispatchObject.
#include "platform/runtime/Dispatch.h"

#include <iterator>
#include <mutex>
#include <utility>

#include "platform/runtime/Strings.h"

namespace {

struct TClassEntry {
    String ProgId;
    TOleObjectFactory Factory;
};

struct TClassRegistry {
    std::mutex Lock;
    std::vector<TClassEntry> Entries;
};

TClassRegistry& Registry() {
    static TClassRegistry registry;
    return registry;
}

IDispatch* DispatchOf(const Variant& v) {
    IDispatch* dispatch = v.AsDispatch(); // raises for values of other kinds
    if (!dispatch) throw EVariantError("Variant does not reference an automation object");
    return dispatch;
}

[[noreturn]] void RaiseInvokeError(HRESULT code, const TExcepInfo& info) {
    if (code == DISP_E_EXCEPTION) {
        const HRESULT reported = info.SCode != 0 ? info.SCode : code;
        throw EOleException(info.Description.empty() ? OleErrorText(reported) : info.Description, reported,
                            info.Source, info.HelpFile, static_cast<Integer>(info.HelpContext));
    }
    throw EOleSysError(OleErrorText(code), code);
}

// Calls a member by name. `value` is the value of a property put (nullptr otherwise).
Variant CallByName(const Variant& target, const String& name, WORD flags, const std::vector<Variant>& args,
                   const Variant* value) {
    IDispatch* dispatch = DispatchOf(target);
    // The call may drop the last reference the caller's variants hold; keep the object alive.
    const kov_variant_detail::TIntfRef keepAlive(dispatch);

    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = dispatch->GetIDsOfNames(&name, 1, 0, &id);
    if (found < 0) throw EOleSysError("Method '" + name + "' not supported by automation object", found);

    std::vector<Variant> params;
    params.reserve(args.size() + 1);
    if (value) params.push_back(*value);
    params.insert(params.end(), args.rbegin(), args.rend());
    static constexpr DISPID putId = DISPID_PROPERTYPUT;
    TDispParams dispParams;
    dispParams.Args = params.data();
    dispParams.ArgCount = static_cast<UINT>(params.size());
    if (value) {
        dispParams.NamedArgs = &putId;
        dispParams.NamedArgCount = 1;
    }
    Variant result;
    TExcepInfo info;
    UINT argErr = 0;
    const HRESULT code =
        dispatch->Invoke(id, 0, flags, dispParams, value ? nullptr : &result, &info, &argErr);
    if (code < 0) RaiseInvokeError(code, info);
    return result;
}

} // namespace

String OleErrorText(HRESULT code) {
    switch (code) {
    case E_NOTIMPL:
        return "Not implemented";
    case E_NOINTERFACE:
        return "No such interface supported";
    case E_POINTER:
        return "Invalid pointer";
    case E_FAIL:
        return "Unspecified error";
    case E_UNEXPECTED:
        return "Catastrophic failure";
    case E_OUTOFMEMORY:
        return "Out of memory";
    case E_INVALIDARG:
        return "The parameter is incorrect";
    case DISP_E_UNKNOWNINTERFACE:
        return "Unknown interface";
    case DISP_E_MEMBERNOTFOUND:
        return "Member not found";
    case DISP_E_PARAMNOTFOUND:
        return "Parameter not found";
    case DISP_E_TYPEMISMATCH:
        return "Type mismatch";
    case DISP_E_UNKNOWNNAME:
        return "Unknown name";
    case DISP_E_NONAMEDARGS:
        return "No named arguments";
    case DISP_E_BADVARTYPE:
        return "Bad variable type";
    case DISP_E_EXCEPTION:
        return "Exception occurred";
    case DISP_E_OVERFLOW:
        return "Out of present range";
    case DISP_E_BADINDEX:
        return "Invalid index";
    case DISP_E_BADPARAMCOUNT:
        return "Invalid number of parameters";
    case DISP_E_PARAMNOTOPTIONAL:
        return "Parameter not optional";
    case CO_E_CLASSSTRING:
        return "Invalid class string";
    default:
        return "OLE error " + IntToHex(static_cast<Cardinal>(code), 8);
    }
}

// ---- Late-bound calls on variants ------------------------------------------------------------

Variant Variant::Invoke(const String& name, const std::vector<Variant>& args) const {
    return CallByName(*this, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr);
}

Variant Variant::GetProperty(const String& name, const std::vector<Variant>& index) const {
    return CallByName(*this, name, DISPATCH_PROPERTYGET, index, nullptr);
}

void Variant::SetProperty(const String& name, const Variant& value) const {
    CallByName(*this, name, DISPATCH_PROPERTYPUT, {}, &value);
}

void Variant::SetProperty(const String& name, const std::vector<Variant>& index, const Variant& value) const {
    CallByName(*this, name, DISPATCH_PROPERTYPUT, index, &value);
}

// ---- The class registry ----------------------------------------------------------------------

void RegisterOleClass(const String& progId, TOleObjectFactory factory) {
    TClassRegistry& registry = Registry();
    const std::lock_guard<std::mutex> guard(registry.Lock);
    for (TClassEntry& entry : registry.Entries) {
        if (AnsiSameText(entry.ProgId, progId)) {
            entry.Factory = std::move(factory);
            return;
        }
    }
    registry.Entries.push_back({progId, std::move(factory)});
}

void UnregisterOleClass(const String& progId) {
    TClassRegistry& registry = Registry();
    const std::lock_guard<std::mutex> guard(registry.Lock);
    std::erase_if(registry.Entries,
                  [&](const TClassEntry& entry) { return AnsiSameText(entry.ProgId, progId); });
}

Variant CreateOleObject(const String& className) {
    TOleObjectFactory factory;
    {
        TClassRegistry& registry = Registry();
        const std::lock_guard<std::mutex> guard(registry.Lock);
        for (const TClassEntry& entry : registry.Entries)
            if (AnsiSameText(entry.ProgId, className)) factory = entry.Factory;
    }
    if (!factory) throw EOleSysError(OleErrorText(CO_E_CLASSSTRING), CO_E_CLASSSTRING);
    IDispatch* object = factory();
    if (!object) throw EOleSysError(OleErrorText(E_NOINTERFACE), E_NOINTERFACE);
    return Variant(object);
}

// ---- TDispatchObject -------------------------------------------------------------------------

ULONG TDispatchObject::AddRef() { return ++FRefCount; }

ULONG TDispatchObject::Release() {
    const ULONG count = --FRefCount;
    if (count == 0) delete this;
    return count;
}

HRESULT TDispatchObject::GetIDsOfNames(const String* names, UINT count, LCID locale, DISPID* ids) {
    if (count > 0 && (!names || !ids)) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (std::size_t m = 0; m < FMembers.size(); ++m) {
            if (AnsiSameText(FMembers[m].Name, names[i])) {
                ids[i] = static_cast<DISPID>(m + 1);
                break;
            }
        }
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT TDispatchObject::Invoke(DISPID member, LCID locale, WORD flags, TDispParams& params, Variant* result,
                                TExcepInfo* excepInfo, UINT* argErr) {
    if (member < 1 || static_cast<std::size_t>(member) > FMembers.size()) return DISP_E_MEMBERNOTFOUND;
    if (params.ArgCount > 0 && !params.Args) return E_POINTER;
    const TMember& entry = FMembers[static_cast<std::size_t>(member - 1)];
    auto report = [excepInfo](const String& source, const String& description, HRESULT code) {
        if (excepInfo) {
            *excepInfo = TExcepInfo();
            excepInfo->Source = source;
            excepInfo->Description = description;
            excepInfo->SCode = code;
        }
        return DISP_E_EXCEPTION;
    };
    try {
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (!entry.Setter) return DISP_E_MEMBERNOTFOUND;
            if (params.ArgCount < 1 || params.NamedArgCount != 1 || !params.NamedArgs ||
                params.NamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTFOUND;
            const TArgs index(std::make_reverse_iterator(params.Args + params.ArgCount),
                              std::make_reverse_iterator(params.Args + 1));
            entry.Setter(index, params.Args[0]);
            return S_OK;
        }
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
        if (params.NamedArgCount != 0) return DISP_E_NONAMEDARGS;
        const TArgs args(std::make_reverse_iterator(params.Args + params.ArgCount),
                         std::make_reverse_iterator(params.Args));
        Variant value;
        if (entry.Method)
            value = entry.Method(args);
        else if (entry.Getter)
            value = entry.Getter(args);
        else
            return DISP_E_MEMBERNOTFOUND;
        if (result) *result = std::move(value);
        return S_OK;
    } catch (const EOleSysError& e) {
        return report(e.ClassName(), e.Message, e.ErrorCode);
    } catch (const Exception& e) {
        return report(e.ClassName(), e.Message, E_FAIL);
    } catch (const std::exception& e) {
        return report("", e.what(), E_FAIL);
    }
}

DISPID TDispatchObject::AddMethod(const String& name, TMethod method) {
    FMembers.push_back({name, std::move(method), nullptr, nullptr});
    return static_cast<DISPID>(FMembers.size());
}

DISPID TDispatchObject::AddProperty(const String& name, TGetter getter, TSetter setter) {
    FMembers.push_back({name, nullptr, std::move(getter), std::move(setter)});
    return static_cast<DISPID>(FMembers.size());
}
