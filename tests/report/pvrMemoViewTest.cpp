#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "script/kq_isysrtti.h"
#include "tests/report/pvrViewTestHelpers.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class pvrMemoViewTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        Report = new TpvrReport(nullptr);
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Page = new TpvrReportPage(Report);
        Band = new TpvrMasterData(Page);
        Band->SetBounds(0, 0, 700, 100);
        Memo = MakeMemo("Memo1");
    }
    void TearDown() override {
        delete Report;
        TFormFixture::TearDown();
    }

    TpvrMemoView* MakeMemo(const String& name, Extended height = 20) {
        auto* memo = new TpvrMemoView(Band);
        memo->SetName(name);
        memo->SetBounds(10, 10, 300, height);
        return memo;
    }

    void SetText(TpvrCustomMemoView* memo, const std::u16string& text) { memo->GetMemo()->SetText(text); }
    std::u16string Text(TpvrCustomMemoView* memo) const { return memo->GetMemo()->GetText(); }

    // What a memo of this text shows for the record: its text after GetData, without the last
    // line break.
    String Shown(const String& text) {
        SetText(Memo, StringToWide(text));
        Memo->BeforePrint();
        Memo->GetData();
        String shown = WideToString(Text(Memo));
        Memo->AfterPrint();
        if (shown.size() >= 2) shown.resize(shown.size() - 2);
        return shown;
    }

    // A data source walking through `Values` for the field "F".
    TpvrUserDataSet* MakeData() {
        auto* data = new TpvrUserDataSet(Page);
        data->SetUserName("Data");
        data->OnGetValue = MakeEvent(this, &pvrMemoViewTest::DataValue);
        Data = data;
        return data;
    }
    void DataValue(const String& field, Variant& value) {
        if (field == "F" && Data && Data->RecNo < Integer(Values.size())) value = Values[std::size_t(Data->RecNo)];
    }

    TpvrReport* Report = nullptr;
    TpvrReportPage* Page = nullptr;
    TpvrDataBand* Band = nullptr;
    TpvrMemoView* Memo = nullptr;
    TpvrUserDataSet* Data = nullptr;
    std::vector<Variant> Values;
};

