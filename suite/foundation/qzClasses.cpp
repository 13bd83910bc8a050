#include "suite/foundation/qzClasses.h"

#include <algorithm>
#include <map>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

std::map<TClass, TqzInterfacedPersistentFactory>& PersistentFactories() {
    static std::map<TClass, TqzInterfacedPersistentFactory> factories;
    return factories;
}

[[noreturn]] void IndexError(Integer index) { TList::Error("List index out of bounds (%d)", index); }

// The registry keeps classes among the string list's objects; nothing ever uses them as objects.
TObject* ClassAsObject(TClass cls) { return reinterpret_cast<TObject*>(const_cast<TMetaClass*>(cls)); }
TClass ObjectAsClass(TObject* object) { return reinterpret_cast<TClass>(object); }

} // namespace

// ---- TqzInterfacedPersistent ----------------------------------------------------------------

TqzInterfacedPersistent::TqzInterfacedPersistent(TPersistent* owner) : FOwner(owner) {}

TqzInterfacedPersistent* TqzInterfacedPersistent::Create(TClass cls, TPersistent* owner) {
    auto& factories = PersistentFactories();
    auto it = cls ? factories.find(cls) : factories.end();
    if (it == factories.end())
        throw EInvalidOperation("Cannot create an instance of " + (cls ? cls->ClassName() : String("nil")));
    return it->second(owner);
}

void RegisterInterfacedPersistentClass(TClass cls, TqzInterfacedPersistentFactory factory) {
    if (cls && factory) PersistentFactories()[cls] = factory;
}

TPersistent* GetPersistentOwner(TPersistent* persistent) {
    return persistent ? persistent->GetOwner() : nullptr;
}

// ---- TqzComponent -------------------------------------------------------------------------------

KOV_PUBLISHED(TqzComponent) {
    Property("FakeComponentLink1", &TqzComponent::GetFakeComponentLink1,
             &TqzComponent::SetFakeComponentLink1);
    Property("FakeComponentLink2", &TqzComponent::GetFakeComponentLink2,
             &TqzComponent::SetFakeComponentLink2);
    Property("FakeComponentLink3", &TqzComponent::GetFakeComponentLink3,
             &TqzComponent::SetFakeComponentLink3);
}

TqzComponent::TqzComponent(TComponent* owner) : TComponent(owner) {}

TqzComponent::~TqzComponent() {
    BeforeDestruction();
    ClearObjectLinksTo(this);
}

void TqzComponent::BeforeDestruction() {
    if (!GetComponentState().Contains(csDestroying)) Destroying();
}

void TqzComponent::Loaded() {
    inherited::Loaded();
    const TComponentState state = GetComponentState();
    if (!state.Contains(csDesigning) || state.Contains(csDestroying) || !GetOwner()) return;
    TList list;
    CollectLinkedComponents(&list);
    for (int i = 0; i < 3; ++i)
        SetFakeLink(i, i < list.GetCount() ? static_cast<TComponent*>(list.Get(i)) : nullptr);
}

void TqzComponent::CollectLinkedComponents(TList*) {}

void TqzComponent::SetFakeLink(int index, TComponent* value) {
    TComponent*& link = FFakeLinks[index];
    if (link == value) return;
    TComponent* old = link;
    link = value;
    // Keep being told of a component's end while any of the links names it.
    if (old && std::find(std::begin(FFakeLinks), std::end(FFakeLinks), old) == std::end(FFakeLinks))
        old->RemoveFreeNotification(this);
    if (value) value->FreeNotification(this);
}

void TqzComponent::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove) return;
    for (TComponent*& link : FFakeLinks)
        if (link == component) link = nullptr;
}

// ---- TqzObjectList ------------------------------------------------------------------------------

TqzObjectList::~TqzObjectList() { Clear(); }

void TqzObjectList::Clear() {
    for (Integer i = 0; i < GetCount(); ++i)
        delete static_cast<TObject*>(Get(i));
    TList::Clear();
}

// ---- TqzRegisteredClassList ---------------------------------------------------------------------

