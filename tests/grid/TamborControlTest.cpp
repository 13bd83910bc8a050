// The grid as a control on a form: its painting read back from the window's pixels, the
// current cell and the selection driven by keys and the mouse, and scrolling by keys, the
// window's scroll bars and the wheel.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "grid/Tambor.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinScroll.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

struct TGridEvents : TObject {
    int MouseDowns = 0;
    int MouseUps = 0;
    int Clicks = 0;
    std::vector<std::pair<Integer, Integer>> Drawn;
    Integer RefusedCol = -1;
    std::vector<std::pair<Integer, Integer>> ForeTexts;
    void ForeText(TObject*, Integer col, Integer row, String&) { ForeTexts.emplace_back(col, row); }
    std::vector<std::pair<TGridRect, TGridRect>> Moves;
    std::vector<std::pair<TGridRect, TGridRect>> Fills;
    void CopyMove(TObject*, TGridRect from, TGridRect to) { Moves.emplace_back(from, to); }
    void Fill(TObject*, TGridRect from, TGridRect to) { Fills.emplace_back(from, to); }
    std::vector<String> EditTexts;
    void SetEditText(TObject*, Integer, Integer, const String& value) { EditTexts.push_back(value); }
    void MouseDown(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++MouseDowns; }
    void MouseUp(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++MouseUps; }
    void Click(TObject*) { ++Clicks; }
    void DrawCell(TObject*, Integer col, Integer row, TRect, TTamborDrawState) {
        Drawn.emplace_back(col, row);
    }
    void SelectCell(TObject*, Integer col, Integer, bool& canSelect) {
        if (col == RefusedCol) canSelect = false;
    }
};

class TamborControlTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Form->SetBounds(40, 40, 460, 360);
        Grid = new TTambor(Form);
        Grid->SetParent(Form);
        Grid->SetDefaultColWidth(50);
        Grid->SetDefaultRowHeight(20);
        Grid->SetBounds(8, 8, 400, 280);
        Grid->OnMouseDown = MakeEvent(&Events, &TGridEvents::MouseDown);
        Grid->OnMouseUp = MakeEvent(&Events, &TGridEvents::MouseUp);
        Grid->OnClick = MakeEvent(&Events, &TGridEvents::Click);
        Grid->OnSelectCell = MakeEvent(&Events, &TGridEvents::SelectCell);
    }
    void Show() {
        Form->Show();
        App->ProcessMessages();
        Grid->SetFocus();
        App->ProcessMessages();
    }
    void Mouse(Integer x, Integer y, bool down) {
        const POINT p = Grid->ClientToScreen(POINT{x, y});
        WinInputMouseMove(p);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    void MoveMouse(Integer x, Integer y) {
        WinInputMouseMove(Grid->ClientToScreen(POINT{x, y}));
        App->ProcessMessages();
    }
    void Click(Integer x, Integer y, std::vector<UINT> held = {}) {
        for (UINT k : held)
            WinInputKey(k, false, true);
        Mouse(x, y, true);
        Mouse(x, y, false);
        for (UINT k : held)
            WinInputKey(k, false, false);
        App->ProcessMessages();
        // Past the double-click time, so the next press is a single click again.
        ClockAdvanceMs(1000);
    }
    POINT CellCentre(Integer col, Integer row) {
        const RECT r = Grid->CellRect(col, row);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void ClickCell(Integer col, Integer row, std::vector<UINT> held = {}) {
        const POINT p = CellCentre(col, row);
        Click(p.x, p.y, held);
    }
    void Key(UINT key, std::vector<UINT> held = {}) {
        for (UINT k : held)
            WinInputKey(k, false, true);
        WinInputKey(key, false, true);
        App->ProcessMessages();
        WinInputKey(key, false, false);
        for (UINT k : held)
            WinInputKey(k, false, false);
        App->ProcessMessages();
    }
    // The colour of a client pixel of the grid as the window shows it.
    COLORREF Pixel(Integer x, Integer y) {
        UpdateWindow(Form->GetHandle());
        GdiSurface s;
        EXPECT_TRUE(WinGetSurface(Form->GetHandle(), s));
        RECT frame;
        GetWindowRect(Form->GetHandle(), &frame);
        const POINT p = Grid->ClientToScreen(POINT{x, y});
        return GdiPixelToColor(s.Row(p.y - frame.top)[p.x - frame.left] & 0xFFFFFF);
    }
    TGridRect Sel() const { return Grid->GetSelection(); }
    TGridCoord Cur() const { return TGridCoord{Grid->GetCol(), Grid->GetRow()}; }

    TTambor* Grid = nullptr;
    TGridEvents Events;
};

COLORREF Rgb(TColor color) { return COLORREF(ColorToRGB(color)); }

// ---- Painting ---------------------------------------------------------------------------------

TEST_F(TamborControlTest, PaintsTitlesFixedBandMergedAreaColoursAndFocusFrame) {
    Grid->SetColCount(7);
    Grid->SetRowCount(10);
    Grid->SetFixedCols(1);
    Grid->SetFixedLineColor(clRed);
    Grid->SetClientLineColor(clBlue);
    Grid->OnDrawCell = MakeEvent(&Events, &TGridEvents::DrawCell);
    // A 2 x 1 area at columns 3-4 of row 5, centred text.
    for (Integer col = 3; col <= 4; ++col)
        Grid->CellAt(col, 5).Area = TGridRect{3, 5, 4, 5};
    Grid->CellAt(3, 5).AlignMode = TAlignMode::taCenter;
    Grid->CellAt(3, 5).ForeText = "merged";
    Grid->SetRangeCellProperty(TGridRect{5, 7, 5, 7}, 19, clYellow);
    Grid->WriteForeText(2, 3, "12");
    Show();
    ASSERT_TRUE(Grid->HasFocusWithin());
    EXPECT_EQ(Cur(), (TGridCoord{2, 1}));

    const RECT title = Grid->CellRect(3, 0);
    const RECT fixed = Grid->CellRect(1, 4);
    const RECT plain = Grid->CellRect(3, 4);
    const RECT merged = Grid->CellRangeRect(TGridRect{3, 5, 4, 5}, false);
    const RECT yellow = Grid->CellRect(5, 7);
    const RECT focus = Grid->CellRangeRect(TGridRect{2, 1, 2, 1}, true);
    struct Probe {
        const char* what;
        LONG x;
        LONG y;
        COLORREF expected;
    };
    const std::vector<Probe> probes = {
        {"title face", title.left + 4, title.top + 3, Rgb(clBtnFace)},
        {"title raised edge, top", title.left + 10, title.top, Rgb(clBtnHighlight)},
        {"title line stays black", title.right, (title.top + title.bottom) / 2, Rgb(clBlack)},
        {"row-number column line stays black", Grid->CellRect(0, 4).right, fixed.top + 5, Rgb(clBlack)},
        {"fixed column line", fixed.right, fixed.top + 5, Rgb(clRed)},
        {"scrolling column line", plain.right, plain.top + 5, Rgb(clBlue)},
        {"scrolling row line", plain.left + 5, plain.bottom, Rgb(clBlue)},
        {"no line inside the merged area", plain.right, merged.top + 2, Rgb(clWhite)},
        {"merged area's lower line", plain.right - 5, merged.bottom, Rgb(clBlue)},
        {"coloured cell", yellow.left + 2, yellow.top + 2, Rgb(clYellow)},
        {"plain cell", plain.left + 2, plain.top + 2, Rgb(clWhite)},
        {"focus frame, thick black", focus.left, (focus.top + focus.bottom) / 2, Rgb(clBlack)},
        {"focus frame, white inner line", focus.left + 2, (focus.top + focus.bottom) / 2, Rgb(clWhite)},
        {"fill handle", focus.right - 2, focus.bottom - 2, Rgb(clBlack)},
        {"current cell keeps its colour", focus.left + 6, focus.top + 6, Rgb(clWhite)},
    };
    for (const Probe& probe : probes) {
        SCOPED_TRACE(probe.what);
        EXPECT_EQ(Pixel(probe.x, probe.y), probe.expected);
    }
    // The merged text is centred over both columns: dark pixels on both sides of the hidden
    // line.
    auto darkIn = [&](LONG from, LONG to) {
        int dark = 0;
        for (LONG x = from; x < to; ++x)
            for (LONG y = merged.top + 4; y < merged.bottom - 4; ++y)
                if (Pixel(x, y) == Rgb(clBlack)) ++dark;
        return dark;
    };
    EXPECT_GT(darkIn(plain.right - 12, plain.right), 0);
    EXPECT_GT(darkIn(plain.right + 1, plain.right + 12), 0);
    // The area is drawn once, from its top-left cell.
    int mergedDraws = 0;
    for (auto [col, row] : Events.Drawn) {
        EXPECT_FALSE(col == 4 && row == 5);
        if (col == 3 && row == 5) ++mergedDraws;
    }
    EXPECT_GE(mergedDraws, 1);

    // A selection paints in the highlight colour except the current cell.
    Grid->ApplySelection(TGridRect{2, 1, 3, 2});
    const RECT other = Grid->CellRect(3, 2);
    EXPECT_EQ(Pixel(other.left + 6, other.top + 6), Rgb(clBlack));
    EXPECT_EQ(Pixel(focus.left + 6, focus.top + 6), Rgb(clWhite));

    GdiSurface s;
    UpdateWindow(Form->GetHandle());
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    testsupport::WritePng(testsupport::ArtifactPath("TamborPaint.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
}

TEST_F(TamborControlTest, WithoutFocusTheSelectionGetsADottedRectangleOrNothing) {
    auto* other = new TTambor(Form);
    other->SetParent(Form);
    other->SetBounds(8, 300, 100, 30);
    Show();
    other->SetFocus();
    App->ProcessMessages();
    ASSERT_FALSE(Grid->HasFocusWithin());
    const RECT focus = Grid->CellRangeRect(TGridRect{1, 1, 1, 1}, true);
    // No thick frame: the white inner line is gone and the edge is dotted or plain.
    EXPECT_EQ(Pixel(focus.left + 2, (focus.top + focus.bottom) / 2), Rgb(clWhite));
    EXPECT_NE(Pixel(focus.left + 1, (focus.top + focus.bottom) / 2), Rgb(clBlack));

    Grid->SetAlwaysDrawFocus(true);
    Grid->Invalidate();
    EXPECT_EQ(Pixel(focus.left + 1, (focus.top + focus.bottom) / 2), Rgb(clBlack));
}

// ---- Keys -------------------------------------------------------------------------------------

TEST_F(TamborControlTest, KeysMoveTheCurrentCellOverAreasAndHiddenColumns) {
    Grid->SetColCount(8);
    Grid->SetRowCount(6);
    // Columns 2-4 of row 1 are one area; column 6 is hidden, and so is the last column 7.
    for (Integer col = 2; col <= 4; ++col)
        Grid->CellAt(col, 1).Area = TGridRect{2, 1, 4, 1};
    Show();
    Grid->SetColumnWidthAt(6, -1);
    Grid->SetColumnWidthAt(7, -1);

    struct Case {
        const char* name;
        TGridCoord from;
        UINT key;
        std::vector<UINT> held;
        TGridCoord to;
    };
    const std::vector<Case> cases = {
        {"Right leaves an area in one step", {2, 1}, VK_RIGHT, {}, {5, 1}},
        {"Left into an area lands on its top-left", {5, 1}, VK_LEFT, {}, {2, 1}},
        {"Right skips a hidden column", {5, 2}, VK_RIGHT, {}, {5, 2}},
        {"End stops before hidden last columns", {1, 3}, VK_END, {}, {5, 3}},
        {"Home goes to the first column", {5, 3}, VK_HOME, {}, {1, 3}},
        {"Down", {3, 2}, VK_DOWN, {}, {3, 3}},
        {"Up into an area", {3, 2}, VK_UP, {}, {2, 1}},
        {"Down at the last row stays", {3, 5}, VK_DOWN, {}, {3, 5}},
        {"Ctrl+End to the last shown cell", {1, 1}, VK_END, {VK_CONTROL}, {5, 5}},
        {"Ctrl+Home to the first data cell", {4, 4}, VK_HOME, {VK_CONTROL}, {1, 1}},
        {"Tab to the next column", {1, 3}, VK_TAB, {}, {2, 3}},
        {"Tab on the last shown column does nothing", {5, 3}, VK_TAB, {}, {5, 3}},
        {"Shift+Tab on the first column does nothing", {1, 3}, VK_TAB, {VK_SHIFT}, {1, 3}},
    };
    Grid->SetOptions(Grid->GetOptions() + TTamborOptions{goTabs});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Grid->SetCurrentCell(c.from.X, c.from.Y, true, true);
        Key(c.key, c.held);
        EXPECT_EQ(Cur(), c.to);
        const TGridRect& area = Grid->CellAt(c.to.X, c.to.Y).Area;
        EXPECT_EQ(Sel(), area);
    }
}

TEST_F(TamborControlTest, ShiftWithArrowsExtendsTheSelectionOnlyWithRangeSelect) {
    Show();
    Grid->SetCurrentCell(2, 2, true, true);
    Key(VK_DOWN, {VK_SHIFT});
    Key(VK_RIGHT, {VK_SHIFT});
    EXPECT_EQ(Cur(), (TGridCoord{2, 2}));
    EXPECT_EQ(Sel(), (TGridRect{2, 2, 3, 3}));
    EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{3, 3}));
    EXPECT_EQ(Grid->GetGridState(), gsNormal);
    // A plain move collapses the selection again.
    Key(VK_LEFT);
    EXPECT_EQ(Cur(), (TGridCoord{1, 2}));
    EXPECT_EQ(Sel(), (TGridRect{1, 2, 1, 2}));

    Grid->SetOptions(Grid->GetOptions() - TTamborOptions{goRangeSelect});
    Key(VK_DOWN, {VK_SHIFT});
    EXPECT_EQ(Cur(), (TGridCoord{1, 2}));
    EXPECT_EQ(Sel(), (TGridRect{1, 2, 1, 2}));
}

