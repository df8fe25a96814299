#include "controls/log_format.h"

#include <chrono>
#include <cstdio>
#include <ctime>

TLogTime LocalLogTime()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    TLogTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.msec = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

namespace {

// Length of the first n bytes of s, shortened so that it does not end inside
// a UTF-8 sequence.
std::size_t Utf8Boundary(const char *s, std::size_t n)
{
    std::size_t end = n;
    std::size_t back = 0;
    while (end > 0 && back < 4 && (static_cast<unsigned char>(s[end - 1]) & 0xC0) == 0x80) {
        --end;
        ++back;
    }
    if (end == 0)
        return n;
    const unsigned char lead = static_cast<unsigned char>(s[end - 1]);
    std::size_t need = 1;
    if ((lead & 0xE0) == 0xC0)
        need = 2;
    else if ((lead & 0xF0) == 0xE0)
        need = 3;
    else if ((lead & 0xF8) == 0xF0)
        need = 4;
    else if (lead & 0x80)
        return n;   // not UTF-8 at all: keep the bytes as they are
    if (back + 1 >= need)
        return n;   // the last sequence is complete
    return end - 1;
}

// vsnprintf into buf; returns the length actually held, cut on a character
// boundary when the text did not fit.
std::size_t PrintCut(char *buf, std::size_t size, const char *fmt, va_list args)
{
    if (size == 0)
        return 0;
    buf[0] = '\0';
    if (!fmt)
        return 0;
    const int wanted = std::vsnprintf(buf, size, fmt, args);
    if (wanted < 0) {
        buf[0] = '\0';
        return 0;
    }
    if (static_cast<std::size_t>(wanted) < size)
        return static_cast<std::size_t>(wanted);
    const std::size_t len = Utf8Boundary(buf, size - 1);
    buf[len] = '\0';
    return len;
}

}   // namespace

std::size_t FormatLogStamp(char *buf, std::size_t size, TLogDTFormat format, const TLogTime &t)
{
    int len;
    if (format.Contains(ldtDate)) {
        if (format.Contains(ldtFullYear))
            len = std::snprintf(buf, size, "%02d.%02d.%d, %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                                t.second);
        else
            len = std::snprintf(buf, size, "%02d.%02d.%02d, %02d:%02d:%02d", t.day, t.month,
                                ((t.year % 100) + 100) % 100, t.hour, t.minute, t.second);
    } else {
        len = std::snprintf(buf, size, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    }
    if (len < 0)
        len = 0;
    if (static_cast<std::size_t>(len) >= size)
        len = static_cast<int>(size - 1);
    if (format.Contains(ldtMSec)) {
        const int more = std::snprintf(buf + len, size - len, ".%03d", t.msec);
        if (more > 0)
            len += more;
        if (static_cast<std::size_t>(len) >= size)
            len = static_cast<int>(size - 1);
    }
    return static_cast<std::size_t>(len);
}

std::size_t FormatLogLine(char *buf, std::size_t size, TLogDTFormat format, const TLogTime &t, const char *fmt,
                          va_list args)
{
    std::size_t len = FormatLogStamp(buf, size, format, t);
    buf[len++] = ' ';
    buf[len++] = ' ';
    // Keep room for the line feed behind the message.
    len += PrintCut(buf + len, size - len - 1, fmt, args);
    buf[len++] = '\n';
    buf[len] = '\0';
    return len;
}

std::size_t FormatLogText(char *buf, std::size_t size, const char *fmt, va_list args)
{
    return PrintCut(buf, size, fmt, args);
}
