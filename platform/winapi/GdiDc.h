// Device contexts: the state every kind of context shares (selected objects, origins, clip
// region, modes, colours, current position, the path being built) and the device seam each
// kind implements. Image contexts rasterise onto 32-bit images (memory bitmaps, or a window's
// surface with an origin and a visible region); a printer or a recording (metafile) device
// plugs in through GdiDevice and GdiCreateDC with the same state and objects.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/winapi/GdiObjects.h"

// A point of a path or of a curve, in device coordinates; integer values are pixel
// positions, as the points the drawing calls take.
struct GdiPointD {
    double x = 0;
    double y = 0;
};

struct GdiPathFigure {
    std::vector<GdiPointD> Points;
    bool Closed = false;
};

struct GdiPath {
    std::vector<GdiPathFigure> Figures;
};

enum class GdiPathState { None, Open, Closed };

struct GdiDcState {
    std::shared_ptr<GdiPen> Pen;
    std::shared_ptr<GdiBrush> Brush;
    std::shared_ptr<GdiBitmap> Bitmap; // memory contexts
    std::shared_ptr<GdiObject> Font;   // a GdiFont (GdiFont.h)
    POINT WindowOrg{};
    POINT ViewportOrg{};
    POINT BrushOrg{};
    POINT CurrentPos{};
    std::optional<GdiRegion> Clip; // device coordinates; none: no clip region
    int Rop2 = R2_COPYPEN;
    int BkMode = OPAQUE;
    COLORREF BkColor = RGB(255, 255, 255);
    COLORREF TextColor = RGB(0, 0, 0);
    UINT TextAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int PolyFillMode = ALTERNATE;
    int StretchMode = BLACKONWHITE;
    int ArcDirection = AD_COUNTERCLOCKWISE;
    int MapMode = MM_TEXT;
    COLORREF DcBrushColor = RGB(255, 255, 255);
    COLORREF DcPenColor = RGB(0, 0, 0);
    int TextCharacterExtra = 0;
    int BreakExtra = 0;
    int BreakCount = 0;
    GdiPathState PathState = GdiPathState::None;
    GdiPath Path;
};

// What a state call changed, for a device that records calls.
enum class GdiStateChange {
    Object, // SelectObject of a pen, brush, bitmap or font
    Origin, // window or viewport origin
    BrushOrigin,
    Clip,
    Mode,  // ROP2, background mode, fill mode, stretch mode, arc direction, map mode
    Color, // text, background, DC pen and DC brush colours
    TextAlign,
    Save,
    Restore,
    CurrentPosition,
    Path, // BeginPath, EndPath, AbortPath, CloseFigure
};

enum class GdiArcKind { Arc, Chord, Pie };

// One BitBlt, StretchBlt, MaskBlt or TransparentBlt call; coordinates are logical.
struct GdiBltRequest {
    int X = 0, Y = 0, Width = 0, Height = 0;
    GdiDC* Src = nullptr;
    int SrcX = 0, SrcY = 0, SrcWidth = 0, SrcHeight = 0;
    DWORD Rop = SRCCOPY;             // for mask bits 1 (or without a mask)
    const GdiBitmap* Mask = nullptr; // MaskBlt
    int MaskX = 0, MaskY = 0;
    DWORD BackRop = SRCCOPY;  // for mask bits 0
    bool Transparent = false; // TransparentBlt
    COLORREF TransparentColor = 0;
};

class GdiFontInstance;

// One run of text as a device draws it, in logical coordinates: the characters with their
// positions, and the areas to fill. Devices with pixels take the glyph images from the font
// (GdiFontInstance::SourceFor); others can draw the characters their own way at the same
// positions.
struct GdiTextRequest {
    std::shared_ptr<const GdiFontInstance> Font;
    UINT Options = 0; // ETO_OPAQUE: fill Rect in the background colour; ETO_CLIPPED: clip to Rect
    bool HasRect = false;
    RECT Rect{};
    std::u32string Text;          // as drawn (expanded tabs are blanks)
    std::vector<POINT> Positions; // per character: its origin on the baseline
    std::vector<int> Advances;    // per character, along the baseline
    GdiPointD Origin;             // the start of the baseline
    int Width = 0;                // the advances added up
    bool Glyphs = true;           // false: only the areas below
    // The character cells, filled in the background colour first (empty: not filled), and
    // the underline and strike-out (or other marks) filled in the text colour last.
    std::vector<GdiPointD> Cell;
    std::vector<std::vector<GdiPointD>> Marks;
};

class GdiDevice {
public:
    virtual ~GdiDevice() = default;

