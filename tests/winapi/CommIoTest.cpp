#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Comm.h"
#include "tests/support/TestPty.h"

namespace {

using ptytest::ReadExactly;
using ptytest::TPortDir;
using ptytest::TPty;
using ptytest::WriteAll;

constexpr DWORD Bounded = 5000; // ms; only a fault makes a wait last this long

// Bytes 0..255 over and over, shifted by `seed`.
std::string Pattern(std::size_t size, int seed = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i + std::size_t(seed)) & 0xFF);
    return bytes;
}

// An overlapped record with a manual-reset event of its own.
struct TOverlapped : OVERLAPPED {
    TOverlapped() { hEvent = CreateEventA(nullptr, TRUE, FALSE); }
    ~TOverlapped() { CloseHandle(hEvent); }
    TOverlapped(const TOverlapped&) = delete;
    TOverlapped& operator=(const TOverlapped&) = delete;
    bool Signaled(DWORD ms = 0) const { return WaitForSingleObject(hEvent, ms) == WAIT_OBJECT_0; }
};

HANDLE OpenPort(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

class CommIo : public ::testing::Test {
protected:
    void SetUp() override {
        ClockSetMode(TClockMode::Real);
        FPorts.Link(2, FPty.SlavePath());
        FPort = OpenPort("\\\\.\\COM2");
        ASSERT_NE(FPort, INVALID_HANDLE_VALUE) << GetLastError();
        DCB dcb;
        ASSERT_TRUE(GetCommState(FPort, &dcb));
        dcb.BaudRate = 9600;
        dcb.StopBits = TWOSTOPBITS;
        ASSERT_TRUE(SetCommState(FPort, &dcb));
    }
    void TearDown() override {
        if (FPort != INVALID_HANDLE_VALUE) CloseHandle(FPort);
    }

    void SetTimeouts(DWORD interval, DWORD multiplier, DWORD constant) {
        COMMTIMEOUTS timeouts{interval, multiplier, constant, 0, 0};
        ASSERT_TRUE(SetCommTimeouts(FPort, &timeouts));
    }

    // Reads `count` bytes, each read returning what has arrived (the library's way).
    std::string ReadBytes(std::size_t count) {
        SetTimeouts(MAXDWORD, MAXDWORD, Bounded);
        std::string received;
        TOverlapped ov;
        std::vector<char> buffer(1000);
        while (received.size() < count) {
            DWORD got = 0;
            if (!ReadFile(FPort, buffer.data(), DWORD(buffer.size()), &got, &ov)) {
                EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
                EXPECT_TRUE(GetOverlappedResult(FPort, &ov, &got, TRUE));
            }
            if (got == 0) break; // timed out
            received.append(buffer.data(), got);
        }
        return received;
    }

    // Starts a write that cannot finish until the peer reads: far more than a terminal holds.
    void StartBlockedWrite(const std::vector<char>& bytes, TOverlapped& ov) {
        DWORD written = 0;
        ASSERT_FALSE(WriteFile(FPort, bytes.data(), DWORD(bytes.size()), &written, &ov));
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        DWORD got = 0;
        EXPECT_FALSE(GetOverlappedResult(FPort, &ov, &got, FALSE));
        EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    }

    TPty FPty;
    TPortDir FPorts;
    HANDLE FPort = INVALID_HANDLE_VALUE;
};

TEST_F(CommIo, DataCrossesIntactBothWays) {
    const std::string out = Pattern(4096);
    TOverlapped ov;
    DWORD written = 0;
    if (!WriteFile(FPort, out.data(), DWORD(out.size()), &written, &ov)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        ASSERT_TRUE(GetOverlappedResult(FPort, &ov, &written, TRUE));
    }
    EXPECT_EQ(written, 4096u);
    EXPECT_TRUE(ov.Signaled());
    EXPECT_EQ(ReadExactly(FPty.Master(), 4096), out);

    const std::string in = Pattern(4096, 77);
    std::thread peer([&] { EXPECT_TRUE(WriteAll(FPty.Master(), in)); });
    EXPECT_EQ(ReadBytes(4096), in);
    peer.join();
}

TEST_F(CommIo, ReadsReturnAtOnceUnderTheLibrarysTimeouts) {
    SetTimeouts(MAXDWORD, 0, 0);
    TOverlapped ov;
    char buffer[64];
    DWORD got = 99;
    ASSERT_TRUE(ReadFile(FPort, buffer, sizeof buffer, &got, &ov));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(ov.Signaled());

    ASSERT_TRUE(SetCommMask(FPort, EV_RXCHAR));
    DWORD events = 0;
    TOverlapped wait;
    if (!WaitCommEvent(FPort, &events, &wait)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    }
    ASSERT_TRUE(WriteAll(FPty.Master(), "hello"));
    ASSERT_TRUE(wait.Signaled(Bounded));
    DWORD count = 0;
    ASSERT_TRUE(ClearCommError(FPort, nullptr, nullptr));
    ASSERT_TRUE(GetOverlappedResult(FPort, &wait, &count, FALSE));
    EXPECT_EQ(events, EV_RXCHAR);
    COMSTAT stat;
    DWORD errors = 99;
    ASSERT_TRUE(ClearCommError(FPort, &errors, &stat));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(stat.cbInQue, 5u);
    ASSERT_TRUE(ReadFile(FPort, buffer, 3, &got, &ov));
    EXPECT_EQ(std::string(buffer, got), "hel");
    ASSERT_TRUE(ReadFile(FPort, buffer, sizeof buffer, &got, &ov));
    EXPECT_EQ(std::string(buffer, got), "lo");
}

TEST_F(CommIo, EachArrivalGivesOneReceiveEvent) {
    ASSERT_TRUE(SetCommMask(FPort, EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING));
    TOverlapped wait;
    for (const std::string chunk : {"abc", "defg", "h"}) {
        SCOPED_TRACE(chunk);
        DWORD events = 0;
        ASSERT_FALSE(WaitCommEvent(FPort, &events, &wait)) << "an event without new bytes";
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        // Nothing new has arrived: the wait stays pending.
        EXPECT_FALSE(wait.Signaled(50));
        ASSERT_TRUE(WriteAll(FPty.Master(), chunk));
        DWORD count = 0;
        ASSERT_TRUE(wait.Signaled(Bounded));
        ASSERT_TRUE(GetOverlappedResult(FPort, &wait, &count, TRUE));
        EXPECT_EQ(events, EV_RXCHAR);
        EXPECT_EQ(ReadBytes(chunk.size()), chunk);
    }
    // Bytes that arrive while no wait is pending are reported by the next wait, at once.
    ASSERT_TRUE(WriteAll(FPty.Master(), "xyz"));
    EXPECT_EQ(ReadBytes(3), "xyz");
    DWORD events = 0;
    ASSERT_TRUE(WaitCommEvent(FPort, &events, &wait));
    EXPECT_EQ(events, EV_RXCHAR);
    EXPECT_TRUE(wait.Signaled());
}

TEST_F(CommIo, TransmitEmptyFollowsTheLastWrite) {
    ASSERT_TRUE(SetCommMask(FPort, EV_TXEMPTY));
    TOverlapped wait;
    DWORD events = 0;
    ASSERT_FALSE(WaitCommEvent(FPort, &events, &wait));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    TOverlapped write;
    DWORD written = 0;
    if (!WriteFile(FPort, "ping", 4, &written, &write)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    }
    ASSERT_TRUE(wait.Signaled(Bounded));
    EXPECT_EQ(events, EV_TXEMPTY);
    EXPECT_EQ(ReadExactly(FPty.Master(), 4), "ping");
}

// Without an event in the record, the wait is on the port itself.
TEST_F(CommIo, RecordsWithoutAnEventWaitOnThePort) {
    SetTimeouts(0, 0, 0);
    OVERLAPPED ov;
    char buffer[6];
    DWORD got = 0;
    ASSERT_FALSE(ReadFile(FPort, buffer, sizeof buffer, &got, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_NE(WaitForSingleObject(FPort, 0), WAIT_OBJECT_0);
    std::thread peer([&] {
        EXPECT_TRUE(WriteAll(FPty.Master(), "abc"));
        EXPECT_TRUE(WriteAll(FPty.Master(), "def"));
    });
    ASSERT_TRUE(GetOverlappedResult(FPort, &ov, &got, TRUE));
    peer.join();
    EXPECT_EQ(std::string(buffer, got), "abcdef");
}

TEST_F(CommIo, SetCommMaskFromAnotherThreadEndsAPendingWait) {
    ASSERT_TRUE(SetCommMask(FPort, EV_RXCHAR));
    TOverlapped wait;
    DWORD events = 12345;
    ASSERT_FALSE(WaitCommEvent(FPort, &events, &wait));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    // A second wait is refused while one is pending.
    DWORD other = 0;
    TOverlapped second;
    EXPECT_FALSE(WaitCommEvent(FPort, &other, &second));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    std::thread changer([&] { EXPECT_TRUE(SetCommMask(FPort, 0)); });
    DWORD count = 99;
    EXPECT_TRUE(GetOverlappedResult(FPort, &wait, &count, TRUE));
    changer.join();
    EXPECT_EQ(events, 0u);
    // With an empty mask there is nothing to wait for.
    EXPECT_FALSE(WaitCommEvent(FPort, &events, &wait));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CommIo, APendingWriteCompletesWhenThePeerReads) {
    const std::size_t size = 1 << 20;
    const std::string expected = Pattern(size, 5);
    auto bytes = std::make_unique<std::vector<char>>(expected.begin(), expected.end());
    TOverlapped ov;
    SetEvent(ov.hEvent); // starting the write resets it
    StartBlockedWrite(*bytes, ov);
    EXPECT_FALSE(ov.Signaled());
    bytes.reset(); // the write has its own copy

    COMSTAT stat;
    ASSERT_TRUE(ClearCommError(FPort, nullptr, &stat));
    EXPECT_GT(stat.cbOutQue, 0u);
    EXPECT_LE(stat.cbOutQue, size);

    std::string received;
    std::thread peer([&] { received = ReadExactly(FPty.Master(), size, 10000); });
    DWORD written = 0;
    EXPECT_TRUE(GetOverlappedResult(FPort, &ov, &written, TRUE));
    peer.join();
    EXPECT_EQ(written, size);
    EXPECT_TRUE(received == expected);
}

TEST_F(CommIo, PurgeAbortsPendingOperationsAndClearsInput) {
    const std::vector<char> bytes(1 << 20, 'w');
    TOverlapped write;
    StartBlockedWrite(bytes, write);
    SetTimeouts(0, 0, 0); // a read waits for all its bytes
    TOverlapped read;
    char buffer[10];
    DWORD got = 0;
    ASSERT_FALSE(ReadFile(FPort, buffer, sizeof buffer, &got, &read));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);

    ASSERT_TRUE(PurgeComm(FPort, PURGE_TXABORT | PURGE_TXCLEAR));
    ASSERT_TRUE(write.Signaled());
    DWORD written = 0;
    EXPECT_FALSE(GetOverlappedResult(FPort, &write, &written, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_LT(written, bytes.size());
    EXPECT_FALSE(read.Signaled());

    ASSERT_TRUE(PurgeComm(FPort, PURGE_RXABORT));
    EXPECT_FALSE(GetOverlappedResult(FPort, &read, &got, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);

    ASSERT_TRUE(SetCommMask(FPort, EV_RXCHAR));
    TOverlapped wait;
    DWORD events = 0;
    if (!WaitCommEvent(FPort, &events, &wait)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    }
    ASSERT_TRUE(WriteAll(FPty.Master(), "stale"));
    ASSERT_TRUE(wait.Signaled(Bounded));
    ASSERT_TRUE(PurgeComm(FPort, PURGE_RXCLEAR));
    COMSTAT stat;
    ASSERT_TRUE(ClearCommError(FPort, nullptr, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);

    SetLastError(0);
    EXPECT_FALSE(PurgeComm(FPort, 0x10));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CommIo, ClosingWakesEveryWaiter) {
    SetTimeouts(0, 0, 0);
    ASSERT_TRUE(SetCommMask(FPort, EV_RXCHAR));
    auto read = std::make_unique<TOverlapped>();
    auto write = std::make_unique<TOverlapped>();
    auto wait = std::make_unique<TOverlapped>();
    auto buffer = std::make_unique<char[]>(100);
    auto events = std::make_unique<DWORD>(77);
    const std::vector<char> bytes(1 << 20, 'c');
    ASSERT_FALSE(ReadFile(FPort, buffer.get(), 100, nullptr, read.get()));
    ASSERT_FALSE(WaitCommEvent(FPort, events.get(), wait.get()));
    StartBlockedWrite(bytes, *write);

    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (OVERLAPPED* ov : {static_cast<OVERLAPPED*>(read.get()), static_cast<OVERLAPPED*>(write.get()),
                           static_cast<OVERLAPPED*>(wait.get())})
        waiters.emplace_back([&, ov] {
            DWORD count = 0;
            EXPECT_FALSE(GetOverlappedResult(FPort, ov, &count, TRUE));
            EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
            ++woken;
        });
    ASSERT_TRUE(CloseHandle(FPort));
    const HANDLE closed = FPort;
    FPort = INVALID_HANDLE_VALUE;
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(woken, 3);
    // Nothing touches the records or the buffer once the handle is closed.
    read.reset();
    wait.reset();
    buffer.reset();
    events.reset();
    ASSERT_TRUE(WriteAll(FPty.Master(), "late bytes"));

    SetLastError(0);
    DWORD got = 0;
    char small[4];
    OVERLAPPED ov;
    EXPECT_FALSE(ReadFile(closed, small, 4, &got, &ov));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(closed));
}

// Open and close under traffic: every pending operation ends, and no descriptor number that a
// closed port gave back is touched afterwards (a pipe takes the numbers at once and must keep
// exactly what was put into it).
TEST_F(CommIo, OpenCloseCyclesUnderTraffic) {
    ASSERT_TRUE(CloseHandle(FPort));
    FPort = INVALID_HANDLE_VALUE;
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        const std::string chunk = Pattern(512);
        char sink[4096];
        while (!stop) {
            [[maybe_unused]] ssize_t put = write(FPty.Master(), chunk.data(), chunk.size());
            while (read(FPty.Master(), sink, sizeof sink) > 0) {
            }
            pollfd p{FPty.Master(), POLLIN, 0};
            poll(&p, 1, 1);
        }
    });
    const std::string sentinel = "sentinel";
    for (int cycle = 0; cycle < 200; ++cycle) {
        SCOPED_TRACE(cycle);
        const HANDLE port = OpenPort("COM2");
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
        COMMTIMEOUTS timeouts{0, 0, 0, 0, 0};
        ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
        ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_TXEMPTY));
        auto read = std::make_unique<TOverlapped>();
        auto wait = std::make_unique<TOverlapped>();
        auto write = std::make_unique<TOverlapped>();
        auto buffer = std::make_unique<std::vector<char>>(1 << 16);
        auto events = std::make_unique<DWORD>(0);
        if (!WaitCommEvent(port, events.get(), wait.get())) {
            ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        }
        if (!ReadFile(port, buffer->data(), DWORD(buffer->size()), nullptr, read.get())) {
            ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        }
        const std::string out = Pattern(2048, cycle);
        if (!WriteFile(port, out.data(), DWORD(out.size()), nullptr, write.get())) {
            ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        }
        if (cycle % 2 == 0) wait->Signaled(Bounded); // half the time, with traffic under way
        ASSERT_TRUE(CloseHandle(port));
        for (TOverlapped* ov : {read.get(), wait.get(), write.get()}) {
            DWORD count = 0;
            EXPECT_TRUE(ov->Signaled());
            GetOverlappedResult(port, ov, &count, FALSE);
            EXPECT_NE(GetLastError(), ERROR_IO_INCOMPLETE);
        }
        read.reset();
        wait.reset();
        write.reset();
        buffer.reset();
        events.reset();

        int pipes[2][2];
        ASSERT_EQ(pipe2(pipes[0], O_NONBLOCK), 0);
        ASSERT_EQ(pipe2(pipes[1], O_NONBLOCK), 0);
        for (auto& p : pipes)
            ASSERT_EQ(::write(p[1], sentinel.data(), sentinel.size()), ssize_t(sentinel.size()));
        std::this_thread::yield();
        for (auto& p : pipes) {
            char back[64];
            EXPECT_EQ(::read(p[0], back, sizeof back), ssize_t(sentinel.size()));
            close(p[0]);
            close(p[1]);
        }
    }
    stop = true;
    peer.join();
}

} // namespace
