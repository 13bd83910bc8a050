#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/StringLists.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "tests/support/FormFixture.h"

namespace {

using pvrDataSetsTest = testsupport::TFormFixture;

struct TCounter : TObject {
    Integer Nexts = 0;
    void Next(TObject*) { ++Nexts; }
};

} // namespace

TEST_F(pvrDataSetsTest, UserNameFollowsRenamesUntilSetByHand) {
    TpvrUserDataSet data(nullptr);
    data.SetName("Customers");
    EXPECT_EQ(data.GetUserName(), "Customers");
    data.SetName("Clients");
    EXPECT_EQ(data.GetUserName(), "Clients");
    data.SetUserName("People");
    data.SetName("Persons");
    EXPECT_EQ(data.GetUserName(), "People");
    for (const char* blank : {"", "   "}) {
        try {
            data.SetUserName(blank);
            ADD_FAILURE() << "blank name taken";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, GetResources()->Get("prInvProp"));
        }
    }
    EXPECT_EQ(data.GetUserName(), "People");
}

TEST_F(pvrDataSetsTest, CountedRangeWalksItsRecords) {
    TpvrUserDataSet data(nullptr);
    data.RangeEnd = reCount;
    data.RangeEndCount = 3;
    TCounter counter;
    data.OnNext = MakeEvent(&counter, &TCounter::Next);
    data.First();
    std::vector<bool> eofs;
    for (int i = 0; i < 3; ++i) {
        data.Next();
        eofs.push_back(data.Eof());
    }
    EXPECT_EQ(eofs, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(counter.Nexts, 2);
    EXPECT_EQ(data.RecordCount(), 3);
    data.RangeBegin = rbCurrent;
    EXPECT_EQ(data.RecordCount(), 0);

    // Without a counted range the base never ends by itself; the event may say otherwise.
    TpvrUserDataSet open(nullptr);
    open.First();
    EXPECT_FALSE(open.Eof());
    struct TEnd : TObject {
        void Check(TObject*, bool& eof) { eof = true; }
    } end;
    open.OnCheckEOF = MakeEvent(&end, &TEnd::Check);
    EXPECT_TRUE(open.Eof());
    EXPECT_EQ(open.RecordCount(), 0);
}

TEST_F(pvrDataSetsTest, FieldsAliasesAndValues) {
    TpvrUserDataSet user(nullptr);
    user.GetFields()->Add("AField");
    user.GetFields()->Add("BValue");
    EXPECT_TRUE(user.HasField("afield"));
    EXPECT_FALSE(user.HasField("CField"));
    EXPECT_EQ(user.FieldsCount(), 2);
    EXPECT_TRUE(VarIsNull(user.GetValue("AField")));
    EXPECT_EQ(user.GetDisplayText("AField"), u"");
    struct TValues : TObject {
        void Get(const String& name, Variant& value) { value = name == "AField" ? Variant(42) : Null(); }
    } values;
    user.OnGetValue = MakeEvent(&values, &TValues::Get);
    EXPECT_EQ(user.GetValue("AField").AsInteger(), 42);
    EXPECT_EQ(user.GetDisplayText("AField"), u"42");
    EXPECT_EQ(user.GetDisplayText("BValue"), u"");
    EXPECT_EQ(user.GetDisplayWidth("AField"), 10);
    EXPECT_EQ(user.GetFieldType("AField"), fftNumeric);

    TpvrCustomDBDataSet db(nullptr);
    db.GetFieldAliases()->Add("AField=Channel");
    db.GetFieldAliases()->Add("BField=channel");
    EXPECT_EQ(db.FieldNameOfAlias("CHANNEL"), "AField");
    EXPECT_EQ(db.FieldNameOfAlias("Other"), "Other");
}

TEST_F(pvrDataSetsTest, NamesResolveThroughTheGlobalList) {
    std::unique_ptr<TComponent> first(new TComponent(nullptr)), second(new TComponent(nullptr));
    auto* a = new TpvrUserDataSet(first.get());
    a->SetUserName("Shared");
    auto* b = new TpvrUserDataSet(second.get());
    b->SetUserName("shared");
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr)), other(new TpvrReport(nullptr));
    auto* inOther = new TpvrUserDataSet(other.get());
    inOther->SetUserName("Private");
    auto* mine = new TpvrUserDataSet(report.get());
    mine->SetUserName("private");

    TpvrGlobalDataSetList* list = GlobalDataSetList();
    EXPECT_EQ(list->FindDataSetByName(nullptr, "SHARED", report.get()), a);
    EXPECT_EQ(list->FindDataSetByName(nullptr, "Private", report.get()), mine);
    EXPECT_EQ(list->FindDataSetByName(nullptr, "Private", other.get()), inOther);
    EXPECT_EQ(list->FindDataSetByName(b, "none", report.get()), b);
    EXPECT_EQ(list->FindDataSetByName(b, "Shared", nullptr), b);
    EXPECT_EQ(list->FindDataSetByName(b, "", report.get()), nullptr);
    delete a;
    EXPECT_EQ(list->FindDataSetByName(nullptr, "Shared", report.get()), b);
}

