#include <gtest/gtest.h>

#include <numeric>

#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "tests/report/pvrViewTestHelpers.h"
#include "tests/support/FormFixture.h"

namespace {

class pvrDrawTextTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Font.SetName("Arial");
        Font.SetSize(10);
        Font.SetColor(clBlack);
        Layout = std::make_unique<TpvrDrawText>();
        Layout->SetFont(&Font);
        Layout->SetGaps(2, 0, 0);
    }

    // Lays the lines out in a box of `width` by `height` report units at scale 1.
    void LayOut(const std::vector<std::u16string>& lines, Integer width, Integer height = 1000, bool wordWrap = true,
                bool tags = false, bool wordBreak = false) {
        Layout->SetOptions(wordWrap, tags, 0, true, wordBreak, false);
        const TRect box{0, 0, width, height};
        Layout->SetDimensions(box, box, 1, 1);
        TWideStrings text;
        for (const auto& line : lines) text.Add(line);
        Layout->SetText(&text);
    }

    std::vector<std::u16string> Lines() const {
        std::vector<std::u16string> out;
        for (Integer i = 0; i < Layout->GetLines()->GetCount(); ++i) out.push_back(Layout->GetLines()->GetStrings(i));
        return out;
    }

    // The advances of a text on one line, in measuring pixels.
    std::vector<Integer> Advances(const std::u16string& text) {
        LayOut({text}, 100000);
        return Layout->MeasureLine(0);
    }

    TFont Font;
    std::unique_ptr<TpvrDrawText> Layout;
};

TEST_F(pvrDrawTextTest, TenPointFontMeasuresAtSixHundredPixelsPerInch) {
    EXPECT_EQ(Layout->GetMeasuringHeight(), 83);
    EXPECT_NEAR(double(Layout->GetLineHeight()), 15.28, 1e-9);
    LayOut({u"one", u"two", u""}, 500);
    EXPECT_NEAR(double(Layout->CalcHeight()), 3 * 15.28, 1e-9);
    // An empty line is one blank; paragraph flags mark first and last lines.
    EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"one", u"two", u" "}));
    EXPECT_EQ(Layout->GetLineFlags(0), 3);
}

