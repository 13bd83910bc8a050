// The communication port dialog: the serial ports that can be opened, one of them chosen as
// the program's port.
#pragma once

#include "platform/classlib/Forms.h"

class TLabel;
class TqzButton;
class TqzComboBox;

class TfSetPort : public TForm {
    KOV_CLASS(TfSetPort, TForm)
public:
    explicit TfSetPort(TComponent* owner);

    // Translates the dialog when the selected language is not the design one, lists the ports
    // that open and selects the program's port (the first port when it is not among them).
    void FormShow(TObject* sender);
    // The port shown becomes the program's port (empty when no port was found).
    void btnOKClick(TObject* sender);
    void btnCancelClick(TObject* sender);

    TqzComboBox* cbCom = nullptr;
    TLabel* lbName = nullptr;
    TqzButton* btnOK = nullptr;
    TqzButton* btnCancel = nullptr;
};
