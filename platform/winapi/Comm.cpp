// Serial ports over termios. Each open port is a kernel object with one I/O thread: the thread
// moves received bytes from the descriptor into the port's receive queue (so that it knows
// exactly when new bytes arrived), writes the bytes of pending writes, completes reads by
// their time-outs and watches the modem lines and error counters when the event mask asks for
// them. Every use of the descriptor happens under the port's lock and the descriptor is closed
// only after the thread has ended, so no late call can reach a descriptor number the process
// has meanwhile given to another file.
#include "platform/winapi/Comm.h"

// The kernel's own termios interface (termios2, free baud rates); the C library's termios.h
// declares a conflicting struct and must not be included here.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/Clock.h"

namespace {

// Guards the result fields of every overlapped record: written when an operation completes,
// read by GetOverlappedResult (which may run after the port's handle was closed).
std::mutex gOverlappedLock;

constexpr DWORD DefaultInQueue = 4096;
constexpr DWORD KnownEvents = 0x1FFF;
constexpr DWORD LineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR;
// How often the I/O thread looks at the modem lines and error counters while the mask asks for
// their events (the terminal interface only reports them on request).
constexpr Int64 LinePollMicros = 20000;
// How often it asks whether the device has sent its last byte while EV_TXEMPTY is owed.
constexpr Int64 TxEmptyPollMicros = 5000;
// With the clock in manual mode a deadline can only be noticed by looking again.
constexpr Int64 ManualClockPollMicros = 10000;

using TEventPtr = std::shared_ptr<TEventObject>;

struct TRequest {
    OVERLAPPED* Ov = nullptr;
    TEventPtr Event;
};

struct TReadRequest : TRequest {
    char* Buffer = nullptr;
    DWORD Size = 0;
    bool Immediate = false;   // return at once with what is there
    bool ReturnOnAny = false; // return as soon as anything is there
    Int64 Deadline = -1;      // total time-out, or none
    Int64 Interval = 0;       // time-out between bytes, or none
};

struct TWriteRequest : TRequest {
    std::vector<char> Data;
    std::size_t Sent = 0;
    Int64 Deadline = -1;
};

struct TWaitRequest : TRequest {
    DWORD* Mask = nullptr;
};

struct TRate {
    unsigned Code;
    DWORD Rate;
};

const TRate StandardRates[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},         {B300, 300},         {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},       {B4800, 4800},       {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},     {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
};

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case ELOOP:
    case ENOTTY:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EROFS:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// The device does not have the function at all (a pseudo-terminal has no modem lines).
bool Unsupported(int error) { return error == ENOTTY || error == EINVAL; }

Int64 Now() { return ClockMonotonicMicros(); }

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

class TCommPort : public TKernelObject {
public:
    TCommPort(int fd, int wakeFd, bool overlapped, const termios2& settings);
    ~TCommPort() override;

    bool IsSignaled() const override { return FSignaled; }
    void HandleClosed() override { Shutdown(); }

    void Start() {
        FThread = std::thread([this] { Run(); });
    }
    bool Overlapped() const { return FOverlapped; }

    BOOL Read(char* buffer, DWORD size, DWORD* bytesRead, OVERLAPPED* ov, TEventPtr event);
    BOOL Write(const char* buffer, DWORD size, DWORD* bytesWritten, OVERLAPPED* ov, TEventPtr event);
    BOOL WaitEvent(DWORD* mask, OVERLAPPED* ov, TEventPtr event);
    BOOL Setup(DWORD inQueue);
    BOOL GetState(DCB* dcb);
    BOOL SetState(const DCB& dcb);
    BOOL GetTimeouts(COMMTIMEOUTS* timeouts);
    BOOL SetTimeouts(const COMMTIMEOUTS& timeouts);
    BOOL GetMask(DWORD* mask);
    BOOL SetMask(DWORD mask);
    BOOL ClearError(DWORD* errors, COMSTAT* stat);
    BOOL Purge(DWORD flags);
    BOOL Escape(DWORD function);
    BOOL ModemStatus(DWORD* status);

private:
    void Shutdown();
    void Run();
    void Wake();
    void SetSignaled(bool value);
    void Begin(TRequest& request);
    void Finish(TRequest& request, DWORD error, DWORD bytes);
    void RaiseEvents(DWORD events);
    void PullInput(Int64 now);
    // The device went away: reads and writes stop, an error event is raised once, and the
    // errors report CE_IOE from now on.
    void HangUp();
    DWORD PushOutput(TWriteRequest& request);
    void ServiceReads(Int64 now);
    void ServiceWrites(Int64 now);
    bool TryCompleteRead(TReadRequest& request, Int64 now);
    void PollLineStatus();
    void TakeLineBaseline();
    void CheckTxEmpty();
    BOOL SetLine(int bit, bool on);
    bool WantsLinePolling() const { return (FMask & LineEvents) != 0 && (FHasModemLines || FHasCounters); }

