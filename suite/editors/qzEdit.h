// The editor framework's base unit.
//
// Editor properties: every editor keeps its settings and events in a properties object that
// many editors may share through a repository item, with assigned-value flags, an alignment
// object, a default-values provider through which a data-bound editor gets its defaults, and a
// change protocol that tells the owner (an editor or a repository item) once per batch.
//
// Edit buttons: the button items of an editor's properties and the view info a calculation
// makes of each visible one.
//
// Edit repository: components owning repository items, each with one properties object whose
// changes reach every editor listening to the item; the registry of editor properties classes;
// and the unit's process-wide services (the wheel cursor, the list of live properties objects,
// the filter-text hook of the data controller) with a few shared routines.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Alignment.h"
#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Variant.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/qzGraphics.h"

class TqzCustomEdit;
class TqzCustomEditProperties;
class TqzCustomEditViewData;
class TqzCustomEditViewInfo;
class TqzEditRepository;
class TqzEditRepositoryItem;
class TqzCustomEditStyle;
struct TqzEditSizeParameters;

// Class references of the view: the factories of view datas and view infos.
using TqzCustomEditViewDataClass = TqzCustomEditViewData* (*)(TqzCustomEditProperties* properties,
                                                               TqzCustomEditStyle* style, bool isInplace);
// A container view info factory that makes a TqzCustomEditViewInfo (or a descendant).
using TqzCustomEditViewInfoClass = TqzContainerViewInfo* (*)();

// ---- Shared types ----------------------------------------------------------------------------

enum TqzEditVertAlignment : Byte { taTopJustify, taBottomJustify, taVCenter };

