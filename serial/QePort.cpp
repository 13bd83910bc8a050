#include "serial/QePort.h"

#include <cmath>
#include <mutex>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/TypInfo.h"
#include "serial/QeExcept.h"
#include "serial/QwWin32.h"

namespace {

constexpr const char* ComWindowClass = "qwComWindow";
constexpr Cardinal MaxTraceSize = 4000000;
constexpr Cardinal MaxLogSize = 16000000;

std::mutex gSelectHookLock;
TSelectComPortHook gSelectHook;

class TRegistryLock {
public:
    TRegistryLock() { TQelBaseDispatcher::RegistryLock().Enter(); }
    ~TRegistryLock() { TQelBaseDispatcher::RegistryLock().Leave(); }
    TRegistryLock(const TRegistryLock&) = delete;
    TRegistryLock& operator=(const TRegistryLock&) = delete;
};

Word Percent(Word value, int percent) { return Word(std::nearbyint(double(value) * percent / 100.0)); }

TTraceLogState StateValue(TQelRecordState state) {
    switch (state) {
    case rsOn:
        return tlOn;
    case rsPaused:
        return tlPause;
    default:
        return tlOff;
    }
}

// The operations a trace or a log offers the component: the same table serves both.
struct TRecorder {
    TQelRecordState (TQelBaseDispatcher::*State)() const;
    Integer (*Init)(TQelBaseDispatcher&, Cardinal);
    void (TQelBaseDispatcher::*Start)();
    void (TQelBaseDispatcher::*Stop)();
    void (TQelBaseDispatcher::*Clear)();
    void (TQelBaseDispatcher::*Abort)();
    Integer (TQelBaseDispatcher::*Dump)(const String&, bool, bool, bool);
};

const TRecorder TraceRecorder = {
    &TQelBaseDispatcher::GetTraceState,
    [](TQelBaseDispatcher& d, Cardinal size) { return d.InitTracing(Integer(size)); },
    &TQelBaseDispatcher::StartTracing,
    &TQelBaseDispatcher::StopTracing,
    &TQelBaseDispatcher::ClearTracing,
    &TQelBaseDispatcher::AbortTracing,
    &TQelBaseDispatcher::DumpTrace,
};

const TRecorder LogRecorder = {
    &TQelBaseDispatcher::GetLogState,
    [](TQelBaseDispatcher& d, Cardinal size) { return d.InitLogging(size); },
    &TQelBaseDispatcher::StartLogging,
    &TQelBaseDispatcher::StopLogging,
    &TQelBaseDispatcher::ClearLogging,
    &TQelBaseDispatcher::AbortLogging,
    &TQelBaseDispatcher::DumpLog,
};

// Carries out one trace or log state on an open port's dispatcher; the code of the operation.
Integer ApplyRecordState(TQelBaseDispatcher& d, const TRecorder& r, TTraceLogState value, Cardinal size,
                         const String& fileName, bool inHex, bool allHex) {
    const TQelRecordState state = (d.*r.State)();
    switch (value) {
    case tlOff:
        if (state != rsOff) (d.*r.Abort)();
        return 0;
    case tlOn:
        if (state == rsPaused) {
            (d.*r.Start)();
            return 0;
        }
        return state == rsOff ? r.Init(d, size) : 0;
    case tlDump:
    case tlAppend:
        return state != rsOff ? (d.*r.Dump)(fileName, inHex, allHex, value == tlAppend) : 0;
    case tlClear:
        if (state != rsOff) (d.*r.Clear)();
        return 0;
    case tlPause:
        if (state == rsOn) (d.*r.Stop)();
        return 0;
    }
    return 0;
}

} // namespace

TSelectComPortHook SetSelectComPortHook(TSelectComPortHook hook) {
    std::lock_guard<std::mutex> guard(gSelectHookLock);
    std::swap(gSelectHook, hook);
    return hook;
}

// ---- Hidden window ------------------------------------------------------------------------------

LRESULT QelComWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool notice =
        (message >= qmTriggerAvail && message <= qmTriggerStatus) || message == qmClosePending;
    if (!notice) return DefWindowProcA(window, message, wParam, lParam);
    TRegistryLock lock;
    TQelBaseDispatcher* dispatcher = TQelBaseDispatcher::FindDispatcher(HIWORD(std::uintptr_t(lParam)));
    if (dispatcher == nullptr) return 0;
    auto* port = dynamic_cast<TQelCustomComPort*>(dispatcher->GetOwner());
    if (port == nullptr || port->FComWindow != window) return 0;
    port->HandleNotice(dispatcher, message, wParam, lParam);
    return 0;
}

