// The trend's three figures, one line each on stdout (details on stderr):
//   store: 138 million samples (16 series, 100 Hz, 24 h, with gaps and
//          spikes) through 16 stores: the stores' resident memory and the
//          samples per second of processor time (the clock's on stderr);
//   draw:  a full repaint of the plot at 1920 x 1080 with those 16 series
//          (processor time of the GUI thread; the clock's time on stderr),
//          over the whole day and over zoomed ranges (the slowest), beside Qt
//          Charts drawing 16 series of full-resolution points (as many as
//          fit a shared machine's memory: ten minutes of each);
//   live:  the viewer at a 10 ms period on loopback against tarvix-slave
//          with a 16-series trend open, against the same without one:
//          exchanges, and the lateness of a 10 ms timer on the GUI thread
//          (as bench/view measures it).

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QImage>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "controls/trend_plot.h"
#include "controls/trend_store.h"
#include "bench/view/frame_lateness.h"
#include "engine/Modbus_thread_unit.h"
#include "tests/view/slave_process.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"
#include "view/gui_host.h"
#include "view/trend_window.h"

namespace {

constexpr int kSeries = 16;
constexpr int64_t kDayUs = int64_t(86400) * 1'000'000;
constexpr int64_t kStepUs = 10'000;   // 100 Hz
constexpr int64_t kT0 = int64_t(1'765'000'000) * 1'000'000;

long RssKb()
{
    std::ifstream in("/proc/self/status");
    std::string key;
    long kb = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> kb;
            break;
        }
        in.ignore(4096, '\n');
    }
    return kb;
}

// A day of samples: a slow wave with noise per series, a spike now and then,
// and runs of failed exchanges (every series at once, as a poll fails).
struct Source {
    uint64_t x = 88172645463325252ull;
    uint64_t Next()
    {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    }
};

