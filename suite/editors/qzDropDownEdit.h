// The drop-down editors of the suite: the masked editor with a drop-down button and a popup
// window, the popup window itself with its frame, system panel, size grip and close button, the
// combo box with its owner-drawn list, and the popup edit that hosts any control of the
// application in its popup.
#pragma once

#include <memory>

#include "platform/classlib/Forms.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

class TqzCustomDropDownEdit;
class TqzCustomEditPopupWindow;

// Private messages: a typed character forwarded to the popup's focused window, and the lookup
// synchronised with pasted text once the paste is over.
constexpr UINT QZM_POPUPTYPEDCHAR = 0x806B;
constexpr UINT QZM_LOCATETYPEDTEXT = 0x806C;

// Close reasons of a drop-down editor's popup.
constexpr TqzEditCloseUpReason qzcrUnknown = 0;
constexpr TqzEditCloseUpReason qzcrTab = 1;
constexpr TqzEditCloseUpReason qzcrToggle = 2;
constexpr TqzEditCloseUpReason qzcrCancel = 3;
constexpr TqzEditCloseUpReason qzcrAccept = 4;

using TqzEditPopupWindowClass = TqzCustomEditPopupWindow* (*)(TqzCustomDropDownEdit* editor);

// ---- Drop-down editor properties ------------------------------------------------------------

class TqzCustomDropDownEditProperties : public TqzCustomMaskEditProperties {
    KOV_CLASS(TqzCustomDropDownEditProperties, TqzCustomMaskEditProperties)
public:
    explicit TqzCustomDropDownEditProperties(TPersistent* owner);
    ~TqzCustomDropDownEditProperties() override;

    // ---- Introduced virtuals, in slot order ----
    virtual Integer GetDropDownButtonIndex() { return FDropDownButtonIndex; }
    // A click on the text opens the popup.
    virtual bool DropDownOnClick() { return false; }
    // The value is edited inside the popup and posted once the popup window has closed.
    virtual bool EditsValueInPopup() { return false; }
    virtual TqzEditPopupWindowClass GetPopupWindowClass();
    virtual bool PopupFitsWorkArea() { return true; }
    virtual bool PopupWindowCapturesFocus() { return false; }

    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    bool HasLookupListPopup() override { return true; }
    void Changed() override;
    void Assign(TPersistent* source) override;

    // Moves the glyph to another button.
    void SetDropDownButtonIndex(Integer value);

    TBitmap* GetButtonGlyph() const { return FButtonGlyph.get(); }
    void SetButtonGlyph(TBitmap* value);
    bool GetImmediateDropDown() const { return FImmediateDropDown; }
    void SetImmediateDropDown(bool value) { FImmediateDropDown = value; }
    bool GetImmediatePopup() const { return FImmediatePopup; }
    void SetImmediatePopup(bool value) { FImmediatePopup = value; }
    TAlignment GetPopupAlignment() const;
    void SetPopupAlignment(TAlignment value);
    bool GetPopupAutoSize() const { return FPopupAutoSize; }
    void SetPopupAutoSize(bool value) { FPopupAutoSize = value; }
    bool GetPopupClientEdge() const { return FPopupClientEdge; }
    void SetPopupClientEdge(bool value);
    Integer GetPopupHeight() const { return FPopupHeight; }
    void SetPopupHeight(Integer value);
    Integer GetPopupMinHeight() const { return FPopupMinHeight; }
    void SetPopupMinHeight(Integer value);
    Integer GetPopupMinWidth() const { return FPopupMinWidth; }
    void SetPopupMinWidth(Integer value);
    bool GetPopupSizeable() const { return FPopupSizeable; }
    void SetPopupSizeable(bool value);
    bool GetPopupSysPanelStyle() const { return FPopupSysPanelStyle; }
    void SetPopupSysPanelStyle(bool value);
    Integer GetPopupWidth() const { return FPopupWidth; }
    void SetPopupWidth(Integer value);
    bool GetPostPopupValueOnTab() const { return FPostPopupValueOnTab; }
    void SetPostPopupValueOnTab(bool value) { FPostPopupValueOnTab = value; }

