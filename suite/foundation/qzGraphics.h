// The control suite's drawing surface: TqzCanvas wraps a class-library canvas and adds the
// suite's text flags, 3D edges and side frames, tiled fills, clip-region arithmetic and bitmap
// rotation; TqzRegion owns a region; TqzScreenCanvas measures text outside any window. A few
// colour and rectangle helpers sit beside them.
#pragma once

#include <memory>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

// ---- Suite text flags ------------------------------------------------------------------------
// A 16-bit word of their own. Several of the names are also the class library's TTextFormats
// members, so they live in the unit's namespace: qzGraphics::tfSingleLine.

using TqzTextFlags = Word;

namespace qzGraphics {
constexpr TqzTextFlags tfAlignLeft = 0x0001;
constexpr TqzTextFlags tfAlignRight = 0x0002;
constexpr TqzTextFlags tfAlignHCenter = 0x0004;
constexpr TqzTextFlags tfAlignTop = 0x0008;
constexpr TqzTextFlags tfAlignBottom = 0x0010;
constexpr TqzTextFlags tfAlignVCenter = 0x0020;
constexpr TqzTextFlags tfSingleLine = 0x0040;
constexpr TqzTextFlags tfNoClip = 0x0080;
constexpr TqzTextFlags tfExpandTabs = 0x0100;
constexpr TqzTextFlags tfShowPrefix = 0x0200;
constexpr TqzTextFlags tfWordBreak = 0x0400;
constexpr TqzTextFlags tfEndEllipsis = 0x0800;
constexpr TqzTextFlags tfCalcRect = 0x1000;
constexpr TqzTextFlags tfPathEllipsis = 0x2000;
constexpr TqzTextFlags tfNoBreakChars = 0x4000;

// The DrawText format of suite flags: DT_NOPREFIX unless tfShowPrefix, DT_EDITCONTROL with
// tfWordBreak unless tfNoBreakChars; left and top are DrawText's defaults.
UINT TextFlagsToDrawTextFlags(TqzTextFlags flags);
} // namespace qzGraphics

// ---- Regions ---------------------------------------------------------------------------------

// How a region meets another (RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND).
enum TqzRegionOperation : Byte { roCopy, roUnion, roDifference, roIntersection };

// Owns a region handle and deletes it when destroyed.
class TqzRegion : public TObject {
    KOV_CLASS(TqzRegion, TObject)
public:
    // The empty rectangle 0, 0, 0, 0.
    TqzRegion();
    // Takes the handle over.
    explicit TqzRegion(HRGN handle);
    explicit TqzRegion(const TRect& rect);
    TqzRegion(Integer left, Integer top, Integer right, Integer bottom);
    ~TqzRegion() override;
    TqzRegion(const TqzRegion&) = delete;
    TqzRegion& operator=(const TqzRegion&) = delete;

    static std::unique_ptr<TqzRegion> CreateFromHandle(HRGN handle);
    static std::unique_ptr<TqzRegion> CreateFromRect(const TRect& rect);
    static std::unique_ptr<TqzRegion> CreateFromBounds(Integer left, Integer top, Integer right,
                                                       Integer bottom);
    static std::unique_ptr<TqzRegion> CreateEmpty();

    HRGN GetHandle() const { return FHandle; }

    // roCopy makes this a copy of other; the others combine this with other into this. With
    // freeOther the other region (made with new) is deleted afterwards; the unique_ptr form
    // always frees it.
    void Combine(TqzRegion* other, TqzRegionOperation operation, bool freeOther);
    void Combine(std::unique_ptr<TqzRegion> other, TqzRegionOperation operation);
    void Offset(Integer dx, Integer dy);

private:
    HRGN FHandle = nullptr;
};

// ---- The canvas ------------------------------------------------------------------------------

// What FillWithFrame fills with: the bitmap tiled when there is one, else the colour.
struct TqzBrushPair {
    TBitmap* Bitmap = nullptr;
    TColor Color = clWindow;
};

// Sides of a rectangle: 1 left, 2 top, 4 right, 8 bottom, 15 all.
using TqzSides = Byte;

// The suite's drawing surface over a class-library canvas (not owned). Every operation acts on
// the wrapped canvas.
class TqzCanvas : public TObject {
    KOV_CLASS(TqzCanvas, TObject)
public:
    explicit TqzCanvas(TCanvas* canvas);
    ~TqzCanvas() override;
    TqzCanvas(const TqzCanvas&) = delete;
    TqzCanvas& operator=(const TqzCanvas&) = delete;

    // The wrapped canvas.
    TCanvas* Canvas;

    TBrush* CurrentBrush() const;
    TFont* CurrentFont() const;
    TPen* CurrentPen() const;
    HDC DeviceContext() const;

    void SelectFont(TFont* font);
    // Only when it differs from the brush's colour, so that repeated fills keep the brush.
    void SetBrushColor(TColor color);
    void SetPixelColor(Integer x, Integer y, TColor color);

