// The window that asks where and what to print: the printer (with its driver properties), the
// pages, the copies and their collation, and an optional file to print into.
#pragma once

#include <memory>

#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

class TpvrPrintDialog : public TForm {
    KOV_CLASS(TpvrPrintDialog, TForm)
public:
    explicit TpvrPrintDialog(TComponent* owner);

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormHide(TObject* sender);
    void FormKeyDown(TObject* sender, Word& key, TShiftState shift);
    void PrintersCBDrawItem(TWinControl* control, Integer index, TRect rect, TOwnerDrawState state);
    void PrintersCBClick(TObject* sender);
    void PropButtonClick(TObject* sender);
    void PageNumbersEEnter(TObject* sender);
    void PageNumbersRBClick(TObject* sender);
    void CollateLClick(TObject* sender);
    void CollateCBClick(TObject* sender);
    void CopiesPBPaint(TObject* sender);

    // The printer current when the window was shown; a cancelled window makes it current again.
    Integer OldIndex = -1;

    TGroupBox* Label12 = nullptr;
    TComboBox* PrintersCB = nullptr;
    TButton* PropButton = nullptr;
    TLabel* TypeL = nullptr;
    TLabel* WhereL = nullptr;
    TLabel* TypeL1 = nullptr;
    TLabel* WhereL1 = nullptr;
    TCheckBox* FileCB = nullptr;
    TCheckBox* ReverseCB = nullptr;
    TGroupBox* Label1 = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TGroupBox* Label2 = nullptr;
    TLabel* CopiesL = nullptr;
    TEdit* CopiesE = nullptr;
    TUpDown* UpDown1 = nullptr;
    TCheckBox* CollateCB = nullptr;
    TLabel* CollateL = nullptr;
    TPaintBox* CopiesPB = nullptr;
    TImage* CollateImg = nullptr;
    TImage* NonCollateImg = nullptr;
    TLabel* PrintL = nullptr;
    TComboBox* PrintPagesCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TImage* PrinterImg = nullptr;
    TSaveDialog* FileDlg = nullptr;
};
