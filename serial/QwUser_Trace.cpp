// The dispatcher's byte trace and dispatch log: recording, and dumping them to text files.
#include <sys/utsname.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "serial/OoMisc.h"
#include "serial/QeStrMap.h"
#include "serial/QwUser.h"

namespace {

using TRecordGuard = std::lock_guard<std::mutex>;

constexpr const char* LineEnd = "\r\n";
constexpr std::size_t TraceLineLimit = 78;
constexpr std::size_t LogLineLimit = 79;
constexpr std::size_t LogIndent = 45;

// A byte as the dumps show it: itself when printable, otherwise (or always, with allHex) in
// brackets, as two hexadecimal digits or in decimal.
String ByteText(BYTE value, bool inHex, bool allHex) {
    const BYTE firstPrintable = inHex ? 0x21 : 0x20;
    if (!allHex && value >= firstPrintable && value <= 0x7E) return String(1, char(value));
    char text[8];
    if (allHex || inHex)
        std::snprintf(text, sizeof text, "[%02X]", unsigned(value));
    else
        std::snprintf(text, sizeof text, "[%u]", unsigned(value));
    return text;
}

// The input/output error number of a failed file operation, as the library's codes count it.
Integer IoErrorCode(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return 3; // path not found
    case EMFILE:
    case ENFILE:
        return 4; // too many open files
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return 5; // access denied
    default:
        return 101; // disk write error
    }
}

// Writes the whole text; 0 or minus the input/output error.
Integer WriteTextFile(const String& fileName, const String& text, bool append) {
    std::FILE* file = std::fopen(fileName.c_str(), append ? "ab" : "wb");
    if (file == nullptr) return -IoErrorCode(errno);
    int error = 0;
    errno = 0;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size())
        error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && error == 0) error = errno ? errno : EIO;
    return error == 0 ? 0 : -IoErrorCode(error);
}

// Adds tokens to lines of a limited width.
class TLineWriter {
public:
    TLineWriter(String& out, std::size_t limit, std::size_t indent)
        : FOut(out), FLimit(limit), FIndent(indent) {}
    void Start(std::size_t column) { FColumn = column; }
    void Token(const String& token) {
        if (FColumn + token.size() > FLimit && FColumn > FIndent) {
            FOut += LineEnd;
            FOut.append(FIndent, ' ');
            FColumn = FIndent;
        }
        FOut += token;
        FColumn += token.size();
    }
    void EndLine() {
        FOut += LineEnd;
        FColumn = 0;
    }
    std::size_t Column() const { return FColumn; }

private:
    String& FOut;
    std::size_t FLimit;
    std::size_t FIndent;
    std::size_t FColumn = 0;
};

String CompilerName() {
#if defined(__clang__)
    return "clang " __clang_version__;
#elif defined(__GNUC__)
    return "g++ " __VERSION__;
#else
    return "C++";
#endif
}

String PlatformName() {
    struct utsname names;
    if (uname(&names) != 0) return "unknown";
    return String(names.sysname) + " " + names.release + " (" + names.machine + ")";
}

DWORD ReadDword(const std::vector<BYTE>& ring, std::size_t pos) {
    DWORD value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= DWORD(ring[(pos + i) % ring.size()]) << (8 * i);
    return value;
}

} // namespace

// ---- Trace --------------------------------------------------------------------------------------

Integer TQelBaseDispatcher::InitTracing(Integer entries) {
    if (entries < 1 || entries > MaxTraceEntries) return ecBadArgument;
    TRecordGuard guard(FRecordLock);
    try {
        FTrace.assign(std::size_t(entries) * 2, 0);
    } catch (const std::bad_alloc&) {
        FTrace.clear();
        FTraceState = rsOff;
        return ecOutOfMemory;
    }
    FTraceEntries = entries;
    FTracePos = 0;
    FTraceWrapped = false;
    FTraceState = rsOn;
    return ecOK;
}

