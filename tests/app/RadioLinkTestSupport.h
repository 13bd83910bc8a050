// What the read and write dialog tests share: the data model of the UHF model in band
// "450 - 470MHz", an application on the real clock (the simulated radio answers in real time),
// the simulated radio on a port of the test's own, a grid like the channel table, and waits
// that serve the user-interface thread's messages.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AllClass.h"
#include "app/WriteRead.h"
#include "grid/Tambor.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "tests/support/TestPty.h"
#include "tools/radio-sim/RadioLine.h"

namespace radiotest {

// Serves the thread's messages until `done` holds; false when the guard time runs out.
bool PumpUntil(const std::function<bool()>& done, int guardMs = 20000);

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

    std::unique_ptr<TApplication> App;
    TForm* Host = nullptr;
    ptytest::TPortDir Ports;
    TRadioLine Line;

private:
    TClockMode FOldMode;
    std::unique_ptr<TMacList> FOldModels;
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TTestFre> FOldFrequencies;
    std::unique_ptr<TEnMsg> FOldMessages;
    std::unique_ptr<TFun> FOldFunctions;
    std::unique_ptr<TFrqList> FOldBands;
    std::unique_ptr<TLanguage> FOldTexts;
};

} // namespace radiotest
