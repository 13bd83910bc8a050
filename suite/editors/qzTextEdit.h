// The single-line text editor of the suite and the base of every text-based editor.
//
// Properties: the text settings (character case, echo mode, maximum length, input method), the
// lookup items with incremental search, the display and edit formats of numeric descendants and
// their value bounds, and how an edit value becomes display text.
//
// Lookup data: which lookup item is current, how a typed prefix is completed from the items and
// how the current item moves; the list box drop-down descendants show the items in.
//
// The native edit the editor hosts, the text view data and view info that lay out and paint the
// text when the native edit does not show it, and the editor itself with its keyboard handling
// and incremental search.
#pragma once

#include <memory>

#include "platform/classlib/EditCtrls.h"
#include "platform/runtime/StringLists.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzEditTextUtils.h"
#include "suite/editors/qzFormats.h"

class TqzCustomTextEdit;
class TqzCustomTextEditLookupData;

// ---- Properties ------------------------------------------------------------------------------

// How text may be entered: any text (completed from the lookup items with incremental search),
// text completed from and restricted to the items, only the items, or none.
enum TqzTextEditingStyle : Byte { FreeText, RestrictedText, FixedList, NoEdit };
enum TqzEditEchoMode : Byte { eemNormal, eemPassword };
enum TqzTextEditViewStyle : Byte { vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth };

using TqzNewLookupDisplayTextEvent = TClosure<void(TObject* Sender, const String& AText)>;

class TqzCustomTextEditProperties;

// Which provider-backed text settings were set explicitly.
class TqzTextEditPropertiesValues : public TqzCustomEditPropertiesValues {
    KOV_CLASS(TqzTextEditPropertiesValues, TqzCustomEditPropertiesValues)
public:
    TqzTextEditPropertiesValues() = default;

    // The five flags and the base flags, inside one update of the owner.
    void Assign(TPersistent* source) override;
    // Every flag cleared, inside one update of the owner.
    void ResetAssignedValues() override;

    bool GetDisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(bool value);
    bool GetEditFormat() const { return FEditFormat; }
    void SetEditFormat(bool value);
    bool GetMaxLength() const { return FMaxLength; }
    // Reported through the owner's MaxLengthChanged.
    void SetMaxLength(bool value);
    bool GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(bool value);
    bool GetMinValue() const { return FMinValue; }
    void SetMinValue(bool value);

    // A flag is stored only when the value itself would not be (it equals its default) and the
    // owner publishes the setting.
    bool IsDisplayFormatStored() const;
    bool IsEditFormatStored() const;
    bool IsMaxValueStored() const;
    bool IsMinValueStored() const;

private:
    TqzCustomTextEditProperties* TextOwner() const;
    void SetFlag(bool& flag, bool value);

    bool FDisplayFormat = false;
    bool FEditFormat = false;
    bool FMaxLength = false;
    bool FMaxValue = false;
    bool FMinValue = false;
};

class TqzCustomTextEditProperties : public TqzCustomEditProperties, public IqzFormatListener {
    KOV_CLASS(TqzCustomTextEditProperties, TqzCustomEditProperties)
public:
    explicit TqzCustomTextEditProperties(TPersistent* owner);
    // Leaves the format controller.
    ~TqzCustomTextEditProperties() override;

    void DefineProperties(TFiler* filer) override;
    // From other text properties inside one update; anything else as the base does.
    void Assign(TPersistent* source) override;
    void AlignmentChanged(TObject* sender) override;
    void SetAlignment(TqzEditAlignment* value) override;
    bool CanValidate() override { return true; }
    TClass GetAssignedValuesClass() const override;
    Byte GetDisplayFormatOptions() override { return qzdfoSupported; }
    void GetDefaultValidationErrorText(String& text) override;
    // Kind 1: a value out of bounds; any other kind the base's text.
    virtual void GetDefaultValidationErrorText(Integer errorKind, String& text);
    bool HasSeparateChangeEvents() override { return true; }
    bool ComparesEditValues() override { return true; }
    bool AreDisplayValuesEqual(const Variant& v1, const Variant& v2) override;
    WideString GetDisplayTextWide(const Variant& editValue) override;
    Integer GetSupportedOperations() override;
    bool IsEditValueValid(Variant& value, bool editing) override;
    bool CanResetEditValue() override { return true; }
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    Integer GetEditValueSource(bool editing) override { return 1; }
    // Numeric editors with bounds check them first; then the missing error text is filled and
    // the validate handlers run.
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    TClass GetContainerClass() const override;

