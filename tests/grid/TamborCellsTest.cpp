#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "grid/Tambor.h"
#include "platform/runtime/Prompts.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::DotSettings;
using testsupport::ScopedFormatSettings;

// A grid with a window stand-in that records what would be repainted.
class TRecordingTambor : public TTambor {
public:
    explicit TRecordingTambor(TComponent* owner) : TTambor(owner) {}

    bool WindowExists = true;
    std::vector<RECT> Invalidated;
    int FullInvalidations = 0;
    int Updates = 0;

    void ClearLog() {
        Invalidated.clear();
        FullInvalidations = 0;
        Updates = 0;
    }
    bool NothingRepainted() const { return Invalidated.empty() && FullInvalidations == 0; }

protected:
    bool GridHasWindow() const override { return WindowExists; }
    Integer GridClientWidth() const override { return 400; }
    Integer GridClientHeight() const override { return 300; }
    void InvalidatePixels(const RECT& rect, bool erase) override {
        EXPECT_FALSE(erase);
        Invalidated.push_back(rect);
    }
    void InvalidateAll() override { ++FullInvalidations; }
    void UpdateNow() override { ++Updates; }
};

// Records every text notice and can rewrite the value.
struct TTextLog {
    struct Entry {
        TObject* Sender;
        Integer Col;
        Integer Row;
        String Value;
    };
    std::vector<Entry> Entries;
    String Replacement;
    bool Replace = false;

    void Handler(TObject* sender, Integer col, Integer row, String& value) {
        Entries.push_back({sender, col, row, value});
        if (Replace) value = Replacement;
    }
};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool SameCell(const TCellInfo& a, const TCellInfo& b) {
    return a.DataStyle == b.DataStyle && a.AlignMode == b.AlignMode && a.Area == b.Area &&
           a.ReadOnly == b.ReadOnly && a.AutoWordBreak == b.AutoWordBreak &&
           a.ShowForeText == b.ShowForeText && a.TopLine == b.TopLine && a.LeftLine == b.LeftLine &&
           a.BottomLine == b.BottomLine && a.RightLine == b.RightLine && a.AllowNegative == b.AllowNegative &&
           a.TrailingZero == b.TrailingZero && a.ZeroNull == b.ZeroNull && a.ThousandSep == b.ThousandSep &&
           a.MaxLength == b.MaxLength && a.IntLength == b.IntLength && a.DecLength == b.DecLength &&
           a.LineWidth == b.LineWidth && a.PenStyle == b.PenStyle && a.Spare == b.Spare &&
           a.Color == b.Color && a.FontSize == b.FontSize && a.FontColor == b.FontColor &&
           a.FontStyle == b.FontStyle && a.FontName == b.FontName && a.ForeText == b.ForeText &&
           a.BackText == b.BackText;
}

RECT Inflated(RECT r, LONG by) { return RECT{r.left - by, r.top - by, r.right + by, r.bottom + by}; }

class TamborCellsTest : public ::testing::Test {
protected:
    TamborCellsTest() : Grid(std::make_unique<TRecordingTambor>(nullptr)) {
        Grid->OnSetForeText = MakeEvent(&ForeLog, &TTextLog::Handler);
        Grid->OnSetBackText = MakeEvent(&BackLog, &TTextLog::Handler);
    }

    ScopedFormatSettings Locale{DotSettings()};
    std::unique_ptr<TRecordingTambor> Grid;
    TTextLog ForeLog;
    TTextLog BackLog;
};