enum TqzEditButtonKind : Byte { bkEllipsis, bkDown, bkGlyph, bkText };
enum TqzEditButtonStyle : Byte {
    btsDefault,
    bts3D,
    btsFlat,
    btsSimple,
    btsHotFlat,
    btsUltraFlat,
    btsOffice11
};
enum TqzEditButtonTransparency : Byte { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
enum TqzEditPopupBorderStyle : Byte { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
enum TqzEditBorderStyle : Byte { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };

// How a drop-down editor's popup closed: 0 without accepting, 1 Tab, 2 toggle key, 3 cancel,
// 4 accept.
using TqzEditCloseUpReason = Integer;

using TqzEditButtonClickEvent = TClosure<void(TObject* Sender, Integer AButtonIndex)>;
using TqzEditClosePopupEvent = TClosure<void(TObject* Sender, TqzEditCloseUpReason Reason)>;
using TqzEditValidateEvent =
    TClosure<void(TObject* Sender, Variant& DisplayValue, String& ErrorText, bool& Error)>;

// GetDisplayFormatOptions: display formatting applies; currency formatting is not accepted.
constexpr Byte qzdfoSupported = 0x01;
constexpr Byte qzdfoNoCurrencyValue = 0x02;
// GetSupportedOperations: bit 5, the editor has buttons.
constexpr Integer qzesoShowingButtons = 1 << 5;

// ---- Default values provider -----------------------------------------------------------------

// Where a data-bound editor gets its defaults. {AE727882-6FDF-4E3A-AB35-E58AB28EFE7B}
class IqzEditDefaultValuesProvider : public virtual IInterface {
public:
    // Every live properties object that holds this provider drops it.
    virtual void ClearUsers() = 0;
    virtual TAlignment GetDefaultAlignment() = 0;
    virtual Integer GetDefaultBlobEditKind() = 0;
    virtual bool CanModifyValue() = 0;
    virtual String GetDefaultDisplayFormat() = 0;
    virtual String GetDefaultEditFormat() = 0;
    virtual String GetDefaultEditMask() = 0;
    virtual bool IsFloatValueSource() = 0;
    virtual Integer GetDefaultMaxLength() = 0;
    virtual Extended GetDefaultMaxValue() = 0;
    virtual Extended GetDefaultMinValue() = 0;
    virtual Integer GetDefaultDecimalPrecision() = 0;
    virtual bool GetDefaultReadOnly() = 0;
    virtual bool GetDefaultRequired() = 0;
    virtual TObject* GetProviderObject() = 0;
    virtual bool IsDataBound() = 0;
    virtual bool IsBlobValueSource() = 0;
    virtual bool IsCurrencyValueSource() = 0;
    virtual bool IsSourceActive() = 0;
    virtual bool HasSourceDisplayFormat(bool currencyAllowed) = 0;
    virtual bool HasImplicitDisplayFormat() = 0;
    virtual bool IsValidCharForSource(char32_t ch) = 0;
};

// The neutral provider; the data-bound one answers from its field.
class TqzCustomEditDefaultValuesProvider : public TqzInterfacedPersistent,
                                           public IqzEditDefaultValuesProvider {
    KOV_CLASS(TqzCustomEditDefaultValuesProvider, TqzInterfacedPersistent)
public:
    explicit TqzCustomEditDefaultValuesProvider(TPersistent* owner);
    // Its users drop it first.
    ~TqzCustomEditDefaultValuesProvider() override;

    void ClearUsers() final;
    TObject* GetProviderObject() final { return this; }

    TAlignment GetDefaultAlignment() override { return taLeftJustify; }
    Integer GetDefaultBlobEditKind() override { return 3; }
    bool CanModifyValue() override { return true; }
    String GetDefaultDisplayFormat() override { return String(); }
    String GetDefaultEditFormat() override { return String(); }
    String GetDefaultEditMask() override { return String(); }
    bool IsFloatValueSource() override { return false; }
    Integer GetDefaultMaxLength() override { return 0; }
    Extended GetDefaultMaxValue() override { return 0.0L; }
    Extended GetDefaultMinValue() override { return 0.0L; }
    Integer GetDefaultDecimalPrecision() override { return 15; }
    bool GetDefaultReadOnly() override { return false; }
    bool GetDefaultRequired() override { return false; }
    bool IsBlobValueSource() override { return false; }
    bool IsCurrencyValueSource() override { return false; }
    bool IsSourceActive() override { return true; }
    bool IsDataBound() override { return false; }
    bool HasSourceDisplayFormat(bool currencyAllowed) override { return false; }
    bool HasImplicitDisplayFormat() override { return false; }
    bool IsValidCharForSource(char32_t ch) override { return true; }

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
};

// ---- Alignment and assigned values -----------------------------------------------------------

class TqzEditAlignment : public TPersistent {
    KOV_CLASS(TqzEditAlignment, TPersistent)
public:
    explicit TqzEditAlignment(TqzCustomEditProperties* owner = nullptr);

    // From another alignment: Horz, Vert and the assigned mark; then a change.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;
    // Horz no longer assigned; a change.
    void Reset();

    TAlignment GetHorz() const { return FHorz; }
    // Marks Horz assigned; nothing when it is assigned and equal.
    void SetHorz(TAlignment value);
    bool IsHorzAssigned() const { return FIsHorzAssigned; }
    TqzEditVertAlignment GetVert() const { return FVert; }
    void SetVert(TqzEditVertAlignment value);

    bool IsHorzStored() const { return FIsHorzAssigned; }
    bool IsVertStored() const { return FVert != taTopJustify; }

    // Runs (with this alignment as sender) on every change.
    TNotifyEvent OnChanged;

private:
    friend class TqzCustomEditProperties;
    void DoChanged();

    TqzCustomEditProperties* FOwner;
    TAlignment FHorz = taLeftJustify;
    bool FIsHorzAssigned = false;
    TqzEditVertAlignment FVert = taTopJustify;
};

// Which assignable settings of a properties object were set; descendants add a flag per
// setting. Made by the properties object from its GetAssignedValuesClass.
class TqzCustomEditPropertiesValues : public TPersistent {
    KOV_CLASS(TqzCustomEditPropertiesValues, TPersistent)
public:
    TqzCustomEditPropertiesValues() = default;

    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override;
    TqzCustomEditProperties* GetProperties() const { return FOwner; }

