// The language dialog: the languages listed in "SysInfo.Ini", one of them chosen as the
// program's language. The caller re-translates its windows when Changed is set.
#pragma once

#include "platform/classlib/Forms.h"

class TComboBox;
class TLabel;
class TqzButton;
class TqzComboBox;

class TfSetLanguage : public TForm {
    KOV_CLASS(TfSetLanguage, TForm)
public:
    explicit TfSetLanguage(TComponent* owner);

    // Lists the display names and the file names of the languages, translates the dialog when the
    // selected language is not the design one, and selects the current language.
    void FormShow(TObject* sender);
    // Another language than the current one becomes the program's language and sets Changed. A
    // display name without a language file beside it changes nothing.
    void btnOkClick(TObject* sender);
    void btnCancelClick(TObject* sender);

    TqzComboBox* cbLanguage = nullptr;
    TComboBox* Language = nullptr; // the file names, in the order of cbLanguage
    TLabel* Label1 = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;

    bool Changed = false;
};
