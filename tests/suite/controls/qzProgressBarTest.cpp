// The suite's progress bar: bounds and position, the peak, the text, loading a stored definition,
// and the pixels of its bar styles painted from a laid-out view info.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Theme.h"
#include "suite/controls/qzProgressBar.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct EventLog : TObject {
    void Change(TObject*) { Events.push_back("change"); }
    void ValueChanged(TObject*) { Events.push_back("value changed"); }
    std::vector<std::string> Events;
};

class ProgressBar : public testsupport::TFormFixture {
protected:
    TqzProgressBar* MakeBar() {
        auto* bar = new TqzProgressBar(Form);
        bar->SetParent(Form);
        bar->SetBounds(10, 10, 325, 21);
        bar->GetProperties()->OnChange = MakeEvent(&Log, &EventLog::Change);
        bar->GetProperties()->OnEditValueChanged = MakeEvent(&Log, &EventLog::ValueChanged);
        return bar;
    }
    String Text(TqzProgressBar* bar) { return bar->GetBarViewInfo()->GetBarText(); }
    EventLog Log;
};

TEST_F(ProgressBar, ANewBarHasTheDefaults) {
    TqzProgressBar* bar = MakeBar();
    TqzProgressBarProperties* p = bar->GetBarProperties();
    EXPECT_EQ(0, p->GetMin());
    EXPECT_EQ(100, p->GetMax());
    EXPECT_EQ(80, p->GetOverloadValue());
    EXPECT_EQ(TColor(0x800000), p->GetBeginColor());
    EXPECT_EQ(qzbsSolid, p->GetBarStyle());
    EXPECT_EQ(0, bar->GetPosition());
    EXPECT_EQ(0x809, p->GetSupportedOperations());
    EXPECT_FALSE(bar->CanFocus());
}

TEST_F(ProgressBar, PositionsOutsideTheBoundsMoveToTheNearerOne) {
    TqzProgressBar* bar = MakeBar();
    struct Case {
        double Set, Read;
        const char* Text;
    };
    for (const Case& c : {Case{150, 100, "100 %"}, Case{-5, 0, "0 %"}, Case{42, 42, "42 %"}}) {
        SCOPED_TRACE(c.Set);
        bar->SetPosition(c.Set);
        EXPECT_EQ(c.Read, bar->GetPosition());
        EXPECT_EQ(c.Text, Text(bar));
    }
}

TEST_F(ProgressBar, TheBoundsKeepTheirOrder) {
    TqzProgressBarProperties* p = MakeBar()->GetBarProperties();
    p->SetMax(0); // equal to Min
    EXPECT_EQ(100, p->GetMax());
    p->SetMax(-3);
    EXPECT_EQ(100, p->GetMax());
    p->SetPeakValue(20);
    p->SetMin(150);
    EXPECT_EQ(150, p->GetMax());
    EXPECT_EQ(150, p->GetOverloadValue());
    EXPECT_EQ(150, p->GetPeakValue());
    p->SetMax(200);
    p->SetOverloadValue(500);
    EXPECT_EQ(200, p->GetOverloadValue());
    p->SetMax(170);
    EXPECT_EQ(170, p->GetOverloadValue());
}

TEST_F(ProgressBar, LoweringMaxBelowThePositionMovesTheValue) {
    TqzProgressBar* bar = MakeBar();
    bar->SetPosition(90);
    Log.Events.clear();
    bar->GetBarProperties()->SetMax(50);
    EXPECT_EQ(50, bar->GetPosition());
    EXPECT_EQ(50, bar->GetEditValue().AsDouble());
    EXPECT_EQ((std::vector<std::string>{"value changed"}), Log.Events);
}

TEST_F(ProgressBar, PercentagesRoundHalvesToEven) {
    struct Case {
        double Position, Min, Max;
        Integer Percent;
    };
    const Case cases[] = {
        {1, 0, 8, 12},   {3, 0, 8, 38},     {0.5, 0, 0.5, 50},  {5, 0, 10, 50},
        {250, 0, 100, 100}, {-5, 0, 0, -500}, {1e300, 0, 0, 100}, {-1e300, 0, 0, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Position);
        EXPECT_EQ(c.Percent, BarPercent(c.Position, c.Min, c.Max));
    }
}