    // Popup placement (the popup base's values): direction 1 vertical; horizontal 0 left, 1 centre,
    // 2 right; vertical 2 below.
    Integer GetPopupDirection() const { return FPopupDirection; }
    Integer GetPopupHorzAlignment() const { return FPopupHorzAlignment; }
    Integer GetPopupVertAlignment() const { return FPopupVertAlignment; }

    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnInitPopup;
    TNotifyEvent OnPopup;

private:
    // The drop-down button's Kind follows its glyph.
    void SyncDropDownButtonKind();

    std::unique_ptr<TBitmap> FButtonGlyph;
    Integer FDropDownButtonIndex = 0;
    bool FImmediateDropDown = true;
    bool FImmediatePopup = false;
    bool FPopupAutoSize = true;
    bool FPopupClientEdge = false;
    Integer FPopupHeight = 0;
    Integer FPopupMinHeight = 0;
    Integer FPopupMinWidth = 0;
    bool FPopupSizeable = false;
    bool FPopupSysPanelStyle = false;
    Integer FPopupWidth = 0;
    bool FPostPopupValueOnTab = false;
    Integer FPopupDirection = 1;
    Integer FPopupHorzAlignment = 0;
    Integer FPopupVertAlignment = 2;
    bool FChanging = false;
};

// ---- In-place edit data, view data, look and feel, native edit -------------------------------

class TqzCustomDropDownEditData : public TqzCustomEditData {
    KOV_CLASS(TqzCustomDropDownEditData, TqzCustomEditData)
public:
    using TqzCustomEditData::TqzCustomEditData;
    static TqzCustomEditData* CreateInstance(TqzCustomEdit* editor) {
        return new TqzCustomDropDownEditData(editor);
    }

    bool UserSized = false;
    Integer Width = 0;
    Integer Height = 0;
};

class TqzCustomDropDownEditViewData : public TqzCustomTextEditViewData {
    KOV_CLASS(TqzCustomDropDownEditViewData, TqzCustomTextEditViewData)
public:
    using TqzCustomTextEditViewData::TqzCustomTextEditViewData;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties,
                                                 TqzCustomEditStyle* style, bool isInplace);

    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    bool CanPressButton(TqzCustomEditViewInfo* viewInfo, Integer index) override;

    bool IsPopupOpen = false;
    bool IsHotAndPopup = false;
};

// The look and feel of the popup's content: the editor's look, resolved from its buttons.
class TqzEditPopupControlLookAndFeel : public TqzLookAndFeel {
    KOV_CLASS(TqzEditPopupControlLookAndFeel, TqzLookAndFeel)
public:
    explicit TqzEditPopupControlLookAndFeel(TqzCustomDropDownEdit* editor);

    TqzLookAndFeelKind ResolveKind() const override;
    bool ResolveNativeStyle() const override;
    // Tells the listeners about a kind or native style that changed since the last refresh.
    void Refresh();

private:
    TqzCustomDropDownEdit* FEditor;
    TqzLookAndFeelKind FLastKind;
    bool FLastNativeStyle;
};

class TqzCustomDropDownInnerEdit : public TqzCustomInnerTextEdit {
    KOV_CLASS(TqzCustomDropDownInnerEdit, TqzCustomInnerTextEdit)
public:
    using TqzCustomInnerTextEdit::TqzCustomInnerTextEdit;
    void WndProc(TMessage& message) override;
};

// ---- Drop-down editor -----------------------------------------------------------------------

class TqzCustomDropDownEdit : public TqzCustomMaskEdit {
    KOV_CLASS(TqzCustomDropDownEdit, TqzCustomMaskEdit)
public:
    explicit TqzCustomDropDownEdit(TComponent* owner);
    TqzCustomDropDownEdit(TComponent* owner, bool isInplace);
    ~TqzCustomDropDownEdit() override;

