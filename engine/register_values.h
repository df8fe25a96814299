#pragma once
// Register values read as wider numbers: the word order of 32- and 64-bit
// values over consecutive registers, bytes swapped within a register, and
// the IEEE 754 reading of the bits. Plain functions, shared by the value
// panel and the console host.

#include <cstdint>

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

// The 32 bits of two consecutive registers.
uint32_t Join32(uint16_t first, uint16_t second, WordOrder order);

// The 64 bits of four consecutive registers `words[0..3]`.
uint64_t Join64(const uint16_t *words, WordOrder order);

// The bits read as an IEEE 754 single or double.
float FloatOfBits(uint32_t bits);
double DoubleOfBits(uint64_t bits);
