// The editor control: construction, the active properties, the edit value and its change
// events, editing permission, validation, posting and revert, focus and keys; the data binding,
// the in-place edit data and the change-events catcher.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzVariants.h"

namespace {

// Sets a flag for a scope and puts its previous value back.
class TFlagScope {
public:
    TFlagScope(bool& flag, bool value) : FFlag(flag), FSaved(flag) { FFlag = value; }
    ~TFlagScope() { FFlag = FSaved; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FSaved;
};

// The modified flags of an editor saved for a scope.
class TModifiedStateScope {
public:
    explicit TModifiedStateScope(TqzCustomEdit* editor) : FEditor(editor), FAlive(editor->LivenessToken()) {
        FEditor->PushModifiedState();
    }
    ~TModifiedStateScope() {
        if (FAlive) FEditor->PopModifiedState();
    }
    TModifiedStateScope(const TModifiedStateScope&) = delete;
    TModifiedStateScope& operator=(const TModifiedStateScope&) = delete;

private:
    TqzCustomEdit* FEditor;
    TLivenessToken FAlive;
};

// Change events of an editor locked for a scope; they fire on unlock.
class TChangeEventsLock {
public:
    explicit TChangeEventsLock(TqzCustomEdit* editor, bool fireEvents = true)
        : FEditor(editor), FAlive(editor->LivenessToken()), FFire(fireEvents) {
        FEditor->LockChangeEvents(true);
    }
    ~TChangeEventsLock() noexcept(false) {
        if (FAlive) FEditor->LockChangeEvents(false, FFire && std::uncaught_exceptions() == 0);
    }
    TChangeEventsLock(const TChangeEventsLock&) = delete;
    TChangeEventsLock& operator=(const TChangeEventsLock&) = delete;

private:
    TqzCustomEdit* FEditor;
    TLivenessToken FAlive;
    bool FFire;
};

} // namespace

// ---- Data binding ------------------------------------------------------------------------------

namespace {
TqzCustomEditDefaultValuesProvider* MakeDefaultValuesProvider(TPersistent* owner) {
    return new TqzCustomEditDefaultValuesProvider(owner);
}
} // namespace

TqzEditDataBinding::TqzEditDataBinding(TqzCustomEdit* editor) : FEditor(editor) {
    CreateDefaultValuesProvider();
}

TqzEditDataBinding::~TqzEditDataBinding() = default;

void TqzEditDataBinding::CreateDefaultValuesProvider() {
    FDefaultValuesProvider.reset(GetDefaultValuesProviderClass()(this));
}

TqzEditDefaultValuesProviderClass TqzEditDataBinding::GetDefaultValuesProviderClass() {
    return &MakeDefaultValuesProvider;
}

IqzEditDefaultValuesProvider* TqzEditDataBinding::GetDefaultValuesProvider() const {
    return FDefaultValuesProvider.get();
}

bool TqzEditDataBinding::IsSourceActive() const {
    return !FDefaultValuesProvider || FDefaultValuesProvider->IsSourceActive();
}

void TqzEditDataBinding::DefaultValuesChanged() {
    if (TqzEditRepositoryItem* item = FEditor->GetRepositoryItem())
        FEditor->ApplyActiveProperties(item->GetProperties());
    else
        FEditor->GetPropertiesInUse()->Changed();
}

void TqzEditDataBinding::GetDisplayValue(Variant& value) {
    String text;
    FEditor->ReadDisplayText(text);
    value = Variant(text);
}

bool TqzEditDataBinding::IsModified() { return FEditor->GetModifiedAfterEnter(); }

void TqzEditDataBinding::GetStoredValue(Variant& value) { FEditor->GetEditValue(value); }

void TqzEditDataBinding::Reset() { FEditor->RevertEditValue(); }

void TqzEditDataBinding::SetDisplayValue(const Variant& value) { FEditor->DisplayValueToInnerEdit(value); }

bool TqzEditDataBinding::IsEditorDesigning() { return FEditor->IsDesigning(); }

void TqzEditDataBinding::UpdateDisplayValue() { FEditor->SynchronizeDisplayValue(); }

// ---- In-place edit data ------------------------------------------------------------------------

TqzCustomEditData::TqzCustomEditData(TqzCustomEdit* editor)
    : FEditor(editor), FFreeNotificator(std::make_unique<TqzFreeNotificator>(nullptr)) {
    FFreeNotificator->OnComponentFreed = MakeEvent(this, &TqzCustomEditData::EditorFreed);
    FFreeNotificator->WatchComponent(editor);
}

TqzCustomEditData::~TqzCustomEditData() {
    if (FEditor) FFreeNotificator->UnwatchComponent(FEditor);
}

void TqzCustomEditData::EditorFreed(TObject*, TComponent* component) {
    if (component == FEditor) FEditor = nullptr;
}

// ---- Change events catcher ---------------------------------------------------------------------

void TqzEditChangeEventsCatcher::Lock(bool lock, bool fireEvents) {
    if (lock) {
        if (FLockCount == 0) {
            ChangePending = false;
            EditValueChangedPending = false;
        }
        ++FLockCount;
        return;
    }
    if (FLockCount == 0) return;
    --FLockCount;
    if (!fireEvents || FLockCount > 0) return;
    if (FEditor->GetComponentState().Contains(csLoading) || IsContainerDestroying(FEditor)) return;
    TqzCustomEditProperties* own = FEditor->GetProperties();
    const TLivenessToken alive = FEditor->LivenessToken();
    if (ChangePending && (own->OnChange || FEditor->GetPropertiesInUse()->OnChange)) {
        ChangePending = false;
        FEditor->FireChangeEvent();
        if (!alive) return;
    }
    if (EditValueChangedPending &&
        (FEditor->GetProperties()->OnEditValueChanged || FEditor->GetPropertiesInUse()->OnEditValueChanged)) {
        EditValueChangedPending = false;
        FEditor->FireEditValueChangedEvent();
    }
}

bool TqzEditChangeEventsCatcher::CatchChange() {
    if (FLockCount == 0) return false;
    ChangePending = true;
    return true;
}

bool TqzEditChangeEventsCatcher::CatchEditValueChanged() {
    if (FLockCount == 0) return false;
    EditValueChangedPending = true;
    return true;
}

// ---- Construction ------------------------------------------------------------------------------

TqzCustomEdit::TqzCustomEdit(TComponent* owner) : TqzCustomEdit(owner, false) {}

TqzCustomEdit::TqzCustomEdit(TComponent* owner, bool isInplace) : TqzCustomEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomEdit::TqzCustomEdit(TComponent* owner, bool isInplace, bool) : TqzContainer(owner, true) {
    FIsInplace = isInplace;
    FEditAutoSize = !isInplace;
    FEditValue = Null();
}

void TqzCustomEdit::InitializeEditor() {
    InitializeContainer();
    TFlagScope initializing(FInitializing, true);
    Initialize();
}

void TqzCustomEdit::Initialize() {
    FChangeEventsCatcher = std::make_unique<TqzEditChangeEventsCatcher>(this);
    {
        TqzInterfacedPersistent* made = TqzInterfacedPersistent::Create(GetPropertiesClass(), this);
        auto* properties = dynamic_cast<TqzCustomEditProperties*>(made);
        if (!properties) {
            delete made;
            throw EInvalidOperation("The properties class of an editor is not an editor properties class");
        }
        FProperties.reset(properties);
    }
    InitializeContentParams();
    TControlStyle style = GetControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csSetCaption);
    style.Include(csReplicatable);
    SetControlStyle(style);
    SetTabStop(true);
    CreateInnerEdit(FInnerEdit);
    if (FInnerEdit) {
        InitializeInnerEdit();
        FInnerEditControl = FInnerEdit->GetControl();
        SetInnerControl(FInnerEditControl);
    }
    MarkReplicatable(this);
    FDataBinding.reset(GetDataBindingClass()(this));
    FEditAutoSize = !FIsInplace;
    FCapturedButtonIndex = -1;
    FEditValue = Null();
    FProperties->SetOnPropertiesChanged(MakeEvent(this, &TqzCustomEdit::ApplyActiveProperties));
    if (FIsInplace) {
        TqzControlWantedKeys keys{wantAllKeys, wantArrows};
        if (GetInnerEditClass() == nullptr) keys.Include(wantTab);
        SetWantedKeys(keys);
    }
    FDblClickTimer = new TqzTimer(nullptr);
    FDblClickTimer->SetEnabled(false);
    FDblClickTimer->SetInterval(Integer(GetDoubleClickTime()));
    FDblClickTimer->SetOnTimer(MakeEvent(this, &TqzCustomEdit::DblClickTimerFired));
    FDblClickTimer->SetEnabled(false);
    if (!FIsInplace) FProperties->SetDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider());
    FNotYetParented = true;
}

