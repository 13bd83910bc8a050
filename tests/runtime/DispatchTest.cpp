#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "tests/support/TestSupport.h"

namespace {

// What a recording object saw and whether it still lives; owned by the test, so it outlives
// the object.
struct TRecord {
    std::vector<String> Calls;
    ULONG RefCount = 0;
    bool Destroyed = false;
    std::function<void()> DuringInvoke; // runs inside every Invoke
    HRESULT FailWith = S_OK;            // Invoke answers this code when set
};

// A late-bound object written against the raw interface. Members: Open (1), Count (2),
// Name (3), Item (4). It logs every call with the flags and the arguments in the order they
// arrive.
class TRecordingObject : public IDispatch {
public:
    explicit TRecordingObject(TRecord& record) : FRecord(record) {}

    ULONG AddRef() override { return ++FRecord.RefCount; }
    ULONG Release() override {
        const ULONG count = --FRecord.RefCount;
        if (count == 0) delete this;
        return count;
    }

    HRESULT GetIDsOfNames(const String* names, UINT count, LCID locale, DISPID* ids) override {
        static const char* const members[] = {"Open", "Count", "Name", "Item"};
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            FRecord.Calls.push_back("ids " + names[i]);
            ids[i] = DISPID_UNKNOWN;
            for (int m = 0; m < 4; ++m)
                if (SameText(names[i], members[m])) ids[i] = m + 1;
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

    HRESULT Invoke(DISPID member, LCID locale, WORD flags, TDispParams& params, Variant* result,
                   TExcepInfo* excepInfo, UINT* argErr) override {
        String call = "invoke " + IntToStr(member) + " flags " + IntToStr(flags) + " args";
        for (UINT i = 0; i < params.ArgCount; ++i)
            call += " " + VarToStr(params.Args[i]);
        for (UINT i = 0; i < params.NamedArgCount; ++i)
            call += " named " + IntToStr(params.NamedArgs[i]);
        call += result ? " result" : " no-result";
        FRecord.Calls.push_back(call);
        if (FRecord.DuringInvoke) FRecord.DuringInvoke();
        if (FRecord.FailWith == DISP_E_EXCEPTION) {
            excepInfo->Source = "Recorder";
            excepInfo->Description = "Disk full";
            excepInfo->HelpFile = "rec.hlp";
            excepInfo->SCode = static_cast<HRESULT>(0x80040001u);
            return DISP_E_EXCEPTION;
        }
        if (FRecord.FailWith != S_OK) return FRecord.FailWith;
        if (result) {
            if (member == 2)
                *result = 42;
            else
                *result = "result of " + IntToStr(member);
        }
        return S_OK;
    }

private:
    ~TRecordingObject() override { FRecord.Destroyed = true; }
    TRecord& FRecord;
};

// An object with only the counted face, no late-bound one.
class TPlainObject : public IUnknown {
public:
    explicit TPlainObject(TRecord& record) : FRecord(record) {}
    ULONG AddRef() override { return ++FRecord.RefCount; }
    ULONG Release() override {
        const ULONG count = --FRecord.RefCount;
        if (count == 0) delete this;
        return count;
    }

private:
    ~TPlainObject() override { FRecord.Destroyed = true; }
    TRecord& FRecord;
};

template <class E, class F> String ErrorText(F call) {
    try {
        call();
    } catch (const E& e) {
        return e.Message;
    } catch (const Exception& e) {
        return String("wrong class ") + e.ClassName() + ": " + e.Message;
    }
    return "no error";
}

TEST(DispatchTest, MethodCallPassesTheArgumentsLastFirst) {
    TRecord record;
    const Variant object(new TRecordingObject(record));
    const Variant result = object.Invoke("open", {"file.dat", 3, Null()});
    EXPECT_EQ(VarToStr(result), "result of 1");
    const std::vector<String> expected = {"ids open", "invoke 1 flags 3 args  3 file.dat result"};
    EXPECT_EQ(record.Calls, expected);
}

TEST(DispatchTest, PropertyGetAndPut) {
    TRecord record;
    const Variant object(new TRecordingObject(record));
    EXPECT_EQ(object.GetProperty("Count").AsInteger(), 42);
    object.SetProperty("NAME", "radio");
    // An indexed put passes the value first, then the index arguments last first.
    object.SetProperty("Item", {1, 2}, "v");
    EXPECT_EQ(VarToStr(object.GetProperty("Item", {1, 2})), "result of 4");
    const std::vector<String> expected = {
        "ids Count", "invoke 2 flags 2 args result",
        "ids NAME",  "invoke 3 flags 4 args radio named -3 no-result",
        "ids Item",  "invoke 4 flags 4 args v 2 1 named -3 no-result",
        "ids Item",  "invoke 4 flags 2 args 2 1 result",
    };
    EXPECT_EQ(record.Calls, expected);
}

TEST(DispatchTest, FailuresRaiseOleErrors) {
    TRecord record;
    const Variant object(new TRecordingObject(record));

    try {
        object.Invoke("Close");
        FAIL() << "no error";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message, "Method 'Close' not supported by automation object");
        EXPECT_EQ(e.ErrorCode, DISP_E_UNKNOWNNAME);
    }
    EXPECT_EQ(record.Calls.size(), 1u); // nothing was invoked

