// The application's hints on the manual clock: shown after HintPause, hidden after
// HintHidePause, the short pause between controls, CM_HINTSHOW and OnShowHint, and the long hint
// in Application->Hint.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Hints.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/FormFixture.h"

namespace {

class HintsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Form->SetBounds(50, 50, 300, 200);
        InstallHintHook();
    }
    void TearDown() override {
        RemoveHintHook();
        CancelApplicationHint();
        TFormFixture::TearDown();
    }
    void Advance(int ms) {
        ClockAdvanceMs(ms);
        App->ProcessMessages();
    }
    void MoveOver(TControl* control) {
        WinInputMouseMove(control->ClientToScreen(POINT{5, 5}));
        App->ProcessMessages();
    }
    bool Shown() {
        THintWindow* window = GetApplicationHintWindow();
        return window != nullptr && window->IsHintShowing();
    }
};

struct THintEvents : TObject {
    std::vector<String> Hints;
    bool Refuse = false;
    void Hint(TObject*) { Hints.push_back(Application->GetHint()); }
    void ShowHint(String& hintStr, bool& canShow, THintInfo& info) {
        hintStr = "[" + hintStr + "]";
        canShow = !Refuse;
    }
};

} // namespace

TEST_F(HintsTest, HintShowsAfterThePauseAndHidesAfterTheHidePause) {
    auto* button = new TButton(Form);
    button->SetParent(Form);
    button->SetBounds(10, 10, 75, 25);
    button->SetHint("Save|Saves the channels");
    button->SetShowHint(true);
    auto* plain = new TButton(Form);
    plain->SetParent(Form);
    plain->SetBounds(10, 100, 75, 25);
    plain->SetHint("No hint shown");
    Form->Show();
    App->ProcessMessages();
    App->SetHintPause(500);
    App->SetHintHidePause(2500);
    THintEvents events;
    App->OnHint = MakeEvent(&events, &THintEvents::Hint);
    App->OnShowHint = MakeEvent(&events, &THintEvents::ShowHint);

    MoveOver(button);
    EXPECT_EQ(App->GetHint(), "Saves the channels");
    EXPECT_EQ(GetApplicationHintControl(), button);
    Advance(499);
    EXPECT_FALSE(Shown());
    Advance(1);
    ASSERT_TRUE(Shown());
    THintWindow* window = GetApplicationHintWindow();
    EXPECT_EQ(window->GetCaption(), "[Save]"); // the short hint, as OnShowHint changed it
    EXPECT_EQ(window->GetColor(), App->GetHintColor());
    EXPECT_GT(window->GetTop(), button->ClientToScreen(POINT{5, 5}).y);
    Advance(2499);
    EXPECT_TRUE(Shown());
    Advance(1);
    EXPECT_FALSE(Shown());

    // A control without ShowHint shows nothing, but the application's hint follows it.
    MoveOver(plain);
    EXPECT_EQ(App->GetHint(), "No hint shown");
    Advance(1000);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(events.Hints, (std::vector<String>{"Saves the channels", "No hint shown"}));

    // OnShowHint can refuse; a press cancels a pending hint.
    events.Refuse = true;
    MoveOver(button);
    Advance(600);
    EXPECT_FALSE(Shown());
    events.Refuse = false;
    MoveOver(plain);
    MoveOver(button);
    WinInputMouseButton(button->ClientToScreen(POINT{5, 5}), TWinMouseButton::Left, true);
    App->ProcessMessages();
    WinInputMouseButton(button->ClientToScreen(POINT{5, 5}), TWinMouseButton::Left, false);
    App->ProcessMessages();
    Advance(600);
    EXPECT_FALSE(Shown());
}

TEST_F(HintsTest, MovingOnWhileAHintShowsTakesTheShortPause) {
    Form->SetShowHint(true); // the children take it through ParentShowHint
    std::vector<TLabel*> labels;
    for (int i = 0; i < 2; ++i) {
        auto* label = new TLabel(Form);
        label->SetParent(Form);
        label->SetBounds(10 + 120 * i, 10, 80, 20); // side by side: the hint shows below the mouse
        label->SetAutoSize(false);
        label->SetHint(i == 0 ? "First" : "Second");
        labels.push_back(label);
    }
    Form->Show();
    App->ProcessMessages();
    App->SetHintPause(500);
    App->SetHintShortPause(50);
    MoveOver(labels[0]);
    Advance(500);
    ASSERT_TRUE(Shown());
    MoveOver(labels[1]);
    EXPECT_FALSE(Shown());
    Advance(50);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(GetApplicationHintWindow()->GetCaption(), "Second");

    // CM_HINTSHOW answered non-zero keeps the hint away.
    struct TRefuser : TObject {
        TWndMethod Old;
        void Proc(TMessage& m) {
            if (m.Msg == CM_HINTSHOW) {
                m.Result = 1;
                return;
            }
            Old(m);
        }
    } refuser;
    refuser.Old = labels[0]->WindowProc;
    labels[0]->WindowProc = MakeEvent(&refuser, &TRefuser::Proc);
    CancelApplicationHint();
    MoveOver(labels[0]);
    Advance(500);
    EXPECT_FALSE(Shown());
    labels[0]->WindowProc = refuser.Old;
}

TEST(HintTextTest, ShortAndLongParts) {
    struct Case {
        const char* Hint;
        const char* Short;
        const char* Long;
    };
    for (const Case& c : std::vector<Case>{{"Open|Opens a file", "Open", "Opens a file"},
                                           {"Plain", "Plain", "Plain"},
                                           {"|Only long", "", "Only long"}}) {
        SCOPED_TRACE(c.Hint);
        EXPECT_EQ(GetShortHint(c.Hint), c.Short);
        EXPECT_EQ(GetLongHint(c.Hint), c.Long);
    }
}
