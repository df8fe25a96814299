// Kept apart from serial_line.cpp: <asm/termbits.h> clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace slave {

bool SetCustomBaud(int fd, int baud)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) < 0)
        return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_ispeed = speed_t(baud);
    t.c_ospeed = speed_t(baud);
    return ioctl(fd, TCSETS2, &t) == 0;
}

}   // namespace slave
