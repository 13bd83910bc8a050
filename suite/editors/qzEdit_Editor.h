// The editor control: the container an editor's inner edit lives in, its edit value, events,
// validation, keyboard and mouse, binding to a repository item and in-place activation. Part of
// the qzEdit unit: include suite/editors/qzEdit.h.

#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "suite/editors/qzEdit.h"

class TqzCustomEdit;
class TqzEditDataBinding;
class TqzCustomEditData;

// ---- Inner edit --------------------------------------------------------------------------------

// What the editor asks of the native control inside it.
class IqzCustomInnerEdit : public virtual IqzContainerInnerControl {
public:
    // Straight to the native control's default window procedure.
    virtual LRESULT CallDefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The control's text as a variant.
    virtual Variant GetEditValue() = 0;
    virtual TNotifyEvent GetOnChange() = 0;
    virtual bool GetReadOnly() = 0;
    // True raises the bounds lock, false lowers it (not below 0); a locked control keeps its
    // bounds.
    virtual void LockBounds(bool lock) = 0;
    virtual void SetFocus() = 0;
    // The control's text becomes the value's text; at design time a changed text also fires
    // the control's change notification.
    virtual void SetEditValue(const Variant& value) = 0;
    virtual void SetEditOwner(TqzCustomEdit* editor) = 0;
    virtual void SetOnChange(const TNotifyEvent& handler) = 0;
    virtual void SetReadOnly(bool value) = 0;
};

// An inner control that leaves the editor's questions to a separate helper object.
// {35667555-6DC8-40D5-B705-B08D5697C621}
class IqzInnerEditHelperSource : public virtual IInterface {
public:
    virtual IqzCustomInnerEdit* GetHelper() = 0;
};

// ---- Events and class references ---------------------------------------------------------------

using TqzEditEditingEvent = TClosure<void(TObject* Sender, bool& CanEdit)>;

using TqzEditDataBindingClass = TqzEditDataBinding* (*)(TqzCustomEdit* editor);
using TqzEditDefaultValuesProviderClass = TqzCustomEditDefaultValuesProvider* (*)(TPersistent* owner);
using TqzCustomEditDataClass = TqzCustomEditData* (*)(TqzCustomEdit* editor);

// What auto size measures: the number of lines and the width to lay them out in.
struct TqzEditSizeParameters {
    Integer MaxLineCount = 1;
    Integer Width = 0;
};

// ---- Data binding ------------------------------------------------------------------------------

// The link from an editor to the source of its value; this one has no source and answers from
// the editor itself.
class TqzEditDataBinding : public TPersistent {
    KOV_CLASS(TqzEditDataBinding, TPersistent)
public:
    explicit TqzEditDataBinding(TqzCustomEdit* editor);
    ~TqzEditDataBinding() override;
    TqzEditDataBinding(const TqzEditDataBinding&) = delete;
    TqzEditDataBinding& operator=(const TqzEditDataBinding&) = delete;
    static TqzEditDataBinding* CreateInstance(TqzCustomEdit* editor) {
        return new TqzEditDataBinding(editor);
    }

    // ---- Introduced virtuals, in slot order ----
    virtual bool CanModify() { return true; }
    virtual void DefaultValuesChanged();
    virtual void GetDisplayValue(Variant& value);
    virtual bool IsModified();
    virtual void GetStoredValue(Variant& value);
    virtual void Reset();
    virtual void SetDisplayValue(const Variant& value);
    // Puts the source into edit state; false refuses editing.
    virtual bool Edit() { return true; }
    // Writes a posted value to the source.
    virtual void StoreValue(const Variant& value) {}
    virtual bool IsEditorDesigning();
    virtual bool ExecuteAction(TBasicAction* action) { return false; }
    virtual TqzEditDefaultValuesProviderClass GetDefaultValuesProviderClass();
    virtual bool UpdateAction(TBasicAction* action) { return false; }
    virtual void UpdateDisplayValue();
    // After loading, renaming and the first parenting.
    virtual void UpdateBindingState() {}

