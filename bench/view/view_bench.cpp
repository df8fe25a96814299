// Polling with no update period over loopback TCP against tarvix-slave:
// exchanges per second of the engine alone (a display that does nothing)
// and of the real main window (offscreen), measured in the same run, with
// the lateness of a 10 ms timer on the GUI thread while the window polls.

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/view/frame_lateness.h"
#include "engine/Modbus_thread_unit.h"
#include "tests/view/slave_process.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"
#include "view/gui_host.h"

namespace {

constexpr int RunMs = 1500;
// The machine is shared: rounds alternate between the two and the medians count.
constexpr int Rounds = 3;

class NullHost : public ExchangeHost {
public:
    void Display(MODBUS_Thread &) override {}
    void MessageBox(const std::string &, const std::string &, int) override {}
    void ServeFor(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void CancelWaits() override {}
};

void Configure(ExchangeRecord &r, quint16 port, uint16_t count)
{
    r.Conn.Kind = ConnKind::Tcp;
    r.Conn.IPAddr = "127.0.0.1";
    r.Conn.TargetPort = port;
    r.SlaveAddr.store(1);
    r.ReadCmd.store(FunctionCode::ReadHolding);
    r.StartReg.store(0);
    r.RegCount.store(count);
    r.UpdatePeriod.store(0);
    r.AllocRegValues(count);
}

// Counts exchanges over RunMs once the thread polls.
double Rate(ExchangeRecord &r, const std::function<void(int)> &run)
{
    run(300);   // warm up (connect, first reads)
    const int before = r.Thread ? r.Thread->ReqCount.load() : 0;
    QElapsedTimer t;
    t.start();
    run(RunMs);
    const int after = r.Thread ? r.Thread->ReqCount.load() : 0;
    return (after - before) * 1000.0 / double(t.elapsed());
}

double EngineAlone(quint16 port, uint16_t count)
{
    NullHost host;
    ExchangeRecord rec;
    Configure(rec, port, count);
    StartExchange(rec, host);
    const double rate = Rate(rec, [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    StopExchange(rec, host);
    return rate;
}

struct WindowFigures {
    double rate = 0;
    std::vector<qint64> lateMs;   // lateness of each tick
};

WindowFigures WithWindow(quint16 port, uint16_t count)
{
    TTarvix_Form form;
    Configure(form.Rec, port, count);
    form.StartExchange();
    form.show();
    auto &host = dynamic_cast<GuiHost &>(form.Host());
    QElapsedTimer wait;
    wait.start();
    while (!host.OpenBox() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (host.OpenBox())
        host.OpenBox()->accept();

    WindowFigures f;
    FrameLateness frames;
    f.rate = Rate(form.Rec, [&](int ms) {
        frames.Measure(ms == RunMs);
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    });
    frames.Stop();
    f.lateMs = frames.LateMs();
    form.StopExchange();
    return f;
}

}   // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    SlaveProcess slave({}, 60);
    if (slave.Port() == 0) {
        std::fprintf(stderr, "tarvix-slave did not start\n");
        return 1;
    }
    std::printf("Polling with update period 0 over loopback TCP, %d ms per figure\n", RunMs);
    std::printf("Medians of %d alternating rounds\n", Rounds);
    for (uint16_t count : {uint16_t(10), uint16_t(1024)}) {
        std::vector<double> engine, window;
        std::vector<qint64> late;
        for (int round = 0; round < Rounds; ++round) {
            engine.push_back(EngineAlone(slave.Port(), count));
            const WindowFigures w = WithWindow(slave.Port(), count);
            window.push_back(w.rate);
            late.insert(late.end(), w.lateMs.begin(), w.lateMs.end());
        }
        std::sort(engine.begin(), engine.end());
        std::sort(window.begin(), window.end());
        std::sort(late.begin(), late.end());
        const auto percentile = [&late](size_t p) {
            return late.empty() ? 0LL : static_cast<long long>(late[(late.size() - 1) * p / 100]);
        };
        const double e = engine[Rounds / 2], w = window[Rounds / 2];
        std::printf("%5u registers: engine alone %8.0f exchanges/s, main window %8.0f exchanges/s, "
                    "ratio %.2f; 10 ms timer: %zu ticks, lateness p50 %lld ms, p99 %lld ms, max %lld ms\n",
                    unsigned(count), e, w, e > 0 ? w / e : 0.0, late.size(), percentile(50), percentile(99),
                    percentile(100));
    }
    return 0;
}
