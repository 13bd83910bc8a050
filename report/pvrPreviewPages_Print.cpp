// Printing and exporting the prepared pages: the pages chosen by number, parity and order, in
// copies collated or not, drawn on the current printer; or handed object by object to an export
// filter.
#include <cmath>
#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "report/pvrExportFilter.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"

namespace {

constexpr Integer kProgressExport = 1;
constexpr Integer kProgressPrint = 2;

TpvrCustomPreview* AttachedPreview(TpvrReport* report) {
    return report ? dynamic_cast<TpvrCustomPreview*>(report->Preview) : nullptr;
}

// The page a "current page" choice prints: the one the preview shows, else the first.
String CurrentPageNumber(TpvrCustomPreviewPages* pages) {
    if (AttachedPreview(pages->Report) && pages->PreviewPage > 0) return IntToStr(pages->PreviewPage);
    return "1";
}

// What a print call takes from the options and the dialog, and where it has got to.
struct TPrintJobState {
    Integer Copies = 1;
    bool Collate = true;
    String PageNumbers;
    TpvrPrintPages PrintPages = ppAll;
    bool Reverse = false;
    std::unique_ptr<TStringList> Selection = std::make_unique<TStringList>();
    // Page numbers were given but name no page ("4-2"): nothing prints, rather than everything.
    bool NoneSelected = false;
    bool DocBegun = false;
    Integer PrintedInPass = 0;
    // The settings of the page printed last.
    Integer Paper = 0;
    Integer Width = 0;
    Integer Height = 0;
    Integer Bin = 0;
    TPrinterOrientation Orientation = poPortrait;
    TpvrDuplexMode Duplex = dmNone;
};

// The text with its first "[TotalPages#]" (any case) replaced by the page count.
WideString WithTotalPages(const WideString& text, Integer count) {
    WideString lower = text;
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    const std::size_t pos = lower.find(u"[totalpages#]");
    if (pos == WideString::npos) return text;
    WideString result = text;
    result.replace(pos, 13, StringToWide(IntToStr(count)));
    return result;
}

// True when the text holds anything besides blanks: it asks for certain pages.
bool NamesPages(const String& text) { return text.find_first_not_of(" \t") != String::npos; }

bool Selected(const TStringList* selection, Integer index) {
    return selection->GetCount() == 0 || selection->IndexOf(IntToStr(index + 1)) >= 0;
}

} // namespace

void TpvrReport::SelectPrinter() {
    TpvrPrinters* printers = GetReportPrinters();
    const Integer index = printers->IndexOf(GetPrintOptions()->Printer);
    if (index >= 0) printers->SetCurrentPrinterIndex(index);
}

bool TpvrReport::Print() { return GetPreviewPages()->Print(); }

bool TpvrPreviewPages::Print() {
    TpvrPrintOptions* options = Report->GetPrintOptions();
    TPrintJobState job;
    job.Copies = options->Copies;
    job.Collate = options->Collate;
    job.PageNumbers = options->PageNumbers;
    job.PrintPages = options->PrintPages;
    job.Reverse = options->Reverse;
    Report->SelectPrinter();

    // Without a printer of the machine there is nothing that could print.
    if (!GetReportPrinters()->GetHasInstalledPrinters()) {
        ReportError(Report, GetResources()->Get("clNoPrinters"));
        return false;
    }

    if (options->ShowDialog) {
        std::unique_ptr<TpvrPrintDialog> dialog(new TpvrPrintDialog(Application));
        if (dialog->UpDown1) dialog->UpDown1->SetPosition(SmallInt(job.Copies));
        if (dialog->CopiesE) dialog->CopiesE->SetText(IntToStr(job.Copies));
        if (dialog->CollateCB) dialog->CollateCB->SetChecked(job.Collate);
        if (dialog->PageNumbersE) dialog->PageNumbersE->SetText(job.PageNumbers);
        if (!job.PageNumbers.empty() && dialog->PageNumbersRB) dialog->PageNumbersRB->SetChecked(true);
        if (dialog->PrintPagesCB) dialog->PrintPagesCB->SetItemIndex(Integer(job.PrintPages));
        if (dialog->ReverseCB) dialog->ReverseCB->SetChecked(job.Reverse);
        // A cancelled file choice turns the result to Cancel while the dialog hides.
        if (dialog->ShowModal() != mrOk || dialog->GetModalResult() != mrOk) return false;
        job.Copies = StrToInt(dialog->CopiesE->GetText());
        job.Collate = dialog->CollateCB->GetChecked();
        if (dialog->AllRB->GetChecked())
            job.PageNumbers = "";
        else if (dialog->CurPageRB->GetChecked())
            job.PageNumbers = CurrentPageNumber(this);
        else
            job.PageNumbers = dialog->PageNumbersE->GetText();
        job.PrintPages = TpvrPrintPages(std::max(0, dialog->PrintPagesCB->GetItemIndex()));
        job.Reverse = dialog->ReverseCB->GetChecked();
    }

    if (Report->OnPrintReport.Assigned()) Report->OnPrintReport(Report);
    TpvrCustomPreview* preview = AttachedPreview(Report);
    if (preview) preview->Lock();
    try {
        ParsePageRange(job.PageNumbers, job.Selection.get(), GetCount());
        job.NoneSelected = job.Selection->GetCount() == 0 && NamesPages(job.PageNumbers);
        if (!job.NoneSelected) PrintDocument(&job);
    } catch (...) {
        if (preview) preview->Unlock();
        if (Report->OnAfterPrintReport.Assigned()) Report->OnAfterPrintReport(Report);
        throw;
    }
    if (preview) preview->Unlock();
    if (Report->OnAfterPrintReport.Assigned()) Report->OnAfterPrintReport(Report);
    return true;
}

