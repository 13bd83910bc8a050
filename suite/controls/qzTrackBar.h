// The suite's slider: an editor whose value is an integer position between Min and Max, drawn as
// a thumb over a track with an optional highlighted selection and tick marks or numbers on
// either side; keys, clicks and drags move it. The properties also keep the geometry of the
// last layout (track, thumb hit rectangle, pixels per unit) for hit-testing.
#pragma once

#include <memory>

#include "platform/classlib/Graphics.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "suite/foundation/qzLookAndFeels.h"

enum TqzTrackBarOrientation : Byte { tboHorizontal, tboVertical };
enum TqzTrackBarTextOrientation : Byte { tbtoHorizontal, tbtoVertical };
enum TqzTrackBarThumbType : Byte { qzttNone, qzttRegular, qzttCustom };
enum TqzTrackBarTickType : Byte { tbttTicks, tbttNumbers, tbttValueNumber };
enum TqzTrackBarTickMarks : Byte { qztmBoth, qztmTopLeft, qztmBottomRight };
enum TqzTrackBarThumbStep : Byte { qztsNormal, qztsJump };
using TqzTrackBarNaturalNumber = Integer;

class TqzCanvas;
class TqzCustomTrackBar;
class TqzCustomTrackBarViewInfo;

// Sender is the properties object in use.
using TqzGetThumbRectEvent = TClosure<void(TObject* sender, TRect& rect)>;
using TqzDrawThumbEvent = TClosure<void(TObject* sender, TqzCanvas* canvas, const TRect& rect)>;

// Thumb states: the theme's state ids of the thumb.
constexpr Integer TrackBarThumbNormal = 1;
constexpr Integer TrackBarThumbHot = 2;
constexpr Integer TrackBarThumbPressed = 3;
constexpr Integer TrackBarThumbDisabled = 5;

// ---- Properties --------------------------------------------------------------------------------

class TqzCustomTrackBarProperties : public TqzCustomEditProperties {
    KOV_CLASS(TqzCustomTrackBarProperties, TqzCustomEditProperties)
public:
    explicit TqzCustomTrackBarProperties(TPersistent* owner);
    ~TqzCustomTrackBarProperties() override;

    // From other track-bar properties inside one update through the setters (ThumbStep stays);
    // anything else as the base.
    void Assign(TPersistent* source) override;

    TClass GetContainerClass() const override;
    TqzContainerStyleClass GetStyleClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    bool ComparesEditValues() override { return true; }
    bool HasSeparateChangeEvents() override { return false; }
    Integer GetSupportedOperations() override { return 0x280D; }
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    WideString GetDisplayTextWide(const Variant& editValue) override;

