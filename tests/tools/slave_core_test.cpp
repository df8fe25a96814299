// The simulator's answers and fault plan, without sockets.
#include "tests/tools/hex_text.h"
#include "tools/slave/slave_core.h"

#include <gtest/gtest.h>

using namespace slave;
using std::chrono::milliseconds;

namespace {

Options Parse(std::vector<std::string> args, bool expectOk = true)
{
    args.insert(args.begin(), "tarvix-slave");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    Options o;
    std::string err;
    bool help = false;
    EXPECT_EQ(ParseOptions(int(argv.size()), argv.data(), o, err, help), expectOk) << err;
    return o;
}

const Clock::time_point t0{};

TEST(SlaveOptions, AcceptsTheDocumentedForms)
{
    Options o = Parse({"--udp", "0", "--modbus-ip", "--slave", "17", "--seconds", "2.5", "--fault-from", "3",
                       "--fault-count", "2", "--delay", "40", "--exception", "4"});
    EXPECT_EQ(o.transport, Transport::Udp);
    EXPECT_TRUE(o.crcFraming);
    EXPECT_EQ(o.slave, 17);
    EXPECT_DOUBLE_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.faultFrom, 3);
    EXPECT_EQ(o.faultCount, 2);
    EXPECT_EQ(o.exceptionCode, 4);
    // The serial line always uses the CRC framing.
    EXPECT_TRUE(Parse({"--rtu-pty"}).crcFraming);
    EXPECT_FALSE(Parse({"--tcp", "502"}).crcFraming);
}

TEST(SlaveOptions, RefusesBadArguments)
{
    for (auto args : std::vector<std::vector<std::string>>{{},
                                                           {"--tcp"},
                                                           {"--tcp", "65536"},
                                                           {"--tcp", "1", "--udp", "2"},
                                                           {"--tcp", "x"},
                                                           {"--tcp", "0", "--slave", "0"},
                                                           {"--tcp", "0", "--seconds", "0"},
                                                           {"--tcp", "0", "--parity", "odd"},
                                                           {"--tcp", "0", "--delay", "-1"},
                                                           {"--tcp", "0", "--bogus"},
                                                           {"--rtu"}})
        Parse(args, false);
}

struct AnswerCase {
    const char *name;
    const char *request;
    const char *reply;   // "" for none
};

TEST(SlaveAnswers, Table)
{
    Options o;
    const AnswerCase cases[] = {
        {"read holding", "01 03 00 0A 00 02", "01 03 04 00 0A 00 0B"},
        {"read wraps past 65535", "01 03 FF FE 00 03", "01 03 06 FF FE FF FF 00 00"},
        {"input register at start", "01 04 00 05 00 01", "01 04 02 00 05"},
        {"no registers", "01 03 00 00 00 00", "01 83 03"},
        {"1025 registers", "01 03 00 00 04 01", "01 83 03"},
        {"read of wrong length", "01 03 00 00 00", "01 83 03"},
        {"write single", "01 06 00 07 BE EF", "01 06 00 07 BE EF"},
        {"write multiple", "01 10 FF FF 00 02 04 12 34 56 78", "01 10 FF FF 00 02"},
        {"write multiple, byte count wrong", "01 10 00 00 00 02 03 12 34 56 78", "01 90 03"},
        {"unknown function", "01 2B 0E 01 00", "01 AB 01"},
        {"another slave", "02 03 00 00 00 01", ""},
        {"no function code", "01", ""},
    };
    RegisterBank bank(t0);
    for (const auto &c : cases) {
        const auto req = Bytes(c.request);
        const auto r = AnswerFrame(bank, o, false, req.data(), req.size(), t0);
        EXPECT_EQ(r ? Hex(*r) : "", c.reply) << c.name;
    }
    // The writes above landed, the multiple one across the wrap.
    EXPECT_EQ(bank.Holding(7), 0xBEEF);
    EXPECT_EQ(bank.Holding(0xFFFF), 0x1234);
    EXPECT_EQ(bank.Holding(0), 0x5678);
}

