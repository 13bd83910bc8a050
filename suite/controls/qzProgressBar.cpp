#include "suite/controls/qzProgressBar.h"

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/qzVariants.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr Integer kUnbounded = 0x7FFFFFFF;
// Lengths are kept well inside the integer range, so that edges computed from them never wrap.
constexpr double kLengthLimit = double(1 << 28);

class TFlagScope {
public:
    TFlagScope(bool& flag, bool value) : FFlag(flag), FOld(flag) { flag = value; }
    ~TFlagScope() { FFlag = FOld; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

double BarRange(double min, double max) {
    const double range = max - min;
    return range < 1 || std::isnan(range) ? 1 : range;
}

// L(v): Trunc((v - min) * s / range), saturated.
Integer BarLength(double value, double min, double max, Integer s) {
    const double length = std::trunc((value - min) * double(s) / BarRange(min, max));
    if (std::isnan(length)) return 0;
    return Integer(std::clamp(length, -kLengthLimit, kLengthLimit));
}

Integer Width(const TRect& r) { return r.right - r.left; }
Integer Height(const TRect& r) { return r.bottom - r.top; }
bool IsEmptyRect(const TRect& r) { return r.right <= r.left || r.bottom <= r.top; }

} // namespace

TColor BlendBarColor(TColor c1, TColor c2, Integer d, Integer n) {
    const COLORREF a = ColorToRGB(c1);
    if (n < 1) return TColor(a);
    const COLORREF b = ColorToRGB(c2);
    auto channel = [&](int shift) {
        const Integer from = Integer((a >> shift) & 0xFF);
        const Integer to = Integer((b >> shift) & 0xFF);
        const double value = std::trunc(double(from) + double(Int64(to - from) * d) / double(n));
        return COLORREF(std::clamp(value, 0.0, 255.0)) << shift;
    };
    return TColor(channel(0) | channel(8) | channel(16));
}

Integer BarPercent(double position, double min, double max) {
    const double value = (position - min) / BarRange(min, max) * 100;
    if (std::isnan(value)) return 0;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(oldMode);
    if (rounded > 100) return 100;
    if (rounded < double(INT_MIN)) return INT_MIN;
    return Integer(rounded);
}

// ---- Properties --------------------------------------------------------------------------------

TqzCustomProgressBarProperties::TqzCustomProgressBarProperties(TPersistent* owner)
    : TqzCustomEditProperties(owner) {}

TqzCustomProgressBarProperties::~TqzCustomProgressBarProperties() = default;

void TqzCustomProgressBarProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomProgressBarProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetBeginColor(other->FBeginColor);
        SetBarBevelOuter(other->FBarBevelOuter);
        SetEndColor(other->FEndColor);
        SetForegroundImage(other->FForegroundImage.get());
        SetMin(other->FMin);
        SetMax(other->FMax);
        SetOrientation(other->FOrientation);
        SetShowText(other->FShowText);
        SetShowTextStyle(other->FShowTextStyle);
        SetTextOrientation(other->FTextOrientation);
        SetSolidTextColor(other->FSolidTextColor);
        SetBarStyle(other->FBarStyle);
        SetTransparentImage(other->FTransparentImage);
        SetBorderWidth(other->FBorderWidth);
        SetOverloadValue(other->FOverloadValue);
        SetShowOverload(other->FShowOverload);
        SetOverloadBeginColor(other->FOverloadBeginColor);
        SetOverloadEndColor(other->FOverloadEndColor);
        SetPeakValue(other->FPeakValue);
        SetShowPeak(other->FShowPeak);
        SetPeakColor(other->FPeakColor);
        SetPeakSize(other->FPeakSize);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TqzCustomEditViewDataClass TqzCustomProgressBarProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzCustomProgressBarViewData>;
}

TqzCustomEditViewInfoClass TqzCustomProgressBarProperties::GetViewInfoClass() const {
    return &TqzCustomProgressBarViewInfo::CreateInstance;
}

TClass TqzCustomProgressBarProperties::GetContainerClass() const { return TqzProgressBar::StaticClass(); }

void TqzCustomProgressBarProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool) {
    displayValue = Variant(Integer(0));
    if (VarIsStr(editValue)) {
        TFormatSettings settings;
        settings.DecimalSeparator = '.';
        double value = 0;
        if (TryStrToFloat(VarToStr(editValue), value, settings)) displayValue = Variant(value);
    } else if (IsVariantNumeric(editValue) || IsVariantDate(editValue)) {
        displayValue = editValue;
    }
}

WideString TqzCustomProgressBarProperties::GetDisplayTextWide(const Variant& editValue) {
    Variant value;
    PrepareDisplayValue(editValue, value, false);
    String text = VarToStr(value);
    if (FShowTextStyle == qztsPercent) text += " %";
    return StringToWide(text);
}

double TqzCustomProgressBarProperties::ClampPosition(double position) const {
    if (FMin < FMax) {
        if (position < FMin) return FMin;
        if (position > FMax) return FMax;
    }
    return position;
}