    record.FailWith = DISP_E_EXCEPTION;
    try {
        object.Invoke("Open");
        FAIL() << "no error";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.Message, "Disk full");
        EXPECT_EQ(e.Source, "Recorder");
        EXPECT_EQ(e.HelpFile, "rec.hlp");
        EXPECT_EQ(e.ErrorCode, static_cast<HRESULT>(0x80040001u));
    }

    record.FailWith = DISP_E_BADPARAMCOUNT;
    EXPECT_EQ(ErrorText<EOleSysError>([&] { object.SetProperty("Name", 1); }),
              "Invalid number of parameters");
    record.FailWith = static_cast<HRESULT>(0x80041234u);
    EXPECT_EQ(ErrorText<EOleError>([&] { object.GetProperty("Count"); }), "OLE error 80041234");
}

TEST(DispatchTest, CopiesShareOneCountedObject) {
    TRecord record;
    {
        Variant a(new TRecordingObject(record));
        EXPECT_EQ(record.RefCount, 1u);
        {
            Variant b = a;
            EXPECT_EQ(record.RefCount, 2u);
            const Variant c = std::move(b);
            EXPECT_EQ(record.RefCount, 2u);
            Variant array = VarArrayOf({a, c});
            EXPECT_EQ(record.RefCount, 4u);
            const Variant arrayCopy = array;
            EXPECT_EQ(record.RefCount, 6u);
            VarArrayPut(array, 0, {0});
            EXPECT_EQ(record.RefCount, 5u);
            const Variant unknown = VarAsType(a, varUnknown);
            EXPECT_EQ(unknown.VType(), varUnknown);
            EXPECT_EQ(record.RefCount, 6u);
            EXPECT_EQ(VarAsType(unknown, varDispatch).AsDispatch(), a.AsDispatch());
        }
        EXPECT_EQ(record.RefCount, 1u);
        EXPECT_FALSE(record.Destroyed);
        a = Unassigned();
        EXPECT_TRUE(record.Destroyed); // freed when the last variant lets go
    }
    EXPECT_EQ(record.RefCount, 0u);
}

TEST(DispatchTest, ACallKeepsTheObjectAliveWhenItsVariantIsCleared) {
    TRecord record;
    auto holder = std::make_unique<Variant>(new TRecordingObject(record));
    record.DuringInvoke = [&] { *holder = Unassigned(); };
    const Variant result = holder->Invoke("Open");
    EXPECT_EQ(VarToStr(result), "result of 1");
    EXPECT_TRUE(record.Destroyed);
}

