#include "app/FrmAbout.h"

#include "app/AllClass.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The about box has no ") + name);
    return component;
}

} // namespace

TfFrmAbout::TfFrmAbout(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    Label1 = Part<TLabel>(this, "Label1");
    Label2 = Part<TLabel>(this, "Label2");
    Label3 = Part<TLabel>(this, "Label3");
    Label4 = Part<TLabel>(this, "Label4");
    Label8 = Part<TLabel>(this, "Label8");
    Label9 = Part<TLabel>(this, "Label9");
    Panel1 = Part<TPanel>(this, "Panel1");
    Label5 = Part<TLabel>(this, "Label5");
    Label6 = Part<TLabel>(this, "Label6");
    Label7 = Part<TLabel>(this, "Label7");
    ImApp = Part<TImage>(this, "ImApp");
    Memo1 = Part<TMemo>(this, "Memo1");
}

void TfFrmAbout::FormShow(TObject*) {
    ImApp->GetPicture()->Assign(Application->GetIcon());
    TranslateForm(this, AppState->LanguageName, false);
    SetCaption(AppState->Title);
    TStrings* lines = Memo1->GetLines();
    lines->Clear();
    lines->Add(Label5->GetCaption());
    lines->Add(Label6->GetCaption());
    lines->Add("");
    lines->Add(Label7->GetCaption());
}

void TfFrmAbout::FormMouseDown(TObject*, TMouseButton, TShiftState, Integer, Integer) { Close(); }

KOV_PUBLISHED(TfFrmAbout) {
    Method("FormShow", &TfFrmAbout::FormShow);
    Method("FormMouseDown", &TfFrmAbout::FormMouseDown);
}

namespace {
const bool kRegistered = (RegisterClasses({TfFrmAbout::StaticClass()}), true);
}