void TqzCustomProgressBarProperties::ClampViewInfoPosition(TqzCustomProgressBarViewInfo* viewInfo) {
    if (viewInfo) viewInfo->Position = ClampPosition(viewInfo->Position);
}

double TqzCustomProgressBarProperties::TrackPeak(double position) {
    double p = FPeakValue;
    if (p < FMin) p = FMin;
    if (p > FMax) p = FMax;
    if (p < position) p = position;
    if (p > FPeakValue) FPeakValue = p;
    return p;
}

TBitmap* TqzCustomProgressBarProperties::GetForegroundImage() {
    if (!FForegroundImage) {
        FForegroundImage = std::make_unique<TBitmap>();
        FForegroundImage->OnChange = MakeEvent(this, &TqzCustomProgressBarProperties::ForegroundImageChanged);
    }
    return FForegroundImage.get();
}

void TqzCustomProgressBarProperties::SetForegroundImage(TBitmap* value) {
    if (value)
        GetForegroundImage()->Assign(value);
    else
        FForegroundImage.reset();
    Changed();
}

bool TqzCustomProgressBarProperties::IsForegroundImageStored() const {
    return FForegroundImage && !FForegroundImage->GetEmpty();
}

void TqzCustomProgressBarProperties::ForegroundImageChanged(TObject*) { Changed(); }

void TqzCustomProgressBarProperties::SetMin(double value) {
    if (value == FMin) return;
    FMin = value;
    if (FMax < FMin) FMax = FMin;
    if (FOverloadValue < FMin) FOverloadValue = FMin;
    if (FPeakValue < FMin) FPeakValue = FMin;
    Changed();
}

void TqzCustomProgressBarProperties::SetMax(double value) {
    if (value == FMax || !(value > FMin)) return;
    FMax = value;
    if (FOverloadValue > FMax) FOverloadValue = FMax;
    if (FPeakValue > FMax) FPeakValue = FMax;
    Changed();
}

void TqzCustomProgressBarProperties::SetOverloadValue(double value) {
    if (value == FOverloadValue) return;
    FOverloadValue = value;
    if (FOverloadValue < FMin) FOverloadValue = FMin;
    if (FOverloadValue > FMax) FOverloadValue = FMax;
    Changed();
}

void TqzCustomProgressBarProperties::SetPeakValue(double value) {
    if (value == FPeakValue) return;
    FPeakValue = value;
    Changed();
}

// ---- View data ---------------------------------------------------------------------------------

void TqzCustomProgressBarViewData::LoadViewInfoFromProperties(TqzCustomProgressBarViewInfo* info) {
    TqzCustomProgressBarProperties* p = GetBarProperties();
    info->BeginColor = p->GetBeginColor();
    info->EndColor = p->GetEndColor();
    info->BarBevelOuter = p->GetBarBevelOuter();
    info->Min = p->GetMin();
    info->Max = p->GetMax();
    info->Orientation = p->GetOrientation();
    info->ShowText = p->GetShowText();
    info->ShowTextStyle = p->GetShowTextStyle();
    info->TextOrientation = p->GetTextOrientation();
    info->SolidTextColor = p->GetSolidTextColor();
    info->BarStyle = p->GetBarStyle();
    info->OverloadValue = p->GetOverloadValue();
    info->OverloadBeginColor = p->GetOverloadBeginColor();
    info->OverloadEndColor = p->GetOverloadEndColor();
    info->ShowOverload = p->GetShowOverload();
    info->PeakColor = p->GetPeakColor();
    info->PeakSize = p->GetPeakSize();
    info->ShowPeak = p->GetShowPeak();
    info->BorderWidth = p->GetBorderWidth();
    info->Peak = p->TrackPeak(info->Position);
    info->Owner = Edit;
    if (IsInplace)
        info->TransparentBar = p->GetTransparent();
    else
        info->TransparentBar = Edit != nullptr && Edit->GetTransparent();
}

void TqzCustomProgressBarViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p,
                                             Integer button, TShiftState shift, TqzCustomEditViewInfo* viewInfo,
                                             bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = static_cast<TqzCustomProgressBarViewInfo*>(viewInfo);
    info->Font = FStyle->GetEffectiveFont();
    LoadViewInfoFromProperties(info);
    if (bounds.right == kUnbounded || bounds.bottom == kUnbounded) return;

    const Integer bw = GetBarProperties()->GetBorderWidth();
    TRect inner;
    if (IsNativeStyleUsable(FStyle->GetLookAndFeel()->GetNativeStyle(), ttProgress)) {
        info->BarRect = bounds;
        const Integer near = bw + (IsInplace ? 2 : 3);
        inner = TRect{bounds.left + near, bounds.top + near, bounds.right - bw - 2, bounds.bottom - bw - 2};
        info->NativeStyle = true;
    } else {
        info->BarRect = IsInplace ? bounds : info->BorderRect;
        inner = info->BorderRect;
        InflateRect(&inner, -Integer(bw), -Integer(bw));
        info->NativeStyle = false;
    }
    info->InnerRect = inner;
    const bool horizontal = info->Orientation == qzorHorizontal;
    const Integer s = horizontal ? Width(inner) : Height(inner);
    auto length = [&](double v) { return BarLength(v, info->Min, info->Max, s); };

    info->NormalRect = inner;
    if (horizontal)
        info->NormalRect.right = inner.left + length(info->Position);
    else
        info->NormalRect.top = inner.bottom - length(info->Position);

    info->HasOverloadPart = info->ShowOverload && !info->NativeStyle && info->Position >= info->OverloadValue;
    info->OverloadRect = TRect{};
    if (info->HasOverloadPart) {
        if (horizontal) {
            info->OverloadRect = TRect{inner.left + length(info->OverloadValue), inner.top,
                                       std::min(inner.left + length(info->Position), inner.right), inner.bottom};
            info->NormalRect.right = info->OverloadRect.left;
        } else {
            info->OverloadRect = TRect{inner.left, inner.bottom - length(info->Position), inner.right,
                                       std::max(inner.bottom - length(info->OverloadValue), inner.top)};
            info->NormalRect.top = info->OverloadRect.bottom;
        }
    }

    const Integer k = length(info->Peak);
    const Integer size = info->PeakSize;
    if (horizontal) {
        Integer x0 = inner.left + k;
        if (x0 + size > inner.right) x0 = inner.right - size;
        info->PeakRect = TRect{x0, info->NormalRect.top, x0 + size, info->NormalRect.bottom};
    } else {
        Integer y1 = inner.bottom - k;
        if (y1 - size < inner.top) y1 = inner.top + size;
        info->PeakRect = TRect{info->NormalRect.left, y1 - size, info->NormalRect.right, y1};
    }
    info->PeakDrawn = info->ShowPeak;

    // The tile, flattened onto the background.
    TqzCustomProgressBarProperties* properties = GetBarProperties();
    info->Tile = std::make_unique<TBitmap>();
    if (properties->HasForegroundImage()) info->Tile->Assign(properties->GetForegroundImage());
    if (properties->GetTransparentImage() && !info->Tile->GetEmpty()) {
        auto flat = std::make_unique<TBitmap>();
        flat->SetSize(info->Tile->GetWidth(), info->Tile->GetHeight());
        flat->GetCanvas()->GetBrush()->SetColor(info->BackgroundColor);
        flat->GetCanvas()->FillRect(TRect{0, 0, flat->GetWidth(), flat->GetHeight()});
        info->Tile->SetTransparent(true);
        flat->GetCanvas()->Draw(0, 0, info->Tile.get());
        info->Tile = std::move(flat);
    }
}

void TqzCustomProgressBarViewData::EditValueToViewInfo(TqzCanvas*, const Variant& editValue,
                                                       TqzCustomEditViewInfo* viewInfo) {
    auto* info = static_cast<TqzCustomProgressBarViewInfo*>(viewInfo);
    Variant display;
    if (IsPreview)
        GetBarProperties()->PrepareDisplayValue(Variant(30), display, IsEditFocused());
    else
        GetBarProperties()->PrepareDisplayValue(editValue, display, IsEditFocused());
    info->Position = display.AsDouble();
    GetBarProperties()->ClampViewInfoPosition(info);
}

void TqzCustomProgressBarViewData::CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                                             TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    inherited::CalculateConstantPartSize(canvas, isInplace, size, viewInfo, minContentSize);
    auto* info = dynamic_cast<TqzCustomProgressBarViewInfo*>(viewInfo);
    TSize text{0, 0};
    TqzEditSizeParameters parameters;
    parameters.Width = -1;
    CalculateEditTextSize(canvas, this, String(), text, false, 1, parameters, GetDrawTextFlags() & ~0x30);
    Integer width = info ? Width(info->NormalRect) : 0;
    if (!isInplace && !IsNativeStyleUsable(FStyle->GetLookAndFeel()->GetNativeStyle(), ttButton)) width += 4;
    size.cx += width + text.cx + 3;
    size.cy += text.cy;
}

// ---- View info ---------------------------------------------------------------------------------

TqzCustomProgressBarViewInfo::TqzCustomProgressBarViewInfo() : Tile(std::make_unique<TBitmap>()) {}

TqzCustomProgressBarViewInfo::~TqzCustomProgressBarViewInfo() = default;

void TqzCustomProgressBarViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    for (TRect* r : {&BarRect, &NormalRect, &OverloadRect, &PeakRect, &InnerRect}) OffsetRect(r, dx, dy);
}

void TqzCustomProgressBarViewInfo::Draw(TqzCanvas* canvas) {
    if (!NativeStyle && !(IsInplace && TransparentBar)) DrawEditBackgroundAndButtons(canvas, this, true, 0);
    PaintBar(canvas);
}

String TqzCustomProgressBarViewInfo::GetBarText() const {
    if (ShowTextStyle == qztsPosition) return FloatToStr(Position);
    return IntToStr(BarPercent(Position, Min, Max)) + " %";
}

