// The dispatcher behind an open serial port: the input and output rings, the line and modem
// state, the handlers that hear about arriving data, and the three threads that move bytes
// between the device and the rings. Device access goes through the virtual operations that a
// device layer (QwWin32) implements.
//
// Notices reach the port component as window messages sent to its hidden window (wParam 16
// bits; lParam: data in the low word, DispatcherId in the high word). A data-available handler
// reads the new bytes in place (read-ahead); they are consumed once every handler has returned.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/WinCore.h"

class TComponent;
class TQelBaseDispatcher;

// Notice codes.
inline constexpr UINT qmTriggerAvail = 0x7E01;  // wParam: bytes waiting
inline constexpr UINT qmTriggerData = 0x7E02;   // wParam: trigger handle; data: trigger length
inline constexpr UINT qmTriggerTimer = 0x7E03;  // wParam: trigger handle
inline constexpr UINT qmTriggerStatus = 0x7E04; // wParam: trigger handle (low 3 bits: status type)
inline constexpr UINT qmClosePending = 0x7E0A;  // posted by the port component to itself

inline constexpr Integer DispatchBufferSize = 8192;

// Limits of the byte trace (entries) and the dispatch log (bytes).
inline constexpr Integer MaxTraceEntries = 4000000;
inline constexpr Cardinal MaxLogBytes = 16000000;

// State of a dispatcher's trace or log.
enum TQelRecordState { rsOff, rsOn, rsPaused };

// Dispatch log record kinds and sub-kinds (their names are message table texts 15001 + kind and
// 15100 + sub-kind).
inline constexpr BYTE lkDispatch = 1;
inline constexpr BYTE lkTrigger = 2;
inline constexpr BYTE lkWindowAdded = 7;
inline constexpr BYTE lkWindowRemoved = 8;
inline constexpr BYTE lkTriggerChanged = 9;
inline constexpr BYTE lsReadCom = 1;
inline constexpr BYTE lsWriteCom = 2;
inline constexpr BYTE lsModemStatus = 4;
inline constexpr BYTE lsAvail = 5;
inline constexpr BYTE lsTimer = 6;
inline constexpr BYTE lsData = 7;
inline constexpr BYTE lsStatus = 8;
inline constexpr BYTE lsNewAvail = 16;
inline constexpr BYTE lsWindow = 17;
// Bytes of a log record's head: kind, sub-kind, time, data, attached byte count.
inline constexpr Integer LogHeadSize = 14;

// Dispatcher result codes.
inline constexpr Integer ecOK = 0;
inline constexpr Integer ecOutOfMemory = -8;
inline constexpr Integer ecBadArgument = -1002;
inline constexpr Integer ecNotOpenedByTapi = -2007; // the telephony variant without a handle
inline constexpr Integer ecPutBlockFail = -3004;
inline constexpr Integer ecOutputBufferTooSmall = -3006;
inline constexpr Integer ecBufferIsEmpty = -3007;
inline constexpr Integer ecBaseAddressNotSet = -3010;

// OpenPort flags.
inline constexpr Word ipAssertDTR = 0x0001;
inline constexpr Word ipAssertRTS = 0x0002;
inline constexpr Word ipAutoDTR = 0x0010;
inline constexpr Word ipAutoRTS = 0x0020;

// Hardware flow options (SetHardwareFlow) and software flow options (SetSoftwareFlow).
inline constexpr Word hfUseDTR = 0x0001;
inline constexpr Word hfUseRTS = 0x0002;
inline constexpr Word hfRequireDSR = 0x0004;
inline constexpr Word hfRequireCTS = 0x0008;
inline constexpr Word sfTransmitFlow = 0x0001;
inline constexpr Word sfReceiveFlow = 0x0002;

// UpdateHandlerFlags kinds.
inline constexpr Integer fuKeepPort = 0;
inline constexpr Integer fuEnablePort = 1;
inline constexpr Integer fuDisablePort = 2;

