#pragma once
// Typed register values worked out by hand: the text of a value in a format
// and the registers that hold it in a register order, as the device sends
// them ("4049 0FDB": first register 0x4049). Shared by the conversion, grid,
// value panel and tarvix-poll tests.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/register_values.h"

struct RegisterValueCase {
    ValueFormat format;
    RegisterOrder order;
    const char *text;   // as shown, and as typed
    const char *registers;   // four hex digits per register, blank between
};

inline constexpr RegisterOrder kABCD = kRegisterOrders[0];
inline constexpr RegisterOrder kCDAB = kRegisterOrders[1];
inline constexpr RegisterOrder kBADC = kRegisterOrders[2];
inline constexpr RegisterOrder kDCBA = kRegisterOrders[3];

inline const std::vector<RegisterValueCase> &RegisterValueCases()
{
    using F = ValueFormat;
    static const std::vector<RegisterValueCase> cases = {
        // One register: the byte order swaps its two bytes.
        {F::Hex, kABCD, "1234", "1234"},
        {F::Hex, kBADC, "1234", "3412"},
        {F::Unsigned, kABCD, "0", "0000"},
        {F::Unsigned, kABCD, "1", "0001"},
        {F::Unsigned, kABCD, "65535", "FFFF"},
        {F::Unsigned, kDCBA, "1", "0100"},
        {F::Signed, kABCD, "-1", "FFFF"},
        {F::Signed, kABCD, "-32768", "8000"},
        {F::Signed, kABCD, "32767", "7FFF"},
        {F::Signed, kBADC, "-32768", "0080"},
        {F::Binary, kABCD, "0001 0010 0011 0100", "1234"},
        {F::Binary, kABCD, "1111 1111 1111 1111", "FFFF"},
        // Two registers, every order.
        {F::Long, kABCD, "-2", "FFFF FFFE"},
        {F::Long, kCDAB, "-2", "FFFE FFFF"},
        {F::Long, kBADC, "-2", "FFFF FEFF"},
        {F::Long, kDCBA, "-2", "FEFF FFFF"},
        {F::Long, kABCD, "-2147483648", "8000 0000"},
        {F::Long, kABCD, "2147483647", "7FFF FFFF"},
        {F::Long, kCDAB, "1", "0001 0000"},
        {F::Long, kABCD, "0", "0000 0000"},
        {F::UnsignedLong, kABCD, "4294967295", "FFFF FFFF"},
        {F::UnsignedLong, kDCBA, "305419896", "7856 3412"},   // 0x12345678
        {F::Float, kABCD, "3.1415927", "4049 0FDB"},
        {F::Float, kCDAB, "3.1415927", "0FDB 4049"},
        {F::Float, kBADC, "3.1415927", "4940 DB0F"},
        {F::Float, kDCBA, "3.1415927", "DB0F 4940"},
        {F::Float, kABCD, "0", "0000 0000"},
        {F::Float, kABCD, "-0", "8000 0000"},
        {F::Float, kABCD, "1", "3F80 0000"},
        {F::Float, kABCD, "-1", "BF80 0000"},
        {F::Float, kABCD, "-12.5", "C148 0000"},
        {F::Float, kABCD, "inf", "7F80 0000"},
        {F::Float, kCDAB, "-inf", "0000 FF80"},
        {F::Float, kABCD, "nan", "7FC0 0000"},
        {F::Float, kABCD, "1e-45", "0000 0001"},   // the least denormal
        {F::Float, kABCD, "1.1754942e-38", "007F FFFF"},   // the greatest denormal
        {F::Float, kABCD, "3.4028235e+38", "7F7F FFFF"},
        // Four registers, every order.
        {F::LongLong, kABCD, "72623859790382856", "0102 0304 0506 0708"},
        {F::LongLong, kCDAB, "72623859790382856", "0708 0506 0304 0102"},
        {F::LongLong, kBADC, "72623859790382856", "0201 0403 0605 0807"},
        {F::LongLong, kDCBA, "72623859790382856", "0807 0605 0403 0201"},
        {F::LongLong, kABCD, "-1", "FFFF FFFF FFFF FFFF"},
        {F::LongLong, kABCD, "-9223372036854775808", "8000 0000 0000 0000"},
        {F::LongLong, kABCD, "9223372036854775807", "7FFF FFFF FFFF FFFF"},
        {F::Double, kABCD, "1", "3FF0 0000 0000 0000"},
        {F::Double, kCDAB, "1", "0000 0000 0000 3FF0"},
        {F::Double, kBADC, "1", "F03F 0000 0000 0000"},
        {F::Double, kDCBA, "1", "0000 0000 0000 F03F"},
        {F::Double, kABCD, "-1", "BFF0 0000 0000 0000"},
        {F::Double, kABCD, "0", "0000 0000 0000 0000"},
        {F::Double, kABCD, "inf", "7FF0 0000 0000 0000"},
        {F::Double, kABCD, "-inf", "FFF0 0000 0000 0000"},
        {F::Double, kABCD, "nan", "7FF8 0000 0000 0000"},
        {F::Double, kABCD, "5e-324", "0000 0000 0000 0001"},
        {F::Double, kABCD, "1.7976931348623157e+308", "7FEF FFFF FFFF FFFF"},
    };
    return cases;
}