    // ---- Introduced virtual operations, in slot order ----
    // The locale formats changed: LocaleFormatsChanging is set while Changed runs.
    void FormatChanged() override;
    virtual void ValidateValueBounds(const Variant& displayValue, String& errorText, TqzCustomEdit* editor,
                                     bool& error);
    virtual void GetDefaultDisplayValue(Variant& value) { value = String(); }
    // Some lookup item equals the text, case ignored.
    virtual bool IsLookupText(const String& text);
    virtual void GetDefaultDisplayFormat(String& format) { format.clear(); }
    virtual Integer GetDefaultMaxLength();
    virtual Integer GetDropDownRows() { return 8; }
    virtual TqzTextEditingStyle GetEditingStyle() { return FHideCursor ? NoEdit : FreeText; }
    virtual TClass GetLookupDataClass() const;
    // Thousand separators in the number's text (focused: for the editing text, which never has
    // them; else for the unfocused display).
    virtual bool UsesThousandSeparator(bool focused) { return false; }
    // The number format used while focused (editor may be nullptr).
    virtual void CalculateEditFormat(bool& currency, bool& sourceFormat, String& format,
                                     TqzCustomEdit* editor);
    virtual bool IsEditValueNumeric() { return false; }
    virtual bool HasLookupListPopup() { return false; }
    virtual bool IsMultiLine() { return false; }
    virtual bool IsLookupNavigationKey(Word key, TShiftState shift) { return false; }
    // 0 the minimum, 1 the maximum.
    virtual bool IsValueBoundDefined(Integer which);
    virtual bool IsValueBoundsDefined();
    virtual void NotifyChanged() { Changed(); }
    virtual void MaxLengthChanged() { Changed(); }
    virtual void SetCharCase(TEditCharCase value);
    virtual bool UsesLookupData() { return GetLookupDataClass() != nullptr; }
    virtual void ApplyEchoModeAndCharCase(String& text);
    // The text of value is acceptable; value becomes it with CharCase applied.
    virtual bool IsTextValueValid(Variant& value, bool editing);

    // ---- Display ----
    // The display text of an edit value: prepared when valid, else its plain (or date) text.
    Variant ConvertEditValueToDisplay(const Variant& editValue, bool editing);
    bool UsesIncrementalSearch() { return GetIncrementalSearch(); }

    // ---- Settings ----
    TEditCharCase GetCharCase() const { return FCharCase; }
    String GetDisplayFormat();
    void SetDisplayFormat(const String& value);
    TqzEditEchoMode GetEchoMode() const { return FEchoMode; }
    void SetEchoMode(TqzEditEchoMode value);
    String GetEditFormat();
    void SetEditFormat(const String& value);
    bool GetFixedListPrefixSearch() const { return FFixedListPrefixSearch; }
    void SetFixedListPrefixSearch(bool value);
    bool GetLocaleFormatsChanging() const { return FLocaleFormatsChanging; }
    bool GetHideCursor() const { return FHideCursor; }
    void SetHideCursor(bool value);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    TImeMode GetImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode value);
    const TImeName& GetImeName() const { return FImeName; }
    void SetImeName(const TImeName& value);
    bool GetIncrementalSearch() const { return FIncrementalSearch; }
    void SetIncrementalSearch(bool value);
    TStringList* GetLookupItems() const { return FLookupItems.get(); }
    void SetLookupItems(TStrings* value);
    bool GetLookupItemsSorted() const { return FLookupItems->GetSorted(); }
    void SetLookupItemsSorted(bool value) { FLookupItems->SetSorted(value); }
    Integer GetMaxLength();
    void SetMaxLength(Integer value);
    Integer GetEffectiveMaxLength() { return GetMaxLength(); }
    double GetMaxValue();
    void SetMaxValue(double value);
    double GetMinValue();
    void SetMinValue(double value);
    bool GetMostRecentListMode() const { return FMostRecentListMode; }
    void SetMostRecentListMode(bool value);
    bool GetOEMConvert() const { return FOEMConvert; }
    void SetOEMConvert(bool value);
    char GetPasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char value);
    bool GetUseDisplayFormatWhenEditing() const { return FUseDisplayFormatWhenEditing; }
    void SetUseDisplayFormatWhenEditing(bool value);
    TqzTextEditViewStyle GetViewStyle();
    void SetViewStyle(TqzTextEditViewStyle value);
    TqzTextEditPropertiesValues* GetAssignedValues() {
        return static_cast<TqzTextEditPropertiesValues*>(TqzCustomEditProperties::GetAssignedValues());
    }
    void SetAssignedValues(TqzTextEditPropertiesValues* value) {
        TqzCustomEditProperties::SetAssignedValues(value);
    }
    // Exactly one of the two bounds was assigned.
    bool HasSingleValueBound();

    bool IsDisplayFormatStored() { return GetAssignedValues()->GetDisplayFormat(); }
    bool IsEditFormatStored() { return GetAssignedValues()->GetEditFormat(); }
    bool IsMaxLengthStored() { return GetAssignedValues()->GetMaxLength(); }
    bool IsMaxValueStored() { return GetAssignedValues()->GetMaxValue() && FMaxValue != 0; }
    bool IsMinValueStored() { return GetAssignedValues()->GetMinValue() && FMinValue != 0; }

    // Written directly (combo editors publish it).
    bool ImmediateUpdateText = false;
    TqzNewLookupDisplayTextEvent OnNewLookupDisplayText;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

protected:
    // The numeric display text of a number or a text.
    String FormatNumericDisplayValue(const Variant& value, bool editing);

