// What a trend series reads from the poll's images: registers as typed
// values, coils and discrete inputs as bits, and why a source the poll does
// not read is refused.

#include <gtest/gtest.h>

#include "engine/exchange_record.h"
#include "view/trend_series.h"

namespace {

// A poll of `count` from `start` with `cmd`, its images filled as a good
// reply leaves them: register i holds 100 + i, bit i is i mod 2.
void Poll(ExchangeRecord &rec, FunctionCode cmd, uint16_t start, uint16_t count)
{
    rec.ReadCmd = cmd;
    rec.StartReg = start;
    rec.RegCount = count;
    rec.AllocRegValues(count);
    rec.AllocBitValues(count);
    for (uint16_t i = 0; i < count; ++i) {
        rec.RegValues[i] = uint16_t(100 + i);
        rec.BitValues[i] = uint8_t(i % 2);
    }
    (IsRead(cmd) ? rec.ValuesValid : rec.BitsValid) = 1;
}

TrendSource Source(TrendSourceKind kind, uint16_t address, ValueType type = ValueType::UInt16)
{
    TrendSource s;
    s.kind = kind;
    s.address = address;
    s.layout.type = type;
    return s;
}

TEST(TrendSeries, TheCellOfTheTableReadIsTheSource)
{
    const struct {
        FunctionCode cmd;
        TrendSourceKind kind;
        const char *name;
    } rows[] = {
        {FunctionCode::ReadHolding, TrendSourceKind::Register, "r12"},
        {FunctionCode::ReadInput, TrendSourceKind::Register, "r12"},
        {FunctionCode::ReadCoils, TrendSourceKind::Coil, "c12"},
        {FunctionCode::ReadDiscrete, TrendSourceKind::DiscreteInput, "d12"},
    };
    for (const auto &row : rows) {
        ExchangeRecord rec;
        Poll(rec, row.cmd, 10, 8);
        const TrendSource s = SourceOfCell(rec, 2);
        EXPECT_EQ(s.kind, row.kind);
        EXPECT_EQ(s.address, 12);
        EXPECT_EQ(SourceDefaultName(s), row.name);
        EXPECT_EQ(SourceReadProblem(s, rec), "");
        EXPECT_TRUE(SourceImageValid(s, rec));
    }
}

TEST(TrendSeries, ReadingsOfRegistersAndBits)
{
    ExchangeRecord coils;
    Poll(coils, FunctionCode::ReadCoils, 10, 8);
    double v = -1;
    std::string text;
    ASSERT_TRUE(ReadSource(Source(TrendSourceKind::Coil, 13), coils, v, text));
    EXPECT_EQ(v, 1);
    EXPECT_EQ(text, "1");
    ASSERT_TRUE(ReadSource(Source(TrendSourceKind::Coil, 14), coils, v, text));
    EXPECT_EQ(v, 0);
    EXPECT_EQ(text, "0");
    EXPECT_EQ(SourceWidth(Source(TrendSourceKind::Coil, 14, ValueType::Float64)), 1);

    ExchangeRecord regs;
    Poll(regs, FunctionCode::ReadHolding, 10, 8);
    ASSERT_TRUE(ReadSource(Source(TrendSourceKind::Register, 11, ValueType::UInt32), regs, v, text));
    EXPECT_EQ(v, 101.0 * 65536 + 102);   // high word first
    EXPECT_EQ(text, "6619238");
}

TEST(TrendSeries, ASourceThePollDoesNotReadIsRefused)
{
    ExchangeRecord regs, coils;
    Poll(regs, FunctionCode::ReadHolding, 10, 8);
    Poll(coils, FunctionCode::ReadCoils, 10, 8);
    const struct {
        const ExchangeRecord &rec;
        TrendSource source;
        const char *problem;
    } rows[] = {
        {regs, Source(TrendSourceKind::Register, 18), "Register 18 is not read: the poll reads registers 10 to 17."},
        {regs, Source(TrendSourceKind::Register, 17, ValueType::Int32),
         "int32 (high word first) at register 17 takes 2 registers, 17 to 18, but the poll reads registers 10 to 17."},
        {regs, Source(TrendSourceKind::Coil, 12), "Coil 12 is not read: the poll reads no coils."},
        {coils, Source(TrendSourceKind::Coil, 18), "Coil 18 is not read: the poll reads coils 10 to 17."},
        {coils, Source(TrendSourceKind::DiscreteInput, 12),
         "Discrete input 12 is not read: the poll reads no discrete inputs."},
        {coils, Source(TrendSourceKind::Register, 12), "Register 12 is not read: no registers are read."},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(SourceReadProblem(row.source, row.rec), row.problem);
        double v;
        std::string text;
        EXPECT_FALSE(ReadSource(row.source, row.rec, v, text));
    }
}

}   // namespace
