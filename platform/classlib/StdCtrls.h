// The standard controls of the class library: labels (painted by their parent), static texts,
// group boxes, push buttons, check boxes and radio buttons. The windowed ones are subclassed
// standard window classes ("BUTTON", "STATIC"); their notifications come back to them from the
// parent as CN_COMMAND, their colours are answered on CN_CTLCOLORBTN / CN_CTLCOLORSTATIC, and an
// owner-drawn button is asked to draw itself on CN_DRAWITEM.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/winapi/WinOwnerDraw.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

// Whether the character is the mnemonic of a caption ("&Save" and 's' or 'S'); "&&" is a plain
// ampersand.
bool IsAccel(UINT charCode, const String& caption);
// The caption without its mnemonic marks ("&&" stays one "&").
String StripHotkey(const String& caption);

// ---- Labels -----------------------------------------------------------------------------------

class TCustomLabel : public TGraphicControl {
    KOV_CLASS(TCustomLabel, TGraphicControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout GetLayout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // A transparent label leaves its parent's background; an opaque one fills with Color.
    bool GetTransparent() const { return !FControlStyle.Contains(csOpaque); }
    void SetTransparent(bool value);
    // The control its mnemonic focuses.
    TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value);
    bool GetShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    TEllipsisPosition GetEllipsisPosition() const { return FEllipsisPosition; }
    void SetEllipsisPosition(TEllipsisPosition value);
    // With AutoSize the label takes the size of its text (the width kept when it wraps).
    void SetAutoSize(bool value) override;

    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the caption in rect with the label's font.
    virtual void DoDrawText(TRect& rect, UINT flags);
    // The text drawn: the caption, or a blank for an empty caption while measuring.
    virtual String GetLabelText() const { return GetCaption(); }
    virtual void AdjustBounds();
    UINT DrawTextFlags() const;

    void CMTextChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
    void CMDialogChar(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    TEllipsisPosition FEllipsisPosition = epNone;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
    KOV_CLASS(TLabel, TCustomLabel)
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// ---- Static text ------------------------------------------------------------------------------

class TCustomStaticText : public TWinControl {
    KOV_CLASS(TCustomStaticText, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomStaticText(TComponent* owner);

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TStaticBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TStaticBorderStyle value);
    TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value);
    bool GetShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    void SetAutoSize(bool value) override;

    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& params) override;
    virtual void AdjustBounds();
    void CNCtlColorStatic(TMessage& message);
    void CMDialogChar(TMessage& message);
    void CMTextChanged(TMessage& message);
    void CMFontChanged(TMessage& message);

private:
    TAlignment FAlignment = taLeftJustify;
    TStaticBorderStyle FBorderStyle = sbsNone;
    TWinControl* FFocusControl = nullptr;
    bool FShowAccelChar = true;
    TControlBrush FBrush;
};

class TStaticText : public TCustomStaticText {
    KOV_CLASS(TStaticText, TCustomStaticText)
public:
    explicit TStaticText(TComponent* owner) : TCustomStaticText(owner) {}
};

// ---- Group box --------------------------------------------------------------------------------

class TCustomGroupBox : public TCustomControl {
    KOV_CLASS(TCustomGroupBox, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomGroupBox(TComponent* owner);
    // Inside the etched frame, below the caption.
    void AdjustClientRect(RECT& rect) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void CMDialogChar(TMessage& message);
    void CMTextChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
};

class TGroupBox : public TCustomGroupBox {
    KOV_CLASS(TGroupBox, TCustomGroupBox)
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

// ---- Buttons ----------------------------------------------------------------------------------

class TButtonControl : public TWinControl {
    KOV_CLASS(TButtonControl, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TButtonControl(TComponent* owner);

    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // While set, a change of Checked (or State) made by code runs no OnClick.
    bool GetClicksDisabled() const { return FClicksDisabled; }
    void SetClicksDisabled(bool value) { FClicksDisabled = value; }

protected:
    void CreateParams(TCreateParams& params) override;
    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool value) {}
    // OnClick is due for a change of Checked: not while disabled, not while loading.
    bool ClickAllowed() const;

