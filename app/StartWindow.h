// The window the program opens while its main window is still being built: it lets the
// program start and close with the close question and the settings write.
#pragma once

#include "platform/classlib/Forms.h"

class TfStartWindow : public TForm {
    KOV_CLASS(TfStartWindow, TForm)
public:
    explicit TfStartWindow(TComponent* owner);

    // Asks "ExitProgram" (No refuses the close), then "SaveProgram" when the data is modified;
    // the close goes on whichever way that is answered.
    void FormCloseQuery(TObject* sender, bool& canClose);
    // Writes "SysInfo.Ini". A write that fails is reported and the program closes anyway.
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TfStartWindow* fStartWindow;
