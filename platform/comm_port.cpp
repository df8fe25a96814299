// The termios comm port. termios2 (from the kernel's headers) sets any baud
// rate through BOTHER, 14400 and 28800 included; glibc's <termios.h> and
// <sys/ioctl.h> clash with those headers, so ioctl is declared here.
#include "platform/comm_port.h"

#include <asm/termios.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/ticks.h"

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

int SerialDevicePath(const std::string &name, char (&path)[kSerialPathSize])
{
    path[0] = '\0';
    if (name.empty())
        return ENOENT;
    // A name with an embedded NUL would open a shorter name than the one given.
    if (name.find('\0') != std::string::npos)
        return EINVAL;
    int n = 0;
    if (name[0] == '/') {
        n = std::snprintf(path, kSerialPathSize, "%s", name.c_str());
    } else {
        bool com = name.size() > 3 && name.size() <= 12 && name.compare(0, 3, "COM") == 0 && name[3] != '0';
        for (size_t i = 3; com && i < name.size(); ++i)
            com = name[i] >= '0' && name[i] <= '9';
        if (com)
            n = std::snprintf(path, kSerialPathSize, "/dev/ttyS%ld", std::stol(name.substr(3)) - 1);
        else
            n = std::snprintf(path, kSerialPathSize, "/dev/%s", name.c_str());
    }
    if (n < 0 || static_cast<size_t>(n) >= kSerialPathSize) {
        path[0] = '\0';
        return ENAMETOOLONG;
    }
    return 0;
}

namespace {

uint64_t NowUs()
{
    return PerfCounter();
}

class TtyCommPort final : public CommPort {
public:
    ~TtyCommPort() override { Close(); }