// The registers of a case's hex text.
inline std::vector<uint16_t> CaseRegisters(const char *hex)
{
    std::vector<uint16_t> regs;
    for (std::string s(hex); !s.empty();) {
        regs.push_back(static_cast<uint16_t>(std::stoul(s.substr(0, 4), nullptr, 16)));
        s.erase(0, s.size() > 4 ? 5 : 4);
    }
    return regs;
}

// Texts refused, and why: 'n' not a number of the format, 'r' out of range.
struct RefusedValueCase {
    ValueFormat format;
    const char *text;
    char why;
};

inline const std::vector<RefusedValueCase> &RefusedValueCases()
{
    using F = ValueFormat;
    static const std::vector<RefusedValueCase> cases = {
        {F::Unsigned, "65536", 'r'},
        {F::Unsigned, "-1", 'r'},
        {F::Unsigned, "12a", 'n'},
        {F::Unsigned, "", 'n'},
        {F::Unsigned, "0x", 'n'},
        {F::Unsigned, "1 2", 'n'},
        {F::Signed, "32768", 'r'},
        {F::Signed, "-32769", 'r'},
        {F::Signed, "0x10000", 'r'},
        {F::Binary, "0b1 0000 0000 0000 0000", 'r'},
        {F::Binary, "102", 'n'},
        {F::Long, "2147483648", 'r'},
        {F::Long, "-2147483649", 'r'},
        {F::UnsignedLong, "4294967296", 'r'},
        {F::LongLong, "9223372036854775808", 'r'},
        {F::LongLong, "99999999999999999999", 'r'},
        {F::Float, "1e39", 'r'},
        {F::Float, "abc", 'n'},
        {F::Float, "1.5x", 'n'},
        {F::Float, "--1", 'n'},
        {F::Double, "1e309", 'r'},
        {F::Double, "", 'n'},
    };
    return cases;
}

// Texts accepted in another spelling than the one shown.
struct SpelledValueCase {
    ValueFormat format;
    const char *text;
    uint64_t bits;
};

inline const std::vector<SpelledValueCase> &SpelledValueCases()
{
    using F = ValueFormat;
    static const std::vector<SpelledValueCase> cases = {
        {F::Signed, "0xFFFF", 0xFFFF},     {F::Signed, " -5 ", 0xFFFB},
        {F::Unsigned, "0b1010", 0xA},      {F::Binary, "1010", 0xA},
        {F::Binary, "0b1111_0000", 0xF0},  {F::Long, "0xFFFFFFFF", 0xFFFFFFFF},
        {F::UnsignedLong, "+7", 7},        {F::Float, "+2", 0x40000000},
        {F::Float, "-12.5e0", 0xC1480000}, {F::Double, "1E0", 0x3FF0000000000000},
        {F::Hex, "0xbeef", 0xBEEF},        {F::LongLong, "-0x1", 0xFFFFFFFFFFFFFFFF},
    };
    return cases;
}
