#include "report/pvrPrinter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "report/pvrRes.h"

const TPaperInfo PaperInfo[PaperCount] = {
    {1, "", 2159, 2794},  {2, "", 2159, 2794},   {3, "", 2794, 4318},  {4, "", 4318, 2794},
    {5, "", 2159, 3556},  {6, "", 1397, 2159},   {7, "", 1842, 2667},  {8, "", 2970, 4200},
    {9, "", 2100, 2970},  {10, "", 2100, 2970},  {11, "", 1480, 2100}, {12, "", 2500, 3540},
    {13, "", 1820, 2570}, {14, "", 2159, 3302},  {15, "", 2150, 2750}, {16, "", 2540, 3556},
    {17, "", 2794, 4318}, {18, "", 2159, 2794},  {19, "", 984, 2254},  {20, "", 1048, 2413},
    {21, "", 1143, 2635}, {22, "", 1206, 2794},  {23, "", 1270, 2921}, {24, "", 4318, 5588},
    {25, "", 5588, 8636}, {26, "", 8636, 11176}, {27, "", 1100, 2200}, {28, "", 1620, 2290},
    {29, "", 3240, 4580}, {30, "", 2290, 3240},  {31, "", 1140, 1620}, {32, "", 1140, 2290},
    {33, "", 2500, 3530}, {34, "", 1760, 2500},  {35, "", 1760, 1250}, {36, "", 1100, 2300},
    {37, "", 984, 1905},  {38, "", 921, 1651},   {39, "", 3778, 2794}, {40, "", 2159, 3048},
    {41, "", 2159, 3302}, {42, "", 2500, 3530},  {43, "", 1000, 1480}, {44, "", 2286, 2794},
    {45, "", 2540, 2794}, {46, "", 3810, 2794},  {47, "", 2200, 2200}, {50, "", 2413, 3048},
    {51, "", 2413, 3810}, {52, "", 2969, 4572},  {53, "", 2355, 3223}, {54, "", 2159, 2794},
    {55, "", 2100, 2970}, {56, "", 2413, 3048},  {57, "", 2270, 3560}, {58, "", 3050, 4870},
    {59, "", 2159, 3223}, {60, "", 2100, 3300},  {61, "", 1480, 2100}, {62, "", 1820, 2570},
    {63, "", 3220, 4450}, {64, "", 1740, 2350},  {65, "", 2010, 2760}, {66, "", 4200, 5940},
    {67, "", 2970, 4200}, {68, "", 3220, 4450},
};

bool GetPaperDimensions(Integer paper, Extended& width, Extended& height) {
    for (const TPaperInfo& info : PaperInfo) {
        if (info.Typ == paper) {
            width = Extended(info.X) / 10;
            height = Extended(info.Y) / 10;
            return true;
        }
    }
    return false;
}

// ---- Canvas ------------------------------------------------------------------------------------

void TpvrPrinterCanvas::UpdateFont() {
    if (!Printer) return;
    const Integer dpi = Printer->GetDPI().y;
    TFont* font = GetFont();
    if (dpi <= 0 || font->GetPixelsPerInch() == dpi) return;
    const Integer size = font->GetSize();
    font->SetPixelsPerInch(dpi);
    font->SetSize(size);
}

void TpvrPrinterCanvas::Changing() {
    UpdateFont();
    inherited::Changing();
}

// ---- Printer -----------------------------------------------------------------------------------

namespace {

TObject* NumberObject(Integer number) { return reinterpret_cast<TObject*>(static_cast<intptr_t>(number)); }

constexpr Extended MillimetresPerInch = 25.4;

} // namespace

TpvrCustomPrinter::TpvrCustomPrinter(const String& name, const String& port)
    : FBins(std::make_unique<TStringList>()), FCanvas(std::make_unique<TpvrPrinterCanvas>()), FName(name),
      FPapers(std::make_unique<TStringList>()), FPort(port) {
    FBins->AddObject(GetResources()->Get("prDefault"), NumberObject(pvrDefaultBin));
    FPapers->AddObject(GetResources()->Get("prCustom"), NumberObject(pvrCustomPaper));
    FCanvas->Printer = this;
}

TpvrCustomPrinter::~TpvrCustomPrinter() = default;

Integer TpvrCustomPrinter::NumberAt(TStrings* list, Integer index) {
    return Integer(reinterpret_cast<intptr_t>(list->GetObjects(index)));
}

Integer TpvrCustomPrinter::PaperIndex(Integer paper) const {
    for (Integer i = 0; i < FPapers->GetCount(); ++i)
        if (NumberAt(FPapers.get(), i) == paper) return i;
    return -1;
}

