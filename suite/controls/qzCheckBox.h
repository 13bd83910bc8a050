// The suite's check box: an editor whose edit value maps onto one of three states (unchecked,
// checked, grayed) and which draws a check glyph beside its caption in the look of its look and
// feel (standard, flat, ultra-flat, Office11 or the native visual style), or a strip of images
// of the user's own. It toggles by mouse, Space and its accelerator, and follows an action's
// Checked.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Graphics.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzTextEdit.h"

enum TqzCheckBoxState : Byte { cbsUnchecked, cbsChecked, cbsGrayed };
enum TqzCheckBoxNullValueShowingStyle : Byte { nssUnchecked, nssInactive, nssGrayedChecked };
enum TqzCheckGlyphState : Byte { cgsNormal, cgsHot, cgsPressed, cgsDisabled };

using TqzCheckStates = std::vector<TqzCheckBoxState>;

class TqzCustomCheckBox;

// ---- Properties --------------------------------------------------------------------------------

class TqzCustomCheckBoxProperties : public TqzCustomEditProperties {
    KOV_CLASS(TqzCustomCheckBoxProperties, TqzCustomEditProperties)
public:
    explicit TqzCustomCheckBoxProperties(TPersistent* owner);
    ~TqzCustomCheckBoxProperties() override;

    // From other check box properties inside one update (not the caption); anything else as the
    // base does.
    void Assign(TPersistent* source) override;
    // An old stored "Caption" of the properties is read into Caption, never written.
    void DefineProperties(TFiler* filer) override;

    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    bool HasSeparateChangeEvents() override { return true; }
    bool ComparesEditValues() override { return true; }
    TClass GetContainerClass() const override;
    TqzContainerStyleClass GetStyleClass() const override;
    // Equal when their states are.
    bool AreDisplayValuesEqual(const Variant& v1, const Variant& v2) override;
    // DisplayUnchecked, DisplayChecked or DisplayGrayed.
    WideString GetDisplayTextWide(const Variant& editValue) override;
    Integer GetSupportedOperations() override { return 0x2D2D; }
    bool IsActivationChar(char32_t ch) override { return ch == U' '; }
    // The base's answer, and the value is one of the three in type and value.
    bool IsEditValueValid(Variant& value, bool editing) override;
    // The state of the value as an integer variant.
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;

    // ---- Introduced virtuals, in slot order ----
    // Made on first read, its changes reported.
    virtual TBitmap* GetGlyph();
    virtual bool ShowsCaptionInplace() { return false; }

    // The state an edit value reads as: ValueChecked, ValueUnchecked (compared with Booleans as
    // text), anything else grayed.
    TqzCheckBoxState GetEditValueState(const Variant& editValue);
    // Equal in type and value to none of the three values.
    bool IsForeignValue(const Variant& value);

    // ---- Settings ----
    bool GetAllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    const String& GetCaption() const { return FCaption; }
    // Marks the caption assigned; a different text is a change.
    void SetCaption(const String& value);
    bool GetIsCaptionAssigned() const { return FIsCaptionAssigned; }
    void SetIsCaptionAssigned(bool value) { FIsCaptionAssigned = value; }
    const WideString& GetDisplayChecked() const { return FDisplayChecked; }
    void SetDisplayChecked(const WideString& value) { FDisplayChecked = value; }
    const WideString& GetDisplayGrayed() const { return FDisplayGrayed; }
    void SetDisplayGrayed(const WideString& value) { FDisplayGrayed = value; }
    const WideString& GetDisplayUnchecked() const { return FDisplayUnchecked; }
    void SetDisplayUnchecked(const WideString& value) { FDisplayUnchecked = value; }
    bool IsDisplayCheckedStored() const;
    bool IsDisplayGrayedStored() const;
    bool IsDisplayUncheckedStored() const;
    bool GetFullFocusRect() const { return FFullFocusRect; }
    void SetFullFocusRect(bool value);
    // nullptr frees the bitmap; anything else is copied into it.
    void SetGlyph(TBitmap* value);
    // Whether a bitmap exists (reading Glyph makes one).
    bool HasGlyphBitmap() const { return FGlyph != nullptr; }
    bool IsGlyphStored() const;
    Integer GetGlyphCount() const { return FGlyphCount; }
    void SetGlyphCount(Integer value);
    bool GetMultiLine() const { return FMultiLine; }
    void SetMultiLine(bool value);
    TqzCheckBoxNullValueShowingStyle GetNullStyle() const { return FNullStyle; }
    void SetNullStyle(TqzCheckBoxNullValueShowingStyle value);
    bool GetUseAlignmentWhenInplace() const { return FUseAlignmentWhenInplace; }
    void SetUseAlignmentWhenInplace(bool value);
    const Variant& GetValueChecked() const { return FValueChecked; }
    void SetValueChecked(const Variant& value);
    const Variant& GetValueGrayed() const { return FValueGrayed; }
    void SetValueGrayed(const Variant& value);
    const Variant& GetValueUnchecked() const { return FValueUnchecked; }
    void SetValueUnchecked(const Variant& value);
    bool IsValueCheckedStored() const;
    bool IsValueGrayedStored() const;
    bool IsValueUncheckedStored() const;
    // The horizontal part of the alignment.
    TAlignment GetHorzAlignment();
    void SetHorzAlignment(TAlignment value);
    bool IsHorzAlignmentStored();

private:
    void GlyphChanged(TObject* sender);
    void ReadCaption(TReader* reader);

