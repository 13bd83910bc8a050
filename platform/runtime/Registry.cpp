#include "platform/runtime/Registry.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>

#include "platform/runtime/Strings.h"

namespace {

// ---- The stored tree --------------------------------------------------------------------------

using TKeyPath = std::vector<String>; // the root's name, then the key names down from it

enum class TValueKind { Text, Number };

struct TStoredValue {
    String Name;
    TValueKind Kind = TValueKind::Text;
    String Text;
    Integer Number = 0;
};

struct TStoredKey {
    TKeyPath Path;
    std::vector<TStoredValue> Values;

    TStoredValue* FindValue(const String& name) {
        for (TStoredValue& value : Values)
            if (AnsiSameText(value.Name, name)) return &value;
        return nullptr;
    }
};

bool SamePath(const TKeyPath& a, const TKeyPath& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!AnsiSameText(a[i], b[i])) return false;
    return true;
}

// True when `path` is `ancestor` or lies below it.
bool IsWithin(const TKeyPath& path, const TKeyPath& ancestor) {
    if (path.size() < ancestor.size()) return false;
    for (std::size_t i = 0; i < ancestor.size(); ++i)
        if (!AnsiSameText(path[i], ancestor[i])) return false;
    return true;
}

String JoinPath(TKeyPath::const_iterator first, TKeyPath::const_iterator last) {
    String result;
    for (auto it = first; it != last; ++it) {
        if (it != first) result += '\\';
        result += *it;
    }
    return result;
}

bool ValidKeyName(const String& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

// Splits a key path into names: a leading backslash makes it absolute, one trailing backslash
// is dropped, "" names no key below the start. Nothing for an invalid path.
std::optional<TKeyPath> SplitKeyPath(const String& key, bool& absolute) {
    String body = key;
    absolute = !body.empty() && body.front() == '\\';
    if (absolute) body.erase(0, 1);
    if (!body.empty() && body.back() == '\\') body.pop_back();
    TKeyPath names;
    if (body.empty()) return names;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = body.find('\\', start);
        String name = body.substr(start, end == String::npos ? String::npos : end - start);
        if (!ValidKeyName(name)) return std::nullopt;
        names.push_back(std::move(name));
        if (end == String::npos) break;
        start = end + 1;
    }
    return names;
}

String RootName(HKEY root) {
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return "";
}

// ---- The file ---------------------------------------------------------------------------------

String Quote(const String& s) {
    static const char hex[] = "0123456789ABCDEF";
    String result = "\"";
    for (unsigned char c : s) {
        if (c == '\\' || c == '"') {
            result += '\\';
            result += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            result += "\\x";
            result += hex[c >> 4];
            result += hex[c & 0xF];
        } else {
            result += static_cast<char>(c);
        }
    }
    return result + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos]; leaves pos after the closing quote.
bool Unquote(const String& line, std::size_t& pos, String& out) {
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return false;
        c = line[pos];
        if (c == 'x') {
            if (pos + 2 >= line.size()) return false;
            int high = HexDigit(line[pos + 1]), low = HexDigit(line[pos + 2]);
            if (high < 0 || low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            pos += 2;
        } else {
            out += c;
        }
    }
    return false;
}

// A value line: "name"=str:"text" or "name"=int:123.
std::optional<TStoredValue> ParseValueLine(const String& line) {
    TStoredValue value;
    std::size_t pos = 0;
    if (!Unquote(line, pos, value.Name)) return std::nullopt;
    String rest = line.substr(pos);
    if (rest.rfind("=str:", 0) == 0) {
        pos += 5;
        if (!Unquote(line, pos, value.Text) || pos != line.size()) return std::nullopt;
        value.Kind = TValueKind::Text;
        return value;
    }
    if (rest.rfind("=int:", 0) == 0) {
        const char* first = line.data() + pos + 5;
        const char* last = line.data() + line.size();
        auto [end, error] = std::from_chars(first, last, value.Number);
        if (error != std::errc() || end != last || first == last) return std::nullopt;
        value.Kind = TValueKind::Number;
        return value;
    }
    return std::nullopt;
}

class TStore {
public:
    std::vector<TStoredKey> Keys;

