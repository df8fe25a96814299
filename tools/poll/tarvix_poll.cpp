// tarvix-poll: runs the exchange thread from the command line and prints one
// line per Display that follows an exchange, on the exchange thread itself.
// The main thread keeps the time limit and the signals and stops through the
// same StopExchange as the window.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/exchange_setup.h"
#include "engine/Modbus_thread_unit.h"
#include "platform/ticks.h"
#include "tarvix_version.h"
#include "tools/poll/console_host.h"
#include "tools/poll/poll_options.h"
#include "tools/poll/poll_output.h"
#include "tools/poll/poll_scan.h"

namespace {

// Raised by SIGINT and SIGTERM; also the scan channel's stop flag.
StopFlag g_interrupted{0};
static_assert(StopFlag::is_always_lock_free);

void OnSignal(int)
{
    g_interrupted.store(1, std::memory_order_relaxed);
}

void InstallSignals()
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A reader that went away shows as EPIPE on the write.
    std::signal(SIGPIPE, SIG_IGN);
}

int Poll(const PollOptions &opt, LineWriter &out)
{
    ExchangeRecord rec;
    TarvixSettings s;
    ExchangeChoice c;
    PollSettings(opt, s, c);
    FillExchangeRecord(s, c, rec);
    rec.WriteBy0x10On.store(opt.fc16 ? 1 : 0);
    ConsoleHost host(rec, opt, out);
    StartExchange(rec, host);

    const uint64_t start = PerfCounter();
    const uint64_t limitUs = opt.seconds > 0 ? static_cast<uint64_t>(opt.seconds * 1e6) : 0;
    while (g_interrupted.load(std::memory_order_relaxed) == 0) {
        int waitMs = 100;   // also how late gathered lines may come out
        if (limitUs) {
            const uint64_t elapsed = PerfCounter() - start;
            if (elapsed >= limitUs)
                break;
            waitMs = static_cast<int>(std::min<uint64_t>(100, (limitUs - elapsed + 999) / 1000));
        }
        const bool end = host.WaitForEnd(waitMs);
        out.Flush();
        if (end)
            break;
    }
    StopExchange(rec, host);
    // Running is raised only once the channel is open: a run that ended
    // before that (the open failed, or the time ran out or a signal came
    // while it was still opening) never talked to the slave.
    return rec.Running.load() == 0 ? 1 : 0;
}

}   // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kPollUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(TARVIX_VERSION_TEXT("tarvix-poll"), stdout);
            return 0;
        }
    }
    PollOptions opt;
    std::string error;
    if (!ParsePollOptions(std::vector<std::string>(argv + 1, argv + argc), opt, error)) {
        std::fprintf(stderr, "tarvix-poll: %s\n", error.c_str());
        return 2;
    }
    InstallSignals();
    // Lines that come at most once a period, or go to a terminal, are
    // written one by one; a --period 0 stream to a pipe or file in blocks.
    LineWriter out(STDOUT_FILENO, opt.period > 0 || opt.scanFrom != 0 || isatty(STDOUT_FILENO));
    int code = opt.scanFrom != 0 ? RunScan(opt, out, g_interrupted) : Poll(opt, out);
    out.Flush();
    if (const int err = out.Error()) {
        std::fprintf(stderr, "tarvix-poll: standard output: %s\n", std::strerror(err));
        code = 1;
    }
    return code;
}
