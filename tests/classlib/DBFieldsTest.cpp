// Fields: values in every form, text, truncation, validation, calculated and lookup fields, blob
// fields and the field classes by type.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "tests/support/TestSupport.h"

namespace {

String ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "(no error)";
}

// One open data set with one record in edit state, holding a column of each common type.
class DBFieldsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet = std::make_unique<TMemDataSet>(nullptr);
        TFieldDefs* defs = dataSet->GetFieldDefs();
        defs->Add("Text", ftString, 5);
        defs->Add("Wide", ftWideString, 3);
        defs->Add("Qty", ftInteger);
        defs->Add("Small", ftSmallint);
        defs->Add("Big", ftLargeint);
        defs->Add("Price", ftFloat);
        defs->Add("Money", ftBCD);
        defs->Add("Flag", ftBoolean);
        defs->Add("Day", ftDate);
        defs->Add("Stamp", ftDateTime);
        defs->Add("Notes", ftMemo);
        dataSet->CreateDataSet();
        dataSet->Append();
    }
    TField* F(const char* name) { return dataSet->FieldByName(name); }

    testsupport::ScopedFormatSettings settings{testsupport::DotSettings()};
    std::unique_ptr<TMemDataSet> dataSet;
};

TEST_F(DBFieldsTest, StringsAreCutAtSizeCharacters) {
    struct TCase {
        const char* Field;
        String Text;
        String Stored;
    };
    const std::vector<TCase> cases = {
        {"Text", "abc", "abc"},        {"Text", "abcde", "abcde"},
        {"Text", "abcdefgh", "abcde"}, {"Text", "信道编号一二", "信道编号一"}, // characters, not bytes
        {"Text", "ab€cdef", "ab€cd"},  {"Wide", "abcd", "abc"},
        {"Wide", "a😀b", "a😀"}, // a surrogate pair counts as two units
        {"Wide", "ab😀", "ab"}, // and is never split
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(String(c.Field) + " <- " + c.Text);
        F(c.Field)->SetAsString(c.Text);
        EXPECT_EQ(F(c.Field)->GetAsString(), c.Stored);
    }
    dataSet->Post();
    EXPECT_EQ(F("Text")->GetAsString(), "ab€cd");
    EXPECT_EQ(F("Wide")->GetAsWideString(), u"ab");
    EXPECT_EQ(VarType(F("Wide")->GetValue()), varOleStr);
    EXPECT_EQ(VarType(F("Text")->GetValue()), varString);
}

struct TTextCase {
    const char* Field;
    String Input;
    String AsString;
    String DisplayText;
    TVarType Type;
};

TEST_F(DBFieldsTest, ValuesSetAsTextAndReadBack) {
    const std::vector<TTextCase> cases = {
        {"Qty", "42", "42", "42", varInteger},
        {"Qty", " -7 ", "-7", "-7", varInteger},
        {"Small", "300", "300", "300", varSmallint},
        {"Big", "9000000000", "9000000000", "9000000000", varInt64},
        {"Price", "2.5", "2.5", "2.5", varDouble},
        {"Money", "12.3456", "12.3456", "12.3456", varCurrency},
        {"Flag", "t", "True", "True", varBoolean},
        {"Flag", "FALSE", "False", "False", varBoolean},
        {"Day", "3/14/2024", "3/14/2024", "3/14/2024", varDate},
        {"Stamp", "3/14/2024 13:05:00", "3/14/2024 1:05:00 PM", "3/14/2024 1:05:00 PM", varDate},
        {"Notes", "line one", "line one", "(MEMO)", varString},
    };
    for (const TTextCase& c : cases) {
        SCOPED_TRACE(String(c.Field) + " <- " + c.Input);
        F(c.Field)->SetAsString(c.Input);
        EXPECT_EQ(F(c.Field)->GetAsString(), c.AsString);
        EXPECT_EQ(F(c.Field)->GetDisplayText(), c.DisplayText);
        EXPECT_EQ(VarType(F(c.Field)->GetValue()), c.Type);
        EXPECT_FALSE(F(c.Field)->GetIsNull());
        F(c.Field)->SetAsString("");
        EXPECT_TRUE(F(c.Field)->GetIsNull());
        EXPECT_TRUE(VarIsNull(F(c.Field)->GetValue()));
        EXPECT_EQ(F(c.Field)->GetDisplayText(), String(c.Field) == "Notes" ? "(Memo)" : "");
    }
}

