// The lookup grid: its columns and options, header-click sorting, the layout (row pitch, header,
// the full last page), keys, mouse hot tracking and auto-scrolling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/data/qzLookupGrid.h"
#include "tests/support/FormFixture.h"

namespace {

class LookupGrid : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Grid = new TqzLookupGrid(Form);
        Grid->SetParent(Form);
        Grid->SetPopupMode(true);
        Grid->SetBounds(10, 10, 200, 150);
        for (TqzValueTypeClass type : {ValueTypeClass<TqzStringValueType>(), ValueTypeClass<TqzIntegerValueType>()})
            Grid->GetColumns()->Add()->SetItemValueTypeClass(type);
        Fill(10);
        Form->Show();
        App->ProcessMessages();
    }
    void Fill(Integer count) {
        TqzCustomDataController* c = Grid->GetDataController();
        TqzUpdateLock lock(c);
        c->SetRecordCount(count);
        for (Integer r = 0; r < count; ++r) {
            c->SetValue(r, 0, Variant(String("Item ") + IntToStr(r)));
            c->SetValue(r, 1, Variant(count - r));
        }
    }
    TqzLookupGridColumn* Column(Integer i) { return Grid->GetColumns()->GetColumn(i); }
    TqzCustomDataController* Controller() { return Grid->GetDataController(); }
    Integer Pitch() { return Grid->GetRowPitch(); }
    Integer HeaderHeight() {
        TqzLookupGridViewInfo* info = Grid->GetViewInfo();
        return info->HeaderArea.bottom - info->HeaderArea.top;
    }
    // The grid's height for a client showing n whole rows.
    void ShowRows(Integer n) {
        Grid->GetViewInfo()->Calculate();
        Grid->SetHeight(HeaderHeight() + n * Pitch() + 2);
        App->ProcessMessages();
        Grid->RefreshLayout();
    }
    void Key(Word key, TShiftState shift = TShiftState()) { Grid->HandleKeyDown(key, shift); }
    POINT ScreenPoint(Integer x, Integer y) { return Grid->ClientToScreen(POINT{x, y}); }
    Integer RowTop(Integer rowIndex) { return HeaderHeight() + (rowIndex - Grid->GetTopRowIndex()) * Pitch(); }

    TqzLookupGrid* Grid = nullptr;
};

TEST_F(LookupGrid, NewColumnDefaultsAndWidthRules) {
    TqzLookupGridColumn* c = Column(0);
    EXPECT_EQ(c->GetMinWidth(), 20);
    EXPECT_EQ(c->GetWidth(), 64);
    EXPECT_FALSE(c->IsWidthStored());
    EXPECT_TRUE(c->GetSorting());
    EXPECT_FALSE(c->IsCaptionStored());
    EXPECT_EQ(c->GetCaption(), "");

    c->SetWidth(5);
    EXPECT_EQ(c->GetWidth(), 20);
    EXPECT_TRUE(c->IsWidthStored());

    TqzLookupGridColumn* d = Column(1);
    d->SetMinWidth(100);
    EXPECT_EQ(d->GetWidth(), 100);
    EXPECT_TRUE(d->IsWidthStored());
    d->SetMinWidth(-3);
    EXPECT_EQ(d->GetMinWidth(), 0);

    d->RestoreDefaults();
    EXPECT_EQ(d->GetMinWidth(), 20);
    EXPECT_FALSE(d->IsWidthStored());
}

TEST_F(LookupGrid, RowSelectClearsTheFocusedColumnOnly) {
    Grid->GetOptions()->SetRowSelect(false);
    Grid->FocusColumnIndex(1);
    EXPECT_EQ(Grid->GetFocusedColumn(), Column(1));
    Grid->GetOptions()->SetRowSelect(true);
    EXPECT_EQ(Grid->GetFocusedColumn(), nullptr);
    Grid->GetOptions()->SetRowSelect(false);
    EXPECT_EQ(Grid->GetFocusedColumn(), nullptr);
    // With RowSelect no column takes the focus.
    Grid->GetOptions()->SetRowSelect(true);
    Grid->FocusColumnIndex(0);
    EXPECT_EQ(Grid->GetFocusedColumn(), nullptr);
}

