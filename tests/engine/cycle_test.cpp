// The exchange cycle over loopback TCP and UDP against the simulator.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "engine/modbus_frames.h"
#include "platform/syslog.h"
#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"

namespace {

std::string CrcHex(std::vector<uint8_t> frame)
{
    frame.resize(frame.size() + 2);
    return HexBytes(frame.data(), FrameWithCrc(frame.data(), static_cast<int>(frame.size()) - 2));
}

class Cycle : public ::testing::Test {
protected:
    void SetUp() override { slavePath_ = SlavePath(); }
    void TearDown() override
    {
        StopExchange(rec, host);
        SetExchangeSleepHook(nullptr);
    }

    void StartSlave(std::vector<std::string> args)
    {
        args.push_back("--seconds");
        args.push_back("60");
        ASSERT_TRUE(slave.Start(slavePath_, args)) << "simulator did not start";
        ASSERT_GT(slave.Port(), 0) << slave.FirstLine();
    }
    void Run(uint8_t connType, bool crc, uint16_t start, uint16_t count, uint32_t period)
    {
        FillNetRecord(rec, connType, slave.Port(), crc, start, count, period);
        StartExchange(rec, host);
    }
    bool ShotsAtLeast(size_t n, int ms = 8000)
    {
        return host.ServeUntil([&] { return host.shots.size() >= n; }, ms);
    }
    int CountRequests(const std::string &prefix)
    {
        int n = 0;
        for (const auto &l : slave.Lines(200))
            n += l.rfind("REQ " + prefix, 0) == 0;
        return n;
    }

