#include "serial/QwUser.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/WinError.h"
#include "serial/OoMisc.h"

namespace {

using TLock = TSectionLock;

TCriticalSection& RegistryLockObject() {
    static TCriticalSection* lock = new TCriticalSection;
    return *lock;
}

std::vector<TQelBaseDispatcher*>& Registry() {
    static auto* registry = new std::vector<TQelBaseDispatcher*>;
    return *registry;
}

constexpr DWORD LineEventMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
constexpr DWORD ModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD ErrorEvents = EV_BREAK | EV_ERR;
// How long a window handler may take over a notice before the dispatch goes on.
constexpr UINT HandlerTimeoutMs = 3000;
// The dispatch thread looks at the device at least this often.
constexpr DWORD DispatchPollMs = 50;
// The trigger handle of a line-error status notice (its low 3 bits are the status type).
constexpr WPARAM LineErrorStatus = 2;

void CloseEvent(HANDLE& event) {
    if (event != nullptr) CloseHandle(event);
    event = nullptr;
}

} // namespace

// ---- Threads ------------------------------------------------------------------------------------

TQelDispatcherThread::TQelDispatcherThread(TQelBaseDispatcher* dispatcher)
    : TThread(true), FDispatcher(dispatcher) {}

void TQelDispatcherThread::Execute() {
    FDispatcher->ThreadStarted();
    try {
        Body();
    } catch (...) {
        // Shown as the class library shows any exception, on the user-interface thread; the
        // thread does not wait for that, so a closing port never waits on a message box.
        std::exception_ptr error = std::current_exception();
        TThread::Queue(nullptr, [error] {
            if (Application) Application->HandleException(nullptr, error);
        });
    }
    FDispatcher->ThreadEnded();
}

TComThread::TComThread(TQelBaseDispatcher* dispatcher) : TQelDispatcherThread(dispatcher) {}
void TComThread::Body() { FDispatcher->ComThreadBody(this); }

TDispThread::TDispThread(TQelBaseDispatcher* dispatcher) : TQelDispatcherThread(dispatcher) {}
void TDispThread::Body() { FDispatcher->DispThreadBody(this); }

TOutThread::TOutThread(TQelBaseDispatcher* dispatcher) : TQelDispatcherThread(dispatcher) {}
void TOutThread::Body() { FDispatcher->OutThreadBody(this); }

// ---- Creation and the registry ------------------------------------------------------------------

TCriticalSection& TQelBaseDispatcher::RegistryLock() { return RegistryLockObject(); }

TQelBaseDispatcher* TQelBaseDispatcher::FindDispatcher(Integer id) {
    TLock lock(RegistryLockObject());
    auto& registry = Registry();
    if (id < 0 || id >= Integer(registry.size())) return nullptr;
    return registry[std::size_t(id)];
}

TQelBaseDispatcher::TQelBaseDispatcher(TComponent* owner) : FOwner(owner) {
    TLock lock(RegistryLockObject());
    auto& registry = Registry();
    auto slot = std::find(registry.begin(), registry.end(), nullptr);
    if (slot == registry.end()) slot = registry.insert(registry.end(), nullptr);
    *slot = this;
    FDispatcherId = Integer(slot - registry.begin());
}

TQelBaseDispatcher::~TQelBaseDispatcher() {
    TLock lock(RegistryLockObject());
    auto& registry = Registry();
    if (FDispatcherId >= 0 && FDispatcherId < Integer(registry.size()) &&
        registry[std::size_t(FDispatcherId)] == this)
        registry[std::size_t(FDispatcherId)] = nullptr;
    while (!registry.empty() && registry.back() == nullptr)
        registry.pop_back();
}

// ---- Port session -------------------------------------------------------------------------------