bool TqzRegisteredClassList::FindItemClass(TClass itemClass, Integer& index) {
    index = -1;
    for (Integer i = GetCount() - 1; i >= 0; --i) {
        TClass entry = FItems[std::size_t(i)].ItemClass;
        if (itemClass->InheritsFrom(entry)) {
            index = i;
            return true;
        }
        if (entry->InheritsFrom(itemClass)) index = i;
    }
    return false;
}

void TqzRegisteredClassList::RegisterPair(TClass itemClass, TClass registeredClass) {
    Integer index = -1;
    Integer position;
    if (FindItemClass(itemClass, index))
        position = index + 1;
    else if (index >= 0)
        position = index;
    else
        position = GetCount();
    FItems.insert(FItems.begin() + position, TqzRegisteredClassListItemData{itemClass, registeredClass});
}

void TqzRegisteredClassList::UnregisterPair(TClass itemClass, TClass registeredClass) {
    for (Integer i = GetCount() - 1; i >= 0; --i) {
        const TqzRegisteredClassListItemData& item = FItems[std::size_t(i)];
        if (item.ItemClass == itemClass && item.RegisteredClass == registeredClass)
            FItems.erase(FItems.begin() + i);
    }
}

void TqzRegisteredClassList::Clear() { FItems.clear(); }

const TqzRegisteredClassListItemData& TqzRegisteredClassList::GetItems(Integer index) const {
    if (index < 0 || index >= GetCount()) IndexError(index);
    return FItems[std::size_t(index)];
}

// ---- TqzRegisteredClasses -----------------------------------------------------------------------

TqzRegisteredClasses::TqzRegisteredClasses(bool registerForStreaming)
    : FItems(std::make_unique<TqzRegisteredClassesStringList>(this)),
      FRegisterForStreaming(registerForStreaming) {}

TqzRegisteredClasses::~TqzRegisteredClasses() = default;

void TqzRegisteredClasses::Register(TClass cls, const String& description) {
    if (!cls || IndexOfClass(cls) >= 0) return;
    FItems->AddObject(description, ClassAsObject(cls));
    if (FSorted) Sort();
    if (FRegisterForStreaming) RegisterClass(cls);
}

void TqzRegisteredClasses::Unregister(TClass cls) {
    Integer index = IndexOfClass(cls);
    if (index >= 0) FItems->Delete(index);
}

void TqzRegisteredClasses::Clear() { FItems->Clear(); }

void TqzRegisteredClasses::SetSorted(bool value) {
    if (FSorted == value) return;
    FSorted = value;
    if (FSorted) Sort();
}

TClass TqzRegisteredClasses::GetItems(Integer index) const {
    return ObjectAsClass(FItems->GetObjects(index));
}

String TqzRegisteredClasses::GetDescription(Integer index) const {
    const String text = FItems->GetStrings(index);
    const std::size_t bar = text.find('|');
    return bar == String::npos ? text : text.substr(0, bar);
}

Integer TqzRegisteredClasses::IndexOfClass(TClass cls) const {
    return cls ? FItems->IndexOfObject(ClassAsObject(cls)) : -1;
}

Integer TqzRegisteredClasses::CompareItems(Integer index1, Integer index2) {
    return AnsiCompareText(GetDescription(index1), GetDescription(index2));
}

void TqzRegisteredClasses::Sort() {
    FItems->CustomSort([this](TStringList*, Integer i, Integer j) { return CompareItems(i, j); });
}

// ---- TqzAutoWidthObject -------------------------------------------------------------------------

TqzAutoWidthObject::TqzAutoWidthObject(Integer capacity) {
    if (capacity > 0) FItems.reserve(std::size_t(capacity));
}

TqzAutoWidthItem* TqzAutoWidthObject::AppendItem() {
    FItems.push_back(std::make_unique<TqzAutoWidthItem>());
    return FItems.back().get();
}

TqzAutoWidthItem* TqzAutoWidthObject::ItemAt(Integer index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return FItems[std::size_t(index)].get();
}

