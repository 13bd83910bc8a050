#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "grid/Tambor.h"
#include "platform/runtime/Prompts.h"
#include "tests/support/TestSupport.h"

namespace {

// A grid with a window stand-in of a settable client size that records repaints, pixel
// scrolls and scroll bars.
class TGeometryTambor : public TTambor {
public:
    explicit TGeometryTambor(TComponent* owner) : TTambor(owner) {}

    Integer Width = 400;
    Integer Height = 300;
    std::vector<RECT> Invalidated;
    int FullInvalidations = 0;
    int Updates = 0;
    struct Scroll {
        Integer Dx;
        Integer Dy;
        RECT Area;
    };
    std::vector<Scroll> Scrolls;
    struct Bar {
        Integer Max = -1;
        Integer Position = -1;
        int Calls = 0;
    };
    Bar Horz;
    Bar Vert;
    std::vector<std::pair<Integer, Integer>> SizeChanges;
    bool FailSizeChange = false;

    void ClearLog() {
        Invalidated.clear();
        FullInvalidations = 0;
        Updates = 0;
        Scrolls.clear();
        Horz = Bar();
        Vert = Bar();
        SizeChanges.clear();
    }
    using TCustomTambor::UpdateScrollRange;

protected:
    bool GridHasWindow() const override { return true; }
    Integer GridClientWidth() const override { return Width; }
    Integer GridClientHeight() const override { return Height; }
    void InvalidatePixels(const RECT& rect, bool) override { Invalidated.push_back(rect); }
    void InvalidateAll() override { ++FullInvalidations; }
    void UpdateNow() override { ++Updates; }
    void ScrollPixels(Integer dx, Integer dy, const RECT& area) override {
        Scrolls.push_back({dx, dy, area});
    }
    void SetScrollBar(bool horizontal, Integer maxRange, Integer position) override {
        Bar& bar = horizontal ? Horz : Vert;
        bar.Max = maxRange;
        bar.Position = position;
        ++bar.Calls;
    }
    Integer ZeroDigitWidth() const override { return 7; }
    void SizeChanged(Integer oldColCount, Integer oldRowCount) override {
        SizeChanges.emplace_back(oldColCount, oldRowCount);
        if (FailSizeChange) throw EOutOfMemory("Out of memory");
    }
};

void ExpectRect(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(actual.left, left);
    EXPECT_EQ(actual.top, top);
    EXPECT_EQ(actual.right, right);
    EXPECT_EQ(actual.bottom, bottom);
}

void ExpectGridIndexError(const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Grid index out of range");
    }
}

class TamborGeometryTest : public ::testing::Test {
protected:
    std::unique_ptr<TGeometryTambor> Grid = std::make_unique<TGeometryTambor>(nullptr);
};

// ---- Counts -----------------------------------------------------------------------------------

