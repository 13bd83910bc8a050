// The serial port as a component: published line settings, buffer sizes, flow control, trace
// and log settings, and events. Opening it makes a dispatcher with its threads; the
// dispatcher's notices reach the component through a hidden window and become its events on
// the thread that opened it (the user-interface thread).
#pragma once

#include <functional>
#include <memory>
#include <shared_mutex>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/winapi/WinCore.h"
#include "serial/QwUser.h"

enum TDeviceLayer { dlWin32, dlWinsock };
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOptions { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };
using THWFlowOptionSet = TSet<THWFlowOptions, hwfRequireCTS>;
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
// Scoped: the class library's transparent mode has a tmAuto of its own.
enum class TTapiMode { tmNone, tmAuto, tmOn, tmOff };

using TTriggerEvent = TClosure<void(TObject* CP, Word Msg, Word TriggerHandle, Word Data)>;
using TTriggerAvailEvent = TClosure<void(TObject* CP, Word Count)>;
// The data, status and timer triggers share one shape.
using TTriggerDataEvent = TClosure<void(TObject* CP, Word TriggerHandle)>;
using TTriggerStatusEvent = TTriggerDataEvent;
using TTriggerTimerEvent = TTriggerDataEvent;
using TTriggerLineErrorEvent = TClosure<void(TObject* CP, Word Error, bool LineBreak)>;

// Asks the user for a port when a port without a number opens (the port selection window
// installs it); true with the chosen number. Without it such an open fails with
// ENoPortSelected.
using TSelectComPortHook = std::function<bool(Word& port)>;
TSelectComPortHook SetSelectComPortHook(TSelectComPortHook hook);

class TQelBaseComponent : public TComponent {
    KOV_CLASS(TQelBaseComponent, TComponent)
public:
    explicit TQelBaseComponent(TComponent* owner);
    String GetVersion() const;
};

class TQelCustomComPort : public TQelBaseComponent {
    KOV_CLASS(TQelCustomComPort, TQelBaseComponent)
public:
    explicit TQelCustomComPort(TComponent* owner);
    // Closes an open port (without firing events or raising a failed dump: the owner may be
    // half gone); a recording trace or log is still written.
    ~TQelCustomComPort() override;

    // ---- Operations ------------------------------------------------------------------------
    // On a closed port each of these opens it first when AutoOpen is set (on another thread
    // the open runs on the user-interface thread), otherwise raises ECommNotOpen; while the
    // port is shutting down they do nothing. A failing code raises its exception.
    void ClearInput();
    void ClearOutput();
    bool HasInputByte();
    // Inside a data-available handler reads ahead: the bytes are consumed once the handlers
    // have returned.
    BYTE ReadByte();
    // May be called from a worker thread; a close on the user-interface thread waits for it.
    void WriteBlock(const void* block, Integer length);
    // 0 on a closed port (which is not opened for it). May be called from a worker thread.
    Integer PendingOutputCount();
    virtual void YieldToDevice();