    void BeginUpdate();
    void EndUpdate(bool notify = true);
    // Clears every flag.
    virtual void ResetAssignedValues();
    void Changed();
    // The owner publishes a property of that name.
    bool OwnerHasProperty(const String& name) const;

    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

private:
    friend class TqzCustomEditProperties;
    TqzCustomEditProperties* FOwner = nullptr;
    bool FReadOnly = false;
};

// ---- Edit buttons ----------------------------------------------------------------------------

class TqzEditButtons;

class TqzEditButton : public TCollectionItem {
    KOV_CLASS(TqzEditButton, TCollectionItem)
public:
    explicit TqzEditButton(TCollection* collection);
    ~TqzEditButton() override;

    // From another button, inside one update of the collection.
    void Assign(TPersistent* source) override;

    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value);
    // The caption without accelerator prefixes.
    const String& GetVisibleCaption() const { return FVisibleCaption; }
    bool GetDefault() const { return FDefault; }
    // True clears Default on every other button of the collection first.
    void SetDefault(bool value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Made on first read.
    TBitmap* GetGlyph();
    // nullptr frees the bitmap; anything else is copied into it.
    void SetGlyph(TBitmap* value);
    // Whether a bitmap exists (reading Glyph makes one).
    bool HasGlyph() const { return FGlyph != nullptr; }
    TqzEditButtonKind GetKind() const { return FKind; }
    void SetKind(TqzEditButtonKind value);
    bool GetLeftAlignment() const { return FLeftAlignment; }
    void SetLeftAlignment(bool value);
    bool GetStretchable() const { return FStretchable; }
    void SetStretchable(bool value);
    TColor GetTextColor() const { return FTextColor; }
    void SetTextColor(TColor value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    Integer GetWidth() const { return FWidth; }
    // Ignored once the stored width is negative.
    void SetWidth(Integer value);

    bool IsGlyphStored() const;

private:
    void GlyphChanged(TObject* sender);
    TqzEditButtons* OwnButtons() const;

    String FCaption;
    String FVisibleCaption;
    bool FDefault = false;
    bool FEnabled = true;
    std::unique_ptr<TBitmap> FGlyph;
    TqzEditButtonKind FKind = bkDown;
    bool FLeftAlignment = false;
    bool FStretchable = true;
    TColor FTextColor = clBtnText;
    bool FVisible = true;
    Integer FWidth = 0;
};

class TqzEditButtons : public TOwnedCollection {
    KOV_CLASS(TqzEditButtons, TOwnedCollection)
public:
    TqzEditButtons(TPersistent* owner, TCollectionItemClass buttonClass);

    TqzEditButton* GetItem(Integer index) const { return static_cast<TqzEditButton*>(GetItems(index)); }
    void SetItem(Integer index, TqzEditButton* value) { SetItems(index, value); }
    Integer GetVisibleCount() const;

    // Runs (with the collection as sender) on every reported change.
    TNotifyEvent OnChange;

protected:
    void Update(TCollectionItem* item) override;
};

// What a view calculation found for one visible button.
struct TqzEditButtonViewInfoData {
    TColor BackgroundColor = clBtnFace;
    String Caption;
    bool Default = false;
    bool Gradient = false;
    bool IsInplace = false;
    TqzEditButtonKind Kind = bkDown;
    bool LeftAlignment = false;
    bool Leftmost = false;
    bool NativeStyle = false;
    bool Rightmost = false;
    // 0 disabled, 1 normal, 2 pressed, 3 hot.
    Integer State = 1;
    TqzEditButtonStyle Style = btsDefault;
    TColor TextColor = clBtnText;
    bool Transparent = false;
    String VisibleCaption;
    bool NativePartiallyTransparent = false;
    bool ComboBoxStyle = false;
    Integer NativePart = 0;
    Integer NativeState = 0;
};

constexpr Integer qzebsDisabled = 0;
constexpr Integer qzebsNormal = 1;
constexpr Integer qzebsPressed = 2;
constexpr Integer qzebsHot = 3;

class TqzEditButtonViewInfo : public TPersistent {
    KOV_CLASS(TqzEditButtonViewInfo, TPersistent)
public:
    TqzEditButtonViewInfo() = default;

    // The theme state, background colour, bounds, state and rightmost flag.
    void Assign(TPersistent* source) override;

    // Empty when the state, rightmost flag, background colour and theme state equal old's; the
    // bounds otherwise. The caller owns the region.
    virtual std::unique_ptr<TqzRegion> GetChangedRegion(TqzEditButtonViewInfo* old);
    // When one of those differs, invalidates the bounds moved by origin on the control's
    // window (erasing with EraseBackground); returns whether.
    virtual bool InvalidateIfChanged(TWinControl* control, TqzEditButtonViewInfo* old, const TPoint& origin);

    TRect Bounds;
    TqzEditButtonViewInfoData Data;
    TBitmap* Glyph = nullptr; // the button's, not owned
    bool EraseBackground = false;
    Integer ButtonIndex = -1;
    bool Stretchable = true;
    TRect VisibleBounds;
    Integer Width = 0;

private:
    bool DiffersFrom(const TqzEditButtonViewInfo* old) const;
};

// ---- Editor styles ---------------------------------------------------------------------------

// The editor's style values after the container's ten.
constexpr TqzContainerStyleValue svButtonStyle = 10;
constexpr TqzContainerStyleValue svButtonTransparency = 11;
constexpr TqzContainerStyleValue svPopupBorderStyle = 12;
constexpr TqzContainerStyleValue svGradientButtons = 13;

class TqzEditStyleController;

// An editor's style of one state: the container's values and the look of the edit buttons, the
// popup border and the popup close button. ButtonStyle is held by every state; the others, like
// the container's Edges or Font, by the normal style only.
class TqzCustomEditStyle : public TqzContainerStyle {
    KOV_CLASS(TqzCustomEditStyle, TqzContainerStyle)
public:
    TqzCustomEditStyle(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle, bool directAccess);
    static TqzContainerStyle* CreateInstance(TPersistent* owner, Integer state,
                                             TqzContainerStyle* normalStyle, bool directAccess);

    // From another editor style: the five editor values as stored, then the container's, with
    // one change.
    void Assign(TPersistent* source) override;

    // ---- Introduced virtuals, in slot order: the values used when none is assigned ----
    virtual TqzEditButtonStyle GetDefaultButtonStyle();
    virtual TqzEditButtonTransparency GetDefaultButtonTransparency();
    virtual bool GetDefaultGradientButtons();
    virtual TqzEditPopupBorderStyle GetDefaultPopupBorderStyle();

    Integer GetValueCount() override;
    bool GetValueName(TqzContainerStyleValue index, String& name) override;
    bool IsValueAssigned(TqzContainerStyleValue index) override;
    TqzContainerStyleValues GetBaseOnlyValues() override;
    // None in direct-access mode and for an in-place editor; else the default editor controller.
    TqzStyleController* GetDefaultController() override;

    TqzEditButtonStyle GetButtonStyle();
    void SetButtonStyle(TqzEditButtonStyle value);
    TqzEditButtonTransparency GetButtonTransparency();
    void SetButtonTransparency(TqzEditButtonTransparency value);
    TqzEditPopupBorderStyle GetPopupBorderStyle();
    void SetPopupBorderStyle(TqzEditPopupBorderStyle value);
    bool GetGradientButtons();
    void SetGradientButtons(bool value);
    bool GetPopupCloseButton();
    void SetPopupCloseButton(bool value);
    TqzEditBorderStyle GetEditBorderStyle() { return TqzEditBorderStyle(GetBorderStyle()); }
    void SetEditBorderStyle(TqzEditBorderStyle value) { SetBorderStyle(TqzContainerBorderStyle(value)); }
    TqzEditStyleController* GetEditStyleController();
    void SetEditStyleController(TqzEditStyleController* value);

    bool IsButtonStyleStored() { return IsStored(svButtonStyle); }
    bool IsButtonTransparencyStored() { return IsStored(svButtonTransparency); }
    bool IsPopupBorderStyleStored() { return IsStored(svPopupBorderStyle); }

protected:
    TqzCustomEditStyle* EditNormalStyle() { return static_cast<TqzCustomEditStyle*>(GetBaseStyle()); }
    // The style of the chain that assigns the value (nullptr: none does).
    TqzCustomEditStyle* FindEditValue(TqzContainerStyleValue index);

    TqzEditButtonStyle FButtonStyle = btsDefault;
    TqzEditButtonTransparency FButtonTransparency = ebtNone;
    TqzEditPopupBorderStyle FPopupBorderStyle = epbsDefault;
    bool FGradientButtons = false;
    bool FPopupCloseButton = true;
};

// The editor style as published.
class TqzEditStyle : public TqzCustomEditStyle {
    KOV_CLASS(TqzEditStyle, TqzCustomEditStyle)
public:
    using TqzCustomEditStyle::TqzCustomEditStyle;
    static TqzContainerStyle* CreateInstance(TPersistent* owner, Integer state,
                                             TqzContainerStyle* normalStyle, bool directAccess);
};

// Shared editor styles: its four styles are editor styles.
class TqzEditStyleController : public TqzStyleController {
    KOV_CLASS(TqzEditStyleController, TqzStyleController)
public:
    explicit TqzEditStyleController(TComponent* owner);

    TqzContainerStyleClass GetStyleClass() override;

    TqzEditStyle* GetStyle() const { return static_cast<TqzEditStyle*>(StyleByState(csNormal)); }
    void SetStyle(TqzEditStyle* value) { StyleByState(csNormal)->Assign(value); }
    TqzEditStyle* GetStyleFocused() const { return static_cast<TqzEditStyle*>(StyleByState(csFocused)); }
    void SetStyleFocused(TqzEditStyle* value) { StyleByState(csFocused)->Assign(value); }
    TqzEditStyle* GetStyleDisabled() const { return static_cast<TqzEditStyle*>(StyleByState(csDisabled)); }
    void SetStyleDisabled(TqzEditStyle* value) { StyleByState(csDisabled)->Assign(value); }
    TqzEditStyle* GetStyleHot() const { return static_cast<TqzEditStyle*>(StyleByState(csHot)); }
    void SetStyleHot(TqzEditStyle* value) { StyleByState(csHot)->Assign(value); }
};

// The controller every stand-alone editor falls back on (made by the unit's start; nullptr
// outside the unit's life).
TqzEditStyleController* GetDefaultEditStyleController();

// ---- Editor properties -----------------------------------------------------------------------

class TqzCustomEditProperties : public TqzInterfacedPersistent {
    KOV_CLASS(TqzCustomEditProperties, TqzInterfacedPersistent)
public:
    // owner: the editor, a repository item or nullptr.
    explicit TqzCustomEditProperties(TPersistent* owner);
    // Drops the provider, frees the owned objects and leaves the live list.
    ~TqzCustomEditProperties() override;
    TqzCustomEditProperties(const TqzCustomEditProperties&) = delete;
    TqzCustomEditProperties& operator=(const TqzCustomEditProperties&) = delete;

    // From other properties, inside one update.
    void Assign(TPersistent* source) override;

    // ---- Change protocol ----
    void BeginUpdate();
    // Nothing without a matching BeginUpdate; the last one notifies when asked to.
    void EndUpdate(bool notify = true);
    Integer GetUpdateCount() const { return FUpdateCount; }
    bool IsChangedLocked() const { return FChangedLocked || FUpdateCount > 0; }
    void SetChangedLocked(bool value) { FChangedLocked = value; }
    // The owner's change handler (the editor's ApplyActiveProperties, the repository item's
    // NotifyPropertiesListeners); runs with the properties as sender.
    const TNotifyEvent& GetOnPropertiesChanged() const { return FOnPropertiesChanged; }
    void SetOnPropertiesChanged(const TNotifyEvent& value) { FOnPropertiesChanged = value; }

    // ---- Settings ----
    // The public alignment, Horz filled with the default while it is not assigned.
    TqzEditAlignment* GetAlignment();
    virtual void SetAlignment(TqzEditAlignment* value);
    TqzCustomEditPropertiesValues* GetAssignedValues();
    void SetAssignedValues(TqzCustomEditPropertiesValues* value);
    bool GetAutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value);
    TqzEditButtons* GetButtons() const { return FButtons.get(); }
    void SetButtons(TqzEditButtons* value);
    // 0 normal, 1 buttons only, 2 buttons with automatic width.
    Byte GetButtonsLayout() const { return FButtonsLayout; }
    void SetButtonsLayout(Byte value);
    // The own value when assigned, else the provider's default, else false.
    bool GetReadOnly();
    void SetReadOnly(bool value);
    bool IsReadOnlyStored();
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool GetUseLeftAlignmentOnEditing() const;
    void SetUseLeftAlignmentOnEditing(bool value);
    bool IsUseLeftAlignmentOnEditingStored() const;

    bool BeepOnError = false;
    TShortCut ClearKey = 0;
    TShortCut ClickKey = 0x400D; // Ctrl+Enter
    bool ImmediatePost = false;
    bool InPlaceMouseWheel = true;
    bool ValidateOnEnter = false;

    TqzEditButtonClickEvent OnButtonClick;
    TNotifyEvent OnChange;
    TqzEditClosePopupEvent OnClosePopup;
    TNotifyEvent OnEditValueChanged;
    TqzEditValidateEvent OnValidate;

    // ---- Provider ----
    // Stores it; properties owned by an editor report a change.
    void SetDefaultValuesProvider(IqzEditDefaultValuesProvider* value);
    IqzEditDefaultValuesProvider* GetDefaultValuesProvider() const { return FDefaultValuesProvider; }
    // ReadOnly assigned false: true; ReadOnly true: false; else the provider's CanModifyValue.
    bool CanModify();
    bool IsFormattingFromSourceWhileIdle();
    // The size an editor of these properties needs for the value, measured through a view data
    // made for the style and the in-place flag.
    void GetEditSize(TqzCanvas* canvas, TqzCustomEditStyle* style, bool isInplace, const Variant& editValue,
                     const TqzEditSizeParameters& sizeParameters, TSize& size);
    // The editor's OnValidate handlers (its own properties' first, then its repository item's),
    // when it has one; an error that left the text as it was puts the editor's display text
    // into displayValue.
    void RunValidateHandlers(Variant& displayValue, String& errorText, bool& error, TqzCustomEdit* editor);

    // ---- Virtual operations ----
    // The public alignment changed: into the stored one, then Changed.
    virtual void AlignmentChanged(TObject* sender);
    virtual void ButtonsChanged(TObject* sender);
    virtual bool CanValidate() { return false; }
    virtual bool GetDefaultUseLeftAlignmentOnEditing() const { return true; }
    virtual void ReleaseDefaultValuesProvider();
    virtual void HandleFreeNotification(TObject* sender, TComponent* component);
    // The class the assigned values are made of (default-constructible).
    virtual TClass GetAssignedValuesClass() const;
    virtual TAlignment GetDefaultHorzAlignment();
    virtual Byte GetDisplayFormatOptions() { return 0; }
    virtual void GetDefaultValidationErrorText(String& text);
    virtual bool IsDisplayFormatFromSource(bool editing);
    virtual bool HasSeparateChangeEvents() { return false; }
    virtual bool WantsTabKey() { return false; }
    virtual bool ComparesEditValues() { return false; }
    // The style class of the editor (a factory, as the container's).
    virtual TqzContainerStyleClass GetStyleClass() const { return &TqzEditStyle::CreateInstance; }
    // The view data and view info classes of this kind of editor.
    virtual TqzCustomEditViewDataClass GetViewDataClass() const;
    virtual TqzCustomEditViewInfoClass GetViewInfoClass() const;
    // A view data of GetViewDataClass for these properties; the caller owns it.
    virtual TqzCustomEditViewData* CreateViewData(TqzCustomEditStyle* style, bool isInplace, bool isPreview = false);
    // The editor class of these properties (TqzCustomEdit or a descendant).
    virtual TClass GetContainerClass() const;
    // Only when CanValidate: an empty error text gets the default one, then RunValidateHandlers.
    virtual void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error, TqzCustomEdit* editor);
    // Nothing while changes are locked or the owning component is going; else the owner's
    // change handler.
    virtual void Changed();
    virtual bool AreDisplayValuesEqual(const Variant& v1, const Variant& v2);
    // A new object of the same class without owner; the caller owns it.
    virtual TqzCustomEditProperties* CreateOfSameClass();
    virtual WideString GetDisplayTextWide(const Variant& editValue) { return WideString(); }
    virtual Integer GetSupportedOperations();
    virtual bool IsActivationChar(char32_t ch) { return false; }
    virtual bool IsEditValueValid(Variant& value, bool editing) { return true; }
    virtual bool CanResetEditValue() { return false; }
    virtual void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing);
    // The stored alignment loses its Horz; the assigned values are cleared, in one update.
    virtual void ResetToDefaults();
    virtual void CopyRuntimeDataTo(TqzCustomEditProperties* properties) {}
    virtual Integer GetEditValueSource(bool editing) { return 0; }

protected:
    TqzFreeNotificator* GetFreeNotificator() const { return FFreeNotificator.get(); }

private:
    void StoredAlignmentChanged(TObject* sender);
    bool IsOwnerComponentDestroying() const;

