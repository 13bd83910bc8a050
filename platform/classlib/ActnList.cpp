// Actions, their links to clients, and action lists.
#include "platform/classlib/ActnList.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/TypInfo.h"

// ---- TBasicActionLink -----------------------------------------------------------------------------

TBasicActionLink::TBasicActionLink(TObject* client) {}

TBasicActionLink::~TBasicActionLink() {
    if (FAction != nullptr) FAction->UnRegisterChanges(this);
}

void TBasicActionLink::AssignClient(TObject* client) {}

void TBasicActionLink::Change() { OnChange(FAction); }

bool TBasicActionLink::IsOnExecuteLinked() { return true; }

void TBasicActionLink::SetOnExecute(const TNotifyEvent& value) {}

void TBasicActionLink::SetAction(TBasicAction* value) {
    if (value == FAction) return;
    if (FAction != nullptr) FAction->UnRegisterChanges(this);
    FAction = value;
    if (value != nullptr) value->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* target) {
    if (FAction == nullptr) return false;
    FAction->SetActionComponent(target);
    const TLivenessToken alive = FAction->LivenessToken();
    TBasicAction* action = FAction;
    const bool result = action->Execute();
    if (alive) action->SetActionComponent(nullptr);
    return result;
}

bool TBasicActionLink::Update() { return FAction != nullptr && FAction->Update(); }

// ---- TBasicAction -------------------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    Destroying();
    // The links stay with their clients; they no longer have an action.
    while (!FClients.empty()) {
        TBasicActionLink* link = FClients.back();
        FClients.pop_back();
        link->FAction = nullptr;
    }
}

bool TBasicAction::HandlesTarget(TObject* target) { return false; }
void TBasicAction::UpdateTarget(TObject* target) {}
void TBasicAction::ExecuteTarget(TObject* target) {}

bool TBasicAction::Execute() {
    if (!FOnExecute) return false;
    FOnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::SetOnExecute(const TNotifyEvent& value) {
    if (FOnExecute == value) return;
    const std::vector<TBasicActionLink*> clients = FClients;
    for (TBasicActionLink* link : clients)
        link->SetOnExecute(value);
    FOnExecute = value;
    Change();
}

void TBasicAction::SetActionComponent(TComponent* value) {
    if (FActionComponent == value) return;
    if (FActionComponent != nullptr) FActionComponent->RemoveFreeNotification(this);
    FActionComponent = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (std::find(FClients.begin(), FClients.end(), link) == FClients.end()) FClients.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), link), FClients.end());
}

void TBasicAction::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FActionComponent) FActionComponent = nullptr;
}

void TBasicAction::Change() {
    FOnChange(this);
}

// ---- TContainedAction --------------------------------------------------------------------------------

namespace {

// An action nobody handled is offered to the focused control, then to the active form: the
// first that takes it as its target ends the search.
bool OfferActionToTargets(TBasicAction* action, bool update) {
    const TLivenessToken alive = action->LivenessToken();
    TWinControl* focused = Screen->GetActiveControl();
    TCustomForm* form = Screen->GetActiveCustomForm();
    for (TControl* target : {static_cast<TControl*>(focused), static_cast<TControl*>(form)}) {
        if (target == nullptr || (target == form && focused == form)) continue;
        if (update ? target->UpdateAction(action) : target->ExecuteAction(action)) return true;
        if (!alive) return true;
    }
    return false;
}

} // namespace

TContainedAction::TContainedAction(TComponent* owner) : TBasicAction(owner) {}

TContainedAction::~TContainedAction() {
    if (FActionList != nullptr) FActionList->RemoveAction(this);
}

bool TContainedAction::Execute() {
    const TLivenessToken alive = LivenessToken();
    if (FActionList != nullptr) {
        if (FActionList->ExecuteAction(this)) return true;
        if (!alive) return true;
    }
    if (TBasicAction::Execute() || !alive) return true;
    return OfferActionToTargets(this, false);
}

bool TContainedAction::Update() {
    const TLivenessToken alive = LivenessToken();
    if (FActionList != nullptr) {
        if (FActionList->UpdateAction(this)) return true;
        if (!alive) return true;
    }
    if (TBasicAction::Update() || !alive) return true;
    return OfferActionToTargets(this, true);
}

void TContainedAction::SetActionList(TCustomActionList* value) {
    if (value == FActionList) return;
    if (FActionList != nullptr) FActionList->RemoveAction(this);
    if (value != nullptr) value->AddAction(this);
}

void TContainedAction::SetCategory(const String& value) {
    if (value == FCategory) return;
    FCategory = value;
    if (FActionList != nullptr) FActionList->OnChange(FActionList);
}

Integer TContainedAction::GetIndex() const {
    return FActionList != nullptr ? FActionList->IndexOfAction(this) : -1;
}

