#pragma once
// One open channel of the exchange thread: TCP, UDP or a serial port.

#include <cstdint>
#include <memory>

#include "exchange_host.h"
#include "exchange_record.h"

class MODBUS_Thread;

struct ReplyView {
    const uint8_t *frame = nullptr;   // address byte first, no header, no CRC
    int length = 0;
};

class Channel {
public:
    virtual ~Channel() = default;
    // One exchange of the request `frame` (address byte first, unframed, `len`
    // bytes): frames it, sends it, fills thread.ReqFrame/ReqLen, waits for the
    // reply, fills thread.ReplyFrame/ReplyLen and runs the framing check.
    // Returns the status; for 0, `reply` points into thread.ReplyFrame.
    virtual uint8_t Exchange(const uint8_t *frame, int len, ReplyView &reply) = 0;
    // Closes the channel (the run body's close step).
    virtual void Close() = 0;
};

// Opening steps of each channel. They return nullptr when the channel could
// not be opened, after showing the channel's own message box (if any).
std::unique_ptr<Channel> OpenTcpChannel(ExchangeRecord &rec, MODBUS_Thread &thread, ExchangeHost &host,
                                        const std::string &ipText);
std::unique_ptr<Channel> OpenUdpChannel(ExchangeRecord &rec, MODBUS_Thread &thread, ExchangeHost &host,
                                        const std::string &ipText);
std::unique_ptr<Channel> OpenSerialChannel(ExchangeRecord &rec, MODBUS_Thread &thread, ExchangeHost &host);
