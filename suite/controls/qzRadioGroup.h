// The suite's radio button: the class library's radio button drawn by the suite. Its glyph,
// caption, focus frame and background come from the native visual style when the look and feel
// asks for it and themes are active, otherwise from the look-and-feel painter of its kind. It
// tracks the mouse (hot and pressed glyphs), can be transparent over its parent and takes a
// popup menu.
#pragma once

#include <memory>

#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

enum TqzRadioButtonState : Byte { rbsDisabled, rbsHot, rbsNormal, rbsPressed };

// Width and height of the classic radio glyph, measured once from the system's radio mask.
TSize RadioGlyphSize();

class TqzRadioButton : public TRadioButton, public IqzMouseTrackingCaller {
    KOV_CLASS(TqzRadioButton, TRadioButton)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzRadioButton(TComponent* owner);
    ~TqzRadioButton() override;

    void Invalidate() override;
    bool Focused() const override;

    TqzLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    void SetLookAndFeel(TqzLookAndFeel* value) { FLookAndFeel->Assign(value); }
    TComponent* GetPopupMenu() const override { return FPopupMenu; }
    void SetPopupMenu(TComponent* value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TqzRadioButtonState GetButtonState() const { return FButtonState; }
    TRect GetButtonRect() const { return FButtonRect; }
    // The device context the button paints on; nullptr while it has none.
    HDC GetCanvasHandle() const { return FControlCanvas->HandleAllocated() ? FControlCanvas->GetHandle() : nullptr; }

    virtual void AdjustCaptionRect(TRect& rect, bool native);
    virtual bool ShowPopupMenu(TComponent* menu, Integer x, Integer y);
    virtual bool IsInplace() const { return false; }
    virtual bool HasOwnBackground() const;
    virtual bool IsNativeStyle() const;
    virtual bool UsesTransparentProperty() const;
    virtual bool IsTransparent() const;
    virtual void LookAndFeelChanged();
    virtual void Paint();
    // button: 0 none, 1 left, 2 right, 3 middle; point in client coordinates.
    virtual void UpdateState(Integer button, TShiftState shift, const TPoint& point);
    virtual void EnabledChanged();
    virtual void MouseEnter(TControl* control);
    virtual void MouseLeave(TControl* control);
    void RefreshStateAtCursor();

    // IqzMouseTrackingCaller
    void MouseLeave() override { MouseLeave(this); }
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

protected:
    void CreateHandle() override;
    void CreateParams(TCreateParams& params) override;
    void Notification(TComponent* component, TOperation operation) override;
    void DoEnter() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void DoContextPopup(POINT mousePos, bool& handled) override;

    void WMEraseBkgnd(TMessage& message);
    void WMWindowPosChanged(TMessage& message);
    void BMSetCheck(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMSysColorChange(TMessage& message);
    void CNDrawItem(TWMDrawItem& message);
    void CNMeasureItem(TWMMeasureItem& message);
    void CNKeyDown(TWMKey& message);
    void WMContextMenu(TWMContextMenu& message);

private:
    void LookAndFeelChangedHandler(TqzLookAndFeel* sender, TqzLookAndFeelValues values);
    void InvalidateButtonRect();
    void PlaceGlyph(const TSize& size, bool leftAtZero);
    void PaintCaption(bool native);
    bool IsDestroying() const { return GetComponentState().Contains(csDestroying); }

    TRect FButtonRect{};
    std::unique_ptr<TControlCanvas> FControlCanvas;
    std::unique_ptr<TqzCanvas> FCanvas;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    TComponent* FPopupMenu = nullptr;
    TqzRadioButtonState FButtonState = rbsNormal;
    bool FTransparent = false;
};

// ---- Radio group -------------------------------------------------------------------------------------

#include "suite/controls/qzGroupBox.h"

class TqzCustomRadioGroup;

// The private message that focuses an item's button (first parameter the item index).
constexpr UINT QZM_FOCUSRADIOITEM = 0x806A;

class TqzRadioGroupItem : public TqzButtonGroupItem {
    KOV_CLASS(TqzRadioGroupItem, TqzButtonGroupItem)
public:
    explicit TqzRadioGroupItem(TCollection* collection);
    ~TqzRadioGroupItem() override;
    void Assign(TPersistent* source) override;

    const Variant& GetValue() const { return FValue; }
    void SetValue(const Variant& value);
    bool IsValueStored() const { return !VarIsNull(FValue); }

private:
    Variant FValue;
};

class TqzRadioGroupItems : public TqzButtonGroupItems {
    KOV_CLASS(TqzRadioGroupItems, TqzButtonGroupItems)
public:
    using TqzButtonGroupItems::TqzButtonGroupItems;
    TqzRadioGroupItem* GetItem(Integer index) const { return static_cast<TqzRadioGroupItem*>(GetItems(index)); }
};

class TqzCustomRadioGroupProperties : public TqzCustomButtonGroupProperties {
    KOV_CLASS(TqzCustomRadioGroupProperties, TqzCustomButtonGroupProperties)
public:
    explicit TqzCustomRadioGroupProperties(TPersistent* owner);

    void Assign(TPersistent* source) override;
    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    bool HasSeparateChangeEvents() override { return true; }
    bool ComparesEditValues() override { return true; }
    bool AreDisplayValuesEqual(const Variant& v1, const Variant& v2) override;
    WideString GetDisplayTextWide(const Variant& editValue) override;
    Integer GetSupportedOperations() override { return inherited::GetSupportedOperations() | 0x1010; }
    bool CanResetEditValue() override { return true; }
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    TqzButtonGroupItems* CreateItems() override;
    Integer GetColumnCount() override;

    // The first item whose value (or, without one, caption) matches; -1 for none.
    Integer GetItemIndexOfValue(const Variant& value);
    TqzRadioGroupItems* GetRadioItems() { return static_cast<TqzRadioGroupItems*>(GetItems()); }

    const WideString& GetDefaultCaption() const { return FDefaultCaption; }
    void SetDefaultCaption(const WideString& value);
    bool IsDefaultCaptionStored() const { return !FDefaultCaption.empty(); }
    const Variant& GetDefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const Variant& value);
    bool IsDefaultValueStored() const { return !VarIsNull(FDefaultValue); }

private:
    WideString FDefaultCaption;
    Variant FDefaultValue;
};

class TqzRadioGroupProperties : public TqzCustomRadioGroupProperties {
    KOV_CLASS(TqzRadioGroupProperties, TqzCustomRadioGroupProperties)
public:
    using TqzCustomRadioGroupProperties::TqzCustomRadioGroupProperties;
};

class TqzCustomRadioGroupViewData : public TqzButtonGroupViewData {
    KOV_CLASS(TqzCustomRadioGroupViewData, TqzButtonGroupViewData)
public:
    using TqzButtonGroupViewData::TqzButtonGroupViewData;
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) override;
    void GetButtonMetrics(TqzCanvas* canvas, TqzButtonGroupMetrics& metrics) override;
    void CalculateButtonNativeState(TqzCustomEditViewInfo* viewInfo, TqzGroupBoxButtonViewInfo* button) override;
};

