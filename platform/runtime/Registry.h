// The settings registry: a tree of keys holding named string and integer values, under the
// roots HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
//
// Everything is kept in one file of our own, $XDG_CONFIG_HOME/kov571/registry.ini (or
// ~/.config/kov571/registry.ini), read on every access and replaced whole on every change, so
// separate TRegistry objects always see each other's values. The file has a "[ROOT\path]" line
// per key followed by its values, "name"=str:"text" or "name"=int:123, names and texts quoted
// with backslash escapes; it is created, with its directory, by the first change.
//
// Key and value names match without regard to case and keep the case they were created with.
// A key path is split at backslashes; one that starts with a backslash is taken from the root,
// any other from the open key (from the root when none is open).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

struct HKEY__;
using HKEY = HKEY__*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

KOV_DECLARE_EXCEPTION(ERegistryException, Exception);

// The file that holds the registry, as the environment gives it now.
String RegistryFileName();

class TRegistry : public TObject {
    KOV_CLASS(TRegistry, TObject)
public:
    // Starts at HKEY_CURRENT_USER with no key open.
    TRegistry();
    ~TRegistry() override;

    HKEY GetRootKey() const { return FRootKey; }
    // Closes the open key when the root changes. Roots other than the two above have no keys:
    // nothing opens under them.
    void SetRootKey(HKEY value);
    // The open key's path below the root, without a leading backslash ("" for the root itself
    // or when no key is open).
    String GetCurrentPath() const { return FCurrentPath; }

    // Opens the key, creating it (and the keys above it) when canCreate is set, and closes the
    // key open before. False, with the key open before still open, when the key is missing and
    // may not be created, when the path is not a valid one (an empty name or a control character
    // between backslashes; one trailing backslash is allowed), or when the file cannot be
    // written.
    bool OpenKey(const String& key, bool canCreate);
    // Opens an existing key for reading only: writing its values, deleting them and creating
    // keys below it fail.
    bool OpenKeyReadOnly(const String& key);
    void CloseKey();

    // Whether the key exists; the open key stays open.
    bool KeyExists(const String& key);
    // Deletes the key with every key below it. False when it does not exist, is a root, or the
    // file cannot be written. The open key may be deleted: its values then read as missing and
    // writing to it fails.
    bool DeleteKey(const String& key);

    // Values of the open key.
    bool ValueExists(const String& name);
    bool DeleteValue(const String& name);
    // Names of the keys directly below the open key, ordered without regard to case, and of
    // its values in the order they were created. Empty when no key is open.
    std::vector<String> GetKeyNames();
    std::vector<String> GetValueNames();

    // A missing value reads as "". An integer value raises ERegistryException
    // "Invalid data type for '<name>'".
    String ReadString(const String& name);
    // A missing value raises ERegistryException "Failed to get data for '<name>'", a string
    // value "Invalid data type for '<name>'".
    Integer ReadInteger(const String& name);
    // ReadInteger(name) != 0.
    bool ReadBool(const String& name);
    // Writing with no key open, to a read-only or deleted key, or when the file cannot be
    // written raises ERegistryException "Failed to set data for '<name>'".
    void WriteString(const String& name, const String& value);
    void WriteInteger(const String& name, Integer value);
    // Stored as the integer 1 or 0.
    void WriteBool(const String& name, bool value);

protected:
    // The open key as the names from its root down (the root's own name first); empty when no
    // key is open.
    const std::vector<String>& OpenKeyPath() const { return FKeyPath; }
    bool GetReadOnly() const { return FReadOnly; }

private:
    bool Open(const String& key, bool canCreate, bool readOnly);

    HKEY FRootKey;
    std::vector<String> FKeyPath;
    String FCurrentPath;
    bool FReadOnly = false;
};

// Settings in the style of a settings file, kept in the registry: the file name is a key below
// HKEY_CURRENT_USER (created when missing), its sections are the keys below it and the
// entries are their values. Reading never fails: a missing section or entry gives the default.
class TRegIniFile : public TRegistry {
    KOV_CLASS(TRegIniFile, TRegistry)
public:
    explicit TRegIniFile(const String& fileName);

    const String& GetFileName() const { return FFileName; }

    // A string entry as it stands; an integer entry as its decimal text.
    String ReadString(const String& section, const String& ident, const String& deflt);
    // An integer entry, or a string entry read as an integer (the default when it is not one).
    Integer ReadInteger(const String& section, const String& ident, Integer deflt);
    bool ReadBool(const String& section, const String& ident, bool deflt);
    // Written as strings (integers as decimal text, booleans as "1" or "0"), creating the
    // section when it is missing; failures raise ERegistryException as TRegistry's writes do.
    void WriteString(const String& section, const String& ident, const String& value);
    void WriteInteger(const String& section, const String& ident, Integer value);
    void WriteBool(const String& section, const String& ident, bool value);

    // The section names, the entry names of one section, and its entries as "name=value".
    std::vector<String> ReadSections();
    std::vector<String> ReadSection(const String& section);
    std::vector<String> ReadSectionValues(const String& section);
    // Remove a section with everything in it, or one entry; nothing happens when it is missing.
    // A change that cannot be written raises ERegistryException "Failed to delete key '<section>'"
    // or "Failed to delete value '<ident>'".
    void EraseSection(const String& section);
    void DeleteKey(const String& section, const String& ident);

private:
    String FFileName;
};