    IqzEditDefaultValuesProvider* GetDefaultValuesProvider() const;
    bool IsSourceActive() const;
    TqzCustomEdit* GetEditor() const { return FEditor; }

protected:
    // Descendants with their own provider class call it last in their constructor.
    void CreateDefaultValuesProvider();

private:
    TqzCustomEdit* FEditor;
    std::unique_ptr<TqzCustomEditDefaultValuesProvider> FDefaultValuesProvider;
};

// ---- In-place edit data ------------------------------------------------------------------------

// What an in-place editor keeps between activations; the host holds one per editor.
class TqzCustomEditData : public TObject {
    KOV_CLASS(TqzCustomEditData, TObject)
public:
    explicit TqzCustomEditData(TqzCustomEdit* editor);
    ~TqzCustomEditData() override;
    TqzCustomEditData(const TqzCustomEditData&) = delete;
    TqzCustomEditData& operator=(const TqzCustomEditData&) = delete;
    static TqzCustomEditData* CreateInstance(TqzCustomEdit* editor) { return new TqzCustomEditData(editor); }

    // nullptr once the editor is freed.
    TqzCustomEdit* GetEditor() const { return FEditor; }
    bool Cleared = true;

private:
    void EditorFreed(TObject* sender, TComponent* component);
    TqzCustomEdit* FEditor;
    std::unique_ptr<TqzFreeNotificator> FFreeNotificator;
};

// ---- Change events catcher ---------------------------------------------------------------------

// Collects an editor's change events while they are locked.
class TqzEditChangeEventsCatcher : public TObject {
    KOV_CLASS(TqzEditChangeEventsCatcher, TObject)
public:
    explicit TqzEditChangeEventsCatcher(TqzCustomEdit* editor) : FEditor(editor) {}

    // Locking from 0 forgets what was pending; the last unlock fires it when asked.
    void Lock(bool lock, bool fireEvents);
    bool IsLocked() const { return FLockCount > 0; }
    Integer GetLockCount() const { return FLockCount; }
    // While locked, marks the event pending and answers true.
    bool CatchChange();
    bool CatchEditValueChanged();

    TqzCustomEdit* GetEditor() const { return FEditor; }
    bool ChangePending = false;
    bool EditValueChangedPending = false;

private:
    TqzCustomEdit* FEditor;
    Integer FLockCount = 0;
};

// ---- The editor --------------------------------------------------------------------------------

// The base of every editor of the suite: the edited value (a variant), its permission,
// validation, posting and revert, the focus and key handling common to all editors, the
// properties it works with (its own or a repository item's), its buttons, its view, and the
// in-place use by a grid. The base edits nothing itself; descendants fill the value, display
// and clipboard operations.
//
// A descendant that overrides any of the class-level answers (GetPropertiesClass,
// GetInnerEditClass, GetDataBindingClass, ...) constructs through the deferring constructor and
// calls InitializeEditor last.
class TqzCustomEdit : public TqzContainer, public IqzEditRepositoryItemListener {
    KOV_CLASS(TqzCustomEdit, TqzContainer)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomEdit(TComponent* owner);
    TqzCustomEdit(TComponent* owner, bool isInplace);
    ~TqzCustomEdit() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    // IqzEditRepositoryItemListener
    void ItemRemoved(TqzEditRepositoryItem* sender) override;
    void PropertiesChanged(TqzEditRepositoryItem* sender) override;

    // Actions are taken by the class library first, else by the data binding.
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;

    // How many times a key's character was taken out of the queue (the click key's); the inner
    // edit reads it to tell whether a key it handled still wants its character.
    Integer GetQueuedCharRemovals() const { return FQueuedCharRemovals; }

