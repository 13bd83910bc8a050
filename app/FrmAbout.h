// The about box. Its stored labels hold placeholders; the texts come from the language file.
// A click anywhere on it closes it.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"

class TImage;
class TLabel;
class TMemo;
class TPanel;

class TfFrmAbout : public TForm {
    KOV_CLASS(TfFrmAbout, TForm)
public:
    explicit TfFrmAbout(TComponent* owner);

    // Shows the program's icon, takes the texts from the selected language's file (whatever
    // language that is), puts the title in the caption and the hidden panel's texts in the memo.
    void FormShow(TObject* sender);
    void FormMouseDown(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y);

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label8 = nullptr;
    TLabel* Label9 = nullptr;
    TPanel* Panel1 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* Label7 = nullptr;
    TImage* ImApp = nullptr;
    TMemo* Memo1 = nullptr;
};
