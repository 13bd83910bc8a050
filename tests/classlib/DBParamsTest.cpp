// Query parameters: typed values by name, lists of names, comparison and copying.
#include <gtest/gtest.h>

#include <functional>

#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Strings.h"

namespace {

TEST(DBParamsTest, TypedValuesByName) {
    TParams params;
    params.CreateParam(ftInteger, "Band", ptInput);
    params.CreateParam(ftUnknown, "Code", ptInput);
    TParam* when = params.CreateParam(ftUnknown, "When", ptInput);
    EXPECT_EQ(params.GetCount(), 3);
    EXPECT_TRUE(params.ParamByName("band")->GetIsNull());
    EXPECT_EQ(params.ParamByName("Band")->GetAsInteger(), 0);
    EXPECT_EQ(params.ParamByName("Band")->GetAsString(), "");

    params.ParamByName("Band")->SetValue(7);
    params.ParamByName("Code")->SetValue("U571"); // the first value gives an unknown type
    EXPECT_EQ(params.ParamByName("Code")->GetDataType(), ftString);
    EXPECT_TRUE(params.ParamByName("Code")->GetBound());
    when->SetAsDate(EncodeDate(2024, 3, 14));
    EXPECT_EQ(when->GetDataType(), ftDate);
    EXPECT_EQ(when->GetAsDateTime(), EncodeDate(2024, 3, 14));

    struct TCase {
        const char* Name;
        std::function<void(TParam*)> Set;
        TFieldType Type;
        String Text;
    };
    const std::vector<TCase> cases = {
        {"AsString", [](TParam* p) { p->SetAsString("abc"); }, ftString, "abc"},
        {"AsInteger", [](TParam* p) { p->SetAsInteger(-5); }, ftInteger, "-5"},
        {"AsSmallInt", [](TParam* p) { p->SetAsSmallInt(12); }, ftSmallint, "12"},
        {"AsLargeInt", [](TParam* p) { p->SetAsLargeInt(5000000000LL); }, ftLargeint, "5000000000"},
        {"AsFloat", [](TParam* p) { p->SetAsFloat(2.5); }, ftFloat, "2.5"},
        {"AsCurrency", [](TParam* p) { p->SetAsCurrency(Currency(3)); }, ftCurrency, "3"},
        {"AsBCD", [](TParam* p) { p->SetAsBCD(Currency(1.25)); }, ftBCD, "1.25"},
        {"AsBoolean", [](TParam* p) { p->SetAsBoolean(true); }, ftBoolean, "True"},
        {"AsMemo", [](TParam* p) { p->SetAsMemo("long text"); }, ftMemo, "long text"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TParam* param = params.CreateParam(ftUnknown, c.Name, ptInput);
        c.Set(param);
        EXPECT_EQ(param->GetDataType(), c.Type);
        EXPECT_EQ(param->GetAsString(), c.Text);
        EXPECT_FALSE(param->GetIsNull());
        param->Clear();
        EXPECT_TRUE(param->GetIsNull());
        EXPECT_TRUE(VarIsNull(param->GetValue()));
    }

    try {
        params.ParamByName("Missing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Parameter 'Missing' not found");
    }
    EXPECT_EQ(params.FindParam("Missing"), nullptr);
}

TEST(DBParamsTest, ValuesOfSeveralNamesAndCopies) {
    TParams params;
    params.CreateParam(ftInteger, "Band", ptInput);
    params.CreateParam(ftString, "Code", ptInput);
    params.SetParamValues("Band;Code", VarArrayOf({3, "V571"}));
    const Variant values = params.GetParamValues("Band;Code");
    ASSERT_TRUE(VarIsArray(values));
    EXPECT_EQ(VarArrayGet(values, {0}).AsInteger(), 3);
    EXPECT_EQ(VarToStr(VarArrayGet(values, {1})), "V571");
    EXPECT_EQ(params.GetParamValues("Code").AsString(), "V571");

    TList list;
    params.GetParamList(&list, "Code;Band");
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(static_cast<TParam*>(list.Get(0))->GetName(), "Code");

    TParams copy;
    copy.Assign(&params);
    EXPECT_TRUE(copy.IsEqual(&params));
    copy.ParamByName("Band")->SetAsInteger(4);
    EXPECT_FALSE(copy.IsEqual(&params));
    params.AssignValues(&copy);
    EXPECT_EQ(params.ParamByName("Band")->GetAsInteger(), 4);
    EXPECT_TRUE(copy.IsEqual(&params));

    // A parameter takes a field's name, type and value.
    TMemDataSet dataSet(nullptr);
    dataSet.GetFieldDefs()->Add("Freq", ftFloat);
    dataSet.CreateDataSet();
    dataSet.AppendRecord({450.125});
    TParam* freq = static_cast<TParam*>(copy.Add());
    freq->AssignField(dataSet.FieldByName("Freq"));
    EXPECT_EQ(freq->GetName(), "Freq");
    EXPECT_EQ(freq->GetDataType(), ftFloat);
    EXPECT_EQ(freq->GetAsFloat(), 450.125);
}

} // namespace
