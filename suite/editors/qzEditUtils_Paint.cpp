// Painting an editor: its background and border with the buttons clipped out, and the frame and
// content of each edit button in the seven button styles.
#include <algorithm>
#include <memory>

#include "platform/winapi/Gdi.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr int EditTextPart = 1;
constexpr int ButtonPart = 1;

Integer RectWidth(const TRect& r) { return r.right - r.left; }
Integer RectHeight(const TRect& r) { return r.bottom - r.top; }
bool RectEmpty(const TRect& r) { return r.right <= r.left || r.bottom <= r.top; }

void Shrink(TRect& r, Integer by) {
    r.left += by;
    r.top += by;
    r.right -= by;
    r.bottom -= by;
}

TqzSides SidesOf(TqzBorders edges) { return TqzSides(edges.Mask() & 15); }

// The content rectangle of a theme part drawn on bounds.
TRect ThemeContentRect(HTHEME theme, HDC dc, int part, int state, const TRect& bounds) {
    TRect content = bounds;
    if (theme) UxGetThemeBackgroundContentRect(theme, dc, part, state, &bounds, &content);
    return content;
}

HTHEME ButtonTheme(const TqzEditButtonViewInfoData& data) {
    return OpenThemeForType(data.ComboBoxStyle ? ttComboBox : ttButton);
}

void PaintNativeBackground(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, bool paintInner, Integer frameKind,
                           HBRUSH brush) {
    HDC dc = canvas->DeviceContext();
    if (viewInfo->IsInplace || viewInfo->EditBorderStyle == ebsNone) {
        FillRect(dc, &viewInfo->Bounds, brush);
        return;
    }
    HTHEME theme = OpenThemeForType(ttEdit);
    TRect r;
    switch (frameKind) {
    case 0:
        r = ThemeContentRect(theme, dc, EditTextPart, viewInfo->NativeState, viewInfo->Bounds);
        break;
    case 1:
        r = viewInfo->Bounds;
        Shrink(r, 3);
        r.right = viewInfo->ClientRect.right - 1;
        break;
    default:
        r = viewInfo->ClientRect;
        break;
    }
    const int saved = SaveDC(dc);
    canvas->ExcludeClipArea(r);
    if (theme) UxDrawThemeBackground(theme, dc, EditTextPart, viewInfo->NativeState, &viewInfo->Bounds, nullptr);
    RestoreDC(dc, saved);
    if (!paintInner && frameKind != 2) FillRectExcept(canvas, r, viewInfo->BorderRect, brush);
    if (paintInner) FillRect(dc, &r, brush);
}

void PaintPlainBackground(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, bool paintInner, HBRUSH brush) {
    const Integer width = GetContainerBorderWidth(TqzContainerBorderStyle(viewInfo->EditBorderStyle));
    const TqzBorders edges = viewInfo->Edges;
    TRect r = viewInfo->BorderRect;
    r.left -= width;
    r.top -= width;
    if (edges.Contains(bRight)) r.right += width;
    if (edges.Contains(bBottom)) r.bottom += width;
    if (viewInfo->Shadow) DrawContainerShadow(canvas, r);
    if (!edges.Contains(bRight)) r.right += width;
    if (!edges.Contains(bBottom)) r.bottom += width;

    const TqzSides sides = SidesOf(edges);
    switch (viewInfo->EditBorderStyle) {
    case ebsSingle:
    case ebsThick:
        canvas->FrameSides(r, viewInfo->BorderColor, 15, width);
        break;
    case ebsFlat: {
        canvas->DrawEdge3D(r, true, true, sides);
        TRect inner = r;
        Shrink(inner, 1);
        canvas->FrameSides(inner, clBtnFace, 15, 1);
        break;
    }
    case ebs3D: {
        canvas->DrawEdge3D(r, true, true, sides);
        TRect inner = r;
        Shrink(inner, 1);
        canvas->DrawTwoColorFrame(inner, cl3DDkShadow, 1, sides, cl3DLight);
        break;
    }
    default:
        break;
    }

    HDC dc = canvas->DeviceContext();
    if (viewInfo->IsInplace) {
        if (paintInner)
            FillRect(dc, &viewInfo->Bounds, brush);
        else if (viewInfo->HasInplaceOffsets)
            FillRectExcept(canvas, viewInfo->Bounds, viewInfo->BorderRect, brush);
    } else if (paintInner) {
        FillRect(dc, &viewInfo->BorderRect, brush);
    }
}

