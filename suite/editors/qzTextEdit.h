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
    virtual void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                      TqzCustomEdit* editor);

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
    virtual bool UsesThousandSeparator(bool synchronizing) { return false; }
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
