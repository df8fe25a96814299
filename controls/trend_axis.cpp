#include "controls/trend_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

constexpr int64_t kMs = 1000, kS = 1000 * kMs, kMin = 60 * kS, kH = 60 * kMin, kDay = 24 * kH;

constexpr int64_t kSteps[] = {1 * kMs,   2 * kMs,   5 * kMs,   10 * kMs,  20 * kMs,   50 * kMs,  100 * kMs,
                              200 * kMs, 500 * kMs, 1 * kS,    2 * kS,    5 * kS,     10 * kS,   15 * kS,
                              30 * kS,   1 * kMin,  2 * kMin,  5 * kMin,  10 * kMin,  15 * kMin, 30 * kMin,
                              1 * kH,    2 * kH,    3 * kH,    6 * kH,    12 * kH,    1 * kDay,  2 * kDay,
                              7 * kDay,  14 * kDay, 28 * kDay, 56 * kDay, 112 * kDay, 364 * kDay};

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

tm LocalTm(int64_t t)
{
    const time_t s = time_t(FloorDiv(t, kS));
    tm local{};
    localtime_r(&s, &local);
    return local;
}

// Characters of a label of this step (the widest of its forms).
int LabelChars(int64_t step)
{
    if (step < kS)
        return 12;   // 14:03:07.250
    if (step < kMin)
        return 8;   // 14:03:07
    return 5;   // 14:03 or 12-09
}

}   // namespace

double TimeToX(int64_t t, int64_t t0, int64_t t1, double left, double width)
{
    if (t1 <= t0)
        return left;
    return left + double(t - t0) / double(t1 - t0) * width;
}

int64_t XToTime(double x, int64_t t0, int64_t t1, double left, double width)
{
    if (width <= 0)
        return t0;
    return t0 + int64_t(std::llround((x - left) / width * double(t1 - t0)));
}

int64_t TimeStep(int64_t t0, int64_t t1, int widthPx, int charPx)
{
    const double span = double(std::max<int64_t>(t1 - t0, 1));
    for (int64_t step : kSteps)
        if (double(step) / span * std::max(widthPx, 1) >= (LabelChars(step) + 3) * charPx)
            return step;
    return kSteps[sizeof kSteps / sizeof kSteps[0] - 1];
}

std::string TimeLabel(int64_t t, int64_t step)
{
    const tm local = LocalTm(t);
    char buf[32];
    if (step >= kMin && local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0)
        std::snprintf(buf, sizeof buf, "%02d-%02d", local.tm_mon + 1, local.tm_mday);
    else if (step < kS)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                      int(FloorDiv(t, kMs) - FloorDiv(t, kS) * 1000));
    else if (step < kMin)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    else
        std::snprintf(buf, sizeof buf, "%02d:%02d", local.tm_hour, local.tm_min);
    return buf;
}

std::vector<TimeTick> TimeTicks(int64_t t0, int64_t t1, int widthPx, int charPx)
{
    std::vector<TimeTick> ticks;
    if (t1 <= t0)
        return ticks;
    const int64_t step = TimeStep(t0, t1, widthPx, charPx);
    // Whole steps of local time: the offset from UTC at t0 (days of a week
    // and more still start at a local midnight).
    const int64_t offset = int64_t(LocalTm(t0).tm_gmtoff) * kS;
    int64_t t = (FloorDiv(t0 + offset + step - 1, step)) * step - offset;
    for (int n = 0; t <= t1 && n < 1000; ++n, t += step)
        ticks.push_back({t, TimeLabel(t, step)});
    return ticks;
}

std::string FullTimeText(int64_t t)
{
    const tm local = LocalTm(t);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  int(FloorDiv(t, kMs) - FloorDiv(t, kS) * 1000));
    return buf;
}

ValueTicks ValueTickSet(double lo, double hi, int heightPx, int minSpacingPx)
{
    ValueTicks vt;
    if (!(hi > lo) || !std::isfinite(hi - lo) || heightPx <= 0)
        return vt;
    const double most = std::max(1.0, double(heightPx) / std::max(minSpacingPx, 1));
    const double raw = (hi - lo) / most;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    vt.step = p * 10;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= raw * (1 - 1e-9)) {
            vt.step = m * p;
            break;
        }
    const double first = std::ceil(lo / vt.step);
    for (int i = 0; i < 200; ++i) {
        const double v = (first + i) * vt.step;
        if (v > hi + vt.step * 1e-9)
            break;
        vt.values.push_back(std::fabs(v) < vt.step * 1e-9 ? 0.0 : v);
    }
    return vt;
}

std::string ValueLabel(double v, double step)
{
    char buf[48];
    const double mag = std::max(std::fabs(v), step);
    if (step >= 1e-4 && mag < 1e12) {
        const int decimals = step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    } else {
        std::snprintf(buf, sizeof buf, "%.3g", v);
    }
    return buf;
}
