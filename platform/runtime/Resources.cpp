#include "platform/runtime/Resources.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

// Registrations arrive from static initialisers of other translation units, so nothing here
// may rely on another unit's statics: the table is made on first use and never destroyed,
// and case folding is plain ASCII.
struct TResourceTable {
    std::mutex Lock;
    // (type key, name key) -> resource. Nodes never move, so an HRSRC is a stable pointer.
    std::map<std::pair<String, String>, TResourceInfo> Entries;
};

TResourceTable& Table() {
    static TResourceTable* table = new TResourceTable;
    return *table;
}

String AsciiUpper(const String& s) {
    String result = s;
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

String NumberText(unsigned value) {
    String digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

struct TNamedType {
    const char* Name;
    Word Number;
};

constexpr TNamedType kNamedTypes[] = {
    {"RT_CURSOR", 1},      {"RT_BITMAP", 2},   {"RT_ICON", 3},          {"RT_MENU", 4},
    {"RT_DIALOG", 5},      {"RT_STRING", 6},   {"RT_FONTDIR", 7},       {"RT_FONT", 8},
    {"RT_ACCELERATOR", 9}, {"RT_RCDATA", 10},  {"RT_MESSAGETABLE", 11}, {"RT_GROUP_CURSOR", 12},
    {"RT_GROUP_ICON", 14}, {"RT_VERSION", 16}, {"RT_HTML", 23},
};

const TResourceInfo* AsInfo(HRSRC resource) { return static_cast<const TResourceInfo*>(resource); }

} // namespace

// ---- TResourceId ------------------------------------------------------------------------------

TResourceId::TResourceId(LPCSTR id) {
    if (id == nullptr)
        SetText(String());
    else if (IS_INTRESOURCE(id))
        SetNumber(static_cast<Word>(reinterpret_cast<std::uintptr_t>(id)));
    else
        SetText(id);
}

TResourceId::TResourceId(const String& text) { SetText(text); }

TResourceId::TResourceId(int number) { SetNumber(static_cast<Word>(number)); }

void TResourceId::SetNumber(Word number) {
    FIsNumber = true;
    FNumber = number;
    FText = "#" + NumberText(number);
    FKey = FText;
}

void TResourceId::SetText(const String& text) {
    // "#nnn" is the text form of a number.
    if (text.size() > 1 && text[0] == '#' && text.find_first_not_of("0123456789", 1) == String::npos) {
        unsigned value = 0;
        for (std::size_t i = 1; i < text.size() && value <= 0xFFFF; ++i)
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value <= 0xFFFF) {
            SetNumber(static_cast<Word>(value));
            return;
        }
    }
    String upper = AsciiUpper(text);
    for (const TNamedType& named : kNamedTypes) {
        if (upper == named.Name) {
            SetNumber(named.Number);
            return;
        }
    }
    FIsNumber = false;
    FNumber = 0;
    FText = text;
    FKey = std::move(upper);
}

String TResourceId::DisplayText() const { return FIsNumber ? NumberText(FNumber) : FText; }

// ---- Registry ---------------------------------------------------------------------------------

bool RegisterResource(const TResourceId& name, const TResourceId& type, const void* data, std::size_t size) {
    TResourceTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    TResourceInfo info{name.Text(), type.Text(), data, size};
    return table.Entries.emplace(std::make_pair(type.Key(), name.Key()), std::move(info)).second;
}

std::vector<TResourceInfo> EnumResources() {
    TResourceTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    std::vector<TResourceInfo> result;
    result.reserve(table.Entries.size());
    for (const auto& entry : table.Entries)
        result.push_back(entry.second);
    return result;
}

std::vector<TResourceInfo> EnumResources(const TResourceId& type) {
    TResourceTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    std::vector<TResourceInfo> result;
    for (auto it = table.Entries.lower_bound({type.Key(), String()});
         it != table.Entries.end() && it->first.first == type.Key(); ++it)
        result.push_back(it->second);
    return result;
}

HRSRC FindResourceA(HMODULE, const TResourceId& name, const TResourceId& type) {
    TResourceTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    auto it = table.Entries.find({type.Key(), name.Key()});
    if (it == table.Entries.end()) return nullptr;
    return const_cast<TResourceInfo*>(&it->second);
}

HRSRC FindResource(HMODULE module, const TResourceId& name, const TResourceId& type) {
    return FindResourceA(module, name, type);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    return resource == nullptr ? nullptr : const_cast<void*>(AsInfo(resource)->Data);
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource == nullptr ? 0 : static_cast<DWORD>(AsInfo(resource)->Size);
}

LPVOID LockResource(HGLOBAL data) { return data; }

BOOL FreeResource(HGLOBAL) { return FALSE; }

// ---- TResourceStream --------------------------------------------------------------------------

TResourceStream::TResourceStream(HINSTANCE instance, const TResourceId& name, const TResourceId& type) {
    HRSRC resource = FindResourceA(instance, name, type);
    if (resource == nullptr) throw EResNotFound("Resource " + name.DisplayText() + " not found");
    // The bytes are read-only; Write refuses, so the const is never cast away for writing.
    SetPointer(LoadResource(instance, resource), static_cast<Int64>(AsInfo(resource)->Size));
}

Integer TResourceStream::Write(const void*, Integer) {
    throw EStreamError("Can't write to a read-only resource stream");
}
