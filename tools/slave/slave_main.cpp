// tarvix-slave: the project's Modbus slave simulator on 127.0.0.1 (tcp, udp)
// or a serial line (a device or a pseudo-terminal it makes itself).
// One poll loop serves everything: the listening socket and any number of
// tcp clients at once, the udp sockets or the serial line, and the replies
// waiting for their time. Every wait is bounded; the program ends by itself.

#include "engine/modbus_frames.h"
#include "tarvix_version.h"
#include "tools/cli/console_signals.h"
#include "tools/slave/serial_line.h"
#include "tools/slave/slave_core.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace slave;
using std::chrono::milliseconds;

namespace {

// Raised by SIGINT and SIGTERM.
const cli::SignalFlag *g_stop = nullptr;

void SetNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int BindLoopback(int type, int port)
{
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) < 0 || (type == SOCK_STREAM && listen(fd, 16) < 0)) {
        close(fd);
        return -1;
    }
    SetNonBlocking(fd);
    return fd;
}

int BoundPort(int fd)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    return ntohs(a.sin_port);
}

// Where one piece of a reply goes: a tcp connection (by id), a udp peer
// through one of the sockets, or the serial line.
struct Pending {
    int conn = -1;   // tcp connection id; -1 otherwise
    int fd = -1;   // udp socket or serial line
    sockaddr_in to{};   // udp destination
    std::vector<uint8_t> bytes;
    bool endsReply = false;
};

struct TcpConn {
    int fd = -1;
    std::vector<uint8_t> rx;   // header framing
    CrcCollector crc{20};   // --modbus-ip framing
    Clock::time_point lastDue{};
    int replies = 0;
};

class Server {
public:
    Server(const Options &o, Clock::time_point start) : o_(o), slave_(o, start) {}
    int Run();

private:
    bool Open();
    void Schedule(int conn, int fd, const sockaddr_in *to, Clock::time_point &lastDue, const Response &r,
                  Clock::time_point now);
    void SendDue(Clock::time_point now);
    void AcceptClients();
    void ReadTcp(int id, Clock::time_point now);
    void ServeTcpFrames(int id, Clock::time_point now);
    void CloseTcp(int id);
    void ReadUdp(int fd, Clock::time_point now);
    void ReadSerial(Clock::time_point now);
    void ServeSerialFrames(Clock::time_point now);

    Options o_;
    Slave slave_;
    int listenFd_ = -1;
    int udpFd_ = -1, udpOtherFd_ = -1;
    std::map<int, TcpConn> conns_;
    int nextConnId_ = 1;
    SerialLine line_;
    CrcCollector lineRx_{10};
    Clock::time_point lineDue_{};
    Clock::time_point lineQuietUntil_{};   // pty with no one on the other side
    std::map<int, Clock::time_point> udpDue_;
    std::multimap<Clock::time_point, Pending> out_;
};

bool Server::Open()
{
    switch (o_.transport) {
    case Transport::Tcp:
        listenFd_ = BindLoopback(SOCK_STREAM, o_.port);
        if (listenFd_ < 0) {
            std::fprintf(stderr, "tarvix-slave: cannot listen on 127.0.0.1:%d: %s\n", o_.port, std::strerror(errno));
            return false;
        }
        std::printf("PORT %d\n", BoundPort(listenFd_));
        break;
    case Transport::Udp:
        udpFd_ = BindLoopback(SOCK_DGRAM, o_.port);
        if (udpFd_ < 0) {
            std::fprintf(stderr, "tarvix-slave: cannot bind 127.0.0.1:%d: %s\n", o_.port, std::strerror(errno));
            return false;
        }
        if (o_.udpOtherPort && (udpOtherFd_ = BindLoopback(SOCK_DGRAM, 0)) < 0) {
            std::fprintf(stderr, "tarvix-slave: cannot bind a second udp socket: %s\n", std::strerror(errno));
            return false;
        }
        std::printf("PORT %d\n", BoundPort(udpFd_));
        break;
    case Transport::Rtu:
    case Transport::RtuPty: {
        std::string err;
        const bool ok = o_.transport == Transport::Rtu ? line_.OpenDevice(o_.device, o_.baud, o_.evenParity, err)
                                                       : line_.OpenPty(err);
        if (!ok) {
            std::fprintf(stderr, "tarvix-slave: %s\n", err.c_str());
            return false;
        }
        std::printf("%s %s\n", o_.transport == Transport::Rtu ? "RTU" : "PTY", line_.Path().c_str());
        break;
    }
    case Transport::None: return false;
    }
    std::fflush(stdout);
    return true;
}

