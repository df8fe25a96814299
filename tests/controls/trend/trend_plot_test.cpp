// The trend plot's axes at the extremes of zoom (time to pixel and back,
// tick steps and labels from milliseconds to weeks, value ticks from tiny
// to huge ranges) and its drawing: a gap is never bridged and stays
// visible however far out the plot zooms; the cursor reads the values.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "controls/trend_axis.h"
#include "controls/trend_plot.h"

namespace {

constexpr int64_t kS = 1'000'000;
constexpr int64_t kT = int64_t(1'700'000'000) * kS;   // 2023-11-14 22:13:20 UTC

void SetTz(const char *tz)
{
    setenv("TZ", tz, 1);
    tzset();
}

TEST(TrendAxis, TimeToPixelAndBackAtTheExtremes)
{
    const struct {
        int64_t t0, span;
    } cases[] = {
        {kT, 1},   // one microsecond
        {kT, 10'000},   // the narrowest zoom
        {kT, 24 * 3600 * kS},
        {int64_t(4'102'444'800) * kS, 400 * 24 * 3600 * kS},   // year 2100, the widest zoom
        {0, 1000 * kS},
    };
    for (const auto &c : cases) {
        const int64_t t1 = c.t0 + c.span;
        EXPECT_DOUBLE_EQ(TimeToX(c.t0, c.t0, t1, 50, 1920), 50);
        EXPECT_DOUBLE_EQ(TimeToX(t1, c.t0, t1, 50, 1920), 1970);
        for (int x : {50, 51, 1000, 1969, 1970}) {
            const int64_t t = XToTime(x, c.t0, t1, 50, 1920);
            // Within half a pixel, or one microsecond where a pixel is less.
            EXPECT_NEAR(TimeToX(t, c.t0, t1, 50, 1920), x, 0.51 + 1920.0 / double(c.span)) << c.span;
        }
    }
}

TEST(TrendAxis, StepsAndLabelsFromMillisecondsToWeeks)
{
    SetTz("UTC0");
    const struct {
        int64_t span;
        int64_t step;
        const char *first;   // the first tick's label
    } cases[] = {
        {10'000, 1000, "22:13:20.000"},       {1 * kS, 100'000, "22:13:20.000"},
        {60 * kS, 5 * kS, "22:13:20"},        {3600 * kS, 5 * 60 * kS, "22:15"},
        {24 * 3600 * kS, 3600 * kS, "23:00"}, {30 * 24 * 3600 * kS, 2 * 24 * 3600 * kS, "11-15"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.span);
        EXPECT_EQ(TimeStep(kT, kT + c.span, 1600, 7), c.step);
        const std::vector<TimeTick> ticks = TimeTicks(kT, kT + c.span, 1600, 7);
        ASSERT_GE(ticks.size(), 2u);
        EXPECT_EQ(ticks.front().label, c.first);
        for (size_t i = 1; i < ticks.size(); ++i) {
            EXPECT_EQ(ticks[i].t - ticks[i - 1].t, c.step);
            // Neighbouring labels never touch.
            const double apart =
                TimeToX(ticks[i].t, kT, kT + c.span, 0, 1600) - TimeToX(ticks[i - 1].t, kT, kT + c.span, 0, 1600);
            EXPECT_GE(apart, double(ticks[i].label.size() + 2) * 7);
        }
    }
    // A day at hourly steps names its midnight by the date.
    const std::vector<TimeTick> day = TimeTicks(kT, kT + 24 * 3600 * kS, 1600, 7);
    EXPECT_EQ(day[1].label, "11-15");
    // Hours stand at whole local hours, whatever the offset.
    SetTz("<-0330>3:30");
    for (const TimeTick &t : TimeTicks(kT, kT + 24 * 3600 * kS, 1600, 7))
        EXPECT_TRUE(t.label.ends_with(":00") || (t.label.size() == 5 && t.label[2] == '-')) << t.label;
    EXPECT_EQ(FullTimeText(kT + 412'000), "2023-11-14 18:43:20.412");
    SetTz("UTC0");
}

TEST(TrendAxis, ValueTicksAndLabelsFromTinyToHugeRanges)
{
    const struct {
        double lo, hi;
        double step;
        const char *first;
    } cases[] = {
        {0, 1, 0.1, "0.0"},
        {-32768, 32767, 10000, "-30000"},
        {-2147483648.0, 4294967295.0, 1e9, "-2000000000"},
        {1.000001, 1.000002, 1e-7, "1"},
        {-1e30, 1e30, 2e29, "-1e+30"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lo);
        const ValueTicks vt = ValueTickSet(c.lo, c.hi, 400, 40);
        EXPECT_DOUBLE_EQ(vt.step, c.step);
        ASSERT_FALSE(vt.values.empty());
        EXPECT_LE(vt.values.size(), 11u);
        EXPECT_EQ(ValueLabel(vt.values.front(), vt.step), c.first);
    }
    EXPECT_TRUE(ValueTickSet(5, 5, 400, 40).values.empty());
    EXPECT_TRUE(ValueTickSet(0, INFINITY, 400, 40).values.empty());
}

// Plot drawing ----------------------------------------------------------------

const QColor kSeries(0, 0, 255);

QImage Render(TTrendPlot &plot)
{
    QImage img(plot.size(), QImage::Format_RGB32);
    QPainter p(&img);
    plot.Paint(p, plot.rect());
    return img;
}

bool ColumnHas(const QImage &img, int x, const QRect &area, const QColor &c)
{
    for (int y = area.top() + 1; y < area.bottom(); ++y)
        if (QColor(img.pixel(x, y)) == c)
            return true;
    return false;
}

TEST(TrendPlot, AGapIsNeverBridgedAndStaysVisibleAtADay)
{
    TrendStore store;
    // A day at 10 Hz, a ramp with one failed exchange half a minute
    // before the end (where every level of the store still holds it).
    const int64_t t0 = kT, day = 24 * 3600 * kS, gap = t0 + day - 30 * kS;
    for (int64_t t = t0; t < t0 + day; t += 100'000)
        t == gap ? store.AddGap(t) : store.Add(t, double((t - t0) / kS % 1000));
    TTrendPlot plot;
    plot.resize(900, 400);
    plot.SetSeries({{&store, QStringLiteral("ramp"), kSeries}});
    plot.SetFollow(false);
    for (const int64_t span : {day, 3600 * kS, 10 * kS, kS}) {
        SCOPED_TRACE(span);
        plot.SetTimeRange(gap - span / 2, gap + span / 2);
        const QImage img = Render(plot);
        const QRect area = plot.PlotArea();
        const int gx = int(TimeToX(gap, plot.TimeStart(), plot.TimeEnd(), area.left(), area.width()));
        // The gap's column is shaded; no line crosses from the sample
        // before it to the sample after it.
        EXPECT_EQ(QColor(img.pixel(gx, area.top() + 2)), QColor(255, 214, 214));
        const auto xOf = [&](int64_t t) {
            return int(TimeToX(t, plot.TimeStart(), plot.TimeEnd(), area.left(), area.width()));
        };
        for (int x = xOf(gap - 100'000) + 1; x < xOf(gap + 100'000); ++x)
            EXPECT_FALSE(ColumnHas(img, x, area, kSeries)) << x;
        // Further out the line is drawn on both sides.
        EXPECT_TRUE(ColumnHas(img, area.left() + 20, area, kSeries));
        if (span <= 3600 * kS) {   // a day's column holds the last half minute whole
            EXPECT_TRUE(ColumnHas(img, xOf(gap + 200'000) + 1, area, kSeries));
        }
    }
}

TEST(TrendPlot, TheCursorReadsEverySeriesAndTheTime)
{
    SetTz("UTC0");
    TrendStore a, b;
    for (int i = 0; i < 100; ++i) {
        a.Add(kT + i * kS, i);
        i >= 40 && i < 60 ? b.AddGap(kT + i * kS) : b.Add(kT + i * kS, -i * 0.5);
    }
    TTrendPlot plot;
    plot.resize(700, 300);
    plot.SetSeries({{&a, QStringLiteral("a"), Qt::red}, {&b, QStringLiteral("b"), Qt::blue}});
    plot.SetFollow(false);
    plot.SetTimeRange(kT, kT + 100 * kS);
    Render(plot);
    const QRect area = plot.PlotArea();
    const auto xAt = [&](int64_t t) {
        return int(std::ceil(TimeToX(t, kT, kT + 100 * kS, area.left(), area.width())));
    };
    plot.SetCursorX(xAt(kT + 20 * kS) + 1);
    EXPECT_EQ(plot.CursorValueTexts(), (QStringList{"20", "-10"}));
    EXPECT_TRUE(plot.CursorTimeText().startsWith(QStringLiteral("2023-11-14 22:13:40")));
    plot.SetCursorX(xAt(kT + 50 * kS) + 1);
    EXPECT_EQ(plot.CursorValueTexts(), (QStringList{"50", "gap"}));
    plot.SetCursorX(-1);
    EXPECT_TRUE(plot.CursorTimeText().isEmpty());
    EXPECT_EQ(plot.CursorValueTexts(), (QStringList{"99", "-49.5"}));
}

}   // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