private:
    void LookupItemsChanged(TObject* sender);
    void ReadIsDisplayFormatAssigned(TReader* reader);

    TEditCharCase FCharCase = ecNormal;
    String FDisplayFormat;
    TqzEditEchoMode FEchoMode = eemNormal;
    String FEditFormat;
    bool FFixedListPrefixSearch = true;
    bool FLocaleFormatsChanging = false;
    bool FHideCursor = false;
    bool FHideSelection = true;
    TImeMode FImeMode = imDontCare;
    TImeName FImeName;
    bool FIncrementalSearch = true;
    std::unique_ptr<TStringList> FLookupItems;
    Integer FMaxLength = 0;
    double FMaxValue = 0;
    double FMinValue = 0;
    bool FMostRecentListMode = false;
    bool FOEMConvert = false;
    char FPasswordChar = 0;
    bool FUseDisplayFormatWhenEditing = false;
};

// The text editor's published settings.
class TqzTextEditProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TqzTextEditProperties, TqzCustomTextEditProperties)
public:
    using TqzCustomTextEditProperties::TqzCustomTextEditProperties;
};

// With a comma as the locale separator, "  -1234567.5e3 " becomes "  -1,234,567.5e3 ": blanks
// and the exponent kept, separators re-inserted every three digits of the integer part.
void InsertThousandSeparators(String& text);
// Every locale thousand separator removed.
void RemoveThousandSeparators(String& text);
// From the first "E" (either case) to the end, cut off into exponent.
void SplitExponent(String& text, String& exponent);

// ---- Lookup data -----------------------------------------------------------------------------

class TqzCustomEditListBox;
using TqzCustomEditListBoxClass = TqzCustomEditListBox* (*)(TComponent* owner);

// Lookup movement directions.
constexpr Integer qzlmFirst = 0;
constexpr Integer qzlmLast = 1;
constexpr Integer qzlmNext = 2;
constexpr Integer qzlmPrior = 3;
constexpr Integer qzlmPageUp = 4;
constexpr Integer qzlmPageDown = 5;

// A text editor's lookup items as the editor drives them: the current item (its key), the typed
// prefix completed from the items, movement, and the list of drop-down descendants.
// {F1E8D7C2-3B4A-4E5F-9A1B-2C3D4E5F6A7B}
class IqzTextEditLookupData : public virtual IInterface {
public:
    virtual bool CanResizeList(TSize& size, const TSize& limit) = 0;
    virtual void ResetListSelection() = 0;
    virtual void ReleaseList() = 0;
    virtual void NotifyDropDown() = 0;
    virtual void NotifyTypedText(const String& text) = 0;
    virtual bool ContainsText(const String& text) = 0;
    virtual TWinControl* GetActiveControl() = 0;
    virtual Variant GetCurrentKey() = 0;
    virtual String GetKeyText(const Variant& key) = 0;
    virtual TNotifyEvent GetOnCurrentKeyChanged() = 0;
    virtual TNotifyEvent GetOnSelectItem() = 0;
    virtual TSize GetListPreferredSize() = 0;
    virtual void MoveCurrent(Integer direction, bool cycle) = 0;
    virtual TWinControl* InitializeList(TWinControl* parent) = 0;
    virtual bool IsEmpty() = 0;
    virtual bool IsMouseOverList(const TPoint& screenPoint) = 0;
    // From the current item's successor with fromCurrent; text takes the item's letter case.
    virtual bool Locate(String& text, String& tail, bool fromCurrent) = 0;
    virtual void SetListBounds(const TRect& bounds) = 0;
    virtual void RefreshList() = 0;
    virtual void CommitListSelection() = 0;
    virtual void SelectKey(const Variant& key) = 0;
    virtual void SetOnCurrentKeyChanged(const TNotifyEvent& value) = 0;
    virtual void SetOnSelectItem(const TNotifyEvent& value) = 0;
    virtual void SyncWithEditText() = 0;
};

// The lookup data of the plain text editor: the items of the active properties' LookupItems,
// keyed by their index; it makes no list of its own.
class TqzCustomTextEditLookupData : public TqzInterfacedPersistent, public IqzTextEditLookupData {
    KOV_CLASS(TqzCustomTextEditLookupData, TqzInterfacedPersistent)
public:
    // owner: the editor.
    explicit TqzCustomTextEditLookupData(TPersistent* owner);
    ~TqzCustomTextEditLookupData() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    // ---- Virtual operations, in slot order ----
    virtual String GetItemText(Integer index);
    virtual Integer GetItemCount();
    virtual TqzCustomEditListBoxClass GetListBoxClass() { return nullptr; }
    virtual void ListSelectionChanged(TObject* sender);
    // exact: with MostRecentListMode an exact item match is looked for.
    virtual bool LocateText(String& text, String& tail, bool fromCurrent, bool exact);
    virtual void UpdateListItemCount();
    bool CanResizeList(TSize& size, const TSize& limit) override { return true; }
    void NotifyDropDown() override {}
    void NotifyTypedText(const String& text) override {}
    bool ContainsText(const String& text) override { return IndexOfText(text) != -1; }
    TSize GetListPreferredSize() override { return TSize{0, 0}; }
    TWinControl* InitializeList(TWinControl* parent) override;
    void SetListBounds(const TRect& bounds) override;
    void RefreshList() override { UpdateListItemCount(); }
    void SyncWithEditText() override;