    ExchangeRecord rec;
    RecordingHost host{rec};
    PeerProcess slave;

private:
    std::string slavePath_;
};

TEST_F(Cycle, ReadsStoreRegistersInBothFramingsOverTcpAndUdp)
{
    struct Case {
        const char *name;
        uint8_t connType;
        bool crc;
    };
    for (const Case c : {Case{"tcp header", 0, false}, Case{"tcp crc", 0, true}, Case{"udp header", 1, false},
                         Case{"udp crc", 1, true}}) {
        SCOPED_TRACE(c.name);
        PeerProcess s;
        std::vector<std::string> args{c.connType == 0 ? "--tcp" : "--udp", "0", "--seconds", "60"};
        if (c.crc)
            args.push_back("--modbus-ip");
        ASSERT_TRUE(s.Start(SlavePath(), args));
        RecordingHost h(rec);
        FillNetRecord(rec, c.connType, s.Port(), c.crc, 100, 10, 0);
        StartExchange(rec, h);
        ASSERT_TRUE(h.ServeUntil([&] { return h.shots.size() >= 3; }));
        StopExchange(rec, h);

        const Shot &first = h.shots[0];   // before the channel opens
        EXPECT_EQ(first.reqCount, 0);
        EXPECT_EQ(first.status, ST_OK);
        EXPECT_EQ(first.request, "");
        EXPECT_EQ(first.reply, "");
        EXPECT_FALSE(first.valid);

        const Shot &s1 = h.shots[1];
        EXPECT_EQ(s1.reqCount, 1);
        EXPECT_EQ(s1.status, ST_OK);
        EXPECT_EQ(s1.errorCount, 0);
        std::vector<uint8_t> reply{1, 3, 20};
        std::vector<uint16_t> expected;
        for (uint16_t r = 100; r < 110; ++r) {
            expected.push_back(r);
            reply.push_back(0);
            reply.push_back(static_cast<uint8_t>(r));
        }
        if (c.crc) {
            EXPECT_EQ(s1.request, CrcHex({1, 3, 0, 100, 0, 10}));
            EXPECT_EQ(s1.reply, CrcHex(reply));
        } else {
            EXPECT_EQ(s1.request, "00 00 00 00 00 06 01 03 00 64 00 0A");
            EXPECT_EQ(s1.reply.substr(0, 26), "00 00 00 00 00 17 01 03 14");
        }
        EXPECT_TRUE(s1.valid);
        EXPECT_EQ(s1.values, expected);
        EXPECT_EQ(h.shots[2].reqCount, 2);

        if (c.connType == 0) {
            ASSERT_EQ(h.boxes.size(), 1u);
            EXPECT_EQ(h.boxes[0], "TCP: Connected to 127.0.0.1:" + std::to_string(s.Port()) + " OK !|64");
        } else {
            EXPECT_TRUE(h.boxes.empty());
        }
    }
}

// A write handed over during the wait is sent within 20 ms, ahead of the
// next read, and the window is redrawn only after that read.
TEST_F(Cycle, WritesAreSentBeforeTheNextRead)
{
    StartSlave({"--tcp", "0", "--log"});
    int stage = 0;
    host.onDisplay = [&](const Shot &s) {
        if (!s.valid)
            return;
        if (stage == 0)
            HandOverWrite(rec, 5, {0xBEEF}, false);
        else if (stage == 1)
            HandOverWrite(rec, 7, {0x1234, 0x5678}, false);
        else if (stage == 2)
            HandOverWrite(rec, 9, {0x0A0B}, true);
        else if (stage == 3)
            HandOverWrite(rec, 9, {}, false);   // nothing to write: dropped
        ++stage;
    };
    Run(0, false, 0, 12, 1000);
    ASSERT_TRUE(host.ServeUntil([&] { return stage >= 6; }, 15000));
    StopExchange(rec, host);

    std::vector<const Shot *> valid;
    for (const auto &s : host.shots)
        if (s.valid)
            valid.push_back(&s);
    ASSERT_GE(valid.size(), 6u);
    EXPECT_EQ(valid[1]->reqCount, valid[0]->reqCount + 2);   // the write and the read after it
    EXPECT_EQ(valid[1]->values[5], 0xBEEF);
    EXPECT_EQ(valid[2]->values[7], 0x1234);
    EXPECT_EQ(valid[2]->values[8], 0x5678);
    EXPECT_EQ(valid[3]->values[9], 0x0A0B);
    // The empty write sent nothing: one Display with the same counters, then
    // the wait and the next read.
    EXPECT_EQ(valid[4]->reqCount, valid[3]->reqCount);
    EXPECT_EQ(valid[5]->reqCount, valid[3]->reqCount + 1);
    for (const Shot *s : valid) {
        EXPECT_EQ(s->status, ST_OK);
        EXPECT_EQ(s->request, "00 00 00 00 00 06 01 03 00 00 00 0C");   // only reads are displayed
    }
    EXPECT_EQ(rec.WriteTries.load(), 0);

    const auto log = slave.Lines(300);
    auto has = [&](const std::string &line) { return std::find(log.begin(), log.end(), line) != log.end(); };
    EXPECT_TRUE(has("REQ 01 06 00 05 BE EF"));
    EXPECT_TRUE(has("REQ 01 10 00 07 00 02 04 12 34 56 78"));
    EXPECT_TRUE(has("REQ 01 10 00 09 00 01 02 0A 0B"));
}

TEST_F(Cycle, RefusedWriteIsTriedThreeTimesThenDropped)
{
    StartSlave({"--tcp", "0", "--refuse-writes", "4", "--log"});
    bool handed = false;
    host.onDisplay = [&](const Shot &s) {
        if (s.valid && !handed) {
            HandOverWrite(rec, 3, {0x7777}, false);
            handed = true;
        }
    };
    Run(0, false, 0, 4, 1000);
    ASSERT_TRUE(host.ServeUntil([&] { return handed && host.shots.size() >= 6; }, 15000));
    StopExchange(rec, host);

    // shots: initial, first read, three refused writes, the read after them
    const auto &s = host.shots;
    for (int i = 2; i <= 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s[i].status, ST_ADDR_CMD_ERROR);
        EXPECT_EQ(s[i].errorCount, i - 1);
        EXPECT_EQ(s[i].request, "00 00 00 00 00 06 01 06 00 03 77 77");
        EXPECT_EQ(s[i].reply, "00 00 00 00 00 03 01 86 04");
    }
    EXPECT_EQ(s[5].status, ST_OK);
    EXPECT_EQ(s[5].request.substr(18, 5), "01 03");
    EXPECT_EQ(s[5].values[3], 3);   // the device's value again
    EXPECT_EQ(CountRequests("01 06"), 3);
}