TEST_F(TamborCellsTest, NewGridHasWhiteDataCellsAndTitleColouredTitles) {
    EXPECT_EQ(Grid->GetColCount(), 5);
    EXPECT_EQ(Grid->GetRowCount(), 5);
    for (Integer c = 0; c < 5; ++c)
        for (Integer r = 0; r < 5; ++r) {
            SCOPED_TRACE(std::to_string(c) + "," + std::to_string(r));
            const TCellInfo& cell = Grid->CellAt(c, r);
            EXPECT_EQ(cell.Color, (c >= 1 && r >= 1) ? clWhite : clBtnFace);
            EXPECT_EQ(Grid->CellColorOf(c, r), cell.Color);
            EXPECT_EQ(cell.Area, (TGridRect{c, r, c, r}));
            EXPECT_EQ(cell.FontName, "MS Sans Serif");
            EXPECT_EQ(cell.FontSize, 8);
            EXPECT_EQ(cell.IntLength, 3);
            EXPECT_EQ(cell.DecLength, 2);
            EXPECT_TRUE(cell.AutoWordBreak);
            EXPECT_TRUE(cell.ShowForeText);
            // Fixed values whatever the grid-wide defaults say.
            EXPECT_TRUE(cell.AllowNegative);
            EXPECT_FALSE(cell.ZeroNull);
            EXPECT_FALSE(cell.ThousandSep);
            EXPECT_FALSE(cell.TrailingZero);
            EXPECT_TRUE(cell.FontStyle.empty());
            EXPECT_FALSE(Grid->IsMergedCell(c, r));
        }
    EXPECT_TRUE(Grid->GetCellZeroNull());
    EXPECT_TRUE(Grid->GetCellThousandSep());
}

TEST_F(TamborCellsTest, EveryCellAccessIsRangeChecked) {
    const std::vector<std::pair<Integer, Integer>> outside = {{-1, 0}, {0, -1}, {5, 0},
                                                              {0, 5},  {5, 5},  {99, 2}};
    for (const auto& [c, r] : outside) {
        SCOPED_TRACE(std::to_string(c) + "," + std::to_string(r));
        const std::vector<std::function<void()>> accesses = {
            [&] { Grid->CellAt(c, r); },
            [&] { Grid->CellAreaOf(c, r); },
            [&] { Grid->CellColorOf(c, r); },
            [&] { Grid->IsMergedCell(c, r); },
            [&] { Grid->ReadForeText(c, r); },
            [&] { Grid->ReadBackText(c, r); },
            [&] { Grid->WriteForeText(c, r, "x"); },
            [&] { Grid->WriteBackText(c, r, "x"); },
        };
        for (const auto& access : accesses) {
            try {
                access();
                ADD_FAILURE() << "no exception";
            } catch (const EInvalidGridOperation& e) {
                EXPECT_EQ(e.Message, "Grid index out of range");
            }
        }
    }
    EXPECT_TRUE(ForeLog.Entries.empty());
    EXPECT_TRUE(BackLog.Entries.empty());
}

