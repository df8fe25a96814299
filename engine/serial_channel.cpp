// Serial line channel. Placeholder until the serial line is built: opening
// fails, so a COM connection ends the thread without polling.
#include "channel.h"

std::unique_ptr<Channel> OpenSerialChannel(ExchangeRecord &, MODBUS_Thread &, ExchangeHost &)
{
    return nullptr;
}
