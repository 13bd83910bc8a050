// Printers of the report engine: the table of standard paper sizes, the printers of the machine
// (each with its device mode, context and canvas), the virtual printer used when none is
// installed, and the process-wide list of printers.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/Printers.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"
#include "platform/winapi/Print.h"

// A standard paper: its number, name (empty) and portrait size in tenths of a millimetre.
struct TPaperInfo {
    Integer Typ;
    const char* Name;
    Integer X;
    Integer Y;
};

constexpr Integer PaperCount = 66;
// Numbers 1 to 47 and 50 to 68.
extern const TPaperInfo PaperInfo[PaperCount];

// The portrait width and height of a paper number in millimetres; False for a number the
// table does not hold.
bool GetPaperDimensions(Integer paper, Extended& width, Extended& height);

constexpr Integer pvrCustomPaper = 256;
constexpr Integer pvrDefaultBin = 7;

class TpvrCustomPrinter;

// The canvas of a report printer: point sizes of its font map to the printer's pixels.
class TpvrPrinterCanvas : public TCanvas {
    KOV_CLASS(TpvrPrinterCanvas, TCanvas)
public:
    TpvrCustomPrinter* Printer = nullptr;
    // Keeps the font's pixels-per-inch at the printer's vertical resolution.
    void Changing() override;
    void UpdateFont();
};

// A printer of the report engine. Sizes and margins in millimetres, resolution in dots per
// inch; paper numbers are the platform's (256: a custom size), bin 7 is the default bin.
class TpvrCustomPrinter : public TObject {
    KOV_CLASS(TpvrCustomPrinter, TObject)
public:
    TpvrCustomPrinter(const String& name, const String& port);
    ~TpvrCustomPrinter() override;
    TpvrCustomPrinter(const TpvrCustomPrinter&) = delete;
    TpvrCustomPrinter& operator=(const TpvrCustomPrinter&) = delete;

    virtual void Init() = 0;
    virtual void Abort() = 0;
    virtual void BeginDoc() = 0;
    virtual void BeginPage() = 0;
    virtual void BeginRawDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void EndPage() = 0;
    virtual void EndRawDoc() = 0;
    virtual void WriteRawData(const String& data) = 0;
    virtual void SetPaperLayout(Integer paper, Extended width, Extended height,
                                TPrinterOrientation orientation) = 0;
    virtual void ApplyPrintSettings(Integer paper, Extended width, Extended height,
                                    TPrinterOrientation orientation, Integer bin, Integer duplex) = 0;
    virtual void ShowPropertiesDialog() = 0;

    // The index in Papers of a paper number, -1 when none.
    Integer PaperIndex(Integer paper) const;
    // The number of the paper of that name; 256 (custom) when no paper has it.
    Integer PaperNumber(const String& name) const;
    // The number stored with an entry of Papers or Bins.
    static Integer NumberAt(TStrings* list, Integer index);

    Integer GetBin() const { return FBin; }
    TStringList* GetBins() const { return FBins.get(); }
    TpvrPrinterCanvas* GetCanvas() const { return FCanvas.get(); }
    TPrinterOrientation GetDefaultOrientation() const { return FDefaultOrientation; }
    Integer GetDefaultPaper() const { return FDefaultPaper; }
    Extended GetDefaultPaperHeight() const { return FDefaultPaperHeight; }
    Extended GetDefaultPaperWidth() const { return FDefaultPaperWidth; }
    TPoint GetDPI() const { return FDPI; }
    const String& GetFileName() const { return FFileName; }
    void SetFileName(const String& value) { FFileName = value; }
    HANDLE GetHandle() const { return FHandle; }
    bool GetInitialized() const { return FInitialized; }
    const String& GetName() const { return FName; }
    Integer GetPaper() const { return FPaper; }
    TStringList* GetPapers() const { return FPapers.get(); }
    Extended GetPaperHeight() const { return FPaperHeight; }
    Extended GetPaperWidth() const { return FPaperWidth; }
    Extended GetLeftMargin() const { return FLeftMargin; }
    Extended GetTopMargin() const { return FTopMargin; }
    Extended GetRightMargin() const { return FRightMargin; }
    Extended GetBottomMargin() const { return FBottomMargin; }
    TPrinterOrientation GetOrientation() const { return FOrientation; }
    const String& GetPort() const { return FPort; }
    bool GetPrinting() const { return FPrinting; }
    const String& GetTitle() const { return FTitle; }
    void SetTitle(const String& value) { FTitle = value; }

protected:
    Integer FBin = -1;
    std::unique_ptr<TStringList> FBins;
    std::unique_ptr<TpvrPrinterCanvas> FCanvas;
    TPrinterOrientation FDefaultOrientation = poPortrait;
    Integer FDefaultPaper = 0;
    Extended FDefaultPaperHeight = 0;
    Extended FDefaultPaperWidth = 0;
    TPoint FDPI{0, 0};
    String FFileName;
    HANDLE FHandle = nullptr;
    bool FInitialized = false;
    String FName;
    Integer FPaper = 0;
    std::unique_ptr<TStringList> FPapers;
    Extended FPaperHeight = 0;
    Extended FPaperWidth = 0;
    Extended FLeftMargin = 0;
    Extended FTopMargin = 0;
    Extended FRightMargin = 0;
    Extended FBottomMargin = 0;
    TPrinterOrientation FOrientation = poPortrait;
    String FPort;
    bool FPrinting = false;
    String FTitle;
};

