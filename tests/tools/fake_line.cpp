// tarvix-fake-line: a serial line between the serial channel and a slave, for
// tests and benchmarks. It starts the slave program given after "--" (which
// must print "PTY <path>" first), opens that pseudo-terminal, makes one of its
// own and prints "PTY <path>" for the channel. Requests go to the slave and
// replies come back the way field lines deliver them: the request echoed by
// the transceiver, a turn-around delay, the reply in timed pieces, trailing
// bytes, and every byte paced at the baud rate.
//
//   tarvix-fake-line [--baud N] [--bits N] [--echo] [--delay-us N]
//                    [--chunk N --chunk-gap-us N] [--trailing N]
//                    [--seconds N] -- SLAVE ARGS...
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    long baud = 0;   // 0: no pacing
    int bits = 10;   // bits per character on the line
    bool echo = false;
    long delayUs = -1;   // before a reply; -1: the slave's 3.5-character silence when paced, else 0
    int chunk = 0;   // reply piece size; 0: one piece
    long chunkGapUs = 0;
    int trailing = 0;   // bytes after each reply
    double seconds = 60;
};

volatile sig_atomic_t g_stop = 0;
pid_t g_child = -1;

void OnSignal(int)
{
    g_stop = 1;
}

uint64_t NowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
}

// Sleeps to 30 us before `ns` and spins the rest: a byte leaves on time
// even when the machine is slow to wake a sleeper.
void SleepUntil(uint64_t ns)
{
    constexpr uint64_t kSpinNs = 30000;
    if (ns > kSpinNs) {
        const uint64_t wake = ns - kSpinNs;
        timespec ts{time_t(wake / 1000000000u), long(wake % 1000000000u)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR && !g_stop) {}
    }
    while (NowNs() < ns && !g_stop) {}
}

void MakeRaw(int fd)
{
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

void WriteAll(int fd, const uint8_t *p, size_t n)
{
    while (n > 0 && !g_stop) {
        ssize_t w = write(fd, p, n);
        if (w > 0) {
            p += w;
            n -= size_t(w);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd pf{fd, POLLOUT, 0};
            poll(&pf, 1, 10);
        }
    }
}

// Reads what `fd` has, then what follows within `quietUs` (0: only what is there).
std::vector<uint8_t> ReadBurst(int fd, long quietUs)
{
    std::vector<uint8_t> got;
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            got.insert(got.end(), buf, buf + n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        pollfd pf{fd, POLLIN, 0};
        timespec ts{0, quietUs * 1000};
        if (quietUs <= 0 || ppoll(&pf, 1, &ts, nullptr) <= 0 || !(pf.revents & POLLIN))
            break;
    }
    return got;
}

class Line {
public:
    Line(const Options &o) : o_(o), charNs_(o.baud > 0 ? uint64_t(o.bits) * 1000000000u / uint64_t(o.baud) : 0) {}

    // Request bytes, one character time each from when they came (or from
    // when the line is free): back to the sender as they pass when the
    // transceiver echoes, and to the slave.
    void Request(int channel, int slave, const std::vector<uint8_t> &req)
    {
        uint64_t t = std::max(NowNs(), lineFree_);
        for (uint8_t b : req) {
            t += charNs_;
            if (charNs_ && o_.echo)
                SleepUntil(t);
            if (o_.echo)
                WriteAll(channel, &b, 1);
        }
        // The slave gets the request whole once its last byte is through:
        // a stall of this program can then never split it.
        SleepUntil(t);
        WriteAll(slave, req.data(), req.size());
        lineFree_ = t;
        afterRequest_ = true;
    }

    // Reply bytes: after the turn-around delay that follows a request, in
    // pieces, each byte one character time after the one before; then the
    // trailing bytes.
    void Reply(int channel, std::vector<uint8_t> rep)
    {
        for (int i = 0; i < o_.trailing; ++i)
            rep.push_back(kTrailing[i % sizeof kTrailing]);
        // A slave takes a request as ended after 3.5 characters of 11 bits of
        // silence, 1750 us above 19200 baud.
        const long frameGapUs = o_.baud <= 0 ? 0 : o_.baud > 19200 ? 1750 : long(38500000 / o_.baud);
        const long delayUs = o_.delayUs >= 0 ? o_.delayUs : frameGapUs;
        uint64_t t = std::max(NowNs(), lineFree_ + (afterRequest_ ? uint64_t(delayUs) * 1000u : 0));
        afterRequest_ = false;
        const size_t piece = o_.chunk > 0 ? size_t(o_.chunk) : rep.size();
        for (size_t off = 0; off < rep.size() && !g_stop; off += piece) {
            if (off > 0)
                t += uint64_t(o_.chunkGapUs) * 1000u;
            const size_t n = std::min(piece, rep.size() - off);
            if (charNs_) {
                for (size_t i = 0; i < n; ++i) {
                    t += charNs_;
                    SleepUntil(t);
                    WriteAll(channel, rep.data() + off + i, 1);
                }
            } else {
                SleepUntil(t);
                WriteAll(channel, rep.data() + off, n);
            }
        }
        lineFree_ = t;
    }

private:
    static constexpr uint8_t kTrailing[] = {0xA5, 0x00, 0xFF, 0x5A};
    Options o_;
    uint64_t charNs_;
    uint64_t lineFree_ = 0;
    bool afterRequest_ = false;
};

bool ParseArgs(int argc, char **argv, Options &o, std::vector<char *> &slave)
{
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        const bool more = i + 1 < argc;
        if (a == "--echo")
            o.echo = true;
        else if (a == "--baud" && more)
            o.baud = std::atol(argv[++i]);
        else if (a == "--bits" && more)
            o.bits = std::atoi(argv[++i]);
        else if (a == "--delay-us" && more)
            o.delayUs = std::atol(argv[++i]);
        else if (a == "--chunk" && more)
            o.chunk = std::atoi(argv[++i]);
        else if (a == "--chunk-gap-us" && more)
            o.chunkGapUs = std::atol(argv[++i]);
        else if (a == "--trailing" && more)
            o.trailing = std::atoi(argv[++i]);
        else if (a == "--seconds" && more)
            o.seconds = std::atof(argv[++i]);
        else
            return false;
    }
    for (; i < argc; ++i)
        slave.push_back(argv[i]);
    slave.push_back(nullptr);
    return slave.size() > 1 && o.bits > 0 && o.baud >= 0 && o.chunk >= 0 && o.trailing >= 0;
}