TEST_F(LookupGrid, MovedColumnKeepsItsSorting) {
    Column(1)->SetSortOrder(soAscending);
    TqzLookupGridColumn* sorted = Column(1);
    sorted->SetIndex(0);
    EXPECT_EQ(Column(0), sorted);
    EXPECT_EQ(sorted->GetSortOrder(), soAscending);
    EXPECT_EQ(Column(1)->GetSortOrder(), soNone);
    // Sorted by the number, which counts down: the first row is the last record.
    EXPECT_EQ(Controller()->GetInfo()->GetRowRecordIndex(0), 9);
}

TEST_F(LookupGrid, HeaderClickSorting) {
    struct TCase {
        const char* Name;
        TShiftState Shift;
        bool ColumnSorting;
        bool Sorting;
        TqzDataSortOrder Clicked;
        TqzDataSortOrder Other;
    };
    const TCase cases[] = {
        {"plain click reverses and drops the other sort", TShiftState(), true, true, soDescending, soNone},
        {"shift keeps the other sort", TShiftState{ssShift}, true, true, soDescending, soAscending},
        {"ctrl removes the sort", TShiftState{ssCtrl}, true, true, soNone, soAscending},
        {"column sorting off", TShiftState(), false, true, soAscending, soAscending},
        {"the column's sorting off", TShiftState(), true, false, soAscending, soAscending},
    };
    int sortingChanged = 0;
    struct TCounter : TObject {
        int* Count;
        void Changed(TObject*) { ++*Count; }
    } counter;
    counter.Count = &sortingChanged;
    Controller()->OnSortingChanged = TNotifyEvent(&counter, &TCounter::Changed);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid->GetOptions()->ColumnSorting = true;
        Column(0)->SetSorting(true);
        Column(0)->SetSortOrder(soAscending);
        Column(1)->SetSortOrder(soAscending);
        Grid->GetOptions()->ColumnSorting = c.ColumnSorting;
        Column(0)->SetSorting(c.Sorting);
        sortingChanged = 0;
        Grid->HeaderClick(0, c.Shift);
        EXPECT_EQ(Column(0)->GetSortOrder(), c.Clicked);
        EXPECT_EQ(Column(1)->GetSortOrder(), c.Other);
        EXPECT_EQ(sortingChanged > 0, c.Clicked != soAscending || c.Other != soAscending);
    }
    // A click on a header through the mouse sorts too.
    Grid->GetOptions()->ColumnSorting = true;
    Column(0)->SetSorting(true);
    Column(0)->SetSortOrder(soNone);
    Column(1)->SetSortOrder(soNone);
    const TRect header = Grid->GetViewInfo()->Columns[0]->Bounds;
    const POINT p = ScreenPoint(header.left + 5, header.top + 3);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    App->ProcessMessages();
    EXPECT_EQ(Column(0)->GetSortOrder(), soAscending);
}

TEST_F(LookupGrid, RowPitchHeaderAndFitHeight) {
    struct TCase {
        TqzGridLines Lines;
        Integer ExtraPixel;
    };
    for (const TCase& c : {TCase{glBoth, 1}, TCase{glHorizontal, 1}, TCase{glVertical, 0}, TCase{glNone, 0}}) {
        SCOPED_TRACE(int(c.Lines));
        Grid->GetOptions()->SetGridLines(c.Lines);
        TqzLookupGridViewInfo* info = Grid->GetViewInfo();
        info->Calculate();
        EXPECT_EQ(Pitch(), info->MinimumRowHeight + c.ExtraPixel);
        ASSERT_FALSE(info->Rows.empty());
        const TqzLookupGridRowViewInfo* first = info->Rows[0].get();
        EXPECT_EQ(first->Bounds.bottom - first->Bounds.top, Pitch());
        EXPECT_EQ(Grid->FitHeight(0), HeaderHeight() + Pitch());
        EXPECT_EQ(Grid->GetRowsHeight(3), HeaderHeight() + 3 * Pitch());
        // Between whole rows the height goes down to the last whole row.
        EXPECT_EQ(Grid->FitHeight(HeaderHeight() + 3 * Pitch() + Pitch() / 2), HeaderHeight() + 3 * Pitch());
        // Never more rows than the list has.
        EXPECT_EQ(Grid->FitHeight(HeaderHeight() + 50 * Pitch()), HeaderHeight() + 10 * Pitch());
    }
    EXPECT_GT(HeaderHeight(), 0);
    Grid->GetOptions()->SetShowHeader(false);
    Grid->GetViewInfo()->Calculate();
    EXPECT_EQ(HeaderHeight(), 0);
    EXPECT_EQ(Grid->GetViewInfo()->Rows[0]->Bounds.top, Grid->GetClientBounds().top);
}