    // ---- Introduced virtuals, in slot order ----
    virtual bool CanShowPopup() { return false; }
    virtual void CloseUp(TqzEditCloseUpReason reason);
    virtual void CreatePopupWindow();
    virtual void DoInitPopup();
    virtual void DoPopup();
    virtual void DropDown();
    virtual void ReservedHook() {}
    virtual TWinControl* GetPopupFocusedControl();
    virtual void GetPopupContentSize(Integer& width, Integer& height) = 0;
    virtual void AttachLookupList();
    virtual void SetupPopupWindow();
    virtual void PopupLookAndFeelChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues changed) {}
    virtual void PositionPopupContent(const TRect& clientRect);
    virtual void PreparePopupWindow();
    // Bound to the popup's events.
    virtual void PopupWindowClosed(TObject* sender);
    virtual void PopupWindowCloseQuery(TObject* sender, bool& canClose);
    virtual void PopupWindowClosing(TObject* sender) {}
    virtual void PopupWindowShowing(TObject* sender) {}
    virtual void PopupWindowShowed(TObject* sender);

    // ---- Overrides ----
    TClass GetPropertiesClass() override { return TqzCustomDropDownEditProperties::StaticClass(); }
    TqzCustomEditDataClass GetEditDataClass() override { return &TqzCustomDropDownEditData::CreateInstance; }
    TClass GetInnerEditClass() override { return TqzCustomDropDownInnerEdit::StaticClass(); }
    TqzContainerStyleValues GetHiddenStyleValues() override { return TqzContainerStyleValues{}; }
    void Initialize() override;
    bool HasOpenPopup() override;
    bool CanDropDown(bool flag) override;
    void HandleEditDataCleared() override;
    void ApplyActiveProperties(TObject* properties) override;
    void StyleChanged(TqzContainerStyle* sender) override;
    TqzCustomEditViewData* CreateViewData() override;
    bool UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent) override;
    void HandleFocusChange() override;
    void BeforeTabFocusMove(TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleButtonPress(Integer index) override;
    bool HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void Activate(TqzCustomEditData*& editData) override;
    void ActivateByKey(char32_t key, TqzCustomEditData*& editData) override;
    void ActivateByMouse(TShiftState shift, Integer x, Integer y, TqzCustomEditData*& editData) override;
    bool ForwardsActivationKey(char32_t ch) override;
    bool ValidateAndSynchronize() override;
    bool IsClickKey(Word key, TShiftState shift) override;
    void PasteFromClipboard() override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void HandleWindowMessage(TMessage& message) override;
    // A key pressed in a popup that holds the focus (its own modal loop runs): Alt+Up, Alt+Down
    // and F4 close it with the toggle reason, Enter accepts, Escape cancels, and Tab with
    // PostPopupValueOnTab closes with the Tab reason, as in the editor itself; a key taken is 0.
    void HandlePopupKeyDown(Word& key, TShiftState shift);

    // ---- Operations ----
    bool GetDroppedDown() { return HasOpenPopup(); }
    void SetDroppedDown(bool value);
    // The editor's hot zone (a cell's rectangle in place) in the parent's coordinates, 3 pixels
    // wider with a shadow.
    TRect GetPopupOwnerBounds();
    // A show request still in the popup's queue is dropped, and the closed handling runs.
    void CancelPendingShow();
    bool HasPendingShow();
    // The lookup synchronised with the text after a paste.
    void LocateTypedText();
    void FireCloseUpEvents();
    void UpdateHotAndPopup();

    TqzCustomDropDownEditProperties* GetDropDownProperties() const {
        return static_cast<TqzCustomDropDownEditProperties*>(GetProperties());
    }
    TqzCustomDropDownEditProperties* GetActiveDropDownProperties() {
        return static_cast<TqzCustomDropDownEditProperties*>(GetActiveProperties());
    }
    TqzCustomEditPopupWindow* GetPopupWindow() const { return FPopupWindow.get(); }
    TqzEditPopupControlLookAndFeel* GetPopupLookAndFeel() const { return FPopupLookAndFeel.get(); }
    TqzEditCloseUpReason GetCloseUpReason() const { return FCloseUpReason; }
    void SetCloseUpReason(TqzEditCloseUpReason value) { FCloseUpReason = value; }
    bool IsHotAndPopup() const { return FIsHotAndPopup; }
    bool GetUserSized() const { return FUserSized; }
    void SetUserSized(bool value) { FUserSized = value; }
    bool GetResizedByUser() const { return FResizedByUser; }
    void SetResizedByUser(bool value) { FResizedByUser = value; }
    bool ListMouseMoveSuppressed = false;

protected:
    TqzCustomDropDownEdit(TComponent* owner, bool isInplace, bool deferInitialization);
    void CreateHandle() override;
    void DestroyWnd() override;
    void HandleExit() override;

    std::unique_ptr<TqzCustomEditPopupWindow> FPopupWindow;
    std::unique_ptr<TqzEditPopupControlLookAndFeel> FPopupLookAndFeel;
    bool FActivatedByMouse = false;
    bool FIsHotAndPopup = false;
    bool FUserSized = false;
    bool FResizedByUser = false;
    TqzEditCloseUpReason FCloseUpReason = qzcrUnknown;
};

