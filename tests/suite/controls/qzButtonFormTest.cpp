// A window definition with suite buttons as the application stores them (caption, click handler,
// tab order, native style and nothing else) loads, paints and is clicked by mouse and keys.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "suite/controls/qzButtons.h"

namespace {

class TButtonsTestForm : public TForm {
    KOV_CLASS(TButtonsTestForm, TForm)
public:
    explicit TButtonsTestForm(TComponent* owner) : TForm(owner) {}
    void OkClick(TObject* sender) { Clicked.push_back(sender); }
    void CancelClick(TObject* sender) { Clicked.push_back(sender); }
    std::vector<TObject*> Clicked;
};

KOV_PUBLISHED(TButtonsTestForm) {
    Method("OkClick", &TButtonsTestForm::OkClick);
    Method("CancelClick", &TButtonsTestForm::CancelClick);
}

const char* const kDefinition = R"(object ButtonsTestForm: TButtonsTestForm
  Left = 60
  Top = 60
  Width = 300
  Height = 160
  Caption = 'Connect'
  object OkButton: TqzButton
    Left = 40
    Top = 40
    Width = 75
    Height = 25
    Caption = 'OK'
    TabOrder = 0
    OnClick = OkClick
    LookAndFeel.NativeStyle = True
  end
  object CancelButton: TqzButton
    Left = 140
    Top = 40
    Width = 75
    Height = 25
    Caption = 'Cancel'
    TabOrder = 1
    OnClick = CancelClick
    LookAndFeel.NativeStyle = True
  end
end
)";

class ButtonForm : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
    }
    void TearDown() override {
        Form.reset();
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
    }
    void Key(UINT key) {
        WinInputKey(key, false, true, key == VK_SPACE ? U" " : U"");
        App->ProcessMessages();
        WinInputKey(key, false, false);
        App->ProcessMessages();
    }

    std::unique_ptr<TApplication> App;
    std::unique_ptr<TButtonsTestForm> Form;

private:
    TClockMode FOldMode = TClockMode::Real;
};

TEST_F(ButtonForm, AStoredDefinitionLoadsPaintsAndClicks) {
    Form = std::make_unique<TButtonsTestForm>(nullptr);
    ReadComponentText(kDefinition, Form.get(), "ButtonsTestForm");
    auto* ok = dynamic_cast<TqzButton*>(Form->FindComponent("OkButton"));
    auto* cancel = dynamic_cast<TqzButton*>(Form->FindComponent("CancelButton"));
    ASSERT_NE(nullptr, ok);
    ASSERT_NE(nullptr, cancel);
    EXPECT_EQ("OK", ok->GetCaption());
    EXPECT_TRUE(ok->GetLookAndFeel()->GetNativeStyle());
    EXPECT_EQ(qzbkStandard, ok->GetKind());
    // Without visual styles the native style falls back to the kind's painter: ultra-flat.
    EXPECT_EQ(LookAndFeelPainterClassOf(lfUltraFlat), ok->ActivePainterClass());

    Form->Show();
    App->ProcessMessages();
    ASSERT_TRUE(ok->HandleAllocated());
    EXPECT_EQ(BS_OWNERDRAW, DWORD(GetWindowLongA(ok->GetHandle(), GWL_STYLE)) & BS_TYPEMASK);

    // Painted by the button itself, in its normal state.
    struct Draws : TObject {
        void Get(TqzCustomButton*, TqzButtonState state, TColor&, TFont*) { States.push_back(state); }
        std::vector<TqzButtonState> States;
    } draws;
    cancel->OnGetDrawParams = TqzButtonGetDrawParamsEvent(&draws, &Draws::Get);
    cancel->Repaint();
    App->ProcessMessages();
    ASSERT_FALSE(draws.States.empty());
    EXPECT_EQ(qzbsNormal, draws.States.back());
    cancel->OnGetDrawParams = nullptr;

    // By mouse.
    const POINT p = ok->ClientToScreen(POINT{20, 12});
    WinInputMouseMove(p);
    App->ProcessMessages();
    EXPECT_TRUE(ok->IsHot());
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    App->ProcessMessages();
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    App->ProcessMessages();
    ASSERT_EQ(1u, Form->Clicked.size());
    EXPECT_EQ(ok, Form->Clicked[0]);

    // By keys: Tab to the next button and Space.
    ok->SetFocus();
    App->ProcessMessages();
    Key(VK_TAB);
    EXPECT_TRUE(cancel->Focused());
    Key(VK_SPACE);
    ASSERT_EQ(2u, Form->Clicked.size());
    EXPECT_EQ(cancel, Form->Clicked[1]);

    // Stored back as it came: no colours, no defaults.
    const String text = WriteComponentText(Form.get());
    EXPECT_EQ(String::npos, text.find("Colors"));
    EXPECT_EQ(String::npos, text.find("Spacing"));
    EXPECT_NE(String::npos, text.find("LookAndFeel.NativeStyle = True"));
}

} // namespace
