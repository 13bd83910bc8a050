// What the read and write dialog tests share: the data model of the UHF model in band
// "450 - 470MHz", an application on the manual clock whose sleeps make their own time pass, the
// simulated radio on a port of the test's own (it answers as fast as the line carries bytes),
// a grid like the channel table, and waits that serve the user-interface thread's messages.
// No timer of a dialog runs out by itself: a test makes it expire by advancing the clock when
// the radio has left a command unanswered (DriveUntil) or when the dialog is to close.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AllClass.h"
#include "app/WriteRead.h"
#include "grid/Tambor.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "tests/app/DataModelGuard.h"
#include "tests/support/TestPty.h"
#include "tools/radio-sim/RadioLine.h"

namespace radiotest {

// Serves the thread's messages until `done` holds; false when the guard time (real time, a
// safety cap only) runs out.
bool PumpUntil(const std::function<bool()>& done, int guardMs = 20000);

// As PumpUntil, playing the time a silent radio makes pass: each time `unanswered()` counts one
// more command the radio will not answer, the dialog's timer that waits for that answer (the
// handshake timer before the worker runs, the reply timer while it runs) is made to expire by
// advancing the clock by its interval.
template <class TDialog>
bool DriveUntil(TDialog& dialog, const std::function<bool()>& done, const std::function<int()>& unanswered,
                int guardMs = 20000) {
    int expired = 0;
    return PumpUntil(
        [&] {
            if (done()) return true;
            if (unanswered() > expired) {
                TTimer* guard = dialog.HeadTime->GetEnabled()  ? dialog.HeadTime
                                : dialog.TryTime->GetEnabled() ? dialog.TryTime
                                                               : nullptr;
                if (guard) {
                    ++expired;
                    ClockAdvanceMs(guard->GetInterval());
                }
            }
            return false;
        },
        guardMs);
}

// "01 23 FF"
std::string Hex(const std::string& bytes);
std::string Hex(const TRecord16& record);

// The cells of a grid laid out like the channel table, by plain assignment.
class TGridCells : public IChannelCells {
public:
    explicit TGridCells(TCustomTambor& grid) : FGrid(grid) {}
    String GetForeText(Integer col, Integer row) const override { return FGrid.CellAt(col, row).ForeText; }
    String GetBackText(Integer col, Integer row) const override { return FGrid.CellAt(col, row).BackText; }
    void SetForeText(Integer col, Integer row, const String& text) override {
        FGrid.CellAt(col, row).ForeText = text;
    }
    void SetBackText(Integer col, Integer row, const String& text) override {
        FGrid.CellAt(col, row).BackText = text;
    }

private:
    TCustomTambor& FGrid;
};

// One channel row as the channel table holds it.
struct TChannelRow {
    String Rx, Tx, DecodeTone, EncodeTone;
    int TxPower = 1, WideNarrow = 0, ScanAdd = 0, BeatShift = 1, BusyLockout = 1;
};

class TRadioLinkTest : public ::testing::Test {
protected:
    TRadioLinkTest();
    ~TRadioLinkTest() override;

    // A grid of 11 columns and 18 rows on the host form.
    TTambor* MakeGrid();
    void PutRow(TTambor& grid, Integer channel, const TChannelRow& row);

    // The radio's memory.
    std::string ImageAt(int address, int count = 16);
    void SetImage(int address, const std::string& bytes);
    void SetImage(int address, const TRecord16& record);
    // The radio's log.
    std::vector<TRadioLogEntry> Log();
    // The block commands of the log as "R 0000" ... in order, and every command in order as
    // letters ("H" handshake, "I" identify, "A" acknowledge, "R", "W", "Y", "E").
    std::vector<std::string> Blocks();
    std::string Commands();
    void AddFault(const std::string& spec);
    // The commands the radio left unanswered so far by a fault (no handshake answer, no block
    // reply, the cable pulled).
    int Unanswered();
    // The end command has reached the radio.
    bool Ended();
    template <class TDialog> bool DriveUntil(TDialog& dialog, const std::function<bool()>& done) {
        return radiotest::DriveUntil(dialog, done, [this] { return Unanswered(); });
    }
    // Expires the dialog's closing timer once the transfer has ended on the line: the dialog
    // closes itself when its loop runs next.
    template <class TDialog> void CloseWhenEnded(TDialog& dialog) {
        EXPECT_TRUE(DriveUntil(dialog, [&] { return dialog.CloseTime->GetEnabled() && Ended(); }));
        ClockAdvanceMs(dialog.CloseTime->GetInterval());
    }

    std::unique_ptr<TApplication> App;
    TForm* Host = nullptr;
    ptytest::TPortDir Ports;
    TRadioLine Line;

private:
    TClockMode FOldMode;
    bool FOldSleepAdvances;
    apptest::TDataModelGuard FDataModel;
};

} // namespace radiotest