TEST_F(TamborGeometryTest, CountLimits) {
    struct Case {
        const char* name;
        std::function<void(TCustomTambor&)> apply;
        Integer cols, rows, fixedCols, fixedRows;
    };
    const std::vector<Case> cases = {
        {"ColCount 300", [](TCustomTambor& g) { g.SetColCount(300); }, 256, 5, 0, 0},
        {"ColCount 1", [](TCustomTambor& g) { g.SetColCount(1); }, 2, 5, 0, 0},
        {"RowCount 0", [](TCustomTambor& g) { g.SetRowCount(0); }, 5, 2, 0, 0},
        {"RowCount 1000", [](TCustomTambor& g) { g.SetRowCount(1000); }, 5, 1000, 0, 0},
        {"FixedCols lowered with ColCount",
         [](TCustomTambor& g) {
             g.SetFixedCols(3);
             g.SetColCount(4);
         },
         4, 5, 2, 0},
        {"FixedRows lowered with RowCount",
         [](TCustomTambor& g) {
             g.SetFixedRows(2);
             g.SetRowCount(1);
         },
         5, 2, 0, 0},
        {"FixedRows RowCount - 1 ignored", [](TCustomTambor& g) { g.SetFixedRows(g.GetRowCount() - 1); }, 5,
         5, 0, 0},
        {"FixedCols ColCount - 1 ignored", [](TCustomTambor& g) { g.SetFixedCols(4); }, 5, 5, 0, 0},
        {"FixedCols ColCount - 2", [](TCustomTambor& g) { g.SetFixedCols(3); }, 5, 5, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGeometryTambor grid(nullptr);
        c.apply(grid);
        EXPECT_EQ(grid.GetColCount(), c.cols);
        EXPECT_EQ(grid.GetRowCount(), c.rows);
        EXPECT_EQ(grid.GetFixedCols(), c.fixedCols);
        EXPECT_EQ(grid.GetFixedRows(), c.fixedRows);
        // The store follows the counts exactly.
        EXPECT_NO_THROW(grid.CellAt(c.cols - 1, c.rows - 1));
        EXPECT_THROW(grid.CellAt(c.cols, 0), EInvalidGridOperation);
        EXPECT_THROW(grid.CellAt(0, c.rows), EInvalidGridOperation);
    }
}

TEST_F(TamborGeometryTest, TooManyColumnsInTheDesignerAreReported) {
    {
        TScopedPromptScript prompts;
        Grid->SetColCount(300);
        EXPECT_TRUE(prompts.Prompts().empty());
    }
    Grid->SetColCount(5);
    Grid->IncludeComponentState(csDesigning);
    TScopedPromptScript prompts({IDOK});
    Grid->SetColCount(257);
    EXPECT_EQ(Grid->GetColCount(), 256);
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Caption, "Caution");
    EXPECT_EQ(prompts.Prompts()[0].Flags, MB_ICONERROR | MB_OK);
}

TEST_F(TamborGeometryTest, NegativeFixedCountsRaise) {
    ExpectGridIndexError([&] { Grid->SetFixedRows(-1); });
    ExpectGridIndexError([&] { Grid->SetFixedCols(-1); });
    EXPECT_EQ(Grid->GetFixedRows(), 0);
    EXPECT_EQ(Grid->GetFixedCols(), 0);
}

TEST_F(TamborGeometryTest, ResizingKeepsCellsAndInitialisesNewOnes) {
    Grid->CellAt(2, 3).ForeText = "kept";
    Grid->CellAt(4, 4).ForeText = "dropped";
    Grid->SetColCount(3);
    Grid->SetRowCount(4);
    Grid->SetColCount(6);
    Grid->SetRowCount(6);
    EXPECT_EQ(Grid->ReadForeText(2, 3), "kept");
    EXPECT_EQ(Grid->ReadForeText(4, 4), "");
    for (Integer c = 0; c < 6; ++c)
        for (Integer r = 0; r < 6; ++r) {
            EXPECT_EQ(Grid->CellAreaOf(c, r), (TGridRect{c, r, c, r}));
            EXPECT_EQ(Grid->CellColorOf(c, r), (c >= 1 && r >= 1) ? clWhite : clBtnFace);
        }
}

TEST_F(TamborGeometryTest, SizeChangeRepaintsAndReportsTheOldCounts) {
    Grid->ClearLog();
    Grid->SetColCount(8);
    Grid->SetRowCount(3);
    Grid->SetRowCount(3); // no change
    ASSERT_EQ(Grid->SizeChanges.size(), 2u);
    EXPECT_EQ(Grid->SizeChanges[0], std::make_pair(5, 5));
    EXPECT_EQ(Grid->SizeChanges[1], std::make_pair(8, 5));
    EXPECT_EQ(Grid->FullInvalidations, 2);
    EXPECT_GE(Grid->Horz.Calls, 1);
}

