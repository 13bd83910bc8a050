#include "platform/runtime/Objects.h"

#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/runtime/Strings.h"

namespace {

// The registries live until the process ends (never destroyed), so objects destroyed during
// static destruction can still drop their handles safely.
struct TClassRegistry {
    std::mutex Lock;
    std::map<String, TClass> ByName;  // upper-case name
};

TClassRegistry& Classes() {
    static TClassRegistry* registry = new TClassRegistry;
    return *registry;
}

struct THandleTable {
    std::mutex Lock;
    std::unordered_map<Cardinal, TObject*> Objects;
    Cardinal Last = 0;
};

THandleTable& Handles() {
    static THandleTable* table = new THandleTable;
    return *table;
}

std::mutex& LivenessLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

}  // namespace

// ---- TMetaClass -----------------------------------------------------------------------------

TMetaClass::TMetaClass(String name, TClass parent, TFactory factory)
    : FName(std::move(name)), FParent(parent), FFactory(factory) {}

bool TMetaClass::InheritsFrom(TClass ancestor) const {
    for (TClass c = this; c != nullptr; c = c->FParent)
        if (c == ancestor) return true;
    return false;
}

bool TMetaClass::ClassNameIs(const String& name) const { return SameText(FName, name); }

TObject* TMetaClass::Create(TComponent* owner) const {
    if (FFactory == nullptr) throw EInvalidOperation("Cannot create an instance of " + FName);
    return FFactory(owner);
}

// ---- TObject --------------------------------------------------------------------------------

TClass TObject::StaticClass() {
    static const TMetaClass* const meta =
        new TMetaClass("TObject", nullptr, kov_detail::FactoryFor<TObject>());
    return meta;
}

TClass TObject::ClassType() const { return StaticClass(); }

TObject::~TObject() {
    if (FAlive) FAlive->store(false, std::memory_order_release);
    const Cardinal handle = FHandle.load(std::memory_order_acquire);
    if (handle != 0) {
        THandleTable& table = Handles();
        std::lock_guard guard(table.Lock);
        table.Objects.erase(handle);
    }
}

TLivenessToken TObject::LivenessToken() const {
    std::lock_guard guard(LivenessLock());
    if (!FAlive) FAlive = std::make_shared<std::atomic<bool>>(true);
    return TLivenessToken(FAlive);
}

// ---- Class registry -------------------------------------------------------------------------

void RegisterClass(TClass cls) {
    if (cls == nullptr) return;
    TClassRegistry& registry = Classes();
    std::lock_guard guard(registry.Lock);
    const String key = UpperCase(cls->ClassName());
    auto it = registry.ByName.find(key);
    if (it != registry.ByName.end()) {
        if (it->second == cls) return;
        throw EFilerError("A class named " + cls->ClassName() + " already exists");
    }
    registry.ByName.emplace(key, cls);
}

void RegisterClasses(std::initializer_list<TClass> classes) {
    for (TClass cls : classes) RegisterClass(cls);
}

void UnRegisterClass(TClass cls) {
    if (cls == nullptr) return;
    TClassRegistry& registry = Classes();
    std::lock_guard guard(registry.Lock);
    auto it = registry.ByName.find(UpperCase(cls->ClassName()));
    if (it != registry.ByName.end() && it->second == cls) registry.ByName.erase(it);
}

TClass GetClass(const String& name) {
    TClassRegistry& registry = Classes();
    std::lock_guard guard(registry.Lock);
    auto it = registry.ByName.find(UpperCase(name));
    return it == registry.ByName.end() ? nullptr : it->second;
}

TClass FindClass(const String& name) {
    TClass cls = GetClass(name);
    if (cls == nullptr) throw EClassNotFound("Class " + name + " not found");
    return cls;
}

// ---- Object handles -------------------------------------------------------------------------

Cardinal ObjectToHandle(TObject* obj) {
    if (obj == nullptr) return 0;
    THandleTable& table = Handles();
    std::lock_guard guard(table.Lock);
    Cardinal handle = obj->FHandle.load(std::memory_order_relaxed);
    if (handle != 0) return handle;
    do {
        handle = ++table.Last;  // wraps after 2^32 handles; 0 and live handles are skipped
    } while (handle == 0 || table.Objects.count(handle) != 0);
    table.Objects.emplace(handle, obj);
    obj->FHandle.store(handle, std::memory_order_release);
    return handle;
}

TObject* HandleToObject(Cardinal handle) {
    if (handle == 0) return nullptr;
    THandleTable& table = Handles();
    std::lock_guard guard(table.Lock);
    auto it = table.Objects.find(handle);
    return it == table.Objects.end() ? nullptr : it->second;
}