TEST_F(pvrDrawTextTest, BreaksLinesByTheMeasuredAdvances) {
    const std::u16string word = u"ABCDEFGHIJKLMNOPQRST";
    const std::vector<Integer> adv = Advances(word);
    // A box that holds the first seven characters and a part of the eighth.
    const Integer seven = std::accumulate(adv.begin(), adv.begin() + 7, 0);
    const Integer width = (seven + adv[7] / 2) * 4 / 25; // measuring pixels to units, rounded down
    ASSERT_GE(width * 6.25, seven);
    ASSERT_LT(width * 6.25, seven + adv[7]);

    // Every line but the last fits, and would not with the next character.
    auto checkBreaks = [&](const std::u16string& text, bool atBlanks) {
        LayOut({text}, width);
        const std::vector<std::u16string> lines = Lines();
        std::size_t next = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::vector<Integer> lineAdv = Layout->MeasureLine(Integer(i));
            const Integer used = std::accumulate(lineAdv.begin(), lineAdv.end(), 0);
            EXPECT_LE(used, Round(width * 6.25L));
            next += lines[i].size();
            if (i + 1 < lines.size() && text[next] == u' ') ++next;
            if (i + 1 < lines.size() && !atBlanks) {
                EXPECT_GT(used + Advances(text.substr(next, 1))[0], Round(width * 6.25L));
            }
            LayOut({text}, width);
        }
        return lines;
    };
    const auto plain = checkBreaks(word, false);
    EXPECT_EQ(plain.front(), u"ABCDEFG");
    EXPECT_GT(plain.size(), 2u);
    // At a blank: the line ends before it and the next starts after it.
    const auto blank = checkBreaks(u"ABC DEFGHIJKLMNOP", true);
    EXPECT_EQ(blank[0], u"ABC");
    EXPECT_EQ(blank[1].front(), u'D');

    struct Case {
        const char* Name;
        std::u16string Text;
        Integer Width;
        bool WordWrap;
        std::vector<std::u16string> Expected;
    } cases[] = {
        {"a character wider than the box stands alone", u"ABC", 1, true, {u"A", u"B", u"C"}},
        {"without word wrap one line, however long", word, width, false, {word}},
        {"a single character is never broken", u"W", 1, true, {u"W"}},
        {"a paragraph narrower than the box is one line", u"AB CD", 500, true, {u"AB CD"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        LayOut({c.Text}, c.Width, 1000, c.WordWrap);
        EXPECT_EQ(Lines(), c.Expected);
    }
}

TEST_F(pvrDrawTextTest, HyphenatesCyrillicWordsAtSyllables) {
    struct Case {
        std::u16string Word;
        std::vector<Integer> Points;
    } cases[] = {
        {u"ХОРОШО", {2, 4}},   // vowel followed by a consonant
        {u"хорошо", {2, 4}},   // lower case the same
        {u"МАССА", {3}},       // a doubled consonant before a vowel is split
        {u"ПОДЪЕЗД", {2}},     // not before a sign; no part without a vowel
        {u"КОТ", {}},          // three letters or fewer
        {u"МАЙКА", {3}},       // not before Й
        {u"WORD", {}},         // no letter classes outside the Cyrillic alphabet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToString(c.Word));
        EXPECT_EQ(HyphenationPoints(c.Word), c.Points);
    }

    // With WordBreak a word that does not fit is split at its last syllable that fits, with "-".
    const std::u16string text = u"ХОРОШО";
    const std::vector<Integer> adv = Advances(text);
    // A box that holds five letters, not six.
    const Integer five = std::accumulate(adv.begin(), adv.begin() + 5, 0);
    const Integer width = (five * 4 + 24) / 25;
    ASSERT_LT(width * 6.25, five + adv[5]);
    LayOut({text}, width, 1000, true, false, true);
    EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"ХОРО-", u"ШО"}));
    // The hyphen takes the style of the letter before it.
    EXPECT_EQ(Layout->GetTags()->Items(0).Items.size(), 5u);
    // Without WordBreak the letters that fit.
    LayOut({text}, width, 1000, true, false, false);
    EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"ХОРОШ", u"О"}));
}

