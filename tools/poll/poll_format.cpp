#include "tools/poll/poll_format.h"

#include <cmath>
#include <cstdio>

std::vector<std::string> ValueTexts(const uint16_t *regs, int count, const ValueLayout &layout, OutputFormat format)
{
    const int width = RegistersPerValue(layout.type);
    const bool isFloat = layout.type == ValueType::Float32 || layout.type == ValueType::Float64;
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count / width));
    for (int i = 0; i + width <= count; i += width) {
        if (layout.type == ValueType::UInt16 && format == OutputFormat::Tsv)
            out.push_back(ValueText(ValueFormat::Hex, JoinRegisters(regs + i, 1, OrderOf(layout))));
        else if (isFloat && format == OutputFormat::Jsonl && !std::isfinite(ValueNumber(regs + i, layout)))
            out.emplace_back("null");
        else
            out.push_back(ValueText(regs + i, layout));
    }
    return out;
}

std::vector<std::string> BitTexts(const uint8_t *bits, int count, OutputFormat format)
{
    std::vector<std::string> out;
    const int group = format == OutputFormat::Tsv ? 8 : 1;
    for (int i = 0; i < count; i += group) {
        std::string text;
        for (int k = i; k < count && k < i + group; ++k)
            text += bits[k] ? '1' : '0';
        out.push_back(std::move(text));
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
        line += JsonString(rec.valuesName);
        line += ':';
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

std::vector<std::string> BitColumnNames(uint16_t start, int count, char prefix)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(start + i));
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
