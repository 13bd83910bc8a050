#include "suite/foundation/qzScrollBar.h"

#include <algorithm>

#include "platform/runtime/Numbers.h"
#include "platform/winapi/Gdi.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr Integer kFirstDelay = 400;
constexpr Integer kRepeatDelay = 60;
// How far the mouse may leave the bar while the thumb keeps following it.
constexpr Integer kTrackSlackAlong = 34;
constexpr Integer kTrackSlackAcross = 136;
constexpr Integer kDefaultMinThumb = 8;
constexpr int kGripperHorz = 8; // SBP_GRIPPERHORZ
constexpr int kGripperVert = 9; // SBP_GRIPPERVERT

bool IsArrowOrPage(Byte part) {
    return part == qzsbpFirstButton || part == qzsbpSecondButton || part == qzsbpPageBefore || part == qzsbpPageAfter;
}

TScrollCode CodeOfPart(Byte part) {
    switch (part) {
    case qzsbpFirstButton: return scLineUp;
    case qzsbpSecondButton: return scLineDown;
    case qzsbpPageBefore: return scPageUp;
    case qzsbpPageAfter: return scPageDown;
    default: return scTrack;
    }
}

bool Empty(const TRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool InRect(const TRect& r, const TPoint& p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

} // namespace

KOV_MESSAGE_MAP(TqzScrollBar) {
    map.Message(WM_ERASEBKGND, &TqzScrollBar::WMEraseBkgnd);
    map.Message(WM_CANCELMODE, &TqzScrollBar::WMCancelMode);
    map.Message(WM_SYSCOLORCHANGE, &TqzScrollBar::WMSysColorChange);
    map.Message(CM_SYSCOLORCHANGE, &TqzScrollBar::WMSysColorChange);
    map.Message(WM_CTLCOLORSCROLLBAR, &TqzScrollBar::WMCtlColorScrollBar);
    map.Message(CM_VISIBLECHANGED, &TqzScrollBar::CMVisibleChanged);
    map.Message(CM_ENABLEDCHANGED, &TqzScrollBar::CMEnabledChanged);
    map.Message(CM_MOUSEENTER, &TqzScrollBar::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzScrollBar::CMMouseLeave);
    map.Message(CN_HSCROLL, &TqzScrollBar::CNScroll);
    map.Message(CN_VSCROLL, &TqzScrollBar::CNScroll);
}

TqzScrollBar::TqzScrollBar(TComponent* owner) : TCustomControl(owner) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->SetPixelFormat(pfDevice);
    FBitmapCanvas = std::make_unique<TqzCanvas>(FBitmap->GetCanvas());
    FThemeNotificator = std::make_unique<TybThemeChangedNotificator>();
    FThemeNotificator->OnThemeChanged = TybThemeChangedEvent(this, &TqzScrollBar::ThemeChanged);
    FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
    FLookAndFeel->OnChanged = TqzLookAndFeelChangedEvent(this, &TqzScrollBar::LookAndFeelChanged);
    FTimer = std::make_unique<TqzTimer>(nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(kFirstDelay);
    FTimer->SetOnTimer(TNotifyEvent(this, &TqzScrollBar::TimerTick));
    SetControlStyle(TControlStyle{csCaptureMouse, csFramed, csOpaque});
    SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
    UpdateMinThumbLength();
    LayoutParts();
}

TqzScrollBar::~TqzScrollBar() {
    FTimer.reset();
    FThemeNotificator.reset();
    FLookAndFeel.reset();
}

void TqzScrollBar::SetKind(TScrollBarKind value) {
    if (FKind == value) return;
    FKind = value;
    if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    UpdateMinThumbLength();
    LayoutParts();
    Invalidate();
}

void TqzScrollBar::SetLookAndFeel(TqzLookAndFeel* value) { FLookAndFeel->Assign(value); }

TqzLookAndFeelPainterClass TqzScrollBar::Painter() const { return FLookAndFeel->PainterForThemeType(ttScrollBar); }

void TqzScrollBar::SetScrollParams(Integer min, Integer max, bool redraw, Integer pageSize, Integer position) {
    if (max < min || max < pageSize)
        throw EInvalidOperation(LocalizeSuiteText("Scrollbar property out of range"));
    redraw = redraw && HandleAllocated();
    position = std::clamp(position, min, max);
    if (min == FMin && max == FMax && pageSize == FPageSize && position == FPosition) return;
    FMin = min;
    FMax = max;
    FPageSize = pageSize;
    if (position == FPosition) {
        CalcThumb();
        if (redraw) Invalidate();
        return;
    }
    SetEnabled(true);
    FPosition = position;
    CalcThumb();
    if (redraw) Invalidate();
    FireChange();
}

void TqzScrollBar::Scroll(TScrollCode code) {
    Integer position = FPosition;
    switch (code) {
    case scLineUp: position -= FSmallChange; break;
    case scLineDown: position += FSmallChange; break;
    case scPageUp: position -= FLargeChange; break;
    case scPageDown: position += FLargeChange; break;
    case scTop: position = FMin; break;
    case scBottom: position = FMax; break;
    default: break;
    }
    position = std::clamp(position, FMin, FMax);
    const TLivenessToken alive = LivenessToken();
    FireScroll(code, position);
    if (!alive) return;
    position = std::clamp(position, FMin, FMax);
    if (position == FPosition) return;
    if (code == scTrack) {
        FPosition = position;
        CalcThumb();
        Invalidate();
    } else {
        SetPosition(position);
    }
}

void TqzScrollBar::FireChange() {
    const TLivenessToken alive = LivenessToken();
    Perform(CM_CHANGED, 0, LPARAM(this));
    if (alive) OnChange(this);
}

void TqzScrollBar::FireScroll(TScrollCode code, Integer& position) { OnScroll(this, code, position); }

Byte TqzScrollBar::HitTest(const TPoint& point) const {
    if (InRect(FThumb, point)) return qzsbpThumb;
    if (InRect(FFirstArrow, point)) return qzsbpFirstButton;
    if (InRect(FSecondArrow, point)) return qzsbpSecondButton;
    if (InRect(FPageUp, point)) return qzsbpPageBefore;
    if (InRect(FPageDown, point)) return qzsbpPageAfter;
    return qzsbpNone;
}

// ---- Layout --------------------------------------------------------------------------------------

void TqzScrollBar::UpdateMinThumbLength() {
    FMinThumbLength = kDefaultMinThumb;
    if (Painter() != NativeLookAndFeelPainterClass()) return;
    HTHEME theme = OpenThemeForType(ttScrollBar);
    if (theme == nullptr) return;
    const int part = IsHorizontal() ? kGripperHorz : kGripperVert;
    SIZE minSize{}, trueSize{};
    HDC dc = FBitmapCanvas->DeviceContext();
    if (UxGetThemePartSizeNoRect(theme, dc, part, 1, TS_MIN, &minSize) != S_OK ||
        UxGetThemePartSizeNoRect(theme, dc, part, 1, TS_TRUE, &trueSize) != S_OK)
        return;
    const Integer length = IsHorizontal() ? std::max<Integer>(minSize.cx, trueSize.cx + 4)
                                          : std::max<Integer>(minSize.cy, trueSize.cy + 4);
    if (length > 7) FMinThumbLength = length;
}

void TqzScrollBar::LayoutParts() {
    const Integer w = GetWidth(), h = GetHeight();
    if (IsHorizontal()) {
        const Integer a = std::min<Integer>(GetSystemMetrics(SM_CYHSCROLL), w / 2);
        FFirstArrow = TRect{0, 0, a, h};
        FSecondArrow = TRect{w - a, 0, w, h};
    } else {
        const Integer a = std::min<Integer>(GetSystemMetrics(SM_CXVSCROLL), h / 2);
        FFirstArrow = TRect{0, 0, w, a};
        FSecondArrow = TRect{0, h - a, w, h};
    }
    CalcThumb();
}

void TqzScrollBar::PlaceThumb(Integer start, Integer length) {
    if (IsHorizontal())
        FThumb = TRect{start, 0, start + length, GetHeight()};
    else
        FThumb = TRect{0, start, GetWidth(), start + length};
}

void TqzScrollBar::SetPageAreas() {
    if (Empty(FThumb)) {
        FPageUp = TRect{};
        FPageDown = TRect{};
        return;
    }
    if (IsHorizontal()) {
        FPageUp = TRect{TrackStart(), 0, FThumb.left, GetHeight()};
        FPageDown = TRect{FThumb.right, 0, TrackEnd(), GetHeight()};
    } else {
        FPageUp = TRect{0, TrackStart(), GetWidth(), FThumb.top};
        FPageDown = TRect{0, FThumb.bottom, GetWidth(), TrackEnd()};
    }
}

void TqzScrollBar::CalcThumb() {
    FThumb = TRect{};
    const Integer track = TrackEnd() - TrackStart();
    if (GetEnabled()) {
        if (FPageSize > 0) {
            Integer length = std::min(track, MulDiv(FPageSize, track, FMax - FMin + 1));
            if (track >= FMinThumbLength && FMax != FMin) {
                length = std::max(length, FMinThumbLength);
                const Integer d = FMax - FMin - FPageSize + 1;
                // A page that covers the whole range leaves the thumb at the start.
                const Integer offset = d <= 0 ? 0 : MulDiv(track - length, std::min(FPosition - FMin, d), d);
                PlaceThumb(TrackStart() + offset, length);
            }
        } else {
            const Integer length = GetSystemMetrics(IsHorizontal() ? SM_CXHTHUMB : SM_CYVTHUMB);
            if (track >= length) {
                const Integer offset =
                    track - length <= 0 || FMax == FMin ? 0 : MulDiv(track - length, FPosition - FMin, FMax - FMin);
                PlaceThumb(TrackStart() + offset, length);
            }
        }
    }
    SetPageAreas();
}

Integer TqzScrollBar::PositionFromThumb() const {
    const Integer free = TrackEnd() - TrackStart() - ThumbLength();
    if (free <= 0) return FMin;
    Integer range = FMax - FMin;
    if (FPageSize > 0) range += 1 - FPageSize;
    return FMin + MulDiv(range, ThumbStart() - TrackStart(), free);
}

void TqzScrollBar::Resize() {
    LayoutParts();
    TCustomControl::Resize();
}

void TqzScrollBar::LookAndFeelChanged(TqzLookAndFeel*, TqzLookAndFeelValues) {
    UpdateMinThumbLength();
    LayoutParts();
    Invalidate();
}

void TqzScrollBar::ThemeChanged() {
    UpdateMinThumbLength();
    LayoutParts();
    UpdateScrollBarPatterns();
    Invalidate();
    if (GetParent() != nullptr) GetParent()->Realign();
}

// ---- Painting -------------------------------------------------------------------------------------

TqzButtonState TqzScrollBar::PartState(Byte part) const {
    if (!GetEnabled()) return qzbsDisabled;
    const TqzLookAndFeelPainterClass painter = Painter();
    if (part == qzsbpThumb && !painter->HotTracksButtons()) return qzbsNormal;
    if (FState != qzsbpNone) return part == FState && part == FHotPart ? qzbsPressed : qzbsNormal;
    if (part == FHotPart && !GetComponentState().Contains(csDesigning)) return qzbsHot;
    return qzbsNormal;
}

void TqzScrollBar::Paint() {
    const Integer w = GetWidth(), h = GetHeight();
    if (w <= 0 || h <= 0) return;
    if (FBitmap->GetWidth() != w || FBitmap->GetHeight() != h) FBitmap->SetSize(w, h);
    const TqzLookAndFeelPainterClass painter = Painter();
    const bool horizontal = IsHorizontal();
    if (!Empty(FThumb))
        painter->PaintScrollBarElement(FBitmapCanvas.get(), horizontal, PartState(qzsbpThumb), qzsbpThumb, FThumb);
    else
        painter->PaintScrollBarElement(FBitmapCanvas.get(), horizontal, GetEnabled() ? qzbsNormal : qzbsDisabled,
                                       qzsbpPageBefore, TRect{0, 0, w, h});
    painter->PaintScrollBarElement(FBitmapCanvas.get(), horizontal, PartState(qzsbpFirstButton), qzsbpFirstButton, FFirstArrow);
    painter->PaintScrollBarElement(FBitmapCanvas.get(), horizontal, PartState(qzsbpSecondButton), qzsbpSecondButton,
                                   FSecondArrow);
    if (!Empty(FPageUp))
        painter->PaintScrollBarElement(FBitmapCanvas.get(), horizontal, PartState(qzsbpPageBefore), qzsbpPageBefore, FPageUp);
    if (!Empty(FPageDown))
        painter->PaintScrollBarElement(FBitmapCanvas.get(), horizontal, PartState(qzsbpPageAfter), qzsbpPageAfter,
                                       FPageDown);
    BitBlt(GetCanvas()->GetHandle(), 0, 0, w, h, FBitmap->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
}

// ---- Mouse -----------------------------------------------------------------------------------------

void TqzScrollBar::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TCustomControl::MouseDown(button, shift, x, y);
    if (!alive || button != mbLeft) return;
    const TPoint p{x, y};
    const Byte part = HitTest(p);
    if (part == qzsbpNone) return;
    FState = part;
    FHotPart = part;
    if (part == qzsbpThumb) {
        FTrackPressPoint = p;
        FTrackPosition = FPosition;
        FTrackThumbOrigin = ThumbStart();
        Scroll(scTrack);
    } else {
        Scroll(CodeOfPart(part));
        if (!alive) return;
        FTimer->SetInterval(kFirstDelay);
        FTimer->SetEnabled(true);
    }
    if (alive) Invalidate();
}

void TqzScrollBar::TimerTick(TObject*) {
    if (!HandleAllocated() || GetCapture() != GetHandle() || !IsArrowOrPage(FState)) {
        StopTracking();
        return;
    }
    if (FTimer->GetInterval() != kRepeatDelay) FTimer->SetInterval(kRepeatDelay);
    const TLivenessToken alive = LivenessToken();
    Scroll(CodeOfPart(FState));
    if (!alive) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    const POINT p = ScreenToClient(cursor);
    FTimer->SetEnabled(HitTest(TPoint{p.x, p.y}) == FState);
}

void TqzScrollBar::MouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TCustomControl::MouseMove(shift, x, y);
    if (!alive) return;
    const TPoint p{x, y};
    if (FState == qzsbpThumb) {
        TRect slack = IsHorizontal() ? TRect{-kTrackSlackAlong, -kTrackSlackAcross, GetWidth() + kTrackSlackAlong,
                                             GetHeight() + kTrackSlackAcross}
                                     : TRect{-kTrackSlackAcross, -kTrackSlackAlong, GetWidth() + kTrackSlackAcross,
                                             GetHeight() + kTrackSlackAlong};
        if (FUnlimitedTracking || InRect(slack, p)) {
            const Integer length = ThumbLength();
            Integer start = FTrackThumbOrigin + Along(p) - Along(FTrackPressPoint);
            start = std::max(TrackStart(), std::min(start, TrackEnd() - length));
            PlaceThumb(start, length);
            SetPageAreas();
            Invalidate();
            const Integer position = PositionFromThumb();
            if (position != FPosition) {
                FPosition = position;
                Scroll(scTrack);
            }
        } else {
            SetPosition(FTrackPosition);
            if (alive) Scroll(scTrack);
        }
        return;
    }
    const Byte part = HitTest(p);
    if (IsArrowOrPage(FState)) FTimer->SetEnabled(part == FState);
    if (part != FHotPart) {
        FHotPart = part;
        if (Painter()->HotTracksButtons()) Invalidate();
    }
}

