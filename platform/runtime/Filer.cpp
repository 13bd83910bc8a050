// TFiler, the global components that dotted references can name, and the fix-up pass that
// resolves component references (TReader::FixupReferences and GlobalFixupReferences).
#include "platform/runtime/Filer.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/runtime/Strings.h"

namespace {

struct TGlobalComponent {
    TComponent* Component;
    TLivenessToken Alive;
};

// A reference that could not be resolved when its stream was read.
struct TGlobalFixup {
    TObject* Instance;
    TLivenessToken InstanceAlive;
    PPropInfo Prop;
    String Name;
    TComponent* LookupRoot;  // relative names resolve against it
    TLivenessToken LookupRootAlive;
    TComponent* Root;  // the root read with it, which carries csFixups while it waits
    TLivenessToken RootAlive;
};

// Never destroyed, so components freed during static destruction find it intact.
struct TGlobalState {
    std::mutex Lock;
    std::vector<TGlobalComponent> Components;
    std::vector<TGlobalFixup> Fixups;
};

TGlobalState& Globals() {
    static TGlobalState* state = new TGlobalState;
    return *state;
}

void PruneDeadComponents(std::vector<TGlobalComponent>& components) {
    std::erase_if(components, [](const TGlobalComponent& entry) { return !entry.Alive; });
}

// Splits "A.B.C"; an empty part (".A", "A..B") makes the whole name unusable.
bool SplitName(const String& name, std::vector<String>& parts) {
    parts.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == String::npos ? String::npos : dot - start));
        if (parts.back().empty()) return false;
        if (dot == String::npos) return true;
        start = dot + 1;
    }
}

// "Comp" is a component of the lookup root (or the lookup root itself, or a global component);
// "Module.Comp" starts the same way and walks down through FindComponent.
TComponent* ResolveReference(TComponent* lookupRoot, const String& name) {
    std::vector<String> parts;
    if (!SplitName(name, parts)) return nullptr;
    TComponent* current = nullptr;
    if (lookupRoot != nullptr) {
        current = lookupRoot->FindComponent(parts[0]);
        if (current == nullptr && SameText(lookupRoot->GetName(), parts[0])) current = lookupRoot;
    }
    if (current == nullptr) current = FindGlobalComponent(parts[0]);
    for (std::size_t i = 1; i < parts.size() && current != nullptr; ++i)
        current = current->FindComponent(parts[i]);
    return current;
}

void MarkRootsWaiting() {
    // Called with the lock held: csFixups reflects whether a root still has references waiting.
    TGlobalState& state = Globals();
    std::vector<TComponent*> waiting;
    for (const TGlobalFixup& fixup : state.Fixups)
        if (fixup.RootAlive) waiting.push_back(fixup.Root);
    for (TComponent* root : waiting) root->IncludeComponentState(csFixups);
}

}  // namespace

// ---- TFiler ---------------------------------------------------------------------------------

TFiler::TFiler(TStream* stream, Integer) : FStream(stream) {}

void TFiler::SetRoot(TComponent* value) {
    FRoot = value;
    FLookupRoot = value;
}

// ---- Global components ------------------------------------------------------------------------

void RegisterGlobalComponent(TComponent* component) {
    if (component == nullptr) return;
    TGlobalState& state = Globals();
    std::lock_guard guard(state.Lock);
    PruneDeadComponents(state.Components);
    std::erase_if(state.Components,
                  [component](const TGlobalComponent& e) { return e.Component == component; });
    state.Components.push_back({component, component->LivenessToken()});
}

void UnRegisterGlobalComponent(TComponent* component) {
    TGlobalState& state = Globals();
    std::lock_guard guard(state.Lock);
    PruneDeadComponents(state.Components);
    std::erase_if(state.Components,
                  [component](const TGlobalComponent& e) { return e.Component == component; });
}

TComponent* FindGlobalComponent(const String& name) {
    if (name.empty()) return nullptr;
    TGlobalState& state = Globals();
    std::lock_guard guard(state.Lock);
    PruneDeadComponents(state.Components);
    for (auto it = state.Components.rbegin(); it != state.Components.rend(); ++it)
        if (SameText(it->Component->GetName(), name)) return it->Component;
    return nullptr;
}

void GlobalFixupReferences() {
    TGlobalState& state = Globals();
    std::vector<TGlobalFixup> pending;
    {
        std::lock_guard guard(state.Lock);
        pending.swap(state.Fixups);
    }
    std::vector<TGlobalFixup> waiting;
    std::vector<std::pair<TComponent*, TLivenessToken>> roots;
    for (TGlobalFixup& fixup : pending) {
        if (fixup.RootAlive) roots.emplace_back(fixup.Root, fixup.RootAlive);
        if (!fixup.InstanceAlive) continue;
        TComponent* target = ResolveReference(fixup.LookupRootAlive ? fixup.LookupRoot : nullptr, fixup.Name);
        if (target == nullptr) {
            waiting.push_back(std::move(fixup));
            continue;
        }
        // A target of a class the property does not take is dropped like a name that names
        // nothing: this pass runs on behalf of whichever read came last.
        try {
            SetObjectProp(fixup.Instance, fixup.Prop, target);
        } catch (const EPropertyError&) {
        } catch (const EPropertyConvertError&) {
        }
    }
    std::lock_guard guard(state.Lock);
    for (TGlobalFixup& fixup : waiting) state.Fixups.push_back(std::move(fixup));
    for (auto& [root, alive] : roots)
        if (alive) root->ExcludeComponentState(csFixups);
    MarkRootsWaiting();
}

std::vector<String> GetFixupReferenceNames(TComponent* root) {
    std::vector<String> names;
    TGlobalState& state = Globals();
    std::lock_guard guard(state.Lock);
    for (const TGlobalFixup& fixup : state.Fixups)
        if (fixup.RootAlive && fixup.Root == root && fixup.InstanceAlive) names.push_back(fixup.Name);
    return names;
}

// ---- TReader's fix-up pass --------------------------------------------------------------------

void TReader::FixupReferences() {
    std::vector<TPendingFixup> fixups;
    fixups.swap(FFixups);
    std::vector<TGlobalFixup> unresolved;
    for (TPendingFixup& fixup : fixups) {
        if (!fixup.InstanceAlive) continue;
        TComponent* lookupRoot = fixup.LookupRootAlive ? fixup.LookupRoot : nullptr;
        TComponent* target = ResolveReference(lookupRoot, fixup.Name);
        if (target == nullptr) {
            unresolved.push_back({fixup.Instance, fixup.InstanceAlive, fixup.Prop, fixup.Name, lookupRoot,
                                  fixup.LookupRootAlive, FRoot,
                                  FRoot != nullptr ? FRoot->LivenessToken() : TLivenessToken()});
            continue;
        }
        try {
            SetObjectProp(fixup.Instance, fixup.Prop, target);
        } catch (const EPropertyError& e) {
            Error("Error reading " + fixup.Context + ": " + e.Message);
        } catch (const EPropertyConvertError& e) {
            Error("Error reading " + fixup.Context + ": " + e.Message);
        }
    }
    if (unresolved.empty()) return;
    TGlobalState& state = Globals();
    std::lock_guard guard(state.Lock);
    for (TGlobalFixup& fixup : unresolved) state.Fixups.push_back(std::move(fixup));
    MarkRootsWaiting();
}