TEST_F(TamborControlTest, KeysScrollTheGrid) {
    Grid->SetColCount(20);
    Grid->SetRowCount(40);
    Show();
    const Integer visibleRows = Grid->GetVisibleRowCount();
    ASSERT_LT(visibleRows, 39);

    // Down past the last fully visible row brings it in as the last one.
    Grid->SetCurrentCell(1, visibleRows, true, true);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 1);
    Key(VK_DOWN);
    EXPECT_EQ(Cur(), (TGridCoord{1, visibleRows + 1}));
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 2);

    // Ctrl+arrows move the view, not the current cell.
    Key(VK_RIGHT, {VK_CONTROL});
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 2);
    EXPECT_EQ(Cur(), (TGridCoord{1, visibleRows + 1}));

    // Page Down moves the row and the view by a page; Ctrl+End reaches the last cell.
    const Integer page = Grid->GetVisibleRowCount() - 1;
    Key(VK_NEXT);
    EXPECT_EQ(Cur().Y, visibleRows + 1 + page);
    Key(VK_END, {VK_CONTROL});
    EXPECT_EQ(Cur(), (TGridCoord{19, 39}));
    EXPECT_EQ(Grid->GetFirstVisibleRow() + Grid->GetVisibleRowCount() - 1, 39);
    EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_VERT), 127);
}

