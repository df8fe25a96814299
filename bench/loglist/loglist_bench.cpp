// Four threads write a burst of time-stamped messages into one log list
// that keeps a log file, while the GUI thread runs its event loop. The peer
// is the plainest thread-safe logger: a mutex around fprintf to a buffered
// file, with the same stamp. The two sides run in alternating rounds, each
// timed until its file is written (the log list with SaveDelay 0); prints
// the median messages per second of both and their ratio. A last burst with
// the given SaveDelay counts the refreshes and file writes it caused.
//
//   loglist_bench [messages (100000)] [save delay ms (1000)]

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "controls/Loglist.h"

namespace {

constexpr int kThreads = 4;

template <typename Write>
double RunWriters(int total, Write write)
{
    QElapsedTimer t;
    t.start();
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k)
        threads.emplace_back([=] {
            for (int i = k; i < total; i += kThreads)
                write(k, i);
        });
    for (std::thread &th : threads)
        th.join();
    return t.nsecsElapsed() / 1e9;
}

double PeerRate(int total, const std::string &name)
{
    QElapsedTimer t;
    t.start();
    std::FILE *f = std::fopen(name.c_str(), "wb");
    if (!f)
        return 0;
    std::mutex m;
    RunWriters(total, [&](int k, int i) {
        const TLogTime t = LocalLogTime();
        std::lock_guard<std::mutex> lock(m);
        std::fprintf(f, "%02d.%02d.%02d, %02d:%02d:%02d  thread %d message %d\r\n", t.day, t.month, t.year % 100,
                     t.hour, t.minute, t.second, k, i);
    });
    std::fclose(f);
    return total / (t.nsecsElapsed() / 1e9);
}

// The writers beside the GUI thread's event loop, timed until the log file
// holds the last line (SaveDelay 0: written as soon as the list changed).
double ListRate(int total, const std::string &name)
{
    TLogList list;
    list.SaveDelay = 0;
    list.FileName = name;
    QElapsedTimer t;
    t.start();
    std::atomic<bool> finished{false};
    std::thread burst([&] {
        RunWriters(total, [&](int k, int i) { list.SysLogMsg("thread %d message %d", k, i); });
        finished = true;
    });
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    burst.join();
    while ((list.SavePending() || list.Unsaved()) && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return total / (t.nsecsElapsed() / 1e9);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}   // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int total = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;
    const int saveDelay = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    constexpr int kRounds = 5;
    std::vector<double> peers, lists;
    for (int r = 0; r < kRounds; ++r) {
        peers.push_back(PeerRate(total, dir.filePath("peer.log").toStdString()));
        lists.push_back(ListRate(total, dir.filePath("timed.log").toStdString()));
    }
    const double peer = Median(peers);
    const double listRate = Median(lists);

    TLogList list;
    list.resize(400, 300);
    list.show();
    list.SaveDelay = saveDelay;
    list.FileName = dir.filePath("list.log").toStdString();
    int refreshes = 0, writes = 0;
    QObject::connect(&list, &TLogList::Refreshed, [&] { ++refreshes; });
    QObject::connect(&list, &TLogList::Saved, [&] { ++writes; });

    // The writers run beside the GUI thread's event loop, as in a program.
    std::atomic<bool> finished{false};
    double secs = 0;
    std::thread burst([&] {
        secs = RunWriters(total, [&](int k, int i) { list.SysLogMsg("thread %d message %d", k, i); });
        finished = true;
    });
    QElapsedTimer wall;
    wall.start();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    burst.join();
    const int refreshesDuringBurst = refreshes;
    // Let the last refresh and the delayed write happen.
    while ((list.UpdatePending() || list.SavePending() || list.Unsaved()) && wall.elapsed() < 60000 + saveDelay)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double settled = wall.nsecsElapsed() / 1e9;

    std::printf("log list bench: %d messages from %d threads, MaxSize %d; medians of %d alternating rounds,\n"
                "each timed until its file is written\n",
                total, kThreads, int(list.MaxSize), kRounds);
    std::printf("  log list          %12.0f messages/s\n", listRate);
    std::printf("  mutex + fprintf   %12.0f messages/s\n", peer);
    std::printf("  ratio log list / peer: %.2f\n", peer > 0 ? listRate / peer : 0.0);
    std::printf("burst with SaveDelay %d ms: %.3f s of writing\n", saveDelay, secs);
    std::printf("  refreshes: %d during the burst, %d in all; expected about %.0f (one per 100 ms of %.3f s)\n",
                refreshesDuringBurst, refreshes, secs / 0.1 + 1, settled);
    std::printf("  file writes: %d; expected about %.0f (one per %d ms of SaveDelay)\n", writes,
                saveDelay > 0 ? settled * 1000.0 / (saveDelay + 100) : double(refreshes), saveDelay);
    return 0;
}
