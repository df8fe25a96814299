// Requests and replies of the bit functions (01, 02 read; 05, 15 write) in
// every framing: layouts, the reply length the serial line expects, the
// framing checks and the common check, the bits unpacked.

#include <gtest/gtest.h>

#include <vector>

#include "engine/modbus_frames.h"
#include "engine/register_values.h"
#include "tests/support/hex.h"

namespace {

TEST(BitRequests, Layouts)
{
    uint8_t buf[kMaxRequestFrame + 6];
    int n = BuildReadRequest(buf, 0x11, FunctionCode::ReadCoils, 0x0013, 37);
    EXPECT_EQ(HexBytes(buf, FrameWithCrc(buf, n)), "11 01 00 13 00 25 0E 84");
    n = BuildReadRequest(buf, 0x11, FunctionCode::ReadDiscrete, 0x00C4, 22);
    EXPECT_EQ(HexBytes(buf, FrameWithHeader(buf, n)), "00 00 00 00 00 06 11 02 00 C4 00 16");
    n = BuildWriteCoil(buf, 0x11, 0x00AC, true);
    EXPECT_EQ(HexBytes(buf, FrameWithCrc(buf, n)), "11 05 00 AC FF 00 4E 8B");
    n = BuildWriteCoil(buf, 1, 7, false);
    EXPECT_EQ(HexBytes(buf, n), "01 05 00 07 00 00");
    // 10 coils 1,0,1,1,0,0,1,1 | 1,0: CD 01; bits past the last coil go as 0.
    const uint8_t packed[] = {0xCD, 0xFD};
    n = BuildWriteCoils(buf, 0x11, 0x0013, packed, 10);
    EXPECT_EQ(HexBytes(buf, FrameWithCrc(buf, n)), "11 0F 00 13 00 0A 02 CD 01 BF 0B");
    // The longest request: 1968 coils, 246 bytes of them.
    std::vector<uint8_t> all(246, 0xA5);
    n = BuildWriteCoils(buf, 1, 0, all.data(), kMaxCoilWrite);
    EXPECT_EQ(n, kMaxRequestFrame);
    EXPECT_EQ(HexBytes(buf, 7), "01 0F 00 00 07 B0 F6");
    EXPECT_EQ(FrameWithHeader(buf, n), kMaxRequestFrame + 6);
}

// A bit read's reply of `bits` bits, bit i = i % 3 == 0, padding set to 1;
// `byteDelta` changes the byte count and the bytes sent together.
std::vector<uint8_t> BitReply(uint8_t fc, int bits, int byteDelta = 0)
{
    const int bytes = BitBytes(bits) + byteDelta;
    std::vector<uint8_t> f{1, fc, uint8_t(bytes)};
    for (int b = 0; b < bytes; ++b) {
        uint8_t v = 0;
        for (int k = 0; k < 8; ++k) {
            const int i = b * 8 + k;
            v |= uint8_t((i >= bits || i % 3 == 0) << k);
        }
        f.push_back(v);
    }
    return f;
}

enum class Framing { Header, Crc, Serial };

// Frames a reply frame, runs the framing check of `how`, then the common
// check; the status of the first that fails.
uint8_t Check(Framing how, std::vector<uint8_t> frame, FunctionCode fc, uint16_t count, const uint8_t *request,
              int requestLen, std::vector<uint8_t> *bitsOut = nullptr)
{
    std::vector<uint8_t> wire(frame.size() + 8);
    std::copy(frame.begin(), frame.end(), wire.begin());
    const int n = how == Framing::Header ? FrameWithHeader(wire.data(), int(frame.size()))
                                         : FrameWithCrc(wire.data(), int(frame.size()));
    int off = 0, len = 0;
    const uint8_t framing = how == Framing::Header ? CheckModnetReply(wire.data(), n, off, len)
                            : how == Framing::Crc  ? CheckCrcReply(wire.data(), n, off, len)
                                                   : CheckSerialReply(wire.data(), n, 1, 0, off, len,
                                                                      ExpectedReplyLength(request, requestLen));
    if (framing != ST_OK)
        return framing;
    const uint8_t status = CheckReplyFrame(wire.data() + off, len, 1, fc, count, request);
    if (status == ST_OK && bitsOut)
        for (int i = 0; i < count; ++i)
            bitsOut->push_back(ReplyBit(wire.data() + off, i));
    return status;
}

TEST(BitReplies, ReadsInEveryFraming)
{
    for (const Framing how : {Framing::Header, Framing::Crc, Framing::Serial}) {
        for (const FunctionCode fc : {FunctionCode::ReadCoils, FunctionCode::ReadDiscrete}) {
            for (const int bits : {1, 7, 8, 9, 16, 2000}) {
                SCOPED_TRACE(testing::Message() << "framing " << int(how) << ", fc " << int(fc) << ", " << bits);
                uint8_t req[8];
                const int reqLen = BuildReadRequest(req, 1, fc, 0, uint16_t(bits));
                EXPECT_EQ(ExpectedReplyLength(req, reqLen), 3 + BitBytes(bits));
                std::vector<uint8_t> got;
                ASSERT_EQ(Check(how, BitReply(uint8_t(fc), bits), fc, uint16_t(bits), req, reqLen, &got), ST_OK);
                for (int i = 0; i < bits; ++i) {
                    ASSERT_EQ(got[size_t(i)], i % 3 == 0) << i;
                }
                // A byte count (and the bytes) one short or one long.
                if (bits > 8) {
                    EXPECT_EQ(Check(how, BitReply(uint8_t(fc), bits, -1), fc, uint16_t(bits), req, reqLen),
                              ST_SIZE_REGCOUNT_MISMATCH);
                }
                EXPECT_EQ(Check(how, BitReply(uint8_t(fc), bits, +1), fc, uint16_t(bits), req, reqLen),
                          ST_SIZE_REGCOUNT_MISMATCH);
                // The right length with a wrong byte count.
                auto wrongCount = BitReply(uint8_t(fc), bits);
                ++wrongCount[2];
                EXPECT_EQ(Check(how, wrongCount, fc, uint16_t(bits), req, reqLen), ST_SIZE_REGCOUNT_MISMATCH);
                // An exception reply, and a reply to the other bit function.
                EXPECT_EQ(Check(how, {1, uint8_t(uint8_t(fc) | 0x80), 2}, fc, uint16_t(bits), req, reqLen),
                          ST_ADDR_CMD_ERROR);
                const uint8_t other = fc == FunctionCode::ReadCoils ? 2 : 1;
                EXPECT_EQ(Check(how, BitReply(other, bits), fc, uint16_t(bits), req, reqLen), ST_ADDR_CMD_ERROR);
            }
        }
    }
}

// A serial reply to a read of 9..16 coils whose CRC ends in 0x00 is taken
// whole: the length the serial line expects follows from the bit count.
TEST(BitReplies, SerialCrcEndingInZero)
{
    uint8_t req[8];
    const int reqLen = BuildReadRequest(req, 1, FunctionCode::ReadCoils, 0, 16);
    const auto reply = Bytes("01 01 02 00 51 78 00");
    int off = -1, len = -1;
    ASSERT_EQ(CheckSerialReply(reply.data(), int(reply.size()), 1, 0, off, len, ExpectedReplyLength(req, reqLen)),
              ST_OK);
    EXPECT_EQ(len, 5);
    EXPECT_EQ(CheckReplyFrame(reply.data(), len, 1, FunctionCode::ReadCoils, 16, req), ST_OK);
}

TEST(BitReplies, WriteEchoes)
{
    for (const Framing how : {Framing::Header, Framing::Crc, Framing::Serial}) {
        SCOPED_TRACE(int(how));
        uint8_t req[kMaxRequestFrame];
        int n = BuildWriteCoil(req, 1, 0x0102, true);
        EXPECT_EQ(ExpectedReplyLength(req, n), 6);
        const struct {
            std::string reply;
            uint8_t status;
        } single[] = {
            {"01 05 01 02 FF 00", ST_OK},
            {"01 05 01 02 00 00", ST_SIZE_REGCOUNT_MISMATCH},   // the other value
            {"01 05 01 03 FF 00", ST_SIZE_REGCOUNT_MISMATCH},   // another coil
            {"01 05 01 02 FF 00 00", ST_SIZE_REGCOUNT_MISMATCH},
            {"01 85 04", ST_ADDR_CMD_ERROR},
        };
        for (const auto &c : single)
            EXPECT_EQ(Check(how, Bytes(c.reply), FunctionCode::WriteCoil, 10, req, n), c.status) << c.reply;
        const uint8_t packed[2] = {0xFF, 0x01};
        n = BuildWriteCoils(req, 1, 0x0010, packed, 9);
        const struct {
            std::string reply;
            uint8_t status;
        } multiple[] = {
            {"01 0F 00 10 00 09", ST_OK},
            {"01 0F 00 10 00 08", ST_SIZE_REGCOUNT_MISMATCH},
            {"01 0F 00 11 00 09", ST_SIZE_REGCOUNT_MISMATCH},
            {"01 0F 00 10 00", ST_SIZE_REGCOUNT_MISMATCH},
            {"01 8F 01", ST_ADDR_CMD_ERROR},
        };
        for (const auto &c : multiple)
            EXPECT_EQ(Check(how, Bytes(c.reply), FunctionCode::WriteCoils, 10, req, n), c.status) << c.reply;
    }
}

}   // namespace