namespace {

void RegisterComWindowClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSA cls;
        cls.lpfnWndProc = QelComWindowProc;
        cls.cbWndExtra = 4;
        cls.hInstance = HInstance;
        cls.lpszClassName = ComWindowClass;
        RegisterClassA(&cls);
    });
}

} // namespace

// ---- TQelBaseComponent --------------------------------------------------------------------------

TQelBaseComponent::TQelBaseComponent(TComponent* owner) : TComponent(owner) {}

String TQelBaseComponent::GetVersion() const { return "v4.05"; }

// ---- TQelCustomComPort --------------------------------------------------------------------------

TQelCustomComPort::TQelCustomComPort(TComponent* owner) : TQelBaseComponent(owner) {}

TQelCustomComPort::~TQelCustomComPort() {
    FDestroying = true;
    try {
        if (FState == psOpen) CloseDevice();
        if (FState == psShuttingDown) CompleteClose();
    } catch (...) {
        // A destructor cannot pass a failing close on; the port is released all the same.
    }
}

void TQelCustomComPort::SetDispatcherFactory(std::function<TQelBaseDispatcher*(TQelCustomComPort*)> factory) {
    FDispatcherFactory = std::move(factory);
}

Integer TQelCustomComPort::Check(Integer code) {
    if (code >= 0) return code;
    RaiseForCode(this, code);
    return code;
}

void TQelCustomComPort::OpenOnUse() {
    if (GetCurrentThreadId() == MainThreadID.load()) {
        SetOpen(true);
        return;
    }
    // The hidden window and the events belong to the user-interface thread.
    TThread::Synchronize(nullptr, [this] {
        if (FState == psClosed) SetOpen(true);
    });
}

bool TQelCustomComPort::PrepareOperation() {
    for (;;) {
        const TPortState state = FState;
        if (state == psOpen) return true;
        if (state == psShuttingDown) return false;
        if (!FAutoOpen) {
            RaiseForCode(this, -2007);
            return false; // loading: codes are returned silently
        }
        OpenOnUse();
        if (FState == psClosed) return false;
    }
}

template <class R, class F> R TQelCustomComPort::RunOpen(F operation, R idle) {
    if (!PrepareOperation()) return idle;
    if (GetCurrentThreadId() == FOwnerThread) {
        if (FState != psOpen || !FDispatcher) return idle;
        return operation(*FDispatcher);
    }
    std::shared_lock<std::shared_mutex> lock(FGuard);
    if (FState != psOpen || !FDispatcher) return idle;
    return operation(*FDispatcher);
}

void TQelCustomComPort::ClearInput() {
    RunOpen([this](TQelBaseDispatcher& d) { return Check(d.DiscardInput()); }, 0);
}

void TQelCustomComPort::ClearOutput() {
    RunOpen([this](TQelBaseDispatcher& d) { return Check(d.DiscardOutput()); }, 0);
}

bool TQelCustomComPort::HasInputByte() {
    return RunOpen([](TQelBaseDispatcher& d) { return d.InputWaiting(); }, false);
}

BYTE TQelCustomComPort::ReadByte() {
    return RunOpen(
        [this](TQelBaseDispatcher& d) {
            BYTE value = 0;
            const Integer code = d.TakeInputByte(value);
            if (code < 0) {
                Check(code);
                return BYTE(0);
            }
            return value;
        },
        BYTE(0));
}

void TQelCustomComPort::WriteBlock(const void* block, Integer length) {
    RunOpen([this, block, length](TQelBaseDispatcher& d) { return Check(d.SendBlock(block, length)); }, 0);
}

Integer TQelCustomComPort::PendingOutputCount() {
    if (FState != psOpen) return 0;
    if (GetCurrentThreadId() == FOwnerThread) return FDispatcher ? FDispatcher->OutputCount() : 0;
    std::shared_lock<std::shared_mutex> lock(FGuard);
    if (FState != psOpen || !FDispatcher) return 0;
    return FDispatcher->OutputCount();
}

void TQelCustomComPort::YieldToDevice() {
    RunOpen([this](TQelBaseDispatcher& d) { return Check(d.YieldTime()); }, 0);
}

// ---- Opening and closing ------------------------------------------------------------------------

void TQelCustomComPort::SetOpen(bool value) {
    const TComponentState state = GetComponentState();
    if (state.Contains(csDesigning) || state.Contains(csLoading)) {
        FOpen = value;
        if (value) FForcedOpen = true;
        return;
    }
    if (!value) {
        FDeferredOpen = false;
        if (FState == psOpen) CloseDevice();
        FOpen = false;
        return;
    }
    if (FState == psOpen) return;
    if (FState == psShuttingDown) {
        FDeferredOpen = true;
        return;
    }
    OpenDevice();
}

