// tarvix-poll's serial line options and line check over the fake line: an
// echoing line that adds bytes after each reply is reported as such, with the
// options that fit it; the suggestions of the report for lines that gave
// nothing good; the options on the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/serial_channel.h"
#include "tests/support/child_process.h"
#include "tests/support/shell_run.h"
#include "tools/poll/poll_line_check.h"

namespace {

std::string CheckOver(const std::vector<std::string> &lineArgs, SerialLineOptions opt)
{
    PeerProcess line;
    std::vector<std::string> args = lineArgs;
    args.insert(args.end(), {"--seconds", "60", "--", SlavePath(), "--rtu-pty", "--seconds", "70"});
    EXPECT_TRUE(line.Start(FakeLinePath(), args));
    ChannelSettings cs;
    cs.Kind = ConnKind::Serial;
    cs.ComPortName = line.FirstLine().substr(4);
    cs.BaudRate = 115200;
    cs.CharTime = CharTimeForBaud(115200);
    cs.Line = opt;
    StopFlag stop{0};
    char *text = nullptr;
    size_t size = 0;
    std::FILE *out = open_memstream(&text, &size);
    LineCheckRequest req;
    req.exchanges = 40;
    EXPECT_EQ(RunLineCheck(cs, req, out, stop), 0);
    std::fclose(out);
    std::string report(text, size);
    std::free(text);
    return report;
}

}   // namespace

TEST(PollLineCheck, EchoAndLeftoversAreFoundAndSuggested)
{
    SerialLineOptions opt;
    opt.End = ReplyEnd::Length;
    opt.RequestGapMs = 10;
    const std::string r = CheckOver({"--baud", "115200", "--echo", "--trailing", "2"}, opt);
    EXPECT_NE(r.find("echo: seen (40 of 40 exchanges)"), std::string::npos) << r;
    EXPECT_NE(r.find("replies: 40 good, 0 no reply, 0 CRC errors, 0 line errors"), std::string::npos) << r;
    // Two bytes after each reply; the last reply's may come after the check.
    const size_t at = r.find("bytes left over: ");
    ASSERT_NE(at, std::string::npos) << r;
    const int left = std::stoi(r.substr(at + 17));
    EXPECT_GE(left, 78) << r;
    EXPECT_LE(left, 80) << r;
    EXPECT_NE(r.find("reply latency: p50 "), std::string::npos) << r;
    EXPECT_NE(r.find("suggested: --reply-end length --echo on --request-gap "), std::string::npos) << r;
}

TEST(PollLineCheck, QuietLineInPieces)
{
    const std::string r = CheckOver({"--baud", "115200", "--chunk", "4", "--chunk-gap-us", "3000"}, {});
    EXPECT_NE(r.find("echo: not seen"), std::string::npos) << r;
    EXPECT_NE(r.find("pauses inside replies: 40 replies, longest "), std::string::npos) << r;
    EXPECT_NE(r.find("bytes left over: 0"), std::string::npos) << r;
    EXPECT_NE(r.find("suggested: --reply-end length --echo off\n"), std::string::npos) << r;
}

TEST(PollLineCheck, NothingGoodSuggestsNoOptions)
{
    ChannelSettings cs;
    cs.ComPortName = "ttyUSB0";
    cs.BaudRate = 9600;
    LineCheckRequest req;
    LineCheckCounts c;
    c.noReply = 60;
    c.crc = 40;
    SerialLineStats st;
    const std::string r = LineCheckReport(cs, req, c, st);
    EXPECT_NE(r.find("line check: 100 reads of 10 registers from slave 1 on ttyUSB0 at 9600 baud\n"),
              std::string::npos) << r;
    EXPECT_NE(r.find("reply latency: no replies"), std::string::npos) << r;
    EXPECT_NE(r.find("suggested: none (no good reply"), std::string::npos) << r;
}

// The options as tarvix-poll takes them: an echoing line read with echo and
// length ending, the line check's report on standard output, and options that
// need --com refused.
TEST(PollLineCheck, CommandLine)
{
    PeerProcess line;
    ASSERT_TRUE(line.Start(FakeLinePath(), {"--baud", "115200", "--echo", "--seconds", "60", "--", SlavePath(),
                                            "--rtu-pty", "--seconds", "70"}));
    const std::string poll = PollPath() + " --com " + line.FirstLine().substr(4) + " --parity none";
    ShellResult r = RunShell(poll + " --reply-end length --echo on --tx-delay-after 300 --request-gap 1 --cycles 3 "
                                    "--period 0 --count 2",
                             20);
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.out.size(), 3u);
    EXPECT_EQ(r.out[2], "3\tOK\t0\t01 03 00 00 00 02 C4 0B\t01 03 04 00 00 00 01 3B F3\t0000 0001");
    r = RunShell(poll + " --line-check --count 2", 30);
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.out.size(), 7u);
    EXPECT_EQ(r.out[1], "echo: seen (100 of 100 exchanges)");
    EXPECT_EQ(r.out[6], "suggested: --reply-end length --echo on");
    for (const char *bad : {" --echo maybe", " --request-gap 10001", " --line-check --cycles 2"}) {
        r = RunShell(poll + bad, 10);
        EXPECT_EQ(r.code, 2) << bad;
    }
    r = RunShell(PollPath() + " --tcp 127.0.0.1:15260 --reply-end length", 10);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("go with --com"), std::string::npos) << r.err;
}