    // ---- Properties ------------------------------------------------------------------------
    TDeviceLayer GetDeviceLayer() const { return FDeviceLayer; }
    void SetDeviceLayer(TDeviceLayer value);
    Word GetComNumber() const { return FComNumber; }
    void SetComNumber(Word value);
    Integer GetBaud() const { return FBaud; }
    void SetBaud(Integer value);
    bool GetPromptForPort() const { return FPromptForPort; }
    void SetPromptForPort(bool value) { FPromptForPort = value; }
    TParity GetParity() const { return FParity; }
    void SetParity(TParity value);
    Word GetDataBits() const { return FDataBits; }
    void SetDataBits(Word value);
    Word GetStopBits() const { return FStopBits; }
    void SetStopBits(Word value);
    Word GetInSize() const { return FInSize; }
    void SetInSize(Word value);
    Word GetOutSize() const { return FOutSize; }
    void SetOutSize(Word value);
    bool GetAutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool value) { FAutoOpen = value; }
    bool GetOpen() const { return FOpen; }
    void SetOpen(bool value);
    bool GetDTR() const { return FDTR; }
    void SetDTR(bool value);
    bool GetRTS() const { return FRTS; }
    void SetRTS(bool value);
    THWFlowOptionSet GetHWFlowOptions() const { return FHWFlowOptions; }
    void SetHWFlowOptions(THWFlowOptionSet value);
    TSWFlowOptions GetSWFlowOptions() const { return FSWFlowOptions; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char GetXOnChar() const { return FXOnChar; }
    void SetXOnChar(char value);
    char GetXOffChar() const { return FXOffChar; }
    void SetXOffChar(char value);
    Word GetBufferFull() const { return FBufferFull; }
    void SetBufferFull(Word value);
    Word GetBufferResume() const { return FBufferResume; }
    void SetBufferResume(Word value);
    // Tracing and Logging act on an open port at once: tlOn starts (or resumes) recording,
    // tlPause pauses it, tlClear empties the buffer, tlDump and tlAppend write it to TraceName or
    // LogName and switch it off, tlOff frees it; the value read back is tlOn, tlPause or tlOff.
    // A closed port only stores tlOff or tlOn (anything else as tlOff) and starts recording
    // when it opens. Closing writes what is recorded; a file that cannot be written raises its
    // error once the port is closed. A new TraceSize or LogSize restarts a recording.
    TTraceLogState GetTracing() const { return FTracing; }
    void SetTracing(TTraceLogState value);
    TTraceLogState GetLogging() const { return FLogging; }
    void SetLogging(TTraceLogState value);
    Cardinal GetTraceSize() const { return FTraceSize; }
    void SetTraceSize(Cardinal value);
    Cardinal GetLogSize() const { return FLogSize; }
    void SetLogSize(Cardinal value);
    String GetTraceName() const { return FTraceName; }
    void SetTraceName(const String& value) { FTraceName = value; }
    String GetLogName() const { return FLogName; }
    void SetLogName(const String& value) { FLogName = value; }
    bool GetTraceHex() const { return FTraceHex; }
    void SetTraceHex(bool value) { FTraceHex = value; }
    bool GetLogHex() const { return FLogHex; }
    void SetLogHex(bool value) { FLogHex = value; }
    bool GetTraceAllHex() const { return FTraceAllHex; }
    void SetTraceAllHex(bool value) { FTraceAllHex = value; }
    bool GetLogAllHex() const { return FLogAllHex; }
    void SetLogAllHex(bool value) { FLogAllHex = value; }
    bool GetUseMSRShadow() const { return FUseMSRShadow; }
    // Stored only.
    virtual void SetUseMSRShadow(bool value) { FUseMSRShadow = value; }
    bool GetUseEventWord() const { return FUseEventWord; }
    void SetUseEventWord(bool value);
    Word GetCommNotificationLevel() const { return FCommNotificationLevel; }
    void SetCommNotificationLevel(Word value) { FCommNotificationLevel = value; }
    TTapiMode GetTapiMode() const { return FTapiMode; }
    void SetTapiMode(TTapiMode value) { FTapiMode = value; }
    bool GetRS485Mode() const { return FRS485Mode; }
    void SetRS485Mode(bool value);

    // The handle a telephony layer supplies for TapiMode tmOn (none in this system).
    HANDLE GetTapiHandle() const { return FTapiHandle; }
    void SetTapiHandle(HANDLE value) { FTapiHandle = value; }
    // Makes the dispatcher instead of the device layer's own when set.
    void SetDispatcherFactory(std::function<TQelBaseDispatcher*(TQelCustomComPort*)> factory);
    // The dispatcher of an open port, or null.
    TQelBaseDispatcher* GetDispatcher() const { return FDispatcher.get(); }
    // The hidden window of an open port, or null.
    HWND GetComWindow() const { return FComWindow; }

    // ---- Events ----------------------------------------------------------------------------
    const TNotifyEvent& GetOnPortOpen() const { return FOnPortOpen; }
    void SetOnPortOpen(const TNotifyEvent& value) { FOnPortOpen = value; }
    const TNotifyEvent& GetOnPortClose() const { return FOnPortClose; }
    void SetOnPortClose(const TNotifyEvent& value) { FOnPortClose = value; }
    const TTriggerEvent& GetOnTrigger() const { return FOnTrigger; }
    void SetOnTrigger(const TTriggerEvent& value);
    const TTriggerAvailEvent& GetOnTriggerAvail() const { return FOnTriggerAvail; }
    void SetOnTriggerAvail(const TTriggerAvailEvent& value);
    const TTriggerDataEvent& GetOnTriggerData() const { return FOnTriggerData; }
    void SetOnTriggerData(const TTriggerDataEvent& value);
    const TTriggerStatusEvent& GetOnTriggerStatus() const { return FOnTriggerStatus; }
    void SetOnTriggerStatus(const TTriggerStatusEvent& value);
    const TTriggerTimerEvent& GetOnTriggerTimer() const { return FOnTriggerTimer; }
    void SetOnTriggerTimer(const TTriggerTimerEvent& value);
    const TTriggerLineErrorEvent& GetOnTriggerLineError() const { return FOnTriggerLineError; }
    void SetOnTriggerLineError(const TTriggerLineErrorEvent& value);
    const TNotifyEvent& GetOnTriggerModemStatus() const { return FOnTriggerModemStatus; }
    void SetOnTriggerModemStatus(const TNotifyEvent& value);
    const TNotifyEvent& GetOnTriggerOutbuffFree() const { return FOnTriggerOutbuffFree; }
    void SetOnTriggerOutbuffFree(const TNotifyEvent& value);
    const TNotifyEvent& GetOnTriggerOutbuffUsed() const { return FOnTriggerOutbuffUsed; }
    void SetOnTriggerOutbuffUsed(const TNotifyEvent& value);
    const TNotifyEvent& GetOnTriggerOutSent() const { return FOnTriggerOutSent; }
    void SetOnTriggerOutSent(const TNotifyEvent& value);

    void Loaded() override;

protected:
    friend LRESULT QelComWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    virtual TQelBaseDispatcher* MakeDispatcher();
    virtual void EmptyHook() {}
    virtual void InitDispatcherPort();
    virtual void SetupComWindow(bool open);
    virtual void ValidatePortNumber();
    virtual void DoTrigger(Word msg, Word triggerHandle, Word data);
    virtual void DoTriggerAvail(Word count);
    virtual void DoTriggerData(Word triggerHandle);
    virtual void DoTriggerStatus(Word triggerHandle);
    virtual void DoTriggerTimer(Word triggerHandle);
    virtual void UpdateHandlerInstall();
    virtual void DoTriggerLineError(Word error, bool lineBreak);
    virtual void DoTriggerModemStatus();
    virtual void DoTriggerOutbuffFree();
    virtual void DoTriggerOutbuffUsed();
    virtual void DoTriggerOutSent();
    virtual void FireAuxEvent() {}
    virtual void CloseDevice();
    virtual void OpenDevice();

private:
    enum TPortState { psClosed, psShuttingDown, psOpen };

    // Runs a notice of the hidden window (user-interface thread, registry lock held).
    void HandleNotice(TQelBaseDispatcher* dispatcher, UINT message, WPARAM wParam, LPARAM lParam);
    // Stops the dispatcher, removes the window and frees the dispatcher.
    void CompleteClose();
    // Applies every line, flow and trigger setting to the open port.
    void ApplySettings();
    // For the data operations: true when the port is open (opening it on use), false while it
    // shuts down; raises ECommNotOpen for a closed port without AutoOpen.
    bool PrepareOperation();
    void OpenOnUse();
    template <class R, class F> R RunOpen(F operation, R idle);
    Integer Check(Integer code);
    bool AnyTriggerHandler() const;
    Word HardwareFlowBits() const;

    std::unique_ptr<TQelBaseDispatcher> FDispatcher;
    std::function<TQelBaseDispatcher*(TQelCustomComPort*)> FDispatcherFactory;
    std::atomic<TPortState> FState{psClosed};
    // Taken shared by operations from other threads, exclusively while the state changes.
    std::shared_mutex FGuard;
    std::atomic<DWORD> FOwnerThread{0};
    HWND FComWindow = nullptr;
    Integer FHandlerDepth = 0;
    Integer FTriggerLength = 1;
    Integer FThreadBoost = 0;
    bool FForceApply = true;
    bool FDeferredOpen = false;
    bool FForcedOpen = false;
    bool FRestoreTriggers = false;
    bool FDestroying = false;
    TQelTriggerSnapshot FSavedTriggers;
    HANDLE FTapiHandle = nullptr;

    TDeviceLayer FDeviceLayer = dlWin32;
    Word FComNumber = 0;
    Integer FBaud = 19200;
    bool FPromptForPort = true;
    TParity FParity = pNone;
    Word FDataBits = 8;
    Word FStopBits = 1;
    Word FInSize = 4096;
    Word FOutSize = 4096;
    bool FAutoOpen = true;
    bool FOpen = false;
    bool FDTR = true;
    bool FRTS = true;
    THWFlowOptionSet FHWFlowOptions;
    TSWFlowOptions FSWFlowOptions = swfNone;
    char FXOnChar = 0x11;
    char FXOffChar = 0x13;
    Word FBufferFull = 0;
    Word FBufferResume = 0;
    TTraceLogState FTracing = tlOff;
    TTraceLogState FLogging = tlOff;
    Cardinal FTraceSize = 10000;
    Cardinal FLogSize = 10000;
    String FTraceName = "TOLK.TRC";
    String FLogName = "TOLK.LOG";
    bool FTraceHex = true;
    bool FLogHex = true;
    bool FTraceAllHex = false;
    bool FLogAllHex = false;
    bool FUseMSRShadow = true;
    bool FUseEventWord = true;
    Word FCommNotificationLevel = 10;
    TTapiMode FTapiMode = TTapiMode::tmAuto;
    bool FRS485Mode = false;

    TNotifyEvent FOnPortOpen;
    TNotifyEvent FOnPortClose;
    TTriggerEvent FOnTrigger;
    TTriggerAvailEvent FOnTriggerAvail;
    TTriggerDataEvent FOnTriggerData;
    TTriggerStatusEvent FOnTriggerStatus;
    TTriggerTimerEvent FOnTriggerTimer;
    TTriggerLineErrorEvent FOnTriggerLineError;
    TNotifyEvent FOnTriggerModemStatus;
    TNotifyEvent FOnTriggerOutbuffFree;
    TNotifyEvent FOnTriggerOutbuffUsed;
    TNotifyEvent FOnTriggerOutSent;
};

// Publishes the properties and events; no code of its own.
class TQelComPort : public TQelCustomComPort {
    KOV_CLASS(TQelComPort, TQelCustomComPort)
public:
    explicit TQelComPort(TComponent* owner);
};
