// The canvas: drawing on a device context with a font, a pen and a brush selected on demand.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/classlib/Graphics.h"
#include "platform/winapi/GdiDc.h"

namespace {

constexpr int PenModes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                            R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                            R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                            R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};

COLORREF ObjectColor(TColor color) {
    if (color < 0) return COLORREF(0xFF000000u | (unsigned(color) & 0xFF));
    return COLORREF(color) & 0x00FFFFFF;
}

const TCanvasState HandleOnly{csHandleValid};
const TCanvasState HandlePenBrush{csHandleValid, csPenValid, csBrushValid};
const TCanvasState HandleFontBrush{csHandleValid, csFontValid, csBrushValid};

// The points of a cubic curve from p0 to p3, p0 left out.
void FlattenBezier(TPoint p0, TPoint p1, TPoint p2, TPoint p3, std::vector<TPoint>& out) {
    auto dist = [](TPoint a, TPoint b) { return std::hypot(double(b.x - a.x), double(b.y - a.y)); };
    const double length = dist(p0, p1) + dist(p1, p2) + dist(p2, p3);
    const int steps = std::clamp(int(length / 3), 1, 256);
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        const double x = a * p0.x + b * p1.x + c * p2.x + d * p3.x;
        const double y = a * p0.y + b * p1.y + c * p2.y + d * p3.y;
        TPoint p{LONG(std::lround(x)), LONG(std::lround(y))};
        if (i == steps) p = p3;
        if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
    }
}

} // namespace

UINT TextFormatToDrawTextFlags(const TTextFormat& format) {
    struct TMap {
        TTextFormats Format;
        UINT Flag;
    };
    static constexpr TMap Map[] = {
        {tfBottom, DT_BOTTOM},
        {tfCalcRect, DT_CALCRECT},
        {tfCenter, DT_CENTER},
        {tfEditControl, DT_EDITCONTROL},
        {tfEndEllipsis, DT_END_ELLIPSIS},
        {tfPathEllipsis, DT_PATH_ELLIPSIS},
        {tfExpandTabs, DT_EXPANDTABS},
        {tfExternalLeading, DT_EXTERNALLEADING},
        {tfLeft, DT_LEFT},
        {tfModifyString, DT_MODIFYSTRING},
        {tfNoClip, DT_NOCLIP},
        {tfNoPrefix, DT_NOPREFIX},
        {tfRight, DT_RIGHT},
        {tfRtlReading, DT_RTLREADING},
        {tfSingleLine, DT_SINGLELINE},
        {tfTop, DT_TOP},
        {tfVerticalCenter, DT_VCENTER},
        {tfWordBreak, DT_WORDBREAK},
        {tfWordEllipsis, DT_WORD_ELLIPSIS},
        {tfNoFullWidthCharBreak, DT_NOFULLWIDTHCHARBREAK},
        {tfHidePrefix, DT_HIDEPREFIX},
        {tfPrefixOnly, DT_PREFIXONLY},
    };
    UINT flags = 0;
    for (const TMap& m : Map)
        if (format.Contains(m.Format)) flags |= m.Flag;
    return flags;
}

// ---- Life and state ----------------------------------------------------------------------------

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    FFont->OnChange = MakeEvent(this, &TCanvas::FontChanged);
    FPen->OnChange = MakeEvent(this, &TCanvas::PenChanged);
    FBrush->OnChange = MakeEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas() {
    if (FHandle) DeselectHandles();
}

HDC TCanvas::GetHandle() {
    // Whoever draws on the context itself gets the canvas's font, pen and brush in it.
    RequiredState(TCanvasState{csHandleValid, csFontValid, csPenValid, csBrushValid});
    return FHandle;
}

void TCanvas::SetHandle(HDC value) {
    if (value == FHandle) return;
    if (FHandle) DeselectHandles();
    FHandle = value;
    FState = value ? HandleOnly : TCanvasState();
}