TEST(DispatchTest, VariantsWithoutAnObject) {
    EXPECT_EQ(ErrorText<EVariantTypeCastError>([] { Variant(5).Invoke("Open"); }),
              "Invalid variant type conversion");
    EXPECT_EQ(ErrorText<EVariantError>([] { Variant().GetProperty("Count"); }),
              "Variant does not reference an automation object");
    EXPECT_EQ(ErrorText<EVariantError>([] { Variant(static_cast<IDispatch*>(nullptr)).Invoke("Open"); }),
              "Variant does not reference an automation object");

    TRecord record;
    const Variant plain(new TPlainObject(record));
    EXPECT_EQ(plain.VType(), varUnknown);
    EXPECT_EQ(ErrorText<EVariantTypeCastError>([&] { plain.Invoke("Open"); }),
              "Invalid variant type conversion");
    EXPECT_THROW(VarToStr(plain), EVariantTypeCastError);
    EXPECT_FALSE(VarIsClear(plain));
}

TEST(DispatchTest, ConversionsOfObjectsAndErrors) {
    TRecord record;
    const Variant object(new TRecordingObject(record));
    struct Case {
        const char* name;
        Variant source;
        TVarType target;
        bool converts;
    };
    const std::vector<Case> cases = {
        {"Dispatch to Dispatch", object, varDispatch, true},
        {"Dispatch to Unknown", object, varUnknown, true},
        {"Dispatch to Variant", object, varVariant, true},
        {"Dispatch to Empty", object, varEmpty, true},
        {"Dispatch to Integer", object, varInteger, false},
        {"Dispatch to String", object, varString, false},
        {"Dispatch to Boolean", object, varBoolean, false},
        {"Dispatch to Error", object, varError, false},
        {"Empty to Dispatch", Variant(), varDispatch, true},
        {"Empty to Unknown", Variant(), varUnknown, true},
        {"Integer to Dispatch", Variant(1), varDispatch, false},
        {"String to Unknown", Variant("x"), varUnknown, false},
        {"Error to Error", VarAsError(5), varError, true},
        {"Error to Integer", VarAsError(5), varInteger, false},
        {"Error to String", VarAsError(5), varString, false},
        {"Integer to Error", Variant(5), varError, false},
        {"Null to Dispatch", Null(), varDispatch, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.converts) {
            const Variant result = VarAsType(c.source, c.target);
            EXPECT_EQ(result.VType(), c.target == varVariant ? c.source.VType() : c.target);
        } else {
            EXPECT_THROW(VarAsType(c.source, c.target), EVariantTypeCastError);
        }
    }
    EXPECT_TRUE(VarIsClear(VarAsType(Variant(), varDispatch)));
    EXPECT_EQ(VarAsType(VarAsError(5), varError).AsError(), 5);
}

TEST(DispatchTest, ClassRegistry) {
    TRecord first;
    TRecord second;
    RegisterOleClass("Kov.DispatchTest.Recorder", [&] { return new TRecordingObject(first); });
    {
        const Variant object = CreateOleObject("kov.dispatchtest.RECORDER"); // ProgIDs ignore case
        EXPECT_EQ(object.VType(), varDispatch);
        EXPECT_EQ(first.RefCount, 1u);
        EXPECT_EQ(object.GetProperty("Count").AsInteger(), 42);
    }
    EXPECT_TRUE(first.Destroyed);

    RegisterOleClass("KOV.DispatchTest.Recorder", [&] { return new TRecordingObject(second); });
    CreateOleObject("Kov.DispatchTest.Recorder").Invoke("Open");
    EXPECT_TRUE(second.Destroyed);
    EXPECT_EQ(second.Calls.size(), 2u);

    UnregisterOleClass("kov.dispatchtest.recorder");
    try {
        CreateOleObject("Kov.DispatchTest.Recorder");
        FAIL() << "no error";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message, "Invalid class string");
        EXPECT_EQ(e.ErrorCode, CO_E_CLASSSTRING);
    }
    EXPECT_THROW(CreateOleObject("Kov.DispatchTest.Missing"), EOleError);

    RegisterOleClass("Kov.DispatchTest.Null", [] { return static_cast<IDispatch*>(nullptr); });
    EXPECT_EQ(ErrorText<EOleSysError>([] { CreateOleObject("Kov.DispatchTest.Null"); }),
              "No such interface supported");
    UnregisterOleClass("Kov.DispatchTest.Null");
}

