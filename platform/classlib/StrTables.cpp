#include "platform/classlib/StrTables.h"

#include <map>
#include <mutex>

#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"

namespace {

struct TStringTable {
    std::mutex Lock;
    std::map<Integer, String> Texts;
};

TStringTable& Table() {
    static TStringTable* table = new TStringTable; // lives for the program; units register early
    return *table;
}

bool FindRegistered(Integer ident, String& text) {
    TStringTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    auto it = table.Texts.find(ident);
    if (it == table.Texts.end()) return false;
    text = it->second;
    return true;
}

// The text of an RT_STRING block; a block that is cut short yields nothing rather than
// reading past its end.
bool FindInResources(Integer ident, String& text) {
    if (ident < 0 || ident > 0xFFFFF) return false;
    const int block = ident / 16 + 1;
    if (block > 0xFFFF) return false;
    HRSRC res = FindResourceA(HInstance, TResourceId(block), TResourceId(RT_STRING));
    if (!res) return false;
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(HInstance, res)));
    const std::size_t size = SizeofResource(HInstance, res);
    if (!bytes) return false;
    std::size_t pos = 0;
    for (int index = 0; index < 16; ++index) {
        if (pos + 2 > size) return false;
        const std::size_t count = std::size_t(bytes[pos]) | (std::size_t(bytes[pos + 1]) << 8);
        pos += 2;
        if (pos + count * 2 > size) return false;
        if (index == ident % 16) {
            if (count == 0) return false;
            WideString wide;
            wide.reserve(count);
            for (std::size_t i = 0; i < count; ++i)
                wide.push_back(char16_t(bytes[pos + 2 * i] | (bytes[pos + 2 * i + 1] << 8)));
            text = WideToString(wide);
            return true;
        }
        pos += count * 2;
    }
    return false;
}

} // namespace

void RegisterResourceString(Integer ident, const String& text) {
    TStringTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    table.Texts[ident] = text;
}

void RegisterResourceStrings(std::initializer_list<std::pair<Integer, const char*>> entries) {
    TStringTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    for (const auto& [ident, text] : entries)
        table.Texts[ident] = text ? text : "";
}

void UnregisterResourceString(Integer ident) {
    TStringTable& table = Table();
    std::lock_guard<std::mutex> guard(table.Lock);
    table.Texts.erase(ident);
}

String LoadStr(Integer ident) {
    String text;
    if (FindRegistered(ident, text)) return text;
    if (FindInResources(ident, text)) return text;
    return String();
}

String FmtLoadStr(Integer ident, std::initializer_list<TVarRec> args) { return Format(LoadStr(ident), args); }

String FmtLoadStr(Integer ident, const std::vector<TVarRec>& args) { return Format(LoadStr(ident), args); }
