#include "platform/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}   // namespace

FileRead ReadRegularFile(const char *path, std::size_t limit, std::string &data)
{
    data.clear();
    // Looked at before the open: opening a device can have effects of its
    // own (a serial port raises its modem lines).
    struct stat st {};
    if (::stat(path, &st) != 0)
        return errno == ENOENT ? FileRead::Missing : FileRead::NotReadable;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    // Non-blocking, and looked at again once open, in case the name was
    // replaced by a FIFO meanwhile.
    const Fd fd(::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? FileRead::Missing : FileRead::NotReadable;
    if (::fstat(fd.get(), &st) != 0)
        return FileRead::NotReadable;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    if (static_cast<unsigned long long>(st.st_size) > limit)
        return FileRead::TooLarge;
    // The size may change while it is read: the limit holds whatever comes.
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FileRead::NotReadable;
        if (n == 0)
            return FileRead::Ok;
        if (static_cast<std::size_t>(n) > limit - data.size()) {
            data.clear();
            return FileRead::TooLarge;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
}
