// The class library's drawing objects: colours and their names, fonts, pens and brushes,
// the canvas that draws with them on a device context, and the graphics (bitmaps, icons and
// the picture that holds any registered kind) with their streams, files and clipboard forms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"

class TStream;
class TFiler;

// ---- Geometry --------------------------------------------------------------------------------
// The rectangle, point and size of the class library are the window system's structures.

using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

struct HPALETTE__;
using HPALETTE = HPALETTE__*;

// ---- Colours ---------------------------------------------------------------------------------
// 0x00BBGGRR; a system colour is 0xFF000000 plus its COLOR_ index and follows the system's
// colour table.

using TColor = Integer;

constexpr TColor clSystemColor = TColor(0xFF000000);
constexpr TColor SysColor(int index) { return TColor(0xFF000000u | unsigned(index)); }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// No colour, and "whatever the owner's default is".
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value a colour draws with: system colours from the colour table of the moment;
// other values as they are.
Integer ColorToRGB(TColor color);
// The colour-name table ("clBlack" ... "clNone"): the name of a colour in it, and the colour
// of a name (case-insensitive). False when there is none.
bool ColorToIdent(Integer color, String& ident);
bool IdentToColor(const String& ident, Integer& color);
// A colour's name, or "$" and eight hexadecimal digits ("$0000FF00").
String ColorToString(TColor color);
// A name of the table, or a number ("$00FF00", "0x00FF00", decimal); EConvertError
// "'%s' is not a valid integer value" otherwise.
TColor StringToColor(const String& text);
// Hands every name of the colour table to proc, in table order.
void GetColorValues(const std::function<void(const String&)>& proc);
// The character-set names ("ANSI_CHARSET" ... "OEM_CHARSET"): the name of a set number and the
// number of a name (case-insensitive); false when there is none. Font.Charset is stored by name.
bool CharsetToIdent(Integer charset, String& ident);
bool IdentToCharset(const String& ident, Integer& charset);
// Hands every character-set name to proc, in table order.
void GetCharsetValues(const std::function<void(const String&)>& proc);

// ---- Fonts, pens, brushes: the value types ---------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, fsStrikeOut>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontName = String;
using TFontCharset = Byte;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
// FloodFill: fill the area of the given colour (fsSurface), or up to a border of it (fsBorder).
enum TFillStyle { fsSurface, fsBorder };

// The raster operation CopyRect uses.
using TCopyMode = Integer;
constexpr TCopyMode cmBlackness = TCopyMode(BLACKNESS);
constexpr TCopyMode cmDstInvert = TCopyMode(DSTINVERT);
constexpr TCopyMode cmMergeCopy = TCopyMode(MERGECOPY);
constexpr TCopyMode cmMergePaint = TCopyMode(MERGEPAINT);
constexpr TCopyMode cmNotSrcCopy = TCopyMode(NOTSRCCOPY);
constexpr TCopyMode cmNotSrcErase = TCopyMode(NOTSRCERASE);
constexpr TCopyMode cmPatCopy = TCopyMode(PATCOPY);
constexpr TCopyMode cmPatInvert = TCopyMode(PATINVERT);
constexpr TCopyMode cmPatPaint = TCopyMode(PATPAINT);
constexpr TCopyMode cmSrcAnd = TCopyMode(SRCAND);
constexpr TCopyMode cmSrcCopy = TCopyMode(SRCCOPY);
constexpr TCopyMode cmSrcErase = TCopyMode(SRCERASE);
constexpr TCopyMode cmSrcInvert = TCopyMode(SRCINVERT);
constexpr TCopyMode cmSrcPaint = TCopyMode(SRCPAINT);
constexpr TCopyMode cmWhiteness = TCopyMode(WHITENESS);

