// Editor view data (the calculation of an editor's layout from its properties, style and state)
// and view info (the calculated layout, painted by the editor). Part of the qzEdit unit: include
// suite/editors/qzEdit.h.

#pragma once

#include "suite/editors/qzEdit.h"

class IqzCustomInnerEdit;

// ---- Shared view types -----------------------------------------------------------------------

// What an editor's content needs around it. The editor computes it once and hands its copy to
// the view datas it calculates with.
struct TqzEditContentParams {
    // The outer rectangle of the content (empty: none).
    TRect ExternalBorderBounds;
    // Left, top, right and bottom content offsets.
    TRect Offsets;
    // Content flags (bit 0: the content draws its own frame).
    Byte Options = 0;
    // 3 less the left and right offsets.
    Integer ExtraHorzMargin = 0;
    // The native inner edit's height correction (0 without native style).
    Integer HeightCorrection = 0;
    // Only the editor's copy: already computed.
    bool IsValid = false;
};

// The content offsets of a stand-alone and of an in-place editor.
constexpr TRect qzEditContentOffsets[2] = {TRect{1, 1, 1, 3}, TRect{1, 1, 1, 1}};

// The widths of a button whose Width is 0 (Width stays 0 without a handler).
using TqzEditGetDefaultButtonWidthEvent = TClosure<void(TObject* Sender, Integer AIndex, Integer& Width)>;
// Adjusts a display text.
using TqzEditDisplayTextEvent = TClosure<void(TObject* Sender, String& Text)>;
// Custom drawing of an in-place editor's background.
using TqzEditDrawCustomEvent = TClosure<void(TObject* Sender, TqzCanvas* Canvas, bool& Handled)>;
using TqzEditDrawButtonEvent = TClosure<void(TObject* Sender, TqzCanvas* Canvas, Integer Index, bool& Handled)>;
using TqzEditDrawButtonBackgroundEvent =
    TClosure<void(TObject* Sender, TqzCanvas* Canvas, bool& Handled, Integer Index, const TRect& Rect)>;
// May change the state a calculation gave a button (0 disabled, 1 normal, 2 pressed, 3 hot).
using TqzEditButtonStateEvent = TClosure<void(TqzCustomEditViewInfo* Sender, Integer Index, Integer& State)>;

// Class references (with the view data and view info classes of qzEdit.h).
using TqzEditButtonViewInfoClass = TqzEditButtonViewInfo* (*)();

// Drawing flags of a view info (text editors add their own).
constexpr Integer qzedfContentBounds = 4;
constexpr Integer qzedfContentFrame = 16;

// The native state of an editor: 0 without native style.
constexpr Integer qzensNormal = 1;
constexpr Integer qzensHot = 2;
constexpr Integer qzensDisabled = 4;
constexpr Integer qzensFocused = 5;
constexpr Integer qzensReadOnly = 6;

// ---- View data -------------------------------------------------------------------------------

