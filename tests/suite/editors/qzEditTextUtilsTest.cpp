// The editors' text engine: rows broken by width and line breaks, placed by alignment, and drawn
// with selection and an ellipsis. Widths are measured with the canvas's own font, so the cases
// do not depend on which font is at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "suite/editors/qzEditTextUtils.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class qzEditTextUtils : public ::testing::Test {
protected:
    void SetUp() override {
        Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetPixelFormat(pf32bit);
        Bitmap->SetSize(200, 140);
        Bitmap->GetCanvas()->GetBrush()->SetColor(clWhite);
        Bitmap->GetCanvas()->FillRect(TRect{0, 0, 200, 140});
        Canvas = std::make_unique<TqzCanvas>(Bitmap->GetCanvas());
        Canvas->CurrentFont()->SetColor(clBlack);
        DC = Canvas->DeviceContext();
    }
    Integer Width(const std::string& s) { return TextExtentOf(DC, s.data(), Integer(s.size()), false).cx; }
    std::vector<std::string> RowTexts(const TqzTextRows& rows, Integer count) {
        std::vector<std::string> out;
        for (Integer i = 0; i < count; ++i)
            out.emplace_back(rows[i].Text, size_t(rows[i].CharCount));
        return out;
    }
    // Columns of a row band holding any pixel of the colour.
    std::pair<int, int> InkColumns(int top, int bottom, TColor color) {
        int l = 1000, r = -1;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 200; ++x)
                if (Bitmap->GetCanvas()->GetPixels(x, y) == color) {
                    l = std::min(l, x);
                    r = std::max(r, x);
                }
        return {l, r};
    }
    std::unique_ptr<TBitmap> Bitmap;
    std::unique_ptr<TqzCanvas> Canvas;
    HDC DC = nullptr;
};