    const bool FOverlapped;
    std::mutex FLock;
    int FFd;
    int FWakeFd;
    std::thread FThread;
    bool FClosed = false;
    bool FStopping = false;
    bool FHangup = false;
    bool FSignaled = false; // changed only through ChangeState

    DCB FDcb;
    COMMTIMEOUTS FTimeouts;
    DWORD FInCapacity = DefaultInQueue;
    std::deque<char> FInput;
    Int64 FLastArrival = 0;
    std::deque<std::unique_ptr<TReadRequest>> FReads;
    std::deque<std::unique_ptr<TWriteRequest>> FWrites;
    std::unique_ptr<TWaitRequest> FWait;
    DWORD FMask = 0;
    DWORD FEvents = 0;
    DWORD FErrors = 0;
    bool FTxEmptyOwed = false;

    bool FHasModemLines = true;
    bool FHasCounters = true;
    int FLastLines = 0;
    serial_icounter_struct FLastCounters{};
    Int64 FNextLinePoll = 0;
    int FShadowLines = 0; // DTR and RTS as last set
    bool FBreak = false;
};

DCB DcbFromSettings(const termios2& t) {
    DCB dcb;
    const unsigned code = t.c_cflag & CBAUD;
    dcb.BaudRate = t.c_ospeed;
    for (const TRate& rate : StandardRates)
        if (rate.Code == code) dcb.BaudRate = rate.Rate;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    if (!(t.c_cflag & PARENB))
        dcb.Parity = NOPARITY;
    else if (t.c_cflag & CMSPAR)
        dcb.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    else
        dcb.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    if (t.c_cflag & CSTOPB) dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    if (t.c_cflag & CRTSCTS) {
        dcb.fOutxCtsFlow = 1;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    }
    dcb.fOutX = (t.c_iflag & IXON) ? 1 : 0;
    dcb.fInX = (t.c_iflag & IXOFF) ? 1 : 0;
    dcb.fParity = (t.c_iflag & INPCK) ? 1 : 0;
    dcb.XonChar = char(t.c_cc[VSTART]);
    dcb.XoffChar = char(t.c_cc[VSTOP]);
    return dcb;
}

// Raw bytes both ways, the receiver on, modem control lines not needed for reading.
void MakeRaw(termios2& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

void ApplyDcb(termios2& t, const DCB& dcb) {
    MakeRaw(t);
    t.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    unsigned code = BOTHER;
    for (const TRate& rate : StandardRates)
        if (rate.Rate == dcb.BaudRate) code = rate.Code;
    t.c_cflag |= code;
    t.c_ispeed = dcb.BaudRate;
    t.c_ospeed = dcb.BaudRate;
    static const unsigned sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[dcb.ByteSize - 5];
    switch (dcb.Parity) {
    case ODDPARITY:
        t.c_cflag |= PARENB | PARODD;
        break;
    case EVENPARITY:
        t.c_cflag |= PARENB;
        break;
    case MARKPARITY:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SPACEPARITY:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | INPCK | IGNPAR);
    if (dcb.fOutX) t.c_iflag |= IXON;
    if (dcb.fInX) t.c_iflag |= IXOFF;
    if (dcb.fParity) t.c_iflag |= INPCK;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

TCommPort::TCommPort(int fd, int wakeFd, bool overlapped, const termios2& settings)
    : FOverlapped(overlapped), FFd(fd), FWakeFd(wakeFd), FDcb(DcbFromSettings(settings)) {
    FShadowLines = TIOCM_DTR | TIOCM_RTS;
    int lines = 0;
    if (ioctl(FFd, TIOCMGET, &lines) == 0)
        FShadowLines = lines & (TIOCM_DTR | TIOCM_RTS);
    else
        FHasModemLines = false;
    serial_icounter_struct counters{};
    if (ioctl(FFd, TIOCGICOUNT, &counters) != 0) FHasCounters = false;
    TakeLineBaseline();
}

TCommPort::~TCommPort() { Shutdown(); }

void TCommPort::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(FLock);
        if (FClosed) return;
        FClosed = true;
        FStopping = true;
        for (auto& read : FReads)
            Finish(*read, ERROR_OPERATION_ABORTED, 0);
        FReads.clear();
        for (auto& write : FWrites)
            Finish(*write, ERROR_OPERATION_ABORTED, DWORD(write->Sent));
        FWrites.clear();
        if (FWait) {
            Finish(*FWait, ERROR_OPERATION_ABORTED, 0);
            FWait.reset();
        }
        Wake();
    }
    if (FThread.joinable()) FThread.join();
    std::lock_guard<std::mutex> guard(FLock);
    ioctl(FFd, TIOCNXCL);
    close(FFd);
    close(FWakeFd);
    FFd = -1;
    FWakeFd = -1;
}

void TCommPort::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(FWakeFd, &one, sizeof one);
}