void TContainedAction::SetIndex(Integer value) {
    if (FActionList != nullptr) FActionList->MoveAction(this, value);
}

TComponent* TContainedAction::GetParentComponent() const { return FActionList; }

void TContainedAction::SetParentComponent(TComponent* value) {
    if (auto* list = dynamic_cast<TCustomActionList*>(value)) SetActionList(list);
}

// ---- TActionLink --------------------------------------------------------------------------------------

bool TActionLink::IsCaptionLinked() { return FAction != nullptr; }
bool TActionLink::IsCheckedLinked() { return FAction != nullptr; }
bool TActionLink::IsEnabledLinked() { return FAction != nullptr; }
bool TActionLink::IsHelpContextLinked() { return FAction != nullptr; }
bool TActionLink::IsHintLinked() { return FAction != nullptr; }
bool TActionLink::IsImageIndexLinked() { return FAction != nullptr; }
bool TActionLink::IsShortCutLinked() { return FAction != nullptr; }
bool TActionLink::IsVisibleLinked() { return FAction != nullptr; }

// ---- TCustomAction -----------------------------------------------------------------------------------

TCustomAction::TCustomAction(TComponent* owner) : TContainedAction(owner) {}

template <class F>
void TCustomAction::ForEachLink(F f) {
    const std::vector<TBasicActionLink*> clients = FClients;
    const TLivenessToken alive = LivenessToken();
    for (TBasicActionLink* client : clients) {
        if (!alive) return;
        if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) continue;
        if (auto* link = dynamic_cast<TActionLink*>(client)) f(link);
    }
}

void TCustomAction::SetCaption(const String& value) {
    if (value == FCaption) return;
    ForEachLink([&](TActionLink* link) { link->SetCaption(value); });
    FCaption = value;
    Change();
}

void TCustomAction::SetChecked(bool value) {
    if (FChecking || value == FChecked) return;
    FChecking = true;
    try {
        ForEachLink([&](TActionLink* link) { link->SetChecked(value); });
        FChecked = value;
        // Checking one action of a group unchecks the others of its list.
        if (value && FGroupIndex > 0 && GetActionList() != nullptr) {
            TCustomActionList* list = GetActionList();
            for (Integer i = 0; i < list->GetActionCount(); ++i) {
                auto* other = dynamic_cast<TCustomAction*>(list->GetAction(i));
                if (other != nullptr && other != this && other->FGroupIndex == FGroupIndex) other->SetChecked(false);
            }
        }
    } catch (...) {
        FChecking = false;
        throw;
    }
    FChecking = false;
    Change();
}

void TCustomAction::SetEnabled(bool value) {
    if (value == FEnabled) return;
    ForEachLink([&](TActionLink* link) { link->SetEnabled(value); });
    FEnabled = value;
    Change();
}

void TCustomAction::SetHelpContext(Integer value) {
    if (value == FHelpContext) return;
    ForEachLink([&](TActionLink* link) { link->SetHelpContext(value); });
    FHelpContext = value;
    Change();
}

void TCustomAction::SetHint(const String& value) {
    if (value == FHint) return;
    ForEachLink([&](TActionLink* link) { link->SetHint(value); });
    FHint = value;
    Change();
}

void TCustomAction::SetImageIndex(Integer value) {
    if (value == FImageIndex) return;
    ForEachLink([&](TActionLink* link) { link->SetImageIndex(value); });
    FImageIndex = value;
    Change();
}

void TCustomAction::SetShortCut(TShortCut value) {
    if (value == FShortCut) return;
    ForEachLink([&](TActionLink* link) { link->SetShortCut(value); });
    FShortCut = value;
    Change();
}

void TCustomAction::SetVisible(bool value) {
    if (value == FVisible) return;
    ForEachLink([&](TActionLink* link) { link->SetVisible(value); });
    FVisible = value;
    Change();
}

void TCustomAction::SetGroupIndex(Integer value) {
    if (value == FGroupIndex) return;
    FGroupIndex = value;
    if (FChecked && value > 0 && GetActionList() != nullptr) {
        // Only one checked action per group.
        FChecked = false;
        SetChecked(true);
    }
}

void TCustomAction::SetOnExecute(const TNotifyEvent& value) {
    TContainedAction::SetOnExecute(value);
}

bool TCustomAction::Update() { return TContainedAction::Update(); }

bool TCustomAction::Execute() {
    const TLivenessToken alive = LivenessToken();
    Update();
    if (!alive) return false;
    if (FDisableIfNoHandler && !FOnExecute && (GetActionList() == nullptr || !GetActionList()->OnExecute))
        SetEnabled(false);
    if (!FEnabled) return false;
    if (FAutoCheck && !(FChecked && FGroupIndex > 0)) SetChecked(!FChecked);
    return TContainedAction::Execute();
}

TAction::TAction(TComponent* owner) : TCustomAction(owner) { SetDisableIfNoHandler(true); }