TEST_F(TamborControlTest, DeleteClearsTheSelectionExceptReadOnlyCellsWhenEditing) {
    Show();
    for (Integer col = 1; col <= 3; ++col)
        for (Integer row = 1; row <= 2; ++row)
            Grid->CellAt(col, row).ForeText = "x";
    Grid->CellAt(2, 2).ReadOnly = true;
    Grid->CellAt(1, 1).BackText = "1";
    Grid->OnSetForeText = MakeEvent(&Events, &TGridEvents::ForeText);
    Grid->SetCurrentCell(1, 1, true, true);
    Key(VK_RIGHT, {VK_SHIFT});
    Key(VK_DOWN, {VK_SHIFT});
    ASSERT_EQ(Sel(), (TGridRect{1, 1, 2, 2}));

    Key(VK_DELETE); // without goEditing nothing is cleared
    EXPECT_EQ(Grid->ReadForeText(1, 1), "x");

    Grid->SetOptions(Grid->GetOptions() + TTamborOptions{goEditing});
    Key(VK_DELETE);
    EXPECT_EQ(Grid->ReadForeText(1, 1), "");
    EXPECT_EQ(Grid->ReadBackText(1, 1), "");
    EXPECT_EQ(Grid->ReadForeText(2, 1), "");
    EXPECT_EQ(Grid->ReadForeText(1, 2), "");
    EXPECT_EQ(Grid->ReadForeText(2, 2), "x");
    EXPECT_EQ(Grid->ReadForeText(3, 1), "x");
    EXPECT_EQ(Events.ForeTexts.size(), 3u);
}

// ---- Mouse ------------------------------------------------------------------------------------

TEST_F(TamborControlTest, MousePressesSetTheCurrentCellAndTheSelection) {
    Grid->SetColCount(6);
    Grid->SetRowCount(8);
    Grid->SetFixedRows(1);
    Show();
    ASSERT_EQ(Cur(), (TGridCoord{1, 2}));

    struct Case {
        const char* name;
        TGridCoord click;
        std::vector<UINT> held;
        TGridCoord current;
        TGridRect selection;
        int mouseDowns;
    };
    const std::vector<Case> cases = {
        {"a data cell", {3, 4}, {}, {3, 4}, {3, 4, 3, 4}, 1},
        {"Shift widens from the current cell", {4, 6}, {VK_SHIFT}, {3, 4}, {3, 4, 4, 6}, 1},
        {"a fixed cell does nothing", {2, 1}, {}, {3, 4}, {3, 4, 4, 6}, 0},
        {"a column title selects the column", {2, 0}, {}, {2, 2}, {2, 2, 2, 7}, 1},
        {"the same title again does nothing", {2, 0}, {}, {2, 2}, {2, 2, 2, 7}, 0},
        {"a row title selects the row", {0, 5}, {}, {1, 5}, {1, 5, 5, 5}, 1},
        {"a title beside the fixed row does nothing", {0, 1}, {}, {1, 5}, {1, 5, 5, 5}, 0},
        {"the corner selects everything", {0, 0}, {}, {1, 2}, {1, 2, 5, 7}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events.MouseDowns = 0;
        ClickCell(c.click.X, c.click.Y, c.held);
        EXPECT_EQ(Cur(), c.current);
        EXPECT_EQ(Sel(), c.selection);
        EXPECT_EQ(Events.MouseDowns, c.mouseDowns);
    }
}

TEST_F(TamborControlTest, ARefusedCellKeepsTheCurrentCellButTakesTheSelection) {
    Show();
    Events.RefusedCol = 3;
    const POINT p = CellCentre(3, 2);
    Mouse(p.x, p.y, true);
    EXPECT_EQ(Cur(), (TGridCoord{1, 1}));
    EXPECT_EQ(Sel(), (TGridRect{3, 2, 3, 2}));
    Mouse(p.x, p.y, false);
    EXPECT_EQ(Cur(), (TGridCoord{1, 1}));
    EXPECT_THROW(Grid->SetCurrentCell(5, 1, true, true), EInvalidGridOperation);
}

TEST_F(TamborControlTest, DraggingExtendsTheSelectionAndScrolls) {
    Grid->SetColCount(10);
    Grid->SetRowCount(40);
    Show();
    const POINT start = CellCentre(2, 2);
    Mouse(start.x, start.y, true);
    EXPECT_EQ(Grid->GetGridState(), gsSelecting);
    const POINT to = CellCentre(3, 4);
    MoveMouse(to.x, to.y);
    EXPECT_EQ(Sel(), (TGridRect{2, 2, 3, 4}));
    // Below the window in the first visible column: only the rows scroll.
    MoveMouse(start.x, Grid->GetClientHeight() + 30);
    EXPECT_GT(Grid->GetFirstVisibleRow(), 1);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 1);
    const TGridRect extended = Sel();
    EXPECT_EQ(extended.Left, 2);
    EXPECT_EQ(extended.Right, 2);
    EXPECT_GT(extended.Bottom, 4);
    Events.Clicks = 0;
    Mouse(start.x, Grid->GetClientHeight() + 30, false);
    EXPECT_EQ(Grid->GetGridState(), gsNormal);
    EXPECT_EQ(Cur(), (TGridCoord{2, 2}));
    EXPECT_EQ(Events.Clicks, 1);
    EXPECT_EQ(Events.MouseUps, 1);
}