// A short-lived calculator: fills an editor view info from the properties, a style and the
// editor's (or its own copied) state, and measures editors. Works without an editor too (grids).
class TqzCustomEditViewData : public TPersistent {
    KOV_CLASS(TqzCustomEditViewData, TPersistent)
public:
    // InitializeState, the selection colours, InitializeFromProperties.
    TqzCustomEditViewData(TqzCustomEditProperties* properties, TqzCustomEditStyle* style, bool isInplace);
    ~TqzCustomEditViewData() override;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties, TqzCustomEditStyle* style,
                                                 bool isInplace);
    // The construction's virtual part (InitializeState, the selection colours,
    // InitializeFromProperties); run by CreateEditViewData once the object is complete.
    void AfterCreate();

    // ---- Introduced virtuals, in slot order ----
    // Theme part, partial transparency and theme state of a button.
    virtual void CalculateButtonNativeInfo(TqzEditButtonViewInfo* buttonViewInfo);
    // A button may become pressed on a press.
    virtual bool CanPressButton(TqzCustomEditViewInfo* viewInfo, Integer index) { return true; }
    // Normal, active, disabled and hot bits for a point.
    virtual Integer GetContainerState(const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                                      bool isMouseEvent);
    virtual void GetContentOffsets(TRect& offsets);
    virtual void InitializeFromProperties();
    // Fills the content parameters; false.
    virtual bool GetContentParams(TqzEditContentParams& params);
    virtual void InitializeState();
    virtual void EditValueToDisplayText(const Variant& editValue, String& text) { text = String(); }
    virtual void CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                           TqzCustomEditViewInfo* viewInfo, TSize& minContentSize);
    virtual void CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                      const TqzEditSizeParameters& sizeParameters);
    // A button is drawn pressed whatever the mouse does.
    virtual bool IsButtonPressed(TqzCustomEditViewInfo* viewInfo, Integer index) { return false; }
    // Fills the view info. button: 0 none, 1 left, 2 right, 3 middle.
    virtual void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                           TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent);
    // Places one button at the left or right end of r, which shrinks by the visible part.
    virtual void CalculateButtonBounds(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r, Integer index);
    // Lays out the visible buttons, their states and edges.
    virtual void CalculateButtons(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                  TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent);
    // Copies a button's settings into view info button index, then places it.
    virtual void CalculateButtonViewInfo(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r,
                                         Integer index);
    virtual void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) {}
    virtual TColor CalculateBorderColor();
    virtual void GetBorderExtent(TRect& rect);
    virtual TqzEditBorderStyle GetEffectiveBorderStyle();
    virtual void GetButtonsOnlyBorderExtent(TqzCanvas* canvas, TRect& rect);
    virtual void GetClientExtent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& rect);
    // The size apart from the content; a temporary view info is calculated when none is given.
    virtual void GetConstantPartSize(TqzCanvas* canvas, const TqzEditSizeParameters& sizeParameters, TSize& size,
                                     TqzCustomEditViewInfo* viewInfo, TSize& minContentSize);
    virtual void GetContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                const TqzEditSizeParameters& sizeParameters);
    virtual void GetContentMargins(TSize& size);
    virtual bool HasShadow();
    // The look and feel asks for native style and an edit theme opens.
    static bool UsesNativeStyle(TqzLookAndFeel* lookAndFeel);

    // ---- Non-virtual ----
    void GetEditSize(TqzCanvas* canvas, const Variant& editValue, const TqzEditSizeParameters& sizeParameters,
                     TSize& size);
    // EditValueToDisplayText, then OnDisplayText.
    void BuildDisplayText(const Variant& editValue, String& text);
    // OnDisplayText when assigned.
    void FireGetDisplayTextEvent(String& text);
    // The editor's captured button; -1 without an editor.
    Integer GetCapturedButtonIndex();
    // The editor's answer, else the focused copy.
    bool IsEditFocused();
    TqzCustomEditStyle* GetStyle() const { return FStyle; }
    TqzCustomEditProperties* GetProperties() const { return FProperties; }
    TqzEditButtons* GetButtons() const;

    // ---- Data ----
    TqzCustomEditProperties* FProperties;
    TqzCustomEditStyle* FStyle;
    bool IsInplace;
    bool IsPreview = false;

    // The editor (none for a view data made by properties alone) and its window.
    TqzCustomEdit* Edit = nullptr;
    HWND WindowHandle = nullptr;

    // The editor's flags, copied in by its InitializeViewData.
    bool Enabled = true;
    bool Focused = false;
    bool IsDesigning = false;
    bool HScrollBarVisible = false;
    bool VScrollBarVisible = false;
    IqzCustomInnerEdit* InnerEdit = nullptr;

    // A grid's cell border widths (left, top, right, bottom).
    TRect InplaceEditOffsets;
    TqzEditContentParams ContentParams;

    // From the properties.
    Integer ButtonVisibleCount = 0;
    // The properties' GetEditValueSource while not editing is 0.
    bool EditValueSourceIsValue = true;
    TAlignment HorzAlignment = taLeftJustify;
    TqzEditVertAlignment VertAlignment = taTopJustify;
    bool NativeStyle = false;

    // Calculation state.
    TRect Bounds;
    Integer ContainerState = qzcsNormal;
    bool EditFocusedOrHot = false;
    bool ButtonsFill = false;
    Integer LeftSideLeftmostButtonIndex = -1;
    Integer LeftSideRightmostButtonIndex = -1;
    Integer RightSideLeftmostButtonIndex = -1;
    Integer RightSideRightmostButtonIndex = -1;

    // Selection colours of text editors (0x20000000: none set).
    TColor SelTextColor = TColor(0x20000000);
    TColor SelBackgroundColor = TColor(0x20000000);

    TqzEditGetDefaultButtonWidthEvent OnDefaultButtonWidth;
    TqzEditDisplayTextEvent OnDisplayText;

