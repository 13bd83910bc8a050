#include "app/myFun.h"

#include "app/AllClass.h"

namespace {

Integer LowBit(Integer value) { return value & 1; }

Integer InRangeOr(Integer value, Integer low, Integer high, Integer fallBack) {
    return value >= low && value <= high ? value : fallBack;
}

} // namespace

TFun::TFun() { ResetFunctionSettings(); }

void TFun::ResetFunctionSettings() {
    BatterySave = 1;
    BeepTone = 1;
    Squelch = 5;
    SideKey = 1;
    TxTimeout = 6;
    VoxFunction = 0;
    VoxInhibitOnReceive = 0;
    VoxLevel = 4;
    VoiceLanguage = 1;
    Scan = 0;
    Voice = 1;
    HighVolInhibitTx = 1;
    LowVolInhibitTx = 1;
    InceptAlarm = 0;
    Fm = 1;
}

void TFun::ValidateFunctionSettings() {
    VoiceLanguage = LowBit(VoiceLanguage);
    Voice = LowBit(Voice);
    Scan = LowBit(Scan);
    BatterySave = LowBit(BatterySave);
    BeepTone = LowBit(BeepTone);
    Squelch = InRangeOr(Squelch, 0, 9, 5);
    // A side key read from the radio falls back to 0, unlike the reset default of 1.
    SideKey = InRangeOr(SideKey, 0, 5, 0);
    TxTimeout = InRangeOr(TxTimeout, 0, 10, 6);
    VoxFunction = LowBit(VoxFunction);
    VoxInhibitOnReceive = LowBit(VoxInhibitOnReceive);
    VoxLevel = InRangeOr(VoxLevel, 0, 4, 4);
    HighVolInhibitTx = LowBit(HighVolInhibitTx);
    LowVolInhibitTx = LowBit(LowVolInhibitTx);
    InceptAlarm = LowBit(InceptAlarm);
    Fm = LowBit(Fm);
}

TEnMsg::TEnMsg() { ClearMessages(); }

void TEnMsg::ClearMessages() {
    LineA.clear();
    LineB.clear();
}

TTestFre::TTestFre() { ResetTestFrequencies(); }

void TTestFre::ResetTestFrequencies() {
    static const char* const defaults[6][2] = {
        {"460.05000", "460.10000"}, {"440.05000", "440.10000"}, {"479.95000", "479.90000"},
        {"460.00000", "460.00000"}, {"460.20000", "460.20000"}, {"460.40000", "460.40000"},
    };
    for (std::size_t i = 0; i < Rx.size(); ++i) {
        Rx[i] = i < 6 ? defaults[i][0] : "";
        Tx[i] = i < 6 ? defaults[i][1] : "";
    }
}

void CheckFunctionSettings() { FunctionSettings->ValidateFunctionSettings(); }

void ResetSettingsAndMessages() {
    FunctionSettings->ResetFunctionSettings();
    MessageLines->ClearMessages();
}