bool SticksOut(const TRect& r, const TRect& border) {
    return r.left < border.left || r.top < border.top || r.right > border.right || r.bottom > border.bottom;
}

// Widens the arrow span [low, high) to length total, the odd pixel going before unless shifted.
void WidenSpan(Integer& low, Integer& high, Integer total, bool shifted) {
    const Integer e = total - (high - low);
    if (e % 2 == 0) {
        low -= e / 2;
        high += e / 2;
    } else if (!shifted) {
        low -= e / 2 + 1;
        high += e / 2;
    } else {
        low -= e / 2;
        high += e / 2 + 1;
    }
}

} // namespace

void DrawEditBackgroundAndButtons(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, bool paintInner,
                                  Integer nativeFrameKind) {
    HDC dc = canvas->DeviceContext();
    HBRUSH brush = GetCachedSolidBrush(viewInfo->BackgroundColor);
    const Integer count = viewInfo->GetButtonCount();
    int saved = 0;
    if (count > 0 && !viewInfo->GetButtonInfo(0)->Data.NativePartiallyTransparent) {
        saved = SaveDC(dc);
        for (Integer i = 0; i < count; ++i) canvas->ExcludeClipArea(viewInfo->GetButtonInfo(i)->VisibleBounds);
    }
    if (!viewInfo->TryCustomDraw(canvas)) {
        if (viewInfo->NativeStyle)
            PaintNativeBackground(canvas, viewInfo, paintInner, nativeFrameKind, brush);
        else
            PaintPlainBackground(canvas, viewInfo, paintInner, brush);
    }
    if (saved) RestoreDC(dc, saved);

    for (Integer i = 0; i < count; ++i) {
        TqzEditButtonViewInfo* button = viewInfo->GetButtonInfo(i);
        button->Data.BackgroundColor = viewInfo->BackgroundColor;
        std::unique_ptr<TqzRegion> clip;
        if (!RectEmpty(button->VisibleBounds) && SticksOut(button->Bounds, viewInfo->BorderRect)) {
            clip = canvas->CopyClipRegion();
            canvas->IntersectClipArea(button->VisibleBounds);
        }
        viewInfo->PaintButton(canvas, i);
        if (clip) canvas->ApplyClipRegion(std::move(clip), roCopy);
    }
}

void DrawEditButtonFrameByState(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, Integer index) {
    TqzEditButtonViewInfo* button = viewInfo->GetButtonInfo(index);
    TqzEditButtonStyle style = button->Data.Style;
    if (style == btsSimple && button->Data.NativePart == 0 &&
        (button->Data.State == qzebsPressed || button->Data.State == qzebsHot))
        style = btsFlat;
    viewInfo->DrawButtonFrame(canvas, index, button->Bounds, style);
}