void TCommPort::SetSignaled(bool value) {
    ChangeState([this, value] { FSignaled = value; });
}

void TCommPort::Begin(TRequest& request) {
    {
        std::lock_guard<std::mutex> guard(gOverlappedLock);
        request.Ov->Internal = STATUS_PENDING;
        request.Ov->InternalHigh = 0;
    }
    if (request.Event) request.Event->Reset();
    SetSignaled(false);
}

void TCommPort::Finish(TRequest& request, DWORD error, DWORD bytes) {
    {
        std::lock_guard<std::mutex> guard(gOverlappedLock);
        request.Ov->Internal = error;
        request.Ov->InternalHigh = bytes;
    }
    if (request.Event) request.Event->Set();
    SetSignaled(true);
}

void TCommPort::RaiseEvents(DWORD events) {
    FEvents |= events & FMask;
    if (FWait && FEvents != 0) {
        *FWait->Mask = FEvents;
        FEvents = 0;
        Finish(*FWait, ERROR_SUCCESS, 0);
        FWait.reset();
    }
}

// ---- The I/O thread ---------------------------------------------------------------------------

void TCommPort::Run() {
    std::unique_lock<std::mutex> lock(FLock);
    while (!FStopping) {
        Int64 now = Now();
        PullInput(now);
        ServiceWrites(now);
        ServiceReads(now);
        if (WantsLinePolling() && now >= FNextLinePoll) {
            PollLineStatus();
            FNextLinePoll = now + LinePollMicros;
        }
        if (!(FMask & EV_TXEMPTY)) FTxEmptyOwed = false;
        if (FTxEmptyOwed && FWrites.empty()) CheckTxEmpty();

        Int64 deadline = -1;
        auto consider = [&deadline](Int64 when) {
            if (when >= 0 && (deadline < 0 || when < deadline)) deadline = when;
        };
        if (!FReads.empty()) {
            const TReadRequest& read = *FReads.front();
            consider(read.Deadline);
            if (read.Interval > 0 && !FInput.empty()) consider(FLastArrival + read.Interval);
        }
        if (!FWrites.empty()) consider(FWrites.front()->Deadline);
        if (WantsLinePolling()) consider(FNextLinePoll);
        if (FTxEmptyOwed) consider(now + TxEmptyPollMicros);
        if (deadline >= 0 && ClockGetMode() == TClockMode::Manual)
            deadline = std::min(deadline, now + ManualClockPollMicros);

        pollfd fds[2] = {{FWakeFd, POLLIN, 0}, {FFd, 0, 0}};
        if (!FHangup) {
            if (FInput.size() < FInCapacity) fds[1].events |= POLLIN;
            if (!FWrites.empty()) fds[1].events |= POLLOUT;
        }
        if (fds[1].events == 0) fds[1].fd = -1;
        int timeout = -1;
        if (deadline >= 0) timeout = int(std::clamp<Int64>((deadline - now + 999) / 1000, 0, 1000000));

        lock.unlock();
        const int ready = poll(fds, 2, timeout);
        lock.lock();
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            uint64_t count;
            [[maybe_unused]] ssize_t got = read(FWakeFd, &count, sizeof count);
        }
    }
}

