#include "platform/classlib/FormDefs.h"

#include <cstring>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"

namespace {

// The class's own definition: the resource named after it.
bool FindOwnDefinition(TClass cls, TFormDefinition& definition) {
    const String name = cls->ClassName();
    HRSRC resource = FindResourceA(HInstance, name, RT_FORMDEF);
    if (resource == nullptr) return false;
    const auto* data = static_cast<const char*>(LockResource(LoadResource(HInstance, resource)));
    const DWORD size = SizeofResource(HInstance, resource);
    definition.DefinedBy = cls;
    definition.Name = name;
    definition.Text.assign(data != nullptr ? data : "", data != nullptr ? size : 0);
    return true;
}

const bool kHookInstalled = (SetInitInheritedComponentHook(ReadFormDefinitions), true);

}  // namespace

TFormDefinition FindFormDefinition(TClass cls) {
    TFormDefinition definition;
    for (TClass c = cls; c != nullptr; c = c->ClassParent())
        if (FindOwnDefinition(c, definition)) break;
    return definition;
}

bool HasOwnFormDefinition(TClass cls) {
    TFormDefinition definition;
    return cls != nullptr && FindOwnDefinition(cls, definition);
}

bool ReadFormDefinitions(TComponent* instance, TClass rootAncestor) {
    (void)kHookInstalled;
    if (instance == nullptr) return false;
    // The classes below the root ancestor (or below TComponent), the most derived last.
    std::vector<TClass> chain;
    for (TClass c = instance->ClassType(); c != nullptr && c != rootAncestor; c = c->ClassParent()) {
        if (c == TComponent::StaticClass()) break;
        chain.insert(chain.begin(), c);
    }
    bool read = false;
    const bool wasLoading = instance->GetComponentState().Contains(csLoading);
    instance->IncludeComponentState(csLoading);
    try {
        for (TClass c : chain) {
            TFormDefinition definition;
            if (!FindOwnDefinition(c, definition)) continue;
            ReadComponentText(definition.Text, instance, definition.Name);
            read = true;
            // Reading ends by clearing the loading state; the next ancestor's text reads with it.
            instance->IncludeComponentState(csLoading);
        }
    } catch (...) {
        if (!wasLoading) instance->ExcludeComponentState(csLoading);
        throw;
    }
    if (!wasLoading) instance->ExcludeComponentState(csLoading);
    return read;
}

String WriteComponentText(TComponent* root) {
    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(root);
    binary.SetPosition(0);
    TMemoryStream text;
    ObjectBinaryToText(&binary, &text);
    String result(std::size_t(text.GetSize()), '\0');
    if (!result.empty()) std::memcpy(result.data(), text.GetMemory(), result.size());
    return result;
}
