// Settings objects with sections and named entries: TIniFile over a settings file (the profile
// functions) and TRegistryIniFile over a key of the settings registry. Callers that may be
// given either hold a TCustomIniFile.
#pragma once

#include <memory>

#include "platform/runtime/Objects.h"
#include "platform/runtime/Registry.h"
#include "platform/runtime/RtlTypes.h"

class TCustomIniFile : public TObject {
    KOV_CLASS(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(const String& fileName) : FFileName(fileName) {}

    const String& GetFileName() const { return FFileName; }

    // A missing section or entry gives the default.
    virtual String ReadString(const String& section, const String& ident, const String& deflt) = 0;
    virtual void WriteString(const String& section, const String& ident, const String& value) = 0;
    // The entry read as text; the default when it is missing or no integer.
    virtual Integer ReadInteger(const String& section, const String& ident, Integer deflt);
    virtual void WriteInteger(const String& section, const String& ident, Integer value);
    // "0" is False, any other integer True; the default otherwise.
    virtual bool ReadBool(const String& section, const String& ident, bool deflt);
    // Stored as "1" or "0".
    virtual void WriteBool(const String& section, const String& ident, bool value);
    virtual bool ValueExists(const String& section, const String& ident);
    virtual void EraseSection(const String& section) = 0;
    virtual void DeleteKey(const String& section, const String& ident) = 0;

private:
    String FFileName;
};

// A settings file read and written through GetPrivateProfileStringA/WritePrivateProfileStringA
// (values of at most 2047 bytes; a failed write raises EIniFileException "Unable to write to
// <file>").
class TIniFile : public TCustomIniFile {
    KOV_CLASS(TIniFile, TCustomIniFile)
public:
    explicit TIniFile(const String& fileName) : TCustomIniFile(fileName) {}

    String ReadString(const String& section, const String& ident, const String& deflt) override;
    void WriteString(const String& section, const String& ident, const String& value) override;
    void EraseSection(const String& section) override;
    void DeleteKey(const String& section, const String& ident) override;
};

// The sections of a registry key (below HKEY_CURRENT_USER, created when missing); reading
// never fails, writing raises ERegistryException as TRegIniFile does.
class TRegistryIniFile : public TCustomIniFile {
    KOV_CLASS(TRegistryIniFile, TCustomIniFile)
public:
    explicit TRegistryIniFile(const String& fileName);
    ~TRegistryIniFile() override;

    String ReadString(const String& section, const String& ident, const String& deflt) override;
    void WriteString(const String& section, const String& ident, const String& value) override;
    Integer ReadInteger(const String& section, const String& ident, Integer deflt) override;
    void WriteInteger(const String& section, const String& ident, Integer value) override;
    void EraseSection(const String& section) override;
    void DeleteKey(const String& section, const String& ident) override;

    TRegIniFile* GetRegIniFile() const { return FRegIniFile.get(); }

private:
    std::unique_ptr<TRegIniFile> FRegIniFile;
};
