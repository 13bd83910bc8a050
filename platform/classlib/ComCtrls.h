// Tool bars and status bars.
//
// TToolBar is a windowed control that lays out its children in the order they were put on it,
// in rows (ButtonWidth x ButtonHeight for tool buttons, separators and dividers of their own
// Width, other controls at their own size), and paints its tool buttons itself: each button goes
// through OnCustomDrawButton first, and is drawn by the bar unless the handler clears
// DefaultDraw. TToolButton is a graphic child of the bar that tracks the mouse: it is hot under
// the mouse on a flat bar, pressed while held, stays down when it is a check button, and
// drops its DropdownMenu from the arrow part of a drop-down button.
//
// TStatusBar is a windowed control along the bottom of its parent showing a row of panels (or
// one simple text), with a size grip at the right on a sizable form.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/Collections.h"

class TToolBar;
class TToolButton;
class TStatusBar;

// ---- Custom drawing -------------------------------------------------------------------------------

enum TCustomDrawStateItem {
    cdsSelected,
    cdsGrayed,
    cdsDisabled,
    cdsChecked,
    cdsFocused,
    cdsDefault,
    cdsHot,
    cdsMarked,
    cdsIndeterminate
};
using TCustomDrawState = TSet<TCustomDrawStateItem, cdsIndeterminate>;

// Before the bar draws its buttons; clearing DefaultDraw leaves the buttons undrawn.
using TTBCustomDrawEvent = TClosure<void(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw)>;
// Before a button is drawn (on the bar's Canvas, at the button's BoundsRect); clearing
// DefaultDraw leaves it as the handler drew it.
using TTBCustomDrawBtnEvent =
    TClosure<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)>;

// ---- Tool buttons ---------------------------------------------------------------------------------

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

enum TEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
using TEdgeBorders = TSet<TEdgeBorder, ebBottom>;
enum TEdgeStyle { esNone, esRaised, esLowered };

// How a tool button reaches the menus unit without depending on it: running a menu item's
// Click (the item is a TMenuItem). The menus unit installs it; SetMenuItemClickHook returns the
// hook it replaces. Drop-down menus are shown through the controls' popup-menu hook
// (SetPopupMenuHook in Controls.h).
using TMenuItemClickHook = std::function<void(TComponent* item)>;
TMenuItemClickHook SetMenuItemClickHook(TMenuItemClickHook hook);

class TToolButton : public TGraphicControl {
    KOV_CLASS(TToolButton, TGraphicControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolButtonStyle GetStyle() const { return FStyle; }
    void SetStyle(TToolButtonStyle value);
    Integer GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer value);
    // Shown pressed. A check button toggles it when clicked; setting it on a grouped button
    // puts the others of its group up.
    bool GetDown() const { return FDown; }
    void SetDown(bool value);
    // Neighbouring grouped check buttons form a group: at most one of them is down.
    bool GetGrouped() const { return FGrouped; }
    void SetGrouped(bool value);
    // Whether a click may put the down button of a group (or a lone check button) up.
    bool GetAllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    bool GetIndeterminate() const { return FIndeterminate; }
    void SetIndeterminate(bool value);
    bool GetMarked() const { return FMarked; }
    void SetMarked(bool value);
    // The next button starts a new row.
    bool GetWrap() const { return FWrap; }
    void SetWrap(bool value);
    // A TPopupMenu shown under the button from its arrow part (tbsDropDown).
    TComponent* GetDropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TComponent* value);
    // A TMenuItem the button clicks after its own OnClick.
    TComponent* GetMenuItem() const { return FMenuItem; }
    void SetMenuItem(TComponent* value);

    // The position among the bar's tool buttons (-1 off a bar).
    Integer GetIndex() const;
    TToolBar* GetToolBar() const;
    // Held down by the mouse now, or its menu is dropped.
    bool GetPressed() const { return FPressed || FMenuDropped; }
    // The mouse is over it on a flat bar.
    bool GetHot() const;
    // The state OnCustomDrawButton gets.
    TCustomDrawState GetDrawState() const;
    // Drops the drop-down menu under the button now; false when there is none to show.
    bool CheckMenuDropdown();

    void Click() override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

    void CMEnabledChanged(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMTextChanged(TMessage& message);
    void CMVisibleChanged(TMessage& message);

private:
    friend class TToolBar;
    bool IsSeparator() const { return FStyle == tbsSeparator || FStyle == tbsDivider; }
    bool IsCheckGroupMember() const { return FStyle == tbsCheck && FGrouped; }
    void RequestLayout();
    void UpdateGroup();

    TToolButtonStyle FStyle = tbsButton;
    Integer FImageIndex = -1;
    bool FDown = false;
    bool FGrouped = false;
    bool FAllowAllUp = false;
    bool FIndeterminate = false;
    bool FMarked = false;
    bool FWrap = false;
    bool FPressed = false;
    bool FTracking = false;
    bool FMenuDropped = false;
    TComponent* FDropdownMenu = nullptr;
    TComponent* FMenuItem = nullptr;
};