TEST_F(pvrDrawTextTest, InlineTagsBecomeStylesPerCharacter) {
    LayOut({u"<b>A</b>B"}, 500, 1000, true, true);
    ASSERT_EQ(Lines(), (std::vector<std::u16string>{u"AB"}));
    const auto& tags = Layout->GetTags()->Items(0).Items;
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_TRUE(tags[0].Style.Contains(fsBold));
    EXPECT_FALSE(tags[0].Default);
    EXPECT_FALSE(tags[1].Style.Contains(fsBold));
    EXPECT_FALSE(tags[1].Default);
    EXPECT_EQ(tags[0].Position, 4);
    EXPECT_EQ(tags[1].Position, 9);

    struct Case {
        std::u16string Text;
        std::u16string Shown;
        TColor Color;
    } colours[] = {
        {u"<font color=\"#FF0000\">x", u"x", clRed},
        {u"<FONT COLOR = \"#0000FF\">x</font>y", u"xy", clBlue},
        {u"<font color=red>x", u"x", clRed},
        {u"<font color=nothing>x", u"<font color=nothing>x", clBlack},
        {u"<font color=\"#1234567890ABCDEF00FF00\">x", u"x", clLime},
        {u"<font color=\"#\">x", u"<font color=\"#\">x", clBlack},
    };
    for (const Case& c : colours) {
        SCOPED_TRACE(WideToString(c.Text));
        LayOut({c.Text}, 500, 1000, true, true);
        EXPECT_EQ(Lines(), (std::vector<std::u16string>{c.Shown}));
        EXPECT_EQ(Layout->GetTags()->Items(0).Items.front().Color, c.Color);
    }

    // Drawn: one run per style, the bold one wider than the same letter plain; x in red.
    LayOut({u"<b>A</b>A"}, 500, 1000, true, true);
    const auto runs = viewtest::RecordText([&](TCanvas* canvas) { Layout->DrawText(canvas, haLeft, vaTop); });
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].Text, u"A");
    EXPECT_EQ(runs[1].Text, u"A");
    EXPECT_EQ(runs[1].Reference.x, runs[0].Dx[0]);
    LayOut({u"<font color=\"#FF0000\">x"}, 500, 1000, true, true);
    TBitmap image;
    viewtest::PrepareImage(image, 40, 30);
    Layout->DrawText(image.GetCanvas(), haLeft, vaTop);
    int red = 0, black = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const TColor c = image.GetCanvas()->GetPixels(x, y);
            red += c == clRed;
            black += c == clBlack;
        }
    EXPECT_GT(red, 5);
    EXPECT_EQ(black, 0);

    LayOut({u"H<sub>2</sub>O<strike>x</strike>"}, 500, 1000, true, true);
    EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"H2Ox"}));
    const auto& sub = Layout->GetTags()->Items(0).Items;
    EXPECT_EQ(sub[1].Size, 7);
    EXPECT_EQ(sub[1].BaselineShift, 1);
    EXPECT_TRUE(sub[1].Small);
    EXPECT_EQ(sub[2].Size, 10);
    EXPECT_TRUE(sub[3].Style.Contains(fsStrikeOut));

    // Without tags allowed they are text.
    LayOut({u"<b>A</b>"}, 500, 1000, true, false);
    EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"<b>A</b>"}));
}

TEST_F(pvrDrawTextTest, SplitsTheTextThatDoesNotFit) {
    // Two lines of 15.28 units fit 30 units (31 / 15.28).
    LayOut({u"<b>L1", u"L2", u"<font color=\"#00FF00\">L3", u"L4", u"L5"}, 500, 30, true, true);
    EXPECT_EQ(Layout->GetLines()->GetCount(), 5);
    EXPECT_NEAR(double(Layout->UnusedSpace()), 31 - 2 * 15.28, 1e-9);
    const std::u16string remainder = Layout->GetRemainedText();
    EXPECT_EQ(remainder, u"<font color=\"#00FF00\"><b>L3\r\nL4\r\nL5\r\n");
    // The cut falls at the first character itself: a tag before it stays with what fits.
    EXPECT_EQ(Layout->GetInBoundsText(), u"<b>L1\r\nL2\r\n<font color=\"#00FF00\">");
    EXPECT_EQ(Layout->GetLines()->GetCount(), 2);

    // Without tags no prefix; a box that holds every line leaves nothing.
    LayOut({u"L1", u"L2", u"L3"}, 500, 30, true, false);
    EXPECT_EQ(Layout->GetRemainedText(), u"L3\r\n");
    LayOut({u"L1"}, 500, 30, true, false);
    EXPECT_EQ(Layout->GetRemainedText(), u"");
    EXPECT_EQ(Layout->GetInBoundsText(), u"L1\r\n");
    // Not a single line: no unused height.
    LayOut({u"L1"}, 500, 10, true, false);
    EXPECT_EQ(Layout->UnusedSpace(), 0);

    // A broken paragraph resumes at the first character of the line that does not fit.
    const std::vector<Integer> adv = Advances(u"AAAA BBBB");
    const Integer width = std::accumulate(adv.begin(), adv.begin() + 6, 0) * 4 / 25;
    LayOut({u"AAAA BBBB"}, width, 16, true, false);
    ASSERT_EQ(Lines(), (std::vector<std::u16string>{u"AAAA", u"BBBB"}));
    EXPECT_EQ(Layout->GetRemainedText(), u"BBBB\r\n");
}

