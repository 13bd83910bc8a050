// Hints: the small window that shows a control's hint, and the application's hint handling —
// the control under the mouse with ShowHint gets its short hint shown after Application's
// HintPause, hidden after HintHidePause, and moving on to another control while a hint shows (or
// just after) takes HintShortPause. Application's Hint follows the long hint (the part after
// "|") of the control under the mouse and runs OnHint.
//
// The handling watches the message loop's mouse and key messages: the loop calls
// HintMessageFilter for each message it retrieves (InstallHintHook does it through a
// WH_GETMESSAGE hook of the calling thread). Times run on the runtime clock.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"

class THintWindow : public TCustomControl {
    KOV_CLASS(THintWindow, TCustomControl)
public:
    explicit THintWindow(TComponent* owner);

    // Shows the text in rect (screen coordinates), over every other window, without activating.
    virtual void ActivateHint(const TRect& rect, const String& hint);
    void ActivateHintData(const TRect& rect, const String& hint, void* data) { ActivateHint(rect, hint); }
    // The size the text takes wrapped at maxWidth, with the window's margins, at (0, 0).
    virtual TRect CalcHintRect(Integer maxWidth, const String& hint, void* data);
    void ReleaseHandle();
    bool IsHintShowing() const;
    bool IsTopLevel() const override { return true; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
};

// The short hint: the text before "|" (all of it without one).
String GetShortHint(const String& hint);
// The long hint: the text after "|" (all of it without one).
String GetLongHint(const String& hint);

// Handles a message the loop retrieved (mouse moves start hints, presses and keys cancel them).
// Always lets the message go on.
void HintMessageFilter(const MSG& msg);
// The mouse is over control (null: over none of ours) at a screen point.
void HintMouseMessage(TControl* control, POINT screenPos);
// Hides the hint and forgets the control it was for.
void CancelApplicationHint();
// The hint window of the application's hint handling (null before the first hint).
THintWindow* GetApplicationHintWindow();
// The control the pending or shown hint is for.
TControl* GetApplicationHintControl();
// Installs (and removes) the WH_GETMESSAGE hook on the calling thread that feeds
// HintMessageFilter. Installing twice keeps one hook.
void InstallHintHook();
void RemoveHintHook();
