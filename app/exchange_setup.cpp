#include "app/exchange_setup.h"

#include <cstdint>

#include "engine/serial_channel.h"

int32_t BaudTextToInt(const std::string &text)
{
    const char *p = text.c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX) {
            v = INT32_MAX;
            break;
        }
    }
    return int32_t(negative ? -v : v);
}

bool FillExchangeRecord(const TarvixSettings &s, const ExchangeChoice &c, ExchangeRecord &rec)
{
    ChannelSettings &cs = rec.Conn;
    cs.Kind = ConnKind(s.ConnType);
    rec.ConnTypeText = c.ConnTypeText;
    // Copied whole: a name that does not fit a device path is refused by
    // the serial open with its error box, never cut into another name.
    cs.ComPortName = s.ComPort;
    cs.BaudRate = BaudTextToInt(s.Baud);
    cs.EvenParity = s.Parity;
    cs.RS485Control = s.RS485;
    // No baud rate selected gives rate 0 and character time 0; the serial
    // open then refuses the rate with a clear text.
    cs.CharTime = CharTimeForBaud(cs.BaudRate);
    cs.DTRAlwaysOn = s.DTR;
    cs.IPAddr = s.IPAddr;
    cs.TargetPort = uint16_t(s.Port);
    rec.SlaveAddr.store(uint8_t(s.SlaveAddr));
    const bool bits = c.BitCmd == 1 || c.BitCmd == 2;
    rec.ReadCmd.store(bits         ? FunctionCode(c.BitCmd)
                      : c.Cmd4 ? FunctionCode::ReadInput
                               : FunctionCode::ReadHolding);
    rec.StartReg.store(uint16_t(s.StartReg));
    rec.RegCount.store(uint16_t(s.RegCount));
    if (s.RegCount > (bits ? kMaxBitCount : kMaxRegCount))
        return false;
    rec.UpdatePeriod.store(c.UpdatePeriod);
    if (bits)
        rec.AllocBitValues(uint16_t(s.RegCount));
    else
        rec.AllocRegValues(uint16_t(s.RegCount));
    cs.CrcFraming = c.ModbusIP;
    cs.UDPLocalPort = uint16_t(s.LocalPort);
    return true;
}
