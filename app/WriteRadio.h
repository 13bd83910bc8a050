// "Write To Radio": the dialog that opens the port, enters the radio's programming mode,
// checks the radio's model against the current one and runs the write worker, which writes
// the radio memory record by record. The channel rows are taken from the channel table when
// the worker starts, and every record is encoded before the first command, so a cell that
// cannot be encoded sends nothing.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "app/WriteRead.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Threads.h"

class TCustomTambor;
class TQelComPort;
class TqzButton;
class TqzProgressBar;
class TfWriteRadio;

namespace WriteRadio {

// The reply state of the write, shared by the dialog (user-interface thread) and its worker,
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

// The channel rows of the channel table as they were when the write started.
class TChannelSnapshot : public IChannelCells {
public:
    // Rows 2 .. channelCount + 1, columns 1 to 10.
    TChannelSnapshot(const TCustomTambor* grid, Integer channelCount);
    String GetForeText(Integer col, Integer row) const override;
    String GetBackText(Integer col, Integer row) const override;
    void SetForeText(Integer col, Integer row, const String& text) override;
    void SetBackText(Integer col, Integer row, const String& text) override;

private:
    struct TCell {
        String Fore, Back;
    };
    const TCell* Find(Integer col, Integer row) const;
    Integer FRows = 0;
    std::vector<TCell> FCells; // row-major, 11 columns
};

// The write worker, for one attempt; the dialog frees it.
class TSendThread : public TThread {
public:
    TSendThread(TfWriteRadio* dialog, std::unique_ptr<TChannelSnapshot> rows, const String& noneText);
    ~TSendThread() override;

    // The write sequence; true when it is complete.
    bool RunWrite();
    // Encodes channel `channel` from row channel + 1 of the snapshot (an empty RX gives a blank
    // record), appending to AppState's UsedBits and ScanBits.
    bool EncodeChannelRow(TRecord16& record, Integer channel);
    // Writes a command and waits for its reply of replyLength bytes; true when it came.
    bool SendCommand(const Byte* bytes, Integer length, Integer replyLength);
    // 0x06 for 0x06; true when the radio answered 0x06.
    bool ExchangeAck();
    // 'E', then waits until the port has sent everything; always true.
    bool SendEnd();
    // One 16-byte record as two half-block writes ('W', or 'Y' for the settings record B).
    bool WriteMemoryBlock(const TRecord16& record);
    bool WriteSettingsBlock(const TRecord16& record);

    // From the user-interface thread: ends the attempt. A waiting worker is released, and the
    // worker sends nothing more.
    void Release();

    // Set when RunWrite returned true.
    bool Succeeded = false;

protected:
    void Execute() override;

private:
    bool AwaitReply();
    bool WriteBlock(Byte letter, const TRecord16& record);
    void Advance();

    TfWriteRadio* FDialog;
    std::unique_ptr<TChannelSnapshot> FRows;
    String FNoneText;
    Integer FAddress = -8;
    std::unique_ptr<TBWriteRead> FCodec;
};

} // namespace WriteRadio

class TfWriteRadio : public TForm {
    KOV_CLASS(TfWriteRadio, TForm)
public:
    explicit TfWriteRadio(TComponent* owner);
    ~TfWriteRadio() override;

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
    // Starts an attempt: clears the port's buffers and sends the handshake.
    void StartTransfer();
    // The radio's identification against the current model: 1 refuse, 2 same model, 3 ask.
    Integer CheckRadioModel(const String& ident) const;
    // The worker's termination handler.
    void WriteFinished(TObject* sender);

    TqzProgressBar* pBar = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;
    TQelComPort* myPort = nullptr;
    TTimer* TryTime = nullptr;
    TTimer* HeadTime = nullptr;
    TTimer* CloseTime = nullptr;

    Integer TransferState = 0; // 0 worker, 1 handshake sent, 2 identification asked, 5 finished
    Integer RxCount = 0;
    // The channel table the rows are written from, and the text it shows for no tone.
    const TCustomTambor* ChannelGrid = nullptr;
    String NoneText;

    WriteRadio::TSendThread* GetWorker() const { return FWorker.get(); }

private:
    friend class WriteRadio::TSendThread;
    void StartWorker();
    // Releases a worker that may still wait, waits for its end and frees it. quiet: the
    // attempt is given up on purpose, so the worker reports nothing.
    void StopWorker(bool quiet);
    // Run through Synchronize by the worker.
    // Sets the reply state up for a reply of replyLength bytes, writes the command and starts
    // the reply timer. The receive handler stops the timer when it releases the worker.
    void BeginReply(const Byte* bytes, Integer length, Integer replyLength);

    std::unique_ptr<WriteRadio::TSendThread> FWorker;
    // A block command's reply is awaited (user-interface thread only).
    bool FAwaitingReply = false;
};