// ---- Edit popup window ----------------------------------------------------------------------

class TqzCustomEditPopupWindowViewInfo : public TqzContainerViewInfo {
    KOV_CLASS(TqzCustomEditPopupWindowViewInfo, TqzContainerViewInfo)
public:
    TqzCustomEditPopupWindowViewInfo() = default;

    void PaintBackground(TqzCanvas* canvas) override;

    // ---- Introduced virtuals, in slot order ----
    virtual void Calculate();
    virtual void DrawPopupBorder(TqzCanvas* canvas, TRect& r);
    virtual void CalculateClientExtent(TRect& extents);
    virtual void GetClientExtent(TRect& extents);
    virtual Integer CalculateSysPanelHeight();
    // The directions are left in the unit's sizing state.
    virtual bool GetSizingDirection(Integer x, Integer y);

    Integer GetDefaultSysPanelHeight();
    Integer GetBorderWidthValue();
    Integer GetClientEdgeWidthValue();
    bool IsGripOnRight() const { return SizeGripCorner == 1 || SizeGripCorner == 3; }
    bool IsGripAtBottom() const { return SizeGripCorner >= 2; }

    TqzEditPopupBorderStyle PopupBorderStyle = epbsDefault;
    bool ClientEdge = false;
    bool CloseButton = false;
    TRect CloseButtonRect;
    TqzLookAndFeelKind CloseButtonKind = lfStandard;
    Integer CloseButtonNativeState = 0;
    TqzButtonState CloseButtonState = qzbsNormal;
    Integer RequestedSysPanelHeight = 0;
    bool Sizeable = false;
    Byte SizeGripCorner = 3;
    TRect SizeGripRect;
    TRect SizeGripSizingRect;
    TRect SizingRegionBounds;
    Integer SizingOffset = 0;
    Integer SysPanelHeight = 0;
    bool SysPanelStyle = false;

protected:
    void DrawSizeGrip(TqzCanvas* canvas);
    void DrawCloseButton(TqzCanvas* canvas);
};

class TqzPopupEditPopupWindowViewInfo : public TqzCustomEditPopupWindowViewInfo {
    KOV_CLASS(TqzPopupEditPopupWindowViewInfo, TqzCustomEditPopupWindowViewInfo)
public:
    void DrawPopupBorder(TqzCanvas* canvas, TRect& r) override;
};

// The unit's sizing state: one drag at a time, on the user-interface thread.
struct TqzEditPopupSizingState {
    bool Sizing = false;
    bool SizingCursor = false;
    Integer HorzDirection = 0;
    Integer VertDirection = 0;
    Integer GrabX = 0;
    Integer GrabY = 0;
    TRect LastOutline;
    TRect Target;
};
TqzEditPopupSizingState& GetEditPopupSizingState();
// The outline window shown while sizing (nullptr when none is shown).
HWND GetEditPopupSizingOutlineWindow();

class TqzCustomEditPopupWindow : public TqzCustomPopupWindow {
    KOV_CLASS(TqzCustomEditPopupWindow, TqzCustomPopupWindow)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomEditPopupWindow(TqzCustomDropDownEdit* editor);
    ~TqzCustomEditPopupWindow() override;
    static TqzCustomEditPopupWindow* CreateInstance(TqzCustomDropDownEdit* editor) {
        return new TqzCustomEditPopupWindow(editor);
    }

    // ---- Introduced virtuals, in slot order ----
    virtual void CalculateViewInfo();
    virtual void ForwardChar(char32_t ch);
    virtual void CalculateMinSize(TSize& size);

