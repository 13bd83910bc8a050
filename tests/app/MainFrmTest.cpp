#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/MainFrm.h"
#include "app/MeMode.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "tests/support/TestSupport.h"

namespace {

// The main window over a fresh data model (UHF, "450 - 470MHz"), on the manual clock, in a
// program directory of its own; what was there before comes back afterwards.
class MainFrmTest : public ::testing::Test {
protected:
    MainFrmTest()
        : FOldModels(std::move(ModelList)), FOldState(std::move(AppState)),
          FOldMessages(std::move(MessageLines)), FOldFunctions(std::move(FunctionSettings)),
          FOldBands(std::move(BandList)), FOldTexts(std::move(PromptTexts)) {
        FOldClockMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        ModelList = std::make_unique<TMacList>();
        AppState = std::make_unique<TALL>();
        MessageLines = std::make_unique<TEnMsg>();
        FunctionSettings = std::make_unique<TFun>();
        BandList = std::make_unique<TFrqList>();
        PromptTexts = std::make_unique<TLanguage>();
        FillBandCodeTable(*BandList);
        BuildModelTable();
        AppState->AppDir = FDir.Path() + "/";
        AppState->UseModel(*ModelList->ModelAt(0));
        AppState->UseBand("450 - 470MHz");
        App = std::make_unique<TApplication>(nullptr);
        Frame = new TfMainFrm(nullptr);
    }
    ~MainFrmTest() override {
        delete Frame;
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldClockMode);
        ModelList = std::move(FOldModels);
        AppState = std::move(FOldState);
        MessageLines = std::move(FOldMessages);
        FunctionSettings = std::move(FOldFunctions);
        BandList = std::move(FOldBands);
        PromptTexts = std::move(FOldTexts);
    }

    testsupport::TempDir FDir;
    std::unique_ptr<TApplication> App;
    TfMainFrm* Frame = nullptr;

private:
    std::unique_ptr<TMacList> FOldModels;
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TEnMsg> FOldMessages;
    std::unique_ptr<TFun> FOldFunctions;
    std::unique_ptr<TFrqList> FOldBands;
    std::unique_ptr<TLanguage> FOldTexts;
    TClockMode FOldClockMode = TClockMode::Real;
};

TEST_F(MainFrmTest, IsAFrameWithTheDataFileDialogs) {
    EXPECT_EQ(Frame->GetFormStyle(), fsMDIForm);
    for (TOpenDialog* dialog :
         {static_cast<TOpenDialog*>(Frame->odOpen), static_cast<TOpenDialog*>(Frame->sdSave)}) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetFilter(), "Data File(*.dat)|*.dat");
        EXPECT_EQ(dialog->GetDefaultExt(), "*.dat");
    }
    EXPECT_EQ(Frame->sdSave->ClassName(), "TSaveDialog");
    EXPECT_TRUE(Frame->FileName.empty());
}

TEST_F(MainFrmTest, CaptionIsTheTitleWithTheFileName) {
    struct Case {
        bool SingleModel;
        String FileName, Caption;
    };
    const Case cases[] = {
        {false, "", "KOV-571"},
        {false, "/data/a.dat", "KOV-571 [/data/a.dat]"},
        {true, "", "KOV-571--KOV-571(UHF)"},
        {true, "/data/a.dat", "KOV-571--KOV-571(UHF) [/data/a.dat]"},
    };
    for (const Case& c : cases) {
        Frame->SingleModel = c.SingleModel;
        Frame->FileName = c.FileName;
        Frame->RefreshStatus();
        EXPECT_EQ(Frame->GetCaption(), c.Caption);
    }
}

} // namespace
