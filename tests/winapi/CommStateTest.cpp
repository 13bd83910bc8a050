#include <gtest/gtest.h>

#include <termios.h>

#include <cstring>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Comm.h"
#include "tests/support/TestPty.h"

namespace {

using ptytest::TPortDir;
using ptytest::TPty;

class CommState : public ::testing::Test {
protected:
    void SetUp() override {
        ClockSetMode(TClockMode::Real);
        FPorts.Link(1, FPty.SlavePath());
        FPort = CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(FPort, INVALID_HANDLE_VALUE) << GetLastError();
    }
    void TearDown() override {
        if (FPort != INVALID_HANDLE_VALUE) CloseHandle(FPort);
    }

    DCB State() {
        DCB dcb;
        EXPECT_TRUE(GetCommState(FPort, &dcb));
        return dcb;
    }

    TPty FPty;
    TPortDir FPorts;
    HANDLE FPort = INVALID_HANDLE_VALUE;
};

struct TLineCase {
    const char* Name;
    DWORD Baud;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    bool CtsFlow;
    DWORD RtsControl;
    bool XonXoff;
    char XonChar;
    char XoffChar;
    // Expected termios flags (a pseudo-terminal keeps 8 data bits and no parity whatever it is
    // told, so those two are seen only in the stored state).
    tcflag_t Flags;
};

TEST_F(CommState, LineSettingsReachTheTerminalAndReadBackAsStored) {
    const std::vector<TLineCase> cases = {
        {"radio 9600 8N2", 9600, 8, NOPARITY, TWOSTOPBITS, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13,
         CSTOPB},
        {"19200 7E1", 19200, 7, EVENPARITY, ONESTOPBIT, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13, 0},
        {"115200 8O1", 115200, 8, ODDPARITY, ONESTOPBIT, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13,
         PARODD},
        {"mark", 4800, 8, MARKPARITY, ONESTOPBIT, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13,
         CMSPAR | PARODD},
        {"space", 2400, 6, SPACEPARITY, ONESTOPBIT, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13, CMSPAR},
        {"5 bits 1.5 stop", 300, 5, NOPARITY, ONE5STOPBITS, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13,
         CSTOPB},
        {"free rate", 250000, 8, NOPARITY, ONESTOPBIT, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13, 0},
        {"odd free rate", 31337, 8, NOPARITY, ONESTOPBIT, false, RTS_CONTROL_ENABLE, false, 0x11, 0x13, 0},
        {"CTS/RTS", 57600, 8, NOPARITY, ONESTOPBIT, true, RTS_CONTROL_HANDSHAKE, false, 0x11, 0x13, CRTSCTS},
        {"XON/XOFF", 9600, 8, NOPARITY, ONESTOPBIT, false, RTS_CONTROL_DISABLE, true, 'Q', 'S', IXON | IXOFF},
    };
    for (const TLineCase& c : cases) {
        SCOPED_TRACE(c.Name);
        DCB dcb = State();
        dcb.BaudRate = c.Baud;
        dcb.ByteSize = c.ByteSize;
        dcb.Parity = c.Parity;
        dcb.StopBits = c.StopBits;
        dcb.fOutxCtsFlow = c.CtsFlow;
        dcb.fRtsControl = c.RtsControl;
        dcb.fOutX = c.XonXoff;
        dcb.fInX = c.XonXoff;
        dcb.XonChar = c.XonChar;
        dcb.XoffChar = c.XoffChar;
        dcb.XonLim = 100;
        dcb.XoffLim = 900;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fTXContinueOnXoff = 1;
        dcb.fDsrSensitivity = 1;
        dcb.EvtChar = '\n';
        ASSERT_TRUE(SetCommState(FPort, &dcb)) << GetLastError();

        const DCB back = State();
        EXPECT_EQ(std::memcmp(&back, &dcb, sizeof dcb), 0);

        termios t{};
        ASSERT_EQ(tcgetattr(FPty.Slave(), &t), 0);
        EXPECT_EQ(ptytest::TerminalSpeed(FPty.Slave()), c.Baud);
        const tcflag_t cflags = CSTOPB | PARODD | CMSPAR | CRTSCTS;
        EXPECT_EQ(t.c_cflag & cflags, c.Flags & cflags);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), c.Flags & (IXON | IXOFF));
        EXPECT_EQ(t.c_cc[VSTART], cc_t(c.XonChar));
        EXPECT_EQ(t.c_cc[VSTOP], cc_t(c.XoffChar));
        // Raw bytes both ways.
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    }
    termios t{};
    ASSERT_EQ(tcgetattr(FPty.Slave(), &t), 0);
    DCB dcb = State();
    dcb.BaudRate = 9600;
    dcb.fOutX = dcb.fInX = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(FPort, &dcb));
    ASSERT_EQ(tcgetattr(FPty.Slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
}

TEST_F(CommState, ImpossibleSettingsAreRejectedAndLeaveTheStateAlone) {
    DCB good = State();
    good.BaudRate = 9600;
    ASSERT_TRUE(SetCommState(FPort, &good));
    struct TBad {
        const char* Name;
        void (*Spoil)(DCB&);
    };
    const std::vector<TBad> cases = {
        {"byte size 4", [](DCB& d) { d.ByteSize = 4; }},
        {"byte size 9", [](DCB& d) { d.ByteSize = 9; }},
        {"parity 5", [](DCB& d) { d.Parity = 5; }},
        {"stop bits 3", [](DCB& d) { d.StopBits = 3; }},
        {"baud 0", [](DCB& d) { d.BaudRate = 0; }},
        {"1.5 stop bits with 8 data bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
        {"2 stop bits with 5 data bits",
         [](DCB& d) {
             d.ByteSize = 5;
             d.StopBits = TWOSTOPBITS;
         }},
    };
    for (const TBad& c : cases) {
        SCOPED_TRACE(c.Name);
        DCB bad = good;
        c.Spoil(bad);
        SetLastError(0);
        EXPECT_FALSE(SetCommState(FPort, &bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        const DCB back = State();
        EXPECT_EQ(std::memcmp(&back, &good, sizeof good), 0);
    }
}

TEST_F(CommState, TimeoutsMaskAndLineFunctions) {
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 10, 500};
    ASSERT_TRUE(SetCommTimeouts(FPort, &timeouts));
    COMMTIMEOUTS back{};
    ASSERT_TRUE(GetCommTimeouts(FPort, &back));
    EXPECT_EQ(std::memcmp(&back, &timeouts, sizeof back), 0);

    EXPECT_TRUE(SetupComm(FPort, 4096, 4096));
    EXPECT_TRUE(SetCommMask(FPort, EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING));
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(FPort, &mask));
    EXPECT_EQ(mask, EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING);
    SetLastError(0);
    EXPECT_FALSE(SetCommMask(FPort, 0x2000));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // A pseudo-terminal has no modem lines: they are kept as shadow state.
    for (DWORD function : {SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK}) {
        SCOPED_TRACE(function);
        EXPECT_TRUE(EscapeCommFunction(FPort, function));
    }
    for (DWORD function : {0u, 1u, 7u, 10u}) {
        SCOPED_TRACE(function);
        SetLastError(0);
        EXPECT_FALSE(EscapeCommFunction(FPort, function));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    DWORD modem = 0xFFFF;
    ASSERT_TRUE(GetCommModemStatus(FPort, &modem));
    EXPECT_EQ(modem, 0u);

    // A line under handshake control is the driver's.
    DCB dcb = State();
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    ASSERT_TRUE(SetCommState(FPort, &dcb));
    for (DWORD function : {SETRTS, CLRRTS, SETDTR, CLRDTR}) {
        SCOPED_TRACE(function);
        SetLastError(0);
        EXPECT_FALSE(EscapeCommFunction(FPort, function));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST_F(CommState, NullStrippingDropsReceivedZeroBytes) {
    DCB dcb = State();
    dcb.fNull = 1;
    ASSERT_TRUE(SetCommState(FPort, &dcb));
    COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 5000, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(FPort, &timeouts));
    ASSERT_TRUE(ptytest::WriteAll(FPty.Master(), std::string("a\0b\0\0c", 6)));

    OVERLAPPED ov;
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE);
    std::string received;
    while (received.size() < 3) {
        char buffer[16];
        DWORD got = 0;
        if (!ReadFile(FPort, buffer, sizeof buffer, &got, &ov)) {
            ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
            ASSERT_TRUE(GetOverlappedResult(FPort, &ov, &got, TRUE));
        }
        ASSERT_GT(got, 0u) << "timed out";
        received.append(buffer, got);
    }
    EXPECT_EQ(received, "abc");
    CloseHandle(ov.hEvent);
}

} // namespace