TEST_F(LookupGrid, EmptyAreasAndTheFullLastPage) {
    Column(0)->SetWidth(40);
    Column(0)->SetFixed(true);
    Column(1)->SetWidth(40);
    Column(1)->SetFixed(true);
    ShowRows(4);
    TqzLookupGridViewInfo* info = Grid->GetViewInfo();
    EXPECT_EQ(info->VisibleRowCount, 4);
    EXPECT_EQ(info->HeaderArea.right, info->GetClientBounds().left + 80);
    EXPECT_EQ(info->RightEmptyArea.left, info->HeaderArea.right);
    EXPECT_EQ(info->RightEmptyArea.right, info->GetClientBounds().right);
    // Asking for top row 9 of ten rows, four of which fit, keeps the last page full.
    EXPECT_EQ(info->GetTopRowIndexFor(9), 6);
    EXPECT_EQ(info->GetTopRowIndexFor(2), 2);
    Grid->SetTopRowIndexChecked(9);
    EXPECT_EQ(Grid->GetTopRowIndex(), 6);
}

TEST_F(LookupGrid, CellColoursOfTheFocusedRow) {
    Grid->GetOptions()->SetRowSelect(false);
    Grid->FocusRow(2);
    Grid->SetFocusedRowSelected(true);
    Grid->FocusColumnIndex(1);
    Grid->RefreshLayout();
    TqzLookupGridViewInfo* info = Grid->GetViewInfo();
    TqzLookupGridRowViewInfo* row = info->FindRow(2);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Cell(0)->CellEditViewInfo->BackgroundColor, info->GetSelectionColor());
    EXPECT_EQ(row->Cell(1)->CellEditViewInfo->BackgroundColor, info->GetContentColor());
    EXPECT_EQ(info->FindRow(1)->Cell(0)->CellEditViewInfo->BackgroundColor, info->GetContentColor());
    // With RowSelect the whole focused row shows the selection colours.
    Grid->GetOptions()->SetRowSelect(true);
    Grid->RefreshLayout();
    row = info->FindRow(2);
    EXPECT_EQ(row->Cell(1)->CellEditViewInfo->BackgroundColor, info->GetSelectionColor());
}