void TpvrPreviewPages::PrintDocument(void* state) {
    auto& job = *static_cast<TPrintJobState*>(state);
    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    Report->SetTerminated(false);
    Report->DoProgressStart(kProgressPrint);
    const String name = Report->GetReportOptions()->Name;
    printer->SetTitle(name.empty() ? Report->FileName : name);
    if (job.Copies < 1) job.Copies = 1;
    job.DocBegun = false;
    job.Duplex = dmNone;
    try {
        if (job.Collate) {
            for (Integer copy = 0; copy < job.Copies; ++copy) {
                PrintAllPages(&job);
                if (Report->Terminated) break;
                if ((job.Duplex == dmVertical || job.Duplex == dmHorizontal) && job.PrintedInPass % 2 == 1) {
                    printer->BeginPage();
                    printer->EndPage();
                }
            }
        } else {
            PrintAllPages(&job);
        }
        if (job.DocBegun && printer->GetPrinting()) printer->EndDoc();
    } catch (...) {
        // A document left open would keep the printer busy and its file half written.
        if (printer->GetPrinting()) printer->Abort();
        Report->DoProgressStop(kProgressPrint);
        throw;
    }
    Report->DoProgressStop(kProgressPrint);
}

void TpvrPreviewPages::PrintAllPages(void* state) {
    auto& job = *static_cast<TPrintJobState*>(state);
    job.PrintedInPass = 0;
    const Integer count = GetCount();
    for (Integer i = 0; i < count; ++i)
        if (!PrintOnePage(state, job.Reverse ? count - 1 - i : i)) break;
}

bool TpvrPreviewPages::PrintOnePage(void* state, Integer index) {
    auto& job = *static_cast<TPrintJobState*>(state);
    if (index >= GetCount()) return true;
    if (!Selected(job.Selection.get(), index)) return true;
    if (job.PrintPages == ppOdd && (index + 1) % 2 == 0) return true;
    if (job.PrintPages == ppEven && (index + 1) % 2 == 1) return true;
    TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter();
    if (Report->Terminated) {
        if (printer->GetPrinting()) printer->Abort();
        return false;
    }
    TpvrReportPage* page = GetPage(index);
    if (!page) return true;
    const Integer bin = index == 0 ? page->Bin : page->BinOtherPages;
    const Integer width = Integer(Round(page->GetPaperWidth()));
    const Integer height = Integer(Round(page->GetPaperHeight()));
    const bool same = job.DocBegun && page->GetPaperSize() == job.Paper && width == job.Width &&
                      height == job.Height && bin == job.Bin && page->GetOrientation() == job.Orientation &&
                      page->Duplex == job.Duplex;
    if (!same)
        printer->ApplyPrintSettings(page->GetPaperSize(), page->GetPaperWidth(), page->GetPaperHeight(),
                                    page->GetOrientation(), bin, Integer(page->Duplex) + 1);
    if (!job.DocBegun) printer->BeginDoc();
    job.DocBegun = true;
    const Integer times = job.Collate ? 1 : job.Copies;
    for (Integer i = 0; i < times; ++i) {
        printer->BeginPage();
        const TPoint dpi = printer->GetDPI();
        DrawPage(index, printer->GetCanvas(), dpi.x / 96.0L, dpi.y / 96.0L,
                 -printer->GetLeftMargin() * dpi.x / 25.4L, -printer->GetTopMargin() * dpi.y / 25.4L);
        Report->DoProgress(kProgressPrint, index + 1);
        printer->EndPage();
        Application->ProcessMessages();
        if (Report->Terminated) break;
    }
    job.PrintedInPass += 1;
    job.Paper = page->GetPaperSize();
    job.Width = width;
    job.Height = height;
    job.Bin = bin;
    job.Orientation = page->GetOrientation();
    job.Duplex = page->Duplex;
    ClearCache();
    return true;
}