TEST_F(TamborControlTest, DraggingAColumnBorderSizesTheColumn) {
    Grid->SetOptions(Grid->GetOptions() + TTamborOptions{goColSizing});
    Show();
    const RECT title = Grid->CellRect(2, 0);
    Mouse(title.right, 5, true);
    EXPECT_EQ(Grid->GetGridState(), gsColSizing);
    MoveMouse(title.right + 25, 5);
    Mouse(title.right + 25, 5, false);
    EXPECT_EQ(Grid->ColumnWidthAt(2), 75);
    EXPECT_EQ(Grid->GetGridState(), gsNormal);

    // Dragged to before the column's start, the column is hidden.
    const RECT third = Grid->CellRect(3, 0);
    Mouse(third.right, 5, true);
    MoveMouse(third.left - 10, 5);
    Mouse(third.left - 10, 5, false);
    EXPECT_EQ(Grid->ColumnWidthAt(3), -1);
}

// ---- Scroll bars ------------------------------------------------------------------------------

TEST_F(TamborControlTest, ScrollBarsFollowTheGeometryAndScrollTheGrid) {
    Show();
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    // Everything fits: no range.
    ASSERT_TRUE(GetScrollInfo(Grid->GetHandle(), SB_VERT, &info) || info.nMax == 0);
    EXPECT_EQ(info.nMax, 0);

    Grid->SetRowCount(60);
    Grid->SetColCount(30);
    App->ProcessMessages();
    ASSERT_TRUE(GetScrollInfo(Grid->GetHandle(), SB_VERT, &info));
    EXPECT_EQ(info.nMax, 127);
    EXPECT_EQ(info.nPos, 0);

    SendMessageA(Grid->GetHandle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(Grid->GetFirstVisibleRow(), 2);
    SendMessageA(Grid->GetHandle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(Grid->GetFirstVisibleRow() + Grid->GetVisibleRowCount() - 1, 59);
    EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_VERT), 127);
    SendMessageA(Grid->GetHandle(), WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(Grid->GetFirstVisibleCol(), 1 + Grid->GetVisibleColCount());
    EXPECT_GT(GetScrollPos(Grid->GetHandle(), SB_HORZ), 0);

    // The wheel scrolls a row per notch.
    const Integer before = Grid->GetFirstVisibleRow();
    WinInputMouseWheel(Grid->ClientToScreen(POINT{100, 100}), 120);
    App->ProcessMessages();
    EXPECT_EQ(Grid->GetFirstVisibleRow(), before - 1);

    // What was scrolled in is painted: a coloured cell now at the top-left of the band.
    Grid->SetRangeCellProperty(TGridRect{Grid->GetFirstVisibleCol(), Grid->GetFirstVisibleRow(),
                                         Grid->GetFirstVisibleCol(), Grid->GetFirstVisibleRow()},
                               19, clLime);
    const RECT r = Grid->CellRect(Grid->GetFirstVisibleCol(), Grid->GetFirstVisibleRow());
    EXPECT_EQ(Pixel(r.left + 5, r.top + 5), Rgb(clLime));
}

// ---- The in-place editor ----------------------------------------------------------------------

class TamborEditorTest : public TamborControlTest {
protected:
    void SetUp() override {
        TamborControlTest::SetUp();
        FOldStore = SetClipboardStore(&Clip);
        Grid->SetOptions(Grid->GetOptions() + TTamborOptions{goEditing});
        Grid->OnSetEditText = MakeEvent(&Events, &TGridEvents::SetEditText);
    }
    void TearDown() override {
        TamborControlTest::TearDown();
        SetClipboardStore(FOldStore);
    }
    void Type(const std::u32string& text) {
        WinInputText(text);
        App->ProcessMessages();
    }
    TInplaceEdit* Editor() { return Grid->GetInplaceEditor(); }
    bool EditorShown() { return Editor() != nullptr && Editor()->GetVisible(); }

    TMemoryClipboardStore Clip;
    testsupport::ScopedFormatSettings Settings{testsupport::DotSettings()};

private:
    TClipboardStore* FOldStore = nullptr;
};

TEST_F(TamborEditorTest, TypingOpensTheEditorAndEnterStoresTheText) {
    Grid->CellAt(1, 1).ForeText = "12";
    Show();
    Type(U"5");
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(Grid->GetEditorMode());
    EXPECT_EQ(Editor()->GetText(), "125");
    EXPECT_EQ(Grid->ReadForeText(1, 1), "12");
    // The editor has the keyboard, while the form still sees the grid as its active control.
    EXPECT_EQ(GetFocus(), Editor()->GetHandle());
    EXPECT_TRUE(Grid->HasFocusWithin());

    Key(VK_RETURN);
    EXPECT_FALSE(Grid->GetEditorMode());
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Grid->ReadForeText(1, 1), "125");
    EXPECT_EQ(Events.EditTexts, std::vector<String>{"125"});
    EXPECT_EQ(GetFocus(), Grid->GetHandle());

    // Enter on the grid opens it again, Esc puts the opening text back and closes it.
    Key(VK_RETURN);
    ASSERT_TRUE(EditorShown());
    Type(U"9");
    Key(VK_ESCAPE);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Grid->ReadForeText(1, 1), "125");
}

