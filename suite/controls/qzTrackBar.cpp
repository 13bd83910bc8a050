#include "suite/controls/qzTrackBar.h"

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiText.h"
#include "suite/controls/qzExtEditUtils.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

Integer ClampToInteger(Int64 value) { return Integer(std::clamp<Int64>(value, INT_MIN, INT_MAX)); }

// Trunc of a double kept inside the integer range (NaN gives 0).
Integer TruncToInteger(double value) {
    if (std::isnan(value)) return 0;
    return Integer(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX)));
}

// Round with halves to even, kept inside the 64-bit range.
Int64 RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(oldMode);
    return Int64(std::clamp(rounded, -9.0e18, 9.0e18));
}

bool IsOrdinalVariant(const Variant& value) {
    switch (VarType(value)) {
    case varSmallint:
    case varInteger:
    case varBoolean:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

// The font of a canvas, put back when the scope ends (also on failure).
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

bool IsTrueTypeFont(TqzCanvas* canvas) {
    TEXTMETRICA tm{};
    GetTextMetricsA(canvas->DeviceContext(), &tm);
    return (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

} // namespace

// ---- Properties --------------------------------------------------------------------------------

TqzCustomTrackBarProperties::TqzCustomTrackBarProperties(TPersistent* owner) : TqzCustomEditProperties(owner) {}

TqzCustomTrackBarProperties::~TqzCustomTrackBarProperties() = default;

void TqzCustomTrackBarProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomTrackBarProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetAutoSize(other->FAutoSize);
        SetBorderWidth(other->FBorderWidth);
        SetFrequency(other->FFrequency);
        SetMin(other->FMin);
        SetMax(other->FMax);
        SetOrientation(other->FOrientation);
        SetTextOrientation(other->FTextOrientation);
        SetPageSize(other->FPageSize);
        SetSelectionStart(other->FSelectionStart);
        SetSelectionEnd(other->FSelectionEnd);
        SetSelectionColor(other->FSelectionColor);
        SetShowTicks(other->FShowTicks);
        SetThumbType(other->FThumbType);
        SetShowTrack(other->FShowTrack);
        SetTickColor(other->FTickColor);
        SetTickType(other->FTickType);
        SetTickMarks(other->FTickMarks);
        SetTickSize(other->FTickSize);
        SetTrackColor(other->FTrackColor);
        SetTrackSize(other->FTrackSize);
        SetThumbHeight(other->FThumbHeight);
        SetThumbWidth(other->FThumbWidth);
        SetThumbColor(other->FThumbColor);
        SetThumbHighlightColor(other->FThumbHighlightColor);
        OnGetThumbRect = other->OnGetThumbRect;
        OnDrawThumb = other->OnDrawThumb;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomTrackBarProperties::GetContainerClass() const { return TqzTrackBar::StaticClass(); }

TqzContainerStyleClass TqzCustomTrackBarProperties::GetStyleClass() const { return &TqzTrackBarStyle::CreateInstance; }

TqzCustomEditViewDataClass TqzCustomTrackBarProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzCustomTrackBarViewData>;
}

TqzCustomEditViewInfoClass TqzCustomTrackBarProperties::GetViewInfoClass() const {
    return &TqzCustomTrackBarViewInfo::CreateInstance;
}

void TqzCustomTrackBarProperties::SetMin(Integer value) {
    if (value == FMin) return;
    FMin = value;
    if (FMax < FMin) FMax = FMin;
    Changed();
}

void TqzCustomTrackBarProperties::SetMax(Integer value) {
    if (value == FMax) return;
    FMax = value;
    if (FMin > FMax) FMin = FMax;
    Changed();
}

Int64 TqzCustomTrackBarProperties::Range() const {
    const Int64 range = Int64(FMax) - Int64(FMin);
    return range == 0 ? 1 : range;
}

Integer TqzCustomTrackBarProperties::ClampPosition(Int64 value) const {
    if (value < FMin) return FMin;
    if (value > FMax) return FMax;
    return Integer(value);
}

Integer TqzCustomTrackBarProperties::ValueToInteger(const Variant& value) const {
    if (IsVariantNullOrEmpty(value)) return FMin;
    if (IsOrdinalVariant(value)) {
        if (VarType(value) == varBoolean) return value.AsInteger();
        return ClampToInteger(value.AsInt64());
    }
    if (!VarIsStr(value)) return FMin;
    const String text = VarToStr(value);
    if (!IsIntegerText(text)) return FMin;
    // The kept characters of a hexadecimal text may form no integer ("-$A" keeps "-").
    try {
        return ExtractIntegerText(text, false);
    } catch (const EConvertError&) {
        return FMin;
    }
}

void TqzCustomTrackBarProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool) {
    SetChangedLocked(true);
    try {
        displayValue = Variant(ClampPosition(ValueToInteger(editValue)));
    } catch (...) {
        SetChangedLocked(false);
        throw;
    }
    SetChangedLocked(false);
}

WideString TqzCustomTrackBarProperties::GetDisplayTextWide(const Variant& editValue) {
    Variant value;
    PrepareDisplayValue(editValue, value, false);
    return StringToWide(IntToStr(value.AsInteger()));
}

TqzContainerStyle* TqzTrackBarStyle::CreateInstance(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                                    bool directAccess) {
    return new TqzTrackBarStyle(owner, state, normalStyle, directAccess);
}

TqzContainerBorderStyle TqzTrackBarStyle::DefaultBorderStyle() {
    if (IsBaseStyle()) return cbsNone;
    return inherited::DefaultBorderStyle();
}

// ---- View data ---------------------------------------------------------------------------------

void TqzCustomTrackBarViewData::LoadViewInfoFromProperties(TqzCustomTrackBarViewInfo* info) {
    TqzCustomTrackBarProperties* p = GetTrackBarProperties();
    info->EffectiveBorderWidth = p->GetBorderWidth();
    info->TrackThickness = p->GetTrackSize();
    info->SelectionStart = p->GetSelectionStart();
    info->SelectionEnd = p->GetSelectionEnd();
    info->ThumbHeight = p->GetThumbHeight();
    info->ThumbWidth = p->GetThumbWidth();
    info->TickColor = Enabled ? p->GetTickColor() : clBtnShadow;
    info->BackgroundColor = FStyle->GetColor();
    info->Min = p->GetMin();
    info->Max = p->GetMax();
    info->Frequency = p->GetFrequency();
    info->Orientation = p->GetOrientation();
    info->TextOrientation = p->GetTextOrientation();
    info->TickType = p->GetTickType();
    info->TickMarksKind = p->GetTickMarks();
    info->TickSize = p->GetTickSize();
    info->ShowTrack = p->GetShowTrack();
    info->ShowTicks = p->GetShowTicks();
    info->ThumbType = p->GetThumbType();
    info->TrackColor = p->GetTrackColor();
    info->SelectionColor = p->GetSelectionColor();
    info->ThumbColor = p->GetThumbColor();
    info->ThumbHighlightColor = p->GetThumbHighlightColor();
    info->PropertiesInUse = p;
}

void TqzCustomTrackBarViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                          TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = static_cast<TqzCustomTrackBarViewInfo*>(viewInfo);
    info->Font = FStyle->GetEffectiveFont();
    info->LookAndFeel->Assign(FStyle->GetLookAndFeel());
    if (!Enabled)
        info->ThumbState = TrackBarThumbDisabled;
    else if (info->MouseFlags & TrackBarDragging)
        info->ThumbState = TrackBarThumbPressed;
    else if (info->MouseFlags & TrackBarMouseOverThumb)
        info->ThumbState = TrackBarThumbHot;
    else
        info->ThumbState = TrackBarThumbNormal;
    if (Edit && !Edit->IsPaintingCopy()) {
        Variant display;
        Edit->PrepareDisplayValue(Edit->GetEditValue(), display, true);
        info->Position = display.AsInteger();
    }
    LoadViewInfoFromProperties(info);
    info->TransparentBar = Edit != nullptr && !IsInplace && Edit->GetTransparent();
    CalculateLayout(canvas, info);
    info->TrackBar = dynamic_cast<TqzCustomTrackBar*>(Edit);
}