void TCommPort::PullInput(Int64 now) {
    char chunk[4096];
    while (!FHangup && FInput.size() < FInCapacity) {
        const std::size_t room = std::min<std::size_t>(FInCapacity - FInput.size(), sizeof chunk);
        const ssize_t got = read(FFd, chunk, room);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got <= 0) {
            // End of file or an error: the device went away (a pseudo-terminal whose other side
            // closed, a USB adapter pulled out).
            HangUp();
            return;
        }
        const std::size_t before = FInput.size();
        for (ssize_t i = 0; i < got; ++i)
            if (!(FDcb.fNull && chunk[i] == 0)) FInput.push_back(chunk[i]);
        if (FInput.size() == before) continue;
        FLastArrival = now;
        DWORD events = EV_RXCHAR;
        if (std::find(FInput.begin() + std::ptrdiff_t(before), FInput.end(), FDcb.EvtChar) != FInput.end())
            events |= EV_RXFLAG;
        if (before < FInCapacity * 8 / 10 && FInput.size() >= FInCapacity * 8 / 10) events |= EV_RX80FULL;
        RaiseEvents(events);
        if (std::size_t(got) < room) return;
    }
}

void TCommPort::HangUp() {
    if (FHangup) return;
    FHangup = true;
    RaiseEvents(EV_ERR);
}

