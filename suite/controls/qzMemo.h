// The memo: the suite's multi-line text editor. The editor keeps the framework's value, styles,
// view and validation; a native multi-line edit does the typing, caret, line breaking and
// scrolling, with the suite's scroll bars laid over its own.
#pragma once

#include <memory>

#include "platform/classlib/EditCtrls.h"
#include "suite/editors/qzTextEdit.h"

// LF immediately followed by CR becomes two line breaks (CR LF CR LF); CR LF pairs and every
// other character stay.
String NormalizeLineBreaks(const String& text);
// The text cut before its first CR or LF within the first limit characters, else cut to limit
// characters (0, or a limit beyond the length: the whole text).
String CutToFirstLine(const String& text, Integer limit);

// ---- Properties ------------------------------------------------------------------------------

class TqzCustomMemoProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TqzCustomMemoProperties, TqzCustomTextEditProperties)
public:
    // Vertical alignment top, AutoSelect off.
    explicit TqzCustomMemoProperties(TPersistent* owner);

    // From other memo properties also ScrollBars, WantReturns, WantTabs and WordWrap (not
    // VisibleLineCount), inside one update.
    void Assign(TPersistent* source) override;
    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    bool IsMultiLine() override { return true; }
    bool WantsTabKey() override { return FWantTabs; }
    // The short form: the first line, at most 250 characters.
    WideString GetDisplayTextWide(const Variant& editValue) override;
    WideString GetDisplayTextWide(const Variant& editValue, bool fullText);
    // 0 for a source that holds blobs.
    Integer GetEditValueSource(bool editing) override;

    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    Integer GetVisibleLineCount() const { return FVisibleLineCount; }
    // Negative becomes 0.
    void SetVisibleLineCount(Integer value);
    bool GetWantReturns() const { return FWantReturns; }
    void SetWantReturns(bool value);
    bool GetWantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // The horizontal alignment, as published.
    TAlignment GetHorzAlignment() { return GetAlignment()->GetHorz(); }
    void SetHorzAlignment(TAlignment value) { GetAlignment()->SetHorz(value); }
    bool IsHorzAlignmentStored() { return GetAlignment()->IsHorzStored(); }

private:
    TScrollStyle FScrollBars = ssNone;
    Integer FVisibleLineCount = 0;
    bool FWantReturns = true;
    bool FWantTabs = false;
    bool FWordWrap = true;
};

class TqzMemoProperties : public TqzCustomMemoProperties {
    KOV_CLASS(TqzMemoProperties, TqzCustomMemoProperties)
public:
    using TqzCustomMemoProperties::TqzCustomMemoProperties;
};

// ---- View ------------------------------------------------------------------------------------

class TqzCustomMemoViewData : public TqzCustomTextEditViewData {
    KOV_CLASS(TqzCustomMemoViewData, TqzCustomTextEditViewData)
public:
    using TqzCustomTextEditViewData::TqzCustomTextEditViewData;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties, TqzCustomEditStyle* style,
                                                 bool isInplace);

    // Left, top and right 1, bottom 3 (1 in place).
    void GetTextRect(TRect& margins) override;
    void GetContentMargins(TSize& size) override;
    Integer GetDrawTextFlags() override;
    Integer GetVisibleLineCount() override;
    void CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                              const TqzEditSizeParameters& sizeParameters) override;
    // With a horizontal native bar in an editor, its height is added.
    void CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size, TqzCustomEditViewInfo* viewInfo,
                                   TSize& minContentSize) override;

    TqzCustomMemoProperties* GetMemoProperties() const;
};

class TqzCustomMemoViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzCustomMemoViewInfo, TqzCustomTextEditViewInfo)
public:
    static TqzContainerViewInfo* CreateInstance() { return new TqzCustomMemoViewInfo(); }
    // The rows in the text colour, without highlight.
    void PaintContent(TqzCanvas* canvas) override;
};

// ---- Inner memo ------------------------------------------------------------------------------

// The memo's access to its native multi-line edit.
// {D4B1C2E3-7A58-4F90-9E1D-2B3C4D5E6F70}
class IqzInnerMemo : public virtual IqzInnerTextEdit {
public:
    virtual POINT GetCaretPos() = 0;
    virtual TStrings* GetLines() = 0;
    virtual TScrollStyle GetScrollBars() = 0;
    virtual bool GetWantReturns() = 0;
    virtual bool GetWantTabs() = 0;
    virtual bool GetWordWrap() = 0;
    // An empty selection at the line's first character plus the column.
    virtual void SetCaretPos(POINT value) = 0;
    virtual void SetScrollBars(TScrollStyle value) = 0;
    virtual void SetWantReturns(bool value) = 0;
    virtual void SetWantTabs(bool value) = 0;
    virtual void SetWordWrap(bool value) = 0;
};

