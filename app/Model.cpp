#include "app/Model.h"

#include "app/AllClass.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The model dialog has no ") + name);
    return component;
}

// Shows the item with the text, or the first item when none has it.
void ShowItem(TqzComboBox* box, const String& text) {
    TStrings* items = box->GetProperties()->GetItems();
    const Integer index = items->IndexOf(text);
    box->SetItemIndex(index >= 0 ? index : (items->GetCount() > 0 ? 0 : -1));
}

} // namespace

TfModel::TfModel(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    cbCopmut = Part<TqzComboBox>(this, "cbCopmut");
    cbPd = Part<TqzComboBox>(this, "cbPd");
    Label1 = Part<TLabel>(this, "Label1");
    Label2 = Part<TLabel>(this, "Label2");
    btnOk = Part<TqzButton>(this, "btnOk");
    btnCancel = Part<TqzButton>(this, "btnCancel");
}

void TfModel::FormShow(TObject*) {
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, false);
    std::vector<String> names;
    ModelList->ListModelNames(names);
    TStrings* items = cbCopmut->GetProperties()->GetItems();
    items->Clear();
    for (const String& name : names)
        items->Add(name);
    ShowItem(cbCopmut, AppState->ModelName);
    cbCopmutChange(cbCopmut);
    ShowItem(cbPd, AppState->BandText);
    Accepted = false;
}

void TfModel::cbCopmutChange(TObject*) {
    TStrings* bands = cbPd->GetProperties()->GetItems();
    const TMacType* model = ModelList->FindModelByName(cbCopmut->GetText());
    bands->Clear();
    if (!model) return;
    for (const String& band : model->Bands)
        bands->Add(band);
    ShowItem(cbPd, model->DefaultBand);
}

void TfModel::btnOkClick(TObject*) {
    Accepted = true;
    SetModalResult(mrOk);
}

void TfModel::btnCancelClick(TObject*) { Close(); }

KOV_PUBLISHED(TfModel) {
    Method("FormShow", &TfModel::FormShow);
    Method("cbCopmutChange", &TfModel::cbCopmutChange);
    Method("btnOkClick", &TfModel::btnOkClick);
    Method("btnCancelClick", &TfModel::btnCancelClick);
}

namespace {
const bool kRegistered = (RegisterClasses({TfModel::StaticClass()}), true);
}
