#include "report/pvrPrintDialog.h"

#include <vector>

#include "platform/runtime/Files.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Print.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinEdit.h"
#include "report/pvrPrinter.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"

namespace {

template <typename T> T* Find(TComponent* owner, const char* name) {
    return dynamic_cast<T*>(owner->FindComponent(name));
}

// True when the named printer's driver writes PDF files: what it prints into a file is a PDF
// document, not printer data.
bool WritesPdf(const String& printerName) {
    DWORD needed = 0, returned = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(flags, nullptr, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(flags, nullptr, 1, buffer.data(), needed, &needed, &returned)) return false;
    const auto* entries = reinterpret_cast<const PRINTER_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        if (!entries[i].pName || printerName != entries[i].pName || !entries[i].pDescription) continue;
        // "name,driver,location"
        const String description = entries[i].pDescription;
        if (description.compare(0, printerName.size() + 1, printerName + ",") != 0) return false;
        const String rest = description.substr(printerName.size() + 1);
        return rest.substr(0, rest.find(',')) == "PDF";
    }
    return false;
}

// The pictures are drawn on a fuchsia ground, which DrawTransparentBitmap leaves out.
constexpr TColor kClear = clFuchsia;

TBitmap* CleanBitmap(TImage* image, Integer width, Integer height) {
    TBitmap* bitmap = image->GetPicture()->GetBitmap();
    bitmap->SetSize(width, height);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(kClear);
    canvas->FillRect(TRect(0, 0, width, height));
    bitmap->SetTransparentColor(kClear);
    bitmap->SetTransparent(true);
    return bitmap;
}

// A printer seen from the front: the body, its paper slot and a sheet coming out.
void DrawPrinter(TImage* image) {
    if (!image) return;
    TCanvas* canvas = CleanBitmap(image, 16, 16)->GetCanvas();
    canvas->GetPen()->SetColor(clBlack);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->Rectangle(TRect(4, 1, 12, 7));
    canvas->GetBrush()->SetColor(clSilver);
    canvas->Rectangle(TRect(1, 6, 15, 13));
    canvas->GetBrush()->SetColor(clGray);
    canvas->FillRect(TRect(3, 8, 13, 9));
    canvas->GetBrush()->SetColor(clLime);
    canvas->FillRect(TRect(12, 10, 14, 11));
    canvas->GetBrush()->SetColor(clWhite);
    canvas->Rectangle(TRect(4, 11, 12, 15));
}

// One sheet with its page number, at x, y (sheets are 18 × 24, each stack shifted by 4).
void DrawSheet(TCanvas* canvas, Integer x, Integer y, Integer number) {
    canvas->GetPen()->SetColor(clBlack);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->Rectangle(TRect(x, y, x + 18, y + 24));
    canvas->GetFont()->SetName("Tahoma");
    canvas->GetFont()->SetHeight(-9);
    canvas->GetFont()->SetColor(clBlack);
    canvas->GetBrush()->SetStyle(bsClear);
    canvas->TextOut(x + 6, y + 12, IntToStr(number));
    canvas->GetBrush()->SetStyle(bsSolid);
}

// Collated: two stacks 3-2-1; uncollated: three stacks of the same page twice.
void DrawCopies(TImage* image, bool collated) {
    if (!image) return;
    TCanvas* canvas = CleanBitmap(image, 100, 42)->GetCanvas();
    if (collated) {
        for (Integer stack = 0; stack < 2; ++stack)
            for (Integer sheet = 0; sheet < 3; ++sheet)
                DrawSheet(canvas, stack * 48 + sheet * 6, 12 - sheet * 6, 3 - sheet);
    } else {
        for (Integer stack = 0; stack < 3; ++stack)
            for (Integer sheet = 0; sheet < 2; ++sheet)
                DrawSheet(canvas, stack * 32 + sheet * 6, 12 - sheet * 6, 3 - stack);
    }
}

} // namespace

TpvrPrintDialog::TpvrPrintDialog(TComponent* owner) : TForm(owner) { AfterConstruction(); }