    virtual int Caps(const GdiDC& dc, int index) const = 0;
    // The device's extent in device coordinates; a clip region made from "everything"
    // (ExcludeClipRect without a clip region) starts from it.
    virtual RECT Bounds(const GdiDC& dc) const = 0;
    // The part of Bounds the context may touch before its own clip region (a window's
    // visible region); nullptr: all of Bounds.
    virtual const GdiRegion* Visible(const GdiDC& dc) const { return nullptr; }
    // Memory contexts take bitmaps with SelectObject.
    virtual bool AcceptsBitmap() const { return false; }
    // The pixels behind the context for blits that read from it: the surface and where the
    // device origin lies on it. False for devices without pixels.
    virtual bool SourcePixels(const GdiDC& dc, GdiSurface& surface, POINT& origin) const { return false; }
    // A state call changed the context.
    virtual void Changed(GdiDC& dc, GdiStateChange what) {}

    // The primitives, in logical coordinates, with the context's pen, brush, modes and
    // clipping. Paths are recorded before they reach a device.
    virtual BOOL Polyline(GdiDC& dc, const POINT* points, int count) = 0;
    virtual BOOL PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) = 0;
    virtual BOOL Rectangle(GdiDC& dc, const RECT& box) = 0;
    virtual BOOL RoundRect(GdiDC& dc, const RECT& box, int width, int height) = 0;
    virtual BOOL Ellipse(GdiDC& dc, const RECT& box) = 0;
    virtual BOOL ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) = 0;
    // Paints a region (logical coordinates) through a ternary raster operation with brush
    // as the pattern (nullptr for operations that do not read it).
    virtual BOOL PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) = 0;
    virtual BOOL Blt(GdiDC& dc, const GdiBltRequest& request) = 0;
    virtual COLORREF SetPixel(GdiDC& dc, POINT point, COLORREF color) = 0;
    virtual COLORREF GetPixel(GdiDC& dc, POINT point) = 0;
    // A finished path, in device coordinates.
    virtual BOOL DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) = 0;
    // Text in the context's text and background colours, through its clip region (not its
    // raster operation).
    virtual BOOL Text(GdiDC& dc, const GdiTextRequest& request) { return FALSE; }
};

class GdiDC : public GdiObject {
public:
    GdiDC(DWORD type, std::unique_ptr<GdiDevice> device) : Device(std::move(device)), FType(type) {}
    ~GdiDC() override;
    DWORD ObjectType() const override { return FType; }

    // Logical to device coordinates and back (the pixel mapping: window and viewport
    // origins only). Results are held within +-2^30, so far-off input cannot overflow.
    POINT ToDevice(POINT p) const {
        return {Clamp((long long)p.x - State.WindowOrg.x + State.ViewportOrg.x),
                Clamp((long long)p.y - State.WindowOrg.y + State.ViewportOrg.y)};
    }
    POINT ToLogical(POINT p) const {
        return {Clamp((long long)p.x + State.WindowOrg.x - State.ViewportOrg.x),
                Clamp((long long)p.y + State.WindowOrg.y - State.ViewportOrg.y)};
    }
    // Device offset of logical coordinates.
    POINT Offset() const {
        return {Clamp((long long)State.ViewportOrg.x - State.WindowOrg.x),
                Clamp((long long)State.ViewportOrg.y - State.WindowOrg.y)};
    }
    // What the context may draw on, in device coordinates: Bounds, the visible region and
    // the clip region together.
    GdiRegion EffectiveClip() const;
    // The pen and brush colours of the DC_PEN and DC_BRUSH objects resolve here.
    COLORREF PenColor() const;
    COLORREF BrushColor(const GdiBrush& brush) const;

    GdiDcState State;
    std::vector<GdiDcState> Saved;
    std::unique_ptr<GdiDevice> Device;
    HANDLE Window = nullptr; // the window of a window context, for the window system

private:
    static LONG Clamp(long long v) {
        return LONG(v < -(1LL << 30) ? -(1LL << 30) : v > (1LL << 30) ? (1LL << 30) : v);
    }
    DWORD FType;
};

std::shared_ptr<GdiDC> GdiFindDC(HDC dc);
// Registers a context of any kind with the default state (black pen, white brush; a memory
// context also gets the 1x1 monochrome bitmap).
HDC GdiCreateDC(DWORD type, std::unique_ptr<GdiDevice> device);

// An image context over pixels owned by someone else, such as a window's surface: device
// (0, 0) lies at Origin on the surface; the context reaches Bounds (device coordinates) and,
// when given, only the Visible part of it.
struct GdiImageTarget {
    GdiSurface Surface;
    POINT Origin{};
    RECT Bounds{};
    std::optional<GdiRegion> Visible;
};
HDC GdiCreateImageDC(const GdiImageTarget& target);
// Points an image context made by GdiCreateImageDC at another target (after the surface
// was reallocated or the window moved); its state stays.
BOOL GdiSetImageTarget(HDC dc, const GdiImageTarget& target);