Integer TQelBaseDispatcher::OpenPort(const String& deviceName, Integer baud, Word flags, Word outSize,
                                     Word inSize, Word stopBits, Word dataBits, Word parity) {
    if (FOpen) return -2008;
    FDispatching = false;
    FHandlerDeletePending = false;
    FRingLatch = false;
    FCloseRequested = false;
    FStopRequested = false;

    FComEvent = CreateEventA(nullptr, FALSE, FALSE);
    FDispatchDone = CreateEventA(nullptr, FALSE, FALSE);
    FAck = CreateEventA(nullptr, FALSE, FALSE);
    FOutputReady = CreateEventA(nullptr, FALSE, FALSE);
    FOutputFlush = CreateEventA(nullptr, FALSE, FALSE);
    FWriteDone = CreateEventA(nullptr, TRUE, FALSE);
    if (!FComEvent || !FDispatchDone || !FAck || !FOutputReady || !FOutputFlush || !FWriteDone) {
        CloseEvents();
        return ecOutOfMemory;
    }

    FComHandle = OpenDeviceHandle(deviceName, inSize, outSize);
    if (FComHandle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        CloseEvents();
        return error == ERROR_NOT_ENOUGH_MEMORY ? ecOutOfMemory
                                                : -Integer(error == 0 ? ERROR_GEN_FAILURE : error);
    }
    FOpen = true;
    FInQueueSize = inSize;
    // A new session starts without trace or log; the log counts its time from here.
    AbortTracing();
    AbortLogging();
    FLogTimeBase = QelTimeMs();
    FOutQueueSize = outSize;

    auto fail = [this](Integer code) {
        FinishClose();
        return code;
    };
    if (!SetupQueues(inSize, outSize)) return fail(-Integer(GetLastError()));

    {
        TLock in(FInputLock);
        FInBuffer.assign(DispatchBufferSize, 0);
        FInHead = FInTail = 0;
        FInFull = false;
        FInAvailNotice = false;
        FReadAheadCount = FReadAheadMax = 0;
        FScanPos = 0;
        FArrivedSinceNotice = 0;
    }
    {
        TLock out(FOutputLock);
        FOutSize = outSize;
        FOutBuffer.assign(std::size_t(outSize), 0);
        FOutHead = FOutTail = 0;
        FOutFull = false;
        FOutInFlight = 0;
        FOutputSent = false;
        FWriteOverlapped = OVERLAPPED();
        FWriteOverlapped.hEvent = FWriteDone;
    }
    FLineErrors = 0;
    FDeviceLost = 0;
    FDeviceLossOwed = false;
    {
        TLock general(FGeneralLock);
        FRs485Mode = false;
        FBaseAddress = 0;
        GetDeviceState(FDCB);
        FDtrAuto = (flags & ipAutoDTR) != 0;
        FRtsAuto = (flags & ipAutoRTS) != 0;
    }
    if (!FDtrAuto) SetDtrState((flags & ipAssertDTR) != 0);
    if (!FRtsAuto) SetRtsState((flags & ipAssertRTS) != 0);

    FAvailThreshold = 0;
    FModemLines = 0;
    RefreshModemLines();
    FCurrentBaud = 115200;

    const Integer code = SetLineParams(baud, parity, stopBits, dataBits);
    if (code != 0) return fail(code);

    RefreshStatus();
    StartThreads();
    return ecOK;
}

Integer TQelBaseDispatcher::ClosePort(bool insideNotice) {
    if (!FOpen) return ecOK;
    if (insideNotice && FDispatching) {
        DiscardOutput();
        DiscardInput();
        FCloseRequested = true;
        return ecOK;
    }
    FinishClose();
    return ecOK;
}

void TQelBaseDispatcher::FinishClose() {
    if (!FOpen) return;
    DiscardOutput();
    DiscardInput();
    FCloseRequested = true;
    // The threads go first: none of them may use the device or an event once it is closed.
    StopThreads();
    CloseDeviceHandle();
    ReleaseBuffers();
    CloseEvents();
    AbortTracing();
    AbortLogging();
    FOpen = false;
}

void TQelBaseDispatcher::ShutDown() {
    if (FOpen)
        FinishClose();
    else if (FComThread || FDispThread || FOutThread)
        StopThreads();
}

void TQelBaseDispatcher::CloseEvents() {
    CloseEvent(FComEvent);
    CloseEvent(FDispatchDone);
    CloseEvent(FAck);
    CloseEvent(FOutputReady);
    CloseEvent(FOutputFlush);
    CloseEvent(FWriteDone);
}

void TQelBaseDispatcher::ReleaseBuffers() {
    if (FComThread || FDispThread || FOutThread) StopThreads();
    {
        TLock in(FInputLock);
        std::vector<char>().swap(FInBuffer);
        FInHead = FInTail = 0;
        FInFull = false;
    }
    {
        TLock out(FOutputLock);
        std::vector<char>().swap(FOutBuffer);
        FOutHead = FOutTail = 0;
        FOutFull = false;
        FOutInFlight = 0;
    }
}

// ---- Line settings ------------------------------------------------------------------------------

