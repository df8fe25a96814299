#include "view/trend_series.h"

#include "engine/exchange_record.h"

int SourceWidth(const TrendSource &source)
{
    return RegistersPerValue(source.layout.type);
}

std::string SourceTypeName(const TrendSource &source)
{
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
    return "r" + std::to_string(source.address);
}

namespace {

// The index of the source's first register in the image, -1 when the
// registers it takes are not all read. Addresses wrap at 65536, as the
// grid counts them.
int ImageIndex(const TrendSource &source, const ExchangeRecord &rec)
{
    const int count = rec.ReadableCount();
    const int index = (int(source.address) - int(rec.StartReg.load(std::memory_order_relaxed)) + 65536) % 65536;
    return index + SourceWidth(source) <= count ? index : -1;
}

}   // namespace

std::string SourceReadProblem(const TrendSource &source, const ExchangeRecord &rec)
{
    if (ImageIndex(source, rec) >= 0)
        return {};
    const int count = rec.ReadableCount();
    const unsigned start = rec.StartReg.load(std::memory_order_relaxed);
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
    uint16_t words[4] = {};
    for (int k = 0; k < SourceWidth(source); ++k)
        words[k] = rec.RegValues[size_t(index + k)].load(std::memory_order_relaxed);
    number = ValueNumber(words, source.layout);
    text = ValueText(words, source.layout);
    return true;
}
