// Four threads write a burst of time-stamped messages into one log list
// that keeps a log file, while the GUI thread runs its event loop. The peer
// is the plainest thread-safe logger: a mutex around fprintf to a buffered
// file, with the same stamp. Prints messages per second of both, their ratio,
// and how many refreshes and file writes the burst caused.
//
//   loglist_bench [messages (100000)] [save delay ms (1000)]

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "Loglist.h"

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
    std::FILE *f = std::fopen(name.c_str(), "wb");
    if (!f)
        return 0;
    std::mutex m;
    const double secs = RunWriters(total, [&](int k, int i) {
        const TLogTime t = LocalLogTime();
        std::lock_guard<std::mutex> lock(m);
        std::fprintf(f, "%02d.%02d.%02d, %02d:%02d:%02d  thread %d message %d\r\n", t.day, t.month,
                     t.year % 100, t.hour, t.minute, t.second, k, i);
    });
    std::fclose(f);
    return total / secs;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int total = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;
    const int saveDelay = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    const double peer = PeerRate(total, dir.filePath("peer.log").toStdString());

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

    const double rate = total / secs;
    std::printf("log list bench: %d messages from %d threads, MaxSize %d, SaveDelay %d ms\n", total, kThreads,
                int(list.MaxSize), saveDelay);
    std::printf("  log list          %12.0f messages/s (%.3f s)\n", rate, secs);
    std::printf("  mutex + fprintf   %12.0f messages/s\n", peer);
    std::printf("  ratio log list / peer: %.2f\n", peer > 0 ? rate / peer : 0.0);
    std::printf("  refreshes: %d during the burst, %d in all; expected about %.0f (one per 100 ms of %.3f s)\n",
                refreshesDuringBurst, refreshes, secs / 0.1 + 1, settled);
    std::printf("  file writes: %d; expected about %.0f (one per %d ms of SaveDelay)\n", writes,
                saveDelay > 0 ? settled * 1000.0 / (saveDelay + 100) : double(refreshes), saveDelay);
    return 0;
}
