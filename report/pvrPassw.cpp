#include "report/pvrPassw.h"

#include "report/pvrRes.h"

TpvrPasswordForm::TpvrPasswordForm(TComponent* owner) : TForm(owner) { AfterConstruction(); }

void TpvrPasswordForm::FormCreate(TObject*) {
    PasswordL = dynamic_cast<TLabel*>(FindComponent("PasswordL"));
    PasswordE = dynamic_cast<TEdit*>(FindComponent("PasswordE"));
    OkB = dynamic_cast<TButton*>(FindComponent("OkB"));
    CancelB = dynamic_cast<TButton*>(FindComponent("CancelB"));
    TpvrResources* res = GetResources();
    SetCaption(res->GetNumbered(5000));
    if (PasswordL) PasswordL->SetCaption(res->GetNumbered(5001));
    if (OkB) OkB->SetCaption(res->GetNumbered(1));
    if (CancelB) CancelB->SetCaption(res->GetNumbered(2));
}

KOV_PUBLISHED(TpvrPasswordForm) { Method("FormCreate", &TpvrPasswordForm::FormCreate); }

namespace {
const bool kPasswordFormRegistered = [] {
    RegisterClasses({TpvrPasswordForm::StaticClass()});
    return true;
}();
} // namespace