    TNotifyEvent FOnPropertiesChanged;
    Integer FUpdateCount = 0;
    bool FChangedLocked = false;
    IqzEditDefaultValuesProvider* FDefaultValuesProvider = nullptr;
    std::unique_ptr<TqzFreeNotificator> FFreeNotificator;
    std::unique_ptr<TqzEditAlignment> FStoredAlignment;
    std::unique_ptr<TqzEditAlignment> FAlignment;
    std::unique_ptr<TqzCustomEditPropertiesValues> FAssignedValues;
    std::unique_ptr<TqzEditButtons> FButtons;
    bool FAutoSelect = true;
    Byte FButtonsLayout = 0;
    bool FReadOnly = false;
    bool FTransparent = false;
    bool FUseLeftAlignmentOnEditing = true;
    bool FUseLeftAlignmentOnEditingAssigned = false;
};

// ---- Repository ------------------------------------------------------------------------------

// Hears of a repository item: it is going, or its properties changed.
// {4E27D642-022B-4CD2-AB96-64C7CF9B3299}
class IqzEditRepositoryItemListener : public virtual IInterface {
public:
    virtual void ItemRemoved(TqzEditRepositoryItem* sender) = 0;
    virtual void PropertiesChanged(TqzEditRepositoryItem* sender) = 0;
};