// Line errors as the device reports them.
inline constexpr Integer leQueueOverflow = 1;
inline constexpr Integer leOverrun = 2;
inline constexpr Integer leParity = 4;
inline constexpr Integer leFraming = 8;
inline constexpr Integer leBreak = 16;

// A handler called with every notice: (code, wParam, lParam).
using TQelNotifyProc = void (*)(UINT message, WPARAM wParam, LPARAM lParam);
using TQelNotifyEvent = TClosure<void(UINT message, WPARAM wParam, LPARAM lParam)>;

// What a port keeps of its triggers across a reopen. This system installs no timer, data or
// status triggers, so the threshold of the data-available notice is all there is.
struct TQelTriggerSnapshot {
    Integer AvailThreshold = 0;
};

// A thread of a dispatcher. The dispatcher owns it and waits for it to end when it stops.
class TQelDispatcherThread : public TThread {
    KOV_CLASS(TQelDispatcherThread, TThread)
public:
    explicit TQelDispatcherThread(TQelBaseDispatcher* dispatcher);

protected:
    // Counts the thread as running for the dispatcher, runs Body, and counts it out.
    void Execute() override;
    virtual void Body() = 0;

    TQelBaseDispatcher* FDispatcher;
};

// Waits for device events and hands each to the dispatch thread.
class TComThread : public TQelDispatcherThread {
    KOV_CLASS(TComThread, TQelDispatcherThread)
public:
    explicit TComThread(TQelBaseDispatcher* dispatcher);

protected:
    void Body() override;
};

// Reads the device into the input ring and dispatches the notices.
class TDispThread : public TQelDispatcherThread {
    KOV_CLASS(TDispThread, TQelDispatcherThread)
public:
    explicit TDispThread(TQelBaseDispatcher* dispatcher);

protected:
    void Body() override;
};

// Writes the output ring to the device.
class TOutThread : public TQelDispatcherThread {
    KOV_CLASS(TOutThread, TQelDispatcherThread)
public:
    explicit TOutThread(TQelBaseDispatcher* dispatcher);

protected:
    void Body() override;
};

class TQelBaseDispatcher : public TObject {
    KOV_CLASS(TQelBaseDispatcher, TObject)
public:
    // Joins the process-wide registry; no device yet.
    explicit TQelBaseDispatcher(TComponent* owner);
    // A device layer closes its port in its own destructor (the device operations are gone by
    // the time this one runs); this leaves the registry and frees the lists.
    ~TQelBaseDispatcher() override;
    TQelBaseDispatcher(const TQelBaseDispatcher&) = delete;
    TQelBaseDispatcher& operator=(const TQelBaseDispatcher&) = delete;

    // ---- Identity --------------------------------------------------------------------------
    TComponent* GetOwner() const { return FOwner; }
    Integer GetDispatcherId() const { return FDispatcherId; }
    HANDLE GetComHandle() const { return FComHandle; }
    const String& GetDeviceName() const { return FDeviceName; }
    void SetDeviceName(const String& value) { FDeviceName = value; }

    // The process-wide registry: guarded by RegistryLock (re-entrant). Null for an empty slot
    // or an id out of range.
    static TCriticalSection& RegistryLock();
    static TQelBaseDispatcher* FindDispatcher(Integer id);

    // ---- Port session ----------------------------------------------------------------------
    // 0, or a negative code: -8 when the events could not be made, otherwise minus the system
    // error (open refused, queue sizes or line parameters refused); the port is closed again.
    Integer OpenPort(const String& deviceName, Integer baud, Word flags, Word outSize, Word inSize,
                     Word stopBits, Word dataBits, Word parity);
    // Discards both directions and closes the device. `insideNotice`: the caller runs inside a
    // handler of this dispatcher's notice; while that notice is being dispatched only
    // CloseRequested is set, and the owner finishes the close with FinishClose once the notice
    // is over.
    Integer ClosePort(bool insideNotice = false);
    // Stops the threads, closes the device and frees the rings; nothing when already closed.
    // Called on the owner's thread, never from inside a handler of this dispatcher.
    void FinishClose();
    bool IsOpen() const { return FOpen; }