class TqzCustomRadioGroupViewInfo : public TqzButtonGroupViewInfo {
    KOV_CLASS(TqzCustomRadioGroupViewInfo, TqzButtonGroupViewInfo)
public:
    using TqzButtonGroupViewInfo::TqzButtonGroupViewInfo;
    static TqzContainerViewInfo* CreateInstance() { return new TqzCustomRadioGroupViewInfo(); }
    void PaintButton(TqzCanvas* canvas, Integer index) override;
    // Every item's glyph and caption when painted as a copy (the button windows are not drawn).
    void PaintItems(TqzCanvas* canvas) override;

    Integer ItemIndexDrawn = -1;
    bool MeasuringWordWrap = false;
    // False when the group's own (themed, parent's or transparent) background shows behind the items.
    bool PaintsItemBackground = true;
};

class TqzCustomRadioGroupButton : public TqzRadioButton, public IqzContainerInnerControl {
    KOV_CLASS(TqzCustomRadioGroupButton, TqzRadioButton)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomRadioGroupButton(TqzCustomRadioGroup* group);
    ~TqzCustomRadioGroupButton() override;

    bool IsInplace() const override;
    bool HasOwnBackground() const override;
    bool UsesTransparentProperty() const override;
    bool IsNativeStyle() const override;
    void Click() override;
    bool CanFocus() const override;
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;

