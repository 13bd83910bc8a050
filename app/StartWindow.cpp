#include "app/StartWindow.h"

#include "app/AllClass.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Prompts.h"

TfStartWindow* fStartWindow = nullptr;

TfStartWindow::TfStartWindow(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    SetCaption(AppState && !AppState->Title.empty() ? AppState->Title : String("KOV-571"));
}

void TfStartWindow::FormCloseQuery(TObject*, bool& canClose) {
    if (ShowPrompt(PromptTexts->Confirmation, PromptTexts->ExitProgram, 2) != IDYES) {
        canClose = false;
        return;
    }
    // Saving the data belongs to the main window's file commands, which this window does not
    // have; the answer is asked for and the close goes on either way.
    if (AppState->Modified) ShowPrompt(PromptTexts->Confirmation, PromptTexts->SaveProgram, 2);
}

void TfStartWindow::FormClose(TObject*, TCloseAction&) {
    // A settings file that cannot be written must never keep the program from ending.
    try {
        WriteSystemSettings();
    } catch (Exception& e) {
        Application->ShowException(&e);
    }
}

KOV_PUBLISHED(TfStartWindow) {
    Method("FormCloseQuery", &TfStartWindow::FormCloseQuery);
    Method("FormClose", &TfStartWindow::FormClose);
}
