#pragma once
// The GUI's frame time as a user feels it: a precise 10 ms timer on the GUI
// thread, and how late each of its ticks came while measuring is on.

#include <QElapsedTimer>
#include <QTimer>
#include <vector>

class FrameLateness {
public:
    static constexpr int kTickMs = 10;

    FrameLateness()
    {
        clock_.start();
        tick_.setTimerType(Qt::PreciseTimer);
        tick_.setInterval(kTickMs);
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (measuring_ && last_ >= 0)
                lateMs_.push_back(now - last_ - kTickMs);
            last_ = now;
        });
        tick_.start();
    }

    void Measure(bool on) { measuring_ = on; }
    void Stop() { tick_.stop(); }
    // The lateness of each tick measured, in milliseconds.
    const std::vector<qint64> &LateMs() const { return lateMs_; }

private:
    QElapsedTimer clock_;
    QTimer tick_;
    qint64 last_ = -1;
    bool measuring_ = false;
    std::vector<qint64> lateMs_;
};
