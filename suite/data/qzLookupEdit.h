// The lookup editor: a combo box whose drop-down is a list control backed by a data controller,
// whose edit value is the key of the chosen list record and whose text is that record's display
// text in one list column. The properties are the one place where the lookup data reaches the
// list: every list operation is a virtual operation of the properties that concrete properties
// answer with their list control.
#pragma once

#include "suite/data/qzCustomData.h"
#include "suite/editors/qzDropDownEdit.h"

class TqzCustomLookupEdit;
class TqzCustomLookupEditProperties;

// ---- Lookup data -----------------------------------------------------------------------------

// What the editor and its drop-down list say to each other: the selected key (the value of the
// list record the editor shows), movement by row and page, text matching and completion,
// incremental filtering while the list is open, the drop-down's size and the list's close-up.
class TqzCustomLookupEditLookupData : public TqzCustomTextEditLookupData {
    KOV_CLASS(TqzCustomLookupEditLookupData, TqzCustomTextEditLookupData)
public:
    // owner: the editor.
    explicit TqzCustomLookupEditLookupData(TPersistent* owner);

    // ---- The editor's lookup interface ----
    bool CanResizeList(TSize& size, const TSize& limit) override;
    void ResetListSelection() override;
    void ReleaseList() override;
    void NotifyDropDown() override;
    void NotifyTypedText(const String& text) override {}
    bool ContainsText(const String& text) override;
    TWinControl* GetActiveControl() override;
    Variant GetCurrentKey() override { return SelectedKey; }
    String GetKeyText(const Variant& key) override;
    TSize GetListPreferredSize() override;
    void MoveCurrent(Integer direction, bool cycle) override;
    TWinControl* InitializeList(TWinControl* parent) override;
    bool IsEmpty() override;
    bool IsMouseOverList(const TPoint& screenPoint) override;
    bool Locate(String& text, String& tail, bool fromCurrent) override;
    void SetListBounds(const TRect& bounds) override;
    void RefreshList() override {}
    void CommitListSelection() override;
    void SelectKey(const Variant& key) override;
    void SyncWithEditText() override;

    // ---- Further virtual operations, in slot order ----
    virtual void FireCurrentKeyChanged();
    virtual void FireSelectItem();
    // The record index as the key (the data-set lookup data takes the record's key values).
    virtual void SetCurrentKeyFromRecord(Integer recordIndex);
    // The record of the key focused (the data-set lookup data locates the key).
    virtual void FocusCurrentKeyRecord();
    virtual void HandleListSelect(TObject* sender);
    virtual void HandleListCloseUp(TObject* sender, bool accept);
    virtual void HandleListEvent(TObject* sender) {}
    virtual bool IsFocusedRowSelected();
    virtual bool LocateExactText(const String& text);
    virtual void ResetIncrementalFilter();
    virtual void SyncListWithKey();
    virtual void SyncWithText();
    virtual void UpdateDropDownHeight();

    TqzCustomLookupEdit* GetOwnerEdit() const;
    TqzCustomLookupEditProperties* GetProperties() const;
    TqzCustomDataController* GetDataController() const;
    Integer GetListIndex() const;
    Integer GetFocusedRecord() const;
    bool IsListVisible() const { return ListVisible; }

    Variant SelectedKey;
    bool ListVisible = false;

protected:
    void LockProperties();
    void UnlockProperties();
    // The focused row shown selected or not.
    void ShowFocusedRowSelected(bool value);
};

// Raises the properties' lock for a scope.
class TqzLookupDataLock {
public:
    explicit TqzLookupDataLock(TqzCustomLookupEditProperties* properties);
    ~TqzLookupDataLock();
    TqzLookupDataLock(const TqzLookupDataLock&) = delete;
    TqzLookupDataLock& operator=(const TqzLookupDataLock&) = delete;

private:
    TqzCustomLookupEditProperties* FProperties;
};

// ---- Properties ------------------------------------------------------------------------------

using TqzLookupGridCloseUpHandler = TClosure<void(TObject* Sender, bool AAccept)>;

class TqzCustomLookupEditProperties : public TqzCustomComboBoxProperties {
    KOV_CLASS(TqzCustomLookupEditProperties, TqzCustomComboBoxProperties)
public:
    explicit TqzCustomLookupEditProperties(TPersistent* owner);

    void Assign(TPersistent* source) override;