// The layout of TCanvas::TextRect; each maps to the DrawText flag of the same meaning
// (tfLeft and tfTop are the defaults and map to nothing).
enum TTextFormats {
    tfBottom,
    tfCalcRect,
    tfCenter,
    tfEditControl,
    tfEndEllipsis,
    tfPathEllipsis,
    tfExpandTabs,
    tfExternalLeading,
    tfLeft,
    tfModifyString,
    tfNoClip,
    tfNoPrefix,
    tfRight,
    tfRtlReading,
    tfSingleLine,
    tfTop,
    tfVerticalCenter,
    tfWordBreak,
    tfWordEllipsis,
    tfNoFullWidthCharBreak,
    tfHidePrefix,
    tfPrefixOnly
};
using TTextFormat = TSet<TTextFormats, tfPrefixOnly>;
// The DrawText flags of a text format.
UINT TextFormatToDrawTextFlags(const TTextFormat& format);

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
enum TBitmapHandleType { bmDIB, bmDDB };

// ---- Graphics objects --------------------------------------------------------------------------

// What fonts, pens and brushes share: change events around every change of a property.
class TGraphicsObject : public TPersistent {
    KOV_CLASS(TGraphicsObject, TPersistent)
public:
    TGraphicsObject() = default;
    // Runs before a property changes and after it changed.
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    virtual void Changing();
    virtual void Changed();
};

class TFont : public TGraphicsObject {
    KOV_CLASS(TFont, TGraphicsObject)
public:
    // "MS Sans Serif", size 8 at 96 pixels per inch, clWindowText, DEFAULT_CHARSET.
    TFont();
    ~TFont() override;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    // Copies name, height (scaled to this font's pixels per inch), style, colour, character
    // set and pitch from another TFont, with one change event.
    void Assign(TPersistent* source) override;

    // The font object, made on first use and again after a change; the font keeps it.
    HFONT GetHandle();
    // Takes on the description of a font object (the handle stays the caller's).
    void SetHandle(HFONT value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    const TFontName& GetName() const { return FName; }
    void SetName(const TFontName& value);
    // Points: -MulDiv(Height, 72, PixelsPerInch).
    Integer GetSize() const;
    void SetSize(Integer value);
    // Pixels: negative for the em size, positive for the cell height.
    Integer GetHeight() const { return FHeight; }
    void SetHeight(Integer value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TFontCharset GetCharset() const { return FCharset; }
    void SetCharset(TFontCharset value);
    TFontPitch GetPitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    // Keeps the height; a later SetSize uses it.
    Integer GetPixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(Integer value);

protected:
    void Changed() override;

private:
    void FreeHandle();

    TFontName FName = "MS Sans Serif";
    Integer FHeight = -11;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    Integer FPixelsPerInch = 96;
    HFONT FHandle = nullptr;
};

class TPen : public TGraphicsObject {
    KOV_CLASS(TPen, TGraphicsObject)
public:
    // Solid, black, 1 pixel, pmCopy.
    TPen() = default;
    ~TPen() override;
    TPen(const TPen&) = delete;
    TPen& operator=(const TPen&) = delete;

    void Assign(TPersistent* source) override;

    HPEN GetHandle();
    // Takes on the style, width and colour of a pen object (the handle stays the caller's).
    void SetHandle(HPEN value);

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TPenMode GetMode() const { return FMode; }
    void SetMode(TPenMode value);
    TPenStyle GetStyle() const { return FStyle; }
    void SetStyle(TPenStyle value);
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value);

protected:
    void Changed() override;

private:
    void FreeHandle();

    TColor FColor = clBlack;
    TPenMode FMode = pmCopy;
    TPenStyle FStyle = psSolid;
    Integer FWidth = 1;
    HPEN FHandle = nullptr;
};

class TBitmap;

class TBrush : public TGraphicsObject {
    KOV_CLASS(TBrush, TGraphicsObject)
public:
    // Solid white.
    TBrush() = default;
    ~TBrush() override;
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;

    void Assign(TPersistent* source) override;

    // A solid, hatched or pattern brush, or the stock null brush for bsClear.
    HBRUSH GetHandle();
    // Takes on the style and colour of a brush object (the handle stays the caller's).
    void SetHandle(HBRUSH value);

    TColor GetColor() const { return FColor; }
    // Setting a colour makes a clear brush solid.
    void SetColor(TColor value);
    TBrushStyle GetStyle() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    // A pattern (its top-left 8x8 pixels) that replaces style and colour; not owned: the
    // bitmap must outlive its use here. nullptr for none.
    TBitmap* GetBitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* value);

protected:
    void Changed() override;

private:
    void FreeHandle();

    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    HBRUSH FHandle = nullptr;
    bool FOwnsHandle = false;
};