void TQelCustomComPort::Loaded() {
    inherited::Loaded();
    if (GetComponentState().Contains(csDesigning)) return;
    if (FForcedOpen) FOpen = true;
    if (!FOpen) return;
    FForcedOpen = false;
    FOpen = false;
    try {
        OpenDevice();
    } catch (...) {
        FOpen = false;
        if (Application) Application->HandleException(this);
    }
}

TQelBaseDispatcher* TQelCustomComPort::MakeDispatcher() {
    TQelBaseDispatcher* dispatcher = nullptr;
    if (FDispatcherFactory) {
        dispatcher = FDispatcherFactory(this);
    } else {
        if (FDeviceLayer != dlWin32) Check(-3001);
        if (FTapiMode == TTapiMode::tmOn)
            dispatcher = new TQelTAPI32Dispatcher(this, FTapiHandle);
        else
            dispatcher = new TQelWin32Dispatcher(this);
    }
    if (dispatcher != nullptr) dispatcher->SetDeviceName("COM" + std::to_string(FComNumber));
    return dispatcher;
}

void TQelCustomComPort::ValidatePortNumber() {
    if (FComNumber != 0) return;
    if (!FPromptForPort) Check(-2011);
    TSelectComPortHook hook;
    {
        std::lock_guard<std::mutex> guard(gSelectHookLock);
        hook = gSelectHook;
    }
    Word chosen = 0;
    if (!hook || !hook(chosen) || chosen == 0) Check(-2011);
    FComNumber = chosen;
}

Word TQelCustomComPort::HardwareFlowBits() const {
    Word bits = 0;
    if (FHWFlowOptions.Contains(hwfUseDTR)) bits |= hfUseDTR;
    if (FHWFlowOptions.Contains(hwfUseRTS)) bits |= hfUseRTS;
    if (FHWFlowOptions.Contains(hwfRequireDSR)) bits |= hfRequireDSR;
    if (FHWFlowOptions.Contains(hwfRequireCTS)) bits |= hfRequireCTS;
    return bits;
}

void TQelCustomComPort::InitDispatcherPort() {
    Word flags = 0;
    if (FDTR) flags |= ipAssertDTR;
    if (FRTS) flags |= ipAssertRTS;
    if (FHWFlowOptions.Contains(hwfUseDTR)) flags |= ipAutoDTR;
    if (FHWFlowOptions.Contains(hwfUseRTS)) flags |= ipAutoRTS;
    Integer code = FDispatcher->OpenPort("\\\\.\\COM" + std::to_string(FComNumber), FBaud, flags, FOutSize,
                                         FInSize, FStopBits, FDataBits, Word(FParity));
    if (code == -5)
        code = -2008;
    else if (code == -2 || code == -3)
        code = -2001;
    if (code != 0) {
        Check(code);
        throw EQELException(code); // loading: the open fails all the same
    }
}

void TQelCustomComPort::ApplySettings() {
    TQelBaseDispatcher& d = *FDispatcher;
    SetTracing(FTracing);
    SetLogging(FLogging);
    SetHWFlowOptions(FHWFlowOptions);
    SetSWFlowOptions(FSWFlowOptions);
    Check(d.SetXonXoffChars(FXOnChar, FXOffChar));
    d.SetAvailThreshold(FTriggerLength);
    d.SetDtrState(FDTR);
    if (!FRS485Mode) d.SetRtsState(FRTS);
    d.SetRs485Mode(FRS485Mode);
    d.SetThreadBoost(FThreadBoost);
}

void TQelCustomComPort::OpenDevice() {
    if (FState != psClosed) return;
    if (FTapiMode != TTapiMode::tmOn) ValidatePortNumber();
    FDispatcher.reset(MakeDispatcher());
    if (!FDispatcher) Check(-3001);
    try {
        if (FTapiMode == TTapiMode::tmOn && (FTapiHandle == nullptr || FTapiHandle == INVALID_HANDLE_VALUE))
            Check(-2012);
        InitDispatcherPort();
        FOwnerThread = GetCurrentThreadId();
        {
            std::unique_lock<std::shared_mutex> lock(FGuard);
            FState = psOpen;
        }
        UpdateHandlerInstall();
        // Every open applies every setting: a reopened port has the same line as before.
        ApplySettings();
        FForceApply = false;
        FOpen = true;
        SetupComWindow(true);
        if (FRestoreTriggers) {
            FDispatcher->RestoreTriggers(FSavedTriggers);
            FRestoreTriggers = false;
        }
    } catch (...) {
        FOpen = false;
        {
            std::unique_lock<std::shared_mutex> lock(FGuard);
            FState = psShuttingDown;
        }
        CompleteClose();
        throw;
    }
    FOnPortOpen(this);
}

