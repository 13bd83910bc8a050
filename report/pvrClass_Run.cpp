// The report's run: preparing into the page store, showing, progress, and the host and script
// events around every printed object.
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "report/pvrEngine.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrProgress.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"
#include "script/kq_iinterpreter.h"

namespace {

TpvrCustomPreview* AttachedPreview(TpvrReport* report) {
    return dynamic_cast<TpvrCustomPreview*>(report->Preview);
}

bool CallerThreadSet(TpvrReport* report) { return report->GetEngineOptions()->CallerThread != nullptr; }

// A progress window is shown for printing and exporting, and for a preparation only with the
// old-style progress (the preview shows a preparation otherwise).
bool ShowsProgressWindow(TpvrReport* report, Integer kind) {
    return (report->OldStyleProgress || kind != 0) && report->ShowProgress;
}

} // namespace

// ---- Progress ----------------------------------------------------------------------------------

void TpvrReport::DoProgressStart(Integer kind) {
    if (CallerThreadSet(this)) return;
    if (OnProgressStart.Assigned()) OnProgressStart(this, kind, 0);
    if (ShowsProgressWindow(this, kind)) {
        delete ProgressForm;
        ProgressForm = nullptr;
        auto* progress = new TpvrProgress(nullptr);
        ProgressForm = progress;
        const Integer pages = kind == 0 ? 0 : GetPreviewPages()->GetCount();
        progress->Execute(pages, "", kind != 0, true);
    }
    if (kind == 0)
        if (TpvrCustomPreview* preview = AttachedPreview(this)) preview->PreparationStarted();
    Application->ProcessMessages();
}

void TpvrReport::DoProgress(Integer kind, Integer pageNumber) {
    if (CallerThreadSet(this)) return;
    if (OnProgress.Assigned()) OnProgress(this, kind, pageNumber);
    if (ShowsProgressWindow(this, kind))
        if (auto* progress = dynamic_cast<TpvrProgress*>(ProgressForm)) {
            const char* key = kind == 1                     ? "prExporting"
                              : kind == 2                   ? "prPrinting"
                              : Engine && Engine->FinalPass ? "prRunning"
                                                            : "prRunningFirst";
            progress->SetMessage(Format(GetResources()->Get(key), {pageNumber}));
            if (kind != 0) progress->SetPosition(pageNumber);
            if (progress->GetTerminated()) SetTerminated(true);
        }
    if (kind == 0)
        if (TpvrCustomPreview* preview = AttachedPreview(this)) preview->PreparationProgress(pageNumber - 1);
    Application->ProcessMessages();
}

void TpvrReport::DoProgressStop(Integer kind) {
    if (CallerThreadSet(this)) return;
    if (OnProgressStop.Assigned()) OnProgressStop(this, kind, 0);
    if (ShowsProgressWindow(this, kind)) {
        delete ProgressForm;
        ProgressForm = nullptr;
    }
    if (kind == 0)
        if (TpvrCustomPreview* preview = AttachedPreview(this)) preview->PreparationStopped();
    Application->ProcessMessages();
}

void TpvrReport::SetProgressMessage(const String& text) {
    if (CallerThreadSet(this)) return;
    if (OldStyleProgress && ShowProgress && Engine && Engine->Running)
        if (auto* progress = dynamic_cast<TpvrProgress*>(ProgressForm)) progress->SetMessage(text);
    if (auto* form = dynamic_cast<TpvrPreviewForm*>(PreviewForm)) form->SetStatusText(text);
    Application->ProcessMessages();
}

// ---- Events ------------------------------------------------------------------------------------

void TpvrReport::RunScriptEvent(TObject* sender, const String& procName, bool force) {
    if (procName.empty() || !(force || (Engine && Engine->Running))) return;
    GetScript()->CallFunction(procName, VarArrayOf({ObjectToVariant(sender)}));
}