Integer TpvrCustomPrinter::PaperNumber(const String& name) const {
    const Integer i = FPapers->IndexOf(name);
    return NumberAt(FPapers.get(), i < 0 ? 0 : i);
}

TpvrPrinter::TpvrPrinter(const String& name, const String& port) : TpvrCustomPrinter(name, port) {}

TpvrPrinter::~TpvrPrinter() {
    FCanvas->SetHandle(nullptr);
    if (FDC) DeleteDC(FDC);
    if (FHandle) ClosePrinter(FHandle);
}

void TpvrPrinter::RecreateDC() {
    FCanvas->SetHandle(nullptr);
    if (FDC) DeleteDC(FDC);
    FDC = FPrinting ? CreateDCA(FDriver.c_str(), FName.c_str(), nullptr, FMode.get())
                    : CreateICA(FDriver.c_str(), FName.c_str(), nullptr, FMode.get());
    FCanvas->SetHandle(FDC);
    FCanvas->Refresh();
    FCanvas->UpdateFont();
}

void TpvrPrinter::UpdatePrinterMetrics() {
    FDPI = TPoint(GetDeviceCaps(FDC, LOGPIXELSX), GetDeviceCaps(FDC, LOGPIXELSY));
    if (FDPI.x == 0 || FDPI.y == 0) throw EPrinter("Printer selected is not valid");
    FPaperHeight = Extended(GetDeviceCaps(FDC, PHYSICALHEIGHT)) / FDPI.y * MillimetresPerInch;
    FPaperWidth = Extended(GetDeviceCaps(FDC, PHYSICALWIDTH)) / FDPI.x * MillimetresPerInch;
    FLeftMargin = Extended(GetDeviceCaps(FDC, PHYSICALOFFSETX)) / FDPI.x * MillimetresPerInch;
    FTopMargin = Extended(GetDeviceCaps(FDC, PHYSICALOFFSETY)) / FDPI.y * MillimetresPerInch;
    FRightMargin =
        FPaperWidth - Extended(GetDeviceCaps(FDC, HORZRES)) / FDPI.x * MillimetresPerInch - FLeftMargin;
    FBottomMargin =
        FPaperHeight - Extended(GetDeviceCaps(FDC, VERTRES)) / FDPI.y * MillimetresPerInch - FTopMargin;
}

void TpvrPrinter::Init() {
    if (FInitialized) return;
    if (!FHandle && !OpenPrinterA(const_cast<LPSTR>(FName.c_str()), &FHandle, nullptr)) {
        FHandle = nullptr;
        return;
    }
    const LONG size =
        DocumentPropertiesA(nullptr, FHandle, const_cast<LPSTR>(FName.c_str()), nullptr, nullptr, 0);
    if (size <= 0) return;
    // The platform's device mode is this structure; a larger size only carries driver data.
    FMode = std::make_unique<DEVMODEA>();
    if (DocumentPropertiesA(nullptr, FHandle, const_cast<LPSTR>(FName.c_str()), FMode.get(), nullptr,
                            DM_OUT_BUFFER) < 0) {
        FMode.reset();
        return;
    }
    RecreateDC();
    UpdatePrinterMetrics();
    FDefaultPaper = FMode->dmPaperSize;
    FDefaultPaperWidth = FPaperWidth;
    FDefaultPaperHeight = FPaperHeight;
    FDefaultOrientation = FMode->dmOrientation != DMORIENT_PORTRAIT ? poLandscape : poPortrait;
    FPaper = FDefaultPaper;
    FOrientation = FDefaultOrientation;

    // Papers and bins: the buffers are as large as the driver says it needs.
    const int paperCount = DeviceCapabilitiesA(FName.c_str(), FPort.c_str(), DC_PAPERS, nullptr, FMode.get());
    if (paperCount > 0) {
        std::vector<WORD> numbers(paperCount);
        std::vector<char> names(std::size_t(paperCount) * CCHPAPERNAME + 1);
        const int n =
            std::min(paperCount, DeviceCapabilitiesA(FName.c_str(), FPort.c_str(), DC_PAPERS,
                                                     reinterpret_cast<LPSTR>(numbers.data()), FMode.get()));
        DeviceCapabilitiesA(FName.c_str(), FPort.c_str(), DC_PAPERNAMES, names.data(), FMode.get());
        for (int i = 0; i < n; ++i) {
            if (numbers[i] == pvrCustomPaper) continue;
            const char* slot = names.data() + std::size_t(i) * CCHPAPERNAME;
            FPapers->AddObject(String(slot, strnlen(slot, CCHPAPERNAME)), NumberObject(numbers[i]));
        }
    }
    const int binCount = DeviceCapabilitiesA(FName.c_str(), FPort.c_str(), DC_BINS, nullptr, FMode.get());
    if (binCount > 0) {
        std::vector<WORD> numbers(binCount);
        std::vector<char> names(std::size_t(binCount) * CCHBINNAME + 1);
        const int n =
            std::min(binCount, DeviceCapabilitiesA(FName.c_str(), FPort.c_str(), DC_BINS,
                                                   reinterpret_cast<LPSTR>(numbers.data()), FMode.get()));
        DeviceCapabilitiesA(FName.c_str(), FPort.c_str(), DC_BINNAMES, names.data(), FMode.get());
        for (int i = 0; i < n; ++i) {
            if (numbers[i] == pvrDefaultBin) continue;
            const char* slot = names.data() + std::size_t(i) * CCHBINNAME;
            FBins->AddObject(String(slot, strnlen(slot, CCHBINNAME)), NumberObject(numbers[i]));
        }
    }
    FBin = -1;
    FInitialized = true;
}

