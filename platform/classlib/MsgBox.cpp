#include "platform/classlib/MsgBox.h"

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinMessageBox.h"

namespace {

// Installed while the program starts. The runtime's presenter slot may be set up after this unit
// (the order of start-up between libraries is not fixed), so the application installs it again
// when it is made (TApplication's constructor).
const bool kPresenterInstalled = (InstallDrawnMessageBox(), true);

}  // namespace

int ShowDrawnMessageBox(const String& text, const String& caption, UINT flags) {
    (void)kPresenterInstalled;
    HWND owner = GetActiveWindow();
    if (!owner) {
        TForm* mainForm = Application->GetMainForm();
        if (mainForm && mainForm->HandleAllocated() && IsWindowVisible(mainForm->GetHandle()))
            owner = mainForm->GetHandle();
    }
    const int result = MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
    // A box that could not be shown answers as its default button would.
    return result != 0 ? result : DefaultPromptButton(flags);
}

void InstallDrawnMessageBox() { SetPromptPresenter(ShowDrawnMessageBox); }