// `seconds` is the thread's processor time (the machine is shared), `wallSeconds` the clock's.
std::vector<std::unique_ptr<TrendStore>> FillDay(double &seconds, double &wallSeconds, uint64_t &samples)
{
    std::vector<std::unique_ptr<TrendStore>> stores;
    for (int i = 0; i < kSeries; ++i)
        stores.push_back(std::make_unique<TrendStore>());
    Source rnd;
    // Each series a slow wave: a point turning on a circle (no sine per sample).
    double c[kSeries], sn[kSeries], rc[kSeries], rs[kSeries];
    for (int s = 0; s < kSeries; ++s) {
        c[s] = 1;
        sn[s] = 0;
        rc[s] = std::cos(1e-5 * (s + 1));
        rs[s] = std::sin(1e-5 * (s + 1));
    }
    int gapLeft = 0;
    samples = 0;
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    QElapsedTimer t;
    t.start();
    for (int64_t time = kT0; time < kT0 + kDayUs; time += kStepUs) {
        const uint64_t r = rnd.Next();
        if (gapLeft == 0 && (r & 0x3FFF) == 7)
            gapLeft = 1 + int(r >> 60);   // about every 160 s, up to 16 samples
        const bool gap = gapLeft > 0;
        gapLeft -= gap;
        for (int s = 0; s < kSeries; ++s) {
            if (gap) {
                stores[size_t(s)]->AddGap(time);
            } else {
                const double nc = c[s] * rc[s] - sn[s] * rs[s];
                sn[s] = c[s] * rs[s] + sn[s] * rc[s];
                c[s] = nc;
                double v = 1000 * (s + 1) + 500 * sn[s] + double((r >> (s * 4)) & 15);
                if (((r >> 20) & 0xFFFFF) == unsigned(s))
                    v += 5000;   // a spike
                stores[size_t(s)]->Add(time, v);
            }
        }
        samples += kSeries;
    }
    wallSeconds = t.elapsed() / 1000.0;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    seconds = double(cpu1.tv_sec - cpu0.tv_sec) + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
    return stores;
}

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Median processor time of `runs` draws (the machine is shared: the clock
// counts the other programs' turns too); the clock's median in `wallMs`.
double MedianMs(const std::function<void()> &draw, int runs, double *wallMs = nullptr)
{
    std::vector<double> cpu, wall;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const double c0 = CpuMs();
        draw();
        cpu.push_back(CpuMs() - c0);
        wall.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    if (wallMs)
        *wallMs = wall[wall.size() / 2];
    return cpu[cpu.size() / 2];
}

struct DrawFigures {
    double day = 0, zoomed = 0, charts = 0;
    double dayWall = 0, zoomedWall = 0, chartsWall = 0;
    int64_t chartPoints = 0;
};

DrawFigures Draw(const std::vector<std::unique_ptr<TrendStore>> &stores)
{
    DrawFigures f;
    TTrendPlot plot;
    plot.resize(1920, 1080);
    std::vector<TrendPlotSeries> series;
    for (int s = 0; s < kSeries; ++s)
        series.push_back(
            {stores[size_t(s)].get(), QStringLiteral("r%1").arg(s), QColor::fromHsv(s * 360 / kSeries, 220, 200)});
    plot.SetSeries(series);
    plot.SetFollow(false);
    QImage img(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    const auto paint = [&] {
        QPainter p(&img);
        plot.Paint(p, plot.rect());
    };
    plot.FitAll();
    f.day = MedianMs(paint, 9, &f.dayWall);
    const QString shots = qEnvironmentVariable("TARVIX_TREND_SHOTS");
    if (!shots.isEmpty())
        img.save(shots + QStringLiteral("/trend-day-16-series.png"));
    // Zoomed: an hour, a minute and a second, at the end, the middle and the start of the day.
    const int64_t end = stores[0]->Newest();
    for (const int64_t span : {int64_t(3600) * 1'000'000, int64_t(60) * 1'000'000, int64_t(1'000'000)})
        for (const int64_t at : {end - span, kT0 + kDayUs / 2, kT0 + span}) {
            plot.SetTimeRange(at - span / 2, at + span / 2);
            double wall = 0;
            f.zoomed = std::max(f.zoomed, MedianMs(paint, 5, &wall));
            f.zoomedWall = std::max(f.zoomedWall, wall);
        }

    // Qt Charts: ten minutes at 100 Hz of each series, every point kept.
    QChart *chart = new QChart;
    chart->legend()->show();
    auto *axisX = new QValueAxis, *axisY = new QValueAxis;
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    const int points = 60'000;
    Source rnd;
    for (int s = 0; s < kSeries; ++s) {
        auto *line = new QLineSeries;
        line->setName(QStringLiteral("r%1").arg(s));
        QList<QPointF> pts;
        pts.reserve(points);
        for (int i = 0; i < points; ++i)
            pts.append(
                QPointF(i * 0.01, 1000 * (s + 1) + 500 * std::sin(i * 1e-3 * (s + 1)) + double(rnd.Next() & 15)));
        line->replace(pts);
        chart->addSeries(line);
        line->attachAxis(axisX);
        line->attachAxis(axisY);
    }
    axisX->setRange(0, points * 0.01);
    axisY->setRange(0, 1000 * (kSeries + 1) + 600);
    QChartView view(chart);
    view.resize(1920, 1080);
    view.show();
    QCoreApplication::processEvents();
    f.charts = MedianMs(
        [&] {
            QPainter p(&img);
            view.render(&p);
        },
        3, &f.chartsWall);
    f.chartPoints = int64_t(points) * kSeries;
    return f;
}

// The viewer at a 10 ms period over 16 registers; with a trend of all 16
// open, or without one.
struct LiveFigures {
    double rate = 0;
    std::vector<qint64> lateMs;
};

constexpr int kRunMs = 3000;

LiveFigures Live(quint16 port, bool trend)
{
    TTarvix_Form form;
    ExchangeRecord &r = form.Rec;
    r.Conn.Kind = ConnKind::Tcp;
    r.Conn.IPAddr = "127.0.0.1";
    r.Conn.TargetPort = port;
    r.SlaveAddr.store(1);
    r.ReadCmd.store(FunctionCode::ReadHolding);
    r.StartReg.store(0);
    r.RegCount.store(16);
    r.UpdatePeriod.store(10);
    r.AllocRegValues(16);
    form.StartExchange();
    form.show();
    auto &host = dynamic_cast<GuiHost &>(form.Host());
    QElapsedTimer wait;
    wait.start();
    while (!host.OpenBox() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (host.OpenBox())
        host.OpenBox()->accept();
    if (trend) {
        for (int i = 0; i < 16; ++i)
            form.TrendCell(i % 10 + 1, i / 10 + 1);
        form.Trend()->resize(1600, 900);
    }

    LiveFigures f;
    FrameLateness frames;
    const auto run = [&](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    run(500);
    const int before = form.Rec.Thread ? form.Rec.Thread->ReqCount.load() : 0;
    QElapsedTimer t;
    t.start();
    frames.Measure(true);
    run(kRunMs);
    frames.Measure(false);
    const int after = form.Rec.Thread ? form.Rec.Thread->ReqCount.load() : 0;
    f.rate = (after - before) * 1000.0 / double(t.elapsed());
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

    // Store.
    const long rss0 = RssKb();
    double seconds = 0, wallSeconds = 0;
    uint64_t samples = 0;
    auto stores = FillDay(seconds, wallSeconds, samples);
    const double storeMb = (RssKb() - rss0) / 1024.0;
    size_t bytes = 0;
    for (const auto &s : stores)
        bytes += s->MemoryBytes();
    std::fprintf(stderr,
                 "store: %d stores of %d levels, %.1f MB allocated; %.2f s of processor time to fill, %.2f s on the "
                 "clock (%.0f samples/s)\n",
                 kSeries, stores[0]->Levels(), bytes / 1048576.0, seconds, wallSeconds, samples / wallSeconds);
    std::printf("store: %llu samples, %.1f MB, %.0f samples/s\n", static_cast<unsigned long long>(samples), storeMb,
                samples / seconds);
    std::fflush(stdout);

    // Draw.
    const DrawFigures d = Draw(stores);
    std::fprintf(stderr,
                 "draw: processor time; on the clock %.1f ms whole day, %.1f ms zoomed, Qt Charts %.1f ms. Qt Charts "
                 "drew %lld points (ten minutes of 16 series at 100 Hz; a day would need 138 million) and took %.1f "
                 "times the trend's whole-day repaint\n",
                 d.dayWall, d.zoomedWall, d.chartsWall, static_cast<long long>(d.chartPoints),
                 d.day > 0 ? d.charts / d.day : 0.0);
    std::printf("draw: %.1f ms whole day, %.1f ms zoomed, Qt Charts %.1f ms\n", d.day, d.zoomed, d.charts);
    std::fflush(stdout);
    stores.clear();

    // Live.
    SlaveProcess slave({}, 120);
    if (slave.Port() == 0) {
        std::fprintf(stderr, "tarvix-slave did not start\n");
        return 1;
    }
    std::vector<double> with, without;
    std::vector<qint64> late;
    for (int round = 0; round < 3; ++round) {   // alternating: the machine is shared
        without.push_back(Live(slave.Port(), false).rate);
        LiveFigures w = Live(slave.Port(), true);
        with.push_back(w.rate);
        late.insert(late.end(), w.lateMs.begin(), w.lateMs.end());
    }
    std::sort(with.begin(), with.end());
    std::sort(without.begin(), without.end());
    std::sort(late.begin(), late.end());
    const double p99 = late.empty() ? 0 : double(late[(late.size() - 1) * 99 / 100]);
    std::fprintf(stderr,
                 "live: medians of 3 rounds of %d ms: %.0f exchanges/s with the trend, %.0f without; "
                 "%zu ticks of the 10 ms timer\n",
                 kRunMs, with[1], without[1], late.size());
    std::printf("live: %.2f of the exchanges without a trend, frame p99 %.0f ms\n",
                without[1] > 0 ? with[1] / without[1] : 0.0, p99);
    return 0;
}
