// The suite's scroll bar: where its thumb lies, its range checks, held arrows on the manual
// clock, thumb tracking with the snap-back, what OnScroll may change, and how it paints in every
// look.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzScrollBar.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

struct TLog : TObject {
    int Changes = 0;
    std::vector<TScrollCode> Codes;
    std::vector<Integer> Positions;
    std::optional<Integer> Answer; // what OnScroll puts in place of the position
    void Change(TObject*) { ++Changes; }
    void Scroll(TObject*, TScrollCode code, Integer& position) {
        if (Answer) position = *Answer;
        Codes.push_back(code);
        Positions.push_back(position);
    }
};

class ScrollBarTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Bar = new TqzScrollBar(Form);
        Bar->SetParent(Form);
        Bar->SetBounds(10, 10, 200, 16);
        Bar->OnChange = TNotifyEvent(&Log, &TLog::Change);
        Bar->OnScroll = TScrollEvent(&Log, &TLog::Scroll);
        Form->Show();
        App->ProcessMessages();
    }
    void TearDown() override {
        TFormFixture::TearDown();
        ControlsUnitFinalize();
        LookAndFeelsFinalize();
    }
    POINT At(int x, int y) { return Bar->ClientToScreen(POINT{x, y}); }
    void Down(int x, int y) {
        WinInputMouseMove(At(x, y));
        WinInputMouseButton(At(x, y), TWinMouseButton::Left, true);
        App->ProcessMessages();
    }
    void MoveTo(int x, int y) {
        WinInputMouseMove(At(x, y));
        App->ProcessMessages();
    }
    void Up(int x, int y) {
        WinInputMouseButton(At(x, y), TWinMouseButton::Left, false);
        App->ProcessMessages();
    }
    void Wait(int ms) {
        ClockAdvanceMs(ms);
        App->ProcessMessages();
    }

    TqzScrollBar* Bar = nullptr;
    TLog Log;
};

} // namespace

// The bar is 200 wide: arrows of 16, a track of 168 from 16 to 184.
TEST_F(ScrollBarTest, ThumbAndPageAreas) {
    struct TCase {
        const char* Name;
        Integer Width, Min, Max, PageSize, Position;
        bool Thumb;
        Integer Left, Right;
    };
    const TCase cases[] = {
        {"no page: the system thumb", 200, 0, 100, 0, 50, true, 92, 108},
        {"page at the start", 200, 0, 99, 20, 0, true, 16, 50},
        {"page at the end", 200, 0, 99, 20, 80, true, 150, 184},
        {"position past the last page", 200, 0, 99, 20, 99, true, 150, 184},
        {"tiny page: the minimum length", 200, 0, 9999, 1, 0, true, 16, 24},
        {"a page as long as the range (D = 0)", 200, 5, 14, 10, 9, true, 16, 184},
        {"Min = Max", 200, 5, 5, 1, 5, false, 0, 0},
        {"track shorter than the minimum thumb", 38, 0, 99, 20, 0, false, 0, 0},
        {"track just long enough", 40, 0, 99, 20, 0, true, 16, 24},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Bar->SetWidth(c.Width);
        Bar->SetScrollParams(c.Min, c.Max, true, c.PageSize, c.Position);
        const TRect thumb = Bar->GetThumbRect();
        if (!c.Thumb) {
            EXPECT_TRUE(thumb.right <= thumb.left);
            EXPECT_TRUE(Bar->GetPageBeforeRect().right <= Bar->GetPageBeforeRect().left);
            continue;
        }
        EXPECT_EQ(Text(thumb), Text(TRect{c.Left, 0, c.Right, 16}));
        EXPECT_EQ(Text(Bar->GetPageBeforeRect()), Text(TRect{16, 0, c.Left, 16}));
        EXPECT_EQ(Text(Bar->GetPageAfterRect()), Text(TRect{c.Right, 0, c.Width - 16, 16}));
    }
    // Disabled: neither thumb nor page areas.
    Bar->SetWidth(200);
    Bar->SetScrollParams(0, 99, true, 20, 40);
    Bar->SetEnabled(false);
    EXPECT_TRUE(Bar->GetThumbRect().right <= Bar->GetThumbRect().left);
    EXPECT_TRUE(Bar->GetPageAfterRect().right <= Bar->GetPageAfterRect().left);
    // A vertical bar lays out along its height, arrows as wide as the system's bar.
    Bar->SetEnabled(true);
    Bar->SetKind(sbVertical);
    EXPECT_EQ(Bar->GetWidth(), 16);
    EXPECT_EQ(Bar->GetHeight(), 200);
    EXPECT_EQ(Text(Bar->GetSecondArrowRect()), Text(TRect{0, 184, 16, 200}));
}