// 0, or the error that ends the write.
DWORD TCommPort::PushOutput(TWriteRequest& request) {
    while (request.Sent < request.Data.size()) {
        const ssize_t put =
            write(FFd, request.Data.data() + request.Sent, request.Data.size() - request.Sent);
        if (put > 0) {
            request.Sent += std::size_t(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ERROR_SUCCESS;
        HangUp();
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

void TCommPort::ServiceWrites(Int64 now) {
    while (!FWrites.empty()) {
        TWriteRequest& write = *FWrites.front();
        const DWORD error = FHangup ? ERROR_GEN_FAILURE : PushOutput(write);
        const bool done = write.Sent == write.Data.size();
        if (error == ERROR_SUCCESS && !done && (write.Deadline < 0 || now < write.Deadline)) return;
        Finish(write, error, DWORD(write.Sent));
        FWrites.pop_front();
        if (FWrites.empty()) FTxEmptyOwed = true;
    }
}

bool TCommPort::TryCompleteRead(TReadRequest& request, Int64 now) {
    const std::size_t available = FInput.size();
    bool complete = available >= request.Size || request.Immediate ||
                    (request.ReturnOnAny && available > 0) ||
                    (request.Deadline >= 0 && now >= request.Deadline) ||
                    (request.Interval > 0 && available > 0 && now >= FLastArrival + request.Interval);
    if (!complete) return false;
    const std::size_t count = std::min<std::size_t>(available, request.Size);
    const bool wasFull = available >= FInCapacity;
    std::copy_n(FInput.begin(), count, request.Buffer);
    FInput.erase(FInput.begin(), FInput.begin() + std::ptrdiff_t(count));
    Finish(request, ERROR_SUCCESS, DWORD(count));
    if (wasFull && count > 0) Wake();
    return true;
}

void TCommPort::ServiceReads(Int64 now) {
    while (!FReads.empty() && TryCompleteRead(*FReads.front(), now))
        FReads.pop_front();
}

void TCommPort::TakeLineBaseline() {
    if (FHasModemLines) ioctl(FFd, TIOCMGET, &FLastLines);
    if (FHasCounters) ioctl(FFd, TIOCGICOUNT, &FLastCounters);
}

void TCommPort::PollLineStatus() {
    DWORD events = 0;
    int lines = 0;
    if (FHasModemLines && ioctl(FFd, TIOCMGET, &lines) == 0) {
        const int changed = lines ^ FLastLines;
        if (changed & TIOCM_CTS) events |= EV_CTS;
        if (changed & TIOCM_DSR) events |= EV_DSR;
        if (changed & TIOCM_CD) events |= EV_RLSD;
        if ((changed & lines) & TIOCM_RI) events |= EV_RING;
        FLastLines = lines;
    }
    serial_icounter_struct counters{};
    if (FHasCounters && ioctl(FFd, TIOCGICOUNT, &counters) == 0) {
        DWORD errors = 0;
        if (counters.frame != FLastCounters.frame) errors |= CE_FRAME;
        if (counters.overrun != FLastCounters.overrun) errors |= CE_OVERRUN;
        if (counters.parity != FLastCounters.parity) errors |= CE_RXPARITY;
        if (counters.buf_overrun != FLastCounters.buf_overrun) errors |= CE_RXOVER;
        if (counters.brk != FLastCounters.brk) {
            errors |= CE_BREAK;
            events |= EV_BREAK;
        }
        if (errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY)) events |= EV_ERR;
        FErrors |= errors;
        FLastCounters = counters;
    }
    if (events != 0) RaiseEvents(events);
}

void TCommPort::CheckTxEmpty() {
    int queued = 0;
    if (ioctl(FFd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
        FTxEmptyOwed = false;
        RaiseEvents(EV_TXEMPTY);
    }
}

// ---- Operations -------------------------------------------------------------------------------

BOOL TCommPort::Read(char* buffer, DWORD size, DWORD* bytesRead, OVERLAPPED* ov, TEventPtr event) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    auto request = std::make_unique<TReadRequest>();
    request->Ov = ov;
    request->Event = std::move(event);
    request->Buffer = buffer;
    request->Size = size;
    const COMMTIMEOUTS& t = FTimeouts;
    const Int64 now = Now();
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        request->Immediate = true;
    } else if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
               t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
        request->ReturnOnAny = true;
        request->Deadline = now + Int64(t.ReadTotalTimeoutConstant) * 1000;
    } else {
        const Int64 total = Int64(t.ReadTotalTimeoutMultiplier) * size + t.ReadTotalTimeoutConstant;
        if (total > 0) request->Deadline = now + total * 1000;
        if (t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD)
            request->Interval = Int64(t.ReadIntervalTimeout) * 1000;
    }
    Begin(*request);
    if (bytesRead != nullptr) *bytesRead = 0;
    if (FReads.empty() && TryCompleteRead(*request, now)) {
        if (bytesRead != nullptr) *bytesRead = DWORD(request->Ov->InternalHigh);
        return TRUE;
    }
    FReads.push_back(std::move(request));
    Wake();
    return Fail(ERROR_IO_PENDING);
}

BOOL TCommPort::Write(const char* buffer, DWORD size, DWORD* bytesWritten, OVERLAPPED* ov, TEventPtr event) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    auto request = std::make_unique<TWriteRequest>();
    request->Ov = ov;
    request->Event = std::move(event);
    request->Data.assign(buffer, buffer + size);
    const Int64 total =
        Int64(FTimeouts.WriteTotalTimeoutMultiplier) * size + FTimeouts.WriteTotalTimeoutConstant;
    if (total > 0) request->Deadline = Now() + total * 1000;
    Begin(*request);
    if (bytesWritten != nullptr) *bytesWritten = 0;
    if (FWrites.empty()) {
        const DWORD error = FHangup ? ERROR_GEN_FAILURE : PushOutput(*request);
        if (error != ERROR_SUCCESS || request->Sent == request->Data.size()) {
            Finish(*request, error, DWORD(request->Sent));
            if (error != ERROR_SUCCESS) return Fail(error);
            if (bytesWritten != nullptr) *bytesWritten = size;
            FTxEmptyOwed = true;
            Wake();
            return TRUE;
        }
    }
    FWrites.push_back(std::move(request));
    Wake();
    return Fail(ERROR_IO_PENDING);
}