void TpvrPrinter::SetPaperLayout(Integer paper, Extended width, Extended height,
                                 TPrinterOrientation orientation) {
    if (!FMode) return;
    if (paper == pvrCustomPaper) {
        SetPaperLayout(9, width, height, orientation);
        FPaperWidth = width;
        FPaperHeight = height;
    } else {
        FMode->dmFields = DM_ORIENTATION | DM_PAPERSIZE;
        FMode->dmPaperSize = SHORT(paper);
        FMode->dmOrientation = orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        RecreateDC();
        UpdatePrinterMetrics();
    }
    FPaper = paper;
    FOrientation = orientation;
}

void TpvrPrinter::ApplyPrintSettings(Integer paper, Extended width, Extended height,
                                     TPrinterOrientation orientation, Integer bin, Integer duplex) {
    if (!FMode) return;
    FMode->dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE;
    if (duplex != 1) FMode->dmFields |= DM_DUPLEX;
    if (paper == pvrCustomPaper) {
        FMode->dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
        FMode->dmPaperLength = SHORT(std::clamp<Extended>(Round(height * 10), 0, 32767));
        FMode->dmPaperWidth = SHORT(std::clamp<Extended>(Round(width * 10), 0, 32767));
    } else {
        FMode->dmPaperLength = 0;
        FMode->dmPaperWidth = 0;
    }
    FMode->dmPaperSize = SHORT(paper);
    FMode->dmOrientation = orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    FMode->dmCopies = 1;
    if (FBin != -1) bin = FBin;
    if (bin != pvrDefaultBin) FMode->dmDefaultSource = SHORT(bin);
    if (duplex == 4)
        FMode->dmDuplex = DMDUP_SIMPLEX;
    else if (duplex == 2 || duplex == 3)
        FMode->dmDuplex = SHORT(duplex);
    if (FDC) {
        FCanvas->SetHandle(nullptr);
        if (HDC dc = ResetDCA(FDC, FMode.get())) FDC = dc;
        FCanvas->SetHandle(FDC);
        FCanvas->Refresh();
    }
    UpdatePrinterMetrics();
    FPaper = paper;
    FOrientation = orientation;
}

void TpvrPrinter::BeginDoc() {
    FPrinting = true;
    DOCINFOA info;
    info.cbSize = 20;
    info.lpszDocName = FTitle.c_str();
    info.lpszOutput = FFileName.empty() ? nullptr : FFileName.c_str();
    RecreateDC();
    StartDocA(FDC, &info);
}

void TpvrPrinter::BeginPage() { StartPage(FDC); }

void TpvrPrinter::EndPage() { ::EndPage(FDC); }

void TpvrPrinter::EndDoc() {
    try {
        ::EndDoc(FDC);
    } catch (...) {
    }
    FPrinting = false;
    // The file belongs to this document only: later documents go to the printer again.
    FFileName.clear();
    RecreateDC();
    FBin = -1;
}

void TpvrPrinter::Abort() {
    AbortDoc(FDC);
    EndDoc();
}

void TpvrPrinter::BeginRawDoc() {
    RecreateDC();
    DOC_INFO_1A info;
    info.pDocName = const_cast<LPSTR>(FTitle.c_str());
    info.pDatatype = const_cast<LPSTR>("RAW");
    StartDocPrinterA(FHandle, 1, reinterpret_cast<BYTE*>(&info));
    StartPagePrinter(FHandle);
}

void TpvrPrinter::EndRawDoc() {
    EndPagePrinter(FHandle);
    EndDocPrinter(FHandle);
}

void TpvrPrinter::WriteRawData(const String& data) {
    DWORD written = 0;
    WritePrinter(FHandle, data.data(), DWORD(data.size()), &written);
}

