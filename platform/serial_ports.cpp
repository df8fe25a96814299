#include "platform/serial_ports.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The UART type that the serial core publishes for a port, -1 when there is
// no such attribute (an older kernel, another driver).
int SysfsUartType(const std::string &ttyDir)
{
    int type = -1;
    if (FILE *f = std::fopen((ttyDir + "/type").c_str(), "r")) {
        if (std::fscanf(f, "%d", &type) != 1)
            type = -1;
        std::fclose(f);
    }
    return type;
}

// A ttyS slot is a port only when the driver found a UART behind it. The probe
// opens without waiting for carrier and closes at once; a port that cannot be
// opened (busy, no access) still exists and is listed.
bool UartPresent(const std::string &devPath)
{
    int fd = ::open(devPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT && errno != ENXIO && errno != ENODEV;
    serial_struct ss{};
    bool present = true;
    if (::ioctl(fd, TIOCGSERIAL, &ss) == 0)
        present = ss.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
}

}   // namespace

std::vector<std::string> ListSerialPortsIn(const std::string &classDir, const std::string &devDir)
{
    std::vector<std::string> ports;
    DIR *dir = ::opendir(classDir.c_str());
    if (!dir)
        return ports;
    while (dirent *e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        struct stat st {};
        if (::stat((classDir + "/" + name + "/device").c_str(), &st) != 0)
            continue;   // virtual terminals, ptys: no device behind them
        // A ttyS slot is known by its UART type without opening it (an open
        // raises DTR and RTS); only without that attribute is it probed.
        if (name.compare(0, 4, "ttyS") == 0) {
            const int type = SysfsUartType(classDir + "/" + name);
            if (type == PORT_UNKNOWN || (type < 0 && !UartPresent(devDir + "/" + name)))
                continue;
        }
        ports.push_back(name);
    }
    ::closedir(dir);
    return ports;
}

std::vector<std::string> ListSerialPorts()
{
    return ListSerialPortsIn("/sys/class/tty", "/dev");
}
