// The engine against a slave built on libmodbus, over TCP with the header
// framing: what the engine reads and writes is what that slave holds.

#include <gtest/gtest.h>

#include "engine/modbus_frames.h"
#include "tests/engine/engine_test_support.h"

namespace {

class Interop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Start(PeerPath(), {"--tcp", "0", "--seconds", "120"}));
        ASSERT_GT(peer.Port(), 0) << peer.FirstLine();
    }

    // Reads `count` registers from `start` with `cmd` and returns the image
    // of the first good read (after `write`, when one is given).
    std::vector<uint16_t> Read(uint8_t cmd, uint16_t start, uint16_t count,
                               std::function<void(ExchangeRecord &)> write = {})
    {
        ExchangeRecord rec;
        RecordingHost host(rec);
        FillNetRecord(rec, 0, peer.Port(), false, start, count, 0);
        rec.ReadCmd = static_cast<FunctionCode>(cmd);
        bool written = !write;
        std::vector<uint16_t> values;
        host.onDisplay = [&](const Shot &s) {
            if (!s.valid || s.status != ST_OK)
                return;
            if (!written) {
                write(rec);
                written = true;
                rec.UpdatePeriod = 0;
            } else if (values.empty() && rec.WriteTries.load() == 0) {
                values = s.values;
            }
        };
        StartExchange(rec, host);
        host.ServeUntil([&] { return !values.empty(); });
        StopExchange(rec, host);
        for (const auto &s : host.shots)
            EXPECT_TRUE(s.status == ST_OK) << int(s.status);
        return values;
    }

    PeerProcess peer;
};

std::vector<uint16_t> Holding(uint16_t start, int count)
{
    std::vector<uint16_t> v;
    for (int a = start; a < start + count; ++a)
        v.push_back(static_cast<uint16_t>((a * 7 + 3) & 0xFFFF));
    return v;
}

TEST_F(Interop, ReadsOf1_10_125Registers)
{
    for (const auto &[start, count] : {std::pair<uint16_t, uint16_t>{0, 1}, {1000, 10}, {60000, 125}}) {
        SCOPED_TRACE(count);
        EXPECT_EQ(Read(3, start, count), Holding(start, count));
        std::vector<uint16_t> input;
        for (int a = start; a < start + count; ++a)
            input.push_back(static_cast<uint16_t>(a ^ 0x5A5A));
        EXPECT_EQ(Read(4, start, count), input);
    }
}

TEST_F(Interop, WritesWithFunction6And16)
{
    auto expected = Holding(200, 10);
    expected[2] = 0xBEEF;
    EXPECT_EQ(Read(3, 200, 10, [](ExchangeRecord &r) { HandOverWrite(r, 202, {0xBEEF}, false); }), expected);

    expected[5] = 0x0102;
    expected[6] = 0xFFFE;
    expected[7] = 0x0000;
    EXPECT_EQ(Read(3, 200, 10,
                   [](ExchangeRecord &r) {
                       HandOverWrite(r, 205, {0x0102, 0xFFFE, 0x0000}, false);
                   }),
              expected);

    expected[9] = 0x5A5A;   // a single register with function 16
    EXPECT_EQ(Read(3, 200, 10, [](ExchangeRecord &r) { HandOverWrite(r, 209, {0x5A5A}, true); }), expected);

    std::vector<uint16_t> eight{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Read(3, 300, 8, [&](ExchangeRecord &r) { HandOverWrite(r, 300, eight, true); }), eight);
}

}   // namespace