void TqzCustomEdit::MarkReplicatable(TControl* control) {
    TControlStyle style = control->GetControlStyle();
    style.Include(csReplicatable);
    control->SetControlStyle(style);
    if (auto* windowed = dynamic_cast<TWinControl*>(control))
        for (Integer i = 0; i < windowed->GetControlCount(); ++i)
            MarkReplicatable(windowed->GetControls(i));
    if (control != this) return;
    if (HasScrollBars()) {
        if (GetHScrollBar()) MarkReplicatable(GetHScrollBar());
        if (GetVScrollBar()) MarkReplicatable(GetVScrollBar());
        if (GetSizeGrip()) MarkReplicatable(GetSizeGrip());
    }
}

void TqzCustomEdit::DblClickTimerFired(TObject*) { FDblClickTimer->SetEnabled(false); }

TqzCustomEdit::~TqzCustomEdit() {
    FEditorDestroying = true;
    delete FDblClickTimer;
    FDblClickTimer = nullptr;
    if (FRepositoryItem) FRepositoryItem->RemoveListener(this);
    FRepositoryItem = nullptr;
    // The inner edit goes while the editor is whole: its messages reach the editor first.
    FInnerEdit = nullptr;
    if (FInnerEditControl && FInnerEditControl->GetOwner() == this) {
        TWinControl* inner = FInnerEditControl;
        FInnerEditControl = nullptr;
        // Nothing gives the focus back to it while it goes.
        SetInnerControl(nullptr);
        // A form that is going no longer moves its focus off leaving controls itself.
        TCustomForm* form = GetParentForm(this);
        if (form && form->GetComponentState().Contains(csDestroying) &&
            inner->ContainsControl(form->GetFocusedControl()))
            form->DefocusControl(inner, true);
        delete inner;
    }
    FInnerEditControl = nullptr;
    if (FProperties) {
        FProperties->SetOnPropertiesChanged(nullptr);
        if (!FIsInplace) FProperties->SetDefaultValuesProvider(nullptr);
    }
    FDataBinding.reset();
    FModifiedStack.clear();
    FProperties.reset();
    FChangeEventsCatcher.reset();
}

