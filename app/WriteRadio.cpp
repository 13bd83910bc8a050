#include "app/WriteRadio.h"

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

namespace WriteRadio {

std::array<Byte, 49> RxBuffer{};
std::atomic<Integer> ExpectedCount{0};
std::atomic<bool> ErrorReported{false};
std::atomic<bool> ReplyTimedOut{false};

void WaitOutputDrained(TQelComPort& port) { WaitPortOutputDrained(port); }

} // namespace WriteRadio

using namespace WriteRadio;

namespace {

constexpr Word DataAvailable = 0x7E01;
constexpr Byte Ack = 0x06;
constexpr Byte Stx = 0x02;
constexpr Integer SnapshotColumns = 11;

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

Integer CurrentChannelCount() {
    return AppState->CurrentModel ? AppState->CurrentModel->ChannelCount : AppState->ChannelCount;
}

} // namespace

// ---- The snapshot of the channel rows ------------------------------------------------------------

TChannelSnapshot::TChannelSnapshot(const TCustomTambor* grid, Integer channelCount)
    : FRows(channelCount + 2), FCells(std::size_t(FRows * SnapshotColumns)) {
    RequireMainThread("Reading the channel table");
    if (!grid) return;
    for (Integer row = 2; row < FRows && row < grid->GetRowCount(); ++row)
        for (Integer col = 1; col < SnapshotColumns && col < grid->GetColCount(); ++col) {
            const TCellInfo& cell = grid->CellAt(col, row);
            FCells[std::size_t(row * SnapshotColumns + col)] = {cell.ForeText, cell.BackText};
        }
}

const TChannelSnapshot::TCell* TChannelSnapshot::Find(Integer col, Integer row) const {
    if (col < 0 || col >= SnapshotColumns || row < 0 || row >= FRows) return nullptr;
    return &FCells[std::size_t(row * SnapshotColumns + col)];
}

String TChannelSnapshot::GetForeText(Integer col, Integer row) const {
    const TCell* cell = Find(col, row);
    return cell ? cell->Fore : String();
}

String TChannelSnapshot::GetBackText(Integer col, Integer row) const {
    const TCell* cell = Find(col, row);
    return cell ? cell->Back : String();
}

void TChannelSnapshot::SetForeText(Integer col, Integer row, const String& text) {
    if (const TCell* cell = Find(col, row)) const_cast<TCell*>(cell)->Fore = text;
}

void TChannelSnapshot::SetBackText(Integer col, Integer row, const String& text) {
    if (const TCell* cell = Find(col, row)) const_cast<TCell*>(cell)->Back = text;
}

// ---- The worker -------------------------------------------------------------------------------

TSendThread::TSendThread(TfWriteRadio* dialog, std::unique_ptr<TChannelSnapshot> rows, const String& noneText)
    : TThread(true), FDialog(dialog), FRows(std::move(rows)), FNoneText(noneText) {}

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
    ErrorReported = false;
    Succeeded = RunWrite();
    if (!Succeeded && !ErrorReported.exchange(true))
        Synchronize([] {
            RequireMainThread("A prompt");
            ShowPrompt(PromptTexts->Confirmation, PromptTexts->ComError, 1);
        });
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
    if (!answered) return false;
    Sleep(28);
    return !GetTerminated();
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

bool TSendThread::WriteBlock(Byte letter, const TRecord16& record) {
    for (std::size_t half = 0; half < 2; ++half) {
        FAddress += 8;
        Byte command[12] = {letter, Byte((FAddress >> 8) & 0xFF), Byte(FAddress & 0xFF), 8};
        std::copy(record.begin() + half * 8, record.begin() + half * 8 + 8, command + 4);
        if (!SendCommand(command, 12, 1)) return false;
    }
    Advance();
    return true;
}

bool TSendThread::WriteMemoryBlock(const TRecord16& record) { return WriteBlock('W', record); }

bool TSendThread::WriteSettingsBlock(const TRecord16& record) { return WriteBlock('Y', record); }

void TSendThread::Advance() {
    // Nothing waits for the bar: the step is queued, in order with the worker's other calls, and
    // the next command goes out meanwhile. The dialog outlives the worker's queued calls (it
    // waits for the worker's end, which comes after them).
    TfWriteRadio* dialog = FDialog;
    Queue([dialog] {
        RequireMainThread("The progress bar");
        dialog->pBar->SetPosition(dialog->pBar->GetPosition() + 1);
    });
}

bool TSendThread::EncodeChannelRow(TRecord16& record, Integer channel) {
    return FCodec->EncodeChannelRow(record, *FRows, channel + 1, FNoneText);
}