// Replies leave in the order their requests came on the same connection or
// line: a piece is never due before the one scheduled ahead of it.
void Server::Schedule(int conn, int fd, const sockaddr_in *to, Clock::time_point &lastDue, const Response &r,
                      Clock::time_point now)
{
    for (size_t i = 0; i < r.chunks.size(); ++i) {
        Clock::time_point due = std::max(now + milliseconds(r.chunks[i].afterMs), lastDue);
        lastDue = due;
        Pending p;
        p.conn = conn;
        p.fd = fd;
        if (to)
            p.to = *to;
        p.bytes = r.chunks[i].bytes;
        p.endsReply = i + 1 == r.chunks.size();
        out_.emplace(due, std::move(p));
    }
}

void Server::SendDue(Clock::time_point now)
{
    // Bounded: each pass sends and removes one piece.
    while (!out_.empty() && out_.begin()->first <= now) {
        Pending p = std::move(out_.begin()->second);
        out_.erase(out_.begin());
        if (p.conn >= 0) {
            auto it = conns_.find(p.conn);
            if (it == conns_.end())
                continue;
            const ssize_t n = send(it->second.fd, p.bytes.data(), p.bytes.size(), MSG_NOSIGNAL);
            if (n != ssize_t(p.bytes.size())) {
                // The client does not read its replies (or has gone): let it go.
                CloseTcp(p.conn);
                continue;
            }
            if (p.endsReply && o_.closeAfter > 0 && ++it->second.replies >= o_.closeAfter)
                CloseTcp(p.conn);
        } else if (o_.transport == Transport::Udp) {
            sendto(p.fd, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<sockaddr *>(&p.to), sizeof p.to);
        } else {
            // A full pty buffer (no one reading) loses the bytes, as a line would.
            line_.Write(p.bytes.data(), p.bytes.size());
        }
    }
}

void Server::AcceptClients()
{
    for (int i = 0; i < 16; ++i) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        TcpConn c;
        c.fd = fd;
        conns_.emplace(nextConnId_++, std::move(c));
    }
}

void Server::CloseTcp(int id)
{
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    close(it->second.fd);
    conns_.erase(it);
}

void Server::ReadTcp(int id, Clock::time_point now)
{
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    TcpConn &c = it->second;
    uint8_t buf[4096];
    const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        CloseTcp(id);
        return;
    }
    if (n < 0)
        return;
    if (o_.crcFraming)
        c.crc.Feed(buf, size_t(n), now);
    else
        c.rx.insert(c.rx.end(), buf, buf + n);
    ServeTcpFrames(id, now);
}

void Server::ServeTcpFrames(int id, Clock::time_point now)
{
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    TcpConn &c = it->second;
    std::vector<uint8_t> frame;
    if (o_.crcFraming) {
        for (int i = 0; i < 1024 && c.crc.Next(now, frame); ++i)
            if (auto r = slave_.Handle(frame.data(), frame.size(), Link::Tcp, 0, now))
                Schedule(id, c.fd, nullptr, c.lastDue, *r, now);
        return;
    }
    for (int i = 0; i < 1024 && c.rx.size() >= 6; ++i) {
        const int len = c.rx[4] << 8 | c.rx[5];
        if (len < 1 || len > kMaxHeaderLength) {
            // Not a header this slave can make sense of: the stream is lost.
            CloseTcp(id);
            return;
        }
        if (c.rx.size() < size_t(6 + len))
            return;
        const uint16_t tid = uint16_t(c.rx[0] << 8 | c.rx[1]);
        frame.assign(c.rx.begin() + 6, c.rx.begin() + 6 + len);
        c.rx.erase(c.rx.begin(), c.rx.begin() + 6 + len);
        if (auto r = slave_.Handle(frame.data(), frame.size(), Link::Tcp, tid, now))
            Schedule(id, c.fd, nullptr, c.lastDue, *r, now);
    }
}

void Server::ReadUdp(int fd, Clock::time_point now)
{
    for (int i = 0; i < 64; ++i) {
        uint8_t buf[4096];
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fromLen);
        if (n < 0)
            return;
        const uint8_t *frame = buf;
        size_t len = size_t(n);
        uint16_t tid = 0;
        if (o_.crcFraming) {
            if (len < 4)
                continue;
            const uint16_t crc = ModbusCrc16(buf, len - 2);
            if (buf[len - 2] != uint8_t(crc) || buf[len - 1] != uint8_t(crc >> 8))
                continue;
            len -= 2;
        } else {
            if (len < 7)
                continue;
            const size_t hl = size_t(buf[4] << 8 | buf[5]);
            if (hl < 1 || hl > len - 6)
                continue;
            tid = uint16_t(buf[0] << 8 | buf[1]);
            frame = buf + 6;
            len = hl;
        }
        auto r = slave_.Handle(frame, len, Link::Udp, tid, now);
        if (!r)
            continue;
        const int via = r->fromOtherPort ? udpOtherFd_ : fd;
        Schedule(-1, via, &from, udpDue_[via], *r, now);
    }
}

