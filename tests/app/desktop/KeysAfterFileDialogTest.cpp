// The program driven at the display's door, with the toolkit's own file dialog: a dialog opened
// with a shortcut and closed with Escape gets the releases of the keys held when it opened, and
// afterwards the keys still reach the program as typed (Enter and Backspace in the channel grid,
// a menu's mnemonic).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendDialogs.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinMenu.h"
#include "tests/app/MainFrmFixture.h"

namespace {

// Qt's own dialogs run, on the offscreen display. Set up before the application.
struct TOffscreenDisplay {
    TOffscreenDisplay() {
        BackendInstall(true);
        FPrevious = SetDialogPresenter(nullptr);
        BackendInstallDialogs();
    }
    ~TOffscreenDisplay() {
        SetDialogPresenter(FPrevious);
        BackendUninstall();
    }
    TDialogPresenter* FPrevious = nullptr;
};

class KeysAfterFileDialogTest : private TOffscreenDisplay, public mainfrmtest::TMainFrmFixture {
protected:
    void SetUp() override {
        Start();
        FOldProc = Frame->WindowProc;
        Frame->WindowProc = TWndMethod(this, &KeysAfterFileDialogTest::FrameProc);
    }
    void TearDown() override { Frame->WindowProc = FOldProc; }

    // A menu that opens is noted and closed again at once.
    void FrameProc(TMessage& message) {
        if (message.Msg == WM_INITMENUPOPUP) Opened.push_back(HMENU(message.WParam));
        if (message.Msg == WM_ENTERIDLE && message.WParam == MSGF_MENU) {
            EndMenu();
            message.Result = 0;
            return;
        }
        FOldProc(message);
    }

    std::vector<HMENU> Opened;

private:
    TWndMethod FOldProc;
};

TEST_F(KeysAfterFileDialogTest, KeysReachTheProgramAfterAFileDialogClosedByKeys) {
    TScopedPromptScript prompts; // a prompt would be a fault here; none is answered by a person
    const HWND frame = Frame->GetHandle();
    Integer row = 2;
    // Open (Ctrl+O) and Save As (Ctrl+A).
    for (const std::string key : {"O", "A"}) {
        SCOPED_TRACE("Ctrl+" + key);
        AppState->Modified = false;
        bool shown = false;
        BackendWhenDialogShows([&] {
            shown = true;
            // The keys held when the dialog opened are released in it; Escape closes it.
            EXPECT_TRUE(BackendSynthDialogKeys("Up:" + key + " Up:Ctrl Escape"));
        });
        ASSERT_TRUE(BackendSynthKeys(frame, "Down:Ctrl Down:" + key));
        Pump();
        ASSERT_TRUE(shown);
        EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "Ctrl is up again";
        EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0);

        // A frequency typed into the grid, corrected with Backspace and committed with Enter.
        ASSERT_EQ(GetFocus(), Grid->GetHandle());
        Grid->SetCurrentCell(ccRx, row, true, true);
        ASSERT_TRUE(BackendSynthKeys(frame, "4 5 9 Backspace 1 Return"));
        Pump();
        EXPECT_EQ(Grid->ReadForeText(ccRx, row), "451.00000");
        ++row;

        // Alt+S opens the Setup menu.
        Opened.clear();
        ASSERT_TRUE(BackendSynthKeys(frame, "Alt+S"));
        Pump();
        EXPECT_EQ(Opened, std::vector<HMENU>{Item("mSetup")->GetHandle()});
    }
    EXPECT_TRUE(prompts.Prompts().empty());
}

} // namespace
