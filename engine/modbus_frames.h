#pragma once
// Modbus request layouts, the two network framings and the serial framing,
// the CRC-16 and the reply checks with the status codes they set.

#include <cstddef>
#include <cstdint>

// Status codes of one exchange.
enum : uint8_t {
    ST_OK = 0,
    ST_UDP_SEND_ERROR = 1,
    ST_REPLY_SHORT = 2,
    ST_HEADER_WRONG = 3,
    ST_PKT_SIZE_MISMATCH = 4,
    ST_ADDR_CMD_ERROR = 10,
    ST_SIZE_REGCOUNT_MISMATCH = 20,
    ST_COM_LINE_ERRORS = 240,
    ST_ECHO_MISMATCH = 241,   // the local echo differs from the request
    ST_COM_CRC_WRONG = 252,
    ST_COM_SIZE_ADDR_ERROR = 253,
    ST_STOP_WORKING = 254,
    ST_NO_REPLY = 255,
};

// The function codes the exchange sends; the values are the wire bytes.
enum class FunctionCode : uint8_t {
    ReadCoils = 1,
    ReadDiscrete = 2,
    ReadHolding = 3,
    ReadInput = 4,
    WriteCoil = 5,
    WriteSingle = 6,
    WriteCoils = 15,
    WriteMultiple = 16,
};

// A register read (3 or 4).
constexpr bool IsRead(FunctionCode fc)
{
    return fc == FunctionCode::ReadHolding || fc == FunctionCode::ReadInput;
}

// A bit read: coils (1) or discrete inputs (2).
constexpr bool IsBitRead(FunctionCode fc)
{
    return fc == FunctionCode::ReadCoils || fc == FunctionCode::ReadDiscrete;
}

// A write of coils (5, 15) or registers (6, 16).
constexpr bool IsWrite(FunctionCode fc)
{
    return fc == FunctionCode::WriteCoil || fc == FunctionCode::WriteSingle || fc == FunctionCode::WriteCoils ||
           fc == FunctionCode::WriteMultiple;
}

// The most bits one read asks for, and one write of coils carries.
inline constexpr int kMaxBitCount = 2000;
inline constexpr int kMaxCoilWrite = 1968;

// Bytes that carry `bits` bits, low bit first.
constexpr int BitBytes(int bits)
{
    return (bits + 7) / 8;
}

// The longest unframed request: function 15 with kMaxCoilWrite coils.
inline constexpr int kMaxRequestFrame = 7 + BitBytes(kMaxCoilWrite);

// CRC-16/MODBUS, table driven; sent low byte first. Length 0 gives 0xFFFF.
uint16_t ModbusCrc16(const uint8_t *data, size_t len);

// Request builders write the unframed request (address first) into `out`
// (room for 7 + 16 bytes at least; 7 + 246 for coils) and return its length.
int BuildReadRequest(uint8_t *out, uint8_t slave, FunctionCode cmd, uint16_t startReg, uint16_t count);
int BuildWriteSingle(uint8_t *out, uint8_t slave, uint16_t reg, uint16_t value);
int BuildWriteMultiple(uint8_t *out, uint8_t slave, uint16_t reg, const uint16_t *values, uint16_t count);
// Function 5: FF00 on, 0000 off.
int BuildWriteCoil(uint8_t *out, uint8_t slave, uint16_t addr, bool on);
// Function 15: `count` coils packed low bit first in `packed` (BitBytes(count) bytes).
int BuildWriteCoils(uint8_t *out, uint8_t slave, uint16_t addr, const uint8_t *packed, uint16_t count);

// Framing: `buf` holds the frame at offset 0 with room for 6 more bytes.
// Returns the framed length.
int FrameWithCrc(uint8_t *buf, int len);   // serial framing, also "MODBUS/IP"
int FrameWithHeader(uint8_t *buf, int len);   // "MODNET" 6-byte header

// Framing checks. On status 0, frameOff/frameLen give the frame inside reply.
uint8_t CheckModnetReply(const uint8_t *reply, int n, int &frameOff, int &frameLen);
uint8_t CheckCrcReply(const uint8_t *reply, int n, int &frameOff, int &frameLen);
// `expectedLen` is the frame length the request calls for (ExpectedReplyLength),
// 0 when unknown: it tells a reply whose CRC ends in 0x00 from one that
// carries a stray byte after its CRC.
uint8_t CheckSerialReply(const uint8_t *reply, int n, uint8_t slaveAddr, uint32_t lineErrors, int &frameOff,
                         int &frameLen, int expectedLen = 0);

// Frame length of a conforming reply to the unframed request: 3 + 2 x count
// for register reads, 3 + BitBytes(count) for bit reads, 6 for writes, 0 for
// anything else.
int ExpectedReplyLength(const uint8_t *request, int len);

// Status text of a status code ("OK", "No Reply", ... or "Error 0x%02X" in buf).
const char *StatusText(uint8_t status, char (&buf)[16]);

// The common check of a reply frame against the request; does not store.
// `regCount` is the count read (registers or bits). A bit read's byte count
// and length must both follow from the bits. A coil write's echo (6 bytes)
// must repeat bytes 2..5 of `request` when it is given.
uint8_t CheckReplyFrame(const uint8_t *frame, int len, uint8_t slaveAddr, FunctionCode lastCmd, uint16_t regCount,
                        const uint8_t *request = nullptr);
