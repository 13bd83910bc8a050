#include "app/ReadRadio.h"

#include <algorithm>

#include "app/AllClass.h"
#include "app/EntryCode.h"
#include "app/MacType.h"
#include "grid/Tambor.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "serial/QePort.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzProgressBar.h"

namespace ReadRadio {

std::array<Byte, 49> RxBuffer{};
std::atomic<Integer> ExpectedCount{0};
std::atomic<bool> ErrorReported{false};
std::atomic<bool> ReplyTimedOut{false};

void WaitOutputDrained(TQelComPort& port) { WaitPortOutputDrained(port); }

} // namespace ReadRadio

using namespace ReadRadio;

namespace {

constexpr Word DataAvailable = 0x7E01;
constexpr Byte Ack = 0x06;
constexpr Byte Stx = 0x02;

// Windows, controls, timers and grids belong to the user-interface thread.
void RequireMainThread(const char* what) {
    if (GetCurrentThreadId() != MainThreadID.load())
        throw EThread(String(what) + " runs on the user-interface thread only");
}

// "COM12" gives 12: the name from its fourth character on.
Word PortNumberOf(const String& name) {
    const Integer number = StrToInt(Copy(name, 4, Integer(name.size())));
    if (number < 0 || number > 0xFFFF) throw EConvertError("'" + name + "' is not a valid port name");
    return Word(number);
}

// The staging grid's cells, written by plain assignment.
class TGridCells : public IChannelCells {
public:
    explicit TGridCells(TCustomTambor& grid) : FGrid(grid) {}
    String GetForeText(Integer col, Integer row) const override { return FGrid.CellAt(col, row).ForeText; }
    String GetBackText(Integer col, Integer row) const override { return FGrid.CellAt(col, row).BackText; }
    void SetForeText(Integer col, Integer row, const String& text) override {
        FGrid.CellAt(col, row).ForeText = text;
    }
    void SetBackText(Integer col, Integer row, const String& text) override {
        FGrid.CellAt(col, row).BackText = text;
    }

private:
    TCustomTambor& FGrid;
};

} // namespace

// ---- The worker -------------------------------------------------------------------------------

TSendThread::TSendThread(TfReadRadio* dialog, const String& code)
    : TThread(true), FDialog(dialog), FCode(code) {}

TSendThread::~TSendThread() {
    // Execute uses this object's members: it must have ended before they go.
    Release();
    WaitFor();
}

void TSendThread::Release() {
    Terminate();
    ReplyTimedOut = true;
    Resume();
}

void TSendThread::Execute() {
    Synchronize([this] {
        RequireMainThread("Disabling OK");
        FDialog->btnOk->SetEnabled(false);
    });
    ErrorReported = false;
    Succeeded = RunRead();
    if (!Succeeded && !ErrorReported.exchange(true))
        Synchronize([] {
            RequireMainThread("A prompt");
            ShowPrompt(PromptTexts->Confirmation, PromptTexts->ComError, 1);
        });
}

bool TSendThread::SelectModel(const String& code) {
    Model = ModelList->FindModelByCode(code);
    return Model != nullptr;
}

bool TSendThread::AwaitReply() {
    Suspend();
    return !ReplyTimedOut && !GetTerminated();
}

bool TSendThread::SendCommand(const Byte* bytes, Integer length, Integer replyLength) {
    if (GetTerminated()) return false;
    // One hand-off to the user-interface thread: the reply state, the write and the reply timer
    // together, so the reply cannot find the state unprepared.
    Synchronize([this, bytes, length, replyLength] { FDialog->BeginReply(bytes, length, replyLength); });
    const bool answered = AwaitReply();
    return answered;
}

bool TSendThread::ExchangeAck() {
    const Byte ack = Ack;
    // The reply timer guards the exchange too: a silent radio cannot keep the worker waiting.
    if (!SendCommand(&ack, 1, 1)) return false;
    return RxBuffer[0] == Ack;
}

bool TSendThread::SendEnd() {
    if (GetTerminated()) return true;
    ExpectedCount = 1;
    ReplyTimedOut = false;
    const Byte end = 'E';
    FDialog->myPort->WriteBlock(&end, 1);
    WaitOutputDrained(*FDialog->myPort);
    return true;
}