    // ---- The rest of the interface ----
    void ResetListSelection() override { SetListHighlight(FCurrentKey); }
    void ReleaseList() override {}
    TWinControl* GetActiveControl() override;
    Variant GetCurrentKey() override { return Variant(FCurrentKey); }
    String GetKeyText(const Variant& key) override;
    TNotifyEvent GetOnCurrentKeyChanged() override { return OnCurrentKeyChanged; }
    TNotifyEvent GetOnSelectItem() override { return OnSelectItem; }
    void MoveCurrent(Integer direction, bool cycle) override;
    bool IsEmpty() override { return GetItemCount() == 0; }
    bool IsMouseOverList(const TPoint& screenPoint) override;
    bool Locate(String& text, String& tail, bool fromCurrent) override {
        return LocateText(text, tail, fromCurrent, false);
    }
    void CommitListSelection() override;
    void SelectKey(const Variant& key) override;
    void SetOnCurrentKeyChanged(const TNotifyEvent& value) override { OnCurrentKeyChanged = value; }
    void SetOnSelectItem(const TNotifyEvent& value) override { OnSelectItem = value; }

    // ---- Operations ----
    // The first item equal to text, case ignored; -1 for none.
    Integer IndexOfText(const String& text);
    // Only for -1 <= index < count.
    void SetCurrentKey(Integer index);
    void SetListHighlight(Integer index);
    void SetListItemIndex(Integer index);
    void FireSelectItem();

    TqzCustomTextEdit* GetEdit() const { return FEdit; }
    Integer GetCurrentIndex() const { return FCurrentKey; }
    Integer GetHighlightIndex() const { return FHighlightIndex; }
    TqzCustomEditListBox* GetList() const { return FList; }

    TNotifyEvent OnCurrentKeyChanged;
    TNotifyEvent OnSelectItem;

protected:
    // The properties the editor works with (a repository item's or its own).
    TqzCustomTextEditProperties* GetActiveProperties();
    void ResetAfterFailedLocate(const String& text, bool exact);

    TqzCustomTextEdit* FEdit;
    Integer FCurrentKey = -1;
    Integer FHighlightIndex = -1;
    TqzCustomEditListBox* FList = nullptr; // owned by the popup it is placed in
};

// The list box of drop-down lookups: owner-drawn, one column, its selection following the mouse
// and reported to the lookup data.
class TqzCustomEditListBox : public TqzCustomInnerListBox {
    KOV_CLASS(TqzCustomEditListBox, TqzCustomInnerListBox)
public:
    explicit TqzCustomEditListBox(TComponent* owner);

    // ---- Introduced virtuals, in slot order ----
    virtual bool DoDrawItem(Integer index, const TRect& rect, TOwnerDrawState state) { return false; }
    virtual String GetItemText(Integer index);
    virtual void UpdateListSettings() {}
    // The height of that many rows; maxHeight is the room there is (lists whose rows change
    // height with the room use it; this one does not).
    virtual Integer GetHeightForRows(Integer rows, Integer maxHeight) { return rows * GetListItemHeight(-1); }
    // The height of "Wg" in the list font.
    virtual Integer GetListItemHeight(Integer index);
    virtual Integer GetItemWidth(Integer index);

    void SetItemIndex(Integer value) override;
    bool UsesDefaultItemDrawing() override;

    // The list has a window and it is visible.
    bool IsShown();
    // Empty items added at the end or items deleted from the end until there are n.
    void SetItemCount(Integer n);
    // The overlay scroll bars, then OnSelectionChanged.
    void NotifySelectionChanged();
    // The editor owning the popup the list is in.
    TqzCustomTextEdit* GetEdit();
    void RecreateWindow() { RecreateWnd(); }

    bool TracksMouse = true;
    TNotifyEvent OnSelectionChanged;

protected:
    void DrawItem(Integer index, TRect rect, TOwnerDrawState state) override;
    void MeasureItem(Integer index, Integer& height) override;
    void Click() override;
    bool DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
};

// ---- Inner text edit -------------------------------------------------------------------------

