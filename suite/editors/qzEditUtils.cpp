// Drawing routines and helpers shared by the editors.
#include "suite/editors/qzEditUtils.h"

#include <algorithm>
#include <memory>

#include "platform/classlib/ImgList.h"
#include "platform/runtime/SysInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

bool HotLightColorAvailable = false;
bool UnitStarted = false;

void EnsureStarted() {
    if (!UnitStarted) EditUtilsInitialize();
}

Integer RectWidth(const TRect& r) { return r.right - r.left; }
Integer RectHeight(const TRect& r) { return r.bottom - r.top; }

TRect MakeRect(Integer left, Integer top, Integer right, Integer bottom) {
    TRect r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

void FillPixels(HDC dc, Integer left, Integer top, Integer right, Integer bottom, HBRUSH brush) {
    const TRect r = MakeRect(left, top, right, bottom);
    FillRect(dc, &r, brush);
}

// The left plus right margins of a theme part's content in a 100 x 100 box.
Integer ThemeHorizontalMargins(HTHEME theme, HDC dc, Integer part) {
    const TRect box = MakeRect(0, 0, 100, 100);
    TRect content = box;
    UxGetThemeBackgroundContentRect(theme, dc, part, 1, &box, &content);
    return (content.left - box.left) + (box.right - content.right);
}

// ---- Painting a window into a foreign DC ----

struct TParentPaint {
    HDC DC;
    TCanvas* Canvas;
    TControl* Original;
};

bool Overlaps(const TRect& a, const TRect& b) {
    TRect dummy;
    return IntersectRect(&dummy, &a, &b) != FALSE;
}

void SetPaintCopy(TControl* control, bool on) {
    TControlState state = control->GetControlState();
    if (on)
        state.Include(csPaintCopy);
    else
        state.Exclude(csPaintCopy);
    control->SetControlState(state);
}

// Paints control (whose window's top-left lies at offset in the current logical coordinates,
// negated) and its windowed children below `stopAt` that overlap area (in control's client
// coordinates).
void PaintWindowCopy(const TParentPaint& paint, TWinControl* control, const TPoint& offset, const TRect& area,
                     TControl* stopAt) {
    if (!control->HandleAllocated()) return;
    HWND window = control->GetHandle();
    const Integer width = control->GetWidth();
    const Integer height = control->GetHeight();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int regionKind = GetWindowRgn(window, region);
    if (regionKind == NULLREGION) {
        DeleteObject(region);
        return;
    }
    const bool hasRegion = regionKind != 0 /* ERROR: no region */;
    const int saved = SaveDC(paint.DC);
    SetPaintCopy(control, true);
    OffsetWindowOrgEx(paint.DC, offset.x, offset.y, nullptr);
    if (hasRegion) {
        // Clip regions are in device coordinates.
        POINT windowOrigin{}, viewportOrigin{};
        GetWindowOrgEx(paint.DC, &windowOrigin);
        GetViewportOrgEx(paint.DC, &viewportOrigin);
        OffsetRgn(region, viewportOrigin.x - windowOrigin.x, viewportOrigin.y - windowOrigin.y);
        ExtSelectClipRgn(paint.DC, region, RGN_AND);
    } else {
        IntersectClipRect(paint.DC, 0, 0, width, height);
    }
    DeleteObject(region);
    TRect clientArea = MakeRect(0, 0, width, height);
    if (control != paint.Original->GetParent()) {
        const LONG_PTR exStyle = GetWindowLong(window, GWL_EXSTYLE);
        const LONG_PTR style = GetWindowLong(window, GWL_STYLE);
        if (exStyle & WS_EX_CLIENTEDGE)
            DrawEdge(paint.DC, &clientArea, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        else if (style & WS_BORDER)
            DrawEdge(paint.DC, &clientArea, BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MONO);
        OffsetWindowOrgEx(paint.DC, -clientArea.left, -clientArea.top, nullptr);
        IntersectClipRect(paint.DC, 0, 0, RectWidth(clientArea), RectHeight(clientArea));
    }
    paint.Canvas->Lock();
    try {
        SendMessageA(window, WM_ERASEBKGND, WPARAM(paint.DC), 0);
        SendMessageA(window, WM_PAINT, WPARAM(paint.DC), 0);
    } catch (...) {
        paint.Canvas->Unlock();
        SetPaintCopy(control, false);
        RestoreDC(paint.DC, saved);
        throw;
    }
    paint.Canvas->Unlock();
    // The windowed children below the original control (all of them further down).
    for (Integer i = 0; i < control->GetControlCount(); ++i) {
        TControl* child = control->GetControls(i);
        if (child == stopAt) break;
        auto* winChild = dynamic_cast<TWinControl*>(child);
        if (!winChild || !winChild->GetVisible()) continue;
        const TRect childBounds = winChild->GetBoundsRect();
        if (!Overlaps(childBounds, area)) continue;
        TRect childArea = area;
        OffsetRect(&childArea, -childBounds.left, -childBounds.top);
        PaintWindowCopy(paint, winChild, TPoint{-childBounds.left, -childBounds.top}, childArea, nullptr);
    }
    SetPaintCopy(control, false);
    RestoreDC(paint.DC, saved);
}

} // namespace

void EditUtilsInitialize() {
    UnitStarted = true;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) {
        HotLightColorAvailable = false;
        return;
    }
    HotLightColorAvailable = (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && info.dwMinorVersion != 0) ||
                             (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 5);
}