void TqzCustomTrackBarViewData::EditValueToViewInfo(TqzCanvas*, const Variant& editValue,
                                                    TqzCustomEditViewInfo* viewInfo) {
    Variant display;
    GetTrackBarProperties()->PrepareDisplayValue(editValue, display, IsEditFocused());
    static_cast<TqzCustomTrackBarViewInfo*>(viewInfo)->Position = display.AsInteger();
}

void TqzCustomTrackBarViewData::CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                                          TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    inherited::CalculateConstantPartSize(canvas, isInplace, size, viewInfo, minContentSize);
    if (auto* info = dynamic_cast<TqzCustomTrackBarViewInfo*>(viewInfo)) size.cx += RectWidth(info->ThumbRect);
    if (canvas) size.cy += canvas->TextHeightOf("Wg");
}

void TqzCustomTrackBarViewData::CalculateLayout(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* info) {
    CalculateClientArea(info);
    CalculateBarRect(canvas, info);
    CalculateTrackRect(info);
    CalculateThumbMetrics(info);
    CalculateThumbRect(canvas, info);
    CalculateSelection(info);
}

void TqzCustomTrackBarViewData::CalculateClientArea(TqzCustomTrackBarViewInfo* info) {
    info->ControlClientRect = info->ClientRect;
    info->RelativeClientRect = info->ClientRect;
    OffsetRect(&info->RelativeClientRect, -info->Bounds.left, -info->Bounds.top);
    const Integer halfWidth = RectWidth(info->RelativeClientRect) / 2;
    const Integer halfHeight = RectHeight(info->RelativeClientRect) / 2;
    info->EffectiveBorderWidth = std::min({info->EffectiveBorderWidth, halfWidth, halfHeight});
}

Integer TqzCustomTrackBarViewData::GetTickAreaSize(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* info,
                                                   TqzTrackBarTickSide side) {
    const TqzTrackBarTickMarks marks = info->TickMarksKind;
    if (side == tsTopLeft ? marks == qztmBottomRight : marks == qztmTopLeft) return 0;
    Integer size = 0;
    if (info->TickType == tbttTicks) {
        size = info->TickSize + 1;
    } else if (canvas) {
        const String minText = IntToStr(info->Min), maxText = IntToStr(info->Max);
        if ((info->Orientation == tboHorizontal) == (info->TextOrientation == tbtoHorizontal))
            size = canvas->TextHeightOf(minText);
        else
            size = canvas->TextWidthOf(minText.size() > maxText.size() ? minText : maxText);
    }
    if (info->EffectiveBorderWidth == 0) ++size;
    return size;
}

bool TqzCustomTrackBarViewData::GetCustomThumbRect(TRect& rect) {
    TqzCustomTrackBarProperties* inUse = GetTrackBarProperties();
    TqzGetThumbRectEvent handler;
    if (auto* bar = dynamic_cast<TqzCustomTrackBar*>(Edit)) {
        inUse = bar->GetActiveTrackBarProperties();
        handler = bar->GetOwnTrackBarProperties()->OnGetThumbRect;
        if (!handler) handler = inUse->OnGetThumbRect;
    } else {
        handler = inUse->OnGetThumbRect;
    }
    if (!handler) return false;
    rect = TRect{};
    handler(inUse, rect);
    return true;
}

void TqzCustomTrackBarViewData::CalculateBarRect(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* info) {
    const TRect& c = info->RelativeClientRect;
    const bool horizontal = info->Orientation == tboHorizontal;
    const Integer t1 = GetTickAreaSize(canvas, info, tsTopLeft);
    const Integer t2 = GetTickAreaSize(canvas, info, tsBottomRight);
    const Integer a = (horizontal ? RectHeight(c) : RectWidth(c)) - t1 - t2;
    Integer k = std::clamp(a, 10, 21);
    TRect custom;
    if (info->ThumbType == qzttCustom && GetCustomThumbRect(custom))
        k = std::max(k, horizontal ? custom.bottom - custom.top : custom.right - custom.left);
    if (GetTrackBarProperties()->GetAutoSize()) info->TrackThickness = k / 2;
    info->ThumbCrossSize = k;
    const Integer bw = info->EffectiveBorderWidth;
    info->Margin = 7;
    if (horizontal) {
        const Integer top = c.top + t1 + (a - k) / 2;
        info->BarRect = TRect{c.left + bw + 7, top, c.right - bw - 7, top + k};
    } else {
        const Integer left = c.left + t1 + (a - k) / 2;
        info->BarRect = TRect{left, c.top + bw + 7, left + k, c.bottom - bw - 7};
    }
}