bool TSendThread::RunWrite() {
    try {
        FCodec = std::make_unique<TBWriteRead>();
        const TMacType* model = AppState->CurrentModel;
        const Integer count = model ? model->ChannelCount : AppState->ChannelCount;
        const Integer gapBlocks = model ? model->GapBlocks : 0;

        // Every record first: a cell that cannot be encoded stops the write before it starts.
        TRecord16 blank;
        FCodec->FillBlank(blank);
        AppState->UsedBits.clear();
        AppState->ScanBits.clear();
        std::vector<TRecord16> channels(static_cast<std::size_t>(count));
        for (Integer channel = 1; channel <= count; ++channel)
            EncodeChannelRow(channels[std::size_t(channel - 1)], channel);
        TRecord16 texts[4];
        FCodec->EncodeText(texts[0], Copy(MessageLines->LineA, 1, 16));
        FCodec->EncodeText(texts[1], Copy(MessageLines->LineA, 17, 16));
        FCodec->EncodeText(texts[2], Copy(MessageLines->LineB, 1, 16));
        FCodec->EncodeText(texts[3], Copy(MessageLines->LineB, 17, 16));
        TRecord16 settingsA, settingsB, modelRecord;
        FCodec->EncodeSettingsA(settingsA);
        FCodec->EncodeModelRecord(modelRecord, BandList->BandCodeOf(AppState->BandText));
        FCodec->EncodeSettingsB(settingsB);
        TRecord16 bitmaps[4];
        if (count > 16) {
            FCodec->EncodeBitmap(bitmaps[0], Copy(AppState->UsedBits, 1, 128));
            FCodec->EncodeBitmap(bitmaps[1], Copy(AppState->UsedBits, 129, 128));
            FCodec->EncodeBitmap(bitmaps[2], Copy(AppState->ScanBits, 1, 128));
            FCodec->EncodeBitmap(bitmaps[3], Copy(AppState->ScanBits, 129, 128));
        }

        if (!ExchangeAck()) return false;
        Synchronize([this, count] {
            RequireMainThread("The progress bar");
            FDialog->pBar->GetBarProperties()->SetMax(count <= 16 ? count + 6 : count + 10);
            FDialog->pBar->SetPosition(0);
        });
        FAddress = -8;
        if (!WriteMemoryBlock(blank)) return false;
        for (const TRecord16& record : channels)
            if (!WriteMemoryBlock(record)) return false;
        FAddress += 16 * gapBlocks;
        for (const TRecord16& record : texts)
            if (!WriteMemoryBlock(record)) return false;
        if (!WriteMemoryBlock(settingsA)) return false;
        if (!WriteMemoryBlock(modelRecord)) return false;
        FAddress = 0x2A8;
        if (!WriteSettingsBlock(settingsB)) return false;
        if (count > 16)
            for (const TRecord16& record : bitmaps)
                if (!WriteMemoryBlock(record)) return false;

        SendEnd();
        Synchronize([this] {
            RequireMainThread("The progress bar");
            FDialog->pBar->SetPosition(FDialog->pBar->GetBarProperties()->GetMax());
        });
        FCodec.reset();
        return !GetTerminated();
    } catch (...) {
        // A cell that cannot be encoded, a port error or a failed hand-off: the attempt fails and
        // Execute reports it once.
        FCodec.reset();
        return false;
    }
}

// ---- The dialog -------------------------------------------------------------------------------

TfWriteRadio::TfWriteRadio(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    pBar = dynamic_cast<TqzProgressBar*>(FindComponent("pBar"));
    btnOk = dynamic_cast<TqzButton*>(FindComponent("btnOk"));
    btnCancel = dynamic_cast<TqzButton*>(FindComponent("btnCancel"));
    myPort = dynamic_cast<TQelComPort*>(FindComponent("myPort"));
    TryTime = dynamic_cast<TTimer*>(FindComponent("TryTime"));
    HeadTime = dynamic_cast<TTimer*>(FindComponent("HeadTime"));
    CloseTime = dynamic_cast<TTimer*>(FindComponent("CloseTime"));
}

TfWriteRadio::~TfWriteRadio() { StopWorker(true); }

void TfWriteRadio::FormShow(TObject*) {
    ReplyTimedOut = false;
    ErrorReported = false;
    // The design language keeps the design texts; the dialog has no lists to translate.
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, false);
    StopWorker(true);
    if (!OpenPort()) CloseTime->SetEnabled(true);
}

bool TfWriteRadio::OpenPort() {
    try {
        myPort->SetOpen(false);
        Sleep(50);
        myPort->SetComNumber(PortNumberOf(AppState->ComPort));
        myPort->SetBaud(9600);
        myPort->SetParity(pNone);
        myPort->SetDataBits(8);
        myPort->SetStopBits(2);
        myPort->SetOpen(true);
        return true;
    } catch (...) {
        if (!ErrorReported.exchange(true)) ShowPrompt(PromptTexts->Confirmation, PromptTexts->LPortError, 1);
        return false;
    }
}

void TfWriteRadio::FormClose(TObject*, TCloseAction&) {
    StopWorker(true);
    TryTime->SetEnabled(false);
    HeadTime->SetEnabled(false);
    FAwaitingReply = false;
    myPort->SetOpen(false);
}

void TfWriteRadio::btnOkClick(TObject*) {
    Sleep(450);
    StartTransfer();
}

