// Request layouts, framings, CRC and reply checks, from hex.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/modbus_frames.h"
#include "tests/engine/engine_test_support.h"

namespace {

std::vector<uint8_t> Hex(const std::string &text)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// Appends the CRC to a hex frame.
std::string WithCrc(const std::string &hex)
{
    auto v = Hex(hex);
    v.resize(v.size() + 2);
    const int n = FrameWithCrc(v.data(), static_cast<int>(v.size()) - 2);
    return HexBytes(v.data(), n);
}

TEST(Crc, CheckValueAndEmptyInput)
{
    const std::string digits = "123456789";
    EXPECT_EQ(ModbusCrc16(reinterpret_cast<const uint8_t *>(digits.data()), digits.size()), 0x4B37);
    EXPECT_EQ(ModbusCrc16(nullptr, 0), 0xFFFF);
    // Against the bit-wise definition over every single byte and a longer run.
    auto bitwise = [](const std::vector<uint8_t> &d) {
        uint16_t crc = 0xFFFF;
        for (uint8_t b : d) {
            crc ^= b;
            for (int i = 0; i < 8; ++i)
                crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        return crc;
    };
    std::vector<uint8_t> run;
    for (int b = 0; b < 256; ++b) {
        std::vector<uint8_t> one{static_cast<uint8_t>(b)};
        ASSERT_EQ(ModbusCrc16(one.data(), 1), bitwise(one)) << b;
        run.push_back(static_cast<uint8_t>(b * 7 + 1));
    }
    EXPECT_EQ(ModbusCrc16(run.data(), run.size()), bitwise(run));
}

TEST(Requests, LayoutsAndFramings)
{
    uint8_t buf[64];
    int n = BuildReadRequest(buf, 0x11, FunctionCode::ReadHolding, 0x006B, 3);
    EXPECT_EQ(HexBytes(buf, n), "11 03 00 6B 00 03");
    uint8_t copy[64];
    std::copy(buf, buf + n, copy);
    EXPECT_EQ(HexBytes(buf, FrameWithCrc(buf, n)), "11 03 00 6B 00 03 76 87");
    EXPECT_EQ(HexBytes(copy, FrameWithHeader(copy, n)), "00 00 00 00 00 06 11 03 00 6B 00 03");

    n = BuildReadRequest(buf, 0xF7, FunctionCode::ReadInput, 0xFFFF, 1024);
    EXPECT_EQ(HexBytes(buf, n), "F7 04 FF FF 04 00");

    n = BuildWriteSingle(buf, 1, 0xABCD, 0x1234);
    EXPECT_EQ(HexBytes(buf, n), "01 06 AB CD 12 34");

    const uint16_t one = 0x1234;
    n = BuildWriteMultiple(buf, 1, 5, &one, 1);
    EXPECT_EQ(HexBytes(buf, FrameWithCrc(buf, n)), "01 10 00 05 00 01 02 12 34 AB 72");

    // The largest request: 8 registers behind the header, 29 bytes.
    const uint16_t eight[8] = {0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C, 0x0D0E, 0xFFFF};
    n = BuildWriteMultiple(buf, 9, 0x0100, eight, 8);
    EXPECT_EQ(n, 23);
    EXPECT_EQ(HexBytes(buf, FrameWithHeader(buf, n)),
              "00 00 00 00 00 17 09 10 01 00 00 08 10 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E FF FF");
}

struct FramingCase {
    const char *name;
    std::string hex;
    uint8_t status;
    int off;   // frame offset and length when status is 0
    int len;
};

using FramingCheck = uint8_t (*)(const uint8_t *, int, int &, int &);

void RunFramingCases(FramingCheck check, const FramingCase *begin, const FramingCase *end)
{
    for (const FramingCase *c = begin; c != end; ++c) {
        const auto v = Hex(c->hex);
        int off = -1, len = -1;
        EXPECT_EQ(check(v.data(), static_cast<int>(v.size()), off, len), c->status) << c->name;
        if (c->status == ST_OK) {
            EXPECT_EQ(off, c->off) << c->name;
            EXPECT_EQ(len, c->len) << c->name;
        }
    }
}

TEST(Checks, ModnetReply)
{
    const FramingCase cases[] = {
        {"good read reply", "00 00 00 00 00 05 01 03 02 12 34", ST_OK, 6, 5},
        {"seven bytes", "00 00 00 00 00 01 01", ST_REPLY_SHORT, 0, 0},
        {"empty", "", ST_REPLY_SHORT, 0, 0},
        {"transaction id 1", "00 01 00 00 00 03 01 06 00", ST_HEADER_WRONG, 0, 0},
        {"transaction id high byte", "01 00 00 00 00 03 01 06 00", ST_HEADER_WRONG, 0, 0},
        {"protocol id 1", "00 00 00 01 00 03 01 06 00", ST_HEADER_WRONG, 0, 0},
        {"ids checked before length", "00 00 80 00 00 09 01 06 00", ST_HEADER_WRONG, 0, 0},
        {"length one too large", "00 00 00 00 00 04 01 83 02", ST_PKT_SIZE_MISMATCH, 0, 0},
        {"length one too small", "00 00 00 00 00 02 01 83 02", ST_PKT_SIZE_MISMATCH, 0, 0},
        {"length 0", "00 00 00 00 00 00 01 03 02 12 34", ST_PKT_SIZE_MISMATCH, 0, 0},
        {"length high byte", "00 00 00 00 01 03 01 83 02", ST_PKT_SIZE_MISMATCH, 0, 0},
        {"exception reply", "00 00 00 00 00 03 01 83 02", ST_OK, 6, 3},
    };
    RunFramingCases(CheckModnetReply, std::begin(cases), std::end(cases));
}

TEST(Checks, CrcReply)
{
    const std::string good = WithCrc("01 03 02 12 34");
    auto bad = Hex(good);
    bad.back() ^= 0x01;
    const FramingCase cases[] = {
        {"good", good, ST_OK, 0, 5},
        {"three bytes", "01 83 02", ST_REPLY_SHORT, 0, 0},
        {"wrong crc", HexBytes(bad.data(), static_cast<int>(bad.size())), ST_HEADER_WRONG, 0, 0},
        {"four bytes, crc of two", WithCrc("01 06"), ST_OK, 0, 2},
        {"exception", WithCrc("01 83 02"), ST_OK, 0, 3},
    };
    RunFramingCases(CheckCrcReply, std::begin(cases), std::end(cases));
}

TEST(Checks, SerialReply)
{
    // A read reply of two registers whose CRC high byte is 0x00.
    std::string zeroHigh;
    for (int v = 0; v < 65536 && zeroHigh.empty(); ++v) {
        char f[64];
        std::snprintf(f, sizeof f, "01 03 04 %02X %02X 12 34", v >> 8, v & 0xFF);
        const auto framed = Hex(WithCrc(f));
        if (framed.back() == 0x00)
            zeroHigh = WithCrc(f);
    }
    ASSERT_FALSE(zeroHigh.empty());

    struct SerialCase {
        const char *name;
        std::string hex;
        uint32_t lineErrors;
        uint8_t status;
        int len;
    };
    const SerialCase cases[] = {
        {"good", WithCrc("01 03 02 12 34"), 0, ST_OK, 5},
        {"nothing", "", 0, ST_NO_REPLY, 0},
        {"another slave", WithCrc("02 03 02 12 34"), 0, ST_COM_SIZE_ADDR_ERROR, 0},
        {"another slave, before line errors", WithCrc("02 03 02 12 34"), 4, ST_COM_SIZE_ADDR_ERROR, 0},
        {"three bytes", "01 83 02", 0, ST_COM_SIZE_ADDR_ERROR, 0},
        {"line errors", WithCrc("01 03 02 12 34"), 1, ST_COM_LINE_ERRORS, 0},
        {"wrong crc", "01 03 02 12 34 00 01", 0, ST_COM_CRC_WRONG, 0},
        {"stray byte after crc", WithCrc("01 03 02 12 34") + " 00", 0, ST_OK, 5},
        {"stray non-zero byte after crc", WithCrc("01 03 02 12 34") + " 5A", 0, ST_OK, 5},
        // A CRC high byte of 0x00 is read as a stray byte: the shorter
        // reading always matches too, so the frame is one byte short.
        {"crc high byte 0x00, nothing after", zeroHigh, 0, ST_OK, 6},
        {"crc high byte 0x00, low byte broken", zeroHigh.substr(0, zeroHigh.size() - 5) + "5A 00", 0, ST_COM_CRC_WRONG,
         0},
        {"crc high byte 0x00, stray byte after", zeroHigh + " 00", 0, ST_OK, 7},
        {"two stray bytes", WithCrc("01 03 02 12 34") + " 5A 5A", 0, ST_COM_CRC_WRONG, 0},
    };
    for (const auto &c : cases) {
        const auto v = Hex(c.hex);
        int off = -1, len = -1;
        EXPECT_EQ(CheckSerialReply(v.data(), static_cast<int>(v.size()), 1, c.lineErrors, off, len), c.status)
            << c.name;
        if (c.status == ST_OK) {
            EXPECT_EQ(off, 0) << c.name;
            EXPECT_EQ(len, c.len) << c.name;
        }
    }

    // A 5-byte exception reply whose CRC ends in 0x00: the framing accepts it
    // (the same CRC is checked again), the frame check then refuses it.
    std::string exc;
    for (int code = 0; code < 256 && exc.empty(); ++code)
        for (int addr = 1; addr < 248 && exc.empty(); ++addr) {
            char f[32];
            std::snprintf(f, sizeof f, "%02X 83 %02X", addr, code);
            if (Hex(WithCrc(f)).back() == 0x00)
                exc = WithCrc(f);
        }
    ASSERT_FALSE(exc.empty());
    const auto v = Hex(exc);
    int off = -1, len = -1;
    ASSERT_EQ(CheckSerialReply(v.data(), 5, v[0], 0, off, len), ST_OK);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(CheckReplyFrame(v.data() + off, len, v[0], FunctionCode::ReadHolding, 1), ST_ADDR_CMD_ERROR);
}

// A good read reply whose CRC ends in 0x00 is taken whole when the request
// says how long the reply must be; a real stray byte is still dropped.
TEST(Checks, SerialReplyWithExpectedLength)
{
    std::vector<uint8_t> request(8);
    const int reqLen = BuildReadRequest(request.data(), 1, FunctionCode::ReadHolding, 0, 2);
    const int want = ExpectedReplyLength(request.data(), reqLen);
    ASSERT_EQ(want, 7);
    uint8_t write[8];
    EXPECT_EQ(ExpectedReplyLength(write, BuildWriteSingle(write, 1, 5, 0x1234)), 6);

    int found = 0;
    for (int v = 0; v < 65536; ++v) {
        char f[64];
        std::snprintf(f, sizeof f, "01 03 04 %02X %02X 12 34", v >> 8, v & 0xFF);
        const auto framed = Hex(WithCrc(f));
        if (framed.back() != 0x00)
            continue;
        ++found;
        int off = -1, len = -1;
        ASSERT_EQ(CheckSerialReply(framed.data(), 9, 1, 0, off, len, want), ST_OK) << f;
        ASSERT_EQ(len, 7) << f;
        EXPECT_EQ(CheckReplyFrame(framed.data() + off, len, 1, FunctionCode::ReadHolding, 2), ST_OK) << f;
        auto stray = framed;
        stray.push_back(0x00);
        ASSERT_EQ(CheckSerialReply(stray.data(), 10, 1, 0, off, len, want), ST_OK) << f;
        ASSERT_EQ(len, 7) << f;
    }
    // About one CRC in 256 ends in 0x00.
    EXPECT_GT(found, 100);
}

TEST(Checks, ReplyFrame)
{
    struct Case {
        const char *name;
        std::string hex;
        FunctionCode lastCmd;
        uint16_t regCount;
        uint8_t status;
    };
    const Case cases[] = {
        {"another slave", "02 03 02 00 01", FunctionCode::ReadHolding, 1, ST_ADDR_CMD_ERROR},
        {"another function", "01 04 02 00 01", FunctionCode::ReadHolding, 1, ST_ADDR_CMD_ERROR},
        {"holding reply to an input read", "01 03 02 00 01", FunctionCode::ReadInput, 1, ST_ADDR_CMD_ERROR},
        {"exception to a read", "01 83 02", FunctionCode::ReadHolding, 1, ST_ADDR_CMD_ERROR},
        {"exception to a write", "01 86 04", FunctionCode::WriteSingle, 0, ST_ADDR_CMD_ERROR},
        {"write echo not compared", "01 06 FF FF FF FF", FunctionCode::WriteSingle, 10, ST_OK},
        {"fc16 reply", "01 10 00 05 00 01", FunctionCode::WriteMultiple, 10, ST_OK},
        {"fc16 reply, short", "01 10", FunctionCode::WriteMultiple, 10, ST_OK},
        {"address only", "01", FunctionCode::ReadHolding, 0, ST_ADDR_CMD_ERROR},
    };
    for (const auto &c : cases) {
        const auto v = Hex(c.hex);
        EXPECT_EQ(CheckReplyFrame(v.data(), static_cast<int>(v.size()), 1, c.lastCmd, c.regCount), c.status) << c.name;
    }

    // The size of a read reply, for both read functions alike: the bytes
    // after the function code are checked against the register count.
    struct SizeCase {
        const char *name;
        std::string rest;   // after address and function code
        uint16_t regCount;
        uint8_t status;
    };
    const SizeCase sizes[] = {
        {"two registers", "04 00 01 00 02", 2, ST_OK},
        {"one register", "02 00 01", 1, ST_OK},
        {"byte count wrong, length right", "09 00 01 00 02", 2, ST_OK},
        {"one register short", "02 00 01", 2, ST_SIZE_REGCOUNT_MISMATCH},
        {"one byte long", "04 00 01 00 02 00", 2, ST_SIZE_REGCOUNT_MISMATCH},
        {"one byte short", "04 00 01 00", 2, ST_SIZE_REGCOUNT_MISMATCH},
        {"no data", "", 1, ST_SIZE_REGCOUNT_MISMATCH},
    };
    for (const FunctionCode fc : {FunctionCode::ReadHolding, FunctionCode::ReadInput}) {
        char head[8];
        std::snprintf(head, sizeof head, "01 %02X ", static_cast<unsigned>(fc));
        for (const auto &c : sizes) {
            const auto v = Hex(head + c.rest);
            EXPECT_EQ(CheckReplyFrame(v.data(), static_cast<int>(v.size()), 1, fc, c.regCount), c.status)
                << c.name << ", function " << static_cast<int>(fc);
        }
    }
}

TEST(Status, Texts)
{
    char buf[16];
    const std::pair<uint8_t, const char *> texts[] = {
        {0, "OK"},
        {1, "UDP Send Error"},
        {2, "MODNET Reply Size < 8"},
        {3, "MODNET Header ID or ProtoID Wrong"},
        {4, "MODNET Reply Pkt Size Missmatch"},
        {10, "Reply Addr or CmdCode Error"},
        {20, "ReplySize/RegCount Missmatch"},
        {240, "COM Line Frame/Parity Errors"},
        {252, "COM Reply CRC16 Wrong"},
        {253, "COM Reply Size or Addr Error"},
        {254, "Stop Working"},
        {255, "No Reply"},
        {5, "Error 0x05"},
        {0xAB, "Error 0xAB"},
    };
    for (const auto &[code, text] : texts)
        EXPECT_STREQ(StatusText(code, buf), text) << int(code);
}

// Random, truncated and mutated replies through every check: only the codes
// each check may give, and frames that stay inside the reply.
TEST(Checks, RandomFramesGiveOnlyTheirCodes)
{
    std::mt19937 rng(20261208);
    const std::set<uint8_t> modnet{ST_OK, ST_REPLY_SHORT, ST_HEADER_WRONG, ST_PKT_SIZE_MISMATCH};
    const std::set<uint8_t> crc{ST_OK, ST_REPLY_SHORT, ST_HEADER_WRONG};
    const std::set<uint8_t> serial{ST_OK, ST_NO_REPLY, ST_COM_SIZE_ADDR_ERROR, ST_COM_LINE_ERRORS, ST_COM_CRC_WRONG};
    const std::set<uint8_t> frame{ST_OK, ST_ADDR_CMD_ERROR, ST_SIZE_REGCOUNT_MISMATCH};
    int accepted = 0;
    for (int iter = 0; iter < 120000; ++iter) {
        std::vector<uint8_t> buf;
        const int kind = iter % 4;
        if (kind == 0) {   // pure noise
            buf.resize(rng() % 300);
            for (auto &b : buf)
                b = static_cast<uint8_t>(rng());
        } else {   // a plausible reply, then truncated or mutated
            const uint16_t count = static_cast<uint16_t>(rng() % 20);
            buf = {1, static_cast<uint8_t>(rng() % 2 ? 3 : 0x83), static_cast<uint8_t>(2 * count)};
            for (int i = 0; i < 2 * count; ++i)
                buf.push_back(static_cast<uint8_t>(rng()));
            buf.resize(buf.size() + 6);
            int n = static_cast<int>(buf.size()) - 6;
            n = kind == 1 ? FrameWithHeader(buf.data(), n) : FrameWithCrc(buf.data(), n);
            buf.resize(static_cast<size_t>(n));
            if (rng() % 2)
                buf.resize(rng() % (buf.size() + 1));
            if (!buf.empty() && rng() % 2)
                buf[rng() % buf.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            if (rng() % 4 == 0)
                buf.push_back(static_cast<uint8_t>(rng() % 2 ? 0 : rng()));
        }
        const int n = static_cast<int>(buf.size());
        const uint8_t *p = buf.data();
        int off = -1, len = -1;
        auto frameOk = [&](uint8_t st, const std::set<uint8_t> &allowed) {
            ASSERT_TRUE(allowed.count(st)) << int(st);
            if (st != ST_OK)
                return;
            ++accepted;
            ASSERT_GE(off, 0);
            ASSERT_GE(len, 2);
            ASSERT_LE(off + len, n);
            const uint8_t fst =
                CheckReplyFrame(p + off, len, 1, FunctionCode::ReadHolding, static_cast<uint16_t>(rng() % 20));
            ASSERT_TRUE(frame.count(fst)) << int(fst);
        };
        frameOk(CheckModnetReply(p, n, off, len), modnet);
        frameOk(CheckCrcReply(p, n, off, len), crc);
        frameOk(CheckSerialReply(p, n, 1, rng() % 8 == 0, off, len), serial);
        if (::testing::Test::HasFatalFailure())
            FAIL() << "at frame " << iter;
    }
    EXPECT_GT(accepted, 1000);   // the generator does reach the success paths
}

}   // namespace