void TqzCustomTrackBarViewData::CalculateTrackRect(TqzCustomTrackBarViewInfo* info) {
    const TRect& bar = info->BarRect;
    const Integer t = info->TrackThickness;
    if (info->Orientation == tboHorizontal) {
        const Integer top = bar.top + (RectHeight(bar) - t) / 2;
        info->TrackRect = TRect{bar.left, top, bar.right, top + t};
    } else {
        const Integer left = bar.left + (RectWidth(bar) - t) / 2;
        info->TrackRect = TRect{left, bar.top, left + t, bar.bottom};
    }
    GetTrackBarProperties()->CachedTrackRect = info->TrackRect;
}

void TqzCustomTrackBarViewData::CalculateThumbMetrics(TqzCustomTrackBarViewInfo* info) {
    TqzCustomTrackBarProperties* p = GetTrackBarProperties();
    const bool horizontal = info->Orientation == tboHorizontal;
    const Int64 range = p->Range();
    info->PointerThumb = info->TickMarksKind != qztmBoth;
    TRect custom;
    Integer c = 0, k = 0;
    if (info->ThumbType == qzttCustom && GetCustomThumbRect(custom)) {
        c = horizontal ? custom.right - custom.left : custom.bottom - custom.top;
        k = horizontal ? custom.bottom - custom.top : custom.right - custom.left;
        info->ThumbWidth = c;
        info->ThumbHeight = k;
    } else if (p->GetAutoSize()) {
        c = info->TrackThickness;
        if (c % 2 != 0) c += horizontal ? 1 : -1;
        k = 2 * c - 1;
    } else {
        c = info->ThumbWidth;
        k = info->ThumbHeight - 1;
    }
    info->ThumbSize = c;
    info->ThumbCrossSize = k;
    const Integer length = horizontal ? RectWidth(info->TrackRect) : RectHeight(info->TrackRect);
    info->PixelsPerUnit = double(length - c) / double(range);
    p->CachedPixelsPerUnit = info->PixelsPerUnit;
}

void TqzCustomTrackBarViewData::CalculateThumbRect(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* info) {
    const double s = info->PixelsPerUnit;
    const Integer c = info->ThumbSize, k = info->ThumbCrossSize, t = info->TrackThickness;
    const double offset = double(Int64(info->Position) - Int64(info->Min)) * s;
    const TRect& track = info->TrackRect;
    TRect& thumb = info->ThumbRect;
    if (info->Orientation == tboHorizontal) {
        const Integer p = TruncToInteger(offset + track.left);
        const Integer top = track.top + t / 2 - k / 2;
        thumb = TRect{p, top, p + 2 * (c / 2), top + k};
    } else {
        const Integer p = TruncToInteger(offset + track.top);
        Integer left = track.left + t / 2 - k / 2;
        Integer width = k;
        if (info->TickMarksKind == qztmTopLeft) {
            --left;
            width = k - 1;
        }
        thumb = TRect{left, p, left + width, p + 2 * (c / 2)};
    }
    if (info->UsesNativeLook()) {
        if (info->Orientation == tboHorizontal)
            OffsetRect(&thumb, 1, 0);
        else
            OffsetRect(&thumb, 0, 1);
    }
    TRect hit;
    info->GetThumbHitRect(canvas, hit);
    GetTrackBarProperties()->CachedThumbHitRect = hit;
}

void TqzCustomTrackBarViewData::CalculateSelection(TqzCustomTrackBarViewInfo* info) {
    const Integer min = info->Min, max = info->Max;
    info->SelectionStart = std::clamp(info->SelectionStart, min, std::max(min, max));
    info->SelectionEnd = std::clamp(info->SelectionEnd, min, std::max(min, max));
    info->HasSelection = info->SelectionStart < info->SelectionEnd;
    const double s = info->PixelsPerUnit;
    const Integer half = info->ThumbSize / 2;
    const TRect& track = info->TrackRect;
    auto at = [&](Integer value, Integer origin) {
        return TruncToInteger(double(Int64(value) - Int64(min)) * s + origin) + half;
    };
    if (info->Orientation == tboHorizontal)
        info->SelectionRect = TRect{at(info->SelectionStart, track.left), track.top + 2,
                                    at(info->SelectionEnd, track.left) + 1, track.bottom - 1};
    else
        info->SelectionRect = TRect{track.left + 2, at(info->SelectionStart, track.top), track.right - 2,
                                    at(info->SelectionEnd, track.top) + 1};
}

// ---- View info ---------------------------------------------------------------------------------

TqzCustomTrackBarViewInfo::TqzCustomTrackBarViewInfo()
    : LookAndFeel(std::make_unique<TqzLookAndFeel>(nullptr)), WorkBitmap(std::make_unique<TBitmap>()),
      WorkCanvas(std::make_unique<TqzCanvas>(WorkBitmap->GetCanvas())) {}

TqzCustomTrackBarViewInfo::~TqzCustomTrackBarViewInfo() = default;

void TqzCustomTrackBarViewInfo::CopyFrom(TqzContainerViewInfo* source) {
    inherited::CopyFrom(source);
    auto* other = dynamic_cast<TqzCustomTrackBarViewInfo*>(source);
    if (!other) return;
    LookAndFeel->Assign(other->LookAndFeel.get());
    Position = other->Position;
    EffectiveBorderWidth = other->EffectiveBorderWidth;
    TrackThickness = other->TrackThickness;
    ThumbHeight = other->ThumbHeight;
    ThumbWidth = other->ThumbWidth;
    ThumbState = other->ThumbState;
    SelectionStart = other->SelectionStart;
    SelectionEnd = other->SelectionEnd;
}

void TqzCustomTrackBarViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    OffsetRect(&ControlClientRect, dx, dy);
}

bool TqzCustomTrackBarViewInfo::UsesNativeLook() const {
    return IsNativeStyleUsable(LookAndFeel->GetNativeStyle(), ttTrackBar);
}

Integer TqzCustomTrackBarViewInfo::GetThumbPartId() {
    const bool horizontal = Orientation == tboHorizontal;
    switch (TickMarksKind) {
    case qztmBoth:
        return horizontal ? 3 : 6;
    case qztmTopLeft:
        return horizontal ? 5 : 7;
    default:
        return horizontal ? 4 : 8;
    }
}

