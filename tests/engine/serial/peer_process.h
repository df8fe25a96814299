#pragma once
// A peer program (the slave simulator or the libmodbus test peer) run for one
// test or benchmark: started with posix_spawn, its first stdout line read
// within a time limit, ended by its own PID when the object goes.

#include <string>
#include <sys/types.h>
#include <vector>

class PeerProcess {
public:
    PeerProcess() = default;
    ~PeerProcess() { Stop(); }
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    // Starts `argv` (argv[0] is the program's path) and waits up to
    // `timeoutMs` for its first line, e.g. "PTY /dev/pts/3". Returns the text
    // after the first blank of that line, or "" when it did not come.
    std::string Start(const std::vector<std::string> &argv, int timeoutMs = 5000);
    // SIGTERM, up to 2 s for the exit, then SIGKILL; always reaped.
    void Stop();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};