BOOL TCommPort::WaitEvent(DWORD* mask, OVERLAPPED* ov, TEventPtr event) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    if (FMask == 0 || FWait || mask == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    auto request = std::make_unique<TWaitRequest>();
    request->Ov = ov;
    request->Event = std::move(event);
    request->Mask = mask;
    Begin(*request);
    if (WantsLinePolling()) PollLineStatus();
    if (FEvents != 0) {
        *mask = FEvents;
        FEvents = 0;
        Finish(*request, ERROR_SUCCESS, 0);
        return TRUE;
    }
    FWait = std::move(request);
    Wake();
    return Fail(ERROR_IO_PENDING);
}

BOOL TCommPort::Setup(DWORD inQueue) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    if (inQueue > 0) FInCapacity = inQueue;
    Wake();
    return TRUE;
}

BOOL TCommPort::GetState(DCB* dcb) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    *dcb = FDcb;
    return TRUE;
}

BOOL TCommPort::SetState(const DCB& dcb) {
    if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
        dcb.StopBits > TWOSTOPBITS || (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) ||
        (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) || dcb.fDtrControl > DTR_CONTROL_HANDSHAKE)
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    termios2 settings{};
    if (ioctl(FFd, TCGETS2, &settings) != 0) return Fail(ErrorFromErrno(errno));
    ApplyDcb(settings, dcb);
    if (ioctl(FFd, TCSETS2, &settings) != 0) return Fail(ErrorFromErrno(errno));
    FDcb = dcb;
    // The lines follow their control modes; under handshake the driver moves RTS itself.
    BOOL ok = SetLine(TIOCM_DTR, dcb.fDtrControl != DTR_CONTROL_DISABLE);
    if (ok && dcb.fRtsControl != RTS_CONTROL_HANDSHAKE)
        ok = SetLine(TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE);
    Wake();
    return ok;
}

BOOL TCommPort::SetLine(int bit, bool on) {
    FShadowLines = on ? (FShadowLines | bit) : (FShadowLines & ~bit);
    if (!FHasModemLines) return TRUE;
    if (ioctl(FFd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return TRUE;
    if (Unsupported(errno)) {
        FHasModemLines = false;
        return TRUE;
    }
    return Fail(ErrorFromErrno(errno));
}

BOOL TCommPort::GetTimeouts(COMMTIMEOUTS* timeouts) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    *timeouts = FTimeouts;
    return TRUE;
}

BOOL TCommPort::SetTimeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    FTimeouts = timeouts;
    return TRUE;
}

BOOL TCommPort::GetMask(DWORD* mask) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    *mask = FMask;
    return TRUE;
}

BOOL TCommPort::SetMask(DWORD mask) {
    if (mask & ~KnownEvents) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    FMask = mask;
    FEvents = 0;
    if (FWait) {
        *FWait->Mask = 0;
        Finish(*FWait, ERROR_SUCCESS, 0);
        FWait.reset();
    }
    // Line changes from before the new mask are not reported.
    TakeLineBaseline();
    FNextLinePoll = Now() + LinePollMicros;
    Wake();
    return TRUE;
}

BOOL TCommPort::ClearError(DWORD* errors, COMSTAT* stat) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    PollLineStatus();
    if (errors != nullptr) *errors = FErrors | (FHangup ? CE_IOE : 0);
    FErrors = 0;
    if (stat != nullptr) {
        *stat = COMSTAT();
        stat->cbInQue = DWORD(FInput.size());
        std::size_t pending = 0;
        for (const auto& write : FWrites)
            pending += write->Data.size() - write->Sent;
        int queued = 0;
        if (ioctl(FFd, TIOCOUTQ, &queued) == 0 && queued > 0) pending += std::size_t(queued);
        stat->cbOutQue = DWORD(pending);
    }
    return TRUE;
}

BOOL TCommPort::Purge(DWORD flags) {
    if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    if (flags & PURGE_TXABORT) {
        for (auto& write : FWrites)
            Finish(*write, ERROR_OPERATION_ABORTED, DWORD(write->Sent));
        FWrites.clear();
    }
    if (flags & PURGE_RXABORT) {
        for (auto& read : FReads)
            Finish(*read, ERROR_OPERATION_ABORTED, 0);
        FReads.clear();
    }
    if (flags & PURGE_TXCLEAR) ioctl(FFd, TCFLSH, TCOFLUSH);
    if (flags & PURGE_RXCLEAR) {
        FInput.clear();
        ioctl(FFd, TCFLSH, TCIFLUSH);
    }
    Wake();
    return TRUE;
}

