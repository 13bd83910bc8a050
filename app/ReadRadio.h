// "Read From Radio": the dialog that opens the port, enters the radio's programming mode,
// identifies the radio and runs the read worker, which reads the radio memory record by record.
// What the worker reads stays its own until the whole read has succeeded: channel rows go to
// the hidden staging grid, model, band, message and settings to the worker's own objects, and
// the termination handler makes them current.
#pragma once

#include <array>
#include <atomic>
#include <memory>

#include "app/WriteRead.h"
#include "app/myFun.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Threads.h"

class TMacType;
class TCustomTambor;
class TQelComPort;
class TqzButton;
class TqzProgressBar;
class TfReadRadio;

namespace ReadRadio {

// The reply state of the read, shared by the dialog (user-interface thread) and its worker,
// which take turns: the worker has it set up and its command written (on the user-interface
// thread, in one hand-off), the receive handler fills the buffer, stops the reply timer and
// releases the worker.
extern std::array<Byte, 49> RxBuffer;
extern std::atomic<Integer> ExpectedCount; // reply bytes still awaited
extern std::atomic<bool> ErrorReported;    // a communication prompt was shown for this attempt
extern std::atomic<bool> ReplyTimedOut;    // the awaited reply did not come

// Waits until the port has sent everything it was given, looking again as soon as the bytes
// still to go can have left at 9600 baud (at most 50 ms later); gives up after about 5 s.
void WaitOutputDrained(TQelComPort& port);

// The read worker. Created for one attempt with the radio's model code; the dialog frees it.
class TSendThread : public TThread {
public:
    TSendThread(TfReadRadio* dialog, const String& code);
    ~TSendThread() override;

    // Looks the code up in the model list; true when found.
    bool SelectModel(const String& code);
    // The read sequence; true when it is complete.
    bool RunRead();
    // Decodes one channel record into the staging grid (an empty channel leaves its row empty).
    bool DecodeChannelRow(const TRecord16& record, Integer channel);
    // Writes a command and waits for its reply of replyLength bytes; true when it came.
    bool SendCommand(const Byte* bytes, Integer length, Integer replyLength);
    // 0x06 for 0x06; true when the radio answered 0x06.
    bool ExchangeAck();
    // 'E', then waits until the port has sent everything; always true.
    bool SendEnd();
    // One 16-byte record as two half-block reads, each followed by an acknowledgement exchange.
    bool ReadMemoryBlock(TRecord16& record);

    // From the user-interface thread: ends the attempt. A waiting worker is released, and the
    // worker sends nothing more.
    void Release();

    // Set when RunRead returned true.
    bool Succeeded = false;
    // What was read, made current only after success.
    TMacType* Model = nullptr;
    String ModelCode; // from the model record
    String BandText;
    TFun Settings;
    TEnMsg Message;

protected:
    void Execute() override;

private:
    // Waits until the receive handler or the reply timer lets the worker go on.
    bool AwaitReply();
    void Advance();

    TfReadRadio* FDialog;
    String FCode;
    Integer FAddress = -8;
    std::unique_ptr<TBWriteRead> FCodec;
};

} // namespace ReadRadio

class TfReadRadio : public TForm {
    KOV_CLASS(TfReadRadio, TForm)
public:
    explicit TfReadRadio(TComponent* owner);
    ~TfReadRadio() override;

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void btnOkClick(TObject* sender);
    // The receive handler: collects reply bytes and acts on a complete reply.
    void myPortTrigger(TObject* cp, Word msg, Word triggerHandle, Word data);
    void TryTimeTimer(TObject* sender);
    void HeadTimeTimer(TObject* sender);
    void CloseTimeTimer(TObject* sender);

    // Sets the port up and opens it; false (after "LPortError") when that fails.
    bool OpenPort();
    void SendHandshake();
    // Characters 2 to 5 of the identification when the model list knows that code, else empty.
    String ModelCodeOfIdent(const String& ident) const;
    // The worker's termination handler.
    void ReadFinished(TObject* sender);

    TqzProgressBar* pBar = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;
    TQelComPort* myPort = nullptr;
    TTimer* TryTime = nullptr;
    TTimer* HeadTime = nullptr;
    TTimer* CloseTime = nullptr;

    // The result the caller asks for after the dialog closed.
    bool ReadSucceeded = false;
    Integer TransferState = 0; // 0 worker, 1 handshake sent, 2 identification asked, 5 finished
    Integer RxCount = 0;
    // Where the channel rows go until the read has succeeded (the main window's staging grid).
    TCustomTambor* StagingGrid = nullptr;

    ReadRadio::TSendThread* GetWorker() const { return FWorker.get(); }

private:
    friend class ReadRadio::TSendThread;
    void StartWorker(const String& code);
    // Releases a worker that may still wait, waits for its end and frees it. quiet: the
    // attempt is given up on purpose, so the worker reports nothing.
    void StopWorker(bool quiet);
    // Run through Synchronize by the worker.
    // Sets the reply state up for a reply of replyLength bytes, writes the command and starts
    // the reply timer. The receive handler stops the timer when it releases the worker.
    void BeginReply(const Byte* bytes, Integer length, Integer replyLength);
    void ResetStaging(Integer channelCount);
    void CommitRead(ReadRadio::TSendThread& worker);

    std::unique_ptr<ReadRadio::TSendThread> FWorker;
    // A block command's reply is awaited (user-interface thread only).
    bool FAwaitingReply = false;
};