bool IsHotLightColorAvailable() {
    EnsureStarted();
    return HotLightColorAvailable;
}

// ---- Colours and painters --------------------------------------------------------------------

TqzLookAndFeelPainterClass GetEditPainterClass(bool native, TqzLookAndFeelKind kind) {
    if (native && AreThemesActiveForTypes(0)) return NativeLookAndFeelPainterClass();
    switch (kind) {
    case lfFlat:
        return PainterClass<TqzFlatLookAndFeelPainter>();
    case lfStandard:
        return PainterClass<TqzStandardLookAndFeelPainter>();
    case lfOffice11:
        return PainterClass<TqzOffice11LookAndFeelPainter>();
    default:
        return PainterClass<TqzUltraFlatLookAndFeelPainter>();
    }
}

TColor GetEditHotTrackColor() { return IsHotLightColorAvailable() ? clHotLight : TColor(0xFF0000); }

// The office scheme's counterpart of clHighlight for frames (the Office11 painter's hot frame); its
// white highlight colour would leave a highlighted frame unseen on a window-coloured ground.
TColor GetHighlightBorderColor(bool office) { return office ? SchemeColor40 : clHighlight; }

TColor GetFlatButtonStateColor(bool pressed, bool office) {
    const TqzButtonState state = pressed ? qzbsPressed : qzbsHot;
    if (office) return PainterClass<TqzOffice11LookAndFeelPainter>()->ButtonFaceColor(state);
    return PainterClass<TqzUltraFlatLookAndFeelPainter>()->ButtonFaceColor(state);
}

// ---- Buttons ---------------------------------------------------------------------------------

void CalcButtonThemeInfo(TqzEditButtonViewInfo* viewInfo) {
    TqzEditButtonViewInfoData& data = viewInfo->Data;
    HTHEME theme = nullptr;
    if (data.NativeStyle) theme = OpenThemeForType(data.ComboBoxStyle ? ttComboBox : ttButton);
    if (!theme) {
        data.NativePart = 0;
        data.NativeState = 0;
        data.NativePartiallyTransparent = false;
        return;
    }
    data.NativePart = 1;
    const Integer state = EditButtonThemeStates[std::clamp<Integer>(data.State, 0, 3)];
    data.NativePartiallyTransparent = UxIsThemeBackgroundPartiallyTransparent(theme, data.NativePart, state);
    data.NativeState = state;
}

