// The system log entry point: forwards to the process-wide default log list.

#include "syslog.h"

#include <atomic>

namespace {
// Read without a lock from any thread; changed only when a log list is
// constructed or destroyed.
std::atomic<SysLogTarget *> g_defaultLogList{nullptr};
} // namespace

bool RegisterDefaultLogList(SysLogTarget *list)
{
    SysLogTarget *expected = nullptr;
    return list && g_defaultLogList.compare_exchange_strong(expected, list, std::memory_order_acq_rel);
}

void UnregisterDefaultLogList(SysLogTarget *list)
{
    SysLogTarget *expected = list;
    g_defaultLogList.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

SysLogTarget *DefaultLogList()
{
    return g_defaultLogList.load(std::memory_order_acquire);
}

extern "C" {

void vSysLogMsg(const char *fmt, va_list args)
{
    if (SysLogTarget *list = g_defaultLogList.load(std::memory_order_acquire))
        list->vSysLogMsg(fmt, args);
}

void SysLogMsg(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vSysLogMsg(fmt, args);
    va_end(args);
}

} // extern "C"
