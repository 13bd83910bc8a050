#include "tests/app/RadioLinkTestSupport.h"

#include <chrono>
#include <thread>

#include "app/MeMode.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinCore.h"

namespace radiotest {

namespace {

using TSteady = std::chrono::steady_clock;

std::string HexOf(const unsigned char* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (!text.empty()) text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, int guardMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(guardMs);
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (TSteady::now() >= deadline) return false;
        // What is awaited comes from other threads (the line, the radio, a worker), not all of
        // it as a message, and the manual clock ends no timed wait: look again shortly.
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
}

std::string Hex(const std::string& bytes) {
    return HexOf(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string Hex(const TRecord16& record) { return HexOf(record.data(), record.size()); }

TRadioLinkTest::TRadioLinkTest() : FOldMode(ClockGetMode()), FOldSleepAdvances(ClockGetSleepAdvances()) {
    // The program's timers run out only when a test says so; its pauses between the bytes
    // and steps of an exchange pass at once.
    ClockSetMode(TClockMode::Manual);
    ClockSetSleepAdvances(true);
    apptest::MakeFreshDataModel();
    AppState->UseModel(*ModelList->FindModelByCode("2475"));
    AppState->UseBand("450 - 470MHz");

    App = std::make_unique<TApplication>(nullptr);
    Host = TForm::CreateNew(nullptr);
    Host->SetBounds(40, 40, 600, 400);
    Line.Start();
    AppState->ComPort = "COM" + std::to_string(Line.GetPortNumber());
}

TRadioLinkTest::~TRadioLinkTest() {
    delete Host;
    App.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    Line.Stop();
    ClockSetSleepAdvances(FOldSleepAdvances);
    ClockSetMode(FOldMode);
}

TTambor* TRadioLinkTest::MakeGrid() {
    auto* grid = new TTambor(Host);
    grid->SetParent(Host);
    grid->SetColCount(11);
    grid->SetRowCount(18);
    return grid;
}

void TRadioLinkTest::PutRow(TTambor& grid, Integer channel, const TChannelRow& row) {
    TGridCells cells(grid);
    const Integer r = channel + 1;
    cells.SetBackText(ccInUse, r, row.Rx.empty() ? "" : "1");
    cells.SetForeText(ccRx, r, row.Rx);
    cells.SetForeText(ccTx, r, row.Tx);
    cells.SetForeText(ccDecodeTone, r, row.DecodeTone);
    cells.SetForeText(ccEncodeTone, r, row.EncodeTone);
    cells.SetBackText(ccTxPower, r, IntToStr(row.TxPower));
    cells.SetBackText(ccWideNarrow, r, IntToStr(row.WideNarrow));
    cells.SetBackText(ccScanAdd, r, IntToStr(row.ScanAdd));
    cells.SetBackText(ccBeatShift, r, IntToStr(row.BeatShift));
    cells.SetBackText(ccBusyLockout, r, IntToStr(row.BusyLockout));
}

std::string TRadioLinkTest::ImageAt(int address, int count) {
    return Line.WithCore([&](TRadioCore& core) {
        std::string bytes;
        core.Image().Read(std::size_t(address), std::size_t(count), bytes);
        return bytes;
    });
}

void TRadioLinkTest::SetImage(int address, const std::string& bytes) {
    Line.WithCore([&](TRadioCore& core) { return core.Image().Write(std::size_t(address), bytes); });
}

void TRadioLinkTest::SetImage(int address, const TRecord16& record) {
    SetImage(address, std::string(record.begin(), record.end()));
}

std::vector<TRadioLogEntry> TRadioLinkTest::Log() {
    return Line.WithCore([](TRadioCore& core) { return core.Log(); });
}

std::vector<std::string> TRadioLinkTest::Blocks() {
    std::vector<std::string> blocks;
    char text[16];
    for (const TRadioLogEntry& entry : Log()) {
        const char letter = entry.Kind == rlRead ? 'R' : entry.Kind == rlWrite ? 'W' : entry.Kind == rlWriteSettings ? 'Y' : 0;
        if (!letter) continue;
        std::snprintf(text, sizeof text, "%c %04X", letter, entry.Address);
        blocks.push_back(text);
    }
    return blocks;
}

std::string TRadioLinkTest::Commands() {
    std::string commands;
    for (const TRadioLogEntry& entry : Log()) {
        switch (entry.Kind) {
        case rlHandshake: commands += 'H'; break;
        case rlIdentify: commands += 'I'; break;
        case rlAck: commands += 'A'; break;
        case rlRead: commands += 'R'; break;
        case rlWrite: commands += 'W'; break;
        case rlWriteSettings: commands += 'Y'; break;
        case rlEnd: commands += 'E'; break;
        default: break;
        }
    }
    return commands;
}

int TRadioLinkTest::Unanswered() {
    int count = 0;
    for (const TRadioLogEntry& entry : Log())
        if (entry.Kind == rlFault &&
            (entry.Note == "no answer to the handshake" || entry.Note == "no reply" || entry.Note == "cable pulled"))
            ++count;
    return count;
}

bool TRadioLinkTest::Ended() {
    const std::string commands = Commands();
    return !commands.empty() && commands.back() == 'E';
}

void TRadioLinkTest::AddFault(const std::string& spec) {
    Line.WithCore([&](TRadioCore& core) {
        core.AddFault(ParseRadioFault(spec));
        return 0;
    });
}

} // namespace radiotest