    TStoredKey* Find(const TKeyPath& path) {
        for (TStoredKey& key : Keys)
            if (SamePath(key.Path, path)) return &key;
        return nullptr;
    }
    // The roots always exist, entered in the file or not.
    bool Exists(const TKeyPath& path) { return path.size() == 1 || Find(path) != nullptr; }
    // The key, made with every key above it that is missing.
    TStoredKey& Ensure(const TKeyPath& path) {
        for (std::size_t length = 1; length < path.size(); ++length) {
            TKeyPath ancestor(path.begin(), path.begin() + length);
            if (Find(ancestor) == nullptr) Keys.push_back({ancestor, {}});
        }
        if (TStoredKey* key = Find(path)) return *key;
        Keys.push_back({path, {}});
        return Keys.back();
    }
    void Remove(const TKeyPath& path) {
        Keys.erase(std::remove_if(Keys.begin(), Keys.end(),
                                  [&](const TStoredKey& key) { return IsWithin(key.Path, path); }),
                   Keys.end());
    }
    std::vector<String> ChildNames(const TKeyPath& path) {
        std::vector<String> names;
        for (const TStoredKey& key : Keys)
            if (key.Path.size() == path.size() + 1 && IsWithin(key.Path, path))
                names.push_back(key.Path.back());
        std::stable_sort(names.begin(), names.end(),
                         [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
        return names;
    }

    // False when the file exists but cannot be read: it must not be overwritten then.
    bool Load(const String& fileName) {
        Keys.clear();
        std::error_code error;
        if (!std::filesystem::exists(fileName, error)) return !error;
        std::ifstream in(fileName, std::ios::binary);
        if (!in) return false;
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) return false;
        Parse(content);
        return true;
    }

    bool Save(const String& fileName) const {
        std::error_code error;
        const std::filesystem::path target(fileName);
        std::filesystem::create_directories(target.parent_path(), error);
        if (error) return false;
        String content = "; Settings of KOV-571 Programmer\n";
        for (const TStoredKey& key : Keys) {
            content += "\n[" + JoinPath(key.Path.begin(), key.Path.end()) + "]\n";
            for (const TStoredValue& value : key.Values) {
                content += Quote(value.Name);
                if (value.Kind == TValueKind::Text)
                    content += "=str:" + Quote(value.Text);
                else
                    content += "=int:" + IntToStr(value.Number);
                content += '\n';
            }
        }
        // Written beside the file and renamed over it, so a failed write loses nothing.
        String temporary = fileName + ".XXXXXX";
        int fd = mkstemp(temporary.data());
        if (fd < 0) return false;
        std::size_t written = 0;
        while (written < content.size()) {
            ssize_t n = ::write(fd, content.data() + written, content.size() - written);
            if (n <= 0) break;
            written += static_cast<std::size_t>(n);
        }
        bool ok = written == content.size();
        ok = ::close(fd) == 0 && ok;
        if (ok) ok = std::rename(temporary.c_str(), fileName.c_str()) == 0;
        if (!ok) ::unlink(temporary.c_str());
        return ok;
    }

private:
    void Parse(const String& content) {
        TStoredKey* current = nullptr;
        std::size_t start = 0;
        while (start < content.size()) {
            std::size_t end = content.find('\n', start);
            if (end == String::npos) end = content.size();
            String line = content.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
                current = nullptr;
                bool absolute;
                auto path = SplitKeyPath(line.substr(1, line.size() - 2), absolute);
                if (path && !absolute && !path->empty()) current = &Ensure(*path);
            } else if (!line.empty() && line.front() == '"' && current != nullptr) {
                // Of two values of one name the first counts.
                auto value = ParseValueLine(line);
                if (value && current->FindValue(value->Name) == nullptr) current->Values.push_back(*value);
            }
            // Anything else (comments, blank and damaged lines) is skipped.
        }
    }
};

std::mutex gStoreLock;

// One access to the file: it stays locked against the other threads from loading to saving.
struct TStoreAccess {
    std::lock_guard<std::mutex> Guard{gStoreLock};
    String FileName = RegistryFileName();
    TStore Store;
    bool Loaded = Store.Load(FileName);

    bool Save() { return Loaded && Store.Save(FileName); }
};

void SetData(const TKeyPath& keyPath, bool canCreateKey, TStoredValue value) {
    TStoreAccess access;
    const String name = value.Name;
    if (keyPath.empty() || !access.Loaded || (!canCreateKey && !access.Store.Exists(keyPath)))
        throw ERegistryException("Failed to set data for '" + name + "'");
    TStoredKey& key = access.Store.Ensure(keyPath);
    if (TStoredValue* existing = key.FindValue(name)) {
        value.Name = existing->Name;
        *existing = std::move(value);
    } else {
        key.Values.push_back(std::move(value));
    }
    if (!access.Save()) throw ERegistryException("Failed to set data for '" + name + "'");
}

