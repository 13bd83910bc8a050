// The printer calls over the installed printer backend: the list, handles, device modes and
// what they may hold, capabilities, the default printer, printer contexts and documents.
#include "platform/winapi/Print.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiPrinter.h"
#include "platform/winapi/PrintBackend.h"
#include "platform/winapi/WinError.h"

namespace {

std::atomic<TPrintBackend*> InstalledBackend{nullptr};

std::vector<TPrinterInfo> AllPrinters() {
    TPrintBackend* backend = InstalledBackend.load();
    return backend ? backend->Printers() : std::vector<TPrinterInfo>();
}

// A printer by name: the same name, or else the same without regard to case.
bool FindPrinter(const char* name, TPrinterInfo& out) {
    if (!name) return false;
    std::vector<TPrinterInfo> printers = AllPrinters();
    for (int pass = 0; pass < 2; ++pass)
        for (TPrinterInfo& p : printers)
            if (pass == 0 ? p.Name == name : AnsiSameText(p.Name, name)) {
                out = std::move(p);
                return true;
            }
    return false;
}

bool DefaultPrinter(TPrinterInfo& out) {
    std::vector<TPrinterInfo> printers = AllPrinters();
    for (TPrinterInfo& p : printers)
        if (p.Default) {
            out = std::move(p);
            return true;
        }
    if (printers.empty()) return false;
    out = std::move(printers.front());
    return true;
}

// ---- Printer handles ---------------------------------------------------------------------------

struct PrinterHandle {
    String Name;
    // The raw document open on the handle, if any.
    std::unique_ptr<TRawPrintJob> Raw;
    bool PageOpen = false;
    DWORD JobId = 0;
};

struct HandleSet {
    std::mutex Lock;
    std::set<PrinterHandle*> Open;
};

HandleSet& Handles() {
    static HandleSet* set = new HandleSet;
    return *set;
}

bool NameOfHandle(HANDLE handle, String& name) {
    HandleSet& set = Handles();
    std::lock_guard<std::mutex> lock(set.Lock);
    auto it = set.Open.find(static_cast<PrinterHandle*>(handle));
    if (it == set.Open.end()) return false;
    name = (*it)->Name;
    return true;
}

// ---- Device modes --------------------------------------------------------------------------------

// Copies UTF-8 text into a fixed field, cut at a character boundary, NUL-terminated.
void CopyField(const String& text, char* out, std::size_t size) {
    std::memset(out, 0, size);
    std::size_t n = 0;
    while (n < text.size()) {
        std::size_t next = Utf8Next(text, n);
        if (next >= size) break;
        n = next;
    }
    std::memcpy(out, text.data(), n);
}

const TPrintPaper* PaperOf(const TPrinterInfo& printer, SHORT number) {
    for (const TPrintPaper& paper : printer.Papers)
        if (paper.Number == number) return &paper;
    return nullptr;
}

bool HasBin(const TPrinterInfo& printer, SHORT number) {
    return std::any_of(printer.Bins.begin(), printer.Bins.end(),
                       [&](const TPrintBin& b) { return b.Number == number; });
}

constexpr DWORD AllFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE |
                            DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX |
                            DM_YRESOLUTION | DM_COLLATE | DM_FORMNAME;

void SetPaper(DEVMODEA& dm, SHORT number, SIZE size, const String& name) {
    dm.dmPaperSize = number;
    dm.dmPaperWidth = SHORT(size.cx);
    dm.dmPaperLength = SHORT(size.cy);
    CopyField(name, reinterpret_cast<char*>(dm.dmFormName), CCHFORMNAME);
}

DEVMODEA DefaultDevMode(const TPrinterInfo& printer) {
    DEVMODEA dm;
    CopyField(printer.Name, reinterpret_cast<char*>(dm.dmDeviceName), CCHDEVICENAME);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmSize = sizeof(DEVMODEA);
    dm.dmFields = AllFields;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    const TPrintPaper* paper = PaperOf(printer, printer.DefaultPaper);
    if (!paper && !printer.Papers.empty()) paper = &printer.Papers.front();
    if (paper)
        SetPaper(dm, paper->Number, paper->Size, paper->Name);
    else
        SetPaper(dm, DMPAPER_A4, {2100, 2970}, "A4");
    dm.dmScale = 100;
    dm.dmCopies = 1;
    dm.dmDefaultSource = printer.DefaultBin;
    dm.dmPrintQuality = SHORT(printer.DefaultResolution);
    dm.dmYResolution = SHORT(printer.DefaultResolution);
    dm.dmColor = printer.Color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    dm.dmDuplex = DMDUP_SIMPLEX;
    dm.dmCollate = DMCOLLATE_FALSE;
    return dm;
}

// Takes the fields of in that it marks and the printer can do; the others stay.
void Merge(DEVMODEA& dm, const DEVMODEA& in, const TPrinterInfo& printer) {
    DWORD f = in.dmFields;
    if ((f & DM_ORIENTATION) &&
        (in.dmOrientation == DMORIENT_PORTRAIT || in.dmOrientation == DMORIENT_LANDSCAPE))
        dm.dmOrientation = in.dmOrientation;
    bool sized = (f & DM_PAPERLENGTH) && (f & DM_PAPERWIDTH) && in.dmPaperLength > 0 && in.dmPaperWidth > 0;
    SIZE given{in.dmPaperWidth, in.dmPaperLength};
    if (f & DM_PAPERSIZE) {
        const TPrintPaper* paper = PaperOf(printer, in.dmPaperSize);
        if (paper)
            SetPaper(dm, paper->Number, sized ? given : paper->Size, paper->Name);
        else if (in.dmPaperSize == DMPAPER_USER && sized)
            SetPaper(dm, DMPAPER_USER, given, "");
    } else if (sized) {
        SetPaper(dm, DMPAPER_USER, given, "");
    }
    if (f & DM_COPIES) dm.dmCopies = SHORT(std::clamp<int>(in.dmCopies, 1, std::max(1, printer.MaxCopies)));
    if ((f & DM_DEFAULTSOURCE) && HasBin(printer, in.dmDefaultSource))
        dm.dmDefaultSource = in.dmDefaultSource;
    if ((f & DM_PRINTQUALITY) && !printer.Resolutions.empty()) {
        auto [low, high] = std::minmax_element(printer.Resolutions.begin(), printer.Resolutions.end());
        int quality = in.dmPrintQuality;
        int dpi = 0;
        if (quality > 0 && std::find(printer.Resolutions.begin(), printer.Resolutions.end(), quality) !=
                               printer.Resolutions.end())
            dpi = quality;
        else if (quality == DMRES_DRAFT || quality == DMRES_LOW)
            dpi = *low;
        else if (quality == DMRES_MEDIUM)
            dpi = printer.DefaultResolution;
        else if (quality == DMRES_HIGH)
            dpi = *high;
        if (dpi > 0) dm.dmPrintQuality = dm.dmYResolution = SHORT(dpi);
    }
    if ((f & DM_COLOR) &&
        (in.dmColor == DMCOLOR_MONOCHROME || (in.dmColor == DMCOLOR_COLOR && printer.Color)))
        dm.dmColor = in.dmColor;
    if ((f & DM_DUPLEX) && in.dmDuplex >= DMDUP_SIMPLEX && in.dmDuplex <= DMDUP_HORIZONTAL)
        dm.dmDuplex = printer.Duplex ? in.dmDuplex : DMDUP_SIMPLEX;
    if ((f & DM_COLLATE) && (in.dmCollate == DMCOLLATE_FALSE || in.dmCollate == DMCOLLATE_TRUE))
        dm.dmCollate = printer.Collate ? in.dmCollate : DMCOLLATE_FALSE;
    if ((f & DM_SCALE) && in.dmScale > 0) dm.dmScale = in.dmScale;
}

// A caller's device mode: only as many bytes as it says it has.
DEVMODEA Given(const DEVMODEA* in) {
    DEVMODEA copy;
    std::size_t size = in->dmSize ? std::min<std::size_t>(in->dmSize, sizeof(DEVMODEA)) : sizeof(DEVMODEA);
    std::uint8_t bytes[sizeof(DEVMODEA)] = {};
    std::memcpy(bytes, in, size);
    std::memcpy(static_cast<void*>(&copy), bytes, sizeof(DEVMODEA));
    return copy;
}

DEVMODEA DevModeFor(const TPrinterInfo& printer, const DEVMODEA* in) {
    DEVMODEA dm = DefaultDevMode(printer);
    if (in) Merge(dm, Given(in), printer);
    return dm;
}

TPrintSettings SettingsOf(const DEVMODEA& dm, const TPrinterInfo& printer) {
    TPrintSettings s;
    s.Paper = dm.dmPaperSize;
    s.PaperSize = {dm.dmPaperWidth, dm.dmPaperLength};
    s.Landscape = dm.dmOrientation == DMORIENT_LANDSCAPE;
    s.Resolution = dm.dmPrintQuality > 0 ? dm.dmPrintQuality : printer.DefaultResolution;
    s.Copies = dm.dmCopies;
    s.Collate = dm.dmCollate == DMCOLLATE_TRUE;
    s.Bin = dm.dmDefaultSource;
    s.Duplex = dm.dmDuplex;
    s.Color = dm.dmColor != DMCOLOR_MONOCHROME;
    return s;
}

GdiPrinterDevice* PrinterDevice(HDC handle, std::shared_ptr<GdiDC>& dc) {
    dc = GdiFindDC(handle);
    return dc ? dynamic_cast<GdiPrinterDevice*>(dc->Device.get()) : nullptr;
}

HDC CreatePrinterDC(LPCSTR device, const DEVMODEA* devMode, bool information) {
    TPrinterInfo printer;
    if (!FindPrinter(device, printer)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return nullptr;
    }
    TPrintSettings settings = SettingsOf(DevModeFor(printer, devMode), printer);
    return GdiCreateDC(OBJ_DC, std::make_unique<GdiPrinterDevice>(std::move(printer), settings, information));
}

// The standard paper sizes, in tenths of a millimetre.
const std::vector<TPrintPaper>& StandardPapers() {
    static const std::vector<TPrintPaper> papers = {
        {DMPAPER_LETTER, "Letter", {2159, 2794}},
        {DMPAPER_LEGAL, "Legal", {2159, 3556}},
        {DMPAPER_EXECUTIVE, "Executive", {1842, 2667}},
        {DMPAPER_A3, "A3", {2970, 4200}},
        {DMPAPER_A4, "A4", {2100, 2970}},
        {DMPAPER_A5, "A5", {1480, 2100}},
        {DMPAPER_B4, "B4 (JIS)", {2570, 3640}},
        {DMPAPER_B5, "B5 (JIS)", {1820, 2570}},
        {DMPAPER_ENV_10, "Envelope #10", {1048, 2413}},
        {DMPAPER_ENV_DL, "Envelope DL", {1100, 2200}},
        {DMPAPER_ENV_C5, "Envelope C5", {1620, 2290}},
        {DMPAPER_A6, "A6", {1050, 1480}},
    };
    return papers;
}

// Writes count fixed-size text slots.
template <class T, class Get>
int Slots(LPSTR output, const std::vector<T>& items, std::size_t slot, Get&& text) {
    if (output)
        for (std::size_t i = 0; i < items.size(); ++i)
            CopyField(text(items[i]), output + i * slot, slot);
    return int(items.size());
}

// Fills an EnumPrintersA buffer: the structures first, their strings after them.
class InfoBuffer {
public:
    InfoBuffer(BYTE* buffer, std::size_t structs) : FBuffer(buffer), FText(structs) {}
    LPSTR Text(const String& s) {
        LPSTR at = reinterpret_cast<LPSTR>(FBuffer + FText);
        std::memcpy(at, s.c_str(), s.size() + 1);
        FText += s.size() + 1;
        return at;
    }

private:
    BYTE* FBuffer;
    std::size_t FText;
};

} // namespace

