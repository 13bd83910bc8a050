// The data-set default-values provider: its answers for each kind of field, without a field or
// with a closed data set, and how it lets go of a freed field.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "suite/data/qzDB.h"
#include "suite/data/qzDBEdit.h"
#include "tests/support/TestSupport.h"

namespace {

void KeepText(TField*, String&, bool) {}

String Flag(bool value) { return value ? "1" : "0"; }

// Every answer of a provider on one line.
String Answers(IqzEditDefaultValuesProvider& p) {
    const char* const alignments[] = {"L", "R", "C"};
    return String("align=") + alignments[int(p.GetDefaultAlignment())] +
           " blob=" + IntToStr(p.GetDefaultBlobEditKind()) + " modify=" + Flag(p.CanModifyValue()) +
           " dfmt=" + p.GetDefaultDisplayFormat() + " efmt=" + p.GetDefaultEditFormat() +
           " mask=" + p.GetDefaultEditMask() + " float=" + Flag(p.IsFloatValueSource()) +
           " maxlen=" + IntToStr(p.GetDefaultMaxLength()) + " max=" + FloatToStr(p.GetDefaultMaxValue()) +
           " min=" + FloatToStr(p.GetDefaultMinValue()) +
           " prec=" + IntToStr(p.GetDefaultDecimalPrecision()) + " ro=" + Flag(p.GetDefaultReadOnly()) +
           " req=" + Flag(p.GetDefaultRequired()) + " blobsrc=" + Flag(p.IsBlobValueSource()) +
           " cur=" + Flag(p.IsCurrencyValueSource()) + " active=" + Flag(p.IsSourceActive()) +
           " bound=" + Flag(p.IsDataBound()) + " srcfmt=" + Flag(p.HasSourceDisplayFormat(false)) + "/" +
           Flag(p.HasSourceDisplayFormat(true)) + " implicit=" + Flag(p.HasImplicitDisplayFormat());
}

// An open data set with persistent fields (they stay when it closes) and a lookup field.
struct TProviderFixture {
    TProviderFixture() {
        Models.GetFieldDefs()->Add("Code", ftString, 4);
        Models.GetFieldDefs()->Add("Name", ftString, 20);
        Models.CreateDataSet();
        TFieldDefs* defs = DataSet.GetFieldDefs();
        defs->Add("Name", ftString, 20);
        defs->Add("Qty", ftInteger);
        defs->Add("Price", ftFloat);
        defs->Add("Day", ftDateTime);
        defs->Add("Model", ftString, 4);
        defs->Add("Notes", ftMemo);
        defs->Add("Picture", ftGraphic);
        defs->Add("Styled", ftFmtMemo);
        defs->Add("Ole", ftParadoxOle);
        for (Integer i = 0; i < defs->GetCount(); ++i)
            defs->GetItems(i)->CreateField(&DataSet);
        auto* lookup = new TStringField(&DataSet);
        lookup->SetFieldName("ModelName");
        lookup->SetFieldKind(fkLookup);
        lookup->SetDataSet(&DataSet);
        lookup->SetLookupDataSet(&Models);
        lookup->SetKeyFields("Model");
        lookup->SetLookupKeyFields("Code");
        lookup->SetLookupResultField("Name");
        DataSet.CreateDataSet();
    }
    TField* F(const char* name) { return DataSet.FieldByName(name); }

    testsupport::ScopedFormatSettings Settings{testsupport::DotSettings()};
    TMemDataSet Models{nullptr};
    TMemDataSet DataSet{nullptr};
    TqzCustomDBEditDefaultValuesProvider Provider{nullptr};
};

} // namespace

