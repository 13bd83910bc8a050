// The radio's function settings, the embedded message lines and the test frequencies.
#pragma once

#include <array>

#include "platform/runtime/RtlTypes.h"

// The 15 function settings: flags (0 or 1) and list indexes.
class TFun {
public:
    TFun();

    // Every field back to its default.
    void ResetFunctionSettings();
    // The range check applied after a radio read: flags keep their lowest bit, list indexes
    // outside their list take a fall-back.
    void ValidateFunctionSettings();

    Integer BatterySave = 1;
    Integer BeepTone = 1;
    Integer Squelch = 5;   // 0..9
    Integer SideKey = 1;   // 0..5
    Integer TxTimeout = 6; // 0..10: off, then 30 s to 300 s
    Integer VoxFunction = 0;
    Integer VoxInhibitOnReceive = 0;
    Integer VoxLevel = 4; // 0..4, shown as 1..5
    Integer VoiceLanguage = 1;
    Integer Scan = 0;
    Integer Voice = 1;
    Integer HighVolInhibitTx = 1;
    Integer LowVolInhibitTx = 1;
    Integer InceptAlarm = 0;
    Integer Fm = 1;
};

// The two lines of the embedded message, up to 32 characters each. They are bytes as the
// radio and the data file hold them.
class TEnMsg {
public:
    TEnMsg();
    void ClearMessages();

    String LineA;
    String LineB;
};

// The 16 test frequency pairs as texts; index 0 is pair 1.
class TTestFre {
public:
    TTestFre();
    void ResetTestFrequencies();

    std::array<String, 16> Rx;
    std::array<String, 16> Tx;
};

// ValidateFunctionSettings on FunctionSettings (after a successful radio read).
void CheckFunctionSettings();
// Defaults for FunctionSettings and empty MessageLines (start-up, New, model change).
void ResetSettingsAndMessages();
