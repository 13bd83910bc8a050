// Late-bound objects: reference-counted objects whose members are found by name at run time and
// called with Variant arguments, the registry that creates them by programmatic identifier
// (CreateOleObject), and a base class for writing such objects.
//
// Calling convention of Invoke: the arguments come in TDispParams::Args with the LAST argument
// FIRST; a property put passes the value in Args[0] and names it with DISPID_PROPERTYPUT in
// NamedArgs. Failures are HRESULT codes; DISP_E_EXCEPTION fills the TExcepInfo.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Variant.h"
#include "platform/runtime/WinTypes.h"

using HRESULT = std::int32_t;
using DISPID = std::int32_t;
using LCID = DWORD;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);

constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

struct TDispParams {
    Variant* Args = nullptr;           // ArgCount arguments, the last one first
    const DISPID* NamedArgs = nullptr; // the ids of the first NamedArgCount entries of Args
    UINT ArgCount = 0;
    UINT NamedArgCount = 0;
};

struct TExcepInfo {
    WORD Code = 0;
    String Source;
    String Description;
    String HelpFile;
    DWORD HelpContext = 0;
    HRESULT SCode = 0;
};

// A reference-counted object. The last Release frees it.
class IUnknown {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // The object's late-bound face, borrowed (no reference added); nullptr when it has none.
    virtual IDispatch* QueryDispatch() { return nullptr; }

protected:
    virtual ~IUnknown() = default;
};

class IDispatch : public IUnknown {
public:
    // Fills ids[i] with the id of names[i] (names compare case-insensitively); DISP_E_UNKNOWNNAME
    // with DISPID_UNKNOWN for each name that is not a member.
    virtual HRESULT GetIDsOfNames(const String* names, UINT count, LCID locale, DISPID* ids) = 0;
    // Calls a member as a method and/or property get (flags DISPATCH_METHOD, DISPATCH_PROPERTYGET,
    // both may be set) or as a property put. result may be nullptr when no result is wanted,
    // excepInfo and argErr may be nullptr too.
    virtual HRESULT Invoke(DISPID member, LCID locale, WORD flags, TDispParams& params, Variant* result,
                           TExcepInfo* excepInfo, UINT* argErr) = 0;
    IDispatch* QueryDispatch() override { return this; }
};

// A failed late-bound call, with its HRESULT.
class EOleSysError : public EOleError {
public:
    EOleSysError(String message, HRESULT errorCode) : EOleError(std::move(message)), ErrorCode(errorCode) {}
    const char* ClassName() const noexcept override { return "EOleSysError"; }
    HRESULT ErrorCode = 0;
};

// An exception the called object reported (DISP_E_EXCEPTION): Message is its description.
class EOleException : public EOleSysError {
public:
    EOleException(String message, HRESULT errorCode, String source, String helpFile, Integer helpContext)
        : EOleSysError(std::move(message), errorCode), Source(std::move(source)),
          HelpFile(std::move(helpFile)) {
        HelpContext = helpContext;
    }
    const char* ClassName() const noexcept override { return "EOleException"; }
    String Source;
    String HelpFile;
};

// The text of an HRESULT ("Unknown name", "Invalid class string", ...; "OLE error XXXXXXXX"
// for codes without a text of their own).
String OleErrorText(HRESULT code);

// ---- The class registry --------------------------------------------------------------------
// A factory returns a new object whose reference count has not been raised yet (as
// TDispatchObject starts); the variant that receives it holds the first reference.
using TOleObjectFactory = std::function<IDispatch*()>;

// Programmatic identifiers compare case-insensitively; registering one again replaces it.
void RegisterOleClass(const String& progId, TOleObjectFactory factory);
void UnregisterOleClass(const String& progId);
// A Dispatch variant holding a new object of the class. An unknown identifier raises
// EOleSysError "Invalid class string" (CO_E_CLASSSTRING).
Variant CreateOleObject(const String& className);

// ---- A base for late-bound objects ---------------------------------------------------------
// Members are registered by name in the constructor; their ids count from 1 in registration
// order. A method answers DISPATCH_METHOD and DISPATCH_PROPERTYGET; a property answers
// DISPATCH_PROPERTYGET (and DISPATCH_METHOD) through its getter and DISPATCH_PROPERTYPUT through
// its setter; its index arguments, when it has any, come before the value. An exception raised by
// a member becomes DISP_E_EXCEPTION with the exception's text as the description and its class
// name as the source.
class TDispatchObject : public IDispatch {
public:
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetIDsOfNames(const String* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID member, LCID locale, WORD flags, TDispParams& params, Variant* result,
                   TExcepInfo* excepInfo, UINT* argErr) override;
    ULONG RefCount() const { return FRefCount.load(); }

protected:
    TDispatchObject() = default;
    ~TDispatchObject() override = default;

    using TArgs = std::vector<Variant>; // positional, the first argument first
    using TMethod = std::function<Variant(const TArgs& args)>;
    using TGetter = std::function<Variant(const TArgs& index)>;
    using TSetter = std::function<void(const TArgs& index, const Variant& value)>;

    DISPID AddMethod(const String& name, TMethod method);
    // Without a setter the property is read-only (a put gives DISP_E_MEMBERNOTFOUND).
    DISPID AddProperty(const String& name, TGetter getter, TSetter setter = nullptr);

private:
    struct TMember {
        String Name;
        TMethod Method;
        TGetter Getter;
        TSetter Setter;
    };
    std::vector<TMember> FMembers;
    std::atomic<ULONG> FRefCount{0};
};