TEST(qzDBEditTest, AnswersByFieldType) {
    struct TCase {
        const char* Name;
        const char* Field;
        void (*Setup)(TField*);
        const char* Answers;
    };
    auto plain = [](TField*) {};
    const std::vector<TCase> cases = {
        {"string", "Name", [](TField* f) { f->SetRequired(true); },
         "align=L blob=0 modify=1 dfmt= efmt= mask= float=0 maxlen=20 max=0 min=0 prec=15 ro=0 req=1 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"read-only string with a mask", "Name",
         [](TField* f) {
             f->SetReadOnly(true);
             f->SetEditMask("000;1;_");
             f->SetAlignment(taCenter);
         },
         "align=C blob=0 modify=0 dfmt= efmt= mask=000;1;_ float=0 maxlen=20 max=0 min=0 prec=15 ro=1 req=0 "
         "blobsrc=0 cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"integer", "Qty",
         [](TField* f) {
             static_cast<TIntegerField*>(f)->SetMinValue(1);
             static_cast<TIntegerField*>(f)->SetMaxValue(99);
         },
         "align=R blob=0 modify=1 dfmt= efmt= mask= float=0 maxlen=0 max=99 min=1 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"integer with formats", "Qty",
         [](TField* f) {
             static_cast<TNumericField*>(f)->SetDisplayFormat("#,0");
             static_cast<TNumericField*>(f)->SetEditFormat("0");
         },
         "align=R blob=0 modify=1 dfmt=#,0 efmt=0 mask= float=0 maxlen=0 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 cur=0 active=1 bound=1 srcfmt=1/1 implicit=0"},
        {"float", "Price",
         [](TField* f) {
             auto* price = static_cast<TFloatField*>(f);
             price->SetPrecision(4);
             price->SetMaxValue(1.23456);
             price->SetMinValue(-0.5);
         },
         "align=R blob=0 modify=1 dfmt= efmt= mask= float=1 maxlen=0 max=1.235 min=-0.5 prec=4 ro=0 req=0 "
         "blobsrc=0 cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"float with currency", "Price", [](TField* f) { static_cast<TFloatField*>(f)->SetCurrency(true); },
         "align=R blob=0 modify=1 dfmt= efmt= mask= float=1 maxlen=0 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=1 active=1 bound=1 srcfmt=0/1 implicit=0"},
        {"date-time", "Day", plain,
         "align=L blob=0 modify=1 dfmt= efmt= mask= float=0 maxlen=0 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"date-time with a format", "Day",
         [](TField* f) { static_cast<TDateTimeField*>(f)->SetDisplayFormat("yyyy-mm-dd"); },
         "align=L blob=0 modify=1 dfmt= efmt= mask= float=0 maxlen=0 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=1/1 implicit=1"},
        {"lookup", "ModelName", plain,
         "align=L blob=0 modify=1 dfmt= efmt= mask= float=0 maxlen=20 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"lookup whose key is read-only", "ModelName",
         [](TField* f) { f->GetDataSet()->FieldByName("Model")->SetReadOnly(true); },
         "align=L blob=0 modify=0 dfmt= efmt= mask= float=0 maxlen=20 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"memo", "Notes", plain,
         "align=L blob=3 modify=1 dfmt= efmt= mask= float=0 maxlen=0 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=1 "
         "cur=0 active=1 bound=1 srcfmt=0/0 implicit=0"},
        {"text handler", "Name", [](TField* f) { f->OnGetText = &KeepText; },
         "align=L blob=0 modify=1 dfmt= efmt= mask= float=0 maxlen=20 max=0 min=0 prec=15 ro=0 req=0 "
         "blobsrc=0 "
         "cur=0 active=1 bound=1 srcfmt=1/1 implicit=1"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TProviderFixture f;
        c.Setup(f.F(c.Field));
        f.Provider.AttachField(f.F(c.Field));
        EXPECT_EQ(Answers(f.Provider), c.Answers);
    }

    const std::vector<std::pair<const char*, Integer>> blobKinds = {
        {"Notes", 3}, {"Styled", 3}, {"Picture", 2}, {"Ole", 4}, {"Name", 0}};
    TProviderFixture f;
    for (const auto& [field, kind] : blobKinds) {
        f.Provider.AttachField(f.F(field));
        EXPECT_EQ(f.Provider.GetDefaultBlobEditKind(), kind) << field;
    }
}

TEST(qzDBEditTest, UnboundProvidersGiveTheNeutralAnswers) {
    TProviderFixture f;
    TqzCustomEditDefaultValuesProvider neutral(nullptr);
    String expected = Answers(neutral);
    expected.replace(expected.find("blob=3"), 6, "blob=0");
    expected.replace(expected.find("bound=0"), 7, "bound=1");
    // Nothing to read or modify without a source.
    expected.replace(expected.find("active=1"), 8, "active=0");
    expected.replace(expected.find("modify=1"), 8, "modify=0");
    EXPECT_EQ(Answers(f.Provider), expected); // no field

    auto* price = static_cast<TFloatField*>(f.F("Price"));
    price->SetCurrency(true);
    price->SetMaxValue(5);
    price->SetPrecision(6);
    f.Provider.AttachField(price);
    f.DataSet.Close();
    // Closed: neutral, except the precision, which a float field gives bound or not.
    String closed = expected;
    closed.replace(closed.find("prec=15"), 7, "prec=6");
    EXPECT_EQ(Answers(f.Provider), closed);
}

TEST(qzDBEditTest, FloatRangeReadsBackWithTheLocaleSeparator) {
    TProviderFixture f;
    testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());
    auto* price = static_cast<TFloatField*>(f.F("Price"));
    price->SetPrecision(4);
    price->SetMaxValue(1.23456);
    price->SetMinValue(-98765.4);
    f.Provider.AttachField(price);
    EXPECT_EQ(FloatToStr(f.Provider.GetDefaultMaxValue()), "1,235");
    EXPECT_EQ(FloatToStr(f.Provider.GetDefaultMinValue()), "-98770");
}