TPrintBackend* PrintSetBackend(TPrintBackend* backend) { return InstalledBackend.exchange(backend); }

TPrintBackend* PrintGetBackend() { return InstalledBackend.load(); }

const std::vector<TPrintPaper>& PrintStandardPapers() { return StandardPapers(); }

const TPrintPaper* PrintFindPaper(SHORT number) {
    for (const TPrintPaper& paper : StandardPapers())
        if (paper.Number == number) return &paper;
    return nullptr;
}

// ---- The list and printers -----------------------------------------------------------------------

BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                   DWORD* returned) {
    if (!needed || !returned || (level != 1 && level != 4 && level != 5)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = 0;
    *returned = 0;
    std::vector<TPrinterInfo> printers;
    if (flags & PRINTER_ENUM_DEFAULT) {
        TPrinterInfo p;
        if (DefaultPrinter(p)) printers.push_back(std::move(p));
    } else if ((flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS)) ||
               ((flags & PRINTER_ENUM_NAME) && (!name || !*name))) {
        printers = AllPrinters();
    }
    std::size_t each = level == 1   ? sizeof(PRINTER_INFO_1A)
                       : level == 4 ? sizeof(PRINTER_INFO_4A)
                                    : sizeof(PRINTER_INFO_5A);
    std::size_t total = printers.size() * each;
    for (const TPrinterInfo& p : printers) {
        if (level == 1)
            total += (p.Name + "," + p.Driver + "," + p.Location).size() + 1 + p.Name.size() + 1 +
                     p.Comment.size() + 1;
        else if (level == 4)
            total += p.Name.size() + 1;
        else
            total += p.Name.size() + 1 + p.Port.size() + 1;
    }
    *needed = DWORD(total);
    if (!buffer || size < total) {
        if (total == 0) return TRUE;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    InfoBuffer out(buffer, printers.size() * each);
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const TPrinterInfo& p = printers[i];
        DWORD attributes = (p.Network ? PRINTER_ATTRIBUTE_NETWORK : PRINTER_ATTRIBUTE_LOCAL) |
                           (p.Default ? PRINTER_ATTRIBUTE_DEFAULT : 0) | PRINTER_ATTRIBUTE_QUEUED;
        BYTE* at = buffer + i * each;
        if (level == 1) {
            PRINTER_INFO_1A info;
            info.Flags = PRINTER_ENUM_ICON8;
            info.pDescription = out.Text(p.Name + "," + p.Driver + "," + p.Location);
            info.pName = out.Text(p.Name);
            info.pComment = out.Text(p.Comment);
            std::memcpy(at, &info, sizeof(info));
        } else if (level == 4) {
            PRINTER_INFO_4A info;
            info.pPrinterName = out.Text(p.Name);
            info.pServerName = nullptr;
            info.Attributes = attributes;
            std::memcpy(at, &info, sizeof(info));
        } else {
            PRINTER_INFO_5A info;
            info.pPrinterName = out.Text(p.Name);
            info.pPortName = out.Text(p.Port);
            info.Attributes = attributes;
            info.DeviceNotSelectedTimeout = 15000;
            info.TransmissionRetryTimeout = 45000;
            std::memcpy(at, &info, sizeof(info));
        }
    }
    *returned = DWORD(printers.size());
    return TRUE;
}