void TQelBaseDispatcher::AddTraceEntry(char kind, BYTE value) {
    TRecordGuard guard(FRecordLock);
    if (FTraceState != rsOn) return;
    FTrace[std::size_t(FTracePos) * 2] = kind;
    FTrace[std::size_t(FTracePos) * 2 + 1] = char(value);
    if (++FTracePos >= FTraceEntries) {
        FTracePos = 0;
        FTraceWrapped = true;
    }
}

void TQelBaseDispatcher::StopTracing() {
    TRecordGuard guard(FRecordLock);
    if (FTraceState == rsOn) FTraceState = rsPaused;
}

void TQelBaseDispatcher::StartTracing() {
    TRecordGuard guard(FRecordLock);
    if (FTraceState == rsPaused) FTraceState = rsOn;
}

void TQelBaseDispatcher::ClearTracing() {
    TRecordGuard guard(FRecordLock);
    FTracePos = 0;
    FTraceWrapped = false;
}

void TQelBaseDispatcher::AbortTracing() {
    TRecordGuard guard(FRecordLock);
    std::vector<char>().swap(FTrace);
    FTraceEntries = 0;
    FTracePos = 0;
    FTraceWrapped = false;
    FTraceState = rsOff;
}

TQelRecordState TQelBaseDispatcher::GetTraceState() const {
    TRecordGuard guard(FRecordLock);
    return FTraceState;
}

Integer TQelBaseDispatcher::DumpTrace(const String& fileName, bool inHex, bool allHex, bool append) {
    String text;
    {
        TRecordGuard guard(FRecordLock);
        if (FTraceState == rsOn) FTraceState = rsPaused;
        const Integer count = FTraceWrapped ? FTraceEntries : FTracePos;
        const Integer first = FTraceWrapped ? FTracePos : 0;
        TLineWriter lines(text, TraceLineLimit, 0);
        char kind = 0;
        for (Integer i = 0; i < count; ++i) {
            const std::size_t at = std::size_t((first + i) % FTraceEntries) * 2;
            if (i == 0 || FTrace[at] != kind) {
                kind = FTrace[at];
                if (i != 0) lines.EndLine();
                if (kind == 'R')
                    text += "Receive: ";
                else if (kind == 'T')
                    text += "Transmit: ";
                else
                    text += String("Special-") + kind + ": ";
                lines.EndLine();
            }
            lines.Token(ByteText(BYTE(FTrace[at + 1]), inHex, allHex));
        }
        if (count > 0) lines.EndLine();
    }
    const Integer code = text.empty() ? ecOK : WriteTextFile(fileName, text, append);
    AbortTracing();
    return code;
}

// ---- Log ----------------------------------------------------------------------------------------

Integer TQelBaseDispatcher::InitLogging(Cardinal size) {
    if (size < 1 || size > MaxLogBytes) return ecBadArgument;
    TRecordGuard guard(FRecordLock);
    try {
        FLog.assign(size, 0);
    } catch (const std::bad_alloc&) {
        FLog.clear();
        FLogState = rsOff;
        return ecOutOfMemory;
    }
    FLogHead = FLogTail = FLogUsed = 0;
    FLogState = rsOn;
    return ecOK;
}

void TQelBaseDispatcher::AddLogEntry(BYTE kind, BYTE subKind, DWORD data, const void* bytes, Integer count) {
    if (count < 0 || bytes == nullptr) count = 0;
    const DWORD time = QelTimeMs() - FLogTimeBase.load();
    TRecordGuard guard(FRecordLock);
    if (FLogState != rsOn) return;
    const std::size_t size = FLog.size();
    const std::size_t recordSize = std::size_t(LogHeadSize) + std::size_t(count);
    if (recordSize >= size) return;
    // The oldest records make room.
    while (size - FLogUsed < recordSize) {
        const std::size_t dropped = std::size_t(LogHeadSize) + ReadDword(FLog, FLogTail + 10);
        FLogTail = (FLogTail + dropped) % size;
        FLogUsed -= dropped;
    }
    auto put = [this, size](BYTE value) {
        FLog[FLogHead] = value;
        FLogHead = (FLogHead + 1) % size;
    };
    auto putDword = [&put](DWORD value) {
        for (int i = 0; i < 4; ++i)
            put(BYTE(value >> (8 * i)));
    };
    put(kind);
    put(subKind);
    putDword(time);
    putDword(data);
    putDword(DWORD(count));
    const auto* source = static_cast<const BYTE*>(bytes);
    for (Integer i = 0; i < count; ++i)
        put(source[i]);
    FLogUsed += recordSize;
}

