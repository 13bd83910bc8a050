#include "suite/foundation/qzGraphics.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/runtime/Numbers.h"
#include "platform/winapi/WinCore.h"

namespace qg = qzGraphics;

namespace {

int RegionMode(TqzRegionOperation operation) {
    switch (operation) {
    case roUnion:
        return RGN_OR;
    case roDifference:
        return RGN_DIFF;
    case roIntersection:
        return RGN_AND;
    default:
        return RGN_COPY;
    }
}

// Division that rounds toward minus infinity, so that tiles left of or above the origin are
// found as well as those right of and below it.
long long FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

constexpr TqzSides sideLeft = 1, sideTop = 2, sideRight = 4, sideBottom = 8;

} // namespace

// ---- Suite text flags ------------------------------------------------------------------------

UINT qzGraphics::TextFlagsToDrawTextFlags(TqzTextFlags flags) {
    UINT result = 0;
    if (flags & tfAlignRight) result |= DT_RIGHT;
    if (flags & tfAlignHCenter) result |= DT_CENTER;
    if (flags & tfAlignBottom) result |= DT_BOTTOM;
    if (flags & tfAlignVCenter) result |= DT_VCENTER;
    if (flags & tfSingleLine) result |= DT_SINGLELINE;
    if (flags & tfNoClip) result |= DT_NOCLIP;
    if (flags & tfExpandTabs) result |= DT_EXPANDTABS;
    if (!(flags & tfShowPrefix)) result |= DT_NOPREFIX;
    if (flags & tfWordBreak) {
        result |= DT_WORDBREAK;
        if (!(flags & tfNoBreakChars)) result |= DT_EDITCONTROL;
    }
    if (flags & tfEndEllipsis) result |= DT_END_ELLIPSIS;
    if (flags & tfCalcRect) result |= DT_CALCRECT;
    if (flags & tfPathEllipsis) result |= DT_PATH_ELLIPSIS;
    return result;
}

// ---- TqzRegion -------------------------------------------------------------------------------

TqzRegion::TqzRegion() : FHandle(CreateRectRgn(0, 0, 0, 0)) {}

TqzRegion::TqzRegion(HRGN handle) : FHandle(handle) {}

TqzRegion::TqzRegion(const TRect& rect) : FHandle(CreateRectRgnIndirect(&rect)) {}

TqzRegion::TqzRegion(Integer left, Integer top, Integer right, Integer bottom)
    : FHandle(CreateRectRgn(left, top, right, bottom)) {}

TqzRegion::~TqzRegion() {
    if (FHandle) DeleteObject(FHandle);
}

std::unique_ptr<TqzRegion> TqzRegion::CreateFromHandle(HRGN handle) {
    return std::make_unique<TqzRegion>(handle);
}

std::unique_ptr<TqzRegion> TqzRegion::CreateFromRect(const TRect& rect) {
    return std::make_unique<TqzRegion>(rect);
}

std::unique_ptr<TqzRegion> TqzRegion::CreateFromBounds(Integer left, Integer top, Integer right,
                                                       Integer bottom) {
    return std::make_unique<TqzRegion>(left, top, right, bottom);
}

std::unique_ptr<TqzRegion> TqzRegion::CreateEmpty() { return std::make_unique<TqzRegion>(); }

void TqzRegion::Combine(TqzRegion* other, TqzRegionOperation operation, bool freeOther) {
    if (!other) return;
    if (other != this) {
        if (operation == roCopy)
            CombineRgn(FHandle, other->FHandle, nullptr, RGN_COPY);
        else
            CombineRgn(FHandle, FHandle, other->FHandle, RegionMode(operation));
        if (freeOther) delete other;
    } else if (operation == roDifference) {
        // A region less itself: nothing is left (and it cannot free itself).
        CombineRgn(FHandle, FHandle, FHandle, RGN_DIFF);
    }
}

void TqzRegion::Combine(std::unique_ptr<TqzRegion> other, TqzRegionOperation operation) {
    Combine(other.release(), operation, true);
}

void TqzRegion::Offset(Integer dx, Integer dy) { OffsetRgn(FHandle, dx, dy); }

// ---- TqzCanvas: state and plain drawing ----------------------------------------------------------

TqzCanvas::TqzCanvas(TCanvas* canvas) : Canvas(canvas) {}

TqzCanvas::~TqzCanvas() = default;

TBrush* TqzCanvas::CurrentBrush() const { return Canvas->GetBrush(); }

TFont* TqzCanvas::CurrentFont() const { return Canvas->GetFont(); }

TPen* TqzCanvas::CurrentPen() const { return Canvas->GetPen(); }

