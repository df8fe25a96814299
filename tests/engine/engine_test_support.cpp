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
#include "tests/support/wait_for.h"

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
    s.request = HexBytes(t.Frames.ReqFrame, t.Frames.ReqLen);
    s.reply = HexBytes(t.Frames.ReplyFrame, t.Frames.ReplyLen);
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
    return WaitFor(pred, ms, [this] { ServeFor(10); });
}

void FillNetRecord(ExchangeRecord &rec, uint8_t connType, int port, bool crcFraming, uint16_t start, uint16_t count,
                   uint32_t period)
{
    rec.Conn.Kind = static_cast<ConnKind>(connType);
    rec.Conn.IPAddr = "127.0.0.1";
    rec.Conn.TargetPort = static_cast<uint16_t>(port);
    rec.Conn.CrcFraming = crcFraming;
    rec.SlaveAddr = 1;
    rec.ReadCmd = FunctionCode::ReadHolding;
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