void TCanvas::CreateHandle() {}

void TCanvas::RequiredState(TCanvasState state) {
    const TCanvasState needed = state - FState;
    if (needed.empty()) return;
    if (needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    }
    if (needed.Contains(csFontValid)) CreateFont();
    if (needed.Contains(csPenValid)) CreatePen();
    if (needed.Contains(csBrushValid)) CreateBrush();
}

void TCanvas::DeselectHandles() {
    if (!FHandle) return;
    if (FState.Contains(csFontValid)) {
        SelectObject(FHandle, FOldFont ? FOldFont : GetStockObject(SYSTEM_FONT));
        FOldFont = nullptr;
    }
    if (FState.Contains(csPenValid)) {
        SelectObject(FHandle, FOldPen ? FOldPen : GetStockObject(BLACK_PEN));
        FOldPen = nullptr;
    }
    if (FState.Contains(csBrushValid)) {
        SelectObject(FHandle, FOldBrush ? FOldBrush : GetStockObject(WHITE_BRUSH));
        FOldBrush = nullptr;
    }
    FState -= TCanvasState{csFontValid, csPenValid, csBrushValid};
}

void TCanvas::CreateFont() {
    HGDIOBJ old = SelectObject(FHandle, FFont->GetHandle());
    if (!FOldFont) FOldFont = old;
    SetTextColor(FHandle, ObjectColor(FFont->GetColor()));
    FState.Include(csFontValid);
}

void TCanvas::CreatePen() {
    HGDIOBJ old = SelectObject(FHandle, FPen->GetHandle());
    if (!FOldPen) FOldPen = old;
    SetROP2(FHandle, PenModes[FPen->GetMode()]);
    FState.Include(csPenValid);
}

void TCanvas::CreateBrush() {
    HGDIOBJ old = SelectObject(FHandle, FBrush->GetHandle());
    if (!FOldBrush) FOldBrush = old;
    // Text and hatches draw on the brush's colour only when the brush is solid.
    if (FBrush->GetStyle() == bsSolid || FBrush->GetBitmap()) {
        SetBkColor(FHandle, ObjectColor(FBrush->GetColor()));
        SetBkMode(FHandle, OPAQUE);
    } else {
        SetBkMode(FHandle, TRANSPARENT);
    }
    FState.Include(csBrushValid);
}

void TCanvas::FontChanged(TObject*) {
    if (FHandle && FState.Contains(csFontValid)) {
        SelectObject(FHandle, FOldFont ? FOldFont : GetStockObject(SYSTEM_FONT));
        FOldFont = nullptr;
        FState.Exclude(csFontValid);
    }
}

void TCanvas::PenChanged(TObject*) {
    if (FHandle && FState.Contains(csPenValid)) {
        SelectObject(FHandle, FOldPen ? FOldPen : GetStockObject(BLACK_PEN));
        FOldPen = nullptr;
        FState.Exclude(csPenValid);
    }
}