TEST_F(TamborCellsTest, CheckedForeTextWrite) {
    struct Case {
        const char* name;
        TDataStyle style;
        const char* before;
        const char* written;
        const char* stored;
        bool repainted;
    };
    const std::vector<Case> cases = {
        {"same text", dsText, "abc", "abc", "abc", false},
        {"new text", dsText, "abc", "xyz", "xyz", true},
        {"number converted", dsNumber, "", "3.14159", "3.14", true},
        {"number '-' gives empty", dsNumber, "5", "-", "", true},
        {"number 0 gives empty", dsNumber, "5", "0", "", true},
        {"number 0.0 gives 0", dsNumber, "", "0.0", "0", true},
        {"number already in the cell", dsNumber, "3.14", "3.14", "3.14", false},
        {"empty date stored as given", dsDate, "2024-01-01", "", "", true},
        {"date in the short form", dsDate, "", "12/31/2024", "2024-12-31", true},
        {"time", dsTime, "", "7:05", "07:05:00", true},
        {"formula not converted", dsFormula, "", "=A1+1", "=A1+1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCellInfo& cell = Grid->CellAt(2, 3);
        cell.DataStyle = c.style;
        cell.ForeText = c.before;
        ForeLog.Entries.clear();
        Grid->ClearLog();

        Grid->WriteForeText(2, 3, c.written);

        EXPECT_EQ(Grid->ReadForeText(2, 3), c.stored);
        // The notice comes once, also when nothing changed, with the stored text.
        ASSERT_EQ(ForeLog.Entries.size(), 1u);
        EXPECT_EQ(ForeLog.Entries[0].Sender, Grid.get());
        EXPECT_EQ(ForeLog.Entries[0].Col, 2);
        EXPECT_EQ(ForeLog.Entries[0].Row, 3);
        EXPECT_EQ(ForeLog.Entries[0].Value, c.stored);
        if (c.repainted) {
            ASSERT_EQ(Grid->Invalidated.size(), 1u);
            EXPECT_TRUE(SameRect(Grid->Invalidated[0], Inflated(Grid->CellRect(2, 3), 3)));
            EXPECT_EQ(Grid->Updates, 1);
        } else {
            EXPECT_TRUE(Grid->NothingRepainted());
        }
        EXPECT_TRUE(BackLog.Entries.empty());
    }
}

TEST_F(TamborCellsTest, ForeTextOfACellShowingItsBackTextIsNotRepainted) {
    Grid->CellAt(1, 1).ShowForeText = false;
    Grid->WriteForeText(1, 1, "hidden");
    EXPECT_EQ(Grid->ReadForeText(1, 1), "hidden");
    EXPECT_TRUE(Grid->NothingRepainted());
    EXPECT_EQ(ForeLog.Entries.size(), 1u);
}

TEST_F(TamborCellsTest, HandlerReplacementIsKept) {
    ForeLog.Replace = true;
    ForeLog.Replacement = "X";
    Grid->WriteForeText(1, 2, "typed");
    EXPECT_EQ(Grid->ReadForeText(1, 2), "X");
    ASSERT_EQ(ForeLog.Entries.size(), 1u);
    EXPECT_EQ(ForeLog.Entries[0].Value, "typed");

    BackLog.Replace = true;
    BackLog.Replacement = "7";
    Grid->WriteBackText(1, 2, "1");
    EXPECT_EQ(Grid->ReadBackText(1, 2), "7");
}

TEST_F(TamborCellsTest, FailedConversionShowsItsBoxAndRaisesNothing) {
    struct Case {
        const char* name;
        TDataStyle style;
        const char* written;
        TFormatSettings locale;
    };
    TFormatSettings dayFirst = DotSettings();
    dayFirst.ShortDateFormat = "d/M/yyyy";
    const std::vector<Case> cases = {
        {"not a number", dsNumber, "abc", DotSettings()},
        {"not a date", dsDate, "someday", DotSettings()},
        {"month 31 under a day-first locale", dsDate, "12/31/2024", dayFirst},
        {"not a time", dsTime, "25:99", DotSettings()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedFormatSettings locale(c.locale);
        TCellInfo& cell = Grid->CellAt(3, 4);
        cell.DataStyle = c.style;
        cell.ForeText = "old";
        ForeLog.Entries.clear();
        Grid->ClearLog();
        TScopedPromptScript prompts({IDOK});

        Grid->WriteForeText(3, 4, c.written);

        EXPECT_EQ(Grid->ReadForeText(3, 4), "old");
        EXPECT_TRUE(ForeLog.Entries.empty());
        EXPECT_TRUE(Grid->NothingRepainted());
        EXPECT_TRUE(prompts.Errors().empty());
        const std::vector<TPromptRecord> asked = prompts.Prompts();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].Text, "Cell[3,4]");
        EXPECT_EQ(asked[0].Caption, "Caution");
        EXPECT_EQ(asked[0].Flags, MB_ICONERROR | MB_OK);
    }
}

TEST_F(TamborCellsTest, DirectAssignmentRaisesNothing) {
    Grid->CellAt(2, 2).ForeText = "direct";
    Grid->CellAt(2, 2).BackText = "1";
    Grid->CellAt(2, 2).DataStyle = dsNumber;
    Grid->CellAt(2, 2).ForeText = "not checked";
    EXPECT_EQ(Grid->ReadForeText(2, 2), "not checked");
    EXPECT_EQ(Grid->ReadBackText(2, 2), "1");
    EXPECT_TRUE(ForeLog.Entries.empty());
    EXPECT_TRUE(BackLog.Entries.empty());
    EXPECT_TRUE(Grid->NothingRepainted());
}