// The text editor's access to its native edit.
// {8C3E2B71-5D4F-4A9B-B2C6-7E1F0A9D3C58}
class IqzInnerTextEdit : public virtual IqzCustomInnerEdit {
public:
    virtual void ClearSelection() = 0;
    virtual void CopyToClipboard() = 0;
    virtual TAlignment GetAlignment() = 0;
    virtual bool GetAutoSelect() = 0;
    virtual TEditCharCase GetCharCase() = 0;
    virtual TqzEditEchoMode GetEchoMode() = 0;
    virtual bool GetHideSelection() = 0;
    // Always 0 here: input-method text arrives as one character message per code point.
    virtual char GetPendingImeTrailByte() = 0;
    virtual TImeMode GetImeMode() = 0;
    virtual TImeName GetImeName() = 0;
    virtual bool GetKeyConsumed() = 0;
    virtual Integer GetMaxLength() = 0;
    virtual bool IsMultiLine() = 0;
    virtual bool GetOEMConvert() = 0;
    virtual char GetPasswordChar() = 0;
    virtual Integer GetSelLength() = 0;
    virtual Integer GetSelStart() = 0;
    virtual String GetSelText() = 0;
    virtual void SelectAll() = 0;
    virtual void SetAlignment(TAlignment value) = 0;
    virtual void SetAutoSelect(bool value) = 0;
    virtual void SetCharCase(TEditCharCase value) = 0;
    virtual void SetEchoMode(TqzEditEchoMode value) = 0;
    virtual void SetHideSelection(bool value) = 0;
    virtual void SetKeyConsumed(bool value) = 0;
    virtual void SetImeMode(TImeMode value) = 0;
    virtual void SetImeName(const TImeName& value) = 0;
    virtual void SetMaxLength(Integer value) = 0;
    virtual void SetOEMConvert(bool value) = 0;
    virtual void SetPasswordChar(char value) = 0;
    virtual void SetSelLength(Integer value) = 0;
    virtual void SetSelStart(Integer value) = 0;
    virtual void SetSelText(const String& value) = 0;
};

class TqzCustomInnerTextEdit;

// Answers the editor's questions for a native edit.
class TqzCustomInnerTextEditHelper : public TqzInterfacedPersistent, public IqzInnerTextEdit {
    KOV_CLASS(TqzCustomInnerTextEditHelper, TqzInterfacedPersistent)
public:
    explicit TqzCustomInnerTextEditHelper(TqzCustomInnerTextEdit* edit);

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
    TqzEditEchoMode GetEchoMode() override;
    bool GetHideSelection() override;
    char GetPendingImeTrailByte() override;
    TImeMode GetImeMode() override;
    TImeName GetImeName() override;
    bool GetKeyConsumed() override;
    Integer GetMaxLength() override;
    bool IsMultiLine() override { return false; }
    bool GetOEMConvert() override;
    char GetPasswordChar() override;
    Integer GetSelLength() override;
    Integer GetSelStart() override;
    String GetSelText() override;
    void SelectAll() override;
    void SetAlignment(TAlignment value) override;
    void SetAutoSelect(bool value) override;
    void SetCharCase(TEditCharCase value) override;
    void SetEchoMode(TqzEditEchoMode value) override;
    void SetHideSelection(bool value) override;
    void SetKeyConsumed(bool value) override;
    void SetImeMode(TImeMode value) override;
    void SetImeName(const TImeName& value) override;
    void SetMaxLength(Integer value) override;
    void SetOEMConvert(bool value) override;
    void SetPasswordChar(char value) override;
    void SetSelLength(Integer value) override;
    void SetSelStart(Integer value) override;
    void SetSelText(const String& value) override;

    TqzCustomInnerTextEdit* GetEdit() const { return FEdit; }
    // Kept while an input-method character is pending.
    Integer SavedSelLength = 0;
    Integer SavedSelStart = 0;

private:
    TqzCustomInnerTextEdit* FEdit;
};

