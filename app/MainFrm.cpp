#include "app/MainFrm.h"

#include "app/AllClass.h"
#include "app/ChInfo.h"

TfMainFrm* fMainFrm = nullptr;

namespace {

template <class T> T* Placed(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The main window's definition has no ") + name);
    return component;
}

} // namespace

TfMainFrm::TfMainFrm(TComponent* owner) : TForm(owner) { AfterConstruction(); }

TfMainFrm::~TfMainFrm() {
    // The channel window goes with this window (the base frees what it owns).
    if (fChInfo && fChInfo->GetOwner() == this) fChInfo = nullptr;
    if (fMainFrm == this) fMainFrm = nullptr;
}

void TfMainFrm::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation == opRemove && component == fChInfo) fChInfo = nullptr;
}

void TfMainFrm::FormCreate(TObject*) {
    odOpen = Placed<TOpenDialog>(this, "odOpen");
    sdSave = Placed<TSaveDialog>(this, "sdSave");
}

void TfMainFrm::RefreshStatus() {
    const TALL& state = *AppState;
    const String fileSuffix = FileName.empty() ? String() : " [" + FileName + "]";
    if (SingleModel)
        SetCaption(state.Title + "--" + state.ModelName + fileSuffix);
    else
        SetCaption(state.Title + fileSuffix);
}

void TfMainFrm::ShowChannelWindow() {
    if (!fChInfo) fChInfo = new TfChInfo(this);
    fChInfo->Show();
}

KOV_PUBLISHED(TfMainFrm) { Method("FormCreate", &TfMainFrm::FormCreate); }
