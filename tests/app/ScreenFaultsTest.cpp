// Faults seen with the program on a real display: the frame's layout with its menu bar, the
// menu's shortcuts from the channel window.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/MeMode.h"
#include "grid/Tambor.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/runtime/Clock.h"
#include "tests/support/TestPty.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Png.h"
#include "tests/support/ModalScript.h"
#include "platform/winapi/WinBackendInterface.h"

namespace {
class ScreenFaultsTest : public ::testing::Test {
protected:
    ScreenFaultsTest()
        : FOldModels(std::move(ModelList)), FOldState(std::move(AppState)),
          FOldFrequencies(std::move(TestFrequencies)), FOldMessages(std::move(MessageLines)),
          FOldFunctions(std::move(FunctionSettings)), FOldBands(std::move(BandList)),
          FOldTexts(std::move(PromptTexts)) {
        FOldClockMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        ModelList = std::make_unique<TMacList>();
        AppState = std::make_unique<TALL>();
        TestFrequencies = std::make_unique<TTestFre>();
        MessageLines = std::make_unique<TEnMsg>();
        FunctionSettings = std::make_unique<TFun>();
        BandList = std::make_unique<TFrqList>();
        PromptTexts = std::make_unique<TLanguage>();
        FillBandCodeTable(*BandList);
        BuildModelTable();
        ResetSettingsAndMessages();
        AppState->AppDir = FDir.Path() + "/";
        AppState->ComPort = "Com1";
        AppState->HelpName = "VZ";
        AppState->LanguageName = "Chinese";
    }
    ~ScreenFaultsTest() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldClockMode);
        ModelList = std::move(FOldModels);
        AppState = std::move(FOldState);
        TestFrequencies = std::move(FOldFrequencies);
        MessageLines = std::move(FOldMessages);
        FunctionSettings = std::move(FOldFunctions);
        BandList = std::move(FOldBands);
        PromptTexts = std::move(FOldTexts);
    }
    void SavePicture(const std::string& name) {
        UpdateWindow(Frame->GetHandle());
        App->ProcessMessages();
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(Frame->GetHandle(), s));
        testsupport::WritePng(testsupport::ArtifactPath(name), s.Width, s.Height,
                              reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    }
    void Start() {
        App = std::make_unique<TApplication>(nullptr);
        App->CreateForm(Frame);
        Frame->Show();
        App->ProcessMessages();
    }
    testsupport::TempDir FDir;
    std::unique_ptr<TApplication> App;
    TfMainFrm* Frame = nullptr;
private:
    std::unique_ptr<TMacList> FOldModels;
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TTestFre> FOldFrequencies;
    std::unique_ptr<TEnMsg> FOldMessages;
    std::unique_ptr<TFun> FOldFunctions;
    std::unique_ptr<TFrqList> FOldBands;
    std::unique_ptr<TLanguage> FOldTexts;
    TClockMode FOldClockMode = TClockMode::Real;
};

// The status bar stays at the bottom of the frame's client area, the document area lies between
// it and the tool bar, and the frame shows no scroll bar.
TEST_F(ScreenFaultsTest, StatusBarSitsAtTheBottomOfTheFrame) {
    ptytest::TPortDir ports;
    Start();
    RECT client{};
    GetClientRect(Frame->GetHandle(), &client);
    TStatusBar* bar = Frame->MainBar;
    EXPECT_TRUE(bar->GetVisible());
    EXPECT_EQ(bar->GetTop() + bar->GetHeight(), client.bottom);
    EXPECT_EQ(bar->GetWidth(), client.right);
    RECT area{};
    GetWindowRect(Frame->GetClientHandle(), &area);
    MapWindowPoints(nullptr, Frame->GetHandle(), reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(area.top, Frame->pBar->GetTop() + Frame->pBar->GetHeight());
    EXPECT_EQ(area.bottom, bar->GetTop());
    EXPECT_FALSE(Frame->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(Frame->GetHorzScrollBar()->IsScrollBarVisible());
    SavePicture("ScreenFaults_MainWindow.png");
}

// The menu's shortcuts work while the focus is in the channel window's grid.
TEST_F(ScreenFaultsTest, MenuShortcutsWorkFromTheChannelGrid) {
    ptytest::TPortDir ports;
    Start();
    ASSERT_NE(fChInfo, nullptr);
    fChInfo->gvData->SetFocus();
    ASSERT_EQ(GetFocus(), fChInfo->gvData->GetHandle());
    testsupport::TScopedModalScript modal;
    modal.Add("fBInfoEdit", [](TCustomForm& f) { f.SetModalResult(mrCancel); });
    modal.Add("fBBatchEdit", [](TCustomForm& f) { f.SetModalResult(mrCancel); });
    WinInputKey(VK_F11, false, true);
    WinInputKey(VK_F11, false, false);
    App->ProcessMessages();
    WinInputKey(VK_F10, false, true);
    WinInputKey(VK_F10, false, false);
    App->ProcessMessages();
    EXPECT_EQ(modal.Shown(), (std::vector<String>{"fBInfoEdit", "fBBatchEdit"}));
}
} // namespace