// The native single-line edit a text editor hosts: no border, no background of its own, and
// every key, character and mouse event goes to the editor first.
class TqzCustomInnerTextEdit : public TCustomEdit,
                               public IqzInnerEditHelperSource,
                               public IqzContainerInnerControl {
    KOV_CLASS(TqzCustomInnerTextEdit, TCustomEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomInnerTextEdit(TComponent* owner);
    ~TqzCustomInnerTextEdit() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    // IqzInnerEditHelperSource
    IqzCustomInnerEdit* GetHelper() override { return FHelper.get(); }
    // IqzContainerInnerControl
    TWinControl* GetControl() override { return this; }
    TqzContainer* GetControlContainer() override;

    // The owning editor (nullptr outside one).
    TqzCustomTextEdit* GetTextEdit() const;
    TqzCustomInnerTextEditHelper* GetTextHelper() const { return FHelper.get(); }

    void SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(void* message) override;
    bool CanFocus() const override;
    // Actions are taken by the class library first, else by the editor's data binding.
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;

    // Left margin 0, right margin 1.
    virtual void ApplyMargins();
    virtual void HandleMouseEnter() {}
    virtual void HandleMouseLeave();

    TqzEditEchoMode GetEchoMode() const { return FEchoMode; }
    void SetEchoMode(TqzEditEchoMode value);
    char GetInnerPasswordChar() const { return FPasswordChar; }
    void SetInnerPasswordChar(char value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetKeyConsumed() const { return FKeyConsumed; }
    void SetKeyConsumed(bool value) { FKeyConsumed = value; }
    Integer GetBoundsLockCount() const { return FBoundsLockCount; }
    void LockBounds(bool lock);
    Integer GetPendingImeChars() const { return FPendingImeChars; }
    char GetPendingImeTrailByte() const { return FPendingImeTrailByte; }
    // How many times the window was made (tests watch recreation).
    Integer GetWindowCreationCount() const { return FWindowCreationCount; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandle() override;
    void CreateWindowHandle(const TCreateParams& params) override;
    void CreateWnd() override;
    void Change() override;
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
    // The editor gives the native edit the colour and font colour of its active style (disabled
    // and read-only included): the window is answered with them as they are.
    void CNCtlColor(TMessage& message) override;

    void WMChar(TWMKey& message);
    void WMCut(TMessage& message);
    void WMClear(TMessage& message);
    void WMPaste(TMessage& message);
    void WMEraseBkgnd(TMessage& message);
    void WMGetDlgCode(TMessage& message);
    void WMImeChar(TMessage& message);
    void WMKeyDown(TWMKey& message);
    void WMKillFocus(TMessage& message);
    void WMNCPaint(TMessage& message);
    void WMSetFocus(TMessage& message);
    void WMSize(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);

    void RefreshPasswordChar();

private:
    friend class TqzCustomInnerTextEditHelper;
    // The application's pre-dispatch key-down notification: the editor's key handling runs
    // there once for the key.
    void KeyDownNotification(TMessage& message, TqzCustomTextEdit* edit);
    // The key the notification already ran the editor's key handling for, 0 when none.
    Word FNotifiedKey = 0;
    TqzEditEchoMode FEchoMode = eemNormal;
    std::unique_ptr<TqzCustomInnerTextEditHelper> FHelper;
    bool FKeyConsumed = false;
    bool FConstructing = false;
    Integer FBoundsLockCount = 0;
    TAlignment FAlignment = taLeftJustify;
    Integer FPendingImeChars = 0;
    char FPendingImeTrailByte = 0;
    char FPasswordChar = 0;
    Integer FWindowCreationCount = 0;
};

// The inner edit's caret, selection and (optionally) text, to tell later whether they changed.
struct TqzCustomInnerTextEditPrevState {
    Integer SelStart = 0;
    Integer SelLength = 0;
    bool TextSaved = false;
    String Text;
};

void SaveInnerTextEditState(IqzInnerTextEdit* edit, bool withText, TqzCustomInnerTextEditPrevState& state);
// True also when the native edit has no window; a text differing only in letter case is no
// change.
bool HasInnerTextEditChanged(IqzInnerTextEdit* edit, const TqzCustomInnerTextEditPrevState& state);

// ---- Text view data and view info ------------------------------------------------------------

// Text flags of a view data: an empty text measures 0 high; the text may wrap into rows; a cut
// last row ends with an ellipsis.
constexpr Integer qztfEmptyTextNoHeight = 0x01;
constexpr Integer qztfMultiRow = 0x02;
constexpr Integer qztfEllipsis = 0x08;

class TqzCustomTextEditViewInfo;

using TqzTextEditCustomDrawHandler = TClosure<void(TqzCanvas* Canvas, const TRect& R)>;

// Turns an edit value into the text shown, places it and measures it.
class TqzCustomTextEditViewData : public TqzCustomEditViewData {
    KOV_CLASS(TqzCustomTextEditViewData, TqzCustomEditViewData)
public:
    using TqzCustomEditViewData::TqzCustomEditViewData;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties,
                                                 TqzCustomEditStyle* style, bool isInplace);

    void InitializeFromProperties() override;
    void EditValueToDisplayText(const Variant& editValue, String& text) override;
    void CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                              const TqzEditSizeParameters& sizeParameters) override;
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue,
                             TqzCustomEditViewInfo* viewInfo) override;
    void GetClientExtent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& rect) override;

    // ---- Introduced virtuals, in slot order ----
    virtual bool IsInnerEditVisible();
    virtual Integer GetVisibleLineCount() { return LineCount; }
    virtual bool IsComboBoxView() { return false; }
    virtual void CalculateTextAttributes(TqzCanvas* canvas, TqzCustomTextEditViewInfo* viewInfo);
    virtual void StoreDrawText(const Variant& value, TqzCustomTextEditViewInfo* viewInfo);
    virtual Integer GetDrawTextFlags();
    virtual void GetTextRect(TRect& margins);

    void CalculateSelectionInfo(TqzCustomTextEditViewInfo* viewInfo);
    TqzCustomTextEditProperties* GetTextProperties() const;

    bool FormattedBySource = false;
    // The text flags (qztf*), the most rows to lay out (0: no limit), the selection drawn.
    Integer TextFlags = 0;
    Integer LineCount = 0;
    Integer SelStart = 0;
    Integer SelLength = 0;
};

// The calculated text layout of an editor (or a cell), painted when the native edit does not
// show the text.
class TqzCustomTextEditViewInfo : public TqzCustomEditViewInfo {
    KOV_CLASS(TqzCustomTextEditViewInfo, TqzCustomEditViewInfo)
public:
    TqzCustomTextEditViewInfo() = default;
    ~TqzCustomTextEditViewInfo() override;
    static TqzContainerViewInfo* CreateInstance();

