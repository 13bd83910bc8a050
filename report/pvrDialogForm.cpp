#include "report/pvrDialogForm.h"

#include "platform/classlib/FormDefs.h"
#include "platform/winapi/WinCore.h"

TpvrDialogForm::TpvrDialogForm(TComponent* owner) : TForm(nullptr, TCreateNew{}) {
    GuardedByLock = owner && owner->GetTag() == 318;
    if (!GuardedByLock) {
        IncludeComponentState(csLoading);
        try {
            ReadFormDefinitions(this, TForm::StaticClass());
        } catch (...) {
            ExcludeComponentState(csLoading);
            throw;
        }
        ExcludeComponentState(csLoading);
    }
    AfterConstruction();
}

void TpvrDialogForm::FormCloseQuery(TObject*, bool& canClose) { canClose = false; }

void TpvrDialogForm::WMGetDlgCode(TMessage& message) { message.Result = DLGC_WANTARROWS | DLGC_WANTTAB; }

void TpvrDialogForm::WMExitSizeMove(TMessage& message) {
    KOV_INHERITED(message);
    if (OnBoundsChanged) OnBoundsChanged(this);
}

KOV_MESSAGE_MAP(TpvrDialogForm) {
    map.Message(WM_GETDLGCODE, &TpvrDialogForm::WMGetDlgCode);
    map.Message(WM_EXITSIZEMOVE, &TpvrDialogForm::WMExitSizeMove);
}

KOV_PUBLISHED(TpvrDialogForm) { Method("FormCloseQuery", &TpvrDialogForm::FormCloseQuery); }
