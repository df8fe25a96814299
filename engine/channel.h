#pragma once
// One open channel of the exchange thread: TCP, UDP or a serial port. A
// channel is opened with the few connection settings it needs, the stop
// flag and the host, and gives each exchange's bytes back in a trace.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/exchange_host.h"

// The connection fields of the exchange record, read once when the thread
// opens its channel.
struct ChannelSettings {
    std::string IPAddr;   // dotted IPv4 text
    uint16_t TargetPort = 0;
    uint16_t UDPLocalPort = 0;
    bool CrcFraming = false;   // "MODBUS/IP": frame + CRC; else the 6-byte header
    std::string ComPortName;
    int32_t BaudRate = 0;
    bool EvenParity = false;
    bool RS485Control = false;
    bool DTRAlwaysOn = false;
    int32_t CharTime = 0;   // performance-counter ticks of the RS-485 turn-around
    uint32_t ReplyLimitMs = 0;   // TCP/UDP: how long a reply is waited for; 0: 3000 ms
};

// What one exchange sent and received. A length of kKept means that the
// exchange left that copy alone (a failed receive keeps the last reply).
struct ExchangeTrace {
    static constexpr int kKept = -1;
    uint8_t ReqFrame[256];   // the framed request, cut to 256 bytes
    int ReqLen = kKept;
    uint8_t ReplyFrame[4096];   // the raw reply
    int ReplyLen = kKept;
    // For status 0: the reply frame inside ReplyFrame (address byte first,
    // no header, no CRC) and its length.
    const uint8_t *Frame = nullptr;
    int FrameLen = 0;

    // Before each exchange: both copies kept, no reply frame.
    void Reset()
    {
        ReqLen = ReplyLen = kKept;
        Frame = nullptr;
        FrameLen = 0;
    }
};

class Channel {
public:
    virtual ~Channel() = default;
    // One exchange of the request `frame` (address byte first, unframed, `len`
    // bytes): frames it, sends it, waits for the reply and runs the framing
    // check. Fills `trace` and returns the status.
    virtual uint8_t Exchange(const uint8_t *frame, int len, ExchangeTrace &trace) = 0;
    // Closes the channel (the run body's close step).
    virtual void Close() = 0;
};

using StopFlag = std::atomic<uint8_t>;

// Opening steps of each channel. They return nullptr when the channel could
// not be opened, after showing the channel's own message box (if any). A
// stop that comes while a TCP connect is under way cancels it.
std::unique_ptr<Channel> OpenTcpChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host);
std::unique_ptr<Channel> OpenUdpChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host);
std::unique_ptr<Channel> OpenSerialChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host);
