// tarvix-poll as scripts use it: its output lines and exit codes.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/engine/engine_test_support.h"
#include "tests/support/shell_run.h"

namespace {

using RunResult = ShellResult;

RunResult RunPoll(const std::string &args)
{
    return RunShell(PollPath() + " " + args, 20);
}

TEST(Poll, LinesWriteAndExitCodes)
{
    const std::string slavePath = SlavePath();
    PeerProcess slave;
    ASSERT_TRUE(slave.Start(slavePath, {"--tcp", "0", "--seconds", "60"}));
    const std::string addr = "127.0.0.1:" + std::to_string(slave.Port());

    RunResult r = RunPoll("--tcp " + addr + " --start 16 --count 3 --period 0 --cycles 3 --write 17=abcd");
    EXPECT_EQ(r.code, 0);
    // Every line is an exchange: the Display before the open prints nothing.
    ASSERT_EQ(r.out.size(), 3u);
    EXPECT_EQ(r.out[0], "1\tOK\t0\t00 00 00 00 00 06 01 03 00 10 00 03\t"
                        "00 00 00 00 00 09 01 03 06 00 10 00 11 00 12\t0010 0011 0012");
    // The write follows the first good read; the read after it shows the value.
    EXPECT_EQ(r.out[1], "3\tOK\t0\t00 00 00 00 00 06 01 03 00 10 00 03\t"
                        "00 00 00 00 00 09 01 03 06 00 10 AB CD 00 12\t0010 ABCD 0012");
    EXPECT_EQ(r.out[2].rfind("4\tOK\t0\t", 0), 0u);
    EXPECT_EQ(r.err, "TCP: Connected to " + addr + " OK !\n");

    r = RunPoll("--tcp 127.0.0.1:" + std::to_string(RefusingPort()) + " --seconds 5");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Ошибка соединения по TCP: Connect to 127.0.0.1:"), std::string::npos);

    r = RunPoll("--help");
    EXPECT_EQ(r.code, 0);
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out[0].rfind("usage: tarvix-poll", 0), 0u);

    for (const char *bad :
         {"", "--tcp 127.0.0.1", "--tcp 127.0.0.1:70000", "--udp 127.0.0.1:5 --baud 9600", "--tcp 127.0.0.1:5 --cmd 6",
          "--tcp 127.0.0.1:5 --count 1025", "--tcp 127.0.0.1:5 --cycles 3 --seconds 1", "--tcp 127.0.0.1:5 --fc16",
          "--tcp 127.0.0.1:5 --write 5", "--tcp 127.0.0.1:5 --bogus"}) {
        SCOPED_TRACE(bad);
        r = RunPoll(bad);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.empty());
    }
}

// A channel that cannot open fails every run, however soon --cycles 1 would
// end it; a live slave gives exactly one line, of the first exchange.
TEST(Poll, OneCycleExitStatusIsSteady)
{
    const std::string slavePath = SlavePath();
    PeerProcess slave;
    ASSERT_TRUE(slave.Start(slavePath, {"--tcp", "0", "--seconds", "120"}));
    const struct {
        std::string args;
        int code;
    } cases[] = {
        {"--tcp 127.0.0.1:" + std::to_string(RefusingPort()), 1},
        {"--com /dev/tarvix-no-such-tty", 1},
        {"--tcp 127.0.0.1:" + std::to_string(slave.Port()), 0},
    };
    constexpr int kRuns = 50;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        int wrong = 0;
        for (int i = 0; i < kRuns; ++i) {
            const RunResult r = RunPoll(c.args + " --cycles 1 --period 0");
            const bool good = r.code == c.code &&
                              (c.code == 1 ? r.out.empty() : r.out.size() == 1 && r.out[0].rfind("1\tOK\t0\t", 0) == 0);
            if (!good && ++wrong == 1)
                ADD_FAILURE() << "run " << i << ": exit " << r.code << ", " << r.out.size() << " lines"
                              << (r.out.empty() ? "" : ", first: " + r.out[0]);
        }
        EXPECT_EQ(wrong, 0) << "of " << kRuns << " runs";
    }
}

}   // namespace
