#include "view/trend_series.h"

#include "engine/exchange_record.h"

namespace {

bool IsBit(const TrendSource &source)
{
    return source.kind != TrendSourceKind::Register;
}

// The read command that gives the source.
bool ReadGives(const TrendSource &source, FunctionCode cmd)
{
    switch (source.kind) {
    case TrendSourceKind::Register: return IsRead(cmd);
    case TrendSourceKind::Coil: return cmd == FunctionCode::ReadCoils;
    case TrendSourceKind::DiscreteInput: return cmd == FunctionCode::ReadDiscrete;
    }
    return false;
}

}   // namespace

TrendSource SourceOfCell(const ExchangeRecord &rec, int index)
{
    TrendSource source;
    const FunctionCode cmd = rec.ReadCmd.load(std::memory_order_relaxed);
    if (cmd == FunctionCode::ReadCoils)
        source.kind = TrendSourceKind::Coil;
    else if (cmd == FunctionCode::ReadDiscrete)
        source.kind = TrendSourceKind::DiscreteInput;
    source.address = uint16_t((rec.StartReg.load(std::memory_order_relaxed) + unsigned(index)) % 65536);
    return source;
}

const char *SourceNoun(const TrendSource &source)
{
    switch (source.kind) {
    case TrendSourceKind::Register: return "register";
    case TrendSourceKind::Coil: return "coil";
    case TrendSourceKind::DiscreteInput: return "discrete input";
    }
    return "";
}

bool SourceImageValid(const TrendSource &source, const ExchangeRecord &rec)
{
    return (IsBit(source) ? rec.BitsValid : rec.ValuesValid).load(std::memory_order_acquire) != 0;
}

int SourceWidth(const TrendSource &source)
{
    return IsBit(source) ? 1 : RegistersPerValue(source.layout.type);
}

std::string SourceTypeName(const TrendSource &source)
{
    if (IsBit(source))
        return "bit";
    const char *order = source.layout.order == WordOrder::HighFirst ? " (high word first)" : " (low word first)";
    switch (source.layout.type) {
    case ValueType::UInt16: return "uint16";
    case ValueType::Int16: return "int16";
    case ValueType::UInt32: return std::string("uint32") + order;
    case ValueType::Int32: return std::string("int32") + order;
    case ValueType::Float32: return std::string("float32") + order;
    case ValueType::Float64: return std::string("float64") + order;
    case ValueType::UInt64: return std::string("uint64") + order;
    case ValueType::Int64: return std::string("int64") + order;
    }
    return {};
}

std::string SourceDefaultName(const TrendSource &source)
{
    const char *prefix = source.kind == TrendSourceKind::Coil            ? "c"
                         : source.kind == TrendSourceKind::DiscreteInput ? "d"
                                                                         : "r";
    return prefix + std::to_string(source.address);
}

namespace {

// The index of the source's first register in the image, -1 when the
// registers it takes are not all read. Addresses wrap at 65536, as the
// grid counts them.
int ImageIndex(const TrendSource &source, const ExchangeRecord &rec)
{
    if (!ReadGives(source, rec.ReadCmd.load(std::memory_order_relaxed)))
        return -1;
    const int count = IsBit(source) ? rec.ReadableBitCount() : rec.ReadableCount();
    const int index = (int(source.address) - int(rec.StartReg.load(std::memory_order_relaxed)) + 65536) % 65536;
    return index + SourceWidth(source) <= count ? index : -1;
}

}   // namespace

std::string SourceReadProblem(const TrendSource &source, const ExchangeRecord &rec)
{
    if (ImageIndex(source, rec) >= 0)
        return {};
    const unsigned start = rec.StartReg.load(std::memory_order_relaxed);
    if (IsBit(source)) {
        const std::string noun = SourceNoun(source);
        const std::string what = noun == "coil" ? "coils" : "discrete inputs";
        const FunctionCode cmd = rec.ReadCmd.load(std::memory_order_relaxed);
        const int bits = rec.ReadableBitCount();
        const std::string read = !ReadGives(source, cmd) || bits == 0
                                     ? "the poll reads no " + what
                                     : "the poll reads " + what + " " + std::to_string(start) + " to " +
                                           std::to_string((start + unsigned(bits) - 1) % 65536);
        std::string name = noun;
        name[0] = char(name[0] - 'a' + 'A');
        return name + " " + std::to_string(source.address) + " is not read: " + read + ".";
    }
    const int count = IsRead(rec.ReadCmd.load(std::memory_order_relaxed)) ? rec.ReadableCount() : 0;
    const std::string read = count == 0 ? std::string("no registers are read")
                                        : "the poll reads registers " + std::to_string(start) + " to " +
                                              std::to_string((start + unsigned(count) - 1) % 65536);
    const int width = SourceWidth(source);
    if (width == 1)
        return "Register " + std::to_string(source.address) + " is not read: " + read + ".";
    return SourceTypeName(source) + " at register " + std::to_string(source.address) + " takes " +
           std::to_string(width) + " registers, " + std::to_string(source.address) + " to " +
           std::to_string((source.address + width - 1) % 65536) + ", but " + read + ".";
}

bool ReadSource(const TrendSource &source, const ExchangeRecord &rec, double &number, std::string &text)
{
    const int index = ImageIndex(source, rec);
    if (index < 0)
        return false;
    if (IsBit(source)) {
        const bool on = rec.BitValues[size_t(index)].load(std::memory_order_relaxed) != 0;
        number = on ? 1 : 0;
        text = on ? "1" : "0";
        return true;
    }
    uint16_t words[4] = {};
    for (int k = 0; k < SourceWidth(source); ++k)
        words[k] = rec.RegValues[size_t(index + k)].load(std::memory_order_relaxed);
    number = ValueNumber(words, source.layout);
    text = ValueText(words, source.layout);
    return true;
}
