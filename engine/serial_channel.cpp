// Serial line channel: Modbus with CRC framing on a serial port, with the
// optional RS-485 transmitter control through RTS (and DTR).
#include "engine/serial_channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/modbus_frames.h"
#include "platform/ticks.h"

uint32_t IntervalTimeoutForBaud(int32_t baud)
{
    if (baud <= 1200)
        return 100;
    if (baud <= 2400)
        return 80;
    if (baud <= 4800)
        return 50;
    if (baud <= 9600)
        return 40;
    return 30;
}

int32_t CharTimeForBaud(int32_t baud)
{
    return baud > 0 ? 14976000 / baud : 0;
}

void WaitPerfTicks(uint32_t ticks)
{
    const uint32_t start = static_cast<uint32_t>(PerfCounter());
    while (static_cast<uint32_t>(static_cast<uint32_t>(PerfCounter()) - start) < ticks) {}
}

void WaitUs(uint32_t us)
{
    const uint64_t until = PerfCounter() + us;
    // Turn-around waits are spun, as the classic one is: a sleep may wake
    // milliseconds late on a busy machine. Long ones sleep all but 2 ms.
    if (us > 20000) {
        const uint32_t sleepUs = us - 2000;
        timespec req{static_cast<time_t>(sleepUs / 1000000u), static_cast<long>(sleepUs % 1000000u) * 1000L};
        while (clock_nanosleep(CLOCK_MONOTONIC, 0, &req, &req) != 0) {}
    }
    while (PerfCounter() < until) {}
}

namespace {

constexpr int kReplyBufSize = 4096;
constexpr int kMaxRequest = 256;   // above the longest request (253 bytes: 15 with 1968 coils)

std::string ErrorText(int err)
{
    char buf[256];
    return strerror_r(err, buf, sizeof buf);   // GNU form: returns the text
}

class SerialChannel final : public Channel {
public:
    SerialChannel(const ChannelSettings &cs, std::unique_ptr<CommPort> port, SerialHooks hooks)
        : port_(std::move(port)), hooks_(std::move(hooks)), cs_(cs)
    {}

    ~SerialChannel() override { Close(); }

    uint8_t Exchange(const uint8_t *frame, int len, ExchangeFrames &trace) override
    {
        if (!port_->IsOpen() || len <= 0 || len > kMaxRequest) {
            trace.ReqLen = 0;
            trace.ReplyLen = 0;
            return ST_NO_REPLY;
        }
        // Before the request: the pause a slow device needs, then (reply
        // ended by length) whatever came after the last reply goes.
        if (line_.RequestGapMs > 0)
            KeepRequestGap();
        if (line_.End == ReplyEnd::Length)
            DiscardLeftovers();
        // 1. The frame with its CRC.
        std::memcpy(tx_, frame, static_cast<size_t>(len));
        const int txLen = FrameWithCrc(tx_, len);
        // 2. Transmitter on, 20 ms (or the chosen delay) ahead of the first byte.
        if (cs_.RS485Control) {
            port_->SetRts(true);
            port_->SetDtr(true);
            if (line_.TxDelayBeforeUs < 0)
                hooks_.sleepMs(20);
            else
                WaitUs(static_cast<uint32_t>(line_.TxDelayBeforeUs));
        }
        // 3. The whole request in one write.
        const int written = port_->Write(tx_, txLen);
        // 4. The copy of the request.
        const int copyLen = std::min(txLen, static_cast<int>(sizeof trace.ReqFrame));
        std::memcpy(trace.ReqFrame, tx_, static_cast<size_t>(copyLen));
        trace.ReqLen = copyLen;
        // 5. Only a complete write waits for the last byte to leave the line.
        if (written == txLen) {
            port_->Flush();
            if (cs_.RS485Control) {
                port_->WaitTxEmpty();
                if (line_.TxDelayAfterUs < 0) {
                    hooks_.waitTicks(cs_.CharTime > 0 ? static_cast<uint32_t>(cs_.CharTime) : 0);
                    hooks_.sleepMs(10);
                } else {
                    WaitUs(static_cast<uint32_t>(line_.TxDelayAfterUs));
                }
            }
        }
        // 6. Transmitter off; with "DTR Always ON" RTS stays high.
        if (cs_.RS485Control) {
            port_->SetDtr(false);
            if (!cs_.DTRAlwaysOn)
                port_->SetRts(false);
        }
        // 7. The reply, read straight into its copy: ended by the inter-byte
        //    gap or the total time-out in one read of the port, or collected
        //    here when echo, length ending or a line check asks for more.
        bool echoWrong = false;
        int n = 0;
        if (line_.End == ReplyEnd::Gap && line_.Echo == EchoMode::Off && !line_.Stats)
            n = port_->Read(trace.ReplyFrame, kReplyBufSize);
        else
            n = Collect(trace.ReplyFrame, txLen, echoWrong);
        const int n8 = std::clamp(n, 0, kReplyBufSize);
        trace.ReplyLen = n8;
        lastRxUs_ = PerfCounter();
        // 8. Line errors since the previous read.
        const uint32_t lineErrors = port_->TakeLineErrors();
        if (echoWrong) {
            failed_ = true;
            return ST_ECHO_MISMATCH;
        }
        // 9. The framing check.
        int off = 0, frameLen = 0;
        // The reply must come from the address the request went to.
        const uint8_t status = CheckSerialReply(trace.ReplyFrame, n8, frame[0], lineErrors, off, frameLen,
                                                ExpectedReplyLength(frame, len));
        if (status == ST_OK) {
            trace.FrameOff = off;
            trace.FrameLen = frameLen;
        } else {
            failed_ = true;
        }
        return status;
    }