TEST_F(pvrDrawTextTest, LayoutDoesNotDependOnTheDevice) {
    const std::u16string text = u"The quick brown fox jumps over the lazy dog, again and again and again.";
    std::vector<std::u16string> first;
    for (Extended scale : {1.0L, 2.0L, 6.25L}) {
        SCOPED_TRACE(double(scale));
        Layout->SetOptions(true, false, 0, true, false, false);
        const TRect unscaled{0, 0, 120, 1000};
        const TRect scaled{0, 0, Integer(120 * scale), Integer(1000 * scale)};
        Layout->SetDimensions(unscaled, scaled, scale, scale);
        TWideStrings lines;
        lines.Add(text);
        Layout->SetText(&lines);
        if (first.empty()) first = Lines();
        EXPECT_EQ(Lines(), first);
        EXPECT_GT(first.size(), 1u);

        // Drawn, every line's advances add up to its measured width on that device.
        const auto records = viewtest::RecordText([&](TCanvas* canvas) { Layout->DrawText(canvas, haLeft, vaTop); });
        ASSERT_EQ(records.size(), first.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            const std::vector<Integer> adv = Layout->MeasureLine(Integer(i));
            const Integer measured = std::accumulate(adv.begin(), adv.end(), 0);
            EXPECT_EQ(records[i].Text, first[i]);
            EXPECT_EQ(records[i].Width(), Integer(Round(measured / 6.25L * scale)));
            EXPECT_EQ(records[i].Reference.x, 0);
        }
    }
}

// Text on a page shown very small gets a font of at least one pixel: a height of 0 would ask
// for the device's default size and draw the text larger than the page around it.
TEST_F(pvrDrawTextTest, TheDeviceFontIsAtLeastOnePixelHigh) {
    struct Case {
        Extended Scale;
        LONG Height;
    };
    for (const Case& c :
         {Case{1, -13}, Case{0.47L, -6}, Case{0.05L, -1}, Case{0.03L, -1}, Case{0.001L, -1}}) {
        SCOPED_TRACE(double(c.Scale));
        Layout->SetOptions(true, true, 0, true, false, false);
        const TRect unscaled{0, 0, 300, 100};
        Layout->SetDimensions(unscaled, TRect{0, 0, Integer(300 * c.Scale), Integer(100 * c.Scale)}, c.Scale,
                              c.Scale);
        TWideStrings lines;
        lines.Add(u"Radio: <b>KOV</b>-571");
        Layout->SetText(&lines);
        const auto fonts = viewtest::RecordsOf<EMREXTCREATEFONTINDIRECTW>(
            [&](TCanvas* canvas) { Layout->DrawText(canvas, haLeft, vaTop); }, EMR_EXTCREATEFONTINDIRECTW);
        ASSERT_EQ(3u, fonts.size()); // plain, bold, plain again
        for (const EMREXTCREATEFONTINDIRECTW& font : fonts)
            EXPECT_EQ(c.Height, font.elfw.lfHeight);
    }
}