protected:
    // State, border style and the active style (steps 3 and 4 of a calculation).
    void CalculateStateAndBorder(const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                                 TqzCustomEditViewInfo* viewInfo, bool isMouseEvent);
    // Native flag and state, border extent and rectangle, border, text and background colours.
    void CalculateViewInfoBorders(TqzCustomEditViewInfo* viewInfo);
    // Stretching, states and edges of the placed buttons.
    void StretchButtons(TqzCustomEditViewInfo* viewInfo, const TRect& r);
    void CalculateButtonStates(TqzCustomEditViewInfo* viewInfo, const TPoint& p, Integer button,
                               TShiftState shift, Integer oldPressed);
    void CalculateButtonEdges(TqzCustomEditViewInfo* viewInfo);
    TqzCustomEditStyle* NormalStyle();
    // What only an editor can answer; the view data's own copies and defaults without one.
    // The editor's hot zone, else the bounds less the in-place offsets.
    TRect GetHotZone(const TRect& bounds);
    bool HoldsMouseCapture();
    // The style becomes the editor's active style.
    void UseActiveStyle();
    // Erase background, inner control visible, painted as a copy, inner control of a container.
    void CalculateEditorFlags(TqzCustomEditViewInfo* viewInfo);
    // The inner control's bounds when there is an inner edit, else the client rectangle.
    TRect GetInnerEditBounds(const TRect& clientRect);
    bool DefaultsToParentColor();
    // A stand-alone editor's size constraints.
    void ApplySizeConstraints(TSize& size);

    TqzEditBorderStyle FEditBorderStyle = ebsNone;
};

// A view data of class T, constructed and initialised.
template <class T>
TqzCustomEditViewData* CreateEditViewData(TqzCustomEditProperties* properties, TqzCustomEditStyle* style,
                                          bool isInplace) {
    T* viewData = new T(properties, style, isInplace);
    viewData->AfterCreate();
    return viewData;
}

// ---- View info -------------------------------------------------------------------------------

// An editor's calculated layout: border, colours, state, the buttons; paints itself.
class TqzCustomEditViewInfo : public TqzContainerViewInfo {
    KOV_CLASS(TqzCustomEditViewInfo, TqzContainerViewInfo)
public:
    TqzCustomEditViewInfo();
    ~TqzCustomEditViewInfo() override;
    static TqzContainerViewInfo* CreateInstance();

    // ---- Overrides of the container view info ----
    TqzContainerBorderStyle GetBorderStyle() override;
    // The edit background, border and buttons.
    void PaintBackground(TqzCanvas* canvas) override;
    // From another edit view info: colours, border style, states, buttons, indexes; then the
    // container part.
    void CopyFrom(TqzContainerViewInfo* source) override;
    std::unique_ptr<TqzRegion> GetChangedRegion(TqzContainerViewInfo* oldInfo) override;
    void MoveBy(Integer dx, Integer dy) override;

