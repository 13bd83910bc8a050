#include <gtest/gtest.h>

#include <vector>

#include "app/AllClass.h"
#include "app/MeMode.h"
#include "platform/runtime/Exceptions.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::CommaSettings;
using testsupport::DotSettings;
using testsupport::ScopedFormatSettings;

TEST(AppStateTest, StartsEmpty) {
    TALL state;
    EXPECT_EQ(state.LanguageName, "");
    EXPECT_EQ(state.LanguageIndex, 0);
    EXPECT_EQ(state.ComPort, "");
    EXPECT_EQ(state.Title, "");
    EXPECT_EQ(state.ChannelCount, 0);
    EXPECT_EQ(state.ModelCode, "");
    EXPECT_EQ(state.BandText, "");
    EXPECT_EQ(state.BandLow, 0.0);
    EXPECT_EQ(state.BandHigh, 0.0);
    EXPECT_EQ(state.ModelMax, 0.0);
    EXPECT_EQ(state.UsedBits, "");
    EXPECT_EQ(state.PictureId, 0);
    EXPECT_FALSE(state.Modified);
    EXPECT_FALSE(state.Refreshing);
    EXPECT_FALSE(state.ShowTestOnline);
    EXPECT_EQ(state.CurrentModel, nullptr);
}

TEST(AppStateTest, UseModelTakesTheModelAndKeepsTheBand) {
    ModelList = std::make_unique<TMacList>();
    AppState = std::make_unique<TALL>();
    BuildModelTable();

    AppState->UseBand("450 - 470MHz");
    TMacType* vhf = ModelList->FindModelByCode("1475");
    ASSERT_NE(vhf, nullptr);
    AppState->UseModel(*vhf);
    EXPECT_EQ(AppState->CurrentModel, vhf);
    EXPECT_EQ(AppState->ModelName, "KOV-571(VHF)");
    EXPECT_EQ(AppState->ModelCode, "1475");
    EXPECT_EQ(AppState->ChannelCount, 16);
    EXPECT_EQ(AppState->ModelMin, 67.0);
    EXPECT_EQ(AppState->ModelMax, 300.0);
    EXPECT_EQ(AppState->BandText, "450 - 470MHz");
    EXPECT_EQ(AppState->BandLow, 450.0);
    EXPECT_EQ(AppState->BandHigh, 470.0);

    AppState->UseBand(" 27 -  72MHz");
    EXPECT_EQ(AppState->BandText, " 27 -  72MHz");
    EXPECT_EQ(AppState->BandLow, 27.0);
    EXPECT_EQ(AppState->BandHigh, 72.0);
    EXPECT_EQ(AppState->ModelCode, "1475");

    AppState.reset();
    ModelList.reset();
}

// The text rules run under a "." and a "," locale: the channel table's texts mean the same.
class TextRulesTest : public ::testing::TestWithParam<bool> {
protected:
    TextRulesTest() : FSettings(GetParam() ? CommaSettings() : DotSettings()) {}

private:
    ScopedFormatSettings FSettings;
};