    // Baud 0, parity 5, stop bits 3 and data bits 9 keep the current value.
    Integer SetLineParams(Integer baud, Word parity, Word stopBits, Word dataBits);
    void GetLineParams(Integer& baud, Word& parity, Word& stopBits, Word& dataBits);
    // 1 when the line is under automatic (flow) control, -1002 when the device refused.
    Integer SetDtrState(bool on);
    Integer SetRtsState(bool on);
    Integer SetHardwareFlow(Word full, Word resume, Word options);
    Integer SetSoftwareFlow(Word full, Word resume, Word options);
    Integer ClearSoftwareFlow();
    Integer SetXonXoffChars(char on, char off);
    void SetAvailThreshold(Integer count);
    Integer GetAvailThreshold() const { return FAvailThreshold; }
    Integer SetRs485Mode(bool on);
    bool GetRs485Mode() const { return FRs485Mode; }
    // Sets the device queue sizes of an open port; 0 or minus the system error.
    Integer SetQueueSizes(Word inSize, Word outSize);

    // ---- Input -----------------------------------------------------------------------------
    bool InputWaiting();
    // The n-th unread byte (from 1), or -3007.
    Integer PeekInput(Integer n);
    // 0 with the byte, or -3007 for an empty ring.
    Integer TakeInputByte(BYTE& value);
    Integer InputCount();
    Integer DiscardInput();

    // ---- Output ----------------------------------------------------------------------------
    // 0, -1002 (negative length), -3004, -3006 (not enough room; nothing queued) or -3010.
    Integer SendBlock(const void* block, Integer length);
    Integer OutputCount();
    Integer OutputRoom();
    // The bytes of the ring that a device write holds and has not yet reported done.
    Integer OutputInFlight();
    Integer DiscardOutput();

    // ---- Status ----------------------------------------------------------------------------
    // The first pending error: 1, 2, 3, 4 or 9 (break), or 0.
    Integer TakeLineError();
    bool TakeBreak();
    // The modem line bits of the mask (CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80, their changes in
    // the low nibble); the change bits read are cleared.
    Integer ReadModemStatus(Integer mask);

    // ---- Handlers --------------------------------------------------------------------------
    void AddWindowHandler(HWND window);
    void RemoveWindowHandler(HWND window);
    void AddProcHandler(TQelNotifyProc proc);
    void RemoveProcHandler(TQelNotifyProc proc);
    // `sync`: the handler runs on the user-interface thread (queued call).
    void AddEventHandler(const TQelNotifyEvent& handler, bool sync);
    void RemoveEventHandler(const TQelNotifyEvent& handler);
    virtual void UpdateHandlerFlags(Integer kind);

    void SnapshotTriggers(TQelTriggerSnapshot& saved);
    void RestoreTriggers(const TQelTriggerSnapshot& saved);

    // ---- Trace and log ------------------------------------------------------------------------
    // The trace keeps the last `entries` bytes received ('R', as they are taken from the input
    // ring) and queued for sending ('T'). 0, or -1002 for a size outside 1 .. 4000000. A new
    // trace replaces the old one and starts recording.
    Integer InitTracing(Integer entries);
    void AddTraceEntry(char kind, BYTE value);
    // Pause (a trace that is on) and resume (a paused one).
    void StopTracing();
    void StartTracing();
    void ClearTracing();
    // Off, the buffer freed.
    void AbortTracing();
    TQelRecordState GetTraceState() const;
    // Pauses and writes the trace to the text file (replacing it, or appended to it), then
    // switches it off. An empty trace writes no file. 0, or minus the input/output error.
    Integer DumpTrace(const String& fileName, bool inHex, bool allHex, bool append);

