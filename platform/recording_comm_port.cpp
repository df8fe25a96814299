#include "platform/recording_comm_port.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/ticks.h"

std::string PortRecord::Joined() const
{
    std::string s;
    for (const std::string &c : calls) {
        if (!s.empty())
            s += ", ";
        s += c;
    }
    return s;
}

void PortRecord::Note(std::string call)
{
    calls.push_back(std::move(call));
    callTimesUs.push_back(PerfCounter());
}

int64_t PortRecord::UsBetween(const std::string &from, const std::string &to) const
{
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] != from)
            continue;
        for (size_t j = i + 1; j < calls.size(); ++j)
            if (calls[j] == to)
                return static_cast<int64_t>(callTimesUs[j] - callTimesUs[i]);
        return -1;
    }
    return -1;
}

int RecordingCommPort::Open(const char *path)
{
    rec_->Note(std::string("open ") + path);
    if (rec_->openError != 0)
        return rec_->openError;
    // Like the real port: both lines are low once the port is open.
    rec_->open = true;
    rec_->rts = false;
    rec_->dtr = false;
    return 0;
}

int RecordingCommPort::SetLine(int baud, bool evenParity)
{
    rec_->Note("line " + std::to_string(baud) + (evenParity ? " even" : " none"));
    if (baud <= 0)
        return EINVAL;
    return rec_->lineError;
}

void RecordingCommPort::SetTimeouts(uint32_t intervalMs, uint32_t totalMs)
{
    rec_->Note("timeouts " + std::to_string(intervalMs) + " " + std::to_string(totalMs));
}

void RecordingCommPort::SetRts(bool high)
{
    rec_->Note(high ? "rts 1" : "rts 0");
    rec_->rts = high;
}

void RecordingCommPort::SetDtr(bool high)
{
    rec_->Note(high ? "dtr 1" : "dtr 0");
    rec_->dtr = high;
}

int RecordingCommPort::Write(const uint8_t *data, int len)
{
    int n = rec_->shortWrite >= 0 ? std::min(rec_->shortWrite, len) : len;
    rec_->Note("write " + std::to_string(n));
    rec_->written.insert(rec_->written.end(), data, data + n);
    return n;
}

void RecordingCommPort::Flush()
{
    rec_->Note("flush");
}

void RecordingCommPort::WaitTxEmpty()
{
    rec_->Note("drain");
}

int RecordingCommPort::Read(uint8_t *buf, int size)
{
    rec_->Note("read");
    if (rec_->replies.empty())
        return 0;
    PortRecord::Reply r = std::move(rec_->replies.front());
    rec_->replies.pop_front();
    int n = std::min(static_cast<int>(r.bytes.size()), size);
    if (n > 0)
        std::memcpy(buf, r.bytes.data(), static_cast<size_t>(n));
    pendingErrors_ |= r.lineErrors;
    return n;
}

int RecordingCommPort::ReadSome(uint8_t *buf, int size, uint32_t)
{
    rec_->Note("readsome");
    if (rec_->replies.empty() || size <= 0)
        return 0;
    PortRecord::Reply &r = rec_->replies.front();
    int n = std::min(static_cast<int>(r.bytes.size()), size);
    if (n > 0)
        std::memcpy(buf, r.bytes.data(), static_cast<size_t>(n));
    r.bytes.erase(r.bytes.begin(), r.bytes.begin() + n);
    pendingErrors_ |= r.lineErrors;
    r.lineErrors = 0;
    if (r.bytes.empty())
        rec_->replies.pop_front();
    return n;
}

uint32_t RecordingCommPort::TakeLineErrors()
{
    rec_->Note("errors");
    uint32_t e = pendingErrors_;
    pendingErrors_ = 0;
    return e;
}

void RecordingCommPort::Close()
{
    rec_->Note("close");
    rec_->open = false;
}
