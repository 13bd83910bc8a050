// The printer device: a printer context's drawing as vector output on the pages of a print
// job (PrintBackend.h), its page geometry for GetDeviceCaps, and the state of its document.
#pragma once

#include <memory>

#include "platform/winapi/GdiDc.h"
#include "platform/winapi/PrintBackend.h"

class GdiPrinterDevice : public GdiDevice {
public:
    // information: a context that answers questions and draws nothing.
    GdiPrinterDevice(TPrinterInfo printer, TPrintSettings settings, bool information);
    ~GdiPrinterDevice() override;

    const TPrinterInfo& Printer() const { return FPrinter; }
    const TPrintSettings& Settings() const { return FSettings; }
    bool Information() const { return FInformation; }
    bool Printing() const { return FJob != nullptr; }
    bool PageOpen() const { return FPageOpen; }

    // New settings for the pages that follow; false while a page is open.
    bool Reset(const TPrintSettings& settings);
    int StartDoc(const String& title, const String& output);
    int StartPage();
    int EndPage(HDC dc);
    int EndDoc();
    int AbortDoc();
    void SetAbortProc(ABORTPROC proc) { FAbortProc = proc; }

    int Caps(const GdiDC& dc, int index) const override;
    RECT Bounds(const GdiDC& dc) const override;
    void Changed(GdiDC& dc, GdiStateChange what) override;

    BOOL Polyline(GdiDC& dc, const POINT* points, int count) override;
    BOOL PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) override;
    BOOL Rectangle(GdiDC& dc, const RECT& box) override;
    BOOL RoundRect(GdiDC& dc, const RECT& box, int width, int height) override;
    BOOL Ellipse(GdiDC& dc, const RECT& box) override;
    BOOL ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) override;
    BOOL PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) override;
    BOOL Blt(GdiDC& dc, const GdiBltRequest& request) override;
    COLORREF SetPixel(GdiDC& dc, POINT point, COLORREF color) override;
    COLORREF GetPixel(GdiDC& dc, POINT point) override { return CLR_INVALID; }
    BOOL DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) override;
    BOOL Text(GdiDC& dc, const GdiTextRequest& request) override;

private:
    // The page in device pixels: the whole paper and the margins on each side.
    struct Geometry {
        int Dpi = 600;
        SIZE Paper{};
        RECT Margins{}; // left, top, right, bottom
    };
    Geometry Measure() const;
    // The canvas of the open page with the context's clip region set; null when no page is
    // open.
    TPrintCanvas* Open(const GdiDC& dc);
    // A figure: its outline (pixel positions) filled with the brush and stroked with the pen.
    BOOL Figure(GdiDC& dc, const std::vector<std::vector<GdiPointD>>& outlines, bool closed, bool fill,
                bool planeWithoutPen = false);

    TPrinterInfo FPrinter;
    TPrintSettings FSettings;
    bool FInformation;
    std::unique_ptr<TPrintJob> FJob;
    bool FPageOpen = false;
    ABORTPROC FAbortProc = nullptr;
    bool FClipKnown = false; // the canvas has the clip of FClip
    std::vector<RECT> FClip;
    bool FClipped = false;
};
