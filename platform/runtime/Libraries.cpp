#include "platform/runtime/Libraries.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/runtime/Strings.h"

namespace {

struct TLibrary {
    String Key; // the normalised name
    std::vector<TLibraryExport> Exports;
    Integer RefCount = 0;
    HMODULE Handle = nullptr;
};

std::mutex gLibraryLock;

// Entries are never removed, so a handle always names the same library.
std::vector<std::unique_ptr<TLibrary>>& Libraries() {
    static std::vector<std::unique_ptr<TLibrary>> libraries;
    return libraries;
}

// Handles are distinct made-up addresses, aligned as module handles are; nothing dereferences
// them.
constexpr std::uintptr_t ProgramModule = 0x00400000;
constexpr std::uintptr_t FirstLibraryModule = 0x10000000;
constexpr std::uintptr_t ModuleSpacing = 0x10000;

HMODULE MakeHandle(std::uintptr_t value) { return reinterpret_cast<HMODULE>(value); }

String NormalisedName(const String& name) {
    String key = LowerCase(name);
    const String dll = ".dll";
    if (key.size() > dll.size() && key.compare(key.size() - dll.size(), dll.size(), dll) == 0)
        key.resize(key.size() - dll.size());
    return key;
}

TLibrary* FindByName(const String& name) {
    const String key = NormalisedName(name);
    for (auto& library : Libraries())
        if (library->Key == key) return library.get();
    return nullptr;
}

// A loaded library with that handle, or nullptr.
TLibrary* FindLoaded(HMODULE module) {
    for (auto& library : Libraries())
        if (library->Handle == module) return library->RefCount > 0 ? library.get() : nullptr;
    return nullptr;
}

void Register(const String& name, std::vector<TLibraryExport> exports) {
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (TLibrary* library = FindByName(name)) {
        library->Exports = std::move(exports);
        return;
    }
    auto library = std::make_unique<TLibrary>();
    library->Key = NormalisedName(name);
    library->Exports = std::move(exports);
    library->Handle = MakeHandle(FirstLibraryModule + Libraries().size() * ModuleSpacing);
    Libraries().push_back(std::move(library));
}

} // namespace

void RegisterLibrary(const String& name, std::initializer_list<TLibraryExport> exports) {
    Register(name, std::vector<TLibraryExport>(exports));
}

void RegisterLibrary(const String& name, const std::vector<TLibraryExport>& exports) {
    Register(name, exports);
}

HMODULE LoadLibraryA(LPCSTR fileName) {
    std::lock_guard<std::mutex> guard(gLibraryLock);
    TLibrary* library = fileName != nullptr ? FindByName(fileName) : nullptr;
    if (library == nullptr) {
        SetRuntimeLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++library->RefCount;
    return library->Handle;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (module == MakeHandle(ProgramModule)) {
        SetRuntimeLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    TLibrary* library = FindLoaded(module);
    if (library == nullptr) {
        SetRuntimeLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // A value below 0x10000 is an ordinal, not a pointer to a name.
    if (reinterpret_cast<std::uintptr_t>(procName) >= 0x10000) {
        for (const TLibraryExport& entry : library->Exports)
            if (entry.Address != nullptr && entry.Name == procName)
                return reinterpret_cast<FARPROC>(entry.Address);
    }
    SetRuntimeLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (module == MakeHandle(ProgramModule)) return TRUE;
    TLibrary* library = FindLoaded(module);
    if (library == nullptr) {
        SetRuntimeLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    --library->RefCount;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName == nullptr) return MakeHandle(ProgramModule);
    std::lock_guard<std::mutex> guard(gLibraryLock);
    TLibrary* library = FindByName(moduleName);
    if (library == nullptr || library->RefCount == 0) {
        SetRuntimeLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return library->Handle;
}