HDC TqzCanvas::DeviceContext() const { return Canvas->GetHandle(); }

void TqzCanvas::SelectFont(TFont* font) { Canvas->SetFont(font); }

void TqzCanvas::SetBrushColor(TColor color) {
    if (Canvas->GetBrush()->GetColor() != color) Canvas->GetBrush()->SetColor(color);
}

void TqzCanvas::SetPixelColor(Integer x, Integer y, TColor color) { Canvas->SetPixels(x, y, color); }

TPoint TqzCanvas::ViewportOrigin() const {
    TPoint origin{};
    GetViewportOrgEx(DeviceContext(), &origin);
    return origin;
}

TPoint TqzCanvas::WindowOrigin() const {
    TPoint origin{};
    GetWindowOrgEx(DeviceContext(), &origin);
    return origin;
}

void TqzCanvas::SetWindowOrigin(const TPoint& origin) {
    SetWindowOrgEx(DeviceContext(), origin.x, origin.y, nullptr);
}

TPoint TqzCanvas::DeviceOriginOffset() const {
    const TPoint viewport = ViewportOrigin();
    const TPoint window = WindowOrigin();
    return TPoint{viewport.x - window.x, viewport.y - window.y};
}

void TqzCanvas::CopyRectFrom(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
    Canvas->CopyRect(dest, source, sourceRect);
}

void TqzCanvas::DrawGraphic(Integer x, Integer y, TGraphic* graphic) { Canvas->Draw(x, y, graphic); }

void TqzCanvas::MoveToPoint(Integer x, Integer y) { Canvas->MoveTo(x, y); }

void TqzCanvas::LineToPoint(Integer x, Integer y) { Canvas->LineTo(x, y); }

void TqzCanvas::FillPolygon(const TPoint* points, Integer count) { Canvas->Polygon(points, count); }

void TqzCanvas::DrawPolyline(const TPoint* points, Integer count) { Canvas->Polyline(points, count); }

void TqzCanvas::InvertArea(const TRect& rect) {
    Canvas->SetCopyMode(cmDstInvert);
    Canvas->CopyRect(rect, Canvas, rect);
    Canvas->SetCopyMode(cmSrcCopy);
}

void TqzCanvas::DrawFocusFrame(const TRect& rect) {
    SetBrushColor(clWhite);
    CurrentFont()->SetColor(clBlack);
    Canvas->GetHandle(); // the font's colour into the context: the frame is drawn in it
    Canvas->DrawFocusRect(rect);
}

// ---- Fills and frames ----------------------------------------------------------------------------

void TqzCanvas::FillRectOrTile(const TRect& rect, TBitmap* bitmap) {
    if (IsRectEmpty(&rect)) return;
    if (!bitmap || bitmap->GetEmpty()) {
        Canvas->FillRect(rect);
        return;
    }
    const long long w = bitmap->GetWidth(), h = bitmap->GetHeight();
    const long long firstCol = FloorDiv(rect.left, w), lastCol = FloorDiv((long long)rect.right - 1, w);
    const long long firstRow = FloorDiv(rect.top, h), lastRow = FloorDiv((long long)rect.bottom - 1, h);
    TCanvas* source = bitmap->GetCanvas();
    for (long long col = firstCol; col <= lastCol; ++col)
        for (long long row = firstRow; row <= lastRow; ++row) {
            const TRect cell{LONG(col * w), LONG(row * h), LONG(col * w + w), LONG(row * h + h)};
            TRect part{};
            if (!IntersectRect(&part, &cell, &rect)) continue;
            const TRect from{part.left - cell.left, part.top - cell.top, part.right - cell.left,
                             part.bottom - cell.top};
            Canvas->CopyRect(part, source, from);
        }
}

void TqzCanvas::FrameSides(const TRect& rect, TColor color, TqzSides sides, Integer lineWidth) {
    if (IsRectEmpty(&rect)) return;
    if (color != clDefault) SetBrushColor(color);
    const TRect& r = rect;
    if (sides & sideLeft)
        FillRectOrTile(TRect{r.left, r.top, std::min<LONG>(r.left + lineWidth, r.right), r.bottom});
    if (sides & sideRight)
        FillRectOrTile(TRect{std::max<LONG>(r.right - lineWidth, r.left), r.top, r.right, r.bottom});
    if (sides & sideTop)
        FillRectOrTile(TRect{r.left, r.top, r.right, std::min<LONG>(r.top + lineWidth, r.bottom)});
    if (sides & sideBottom)
        FillRectOrTile(TRect{r.left, std::max<LONG>(r.bottom - lineWidth, r.top), r.right, r.bottom});
}