TEST_F(ProgressBar, ARangeBelowOneCountsAsOne) {
    TqzProgressBar* bar = MakeBar();
    Form->Show();
    App->ProcessMessages();
    bar->GetBarProperties()->SetMax(0.5);
    bar->SetPosition(0.5);
    TqzCustomProgressBarViewInfo* info = bar->GetBarViewInfo();
    const int inner = info->InnerRect.right - info->InnerRect.left;
    EXPECT_EQ(inner / 2, info->NormalRect.right - info->NormalRect.left);
    EXPECT_EQ("50 %", Text(bar));
}

TEST_F(ProgressBar, StringValuesReadWithADotWhateverTheLocale) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.DecimalSeparator = ',';
    testsupport::ScopedFormatSettings scoped(settings);
    TqzProgressBar* bar = MakeBar();
    bar->GetBarProperties()->SetShowTextStyle(qztsPosition);
    bar->SetEditValue(Variant(String("42.5")));
    EXPECT_EQ(42.5, bar->GetPosition());
    bar->SetEditValue(Variant(String("42,5")));
    EXPECT_EQ(0, bar->GetPosition());
    bar->SetEditValue(Null());
    EXPECT_EQ(0, bar->GetPosition());
}

TEST_F(ProgressBar, ThePeakIsHeldUntilItIsSet) {
    TqzProgressBar* bar = MakeBar();
    TqzProgressBarProperties* p = bar->GetBarProperties();
    p->SetShowPeak(true);
    Form->Show();
    App->ProcessMessages();
    for (double position : {30.0, 70.0, 40.0}) bar->SetPosition(position);
    EXPECT_EQ(70, p->GetPeakValue());
    EXPECT_EQ(70, bar->GetBarViewInfo()->Peak);
    p->SetPeakValue(0);
    bar->SetPosition(45);
    EXPECT_EQ(45, p->GetPeakValue());
}

TEST_F(ProgressBar, TheApplicationsTransferEndsFull) {
    TqzProgressBar* bar = MakeBar();
    bar->GetStyle()->GetLookAndFeel()->SetKind(lfUltraFlat);
    Form->Show();
    App->ProcessMessages();
    bar->GetBarProperties()->SetMax(22);
    bar->SetPosition(0);
    for (int i = 0; i < 22; ++i) bar->SetPosition(bar->GetPosition() + 1);
    bar->SetPosition(bar->GetBarProperties()->GetMax());
    EXPECT_EQ("100 %", Text(bar));
    TqzCustomProgressBarViewInfo* info = bar->GetBarViewInfo();
    EXPECT_EQ(info->InnerRect.right, info->NormalRect.right);
    // Equal assignments change nothing.
    Log.Events.clear();
    bar->SetPosition(22);
    bar->SetEditValue(Variant(22.0));
    EXPECT_TRUE(Log.Events.empty());
}

TEST_F(ProgressBar, AStoredDefinitionReadsMaxBeforeMin) {
    const char* const definition = R"(object BarForm: TForm
  Left = 0
  Top = 0
  Width = 400
  Height = 100
  object pBar: TqzProgressBar
    Left = 10
    Top = 10
    Properties.Max = -50
    Properties.Min = -100
    Width = 325
  end
end
)";
    std::unique_ptr<TForm> form(TForm::CreateNew(nullptr));
    ReadComponentText(definition, form.get(), "BarForm");
    auto* bar = dynamic_cast<TqzProgressBar*>(form->FindComponent("pBar"));
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(-100, bar->GetBarProperties()->GetMin());
    EXPECT_EQ(100, bar->GetBarProperties()->GetMax());
    EXPECT_EQ(0, bar->GetPosition());
}

// ---- Pixels --------------------------------------------------------------------------------------

