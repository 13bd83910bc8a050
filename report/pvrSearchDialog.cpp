#include "report/pvrSearchDialog.h"

#include "report/pvrRes.h"

namespace {

String& LastSearchText() {
    static String text;
    return text;
}

template <typename T> T* Find(TComponent* owner, const char* name) {
    return dynamic_cast<T*>(owner->FindComponent(name));
}

} // namespace

TpvrSearchDialog::TpvrSearchDialog(TComponent* owner) : TForm(owner) { AfterConstruction(); }

String TpvrSearchDialog::LastText() { return LastSearchText(); }

void TpvrSearchDialog::SetLastText(const String& value) { LastSearchText() = value; }

void TpvrSearchDialog::FormCreate(TObject*) {
    Panel2 = Find<TPanel>(this, "Panel2");
    TextL = Find<TLabel>(this, "TextL");
    TextE = Find<TEdit>(this, "TextE");
    ReplacePanel = Find<TPanel>(this, "ReplacePanel");
    ReplaceL = Find<TLabel>(this, "ReplaceL");
    ReplaceE = Find<TEdit>(this, "ReplaceE");
    Panel3 = Find<TPanel>(this, "Panel3");
    SearchL = Find<TGroupBox>(this, "SearchL");
    TopCB = Find<TCheckBox>(this, "TopCB");
    CaseCB = Find<TCheckBox>(this, "CaseCB");
    OkB = Find<TButton>(this, "OkB");
    CancelB = Find<TButton>(this, "CancelB");
    TpvrResources* res = GetResources();
    SetCaption(res->GetNumbered(300));
    if (TextL) TextL->SetCaption(res->GetNumbered(301));
    if (SearchL) SearchL->SetCaption(res->GetNumbered(302));
    if (ReplaceL) ReplaceL->SetCaption(res->GetNumbered(303));
    if (TopCB) TopCB->SetCaption(res->GetNumbered(304));
    if (CaseCB) CaseCB->SetCaption(res->GetNumbered(305));
    if (OkB) OkB->SetCaption(res->GetNumbered(1));
    if (CancelB) CancelB->SetCaption(res->GetNumbered(2));
}

void TpvrSearchDialog::FormShow(TObject*) {
    if (!TextE) return;
    TextE->SetText(LastSearchText());
    if (TextE->CanFocus()) TextE->SetFocus();
    TextE->SelectAll();
}

void TpvrSearchDialog::FormHide(TObject*) {
    if (GetModalResult() == mrOk && TextE) LastSearchText() = TextE->GetText();
}

void TpvrSearchDialog::FormKeyDown(TObject*, Word& key, TShiftState) {
    if (key == VK_F1) GetResources()->Help(this);
}

KOV_PUBLISHED(TpvrSearchDialog) {
    Method("FormCreate", &TpvrSearchDialog::FormCreate);
    Method("FormShow", &TpvrSearchDialog::FormShow);
    Method("FormHide", &TpvrSearchDialog::FormHide);
    Method("FormKeyDown", &TpvrSearchDialog::FormKeyDown);
}

namespace {
const bool kSearchDialogRegistered = [] {
    RegisterClasses({TpvrSearchDialog::StaticClass()});
    return true;
}();
} // namespace
