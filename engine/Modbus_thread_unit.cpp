// The exchange thread: run body, Start and Stop.

#include "engine/Modbus_thread_unit.h"

#include <algorithm>

#include "engine/modbus_frames.h"
#include "engine/register_values.h"
#include "platform/ticks.h"

namespace {

std::atomic<ExchangeSleepFn> g_sleepHook{nullptr};

void WaitStep(uint32_t ms)
{
    if (ExchangeSleepFn fn = g_sleepHook.load(std::memory_order_acquire))
        fn(ms);
    else
        SleepMs(ms);
}

// Lowers a pending write's attempts by one, unless a write was not pending.
// A compare-exchange, so that a write handed over meanwhile is not lost.
void LowerWriteTries(std::atomic<int32_t> &tries)
{
    int32_t v = tries.load(std::memory_order_acquire);
    while (v != 0 && !tries.compare_exchange_weak(v, v - 1, std::memory_order_acq_rel)) {}
}

// Ends the current thread of the record, if any, without freeing the register
// image: asks for a stop, waits up to 20 x 100 ms for the run body to clear
// the request while serving its Display calls, then cancels what it may wait
// on and serves until the run body has returned.
void EndThread(ExchangeRecord &rec, ExchangeHost &host)
{
    MODBUS_Thread *t = rec.Thread.get();
    if (!t)
        return;
    if (rec.Running.load(std::memory_order_acquire) != 0) {
        rec.StopRequest.store(1, std::memory_order_release);
        for (int i = 0; i < 20; ++i) {
            if (rec.StopRequest.load(std::memory_order_acquire) == 0 || t->Finished())
                break;
            host.ServeFor(100);
        }
    }
    if (!t->Finished()) {
        // Still opening its channel (connect or its message box), or held by
        // a message box: it must end before the record may be freed.
        rec.StopRequest.store(1, std::memory_order_release);
        host.CancelWaits();
        while (!t->TryJoin())
            host.ServeFor(10);
    }
    t->TryJoin();
    rec.Thread.reset();
}

}   // namespace

void SetExchangeSleepHook(ExchangeSleepFn fn)
{
    g_sleepHook.store(fn, std::memory_order_release);
}

MODBUS_Thread::MODBUS_Thread(ExchangeRecord &rec, ExchangeHost &host) : rec_(rec), host_(host)
{}

MODBUS_Thread::~MODBUS_Thread()
{
    if (thread_.joinable())
        thread_.join();
}

void MODBUS_Thread::Start()
{
    thread_ = std::thread([this] {
        Execute();
        finished_.store(true, std::memory_order_release);
        host_.ThreadEnded();
    });
}

bool MODBUS_Thread::TryJoin()
{
    if (!Finished())
        return false;
    if (thread_.joinable())
        thread_.join();
    return true;
}

void MODBUS_Thread::ShowExchange()
{
    host_.Display(*this);
}

void MODBUS_Thread::Execute()
{
    Frames.ReplyLen = 0;
    Frames.ReqLen = 0;
    ShowExchange();

    const std::unique_ptr<Channel> channel = OpenChannel();
    if (!channel)
        return;
    rec_.Running.fetch_add(1, std::memory_order_acq_rel);

    // A stop that came while the channel opened ends the thread here.
    while (rec_.StopRequest.load(std::memory_order_acquire) == 0) {
        uint8_t req[32];
        const int len = BuildNextRequest(req);
        if (len > 0) {
            Status.store(ST_OK, std::memory_order_relaxed);
            ReqCount.fetch_add(1, std::memory_order_relaxed);
            Frames.Reset();
            const uint8_t status = channel->Exchange(req, len, Frames);
            if (ApplyReply(status, req[0])) {
                rec_.WriteTries.store(0, std::memory_order_release);
                continue;   // an answered write: straight on to the read that follows
            }
            LowerWriteTries(rec_.WriteTries);
        }
        if (rec_.StopRequest.load(std::memory_order_acquire) != 0)
            break;
        ShowExchange();
        WaitPeriod();
    }

    channel->Close();
    rec_.StopRequest.store(0, std::memory_order_release);
}

std::unique_ptr<Channel> OpenChannel(const ChannelSettings &cs, const StopFlag &stop, ExchangeHost &host)
{
    switch (cs.Kind) {
    case ConnKind::Tcp: return OpenTcpChannel(cs, stop, host);
    case ConnKind::Udp: return OpenUdpChannel(cs, stop, host);
    case ConnKind::Serial: return OpenSerialChannel(cs, stop, host);
    }
    return nullptr;   // no channel of that kind: end without polling
}

