// A data set that publishes its query parameters as "Params": found by name through the
// published properties, re-queried by closing and opening it with its controls disabled, the
// way a detail list is moved to a new master record.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "tests/support/LinesQuery.h"
#include "tests/support/TestSupport.h"

namespace {

using kovtest::TLinesQuery;


struct TStateLog : TDataLink {
    std::vector<String> Log;
    void DataEvent(TDataEvent event, TDataEventInfo info) override {
        if (event == deDisabledStateChange) Log.push_back("disabled state " + IntToStr(Integer(info)));
        TDataLink::DataEvent(event, info);
    }
    void DataSetChanged() override { Log.push_back("changed"); }
};

std::vector<Integer> Lines(TDataSet* dataSet) {
    std::vector<Integer> lines;
    for (dataSet->First(); !dataSet->GetEof(); dataSet->Next())
        lines.push_back(dataSet->FieldByName("Line")->GetAsInteger());
    return lines;
}

}  // namespace

TEST(DBQueryParamsTest, ParamsAreFoundByNameAndReopeningRequeries) {
    TLinesQuery query(nullptr);
    query.CreateDataSet();
    EXPECT_EQ(Lines(&query), (std::vector<Integer>{11, 21, 22, 31, 32, 33}));

    // The parameters are reached as a published object property; a plain data set has none.
    auto* params = dynamic_cast<TParams*>(GetObjectProp(&query, "Params"));
    ASSERT_EQ(params, query.GetParams());
    TMemDataSet plain(nullptr);
    EXPECT_EQ(GetPropInfo(&plain, "Params"), nullptr);

    TDataSource source(nullptr);
    source.SetDataSet(&query);
    TStateLog link;
    link.SetDataSource(&source);
    ASSERT_TRUE(link.GetActive());
    const Integer openings = query.Openings;

    struct TCase {
        Integer Master;
        std::vector<Integer> Lines;
    };
    const std::vector<TCase> cases = {{2, {21, 22}}, {3, {31, 32, 33}}, {1, {11}}, {4, {}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Master);
        link.Log.clear();
        query.DisableControls();
        query.Close();
        params->ParamByName("Master")->SetValue(c.Master);
        query.Open();
        query.EnableControls();
        EXPECT_EQ(params->GetParamValues("Master"), Variant(c.Master));
        // The link hears the closing as state 0, the opening and the loading as state 1, and
        // one data-set change when the controls come back.
        ASSERT_GE(link.Log.size(), 3u);
        EXPECT_EQ(link.Log.front(), "disabled state 0");
        EXPECT_EQ(std::count(link.Log.begin(), link.Log.end(), String("disabled state 0")), 1);
        EXPECT_EQ(std::count(link.Log.begin(), link.Log.end(), String("changed")), 1);
        EXPECT_EQ(link.Log.back(), "changed");
        EXPECT_EQ(Lines(&query), c.Lines);
    }
    EXPECT_EQ(query.Openings, openings + Integer(cases.size()));
}