void DrawEditButtonFrame(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, Integer index, const TRect& bounds,
                         TqzEditButtonStyle style) {
    TqzEditButtonViewInfo* button = viewInfo->GetButtonInfo(index);
    const TqzEditButtonViewInfoData& data = button->Data;
    HDC dc = canvas->DeviceContext();
    TRect r = bounds;

    if (data.NativeState != 0) {
        HTHEME theme = ButtonTheme(data);
        if (data.ComboBoxStyle) {
            if (theme) UxDrawThemeBackground(theme, dc, data.NativePart, data.NativeState, &button->Bounds, nullptr);
            return;
        }
        if (theme) UxDrawThemeBackground(theme, dc, data.NativePart, data.NativeState, &button->Bounds, nullptr);
        const TRect content = ThemeContentRect(theme, dc, data.NativePart, data.NativeState, button->Bounds);
        viewInfo->DrawButtonContent(canvas, index, TColor(0), clBtnText, content, content);
        return;
    }

    const bool pressed = data.State == qzebsPressed;
    const bool pressedOrHot = pressed || data.State == qzebsHot;
    const TColor face3D = data.Transparent ? data.BackgroundColor : clBtnFace;
    TColor face = face3D;
    TColor content = clBtnText;
    switch (style) {
    case bts3D:
        if (pressed) {
            canvas->FrameSides(r, clBtnShadow);
            Shrink(r, 1);
            canvas->FrameSides(r, face);
            Shrink(r, 1);
        } else {
            canvas->DrawTwoColorFrame(r, cl3DLight, 1, 15, cl3DDkShadow);
            Shrink(r, 1);
            canvas->DrawTwoColorFrame(r, clBtnHighlight, 1, 15, clBtnShadow);
            Shrink(r, 1);
        }
        break;
    case btsFlat:
        DrawRectEdges(canvas, r, 1, face);
        if (pressed)
            canvas->DrawTwoColorFrame(r, clBtnShadow, 1, 15, clBtnHighlight);
        else
            canvas->DrawTwoColorFrame(r, clBtnHighlight, 1, 15, clBtnShadow);
        Shrink(r, 1);
        DrawRectEdges(canvas, r, 4, face);
        break;
    case btsSimple:
        canvas->FrameSides(r, data.BackgroundColor);
        Shrink(r, 1);
        DrawRectEdges(canvas, r, 1 | 4, face);
        break;
    case btsHotFlat: {
        face = data.Transparent ? data.BackgroundColor : HotFlatButtonColors[std::clamp<Integer>(data.State, 0, 3)];
        const bool isolated = data.LeftAlignment ? data.Rightmost : data.Leftmost;
        if (isolated) {
            canvas->FrameSides(r, clBtnShadow);
            Shrink(r, 1);
        } else if (data.LeftAlignment) {
            DrawRectEdges(canvas, r, 1 | 2 | 8, clBtnShadow);
            DrawRectEdges(canvas, r, 4, face);
        } else {
            DrawRectEdges(canvas, r, 2 | 4 | 8, clBtnShadow);
            DrawRectEdges(canvas, r, 1, face);
        }
        DrawRectEdges(canvas, r, 1 | 4, face);
        if (pressedOrHot) content = data.State == qzebsHot && data.Transparent ? clBtnShadow : clWindow;
        break;
    }
    case btsUltraFlat:
    case btsOffice11: {
        const bool office = style == btsOffice11;
        if (data.Transparent)
            face = data.BackgroundColor;
        else if (pressedOrHot)
            face = GetFlatButtonStateColor(pressed, office);
        else if (office && data.State == qzebsNormal)
            face = PainterClass<TqzOffice11LookAndFeelPainter>()->ButtonFaceColor(qzbsNormal);
        else
            face = clBtnFace;
        const TColor frame = GetHighlightBorderColor(office);
        if (!pressedOrHot || (data.IsInplace && !(viewInfo->DrawTextFlags & qzedfContentBounds))) {
            canvas->FrameSides(r, pressedOrHot ? frame : data.BackgroundColor);
            Shrink(r, 1);
            TRect inner = r;
            inner.left += 1;
            inner.right -= 1;
            viewInfo->DrawButtonContent(canvas, index, face, content, inner, r);
            return;
        }
        const TRect& border = viewInfo->BorderRect;
        if (data.LeftAlignment) {
            if (data.Leftmost)
                r.left += 1;
            else
                DrawRectEdges(canvas, r, 1, frame);
            if (r.right == border.right)
                r.right -= 1;
            else
                DrawRectEdges(canvas, r, 4, frame);
        } else {
            if (data.Rightmost)
                r.right -= 1;
            else
                DrawRectEdges(canvas, r, 4, frame);
            if (r.left == border.left)
                r.left += 1;
            else
                DrawRectEdges(canvas, r, 1, frame);
        }
        const TRect outer = r;
        Shrink(r, 1);
        viewInfo->DrawButtonContent(canvas, index, face, content, r, outer);
        return;
    }
    default:
        break;
    }
    viewInfo->DrawButtonContent(canvas, index, face, content, r, r);
}