std::unique_ptr<Channel> MODBUS_Thread::OpenChannel()
{
    return ::OpenChannel(rec_.Conn, rec_.StopRequest, host_);
}

int MODBUS_Thread::BuildNextRequest(uint8_t (&req)[32])
{
    const uint8_t slave = rec_.SlaveAddr.load(std::memory_order_relaxed);
    req[0] = slave;
    const int32_t tries = rec_.WriteTries.load(std::memory_order_acquire);
    if (tries == 0) {
        LastCmd = rec_.ReadCmd.load(std::memory_order_relaxed);
        return BuildReadRequest(req, slave, LastCmd, rec_.StartReg.load(std::memory_order_relaxed),
                                rec_.RegCount.load(std::memory_order_relaxed));
    }
    const uint16_t count = rec_.WriteCount.load(std::memory_order_relaxed);
    const uint16_t reg = rec_.WriteReg.load(std::memory_order_relaxed);
    if (count == 1 && rec_.WriteBy0x10On.load(std::memory_order_relaxed) == 0) {
        LastCmd = FunctionCode::WriteSingle;
        return BuildWriteSingle(req, slave, reg, rec_.WriteValues[0].load(std::memory_order_relaxed));
    }
    if (count >= 1) {
        // At most the 8 values the request holds.
        const uint16_t n = std::min<uint16_t>(count, 8);
        uint16_t values[8];
        for (int i = 0; i < n; ++i)
            values[i] = rec_.WriteValues[i].load(std::memory_order_relaxed);
        LastCmd = FunctionCode::WriteMultiple;
        return BuildWriteMultiple(req, slave, reg, values, n);
    }
    // A write of no registers can never be sent: drop it, or the wait would
    // end at once, cycle after cycle.
    int32_t expected = tries;
    rec_.WriteTries.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
    return 0;
}

bool MODBUS_Thread::ApplyReply(uint8_t status, uint8_t slave)
{
    bool answeredWrite = false;
    if (status != ST_OK) {
        ErrorCount.fetch_add(1, std::memory_order_relaxed);
    } else {
        const uint16_t regCount = rec_.RegCount.load(std::memory_order_relaxed);
        const uint8_t *frame = Frames.Frame();
        status = CheckReplyFrame(frame, Frames.FrameLen, slave, LastCmd, regCount);
        if (status == ST_ADDR_CMD_ERROR) {
            ErrorCount.fetch_add(1, std::memory_order_relaxed);
        } else if (status == ST_OK && IsRead(LastCmd)) {
            const int n = std::min<int>(regCount, rec_.ReadableCount());
            for (int i = 0; i < n; ++i)
                rec_.RegValues[i].store(ReplyRegister(frame, i), std::memory_order_relaxed);
            rec_.ValuesValid.store(1, std::memory_order_release);
        } else if (status == ST_OK &&
                   (LastCmd == FunctionCode::WriteSingle || LastCmd == FunctionCode::WriteMultiple)) {
            answeredWrite = true;
        }
    }
    Status.store(status, std::memory_order_relaxed);
    return answeredWrite;
}

void MODBUS_Thread::WaitPeriod()
{
    const uint32_t period = rec_.UpdatePeriod.load(std::memory_order_relaxed);
    for (uint64_t t = 0; t < period; t += 20) {
        if (rec_.StopRequest.load(std::memory_order_acquire) != 0 ||
            rec_.WriteTries.load(std::memory_order_acquire) != 0)
            break;
        WaitStep(20);
    }
}

void StartExchange(ExchangeRecord &rec, ExchangeHost &host)
{
    EndThread(rec, host);
    rec.WithdrawWrite();
    rec.Running.store(0, std::memory_order_release);
    rec.StopRequest.store(0, std::memory_order_release);
    rec.ValuesValid.store(0, std::memory_order_release);
    host.ResumeWaits();
    // The counters start at zero in the new object, before its thread runs.
    rec.Thread = std::make_unique<MODBUS_Thread>(rec, host);
    rec.Thread->Start();
}

void StopExchange(ExchangeRecord &rec, ExchangeHost &host)
{
    EndThread(rec, host);
    rec.FreeRegValues();
}