// ---- The canvas --------------------------------------------------------------------------------

class TGraphic;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates, csBrushValid>;

// Drawing on a device context with a font, a pen and a brush. The canvas selects its
// objects into the context when an operation first needs them and again after they changed;
// every drawing operation runs Changing before and Changed after it. A canvas that makes its
// own context (a bitmap's, a control's) overrides CreateHandle.
class TCanvas : public TPersistent {
    KOV_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The context, made by CreateHandle when there is none yet, with the canvas's font, pen and
    // brush selected into it. Raises EInvalidOperation "Canvas does not allow drawing" when none
    // can be made.
    HDC GetHandle();
    // Draws on another context from now on (nullptr: none); the canvas does not own it. The
    // objects it selected into the previous one are taken out first.
    void SetHandle(HDC value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    TPen* GetPen() const { return FPen.get(); }
    void SetPen(TPen* value) { FPen->Assign(value); }
    TBrush* GetBrush() const { return FBrush.get(); }
    void SetBrush(TBrush* value) { FBrush->Assign(value); }
    TCopyMode GetCopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode value) { FCopyMode = value; }
    // ExtTextOut options TextOut uses (ETO_OPAQUE, ETO_CLIPPED).
    Integer GetTextFlags() const { return FTextFlags; }
    void SetTextFlags(Integer value) { FTextFlags = value; }
    TPoint GetPenPos();
    void SetPenPos(const TPoint& value) { MoveTo(value.x, value.y); }
    TColor GetPixels(Integer x, Integer y);
    void SetPixels(Integer x, Integer y, TColor value);
    // The clip box of the context (logical coordinates).
    TRect GetClipRect();
    Integer GetLockCount() const { return FLockCount; }

    // One thread at a time: Lock waits, TryLock answers false when another thread holds it.
    void Lock();
    void Unlock();
    bool TryLock();

    void MoveTo(Integer x, Integer y);
    void LineTo(Integer x, Integer y);
    void Rectangle(Integer x1, Integer y1, Integer x2, Integer y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void Polygon(const TPoint* points, Integer count);
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), Integer(points.size())); }
    void Polyline(const TPoint* points, Integer count);
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), Integer(points.size())); }
    // Cubic curves: the first point, then three points per curve (two control points and the
    // end); a count that is not 3n + 1 draws nothing.
    void PolyBezier(const TPoint* points, Integer count);
    void PolyBezier(const std::vector<TPoint>& points) { PolyBezier(points.data(), Integer(points.size())); }
    void Ellipse(Integer x1, Integer y1, Integer x2, Integer y2);
    void Ellipse(const TRect& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
    void RoundRect(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3);
    void Arc(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4, Integer y4);
    void Pie(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4, Integer y4);
    void Chord(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4,
               Integer y4);
    // Fills with the brush the pixels connected to (x, y) that have the colour (fsSurface), or
    // that do not have it (fsBorder). Contexts without pixels (printers, metafiles) are left
    // alone.
    void FloodFill(Integer x, Integer y, TColor color, TFillStyle fillStyle);
    // A graphic at its own size, and stretched into a rectangle; nothing for none or an empty
    // one.
    void Draw(Integer x, Integer y, TGraphic* graphic);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    // Part of another canvas, stretched to dest, through CopyMode.
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
    // Part of a bitmap, stretched to dest, with the pixels of colour replaced by the brush.
    void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color);
    void DrawFocusRect(const TRect& rect);

    // Text at (x, y) in the font, on the brush's colour unless the brush is clear; the pen
    // position moves to the end of the text.
    void TextOut(Integer x, Integer y, const String& text);
    // Text at (x, y) clipped to rect (filled with the brush first unless it is clear).
    void TextRect(const TRect& rect, Integer x, Integer y, const String& text);
    // Text laid out in rect by the format (DrawText). tfCalcRect measures instead of drawing
    // and leaves the bounds in rect; tfModifyString writes the text as shown (with its
    // ellipsis) back into text.
    void TextRect(TRect& rect, String& text, const TTextFormat& format = TTextFormat());
    void TextRect(TRect& rect, const String& text, const TTextFormat& format = TTextFormat());
    TSize TextExtent(const String& text);
    Integer TextWidth(const String& text) { return TextExtent(text).cx; }
    Integer TextHeight(const String& text) { return TextExtent(text).cy; }

    // Takes the canvas's objects out of the context; they are selected again when needed.
    void Refresh();

    // Run before and after every drawing operation.
    virtual void Changing();
    virtual void Changed();
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    // Makes a context when one is needed and the canvas has none (SetHandle); the base makes
    // none.
    virtual void CreateHandle();
    // Makes sure of the context and of the objects selected into it.
    virtual void RequiredState(TCanvasState state);
    TCanvasState GetState() const { return FState; }
    // The context as it is, without making one or selecting anything.
    HDC HandleValue() const { return FHandle; }