bool TqzCustomEdit::IsEditorDestroying() const {
    return FEditorDestroying || GetComponentState().Contains(csDestroying);
}

TClass TqzCustomEdit::GetPropertiesClass() { return TqzCustomEditProperties::StaticClass(); }

TqzEditDataBindingClass TqzCustomEdit::GetDataBindingClass() { return &TqzEditDataBinding::CreateInstance; }

void TqzCustomEdit::CreateInnerEdit(IqzCustomInnerEdit*& innerEdit) {
    innerEdit = nullptr;
    TClass cls = GetInnerEditClass();
    if (!cls) return;
    TObject* made = cls->Create(this);
    auto* control = dynamic_cast<TWinControl*>(made);
    if (!control) {
        delete made;
        throw EInvalidOperation("The inner edit class of an editor is not a windowed control");
    }
    auto* source = dynamic_cast<IqzInnerEditHelperSource*>(control);
    innerEdit = source ? source->GetHelper() : nullptr;
    if (!innerEdit) innerEdit = dynamic_cast<IqzCustomInnerEdit*>(control);
    if (!innerEdit) {
        delete control;
        throw EInvalidOperation("The inner edit of an editor answers no inner-edit interface");
    }
    control->SetParent(this);
}

void TqzCustomEdit::InitializeInnerEdit() {
    FInnerEdit->SetEditOwner(this);
    FInnerEdit->SetOnChange(MakeEvent(this, &TqzCustomEdit::HandleContentChange));
    FInnerEdit->GetControl()->SetParentShowHint(false);
}

void TqzCustomEdit::SetParent(TWinControl* value) {
    if (FNotYetParented && value != nullptr && !IsEditorDestroying()) {
        FNotYetParented = false;
        FDataBinding->UpdateBindingState();
        ApplyActiveProperties(FProperties.get());
        FDataBinding->UpdateDisplayValue();
    }
    TqzContainer::SetParent(value);
}

void TqzCustomEdit::SetName(const String& value) {
    TqzContainer::SetName(value);
    if (FDataBinding) FDataBinding->UpdateBindingState();
}

void TqzCustomEdit::ReadState(TReader* reader) {
    FProperties->SetOnPropertiesChanged(nullptr);
    TqzContainer::ReadState(reader);
}

void TqzCustomEdit::Loaded() {
    TqzContainer::Loaded();
    LockChangeEvents(true);
    LockClick(true);
    try {
        FDataBinding->UpdateBindingState();
        UpdateViewAtCursor();
        if (!FRepositoryItem)
            FProperties->SetOnPropertiesChanged(MakeEvent(this, &TqzCustomEdit::ApplyActiveProperties));
        ApplyActiveProperties(GetPropertiesInUse());
        TqzContainer::GetViewInfo()->Shadow = false;
        StyleChanged(GetStyle());
    } catch (...) {
        LockClick(false);
        LockChangeEvents(false, false);
        throw;
    }
    LockClick(false);
    LockChangeEvents(false, false);
}

// ---- Active properties -------------------------------------------------------------------------

TqzCustomEditProperties* TqzCustomEdit::GetPropertiesInUse() {
    if (!FRepositoryItem) return FProperties.get();
    TqzCustomEditProperties* properties = FRepositoryItem->GetProperties();
    properties->SetDefaultValuesProvider(FDataBinding ? FDataBinding->GetDefaultValuesProvider() : nullptr);
    return properties;
}

void TqzCustomEdit::ApplyActiveProperties(TObject*) {
    if (!FProperties || IsEditorDestroying()) return;
    FIsEditValidated = false;
    UpdateInnerEditReadOnly();
    if (FModifiedAfterEnter && IsValueReadOnly()) FModifiedAfterEnter = false;
    if (GetPropertiesInUse()->GetTransparent()) SetTransparent(true);
    UpdateViewAtCursor();
}