void TqzCustomTrackBarViewInfo::GetThumbHitRect(TqzCanvas* canvas, TRect& rect) {
    rect = ThumbRect;
    bool done = false;
    if (UsesNativeLook() && canvas) {
        SIZE size{};
        HTHEME theme = OpenThemeForType(ttTrackBar);
        if (theme && UxGetThemePartSize(theme, canvas->DeviceContext(), GetThumbPartId(), ThumbState, nullptr,
                                        TS_DRAW, &size) == S_OK) {
            const Integer dx = (RectWidth(ThumbRect) - size.cx) / 2;
            const Integer dy = (RectHeight(ThumbRect) - size.cy) / 2;
            rect = TRect{ThumbRect.left + dx, ThumbRect.top + dy, ThumbRect.left + dx + size.cx,
                         ThumbRect.top + dy + size.cy};
            done = true;
        }
    }
    if (!done) {
        ++rect.right;
        ++rect.bottom;
    }
    // The thumb lies relative to the bounds' corner; the mouse comes in control coordinates.
    OffsetRect(&rect, Bounds.left, Bounds.top);
}

void TqzCustomTrackBarViewInfo::Draw(TqzCanvas* canvas) {
    const Integer width = RectWidth(Bounds), height = RectHeight(Bounds);
    WorkBitmap->SetSize(width, height);
    TqzCanvas* work = WorkCanvas.get();
    const TRect local{0, 0, width, height};
    if (!IsInplace) {
        // What lies behind first: the editor's background leaves its transparent border alone,
        // and a new bitmap holds no defined pixels.
        if (TrackBar)
            PaintParentImageBehind(TrackBar, work, local);
        else
            FillRectWithColor(work, local, BackgroundColor);
        if (!TransparentBar && !UsesNativeLook()) {
            const TPoint old = work->WindowOrigin();
            work->SetWindowOrigin(TPoint{Bounds.left, Bounds.top});
            try {
                DrawEditBackgroundAndButtons(work, this, true, 0);
            } catch (...) {
                work->SetWindowOrigin(old);
                throw;
            }
            work->SetWindowOrigin(old);
        }
    } else if (TransparentBar) {
        work->CopyRectFrom(local, canvas->Canvas, Bounds);
    } else {
        const TPoint old = work->WindowOrigin();
        work->SetWindowOrigin(TPoint{Bounds.left, Bounds.top});
        bool drawn = false;
        try {
            drawn = TryCustomDraw(work);
        } catch (...) {
            work->SetWindowOrigin(old);
            throw;
        }
        work->SetWindowOrigin(old);
        if (!drawn) FillRectWithColor(work, local, BackgroundColor);
    }
    std::unique_ptr<TqzRegion> oldClip = work->CopyClipRegion();
    work->IntersectClipArea(RelativeClientRect);
    try {
        DrawContent(work);
    } catch (...) {
        work->ApplyClipRegion(std::move(oldClip));
        throw;
    }
    work->ApplyClipRegion(std::move(oldClip));
    canvas->CopyRectFrom(Bounds, WorkBitmap->GetCanvas(), local);
}

void TqzCustomTrackBarViewInfo::DrawContent(TqzCanvas* canvas) {
    if (ShowTrack) {
        DrawTrack(canvas);
        if (HasSelection) DrawSelection(canvas);
    }
    if (ShowTicks) DrawTicks(canvas);
    if (ThumbType == qzttRegular)
        DrawThumb(canvas);
    else if (ThumbType == qzttCustom && PropertiesInUse && PropertiesInUse->OnDrawThumb)
        PropertiesInUse->OnDrawThumb(PropertiesInUse, canvas, ThumbRect);
}

void TqzCustomTrackBarViewInfo::DrawTrack(TqzCanvas* canvas) {
    if (UsesNativeLook()) {
        if (HTHEME theme = OpenThemeForType(ttTrackBar)) {
            const RECT r = TrackRect;
            UxDrawThemeBackground(theme, canvas->DeviceContext(), Orientation == tboHorizontal ? 1 : 2, ThumbState,
                                  &r, nullptr);
            return;
        }
    }
    FillRectWithColor(canvas, TrackRect, TrackColor);
    TRect r = TrackRect;
    --r.right;
    TRect inner;
    switch (LookAndFeel->GetKind()) {
    case lfFlat:
        DrawTwoColorRectFrame(canvas, r, clBtnShadow, inner, clBtnHighlight);
        DrawTwoColorRectFrame(canvas, inner, clBtnFace, inner, clBtnFace);
        break;
    case lfStandard:
        DrawTwoColorRectFrame(canvas, r, clBtnShadow, inner, clBtnHighlight);
        DrawTwoColorRectFrame(canvas, inner, cl3DDkShadow, inner, cl3DLight);
        break;
    default:
        DrawTwoColorRectFrame(canvas, r, clWindowFrame, inner, clWindowFrame);
        break;
    }
}

void TqzCustomTrackBarViewInfo::DrawSelection(TqzCanvas* canvas) {
    FillRectWithColor(canvas, SelectionRect, SelectionColor);
}