// A view info laid out by hand (bar area at the origin) painted onto a white picture.
class BarPicture : public ::testing::Test {
protected:
    void SetUp() override {
        Info.Font = &Font;
        Info.BackgroundColor = clWhite;
        Info.TextColor = clBlack;
        Info.ShowText = false;
    }
    void Layout(TRect bar, TRect normal) {
        Info.BarRect = bar;
        Info.InnerRect = bar;
        Info.NormalRect = normal;
    }
    void Paint() {
        Picture.SetSize(Info.BarRect.right + 2, Info.BarRect.bottom + 2);
        Picture.GetCanvas()->GetBrush()->SetColor(clFuchsia);
        Picture.GetCanvas()->FillRect(TRect{0, 0, Picture.GetWidth(), Picture.GetHeight()});
        TqzCanvas canvas(Picture.GetCanvas());
        Info.PaintBar(&canvas);
    }
    TColor At(int x, int y) { return TColor(ColorToRGB(Picture.GetCanvas()->GetPixels(x, y))); }
    // One letter per column of a row: f fill, b background, o other.
    std::string Row(int y, TColor fill) {
        std::string s;
        for (int x = Info.BarRect.left; x < Info.BarRect.right; ++x) {
            TColor c = At(x, y);
            s += c == ColorToRGB(fill) ? 'f' : c == ColorToRGB(clWhite) ? 'b' : 'o';
        }
        return s;
    }
    std::string Column(int x, TColor fill) {
        std::string s;
        for (int y = Info.BarRect.top; y < Info.BarRect.bottom; ++y) {
            TColor c = At(x, y);
            s += c == ColorToRGB(fill) ? 'f' : c == ColorToRGB(clWhite) ? 'b' : 'o';
        }
        return s;
    }
    TFont Font;
    TqzCustomProgressBarViewInfo Info;
    TBitmap Picture;
};

TEST_F(BarPicture, HorizontalLEDsOfA21PixelBar) {
    Layout(TRect{0, 0, 60, 21}, TRect{0, 0, 40, 21});
    Info.BarStyle = qzbsLEDs;
    Info.Position = 50;
    Paint();
    EXPECT_EQ(std::string(14, 'f') + "bb" + std::string(14, 'f') + "bb" + std::string(8, 'f') +
                  std::string(20, 'b'),
              Row(10, Info.BeginColor));
}

TEST_F(BarPicture, VerticalBitmapLEDsWithATwoPixelTile) {
    Layout(TRect{0, 0, 10, 20}, TRect{0, 3, 10, 20});
    Info.Orientation = qzorVertical;
    Info.BarStyle = qzbsBitmapLEDs;
    Info.Position = 50;
    Info.Tile->SetSize(4, 2);
    Info.Tile->GetCanvas()->GetBrush()->SetColor(clGreen);
    Info.Tile->GetCanvas()->FillRect(TRect{0, 0, 4, 2});
    Paint();
    // From the bottom: the last row stays free, then blocks of 2 rows 2 rows apart.
    EXPECT_EQ("bbbbbffbbffbbffbbffb", Column(5, clGreen));
}

TEST_F(BarPicture, ALargeTileIsTiledWhole) {
    Layout(TRect{0, 0, 40, 16}, TRect{0, 0, 40, 16});
    Info.BarStyle = qzbsBitmap;
    Info.Position = 100;
    Info.Tile->SetSize(16, 16);
    Info.Tile->GetCanvas()->GetBrush()->SetColor(clBlue);
    Info.Tile->GetCanvas()->FillRect(TRect{0, 0, 16, 16});
    Info.Tile->GetCanvas()->SetPixels(12, 3, clRed);
    Paint();
    for (int x : {12, 28}) EXPECT_EQ(ColorToRGB(clRed), ColorToRGB(At(x, 3))) << x;
    EXPECT_EQ(ColorToRGB(clBlue), ColorToRGB(At(4, 3)));
    EXPECT_EQ(ColorToRGB(clBlue), ColorToRGB(At(20, 3)));
}

TEST_F(BarPicture, GradientColumnsBlendOverTheBarWidth) {
    Layout(TRect{0, 0, 50, 10}, TRect{0, 0, 30, 10});
    Info.BarStyle = qzbsGradient;
    Info.BeginColor = TColor(0x000000);
    Info.EndColor = TColor(0x0000FF);
    Info.Position = 60;
    Paint();
    for (int x : {0, 1, 10, 29}) EXPECT_EQ(BlendBarColor(Info.BeginColor, Info.EndColor, x, 50), At(x, 5)) << x;
    EXPECT_EQ(TColor(0x000033), At(10, 5)); // 255 * 10 / 50
    EXPECT_EQ(ColorToRGB(clWhite), ColorToRGB(At(30, 5)));
}

