// tarvix-slave as a process, driven over loopback sockets and a
// pseudo-terminal with hand-built frames.
#include "engine/modbus_frames.h"
#include "tests/support/child_process.h"
#include "tests/tools/hex_text.h"
#include "tools/slave/slave_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

std::vector<uint8_t> WithCrc(const std::string &hex)
{
    auto v = Bytes(hex);
    const uint16_t c = ModbusCrc16(v.data(), v.size());
    v.push_back(uint8_t(c));
    v.push_back(uint8_t(c >> 8));
    return v;
}

long Ms(Clock::time_point since)
{
    return long(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// A slave program started with the given arguments (for 20 s unless they
// say otherwise); stopped by its PID.
class SlaveProcess : public PeerProcess {
public:
    explicit SlaveProcess(std::vector<std::string> args, const std::string &program = SlavePath())
    {
        if (std::find(args.begin(), args.end(), "--seconds") == args.end())
            args.insert(args.end(), {"--seconds", "20"});
        Start(program, args);
    }
    const std::string &First() const { return FirstLine(); }
    std::string Line(int ms) { return NextLine(ms); }
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd &&o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    ~Fd()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

Fd Connect(int port)
{
    Fd s(socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in a = Loopback(port);
    EXPECT_EQ(connect(s.get(), reinterpret_cast<const sockaddr *>(&a), sizeof a), 0);
    return s;
}

void Send(const Fd &s, const std::vector<uint8_t> &v)
{
    ASSERT_EQ(write(s.get(), v.data(), v.size()), ssize_t(v.size()));
}

// One read of what is there within `ms` (a datagram, a segment or what a pty has).
std::vector<uint8_t> ReadOnce(const Fd &s, int ms, sockaddr_in *from = nullptr)
{
    pollfd p{s.get(), POLLIN, 0};
    if (poll(&p, 1, ms) <= 0)
        return {};
    uint8_t b[8192];
    socklen_t len = sizeof(sockaddr_in);
    const ssize_t n =
        from ? recvfrom(s.get(), b, sizeof b, 0, reinterpret_cast<sockaddr *>(from), &len) : read(s.get(), b, sizeof b);
    return n > 0 ? std::vector<uint8_t>(b, b + n) : std::vector<uint8_t>{};
}

// Everything that comes within `ms`.
std::vector<uint8_t> ReadFor(const Fd &s, int ms)
{
    std::vector<uint8_t> all;
    const auto start = Clock::now();
    for (long left = ms; left > 0; left = ms - Ms(start)) {
        auto v = ReadOnce(s, int(left));
        all.insert(all.end(), v.begin(), v.end());
    }
    return all;
}

}   // namespace

namespace {

TEST(SlaveWire, TcpHeaderFraming)
{
    SlaveProcess sim({"--tcp", "0", "--log"});
    ASSERT_EQ(sim.First().rfind("PORT ", 0), 0u) << sim.First();
    Fd c = Connect(sim.Port());
    // The transaction id comes back; 20 registers from 65530 wrap to 0..13.
    Send(c, Bytes("12 34 00 00 00 06 01 03 FF FA 00 14"));
    EXPECT_EQ(Hex(ReadOnce(c, 2000)),
              "12 34 00 00 00 2B 01 03 28 FF FA FF FB FF FC FF FD FF FE FF FF 00 00 00 01 00 02 00 03 "
              "00 04 00 05 00 06 00 07 00 08 00 09 00 0A 00 0B 00 0C 00 0D");
    EXPECT_EQ(sim.Line(1000), "REQ 01 03 FF FA 00 14");

    // A write applied before its reply; both requests in one segment.
    Send(c, Bytes("00 01 00 00 00 06 01 06 00 0A 12 34  00 02 00 00 00 06 01 03 00 0A 00 01"));
    EXPECT_EQ(Hex(ReadFor(c, 300)), "00 01 00 00 00 06 01 06 00 0A 12 34 00 02 00 00 00 05 01 03 02 12 34");

    // Refused requests, and one for another slave that gets no reply.
    Send(c, Bytes("00 00 00 00 00 06 01 03 00 00 04 01  00 00 00 00 00 02 01 07  00 00 00 00 00 06 09 03 00 00 00 01"));
    EXPECT_EQ(Hex(ReadFor(c, 300)), "00 00 00 00 00 03 01 83 03 00 00 00 00 00 03 01 87 01");

    // The largest read: 1024 registers, 2057 bytes.
    Send(c, Bytes("00 07 00 00 00 06 01 03 00 00 04 00"));
    const auto big = ReadFor(c, 300);
    ASSERT_EQ(big.size(), 6u + 3 + 2048);
    EXPECT_EQ(Hex({big.begin(), big.begin() + 11}), "00 07 00 00 08 03 01 03 00 00 00");
    EXPECT_EQ(Hex({big.end() - 2, big.end()}), "03 FF");
}

TEST(SlaveWire, EveryRequestOfABurstIsAnswered)
{
    // 600 requests in one write, in both stream framings: none may be left
    // waiting in the receive buffer.
    for (bool crc : {false, true}) {
        SlaveProcess sim(crc ? std::vector<std::string>{"--tcp", "0", "--modbus-ip"}
                             : std::vector<std::string>{"--tcp", "0"});
        Fd c = Connect(sim.Port());
        std::vector<uint8_t> burst;
        for (int i = 0; i < 600; ++i) {
            const auto r = crc ? WithCrc("01 06 00 01 00 01") : Bytes("00 00 00 00 00 06 01 06 00 01 00 01");
            burst.insert(burst.end(), r.begin(), r.end());
        }
        Send(c, burst);
        EXPECT_EQ(ReadFor(c, 500).size(), burst.size()) << (crc ? "crc" : "header");
    }
}

TEST(SlaveWire, TcpClientsAreServedAtTheSameTime)
{
    // Only the first reply is late; the second client does not wait for it.
    SlaveProcess sim({"--tcp", "0", "--delay", "400", "--fault-count", "1"});
    Fd a = Connect(sim.Port()), b = Connect(sim.Port());
    const auto start = Clock::now();
    Send(a, Bytes("00 01 00 00 00 06 01 03 00 00 00 01"));
    usleep(20000);
    Send(b, Bytes("00 02 00 00 00 06 01 03 00 05 00 01"));
    EXPECT_EQ(Hex(ReadOnce(b, 2000)), "00 02 00 00 00 05 01 03 02 00 05");
    EXPECT_LT(Ms(start), 300);
    EXPECT_EQ(Hex(ReadOnce(a, 2000)), "00 01 00 00 00 05 01 03 02 00 00");
    EXPECT_GE(Ms(start), 390);
}

TEST(SlaveWire, TcpFaults)
{
    const auto read = Bytes("00 05 00 00 00 06 01 03 00 01 00 02");
    const std::string good = "00 05 00 00 00 07 01 03 04 00 01 00 02";
    {
        // The second reply is dropped, the third is whole.
        SlaveProcess sim({"--tcp", "0", "--drop", "--fault-from", "2", "--fault-count", "1"});
        Fd c = Connect(sim.Port());
        for (const char *want : {good.c_str(), "", good.c_str()}) {
            Send(c, read);
            EXPECT_EQ(Hex(ReadOnce(c, 300)), want);
        }
    }
    {
        SlaveProcess sim({"--tcp", "0", "--bad-tid", "--short-read"});
        Fd c = Connect(sim.Port());
        Send(c, read);
        EXPECT_EQ(Hex(ReadOnce(c, 1000)), "00 01 00 00 00 05 01 03 02 00 01");
    }
    {
        // Two segments, the second 150 ms after the first.
        SlaveProcess sim({"--tcp", "0", "--split", "150"});
        Fd c = Connect(sim.Port());
        Send(c, read);
        EXPECT_EQ(Hex(ReadOnce(c, 1000)), "00 05 00 00 00 07");
        const auto start = Clock::now();
        EXPECT_EQ(Hex(ReadOnce(c, 1000)), "01 03 04 00 01 00 02");
        EXPECT_GE(Ms(start), 120);
    }
    {
        // Each connection closes after its second reply; a new one is served.
        SlaveProcess sim({"--tcp", "0", "--close-after", "2"});
        for (int conn = 0; conn < 2; ++conn) {
            Fd c = Connect(sim.Port());
            for (int i = 0; i < 2; ++i) {
                Send(c, read);
                EXPECT_EQ(Hex(ReadOnce(c, 1000)), good);
            }
            pollfd p{c.get(), POLLIN, 0};
            ASSERT_EQ(poll(&p, 1, 1000), 1);
            char b;
            EXPECT_EQ(::read(c.get(), &b, 1), 0) << "connection still open";
        }
    }
}

TEST(SlaveWire, TcpCrcFraming)
{
    SlaveProcess sim({"--tcp", "0", "--modbus-ip", "--slave", "17", "--bad-crc", "--fault-from", "2"});
    Fd c = Connect(sim.Port());
    Send(c, WithCrc("11 03 00 6B 00 03"));
    EXPECT_EQ(Hex(ReadOnce(c, 1000)), Hex(WithCrc("11 03 06 00 6B 00 6C 00 6D")));
    // A request with a wrong CRC is ignored.
    Send(c, Bytes("11 03 00 6B 00 03 76 88"));
    EXPECT_EQ(Hex(ReadOnce(c, 200)), "");
    // From the second reply on, the CRC is spoilt.
    Send(c, WithCrc("11 06 00 01 00 02"));
    auto want = WithCrc("11 06 00 01 00 02");
    want[6] ^= 0xFF;
    want[7] ^= 0xFF;
    EXPECT_EQ(Hex(ReadOnce(c, 1000)), Hex(want));
}

Fd UdpSocket()
{
    Fd u(socket(AF_INET, SOCK_DGRAM, 0));
    const sockaddr_in any = Loopback(0);
    bind(u.get(), reinterpret_cast<const sockaddr *>(&any), sizeof any);
    return u;
}

void SendTo(const Fd &u, int port, const std::vector<uint8_t> &v)
{
    const sockaddr_in a = Loopback(port);
    ASSERT_EQ(sendto(u.get(), v.data(), v.size(), 0, reinterpret_cast<const sockaddr *>(&a), sizeof a),
              ssize_t(v.size()));
}

TEST(SlaveWire, UdpBothFramings)
{
    {
        SlaveProcess sim({"--udp", "0"});
        Fd u = UdpSocket();
        SendTo(u, sim.Port(), Bytes("AB CD 00 00 00 06 01 04 00 00 00 01"));
        const auto r = ReadOnce(u, 1000);
        ASSERT_EQ(r.size(), 11u);
        EXPECT_EQ(Hex({r.begin(), r.begin() + 9}), "AB CD 00 00 00 05 01 04 02");
        // Input register 0 follows the clock in tenths of seconds.
        EXPECT_LT(r[9] << 8 | r[10], 50);
    }
    {
        SlaveProcess sim({"--udp", "0", "--modbus-ip", "--bad-crc"});
        Fd u = UdpSocket();
        SendTo(u, sim.Port(), WithCrc("01 03 00 00 00 01"));
        auto want = WithCrc("01 03 02 00 00");
        want[5] ^= 0xFF;
        want[6] ^= 0xFF;
        EXPECT_EQ(Hex(ReadOnce(u, 1000)), Hex(want));
    }
}

TEST(SlaveWire, UdpReplyFromAnotherPort)
{
    SlaveProcess sim({"--udp", "0", "--udp-other-port", "--fault-count", "1"});
    Fd u = UdpSocket();
    SendTo(u, sim.Port(), Bytes("00 00 00 00 00 06 01 03 00 02 00 01"));
    sockaddr_in from{};
    EXPECT_EQ(Hex(ReadOnce(u, 1000, &from)), "00 00 00 00 00 05 01 03 02 00 02");
    const int other = ntohs(from.sin_port);
    EXPECT_NE(other, sim.Port());
    EXPECT_EQ(from.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    // The other port serves requests too; past the faulty reply, each socket
    // answers from itself.
    for (int port : {other, sim.Port()}) {
        SendTo(u, port, Bytes("00 00 00 00 00 06 01 03 00 03 00 01"));
        EXPECT_EQ(Hex(ReadOnce(u, 1000, &from)), "00 00 00 00 00 05 01 03 02 00 03");
        EXPECT_EQ(ntohs(from.sin_port), port);
    }
}

Fd OpenPty(const std::string &path)
{
    Fd f(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    termios t{};
    tcgetattr(f.get(), &t);
    cfmakeraw(&t);
    tcsetattr(f.get(), TCSANOW, &t);
    return f;
}

TEST(SlaveWire, SerialLineOnAPseudoTerminal)
{
    SlaveProcess sim({"--rtu-pty", "--slave", "3", "--log"});
    ASSERT_EQ(sim.First().rfind("PTY /dev/", 0), 0u) << sim.First();
    Fd line = OpenPty(sim.First().substr(4));
    ASSERT_GE(line.get(), 0);
    // Bytes that a cooked terminal would change (CR, NL) pass unchanged.
    Send(line, WithCrc("03 10 00 20 00 02 04 0D 0A 0A 0D"));
    EXPECT_EQ(Hex(ReadFor(line, 200)), Hex(WithCrc("03 10 00 20 00 02")));
    Send(line, WithCrc("03 03 00 20 00 02"));
    EXPECT_EQ(Hex(ReadFor(line, 200)), Hex(WithCrc("03 03 04 0D 0A 0A 0D")));
    // Bad CRC, another slave: silence. Only the one with a good CRC is a
    // request at all. The pause keeps them apart on the line.
    Send(line, Bytes("03 03 00 20 00 02 00 00"));
    usleep(30000);
    Send(line, WithCrc("04 03 00 20 00 02"));
    EXPECT_EQ(Hex(ReadFor(line, 200)), "");
    EXPECT_EQ(sim.Line(500), "REQ 03 10 00 20 00 02 04 0D 0A 0A 0D");
    EXPECT_EQ(sim.Line(500), "REQ 03 03 00 20 00 02");
    EXPECT_EQ(sim.Line(500), "REQ 04 03 00 20 00 02");
}

TEST(SlaveWire, SerialFaults)
{
    const auto read = WithCrc("01 03 00 04 00 01");
    const auto reply = WithCrc("01 03 02 00 04");
    {
        SlaveProcess sim({"--rtu-pty", "--extra-byte"});
        Fd line = OpenPty(sim.First().substr(4));
        Send(line, read);
        EXPECT_EQ(Hex(ReadFor(line, 200)), Hex(reply) + " 00");
    }
    {
        // The copy comes after a pause longer than any reply gap.
        SlaveProcess sim({"--rtu-pty", "--twice"});
        Fd line = OpenPty(sim.First().substr(4));
        Send(line, read);
        EXPECT_EQ(Hex(ReadFor(line, 100)), Hex(reply));
        EXPECT_EQ(Hex(ReadFor(line, 300)), Hex(reply));
    }
    {
        SlaveProcess sim({"--rtu-pty", "--gap", "150"});
        Fd line = OpenPty(sim.First().substr(4));
        Send(line, read);
        EXPECT_EQ(Hex(ReadFor(line, 100)), "01 03 02");
        EXPECT_EQ(Hex(ReadFor(line, 300)), Hex(reply).substr(9));
    }
}

TEST(SlaveWire, SerialDeviceGivenByPath)
{
    // The test keeps the master side of a pair; the simulator opens the other.
    Fd master(posix_openpt(O_RDWR | O_NOCTTY));
    ASSERT_GE(master.get(), 0);
    ASSERT_EQ(grantpt(master.get()), 0);
    ASSERT_EQ(unlockpt(master.get()), 0);
    const std::string path = ptsname(master.get());
    SlaveProcess sim({"--rtu", path, "--baud", "9600", "--parity", "none"});
    EXPECT_EQ(sim.First(), "RTU " + path);
    Send(master, WithCrc("01 04 00 00 00 01"));
    const auto r = ReadFor(master, 200);
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(Hex({r.begin(), r.begin() + 3}), "01 04 02");
}

TEST(SlaveWire, EndsByItselfOnSignalsAndOnBadArguments)
{
    {
        SlaveProcess sim({"--tcp", "0", "--seconds", "0.3"});
        EXPECT_EQ(sim.Wait(3000), 0);
    }
    {
        SlaveProcess sim({"--udp", "0"});
        sim.Signal(SIGTERM);
        EXPECT_EQ(sim.Wait(3000), 0);
    }
    {
        SlaveProcess sim({"--tcp", "0", "--slave", "300"});
        EXPECT_EQ(sim.First(), "");
        EXPECT_EQ(sim.Wait(3000), 2);
    }
}

}   // namespace

namespace {

// The libmodbus peer the engine is checked against: its registers, over tcp
// and over the pseudo-terminal pair it relays.
TEST(TestPeer, TcpAndSerial)
{
    {
        SlaveProcess peer({"--tcp", "0", "--log"}, PeerPath());
        ASSERT_EQ(peer.First().rfind("PORT ", 0), 0u);
        Fd a = Connect(peer.Port()), b = Connect(peer.Port());
        // Holding a = a * 7 + 3; input a = a ^ 0x5A5A.
        Send(b, Bytes("00 09 00 00 00 06 01 03 00 02 00 02"));
        EXPECT_EQ(Hex(ReadOnce(b, 1000)), "00 09 00 00 00 07 01 03 04 00 11 00 18");
        Send(a, Bytes("00 0A 00 00 00 06 01 04 FF FF 00 01"));
        EXPECT_EQ(Hex(ReadOnce(a, 1000)), "00 0A 00 00 00 05 01 04 02 A5 A5");
        EXPECT_EQ(peer.Line(1000), "REQ 01 03 00 02 00 02");
    }
    {
        SlaveProcess peer({"--rtu-pty", "--slave", "5"}, PeerPath());
        ASSERT_EQ(peer.First().rfind("PTY /dev/", 0), 0u) << peer.First();
        Fd line = OpenPty(peer.First().substr(4));
        Send(line, WithCrc("05 06 00 02 12 34"));
        EXPECT_EQ(Hex(ReadFor(line, 300)), Hex(WithCrc("05 06 00 02 12 34")));
        Send(line, WithCrc("05 03 00 02 00 02"));
        EXPECT_EQ(Hex(ReadFor(line, 300)), Hex(WithCrc("05 03 04 12 34 00 18")));
    }
}

}   // namespace