Integer TQelBaseDispatcher::SetLineParams(Integer baud, Word parity, Word stopBits, Word dataBits) {
    if (baud < 0) return ecBadArgument;
    DWORD newBaud;
    BYTE newParity;
    BYTE newSize;
    BYTE newStop;
    Integer oldBits;
    {
        TLock general(FGeneralLock);
        GetDeviceState(FDCB);
        FDCB.fBinary = 1;
        FDCB.fParity = 0;
        FDCB.fDsrSensitivity = 0;
        FDCB.fTXContinueOnXoff = 1;
        FDCB.fNull = 0;
        newBaud = baud == 0 ? FDCB.BaudRate : DWORD(baud);
        newParity = parity == 5 ? FDCB.Parity : BYTE(parity);
        newSize = dataBits == 9 ? FDCB.ByteSize : BYTE(dataBits);
        if (stopBits == 3) {
            newStop = FDCB.StopBits;
        } else {
            const Word stops = stopBits == 0 ? 1 : std::min<Word>(stopBits, 2);
            // Five data bits have one and a half stop bits where others have two.
            newStop = stops == 1 ? ONESTOPBIT : newSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
        }
        if (newBaud == FDCB.BaudRate && newParity == FDCB.Parity && newSize == FDCB.ByteSize &&
            newStop == FDCB.StopBits)
            return ecOK;
        oldBits =
            1 + FDCB.ByteSize + (FDCB.Parity != NOPARITY ? 1 : 0) + (FDCB.StopBits == ONESTOPBIT ? 1 : 2);
    }

    // Let what is queued go out at the old settings, then give the last characters time to
    // leave the line.
    for (int i = 0; i < 5000 && OutputCount() != 0; ++i)
        Sleep(2);
    Integer rate = FCurrentBaud == 0xFEFF ? 115200 : FCurrentBaud;
    if (rate <= 0) rate = 115200;
    Int64 tenthsOfMicros = Int64(10000000 / rate) * oldBits * 18;
    if (tenthsOfMicros < 10000) tenthsOfMicros *= 2;
    Sleep(DWORD((tenthsOfMicros + 9999) / 10000));

    TLock general(FGeneralLock);
    DCB wanted = FDCB;
    wanted.BaudRate = newBaud;
    wanted.Parity = newParity;
    wanted.ByteSize = newSize;
    wanted.StopBits = newStop;
    if (!FDtrAuto) wanted.fDtrControl = FDtrState ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    if (!FRtsAuto && !FRs485Mode) wanted.fRtsControl = FRtsState ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    const Integer code = SetDeviceState(wanted);
    if (code != 0) return code;
    FDCB = wanted;
    FCurrentBaud = Integer(newBaud);
    SetDtrState(FDtrState);
    if (!FRs485Mode) SetRtsState(FRtsState);
    return ecOK;
}

void TQelBaseDispatcher::GetLineParams(Integer& baud, Word& parity, Word& stopBits, Word& dataBits) {
    TLock general(FGeneralLock);
    GetDeviceState(FDCB);
    baud = Integer(FDCB.BaudRate);
    parity = FDCB.Parity;
    dataBits = FDCB.ByteSize;
    stopBits = FDCB.StopBits == ONESTOPBIT ? 1 : 2;
}

Integer TQelBaseDispatcher::SetDtrState(bool on) {
    TLock general(FGeneralLock);
    if (FDtrAuto) return 1;
    if (EscapeLine(on ? SETDTR : CLRDTR) != 0) return ecBadArgument;
    FDtrState = on;
    return ecOK;
}

Integer TQelBaseDispatcher::SetRtsState(bool on) {
    TLock general(FGeneralLock);
    if (FRtsAuto) return 1;
    if (EscapeLine(on ? SETRTS : CLRRTS) != 0) return ecBadArgument;
    FRtsState = on;
    return ecOK;
}

Integer TQelBaseDispatcher::SetHardwareFlow(Word full, Word resume, Word options) {
    if (full < resume || full > FInQueueSize) return ecBadArgument;
    TLock general(FGeneralLock);
    DCB wanted = FDCB;
    wanted.fOutxCtsFlow = 0;
    wanted.fOutxDsrFlow = 0;
    const bool dtrAuto = (options & hfUseDTR) != 0;
    const bool rtsAuto = (options & hfUseRTS) != 0;
    wanted.fDtrControl = dtrAuto     ? DTR_CONTROL_HANDSHAKE
                         : FDtrState ? DTR_CONTROL_ENABLE
                                     : DTR_CONTROL_DISABLE;
    wanted.fRtsControl = rtsAuto     ? RTS_CONTROL_HANDSHAKE
                         : FRtsState ? RTS_CONTROL_ENABLE
                                     : RTS_CONTROL_DISABLE;
    if (FRs485Mode) wanted.fRtsControl = RTS_CONTROL_TOGGLE;
    wanted.XoffLim = Word(FInQueueSize - full);
    wanted.XonLim = resume;
    wanted.fOutxDsrFlow = (options & hfRequireDSR) != 0;
    wanted.fOutxCtsFlow = (options & hfRequireCTS) != 0;
    const Integer code = SetDeviceState(wanted);
    if (code != 0) return code;
    FDCB = wanted;
    FDtrAuto = dtrAuto;
    FRtsAuto = rtsAuto;
    return ecOK;
}

Integer TQelBaseDispatcher::SetSoftwareFlow(Word full, Word resume, Word options) {
    if (full < resume || full > FInQueueSize) return ecBadArgument;
    TLock general(FGeneralLock);
    DCB wanted = FDCB;
    wanted.fInX = (options & sfReceiveFlow) != 0;
    wanted.fOutX = (options & sfTransmitFlow) != 0;
    wanted.XoffLim = Word(FInQueueSize - full);
    wanted.XonLim = resume;
    wanted.XonChar = 0x11;
    wanted.XoffChar = 0x13;
    const Integer code = SetDeviceState(wanted);
    if (code == 0) FDCB = wanted;
    return code;
}

