#pragma once
// Ticks and sleeps on the monotonic clock.

#include <cstdint>
#include <ctime>

// Milliseconds of the monotonic clock, wrapping at 2^32 like a tick count.
inline uint32_t TickCountMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

// Microseconds of the monotonic clock: the high-resolution performance counter.
inline uint64_t PerfCounter()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

// Sleeps at least `ms` milliseconds (restarted after signals).
inline void SleepMs(uint32_t ms)
{
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &req, &req) != 0) {}
}
