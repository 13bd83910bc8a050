// The model dialog: a model of the model table and one of its bands. The caller takes them
// when Accepted is set.
#pragma once

#include "platform/classlib/Forms.h"

class TLabel;
class TqzButton;
class TqzComboBox;

class TfModel : public TForm {
    KOV_CLASS(TfModel, TForm)
public:
    explicit TfModel(TComponent* owner);

    // Lists the models, shows the current model (the first when there is none) with its bands
    // and the current band (the first band when the current one is not among them).
    void FormShow(TObject* sender);
    // The bands of the model shown, with its default band.
    void cbCopmutChange(TObject* sender);
    void btnOkClick(TObject* sender);
    void btnCancelClick(TObject* sender);

    TqzComboBox* cbCopmut = nullptr; // models
    TqzComboBox* cbPd = nullptr;     // bands
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;

    bool Accepted = false;
};