TEST_F(pvrMemoViewTest, HeightsFollowLinesGapsAndFrame) {
    struct Case {
        const char* Name;
        std::u16string Text;
        std::function<void(TpvrMemoView*)> Setup;
        Extended Height;
    } cases[] = {
        {"one line of 10 points", u"Text", [](TpvrMemoView*) {}, 17},
        {"two lines", u"One\r\nTwo", [](TpvrMemoView*) {}, 33},
        {"framed above and below, width 3",
         u"Text",
         [](TpvrMemoView* m) {
             m->GetFrame()->Typ = TpvrFrameTypes{ftTop, ftBottom};
             m->GetFrame()->Width = 3;
         },
         20},
        {"drop shadow", u"Text", [](TpvrMemoView* m) { m->GetFrame()->DropShadow = true; }, 21},
        {"no line spacing, no gaps", u"Text",
         [](TpvrMemoView* m) {
             m->LineSpacing = 0;
             m->GapY = 0;
         },
         13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TpvrMemoView* memo = MakeMemo("");
        SetText(memo, c.Text);
        c.Setup(memo);
        EXPECT_EQ(memo->CalcHeight(), c.Height);
        delete memo;
    }
    SetText(Memo, u"Text");
    const Extended width = Memo->CalcWidth();
    EXPECT_GT(width, 4);
    EXPECT_LT(width, 60);
}

TEST_F(pvrMemoViewTest, ExpressionsInTheTextAreReplacedByTheirValues) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    struct Case {
        String Text;
        String Shown;
    } cases[] = {
        {"[1+1]", "2"},
        {"  [1+1]", "  2"},
        {"a [2*3] b [4] c", "a 6 b 4 c"},
        {"['a]b']", "a]b"},
        {"x [1+1", "x 2"},
        {"[2.5 #n%2,2f]", "2,50"},
        {"[2.5 #N#0-00]", "2-50"},  // the character written is the separator shown
        {"[2.5 #n0,00]", "0,00"},   // neither "#" nor "%": the pattern is the text
        {"[1=1 #bno,yes]", "yes"},
        {"[1=2 #bno,yes]", "no"},
        {"[Copy('abc', 1, 2)]", "ab"},
        {"[TotalPages#]", "[TotalPages#]"},
        {"no brackets", "no brackets"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(Shown(c.Text), c.Shown);
    }
    // The design text comes back after the record.
    EXPECT_EQ(Text(Memo), u"no brackets\r\n");

    {
        testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());
        EXPECT_EQ(Shown("[2.5 #n%2,2f]"), "2,50");
    }
    Memo->ExpressionDelimiters = "<%,%>";
    EXPECT_EQ(Shown("<%3*3%> [1]"), "9 [1]");
    Memo->ExpressionDelimiters = "[,]";
    Memo->AllowExpressions = false;
    EXPECT_EQ(Shown("[1+1]"), "[1+1]");
    Memo->AllowExpressions = true;

    Memo->HideZeros = true;
    EXPECT_EQ(Shown("[0]"), "");
    EXPECT_EQ(Shown("['0']"), "0");
    EXPECT_EQ(Shown("[7]"), "7");
    Memo->HideZeros = false;

    // A failing expression stops with the report's error naming the memo.
    Report->CurObject = "Memo1";
    SetText(Memo, u"[1 +]");
    EXPECT_THROW(Memo->GetData(), Exception);
    ASSERT_EQ(Report->GetErrors()->GetCount(), 1);
    EXPECT_EQ(Report->GetErrors()->GetStrings(0).substr(0, 7), "Memo1: ");
}

TEST_F(pvrMemoViewTest, FormatsValuesByKind) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    TFormatSettings dashes = testsupport::DotSettings();
    dashes.DateSeparator = '-';
    const TDateTime day = EncodeDate(2026, 3, 9);
    struct Case {
        const char* Name;
        TpvrFormatKind Kind;
        String FormatStr;
        String Separator;
        Variant Value;
        String Shown;
    } cases[] = {
        {"text", fkText, "", "", Variant(Integer(12)), "12"},
        {"Null is empty", fkNumeric, "%2.2f", "", Null(), ""},
        {"number with a comma", fkNumeric, "%2.2f", ",", Variant(3.5), "3,50"},
        {"number by pattern", fkNumeric, "#,##0.0", "", Variant(1234.56), "1,234.6"},
        {"separator equal to the locale's", fkNumeric, "%2.2f", ".", Variant(3.5), "3.50"},
        {"true", fkBoolean, "No,Yes", "", Variant(true), "Yes"},
        {"false", fkBoolean, "No,Yes", "", Variant(false), "No"},
        {"zero", fkBoolean, "No,Yes", "", Variant(Integer(0)), "No"},
        {"a text that is no number", fkNumeric, "%2.2f", "", Variant(String("abc")), "abc"},
        {"date", fkDateTime, "yyyy/mm/dd", "", VarFromDateTime(day), "2026-03-09"},
    };
    testsupport::ScopedFormatSettings dashed(dashes);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TpvrFormat format;
        format.Kind = c.Kind;
        format.FormatStr = c.FormatStr;
        format.DecimalSeparator = c.Separator;
        EXPECT_EQ(WideToString(FormatValue(c.Value, &format)), c.Shown);
    }
}