    void PaintBackground(TqzCanvas* canvas) override;
    void MoveBy(Integer dx, Integer dy) override;
    // Measured on the shared screen canvas.
    bool IsTextHintNeeded(const TPoint& p, String& text, bool& isMultiLine, TRect& textRect) override;
    // p in the window's coordinates; limitRect (0, 0, 0, 0) for the whole text rectangle.
    virtual bool IsTextHintNeededAt(TqzCanvas* canvas, const TPoint& p, TRect& hintRect, bool& isMultiLine,
                                    String* text, const TRect& limitRect);
    virtual void PaintContent(TqzCanvas* canvas);

    // The row cache is laid out again by the next paint.
    void InvalidateRows() { RowsLaidOut = false; }

    bool IsComboBoxView = false;
    TqzTextEditCustomDrawHandler CustomDrawHandler;
    bool CustomDraw = false;
    bool Highlighted = false;
    // The text-output flags of the text (the base's DrawTextFlags are its drawing flags).
    Integer TextOutFlags = 0;
    TqzTextEditingStyle EditingStyle = FreeText;
    bool PopupOpen = false;
    bool InnerEditVisible = false;
    Integer MaxLineCount = 0;
    Integer SelStart = 0;
    Integer SelLength = 0;
    TColor SelTextColor = clHighlightText;
    TColor SelBackgroundColor = clHighlight;
    String Text;
    // The row cache.
    bool RowsLaidOut = false;
    bool RowsEllipsis = false;
    Integer RowCount = 0;
    Integer RowSelStart = 0;
    Integer RowSelLength = 0;
    TColor RowSelTextColor = clHighlightText;
    TColor RowSelBackgroundColor = clHighlight;
    TqzTextParams RowParams;
    TRect RowLayoutRect;
    TqzTextRows Rows;
    // The text the rows point into.
    String RowText;
    // How many times the rows were laid out (tests watch the cache).
    Integer RowLayoutCount = 0;
    TRect TextRect;
};

// The size a text needs in an editor, content margins included (sizeParameters.Width below 0: no
// width limit).
void CalculateEditTextSize(TqzCanvas* canvas, TqzCustomEditViewData* viewData, const String& text,
                           TSize& size, bool addHorizontalMargin, Integer rowCount,
                           const TqzEditSizeParameters& sizeParameters, Integer flags);
void GetTextEditTextRect(TqzCustomEditViewData* viewData, TRect& margins);
void CalculateTextRect(TqzCanvas* canvas, TqzCustomTextEditViewData* viewData,
                       TqzCustomTextEditViewInfo* viewInfo);
void CalculateMultiRowAttributes(TqzCanvas* canvas, TqzCustomTextEditViewData* viewData,
                                 TqzCustomTextEditViewInfo* viewInfo);
void PaintTextEditViewInfo(TqzCanvas* canvas, TqzCustomTextEditViewInfo* viewInfo);
void DrawTextEditText(TqzCanvas* canvas, TqzCustomTextEditViewInfo* viewInfo, const String& text,
                      Integer leftIndent, Integer rightIndent, Integer rowLimit, TColor selTextColor,
                      TColor selBackgroundColor, Integer selLength, Integer selStart, Integer flags,
                      const TRect& bounds);

// ---- The text editor -------------------------------------------------------------------------

// The single-line text editor: a native edit kept in line with the edit value, the properties,
// the style and the view; lookup items with incremental search.
class TqzCustomTextEdit : public TqzCustomEdit, public IqzFormatListener {
    KOV_CLASS(TqzCustomTextEdit, TqzCustomEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomTextEdit(TComponent* owner);
    TqzCustomTextEdit(TComponent* owner, bool isInplace);
    ~TqzCustomTextEdit() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    // ---- Overrides, in slot order ----
    void Loaded() override;
    void CalculateInnerControlRegion(bool& whole, TRect& rect) override;
    bool UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent) override;
    void AdjustInnerEditPosition() override;
    bool IsEditingKey(Word key, TShiftState shift) override;
    bool IsEditingChar(char32_t ch) override;
    void HandleContentChange(TObject* sender) override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyPress(char32_t& ch) override;
    void GetSizeParameters(TqzEditSizeParameters& parameters) override;
    void ReadDisplayText(String& text) override;
    TClass GetInnerEditClass() override { return TqzCustomInnerTextEdit::StaticClass(); }
    void Initialize() override;
    bool IsEditable() override;
    void ApplyDisplayValue(const Variant& value) override;
    void StoreDisplayValue(const Variant& value) override;
    bool AcceptsChar(char32_t ch) override;
    void ApplyActiveProperties(TObject* properties) override;
    bool CanSetDisplayText(const String& text) override;
    void DisplayValueToInnerEdit(const Variant& value) override;
    void SynchronizeDisplayValue() override;
    void RefreshEditValueFromDisplay() override;
    void UpdateDrawValue() override;
    bool HandlesNavigationKeys() override { return true; }
    void InnerEditWndProc(TMessage& message) override;
    void UnhookInnerEditWndProc() override;
    void Activate(TqzCustomEditData*& editData) override;
    void CopyToClipboard() override;
    void CutToClipboard() override;
    TClass GetPropertiesClass() override { return TqzCustomTextEditProperties::StaticClass(); }
    bool ShowsInnerEdit() override;
    void PasteFromClipboard() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void SelectAll() override;