void TfWriteRadio::StartTransfer() {
    // A worker of the attempt before is over, or is given up now, before a new handshake.
    StopWorker(true);
    TransferState = 0;
    ErrorReported = false;
    try {
        myPort->ClearInput();
        myPort->ClearOutput();
    } catch (...) {
        if (!ErrorReported.exchange(true)) ShowPrompt(PromptTexts->Confirmation, PromptTexts->LPortError, 1);
        return;
    }
    try {
        btnOk->SetEnabled(false);
        RxCount = 0;
        Sleep(50);
        HeadTime->SetEnabled(true);
        SendHandshake();
    } catch (...) {
        if (!ErrorReported.exchange(true)) ShowPrompt(PromptTexts->Confirmation, PromptTexts->LPortError, 1);
    }
}

void TfWriteRadio::SendHandshake() {
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

Integer TfWriteRadio::CheckRadioModel(const String& ident) const {
    const String code = Copy(ident, 2, 4);
    const TMacType* radio = ModelList->FindModelByCode(code);
    if (!radio) return 3;
    const TMacType* current = AppState->CurrentModel;
    if (current && radio->Code == current->Code) return 2;
    if (radio->ChannelCount == CurrentChannelCount()) return 3;
    return 1;
}

void TfWriteRadio::myPortTrigger(TObject*, Word msg, Word, Word data) {
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
            TransferState = 5;
            const Integer check = CheckRadioModel(BytesToText(RxBuffer.data(), 8));
            bool go = check == 2;
            if (check == 1)
                ShowPrompt(PromptTexts->Confirmation, PromptTexts->ModError, 1);
            else if (check == 3)
                go = ShowPrompt(PromptTexts->Confirmation, PromptTexts->Modforce, 2) == IDYES;
            if (!go) break;
            TransferState = 0;
            Sleep(5);
            StartWorker();
            break;
        }
        default:
            break;
        }
    } catch (...) {
        // A failing port operation ends the handler; the timers report what is missing.
    }
}

void TfWriteRadio::StartWorker() {
    StopWorker(true);
    ErrorReported = false;
    // The rows as they are now, read here on the user-interface thread.
    auto rows = std::make_unique<TChannelSnapshot>(ChannelGrid, CurrentChannelCount());
    FWorker = std::make_unique<TSendThread>(this, std::move(rows), NoneText);
    FWorker->OnTerminate = MakeEvent(this, &TfWriteRadio::WriteFinished);
    FWorker->Start();
}

void TfWriteRadio::StopWorker(bool quiet) {
    if (!FWorker) return;
    if (quiet) ErrorReported = true;
    FAwaitingReply = false;
    TryTime->SetEnabled(false);
    FWorker->Release();
    FWorker->WaitFor();
    FWorker.reset();
}

void TfWriteRadio::BeginReply(const Byte* bytes, Integer length, Integer replyLength) {
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

void TfWriteRadio::TryTimeTimer(TObject*) {
    TryTime->SetEnabled(false);
    // A reply that came in time leaves nothing to do.
    if (!FAwaitingReply) return;
    FAwaitingReply = false;
    const bool reported = ErrorReported.exchange(true);
    ReplyTimedOut = true;
    if (FWorker) FWorker->Release();
    if (reported) return;
    btnOk->SetEnabled(true);
    const Integer answer = ShowPrompt(PromptTexts->Confirmation, PromptTexts->ComError, 22);
    // The attempt is over: its worker ends before anything new starts.
    StopWorker(true);
    if (answer == IDRETRY) {
        Sleep(1000);
        pBar->SetPosition(0);
        StartTransfer();
    }
}

void TfWriteRadio::HeadTimeTimer(TObject*) {
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

void TfWriteRadio::CloseTimeTimer(TObject*) {
    CloseTime->SetEnabled(false);
    Close();
}

void TfWriteRadio::WriteFinished(TObject* sender) {
    RequireMainThread("The write's end");
    TransferState = 5;
    auto* worker = dynamic_cast<TSendThread*>(sender);
    // Success is what the write returned, not how far the bar got.
    if (worker && worker->Succeeded) {
        ShowPrompt(PromptTexts->Confirmation, PromptTexts->WriteOk, 1);
        pBar->SetPosition(pBar->GetBarProperties()->GetMin());
    }
    btnOk->SetEnabled(true);
}

KOV_PUBLISHED(TfWriteRadio) {
    Method("FormShow", &TfWriteRadio::FormShow);
    Method("FormClose", &TfWriteRadio::FormClose);
    Method("btnOkClick", &TfWriteRadio::btnOkClick);
    Method("myPortTrigger", &TfWriteRadio::myPortTrigger);
    Method("TryTimeTimer", &TfWriteRadio::TryTimeTimer);
    Method("HeadTimeTimer", &TfWriteRadio::HeadTimeTimer);
    Method("CloseTimeTimer", &TfWriteRadio::CloseTimeTimer);
}