TEST_F(TamborGeometryTest, ShrinkingThroughAMultiCellAreaIsRefused) {
    const TGridRect area{3, 2, 4, 2};
    Grid->CellAt(3, 2).Area = area;
    Grid->CellAt(4, 2).Area = area;
    Grid->SetColCount(4);
    EXPECT_EQ(Grid->GetColCount(), 5);
    Grid->SetColCount(2);
    EXPECT_EQ(Grid->GetColCount(), 5);
    Grid->SetRowCount(2);
    EXPECT_EQ(Grid->GetRowCount(), 5);
    Grid->SetRowCount(3);
    EXPECT_EQ(Grid->GetRowCount(), 3);
    EXPECT_EQ(Grid->CellAreaOf(4, 2), area);
}

TEST_F(TamborGeometryTest, FailedSizeChangePutsTheOldCountsBack) {
    Grid->SetColumnWidthAt(1, 50);
    Grid->SetFixedCols(3);
    Grid->CellAt(1, 1).ForeText = "kept";
    Grid->FailSizeChange = true;
    EXPECT_THROW(Grid->SetColCount(3), EOutOfMemory);
    EXPECT_EQ(Grid->GetColCount(), 5);
    EXPECT_EQ(Grid->GetFixedCols(), 3);
    EXPECT_NO_THROW(Grid->CellAt(4, 4));
    EXPECT_EQ(Grid->ReadForeText(1, 1), "kept");
    EXPECT_NO_THROW(Grid->SetColumnWidthAt(4, 20));
    EXPECT_EQ(Grid->ColumnWidthAt(1), 50);

    EXPECT_THROW(Grid->SetRowCount(40), EOutOfMemory);
    EXPECT_EQ(Grid->GetRowCount(), 5);
    EXPECT_THROW(Grid->CellAt(0, 5), EInvalidGridOperation);

    Grid->FailSizeChange = false;
    try {
        Grid->SetRowCount(200000000);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Grid too large for operation");
    }
    EXPECT_EQ(Grid->GetRowCount(), 5);
}

TEST_F(TamborGeometryTest, FixedCountsResetCurrentCellAndScrolling) {
    Grid->SetColCount(20);
    Grid->SetRowCount(20);
    Grid->SetTopLeft(6, 7);
    Grid->SetFixedCols(2);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 3);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 7);
    EXPECT_EQ(Grid->GetCol(), 3);
    EXPECT_EQ(Grid->GetRow(), 1);
    EXPECT_EQ(Grid->GetSelection(), (TGridRect{3, 1, 3, 1}));
    Grid->SetFixedRows(4);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 5);
    EXPECT_EQ(Grid->GetCol(), 3);
    EXPECT_EQ(Grid->GetRow(), 5);

    // Shrinking keeps the current cell inside and lowers the first visible cell.
    Grid->SetColCount(4);
    Grid->SetRowCount(6);
    EXPECT_EQ(Grid->GetCol(), 3);
    EXPECT_EQ(Grid->GetRow(), 5);
    EXPECT_LE(Grid->GetFirstVisibleCol(), 3);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 5);
}

TEST_F(TamborGeometryTest, RowSelectSpansTheSelection) {
    TTamborOptions options = Grid->GetOptions();
    options.Include(goRowSelect);
    options.Include(goAlwaysShowEditor);
    Grid->SetOptions(options);
    EXPECT_TRUE(Grid->GetOptions().Contains(goRowSelect));
    EXPECT_FALSE(Grid->GetOptions().Contains(goAlwaysShowEditor));
    EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 4, 1}));
}

// ---- Sizes ------------------------------------------------------------------------------------

