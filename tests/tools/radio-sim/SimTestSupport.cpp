#include "tests/tools/radio-sim/SimTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/EntryCode.h"
#include "platform/winapi/WinCore.h"

namespace simtest {

namespace {

using TSteady = std::chrono::steady_clock;

int Remaining(TSteady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now()).count();
    return left > 0 ? int(left) : 0;
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", b);
        text += digits;
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
        if (Remaining(deadline) == 0) return false;
        // Wakes at the next message, or after a short while to look at `done` again.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()>& done, int guardMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(guardMs);
    while (!done()) {
        if (Remaining(deadline) == 0) return false;
        std::this_thread::yield();
    }
    return true;
}

std::string Handshake() { return "\x02" + EntryCode(); }

std::string Block(char letter, int address, const std::string& data) {
    std::string bytes{letter, char(address >> 8), char(address & 0xFF), '\x08'};
    return bytes + data;
}

TRadioClient::TRadioClient(int number) : FPort(std::make_unique<TQelComPort>(nullptr)) {
    FPort->SetPromptForPort(false);
    FPort->SetComNumber(Word(number));
    FPort->SetBaud(9600);
    FPort->SetParity(pNone);
    FPort->SetDataBits(8);
    FPort->SetStopBits(2);
    FPort->SetOnTrigger(MakeEvent(this, &TRadioClient::Trigger));
    FPort->SetOnTriggerLineError(MakeEvent(this, &TRadioClient::LineError));
}

TRadioClient::~TRadioClient() { FPort.reset(); }

void TRadioClient::Trigger(TObject*, Word msg, Word, Word) {
    if (msg != 0x7E01) return;
    ++Notices;
    while (FPort->HasInputByte())
        Received += char(FPort->ReadByte());
}

void TRadioClient::Send(const std::string& bytes) { FPort->WriteBlock(bytes.data(), Integer(bytes.size())); }

bool TRadioClient::AwaitTotal(std::size_t count, int guardMs) {
    return PumpUntil([&] { return Received.size() >= count; }, guardMs);
}

std::vector<int> Converse(TRadioClient& client, const std::vector<TStep>& steps) {
    std::vector<int> notices;
    std::string expected = client.Received;
    for (const TStep& step : steps) {
        const int before = client.Notices;
        client.Send(step.Send);
        expected += step.Expect;
        if (!step.Expect.empty()) {
            EXPECT_TRUE(client.AwaitTotal(expected.size())) << "awaiting " << Hex(step.Expect);
        }
        notices.push_back(client.Notices - before);
    }
    EXPECT_EQ(Hex(client.Received), Hex(expected));
    return notices;
}

} // namespace simtest
