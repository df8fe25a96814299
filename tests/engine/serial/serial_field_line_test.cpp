// The serial channel on lines as they are in the field, over the fake line
// (tarvix-fake-line) in front of the slave simulator: local echo, replies in
// pieces, trailing bytes, exception replies ended by their length; the
// transmitter turn-around delays over the recording port; and long runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/Modbus_thread_unit.h"
#include "engine/modbus_frames.h"
#include "engine/serial_channel.h"
#include "platform/recording_comm_port.h"
#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/serial/test_host.h"

namespace {

// One channel on the fake line, the simulator behind it.
struct FieldLink {
    PeerProcess line;
    ChannelSettings cs;
    TestHost host;
    ExchangeFrames trace;
    std::unique_ptr<Channel> channel;
    std::shared_ptr<SerialLineStats> stats = std::make_shared<SerialLineStats>();

    void Start(std::vector<std::string> lineArgs, int baud, SerialLineOptions opt,
               std::vector<std::string> slaveArgs = {}, int seconds = 60)
    {
        lineArgs.insert(lineArgs.end(), {"--seconds", std::to_string(seconds + 5), "--", SlavePath(), "--rtu-pty",
                                         "--seconds", std::to_string(seconds + 10)});
        lineArgs.insert(lineArgs.end(), slaveArgs.begin(), slaveArgs.end());
        ASSERT_TRUE(line.Start(FakeLinePath(), lineArgs)) << "the fake line did not start";
        ASSERT_EQ(line.FirstLine().rfind("PTY /", 0), 0u) << line.FirstLine();
        cs.Kind = ConnKind::Serial;
        cs.ComPortName = line.FirstLine().substr(4);
        cs.BaudRate = baud;
        cs.CharTime = CharTimeForBaud(baud);
        cs.Line = opt;
        cs.Line.Stats = stats;
        SerialHooks hooks;
        hooks.sleepMs = [](uint32_t ms) { SleepMs(ms > 100 ? 100 : ms); };   // a shorter settling
        channel = OpenSerialChannelWith(cs, host, hooks);
        ASSERT_TRUE(channel) << (host.Boxes().empty() ? "" : host.Boxes()[0].text);
    }

    // Reads `count` holding registers from `start` (the simulator holds a at a).
    uint8_t Read(uint16_t start, uint16_t count)
    {
        uint8_t req[16];
        const int len = BuildReadRequest(req, 1, FunctionCode::ReadHolding, start, count);
        trace.Reset();
        uint8_t st = channel->Exchange(req, len, trace);
        if (st != ST_OK)
            return st;
        st = CheckReplyFrame(trace.Frame(), trace.FrameLen, 1, FunctionCode::ReadHolding, count);
        for (int i = 0; st == ST_OK && i < count; ++i)
            if ((trace.Frame()[3 + 2 * i] << 8 | trace.Frame()[4 + 2 * i]) != start + i)
                st = ST_SIZE_REGCOUNT_MISMATCH;
        return st;
    }
};

SerialLineOptions Options(ReplyEnd end, EchoMode echo, uint32_t gapMs = 0)
{
    SerialLineOptions o;
    o.End = end;
    o.Echo = echo;
    o.RequestGapMs = gapMs;
    return o;
}

}   // namespace

// Echo off, on and auto, on a line that echoes and on one that does not:
// with the echo mode that fits (or auto) every read is good; echo on without
// an echo is "Echo mismatch"; echo off on an echoing line is never taken
// for a good reply.
TEST(SerialFieldLine, EchoModes)
{
    const struct {
        EchoMode mode;
        bool lineEchoes;
        bool good;
    } cases[] = {
        {EchoMode::On, true, true},   {EchoMode::On, false, false},  {EchoMode::Auto, true, true},
        {EchoMode::Auto, false, true}, {EchoMode::Off, false, true}, {EchoMode::Off, true, false},
    };
    for (ReplyEnd end : {ReplyEnd::Length, ReplyEnd::Gap}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(end == ReplyEnd::Length ? "length " : "gap ") + "mode " +
                         std::to_string(int(c.mode)) + (c.lineEchoes ? " echoing line" : " quiet line"));
            FieldLink link;
            std::vector<std::string> args{"--baud", "115200"};
            if (c.lineEchoes)
                args.push_back("--echo");
            link.Start(args, 115200, Options(end, c.mode, 5));
            for (uint16_t start : {0, 100, 7}) {
                const uint8_t st = link.Read(start, 10);
                if (c.good)
                    EXPECT_EQ(st, ST_OK) << start;
                else if (c.mode == EchoMode::On)
                    EXPECT_EQ(st, ST_ECHO_MISMATCH) << start;
                else
                    EXPECT_NE(st, ST_OK) << start;
            }
            EXPECT_EQ(link.stats->echoSeen, c.good && c.lineEchoes ? 3 : 0);
            EXPECT_EQ(link.stats->echoMismatches, c.mode == EchoMode::On && !c.lineEchoes ? 3 : 0);
        }
    }
    char buf[16];
    EXPECT_STREQ(StatusText(ST_ECHO_MISMATCH, buf), "Echo mismatch");
}

