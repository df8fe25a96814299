#include "tools/slave/serial_line.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace slave {

namespace {

speed_t BaudConstant(int baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return 0;
    }
}

// Raw 8-bit line: no echo, no line editing, no translation of CR or NL,
// reads return what is there.
bool MakeRaw(int fd, std::string &err)
{
    termios t{};
    if (tcgetattr(fd, &t) < 0) {
        err = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) < 0) {
        err = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}   // namespace

SerialLine::~SerialLine()
{
    if (fd_ >= 0)
        close(fd_);
}

bool SerialLine::OpenDevice(const std::string &path, int baud, bool evenParity, std::string &err)
{
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        err = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!MakeRaw(fd_, err))
        return false;
    termios t{};
    tcgetattr(fd_, &t);
    t.c_cflag &= ~(PARENB | PARODD | CSTOPB | CSIZE);
    t.c_cflag |= CS8 | (evenParity ? PARENB : 0);
    const speed_t b = BaudConstant(baud);
    if (b) {
        cfsetispeed(&t, b);
        cfsetospeed(&t, b);
    }
    tcsetattr(fd_, TCSANOW, &t);
    if (!b && !SetCustomBaud(fd_, baud)) {
        err = "baud " + std::to_string(baud) + " refused by " + path;
        return false;
    }
    path_ = path;
    return true;
}

bool SerialLine::OpenPty(std::string &err)
{
    fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0 || grantpt(fd_) < 0 || unlockpt(fd_) < 0) {
        err = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char *name = ptsname(fd_);
    if (!name) {
        err = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    path_ = name;
    // The line settings belong to the other side: set it raw once, so that
    // whoever opens it gets the bytes unchanged and nothing is echoed back
    // to us. The settings stay while this side is open.
    const int other = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (other < 0) {
        err = "cannot open " + path_ + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = MakeRaw(other, err);
    close(other);
    if (!ok)
        return false;
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    return true;
}

ssize_t SerialLine::Read(void *buf, size_t n)
{
    return read(fd_, buf, n);
}

void SerialLine::Write(const void *buf, size_t n)
{
    const auto *p = static_cast<const uint8_t *>(buf);
    // Bounded: at most a few partial writes, never a wait.
    for (int i = 0; i < 8 && n; ++i) {
        const ssize_t w = write(fd_, p, n);
        if (w <= 0)
            return;
        p += w;
        n -= size_t(w);
    }
}

}   // namespace slave
