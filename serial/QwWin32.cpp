#include "serial/QwWin32.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/Clock.h"
#include "platform/winapi/WinError.h"
#include "serial/QeExcept.h"

namespace {

using TLock = TSectionLock;

constexpr DWORD StartAckMs = 3000;
constexpr DWORD FlushAckMs = 5000;

// Waits for a thread to end and frees it.
template <class T> void EndThread(std::unique_ptr<T>& thread) {
    if (!thread) return;
    thread->WaitFor();
    thread.reset();
}

} // namespace

TQelWin32Dispatcher::~TQelWin32Dispatcher() {
    ShutDown();
    CloseDeviceEvents();
}

bool TQelWin32Dispatcher::CreateDeviceEvents() {
    FReadOverlapped = OVERLAPPED();
    FReadOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE);
    FSecondEvent = CreateEventA(nullptr, TRUE, FALSE);
    if (FReadOverlapped.hEvent != nullptr && FSecondEvent != nullptr) return true;
    CloseDeviceEvents();
    return false;
}

void TQelWin32Dispatcher::CloseDeviceEvents() {
    if (FReadOverlapped.hEvent != nullptr) CloseHandle(FReadOverlapped.hEvent);
    if (FSecondEvent != nullptr) CloseHandle(FSecondEvent);
    FReadOverlapped.hEvent = nullptr;
    FSecondEvent = nullptr;
}

Integer TQelWin32Dispatcher::EscapeLine(Integer function) {
    return EscapeCommFunction(FComHandle, DWORD(function)) ? ecOK : -Integer(GetLastError());
}

Integer TQelWin32Dispatcher::FlushQueue(Integer queue) {
    if (queue != 0)
        return PurgeComm(FComHandle, PURGE_RXABORT | PURGE_RXCLEAR) ? ecOK : -Integer(GetLastError());
    if (FOutThread && FThreadsRunning) {
        SetEvent(FOutputFlush);
        // The output thread acknowledges, unless it has ended meanwhile.
        const HANDLE waits[2] = {FAck, FOutThread->GetHandle()};
        WaitForMultipleObjects(2, waits, FALSE, FlushAckMs);
    }
    TLock out(FOutputLock);
    FOutHead = FOutTail = 0;
    FOutFull = false;
    FOutInFlight = 0;
    ++FOutGeneration;
    PurgeComm(FComHandle, PURGE_TXABORT | PURGE_TXCLEAR);
    return ecOK;
}

Integer TQelWin32Dispatcher::GetLineErrors(COMSTAT& status) {
    // Under the output lock the output thread hands nothing over meanwhile: a byte is either in
    // the ring (not yet handed over) or in the device's queue, never in both or neither.
    TLock out(FOutputLock);
    DWORD errors = 0;
    if (!ClearCommError(FComHandle, &errors, &status)) {
        status = COMSTAT();
        errors = 0;
    }
    status.cbOutQue += DWORD(OutputCountLocked() - FOutInFlight);
    return Integer(errors);
}

Integer TQelWin32Dispatcher::ReadErrorHook(Integer) { return ecOK; }

Integer TQelWin32Dispatcher::GetDeviceState(DCB& state) {
    return GetCommState(FComHandle, &state) ? ecOK : -1;
}

Integer TQelWin32Dispatcher::ReadDevice(char* buffer, Integer count) {
    DWORD got = 0;
    if (ReadFile(FComHandle, buffer, DWORD(count), &got, &FReadOverlapped)) return Integer(got);
    if (GetLastError() != ERROR_IO_PENDING) return -1;
    const BOOL ok = GetOverlappedResult(FComHandle, &FReadOverlapped, &got, TRUE);
    ResetEvent(FReadOverlapped.hEvent);
    return ok ? Integer(got) : -1;
}

Integer TQelWin32Dispatcher::SetDeviceState(DCB& state) {
    return SetCommState(FComHandle, &state) ? ecOK : -Integer(GetLastError());
}

