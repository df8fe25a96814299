#pragma once
// The console host of the exchange engine: a Display prints its line right
// on the exchange thread and returns; message boxes go to standard error.
// The main thread only waits for the end (a line limit, the output gone,
// the thread ended), keeps the time limit and the signals, and stops.

#include <condition_variable>
#include <mutex>

#include "engine/Modbus_thread_unit.h"
#include "tools/poll/poll_options.h"
#include "tools/poll/poll_output.h"

class ConsoleHost final : public ExchangeHost {
public:
    ConsoleHost(ExchangeRecord &rec, const PollOptions &opt, LineWriter &out) : rec_(rec), opt_(opt), out_(out) {}

    void Display(MODBUS_Thread &thread) override;
    void MessageBox(const std::string &text, const std::string &caption, int flags) override;
    void ServeFor(int ms) override;
    void CancelWaits() override;
    void ResumeWaits() override;
    void ThreadEnded() override;

    // Main thread: waits up to `ms` ms; true once the run should end (the
    // line limit reached, the output ended, or the thread ended).
    bool WaitForEnd(int ms);

private:
    // Exchange thread: asks the thread to end after this Display.
    void EndRun();

    ExchangeRecord &rec_;
    const PollOptions &opt_;
    LineWriter &out_;
    // Exchange thread only.
    long lines_ = 0;
    bool headerDone_ = false;
    bool writeSent_ = false;
    int lastException_ = -1;

    std::mutex m_;
    std::condition_variable cv_;
    bool end_ = false;   // the run should end
    bool threadEnded_ = false;
    bool cancelled_ = false;
};

// Names an exception reply on standard error.
void ReportException(int slave, int code);
