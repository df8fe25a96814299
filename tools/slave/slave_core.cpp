#include "tools/slave/slave_core.h"

#include "engine/modbus_frames.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace slave {

namespace {

bool ToLong(const char *s, long lo, long hi, long &v)
{
    if (!s || !*s)
        return false;
    errno = 0;
    char *end = nullptr;
    long x = std::strtol(s, &end, 10);
    if (errno || *end || x < lo || x > hi)
        return false;
    v = x;
    return true;
}

}   // namespace

namespace {

const char kUsageHead[] =
    "usage: tarvix-slave (--tcp PORT | --udp PORT | --rtu DEVICE | --rtu-pty) [options]\n"
    "A Modbus slave for tests and demos; listens on 127.0.0.1 only.\n"
    "Prints one line first: PORT <n> (tcp/udp; PORT 0 takes any free port),\n"
    "PTY <path> (--rtu-pty: the pseudo-terminal side to open) or RTU <path>.\n";

const char kUsageTail[] =
    "Faults apply to every reply, or to replies FROM .. FROM+COUNT-1 of --fault-from and\n"
    "--fault-count (requests answered or dropped, counted from 1).\n"
    "Replies on one connection (or line) keep their order: a late reply delays\n"
    "the ones behind it. Exit status 0 at the end of its time or on SIGTERM/SIGINT,\n"
    "2 for bad arguments.\n";

using Row = cli::Option<Options>;
using cli::ValueKind;
using V = cli::Value;

// A switch row that sets one field.
Row Switch(const char *name, const char *group, const char *help, bool Options::*field, const char *more = "")
{
    return {{name, "", ValueKind::None, 0, 0, "", group, help, more}, [field](Options &o, const V &) {
                o.*field = true;
                return std::string();
            }};
}

// A number row that sets one field.
template <class F>
Row Number(const char *name, const char *arg, long long lo, long long hi, const char *group, const char *help,
           F Options::*field)
{
    return {{name, arg, ValueKind::Whole, lo, hi, "", group, help}, [field](Options &o, const V &v) {
                o.*field = F(v.n);
                return std::string();
            }};
}

Row TransportRow(const char *name, const char *arg, ValueKind kind, Transport t, const char *help)
{
    return {{name, arg, kind, 0, 65535, "", "Transport", help},
            [t](Options &o, const V &v) {
                if (t == Transport::Rtu && v.text.empty())
                    return std::string("expects a device path");
                o.transport = t;
                if (t == Transport::Tcp || t == Transport::Udp)
                    o.port = int(v.n);
                if (t == Transport::Rtu)
                    o.device = v.text;
                ++o.transportsGiven;
                return std::string();
            }};
}

}   // namespace