void TqzCanvas::FillWithFrame(const TRect& rect, const TqzBrushPair& brush, Integer lineWidth,
                              TColor frameColor, TqzSides sides) {
    FrameSides(rect, frameColor, sides, lineWidth);
    TRect inner = rect;
    if (sides & sideLeft) inner.left += lineWidth;
    if (sides & sideTop) inner.top += lineWidth;
    if (sides & sideRight) inner.right -= lineWidth;
    if (sides & sideBottom) inner.bottom -= lineWidth;
    if (!brush.Bitmap || brush.Bitmap->GetEmpty()) SetBrushColor(brush.Color);
    FillRectOrTile(inner, brush.Bitmap);
}

void TqzCanvas::DrawTwoColorFrame(const TRect& rect, TColor firstColor, Integer lineWidth, TqzSides sides,
                                  TColor secondColor) {
    if (IsRectEmpty(&rect)) return;
    // Each strip stays inside the rectangle, however wide the line.
    for (int side = 0; side < 4; ++side) {
        if (!(sides & (1 << side))) continue;
        SetBrushColor(side < 2 ? firstColor : secondColor);
        TRect strip = rect;
        switch (side) {
        case 0:
            strip.right = std::min<LONG>(rect.left + lineWidth, rect.right);
            break;
        case 1:
            strip.bottom = std::min<LONG>(rect.top + lineWidth, rect.bottom);
            break;
        case 2:
            strip.left = std::max<LONG>(rect.right - lineWidth, rect.left);
            break;
        default:
            strip.top = std::max<LONG>(rect.bottom - lineWidth, rect.top);
            break;
        }
        FillRectOrTile(strip);
    }
}

void TqzCanvas::DrawEdge3D(const TRect& rect, bool sunken, bool outer, TqzSides sides) {
    TColor first, second;
    if (sunken) {
        first = outer ? clBtnShadow : cl3DDkShadow;
        second = outer ? clBtnHighlight : cl3DLight;
    } else {
        first = outer ? cl3DLight : clBtnHighlight;
        second = outer ? cl3DDkShadow : clBtnShadow;
    }
    DrawTwoColorFrame(rect, first, 1, sides, second);
}

// ---- Text ----------------------------------------------------------------------------------------

TSize TqzCanvas::MeasureText(const String& text) {
    if (text.empty()) return TSize{0, 0};
    return Canvas->TextExtent(text);
}

Integer TqzCanvas::TextWidthOf(const String& text) { return MeasureText(text).cx; }

Integer TqzCanvas::TextHeightOf(const String& text) { return MeasureText(text).cy; }

Integer TqzCanvas::MeasureFontHeight(TFont* font) {
    SelectFont(font);
    return TextHeightOf("Qq");
}

void TqzCanvas::CalcTextBounds(const String& text, TRect& rect, TqzTextFlags flags) {
    const LONG oldWidth = rect.right - rect.left, oldHeight = rect.bottom - rect.top;
    const UINT format = qg::TextFlagsToDrawTextFlags(flags);
    DrawTextA(Canvas->GetHandle(), text.c_str(), int(text.size()), &rect,
              (format & ~DT_VCENTER) | DT_CALCRECT);
    const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (format & DT_CENTER)
        OffsetRect(&rect, (oldWidth - width) / 2, 0);
    else if (format & DT_RIGHT)
        OffsetRect(&rect, oldWidth - width, 0);
    if (format & DT_VCENTER)
        OffsetRect(&rect, 0, (oldHeight - height) / 2);
    else if (format & DT_BOTTOM)
        OffsetRect(&rect, 0, oldHeight - height);
}

void TqzCanvas::PlaceTextVertically(TRect& rect, const String& text, bool noBreakChars, bool enabled,
                                    bool showPrefix, bool wordBreak, Integer placement) {
    if (placement == 0) return;
    const LONG e = enabled ? 0 : 1;
    TqzTextFlags flags = qg::tfAlignLeft | qg::tfAlignTop;
    if (wordBreak) flags |= qg::tfWordBreak;
    if (showPrefix) flags |= qg::tfShowPrefix;
    if (noBreakChars) flags |= qg::tfNoBreakChars;
    TRect box{0, 0, rect.right - rect.left - e, 0};
    CalcTextBounds(text, box, flags);
    const LONG height = box.bottom - box.top;
    if (placement == 1)
        rect.top = rect.bottom - height - e;
    else if (placement == 2)
        rect.top = (rect.top + rect.bottom - height) / 2;
}

