#include "tools/radio-sim/RadioCore.h"

#include <cstdio>
#include <stdexcept>

#include "app/EntryCode.h"

namespace {

constexpr unsigned char Stx = 0x02;
constexpr unsigned char Ack = 0x06;
constexpr unsigned char Nak = 0x15;
constexpr std::size_t HalfBlock = 8;

struct TFaultName {
    const char* Name;
    TRadioFaultKind Kind;
};

const TFaultName FaultNames[] = {
    {"no-handshake", rfNoHandshakeAnswer}, {"wrong-ack", rfWrongAck},
    {"two-byte-ack", rfTwoByteAck},        {"split", rfSplitReplies},
    {"unknown-model", rfUnknownModel},     {"no-reply", rfNoBlockReply},
    {"extra-bytes", rfExtraBytes},         {"cable-pull", rfCablePulled},
};

int ParseCount(const std::string& text, const std::string& what, int least) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < least)
        throw std::invalid_argument("bad " + what + " \"" + text + "\"");
    return value;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

const char* KindText(TRadioLogKind kind) {
    switch (kind) {
    case rlHandshake:
        return "handshake";
    case rlIdentify:
        return "identify";
    case rlAck:
        return "ack";
    case rlRead:
        return "R";
    case rlWrite:
        return "W";
    case rlWriteSettings:
        return "Y";
    case rlEnd:
        return "E";
    case rlReply:
        return "reply";
    case rlIdle:
        return "idle";
    case rlFault:
        return "fault";
    }
    return "?";
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        if (!text.empty()) text += ' ';
        text += digits;
    }
    return text;
}

} // namespace

TRadioFault ParseRadioFault(const std::string& text) {
    const std::vector<std::string> parts = SplitText(text, ',');
    TRadioFault fault;
    bool known = false;
    for (const TFaultName& name : FaultNames)
        if (parts[0] == name.Name) {
            fault.Kind = name.Kind;
            known = true;
        }
    if (!known) throw std::invalid_argument("unknown fault \"" + parts[0] + "\"");
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& option = parts[i];
        const std::size_t equals = option.find('=');
        const std::string key = option.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : option.substr(equals + 1);
        if (option == "once") {
            fault.Once = true;
        } else if (key == "from" && equals != std::string::npos) {
            fault.FromBlock = ParseCount(value, "block number", 0);
        } else if (key == "pieces" && equals != std::string::npos && fault.Kind == rfSplitReplies) {
            fault.Pieces.clear();
            for (const std::string& piece : SplitText(value, '/'))
                fault.Pieces.push_back(ParseCount(piece, "piece size", 1));
        } else if (key == "gap" && equals != std::string::npos && fault.Kind == rfSplitReplies) {
            fault.GapMs = ParseCount(value, "gap", 0);
        } else if (key == "on" && fault.Kind == rfWrongAck && (value == "handshake" || value == "exchange")) {
            fault.OnHandshake = value == "handshake";
            fault.OnExchange = value == "exchange";
        } else {
            throw std::invalid_argument("bad option \"" + option + "\" of fault \"" + parts[0] + "\"");
        }
    }
    return fault;
}

std::string RadioFaultNames() {
    std::string names;
    for (const TFaultName& name : FaultNames)
        names += std::string(names.empty() ? "" : ", ") + name.Name;
    return names;
}

