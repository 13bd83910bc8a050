// The suite's scroll bar: a scroll bar drawn entirely by the look-and-feel painter. It lays out
// its arrows, thumb and page areas itself, repeats arrow and page presses on a timer, tracks the
// thumb with a snap-back tolerance, and reports through OnScroll and OnChange.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

class TqzTimer;
class TybThemeChangedNotificator;

// The parts of a scroll bar are the painter's (qzsbpNone, qzsbpFirstButton, qzsbpSecondButton,
// qzsbpThumb, qzsbpPageBefore, qzsbpPageAfter).

class TqzScrollBar : public TCustomControl {
    KOV_CLASS(TqzScrollBar, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzScrollBar(TComponent* owner);
    ~TqzScrollBar() override;

    // Raises EInvalidOperation "Scrollbar property out of range" when max < min or
    // max < pageSize, changing nothing. The position is held within min..max.
    void SetScrollParams(Integer min, Integer max, bool redraw, Integer pageSize, Integer position);
    // One step of the given kind: OnScroll may change where it goes; the result is clamped.
    void Scroll(TScrollCode code);
    // The painter for the scroll-bar theme type.
    TqzLookAndFeelPainterClass Painter() const;
    // The part under a client point.
    Byte HitTest(const TPoint& point) const;

    // Published.
    TScrollBarKind GetKind() const { return FKind; }
    void SetKind(TScrollBarKind value);
    TqzLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    void SetLookAndFeel(TqzLookAndFeel* value);
    Integer GetMin() const { return FMin; }
    void SetMin(Integer value) { SetScrollParams(value, FMax, true, FPageSize, FPosition); }
    Integer GetMax() const { return FMax; }
    void SetMax(Integer value) { SetScrollParams(FMin, value, true, FPageSize, FPosition); }
    Integer GetPageSize() const { return FPageSize; }
    void SetPageSize(Integer value) { SetScrollParams(FMin, FMax, true, value, FPosition); }
    Integer GetPosition() const { return FPosition; }
    void SetPosition(Integer value) { SetScrollParams(FMin, FMax, true, FPageSize, value); }
    TScrollBarInc GetSmallChange() const { return FSmallChange; }
    void SetSmallChange(TScrollBarInc value) { FSmallChange = value; }
    TScrollBarInc GetLargeChange() const { return FLargeChange; }
    void SetLargeChange(TScrollBarInc value) { FLargeChange = value; }
    bool GetUnlimitedTracking() const { return FUnlimitedTracking; }
    void SetUnlimitedTracking(bool value) { FUnlimitedTracking = value; }

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

    // The laid-out geometry, for painting and for tests.
    const TRect& GetThumbRect() const { return FThumb; }
    const TRect& GetFirstArrowRect() const { return FFirstArrow; }
    const TRect& GetSecondArrowRect() const { return FSecondArrow; }
    const TRect& GetPageBeforeRect() const { return FPageUp; }
    const TRect& GetPageAfterRect() const { return FPageDown; }
    Byte GetPressedPart() const { return FState; }
    Byte GetHotPart() const { return FHotPart; }
    Integer GetMinThumbLength() const { return FMinThumbLength; }

protected:
    virtual void FireChange();
    virtual void FireScroll(TScrollCode code, Integer& position);

    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

    // Recomputes the arrows, then the thumb.
    void LayoutParts();
    void CalcThumb();
    void UpdateMinThumbLength();
    // The part's drawing state.
    TqzButtonState PartState(Byte part) const;

    void WMEraseBkgnd(TMessage& message);
    void WMCancelMode(TMessage& message);
    void WMSysColorChange(TMessage& message);
    void WMCtlColorScrollBar(TMessage& message);
    void CMVisibleChanged(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CNScroll(TMessage& message);

private:
    void LookAndFeelChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues changed);
    void ThemeChanged();
    void TimerTick(TObject* sender);
    void StopTracking();
    bool IsHorizontal() const { return FKind == sbHorizontal; }
    // Along the bar's axis.
    Integer Along(const TPoint& p) const { return IsHorizontal() ? p.x : p.y; }
    Integer Length() const { return IsHorizontal() ? GetWidth() : GetHeight(); }
    Integer TrackStart() const { return IsHorizontal() ? FFirstArrow.right : FFirstArrow.bottom; }
    Integer TrackEnd() const { return IsHorizontal() ? FSecondArrow.left : FSecondArrow.top; }
    Integer ThumbStart() const { return IsHorizontal() ? FThumb.left : FThumb.top; }
    Integer ThumbLength() const { return IsHorizontal() ? FThumb.right - FThumb.left : FThumb.bottom - FThumb.top; }
    void PlaceThumb(Integer start, Integer length);
    void SetPageAreas();
    Integer PositionFromThumb() const;

    TScrollBarKind FKind = sbHorizontal;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    Integer FMin = 0;
    Integer FMax = 100;
    Integer FPageSize = 0;
    Integer FPosition = 0;
    TScrollBarInc FSmallChange = 1;
    TScrollBarInc FLargeChange = 1;
    bool FUnlimitedTracking = false;

    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<TqzCanvas> FBitmapCanvas;
    std::unique_ptr<TybThemeChangedNotificator> FThemeNotificator;
    TRect FFirstArrow, FSecondArrow, FThumb, FPageUp, FPageDown;
    Integer FMinThumbLength = 8;
    Byte FState = qzsbpNone;
    Byte FHotPart = qzsbpNone;
    TPoint FTrackPressPoint;
    Integer FTrackPosition = 0;
    Integer FTrackThumbOrigin = 0;
    std::unique_ptr<TqzTimer> FTimer;
};
