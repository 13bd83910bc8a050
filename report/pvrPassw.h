// The window in which the user types the password of a protected report definition.
#pragma once

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

class TpvrPasswordForm : public TForm {
    KOV_CLASS(TpvrPasswordForm, TForm)
public:
    explicit TpvrPasswordForm(TComponent* owner);

    // Takes the engine's numbered texts: caption 5000, label 5001, buttons 1 and 2.
    void FormCreate(TObject* sender);

    TLabel* PasswordL = nullptr;
    TEdit* PasswordE = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
};