BOOL OpenPrinterA(LPSTR name, HANDLE* printer, PRINTER_DEFAULTSA* defaults) {
    if (!printer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *printer = nullptr;
    TPrinterInfo info;
    if (!FindPrinter(name, info)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    auto* handle = new PrinterHandle;
    handle->Name = info.Name;
    HandleSet& set = Handles();
    std::lock_guard<std::mutex> lock(set.Lock);
    set.Open.insert(handle);
    *printer = handle;
    return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
    HandleSet& set = Handles();
    std::lock_guard<std::mutex> lock(set.Lock);
    auto it = set.Open.find(static_cast<PrinterHandle*>(printer));
    if (it == set.Open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((*it)->Raw) (*it)->Raw->Abort();
    delete *it;
    set.Open.erase(it);
    return TRUE;
}

LONG DocumentPropertiesA(HWND window, HANDLE printer, LPSTR deviceName, DEVMODEA* out, const DEVMODEA* in,
                         DWORD mode) {
    String name;
    if (printer ? !NameOfHandle(printer, name) : !deviceName) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!printer) name = deviceName;
    TPrinterInfo info;
    if (!FindPrinter(name.c_str(), info)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return -1;
    }
    if (mode == 0) return LONG(sizeof(DEVMODEA));
    if ((mode & DM_OUT_BUFFER) && !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DEVMODEA dm = DevModeFor(info, (mode & DM_IN_BUFFER) ? in : nullptr);
    if ((mode & DM_OUT_BUFFER) && out) *out = dm;
    return 1; // IDOK
}

int DeviceCapabilitiesA(LPCSTR device, LPCSTR port, WORD capability, LPSTR output, const DEVMODEA* devMode) {
    TPrinterInfo p;
    if (!FindPrinter(device, p)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return -1;
    }
    switch (capability) {
    case DC_PAPERS:
        if (output)
            for (std::size_t i = 0; i < p.Papers.size(); ++i) {
                WORD number = WORD(p.Papers[i].Number);
                std::memcpy(output + i * sizeof(WORD), &number, sizeof(WORD));
            }
        return int(p.Papers.size());
    case DC_PAPERNAMES:
        return Slots(output, p.Papers, CCHPAPERNAME, [](const TPrintPaper& paper) { return paper.Name; });
    case DC_PAPERSIZE:
        if (output)
            for (std::size_t i = 0; i < p.Papers.size(); ++i) {
                POINT size{p.Papers[i].Size.cx, p.Papers[i].Size.cy};
                std::memcpy(output + i * sizeof(POINT), &size, sizeof(POINT));
            }
        return int(p.Papers.size());
    case DC_BINS:
        if (output)
            for (std::size_t i = 0; i < p.Bins.size(); ++i) {
                WORD number = WORD(p.Bins[i].Number);
                std::memcpy(output + i * sizeof(WORD), &number, sizeof(WORD));
            }
        return int(p.Bins.size());
    case DC_BINNAMES:
        return Slots(output, p.Bins, CCHBINNAME, [](const TPrintBin& bin) { return bin.Name; });
    case DC_COPIES:
        return std::max(1, p.MaxCopies);
    case DC_COLLATE:
        return p.Collate ? 1 : 0;
    case DC_ORIENTATION:
        return 90;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
}

DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR deflt, LPSTR buffer, DWORD size) {
    String value = deflt ? deflt : "";
    TPrinterInfo printer;
    if (section && key && AnsiSameText(section, "windows") && AnsiSameText(key, "device") &&
        DefaultPrinter(printer))
        value = printer.Name + "," + printer.Driver + "," + printer.Port;
    if (!buffer || size == 0) return 0;
    // At most size - 1 bytes, never part of a character.
    std::size_t n = 0;
    while (n < value.size()) {
        std::size_t next = Utf8Next(value, n);
        if (next > size - 1) break;
        n = next;
    }
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return DWORD(n);
}

// ---- Contexts and documents -----------------------------------------------------------------------

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* devMode) {
    return CreatePrinterDC(device, devMode, false);
}

HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* devMode) {
    return CreatePrinterDC(device, devMode, true);
}

HDC ResetDCA(HDC handle, const DEVMODEA* devMode) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    if (!device || !devMode) return nullptr;
    const TPrinterInfo& printer = device->Printer();
    if (!device->Reset(SettingsOf(DevModeFor(printer, devMode), printer))) return nullptr;
    return handle;
}

