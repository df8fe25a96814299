// The main window's side of the exchange record.

#include "engine/exchange_record.h"

#include <algorithm>

#include "engine/Modbus_thread_unit.h"

ExchangeRecord::ExchangeRecord() = default;
ExchangeRecord::~ExchangeRecord() = default;

void ExchangeRecord::AllocRegValues(uint16_t count)
{
    RegValues = std::make_unique<std::atomic<uint16_t>[]>(count);
    for (uint16_t i = 0; i < count; ++i)
        RegValues[i].store(0, std::memory_order_relaxed);
    RegValuesSize = count;
}

void ExchangeRecord::FreeRegValues()
{
    RegValues.reset();
    RegValuesSize = 0;
}

int ExchangeRecord::ReadableCount() const
{
    return RegValues ? std::min<int>(RegCount.load(std::memory_order_relaxed), RegValuesSize) : 0;
}

void ExchangeRecord::AllocBitValues(uint16_t count)
{
    BitValues = std::make_unique<std::atomic<uint8_t>[]>(count);
    for (uint16_t i = 0; i < count; ++i)
        BitValues[i].store(0, std::memory_order_relaxed);
    BitValuesSize = count;
}

void ExchangeRecord::FreeBitValues()
{
    BitValues.reset();
    BitValuesSize = 0;
}

int ExchangeRecord::ReadableBitCount() const
{
    return BitValues ? std::min<int>(RegCount.load(std::memory_order_relaxed), BitValuesSize) : 0;
}

void ExchangeRecord::HandOverCoilWrite(uint16_t addr, const uint8_t *values, uint16_t count)
{
    count = std::min<uint16_t>(count, kMaxCoilWrite);
    WriteReg.store(addr, std::memory_order_relaxed);
    WriteCount.store(count, std::memory_order_relaxed);
    for (int byte = 0; byte < BitBytes(count); ++byte) {
        uint8_t packed = 0;
        for (int bit = 0; bit < 8 && byte * 8 + bit < count; ++bit)
            packed |= static_cast<uint8_t>((values[byte * 8 + bit] ? 1 : 0) << bit);
        WriteBits[byte].store(packed, std::memory_order_relaxed);
    }
    WriteCoils.store(1, std::memory_order_relaxed);
    WriteTries.store(3, std::memory_order_release);   // last: hands the request over
}

void ExchangeRecord::HandOverWrite(uint16_t reg, const uint16_t *values, uint16_t count)
{
    count = std::min<uint16_t>(count, 8);
    WriteCoils.store(0, std::memory_order_relaxed);
    WriteReg.store(reg, std::memory_order_relaxed);
    WriteCount.store(count, std::memory_order_relaxed);
    for (uint16_t i = 0; i < count; ++i)
        WriteValues[i].store(values[i], std::memory_order_relaxed);
    WriteTries.store(3, std::memory_order_release);   // last: hands the request over
}

int32_t ExchangeRecord::WithdrawWrite()
{
    return WriteTries.exchange(0, std::memory_order_acq_rel);
}
