// Helpers shared by the log list tests.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/Loglist.h"

// 7 March 2016, 09:05:02.045.
inline TLogTime FixedTime()
{
    TLogTime t;
    t.year = 2016;
    t.month = 3;
    t.day = 7;
    t.hour = 9;
    t.minute = 5;
    t.second = 2;
    t.msec = 45;
    return t;
}

inline std::vector<std::string> Lines(TLogList &list)
{
    std::vector<std::string> out;
    const TLogLineList *lines = list.LockRead();
    for (int i = 0; i < lines->Count(); ++i)
        out.push_back(lines->Text(i));
    list.UnlockRead();
    return out;
}

inline std::string ReadFile(const std::string &name)
{
    std::string data;
    if (std::FILE *f = std::fopen(name.c_str(), "rb")) {
        char buf[65536];
        std::size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
            data.append(buf, got);
        std::fclose(f);
    }
    return data;
}

inline void WriteFile(const std::string &name, const std::string &data)
{
    std::FILE *f = std::fopen(name.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

inline bool FileExists(const std::string &name)
{
    std::FILE *f = std::fopen(name.c_str(), "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

// Runs the event loop until cond holds or ms have passed.
inline bool WaitFor(const std::function<bool()> &cond, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}
