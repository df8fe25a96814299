// Many threads write system log messages while the GUI thread refreshes,
// paints and saves.

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "tests/controls/loglist/loglist_test_util.h"

TEST(LogListThreads, EveryMessageArrivesOnceAndInOrder)
{
    constexpr int kThreads = 8;
    constexpr int kMessages = 10000;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string name = dir.filePath("threads.log").toStdString();

    // Not shown: the style's gradient fills would run on Qt's own painting
    // threads, which the thread sanitizer cannot follow. The list's own
    // painting is driven directly instead.
    TLogList list;
    list.resize(300, 200);
    list.MaxSize = kThreads * kMessages + 10;
    list.SaveDelay = 0;
    list.FileName = name;
    ASSERT_EQ(DefaultLogList(), static_cast<SysLogTarget *>(&list));

    std::atomic<bool> go{false};
    std::atomic<int> done{0};
    std::atomic<int> saves{0};
    QObject::connect(&list, &TLogList::Saved, [&] { ++saves; });
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t, &go, &done, &saves] {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < kMessages; ++i) {
                // Halfway, wait (bounded) for a save to have run, so that
                // saves overlap the writing however the threads are
                // scheduled: a slowed GUI thread may otherwise first get
                // to a refresh only after every writer has finished.
                if (i == kMessages / 2) {
                    QElapsedTimer wait;
                    wait.start();
                    while (saves.load() == 0 && wait.elapsed() < 60000)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                ::SysLogMsg("T%d #%d", t, i);
            }
            ++done;
        });
    }
    // The GUI thread meanwhile refreshes (with SaveDelay 0 each refresh
    // after a change saves) and paints, bounded in time.
    QImage canvas(300, 200, QImage::Format_RGB32);
    QElapsedTimer clock;
    clock.start();
    int paints = 0;
    go = true;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        list.UpdateParams();
        QPainter p(&canvas);
        list.Paint(p, canvas.rect());
        ++paints;
    } while (done < kThreads && clock.elapsed() < 120000);
    for (std::thread &w : writers)
        w.join();
    ASSERT_EQ(done, kThreads) << "writers did not finish in time";
    EXPECT_GT(paints, 0);
    EXPECT_GT(saves.load(), 0);
    ASSERT_TRUE(WaitFor([&] { return !list.Unsaved() && !list.UpdatePending(); }, 5000));

    // Every message once, in order within its thread.
    std::vector<int> nextOf(kThreads, 0);
    const TLogLineList *lines = list.LockRead();
    ASSERT_EQ(lines->Count(), kThreads * kMessages);
    for (int i = 0; i < lines->Count(); ++i) {
        const std::string &s = lines->Text(i);
        const std::size_t at = s.find("  T");
        ASSERT_NE(at, std::string::npos) << s;
        int t = -1, n = -1;
        ASSERT_EQ(std::sscanf(s.c_str() + at, "  T%d #%d", &t, &n), 2) << s;
        ASSERT_TRUE(t >= 0 && t < kThreads) << s;
        ASSERT_EQ(n, nextOf[t]) << "thread " << t << " out of order at line " << i;
        ++nextOf[t];
    }
    std::string expected;
    for (int i = 0; i < lines->Count(); ++i)
        expected += lines->Text(i) + "\n";
    list.UnlockRead();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(nextOf[t], kMessages);
    // The file holds the same lines.
    EXPECT_EQ(ReadFile(name), expected);
}

namespace {
int g_timerWarnings = 0;
void CountTimerWarnings(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtWarningMsg && msg.contains(QLatin1String("imer")))
        ++g_timerWarnings;
}
}   // namespace

TEST(LogListThreads, AWriterThreadStartsTheRefreshOnTheGuiThread)
{
    TLogList list;
    QThread *refreshedOn = nullptr;
    int refreshes = 0;
    QObject::connect(&list, &TLogList::Refreshed, [&] {
        refreshedOn = QThread::currentThread();
        ++refreshes;
    });
    const QtMessageHandler old = qInstallMessageHandler(CountTimerWarnings);
    std::thread([&] {
        list.PutS("from a thread\n");
        list.PutS("and again");
    }).join();
    EXPECT_TRUE(list.Unsaved());
    ASSERT_TRUE(WaitFor([&] { return list.UpdatePending(); }, 1000));
    ASSERT_TRUE(WaitFor([&] { return refreshes > 0; }, 1000));
    qInstallMessageHandler(old);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(refreshedOn, list.thread());
    EXPECT_FALSE(list.UpdatePending());
    EXPECT_EQ(g_timerWarnings, 0);
}

TEST(LogListThreads, TheDefaultListMayGoWhileOtherThreadsLog)
{
    // Writers keep calling the plain entry point while the GUI thread makes
    // and destroys default log lists: no call may reach a list whose
    // destruction has begun.
    constexpr int kThreads = 3;
    constexpr int kRounds = 60;
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t, &stop, &calls] {
            for (int i = 0; !stop; ++i) {
                ::SysLogMsg("T%d #%d", t, i);
                ++calls;
            }
        });
    }
    int rounds = 0;
    QElapsedTimer clock;
    clock.start();
    for (; rounds < kRounds && clock.elapsed() < 120000; ++rounds) {
        auto list = std::make_unique<TLogList>();
        ASSERT_EQ(DefaultLogList(), static_cast<SysLogTarget *>(list.get()));
        const long before = calls;
        while (calls - before < 20 && clock.elapsed() < 120000)
            std::this_thread::yield();
        QCoreApplication::processEvents();
        list.reset();
        ASSERT_EQ(DefaultLogList(), nullptr);
    }
    stop = true;
    for (std::thread &w : writers)
        w.join();
    EXPECT_EQ(rounds, kRounds);
}