Integer TQelBaseDispatcher::ClearSoftwareFlow() {
    TLock general(FGeneralLock);
    DCB wanted = FDCB;
    wanted.fInX = 0;
    wanted.fOutX = 0;
    const Integer code = SetDeviceState(wanted);
    if (code == 0) FDCB = wanted;
    return code;
}

Integer TQelBaseDispatcher::SetXonXoffChars(char on, char off) {
    TLock general(FGeneralLock);
    DCB wanted = FDCB;
    wanted.XonChar = on;
    wanted.XoffChar = off;
    const Integer code = SetDeviceState(wanted);
    if (code == 0) FDCB = wanted;
    return code;
}

void TQelBaseDispatcher::SetAvailThreshold(Integer count) {
    TLock general(FGeneralLock);
    FAvailThreshold = count;
    AddLogEntry(lkTriggerChanged, lsNewAvail, DWORD(count));
}

Integer TQelBaseDispatcher::SetRs485Mode(bool on) {
    TLock general(FGeneralLock);
    FRs485Mode = on;
    if (FOutThread) FOutThread->SetPriority(TThreadPriority(tpNormal + FThreadBoost + (on ? 1 : 0)));
    return ecOK;
}

Integer TQelBaseDispatcher::SetQueueSizes(Word inSize, Word outSize) {
    if (!FOpen) return ecOK;
    if (!SetupQueues(inSize, outSize)) return -Integer(GetLastError());
    FInQueueSize = inSize;
    FOutQueueSize = outSize;
    return ecOK;
}

void TQelBaseDispatcher::SetThreadBoost(Integer boost) {
    TLock general(FGeneralLock);
    if (boost == FThreadBoost) return;
    FThreadBoost = boost;
    const auto priority = TThreadPriority(std::clamp<Integer>(tpNormal + boost, tpIdle, tpTimeCritical));
    if (FComThread) FComThread->SetPriority(priority);
    if (FDispThread) FDispThread->SetPriority(priority);
    if (FOutThread)
        FOutThread->SetPriority(
            TThreadPriority(std::min<Integer>(priority + (FRs485Mode ? 1 : 0), tpTimeCritical)));
}

// ---- Input --------------------------------------------------------------------------------------

Integer TQelBaseDispatcher::InputCountLocked() const {
    if (FInBuffer.empty()) return 0;
    if (FInFull) return DispatchBufferSize;
    return (FInHead - FInTail + DispatchBufferSize) % DispatchBufferSize;
}

bool TQelBaseDispatcher::InputWaiting() {
    TLock in(FInputLock);
    const Integer count = InputCountLocked();
    return FInAvailNotice ? count > FReadAheadCount : count > 0;
}

Integer TQelBaseDispatcher::PeekInput(Integer n) {
    TLock in(FInputLock);
    const Integer skip = FInAvailNotice ? FReadAheadCount : 0;
    if (n < 1 || skip + n > InputCountLocked()) return ecBufferIsEmpty;
    return BYTE(FInBuffer[std::size_t((FInTail + skip + n - 1) % DispatchBufferSize)]);
}

Integer TQelBaseDispatcher::TakeInputByte(BYTE& value) {
    TLock in(FInputLock);
    const Integer count = InputCountLocked();
    if (FInAvailNotice) {
        // Read-ahead: the notice consumes what its handlers read once they have all returned.
        if (FReadAheadCount >= count) return ecBufferIsEmpty;
        value = BYTE(FInBuffer[std::size_t((FInTail + FReadAheadCount) % DispatchBufferSize)]);
        ++FReadAheadCount;
        AddTraceEntry('R', value);
        return ecOK;
    }
    if (count == 0) return ecBufferIsEmpty;
    value = BYTE(FInBuffer[std::size_t(FInTail)]);
    FInTail = (FInTail + 1) % DispatchBufferSize;
    FInFull = false;
    AddTraceEntry('R', value);
    return ecOK;
}

Integer TQelBaseDispatcher::InputCount() {
    TLock in(FInputLock);
    const Integer count = InputCountLocked();
    return FInAvailNotice ? count - FReadAheadCount : count;
}

Integer TQelBaseDispatcher::DiscardInput() {
    TLock in(FInputLock);
    const Integer code = FOpen ? FlushQueue(1) : ecOK;
    if (FInAvailNotice) {
        // The notice consumes everything, and the handler sees nothing more.
        FReadAheadMax = FReadAheadCount = InputCountLocked();
    } else {
        FInTail = FInHead;
        FInFull = false;
    }
    return code;
}

// ---- Output -------------------------------------------------------------------------------------

Integer TQelBaseDispatcher::OutputCountLocked() const {
    if (FOutSize <= 0 || FOutBuffer.empty()) return 0;
    if (FOutFull) return FOutSize;
    return (FOutHead - FOutTail + FOutSize) % FOutSize;
}

