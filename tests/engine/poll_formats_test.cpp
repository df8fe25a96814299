// tarvix-poll end to end against the simulator and the libmodbus slave: each
// output format read back by Python's parsers, exception replies named, the
// slave scan, a reader that goes away, and every bad option refused.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/shell_run.h"

namespace {

using Outcome = ShellResult;

// A command line with pipefail, bounded in time.
Outcome Shell(const std::string &cmd)
{
    return RunShell(cmd, 30);
}

std::string Poll(const std::string &args)
{
    return PollPath() + " " + args;
}

struct Peer {
    PeerProcess process;
    std::string addr;
    bool Start(const std::string &path, std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--tcp", "0", "--seconds", "60"});
        if (!process.Start(path, args))
            return false;
        addr = "127.0.0.1:" + std::to_string(process.Port());
        return true;
    }
};

TEST(PollFormats, EachFormatReadsBack)
{
    Peer slave, lib;
    ASSERT_TRUE(slave.Start(SlavePath(), {}));
    ASSERT_TRUE(lib.Start(PeerPath(), {}));
    // Registers 100..103: a on the simulator, (a * 7 + 3) on the libmodbus slave.
    const struct {
        const Peer &peer;
        std::string regs;
    } peers[] = {{slave, "100,101,102,103"}, {lib, "703,710,717,724"}};
    for (const auto &p : peers)
        for (const char *format : {"tsv", "csv", "jsonl"}) {
            SCOPED_TRACE(p.peer.addr + " " + format);
            const Outcome r = Shell(Poll("--tcp " + p.peer.addr) +
                                " --start 100 --count 4 --period 0 --cycles 3 --timestamp --format " + format + " | " +
                                POLL_PARSE_PY + " " + format);
            EXPECT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(r.out, (std::vector<std::string>{"1|OK|0|-|" + p.regs, "2|OK|0|-|" + p.regs,
                                                       "3|OK|0|-|" + p.regs}));
        }
    // Float values in the little word order, written with FC16 after the first read.
    const Outcome r = Shell(Poll("--tcp " + slave.addr) + " --start 200 --count 4 --type float32 --word-order little"
                        " --write 200=0000,3FC0,0000,C120 --fc16 --period 0 --cycles 2 --format jsonl | " +
                        POLL_PARSE_PY + " jsonl");
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.out.size(), 2u);
    // Request 2 is the write; the read that follows it is shown.
    EXPECT_EQ(r.out[1], "3|OK|0|-|1.5,-10");
}

TEST(PollFormats, ExceptionRepliesAreNamed)
{
    const struct {
        int code;
        const char *name;
    } cases[] = {
        {1, "01 Illegal Function"},
        {2, "02 Illegal Data Address"},
        {3, "03 Illegal Data Value"},
        {4, "04 Server Device Failure"},
        {5, "05 Acknowledge"},
        {6, "06 Server Device Busy"},
        {8, "08 Memory Parity Error"},
        {10, "0A Gateway Path Unavailable"},
        {11, "0B Gateway Target Device Failed to Respond"},
        {12, "0C Unknown Exception"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Peer slave;
        ASSERT_TRUE(slave.Start(SlavePath(), {"--exception", std::to_string(c.code)}));
        // CSV for one code, JSON lines for the others; the status stays the engine's.
        const char *format = c.code == 2 ? "csv" : "jsonl";
        const Outcome r = Shell(Poll("--tcp " + slave.addr) + " --count 2 --period 0 --cycles 2 --format " + format +
                            " | " + POLL_PARSE_PY + " " + format);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, (std::vector<std::string>{"1|Reply Addr or CmdCode Error|1|" + std::string(c.name) + "|null",
                                                   "2|Reply Addr or CmdCode Error|2|" + std::string(c.name) +
                                                       "|null"}));
        // Named once on standard error while the same code repeats.
        EXPECT_EQ(r.err, "TCP: Connected to " + slave.addr + " OK !\ntarvix-poll: slave 1: exception " + c.name + "\n");
    }
}

TEST(PollFormats, ScanFindsTheAnsweringSlaves)
{
    Peer slave;
    ASSERT_TRUE(slave.Start(SlavePath(), {"--slave", "3,7"}));
    // Eight silent addresses at the default 200 ms, not the 3 s of a poll.
    uint64_t t0 = PerfCounter();
    Outcome r = Shell(Poll("--tcp " + slave.addr) + " --scan-slaves 1-10 --count 2 --start 5");
    EXPECT_LT(PerfCounter() - t0, 6000000u);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, (std::vector<std::string>{"3\tOK\t\t0005 0006", "7\tOK\t\t0005 0006"}));
    EXPECT_NE(r.err.find("tarvix-poll: scan 1-10: 2 of 10 addresses answered: 3 7\n"), std::string::npos) << r.err;

    r = Shell(Poll("--tcp " + slave.addr) + " --scan-slaves 1-10 --count 2 --format jsonl");
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_NE(r.out[1].find("\"slave\":7,\"status\":\"OK\",\"exception\":null,\"registers\":[0,1]}"),
              std::string::npos)
        << r.out[1];

    t0 = PerfCounter();
    r = Shell(Poll("--tcp " + slave.addr) + " --scan-slaves 4-6 --timeout 50");
    EXPECT_LT(PerfCounter() - t0, 1500000u);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("tarvix-poll: scan 4-6: 0 of 3 addresses answered\n"), std::string::npos) << r.err;

    // An exception reply is an answer, named as such.
    Peer refusing;
    ASSERT_TRUE(refusing.Start(SlavePath(), {"--slave", "2", "--exception", "2"}));
    r = Shell(Poll("--tcp " + refusing.addr) + " --scan-slaves 1-3 --format csv --timeout 50");
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_EQ(r.out[0], "time,slave,status,exception,r0,r1,r2,r3,r4,r5,r6,r7,r8,r9\r");
    EXPECT_NE(r.out[1].find(",2,Reply Addr or CmdCode Error,02 Illegal Data Address,,,,,,,,,,\r"), std::string::npos)
        << r.out[1];
}

