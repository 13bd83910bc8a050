// What the printer calls (Print.h) need from a display backend: the printers there are, and
// documents printed on them page by page through a vector canvas. The backend installs itself
// with PrintSetBackend; the program's main does that at start-up (tests too).
//
// The canvas works in the printer's device pixels at the page's resolution, from the top-left
// corner of the printable area, y downwards. A point given as a whole number is the corner of
// a pixel (as in the pixel plane of GdiRaster.h), so the pixel (x, y) is the square from
// (x, y) to (x + 1, y + 1).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/GdiRaster.h"
#include "platform/winapi/Print.h"

// A paper size: its number (DMPAPER_*), its name and its size in tenths of a millimetre, the
// paper standing upright.
struct TPrintPaper {
    SHORT Number = 0;
    String Name;
    SIZE Size{};
};

struct TPrintBin {
    SHORT Number = 0; // DMBIN_*
    String Name;
};

// A printer as the list shows it, what it can do and its own settings.
struct TPrinterInfo {
    String Name;
    String Port;
    String Driver;
    String Location;
    String Comment;
    bool Default = false;
    bool Network = false;
    std::vector<TPrintPaper> Papers;
    std::vector<TPrintBin> Bins;
    std::vector<int> Resolutions; // dots per inch, the same across and down
    int MaxCopies = 1;
    bool Duplex = false;
    bool Collate = false;
    bool Color = true;
    // What the printer cannot print on, in tenths of a millimetre from each edge of the
    // upright paper (left, top, right, bottom).
    RECT Margins{};
    SHORT DefaultPaper = DMPAPER_A4;
    SHORT DefaultBin = DMBIN_AUTO;
    int DefaultResolution = 600;
};

// The settings a page prints with, from a device mode.
struct TPrintSettings {
    SHORT Paper = DMPAPER_A4;
    SIZE PaperSize{2100, 2970}; // tenths of a millimetre, upright
    bool Landscape = false;
    int Resolution = 600;
    int Copies = 1;
    bool Collate = false;
    SHORT Bin = DMBIN_AUTO;
    SHORT Duplex = DMDUP_SIMPLEX;
    bool Color = true;
};

struct TPrintPen {
    double Width = 1;
    COLORREF Color = 0; // RGB
    int Cap = PS_ENDCAP_FLAT;
    int Join = PS_JOIN_MITER;
    std::vector<double> Dashes; // lengths on, off, on, ...; empty: solid
};

// One face of a text: the installed family by name at an em size in device pixels (EmX: the
// em size across when the face is stretched, 0 when it is not).
struct TPrintFace {
    String Family;
    int Em = 0;
    int EmX = 0;
    bool Bold = false;
    bool Italic = false;
};

// Characters placed one by one: each at the start of its baseline, drawn from Faces[Face[i]].
struct TPrintText {
    TPrintFace Faces[2];
    std::u32string Chars;
    std::vector<GdiPointD> Positions;
    std::vector<int> Face;
    int Escapement = 0; // tenths of a degree, counter-clockwise
    COLORREF Color = 0;
};

class TPrintCanvas {
public:
    virtual ~TPrintCanvas() = default;
    // What is drawn from now on is clipped to the rectangles (half-open); null: not clipped.
    virtual void SetClip(const std::vector<RECT>* rects) = 0;
    // Fills polygons (closed implicitly) with the even-odd or the winding rule. The paint is
    // a colour, or a tile of pixels (0x00RRGGBB) repeated from its phase whose cells may be
    // left out.
    virtual void FillPolygons(const std::vector<std::vector<GdiPointD>>& polygons, bool winding,
                              const GdiPaint& paint) = 0;
    virtual void StrokePolyline(const std::vector<GdiPointD>& points, bool closed, const TPrintPen& pen) = 0;
    // An image (0xAARRGGBB, row after row; alpha 0 leaves the page as it is) stretched over the
    // rectangle from (x, y), width by height; a negative width or height mirrors it.
    virtual void DrawImage(double x, double y, double width, double height, int imageWidth, int imageHeight,
                           const std::vector<std::uint32_t>& pixels) = 0;
    virtual void DrawText(const TPrintText& text) = 0;
};

// One document being printed.
class TPrintJob {
public:
    virtual ~TPrintJob() = default;
    // Opens the next page with its settings; false when the printer refuses.
    virtual bool StartPage(const TPrintSettings& settings) = 0;
    // The page open now.
    virtual TPrintCanvas& Canvas() = 0;
    virtual bool EndPage() = 0;
    // The document is complete and goes to the printer (or its file).
    virtual bool Finish() = 0;
    // Nothing of the document is printed; a file it was writing is removed.
    virtual void Abort() = 0;
};

// One document of raw bytes.
class TRawPrintJob {
public:
    virtual ~TRawPrintJob() = default;
    virtual bool Write(const void* data, std::size_t count) = 0;
    // The document is complete and goes to the printer (or its file).
    virtual bool Finish() = 0;
    // Nothing of the document is printed; a file it was writing is removed.
    virtual void Abort() = 0;
};

class TPrintBackend {
public:
    virtual ~TPrintBackend() = default;
    // A raw document on a printer that takes them; null when it does not.
    virtual std::unique_ptr<TRawPrintJob> StartRawJob(const TPrinterInfo& printer, const String& title) {
        return nullptr;
    }
    virtual std::vector<TPrinterInfo> Printers() = 0;
    // output: the file the document goes into (empty: the printer's own output). Null when
    // the document cannot be started.
    virtual std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo& printer, const String& title,
                                                const String& output, const TPrintSettings& settings) = 0;
};

// Installs the printers (null: none). Returns the backend installed before.
TPrintBackend* PrintSetBackend(TPrintBackend* backend);
TPrintBackend* PrintGetBackend();

// The paper sizes every printer of this system knows by number.
const std::vector<TPrintPaper>& PrintStandardPapers();
// The paper of a number from the standard ones; null when it is not one of them.
const TPrintPaper* PrintFindPaper(SHORT number);