void TqzCustomEdit::UpdateInnerEditReadOnly() {
    if (FInnerEdit) FInnerEdit->SetReadOnly(IsValueReadOnly());
}

bool TqzCustomEdit::IsValueReadOnly() {
    return GetPropertiesInUse()->GetReadOnly() || !FDataBinding->IsSourceActive();
}

void TqzCustomEdit::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    UpdateViewAtCursor();
    if (HandleAllocated()) Invalidate();
}

bool TqzCustomEdit::UsesTransparentProperty() { return FTransparent && !FIsInplace; }

bool TqzCustomEdit::IsTransparent() { return HasOwnBackground() || UsesTransparentProperty(); }

// ---- Modified flags ----------------------------------------------------------------------------

void TqzCustomEdit::SetModifiedFlag(bool value) {
    FModified = value;
    if (!value) FModifiedAfterEnter = false;
}

void TqzCustomEdit::SetModifiedAfterEntry(bool value) {
    FModifiedAfterEnter = value;
    if (value) {
        FModified = true;
        FIsEditValidated = false;
    }
}

void TqzCustomEdit::PushModifiedState() { FModifiedStack.emplace_back(FModified, FModifiedAfterEnter); }

void TqzCustomEdit::PopModifiedState() {
    if (FModifiedStack.empty()) return;
    FModified = FModifiedStack.back().first;
    FModifiedAfterEnter = FModifiedStack.back().second;
    FModifiedStack.pop_back();
}

// ---- Edit value --------------------------------------------------------------------------------

void TqzCustomEdit::GetEditValue(Variant& value) { value = FEditValue; }

Variant TqzCustomEdit::GetEditValue() {
    Variant value;
    GetEditValue(value);
    return value;
}

bool TqzCustomEdit::ShouldStoreEditValue() { return !VarIsNull(GetEditValue()); }

void TqzCustomEdit::SetEditValue(const Variant& value) {
    if (FEditValueChangingLockCount > 0) return;
    const TLivenessToken alive = LivenessToken();
    LockClick(true);
    try {
        if (!FUserChange || RequestEditing()) ApplyEditValue(value, true);
    } catch (...) {
        if (alive) LockClick(false);
        throw;
    }
    if (alive) LockClick(false);
}

void TqzCustomEdit::SetEditValueAsUser(const Variant& value) {
    if (FEditValueChangingLockCount > 0) return;
    if (!FUserChange || RequestEditing()) ApplyEditValue(value, true);
}

void TqzCustomEdit::ApplyEditValue(const Variant& value, bool) {
    if (FUserChange && !RequestEditing()) return;
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    bool changed = false;
    if (properties->ComparesEditValues())
        changed = value.VType() != FEditValue.VType() || !VariantValuesEqualBoolAsText(value, FEditValue);
    FEditValue = value;
    const TLivenessToken alive = LivenessToken();
    SynchronizeDisplayValue();
    if (!alive) return;
    if (FUserChange)
        SetModifiedAfterEntry(true);
    else
        SetModifiedFlag(false);
    if (!changed) return;
    NotifyEditValueChanged();
    if (alive && !GetPropertiesInUse()->HasSeparateChangeEvents()) NotifyChange();
}

void TqzCustomEdit::StoreDisplayValue(const Variant& value) {
    TModifiedStateScope saved(this);
    ApplyDisplayValue(value);
}

void TqzCustomEdit::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) {
    GetPropertiesInUse()->PrepareDisplayValue(editValue, displayValue, editing);
}

void TqzCustomEdit::ClearValue() { SetEditValue(Null()); }

// ---- Change notification -----------------------------------------------------------------------

void TqzCustomEdit::NotifyChange() {
    if (GetComponentState().Contains(csLoading) || IsEditorDestroying() || !FProperties) return;
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    if (!FProperties->OnChange && !properties->OnChange) return;
    const TLivenessToken alive = LivenessToken();
    if (!FChangeEventsCatcher->CatchChange()) {
        if (FIsInplace) {
            TModifiedStateScope saved(this);
            FModified = true;
            FModifiedAfterEnter = true;
            FireChangeEvent();
        } else {
            FireChangeEvent();
        }
        if (!alive) return;
    }
    properties = GetPropertiesInUse();
    if (!properties->HasSeparateChangeEvents() && !properties->ComparesEditValues()) NotifyEditValueChanged();
}

void TqzCustomEdit::NotifyEditValueChanged() {
    if (GetComponentState().Contains(csLoading) || IsEditorDestroying() || !FProperties) return;
    if (!FProperties->OnEditValueChanged && !GetPropertiesInUse()->OnEditValueChanged) return;
    if (FChangeEventsCatcher->CatchEditValueChanged()) return;
    if (FIsInplace) {
        TModifiedStateScope saved(this);
        FModified = true;
        FModifiedAfterEnter = true;
        FireEditValueChangedEvent();
    } else {
        FireEditValueChangedEvent();
    }
}