// The reader goes away after one line: the tool ends at once, quietly, with
// status 0, whether it writes line by line or in blocks.
TEST(PollFormats, ClosedReaderEndsQuietly)
{
    Peer slave;
    ASSERT_TRUE(slave.Start(SlavePath(), {}));
    for (const char *args : {"--period 0", "--period 10", "--period 0 --format csv"}) {
        SCOPED_TRACE(args);
        const Outcome r = Shell(Poll("--tcp " + slave.addr) + " " + args + " | head -1; echo \"${PIPESTATUS[0]}\"");
        ASSERT_EQ(r.out.size(), 2u);
        if (std::string(args).find("csv") != std::string::npos)
            EXPECT_EQ(r.out[0].rfind("time,request,status,", 0), 0u);
        else
            EXPECT_EQ(r.out[0].rfind("1\tOK\t0\t", 0), 0u) << r.out[0];
        EXPECT_EQ(r.out[1], "0");
        EXPECT_EQ(r.err, "TCP: Connected to " + slave.addr + " OK !\n");
    }
}

TEST(PollFormats, BadOptionsExitTwoBeforeAnyChannel)
{
    // A port that refuses: a channel opened anyway would show its error box.
    const std::string tcp = "--tcp 127.0.0.1:" + std::to_string(RefusingPort());
    const struct {
        std::string args, message;
    } cases[] = {
        {"", "one of --tcp, --udp, --com is needed"},
        {tcp + " --bogus", "--bogus: unknown option"},
        {tcp + " --count", "--count: needs a value"},
        {tcp + " --slave 248", "--slave: 248 is outside 0..247"},
        {tcp + " --count 0", "--count: 0 is outside 1..1024"},
        {tcp + " --count 1025", "--count: 1025 is outside 1..1024"},
        {tcp + " --period -1", "--period: -1 is outside 0..4294967295"},
        {tcp + " --write 5", "--write: '5' is not REG=HEX[,HEX...]"},
        {tcp + " --write 5=12345", "--write: '5=12345' is not REG=HEX[,HEX...]"},
        {tcp + " --write 5=1,", "--write: '5=1,' is not REG=HEX[,HEX...]"},
        {tcp + " --write 5=1,2", "--write: several values need --fc16"},
        {tcp + " --write 5=1,2,3,4,5,6,7,8,9 --fc16", "--write: at most 8 values"},
        {tcp + " --write 65535=1,2 --fc16", "--write: the values run past register 65535"},
        {tcp + " --fc16", "--fc16: goes with --write"},
        {tcp + " --cycles 3 --seconds 1", "--cycles: excludes --seconds"},
        {tcp + " --format xml", "--format: is tsv, csv or jsonl, not 'xml'"},
        {tcp + " --type float16",
         "--type: is uint16, int16, uint32, int32, float32 or float64, not 'float16'"},
        {tcp + " --word-order middle", "--word-order: is big or little, not 'middle'"},
        {tcp + " --count 1 --type float32", "--type float32: needs 2 registers, --count is 1"},
        {tcp + " --count 6 --type float64",
         "--count: 6 registers are not a whole number of float64 values (4 registers each)"},
        {tcp + " --scan-slaves 0-5", "--scan-slaves: '0-5' is not a range A-B of slave addresses, 1 <= A <= B <= 247"},
        {tcp + " --scan-slaves 7-3", "--scan-slaves: '7-3' is not a range A-B of slave addresses, 1 <= A <= B <= 247"},
        {tcp + " --scan-slaves 1-10 --slave 3", "--scan-slaves: excludes --slave"},
        {tcp + " --scan-slaves 1-10 --cycles 1", "--scan-slaves: excludes --cycles"},
        {tcp + " --timeout 100", "--timeout: goes with --scan-slaves"},
        {tcp + " --scan-slaves 1-2 --timeout 0", "--timeout: 0 is outside 1..60000"},
        {"--com /dev/null --scan-slaves 1-2 --timeout 100", "--timeout: a serial line keeps its own reply time"},
        {"--udp 127.0.0.1:5 --baud 9600", "--baud, --parity, --rs485, --dtr-on: go with --com"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Shell(Poll(c.args));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err, "tarvix-poll: " + c.message + "\n");
    }
}

}   // namespace