    Integer ClampPosition(Int64 value) const;
    // Null, empty, floating-point and other non-ordinal values give Min; an integer text gives
    // its kept digits (Min when those form no integer).
    Integer ValueToInteger(const Variant& value) const;
    // Max - Min computed wide, 1 when 0.
    Int64 Range() const;

    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { SetField(FAutoSize, value); }
    Integer GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(Integer value) { SetField(FBorderWidth, value < 0 ? 0 : value); }
    Integer GetFrequency() const { return FFrequency; }
    void SetFrequency(Integer value) { SetField(FFrequency, value < 0 ? 0 : value); }
    Integer GetMin() const { return FMin; }
    void SetMin(Integer value);
    Integer GetMax() const { return FMax; }
    void SetMax(Integer value);
    TqzTrackBarOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TqzTrackBarOrientation value) { SetField(FOrientation, value); }
    TqzTrackBarTextOrientation GetTextOrientation() const { return FTextOrientation; }
    void SetTextOrientation(TqzTrackBarTextOrientation value) { SetField(FTextOrientation, value); }
    TqzTrackBarNaturalNumber GetPageSize() const { return FPageSize; }
    void SetPageSize(TqzTrackBarNaturalNumber value) { SetField(FPageSize, value); }
    Integer GetSelectionStart() const { return FSelectionStart; }
    void SetSelectionStart(Integer value) { SetField(FSelectionStart, value); }
    Integer GetSelectionEnd() const { return FSelectionEnd; }
    void SetSelectionEnd(Integer value) { SetField(FSelectionEnd, value); }
    TColor GetSelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor value) { SetField(FSelectionColor, value); }
    bool GetShowTicks() const { return FShowTicks; }
    void SetShowTicks(bool value) { SetField(FShowTicks, value); }
    TqzTrackBarThumbType GetThumbType() const { return FThumbType; }
    void SetThumbType(TqzTrackBarThumbType value) { SetField(FThumbType, value); }
    bool GetShowTrack() const { return FShowTrack; }
    void SetShowTrack(bool value) { SetField(FShowTrack, value); }
    TColor GetTickColor() const { return FTickColor; }
    void SetTickColor(TColor value) { SetField(FTickColor, value); }
    TqzTrackBarTickType GetTickType() const { return FTickType; }
    void SetTickType(TqzTrackBarTickType value) { SetField(FTickType, value); }
    TqzTrackBarTickMarks GetTickMarks() const { return FTickMarks; }
    void SetTickMarks(TqzTrackBarTickMarks value) { SetField(FTickMarks, value); }
    TqzTrackBarNaturalNumber GetTickSize() const { return FTickSize; }
    void SetTickSize(TqzTrackBarNaturalNumber value) { SetField(FTickSize, value); }
    TColor GetTrackColor() const { return FTrackColor; }
    void SetTrackColor(TColor value) { SetField(FTrackColor, value); }
    Integer GetTrackSize() const { return FTrackSize; }
    void SetTrackSize(Integer value) { SetField(FTrackSize, value); }
    Integer GetThumbHeight() const { return FThumbHeight; }
    void SetThumbHeight(Integer value) { SetField(FThumbHeight, value); }
    Integer GetThumbWidth() const { return FThumbWidth; }
    void SetThumbWidth(Integer value) { SetField(FThumbWidth, value); }
    TColor GetThumbColor() const { return FThumbColor; }
    void SetThumbColor(TColor value) { SetField(FThumbColor, value); }
    TColor GetThumbHighlightColor() const { return FThumbHighlightColor; }
    void SetThumbHighlightColor(TColor value) { SetField(FThumbHighlightColor, value); }
    TqzTrackBarThumbStep GetThumbStep() const { return FThumbStep; }
    // Written straight, without a change notice.
    void SetThumbStep(TqzTrackBarThumbStep value) { FThumbStep = value; }

    // The geometry of the last layout.
    TRect CachedTrackRect;
    TRect CachedThumbHitRect;
    double CachedPixelsPerUnit = 0;

    TqzGetThumbRectEvent OnGetThumbRect;
    TqzDrawThumbEvent OnDrawThumb;

private:
    template <class T> void SetField(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed();
    }

    bool FAutoSize = true;
    Integer FBorderWidth = 0;
    Integer FFrequency = 1;
    Integer FMin = 0;
    Integer FMax = 10;
    TqzTrackBarOrientation FOrientation = tboHorizontal;
    TqzTrackBarTextOrientation FTextOrientation = tbtoHorizontal;
    TqzTrackBarNaturalNumber FPageSize = 1;
    Integer FSelectionStart = 0;
    Integer FSelectionEnd = 0;
    TColor FSelectionColor = clHighlight;
    bool FShowTicks = true;
    TqzTrackBarThumbType FThumbType = qzttRegular;
    bool FShowTrack = true;
    TColor FTickColor = clWindowText;
    TqzTrackBarTickType FTickType = tbttTicks;
    TqzTrackBarTickMarks FTickMarks = qztmBottomRight;
    TqzTrackBarNaturalNumber FTickSize = 3;
    TColor FTrackColor = clWindow;
    Integer FTrackSize = 5;
    Integer FThumbHeight = 12;
    Integer FThumbWidth = 7;
    TColor FThumbColor = clBtnFace;
    TColor FThumbHighlightColor = TColor(0xC0C0C0);
    TqzTrackBarThumbStep FThumbStep = qztsNormal;
};

class TqzTrackBarProperties : public TqzCustomTrackBarProperties {
    KOV_CLASS(TqzTrackBarProperties, TqzCustomTrackBarProperties)
public:
    using TqzCustomTrackBarProperties::TqzCustomTrackBarProperties;
};

