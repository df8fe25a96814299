#pragma once
// The exchange thread: opens the channel chosen in the exchange record, then
// polls the slave until a stop is requested, handing every result to the
// host's Display.

#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/channel.h"
#include "engine/exchange_host.h"
#include "engine/exchange_record.h"

class MODBUS_Thread {
public:
    // Thread side of the exchange record.
    FunctionCode LastCmd = FunctionCode::ReadHolding;   // function of the current exchange
    std::atomic<uint8_t> Status{0};   // status code of the last exchange
    std::atomic<int32_t> ReqCount{0};   // exchanges started
    std::atomic<int32_t> ErrorCount{0};   // failed exchanges
    ExchangeFrames Frames;   // the last exchange's bytes, written in place by the channel

    // Creates the thread object; the thread starts running in Start().
    MODBUS_Thread(ExchangeRecord &rec, ExchangeHost &host);
    // Waits for the run body to end (never call from the thread itself).
    ~MODBUS_Thread();

    void Start();
    // Has the run body returned?
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // Joins the thread if its run body has returned; returns Finished().
    bool TryJoin();

    // The Display step: the host runs its GUI side on the GUI thread.
    void ShowExchange();

    ExchangeRecord &Record() { return rec_; }

private:
    void Execute();   // the run body: open, then cycle until a stop, then close
    std::unique_ptr<Channel> OpenChannel();
    // One cycle's request: a pending write first, else the read. Sets
    // LastCmd; returns the request's length, 0 when none was built.
    int BuildNextRequest(uint8_t (&req)[kMaxRequestFrame]);
    // Counts one exchange and its failure, stores a good read's values and
    // sets Status. Returns true for an answered write.
    bool ApplyReply(uint8_t status, const uint8_t *request);
    // The update period in 20 ms steps; ends early for a stop or a write.
    void WaitPeriod();

    ExchangeRecord &rec_;
    ExchangeHost &host_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
};

// Start: the engine's part of the main window's StartExchange. Zeroes
// WriteTries, Running, StopRequest and ValuesValid, creates the thread with
// zero counters and starts it. Any previous thread is stopped first, so two
// exchange threads never run at once.
void StartExchange(ExchangeRecord &rec, ExchangeHost &host);

// Stop: asks the thread to end, waits up to 20 x 100 ms for it while serving
// its Display calls, then ends it (always: the register image is never freed
// under a running thread), empties Thread and frees RegValues last.
void StopExchange(ExchangeRecord &rec, ExchangeHost &host);

// Status text of a status code ("OK", "No Reply", ... or "Error 0x%02X").
const char *StatusText(uint8_t status, char (&buf)[16]);

// The sleep of the update-period wait (called with 20 for every 20 ms
// step). Tests install a counting sleep; nullptr restores the plain sleep.
using ExchangeSleepFn = void (*)(uint32_t ms);
void SetExchangeSleepHook(ExchangeSleepFn fn);
