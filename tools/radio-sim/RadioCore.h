// The simulated radio's side of the programming protocol, apart from any terminal: it takes
// the bytes the program sends, with their arrival times, and gives the replies as pieces to
// send after given delays. It keeps the memory image, a log of every command and reply, the
// faults a test or the user asked for, and the pacing of a real line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/radio-sim/RadioImage.h"

enum class TRadioState {
    Idle,        // waiting for the handshake byte 0x02
    Code,        // taking the letters of the entry code
    Entered,     // the code was accepted; waiting for the identification request
    Identified,  // the identification was sent; waiting, without a limit, for the first 0x06
    Programming, // waiting for a command
    Command,     // taking the rest of a block command
    Unplugged    // the cable was pulled: nothing more happens
};

enum TRadioFaultKind {
    rfNoHandshakeAnswer, // the handshake is not answered (and the code not taken)
    rfWrongAck,          // an acknowledgement is answered by 0x15 instead of 0x06
    rfTwoByteAck,        // the handshake is answered by 0x00 0x06
    rfSplitReplies,      // replies travel in pieces with gaps between them
    rfUnknownModel,      // the identification carries the model code "0000"
    rfNoBlockReply,      // a block command is neither carried out nor answered
    rfExtraBytes,        // 0x55 0xAA follow a reply
    rfCablePulled        // the line vanishes at a block command
};

// One fault, and when it strikes. A fault applies from the moment FromBlock block commands
// ('R', 'W', 'Y', counted since the start) have come, at every chance it gets, or only at the
// first one when Once is set.
struct TRadioFault {
    TRadioFaultKind Kind = rfSplitReplies;
    bool Once = false;
    int FromBlock = 0;
    // rfWrongAck: the handshake's acknowledgement, the 0x06 exchanges', or both.
    bool OnHandshake = true;
    bool OnExchange = true;
    // rfSplitReplies: the sizes of the pieces (the rest of a longer reply is one more piece)
    // and the pause before each piece after the first.
    std::vector<int> Pieces{5, 5, 2};
    double GapMs = 20;

    bool Fired = false;
};

// Reads a fault as the program's options write it: a name, then options separated by commas:
// "once", "from=K", and for the split "pieces=5/5/2" and "gap=MS", for the wrong
// acknowledgement "on=handshake" or "on=exchange". Raises std::invalid_argument.
TRadioFault ParseRadioFault(const std::string& text);
// The names ParseRadioFault knows, for the program's help.
std::string RadioFaultNames();

enum TRadioLogKind {
    rlHandshake,     // the entry code was received whole
    rlIdentify,      // 0x02 in programming mode
    rlAck,           // 0x06
    rlRead,          // 'R'
    rlWrite,         // 'W'
    rlWriteSettings, // 'Y'
    rlEnd,           // 'E'
    rlReply,         // what the radio sent
    rlIdle,          // the radio went back to idle (Note says why)
    rlFault          // a fault struck (Note says which)
};

struct TRadioLogEntry {
    double TimeMs = 0;
    TRadioLogKind Kind = rlReply;
    int Address = -1; // block commands only
    std::string Data; // the data of a write, the bytes of a reply
    std::string Note;
};

// One line of text for the log file, e.g. "   153.2 ms  R    0x0100".
std::string FormatRadioLogEntry(const TRadioLogEntry& entry);

// A piece of a reply: send Bytes once DelayMs have passed since the previous piece went out
// (or since the command came, for the first piece).
struct TRadioChunk {
    double DelayMs = 0;
    std::string Bytes;
};

struct TRadioOutput {
    std::vector<TRadioChunk> Chunks;
    bool Ended = false;  // an 'E' came: the program saves the image
    bool Unplug = false; // the cable is pulled: close the line
    std::string Bytes() const;
};

class TRadioCore {
public:
    // The time between two bytes at 9600 baud with 8 data bits and 2 stop bits (11 bits).
    static constexpr double PacedByteMs = 1.146;

    TRadioCore();

    // The four characters of the model code in the identification ("2475" by default).
    void SetModelCode(const std::string& code);
    const std::string& GetModelCode() const { return FModelCode; }
    // The silence that sends the radio back to idle in a command or in programming mode.
    void SetSilenceMs(double value) { FSilenceMs = value; }
    double GetSilenceMs() const { return FSilenceMs; }
    // One byte every PacedByteMs, as on the real line; off by default.
    void SetPacing(bool value) { FPacing = value; }
    bool GetPacing() const { return FPacing; }
    void AddFault(const TRadioFault& fault) { FFaults.push_back(fault); }
    void ClearFaults() { FFaults.clear(); }

    // Takes bytes that arrived at timeMs (milliseconds since the start, never decreasing).
    TRadioOutput Feed(const std::string& bytes, double timeMs);

    TRadioState GetState() const { return FState; }
    int BlockCount() const { return FBlocks; }
    TRadioImage& Image() { return FImage; }
    const TRadioImage& Image() const { return FImage; }
    const std::vector<TRadioLogEntry>& Log() const { return FLog; }
    // Called with every new log entry as it is made.
    std::function<void(const TRadioLogEntry&)> OnLog;
    // Called with the pieces of every reply before they go out (a test's damaged line): it may
    // change their bytes, their number and their pauses. The log holds what goes out.
    std::function<void(std::vector<TRadioChunk>& pieces)> OnReply;

private:
    void Take(unsigned char byte, double timeMs, TRadioOutput& out);
    void TakeCommandByte(unsigned char byte, double timeMs, TRadioOutput& out);
    void RunCommand(double timeMs, TRadioOutput& out);
    void GoIdle(double timeMs, const std::string& why);
    void Reply(std::string bytes, double timeMs, TRadioOutput& out);
    void Note(TRadioLogKind kind, double timeMs, const std::string& note, int address = -1,
              const std::string& data = std::string());
    // The fault of that kind that strikes now, or null.
    TRadioFault* Strikes(TRadioFaultKind kind, const std::function<bool(const TRadioFault&)>& filter = {});
    std::string Identification(double timeMs);

    TRadioImage FImage;
    std::vector<TRadioLogEntry> FLog;
    std::vector<TRadioFault> FFaults;
    std::string FModelCode = "2475";
    std::string FEntryCode;
    double FSilenceMs = 500;
    bool FPacing = false;

    TRadioState FState = TRadioState::Idle;
    std::size_t FCodeIndex = 0;
    std::string FCommand;
    double FLastByteMs = 0;
    int FBlocks = 0;
};