    // ---- Overrides ----
    TClass GetContainerClass() const override;
    Byte GetDisplayFormatOptions() override { return 0; }
    Integer GetSupportedOperations() override;
    bool IsEditValueValid(Variant& value, bool editing) override { return true; }
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    Integer GetEditValueSource(bool editing) override { return IsKeyTheListField() ? 1 : 0; }
    bool IsLookupText(const String& text) override;
    TClass GetLookupDataClass() const override;
    bool IsLookupNavigationKey(Word key, TShiftState shift) override;

    // ---- Virtual operations added, in slot order ----
    virtual TWinControl* GetListActiveControl() { return GetListControl(); }
    virtual bool CanResizeListHeight() { return true; }
    virtual Integer GetListColumnCount() { return 0; }
    virtual TWinControl* GetListControl() { return nullptr; }
    virtual TqzCustomDataController* GetListDataController() { return nullptr; }
    virtual Integer GetListWidth() { return 0; }
    virtual Integer FitListHeight(Integer height) { return height; }
    virtual Integer GetListHeightForRows(Integer rows) { return 0; }
    virtual bool IsPointOnListRow(const TPoint& clientPoint) { return false; }
    virtual void ListClosed() {}
    virtual void ListTextTyped(const String& text) {}
    virtual void SetListHandlers(const TNotifyEvent& select, const TNotifyEvent& other,
                                 const TqzLookupGridCloseUpHandler& closeUp) {}
    virtual void BeforeListShow() {}
    virtual void ApplyListAppearance(TqzLookAndFeel* lookAndFeel, TColor color, TFont* font) {}
    virtual void ListShowing() {}
    virtual void MakeListFocusVisible() {}
    virtual void ListHiding() {}
    virtual void UnhookListDataController();
    // The record of the first filtered row from the top whose display text in the item matches.
    virtual Integer FindByText(Integer item, const String& text, bool partial);
    virtual Integer GetListFieldIndex() { return ListFieldIndex; }
    virtual String GetDisplayText(const Variant& key) { return String(); }
    virtual bool UsesIncrementalFiltering() { return IncrementalFiltering; }
    virtual Integer GetListIndex();
    virtual Variant GetNullKey() { return Null(); }
    virtual void ListDataChanged(TObject* sender);
    virtual void HookListDataController();
    virtual bool IsLookupDataLocked() { return LookupDataLock != 0; }
    virtual bool IsListNotifyLocked();
    virtual bool IsKeyTheListField() { return false; }
    virtual void BeginListNotifyLock();
    virtual void SetListFieldIndex(Integer value);
    virtual void EndListNotifyLock();
    virtual void DetachList();
    virtual bool IsDefinedByLookupField() { return IsLookupFieldBound(); }
    virtual bool IsLookupFieldBound() { return false; }

    // After the list columns changed.
    void AdjustListFieldIndex();

    // The popup settings under the drop-down's names.
    bool GetDropDownAutoSize() const { return GetPopupAutoSize(); }
    void SetDropDownAutoSize(bool value) { SetPopupAutoSize(value); }
    Integer GetDropDownHeight() const { return GetPopupHeight(); }
    void SetDropDownHeight(Integer value) { SetPopupHeight(value); }
    bool GetIncrementalFiltering() const { return IncrementalFiltering; }
    void SetIncrementalFiltering(bool value) { IncrementalFiltering = value; }

    Integer ListFieldIndex = 0;
    Integer LookupDataLock = 0;
    bool ChangeGuard = false;
    bool IncrementalFiltering = true;

private:
    // Raised while the lookup data moves the list or the list is dropped down: the list's own
    // notifications then do not re-apply the properties.
    Integer FListNotifyLock = 0;
};

// ---- Editor ----------------------------------------------------------------------------------

class TqzCustomLookupEdit : public TqzCustomComboBox {
    KOV_CLASS(TqzCustomLookupEdit, TqzCustomComboBox)
public:
    explicit TqzCustomLookupEdit(TComponent* owner);
    TqzCustomLookupEdit(TComponent* owner, bool isInplace);

    void Initialize() override;
    TClass GetPropertiesClass() override { return TqzCustomLookupEditProperties::StaticClass(); }
    bool IsEditFocused() override { return true; }
    void BeginPosting() override;
    void EndPosting() override;
    void BeforeRepositoryItemChange() override;
    void SynchronizeDisplayValue() override;
    void DropDown() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    bool NeedsLookupValidation() override { return false; }
    // The list's preferred size, fitted to the drop-down height when one is set.
    void GetPopupContentSize(Integer& width, Integer& height) override;

    TqzCustomLookupEditProperties* GetActiveLookupProperties();
    TqzCustomLookupEditLookupData* GetLookupEditData() const;

protected:
    TqzCustomLookupEdit(TComponent* owner, bool isInplace, bool deferInitialization);
};