TEST_F(DBFieldsTest, ConversionsBetweenForms) {
    F("Qty")->SetAsFloat(2.5); // rounds halves to even
    EXPECT_EQ(F("Qty")->GetAsInteger(), 2);
    F("Qty")->SetAsVariant("17");
    EXPECT_EQ(F("Qty")->GetAsFloat(), 17.0);
    F("Price")->SetAsInteger(3);
    EXPECT_EQ(F("Price")->GetAsString(), "3");
    F("Price")->SetAsFloat(2.675);
    EXPECT_EQ(F("Price")->GetAsInteger(), 3);
    EXPECT_EQ(F("Price")->GetAsCurrency(), Currency(2.675));
    F("Money")->SetAsFloat(1.23456);
    EXPECT_EQ(F("Money")->GetAsString(), "1.2346");
    F("Text")->SetAsInteger(123);
    EXPECT_EQ(F("Text")->GetAsInteger(), 123);
    F("Text")->SetAsBoolean(true);
    EXPECT_EQ(F("Text")->GetAsString(), "T");
    EXPECT_TRUE(F("Text")->GetAsBoolean());
    F("Flag")->SetAsVariant(Variant(true));
    EXPECT_TRUE(F("Flag")->GetAsBoolean());
    F("Day")->SetAsDateTime(EncodeDate(2024, 3, 14) + 0.75); // a date column keeps the day
    EXPECT_EQ(F("Day")->GetAsDateTime(), EncodeDate(2024, 3, 14));
    F("Stamp")->SetAsDateTime(EncodeDate(2024, 3, 14) + 0.75);
    EXPECT_EQ(F("Stamp")->GetAsSQLTimeStamp().Hour, 18);
}

TEST_F(DBFieldsTest, BadValuesAreRefusedWithTheirTexts) {
    F("Qty")->SetAsInteger(5);
    TIntegerField* qty = static_cast<TIntegerField*>(F("Qty"));
    qty->SetMinValue(0);
    qty->SetMaxValue(100);
    struct TCase {
        const char* Action;
        std::function<void()> Run;
        String Error;
    };
    const std::vector<TCase> cases = {
        {"integer text", [&] { F("Qty")->SetAsString("abc"); },
         "'abc' is not a valid integer value for field 'Qty'"},
        {"integer range", [&] { F("Qty")->SetAsInteger(150); },
         "150 is not a valid value for field 'Qty'. The allowed range is 0 to 100"},
        {"smallint range", [&] { F("Small")->SetAsInteger(40000); },
         "40000 is not a valid value for field 'Small'. The allowed range is -32768 to 32767"},
        {"float text", [&] { F("Price")->SetAsString("1,5"); },
         "'1,5' is not a valid floating point value for field 'Price'"},
        {"boolean text", [&] { F("Flag")->SetAsString("maybe"); },
         "'maybe' is not a valid boolean value for field 'Flag'"},
        {"boolean as integer", [&] { F("Flag")->GetAsInteger(); },
         "Cannot access field 'Flag' as type Integer"},
        {"integer as boolean", [&] { F("Qty")->SetAsBoolean(true); },
         "Cannot access field 'Qty' as type Boolean"},
        {"date text", [&] { F("Day")->SetAsString("31/31/2024"); }, "'31/31/2024' is not a valid date"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Action);
        EXPECT_EQ(ErrorOf(c.Run), c.Error);
    }
    EXPECT_EQ(F("Qty")->GetAsInteger(), 5);
}