void TqzScrollBar::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    StopTracking();
    if (!alive) return;
    FHotPart = HitTest(TPoint{x, y});
    TCustomControl::MouseUp(button, shift, x, y);
}

void TqzScrollBar::StopTracking() {
    const TLivenessToken alive = LivenessToken();
    if (FState == qzsbpThumb) {
        SetPosition(PositionFromThumb());
        if (!alive) return;
        Scroll(scPosition);
        if (!alive) return;
    }
    FTimer->SetEnabled(false);
    const bool wasTracking = FState != qzsbpNone;
    FState = qzsbpNone;
    FHotPart = qzsbpNone;
    if (wasTracking) {
        Scroll(scEndScroll);
        if (!alive) return;
    }
    CalcThumb();
    Invalidate();
}

void TqzScrollBar::WMEraseBkgnd(TMessage& message) { message.Result = 1; }

void TqzScrollBar::WMCancelMode(TMessage& message) {
    KOV_INHERITED(message);
    StopTracking();
}

void TqzScrollBar::WMSysColorChange(TMessage& message) {
    UpdateScrollBarPatterns();
    KOV_INHERITED(message);
}

void TqzScrollBar::WMCtlColorScrollBar(TMessage& message) {
    UpdateScrollBarPatterns();
    KOV_INHERITED(message);
}