    // ---- Introduced virtuals, in slot order ----
    void FormatChanged() override;
    virtual void UpdateInnerEditAppearance();
    // The text after inserting text at the selection and the caret behind it, when acceptable.
    virtual bool ValidateTextInsertion(const String& text, String& newText, Integer& newCaret);
    virtual void EnforceValueBounds();
    virtual void ClampValueToBounds() {}
    virtual void DoNewLookupDisplayText(const String& text);
    virtual Integer GetTextHeight();
    virtual Integer GetItemIndex();
    virtual bool CanDropDown(bool flag) { return false; }
    virtual void UpdateEditValueFromLookup(TObject* sender);
    virtual String GetEditingText();
    virtual bool SetEditingText(const String& text);
    virtual Variant ItemIndexToLookupKey(Integer index) { return Variant(index); }
    virtual Variant LookupKeyToEditValue(const Variant& key);
    virtual Integer LookupKeyToItemIndex(const Variant& key);
    virtual bool NeedsLookupValidation();
    virtual void ResetFindSelection();
    virtual void SetTextIfEditable(const String& text);
    virtual void SetItemIndex(Integer index);
    virtual void SetSelLength(Integer value);
    virtual void SetSelStart(Integer value);
    virtual void SetSelText(const String& value);
    virtual void ValidateLookupText();
    virtual void ClearSelection();
    virtual void Undo() { RevertEditValue(); }

    // ---- Keyboard (dynamic) ----
    void HandleKeyPress(char32_t& key) override;
    bool HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    virtual bool CanStartIncrementalSearch();
    virtual bool ApplyIncrementalSearch(String& text);

    // ---- Selection ----
    Integer GetSelStart();
    Integer GetSelLength();
    String GetSelText();
    void SetSelection(Integer start, Integer length);
    Integer GetCaretCharIndex();

    // ---- Access ----
    IqzInnerTextEdit* GetInnerTextEdit() const;
    TqzCustomInnerTextEdit* GetInnerTextEditControl() const;
    IqzTextEditLookupData* GetLookupDataInterface() const { return FLookupData.get(); }
    TqzCustomTextEditLookupData* GetLookupData() const { return FLookupData.get(); }
    TqzCustomTextEditViewInfo* GetTextViewInfo() const;
    TqzCustomTextEditProperties* GetTextProperties() const;
    // The properties in use (a repository item's or the own ones).
    TqzCustomTextEditProperties* GetActiveProperties();
    String GetText();
    void SetText(const String& value);
    void BeginLookupTextChange() { FLookupChangingText = true; }
    void EndLookupTextChange() { FLookupChangingText = false; }
    bool IsLookupChangingText() const { return FLookupChangingText; }
    void SetFindSelection(bool value);
    bool GetFindSelection() const { return FFindSelection; }
    bool IsNavigatingLookup() const { return FNavigatingLookup; }
    bool IsSynchronizingDisplayValue() const { return FSynchronizingDisplayValue; }
    bool GetPopupClosedByKey() const { return FPopupClosedByKey; }
    void SetPopupClosedByKey(bool value) { FPopupClosedByKey = value; }
    bool GetBeepOnEnter() const { return FBeepOnEnter; }
    void SetBeepOnEnter(bool value) { FBeepOnEnter = value; }
    // The user-input flag for a scope (the native edit's clipboard messages).
    bool IsUserInput() const { return IsUserChange(); }
    void SetUserInput(bool value) { SetUserChange(value); }
    void LockEnforcingPaint();

protected:
    // For descendants that answer class-level questions: they call InitializeEditor last.
    TqzCustomTextEdit(TComponent* owner, bool isInplace, bool deferInitialization);

    void HandleExit() override;

    void WMSetText(TMessage& message);
    void WMGetText(TMessage& message);
    void WMGetTextLength(TMessage& message);
    void WMClear(TMessage& message);

    // The text of the text messages: the editing text, or the saved one once the properties went.
    String MessageText();
    void ReformatThousandSeparators();
    void NavigateLookup(Word& key, TShiftState shift);
    void PostAfterLookupMove(const Variant& oldKey);

    bool FBeepOnEnter = true;
    bool FFindSelection = false;
    bool FInSetTextMessage = false;
    bool FSynchronizingDisplayValue = false;
    bool FNavigatingLookup = false;
    String FTextAtDestruction;
    bool FPositioningInnerEdit = false;
    bool FPopupClosedByKey = false;
    std::unique_ptr<TqzCustomTextEditLookupData> FLookupData;
    bool FLookupChangingText = false;
    bool FTextDestroying = false;
};

// The text editor placed on forms.
class TqzTextEdit : public TqzCustomTextEdit {
    KOV_CLASS(TqzTextEdit, TqzCustomTextEdit)
public:
    explicit TqzTextEdit(TComponent* owner);
    TqzTextEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzTextEditProperties::StaticClass(); }
    TqzTextEditProperties* GetTextEditProperties() const {
        return static_cast<TqzTextEditProperties*>(GetProperties());
    }
    void SetTextEditProperties(TqzTextEditProperties* value) { GetProperties()->Assign(value); }
};