std::vector<TqzCustomTrackBarViewInfo::TTickMark> TqzCustomTrackBarViewInfo::GetTickMarks() const {
    std::vector<TTickMark> marks;
    const Int64 min = Min, max = Max;
    if (max < min) return marks;
    const double s = PixelsPerUnit;
    const Integer start = (Orientation == tboHorizontal ? TrackRect.left : TrackRect.top) + ThumbSize / 2;
    auto pixelOf = [&](Int64 offset) { return TruncToInteger(double(offset) * s) + start; };
    const Int64 position = std::clamp<Int64>(Position, min, max);
    // The first offset whose pixel lies beyond the pixel of the offset given (s > 0).
    auto firstBeyond = [&](Int64 offset) {
        const Integer px = TruncToInteger(double(offset) * s);
        if (px >= INT_MAX) return max - min + 1;
        double guess = std::ceil(double(Int64(px) + 1) / s);
        Int64 o = std::clamp<Int64>(Int64(std::min(guess, 9.0e18)), offset + 1, max - min + 1);
        while (o > offset + 1 && TruncToInteger(double(o - 1) * s) > px) --o;
        while (o <= max - min && TruncToInteger(double(o) * s) <= px) ++o;
        return o;
    };
    auto nextMultiple = [&](Int64 value) -> Int64 {
        if (Frequency <= 0) return max + 1;
        const Int64 f = Frequency;
        Int64 q = value / f;
        if (q * f < value) ++q;
        return q * f;
    };
    Integer lastLine = INT_MIN, lastNumber = INT_MIN;
    Int64 n = min;
    while (n <= max) {
        const bool end = n == min || n == max;
        const bool marked = end || (Frequency > 0 && n % Frequency == 0);
        const Integer pos = pixelOf(n - min);
        if (marked) {
            const bool number = TickType == tbttNumbers || (TickType == tbttValueNumber && (end || n == position));
            const bool special = end || n == position;
            Integer& last = number ? lastNumber : lastLine;
            if (special || pos != last) {
                const Integer length = end ? TickSize + TickSize / 2 : TickSize;
                marks.push_back(TTickMark{n, pos, length, number});
                last = pos;
            }
        }
        if (n == max) break;
        // The next value that can give a new mark: the first one on a further pixel unless it is
        // Min, Max or the position.
        Int64 next = n + 1;
        if (s > 0)
            next = std::max(next, min + firstBeyond(n - min));
        else
            next = max;
        Int64 candidate = std::min(nextMultiple(next), max);
        if (position >= n + 1 && position < candidate) candidate = position;
        n = candidate;
    }
    return marks;
}

void TqzCustomTrackBarViewInfo::DrawTicks(TqzCanvas* canvas) {
    TCanvasFontScope fontScope(canvas);
    if (Font) canvas->SelectFont(Font);
    canvas->CurrentFont()->SetColor(TextColor);
    canvas->CurrentPen()->SetColor(TickColor);
    canvas->SetBrushColor(clBtnFace);
    const bool verticalText = TextOrientation == tbtoVertical;
    HDC dc = canvas->DeviceContext();
    HFONT rotated = nullptr;
    if (verticalText && TickType != tbttTicks) {
        // A copy of the font running upwards; raster fonts cannot turn, so those become Arial.
        LOGFONTA lf = GetCanvasLogFont(canvas);
        if (!IsTrueTypeFont(canvas)) {
            std::memset(lf.lfFaceName, 0, sizeof(lf.lfFaceName));
            std::memcpy(lf.lfFaceName, "Arial", 5);
        }
        lf.lfEscapement = 900;
        lf.lfOrientation = 900;
        lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        rotated = CreateFontIndirectA(&lf);
    }
    struct TFontRelease {
        HFONT Font;
        ~TFontRelease() {
            if (Font) DeleteObject(Font);
        }
    } release{rotated};
    const bool horizontal = Orientation == tboHorizontal;
    const bool after = TickMarksKind != qztmTopLeft;   // bottom or right
    const bool before = TickMarksKind != qztmBottomRight; // top or left
    const TRect& t = ThumbRect;
    auto line = [&](Integer x1, Integer y1, Integer x2, Integer y2) {
        canvas->MoveToPoint(x1, y1);
        canvas->LineToPoint(x2, y2);
    };
    for (const TTickMark& mark : GetTickMarks()) {
        const Integer a = mark.Pos, f = mark.Length;
        if (!mark.Number) {
            if (horizontal) {
                if (after) line(a, t.bottom + 2, a, t.bottom + f + 2);
                if (before) line(a, t.top - f - 1, a, t.top - 1);
            } else {
                if (after) line(t.right + 2, a, t.right + f + 2, a);
                if (before) line(t.left - f - 1, a, t.left - 1, a);
            }
            continue;
        }
        const String text = IntToStr(mark.Value);
        const Integer g = canvas->TextWidthOf(text), h = canvas->TextHeightOf(text);
        auto output = [&](Integer x, Integer y) {
            if (rotated) {
                // Upward text starts at its bottom-left corner.
                HGDIOBJ old = SelectObject(dc, rotated);
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, ColorToRGB(TextColor));
                TextOutA(dc, x, y, text.c_str(), int(text.size()));
                SelectObject(dc, old);
                return;
            }
            TBrushStyle oldStyle = canvas->CurrentBrush()->GetStyle();
            canvas->CurrentBrush()->SetStyle(bsClear);
            canvas->OutputText(text, TRect{x, y, x + g + 2, y + h + 2}, true, 0);
            canvas->CurrentBrush()->SetStyle(oldStyle);
        };
        if (horizontal && !verticalText) {
            if (after) output(a - g / 2, t.bottom + 1);
            if (before) output(a - g / 2, t.top - h - 1);
        } else if (horizontal) {
            if (after) output(a - (h / 2 - 1), t.bottom + g + 1);
            if (before) output(a - (h / 2 - 1), t.top - 1);
        } else if (!verticalText) {
            if (after) output(t.right + 2, a - h / 2);
            if (before) output(t.left - g - 1, a - h / 2);
        } else {
            if (after) output(t.right + 2, a + g / 2);
            if (before) output(t.left - h - 1, a + g / 2);
        }
    }
}

void TqzCustomTrackBarViewInfo::DrawThumb(TqzCanvas* canvas) {
    if (UsesNativeLook()) {
        if (HTHEME theme = OpenThemeForType(ttTrackBar)) {
            const RECT r = ThumbRect;
            UxDrawThemeBackground(theme, canvas->DeviceContext(), GetThumbPartId(), ThumbState, &r, nullptr);
            return;
        }
    }
    const TqzLookAndFeelKind kind = LookAndFeel->GetKind();
    const bool office = kind == lfUltraFlat || kind == lfOffice11;
    TColor color = ThumbColor;
    if (ThumbState == TrackBarThumbHot || ThumbState == TrackBarThumbPressed)
        color = office ? GetFlatButtonStateColor(ThumbState == TrackBarThumbPressed, kind == lfOffice11)
                       : ThumbHighlightColor;
    else if (ThumbState == TrackBarThumbDisabled)
        color = clBtnShadow;
    if (PointerThumb) {
        DrawPointerThumb(canvas, color);
        return;
    }
    TRect inner;
    switch (kind) {
    case lfFlat:
        DrawTwoColorRectFrame(canvas, ThumbRect, clWindow, inner, clBtnShadow);
        break;
    case lfStandard:
        DrawTwoColorRectFrame(canvas, ThumbRect, clWindow, inner, clWindowFrame);
        DrawTwoColorRectFrame(canvas, inner, clBtnFace, inner, clBtnShadow);
        break;
    default:
        DrawTwoColorRectFrame(canvas, ThumbRect, clWindowFrame, inner, clWindowFrame);
        break;
    }
    ++inner.right;
    ++inner.bottom;
    FillRectWithColor(canvas, inner, color);
}