Integer TQelBaseDispatcher::SendBlock(const void* block, Integer length) {
    if (length == 0) return ecOK;
    if (length < 0 || block == nullptr) return ecBadArgument;
    {
        TLock out(FOutputLock);
        if (!FOpen) return ecPutBlockFail;
        RefreshStatus();
        // Bytes for a device that is gone would only be dropped: the caller hears of it.
        if (const Integer lost = FDeviceLost.load(); lost != 0) return lost;
        const Integer room = FOutSize - OutputCountLocked();
        if (room < length) return ecOutputBufferTooSmall;
        if (QueueOutput(static_cast<const char*>(block), length) == 0) {
            RefreshStatus();
            return ecPutBlockFail;
        }
        FOutputSent = true;
    }
    const bool tracing = GetTraceState() == rsOn;
    if (tracing || GetLogState() == rsOn) {
        TLock general(FGeneralLock);
        AddLogEntry(lkDispatch, lsWriteCom, DWORD(length), block, length);
        if (tracing) {
            const auto* bytes = static_cast<const BYTE*>(block);
            for (Integer i = 0; i < length; ++i)
                AddTraceEntry('T', bytes[i]);
        }
    }
    return ecOK;
}

Integer TQelBaseDispatcher::OutputCount() {
    TLock out(FOutputLock);
    // The device layer's transmit count is the true one: what the ring holds and the device's
    // own queue.
    if (FOpen) return Integer(RefreshStatus().cbOutQue);
    return OutputCountLocked();
}

Integer TQelBaseDispatcher::OutputInFlight() {
    TLock out(FOutputLock);
    return FOutInFlight;
}

Integer TQelBaseDispatcher::OutputRoom() {
    TLock out(FOutputLock);
    return FOutSize - OutputCountLocked();
}

Integer TQelBaseDispatcher::DiscardOutput() { return FOpen ? FlushQueue(0) : ecOK; }

// ---- Status -------------------------------------------------------------------------------------

COMSTAT TQelBaseDispatcher::RefreshStatus() {
    TLock out(FOutputLock);
    COMSTAT status;
    const Integer errors = GetLineErrors(status);
    FComStatus = status;
    FLineErrors |= errors & 0x1F;
    if (errors & CE_IOE) DeviceLost(-Integer(ERROR_GEN_FAILURE));
    return status;
}

void TQelBaseDispatcher::DeviceLost(Integer code) {
    Integer none = 0;
    if (!FDeviceLost.compare_exchange_strong(none, code < 0 ? code : -Integer(ERROR_GEN_FAILURE))) return;
    // A line whose other side is gone reads as a break.
    FLineErrors |= leBreak;
    FDeviceLossOwed = true;
}

void TQelBaseDispatcher::RefreshModemLines() {
    DWORD status = 0;
    if (FComHandle == INVALID_HANDLE_VALUE || !GetCommModemStatus(FComHandle, &status)) return;
    const Integer now = Integer(status & 0xF0);
    Integer old = FModemLines.load();
    Integer changes = old & 0x0F;
    changes |= ((old ^ now) >> 4) & 0x0B;                           // CTS, DSR, DCD changed
    if ((old & MS_RING_ON) && !(now & MS_RING_ON)) changes |= 0x04; // the ring signal ended
    FModemLines = now | changes;
}

Integer TQelBaseDispatcher::TakeLineError() {
    const Integer errors = FLineErrors.load();
    Integer result = 0;
    if (errors & leQueueOverflow)
        result = 1;
    else if (errors & leOverrun)
        result = 2;
    else if (errors & leParity)
        result = 3;
    else if (errors & leFraming)
        result = 4;
    else if (errors & leBreak)
        result = 9;
    if (result != 0) FLineErrors &= ~0x0F;
    return result;
}

bool TQelBaseDispatcher::TakeBreak() {
    const Integer errors = FLineErrors.fetch_and(~leBreak);
    return (errors & leBreak) != 0;
}

Integer TQelBaseDispatcher::ReadModemStatus(Integer mask) {
    const Integer lines = FModemLines.fetch_and(~(mask & 0x0F));
    return lines & mask;
}

// ---- Handlers -----------------------------------------------------------------------------------

void TQelBaseDispatcher::AddWindowHandler(HWND window) {
    TLock general(FGeneralLock);
    FWindowHandlers.push_back({window, false});
    FListenersPresent = true;
    AddLogEntry(lkWindowAdded, lsWindow, DWORD(std::uintptr_t(window)));
}

void TQelBaseDispatcher::RemoveWindowHandler(HWND window) {
    TLock general(FGeneralLock);
    AddLogEntry(lkWindowRemoved, lsWindow, DWORD(std::uintptr_t(window)));
    for (auto it = FWindowHandlers.begin(); it != FWindowHandlers.end(); ++it) {
        if (it->Window != window || it->Deleted) continue;
        if (FDispatching) {
            it->Deleted = true;
            FHandlerDeletePending = true;
        } else {
            FWindowHandlers.erase(it);
        }
        break;
    }
}