TEST(SlaveAnswers, BitTable)
{
    Options o;
    const AnswerCase cases[] = {
        {"discrete inputs n mod 2", "01 02 00 03 00 0A", "01 02 02 55 01"},
        {"coils off at the start", "01 01 00 00 00 09", "01 01 02 00 00"},
        {"write coil on", "01 05 00 02 FF 00", "01 05 00 02 FF 00"},
        {"write coil, value neither on nor off", "01 05 00 02 12 34", "01 85 03"},
        {"write coils", "01 0F 00 08 00 0A 02 CD 01", "01 0F 00 08 00 0A"},
        {"coils read back, padding zero", "01 01 00 00 00 12", "01 01 03 04 CD 01"},
        {"last coil", "01 01 27 0F 00 01", "01 01 01 00"},
        {"past the last coil", "01 01 27 0F 00 02", "01 81 02"},
        {"write past the last coil", "01 05 27 10 FF 00", "01 85 02"},
        {"2001 bits", "01 02 00 00 07 D1", "01 82 03"},
        {"no bits", "01 01 00 00 00 00", "01 81 03"},
        {"write coils, byte count wrong", "01 0F 00 00 00 09 01 FF 01", "01 8F 03"},
        {"1969 coils", "01 0F 00 00 07 B1 F7", "01 8F 03"},
    };
    RegisterBank bank(t0);
    for (const auto &c : cases) {
        const auto req = Bytes(c.request);
        const auto r = AnswerFrame(bank, o, false, req.data(), req.size(), t0);
        EXPECT_EQ(r ? Hex(*r) : "", c.reply) << c.name;
    }
    // Faults apply to bits as to registers.
    o.shortRead = true;
    o.refuseWritesCode = 4;
    for (const AnswerCase &c : {AnswerCase{"short read of bits", "01 02 00 00 00 10", "01 02 01 AA"},
                                AnswerCase{"refused coil write", "01 05 00 00 FF 00", "01 85 04"},
                                AnswerCase{"refused coils write", "01 0F 00 00 00 01 01 01", "01 8F 04"}}) {
        const auto req = Bytes(c.request);
        const auto r = AnswerFrame(bank, o, true, req.data(), req.size(), t0);
        EXPECT_EQ(r ? Hex(*r) : "", c.reply) << c.name;
    }
    EXPECT_FALSE(bank.Coil(0));
}

TEST(SlaveAnswers, LargestReadAndClockDrivenInputs)
{
    Options o;
    RegisterBank bank(t0);
    const auto req = Bytes("01 04 FF 00 04 00");
    const auto r = AnswerFrame(bank, o, false, req.data(), req.size(), t0 + milliseconds(1234));
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 3u + 2048u);
    EXPECT_EQ((*r)[2], 0x00);   // 2048 kept to its low byte
    // Input a reads a + 12 tenths: 0xFF00 + 12, and the last one wraps to 0x02FF + 12.
    EXPECT_EQ((*r)[3] << 8 | (*r)[4], 0xFF0C);
    EXPECT_EQ((*r)[2049] << 8 | (*r)[2050], 0x030B);
}

TEST(SlaveAnswers, AnimateCountsEveryWholeSecondOnce)
{
    RegisterBank bank(t0);
    bank.Animate(t0 + milliseconds(999));
    EXPECT_EQ(bank.Holding(3), 3);
    bank.Animate(t0 + milliseconds(3500));
    bank.Animate(t0 + milliseconds(3900));
    EXPECT_EQ(bank.Holding(3), 6);
    EXPECT_EQ(bank.Holding(15), 18);
    EXPECT_EQ(bank.Holding(16), 16);
    // Coils 0..15 toggled three times, coil 16 left alone.
    EXPECT_TRUE(bank.Coil(15));
    EXPECT_FALSE(bank.Coil(16));
    bank.Animate(t0 + milliseconds(4000));
    EXPECT_FALSE(bank.Coil(0));
}