// A printer of the machine, driven through its device mode and a printer context.
class TpvrPrinter : public TpvrCustomPrinter {
    KOV_CLASS(TpvrPrinter, TpvrCustomPrinter)
public:
    TpvrPrinter(const String& name, const String& port);
    ~TpvrPrinter() override;

    void Init() override;
    void Abort() override;
    void BeginDoc() override;
    void BeginPage() override;
    void BeginRawDoc() override;
    void EndDoc() override;
    void EndPage() override;
    void EndRawDoc() override;
    void WriteRawData(const String& data) override;
    void SetPaperLayout(Integer paper, Extended width, Extended height,
                        TPrinterOrientation orientation) override;
    void ApplyPrintSettings(Integer paper, Extended width, Extended height, TPrinterOrientation orientation,
                            Integer bin, Integer duplex) override;
    void ShowPropertiesDialog() override;

    HDC GetDC() const { return FDC; }
    DEVMODEA* GetDeviceMode() const { return FMode.get(); }

private:
    // An information context while idle, a device context while a document prints.
    void RecreateDC();
    void UpdatePrinterMetrics();

    std::unique_ptr<DEVMODEA> FMode;
    HDC FDC = nullptr;
    String FDriver;
};

// The printer of a machine without printers: A4 at 600 dots per inch, 4 mm margins; its
// document, page, raw-output and dialog operations do nothing.
class TpvrVirtualPrinter : public TpvrCustomPrinter {
    KOV_CLASS(TpvrVirtualPrinter, TpvrCustomPrinter)
public:
    using TpvrCustomPrinter::TpvrCustomPrinter;

    void Init() override;
    void Abort() override {}
    void BeginDoc() override {}
    void BeginPage() override {}
    void BeginRawDoc() override {}
    void EndDoc() override {}
    void EndPage() override {}
    void EndRawDoc() override {}
    void WriteRawData(const String&) override {}
    void SetPaperLayout(Integer paper, Extended width, Extended height,
                        TPrinterOrientation orientation) override;
    void ApplyPrintSettings(Integer paper, Extended width, Extended height, TPrinterOrientation orientation,
                            Integer bin, Integer duplex) override;
    void ShowPropertiesDialog() override {}
};

// The printers of the machine; the virtual printer alone when none is installed.
class TpvrPrinters : public TObject {
    KOV_CLASS(TpvrPrinters, TObject)
public:
    TpvrPrinters();
    ~TpvrPrinters() override;
    TpvrPrinters(const TpvrPrinters&) = delete;
    TpvrPrinters& operator=(const TpvrPrinters&) = delete;

    void Clear();
    void FillPrinters();
    TpvrCustomPrinter* Items(Integer index) const;
    Integer Count() const { return Integer(FPrinterObjects.size()); }
    // The first printer of that name ignoring case; -1 when none.
    Integer IndexOf(const String& name) const;
    // -1 selects the default printer (the first one when no printer has the default name).
    void SetCurrentPrinterIndex(Integer index);
    Integer GetCurrentPrinterIndex() const { return FCurrentPrinterIndex; }
    // The current printer; null only when the list is empty.
    TpvrCustomPrinter* CurrentPrinter() const;
    static String DefaultPrinterName();

    bool GetHasInstalledPrinters() const { return FHasInstalledPrinters; }
    TStringList* GetPrinters() const { return FPrinters.get(); }

private:
    bool FHasInstalledPrinters = false;
    std::unique_ptr<TStringList> FPrinters;
    Integer FCurrentPrinterIndex = -1;
    std::vector<std::unique_ptr<TpvrCustomPrinter>> FPrinterObjects;
};

// The list of printers of the process, made on first use.
TpvrPrinters* GetReportPrinters();
// Frees the list; the next use reads the printers again (the printers of the platform changed).
void FreeReportPrinters();