void TQelBaseDispatcher::AddProcHandler(TQelNotifyProc proc) {
    TLock general(FGeneralLock);
    FProcHandlers.push_back({proc, false});
    UpdateHandlerFlags(fuKeepPort);
}

void TQelBaseDispatcher::RemoveProcHandler(TQelNotifyProc proc) {
    TLock general(FGeneralLock);
    for (auto it = FProcHandlers.begin(); it != FProcHandlers.end(); ++it) {
        if (it->Proc != proc || it->Deleted) continue;
        if (FDispatching) {
            it->Deleted = true;
            FHandlerDeletePending = true;
        } else {
            FProcHandlers.erase(it);
        }
        break;
    }
    UpdateHandlerFlags(fuKeepPort);
}

void TQelBaseDispatcher::AddEventHandler(const TQelNotifyEvent& handler, bool sync) {
    TLock general(FGeneralLock);
    FEventHandlers.push_back({handler, false, sync});
    UpdateHandlerFlags(fuKeepPort);
}

void TQelBaseDispatcher::RemoveEventHandler(const TQelNotifyEvent& handler) {
    TLock general(FGeneralLock);
    for (auto it = FEventHandlers.begin(); it != FEventHandlers.end(); ++it) {
        if (!(it->Handler == handler) || it->Deleted) continue;
        if (FDispatching) {
            it->Deleted = true;
            FHandlerDeletePending = true;
        } else {
            FEventHandlers.erase(it);
        }
        break;
    }
    UpdateHandlerFlags(fuKeepPort);
}

void TQelBaseDispatcher::UpdateHandlerFlags(Integer kind) {
    TLock general(FGeneralLock);
    auto live = [](const auto& list) {
        return Integer(std::count_if(list.begin(), list.end(), [](const auto& h) { return !h.Deleted; }));
    };
    const bool others = live(FWindowHandlers) > 1 || live(FProcHandlers) > 0 || live(FEventHandlers) > 0;
    switch (kind) {
    case fuKeepPort:
        FListenersPresent = others || FOwnerListening;
        break;
    case fuEnablePort:
        FOwnerListening = true;
        FListenersPresent = true;
        break;
    case fuDisablePort:
        FOwnerListening = false;
        FListenersPresent = others;
        break;
    default:
        break;
    }
}

bool TQelBaseDispatcher::HasHandlers() const {
    if (!FListenersPresent) return false;
    auto anyLive = [](const auto& list) {
        return std::any_of(list.begin(), list.end(), [](const auto& h) { return !h.Deleted; });
    };
    const bool windows = (FWindowHandlers.size() > 1 || FOwnerListening) && anyLive(FWindowHandlers);
    return windows || anyLive(FProcHandlers) || anyLive(FEventHandlers);
}

void TQelBaseDispatcher::RemoveDeletedHandlers() {
    auto sweep = [](auto& list) {
        list.erase(std::remove_if(list.begin(), list.end(), [](const auto& h) { return h.Deleted; }),
                   list.end());
    };
    sweep(FWindowHandlers);
    sweep(FProcHandlers);
    sweep(FEventHandlers);
}

void TQelBaseDispatcher::SnapshotTriggers(TQelTriggerSnapshot& saved) {
    TLock general(FGeneralLock);
    saved.AvailThreshold = FAvailThreshold;
}

void TQelBaseDispatcher::RestoreTriggers(const TQelTriggerSnapshot& saved) {
    TLock general(FGeneralLock);
    FAvailThreshold = saved.AvailThreshold;
}

// ---- Dispatching --------------------------------------------------------------------------------

void TQelBaseDispatcher::ReadIntoRing() {
    TLock in(FInputLock);
    if (FInFull || FInBuffer.empty()) return;
    Integer waiting = Integer(RefreshStatus().cbInQue);
    if (waiting <= 0) return;
    // Up to the end of the ring (or to the unread bytes), then on from its start.
    Integer room = FInHead < FInTail ? FInTail - FInHead : DispatchBufferSize - FInHead;
    const Integer first = ReadChunk(std::min(room, waiting));
    waiting -= first;
    if (first == room && FInHead == 0 && waiting > 0 && !FInFull) ReadChunk(std::min(FInTail, waiting));
}

Integer TQelBaseDispatcher::ReadChunk(Integer room) {
    if (room <= 0) return 0;
    Integer count = ReadDevice(&FInBuffer[std::size_t(FInHead)], room);
    if (count < 0) {
        ReadErrorHook(-1);
        count = 0;
    }
    count = std::min(count, room);
    if (count > 0) AddLogEntry(lkDispatch, lsReadCom, DWORD(count), &FInBuffer[std::size_t(FInHead)], count);
    FInHead = (FInHead + count) % DispatchBufferSize;
    if (count > 0) {
        FInFull = FInHead == FInTail;
        FArrivedSinceNotice += count;
    }
    return count;
}

