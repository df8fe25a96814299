// Starting and stopping the exchange thread over and over: against a live
// slave, a refusing port, and with a stop at every stage of the thread's
// life. Run under the sanitizers, these catch races, leaks and a thread that
// outlives its register image.

#include <gtest/gtest.h>

#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"

namespace {

TEST(StartStop, HundredTimesAgainstLiveSlaves)
{
    const std::string path = SlavePath();
    PeerProcess tcp, udp;
    ASSERT_TRUE(tcp.Start(path, {"--tcp", "0", "--seconds", "300"}));
    ASSERT_TRUE(udp.Start(path, {"--udp", "0", "--seconds", "300"}));
    ExchangeRecord rec;
    RecordingHost host(rec);
    int polled = 0;
    for (int i = 0; i < 100; ++i) {
        FillNetRecord(rec, i % 5 == 4, i % 5 == 4 ? udp.Port() : tcp.Port(), false, static_cast<uint16_t>(i), 8,
                      i % 2 ? 0 : 20);
        host.shots.clear();
        StartExchange(rec, host);
        // Stop at different moments: at once, after the first Display, or
        // after some good reads.
        if (i % 3 == 1)
            host.ServeUntil([&] { return !host.shots.empty(); }, 5000);
        else if (i % 3 == 2)
            polled += host.ServeUntil([&] { return host.shots.size() >= 3 && host.shots.back().valid; }, 5000);
        if (i % 10 == 9)
            StartExchange(rec, host);   // a new start ends the running thread first
        StopExchange(rec, host);
        ASSERT_EQ(rec.Thread, nullptr);
        ASSERT_EQ(rec.RegValues, nullptr);
    }
    EXPECT_EQ(polled, 33);
}

TEST(StartStop, HundredTimesAgainstARefusingPort)
{
    const int port = RefusingPort();
    ExchangeRecord rec;
    RecordingHost host(rec);
    for (int i = 0; i < 100; ++i) {
        FillNetRecord(rec, 0, port, false, 0, 4, 0);
        host.boxes.clear();
        StartExchange(rec, host);
        if (i % 2) {
            ASSERT_TRUE(host.ServeUntil([&] { return rec.Thread->Finished(); }, 5000));
        }
        StopExchange(rec, host);
        ASSERT_EQ(rec.Thread, nullptr);
        if (i % 2) {
            ASSERT_EQ(host.boxes.size(), 1u);
        }
    }
}

}   // namespace
