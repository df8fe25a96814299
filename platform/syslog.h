#pragma once
// The system log entry point: plain C functions that forward a message to the
// process-wide default log list, if one is registered, and do nothing
// otherwise. Plain C++, usable from the engine without any widget code.

#include <cstdarg>

// What a log list offers to the entry point.
class SysLogTarget {
public:
    virtual ~SysLogTarget() = default;
    virtual void vSysLogMsg(const char *fmt, va_list args) = 0;
};

// Registration: a log list registers itself at construction when no default
// exists, and unregisters at destruction when it is the default.
bool RegisterDefaultLogList(SysLogTarget *list);   // true when it became the default
// Unregistering waits until calls already under way through the entry point
// are over, so that a list being destroyed receives no more messages.
void UnregisterDefaultLogList(SysLogTarget *list);   // no-op unless it is the default
SysLogTarget *DefaultLogList();

extern "C" {
void SysLogMsg(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// The argument list holds the format's arguments; fmt is the format.
void vSysLogMsg(const char *fmt, va_list args);
}
