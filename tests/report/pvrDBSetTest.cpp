#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "report/pvrDBSet.h"
#include "report/pvrRes.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class pvrDBSetTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Module.reset(new TDataModule(nullptr, TCreateNew{}));
        ReadComponentText(testsupport::ReadFileBytes(testsupport::FixturePath("report/PrintData.form")),
                          Module.get());
        Ado = dynamic_cast<TMemDataSet*>(Module->FindComponent("myAdo"));
        Main = dynamic_cast<TMemDataSet*>(Module->FindComponent("myMain"));
        Bridge = dynamic_cast<TpvrDBDataset*>(Module->FindComponent("pvrDataset"));
        MainBridge = dynamic_cast<TpvrDBDataset*>(Module->FindComponent("pvrMainData"));
        Report = dynamic_cast<TpvrReport*>(Module->FindComponent("pvrReport"));
        ASSERT_TRUE(Ado && Main && Bridge && MainBridge && Report);
    }
    void TearDown() override {
        Module.reset();
        TFormFixture::TearDown();
    }

    // Rows of (TypeID, TypeName, AField), posted one by one; the first record is current.
    void Fill(const std::vector<std::vector<Variant>>& rows) {
        Ado->CreateDataSet();
        for (const auto& row : rows) {
            Ado->Append();
            Ado->FieldByName("TypeID")->SetAsVariant(row[0]);
            Ado->FieldByName("TypeName")->SetAsVariant(row[1]);
            Ado->FieldByName("AField")->SetAsVariant(row[2]);
            Ado->Post();
        }
        Ado->First();
    }

    // Every record of a walk as "TypeID/AField".
    std::vector<String> Walk(TpvrDataSet* data) {
        std::vector<String> result;
        Report->GetDataSets()->Initialize();
        data->First();
        while (!data->Eof()) {
            result.push_back(VarToStr(data->GetValue("TypeID")) + "/" +
                             WideToString(data->GetDisplayText("AField")));
            data->Next();
        }
        Report->GetDataSets()->Finalize();
        return result;
    }

    std::unique_ptr<TDataModule> Module;
    TMemDataSet* Ado = nullptr;
    TMemDataSet* Main = nullptr;
    TpvrDBDataset* Bridge = nullptr;
    TpvrDBDataset* MainBridge = nullptr;
    TpvrReport* Report = nullptr;
};

} // namespace

TEST_F(pvrDBSetTest, DefinitionBindsTheBridgesAndAWalkReadsEveryRecord) {
    EXPECT_EQ(Report->GetDataset("pvrDataset"), Bridge);
    EXPECT_EQ(Report->GetDataset("pvrMainData"), MainBridge);
    EXPECT_EQ(dynamic_cast<TpvrDataBand*>(Report->FindObject("MasterData1"))->GetDataSet(), Bridge);
    EXPECT_EQ(Bridge->GetEffectiveDataSet(), Ado);

    Fill({{9, "Settings", "Battery Save"}, {9, "Settings", "Beep"}, {8, "Channels", "Channel No.1"}});
    Bridge->SetDataSet(Ado);
    EXPECT_EQ(Walk(Bridge), (std::vector<String>{"9/Battery Save", "9/Beep", "8/Channel No.1"}));
    // Left open (CloseDataSource is off); the hooks are gone.
    EXPECT_TRUE(Ado->GetActive());
    EXPECT_FALSE(bool(Ado->AfterOpen));
    EXPECT_EQ(Bridge->RecordCount(), 3);
    TStringList fields;
    Bridge->GetFieldList(&fields);
    EXPECT_EQ(fields.GetCommaText(), "TypeID,TypeName,AField,AValue,BField,BValue");
    EXPECT_TRUE(Bridge->HasField("typename"));
    EXPECT_EQ(Bridge->GetFieldType("TypeName"), fftString);
    EXPECT_EQ(Bridge->GetFieldType("TypeID"), fftNumeric);
    EXPECT_EQ(Bridge->GetDisplayWidth("TypeName"), 20);

    // An empty data set ends at once.
    Ado->EmptyDataSet();
    EXPECT_TRUE(Walk(Bridge).empty());
}

TEST_F(pvrDBSetTest, BothBridgesWalkEveryRecordAndField) {
    ASSERT_EQ(Report->GetDataSets()->GetCount(), 2);
    EXPECT_EQ(Report->GetDataSets()->Items(0)->GetDataSet(), MainBridge);
    EXPECT_EQ(Report->GetDataSets()->Items(1)->GetDataSet(), Bridge);
    Fill({{9, "Settings", "Beep"}, {8, "Channels", "Channel No.1"}});
    Main->CreateDataSet();
    for (const char* title : {"KOV-571(UHF)", "KOV-571(VHF)"}) {
        Main->Append();
        TStringList names;
        Main->GetFieldNames(&names);
        for (Integer f = 0; f < names.GetCount(); ++f)
            Main->FieldByName(names.GetStrings(f))->SetAsVariant(Variant(String(title) + "/" + names.GetStrings(f)));
        Main->Post();
    }
    MainBridge->SetDataSet(Main);
    Bridge->SetDataSet(Ado);

    // Every field of every record, as the walk reads it.
    auto walk = [&](TpvrDataSet* data) {
        std::vector<String> cells;
        TStringList fields;
        data->GetFieldList(&fields);
        data->First();
        while (!data->Eof()) {
            for (Integer f = 0; f < fields.GetCount(); ++f)
                cells.push_back(VarToStr(data->GetValue(fields.GetStrings(f))));
            data->Next();
        }
        return cells;
    };
    Report->GetDataSets()->Initialize();
    const std::vector<String> main = walk(MainBridge);
    const std::vector<String> ado = walk(Bridge);
    Report->GetDataSets()->Finalize();
    ASSERT_EQ(main.size(), 18u); // two records of nine fields
    EXPECT_EQ(main.front(), "KOV-571(UHF)/Title");
    EXPECT_EQ(main[9 + 7], "KOV-571(VHF)/DFiled");
    EXPECT_EQ(main.back(), "KOV-571(VHF)/DValue");
    ASSERT_EQ(ado.size(), 12u); // two records of six fields
    EXPECT_EQ((std::vector<String>(ado.begin(), ado.begin() + 3)), (std::vector<String>{"9", "Settings", "Beep"}));
    EXPECT_EQ(ado[6 + 2], "Channel No.1");
    EXPECT_TRUE(Report->GetErrors()->GetCount() == 0);
}