std::string FormatRadioLogEntry(const TRadioLogEntry& entry) {
    char head[64];
    std::snprintf(head, sizeof head, "%10.1f ms  %-9s", entry.TimeMs, KindText(entry.Kind));
    std::string line = head;
    if (entry.Address >= 0) {
        char address[16];
        std::snprintf(address, sizeof address, "  0x%04X", unsigned(entry.Address));
        line += address;
    }
    if (!entry.Data.empty()) line += "  " + Hex(entry.Data);
    if (!entry.Note.empty()) line += "  (" + entry.Note + ")";
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string TRadioOutput::Bytes() const {
    std::string bytes;
    for (const TRadioChunk& chunk : Chunks)
        bytes += chunk.Bytes;
    return bytes;
}

TRadioCore::TRadioCore() : FEntryCode(EntryCode()) {}

void TRadioCore::SetModelCode(const std::string& code) {
    FModelCode = code.substr(0, 4);
    FModelCode.resize(4, ' ');
}

TRadioOutput TRadioCore::Feed(const std::string& bytes, double timeMs) {
    TRadioOutput out;
    for (unsigned char byte : bytes)
        Take(byte, timeMs, out);
    return out;
}

void TRadioCore::Take(unsigned char byte, double timeMs, TRadioOutput& out) {
    if (FState == TRadioState::Unplugged) return;
    const bool timed = FState != TRadioState::Idle && FState != TRadioState::Identified;
    if (timed && timeMs - FLastByteMs >= FSilenceMs) GoIdle(timeMs, "silence");
    FLastByteMs = timeMs;

    switch (FState) {
    case TRadioState::Idle:
        if (byte == Stx) {
            FState = TRadioState::Code;
            FCodeIndex = 0;
        }
        return;
    case TRadioState::Code:
        if (byte != static_cast<unsigned char>(FEntryCode[FCodeIndex])) {
            GoIdle(timeMs, "wrong letter of the entry code");
            return;
        }
        if (++FCodeIndex < FEntryCode.size()) return;
        Note(rlHandshake, timeMs, std::string());
        if (Strikes(rfNoHandshakeAnswer)) {
            Note(rlFault, timeMs, "no answer to the handshake");
            GoIdle(timeMs, "handshake not answered");
            return;
        }
        if (Strikes(rfWrongAck, [](const TRadioFault& f) { return f.OnHandshake; })) {
            Note(rlFault, timeMs, "wrong acknowledgement");
            Reply(std::string(1, char(Nak)), timeMs, out);
            GoIdle(timeMs, "handshake refused");
            return;
        }
        if (Strikes(rfTwoByteAck)) {
            Note(rlFault, timeMs, "acknowledgement after another byte");
            Reply(std::string{'\0', char(Ack)}, timeMs, out);
        } else {
            Reply(std::string(1, char(Ack)), timeMs, out);
        }
        FState = TRadioState::Entered;
        return;
    case TRadioState::Entered:
        if (byte != Stx) {
            GoIdle(timeMs, "no identification request");
            return;
        }
        Note(rlIdentify, timeMs, std::string());
        Reply(Identification(timeMs), timeMs, out);
        FState = TRadioState::Identified;
        return;
    case TRadioState::Identified:
    case TRadioState::Programming:
        if (byte == Ack) {
            Note(rlAck, timeMs, std::string());
            if (Strikes(rfWrongAck, [](const TRadioFault& f) { return f.OnExchange; })) {
                Note(rlFault, timeMs, "wrong acknowledgement");
                Reply(std::string(1, char(Nak)), timeMs, out);
            } else {
                Reply(std::string(1, char(Ack)), timeMs, out);
            }
            FState = TRadioState::Programming;
            return;
        }
        if (FState == TRadioState::Programming && (byte == 'R' || byte == 'W' || byte == 'Y')) {
            FCommand.assign(1, char(byte));
            FState = TRadioState::Command;
            return;
        }
        if (FState == TRadioState::Programming && byte == 'E') {
            Note(rlEnd, timeMs, std::string());
            out.Ended = true;
            FState = TRadioState::Idle;
            return;
        }
        // Anything else ends programming mode and counts again from idle: it may be the start
        // of a new attempt's handshake.
        GoIdle(timeMs, "unexpected byte " + Hex(std::string(1, char(byte))));
        Take(byte, timeMs, out);
        return;
    case TRadioState::Command:
        TakeCommandByte(byte, timeMs, out);
        return;
    case TRadioState::Unplugged:
        return;
    }
}

void TRadioCore::TakeCommandByte(unsigned char byte, double timeMs, TRadioOutput& out) {
    FCommand += char(byte);
    if (FCommand.size() == 4 && static_cast<unsigned char>(FCommand[3]) != HalfBlock) {
        GoIdle(timeMs, "block length " + Hex(FCommand.substr(3)));
        return;
    }
    const std::size_t whole = FCommand[0] == 'R' ? 4 : 4 + HalfBlock;
    if (FCommand.size() < whole) return;
    FState = TRadioState::Programming;
    ++FBlocks;
    RunCommand(timeMs, out);
}

void TRadioCore::RunCommand(double timeMs, TRadioOutput& out) {
    const char letter = FCommand[0];
    const int address =
        (static_cast<unsigned char>(FCommand[1]) << 8) | static_cast<unsigned char>(FCommand[2]);
    const std::string data = FCommand.substr(4);
    const TRadioLogKind kind = letter == 'R' ? rlRead : letter == 'W' ? rlWrite : rlWriteSettings;
    Note(kind, timeMs, std::string(), address, data);

    if (Strikes(rfCablePulled)) {
        Note(rlFault, timeMs, "cable pulled");
        out.Unplug = true;
        FState = TRadioState::Unplugged;
        return;
    }
    if (Strikes(rfNoBlockReply)) {
        Note(rlFault, timeMs, "no reply");
        return;
    }
    if (letter == 'R') {
        std::string bytes;
        if (!FImage.Read(std::size_t(address), HalfBlock, bytes)) {
            Note(rlFault, timeMs, "address outside the memory: not answered");
            return;
        }
        Reply(FCommand.substr(0, 4) + bytes, timeMs, out);
    } else {
        if (!FImage.Write(std::size_t(address), data)) {
            Note(rlFault, timeMs, "address outside the memory: not answered");
            return;
        }
        Reply(std::string(1, char(Ack)), timeMs, out);
    }
}

void TRadioCore::GoIdle(double timeMs, const std::string& why) {
    FState = TRadioState::Idle;
    FCodeIndex = 0;
    FCommand.clear();
    Note(rlIdle, timeMs, why);
}

void TRadioCore::Reply(std::string bytes, double timeMs, TRadioOutput& out) {
    if (Strikes(rfExtraBytes)) {
        Note(rlFault, timeMs, "extra bytes");
        bytes += "\x55\xAA";
    }
    // The pieces of the reply, each with the pause before it.
    std::vector<TRadioChunk> pieces;
    if (const TRadioFault* split = Strikes(rfSplitReplies)) {
        std::size_t at = 0;
        for (std::size_t i = 0; at < bytes.size(); ++i) {
            const std::size_t size =
                i < split->Pieces.size() ? std::size_t(split->Pieces[i]) : bytes.size() - at;
            pieces.push_back({i == 0 ? 0.0 : split->GapMs, bytes.substr(at, size)});
            at += size;
        }
    } else {
        pieces.push_back({0.0, bytes});
    }
    if (OnReply) {
        OnReply(pieces);
        bytes.clear();
        for (const TRadioChunk& piece : pieces)
            bytes += piece.Bytes;
    }
    for (const TRadioChunk& piece : pieces) {
        if (!FPacing) {
            out.Chunks.push_back(piece);
            continue;
        }
        for (std::size_t i = 0; i < piece.Bytes.size(); ++i)
            out.Chunks.push_back({(i == 0 ? piece.DelayMs : 0.0) + PacedByteMs, piece.Bytes.substr(i, 1)});
    }
    TRadioLogEntry entry;
    entry.TimeMs = timeMs;
    entry.Kind = rlReply;
    entry.Data = bytes;
    if (pieces.size() > 1) entry.Note = std::to_string(pieces.size()) + " pieces";
    FLog.push_back(entry);
    if (OnLog) OnLog(FLog.back());
}

void TRadioCore::Note(TRadioLogKind kind, double timeMs, const std::string& note, int address,
                      const std::string& data) {
    TRadioLogEntry entry;
    entry.TimeMs = timeMs;
    entry.Kind = kind;
    entry.Address = address;
    entry.Data = data;
    entry.Note = note;
    FLog.push_back(entry);
    if (OnLog) OnLog(FLog.back());
}

TRadioFault* TRadioCore::Strikes(TRadioFaultKind kind,
                                 const std::function<bool(const TRadioFault&)>& filter) {
    for (TRadioFault& fault : FFaults) {
        if (fault.Kind != kind || (fault.Once && fault.Fired) || FBlocks < fault.FromBlock) continue;
        if (filter && !filter(fault)) continue;
        fault.Fired = true;
        return &fault;
    }
    return nullptr;
}

std::string TRadioCore::Identification(double timeMs) {
    std::string code = FModelCode;
    if (Strikes(rfUnknownModel)) {
        Note(rlFault, timeMs, "unknown model code");
        code = "0000";
    }
    return "P" + code + "S01";
}
