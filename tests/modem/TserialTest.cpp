#include "modem/Tserial.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "ModemTestSupport.h"

namespace varnex {
namespace {

using modemtest::PortIsFree;
using modemtest::Pty;

TEST(Tserial, OpensWithTheModemLinkLineSettings) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    Tserial port;
    ASSERT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpened);
    EXPECT_TRUE(port.IsOpened());
    EXPECT_EQ(port.BaudRate(), 9600);

    const termios t = pty.Settings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u) << "no parity, one stop bit, no RTS/CTS";
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u) << "no XON/XOFF";
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0) << "reads take only what is waiting";
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

// A pseudo-terminal carries no parity (its driver keeps clearing it): asking
// for parity there must fail rather than pass off a port without it.
TEST(Tserial, ParityModes) {
    struct Case {
        int mode;
        int result;
    };
    const Case cases[] = {{0, Tserial::kOpened}, {1, Tserial::kLineSettingsFailed},
                          {2, Tserial::kLineSettingsFailed}, {7, Tserial::kOpened}};
    Pty pty;
    Tserial port;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(port.OpenPort(pty.path, 9600, c.mode), c.result);
        EXPECT_EQ(port.IsOpened(), c.result == Tserial::kOpened);
        EXPECT_EQ(port.Parity(), c.mode);
        if (c.result == Tserial::kOpened) {
            EXPECT_EQ(pty.Settings().c_cflag & (PARENB | PARODD), 0u);
        }
    }
}

// Every byte value crosses unchanged both ways: no CR/LF translation, no
// flow-control characters eaten, no eighth bit stripped.
TEST(Tserial, BytesPassUnchangedBothWays) {
    Pty pty;
    Tserial port;
    ASSERT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpened);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));

    pty.Send(all);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (port.BytesWaiting() < 256 && std::chrono::steady_clock::now() < deadline)
        port.WaitForBytes(std::chrono::milliseconds(5));
    ASSERT_EQ(port.BytesWaiting(), 256);
    std::string read;
    for (int i = 0; i < 256; ++i) read.push_back(static_cast<char>(port.ReadByte()));
    EXPECT_EQ(read, all);
    EXPECT_EQ(port.BytesWaiting(), 0);

    port.WriteBytes(all);
    EXPECT_EQ(pty.Take(256), all);
    port.WriteBytes("");
    EXPECT_EQ(pty.Take(1, std::chrono::milliseconds(50)), "");
}

TEST(Tserial, ReadingAnEmptyPortNeverWaits) {
    Pty pty;
    Tserial port;
    ASSERT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpened);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadByte(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_FALSE(port.WaitForBytes(std::chrono::milliseconds(5)));
    pty.Send("z");
    EXPECT_TRUE(port.WaitForBytes(std::chrono::seconds(2)));
    EXPECT_EQ(port.ReadByte(), 'z');
}

// The device behind the port going away is noticed by whichever call meets
// it first; a quiet line (the port ignores the carrier line) is not taken for
// a gone one. Closing the port forgets it.
TEST(Tserial, NoticesTheLineGoing) {
    struct Case {
        const char* name;
        std::function<void(Tserial&)> touch;
    };
    const Case cases[] = {
        {"waiting for bytes", [](Tserial& p) { EXPECT_FALSE(p.WaitForBytes(std::chrono::milliseconds(5))); }},
        {"counting waiting bytes", [](Tserial& p) { EXPECT_EQ(p.BytesWaiting(), 0); }},
        {"writing", [](Tserial& p) { p.WriteBytes("AT\r\n"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        Tserial port;
        ASSERT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpened);
        EXPECT_FALSE(port.WaitForBytes(std::chrono::milliseconds(20)));
        EXPECT_FALSE(port.LineGone()) << "a quiet line is still there";
        pty.CloseMaster();
        c.touch(port);
        EXPECT_TRUE(port.LineGone());
        port.ClosePort();
        EXPECT_FALSE(port.LineGone());
        EXPECT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpenFailed) << "the name went with the device";
    }
}

TEST(Tserial, AClosedObjectDoesNothing) {
    Tserial port;
    EXPECT_FALSE(port.IsOpened());
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_EQ(port.ReadByte(), 0);
    port.WriteBytes("ignored");
    port.ClosePort();
    port.ClosePort();
    EXPECT_EQ(port.BaudRate(), 0);
    EXPECT_EQ(port.Parity(), 0);
}

// Every failure leaves the object closed and ready for the next open; the
// name "0" also closes what the object had open.
TEST(Tserial, OpenFailuresLeaveTheObjectClosedAndUsable) {
    Pty target;
    Pty held;
    Tserial holder;
    ASSERT_EQ(holder.OpenPort(held.path, 9600, 0), Tserial::kOpened);
    char fileName[] = "/tmp/varnex-not-a-tty-XXXXXX";
    const int fd = mkstemp(fileName);
    ASSERT_GE(fd, 0);
    ::close(fd);

    struct Case {
        std::string name;
        int result;
    };
    const Case cases[] = {
        {"0", Tserial::kNoPort},
        {"/dev/varnex-no-such-port", Tserial::kOpenFailed},
        {"", Tserial::kOpenFailed},
        {held.path, Tserial::kOpenFailed},  // no sharing, even with ourselves
        {fileName, Tserial::kLineSettingsFailed},
        {"/dev/null", Tserial::kLineSettingsFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Tserial port;
        ASSERT_EQ(port.OpenPort(target.path, 9600, 0), Tserial::kOpened);
        EXPECT_FALSE(PortIsFree(target.path));
        EXPECT_EQ(port.OpenPort(c.name, 9600, 0), c.result);
        EXPECT_FALSE(port.IsOpened());
        EXPECT_EQ(port.BytesWaiting(), 0);
        EXPECT_TRUE(PortIsFree(target.path)) << "the port opened before was closed";
        EXPECT_EQ(port.OpenPort(target.path, 9600, 0), Tserial::kOpened) << "still usable";
    }
    std::remove(fileName);
}

TEST(Tserial, ReopensAfterClosingAndFreesThePortWhenDestroyed) {
    Pty pty;
    {
        Tserial port;
        ASSERT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpened);
        port.ClosePort();
        EXPECT_TRUE(PortIsFree(pty.path));
        ASSERT_EQ(port.OpenPort(pty.path, 9600, 0), Tserial::kOpened);
        port.WriteBytes("again");
        EXPECT_EQ(pty.Take(5), "again");
        EXPECT_FALSE(PortIsFree(pty.path));
    }
    EXPECT_TRUE(PortIsFree(pty.path));
}

}  // namespace
}  // namespace varnex
