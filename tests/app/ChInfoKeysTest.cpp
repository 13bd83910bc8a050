// The channel window's list editors closed with Enter typed as real input through the
// application's message loop: the editor goes and the grid has the focus again.
#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "grid/Tambor.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

class TChannelKeysFrame : public TForm {
    KOV_CLASS(TChannelKeysFrame, TForm)
public:
    explicit TChannelKeysFrame(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIForm);
        SetBounds(0, 0, 900, 640);
    }
};

// A 16-channel UHF model of 400-470 MHz with the built-in texts, the window in an MDI frame.
class ChInfoKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldState = std::move(AppState);
        FOldTexts = std::move(PromptTexts);
        AppState = std::make_unique<TALL>();
        PromptTexts = std::make_unique<TLanguage>();
        AppState->ChannelCount = 16;
        AppState->ModelMin = 400;
        AppState->ModelMax = 470;
        AppState->BandLow = 430;
        AppState->BandHigh = 440;
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        Win = new TfChInfo(Frame);
        Pump();
        Grid = Win->gvData;
    }
    void TearDown() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
        AppState = std::move(FOldState);
        PromptTexts = std::move(FOldTexts);
    }

    void Pump() { App->ProcessMessages(); }
    void Click(Integer col, Integer row) {
        const RECT r = Grid->CellRect(col, row);
        const POINT p = Grid->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        WinInputMouseMove(p);
        Pump();
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        Pump();
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        Pump();
        ClockAdvanceMs(1000); // the next press is no double click
    }
    void Key(UINT key) {
        WinInputKey(key, false, true);
        Pump();
        WinInputKey(key, false, false);
        Pump();
    }

    std::unique_ptr<TApplication> App;
    TChannelKeysFrame* Frame = nullptr;
    TfChInfo* Win = nullptr;
    TTambor* Grid = nullptr;

private:
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TLanguage> FOldTexts;
    TClockMode FOldMode = TClockMode::Real;
};

TEST_F(ChInfoKeysTest, EnterTypedIntoAListEditorClosesItAndGivesTheGridTheFocus) {
    Grid->WriteForeText(2, 3, "431");
    AppState->Modified = false;
    Win->SetFocus();
    Pump();
    struct Case {
        Integer col;
        TqzComboBox* editor;
    };
    const Case cases[] = {{4, Win->cbQT}, {5, Win->cbDQT}, {6, Win->cbfsgl}, {7, Win->cbkz}, {8, Win->cbHave}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.col);
        Click(c.col, 3);
        ASSERT_TRUE(c.editor->GetVisible());
        ASSERT_TRUE(c.editor->Focused());
        Key(VK_RETURN);
        EXPECT_FALSE(c.editor->GetVisible());
        EXPECT_TRUE(Grid->Focused());
    }
    EXPECT_FALSE(AppState->Modified) << "Enter alone changes no channel";
}

} // namespace
