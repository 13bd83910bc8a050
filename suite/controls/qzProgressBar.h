// The suite's progress bar: a display-only editor that shows a numeric value between two bounds
// as a filled bar (solid, LED blocks, gradients or a tiled picture), with an overload zone in
// colours of its own, a peak-hold marker and a centred percentage or value text inverted where
// it lies over the fill. The edit value is the bar's position.
#pragma once

#include <memory>

#include "platform/classlib/Graphics.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzTextEdit.h"

enum TqzProgressBarBevelOuter : Byte { qzbvNone, qzbvLowered, qzbvRaised };
enum TqzProgressBarOrientation : Byte { qzorHorizontal, qzorVertical };
enum TqzProgressBarTextStyle : Byte { qztsPercent, qztsPosition };
enum TqzProgressBarBarStyle : Byte {
    qzbsSolid,
    qzbsLEDs,
    qzbsGradient,
    qzbsGradientLEDs,
    qzbsBitmap,
    qzbsBitmapLEDs
};
using TqzBorderWidth = Word;
using TqzNaturalNumber = Integer;

class TqzCustomProgressBarViewInfo;

// ---- Properties --------------------------------------------------------------------------------

class TqzCustomProgressBarProperties : public TqzCustomEditProperties {
    KOV_CLASS(TqzCustomProgressBarProperties, TqzCustomEditProperties)
public:
    explicit TqzCustomProgressBarProperties(TPersistent* owner);
    ~TqzCustomProgressBarProperties() override;

    // From other bar properties inside one update, through the setters; anything else as the base.
    void Assign(TPersistent* source) override;

    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    bool ComparesEditValues() override { return true; }
    bool HasSeparateChangeEvents() override { return true; }
    Integer GetSupportedOperations() override { return 0x809; }
    // A string converts as a number ("." the separator) or gives 0; numbers and dates as they
    // are; anything else 0.
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    // The prepared value as text, " %" appended for the percent style.
    WideString GetDisplayTextWide(const Variant& editValue) override;

    // A position outside Min..Max moves to the nearer bound (only when Min < Max).
    void ClampViewInfoPosition(TqzCustomProgressBarViewInfo* viewInfo);
    double ClampPosition(double position) const;
    // The peak held for a position shown; PeakValue rises silently.
    double TrackPeak(double position);

    TColor GetBeginColor() const { return FBeginColor; }
    void SetBeginColor(TColor value) { SetField(FBeginColor, value); }
    TqzProgressBarBevelOuter GetBarBevelOuter() const { return FBarBevelOuter; }
    void SetBarBevelOuter(TqzProgressBarBevelOuter value) { SetField(FBarBevelOuter, value); }
    TColor GetEndColor() const { return FEndColor; }
    void SetEndColor(TColor value) { SetField(FEndColor, value); }
    // Made on first read, its changes reported.
    TBitmap* GetForegroundImage();
    // nullptr frees the bitmap; anything else is copied into it.
    void SetForegroundImage(TBitmap* value);
    bool HasForegroundImage() const { return FForegroundImage != nullptr; }
    bool IsForegroundImageStored() const;
    double GetMin() const { return FMin; }
    void SetMin(double value);
    double GetMax() const { return FMax; }
    // Ignored unless above Min.
    void SetMax(double value);
    TqzProgressBarOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TqzProgressBarOrientation value) { SetField(FOrientation, value); }
    bool GetShowText() const { return FShowText; }
    void SetShowText(bool value) { SetField(FShowText, value); }
    TqzProgressBarTextStyle GetShowTextStyle() const { return FShowTextStyle; }
    void SetShowTextStyle(TqzProgressBarTextStyle value) { SetField(FShowTextStyle, value); }
    TqzProgressBarOrientation GetTextOrientation() const { return FTextOrientation; }
    void SetTextOrientation(TqzProgressBarOrientation value) { SetField(FTextOrientation, value); }
    bool GetSolidTextColor() const { return FSolidTextColor; }
    void SetSolidTextColor(bool value) { SetField(FSolidTextColor, value); }
    TqzProgressBarBarStyle GetBarStyle() const { return FBarStyle; }
    void SetBarStyle(TqzProgressBarBarStyle value) { SetField(FBarStyle, value); }
    bool GetTransparentImage() const { return FTransparentImage; }
    void SetTransparentImage(bool value) { SetField(FTransparentImage, value); }
    TqzBorderWidth GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(TqzBorderWidth value) { SetField(FBorderWidth, value); }
    double GetOverloadValue() const { return FOverloadValue; }
    void SetOverloadValue(double value);
    bool GetShowOverload() const { return FShowOverload; }
    void SetShowOverload(bool value) { SetField(FShowOverload, value); }
    TColor GetOverloadBeginColor() const { return FOverloadBeginColor; }
    void SetOverloadBeginColor(TColor value) { SetField(FOverloadBeginColor, value); }
    TColor GetOverloadEndColor() const { return FOverloadEndColor; }
    void SetOverloadEndColor(TColor value) { SetField(FOverloadEndColor, value); }
    double GetPeakValue() const { return FPeakValue; }
    void SetPeakValue(double value);
    bool GetShowPeak() const { return FShowPeak; }
    void SetShowPeak(bool value) { SetField(FShowPeak, value); }
    TColor GetPeakColor() const { return FPeakColor; }
    void SetPeakColor(TColor value) { SetField(FPeakColor, value); }
    TqzNaturalNumber GetPeakSize() const { return FPeakSize; }
    void SetPeakSize(TqzNaturalNumber value) { SetField(FPeakSize, std::max<TqzNaturalNumber>(1, value)); }

    bool IsMaxStored() const { return FMax != 100; }
    bool IsMinStored() const { return FMin != 0; }
    bool IsOverloadValueStored() const { return FOverloadValue != 80; }
    bool IsPeakValueStored() const { return FPeakValue != 0; }

