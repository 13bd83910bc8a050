// The window that asks for the text to find in the prepared pages; it opens with the text
// searched for last.
#pragma once

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

class TpvrSearchDialog : public TForm {
    KOV_CLASS(TpvrSearchDialog, TForm)
public:
    explicit TpvrSearchDialog(TComponent* owner);

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormHide(TObject* sender);
    void FormKeyDown(TObject* sender, Word& key, TShiftState shift);

    // The text searched for last (empty at start).
    static String LastText();
    static void SetLastText(const String& value);

    TPanel* Panel2 = nullptr;
    TLabel* TextL = nullptr;
    TEdit* TextE = nullptr;
    TPanel* ReplacePanel = nullptr;
    TLabel* ReplaceL = nullptr;
    TEdit* ReplaceE = nullptr;
    TPanel* Panel3 = nullptr;
    TGroupBox* SearchL = nullptr;
    TCheckBox* TopCB = nullptr;
    TCheckBox* CaseCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
};