// Replies in pieces are joined: 1-byte pieces 1 ms apart at 115200 baud,
// and the pieces of a USB adapter (16 bytes every 16 ms), with either ending.
TEST(SerialFieldLine, RepliesInPiecesAreJoined)
{
    const struct {
        const char *chunk, *gapUs;
        uint16_t count;
    } cases[] = {{"1", "1000", 10}, {"1", "1000", 125}, {"16", "16000", 125}};
    for (ReplyEnd end : {ReplyEnd::Length, ReplyEnd::Gap}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.chunk) + " bytes every " + c.gapUs + " us, " + std::to_string(c.count));
            FieldLink link;
            link.Start({"--baud", "115200", "--chunk", c.chunk, "--chunk-gap-us", c.gapUs}, 115200,
                       Options(end, EchoMode::Off));
            EXPECT_EQ(link.Read(0, c.count), ST_OK);
            EXPECT_EQ(link.Read(200, c.count), ST_OK);
            EXPECT_EQ(link.stats->pausedReplies, 2);
            EXPECT_GE(link.stats->longestPauseUs, 900u);
        }
    }
}

// Bytes after a complete reply ended by its length are dropped before the
// next request and counted; each reply stays good. On a paced line the
// bytes are still coming when the reply ends: the request gap waits them out
// (10 ms, for a fake line that a busy machine may hold up).
TEST(SerialFieldLine, TrailingBytesAreDroppedAndCounted)
{
    const struct {
        std::vector<std::string> args;
        uint32_t gapMs;
    } cases[] = {{{"--trailing", "3"}, 0}, {{"--baud", "115200", "--trailing", "4"}, 10}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.back());
        FieldLink link;
        link.Start(c.args, 115200, Options(ReplyEnd::Length, EchoMode::Off, c.gapMs));
        for (uint16_t start = 0; start < 5; ++start)
            ASSERT_EQ(link.Read(start, 10), ST_OK) << start;
        link.Read(0, 1);   // takes in what the fifth reply left, and maybe its own
        const int each = std::atoi(c.args.back().c_str());
        EXPECT_GE(link.stats->leftoverBytes, 5 * each);
        EXPECT_LE(link.stats->leftoverBytes, 6 * each);
    }
}

// A reply later than the total time-out, or given twice, is still coming when
// the next request goes out; with length ending the line is back in step two
// exchanges later: a failed exchange, or bytes found before a request, make
// the next exchange wait for a quiet line and end its reply by the silence.
// A second copy that follows its reply closely can only be told apart with a
// request gap that outlasts it.
TEST(SerialFieldLine, LateRepliesDoNotPutTheLineOutOfStep)
{
    const struct {
        std::vector<std::string> fault;
        uint32_t gapMs;
    } cases[] = {{{"--delay", "1300"}, 0}, {{"--twice", "--twice-after", "2"}, 10}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault.back());
        FieldLink link;
        std::vector<std::string> args = {"--fault-count", "1"};
        args.insert(args.end(), c.fault.begin(), c.fault.end());
        link.Start({"--baud", "115200"}, 115200, Options(ReplyEnd::Length, EchoMode::Off, c.gapMs), args);
        link.Read(0, 10);
        link.Read(10, 10);
        for (uint16_t start = 20; start < 60; start += 10)
            EXPECT_EQ(link.Read(start, 10), ST_OK) << start;
    }
}