BOOL TCommPort::Escape(DWORD function) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    switch (function) {
    case SETRTS:
    case CLRRTS:
        if (FDcb.fRtsControl == RTS_CONTROL_HANDSHAKE) return Fail(ERROR_INVALID_PARAMETER);
        return SetLine(TIOCM_RTS, function == SETRTS);
    case SETDTR:
    case CLRDTR:
        if (FDcb.fDtrControl == DTR_CONTROL_HANDSHAKE) return Fail(ERROR_INVALID_PARAMETER);
        return SetLine(TIOCM_DTR, function == SETDTR);
    case SETBREAK:
    case CLRBREAK:
        FBreak = function == SETBREAK;
        if (ioctl(FFd, FBreak ? TIOCSBRK : TIOCCBRK) != 0 && !Unsupported(errno))
            return Fail(ErrorFromErrno(errno));
        return TRUE;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

BOOL TCommPort::ModemStatus(DWORD* status) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FClosed) return Fail(ERROR_INVALID_HANDLE);
    DWORD result = 0;
    int lines = 0;
    if (FHasModemLines && ioctl(FFd, TIOCMGET, &lines) == 0) {
        if (lines & TIOCM_CTS) result |= MS_CTS_ON;
        if (lines & TIOCM_DSR) result |= MS_DSR_ON;
        if (lines & TIOCM_RI) result |= MS_RING_ON;
        if (lines & TIOCM_CD) result |= MS_RLSD_ON;
    }
    *status = result;
    return TRUE;
}

// ---- Handles ----------------------------------------------------------------------------------

std::shared_ptr<TCommPort> FindPort(HANDLE file) { return FindKernelObjectAs<TCommPort>(file); }

// The event of an overlapped record; false when the record names a handle that is no event.
bool EventOf(const OVERLAPPED* ov, TEventPtr& event) {
    event.reset();
    if (ov->hEvent == nullptr) return true;
    event = FindKernelObjectAs<TEventObject>(ov->hEvent);
    return event != nullptr;
}

