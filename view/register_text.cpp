#include "view/register_text.h"

#include <cctype>
#include <cstdio>

#include "engine/register_values.h"

bool ScanHex(const std::string &text, uint32_t &value)
{
    size_t p = 0;
    const size_t n = text.size();
    while (p < n && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    bool negative = false;
    if (p < n && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    // "0x" counts as a prefix only when a digit follows; otherwise the "0"
    // alone is the number.
    if (p + 2 < n && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[p + 2])))
        p += 2;
    if (p >= n || !std::isxdigit(static_cast<unsigned char>(text[p])))
        return false;
    uint32_t v = 0;
    for (; p < n && std::isxdigit(static_cast<unsigned char>(text[p])); ++p) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[p])));
        v = v * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    value = negative ? 0u - v : v;
    return true;
}

std::string FloatText(uint32_t bits)
{
    const uint32_t exponent = (bits >> 23) & 0xFF;
    const uint32_t fraction = bits & 0x7FFFFF;
    const bool negative = (bits & 0x80000000u) != 0;
    if (exponent == 0xFF) {
        if (fraction == 0)
            return negative ? "-INF" : "+INF";
        if (fraction == 0x400000)
            return negative ? "-NAN" : "+NAN";
        return "?";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(FloatOfBits(bits)));
    return buf;
}

RegisterReadings ReadRegister(const std::atomic<uint16_t> *values, int count, int i)
{
    RegisterReadings r;
    if (!values || i < 0 || i >= count)
        return r;
    char buf[64];
    const uint16_t v = values[i].load(std::memory_order_relaxed);
    std::snprintf(buf, sizeof buf, "%i", static_cast<int>(static_cast<int16_t>(v)));
    r.Int = buf;
    std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(v));
    r.DecWord = buf;
    std::snprintf(buf, sizeof buf, "%0.3f mA", v * 25.0 / 65535.0);
    r.MilliAmps = buf;
    if (i + 1 >= count)
        return r;
    const uint16_t w = values[i + 1].load(std::memory_order_relaxed);
    const uint32_t low = Join32(v, w, WordOrder::LowFirst);   // selected register low
    const uint32_t high = Join32(v, w, WordOrder::HighFirst);   // selected register high
    std::snprintf(buf, sizeof buf, "%d", static_cast<int32_t>(low));
    r.DecLong = buf;
    r.Float = FloatText(low);
    r.FloatSw = FloatText(high);
    return r;
}

std::string FrameDump(const uint8_t *frame, int len)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    if (!frame || len <= 0)
        return s;
    s.resize(static_cast<size_t>(len) * 3);
    for (int k = 0; k < len; ++k) {
        s[k * 3] = ' ';
        s[k * 3 + 1] = digits[frame[k] >> 4];
        s[k * 3 + 2] = digits[frame[k] & 15];
    }
    return s;
}