// Normal style without a border, no hot tracking.
class TqzTrackBarStyle : public TqzEditStyle {
    KOV_CLASS(TqzTrackBarStyle, TqzEditStyle)
public:
    using TqzEditStyle::TqzEditStyle;
    static TqzContainerStyle* CreateInstance(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                             bool directAccess);
    TqzContainerBorderStyle DefaultBorderStyle() override;
    bool DefaultHotTrack() override { return false; }
};

// ---- View --------------------------------------------------------------------------------------

enum TqzTrackBarTickSide : Byte { tsTopLeft, tsBottomRight };

class TqzCustomTrackBarViewData : public TqzCustomEditViewData {
    KOV_CLASS(TqzCustomTrackBarViewData, TqzCustomEditViewData)
public:
    using TqzCustomEditViewData::TqzCustomEditViewData;

    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) override;
    void CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size, TqzCustomEditViewInfo* viewInfo,
                                   TSize& minContentSize) override;

    // ---- Introduced virtuals, in slot order ----
    virtual void CalculateLayout(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* viewInfo);
    virtual Integer GetTickAreaSize(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* viewInfo,
                                    TqzTrackBarTickSide side);
    virtual void LoadViewInfoFromProperties(TqzCustomTrackBarViewInfo* viewInfo);
    virtual void CalculateClientArea(TqzCustomTrackBarViewInfo* viewInfo);
    virtual void CalculateBarRect(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* viewInfo);
    virtual void CalculateTrackRect(TqzCustomTrackBarViewInfo* viewInfo);
    virtual void CalculateThumbMetrics(TqzCustomTrackBarViewInfo* viewInfo);
    virtual void CalculateThumbRect(TqzCanvas* canvas, TqzCustomTrackBarViewInfo* viewInfo);
    virtual void CalculateSelection(TqzCustomTrackBarViewInfo* viewInfo);

    TqzCustomTrackBarProperties* GetTrackBarProperties() const {
        return static_cast<TqzCustomTrackBarProperties*>(FProperties);
    }

private:
    // The custom thumb's rectangle when a handler gives one.
    bool GetCustomThumbRect(TRect& rect);
};

class TqzCustomTrackBarViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzCustomTrackBarViewInfo, TqzCustomTextEditViewInfo)
public:
    TqzCustomTrackBarViewInfo();
    ~TqzCustomTrackBarViewInfo() override;
    static TqzContainerViewInfo* CreateInstance() { return new TqzCustomTrackBarViewInfo(); }

    void CopyFrom(TqzContainerViewInfo* source) override;
    void MoveBy(Integer dx, Integer dy) override;
    void Draw(TqzCanvas* canvas) override;
    bool HasHotButton() override { return true; }
    bool IsPointOverButton(const TPoint&) override { return true; }
    bool IsTextHintNeeded(const TPoint&, String&, bool&, TRect&) override { return false; }
    void PaintContent(TqzCanvas*) override {}

    // ---- Introduced virtuals, in slot order ----
    virtual void DrawTrack(TqzCanvas* canvas);
    virtual void DrawSelection(TqzCanvas* canvas);
    virtual void DrawTicks(TqzCanvas* canvas);
    virtual void DrawThumb(TqzCanvas* canvas);
    virtual void GetThumbHitRect(TqzCanvas* canvas, TRect& rect);
    virtual Integer GetThumbPartId();
    virtual void DrawContent(TqzCanvas* canvas);

    // The native look of the track-bar theme is usable through the look and feel.
    bool UsesNativeLook() const;
    // The values marked along the bar, in order, and how each is drawn; at most one mark of a
    // kind per pixel.
    struct TTickMark {
        Int64 Value;
        Integer Pos; // x (horizontal) or y (vertical)
        Integer Length;
        bool Number;
    };
    std::vector<TTickMark> GetTickMarks() const;

    std::unique_ptr<TqzLookAndFeel> LookAndFeel;
    Integer Position = 0;
    Integer SelectionEnd = 0;
    Integer SelectionStart = 0;
    bool HasSelection = false;
    std::unique_ptr<TBitmap> WorkBitmap;
    std::unique_ptr<TqzCanvas> WorkCanvas;
    Integer ThumbHeight = 12;
    Integer ThumbWidth = 7;
    Integer ThumbState = TrackBarThumbNormal;
    Integer TrackThickness = 5;
    TRect ControlClientRect;
    TRect RelativeClientRect;
    TRect BarRect;
    TRect TrackRect;
    TRect ThumbRect;
    TRect SelectionRect;
    Integer Margin = 7;
    TqzCustomTrackBar* TrackBar = nullptr;
    // Bit 0 mouse inside, bit 1 over the thumb, bit 2 dragging.
    Integer MouseFlags = 0;
    bool PointerThumb = true;
    Integer ThumbCrossSize = 0;
    Integer ThumbSize = 0;
    TColor TickColor = clWindowText;
    double PixelsPerUnit = 0;
    Integer EffectiveBorderWidth = 0;

    // From the properties (copied by the layout).
    Integer Min = 0;
    Integer Max = 10;
    Integer Frequency = 1;
    TqzTrackBarOrientation Orientation = tboHorizontal;
    TqzTrackBarTextOrientation TextOrientation = tbtoHorizontal;
    TqzTrackBarTickType TickType = tbttTicks;
    TqzTrackBarTickMarks TickMarksKind = qztmBottomRight;
    Integer TickSize = 3;
    bool ShowTrack = true;
    bool ShowTicks = true;
    TqzTrackBarThumbType ThumbType = qzttRegular;
    TColor TrackColor = clWindow;
    TColor SelectionColor = clHighlight;
    TColor ThumbColor = clBtnFace;
    TColor ThumbHighlightColor = TColor(0xC0C0C0);
    bool TransparentBar = false;
    TqzCustomTrackBarProperties* PropertiesInUse = nullptr;

