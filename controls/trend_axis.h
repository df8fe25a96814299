#pragma once
// The trend plot's axes as plain functions: where a time or a value falls
// in pixels, and which ticks and labels an axis shows. Times are
// microseconds of the wall clock; labels are in local time.

#include <cstdint>
#include <string>
#include <vector>

struct TimeTick {
    int64_t t;
    std::string label;   // "14:03", "14:03:07", "14:03:07.250", or "12-09" at a local midnight
};

// The x of time t on an axis from t0 (at `left`) to t1 (at left + width).
double TimeToX(int64_t t, int64_t t0, int64_t t1, double left, double width);
// The time at x (the inverse of TimeToX).
int64_t XToTime(double x, int64_t t0, int64_t t1, double left, double width);

// The tick step for a time axis of `widthPx` over [t0, t1) whose labels are
// `charPx` pixels a character: the least step of 1-2-5 ms ... days whose
// labels do not touch.
int64_t TimeStep(int64_t t0, int64_t t1, int widthPx, int charPx);
// The ticks of that step inside [t0, t1], at whole steps of local time.
std::vector<TimeTick> TimeTicks(int64_t t0, int64_t t1, int widthPx, int charPx);
// A tick's label for a given step.
std::string TimeLabel(int64_t t, int64_t step);
// Local date and time of t to the millisecond: "2026-12-09 14:03:07.412".
std::string FullTimeText(int64_t t);

struct ValueTicks {
    double step = 1;
    std::vector<double> values;
};
// Ticks of 1, 2 or 5 times a power of ten inside [lo, hi], at least
// `minSpacingPx` apart over `heightPx`.
ValueTicks ValueTickSet(double lo, double hi, int heightPx, int minSpacingPx);
// A value's label with as many decimals as the step needs ("%g" style for
// very large or small steps).
std::string ValueLabel(double v, double step);
