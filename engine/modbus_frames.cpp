// Modbus request layouts, framings, CRC-16 and the reply checks.

#include "engine/modbus_frames.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace {

// The two 256-byte tables of the byte-wise CRC-16/MODBUS method: for every
// index, the low and the high byte of the CRC register after eight shifts of
// that index through the reflected polynomial 0xA001.
struct CrcTables {
    std::array<uint8_t, 256> lo{};
    std::array<uint8_t, 256> hi{};
};

constexpr CrcTables MakeCrcTables()
{
    CrcTables t;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        t.lo[i] = static_cast<uint8_t>(crc & 0xFFu);
        t.hi[i] = static_cast<uint8_t>(crc >> 8);
    }
    return t;
}

constexpr CrcTables kCrc = MakeCrcTables();
static_assert(kCrc.lo[1] == 0xC1 && kCrc.hi[1] == 0xC0, "CRC table");
static_assert(kCrc.lo[255] == 0x40 && kCrc.hi[255] == 0x40, "CRC table");

inline void Put16(uint8_t *p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v & 0xFF);
}

// True when the two bytes after `len` bytes of `data` hold their CRC, low byte first.
inline bool CrcMatches(const uint8_t *data, int len)
{
    const uint16_t crc = ModbusCrc16(data, static_cast<size_t>(len));
    return data[len] == (crc & 0xFF) && data[len + 1] == (crc >> 8);
}

}   // namespace

uint16_t ModbusCrc16(const uint8_t *data, size_t len)
{
    uint8_t lo = 0xFF;
    uint8_t hi = 0xFF;
    for (size_t i = 0; i < len; ++i) {
        const uint8_t idx = lo ^ data[i];
        lo = hi ^ kCrc.lo[idx];
        hi = kCrc.hi[idx];
    }
    return static_cast<uint16_t>(hi << 8 | lo);
}

int BuildReadRequest(uint8_t *out, uint8_t slave, FunctionCode cmd, uint16_t startReg, uint16_t count)
{
    out[0] = slave;
    out[1] = static_cast<uint8_t>(cmd);
    Put16(out + 2, startReg);
    Put16(out + 4, count);
    return 6;
}

int BuildWriteSingle(uint8_t *out, uint8_t slave, uint16_t reg, uint16_t value)
{
    out[0] = slave;
    out[1] = static_cast<uint8_t>(FunctionCode::WriteSingle);
    Put16(out + 2, reg);
    Put16(out + 4, value);
    return 6;
}

int BuildWriteMultiple(uint8_t *out, uint8_t slave, uint16_t reg, const uint16_t *values, uint16_t count)
{
    out[0] = slave;
    out[1] = static_cast<uint8_t>(FunctionCode::WriteMultiple);
    Put16(out + 2, reg);
    Put16(out + 4, count);
    out[6] = static_cast<uint8_t>(2 * count);
    for (int i = 0; i < count; ++i)
        Put16(out + 7 + 2 * i, values[i]);
    return 7 + 2 * count;
}

int BuildWriteCoil(uint8_t *out, uint8_t slave, uint16_t addr, bool on)
{
    out[0] = slave;
    out[1] = static_cast<uint8_t>(FunctionCode::WriteCoil);
    Put16(out + 2, addr);
    Put16(out + 4, on ? 0xFF00 : 0x0000);
    return 6;
}

int BuildWriteCoils(uint8_t *out, uint8_t slave, uint16_t addr, const uint8_t *packed, uint16_t count)
{
    const int bytes = BitBytes(count);
    out[0] = slave;
    out[1] = static_cast<uint8_t>(FunctionCode::WriteCoils);
    Put16(out + 2, addr);
    Put16(out + 4, count);
    out[6] = static_cast<uint8_t>(bytes);
    std::memcpy(out + 7, packed, static_cast<size_t>(bytes));
    // The bits past the last coil go as zeros.
    if (count % 8)
        out[6 + bytes] &= static_cast<uint8_t>((1u << (count % 8)) - 1);
    return 7 + bytes;
}

int FrameWithCrc(uint8_t *buf, int len)
{
    const uint16_t crc = ModbusCrc16(buf, static_cast<size_t>(len));
    buf[len] = static_cast<uint8_t>(crc & 0xFF);
    buf[len + 1] = static_cast<uint8_t>(crc >> 8);
    return len + 2;
}

int FrameWithHeader(uint8_t *buf, int len)
{
    std::memmove(buf + 6, buf, static_cast<size_t>(len));
    buf[0] = buf[1] = 0;   // transaction id, always 0
    buf[2] = buf[3] = 0;   // protocol id
    Put16(buf + 4, static_cast<uint16_t>(len));
    return len + 6;
}