namespace {

// The font of a canvas, put back when the scope ends.
class TCanvasFontScope {
public:
    explicit TCanvasFontScope(TqzCanvas* canvas) : FCanvas(canvas), FFont(GetCanvasLogFont(canvas)) {}
    ~TCanvasFontScope() { SetCanvasFontFromLogFont(FCanvas, FFont); }
    TCanvasFontScope(const TCanvasFontScope&) = delete;
    TCanvasFontScope& operator=(const TCanvasFontScope&) = delete;

private:
    TqzCanvas* FCanvas;
    LOGFONTA FFont;
};

struct TGdiObjectScope {
    TGdiObjectScope(HDC dc, HGDIOBJ object) : Dc(dc), Object(object) { Old = SelectObject(dc, object); }
    ~TGdiObjectScope() {
        SelectObject(Dc, Old);
        DeleteObject(Object);
    }
    TGdiObjectScope(const TGdiObjectScope&) = delete;
    TGdiObjectScope& operator=(const TGdiObjectScope&) = delete;
    HDC Dc;
    HGDIOBJ Object;
    HGDIOBJ Old;
};

} // namespace

// The picture of one paint, composed in a work bitmap of the bar area's size.
struct TqzCustomProgressBarViewInfo::TBarPainter {
    TqzCustomProgressBarViewInfo& Info;
    TBitmap Work;
    HDC Dc = nullptr;
    Integer W = 0, H = 0;
    TRect F, N, O, P, I, T;
    bool Horizontal = true;

    explicit TBarPainter(TqzCustomProgressBarViewInfo& info) : Info(info) {}

    TRect Local(const TRect& r) const {
        TRect result = r;
        OffsetRect(&result, -Info.BarRect.left, -Info.BarRect.top);
        return result;
    }
    void Fill(const TRect& r, TColor color) {
        if (IsEmptyRect(r)) return;
        HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
        RECT rect = r;
        FillRect(Dc, &rect, brush);
        DeleteObject(brush);
    }
    void Bevel(const TRect& r) {
        if (Info.BarBevelOuter == qzbvNone || IsEmptyRect(r)) return;
        const UINT edge = Info.BarBevelOuter == qzbvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
        RECT rect = r;
        DrawEdge(Dc, &rect, edge, BF_TOPLEFT);
        rect = r;
        DrawEdge(Dc, &rect, edge, BF_BOTTOMRIGHT);
    }
    // The colour of a gradient column (row) at distance d of the fill.
    TColor GradientColor(Integer position, Integer d) {
        if (Info.HasOverloadPart) {
            if (Horizontal && position >= O.left)
                return BlendBarColor(Info.OverloadBeginColor, Info.OverloadEndColor, position - O.left,
                                     I.right - O.left);
            if (!Horizontal && position < O.bottom)
                return BlendBarColor(Info.OverloadBeginColor, Info.OverloadEndColor, O.bottom - position,
                                     O.bottom - I.top);
        }
        return BlendBarColor(Info.BeginColor, Info.EndColor, d, Horizontal ? W : H);
    }
};