    void CalcPopupPosition(TPoint& point) override;
    void FitToContents() override;
    bool LimitsToWorkArea() override;
    void NotifyClosed() override;
    void NotifyClosing() override;
    void CloseByModalResult() override;
    TqzContainerViewInfoClass GetViewInfoClass() override;
    void AdjustClientRect(RECT& rect) override;
    void HandlePopupMouseLeave(TControl* control) override;
    // Keys of the hosted controls (the form previews them) that close the popup go to its editor.
    void KeyDown(Word& key, TShiftState shift) override;
    bool FocusedChildWantsAllKeys();

    // The frame's mouse handling (the framework's press, move and release in popup coordinates).
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
    void HandleMouseMove(TShiftState shift, Integer x, Integer y);
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
    bool ConstrainResize(Integer& newWidth, Integer& newHeight);
    void DrawSizingOutline(const TRect& rect);
    // One step of a drag: the new bounds by the pointer at (x, y), shown as the outline.
    void SizeByMouse(Integer x, Integer y);
    void RefreshLayout();
    void UpdateWindowRegion();

    TqzCustomDropDownEdit* GetEdit() const;
    TqzCustomEditPopupWindowViewInfo* GetEditViewInfo() const {
        return static_cast<TqzCustomEditPopupWindowViewInfo*>(TqzCustomPopupWindow::GetViewInfo());
    }
    TqzCustomEditPopupWindowViewInfo* GetViewInfo() const { return GetEditViewInfo(); }

    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) override { FAutoSize = value; }
    TqzEditPopupBorderStyle GetEditPopupBorderStyle() const { return FEditPopupBorderStyle; }
    void SetEditPopupBorderStyle(TqzEditPopupBorderStyle value);
    bool GetClientEdge() const { return FClientEdge; }
    void SetClientEdge(bool value);
    bool GetCloseButton() const { return FCloseButton; }
    void SetCloseButton(bool value);
    Integer GetMinHeight() const { return FMinHeight; }
    void SetMinHeight(Integer value) { FMinHeight = value; }
    Integer GetMinWidth() const { return FMinWidth; }
    void SetMinWidth(Integer value) { FMinWidth = value; }
    bool GetNativeStyle() const { return FNativeStyle; }
    void SetNativeStyle(bool value);
    Integer GetPopupHeight() const { return FPopupHeight; }
    void SetPopupHeight(Integer value) { FPopupHeight = value; }
    Integer GetPopupWidth() const { return FPopupWidth; }
    void SetPopupWidth(Integer value) { FPopupWidth = value; }
    bool GetShadow() const { return FShadow; }
    void SetShadow(bool value);
    bool GetSizeable() const { return FSizeable; }
    void SetSizeable(bool value);
    bool GetSysPanelStyle() const { return FSysPanelStyle; }
    void SetSysPanelStyle(bool value);
    Integer GetSysPanelHeight() const { return GetEditViewInfo()->RequestedSysPanelHeight; }
    void SetSysPanelHeight(Integer value) { GetEditViewInfo()->RequestedSysPanelHeight = value; }

    // The close query of the popup form (OnCloseQuery).
    bool QueryClose() { return CloseQuery(); }

protected:
    TqzCustomEditPopupWindow(TqzCustomDropDownEdit* editor, bool deferInitialization);
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void Resize() override;
    void Paint() override;
    void QZMTypedChar(TMessage& message);
    // Tab reaches the form as a dialog key before any key-down: with PostPopupValueOnTab it closes
    // the popup, else it moves the focus among the hosted controls.
    void CMDialogKey(TMessage& message);

    // Owner bounds on the screen (left, top, right, bottom).
    TRect OwnerScreenBounds();
    void InvalidatePopupRect(const TRect& rect);

    bool FAutoSize = false;
    TqzEditPopupBorderStyle FEditPopupBorderStyle = epbsDefault;
    bool FClientEdge = false;
    bool FCloseButton = false;
    Integer FMinHeight = 0;
    Integer FMinWidth = 0;
    bool FNativeStyle = false;
    Integer FPopupHeight = 0;
    Integer FPopupWidth = 0;
    bool FShadow = false;
    bool FSizeable = false;
    bool FSysPanelStyle = false;
};

