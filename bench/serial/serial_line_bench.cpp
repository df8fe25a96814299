// The serial channel with its reply ended by length:
//  1. on a pseudo-terminal against the libmodbus RTU test peer, next to a
//     libmodbus RTU client on the same peer in the same run (10 and 125
//     registers): exchanges a second and their ratio;
//  2. on the paced fake line in front of the slave simulator at 9600 and
//     115200 baud, next to the line's theoretical exchange rate: the request,
//     the slave's 3.5-character silence (1.75 ms above 19200 baud) and the
//     reply, at 10 bits a character, back to back.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <modbus.h>
#include <string>
#include <vector>

#include "engine/Modbus_thread_unit.h"
#include "engine/modbus_frames.h"
#include "engine/serial_channel.h"
#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/serial/test_host.h"

namespace {

// Exchanges a second from the median exchange time (a busy machine's
// stalls do not count), and over the whole run.
struct Rate {
    double perSecond = 0;   // 1 / median
    double overall = 0;
    int failed = 0;
    std::vector<double> times;

    void Finish(double elapsedUs)
    {
        overall = times.size() / (elapsedUs / 1e6);
        std::sort(times.begin(), times.end());
        perSecond = times.empty() ? 0 : 1e6 / times[times.size() / 2];
    }
};

std::unique_ptr<Channel> OpenLengthChannel(const std::string &pty, int baud, TestHost &host)
{
    ChannelSettings cs;
    cs.Kind = ConnKind::Serial;
    cs.ComPortName = pty;
    cs.BaudRate = baud;
    cs.CharTime = CharTimeForBaud(baud);
    cs.Line.End = ReplyEnd::Length;
    return OpenSerialChannelWith(cs, host, SerialHooks{});
}

Rate ChannelRate(Channel &channel, uint16_t count, double seconds)
{
    uint8_t req[16];
    const int len = BuildReadRequest(req, 1, FunctionCode::ReadHolding, 0, count);
    Rate r;
    int done = 0;
    const uint64_t t0 = PerfCounter();
    uint64_t now = t0;
    while (now - t0 < seconds * 1e6) {
        ExchangeFrames frames;
        const uint8_t st = channel.Exchange(req, len, frames);
        r.times.push_back(double(PerfCounter() - now));
        if (st != ST_OK || frames.FrameLen != 3 + 2 * count) {
            char text[16];
            if (r.failed++ == 0)
                std::fprintf(stderr, "  exchange %d: %s\n", done, StatusText(st, text));
        }
        ++done;
        now = PerfCounter();
    }
    r.Finish(double(now - t0));
    return r;
}

Rate LibmodbusRate(const std::string &pty, uint16_t count, double seconds)
{
    Rate r;
    modbus_t *ctx = modbus_new_rtu(pty.c_str(), 115200, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        if (ctx)
            modbus_free(ctx);
        r.failed = -1;
        return r;
    }
    uint16_t regs[125];
    const uint64_t t0 = PerfCounter();
    uint64_t now = t0;
    while (now - t0 < seconds * 1e6) {
        r.failed += modbus_read_registers(ctx, 0, count, regs) != count;
        r.times.push_back(double(PerfCounter() - now));
        now = PerfCounter();
    }
    r.Finish(double(now - t0));
    modbus_close(ctx);
    modbus_free(ctx);
    return r;
}

bool StartPeer(PeerProcess &p, const std::string &program, const std::vector<std::string> &args)
{
    if (!p.Start(program, args) || p.FirstLine().rfind("PTY /", 0) != 0) {
        std::fprintf(stderr, "%s did not start\n", program.c_str());
        return false;
    }
    return true;
}

}   // namespace

int main()
{
    int bad = 0;
    std::printf("Reads of holding registers, reply ended by length; rates from the median exchange time\n");
    std::printf("1. pseudo-terminal, libmodbus RTU peer, 2 s each\n");
    for (uint16_t count : {10, 125}) {
        PeerProcess peer;
        if (!StartPeer(peer, PeerPath(), {"--rtu-pty", "--seconds", "60"}))
            return 1;
        const std::string pty = peer.FirstLine().substr(4);
        TestHost host;
        auto channel = OpenLengthChannel(pty, 115200, host);
        if (!channel)
            return 1;
        const Rate ours = ChannelRate(*channel, count, 2.0);
        channel.reset();
        const Rate theirs = LibmodbusRate(pty, count, 2.0);
        std::printf("  %3u registers: channel %7.0f/s (overall %7.0f/s, %d failed), libmodbus %7.0f/s (overall "
                    "%7.0f/s, %d failed), ratio %.2f (overall %.2f)\n",
                    count, ours.perSecond, ours.overall, ours.failed, theirs.perSecond, theirs.overall, theirs.failed,
                    theirs.perSecond > 0 ? ours.perSecond / theirs.perSecond : 0.0,
                    theirs.overall > 0 ? ours.overall / theirs.overall : 0.0);
        bad += ours.failed != 0 || theirs.failed != 0;
    }
    std::printf("2. paced fake line, slave simulator, 4 s each\n");
    for (int baud : {9600, 115200}) {
        for (uint16_t count : {10, 125}) {
            PeerProcess line;
            if (!StartPeer(line, FakeLinePath(),
                           {"--baud", std::to_string(baud), "--seconds", "30", "--", SlavePath(), "--rtu-pty",
                            "--seconds", "40"}))
                return 1;
            TestHost host;
            auto channel = OpenLengthChannel(line.FirstLine().substr(4), baud, host);
            if (!channel)
                return 1;
            const Rate ours = ChannelRate(*channel, count, 4.0);
            const double charUs = 10e6 / baud;
            const double lineUs = (8 + 5 + 2 * count) * charUs + FrameGapUs(baud);
            std::printf("  %6d baud, %3u registers: channel %6.1f/s (overall %6.1f/s, %d failed), line %6.1f/s, "
                        "ratio %.2f (overall %.2f)\n",
                        baud, count, ours.perSecond, ours.overall, ours.failed, 1e6 / lineUs,
                        ours.perSecond * lineUs / 1e6, ours.overall * lineUs / 1e6);
            bad += ours.failed != 0;
        }
    }
    return bad ? 1 : 0;
}
