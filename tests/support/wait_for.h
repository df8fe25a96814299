#pragma once
// Waits for a condition in small steps, bounded in time.

#include <chrono>
#include <functional>
#include <thread>

// True once `pred` holds, false after `ms`; runs `step` between looks (an
// event loop turn, or a sleep of 5 ms when none is given).
inline bool WaitFor(const std::function<bool()> &pred, int ms, const std::function<void()> &step = {})
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        if (step)
            step();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