    bool FAllowGrayed = false;
    String FCaption;
    WideString FDisplayChecked;
    WideString FDisplayGrayed;
    WideString FDisplayUnchecked;
    bool FFullFocusRect = false;
    std::unique_ptr<TBitmap> FGlyph;
    Integer FGlyphCount = 6;
    bool FIsCaptionAssigned = false;
    bool FMultiLine = false;
    TqzCheckBoxNullValueShowingStyle FNullStyle = nssGrayedChecked;
    bool FUseAlignmentWhenInplace = false;
    Variant FValueChecked;
    Variant FValueGrayed;
    Variant FValueUnchecked;
};

class TqzCheckBoxProperties : public TqzCustomCheckBoxProperties {
    KOV_CLASS(TqzCheckBoxProperties, TqzCustomCheckBoxProperties)
public:
    using TqzCustomCheckBoxProperties::TqzCustomCheckBoxProperties;
};

// ---- Style -------------------------------------------------------------------------------------

// The check box's normal style: it has no border of its own.
class TqzCheckBoxStyle : public TqzEditStyle {
    KOV_CLASS(TqzCheckBoxStyle, TqzEditStyle)
public:
    using TqzEditStyle::TqzEditStyle;
    static TqzContainerStyle* CreateInstance(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                             bool directAccess);
    bool SupportsBorder() override { return false; }
};

// ---- View --------------------------------------------------------------------------------------

class TqzCustomCheckBoxViewInfo;

class TqzCustomCheckBoxViewData : public TqzCustomEditViewData {
    KOV_CLASS(TqzCustomCheckBoxViewData, TqzCustomEditViewData)
public:
    using TqzCustomEditViewData::TqzCustomEditViewData;

    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) override;
    void CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size, TqzCustomEditViewInfo* viewInfo,
                                   TSize& minContentSize) override;
    TqzEditBorderStyle GetEffectiveBorderStyle() override { return ebsNone; }

    // ---- Introduced virtuals ----
    // Suite text-output flags of the caption.
    virtual TqzTextFlags GetCaptionTextFlags();

    TqzCustomCheckBoxProperties* GetCheckProperties() const;

protected:
    // Steps of the layout that depend on the state: the theme state and the focus rectangle.
    void CalculateStateParts(TqzCanvas* canvas, TqzCustomCheckBoxViewInfo* viewInfo);
    // The glyph state for the mouse point and buttons.
    TqzCheckGlyphState CalculateGlyphState(const TPoint& p, Integer button, TShiftState shift,
                                           TqzCustomCheckBoxViewInfo* viewInfo);
    bool IsNativeButtonUsable();
};

class TqzCustomCheckBoxViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzCustomCheckBoxViewInfo, TqzCustomTextEditViewInfo)
public:
    TqzCustomCheckBoxViewInfo() = default;
    static TqzContainerViewInfo* CreateInstance() { return new TqzCustomCheckBoxViewInfo(); }

    // The whole check box: background, glyph, caption and focus frame.
    void PaintBackground(TqzCanvas* canvas) override;
    void CopyFrom(TqzContainerViewInfo* source) override;
    std::unique_ptr<TqzRegion> GetChangedRegion(TqzContainerViewInfo* oldInfo) override;
    void MoveBy(Integer dx, Integer dy) override;
    bool HasHotButton() override { return true; }
    bool IsPointOverButton(const TPoint&) override { return true; }
    bool IsTextHintNeeded(const TPoint&, String&, bool&, TRect&) override { return false; }
    bool InvalidateChangesInRect(TWinControl* control, const TRect& innerRect, TqzCustomEditViewInfo* old) override;
    // The caption only.
    void PaintContent(TqzCanvas* canvas) override;

    TAlignment CaptionAlignment = taLeftJustify;
    Integer GlyphInset = 0;
    TqzEditBorderStyle GlyphBorderStyle = ebsNone;
    TBitmap* UserGlyph = nullptr;
    Integer UserGlyphCount = 0;
    TRect CheckGlyphRect;
    TqzCheckGlyphState CheckGlyphState = cgsNormal;
    TControl* EditControl = nullptr;
    TRect FocusRect;
    bool HasUserGlyph = false;
    bool TextColorAssigned = false;
    Integer ThemeStateId = 0;
    TqzCheckBoxNullValueShowingStyle NullValueShowingStyle = nssGrayedChecked;
    TqzCheckBoxState CheckState = cbsUnchecked;
    // The caption's text-output flags.
    TqzTextFlags CaptionFlags = 0;
    // Set by a host that paints the background itself.
    bool NoBackground = false;
    // Set when the background is see-through (parent image or native parent background).
    bool TransparentBackground = false;
};