int StartDocA(HDC handle, const DOCINFOA* info) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    if (!device) return SP_ERROR;
    String title = info && info->lpszDocName ? info->lpszDocName : "";
    String output = info && info->lpszOutput ? info->lpszOutput : "";
    return device->StartDoc(title, output);
}

int StartPage(HDC handle) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    return device ? device->StartPage() : SP_ERROR;
}

int EndPage(HDC handle) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    return device ? device->EndPage(handle) : SP_ERROR;
}

int EndDoc(HDC handle) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    return device ? device->EndDoc() : SP_ERROR;
}

int AbortDoc(HDC handle) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    return device ? device->AbortDoc() : SP_ERROR;
}

int SetAbortProc(HDC handle, ABORTPROC proc) {
    std::shared_ptr<GdiDC> dc;
    GdiPrinterDevice* device = PrinterDevice(handle, dc);
    if (!device) return SP_ERROR;
    device->SetAbortProc(proc);
    return 1;
}

// ---- Raw documents -----------------------------------------------------------------------------

namespace {

// A raw document printed into a file of the caller's.
class FileRawJob : public TRawPrintJob {
public:
    FileRawJob(std::FILE* file, String path) : FFile(file), FPath(std::move(path)) {}
    ~FileRawJob() override {
        if (FFile) std::fclose(FFile);
    }
    bool Write(const void* data, std::size_t count) override {
        return FFile && std::fwrite(data, 1, count, FFile) == count;
    }
    bool Finish() override {
        if (!FFile) return false;
        bool ok = std::fflush(FFile) == 0;
        ok = std::fclose(FFile) == 0 && ok;
        FFile = nullptr;
        return ok;
    }
    void Abort() override {
        if (!FFile) return;
        std::fclose(FFile);
        FFile = nullptr;
        std::remove(FPath.c_str());
    }

private:
    std::FILE* FFile;
    String FPath;
};

std::atomic<DWORD> NextRawJobId{1};

// The handle, locked in its set, or null with ERROR_INVALID_HANDLE.
template <typename F>
auto WithPrinterHandle(HANDLE printer, F f) -> decltype(f(std::declval<PrinterHandle&>())) {
    HandleSet& set = Handles();
    std::lock_guard<std::mutex> lock(set.Lock);
    auto it = set.Open.find(static_cast<PrinterHandle*>(printer));
    if (it == set.Open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return {};
    }
    return f(**it);
}

} // namespace