// Starts an operation on the caller's record (overlapped handles) or on a record of its own and
// waits for it (other handles).
template <class Start> BOOL Run(TCommPort& port, OVERLAPPED* ov, DWORD* transferred, Start start) {
    if (port.Overlapped()) {
        if (ov == nullptr) return Fail(ERROR_INVALID_PARAMETER);
        TEventPtr event;
        if (!EventOf(ov, event)) return Fail(ERROR_INVALID_HANDLE);
        return start(ov, std::move(event));
    }
    OVERLAPPED own;
    auto event = std::make_shared<TEventObject>(true, false);
    if (!start(&own, event) && GetLastError() != ERROR_IO_PENDING) return FALSE;
    WaitForKernelObjects({event}, false, INFINITE);
    DWORD error;
    DWORD bytes;
    {
        std::lock_guard<std::mutex> guard(gOverlappedLock);
        error = DWORD(own.Internal);
        bytes = DWORD(own.InternalHigh);
    }
    if (transferred != nullptr) *transferred = bytes;
    if (error != ERROR_SUCCESS) return Fail(error);
    return TRUE;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
    if (fileName == nullptr || creationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const String device = CommPortDevicePath(fileName);
    if (device.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A serial device node without its hardware refuses with an I/O error.
        SetLastError(errno == EIO ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto fail = [fd](DWORD error) {
        close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    };
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) return fail(ERROR_FILE_NOT_FOUND); // not a terminal
    // One handle per port: the lock keeps out other opens of ours, the exclusive mode other
    // programs (the super-user is not held back by the latter).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(ERROR_ACCESS_DENIED);
    MakeRaw(settings);
    if (ioctl(fd, TCSETS2, &settings) != 0) return fail(ErrorFromErrno(errno));
    ioctl(fd, TCGETS2, &settings);
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) return fail(ERROR_NOT_ENOUGH_MEMORY);
    ioctl(fd, TIOCEXCL);
    std::shared_ptr<TCommPort> port;
    try {
        port = std::make_shared<TCommPort>(fd, wakeFd, (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0,
                                           settings);
        port->Start();
    } catch (...) {
        // The port closes both descriptors when it was made; otherwise they are still ours.
        if (!port) {
            close(wakeFd);
            return fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        port.reset();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    return RegisterKernelObject(port);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead,
              LPOVERLAPPED overlapped) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && numberOfBytesToRead > 0) return Fail(ERROR_INVALID_PARAMETER);
    return Run(*port, overlapped, numberOfBytesRead, [&](OVERLAPPED* ov, TEventPtr event) {
        return port->Read(static_cast<char*>(buffer), numberOfBytesToRead, numberOfBytesRead, ov,
                          std::move(event));
    });
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD numberOfBytesToWrite, DWORD* numberOfBytesWritten,
               LPOVERLAPPED overlapped) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && numberOfBytesToWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
    return Run(*port, overlapped, numberOfBytesWritten, [&](OVERLAPPED* ov, TEventPtr event) {
        return port->Write(static_cast<const char*>(buffer), numberOfBytesToWrite, numberOfBytesWritten, ov,
                           std::move(event));
    });
}

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, DWORD* numberOfBytesTransferred, BOOL wait) {
    if (overlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    for (;;) {
        ULONG_PTR status;
        ULONG_PTR bytes;
        {
            std::lock_guard<std::mutex> guard(gOverlappedLock);
            status = overlapped->Internal;
            bytes = overlapped->InternalHigh;
        }
        if (status != STATUS_PENDING) {
            if (numberOfBytesTransferred != nullptr) *numberOfBytesTransferred = DWORD(bytes);
            if (status != ERROR_SUCCESS) return Fail(DWORD(status));
            return TRUE;
        }
        if (!wait) return Fail(ERROR_IO_INCOMPLETE);
        auto target = FindKernelObject(overlapped->hEvent != nullptr ? overlapped->hEvent : file);
        if (!target) return Fail(ERROR_INVALID_HANDLE);
        WaitForKernelObjects({target}, false, INFINITE);
    }
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
    auto port = FindPort(file);
    return port ? port->Setup(inQueue) : Fail(ERROR_INVALID_HANDLE);
}

BOOL GetCommState(HANDLE file, LPDCB dcb) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return dcb ? port->GetState(dcb) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL SetCommState(HANDLE file, LPDCB dcb) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return dcb ? port->SetState(*dcb) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return timeouts ? port->GetTimeouts(timeouts) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return timeouts ? port->SetTimeouts(*timeouts) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL GetCommMask(HANDLE file, DWORD* eventMask) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return eventMask ? port->GetMask(eventMask) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL SetCommMask(HANDLE file, DWORD eventMask) {
    auto port = FindPort(file);
    return port ? port->SetMask(eventMask) : Fail(ERROR_INVALID_HANDLE);
}

BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, LPOVERLAPPED overlapped) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return Run(*port, overlapped, nullptr, [&](OVERLAPPED* ov, TEventPtr event) {
        return port->WaitEvent(eventMask, ov, std::move(event));
    });
}

BOOL ClearCommError(HANDLE file, DWORD* errors, LPCOMSTAT stat) {
    auto port = FindPort(file);
    return port ? port->ClearError(errors, stat) : Fail(ERROR_INVALID_HANDLE);
}

BOOL PurgeComm(HANDLE file, DWORD flags) {
    auto port = FindPort(file);
    return port ? port->Purge(flags) : Fail(ERROR_INVALID_HANDLE);
}

BOOL EscapeCommFunction(HANDLE file, DWORD function) {
    auto port = FindPort(file);
    return port ? port->Escape(function) : Fail(ERROR_INVALID_HANDLE);
}

BOOL GetCommModemStatus(HANDLE file, DWORD* modemStat) {
    auto port = FindPort(file);
    if (!port) return Fail(ERROR_INVALID_HANDLE);
    return modemStat ? port->ModemStatus(modemStat) : Fail(ERROR_INVALID_PARAMETER);
}
