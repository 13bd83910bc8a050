#include "script/kq_idialogsrtti.h"

#include "platform/classlib/Dialogs.h"
#include "platform/classlib/InputDlg.h"
#include "platform/classlib/MsgDlg.h"
#include "platform/runtime/Exceptions.h"
#include "script/kq_iclassesrtti.h"

namespace {

String StrArg(TkqMethodHelper* caller, Integer i) { return VarToStr(caller->GetParam(i)); }

} // namespace

TkqDialogsRTTIFunctions::TkqDialogsRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    s->AddEnumSet("TOpenOptions",
                  "ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
                  "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, "
                  "ofCreatePrompt,ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, "
                  "ofNoNetworkButton,ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, "
                  "ofEnableIncludeNotify,ofEnableSizing");
    s->AddEnum("TFileEditStyle", "fsEdit, fsComboBox");
    s->AddEnumSet("TColorDialogOptions",
                  "cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor");
    s->AddEnumSet("TFontDialogOptions",
                  "fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
                  "fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, "
                  "fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton");
    s->AddEnum("TFontDialogDevice", "fdScreen, fdPrinter, fdBoth");
    s->AddEnum("TPrintRange", "prAllPages, prSelection, prPageNums");
    s->AddEnumSet("TPrintDialogOptions",
                  "poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile");
    s->AddEnum("TMsgDlgType", "mtWarning, mtError, mtInformation, mtConfirmation, mtCustom");
    s->AddEnumSet("TMsgDlgButtons",
                  "mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, "
                  "mbHelp");

    const TkqModuleCallback call(this, &TkqDialogsRTTIFunctions::CallMethod);
    TkqClassVariable* c = s->AddClass(TCommonDialog::StaticClass(), "TComponent");
    c->AddMethod("function Execute: Boolean", call);
    for (TClass cls :
         {TOpenDialog::StaticClass(), TSaveDialog::StaticClass(), TColorDialog::StaticClass(),
          TFontDialog::StaticClass(), TPrintDialog::StaticClass(), TPrinterSetupDialog::StaticClass()})
        s->AddClass(cls, "TCommonDialog");

    s->AddMethod("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; "
                 "HelpCtx: Longint): Integer",
                 call, "ctOther");
    s->AddMethod("function InputBox(ACaption, APrompt, ADefault: string): string", call, "ctOther");
    s->AddMethod("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean", call,
                 "ctOther");
}

Variant TkqDialogsRTTIFunctions::CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName,
                                            TkqMethodHelper* Caller) {
    const String& name = MethodName;
    if (ClassRef == TCommonDialog::StaticClass()) {
        if (name == "EXECUTE")
            return static_cast<TCommonDialog*>(CheckedInstance(Instance, ClassRef))->Execute();
    } else if (ClassRef == nullptr) {
        if (name == "MESSAGEDLG") {
            const Integer type = Caller->GetParam(1).AsInteger();
            if (type < Integer(mtWarning) || type > Integer(mtCustom)) throw ERangeError("Range check error");
            const auto buttons = TMsgDlgButtons::FromMask(UInt64(Caller->GetParam(2).AsInt64()));
            return MessageDlg(StrArg(Caller, 0), TMsgDlgType(type), buttons, Caller->GetParam(3).AsInteger());
        }
        if (name == "INPUTBOX") return InputBox(StrArg(Caller, 0), StrArg(Caller, 1), StrArg(Caller, 2));
        if (name == "INPUTQUERY") {
            String value = StrArg(Caller, 2);
            const bool ok = InputQuery(StrArg(Caller, 0), StrArg(Caller, 1), value);
            Caller->SetParam(2, value);
            return ok;
        }
    }
    return 0;
}

void RegisterDialogsRTTI() {
    static bool listed = false;
    ListRTTIModuleClass(listed, [](TkqScript* script) -> TkqRTTIModule* { return new TkqDialogsRTTIFunctions(script); });
}
