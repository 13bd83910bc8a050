// A test with an application and one form made without a definition, on the manual clock. The
// form and the application go after each test, the thread's queue is emptied and the clock
// mode is put back. Only tests that link the class library include this header.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"

namespace testsupport {

class TFormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        Form = TForm::CreateNew(nullptr);
        Form->SetBounds(50, 50, 420, 320);
    }
    void TearDown() override {
        delete Form;
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
    }

    // Shows the form with the focus on the form itself and none of its controls focused, for tests
    // of a control's looks without the focus (an activated form focuses its first control).
    void ShowUnfocused() {
        Form->Show();
        App->ProcessMessages();
        Form->SetActiveControl(nullptr);
        ::SetFocus(Form->GetHandle());
        App->ProcessMessages();
    }

    std::unique_ptr<TApplication> App;
    TForm* Form = nullptr;

private:
    TClockMode FOldMode = TClockMode::Real;
};

} // namespace testsupport
