#include "engine/record_text.h"

#include <cstdio>

std::string IsoLocalTime(const timespec &t)
{
    tm local{};
    localtime_r(&t.tv_sec, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const long off = local.tm_gmtoff / 60;
    const long absOff = off < 0 ? -off : off;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s.%03ld%c%02ld:%02ld", date, t.tv_nsec / 1000000, off < 0 ? '-' : '+', absOff / 60,
                  absOff % 60);
    return buf;
}

std::string CsvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string s = "\"";
    for (char c : text) {
        if (c == '"')
            s += '"';
        s += c;
    }
    return s + '"';
}
