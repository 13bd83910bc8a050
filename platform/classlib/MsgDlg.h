// Message dialogs: a form with an icon, the text and a row of buttons, shown modally.
//
// MessageDlg goes through the platform prompt service (PlatformMessageBox), so a test's
// TScopedPromptScript records and answers it: a button set of the message-box kinds (OK;
// OK, Cancel; Yes, No; Yes, No, Cancel; Abort, Retry, Ignore; Retry, Cancel) is asked with those
// flags; any other set is asked with the largest such set it contains (OK when none) and
// answered with the scripted button. Without a script the dialog of CreateMessageDialog shows.
#pragma once

#include "platform/classlib/Forms.h"
#include "platform/runtime/Sets.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
// mbYes is 1, mbNo 2, ... mbHelp 1024 as a number.
using TMsgDlgButtons = TSet<TMsgDlgBtn, mbHelp>;

inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline const TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// The dialog, not shown: captioned "Warning", "Error", "Information", "Confirm" (the
// application's title for mtCustom), holding a TImage "Image" with the icon of the type (none
// for mtCustom), a TLabel "Message" and a TButton per button, named after it ("Yes", "OK",
// "NoToAll", ...), in the order of TMsgDlgBtn, with its ModalResult. OK (else Yes) is the default
// button; Cancel (else No, else OK) the cancel button. The caller frees the form.
TForm* CreateMessageDialog(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons);
// Shows the dialog modally and returns the ModalResult of the button chosen (mrCancel when it
// is closed otherwise).
Integer MessageDlg(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer helpCtx);
// At a screen position (-1: centred on the screen).
Integer MessageDlgPos(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer helpCtx, Integer x,
                      Integer y);
// The text with an OK button, captioned with the application's title.
void ShowMessage(const String& msg);

// The message-box flags a button set is asked with (buttons, icon and default button), and
// whether the set is exactly one of the message-box kinds.
UINT MessageDlgFlags(TMsgDlgType dlgType, TMsgDlgButtons buttons, bool* exact = nullptr);
