// The class library's printer: the installed printers by name, the one chosen with its device
// mode, and documents printed page by page on its canvas.
#pragma once

#include <memory>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/StringLists.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Print.h"

enum TPrinterOrientation { poPortrait, poLandscape };
enum TPrinterCapability { pcCopies, pcOrientation, pcCollation };
using TPrinterCapabilities = TSet<TPrinterCapability, pcCollation>;

class TPrinter;

// The canvas of a printer: while a document prints it draws on the printer's page, otherwise
// it measures on an information context of the printer.
class TPrinterCanvas : public TCanvas {
    KOV_CLASS(TPrinterCanvas, TCanvas)
public:
    explicit TPrinterCanvas(TPrinter* printer) : FPrinter(printer) {}

protected:
    void CreateHandle() override;

private:
    TPrinter* FPrinter;
};

class TPrinter : public TObject {
    KOV_CLASS(TPrinter, TObject)
public:
    TPrinter();
    ~TPrinter() override;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // The installed printers, in the system's order (read on first use and by Refresh).
    TStrings* GetPrinters();
    // -1 (or setting -1) is the default printer. Raises EPrinter "Printer index out of range"
    // for another index outside the list, and "There is no default printer currently selected"
    // when there are no printers.
    Integer GetPrinterIndex();
    void SetPrinterIndex(Integer value);
    // Reads the list of printers again and selects the default one.
    void Refresh();

    // The printer chosen: its name, driver and port, and a copy of its device mode in a memory
    // block the caller frees (nullptr when there is no printer).
    void GetPrinter(String& device, String& driver, String& port, HGLOBAL& deviceMode);
    // Chooses a printer by name (a name the list does not have raises EPrinter "Printer
    // selected is not valid"); a device mode, when given, is copied in.
    void SetPrinter(const String& device, const String& driver, const String& port, HGLOBAL deviceMode);

    TPrinterCapabilities GetCapabilities();
    TPrinterOrientation GetOrientation();
    void SetOrientation(TPrinterOrientation value);
    Integer GetCopies();
    void SetCopies(Integer value);
    // The printable area in device pixels.
    Integer GetPageWidth();
    Integer GetPageHeight();
    Integer GetPageNumber() const { return FPageNumber; }
    const String& GetTitle() const { return FTitle; }
    void SetTitle(const String& value) { FTitle = value; }
    // Where the document goes instead of the printer's own output (empty: the printer).
    const String& GetFileName() const { return FFileName; }
    void SetFileName(const String& value) { FFileName = value; }

    // The context: the page's while printing, otherwise an information context.
    HDC GetHandle();
    TCanvas* GetCanvas();
    bool GetPrinting() const { return FPrinting; }
    bool GetAborted() const { return FAborted; }

    // BeginDoc starts a document on its first page (EPrinter "Printing in progress" while one
    // prints, "Printer selected is not valid" when the printer refuses); NewPage and EndDoc
    // raise "Printer is not currently printing" outside a document. Abort drops the document.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();

private:
    void CheckPrinting(bool printing) const;
    void NeedPrinters();
    void SelectPrinter(Integer index);
    void FreeContext();
    DEVMODEA& DeviceMode();

    std::unique_ptr<TStringList> FPrinters;
    Integer FPrinterIndex = -1;
    bool FHasDeviceMode = false;
    DEVMODEA FDeviceMode{};
    HDC FDC = nullptr;
    bool FContextIsDocument = false;
    std::unique_ptr<TPrinterCanvas> FCanvas;
    String FTitle;
    String FFileName;
    bool FPrinting = false;
    bool FAborted = false;
    Integer FPageNumber = 0;
};

// The program's printer, made on first use.
TPrinter* Printer();
// Replaces it (the caller keeps ownership of the new one; nullptr returns to the built-in one);
// returns the one before.
TPrinter* SetPrinter(TPrinter* newPrinter);