// ---- TCustomActionList --------------------------------------------------------------------------------

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList() {
    Destroying();
    while (!FActions.empty()) {
        TContainedAction* action = FActions.back();
        FActions.pop_back();
        action->FActionList = nullptr;
    }
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
    if (FState != asNormal) return false;
    bool handled = false;
    OnExecute(action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
    if (FState != asNormal) return false;
    bool handled = false;
    OnUpdate(action, handled);
    return handled;
}

TContainedAction* TCustomActionList::GetAction(Integer index) const {
    if (index < 0 || index >= GetActionCount())
        throw EListError(Format("List index out of bounds (%d)", {index}));
    return FActions[std::size_t(index)];
}

Integer TCustomActionList::IndexOfAction(const TContainedAction* action) const {
    auto it = std::find(FActions.begin(), FActions.end(), action);
    return it == FActions.end() ? -1 : Integer(it - FActions.begin());
}

void TCustomActionList::AddAction(TContainedAction* action) {
    if (action == nullptr || action->FActionList == this) return;
    if (action->FActionList != nullptr) action->FActionList->RemoveAction(action);
    FActions.push_back(action);
    action->FActionList = this;
    action->FreeNotification(this);
    OnChange(this);
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
    auto it = std::find(FActions.begin(), FActions.end(), action);
    if (it == FActions.end()) return;
    FActions.erase(it);
    action->FActionList = nullptr;
    if (!GetComponentState().Contains(csDestroying)) OnChange(this);
}

void TCustomActionList::MoveAction(TContainedAction* action, Integer newIndex) {
    auto it = std::find(FActions.begin(), FActions.end(), action);
    if (it == FActions.end()) return;
    FActions.erase(it);
    newIndex = std::clamp<Integer>(newIndex, 0, Integer(FActions.size()));
    FActions.insert(FActions.begin() + newIndex, action);
    OnChange(this);
}

void TCustomActionList::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (TContainedAction* action : FActions)
        if (action->GetOwner() == root) proc(action);
}

void TCustomActionList::SetChildOrder(TComponent* child, Integer order) {
    if (auto* action = dynamic_cast<TContainedAction*>(child); action != nullptr && action->FActionList == this)
        MoveAction(action, order);
}

void TCustomActionList::SetImages(TCustomImageList* value) {
    if (value == FImages) return;
    if (FImages != nullptr) FImages->RemoveFreeNotification(this);
    FImages = value;
    if (value != nullptr) value->FreeNotification(this);
    OnChange(this);
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component != nullptr && component == FImages) FImages = nullptr;
    else if (auto* action = dynamic_cast<TContainedAction*>(component)) RemoveAction(action);
}

// ---- Published properties ----------------------------------------------------------------------------

KOV_PUBLISHED(TContainedAction) {
    Property("Category", &TContainedAction::GetCategory, &TContainedAction::SetCategory);
}

KOV_PUBLISHED(TAction) {
    Property("Caption", &TCustomAction::GetCaption, &TCustomAction::SetCaption);
    Property("AutoCheck", &TCustomAction::GetAutoCheck, &TCustomAction::SetAutoCheck).Default(false);
    Property("Checked", &TCustomAction::GetChecked, &TCustomAction::SetChecked).Default(false);
    Property("Enabled", &TCustomAction::GetEnabled, &TCustomAction::SetEnabled).Default(true);
    Property("GroupIndex", &TCustomAction::GetGroupIndex, &TCustomAction::SetGroupIndex).Default(0);
    Property("HelpContext", &TCustomAction::GetHelpContext, &TCustomAction::SetHelpContext).Default(0);
    Property("Hint", &TCustomAction::GetHint, &TCustomAction::SetHint);
    Property("ImageIndex", &TCustomAction::GetImageIndex, &TCustomAction::SetImageIndex).Default(-1);
    Property("ShortCut", &TCustomAction::GetShortCut, &TCustomAction::SetShortCut).TypeName("TShortCut").Default(0);
    Property("Visible", &TCustomAction::GetVisible, &TCustomAction::SetVisible).Default(true);
    Property("OnExecute", &TBasicAction::GetOnExecute, &TBasicAction::SetOnExecute);
    Property("OnUpdate", &TBasicAction::OnUpdate);
}

KOV_PUBLISHED(TActionList) {
    Property("Images", &TCustomActionList::GetImages, &TCustomActionList::SetImages);
    Property("OnExecute", &TCustomActionList::OnExecute);
    Property("OnUpdate", &TCustomActionList::OnUpdate);
    Property("OnChange", &TCustomActionList::OnChange);
}

namespace {
const bool kActionClassesRegistered = [] {
    RegisterTypeName<TActionEvent>("TActionEvent");
    RegisterClasses({TAction::StaticClass(), TActionList::StaticClass()});
    return true;
}();
}  // namespace