class TqzComboBoxPopupWindow : public TqzCustomEditPopupWindow {
    KOV_CLASS(TqzComboBoxPopupWindow, TqzCustomEditPopupWindow)
public:
    using TqzCustomEditPopupWindow::TqzCustomEditPopupWindow;
    static TqzCustomEditPopupWindow* CreateInstance(TqzCustomDropDownEdit* editor) {
        return new TqzComboBoxPopupWindow(editor);
    }
    void FitToContents() override;
};

class TqzPopupEditPopupWindow : public TqzCustomEditPopupWindow {
    KOV_CLASS(TqzPopupEditPopupWindow, TqzCustomEditPopupWindow)
public:
    explicit TqzPopupEditPopupWindow(TqzCustomDropDownEdit* editor);
    static TqzCustomEditPopupWindow* CreateInstance(TqzCustomDropDownEdit* editor) {
        return new TqzPopupEditPopupWindow(editor);
    }
    TqzContainerViewInfoClass GetViewInfoClass() override;
};

// ---- Combo box -------------------------------------------------------------------------------

enum TqzEditDropDownListStyle : Byte { lsEditFixedList, lsEditList, lsFixedList };

class TqzCustomComboBox;

using TqzEditDrawItemEvent = TClosure<void(TqzCustomComboBox* AControl, TqzCanvas* ACanvas, Integer AIndex,
                                           const TRect& ARect, TOwnerDrawState AState)>;
using TqzEditMeasureItemEvent =
    TClosure<void(TqzCustomComboBox* AControl, Integer AIndex, TqzCanvas* ACanvas, Integer& AHeight)>;

class TqzCustomComboBoxProperties : public TqzCustomDropDownEditProperties {
    KOV_CLASS(TqzCustomComboBoxProperties, TqzCustomDropDownEditProperties)
public:
    explicit TqzCustomComboBoxProperties(TPersistent* owner);

    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    TClass GetLookupDataClass() const override;
    bool UsesLookupData() override { return true; }
    Integer GetDropDownRows() override { return FDropDownRows; }
    TqzTextEditingStyle GetEditingStyle() override;
    bool DropDownOnClick() override { return FDropDownListStyle == lsFixedList; }
    TqzEditPopupWindowClass GetPopupWindowClass() override { return &TqzComboBoxPopupWindow::CreateInstance; }
    void Assign(TPersistent* source) override;

    TqzEditDropDownListStyle GetDropDownListStyle() const { return FDropDownListStyle; }
    void SetDropDownListStyle(TqzEditDropDownListStyle value);
    Integer GetDropDownRowsValue() const { return FDropDownRows; }
    void SetDropDownRows(Integer value);
    Integer GetItemHeight() const { return FItemHeight; }
    void SetItemHeight(Integer value);
    bool GetDropDownAutoWidth() const { return GetPopupAutoSize(); }
    void SetDropDownAutoWidth(bool value) { SetPopupAutoSize(value); }
    bool GetDropDownSizeable() const { return GetPopupSizeable(); }
    void SetDropDownSizeable(bool value) { SetPopupSizeable(value); }
    Integer GetDropDownWidth() const { return GetPopupWidth(); }
    void SetDropDownWidth(Integer value) { SetPopupWidth(value); }
    TStringList* GetItems() const { return GetLookupItems(); }
    void SetItems(TStrings* value) { SetLookupItems(value); }
    bool GetSorted() const { return GetLookupItemsSorted(); }
    void SetSorted(bool value) { SetLookupItemsSorted(value); }

    bool Revertable = false;
    TqzEditDrawItemEvent OnDrawItem;
    TqzEditMeasureItemEvent OnMeasureItem;

private:
    TqzEditDropDownListStyle FDropDownListStyle = lsEditList;
    Integer FDropDownRows = 8;
    Integer FItemHeight = 0;
};

class TqzComboBoxProperties : public TqzCustomComboBoxProperties {
    KOV_CLASS(TqzComboBoxProperties, TqzCustomComboBoxProperties)
public:
    using TqzCustomComboBoxProperties::TqzCustomComboBoxProperties;
};

class TqzCustomComboBoxInnerEdit : public TqzCustomDropDownInnerEdit {
    KOV_CLASS(TqzCustomComboBoxInnerEdit, TqzCustomDropDownInnerEdit)
public:
    using TqzCustomDropDownInnerEdit::TqzCustomDropDownInnerEdit;

protected:
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
};

