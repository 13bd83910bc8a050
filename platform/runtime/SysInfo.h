// The operating system we report, and the last-error value of the runtime's own system calls.
//
// The program answers every version question as Windows NT 5.1 (build 2600, Service Pack 3): the
// code that asks takes its NT and "XP or later" paths.
#pragma once

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize; // the caller sets sizeof(OSVERSIONINFOA)
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};

// Fills the record and returns TRUE. A null record or a dwOSVersionInfoSize other than
// sizeof(OSVERSIONINFOA) gives FALSE with the runtime's last error set (87 and 122).
BOOL GetVersionExA(OSVERSIONINFOA* versionInfo);

// The same answers, for code that reads them as variables.
inline constexpr int Win32Platform = VER_PLATFORM_WIN32_NT;
inline constexpr int Win32MajorVersion = 5;
inline constexpr int Win32MinorVersion = 1;
inline constexpr int Win32BuildNumber = 2600;

// The user's locale for texts, as the C library reads it for messages: LC_ALL, else
// LC_MESSAGES, else LANG; "C" when none is set. The platform's own texts (message box buttons,
// the common dialogs) follow it, never the program's own language setting.
String UserMessagesLocale();
// Replaces the environment's answer (tests set it); an empty name gives the environment back.
void SetUserMessagesLocale(const String& name);
// The platform's own texts are Chinese: the messages locale is a "zh" one.
bool PlatformTextsChinese();

// The calling thread's last error as the runtime's system calls (GetVersionExA, LoadLibraryA,
// GetProcAddress, ...) leave it. A new thread starts with 0. The window system's
// GetLastError/SetLastError read and write this same value.
DWORD GetRuntimeLastError();
void SetRuntimeLastError(DWORD errorCode);