// ---- TDispatchObject -------------------------------------------------------------------------

class TCounter : public TDispatchObject {
public:
    explicit TCounter(bool& destroyed) : FDestroyed(destroyed) {
        AddProperty(
            "Value", [this](const TArgs&) { return Variant(FValue); },
            [this](const TArgs&, const Variant& value) { FValue = value.AsInteger(); });
        AddMethod("Add", [this](const TArgs& args) {
            for (const Variant& a : args)
                FValue += a.AsInteger();
            return Variant(FValue);
        });
        AddMethod("Describe", [](const TArgs& args) {
            String text;
            for (const Variant& a : args)
                text += VarToStr(a) + ";";
            return Variant(text);
        });
        AddProperty(
            "Cell", [this](const TArgs& index) { return Variant(FCells[index.at(0).AsInteger()]); },
            [this](const TArgs& index, const Variant& value) {
                FCells[index.at(0).AsInteger()] = value.AsString();
            });
        AddProperty("Limit", [](const TArgs&) { return Variant(100); });
        AddMethod("Fail",
                  [](const TArgs&) -> Variant { throw EConvertError("'x' is not a valid integer value"); });
    }

private:
    ~TCounter() override { FDestroyed = true; }
    bool& FDestroyed;
    Integer FValue = 0;
    String FCells[3];
};

TEST(DispatchTest, DispatchObjectMembers) {
    bool destroyed = false;
    {
        const Variant counter(new TCounter(destroyed));
        counter.SetProperty("value", 10);
        EXPECT_EQ(counter.GetProperty("VALUE").AsInteger(), 10);
        EXPECT_EQ(counter.Invoke("add", {1, "2"}).AsInteger(), 13);
        EXPECT_EQ(VarToStr(counter.Invoke("Describe", {"a", 1, true})), "a;1;True;"); // first argument first
        counter.SetProperty("Cell", {2}, "two");
        EXPECT_EQ(VarToStr(counter.GetProperty("Cell", {2})), "two");
        EXPECT_EQ(counter.Invoke("Limit").AsInteger(), 100); // a property read as a call

        EXPECT_EQ(ErrorText<EOleSysError>([&] { counter.SetProperty("Limit", 5); }), "Member not found");
        EXPECT_EQ(ErrorText<EOleSysError>([&] { counter.Invoke("Missing"); }),
                  "Method 'Missing' not supported by automation object");
        try {
            counter.Invoke("Fail");
            FAIL() << "no error";
        } catch (const EOleException& e) {
            EXPECT_EQ(e.Message, "'x' is not a valid integer value");
            EXPECT_EQ(e.Source, "EConvertError");
            EXPECT_EQ(e.ErrorCode, E_FAIL);
        }
        EXPECT_FALSE(destroyed);
    }
    EXPECT_TRUE(destroyed);
}

TEST(DispatchTest, DispatchObjectThroughTheRawInterface) {
    bool destroyed = false;
    const Variant holder(new TCounter(destroyed));
    IDispatch* dispatch = holder.AsDispatch();
    const String names[] = {"Add", "nope", "CELL"};
    DISPID ids[3] = {};
    EXPECT_EQ(dispatch->GetIDsOfNames(names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(ids[2], 4);

    Variant args[] = {3, 4};
    TDispParams params;
    params.Args = args;
    params.ArgCount = 2;
    Variant result;
    EXPECT_EQ(dispatch->Invoke(ids[0], 0, DISPATCH_METHOD, params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.AsInteger(), 7);
    EXPECT_EQ(dispatch->Invoke(99, 0, DISPATCH_METHOD, params, &result, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    // A put without the property-put argument name is refused.
    EXPECT_EQ(dispatch->Invoke(1, 0, DISPATCH_PROPERTYPUT, params, nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTFOUND);
    // An exception without an information record is still reported as one.
    TDispParams none;
    EXPECT_EQ(dispatch->Invoke(6, 0, DISPATCH_METHOD, none, nullptr, nullptr, nullptr), DISP_E_EXCEPTION);
}

} // namespace