TEST(qzDBEditTest, CharactersAreAskedOfTheField) {
    TProviderFixture f;
    f.Provider.AttachField(f.F("Qty"));
    EXPECT_TRUE(f.Provider.IsValidCharForSource(U'5'));
    EXPECT_TRUE(f.Provider.IsValidCharForSource(U'-'));
    EXPECT_FALSE(f.Provider.IsValidCharForSource(U'a'));
    EXPECT_FALSE(f.Provider.IsValidCharForSource(U'\u4E2D'));
    f.Provider.AttachField(f.F("Name"));
    EXPECT_TRUE(f.Provider.IsValidCharForSource(U'\u4E2D'));
    f.Provider.AttachField(nullptr);
    EXPECT_TRUE(f.Provider.IsValidCharForSource(U'a'));
}

TEST(qzDBEditTest, AFreedFieldLeavesTheProvider) {
    TProviderFixture f;
    TField* qty = f.F("Qty");
    TField* name = f.F("Name");
    f.Provider.AttachField(qty);
    f.Provider.AttachField(qty); // again: nothing changes
    EXPECT_EQ(f.Provider.GetField(), qty);
    delete qty;
    EXPECT_EQ(f.Provider.GetField(), nullptr);
    EXPECT_FALSE(f.Provider.IsSourceActive());
    EXPECT_EQ(f.Provider.GetDefaultAlignment(), taLeftJustify);

    // A field given up is no longer watched.
    f.Provider.AttachField(name);
    f.Provider.AttachField(f.F("Price"));
    delete name;
    EXPECT_EQ(f.Provider.GetField(), f.F("Price"));

    // A provider freed first leaves the field alone.
    auto provider = std::make_unique<TqzCustomDBEditDefaultValuesProvider>(nullptr);
    provider->AttachField(f.F("Day"));
    provider.reset();
    delete f.F("Day");
}

TEST(qzDBTest, KeyFieldsOfALookupField) {
    TProviderFixture f;
    TField* lookup = f.F("ModelName");
    EXPECT_FALSE(lookup->GetCanModify());
    EXPECT_TRUE(KeyFieldsModifiable(lookup));
    f.DataSet.Close();
    EXPECT_FALSE(KeyFieldsModifiable(lookup));
    lookup->SetKeyFields("Name;Model");
    lookup->SetLookupKeyFields("Name;Code");
    f.DataSet.Open();
    EXPECT_TRUE(KeyFieldsModifiable(lookup));
    f.F("Name")->SetReadOnly(true);
    EXPECT_FALSE(KeyFieldsModifiable(lookup));
    TStringField loose(nullptr);
    loose.SetKeyFields("Model");
    EXPECT_FALSE(KeyFieldsModifiable(&loose));
}
