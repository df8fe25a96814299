#include "tools/poll/poll_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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

template <typename F>
std::string FloatNumber(F v, OutputFormat format)
{
    if (std::isnan(v))
        return format == OutputFormat::Jsonl ? "null" : "nan";
    if (std::isinf(v))
        return format == OutputFormat::Jsonl ? "null" : v > 0 ? "inf" : "-inf";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}   // namespace

std::vector<std::string> ValueTexts(const uint16_t *regs, int count, const ValueLayout &layout, OutputFormat format)
{
    const int width = RegistersPerValue(layout.type);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count / width));
    for (int i = 0; i + width <= count; i += width) {
        // The registers joined as the grid joins them: word order, then the
        // bytes within each register.
        const uint64_t bits = JoinRegisters(regs + i, width, OrderOf(layout));
        switch (layout.type) {
        case ValueType::UInt16:
            out.push_back(ValueText(format == OutputFormat::Tsv ? ValueFormat::Hex : ValueFormat::Unsigned, bits));
            break;
        case ValueType::Int16: out.push_back(ValueText(ValueFormat::Signed, bits)); break;
        case ValueType::UInt32: out.push_back(ValueText(ValueFormat::UnsignedLong, bits)); break;
        case ValueType::Int32: out.push_back(ValueText(ValueFormat::Long, bits)); break;
        case ValueType::Float32: out.push_back(FloatNumber(FloatOfBits(static_cast<uint32_t>(bits)), format)); break;
        case ValueType::Float64: out.push_back(FloatNumber(DoubleOfBits(bits), format)); break;
        case ValueType::UInt64: out.push_back(std::to_string(bits)); break;
        case ValueType::Int64: out.push_back(ValueText(ValueFormat::LongLong, bits)); break;
        }
    }
    return out;
}

const char *ExceptionName(uint8_t code)
{
    switch (code) {
    case 0x01: return "Illegal Function";
    case 0x02: return "Illegal Data Address";
    case 0x03: return "Illegal Data Value";
    case 0x04: return "Server Device Failure";
    case 0x05: return "Acknowledge";
    case 0x06: return "Server Device Busy";
    case 0x08: return "Memory Parity Error";
    case 0x0A: return "Gateway Path Unavailable";
    case 0x0B: return "Gateway Target Device Failed to Respond";
    default: return nullptr;
    }
}

std::string ExceptionText(uint8_t code)
{
    char buf[64];
    const char *name = ExceptionName(code);
    std::snprintf(buf, sizeof buf, "%02X %s", code, name ? name : "Unknown Exception");
    return buf;
}

std::string IsoLocalTime(const timespec &t)
{
    tm local{};
    localtime_r(&t.tv_sec, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const long off = local.tm_gmtoff / 60;
    const long absOff = off < 0 ? -off : off;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s.%03ld%c%02ld:%02ld", date, t.tv_nsec / 1000000, off < 0 ? '-' : '+',
                  absOff / 60, absOff % 60);
    return buf;
}

std::string CsvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string s = "\"";
    for (char c : text) {
        if (c == '"')
            s += '"';
        s += c;
    }
    return s + '"';
}

std::string JsonString(const std::string &text)
{
    std::string s = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': s += "\\\""; break;
        case '\\': s += "\\\\"; break;
        case '\n': s += "\\n"; break;
        case '\r': s += "\\r"; break;
        case '\t': s += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                s += buf;
            } else {
                s += static_cast<char>(c);
            }
        }
    }
    return s + '"';
}

std::string FormatRecord(const OutRecord &rec, OutputFormat format)
{
    std::string line;
    switch (format) {
    case OutputFormat::Tsv:
        for (const OutField &f : rec.fields) {
            line += f.text;
            line += '\t';
        }
        for (size_t i = 0; i < rec.values.size(); ++i) {
            if (i)
                line += ' ';
            line += rec.values[i];
        }
        line += '\n';
        break;
    case OutputFormat::Csv:
        for (size_t i = 0; i < rec.fields.size(); ++i) {
            if (i)
                line += ',';
            line += CsvField(rec.fields[i].text);
        }
        for (int i = 0; i < rec.valueColumns; ++i) {
            line += ',';
            if (!rec.noValues && size_t(i) < rec.values.size())
                line += CsvField(rec.values[size_t(i)]);
        }
        line += "\r\n";
        break;
    case OutputFormat::Jsonl:
        line += '{';
        for (const OutField &f : rec.fields) {
            line += JsonString(f.name);
            line += ':';
            line += f.null ? "null" : f.string ? JsonString(f.text) : f.text;
            line += ',';
        }
        line += "\"registers\":";
        if (rec.noValues) {
            line += "null";
        } else {
            line += '[';
            for (size_t i = 0; i < rec.values.size(); ++i) {
                if (i)
                    line += ',';
                line += rec.values[i];
            }
            line += ']';
        }
        line += "}\n";
        break;
    }
    return line;
}

std::string CsvHeader(const OutRecord &rec, const std::vector<std::string> &valueNames)
{
    std::string line;
    for (size_t i = 0; i < rec.fields.size(); ++i) {
        if (i)
            line += ',';
        line += CsvField(rec.fields[i].name);
    }
    for (const std::string &n : valueNames)
        line += ',' + CsvField(n);
    return line + "\r\n";
}

std::vector<std::string> ValueColumnNames(uint16_t start, int count, ValueType type)
{
    const int width = RegistersPerValue(type);
    std::vector<std::string> names;
    for (int i = 0; i + width <= count; i += width)
        names.push_back("r" + std::to_string(start + i));
    return names;
}

std::string HexFrame(const uint8_t *p, int n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(static_cast<size_t>(n > 0 ? n * 3 : 0));
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ' ';
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}
