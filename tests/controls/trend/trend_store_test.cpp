// The trend store against a brute-force min/max over the same random
// samples: spikes and gaps at random places, queries at random ranges and
// widths, served from the raw ring and from every pyramid level.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "controls/trend_store.h"

namespace {

struct Sample {
    int64_t t;
    double v;
    bool gap;
};

// Random samples: steps of 0..maxStep, a gap now and then (runs of them),
// a spike now and then.
std::vector<Sample> RandomSamples(std::mt19937_64 &rng, int n, int64_t start, int maxStep)
{
    std::vector<Sample> s;
    std::uniform_int_distribution<int> step(0, maxStep), pct(0, 99);
    std::normal_distribution<double> noise(0, 1);
    int64_t t = start;
    double level = 0;
    int gapRun = 0;
    for (int i = 0; i < n; ++i) {
        t += step(rng);
        level += noise(rng);
        if (gapRun == 0 && pct(rng) < 3)
            gapRun = 1 + pct(rng) % 6;
        if (gapRun > 0) {
            --gapRun;
            s.push_back({t, 0, true});
        } else {
            s.push_back({t, pct(rng) == 0 ? level + 1000 * noise(rng) : level, false});
        }
    }
    return s;
}

TrendStore Filled(const TrendStoreConfig &cfg, const std::vector<Sample> &s)
{
    TrendStore store(cfg);
    for (const Sample &x : s)
        x.gap ? store.AddGap(x.t) : store.Add(x.t, x.v);
    return store;
}

// Brute force over [from, to).
TrendColumn Brute(const std::vector<Sample> &s, int64_t from, int64_t to)
{
    TrendColumn c;
    for (const Sample &x : s) {
        if (x.t < from || x.t >= to)
            continue;
        if (x.gap) {
            c.gap = true;
        } else if (!c.data) {
            c.data = true;
            c.min = c.max = x.v;
        } else {
            c.min = std::min(c.min, x.v);
            c.max = std::max(c.max, x.v);
        }
    }
    return c;
}

// Width of the buckets that serve time t for columns of width dt: the
// finest level no finer than a column (the raw ring below the base width)
// whose ring still holds t.
int64_t ServingWidth(const TrendStore &store, int64_t t, double dt)
{
    const TrendStoreConfig &cfg = store.Config();
    int level = -1;
    while (level + 1 < store.Levels() && double(cfg.baseUs << (level + 1)) <= dt)
        ++level;
    for (level = std::max(level, 0); level < store.Levels(); ++level) {
        const int64_t w = cfg.baseUs << level;
        const int64_t oldest = (store.Newest() / w - cfg.bucketsPerLevel + 1) * w;
        if (t >= oldest)
            return w;
    }
    return cfg.baseUs << (store.Levels() - 1);
}

void ExpectColumnsEqual(const std::vector<TrendColumn> &got, const std::vector<Sample> &s, int64_t t0, double dt,
                        const char *what)
{
    for (size_t c = 0; c < got.size(); ++c) {
        const int64_t from = t0 + int64_t(std::ceil(c * dt)), to = t0 + int64_t(std::ceil((c + 1) * dt));
        const TrendColumn want = Brute(s, from, to);
        ASSERT_EQ(got[c].data, want.data) << what << " column " << c;
        ASSERT_EQ(got[c].gap, want.gap) << what << " column " << c;
        if (want.data) {
            ASSERT_EQ(got[c].min, want.min) << what << " column " << c;
            ASSERT_EQ(got[c].max, want.max) << what << " column " << c;
        }
    }
}

const TrendStoreConfig kSmall{10, 64, 32, 1'000'000'000};

TEST(TrendStore, AlignedColumnsGiveTheExactMinMaxAndGapsOfEveryLevel)
{
    std::mt19937_64 rng(27);
    const auto s = RandomSamples(rng, 180, 1000, 6);   // about 540 us: level 0 (640 us) holds it all
    const TrendStore store = Filled(kSmall, s);
    std::vector<TrendColumn> out;
    for (int level = 0; level < 5; ++level) {
        const int64_t w = kSmall.baseUs << level;
        for (int per : {1, 4}) {   // columns of one and of four buckets
            const int64_t t0 = (1000 / (w * per)) * (w * per);
            const int columns = int((s.back().t - t0) / (w * per)) + 2;
            store.Query(t0, t0 + int64_t(columns) * w * per, columns, out);
            ExpectColumnsEqual(out, s, t0, double(w * per), "aligned");
        }
    }
}

TEST(TrendStore, ColumnsNarrowerThanTheBaseAreServedFromTheRawRing)
{
    std::mt19937_64 rng(3);
    const auto s = RandomSamples(rng, 200, 5000, 3);
    TrendStoreConfig cfg = kSmall;
    cfg.rawCapacity = 4096;   // holds every sample
    const TrendStore store = Filled(cfg, s);
    std::vector<TrendColumn> out;
    const int64_t t0 = s.front().t, t1 = s.back().t + 1;
    const int columns = int(t1 - t0) * 2;   // half a microsecond each
    store.Query(t0, t1, columns, out);
    for (size_t c = 0; c < out.size(); ++c) {
        TrendColumn want;
        for (const Sample &x : s) {
            if (size_t(std::clamp(int(double(x.t - t0) / (double(t1 - t0) / columns)), 0, columns - 1)) != c)
                continue;
            if (x.gap) {
                want.gap = true;
            } else if (!want.data) {
                want = {x.v, x.v, true, want.gap};
            } else {
                want.min = std::min(want.min, x.v);
                want.max = std::max(want.max, x.v);
            }
        }
        ASSERT_EQ(out[c].data, want.data) << c;
        ASSERT_EQ(out[c].gap, want.gap) << c;
        if (want.data) {
            ASSERT_TRUE(out[c].min == want.min && out[c].max == want.max) << c;
        }
    }
}

// Random ranges over a store whose finer levels have long dropped the
// oldest samples: a column never hides a value or a gap of its span, and
// shows nothing from further away than one serving bucket.
TEST(TrendStore, RandomRangesNeverHideASpikeOrAGap)
{
    std::mt19937_64 rng(1);
    const auto s = RandomSamples(rng, 20000, 0, 8);   // about 80000 us, far beyond level 0's 640
    const TrendStore store = Filled(kSmall, s);
    std::uniform_int_distribution<int64_t> at(-500, s.back().t + 500);
    std::uniform_int_distribution<int> cols(1, 300);
    std::vector<TrendColumn> out;
    for (int q = 0; q < 300; ++q) {
        int64_t t0 = at(rng), t1 = at(rng);
        if (t0 > t1)
            std::swap(t0, t1);
        if (t0 == t1)
            ++t1;
        const int columns = cols(rng);
        store.Query(t0, t1, columns, out);
        const double dt = double(t1 - t0) / columns;
        for (int c = 0; c < columns; ++c) {
            const int64_t from = t0 + int64_t(std::ceil(c * dt)), to = t0 + int64_t(std::ceil((c + 1) * dt));
            const TrendColumn inner = Brute(s, from, to);
            const int64_t w = ServingWidth(store, from, dt);
            const TrendColumn outer = Brute(s, from - w, to + w);
            const TrendColumn &got = out[size_t(c)];
            SCOPED_TRACE(testing::Message() << "query " << t0 << ".." << t1 << " / " << columns << ", column " << c);
            if (inner.data) {
                ASSERT_TRUE(got.data);
                ASSERT_LE(got.min, inner.min);
                ASSERT_GE(got.max, inner.max);
            }
            if (inner.gap) {
                ASSERT_TRUE(got.gap);
            }
            if (got.data) {
                ASSERT_TRUE(outer.data);
                ASSERT_GE(got.min, outer.min);
                ASSERT_LE(got.max, outer.max);
            }
            if (got.gap) {
                ASSERT_TRUE(outer.gap);
            }
        }
    }
}

TEST(TrendStore, HistoryEndsQueriesAndMemoryStaysFixed)
{
    TrendStoreConfig cfg = kSmall;
    cfg.historyUs = 5000;
    TrendStore store(cfg);
    const size_t bytes = store.MemoryBytes();
    for (int64_t t = 0; t < 200000; ++t)
        t % 1000 == 500 ? store.AddGap(t) : store.Add(t, double(t % 97));
    EXPECT_EQ(store.MemoryBytes(), bytes);
    EXPECT_EQ(store.Oldest(), 199999 - 5000);
    std::vector<TrendColumn> out;
    store.Query(0, 200000, 200, out);   // 1000 us a column
    for (int c = 0; c < 200; ++c) {
        SCOPED_TRACE(c);
        const bool old = (c + 1) * 1000 <= 199999 - 5000 - 640;   // before the history, with a top bucket to spare
        const TrendColumn &col = out[size_t(c)];
        if (old) {
            EXPECT_FALSE(col.data || col.gap);
        }
        if (c >= 196) {
            EXPECT_TRUE(col.data && col.gap && col.min == 0 && col.max == 96);
        }
    }
    double last = -1;
    EXPECT_TRUE(store.LastValue(last));
    EXPECT_EQ(last, double(199999 % 97));
}

TEST(TrendStore, TimeGoingBackIsTakenAsTheNewestAndNonFiniteValuesAreGaps)
{
    TrendStore store(kSmall);
    store.Add(100, 1);
    store.Add(50, 2);   // clock stepped back
    store.Add(120, NAN);
    EXPECT_EQ(store.Newest(), 120);
    std::vector<TrendColumn> out;
    store.Query(100, 130, 3, out);
    EXPECT_TRUE(out[0].data && out[0].min == 1 && out[0].max == 2 && !out[0].gap);
    EXPECT_FALSE(out[1].data || out[1].gap);
    EXPECT_TRUE(out[2].gap && !out[2].data);
    double v;
    EXPECT_FALSE(store.LastValue(v));
    store.Clear();
    EXPECT_TRUE(store.Empty());
    store.Query(0, 1000, 10, out);
    EXPECT_TRUE(std::none_of(out.begin(), out.end(), [](const TrendColumn &c) { return c.data || c.gap; }));
}

}   // namespace
