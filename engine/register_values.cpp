#include "engine/register_values.h"

#include <cstring>

uint32_t Join32(uint16_t first, uint16_t second, WordOrder order)
{
    return order == WordOrder::HighFirst ? static_cast<uint32_t>(first) << 16 | second
                                         : static_cast<uint32_t>(second) << 16 | first;
}

uint64_t Join64(const uint16_t *words, WordOrder order)
{
    uint64_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 16 | words[order == WordOrder::HighFirst ? i : 3 - i];
    return v;
}

float FloatOfBits(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double DoubleOfBits(uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
