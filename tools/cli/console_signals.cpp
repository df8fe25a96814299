#include "tools/cli/console_signals.h"

#include <csignal>

namespace cli {

namespace {

SignalFlag g_stop{0};
static_assert(SignalFlag::is_always_lock_free);

void OnSignal(int)
{
    g_stop.store(1, std::memory_order_relaxed);
}

}   // namespace

SignalFlag &InstallStopSignals()
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return g_stop;
}

}   // namespace cli