void TqzCanvas::DrawTextPass(const String& text, TRect rect, UINT format, bool drawTextMode, UINT options) {
    HDC dc = Canvas->GetHandle();
    if (drawTextMode)
        DrawTextA(dc, text.c_str(), int(text.size()), &rect, format);
    else
        ExtTextOutA(dc, rect.left, rect.top, options, &rect, text.data(), UINT(text.size()), nullptr);
}

void TqzCanvas::OutputText(const String& text, const TRect& rect, bool enabled, TqzTextFlags flags) {
    if (text.empty()) return;
    const bool drawTextMode = !(flags & qg::tfSingleLine) ||
                              (flags & (qg::tfShowPrefix | qg::tfEndEllipsis | qg::tfPathEllipsis)) != 0;
    const LONG e = enabled ? 0 : 1;
    TRect r = rect;
    const TSize size = MeasureText(text);
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    if (size.cx < width && size.cy < height) flags |= qg::tfNoClip;

    UINT format = 0, options = 0;
    if (drawTextMode) {
        if (!(flags & qg::tfSingleLine)) {
            const bool noBreakChars = flags & qg::tfNoBreakChars, showPrefix = flags & qg::tfShowPrefix,
                       wordBreak = flags & qg::tfWordBreak;
            if (flags & qg::tfAlignBottom)
                PlaceTextVertically(r, text, noBreakChars, enabled, showPrefix, wordBreak, 1);
            else if (flags & qg::tfAlignVCenter)
                PlaceTextVertically(r, text, noBreakChars, enabled, showPrefix, wordBreak, 2);
        }
        format = qg::TextFlagsToDrawTextFlags(flags);
    } else {
        if (size.cx < width) {
            const TqzTextFlags horizontal = flags & (qg::tfAlignLeft | qg::tfAlignRight | qg::tfAlignHCenter);
            if (horizontal == qg::tfAlignRight)
                r.left = r.right - size.cx - e;
            else if (horizontal == qg::tfAlignHCenter)
                r.left = (r.left + r.right - size.cx) / 2;
        }
        if (size.cy < height) {
            const TqzTextFlags vertical = flags & (qg::tfAlignTop | qg::tfAlignBottom | qg::tfAlignVCenter);
            if (vertical == qg::tfAlignBottom)
                r.top = r.bottom - size.cy - e;
            else if (vertical == qg::tfAlignVCenter)
                r.top = (r.top + r.bottom - size.cy) / 2;
        }
        options = (flags & qg::tfNoClip) ? 0 : ETO_CLIPPED;
    }

    TBrush* brush = CurrentBrush();
    TFont* font = CurrentFont();
    const TBrushStyle brushStyle = brush->GetStyle();
    const TColor fontColor = font->GetColor();
    if (!enabled) {
        brush->SetStyle(bsClear);
        font->SetColor(clBtnHighlight);
        TRect shifted = r;
        OffsetRect(&shifted, 1, 1);
        DrawTextPass(text, shifted, format, drawTextMode, options);
        font->SetColor(clBtnShadow);
    }
    DrawTextPass(text, r, format, drawTextMode, options);
    if (brush->GetStyle() != brushStyle) brush->SetStyle(brushStyle);
    font->SetColor(fontColor);
}

// ---- Clipping ------------------------------------------------------------------------------------

void TqzCanvas::ExcludeClipArea(const TRect& rect) {
    ExcludeClipRect(DeviceContext(), rect.left, rect.top, rect.right, rect.bottom);
}

void TqzCanvas::IntersectClipArea(const TRect& rect) {
    IntersectClipRect(DeviceContext(), rect.left, rect.top, rect.right, rect.bottom);
}

std::unique_ptr<TqzRegion> TqzCanvas::CopyClipRegion(bool considerOrigin) {
    auto region = TqzRegion::CreateEmpty();
    if (GetClipRgn(DeviceContext(), region->GetHandle()) != 1)
        SetRectRgn(region->GetHandle(), 0, 0, 30000, 30000);
    if (considerOrigin) {
        const TPoint offset = DeviceOriginOffset();
        region->Offset(-offset.x, -offset.y);
    }
    return region;
}

void TqzCanvas::ApplyClipRegion(TqzRegion* region, TqzRegionOperation operation, bool considerOrigin,
                                bool freeRegion) {
    if (!region) return;
    if (operation != roCopy) {
        auto clip = CopyClipRegion(considerOrigin);
        clip->Combine(region, operation, freeRegion);
        ApplyClipRegion(clip.release(), roCopy, considerOrigin, true);
        return;
    }
    const TPoint offset = considerOrigin ? DeviceOriginOffset() : TPoint{0, 0};
    region->Offset(offset.x, offset.y);
    SelectClipRgn(DeviceContext(), region->GetHandle());
    if (freeRegion)
        delete region;
    else
        region->Offset(-offset.x, -offset.y);
}