// Starts the slave; its first line names its pseudo-terminal.
int OpenSlave(std::vector<char *> &argv)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    g_child = fork();
    if (g_child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    pollfd pf{out[0], POLLIN, 0};
    while (line.size() < 4096 && poll(&pf, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    // The pipe stays open (never read again) so the slave's prints do not fail.
    if (line.rfind("PTY /", 0) != 0 && line.rfind("RTU /", 0) != 0)
        return -1;
    const int fd = open(line.substr(4).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        MakeRaw(fd);
    return fd;
}

}   // namespace

int main(int argc, char **argv)
{
    Options o;
    std::vector<char *> slaveArgv;
    if (!ParseArgs(argc, argv, o, slaveArgv)) {
        std::fprintf(stderr, "usage: tarvix-fake-line [--baud N] [--bits N] [--echo] [--delay-us N] [--chunk N "
                             "--chunk-gap-us N] [--trailing N] [--seconds N] -- SLAVE ARGS...\n");
        return 2;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const int slave = OpenSlave(slaveArgv);
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || master < 0 || grantpt(master) < 0 || unlockpt(master) < 0 || !ptsname(master)) {
        std::fprintf(stderr, "tarvix-fake-line: the slave or the pseudo-terminal did not open\n");
        if (g_child > 0)
            kill(g_child, SIGTERM);
        return 1;
    }
    const std::string path = ptsname(master);
    // The channel's side starts raw and is held open here, so that the line
    // stays up between the channel's opens.
    const int held = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (held >= 0)
        MakeRaw(held);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    std::printf("PTY %s\n", path.c_str());
    std::fflush(stdout);

    Line line(o);
    const uint64_t end = NowNs() + uint64_t(o.seconds * 1e9);
    while (!g_stop && NowNs() < end) {
        pollfd fds[2] = {{master, POLLIN, 0}, {slave, POLLIN, 0}};
        if (poll(fds, 2, 100) <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const auto req = ReadBurst(master, 0);
            if (!req.empty())
                line.Request(master, slave, req);
        }
        if (fds[1].revents & POLLIN) {
            // A reply split by the slave's writes keeps its pieces' pacing:
            // the second piece starts when the first has left.
            const auto rep = ReadBurst(slave, 0);
            if (!rep.empty())
                line.Reply(master, rep);
        }
        if ((fds[0].revents | fds[1].revents) & (POLLHUP | POLLERR))
            usleep(10000);
    }
    if (g_child > 0) {
        kill(g_child, SIGTERM);
        waitpid(g_child, nullptr, 0);
    }
    return 0;
}
