// The serial channel on pseudo-terminals: against the slave simulator
// (reads, writes, faults), against the libmodbus peer (interoperability), and
// the exchange thread's opening failures and closing on a real tty.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/Modbus_thread_unit.h"
#include "engine/modbus_frames.h"
#include "engine/serial_channel.h"
#include "platform/comm_port.h"
#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/serial/test_host.h"

namespace {

int OpenFdCount()
{
    int n = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (dirent *e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

// One channel on the pseudo-terminal of a peer started for the test.
struct PtyLink {
    PeerProcess peer;
    ExchangeRecord rec;
    TestHost host;
    ExchangeFrames trace;   // of the last exchange
    std::unique_ptr<Channel> channel;

    // Starts the peer with `args` after its path and opens the channel.
    void Start(const std::string &program, std::vector<std::string> args, int baud, uint8_t even)
    {
        args.push_back("--seconds");
        args.push_back("60");
        ASSERT_TRUE(peer.Start(program, args)) << "no first line from " << program;
        const std::string &line = peer.FirstLine();
        ASSERT_EQ(line.rfind("PTY /", 0), 0u) << line;
        const std::string pty = line.substr(4);
        rec.Conn.Kind = ConnKind::Serial;
        rec.Conn.ComPortName = pty;
        rec.Conn.BaudRate = baud;
        rec.Conn.EvenParity = even;
        rec.Conn.CharTime = CharTimeForBaud(baud);
        rec.SlaveAddr = 1;
        channel = OpenSerialChannel(rec.Conn, rec.StopRequest, host);
        ASSERT_TRUE(channel) << (host.Boxes().empty() ? "" : host.Boxes()[0].text);
    }

    uint8_t Run(const uint8_t *req, int len)
    {
        trace.Reset();
        return channel->Exchange(req, len, trace);
    }

    // Reads `count` registers with `cmd` from `start`; status and values.
    uint8_t Read(uint8_t cmd, uint16_t start, uint16_t count, std::vector<uint16_t> &values)
    {
        uint8_t req[16];
        int len = BuildReadRequest(req, rec.SlaveAddr, static_cast<FunctionCode>(cmd), start, count);
        uint8_t st = Run(req, len);
        values.clear();
        if (st != ST_OK)
            return st;
        st = CheckReplyFrame(trace.Frame(), trace.FrameLen, rec.SlaveAddr, static_cast<FunctionCode>(cmd), count);
        for (int i = 0; st == ST_OK && i < count; ++i)
            values.push_back(static_cast<uint16_t>(trace.Frame()[3 + 2 * i] << 8 | trace.Frame()[4 + 2 * i]));
        return st;
    }

    uint8_t WriteSingle(uint16_t reg, uint16_t value)
    {
        uint8_t req[16];
        int len = BuildWriteSingle(req, rec.SlaveAddr, reg, value);
        uint8_t st = Run(req, len);
        return st == ST_OK ? CheckReplyFrame(trace.Frame(), trace.FrameLen, rec.SlaveAddr, FunctionCode::WriteSingle, 0)
                           : st;
    }

    uint8_t WriteMultiple(uint16_t reg, const std::vector<uint16_t> &values)
    {
        uint8_t req[32];
        int len = BuildWriteMultiple(req, rec.SlaveAddr, reg, values.data(), static_cast<uint16_t>(values.size()));
        uint8_t st = Run(req, len);
        return st == ST_OK
                   ? CheckReplyFrame(trace.Frame(), trace.FrameLen, rec.SlaveAddr, FunctionCode::WriteMultiple, 0)
                   : st;
    }
};

}   // namespace

// Reads and writes with function 6 and 16 at 9600 and 115200 baud, with even
// and with no parity: the values read back are the ones written.
TEST(SerialSlave, ReadsAndWritesAtEachRateAndParity)
{
    for (int baud : {9600, 115200}) {
        for (uint8_t even : {uint8_t{0}, uint8_t{1}}) {
            SCOPED_TRACE(std::to_string(baud) + (even ? " even" : " none"));
            PtyLink link;
            link.Start(SlavePath(), {"--rtu-pty"}, baud, even);
            std::vector<uint16_t> v;
            ASSERT_EQ(link.Read(3, 100, 10, v), ST_OK);
            EXPECT_EQ(v, (std::vector<uint16_t>{100, 101, 102, 103, 104, 105, 106, 107, 108, 109}));
            EXPECT_EQ(link.WriteSingle(5, 0xBEEF), ST_OK);
            EXPECT_EQ(link.WriteMultiple(20, {0x0D0A, 0x0000, 0xFFFF}), ST_OK);
            ASSERT_EQ(link.Read(3, 0, 24, v), ST_OK);
            EXPECT_EQ(v[5], 0xBEEF);
            EXPECT_EQ(v[20], 0x0D0A);
            EXPECT_EQ(v[21], 0x0000);
            EXPECT_EQ(v[22], 0xFFFF);
            EXPECT_EQ(v[23], 23);
            EXPECT_EQ(link.trace.ReqLen, 8);
        }
    }
}

// A reply that ends with one stray 0x00 after its CRC is accepted, its frame
// being three bytes shorter than what came.
TEST(SerialSlave, TrailingStrayByteIsAccepted)
{
    PtyLink link;
    link.Start(SlavePath(), {"--rtu-pty", "--extra-byte"}, 115200, 0);
    for (uint16_t count : {1, 2, 10}) {
        uint8_t req[16];
        int len = BuildReadRequest(req, 1, FunctionCode::ReadHolding, 40, count);
        ASSERT_EQ(link.Run(req, len), ST_OK) << count;
        EXPECT_EQ(link.trace.FrameLen, link.trace.ReplyLen - 3);
        EXPECT_EQ(link.trace.FrameLen, 3 + 2 * count);
        EXPECT_EQ(link.trace.ReplyFrame[link.trace.ReplyLen - 1], 0x00);
    }
}

// A good reply whose CRC ends in 0x00 is read whole, with and without a stray
// byte after it: registers whose reply CRC ends so are not refused.
TEST(SerialSlave, ReplyWhoseCrcEndsInZeroIsReadWhole)
{
    // Holding register a holds a, so the reply to a one-register read of a
    // is known in advance; find one whose CRC ends in 0x00.
    int start = -1;
    for (int a = 0; a < 65536 && start < 0; ++a) {
        uint8_t f[8] = {1, 3, 2, static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)};
        if ((ModbusCrc16(f, 5) >> 8) == 0)
            start = a;
    }
    ASSERT_GE(start, 0);
    for (const char *extra : {"", "--extra-byte"}) {
        SCOPED_TRACE(extra);
        PtyLink link;
        std::vector<std::string> args{"--rtu-pty"};
        if (*extra)
            args.push_back(extra);
        link.Start(SlavePath(), args, 115200, 0);
        std::vector<uint16_t> v;
        ASSERT_EQ(link.Read(3, static_cast<uint16_t>(start), 1, v), ST_OK);
        ASSERT_EQ(v.size(), 1u);
        EXPECT_EQ(v[0], start);
    }
}

// Bytes that come after a read ended (a second copy of the reply, a reply
// later than the total time-out, the rest of a reply with a gap inside it)
// are read as the start of the next reply, which then fails with 252 or 253.
TEST(SerialSlave, SurplusBytesSpoilTheNextExchange)
{
    const struct {
        const char *name;
        std::vector<std::string> args;
        int baud;
        int first;   // status of the first exchange; -1: 252 or 253
    } cases[] = {
        {"answers twice", {"--twice", "--fault-count", "1"}, 115200, ST_OK},
        {"answers late", {"--delay", "1300", "--fault-count", "1"}, 115200, ST_NO_REPLY},
        {"gap inside the reply", {"--gap", "120", "--fault-count", "1"}, 115200, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PtyLink link;
        std::vector<std::string> args = {"--rtu-pty"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        link.Start(SlavePath(), args, c.baud, 0);
        std::vector<uint16_t> v;
        uint8_t st1 = link.Read(3, 0, 10, v);
        if (c.first >= 0)
            EXPECT_EQ(st1, c.first);
        else
            EXPECT_TRUE(st1 == ST_COM_CRC_WRONG || st1 == ST_COM_SIZE_ADDR_ERROR) << int(st1);
        // Let the surplus arrive while the line is idle: the late reply is
        // due 300 ms after the first read gave up, so this leaves 400 ms for
        // a slave that is slow to send it.
        SleepMs(700);
        uint8_t st2 = link.Read(3, 0, 10, v);
        EXPECT_TRUE(st2 == ST_COM_CRC_WRONG || st2 == ST_COM_SIZE_ADDR_ERROR) << int(st2);
        // The line is clean again afterwards.
        EXPECT_EQ(link.Read(3, 0, 10, v), ST_OK);
    }
}

// A gap shorter than the interval time-out does not split a reply.
TEST(SerialSlave, ShortGapInsideReplyIsOneReply)
{
    PtyLink link;
    link.Start(SlavePath(), {"--rtu-pty", "--gap", "15"}, 9600, 1);   // 40 ms at 9600
    std::vector<uint16_t> v;
    EXPECT_EQ(link.Read(3, 7, 20, v), ST_OK);
    ASSERT_EQ(v.size(), 20u);
    EXPECT_EQ(v[19], 26);
}

TEST(SerialSlave, NoReplyAndAnotherAddress)
{
    PtyLink link;
    link.Start(SlavePath(), {"--rtu-pty", "--drop", "--fault-count", "2"}, 115200, 0);
    std::vector<uint16_t> v;
    for (int i = 0; i < 2; ++i) {
        uint64_t t0 = PerfCounter();
        EXPECT_EQ(link.Read(3, 0, 4, v), ST_NO_REPLY);
        uint64_t ms = (PerfCounter() - t0) / 1000u;
        EXPECT_GE(ms, 990u);
        EXPECT_LT(ms, 2000u);
        EXPECT_EQ(link.trace.ReplyLen, 0);
    }
    // A request for another address gets no reply at all.
    uint8_t req[16];
    const int len = BuildReadRequest(req, 2, FunctionCode::ReadHolding, 0, 4);
    EXPECT_EQ(link.Run(req, len), ST_NO_REPLY);
}

// The engine against a libmodbus RTU slave: the values that slave holds.
TEST(SerialInterop, LibmodbusRtuSlave)
{
    PtyLink link;
    link.Start(PeerPath(), {"--rtu-pty"}, 115200, 0);
    auto holding = [](unsigned a) { return static_cast<uint16_t>((a * 7 + 3) & 0xFFFF); };
    std::vector<uint16_t> v;
    for (uint16_t count : {1, 10, 125}) {
        SCOPED_TRACE(count);
        ASSERT_EQ(link.Read(3, 300, count, v), ST_OK);
        ASSERT_EQ(v.size(), count);
        for (unsigned i = 0; i < count; ++i)
            EXPECT_EQ(v[i], holding(300 + i)) << i;
        ASSERT_EQ(link.Read(4, 1000, count, v), ST_OK);
        for (unsigned i = 0; i < count; ++i)
            EXPECT_EQ(v[i], static_cast<uint16_t>((1000 + i) ^ 0x5A5A)) << i;
    }
    EXPECT_EQ(link.WriteSingle(310, 0x1234), ST_OK);
    EXPECT_EQ(link.WriteMultiple(320, {0xAAAA, 0x5555, 0x0001, 0x8000, 0x0D0A, 0x1311, 0x0300, 0xFFFF}), ST_OK);
    ASSERT_EQ(link.Read(3, 309, 20, v), ST_OK);
    EXPECT_EQ(v[0], holding(309));
    EXPECT_EQ(v[1], 0x1234);
    EXPECT_EQ(v[2], holding(311));
    EXPECT_EQ(std::vector<uint16_t>(v.begin() + 11, v.begin() + 19),
              (std::vector<uint16_t>{0xAAAA, 0x5555, 0x0001, 0x8000, 0x0D0A, 0x1311, 0x0300, 0xFFFF}));
    EXPECT_EQ(v[19], holding(328));
}

namespace {

// A pseudo-terminal pair made here; the slave side at `path` stays unopened.
struct PtyMaster {
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::string path;
    PtyMaster()
    {
        if (fd >= 0 && ::grantpt(fd) == 0 && ::unlockpt(fd) == 0)
            path = ::ptsname(fd);
    }
    ~PtyMaster()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct ThreadRun {
    ExchangeRecord rec;
    TestHost host;

    explicit ThreadRun(const std::string &port)
    {
        rec.Conn.Kind = ConnKind::Serial;
        rec.Conn.ComPortName = port;
        rec.Conn.BaudRate = 19200;
        rec.Conn.CharTime = CharTimeForBaud(19200);
        rec.Conn.RS485Control = 1;
        rec.Conn.DTRAlwaysOn = 1;
        rec.SlaveAddr = 1;
        rec.ReadCmd = FunctionCode::ReadHolding;
        rec.RegCount = 4;
        rec.UpdatePeriod = 50;
        rec.AllocRegValues(4);
    }
    // Waits up to `ms` for the run body to end.
    bool WaitFinished(int ms)
    {
        for (int i = 0; i < ms / 10 && !rec.Thread->Finished(); ++i)
            SleepMs(10);
        return rec.Thread->Finished();
    }
};

}   // namespace

// A missing device, a device another open holds, a name too long for the
// path: the open error box with the system's text, the thread ends without
// polling, and nothing stays open.
TEST(SerialOpenThread, FailuresEndTheThreadWithTheBox)
{
    PtyMaster pty;
    ASSERT_FALSE(pty.path.empty());
    const std::string &ptyPath = pty.path;
    auto holder = MakeTtyCommPort();
    ASSERT_EQ(holder->Open(ptyPath.c_str()), 0);

    const std::string tooLong = "ttyUSB" + std::string(kSerialPathSize, '9');
    const struct {
        std::string name, text;
    } cases[] = {
        {"/dev/tarvix-no-such-tty", "No such file or directory"},
        {ptyPath, "Device or resource busy"},
        {tooLong, "File name too long"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int fdsBefore = OpenFdCount();
        ThreadRun run(c.name);
        StartExchange(run.rec, run.host);
        ASSERT_TRUE(run.WaitFinished(3000));
        EXPECT_EQ(run.rec.Running.load(), 0);
        EXPECT_EQ(run.rec.Thread->ReqCount.load(), 0);
        std::vector<ShownBox> boxes = run.host.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Ошибка открытия порта '" + c.name + "' : " + c.text);
        EXPECT_EQ(boxes[0].caption, "Tarvix");
        EXPECT_EQ(boxes[0].flags, 48);
        StopExchange(run.rec, run.host);
        EXPECT_EQ(OpenFdCount(), fdsBefore);
    }
    holder->Close();
}

// A thread that opened its port polls it (no slave: 255s) and, once stopped,
// has closed it: the port opens again at once. The port is named by a long
// link, as /dev/serial/by-id/... names are.
TEST(SerialOpenThread, StopClosesThePort)
{
    PtyMaster pty;
    ASSERT_FALSE(pty.path.empty());
    const std::string &ptyPath = pty.path;
    const std::string link = testing::TempDir() + "tarvix-" + std::to_string(::getpid()) +
                             "-usb-Acme_Serial_Bridge_0042A7F3-if00-port0-" + std::string(8, 'x');
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(ptyPath.c_str(), link.c_str()), 0);
    ASSERT_GE(link.size(), 60u);
    const int fdsBefore = OpenFdCount();
    {
        ThreadRun run(link);
        StartExchange(run.rec, run.host);
        for (int i = 0; i < 300 && run.rec.Thread->ReqCount.load() < 1; ++i)
            SleepMs(10);
        EXPECT_EQ(run.rec.Running.load(), 1);
        EXPECT_GE(run.rec.Thread->ReqCount.load(), 1);
        auto other = MakeTtyCommPort();
        EXPECT_EQ(other->Open(ptyPath.c_str()), EBUSY);
        StopExchange(run.rec, run.host);
        EXPECT_TRUE(run.host.Boxes().empty());
        EXPECT_EQ(other->Open(ptyPath.c_str()), 0);
    }
    EXPECT_EQ(OpenFdCount(), fdsBefore);
    ::unlink(link.c_str());
}