private:
    void DeselectHandles();
    void CreateFont();
    void CreatePen();
    void CreateBrush();
    void FontChanged(TObject* sender);
    void PenChanged(TObject* sender);
    void BrushChanged(TObject* sender);

    HDC FHandle = nullptr;
    TCanvasState FState;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    TCopyMode FCopyMode = cmSrcCopy;
    Integer FTextFlags = 0;
    Integer FLockCount = 0;
    TCriticalSection FLock;
    HGDIOBJ FOldFont = nullptr;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
};

// ---- Graphics ----------------------------------------------------------------------------------

// A picture of some kind that can draw itself on a canvas and be stored in streams, files and
// on the clipboard. Stored definitions keep it (as a published property of its own) in the
// binary property "Data".
class TGraphic : public TPersistent {
    KOV_CLASS(TGraphic, TPersistent)
public:
    TGraphic() = default;

    virtual bool GetEmpty() const = 0;
    virtual Integer GetWidth() const = 0;
    virtual void SetWidth(Integer value) = 0;
    virtual Integer GetHeight() const = 0;
    virtual void SetHeight(Integer value) = 0;
    virtual bool GetTransparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    bool GetModified() const { return FModified; }
    // Setting it runs the change event.
    void SetModified(bool value);
    // The palette is only kept: drawing is in true colour.
    virtual HPALETTE GetPalette() const { return FPalette; }
    virtual void SetPalette(HPALETTE value);

    // Loading raises EInvalidGraphic for data that is not valid and then leaves the graphic
    // as it was. A stream is read from its position and left after the graphic's data.
    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    virtual void LoadFromFile(const String& fileName);
    virtual void SaveToFile(const String& fileName);
    virtual void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) = 0;
    virtual void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) = 0;

    void DefineProperties(TFiler* filer) override;

    TNotifyEvent OnChange;

    // The graphic drawn into rect (stretched to it). Canvases call it through Draw and
    // StretchDraw.
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
    // The form of the graphic in stored definitions; the base writes SaveToStream.
    virtual void ReadData(TStream* stream);
    virtual void WriteData(TStream* stream);

protected:
    // Marks the graphic modified and runs OnChange.
    virtual void Changed(TObject* sender);

private:
    bool FTransparent = false;
    bool FModified = false;
    HPALETTE FPalette = nullptr;
};

using TGraphicClass = TClass;

// ---- Bitmaps -------------------------------------------------------------------------------

class TBitmapCanvas;
struct TBitmapImage;

// A picture of pixels in one of the pixel formats, with a canvas to draw on it. The pixels
// can be reached row by row (ScanLine, rows bottom-up in memory as in a BMP file: row 0 is the
// top row of the picture and the row below it lies at a lower address). BMP streams of every
// bit depth are read; pf24bit and device bitmaps are written as 24-bit, pf32bit as 32-bit,
// the palette formats and 15/16 bits as they are.
class TBitmap : public TGraphic {
    KOV_CLASS(TBitmap, TGraphic)
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // From another bitmap: a copy of its pixels and settings; nullptr: empty. Other graphics
    // are drawn onto a bitmap of their size.
    void Assign(TPersistent* source) override;

