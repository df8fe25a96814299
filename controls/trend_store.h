#pragma once
// The samples of one trend series: the recent ones at full resolution in a
// ring of bounded size, and every one of them also in a min/max pyramid
// whose levels hold buckets of 1, 2, 4 ... base widths of time, each with
// the exact minimum and maximum of its samples and whether a gap (a failed
// exchange) fell into it. Each level is a ring of a fixed number of
// buckets, so memory is fixed whatever the sample rate; the level count is
// the least that covers the history length, and a query never reaches
// further back than that.
//
// Plain C++, no Qt. Times are microseconds (of the wall clock), never
// decreasing: a sample older than the newest one is taken at the newest time.

#include <cstddef>
#include <cstdint>
#include <vector>

struct TrendStoreConfig {
    int64_t baseUs = 10000;   // bucket width of level 0
    int bucketsPerLevel = 8192;   // rounded up to a power of two
    int rawCapacity = 16384;   // samples kept at full resolution
    int64_t historyUs = int64_t(24) * 3600 * 1000000;
};

// One pixel column of a query.
struct TrendColumn {
    double min = 0, max = 0;
    bool data = false;   // holds at least one value
    bool gap = false;   // holds at least one gap
};

class TrendStore {
public:
    explicit TrendStore(const TrendStoreConfig &config = {});

    // A value at time t; a value that is not finite is kept as a gap.
    void Add(int64_t t, double value);
    // A failed exchange at time t.
    void AddGap(int64_t t);
    // Forgets every sample.
    void Clear();

    // Min, max, data and gap of each of `columns` columns over [t0, t1):
    // column c covers [t0 + c (t1 - t0) / columns, t0 + (c + 1) (t1 - t0) /
    // columns). Each column is served from the finest source that holds its
    // time and is no finer than a column; a bucket wider than a column marks
    // every column it overlaps. Nothing older than the history length before
    // the newest sample is returned.
    void Query(int64_t t0, int64_t t1, int columns, std::vector<TrendColumn> &out) const;

    bool Empty() const { return count_ == 0; }
    uint64_t Count() const { return count_; }   // samples and gaps added
    int64_t Oldest() const;   // time of the oldest sample a query can return
    int64_t Newest() const { return newest_; }
    // The newest value (false when the newest sample is a gap or there is none).
    bool LastValue(double &value) const;
    // Bytes held (fixed at construction).
    size_t MemoryBytes() const;
    int Levels() const { return int(levels_.size()); }
    const TrendStoreConfig &Config() const { return config_; }

private:
    struct Extent {
        double min = 0, max = 0;
    };
    struct Level {
        std::vector<Extent> ext;
        std::vector<uint8_t> flags;   // kData, kGap
        int64_t newest = -1;   // index of the newest bucket (time / width)
    };
    static constexpr uint8_t kData = 1, kGap = 2;

    void Put(int64_t t, double value, bool gap);
    void Merge(int64_t b0, double value, bool gap);
    // Oldest time a level (or the raw ring, level -1) holds.
    int64_t CoverStart(int level) const;
    void ServeRaw(int64_t lo, int64_t hi, int64_t t0, double dt, int columns, std::vector<TrendColumn> &out) const;
    void ServeLevel(int level, int64_t lo, int64_t hi, int64_t t0, double dt, int columns,
                    std::vector<TrendColumn> &out) const;

    TrendStoreConfig config_;
    std::vector<Level> levels_;
    // The full-resolution ring.
    struct RawSample {
        int64_t t = 0;
        double v = 0;
    };
    std::vector<RawSample> raw_;
    std::vector<uint8_t> rawGap_;
    size_t rawHead_ = 0;   // next slot
    size_t rawSize_ = 0;
    uint64_t count_ = 0;
    int64_t first_ = 0;   // time of the first sample since the last Clear
    int64_t newest_ = 0;
    // The level-0 bucket of the newest sample: [curStart_, curEnd_).
    int64_t curStart_ = 0, curEnd_ = 0;
};
