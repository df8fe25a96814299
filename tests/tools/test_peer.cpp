// tarvix-test-peer: a small Modbus slave built on libmodbus, an independent
// implementation the engine is checked against in tests and benchmarks.

#include <modbus/modbus.h>

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
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] =
    "usage: tarvix-test-peer (--tcp PORT | --rtu DEVICE | --rtu-pty) [--slave N] [--seconds S] [--log]\n"
    "A libmodbus slave on 127.0.0.1 for tests. Prints PORT <n>, RTU <path> or PTY <path> first.\n"
    "65536 holding registers, register a starting as (a * 7 + 3) & 0xFFFF, and 65536 input\n"
    "registers, register a holding a ^ 0x5A5A; 10000 coils, coil a on when a % 3 == 0, and\n"
    "10000 discrete inputs, input a on when a % 5 == 1. --log prints REQ <hex bytes> per request\n"
    "(address first, no header or CRC). --rtu-pty makes two pseudo-terminal pairs: libmodbus\n"
    "opens one, the peer's path is printed, and this process copies the bytes between the two\n"
    "master sides. Exits 0 after S seconds (default 60) or on SIGTERM/SIGINT, 2 for bad arguments.\n";

// libmodbus restarts its waits after a signal, so a stop cannot be a flag
// looked at between requests: end the process from the handler. Every
// output line has been flushed already.
void OnStop(int)
{
    _exit(0);
}

void InstallStop(double seconds)
{
    struct sigaction sa {};
    sa.sa_handler = OnStop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGALRM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    itimerval t{};
    t.it_value.tv_sec = long(seconds);
    t.it_value.tv_usec = long((seconds - double(long(seconds))) * 1e6);
    if (t.it_value.tv_sec == 0 && t.it_value.tv_usec == 0)
        t.it_value.tv_usec = 1;
    setitimer(ITIMER_REAL, &t, nullptr);
}

void LogRequest(const uint8_t *frame, int len)
{
    std::string s = "REQ";
    char hex[4];
    for (int i = 0; i < len; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", frame[i]);
        s += hex;
    }
    std::puts(s.c_str());
    std::fflush(stdout);
}

bool ParseInt(const char *s, long lo, long hi, long &v)
{
    if (!s || !*s)
        return false;
    char *end = nullptr;
    errno = 0;
    v = std::strtol(s, &end, 10);
    return !errno && !*end && v >= lo && v <= hi;
}

