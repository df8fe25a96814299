#pragma once
// Names that are not regular files, for tests of readers that must refuse
// them: a FIFO (a blocking read) and a link to a device that reads zeros
// without end. A watchdog turns a reader that hangs or reads on and on into
// a failed test instead of a stuck one.

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace special_files {

// Kills the test process (SIGALRM) when it is still alive `seconds` later.
struct Watchdog {
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
};

inline bool MakeFifo(const std::string &path)
{
    return ::mkfifo(path.c_str(), 0600) == 0;
}

// Makes `path` a symbolic link to a zero device. As root the device is a
// node of its own beside the link, so that a fault that wrote through the
// link could only ever replace that node, never the system's /dev/zero;
// otherwise it is /dev/zero, which such a process cannot replace. False when
// neither is possible.
inline bool MakeZeroLink(const std::string &path)
{
    const std::string node = path + ".zero-device";
    const bool own = ::mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
    if (!own && ::geteuid() == 0)
        return false;
    return ::symlink(own ? node.c_str() : "/dev/zero", path.c_str()) == 0;
}

// What a name is, to compare before and after: its own type, a link's
// target, and the type and device of what it leads to.
inline std::string Describe(const std::string &path)
{
    struct stat own {
    }, to{};
    if (::lstat(path.c_str(), &own) != 0)
        return "missing";
    std::string d = std::to_string(own.st_mode & S_IFMT);
    if (S_ISLNK(own.st_mode)) {
        char target[4096];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        d += " -> " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
    }
    if (::stat(path.c_str(), &to) == 0)
        d += " " + std::to_string(to.st_mode & S_IFMT) + " " + std::to_string(to.st_rdev) + " " +
             std::to_string(to.st_size);
    return d;
}

}   // namespace special_files