TEST_F(TamborGeometryTest, ColumnWidthsAndRowHeights) {
    EXPECT_EQ(Grid->ColumnWidthAt(2), 80);
    EXPECT_EQ(Grid->ColumnWidthAt(-1), 80);
    EXPECT_EQ(Grid->ColumnWidthAt(5), 80);
    EXPECT_EQ(Grid->RowHeightAt(3), 30);
    ExpectGridIndexError([&] { Grid->SetColumnWidthAt(5, 10); });
    ExpectGridIndexError([&] { Grid->SetColumnWidthAt(-1, 10); });
    ExpectGridIndexError([&] { Grid->SetRowHeightAt(5, 10); });
    ExpectGridIndexError([&] { Grid->SetRowHeightAt(-1, 10); });

    Grid->ClearLog();
    Grid->SetColumnWidthAt(2, 50);
    EXPECT_EQ(Grid->ColumnWidthAt(2), 50);
    EXPECT_EQ(Grid->ColumnWidthAt(1), 80);
    EXPECT_EQ(Grid->ColumnWidthAt(7), 80); // outside: the default
    // Repainted from the column's left edge to the right of the control, at once.
    ASSERT_EQ(Grid->Invalidated.size(), 1u);
    ExpectRect(Grid->Invalidated[0], 162, 0, 400, 300);
    EXPECT_EQ(Grid->Updates, 1);
    EXPECT_GE(Grid->Horz.Calls, 1);

    Grid->ClearLog();
    Grid->SetColumnWidthAt(2, 50);
    EXPECT_TRUE(Grid->Invalidated.empty());

    // A multi-cell area reaching into the column repaints from the area's start.
    Grid->CellAt(1, 3).Area = TGridRect{1, 3, 2, 3};
    Grid->CellAt(2, 3).Area = TGridRect{1, 3, 2, 3};
    Grid->SetColumnWidthAt(2, 60);
    ASSERT_EQ(Grid->Invalidated.size(), 1u);
    ExpectRect(Grid->Invalidated[0], 81, 0, 400, 300);

    Grid->ClearLog();
    Grid->SetRowHeightAt(2, 40);
    EXPECT_EQ(Grid->RowHeightAt(2), 40);
    ASSERT_EQ(Grid->Invalidated.size(), 1u);
    ExpectRect(Grid->Invalidated[0], 0, 62, 400, 300);
}

TEST_F(TamborGeometryTest, DefaultSizesKeepTheEntriesOfAnExistingTable) {
    Grid->SetDefaultRowHeight(25);
    EXPECT_EQ(Grid->RowHeightAt(4), 25);

    Grid->SetColumnWidthAt(2, 50);
    Grid->SetDefaultColWidth(100);
    EXPECT_EQ(Grid->GetDefaultColWidth(), 100);
    EXPECT_EQ(Grid->ColumnWidthAt(1), 80);
    EXPECT_EQ(Grid->ColumnWidthAt(2), 50);
    EXPECT_EQ(Grid->ColumnWidthAt(9), 100);
    Grid->SetColCount(7);
    EXPECT_EQ(Grid->ColumnWidthAt(4), 80);
    EXPECT_EQ(Grid->ColumnWidthAt(5), 100);
    EXPECT_EQ(Grid->ColumnWidthAt(6), 100);
}

// ---- Cells and pixels -------------------------------------------------------------------------

TEST_F(TamborGeometryTest, CellRectsOfADefaultGrid) {
    ExpectRect(Grid->CellRect(0, 0), 0, 0, 80, 30);
    ExpectRect(Grid->CellRect(1, 1), 81, 31, 161, 61);
    ExpectRect(Grid->CellRect(4, 4), 324, 124, 404, 154); // cut by the client edge
    ExpectRect(Grid->CellRangeRect(TGridRect{1, 1, 2, 2}, false), 81, 31, 242, 92);
    ExpectRect(Grid->CellRangeRect(TGridRect{1, 1, 2, 2}, true), 81, 31, 243, 93);
    ExpectRect(Grid->CellRangeRect(TGridRect{2, 2, 1, 1}, false), 0, 0, 0, 0);
    EXPECT_EQ(Grid->GetVisibleColCount(), 3);
    EXPECT_EQ(Grid->GetVisibleRowCount(), 4);
}

