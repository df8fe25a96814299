// The TCP and UDP channels: one IPv4 socket, non-blocking once open; the
// reply is waited for with poll() in 500 ms slices up to 3000 ms after the
// send (or the settings' own limit), and read with one receive of up to 4096 bytes.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/channel.h"
#include "engine/modbus_frames.h"
#include "platform/syslog.h"
#include "platform/ticks.h"

namespace {

constexpr int kWaitSliceMs = 500;
constexpr uint32_t kReplyLimitMs = 3000;
constexpr int kConnectSliceMs = 50;
constexpr int kReplyBufSize = 4096;

std::string Format(const char *fmt, const char *ip, int port, int err = 0)
{
    char buf[4096];
    std::snprintf(buf, sizeof buf, fmt, ip, port, err);
    return buf;
}

class NetChannel final : public Channel {
public:
    NetChannel(bool tcp, int fd, const sockaddr_in &dest, const ChannelSettings &cs, const StopFlag &stop,
               ExchangeHost &host)
        : tcp_(tcp), fd_(fd), dest_(dest), stop_(stop), host_(host), cs_(cs)
    {}
    ~NetChannel() override { Close(); }

    uint8_t Exchange(const uint8_t *frame, int len, ExchangeFrames &trace) override
    {
        uint8_t buf[kMaxRequestFrame + 6];
        std::memcpy(buf, frame, static_cast<size_t>(len));
        const int n = cs_.CrcFraming ? FrameWithCrc(buf, len) : FrameWithHeader(buf, len);

        ssize_t sent;
        if (tcp_)
            sent = send(fd_, buf, static_cast<size_t>(n), MSG_NOSIGNAL);
        else
            sent = sendto(fd_, buf, static_cast<size_t>(n), MSG_NOSIGNAL, reinterpret_cast<const sockaddr *>(&dest_),
                          sizeof dest_);
        const int sendErr = errno;
        const int copied = n < 256 ? n : 256;
        std::memcpy(trace.ReqFrame, buf, static_cast<size_t>(copied));
        trace.ReqLen = copied;

        if (sent < 0) {
            if (!tcp_) {
                SysLogMsg("Send Error %d", sendErr);
                return ST_UDP_SEND_ERROR;
            }
            if (sendErr != EAGAIN && sendErr != EWOULDBLOCK)
                host_.MessageBox(Format("Send to %s:%d error %d", cs_.IPAddr.c_str(), cs_.TargetPort, sendErr),
                                 "Ошибка обмена по TCP", MB_ICONHAND);
            // The exchange still waits for a reply.
        }

        const uint32_t start = TickCountMs();
        const uint32_t limit = cs_.ReplyLimitMs != 0 ? cs_.ReplyLimitMs : kReplyLimitMs;
        for (;;) {
            // A limit of its own is kept to the millisecond; the plain one in whole slices.
            int slice = kWaitSliceMs;
            if (cs_.ReplyLimitMs != 0) {
                const uint32_t waited = TickCountMs() - start;
                slice = waited >= limit ? 0 : int(std::min<uint32_t>(limit - waited, kWaitSliceMs));
            }
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, slice) > 0)
                break;
            if (stop_.load(std::memory_order_acquire) != 0)
                return ST_STOP_WORKING;
            if (TickCountMs() - start >= limit) {
                trace.ReplyLen = 0;
                return ST_NO_REPLY;
            }
        }

        ssize_t got;
        if (tcp_) {
            got = recv(fd_, trace.ReplyFrame, kReplyBufSize, 0);
        } else {
            // The sender of the reply becomes the destination of later requests.
            socklen_t alen = sizeof dest_;
            got = recvfrom(fd_, trace.ReplyFrame, kReplyBufSize, 0, reinterpret_cast<sockaddr *>(&dest_), &alen);
        }
        if (got < 0)
            return ST_NO_REPLY;
        trace.ReplyLen = static_cast<int>(got);

        int off = 0, flen = 0;
        const uint8_t status = cs_.CrcFraming ? CheckCrcReply(trace.ReplyFrame, trace.ReplyLen, off, flen)
                                              : CheckModnetReply(trace.ReplyFrame, trace.ReplyLen, off, flen);
        if (status == ST_OK) {
            trace.FrameOff = off;
            trace.FrameLen = flen;
        }
        return status;
    }

    void Close() override
    {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    bool tcp_;
    int fd_;
    sockaddr_in dest_;
    const StopFlag &stop_;
    ExchangeHost &host_;
    const ChannelSettings cs_;
};

// Fills the destination from the address text; false when it does not parse
// (inet_addr's INADDR_NONE, which 255.255.255.255 also gives).
bool FillDestination(sockaddr_in &dest, const std::string &ipText, uint16_t port)
{
    std::memset(&dest, 0, sizeof dest);
    dest.sin_family = AF_INET;
    dest.sin_port = htons(port);
    dest.sin_addr.s_addr = inet_addr(ipText.c_str());
    return dest.sin_addr.s_addr != INADDR_NONE;
}

void SetNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void SetNoLinger(int fd)
{
    linger l{};
    l.l_onoff = 0;
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

// Connects without blocking the thread beyond a short slice: waits for the
// kernel's result in slices and gives up when a stop is requested.
// Returns 0, an errno value, or -1 for a stop.
int Connect(int fd, const sockaddr_in &dest, const StopFlag &stop)
{
    SetNonBlocking(fd);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&dest), sizeof dest) == 0)
        return 0;
    if (errno != EINPROGRESS && errno != EINTR)
        return errno;
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int r = poll(&p, 1, kConnectSliceMs);
        if (r > 0) {
            int err = 0;
            socklen_t len = sizeof err;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                return errno;
            return err;
        }
        if (stop.load(std::memory_order_acquire) != 0)
            return -1;
    }
}

}   // namespace

std::unique_ptr<Channel> OpenTcpChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    sockaddr_in dest;
    if (!FillDestination(dest, cs.IPAddr, cs.TargetPort)) {
        ::close(fd);
        return nullptr;
    }
    const int err = Connect(fd, dest, stop);
    if (err != 0) {
        if (err > 0)
            host.MessageBox(Format("Connect to %s:%d error %d", cs.IPAddr.c_str(), cs.TargetPort, err),
                            "Ошибка соединения по TCP", MB_ICONHAND);
        ::close(fd);
        return nullptr;
    }
    host.MessageBox(Format("Connected to %s:%d OK !", cs.IPAddr.c_str(), cs.TargetPort), "TCP", MB_ICONINFORMATION);
    SetNonBlocking(fd);
    SetNoLinger(fd);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return std::make_unique<NetChannel>(true, fd, dest, cs, stop, host);
}

std::unique_ptr<Channel> OpenUdpChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(cs.UDPLocalPort);
    bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local);   // result not looked at
    sockaddr_in dest;
    if (!FillDestination(dest, cs.IPAddr, cs.TargetPort)) {
        ::close(fd);
        return nullptr;
    }
    SetNonBlocking(fd);
    SetNoLinger(fd);
    return std::make_unique<NetChannel>(false, fd, dest, cs, stop, host);
}