// One shared set of editor properties. A typed item overrides GetPropertiesClass and publishes
// Properties of that class.
class TqzEditRepositoryItem : public TComponent {
    KOV_CLASS(TqzEditRepositoryItem, TComponent)
public:
    explicit TqzEditRepositoryItem(TComponent* owner);
    // Tells the listeners (last first), leaves the repository, frees the properties.
    ~TqzEditRepositoryItem() override;

    // Every listener, last first, hears PropertiesChanged.
    virtual void NotifyPropertiesListeners(TObject* sender);
    // Nothing when it listens already.
    virtual void AddListener(IqzEditRepositoryItemListener* listener);
    // The class of the properties object (registered with RegisterInterfacedPersistentClass).
    virtual TClass GetPropertiesClass() const;
    virtual void RemoveListener(IqzEditRepositoryItemListener* listener);

    // Made, of GetPropertiesClass, on first use.
    TqzCustomEditProperties* GetProperties();
    // Copies value into the item's own properties.
    void SetProperties(TqzCustomEditProperties* value);
    TqzEditRepository* GetRepository() const { return FRepository; }
    void SetRepository(TqzEditRepository* value);
    Integer GetListenerCount() const { return Integer(FListeners.size()); }

    bool HasParent() const override { return FRepository != nullptr; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;
    void ReadState(TReader* reader) override;

    // A published event without behaviour.
    TNotifyEvent PropertiesEvents;

private:
    friend class TqzEditRepository;
    std::vector<IqzEditRepositoryItemListener*> FListeners;
    std::unique_ptr<TqzCustomEditProperties> FProperties;
    TqzEditRepository* FRepository = nullptr;
};

class TqzEditRepository : public TComponent {
    KOV_CLASS(TqzEditRepository, TComponent)
public:
    explicit TqzEditRepository(TComponent* owner);
    // Frees its items, the last first.
    ~TqzEditRepository() override;