// ---- Tool bar -------------------------------------------------------------------------------------

class TToolBar : public TCustomControl {
    KOV_CLASS(TToolBar, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    // The tool buttons, in the bar's order.
    Integer GetButtonCount() const;
    TToolButton* GetButtons(Integer index) const;
    // Every child in the bar's order (tool buttons and other controls).
    const std::vector<TControl*>& GetOrderedControls() const { return FOrder; }
    // The number of rows the last layout made.
    Integer GetRowCount() const { return FRowCount; }

    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* value);
    // Images of a hot button; Images when none.
    TCustomImageList* GetHotImages() const { return FHotImages; }
    void SetHotImages(TCustomImageList* value);
    // Images of a disabled button; without them Images draws its images disabled.
    TCustomImageList* GetDisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* value);

    Integer GetButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(Integer value);
    Integer GetButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(Integer value);
    // The width and height every tool button gets: ButtonWidth/ButtonHeight, grown to fit the
    // images and (with ShowCaptions) the widest caption.
    Integer GetEffectiveButtonWidth();
    Integer GetEffectiveButtonHeight();
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool value);
    bool GetShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool value);
    // Captions beside the images instead of under them.
    bool GetList() const { return FList; }
    void SetList(bool value);
    // Buttons that do not fit in the width go on to a new row.
    bool GetWrapable() const { return FWrapable; }
    void SetWrapable(bool value);
    // The bar's background is left to its parent's colour.
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TEdgeBorders GetEdgeBorders() const { return FEdgeBorders; }
    void SetEdgeBorders(TEdgeBorders value);
    TEdgeStyle GetEdgeInner() const { return FEdgeInner; }
    void SetEdgeInner(TEdgeStyle value);
    TEdgeStyle GetEdgeOuter() const { return FEdgeOuter; }
    void SetEdgeOuter(TEdgeStyle value);
    // Room before the first control of each row.
    Integer GetIndent() const { return FIndent; }
    void SetIndent(Integer value);
    Integer GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(Integer value);
    void SetAutoSize(bool value) override;

    // Inside the edges and the border width.
    void AdjustClientRect(RECT& rect) override;
    // Puts the children where the layout wants them now.
    void ArrangeControls();
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

    TTBCustomDrawEvent OnCustomDraw;
    TTBCustomDrawBtnEvent OnCustomDrawButton;

    // The bar's own drawing of a button in a state, on Canvas; OnCustomDrawButton handlers that
    // want the plain look under their own may call it.
    void DrawButton(TToolButton* button, TCustomDrawState state);

protected:
    void Paint() override;
    void AlignControls(TControl* control, RECT& rect) override;

    void CMControlChange(TCMControlChange& message);
    void CMFontChanged(TMessage& message);
    void CMColorChanged(TMessage& message);