void TqzCustomProgressBarViewInfo::PaintBar(TqzCanvas* canvas) {
    TBarPainter p(*this);
    p.W = Width(BarRect);
    p.H = Height(BarRect);
    // An empty bar area paints nothing.
    if (p.W <= 0 || p.H <= 0) return;
    TCanvasFontScope fontScope(canvas);
    const Integer W = p.W, H = p.H;
    p.Work.SetSize(W, H);
    p.Dc = p.Work.GetCanvas()->GetHandle();
    HDC dc = p.Dc;
    p.Horizontal = Orientation == qzorHorizontal;
    const bool horizontal = p.Horizontal;
    p.N = p.Local(NormalRect);
    p.O = p.Local(OverloadRect);
    p.P = p.Local(PeakRect);
    p.I = p.Local(InnerRect);
    const TRect& N = p.N;
    const TRect& O = p.O;
    if (HasOverloadPart)
        p.F = horizontal ? TRect{N.left, N.top, O.right, N.bottom} : TRect{N.left, O.top, N.right, N.bottom};
    else
        p.F = N;
    const TRect F = p.F;
    TRect& T = p.T;
    T = F;

    // 1. Background.
    if (TransparentBar) {
        if (IsInplace)
            BitBlt(dc, 0, 0, W, H, canvas->DeviceContext(), BarRect.left, BarRect.top, SRCCOPY);
        else if (Owner) {
            TqzCanvas work(p.Work.GetCanvas());
            PaintParentImageBehind(Owner, &work, BarRect);
        }
    } else {
        p.Fill(TRect{0, 0, W, H}, BackgroundColor);
    }

    // 2. Native parts: one inner column (row) of the themed chunk in a slice.
    TqzProgressBarBarStyle style = BarStyle;
    TBitmap slice;
    if (NativeStyle) {
        HTHEME theme = OpenThemeForType(ttProgress);
        const int barPart = horizontal ? 1 : 2;
        const int chunkPart = horizontal ? 3 : 4;
        if (horizontal) {
            slice.SetSize(1, std::max<Integer>(0, Height(N)));
            RECT chunk{-4, 0, 5, slice.GetHeight()};
            if (slice.GetHeight() > 0)
                UxDrawThemePart(theme, slice.GetCanvas()->GetHandle(), chunkPart, 0, &chunk, nullptr);
        } else {
            slice.SetSize(std::max<Integer>(0, Width(N)), 1);
            RECT chunk{0, -4, slice.GetWidth(), 5};
            if (slice.GetWidth() > 0)
                UxDrawThemePart(theme, slice.GetCanvas()->GetHandle(), chunkPart, 0, &chunk, nullptr);
        }
        if (!IsInplace && !TransparentBar) {
            RECT whole{0, 0, W, H};
            UxDrawThemePart(theme, dc, barPart, 0, &whole, nullptr);
        }
        if (style == qzbsSolid) style = qzbsGradient;
        if (style == qzbsLEDs) style = qzbsGradientLEDs;
    }
    HDC sliceDc = NativeStyle ? slice.GetCanvas()->GetHandle() : nullptr;
    auto copySlice = [&](Integer at) {
        if (horizontal) {
            if (at < 0 || at >= W || slice.GetHeight() <= 0) return;
            BitBlt(dc, at, F.top, 1, slice.GetHeight(), sliceDc, 0, 0, SRCCOPY);
        } else {
            if (at < 0 || at >= H || slice.GetWidth() <= 0) return;
            BitBlt(dc, F.left, at, slice.GetWidth(), 1, sliceDc, 0, 0, SRCCOPY);
        }
    };
    auto copySlices = [&](Integer from, Integer to) { // inclusive
        for (Integer i = std::max<Integer>(from, horizontal ? 0 : 0); i <= std::min<Integer>(to, horizontal ? W : H); ++i)
            copySlice(i);
    };

    const bool atMax = Position >= Max;
    switch (style) {
    case qzbsSolid:
        if (!HasOverloadPart) {
            p.Fill(F, BeginColor);
        } else {
            p.Fill(N, BeginColor);
            p.Fill(O, OverloadBeginColor);
        }
        p.Bevel(F);
        break;
    case qzbsGradient:
        if (horizontal) {
            for (Integer x = std::max<Integer>(F.left, 0); x < std::min<Integer>(F.right, W); ++x) {
                if (NativeStyle)
                    copySlice(x);
                else
                    p.Fill(TRect{x, F.top, x + 1, F.bottom}, p.GradientColor(x, x - F.left));
            }
        } else {
            for (Integer y = std::min<Integer>(F.bottom, H) - 1; y >= std::max<Integer>(F.top, 0); --y) {
                if (NativeStyle)
                    copySlice(y);
                else
                    p.Fill(TRect{F.left, y, F.right, y + 1}, p.GradientColor(y, F.bottom - y));
            }
        }
        if (!NativeStyle) p.Bevel(F);
        break;
    case qzbsLEDs:
    case qzbsGradientLEDs: {
        const bool gradient = style == qzbsGradientLEDs;
        const Integer across = gradient ? (horizontal ? Height(F) : Width(F)) : (horizontal ? H : W);
        const Integer step = std::max<Integer>(1, Integer(std::trunc(2.0 * across / 3)) + 2);
        TColor c = BeginColor;
        Integer last = 0;
        auto blockColor = [&](Integer at, Integer d) {
            if (gradient) return p.GradientColor(at, d);
            if (HasOverloadPart && (horizontal ? at >= O.left - 1 : at < O.bottom)) c = OverloadBeginColor;
            return c;
        };
        if (horizontal) {
            // Blocks beyond the bar area cannot show: the walk stops one step past it.
            const Integer end = std::min<Integer>(F.right, W + 2 * step);
            for (Integer x = F.left + step; x < end; x += step) {
                const TColor color = blockColor(x, x - F.left);
                if (NativeStyle && gradient) {
                    copySlices(x - step, x - 3);
                } else {
                    p.Fill(TRect{x - step, F.top, x - 2, F.bottom}, color);
                    p.Bevel(TRect{x - step, F.top, x - 2, F.bottom});
                }
                last = x;
                T.right = x - 2;
                if (F.right - x - 2 < step) {
                    if (NativeStyle && gradient) {
                        copySlices(x, F.right);
                    } else {
                        p.Fill(TRect{x, F.top, F.right, F.bottom}, color);
                        p.Bevel(TRect{x, F.top, F.right, F.bottom});
                    }
                }
            }
            if (atMax) {
                TColor color = gradient ? p.GradientColor(last, last - F.left) : c;
                if (!gradient && HasOverloadPart) color = OverloadBeginColor;
                if (NativeStyle && gradient) {
                    copySlices(last, F.right - 1);
                } else {
                    p.Fill(TRect{last, F.top, F.right, F.bottom}, color);
                    p.Bevel(TRect{last, F.top, F.right, F.bottom});
                }
            }
        } else {
            const Integer end = std::max<Integer>(F.top, -2 * step);
            for (Integer y = F.bottom - 1 - step; y >= end; y -= step) {
                const TColor color = blockColor(y, F.bottom - y);
                if (NativeStyle && gradient) {
                    copySlices(y + 3, y + step);
                } else {
                    p.Fill(TRect{F.left, y + 2, F.right, y + step}, color);
                    p.Bevel(TRect{F.left, y + 2, F.right, y + step});
                }
                last = y;
                T.top = y + 2;
                if (y - F.top < step) {
                    if (NativeStyle && gradient) {
                        copySlices(F.top, y);
                    } else {
                        p.Fill(TRect{F.left, F.top, F.right, y}, color);
                        p.Bevel(TRect{F.left, F.top, F.right, y});
                    }
                }
            }
            if (atMax) {
                TColor color = gradient ? p.GradientColor(last, F.bottom - last) : c;
                if (!gradient && HasOverloadPart) color = OverloadBeginColor;
                if (NativeStyle && gradient) {
                    copySlices(F.top, last);
                } else {
                    p.Fill(TRect{F.left, F.top, F.right, last}, color);
                    p.Bevel(TRect{F.left, F.top, F.right, last});
                }
            }
        }
        break;
    }
    case qzbsBitmap:
    case qzbsBitmapLEDs: {
        if (!Tile || Tile->GetWidth() < 1 || Tile->GetHeight() < 1) break;
        HBRUSH brush = CreatePatternBrush(Tile->GetHandle());
        auto fill = [&](const TRect& r) {
            if (IsEmptyRect(r)) return;
            RECT rect = r;
            FillRect(dc, &rect, brush);
        };
        if (style == qzbsBitmap) {
            fill(F);
        } else if (horizontal) {
            const Integer o = std::min<Integer>(Tile->GetWidth(), Height(F));
            const Integer stride = std::max<Integer>(1, o + 2);
            const Integer end = std::min<Integer>(F.right, W + 2 * stride);
            for (Integer x = F.left; x < end; x += stride) {
                T.right = x - 2;
                fill(T);
                T.left = x;
                if (F.right - x - 2 < o) fill(TRect{x, F.top, F.right, F.bottom});
            }
            if (Position == Max) {
                T.right = F.right;
                fill(T);
            }
        } else {
            const Integer o = std::min<Integer>(Tile->GetHeight(), Width(F));
            const Integer stride = std::max<Integer>(1, o + 2);
            const Integer end = std::max<Integer>(F.top, -2 * stride);
            for (Integer y = F.bottom - 1; y >= end; y -= stride) {
                T.top = y + 2;
                fill(T);
                T.bottom = y;
                if (y - F.top < o) fill(TRect{F.left, F.top, F.right, y});
            }
            if (Position == Max) {
                T.top = F.top;
                fill(T);
            }
        }
        DeleteObject(brush);
        break;
    }
    }

    // 9. The peak marker.
    if (PeakDrawn) p.Fill(p.P, PeakColor);

    // 10. The text.
    if (ShowText) {
        const String text = GetBarText();
        TCanvas* workCanvas = p.Work.GetCanvas();
        workCanvas->SetFont(Font);
        workCanvas->GetFont()->SetColor(TextColor);
        workCanvas->GetBrush()->SetStyle(bsClear);
        SetBkMode(dc, TRANSPARENT);
        const bool vertical = TextOrientation == qzorVertical;
        HFONT rotated = nullptr;
        HGDIOBJ oldFont = nullptr;
        if (vertical) {
            LOGFONTA lf{};
            GetObjectA(workCanvas->GetFont()->GetHandle(), sizeof(lf), &lf);
            TEXTMETRICA metrics{};
            GetTextMetricsA(dc, &metrics);
            if (!(metrics.tmPitchAndFamily & TMPF_TRUETYPE)) {
                std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), '\0');
                const char arial[] = "Arial";
                std::copy(std::begin(arial), std::end(arial), lf.lfFaceName);
            }
            lf.lfEscapement = 2700;
            lf.lfOrientation = 2700;
            rotated = CreateFontIndirectA(&lf);
        }
        SIZE extent{};
        GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
        const Integer tw = extent.cx, th = extent.cy;
        if (rotated) oldFont = SelectObject(dc, rotated);
        const COLORREF textColor = ColorToRGB(TextColor);
        SetTextColor(dc, textColor);
        auto drawInto = [&](HDC target, Integer x, Integer y) {
            SetBkMode(target, TRANSPARENT);
            TextOutA(target, x, y, text.c_str(), int(text.size()));
        };
        // Inverts the text's pixels over the fill in the rectangle (x, y, w, h) of the picture;
        // (dx, dy) is where the text starts relative to it.
        auto invertPart = [&](Integer x, Integer y, Integer w, Integer h, Integer dx, Integer dy) {
            if (w <= 0 || h <= 0) {
                drawInto(dc, x - dx, y - dy);
                return;
            }
            TBitmap mask;
            mask.SetSize(w, h);
            HDC maskDc = mask.GetCanvas()->GetHandle();
            PatBlt(maskDc, 0, 0, w, h, WHITENESS);
            HGDIOBJ maskOld = SelectObject(maskDc, rotated ? HGDIOBJ(rotated) : GetCurrentObject(dc, OBJ_FONT));
            SetTextColor(maskDc, RGB(0, 0, 0));
            drawInto(maskDc, dx, dy);
            SelectObject(maskDc, maskOld);
            PatBlt(maskDc, 0, 0, w, h, DSTINVERT);
            TBitmap save;
            save.SetSize(w, h);
            BitBlt(save.GetCanvas()->GetHandle(), 0, 0, w, h, dc, x, y, SRCCOPY);
            drawInto(dc, x - dx, y - dy);
            BitBlt(dc, x, y, w, h, save.GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
            BitBlt(dc, x, y, w, h, maskDc, 0, 0, SRCINVERT);
        };
        if (!vertical) {
            const Integer x = (W - tw) / 2, y = (H - th) / 2;
            if (x >= T.right || SolidTextColor)
                drawInto(dc, x, y);
            else
                invertPart(x, y, std::min(T.right - x, tw), th, 0, 0);
        } else {
            const Integer y = (H - tw) / 2, x = (W - th) / 2 + th;
            if (T.top >= y + tw || SolidTextColor) {
                drawInto(dc, x, y);
            } else {
                const Integer top = std::max(y, T.top);
                invertPart(x - th, top, th, y + tw - top, th, y - top);
            }
        }
        if (rotated) {
            SelectObject(dc, oldFont);
            DeleteObject(rotated);
        }
    }

    // 11. One copy onto the canvas.
    BitBlt(canvas->DeviceContext(), BarRect.left, BarRect.top, W, H, dc, 0, 0, SRCCOPY);
}

