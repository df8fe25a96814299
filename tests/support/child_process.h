#pragma once
// A peer program as a child process (the simulator or the libmodbus slave):
// started with a pipe on its output, its first line ("PORT n", "PTY path")
// read, ended by its own PID. A plain fork and exec keeps it usable under
// the thread sanitizer.

#include <string>
#include <sys/types.h>
#include <vector>

class PeerProcess {
public:
    PeerProcess() = default;
    ~PeerProcess() { Stop(); }
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    // Starts `path args...` and reads its first line within 5 s. False when
    // it did not start or its first line did not come.
    bool Start(const std::string &path, const std::vector<std::string> &args);
    // The number after "PORT " in the first line, 0 if none.
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    const std::string &FirstLine() const { return firstLine_; }
    // Further lines printed so far (waits up to `ms` for more to come).
    std::vector<std::string> Lines(int ms = 0);
    // The next further line that NextLine has not given yet; "" when none
    // came within `ms` or the output ended.
    std::string NextLine(int ms);
    void Signal(int sig);
    // Its exit status once it has ended (128 + the signal for a signal);
    // -1 while it still runs after `ms`.
    int Wait(int ms);
    // SIGTERM, then SIGKILL after 2 s; reaps the child.
    void Stop();

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::string firstLine_;
    std::string buffer_;
    std::vector<std::string> lines_;
    size_t taken_ = 0;   // lines given by NextLine
    bool eof_ = false;   // its output has ended
};

// The programs of this build that the tests start: the simulator, the
// libmodbus test peer, the fake serial line and the console poll.
inline std::string SlavePath()
{
    return TARVIX_SLAVE_PATH;
}
inline std::string PeerPath()
{
    return TARVIX_TEST_PEER_PATH;
}
inline std::string FakeLinePath()
{
    return TARVIX_FAKE_LINE_PATH;
}
inline std::string PollPath()
{
    return TARVIX_POLL_PATH;
}

// Starts the simulator on a free TCP port of 127.0.0.1 with `extra`
// arguments, for `seconds`; true once its port is known.
bool StartSlave(PeerProcess &p, const std::vector<std::string> &extra = {}, int seconds = 120);