TEST_F(pvrMemoViewTest, DataBoundMemosShowTheFieldAndSuppressRepeats) {
    MakeData();
    Memo->SetDataSet(Data);
    Memo->DataField = "F";
    EXPECT_EQ(Memo->GetDataSetName(), "Data");
    Values = {Variant(String("A")), Variant(String("A")), Variant(String("B")), Variant(String("B"))};
    Memo->SuppressRepeated = true;
    std::vector<std::u16string> shown;
    for (Data->RecNo = 0; Data->RecNo < 4; ++Data->RecNo) {
        if (Data->RecNo == 3) Memo->ClearRepeatedValue(); // a new group
        Memo->BeforePrint();
        Memo->GetData();
        shown.push_back(Text(Memo));
        Memo->AfterPrint();
    }
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"A\r\n", u"", u"B\r\n", u"B\r\n"}));

    Memo->SuppressRepeated = false;
    Memo->HideZeros = true;
    struct Case {
        Variant Value;
        std::u16string Shown;
    } cases[] = {{Variant(Integer(0)), u""}, {Variant(String("0")), u"0\r\n"}, {Variant(2.5), u"2.5\r\n"}};
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    for (const Case& c : cases) {
        Values = {c.Value};
        Data->RecNo = 0;
        Memo->GetData();
        EXPECT_EQ(Text(Memo), c.Shown);
    }
    Memo->HideZeros = false;
    Memo->GetDisplayFormat()->Kind = fkNumeric;
    Memo->GetDisplayFormat()->FormatStr = "%2.2f";
    Memo->GetDisplayFormat()->DecimalSeparator = ",";
    Values = {Variant(3.5)};
    Memo->GetData();
    EXPECT_EQ(Text(Memo), u"3,50\r\n");
    EXPECT_EQ(Memo->Value.AsExtended(), 3.5);

    // A freed data source is forgotten.
    delete Data;
    Data = nullptr;
    EXPECT_EQ(Memo->GetDataSet(), nullptr);
}

TEST_F(pvrMemoViewTest, TagAndLinkExpressionsLastOneRecord) {
    Memo->TagStr = "[1+1]";
    Memo->URL = "page[2*5].html";
    Memo->BeforePrint();
    Memo->GetData();
    EXPECT_EQ(Memo->TagStr, "2");
    EXPECT_EQ(Memo->URL, "page10.html");
    Memo->AfterPrint();
    EXPECT_EQ(Memo->TagStr, "[1+1]");
    EXPECT_EQ(Memo->URL, "page[2*5].html");
}

TEST_F(pvrMemoViewTest, HighlightAppliesWhileItsConditionHolds) {
    SetText(Memo, u"x");
    Memo->GetHighlight()->Condition = "2>1";
    Memo->GetHighlight()->Color = clYellow;
    Memo->GetData();
    EXPECT_TRUE(Memo->GetHighlight()->Active);
    TBitmap image;
    viewtest::PrepareImage(image, 400, 60);
    Memo->Draw(image.GetCanvas(), 1, 1, 0, 0);
    // The highlight colour fills the memo while drawing; the memo's own colour comes back.
    EXPECT_EQ(image.GetCanvas()->GetPixels(200, 25), clYellow);
    EXPECT_EQ(Memo->Color, clTransparent);
    int red = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 40; ++x) red += image.GetCanvas()->GetPixels(x, y) == clRed;
    EXPECT_GT(red, 0);

    Memo->GetHighlight()->Condition = "1>2";
    Memo->GetData();
    EXPECT_FALSE(Memo->GetHighlight()->Active);
}