void TqzScrollBar::CMVisibleChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (!GetVisible()) StopTracking();
}

void TqzScrollBar::CMEnabledChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (!GetEnabled()) StopTracking();
    LayoutParts();
    Invalidate();
}

void TqzScrollBar::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    if (Painter()->HotTracksButtons() || IsArrowOrPage(FState)) Invalidate();
}

void TqzScrollBar::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    if (FState != qzsbpThumb) FHotPart = qzsbpNone;
    if (Painter()->HotTracksButtons() || IsArrowOrPage(FState)) Invalidate();
}

void TqzScrollBar::CNScroll(TMessage& message) { Scroll(TScrollCode(LOWORD(message.WParam))); }

KOV_PUBLISHED(TqzScrollBar) {
    Property("Kind", &TqzScrollBar::GetKind, &TqzScrollBar::SetKind).Default(sbHorizontal);
    Property("LookAndFeel", &TqzScrollBar::GetLookAndFeel, &TqzScrollBar::SetLookAndFeel);
    Property("Min", &TqzScrollBar::GetMin, &TqzScrollBar::SetMin).Default(0);
    Property("Max", &TqzScrollBar::GetMax, &TqzScrollBar::SetMax).Default(100);
    Property("PageSize", &TqzScrollBar::GetPageSize, &TqzScrollBar::SetPageSize).Default(0);
    Property("Position", &TqzScrollBar::GetPosition, &TqzScrollBar::SetPosition).Default(0);
    Property("SmallChange", &TqzScrollBar::GetSmallChange, &TqzScrollBar::SetSmallChange).Default(1);
    Property("LargeChange", &TqzScrollBar::GetLargeChange, &TqzScrollBar::SetLargeChange).Default(1);
    Property("UnlimitedTracking", &TqzScrollBar::GetUnlimitedTracking, &TqzScrollBar::SetUnlimitedTracking)
        .Default(false);
    Property("OnChange", &TqzScrollBar::OnChange);
    Property("OnScroll", &TqzScrollBar::OnScroll);
}

namespace {
const bool registered = [] {
    RegisterClass(TqzScrollBar::StaticClass());
    return true;
}();
} // namespace