// Draws a check glyph (Glyph: a user strip of glyphCount images, or nullptr).
void DrawCheckGlyph(TqzCanvas* canvas, const TRect& rect, TqzCheckBoxState state,
                    TqzCheckBoxNullValueShowingStyle nullStyle, bool focused, bool designing, bool opaque,
                    TColor backgroundColor, TColor borderColor, bool native, TqzEditBorderStyle borderStyle,
                    Integer glyphCount, TBitmap* glyph, TqzCheckGlyphState glyphState);
// One cell of the system check-box bitmap.
TSize SystemCheckGlyphSize();
// A cell-sized mask: black where the unchecked and checked cells of the system bitmap differ.
TBitmap* CheckMarkMask();
// The image index of a user glyph strip; image 0 when the index falls beyond the strip.
Integer CheckGlyphImageIndex(TqzCheckBoxState state, TqzCheckGlyphState glyphState, Integer glyphCount);
// Check-box part state ids (unchecked 1-4, checked 5-8, mixed 9-12) by state and glyph state.
Integer CheckBoxThemeState(TqzCheckBoxState state, TqzCheckGlyphState glyphState);

// ---- Action link -------------------------------------------------------------------------------

class TqzCheckBoxActionLink : public TControlActionLink {
    KOV_CLASS(TqzCheckBoxActionLink, TControlActionLink)
public:
    explicit TqzCheckBoxActionLink(TObject* client) : TControlActionLink(client) {}
    bool IsCheckedLinked() override;
    // Only when linked; silent (no OnClick, no OnChange).
    void SetChecked(bool value) override;
};

// ---- The check box -----------------------------------------------------------------------------

class TqzCustomCheckBox : public TqzCustomEdit {
    KOV_CLASS(TqzCustomCheckBox, TqzCustomEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomCheckBox(TComponent* owner, bool isInplace = false);

    // ---- Introduced virtuals ----
    virtual void Toggle();

    bool GetChecked() { return GetState() == cbsChecked; }
    // True checks, False unchecks (a grayed box too).
    void SetChecked(bool value);
    TqzCheckBoxState GetState();
    void SetState(TqzCheckBoxState value);
    bool IsStateStored();
    TqzCustomCheckBoxProperties* GetCheckProperties() const {
        return static_cast<TqzCustomCheckBoxProperties*>(GetProperties());
    }
    TqzCustomCheckBoxProperties* GetActiveCheckProperties() {
        return static_cast<TqzCustomCheckBoxProperties*>(GetPropertiesInUse());
    }
    TqzCustomCheckBoxViewInfo* GetCheckViewInfo() const {
        return static_cast<TqzCustomCheckBoxViewInfo*>(GetViewInfo());
    }
    bool IsKeyPressed() const { return FKeyPressed; }
    bool HasPendingState() const { return FHasPendingState; }

    // ---- Editor behaviour ----
    bool DefaultsToParentColor() override { return true; }
    TqzContainerStyleValues GetHiddenStyleValues() override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void HandleEditKeyUp(Word& key, TShiftState shift) override;
    void GetSizeParameters(TqzEditSizeParameters& parameters) override;
    void Initialize() override;
    void ApplyEditValue(const Variant& value, bool prepare) override;
    bool ClicksWhileLoading() override { return IsDataBound(); }
    bool HasOwnBackground() override;
    void HandleButtonStateChange(TqzCustomEditViewInfo* oldViewInfo) override;
    void ApplyActiveProperties(TObject* properties) override;
    void ClearValue() override { SetChecked(false); }
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    TClass GetPropertiesClass() override { return TqzCustomCheckBoxProperties::StaticClass(); }

protected:
    TqzCustomCheckBox(TComponent* owner, bool isInplace, bool deferInitialization);

    void Loaded() override;
    void ActionChange(TObject* sender, bool checkDefaults) override;
    TControlActionLink* CreateActionLink() override;
    void DoExit() override;

    void WMLButtonUp(TMessage& message);
    void CMDialogChar(TMessage& message);
    void CMParentColorChanged(TMessage& message);
    void CMTextChanged(TMessage& message);

private:
    friend class TqzCheckBoxActionLink;
    void InvalidateGlyph();

    bool FKeyPressed = false;
    bool FIsLoadingState = false;
    bool FHasPendingState = false;
    TqzCheckBoxState FPendingState = cbsUnchecked;
};

class TqzCheckBox : public TqzCustomCheckBox {
    KOV_CLASS(TqzCheckBox, TqzCustomCheckBox)
public:
    explicit TqzCheckBox(TComponent* owner);
    TqzCheckBox(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCheckBoxProperties::StaticClass(); }
    TqzCheckBoxProperties* GetCheckBoxProperties() const {
        return static_cast<TqzCheckBoxProperties*>(GetProperties());
    }
    void SetCheckBoxProperties(TqzCheckBoxProperties* value) { GetProperties()->Assign(value); }
};
