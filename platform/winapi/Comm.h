// Serial ports as files: CreateFileA on "COMn" or "\\.\COMn", overlapped ReadFile and WriteFile,
// the comm functions (line settings, event mask and waits, time-outs, purging, modem lines) and
// GetOverlappedResult. A port name is resolved through the port directory ($KOV571_PORTS, else
// ~/.config/kov571/ports); the device behind it is a terminal driven through termios. Errors are
// reported through SetLastError with the numbers of WinError.h. CloseHandle (SyncObjs.h) closes
// a port: every pending operation ends with ERROR_OPERATION_ABORTED.
#pragma once

#include <cstdint>

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/WinTypes.h"
#include "platform/winapi/WinError.h"

using ULONG_PTR = std::uintptr_t;

// ---- Files ------------------------------------------------------------------------------------

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

// Internal holds the operation's error number (0 for success) once it has completed, and
// STATUS_PENDING until then; InternalHigh the number of bytes transferred. Both are written
// when the operation completes, and only then.
constexpr ULONG_PTR STATUS_PENDING = 0x00000103;

struct OVERLAPPED {
    ULONG_PTR Internal = 0;
    ULONG_PTR InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = nullptr;
};
using LPOVERLAPPED = OVERLAPPED*;

// Only serial ports can be opened: a name that is not "COMn" or "\\.\COMn" (n from 1), or a port
// without a device, gives ERROR_FILE_NOT_FOUND. A port is opened by one handle at a time (a second
// open, in this process or another, gives ERROR_ACCESS_DENIED, as does a device the user may not
// open). The share mode, security attributes, attributes and template are ignored; creation must
// be OPEN_EXISTING. Returns INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

// On a handle opened with FILE_FLAG_OVERLAPPED an overlapped record is required: the call resets
// its event, and either completes at once (TRUE, the event set) or returns FALSE with
// ERROR_IO_PENDING; the event is set when the operation completes. The caller's buffer and record
// must stay valid until then; they are not touched after the operation completed or was aborted.
// Without FILE_FLAG_OVERLAPPED the calls wait for completion.
BOOL ReadFile(HANDLE file, void* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead,
              LPOVERLAPPED overlapped);
// The bytes are copied when the call is made.
BOOL WriteFile(HANDLE file, const void* buffer, DWORD numberOfBytesToWrite, DWORD* numberOfBytesWritten,
               LPOVERLAPPED overlapped);
// FALSE with ERROR_IO_INCOMPLETE while the operation is pending and `wait` is FALSE; otherwise
// waits (on the record's event, or on the file when it has none) and reports the bytes
// transferred, with FALSE and the operation's error when it failed.
BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, DWORD* numberOfBytesTransferred, BOOL wait);

// ---- Serial ports -------------------------------------------------------------------------------

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;

constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_TOGGLE = 3;

// The device control block. SetCommState stores it as given and GetCommState returns it
// unchanged; the fields the terminal has no counterpart for (DSR flow and sensitivity, the
// XON/XOFF limits, the error and end-of-file characters, abort on error, RTS toggling)
// are kept but have no effect on the line.
struct DCB {
    DWORD DCBlength = sizeof(DCB);
    DWORD BaudRate = 0;
    DWORD fBinary : 1 = 1;
    DWORD fParity : 1 = 0;      // check the parity of received bytes
    DWORD fOutxCtsFlow : 1 = 0; // output waits for CTS
    DWORD fOutxDsrFlow : 1 = 0;
    DWORD fDtrControl : 2 = DTR_CONTROL_ENABLE;
    DWORD fDsrSensitivity : 1 = 0;
    DWORD fTXContinueOnXoff : 1 = 0;
    DWORD fOutX : 1 = 0; // output obeys XON/XOFF
    DWORD fInX : 1 = 0;  // input sends XON/XOFF
    DWORD fErrorChar : 1 = 0;
    DWORD fNull : 1 = 0; // received zero bytes are dropped
    DWORD fRtsControl : 2 = RTS_CONTROL_ENABLE;
    DWORD fAbortOnError : 1 = 0;
    DWORD fDummy2 : 17 = 0;
    WORD wReserved = 0;
    WORD XonLim = 0;
    WORD XoffLim = 0;
    BYTE ByteSize = 8;
    BYTE Parity = NOPARITY;
    BYTE StopBits = ONESTOPBIT;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    WORD wReserved1 = 0;
};
using LPDCB = DCB*;

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;
constexpr DWORD MAXDWORD = 0xFFFFFFFF;