TEST_F(TamborEditorTest, KeysAtTheEdgesOfTheTextMoveBetweenCells) {
    Grid->CellAt(2, 1).ForeText = "abc";
    Show();
    Grid->SetCurrentCell(2, 1, true, true);
    Key(VK_F2);
    ASSERT_TRUE(EditorShown());
    Key(VK_LEFT); // the caret leaves the end: only the caret moves
    EXPECT_EQ(Cur(), (TGridCoord{2, 1}));
    EXPECT_EQ(Editor()->GetSelStart(), 2);
    Key(VK_HOME, {VK_CONTROL});
    Key(VK_LEFT); // at the start: the cell on the left
    EXPECT_EQ(Cur(), (TGridCoord{1, 1}));
    EXPECT_FALSE(Grid->GetEditorMode());
    EXPECT_EQ(Grid->ReadForeText(2, 1), "abc");
    // Down in an open editor moves the current cell too.
    Key(VK_F2);
    Key(VK_DOWN);
    EXPECT_EQ(Cur(), (TGridCoord{1, 2}));
}

TEST_F(TamborEditorTest, NumberCellsTakeCharactersAtTheCaretAndPastes) {
    Grid->SetOptions(Grid->GetOptions() + TTamborOptions{goAlwaysShowEditor});
    Grid->CellAt(1, 1).DataStyle = dsNumber;
    Grid->CellAt(1, 1).ForeText = "123";
    Grid->CellAt(2, 1).DataStyle = dsNumber;
    Grid->CellAt(2, 1).ThousandSep = true;
    Grid->CellAt(2, 1).ForeText = "1,234.5";
    Show();
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->GetText(), "123");

    // Enter toggles between the whole text selected and the caret at the end.
    Key(VK_RETURN);
    EXPECT_EQ(Editor()->GetSelLength(), 3);
    Type(U"7");
    EXPECT_EQ(Editor()->GetText(), "7123");
    EXPECT_TRUE(EditorShown());

    struct Case {
        const char* name;
        Integer selStart;
        Integer selLength;
        const char* result;
    };
    const std::vector<Case> pastes = {
        {"over the whole text", 0, 3, "45"},
        {"after the first digit", 1, 0, "14523"},
    };
    for (const Case& c : pastes) {
        SCOPED_TRACE(c.name);
        Editor()->SetText("123");
        Editor()->SetSelStart(c.selStart);
        Editor()->SetSelLength(c.selLength);
        TClipboardContents contents;
        contents.HasText = true;
        contents.Text = u"45";
        Clip.Replace(contents);
        Editor()->PasteFromClipboard();
        EXPECT_EQ(Editor()->GetText(), c.result);
    }

    // Right at the end of the text moves on: the number is converted into its cell, and the
    // next cell's thousands separators are taken out for editing.
    Editor()->CaretToEnd();
    Key(VK_RIGHT);
    EXPECT_EQ(Cur(), (TGridCoord{2, 1}));
    EXPECT_EQ(Grid->ReadForeText(1, 1), "14523");
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->GetText(), "1234.5");
}

TEST_F(TamborEditorTest, ReadOnlyCellsGetNoEditorAndDatesEditWithAMask) {
    Grid->CellAt(1, 1).ReadOnly = true;
    Grid->CellAt(1, 1).ForeText = "fixed";
    Grid->CellAt(2, 1).DataStyle = dsDate;
    Show();
    Key(VK_RETURN);
    Type(U"x");
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Grid->ReadForeText(1, 1), "fixed");

    Key(VK_F2);
    EXPECT_TRUE(Grid->GetEditorMode());
    EXPECT_FALSE(EditorShown());

    Key(VK_ESCAPE);
    Grid->SetCurrentCell(2, 1, true, true);
    Key(VK_F2);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->GetEditMask(), "9999/99/99;1; ");
}

TEST_F(TamborEditorTest, AClickElsewhereClosesTheEditorAndCommits) {
    Show();
    Type(U"hello");
    ASSERT_TRUE(EditorShown());
    ClickCell(3, 3);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Grid->ReadForeText(1, 1), "hello");
    EXPECT_EQ(Cur(), (TGridCoord{3, 3}));
    // The cell under the closed editor is painted again, with its text.
    const RECT r = Grid->CellRect(1, 1);
    int dark = 0;
    for (LONG x = r.left + 4; x < r.right - 4; ++x)
        for (LONG y = r.top + 4; y < r.bottom - 4; ++y)
            if (Pixel(x, y) == Rgb(clBlack)) ++dark;
    EXPECT_GT(dark, 0);
}

TEST_F(TamborEditorTest, AnEditingGridTakesEnterBeforeTheFormsDefaultButton) {
    struct TClicks : TObject {
        int Count = 0;
        void Click(TObject*) { ++Count; }
    } clicks;
    auto* ok = new TButton(Form);
    ok->SetParent(Form);
    ok->SetBounds(8, 296, 75, 25);
    ok->SetDefault(true);
    ok->OnClick = MakeEvent(&clicks, &TClicks::Click);
    Grid->CellAt(1, 1).ForeText = "12";
    Show();

    Key(VK_RETURN);
    ASSERT_TRUE(EditorShown());
    Type(U"3");
    Key(VK_RETURN);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Grid->ReadForeText(1, 1), "123");
    EXPECT_EQ(clicks.Count, 0);

    // A grid that does not edit leaves Enter to the form.
    Grid->SetOptions(Grid->GetOptions() - TTamborOptions{goEditing});
    Key(VK_RETURN);
    EXPECT_EQ(clicks.Count, 1);
}

