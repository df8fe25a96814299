#pragma once
// The serial line channel's helpers and its seam: the port, the sleeps and the
// turn-around busy-wait can be replaced, so that tests can record them.

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/channel.h"
#include "platform/comm_port.h"

// Inter-byte gap that ends a reply, by baud rate: up to 1200: 100 ms; up to
// 2400: 80 ms; up to 4800: 50 ms; up to 9600: 40 ms; above: 30 ms.
uint32_t IntervalTimeoutForBaud(int32_t baud);

// Time-out of a whole reply read, counted from the start of the read.
constexpr uint32_t kSerialTotalTimeoutMs = 1000;

// The RS-485 turn-around in performance-counter ticks (microseconds):
// 14976000 / baud, and 0 for a baud rate of 0 or below (no division by zero).
int32_t CharTimeForBaud(int32_t baud);

// Busy-waits until the low 32 bits of the performance counter have moved on
// by at least `ticks` since the call (unsigned 32-bit subtraction, so a wrap
// of the counter is harmless).
void WaitPerfTicks(uint32_t ticks);

// Waits `us` microseconds: spins, and sleeps all but the last 2 ms of a
// wait above 20 ms.
void WaitUs(uint32_t us);

struct SerialHooks {
    std::function<std::unique_ptr<CommPort>()> makePort;   // default: the tty port
    std::function<void(uint32_t)> sleepMs;   // default: SleepMs
    std::function<void(uint32_t)> waitTicks;   // default: WaitPerfTicks
};

// OpenSerialChannel with replaceable hooks; empty hooks take the defaults.
std::unique_ptr<Channel> OpenSerialChannelWith(const ChannelSettings &cs, ExchangeHost &host, const SerialHooks &hooks);