TEST_F(LookupGrid, Keys) {
    ShowRows(4);
    struct TCase {
        const char* Name;
        bool RowSelect;
        Integer StartRow;
        Integer StartColumn;
        Word Key;
        TShiftState Shift;
        Integer Row;
        Integer Column;
    };
    const TCase cases[] = {
        {"down", true, 2, -1, VK_DOWN, {}, 3, -1},
        {"up", true, 2, -1, VK_UP, {}, 1, -1},
        {"up stays on the first row", true, 0, -1, VK_UP, {}, 0, -1},
        {"down stays on the last row", true, 9, -1, VK_DOWN, {}, 9, -1},
        {"page down goes to the last visible row", true, 1, -1, VK_NEXT, {}, 3, -1},
        {"page down from the last visible row scrolls", true, 3, -1, VK_NEXT, {}, 6, -1},
        {"page up goes to the top row", true, 3, -1, VK_PRIOR, {}, 0, -1},
        {"home with RowSelect", true, 5, -1, VK_HOME, {}, 0, -1},
        {"end with RowSelect", true, 5, -1, VK_END, {}, 9, -1},
        {"home without RowSelect focuses the first column", false, 5, 1, VK_HOME, {}, 5, 0},
        {"end without RowSelect focuses the last column", false, 5, 0, VK_END, {}, 5, 1},
        {"ctrl+end without RowSelect", false, 5, 0, VK_END, TShiftState{ssCtrl}, 9, 0},
        {"right", false, 5, 0, VK_RIGHT, {}, 5, 1},
        {"right stays on the last column", false, 5, 1, VK_RIGHT, {}, 5, 1},
        {"left", false, 5, 1, VK_LEFT, {}, 5, 0},
        {"left with RowSelect focuses no column", true, 5, -1, VK_LEFT, {}, 5, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid->GetOptions()->SetRowSelect(c.RowSelect);
        Grid->SetTopRowIndex(0, false);
        Grid->FocusRow(c.StartRow);
        if (c.StartColumn >= 0) Grid->FocusColumnIndex(c.StartColumn);
        Key(c.Key, c.Shift);
        EXPECT_EQ(Grid->GetFocusedRow(), c.Row);
        EXPECT_EQ(Grid->GetFocusedColumn() ? Grid->GetFocusedColumn()->GetIndex() : -1, c.Column);
        EXPECT_TRUE(Grid->IsRowFullyVisible(Grid->GetFocusedRow()));
    }
}

TEST_F(LookupGrid, EnterClosesUpAcceptingOnlyWithAFocusedRow) {
    std::vector<bool> accepts;
    struct TListener : TObject {
        std::vector<bool>* Accepts;
        void CloseUp(TObject*, bool accept) { Accepts->push_back(accept); }
    } listener;
    listener.Accepts = &accepts;
    Grid->OnCloseUp = TqzLookupGridCloseUpEvent(&listener, &TListener::CloseUp);
    Grid->FocusRow(3);
    Key(VK_RETURN);
    Fill(0);
    Key(VK_RETURN);
    EXPECT_EQ(accepts, (std::vector<bool>{true, false}));
}

TEST_F(LookupGrid, HotTrackingIgnoresTheFirstMoveWhileAsked) {
    Grid->FocusRow(0);
    Grid->IgnoreMouseMoves = 1;
    WinInputMouseMove(ScreenPoint(20, RowTop(3) + 2));
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetFocusedRow(), 0);
    EXPECT_EQ(Grid->IgnoreMouseMoves, 0);
    WinInputMouseMove(ScreenPoint(22, RowTop(4) + 2));
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetFocusedRow(), 4);
    EXPECT_TRUE(Controller()->IsRowSelected(4));
}

TEST_F(LookupGrid, AutoScrollWhileTheButtonIsHeldBelowAndAboveTheRows) {
    ShowRows(4);
    const POINT onRow = ScreenPoint(20, RowTop(1) + 2);
    WinInputMouseMove(onRow);
    WinInputMouseButton(onRow, TWinMouseButton::Left, true);
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetFocusedRow(), 1);
    ASSERT_TRUE(Grid->IsMouseSelecting());
    // Below the rows: every tick focuses TopRowIndex + VisibleRowCount + 1, clamped.
    WinInputMouseMove(ScreenPoint(20, Grid->GetClientHeight() + 5));
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetAutoScrollDirection(), 2);
    std::vector<Integer> focused;
    for (int tick = 0; tick < 4; ++tick) {
        ClockAdvanceMs(50);
        App->ProcessMessages();
        focused.push_back(Grid->GetFocusedRow());
    }
    EXPECT_EQ(focused, (std::vector<Integer>{5, 7, 9, 9}));
    EXPECT_TRUE(Grid->IsRowFullyVisible(9));
    EXPECT_FALSE(Controller()->IsRowSelected(9));
    // Above the rows: TopRowIndex - 1.
    WinInputMouseMove(ScreenPoint(20, -5));
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetAutoScrollDirection(), 1);
    const Integer top = Grid->GetTopRowIndex();
    ClockAdvanceMs(50);
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetFocusedRow(), top - 1);
    // Releasing the button stops it and closes up, accepting only over a row.
    std::vector<bool> accepts;
    struct TListener : TObject {
        std::vector<bool>* Accepts;
        void CloseUp(TObject*, bool accept) { Accepts->push_back(accept); }
    } listener;
    listener.Accepts = &accepts;
    Grid->OnCloseUp = TqzLookupGridCloseUpEvent(&listener, &TListener::CloseUp);
    WinInputMouseButton(ScreenPoint(20, -5), TWinMouseButton::Left, false);
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetAutoScrollDirection(), 0);
    EXPECT_EQ(accepts, (std::vector<bool>{false}));
}

} // namespace
