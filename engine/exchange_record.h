#pragma once
// The main window's side of the exchange record: the connection, polling,
// write-request and control fields that the dialog fills, the grid edits and
// the exchange thread works. The main window owns one of these.
//
// Fields that both threads touch while a thread runs are atomics. The grid
// edit publishes a write by storing WriteReg, WriteCount and WriteValues
// first and WriteTries last (release); the thread reads WriteTries (acquire)
// before the other fields. The connection fields are written by the dialog
// only while no thread runs and are read by the thread once, at its start.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/channel.h"
#include "engine/modbus_frames.h"

class MODBUS_Thread;

struct ExchangeRecord {
    // Connection, read once by the thread when it opens its channel.
    ChannelSettings Conn;
    std::string ConnTypeText;   // caption tail: "Tarvix: " + ConnTypeText

    // Polling, read afresh by the thread in every cycle.
    std::atomic<uint8_t> SlaveAddr{0};
    std::atomic<uint16_t> StartReg{0};
    std::atomic<uint16_t> RegCount{0};
    std::atomic<FunctionCode> ReadCmd{FunctionCode::ReadHolding};
    std::atomic<uint32_t> UpdatePeriod{100};

    // The register image: RegCount values in host order, allocated zero-filled
    // by the dialog's OK step, filled by the thread, freed by StopExchange.
    std::unique_ptr<std::atomic<uint16_t>[]> RegValues;
    std::atomic<uint8_t> ValuesValid{0};
    uint16_t RegValuesSize = 0;   // values allocated in RegValues; the thread never stores beyond it

    // The bit image of a read of coils or discrete inputs: one 0/1 per bit,
    // allocated and freed as the register image is.
    std::unique_ptr<std::atomic<uint8_t>[]> BitValues;
    std::atomic<uint8_t> BitsValid{0};
    uint16_t BitValuesSize = 0;

    // Control.
    std::unique_ptr<MODBUS_Thread> Thread;   // the thread of the current connection
    std::atomic<uint8_t> Running{0};   // the thread adds 1 once its channel is open
    std::atomic<uint8_t> StopRequest{0};   // 1 asks the thread to end; it clears it last

    // Write request: WriteTries is stored last and read first.
    std::atomic<int32_t> WriteTries{0};
    std::atomic<uint16_t> WriteReg{0};
    std::atomic<uint16_t> WriteCount{0};
    std::atomic<uint16_t> WriteValues[8] = {};
    std::atomic<uint8_t> WriteBy0x10On{0};
    // A write of coils: WriteReg is the first coil, WriteCount the coils,
    // WriteBits their values packed low bit first.
    std::atomic<uint8_t> WriteCoils{0};
    std::atomic<uint8_t> WriteBits[BitBytes(kMaxCoilWrite)] = {};

    // Allocates a zero-filled register image of `count` values.
    void AllocRegValues(uint16_t count);
    // Frees the register image.
    void FreeRegValues();
    // Number of register values that may be read now: RegCount, but never
    // more than the image holds (0 without an image).
    int ReadableCount() const;
    // The same for the bit image.
    void AllocBitValues(uint16_t count);
    void FreeBitValues();
    int ReadableBitCount() const;

    // Hands a write of `count` values (1 to 8) from register `reg` over to
    // the thread: the fields first, WriteTries (3) last. A new request
    // overwrites a pending one. Only this and the thread store WriteTries.
    void HandOverWrite(uint16_t reg, const uint16_t *values, uint16_t count);
    void HandOverWrite(uint16_t reg, uint16_t value) { HandOverWrite(reg, &value, 1); }
    // Hands a write of `count` coils (1 to kMaxCoilWrite, one 0/1 value
    // each) from coil `addr` over, the same way.
    void HandOverCoilWrite(uint16_t addr, const uint8_t *values, uint16_t count);
    // Withdraws a pending write (StartExchange, and tests that take the
    // requests themselves); returns the attempts it had left.
    int32_t WithdrawWrite();

    ExchangeRecord();
    ~ExchangeRecord();
    ExchangeRecord(const ExchangeRecord &) = delete;
    ExchangeRecord &operator=(const ExchangeRecord &) = delete;
};