TEST_F(pvrDBSetTest, AClosedDataSetOpensOnTheFirstValueAndStaysOpen) {
    Ado->CreateDataSet();
    Ado->Close(); // an in-memory set comes back empty
    Bridge->SetDataSet(Ado);
    ASSERT_FALSE(Ado->GetActive());
    EXPECT_TRUE(VarIsNull(Bridge->GetValue("TypeID")));
    EXPECT_TRUE(Ado->GetActive());
    EXPECT_TRUE(Bridge->Eof());
    EXPECT_TRUE(Ado->GetActive());
    EXPECT_EQ(Report->GetErrors()->GetCount(), 0);
}

TEST_F(pvrDBSetTest, MissingFieldsAreCollectedOnceAndNamedInTheText) {
    Fill({{1, "a", "x"}});
    Report->GetDataSets()->Initialize();
    Report->CurObject = "Memo1";
    EXPECT_TRUE(VarIsNull(Bridge->GetValue("Nope")));
    const String expected = GetResources()->Get("dbFldNotFound") + " pvrDataset.\"Nope\"";
    EXPECT_EQ(WideToString(Bridge->GetDisplayText("Nope")), expected);
    EXPECT_EQ(Report->GetErrors()->GetCount(), 1);
    EXPECT_EQ(Report->GetErrors()->GetStrings(0), "Memo1: " + expected);
    Report->GetDataSets()->Finalize();
}

TEST_F(pvrDBSetTest, AliasesRenameAndHideFields) {
    Fill({{1, "a", "x"}});
    Bridge->GetFieldAliases()->Add("AField=Channel");
    Bridge->GetFieldAliases()->Add("-TypeName=Hidden");
    Bridge->GetFieldAliases()->Add("TypeID=TypeID");
    Report->GetDataSets()->Initialize();
    Bridge->First();
    EXPECT_EQ(WideToString(Bridge->GetDisplayText("channel")), "x");
    EXPECT_TRUE(VarIsNull(Bridge->GetValue("AField")));
    TStringList fields;
    Bridge->GetFieldList(&fields);
    EXPECT_EQ(fields.GetCommaText(), "Channel,TypeID");
    EXPECT_EQ(Bridge->GetFieldType("Channel"), fftString);
    Report->GetDataSets()->Finalize();
}

TEST_F(pvrDBSetTest, CurrentRecordRangesComeBackToTheirRecord) {
    Fill({{1, "a", "first"}, {2, "b", "second"}, {3, "c", "third"}});
    Ado->Open();
    Ado->First();
    Ado->Next(); // the record current when the walk starts
    Bridge->RangeBegin = rbCurrent;
    Bridge->RangeEnd = reCurrent;
    EXPECT_EQ(Walk(Bridge), (std::vector<String>{"2/second"}));
    EXPECT_EQ(Ado->FieldByName("TypeID")->GetAsVariant().AsInteger(), 2);

    Bridge->RangeBegin = rbFirst;
    EXPECT_EQ(Walk(Bridge), (std::vector<String>{"1/first", "2/second"}));
    EXPECT_EQ(Ado->FieldByName("TypeID")->GetAsVariant().AsInteger(), 2);

    Bridge->RangeEnd = reCount;
    Bridge->RangeEndCount = 2;
    Ado->Last();
    EXPECT_EQ(Walk(Bridge), (std::vector<String>{"1/first", "2/second"}));
}

TEST_F(pvrDBSetTest, BindingAndFailures) {
    TpvrDBDataset loose(nullptr);
    loose.SetName("loose");
    try {
        loose.Initialize();
        ADD_FAILURE() << "no data set, no run";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, Format(GetResources()->Get("dbNotConn"), {String("loose")}));
    }
    TDataSource source(nullptr);
    source.SetDataSet(Ado);
    loose.SetDataSource(&source);
    EXPECT_EQ(loose.GetEffectiveDataSet(), Ado);
    loose.SetDataSet(Main);
    EXPECT_EQ(loose.GetDataSource(), nullptr);
    EXPECT_EQ(loose.GetEffectiveDataSet(), Main);
    Main->CreateDataSet();
    EXPECT_EQ(loose.GetFieldType("Title"), fftString);
    EXPECT_EQ(loose.GetDisplayWidth("DFiled"), 30);
    loose.SetDataSet(nullptr);
    EXPECT_EQ(loose.GetEffectiveDataSet(), nullptr);
    EXPECT_EQ(loose.GetDisplayWidth("x"), 10);
    EXPECT_EQ(loose.GetFieldType("x"), fftNumeric);

    // A freed data set is let go.
    Bridge->SetDataSet(Ado);
    delete Ado;
    Ado = nullptr;
    EXPECT_EQ(Bridge->GetDataSet(), nullptr);
    EXPECT_EQ(Bridge->GetEffectiveDataSet(), nullptr);
}