void TqzCustomEdit::FireChangeEvent() {
    const TLivenessToken alive = LivenessToken();
    FProperties->OnChange(this);
    if (alive && FRepositoryItem) GetPropertiesInUse()->OnChange(this);
}

void TqzCustomEdit::FireEditValueChangedEvent() {
    const TLivenessToken alive = LivenessToken();
    FProperties->OnEditValueChanged(this);
    if (alive && FRepositoryItem) GetPropertiesInUse()->OnEditValueChanged(this);
}

void TqzCustomEdit::FireClosePopupEvent(TqzEditCloseUpReason reason) {
    const TLivenessToken alive = LivenessToken();
    FProperties->OnClosePopup(this, reason);
    if (alive && FRepositoryItem) GetPropertiesInUse()->OnClosePopup(this, reason);
}

bool TqzCustomEdit::HasValidateHandler() {
    return bool(FProperties->OnValidate) || bool(GetPropertiesInUse()->OnValidate);
}

void TqzCustomEdit::LockChangeEvents(bool lock, bool fireEvents) {
    if (FChangeEventsCatcher) FChangeEventsCatcher->Lock(lock, fireEvents);
}

void TqzCustomEdit::LockClick(bool lock) {
    if (lock)
        ++FClickLockCount;
    else if (FClickLockCount > 0)
        --FClickLockCount;
}

void TqzCustomEdit::LockEditValueChanging(bool lock) {
    if (lock)
        ++FEditValueChangingLockCount;
    else if (FEditValueChangingLockCount > 0)
        --FEditValueChangingLockCount;
}

void TqzCustomEdit::Click() {
    if (IsEditorDestroying() || FClickLockCount > 0) return;
    if (GetComponentState().Contains(csLoading) && !ClicksWhileLoading()) return;
    TqzContainer::Click();
}

void TqzCustomEdit::SetModifiedAndClick() {
    SetModifiedAfterEntry(true);
    Click();
}

// ---- Editing permission ------------------------------------------------------------------------

bool TqzCustomEdit::RequestEditing() {
    bool canEdit = IsEditable();
    if (!canEdit) return false;
    if (FDataBinding->IsModified()) return true;
    {
        TFlagScope requesting(FRequestingEditing, true);
        canEdit = CanModify();
    }
    const TLivenessToken alive = LivenessToken();
    LockEditValueChanging(true);
    try {
        if (canEdit && OnEditing) OnEditing(this, canEdit);
        if (alive && !FIsInplace && canEdit) canEdit = FDataBinding->Edit();
    } catch (...) {
        if (alive) LockEditValueChanging(false);
        throw;
    }
    if (alive) LockEditValueChanging(false);
    return canEdit;
}

bool TqzCustomEdit::CanModify() {
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    if (FIsInplace) return properties->CanModify();
    if (properties->GetAssignedValues()->GetReadOnly()) return !properties->GetReadOnly();
    IqzEditDefaultValuesProvider* provider = FDataBinding->GetDefaultValuesProvider();
    return (!provider || provider->CanModifyValue()) && FDataBinding->CanModify();
}

bool TqzCustomEdit::HasPendingModification() { return FDataBinding->IsModified() && !IsDesigning(); }

bool TqzCustomEdit::IsDataBound() {
    IqzEditDefaultValuesProvider* provider =
        FDataBinding ? FDataBinding->GetDefaultValuesProvider() : nullptr;
    return provider && provider->IsDataBound();
}

bool TqzCustomEdit::IsInnerEditUnavailable() {
    return IsEditorDestroying() || (GetInnerEditClass() != nullptr && FInnerEdit == nullptr);
}

bool TqzCustomEdit::CanUseMouseWheel(TShiftState shift) {
    return !FIsInplace || GetPropertiesInUse()->InPlaceMouseWheel || shift.Contains(ssCtrl);
}

// ---- Content changes, validation, posting, revert ----------------------------------------------

void TqzCustomEdit::HandleContentChange(TObject*) {
    if (Focused()) SetModifiedAfterEntry(true);
    NotifyChange();
}

bool TqzCustomEdit::ValidateEditing(bool raiseOnError) {
    if (!FModifiedAfterEnter || FIsEditValidated) return true;
    String text;
    ReadDisplayText(text);
    Variant displayValue(text);
    String errorText;
    bool error = false;
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    const TLivenessToken alive = LivenessToken();
    if (properties->CanValidate()) properties->ValidateDisplayValue(displayValue, errorText, error, this);
    if (!alive) return !error;
    if (error) {
        // The handler's corrected text goes back into the editor, also when the error is raised.
        auto putBack = [&] {
            String now;
            ReadDisplayText(now);
            if (now == VarToStr(displayValue)) return;
            DisplayValueToInnerEdit(displayValue);
            if (IsControlWindowVisible(this)) {
                SelectAll();
                if (!ShowsInnerEdit()) UpdateDrawValue();
            }
        };
        try {
            if (raiseOnError) {
                HandleValidationError(errorText);
                Application->ProcessMessages();
            }
        } catch (...) {
            if (alive) putBack();
            throw;
        }
        if (alive) putBack();
        return false;
    }
    if (FUserChange && !RequestEditing()) return true;
    StoreDisplayValue(displayValue);
    if (!alive) return true;
    if (!FIsInplace && !Focused()) FModifiedAfterEnter = false;
    FIsEditValidated = true;
    return true;
}

