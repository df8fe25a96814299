// tarvix-poll: runs the exchange thread from the command line and prints one
// line per Display that follows an exchange. The main thread serves the
// engine's mailbox, as the GUI thread would, and stops through the same
// StopExchange.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/Modbus_thread_unit.h"
#include "engine/mailbox_host.h"
#include "platform/ticks.h"
#include "tools/poll/poll_options.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int)
{
    g_interrupted = 1;
}

class ConsoleHost final : public MailboxHost {
public:
    ConsoleHost(ExchangeRecord &rec, const PollOptions &opt) : rec_(rec), opt_(opt) {}
    long lines = 0;

    // A box is printed straight from the exchange thread and counts as closed
    // at once, so a stop that comes right after it can never swallow it.
    void MessageBox(const std::string &text, const std::string &caption, int flags) override
    {
        OnMessageBox(text, caption, flags);
    }

protected:
    void OnDisplay(MODBUS_Thread &t) override
    {
        // The Display before the channel opens shows no exchange: a script's
        // first line is a real one. A Display already under way when the
        // stop began is still served; past the line limit it prints nothing.
        if (t.ReqCount.load() == 0 || (opt_.cycles > 0 && lines >= opt_.cycles))
            return;
        std::vector<uint16_t> values;
        if (rec_.ValuesValid.load(std::memory_order_acquire))
            for (int i = 0; i < rec_.ReadableCount(); ++i)
                values.push_back(rec_.RegValues[i].load(std::memory_order_relaxed));
        const std::string line = FormatDisplayLine(t.ReqCount.load(), t.Status.load(), t.ErrorCount.load(),
                                                   t.Frames.ReqFrame, t.Frames.ReqLen, t.Frames.ReplyFrame,
                                                   t.Frames.ReplyLen, values.data(), static_cast<int>(values.size()));
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        ++lines;
        // The write is handed over as a grid edit does.
        if (opt_.write && !writeSent_ && !values.empty()) {
            rec_.HandOverWrite(opt_.writeReg, opt_.writeValue);
            writeSent_ = true;
        }
    }

    void OnMessageBox(const std::string &text, const std::string &caption, int) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
    }

private:
    ExchangeRecord &rec_;
    const PollOptions &opt_;
    bool writeSent_ = false;
};

}   // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(kPollUsage, stdout);
            return 0;
        }
    PollOptions opt;
    std::string error;
    if (!ParsePollOptions(std::vector<std::string>(argv + 1, argv + argc), opt, error)) {
        std::fprintf(stderr, "tarvix-poll: %s\n%s", error.c_str(), kPollUsage);
        return 2;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    ExchangeRecord rec;
    FillRecord(opt, rec);
    ConsoleHost host(rec, opt);
    StartExchange(rec, host);

    const uint64_t start = PerfCounter();
    const uint64_t limitUs = opt.seconds > 0 ? static_cast<uint64_t>(opt.seconds * 1e6) : 0;
    while (!g_interrupted) {
        if (opt.cycles > 0 && host.lines >= opt.cycles)
            break;
        if (limitUs && PerfCounter() - start >= limitUs)
            break;
        if (rec.Thread->Finished())
            break;
        host.ServeFor(20);
    }
    StopExchange(rec, host);
    // Running is raised only once the channel is open: a run that ended
    // before that (the open failed, or the time ran out or a signal came
    // while it was still opening) never talked to the slave.
    return rec.Running.load() == 0 ? 1 : 0;
}