struct COMSTAT {
    DWORD fCtsHold : 1 = 0;
    DWORD fDsrHold : 1 = 0;
    DWORD fRlsdHold : 1 = 0;
    DWORD fXoffHold : 1 = 0;
    DWORD fXoffSent : 1 = 0;
    DWORD fEof : 1 = 0;
    DWORD fTxim : 1 = 0;
    DWORD fReserved : 25 = 0;
    DWORD cbInQue = 0;  // received bytes not read yet
    DWORD cbOutQue = 0; // bytes of pending writes not sent yet
};
using LPCOMSTAT = COMSTAT*;

// Events of SetCommMask and WaitCommEvent.
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_PERR = 0x0200;
constexpr DWORD EV_RX80FULL = 0x0400;
constexpr DWORD EV_EVENT1 = 0x0800;
constexpr DWORD EV_EVENT2 = 0x1000;

// Errors of ClearCommError.
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_IOE = 0x0400;

constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

constexpr DWORD SETRTS = 3;
constexpr DWORD CLRRTS = 4;
constexpr DWORD SETDTR = 5;
constexpr DWORD CLRDTR = 6;
constexpr DWORD SETBREAK = 8;
constexpr DWORD CLRBREAK = 9;

constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// The size of the receive queue (bytes taken from the device and not read yet); the transmit
// size is not used, since a write keeps its own copy of its bytes.
BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue);
BOOL GetCommState(HANDLE file, LPDCB dcb);
// ERROR_INVALID_PARAMETER for a zero baud rate, a byte size outside 5..8, an unknown parity or
// stop-bit setting, 1.5 stop bits with more than 5 data bits or 2 with 5. Any other rate is set
// as it is (a rate that has no standard code is set as a free rate).
BOOL SetCommState(HANDLE file, LPDCB dcb);
BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
// Applies to the reads and writes started afterwards.
BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
BOOL GetCommMask(HANDLE file, DWORD* eventMask);
// Ends a pending WaitCommEvent with the mask 0 and forgets the events not reported yet.
BOOL SetCommMask(HANDLE file, DWORD eventMask);
// Reports the events of the mask that happened since the last report, at once when there are
// any; one wait at a time (a second gives ERROR_INVALID_PARAMETER, as does an empty mask).
BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, LPOVERLAPPED overlapped);
// The CE_* errors since the last call (then cleared) and the queue counts; either pointer may
// be null. Once the device has gone away (its other side closed, the adapter pulled out), CE_IOE
// is reported every time; its going away raises EV_ERR, and writes fail with ERROR_GEN_FAILURE.
BOOL ClearCommError(HANDLE file, DWORD* errors, LPCOMSTAT stat);
BOOL PurgeComm(HANDLE file, DWORD flags);
// SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK; a line under handshake control cannot be
// set (ERROR_INVALID_PARAMETER). A device without modem lines (a pseudo-terminal) keeps them as
// shadow state.
BOOL EscapeCommFunction(HANDLE file, DWORD function);
// MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON; 0 on a device without modem lines.
BOOL GetCommModemStatus(HANDLE file, DWORD* modemStat);

// The device a port name stands for in the port directory, or "" when the name is not a port
// name or the port has no device.
String CommPortDevicePath(const String& portName);
