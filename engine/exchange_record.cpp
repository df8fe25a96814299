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

void ExchangeRecord::HandOverWrite(uint16_t reg, const uint16_t *values, uint16_t count)
{
    count = std::min<uint16_t>(count, 8);
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
