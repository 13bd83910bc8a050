// The lookup combo box open in each look: its grid of three columns (a header with a sort arrow,
// the focused and selected row, a check box column), to look at.
#include <gtest/gtest.h>

#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Strings.h"
#include "suite/data/qzDBLookupComboBox.h"
#include "tests/suite/editors/EditorPictureFixture.h"

namespace {

class LookupComboBoxPictures : public edittest::EditorPicturesFixture {};

TEST_F(LookupComboBoxPictures, OpenInEachLook) {
    TMemDataSet channels(nullptr);
    channels.GetFieldDefs()->Add("ID", ftInteger);
    channels.GetFieldDefs()->Add("Name", ftString, 10);
    channels.GetFieldDefs()->Add("Wide", ftBoolean);
    channels.CreateDataSet();
    const char* names[] = {"ALPHA", "BRAVO", "CHANNEL", "CHARLIE", "DELTA", "ECHO"};
    for (Integer i = 0; i < 6; ++i) channels.AppendRecord({i + 1, String(names[i]), i % 2 == 0});
    TDataSource source(nullptr);
    source.SetDataSet(&channels);
    Form->Show();
    App->ProcessMessages();

    TBitmap sheet;
    const int cellW = 230, cellH = 200;
    edittest::PrepareSheet(sheet, cellW * int(std::size(edittest::kSheetLooks)), cellH);
    for (std::size_t l = 0; l < std::size(edittest::kSheetLooks); ++l) {
        SCOPED_TRACE(l);
        auto* combo = new TqzLookupComboBox(Form);
        combo->SetParent(Form);
        combo->SetBounds(10, 10, 200, 21);
        edittest::SetLook(combo, edittest::kSheetLooks[l]);
        TqzLookupComboBoxProperties* p = combo->GetProperties();
        p->SetKeyFieldNames("ID");
        p->SetListFieldNames("ID;Name;Wide");
        p->SetListFieldIndex(1);
        p->SetListSource(&source);
        p->GetListColumns()->Columns(1)->SetSortOrder(soAscending);
        combo->SetEditValue(Variant(3));
        App->ProcessMessages();
        combo->SetDroppedDown(true);
        App->ProcessMessages();
        ASSERT_TRUE(combo->GetDroppedDown());
        TWinControl* popup = combo->GetPopupWindow();
        edittest::CopyControl(sheet, combo, int(l) * cellW + 5, 5);
        edittest::CopyControl(sheet, popup, int(l) * cellW + 5, 30);
        // The selected row of the open list is the edit value's record.
        TqzLookupDBGrid* grid = p->GetGrid();
        EXPECT_EQ(grid->GetDataController()->GetFocusedRecordIndex(), 2);
        combo->SetDroppedDown(false);
        App->ProcessMessages();
        delete combo;
    }
    edittest::WriteSheet(sheet, "LookupComboBoxOpen.png");
}

} // namespace