private:
    friend class TToolButton;
    void ImageListChange(TObject* sender);
    void SetImageList(TCustomImageList*& field, TChangeLink* link, TCustomImageList* value);
    void Changed(bool layout);
    Integer EdgeWidth(TEdgeBorder side) const;
    // The caption's size with the bar's font (0, 0 without captions).
    TSize CaptionSize(const String& caption);
    // Whether the mouse-over look applies: flat bars only.
    bool HotTracking() const { return FFlat; }

    std::vector<TControl*> FOrder;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FHotImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    std::unique_ptr<TChangeLink> FImageLink;
    std::unique_ptr<TChangeLink> FHotImageLink;
    std::unique_ptr<TChangeLink> FDisabledImageLink;
    Integer FButtonWidth = 23;
    Integer FButtonHeight = 22;
    bool FFlat = false;
    bool FShowCaptions = false;
    bool FList = false;
    bool FWrapable = true;
    bool FTransparent = false;
    TEdgeBorders FEdgeBorders{ebTop};
    TEdgeStyle FEdgeInner = esRaised;
    TEdgeStyle FEdgeOuter = esLowered;
    Integer FIndent = 0;
    Integer FRowCount = 0;
    bool FArranging = false;
};

// ---- Status bar -----------------------------------------------------------------------------------

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
    KOV_CLASS(TStatusPanel, TCollectionItem)
public:
    explicit TStatusPanel(TCollection* collection);

    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value);
    const String& GetText() const { return FText; }
    void SetText(const String& value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TStatusPanelBevel GetBevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel value);
    TStatusPanelStyle GetStyle() const { return FStyle; }
    void SetStyle(TStatusPanelStyle value);

    void Assign(TPersistent* source) override;
    String GetDisplayName() const override;

private:
    Integer FWidth = 50;
    String FText;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
    TStatusPanelStyle FStyle = psText;
};

class TStatusPanels : public TCollection {
    KOV_CLASS(TStatusPanels, TCollection)
public:
    explicit TStatusPanels(TStatusBar* statusBar);

    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TStatusPanel* GetItems(Integer index) const { return static_cast<TStatusPanel*>(TCollection::GetItems(index)); }
    TStatusPanel* operator[](Integer index) const { return GetItems(index); }
    TPersistent* GetOwner() const override;

protected:
    void Update(TCollectionItem* item) override;

private:
    TStatusBar* FStatusBar;
};

using TDrawPanelEvent = TClosure<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TCustomControl {
    KOV_CLASS(TStatusBar, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* GetPanels() const { return FPanels.get(); }
    void SetPanels(TStatusPanels* value) { FPanels->Assign(value); }
    // One text across the whole bar instead of the panels.
    bool GetSimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool value);
    const String& GetSimpleText() const { return FSimpleText; }
    void SetSimpleText(const String& value);
    bool GetSizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool value);
    // Shows the application's hint (its long part) while the program has no OnHint handler of
    // its own: in SimpleText with SimplePanel or without panels, else in the first panel.
    bool GetAutoHint() const { return FAutoHint; }
    void SetAutoHint(bool value);

    // Where a panel is drawn (its bevel included); empty for a panel off the bar.
    TRect GetPanelRect(Integer index);
    // Whether the grip is drawn now: SizeGrip on a form that the user can size.
    bool GetGripShown() const;
    TRect GetGripRect() const;
    // Shows a hint as AutoHint does; false when the bar does not show hints.
    bool ShowHintText(const String& hint);

    TDrawPanelEvent OnDrawPanel;

    void Loaded() override;

protected:
    void Paint() override;
    // Draws an owner-drawn panel: OnDrawPanel with the panel's inner rectangle.
    virtual void DrawPanel(TStatusPanel* panel, const TRect& rect);
    void WMNCHitTest(TMessage& message);
    void CMFontChanged(TMessage& message);

private:
    friend class TStatusPanels;
    void PanelsChanged();

    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    String FSimpleText;
    bool FSizeGrip = true;
    bool FAutoHint = false;
};