class TqzComboBoxLookupData : public TqzCustomTextEditLookupData {
    KOV_CLASS(TqzComboBoxLookupData, TqzCustomTextEditLookupData)
public:
    using TqzCustomTextEditLookupData::TqzCustomTextEditLookupData;

    TqzCustomEditListBoxClass GetListBoxClass() override;
    TWinControl* InitializeList(TWinControl* parent) override;
    TSize GetListPreferredSize() override;
    bool CanResizeList(TSize& size, const TSize& limit) override;
    // The preferred size within a maximum height and width (a width of 0: no limit).
    TSize GetListPreferredSizeWithin(Integer maxHeight, Integer maxWidth);

    TqzCustomComboBox* GetComboBox() const;
};

class TqzCustomComboBoxListBox : public TqzCustomEditListBox {
    KOV_CLASS(TqzCustomComboBoxListBox, TqzCustomEditListBox)
public:
    explicit TqzCustomComboBoxListBox(TComponent* owner);

    String GetItemText(Integer index) override;
    bool DoDrawItem(Integer index, const TRect& rect, TOwnerDrawState state) override;
    Integer GetHeightForRows(Integer rows, Integer maxHeight) override;
    void UpdateListSettings() override { RecreateWindow(); }
    virtual Integer GetItemHeight(Integer index) { return GetListItemHeight(index); }

    TqzCustomComboBox* GetComboBox();
    // A press in the list of a popup that leaves the focus in the editor selects and captures
    // without focusing the list.
    void WndProc(TMessage& message) override;

protected:
    void MeasureItem(Integer index, Integer& height) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;

private:
    bool FPressedWithoutFocus = false;
};

class TqzComboBoxListBox : public TqzCustomComboBoxListBox {
    KOV_CLASS(TqzComboBoxListBox, TqzCustomComboBoxListBox)
public:
    using TqzCustomComboBoxListBox::TqzCustomComboBoxListBox;
    static TqzCustomEditListBox* CreateInstance(TComponent* owner) { return new TqzComboBoxListBox(owner); }

    Integer GetItemHeight(Integer index) override;
    void UpdateListSettings() override;
    void SetItemIndex(Integer value) override;

protected:
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    // While the list is open, the size-grip corner between both overlay scroll bars is painted
    // again.
    void Resize() override;
};

class TqzCustomComboBoxViewData : public TqzCustomDropDownEditViewData {
    KOV_CLASS(TqzCustomComboBoxViewData, TqzCustomDropDownEditViewData)
public:
    using TqzCustomDropDownEditViewData::TqzCustomDropDownEditViewData;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties,
                                                 TqzCustomEditStyle* style, bool isInplace);

    bool IsComboBoxView() override { return true; }
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue,
                             TqzCustomEditViewInfo* viewInfo) override;
};

class TqzCustomComboBoxViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzCustomComboBoxViewInfo, TqzCustomTextEditViewInfo)
public:
    TqzCustomComboBoxViewInfo();
    static TqzContainerViewInfo* CreateInstance() { return new TqzCustomComboBoxViewInfo(); }

    Integer ItemIndex = -1;
    TqzCustomComboBox* DrawingEditor = nullptr;

private:
    void DrawItem(TqzCanvas* canvas, const TRect& rect);
};

class TqzCustomComboBox : public TqzCustomDropDownEdit {
    KOV_CLASS(TqzCustomComboBox, TqzCustomDropDownEdit)
public:
    explicit TqzCustomComboBox(TComponent* owner);
    TqzCustomComboBox(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCustomComboBoxProperties::StaticClass(); }
    TClass GetInnerEditClass() override { return TqzCustomComboBoxInnerEdit::StaticClass(); }
    void Initialize() override;
    void Activate(TqzCustomEditData*& editData) override;
    bool CanShowPopup() override;
    void SetupPopupWindow() override;
    void GetPopupContentSize(Integer& width, Integer& height) override;
    void HandleContentChange(TObject* sender) override;
    void HandleDblClick() override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void PopupWindowShowed(TObject* sender) override;