// ---- The bar -----------------------------------------------------------------------------------

TqzCustomProgressBar::TqzCustomProgressBar(TComponent* owner, bool isInplace)
    : TqzCustomEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomProgressBar::TqzCustomProgressBar(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomEdit(owner, isInplace, deferInitialization) {}

void TqzCustomProgressBar::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csAcceptsControls);
    style.Exclude(csCaptureMouse);
    style.Exclude(csClickEvents);
    style.Exclude(csDoubleClicks);
    SetControlStyle(style);
    SetWidth(121);
    SetHeight(21);
}

TqzContainerStyleValues TqzCustomProgressBar::GetHiddenStyleValues() {
    TqzContainerStyleValues values = inherited::GetHiddenStyleValues();
    values.Include(svHotTrack);
    return values;
}

bool TqzCustomProgressBar::CanFocusOnClick() { return inherited::CanFocusOnClick() && IsInplace(); }

bool TqzCustomProgressBar::CanFocus() const { return FIsInplace && inherited::CanFocus(); }

double TqzCustomProgressBar::GetPosition() const { return GetBarViewInfo()->Position; }

void TqzCustomProgressBar::SetPosition(double value) {
    if (value == GetPosition()) return;
    if (!GetComponentState().Contains(csLoading)) value = GetActiveBarProperties()->ClampPosition(value);
    SetEditValue(Variant(value));
}

