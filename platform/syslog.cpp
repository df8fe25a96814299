// The system log entry point: forwards to the process-wide default log list.

#include "platform/syslog.h"

#include <atomic>
#include <thread>

namespace {
// Read without a lock from any thread; changed only when a log list is
// constructed or destroyed.
std::atomic<SysLogTarget *> g_defaultLogList{nullptr};

// Calls that may still use the default list they looked up, counted per
// generation. Unregistering clears the default, starts a new generation and
// waits until the calls of the old one are over, so that a log list being
// destroyed is never written to. Calls that begin after the switch count in
// the other slot and never see the old list, so the wait is bounded by the
// calls already under way.
std::atomic<unsigned> g_generation{0};
std::atomic<int> g_callsUnderWay[2];

class CallGuard {
public:
    CallGuard()
    {
        for (;;) {
            FSlot = g_generation.load() & 1u;
            g_callsUnderWay[FSlot].fetch_add(1);
            if ((g_generation.load() & 1u) == FSlot)
                return;
            g_callsUnderWay[FSlot].fetch_sub(1);
        }
    }
    ~CallGuard() { g_callsUnderWay[FSlot].fetch_sub(1); }
    CallGuard(const CallGuard &) = delete;
    CallGuard &operator=(const CallGuard &) = delete;

private:
    unsigned FSlot = 0;
};
}   // namespace

bool RegisterDefaultLogList(SysLogTarget *list)
{
    SysLogTarget *expected = nullptr;
    return list && g_defaultLogList.compare_exchange_strong(expected, list, std::memory_order_acq_rel);
}

void UnregisterDefaultLogList(SysLogTarget *list)
{
    SysLogTarget *expected = list;
    if (!g_defaultLogList.compare_exchange_strong(expected, nullptr))
        return;
    const unsigned old = g_generation.fetch_add(1) & 1u;
    while (g_callsUnderWay[old].load() != 0)
        std::this_thread::yield();
}

SysLogTarget *DefaultLogList()
{
    return g_defaultLogList.load(std::memory_order_acquire);
}

extern "C" {

void vSysLogMsg(const char *fmt, va_list args)
{
    const CallGuard guard;
    if (SysLogTarget *list = g_defaultLogList.load())
        list->vSysLogMsg(fmt, args);
}

void SysLogMsg(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vSysLogMsg(fmt, args);
    va_end(args);
}

}   // extern "C"