    // The log keeps the newest records in `size` bytes; 0, or -1002 for a size outside
    // 1 .. 16000000. A new log replaces the old one and starts recording.
    Integer InitLogging(Cardinal size);
    // A record with the milliseconds since the port opened; nothing unless the log is on.
    void AddLogEntry(BYTE kind, BYTE subKind, DWORD data, const void* bytes = nullptr, Integer count = 0);
    void StopLogging();
    void StartLogging();
    void ClearLogging();
    void AbortLogging();
    TQelRecordState GetLogState() const;
    Integer DumpLog(const String& fileName, bool inHex, bool allHex, bool append);

    bool GetDispatching() const { return FDispatching; }
    bool GetCloseRequested() const { return FCloseRequested; }
    bool GetThreadsRunning() const { return FThreadsRunning; }
    bool GetListenersPresent() const { return FListenersPresent; }

    // ---- Device operations, in slot order ----------------------------------------------------
    virtual Integer EscapeLine(Integer function) = 0;
    virtual Integer FlushQueue(Integer queue) = 0;
    virtual Integer GetLineErrors(COMSTAT& status) = 0;
    virtual Integer ReadErrorHook(Integer code) = 0;
    virtual Integer GetDeviceState(DCB& state) = 0;
    virtual Integer ReadDevice(char* buffer, Integer count) = 0;
    virtual Integer SetDeviceState(DCB& state) = 0;
    virtual Integer QueueOutput(const char* block, Integer count) = 0;
    virtual bool WaitDeviceEvent(DWORD& mask, OVERLAPPED& overlapped) = 0;
    virtual bool SetupQueues(Integer inSize, Integer outSize) = 0;
    virtual void ReleaseBuffers();
    virtual void StartThreads() = 0;
    virtual void StopThreads() = 0;
    virtual HANDLE OpenDeviceHandle(const String& name, Integer inSize, Integer outSize) = 0;
    virtual Integer CloseDeviceHandle() = 0;
    virtual Integer YieldTime() = 0;
    virtual void SetThreadBoost(Integer boost);

protected:
    friend class TQelDispatcherThread;
    friend class TComThread;
    friend class TDispThread;
    friend class TOutThread;

    // For a device layer's destructor: closes an open port completely.
    void ShutDown();

    // ---- Thread bodies ----
    void ComThreadBody(TQelDispatcherThread* thread);
    void DispThreadBody(TQelDispatcherThread* thread);
    void OutThreadBody(TQelDispatcherThread* thread);
    void ThreadStarted();
    void ThreadEnded();
    // Writes what the output ring holds; stops early when a flush is asked for.
    void DrainOutput();

    // Reads what the device holds into the input ring (dispatch thread).
    void ReadIntoRing();
    // Reads into the ring at InHead, up to `room` bytes; the count read.
    Integer ReadChunk(Integer room);
    // The data-available scan; true when a notice was dispatched and consumed completely.
    bool ScanData();
    // Dispatches one notice to every handler; false when it was stopped by a close or a
    // data-available notice was not consumed completely.
    bool Notify(UINT message, WPARAM wParam, Word data);
    // Records that the device is gone (minus the system error), once per session.
    void DeviceLost(Integer code);
    // Reads the device status (errors are kept in LineErrors) and returns it.
    COMSTAT RefreshStatus();
    void CloseEvents();
    void RefreshModemLines();
    Integer InputCountLocked() const;
    Integer OutputCountLocked() const;
    bool HasHandlers() const;
    void RemoveDeletedHandlers();

    TComponent* FOwner;
    Integer FDispatcherId = -1;
    String FDeviceName;
    HANDLE FComHandle = INVALID_HANDLE_VALUE;
    std::atomic<bool> FOpen{false};

    TCriticalSection FGeneralLock;
    TCriticalSection FOutputLock;
    TCriticalSection FInputLock;

    // Events (null while the port is closed).
    HANDLE FComEvent = nullptr;
    HANDLE FDispatchDone = nullptr;
    HANDLE FAck = nullptr;
    HANDLE FOutputReady = nullptr;
    HANDLE FWriteDone = nullptr;
    HANDLE FOutputFlush = nullptr;