void TCanvas::BrushChanged(TObject*) {
    if (FHandle && FState.Contains(csBrushValid)) {
        SelectObject(FHandle, FOldBrush ? FOldBrush : GetStockObject(WHITE_BRUSH));
        FOldBrush = nullptr;
        FState.Exclude(csBrushValid);
    }
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::Changing() { OnChanging(this); }

void TCanvas::Changed() { OnChange(this); }

void TCanvas::Lock() {
    FLock.Enter();
    ++FLockCount;
}

void TCanvas::Unlock() {
    --FLockCount;
    FLock.Leave();
}

bool TCanvas::TryLock() {
    if (!FLock.TryEnter()) return false;
    ++FLockCount;
    return true;
}

// ---- Properties --------------------------------------------------------------------------------

TPoint TCanvas::GetPenPos() {
    RequiredState(HandleOnly);
    TPoint p{};
    GetCurrentPositionEx(FHandle, &p);
    return p;
}

TColor TCanvas::GetPixels(Integer x, Integer y) {
    RequiredState(HandleOnly);
    return TColor(::GetPixel(FHandle, x, y));
}

void TCanvas::SetPixels(Integer x, Integer y, TColor value) {
    Changing();
    RequiredState(TCanvasState{csHandleValid, csPenValid});
    ::SetPixel(FHandle, x, y, COLORREF(ColorToRGB(value)) & 0x00FFFFFF);
    Changed();
}

TRect TCanvas::GetClipRect() {
    RequiredState(HandleOnly);
    TRect r{};
    GetClipBox(FHandle, &r);
    return r;
}

// ---- Drawing -----------------------------------------------------------------------------------

void TCanvas::MoveTo(Integer x, Integer y) {
    RequiredState(HandleOnly);
    MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(Integer x, Integer y) {
    Changing();
    RequiredState(HandlePenBrush);
    ::LineTo(FHandle, x, y);
    Changed();
}

void TCanvas::Rectangle(Integer x1, Integer y1, Integer x2, Integer y2) {
    Changing();
    RequiredState(HandlePenBrush);
    ::Rectangle(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    Changing();
    RequiredState(TCanvasState{csHandleValid, csBrushValid});
    ::FillRect(FHandle, &rect, FBrush->GetHandle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    Changing();
    RequiredState(TCanvasState{csHandleValid, csBrushValid});
    ::FrameRect(FHandle, &rect, FBrush->GetHandle());
    Changed();
}

void TCanvas::Polygon(const TPoint* points, Integer count) {
    if (!points || count <= 0) return;
    Changing();
    RequiredState(HandlePenBrush);
    ::Polygon(FHandle, points, count);
    Changed();
}

void TCanvas::Polyline(const TPoint* points, Integer count) {
    if (!points || count <= 0) return;
    Changing();
    RequiredState(HandlePenBrush);
    ::Polyline(FHandle, points, count);
    Changed();
}

void TCanvas::PolyBezier(const TPoint* points, Integer count) {
    if (!points || count < 4 || (count - 1) % 3 != 0) return;
    std::vector<TPoint> line{points[0]};
    for (Integer i = 0; i + 3 < count; i += 3)
        FlattenBezier(points[i], points[i + 1], points[i + 2], points[i + 3], line);
    if (line.size() == 1) line.push_back(line[0]);
    Changing();
    RequiredState(HandlePenBrush);
    ::Polyline(FHandle, line.data(), int(line.size()));
    Changed();
}

void TCanvas::Ellipse(Integer x1, Integer y1, Integer x2, Integer y2) {
    Changing();
    RequiredState(HandlePenBrush);
    ::Ellipse(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::RoundRect(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3) {
    Changing();
    RequiredState(HandlePenBrush);
    ::RoundRect(FHandle, x1, y1, x2, y2, x3, y3);
    Changed();
}

void TCanvas::Arc(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4,
                  Integer y4) {
    Changing();
    RequiredState(HandlePenBrush);
    ::Arc(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Pie(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4,
                  Integer y4) {
    Changing();
    RequiredState(HandlePenBrush);
    ::Pie(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Chord(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4,
                    Integer y4) {
    Changing();
    RequiredState(HandlePenBrush);
    ::Chord(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::FloodFill(Integer x, Integer y, TColor color, TFillStyle fillStyle) {
    Changing();
    RequiredState(TCanvasState{csHandleValid, csBrushValid});
    std::shared_ptr<GdiDC> dc = GdiFindDC(FHandle);
    GdiSurface surface;
    POINT origin{};
    if (!dc || !dc->Device->SourcePixels(*dc, surface, origin) || !surface.IsValid()) {
        Changed();
        return;
    }
    // Work in device coordinates inside what the context may touch and the surface holds.
    GdiRegion allowed = dc->EffectiveClip();
    allowed &= GdiRegion(-origin.x, -origin.y, surface.Width - origin.x, surface.Height - origin.y);
    const POINT start = dc->ToDevice(POINT{x, y});
    if (!allowed.Contains(start.x, start.y)) {
        Changed();
        return;
    }
    const RECT box = allowed.Bounds();
    const GdiPixel target = surface.Mono ? GdiMonoPixel(COLORREF(ColorToRGB(color)) & 0xFFFFFF)
                                         : GdiColorToPixel(COLORREF(ColorToRGB(color)) & 0xFFFFFF);
    const long boxWidth = box.right - box.left;
    std::vector<std::uint8_t> seen(std::size_t(boxWidth) * std::size_t(box.bottom - box.top), 0);
    auto fills = [&](LONG px, LONG py) {
        if (px < box.left || px >= box.right || py < box.top || py >= box.bottom) return false;
        std::uint8_t& mark = seen[std::size_t(py - box.top) * boxWidth + (px - box.left)];
        if (mark) return false;
        if (!allowed.Contains(px, py)) return false;
        const GdiPixel p = surface.Row(py + origin.y)[px + origin.x] & 0x00FFFFFF;
        return fillStyle == fsSurface ? p == target : p != target;
    };
    GdiRegionBuilder builder;
    std::vector<POINT> stack{start};
    while (!stack.empty()) {
        const POINT seed = stack.back();
        stack.pop_back();
        if (!fills(seed.x, seed.y)) continue;
        LONG left = seed.x, right = seed.x + 1;
        while (fills(left - 1, seed.y))
            --left;
        while (fills(right, seed.y))
            ++right;
        for (LONG i = left; i < right; ++i)
            seen[std::size_t(seed.y - box.top) * boxWidth + (i - box.left)] = 1;
        builder.AddSpan(seed.y, left, right);
        for (LONG ny : {seed.y - 1, seed.y + 1})
            for (LONG i = left; i < right; ++i)
                if (fills(i, ny)) {
                    stack.push_back(POINT{i, ny});
                    while (i + 1 < right && fills(i + 1, ny))
                        ++i;
                }
    }
    GdiRegion area = builder.Build();
    const POINT offset = dc->Offset();
    area.Offset(-offset.x, -offset.y);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (auto object = GdiFind<GdiRegionObject>(region)) object->Region = area;
    FillRgn(FHandle, region, FBrush->GetHandle());
    DeleteObject(region);
    Changed();
}

void TCanvas::Draw(Integer x, Integer y, TGraphic* graphic) {
    if (!graphic || graphic->GetEmpty()) return;
    Changing();
    RequiredState(HandleOnly);
    graphic->Draw(this, TRect{x, y, x + graphic->GetWidth(), y + graphic->GetHeight()});
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->GetEmpty()) return;
    Changing();
    RequiredState(HandleOnly);
    graphic->Draw(this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
    if (!canvas) return;
    Changing();
    RequiredState(HandleFontBrush);
    canvas->RequiredState(HandleFontBrush);
    StretchBlt(FHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, canvas->FHandle,
               source.left, source.top, source.right - source.left, source.bottom - source.top,
               DWORD(FCopyMode));
    Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) {
    if (!bitmap || bitmap->GetEmpty()) return;
    const int width = std::abs(dest.right - dest.left), height = std::abs(dest.bottom - dest.top);
    if (width == 0 || height == 0) return;
    Changing();
    RequiredState(HandleFontBrush);
    HDC src = bitmap->GetCanvas()->GetHandle();
    HDC imageDc = CreateCompatibleDC(nullptr);
    HDC brushDc = CreateCompatibleDC(nullptr);
    HDC maskDc = CreateCompatibleDC(nullptr);
    HBITMAP image = CreateBitmap(width, height, 1, 32, nullptr);
    HBITMAP brushed = CreateBitmap(width, height, 1, 32, nullptr);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HGDIOBJ oldImage = SelectObject(imageDc, image);
    HGDIOBJ oldBrushed = SelectObject(brushDc, brushed);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    StretchBlt(imageDc, 0, 0, width, height, src, source.left, source.top, source.right - source.left,
               source.bottom - source.top, SRCCOPY);
    // The mask is white where the image has the colour: the brush shows there.
    auto imageBits = GdiFind<GdiBitmap>(image);
    auto maskBits = GdiFind<GdiBitmap>(mask);
    if (imageBits && maskBits) {
        const GdiSurface from = imageBits->Surface(), to = maskBits->Surface();
        const GdiPixel key = GdiColorToPixel(COLORREF(ColorToRGB(color)) & 0xFFFFFF);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                to.Row(y)[x] = (from.Row(y)[x] & 0xFFFFFF) == key ? 0xFFFFFF : 0;
    }
    SetBrushOrgEx(brushDc, -dest.left, -dest.top, nullptr);
    RECT all{0, 0, width, height};
    ::FillRect(brushDc, &all, FBrush->GetHandle());
    for (HDC dc : {imageDc, brushDc}) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
    }
    BitBlt(brushDc, 0, 0, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(imageDc, 0, 0, width, height, maskDc, 0, 0, 0x00220326); // the image where the mask is 0
    BitBlt(brushDc, 0, 0, width, height, imageDc, 0, 0, SRCPAINT);
    BitBlt(FHandle, std::min(dest.left, dest.right), std::min(dest.top, dest.bottom), width, height, brushDc,
           0, 0, SRCCOPY);
    SelectObject(imageDc, oldImage);
    SelectObject(brushDc, oldBrushed);
    SelectObject(maskDc, oldMask);
    DeleteObject(image);
    DeleteObject(brushed);
    DeleteObject(mask);
    DeleteDC(imageDc);
    DeleteDC(brushDc);
    DeleteDC(maskDc);
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    Changing();
    RequiredState(HandleFontBrush);
    ::DrawFocusRect(FHandle, &rect);
    Changed();
}

// ---- Text --------------------------------------------------------------------------------------

void TCanvas::TextOut(Integer x, Integer y, const String& text) {
    Changing();
    RequiredState(HandleFontBrush);
    ExtTextOutA(FHandle, x, y, UINT(FTextFlags), nullptr, text.data(), UINT(text.size()), nullptr);
    MoveToEx(FHandle, x + TextWidth(text), y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, Integer x, Integer y, const String& text) {
    Changing();
    RequiredState(HandleFontBrush);
    UINT options = ETO_CLIPPED | UINT(FTextFlags);
    if (FBrush->GetStyle() != bsClear) options |= ETO_OPAQUE;
    ExtTextOutA(FHandle, x, y, options, &rect, text.data(), UINT(text.size()), nullptr);
    Changed();
}

void TCanvas::TextRect(TRect& rect, String& text, const TTextFormat& format) {
    const UINT flags = TextFormatToDrawTextFlags(format);
    Changing();
    RequiredState(HandleFontBrush);
    if (flags & DT_MODIFYSTRING) {
        // Room for the ellipsis the layout may write back.
        String buffer = text;
        buffer.resize(text.size() + 4, '\0');
        DrawTextA(FHandle, buffer.data(), int(text.size()), &rect, flags);
        text = String(buffer.c_str());
    } else {
        DrawTextA(FHandle, text.c_str(), int(text.size()), &rect, flags);
    }
    Changed();
}

void TCanvas::TextRect(TRect& rect, const String& text, const TTextFormat& format) {
    String copy = text;
    TTextFormat f = format;
    f.Exclude(tfModifyString);
    TextRect(rect, copy, f);
}

TSize TCanvas::TextExtent(const String& text) {
    RequiredState(TCanvasState{csHandleValid, csFontValid});
    TSize size{};
    GetTextExtentPoint32A(FHandle, text.data(), int(text.size()), &size);
    return size;
}