Integer GetEditButtonWidth(TqzCanvas* canvas, TqzEditButtonViewInfo* viewInfo) {
    TqzEditButtonViewInfoData& data = viewInfo->Data;
    const TybThemeType themeType = data.ComboBoxStyle ? ttComboBox : ttButton;
    if (data.NativeStyle && !IsNativeStyleUsable(true, themeType)) data.NativeStyle = false;
    Integer margins = 4;
    if (data.NativeStyle)
        margins = ThemeHorizontalMargins(OpenThemeForType(themeType), canvas->DeviceContext(), 1);
    if (viewInfo->Width >= 1) return std::max(viewInfo->Width, margins);
    if (data.Kind == bkGlyph && IsBitmapUsable(viewInfo->Glyph)) return viewInfo->Glyph->GetWidth() + margins;
    if (data.Kind == bkText)
        return std::max(margins + canvas->TextWidthOf(data.VisibleCaption) + 3,
                        Integer(GetSystemMetrics(SM_CYHSCROLL)));
    return GetSystemMetrics(SM_CYHSCROLL);
}

Integer NativeInnerEditHeightCorrection(TqzCustomEditProperties* properties, bool inplace) {
    return inplace && properties && properties->GetButtons()->GetCount() > 0 ? 1 : 0;
}

Integer EditButtonVerticalFrame(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo) {
    if (viewInfo->NativeStyle) {
        if (HTHEME theme = OpenThemeForType(ttButton)) {
            const TRect box = MakeRect(0, 0, 100, 100);
            TRect content = box;
            UxGetThemeBackgroundContentRect(theme, canvas ? canvas->DeviceContext() : nullptr, 1, 1, &box, &content);
            return (content.top - box.top) + (box.bottom - content.bottom);
        }
    }
    if (viewInfo->GetButtonCount() == 0) return EditButtonVerticalFrames[0];
    return EditButtonVerticalFrames[std::min<Integer>(viewInfo->GetButtonInfo(0)->Data.Style, 6)];
}

bool EditHasShadow(TqzCustomEditViewData* viewData) {
    TqzCustomEditStyle* style = viewData->GetStyle();
    return style->GetShadow() && !TqzCustomEditViewData::UsesNativeStyle(style->GetLookAndFeel());
}

// ---- Shapes ----------------------------------------------------------------------------------

TSize CalculateArrowSize(const TSize& buttonSize, Integer direction) {
    Integer base = (std::min(buttonSize.cx, buttonSize.cy) - 1) / 2;
    if (base % 2 == 0) ++base;
    const Integer depth = base / 2 + 1;
    if (direction == adLeft || direction == adRight) return TSize{depth, base};
    return TSize{base, depth};
}

void DrawTriangleArrows(TqzCanvas* canvas, Integer size, const TRect& bounds, TColor color, bool pressed,
                        bool twoArrows, Integer direction) {
    if (size <= 0) return;
    const Integer count = twoArrows ? 2 : 1;
    const bool vertical = direction == adUp || direction == adDown;
    const Integer blockWidth = vertical ? 2 * size - 1 : count * size;
    const Integer blockHeight = vertical ? count * size : 2 * size - 1;
    Integer left = bounds.left + (RectWidth(bounds) - blockWidth) / 2;
    Integer top = bounds.top + (RectHeight(bounds) - blockHeight) / 2;
    if (pressed) {
        ++left;
        ++top;
    }
    HDC dc = canvas->DeviceContext();
    HBRUSH brush = GetCachedSolidBrush(color);
    for (Integer arrow = 0; arrow < count; ++arrow) {
        for (Integer i = 0; i < size; ++i) {
            // Line i's half-length grows (up, left) or shrinks (down, right).
            const Integer half = (direction == adUp || direction == adLeft) ? i : size - 1 - i;
            if (vertical) {
                const Integer y = top + arrow * size + i;
                FillPixels(dc, left + size - 1 - half, y, left + size + half, y + 1, brush);
            } else {
                const Integer x = left + arrow * size + i;
                FillPixels(dc, x, top + size - 1 - half, x + 1, top + size + half, brush);
            }
        }
    }
}

