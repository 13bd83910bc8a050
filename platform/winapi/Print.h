// Printers: the list of printers, printer handles, device modes and capabilities, the default
// printer, printer device contexts and their documents, with the classic names, structures and
// numeric values. The printers themselves come from the printer backend (PrintBackend.h); with
// none installed there are no printers: EnumPrintersA lists none and CreateDCA fails.
//
// A printer context draws in device pixels at the printer's resolution; its device
// coordinates start at the top-left corner of the printable area (PHYSICALOFFSETX/Y from the
// paper's edge). Drawing reaches the printer only between StartPage and EndPage of a document;
// an information context (CreateICA) answers GetDeviceCaps and measures text but draws nothing.
#pragma once

#include <cstddef>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinMonitor.h"  // CCHDEVICENAME

struct HWND__;
using HWND = HWND__*;

// ---- Structures ------------------------------------------------------------------------------

constexpr int CCHFORMNAME = 32;

// The printer fields of the device mode (the display fields that share some of their room are
// not used here).
struct DEVMODEA {
    BYTE dmDeviceName[CCHDEVICENAME] = {};
    WORD dmSpecVersion = 0;
    WORD dmDriverVersion = 0;
    WORD dmSize = 0; // sizeof(DEVMODEA)
    WORD dmDriverExtra = 0;
    DWORD dmFields = 0; // DM_*: the fields that hold a value
    SHORT dmOrientation = 0;
    SHORT dmPaperSize = 0;   // DMPAPER_*
    SHORT dmPaperLength = 0; // tenths of a millimetre, for DMPAPER_USER
    SHORT dmPaperWidth = 0;
    SHORT dmScale = 0;
    SHORT dmCopies = 0;
    SHORT dmDefaultSource = 0; // DMBIN_*
    SHORT dmPrintQuality = 0;  // dots per inch (x), or a DMRES_* value
    SHORT dmColor = 0;
    SHORT dmDuplex = 0;
    SHORT dmYResolution = 0;
    SHORT dmTTOption = 0;
    SHORT dmCollate = 0;
    BYTE dmFormName[CCHFORMNAME] = {};
    WORD dmLogPixels = 0;
    DWORD dmBitsPerPel = 0;
    DWORD dmPelsWidth = 0;
    DWORD dmPelsHeight = 0;
    DWORD dmNup = 0;
    DWORD dmDisplayFrequency = 0;
    DWORD dmICMMethod = 0;
    DWORD dmICMIntent = 0;
    DWORD dmMediaType = 0;
    DWORD dmDitherType = 0;
    DWORD dmReserved1 = 0;
    DWORD dmReserved2 = 0;
    DWORD dmPanningWidth = 0;
    DWORD dmPanningHeight = 0;
};
static_assert(sizeof(DEVMODEA) == 156);
static_assert(offsetof(DEVMODEA, dmFields) == 40 && offsetof(DEVMODEA, dmLogPixels) == 102);
using DEVMODE = DEVMODEA;

struct PRINTER_INFO_1A {
    DWORD Flags;
    LPSTR pDescription; // "name,driver,location"
    LPSTR pName;
    LPSTR pComment;
};

struct PRINTER_INFO_4A {
    LPSTR pPrinterName;
    LPSTR pServerName; // null: a printer of this machine
    DWORD Attributes;
};

struct PRINTER_INFO_5A {
    LPSTR pPrinterName;
    LPSTR pPortName; // ports separated by commas
    DWORD Attributes;
    DWORD DeviceNotSelectedTimeout;
    DWORD TransmissionRetryTimeout;
};

struct PRINTER_DEFAULTSA {
    LPSTR pDatatype = nullptr;
    DEVMODEA* pDevMode = nullptr;
    DWORD DesiredAccess = 0;
};

struct DOCINFOA {
    int cbSize = sizeof(DOCINFOA);
    LPCSTR lpszDocName = nullptr;
    LPCSTR lpszOutput = nullptr; // a file to print into (null: the printer's own output)
    LPCSTR lpszDatatype = nullptr;
    DWORD fwType = 0;
};
using DOCINFO = DOCINFOA;