uint8_t CheckModnetReply(const uint8_t *reply, int n, int &frameOff, int &frameLen)
{
    if (n < 8)
        return ST_REPLY_SHORT;
    if (reply[0] != 0 || reply[1] != 0 || reply[2] != 0 || reply[3] != 0)
        return ST_HEADER_WRONG;
    if (reply[4] * 256 + reply[5] != n - 6)
        return ST_PKT_SIZE_MISMATCH;
    frameOff = 6;
    frameLen = n - 6;
    return ST_OK;
}

uint8_t CheckCrcReply(const uint8_t *reply, int n, int &frameOff, int &frameLen)
{
    if (n < 4)
        return ST_REPLY_SHORT;
    if (!CrcMatches(reply, n - 2))
        return ST_HEADER_WRONG;
    frameOff = 0;
    frameLen = n - 2;
    return ST_OK;
}

uint8_t CheckSerialReply(const uint8_t *reply, int n, uint8_t slaveAddr, uint32_t lineErrors, int &frameOff,
                         int &frameLen, int expectedLen)
{
    if (n <= 0)
        return ST_NO_REPLY;
    if (reply[0] != slaveAddr || n < 4)
        return ST_COM_SIZE_ADDR_ERROR;
    if (lineErrors != 0)
        return ST_COM_LINE_ERRORS;
    int len = n - 2;
    // Whenever a reply's CRC ends in 0x00, the reading one byte shorter
    // matches too (the CRC of a frame followed by its CRC's low byte is the
    // CRC's high byte). The whole reply is then taken as it stands when it
    // has the length the request calls for (3 for an exception reply), so a
    // good reply is never cut by one byte.
    const int want = (reply[1] & 0x80) ? 3 : expectedLen;
    if (CrcMatches(reply, len) && (reply[len + 1] != 0x00 || len == want)) {
        frameOff = 0;
        frameLen = len;
        return ST_OK;
    }
    // A CRC whose high byte is 0x00 may really be a stray byte after the CRC
    // (line drivers add one): read the reply one byte shorter.
    if (len > 4)
        --len;
    if (CrcMatches(reply, len)) {
        frameOff = 0;
        frameLen = len;
        return ST_OK;
    }
    return ST_COM_CRC_WRONG;
}

int ExpectedReplyLength(const uint8_t *request, int len)
{
    if (len < 6)
        return 0;
    switch (static_cast<FunctionCode>(request[1])) {
    case FunctionCode::ReadHolding:
    case FunctionCode::ReadInput: return 3 + 2 * (request[4] * 256 + request[5]);
    case FunctionCode::ReadCoils:
    case FunctionCode::ReadDiscrete: return 3 + BitBytes(request[4] * 256 + request[5]);
    case FunctionCode::WriteCoil:
    case FunctionCode::WriteCoils:
    case FunctionCode::WriteSingle:
    case FunctionCode::WriteMultiple: return 6;
    }
    return 0;
}

uint8_t CheckReplyFrame(const uint8_t *frame, int len, uint8_t slaveAddr, FunctionCode lastCmd, uint16_t regCount,
                        const uint8_t *request)
{
    if (len < 2 || frame[0] != slaveAddr || frame[1] != static_cast<uint8_t>(lastCmd))
        return ST_ADDR_CMD_ERROR;
    if (IsRead(lastCmd) && len != 3 + 2 * static_cast<int>(regCount))
        return ST_SIZE_REGCOUNT_MISMATCH;
    if (IsBitRead(lastCmd) && (len != 3 + BitBytes(regCount) || frame[2] != BitBytes(regCount)))
        return ST_SIZE_REGCOUNT_MISMATCH;
    if (lastCmd == FunctionCode::WriteCoil || lastCmd == FunctionCode::WriteCoils) {
        if (len != 6 || (request && std::memcmp(frame + 2, request + 2, 4) != 0))
            return ST_SIZE_REGCOUNT_MISMATCH;
    }
    return ST_OK;
}

const char *StatusText(uint8_t status, char (&buf)[16])
{
    switch (status) {
    case ST_OK: return "OK";
    case ST_UDP_SEND_ERROR: return "UDP Send Error";
    case ST_REPLY_SHORT: return "MODNET Reply Size < 8";
    case ST_HEADER_WRONG: return "MODNET Header ID or ProtoID Wrong";
    case ST_PKT_SIZE_MISMATCH: return "MODNET Reply Pkt Size Missmatch";
    case ST_ADDR_CMD_ERROR: return "Reply Addr or CmdCode Error";
    case ST_SIZE_REGCOUNT_MISMATCH: return "ReplySize/RegCount Missmatch";
    case ST_COM_LINE_ERRORS: return "COM Line Frame/Parity Errors";
    case ST_COM_CRC_WRONG: return "COM Reply CRC16 Wrong";
    case ST_ECHO_MISMATCH: return "Echo mismatch";
    case ST_COM_SIZE_ADDR_ERROR: return "COM Reply Size or Addr Error";
    case ST_STOP_WORKING: return "Stop Working";
    case ST_NO_REPLY: return "No Reply";
    default: std::snprintf(buf, sizeof buf, "Error 0x%02X", status); return buf;
    }
}
