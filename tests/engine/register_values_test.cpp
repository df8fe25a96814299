// The typed readings of registers: every case of the shared table read from
// its registers and written back to them, refused texts, other spellings.

#include <gtest/gtest.h>

#include "tests/support/register_value_cases.h"

TEST(RegisterValues, CasesReadAndWriteTheirRegisters)
{
    for (const RegisterValueCase &c : RegisterValueCases()) {
        SCOPED_TRACE(std::string(ValueFormatName(c.format)) + " " + RegisterOrderName(c.order) + " " + c.text);
        const std::vector<uint16_t> regs = CaseRegisters(c.registers);
        ASSERT_EQ(int(regs.size()), RegistersOf(c.format));
        EXPECT_EQ(ValueText(c.format, JoinRegisters(regs.data(), int(regs.size()), c.order)), c.text);
        uint64_t bits = 0;
        ASSERT_EQ(ParseValue(c.format, c.text, bits), "");
        std::vector<uint16_t> back(regs.size());
        SplitRegisters(bits, int(back.size()), c.order, back.data());
        EXPECT_EQ(back, regs);
        EXPECT_LE(ValueText(c.format, JoinRegisters(regs.data(), int(regs.size()), c.order)).size(),
                  WidestValueText(c.format).size());
    }
}

TEST(RegisterValues, RefusedTextsSayWhy)
{
    for (const RefusedValueCase &c : RefusedValueCases()) {
        SCOPED_TRACE(std::string(ValueFormatName(c.format)) + " '" + c.text + "'");
        uint64_t bits = 0x5A5A;
        const std::string why = ParseValue(c.format, c.text, bits);
        EXPECT_NE(why.find(c.why == 'r' ? "range" : "not a number"), std::string::npos) << why;
        EXPECT_EQ(bits, 0x5A5Au);
    }
}

TEST(RegisterValues, OtherSpellings)
{
    for (const SpelledValueCase &c : SpelledValueCases()) {
        SCOPED_TRACE(std::string(ValueFormatName(c.format)) + " '" + c.text + "'");
        uint64_t bits = 0;
        ASSERT_EQ(ParseValue(c.format, c.text, bits), "");
        EXPECT_EQ(bits, c.bits);
    }
}

TEST(RegisterValues, OrderNamesAndTheOldJoins)
{
    EXPECT_STREQ(RegisterOrderName(kRegisterOrders[0]), "AB CD");
    EXPECT_STREQ(RegisterOrderName(kRegisterOrders[1]), "CD AB");
    EXPECT_STREQ(RegisterOrderName(kRegisterOrders[2]), "BA DC");
    EXPECT_STREQ(RegisterOrderName(kRegisterOrders[3]), "DC BA");
    EXPECT_EQ(Join32(0x0FDB, 0x4049, WordOrder::LowFirst), 0x40490FDBu);
    EXPECT_EQ(Join32(0x4049, 0x0FDB, WordOrder::HighFirst), 0x40490FDBu);
    const uint16_t four[] = {1, 2, 3, 4};
    EXPECT_EQ(Join64(four, WordOrder::HighFirst), 0x0001000200030004u);
    EXPECT_EQ(Join64(four, WordOrder::LowFirst), 0x0004000300020001u);
}