bool TQelBaseDispatcher::ScanData() {
    Integer count;
    {
        TLock in(FInputLock);
        FScanPos = FInHead;
        if (FAvailThreshold <= 0 || FArrivedSinceNotice == 0) return false;
        count = InputCountLocked();
        if (count < FAvailThreshold) return false;
    }
    {
        // Input that nobody can hear of yet is announced once a handler is there.
        TLock general(FGeneralLock);
        if (!HasHandlers()) return false;
    }
    {
        TLock in(FInputLock);
        FArrivedSinceNotice = 0;
    }
    return Notify(qmTriggerAvail, WPARAM(std::min<Integer>(count, 0xFFFF)), 0);
}

bool TQelBaseDispatcher::Notify(UINT message, WPARAM wParam, Word data) {
    if (!FListenersPresent) return true;
    switch (message) {
    case qmTriggerAvail:
        AddLogEntry(lkTrigger, lsAvail, DWORD(wParam));
        break;
    case qmTriggerTimer:
        AddLogEntry(lkTrigger, lsTimer, DWORD(wParam));
        break;
    case qmTriggerData:
        AddLogEntry(lkTrigger, lsData, DWORD(wParam));
        break;
    case qmTriggerStatus:
        AddLogEntry(lkTrigger, lsStatus, DWORD(wParam));
        break;
    default:
        break;
    }
    {
        TLock general(FGeneralLock);
        FDispatching = true;
    }
    const bool readAhead = message == qmTriggerAvail || message == qmTriggerData;
    {
        TLock in(FInputLock);
        FReadAheadMax = 0;
        FReadAheadCount = 0;
        FInAvailNotice = readAhead;
    }
    const LPARAM lParam = LPARAM(DWORD(data) | (DWORD(FDispatcherId) << 16));
    bool stopped = false;
    auto beforeHandler = [this] {
        TLock in(FInputLock);
        FReadAheadCount = 0;
    };
    auto afterHandler = [this, &stopped] {
        if (FCloseRequested || FStopRequested) {
            stopped = true;
            return false;
        }
        TLock in(FInputLock);
        FReadAheadMax = std::max(FReadAheadMax, FReadAheadCount);
        return true;
    };

    for (std::size_t i = 0; !stopped; ++i) {
        TEventHandler handler;
        {
            TLock general(FGeneralLock);
            if (i >= FEventHandlers.size()) break;
            handler = FEventHandlers[i];
        }
        if (handler.Deleted) continue;
        beforeHandler();
        try {
            if (handler.Sync)
                TThread::Synchronize(nullptr, [&] { handler.Handler(message, wParam, lParam); });
            else
                handler.Handler(message, wParam, lParam);
        } catch (...) {
            // A failing handler does not stop the dispatch.
        }
        if (!afterHandler()) break;
    }
    for (std::size_t i = 0; !stopped; ++i) {
        TProcHandler handler;
        {
            TLock general(FGeneralLock);
            if (i >= FProcHandlers.size()) break;
            handler = FProcHandlers[i];
        }
        if (handler.Deleted) continue;
        beforeHandler();
        try {
            handler.Proc(message, wParam, lParam);
        } catch (...) {
        }
        if (!afterHandler()) break;
    }
    bool toWindows;
    {
        TLock general(FGeneralLock);
        toWindows = FWindowHandlers.size() > 1 || FOwnerListening;
    }
    for (std::size_t i = 0; !stopped && toWindows; ++i) {
        TWindowHandler handler;
        {
            TLock general(FGeneralLock);
            if (i >= FWindowHandlers.size()) break;
            handler = FWindowHandlers[i];
        }
        if (handler.Deleted) continue;
        beforeHandler();
        DWORD_PTR result = 0;
        // A handler that does not answer in time still gets the notice later; the dispatch
        // goes on meanwhile, and what the handler reads after that is consumed as it reads.
        SendMessageTimeoutA(handler.Window, message, wParam, lParam, SMTO_BLOCK, HandlerTimeoutMs, &result);
        if (!afterHandler()) break;
    }

    bool complete = true;
    {
        TLock in(FInputLock);
        if (readAhead && !stopped) {
            const Integer consumed = std::min(std::max(FReadAheadMax, FReadAheadCount), InputCountLocked());
            FInTail = (FInTail + consumed) % DispatchBufferSize;
            if (consumed > 0) FInFull = false;
            if (message == qmTriggerAvail && WPARAM(consumed) != wParam) complete = false;
        }
        FInAvailNotice = false;
        FReadAheadCount = 0;
        FReadAheadMax = 0;
    }
    {
        TLock general(FGeneralLock);
        FDispatching = false;
        if (FHandlerDeletePending) {
            RemoveDeletedHandlers();
            FHandlerDeletePending = false;
            UpdateHandlerFlags(fuKeepPort);
        }
    }
    return complete && !stopped;
}

// ---- Thread bodies ------------------------------------------------------------------------------