bool TqzCustomEdit::ValidateAndSynchronize() {
    const bool valid = ValidateEditing(true);
    if (valid) {
        SynchronizeDisplayValue();
        FIsEditValidated = true;
    }
    return valid;
}

void TqzCustomEdit::HandleValidationError(const String& errorText) {
    const bool visible = IsControlWindowVisible(this);
    if (!Focused() && visible) {
        TFlagScope focusing(FFocusingForError, true);
        if (FInnerEditControl && FInnerEditControl->CanFocus())
            FInnerEdit->SetFocus();
        else if (CanFocus())
            TqzContainer::SetFocus();
    }
    if (visible) SelectAll();
    if (GetPropertiesInUse()->BeepOnError) MessageBeep(0);
    if (!errorText.empty()) throw Exception(errorText);
}

void TqzCustomEdit::BeginPosting() { FPosting = true; }

void TqzCustomEdit::EndPosting() { FPosting = false; }

void TqzCustomEdit::PostEditValue(bool validateFirst) {
    const TLivenessToken alive = LivenessToken();
    if (validateFirst) {
        bool valid;
        {
            TFlagScope noUserChange(FUserChange, false);
            valid = ValidateEditing(true);
        }
        if (!valid || !alive) return;
    }
    try {
        BeginPosting();
        try {
            if (FIsInplace) {
                if (OnPostEditValue) OnPostEditValue(this);
                if (alive) SetModifiedFlag(false);
            } else {
                Variant value;
                GetEditValue(value);
                FDataBinding->StoreValue(value);
            }
        } catch (...) {
            if (alive) EndPosting();
            throw;
        }
        if (alive) EndPosting();
    } catch (const Exception&) {
        // In place the host's failure is dropped; the value stays modified.
        if (FIsInplace) return;
        if (alive) HandleValidationError(String());
        throw;
    }
}

void TqzCustomEdit::RevertEditValue() {
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    if (!FModifiedAfterEnter || !properties->CanResetEditValue()) return;
    const TLivenessToken alive = LivenessToken();
    TChangeEventsLock locked(this);
    FModifiedAfterEnter = false;
    Variant value;
    if (IsDataBound())
        FDataBinding->GetStoredValue(value);
    else
        value = FPrevEditValue;
    SetEditValueAsUser(value);
    if (!alive) return;
    FModified = true;
    SelectAll();
    if (GetPropertiesInUse()->ImmediatePost && HasPendingModification()) PostEditValue(false);
}

// ---- Focus -------------------------------------------------------------------------------------

bool TqzCustomEdit::IsEditFocused() { return Focused(); }

bool TqzCustomEdit::IsActiveControl() {
    if (Focused()) return true;
    TCustomForm* form = GetParentForm(this);
    if (!form) return false;
    TWinControl* active = form->GetActiveControl();
    return active == this || (active != nullptr && active == FInnerEditControl);
}

void TqzCustomEdit::FocusInnerControl() {
    if (FInnerEdit && FInnerEditControl && FInnerEditControl->CanFocus()) FInnerEdit->SetFocus();
}

void TqzCustomEdit::DoEnter() { HandleEnter(); }

void TqzCustomEdit::DoExit() { HandleExit(); }

void TqzCustomEdit::HandleEnter() {
    if (IsEditorDestroying()) return;
    const TLivenessToken alive = LivenessToken();
    if (!FFocusingForError) {
        {
            TModifiedStateScope saved(this);
            TqzContainer::DoEnter();
            if (!alive) return;
            if (RefreshOnEnter()) FDataBinding->UpdateDisplayValue();
            if (GetPropertiesInUse()->CanResetEditValue()) FPrevEditValue = GetEditValue();
            if (RefreshOnEnter()) SynchronizeDisplayValue();
        }
        if (!alive) return;
        FModifiedAfterEnter = false;
    }
    UpdateViewAtCursor();
}

void TqzCustomEdit::HandleExit() {
    TFlagScope noUserChange(FUserChange, false);
    ExitProcessing();
}

void TqzCustomEdit::ExitProcessing() {
    if (IsEditorDestroying() || FFocusingForError) return;
    const TLivenessToken alive = LivenessToken();
    TModifiedStateScope saved(this);
    if (FModifiedAfterEnter) {
        TChangeEventsLock locked(this);
        if (!ValidateEditing(true)) return;
        if (!alive) return;
        if (!FIsInplace && HasPendingModification()) PostEditValue(false);
        if (!alive) return;
    }
    if (RefreshOnEnter()) FDataBinding->UpdateDisplayValue();
    UpdateDrawValue();
    UpdateViewAtCursor();
    PopModifiedState();
    TqzContainer::DoExit();
    if (!alive) return;
    FModifiedAfterEnter = false;
    PushModifiedState();
}