    // ---- Introduced virtuals, in slot order ----
    virtual void AdjustInnerEditPosition();
    virtual void EndPosting();
    virtual void BeginPosting();
    virtual bool IsAutoHeight();
    virtual bool IsAutoWidth();
    virtual bool IsEditingKey(Word key, TShiftState shift) { return false; }
    virtual bool IsEditingChar(char32_t ch) { return false; }
    virtual bool CanModify();
    virtual void HandleContentChange(TObject* sender);
    virtual void CreateInnerEdit(IqzCustomInnerEdit*& innerEdit);
    // The caller owns it.
    virtual TqzCustomEditViewData* CreateViewData();
    virtual void ClickDefaultButton();
    virtual void FireButtonClickEvent(Integer index);
    virtual void HandleButtonPress(Integer index) {}
    virtual void HandleButtonRelease(Integer index) {}
    virtual void HandleEditKeyDown(Word& key, TShiftState shift);
    virtual void HandleEditKeyPress(char32_t& ch);
    virtual void HandleEditKeyUp(Word& key, TShiftState shift) {}
    virtual void BeforeTabFocusMove(TShiftState shift) {}
    virtual void FireChangeEvent();
    virtual void FireEditValueChangedEvent();
    virtual void GetSizeParameters(TqzEditSizeParameters& parameters);
    virtual TqzEditDataBindingClass GetDataBindingClass();
    virtual void ReadDisplayText(String& text) { text.clear(); }
    virtual TqzCustomEditDataClass GetEditDataClass() { return nullptr; }
    virtual void GetEditValue(Variant& value);
    virtual TClass GetInnerEditClass() { return nullptr; }
    virtual void HandleValidationError(const String& errorText);
    virtual void Initialize();
    virtual void HandleEditDataCleared() {}
    virtual void InitializeInnerEdit();
    virtual void InitializeViewData(TqzCustomEditViewData* viewData);
    virtual bool IsEditable() { return true; }
    virtual void ApplyDisplayValue(const Variant& value) {}
    virtual void ApplyEditValue(const Variant& value, bool prepare);
    virtual void StoreDisplayValue(const Variant& value);
    virtual bool IsActiveControl();
    virtual bool ClicksWhileLoading() { return false; }
    virtual bool IsClickKey(Word key, TShiftState shift);
    virtual bool ShouldStoreEditValue();
    virtual bool HasOwnBackground() { return false; }
    virtual bool UsesTransparentProperty();
    virtual bool AcceptsChar(char32_t ch);
    virtual void PaintForCopy(TCanvas* canvas);
    virtual void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing);
    virtual void HandleButtonStateChange(TqzCustomEditViewInfo* oldViewInfo);
    virtual void ApplyActiveProperties(TObject* properties);
    virtual bool IsValueReadOnly();
    virtual void RepositoryItemChanged() {}
    virtual void BeforeRepositoryItemChange() {}
    virtual void RevertEditValue();
    virtual bool ForwardsActivationKey(char32_t ch) { return true; }
    virtual bool CanSetDisplayText(const String& text) { return false; }
    // AutoSize's setter (TControl's AutoSize is not used by editors).
    void SetAutoSize(bool value) override;
    virtual void SetEditValue(const Variant& value);
    virtual void SetEditValueAsUser(const Variant& value);
    virtual void DisplayValueToInnerEdit(const Variant& value) {}
    virtual void SynchronizeDisplayValue() {}
    virtual void RefreshEditValueFromDisplay() {}
    virtual bool RefreshOnEnter() { return true; }
    virtual void UpdateDrawValue() {}
    virtual bool AllowsKeyDown(Word key, TShiftState shift);
    // Whether the character survives.
    virtual bool FilterKeyPress(char32_t& ch);
    virtual bool HandlesNavigationKeys() { return false; }
    virtual void InnerEditWndProc(TMessage& message);
    virtual void HookInnerEditWndProc();
    virtual void UnhookInnerEditWndProc();
    virtual void Activate(TqzCustomEditData*& editData);
    virtual void ActivateByKey(char32_t key, TqzCustomEditData*& editData);
    virtual void ActivateByMouse(TShiftState shift, Integer x, Integer y, TqzCustomEditData*& editData);
    virtual void ClearValue();
    virtual void CopyToClipboard() {}
    virtual void CutToClipboard() {}
    virtual bool ValidateAndSynchronize();
    virtual TClass GetPropertiesClass();
    virtual bool IsEditFocused();
    virtual bool IsChildWindow(HWND window);
    virtual bool ShowsInnerEdit() { return false; }
    virtual bool IsRepositoryItemAcceptable(TqzEditRepositoryItem* item);
    virtual void PasteFromClipboard() {}
    virtual void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) {}
    virtual void SelectAll() {}

    // ---- Container behaviour ----
    TRect GetBorderExtent() override;
    TqzContainerStyleClass GetStyleClass() override;
    TqzContainerViewInfoClass GetViewInfoClass() override;
    TqzContainerStyleValues GetHiddenStyleValues() override {
        return TqzContainerStyleValues{10, 11, 12, 13};
    }
    bool IsTransparent() override;
    bool SkipsTabHandling() override { return true; }
    bool IsNativeStyle() override;
    void FocusInnerControl() override;
    bool IsInplace() override { return FIsInplace; }
    bool UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent) override;
    void AdjustInnerControlBounds() override;
    void HandleFocusChange() override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyPress(char32_t& key) override;
    void HandleKeyUp(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleDblClick() override;
    using TqzContainer::GetTabOrderList;
    void GetTabOrderList(std::vector<TWinControl*>& list) const override;
    void HandleWindowMessage(TMessage& message) override;
    void SetParent(TWinControl* value) override;
    void SetName(const String& value) override;
    void Click() override;

    // ---- Public operations ----
    void PostEditValue(bool validateFirst = false);
    bool ValidateEditing(bool raiseOnError = true);
    bool RequestEditing();
    void NotifyChange();
    void NotifyEditValueChanged();
    void LockChangeEvents(bool lock, bool fireEvents = true);
    void LockClick(bool lock);
    void LockEditValueChanging(bool lock);
    TqzCustomEditProperties* GetPropertiesInUse();
    TqzCustomEditViewInfo* GetViewInfo() const;
    void SetModifiedAndClick();
    bool CanUseMouseWheel(TShiftState shift);
    bool HasPendingModification();
    void FireAfterKeyDownEvent(Word& key, TShiftState shift);
    // OnClosePopup of the own properties, then (repository item set) of the active ones.
    void FireClosePopupEvent(TqzEditCloseUpReason reason);
    // OnValidate is assigned on the own or the active properties.
    bool HasValidateHandler();
    // The binding's provider answers for a data-bound source.
    bool IsDataBound();
    // Being destroyed, or the kind has an inner edit that does not exist.
    bool IsInnerEditUnavailable();
    bool IsPaintingCopy() const { return FPaintingCopy; }
    // The first button whose bounds hold the point; -1 for none.
    Integer GetButtonIndexAt(const TPoint& point);
    // The first button view info marked default; -1 for none.
    Integer GetDefaultButtonIndex();
    // The view recalculated and repainted at the cursor, once at a time, with a window.
    void UpdateViewAtCursor();
    void CalculateAutoSize(Integer& width, Integer& height);

    // The modified flags.
    bool GetModified() const { return FModified; }
    // Clearing it also clears modified-since-entry.
    void SetModifiedFlag(bool value);
    bool GetModifiedAfterEnter() const { return FModifiedAfterEnter; }
    // Setting it also sets Modified and clears the validated flag.
    void SetModifiedAfterEntry(bool value);
    bool IsEditValidated() const { return FIsEditValidated; }
    void PushModifiedState();
    void PopModifiedState();
    bool IsUserChange() const { return FUserChange; }
    bool IsPosting() const { return FPosting; }
    Integer GetCapturedButtonIndex() const { return FCapturedButtonIndex; }
    Integer GetClickLockCount() const { return FClickLockCount; }
    Integer GetEditValueChangingLockCount() const { return FEditValueChangingLockCount; }
    TqzEditChangeEventsCatcher* GetChangeEventsCatcher() const { return FChangeEventsCatcher.get(); }
    TqzEditDataBinding* GetDataBinding() const { return FDataBinding.get(); }
    IqzCustomInnerEdit* GetInnerEdit() const { return FInnerEdit; }
    TqzCustomEditData* GetEditData() const { return FEditData; }
    TqzTimer* GetDblClickTimer() const { return FDblClickTimer; }

    // ---- Published ----
    bool GetAutoSize() const { return FEditAutoSize; }
    Variant GetEditValue();
    Integer GetHeight();
    void SetHeight(Integer value) { TControl::SetHeight(value); }
    Integer GetWidth() const { return TControl::GetWidth(); }
    void SetWidth(Integer value) { TControl::SetWidth(value); }
    bool IsHeightStored();
    bool IsWidthStored();
    TqzCustomEditProperties* GetProperties() const { return FProperties.get(); }
    void SetProperties(TqzCustomEditProperties* value) { FProperties->Assign(value); }
    TqzEditRepositoryItem* GetRepositoryItem() const { return FRepositoryItem; }
    void SetRepositoryItem(TqzEditRepositoryItem* value);
    TqzEditStyle* GetStyle() const { return static_cast<TqzEditStyle*>(TqzContainer::GetStyle()); }
    void SetStyle(TqzEditStyle* value) { GetStyles()->AssignNormalStyle(value); }
    TqzEditStyle* GetStyleDisabled() const {
        return static_cast<TqzEditStyle*>(TqzContainer::GetStyleDisabled());
    }
    void SetStyleDisabled(TqzEditStyle* value) { GetStyles()->AssignDisabledStyle(value); }
    TqzEditStyle* GetStyleFocused() const {
        return static_cast<TqzEditStyle*>(TqzContainer::GetStyleFocused());
    }
    void SetStyleFocused(TqzEditStyle* value) { GetStyles()->AssignFocusedStyle(value); }
    TqzEditStyle* GetStyleHot() const { return static_cast<TqzEditStyle*>(TqzContainer::GetStyleHot()); }
    void SetStyleHot(TqzEditStyle* value) { GetStyles()->AssignHotStyle(value); }
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);

    TqzEditEditingEvent OnEditing;
    TKeyEvent OnAfterKeyDown;
    TNotifyEvent OnPostEditValue;

