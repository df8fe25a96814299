#pragma once
// Serial port discovery for the connection dialog's port list.

#include <string>
#include <vector>

// The serial devices that exist, as the names users know them ("ttyS0",
// "ttyUSB0", "ttyACM0"), in the order the system lists them. A ttyS entry
// whose UART is absent (a legacy port slot with no chip behind it) is left out.
std::vector<std::string> ListSerialPorts();

// The same over another sysfs class folder and device folder, for tests:
// `classDir` holds one entry per tty, a port being one with a "device" entry;
// a ttyS port's UART is told by its "type" entry, or else probed by opening
// `devDir`/<name>.
std::vector<std::string> ListSerialPortsIn(const std::string &classDir, const std::string &devDir);