DWORD StartDocPrinterA(HANDLE printer, DWORD level, BYTE* docInfo) {
    return WithPrinterHandle(printer, [&](PrinterHandle& handle) -> DWORD {
        if (level != 1) {
            SetLastError(ERROR_INVALID_LEVEL);
            return 0;
        }
        if (!docInfo) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (handle.Raw) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const auto* info = reinterpret_cast<const DOC_INFO_1A*>(docInfo);
        if (info->pDatatype && !AnsiSameText(info->pDatatype, "RAW")) {
            SetLastError(ERROR_INVALID_DATATYPE);
            return 0;
        }
        String title = info->pDocName ? info->pDocName : "";
        if (info->pOutputFile && *info->pOutputFile) {
            std::FILE* file = std::fopen(info->pOutputFile, "wb");
            if (!file) {
                SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
                return 0;
            }
            handle.Raw = std::make_unique<FileRawJob>(file, info->pOutputFile);
        } else {
            TPrintBackend* backend = InstalledBackend.load();
            TPrinterInfo found;
            if (backend && FindPrinter(handle.Name.c_str(), found)) handle.Raw = backend->StartRawJob(found, title);
            if (!handle.Raw) {
                SetLastError(ERROR_NOT_SUPPORTED);
                return 0;
            }
        }
        handle.PageOpen = false;
        handle.JobId = NextRawJobId++;
        return handle.JobId;
    });
}