TEST_F(DBFieldsTest, FormatsShapeDisplayAndEditText) {
    auto* price = static_cast<TFloatField*>(F("Price"));
    price->SetAsFloat(1234.5);
    EXPECT_EQ(price->GetDisplayText(), "1234.5");
    price->SetDisplayFormat("#,##0.00");
    EXPECT_EQ(price->GetDisplayText(), "1,234.50");
    EXPECT_EQ(price->GetText(), "1,234.50"); // no EditFormat: the display format
    price->SetEditFormat("0.0");
    EXPECT_EQ(price->GetText(), "1234.5");
    price->SetDisplayFormat("");
    price->SetEditFormat("");
    price->SetCurrency(true);
    EXPECT_EQ(price->GetDisplayText(), "$1,234.50");
    EXPECT_EQ(price->GetText(), "1234.50");

    auto* qty = static_cast<TIntegerField*>(F("Qty"));
    qty->SetAsInteger(7);
    qty->SetDisplayFormat("000");
    EXPECT_EQ(qty->GetDisplayText(), "007");
    EXPECT_EQ(qty->GetAsString(), "7");

    auto* day = static_cast<TDateField*>(F("Day"));
    day->SetAsDateTime(EncodeDate(2024, 3, 14));
    day->SetDisplayFormat("yyyy/mm/dd");
    EXPECT_EQ(day->GetDisplayText(), "2024/03/14");
    EXPECT_EQ(day->GetText(), "3/14/2024");

    auto* flag = static_cast<TBooleanField*>(F("Flag"));
    flag->SetDisplayValues("Yes;No");
    flag->SetAsString("n");
    EXPECT_EQ(flag->GetDisplayText(), "No");
    EXPECT_FALSE(flag->GetAsBoolean());
    EXPECT_EQ(flag->GetDisplayWidth(), 3);
}

TEST_F(DBFieldsTest, TextEventsValidationAndChangeNotice) {
    std::vector<String> log;
    struct THandler {
        std::vector<String>* Log;
        void GetText(TField* sender, String& text, bool displayText) {
            text = (displayText ? "<" : "[") + sender->GetAsString() + (displayText ? ">" : "]");
        }
        void SetText(TField* sender, const String& text) { sender->SetAsString(UpperCase(text)); }
        void Validate(TField* sender) {
            Log->push_back("validate " + sender->GetAsString());
            if (sender->GetAsString() == "BAD") throw EDatabaseError("rejected");
        }
        void Change(TField* sender) { Log->push_back("change " + sender->GetAsString()); }
    } handler{&log};
    TField* text = F("Text");
    text->OnGetText = TFieldGetTextEvent(&handler, &THandler::GetText);
    text->OnSetText = TFieldSetTextEvent(&handler, &THandler::SetText);
    text->OnValidate = TFieldNotifyEvent(&handler, &THandler::Validate);
    text->OnChange = TFieldNotifyEvent(&handler, &THandler::Change);

    text->SetText("ok");
    EXPECT_EQ(text->GetAsString(), "OK");
    EXPECT_EQ(text->GetDisplayText(), "<OK>");
    EXPECT_EQ(text->GetText(), "[OK]");
    EXPECT_EQ(ErrorOf([&] { text->SetText("bad"); }), "rejected");
    EXPECT_EQ(text->GetAsString(), "OK"); // a rejected value is not stored
    EXPECT_EQ(log, (std::vector<String>{"validate OK", "change OK", "validate BAD"}));
}