bool TSendThread::ReadMemoryBlock(TRecord16& record) {
    for (std::size_t half = 0; half < 2; ++half) {
        FAddress += 8;
        const Byte command[4] = {'R', Byte((FAddress >> 8) & 0xFF), Byte(FAddress & 0xFF), 8};
        if (!SendCommand(command, 4, 12)) return false;
        std::copy(RxBuffer.begin() + 4, RxBuffer.begin() + 12, record.begin() + half * 8);
        if (!ExchangeAck()) return false;
    }
    Advance();
    return true;
}

void TSendThread::Advance() {
    // Nothing waits for the bar: the step is queued, in order with the worker's other calls, and
    // the next command goes out meanwhile. The dialog outlives the worker's queued calls (it
    // waits for the worker's end, which comes after them).
    TfReadRadio* dialog = FDialog;
    Queue([dialog] {
        RequireMainThread("The progress bar");
        dialog->pBar->SetPosition(dialog->pBar->GetPosition() + 1);
    });
}

bool TSendThread::DecodeChannelRow(const TRecord16& record, Integer channel) {
    bool decoded = false;
    Synchronize([&] {
        RequireMainThread("The staging grid");
        if (!FDialog->StagingGrid) return;
        TGridCells cells(*FDialog->StagingGrid);
        decoded = FCodec->DecodeChannelRow(record, cells, channel + 1);
    });
    return decoded;
}

bool TSendThread::RunRead() {
    try {
        FCodec = std::make_unique<TBWriteRead>();
        if (!ExchangeAck()) return false;
        if (!SelectModel(FCode)) return false;
        const Integer count = Model->ChannelCount;
        Synchronize([this, count] {
            FDialog->ResetStaging(count);
            RequireMainThread("The progress bar");
            FDialog->pBar->GetBarProperties()->SetMax(count + 6);
            FDialog->pBar->SetPosition(0);
        });
        FAddress = -8;

        TRecord16 record;
        if (!ReadMemoryBlock(record)) return false;
        FCodec->DecodeBlockZero(record);
        for (Integer channel = 1; channel <= count; ++channel) {
            if (!ReadMemoryBlock(record)) return false;
            DecodeChannelRow(record, channel);
        }
        FAddress += 16 * Model->GapBlocks;

        String texts[4];
        for (String& text : texts) {
            if (!ReadMemoryBlock(record)) return false;
            text = FCodec->DecodeText(record);
        }
        Message.LineA = texts[0] + texts[1];
        Message.LineB = texts[2] + texts[3];

        if (!ReadMemoryBlock(record)) return false;
        FCodec->DecodeSettingsA(record, Settings);

        if (!ReadMemoryBlock(record)) return false;
        Integer bandCode = 0;
        // A record naming no model (a blank radio) leaves the identified model's code.
        FCodec->DecodeModelRecord(record, *Model, ModelCode, bandCode);
        BandText = ModelBandOf(*Model, *BandList, bandCode);

        FAddress = 0x2A8;
        if (!ReadMemoryBlock(record)) return false;
        FCodec->DecodeSettingsB(record, Settings);

        SendEnd();
        Synchronize([this] {
            RequireMainThread("The progress bar");
            FDialog->pBar->SetPosition(FDialog->pBar->GetBarProperties()->GetMax());
        });
        FCodec.reset();
        return !GetTerminated();
    } catch (...) {
        // A port error or a failed hand-off: the attempt fails and Execute reports it once.
        FCodec.reset();
        return false;
    }
}

// ---- The dialog -------------------------------------------------------------------------------

TfReadRadio::TfReadRadio(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    pBar = dynamic_cast<TqzProgressBar*>(FindComponent("pBar"));
    btnOk = dynamic_cast<TqzButton*>(FindComponent("btnOk"));
    btnCancel = dynamic_cast<TqzButton*>(FindComponent("btnCancel"));
    myPort = dynamic_cast<TQelComPort*>(FindComponent("myPort"));
    TryTime = dynamic_cast<TTimer*>(FindComponent("TryTime"));
    HeadTime = dynamic_cast<TTimer*>(FindComponent("HeadTime"));
    CloseTime = dynamic_cast<TTimer*>(FindComponent("CloseTime"));
}

TfReadRadio::~TfReadRadio() { StopWorker(true); }