void TqzCustomProgressBar::SynchronizeDisplayValue() {
    Variant display;
    PrepareDisplayValue(GetEditValue(), display, Focused());
    GetBarViewInfo()->Position = display.AsDouble();
    if (GetPropertiesInUse()->GetTransparent() && HandleAllocated()) Invalidate();
    GetActiveBarProperties()->ClampViewInfoPosition(GetBarViewInfo());
    UpdateViewAtCursor();
}

void TqzCustomProgressBar::ApplyActiveProperties(TObject* properties) {
    if (GetProperties() && !IsEditorDestroying()) {
        const TLivenessToken alive = LivenessToken();
        EnforceValueBounds();
        if (!alive) return;
        GetActiveBarProperties()->ClampViewInfoPosition(GetBarViewInfo());
    }
    inherited::ApplyActiveProperties(properties);
    if (GetProperties() && GetPropertiesInUse()->GetTransparent() && HandleAllocated()) Invalidate();
}

void TqzCustomProgressBar::GetSizeParameters(TqzEditSizeParameters& parameters) {
    parameters.MaxLineCount = 1;
    parameters.Width = 0;
}

void TqzCustomProgressBar::ClampValueToBounds() {
    TFlagScope editing(FUserChange, true);
    TqzCustomProgressBarProperties* properties = GetActiveBarProperties();
    const double min = properties->GetMin(), max = properties->GetMax();
    if (!(min < max)) return;
    Variant display;
    PrepareDisplayValue(GetEditValue(), display, Focused());
    const double value = display.AsDouble();
    if (value < min)
        ApplyEditValue(Variant(min), true);
    else if (value > max)
        ApplyEditValue(Variant(max), true);
}