    void Close() override
    {
        if (!port_ || !port_->IsOpen())
            return;
        port_->SetDtr(false);
        port_->SetRts(false);
        port_->Close();
    }

private:
    // Waits until the request gap has passed since the last reply.
    void KeepRequestGap()
    {
        const uint64_t until = lastRxUs_ + uint64_t{line_.RequestGapMs} * 1000u;
        const uint64_t now = PerfCounter();
        if (until <= now)
            return;
        // A pause for the device: sleeping is exact enough.
        const uint64_t us = std::min<uint64_t>(until - now, kSerialTotalTimeoutMs * 1000u);
        timespec req{static_cast<time_t>(us / 1000000u), static_cast<long>(us % 1000000u) * 1000L};
        while (clock_nanosleep(CLOCK_MONOTONIC, 0, &req, &req) != 0) {}
    }

    // Drops the bytes that have come since the last reply, counting them.
    // Bytes found there mean more may be coming: the line must then first be
    // quiet for the interval time-out (at most the total time-out). After a
    // failed exchange a late reply may come at any time: the line must be
    // quiet, and the next reply is ended by that silence rather than its
    // length, so that a late reply and the one behind it run together and
    // fail instead of putting the exchanges out of step.
    void DiscardLeftovers()
    {
        uint8_t junk[256];
        const uint32_t quietUs = IntervalTimeoutForBaud(cs_.BaudRate) * 1000u;
        const uint64_t end = PerfCounter() + uint64_t{kSerialTotalTimeoutMs} * 1000u;
        bool waitQuiet = failed_;
        for (int i = 0; i < kReplyBufSize && PerfCounter() < end; ++i) {
            const int got = port_->ReadSome(junk, sizeof junk, waitQuiet ? quietUs : 0);
            if (got <= 0)
                break;
            if (line_.Stats)
                line_.Stats->leftoverBytes += got;
            waitQuiet = true;
        }
        endByGap_ = failed_;
        failed_ = false;
    }

