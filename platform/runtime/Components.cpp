#include "platform/runtime/Components.h"

#include <algorithm>

#include "platform/runtime/Filer.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

bool IsIdentifierStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsValidComponentName(const String& name) {
    if (name.empty() || !IsIdentifierStart(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); });
}

void EraseOne(std::vector<TComponent*>& list, TComponent* component) {
    auto it = std::find(list.begin(), list.end(), component);
    if (it != list.end()) list.erase(it);
}

}  // namespace

// ---- TPersistent ----------------------------------------------------------------------------

void TPersistent::Assign(TPersistent* source) {
    if (source == nullptr) AssignError(nullptr);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
    const String sourceName = source == nullptr ? String("nil") : source->ClassName();
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler*) {}

TPersistent* TPersistent::GetOwner() const { return nullptr; }

String TPersistent::GetNamePath() const {
    String path = ClassName();
    if (TPersistent* owner = GetOwner()) {
        const String ownerPath = owner->GetNamePath();
        if (!ownerPath.empty()) path = ownerPath + "." + path;
    }
    return path;
}

// ---- TInterfacedObject ------------------------------------------------------------------------

Integer TInterfacedObject::AddRef() { return ++FRefCount; }

Integer TInterfacedObject::Release() {
    const Integer count = --FRefCount;
    if (count == 0) delete this;
    return count;
}

// ---- TComponent -----------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Tell every component that asked to hear of this one's end; each is unlinked first, so a
    // watcher that frees more components meanwhile finds consistent lists.
    while (!FFreeNotifies.empty()) {
        TComponent* watcher = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseOne(watcher->FFreeNotifies, this);
        watcher->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const String& value) {
    if (FName == value) return;
    if (!value.empty() && !IsValidComponentName(value))
        throw EComponentError("'" + value + "' is not a valid component name");
    if (FOwner != nullptr)
        FOwner->ValidateRename(this, FName, value);
    else
        ValidateRename(nullptr, FName, value);
    FName = value;
}

void TComponent::ValidateRename(TComponent* component, const String& curName, const String& newName) {
    if (component == nullptr || newName.empty() || SameText(curName, newName)) return;
    TComponent* existing = FindComponent(newName);
    if (existing != nullptr && existing != component)
        throw EComponentError("A component named " + newName + " already exists");
}

TComponent* TComponent::GetComponents(Integer index) const {
    if (index < 0 || index >= GetComponentCount())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FComponents[std::size_t(index)];
}

Integer TComponent::GetComponentIndex() const {
    if (FOwner == nullptr) return -1;
    const auto& list = FOwner->FComponents;
    return Integer(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(Integer value) {
    if (FOwner == nullptr) return;
    auto& list = FOwner->FComponents;
    const Integer current = GetComponentIndex();
    value = std::clamp(value, 0, Integer(list.size()) - 1);
    if (value == current) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
}

TComponent* TComponent::FindComponent(const String& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* component : FComponents)
        if (SameText(component->FName, name)) return component;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component == nullptr || component->FOwner == this) return;
    for (const TComponent* c = this; c != nullptr; c = c->FOwner)
        if (c == component) throw EComponentError("A component cannot own itself");
    if (!component->FName.empty() && FindComponent(component->FName) != nullptr)
        throw EComponentError("A component named " + component->FName + " already exists");
    if (component->FOwner != nullptr) component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (component == nullptr || component->FOwner != this) return;
    Notification(component, opRemove);
    EraseOne(FComponents, component);
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    // Each one leaves the list (its siblings hear of it) before it is freed, so its destructor
    // finds no owner and freed components are never reached through the list.
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        RemoveComponent(last);
        delete last;
    }
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::Updating() { FComponentState.Include(csUpdating); }

void TComponent::Updated() { FComponentState.Exclude(csUpdating); }

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    for (TComponent* component : FComponents) component->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
    if (component == nullptr || component == this) return;
    if (FOwner != nullptr && component->FOwner == FOwner) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
        component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (component == nullptr) return;
    Unlink(component);
}

void TComponent::Unlink(TComponent* component) {
    EraseOne(FFreeNotifies, component);
    EraseOne(component->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component != nullptr && component != this) Unlink(component);
    // Owned components may come and go while they react; walk from the end and keep the index
    // within the list.
    std::size_t i = FComponents.size();
    while (i > 0) {
        --i;
        if (i >= FComponents.size()) {
            i = FComponents.size();
            continue;
        }
        FComponents[i]->Notification(component, operation);
    }
}

bool TComponent::HasParent() const { return false; }

TComponent* TComponent::GetParentComponent() const { return nullptr; }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

TComponent* TComponent::GetChildOwner() { return nullptr; }

TComponent* TComponent::GetChildParent() { return this; }

void TComponent::SetChildOrder(TComponent*, Integer) {}

void TComponent::ReadState(TReader* reader) { reader->ReadData(this); }

void TComponent::WriteState(TWriter* writer) { writer->WriteData(this); }

// ---- Type information -----------------------------------------------------------------------

KOV_PUBLISHED(TComponent) {
    // The name is written in a definition's object header, not among the properties.
    Property("Name", &TComponent::GetName, &TComponent::SetName).Stored(false);
    Property("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
}

namespace {
const bool kRegistered = (RegisterClasses({TPersistent::StaticClass(), TComponent::StaticClass()}), true);
}
