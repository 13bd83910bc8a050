// What the simulated radio's tests share: a client that talks to the radio through the
// program's port component, scripts of sends and awaited replies, and guarded waits.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/Components.h"
#include "serial/QePort.h"
#include "tests/support/TestPty.h"

namespace simtest {

using ptytest::TPortDir;

// Serves the calling thread's messages until `done` holds; false when the guard time runs out.
bool PumpUntil(const std::function<bool()>& done, int guardMs = 5000);
// Waits without serving messages until `done` holds; false after the guard time.
bool WaitUntil(const std::function<bool()>& done, int guardMs = 5000);

// The handshake: 0x02 and the entry code.
std::string Handshake();
// A block command: the letter, the address, 8, and for a write the 8 data bytes.
std::string Block(char letter, int address, const std::string& data = std::string());

// The program's port on COMn at 9600 baud, 8N2, collecting everything that arrives.
class TRadioClient : public TObject {
public:
    explicit TRadioClient(int number);
    ~TRadioClient() override;

    TQelComPort& Port() { return *FPort; }
    void Send(const std::string& bytes);
    // Serves messages until `count` bytes in all have arrived since the port was made.
    bool AwaitTotal(std::size_t count, int guardMs = 5000);

    std::string Received;
    int Notices = 0;
    int LineErrors = 0;

private:
    void Trigger(TObject* cp, Word msg, Word triggerHandle, Word data);
    void LineError(TObject* cp, Word error, bool lineBreak) { ++LineErrors; }
    std::unique_ptr<TQelComPort> FPort;
};

// One step of a conversation: what the program sends and what the radio answers ("" for no
// answer).
struct TStep {
    std::string Send;
    std::string Expect;
};

// Sends each step after the previous one's answer arrived; the bytes received in all must be
// the answers, nothing more and nothing less (a last step with an answer shows that nothing
// unexpected came before it). Gives the data-available notices of each step.
std::vector<int> Converse(TRadioClient& client, const std::vector<TStep>& steps);

} // namespace simtest
