#include "controls/trend_store.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

constexpr int64_t kNone = std::numeric_limits<int64_t>::min();

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

void MergeInto(TrendColumn &c, double lo, double hi, uint8_t data, bool gap)
{
    if (gap)
        c.gap = true;
    if (!data)
        return;
    if (!c.data) {
        c.data = true;
        c.min = lo;
        c.max = hi;
    } else {
        c.min = std::min(c.min, lo);
        c.max = std::max(c.max, hi);
    }
}

}   // namespace

TrendStore::TrendStore(const TrendStoreConfig &config) : config_(config)
{
    config_.baseUs = std::max<int64_t>(config_.baseUs, 1);
    // Powers of two, so that a ring's slot is a mask away.
    config_.bucketsPerLevel = int(std::bit_ceil(unsigned(std::max(config_.bucketsPerLevel, 2))));
    config_.rawCapacity = std::max(config_.rawCapacity, 2);
    config_.historyUs = std::max<int64_t>(config_.historyUs, config_.baseUs);
    // The least number of levels whose top covers the history.
    int n = 1;
    while (n < 48 && (config_.baseUs << (n - 1)) * config_.bucketsPerLevel < config_.historyUs)
        ++n;
    levels_.resize(size_t(n));
    for (Level &lv : levels_) {
        lv.ext.assign(size_t(config_.bucketsPerLevel), Extent{});
        lv.flags.assign(size_t(config_.bucketsPerLevel), 0);
    }
    raw_.assign(size_t(config_.rawCapacity), RawSample{});
    rawGap_.assign(size_t(config_.rawCapacity), 0);
}

void TrendStore::Clear()
{
    for (Level &lv : levels_) {
        std::fill(lv.flags.begin(), lv.flags.end(), uint8_t(0));
        lv.newest = -1;
    }
    rawHead_ = rawSize_ = 0;
    count_ = 0;
    first_ = newest_ = curStart_ = curEnd_ = 0;
}

void TrendStore::Add(int64_t t, double value)
{
    Put(t, value, !std::isfinite(value));
}

void TrendStore::AddGap(int64_t t)
{
    Put(t, 0, true);
}

void TrendStore::Put(int64_t t, double value, bool gap)
{
    if (count_ == 0) {
        first_ = t;
        for (Level &lv : levels_)
            lv.newest = kNone;
        curStart_ = curEnd_ = kNone;
    } else if (t < newest_) {
        t = newest_;
    }
    newest_ = t;
    ++count_;

    raw_[rawHead_] = {t, value};
    rawGap_[rawHead_] = gap;
    if (++rawHead_ == raw_.size())
        rawHead_ = 0;
    if (rawSize_ < raw_.size())
        ++rawSize_;

    if (t < curStart_ || t >= curEnd_ || curStart_ == kNone) {
        curStart_ = FloorDiv(t, config_.baseUs) * config_.baseUs;
        curEnd_ = curStart_ + config_.baseUs;
    }
    Merge(curStart_ / config_.baseUs, value, gap);   // exact: curStart_ is a multiple
}

// Each level's current bucket holds every sample of the current bucket
// below it, so a sample that changes nothing at one level changes nothing
// above it either: most samples stop at the first level.
void TrendStore::Merge(int64_t b0, double value, bool gap)
{
    const int64_t cap = config_.bucketsPerLevel, mask = cap - 1;
    for (size_t l = 0; l < levels_.size(); ++l) {
        Level &lv = levels_[l];
        const int64_t b = b0 >> l;
        if (lv.newest == kNone || b > lv.newest) {
            if (lv.newest == kNone || b - lv.newest >= cap) {
                std::fill(lv.flags.begin(), lv.flags.end(), uint8_t(0));
            } else {
                for (int64_t k = lv.newest + 1; k <= b; ++k)
                    lv.flags[size_t(k & mask)] = 0;
            }
            lv.newest = b;
        }
        const size_t s = size_t(b & mask);   // two's complement: right for negative b as well
        uint8_t &f = lv.flags[s];
        bool changed = false;
        if (gap) {
            if (!(f & kGap)) {
                f |= kGap;
                changed = true;
            }
        } else if (!(f & kData)) {
            f |= kData;
            lv.ext[s] = {value, value};
            changed = true;
        } else if (value < lv.ext[s].min) {
            lv.ext[s].min = value;
            changed = true;
        } else if (value > lv.ext[s].max) {
            lv.ext[s].max = value;
            changed = true;
        }
        if (!changed)
            return;
    }
}