TEST_F(pvrMemoViewTest, SplitsItsTextAcrossParts) {
    TpvrMemoView* memo = MakeMemo("Split", 40);
    SetText(memo, u"L1\r\nL2\r\nL3\r\nL4\r\nL5");
    memo->InitPart();
    // The text rectangle is 40 units high: two lines of 15.28.
    EXPECT_NEAR(double(memo->DrawPart()), 40 - 2 * 15.28, 1e-9);
    EXPECT_EQ(Text(memo), u"L1\r\nL2\r\n");
    EXPECT_EQ(memo->GetRemainder(), u"L3\r\nL4\r\nL5\r\n");
    memo->DrawPart();
    EXPECT_EQ(Text(memo), u"L3\r\nL4\r\n");
    memo->DrawPart();
    EXPECT_EQ(Text(memo), u"L5\r\n");
    EXPECT_EQ(memo->GetRemainder(), u"");

    // Not a single line fits: the whole height.
    TpvrMemoView* tiny = MakeMemo("Tiny", 5);
    SetText(tiny, u"L1");
    tiny->InitPart();
    EXPECT_EQ(tiny->DrawPart(), 5);

    // With tags the rest keeps its style.
    memo->AllowHTMLTags = true;
    SetText(memo, u"<b>L1\r\nL2\r\nL3");
    memo->InitPart();
    memo->DrawPart();
    EXPECT_EQ(memo->GetRemainder(), u"<font color=\"#000000\"><b>L3\r\n");

    // A memo flowing into another hands over what it cannot hold.
    TpvrMemoView* next = MakeMemo("Next", 40);
    memo->AllowHTMLTags = false;
    memo->SetFlowTo(next);
    SetText(memo, u"A\r\nB\r\nC");
    memo->GetData();
    EXPECT_EQ(Text(memo), u"A\r\nB\r\n");
    EXPECT_EQ(Text(next), u"C\r\n");
    EXPECT_FALSE(next->AllowExpressions);
    delete next;
    EXPECT_EQ(memo->GetFlowTo(), nullptr);
}

TEST_F(pvrMemoViewTest, DrawsTextAtTheTextRectangle) {
    SetText(Memo, u"Total [TotalPages#]");
    Memo->GetData();
    Memo->TotalPages = 5;
    const auto records =
        viewtest::RecordText([&](TCanvas* canvas) { Memo->Draw(canvas, 1, 1, 0, 0); });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Text, u"Total 5");
    const TRect& rect = Memo->GetTextRect();
    EXPECT_EQ(rect.left, 12);
    EXPECT_EQ(rect.top, 11);
    // The record holds the baseline point: the text's top is the rectangle's.
    EXPECT_EQ(records[0].Reference.x, rect.left);
    EXPECT_GT(records[0].Reference.y, rect.top);
    EXPECT_LE(records[0].Reference.y, rect.top + 13);
    EXPECT_EQ(Memo->GetComponentText(), "Total 5\r\n");

    // Rotated quarter turns start at the corner the text turns around.
    // (the start along the line exact, the baseline a font ascent inwards).
    struct Case {
        Integer Rotation;
        bool Right, Bottom, Vertical;
    } turns[] = {{90, false, true, true}, {180, true, true, false}, {270, true, false, true}};
    for (const Case& c : turns) {
        SCOPED_TRACE(c.Rotation);
        Memo->SetRotation(c.Rotation);
        // Turned, the lines run along the rectangle's height and wrap there.
        const auto turned = viewtest::RecordText([&](TCanvas* canvas) { Memo->Draw(canvas, 1, 1, 0, 0); });
        ASSERT_GE(turned.size(), 1u);
        const TRect& r = Memo->GetTextRect();
        const Integer x = c.Right ? r.right : r.left, y = c.Bottom ? r.bottom : r.top;
        const POINT p = turned[0].Reference;
        if (c.Vertical) {
            EXPECT_EQ(p.y, y);
            EXPECT_LE(std::abs(p.x - x), 13);
            EXPECT_GT(std::abs(p.x - x), 0);
        } else {
            EXPECT_EQ(p.x, x);
            EXPECT_LE(std::abs(p.y - y), 13);
            EXPECT_GT(std::abs(p.y - y), 0);
        }
    }
    Memo->SetRotation(-90);
    EXPECT_EQ(Memo->GetRotation(), 270);
}