// A write handed over while a read is in flight: that read's end uses up
// one of the three attempts.
TEST_F(Cycle, WriteHandedOverDuringAReadGetsTwoAttempts)
{
    StartSlave({"--tcp", "0", "--refuse-writes", "4", "--delay", "500", "--log"});
    Run(0, false, 0, 4, 0);
    ASSERT_TRUE(host.ServeUntil([&] { return !host.shots.empty() && host.shots.back().valid; }));
    // The next read is on its way once the slave logs it; its reply comes
    // 500 ms after that. Handing the write over only then keeps a slow
    // exchange thread from picking it up before the read is sent.
    const int readsBefore = host.shots.back().reqCount;
    const uint32_t waitStart = TickCountMs();
    while (CountRequests("01 03") <= readsBefore && TickCountMs() - waitStart < 5000) {}
    ASSERT_EQ(CountRequests("01 03"), readsBefore + 1);
    HandOverWrite(rec, 1, {0x4242}, false);
    const size_t at = host.shots.size();
    ASSERT_TRUE(ShotsAtLeast(at + 4, 10000));
    StopExchange(rec, host);

    const auto &s = host.shots;
    EXPECT_EQ(s[at].request.substr(18, 5), "01 03");   // the read that was in flight
    EXPECT_EQ(s[at + 1].request.substr(18, 5), "01 06");
    EXPECT_EQ(s[at + 2].request.substr(18, 5), "01 06");
    EXPECT_EQ(s[at + 3].request.substr(18, 5), "01 03");
    EXPECT_EQ(s[at + 2].errorCount, s[at].errorCount + 2);
    EXPECT_EQ(CountRequests("01 06"), 2);
}

TEST_F(Cycle, WrongReadLengthIsStatus20WithoutAnError)
{
    StartSlave({"--tcp", "0", "--short-read", "--modbus-ip"});
    Run(0, true, 0, 4, 0);
    ASSERT_TRUE(ShotsAtLeast(4));
    for (size_t i = 1; i < host.shots.size(); ++i) {
        const Shot &s = host.shots[i];
        EXPECT_EQ(s.status, ST_SIZE_REGCOUNT_MISMATCH);
        EXPECT_EQ(s.errorCount, 0);
        EXPECT_FALSE(s.valid);
        EXPECT_EQ(s.values, std::vector<uint16_t>(4, 0));
    }
}

TEST_F(Cycle, LateReplyIsReadByTheNextExchange)
{
    // Over UDP, so that the late reply and the next one stay apart.
    // 800 ms after the 3000 ms reply limit, so that a slow thread still
    // gives up first; long before the next exchange's limit.
    StartSlave({"--udp", "0", "--delay", "3800", "--fault-count", "1"});
    Run(1, false, 20, 2, 0);
    ASSERT_TRUE(ShotsAtLeast(3, 12000));
    EXPECT_EQ(host.shots[1].status, ST_NO_REPLY);
    EXPECT_EQ(host.shots[1].reply, "");
    EXPECT_EQ(host.shots[1].errorCount, 1);
    EXPECT_EQ(host.shots[2].status, ST_OK);
    EXPECT_EQ(host.shots[2].reply, "00 00 00 00 00 07 01 03 04 00 14 00 15");
    EXPECT_EQ(host.shots[2].values, (std::vector<uint16_t>{20, 21}));
}

TEST_F(Cycle, SplitTcpReplyIsCheckedInParts)
{
    // The parts are far enough apart for a slowed thread to read the first
    // one on its own.
    StartSlave({"--tcp", "0", "--split", "500", "--fault-count", "1"});
    Run(0, false, 0, 10, 0);
    // The second part comes together with the reply to the next request. It
    // is read either with that reply (one bad exchange, then in step) or on
    // its own; then each read takes the reply before its own until one read
    // takes in two replies at once (one more bad exchange). Which of these
    // happens depends on when the thread gets to its reads, so the test waits
    // for three good exchanges in a row and counts the bad ones before them.
    auto lastGood = [&](size_t n) {
        const auto &s = host.shots;
        if (s.size() < 2 + n)
            return false;
        for (size_t i = s.size() - n; i < s.size(); ++i)
            if (s[i].status != ST_OK)
                return false;
        return true;
    };
    ASSERT_TRUE(host.ServeUntil([&] { return lastGood(3); }));
    EXPECT_EQ(host.shots[1].status, ST_PKT_SIZE_MISMATCH);   // the first part alone
    EXPECT_FALSE(host.shots[1].valid);
    int bad = 0;
    for (size_t i = 2; i < host.shots.size(); ++i)
        bad += host.shots[i].status != ST_OK;
    EXPECT_LE(bad, 2);
}

