#pragma once
// The program's connection settings as kept in "Tarvix.ini": three sections,
// twelve keys. The connection dialog fills the struct from the file when it
// is created and writes it back on every OK.

#include <cstdint>
#include <string>

struct TarvixSettings {
    // [MODBUS]
    int32_t ConnType = 1;   // 0 Ethernet TCP, 1 Ethernet UDP, 2 COM Port
    int32_t SlaveAddr = 1;
    int32_t StartReg = 0;
    int32_t RegCount = 256;
    // [TCPIP]
    std::string IPAddr = "10.101.100.1";
    int32_t Port = 502;
    int32_t LocalPort = 0;
    // [COM]
    std::string ComPort = "COM2";
    std::string Baud = "115200";
    bool Parity = true;
    bool RS485 = false;
    bool DTR = false;

    bool operator==(const TarvixSettings &) const = default;
};

// The settings file's name, made a full path against the current directory
// at each open.
inline constexpr const char *kSettingsFileName = "Tarvix.ini";

// Reads the twelve keys in the load order; missing keys keep their defaults.
// Creates an empty file when there is none; writes nothing else.
void LoadTarvixSettings(TarvixSettings &s);
// Writes the twelve keys in the save order; the file is rewritten only when
// a line changed.
void SaveTarvixSettings(const TarvixSettings &s);
