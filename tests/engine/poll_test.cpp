// tarvix-poll as scripts use it: its output lines and exit codes.

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "engine_test_support.h"

namespace {

struct RunResult {
    int code = -1;
    std::vector<std::string> out;
    std::string err;
};

RunResult RunPoll(const std::string &args)
{
    RunResult r;
    const std::string errFile = testing::TempDir() + "poll_stderr.txt";
    const std::string cmd = "timeout 20 " + ProgramPath("TARVIX_POLL") + " " + args + " 2>" + errFile;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char line[16384];
    while (std::fgets(line, sizeof line, p)) {
        std::string l(line);
        if (!l.empty() && l.back() == '\n')
            l.pop_back();
        r.out.push_back(l);
    }
    const int st = pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (FILE *e = std::fopen(errFile.c_str(), "r")) {
        while (std::fgets(line, sizeof line, e))
            r.err += line;
        std::fclose(e);
    }
    return r;
}

TEST(Poll, LinesWriteAndExitCodes)
{
    const std::string slavePath = ProgramPath("TARVIX_SLAVE");
    if (slavePath.empty() || ProgramPath("TARVIX_POLL").empty())
        GTEST_SKIP() << "programs not set";
    PeerProcess slave;
    ASSERT_TRUE(slave.Start(slavePath, {"--tcp", "0", "--seconds", "60"}));
    const std::string addr = "127.0.0.1:" + std::to_string(slave.Port());

    RunResult r = RunPoll("--tcp " + addr + " --start 16 --count 3 --period 0 --cycles 4 --write 17=abcd");
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.out.size(), 4u);
    EXPECT_EQ(r.out[0], "0\tOK\t0\t\t\t");
    EXPECT_EQ(r.out[1], "1\tOK\t0\t00 00 00 00 00 06 01 03 00 10 00 03\t"
                        "00 00 00 00 00 09 01 03 06 00 10 00 11 00 12\t0010 0011 0012");
    // The write follows the first good read; the read after it shows the value.
    EXPECT_EQ(r.out[2], "3\tOK\t0\t00 00 00 00 00 06 01 03 00 10 00 03\t"
                        "00 00 00 00 00 09 01 03 06 00 10 AB CD 00 12\t0010 ABCD 0012");
    EXPECT_EQ(r.err, "TCP: Connected to " + addr + " OK !\n");

    r = RunPoll("--tcp 127.0.0.1:" + std::to_string(RefusingPort()) + " --seconds 5");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, std::vector<std::string>{"0\tOK\t0\t\t\t"});
    EXPECT_NE(r.err.find("Ошибка соединения по TCP: Connect to 127.0.0.1:"), std::string::npos);

    r = RunPoll("--help");
    EXPECT_EQ(r.code, 0);
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out[0].rfind("usage: tarvix-poll", 0), 0u);

    for (const char *bad : {"", "--tcp 127.0.0.1", "--tcp 127.0.0.1:70000", "--udp 127.0.0.1:5 --baud 9600",
                            "--tcp 127.0.0.1:5 --cmd 6", "--tcp 127.0.0.1:5 --count 1025",
                            "--tcp 127.0.0.1:5 --cycles 3 --seconds 1", "--tcp 127.0.0.1:5 --fc16",
                            "--tcp 127.0.0.1:5 --write 5", "--tcp 127.0.0.1:5 --bogus"}) {
        SCOPED_TRACE(bad);
        r = RunPoll(bad);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.empty());
    }
}

} // namespace