const std::vector<cli::Option<Options>> &OptionRows()
{
    static const char kFaults[] = "Faults";
    static const std::vector<Row> rows = {
        TransportRow("--tcp", "PORT", ValueKind::Whole, Transport::Tcp, "Modbus over TCP on 127.0.0.1, port PORT"),
        TransportRow("--udp", "PORT", ValueKind::Whole, Transport::Udp, "Modbus over UDP on 127.0.0.1, port PORT"),
        TransportRow("--rtu", "DEVICE", ValueKind::Text, Transport::Rtu, "the serial line DEVICE"),
        TransportRow("--rtu-pty", "", ValueKind::None, Transport::RtuPty, "a new pseudo-terminal"),
        Switch("--modbus-ip", "Transport", "with --tcp or --udp: serial framing with CRC instead of the 6-byte header",
               &Options::crcFraming),
        Number("--baud", "N", 50, 4000000, "Transport", "line speed for --rtu, default 115200", &Options::baud),
        {{"--parity", "", ValueKind::Choice, 0, 0, "even|none", "Transport", "parity for --rtu, default even"},
         [](Options &o, const V &v) {
             o.evenParity = v.n == 0;
             return std::string();
         }},
        {{"--slave", "LIST", ValueKind::Text, 0, 0, "", "Behaviour",
          "slave addresses answered as, e.g. 3 or 3,7; default 1",
          "Requests for any other address get no reply, as behind a gateway or on a shared line."},
         [](Options &o, const V &v) {
             o.slaves.clear();
             const std::string &list = v.text;
             for (size_t pos = 0;;) {
                 const size_t comma = list.find(',', pos);
                 const std::string item = list.substr(pos, comma == std::string::npos ? comma : comma - pos);
                 long n = 0;
                 if (!ToLong(item.c_str(), 1, 255, n))
                     return std::string("expects addresses from 1 to 255, separated by commas");
                 o.slaves.push_back(int(n));
                 if (comma == std::string::npos)
                     break;
                 pos = comma + 1;
             }
             o.slave = o.slaves.front();
             return std::string();
         }},
        {{"--seconds", "S", ValueKind::Real, 0, 10000000, "", "Behaviour", "exit after S seconds, default 60"},
         [](Options &o, const V &v) {
             o.seconds = v.x;
             return std::string();
         }},
        Switch("--animate", "Behaviour", "holding registers 0..15 count up once a second", &Options::animate),
        Switch("--log", "Behaviour", "print REQ <hex bytes> for each request received", &Options::log),
        Number("--fault-from", "N", 1, 1000000000, kFaults, "the first faulty reply (counted from 1)",
               &Options::faultFrom),
        Number("--fault-count", "K", 0, 1000000000, kFaults, "the number of faulty replies (default: all)",
               &Options::faultCount),
        Number("--delay", "MS", 0, 600000, kFaults, "reply MS milliseconds late", &Options::delayMs),
        Switch("--drop", kFaults, "do not reply", &Options::drop),
        Switch("--bad-crc", kFaults, "a wrong CRC", &Options::badCrc),
        Switch("--bad-tid", kFaults, "a wrong transaction id", &Options::badTid),
        Switch("--bad-proto", kFaults, "a wrong protocol id", &Options::badProto),
        Switch("--bad-length", kFaults, "a wrong length field", &Options::badLength),
        Switch("--short-read", kFaults, "reply with fewer registers than asked for", &Options::shortRead),
        Number("--exception", "CODE", 1, 255, kFaults, "reply with the exception CODE", &Options::exceptionCode),
        Number("--refuse-writes", "CODE", 1, 255, kFaults, "answer writes with the exception CODE",
               &Options::refuseWritesCode),
        Number("--split", "MS", 0, 600000, kFaults, "TCP: reply in two segments, the second MS later",
               &Options::splitMs),
        Number("--close-after", "N", 1, 1000000000, kFaults, "TCP: close each connection after its N-th reply",
               &Options::closeAfter),
        Switch("--udp-other-port", kFaults, "UDP: reply from a second socket on another port",
               &Options::udpOtherPort),
        Switch("--twice", kFaults, "serial: send the reply again --twice-after MS later", &Options::twice),
        Number("--twice-after", "MS", 0, 600000, kFaults, "serial: when the copy of --twice follows (150)",
               &Options::twiceAfterMs),
        Switch("--extra-byte", kFaults, "serial: one 0x00 after the CRC", &Options::extraByte),
        Number("--gap", "MS", 0, 600000, kFaults, "serial: a pause of MS in the middle of the reply", &Options::gapMs),
        {{"--help", "", ValueKind::None, 0, 0, "", "Other", "print this text and exit", "", "-h", true},
         [](Options &o, const V &) {
             o.help = true;
             return std::string();
         }},
        {{"--version", "", ValueKind::None, 0, 0, "", "Other", "print the version and the licence and exit", "", "",
          true},
         [](Options &o, const V &) {
             o.version = true;
             return std::string();
         }},
    };
    return rows;
}

std::string UsageText()
{
    return kUsageHead + cli::HelpList(cli::Specs(OptionRows())) + kUsageTail;
}

bool ParseOptions(int argc, char **argv, Options &o, std::string &err, bool &help)
{
    o = Options{};
    help = false;
    if (!cli::Parse(OptionRows(), std::vector<std::string>(argv + 1, argv + argc), o, err))
        return false;
    help = o.help;
    if (o.help || o.version)
        return true;
    if (o.transportsGiven != 1) {
        err = "give exactly one of --tcp PORT, --udp PORT, --rtu DEVICE, --rtu-pty";
        return false;
    }
    if (o.transport == Transport::Rtu || o.transport == Transport::RtuPty)
        o.crcFraming = true;
    return true;
}

