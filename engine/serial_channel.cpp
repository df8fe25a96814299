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
        // 1. The frame with its CRC.
        std::memcpy(tx_, frame, static_cast<size_t>(len));
        const int txLen = FrameWithCrc(tx_, len);
        // 2. Transmitter on, 20 ms ahead of the first byte.
        if (cs_.RS485Control) {
            port_->SetRts(true);
            port_->SetDtr(true);
            hooks_.sleepMs(20);
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
                hooks_.waitTicks(cs_.CharTime > 0 ? static_cast<uint32_t>(cs_.CharTime) : 0);
                hooks_.sleepMs(10);
            }
        }
        // 6. Transmitter off; with "DTR Always ON" RTS stays high.
        if (cs_.RS485Control) {
            port_->SetDtr(false);
            if (!cs_.DTRAlwaysOn)
                port_->SetRts(false);
        }
        // 7. The reply, ended by the inter-byte gap or the total time-out,
        //    read straight into its copy.
        const int n = port_->Read(trace.ReplyFrame, kReplyBufSize);
        const int n8 = std::clamp(n, 0, kReplyBufSize);
        trace.ReplyLen = n8;
        // 8. Line errors since the previous read.
        const uint32_t lineErrors = port_->TakeLineErrors();
        // 9. The framing check.
        int off = 0, frameLen = 0;
        // The reply must come from the address the request went to.
        const uint8_t status = CheckSerialReply(trace.ReplyFrame, n8, frame[0], lineErrors, off, frameLen,
                                                ExpectedReplyLength(frame, len));
        if (status == ST_OK) {
            trace.FrameOff = off;
            trace.FrameLen = frameLen;
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
    std::unique_ptr<CommPort> port_;
    SerialHooks hooks_;
    const ChannelSettings cs_;
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