// A document of raw bytes for the spooler (StartDocPrinterA, level 1). pDatatype "RAW" (or
// null) is the only kind taken.
struct DOC_INFO_1A {
    LPSTR pDocName = nullptr;
    LPSTR pOutputFile = nullptr; // a file the bytes go into (null: the printer itself)
    LPSTR pDatatype = nullptr;
};

// Called at every EndPage while a document prints; returning FALSE aborts the document.
using ABORTPROC = BOOL (*)(HDC dc, int error);

// ---- Constants -------------------------------------------------------------------------------

constexpr DWORD PRINTER_ENUM_DEFAULT = 0x00000001;
constexpr DWORD PRINTER_ENUM_LOCAL = 0x00000002;
constexpr DWORD PRINTER_ENUM_CONNECTIONS = 0x00000004;
constexpr DWORD PRINTER_ENUM_FAVORITE = 0x00000004;
constexpr DWORD PRINTER_ENUM_NAME = 0x00000008;
constexpr DWORD PRINTER_ENUM_REMOTE = 0x00000010;
constexpr DWORD PRINTER_ENUM_SHARED = 0x00000020;
constexpr DWORD PRINTER_ENUM_NETWORK = 0x00000040;
constexpr DWORD PRINTER_ENUM_ICON8 = 0x00800000;

constexpr DWORD PRINTER_ATTRIBUTE_QUEUED = 0x00000001;
constexpr DWORD PRINTER_ATTRIBUTE_DIRECT = 0x00000002;
constexpr DWORD PRINTER_ATTRIBUTE_DEFAULT = 0x00000004;
constexpr DWORD PRINTER_ATTRIBUTE_SHARED = 0x00000008;
constexpr DWORD PRINTER_ATTRIBUTE_NETWORK = 0x00000010;
constexpr DWORD PRINTER_ATTRIBUTE_LOCAL = 0x00000040;

constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;

// Device-mode fields.
constexpr DWORD DM_ORIENTATION = 0x00000001;
constexpr DWORD DM_PAPERSIZE = 0x00000002;
constexpr DWORD DM_PAPERLENGTH = 0x00000004;
constexpr DWORD DM_PAPERWIDTH = 0x00000008;
constexpr DWORD DM_SCALE = 0x00000010;
constexpr DWORD DM_COPIES = 0x00000100;
constexpr DWORD DM_DEFAULTSOURCE = 0x00000200;
constexpr DWORD DM_PRINTQUALITY = 0x00000400;
constexpr DWORD DM_COLOR = 0x00000800;
constexpr DWORD DM_DUPLEX = 0x00001000;
constexpr DWORD DM_YRESOLUTION = 0x00002000;
constexpr DWORD DM_TTOPTION = 0x00004000;
constexpr DWORD DM_COLLATE = 0x00008000;
constexpr DWORD DM_FORMNAME = 0x00010000;

// DocumentPropertiesA modes.
constexpr DWORD DM_UPDATE = 1;
constexpr DWORD DM_COPY = 2;
constexpr DWORD DM_PROMPT = 4;
constexpr DWORD DM_MODIFY = 8;
constexpr DWORD DM_IN_BUFFER = DM_MODIFY;
constexpr DWORD DM_IN_PROMPT = DM_PROMPT;
constexpr DWORD DM_OUT_BUFFER = DM_COPY;
constexpr DWORD DM_OUT_DEFAULT = DM_UPDATE;
constexpr DWORD DM_SPECVERSION = 0x0401;

constexpr SHORT DMORIENT_PORTRAIT = 1;
constexpr SHORT DMORIENT_LANDSCAPE = 2;

