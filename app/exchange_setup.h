#pragma once
// The dialog's OK step without the dialog: the exchange record is filled
// from the settings the dialog shows and the few choices the settings file
// does not keep. Plain C++, no widgets.

#include <cstdint>
#include <string>

#include "app/tarvix_settings.h"
#include "engine/exchange_record.h"

// The largest register count that OK accepts.
inline constexpr int kMaxRegCount = 1024;

// The OK step's choices that are not stored in "Tarvix.ini".
struct ExchangeChoice {
    std::string ConnTypeText;   // text of the chosen connection type item
    bool Cmd4 = false;   // "Cmd 04" chosen (else "Cmd 03")
    bool ModbusIP = false;   // "MODBUS/IP" chosen (else "MODNET")
    uint32_t UpdatePeriod = 0;   // ms
    uint8_t BitCmd = 0;   // 1 "Cmd 01", 2 "Cmd 02" chosen; 0: a register read (Cmd4 tells which)
};

// The baud text's value: its leading decimal digits after blanks and an
// optional sign, 0 when there are none; saturates instead of overflowing.
int32_t BaudTextToInt(const std::string &text);

// Fills `rec` as the OK step does, in its order: the connection fields (the
// character time from the baud rate), slave, command, first register and
// count. A count above kMaxRegCount (kMaxBitCount for a bit read) ends it
// there and gives false. Otherwise the update period, a zero-filled register
// image (bit image for a bit read) of RegCount values, the framing and the
// UDP local port follow, and it gives true.
// `s.ConnType` must be a selected index (0..2).
bool FillExchangeRecord(const TarvixSettings &s, const ExchangeChoice &c, ExchangeRecord &rec);