    int Open(const char *path) override
    {
        Close();
        int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno;
        // Only a terminal device is a serial port: never write frames into a
        // disk or a plain file that a mistyped name points at.
        if (!::isatty(fd)) {
            int e = errno == EBADF ? EBADF : ENOTTY;
            ::close(fd);
            return e;
        }
        // The lock comes first, so that a port held by someone else is left
        // exactly as it was; TIOCEXCL then refuses later opens by other users.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int e = (errno == EWOULDBLOCK) ? EBUSY : errno;
            ::close(fd);
            return e;
        }
        ::ioctl(fd, TIOCEXCL);
        fd_ = fd;
        struct stat st {};
        isPty_ = ::fstat(fd_, &st) == 0 && major(st.st_rdev) >= kPtySlaveMajorFirst &&
                 major(st.st_rdev) <= kPtySlaveMajorLast;
        // Opening a tty raises DTR and RTS: both lines start low here.
        int bits = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd_, TIOCMBIC, &bits);
        haveCounts_ = ::ioctl(fd_, TIOCGICOUNT, &counts_) == 0;
        return 0;
    }

    int SetLine(int baud, bool evenParity) override
    {
        if (baud <= 0)
            return EINVAL;
        if (fd_ < 0)
            return EBADF;
        struct termios2 t {};
        // A pseudo-terminal carries no line: whatever it says of the settings
        // (it may refuse a parity it already has), no rate is wrong for it.
        if (::ioctl(fd_, TCGETS2, &t) != 0)
            return isPty_ ? 0 : errno;
        t.c_iflag = IGNBRK | (evenParity ? INPCK : 0);
        t.c_oflag = 0;
        t.c_lflag = 0;
        t.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS | HUPCL);
        t.c_cflag |= BOTHER | CS8 | CREAD | CLOCAL | (evenParity ? PARENB : 0);
        t.c_ispeed = static_cast<speed_t>(baud);
        t.c_ospeed = static_cast<speed_t>(baud);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        if (::ioctl(fd_, TCSETS2, &t) != 0)
            return isPty_ ? 0 : errno;
        // A driver that cannot take the rate may keep another one: read it back.
        struct termios2 back {};
        if (!isPty_ && ::ioctl(fd_, TCGETS2, &back) == 0 && back.c_ospeed != 0 &&
            (back.c_ospeed > static_cast<speed_t>(baud) + baud / 50 ||
             back.c_ospeed + baud / 50 < static_cast<speed_t>(baud)))
            return EINVAL;
        return 0;
    }

    void SetTimeouts(uint32_t intervalMs, uint32_t totalMs) override
    {
        intervalUs_ = uint64_t{intervalMs} * 1000u;
        totalUs_ = uint64_t{totalMs} * 1000u;
    }

    void SetRts(bool high) override { ModemBit(TIOCM_RTS, high); }
    void SetDtr(bool high) override { ModemBit(TIOCM_DTR, high); }

    int Write(const uint8_t *data, int len) override
    {
        // Writes have no time-out of their own; a line that takes nothing for
        // 2 s (a vanished adapter, a stuck handshake) ends the write short.
        int done = 0;
        uint64_t last = NowUs();
        while (fd_ >= 0 && done < len) {
            ssize_t w = ::write(fd_, data + done, static_cast<size_t>(len - done));
            if (w > 0) {
                done += static_cast<int>(w);
                last = NowUs();
                continue;
            }
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                break;
            uint64_t now = NowUs();
            if (now - last >= kWriteStallUs)
                break;
            pollfd p{fd_, POLLOUT, 0};
            int r = ::poll(&p, 1, static_cast<int>((kWriteStallUs - (now - last)) / 1000u) + 1);
            if (r < 0 && errno != EINTR)
                break;
            if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT))
                break;
        }
        return done;
    }

    // A tty has no user-space buffer: written bytes are already the driver's.
    // Flushing them towards the line is waiting until they have left.
    void Flush() override { WaitTxEmpty(); }

    void WaitTxEmpty() override
    {
        if (fd_ >= 0)
            ::ioctl(fd_, TCSBRK, 1);   // tcdrain()
    }

    int Read(uint8_t *buf, int size) override
    {
        int n = 0;
        if (fd_ < 0 || size <= 0)
            return 0;
        const uint64_t start = NowUs();
        uint64_t lastByte = start;
        // Every pass either reads bytes, or waits in poll() until a deadline
        // that only moves with new bytes: the loop ends within totalUs_.
        while (n < size) {
            uint64_t now = NowUs();
            uint64_t deadline = start + totalUs_;
            if (n > 0 && lastByte + intervalUs_ < deadline)
                deadline = lastByte + intervalUs_;
            if (now >= deadline)
                break;
            uint64_t waitUs = deadline - now;
            timespec ts{static_cast<time_t>(waitUs / 1000000u), static_cast<long>(waitUs % 1000000u) * 1000L};
            pollfd p{fd_, POLLIN, 0};
            int r = ::ppoll(&p, 1, &ts, nullptr);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (r == 0)
                break;
            if (p.revents & POLLIN) {
                ssize_t got = ::read(fd_, buf + n, static_cast<size_t>(size - n));
                if (got > 0) {
                    n += static_cast<int>(got);
                    lastByte = NowUs();
                    continue;
                }
                if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                    continue;
                break;   // 0 bytes or EIO: the far end is gone, nothing more comes
            }
            break;   // POLLHUP / POLLERR without data: nothing more comes
        }
        return n;
    }

    int ReadSome(uint8_t *buf, int size, uint32_t waitUs) override
    {
        if (fd_ < 0 || size <= 0)
            return 0;
        // A raw tty reads 0 bytes when nothing is there: poll first, as Read does.
        const uint64_t deadline = NowUs() + waitUs;
        for (int pass = 0; pass < 1000; ++pass) {
            const uint64_t now = NowUs();
            const uint64_t waitLeft = deadline > now ? deadline - now : 0;
            timespec ts{static_cast<time_t>(waitLeft / 1000000u), static_cast<long>(waitLeft % 1000000u) * 1000L};
            pollfd p{fd_, POLLIN, 0};
            const int r = ::ppoll(&p, 1, &ts, nullptr);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return r == 0 ? 0 : -1;
            if (!(p.revents & POLLIN))
                return -1;   // POLLHUP / POLLERR without data: nothing more comes
            const ssize_t got = ::read(fd_, buf, static_cast<size_t>(size));
            if (got > 0)
                return static_cast<int>(got);
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                continue;
            return -1;   // 0 bytes or EIO: the far end is gone
        }
        return 0;
    }

    uint32_t TakeLineErrors() override
    {
        if (fd_ < 0 || !haveCounts_)
            return 0;
        serial_icounter_struct now{};
        if (::ioctl(fd_, TIOCGICOUNT, &now) != 0)
            return 0;
        uint32_t bits = 0;
        if (now.frame != counts_.frame)
            bits |= LINE_ERR_FRAME;
        if (now.parity != counts_.parity)
            bits |= LINE_ERR_PARITY;
        if (now.overrun != counts_.overrun || now.buf_overrun != counts_.buf_overrun)
            bits |= LINE_ERR_OVERRUN;
        counts_ = now;
        return bits;
    }

    void Close() override
    {
        if (fd_ < 0)
            return;
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);   // also releases the flock
        fd_ = -1;
        haveCounts_ = false;
    }

    bool IsOpen() const override { return fd_ >= 0; }

private:
    void ModemBit(int bit, bool high)
    {
        if (fd_ >= 0)
            ::ioctl(fd_, high ? TIOCMBIS : TIOCMBIC, &bit);
    }

    static constexpr uint64_t kWriteStallUs = 2000000;
    // Device majors of the pseudo-terminal slaves (/dev/pts/N).
    static constexpr unsigned kPtySlaveMajorFirst = 136;
    static constexpr unsigned kPtySlaveMajorLast = 143;

    int fd_ = -1;
    uint64_t intervalUs_ = 30000;
    uint64_t totalUs_ = 1000000;
    bool haveCounts_ = false;
    bool isPty_ = false;
    serial_icounter_struct counts_{};
};

}   // namespace

std::unique_ptr<CommPort> MakeTtyCommPort()
{
    return std::make_unique<TtyCommPort>();
}
