// Settings files of "[section]" lines and "key=value" lines.
//
// A file is read as UTF-8 when it is valid UTF-8 and as GBK otherwise; a write stores the whole
// file as UTF-8. Section names and keys match without regard to case, blanks around names and
// values do not count, a value wrapped in a pair of matching quotes loses them, and lines
// starting with ';' are comments. Of several sections (or keys in a section) of the same name
// the first one counts.
#pragma once

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"

// Copies the value of key in section (or, when the file, the section or the key is missing,
// the default; nullptr counts as "") into buffer, at most size - 1 bytes and never a partial
// UTF-8 sequence, and ends it with a zero. Returns the number of bytes copied without the zero.
// A nullptr section or key gives the default.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* deflt, char* buffer,
                               DWORD size, const char* fileName);

// Sets key in section to value, adding the key after the section's last key or a new section at
// the end of the file, and creating the file (not its directory) when it is missing. A nullptr
// value removes the key, a nullptr key removes the section. Everything else in the file stays
// as it was; its line ends stay CR LF or LF (CR LF for a new file).
// The file is replaced through a temporary file in its directory, so a failed write leaves it
// untouched. A write that fails - the file is read-only or unreadable, the directory is missing
// or not writable, or a name or value would break the file's lines - raises EIniFileException
// "Unable to write to <fileName>". Returns FALSE only for a nullptr section or file name.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

// The value of key in section, read as GetPrivateProfileStringA does with a 2048-byte buffer
// (so at most 2047 bytes), or the default.
String ReadProfileString(const String& section, const String& key, const String& deflt,
                         const String& fileName);