TEST_F(ScrollBarTest, ParametersOutOfRangeRaiseAndChangeNothing) {
    Bar->SetScrollParams(0, 50, true, 10, 20);
    for (auto call : {+[](TqzScrollBar* b) { b->SetPageSize(51); }, +[](TqzScrollBar* b) { b->SetMax(-1); },
                      +[](TqzScrollBar* b) { b->SetScrollParams(5, 4, true, 0, 5); }}) {
        try {
            call(Bar);
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidOperation& e) {
            EXPECT_EQ(e.Message, "Scrollbar property out of range");
        }
        EXPECT_EQ(Bar->GetMax(), 50);
        EXPECT_EQ(Bar->GetPageSize(), 10);
        EXPECT_EQ(Bar->GetPosition(), 20);
    }
    // The position is held in the range, and a change is told once.
    Log.Changes = 0;
    Bar->SetPosition(500);
    EXPECT_EQ(Bar->GetPosition(), 50);
    Bar->SetPosition(50);
    EXPECT_EQ(Log.Changes, 1);
}

TEST_F(ScrollBarTest, OnScrollMayChangeTheStepWhichIsClampedAfterwards) {
    Bar->SetScrollParams(0, 99, true, 10, 50);
    Bar->SetLargeChange(10);
    struct TCase {
        TScrollCode Code;
        std::optional<Integer> Answer;
        Integer Expected;
        int Changes;
    };
    const TCase cases[] = {
        {scLineDown, std::nullopt, 51, 1}, {scPageUp, std::nullopt, 41, 1}, {scLineDown, 41, 41, 0},
        {scLineDown, 1000, 99, 1},         {scLineUp, -5, 0, 1},           {scBottom, std::nullopt, 99, 1},
        {scTop, std::nullopt, 0, 1},       {scTrack, 30, 30, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(int(c.Code));
        Log.Answer = c.Answer;
        Log.Changes = 0;
        Bar->Scroll(c.Code);
        EXPECT_EQ(Bar->GetPosition(), c.Expected);
        EXPECT_EQ(Log.Changes, c.Changes);
    }
}

TEST_F(ScrollBarTest, AHeldArrowRepeatsAfter400MsEvery60MsAndPausesOffIt) {
    Bar->SetScrollParams(0, 1000, true, 0, 0);
    Down(192, 8);
    EXPECT_EQ(Bar->GetPosition(), 1);
    Wait(399);
    EXPECT_EQ(Bar->GetPosition(), 1);
    Wait(1);
    EXPECT_EQ(Bar->GetPosition(), 2);
    Wait(60);
    EXPECT_EQ(Bar->GetPosition(), 3);
    Wait(60);
    EXPECT_EQ(Bar->GetPosition(), 4);
    EXPECT_EQ(Bar->GetPressedPart(), qzsbpSecondButton);
    // Off the arrow (the bar keeps the mouse): nothing more.
    MoveTo(100, 8);
    Wait(60);
    Wait(60);
    EXPECT_EQ(Bar->GetPosition(), 4);
    // Back on it: on again.
    MoveTo(190, 8);
    Wait(60);
    EXPECT_EQ(Bar->GetPosition(), 5);
    Up(190, 8);
    EXPECT_EQ(Bar->GetPressedPart(), qzsbpNone);
    EXPECT_EQ(Log.Codes.back(), scEndScroll);
    Wait(600);
    EXPECT_EQ(Bar->GetPosition(), 5);
}

TEST_F(ScrollBarTest, ThumbTrackingSnapsBackFarAwayAndResumes) {
    Bar->SetScrollParams(0, 99, true, 20, 0);
    Log.Changes = 0;
    Log.Codes.clear();
    Down(30, 8); // on the thumb (16..50)
    EXPECT_EQ(Bar->GetPressedPart(), qzsbpThumb);
    MoveTo(97, 8); // 67 of the 134 free pixels
    EXPECT_EQ(Bar->GetPosition(), 40);
    EXPECT_EQ(Log.Positions.back(), 40);
    EXPECT_EQ(Log.Codes.back(), scTrack);
    EXPECT_EQ(Log.Changes, 0) << "tracking stores the position without OnChange";
    // Within 136 pixels across the thumb still follows; 200 away it snaps back.
    MoveTo(107, 8 + 130);
    EXPECT_EQ(Bar->GetPosition(), 46);
    MoveTo(97, 8 + 200);
    EXPECT_EQ(Bar->GetPosition(), 0);
    EXPECT_EQ(Log.Changes, 1) << "the snap-back goes through the Position setter";
    EXPECT_EQ(Text(Bar->GetThumbRect()), Text(TRect{16, 0, 50, 16}));
    // Back near the bar: tracking resumes from the first press point.
    MoveTo(97, 8);
    EXPECT_EQ(Bar->GetPosition(), 40);
    Log.Codes.clear();
    Up(97, 8);
    EXPECT_EQ(Bar->GetPosition(), 40);
    EXPECT_EQ(Log.Changes, 1);
    ASSERT_EQ(Log.Codes.size(), 2u);
    EXPECT_EQ(Log.Codes[0], scPosition);
    EXPECT_EQ(Log.Codes[1], scEndScroll);
    // Along the bar the slack is 34 pixels beyond each end.
    Down(97, 8);
    MoveTo(200 + 30, 8);
    EXPECT_EQ(Bar->GetPosition(), 80);
    MoveTo(200 + 40, 8);
    EXPECT_EQ(Bar->GetPosition(), 40);
    Up(97, 8);
}

// ---- Pictures -------------------------------------------------------------------------------------

namespace {

std::vector<std::uint32_t> Rgb(TBitmap& bitmap) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < bitmap.GetHeight(); ++y)
        for (int x = 0; x < bitmap.GetWidth(); ++x) {
            const TColor color = bitmap.GetCanvas()->GetPixels(x, y);
            pixels.push_back(std::uint32_t(GetRValue(color)) << 16 | std::uint32_t(GetGValue(color)) << 8 |
                             GetBValue(color));
        }
    return pixels;
}

} // namespace