void TpvrPrintDialog::FormCreate(TObject*) {
    Label12 = Find<TGroupBox>(this, "Label12");
    PrintersCB = Find<TComboBox>(this, "PrintersCB");
    PropButton = Find<TButton>(this, "PropButton");
    TypeL = Find<TLabel>(this, "TypeL");
    WhereL = Find<TLabel>(this, "WhereL");
    TypeL1 = Find<TLabel>(this, "TypeL1");
    WhereL1 = Find<TLabel>(this, "WhereL1");
    FileCB = Find<TCheckBox>(this, "FileCB");
    ReverseCB = Find<TCheckBox>(this, "ReverseCB");
    Label1 = Find<TGroupBox>(this, "Label1");
    AllRB = Find<TRadioButton>(this, "AllRB");
    CurPageRB = Find<TRadioButton>(this, "CurPageRB");
    PageNumbersRB = Find<TRadioButton>(this, "PageNumbersRB");
    PageNumbersE = Find<TEdit>(this, "PageNumbersE");
    DescrL = Find<TLabel>(this, "DescrL");
    Label2 = Find<TGroupBox>(this, "Label2");
    CopiesL = Find<TLabel>(this, "CopiesL");
    CopiesE = Find<TEdit>(this, "CopiesE");
    UpDown1 = Find<TUpDown>(this, "UpDown1");
    CollateCB = Find<TCheckBox>(this, "CollateCB");
    CollateL = Find<TLabel>(this, "CollateL");
    CopiesPB = Find<TPaintBox>(this, "CopiesPB");
    CollateImg = Find<TImage>(this, "CollateImg");
    NonCollateImg = Find<TImage>(this, "NonCollateImg");
    PrintL = Find<TLabel>(this, "PrintL");
    PrintPagesCB = Find<TComboBox>(this, "PrintPagesCB");
    OkB = Find<TButton>(this, "OkB");
    CancelB = Find<TButton>(this, "CancelB");
    PrinterImg = Find<TImage>(this, "PrinterImg");
    FileDlg = Find<TSaveDialog>(this, "FileDlg");

    TpvrResources* res = GetResources();
    SetCaption(res->GetNumbered(200));
    const auto caption = [res](auto* control, Integer id) {
        if (control) control->SetCaption(res->GetNumbered(id));
    };
    caption(Label12, 201);
    caption(DescrL, 9);
    caption(Label1, 202);
    caption(CopiesL, 203);
    caption(CollateL, 204);
    caption(Label2, 205);
    caption(PrintL, 206);
    caption(TypeL, 207);
    caption(WhereL, 208);
    caption(OkB, 1);
    caption(CancelB, 2);
    caption(PropButton, 209);
    caption(AllRB, 3);
    caption(CurPageRB, 4);
    caption(PageNumbersRB, 5);
    caption(FileCB, 210);
    caption(ReverseCB, 211);
    if (PrintPagesCB) {
        TStrings* items = PrintPagesCB->GetItems();
        items->Clear();
        items->Add(res->Get("ppAll"));
        items->Add(res->Get("ppOdd"));
        items->Add(res->Get("ppEven"));
        PrintPagesCB->SetItemIndex(0);
    }
    if (CopiesE) {
        HWND edit = CopiesE->GetHandle();
        SetWindowLongA(edit, GWL_STYLE, GetWindowLongA(edit, GWL_STYLE) | ES_NUMBER);
    }
    if (PrintersCB && Screen->GetPixelsPerInch() > 96) PrintersCB->SetItemHeight(19);
    DrawPrinter(PrinterImg);
    DrawCopies(CollateImg, true);
    DrawCopies(NonCollateImg, false);
}

void TpvrPrintDialog::FormShow(TObject*) {
    TpvrPrinters* printers = GetReportPrinters();
    if (PrintersCB) {
        PrintersCB->GetItems()->Assign(printers->GetPrinters());
        PrintersCB->SetItemIndex(printers->GetCurrentPrinterIndex());
        PrintersCBClick(nullptr);
    }
    OldIndex = printers->GetCurrentPrinterIndex();
    if (CopiesPB) CopiesPB->Invalidate();
    if (PrintPagesCB && PrintL) PrintPagesCB->SetLeft(PrintL->GetLeft() + PrintL->GetWidth() + 11);
}

void TpvrPrintDialog::FormHide(TObject*) {
    TpvrPrinters* printers = GetReportPrinters();
    if (GetModalResult() == mrOk) {
        TpvrCustomPrinter* printer = printers->CurrentPrinter();
        if (printer) printer->SetFileName("");
        if (FileCB && FileCB->GetChecked()) {
            // A printer that writes PDF files prints into a ".pdf" file, every other one into ".prn".
            const bool pdf = printer && WritesPdf(printer->GetName());
            const String filter = FileDlg ? FileDlg->GetFilter() : String();
            if (FileDlg && pdf) FileDlg->SetFilter("PDF files (*.pdf)|*.pdf");
            const bool chosen = FileDlg && FileDlg->Execute();
            if (FileDlg) FileDlg->SetFilter(filter);
            if (chosen) {
                if (printer) printer->SetFileName(ChangeFileExt(FileDlg->GetFileName(), pdf ? ".pdf" : ".prn"));
            } else {
                SetModalResult(mrCancel);
            }
        }
    } else {
        printers->SetCurrentPrinterIndex(OldIndex);
    }
}