BOOL StartPagePrinter(HANDLE printer) {
    return WithPrinterHandle(printer, [&](PrinterHandle& handle) -> BOOL {
        if (!handle.Raw) {
            SetLastError(ERROR_SPL_NO_STARTDOC);
            return FALSE;
        }
        handle.PageOpen = true;
        return TRUE;
    });
}

BOOL WritePrinter(HANDLE printer, const void* buffer, DWORD count, DWORD* written) {
    if (written) *written = 0;
    return WithPrinterHandle(printer, [&](PrinterHandle& handle) -> BOOL {
        if (!handle.Raw) {
            SetLastError(ERROR_SPL_NO_STARTDOC);
            return FALSE;
        }
        if (count && !buffer) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (count && !handle.Raw->Write(buffer, count)) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        if (written) *written = count;
        return TRUE;
    });
}

BOOL EndPagePrinter(HANDLE printer) {
    return WithPrinterHandle(printer, [&](PrinterHandle& handle) -> BOOL {
        if (!handle.Raw) {
            SetLastError(ERROR_SPL_NO_STARTDOC);
            return FALSE;
        }
        handle.PageOpen = false;
        return TRUE;
    });
}

BOOL EndDocPrinter(HANDLE printer) {
    return WithPrinterHandle(printer, [&](PrinterHandle& handle) -> BOOL {
        if (!handle.Raw) {
            SetLastError(ERROR_SPL_NO_STARTDOC);
            return FALSE;
        }
        std::unique_ptr<TRawPrintJob> job = std::move(handle.Raw);
        handle.PageOpen = false;
        if (!job->Finish()) {
            job->Abort();
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        return TRUE;
    });
}

BOOL AbortPrinter(HANDLE printer) {
    return WithPrinterHandle(printer, [&](PrinterHandle& handle) -> BOOL {
        if (!handle.Raw) {
            SetLastError(ERROR_SPL_NO_STARTDOC);
            return FALSE;
        }
        std::unique_ptr<TRawPrintJob> job = std::move(handle.Raw);
        handle.PageOpen = false;
        job->Abort();
        return TRUE;
    });
}
