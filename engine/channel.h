#pragma once
// One open channel of the exchange thread: TCP, UDP or a serial port. A
// channel is opened with the connection's settings, the stop flag and the
// host, and writes each exchange's bytes into the frames it is given.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/exchange_host.h"
#include "engine/serial_line_options.h"

// How the thread reaches the slave; the values are those of the settings
// file's ConnType.
enum class ConnKind : uint8_t {
    Tcp = 0,   // "Ethernet TCP"
    Udp = 1,   // "Ethernet UDP"
    Serial = 2,   // "COM Port"
};

// One connection's settings: filled by the dialog's OK step (or a console
// host) into the exchange record while no thread runs, read by the thread
// once when it opens its channel, and kept by the channel it opens.
struct ChannelSettings {
    ConnKind Kind = ConnKind::Tcp;
    std::string IPAddr;   // dotted IPv4 text
    uint16_t TargetPort = 0;
    uint16_t UDPLocalPort = 0;
    bool CrcFraming = false;   // "MODBUS/IP": frame + CRC; else the 6-byte "MODNET" header
    std::string ComPortName;   // as chosen, e.g. "COM2" or "ttyUSB0"; the serial
        // open refuses a name that does not fit its path
    int32_t BaudRate = 0;
    bool EvenParity = false;
    bool RS485Control = false;
    bool DTRAlwaysOn = false;
    int32_t CharTime = 0;   // performance-counter ticks of the RS-485 turn-around
    SerialLineOptions Line;   // reply end, echo, turn-around delays, request gap
    uint32_t ReplyLimitMs = 0;   // TCP/UDP: how long a reply is waited for; 0: 3000 ms
};

// What the last exchange sent and received: the channel writes it in place,
// the thread keeps it, a display copies it. A copy the exchange did not
// reach (a failed receive) keeps the bytes of the exchange before.
struct ExchangeFrames {
    uint8_t ReqFrame[256] = {};   // the framed request, cut to 256 bytes
    int ReqLen = 0;
    uint8_t ReplyFrame[4096] = {};   // the raw reply
    int ReplyLen = 0;
    // For status 0: the reply frame inside ReplyFrame (address byte first,
    // no header, no CRC); FrameLen 0 otherwise.
    int FrameOff = 0;
    int FrameLen = 0;

    const uint8_t *Frame() const { return FrameLen > 0 ? ReplyFrame + FrameOff : nullptr; }
    // Before each exchange: no reply frame yet; the byte copies stay.
    void Reset() { FrameOff = FrameLen = 0; }
    // Copies the bytes in use only (a display copies one of these per exchange).
    void CopyFrom(const ExchangeFrames &from)
    {
        ReqLen = std::clamp(from.ReqLen, 0, int(sizeof ReqFrame));
        ReplyLen = std::clamp(from.ReplyLen, 0, int(sizeof ReplyFrame));
        std::memcpy(ReqFrame, from.ReqFrame, size_t(ReqLen));
        std::memcpy(ReplyFrame, from.ReplyFrame, size_t(ReplyLen));
        FrameOff = from.FrameOff;
        FrameLen = from.FrameLen;
    }
};

class Channel {
public:
    virtual ~Channel() = default;
    // One exchange of the request `frame` (address byte first, unframed, `len`
    // bytes): frames it, sends it, waits for the reply and runs the framing
    // check. Writes what it sent and received into `frames` and returns the
    // status.
    virtual uint8_t Exchange(const uint8_t *frame, int len, ExchangeFrames &frames) = 0;
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
// The opening step of the channel of cs.Kind.
std::unique_ptr<Channel> OpenChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host);