void TpvrPrintDialog::FormKeyDown(TObject*, Word& key, TShiftState) {
    if (key == VK_F1) GetResources()->Help(this);
}

void TpvrPrintDialog::PrintersCBDrawItem(TWinControl* control, Integer index, TRect rect, TOwnerDrawState) {
    auto* combo = dynamic_cast<TComboBox*>(control);
    if (!combo) return;
    TCanvas* canvas = combo->GetCanvas();
    canvas->FillRect(rect);
    if (PrinterImg)
        DrawTransparentBitmap(canvas, rect.left + 2, rect.top, PrinterImg->GetPicture()->GetBitmap());
    if (index >= 0 && index < combo->GetItems()->GetCount())
        canvas->TextOut(rect.left + 24, rect.top + 1, combo->GetItems()->GetStrings(index));
}

void TpvrPrintDialog::PrintersCBClick(TObject*) {
    if (!PrintersCB) return;
    TpvrPrinters* printers = GetReportPrinters();
    printers->SetCurrentPrinterIndex(PrintersCB->GetItemIndex());
    TpvrCustomPrinter* printer = printers->CurrentPrinter();
    if (!printer) return;
    if (TypeL1) TypeL1->SetCaption(printer->GetName());
    if (WhereL1) WhereL1->SetCaption(printer->GetPort());
}

void TpvrPrintDialog::PropButtonClick(TObject*) {
    if (TpvrCustomPrinter* printer = GetReportPrinters()->CurrentPrinter()) printer->ShowPropertiesDialog();
}

void TpvrPrintDialog::PageNumbersEEnter(TObject*) {
    if (PageNumbersRB) PageNumbersRB->SetChecked(true);
}

void TpvrPrintDialog::PageNumbersRBClick(TObject*) {
    if (GetVisible() && PageNumbersE && PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
}

void TpvrPrintDialog::CollateLClick(TObject*) {
    if (CollateCB) CollateCB->SetChecked(!CollateCB->GetChecked());
}

void TpvrPrintDialog::CollateCBClick(TObject*) { CopiesPBPaint(nullptr); }

void TpvrPrintDialog::CopiesPBPaint(TObject*) {
    if (!CopiesPB) return;
    TCanvas* canvas = CopiesPB->GetCanvas();
    canvas->GetBrush()->SetColor(clWindow);
    canvas->FillRect(TRect(0, 0, CopiesPB->GetWidth(), CopiesPB->GetHeight()));
    TImage* image = CollateCB && CollateCB->GetChecked() ? CollateImg : NonCollateImg;
    if (image) DrawTransparentBitmap(canvas, 0, 0, image->GetPicture()->GetBitmap());
}

KOV_PUBLISHED(TpvrPrintDialog) {
    Method("FormCreate", &TpvrPrintDialog::FormCreate);
    Method("FormShow", &TpvrPrintDialog::FormShow);
    Method("FormHide", &TpvrPrintDialog::FormHide);
    Method("FormKeyDown", &TpvrPrintDialog::FormKeyDown);
    Method("PrintersCBDrawItem", &TpvrPrintDialog::PrintersCBDrawItem);
    Method("PrintersCBClick", &TpvrPrintDialog::PrintersCBClick);
    Method("PropButtonClick", &TpvrPrintDialog::PropButtonClick);
    Method("PageNumbersEEnter", &TpvrPrintDialog::PageNumbersEEnter);
    Method("PageNumbersRBClick", &TpvrPrintDialog::PageNumbersRBClick);
    Method("CollateLClick", &TpvrPrintDialog::CollateLClick);
    Method("CollateCBClick", &TpvrPrintDialog::CollateCBClick);
    Method("CopiesPBPaint", &TpvrPrintDialog::CopiesPBPaint);
}

namespace {
const bool kPrintDialogRegistered = [] {
    RegisterClasses({TpvrPrintDialog::StaticClass()});
    return true;
}();
} // namespace