int ServeTcp(modbus_t *ctx, modbus_mapping_t *map, bool log)
{
    const int server = modbus_tcp_listen(ctx, 8);
    if (server < 0) {
        std::fprintf(stderr, "tarvix-test-peer: listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    sockaddr_in a{};
    socklen_t alen = sizeof a;
    getsockname(server, reinterpret_cast<sockaddr *>(&a), &alen);
    std::printf("PORT %d\n", ntohs(a.sin_port));
    std::fflush(stdout);

    std::vector<int> clients;
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    const int header = modbus_get_header_length(ctx);
    for (;;) {
        std::vector<pollfd> fds{{server, POLLIN, 0}};
        for (int c : clients)
            fds.push_back({c, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 100) <= 0)
            continue;
        if (fds[0].revents) {
            int s = server;
            const int c = modbus_tcp_accept(ctx, &s);
            if (c >= 0)
                clients.push_back(c);
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const int c = fds[i].fd;
            modbus_set_socket(ctx, c);
            const int rc = modbus_receive(ctx, query);
            if (rc > 0) {
                if (log)
                    LogRequest(query + header - 1, rc - header + 1);
                modbus_reply(ctx, query, rc, map);
            } else if (rc < 0) {
                close(c);
                std::erase(clients, c);
            }
        }
    }
}

// A pseudo-terminal pair whose other side is set raw; returns the master.
int RawPty(std::string &path)
{
    const int m = posix_openpt(O_RDWR | O_NOCTTY);
    if (m < 0 || grantpt(m) < 0 || unlockpt(m) < 0 || !ptsname(m))
        return -1;
    path = ptsname(m);
    const int s = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (s < 0)
        return -1;
    termios t{};
    tcgetattr(s, &t);
    cfmakeraw(&t);
    tcsetattr(s, TCSANOW, &t);
    close(s);
    fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
    return m;
}

// Moves what is waiting on `from` to `to`. False when `from` has no one on
// its other side (a pty master reads EIO then).
bool Relay(int from, int to)
{
    uint8_t buf[4096];
    const ssize_t n = read(from, buf, sizeof buf);
    if (n < 0 && errno != EAGAIN && errno != EINTR)
        return false;
    for (ssize_t off = 0; n > 0 && off < n;) {
        const ssize_t w = write(to, buf + off, size_t(n - off));
        if (w <= 0)
            break;
        off += w;
    }
    return true;
}

int ServeRtu(modbus_t *ctx, modbus_mapping_t *map, bool log, int ownMaster, int peerMaster, const std::string &banner)
{
    if (modbus_connect(ctx) < 0) {
        std::fprintf(stderr, "tarvix-test-peer: open: %s\n", modbus_strerror(errno));
        return 1;
    }
    std::puts(banner.c_str());
    std::fflush(stdout);
    const int line = modbus_get_socket(ctx);
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    auto quietUntil = std::chrono::steady_clock::now();
    for (;;) {
        std::vector<pollfd> fds{{line, POLLIN, 0}};
        const bool relay = ownMaster >= 0;
        const bool peerOpen = relay && std::chrono::steady_clock::now() >= quietUntil;
        if (relay) {
            fds.push_back({ownMaster, POLLIN, 0});
            if (peerOpen)
                fds.push_back({peerMaster, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), 20) <= 0)
            continue;
        if (relay && fds[1].revents)
            Relay(ownMaster, peerMaster);
        if (relay && peerOpen && fds[2].revents && !Relay(peerMaster, ownMaster))
            // Nobody has the peer's side open: look again a little later.
            quietUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        if (fds[0].revents) {
            const int rc = modbus_receive(ctx, query);
            if (rc > 0) {
                if (log)
                    LogRequest(query, rc - 2);
                modbus_reply(ctx, query, rc, map);
                if (relay)
                    Relay(ownMaster, peerMaster);
            }
        }
    }
}

}   // namespace

int main(int argc, char **argv)
{
    enum { None, Tcp, Rtu, RtuPty } mode = None;
    long port = 0, slave = 1;
    double seconds = 60;
    bool log = false;
    std::string device;
    int modes = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--tcp") {
            ok = ParseInt(next, 0, 65535, port);
            mode = Tcp, ++modes, ++i;
        } else if (a == "--rtu") {
            ok = next && *next;
            device = ok ? next : "";
            mode = Rtu, ++modes, ++i;
        } else if (a == "--rtu-pty") {
            mode = RtuPty, ++modes;
        } else if (a == "--slave") {
            ok = ParseInt(next, 1, 247, slave);
            ++i;
        } else if (a == "--seconds") {
            char *end = nullptr;
            seconds = next ? std::strtod(next, &end) : 0;
            ok = next && *next && !*end && seconds > 0 && seconds < 1e7;
            ++i;
        } else if (a == "--log") {
            log = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "tarvix-test-peer: bad argument: %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (modes != 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    InstallStop(seconds);

    modbus_mapping_t *map = modbus_mapping_new(10000, 10000, 65536, 65536);
    if (!map)
        return 1;
    for (int a = 0; a < 10000; ++a) {
        map->tab_bits[a] = a % 3 == 0;
        map->tab_input_bits[a] = a % 5 == 1;
    }
    for (int a = 0; a < 65536; ++a) {
        map->tab_registers[a] = uint16_t((a * 7 + 3) & 0xFFFF);
        map->tab_input_registers[a] = uint16_t(a ^ 0x5A5A);
    }

    if (mode == Tcp) {
        modbus_t *ctx = modbus_new_tcp("127.0.0.1", int(port));
        if (!ctx)
            return 1;
        return ServeTcp(ctx, map, log);
    }
    int ownMaster = -1, peerMaster = -1;
    std::string banner = "RTU " + device;
    if (mode == RtuPty) {
        std::string peerPath;
        ownMaster = RawPty(device);
        peerMaster = RawPty(peerPath);
        if (ownMaster < 0 || peerMaster < 0) {
            std::fprintf(stderr, "tarvix-test-peer: cannot make pseudo-terminals: %s\n", std::strerror(errno));
            return 1;
        }
        banner = "PTY " + peerPath;
    }
    modbus_t *ctx = modbus_new_rtu(device.c_str(), 115200, 'N', 8, 1);
    if (!ctx)
        return 1;
    modbus_set_slave(ctx, int(slave));
    return ServeRtu(ctx, map, log, ownMaster, peerMaster, banner);
}