constexpr SHORT DMPAPER_LETTER = 1;
constexpr SHORT DMPAPER_LEGAL = 5;
constexpr SHORT DMPAPER_EXECUTIVE = 7;
constexpr SHORT DMPAPER_A3 = 8;
constexpr SHORT DMPAPER_A4 = 9;
constexpr SHORT DMPAPER_A5 = 11;
constexpr SHORT DMPAPER_B4 = 12;
constexpr SHORT DMPAPER_B5 = 13;
constexpr SHORT DMPAPER_ENV_10 = 20;
constexpr SHORT DMPAPER_ENV_DL = 27;
constexpr SHORT DMPAPER_ENV_C5 = 28;
constexpr SHORT DMPAPER_A6 = 70;
constexpr SHORT DMPAPER_USER = 256;

constexpr SHORT DMBIN_UPPER = 1;
constexpr SHORT DMBIN_ONLYONE = 1;
constexpr SHORT DMBIN_LOWER = 2;
constexpr SHORT DMBIN_MIDDLE = 3;
constexpr SHORT DMBIN_MANUAL = 4;
constexpr SHORT DMBIN_ENVELOPE = 5;
constexpr SHORT DMBIN_ENVMANUAL = 6;
constexpr SHORT DMBIN_AUTO = 7;
constexpr SHORT DMBIN_TRACTOR = 8;
constexpr SHORT DMBIN_SMALLFMT = 9;
constexpr SHORT DMBIN_LARGEFMT = 10;
constexpr SHORT DMBIN_LARGECAPACITY = 11;
constexpr SHORT DMBIN_CASSETTE = 14;
constexpr SHORT DMBIN_FORMSOURCE = 15;
constexpr SHORT DMBIN_USER = 256;

constexpr SHORT DMRES_DRAFT = -1;
constexpr SHORT DMRES_LOW = -2;
constexpr SHORT DMRES_MEDIUM = -3;
constexpr SHORT DMRES_HIGH = -4;

constexpr SHORT DMCOLOR_MONOCHROME = 1;
constexpr SHORT DMCOLOR_COLOR = 2;

constexpr SHORT DMDUP_SIMPLEX = 1;
constexpr SHORT DMDUP_VERTICAL = 2;
constexpr SHORT DMDUP_HORIZONTAL = 3;

constexpr SHORT DMCOLLATE_FALSE = 0;
constexpr SHORT DMCOLLATE_TRUE = 1;

// DeviceCapabilitiesA.
constexpr WORD DC_FIELDS = 1;
constexpr WORD DC_PAPERS = 2;    // WORD paper numbers
constexpr WORD DC_PAPERSIZE = 3; // POINT sizes in tenths of a millimetre (portrait)
constexpr WORD DC_MINEXTENT = 4;
constexpr WORD DC_MAXEXTENT = 5;
constexpr WORD DC_BINS = 6; // WORD bin numbers
constexpr WORD DC_DUPLEX = 7;
constexpr WORD DC_SIZE = 8;
constexpr WORD DC_EXTRA = 9;
constexpr WORD DC_VERSION = 10;
constexpr WORD DC_DRIVER = 11;
constexpr WORD DC_BINNAMES = 12; // names in slots of 24 bytes
constexpr WORD DC_ENUMRESOLUTIONS = 13;
constexpr WORD DC_FILEDEPENDENCIES = 14;
constexpr WORD DC_TRUETYPE = 15;
constexpr WORD DC_PAPERNAMES = 16;  // names in slots of 64 bytes
constexpr WORD DC_ORIENTATION = 17; // degrees the paper turns for landscape (0: none)
constexpr WORD DC_COPIES = 18;      // the most copies
constexpr WORD DC_COLLATE = 22;     // 1 when the printer collates copies

constexpr int CCHBINNAME = 24;
constexpr int CCHPAPERNAME = 64;

// Results of the document calls.
constexpr int SP_ERROR = -1;
constexpr int SP_APPABORT = -2;
constexpr int SP_USERABORT = -3;
constexpr int SP_OUTOFDISK = -4;
constexpr int SP_OUTOFMEMORY = -5;

// ---- The printer list and printers -----------------------------------------------------------