TEST_F(TamborGeometryTest, FullyVisibleCellsMayLoseTheirTrailingLine) {
    // Column 4 covers 324..403 and its line 404.
    const std::vector<std::pair<Integer, Integer>> widths = {{403, 3}, {404, 4}, {405, 4}};
    for (const auto& [width, visible] : widths) {
        SCOPED_TRACE(width);
        Grid->Width = width;
        EXPECT_EQ(Grid->GetVisibleColCount(), visible);
    }
    Grid->SetColCount(8);
    Grid->Width = 404;
    EXPECT_EQ(Grid->ScrollBarRangeMax(true), 127);
    Grid->ScrollBarCommand(true, 7, 0); // to the end
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 4);
}

TEST_F(TamborGeometryTest, CellsAtPoints) {
    struct Case {
        const char* name;
        std::function<void(TCustomTambor&)> setup;
        Integer x, y;
        TGridCoord expected;
    };
    const std::vector<Case> cases = {
        {"corner", nullptr, 0, 0, {0, 0}},
        {"left of everything", nullptr, -5, -5, {0, 0}},
        {"first data cell", nullptr, 81, 31, {1, 1}},
        {"a cell's trailing line", nullptr, 161, 61, {1, 1}},
        {"after the line", nullptr, 162, 62, {2, 2}},
        {"beyond the last cell", nullptr, 399, 299, {4, 4}},
        {"row titles hidden", [](TCustomTambor& g) { g.SetShowRowTitle(false); }, 0, 40, {1, 1}},
        {"column titles hidden", [](TCustomTambor& g) { g.SetShowColTitle(false); }, 90, 0, {1, 1}},
        {"hidden column takes no space",
         [](TCustomTambor& g) { g.SetColumnWidthAt(2, -1); },
         162,
         40,
         {3, 1}},
        {"fixed column", [](TCustomTambor& g) { g.SetFixedCols(2); }, 200, 40, {2, 1}},
        {"scrolled",
         [](TCustomTambor& g) {
             g.SetColCount(10);
             g.SetTopLeft(4, 1);
         },
         100,
         40,
         {4, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGeometryTambor grid(nullptr);
        if (c.setup) c.setup(grid);
        EXPECT_EQ(grid.CellAtPoint(c.x, c.y), c.expected);
    }
}

TEST_F(TamborGeometryTest, CellRectsWithHiddenTitlesAndHiddenCells) {
    Grid->SetShowRowTitle(false);
    ExpectRect(Grid->CellRect(0, 1), 0, 0, 0, 0);
    ExpectRect(Grid->CellRect(1, 1), 0, 31, 80, 61);
    Grid->SetShowColTitle(false);
    ExpectRect(Grid->CellRect(1, 0), 0, 0, 0, 0);
    ExpectRect(Grid->CellRect(1, 1), 0, 0, 80, 30);

    TGeometryTambor grid(nullptr);
    grid.SetColumnWidthAt(2, -1);
    grid.SetRowHeightAt(3, -1);
    ExpectRect(grid.CellRect(2, 1), 0, 0, 0, 0);
    ExpectRect(grid.CellRect(1, 3), 0, 0, 0, 0);
    ExpectRect(grid.CellRect(3, 4), 162, 93, 242, 123);
    // A range over the hidden column spans its neighbours.
    ExpectRect(grid.CellRangeRect(TGridRect{1, 1, 3, 1}, false), 81, 31, 242, 61);
}

TEST_F(TamborGeometryTest, ScrolledCellsLeftOfTheFirstVisibleAreNotShown) {
    Grid->SetColCount(20);
    Grid->SetFixedCols(1);
    Grid->SetTopLeft(5, 1);
    ExpectRect(Grid->CellRect(3, 1), 0, 0, 0, 0);
    ExpectRect(Grid->CellRect(1, 1), 81, 31, 161, 61);
    ExpectRect(Grid->CellRect(5, 1), 162, 31, 242, 61);
    // From the fixed column on to the scrolled ones.
    ExpectRect(Grid->CellRangeRect(TGridRect{1, 1, 6, 1}, false), 81, 31, 323, 61);
    ExpectRect(Grid->CellRect(19, 1), 0, 0, 0, 0);
}

// ---- Scrolling --------------------------------------------------------------------------------

TEST_F(TamborGeometryTest, ScrollPositionMapsOntoZeroTo127) {
    Grid->SetColCount(20);
    // 320 pixels hold three 81-pixel columns: the last first column is 17.
    EXPECT_EQ(Grid->ScrollBarRangeMax(true), 127);
    const std::vector<std::pair<Integer, Integer>> positions = {
        {1, 0}, {2, 7}, {9, 63}, {16, 119}, {17, 127}};
    for (const auto& [first, position] : positions) {
        SCOPED_TRACE(first);
        Grid->SetTopLeft(first, 1);
        EXPECT_EQ(Grid->GetFirstVisibleCol(), first);
        EXPECT_EQ(Grid->ScrollBarPosition(true), position);
        EXPECT_EQ(Grid->Horz.Position, position);
        EXPECT_EQ(Grid->Horz.Max, 127);
    }
    // Everything fits vertically: the bar runs 0..0.
    EXPECT_EQ(Grid->ScrollBarRangeMax(false), 0);
    EXPECT_EQ(Grid->ScrollBarPosition(false), 0);

    // Scrolled, then the window grows until nothing scrolls any more: position 0, no division.
    Grid->Width = 2000;
    Grid->UpdateScrollRange();
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 17);
    EXPECT_EQ(Grid->ScrollBarRangeMax(true), 0);
    EXPECT_EQ(Grid->ScrollBarPosition(true), 0);
    EXPECT_EQ(Grid->Horz.Max, 0);
    EXPECT_EQ(Grid->Horz.Position, 0);
}

TEST_F(TamborGeometryTest, ScrollBarCommands) {
    enum { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom };
    struct Case {
        const char* name;
        Integer start;
        Integer code;
        Integer position;
        Integer expected;
    };
    const std::vector<Case> cases = {
        {"line down", 1, LineDown, 0, 2},
        {"line up", 5, LineUp, 0, 4},
        {"line up at the start", 1, LineUp, 0, 1},
        {"page down by the visible columns", 2, PageDown, 0, 5},
        {"page up", 5, PageUp, 0, 2},
        {"page up past the start", 2, PageUp, 0, 1},
        {"page down past the end", 16, PageDown, 0, 17},
        {"thumb position", 1, ThumbPosition, 64, 9},
        {"thumb position at the end", 1, ThumbPosition, 127, 17},
        {"thumb track without thumb tracking", 1, ThumbTrack, 127, 1},
        {"top", 9, Top, 0, 1},
        {"bottom", 1, Bottom, 0, 17},
        {"unknown code", 4, 8, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGeometryTambor grid(nullptr);
        grid.SetColCount(20);
        grid.SetRowCount(40);
        grid.SetTopLeft(c.start, c.start);
        grid.ScrollBarCommand(true, c.code, c.position);
        EXPECT_EQ(grid.GetFirstVisibleCol(), c.expected);
        EXPECT_EQ(grid.GetFirstVisibleRow(), c.start);
    }

    TGeometryTambor grid(nullptr);
    grid.SetColCount(20);
    grid.SetOptions(grid.GetOptions() + TTamborOptions{goThumbTracking});
    grid.ScrollBarCommand(true, ThumbTrack, 127);
    EXPECT_EQ(grid.GetFirstVisibleCol(), 17);

    // Hidden cells are stepped over.
    grid.SetTopLeft(1, 1);
    grid.SetColumnWidthAt(2, -1);
    grid.ScrollBarCommand(true, LineDown, 0);
    EXPECT_EQ(grid.GetFirstVisibleCol(), 3);

    // Rows: 240 pixels of rows below the title hold eight 31-pixel rows.
    grid.SetRowCount(30);
    grid.ScrollBarCommand(false, PageDown, 0);
    EXPECT_EQ(grid.GetFirstVisibleRow(), 9);
    grid.ScrollBarCommand(false, Bottom, 0);
    EXPECT_EQ(grid.GetFirstVisibleRow(), 22);
    EXPECT_EQ(grid.ScrollBarPosition(false), 127);
}

TEST_F(TamborGeometryTest, SingleDataColumnScrollsByPixels) {
    enum { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom };
    Grid->SetColCount(2);
    Grid->SetColumnWidthAt(1, 1000);
    // 319 pixels of scrolling area show a 1000-pixel column: 681 pixels to scroll.
    EXPECT_EQ(Grid->ScrollBarRangeMax(true), 681);
    Grid->ClearLog();

    Grid->ScrollBarCommand(true, LineDown, 0);
    EXPECT_EQ(Grid->GetHorzOffset(), 7);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 1);
    EXPECT_EQ(Grid->ScrollBarPosition(true), 7);
    EXPECT_EQ(Grid->Horz.Position, 7);
    ASSERT_EQ(Grid->Scrolls.size(), 1u);
    EXPECT_EQ(Grid->Scrolls[0].Dx, -7);
    EXPECT_EQ(Grid->Scrolls[0].Dy, 0);
    ExpectRect(Grid->Scrolls[0].Area, 81, 0, 400, 300);
    // The title cell of the column is repainted.
    ASSERT_EQ(Grid->Invalidated.size(), 1u);
    ExpectRect(Grid->CellRect(1, 1), 74, 31, 1074, 61);

    const std::vector<std::pair<Integer, Integer>> steps = {
        {PageDown, 326}, {PageUp, 7}, {LineUp, 0}, {LineUp, 0}, {Bottom, 681}, {LineDown, 681}, {Top, 0}};
    for (const auto& [code, offset] : steps) {
        Grid->ScrollBarCommand(true, code, 0);
        EXPECT_EQ(Grid->GetHorzOffset(), offset);
    }
    Grid->ScrollBarCommand(true, ThumbPosition, 100);
    EXPECT_EQ(Grid->GetHorzOffset(), 100);

    // Three columns scroll by whole columns again.
    Grid->SetColCount(3);
    EXPECT_EQ(Grid->GetHorzOffset(), 0);
    EXPECT_EQ(Grid->ScrollBarRangeMax(true), 127);
    Grid->ScrollBarCommand(true, LineDown, 0);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 2);
    EXPECT_EQ(Grid->GetHorzOffset(), 0);
}