class TqzCustomInnerMemo;
class TqzCustomMemo;

class TqzCustomInnerMemoHelper : public TqzInterfacedPersistent, public IqzInnerMemo {
    KOV_CLASS(TqzCustomInnerMemoHelper, TqzInterfacedPersistent)
public:
    explicit TqzCustomInnerMemoHelper(TqzCustomInnerMemo* memo);

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    // IqzContainerInnerControl
    TWinControl* GetControl() override;
    TqzContainer* GetControlContainer() override;
    // IqzCustomInnerEdit
    LRESULT CallDefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    Variant GetEditValue() override;
    TNotifyEvent GetOnChange() override;
    bool GetReadOnly() override;
    void LockBounds(bool lock) override;
    void SetFocus() override;
    // Several lines go in with the editor's change events collected: one change, no value
    // change from the native notifications.
    void SetEditValue(const Variant& value) override;
    void SetEditOwner(TqzCustomEdit* editor) override;
    void SetOnChange(const TNotifyEvent& handler) override;
    void SetReadOnly(bool value) override;
    // IqzInnerTextEdit
    void ClearSelection() override;
    void CopyToClipboard() override;
    TAlignment GetAlignment() override;
    bool GetAutoSelect() override;
    TEditCharCase GetCharCase() override;
    TqzEditEchoMode GetEchoMode() override { return eemNormal; }
    bool GetHideSelection() override;
    char GetPendingImeTrailByte() override { return 0; }
    TImeMode GetImeMode() override;
    TImeName GetImeName() override;
    bool GetKeyConsumed() override;
    Integer GetMaxLength() override;
    bool IsMultiLine() override { return true; }
    bool GetOEMConvert() override;
    char GetPasswordChar() override { return 0; }
    Integer GetSelLength() override;
    Integer GetSelStart() override;
    String GetSelText() override;
    void SelectAll() override;
    void SetAlignment(TAlignment value) override;
    void SetAutoSelect(bool value) override;
    void SetCharCase(TEditCharCase value) override;
    void SetEchoMode(TqzEditEchoMode value) override {}
    void SetHideSelection(bool value) override;
    void SetKeyConsumed(bool value) override;
    void SetImeMode(TImeMode value) override;
    void SetImeName(const TImeName& value) override;
    void SetMaxLength(Integer value) override;
    void SetOEMConvert(bool value) override;
    void SetPasswordChar(char value) override {}
    void SetSelLength(Integer value) override;
    void SetSelStart(Integer value) override;
    void SetSelText(const String& value) override;
    // IqzInnerMemo
    POINT GetCaretPos() override;
    TStrings* GetLines() override;
    TScrollStyle GetScrollBars() override;
    bool GetWantReturns() override;
    bool GetWantTabs() override;
    bool GetWordWrap() override;
    void SetCaretPos(POINT value) override;
    void SetScrollBars(TScrollStyle value) override;
    void SetWantReturns(bool value) override;
    void SetWantTabs(bool value) override;
    void SetWordWrap(bool value) override;

    TqzCustomInnerMemo* GetMemo() const { return FMemo; }

private:
    TqzCustomInnerMemo* FMemo;
};

// The native multi-line edit of a memo editor: no border of its own, every key, character and
// mouse event offered to the editor first.
class TqzCustomInnerMemo : public TMemo, public IqzInnerEditHelperSource, public IqzContainerInnerControl {
    KOV_CLASS(TqzCustomInnerMemo, TMemo)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomInnerMemo(TComponent* owner);
    ~TqzCustomInnerMemo() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    IqzCustomInnerEdit* GetHelper() override { return FHelper.get(); }
    TWinControl* GetControl() override { return this; }
    TqzContainer* GetControlContainer() override;

    TqzCustomMemo* GetMemoEdit() const;
    TqzCustomInnerMemoHelper* GetMemoHelper() const { return FHelper.get(); }

    void SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(void* message) override;
    bool CanFocus() const override;
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;