TEST_F(pvrDrawTextTest, AlignsAndJustifiesLines) {
    // "aa bb cc dd" on a first line, "ee" on a second, so the first line is justified.
    const std::u16string text = u"aa bb cc dd ee";
    const std::vector<Integer> adv = Advances(text);
    const Integer upToBlank = std::accumulate(adv.begin(), adv.begin() + 12, 0);
    const Integer width = (upToBlank + 6) * 4 / 25 + 1;
    LayOut({text}, width);
    ASSERT_EQ(Lines(), (std::vector<std::u16string>{u"aa bb cc dd", u"ee"}));

    auto draw = [&](TpvrHAlign align, Integer boxWidth) {
        Layout->SetDimensions(TRect{0, 0, width, 1000}, TRect{0, 0, boxWidth, 1000}, 1, 1);
        return viewtest::RecordText([&](TCanvas* canvas) { Layout->DrawText(canvas, align, vaTop); });
    };
    const auto plain = draw(haLeft, 1000);
    ASSERT_EQ(plain.size(), 2u);
    const Integer target = plain[0].Width();
    // Seven free pixels over three blanks: 3, 2 and 2.
    const auto justified = draw(haBlock, target + 7);
    ASSERT_EQ(justified.size(), 2u);
    std::vector<Integer> extra;
    for (std::size_t i = 0; i < justified[0].Dx.size(); ++i)
        if (justified[0].Text[i] == u' ') extra.push_back(justified[0].Dx[i] - plain[0].Dx[i]);
    EXPECT_EQ(extra, (std::vector<Integer>{3, 2, 2}));
    // The last line of the paragraph stays left-aligned.
    EXPECT_EQ(justified[1].Dx, plain[1].Dx);
    EXPECT_EQ(justified[1].Reference.x, 0);

    const auto right = draw(haRight, target + 40);
    EXPECT_EQ(right[0].Reference.x, 40);
    const auto centre = draw(haCenter, target + 40);
    EXPECT_EQ(centre[0].Reference.x, 20);
    // Two lines of 15.28 units make a block of 31 pixels: the first advance takes the spare pixel.
    EXPECT_EQ(plain[1].Reference.y - plain[0].Reference.y, 16);
}

TEST_F(pvrDrawTextTest, SpreadsPixelsEvenly) {
    struct Case {
        Integer Count;
        Integer Units;
        std::vector<Integer> Expected;
    } cases[] = {
        {4, 1, {0, 1, 0, 0}},   {3, 1, {0, 1, 0}},     {4, 2, {1, 0, 1, 0}},
        {4, 5, {1, 2, 1, 1}},   {4, -1, {0, -1, 0, 0}}, {5, 3, {0, 1, 0, 1, 1}},
        {2, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Units);
        std::vector<Integer> values(std::size_t(c.Count), 0);
        SpreadPixels(values, c.Units);
        EXPECT_EQ(values, c.Expected);
        EXPECT_EQ(std::accumulate(values.begin(), values.end(), 0), c.Units);
    }
}

TEST_F(pvrDrawTextTest, OddSettingsLayOutAndDrawWithoutFailing) {
    std::u16string longParagraph;
    for (int i = 0; i < 20000; ++i) longParagraph += u"word ";
    struct Case {
        const char* Name;
        Integer Size;
        Extended LineSpacing;
        TRect Box;
        std::u16string Text;
    } cases[] = {
        {"negative line spacing", 10, -30, {0, 0, 100, 100}, u"a b c d e f g"},
        {"font size 0", 0, 2, {0, 0, 100, 100}, u"abc"},
        {"font size 2000", 2000, 2, {0, 0, 100, 100}, u"abc def"},
        {"zero box", 10, 2, {0, 0, 0, 0}, u"abc def"},
        {"negative box", 10, 2, {50, 50, 10, 10}, u"abc def"},
        {"a paragraph of 100,000 characters", 10, 2, {0, 0, 700, 1000}, longParagraph},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Font.SetSize(c.Size);
        Layout->SetFont(&Font);
        Layout->SetGaps(c.LineSpacing, 0, 0);
        Layout->SetOptions(true, true, 0, true, true, false);
        Layout->SetDimensions(c.Box, c.Box, 1, 1);
        TWideStrings lines;
        lines.Add(c.Text);
        Layout->SetText(&lines);
        EXPECT_GE(Layout->GetLines()->GetCount(), 1);
        TBitmap image;
        viewtest::PrepareImage(image, 200, 200);
        Layout->DrawText(image.GetCanvas(), haBlock, vaCenter);
        (void)Layout->CalcWidth();
        (void)Layout->UnusedSpace();
        (void)Layout->GetRemainedText();
    }
}

} // namespace
