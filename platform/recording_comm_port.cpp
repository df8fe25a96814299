#include "platform/recording_comm_port.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

int RecordingCommPort::Open(const char *path)
{
    rec_->calls.push_back(std::string("open ") + path);
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
    rec_->calls.push_back("line " + std::to_string(baud) + (evenParity ? " even" : " none"));
    if (baud <= 0)
        return EINVAL;
    return rec_->lineError;
}

void RecordingCommPort::SetTimeouts(uint32_t intervalMs, uint32_t totalMs)
{
    rec_->calls.push_back("timeouts " + std::to_string(intervalMs) + " " + std::to_string(totalMs));
}

void RecordingCommPort::SetRts(bool high)
{
    rec_->calls.push_back(high ? "rts 1" : "rts 0");
    rec_->rts = high;
}

void RecordingCommPort::SetDtr(bool high)
{
    rec_->calls.push_back(high ? "dtr 1" : "dtr 0");
    rec_->dtr = high;
}

int RecordingCommPort::Write(const uint8_t *data, int len)
{
    int n = rec_->shortWrite >= 0 ? std::min(rec_->shortWrite, len) : len;
    rec_->calls.push_back("write " + std::to_string(n));
    rec_->written.insert(rec_->written.end(), data, data + n);
    return n;
}

void RecordingCommPort::Flush()
{
    rec_->calls.push_back("flush");
}

void RecordingCommPort::WaitTxEmpty()
{
    rec_->calls.push_back("drain");
}

int RecordingCommPort::Read(uint8_t *buf, int size)
{
    rec_->calls.push_back("read");
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

uint32_t RecordingCommPort::TakeLineErrors()
{
    rec_->calls.push_back("errors");
    uint32_t e = pendingErrors_;
    pendingErrors_ = 0;
    return e;
}

void RecordingCommPort::Close()
{
    rec_->calls.push_back("close");
    rec_->open = false;
}
