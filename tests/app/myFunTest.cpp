#include <gtest/gtest.h>

#include <vector>

#include "app/AllClass.h"
#include "app/myFun.h"

namespace {

// The 15 fields in declaration order, for table-driven checks.
std::vector<Integer> FieldsOf(const TFun& f) {
    return {f.BatterySave,
            f.BeepTone,
            f.Squelch,
            f.SideKey,
            f.TxTimeout,
            f.VoxFunction,
            f.VoxInhibitOnReceive,
            f.VoxLevel,
            f.VoiceLanguage,
            f.Scan,
            f.Voice,
            f.HighVolInhibitTx,
            f.LowVolInhibitTx,
            f.InceptAlarm,
            f.Fm};
}

const std::vector<Integer> Defaults = {1, 1, 5, 1, 6, 0, 0, 4, 1, 0, 1, 1, 1, 0, 1};

TEST(FunctionSettingsTest, ConstructedAndResetToDefaults) {
    TFun settings;
    EXPECT_EQ(FieldsOf(settings), Defaults);

    settings.BatterySave = 0;
    settings.Squelch = 200;
    settings.SideKey = 9;
    settings.Fm = 7;
    settings.InceptAlarm = -3;
    settings.ResetFunctionSettings();
    EXPECT_EQ(FieldsOf(settings), Defaults);
}

TEST(FunctionSettingsTest, ValidateKeepsLowBitsAndClampsListIndexes) {
    struct Case {
        const char* Name;
        Integer TFun::*Field;
        Integer Value;
        Integer Expected;
    };
    const std::vector<Case> cases = {
        {"SideKey out of range falls back to 0", &TFun::SideKey, 9, 0},
        {"SideKey negative", &TFun::SideKey, -1, 0},
        {"SideKey kept", &TFun::SideKey, 5, 5},
        {"Squelch above 9", &TFun::Squelch, 10, 5},
        {"Squelch kept", &TFun::Squelch, 0, 0},
        {"Squelch byte", &TFun::Squelch, 255, 5},
        {"TxTimeout above 10", &TFun::TxTimeout, 11, 6},
        {"TxTimeout kept", &TFun::TxTimeout, 10, 10},
        {"VoxLevel above 4", &TFun::VoxLevel, 5, 4},
        {"VoxLevel kept", &TFun::VoxLevel, 0, 0},
        {"Fm 2", &TFun::Fm, 2, 0},
        {"Fm 3", &TFun::Fm, 3, 1},
        {"BeepTone 255", &TFun::BeepTone, 255, 1},
        {"BatterySave 2", &TFun::BatterySave, 2, 0},
        {"VoiceLanguage 6", &TFun::VoiceLanguage, 6, 0},
        {"Voice 5", &TFun::Voice, 5, 1},
        {"Scan 4", &TFun::Scan, 4, 0},
        {"VoxFunction 9", &TFun::VoxFunction, 9, 1},
        {"VoxInhibitOnReceive 2", &TFun::VoxInhibitOnReceive, 2, 0},
        {"HighVolInhibitTx 2", &TFun::HighVolInhibitTx, 2, 0},
        {"LowVolInhibitTx 3", &TFun::LowVolInhibitTx, 3, 1},
        {"InceptAlarm 128", &TFun::InceptAlarm, 128, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TFun settings;
        settings.*c.Field = c.Value;
        settings.ValidateFunctionSettings();
        EXPECT_EQ(settings.*c.Field, c.Expected);
        // Nothing else moves.
        settings.*c.Field = TFun().*c.Field;
        EXPECT_EQ(FieldsOf(settings), Defaults);
    }
}

TEST(MessageLinesTest, StartEmptyAndClear) {
    TEnMsg lines;
    EXPECT_EQ(lines.LineA, "");
    EXPECT_EQ(lines.LineB, "");
    lines.LineA = "HELLO";
    lines.LineB = "\xC4\xE3\xBA\xC3"; // bytes, kept as they are
    lines.ClearMessages();
    EXPECT_EQ(lines.LineA, "");
    EXPECT_EQ(lines.LineB, "");
}

TEST(TestFrequenciesTest, DefaultsAndReset) {
    TTestFre frequencies;
    const std::vector<std::pair<String, String>> expected = {
        {"460.05000", "460.10000"}, {"440.05000", "440.10000"}, {"479.95000", "479.90000"},
        {"460.00000", "460.00000"}, {"460.20000", "460.20000"}, {"460.40000", "460.40000"},
    };
    frequencies.Rx[10] = "1";
    frequencies.Tx[0] = "2";
    frequencies.ResetTestFrequencies();
    for (std::size_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(frequencies.Rx[i], i < expected.size() ? expected[i].first : "");
        EXPECT_EQ(frequencies.Tx[i], i < expected.size() ? expected[i].second : "");
    }
}

TEST(FunctionSettingsTest, SharedInstanceChecksAndResets) {
    FunctionSettings = std::make_unique<TFun>();
    MessageLines = std::make_unique<TEnMsg>();

    FunctionSettings->SideKey = 9;
    FunctionSettings->Fm = 2;
    CheckFunctionSettings();
    EXPECT_EQ(FunctionSettings->SideKey, 0);
    EXPECT_EQ(FunctionSettings->Fm, 0);

    MessageLines->LineA = "A";
    MessageLines->LineB = "B";
    ResetSettingsAndMessages();
    EXPECT_EQ(FieldsOf(*FunctionSettings), Defaults);
    EXPECT_EQ(FunctionSettings->SideKey, 1);
    EXPECT_EQ(MessageLines->LineA, "");
    EXPECT_EQ(MessageLines->LineB, "");

    MessageLines.reset();
    FunctionSettings.reset();
}

} // namespace