private:
    void DrawPointerThumb(TqzCanvas* canvas, TColor color);
};

// Mouse flags of the view info.
constexpr Integer TrackBarMouseInside = 1;
constexpr Integer TrackBarMouseOverThumb = 2;
constexpr Integer TrackBarDragging = 4;

// ---- The control -------------------------------------------------------------------------------

class TqzCustomTrackBar : public TqzCustomEdit {
    KOV_CLASS(TqzCustomTrackBar, TqzCustomEdit)
public:
    explicit TqzCustomTrackBar(TComponent* owner, bool isInplace = false);

    void Initialize() override;
    TClass GetPropertiesClass() override { return TqzCustomTrackBarProperties::StaticClass(); }
    void SynchronizeDisplayValue() override { UpdateViewAtCursor(); }
    bool HandlesNavigationKeys() override { return true; }
    void GetSizeParameters(TqzEditSizeParameters& parameters) override;
    bool DefaultsToParentColor() override { return true; }
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyUp(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseEnter(TControl* control) override;
    void HandleMouseLeave(TControl* control) override;
    void HandleWindowMessage(TMessage& message) override;

    Integer GetPosition();
    void SetPosition(Integer value);
    void SetPositionFromUser(Int64 value);
    void UpdateSelection(Integer value);
    bool IsSelecting() const { return FSelecting; }
    Integer GetSelectionAnchor() const { return FSelectionAnchor; }

    TqzCustomTrackBarProperties* GetActiveTrackBarProperties() {
        return static_cast<TqzCustomTrackBarProperties*>(GetPropertiesInUse());
    }
    TqzCustomTrackBarProperties* GetOwnTrackBarProperties() const {
        return static_cast<TqzCustomTrackBarProperties*>(GetProperties());
    }
    TqzCustomTrackBarViewInfo* GetTrackBarViewInfo() const {
        return static_cast<TqzCustomTrackBarViewInfo*>(GetViewInfo());
    }

protected:
    TqzCustomTrackBar(TComponent* owner, bool isInplace, bool deferInitialization);

private:
    void SetMouseFlags(Integer flags);

    bool FSelecting = false;
    Integer FSelectionAnchor = 0;
};

class TqzTrackBar : public TqzCustomTrackBar {
    KOV_CLASS(TqzTrackBar, TqzCustomTrackBar)
public:
    explicit TqzTrackBar(TComponent* owner);
    TqzTrackBar(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzTrackBarProperties::StaticClass(); }
    TqzTrackBarProperties* GetProperties() const {
        return static_cast<TqzTrackBarProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetTrackBarProperties(TqzTrackBarProperties* value) { GetProperties()->Assign(value); }
    bool IsPositionStored() { return GetPosition() != 0; }
};

// Removes the track bar from the editor registry (shut-down).
void TrackBarUnitFinalize();
