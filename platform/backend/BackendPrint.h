// The printers of the display: a printer of our own named "PDF", always there, that writes each
// document into a PDF file, and the machine's printers through Qt's print support. Pages are
// drawn as vectors: figures as paths, images as images, text as text in the installed families.
// This header is free of Qt.
#pragma once

#include <memory>
#include <vector>

#include "platform/winapi/PrintBackend.h"

// The name of the PDF printer.
inline constexpr const char* BackendPdfPrinterName = "PDF";

class TQtPrintBackend : public TPrintBackend {
public:
    // machinePrinters false: the PDF printer alone (tests, which must not depend on the machine).
    explicit TQtPrintBackend(bool machinePrinters = true);
    ~TQtPrintBackend() override;

    // The machine's printers (a machine printer named like ours is left out), then the PDF
    // printer. The machine's default printer is the default, else the PDF printer.
    std::vector<TPrinterInfo> Printers() override;
    // The PDF printer writes into output, or without one into "<title>.pdf" in the home
    // directory ("_" for the characters a file name cannot hold; "Document" without a title).
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo& printer, const String& title,
                                        const String& output, const TPrintSettings& settings) override;
    // The PDF printer takes raw documents into "<title>.prn" in the home directory; the
    // machine's printers are driven through their page drivers only and take none.
    std::unique_ptr<TRawPrintJob> StartRawJob(const TPrinterInfo& printer, const String& title) override;

private:
    bool FMachinePrinters;
    std::vector<String> FMachineNames; // the names FMachine was made for
    std::vector<TPrinterInfo> FMachine;
};

// Installs the Qt printers into the window system (once; Qt must be running). The program's
// main calls it after the display is installed.
void BackendInstallPrinters(bool machinePrinters = true);