    void CNCtlColor(TMessage& message);
    void WMEraseBkgnd(TMessage& message);

    TControlBrush FBrush;

private:
    bool FClicksDisabled = false;
    bool FWordWrap = false;
};

class TButton : public TButtonControl {
    KOV_CLASS(TButton, TButtonControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TButton(TComponent* owner);

    // The default button answers Enter on its form (and looks it while no other button has the
    // focus); the cancel button answers Esc.
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool value);
    bool GetCancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    // Set on the form when the button is clicked (mrNone: nothing).
    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    // Whether the button shows as the default one now.
    bool GetActive() const { return FActive; }

    // The form's ModalResult (when set), then OnClick or the action.
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    // Shows the button as the form's default button or not (BM_SETSTYLE); descendants that draw
    // themselves override it to keep the flag.
    virtual void SetButtonStyle(bool isDefault);
    // An owner-drawn descendant (BS_OWNERDRAW in its CreateParams) draws here; the item carries
    // the state (ODS_SELECTED pressed, ODS_FOCUS, ODS_DISABLED, ODS_DEFAULT).
    virtual void DrawItem(const DRAWITEMSTRUCT& item) {}

    void CNCommand(TWMCommand& message);
    void CNDrawItem(TWMDrawItem& message);
    void CMDialogKey(TWMKey& message);
    void CMDialogChar(TWMKey& message);
    void CMFocusChanged(TCMFocusChanged& message);

private:
    bool FDefault = false;
    bool FCancel = false;
    bool FActive = false;
    TModalResult FModalResult = mrNone;
};

class TCustomCheckBox : public TButtonControl {
    KOV_CLASS(TCustomCheckBox, TButtonControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomCheckBox(TComponent* owner);

    TCheckBoxState GetState() const { return FState; }
    // A change shows at once and runs OnClick (not while loading or with clicks disabled).
    void SetState(TCheckBoxState value);
    bool GetChecked() const override { return FState == cbChecked; }
    void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
    // Whether a click goes through the grayed state (unchecked, grayed, checked).
    bool GetAllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    // taRightJustify: the text right of the box (the default); taLeftJustify: left of it.
    TLeftRight GetAlignment() const { return FAlignment; }
    void SetAlignment(TLeftRight value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    // The next state of a click.
    virtual void Toggle();
    void CNCommand(TWMCommand& message);
    void CMDialogChar(TWMKey& message);

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TLeftRight FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    KOV_CLASS(TCheckBox, TCustomCheckBox)
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

class TRadioButton : public TButtonControl {
    KOV_CLASS(TRadioButton, TButtonControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TRadioButton(TComponent* owner);

    bool GetChecked() const override { return FChecked; }
    // Checking unchecks the radio buttons sharing the parent and runs OnClick (not while
    // loading or with clicks disabled).
    void SetChecked(bool value) override;
    TLeftRight GetAlignment() const { return FAlignment; }
    void SetAlignment(TLeftRight value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void CNCommand(TWMCommand& message);
    void CMDialogChar(TWMKey& message);

private:
    void TurnSiblingsOff();
    bool FChecked = false;
    TLeftRight FAlignment = taRightJustify;
};

// ---- List boxes -------------------------------------------------------------------------------

enum TOwnerDrawStateItem {
    odSelected,
    odGrayed,
    odDisabled,
    odChecked,
    odFocused,
    odDefault,
    odHotLight,
    odInactive,
    odNoAccel,
    odNoFocusRect,
    odReserved1,
    odReserved2,
    odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem, odComboBoxEdit>;
// From the ODS_* bits of an item's state.
TOwnerDrawState OwnerDrawStateFromItemState(UINT itemState);

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };

using TDrawItemEvent = TClosure<void(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TClosure<void(TWinControl* Control, Integer Index, Integer& Height)>;
// A virtual list asks for the text of an item.
using TLBGetDataEvent = TClosure<void(TWinControl* Control, Integer Index, String& Data)>;

class TCustomListBox;

// The items of a list box or a combo box: read and written through the control's window with
// the messages of its kind, or kept in a plain list while the control has no window and moved
// into the window when it is made. Objects are the items' data.
class TListControlStrings : public TStrings {
    KOV_CLASS(TListControlStrings, TStrings)
public:
    // The window messages of one kind of list (LB_* or CB_*).
    struct TMessages {
        UINT GetCount, GetTextLen, GetText, GetItemData, SetItemData, AddString, InsertString, DeleteString,
            ResetContent, FindStringExact;
    };
    TListControlStrings(TWinControl* control, const TMessages& messages);
    ~TListControlStrings() override;

    Integer GetCount() const override;
    void Clear() override;
    void Delete(Integer index) override;
    void Insert(Integer index, const String& s) override;
    Integer Add(const String& s) override;
    Integer IndexOf(const String& s) const override;

    // The kept items go into the control's new window.
    void MoveIntoWindow();
    // The window's items are kept (sorted as the list is) before the window goes.
    void KeepFromWindow(bool sorted);
    void SetKeptSorted(bool sorted) { FSaved->SetSorted(sorted); }

protected:
    String Get(Integer index) const override;
    void Put(Integer index, const String& s) override;
    TObject* GetObject(Integer index) const override;
    void PutObject(Integer index, TObject* object) override;
    void SetUpdateState(bool updating) override;
    // Whether the window sorts what it is given (an insert then adds in order).
    virtual bool ListSorted() const = 0;
    // Replaces an item of the window, keeping what the control selects.
    virtual void PutInWindow(Integer index, const String& s) = 0;

    bool Windowed() const;
    HWND Wnd() const;
    TWinControl* FControl;

private:
    TMessages FMessages;
    // The items while there is no window (texts and objects), sorted when the list is.
    std::unique_ptr<TStringList> FSaved;
};

// A list box's items; a virtual list has no items of its own and asks for their texts.
class TListBoxStrings : public TListControlStrings {
    KOV_CLASS(TListBoxStrings, TListControlStrings)
public:
    explicit TListBoxStrings(TCustomListBox* listBox = nullptr);

    Integer GetCount() const override;
    void Clear() override;
    void Delete(Integer index) override;
    void Insert(Integer index, const String& s) override;
    Integer Add(const String& s) override;
    Integer IndexOf(const String& s) const override;

protected:
    String Get(Integer index) const override;
    TObject* GetObject(Integer index) const override;
    void PutObject(Integer index, TObject* object) override;
    bool ListSorted() const override;
    void PutInWindow(Integer index, const String& s) override;

private:
    bool IsVirtual() const;
    TCustomListBox* FListBox;
};

class TCustomListBox : public TWinControl {
    KOV_CLASS(TCustomListBox, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings* GetItems() const { return FItems.get(); }
    void SetItems(TStrings* value);
    // The selected item (the focused one of a multiple-selection list), -1 for none. Setting it
    // in a multiple-selection list moves the focus only.
    virtual Integer GetItemIndex() const;
    virtual void SetItemIndex(Integer value);
    Integer GetTopIndex() const;
    void SetTopIndex(Integer value);
    // The number of items (of a virtual list: as many as it was told).
    Integer GetCount() const;
    void SetCount(Integer value);
    bool GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool GetExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool value);
    bool GetSelected(Integer index) const;
    void SetSelected(Integer index, bool value);
    // -1 for a single-selection list.
    Integer GetSelCount() const;
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);
    TListBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TListBoxStyle value);
    Integer GetItemHeight() const;
    void SetItemHeight(Integer value);
    Integer GetColumns() const { return FColumns; }
    void SetColumns(Integer value);
    Integer GetScrollWidth() const;
    void SetScrollWidth(Integer value);
    bool GetIntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool value);
    // Typing selects the first item starting with what was typed.
    bool GetAutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool value) { FAutoComplete = value; }
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TCanvas* GetCanvas() const { return FCanvas.get(); }

    // The item at a client point; outside every item -1 when existing, else Count.
    Integer ItemAtPos(POINT pos, bool existing) const;
    TRect ItemRect(Integer index) const;
    void Clear();
    void ClearSelection();
    void SelectAll();
    void DeleteSelected();

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TLBGetDataEvent OnData;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void KeyPress(char32_t& key) override;
    // Owner drawing: the item's text by default, or OnDrawItem.
    virtual void DrawItem(Integer index, TRect rect, TOwnerDrawState state);
    virtual void MeasureItem(Integer index, Integer& height);
    // The text of an item of a virtual list (OnData).
    virtual String DoGetData(Integer index);
    bool IsVirtual() const { return FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw; }

    void CNCommand(TWMCommand& message);
    void CNDrawItem(TWMDrawItem& message);
    void CNMeasureItem(TWMMeasureItem& message);
    void CNCtlColor(TMessage& message);

private:
    friend class TListBoxStrings;
    std::unique_ptr<TListBoxStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    TControlBrush FBrush;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    bool FIntegralHeight = false;
    bool FAutoComplete = true;
    TListBoxStyle FStyle = lbStandard;
    TBorderStyle FBorderStyle = bsSingle;
    Integer FItemHeight = 16;
    Integer FColumns = 0;
    Integer FScrollWidth = 0;
    Integer FCount = 0;          // of a virtual list
    // Kept over a recreation of the window, and set before there is one.
    Integer FSavedItemIndex = -1;
    Integer FSavedTopIndex = 0;
    std::vector<bool> FSavedSelection;
};

class TListBox : public TCustomListBox {
    KOV_CLASS(TListBox, TCustomListBox)
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// ---- Combo boxes ------------------------------------------------------------------------------

// csDropDown: an edit field and a list that drops down; csSimple: an edit field above a list
// that is always shown; csDropDownList: a field showing the selected item; the owner-draw styles
// are drop-down lists whose items the control draws (all of one height, or each measured).
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox;

class TComboBoxStrings : public TListControlStrings {
    KOV_CLASS(TComboBoxStrings, TListControlStrings)
public:
    explicit TComboBoxStrings(TCustomComboBox* comboBox = nullptr);

protected:
    bool ListSorted() const override;
    void PutInWindow(Integer index, const String& s) override;

private:
    TCustomComboBox* FComboBox;
};

// A combo box ("COMBOBOX" window class). Its edit field is a window of its own under the
// combo: keys typed there reach the combo's key events, and its focus is the combo's.
class TCustomComboBox : public TWinControl {
    KOV_CLASS(TCustomComboBox, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    TComboBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TComboBoxStyle value);
    TStrings* GetItems() const { return FItems.get(); }
    void SetItems(TStrings* value);
    // The selected item, -1 for none.
    Integer GetItemIndex() const;
    void SetItemIndex(Integer value);
    // Rows the dropped list shows at most.
    Integer GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(Integer value);
    bool GetDroppedDown() const;
    void SetDroppedDown(bool value);
    // The most characters the edit field takes; 0 for no limit.
    Integer GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer value);
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    // Typing completes the text from the first item that starts with it.
    bool GetAutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool value) { FAutoComplete = value; }
    Integer GetItemHeight() const;
    void SetItemHeight(Integer value);
    // The selection in the edit field, in characters.
    Integer GetSelStart() const;
    void SetSelStart(Integer value);
    Integer GetSelLength() const;
    void SetSelLength(Integer value);
    String GetSelText() const;
    TCanvas* GetCanvas() const { return FCanvas.get(); }
    // The edit field's window (none for a drop-down list) and the list's.
    HWND GetEditHandle() const { return FEditHandle; }
    HWND GetListHandle() const { return FListHandle; }

    void Clear();
    void SelectAll();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void KeyPress(char32_t& key) override;
    virtual void Change();
    // The user chose an item: OnSelect, or OnChange when there is none.
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void DrawItem(Integer index, TRect rect, TOwnerDrawState state);
    virtual void MeasureItem(Integer index, Integer& height);
    bool IsOwnerDraw() const { return FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable; }
    bool HasEdit() const { return FStyle == csDropDown || FStyle == csSimple; }

    void CNCommand(TWMCommand& message);
    void CNDrawItem(TWMDrawItem& message);
    void CNMeasureItem(TWMMeasureItem& message);
    void CNCtlColor(TMessage& message);

private:
    friend class TComboBoxStrings;
    static LRESULT EditWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    // A message of the edit field; false when the field's own procedure is to handle it.
    bool EditMessage(UINT msg, WPARAM& wParam, LPARAM lParam, LRESULT& result);
    void AnswerColors(TMessage& message);
    void AutoCompleteKey(char32_t& key);
    std::unique_ptr<TComboBoxStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    TControlBrush FBrush;
    HWND FEditHandle = nullptr;
    HWND FListHandle = nullptr;
    WNDPROC FDefEditProc = nullptr;
    TComboBoxStyle FStyle = csDropDown;
    TEditCharCase FCharCase = ecNormal;
    Integer FDropDownCount = 8;
    Integer FMaxLength = 0;
    Integer FItemHeight = 16;
    bool FSorted = false;
    bool FAutoComplete = true;
    // Kept over a recreation of the window, and set before there is one.
    Integer FSavedItemIndex = -1;
    String FSavedText;
};

class TComboBox : public TCustomComboBox {
    KOV_CLASS(TComboBox, TCustomComboBox)
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

// ---- Scroll bar -------------------------------------------------------------------------------

enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = TClosure<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;

// A scroll bar of its own ("SCROLLBAR" window class). Its position follows the user's clicks,
// drags and keys; OnScroll sees each step first (and may change where it goes), OnChange
// follows every change of Position.
class TScrollBar : public TWinControl {
    KOV_CLASS(TScrollBar, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TScrollBar(TComponent* owner);

    TScrollBarKind GetKind() const { return FKind; }
    void SetKind(TScrollBarKind value);
    Integer GetMin() const { return FMin; }
    void SetMin(Integer value) { SetParams(FPosition, value, FMax); }
    Integer GetMax() const { return FMax; }
    void SetMax(Integer value) { SetParams(FPosition, FMin, value); }
    Integer GetPosition() const { return FPosition; }
    void SetPosition(Integer value) { SetParams(value, FMin, FMax); }
    Integer GetPageSize() const { return FPageSize; }
    void SetPageSize(Integer value);
    Integer GetSmallChange() const { return FSmallChange; }
    void SetSmallChange(Integer value) { FSmallChange = value; }
    Integer GetLargeChange() const { return FLargeChange; }
    void SetLargeChange(Integer value) { FLargeChange = value; }
    // Sets position and range at once; raises EInvalidOperation when max < min. The position
    // is held within the range.
    void SetParams(Integer position, Integer min, Integer max);

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void Change();
    virtual void Scroll(TScrollCode scrollCode, Integer& scrollPos);
    void DoScroll(TMessage& message);
    void CNScroll(TMessage& message);

private:
    void UpdateWindow();
    TScrollBarKind FKind = sbHorizontal;
    Integer FMin = 0;
    Integer FMax = 100;
    Integer FPosition = 0;
    Integer FPageSize = 0;
    Integer FSmallChange = 1;
    Integer FLargeChange = 1;
};