std::optional<TStoredValue> GetData(const TKeyPath& keyPath, const String& name) {
    if (keyPath.empty()) return std::nullopt;
    TStoreAccess access;
    TStoredKey* key = access.Store.Find(keyPath);
    if (key == nullptr) return std::nullopt;
    if (TStoredValue* value = key->FindValue(name)) return *value;
    return std::nullopt;
}

TStoredValue TextValue(const String& name, const String& text) {
    TStoredValue value;
    value.Name = name;
    value.Kind = TValueKind::Text;
    value.Text = text;
    return value;
}

TStoredValue NumberValue(const String& name, Integer number) {
    TStoredValue value;
    value.Name = name;
    value.Kind = TValueKind::Number;
    value.Number = number;
    return value;
}

String ValueText(const TStoredValue& value) {
    return value.Kind == TValueKind::Text ? value.Text : IntToStr(value.Number);
}

String HomeDirectory() {
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return "/tmp";
}

} // namespace

String RegistryFileName() {
    String base;
    const char* configHome = getenv("XDG_CONFIG_HOME");
    // Only an absolute directory counts; a relative one is to be ignored.
    if (configHome != nullptr && configHome[0] == '/')
        base = configHome;
    else
        base = HomeDirectory() + "/.config";
    return base + "/kov571/registry.ini";
}

// ---- TRegistry --------------------------------------------------------------------------------

TRegistry::TRegistry() : FRootKey(HKEY_CURRENT_USER) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY value) {
    if (value == FRootKey) return;
    CloseKey();
    FRootKey = value;
}

void TRegistry::CloseKey() {
    FKeyPath.clear();
    FCurrentPath.clear();
    FReadOnly = false;
}

namespace {

// The whole path of `key` as seen from the registry's root and open key; nothing when it is
// not a valid path or the root has no keys. `fromOpenKey` tells whether it was taken from the
// open key.
std::optional<TKeyPath> Resolve(HKEY root, const TKeyPath& openKey, const String& key, bool& fromOpenKey) {
    const String rootName = RootName(root);
    if (rootName.empty()) return std::nullopt;
    bool absolute;
    auto names = SplitKeyPath(key, absolute);
    if (!names) return std::nullopt;
    fromOpenKey = !absolute && !openKey.empty();
    TKeyPath path = fromOpenKey ? openKey : TKeyPath{rootName};
    path.insert(path.end(), names->begin(), names->end());
    return path;
}

} // namespace

bool TRegistry::Open(const String& key, bool canCreate, bool readOnly) {
    bool fromOpenKey;
    auto path = Resolve(FRootKey, FKeyPath, key, fromOpenKey);
    if (!path) return false;
    {
        TStoreAccess access;
        if (!access.Store.Exists(*path)) {
            // A read-only key gives no right to make keys below it.
            if (!canCreate || (fromOpenKey && FReadOnly)) return false;
            access.Store.Ensure(*path);
            if (!access.Save()) return false;
        }
    }
    FKeyPath = *path;
    FCurrentPath = JoinPath(FKeyPath.begin() + 1, FKeyPath.end());
    FReadOnly = readOnly;
    return true;
}

bool TRegistry::OpenKey(const String& key, bool canCreate) { return Open(key, canCreate, false); }

bool TRegistry::OpenKeyReadOnly(const String& key) { return Open(key, false, true); }

bool TRegistry::KeyExists(const String& key) {
    bool fromOpenKey;
    auto path = Resolve(FRootKey, FKeyPath, key, fromOpenKey);
    if (!path) return false;
    TStoreAccess access;
    return access.Store.Exists(*path);
}

bool TRegistry::DeleteKey(const String& key) {
    bool fromOpenKey;
    auto path = Resolve(FRootKey, FKeyPath, key, fromOpenKey);
    if (!path || path->size() < 2) return false;
    TStoreAccess access;
    if (!access.Store.Exists(*path)) return false;
    access.Store.Remove(*path);
    return access.Save();
}

bool TRegistry::ValueExists(const String& name) { return GetData(FKeyPath, name).has_value(); }

bool TRegistry::DeleteValue(const String& name) {
    if (FKeyPath.empty() || FReadOnly) return false;
    TStoreAccess access;
    TStoredKey* key = access.Store.Find(FKeyPath);
    if (key == nullptr || key->FindValue(name) == nullptr) return false;
    key->Values.erase(key->Values.begin() + (key->FindValue(name) - key->Values.data()));
    return access.Save();
}

std::vector<String> TRegistry::GetKeyNames() {
    if (FKeyPath.empty()) return {};
    TStoreAccess access;
    return access.Store.ChildNames(FKeyPath);
}

