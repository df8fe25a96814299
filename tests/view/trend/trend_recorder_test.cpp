// The trend's CSV recorder: the rows as tarvix-poll's CSV writes its times,
// empty cells for no value, and what a failed write leaves behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

#include "engine/record_text.h"
#include "view/trend_recorder.h"

namespace {

std::string TempDir()
{
    char tmpl[] = "/tmp/trend-recorder-XXXXXX";
    return mkdtemp(tmpl);
}

std::string Slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(TrendRecorder, RowsCarryTheTimeAndAnEmptyCellForNoValue)
{
    setenv("TZ", "CET-1", 1);
    tzset();
    const std::string path = TempDir() + "/rec.csv";
    TrendRecorder rec;
    std::string error;
    ASSERT_TRUE(rec.Start(path, {"r100", "flow, l/min", "say \"hi\""}, error)) << error;
    EXPECT_TRUE(rec.Row(timespec{1, 412'000'000}, {"1", "-2.5", "65535"}));
    EXPECT_TRUE(rec.Row(timespec{2, 0}, {"", "", ""}));   // a failed exchange
    EXPECT_EQ(rec.Rows(), 2u);
    rec.Stop();
    EXPECT_FALSE(rec.Active());
    EXPECT_EQ(Slurp(path), "time,r100,\"flow, l/min\",\"say \"\"hi\"\"\"\r\n"
                           "1970-01-01T01:00:01.412+01:00,1,-2.5,65535\r\n"
                           "1970-01-01T01:00:02.000+01:00,,,\r\n");
    EXPECT_EQ(IsoLocalTime(timespec{1, 412'000'000}), "1970-01-01T01:00:01.412+01:00");
    setenv("TZ", "UTC0", 1);
    tzset();
}

TEST(TrendRecorder, RowsReachTheFileWithinTheFlushIntervalWithoutAStop)
{
    const std::string path = TempDir() + "/live.csv";
    TrendRecorder rec;
    std::string error;
    ASSERT_TRUE(rec.Start(path, {"a"}, error));
    rec.Row(timespec{10, 0}, {"1"});
    EXPECT_EQ(Slurp(path), "");   // buffered
    usleep((TrendRecorder::FlushMs + 20) * 1000);
    rec.Row(timespec{11, 0}, {"2"});
    const std::string now = Slurp(path);
    EXPECT_EQ(std::count(now.begin(), now.end(), '\n'), 3);
}

TEST(TrendRecorder, AFileThatCannotBeOpenedIsAClearError)
{
    TrendRecorder rec;
    std::string error;
    EXPECT_FALSE(rec.Start(TempDir() + "/no/such/folder/rec.csv", {"a"}, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(rec.Active());
}

// A file that reaches its size limit (as a full disk would stop it): the
// recording ends with the reason, and the file keeps every whole row.
TEST(TrendRecorder, AFailedWriteEndsTheRecordingAndKeepsTheWholeRows)
{
    const std::string path = TempDir() + "/full.csv";
    TrendRecorder rec;
    std::string error;
    ASSERT_TRUE(rec.Start(path, {"a", "b"}, error));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    bool ok = true;
    int rows = 0;
    for (; ok && rows < 1000; ++rows) {
        ok = rec.Row(timespec{rows, 0}, {std::to_string(rows), ""});
        if (rows % 10 == 9)
            ok = ok && rec.Flush();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(rec.Active());
    EXPECT_NE(rec.Error().find("File too large"), std::string::npos) << rec.Error();
    EXPECT_NE(rec.Error().find(path), std::string::npos);
    const std::string kept = Slurp(path);
    EXPECT_GT(kept.size(), 500u);
    EXPECT_LE(kept.size(), 1000u);
    EXPECT_TRUE(kept.ends_with("\r\n"));
    EXPECT_EQ(kept.rfind("time,a,b\r\n", 0), 0u);
}

}   // namespace