TEST_F(DBFieldsTest, DescriptionOfFields) {
    TField* qty = F("Qty");
    EXPECT_EQ(qty->GetDisplayName(), "Qty");
    qty->SetDisplayLabel("Quantity");
    EXPECT_EQ(qty->GetDisplayLabel(), "Quantity");
    EXPECT_EQ(ErrorOf([&] { qty->SetAsString("x"); }),
              "'x' is not a valid integer value for field 'Quantity'");
    qty->SetDisplayLabel("Qty"); // the field name again: no label of its own
    EXPECT_FALSE(qty->IsDisplayLabelStored());

    struct TCase {
        const char* Field;
        Integer Width;
        TAlignment Alignment;
        bool Blob;
    };
    const std::vector<TCase> cases = {
        {"Text", 5, taLeftJustify, false},    {"Qty", 11, taRightJustify, false},
        {"Small", 6, taRightJustify, false},  {"Big", 15, taRightJustify, false},
        {"Price", 10, taRightJustify, false}, {"Flag", 5, taLeftJustify, false},
        {"Day", 10, taLeftJustify, false},    {"Stamp", 18, taLeftJustify, false},
        {"Notes", 10, taLeftJustify, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Field);
        EXPECT_EQ(F(c.Field)->GetDisplayWidth(), c.Width);
        EXPECT_EQ(F(c.Field)->GetAlignment(), c.Alignment);
        EXPECT_EQ(F(c.Field)->GetIsBlob(), c.Blob);
        EXPECT_TRUE(F(c.Field)->GetCanModify());
    }
    EXPECT_EQ(dataSet->FieldByNumber(3), qty);
    EXPECT_EQ(qty->GetIndex(), 2);
    qty->SetIndex(0);
    EXPECT_EQ(dataSet->GetFields()->GetFields(0), qty);
    EXPECT_EQ(qty->GetFieldNo(), 3); // the column stays
    EXPECT_TRUE(qty->IsValidChar('7'));
    EXPECT_FALSE(qty->IsValidChar('.'));
    EXPECT_TRUE(F("Price")->IsValidChar('.'));
    EXPECT_TRUE(F("Text")->IsValidChar('.'));
}

TEST_F(DBFieldsTest, MemoFieldsLoadAndSaveStreams) {
    auto* notes = static_cast<TBlobField*>(F("Notes"));
    EXPECT_EQ(notes->GetDisplayText(), "(Memo)");
    TMemoryStream input;
    const String bytes("first\r\nsecond\0third", 19);
    input.WriteBuffer(bytes.data(), Integer(bytes.size()));
    input.SetPosition(0);
    notes->LoadFromStream(&input);
    EXPECT_EQ(notes->GetBlobSize(), 19);
    EXPECT_EQ(notes->GetDisplayText(), "(MEMO)");
    dataSet->Post();
    TStringStream output;
    notes->SaveToStream(&output);
    EXPECT_EQ(output.GetDataString(), bytes);
}

// Calculated fields are worked out for every record read and, with AutoCalcFields, again on
// every change; they cannot be set outside OnCalcFields.
TEST(DBCalcFieldsTest, CalculatedFieldsFollowTheirRecord) {
    TMemDataSet dataSet(nullptr);
    dataSet.SetName("lines");
    dataSet.GetFieldDefs()->Add("Qty", ftInteger);
    dataSet.GetFieldDefs()->Add("Price", ftFloat);
    auto* qty = new TIntegerField(&dataSet);
    qty->SetFieldName("Qty");
    qty->SetDataSet(&dataSet);
    auto* price = new TFloatField(&dataSet);
    price->SetFieldName("Price");
    price->SetDataSet(&dataSet);
    auto* total = new TFloatField(&dataSet);
    total->SetFieldName("Total");
    total->SetFieldKind(fkCalculated);
    total->SetDataSet(&dataSet);
    Integer calls = 0;
    struct THandler {
        Integer* Calls;
        TField* Total;
        void Calc(TDataSet* d) {
            ++*Calls;
            EXPECT_EQ(d->GetState(), dsCalcFields);
            Total->SetAsFloat(d->FieldByName("Qty")->GetAsInteger() * d->FieldByName("Price")->GetAsFloat());
        }
    } handler{&calls, total};
    dataSet.OnCalcFields = TDataSetNotifyEvent(&handler, &THandler::Calc);
    dataSet.CreateDataSet();
    EXPECT_FALSE(dataSet.GetDefaultFields());
    EXPECT_EQ(total->GetFieldNo(), 0);

    dataSet.AppendRecord({2, 1.5});
    dataSet.AppendRecord({3, 10.0});
    dataSet.First();
    EXPECT_EQ(total->GetAsFloat(), 3.0);
    dataSet.Next();
    EXPECT_EQ(total->GetAsFloat(), 30.0);
    EXPECT_GT(calls, 0);

    dataSet.Edit();
    qty->SetAsInteger(4);
    EXPECT_EQ(total->GetAsFloat(), 40.0); // recalculated on the change
    dataSet.SetAutoCalcFields(false);
    qty->SetAsInteger(5);
    EXPECT_EQ(total->GetAsFloat(), 40.0);
    dataSet.Post();
    EXPECT_EQ(total->GetAsFloat(), 50.0); // read again after posting
    EXPECT_FALSE(total->GetCanModify());
    EXPECT_EQ(ErrorOf([&] { total->SetAsFloat(1); }), "lines: Dataset not in edit or insert mode");

    // The calculated column is no column of the records.
    dataSet.Close();
    EXPECT_EQ(dataSet.GetFieldDefs()->GetCount(), 2);
}

