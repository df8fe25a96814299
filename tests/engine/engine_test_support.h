#pragma once
// Shared by the engine's tests and benchmarks: a host that records every
// Display, and records filled for loopback connections.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "engine/Modbus_thread_unit.h"
#include "engine/mailbox_host.h"
#include "tests/support/child_process.h"
#include "tests/support/hex.h"

// A port on 127.0.0.1 that refuses connections (bound once, then closed).
int RefusingPort();

// One Display as the window would see it.
struct Shot {
    int32_t reqCount = 0;
    uint8_t status = 0;
    int32_t errorCount = 0;
    std::string request;   // "00 00 ..." upper-case hex
    std::string reply;
    bool valid = false;
    std::vector<uint16_t> values;
    uint32_t sleeps = 0;   // 20 ms waits counted so far
};

// Records every Display and message box; runs an optional hook on the
// serving thread after each Display (a grid edit would run there).
class RecordingHost : public MailboxHost {
public:
    explicit RecordingHost(ExchangeRecord &rec) : rec_(rec) {}

    std::vector<Shot> shots;   // serving thread only
    std::vector<std::string> boxes;   // "caption: text|flags"
    std::function<void(const Shot &)> onDisplay;   // serving thread
    std::atomic<int> displayCalls{0};   // every Display call the engine made
    std::atomic<bool> cancelled{false};
    std::atomic<bool> holdBoxes{false};   // keep message boxes up until cancelled
    std::atomic<bool> boxEntered{false};
    // The thread's counters at the end of its run body.
    std::atomic<int> endStatus{-1};
    std::atomic<int32_t> endReqCount{-1};
    std::atomic<int32_t> endErrorCount{-1};

    void Display(MODBUS_Thread &thread) override;
    void MessageBox(const std::string &text, const std::string &caption, int flags) override;
    void CancelWaits() override;
    void ResumeWaits() override;
    void ThreadEnded() override;

    // Serves until `pred` holds or `ms` passed; returns pred().
    bool ServeUntil(const std::function<bool()> &pred, int ms = 8000);

protected:
    void OnDisplay(MODBUS_Thread &thread) override;
    void OnMessageBox(const std::string &text, const std::string &caption, int flags) override;

private:
    ExchangeRecord &rec_;
    std::atomic<MODBUS_Thread *> thread_{nullptr};
};

// Counting sleep for the update-period wait.
extern std::atomic<uint32_t> g_testSleeps;
void CountingSleep(uint32_t ms);

// Fills a record for a loopback network connection and allocates the image.
void FillNetRecord(ExchangeRecord &rec, uint8_t connType, int port, bool crcFraming, uint16_t start, uint16_t count,
                   uint32_t period);

// Sets the 0x10 option and hands a write over as a grid edit does.
void HandOverWrite(ExchangeRecord &rec, uint16_t reg, const std::vector<uint16_t> &values, bool fc16);