bool TpvrPreviewPages::Export(TpvrCustomExportFilter* filter) {
    if (!filter) return false;
    filter->Report = Report;
    if (filter->ShowDialog && filter->ShowModal() != mrOk) return false;
    if (filter->CurPage) filter->PageNumbers = CurrentPageNumber(this);
    Report->SetTerminated(false);
    auto selection = std::make_unique<TStringList>();
    bool result = true;
    try {
        ParsePageRange(filter->PageNumbers, selection.get(), GetCount());
        if (selection->GetCount() > 0 || !NamesPages(filter->PageNumbers))
            ExportAllPages(filter, selection.get());
    } catch (const Exception& e) {
        result = false;
        Report->GetErrors()->Add(e.Message);
        ReportError(Report, GetResources()->Get("clErrors") + "\n" + Report->GetErrors()->GetText());
    }
    return result;
}

void TpvrPreviewPages::ExportAllPages(TpvrCustomExportFilter* filter, TStringList* selection) {
    if (!filter->Start()) return;
    TpvrCustomPreview* preview = AttachedPreview(Report);
    if (preview) {
        preview->Invalidate();
        preview->Lock();
    }
    if (filter->ShowProgress) Report->DoProgressStart(kProgressExport);
    TBitmap scratch;
    scratch.SetSize(1, 1);
    const auto done = [&] {
        if (preview) {
            preview->Unlock();
            preview->Invalidate();
        }
        if (filter->ShowProgress) Report->DoProgressStop(kProgressExport);
        filter->Finish();
    };
    try {
        const Integer count = GetCount();
        for (Integer index = 0; index < count; ++index) {
            if (Selected(selection, index)) ExportOnePage(filter, index, scratch.GetCanvas());
            if (Report->Terminated) break;
            Application->ProcessMessages();
        }
    } catch (...) {
        done();
        throw;
    }
    done();
}

void TpvrPreviewPages::ExportOnePage(TpvrCustomExportFilter* filter, Integer index, TCanvas* scratch) {
    TpvrReportPage* page = GetPage(index);
    if (!page) return;
    if (filter->ShowProgress) Report->DoProgress(kProgressExport, index + 1);
    filter->StartPage(page, index);
    const Extended left = page->MirrorMargins && index % 2 == 1 ? page->RightMargin : page->LeftMargin;
    page->SetLeft(left * pvrMillimetre);
    page->SetTop(page->TopMargin * pvrMillimetre);
    {
        std::unique_ptr<TpvrPictureView> background(new TpvrPictureView(nullptr));
        background->SetName("_pagebackground");
        background->Color = page->GetColor();
        background->GetFrame()->Assign(page->GetFrame());
        background->SetPicture(page->GetBackPicture());
        background->Stretched = true;
        background->KeepAspectRatio = false;
        background->SetBounds(page->GetLeft(), page->GetTop(),
                              page->GetWidth() - (page->LeftMargin + page->RightMargin) * pvrMillimetre,
                              page->GetHeight() - (page->TopMargin + page->BottomMargin) * pvrMillimetre);
        filter->ExportObject(background.get());
    }
    const Integer count = GetCount();
    for (TpvrComponent* object : page->AllObjects()) {
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object)) {
            if (memo->GetHighlight()->Active) memo->SetFont(memo->GetHighlight()->GetFont());
            memo->TotalPages = count;
            const WideString text = memo->GetMemo()->GetText();
            const WideString replaced = WithTotalPages(text, count);
            if (replaced != text) memo->GetMemo()->SetText(replaced);
            if (memo->AutoWidth) memo->Draw(scratch, 1, 1, 0, 0);
        }
        filter->ExportObject(object);
    }
    filter->FinishPage(page, index);
    if (AttachedPreview(Report)) {
        page->SetLeft(0);
        page->SetTop(0);
    } else {
        ClearCache();
    }
}