TEST_F(TamborEditorTest, AReadOnlyCurrentCellInEditorModeIsStillPainted) {
    // F2 and a typed character put the grid in editor mode, but a read-only cell gets no
    // editor: its own pixels are painted, with whatever changed since.
    Grid->CellAt(1, 1).ReadOnly = true;
    Show();
    const RECT r = Grid->CellRect(1, 1);
    struct Case {
        const char* name;
        UINT key;
        char32_t typed;
        TColor color;
    };
    for (const Case& c : std::vector<Case>{{"F2", VK_F2, 0, clRed}, {"typed", 0, U'x', clLime}}) {
        SCOPED_TRACE(c.name);
        if (c.key != 0)
            Key(c.key);
        else
            Type(std::u32string(1, c.typed));
        ASSERT_TRUE(Grid->GetEditorMode());
        ASSERT_FALSE(EditorShown());
        Grid->CellAt(1, 1).Color = c.color;
        Grid->Invalidate();
        EXPECT_EQ(Pixel(r.right - 6, r.bottom - 6), Rgb(c.color));
        Key(VK_ESCAPE);
    }
    // An editor that is shown still covers its cell.
    Grid->SetCurrentCell(2, 1, true, true);
    Key(VK_F2);
    ASSERT_TRUE(EditorShown());
    Grid->CellAt(2, 1).Color = clRed;
    Grid->Invalidate();
    const RECT e = Grid->CellRect(2, 1);
    EXPECT_NE(Pixel(e.right - 6, e.bottom - 6), Rgb(clRed));
}

// ---- Moving, copying, filling ----------------------------------------------------------------

class TamborMoveTest : public TamborControlTest {
protected:
    void SetUp() override {
        TamborControlTest::SetUp();
        Grid->SetColCount(8);
        Grid->SetRowCount(12);
        Grid->OnCopyMoveCells = MakeEvent(&Events, &TGridEvents::CopyMove);
        Grid->OnFillCells = MakeEvent(&Events, &TGridEvents::Fill);
        Grid->OnSetForeText = MakeEvent(&Events, &TGridEvents::ForeText);
    }
    // Marks rows first..last of a column with their row numbers.
    void NumberRows(Integer col, Integer first, Integer last) {
        for (Integer row = first; row <= last; ++row)
            Grid->CellAt(col, row).ForeText = IntToStr(row);
    }
    String Column(Integer col, Integer first, Integer last) {
        String texts;
        for (Integer row = first; row <= last; ++row)
            texts += (row > first ? "," : "") + Grid->ReadForeText(col, row);
        return texts;
    }
    void Drag(POINT from, POINT to, std::vector<UINT> held = {}) {
        for (UINT k : held)
            WinInputKey(k, false, true);
        Mouse(from.x, from.y, true);
        MoveMouse((from.x + to.x) / 2, (from.y + to.y) / 2);
        MoveMouse(to.x, to.y);
        Mouse(to.x, to.y, false);
        for (UINT k : held)
            WinInputKey(k, false, false);
        App->ProcessMessages();
        ClockAdvanceMs(1000);
    }
    // A point on the left border of the selection, and one just beyond its bottom-right corner.
    POINT BorderPoint() {
        const RECT r = Grid->CellRangeRect(Sel(), true);
        return POINT{r.left, (r.top + r.bottom) / 2};
    }
    POINT HandlePoint() {
        const RECT r = Grid->CellRangeRect(Sel(), true);
        return POINT{r.right + 3, r.bottom + 3};
    }
};

TEST_F(TamborMoveTest, DraggingTheBorderMovesWholeCellsAndCtrlCopies) {
    Show();
    for (Integer col = 1; col <= 2; ++col)
        for (Integer row = 2; row <= 3; ++row) {
            TCellInfo& cell = Grid->CellAt(col, row);
            cell.ForeText = "f" + IntToStr(col) + IntToStr(row);
            cell.BackText = "b";
            cell.Color = clYellow;
            cell.DataStyle = dsNumber;
        }
    Grid->SetCurrentCell(1, 2, true, true);
    Grid->ApplySelection(TGridRect{1, 2, 2, 3});
    EXPECT_EQ(Grid->HandleHitTest(BorderPoint().x, BorderPoint().y, {}), hhMove);
    EXPECT_EQ(Grid->HandleHitTest(BorderPoint().x, BorderPoint().y, {ssCtrl}), hhCopy);
    EXPECT_EQ(Grid->HandleHitTest(HandlePoint().x, HandlePoint().y, {}), hhFill);

    const RECT three = Grid->CellRect(4, 2);
    Drag(BorderPoint(), POINT{three.left + 5, BorderPoint().y});
    const TCellInfo fresh = Grid->CellAt(7, 11);
    for (Integer col = 1; col <= 2; ++col)
        for (Integer row = 2; row <= 3; ++row) {
            SCOPED_TRACE(testing::Message() << col << "," << row);
            const TCellInfo& moved = Grid->CellAt(col + 3, row);
            EXPECT_EQ(moved.ForeText, "f" + IntToStr(col) + IntToStr(row));
            EXPECT_EQ(moved.Color, clYellow);
            EXPECT_EQ(moved.DataStyle, dsNumber);
            EXPECT_EQ(moved.Area, (TGridRect{col + 3, row, col + 3, row}));
            const TCellInfo& source = Grid->CellAt(col, row);
            EXPECT_EQ(source.ForeText, "");
            EXPECT_EQ(source.BackText, "");
            EXPECT_EQ(source.Color, fresh.Color);
            EXPECT_EQ(source.DataStyle, fresh.DataStyle);
        }
    EXPECT_EQ(Cur(), (TGridCoord{4, 2}));
    EXPECT_EQ(Sel(), (TGridRect{4, 2, 5, 3}));
    ASSERT_EQ(Events.Moves.size(), 1u);
    EXPECT_EQ(Events.Moves[0].first, (TGridRect{1, 2, 2, 3}));
    EXPECT_EQ(Events.Moves[0].second, (TGridRect{4, 2, 5, 3}));
    EXPECT_TRUE(Events.ForeTexts.empty()); // moved texts are not converted or announced

    // With Ctrl the block is copied one row down onto empty cells: the source stays.
    const RECT below = Grid->CellRect(4, 4);
    Drag(BorderPoint(), POINT{BorderPoint().x, below.top + 10}, {VK_CONTROL});
    EXPECT_EQ(Column(4, 2, 4), "f12,f12,f13");
    EXPECT_EQ(Sel(), (TGridRect{4, 3, 5, 4}));
}

