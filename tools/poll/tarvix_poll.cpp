// tarvix-poll: runs the exchange thread from the command line and prints one
// line per Display that follows an exchange, on the exchange thread itself.
// The main thread keeps the time limit and the signals and stops through the
// same StopExchange as the window.

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/exchange_setup.h"
#include "engine/Modbus_thread_unit.h"
#include "platform/ticks.h"
#include "tarvix_version.h"
#include "tools/cli/console_signals.h"
#include "tools/poll/console_host.h"
#include "tools/poll/poll_line_check.h"
#include "tools/poll/poll_options.h"
#include "tools/poll/poll_output.h"
#include "tools/poll/poll_scan.h"

namespace {

// The record the viewer's OK step would fill from the same choices, with
// the serial line options the console gives.
void FillPollRecord(const PollOptions &opt, ExchangeRecord &rec)
{
    TarvixSettings s;
    ExchangeChoice c;
    PollSettings(opt, s, c);
    FillExchangeRecord(s, c, rec);
    rec.Conn.Line = opt.line;
}

int Poll(const PollOptions &opt, LineWriter &out, const StopFlag &interrupted)
{
    ExchangeRecord rec;
    FillPollRecord(opt, rec);
    rec.WriteBy0x10On.store(opt.fc16 ? 1 : 0);
    ConsoleHost host(rec, opt, out);
    StartExchange(rec, host);

    const uint64_t start = PerfCounter();
    const uint64_t limitUs = opt.seconds > 0 ? static_cast<uint64_t>(opt.seconds * 1e6) : 0;
    while (interrupted.load(std::memory_order_relaxed) == 0) {
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

// --line-check: the serial channel as the poll would open it, 100 reads.
int LineCheck(const PollOptions &opt, const StopFlag &stop)
{
    ExchangeRecord rec;
    FillPollRecord(opt, rec);
    LineCheckRequest req;
    req.slave = opt.slave;
    req.cmd = opt.cmd;
    req.start = opt.start;
    req.count = opt.count;
    const int code = RunLineCheck(rec.Conn, req, stdout, stop);
    std::fflush(stdout);
    return code;
}

}   // namespace

int main(int argc, char **argv)
{
    PollOptions opt;
    std::string error;
    if (!ParsePollOptions(std::vector<std::string>(argv + 1, argv + argc), opt, error)) {
        cli::PrintError("tarvix-poll", error);
        return 2;
    }
    if (opt.help) {
        std::fputs(PollUsage().c_str(), stdout);
        return 0;
    }
    if (opt.version) {
        std::fputs(TARVIX_VERSION_TEXT("tarvix-poll"), stdout);
        return 0;
    }
    // Raised by SIGINT and SIGTERM; also the scan channel's stop flag.
    const StopFlag &interrupted = cli::InstallStopSignals();
    // Lines that come at most once a period, or go to a terminal, are
    // written one by one; a --period 0 stream to a pipe or file in blocks.
    LineWriter out(STDOUT_FILENO, opt.period > 0 || opt.scanFrom != 0 || isatty(STDOUT_FILENO));
    int code = 0;
    if (opt.lineCheck)
        code = LineCheck(opt, interrupted);
    else
        code = opt.scanFrom != 0 ? RunScan(opt, out, interrupted) : Poll(opt, out, interrupted);
    out.Flush();
    if (const int err = out.Error()) {
        std::fprintf(stderr, "tarvix-poll: standard output: %s\n", std::strerror(err));
        code = 1;
    }
    return code;
}
