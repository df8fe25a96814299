// Text output, time stamps, the log file and the default log list.

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "../../special_files.h"
#include "tests/controls/loglist/loglist_test_util.h"

using Strings = std::vector<std::string>;

namespace {

std::string Stamp(TLogDTFormat f)
{
    char buf[64];
    const std::size_t n = FormatLogStamp(buf, sizeof buf, f, FixedTime());
    return std::string(buf, n);
}

std::string Line(std::size_t size, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
std::string Line(std::size_t size, const char *fmt, ...)
{
    std::vector<char> buf(size + 64, '#');
    va_list args;
    va_start(args, fmt);
    const std::size_t n = FormatLogLine(buf.data(), size, TLogDTFormat{ldtDate}, FixedTime(), fmt, args);
    va_end(args);
    // Nothing past the buffer may have been touched.
    for (std::size_t i = size; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], '#') << "byte " << i << " written past the buffer";
    EXPECT_LT(n, size);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.data(), n);
}

struct LogListTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        list = std::make_unique<TLogList>();
        list->Clock = FixedTime;
    }
    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    std::unique_ptr<TLogList> list;
};

}   // namespace

TEST(LogStamp, SixShapes)
{
    const struct {
        TLogDTFormat format;
        const char *stamp;
    } cases[] = {
        {{}, "09:05:02"},
        {{ldtFullYear}, "09:05:02"},
        {{ldtDate}, "07.03.16, 09:05:02"},
        {{ldtDate, ldtFullYear}, "07.03.2016, 09:05:02"},
        {{ldtMSec}, "09:05:02.045"},
        {{ldtDate, ldtMSec}, "07.03.16, 09:05:02.045"},
        {{ldtDate, ldtFullYear, ldtMSec}, "07.03.2016, 09:05:02.045"},
        {{ldtFullYear, ldtMSec}, "09:05:02.045"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Stamp(c.format), c.stamp) << int(c.format.Bits());
}

TEST(LogStamp, LongTextsAreCutAtTheBufferEnd)
{
    EXPECT_EQ(Line(LogBufferSize, "Send Error %d", 11), "07.03.16, 09:05:02  Send Error 11\n");

    const std::string big(5000, 'x');
    const std::string cut = Line(LogBufferSize, "%s", big.c_str());
    EXPECT_EQ(cut.size(), LogBufferSize - 1);
    EXPECT_EQ(cut.back(), '\n');

    // A cut never splits a UTF-8 character.
    std::string cyr;
    for (int i = 0; i < 3000; ++i)
        cyr += "ж";
    for (std::size_t size : {LogBufferSize, LogBufferSize - 1, std::size_t(64), std::size_t(65)}) {
        const std::string s = Line(size, "%s", cyr.c_str());
        ASSERT_EQ(s.back(), '\n');
        const QString back = QString::fromUtf8(s.data(), qsizetype(s.size()));
        EXPECT_FALSE(back.contains(QChar::ReplacementCharacter)) << size;
        EXPECT_EQ(back.toUtf8().toStdString(), s) << size;
    }

    char text[LogBufferSize + 8];
    std::memset(text, '#', sizeof text);
    va_list none{};
    EXPECT_EQ(FormatLogText(text, LogBufferSize, nullptr, none), 0u);
    EXPECT_EQ(text[0], '\0');
}

TEST_F(LogListTest, PutSPieces)
{
    const struct {
        Strings calls;
        Strings lines;
    } cases[] = {
        {{"a", "b"}, {"ab"}},
        {{"a\n", "b"}, {"a", "b"}},
        {{"a\n\nb"}, {"a", "", "b"}},
        {{"\n"}, {}},
        {{"\n", "x"}, {"x"}},
        {{"a\r\nb\r"}, {"a\r", "b\r"}},
        {{"a\n", "\n", "b"}, {"a", "", "b"}},
        {{"", "a", ""}, {"a"}},
        {{"a\nb\n", "c\n"}, {"a", "b", "c"}},
    };
    for (const auto &c : cases) {
        TLogList l;
        for (const std::string &s : c.calls)
            l.PutS(s.c_str());
        EXPECT_EQ(Lines(l), c.lines) << ::testing::PrintToString(c.calls);
    }
    list->PutS(nullptr);
    EXPECT_TRUE(Lines(*list).empty());
    EXPECT_FALSE(list->Unsaved());
}

TEST_F(LogListTest, SysLogMessagesFillOneLineEach)
{
    list->SysLogMsg("Send Error %d", 10054);
    list->SysLogMsg("%s", "second");
    EXPECT_EQ(Lines(*list), (Strings{"07.03.16, 09:05:02  Send Error 10054", "07.03.16, 09:05:02  second"}));

    list->DTFormat = TLogDTFormat{ldtMSec};
    list->SysLogMsg("two\nparts");
    list->PrtF("%d-%s", 5, "x");
    EXPECT_EQ(Lines(*list), (Strings{"07.03.16, 09:05:02  Send Error 10054", "07.03.16, 09:05:02  second",
                                     "09:05:02.045  two", "parts", "5-x"}));
}

TEST_F(LogListTest, AutoEndOfLine)
{
    list->AutoEOLN_Pos = 10;
    list->PutS("123456789012");
    list->PutS("x");
    list->PutS("12345678");
    list->PutS("12345678901234567890");
    EXPECT_EQ(Lines(*list), (Strings{"123456789012", "x1234567812345678901234567890"}));

    TLogList l;
    l.AutoEOLN_Pos = 10;
    l.PutS("123456789");
    l.PutS("abcdefghijklmnopqrst");
    EXPECT_EQ(Lines(l), (Strings{"123456789abcdefghijklmnopqrst"}));
}

TEST_F(LogListTest, MaxSizeTrimsOldestLinesHiddenFirst)
{
    for (int i = 0; i < 1001; ++i)
        list->PrtF("%d\n", i);
    list->PutS("last");
    Strings lines = Lines(*list);
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.front(), "2");
    EXPECT_EQ(lines.back(), "last");

    const std::string name = Path("hidden.log");
    WriteFile(name, "h1\nh2\nh3\nh4\nh5\n");
    ASSERT_TRUE(list->LoadFromFile(name.c_str(), true));
    list->MaxSize = 6;
    list->PutS("a");   // 6 lines: nothing trimmed yet
    EXPECT_EQ(list->FirstLine(), 5);
    list->PutS("\nb");   // 7 lines: the oldest hidden line goes
    EXPECT_EQ(Lines(*list), (Strings{"h2", "h3", "h4", "h5", "a", "b"}));
    EXPECT_EQ(list->FirstLine(), 4);
    list->PutS("\nc\nd\ne\nf\ng");
    EXPECT_EQ(Lines(*list), (Strings{"b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(list->FirstLine(), 0);
}

TEST_F(LogListTest, MaxSizeZeroOrNegativeKeepsOnlyTheLineBeingWritten)
{
    for (int max : {0, -1, -1000}) {
        TLogList l;
        l.MaxSize = max;
        l.NewLine();   // on an empty list
        EXPECT_TRUE(Lines(l).empty()) << max;
        l.PutS("a\nb");
        EXPECT_EQ(Lines(l), (Strings{"b"})) << max;
        l.PutS("c\n");
        EXPECT_EQ(Lines(l), (Strings{"bc"})) << max;
        l.PutS("d");
        EXPECT_EQ(Lines(l), (Strings{"d"})) << max;
    }
}

TEST_F(LogListTest, LoadFromFile)
{
    EXPECT_FALSE(list->LoadFromFile("", false));
    EXPECT_FALSE(list->LoadFromFile(nullptr, true));
    EXPECT_TRUE(list->FileName.empty());

    // A missing file: empty list, name kept, created at the first save.
    const std::string missing = Path("new.log");
    list->PutS("before");
    ASSERT_TRUE(list->LoadFromFile(missing.c_str(), false));
    EXPECT_TRUE(Lines(*list).empty());
    EXPECT_EQ(list->FileName, missing);
    list->Save();
    EXPECT_FALSE(FileExists(missing));
    list->PutS("x");
    list->Save();
    EXPECT_EQ(ReadFile(missing), "x\n");

    // Lines end at CR LF, LF or CR; hidden lines are kept and saved again,
    // followed by new output on a line of its own.
    const std::string name = Path("old.log");
    WriteFile(name, "one\r\ntwo\nthree\rfour");
    ASSERT_TRUE(list->LoadFromFile(name.c_str(), true));
    EXPECT_EQ(Lines(*list), (Strings{"one", "two", "three", "four"}));
    EXPECT_EQ(list->FirstLine(), 4);
    EXPECT_FALSE(list->Unsaved());
    list->PutS("five");
    EXPECT_TRUE(list->Unsaved());
    list->Save();
    EXPECT_FALSE(list->Unsaved());
    EXPECT_EQ(ReadFile(name), "one\ntwo\nthree\nfour\nfive\n");

    // Unhidden load of the file just written.
    TLogList other;
    ASSERT_TRUE(other.LoadFromFile(name.c_str(), false));
    EXPECT_EQ(other.FirstLine(), 0);
    EXPECT_EQ(Lines(other).size(), 5u);
}

// A FIFO, a link to a zero device and a file over the bound are never taken
// as the log file: loading them fails at once and changes nothing, and a
// save never writes over such a name.
TEST_F(LogListTest, NamesThatAreNoPlainFilesAreRefused)
{
    using namespace special_files;
    const std::string log = Path("kept.log");
    WriteFile(log, "old\n");
    ASSERT_TRUE(list->LoadFromFile(log.c_str(), false));
    const struct {
        const char *name;
        bool (*make)(const std::string &);
        bool plain;
    } cases[] = {
        {"fifo", MakeFifo, false},
        {"zero", MakeZeroLink, false},
        {"big",
         [](const std::string &p) {
             WriteFile(p, "x\n");
             return ::truncate(p.c_str(), (off_t{16} << 20) + 1) == 0;
         },
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = Path(c.name);
        ASSERT_TRUE(c.make(name));
        const std::string before = Describe(name);
        const Watchdog dog(3);
        EXPECT_FALSE(list->LoadFromFile(name.c_str(), false));
        EXPECT_EQ(list->FileName, log);
        EXPECT_EQ(Lines(*list), (Strings{"old"}));
        if (c.plain)
            continue;   // a plain file may be written over

        TLogList other;
        other.FileName = name;
        other.PutS("new");
        other.Save();
        EXPECT_TRUE(other.Unsaved());
        other.FileName.clear();   // nothing to save at its end either
        EXPECT_EQ(Describe(name), before);
    }
}

TEST_F(LogListTest, LoadingAloneNeverRewritesTheFile)
{
    const std::string name = Path("keep.log");
    WriteFile(name, "a\nb\n");   // LF endings: a rewrite would show as CR LF
    QSignalSpy saved(list.get(), &TLogList::Saved);
    ASSERT_TRUE(list->LoadFromFile(name.c_str(), false));
    EXPECT_TRUE(list->UpdatePending());
    list->SaveDelay = 0;   // a refresh that saves at once
    list->UpdateParams();
    list->SaveDelay = 20;   // a refresh that starts the countdown, which ends
    list->UpdateParams();
    ASSERT_TRUE(list->SavePending());
    ASSERT_TRUE(WaitFor([&] { return !list->SavePending(); }, 1000));
    list->Save();
    list.reset();
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(ReadFile(name), "a\nb\n");
}

TEST_F(LogListTest, SaveDelayCountdownAndImmediateSaves)
{
    const std::string name = Path("delay.log");
    list->FileName = name;

    // SaveDelay 0: every refresh after a change rewrites the file.
    list->SaveDelay = 0;
    QSignalSpy saved(list.get(), &TLogList::Saved);
    list->PutS("a\n");
    EXPECT_TRUE(list->UpdatePending());
    list->UpdateParams();
    EXPECT_EQ(ReadFile(name), "a\n");
    list->PutS("b");
    list->UpdateParams();
    EXPECT_EQ(ReadFile(name), "a\nb\n");
    list->UpdateParams();   // no change, nothing to write
    EXPECT_EQ(saved.count(), 2);

    // A delay: the refresh starts the countdown, many changes make one write.
    list->SaveDelay = 150;
    for (int i = 0; i < 50; ++i)
        list->PrtF("\n%d", i);
    EXPECT_TRUE(list->UpdatePending());
    ASSERT_TRUE(WaitFor([&] { return list->SavePending(); }, 1000));
    EXPECT_FALSE(list->UpdatePending());
    EXPECT_EQ(ReadFile(name), "a\nb\n");
    ASSERT_TRUE(WaitFor([&] { return saved.count() == 3; }, 2000));
    EXPECT_FALSE(list->SavePending());
    EXPECT_EQ(Lines(*list).size(), 52u);
    EXPECT_EQ(ReadFile(name).substr(0, 8), "a\nb\n0\n1\n");

    // Destruction saves what is left.
    list->PutS("\nend");
    list.reset();
    const std::string all = ReadFile(name);
    EXPECT_EQ(all.substr(all.size() - 4), "end\n");
}

TEST_F(LogListTest, FailedWriteKeepsLinesUnsaved)
{
    const std::string sub = Path("sub");
    const std::string name = sub + "/fail.log";
    list->FileName = name;
    QSignalSpy saved(list.get(), &TLogList::Saved);
    list->PutS("kept");
    list->Save();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_FALSE(saved.at(0).at(0).toBool());
    EXPECT_TRUE(list->Unsaved());

    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(sub)));
    list->Save();
    EXPECT_TRUE(saved.at(1).at(0).toBool());
    EXPECT_FALSE(list->Unsaved());
    EXPECT_EQ(ReadFile(name), "kept\n");

    // The rewrite goes through a file beside the log that replaces it whole;
    // nothing else is left in the folder.
    list->PutS("\nmore");
    list->Save();
    EXPECT_EQ(ReadFile(name), "kept\nmore\n");
    EXPECT_EQ(QDir(QString::fromStdString(sub)).entryList(QDir::Files | QDir::Hidden), QStringList{"fail.log"});

    // A log file that is a folder cannot be replaced: still unsaved.
    list->FileName = sub;
    list->PutS("!");
    list->Save();
    EXPECT_TRUE(list->Unsaved());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(sub)).isDir());
}

TEST(DefaultLogList, MessagesGoToTheFirstListUntilItIsDestroyed)
{
    ASSERT_EQ(DefaultLogList(), nullptr);
    ::SysLogMsg("Send Error %d", 1);   // no list: no effect

    auto first = std::make_unique<TLogList>();
    auto second = std::make_unique<TLogList>();
    first->Clock = second->Clock = FixedTime;
    EXPECT_EQ(DefaultLogList(), static_cast<SysLogTarget *>(first.get()));
    ::SysLogMsg("Send Error %d", 2);
    EXPECT_EQ(Lines(*first), (Strings{"07.03.16, 09:05:02  Send Error 2"}));
    EXPECT_TRUE(Lines(*second).empty());

    first.reset();
    EXPECT_EQ(DefaultLogList(), nullptr);
    ::SysLogMsg("Send Error %d", 3);
    EXPECT_TRUE(Lines(*second).empty());

    TLogList third;
    third.Clock = FixedTime;
    ::SysLogMsg("Send Error %d", 4);
    EXPECT_EQ(Lines(third), (Strings{"07.03.16, 09:05:02  Send Error 4"}));
    EXPECT_TRUE(Lines(*second).empty());
}
