// Libraries loaded at run time and functions bound by name.
//
// There are no shared libraries to load: a layer that provides functions the program binds by
// name registers them under a library name, and LoadLibraryA/GetProcAddress find them in that
// table. A library nobody registered fails to load, which is what the callers expect of a
// library that is not installed (they fall back to their own code).
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/SysInfo.h"
#include "platform/runtime/WinTypes.h"

// Cast to the function's own type before calling (a pointer to void() converts to any function
// pointer type without a cast warning).
using FARPROC = void (*)();

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

struct TLibraryExport {
    String Name;   // matched case-sensitively
    void* Address; // the function, e.g. (void*)&HtmlHelpA
};

// Enters a library in the table, or replaces the functions of one entered before (a library
// already loaded keeps its handle and its count). The name is matched without regard to ASCII
// case, and a trailing ".dll" may be given or left out on either side: "UxTheme" and
// "uxtheme.DLL" are one library; other extensions ("HHCtrl.OCX") belong to the name.
void RegisterLibrary(const String& name, std::initializer_list<TLibraryExport> exports);
void RegisterLibrary(const String& name, const std::vector<TLibraryExport>& exports);

// Counts one more reference to the library and returns its handle (the same handle for every
// load); nullptr with last error ERROR_MOD_NOT_FOUND for a library not in the table. The name
// is compared whole: one given with a directory ("C:\dir\user32.dll") is not "user32".
HMODULE LoadLibraryA(LPCSTR fileName);
// The address of a function the library registered; nullptr with ERROR_PROC_NOT_FOUND for an
// unknown name (and for an ordinal, a "name" below 0x10000, which no library here exports), or
// with ERROR_MOD_NOT_FOUND when the handle is not that of a loaded library.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// Drops one reference; once the count reaches 0 the handle is no longer valid until the next
// load. FALSE with ERROR_MOD_NOT_FOUND for a handle that is not that of a loaded library.
BOOL FreeLibrary(HMODULE module);
// The handle of a loaded library without counting a reference (nullptr with
// ERROR_MOD_NOT_FOUND when it is not loaded). nullptr asks for the program itself, whose
// handle is always valid, exports nothing and is not counted.
HMODULE GetModuleHandleA(LPCSTR moduleName);