protected:
    // For descendants that answer class-level questions of their own: they call InitializeEditor
    // last in their constructor.
    TqzCustomEdit(TComponent* owner, bool isInplace, bool deferInitialization);
    void InitializeEditor();

    void DoEnter() override;
    void DoExit() override;
    void Loaded() override;
    void ReadState(TReader* reader) override;
    void Notification(TComponent* component, TOperation operation) override;
    void CreateHandle() override;
    bool CanResize(Integer& newWidth, Integer& newHeight) override;
    void RequestAlign() override;
    // Painted as a copy, a data-bound editor draws the value of its source.
    void Paint() override;

    // Focus entry and exit.
    virtual void HandleEnter();
    virtual void HandleExit();
    void ExitProcessing();
    void UpdateInnerEditReadOnly();
    // Sets the user change flag for a scope.
    void SetUserChange(bool value) { FUserChange = value; }

    std::unique_ptr<TqzCustomEditProperties> FProperties;
    TqzEditRepositoryItem* FRepositoryItem = nullptr;
    Variant FEditValue;
    Variant FPrevEditValue;
    bool FModified = false;
    bool FModifiedAfterEnter = false;
    std::vector<std::pair<bool, bool>> FModifiedStack;
    bool FIsEditValidated = false;
    bool FUserChange = false;
    bool FEscapeHandled = false;
    bool FPosting = false;
    bool FFocusingForError = false;
    bool FRequestingEditing = false;
    bool FFocusedAndAppActive = false;
    Integer FClickLockCount = 0;
    Integer FEditValueChangingLockCount = 0;
    std::unique_ptr<TqzEditChangeEventsCatcher> FChangeEventsCatcher;
    std::unique_ptr<TqzEditDataBinding> FDataBinding;
    IqzCustomInnerEdit* FInnerEdit = nullptr;
    TWinControl* FInnerEditControl = nullptr;
    TWndMethod FPrevInnerEditWndProc;
    bool FInnerEditHooked = false;
    Integer FCapturedButtonIndex = -1;
    TqzTimer* FDblClickTimer = nullptr;
    TqzCustomEditData* FEditData = nullptr;
    TqzEditContentParams FContentParams;
    bool FEditAutoSize = true;
    bool FTransparent = false;
    bool FNotYetParented = true;
    bool FNoFrame = false;
    bool FUpdatingViewAtCursor = false;
    bool FIsInplace = false;
    bool FInitializing = false;
    bool FPaintingCopy = false;
    bool FEditorDestroying = false;

    bool IsEditorDestroying() const;

private:
    void DblClickTimerFired(TObject* sender);
    void InnerEditWindowProc(TMessage& message);
    void InitializeContentParams();
    void MarkReplicatable(TControl* control);
    // The character message the click key produced leaves the queue.
    void RemoveQueuedChar();
    void CalculateEditViewInfo(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent);

    bool FHandlingMouse = false;
    Integer FQueuedCharRemovals = 0;
};
