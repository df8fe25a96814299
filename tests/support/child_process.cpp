#include "tests/support/child_process.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/ticks.h"

bool PeerProcess::Start(const std::string &path, const std::vector<std::string> &args)
{
    int fds[2];
    if (path.empty() || pipe2(fds, O_CLOEXEC) != 0)
        return false;
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.c_str()));
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], 1);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    fd_ = fds[0];
    if (pid_ < 0)
        return false;
    const uint32_t start = TickCountMs();
    while (lines_.empty() && !eof_ && TickCountMs() - start < 5000)
        Lines(100);
    if (lines_.empty())
        return false;
    firstLine_ = lines_.front();
    lines_.erase(lines_.begin());
    if (firstLine_.rfind("PORT ", 0) == 0)
        port_ = std::atoi(firstLine_.c_str() + 5);
    return true;
}

std::vector<std::string> PeerProcess::Lines(int ms)
{
    if (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, ms) > 0) {
            char buf[4096];
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) {
                eof_ = true;
                break;
            }
            buffer_.append(buf, static_cast<size_t>(n));
            ms = 0;
        }
        for (size_t nl; (nl = buffer_.find('\n')) != std::string::npos;) {
            lines_.push_back(buffer_.substr(0, nl));
            buffer_.erase(0, nl + 1);
        }
    }
    return lines_;
}

std::string PeerProcess::NextLine(int ms)
{
    const uint32_t start = TickCountMs();
    for (;;) {
        if (taken_ < lines_.size())
            return lines_[taken_++];
        const int left = ms - static_cast<int>(TickCountMs() - start);
        if (left <= 0 || eof_ || fd_ < 0)
            return "";
        Lines(left < 50 ? left : 50);
    }
}

void PeerProcess::Signal(int sig)
{
    if (pid_ > 0)
        kill(pid_, sig);
}

int PeerProcess::Wait(int ms)
{
    const uint32_t start = TickCountMs();
    while (pid_ > 0) {
        int st = 0;
        if (waitpid(pid_, &st, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        }
        if (TickCountMs() - start >= static_cast<uint32_t>(ms))
            break;
        SleepMs(10);
    }
    return -1;
}

void PeerProcess::Stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        const uint32_t start = TickCountMs();
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (TickCountMs() - start > 2000) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            SleepMs(5);
        }
        pid_ = -1;
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

bool StartSlave(PeerProcess &p, const std::vector<std::string> &extra, int seconds)
{
    std::vector<std::string> args{"--tcp", "0", "--seconds", std::to_string(seconds)};
    args.insert(args.end(), extra.begin(), extra.end());
    return p.Start(SlavePath(), args) && p.Port() != 0;
}