TEST_F(pvrMemoViewTest, PicturesOfMemos) {
    struct Case {
        const char* Name;
        std::function<void(TpvrMemoView*)> Setup;
    } cases[] = {
        {"left", [](TpvrMemoView*) {}},
        {"right", [](TpvrMemoView* m) { m->HAlign = haRight; }},
        {"center", [](TpvrMemoView* m) { m->HAlign = haCenter; m->VAlign = vaCenter; }},
        {"block", [](TpvrMemoView* m) { m->HAlign = haBlock; m->ParagraphGap = 10; }},
        {"bottom", [](TpvrMemoView* m) { m->VAlign = vaBottom; }},
        {"rot90", [](TpvrMemoView* m) { m->SetRotation(90); }},
        {"rot180", [](TpvrMemoView* m) { m->SetRotation(180); }},
        {"rot270", [](TpvrMemoView* m) { m->SetRotation(270); }},
        {"rot45", [](TpvrMemoView* m) { m->SetRotation(45); }},
        {"tags", [](TpvrMemoView* m) { m->AllowHTMLTags = true; }},
        {"underlines", [](TpvrMemoView* m) { m->Underlines = true; }},
        {"chinese", [](TpvrMemoView* m) { m->GetMemo()->SetText(u"频道列表 中文报表打印 测试文字换行显示"); }},
    };
    for (const Case& c : cases) {
        for (Extended scale : {1.0L, 2.0L}) {
            SCOPED_TRACE(c.Name);
            TpvrMemoView* memo = MakeMemo("", 120);
            memo->SetBounds(10, 10, 150, 120);
            memo->GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
            SetText(memo, u"The quick <b>brown</b> fox <font color=\"#FF0000\">jumps</font> over the lazy dog "
                          u"again and again.\r\nSecond paragraph.");
            c.Setup(memo);
            TBitmap image;
            viewtest::PrepareImage(image, int(170 * scale), int(140 * scale));
            memo->Draw(image.GetCanvas(), scale, scale, 0, 0);
            viewtest::SaveImage(image, std::string("pvrMemo_") + c.Name + (scale == 1 ? "_1" : "_2") + ".png");
            // Something was written inside the frame.
            int dark = 0;
            for (int y = int(12 * scale); y < int(128 * scale); y += 1)
                for (int x = int(12 * scale); x < int(158 * scale); x += 2)
                    dark += image.GetCanvas()->GetPixels(x, y) != clWhite;
            EXPECT_GT(dark, 20);
            delete memo;
        }
    }

    // Underlines at every line step below the top.
    TpvrMemoView* lined = MakeMemo("", 50);
    lined->Underlines = true;
    lined->GetFrame()->Color = clBlue;
    TBitmap image;
    viewtest::PrepareImage(image, 400, 80);
    lined->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_EQ(image.GetCanvas()->GetPixels(200, 10 + 15), clBlue);
    EXPECT_EQ(image.GetCanvas()->GetPixels(200, 10 + 31), clBlue);
    EXPECT_EQ(image.GetCanvas()->GetPixels(200, 10 + 20), clWhite);
}

TEST_F(pvrMemoViewTest, ChineseTextWrapsBetweenCharacters) {
    SetText(Memo, u"频道列表中文报表打印测试文字换行显示频道列表中文报表打印测试文字换行显示");
    Memo->SetWidth(100);
    Memo->StretchMode = smActualHeight;
    EXPECT_GT(Memo->CalcHeight(), 17);
    const auto records = viewtest::RecordText([&](TCanvas* canvas) { Memo->Draw(canvas, 1, 1, 0, 0); });
    ASSERT_GE(records.size(), 1u);
    std::u16string joined;
    for (const auto& r : records) joined += r.Text;
    EXPECT_EQ(joined.substr(0, 4), u"频道列表");
}