TEST_F(Cycle, ClosingSlaveGivesStatus2AndASendErrorBox)
{
    StartSlave({"--tcp", "0", "--close-after", "1"});
    Run(0, false, 0, 2, 100);
    ASSERT_TRUE(host.ServeUntil([&] { return host.boxes.size() >= 2 && host.shots.size() >= 4; }));
    EXPECT_EQ(host.shots[1].status, ST_OK);
    EXPECT_EQ(host.shots[2].status, ST_REPLY_SHORT);   // the close, read as an empty reply
    EXPECT_EQ(host.shots[2].reply, "");
    const std::string prefix = "Ошибка обмена по TCP: Send to 127.0.0.1:" + std::to_string(slave.Port()) + " error ";
    EXPECT_EQ(host.boxes[1].rfind(prefix, 0), 0u) << host.boxes[1];
    EXPECT_EQ(host.boxes[1].substr(host.boxes[1].size() - 3), "|16");
    EXPECT_EQ(host.shots[3].status, ST_REPLY_SHORT);   // the exchange went on after the box
}

// A slave on one UDP port that answers from another: the engine's later
// requests go to the port the reply came from.
TEST_F(Cycle, UdpReplyFromAnotherPortMovesTheDestination)
{
    int socks[2];
    int ports[2];
    for (int i = 0; i < 2; ++i) {
        socks[i] = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ASSERT_EQ(bind(socks[i], reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        getsockname(socks[i], reinterpret_cast<sockaddr *>(&a), &len);
        ports[i] = ntohs(a.sin_port);
    }
    std::atomic<int> received[2] = {0, 0};
    std::atomic<bool> done{false};
    std::thread responder([&] {
        const uint32_t start = TickCountMs();
        while (!done && TickCountMs() - start < 15000) {
            pollfd p[2] = {{socks[0], POLLIN, 0}, {socks[1], POLLIN, 0}};
            if (poll(p, 2, 20) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & POLLIN))
                    continue;
                uint8_t req[64];
                sockaddr_in from{};
                socklen_t flen = sizeof from;
                const ssize_t n = recvfrom(socks[i], req, sizeof req, 0, reinterpret_cast<sockaddr *>(&from), &flen);
                if (n != 12)
                    continue;
                ++received[i];
                const int count = req[10] * 256 + req[11];
                uint8_t reply[64] = {
                    0, 0, 0, 0, 0, static_cast<uint8_t>(3 + 2 * count), 1, 3, static_cast<uint8_t>(2 * count)};
                for (int r = 0; r < count; ++r) {
                    reply[9 + 2 * r] = 0x10;
                    reply[10 + 2 * r] = static_cast<uint8_t>(r + 10 * i);
                }
                sendto(socks[1], reply, static_cast<size_t>(9 + 2 * count), 0, reinterpret_cast<sockaddr *>(&from),
                       flen);
            }
        }
    });
    FillNetRecord(rec, 1, ports[0], false, 0, 3, 0);
    StartExchange(rec, host);
    const bool got = ShotsAtLeast(5);
    StopExchange(rec, host);
    done = true;
    responder.join();
    close(socks[0]);
    close(socks[1]);
    ASSERT_TRUE(got);
    EXPECT_EQ(received[0].load(), 1);
    EXPECT_GE(received[1].load(), 3);
    EXPECT_EQ(host.shots[1].values, (std::vector<uint16_t>{0x1000, 0x1001, 0x1002}));   // answered by port A's request
    EXPECT_EQ(host.shots[4].values, (std::vector<uint16_t>{0x100A, 0x100B, 0x100C}));   // asked at port B
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(host.shots[i].status, ST_OK);
}