INSTANTIATE_TEST_SUITE_P(Locales, TextRulesTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Comma" : "Dot"; });

TEST_P(TextRulesTest, ParseBandText) {
    struct Case {
        String Text;
        double Low, High;
    };
    const std::vector<Case> cases = {{" 27 -  72MHz", 27, 72},
                                     {"450 - 470MHz", 450, 470},
                                     {"136-174MHz", 136, 174},
                                     {"470 - 650MHz", 470, 650}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        double low = -1, high = -1;
        ParseBandText(c.Text, low, high);
        EXPECT_EQ(low, c.Low);
        EXPECT_EQ(high, c.High);
    }
}

TEST_P(TextRulesTest, ParseBandTextRejectsMalformedTexts) {
    struct Case {
        String Text;
        String Message;
    };
    const std::vector<Case> cases = {
        {"450 470MHz", "'' is not a valid floating point value"},
        {"450 - 470", "'' is not a valid floating point value"},
        {"abc - 470MHz", "'abc' is not a valid floating point value"},
        {"450 - 4x0MHz", "'4x0' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        double low = -1, high = -1;
        try {
            ParseBandText(c.Text, low, high);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
        EXPECT_EQ(low, -1);
        EXPECT_EQ(high, -1);
    }
}

TEST_P(TextRulesTest, ChannelTextsUseADotWhateverTheLocale) {
    EXPECT_EQ(FloatToChannelText("0.00000", 450.0125), "450.01250");
    EXPECT_EQ(FloatToChannelText("0.0", 67), "67.0");
    EXPECT_EQ(FloatToChannelText("00000000", 450.0125L * 100000), "45001250");
    EXPECT_EQ(ChannelTextToFloat("450.0125"), 450.0125L);
    EXPECT_EQ(ChannelTextToFloat(" 67 "), 67.0L);

    Extended value = 0;
    EXPECT_FALSE(TryChannelTextToFloat("450,0125", value));
    EXPECT_FALSE(TryChannelTextToFloat("1.450.0", value));
    try {
        ChannelTextToFloat("450,0125");
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'450,0125' is not a valid floating point value");
    }
}

TEST_P(TextRulesTest, SnapFrequency) {
    struct Case {
        double In, Out;
    };
    const std::vector<Case> cases = {
        {450.0125, 450.0125},   // on the 6.25 kHz raster
        {450.003, 450.0},       // 100 Hz and 10 Hz digits 0: 5 kHz raster
        {450.0013, 450.0},      // 6.25 kHz raster, rounded down
        {450.00625, 450.00625}, // on the 6.25 kHz raster
        {450.005, 450.005},     // on the 5 kHz raster
        {450.0, 450.0},         {136.0087, 136.00625}, {479.99999, 479.99375}, {67.0, 67.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.In);
        const double snapped = SnapFrequency(c.In);
        EXPECT_EQ(FloatToChannelText("0.00000", snapped), FloatToChannelText("0.00000", c.Out));
        EXPECT_DOUBLE_EQ(snapped, c.Out);
    }
    // A value on the raster comes back as it went in, bit for bit.
    EXPECT_EQ(SnapFrequency(450.0125), 450.0125);
}

TEST_P(TextRulesTest, NormalizeToneText) {
    const std::vector<std::pair<String, String>> cases = {
        {"", ""},           {"12", "30.0"},     {"300", "290.0"},    {"67", "67.0"},     {"6x", "290.0"},
        {"67.5", "67.5"},   {"67,5", "290.0"},  {"250.35", "250.4"}, {"30", "30.0"},     {"290", "290.0"},
        {"0", "30.0"},      {"D023N", "D023N"}, {"D023i", "D023i"},  {"D754I", "D754I"}, {"D023n", "D023n"},
        {"D083N", "D777N"}, {"D023X", "D777N"}, {"d023N", "D777N"},  {"D23N", "D777N"},  {"D0234N", "D777N"},
        {"None", "D777N"},  {" 67", "D777N"},   {"-67", "D777N"},    {"D", "D777N"},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(NormalizeToneText(in), out);
    }
}

TEST(ValueRulesTest, ChooseText) {
    EXPECT_EQ(ChooseText(true, "Open", "Close"), "Open");
    EXPECT_EQ(ChooseText(false, "Open", "Close"), "Close");
}

TEST(ValueRulesTest, ByteAndDigitTexts) {
    const Byte ident[8] = {'P', '2', '4', '7', '5', 0x00, 0xFF, 'X'};
    EXPECT_EQ(BytesToText(ident, 8), String("P2475\0\xFFX", 8));
    EXPECT_EQ(BytesToText(ident, 0), "");
    EXPECT_EQ(BytesToText(ident, -1), "");

    EXPECT_EQ(ReverseText("2475"), "5742");
    EXPECT_EQ(ReverseText(""), "");

    EXPECT_EQ(BinaryTextToDecimal("00000001"), "1");
    EXPECT_EQ(BinaryTextToDecimal("11111111"), "255");
    EXPECT_EQ(BinaryTextToDecimal("10"), "2");
    EXPECT_EQ(BinaryTextToDecimal(""), "0");
    EXPECT_EQ(BinaryTextToDecimal("2"), "2"); // a character counts as its code minus 48
}

} // namespace
