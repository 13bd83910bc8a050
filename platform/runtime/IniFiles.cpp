#include "platform/runtime/IniFiles.h"

#include "platform/runtime/Profile.h"
#include "platform/runtime/Strings.h"

Integer TCustomIniFile::ReadInteger(const String& section, const String& ident, Integer deflt) {
    String text = ReadString(section, ident, "");
    Integer value = 0;
    return TryStrToInt(text, value) ? value : deflt;
}

void TCustomIniFile::WriteInteger(const String& section, const String& ident, Integer value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const String& section, const String& ident, bool deflt) {
    return ReadInteger(section, ident, deflt ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& section, const String& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

bool TCustomIniFile::ValueExists(const String& section, const String& ident) {
    // Two different defaults cannot both come back for an entry that exists.
    return ReadString(section, ident, "\x01") != "\x01" || ReadString(section, ident, "\x02") != "\x02";
}

String TIniFile::ReadString(const String& section, const String& ident, const String& deflt) {
    return ReadProfileString(section, ident, deflt, GetFileName());
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value) {
    WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), GetFileName().c_str());
}

void TIniFile::EraseSection(const String& section) {
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, GetFileName().c_str());
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
    WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, GetFileName().c_str());
}

TRegistryIniFile::TRegistryIniFile(const String& fileName)
    : TCustomIniFile(fileName), FRegIniFile(std::make_unique<TRegIniFile>(fileName)) {}

TRegistryIniFile::~TRegistryIniFile() = default;

String TRegistryIniFile::ReadString(const String& section, const String& ident, const String& deflt) {
    return FRegIniFile->ReadString(section, ident, deflt);
}

void TRegistryIniFile::WriteString(const String& section, const String& ident, const String& value) {
    FRegIniFile->WriteString(section, ident, value);
}

Integer TRegistryIniFile::ReadInteger(const String& section, const String& ident, Integer deflt) {
    return FRegIniFile->ReadInteger(section, ident, deflt);
}

void TRegistryIniFile::WriteInteger(const String& section, const String& ident, Integer value) {
    FRegIniFile->WriteInteger(section, ident, value);
}

void TRegistryIniFile::EraseSection(const String& section) { FRegIniFile->EraseSection(section); }

void TRegistryIniFile::DeleteKey(const String& section, const String& ident) {
    FRegIniFile->DeleteKey(section, ident);
}
