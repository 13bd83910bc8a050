// The small window the report shows while it prints, exports or prepares: a message, a
// progress bar and a cancel button. The form that was active is disabled while it exists.
#pragma once

#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

class TpvrProgress : public TForm {
    KOV_CLASS(TpvrProgress, TForm)
public:
    explicit TpvrProgress(TComponent* owner);
    ~TpvrProgress() override;

    void Execute(Integer maxValue, const String& msg, bool showProgressBar, bool showCancel);
    void Reset() { SetPosition(0); }

    const String& GetMessage() const { return FMessage; }
    void SetMessage(const String& value);
    Integer GetPosition() const { return FPosition; }
    void SetPosition(Integer value);
    bool GetShowProgressBar() const { return FShowProgressBar; }
    void SetShowProgressBar(bool value);
    bool GetTerminated() const { return FTerminated; }
    void SetTerminated(bool value);
    TForm* GetActiveForm() const { return FActiveForm; }

    void FormCreate(TObject* sender);
    void FormDestroy(TObject* sender);
    void FormHide(TObject* sender);
    void CancelBClick(TObject* sender);

    TPanel* Panel1 = nullptr;
    TLabel* LMessage = nullptr;
    TProgressBar* Bar = nullptr;
    TButton* CancelB = nullptr;

protected:
    // The window is dragged by any point of its surface.
    void WndProc(TMessage& message) override;

private:
    void EnableActiveForm();

    TForm* FActiveForm = nullptr;
    String FMessage;
    Integer FPosition = 0;
    bool FShowProgressBar = true;
    bool FTerminated = false;
};
