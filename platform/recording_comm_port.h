#pragma once
// A comm port that records every call and plays scripted replies: the seam
// through which tests prove the line-control sequence, the line-error path and
// the open failures without a device.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/comm_port.h"

// State shared between a test and the port it handed to the code under test.
struct PortRecord {
    // Script.
    int openError = 0;   // errno for Open, 0 = success
    int lineError = 0;   // errno for SetLine, 0 = success
    int shortWrite = -1;   // >= 0: Write writes only that many bytes
    struct Reply {
        std::vector<uint8_t> bytes;   // what one Read returns
        uint32_t lineErrors = 0;   // what the following TakeLineErrors returns
    };
    std::deque<Reply> replies;   // consumed one per Read; none left: 0 bytes

    // Record: one entry per call, e.g. "open /dev/ttyS1", "line 9600 even",
    // "timeouts 40 1000", "rts 1", "dtr 0", "write 8", "flush", "drain",
    // "read", "errors", "close", and "sleep 20", "ticks 130" from the hooks.
    std::vector<std::string> calls;
    std::vector<uint64_t> callTimesUs;   // monotonic time of each call, in step with calls
    std::vector<uint8_t> written;   // every byte written, in order
    bool open = false;
    bool rts = false;
    bool dtr = false;

    // Drops the calls recorded so far.
    void Clear()
    {
        calls.clear();
        callTimesUs.clear();
    }
    // Records one call with its time.
    void Note(std::string call);
    // Microseconds from the first call named `from` to the first call named
    // `to` after it; -1 when either is missing.
    int64_t UsBetween(const std::string &from, const std::string &to) const;
    // The recorded calls joined by ", ".
    std::string Joined() const;
};

class RecordingCommPort final : public CommPort {
public:
    explicit RecordingCommPort(std::shared_ptr<PortRecord> rec) : rec_(std::move(rec)) {}

    int Open(const char *path) override;
    int SetLine(int baud, bool evenParity) override;
    void SetTimeouts(uint32_t intervalMs, uint32_t totalMs) override;
    void SetRts(bool high) override;
    void SetDtr(bool high) override;
    int Write(const uint8_t *data, int len) override;
    void Flush() override;
    void WaitTxEmpty() override;
    int Read(uint8_t *buf, int size) override;
    int ReadSome(uint8_t *buf, int size, uint32_t waitUs) override;
    uint32_t TakeLineErrors() override;
    void Close() override;
    bool IsOpen() const override { return rec_->open; }

private:
    std::shared_ptr<PortRecord> rec_;
    uint32_t pendingErrors_ = 0;
};
