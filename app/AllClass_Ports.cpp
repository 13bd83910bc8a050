// Listing the serial ports that can be opened.
#include "app/AllClass.h"

#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SysInfo.h"
#include "platform/winapi/Comm.h"

void ListComPorts(TStrings* list) {
    if (!list) return;
    // Nine ports on the Windows 9x family, 256 on the NT family, none elsewhere.
    Integer last = 0;
    if (DWORD(Win32Platform) == VER_PLATFORM_WIN32_WINDOWS)
        last = 9;
    else if (DWORD(Win32Platform) == VER_PLATFORM_WIN32_NT)
        last = 256;
    for (Integer n = 1; n <= last; ++n) {
        const String number = IntToStr(n);
        const String device = n < 10 ? "COM" + number : "\\\\.\\COM" + number;
        HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        if (handle != INVALID_HANDLE_VALUE) list->Add("COM" + number);
        CloseHandle(handle);
    }
}
