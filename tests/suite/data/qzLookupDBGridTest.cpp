// The data-set lookup grid's columns named while the records are loaded: their values at once,
// and one reading of the data set for all the columns named inside one update bracket.
#include <gtest/gtest.h>

#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Strings.h"
#include "suite/data/qzLookupDBGrid.h"
#include "tests/support/FormFixture.h"

namespace {

class LookupDBGrid : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Channels.GetFieldDefs()->Add("ID", ftInteger);
        Channels.GetFieldDefs()->Add("Name", ftString, 10);
        Channels.GetFieldDefs()->Add("Band", ftString, 4);
        Channels.CreateDataSet();
        for (Integer id = 1; id <= 5; ++id) Channels.AppendRecord({id, "C" + IntToStr(id), String(id < 3 ? "UHF" : "VHF")});
        Channels.First();
        Channels.AfterScroll = TDataSetNotifyEvent(this, &LookupDBGrid::Scrolled);
        Source.SetDataSet(&Channels);
        Grid = new TqzLookupDBGrid(Form);
        Grid->SetDataSource(&Source);
    }
    void TearDown() override {
        Channels.AfterScroll = TDataSetNotifyEvent();
        TFormFixture::TearDown();
    }
    void Scrolled(TDataSet*) { ++Moves; }
    TqzLookupDBGridColumn* AddColumn(const String& fieldName) {
        TqzLookupDBGridColumn* column = Grid->GetDBColumns()->AddColumn();
        column->SetFieldName(fieldName);
        return column;
    }
    Variant Value(Integer record, Integer column) { return Grid->GetDataController()->GetValue(record, column); }

    TMemDataSet Channels{nullptr};
    TDataSource Source{nullptr};
    TqzLookupDBGrid* Grid = nullptr; // owned by the form
    Integer Moves = 0;
};

} // namespace

TEST_F(LookupDBGrid, ColumnsNamedAfterLoadingShowTheirValues) {
    ASSERT_EQ(Grid->GetDataController()->GetRecordCount(), 5);

    Moves = 0;
    AddColumn("Name");
    EXPECT_EQ(Value(2, 0), Variant("C3"));
    const Integer movesForOne = Moves;
    EXPECT_GT(movesForOne, 0) << "the records were read again";

    // Three columns inside the columns' bracket: read once, as for one column.
    Moves = 0;
    TqzLookupDBGridColumns* columns = Grid->GetDBColumns();
    columns->BeginUpdate();
    AddColumn("ID");
    AddColumn("Band");
    columns->Columns(0)->SetFieldName("Band");
    EXPECT_EQ(Moves, 0) << "nothing is read inside the bracket";
    columns->EndUpdate();
    EXPECT_EQ(Moves, movesForOne);
    EXPECT_EQ(Value(3, 0), Variant("VHF"));
    EXPECT_EQ(Value(3, 1), Variant(4));
    EXPECT_EQ(Value(3, 2), Variant("VHF"));

    Moves = 0;
    Grid->SetColumnsByFieldNames("Band;Name;ID");
    EXPECT_EQ(Moves, movesForOne);
    EXPECT_EQ(Value(0, 0), Variant("UHF"));
    EXPECT_EQ(Value(0, 1), Variant("C1"));
    EXPECT_EQ(Value(0, 2), Variant(1));
}