std::vector<String> TRegistry::GetValueNames() {
    if (FKeyPath.empty()) return {};
    TStoreAccess access;
    std::vector<String> names;
    if (TStoredKey* key = access.Store.Find(FKeyPath))
        for (const TStoredValue& value : key->Values)
            names.push_back(value.Name);
    return names;
}

String TRegistry::ReadString(const String& name) {
    auto value = GetData(FKeyPath, name);
    if (!value) return "";
    if (value->Kind != TValueKind::Text) throw ERegistryException("Invalid data type for '" + name + "'");
    return value->Text;
}

Integer TRegistry::ReadInteger(const String& name) {
    auto value = GetData(FKeyPath, name);
    if (!value) throw ERegistryException("Failed to get data for '" + name + "'");
    if (value->Kind != TValueKind::Number) throw ERegistryException("Invalid data type for '" + name + "'");
    return value->Number;
}

bool TRegistry::ReadBool(const String& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteString(const String& name, const String& value) {
    if (FReadOnly) throw ERegistryException("Failed to set data for '" + name + "'");
    SetData(FKeyPath, false, TextValue(name, value));
}

void TRegistry::WriteInteger(const String& name, Integer value) {
    if (FReadOnly) throw ERegistryException("Failed to set data for '" + name + "'");
    SetData(FKeyPath, false, NumberValue(name, value));
}

void TRegistry::WriteBool(const String& name, bool value) { WriteInteger(name, value ? 1 : 0); }

// ---- TRegIniFile ------------------------------------------------------------------------------

namespace {

// The key of a section below the open key; nothing when no key is open or the name is invalid.
std::optional<TKeyPath> SectionPath(const TKeyPath& openKey, const String& section) {
    if (openKey.empty()) return std::nullopt;
    bool absolute;
    auto names = SplitKeyPath(section, absolute);
    if (!names) return std::nullopt;
    TKeyPath path = openKey;
    path.insert(path.end(), names->begin(), names->end());
    return path;
}

} // namespace

TRegIniFile::TRegIniFile(const String& fileName) : FFileName(fileName) { OpenKey(fileName, true); }

String TRegIniFile::ReadString(const String& section, const String& ident, const String& deflt) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path) return deflt;
    auto value = GetData(*path, ident);
    return value ? ValueText(*value) : deflt;
}

Integer TRegIniFile::ReadInteger(const String& section, const String& ident, Integer deflt) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path) return deflt;
    auto value = GetData(*path, ident);
    if (!value) return deflt;
    return value->Kind == TValueKind::Number ? value->Number : StrToIntDef(value->Text, deflt);
}

bool TRegIniFile::ReadBool(const String& section, const String& ident, bool deflt) {
    return ReadInteger(section, ident, deflt ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const String& section, const String& ident, const String& value) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path || GetReadOnly()) throw ERegistryException("Failed to set data for '" + ident + "'");
    SetData(*path, true, TextValue(ident, value));
}

void TRegIniFile::WriteInteger(const String& section, const String& ident, Integer value) {
    WriteString(section, ident, IntToStr(value));
}

void TRegIniFile::WriteBool(const String& section, const String& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::vector<String> TRegIniFile::ReadSections() { return GetKeyNames(); }

std::vector<String> TRegIniFile::ReadSection(const String& section) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path) return {};
    TStoreAccess access;
    std::vector<String> names;
    if (TStoredKey* key = access.Store.Find(*path))
        for (const TStoredValue& value : key->Values)
            names.push_back(value.Name);
    return names;
}

std::vector<String> TRegIniFile::ReadSectionValues(const String& section) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path) return {};
    TStoreAccess access;
    std::vector<String> lines;
    if (TStoredKey* key = access.Store.Find(*path))
        for (const TStoredValue& value : key->Values)
            lines.push_back(value.Name + "=" + ValueText(value));
    return lines;
}

void TRegIniFile::EraseSection(const String& section) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path || path->size() < 2) return;
    TStoreAccess access;
    if (!access.Store.Exists(*path)) return;
    access.Store.Remove(*path);
    if (!access.Save()) throw ERegistryException("Failed to delete key '" + section + "'");
}

void TRegIniFile::DeleteKey(const String& section, const String& ident) {
    auto path = SectionPath(OpenKeyPath(), section);
    if (!path) return;
    TStoreAccess access;
    TStoredKey* key = access.Store.Find(*path);
    TStoredValue* value = key != nullptr ? key->FindValue(ident) : nullptr;
    if (value == nullptr) return;
    key->Values.erase(key->Values.begin() + (value - key->Values.data()));
    if (!access.Save()) throw ERegistryException("Failed to delete value '" + ident + "'");
}