void TpvrReport::RunScriptEventArgs(const String& procName, Variant& args, bool force) {
    if (procName.empty() || !(force || (Engine && Engine->Running))) return;
    GetScript()->CallFunctionVar(procName, args);
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

void TpvrReport::FirePreviewClick(TpvrComponent* view, TMouseButton button, TShiftState shift,
                                  bool& modified) {
    if (auto* printable = dynamic_cast<TpvrReportComponent*>(view)) {
        Variant args = VarArrayOf({ObjectToVariant(view), Variant(Integer(button)),
                                   Variant(Integer(shift.Mask())), Variant(modified)});
        RunScriptEventArgs(printable->OnPreviewClick, args, true);
        modified = VarArrayGet(args, {3}).AsBoolean();
    }
    if (OnClickObject.Assigned()) OnClickObject(view, button, shift, modified);
}

// ---- Preparing ---------------------------------------------------------------------------------

TpvrCustomPreviewPages* TpvrReport::GetPreviewPages() {
    if (!FPreviewPages) {
        auto pages = std::make_unique<TpvrPreviewPages>(this);
        FEngine = std::make_unique<TpvrEngine>(this);
        FEngine->PreviewPages = pages.get();
        pages->Engine = FEngine.get();
        Engine = FEngine.get();
        FPreviewPages = std::move(pages);
    }
    return static_cast<TpvrCustomPreviewPages*>(FPreviewPages.get());
}

bool TpvrReport::PrepareReport(bool clearLastReport) {
    TpvrCustomPreviewPages* pages = GetPreviewPages();
    if (clearLastReport) pages->Clear();
    FErrors->Clear();
    SetTerminated(false);
    bool result = false;

    for (Integer i = 0; i < FDataSets->GetCount(); ++i) {
        TpvrDataSetItem* item = FDataSets->Items(i);
        if (item->GetDataSet() == nullptr)
            FErrors->Add(Format(GetResources()->Get("clDSNotExist"), {item->GetDataSetName()}));
    }
    if (FErrors->GetCount() == 0) {
        std::unique_ptr<TMemoryStream> snapshot;
        if (FEngineOptions->ReloadAfterRun) {
            snapshot = std::make_unique<TMemoryStream>();
            SaveToStream(snapshot.get(), true, false);
        }
        try {
            if (OnBeginDoc.Assigned()) OnBeginDoc(this);
            if (SetupScript()) {
                if (FScript->RootStatement && FScript->RootStatement->Count() > 0) FScript->Execute();
                if (Engine->Run()) {
                    if (OnEndDoc.Assigned()) OnEndDoc(this);
                    result = true;
                } else if (PreviewForm) {
                    if (auto* form = dynamic_cast<TCustomForm*>(PreviewForm)) form->Close();
                }
            }
        } catch (const Exception& e) {
            FErrors->Add(e.Message);
        }
        if (snapshot && !FEngineOptions->CallerThread) {
            const String errors = FErrors->GetText();
            ReloadingAfterRun = true;
            try {
                snapshot->SetPosition(0);
                LoadFromStream(snapshot.get());
            } catch (...) {
                ReloadingAfterRun = false;
                FErrors->SetText(errors);
                throw;
            }
            ReloadingAfterRun = false;
            FErrors->SetText(errors);
        }
    }
    if (FErrors->GetCount() > 0) {
        result = false;
        ReportError(this, GetResources()->Get("clErrors") + "\n" + FErrors->GetText());
    }
    return result;
}

void TpvrReport::RunTimerTick(TObject*) {
    FTimer->SetEnabled(false);
    PrepareReport(false);
}

void TpvrReport::ShowReport(bool clearLastReport) {
    TpvrCustomPreviewPages* pages = GetPreviewPages();
    if (clearLastReport) pages->Clear();
    if (!OldStyleProgress) {
        FTimer->SetOnTimer(MakeEvent(this, &TpvrReport::RunTimerTick));
        FTimer->SetEnabled(true);
    } else if (!PrepareReport(false)) {
        return;
    }
    ShowPreparedReport();
}

void TpvrReport::ShowPreparedReport() {
    PreviewForm = nullptr;
    if (TpvrCustomPreview* preview = AttachedPreview(this)) {
        preview->Report = this;
        preview->PreviewPages = GetPreviewPages();
        preview->Init();
        return;
    }
    // The window is the application's; a modal one is freed here once closed, a modeless one
    // frees itself when closed.
    auto* form = new TpvrPreviewForm(Application);
    PreviewForm = form;
    TpvrPreview* preview = form->GetPreview();
    preview->Report = this;
    preview->PreviewPages = GetPreviewPages();
    Preview = preview;
    preview->FreeNotification(this);
    form->Init();
    if (FPreviewOptions->Maximized) form->SetPosition(poDesigned);
    // A document of the main window cannot be modal: it is shown like a modeless window.
    if (FPreviewOptions->Modal && form->GetFormStyle() != fsMDIChild) {
        TLivenessToken alive = form->LivenessToken();
        try {
            form->ShowModal();
        } catch (...) {
            if (alive) delete form;
            throw;
        }
        if (alive) delete form;
    } else {
        form->FreeOnClose = true;
        form->Show();
    }
}
