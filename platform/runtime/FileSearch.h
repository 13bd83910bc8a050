// Searching a directory for file names that match a mask, and the program module's file name.
#pragma once

#include <memory>

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"

// File attributes of a search.
constexpr Integer faReadOnly = 0x01;
constexpr Integer faHidden = 0x02;
constexpr Integer faSysFile = 0x04;
constexpr Integer faVolumeID = 0x08;
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;
constexpr Integer faAnyFile = 0x3F;

struct TSearchState;

struct TSearchRec {
    Integer Time = 0; // seconds since 1970, truncated to 32 bits
    Int64 Size = 0;
    Integer Attr = 0;
    String Name; // the name without its directory
    Integer ExcludeAttr = 0;
    std::shared_ptr<TSearchState> FindHandle;
};

// Starts a search for the names in the directory part of `path` that match its name part ('*'
// any run of characters, '?' one character, letters matched without regard to ASCII case).
// Files always match; directories (also "." and "..") only when `attr` holds faDirectory, and
// names beginning with '.' only when it holds faHidden. Returns 0 with the first match in
// `rec`, or ERROR_FILE_NOT_FOUND (2) when nothing matches (also for a missing directory).
Integer FindFirst(const String& path, Integer attr, TSearchRec& rec);
// The next match: 0, or ERROR_NO_MORE_FILES (18) at the end.
Integer FindNext(TSearchRec& rec);
// Ends the search.
void FindClose(TSearchRec& rec);

// The full name of the program file for nullptr (the program's own module) in `fileName`, at
// most size - 1 bytes and a terminating zero; the number of bytes copied without the zero. A
// name that does not fit is cut at size - 1 bytes. 0 for another module or a zero size.
DWORD GetModuleFileNameA(HMODULE module, char* fileName, DWORD size);