void TQelBaseDispatcher::StopLogging() {
    TRecordGuard guard(FRecordLock);
    if (FLogState == rsOn) FLogState = rsPaused;
}

void TQelBaseDispatcher::StartLogging() {
    TRecordGuard guard(FRecordLock);
    if (FLogState == rsPaused) FLogState = rsOn;
}

void TQelBaseDispatcher::ClearLogging() {
    TRecordGuard guard(FRecordLock);
    FLogHead = FLogTail = FLogUsed = 0;
}

void TQelBaseDispatcher::AbortLogging() {
    TRecordGuard guard(FRecordLock);
    std::vector<BYTE>().swap(FLog);
    FLogHead = FLogTail = FLogUsed = 0;
    FLogState = rsOff;
}

TQelRecordState TQelBaseDispatcher::GetLogState() const {
    TRecordGuard guard(FRecordLock);
    return FLogState;
}

Integer TQelBaseDispatcher::DumpLog(const String& fileName, bool inHex, bool allHex, bool append) {
    String text;
    {
        TSectionLock general(FGeneralLock);
        TRecordGuard guard(FRecordLock);
        if (FLogState == rsOn) FLogState = rsPaused;
        text += String("TOLK ") + "v4.05" + LineEnd;
        text += "Compiler : " + CompilerName() + LineEnd;
        text += "Operating System : " + PlatformName() + LineEnd;
        text += "Device: " + FDeviceName + LineEnd;
        text += "Date/time: " + FormatDateTime("dd/mm/yy, hh:mm:ss", Now()) + LineEnd;
        text += LookupMessage(15501) + LineEnd;
        text += LookupMessage(15502) + LineEnd;

        TLineWriter lines(text, LogLineLimit, LogIndent);
        const std::size_t size = FLog.size();
        std::size_t pos = FLogTail;
        for (std::size_t done = 0; done < FLogUsed;) {
            const BYTE kind = FLog[pos];
            const BYTE subKind = FLog[(pos + 1) % size];
            const DWORD time = ReadDword(FLog, pos + 2);
            const DWORD data = ReadDword(FLog, pos + 6);
            const DWORD count = ReadDword(FLog, pos + 10);

            char digits[16];
            std::snprintf(digits, sizeof digits, "%07u", unsigned(time));
            String timeText(digits);
            timeText.insert(timeText.size() - 2, ".");
            char head[128];
            std::snprintf(head, sizeof head, "%8s  %-8s  %-12s  %08x  ", timeText.c_str(),
                          LookupMessage(15001 + kind).c_str(), LookupMessage(15100 + subKind).c_str(),
                          unsigned(data));
            text += head;
            lines.Start(std::strlen(head));
            for (DWORD i = 0; i < count; ++i)
                lines.Token(ByteText(FLog[(pos + LogHeadSize + i) % size], inHex, allHex));
            if (kind == lkTrigger && subKind == lsStatus) {
                static const char* const statusNames[] = {"(Not active)",         "(Modem status)",
                                                          "(Line status)",        "(Output buffer free)",
                                                          "(Output buffer used)", "(Output sent)"};
                const DWORD type = data & 7;
                if (type < 6) lines.Token(statusNames[type]);
            } else if (subKind == lsModemStatus) {
                String bits = "(";
                for (int bit = 0; bit < 8; ++bit)
                    if (data & (1u << bit)) bits += LookupMessage(15601 + bit);
                lines.Token(bits + ")");
            }
            lines.EndLine();
            const std::size_t recordSize = std::size_t(LogHeadSize) + count;
            pos = (pos + recordSize) % size;
            done += recordSize;
        }
    }
    const Integer code = WriteTextFile(fileName, text, append);
    AbortLogging();
    return code;
}