private:
    template <class T> void SetField(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    void ForegroundImageChanged(TObject* sender);

    TColor FBeginColor = TColor(0x800000);
    TqzProgressBarBevelOuter FBarBevelOuter = qzbvNone;
    TColor FEndColor = TColor(0xFFFFFF);
    std::unique_ptr<TBitmap> FForegroundImage;
    double FMin = 0;
    double FMax = 100;
    TqzProgressBarOrientation FOrientation = qzorHorizontal;
    bool FShowText = true;
    TqzProgressBarTextStyle FShowTextStyle = qztsPercent;
    TqzProgressBarOrientation FTextOrientation = qzorHorizontal;
    bool FSolidTextColor = false;
    TqzProgressBarBarStyle FBarStyle = qzbsSolid;
    bool FTransparentImage = true;
    TqzBorderWidth FBorderWidth = 0;
    double FOverloadValue = 80;
    bool FShowOverload = false;
    TColor FOverloadBeginColor = TColor(0x8080FF);
    TColor FOverloadEndColor = TColor(0xFF00FF);
    double FPeakValue = 0;
    bool FShowPeak = false;
    TColor FPeakColor = TColor(0x0000FF);
    TqzNaturalNumber FPeakSize = 2;
};

class TqzProgressBarProperties : public TqzCustomProgressBarProperties {
    KOV_CLASS(TqzProgressBarProperties, TqzCustomProgressBarProperties)
public:
    using TqzCustomProgressBarProperties::TqzCustomProgressBarProperties;
};

// ---- View --------------------------------------------------------------------------------------

class TqzCustomProgressBarViewData : public TqzCustomEditViewData {
    KOV_CLASS(TqzCustomProgressBarViewData, TqzCustomEditViewData)
public:
    using TqzCustomEditViewData::TqzCustomEditViewData;

    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue,
                             TqzCustomEditViewInfo* viewInfo) override;
    void CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                   TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) override;

    // ---- Introduced virtuals, in slot order ----
    virtual void LoadViewInfoFromProperties(TqzCustomProgressBarViewInfo* viewInfo);
    virtual Integer GetDrawTextFlags() { return 0; }

    TqzCustomProgressBarProperties* GetBarProperties() const {
        return static_cast<TqzCustomProgressBarProperties*>(FProperties);
    }
};

class TqzCustomProgressBarViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzCustomProgressBarViewInfo, TqzCustomTextEditViewInfo)
public:
    TqzCustomProgressBarViewInfo();
    ~TqzCustomProgressBarViewInfo() override;
    static TqzContainerViewInfo* CreateInstance() { return new TqzCustomProgressBarViewInfo(); }

    void MoveBy(Integer dx, Integer dy) override;
    void Draw(TqzCanvas* canvas) override;
    bool IsTextHintNeeded(const TPoint&, String&, bool&, TRect&) override { return false; }
    void PaintContent(TqzCanvas*) override {}

    // ---- Introduced virtuals ----
    virtual void PaintBar(TqzCanvas* canvas);

    // The text drawn on the bar for the position.
    String GetBarText() const;

    TColor BeginColor = TColor(0x800000);
    TqzProgressBarBevelOuter BarBevelOuter = qzbvNone;
    TColor EndColor = TColor(0xFFFFFF);
    double Min = 0;
    double Max = 100;
    double Position = 0;
    std::unique_ptr<TBitmap> Tile;
    TqzProgressBarOrientation Orientation = qzorHorizontal;
    bool ShowText = true;
    TqzProgressBarTextStyle ShowTextStyle = qztsPercent;
    TqzProgressBarOrientation TextOrientation = qzorHorizontal;
    bool SolidTextColor = false;
    TqzProgressBarBarStyle BarStyle = qzbsSolid;
    double OverloadValue = 80;
    TColor OverloadBeginColor = TColor(0x8080FF);
    TColor OverloadEndColor = TColor(0xFF00FF);
    bool ShowOverload = false;
    double Peak = 0;
    TColor PeakColor = TColor(0x0000FF);
    TqzNaturalNumber PeakSize = 2;
    bool ShowPeak = false;
    bool HasOverloadPart = false;
    bool PeakDrawn = false;
    bool TransparentBar = false;
    TRect BarRect;
    TRect NormalRect;
    TRect OverloadRect;
    TRect PeakRect;
    // Where the fill may go.
    TRect InnerRect;
    TqzCustomEdit* Owner = nullptr;

private:
    struct TBarPainter;
};

// Blend(c1, c2, d, n) of the bar's gradients, each channel Trunc(c1 + (c2 - c1) * d / n); n below
// 1 gives c1.
TColor BlendBarColor(TColor c1, TColor c2, Integer d, Integer n);
// Round((position - min) / range * 100), halves to even, at most 100; the range counts as 1
// below 1.
Integer BarPercent(double position, double min, double max);

// ---- The bar -----------------------------------------------------------------------------------

class TqzCustomProgressBar : public TqzCustomEdit {
    KOV_CLASS(TqzCustomProgressBar, TqzCustomEdit)
public:
    explicit TqzCustomProgressBar(TComponent* owner, bool isInplace = false);

    void Initialize() override;
    TClass GetPropertiesClass() override { return TqzCustomProgressBarProperties::StaticClass(); }
    void ApplyActiveProperties(TObject* properties) override;
    void SynchronizeDisplayValue() override;
    void GetSizeParameters(TqzEditSizeParameters& parameters) override;
    bool DefaultsToParentColor() override { return true; }
    TqzContainerStyleValues GetHiddenStyleValues() override;
    bool CanFocusOnClick() override;
    bool CanFocus() const override;

    // ---- Introduced virtuals, in slot order ----
    virtual void ClampValueToBounds();
    virtual void EnforceValueBounds();

    double GetPosition() const;
    void SetPosition(double value);
    bool IsPositionStored() const { return GetPosition() != 0; }
    TqzCustomProgressBarProperties* GetActiveBarProperties() {
        return static_cast<TqzCustomProgressBarProperties*>(GetPropertiesInUse());
    }
    TqzCustomProgressBarViewInfo* GetBarViewInfo() const {
        return static_cast<TqzCustomProgressBarViewInfo*>(GetViewInfo());
    }

protected:
    TqzCustomProgressBar(TComponent* owner, bool isInplace, bool deferInitialization);
};

class TqzProgressBar : public TqzCustomProgressBar {
    KOV_CLASS(TqzProgressBar, TqzCustomProgressBar)
public:
    explicit TqzProgressBar(TComponent* owner);
    TqzProgressBar(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzProgressBarProperties::StaticClass(); }
    // The bar's own properties, typed (owned by the bar; never null).
    TqzProgressBarProperties* GetProperties() const {
        return static_cast<TqzProgressBarProperties*>(TqzCustomEdit::GetProperties());
    }
    TqzProgressBarProperties* GetBarProperties() const {
        return static_cast<TqzProgressBarProperties*>(GetProperties());
    }
    void SetBarProperties(TqzProgressBarProperties* value) { GetProperties()->Assign(value); }
};