void TfReadRadio::FormShow(TObject*) {
    ReadSucceeded = false;
    ReplyTimedOut = false;
    ErrorReported = false;
    // The design language keeps the design texts; the dialog has no lists to translate.
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, false);
    StopWorker(true);
    myPort->SetOpen(false);
    if (!OpenPort()) CloseTime->SetEnabled(true);
}

bool TfReadRadio::OpenPort() {
    try {
        myPort->SetOpen(false);
        Sleep(50);
        myPort->SetComNumber(PortNumberOf(AppState->ComPort));
        myPort->SetBaud(9600);
        myPort->SetParity(pNone);
        myPort->SetDataBits(8);
        myPort->SetStopBits(2);
        myPort->ClearInput();
        myPort->ClearOutput();
        myPort->SetOpen(true);
        return true;
    } catch (...) {
        if (!ErrorReported.exchange(true)) ShowPrompt(PromptTexts->Confirmation, PromptTexts->LPortError, 1);
        return false;
    }
}

void TfReadRadio::FormClose(TObject*, TCloseAction&) {
    StopWorker(true);
    TryTime->SetEnabled(false);
    HeadTime->SetEnabled(false);
    FAwaitingReply = false;
    myPort->SetOpen(false);
}

void TfReadRadio::btnOkClick(TObject*) {
    // A worker of the attempt before is over, or is given up now, before a new handshake.
    StopWorker(true);
    ReadSucceeded = false;
    TransferState = 0;
    ErrorReported = false;
    try {
        btnOk->SetEnabled(false);
        Sleep(500);
        RxCount = 0;
        HeadTime->SetEnabled(true);
        SendHandshake();
    } catch (...) {
        if (!ErrorReported.exchange(true)) ShowPrompt(PromptTexts->Confirmation, PromptTexts->LPortError, 1);
    }
}

void TfReadRadio::SendHandshake() {
    TransferState = 1;
    ExpectedCount = 1;
    const Byte stx = Stx;
    myPort->WriteBlock(&stx, 1);
    Sleep(200);
    const std::string code = EntryCode();
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (i > 0) Sleep(2);
        myPort->WriteBlock(&code[i], 1);
    }
}

String TfReadRadio::ModelCodeOfIdent(const String& ident) const {
    const String code = Copy(ident, 2, 4);
    return ModelList->FindModelByCode(code) ? code : String();
}

void TfReadRadio::myPortTrigger(TObject*, Word msg, Word, Word data) {
    if (msg != DataAvailable) return;
    try {
        // Only bytes really read count. While a worker runs and awaits nothing, what comes is
        // not a reply (bytes trailing the last one) and is dropped.
        const bool taking = TransferState != 0 || FAwaitingReply;
        for (Word i = 0; i < data; ++i) {
            if (!myPort->HasInputByte()) break;
            const Byte b = myPort->ReadByte();
            if (!taking || RxCount > 48) continue;
            RxBuffer[std::size_t(RxCount)] = b;
            --ExpectedCount;
            ++RxCount;
        }
        if (!taking || ExpectedCount > 0) return;
        const Integer received = RxCount;
        RxCount = 0;
        switch (TransferState) {
        case 0:
            FAwaitingReply = false;
            TryTime->SetEnabled(false);
            Sleep(5);
            if (FWorker) FWorker->Resume();
            break;
        case 1:
            if (RxBuffer[0] == Ack || (received >= 2 && RxBuffer[1] == Ack)) {
                TransferState = 2;
                ExpectedCount = 8;
                HeadTime->SetEnabled(false);
                Sleep(5);
                const Byte stx = Stx;
                myPort->WriteBlock(&stx, 1);
                HeadTime->SetEnabled(true);
            }
            break;
        case 2: {
            HeadTime->SetEnabled(false);
            TryTime->SetEnabled(false);
            const String code = ModelCodeOfIdent(BytesToText(RxBuffer.data(), 8));
            if (code.empty()) {
                TransferState = 5;
                ShowPrompt(PromptTexts->Confirmation, PromptTexts->ModError, 1);
                break;
            }
            TransferState = 0;
            Sleep(5);
            StartWorker(code);
            break;
        }
        default:
            break;
        }
    } catch (...) {
        // A failing port operation ends the handler; the timers report what is missing.
    }
}