// Levels 1, 4 and 5. Without a buffer large enough, FALSE with ERROR_INSUFFICIENT_BUFFER and
// the size needed in *needed. PRINTER_ENUM_DEFAULT lists the default printer alone. Names are
// UTF-8.
BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                   DWORD* returned);
// FALSE with ERROR_INVALID_PRINTER_NAME for a name the list does not have.
BOOL OpenPrinterA(LPSTR name, HANDLE* printer, PRINTER_DEFAULTSA* defaults);
BOOL ClosePrinter(HANDLE printer);
// mode 0: the size of the device mode (sizeof(DEVMODEA)). DM_OUT_BUFFER: writes the printer's
// device mode to out, with DM_IN_BUFFER the fields of in marked in its dmFields merged into it
// (values the printer cannot take keep its own). DM_IN_PROMPT shows nothing here and answers
// as if the user had confirmed. Returns IDOK (1), or a negative value on failure.
LONG DocumentPropertiesA(HWND window, HANDLE printer, LPSTR deviceName, DEVMODEA* out, const DEVMODEA* in,
                         DWORD mode);
// What the printer offers; with output null the number of entries. -1 for an unknown printer
// or capability.
int DeviceCapabilitiesA(LPCSTR device, LPCSTR port, WORD capability, LPSTR output, const DEVMODEA* devMode);

// The platform's profile: section "windows", key "device" gives the default printer as
// "name,driver,port" (the default when there is no printer). Other keys give the default.
DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR deflt, LPSTR buffer, DWORD size);

// ---- Printer contexts ------------------------------------------------------------------------

// A context for the printer named device (driver and port are not needed), set up by devMode
// over the printer's own device mode; null for a name the list does not have.
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* devMode);
HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* devMode);
// New settings for the pages that follow (null when dc is not a printer context or a page is
// open).
HDC ResetDCA(HDC dc, const DEVMODEA* devMode);

// Begins a document: a positive job number, or SP_ERROR (for an information context, or while
// a document is open).
int StartDocA(HDC dc, const DOCINFOA* info);
int StartPage(HDC dc);
// Ends the page; a positive value, SP_ERROR, or SP_APPABORT when the abort procedure stopped
// the document.
int EndPage(HDC dc);
int EndDoc(HDC dc);
// Drops the document: nothing of it is printed (a file it was printing into is removed).
int AbortDoc(HDC dc);
int SetAbortProc(HDC dc, ABORTPROC proc);

// ---- Raw documents -----------------------------------------------------------------------------
// Bytes sent to a printer as they are, through a handle of OpenPrinterA. With an output file the
// bytes go into that file; otherwise the printer must take raw documents (the "PDF" printer
// writes them into "<document name>.prn" in the home directory; a printer that cannot take them
// fails with ERROR_NOT_SUPPORTED). One document at a time per handle; ClosePrinter drops a
// document still open.

constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_LEVEL = 124;
constexpr DWORD ERROR_INVALID_DATATYPE = 1804;
constexpr DWORD ERROR_SPL_NO_STARTDOC = 3003;

// A positive job number; 0 with the last error on failure (ERROR_INVALID_HANDLE,
// ERROR_INVALID_LEVEL for a level other than 1, ERROR_INVALID_DATATYPE, ERROR_NOT_SUPPORTED, an
// output file that cannot be made: its error).
DWORD StartDocPrinterA(HANDLE printer, DWORD level, BYTE* docInfo);
BOOL StartPagePrinter(HANDLE printer);
BOOL WritePrinter(HANDLE printer, const void* buffer, DWORD count, DWORD* written);
BOOL EndPagePrinter(HANDLE printer);
// Completes the document: it goes to the printer or its file.
BOOL EndDocPrinter(HANDLE printer);
// Drops the open document; a file it was writing is removed.
BOOL AbortPrinter(HANDLE printer);
inline DWORD StartDocPrinter(HANDLE printer, DWORD level, BYTE* docInfo) {
    return StartDocPrinterA(printer, level, docInfo);
}