class ScrollBarPictureTest : public ScrollBarTest {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        ScrollBarTest::SetUp();
    }
    void TearDown() override {
        ScrollBarTest::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
        RebuildOfficeSchemeColors();
    }
    std::optional<TThemeFake> Fake;
};

// Rows: standard, flat, ultra-flat, Office11, native; columns: normal, hot thumb, pressed thumb,
// pressed arrow, disabled; a horizontal and a vertical bar in each cell.
TEST_F(ScrollBarPictureTest, BothKindsInEveryPainterAndState) {
    constexpr int kCell = 90, kRow = 70;
    TBitmap sheet;
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(5 * kCell, 5 * kRow);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, 5 * kCell, 5 * kRow});
    TqzScrollBar* vertical = new TqzScrollBar(Form);
    vertical->SetParent(Form);
    vertical->SetKind(sbVertical);
    vertical->SetBounds(300, 10, 16, 60);
    Bar->SetBounds(10, 10, 80, 16);
    const TqzLookAndFeelKind kinds[] = {lfStandard, lfFlat, lfUltraFlat, lfOffice11, lfUltraFlat};
    std::vector<std::vector<std::uint32_t>> cells;
    for (int row = 0; row < 5; ++row) {
        for (TqzScrollBar* bar : {Bar, vertical}) {
            bar->GetLookAndFeel()->SetKind(kinds[row]);
            bar->GetLookAndFeel()->SetNativeStyle(row == 4);
            bar->SetScrollParams(0, 99, true, 30, 30);
        }
        Fake->Calls.clear();
        for (int column = 0; column < 5; ++column) {
            for (TqzScrollBar* bar : {Bar, vertical}) {
                const bool h = bar == Bar;
                const TRect thumb = bar->GetThumbRect();
                const int tx = (thumb.left + thumb.right) / 2, ty = (thumb.top + thumb.bottom) / 2;
                bar->SetEnabled(column != 4);
                switch (column) {
                case 1: bar->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(tx, ty)); break;
                case 2: bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(tx, ty)); break;
                case 3: bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)); break;
                default: break;
                }
                const int x = column * kCell + (h ? 4 : 70), y = row * kRow + 4;
                bar->PaintTo(sheet.GetCanvas()->GetHandle(), x, y);
                if (column == 2 || column == 3) {
                    bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(column == 2 ? tx : 4, column == 2 ? ty : 4));
                    bar->Perform(WM_CANCELMODE, 0, 0);
                }
                bar->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(-50, -50));
                bar->Perform(CM_MOUSELEAVE, 0, 0);
                bar->SetScrollParams(0, 99, true, 30, 30);
            }
        }
        if (row == 4) {
            // The native look drew scroll-bar parts of the theme.
            bool scrollBarParts = false;
            for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground"))
                scrollBarParts = scrollBarParts || call.Class == "SCROLLBAR" || call.Class == "ScrollBar";
            EXPECT_TRUE(scrollBarParts);
        }
    }
    testsupport::WritePng(testsupport::ArtifactPath("qzScrollBars.png"), 5 * kCell, 5 * kRow, Rgb(sheet));
    // Within each look the five states of the horizontal bar are not all alike, and a disabled bar
    // differs from a normal one.
    auto cellPixels = [&](int row, int column) {
        std::vector<TColor> out;
        for (int y = row * kRow + 4; y < row * kRow + 20; ++y)
            for (int x = column * kCell + 4; x < column * kCell + 84; ++x)
                out.push_back(sheet.GetCanvas()->GetPixels(x, y));
        return out;
    };
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(row);
        EXPECT_NE(cellPixels(row, 0), cellPixels(row, 4));
        EXPECT_NE(cellPixels(row, 0), cellPixels(row, 3));
    }
}

TEST_F(ScrollBarPictureTest, ABorderedControl) {
    auto* control = new TqzControl(Form);
    control->SetParent(Form);
    control->SetBounds(10, 40, 120, 60);
    control->SetBorderStyle(bsSingle);
    control->SetColor(clWindow);
    App->ProcessMessages();
    TBitmap sheet;
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(120, 60);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, 120, 60});
    control->PaintTo(sheet.GetCanvas()->GetHandle(), 0, 0);
    testsupport::WritePng(testsupport::ArtifactPath("qzControlBorder.png"), 120, 60, Rgb(sheet));
    const Integer border = control->GetBorderSize();
    ASSERT_GT(border, 0);
    const TRect client = control->GetClientBounds();
    EXPECT_EQ(client.left, border);
    EXPECT_EQ(client.right, 120 - border);
    // The border's pixels are not the inside's.
    EXPECT_NE(sheet.GetCanvas()->GetPixels(0, 30), sheet.GetCanvas()->GetPixels(60, 30));
}