    Integer Count() const { return Integer(FItems.size()); }
    TqzEditRepositoryItem* Items(Integer index) const;
    void RemoveItem(TqzEditRepositoryItem* item);
    // An item of that class owned by the repository.
    virtual TqzEditRepositoryItem* CreateItem(TClass itemClass);
    // An item of that class with that owner, placed in this repository.
    virtual TqzEditRepositoryItem* CreateItemEx(TClass itemClass, TComponent* owner);

    // The items owned by root.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

private:
    friend class TqzEditRepositoryItem;
    void AddItem(TqzEditRepositoryItem* item);

    std::vector<TqzEditRepositoryItem*> FItems;
};

// ---- Registries and unit services ------------------------------------------------------------

// The registry of editor properties classes, sorted by short name (the text before "|"), case
// ignored. Made on first use.
TqzRegisteredClasses* GetEditPropertiesRegistry();
// The process-wide repository. Made on first use.
TqzEditRepository* GetDefaultEditRepository();

// The cursor number of the wheel-scrolling mark.
constexpr Integer crqzEditMouseWheel = 4101;

// The data controller's filter texts pass through here: the hook when one is set, else as they
// are. The unit's start sets the hook to LocalizeSuiteText.
using TqzFilterTextHook = String (*)(const String& text);
void LocalizeFilterText(const String& text, String& result);
TqzFilterTextHook GetFilterTextHook();
void SetFilterTextHook(TqzFilterTextHook hook);

// Every live properties object, oldest first (empty outside the unit's life).
const std::vector<TqzCustomEditProperties*>& GetLivePropertiesList();

// The unit's start (cursor 4101, the default editor style controller in the container's
// default-controller slot, the live list, the filter-text hook) and end (the registry, the
// default repository and the live list go, the slot is cleared and the controller freed, the
// hook is cleared). The unit starts on first
// use; tests restart it.
void EditUnitInitialize();
void EditUnitFinalize();
bool IsEditUnitStarted();

// ---- Shared routines -------------------------------------------------------------------------

// ssLeft, ssRight, ssMiddle.
TShiftState MouseButtonToShiftState(TMouseButton button);
// 0 none, 1 left, 2 right, 3 middle.
TShiftState MouseButtonCodeToShiftState(Integer code);
// MK_LBUTTON 1, MK_RBUTTON 2, MK_SHIFT 4, MK_CONTROL 8, MK_MBUTTON 16.
Integer ShiftStateToMouseKeyFlags(TShiftState shift);
// Each component of a becomes the larger of a's and b's.
void MaxSize(TSize& a, const TSize& b);
// The first component up the owner chain; nullptr when there is none.
TComponent* GetOwnerComponent(TPersistent* persistent);
// The same variant type and equal values.
bool VariantsEqualSameType(const Variant& a, const Variant& b);
// 0, 9, 10, 12, 13 and 32 (not 11).
bool IsSpaceChar(char32_t ch);
bool IsRegionEmpty(TqzRegion* region);
// other is united into region.
void AddRegion(TqzRegion* region, TqzRegion* other);
// WM_KEYDOWN (key, 0) and WM_CHAR (ch, 0) to the editor's window.
void SendKeyDownToEdit(TWinControl* editor, Word key);
void SendCharToEdit(TWinControl* editor, char32_t ch);

// The view data and view info of an editor, then the editor control itself.
#include "suite/editors/qzEdit_View.h"
#include "suite/editors/qzEdit_Editor.h"