int64_t TrendStore::CoverStart(int level) const
{
    if (level < 0) {
        if (rawSize_ < raw_.size())
            return kNone;
        return raw_[rawHead_].t + 1;   // samples at the oldest time may be gone in part
    }
    const Level &lv = levels_[size_t(level)];
    const int64_t width = config_.baseUs << level;
    const int64_t oldestBucket = lv.newest - config_.bucketsPerLevel + 1;
    if (FloorDiv(first_, width) >= oldestBucket)
        return kNone;
    return oldestBucket * width;
}

int64_t TrendStore::Oldest() const
{
    int64_t oldest = std::max(first_, newest_ - config_.historyUs);
    const int64_t top = CoverStart(Levels() - 1);
    if (top != kNone)
        oldest = std::max(oldest, top);
    return oldest;
}

bool TrendStore::LastValue(double &value) const
{
    if (rawSize_ == 0)
        return false;
    const size_t last = (rawHead_ + raw_.size() - 1) % raw_.size();
    if (rawGap_[last])
        return false;
    value = raw_[last].v;
    return true;
}

size_t TrendStore::MemoryBytes() const
{
    size_t n = sizeof *this + levels_.capacity() * sizeof(Level);
    for (const Level &lv : levels_)
        n += lv.ext.capacity() * sizeof(Extent) + lv.flags.capacity();
    n += raw_.capacity() * sizeof(RawSample) + rawGap_.capacity();
    return n;
}

void TrendStore::Query(int64_t t0, int64_t t1, int columns, std::vector<TrendColumn> &out) const
{
    out.assign(size_t(std::max(columns, 0)), TrendColumn{});
    if (count_ == 0 || columns <= 0 || t1 <= t0)
        return;
    const double dt = double(t1 - t0) / columns;
    const int64_t lo0 = std::max(t0, newest_ - config_.historyUs);
    // The finest source no finer than a column: the raw ring below one base width.
    int level = -1;
    while (level + 1 < Levels() && double(config_.baseUs << (level + 1)) <= dt)
        ++level;
    int64_t hi = t1;
    for (; level < Levels() && hi > lo0; ++level) {
        const int64_t cover = CoverStart(level);
        const int64_t lo = std::max(lo0, cover);
        if (lo < hi) {
            if (level < 0)
                ServeRaw(lo, hi, t0, dt, columns, out);
            else
                ServeLevel(level, lo, hi, t0, dt, columns, out);
        }
        if (cover == kNone)
            break;
        hi = std::min(hi, cover);
    }
}

void TrendStore::ServeRaw(int64_t lo, int64_t hi, int64_t t0, double dt, int columns,
                          std::vector<TrendColumn> &out) const
{
    const size_t cap = raw_.size();
    const size_t base = (rawHead_ + cap - rawSize_) % cap;
    const auto at = [&](size_t i) { return (base + i) % cap; };
    // The first sample at or after lo.
    size_t a = 0, b = rawSize_;
    while (a < b) {
        const size_t m = (a + b) / 2;
        if (raw_[at(m)].t < lo)
            a = m + 1;
        else
            b = m;
    }
    for (size_t i = a; i < rawSize_; ++i) {
        const size_t p = at(i);
        const int64_t t = raw_[p].t;
        if (t >= hi)
            break;
        const int c = std::clamp(int(double(t - t0) / dt), 0, columns - 1);
        MergeInto(out[size_t(c)], raw_[p].v, raw_[p].v, !rawGap_[p], rawGap_[p]);
    }
}

void TrendStore::ServeLevel(int level, int64_t lo, int64_t hi, int64_t t0, double dt, int columns,
                            std::vector<TrendColumn> &out) const
{
    const Level &lv = levels_[size_t(level)];
    const int64_t width = config_.baseUs << level;
    const int64_t cap = config_.bucketsPerLevel, mask = cap - 1;
    const int64_t first = std::max(FloorDiv(lo, width), lv.newest - cap + 1);
    const int64_t last = std::min(FloorDiv(hi - 1, width), lv.newest);
    for (int64_t b = first; b <= last; ++b) {
        const size_t s = size_t(b & mask);
        const uint8_t f = lv.flags[s];
        if (!f)
            continue;
        const int64_t from = std::max(b * width, t0), to = std::min(b * width + width, hi);
        const int c0 = std::clamp(int(std::floor(double(from - t0) / dt)), 0, columns - 1);
        const int c1 = std::clamp(int(std::ceil(double(to - t0) / dt)) - 1, c0, columns - 1);
        for (int c = c0; c <= c1; ++c)
            MergeInto(out[size_t(c)], lv.ext[s].min, lv.ext[s].max, f & kData, f & kGap);
    }
}