void TQelCustomComPort::CloseDevice() {
    if (FState != psOpen) return;
    // A trace or log that records is written to its file; a failing write is reported once the
    // port is closed.
    Integer dumpCode = 0;
    if (FDispatcher) {
        dumpCode = ApplyRecordState(*FDispatcher, TraceRecorder, tlDump, FTraceSize, FTraceName, FTraceHex,
                                    FTraceAllHex);
        const Integer logCode =
            ApplyRecordState(*FDispatcher, LogRecorder, tlDump, FLogSize, FLogName, FLogHex, FLogAllHex);
        if (dumpCode == 0) dumpCode = logCode;
    }
    FTracing = tlOff;
    FLogging = tlOff;
    {
        // Waits for operations of other threads that are under way.
        std::unique_lock<std::shared_mutex> lock(FGuard);
        FState = psShuttingDown;
    }
    FOpen = false;
    FDispatcher->SnapshotTriggers(FSavedTriggers);
    FRestoreTriggers = true;
    FForceApply = true;
    const bool insideNotice = FHandlerDepth > 0;
    FDispatcher->ClosePort(insideNotice);
    if (FDispatcher->IsOpen() && FComWindow != nullptr) {
        // Closed from inside a handler: the dispatch thread finishes the notice first.
        PostMessageA(FComWindow, qmClosePending, 0, LPARAM(DWORD(FDispatcher->GetDispatcherId()) << 16));
    } else {
        CompleteClose();
    }
    if (FDestroying) return;
    FOnPortClose(this);
    Check(dumpCode);
}

void TQelCustomComPort::CompleteClose() {
    if (FDispatcher) {
        FDispatcher->FinishClose();
        SetupComWindow(false);
        // The device layer's destructor waits for nothing more: its threads have ended.
        FDispatcher.reset();
    } else {
        SetupComWindow(false);
    }
    std::unique_lock<std::shared_mutex> lock(FGuard);
    FState = psClosed;
    FOpen = false;
}

void TQelCustomComPort::SetupComWindow(bool open) {
    if (open) {
        if (FComWindow != nullptr) return;
        RegisterComWindowClass();
        FComWindow =
            CreateWindowExA(0, ComWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, HInstance, nullptr);
        if (FComWindow != nullptr && FDispatcher) FDispatcher->AddWindowHandler(FComWindow);
        return;
    }
    if (FComWindow == nullptr) return;
    if (FDispatcher) FDispatcher->RemoveWindowHandler(FComWindow);
    DestroyWindow(FComWindow);
    FComWindow = nullptr;
}

void TQelCustomComPort::HandleNotice(TQelBaseDispatcher* dispatcher, UINT message, WPARAM wParam,
                                     LPARAM lParam) {
    if (dispatcher != FDispatcher.get()) return;
    if (message == qmClosePending) {
        if (dispatcher->GetDispatching()) {
            PostMessageA(FComWindow, qmClosePending, wParam, lParam);
            return;
        }
        if (FState != psShuttingDown) return;
        CompleteClose();
        if (FDeferredOpen) {
            FDeferredOpen = false;
            try {
                OpenDevice();
            } catch (...) {
                if (Application) Application->HandleException(this);
            }
        }
        return;
    }
    // A notice that was on its way while the port closed is dropped.
    if (FState != psOpen) return;
    const TLivenessToken alive = LivenessToken();
    ++FHandlerDepth;
    try {
        const Word count = Word(wParam);
        const Word data = message == qmTriggerAvail ? count : LOWORD(std::uintptr_t(lParam));
        DoTrigger(Word(message), count, data);
        if (alive) {
            switch (message) {
            case qmTriggerAvail:
                DoTriggerAvail(count);
                break;
            case qmTriggerData:
                DoTriggerData(count);
                break;
            case qmTriggerTimer:
                DoTriggerTimer(count);
                break;
            case qmTriggerStatus:
                DoTriggerStatus(count);
                if (!alive) break;
                switch (count & 7) {
                case 1:
                    DoTriggerModemStatus();
                    break;
                case 2:
                    if (FDispatcher) {
                        const Integer error = FDispatcher->TakeLineError();
                        DoTriggerLineError(Word(error), FDispatcher && FDispatcher->TakeBreak());
                    }
                    break;
                case 3:
                    DoTriggerOutbuffFree();
                    break;
                case 4:
                    DoTriggerOutbuffUsed();
                    break;
                case 5:
                    DoTriggerOutSent();
                    break;
                default:
                    break;
                }
                break;
            default:
                break;
            }
        }
    } catch (...) {
        if (alive && GetCurrentThreadId() == MainThreadID.load() && Application)
            Application->HandleException(this);
    }
    if (alive) --FHandlerDepth;
}

