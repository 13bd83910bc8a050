// The report's run: preparing into the page store, showing, progress, and the host and script
// events around every printed object.
#include "platform/classlib/Forms.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "script/kq_iinterpreter.h"

namespace {

TpvrCustomPreview* AttachedPreview(TpvrReport* report) { return dynamic_cast<TpvrCustomPreview*>(report->Preview); }

bool CallerThreadSet(TpvrReport* report) { return report->GetEngineOptions()->CallerThread != nullptr; }

} // namespace

// ---- Progress ----------------------------------------------------------------------------------

void TpvrReport::DoProgressStart(Integer kind) {
    if (CallerThreadSet(this)) return;
    if (OnProgressStart.Assigned()) OnProgressStart(this, kind, 0);
    if (kind == 0)
        if (TpvrCustomPreview* preview = AttachedPreview(this)) preview->PreparationStarted();
    Application->ProcessMessages();
}

void TpvrReport::DoProgress(Integer kind, Integer pageNumber) {
    if (CallerThreadSet(this)) return;
    if (OnProgress.Assigned()) OnProgress(this, kind, pageNumber);
    if (kind == 0)
        if (TpvrCustomPreview* preview = AttachedPreview(this)) preview->PreparationProgress(pageNumber - 1);
    Application->ProcessMessages();
}

void TpvrReport::DoProgressStop(Integer kind) {
    if (CallerThreadSet(this)) return;
    if (OnProgressStop.Assigned()) OnProgressStop(this, kind, 0);
    if (kind == 0)
        if (TpvrCustomPreview* preview = AttachedPreview(this)) preview->PreparationStopped();
    Application->ProcessMessages();
}

void TpvrReport::SetProgressMessage(const String&) {
    if (CallerThreadSet(this)) return;
    Application->ProcessMessages();
}

// ---- Events ------------------------------------------------------------------------------------

void TpvrReport::RunScriptEvent(TObject* sender, const String& procName, bool force) {
    if (procName.empty() || !(force || (Engine && Engine->Running))) return;
    FScript->CallFunction(procName, VarArrayOf({ObjectToVariant(sender)}));
}

void TpvrReport::RunScriptEventArgs(const String& procName, Variant& args, bool force) {
    if (procName.empty() || !(force || (Engine && Engine->Running))) return;
    FScript->CallFunctionVar(procName, args);
}

void TpvrReport::FireBeforePrint(TpvrComponent* object) {
    if (OnBeforePrint.Assigned()) OnBeforePrint(object);
    if (auto* printable = dynamic_cast<TpvrReportComponent*>(object))
        RunScriptEvent(object, printable->OnBeforePrint);
}

void TpvrReport::FireAfterPrint(TpvrComponent* object) {
    if (OnAfterPrint.Assigned()) OnAfterPrint(object);
    if (auto* printable = dynamic_cast<TpvrReportComponent*>(object))
        RunScriptEvent(object, printable->OnAfterPrint);
}

void TpvrReport::FirePreviewClick(TpvrComponent* view, TMouseButton button, TShiftState shift, bool& modified) {
    if (auto* printable = dynamic_cast<TpvrReportComponent*>(view)) {
        Variant args = VarArrayOf({ObjectToVariant(view), Variant(Integer(button)), Variant(Integer(shift.Mask())),
                                   Variant(modified)});
        RunScriptEventArgs(printable->OnPreviewClick, args, true);
        modified = VarArrayGet(args, {3}).AsBoolean();
    }
    if (OnClickObject.Assigned()) OnClickObject(view, button, shift, modified);
}
