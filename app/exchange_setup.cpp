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
    rec.ConnType = uint8_t(s.ConnType);
    rec.ConnTypeText = c.ConnTypeText;
    // Copied whole: a name that does not fit a device path is refused by
    // the serial open with its error box, never cut into another name.
    rec.ComPortName = s.ComPort;
    rec.BaudRate = BaudTextToInt(s.Baud);
    rec.EvenParity = s.Parity;
    rec.RS485Control = s.RS485;
    // No baud rate selected gives rate 0 and character time 0; the serial
    // open then refuses the rate with a clear text.
    rec.CharTime = CharTimeForBaud(rec.BaudRate);
    rec.DTRAlwaysOn = s.DTR;
    rec.IPAddr = s.IPAddr;
    rec.TargetPort = uint16_t(s.Port);
    rec.SlaveAddr.store(uint8_t(s.SlaveAddr));
    rec.ReadCmd.store(c.Cmd4 ? 4 : 3);
    rec.StartReg.store(uint16_t(s.StartReg));
    rec.RegCount.store(uint16_t(s.RegCount));
    if (s.RegCount > kMaxRegCount)
        return false;
    rec.UpdatePeriod.store(c.UpdatePeriod);
    rec.AllocRegValues(uint16_t(s.RegCount));
    rec.ModbusIPFraming = c.ModbusIP;
    rec.UDPLocalPort = uint16_t(s.LocalPort);
    return true;
}
