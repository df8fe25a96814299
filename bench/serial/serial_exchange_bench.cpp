// A 10-register read at 115200 baud on a pseudo-terminal, against the
// libmodbus RTU test peer: the serial channel's exchange time next to a
// libmodbus RTU client's, in the same run, and where the channel's time goes.
//
// The channel ends a reply only when the line has been quiet for the interval
// time-out (30 ms at 115200), so it is slower by design; libmodbus knows the
// reply's length from its function code and stops at the last byte.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <modbus.h>
#include <string>
#include <vector>

#include "engine/Modbus_thread_unit.h"
#include "engine/modbus_frames.h"
#include "engine/serial_channel.h"
#include "platform/comm_port.h"
#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/serial/test_host.h"

namespace {

constexpr int kRounds = 60;

// Per exchange, in microseconds.
struct Split {
    std::vector<double> write, flush, firstByte, restAndGap;
};

// The tty port, timing each step. A read is done as a read of one byte (it
// returns with the first byte) and a read of the rest (it returns at the gap),
// which is what one read does, cut in two where the first byte comes.
class TimedPort final : public CommPort {
public:
    TimedPort(std::unique_ptr<CommPort> inner, Split *sum) : in_(std::move(inner)), sum_(sum) {}
    int Open(const char *p) override { return in_->Open(p); }
    int SetLine(int b, bool e) override { return in_->SetLine(b, e); }
    void SetTimeouts(uint32_t i, uint32_t t) override { in_->SetTimeouts(i, t); }
    void SetRts(bool h) override { in_->SetRts(h); }
    void SetDtr(bool h) override { in_->SetDtr(h); }
    int Write(const uint8_t *d, int n) override
    {
        uint64_t t0 = PerfCounter();
        int r = in_->Write(d, n);
        sum_->write.push_back(static_cast<double>(PerfCounter() - t0));
        return r;
    }
    void Flush() override
    {
        uint64_t t0 = PerfCounter();
        in_->Flush();
        sum_->flush.push_back(static_cast<double>(PerfCounter() - t0));
    }
    void WaitTxEmpty() override { in_->WaitTxEmpty(); }
    int Read(uint8_t *buf, int size) override
    {
        uint64_t t0 = PerfCounter();
        int n = in_->Read(buf, 1);
        uint64_t t1 = PerfCounter();
        if (n == 1)
            n += in_->Read(buf + 1, size - 1);
        uint64_t t2 = PerfCounter();
        sum_->firstByte.push_back(static_cast<double>(t1 - t0));
        sum_->restAndGap.push_back(static_cast<double>(t2 - t1));
        return n;
    }
    int ReadSome(uint8_t *buf, int size, uint32_t waitUs) override { return in_->ReadSome(buf, size, waitUs); }
    uint32_t TakeLineErrors() override { return in_->TakeLineErrors(); }
    void Close() override { in_->Close(); }
    bool IsOpen() const override { return in_->IsOpen(); }

private:
    std::unique_ptr<CommPort> in_;
    Split *sum_;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}   // namespace

int main()
{
    PeerProcess peer;
    if (!peer.Start(TARVIX_TEST_PEER, {"--rtu-pty", "--seconds", "120"}) || peer.FirstLine().rfind("PTY /", 0) != 0) {
        std::fprintf(stderr, "the libmodbus peer did not start\n");
        return 1;
    }
    const std::string pty = peer.FirstLine().substr(4);

    // The serial channel.
    ExchangeRecord rec;
    TestHost host;
    rec.Conn.ComPortName = pty;
    rec.Conn.BaudRate = 115200;
    rec.Conn.CharTime = CharTimeForBaud(115200);
    rec.SlaveAddr = 1;
    Split split;
    SerialHooks hooks;
    hooks.makePort = [&split] { return std::make_unique<TimedPort>(MakeTtyCommPort(), &split); };
    auto channel = OpenSerialChannelWith(rec.Conn, host, hooks);
    if (!channel) {
        std::fprintf(stderr, "the channel did not open: %s\n",
                     host.Boxes().empty() ? "" : host.Boxes()[0].text.c_str());
        return 1;
    }
    uint8_t req[16];
    const int len = BuildReadRequest(req, 1, FunctionCode::ReadHolding, 0, 10);
    std::vector<double> ours;
    int oursFailed = 0;
    split = Split{};
    for (int i = 0; i < kRounds; ++i) {
        ExchangeFrames reply;
        reply.Reset();
        uint64_t t0 = PerfCounter();
        uint8_t st = channel->Exchange(req, len, reply);
        ours.push_back(static_cast<double>(PerfCounter() - t0));
        oursFailed += st != ST_OK || reply.FrameLen != 23;
    }
    channel->Close();
    channel.reset();

    // The libmodbus RTU client on the same slave.
    std::vector<double> theirs;
    int theirsFailed = 0;
    modbus_t *ctx = modbus_new_rtu(pty.c_str(), 115200, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus could not open %s\n", pty.c_str());
        if (ctx)
            modbus_free(ctx);
        return 1;
    }
    uint16_t regs[10];
    for (int i = 0; i < kRounds; ++i) {
        uint64_t t0 = PerfCounter();
        int n = modbus_read_registers(ctx, 0, 10, regs);
        theirs.push_back(static_cast<double>(PerfCounter() - t0));
        theirsFailed += n != 10;
    }
    modbus_close(ctx);
    modbus_free(ctx);

    const double oursMed = Median(ours) / 1000.0, theirsMed = Median(theirs) / 1000.0;
    std::printf("10-register read at 115200 baud on a pseudo-terminal, libmodbus RTU slave, %d rounds each\n", kRounds);
    std::printf("  serial channel      median %8.3f ms  (%d failed)\n", oursMed, oursFailed);
    std::printf("  libmodbus client    median %8.3f ms  (%d failed)\n", theirsMed, theirsFailed);
    std::printf("  ratio channel/libmodbus: %.1f\n", theirsMed > 0 ? oursMed / theirsMed : 0.0);
    std::printf("  channel, median per exchange: write %.3f ms, flush %.3f ms, first byte %.3f ms, "
                "rest of reply + closing gap %.3f ms (interval time-out %u ms)\n",
                Median(split.write) / 1000.0, Median(split.flush) / 1000.0, Median(split.firstByte) / 1000.0,
                Median(split.restAndGap) / 1000.0, IntervalTimeoutForBaud(115200));
    return oursFailed || theirsFailed ? 1 : 0;
}