    bool GetInnerAutoSelect() const { return FAutoSelect; }
    void SetInnerAutoSelect(bool value) { FAutoSelect = value; }
    bool GetKeyConsumed() const { return FKeyConsumed; }
    void SetKeyConsumed(bool value) { FKeyConsumed = value; }
    bool IsValueBeingSet() const { return FValueBeingSet; }
    void SetValueBeingSet(bool value) { FValueBeingSet = value; }
    bool IsEscapePending() const { return FEscapePending; }
    Integer GetBoundsLockCount() const { return FBoundsLockCount; }
    void LockBounds(bool lock);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandle() override;
    void CreateWnd() override;
    void DoEnter() override;
    void Click() override;
    void DblClick() override;
    bool DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) override;
    void DragDrop(TObject* source, Integer x, Integer y) override;
    void KeyDown(Word& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void KeyUp(Word& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

    void WMKeyDown(TWMKey& message);
    void WMGetDlgCode(TMessage& message);
    void WMSetText(TMessage& message);
    void WMReplaceSel(TMessage& message);
    void WMCut(TMessage& message);
    void WMPaste(TMessage& message);
    void WMClear(TMessage& message);
    void WMSetFocus(TMessage& message);
    void WMKillFocus(TMessage& message);
    void WMSetFont(TMessage& message);
    void WMNCPaint(TMessage& message);
    void WMWindowPosChanging(TMessage& message);
    void WMWindowPosChanged(TMessage& message);
    void CMMouseLeave(TMessage& message);

private:
    void KeyDownNotification(TMessage& message, TqzCustomMemo* edit);

    std::unique_ptr<TqzCustomInnerMemoHelper> FHelper;
    bool FAutoSelect = false;
    bool FEscapePending = false;
    bool FValueBeingSet = false;
    bool FKeyConsumed = false;
    bool FCreating = false;
    Integer FBoundsLockCount = 0;
    Word FNotifiedKey = 0;
};

// ---- The memo editor -------------------------------------------------------------------------

class TqzCustomMemo : public TqzCustomTextEdit {
    KOV_CLASS(TqzCustomMemo, TqzCustomTextEdit)
public:
    explicit TqzCustomMemo(TComponent* owner);
    TqzCustomMemo(TComponent* owner, bool isInplace);

    // Enter with WantReturns or Ctrl held; Tab with WantTabs.
    virtual bool IsMemoKey(Word key, TShiftState shift);

    TClass GetPropertiesClass() override { return TqzCustomMemoProperties::StaticClass(); }
    TClass GetInnerEditClass() override { return TqzCustomInnerMemo::StaticClass(); }
    void Initialize() override;
    bool ShowsInnerEdit() override { return true; }
    bool IsEditingKey(Word key, TShiftState shift) override;
    bool IsEditingChar(char32_t ch) override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    bool ForwardsActivationKey(char32_t ch) override { return ch != U'\r'; }
    void SetSelText(const String& value) override;
    void ClearSelection() override;
    void CutToClipboard() override;
    void SelectAll() override;
    void AdjustInnerEditPosition() override;
    void AdjustInnerControlBounds() override;
    bool IsAutoHeight() override;
    void InitializeViewData(TqzCustomEditViewData* viewData) override;
    void ApplyActiveProperties(TObject* properties) override;
    void UpdateInnerEditAppearance() override;
    void ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) override;
    void GetSizeParameters(TqzEditSizeParameters& parameters) override;
    void HandleFontChange() override;
    void HandleWindowMessage(TMessage& message) override;
    void HandleContentChange(TObject* sender) override;
    // The text is kept in Lines.
    bool ShouldStoreEditValue() override { return false; }

    // After a text operation of code: the edit value from the text, Modified false (nothing
    // while a clipboard message is handled).
    void FinishTextOperation();
    IqzInnerMemo* GetInnerMemo() const;
    TqzCustomInnerMemo* GetInnerMemoControl() const;
    TStrings* GetLines() const;
    void SetLines(TStrings* value);
    TqzCustomMemoProperties* GetMemoProperties() const {
        return static_cast<TqzCustomMemoProperties*>(TqzCustomEdit::GetProperties());
    }
    TqzCustomMemoProperties* GetActiveMemoProperties();

    bool IsHandlingClipboardMessage() const { return FClipboardMessage; }
    void SetHandlingClipboardMessage(bool value) { FClipboardMessage = value; }
    bool IsClearingSelection() const { return FClearingSelection; }

protected:
    TqzCustomMemo(TComponent* owner, bool isInplace, bool deferInitialization);
    void CreateParams(TCreateParams& params) override;
    void Loaded() override;

private:
    bool FClearingSelection = false;
    bool FPositioning = false;
    bool FClipboardMessage = false;
};

class TqzMemo : public TqzCustomMemo {
    KOV_CLASS(TqzMemo, TqzCustomMemo)
public:
    explicit TqzMemo(TComponent* owner);
    TqzMemo(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzMemoProperties::StaticClass(); }
    TqzMemoProperties* GetProperties() const {
        return static_cast<TqzMemoProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzMemoProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};