TEST_F(pvrMemoViewTest, StylesAutoWidthAndAttributes) {
    TpvrStyleItem* style = Report->GetStyles()->Add();
    style->SetName("Head");
    style->Color = clAqua;
    TFont font;
    font.SetName("Courier New");
    font.SetSize(14);
    style->SetFont(&font);
    style->GetFrame()->Typ = TpvrFrameTypes{ftBottom};
    Memo->SetStyle("HEAD");
    EXPECT_EQ(Memo->Color, clAqua);
    EXPECT_EQ(Memo->GetFont()->GetName(), "Courier New");
    EXPECT_FALSE(Memo->GetParentFont());
    EXPECT_TRUE(Memo->GetFrame()->Typ == TpvrFrameTypes{ftBottom});
    Memo->SetStyle("Missing");
    EXPECT_EQ(Memo->Color, clAqua);

    // AutoWidth sizes the memo to its text; a right-aligned memo keeps its right edge.
    TpvrMemoView* sized = MakeMemo("Sized");
    SetText(sized, u"Wide text");
    sized->AutoWidth = true;
    sized->HAlign = haRight;
    const Extended right = sized->GetLeft() + sized->GetWidth();
    const Extended expected = sized->CalcWidth();
    TBitmap image;
    viewtest::PrepareImage(image, 400, 60);
    sized->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_NEAR(double(sized->GetWidth()), double(expected), 1.0);
    EXPECT_NEAR(double(sized->GetLeft() + sized->GetWidth()), double(right), 1e-9);

    // Differences against a source memo: the text always, the rest when changed.
    TpvrMemoView* source = MakeMemo("Source");
    TpvrMemoView* copy = MakeMemo("Copy");
    SetText(copy, u"a<b\r\n二");
    EXPECT_EQ(copy->DiffAttributes(source), " u=\"a&#60;b&#13;&#10;二\"");
    copy->HAlign = haCenter;
    copy->SetRotation(90);
    EXPECT_EQ(copy->DiffAttributes(source), " HAlign=\"2\" u=\"a&#60;b&#13;&#10;二\" Rotation=\"90\"");

    // The text goes through the report's XML as one attribute and comes back.
    const String attributes = copy->AllAttributes();
    EXPECT_NE(attributes.find("Text=\""), String::npos);
    TMemoryStream stream;
    copy->SaveToStream(&stream);
    stream.SetPosition(0);
    TpvrMemoView* loaded = MakeMemo("Loaded");
    loaded->LoadFromStream(&stream);
    EXPECT_EQ(Text(loaded), u"a<b\r\n二\r\n");
    EXPECT_EQ(loaded->GetRotation(), 90);
    EXPECT_EQ(loaded->HAlign, haCenter);
}

TEST_F(pvrMemoViewTest, OddSizesDrawWithoutFailing) {
    std::u16string longText;
    for (int i = 0; i < 20000; ++i) longText += u"word ";
    struct Case {
        const char* Name;
        Extended Width, Height;
        Integer FontSize;
        Extended LineSpacing;
        std::u16string Text;
    } cases[] = {
        {"zero size", 0, 0, 10, 2, u"abc"},
        {"negative size", -40, -20, 10, 2, u"abc def"},
        {"font size 0", 100, 40, 0, 2, u"abc"},
        {"font size 2000", 100, 40, 2000, 2, u"abc"},
        {"negative line spacing", 100, 40, 10, -40, u"a\r\nb\r\nc"},
        {"100,000 characters", 600, 80, 10, 2, longText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TpvrMemoView* memo = MakeMemo("");
        memo->SetBounds(10, 10, c.Width, c.Height);
        TFont font;
        font.SetName("Arial");
        font.SetSize(c.FontSize);
        memo->SetFont(&font);
        memo->LineSpacing = c.LineSpacing;
        memo->WordBreak = true;
        SetText(memo, c.Text);
        TBitmap image;
        viewtest::PrepareImage(image, 200, 100);
        memo->Draw(image.GetCanvas(), 1, 1, 0, 0);
        (void)memo->CalcHeight();
        (void)memo->CalcWidth();
        memo->InitPart();
        (void)memo->DrawPart();
        delete memo;
    }
}

} // namespace