TEST_F(TamborGeometryTest, TopLeftChangeScrollsPixelsOrRepaints) {
    struct TCounter {
        int Calls = 0;
        void Handler(TObject*) { ++Calls; }
    } counter;
    Grid->OnTopLeftChanged = MakeEvent(&counter, &TCounter::Handler);
    Grid->SetColCount(20);
    Grid->SetRowCount(20);
    Grid->ClearLog();

    Grid->SetTopLeft(2, 3);
    ASSERT_EQ(Grid->Scrolls.size(), 2u);
    EXPECT_EQ(Grid->Scrolls[0].Dx, -81);
    ExpectRect(Grid->Scrolls[0].Area, 81, 0, 400, 300);
    EXPECT_EQ(Grid->Scrolls[1].Dy, -62);
    ExpectRect(Grid->Scrolls[1].Area, 0, 31, 400, 300);
    EXPECT_EQ(Grid->FullInvalidations, 0);
    EXPECT_EQ(Grid->Updates, 1);
    EXPECT_EQ(counter.Calls, 1);

    Grid->ClearLog();
    Grid->SetTopLeft(2, 3);
    EXPECT_TRUE(Grid->Scrolls.empty());
    EXPECT_EQ(counter.Calls, 1);

    // A jump wider than the scrolling area repaints everything.
    Grid->SetTopLeft(10, 3);
    EXPECT_TRUE(Grid->Scrolls.empty());
    EXPECT_EQ(Grid->FullInvalidations, 1);
    EXPECT_EQ(counter.Calls, 2);

    Grid->SetTopLeft(0, -4);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 1);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 1);
}