void TpvrPrinter::ShowPropertiesDialog() {
    if (!FMode) return;
    HWND parent = nullptr;
    if (TForm* form = Screen->GetActiveForm()) parent = form->GetHandle();
    DEVMODEA in = *FMode;
    if (DocumentPropertiesA(parent, FHandle, const_cast<LPSTR>(FName.c_str()), FMode.get(), &in,
                            DM_IN_BUFFER | DM_OUT_BUFFER | DM_IN_PROMPT) > 0) {
        FBin = FMode->dmDefaultSource;
        RecreateDC();
    }
}

// ---- Virtual printer -----------------------------------------------------------------------------

void TpvrVirtualPrinter::Init() {
    if (FInitialized) return;
    FDPI = TPoint(600, 600);
    FDefaultPaper = 9;
    FDefaultOrientation = poPortrait;
    FDefaultPaperWidth = 210;
    FDefaultPaperHeight = 297;
    for (const TPaperInfo& info : PaperInfo)
        FPapers->AddObject(info.Name, NumberObject(info.Typ));
    FBin = -1;
    FInitialized = true;
}

void TpvrVirtualPrinter::SetPaperLayout(Integer paper, Extended width, Extended height,
                                        TPrinterOrientation orientation) {
    Extended w = 0, h = 0;
    if (paper != pvrCustomPaper && GetPaperDimensions(paper, w, h)) {
        FPaper = paper;
        FPaperWidth = orientation == poLandscape ? h : w;
        FPaperHeight = orientation == poLandscape ? w : h;
    } else {
        FPaper = pvrCustomPaper;
        FPaperWidth = width;
        FPaperHeight = height;
    }
    FOrientation = orientation;
    FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = 4;
}

void TpvrVirtualPrinter::ApplyPrintSettings(Integer paper, Extended width, Extended height,
                                            TPrinterOrientation orientation, Integer bin, Integer) {
    SetPaperLayout(paper, width, height, orientation);
    FBin = bin;
}

// ---- The list of printers -------------------------------------------------------------------------

TpvrPrinters::TpvrPrinters() : FPrinters(std::make_unique<TStringList>()) {
    FillPrinters();
    if (!FPrinterObjects.empty()) {
        FHasInstalledPrinters = true;
        SetCurrentPrinterIndex(-1);
    } else {
        FPrinterObjects.push_back(std::make_unique<TpvrVirtualPrinter>(GetResources()->Get("prVirtual"), ""));
        FPrinters->Add(FPrinterObjects.back()->GetName());
        FHasInstalledPrinters = false;
        SetCurrentPrinterIndex(0);
    }
}

TpvrPrinters::~TpvrPrinters() = default;

void TpvrPrinters::Clear() {
    FPrinterObjects.clear();
    FPrinters->Clear();
}

void TpvrPrinters::FillPrinters() {
    Clear();
    DWORD needed = 0, returned = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &returned);
    if (needed == 0) return;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(flags, nullptr, 4, buffer.data(), needed, &needed, &returned)) return;
    const auto* entries = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        const String name = entries[i].pPrinterName ? entries[i].pPrinterName : "";
        FPrinterObjects.push_back(std::make_unique<TpvrPrinter>(name, ""));
        FPrinters->Add(name);
    }
}

TpvrCustomPrinter* TpvrPrinters::Items(Integer index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FPrinterObjects[std::size_t(index)].get();
}

Integer TpvrPrinters::IndexOf(const String& name) const {
    for (Integer i = 0; i < Count(); ++i)
        if (AnsiCompareText(FPrinterObjects[std::size_t(i)]->GetName(), name) == 0) return i;
    return -1;
}

void TpvrPrinters::SetCurrentPrinterIndex(Integer index) {
    if (index == -1) {
        index = IndexOf(DefaultPrinterName());
        // No printer has the default name: the first one prints rather than none.
        if (index == -1 && Count() > 0) index = 0;
    }
    if (index < 0 || index >= Count()) return;
    FCurrentPrinterIndex = index;
    FPrinterObjects[std::size_t(index)]->Init();
}

TpvrCustomPrinter* TpvrPrinters::CurrentPrinter() const { return Items(FCurrentPrinterIndex); }

String TpvrPrinters::DefaultPrinterName() {
    char text[80] = {};
    GetProfileStringA("windows", "device", "", text, sizeof(text) - 1);
    String name = text;
    const auto comma = name.find(',');
    if (comma != String::npos) name.resize(comma);
    return name;
}

namespace {

std::unique_ptr<TpvrPrinters>& ReportPrinters() {
    static std::unique_ptr<TpvrPrinters> printers;
    return printers;
}

} // namespace

TpvrPrinters* GetReportPrinters() {
    if (!ReportPrinters()) ReportPrinters() = std::make_unique<TpvrPrinters>();
    return ReportPrinters().get();
}

void FreeReportPrinters() { ReportPrinters().reset(); }