void TqzCustomEdit::HandleFocusChange() {
    if (IsEditorDestroying() || FFocusingForError) return;
    const bool focusedAndActive = Focused() && Application->GetActive();
    if (focusedAndActive == FFocusedAndAppActive) return;
    FFocusedAndAppActive = focusedAndActive;
    const TLivenessToken alive = LivenessToken();
    TqzContainer::HandleFocusChange();
    if (!alive) return;
    UpdateDrawValue();
    if (!alive) return;
    TCustomForm* form = GetParentForm(this);
    if (form && !form->GetVisible() && form->GetFormState().Contains(fsModal) &&
        form->GetModalResult() != mrNone && form->GetModalResult() != mrCancel)
        ValidateEditing(false);
}

void TqzCustomEdit::CreateHandle() {
    TqzContainer::CreateHandle();
    if (FInnerEdit && TqzControl::Focused()) FInnerEdit->SetFocus();
}

// ---- Keys --------------------------------------------------------------------------------------

bool TqzCustomEdit::IsClickKey(Word key, TShiftState shift) {
    return GetDefaultButtonIndex() != -1 && ShortCut(key, shift) == GetPropertiesInUse()->ClickKey;
}

void TqzCustomEdit::FireAfterKeyDownEvent(Word& key, TShiftState shift) {
    if (OnAfterKeyDown) OnAfterKeyDown(this, key, shift);
}

bool TqzCustomEdit::AllowsKeyDown(Word key, TShiftState shift) {
    return FDataBinding->IsModified() || !IsEditingKey(key, shift) || RequestEditing();
}

void TqzCustomEdit::HandleKeyDown(Word& key, TShiftState shift) {
    FEscapeHandled = false;
    const TLivenessToken alive = LivenessToken();
    if (!IsClickKey(key, shift)) TqzContainer::HandleKeyDown(key, shift);
    if (alive && key != 0) HandleEditKeyDown(key, shift);
}

void TqzCustomEdit::HandleEditKeyDown(Word& key, TShiftState shift) {
    const TShortCut shortCut = ShortCut(key, shift);
    const TLivenessToken alive = LivenessToken();
    TqzCustomEditProperties* properties = GetPropertiesInUse();
    // The clear key.
    if (key != 0 && properties->ClearKey != 0 && shortCut == properties->ClearKey) {
        {
            TFlagScope user(FUserChange, true);
            SetEditValueAsUser(Null());
        }
        if (!alive) return;
        FIsEditValidated = true;
        key = 0;
    }
    // The click key: its character must not reach the editor.
    if (key != 0 && GetDefaultButtonIndex() != -1 && shortCut == GetPropertiesInUse()->ClickKey) {
        RemoveQueuedChar();
        ClickDefaultButton();
        if (!alive) return;
        key = 0;
    }
    if (key == 0) return;
    if (!AllowsKeyDown(key, shift)) {
        if (!alive) return;
        FireAfterKeyDownEvent(key, shift);
        key = 0;
        return;
    }
    if (!alive) return;
    properties = GetPropertiesInUse();
    if (key == VK_TAB) {
        if (Focused() && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl) && !properties->WantsTabKey()) {
            BeforeTabFocusMove(shift);
            if (!alive) return;
            FireAfterKeyDownEvent(key, shift);
            if (!alive) return;
            if (key != 0) {
                key = 0;
                if (TCustomForm* form = GetParentForm(this)) {
                    form->SelectNext(form->GetActiveControl(), !shift.Contains(ssShift), true);
                    if (alive && HandleAllocated() && ::GetFocus() == GetHandle() && FInnerEdit)
                        FInnerEdit->SetFocus();
                }
            }
        }
    } else if (key == VK_RETURN) {
        if (properties->ValidateOnEnter) {
            key = 0;
            TChangeEventsLock locked(this);
            if (ValidateEditing(true) && alive && HasPendingModification()) PostEditValue(false);
        }
    } else if (key == VK_ESCAPE) {
        if (FModifiedAfterEnter) {
            RevertEditValue();
            if (!alive) return;
            FEscapeHandled = true;
            key = 0;
        }
    }
    if (!alive || key == 0) return;
    if (!HandlesNavigationKeys() && key >= VK_PRIOR && key <= VK_DOWN) {
        FireAfterKeyDownEvent(key, shift);
        key = 0;
    }
}

void TqzCustomEdit::RemoveQueuedChar() {
    ++FQueuedCharRemovals;
    auto removeFrom = [](HWND window) {
        MSG message{};
        if (window && PeekMessageA(&message, window, WM_CHAR, WM_CHAR, PM_REMOVE) &&
            message.message == WM_QUIT)
            PostQuitMessage(int(message.wParam));
    };
    if (HandleAllocated()) removeFrom(GetHandle());
    if (FInnerEditControl && FInnerEditControl->HandleAllocated()) removeFrom(FInnerEditControl->GetHandle());
}

