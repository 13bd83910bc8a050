// The window behind every dialog page of a report.
#pragma once

#include "platform/classlib/Forms.h"

class TpvrDialogForm : public TForm {
    KOV_CLASS(TpvrDialogForm, TForm)
    KOV_DECLARE_MESSAGE_MAP
public:
    // Made without an owner (the dialog page frees it). When the page carries the tag of
    // thread-safe loading (318), the stored form is not read: the form starts empty.
    explicit TpvrDialogForm(TComponent* owner);

    // Refuses closing; the dialog page installs its own handler before it shows the form.
    void FormCloseQuery(TObject* sender, bool& canClose);

    bool GuardedByLock = false;
    // Fires at the end of an interactive move or resize.
    TNotifyEvent OnBoundsChanged;

private:
    void WMGetDlgCode(TMessage& message);
    void WMExitSizeMove(TMessage& message);
};