TEST_F(TamborCellsTest, BackTextWrite) {
    struct Case {
        const char* name;
        bool showForeText;
        const char* before;
        const char* written;
        bool repainted;
    };
    const std::vector<Case> cases = {
        {"unchanged", false, "1", "1", false},
        {"changed, back text shown", false, "1", "0", true},
        {"changed, fore text shown", true, "1", "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCellInfo& cell = Grid->CellAt(4, 1);
        cell.ShowForeText = c.showForeText;
        cell.BackText = c.before;
        cell.DataStyle = dsNumber; // back texts are never converted
        BackLog.Entries.clear();
        Grid->ClearLog();

        Grid->WriteBackText(4, 1, c.written);

        EXPECT_EQ(Grid->ReadBackText(4, 1), c.written);
        ASSERT_EQ(BackLog.Entries.size(), 1u);
        EXPECT_EQ(BackLog.Entries[0].Value, c.written);
        EXPECT_EQ(Grid->Invalidated.size(), c.repainted ? 1u : 0u);
    }
    EXPECT_TRUE(ForeLog.Entries.empty());
}

TEST_F(TamborCellsTest, SelectorCodesSetTheirFields) {
    struct Case {
        Integer code;
        TCellPropValue value;
        std::function<bool(const TCellInfo&)> check;
    };
    const std::vector<Case> cases = {
        {0, Integer(dsDate), [](const TCellInfo& c) { return c.DataStyle == dsDate; }},
        {1, Integer(TAlignMode::taCenter), [](const TCellInfo& c) { return c.AlignMode == TAlignMode::taCenter; }},
        {2, 1, [](const TCellInfo& c) { return c.ReadOnly; }},
        {2, 256, [](const TCellInfo& c) { return !c.ReadOnly; }}, // truncated to a byte
        {3, 0, [](const TCellInfo& c) { return !c.AutoWordBreak; }},
        {4, 0, [](const TCellInfo& c) { return !c.ShowForeText; }},
        // Selectors 5..8 go top, left, right, bottom.
        {5, 1, [](const TCellInfo& c) { return c.TopLine && !c.LeftLine && !c.RightLine && !c.BottomLine; }},
        {6, 1, [](const TCellInfo& c) { return !c.TopLine && c.LeftLine && !c.RightLine && !c.BottomLine; }},
        {7, 1, [](const TCellInfo& c) { return !c.TopLine && !c.LeftLine && c.RightLine && !c.BottomLine; }},
        {8, 1, [](const TCellInfo& c) { return !c.TopLine && !c.LeftLine && !c.RightLine && c.BottomLine; }},
        {9, 0, [](const TCellInfo& c) { return !c.AllowNegative; }},
        {10, 1, [](const TCellInfo& c) { return c.TrailingZero; }},
        {11, 1, [](const TCellInfo& c) { return c.ZeroNull; }},
        {12, 1, [](const TCellInfo& c) { return c.ThousandSep; }},
        {13, 40, [](const TCellInfo& c) { return c.MaxLength == 40; }},
        {14, 5, [](const TCellInfo& c) { return c.IntLength == 5; }},
        {15, 5, [](const TCellInfo& c) { return c.DecLength == 5; }},
        {16, 3, [](const TCellInfo& c) { return c.LineWidth == 3; }},
        {17, Integer(psDot), [](const TCellInfo& c) { return c.PenStyle == psDot; }},
        {18, 9, [](const TCellInfo& c) { return c.Spare == 0; }},
        {19, 0x123456, [](const TCellInfo& c) { return c.Color == 0x123456; }},
        {20, 12, [](const TCellInfo& c) { return c.FontSize == 12; }},
        {21, 0x0000FF, [](const TCellInfo& c) { return c.FontColor == 0x0000FF; }},
        {22, TFontStyles{fsBold, fsItalic},
         [](const TCellInfo& c) {
             return c.FontStyle == TFontStyles{fsBold, fsItalic};
         }},
        {23, "Arial", [](const TCellInfo& c) { return c.FontName == "Arial"; }},
        {24, "fore", [](const TCellInfo& c) { return c.ForeText == "fore"; }},
        {25, "back", [](const TCellInfo& c) { return c.BackText == "back"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        TRecordingTambor grid(nullptr);
        grid.SetAllCellProperty(c.code, c.value);
        for (Integer col = 1; col < 5; ++col)
            for (Integer row = 1; row < 5; ++row)
                EXPECT_TRUE(c.check(grid.CellAt(col, row)));
        // Titles are never touched.
        const TRecordingTambor fresh(nullptr);
        for (Integer i = 0; i < 5; ++i) {
            EXPECT_TRUE(SameCell(grid.CellAt(0, i), fresh.CellAt(0, i)));
            EXPECT_TRUE(SameCell(grid.CellAt(i, 0), fresh.CellAt(i, 0)));
        }
        EXPECT_EQ(grid.FullInvalidations, 1);
    }
}

TEST_F(TamborCellsTest, TextSelectorsGoThroughTheCheckedWrites) {
    Grid->SetColumnCellProperty(2, 0, Integer(dsNumber));
    Grid->SetColumnCellProperty(2, 24, "1.5");
    Grid->SetColumnCellProperty(2, 25, "b");
    for (Integer row = 1; row < 5; ++row) {
        EXPECT_EQ(Grid->ReadForeText(2, row), "1.5");
        EXPECT_EQ(Grid->ReadBackText(2, row), "b");
    }
    EXPECT_EQ(ForeLog.Entries.size(), 4u);
    EXPECT_EQ(BackLog.Entries.size(), 4u);
}

TEST_F(TamborCellsTest, UnknownCodeChangesNothingButRefreshes) {
    Grid->SetAllCellProperty(26, 1);
    Grid->SetAllCellProperty(-1, 1);
    EXPECT_EQ(Grid->FullInvalidations, 2);
    EXPECT_EQ(Grid->CellAt(1, 1).Color, clWhite);
}

TEST_F(TamborCellsTest, ValueOfTheWrongKindRaises) {
    EXPECT_THROW(Grid->SetAllCellProperty(19, "red"), EConvertError);
    EXPECT_THROW(Grid->SetAllCellProperty(23, 5), EConvertError);
    EXPECT_THROW(Grid->SetRangeCellProperty(TGridRect{1, 1, 2, 2}, 22, 1), EConvertError);
    EXPECT_EQ(Grid->CellAt(1, 1).Color, clWhite);
}

// Which cells a selector operation coloured.
std::vector<std::vector<bool>> Coloured(const TCustomTambor& grid, TColor colour) {
    std::vector<std::vector<bool>> result;
    for (Integer c = 0; c < grid.GetColCount(); ++c) {
        result.emplace_back();
        for (Integer r = 0; r < grid.GetRowCount(); ++r)
            result.back().push_back(grid.CellAt(c, r).Color == colour);
    }
    return result;
}

TEST_F(TamborCellsTest, SelectorTargets) {
    struct Case {
        const char* name;
        std::function<void(TCustomTambor&)> apply;
        std::function<bool(Integer, Integer)> expected;
        int fullInvalidations;
        int cellInvalidations;
    };
    constexpr TColor red = 0x0000FF;
    const std::vector<Case> cases = {
        {"column 1", [](TCustomTambor& g) { g.SetColumnCellProperty(1, 19, red); },
         [](Integer c, Integer r) { return c == 1 && r >= 1; }, 1, 0},
        {"column 0", [](TCustomTambor& g) { g.SetColumnCellProperty(0, 19, red); },
         [](Integer, Integer) { return false; }, 0, 0},
        {"column ColCount", [](TCustomTambor& g) { g.SetColumnCellProperty(5, 19, red); },
         [](Integer, Integer) { return false; }, 0, 0},
        {"row 4", [](TCustomTambor& g) { g.SetRowCellProperty(4, 19, red); },
         [](Integer c, Integer r) { return r == 4 && c >= 1; }, 1, 0},
        {"row 0", [](TCustomTambor& g) { g.SetRowCellProperty(0, 19, red); },
         [](Integer, Integer) { return false; }, 0, 0},
        {"row RowCount", [](TCustomTambor& g) { g.SetRowCellProperty(5, 19, red); },
         [](Integer, Integer) { return false; }, 0, 0},
        {"range clamped to the data cells",
         [](TCustomTambor& g) {
             g.SetRangeCellProperty(TGridRect{0, 0, 100, 100}, 19, red);
         },
         [](Integer c, Integer r) { return c >= 1 && r >= 1; }, 0, 1},
        {"range inside",
         [](TCustomTambor& g) {
             g.SetRangeCellProperty(TGridRect{2, 1, 3, 2}, 19, red);
         },
         [](Integer c, Integer r) { return c >= 2 && c <= 3 && r >= 1 && r <= 2; }, 0, 1},
        {"whole grid", [](TCustomTambor& g) { g.SetAllCellProperty(19, red); },
         [](Integer c, Integer r) { return c >= 1 && r >= 1; }, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRecordingTambor grid(nullptr);
        c.apply(grid);
        const auto coloured = Coloured(grid, red);
        for (Integer col = 0; col < 5; ++col)
            for (Integer row = 0; row < 5; ++row)
                EXPECT_EQ(coloured[col][row], c.expected(col, row)) << col << "," << row;
        EXPECT_EQ(grid.FullInvalidations, c.fullInvalidations);
        EXPECT_EQ(grid.Invalidated.size(), std::size_t(c.cellInvalidations));
    }
}

TEST_F(TamborCellsTest, RangeInvalidationCoversTheClampedCells) {
    Grid->SetRangeCellProperty(TGridRect{0, 0, 100, 100}, 19, 0);
    ASSERT_EQ(Grid->Invalidated.size(), 1u);
    EXPECT_TRUE(
        SameRect(Grid->Invalidated[0], Inflated(Grid->CellRangeRect(TGridRect{1, 1, 4, 4}, false), 3)));
}

TEST_F(TamborCellsTest, CellDefaultsChangeDataCellsAndLaterCells) {
    Grid->SetCellZeroNull(true);
    Grid->SetCellColor(0x00FF00);
    Grid->SetCellDataStyle(dsNumber);
    Grid->SetCellFontStyle(TFontStyles{fsBold});
    for (Integer c = 1; c < 5; ++c)
        for (Integer r = 1; r < 5; ++r) {
            EXPECT_TRUE(Grid->CellAt(c, r).ZeroNull);
            EXPECT_EQ(Grid->CellAt(c, r).Color, 0x00FF00);
            EXPECT_EQ(Grid->CellAt(c, r).FontStyle, TFontStyles{fsBold});
        }
    EXPECT_FALSE(Grid->CellAt(0, 2).ZeroNull);
    EXPECT_EQ(Grid->CellAt(0, 2).Color, clBtnFace);

    Grid->SetRowCount(7);
    Grid->SetColCount(6);
    for (const auto& [c, r] : std::vector<std::pair<Integer, Integer>>{{1, 5}, {4, 6}, {5, 1}, {5, 6}}) {
        SCOPED_TRACE(std::to_string(c) + "," + std::to_string(r));
        const TCellInfo& cell = Grid->CellAt(c, r);
        EXPECT_FALSE(cell.ZeroNull); // new cells never take the number rules
        EXPECT_TRUE(cell.FontStyle.empty());
        EXPECT_EQ(cell.Color, 0x00FF00);
        EXPECT_EQ(cell.DataStyle, dsNumber);
        EXPECT_EQ(cell.Area, (TGridRect{c, r, c, r}));
    }
    EXPECT_EQ(Grid->CellAt(5, 0).Color, clBtnFace);
    EXPECT_EQ(Grid->CellAt(0, 6).Color, clBtnFace);
}

TEST_F(TamborCellsTest, ResetCellsGivesNewCellValues) {
    TCellInfo& cell = Grid->CellAt(2, 2);
    cell.ForeText = "a";
    cell.BackText = "b";
    cell.Color = 0x0000FF;
    cell.DataStyle = dsTime;
    cell.Area = TGridRect{2, 2, 3, 2};
    Grid->CellAt(3, 2).Area = TGridRect{2, 2, 3, 2};
    Grid->CellAt(1, 1).ForeText = "kept";
    Grid->ClearLog();

    Grid->ResetCells(TGridRect{2, 2, 3, 2});

    for (Integer c : {2, 3}) {
        const TCellInfo& reset = Grid->CellAt(c, 2);
        EXPECT_EQ(reset.ForeText, "");
        EXPECT_EQ(reset.BackText, "");
        EXPECT_EQ(reset.Color, clWhite);
        EXPECT_EQ(reset.DataStyle, dsText);
        EXPECT_EQ(reset.Area, (TGridRect{c, 2, c, 2}));
    }
    EXPECT_EQ(Grid->ReadForeText(1, 1), "kept");
    EXPECT_EQ(Grid->Invalidated.size(), 1u);
    EXPECT_TRUE(ForeLog.Entries.empty());
}

TEST_F(TamborCellsTest, MergedCells) {
    const TGridRect area{2, 3, 3, 3};
    Grid->CellAt(2, 3).Area = area;
    Grid->CellAt(3, 3).Area = area;
    EXPECT_TRUE(Grid->IsMergedCell(2, 3));
    EXPECT_TRUE(Grid->IsMergedCell(3, 3));
    EXPECT_FALSE(Grid->IsMergedCell(4, 3));
    EXPECT_EQ(Grid->CellAreaOf(3, 3), area);
    EXPECT_TRUE(Grid->RangeHasMergedCell(TGridRect{3, 1, 4, 4}));
    EXPECT_TRUE(Grid->RangeHasMergedCell(TGridRect{-5, -5, 50, 50}));
    EXPECT_FALSE(Grid->RangeHasMergedCell(TGridRect{4, 1, 4, 4}));
    EXPECT_FALSE(Grid->RangeHasMergedCell(TGridRect{1, 1, 4, 2}));
}

TEST_F(TamborCellsTest, AutoUpdateSuspendsRefreshes) {
    Grid->SetAutoUpdate(false);
    EXPECT_EQ(Grid->FullInvalidations, 0);
    Grid->SetAllCellProperty(19, 0x0000FF);
    Grid->SetColumnCellProperty(1, 1, Integer(TAlignMode::taRight));
    Grid->RefreshIfAutoUpdate();
    EXPECT_EQ(Grid->FullInvalidations, 0);
    // Cell invalidation still happens; only the immediate paint waits.
    Grid->WriteForeText(1, 1, "x");
    EXPECT_EQ(Grid->Invalidated.size(), 1u);
    EXPECT_EQ(Grid->Updates, 0);

    Grid->SetAutoUpdate(true);
    EXPECT_EQ(Grid->FullInvalidations, 1);
    EXPECT_TRUE(Grid->GetAutoUpdate());
}

TEST_F(TamborCellsTest, RepaintRequestsAreClampedToTheGrid) {
    struct Case {
        const char* name;
        TGridRect cells;
        TGridRect covered; // Left > Right: nothing
    };
    const std::vector<Case> cases = {
        {"inside", {1, 1, 2, 2}, {1, 1, 2, 2}},
        {"beyond every edge", {-3, -3, 40, 40}, {0, 0, 4, 4}},
        {"one column past the last", {3, 2, 5, 2}, {3, 2, 4, 2}},
        {"wholly outside", {7, 7, 9, 9}, {1, 0, 0, 0}},
        {"reversed", {3, 3, 1, 1}, {1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Grid->ClearLog();
        Grid->InvalidateCells(c.cells);
        if (c.covered.Left > c.covered.Right) {
            EXPECT_TRUE(Grid->Invalidated.empty());
        } else {
            ASSERT_EQ(Grid->Invalidated.size(), 1u);
            EXPECT_TRUE(SameRect(Grid->Invalidated[0], Inflated(Grid->CellRangeRect(c.covered, false), 3)));
        }
    }

    // A row: from the title column to the last column drawn.
    Grid->ClearLog();
    Grid->RepaintRow(2);
    ASSERT_EQ(Grid->Invalidated.size(), 1u);
    EXPECT_TRUE(
        SameRect(Grid->Invalidated[0], Inflated(Grid->CellRangeRect(TGridRect{0, 2, 4, 2}, false), 3)));
    Grid->ClearLog();
    Grid->RepaintRow(9);
    EXPECT_TRUE(Grid->Invalidated.empty());

    // Without a window nothing is asked for.
    Grid->WindowExists = false;
    Grid->ClearLog();
    Grid->InvalidateCells(TGridRect{1, 1, 1, 1});
    Grid->RepaintRow(1);
    Grid->WriteForeText(1, 1, "new");
    EXPECT_TRUE(Grid->Invalidated.empty());
}

TEST_F(TamborCellsTest, HandlerMayFreeTheGrid) {
    struct TFreer {
        std::unique_ptr<TRecordingTambor>* Owner;
        void Handler(TObject*, Integer, Integer, String&) { Owner->reset(); }
    } freer{&Grid};
    Grid->OnSetForeText = MakeEvent(&freer, &TFreer::Handler);
    Grid->WriteForeText(1, 1, "bye");
    EXPECT_EQ(Grid, nullptr);
}

} // namespace
