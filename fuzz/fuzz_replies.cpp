// The reply checks of the three framings on arbitrary bytes. The first four
// bytes of an input choose the framing, the slave address, the request's
// function and its register count; the rest is the reply as received. A reply
// that passes its framing's check and the common check must hold everything
// the exchange thread then reads from it.

#include <cstddef>
#include <cstdint>

#include "engine/modbus_frames.h"

namespace {

constexpr int kReplyBufSize = 4096;   // the channels receive at most this much
constexpr uint8_t kCmds[] = {3, 4, 6, 16};
constexpr uint32_t kOverrun = 0x02;   // a line error reported with the reply

[[noreturn]] void Fail()
{
    __builtin_trap();
}

// The unframed request the reply answers; returns its length.
int BuildRequest(uint8_t *req, uint8_t slave, uint8_t cmd, uint16_t count)
{
    static const uint16_t kValues[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    switch (cmd) {
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
    const uint8_t cmd = kCmds[data[2] & 3];
    const uint16_t regCount = static_cast<uint16_t>(((data[2] >> 2) << 8 | data[3]) % 1025);
    const uint8_t *reply = data + 4;
    const int n = static_cast<int>(size - 4 < kReplyBufSize ? size - 4 : kReplyBufSize);

    int off = -1, len = -1;
    uint8_t status;
    switch (framing) {
    case 0: status = CheckModnetReply(reply, n, off, len); break;
    case 1: status = CheckCrcReply(reply, n, off, len); break;
    default: {
        uint8_t req[64];
        const int reqLen = BuildRequest(req, slave, cmd, regCount);
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
    status = CheckReplyFrame(frame, len, slave, static_cast<FunctionCode>(cmd), regCount);
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
    return 0;
}
