// The OK step's filling of the exchange record, without a window.

#include <gtest/gtest.h>

#include "app/exchange_setup.h"

TEST(ExchangeSetup, BaudText)
{
    const struct {
        const char *text;
        int32_t value;
    } cases[] = {
        {"115200", 115200},    {"  9600", 9600}, {"\t+1200", 1200}, {"-300", -300},
        {"19200 baud", 19200}, {"", 0},          {"none", 0},       {"99999999999", INT32_MAX},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BaudTextToInt(c.text), c.value) << c.text;
}

TEST(ExchangeSetup, FillsEveryField)
{
    TarvixSettings s;
    s.ConnType = 2;
    s.SlaveAddr = 17;
    s.StartReg = 100;
    s.RegCount = 1024;
    s.IPAddr = "127.0.0.1";
    s.Port = 9;
    s.LocalPort = 1234;
    s.ComPort = "a-port-name-longer-than-sixteen";
    s.Baud = "9600";
    s.Parity = false;
    s.RS485 = true;
    s.DTR = true;
    ExchangeChoice c{"COM Port", true, true, 0};
    ExchangeRecord r;
    ASSERT_TRUE(FillExchangeRecord(s, c, r));
    EXPECT_EQ(r.Conn.Kind, ConnKind::Serial);
    EXPECT_EQ(r.ConnTypeText, "COM Port");
    EXPECT_EQ(r.Conn.ComPortName, s.ComPort);   // copied whole
    EXPECT_EQ(r.Conn.BaudRate, 9600);
    EXPECT_EQ(r.Conn.CharTime, 1560);
    EXPECT_EQ(r.Conn.EvenParity, 0);
    EXPECT_EQ(r.Conn.RS485Control, 1);
    EXPECT_EQ(r.Conn.DTRAlwaysOn, 1);
    EXPECT_EQ(r.Conn.IPAddr, "127.0.0.1");
    EXPECT_EQ(r.Conn.TargetPort, 9);
    EXPECT_EQ(r.SlaveAddr.load(), 17);
    EXPECT_EQ(r.ReadCmd.load(), FunctionCode::ReadInput);
    EXPECT_EQ(r.StartReg.load(), 100);
    EXPECT_EQ(r.RegCount.load(), 1024);
    EXPECT_EQ(r.UpdatePeriod.load(), 0u);
    EXPECT_EQ(r.Conn.CrcFraming, 1);
    EXPECT_EQ(r.Conn.UDPLocalPort, 1234);
    ASSERT_EQ(r.ReadableCount(), 1024);
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(r.RegValues[i].load(), 0) << i;
}

TEST(ExchangeSetup, CharTimeByBaud)
{
    const struct {
        const char *baud;
        int32_t charTime;
    } cases[] = {{"115200", 130}, {"9600", 1560}, {"1200", 12480}, {"14400", 1040}, {"", 0}};
    for (const auto &c : cases) {
        TarvixSettings s;
        s.Baud = c.baud;
        ExchangeRecord r;
        ASSERT_TRUE(FillExchangeRecord(s, {}, r));
        EXPECT_EQ(r.Conn.CharTime, c.charTime) << c.baud;
        EXPECT_EQ(r.ReadCmd.load(), FunctionCode::ReadHolding);
        EXPECT_EQ(r.Conn.CrcFraming, 0);
    }
}

// A count above the limit stops after the count: no image, and the fields
// that follow it keep what they held.
TEST(ExchangeSetup, CountLimit)
{
    for (int count : {0, 1024, 1025, 65535}) {
        TarvixSettings s;
        s.RegCount = count;
        s.LocalPort = 77;
        ExchangeRecord r;
        const bool ok = FillExchangeRecord(s, {"Ethernet UDP", false, true, 500}, r);
        EXPECT_EQ(ok, count <= kMaxRegCount) << count;
        EXPECT_EQ(r.RegCount.load(), uint16_t(count));
        EXPECT_EQ(bool(r.RegValues), ok) << count;
        EXPECT_EQ(r.UpdatePeriod.load(), ok ? 500u : 100u) << count;
        EXPECT_EQ(r.Conn.UDPLocalPort, ok ? 77 : 0) << count;
        EXPECT_EQ(r.Conn.CrcFraming, ok ? 1 : 0) << count;
    }
}

// "Cmd 01" and "Cmd 02": the bit read, up to 2000 bits, into a bit image and
// no register image.
TEST(ExchangeSetup, BitReads)
{
    for (const uint8_t bitCmd : {1, 2}) {
        for (int count : {1, 1025, 2000, 2001}) {
            TarvixSettings s;
            s.RegCount = count;
            ExchangeRecord r;
            ExchangeChoice c{"Ethernet TCP", true, false, 100, bitCmd};
            const bool ok = FillExchangeRecord(s, c, r);
            EXPECT_EQ(ok, count <= kMaxBitCount) << count;
            EXPECT_EQ(r.ReadCmd.load(), FunctionCode(bitCmd));
            EXPECT_EQ(r.BitValuesSize, ok ? count : 0) << count;
            EXPECT_FALSE(r.RegValues);
        }
    }
}