// ---- Events -------------------------------------------------------------------------------------

bool TQelCustomComPort::AnyTriggerHandler() const {
    return FOnTrigger.Assigned() || FOnTriggerAvail.Assigned() || FOnTriggerData.Assigned() ||
           FOnTriggerStatus.Assigned() || FOnTriggerTimer.Assigned() || FOnTriggerLineError.Assigned() ||
           FOnTriggerModemStatus.Assigned() || FOnTriggerOutbuffFree.Assigned() ||
           FOnTriggerOutbuffUsed.Assigned() || FOnTriggerOutSent.Assigned();
}

void TQelCustomComPort::UpdateHandlerInstall() {
    if (FState != psOpen || !FDispatcher) return;
    FDispatcher->UpdateHandlerFlags(AnyTriggerHandler() ? fuEnablePort : fuDisablePort);
}

void TQelCustomComPort::DoTrigger(Word msg, Word triggerHandle, Word data) {
    if (FOnTrigger) FOnTrigger(this, msg, triggerHandle, data);
}
void TQelCustomComPort::DoTriggerAvail(Word count) {
    if (FOnTriggerAvail) FOnTriggerAvail(this, count);
}
void TQelCustomComPort::DoTriggerData(Word triggerHandle) {
    if (FOnTriggerData) FOnTriggerData(this, triggerHandle);
}
void TQelCustomComPort::DoTriggerStatus(Word triggerHandle) {
    if (FOnTriggerStatus) FOnTriggerStatus(this, triggerHandle);
}
void TQelCustomComPort::DoTriggerTimer(Word triggerHandle) {
    if (FOnTriggerTimer) FOnTriggerTimer(this, triggerHandle);
}
void TQelCustomComPort::DoTriggerLineError(Word error, bool lineBreak) {
    if (FOnTriggerLineError) FOnTriggerLineError(this, error, lineBreak);
}
void TQelCustomComPort::DoTriggerModemStatus() {
    if (FOnTriggerModemStatus) FOnTriggerModemStatus(this);
}
void TQelCustomComPort::DoTriggerOutbuffFree() {
    if (FOnTriggerOutbuffFree) FOnTriggerOutbuffFree(this);
}
void TQelCustomComPort::DoTriggerOutbuffUsed() {
    if (FOnTriggerOutbuffUsed) FOnTriggerOutbuffUsed(this);
}
void TQelCustomComPort::DoTriggerOutSent() {
    if (FOnTriggerOutSent) FOnTriggerOutSent(this);
}

