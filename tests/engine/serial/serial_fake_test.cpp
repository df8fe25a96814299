// The serial channel over the recording port: the line-control sequence of
// every RS-485 / DTR combination, the timing tables, line errors, short
// writes and the open failures that need no device.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "engine/Modbus_thread_unit.h"
#include "engine/modbus_frames.h"
#include "engine/serial_channel.h"
#include "platform/recording_comm_port.h"
#include "platform/ticks.h"
#include "tests/engine/serial/test_host.h"

namespace {

// A reply frame with its CRC appended.
std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame)
{
    uint16_t crc = ModbusCrc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

struct FakeSerial {
    ExchangeRecord rec;
    TestHost host;
    std::shared_ptr<PortRecord> port = std::make_shared<PortRecord>();
    bool portMade = false;

    FakeSerial(uint8_t rs485, uint8_t dtrAlwaysOn, int baud = 9600)
    {
        rec.Conn.Kind = ConnKind::Serial;
        rec.Conn.ComPortName = "COM2";
        rec.Conn.BaudRate = baud;
        rec.Conn.EvenParity = 1;
        rec.Conn.RS485Control = rs485;
        rec.Conn.DTRAlwaysOn = dtrAlwaysOn;
        rec.Conn.CharTime = CharTimeForBaud(baud);
        rec.SlaveAddr = 1;
    }

    std::unique_ptr<Channel> Open()
    {
        SerialHooks hooks;
        hooks.makePort = [this] {
            portMade = true;
            return std::make_unique<RecordingCommPort>(port);
        };
        hooks.sleepMs = [this](uint32_t ms) { port->Note("sleep " + std::to_string(ms)); };
        hooks.waitTicks = [this](uint32_t t) { port->Note("ticks " + std::to_string(t)); };
        return OpenSerialChannelWith(rec.Conn, host, hooks);
    }
};

const uint8_t kRead10[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};

std::vector<uint8_t> GoodReadReply()
{
    std::vector<uint8_t> f = {0x01, 0x03, 20};
    for (int i = 0; i < 10; ++i) {
        f.push_back(0x12);
        f.push_back(static_cast<uint8_t>(i));
    }
    return WithCrc(f);
}

}   // namespace

TEST(SerialTiming, IntervalTimeoutAndCharTimeByBaud)
{
    const struct {
        int baud;
        uint32_t interval;
    } intervals[] = {{300, 100}, {1200, 100}, {1201, 80}, {2400, 80},  {2401, 50},  {4800, 50},
                     {4801, 40}, {9600, 40},  {9601, 30}, {14400, 30}, {115200, 30}};
    for (const auto &c : intervals)
        EXPECT_EQ(IntervalTimeoutForBaud(c.baud), c.interval) << c.baud;

    const struct {
        int baud;
        int32_t ticks;
    } charTimes[] = {{115200, 130}, {9600, 1560}, {1200, 12480}, {14400, 1040}, {0, 0}, {-9600, 0}};
    for (const auto &c : charTimes)
        EXPECT_EQ(CharTimeForBaud(c.baud), c.ticks) << c.baud;
}

TEST(SerialTiming, WaitPerfTicksWaitsAtLeastTheTicks)
{
    for (uint32_t ticks : {0u, 130u, 1560u, 12480u}) {
        uint64_t t0 = PerfCounter();
        WaitPerfTicks(ticks);
        uint64_t spent = PerfCounter() - t0;
        EXPECT_GE(spent, ticks);
        EXPECT_LT(spent, ticks + 200000u);   // a busy-wait, not a lost wrap
    }
}

