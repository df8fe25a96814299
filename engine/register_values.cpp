#include "engine/register_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

const char *RegisterOrderName(RegisterOrder order)
{
    if (order.words == WordOrder::HighFirst)
        return order.byteSwap ? "BA DC" : "AB CD";
    return order.byteSwap ? "DC BA" : "CD AB";
}

uint64_t JoinRegisters(const uint16_t *regs, int n, RegisterOrder order)
{
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) {
        const uint16_t w = regs[order.words == WordOrder::HighFirst ? i : n - 1 - i];
        v = v << 16 | (order.byteSwap ? SwapRegisterBytes(w) : w);
    }
    return v;
}

void SplitRegisters(uint64_t bits, int n, RegisterOrder order, uint16_t *regs)
{
    for (int i = n - 1; i >= 0; --i, bits >>= 16) {
        const uint16_t w = static_cast<uint16_t>(bits & 0xFFFF);
        regs[order.words == WordOrder::HighFirst ? i : n - 1 - i] = order.byteSwap ? SwapRegisterBytes(w) : w;
    }
}

uint32_t Join32(uint16_t first, uint16_t second, WordOrder order)
{
    const uint16_t regs[2] = {first, second};
    return static_cast<uint32_t>(JoinRegisters(regs, 2, {order, false}));
}

uint64_t Join64(const uint16_t *words, WordOrder order)
{
    return JoinRegisters(words, 4, {order, false});
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

// Typed values -----------------------------------------------------------------

namespace {

struct FormatInfo {
    const char *name;
    int registers;
    bool isSigned;
    const char *widest;
};

const FormatInfo kFormats[kValueFormatCount] = {
    {"Hex", 1, false, "DDDD"},
    {"Unsigned", 1, false, "65535"},
    {"Signed", 1, true, "-32768"},
    {"Binary", 1, false, "0000 0000 0000 0000"},
    {"Long", 2, true, "-2147483648"},
    {"Unsigned long", 2, false, "4294967295"},
    {"Float", 2, true, "-1.17549435e-38"},
    {"Long long", 4, true, "-9223372036854775808"},
    {"Double", 4, true, "-2.2250738585072014e-308"},
};

const FormatInfo &Info(ValueFormat format)
{
    return kFormats[static_cast<int>(format) % kValueFormatCount];
}

uint64_t Mask(int bitCount)
{
    return bitCount >= 64 ? ~uint64_t{0} : (uint64_t{1} << bitCount) - 1;
}

template <class F>
std::string ShortestText(F value)
{
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

const char kNotANumber[] = "not a number of this format";
const char kOutOfRange[] = "out of range for this format";

// Digits of `base` with an optional sign; in the Binary format blanks and
// '_' may stand between digits. Sets the magnitude and sign.
bool ScanInteger(std::string_view s, int base, bool separators, uint64_t &magnitude, bool &overflow)
{
    magnitude = 0;
    overflow = false;
    bool any = false;
    for (const char c : s) {
        if (separators && (c == ' ' || c == '_') && any)
            continue;
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        if (d >= base)
            return false;
        if (magnitude > (~uint64_t{0} - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base))
            overflow = true;
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        any = true;
    }
    return any && s.back() != ' ' && s.back() != '_';
}

std::string ParseInteger(const FormatInfo &info, ValueFormat format, std::string_view s, uint64_t &bits)
{
    const int bitCount = 16 * info.registers;
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = format == ValueFormat::Binary ? 2 : format == ValueFormat::Hex ? 16 : 10;
    bool pattern = format == ValueFormat::Binary || format == ValueFormat::Hex;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        pattern = true;
        s.remove_prefix(2);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'b' || s[1] == 'B')) {
        base = 2;
        pattern = true;
        s.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    bool overflow = false;
    if (s.empty() || !ScanInteger(s, base, base == 2, magnitude, overflow))
        return kNotANumber;
    if (overflow)
        return kOutOfRange;
    const uint64_t mask = Mask(bitCount);
    if (!negative) {
        // A bit pattern may fill every bit; a signed decimal stops below the sign bit.
        const uint64_t most = info.isSigned && !pattern ? mask >> 1 : mask;
        if (magnitude > most)
            return kOutOfRange;
        bits = magnitude;
        return {};
    }
    // Negative: only signed formats, down to -2^(bits-1).
    if (magnitude == 0) {
        bits = 0;
        return {};
    }
    if (!info.isSigned || magnitude > (mask >> 1) + 1)
        return kOutOfRange;
    bits = (0 - magnitude) & mask;
    return {};
}

template <class F>
std::string ParseFloat(std::string_view s, F &value)
{
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    if (s.empty() || s[0] == '+')
        return kNotANumber;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        return kOutOfRange;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return kNotANumber;
    return {};
}

}   // namespace

const char *ValueFormatName(ValueFormat format)
{
    return Info(format).name;
}

int RegistersOf(ValueFormat format)
{
    return Info(format).registers;
}

std::string ValueText(ValueFormat format, uint64_t bits)
{
    char buf[64];
    switch (format) {
    case ValueFormat::Hex: std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(bits & 0xFFFF)); return buf;
    case ValueFormat::Unsigned: return std::to_string(bits & 0xFFFF);
    case ValueFormat::Signed: return std::to_string(static_cast<int16_t>(bits & 0xFFFF));
    case ValueFormat::Binary: {
        std::string s;
        for (int b = 15; b >= 0; --b) {
            s += (bits >> b & 1) ? '1' : '0';
            if (b % 4 == 0 && b != 0)
                s += ' ';
        }
        return s;
    }
    case ValueFormat::Long: return std::to_string(static_cast<int32_t>(bits & 0xFFFFFFFFu));
    case ValueFormat::UnsignedLong: return std::to_string(bits & 0xFFFFFFFFu);
    case ValueFormat::Float: return ShortestText(FloatOfBits(static_cast<uint32_t>(bits)));
    case ValueFormat::LongLong: return std::to_string(static_cast<int64_t>(bits));
    case ValueFormat::Double: return ShortestText(DoubleOfBits(bits));
    }
    return {};
}

