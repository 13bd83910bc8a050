// The class library's printer over the printer calls of the window system.
#include "platform/classlib/Printers.h"

#include <cstring>
#include <vector>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

const char* const SPrinterIndexError = "Printer index out of range";
const char* const SNoDefaultPrinter = "There is no default printer currently selected";
const char* const SInvalidPrinter = "Printer selected is not valid";
const char* const SNotPrinting = "Printer is not currently printing";
const char* const SPrinting = "Printing in progress";

std::vector<String> InstalledPrinters() {
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &returned);
    std::vector<String> names;
    if (!needed) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed, &needed,
                       &returned))
        return names;
    for (DWORD i = 0; i < returned; ++i) {
        PRINTER_INFO_4A info;
        std::memcpy(&info, buffer.data() + i * sizeof(PRINTER_INFO_4A), sizeof(info));
        names.push_back(info.pPrinterName ? info.pPrinterName : "");
    }
    return names;
}

// The default printer's name from "name,driver,port".
String DefaultPrinterName() {
    char text[512];
    GetProfileStringA("windows", "device", "", text, sizeof(text));
    String device = text;
    return device.substr(0, device.find(','));
}

struct TPrinterSlot {
    std::unique_ptr<TPrinter> BuiltIn;
    TPrinter* Current = nullptr;
};

TPrinterSlot& Slot() {
    static TPrinterSlot slot;
    return slot;
}

} // namespace

// ---- TPrinterCanvas ----------------------------------------------------------------------------

void TPrinterCanvas::CreateHandle() { SetHandle(FPrinter->GetHandle()); }

// ---- TPrinter ----------------------------------------------------------------------------------

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
    if (FPrinting) {
        // A document still open when the printer goes is dropped, never half printed.
        if (FDC) AbortDoc(FDC);
        FPrinting = false;
    }
    FCanvas.reset();
    FreeContext();
}

void TPrinter::NeedPrinters() {
    if (FPrinters) return;
    FPrinters = std::make_unique<TStringList>();
    for (const String& name : InstalledPrinters())
        FPrinters->Add(name);
}

TStrings* TPrinter::GetPrinters() {
    NeedPrinters();
    return FPrinters.get();
}

void TPrinter::Refresh() {
    CheckPrinting(false);
    FreeContext();
    FPrinters.reset();
    FHasDeviceMode = false;
    FPrinterIndex = -1;
}

Integer TPrinter::GetPrinterIndex() {
    NeedPrinters();
    if (FPrinterIndex == -1) SelectPrinter(-1);
    return FPrinterIndex;
}

void TPrinter::SetPrinterIndex(Integer value) {
    CheckPrinting(false);
    NeedPrinters();
    if (value < -1 || value >= FPrinters->GetCount()) throw EPrinter(SPrinterIndexError);
    SelectPrinter(value);
}

void TPrinter::SelectPrinter(Integer index) {
    NeedPrinters();
    if (FPrinters->GetCount() == 0) throw EPrinter(SNoDefaultPrinter);
    if (index == -1) {
        index = FPrinters->IndexOf(DefaultPrinterName());
        if (index < 0) index = 0;
    }
    String name = FPrinters->GetStrings(index);
    DEVMODEA mode{};
    HANDLE handle = nullptr;
    bool ok = OpenPrinterA(const_cast<LPSTR>(name.c_str()), &handle, nullptr) &&
              DocumentPropertiesA(nullptr, handle, const_cast<LPSTR>(name.c_str()), &mode, nullptr,
                                  DM_OUT_BUFFER) >= 0;
    if (handle) ClosePrinter(handle);
    if (!ok) throw EPrinter(SInvalidPrinter);
    FreeContext();
    FPrinterIndex = index;
    FDeviceMode = mode;
    FHasDeviceMode = true;
}

DEVMODEA& TPrinter::DeviceMode() {
    if (!FHasDeviceMode) SelectPrinter(FPrinterIndex);
    return FDeviceMode;
}

void TPrinter::GetPrinter(String& device, String& driver, String& port, HGLOBAL& deviceMode) {
    deviceMode = nullptr;
    device.clear();
    driver.clear();
    port.clear();
    NeedPrinters();
    if (FPrinters->GetCount() == 0) return;
    Integer index = GetPrinterIndex();
    device = FPrinters->GetStrings(index);
    deviceMode = GlobalAlloc(GHND, sizeof(DEVMODEA));
    std::memcpy(GlobalLock(deviceMode), &DeviceMode(), sizeof(DEVMODEA));
    GlobalUnlock(deviceMode);
}

void TPrinter::SetPrinter(const String& device, const String& driver, const String& port, HGLOBAL deviceMode) {
    CheckPrinting(false);
    NeedPrinters();
    Integer index = FPrinters->IndexOf(device);
    if (index < 0) throw EPrinter(SInvalidPrinter);
    SelectPrinter(index);
    if (deviceMode && GlobalSize(deviceMode) >= sizeof(DEVMODEA)) {
        DEVMODEA given;
        std::memcpy(&given, GlobalLock(deviceMode), sizeof(given));
        GlobalUnlock(deviceMode);
        // The printer's own device mode, with what the given one sets merged in.
        HANDLE handle = nullptr;
        DEVMODEA merged{};
        if (OpenPrinterA(const_cast<LPSTR>(device.c_str()), &handle, nullptr) &&
            DocumentPropertiesA(nullptr, handle, const_cast<LPSTR>(device.c_str()), &merged, &given,
                                DM_IN_BUFFER | DM_OUT_BUFFER) >= 0)
            FDeviceMode = merged;
        if (handle) ClosePrinter(handle);
    }
}