void TqzCanvas::ApplyClipRegion(std::unique_ptr<TqzRegion> region, TqzRegionOperation operation,
                                bool considerOrigin) {
    ApplyClipRegion(region.release(), operation, considerOrigin, true);
}

// ---- Bitmaps -------------------------------------------------------------------------------------

void TqzCanvas::RotateBitmap(TBitmap* bitmap, Integer rotation, bool mirror) {
    if (!bitmap || bitmap->GetEmpty() || rotation < 0 || rotation > 3) return;
    if (rotation == 0 && !mirror) return;
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();

    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = w;
    header.biHeight = -h;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;

    std::vector<std::uint32_t> source(std::size_t(w) * h), target(std::size_t(w) * h);
    HBITMAP handle = bitmap->GetHandle();
    if (GetDIBits(DeviceContext(), handle, 0, UINT(h), source.data(), &info, DIB_RGB_COLORS) == 0) return;

    const bool turned = rotation == 1 || rotation == 2;
    const int targetWidth = turned ? h : w;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            int row = r, col = c;
            switch (rotation) {
            case 0: // mirror only: upside down
                row = h - 1 - r;
                break;
            case 1:
                row = mirror ? c : w - 1 - c;
                col = r;
                break;
            case 2:
                row = mirror ? w - 1 - c : c;
                col = h - 1 - r;
                break;
            default:
                row = mirror ? r : h - 1 - r;
                col = w - 1 - c;
                break;
            }
            target[std::size_t(row) * targetWidth + col] = source[std::size_t(r) * w + c];
        }

    if (turned) {
        bitmap->SetHeight(0);
        bitmap->SetWidth(h);
        bitmap->SetHeight(w);
        header.biWidth = h;
        header.biHeight = -w;
    }
    handle = bitmap->GetHandle();
    SetDIBits(DeviceContext(), handle, 0, UINT(turned ? w : h), target.data(), &info, DIB_RGB_COLORS);
}

// ---- Screen canvases -----------------------------------------------------------------------------

TScreenCanvas::~TScreenCanvas() { FreeHandle(); }

void TScreenCanvas::FreeHandle() {
    if (!FDeviceContext) return;
    SetHandle(nullptr);
    ReleaseDC(nullptr, FDeviceContext);
    FDeviceContext = nullptr;
}

void TScreenCanvas::CreateHandle() {
    if (!FDeviceContext) FDeviceContext = GetDC(nullptr);
    SetHandle(FDeviceContext);
}

TqzScreenCanvas::TqzScreenCanvas() : TqzCanvas(nullptr), FScreenCanvas(std::make_unique<TScreenCanvas>()) {
    Canvas = FScreenCanvas.get();
}

TqzScreenCanvas::~TqzScreenCanvas() { Canvas = nullptr; }

// ---- Helpers ---------------------------------------------------------------------------------------

void DeflateRectByMargins(TRect& rect, const TRect& margins) {
    rect.left += margins.left;
    rect.top += margins.top;
    rect.right -= margins.right;
    rect.bottom -= margins.bottom;
}

// The display is true colour: every RGB value shows as itself.
TColor NearestScreenColor(TColor color) { return TColor(ColorToRGB(color) & 0x00FFFFFF); }

TColor BlendSystemColors(Integer facePercent, Integer highlightPercent, Integer windowPercent) {
    const COLORREF face = COLORREF(ColorToRGB(clBtnFace)) & 0x00FFFFFF;
    const COLORREF highlight = COLORREF(ColorToRGB(clHighlight)) & 0x00FFFFFF;
    const COLORREF window = COLORREF(ColorToRGB(clWindow)) & 0x00FFFFFF;
    if (face == 0 || face == 0x00FFFFFF) return TColor(highlight);
    auto channel = [&](int shift) {
        const Integer v = MulDiv(Integer((face >> shift) & 0xFF), facePercent, 100) +
                          MulDiv(Integer((highlight >> shift) & 0xFF), highlightPercent, 100) +
                          MulDiv(Integer((window >> shift) & 0xFF), windowPercent, 100);
        return BYTE(std::clamp<Integer>(v, 0, 255));
    };
    return TColor(RGB(channel(0), channel(8), channel(16)));
}

TColor HotTrackLightColor() { return NearestScreenColor(BlendSystemColors(-2, 30, 72)); }

TColor PressedLightColor() { return NearestScreenColor(BlendSystemColors(14, 44, 40)); }