TEST_F(BarPicture, OverloadColoursBlendFromThePartsEdge) {
    Layout(TRect{0, 0, 50, 10}, TRect{0, 0, 30, 10});
    Info.OverloadRect = TRect{30, 0, 40, 10};
    Info.HasOverloadPart = true;
    Info.BarStyle = qzbsGradient;
    Info.Position = 80;
    Paint();
    EXPECT_EQ(BlendBarColor(Info.BeginColor, Info.EndColor, 29, 50), At(29, 5));
    EXPECT_EQ(ColorToRGB(Info.OverloadBeginColor), ColorToRGB(At(30, 5)));
    EXPECT_EQ(BlendBarColor(Info.OverloadBeginColor, Info.OverloadEndColor, 9, 20), At(39, 5));
    EXPECT_EQ(ColorToRGB(clWhite), ColorToRGB(At(40, 5)));
}

TEST_F(BarPicture, TextOverTheFillIsInvertedUnlessSolid) {
    Layout(TRect{0, 0, 80, 20}, TRect{0, 0, 40, 20});
    Info.ShowText = true;
    Info.Position = 50;
    Info.BeginColor = clBlack;
    Info.TextColor = clBlack;
    Font.SetSize(12);
    for (bool solid : {false, true}) {
        SCOPED_TRACE(solid);
        Info.SolidTextColor = solid;
        Paint();
        int whiteInFill = 0, blackInBackground = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x)
                if (At(x, y) == ColorToRGB(clWhite)) ++whiteInFill;
            for (int x = 40; x < 80; ++x)
                if (At(x, y) == ColorToRGB(clBlack)) ++blackInBackground;
        }
        // "50 %" straddles the fill's edge.
        EXPECT_GT(blackInBackground, 0);
        if (solid)
            EXPECT_EQ(0, whiteInFill);
        else
            EXPECT_GT(whiteInFill, 0);
    }
}

TEST_F(BarPicture, EmptyAreasAndHugePositionsPaintSafely) {
    Layout(TRect{0, 0, 0, 21}, TRect{0, 0, 0, 21});
    Info.BarStyle = qzbsLEDs;
    Paint(); // nothing to paint
    Layout(TRect{0, 0, 30, 12}, TRect{0, 0, 1 << 28, 12});
    for (TqzProgressBarBarStyle style : {qzbsSolid, qzbsLEDs, qzbsGradient, qzbsGradientLEDs}) {
        SCOPED_TRACE(int(style));
        Info.BarStyle = style;
        Info.Position = 1e300;
        Info.Max = 0;
        Info.ShowText = true;
        Paint();
        EXPECT_NE(ColorToRGB(clWhite), ColorToRGB(At(0, 6)));
        EXPECT_NE(ColorToRGB(clFuchsia), ColorToRGB(At(29, 6)));
    }
}

// The native look through the recording theme.
class NativeBar : public ProgressBar {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        ProgressBar::SetUp();
    }
    void TearDown() override {
        ProgressBar::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(NativeBar, TheBarPartOnceAndTheChunkIntoTheSlice) {
    TqzProgressBar* bar = MakeBar();
    bar->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
    bar->GetBarProperties()->SetShowText(false);
    Form->Show();
    App->ProcessMessages();
    bar->SetPosition(50);
    TqzCustomProgressBarViewInfo* info = bar->GetBarViewInfo();
    ASSERT_TRUE(info->NativeStyle);
    EXPECT_EQ(info->Bounds.left + 3, info->InnerRect.left);
    EXPECT_EQ(info->Bounds.right - 2, info->InnerRect.right);
    Fake->Calls.clear();
    TBitmap picture;
    picture.SetSize(325, 21);
    TqzCanvas canvas(picture.GetCanvas());
    info->PaintBar(&canvas);
    int bars = 0, chunks = 0;
    for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground")) {
        if (call.Part == 1) ++bars;
        if (call.Part == 3) {
            ++chunks;
            EXPECT_EQ(-4, call.Rect.left);
        }
    }
    EXPECT_EQ(1, bars);
    EXPECT_EQ(1, chunks);
    // Solid is painted as a gradient of slices: every filled column is the chunk's colour.
    const int y = 10;
    for (int x = info->NormalRect.left; x < info->NormalRect.right; x += 7)
        EXPECT_EQ(Fake->Fill, COLORREF(ColorToRGB(picture.GetCanvas()->GetPixels(x, y)))) << x;
}

} // namespace
