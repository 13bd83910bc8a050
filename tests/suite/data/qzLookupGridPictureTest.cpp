// The lookup grid drawn in each look (columns) with each kind of grid lines, without header,
// without RowSelect and with columns narrower than the grid (rows): a sheet to look at, and
// pixel probes of the selection, the focused cell and the empty area.
#include <gtest/gtest.h>

#include "platform/runtime/Strings.h"
#include "suite/data/qzLookupGrid.h"
#include "tests/suite/editors/EditorPictureFixture.h"

namespace {

class LookupGridPictures : public edittest::EditorPicturesFixture {
protected:
    TqzLookupGrid* MakeGrid() {
        auto* grid = new TqzLookupGrid(Form);
        grid->SetParent(Form);
        grid->SetBounds(0, 0, 130, 96);
        grid->GetColumns()->Add()->SetItemValueTypeClass(ValueTypeClass<TqzStringValueType>());
        grid->GetColumns()->Add()->SetItemValueTypeClass(ValueTypeClass<TqzIntegerValueType>());
        grid->GetColumns()->GetColumn(0)->SetCaption("Name");
        grid->GetColumns()->GetColumn(1)->SetCaption("No");
        TqzCustomDataController* c = grid->GetDataController();
        {
            TqzUpdateLock lock(c);
            c->SetRecordCount(6);
            for (Integer r = 0; r < 6; ++r) {
                c->SetValue(r, 0, Variant(String("Channel ") + IntToStr(r + 1)));
                c->SetValue(r, 1, Variant(r + 1));
            }
        }
        grid->GetColumns()->GetColumn(0)->SetSortOrder(soAscending);
        grid->FocusRow(2);
        grid->SetFocusedRowSelected(true);
        return grid;
    }
};

TEST_F(LookupGridPictures, SheetAndProbes) {
    struct TVariant {
        const char* Name;
        TqzGridLines Lines;
        bool Header;
        bool RowSelect;
        bool Narrow;
    };
    const TVariant variants[] = {
        {"glBoth", glBoth, true, true, false},         {"glNone", glNone, true, true, false},
        {"glVertical", glVertical, true, true, false}, {"glHorizontal", glHorizontal, true, true, false},
        {"no header", glBoth, false, true, false},     {"no RowSelect", glBoth, true, false, false},
        {"narrow columns", glBoth, true, true, true},
    };
    Form->Show();
    App->ProcessMessages();
    TBitmap sheet;
    const int cellW = 140, cellH = 104;
    edittest::PrepareSheet(sheet, cellW * int(std::size(edittest::kSheetLooks)), cellH * int(std::size(variants)));
    for (std::size_t v = 0; v < std::size(variants); ++v) {
        for (std::size_t l = 0; l < std::size(edittest::kSheetLooks); ++l) {
            SCOPED_TRACE(std::string(variants[v].Name) + " look " + std::to_string(l));
            TqzLookupGrid* grid = MakeGrid();
            grid->GetLookAndFeel()->SetKind(edittest::kSheetLooks[l].Kind);
            grid->GetLookAndFeel()->SetNativeStyle(edittest::kSheetLooks[l].Native);
            grid->GetOptions()->SetGridLines(variants[v].Lines);
            grid->GetOptions()->SetShowHeader(variants[v].Header);
            grid->GetOptions()->SetRowSelect(variants[v].RowSelect);
            if (!variants[v].RowSelect) grid->FocusColumnIndex(1);
            for (Integer i = 0; i < 2; ++i) {
                grid->GetColumns()->GetColumn(i)->SetFixed(variants[v].Narrow);
                grid->GetColumns()->GetColumn(i)->SetWidth(variants[v].Narrow ? 40 : 64);
            }
            grid->RefreshLayout();
            App->ProcessMessages();
            edittest::CopyControl(sheet, grid, int(l) * cellW, int(v) * cellH);

            TBitmap shot;
            shot.SetSize(grid->GetWidth(), grid->GetHeight());
            grid->PaintTo(shot.GetCanvas()->GetHandle(), 0, 0);
            TqzLookupGridViewInfo* info = grid->GetViewInfo();
            TqzLookupGridRowViewInfo* row = info->FindRow(2);
            ASSERT_NE(row, nullptr);
            // The first cell of the focused row shows the selection colour; without RowSelect
            // the focused cell keeps the content colour.
            const TRect first = row->Cell(0)->ContentArea;
            EXPECT_EQ(ColorToRGB(shot.GetCanvas()->GetPixels(first.left + 2, first.bottom - 3)),
                      ColorToRGB(info->GetSelectionColor()));
            const TRect second = row->Cell(1)->ContentArea;
            EXPECT_EQ(ColorToRGB(shot.GetCanvas()->GetPixels(second.right - 3, second.bottom - 3)),
                      ColorToRGB(variants[v].RowSelect ? info->GetSelectionColor() : info->GetContentColor()));
            if (variants[v].Narrow) {
                ASSERT_LT(info->RightEmptyArea.left, info->RightEmptyArea.right);
                EXPECT_EQ(ColorToRGB(shot.GetCanvas()->GetPixels(info->RightEmptyArea.right - 2, info->RightEmptyArea.top + 30)),
                          ColorToRGB(grid->GetColor()));
            }
            delete grid;
        }
    }
    edittest::WriteSheet(sheet, "LookupGrid.png");
}

} // namespace
