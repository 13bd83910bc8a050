// The prompt service shows the drawn message box: a prompt without a test script opens our own
// modal window over the active window and answers with the button pressed; a script still
// answers before it, and Application->MessageBox goes the same way.
#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/classlib/MsgBox.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinDialog.h"
#include "platform/winapi/WinMessageBox.h"

namespace {

// The window the box opens over; on the box's first idle moment it checks the box and answers
// it with a key.
struct TIdleAnswer {
    UINT Key = VK_RETURN;
    int Idles = 0;
    String Caption;
    String Text;
};
TIdleAnswer* gAnswer = nullptr;

LRESULT OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && gAnswer) {
        auto box = reinterpret_cast<HWND>(lParam);
        if (gAnswer->Idles++ == 0) {
            char buffer[128] = {};
            GetWindowTextA(box, buffer, int(sizeof buffer));
            gAnswer->Caption = buffer;
            GetWindowTextA(GetDlgItem(box, 0xFFFF), buffer, int(sizeof buffer));
            gAnswer->Text = buffer;
            WinInputKey(gAnswer->Key, false, true);
            WinInputKey(gAnswer->Key, false, false);
        } else {
            // Not answered: end it rather than wait.
            SendMessageA(box, WM_CLOSE, 0, 0);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class MsgBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        // The program's application, which has the drawn box installed.
        App = std::make_unique<TApplication>(nullptr);
        App->SetTitle("KOV-571");
        WNDCLASSA wc;
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = "KovMsgBoxTestOwner";
        if (!GetClassInfoA(nullptr, wc.lpszClassName, &wc)) RegisterClassA(&wc);
        Owner = CreateWindowExA(0, "KovMsgBoxTestOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                                300, nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(Owner);
        gAnswer = &Answer;
    }
    void TearDown() override {
        gAnswer = nullptr;
        DestroyWindow(Owner);
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
    }

    std::unique_ptr<TApplication> App;
    HWND Owner = nullptr;
    TIdleAnswer Answer;

private:
    TClockMode FOldMode = TClockMode::Real;
};

TEST_F(MsgBoxTest, APromptWithoutAScriptShowsTheDrawnBox) {
    struct Case {
        UINT Flags;
        UINT Key;
        int Result;
    };
    const std::vector<Case> cases = {
        {MB_YESNO | MB_ICONQUESTION, 'N', IDNO},
        {MB_OKCANCEL | MB_DEFBUTTON2, VK_RETURN, IDCANCEL},
        {MB_OK | MB_ICONHAND, VK_ESCAPE, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Flags);
        Answer = TIdleAnswer{c.Key, 0, {}, {}};
        EXPECT_EQ(PlatformMessageBox("Overwrite the file?", "Save", c.Flags), c.Result);
        EXPECT_EQ(Answer.Idles, 1);
        EXPECT_EQ(Answer.Caption, "Save");
        EXPECT_EQ(Answer.Text, "Overwrite the file?");
        EXPECT_TRUE(IsWindowEnabled(Owner));
    }
}

TEST_F(MsgBoxTest, AScriptAnswersFirstAndTheApplicationCaptionsWithItsTitle) {
    TApplication& app = *App;
    {
        TScopedPromptScript prompts({IDRETRY, IDYES});
        EXPECT_EQ(app.MessageBox("Port busy", nullptr, MB_RETRYCANCEL | MB_ICONEXCLAMATION), IDRETRY);
        EXPECT_EQ(app.MessageBox("Read now?", "Radio", MB_YESNOCANCEL), IDYES);
        ASSERT_EQ(prompts.Prompts().size(), 2u);
        EXPECT_EQ(prompts.Prompts()[0].Caption, "KOV-571");
        EXPECT_EQ(prompts.Prompts()[0].Flags, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
        EXPECT_EQ(prompts.Prompts()[1].Caption, "Radio");
        EXPECT_TRUE(prompts.Errors().empty());
    }
    EXPECT_EQ(Answer.Idles, 0);  // no box was drawn
    // Without the script the same call shows the box.
    Answer = TIdleAnswer{'Y', 0, {}, {}};
    EXPECT_EQ(app.MessageBox("Read now?", nullptr, MB_YESNO), IDYES);
    EXPECT_EQ(Answer.Caption, "KOV-571");
}

}  // namespace