    TPoint ViewportOrigin() const;
    TPoint WindowOrigin() const;
    void SetWindowOrigin(const TPoint& origin);
    // Viewport origin minus window origin: what a logical point moves by on the device.
    TPoint DeviceOriginOffset() const;

    void CopyRectFrom(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    void DrawGraphic(Integer x, Integer y, TGraphic* graphic);
    void MoveToPoint(Integer x, Integer y);
    void LineToPoint(Integer x, Integer y);
    void FillPolygon(const TPoint* points, Integer count);
    void DrawPolyline(const TPoint* points, Integer count);
    void InvertArea(const TRect& rect);
    // A dotted focus rectangle drawn with a white brush and black text colour.
    void DrawFocusFrame(const TRect& rect);

    // Filled with the brush, or tiled with the bitmap on a grid anchored at the logical origin.
    void FillRectOrTile(const TRect& rect, TBitmap* bitmap = nullptr);
    // Strips of the given width on the chosen sides; clDefault keeps the brush's colour.
    void FrameSides(const TRect& rect, TColor color, TqzSides sides = 15, Integer lineWidth = 1);
    void FillWithFrame(const TRect& rect, const TqzBrushPair& brush, Integer lineWidth, TColor frameColor,
                       TqzSides sides);
    // Left and top in the first colour, right and bottom (painted last, owning the corners)
    // in the second.
    void DrawTwoColorFrame(const TRect& rect, TColor firstColor, Integer lineWidth, TqzSides sides,
                           TColor secondColor);
    // One pixel of a raised or sunken, outer or inner 3D edge in the system colours.
    void DrawEdge3D(const TRect& rect, bool sunken, bool outer, TqzSides sides = 15);

    TSize MeasureText(const String& text);
    Integer TextWidthOf(const String& text);
    Integer TextHeightOf(const String& text);
    // Selects the font and answers the height of "Qq".
    Integer MeasureFontHeight(TFont* font);
    // Reduces rect to the bounds the text needs, placed inside the old rect by the flags.
    void CalcTextBounds(const String& text, TRect& rect, TqzTextFlags flags);
    // Moves rect's top so that a multi-line text sits at the bottom (placement 1) or in the
    // middle (2); 0 leaves it.
    void PlaceTextVertically(TRect& rect, const String& text, bool noBreakChars, bool enabled,
                             bool showPrefix, bool wordBreak, Integer placement);
    // The text in rect by the suite flags; a disabled text is embossed (highlight one pixel
    // right and down, then shadow in place). The brush style and font colour are kept.
    void OutputText(const String& text, const TRect& rect, bool enabled, TqzTextFlags flags);

    void ExcludeClipArea(const TRect& rect);
    void IntersectClipArea(const TRect& rect);
    // The clip region (0, 0, 30000, 30000 when there is none), in logical coordinates with
    // considerOrigin.
    std::unique_ptr<TqzRegion> CopyClipRegion(bool considerOrigin = true);
    // Selects region as the clip region (roCopy) or combines it with the current one. With
    // freeRegion the region (made with new) is deleted; otherwise it is left as it came. The
    // unique_ptr form always frees it.
    void ApplyClipRegion(TqzRegion* region, TqzRegionOperation operation, bool considerOrigin,
                         bool freeRegion);
    void ApplyClipRegion(std::unique_ptr<TqzRegion> region, TqzRegionOperation operation = roCopy,
                         bool considerOrigin = true);

    // Turns the bitmap by quarter turns (0..3) and mirrors it; rotations 1 and 2 swap its width
    // and height.
    void RotateBitmap(TBitmap* bitmap, Integer rotation, bool mirror);

private:
    void DrawTextPass(const String& text, TRect rect, UINT format, bool drawTextMode, UINT options);
};

// The screen's context, fetched when the canvas first needs a handle and released when the
// handle is freed or the canvas destroyed.
class TScreenCanvas : public TCanvas {
    KOV_CLASS(TScreenCanvas, TCanvas)
public:
    TScreenCanvas() = default;
    ~TScreenCanvas() override;
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    HDC FDeviceContext = nullptr;
};

// A suite canvas on the screen, for measuring before a control has a window.
class TqzScreenCanvas : public TqzCanvas {
    KOV_CLASS(TqzScreenCanvas, TqzCanvas)
public:
    TqzScreenCanvas();
    ~TqzScreenCanvas() override;

private:
    std::unique_ptr<TScreenCanvas> FScreenCanvas;
};

// ---- Helpers ---------------------------------------------------------------------------------

// Left and top grow by the margins' left and top; right and bottom shrink by theirs.
void DeflateRectByMargins(TRect& rect, const TRect& margins);
// The colour the screen actually shows for a colour (RGB).
TColor NearestScreenColor(TColor color);
// Per channel clamp(face * p1 + highlight * p2 + window * p3, 0, 255) in percent of the button
// face, highlight and window colours; the highlight colour when the face is black or white.
TColor BlendSystemColors(Integer facePercent, Integer highlightPercent, Integer windowPercent);
TColor HotTrackLightColor();
TColor PressedLightColor();