// Every combination of RS485Control and DTRAlwaysOn: the calls of opening, of
// two exchanges and of closing, in order, and the lines between them.
TEST(SerialLineStates, AllFourCombinations)
{
    const struct {
        uint8_t rs485, dtrOn;
        const char *open;
        bool dtrAfterOpen;
        const char *exchange;
        bool dtrBetween, rtsBetween;
    } cases[] = {
        {0, 0, "open /dev/ttyS1, line 9600 even, timeouts 40 1000, sleep 500", false, "write 8, flush, read, errors",
         false, false},
        {0, 1, "open /dev/ttyS1, line 9600 even, timeouts 40 1000, dtr 1, sleep 500", true,
         "write 8, flush, read, errors", true, false},
        {1, 0, "open /dev/ttyS1, line 9600 even, timeouts 40 1000, sleep 500", false,
         "rts 1, dtr 1, sleep 20, write 8, flush, drain, ticks 1560, sleep 10, dtr 0, rts 0, read, errors", false,
         false},
        {1, 1, "open /dev/ttyS1, line 9600 even, timeouts 40 1000, dtr 1, sleep 500", true,
         "rts 1, dtr 1, sleep 20, write 8, flush, drain, ticks 1560, sleep 10, dtr 0, read, errors", false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("RS485Control " + std::to_string(c.rs485) + " DTRAlwaysOn " + std::to_string(c.dtrOn));
        FakeSerial s(c.rs485, c.dtrOn);
        s.port->replies.push_back({GoodReadReply(), 0});
        s.port->replies.push_back({GoodReadReply(), 0});
        auto ch = s.Open();
        ASSERT_TRUE(ch);
        EXPECT_EQ(s.port->Joined(), c.open);
        EXPECT_EQ(s.port->dtr, c.dtrAfterOpen);
        EXPECT_FALSE(s.port->rts);

        for (int i = 0; i < 2; ++i) {
            s.port->Clear();
            ExchangeFrames reply;
            EXPECT_EQ(ch->Exchange(kRead10, sizeof kRead10, reply), ST_OK);
            EXPECT_EQ(s.port->Joined(), c.exchange);
            EXPECT_EQ(s.port->dtr, c.dtrBetween);
            EXPECT_EQ(s.port->rts, c.rtsBetween);
        }

        s.port->Clear();
        ch->Close();
        EXPECT_EQ(s.port->Joined(), "dtr 0, rts 0, close");
        EXPECT_FALSE(s.port->dtr);
        EXPECT_FALSE(s.port->rts);
        EXPECT_FALSE(s.port->open);
        s.port->Clear();
        ch.reset();   // a closed channel is not closed twice
        EXPECT_EQ(s.port->Joined(), "");
    }
}

TEST(SerialExchange, FramesAndCopiesRequestAndReply)
{
    FakeSerial s(0, 0);
    const std::vector<uint8_t> good = GoodReadReply();
    s.port->replies.push_back({good, 0});
    auto ch = s.Open();
    ASSERT_TRUE(ch);
    ExchangeFrames reply;
    ASSERT_EQ(ch->Exchange(kRead10, sizeof kRead10, reply), ST_OK);
    const std::vector<uint8_t> framed = WithCrc({kRead10, kRead10 + sizeof kRead10});
    EXPECT_EQ(s.port->written, framed);
    ASSERT_EQ(reply.ReqLen, 8);
    EXPECT_EQ(std::vector<uint8_t>(reply.ReqFrame, reply.ReqFrame + 8), framed);
    ASSERT_EQ(reply.ReplyLen, static_cast<int>(good.size()));
    EXPECT_EQ(std::vector<uint8_t>(reply.ReplyFrame, reply.ReplyFrame + good.size()), good);
    EXPECT_EQ(reply.Frame(), reply.ReplyFrame);
    EXPECT_EQ(reply.FrameLen, 23);

    // Nothing came: 255 and an empty reply copy.
    reply.Reset();
    ASSERT_EQ(ch->Exchange(kRead10, sizeof kRead10, reply), ST_NO_REPLY);
    EXPECT_EQ(reply.ReplyLen, 0);
    EXPECT_EQ(reply.Frame(), nullptr);
}

// Frame or parity errors during a reply with the right address give 240,
// whether its CRC is right or wrong; a wrong address still gives 253.
TEST(SerialExchange, LineErrorsGive240ForTheRightAddress)
{
    std::vector<uint8_t> badCrc = GoodReadReply();
    badCrc.back() ^= 0x5A;
    std::vector<uint8_t> otherAddr = GoodReadReply();
    otherAddr[0] = 7;
    const struct {
        std::vector<uint8_t> bytes;
        uint32_t errors;
        uint8_t status;
    } cases[] = {
        {GoodReadReply(), LINE_ERR_FRAME, ST_COM_LINE_ERRORS},
        {GoodReadReply(), LINE_ERR_PARITY, ST_COM_LINE_ERRORS},
        {badCrc, LINE_ERR_FRAME | LINE_ERR_OVERRUN, ST_COM_LINE_ERRORS},
        {badCrc, 0, ST_COM_CRC_WRONG},
        {otherAddr, LINE_ERR_PARITY, ST_COM_SIZE_ADDR_ERROR},
        {GoodReadReply(), 0, ST_OK},   // the errors were taken and cleared
    };
    FakeSerial s(1, 0);
    for (const auto &c : cases)
        s.port->replies.push_back({c.bytes, c.errors});
    auto ch = s.Open();
    ASSERT_TRUE(ch);
    int i = 0;
    for (const auto &c : cases) {
        ExchangeFrames reply;
        EXPECT_EQ(ch->Exchange(kRead10, sizeof kRead10, reply), c.status) << "case " << i++;
    }
}

// A short write skips the flush and the turn-around wait, but the lines are
// still dropped and the reply still read.
TEST(SerialExchange, ShortWriteSkipsFlushAndTurnAround)
{
    FakeSerial s(1, 0);
    s.port->shortWrite = 3;
    s.port->replies.push_back({GoodReadReply(), 0});
    auto ch = s.Open();
    ASSERT_TRUE(ch);
    s.port->Clear();
    ExchangeFrames reply;
    EXPECT_EQ(ch->Exchange(kRead10, sizeof kRead10, reply), ST_OK);
    EXPECT_EQ(s.port->Joined(), "rts 1, dtr 1, sleep 20, write 3, dtr 0, rts 0, read, errors");
    EXPECT_EQ(reply.ReqLen, 8);
}

TEST(SerialOpen, FailuresShowTheOpenErrorBox)
{
    const std::string tooLong(kSerialPathSize - 5, 'x');   // "/dev/" and this do not fit PATH_MAX
    const struct {
        std::string name;
        int baud;
        int openError, lineError;
        std::string text;
        bool portMade;
    } cases[] = {
        {"COM3", 9600, EACCES, 0, "Ошибка открытия порта 'COM3' : Permission denied", true},
        {"ttyUSB0", 9600, ENOENT, 0, "Ошибка открытия порта 'ttyUSB0' : No such file or directory", true},
        {tooLong, 9600, 0, 0, "Ошибка открытия порта '" + tooLong + "' : File name too long", false},
        {"COM1", 0, 0, 0, "Ошибка открытия порта 'COM1' : Invalid argument (baud rate 0)", false},
        {"COM1", 14400, 0, EINVAL, "Ошибка открытия порта 'COM1' : Invalid argument (baud rate 14400)", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        FakeSerial s(1, 1, c.baud);
        s.rec.Conn.ComPortName = c.name;
        s.port->openError = c.openError;
        s.port->lineError = c.lineError;
        EXPECT_EQ(s.Open(), nullptr);
        std::vector<ShownBox> boxes = s.host.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, "Tarvix");
        EXPECT_EQ(boxes[0].flags, 48);
        EXPECT_EQ(s.portMade, c.portMade);
        EXPECT_FALSE(s.port->open);
        EXPECT_FALSE(s.port->dtr);   // no line was raised on the way out
    }
}