Integer TQelWin32Dispatcher::QueueOutput(const char* block, Integer count) {
    {
        TLock out(FOutputLock);
        if (FOutSize <= 0 || count <= 0) return 0;
        count = std::min(count, FOutSize - OutputCountLocked());
        const Integer first = std::min(count, FOutSize - FOutHead);
        std::memcpy(&FOutBuffer[std::size_t(FOutHead)], block, std::size_t(first));
        std::memcpy(&FOutBuffer[0], block + first, std::size_t(count - first));
        FOutHead = (FOutHead + count) % FOutSize;
        if (count > 0 && FOutHead == FOutTail) FOutFull = true;
    }
    SetEvent(FOutputReady);
    return count;
}

bool TQelWin32Dispatcher::WaitDeviceEvent(DWORD& mask, OVERLAPPED& overlapped) {
    return WaitCommEvent(FComHandle, &mask, &overlapped) != FALSE;
}

bool TQelWin32Dispatcher::SetupQueues(Integer inSize, Integer outSize) {
    return SetupComm(FComHandle, DWORD(inSize), DWORD(outSize)) != FALSE;
}

void TQelWin32Dispatcher::StartThreads() {
    {
        TLock general(FGeneralLock);
        if (FThreadsRunning) throw EQELException("Dispatcher already started");
        FThreadsRunning = true;
        FStopRequested = false;
    }
    // A thread that does not acknowledge in time does not stop the start.
    FComThread = std::make_unique<TComThread>(this);
    FComThread->Start();
    WaitForSingleObject(FAck, StartAckMs);
    FDispThread = std::make_unique<TDispThread>(this);
    FDispThread->Start();
    WaitForSingleObject(FAck, StartAckMs);
    FOutThread = std::make_unique<TOutThread>(this);
    FOutThread->Start();
    WaitForSingleObject(FAck, StartAckMs);
}

void TQelWin32Dispatcher::StopThreads() {
    if (!FComThread && !FDispThread && !FOutThread) return;
    FStopRequested = true;
    if (FOutThread) {
        SetEvent(FOutputFlush);
        EndThread(FOutThread);
    }
    if (FComThread) {
        // A mask of 0 ends the wait for a device event (and refuses the next one).
        SetCommMask(FComHandle, 0);
        SetEvent(FDispatchDone);
        EndThread(FComThread);
    }
    if (FDispThread) {
        SetEvent(FComEvent);
        EndThread(FDispThread);
    }
    FThreadsRunning = false;
}

HANDLE TQelWin32Dispatcher::OpenDeviceHandle(const String& name, Integer, Integer) {
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    if (!CreateDeviceEvents()) {
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    FComHandle = handle;
    return handle;
}

Integer TQelWin32Dispatcher::CloseDeviceHandle() {
    if (FThreadsRunning) {
        FStopRequested = true;
        SetCommMask(FComHandle, 0);
        SetEvent(FDispatchDone);
        ResetEvent(FAck);
    }
    Integer result = ecOK;
    if (FComHandle != INVALID_HANDLE_VALUE && !CloseHandle(FComHandle)) result = -1;
    FComHandle = INVALID_HANDLE_VALUE;
    CloseDeviceEvents();
    return result;
}

Integer TQelWin32Dispatcher::YieldTime() {
    Sleep(0);
    return ecOK;
}

// ---- Telephony variant ------------------------------------------------------------------------

TQelTAPI32Dispatcher::TQelTAPI32Dispatcher(TComponent* owner, HANDLE handle)
    : TQelWin32Dispatcher(owner), FTapiHandle(handle) {}

HANDLE TQelTAPI32Dispatcher::OpenDeviceHandle(const String&, Integer, Integer) {
    if (FTapiHandle == nullptr || FTapiHandle == INVALID_HANDLE_VALUE) {
        SetLastError(DWORD(-ecNotOpenedByTapi));
        return INVALID_HANDLE_VALUE;
    }
    if (!CreateDeviceEvents()) {
        CloseHandle(FTapiHandle);
        FTapiHandle = INVALID_HANDLE_VALUE;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    FComHandle = FTapiHandle;
    return FComHandle;
}