// Runs requests through a Slave and returns the wire bytes of each reply
// chunk as "after:hex", replies separated by " | ".
std::string Replies(const std::vector<std::string> &args, Link link, int requests,
                    const char *request = "01 03 00 00 00 02", uint16_t tid = 0x0102)
{
    Options o = Parse(args);
    Slave s(o, t0, nullptr);
    const auto req = Bytes(request);
    std::string out;
    for (int i = 0; i < requests; ++i) {
        if (i)
            out += " | ";
        auto r = s.Handle(req.data(), req.size(), link, tid, t0);
        if (!r) {
            out += "none";
            continue;
        }
        for (size_t k = 0; k < r->chunks.size(); ++k)
            out += (k ? " / " : "") + std::to_string(r->chunks[k].afterMs) + ":" + Hex(r->chunks[k].bytes);
        if (r->fromOtherPort)
            out += " (other port)";
    }
    return out;
}

TEST(SlaveFaults, FramingsAndTheirFaults)
{
    const struct {
        std::vector<std::string> args;
        Link link;
        const char *wire;
    } cases[] = {
        {{"--tcp", "0"}, Link::Tcp, "0:01 02 00 00 00 07 01 03 04 00 00 00 01"},
        {{"--tcp", "0", "--bad-tid"}, Link::Tcp, "0:00 01 00 00 00 07 01 03 04 00 00 00 01"},
        {{"--tcp", "0", "--bad-proto"}, Link::Tcp, "0:01 02 00 01 00 07 01 03 04 00 00 00 01"},
        {{"--tcp", "0", "--bad-length"}, Link::Tcp, "0:01 02 00 00 00 08 01 03 04 00 00 00 01"},
        {{"--udp", "0", "--modbus-ip"}, Link::Udp, "0:01 03 04 00 00 00 01 3B F3"},
        {{"--udp", "0", "--modbus-ip", "--bad-crc"}, Link::Udp, "0:01 03 04 00 00 00 01 C4 0C"},
        {{"--rtu-pty", "--extra-byte"}, Link::Serial, "0:01 03 04 00 00 00 01 3B F3 00"},
        {{"--tcp", "0", "--short-read"}, Link::Tcp, "0:01 02 00 00 00 05 01 03 02 00 00"},
        {{"--tcp", "0", "--delay", "250", "--split", "30"},
         Link::Tcp,
         "250:01 02 00 00 00 07 / 280:01 03 04 00 00 00 01"},
        {{"--rtu-pty", "--gap", "70"}, Link::Serial, "0:01 03 04 00 / 70:00 00 01 3B F3"},
        {{"--rtu-pty", "--twice", "--twice-after", "40"},
         Link::Serial,
         "0:01 03 04 00 00 00 01 3B F3 / 40:01 03 04 00 00 00 01 3B F3"},
        {{"--udp", "0", "--udp-other-port"}, Link::Udp, "0:01 02 00 00 00 07 01 03 04 00 00 00 01 (other port)"},
        // Faults of other links change nothing.
        {{"--tcp", "0", "--twice", "--gap", "5", "--extra-byte", "--bad-crc", "--udp-other-port"},
         Link::Tcp,
         "0:01 02 00 00 00 07 01 03 04 00 00 00 01"},
        {{"--udp", "0", "--split", "5"}, Link::Udp, "0:01 02 00 00 00 07 01 03 04 00 00 00 01"},
        {{"--tcp", "0", "--drop"}, Link::Tcp, "none"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Replies(c.args, c.link, 1), c.wire) << c.args[c.args.size() - 1];
}

TEST(SlaveFaults, NarrowedToARangeOfReplies)
{
    // Replies 2 and 3 are dropped; 1 and 4 go out.
    EXPECT_EQ(Replies({"--rtu-pty", "--drop", "--fault-from", "2", "--fault-count", "2"}, Link::Serial, 4,
                      "01 06 00 01 00 02"),
              "0:01 06 00 01 00 02 59 CB | none | none | 0:01 06 00 01 00 02 59 CB");
    // Writes refused from the second on; reads are untouched.
    EXPECT_EQ(Replies({"--rtu-pty", "--refuse-writes", "4", "--fault-from", "2"}, Link::Serial, 3, "01 06 00 01 00 02"),
              "0:01 06 00 01 00 02 59 CB | 0:01 86 04 43 A3 | 0:01 86 04 43 A3");
    EXPECT_EQ(Replies({"--rtu-pty", "--refuse-writes", "4"}, Link::Serial, 1, "01 03 00 01 00 01"),
              "0:01 03 02 00 01 79 84");
    EXPECT_EQ(Replies({"--tcp", "0", "--exception", "6", "--fault-count", "1"}, Link::Tcp, 2, "01 03 00 01 00 01"),
              "0:01 02 00 00 00 03 01 83 06 | 0:01 02 00 00 00 05 01 03 02 00 01");
}

TEST(SlaveFaults, RefusedAndDroppedRequestsAreNotApplied)
{
    Options o = Parse({"--tcp", "0", "--exception", "4", "--fault-count", "1"});
    Slave s(o, t0, nullptr);
    const auto write = Bytes("01 06 00 09 AA AA");
    const auto other = Bytes("05 06 00 09 BB BB");
    s.Handle(write.data(), write.size(), Link::Tcp, 0, t0);
    EXPECT_EQ(s.Bank().Holding(9), 9);
    // Another address neither counts nor writes.
    EXPECT_FALSE(s.Handle(other.data(), other.size(), Link::Tcp, 0, t0));
    EXPECT_EQ(s.Numbered(), 1);
    s.Handle(write.data(), write.size(), Link::Tcp, 0, t0);
    EXPECT_EQ(s.Bank().Holding(9), 0xAAAA);
}

TEST(SlaveCollector, FindsRequestEndsByLengthOrPause)
{
    CrcCollector c(10);
    std::vector<uint8_t> f;
    // A read, then a write of two registers arriving in pieces, then an unknown
    // function ended by the pause.
    const auto stream = Bytes("01 03 00 00 00 01 84 0A  01 10 00 01 00 02 04 0D 0A 0A 0D D7 A8  01 2B 0E 01 00 70 77");
    c.Feed(stream.data(), 5, t0);
    EXPECT_FALSE(c.Next(t0, f));
    c.Feed(stream.data() + 5, 10, t0);
    ASSERT_TRUE(c.Next(t0, f));
    EXPECT_EQ(Hex(f), "01 03 00 00 00 01");
    EXPECT_FALSE(c.Next(t0, f));   // 7 of 13 bytes of the write
    c.Feed(stream.data() + 15, stream.size() - 15, t0);
    ASSERT_TRUE(c.Next(t0, f));
    EXPECT_EQ(Hex(f), "01 10 00 01 00 02 04 0D 0A 0A 0D");
    EXPECT_FALSE(c.Next(t0 + milliseconds(9), f));
    ASSERT_TRUE(c.Next(t0 + milliseconds(10), f));
    EXPECT_EQ(Hex(f), "01 2B 0E 01 00");
    EXPECT_FALSE(c.Deadline());
}

TEST(SlaveCollector, DropsBadCrcAndWhatFollowsIt)
{
    CrcCollector c(10);
    std::vector<uint8_t> f;
    const auto bad = Bytes("01 03 00 00 00 01 84 0B 01 03");
    c.Feed(bad.data(), bad.size(), t0);
    EXPECT_FALSE(c.Next(t0, f));
    EXPECT_EQ(c.Pending(), 0u);
    // A torn request is thrown away once the pause shows it will not grow.
    const auto torn = Bytes("01 03 00 00");
    c.Feed(torn.data(), torn.size(), t0);
    EXPECT_FALSE(c.Next(t0 + milliseconds(20), f));
    EXPECT_EQ(c.Pending(), 0u);
}

}   // namespace