void Server::ReadSerial(Clock::time_point now)
{
    uint8_t buf[4096];
    const ssize_t n = line_.Read(buf, sizeof buf);
    if (n > 0) {
        lineRx_.Feed(buf, size_t(n), now);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        // A pty whose other side is not open reports a hang-up at once; look
        // again a little later instead of spinning.
        lineQuietUntil_ = now + milliseconds(20);
    }
    ServeSerialFrames(now);
}

void Server::ServeSerialFrames(Clock::time_point now)
{
    std::vector<uint8_t> frame;
    for (int i = 0; i < 1024 && lineRx_.Next(now, frame); ++i)
        if (auto r = slave_.Handle(frame.data(), frame.size(), Link::Serial, 0, now))
            Schedule(-1, line_.Fd(), nullptr, lineDue_, *r, now);
}

int Server::Run()
{
    if (!Open())
        return 1;
    const Clock::time_point end = Clock::now() + milliseconds(long(o_.seconds * 1000));
    std::vector<pollfd> fds;
    std::vector<int> ids;   // tcp connection id per pollfd, -1 for the others
    while (g_stop->load(std::memory_order_relaxed) == 0) {
        Clock::time_point now = Clock::now();
        if (now >= end)
            break;
        slave_.Tick(now);
        SendDue(now);
        // Requests whose end is found by a pause.
        if (o_.crcFraming) {
            std::vector<int> ready;
            for (auto &[id, c] : conns_)
                if (c.crc.Pending())
                    ready.push_back(id);
            for (int id : ready)
                ServeTcpFrames(id, now);
            if (line_.Fd() >= 0)
                ServeSerialFrames(now);
        }

        // The next moment something is due, at most 100 ms away.
        Clock::time_point wake = std::min(end, now + milliseconds(100));
        if (!out_.empty())
            wake = std::min(wake, out_.begin()->first);
        for (auto &[id, c] : conns_)
            if (auto d = c.crc.Deadline())
                wake = std::min(wake, *d);
        if (auto d = lineRx_.Deadline())
            wake = std::min(wake, *d);

        fds.clear();
        ids.clear();
        auto add = [&](int fd, int id) {
            fds.push_back({fd, POLLIN, 0});
            ids.push_back(id);
        };
        if (listenFd_ >= 0)
            add(listenFd_, -1);
        for (auto &[id, c] : conns_)
            add(c.fd, id);
        if (udpFd_ >= 0)
            add(udpFd_, -1);
        if (udpOtherFd_ >= 0)
            add(udpOtherFd_, -1);
        if (line_.Fd() >= 0 && now >= lineQuietUntil_)
            add(line_.Fd(), -1);
        else if (line_.Fd() >= 0)
            wake = std::min(wake, lineQuietUntil_);

        const auto waitMs = std::chrono::ceil<milliseconds>(wake - now).count();
        const int rc = poll(fds.data(), fds.size(), int(std::max<long>(0, long(waitMs))));
        if (rc <= 0)
            continue;
        now = Clock::now();
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const int fd = fds[i].fd;
            if (ids[i] >= 0)
                ReadTcp(ids[i], now);
            else if (fd == listenFd_)
                AcceptClients();
            else if (fd == udpFd_ || fd == udpOtherFd_)
                ReadUdp(fd, now);
            else if (fd == line_.Fd())
                ReadSerial(now);
        }
    }
    for (auto &[id, c] : conns_)
        close(c.fd);
    conns_.clear();
    if (listenFd_ >= 0)
        close(listenFd_);
    if (udpFd_ >= 0)
        close(udpFd_);
    if (udpOtherFd_ >= 0)
        close(udpOtherFd_);
    return 0;
}

}   // namespace

int main(int argc, char **argv)
{
    Options o;
    std::string err;
    bool help = false;
    if (!ParseOptions(argc, argv, o, err, help)) {
        cli::PrintError("tarvix-slave", err);
        return 2;
    }
    if (help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::fputs(TARVIX_VERSION_TEXT("tarvix-slave"), stdout);
        return 0;
    }
    g_stop = &cli::InstallStopSignals();
    Server server(o, Clock::now());
    return server.Run();
}
