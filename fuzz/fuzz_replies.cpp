// The reply checks of the three framings on arbitrary bytes. The first four
// bytes of an input choose the framing, the slave address, the request's
// function (register and bit reads and writes) and its register or bit
// count; the rest is the reply as received. A reply
// that passes its framing's check and the common check must hold everything
// the exchange thread then reads from it.

#include <cstddef>
#include <cstdint>

#include "engine/modbus_frames.h"
#include "engine/register_values.h"

namespace {

constexpr int kReplyBufSize = 4096;   // the channels receive at most this much
constexpr uint8_t kCmds[] = {3, 4, 6, 16, 1, 2, 5, 15};
constexpr uint32_t kOverrun = 0x02;   // a line error reported with the reply

[[noreturn]] void Fail()
{
    __builtin_trap();
}

// The unframed request the reply answers; returns its length.
int BuildRequest(uint8_t *req, uint8_t slave, uint8_t cmd, uint16_t count)
{
    static const uint16_t kValues[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    static const uint8_t kCoils[BitBytes(kMaxCoilWrite)] = {0xA5, 0x5A, 0xFF};
    switch (cmd) {
    case 5: return BuildWriteCoil(req, slave, 10, count % 2 != 0);
    case 15: return BuildWriteCoils(req, slave, 10, kCoils, static_cast<uint16_t>(1 + count % kMaxCoilWrite));
    case 6: return BuildWriteSingle(req, slave, 10, 0x1234);
    case 16: return BuildWriteMultiple(req, slave, 10, kValues, static_cast<uint16_t>(1 + count % 8));
    default: return BuildReadRequest(req, slave, static_cast<FunctionCode>(cmd), 0, count);
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const int framing = data[0] % 3;
    const uint8_t slave = data[1];
    const uint8_t cmd = kCmds[data[2] & 7];
    const bool bits = cmd == 1 || cmd == 2;
    const uint16_t regCount = static_cast<uint16_t>(((data[2] >> 3) << 8 | data[3]) % (bits ? 2001 : 1025));
    const uint8_t *reply = data + 4;
    const int n = static_cast<int>(size - 4 < kReplyBufSize ? size - 4 : kReplyBufSize);

    int off = -1, len = -1;
    uint8_t status;
    uint8_t req[kMaxRequestFrame];
    const int reqLen = BuildRequest(req, slave, cmd, regCount);
    switch (framing) {
    case 0: status = CheckModnetReply(reply, n, off, len); break;
    case 1: status = CheckCrcReply(reply, n, off, len); break;
    default: {
        const int expected = ExpectedReplyLength(req, reqLen);
        status = CheckSerialReply(reply, n, slave, (data[0] & 0x80) ? kOverrun : 0, off, len, expected);
        break;
    }
    }
    char text[16];
    if (StatusText(status, text)[0] == '\0')
        Fail();
    if (status != ST_OK)
        return 0;
    // The frame lies inside what was received.
    if (off < 0 || len < 0 || off > n || len > n - off)
        Fail();
    const uint8_t *frame = reply + off;
    status = CheckReplyFrame(frame, len, slave, static_cast<FunctionCode>(cmd), regCount, req);
    if (status == ST_OK && (cmd == 3 || cmd == 4)) {
        // The thread stores every register from the frame.
        if (len != 3 + 2 * regCount)
            Fail();
        unsigned sum = 0;
        for (int i = 0; i < regCount; ++i)
            sum += static_cast<unsigned>(frame[3 + 2 * i] << 8 | frame[4 + 2 * i]);
        if (sum > 0xFFFFu * 1024u)
            Fail();
    }
    if (status == ST_OK && bits) {
        // The thread stores every bit from the frame, padding bits aside.
        if (len != 3 + BitBytes(regCount) || frame[2] != BitBytes(regCount))
            Fail();
        unsigned ones = 0;
        for (int i = 0; i < regCount; ++i)
            ones += ReplyBit(frame, i);
        if (ones > regCount)
            Fail();
    }
    if (status == ST_OK && (cmd == 5 || cmd == 15) && (len != 6 || frame[4] != req[4] || frame[5] != req[5]))
        Fail();
    return 0;
}