    bool GetEmpty() const override;
    Integer GetWidth() const override;
    void SetWidth(Integer value) override;
    Integer GetHeight() const override;
    void SetHeight(Integer value) override;
    // Keeps the pixels that stay inside; new ones are black.
    void SetSize(Integer width, Integer height);

    // The canvas drawing on the bitmap (made on first use, the bitmap keeps it).
    TCanvas* GetCanvas();
    // The bitmap object; the bitmap keeps it. SetHandle takes one over (nullptr: empty).
    HBITMAP GetHandle();
    void SetHandle(HBITMAP value);
    // Hands the bitmap object over to the caller; the bitmap keeps its pixels.
    HBITMAP ReleaseHandle();
    bool HandleAllocated() const;
    TBitmapHandleType GetHandleType() const;
    void SetHandleType(TBitmapHandleType value);
    // The monochrome mask of the transparent colour (1 where it is); made on first use.
    HBITMAP GetMaskHandle();
    void SetMaskHandle(HBITMAP value);
    HBITMAP ReleaseMaskHandle();
    // Makes the mask of a colour.
    void Mask(TColor transparentColor);
    bool GetMonochrome() const;
    void SetMonochrome(bool value);
    // Changing the format converts the pixels (to the nearest colour of a palette).
    TPixelFormat GetPixelFormat() const;
    void SetPixelFormat(TPixelFormat value);
    // The bytes of a row in the pixel format's layout (pfDevice: 32 bits). Raises
    // EInvalidGraphicOperation "Scan line index out of range" outside 0..Height-1. A pointer
    // stays good until the bitmap is drawn on, drawn or resized.
    void* GetScanLine(Integer row);
    // The colour table of the palette formats (empty for the others).
    std::vector<RGBQUAD> GetColorTable() const;
    void SetColorTable(const std::vector<RGBQUAD>& colors);

    // tmAuto: the colour of the bottom-left pixel; tmFixed: the one set (setting a colour
    // makes it fixed, setting clDefault makes it automatic again).
    TColor GetTransparentColor();
    void SetTransparentColor(TColor value);
    TTransparentMode GetTransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode value);

    // Frees the bitmap object, keeping the pixels (the object is made again when needed).
    void Dormant();
    // Frees the memory copy of the pixels, keeping the object.
    void FreeImage();

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // CF_BITMAP (a bitmap object) and CF_DIB (a memory block with a packed device-independent
    // bitmap); SaveToClipboardFormat gives CF_BITMAP, a new object the clipboard takes.
    void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;
    // A bitmap resource (RT_BITMAP): a packed device-independent bitmap or a BMP file.
    // Raises EResNotFound when there is none.
    void LoadFromResourceName(HINSTANCE instance, const String& resName);
    void LoadFromResourceID(HINSTANCE instance, Integer resId);

    void Draw(TCanvas* canvas, const TRect& rect) override;
    // A 4-byte size, then the BMP file.
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

protected:
    void Changed(TObject* sender) override;

private:
    friend class TBitmapCanvas;
    void ReplaceImage(std::unique_ptr<TBitmapImage> image);
    void ReleaseCanvasContext();
    void FreeMask();
    // The object made and up to date, for drawing with it.
    HBITMAP SurfaceForDrawing();
    void LoadDib(const std::uint8_t* data, std::size_t size, bool fileHeader);

    std::unique_ptr<TBitmapImage> FImage;
    std::unique_ptr<TBitmapCanvas> FCanvas;
    HBITMAP FMaskHandle = nullptr;
    bool FMaskValid = false;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
};

// ---- Icons ---------------------------------------------------------------------------------

struct TIconImage;

// ICO pictures: every image of the file is kept (and saved back as it was read); the one
// nearest the system's 32 x 32 is the icon object, and drawing picks the image nearest the
// size drawn. Transparent through the AND masks; 32-bit images take their mask from the alpha.
class TIcon : public TGraphic {
    KOV_CLASS(TIcon, TGraphic)
public:
    TIcon();
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    void Assign(TPersistent* source) override;

    bool GetEmpty() const override;
    Integer GetWidth() const override;
    Integer GetHeight() const override;
    // Raise EInvalidGraphicOperation "Cannot change the size of an icon".
    void SetWidth(Integer value) override;
    void SetHeight(Integer value) override;
    bool GetTransparent() const override { return true; }