TPrinterCapabilities TPrinter::GetCapabilities() {
    TPrinterCapabilities caps;
    NeedPrinters();
    if (FPrinters->GetCount() == 0) return caps;
    String name = FPrinters->GetStrings(GetPrinterIndex());
    const DEVMODEA& mode = DeviceMode();
    if (DeviceCapabilitiesA(name.c_str(), nullptr, DC_COPIES, nullptr, &mode) > 1) caps.Include(pcCopies);
    if (DeviceCapabilitiesA(name.c_str(), nullptr, DC_ORIENTATION, nullptr, &mode) > 0) caps.Include(pcOrientation);
    if (DeviceCapabilitiesA(name.c_str(), nullptr, DC_COLLATE, nullptr, &mode) > 0) caps.Include(pcCollation);
    return caps;
}

TPrinterOrientation TPrinter::GetOrientation() {
    return DeviceMode().dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
    CheckPrinting(false);
    DEVMODEA& mode = DeviceMode();
    mode.dmOrientation = value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.dmFields |= DM_ORIENTATION;
    FreeContext();
}

Integer TPrinter::GetCopies() { return DeviceMode().dmCopies; }

void TPrinter::SetCopies(Integer value) {
    CheckPrinting(false);
    DEVMODEA& mode = DeviceMode();
    mode.dmCopies = SHORT(value < 1 ? 1 : value > 0x7FFF ? 0x7FFF : value);
    mode.dmFields |= DM_COPIES;
    FreeContext();
}

Integer TPrinter::GetPageWidth() { return GetDeviceCaps(GetHandle(), HORZRES); }

Integer TPrinter::GetPageHeight() { return GetDeviceCaps(GetHandle(), VERTRES); }

HDC TPrinter::GetHandle() {
    if (!FDC) {
        NeedPrinters();
        if (FPrinters->GetCount() == 0) throw EPrinter(SNoDefaultPrinter);
        String name = FPrinters->GetStrings(GetPrinterIndex());
        const DEVMODEA& mode = DeviceMode();
        FDC = FPrinting ? CreateDCA(nullptr, name.c_str(), nullptr, &mode)
                        : CreateICA(nullptr, name.c_str(), nullptr, &mode);
        if (!FDC) throw EPrinter(SInvalidPrinter);
        FContextIsDocument = FPrinting;
    }
    return FDC;
}

TCanvas* TPrinter::GetCanvas() {
    if (!FCanvas) FCanvas = std::make_unique<TPrinterCanvas>(this);
    return FCanvas.get();
}

void TPrinter::FreeContext() {
    if (FCanvas) FCanvas->SetHandle(nullptr);
    if (FDC) DeleteDC(FDC);
    FDC = nullptr;
    FContextIsDocument = false;
}

void TPrinter::CheckPrinting(bool printing) const {
    if (FPrinting != printing) throw EPrinter(printing ? SNotPrinting : SPrinting);
}

void TPrinter::BeginDoc() {
    CheckPrinting(false);
    FreeContext();
    FPrinting = true;
    FAborted = false;
    try {
        HDC dc = GetHandle();
        DOCINFOA info;
        info.lpszDocName = FTitle.c_str();
        info.lpszOutput = FFileName.empty() ? nullptr : FFileName.c_str();
        if (StartDocA(dc, &info) <= 0 || StartPage(dc) <= 0) {
            AbortDoc(dc);
            throw EPrinter(SInvalidPrinter);
        }
    } catch (...) {
        FPrinting = false;
        FreeContext();
        throw;
    }
    FPageNumber = 1;
}

void TPrinter::NewPage() {
    CheckPrinting(true);
    EndPage(FDC);
    StartPage(FDC);
    ++FPageNumber;
    // The page starts with the canvas's objects selected afresh.
    if (FCanvas) FCanvas->Refresh();
}

void TPrinter::EndDoc() {
    CheckPrinting(true);
    if (!FAborted) {
        EndPage(FDC);
        ::EndDoc(FDC);
    }
    FPrinting = false;
    FAborted = false;
    FPageNumber = 0;
    FreeContext();
}

void TPrinter::Abort() {
    CheckPrinting(true);
    AbortDoc(FDC);
    FAborted = true;
    EndDoc();
}

// ---- The program's printer ---------------------------------------------------------------------

TPrinter* Printer() {
    TPrinterSlot& slot = Slot();
    if (slot.Current) return slot.Current;
    if (!slot.BuiltIn) slot.BuiltIn = std::make_unique<TPrinter>();
    return slot.BuiltIn.get();
}

TPrinter* SetPrinter(TPrinter* newPrinter) {
    TPrinterSlot& slot = Slot();
    TPrinter* old = Printer();
    slot.Current = newPrinter;
    return old;
}

namespace {

struct TPrinterRegistration {
    TPrinterRegistration() {
        RegisterEnum<TPrinterOrientation>("TPrinterOrientation", {"poPortrait", "poLandscape"});
        RegisterClass(TPrinter::StaticClass());
    }
};
const TPrinterRegistration PrinterRegistration;

} // namespace