void DrawRectEdges(TqzCanvas* canvas, TRect& bounds, Integer edges, TColor color) {
    const TRect r = bounds;
    HDC dc = canvas->DeviceContext();
    HBRUSH brush = GetCachedSolidBrush(color);
    if (edges & 1) {
        FillPixels(dc, r.left, r.top, r.left + 1, r.bottom, brush);
        ++bounds.left;
    }
    if (edges & 4) {
        FillPixels(dc, r.right - 1, r.top, r.right, r.bottom, brush);
        --bounds.right;
    }
    if (edges & 2) {
        FillPixels(dc, r.left, r.top, r.right, r.top + 1, brush);
        ++bounds.top;
    }
    if (edges & 8) {
        FillPixels(dc, r.left, r.bottom - 1, r.right, r.bottom, brush);
        --bounds.bottom;
    }
}

void DrawEditPolyLine(TqzCanvas* canvas, const TPoint* points, Integer segmentCount, bool withBrush,
                      TColor color) {
    if (!points || segmentCount < 0) return;
    const TPoint& last = points[segmentCount];
    if (!withBrush) {
        canvas->CurrentPen()->SetColor(color);
        canvas->DrawPolyline(points, segmentCount + 1);
        canvas->SetPixelColor(last.x, last.y, color);
        return;
    }
    HDC dc = canvas->DeviceContext();
    HBRUSH brush = GetCachedSolidBrush(color);
    for (Integer i = 0; i < segmentCount; ++i) {
        const TPoint& a = points[i];
        const TPoint& b = points[i + 1];
        if (a.y == b.y)
            FillPixels(dc, std::min(a.x, b.x + 1), a.y, std::max(a.x + 1, b.x), a.y + 1, brush);
        else if (a.x == b.x)
            FillPixels(dc, a.x, std::min(a.y, b.y + 1), a.x + 1, std::max(a.y + 1, b.y), brush);
    }
    FillPixels(dc, last.x, last.y, last.x + 1, last.y + 1, brush);
}

void DrawThreeDots(TqzCanvas* canvas, Integer left, Integer top, TColor color, Integer dotSize) {
    HDC dc = canvas->DeviceContext();
    HBRUSH brush = GetCachedSolidBrush(color);
    for (Integer i = 0; i < 3; ++i) {
        const Integer x = left + i * (dotSize + 2);
        FillPixels(dc, x, top, x + dotSize, top + dotSize, brush);
    }
}

void DrawTransparentGlyph(TqzCanvas* canvas, Integer left, Integer top, TBitmap* buffer, TColor background,
                          bool enabled, TBitmap* glyph) {
    if (!IsBitmapUsable(glyph)) return;
    const Integer width = glyph->GetWidth();
    const Integer height = glyph->GetHeight();
    const TRect glyphRect = MakeRect(0, 0, width, height);
    if (enabled) {
        TCanvas* target = buffer ? buffer->GetCanvas() : canvas->Canvas;
        TRect dest = glyphRect;
        if (!buffer) OffsetRect(&dest, left, top);
        if (buffer || background == clNone) {
            // A clear brush: the ground under the transparent colour stays as it is.
            TransparentBlt(target->GetHandle(), dest.left, dest.top, width, height,
                           glyph->GetCanvas()->GetHandle(), 0, 0, width, height,
                           UINT(ColorToRGB(glyph->GetTransparentColor()) & 0xFFFFFF));
        } else {
            TBrush* brush = target->GetBrush();
            const TBrushStyle oldStyle = brush->GetStyle();
            brush->SetColor(background);
            target->BrushCopy(dest, glyph, glyphRect, glyph->GetTransparentColor());
            brush->SetStyle(oldStyle);
        }
        if (buffer) canvas->Canvas->Draw(left, top, buffer);
        return;
    }
    TCustomImageList images(nullptr, width, height);
    images.AddMasked(glyph, glyph->GetTransparentColor());
    if (buffer) {
        images.Draw(buffer->GetCanvas(), 0, 0, 0, false);
        canvas->Canvas->Draw(left, top, buffer);
    } else if (background != clNone) {
        TBitmap bitmap;
        bitmap.SetSize(width, height);
        bitmap.GetCanvas()->GetBrush()->SetColor(background);
        bitmap.GetCanvas()->FillRect(glyphRect);
        images.Draw(bitmap.GetCanvas(), 0, 0, 0, false);
        canvas->Canvas->Draw(left, top, &bitmap);
    } else {
        images.Draw(canvas->Canvas, left, top, 0, false);
    }
}