    // Collects one reply into `buf` (at most kReplyBufSize bytes) after
    // dropping the request's echo when there is one. The reply ends at its
    // announced length (length ending), at a silence (the interval time-out,
    // or 3.5 characters with length ending while no length is known), or at
    // the total time-out counted from here. Returns the reply's byte count.
    int Collect(uint8_t *buf, int txLen, bool &echoWrong)
    {
        const bool byLength = line_.End == ReplyEnd::Length && !endByGap_;
        const uint64_t intervalUs = uint64_t{IntervalTimeoutForBaud(cs_.BaudRate)} * 1000u;
        const uint64_t frameGapUs = FrameGapUs(cs_.BaudRate);
        const uint64_t charUs = frameGapUs * 2 / 7;
        const uint64_t start = PerfCounter();
        const uint64_t deadline = start + uint64_t{kSerialTotalTimeoutMs} * 1000u;
        // Echo: checked byte by byte as it comes; auto decides on the first
        // bytes of the connection.
        bool inEcho = line_.Echo == EchoMode::On || (line_.Echo == EchoMode::Auto && echoActive_);
        const bool probing = line_.Echo == EchoMode::Auto && !echoDecided_;
        inEcho = inEcho || probing;
        int echoed = 0;
        int n = 0;
        uint64_t lastByte = 0, firstReplyByte = 0;
        uint32_t longestPause = 0;
        uint8_t chunk[kReplyBufSize];
        for (;;) {
            const uint64_t now = PerfCounter();
            uint64_t until = deadline;
            if (n > 0) {
                const int want = byLength ? AnnouncedReplyLength(buf, n) : 0;
                if (byLength && want > 0 && n >= want)
                    break;
                // A known length is waited for across the pauses of a line
                // that delivers in pieces; an unknown one ends at 3.5 characters.
                const uint64_t gap = byLength && want < 0 ? frameGapUs : intervalUs;
                until = std::min(until, lastByte + gap);
            } else if (inEcho && echoed > 0) {
                until = std::min(until, lastByte + intervalUs);
            }
            if (n >= kReplyBufSize)
                break;
            // Time is up: what came meanwhile still counts (this thread may
            // have been held up by a busy machine), then the reply ends.
            const bool late = now >= until;
            const int room = inEcho ? txLen - echoed : kReplyBufSize - n;
            const int got = port_->ReadSome(chunk, room, late ? 0 : static_cast<uint32_t>(until - now));
            if (got < 0 || (late && got == 0))
                break;
            if (got == 0)
                continue;
            const uint64_t at = PerfCounter();
            int used = 0;
            if (inEcho) {
                while (used < got && echoed < txLen && chunk[used] == tx_[echoed]) {
                    ++used;
                    ++echoed;
                }
                if (echoed == txLen) {
                    inEcho = false;
                    if (probing) {
                        echoDecided_ = echoActive_ = true;
                    }
                    if (line_.Stats)
                        ++line_.Stats->echoSeen;
                } else if (used < got) {
                    // Not the request: with auto, what came is the reply.
                    inEcho = false;
                    if (probing) {
                        echoDecided_ = true;
                        std::memcpy(buf, tx_, static_cast<size_t>(echoed));
                        n = echoed;
                    } else {
                        echoWrong = true;
                        if (line_.Stats)
                            ++line_.Stats->echoMismatches;
                    }
                    echoed = 0;
                }
            }
            if (used < got) {
                const int take = std::min(got - used, kReplyBufSize - n);
                if (n == 0 && firstReplyByte == 0)
                    firstReplyByte = at;
                else if (n > 0 && lastByte > 0)
                    longestPause = std::max(longestPause, static_cast<uint32_t>(at - lastByte));
                std::memcpy(buf + n, chunk + used, static_cast<size_t>(take));
                n += take;
            }
            lastByte = at;
        }
        // An echo that stopped short, with auto: those bytes were the reply.
        if (probing && inEcho && echoed > 0) {
            std::memcpy(buf, tx_, static_cast<size_t>(echoed));
            n = echoed;
            echoDecided_ = true;
        } else if (line_.Echo == EchoMode::On && inEcho && echoed > 0) {
            echoWrong = true;
        }
        // Bytes past the announced length are not the reply.
        if (byLength && n > 0) {
            const int want = AnnouncedReplyLength(buf, n);
            if (want > 0 && n > want) {
                if (line_.Stats)
                    line_.Stats->leftoverBytes += n - want;
                n = want;
            }
        }
        if (SerialLineStats *st = line_.Stats.get()) {
            ++st->exchanges;
            if (firstReplyByte)
                st->latencyUs.push_back(static_cast<uint32_t>(firstReplyByte - start));
            if (longestPause > 2 * charUs)
                ++st->pausedReplies;
            st->longestPauseUs = std::max(st->longestPauseUs, longestPause);
        }
        return n;
    }