bool AnswersAs(const Options &o, int a)
{
    for (int s : o.slaves)
        if (s == a)
            return true;
    return false;
}

std::string HexBytes(const uint8_t *data, size_t len)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(len * 3);
    for (size_t i = 0; i < len; ++i) {
        if (i)
            s += ' ';
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

RegisterBank::RegisterBank(Clock::time_point start) : holding_(65536), start_(start)
{
    for (size_t a = 0; a < holding_.size(); ++a)
        holding_[a] = uint16_t(a);
}

uint16_t RegisterBank::Input(uint16_t a, Clock::time_point now) const
{
    const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count() / 100;
    return uint16_t((a + tenths) & 0xFFFF);
}

void RegisterBank::Animate(Clock::time_point now)
{
    const long secs = long(std::chrono::duration_cast<std::chrono::seconds>(now - start_).count());
    if (secs <= animatedSeconds_)
        return;
    const uint16_t step = uint16_t(secs - animatedSeconds_);
    for (int a = 0; a < 16; ++a)
        holding_[a] = uint16_t(holding_[a] + step);
    animatedSeconds_ = secs;
}

std::optional<std::vector<uint8_t>> AnswerFrame(RegisterBank &bank, const Options &o, bool faulty, const uint8_t *f,
                                                size_t len, Clock::time_point now)
{
    if (len < 2 || !AnswersAs(o, f[0]))
        return std::nullopt;
    const uint8_t fc = f[1];
    auto exception = [&](int code) { return std::vector<uint8_t>{f[0], uint8_t(fc | 0x80), uint8_t(code)}; };
    if (faulty && o.exceptionCode)
        return exception(o.exceptionCode);
    auto word = [&](size_t i) { return uint16_t(f[i] << 8 | f[i + 1]); };
    switch (fc) {
    case 3:
    case 4: {
        if (len != 6)
            return exception(3);
        const uint16_t start = word(2), count = word(4);
        if (count < 1 || count > 1024)
            return exception(3);
        const int sent = faulty && o.shortRead ? count - 1 : count;
        std::vector<uint8_t> r{f[0], fc, uint8_t((2 * sent) & 0xFF)};
        r.reserve(3 + 2 * size_t(sent));
        for (int i = 0; i < sent; ++i) {
            const uint16_t a = uint16_t(start + i);
            const uint16_t v = fc == 3 ? bank.Holding(a) : bank.Input(a, now);
            r.push_back(uint8_t(v >> 8));
            r.push_back(uint8_t(v));
        }
        return r;
    }
    case 6:
        if (len != 6)
            return exception(3);
        if (faulty && o.refuseWritesCode)
            return exception(o.refuseWritesCode);
        bank.SetHolding(word(2), word(4));
        return std::vector<uint8_t>(f, f + 6);
    case 16: {
        if (len < 7)
            return exception(3);
        const uint16_t start = word(2), count = word(4);
        if (count < 1 || count > 123 || f[6] != 2 * count || len != 7 + 2 * size_t(count))
            return exception(3);
        if (faulty && o.refuseWritesCode)
            return exception(o.refuseWritesCode);
        for (int i = 0; i < count; ++i)
            bank.SetHolding(uint16_t(start + i), word(7 + 2 * size_t(i)));
        return std::vector<uint8_t>(f, f + 6);
    }
    default: return exception(1);
    }
}

Slave::Slave(const Options &o, Clock::time_point start, FILE *log) : o_(o), bank_(start), log_(log)
{}

bool Slave::FaultApplies(long n) const
{
    if (n < o_.faultFrom)
        return false;
    return o_.faultCount < 0 || n - o_.faultFrom < o_.faultCount;
}

void Slave::Tick(Clock::time_point now)
{
    if (o_.animate)
        bank_.Animate(now);
}

std::vector<uint8_t> Slave::Frame(const std::vector<uint8_t> &reply, Link link, uint16_t tid, bool faulty) const
{
    std::vector<uint8_t> out;
    if (link != Link::Serial && !o_.crcFraming) {
        const uint16_t t = faulty && o_.badTid ? 1 : tid;
        const uint16_t proto = faulty && o_.badProto ? 1 : 0;
        const size_t length = reply.size() + (faulty && o_.badLength ? 1 : 0);
        out.resize(6 + reply.size());
        out[0] = uint8_t(t >> 8);
        out[1] = uint8_t(t);
        out[2] = uint8_t(proto >> 8);
        out[3] = uint8_t(proto);
        out[4] = uint8_t(length >> 8);
        out[5] = uint8_t(length);
        std::copy(reply.begin(), reply.end(), out.begin() + 6);
        return out;
    }
    out = reply;
    uint16_t crc = ModbusCrc16(reply.data(), reply.size());
    if (faulty && o_.badCrc)
        crc ^= 0xFFFF;
    out.push_back(uint8_t(crc));
    out.push_back(uint8_t(crc >> 8));
    if (link == Link::Serial && faulty && o_.extraByte)
        out.push_back(0x00);
    return out;
}

std::optional<Response> Slave::Handle(const uint8_t *frame, size_t len, Link link, uint16_t tid, Clock::time_point now)
{
    if (o_.log && log_) {
        std::fprintf(log_, "REQ %s\n", HexBytes(frame, len).c_str());
        std::fflush(log_);
    }
    Tick(now);
    if (len < 2 || !AnswersAs(o_, frame[0]))
        return std::nullopt;
    const long n = ++numbered_;
    const bool faulty = FaultApplies(n);
    auto reply = AnswerFrame(bank_, o_, faulty, frame, len, now);
    if (!reply || (faulty && o_.drop))
        return std::nullopt;

    const std::vector<uint8_t> wire = Frame(*reply, link, tid, faulty);
    const int base = faulty ? o_.delayMs : 0;
    Response r;
    // The reply once, possibly in two pieces with a pause between them.
    auto lay = [&](int at) {
        int pause = -1;
        if (faulty && link == Link::Tcp && o_.splitMs >= 0)
            pause = o_.splitMs;
        if (faulty && link == Link::Serial && o_.gapMs >= 0)
            pause = o_.gapMs;
        if (pause >= 0 && wire.size() >= 2) {
            const auto mid = wire.begin() + std::ptrdiff_t(wire.size() / 2);
            r.chunks.push_back({at, {wire.begin(), mid}});
            r.chunks.push_back({at + pause, {mid, wire.end()}});
            return at + pause;
        }
        r.chunks.push_back({at, wire});
        return at;
    };
    const int end = lay(base);
    if (faulty && link == Link::Serial && o_.twice)
        lay(end + o_.twiceAfterMs);
    r.fromOtherPort = faulty && link == Link::Udp && o_.udpOtherPort;
    return r;
}

int ExpectedCrcRequestLength(const uint8_t *buf, size_t n)
{
    if (n < 2)
        return 0;
    switch (buf[1]) {
    case 3:
    case 4:
    case 6: return 8;
    case 16: return n < 7 ? 0 : 9 + buf[6];
    default: return -1;
    }
}

void CrcCollector::Feed(const uint8_t *data, size_t n, Clock::time_point now)
{
    if (!n)
        return;
    buf_.insert(buf_.end(), data, data + n);
    last_ = now;
}

std::optional<Clock::time_point> CrcCollector::Deadline() const
{
    if (buf_.empty())
        return std::nullopt;
    return last_ + std::chrono::milliseconds(gapMs_);
}

bool CrcCollector::Next(Clock::time_point now, std::vector<uint8_t> &frame)
{
    auto crcOk = [&](size_t len) {
        if (len < 4)
            return false;
        const uint16_t c = ModbusCrc16(buf_.data(), len - 2);
        return buf_[len - 2] == uint8_t(c) && buf_[len - 1] == uint8_t(c >> 8);
    };
    if (buf_.empty())
        return false;
    const int expected = ExpectedCrcRequestLength(buf_.data(), buf_.size());
    size_t take = 0;
    if (expected > 0 && buf_.size() >= size_t(expected))
        take = size_t(expected);
    else if (now - last_ >= std::chrono::milliseconds(gapMs_))
        take = buf_.size();   // the pause ends whatever came
    if (!take)
        return false;
    if (!crcOk(take)) {
        buf_.clear();
        return false;
    }
    frame.assign(buf_.begin(), buf_.begin() + std::ptrdiff_t(take - 2));
    buf_.erase(buf_.begin(), buf_.begin() + std::ptrdiff_t(take));
    return true;
}

}   // namespace slave