    // The icon object; the icon keeps it. SetHandle takes one over (nullptr: empty).
    HICON GetHandle();
    void SetHandle(HICON value);
    HICON ReleaseHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // The number of images and the size of each.
    Integer GetImageCount() const;
    TSize GetImageSize(Integer index) const;

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // Raise EInvalidGraphic "Clipboard does not support Icons".
    void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

    void Draw(TCanvas* canvas, const TRect& rect) override;

private:
    void FreeHandles();
    HICON IconOf(std::size_t index);

    std::shared_ptr<TIconImage> FImage;
    HICON FHandle = nullptr;
    std::vector<HICON> FDrawIcons; // per image, made when drawn
};

// ---- Pictures ------------------------------------------------------------------------------

// Holds one graphic of any registered class, chosen by file extension or by the stream's first
// bytes, and stores it in definitions as the binary property "Data": the class name as a short
// string (a length byte), then the graphic's own data.
class TPicture : public TPersistent {
    KOV_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // From a picture or a graphic: a copy of its graphic; nullptr: none.
    void Assign(TPersistent* source) override;

    TGraphic* GetGraphic() const { return FGraphic.get(); }
    // Keeps a copy of value (nullptr: none).
    void SetGraphic(TGraphic* value);
    // The graphic as a bitmap or an icon; a graphic of another class is replaced by a new,
    // empty one first.
    TBitmap* GetBitmap();
    void SetBitmap(TBitmap* value) { SetGraphic(value); }
    TIcon* GetIcon();
    void SetIcon(TIcon* value) { SetGraphic(value); }
    // The graphic's size; 0 without one.
    Integer GetWidth() const;
    Integer GetHeight() const;

    // By extension (case ignored); EInvalidGraphic "Unknown picture file extension (.%s)"
    // for one that no class registered. A graphic that cannot be loaded leaves the picture
    // as it was.
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName);
    // By the first bytes: "BM" a bitmap, 00 00 01 00 an icon, FF D8 the class registered for
    // "jpg", a recorded picture's header the class registered for "emf"; EInvalidGraphic
    // "Unknown picture format" otherwise.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);
    void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette);
    void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette);
    static bool SupportsClipboardFormat(Word format);

    // The graphic-class registry. A later registration of an extension replaces the earlier
    // one's description and class in place.
    static void RegisterFileFormat(const String& extension, const String& description,
                                   TGraphicClass graphicClass);
    static void RegisterClipboardFormat(Word format, TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);

    void DefineProperties(TFiler* filer) override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed(TObject* sender);

private:
    void ReplaceGraphic(std::unique_ptr<TGraphic> graphic);
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);

    std::unique_ptr<TGraphic> FGraphic;
};

// The open-dialog filter of the registered formats of graphicClass and its descendants
// (nullptr: all): "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico".
String GraphicFilter(TGraphicClass graphicClass);
// The first extension registered for exactly that class ("bmp"), "" for none.
String GraphicExtension(TGraphicClass graphicClass);
// "*.bmp;*.ico" for graphicClass and its descendants.
String GraphicFileMask(TGraphicClass graphicClass);
// The class registered for an extension (with or without the dot), nullptr for none.
TGraphicClass GraphicClassOfExtension(const String& extension);

// CF_DIB: a packed device-independent bitmap in a memory block.
constexpr UINT CF_DIB = 8;

namespace kov_graphics_detail {
// A device-independent bitmap (with or without the 14-byte file header) as 32-bit pixels
// 0xAARRGGBB, rows top-down; hasAlpha tells whether it had an alpha channel (32 bits). With
// heightScale 2 the header's height counts two planes (an icon's image and mask) and only the
// first plane is read; maskOffset then receives where the mask plane starts. False when the
// data are not a valid bitmap.
bool DecodeDibPixels(const std::uint8_t* data, std::size_t size, bool fileHeader, int heightScale, int& width,
                     int& height, std::vector<std::uint32_t>& pixels, bool& hasAlpha,
                     std::size_t& maskOffset);
} // namespace kov_graphics_detail
