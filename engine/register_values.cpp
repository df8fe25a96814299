#include "engine/register_values.h"

#include <charconv>
#include <cmath>
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

int RegistersPerValue(ValueType type)
{
    switch (type) {
    case ValueType::UInt32:
    case ValueType::Int32:
    case ValueType::Float32: return 2;
    case ValueType::Float64: return 4;
    default: return 1;
    }
}

namespace {

// The value's registers with the byte swap applied.
void Words(const uint16_t *regs, const ValueLayout &layout, uint16_t (&w)[4])
{
    const int width = RegistersPerValue(layout.type);
    for (int k = 0; k < width; ++k)
        w[k] = layout.byteSwap ? SwapRegisterBytes(regs[k]) : regs[k];
}

template <typename F>
std::string FloatText(F v)
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}   // namespace

double ValueNumber(const uint16_t *regs, const ValueLayout &layout)
{
    uint16_t w[4] = {};
    Words(regs, layout, w);
    switch (layout.type) {
    case ValueType::UInt16: return w[0];
    case ValueType::Int16: return static_cast<int16_t>(w[0]);
    case ValueType::UInt32: return Join32(w[0], w[1], layout.order);
    case ValueType::Int32: return static_cast<int32_t>(Join32(w[0], w[1], layout.order));
    case ValueType::Float32: return FloatOfBits(Join32(w[0], w[1], layout.order));
    case ValueType::Float64: return DoubleOfBits(Join64(w, layout.order));
    }
    return 0;
}

std::string ValueText(const uint16_t *regs, const ValueLayout &layout)
{
    uint16_t w[4] = {};
    Words(regs, layout, w);
    switch (layout.type) {
    case ValueType::UInt16: return std::to_string(w[0]);
    case ValueType::Int16: return std::to_string(static_cast<int16_t>(w[0]));
    case ValueType::UInt32: return std::to_string(Join32(w[0], w[1], layout.order));
    case ValueType::Int32: return std::to_string(static_cast<int32_t>(Join32(w[0], w[1], layout.order)));
    case ValueType::Float32: return FloatText(FloatOfBits(Join32(w[0], w[1], layout.order)));
    case ValueType::Float64: return FloatText(DoubleOfBits(Join64(w, layout.order)));
    }
    return {};
}
