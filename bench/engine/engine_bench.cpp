// Exchanges per second of the engine (UpdatePeriod 0, a Display that does
// nothing) reading 10 and 125 registers over loopback TCP, against the
// libmodbus slave and the simulator, and of a libmodbus client doing the
// same reads in a tight loop against the same peers in the same run. The
// libmodbus client runs on a freshly started thread, as the engine does;
// each line tells in how many rounds each client last ran on the peer's CPU.
// Then tarvix-poll --period 0 as a whole process against the same libmodbus
// loop, pinned to one CPU and spread over all in the same run: exchanges per
// second and context switches per exchange (voluntary and involuntary, from
// the child's rusage and the loop thread's).
//
// engine_bench [--all-cpus] [seconds per measurement, default 2]
//
// Both clients and the peers run on one CPU by default: on a machine with
// few cores the figures otherwise depend mostly on where the scheduler wakes
// the exchange thread (on a 2-core virtual machine the engine's thread woken
// on an idle core ran at a tenth of its pinned rate, while the same engine
// beside a busy core ran at twice libmodbus's). The pinned figures are the
// verdict; --all-cpus leaves the placement to the scheduler.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <modbus.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/ticks.h"
#include "tests/engine/engine_test_support.h"

namespace {

// Display and message boxes return at once on the exchange thread, which
// notes the CPU it runs on.
class NullHost final : public ExchangeHost {
public:
    std::atomic<int> cpu{-1};
    void Display(MODBUS_Thread &) override { cpu.store(sched_getcpu(), std::memory_order_relaxed); }
    void MessageBox(const std::string &, const std::string &, int) override {}
    void ServeFor(int ms) override { SleepMs(static_cast<uint32_t>(ms)); }
    void CancelWaits() override {}
};

// The CPU a process last ran on (field 39 of /proc/PID/stat), -1 if unknown.
int ProcessCpu(pid_t pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(f, line);
    size_t pos = line.rfind(')');
    for (int field = 2; field < 39 && pos != std::string::npos; ++field)
        pos = line.find(' ', pos + 1);
    return pos == std::string::npos ? -1 : std::atoi(line.c_str() + pos + 1);
}

struct Rate {
    double perSecond = 0;
    double switchesPerExchange = 0;
    int cpu = -1;   // where the client ran last
};

Rate EngineRate(int port, uint16_t count, double seconds, bool coils = false)
{
    ExchangeRecord rec;
    NullHost host;
    FillNetRecord(rec, 0, port, false, 0, count, 0);
    if (coils) {
        rec.ReadCmd = FunctionCode::ReadCoils;
        rec.FreeRegValues();
        rec.AllocBitValues(count);
    }
    StartExchange(rec, host);
    SleepMs(100);   // connected and warm
    const int32_t c0 = rec.Thread->ReqCount.load();
    const uint64_t t0 = PerfCounter();
    SleepMs(static_cast<uint32_t>(seconds * 1000));
    const int32_t c1 = rec.Thread->ReqCount.load();
    const uint64_t t1 = PerfCounter();
    const int32_t errors = rec.Thread->ErrorCount.load();
    const bool valid = (coils ? rec.BitsValid.load() : rec.ValuesValid.load()) != 0;
    StopExchange(rec, host);
    if (errors != 0 || !valid)
        std::fprintf(stderr, "engine: %d errors, values %s\n", errors, valid ? "valid" : "never read");
    Rate r;
    r.perSecond = (c1 - c0) / ((t1 - t0) / 1e6);
    r.cpu = host.cpu.load();
    return r;
}

// The libmodbus loop on the calling thread: modbus_read_registers, or
// modbus_read_bits for coils.
Rate LibmodbusLoop(int port, uint16_t count, double seconds, bool coils)
{
    modbus_t *ctx = modbus_new_tcp("127.0.0.1", port);
    if (!ctx || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: connect failed\n");
        if (ctx)
            modbus_free(ctx);
        return {};
    }
    modbus_set_slave(ctx, 1);
    uint16_t regs[125];
    uint8_t bits[2000];
    auto read = [&] {
        return coils ? modbus_read_bits(ctx, 0, count, bits) : modbus_read_registers(ctx, 0, count, regs);
    };
    for (int i = 0; i < 200; ++i)
        read();
    long n = 0, errors = 0;
    rusage u0{}, u1{};
    getrusage(RUSAGE_THREAD, &u0);
    const uint64_t t0 = PerfCounter();
    const uint64_t limit = static_cast<uint64_t>(seconds * 1e6);
    uint64_t t1 = t0;
    while (t1 - t0 < limit) {
        errors += read() != count;
        ++n;
        t1 = PerfCounter();
    }
    getrusage(RUSAGE_THREAD, &u1);
    modbus_close(ctx);
    modbus_free(ctx);
    if (errors)
        std::fprintf(stderr, "libmodbus: %ld errors\n", errors);
    Rate r;
    r.perSecond = n / ((t1 - t0) / 1e6);
    r.switchesPerExchange = double(u1.ru_nvcsw - u0.ru_nvcsw + u1.ru_nivcsw - u0.ru_nivcsw) / double(n > 0 ? n : 1);
    r.cpu = sched_getcpu();
    return r;
}

// The libmodbus loop on a freshly started thread, as the engine runs.
Rate LibmodbusRate(int port, uint16_t count, double seconds, bool coils = false)
{
    Rate r;
    std::thread t([&] { r = LibmodbusLoop(port, count, seconds, coils); });
    t.join();
    return r;
}

// tarvix-poll --period 0 for `seconds` as a child process: its lines (one
// per exchange) per second, and its context switches per exchange.
Rate PollRate(int port, double seconds)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const std::string target = "127.0.0.1:" + std::to_string(port);
    const std::string secs = std::to_string(seconds);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, 2);   // the "Connected" box of every round
        close(fds[0]);
        close(fds[1]);
        execl(TARVIX_POLL_PATH, "tarvix-poll", "--tcp", target.c_str(), "--period", "0", "--count", "10", "--seconds",
              secs.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return {};
    }
    // Timed from the first line, so that the start and the connect do not
    // count; that first line is not counted either.
    long lines = -1;
    char buf[65536];
    uint64_t t0 = 0;
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] == '\n' && ++lines == 0)
                t0 = PerfCounter();
    const uint64_t t1 = PerfCounter();
    close(fds[0]);
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    Rate r;
    r.perSecond = lines > 0 ? lines / ((t1 - t0) / 1e6) : 0;
    r.switchesPerExchange = double(u.ru_nvcsw + u.ru_nivcsw) / double(lines > 0 ? lines + 1 : 1);
    return r;
}

}   // namespace

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
    // The exchange thread, the peers and tarvix-poll inherit the main
    // thread's CPU set.
    // The tarvix-poll rows are measured both ways whatever the choice.
    cpu_set_t cpus, start, allSet, pinnedSet;
    CPU_ZERO(&start);
    sched_getaffinity(0, sizeof start, &start);
    allSet = pinnedSet = start;
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &start)) {
            CPU_ZERO(&pinnedSet);
            CPU_SET(c, &pinnedSet);
            break;
        }
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
        bool poll;   // also measure tarvix-poll against this peer
    };
    constexpr int kRounds = 10;
    std::printf("%-14s %6s %14s %14s %7s  %s\n", "peer", "regs", "engine/s", "libmodbus/s", "ratio",
                "rounds on the peer's CPU: engine, libmodbus");
    for (const Peer peer :
         {Peer{"libmodbus", TARVIX_TEST_PEER_PATH, true}, Peer{"tarvix-slave", TARVIX_SLAVE_PATH, false}}) {
        PeerProcess p;
        if (!p.Start(peer.path, {"--tcp", "0", "--seconds", "600"}) || p.Port() == 0) {
            std::printf("%-14s did not start\n", peer.name);
            continue;
        }
        for (uint16_t count : {10, 125}) {
            // Alternate short rounds, so that a change of load on the
            // machine weighs on both sides alike.
            double engine = 0, lib = 0;
            int engineShared = 0, libShared = 0;
            for (int r = 0; r < kRounds; ++r) {
                const Rate e = EngineRate(p.Port(), count, seconds / kRounds);
                engine += e.perSecond / kRounds;
                engineShared += e.cpu >= 0 && e.cpu == ProcessCpu(p.Pid());
                const Rate l = LibmodbusRate(p.Port(), count, seconds / kRounds);
                lib += l.perSecond / kRounds;
                libShared += l.cpu >= 0 && l.cpu == ProcessCpu(p.Pid());
            }
            std::printf("%-14s %6u %14.0f %14.0f %7.2f  %d/%d, %d/%d\n", peer.name, count, engine, lib,
                        lib > 0 ? engine / lib : 0.0, engineShared, kRounds, libShared, kRounds);
            std::fflush(stdout);
        }
        if (!peer.poll)
            continue;
        // The console host as a whole process, pinned and spread in the same
        // run: the exchange thread prints its own lines, and the main
        // thread only waits for the end.
        for (const bool spread : {false, true}) {
            // The peer goes along, so that spread means every process.
            const cpu_set_t &set = spread ? allSet : pinnedSet;
            if (sched_setaffinity(0, sizeof set, &set) != 0 || sched_setaffinity(p.Pid(), sizeof set, &set) != 0)
                continue;
            double poll = 0, lib = 0, pollSwitches = 0, libSwitches = 0;
            for (int r = 0; r < kRounds; ++r) {
                const Rate pr = PollRate(p.Port(), seconds / kRounds);
                const Rate l = LibmodbusRate(p.Port(), 10, seconds / kRounds);
                poll += pr.perSecond / kRounds;
                pollSwitches += pr.switchesPerExchange / kRounds;
                lib += l.perSecond / kRounds;
                libSwitches += l.switchesPerExchange / kRounds;
            }
            std::printf("%-14s %6u %14.0f %14.0f %7.2f  tarvix-poll --period 0, whole process, %s\n", peer.name, 10u,
                        poll, lib, lib > 0 ? poll / lib : 0.0, spread ? "spread over all CPUs" : "pinned to one CPU");
            std::printf("%-14s %6s %14.2f %14.2f %7s  context switches per exchange (target <= 1.5, ratio >= 1.0)\n",
                        "", "", pollSwitches, libSwitches, "");
            std::fflush(stdout);
        }
        // 2000 coils a read, the engine's loop beside modbus_read_bits,
        // pinned and spread in the same run.
        for (const bool spread : {false, true}) {
            const cpu_set_t &set = spread ? allSet : pinnedSet;
            if (sched_setaffinity(0, sizeof set, &set) != 0 || sched_setaffinity(p.Pid(), sizeof set, &set) != 0)
                continue;
            double engine = 0, lib = 0;
            for (int r = 0; r < kRounds; ++r) {
                engine += EngineRate(p.Port(), 2000, seconds / kRounds, true).perSecond / kRounds;
                lib += LibmodbusRate(p.Port(), 2000, seconds / kRounds, true).perSecond / kRounds;
            }
            std::printf("%-14s %6s %14.0f %14.0f %7.2f  2000 coils (function 1), %s\n", peer.name, "2000c", engine, lib,
                        lib > 0 ? engine / lib : 0.0, spread ? "spread over all CPUs" : "pinned to one CPU");
            std::fflush(stdout);
        }
        const cpu_set_t &engineSet = allCpus ? allSet : pinnedSet;
        sched_setaffinity(0, sizeof engineSet, &engineSet);
        sched_setaffinity(p.Pid(), sizeof engineSet, &engineSet);
    }
    return 0;
}
