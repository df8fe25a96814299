#pragma once
// Register values read as wider numbers: the word order of 32- and 64-bit
// values over consecutive registers, bytes swapped within a register, and
// the IEEE 754 reading of the bits, and one value of a given type read from
// its registers as a number and as a decimal text. Plain functions, shared
// by the value panel, the console host and the trend.

#include <cstdint>
#include <string>

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

// The types a run of registers is read as.
enum class ValueType { UInt16, Int16, UInt32, Int32, Float32, Float64 };

// How the registers are read as values.
struct ValueLayout {
    ValueType type = ValueType::UInt16;
    WordOrder order = WordOrder::HighFirst;
    bool byteSwap = false;   // the two bytes of each register exchanged first
};

// Registers one value of `type` takes: 1, 2 or 4.
int RegistersPerValue(ValueType type);

// The value that starts at `regs[0]` (RegistersPerValue registers), as a
// number: integers exactly, floats widened (NaN and infinities kept).
double ValueNumber(const uint16_t *regs, const ValueLayout &layout);

// The same value as a decimal text: integers in decimal, floats in the
// shortest text that reads back to the same value, a NaN or an infinity as
// "nan", "inf", "-inf".
std::string ValueText(const uint16_t *regs, const ValueLayout &layout);