    // Input ring (input lock).
    std::vector<char> FInBuffer;
    Integer FInHead = 0;
    Integer FInTail = 0;
    bool FInFull = false;
    bool FInAvailNotice = false;
    Integer FReadAheadCount = 0;
    Integer FReadAheadMax = 0;

    // Output ring (output lock).
    std::vector<char> FOutBuffer;
    Integer FOutSize = 0;
    Integer FOutHead = 0;
    Integer FOutTail = 0;
    bool FOutFull = false;
    bool FOutputSent = false;
    // Raised by every flush: a write taken from the ring before it is not counted afterwards.
    Integer FOutGeneration = 0;
    // Bytes of the ring handed to the device by a write it has not yet reported done. They are
    // counted by the device's own transmit queue too, so the true count of bytes not yet sent
    // is the ring without them plus the device's queue.
    Integer FOutInFlight = 0;
    OVERLAPPED FWriteOverlapped;

    // Device status.
    Integer FInQueueSize = 0;
    Integer FOutQueueSize = 0;
    COMSTAT FComStatus;
    std::atomic<Integer> FLineErrors{0};
    // Once the device has gone away (its other side hung up, the adapter was pulled out): minus
    // the system error that showed it, which every further block sent answers; 0 while it is
    // there. The dispatch thread reports the loss once as a line error (a break).
    std::atomic<Integer> FDeviceLost{0};
    std::atomic<bool> FDeviceLossOwed{false};
    std::atomic<Integer> FModemLines{0};
    std::atomic<bool> FRingLatch{false};
    std::atomic<DWORD> FLastEventMask{0};

    // Line settings (general lock).
    DCB FDCB;
    Integer FCurrentBaud = 115200;
    bool FDtrState = true;
    bool FDtrAuto = false;
    bool FRtsState = true;
    bool FRtsAuto = false;
    bool FRs485Mode = false;
    Integer FBaseAddress = 0;

    // Notification.
    std::atomic<Integer> FAvailThreshold{0};
    Integer FScanPos = 0;
    // Bytes put into the ring since the last data-available notice.
    Integer FArrivedSinceNotice = 0;

    // Handlers (general lock).
    struct TWindowHandler {
        HWND Window;
        bool Deleted;
    };
    struct TProcHandler {
        TQelNotifyProc Proc;
        bool Deleted;
    };
    struct TEventHandler {
        TQelNotifyEvent Handler;
        bool Deleted;
        bool Sync;
    };
    std::vector<TWindowHandler> FWindowHandlers;
    std::vector<TProcHandler> FProcHandlers;
    std::vector<TEventHandler> FEventHandlers;
    bool FOwnerListening = false;
    std::atomic<bool> FListenersPresent{false};
    std::atomic<bool> FDispatching{false};
    bool FHandlerDeletePending = false;
    std::atomic<bool> FCloseRequested{false};

    // Trace and log: their own lock, taken last (the byte paths record while they hold the
    // input, output or general lock).
    mutable std::mutex FRecordLock;
    std::vector<char> FTrace; // pairs of kind and byte
    Integer FTraceEntries = 0;
    Integer FTracePos = 0;
    bool FTraceWrapped = false;
    TQelRecordState FTraceState = rsOff;
    std::vector<BYTE> FLog;
    std::size_t FLogHead = 0; // where the next record goes
    std::size_t FLogTail = 0; // the oldest record
    std::size_t FLogUsed = 0;
    TQelRecordState FLogState = rsOff;
    std::atomic<DWORD> FLogTimeBase{0};

    // Threads.
    std::unique_ptr<TComThread> FComThread;
    std::unique_ptr<TDispThread> FDispThread;
    std::unique_ptr<TOutThread> FOutThread;
    std::atomic<bool> FThreadsRunning{false};
    std::atomic<bool> FStopRequested{false};
    volatile Integer FRunningThreads = 0;
    Integer FThreadBoost = 0;
};