    void SyncLookupWithText();
    void ResetPopupHeight();
    void DoDrawItem(TqzCanvas* canvas, Integer index, const TRect& rect, TOwnerDrawState state);
    void DoMeasureItem(Integer index, TqzCanvas* canvas, Integer& height);
    bool HasDrawItemHandler();
    bool HasMeasureItemHandler();
    TqzComboBoxLookupData* GetComboLookupData() const;
    TqzCustomComboBoxProperties* GetComboProperties() const {
        return static_cast<TqzCustomComboBoxProperties*>(GetProperties());
    }
    TqzCustomComboBoxProperties* GetActiveComboProperties() {
        return static_cast<TqzCustomComboBoxProperties*>(GetActiveProperties());
    }

protected:
    TqzCustomComboBox(TComponent* owner, bool isInplace, bool deferInitialization);
};

class TqzComboBox : public TqzCustomComboBox {
    KOV_CLASS(TqzComboBox, TqzCustomComboBox)
public:
    explicit TqzComboBox(TComponent* owner);
    TqzComboBox(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzComboBoxProperties::StaticClass(); }
    TqzComboBoxProperties* GetProperties() const {
        return static_cast<TqzComboBoxProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzComboBoxProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};

// ---- Popup edit ------------------------------------------------------------------------------

class TqzCustomPopupEditProperties : public TqzCustomDropDownEditProperties {
    KOV_CLASS(TqzCustomPopupEditProperties, TqzCustomDropDownEditProperties)
public:
    explicit TqzCustomPopupEditProperties(TPersistent* owner);
    ~TqzCustomPopupEditProperties() override;

    TClass GetContainerClass() const override;
    TqzEditPopupWindowClass GetPopupWindowClass() override {
        return &TqzPopupEditPopupWindow::CreateInstance;
    }
    bool HasLookupListPopup() override { return false; }
    bool PopupWindowCapturesFocus() override { return true; }
    void HandleFreeNotification(TObject* sender, TComponent* component) override;
    void Assign(TPersistent* source) override;

    TControl* GetPopupControl() const { return FPopupControl; }
    void SetPopupControl(TControl* value);

private:
    TControl* FPopupControl = nullptr;
};

class TqzPopupEditProperties : public TqzCustomPopupEditProperties {
    KOV_CLASS(TqzPopupEditProperties, TqzCustomPopupEditProperties)
public:
    explicit TqzPopupEditProperties(TPersistent* owner);
};

class TqzCustomPopupEdit : public TqzCustomDropDownEdit {
    KOV_CLASS(TqzCustomPopupEdit, TqzCustomDropDownEdit)
public:
    explicit TqzCustomPopupEdit(TComponent* owner);
    TqzCustomPopupEdit(TComponent* owner, bool isInplace);
    ~TqzCustomPopupEdit() override;

    // ---- Introduced virtuals, in slot order ----
    virtual void ClosePopup(TqzEditCloseUpReason reason);
    virtual void RestorePopupControl();
    virtual void SavePopupControlState();

    TClass GetPropertiesClass() override { return TqzCustomPopupEditProperties::StaticClass(); }
    bool CanShowPopup() override;
    void DoInitPopup() override;
    TWinControl* GetPopupFocusedControl() override;
    void GetPopupContentSize(Integer& width, Integer& height) override;
    void PositionPopupContent(const TRect& clientRect) override;
    void PreparePopupWindow() override;
    void PopupWindowClosed(TObject* sender) override;

    TControl* GetActivePopupControl();

protected:
    TqzCustomPopupEdit(TComponent* owner, bool isInplace, bool deferInitialization);

private:
    TAlign FSavedAlign = alNone;
    TRect FSavedBounds;
    TWinControl* FSavedParent = nullptr;
    bool FSavedVisible = false;
    TFormBorderStyle FSavedBorderStyle = bsSizeable;
    bool FStateSaved = false;
};

class TqzPopupEdit : public TqzCustomPopupEdit {
    KOV_CLASS(TqzPopupEdit, TqzCustomPopupEdit)
public:
    explicit TqzPopupEdit(TComponent* owner);
    TqzPopupEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzPopupEditProperties::StaticClass(); }
    TqzPopupEditProperties* GetProperties() const {
        return static_cast<TqzPopupEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzPopupEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};
