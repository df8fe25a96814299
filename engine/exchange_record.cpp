// The main window's side of the exchange record.

#include "exchange_record.h"

#include "Modbus_thread_unit.h"

ExchangeRecord::ExchangeRecord() = default;
ExchangeRecord::~ExchangeRecord() = default;

void ExchangeRecord::AllocRegValues(uint16_t count)
{
    RegValues = std::make_unique<std::atomic<uint16_t>[]>(count);
    for (uint16_t i = 0; i < count; ++i)
        RegValues[i].store(0, std::memory_order_relaxed);
    RegValuesSize = count;
}