// Only a reply to function 5, 6, 15 or 16 is an answered write. A read with any
// other function code that passes the checks is shown and waited after like
// every other exchange.
TEST_F(Cycle, OnlyWritesEndTheCycleWithoutDisplay)
{
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t alen = sizeof a;
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    getsockname(sock, reinterpret_cast<sockaddr *>(&a), &alen);
    std::atomic<bool> done{false};
    std::thread echo;
    // Ends the echo thread also when an assertion leaves the test early.
    struct EchoEnd {
        std::atomic<bool> &done;
        std::thread &echo;
        int sock;
        ~EchoEnd()
        {
            done = true;
            if (echo.joinable())
                echo.join();
            close(sock);
        }
    } echoEnd{done, echo, sock};
    echo = std::thread([&] {   // every request comes back as its own reply
        const uint32_t start = TickCountMs();
        while (!done && TickCountMs() - start < 30000) {
            pollfd p{sock, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            uint8_t req[64];
            sockaddr_in from{};
            socklen_t flen = sizeof from;
            const ssize_t n = recvfrom(sock, req, sizeof req, 0, reinterpret_cast<sockaddr *>(&from), &flen);
            if (n > 0)
                sendto(sock, req, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr *>(&from), flen);
        }
    });
    for (const uint8_t cmd : {7, 17, 0x41}) {   // functions the engine neither reads nor writes with
        SCOPED_TRACE(int(cmd));
        RecordingHost h(rec);
        FillNetRecord(rec, 1, ntohs(a.sin_port), false, 0, 2, 0);
        rec.ReadCmd = static_cast<FunctionCode>(cmd);
        StartExchange(rec, h);
        const bool got = h.ServeUntil([&] { return h.shots.size() >= 4; }, 5000);
        StopExchange(rec, h);
        ASSERT_TRUE(got) << "no Display after an answered read of function " << int(cmd);
        for (size_t i = 1; i < 4; ++i) {
            EXPECT_EQ(h.shots[i].reqCount, static_cast<int32_t>(i));
            EXPECT_EQ(h.shots[i].status, ST_OK);
            EXPECT_EQ(h.shots[i].errorCount, 0);
            EXPECT_FALSE(h.shots[i].valid);
        }
    }
}

TEST_F(Cycle, StopDuringTheReplyWaitEndsWith254AndNoDisplay)
{
    StartSlave({"--tcp", "0", "--drop", "--log"});
    Run(0, false, 0, 2, 0);
    ASSERT_TRUE(host.ServeUntil([&] { return host.boxes.size() == 1 && CountRequests("01 03") == 1; }));
    const int calls = host.displayCalls.load();
    const uint32_t start = TickCountMs();
    StopExchange(rec, host);
    const uint32_t took = TickCountMs() - start;
    EXPECT_EQ(host.displayCalls.load(), calls);
    EXPECT_EQ(host.endStatus.load(), ST_STOP_WORKING);
    EXPECT_EQ(host.endReqCount.load(), 1);
    EXPECT_EQ(host.endErrorCount.load(), 1);
    EXPECT_LT(took, 2000u);   // noticed between two wait slices, well within the stop's wait
    EXPECT_EQ(rec.Thread, nullptr);
    EXPECT_EQ(rec.RegValues, nullptr);
}

TEST_F(Cycle, ChannelsThatDoNotOpenNeverPoll)
{
    const int refusing = RefusingPort();
    struct Case {
        const char *name;
        uint8_t connType;
        std::string ip;
        std::string box;
    } cases[] = {
        {"refused connect", 0, "127.0.0.1",
         "Ошибка соединения по TCP: Connect to 127.0.0.1:" + std::to_string(refusing) + " error 111|16"},
        {"address does not parse", 0, "127.0.0.300", ""},
        {"broadcast address reads as INADDR_NONE", 1, "255.255.255.255", ""},
        {"empty address", 1, "", ""},
        {"no such connection type", 7, "127.0.0.1", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost h(rec);
        FillNetRecord(rec, c.connType, refusing, false, 0, 2, 0);
        rec.Conn.IPAddr = c.ip;
        StartExchange(rec, h);
        ASSERT_TRUE(h.ServeUntil([&] { return rec.Thread->Finished(); }));
        EXPECT_EQ(rec.Running.load(), 0);
        EXPECT_EQ(h.endReqCount.load(), 0);
        ASSERT_EQ(h.shots.size(), 1u);   // the first Display only: zero counters, "OK"
        EXPECT_EQ(h.shots[0].status, ST_OK);
        if (c.box.empty())
            EXPECT_TRUE(h.boxes.empty());
        else
            EXPECT_EQ(h.boxes, std::vector<std::string>{c.box});
        StopExchange(rec, h);
    }
}

// A stop while the connect is still under way (the listener's queue is full,
// so the kernel keeps retrying the handshake): the stop ends the connect.
TEST_F(Cycle, StopDuringAConnectInProgress)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr *>(&a), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {   // fill the accept queue, never accepted
        fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        connect(fillers.back(), reinterpret_cast<sockaddr *>(&a), sizeof a);
    }
    SleepMs(50);
    FillNetRecord(rec, 0, ntohs(a.sin_port), false, 0, 2, 0);
    StartExchange(rec, host);
    host.ServeUntil([] { return false; }, 600);
    const bool stillConnecting = !rec.Thread->Finished() && host.boxes.empty();
    const uint32_t start = TickCountMs();
    StopExchange(rec, host);
    const uint32_t took = TickCountMs() - start;
    for (int fd : fillers)
        close(fd);
    close(listener);
    if (!stillConnecting)
        GTEST_SKIP() << "the kernel completed or refused the connect at once";
    EXPECT_LT(took, 1000u);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(rec.Running.load(), 0);
    EXPECT_EQ(host.endReqCount.load(), 0);
}

// A stop while the thread waits on its "Connected" box: the box is closed,
// the thread never polls, and the image is freed only after it ended.
TEST_F(Cycle, StopWhileTheConnectedBoxIsUp)
{
    StartSlave({"--tcp", "0", "--log"});
    host.holdBoxes = true;
    Run(0, false, 0, 2, 0);
    ASSERT_TRUE(host.ServeUntil([&] { return host.boxEntered.load(); }));
    StopExchange(rec, host);
    EXPECT_EQ(rec.Thread, nullptr);
    EXPECT_EQ(host.endReqCount.load(), 0);
    EXPECT_EQ(CountRequests(""), 0);
}

TEST_F(Cycle, UpdatePeriodWaitsInTwentyMillisecondSteps)
{
    StartSlave({"--tcp", "0"});
    SetExchangeSleepHook(CountingSleep);
    for (const auto &[period, steps] : {std::pair<uint32_t, uint32_t>{50, 3}, {0, 0}, {20, 1}, {41, 3}}) {
        SCOPED_TRACE(period);
        RecordingHost h(rec);
        FillNetRecord(rec, 0, slave.Port(), false, 0, 1, period);
        StartExchange(rec, h);
        ASSERT_TRUE(h.ServeUntil([&] { return h.shots.size() >= 5; }));
        StopExchange(rec, h);
        for (size_t i = 2; i + 1 < 5; ++i)
            EXPECT_EQ(h.shots[i + 1].sleeps - h.shots[i].sleeps, steps);
    }
}

// A datagram that cannot be sent (port 0 is refused by the kernel): status
// 1, counted, and one line to the system log; the cycle goes on.
TEST_F(Cycle, UdpSendErrorIsStatus1AndALogLine)
{
    struct Capture final : SysLogTarget {
        std::vector<std::string> lines;
        void vSysLogMsg(const char *fmt, va_list args) override
        {
            char buf[256];
            std::vsnprintf(buf, sizeof buf, fmt, args);
            lines.push_back(buf);
        }
    } log;
    ASSERT_TRUE(RegisterDefaultLogList(&log));
    FillNetRecord(rec, 1, 0, false, 0, 2, 0);
    StartExchange(rec, host);
    const bool got = ShotsAtLeast(3);
    StopExchange(rec, host);
    UnregisterDefaultLogList(&log);
    ASSERT_TRUE(got);
    EXPECT_EQ(host.shots[1].status, ST_UDP_SEND_ERROR);
    EXPECT_EQ(host.shots[1].errorCount, 1);
    EXPECT_EQ(host.shots[1].request, "00 00 00 00 00 06 01 03 00 00 00 02");
    EXPECT_EQ(host.shots[2].errorCount, 2);
    ASSERT_GE(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "Send Error " + std::to_string(EINVAL));
}

}   // namespace
