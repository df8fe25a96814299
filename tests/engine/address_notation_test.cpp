// Register addresses as the user writes them: each notation's text of a
// protocol address, and typed addresses read back or refused with the reason.

#include <gtest/gtest.h>

#include "engine/address_notation.h"

namespace {

using N = AddressNotation;
using T = RegisterTable;

TEST(AddressNotation, TextsOfEachTable)
{
    struct Case {
        int address;
        N notation;
        T table;
        const char *text;
    };
    const Case cases[] = {
        {0, N::ZeroBased, T::HoldingRegisters, "0"},      {65540, N::ZeroBased, T::HoldingRegisters, "65540"},
        {0, N::OneBased, T::InputRegisters, "1"},         {65535, N::OneBased, T::HoldingRegisters, "65536"},
        {0, N::Prefixed, T::HoldingRegisters, "40001"},   {9998, N::Prefixed, T::HoldingRegisters, "49999"},
        {9999, N::Prefixed, T::HoldingRegisters, "410000"}, {65535, N::Prefixed, T::HoldingRegisters, "465536"},
        {99, N::Prefixed, T::InputRegisters, "30100"},    {0, N::Prefixed, T::Coils, "00001"},
        {0, N::Prefixed, T::DiscreteInputs, "10001"},     {12345, N::Prefixed, T::Coils, "012346"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AddressText(c.address, c.notation, c.table), c.text) << c.address;
}

TEST(AddressNotation, TypedAddresses)
{
    struct Case {
        const char *text;
        N notation;
        T table;
        int address;   // -1: refused
        const char *why;
    };
    const Case cases[] = {
        {"65535", N::ZeroBased, T::HoldingRegisters, 65535, ""},
        {"65536", N::ZeroBased, T::HoldingRegisters, -1, "above 65535"},
        {" 4 ", N::OneBased, T::HoldingRegisters, 3, ""},
        {"0", N::OneBased, T::HoldingRegisters, -1, "not from 1 to 65536"},
        {"40001", N::Prefixed, T::HoldingRegisters, 0, ""},
        {"465536", N::Prefixed, T::HoldingRegisters, 65535, ""},
        {"465537", N::Prefixed, T::HoldingRegisters, -1, "not from 1 to 65536"},
        {"40000", N::Prefixed, T::HoldingRegisters, -1, "not from 1 to 65536"},
        {"30001", N::Prefixed, T::HoldingRegisters, -1, "the address of an input register, but holding registers are read"},
        {"40001", N::Prefixed, T::Coils, -1, "the address of a holding register, but coils are read"},
        {"00001", N::Prefixed, T::Coils, 0, ""},
        {"100001", N::Prefixed, T::DiscreteInputs, 0, ""},
        {"50001", N::Prefixed, T::HoldingRegisters, -1, "no table begins with 5"},
        {"4001", N::Prefixed, T::HoldingRegisters, -1, "five- or six-digit"},
        {"4x001", N::Prefixed, T::HoldingRegisters, -1, "not an address"},
        {"", N::ZeroBased, T::HoldingRegisters, -1, "not an address"},
    };
    for (const Case &c : cases) {
        uint16_t address = 7;
        const std::string why = ParseAddress(c.text, c.notation, c.table, address);
        if (c.address >= 0) {
            EXPECT_EQ(why, "") << c.text;
            EXPECT_EQ(address, c.address) << c.text;
        } else {
            EXPECT_NE(why.find(c.why), std::string::npos) << c.text << ": " << why;
            EXPECT_EQ(address, 7) << c.text;
        }
    }
    EXPECT_EQ(TableOfReadCommand(1), T::Coils);
    EXPECT_EQ(TableOfReadCommand(2), T::DiscreteInputs);
    EXPECT_EQ(TableOfReadCommand(3), T::HoldingRegisters);
    EXPECT_EQ(TableOfReadCommand(4), T::InputRegisters);
}

}   // namespace