// An exception reply (5 bytes) ends at its length, long before the gap
// time-out would end it, and is handed on whole.
TEST(SerialFieldLine, ExceptionReplyEndsByLength)
{
    FieldLink link;
    link.Start({"--baud", "115200"}, 115200, Options(ReplyEnd::Length, EchoMode::Auto), {"--exception", "2"});
    for (int i = 0; i < 3; ++i) {
        uint8_t req[16];
        const int len = BuildReadRequest(req, 1, FunctionCode::ReadHolding, 0, 10);
        link.trace.Reset();
        const uint64_t t0 = PerfCounter();
        ASSERT_EQ(link.channel->Exchange(req, len, link.trace), ST_OK);
        EXPECT_LT(PerfCounter() - t0, 15000u);   // the gap alone would take 30 ms
        ASSERT_EQ(link.trace.FrameLen, 3);
        EXPECT_EQ(link.trace.Frame()[1], 0x83);
        EXPECT_EQ(link.trace.Frame()[2], 2);
        EXPECT_EQ(link.trace.ReplyLen, 5);
    }
}

// The transmitter delays before and after sending, measured between the
// recorded line changes: within 200 us of what was asked.
TEST(SerialFieldLine, TurnAroundDelaysAsAsked)
{
    const struct {
        int before, after;
    } cases[] = {{0, 0}, {500, 300}, {3000, 1200}, {150, 8000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " / " + std::to_string(c.after));
        auto rec = std::make_shared<PortRecord>();
        ChannelSettings cs;
        cs.Kind = ConnKind::Serial;
        cs.ComPortName = "COM2";
        cs.BaudRate = 19200;
        cs.RS485Control = true;
        cs.CharTime = CharTimeForBaud(19200);
        cs.Line.TxDelayBeforeUs = c.before;
        cs.Line.TxDelayAfterUs = c.after;
        SerialHooks hooks;
        hooks.makePort = [rec] { return std::make_unique<RecordingCommPort>(rec); };
        hooks.sleepMs = [](uint32_t) {};
        TestHost host;
        auto channel = OpenSerialChannelWith(cs, host, hooks);
        ASSERT_TRUE(channel);
        // A busy machine can only make a wait longer: the shortest of nine
        // exchanges is the wait itself.
        std::vector<int64_t> before, after;
        for (int i = 0; i < 9; ++i) {
            rec->Clear();
            ExchangeFrames trace;
            const uint8_t req[] = {1, 3, 0, 0, 0, 1};
            std::vector<uint8_t> reply = {1, 3, 2, 0, 0};
            const uint16_t crc = ModbusCrc16(reply.data(), reply.size());
            reply.push_back(uint8_t(crc));
            reply.push_back(uint8_t(crc >> 8));
            rec->replies.push_back({reply, 0});
            EXPECT_EQ(channel->Exchange(req, 6, trace), ST_OK);
            before.push_back(rec->UsBetween("rts 1", "write 8"));
            after.push_back(rec->UsBetween("drain", "rts 0"));
        }
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_NEAR(double(before[0]), c.before, 200);
        EXPECT_NEAR(double(after[0]), c.after, 200);
    }
}

// Long runs: 10,000 reads with echo on an echoing line that delivers replies
// in pieces, at 9600 and at 115200 baud, without one error. The count can be
// lowered through TARVIX_LONG_RUN_COUNT for a quick look.
TEST(SerialFieldLineLong, TenThousandExchanges)
{
    const char *baud = std::getenv("TARVIX_LONG_RUN_BAUD");
    const char *count = std::getenv("TARVIX_LONG_RUN_COUNT");
    const int rate = baud ? std::atoi(baud) : 115200;
    const int rounds = count ? std::atoi(count) : 10000;
    FieldLink link;
    link.Start({"--baud", std::to_string(rate), "--echo", "--chunk", "3", "--chunk-gap-us", "900"}, rate,
               Options(ReplyEnd::Length, EchoMode::Auto), {}, rate >= 19200 ? 120 : 400);
    int errors = 0;
    for (int i = 0; i < rounds; ++i) {
        const uint8_t st = link.Read(static_cast<uint16_t>(i % 64), 2);
        if (st != ST_OK && ++errors <= 5) {
            char text[16];
            ADD_FAILURE() << "exchange " << i << ": " << StatusText(st, text) << ", " << link.trace.ReplyLen
                          << " bytes";
        }
    }
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(link.stats->echoSeen, rounds);
    EXPECT_EQ(link.stats->leftoverBytes, 0);
}