    // ---- Introduced virtuals, in slot order ----
    virtual TqzEditButtonViewInfoClass GetButtonViewInfoClass();
    virtual bool IsRepaintOnStateChangeNeeded() { return true; }
    virtual void PaintButton(TqzCanvas* canvas, Integer index);
    virtual void DrawButtonFrame(TqzCanvas* canvas, Integer index, const TRect& rect, TqzEditButtonStyle style);
    // content: the content bounds; outer: the outer bounds.
    virtual void DrawButtonContent(TqzCanvas* canvas, Integer index, TColor faceColor, TColor contentColor,
                                   const TRect& content, const TRect& outer);
    virtual bool HasHotButton();
    virtual bool IsPointOverButton(const TPoint& p);
    virtual bool IsTextHintNeeded(const TPoint& p, String& text, bool& isMultiLine, TRect& textRect);
    virtual bool IsTextHintNeededInRect(const TRect& rect, String& text, bool& isMultiLine, TRect& textRect) {
        return false;
    }
    virtual void AdjustPaintFont(TFont* font) {}
    // Invalidates what changed against old on the control's window; true when something did.
    virtual bool InvalidateChanges(TWinControl* control, TqzCustomEditViewInfo* old);
    virtual bool InvalidateChangesInRect(TWinControl* control, const TRect& innerRect, TqzCustomEditViewInfo* old);

    // ---- Non-virtual ----
    // OnDrawCustom for an in-place view info; true when it drew.
    bool TryCustomDraw(TqzCanvas* canvas);
    // A button's background: OnDrawButtonBackground, an Office11 gradient or a solid fill.
    void DrawButtonBackground(TqzCanvas* canvas, Integer index, TColor color, const TRect& rect);
    // Makes count button view infos of GetButtonViewInfoClass (frees the surplus).
    void SetButtonCount(Integer count);
    Integer GetButtonCount() const { return Integer(ButtonsInfo.size()); }
    TqzEditButtonViewInfo* GetButtonInfo(Integer index) const { return ButtonsInfo[size_t(index)].get(); }

    // Same edit border style and, with a border, the same border colour.
    bool BordersEqual(TqzCustomEditViewInfo* old);

    // ---- Data ----
    std::vector<std::unique_ptr<TqzEditButtonViewInfo>> ButtonsInfo;
    Integer PressedButton = -1;
    Integer HotButton = -1;
    bool IsButtonReallyPressed = false;

    TqzEditBorderStyle EditBorderStyle = ebsNone;
    TColor TextColor = clWindowText;
    TFont* Font = nullptr; // the style's, not owned
    // 0 without native style; 1 normal, 2 hot, 4 disabled, 5 focused, 6 read-only.
    Integer NativeState = 0;
    // 0 none, 1 hot tracking, 2 hot tracking and focused or hot.
    Integer HotTrackState = 0;
    TqzEditPopupBorderStyle PopupBorderStyle = epbsDefault;
    TRect InnerEditRect;
    TRect BorderRectCopy;

    bool Enabled = true;
    bool Focused = false;
    bool EraseBackground = false;
    bool InnerControlVisible = true;
    bool PaintingCopy = false;
    bool IsContainerInnerControl = false;
    bool IsDesigning = false;
    bool IsInplace = false;
    bool HasInplaceOffsets = false;
    bool HasTextButton = false;
    Integer DrawTextFlags = 0;

    TqzCustomEditProperties* Properties = nullptr;
    HWND WindowHandle = nullptr;
    // Where the view info lies in its window.
    TPoint Origin;

    TqzEditDrawCustomEvent OnDrawCustom;
    TqzEditDrawButtonEvent OnDrawButton;
    TqzEditDrawButtonBackgroundEvent OnDrawButtonBackground;
    TqzEditButtonStateEvent OnButtonState;
};