TEST_F(TamborMoveTest, MoveTargetsAskBeforeOverwritingAndRefuseReadOnlyCells) {
    Show();
    Grid->CellAt(1, 1).ForeText = "a";
    Grid->CellAt(3, 1).ForeText = "busy";
    Grid->CellAt(1, 5).ReadOnly = true;
    Grid->SetCurrentCell(1, 1, true, true);
    const TGridRect source{1, 1, 1, 1};
    struct Case {
        const char* name;
        TGridRect target;
        std::vector<int> replies;
        bool accepted;
        std::vector<UINT> asked; // the icons of the boxes shown
    };
    const std::vector<Case> cases = {
        {"empty target", {2, 1, 2, 1}, {}, true, {}},
        {"overwrite refused", {3, 1, 3, 1}, {IDCANCEL}, false, {MB_ICONQUESTION}},
        {"overwrite confirmed", {3, 1, 3, 1}, {IDOK}, true, {MB_ICONQUESTION}},
        {"read-only target", {1, 5, 1, 5}, {IDOK}, false, {MB_ICONERROR}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScopedPromptScript prompts;
        for (int reply : c.replies)
            prompts.AddReply(reply);
        EXPECT_EQ(Grid->CheckMoveTarget(source, c.target), c.accepted);
        std::vector<UINT> icons;
        for (const TPromptRecord& p : prompts.Prompts())
            icons.push_back(p.Flags & MB_ICONMASK);
        EXPECT_EQ(icons, c.asked);
    }

    // A refused drag changes nothing and raises no OnMouseUp.
    TScopedPromptScript prompts({IDCANCEL});
    Events.MouseUps = 0;
    const RECT target = Grid->CellRect(3, 1);
    Drag(BorderPoint(), POINT{target.left + 5, BorderPoint().y});
    EXPECT_EQ(Grid->ReadForeText(1, 1), "a");
    EXPECT_EQ(Grid->ReadForeText(3, 1), "busy");
    EXPECT_EQ(Events.MouseUps, 0);
    EXPECT_TRUE(Events.Moves.empty());
}

TEST_F(TamborMoveTest, FillingRepeatsTheBlockInBothDirections) {
    struct Case {
        const char* name;
        Integer first;
        Integer last;
        Integer count;
        Integer checkFrom;
        Integer checkTo;
        const char* expected;
        TGridRect selection;
    };
    const std::vector<Case> cases = {
        {"down from rows 2-3 to row 8", 2, 3, 5, 2, 8, "2,3,2,3,2,3,2", {1, 2, 1, 8}},
        {"up from rows 6-7 to row 1", 6, 7, -5, 1, 7, "7,6,7,6,7,6,7", {1, 1, 1, 7}},
        {"a whole number of copies", 4, 5, 4, 4, 9, "4,5,4,5,4,5", {1, 4, 1, 9}},
    };
    Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Grid->ResetCells(TGridRect{1, 1, 7, 11});
        NumberRows(1, c.first, c.last);
        Events.ForeTexts.clear();
        Grid->FillCells(TGridRect{1, c.first, 1, c.last}, c.count, fdVertical);
        EXPECT_EQ(Column(1, c.checkFrom, c.checkTo), c.expected);
        EXPECT_EQ(Sel(), c.selection);
        EXPECT_TRUE(Events.ForeTexts.empty());
    }

    // By the handle: rows 2-3 dragged down to row 8.
    Grid->ResetCells(TGridRect{1, 1, 7, 11});
    NumberRows(2, 2, 3);
    Grid->SetCurrentCell(2, 2, true, true);
    Grid->ApplySelection(TGridRect{2, 2, 2, 3});
    const RECT eight = Grid->CellRect(2, 8);
    Events.Fills.clear();
    Drag(HandlePoint(), POINT{(eight.left + eight.right) / 2, eight.top + 5});
    EXPECT_EQ(Column(2, 2, 9), "2,3,2,3,2,3,2,");
    ASSERT_EQ(Events.Fills.size(), 1u);
    EXPECT_EQ(Events.Fills[0].second, (TGridRect{2, 2, 2, 8}));
    // Pressing and releasing without moving fills nothing.
    Drag(HandlePoint(), HandlePoint());
    EXPECT_EQ(Column(2, 2, 9), "2,3,2,3,2,3,2,");
}

} // namespace