    // IqzContainerInnerControl
    TqzContainer* GetControlContainer() override;
    TWinControl* GetControl() override { return this; }
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    TqzCustomRadioGroup* GetGroup() const { return FGroup; }
    Integer GetIndexInGroup() const;

protected:
    void DoEnter() override;
    void DoExit() override;
    void KeyPress(char32_t& key) override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(void* message) override;
    void CNCommand(TWMCommand& message);
    void WMGetDlgCode(TMessage& message);
    void WMSetFocus(TMessage& message);
    void WMKillFocus(TMessage& message);

private:
    TqzCustomRadioGroup* FGroup;
    bool FInClickNotification = false;
};

class TqzCustomRadioGroup : public TqzCustomButtonGroup {
    KOV_CLASS(TqzCustomRadioGroup, TqzCustomButtonGroup)
public:
    explicit TqzCustomRadioGroup(TComponent* owner, bool isInplace = false);

    void Initialize() override;
    TClass GetPropertiesClass() override { return TqzCustomRadioGroupProperties::StaticClass(); }
    void Activate(TqzCustomEditData*& editData) override;
    void ClearValue() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void ApplyEditValue(const Variant& value, bool prepare) override;
    bool HasFocusWithin() override;
    bool IsOwnScrollBar(TControl* control) override;
    void AdjustInnerControlBounds() override {}
    bool SkipsTabHandling() override { return IsInplace(); }
    void HandleCursorChange() override;
    void HandleParentBackgroundChange() override;
    using TqzCustomButtonGroup::GetTabOrderList;
    void GetTabOrderList(std::vector<TWinControl*>& list) const override;
    void HandleWindowMessage(TMessage& message) override;
    void SetDragMode(TDragMode value) override;
    void SetDragKind(TDragKind value) override;

    TWinControl* CreateButton() override;
    void UpdateButtonAppearance() override;
    void UpdateButtons() override;
    bool IsButtonDeviceContext(HDC dc) override;

    Integer GetItemIndex() const;
    void SetItemIndex(Integer value);
    Integer GetLoadedItemIndex() const { return FLoadedItemIndex; }
    // A button was entered: the index becomes its own, marked as the user's edit when focused.
    void SelectFromButton(Integer index, bool userEdit);
    TqzCustomRadioGroupButton* GetRadioButton(Integer index) const {
        return static_cast<TqzCustomRadioGroupButton*>(GetButton(index));
    }
    TqzCustomRadioGroupProperties* GetActiveRadioProperties() {
        return static_cast<TqzCustomRadioGroupProperties*>(GetPropertiesInUse());
    }
    TqzCustomRadioGroupViewInfo* GetRadioViewInfo() const {
        return static_cast<TqzCustomRadioGroupViewInfo*>(GetViewInfo());
    }
    using TqzCustomButtonGroup::ForgetButton;

protected:
    TqzCustomRadioGroup(TComponent* owner, bool isInplace, bool deferInitialization);
    void Loaded() override;
    void Resize() override;
    bool HandleDialogChar(char32_t ch) override;

private:
    void ApplyValueAndIndex(const Variant& value, Integer index, bool prepare);
    Integer FLoadedItemIndex = -1;
};

class TqzRadioGroup : public TqzCustomRadioGroup {
    KOV_CLASS(TqzRadioGroup, TqzCustomRadioGroup)
public:
    explicit TqzRadioGroup(TComponent* owner);
    TqzRadioGroup(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzRadioGroupProperties::StaticClass(); }
    TqzRadioGroupProperties* GetProperties() const {
        return static_cast<TqzRadioGroupProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetRadioProperties(TqzRadioGroupProperties* value) { GetProperties()->Assign(value); }
    bool IsItemIndexStored() const { return GetItemIndex() != -1; }
};
