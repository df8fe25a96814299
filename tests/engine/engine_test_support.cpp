#include "tests/engine/engine_test_support.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
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
    while (lines_.empty() && TickCountMs() - start < 5000)
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
            if (n <= 0)
                break;
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

std::string ProgramPath(const char *envName)
{
    const char *p = std::getenv(envName);
    return p ? p : "";
}

int RefusingPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

std::string HexBytes(const uint8_t *p, int n)
{
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}

std::atomic<uint32_t> g_testSleeps{0};

void CountingSleep(uint32_t ms)
{
    g_testSleeps.fetch_add(1);
    SleepMs(ms);
}

void RecordingHost::Display(MODBUS_Thread &thread)
{
    thread_.store(&thread);
    displayCalls.fetch_add(1);
    MailboxHost::Display(thread);
}

void RecordingHost::MessageBox(const std::string &text, const std::string &caption, int flags)
{
    boxEntered.store(true);
    if (holdBoxes.load()) {
        // A box nobody closes: only a stop's CancelWaits ends it.
        const uint32_t start = TickCountMs();
        while (!cancelled.load() && TickCountMs() - start < 10000)
            SleepMs(2);
        return;
    }
    MailboxHost::MessageBox(text, caption, flags);
}

void RecordingHost::CancelWaits()
{
    cancelled.store(true);
    MailboxHost::CancelWaits();
}

void RecordingHost::ResumeWaits()
{
    cancelled.store(false);
    MailboxHost::ResumeWaits();
}

void RecordingHost::ThreadEnded()
{
    if (MODBUS_Thread *t = thread_.load()) {
        endStatus.store(t->Status.load());
        endReqCount.store(t->ReqCount.load());
        endErrorCount.store(t->ErrorCount.load());
    }
    MailboxHost::ThreadEnded();
}

void RecordingHost::OnDisplay(MODBUS_Thread &t)
{
    Shot s;
    s.reqCount = t.ReqCount.load();
    s.status = t.Status.load();
    s.errorCount = t.ErrorCount.load();
    s.request = HexBytes(t.ReqFrame, t.ReqLen);
    s.reply = HexBytes(t.ReplyFrame, t.ReplyLen);
    s.valid = rec_.ValuesValid.load() != 0;
    for (int i = 0; i < rec_.ReadableCount(); ++i)
        s.values.push_back(rec_.RegValues[i].load());
    s.sleeps = g_testSleeps.load();
    shots.push_back(s);
    if (onDisplay)
        onDisplay(shots.back());
}

void RecordingHost::OnMessageBox(const std::string &text, const std::string &caption, int flags)
{
    boxes.push_back(caption + ": " + text + "|" + std::to_string(flags));
}

bool RecordingHost::ServeUntil(const std::function<bool()> &pred, int ms)
{
    const uint32_t start = TickCountMs();
    while (!pred()) {
        if (TickCountMs() - start > static_cast<uint32_t>(ms))
            return false;
        ServeFor(10);
    }
    return true;
}

void FillNetRecord(ExchangeRecord &rec, uint8_t connType, int port, bool crcFraming, uint16_t start,
                   uint16_t count, uint32_t period)
{
    rec.ConnType = connType;
    rec.IPAddr = "127.0.0.1";
    rec.TargetPort = static_cast<uint16_t>(port);
    rec.ModbusIPFraming = crcFraming;
    rec.SlaveAddr = 1;
    rec.ReadCmd = 3;
    rec.StartReg = start;
    rec.RegCount = count;
    rec.UpdatePeriod = period;
    rec.AllocRegValues(count);
}

void HandOverWrite(ExchangeRecord &rec, uint16_t reg, const std::vector<uint16_t> &values, bool fc16)
{
    rec.WriteBy0x10On.store(fc16, std::memory_order_relaxed);
    rec.HandOverWrite(reg, values.data(), static_cast<uint16_t>(values.size()));
}