Integer TqzAutoWidthObject::TotalWidth() const {
    Integer total = 0;
    for (const auto& item : FItems)
        total += item->DesiredWidth;
    return total;
}

void TqzAutoWidthObject::DistributeWidths() {
    Integer freeSpace = TargetWidth;
    Integer freeWeight = TotalWidth();
    // A second distribution (another target) starts over; kept widths are taken out first.
    for (const auto& item : FItems) {
        item->ResultWidth = -1;
        if (!item->KeepWidth) continue;
        item->ResultWidth = item->DesiredWidth;
        freeSpace -= item->ResultWidth;
        freeWeight -= item->DesiredWidth;
    }
    bool finalPass = false;
    while (freeWeight != 0) {
        const Integer space = freeSpace;
        const Integer weight = freeWeight;
        Integer running = 0;
        bool pinned = false;
        for (const auto& item : FItems) {
            if (item->ResultWidth != -1) continue;
            const Integer share =
                MulDiv(running + item->DesiredWidth, space, weight) - MulDiv(running, space, weight);
            if (finalPass) {
                item->ResultWidth = share;
            } else if (item->MinimumWidth >= share) {
                item->ResultWidth = item->MinimumWidth;
                freeSpace -= item->ResultWidth;
                freeWeight -= item->DesiredWidth;
                pinned = true;
            }
            running += item->DesiredWidth;
        }
        if (finalPass) break;
        if (!pinned) finalPass = true;
    }
}

// ---- TqzFreeNotificator -------------------------------------------------------------------------

TqzFreeNotificator::TqzFreeNotificator(TComponent* owner) : TComponent(owner) {}

void TqzFreeNotificator::WatchComponent(TComponent* component) {
    if (component) component->FreeNotification(this);
}

void TqzFreeNotificator::UnwatchComponent(TComponent* component) {
    if (component) component->RemoveFreeNotification(this);
}

void TqzFreeNotificator::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && OnComponentFreed) OnComponentFreed(this, component);
}

// ---- Object links -------------------------------------------------------------------------------

namespace {

// The live links; exists from the first AddObjectLink to the last RemoveObjectLink.
struct TqzObjectLinkController {
    std::vector<TqzObjectLink*> Links;
    Integer Users = 0;
};

TqzObjectLinkController* gLinkController = nullptr;

void Unlist(TqzObjectLink* link) {
    if (!gLinkController) return;
    auto& links = gLinkController->Links;
    links.erase(std::remove(links.begin(), links.end(), link), links.end());
}

} // namespace

TqzObjectLink* AddObjectLink(TComponent* component) {
    if (!gLinkController) gLinkController = new TqzObjectLinkController;
    ++gLinkController->Users;
    auto* link = new TqzObjectLink;
    link->Target = component;
    gLinkController->Links.push_back(link);
    return link;
}

void RemoveObjectLink(TqzObjectLink* link) {
    if (!link) return;
    // A link made for nullptr is listed too, so unlisting does not depend on Target.
    Unlist(link);
    delete link;
    if (gLinkController && --gLinkController->Users <= 0) {
        delete gLinkController;
        gLinkController = nullptr;
    }
}

void ClearObjectLinksTo(TComponent* component) {
    if (!gLinkController || !component) return;
    auto& links = gLinkController->Links;
    for (TqzObjectLink* link : links)
        if (link->Target == component) link->Target = nullptr;
    links.erase(std::remove_if(links.begin(), links.end(), [](TqzObjectLink* link) { return !link->Target; }),
                links.end());
}

// ---- Texts and helpers --------------------------------------------------------------------------

String LocalizeSuiteText(const String& text) { return text; }

Integer MakeSizePair(Integer width, Integer height, SIZE& pair) {
    pair.cx = width;
    pair.cy = height;
    return width;
}

Integer FloorMidpoint(Integer a, Integer b) {
    const Int64 sum = Int64(a) + Int64(b);
    return Integer(sum >= 0 ? sum / 2 : -((-sum + 1) / 2));
}