void TqzCustomTrackBarViewInfo::DrawPointerThumb(TqzCanvas* canvas, TColor color) {
    const Integer L = ThumbRect.left, T = ThumbRect.top, R = ThumbRect.right, B = ThumbRect.bottom;
    const Integer h = ThumbSize / 2;
    using P = std::vector<TPoint>;
    P polygon, a, b, c;
    const bool horizontal = Orientation == tboHorizontal;
    if (TickMarksKind == qztmBottomRight && horizontal) {
        polygon = {{R - 1, T + 1}, {L + 1, T + 1}, {L + 1, B - h}, {L + h - 1, B - 1}, {L + h, B - 1}, {R - 1, B - h}};
        a = {{R, T}, {L, T}, {L, B - h}, {L + h, B}};
        b = {{L + h, B - 1}, {R - 1, B - h}, {R - 1, T + 1}};
        c = {{L + h, B}, {R, B - h}, {R, T}};
    } else if (TickMarksKind == qztmBottomRight) {
        polygon = {{L + 1, B}, {L + 1, T + 1}, {R - h, T + 1}, {R - 1, T + h}, {R - 1, T + h + 1}, {R - h, B}};
        a = {{L, B}, {L, T}, {R - h, T}, {R, T + h}};
        b = {{L + 1, B}, {R - h, B}, {R - 1, B - h + 1}};
        c = {{L, B + 1}, {R - h, B + 1}, {R, B - h + 1}};
    } else if (horizontal) {
        polygon = {{R - 1, B - 2}, {L + 1, B - 2}, {L + 1, T + h}, {L + h - 1, T + 2}, {L + h, T + 2}, {R - 1, T + h}};
        a = {{L, B}, {L, T + h}, {L + h, T}};
        b = {{L + h, T + 1}, {R - 1, T + h}, {R - 1, B - 1}, {L, B - 1}};
        c = {{L + h, T}, {R, T + h}, {R, B}, {L, B}};
    } else {
        polygon = {{R - 2, B}, {R - 2, T + 1}, {L + h, T + 1}, {L + 1, T + h}, {L + 1, T + h + 1}, {L + h, B}};
        a = {{R, T}, {L + h, T}, {L, T + h}};
        b = {{R - 1, T + 1}, {R - 1, B}, {L + h, B}, {L + 1, B - h + 1}};
        c = {{R, T}, {R, B + 1}, {L + h, B + 1}, {L, B - h + 1}};
    }
    auto poly = [&](const P& points, TColor lineColor) {
        canvas->CurrentPen()->SetColor(lineColor);
        canvas->DrawPolyline(points.data(), Integer(points.size()));
    };
    if (TickMarksKind == qztmBottomRight) {
        poly(a, clWindow);
        poly(b, clBtnShadow);
        poly(c, clWindowText);
    }
    canvas->CurrentPen()->SetColor(color);
    canvas->SetBrushColor(color);
    canvas->CurrentBrush()->SetStyle(bsSolid);
    canvas->FillPolygon(polygon.data(), Integer(polygon.size()));
    switch (LookAndFeel->GetKind()) {
    case lfFlat:
        poly(a, clBtnHighlight);
        poly(c, clBtnShadow);
        break;
    case lfStandard:
        poly(a, clBtnHighlight);
        poly(b, clBtnShadow);
        poly(c, cl3DDkShadow);
        break;
    default:
        poly(a, clWindowText);
        poly(c, clWindowText);
        break;
    }
}

// ---- The control -------------------------------------------------------------------------------

TqzCustomTrackBar::TqzCustomTrackBar(TComponent* owner, bool isInplace) : TqzCustomEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomTrackBar::TqzCustomTrackBar(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomEdit(owner, isInplace, deferInitialization) {}

void TqzCustomTrackBar::Initialize() {
    inherited::Initialize();
    FEditValue = Variant(Integer(0));
    FSelecting = false;
    SetAutoSize(false);
    TControlStyle style = GetControlStyle();
    style.Exclude(csAcceptsControls);
    style.Exclude(csClickEvents);
    style.Exclude(csDoubleClicks);
    SetControlStyle(style);
    TqzControlWantedKeys keys = GetWantedKeys();
    keys.Include(wantArrows);
    if (IsInplace()) keys.Include(wantTab);
    SetWantedKeys(keys);
    SetWidth(196);
    SetHeight(76);
}

void TqzCustomTrackBar::GetSizeParameters(TqzEditSizeParameters& parameters) {
    parameters.MaxLineCount = 1;
    parameters.Width = 0;
}

Integer TqzCustomTrackBar::GetPosition() {
    TqzCustomTrackBarProperties* p = GetActiveTrackBarProperties();
    return p->ClampPosition(p->ValueToInteger(GetEditValue()));
}

void TqzCustomTrackBar::SetPosition(Integer value) {
    if (!GetComponentState().Contains(csLoading)) value = GetActiveTrackBarProperties()->ClampPosition(value);
    if (value != GetPosition()) SetEditValueAsUser(Variant(value));
}

void TqzCustomTrackBar::SetPositionFromUser(Int64 value) {
    TqzCustomTrackBarProperties* p = GetActiveTrackBarProperties();
    const Integer target = p->ClampPosition(value);
    if (target == GetPosition() || !RequestEditing()) return;
    const TLivenessToken alive = LivenessToken();
    SetEditValueAsUser(Variant(target));
    if (!alive) return;
    GetActiveTrackBarProperties()->Changed();
    SetModifiedAfterEntry(true);
    PostEditValue(false);
}

void TqzCustomTrackBar::UpdateSelection(Integer value) {
    // Written straight: the drawn selection follows with the position's repaint.
    TqzCustomTrackBarProperties* p = GetActiveTrackBarProperties();
    const Integer a = FSelectionAnchor;
    const bool oldLock = p->IsChangedLocked();
    p->SetChangedLocked(true);
    if (value < a) {
        p->SetSelectionStart(value);
        p->SetSelectionEnd(a);
    } else {
        p->SetSelectionStart(a);
        p->SetSelectionEnd(value);
    }
    p->SetChangedLocked(oldLock);
}

void TqzCustomTrackBar::HandleEditKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleEditKeyDown(key, shift);
    if (!alive) return;
    if (key == VK_SHIFT) {
        if (!IsInplace() && !FSelecting) {
            FSelecting = true;
            FSelectionAnchor = GetPosition();
        }
        return;
    }
    TqzCustomTrackBarProperties* p = GetActiveTrackBarProperties();
    const Int64 position = GetPosition();
    Int64 target = position;
    switch (key) {
    case VK_PRIOR:
        target = position - p->GetPageSize();
        break;
    case VK_NEXT:
        target = position + p->GetPageSize();
        break;
    case VK_END:
        target = p->GetMax();
        break;
    case VK_HOME:
        target = p->GetMin();
        break;
    case VK_LEFT:
    case VK_UP:
        target = position - 1;
        break;
    case VK_RIGHT:
    case VK_DOWN:
        target = position + 1;
        break;
    default:
        break;
    }
    const Integer clamped = p->ClampPosition(target);
    if (clamped == position) return;
    if (FSelecting) UpdateSelection(clamped);
    SetPositionFromUser(clamped);
}

