// Printing into PDF files with the PDF printer, and reading the files back with the poppler tools.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Clock.h"
#include "report/pvrClass.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"

namespace pdftest {

// What the command writes on its standard output.
inline std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// Whether every one of the programs is on the PATH.
inline bool Installed(std::initializer_list<const char*> programs) {
    for (const char* program : programs)
        if (Shell(std::string("command -v '") + program + "' >/dev/null 2>&1 && echo found") != "found\n")
            return false;
    return true;
}

// The text of each page of a PDF, blanks at either end removed, the pages joined by a space; an
// empty page is "-". Empty when there is no file.
inline std::string PageTexts(const std::string& file) {
    const std::string text = Shell("pdftotext '" + file + "' - 2>/dev/null");
    std::string result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
        std::string page = text.substr(start, end - start);
        const std::size_t first = page.find_first_not_of(" \n");
        page =
            first == std::string::npos ? "-" : page.substr(first, page.find_last_not_of(" \n") - first + 1);
        result += (result.empty() ? "" : " ") + page;
    }
    return result;
}

// The page count pdfinfo tells; empty when there is no file.
inline std::string PageCount(const std::string& file) {
    const std::string info = Shell("pdfinfo '" + file + "' 2>/dev/null | grep '^Pages:'");
    const std::size_t digit = info.find_first_of("0123456789");
    return digit == std::string::npos
               ? ""
               : info.substr(digit, info.find_first_not_of("0123456789", digit) - digit);
}

// A report of the given number of small pages, each showing "P<n>", not prepared yet; it runs
// silently and without its progress window. No page at all for 0.
inline std::unique_ptr<TpvrReport> NumberedPagesReport(const char* name, Integer pages) {
    auto report = std::make_unique<TpvrReport>(nullptr);
    report->GetEngineOptions()->SetNewSilentMode(simSilent);
    report->ShowProgress = false;
    report->GetReportOptions()->Name = name;
    if (pages > 0) {
        auto* page = new TpvrReportPage(report.get());
        page->SetName("Page1");
        auto* band = new TpvrMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 10, 500, 20);
        band->SetRowCount(pages);
        band->StartNewPage = true;
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(5, 0, 100, 20);
        memo->GetMemo()->SetText(u"P[Line]");
    }
    return report;
}

// Runs print (a report's or a preview's Print) with "Current page" and "Print to file" chosen in
// the print dialog and the file name given to the file dialog; what print returns.
inline bool PrintCurrentPageToFile(const std::string& file, const std::function<bool()>& print) {
    TScopedDialogScript files;
    files.ChooseFiles({file});
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) {
        d.CurPageRB->SetChecked(true);
        d.FileCB->SetChecked(true);
        d.OkB->Click();
    });
    return print();
}

// Qt's backend installed (the display runs offscreen; Qt draws the PDF printer's pages), the PDF
// printer as the print backend and the report printers listed afresh for it; the script
// functions registered and the manual clock at 2026-03-04 05:06:07 local time.
class TPdfPrintFixture : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        BackendInstall(true);
        TFormFixture::SetUp();
        RegisterSysRTTI();
        ClockSetLocalMicros(Int64(1772600767) * 1000000);
        FPreviousBackend = PrintSetBackend(&Pdf);
        FreeReportPrinters();
    }
    void TearDown() override {
        FreeReportPrinters();
        PrintSetBackend(FPreviousBackend);
        TFormFixture::TearDown();
        BackendUninstall();
    }

    TQtPrintBackend Pdf{false};

private:
    TPrintBackend* FPreviousBackend = nullptr;
};

} // namespace pdftest