TEST(DBCalcFieldsTest, LookupFieldsReadAnotherDataSet) {
    TMemDataSet models(nullptr);
    models.GetFieldDefs()->Add("Code", ftString, 4);
    models.GetFieldDefs()->Add("Name", ftString, 20);
    models.CreateDataSet();
    models.AppendRecord({"U571", "KOV-571(UHF)"});
    models.AppendRecord({"V571", "KOV-571(VHF)"});

    TMemDataSet channels(nullptr);
    channels.SetName("channels");
    channels.GetFieldDefs()->Add("No", ftInteger);
    channels.GetFieldDefs()->Add("Model", ftString, 4);
    for (const char* name : {"No", "Model"}) {
        TField* field = channels.GetFieldDefs()->Find(name)->CreateField(&channels);
        EXPECT_EQ(field->GetDataSet(), &channels);
    }
    auto* modelName = new TStringField(&channels);
    modelName->SetFieldName("ModelName");
    modelName->SetFieldKind(fkLookup);
    modelName->SetDataSet(&channels);
    EXPECT_EQ(ErrorOf([&] { channels.CreateDataSet(); }),
              "channels: Lookup information for field 'ModelName' is incomplete");
    modelName->SetLookupDataSet(&models);
    modelName->SetKeyFields("Model");
    modelName->SetLookupKeyFields("Code");
    modelName->SetLookupResultField("Name");
    channels.CreateDataSet();
    channels.AppendRecord({1, "V571"});
    channels.AppendRecord({2, "U571"});
    channels.AppendRecord({3, "X000"});
    channels.First();
    std::vector<String> names;
    for (; !channels.GetEof(); channels.Next())
        names.push_back(modelName->GetAsString());
    EXPECT_EQ(names, (std::vector<String>{"KOV-571(VHF)", "KOV-571(UHF)", ""}));
    EXPECT_TRUE(modelName->GetLookup());
    EXPECT_FALSE(modelName->GetCanModify());

    channels.Close();
    // The lookup data set going away unhooks the field.
    TMemDataSet* temporary = new TMemDataSet(nullptr);
    modelName->SetLookupDataSet(temporary);
    delete temporary;
    EXPECT_EQ(modelName->GetLookupDataSet(), nullptr);
}

