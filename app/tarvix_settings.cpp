#include "app/tarvix_settings.h"

#include <cstring>

#include "app/cfgfile.h"

namespace {

// Flags are "1" or "0"; only a value starting with "0" reads as off.
bool GetFlag(int h, const char *section, const char *key, bool def)
{
    char text[2];
    CfgGetStr(h, section, key, def ? "1" : "0", text, sizeof text);
    return text[0] != '0';
}

// Reads at most N characters of a text value.
template <size_t N>
std::string GetText(int h, const char *section, const char *key, const std::string &def)
{
    char text[N + 1];
    CfgGetStr(h, section, key, def.c_str(), text, sizeof text);
    return text;
}

// Reads a text value whole, however long.
std::string GetWholeText(int h, const char *section, const char *key, const std::string &def)
{
    const int line = CfgFind(h, section, key);
    const char *text = line >= 0 ? CfgLine(h, line) : nullptr;
    return text ? std::string(std::strchr(text, '=') + 1) : def;
}

}   // namespace

void LoadTarvixSettings(TarvixSettings &s)
{
    const TarvixSettings def;
    // A failed open gives a bad handle: every read below then yields its default.
    int h = CfgOpen(kSettingsFileName);
    s.ConnType = CfgGetInt(h, "MODBUS", "ConnType", def.ConnType);
    s.SlaveAddr = CfgGetInt(h, "MODBUS", "SlaveAddr", def.SlaveAddr);
    s.StartReg = CfgGetInt(h, "MODBUS", "StartReg", def.StartReg);
    s.RegCount = CfgGetInt(h, "MODBUS", "RegCount", def.RegCount);
    // A port name is read whole: /dev/serial/by-id/... names are long, and
    // a cut name would open another device or none.
    s.ComPort = GetWholeText(h, "COM", "Port", def.ComPort);
    s.Baud = GetText<9>(h, "COM", "Baud", def.Baud);
    s.Parity = GetFlag(h, "COM", "Parity", def.Parity);
    s.RS485 = GetFlag(h, "COM", "RS485", def.RS485);
    s.DTR = GetFlag(h, "COM", "DTR", def.DTR);
    s.IPAddr = GetText<99>(h, "TCPIP", "IPAddr", def.IPAddr);
    s.Port = CfgGetInt(h, "TCPIP", "Port", def.Port);
    s.LocalPort = CfgGetInt(h, "TCPIP", "LocalPort", def.LocalPort);
    CfgClose(h);
}

void SaveTarvixSettings(const TarvixSettings &s)
{
    // The order of the writes fixes the order of new sections in a new file.
    int h = CfgOpen(kSettingsFileName);
    CfgSetInt(h, "MODBUS", "ConnType", s.ConnType);
    CfgSetInt(h, "MODBUS", "SlaveAddr", s.SlaveAddr);
    CfgSetInt(h, "MODBUS", "StartReg", s.StartReg);
    CfgSetInt(h, "MODBUS", "RegCount", s.RegCount);
    CfgSetStr(h, "TCPIP", "IPAddr", s.IPAddr.c_str());
    CfgSetInt(h, "TCPIP", "Port", s.Port);
    CfgSetInt(h, "TCPIP", "LocalPort", s.LocalPort);
    CfgSetStr(h, "COM", "Port", s.ComPort.c_str());
    CfgSetStr(h, "COM", "Baud", s.Baud.c_str());
    CfgSetStr(h, "COM", "Parity", s.Parity ? "1" : "0");
    CfgSetStr(h, "COM", "RS485", s.RS485 ? "1" : "0");
    CfgSetStr(h, "COM", "DTR", s.DTR ? "1" : "0");
    CfgClose(h);
}