void TQelCustomComPort::SetOnTrigger(const TTriggerEvent& value) {
    FOnTrigger = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerAvail(const TTriggerAvailEvent& value) {
    FOnTriggerAvail = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerData(const TTriggerDataEvent& value) {
    FOnTriggerData = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerStatus(const TTriggerStatusEvent& value) {
    FOnTriggerStatus = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerTimer(const TTriggerTimerEvent& value) {
    FOnTriggerTimer = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerLineError(const TTriggerLineErrorEvent& value) {
    FOnTriggerLineError = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerModemStatus(const TNotifyEvent& value) {
    FOnTriggerModemStatus = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerOutbuffFree(const TNotifyEvent& value) {
    FOnTriggerOutbuffFree = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerOutbuffUsed(const TNotifyEvent& value) {
    FOnTriggerOutbuffUsed = value;
    UpdateHandlerInstall();
}
void TQelCustomComPort::SetOnTriggerOutSent(const TNotifyEvent& value) {
    FOnTriggerOutSent = value;
    UpdateHandlerInstall();
}

// ---- Property setters ---------------------------------------------------------------------------

void TQelCustomComPort::SetDeviceLayer(TDeviceLayer value) {
    if (FState == psClosed && value == dlWin32) FDeviceLayer = value;
}

void TQelCustomComPort::SetComNumber(Word value) {
    if (value == FComNumber) return;
    if (FState != psOpen) {
        FComNumber = value;
        return;
    }
    TQelTriggerSnapshot triggers;
    FDispatcher->SnapshotTriggers(triggers);
    const TTraceLogState tracing = FTracing;
    const TTraceLogState logging = FLogging;
    CloseDevice();
    FComNumber = value;
    FTracing = tracing;
    FLogging = logging;
    if (FState == psClosed) {
        OpenDevice();
        if (FDispatcher) FDispatcher->RestoreTriggers(triggers);
    } else {
        FDeferredOpen = true;
    }
}

namespace {
template <class T> bool Changed(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}
} // namespace

void TQelCustomComPort::SetBaud(Integer value) {
    if (!Changed(FBaud, value)) return;
    if (FState == psOpen) Check(FDispatcher->SetLineParams(FBaud, Word(FParity), FStopBits, FDataBits));
}

void TQelCustomComPort::SetParity(TParity value) {
    if (!Changed(FParity, value)) return;
    if (FState == psOpen) Check(FDispatcher->SetLineParams(FBaud, Word(FParity), FStopBits, FDataBits));
}

void TQelCustomComPort::SetDataBits(Word value) {
    if (!Changed(FDataBits, value)) return;
    if (FState == psOpen) Check(FDispatcher->SetLineParams(FBaud, Word(FParity), FStopBits, FDataBits));
}

void TQelCustomComPort::SetStopBits(Word value) {
    if (!Changed(FStopBits, value)) return;
    if (FState == psOpen) Check(FDispatcher->SetLineParams(FBaud, Word(FParity), FStopBits, FDataBits));
}

void TQelCustomComPort::SetInSize(Word value) {
    if (!Changed(FInSize, value)) return;
    if (FState == psOpen) Check(FDispatcher->SetQueueSizes(FInSize, FOutSize));
}

void TQelCustomComPort::SetOutSize(Word value) {
    if (!Changed(FOutSize, value)) return;
    if (FState == psOpen) Check(FDispatcher->SetQueueSizes(FInSize, FOutSize));
}

void TQelCustomComPort::SetDTR(bool value) {
    if (value == FDTR && !FForceApply) return;
    if (FState != psOpen) {
        FDTR = value;
        return;
    }
    // A line under automatic flow control keeps its stored value.
    if (FDispatcher->SetDtrState(value) == 0) FDTR = value;
}

void TQelCustomComPort::SetRTS(bool value) {
    if (value == FRTS && !FForceApply) return;
    if (FState != psOpen) {
        FRTS = value;
        return;
    }
    if (FDispatcher->SetRtsState(value) == 0) FRTS = value;
}

void TQelCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
    if (value != THWFlowOptionSet()) {
        if (FBufferFull == 0 || FBufferFull > FInSize) FBufferFull = Percent(FInSize, 90);
        if (FBufferResume == 0 || FBufferResume > FBufferFull) FBufferResume = Percent(FInSize, 10);
    }
    FHWFlowOptions = value;
    if (FState == psOpen) Check(FDispatcher->SetHardwareFlow(FBufferFull, FBufferResume, HardwareFlowBits()));
    if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS)) FRS485Mode = false;
}

void TQelCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
    if (value != swfNone) {
        if (FBufferFull == 0 || FBufferFull > FInSize) FBufferFull = Percent(FInSize, 75);
        if (FBufferResume == 0 || FBufferResume > FBufferFull) FBufferResume = Percent(FInSize, 25);
    }
    if (FState == psOpen) {
        if (value == swfNone) {
            Check(FDispatcher->ClearSoftwareFlow());
        } else {
            Word options = 0;
            if (value == swfReceive || value == swfBoth) options |= sfReceiveFlow;
            if (value == swfTransmit || value == swfBoth) options |= sfTransmitFlow;
            Check(FDispatcher->SetSoftwareFlow(FBufferFull, FBufferResume, options));
        }
    }
    FSWFlowOptions = value;
}

void TQelCustomComPort::SetXOnChar(char value) {
    FXOnChar = value;
    if (FState == psOpen) Check(FDispatcher->SetXonXoffChars(FXOnChar, FXOffChar));
}

void TQelCustomComPort::SetXOffChar(char value) {
    FXOffChar = value;
    if (FState == psOpen) Check(FDispatcher->SetXonXoffChars(FXOnChar, FXOffChar));
}

void TQelCustomComPort::SetBufferFull(Word value) {
    FBufferFull = value > FInSize ? Percent(value, 90) : value;
    const bool force = FForceApply;
    FForceApply = true;
    try {
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
    } catch (...) {
        FForceApply = force;
        throw;
    }
    FForceApply = force;
}

void TQelCustomComPort::SetBufferResume(Word value) {
    FBufferResume = value > FBufferFull ? Percent(FBufferFull, 10) : value;
    const bool force = FForceApply;
    FForceApply = true;
    try {
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
    } catch (...) {
        FForceApply = force;
        throw;
    }
    FForceApply = force;
}

void TQelCustomComPort::SetTracing(TTraceLogState value) {
    if (FState != psOpen || !FDispatcher) {
        FTracing = value > tlOn ? tlOff : value;
        return;
    }
    const Integer code =
        ApplyRecordState(*FDispatcher, TraceRecorder, value, FTraceSize, FTraceName, FTraceHex, FTraceAllHex);
    FTracing = StateValue(FDispatcher->GetTraceState());
    Check(code);
}

void TQelCustomComPort::SetLogging(TTraceLogState value) {
    if (FState != psOpen || !FDispatcher) {
        FLogging = value > tlOn ? tlOff : value;
        return;
    }
    const Integer code =
        ApplyRecordState(*FDispatcher, LogRecorder, value, FLogSize, FLogName, FLogHex, FLogAllHex);
    FLogging = StateValue(FDispatcher->GetLogState());
    Check(code);
}

void TQelCustomComPort::SetTraceSize(Cardinal value) {
    value = std::min(value, MaxTraceSize);
    if (value == FTraceSize) return;
    FTraceSize = value;
    // A recording trace starts again at the new size.
    if (FState != psOpen || !FDispatcher || FDispatcher->GetTraceState() == rsOff) return;
    FDispatcher->AbortTracing();
    const Integer code = FDispatcher->InitTracing(Integer(FTraceSize));
    FTracing = StateValue(FDispatcher->GetTraceState());
    Check(code);
}

void TQelCustomComPort::SetLogSize(Cardinal value) {
    value = std::min(value, MaxLogSize);
    if (value == FLogSize) return;
    FLogSize = value;
    if (FState != psOpen || !FDispatcher || FDispatcher->GetLogState() == rsOff) return;
    FDispatcher->AbortLogging();
    const Integer code = FDispatcher->InitLogging(FLogSize);
    FLogging = StateValue(FDispatcher->GetLogState());
    Check(code);
}

void TQelCustomComPort::SetUseEventWord(bool value) { FUseEventWord = value; }

void TQelCustomComPort::SetRS485Mode(bool value) {
    FRS485Mode = value;
    if (FState == psOpen) Check(FDispatcher->SetRs485Mode(value));
    if (value) {
        THWFlowOptionSet options = FHWFlowOptions;
        options.Exclude(hwfUseRTS);
        options.Exclude(hwfRequireCTS);
        SetHWFlowOptions(options);
        FRS485Mode = true;
        SetRTS(false);
    }
}

// ---- TQelComPort --------------------------------------------------------------------------------

TQelComPort::TQelComPort(TComponent* owner) : TQelCustomComPort(owner) {}

namespace {
struct TQePortTypes {
    TQePortTypes() {
        RegisterEnum<TDeviceLayer>("TDeviceLayer", {"dlWin32", "dlWinsock"});
        RegisterEnum<TParity>("TParity", {"pNone", "pOdd", "pEven", "pMark", "pSpace"});
        RegisterEnum<THWFlowOptions>("THWFlowOptions",
                                     {"hwfUseDTR", "hwfUseRTS", "hwfRequireDSR", "hwfRequireCTS"});
        RegisterTypeName<THWFlowOptionSet>("THWFlowOptionSet");
        RegisterEnum<TSWFlowOptions>("TSWFlowOptions", {"swfNone", "swfReceive", "swfTransmit", "swfBoth"});
        RegisterEnum<TTraceLogState>("TTraceLogState",
                                     {"tlOff", "tlOn", "tlDump", "tlAppend", "tlClear", "tlPause"});
        RegisterEnum<TTapiMode>("TTapiMode", {"tmNone", "tmAuto", "tmOn", "tmOff"});
        RegisterTypeName<TTriggerEvent>("TTriggerEvent");
        RegisterTypeName<TTriggerAvailEvent>("TTriggerAvailEvent");
        RegisterTypeName<TTriggerDataEvent>("TTriggerDataEvent");
        RegisterTypeName<TTriggerLineErrorEvent>("TTriggerLineErrorEvent");
    }
};
const TQePortTypes kQePortTypes;
} // namespace

KOV_PUBLISHED(TQelBaseComponent) { Property("Version", &TQelBaseComponent::GetVersion); }

KOV_PUBLISHED(TQelComPort) {
    using P = TQelComPort;
    Property("DeviceLayer", &P::GetDeviceLayer, &P::SetDeviceLayer).Default(dlWin32);
    Property("ComNumber", &P::GetComNumber, &P::SetComNumber).Default(0);
    Property("Baud", &P::GetBaud, &P::SetBaud).Default(19200);
    Property("PromptForPort", &P::GetPromptForPort, &P::SetPromptForPort).Default(true);
    Property("Parity", &P::GetParity, &P::SetParity).Default(pNone);
    Property("DataBits", &P::GetDataBits, &P::SetDataBits).Default(8);
    Property("StopBits", &P::GetStopBits, &P::SetStopBits).Default(1);
    Property("InSize", &P::GetInSize, &P::SetInSize).Default(4096);
    Property("OutSize", &P::GetOutSize, &P::SetOutSize).Default(4096);
    Property("AutoOpen", &P::GetAutoOpen, &P::SetAutoOpen).Default(true);
    Property("Open", &P::GetOpen, &P::SetOpen).Default(false);
    Property("DTR", &P::GetDTR, &P::SetDTR).Default(true);
    Property("RTS", &P::GetRTS, &P::SetRTS).Default(true);
    Property("HWFlowOptions", &P::GetHWFlowOptions, &P::SetHWFlowOptions).Default(THWFlowOptionSet());
    Property("SWFlowOptions", &P::GetSWFlowOptions, &P::SetSWFlowOptions).Default(swfNone);
    Property("XOnChar", &P::GetXOnChar, &P::SetXOnChar).Default(0x11);
    Property("XOffChar", &P::GetXOffChar, &P::SetXOffChar).Default(0x13);
    Property("BufferFull", &P::GetBufferFull, &P::SetBufferFull).Default(0);
    Property("BufferResume", &P::GetBufferResume, &P::SetBufferResume).Default(0);
    Property("Tracing", &P::GetTracing, &P::SetTracing).Default(tlOff);
    Property("Logging", &P::GetLogging, &P::SetLogging).Default(tlOff);
    Property("TraceSize", &P::GetTraceSize, &P::SetTraceSize).Default(10000);
    Property("LogSize", &P::GetLogSize, &P::SetLogSize).Default(10000);
    Property("TraceName", &P::GetTraceName, &P::SetTraceName);
    Property("LogName", &P::GetLogName, &P::SetLogName);
    Property("TraceHex", &P::GetTraceHex, &P::SetTraceHex).Default(true);
    Property("LogHex", &P::GetLogHex, &P::SetLogHex).Default(true);
    Property("TraceAllHex", &P::GetTraceAllHex, &P::SetTraceAllHex).Default(false);
    Property("LogAllHex", &P::GetLogAllHex, &P::SetLogAllHex).Default(false);
    Property("UseMSRShadow", &P::GetUseMSRShadow, &P::SetUseMSRShadow).Default(true);
    Property("UseEventWord", &P::GetUseEventWord, &P::SetUseEventWord).Default(true);
    Property("CommNotificationLevel", &P::GetCommNotificationLevel, &P::SetCommNotificationLevel).Default(10);
    Property("TapiMode", &P::GetTapiMode, &P::SetTapiMode).Default(TTapiMode::tmAuto);
    Property("RS485Mode", &P::GetRS485Mode, &P::SetRS485Mode).Default(false);
    Property("Tag", &P::GetTag, &P::SetTag).Default(0);
    Property("OnPortOpen", &P::GetOnPortOpen, &P::SetOnPortOpen);
    Property("OnPortClose", &P::GetOnPortClose, &P::SetOnPortClose);
    Property("OnTrigger", &P::GetOnTrigger, &P::SetOnTrigger);
    Property("OnTriggerAvail", &P::GetOnTriggerAvail, &P::SetOnTriggerAvail);
    Property("OnTriggerData", &P::GetOnTriggerData, &P::SetOnTriggerData);
    Property("OnTriggerStatus", &P::GetOnTriggerStatus, &P::SetOnTriggerStatus);
    Property("OnTriggerTimer", &P::GetOnTriggerTimer, &P::SetOnTriggerTimer);
    Property("OnTriggerLineError", &P::GetOnTriggerLineError, &P::SetOnTriggerLineError);
    Property("OnTriggerModemStatus", &P::GetOnTriggerModemStatus, &P::SetOnTriggerModemStatus);
    Property("OnTriggerOutbuffFree", &P::GetOnTriggerOutbuffFree, &P::SetOnTriggerOutbuffFree);
    Property("OnTriggerOutbuffUsed", &P::GetOnTriggerOutbuffUsed, &P::SetOnTriggerOutbuffUsed);
    Property("OnTriggerOutSent", &P::GetOnTriggerOutSent, &P::SetOnTriggerOutSent);
}

namespace {
const bool kQePortRegistered = [] {
    RegisterClasses({TQelComPort::StaticClass()});
    return true;
}();
} // namespace
