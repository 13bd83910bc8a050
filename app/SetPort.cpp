#include "app/SetPort.h"

#include "app/AllClass.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The port dialog has no ") + name);
    return component;
}

} // namespace

TfSetPort::TfSetPort(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    cbCom = Part<TqzComboBox>(this, "cbCom");
    lbName = Part<TLabel>(this, "lbName");
    btnOK = Part<TqzButton>(this, "btnOK");
    btnCancel = Part<TqzButton>(this, "btnCancel");
}

void TfSetPort::FormShow(TObject*) {
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
    TStrings* items = cbCom->GetProperties()->GetItems();
    items->Clear();
    ListComPorts(items);
    if (items->GetCount() > 0) cbCom->SetItemIndex(0);
    const Integer current = items->IndexOf(AppState->ComPort);
    if (current >= 0) cbCom->SetItemIndex(current);
}

void TfSetPort::btnOKClick(TObject*) {
    AppState->ComPort = cbCom->GetText();
    SetModalResult(mrOk);
}

void TfSetPort::btnCancelClick(TObject*) { Close(); }

KOV_PUBLISHED(TfSetPort) {
    Method("FormShow", &TfSetPort::FormShow);
    Method("btnOKClick", &TfSetPort::btnOKClick);
    Method("btnCancelClick", &TfSetPort::btnCancelClick);
}

namespace {
const bool kRegistered = (RegisterClasses({TfSetPort::StaticClass()}), true);
}
