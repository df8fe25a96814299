// Exchanges per second of the engine (UpdatePeriod 0, a Display that does
// nothing) reading 10 and 125 registers over loopback TCP, against the
// libmodbus slave and the simulator, and of a libmodbus client doing the
// same reads in a tight loop against the same peers in the same run.
//
// engine_bench [--all-cpus] [seconds per measurement, default 2]
//
// Both clients and the peers run on one CPU by default: on a machine with
// few cores the figures otherwise depend mostly on where the scheduler wakes
// the exchange thread (on a 2-core virtual machine the engine's thread woken
// on an idle core ran at a tenth of its pinned rate, while the same engine
// beside a busy core ran at twice libmodbus's). --all-cpus leaves the
// placement to the scheduler.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <modbus.h>
#include <sched.h>

#include "engine_test_support.h"
#include "ticks.h"

namespace {

// Display and message boxes return at once on the exchange thread.
class NullHost final : public ExchangeHost {
public:
    void Display(MODBUS_Thread &) override {}
    void MessageBox(const std::string &, const std::string &, int) override {}
    void ServeFor(int ms) override { SleepMs(static_cast<uint32_t>(ms)); }
    void CancelWaits() override {}
};

double EngineRate(int port, uint16_t count, double seconds)
{
    ExchangeRecord rec;
    NullHost host;
    FillNetRecord(rec, 0, port, false, 0, count, 0);
    StartExchange(rec, host);
    SleepMs(100);   // connected and warm
    const int32_t c0 = rec.Thread->ReqCount.load();
    const uint64_t t0 = PerfCounter();
    SleepMs(static_cast<uint32_t>(seconds * 1000));
    const int32_t c1 = rec.Thread->ReqCount.load();
    const uint64_t t1 = PerfCounter();
    const int32_t errors = rec.Thread->ErrorCount.load();
    const bool valid = rec.ValuesValid.load() != 0;
    StopExchange(rec, host);
    if (errors != 0 || !valid)
        std::fprintf(stderr, "engine: %d errors, values %s\n", errors, valid ? "valid" : "never read");
    return (c1 - c0) / ((t1 - t0) / 1e6);
}

double LibmodbusRate(int port, uint16_t count, double seconds)
{
    modbus_t *ctx = modbus_new_tcp("127.0.0.1", port);
    if (!ctx || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: connect failed\n");
        if (ctx)
            modbus_free(ctx);
        return 0;
    }
    modbus_set_slave(ctx, 1);
    uint16_t regs[125];
    for (int i = 0; i < 200; ++i)
        modbus_read_registers(ctx, 0, count, regs);
    long n = 0, errors = 0;
    const uint64_t t0 = PerfCounter();
    const uint64_t limit = static_cast<uint64_t>(seconds * 1e6);
    uint64_t t1 = t0;
    while (t1 - t0 < limit) {
        errors += modbus_read_registers(ctx, 0, count, regs) != count;
        ++n;
        t1 = PerfCounter();
    }
    modbus_close(ctx);
    modbus_free(ctx);
    if (errors)
        std::fprintf(stderr, "libmodbus: %ld errors\n", errors);
    return n / ((t1 - t0) / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    bool allCpus = false;
    if (argc > 1 && std::strcmp(argv[1], "--all-cpus") == 0) {
        allCpus = true;
        --argc;
        ++argv;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (!(seconds > 0 && seconds < 600)) {
        std::fprintf(stderr, "usage: engine_bench [--all-cpus] [seconds]\n");
        return 2;
    }
    // The exchange thread and the peers inherit the main thread's CPU set.
    cpu_set_t cpus;
    if (!allCpus && sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
        for (int c = 0; c < CPU_SETSIZE; ++c)
            if (CPU_ISSET(c, &cpus)) {
                CPU_ZERO(&cpus);
                CPU_SET(c, &cpus);
                if (sched_setaffinity(0, sizeof cpus, &cpus) == 0)
                    std::printf("all clients and peers on CPU %d (--all-cpus to let them spread)\n", c);
                break;
            }
    }
    struct Peer {
        const char *name;
        const char *path;
    };
    std::printf("%-14s %6s %14s %14s %7s\n", "peer", "regs", "engine/s", "libmodbus/s", "ratio");
    for (const Peer peer : {Peer{"libmodbus", TARVIX_TEST_PEER_PATH}, Peer{"tarvix-slave", TARVIX_SLAVE_PATH}}) {
        if (!*peer.path) {
            std::printf("%-14s not built\n", peer.name);
            continue;
        }
        PeerProcess p;
        if (!p.Start(peer.path, {"--tcp", "0", "--seconds", "600"}) || p.Port() == 0) {
            std::printf("%-14s did not start\n", peer.name);
            continue;
        }
        for (uint16_t count : {10, 125}) {
            // Alternate short rounds, so that a change of load on the
            // machine weighs on both sides alike.
            constexpr int kRounds = 10;
            double engine = 0, lib = 0;
            for (int r = 0; r < kRounds; ++r) {
                engine += EngineRate(p.Port(), count, seconds / kRounds) / kRounds;
                lib += LibmodbusRate(p.Port(), count, seconds / kRounds) / kRounds;
            }
            std::printf("%-14s %6u %14.0f %14.0f %7.2f\n", peer.name, count, engine, lib,
                        lib > 0 ? engine / lib : 0.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
