// Listing the serial ports that can be opened, and waiting for a port's output to leave.
#include "app/AllClass.h"

#include <algorithm>

#include "platform/runtime/Clock.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SysInfo.h"
#include "platform/winapi/Comm.h"
#include "serial/QePort.h"

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

void WaitPortOutputDrained(TQelComPort& port) {
    // Each look waits as long as the bytes still to go take on the line (at least 1 ms, at most
    // 50 ms); the wait gives up after as long as 101 waits of 50 ms take.
    // A byte on the line at 9600 baud with 8 data bits, no parity and 2 stop bits (11 bits).
    constexpr Integer LineByteMicros = 11 * 1000000 / 9600;
    constexpr DWORD LongestPauseMs = 50;
    constexpr DWORD GiveUpMs = 101 * LongestPauseMs;
    for (DWORD waited = 0; waited < GiveUpMs;) {
        const Integer left = port.PendingOutputCount() & 0xFFFF;
        if (left == 0) return;
        const DWORD pause = std::min<DWORD>(LongestPauseMs, DWORD(left * LineByteMicros / 1000) + 1);
        Sleep(pause);
        waited += pause;
    }
}