TEST_F(qzEditTextUtils, BreaksRowsByWidthAndLineBreaks) {
    const Integer w = Width("a b") - 1;
    const Integer wide = Width("abcdef");
    struct Case {
        const char* Name;
        std::string Text;
        Integer Flags;
        Integer RectWidth;
        std::vector<std::string> Rows;
        std::vector<Integer> Breaks;
    };
    const std::vector<Case> cases = {
        {"word break skips the space", "a b", toWordBreak, w, {"a ", "b"}, {1, 0}},
        {"hard break without wrapping", "abc\r\nd", 0, 1000, {"abc", "d"}, {0, 0}},
        {"lone line feed", "ab\ncd", 0, 1000, {"ab", "cd"}, {0, 0}},
        {"long word overflows", "abcdef", toWordBreak, wide / 2, {"abcdef"}, {0}},
        {"char break cuts the word",
         "abcdef",
         toWordBreak | toCharBreak,
         Width("abc"),
         {"abc", "def"},
         {0, 0}},
        {"char break keeps one char", "W", toWordBreak | toCharBreak, 1, {"W"}, {0}},
        {"justify drops trailing spaces", "a b c", toJustify, Width("a b") + 1, {"a b", "c"}, {1, 0}},
        {"justify: paragraph end not spread", "a b\r\nc d", toJustify, 1000, {"a b", "c d"}, {0, 0}},
        {"distribute: every row spread", "a b\r\nc d", toDistribute, 1000, {"a b", "c d"}, {1, 1}},
        {"single line ignores breaks", "ab\r\ncd", toSingleLine, 1000, {"ab\r\ncd"}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TqzTextParams p = PrepareTextParams(DC, c.Flags);
        TqzTextRows rows;
        Integer count = 0;
        EXPECT_TRUE(
            LayoutTextRows(DC, c.Text.c_str(), TRect{0, 0, LONG(c.RectWidth), 1000}, 0, p, count, rows));
        EXPECT_EQ(c.Rows, RowTexts(rows, count));
        for (Integer i = 0; i < count && i < Integer(c.Breaks.size()); ++i)
            EXPECT_EQ(c.Breaks[i], rows[i].BreakCount);
        if (count > 0) {
            EXPECT_EQ(0, rows[0].StartOffset);
            EXPECT_EQ(Width(RowTexts(rows, 1)[0]), rows[0].Width);
        }
    }
}

TEST_F(qzEditTextUtils, RowsBreakBetweenCharactersNotInsideThem) {
    // Accented and Chinese text: every row holds whole characters, is no wider than the
    // rectangle when it can be, and takes as many characters as fit.
    const std::string e = "\xC3\xA9";         // é
    const std::string zhong = "\xE4\xB8\xAD"; // 中
    const std::string wen = "\xE6\x96\x87";   // 文
    auto layout = [&](const std::string& text, Integer flags, Integer width) {
        const TqzTextParams p = PrepareTextParams(DC, flags);
        TqzTextRows rows;
        Integer count = 0;
        LayoutTextRows(DC, text.c_str(), TRect{0, 0, LONG(width), 10000}, 0, p, count, rows);
        return RowTexts(rows, count);
    };

    // Pairs of "é " wrap exactly as many per row as their measure allows.
    std::string pairs;
    for (int i = 0; i < 12; ++i)
        pairs += e + " ";
    const Integer fourPairs = Width(e + " " + e + " " + e + " " + e);
    const auto pairRows = layout(pairs, toWordBreak, fourPairs);
    EXPECT_EQ(3u, pairRows.size());
    for (const auto& row : pairRows) {
        EXPECT_EQ(e + " " + e + " " + e + " " + e + " ", row);
    }

    // Chinese broken between characters: three ideographs per row, the last row the rest.
    std::string chinese;
    for (int i = 0; i < 5; ++i)
        chinese += zhong + wen;
    const auto charRows = layout(chinese, toWordBreak | toCharBreak, Width(zhong + wen + zhong));
    ASSERT_EQ(4u, charRows.size());
    EXPECT_EQ(zhong + wen + zhong, charRows[0]);
    EXPECT_EQ(wen + zhong + wen, charRows[1]);
    EXPECT_EQ(zhong + wen + zhong, charRows[2]);
    EXPECT_EQ(wen, charRows[3]);
    // A rectangle narrower than one ideograph still gives whole ideographs, one per row.
    const auto narrow = layout(zhong + wen + "a", toWordBreak | toCharBreak, 1);
    EXPECT_EQ((std::vector<std::string>{zhong, wen, "a"}), narrow);
    // A mixed word breaks at the space before it.
    const auto mixed = layout("ab " + zhong + wen + e, toWordBreak, Width("ab " + zhong));
    EXPECT_EQ((std::vector<std::string>{"ab ", zhong + wen + e}), mixed);

    // A single line cut with an ellipsis keeps whole characters; the first one at least.
    TRect bounds{0, 0, LONG(Width(zhong) / 2), 40};
    const TqzTextParams p = PrepareTextParams(DC, toEndEllipsis | toSingleLine);
    TqzTextRows rows;
    Integer count = 0;
    LayoutTextRows(DC, chinese.c_str(), bounds, 0, p, count, rows);
    ASSERT_EQ(1, count);
    EXPECT_EQ(3, rows[0].CharCount);
    PlaceTextRows(DC, bounds, p, count, rows);
    DrawTextRowsOut(DC, bounds, p, true, clWhite, clBlack, 0, 0, count, rows);
}

TEST_F(qzEditTextUtils, RowLimitStopsLayoutAndReportsLeftover) {
    const TqzTextParams p = PrepareTextParams(DC, 0);
    TqzTextRows rows;
    Integer count = 0;
    EXPECT_FALSE(LayoutTextRows(DC, "a\nb\nc", TRect{0, 0, 100, 1000}, 2, p, count, rows));
    EXPECT_EQ(2, count);
    EXPECT_EQ(2, rows[1].StartOffset);
    EXPECT_TRUE(LayoutTextRows(DC, "a\nb", TRect{0, 0, 100, 1000}, 2, p, count, rows));
    EXPECT_TRUE(LayoutTextRows(DC, nullptr, TRect{0, 0, 100, 1000}, 2, p, count, rows));
    EXPECT_EQ(0, count);
    // Whole rows: only the rows that fit in the height.
    const TqzTextParams whole = PrepareTextParams(DC, toWholeRows);
    LayoutTextRows(DC, "a\nb\nc", TRect{0, 0, 100, LONG(2 * whole.RowHeight + 1)}, 0, whole, count, rows);
    EXPECT_EQ(2, count);
}

TEST_F(qzEditTextUtils, PlacesRowsByAlignment) {
    const TqzTextParams base = PrepareTextParams(DC, 0);
    const Integer h = base.RowHeight;
    const TRect rect{10, 20, 110, LONG(20 + 5 * h)};
    struct Case {
        const char* Name;
        Integer Flags;
        Integer Left0, Top0, Top1;
    };
    const Integer w0 = Width("ab");
    const std::vector<Case> cases = {
        {"left top", 0, 10, 20, 20 + h},
        {"centre", toCenterH | toCenterV, 10 + (100 - w0) / 2, 20 + (5 * h - 2 * h) / 2,
         20 + (5 * h - 2 * h) / 2 + h},
        {"right bottom", toRight | toBottom, 110 - w0, 20 + 5 * h - 2 * h, 20 + 5 * h - h},
        {"spread rows", toSpreadRows, 10, 20, 20 + 5 * h - base.FontHeight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TqzTextParams p = PrepareTextParams(DC, c.Flags);
        TqzTextRows rows;
        Integer count = 0;
        LayoutTextRows(DC, "ab\nabcd", rect, 0, p, count, rows);
        ASSERT_EQ(2, count);
        PlaceTextRows(DC, rect, p, count, rows);
        EXPECT_EQ(c.Left0, rows[0].Left);
        EXPECT_EQ(c.Top0, rows[0].Top);
        EXPECT_EQ(c.Top1, rows[1].Top);
    }
    // No overflow: a row wider than the rectangle still starts at its left and top.
    const TqzTextParams p = PrepareTextParams(DC, toRight | toBottom | toNoLeftOverflow | toNoTopOverflow);
    TqzTextRows rows;
    Integer count = 0;
    const TRect narrow{10, 20, 12, 22};
    LayoutTextRows(DC, "abcdef", narrow, 0, p, count, rows);
    PlaceTextRows(DC, narrow, p, count, rows);
    EXPECT_EQ(10, rows[0].Left);
    EXPECT_EQ(20, rows[0].Top);
}

TEST_F(qzEditTextUtils, CalcRectMeasuresAndEmptyTextLeavesBoundsAlone) {
    const TqzTextParams p = PrepareTextParams(DC, 0);
    TRect bounds{5, 5, 200, 200};
    EXPECT_EQ(p.RowHeight + p.FontHeight,
              DrawEditText(DC, "ab\nabcd", bounds, 3, 4, 0, clBlack, clWhite, 0, 0, toCalcRect));
    EXPECT_EQ(5, bounds.left);
    EXPECT_EQ(5 + 3 + Width("abcd") + 4, bounds.right);
    EXPECT_EQ(5 + p.RowHeight + p.FontHeight, bounds.bottom);
    EXPECT_EQ(2,
              DrawEditText(DC, "ab\nabcd", bounds, 0, 0, 0, clBlack, clWhite, 0, 0, toCalcRect | toRowCount));

    TRect untouched{1, 2, 3, 4};
    EXPECT_EQ(0, DrawEditText(DC, "", untouched, 0, 0, 0, clBlack, clWhite, 0, 0, toCalcRect));
    EXPECT_EQ(1, untouched.left);
    EXPECT_EQ(4, untouched.bottom);
    TRect empty{10, 10, 10, 50};
    EXPECT_EQ(0, DrawEditText(DC, "ab", empty, 0, 0, 0, clBlack, clWhite, 0, 0, 0));
}

TEST_F(qzEditTextUtils, HelpersAndFlagConversion) {
    const TRect r = IndentTextBounds(TRect{10, 0, 100, 20}, 3, 7);
    EXPECT_EQ(13, r.left);
    EXPECT_EQ(93, r.right);
    const TRect back = UnindentTextBounds(r, 3, 7);
    EXPECT_EQ(10, back.left);
    EXPECT_EQ(100, back.right);
    TqzTextRows rows(3);
    rows[0].Width = 5;
    rows[1].Width = 9;
    rows[2].Width = 30;
    EXPECT_EQ(9, WidestTextRow(rows, 2));
    EXPECT_EQ(30, WidestTextRow(rows, 99));
    EXPECT_EQ(0, WidestTextRow(TqzTextRows{}, 3));

    namespace qg = qzGraphics;
    const std::vector<std::pair<Integer, TqzTextFlags>> pairs = {{toCenterH, qg::tfAlignHCenter},
                                                                 {toRight, qg::tfAlignRight},
                                                                 {toCenterV, qg::tfAlignVCenter},
                                                                 {toBottom, qg::tfAlignBottom},
                                                                 {toWordBreak, qg::tfWordBreak},
                                                                 {toSingleLine, qg::tfSingleLine},
                                                                 {0, 0}};
    for (const auto& [out, canvas] : pairs) {
        SCOPED_TRACE(out);
        EXPECT_EQ(canvas, TextOutFlagsToCanvasFlags(out));
        EXPECT_EQ(out, CanvasFlagsToTextOutFlags(canvas));
    }
}

TEST_F(qzEditTextUtils, DrawsSelectionAndEllipsis) {
    const TqzTextParams p = PrepareTextParams(DC, toEndEllipsis);
    const Integer h = p.RowHeight;
    // Row limit 2 over three rows: the second row ends with the ellipsis.
    TRect bounds{4, 4, 196, LONG(4 + 4 * h)};
    DrawEditText(DC, "HHHH\nHHHH\nHHHH", bounds, 0, 0, 2, clBlack, clWhite, 0, 0,
                 toEndEllipsis | toWholeRows);
    const auto row0 = InkColumns(4, 4 + h, clBlack);
    const auto row1 = InkColumns(4 + h, 4 + 2 * h, clBlack);
    EXPECT_GT(row1.second, row0.second + Width("..")) << "the ellipsis follows the second row";
    EXPECT_EQ(-1, InkColumns(4 + 2 * h, 4 + 3 * h, clBlack).second) << "the third row is not drawn";

    // Selection of "cd" in "abcdef" on the second band: a red box from the width of "ab".
    const LONG top = LONG(4 + 3 * h);
    TRect sel{4, top, 196, LONG(top + h)};
    DrawEditText(DC, "abcdef", sel, 0, 0, 0, clRed, clWhite, 2, 2, 0);
    const auto red = InkColumns(top, top + h, clRed);
    EXPECT_EQ(4 + Width("ab"), red.first);
    EXPECT_EQ(4 + Width("abcd") - 1, red.second);

    // Distributed rows reach the right edge; a justified paragraph's last row is not stretched.
    const LONG spread = LONG(4 + 5 * h);
    TRect dist{4, spread, 196, LONG(spread + h)};
    DrawEditText(DC, "a b", dist, 0, 0, 0, clBlack, clWhite, 0, 0, toDistribute);
    EXPECT_GT(InkColumns(spread, spread + h, clBlack).second, 180);
    const LONG plain = LONG(4 + 6 * h);
    TRect just{4, plain, 196, LONG(plain + h)};
    DrawEditText(DC, "a b", just, 0, 0, 0, clBlack, clWhite, 0, 0, toJustify);
    EXPECT_LT(InkColumns(plain, plain + h, clBlack).second, 4 + Width("a b"));

    // A selection starting past the text end draws no highlight.
    auto other = std::make_unique<TBitmap>();
    other->SetPixelFormat(pf32bit);
    other->SetSize(100, 30);
    TqzCanvas oc(other->GetCanvas());
    TRect b2{0, 0, 100, 30};
    DrawEditTextOnCanvas(&oc, "abc", b2, 0, 0, 0, clRed, clWhite, 5, 10, 0);
    for (int x = 0; x < 100; ++x)
        EXPECT_NE(clRed, other->GetCanvas()->GetPixels(x, 5));

    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 200; ++x)
            pixels.push_back(std::uint32_t(ColorToRGB(Bitmap->GetCanvas()->GetPixels(x, y))));
    // COLORREF is 0x00BBGGRR; the PNG wants 0x00RRGGBB.
    for (auto& px : pixels)
        px = ((px & 0xFF) << 16) | (px & 0xFF00) | ((px >> 16) & 0xFF);
    testsupport::WritePng(testsupport::ArtifactPath("qzEditTextUtils.png"), 200, 140, pixels);
}

} // namespace
