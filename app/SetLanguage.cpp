#include "app/SetLanguage.h"

#include "app/AllClass.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The language dialog has no ") + name);
    return component;
}

} // namespace

TfSetLanguage::TfSetLanguage(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    cbLanguage = Part<TqzComboBox>(this, "cbLanguage");
    Language = Part<TComboBox>(this, "Language");
    Label1 = Part<TLabel>(this, "Label1");
    btnOk = Part<TqzButton>(this, "btnOk");
    btnCancel = Part<TqzButton>(this, "btnCancel");
}

void TfSetLanguage::FormShow(TObject*) {
    TStrings* names = cbLanguage->GetProperties()->GetItems();
    names->Clear();
    Language->GetItems()->Clear();
    ListLanguages(names, Language->GetItems());
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, false);
    const Integer index = AppState->LanguageIndex;
    cbLanguage->SetItemIndex(index >= 0 && index < names->GetCount() ? index : -1);
    Changed = false;
}

void TfSetLanguage::btnOkClick(TObject*) {
    const Integer index = cbLanguage->GetItemIndex();
    if (index >= 0 && index < Language->GetItems()->GetCount() && index != AppState->LanguageIndex) {
        Changed = true;
        AppState->LanguageName = Language->GetItems()->GetStrings(index);
        AppState->LanguageIndex = index;
    }
    SetModalResult(mrOk);
}

void TfSetLanguage::btnCancelClick(TObject*) { Close(); }

KOV_PUBLISHED(TfSetLanguage) {
    Method("FormShow", &TfSetLanguage::FormShow);
    Method("btnOkClick", &TfSetLanguage::btnOkClick);
    Method("btnCancelClick", &TfSetLanguage::btnCancelClick);
}

namespace {
const bool kRegistered = (RegisterClasses({TfSetLanguage::StaticClass()}), true);
}