void TqzCustomTrackBar::HandleEditKeyUp(Word& key, TShiftState shift) {
    inherited::HandleEditKeyUp(key, shift);
    if (key == VK_SHIFT && !IsInplace()) FSelecting = false;
}

void TqzCustomTrackBar::SetMouseFlags(Integer flags) {
    TqzCustomTrackBarViewInfo* info = GetTrackBarViewInfo();
    if (info->MouseFlags == flags) return;
    info->MouseFlags = flags;
    UpdateViewAtCursor();
}

void TqzCustomTrackBar::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseDown(button, shift, x, y);
    if (!alive || button != mbLeft) return;
    TqzCustomTrackBarProperties* p = GetActiveTrackBarProperties();
    const TRect hit = p->CachedThumbHitRect;
    const TPoint point{x, y};
    TqzCustomTrackBarViewInfo* info = GetTrackBarViewInfo();
    if (PtInRect(&hit, point)) {
        info->MouseFlags |= TrackBarDragging;
        if (shift.Contains(ssCtrl)) {
            FSelecting = false;
            const bool oldLock = p->IsChangedLocked();
            p->SetChangedLocked(true);
            p->SetSelectionStart(0);
            p->SetSelectionEnd(0);
            p->SetChangedLocked(oldLock);
        }
        UpdateViewAtCursor();
        return;
    }
    const bool horizontal = p->GetOrientation() == tboHorizontal;
    const Integer coordinate = horizontal ? x : y;
    const Integer low = horizontal ? hit.left : hit.top;
    const Integer high = horizontal ? hit.right : hit.bottom;
    const Int64 position = GetPosition();
    const double s = p->CachedPixelsPerUnit;
    const Integer extent = horizontal ? GetWidth() : GetHeight();
    auto jump = [&]() -> Int64 {
        // No room for the thumb: a jump has nowhere to go.
        if (!(s > 0) || extent <= 0) return position;
        const Integer origin = horizontal ? p->CachedTrackRect.left : p->CachedTrackRect.top;
        const double units = std::trunc(double(Int64(coordinate) - origin) / s);
        return Int64(std::clamp(units + double(p->GetMin()), double(INT_MIN), double(INT_MAX)));
    };
    Int64 target = position;
    if (coordinate > high)
        target = p->GetThumbStep() == qztsNormal ? position + 1 : jump();
    else if (coordinate < low)
        target = p->GetThumbStep() == qztsNormal ? position - 1 : jump();
    const Integer clamped = p->ClampPosition(target);
    if (clamped != position) SetPositionFromUser(clamped);
}

void TqzCustomTrackBar::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseMove(shift, x, y);
    if (!alive) return;
    TqzCustomTrackBarProperties* p = GetActiveTrackBarProperties();
    TqzCustomTrackBarViewInfo* info = GetTrackBarViewInfo();
    const TRect hit = p->CachedThumbHitRect;
    const TShiftState keys = GetKeyboardShiftState();
    if (!(info->MouseFlags & TrackBarDragging) || !keys.Contains(ssLeft)) {
        const TPoint point{x, y};
        Integer flags = info->MouseFlags & ~TrackBarMouseOverThumb;
        if (PtInRect(&hit, point)) flags |= TrackBarMouseOverThumb;
        SetMouseFlags(flags);
        return;
    }
    const bool horizontal = p->GetOrientation() == tboHorizontal;
    const Integer extent = horizontal ? GetWidth() : GetHeight();
    if (extent <= 0) return;
    const Int64 distance = horizontal ? Int64(x) - hit.left - (hit.right - hit.left) / 2
                                      : Int64(y) - hit.top - (hit.bottom - hit.top) / 2;
    const Int64 range = Int64(p->GetMax()) - Int64(p->GetMin());
    const Int64 position = GetPosition();
    const Int64 target = position + RoundHalfEven(double(distance) * double(range) / double(extent));
    const Integer clamped = p->ClampPosition(target);
    if (clamped == position) return;
    if (keys.Contains(ssShift) && FSelecting) UpdateSelection(clamped);
    SetPositionFromUser(clamped);
}

void TqzCustomTrackBar::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseUp(button, shift, x, y);
    if (!alive) return;
    TqzCustomTrackBarViewInfo* info = GetTrackBarViewInfo();
    const TRect hit = GetActiveTrackBarProperties()->CachedThumbHitRect;
    const TPoint point{x, y};
    Integer flags = info->MouseFlags & ~(TrackBarDragging | TrackBarMouseOverThumb);
    if (PtInRect(&hit, point)) flags |= TrackBarMouseOverThumb;
    SetMouseFlags(flags);
    if (alive) SetMouseCapture(false);
}

void TqzCustomTrackBar::HandleMouseEnter(TControl* control) {
    TqzCustomTrackBarViewInfo* info = GetTrackBarViewInfo();
    info->MouseFlags |= TrackBarMouseInside;
    if ((info->MouseFlags & TrackBarDragging) && !GetKeyboardShiftState().Contains(ssLeft))
        info->MouseFlags &= ~(TrackBarDragging | TrackBarMouseOverThumb);
    inherited::HandleMouseEnter(control);
}

