#include "modem/Tserial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace varnex {
namespace {

bool SpeedOf(int baudRate, speed_t* speed) {
    switch (baudRate) {
        case 1200: *speed = B1200; return true;
        case 2400: *speed = B2400; return true;
        case 4800: *speed = B4800; return true;
        case 9600: *speed = B9600; return true;
        case 19200: *speed = B19200; return true;
        case 38400: *speed = B38400; return true;
        case 57600: *speed = B57600; return true;
        case 115200: *speed = B115200; return true;
        default: return false;
    }
}

// No time limits: a read takes what is waiting and returns at once.
bool ApplyTimeLimits(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    termios check{};
    return tcgetattr(fd, &check) == 0 && check.c_cc[VMIN] == 0 && check.c_cc[VTIME] == 0;
}

constexpr tcflag_t kCflagMask = CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS | CLOCAL | CREAD;
constexpr tcflag_t kIflagMask = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK | BRKINT;
constexpr tcflag_t kLflagMask = ICANON | ECHO | ECHONL | ISIG | IEXTEN;

bool ApplyLineSettings(int fd, int baudRate, int parity) {
    speed_t speed;
    if (!SpeedOf(baudRate, &speed)) return false;
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    // Raw bytes both ways: no line editing, echo, signals, CR/LF translation
    // or XON/XOFF, and no output processing.
    t.c_iflag &= ~kIflagMask;
    t.c_iflag |= IGNBRK;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~kLflagMask;
    // 8 data bits, 1 stop bit, no hardware flow control; CLOCAL so that the
    // port works whatever the modem's carrier line says. No HUPCL: closing
    // must not touch the modem lines.
    t.c_cflag &= ~(kCflagMask | HUPCL);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    if (parity == 1) {
        t.c_cflag |= PARENB | PARODD;
        t.c_iflag |= INPCK;
    } else if (parity == 2) {
        t.c_cflag |= PARENB;
        t.c_iflag |= INPCK;
    }
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0) return false;
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    // tcsetattr succeeds when any part was taken: check what the driver kept.
    termios check{};
    if (tcgetattr(fd, &check) != 0) return false;
    if ((check.c_cflag & kCflagMask) != (t.c_cflag & kCflagMask) || (check.c_iflag & kIflagMask) != (t.c_iflag & kIflagMask) ||
        (check.c_lflag & kLflagMask) != 0 || (check.c_oflag & OPOST) != 0 || cfgetospeed(&check) != speed)
        return false;
    // DTR and RTS off. A pseudo-terminal has no modem lines, so this is
    // allowed to fail.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);
    // Opened without blocking (so that the open does not wait for a
    // carrier); from here on a write returns only once all its bytes are out.
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

Tserial::~Tserial() { ClosePort(); }

int Tserial::OpenPort(const std::string& portName, int baudRate, int parity) {
    ClosePort();
    int result = kOpened;
    if (portName == "0") {
        result = kNoPort;
    } else {
        this->baudRate = baudRate;
        this->parity = parity;
        const int fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            result = kOpenFailed;
        } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // No sharing: a port another Tserial holds (ours or another
            // program's) does not open. The lock holds against root too,
            // which the terminal's exclusive mode does not.
            ::close(fd);
            result = kOpenFailed;
        } else {
            handle = fd;
            (void)ioctl(fd, TIOCEXCL);  // keeps out programs that do not lock
            // There is no event mask to clear on this platform; the other
            // two steps are both tried, whatever the first gave.
            const bool limits = ApplyTimeLimits(fd);
            const bool settings = ApplyLineSettings(fd, baudRate, parity);
            result = !settings ? kLineSettingsFailed : !limits ? kTimeLimitsFailed : kOpened;
        }
    }
    if (result != kOpened) ClosePort();
    return result;
}

void Tserial::NoteFailure(int error) {
    if (error != EINTR && error != EAGAIN && error != EWOULDBLOCK) lineGone = true;
}

void Tserial::ClosePort() {
    lineGone = false;
    if (handle < 0) return;
    // The exclusive mode belongs to the terminal, not to this handle: clear
    // it, or the next open by a normal user would be refused.
    (void)ioctl(handle, TIOCNXCL);
    ::close(handle);
    handle = -1;
}

void Tserial::WriteBytes(const std::string& bytes) {
    std::size_t sent = 0;
    while (handle >= 0 && sent < bytes.size()) {
        const ssize_t n = ::write(handle, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{handle, POLLOUT, 0};
            (void)::poll(&p, 1, 10);
        } else {
            // Not reported to the writer; the reader finds out through LineGone.
            if (n < 0) NoteFailure(errno);
            return;
        }
    }
}

int Tserial::BytesWaiting() {
    if (handle < 0) return 0;
    int n = 0;
    if (ioctl(handle, FIONREAD, &n) != 0) {
        NoteFailure(errno);
        return 0;
    }
    return n < 0 ? 0 : n;
}

std::uint8_t Tserial::ReadByte() {
    if (handle < 0) return 0;
    std::uint8_t b = 0;
    for (;;) {
        const ssize_t n = ::read(handle, &b, 1);
        if (n == 1) return b;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) NoteFailure(errno);
        return 0;
    }
}

bool Tserial::WaitForBytes(std::chrono::microseconds timeout) {
    if (timeout.count() < 0) timeout = std::chrono::microseconds(0);
    if (handle >= 0 && !lineGone) {
        if (BytesWaiting() > 0) return true;
        pollfd p{handle, POLLIN, 0};
        const timespec ts{static_cast<time_t>(timeout.count() / 1000000),
                          static_cast<long>(timeout.count() % 1000000) * 1000};
        const int r = ::ppoll(&p, 1, &ts, nullptr);
        // A hung-up terminal also reports POLLIN, with nothing to read.
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) lineGone = true;
        else if (r > 0 && (p.revents & POLLIN)) return true;
        else if (r == 0) return false;
        // Gone or failed: fall through and sleep the slice.
    }
    std::this_thread::sleep_for(timeout);
    return false;
}

}  // namespace varnex
