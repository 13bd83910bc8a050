// The drawing layer's objects behind the handles: pens, brushes, bitmaps, regions (and
// device contexts, see GdiDc.h), with the table that hands out their handles. Other parts of
// the platform (fonts, window surfaces, the class library's bitmaps) build on these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/Region.h"

class GdiDC;

class GdiObject {
public:
    virtual ~GdiObject() = default;
    virtual DWORD ObjectType() const = 0;
    // What GetObject hands out: the bytes written, or the size needed when buffer is null;
    // 0 when the object has no description or the buffer is too small.
    virtual int Describe(int size, void* buffer, bool wide) const { return 0; }

    HGDIOBJ Handle = nullptr;
    bool Stock = false;
};

// ---- Colours and pixels ------------------------------------------------------------------

// Pixels are 32-bit words 0xAARRGGBB (bytes B, G, R, A in memory); drawing writes A as 0.
using GdiPixel = std::uint32_t;

// A colour as drawn: system colours (0xFF0000nn) through GetSysColor, palette forms as RGB.
COLORREF GdiResolveColor(COLORREF color);
constexpr GdiPixel GdiColorToPixel(COLORREF rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}
constexpr COLORREF GdiPixelToColor(GdiPixel p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
// The nearer of black and white, as a monochrome surface stores it.
constexpr GdiPixel GdiMonoPixel(COLORREF rgb) {
    return (GetRValue(rgb) * 30 + GetGValue(rgb) * 59 + GetBValue(rgb) * 11) >= 128 * 100 ? 0x00FFFFFF : 0;
}
// A colour resolved and brought to the surface's format.
inline GdiPixel GdiDevicePixel(COLORREF color, bool mono) {
    COLORREF rgb = GdiResolveColor(color);
    return mono ? GdiMonoPixel(rgb) : GdiColorToPixel(rgb);
}

// Pixels of an image: row 0 is the top row; Stride is the byte distance to the row below it
// (negative for a bottom-up layout in memory). A monochrome surface holds only 0 and
// 0xFFFFFF.
struct GdiSurface {
    std::uint8_t* Bits = nullptr;
    int Width = 0;
    int Height = 0;
    std::ptrdiff_t Stride = 0;
    bool Mono = false;

    bool IsValid() const { return Bits && Width > 0 && Height > 0; }
    GdiPixel* Row(int y) const { return reinterpret_cast<GdiPixel*>(Bits + std::ptrdiff_t(y) * Stride); }
};

// ---- Objects -------------------------------------------------------------------------------

class GdiPen : public GdiObject {
public:
    DWORD ObjectType() const override { return Extended ? OBJ_EXTPEN : OBJ_PEN; }
    int Describe(int size, void* buffer, bool wide) const override;

    int Dash() const { return int(Style & PS_STYLE_MASK); }
    int Cap() const { return int(Style & PS_ENDCAP_MASK); }
    int Join() const { return int(Style & PS_JOIN_MASK); }
    // Drawn as a shape of its width (with caps and joins) rather than as thin pixel lines.
    bool IsGeometric() const { return (Style & PS_TYPE_MASK) == PS_GEOMETRIC || Width > 1; }

    DWORD Style = PS_SOLID; // type, join, end cap and dash style
    int Width = 0;
    COLORREF Color = 0;
    bool Extended = false; // made by ExtCreatePen
    bool DcPen = false;    // DC_PEN: the colour is the context's
    UINT BrushStyle = BS_SOLID;
    ULONG_PTR Hatch = 0;
    std::vector<DWORD> UserStyle;
};

class GdiBrush : public GdiObject {
public:
    DWORD ObjectType() const override { return OBJ_BRUSH; }
    int Describe(int size, void* buffer, bool wide) const override;

    UINT Style = BS_SOLID;
    COLORREF Color = 0;
    int Hatch = 0;
    bool DcBrush = false; // DC_BRUSH: the colour is the context's
    // Pattern brushes: a copy of the pixels (at most 8x8); monochrome ones are drawn with the
    // context's text and background colours.
    int PatternWidth = 0;
    int PatternHeight = 0;
    std::vector<GdiPixel> Pattern;
    bool PatternMono = false;
    HBITMAP PatternSource = nullptr; // for GetObject only
};

class GdiBitmap : public GdiObject {
public:
    DWORD ObjectType() const override { return OBJ_BITMAP; }
    int Describe(int size, void* buffer, bool wide) const override;

    GdiSurface Surface() const;
    // Allocates zeroed pixels; false when the size is not acceptable.
    bool Allocate(int width, int height, bool mono, bool dib, bool topDown);

    int Width = 0;
    int Height = 0;
    bool Mono = false;
    bool IsDib = false; // a DIB section: the caller sees the pixels at DibBits
    BITMAPINFOHEADER DibHeader;
    DWORD DibMasks[3] = {0, 0, 0};
    void* DibBits = nullptr;
    GdiDC* SelectedInto = nullptr; // the memory context holding it, if any

private:
    std::vector<GdiPixel> FPixels;
    std::uint8_t* FTop = nullptr;
    std::ptrdiff_t FStride = 0;
};

class GdiRegionObject : public GdiObject {
public:
    DWORD ObjectType() const override { return OBJ_REGION; }
    GdiRegion Region;
};

// ---- Handles -------------------------------------------------------------------------------

// Registers an object and gives it its handle.
HGDIOBJ GdiAddObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> GdiFindObject(HGDIOBJ handle);
template <class T> std::shared_ptr<T> GdiFind(HGDIOBJ handle) {
    return std::dynamic_pointer_cast<T>(GdiFindObject(handle));
}
// Frees the handle; the object lives on while someone still holds it.
void GdiRemoveObject(HGDIOBJ handle);
// Stock objects by GetStockObject index; nullptr for the indices not provided (yet).
std::shared_ptr<GdiObject> GdiStockObject(int index);
// Provides a stock object of an index still empty (the stock fonts, made by the text part
// of the drawing layer); false when the index is taken or out of range.
bool GdiRegisterStockObject(int index, std::shared_ptr<GdiObject> object);
// The 1x1 monochrome bitmap a memory context starts with.
std::shared_ptr<GdiBitmap> GdiDefaultBitmap();

// Largest number of pixels a bitmap may have.
constexpr long long GdiMaxBitmapPixels = 1LL << 28;
