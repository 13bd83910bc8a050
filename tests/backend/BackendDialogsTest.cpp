// The toolkit's own dialogs and what the window manager is asked for: a file dialog that gets the
// releases of keys held when it opened leaves no key held behind; the dialogs speak the user's
// locale; fixed dialogs ask for neither minimise nor maximise buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFileDialog>
#include <QWidget>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendDialogs.h"
#include "platform/backend/BackendQt.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/SysInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class BackendDialogsTest : public WinTest {
protected:
    void SetUp() override {
        BackendInstall(true);
        WinTest::SetUp();
        FPrevious = SetDialogPresenter(nullptr);
        BackendInstallDialogs();
        Window = Make(WS_POPUP | WS_VISIBLE, 200, 150, 160, 120);
        SetFocus(Window);
        Settle();
        Rec.Clear();
    }
    void TearDown() override {
        SetDialogPresenter(FPrevious);
        WinTest::TearDown();
    }
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        PumpAll();
    }
    std::vector<std::pair<UINT, WPARAM>> KeyMessages() const {
        std::vector<std::pair<UINT, WPARAM>> out;
        for (const Seen& s : Rec.Log)
            if (s.Message >= WM_KEYFIRST && s.Message <= WM_KEYLAST) out.push_back({s.Message, s.WParam});
        return out;
    }
    HWND Window = nullptr;

private:
    TDialogPresenter* FPrevious = nullptr;
};

// As with Ctrl+O: Ctrl and O go down here, the dialog opens and gets their releases, Escape
// closes it. Our key state follows the keyboard again, so the next keys type what they type.
TEST_F(BackendDialogsTest, KeysReleasedInAFileDialogAreReleasedHereToo) {
    for (const char* held : {"Down:Ctrl Down:O", "Down:Alt Down:Shift Down:O"}) {
        SCOPED_TRACE(held);
        ASSERT_TRUE(BackendSynthKeys(Window, held));
        Settle();
        ASSERT_LT(GetKeyState('O'), 0);
        ASSERT_LT(GetAsyncKeyState(held[5] == 'C' ? VK_CONTROL : VK_MENU), 0);
        bool shown = false;
        BackendWhenDialogShows([&] {
            shown = true;
            EXPECT_TRUE(BackendSynthDialogKeys("Up:O Up:Shift Up:Alt Up:Ctrl Escape"));
        });
        TOpenDialog dialog(nullptr);
        EXPECT_FALSE(dialog.Execute());
        EXPECT_TRUE(shown);
        for (int vk : {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_SHIFT, int('O')}) {
            EXPECT_GE(GetKeyState(vk), 0) << vk;
            EXPECT_GE(GetAsyncKeyState(vk), 0) << vk;
        }

        Rec.Clear();
        ASSERT_TRUE(BackendSynthKeys(Window, "Return Backspace Alt+F"));
        Settle();
        using M = std::pair<UINT, WPARAM>;
        const std::vector<M> expected = {
            {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13},      {WM_KEYUP, VK_RETURN},     {WM_KEYDOWN, VK_BACK},
            {WM_CHAR, 8},            {WM_KEYUP, VK_BACK}, {WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 'F'},
            {WM_SYSCHAR, 'f'},       {WM_SYSKEYUP, 'F'},  {WM_KEYUP, VK_MENU},
        };
        EXPECT_EQ(KeyMessages(), expected);
    }
}

// Alt+Tab to another program leaves the releases of Alt there: when the window manager gives one
// of our windows the focus back, Alt is up again and keys are no system keys.
TEST_F(BackendDialogsTest, KeysHeldWhenAnotherProgramTookTheFocusAreReleasedWhenItComesBack) {
    ASSERT_TRUE(BackendSynthKeys(Window, "Down:Alt Down:Tab"));
    Settle();
    ASSERT_LT(GetKeyState(VK_MENU), 0);
    // The releases went elsewhere; the window manager focuses our window again.
    ASSERT_TRUE(BackendSynthKeys(nullptr, "Up:Tab Up:Alt"));
    QWindow* surface = BackendInstance()->Surface(Window);
    ASSERT_NE(surface, nullptr);
    QFocusEvent focus(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(surface, &focus);
    Settle();
    EXPECT_GE(GetKeyState(VK_MENU), 0);
    EXPECT_GE(GetKeyState(VK_TAB), 0);
    Rec.Clear();
    ASSERT_TRUE(BackendSynthKeys(Window, "f"));
    Settle();
    using M = std::pair<UINT, WPARAM>;
    EXPECT_EQ(KeyMessages(), (std::vector<M>{{WM_KEYDOWN, 'F'}, {WM_CHAR, 'f'}, {WM_KEYUP, 'F'}}));
}

// The file dialog's captions and labels, and the print dialog's title, in the user's language.
TEST_F(BackendDialogsTest, DialogTextsFollowTheUsersLocale) {
    struct Case {
        const char* Locale;
        const char* Cancel;
        const char* FileName;
        const char* PrintTitle;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", "取消", "文件名称(&N)：", "打印"},
        {"en_US.UTF-8", "Cancel", "File &name:", "Print"},
        {"C", "Cancel", "File &name:", "Print"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Locale);
        SetUserMessagesLocale(c.Locale);
        QString cancel, fileName, title, printTitle;
        BackendWhenDialogShows([&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            cancel = dialog->labelText(QFileDialog::Reject);
            fileName = dialog->labelText(QFileDialog::FileName);
            title = dialog->windowTitle();
            BackendSynthDialogKeys("Escape");
        });
        TOpenDialog open(nullptr);
        EXPECT_FALSE(open.Execute());
        EXPECT_EQ(cancel.toStdString(), c.Cancel);
        EXPECT_EQ(fileName.toStdString(), c.FileName);
        EXPECT_FALSE(title.isEmpty());

        BackendWhenDialogShows([&] {
            printTitle = QApplication::activeModalWidget()->windowTitle();
            BackendSynthDialogKeys("Escape");
        });
        TPrintDialog print(nullptr);
        EXPECT_FALSE(print.Execute());
        EXPECT_EQ(printTitle.toStdString(), c.PrintTitle);
    }
}

// Which buttons the window manager is asked to put into a window's frame.
TEST_F(BackendDialogsTest, FixedDialogsAskForNoMinimiseOrMaximiseButton) {
    struct Case {
        const char* Name;
        DWORD Style;
        bool Minimize;
        bool Maximize;
    };
    const Case cases[] = {
        {"dialog frame", WS_POPUP | WS_CAPTION | WS_SYSMENU, false, false},
        {"single frame with minimise", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, false, false},
        {"single frame with maximise", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
         true, true},
        {"sizeable", WS_OVERLAPPEDWINDOW, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND window = Make(c.Style | WS_VISIBLE, 100, 100, 300, 200, nullptr, 0, nullptr, c.Name);
        Settle();
        TBackendSurfaceInfo info;
        ASSERT_TRUE(BackendSurfaceInfo(window, info));
        EXPECT_EQ(info.MinimizeButton, c.Minimize);
        EXPECT_EQ(info.MaximizeButton, c.Maximize);
        DestroyWindow(window);
    }
}

} // namespace
