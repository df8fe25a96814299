#pragma once
// The simulator's end of a serial line: a device opened in raw mode, or a
// pseudo-terminal pair whose master side it keeps, handing out the other
// side's path.

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace slave {

class SerialLine {
public:
    SerialLine() = default;
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;
    ~SerialLine();

    bool OpenDevice(const std::string &path, int baud, bool evenParity, std::string &err);
    bool OpenPty(std::string &err);
    int Fd() const { return fd_; }
    const std::string &Path() const { return path_; }
    ssize_t Read(void *buf, size_t n);
    // Writes what the line takes without waiting; the rest is lost.
    void Write(const void *buf, size_t n);

private:
    int fd_ = -1;
    std::string path_;
};

// Sets a baud rate that has no Bnnn constant (14400, 28800 ...).
bool SetCustomBaud(int fd, int baud);

}   // namespace slave