TEST_F(TamborGeometryTest, ScrollIntoView) {
    Grid->SetColCount(20);
    Grid->SetRowCount(20);
    Grid->ScrollIntoView(3, 4);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 1);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 1);
    // A column beyond the last fully visible one becomes the last fully visible one.
    Grid->ScrollIntoView(5, 12);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 3);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 5);
    EXPECT_EQ(Grid->GetVisibleColCount(), 3);
    // One left of the first visible becomes the first visible.
    Grid->ScrollIntoView(2, 4);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 2);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 4);
}

// ---- Sizing hit test --------------------------------------------------------------------------

TEST_F(TamborGeometryTest, SizingHitTest) {
    struct Case {
        const char* name;
        std::function<void(TGeometryTambor&)> setup;
        Integer x, y;
        TTamborState state;
        Integer index;
    };
    auto colSizing = [](TGeometryTambor& g) { g.SetOptions(g.GetOptions() + TTamborOptions{goColSizing}); };
    auto clientSizing = [=](TGeometryTambor& g) {
        colSizing(g);
        g.SetClientSizeable(true);
    };
    const std::vector<Case> cases = {
        {"no sizing options", nullptr, 161, 10, gsNormal, -1},
        {"column border in the title row", colSizing, 161, 10, gsColSizing, 1},
        {"band starts three pixels before", colSizing, 158, 10, gsColSizing, 1},
        {"band ends four pixels after", colSizing, 164, 10, gsColSizing, 1},
        {"outside the band", colSizing, 157, 10, gsNormal, -1},
        {"outside the band after", colSizing, 165, 10, gsNormal, -1},
        {"data rows need ClientSizeable", colSizing, 242, 40, gsNormal, -1},
        {"ClientSizeable", clientSizing, 242, 40, gsColSizing, 2},
        {"inside the selection", clientSizing, 161, 40, gsNormal, -1},
        {"column 0 is never sized", colSizing, 80, 10, gsNormal, -1},
        {"hidden column is the sized one",
         [=](TGeometryTambor& g) {
             colSizing(g);
             g.SetColumnWidthAt(2, -1);
         },
         161, 10, gsColSizing, 2},
        {"row border in the title column",
         [](TGeometryTambor& g) { g.SetOptions(g.GetOptions() + TTamborOptions{goRowSizing}); }, 40, 61,
         gsRowSizing, 1},
        {"designing counts as both", [](TGeometryTambor& g) { g.IncludeComponentState(csDesigning); }, 40, 92,
         gsRowSizing, 2},
        {"inside a multi-cell area",
         [=](TGeometryTambor& g) {
             clientSizing(g);
             g.CellAt(2, 3).Area = TGridRect{2, 3, 3, 3};
             g.CellAt(3, 3).Area = TGridRect{2, 3, 3, 3};
         },
         242, 98, gsNormal, -1},
        {"outer edge of a multi-cell area",
         [=](TGeometryTambor& g) {
             clientSizing(g);
             g.CellAt(2, 3).Area = TGridRect{2, 3, 3, 3};
             g.CellAt(3, 3).Area = TGridRect{2, 3, 3, 3};
         },
         323, 98, gsColSizing, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGeometryTambor grid(nullptr);
        if (c.setup) c.setup(grid);
        TTamborState state = gsSelecting;
        Integer index = 99, pos = 0, ofs = 0;
        grid.SizingHitTest(c.x, c.y, state, index, pos, ofs);
        EXPECT_EQ(state, c.state);
        EXPECT_EQ(index, c.index);
        // The offset leads from the point to the border.
        if (state != gsNormal) {
            EXPECT_EQ(pos - ofs, state == gsColSizing ? c.x : c.y);
        }
    }
}

} // namespace
