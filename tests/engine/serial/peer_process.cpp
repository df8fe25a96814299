#include "peer_process.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

std::string PeerProcess::Start(const std::vector<std::string> &argv, int timeoutMs)
{
    Stop();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return "";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return "";
    }
    pid_ = pid;
    out_ = fds[0];

    std::string line;
    timespec t0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (int pass = 0; pass < 10000; ++pass) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long spent = (now.tv_sec - t0.tv_sec) * 1000 + (now.tv_nsec - t0.tv_nsec) / 1000000;
        if (spent >= timeoutMs)
            break;
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeoutMs - spent)) <= 0)
            break;
        char c;
        ssize_t n = ::read(out_, &c, 1);
        if (n <= 0)
            break;
        if (c == '\n') {
            size_t blank = line.find(' ');
            return blank == std::string::npos ? "" : line.substr(blank + 1);
        }
        line += c;
    }
    return "";
}

void PeerProcess::Stop()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        bool reaped = false;
        for (int i = 0; i < 200 && !reaped; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                reaped = true;
            else
                ::usleep(10000);
        }
        if (!reaped) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }
    if (out_ >= 0) {
        ::close(out_);
        out_ = -1;
    }
}