void DrawImageListImage(TqzCanvas* canvas, TCustomImageList* images, Integer index, TBitmap* bitmap,
                        bool enabled, TColor background, const TRect& rect) {
    if (!canvas || !images) return;
    std::unique_ptr<TBitmap> own;
    if (!bitmap) {
        own = std::make_unique<TBitmap>();
        own->SetSize(images->GetWidth(), images->GetHeight());
        own->GetCanvas()->GetBrush()->SetColor(background);
        own->GetCanvas()->FillRect(MakeRect(0, 0, images->GetWidth(), images->GetHeight()));
        bitmap = own.get();
    }
    images->Draw(bitmap->GetCanvas(), 0, 0, index, enabled);
    canvas->Canvas->Draw(rect.left, rect.top, bitmap);
}

bool IsBitmapUsable(TBitmap* bitmap) {
    return bitmap && !bitmap->GetEmpty() && bitmap->GetWidth() >= 1 && bitmap->GetHeight() >= 1;
}

TPoint CenterSizeInRect(const TRect& rect, const TSize& size, bool pressed) {
    TPoint p{rect.left + (RectWidth(rect) - size.cx) / 2, rect.top + (RectHeight(rect) - size.cy) / 2};
    if (pressed) {
        if (p.x + size.cx + 1 <= rect.right) ++p.x;
        if (p.y + size.cy + 1 <= rect.bottom) ++p.y;
    }
    return p;
}

// ---- Other helpers ---------------------------------------------------------------------------

void FillRectExcept(TqzCanvas* canvas, const TRect& outer, const TRect& inner, HBRUSH brush) {
    if (IsRectEmpty(&outer) || EqualRect(&outer, &inner)) return;
    HDC dc = canvas->DeviceContext();
    if (IsRectEmpty(&inner)) {
        FillRect(dc, &outer, brush);
        return;
    }
    FillPixels(dc, outer.left, outer.top, inner.left, outer.bottom, brush);
    FillPixels(dc, inner.left, outer.top, inner.right, inner.top, brush);
    FillPixels(dc, inner.right, outer.top, outer.right, outer.bottom, brush);
    FillPixels(dc, inner.left, inner.bottom, inner.right, outer.bottom, brush);
}

void FillRectWithColor(TqzCanvas* canvas, const TRect& rect, TColor color) {
    FillRect(canvas->DeviceContext(), &rect, GetCachedSolidBrush(color));
}

void FillRectWithBrush(HDC dc, const TRect& rect, HBRUSH brush) { FillRect(dc, &rect, brush); }

void PaintParentImageBehind(TControl* control, TqzCanvas* canvas, const TRect& rect) {
    if (!control || !canvas) return;
    TWinControl* parent = control->GetParent();
    if (!parent) return;
    TRect area = rect;
    OffsetRect(&area, control->GetLeft(), control->GetTop());
    const TParentPaint paint{canvas->DeviceContext(), canvas->Canvas, control};
    PaintWindowCopy(paint, parent, TPoint{area.left, area.top}, area, control);
}

void PaintParentImageBehind(TControl* control, TCanvas* canvas, const TRect& rect) {
    if (!canvas) return;
    TqzCanvas wrapper(canvas);
    PaintParentImageBehind(control, &wrapper, rect);
}

String RemoveAcceleratorPrefixes(const String& caption) {
    String result;
    result.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            result += caption[i];
        } else if (i + 1 < caption.size()) {
            result += caption[++i];
        } else {
            result += '_';
        }
    }
    return result;
}

void SetCanvasFontFromLogFont(TqzCanvas* canvas, const LOGFONTA& logFont) {
    canvas->Canvas->GetFont()->SetHandle(CreateFontIndirectA(&logFont));
}

LOGFONTA GetCanvasLogFont(TqzCanvas* canvas) {
    LOGFONTA logFont{};
    GetObjectA(canvas->Canvas->GetFont()->GetHandle(), sizeof(logFont), &logFont);
    return logFont;
}
