#include "report/pvrProgress.h"

#include "report/pvrRes.h"

TpvrProgress::TpvrProgress(TComponent* owner) : TForm(owner) { AfterConstruction(); }

TpvrProgress::~TpvrProgress() { EnableActiveForm(); }

void TpvrProgress::FormCreate(TObject*) {
    Panel1 = dynamic_cast<TPanel*>(FindComponent("Panel1"));
    LMessage = dynamic_cast<TLabel*>(FindComponent("LMessage"));
    Bar = dynamic_cast<TProgressBar*>(FindComponent("Bar"));
    CancelB = dynamic_cast<TButton*>(FindComponent("CancelB"));
    if (CancelB) CancelB->SetCaption(GetResources()->GetNumbered(2));
    FActiveForm = Screen->GetActiveForm();
    if (FActiveForm == this) FActiveForm = nullptr;
    if (FActiveForm) FActiveForm->SetEnabled(false);
    if (Bar) {
        Bar->SetMin(0);
        Bar->SetMax(100);
        Bar->SetPosition(0);
    }
}

void TpvrProgress::EnableActiveForm() {
    if (FActiveForm) FActiveForm->SetEnabled(true);
}

void TpvrProgress::FormDestroy(TObject*) { EnableActiveForm(); }

void TpvrProgress::FormHide(TObject*) { EnableActiveForm(); }

void TpvrProgress::CancelBClick(TObject*) { SetTerminated(true); }

void TpvrProgress::Execute(Integer maxValue, const String& msg, bool showProgressBar, bool showCancel) {
    FTerminated = false;
    if (CancelB) CancelB->SetVisible(showCancel);
    SetShowProgressBar(showProgressBar);
    if (Bar) {
        Bar->SetMin(0);
        Bar->SetPosition(0);
        Bar->SetMax(maxValue);
    }
    FPosition = 0;
    SetMessage(msg);
    Show();
    Application->ProcessMessages();
}

void TpvrProgress::SetMessage(const String& value) {
    FMessage = value;
    if (LMessage) {
        LMessage->SetCaption(value);
        LMessage->Repaint();
    }
}

void TpvrProgress::SetPosition(Integer value) {
    FPosition = value;
    if (Bar) Bar->SetPosition(value);
    BringToFront();
    Application->ProcessMessages();
}

void TpvrProgress::SetShowProgressBar(bool value) {
    FShowProgressBar = value;
    if (Bar) Bar->SetVisible(value);
    if (LMessage) LMessage->SetTop(value ? 15 : 35);
}

void TpvrProgress::SetTerminated(bool value) {
    FTerminated = value;
    if (value) Close();
}

void TpvrProgress::WndProc(TMessage& message) {
    inherited::WndProc(message);
    if (message.Msg == WM_NCHITTEST && message.Result == HTCLIENT) message.Result = HTCAPTION;
}

KOV_PUBLISHED(TpvrProgress) {
    Method("FormCreate", &TpvrProgress::FormCreate);
    Method("FormDestroy", &TpvrProgress::FormDestroy);
    Method("FormHide", &TpvrProgress::FormHide);
    Method("CancelBClick", &TpvrProgress::CancelBClick);
}

namespace {
const bool kProgressRegistered = [] {
    RegisterClasses({TpvrProgress::StaticClass()});
    return true;
}();
} // namespace