std::string WidestValueText(ValueFormat format)
{
    return Info(format).widest;
}

std::string ParseValue(ValueFormat format, std::string_view text, uint64_t &bits)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty())
        return kNotANumber;
    if (format == ValueFormat::Float) {
        float f = 0;
        std::string error = ParseFloat(text, f);
        if (error.empty()) {
            uint32_t b;
            std::memcpy(&b, &f, sizeof b);
            bits = b;
        }
        return error;
    }
    if (format == ValueFormat::Double) {
        double d = 0;
        std::string error = ParseFloat(text, d);
        if (error.empty())
            std::memcpy(&bits, &d, sizeof bits);
        return error;
    }
    return ParseInteger(Info(format), format, text, bits);
}

// Typed runs of registers -----------------------------------------------------

int RegistersPerValue(ValueType type)
{
    switch (type) {
    case ValueType::UInt32:
    case ValueType::Int32:
    case ValueType::Float32: return 2;
    case ValueType::Float64:
    case ValueType::UInt64:
    case ValueType::Int64: return 4;
    default: return 1;
    }
}

namespace {

// NaN without its sign, as the console and the trend have always shown it.
template <typename F>
std::string FloatText(F v)
{
    return std::isnan(v) ? "nan" : ShortestText(v);
}

}   // namespace

double ValueNumber(const uint16_t *regs, const ValueLayout &layout)
{
    const uint64_t bits = JoinRegisters(regs, RegistersPerValue(layout.type), OrderOf(layout));
    switch (layout.type) {
    case ValueType::UInt16: return static_cast<double>(bits);
    case ValueType::Int16: return static_cast<int16_t>(bits);
    case ValueType::UInt32: return static_cast<double>(static_cast<uint32_t>(bits));
    case ValueType::Int32: return static_cast<int32_t>(bits);
    case ValueType::Float32: return FloatOfBits(static_cast<uint32_t>(bits));
    case ValueType::Float64: return DoubleOfBits(bits);
    case ValueType::UInt64: return static_cast<double>(bits);
    case ValueType::Int64: return static_cast<double>(static_cast<int64_t>(bits));
    }
    return 0;
}

std::string ValueText(const uint16_t *regs, const ValueLayout &layout)
{
    const uint64_t bits = JoinRegisters(regs, RegistersPerValue(layout.type), OrderOf(layout));
    switch (layout.type) {
    case ValueType::UInt16: return ValueText(ValueFormat::Unsigned, bits);
    case ValueType::Int16: return ValueText(ValueFormat::Signed, bits);
    case ValueType::UInt32: return ValueText(ValueFormat::UnsignedLong, bits);
    case ValueType::Int32: return ValueText(ValueFormat::Long, bits);
    case ValueType::Float32: return FloatText(FloatOfBits(static_cast<uint32_t>(bits)));
    case ValueType::Float64: return FloatText(DoubleOfBits(bits));
    case ValueType::UInt64: return std::to_string(bits);
    case ValueType::Int64: return ValueText(ValueFormat::LongLong, bits);
    }
    return {};
}
