#pragma once
// Register values read as wider numbers: the word order of 32- and 64-bit
// values over consecutive registers, bytes swapped within a register, the
// IEEE 754 reading of the bits, and the texts of typed values with their
// parsing. Plain functions, shared by the grid, the value panel, the console
// host and the trend.

#include <cstdint>
#include <string>
#include <string_view>

// Where the most significant word of a multi-register value lies.
enum class WordOrder : uint8_t {
    HighFirst,   // the first register is the high word
    LowFirst,   // the first register is the low word
};

// The two bytes of a register exchanged.
constexpr uint16_t SwapRegisterBytes(uint16_t v)
{
    return static_cast<uint16_t>(v << 8 | v >> 8);
}

// The register order of a multi-register value: the word order over the
// registers and the byte order within each. Named by the bytes of a 32-bit
// value ABCD (A most significant) as they lie in the registers: "AB CD"
// (big word order), "CD AB" (little), "BA DC" (big, bytes swapped), "DC BA"
// (little, bytes swapped).
struct RegisterOrder {
    WordOrder words = WordOrder::HighFirst;
    bool byteSwap = false;
    friend bool operator==(RegisterOrder, RegisterOrder) = default;
};
inline constexpr RegisterOrder kRegisterOrders[] = {{WordOrder::HighFirst, false},
                                                    {WordOrder::LowFirst, false},
                                                    {WordOrder::HighFirst, true},
                                                    {WordOrder::LowFirst, true}};
const char *RegisterOrderName(RegisterOrder order);

// The bits of `n` (1..4) consecutive registers as one number of 16 x n
// bits, and back.
uint64_t JoinRegisters(const uint16_t *regs, int n, RegisterOrder order);
void SplitRegisters(uint64_t bits, int n, RegisterOrder order, uint16_t *regs);

// Register i of a read reply's frame (address byte first): the two bytes
// at 3 + 2i, high byte first.
inline uint16_t ReplyRegister(const uint8_t *frame, int i)
{
    return static_cast<uint16_t>(frame[3 + 2 * i] << 8 | frame[4 + 2 * i]);
}

// Bit i of a bit read's reply frame: bytes from 3 on, low bit first.
inline uint8_t ReplyBit(const uint8_t *frame, int i)
{
    return static_cast<uint8_t>(frame[3 + i / 8] >> (i % 8) & 1);
}

// The 32 bits of two consecutive registers.
uint32_t Join32(uint16_t first, uint16_t second, WordOrder order);

// The 64 bits of four consecutive registers `words[0..3]`.
uint64_t Join64(const uint16_t *words, WordOrder order);

// The bits read as an IEEE 754 single or double.
float FloatOfBits(uint32_t bits);
double DoubleOfBits(uint64_t bits);

// How a register, or a value over consecutive registers, is read and typed.
enum class ValueFormat : uint8_t {
    Hex,   // "%04X"
    Unsigned,   // 0..65535
    Signed,   // -32768..32767
    Binary,   // 16 digits in groups of 4
    Long,   // int32
    UnsignedLong,   // uint32
    Float,   // IEEE 754 single
    LongLong,   // int64
    Double,   // IEEE 754 double
};
inline constexpr int kValueFormatCount = 9;
const char *ValueFormatName(ValueFormat format);
// Registers a value of the format spans: 1, 2 or 4.
int RegistersOf(ValueFormat format);

// The text of a value of the format from its joined bits (the low 16 x
// RegistersOf bits). Floats in the shortest text that reads back to the
// same bits ("nan", "-nan", "inf", "-inf" for the special values).
std::string ValueText(ValueFormat format, uint64_t bits);
// The longest text the format gives, for sizing its cells.
std::string WidestValueText(ValueFormat format);

// Reads a typed value: blanks around it are skipped; integers in decimal,
// or "0x" hexadecimal or "0b" binary (their bit pattern for signed types),
// binary digits alone in the Binary format (blanks and '_' between digits
// allowed there), floats as decimal or exponent numbers, "inf" or "nan".
// Returns an empty string and sets `bits`, or says why the text was
// refused (not a number of the format, or out of its range).
std::string ParseValue(ValueFormat format, std::string_view text, uint64_t &bits);

// The types tarvix-poll and the trend read a run of registers as.
enum class ValueType { UInt16, Int16, UInt32, Int32, Float32, Float64, UInt64, Int64 };

// How the registers are read as values.
struct ValueLayout {
    ValueType type = ValueType::UInt16;
    WordOrder order = WordOrder::HighFirst;
    bool byteSwap = false;   // the two bytes of each register exchanged first
};

// The register order of the layout, as the grid names it.
inline RegisterOrder OrderOf(const ValueLayout &layout)
{
    return {layout.order, layout.byteSwap};
}

// Registers one value of `type` takes: 1, 2 or 4.
int RegistersPerValue(ValueType type);

// The value that starts at `regs[0]` (RegistersPerValue registers), as a
// number: integers exactly where a double holds them, floats widened (NaN
// and infinities kept).
double ValueNumber(const uint16_t *regs, const ValueLayout &layout);

// The same value as a decimal text: integers in decimal, floats in the
// shortest text that reads back to the same value, a NaN or an infinity as
// "nan", "inf", "-inf".
std::string ValueText(const uint16_t *regs, const ValueLayout &layout);
