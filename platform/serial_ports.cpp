#include "serial_ports.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A ttyS slot is a port only when the driver found a UART behind it. The probe
// opens without waiting for carrier and closes at once; a port that cannot be
// opened (busy, no access) still exists and is listed.
bool UartPresent(const std::string &devPath)
{
    int fd = ::open(devPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT && errno != ENXIO && errno != ENODEV;
    serial_struct ss {};
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
        if (name.compare(0, 4, "ttyS") == 0 && !UartPresent(devDir + "/" + name))
            continue;
        ports.push_back(name);
    }
    ::closedir(dir);
    return ports;
}

std::vector<std::string> ListSerialPorts()
{
    return ListSerialPortsIn("/sys/class/tty", "/dev");
}