void TqzCustomEdit::HandleKeyPress(char32_t& key) {
    if (key == 27 && FEscapeHandled) {
        FEscapeHandled = false;
        key = 0;
        return;
    }
    const TLivenessToken alive = LivenessToken();
    TqzContainer::HandleKeyPress(key);
    if (alive && key != 0) HandleEditKeyPress(key);
}

void TqzCustomEdit::HandleEditKeyPress(char32_t& ch) {
    if (!FilterKeyPress(ch)) ch = 0;
}

bool TqzCustomEdit::FilterKeyPress(char32_t& ch) {
    if (IsPrintableChar(ch) && !AcceptsChar(ch)) {
        ch = 0;
        return false;
    }
    if (!FDataBinding->IsModified() && IsEditingChar(ch) && !RequestEditing()) {
        ch = 0;
        return false;
    }
    return true;
}

bool TqzCustomEdit::AcceptsChar(char32_t ch) {
    IqzEditDefaultValuesProvider* provider = GetPropertiesInUse()->GetDefaultValuesProvider();
    return provider ? provider->IsValidCharForSource(ch) : true;
}

void TqzCustomEdit::HandleKeyUp(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    TqzContainer::HandleKeyUp(key, shift);
    if (alive && key != 0) HandleEditKeyUp(key, shift);
}

// ---- Inner edit window procedure ---------------------------------------------------------------

void TqzCustomEdit::InnerEditWndProc(TMessage& message) {
    if (FPrevInnerEditWndProc) FPrevInnerEditWndProc(message);
}

void TqzCustomEdit::HookInnerEditWndProc() {
    if (!FInnerEditControl || FInnerEditHooked) return;
    FPrevInnerEditWndProc = FInnerEditControl->WindowProc;
    FInnerEditControl->WindowProc = MakeEvent(this, &TqzCustomEdit::InnerEditWindowProc);
    FInnerEditHooked = true;
}

void TqzCustomEdit::UnhookInnerEditWndProc() {
    if (!FInnerEditHooked) return;
    if (FInnerEditControl) FInnerEditControl->WindowProc = FPrevInnerEditWndProc;
    FPrevInnerEditWndProc = TWndMethod();
    FInnerEditHooked = false;
}

void TqzCustomEdit::InnerEditWindowProc(TMessage& message) { InnerEditWndProc(message); }

// ---- Published properties ----------------------------------------------------------------------

KOV_PUBLISHED(TqzCustomEdit) {
    Property("AutoSize", &TqzCustomEdit::GetAutoSize, &TqzCustomEdit::SetAutoSize).Default(true);
    Property("EditValue", static_cast<Variant (TqzCustomEdit::*)()>(&TqzCustomEdit::GetEditValue),
             &TqzCustomEdit::SetEditValue)
        .Stored(&TqzCustomEdit::ShouldStoreEditValue);
    Property("Height", &TqzCustomEdit::GetHeight, &TqzCustomEdit::SetHeight)
        .Stored(&TqzCustomEdit::IsHeightStored);
    Property("Width", &TqzCustomEdit::GetWidth, &TqzCustomEdit::SetWidth)
        .Stored(&TqzCustomEdit::IsWidthStored);
    Property("Properties", &TqzCustomEdit::GetProperties, &TqzCustomEdit::SetProperties);
    Property("RepositoryItem", &TqzCustomEdit::GetRepositoryItem, &TqzCustomEdit::SetRepositoryItem);
    Property("Style", &TqzCustomEdit::GetStyle, &TqzCustomEdit::SetStyle);
    Property("StyleDisabled", &TqzCustomEdit::GetStyleDisabled, &TqzCustomEdit::SetStyleDisabled);
    Property("StyleFocused", &TqzCustomEdit::GetStyleFocused, &TqzCustomEdit::SetStyleFocused);
    Property("StyleHot", &TqzCustomEdit::GetStyleHot, &TqzCustomEdit::SetStyleHot);
    Property("Transparent", &TqzCustomEdit::GetTransparent, &TqzCustomEdit::SetTransparent).Default(false);
    Property("OnEditing", &TqzCustomEdit::OnEditing);
    Property("OnFocusChanged", &TqzCustomEdit::OnFocusChange);
}

// ---- Actions -----------------------------------------------------------------------------------

bool TqzCustomEdit::ExecuteAction(TBasicAction* action) {
    const TLivenessToken alive = LivenessToken();
    if (TqzContainer::ExecuteAction(action)) return true;
    return alive && FDataBinding && FDataBinding->ExecuteAction(action);
}

bool TqzCustomEdit::UpdateAction(TBasicAction* action) {
    const TLivenessToken alive = LivenessToken();
    if (TqzContainer::UpdateAction(action)) return true;
    return alive && FDataBinding && FDataBinding->UpdateAction(action);
}