void TQelBaseDispatcher::ThreadStarted() { InterlockedIncrement(&FRunningThreads); }

void TQelBaseDispatcher::ThreadEnded() {
    if (InterlockedDecrement(&FRunningThreads) == 0) FThreadsRunning = false;
}

void TQelBaseDispatcher::ComThreadBody(TQelDispatcherThread*) {
    HANDLE waitEvent = CreateEventA(nullptr, TRUE, FALSE);
    SetCommMask(FComHandle, LineEventMask);
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = MAXDWORD; // reads take what is there and return at once
    SetCommTimeouts(FComHandle, &timeouts);
    SetEvent(FAck);
    OVERLAPPED overlapped;
    overlapped.hEvent = waitEvent;
    while (!FStopRequested && waitEvent != nullptr) {
        DWORD mask = 0;
        if (!WaitDeviceEvent(mask, overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) break;
            DWORD unused = 0;
            if (!GetOverlappedResult(FComHandle, &overlapped, &unused, TRUE)) break;
        }
        if (mask & EV_RING) FRingLatch = true;
        if (FStopRequested) break;
        FLastEventMask |= mask;
        SetEvent(FComEvent);
        WaitForSingleObject(FDispatchDone, INFINITE);
    }
    if (waitEvent != nullptr) CloseHandle(waitEvent);
    SetEvent(FAck);
}

void TQelBaseDispatcher::DispThreadBody(TQelDispatcherThread*) {
    SetEvent(FAck);
    while (!FStopRequested && !FCloseRequested) {
        WaitForSingleObject(FComEvent, DispatchPollMs);
        if (FStopRequested) break;
        const DWORD events = FLastEventMask.exchange(0);
        if (events & ModemEvents) RefreshModemLines();
        if (events & ErrorEvents) RefreshStatus();
        ReadIntoRing();
        if (!FDispatching) {
            while (!FCloseRequested && !FStopRequested && ScanData()) {
            }
            // The loss of the device reaches the line-error handlers once, after the last input.
            if (!FCloseRequested && !FStopRequested && FDeviceLossOwed.exchange(false))
                Notify(qmTriggerStatus, LineErrorStatus, 0);
        }
        SetEvent(FDispatchDone);
    }
}

void TQelBaseDispatcher::OutThreadBody(TQelDispatcherThread*) {
    SetEvent(FAck);
    const HANDLE events[2] = {FOutputReady, FOutputFlush};
    while (!FStopRequested && !FCloseRequested) {
        const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0) {
            if (FStopRequested) break;
            DrainOutput();
        } else if (which == WAIT_OBJECT_0 + 1) {
            SetEvent(FAck);
        } else {
            break;
        }
    }
}

void TQelBaseDispatcher::DrainOutput() {
    auto advance = [this](Integer count, Integer generation) {
        TLock out(FOutputLock);
        // A flush emptied the ring meanwhile: what was written belonged to the discarded bytes.
        if (generation != FOutGeneration || FOutSize <= 0) return;
        FOutInFlight = 0;
        count = std::min(count, OutputCountLocked());
        FOutTail = (FOutTail + count) % FOutSize;
        if (count > 0) FOutFull = false;
        if (FOutTail == FOutHead && !FOutFull) FOutTail = FOutHead = 0;
    };
    for (;;) {
        Integer count;
        Integer generation;
        BOOL done;
        DWORD written = 0;
        {
            TLock out(FOutputLock);
            count = OutputCountLocked();
            if (count == 0) return;
            if (FOutTail + count > FOutSize) {
                // Wrapped: bring the bytes into one piece from index 0.
                std::rotate(FOutBuffer.begin(), FOutBuffer.begin() + FOutTail, FOutBuffer.end());
                FOutTail = 0;
                FOutHead = count % FOutSize;
            }
            generation = FOutGeneration;
            FOutInFlight = count;
            // The device copies the bytes at once, so the ring may change as soon as this returns.
            done = WriteFile(FComHandle, &FOutBuffer[std::size_t(FOutTail)], DWORD(count), &written,
                             &FWriteOverlapped);
        }
        if (done) {
            advance(Integer(written), generation);
            continue;
        }
        if (const DWORD error = GetLastError(); error != ERROR_IO_PENDING) {
            if (error != ERROR_OPERATION_ABORTED) DeviceLost(-Integer(error));
            advance(count, generation); // a failed write drops its piece
            continue;
        }
        const HANDLE events[2] = {FWriteDone, FOutputFlush};
        const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (which != WAIT_OBJECT_0) {
            SetEvent(FAck);
            return;
        }
        if (GetOverlappedResult(FComHandle, &FWriteOverlapped, &written, FALSE)) {
            advance(Integer(written), generation);
        } else {
            if (const DWORD error = GetLastError(); error != ERROR_OPERATION_ABORTED)
                DeviceLost(-Integer(error));
            advance(count, generation);
        }
        ResetEvent(FWriteDone);
        if (FStopRequested) return;
    }
}