void TqzCustomTrackBar::HandleMouseLeave(TControl* control) {
    GetTrackBarViewInfo()->MouseFlags &= ~(TrackBarMouseInside | TrackBarMouseOverThumb);
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseLeave(control);
    if (alive) UpdateViewAtCursor();
}

void TqzCustomTrackBar::HandleWindowMessage(TMessage& message) {
    if (message.Msg == WM_LBUTTONUP) {
        TControlState state = GetControlState();
        state.Exclude(csClicked);
        SetControlState(state);
    }
    inherited::HandleWindowMessage(message);
}

TqzTrackBar::TqzTrackBar(TComponent* owner) : TqzCustomTrackBar(owner, false, true) { InitializeEditor(); }

TqzTrackBar::TqzTrackBar(TComponent* owner, bool isInplace) : TqzCustomTrackBar(owner, isInplace, true) {
    InitializeEditor();
}

// ---- Streaming and registration ----------------------------------------------------------------

KOV_PUBLISHED(TqzCustomTrackBarProperties) {}

KOV_PUBLISHED(TqzTrackBarProperties) {
    using P = TqzTrackBarProperties;
    Property("AutoSize", &P::GetAutoSize, &P::SetAutoSize).Default(true);
    Property("BorderWidth", &P::GetBorderWidth, &P::SetBorderWidth).Default(Integer(0));
    Property("Frequency", &P::GetFrequency, &P::SetFrequency).Default(Integer(1));
    Property("Max", &P::GetMax, &P::SetMax).Default(Integer(10));
    Property("Min", &P::GetMin, &P::SetMin).Default(Integer(0));
    Property("Orientation", &P::GetOrientation, &P::SetOrientation).Default(tboHorizontal);
    Property("PageSize", &P::GetPageSize, &P::SetPageSize).Default(TqzTrackBarNaturalNumber(1));
    Property("SelectionColor", &P::GetSelectionColor, &P::SetSelectionColor).Default(clHighlight);
    Property("SelectionEnd", &P::GetSelectionEnd, &P::SetSelectionEnd).Default(Integer(0));
    Property("SelectionStart", &P::GetSelectionStart, &P::SetSelectionStart).Default(Integer(0));
    Property("ShowTicks", &P::GetShowTicks, &P::SetShowTicks).Default(true);
    Property("ShowTrack", &P::GetShowTrack, &P::SetShowTrack).Default(true);
    Property("TextOrientation", &P::GetTextOrientation, &P::SetTextOrientation).Default(tbtoHorizontal);
    Property("ThumbColor", &P::GetThumbColor, &P::SetThumbColor).Default(clBtnFace);
    Property("ThumbHeight", &P::GetThumbHeight, &P::SetThumbHeight).Default(Integer(12));
    Property("ThumbHighlightColor", &P::GetThumbHighlightColor, &P::SetThumbHighlightColor)
        .Default(TColor(0xC0C0C0));
    Property("ThumbStep", &P::GetThumbStep, &P::SetThumbStep).Default(qztsNormal);
    Property("ThumbType", &P::GetThumbType, &P::SetThumbType).Default(qzttRegular);
    Property("ThumbWidth", &P::GetThumbWidth, &P::SetThumbWidth).Default(Integer(7));
    Property("TickColor", &P::GetTickColor, &P::SetTickColor).Default(clWindowText);
    Property("TickMarks", &P::GetTickMarks, &P::SetTickMarks).Default(qztmBottomRight);
    Property("TickSize", &P::GetTickSize, &P::SetTickSize).Default(TqzTrackBarNaturalNumber(3));
    Property("TickType", &P::GetTickType, &P::SetTickType).Default(tbttTicks);
    Property("TrackColor", &P::GetTrackColor, &P::SetTrackColor).Default(clWindow);
    Property("TrackSize", &P::GetTrackSize, &P::SetTrackSize).Default(Integer(5));
}

KOV_PUBLISHED(TqzCustomTrackBar) {}

KOV_PUBLISHED(TqzTrackBar) {
    Property("Position", &TqzTrackBar::GetPosition, &TqzTrackBar::SetPosition).Stored(&TqzTrackBar::IsPositionStored);
    Property("Properties", &TqzTrackBar::GetProperties, &TqzTrackBar::SetTrackBarProperties);
    Property("Transparent", &TqzTrackBar::GetTransparent, &TqzTrackBar::SetTransparent).Default(false);
}

namespace {
bool gTrackBarRegistered = false;

const bool kTrackBarRegistered = [] {
    RegisterEnum<TqzTrackBarOrientation>("TqzTrackBarOrientation", {"tboHorizontal", "tboVertical"});
    RegisterEnum<TqzTrackBarTextOrientation>("TqzTrackBarTextOrientation", {"tbtoHorizontal", "tbtoVertical"});
    RegisterEnum<TqzTrackBarThumbType>("TqzTrackBarThumbType", {"qzttNone", "qzttRegular", "qzttCustom"});
    RegisterEnum<TqzTrackBarTickType>("TqzTrackBarTickType", {"tbttTicks", "tbttNumbers", "tbttValueNumber"});
    RegisterEnum<TqzTrackBarTickMarks>("TqzTrackBarTickMarks", {"qztmBoth", "qztmTopLeft", "qztmBottomRight"});
    RegisterEnum<TqzTrackBarThumbStep>("TqzTrackBarThumbStep", {"qztsNormal", "qztsJump"});
    RegisterInterfacedPersistentClass<TqzCustomTrackBarProperties>();
    RegisterInterfacedPersistentClass<TqzTrackBarProperties>();
    RegisterClasses({TqzTrackBar::StaticClass()});
    GetEditPropertiesRegistry()->Register(TqzTrackBarProperties::StaticClass(), "TrackBar|Represents a TrackBar");
    gTrackBarRegistered = true;
    return true;
}();

struct TTrackBarUnitEnd {
    ~TTrackBarUnitEnd() { TrackBarUnitFinalize(); }
} gTrackBarUnitEnd;
} // namespace

void TrackBarUnitFinalize() {
    if (!gTrackBarRegistered) return;
    gTrackBarRegistered = false;
    if (IsEditUnitStarted()) GetEditPropertiesRegistry()->Unregister(TqzTrackBarProperties::StaticClass());
}