    std::unique_ptr<CommPort> port_;
    SerialHooks hooks_;
    const ChannelSettings cs_;
    const SerialLineOptions &line_ = cs_.Line;
    bool echoActive_ = false;   // auto echo found on this connection
    bool echoDecided_ = false;
    bool failed_ = false;   // the last exchange failed: wait for a quiet line first
    bool endByGap_ = false;   // this reply ends at the interval silence, not its length
    uint64_t lastRxUs_ = 0;
    uint8_t tx_[kMaxRequest + 8] = {};
};

void ShowOpenError(ExchangeHost &host, const std::string &portName, const std::string &text)
{
    host.MessageBox("Ошибка открытия порта '" + portName + "' : " + text, "Tarvix", MB_ICONEXCLAMATION);
}

}   // namespace

std::unique_ptr<Channel> OpenSerialChannelWith(const ChannelSettings &cs, ExchangeHost &host, const SerialHooks &given)
{
    SerialHooks hooks = given;
    if (!hooks.makePort)
        hooks.makePort = [] { return MakeTtyCommPort(); };
    if (!hooks.sleepMs)
        hooks.sleepMs = [](uint32_t ms) { SleepMs(ms); };
    if (!hooks.waitTicks)
        hooks.waitTicks = [](uint32_t ticks) { WaitPerfTicks(ticks); };

    // A baud rate of 0 or below (a settings file with an unknown baud text)
    // can drive no line: refuse it before anything is opened.
    if (cs.BaudRate <= 0) {
        ShowOpenError(host, cs.ComPortName, ErrorText(EINVAL) + " (baud rate " + std::to_string(cs.BaudRate) + ")");
        return nullptr;
    }
    // The device path; a name that does not fit is refused, never cut.
    char path[kSerialPathSize];
    int err = SerialDevicePath(cs.ComPortName, path);
    std::unique_ptr<CommPort> port;
    if (err == 0) {
        // Exclusive open.
        port = hooks.makePort();
        err = port->Open(path);
    }
    // The open error box; the thread then ends.
    if (err != 0) {
        ShowOpenError(host, cs.ComPortName, ErrorText(err));
        return nullptr;
    }
    // Line settings: a rate the port cannot take fails the open.
    err = port->SetLine(cs.BaudRate, cs.EvenParity);
    if (err != 0) {
        port->Close();
        ShowOpenError(host, cs.ComPortName, ErrorText(err) + " (baud rate " + std::to_string(cs.BaudRate) + ")");
        return nullptr;
    }
    // Time-outs.
    port->SetTimeouts(IntervalTimeoutForBaud(cs.BaudRate), kSerialTotalTimeoutMs);
    // DTR for good with "DTR Always ON".
    if (cs.DTRAlwaysOn)
        port->SetDtr(true);
    auto channel = std::make_unique<SerialChannel>(cs, std::move(port), hooks);
    // Settle before polling.
    hooks.sleepMs(500);
    return channel;
}

std::unique_ptr<Channel> OpenSerialChannel(const ChannelSettings &cs, const StopFlag &, ExchangeHost &host)
{
    return OpenSerialChannelWith(cs, host, SerialHooks{});
}