TEST(DBFieldClassesTest, EveryFieldTypeHasItsClass) {
    const std::vector<std::pair<TFieldType, const char*>> cases = {
        {ftUnknown, nullptr},
        {ftString, "TStringField"},
        {ftSmallint, "TSmallintField"},
        {ftInteger, "TIntegerField"},
        {ftWord, "TWordField"},
        {ftBoolean, "TBooleanField"},
        {ftFloat, "TFloatField"},
        {ftCurrency, "TCurrencyField"},
        {ftBCD, "TBCDField"},
        {ftDate, "TDateField"},
        {ftTime, "TTimeField"},
        {ftDateTime, "TDateTimeField"},
        {ftBytes, "TBytesField"},
        {ftVarBytes, "TVarBytesField"},
        {ftAutoInc, "TAutoIncField"},
        {ftBlob, "TBlobField"},
        {ftMemo, "TMemoField"},
        {ftGraphic, "TGraphicField"},
        {ftFmtMemo, "TBlobField"},
        {ftParadoxOle, "TBlobField"},
        {ftDBaseOle, "TBlobField"},
        {ftTypedBinary, "TBlobField"},
        {ftCursor, nullptr},
        {ftFixedChar, "TStringField"},
        {ftWideString, "TWideStringField"},
        {ftLargeint, "TLargeintField"},
        {ftADT, nullptr},
        {ftArray, nullptr},
        {ftReference, nullptr},
        {ftDataSet, nullptr},
        {ftOraBlob, "TBlobField"},
        {ftOraClob, "TMemoField"},
        {ftVariant, "TVariantField"},
        {ftInterface, nullptr},
        {ftIDispatch, nullptr},
        {ftGuid, nullptr},
        {ftTimeStamp, "TSQLTimeStampField"},
        {ftFMTBcd, "TFMTBCDField"},
    };
    ASSERT_EQ(cases.size(), std::size_t(FieldTypeCount));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(FieldTypeNames[i]);
        EXPECT_EQ(Integer(cases[i].first), Integer(i)); // the types keep their numbers
        const TClass cls = DefaultFieldClass(cases[i].first);
        if (cases[i].second == nullptr) {
            EXPECT_EQ(cls, nullptr);
            continue;
        }
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(cls->ClassName(), cases[i].second);
        EXPECT_EQ(GetClass(cases[i].second), cls); // found by name, as stored definitions need
        std::unique_ptr<TObject> field(cls->Create(nullptr));
        const TFieldType type = static_cast<TField*>(field.get())->GetDataType();
        EXPECT_TRUE(type == cases[i].first || cases[i].second == String("TBlobField") ||
                    cases[i].second == String("TMemoField") || cases[i].first == ftFixedChar);
    }
    EXPECT_STREQ(FieldTypeNames[ftFMTBcd], "FMTBcd");
}

TEST(DBFieldClassesTest, BlobFieldsTakeTheTypeOfTheirDefinition) {
    TMemDataSet dataSet(nullptr);
    const TFieldType types[] = {ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftOraClob};
    for (TFieldType type : types) dataSet.GetFieldDefs()->Add(FieldTypeNames[type], type);
    dataSet.CreateDataSet(); // default fields
    for (TFieldType type : types) EXPECT_EQ(dataSet.FieldByName(FieldTypeNames[type])->GetDataType(), type);
}

TEST(DBFieldClassesTest, FieldTypesAndSizesAreChecked) {
    TMemDataSet dataSet(nullptr);
    dataSet.SetName("checked");
    dataSet.GetFieldDefs()->Add("Name", ftString, 0);
    EXPECT_EQ(ErrorOf([&] { dataSet.Open(); }), "Invalid field size");
    EXPECT_EQ(dataSet.GetFieldCount(), 0);
    dataSet.GetFieldDefs()->Clear();
    dataSet.GetFieldDefs()->Add("Name", ftString, 8);
    dataSet.GetFieldDefs()->Add("Cursor", ftCursor);
    EXPECT_EQ(ErrorOf([&] { dataSet.Open(); }), "checked: Field 'Cursor' is of an unknown type");
    dataSet.GetFieldDefs()->Clear();
    dataSet.GetFieldDefs()->Add("Name", ftString, 8);
    auto* wrong = new TIntegerField(&dataSet);
    wrong->SetFieldName("Name");
    wrong->SetDataSet(&dataSet);
    EXPECT_EQ(ErrorOf([&] { dataSet.Open(); }),
              "checked: Type mismatch for field 'Name', expecting: Integer actual: String");
    delete wrong;
    dataSet.Open();
    EXPECT_EQ(dataSet.GetFieldCount(), 1);
}

} // namespace