void DrawEditButtonContent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, Integer index, TColor faceColor,
                           TColor contentColor, const TRect& content, const TRect& outer) {
    if (RectEmpty(outer)) return;
    TqzEditButtonViewInfo* button = viewInfo->GetButtonInfo(index);
    const TqzEditButtonViewInfoData& data = button->Data;
    const bool native = data.NativeState != 0;
    const bool pressed = data.State == qzebsPressed;
    const bool disabled = data.State == qzebsDisabled;
    const bool usableGlyph = IsBitmapUsable(button->Glyph);
    if (!native && !(data.Kind == bkGlyph && usableGlyph))
        viewInfo->DrawButtonBackground(canvas, index, faceColor, outer);

    switch (data.Kind) {
    case bkEllipsis: {
        const Integer dot = RectWidth(content) > 11 ? 2 : 1;
        const TPoint p = CenterSizeInRect(content, TSize{3 * dot + 4, dot}, pressed);
        if (disabled) {
            DrawThreeDots(canvas, p.x + 1, p.y + 1, clBtnHighlight, dot);
            DrawThreeDots(canvas, p.x, p.y, clBtnShadow, dot);
        } else {
            DrawThreeDots(canvas, p.x, p.y, contentColor, dot);
        }
        break;
    }
    case bkDown: {
        TRect arrow = content;
        WidenSpan(arrow.left, arrow.right, RectWidth(button->Bounds), pressed);
        if (pressed && (RectWidth(button->Bounds) - RectWidth(content)) % 2 == 0) {
            arrow.left += 1;
            arrow.right += 1;
        }
        if (pressed) {
            arrow.top += 1;
            arrow.bottom += 1;
        }
        if (data.IsInplace) WidenSpan(arrow.top, arrow.bottom, RectHeight(button->Bounds), pressed);
        TqzLookAndFeelPainterClass painter = PainterClass<TqzStandardLookAndFeelPainter>();
        if (disabled) {
            TRect shifted = arrow;
            shifted.left += 1;
            shifted.right += 1;
            shifted.top += 1;
            shifted.bottom += 1;
            painter->PaintArrowGlyph(canvas, shifted, clBtnHighlight, qzadDown);
            painter->PaintArrowGlyph(canvas, arrow, clBtnShadow, qzadDown);
        } else {
            painter->PaintArrowGlyph(canvas, arrow, contentColor, qzadDown);
        }
        break;
    }
    case bkGlyph: {
        if (!usableGlyph) break;
        TBitmap* glyph = button->Glyph;
        const TSize visible{std::min<Integer>(glyph->GetWidth(), RectWidth(content)),
                            std::min<Integer>(glyph->GetHeight(), RectHeight(content))};
        if (visible.cx <= 0 || visible.cy <= 0) break;
        const TPoint p = CenterSizeInRect(content, visible, pressed);
        TBitmap buffer;
        if (native) {
            buffer.SetSize(visible.cx, visible.cy);
            TRect themeRect = button->Bounds;
            themeRect.left -= p.x;
            themeRect.right -= p.x;
            themeRect.top -= p.y;
            themeRect.bottom -= p.y;
            if (HTHEME theme = OpenThemeForType(ttButton))
                UxDrawThemeBackground(theme, buffer.GetCanvas()->GetHandle(), ButtonPart, data.NativeState,
                                      &themeRect, nullptr);
            DrawTransparentGlyph(canvas, p.x, p.y, &buffer, clNone, !disabled, glyph);
        } else {
            buffer.SetSize(RectWidth(outer), RectHeight(outer));
            TqzCanvas bufferCanvas(buffer.GetCanvas());
            const TPoint oldOrigin = bufferCanvas.WindowOrigin();
            bufferCanvas.SetWindowOrigin(TPoint{outer.left, outer.top});
            viewInfo->DrawButtonBackground(&bufferCanvas, index, faceColor, outer);
            bufferCanvas.SetWindowOrigin(oldOrigin);
            DrawTransparentGlyph(&bufferCanvas, p.x - outer.left, p.y - outer.top, nullptr, clNone, !disabled, glyph);
            canvas->Canvas->Draw(outer.left, outer.top, &buffer);
        }
        break;
    }
    case bkText: {
        TBrush* brush = canvas->Canvas->GetBrush();
        brush->SetStyle(bsClear);
        if (viewInfo->Font) canvas->Canvas->GetFont()->Assign(viewInfo->Font);
        if (!disabled) {
            TColor color;
            if (data.Style == btsHotFlat && (pressed || data.State == qzebsHot))
                color = contentColor;
            else
                color = data.TextColor == clDefault ? viewInfo->TextColor : data.TextColor;
            canvas->Canvas->GetFont()->SetColor(color);
        }
        TRect r = content;
        r.left += 1;
        r.right -= 1;
        if (!data.IsInplace) {
            r.top += 1;
            r.bottom -= 1;
        }
        if (pressed) {
            r.left += 1;
            r.right += 1;
            r.top += 1;
            r.bottom += 1;
        }
        canvas->OutputText(data.Caption, r, !disabled,
                           qzGraphics::tfAlignHCenter | qzGraphics::tfAlignVCenter | qzGraphics::tfSingleLine |
                               qzGraphics::tfShowPrefix | qzGraphics::tfEndEllipsis);
        brush->SetStyle(bsSolid);
        break;
    }
    }
}
