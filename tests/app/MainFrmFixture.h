// What the main window's tests share: a fresh data model as the data module leaves it (no model
// chosen yet, default settings, the built-in prompt texts), a program directory and a port
// directory of the test's own, the manual clock at 2026-12-08 23:54:31 whose sleeps make their
// own time pass, and Start, which shows the main window as the program does. The data model
// and the clock that were there before come back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/MeMode.h"
#include "grid/Tambor.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "tests/app/DataModelGuard.h"
#include "tests/support/TestPty.h"
#include "tests/support/TestSupport.h"

namespace mainfrmtest {

// The local time of 2026-12-08 at the hour, minute and second, in microseconds for the clock.
inline Int64 MicrosAt(Integer hour, Integer minute, Integer second) {
    const TDateTime at = EncodeDate(2026, 12, 8) + EncodeTime(hour, minute, second, 0);
    return Int64((at - UnixDateDelta) * 86400.0 + 0.5) * 1000000;
}

class TMainFrmFixture : public ::testing::Test {
protected:
    TMainFrmFixture() : FOldClockMode(ClockGetMode()), FOldSleepAdvances(ClockGetSleepAdvances()) {
        ClockSetMode(TClockMode::Manual);
        ClockSetSleepAdvances(true);
        ClockSetLocalMicros(MicrosAt(23, 54, 31));
        apptest::MakeFreshDataModel();
        ResetSettingsAndMessages();
        AppState->AppDir = FDir.Path() + "/";
        AppState->ComPort = "Com1";
        AppState->HelpName = "VZ";
        AppState->LanguageName = "Chinese";
    }
    ~TMainFrmFixture() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetSleepAdvances(FOldSleepAdvances);
        ClockSetMode(FOldClockMode);
    }

    // The application with the main window as its main form, shown with its channel window.
    void Start() {
        App = std::make_unique<TApplication>(nullptr);
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        ASSERT_NE(fChInfo, nullptr);
        Grid = fChInfo->gvData;
    }
    void Pump() { App->ProcessMessages(); }
    std::string File(const std::string& name) const { return FDir.File(name); }
    TMenuItem* Item(const char* name) const { return dynamic_cast<TMenuItem*>(Frame->FindComponent(name)); }
    String Panel(Integer i) const { return Frame->MainBar->GetPanels()->GetItems(i)->GetText(); }

    testsupport::TempDir FDir;
    ptytest::TPortDir FPorts;
    std::unique_ptr<TApplication> App;
    TfMainFrm* Frame = nullptr;
    TTambor* Grid = nullptr;

private:
    apptest::TDataModelGuard FDataModel;
    TClockMode FOldClockMode;
    bool FOldSleepAdvances;
};

} // namespace mainfrmtest