TEST_F(pvrDataSetsTest, BindingsOfTheReportPagesAndBandsFollowTheirDataSources) {
    std::unique_ptr<TComponent> module(new TComponent(nullptr));
    auto* data = new TpvrUserDataSet(module.get());
    data->SetName("pvrDataset");
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    TpvrDataSetItem* item = report->GetDataSets()->Add();
    item->SetDataSetName("PVRDATASET");
    EXPECT_EQ(item->GetDataSet(), data);
    EXPECT_EQ(item->GetDataSetName(), "pvrDataset");
    EXPECT_EQ(report->GetDataset("pvrdataset"), data);
    EXPECT_EQ(report->GetDataset("other"), nullptr);

    auto* page = new TpvrReportPage(report.get());
    auto* band = new TpvrMasterData(page);
    band->SetDataSetName("pvrDataset");
    EXPECT_EQ(band->GetDataSet(), data);
    page->SetDataSet(data);
    EXPECT_EQ(page->GetDataSetName(), "pvrDataset");
    report->SetDataSetName("pvrDataset");
    EXPECT_EQ(report->GetDataSet(), data);
    data->SetUserName("Renamed");
    EXPECT_EQ(band->GetDataSetName(), "Renamed");

    // A band without a data source walks RowCount records.
    band->SetRowCount(4);
    EXPECT_EQ(band->GetVirtualDataSet()->RecordCount(), 4);

    delete data;
    EXPECT_EQ(band->GetDataSet(), nullptr);
    EXPECT_EQ(page->GetDataSet(), nullptr);
    EXPECT_EQ(report->GetDataSet(), nullptr);
    EXPECT_EQ(report->GetDataSets()->GetCount(), 0);
    EXPECT_EQ(band->GetDataSetName(), "pvrDataset"); // the name it was bound by stays
}

TEST_F(pvrDataSetsTest, DatasetsAreStoredWithTheReportInWindowDefinitions) {
    const String text = "object M: TDataModule\n"
                        "  object pvrMainData: TpvrUserDataSet\n"
                        "  end\n"
                        "  object pvrDataset: TpvrUserDataSet\n"
                        "    RangeEnd = reCount\n"
                        "    RangeEndCount = 2\n"
                        "  end\n"
                        "  object pvrReport: TpvrReport\n"
                        "    Datasets = <\n"
                        "      item\n"
                        "        DataSet = pvrMainData\n"
                        "        DataSetName = 'pvrMainData'\n"
                        "      end\n"
                        "      item\n"
                        "        DataSet = pvrDataset\n"
                        "        DataSetName = 'pvrDataset'\n"
                        "      end>\n"
                        "    object Page1: TpvrReportPage\n"
                        "      object MasterData1: TpvrMasterData\n"
                        "        DataSet = pvrDataset\n"
                        "        DataSetName = 'pvrDataset'\n"
                        "      end\n"
                        "    end\n"
                        "  end\n"
                        "end\n";
    auto read = [](const String& definition) {
        std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
        ReadComponentText(definition, module.get());
        return module;
    };
    std::unique_ptr<TDataModule> module = read(text);
    auto* report = dynamic_cast<TpvrReport*>(module->FindComponent("pvrReport"));
    ASSERT_NE(report, nullptr);
    ASSERT_EQ(report->GetDataSets()->GetCount(), 2);
    EXPECT_EQ(report->GetDataset("pvrMainData"), module->FindComponent("pvrMainData"));
    EXPECT_EQ(report->GetDataset("pvrDataset"), module->FindComponent("pvrDataset"));
    auto* band = dynamic_cast<TpvrMasterData*>(report->FindObject("MasterData1"));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->GetDataSet(), module->FindComponent("pvrDataset"));

    const String written = WriteComponentText(module.get());
    EXPECT_NE(written.find("Datasets = <"), String::npos);
    std::unique_ptr<TDataModule> again = read(written);
    auto* report2 = dynamic_cast<TpvrReport*>(again->FindComponent("pvrReport"));
    EXPECT_EQ(report2->GetDataset("pvrDataset"), again->FindComponent("pvrDataset"));
    EXPECT_EQ(WriteComponentText(again.get()), written);
}