void TqzCustomProgressBar::EnforceValueBounds() {
    if (IsInplace() || IsDataBound() || IsInnerEditUnavailable()) return;
    ClampValueToBounds();
}

TqzProgressBar::TqzProgressBar(TComponent* owner) : TqzCustomProgressBar(owner, false, true) { InitializeEditor(); }

TqzProgressBar::TqzProgressBar(TComponent* owner, bool isInplace) : TqzCustomProgressBar(owner, isInplace, true) {
    InitializeEditor();
}

// ---- Streaming ---------------------------------------------------------------------------------

KOV_PUBLISHED(TqzCustomProgressBarProperties) {}

KOV_PUBLISHED(TqzProgressBarProperties) {
    using P = TqzProgressBarProperties;
    Property("BarBevelOuter", &P::GetBarBevelOuter, &P::SetBarBevelOuter).Default(qzbvNone);
    Property("BarStyle", &P::GetBarStyle, &P::SetBarStyle).Default(qzbsSolid);
    Property("BeginColor", &P::GetBeginColor, &P::SetBeginColor).Default(TColor(0x800000));
    Property("BorderWidth", &P::GetBorderWidth, &P::SetBorderWidth).Default(TqzBorderWidth(0));
    Property("EndColor", &P::GetEndColor, &P::SetEndColor).Default(TColor(0xFFFFFF));
    Property("ForegroundImage", &P::GetForegroundImage, &P::SetForegroundImage)
        .Stored(&P::IsForegroundImageStored);
    Property("Max", &P::GetMax, &P::SetMax).Stored(&P::IsMaxStored);
    Property("Min", &P::GetMin, &P::SetMin).Stored(&P::IsMinStored);
    Property("Orientation", &P::GetOrientation, &P::SetOrientation).Default(qzorHorizontal);
    Property("OverloadBeginColor", &P::GetOverloadBeginColor, &P::SetOverloadBeginColor).Default(TColor(0x8080FF));
    Property("OverloadEndColor", &P::GetOverloadEndColor, &P::SetOverloadEndColor).Default(TColor(0xFF00FF));
    Property("OverloadValue", &P::GetOverloadValue, &P::SetOverloadValue).Stored(&P::IsOverloadValueStored);
    Property("PeakColor", &P::GetPeakColor, &P::SetPeakColor).Default(TColor(0x0000FF));
    Property("PeakSize", &P::GetPeakSize, &P::SetPeakSize).Default(TqzNaturalNumber(2));
    Property("PeakValue", &P::GetPeakValue, &P::SetPeakValue).Stored(&P::IsPeakValueStored);
    Property("ShowOverload", &P::GetShowOverload, &P::SetShowOverload).Default(false);
    Property("ShowPeak", &P::GetShowPeak, &P::SetShowPeak).Default(false);
    Property("ShowText", &P::GetShowText, &P::SetShowText).Default(true);
    Property("ShowTextStyle", &P::GetShowTextStyle, &P::SetShowTextStyle).Default(qztsPercent);
    Property("SolidTextColor", &P::GetSolidTextColor, &P::SetSolidTextColor).Default(false);
    Property("TextOrientation", &P::GetTextOrientation, &P::SetTextOrientation).Default(qzorHorizontal);
    Property("TransparentImage", &P::GetTransparentImage, &P::SetTransparentImage).Default(true);
}

KOV_PUBLISHED(TqzCustomProgressBar) {}

KOV_PUBLISHED(TqzProgressBar) {
    Property("Position", &TqzProgressBar::GetPosition, &TqzProgressBar::SetPosition)
        .Stored(&TqzProgressBar::IsPositionStored);
    Property("Properties", &TqzProgressBar::GetBarProperties, &TqzProgressBar::SetBarProperties);
    Property("Transparent", &TqzProgressBar::GetTransparent, &TqzProgressBar::SetTransparent).Default(false);
}

namespace {
const bool kProgressBarRegistered = [] {
    RegisterEnum<TqzProgressBarBevelOuter>("TqzProgressBarBevelOuter", {"qzbvNone", "qzbvLowered", "qzbvRaised"});
    RegisterEnum<TqzProgressBarOrientation>("TqzProgressBarOrientation", {"qzorHorizontal", "qzorVertical"});
    RegisterEnum<TqzProgressBarTextStyle>("TqzProgressBarTextStyle", {"qztsPercent", "qztsPosition"});
    RegisterEnum<TqzProgressBarBarStyle>("TqzProgressBarBarStyle", {"qzbsSolid", "qzbsLEDs", "qzbsGradient",
                                                                    "qzbsGradientLEDs", "qzbsBitmap",
                                                                    "qzbsBitmapLEDs"});
    RegisterInterfacedPersistentClass<TqzCustomProgressBarProperties>();
    RegisterInterfacedPersistentClass<TqzProgressBarProperties>();
    RegisterClasses({TqzProgressBar::StaticClass()});
    GetEditPropertiesRegistry()->Register(TqzProgressBarProperties::StaticClass(),
                                          "ProgressBar|Represents a ProgressBar");
    return true;
}();
} // namespace