void TfReadRadio::StartWorker(const String& code) {
    StopWorker(true);
    ErrorReported = false;
    FWorker = std::make_unique<TSendThread>(this, code);
    FWorker->OnTerminate = MakeEvent(this, &TfReadRadio::ReadFinished);
    FWorker->Start();
}

void TfReadRadio::StopWorker(bool quiet) {
    if (!FWorker) return;
    if (quiet) ErrorReported = true;
    FAwaitingReply = false;
    TryTime->SetEnabled(false);
    FWorker->Release();
    FWorker->WaitFor();
    FWorker.reset();
}

void TfReadRadio::BeginReply(const Byte* bytes, Integer length, Integer replyLength) {
    RequireMainThread("The reply timer");
    ExpectedCount = replyLength;
    ReplyTimedOut = false;
    RxCount = 0;
    FAwaitingReply = true;
    try {
        myPort->WriteBlock(bytes, length);
    } catch (...) {
        FAwaitingReply = false;
        throw;
    }
    TryTime->SetEnabled(true);
}

void TfReadRadio::ResetStaging(Integer channelCount) {
    RequireMainThread("The staging grid");
    if (!StagingGrid) return;
    StagingGrid->SetRowCount(2);
    StagingGrid->SetRowCount(channelCount + 2);
}

void TfReadRadio::TryTimeTimer(TObject*) {
    TryTime->SetEnabled(false);
    // A reply that came in time leaves nothing to do.
    if (!FAwaitingReply) return;
    FAwaitingReply = false;
    const bool reported = ErrorReported.exchange(true);
    ReplyTimedOut = true;
    if (FWorker) FWorker->Release();
    if (reported) return;
    const Integer answer = ShowPrompt(PromptTexts->Confirmation, PromptTexts->ComError, 22);
    // The attempt is over: its worker ends before anything new starts.
    StopWorker(true);
    if (answer == IDRETRY) {
        Sleep(1000);
        pBar->SetPosition(0);
        btnOk->SetEnabled(true);
        btnOkClick(btnOk);
    } else {
        btnOk->SetEnabled(true);
    }
}

void TfReadRadio::HeadTimeTimer(TObject*) {
    HeadTime->SetEnabled(false);
    if (ErrorReported) return;
    // A late answer of this attempt is not taken any more.
    TransferState = 5;
    Sleep(2500);
    ErrorReported = true;
    const Integer answer = ShowPrompt(PromptTexts->Confirmation, PromptTexts->ComError, 22);
    btnOk->SetEnabled(true);
    if (answer == IDRETRY) btnOkClick(btnOk);
}

void TfReadRadio::CloseTimeTimer(TObject*) {
    CloseTime->SetEnabled(false);
    if (!ReplyTimedOut) Close();
}

void TfReadRadio::ReadFinished(TObject* sender) {
    RequireMainThread("The read's end");
    TransferState = 5;
    auto* worker = dynamic_cast<TSendThread*>(sender);
    // Success is what the read returned, not how far the bar got.
    if (!worker || !worker->Succeeded) return;
    TryTime->SetEnabled(false);
    ShowPrompt(PromptTexts->Confirmation, PromptTexts->ReadOk, 1);
    CommitRead(*worker);
    CheckFunctionSettings();
    AppState->Modified = true;
    ReadSucceeded = true;
    CloseTime->SetEnabled(true);
}

void TfReadRadio::CommitRead(TSendThread& worker) {
    AppState->UseModel(*worker.Model);
    AppState->ModelCode = worker.ModelCode;
    AppState->UseBand(worker.BandText);
    *MessageLines = worker.Message;
    *FunctionSettings = worker.Settings;
}

KOV_PUBLISHED(TfReadRadio) {
    Method("FormShow", &TfReadRadio::FormShow);
    Method("FormClose", &TfReadRadio::FormClose);
    Method("btnOkClick", &TfReadRadio::btnOkClick);
    Method("myPortTrigger", &TfReadRadio::myPortTrigger);
    Method("TryTimeTimer", &TfReadRadio::TryTimeTimer);
    Method("HeadTimeTimer", &TfReadRadio::HeadTimeTimer);
    Method("CloseTimeTimer", &TfReadRadio::CloseTimeTimer);
}
