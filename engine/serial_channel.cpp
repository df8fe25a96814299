// Serial line channel: Modbus with CRC framing on a serial port, with the
// optional RS-485 transmitter control through RTS (and DTR).
#include "serial_channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "Modbus_thread_unit.h"
#include "modbus_frames.h"
#include "ticks.h"

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
    while (static_cast<uint32_t>(static_cast<uint32_t>(PerfCounter()) - start) < ticks) {
    }
}

namespace {

constexpr int kReplyBufSize = 4096;
constexpr int kMaxRequest = 256;   // far above the longest request (23 bytes)

std::string ErrorText(int err)
{
    char buf[256];
    return strerror_r(err, buf, sizeof buf);   // GNU form: returns the text
}

class SerialChannel final : public Channel {
public:
    SerialChannel(ExchangeRecord &rec, MODBUS_Thread &thread, std::unique_ptr<CommPort> port, SerialHooks hooks)
        : rec_(rec), thread_(thread), port_(std::move(port)), hooks_(std::move(hooks)),
          rs485_(rec.RS485Control == 1), dtrAlwaysOn_(rec.DTRAlwaysOn == 1),
          charTime_(rec.CharTime > 0 ? static_cast<uint32_t>(rec.CharTime) : 0)
    {
    }

    ~SerialChannel() override { Close(); }

    uint8_t Exchange(const uint8_t *frame, int len, ReplyView &reply) override
    {
        reply = ReplyView{};
        if (!port_->IsOpen() || len <= 0 || len > kMaxRequest) {
            thread_.ReqLen = 0;
            thread_.ReplyLen = 0;
            return ST_NO_REPLY;
        }
        // 1. The frame with its CRC.
        std::memcpy(tx_, frame, static_cast<size_t>(len));
        const int txLen = FrameWithCrc(tx_, len);
        // 2. Transmitter on, 20 ms ahead of the first byte.
        if (rs485_) {
            port_->SetRts(true);
            port_->SetDtr(true);
            hooks_.sleepMs(20);
        }
        // 3. The whole request in one write.
        const int written = port_->Write(tx_, txLen);
        // 4. The copy of the request.
        const int copyLen = std::min(txLen, static_cast<int>(sizeof thread_.ReqFrame));
        std::memcpy(thread_.ReqFrame, tx_, static_cast<size_t>(copyLen));
        thread_.ReqLen = copyLen;
        // 5. Only a complete write waits for the last byte to leave the line.
        if (written == txLen) {
            port_->Flush();
            if (rs485_) {
                port_->WaitTxEmpty();
                hooks_.waitTicks(charTime_);
                hooks_.sleepMs(10);
            }
        }
        // 6. Transmitter off; with "DTR Always ON" RTS stays high.
        if (rs485_) {
            port_->SetDtr(false);
            if (!dtrAlwaysOn_)
                port_->SetRts(false);
        }
        // 7. The reply, ended by the inter-byte gap or the total time-out.
        const int n = port_->Read(rx_, kReplyBufSize);
        // 8. Its copy.
        const int n8 = std::clamp(n, 0, static_cast<int>(sizeof thread_.ReplyFrame));
        std::memcpy(thread_.ReplyFrame, rx_, static_cast<size_t>(n8));
        thread_.ReplyLen = n8;
        // 9. Line errors since the previous read.
        const uint32_t lineErrors = port_->TakeLineErrors();
        // 10. The framing check.
        int off = 0, frameLen = 0;
        const uint8_t status = CheckSerialReply(thread_.ReplyFrame, n8, rec_.SlaveAddr.load(), lineErrors, off, frameLen,
                                                ExpectedReplyLength(frame, len));
        if (status == ST_OK) {
            reply.frame = thread_.ReplyFrame + off;
            reply.length = frameLen;
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
    ExchangeRecord &rec_;
    MODBUS_Thread &thread_;
    std::unique_ptr<CommPort> port_;
    SerialHooks hooks_;
    const bool rs485_;
    const bool dtrAlwaysOn_;
    const uint32_t charTime_;
    uint8_t tx_[kMaxRequest + 8] = {};
    uint8_t rx_[kReplyBufSize] = {};
};

void ShowOpenError(ExchangeHost &host, const std::string &portName, const std::string &text)
{
    host.MessageBox("Ошибка открытия порта '" + portName + "' : " + text, "Tarvix", MB_ICONEXCLAMATION);
}

}   // namespace

std::unique_ptr<Channel> OpenSerialChannelWith(ExchangeRecord &rec, MODBUS_Thread &thread, ExchangeHost &host,
                                               const SerialHooks &given)
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
    if (rec.BaudRate <= 0) {
        ShowOpenError(host, rec.ComPortName,
                      ErrorText(EINVAL) + " (baud rate " + std::to_string(rec.BaudRate) + ")");
        return nullptr;
    }
    // The device path; a name that does not fit is refused, never cut.
    char path[kSerialPathSize];
    int err = SerialDevicePath(rec.ComPortName, path);
    std::unique_ptr<CommPort> port;
    if (err == 0) {
        // Exclusive open.
        port = hooks.makePort();
        err = port->Open(path);
    }
    // The open error box; the thread then ends.
    if (err != 0) {
        ShowOpenError(host, rec.ComPortName, ErrorText(err));
        return nullptr;
    }
    // Queue sizes: a tty's driver queues are fixed by the kernel; the
    // channel's own reply buffer is 4096 bytes.
    // Line settings: a rate the port cannot take fails the open.
    err = port->SetLine(rec.BaudRate, rec.EvenParity == 1);
    if (err != 0) {
        port->Close();
        ShowOpenError(host, rec.ComPortName,
                      ErrorText(err) + " (baud rate " + std::to_string(rec.BaudRate) + ")");
        return nullptr;
    }
    // Time-outs.
    port->SetTimeouts(IntervalTimeoutForBaud(rec.BaudRate), kSerialTotalTimeoutMs);
    // "Transmit queue empty" needs no mask here: WaitTxEmpty drains.
    // DTR for good with "DTR Always ON".
    if (rec.DTRAlwaysOn == 1)
        port->SetDtr(true);
    auto channel = std::make_unique<SerialChannel>(rec, thread, std::move(port), hooks);
    // Settle before polling.
    hooks.sleepMs(500);
    return channel;
}

std::unique_ptr<Channel> OpenSerialChannel(ExchangeRecord &rec, MODBUS_Thread &thread, ExchangeHost &host)
{
    return OpenSerialChannelWith(rec, thread, host, SerialHooks{});
}
