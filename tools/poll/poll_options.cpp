// Command line of tarvix-poll.

#include "tools/poll/poll_options.h"

#include <cerrno>
#include <cstdlib>

namespace {

const char kUsageHead[] =
    "usage: tarvix-poll (--tcp HOST:PORT | --udp HOST:PORT [--local-port N] |\n"
    "                    --com PORT [--baud N] [--parity even|none] [--rs485] [--dtr-on]\n"
    "                          [--reply-end gap|length] [--echo off|on|auto] [--tx-delay-before US]\n"
    "                          [--tx-delay-after US] [--request-gap MS] [--line-check])\n"
    "                   [--modbus-ip] [--slave N] [--cmd 1|2|3|4] [--start N] [--count N] [--period MS]\n"
    "                   [--write REG=HEX[,HEX...] [--fc16] | --write-coil ADDR=0|1[,0|1...]]\n"
    "                   [--cycles N | --seconds S]\n"
    "                   [--format tsv|csv|jsonl] [--timestamp]\n"
    "                   [--type uint16|int16|uint32|int32|float32|float64|uint64|int64]\n"
    "                   [--word-order big|little] [--byte-swap]\n"
    "       tarvix-poll ... --scan-slaves A-B [--timeout MS]\n"
    "       tarvix-poll --help | --version\n"
    "Prints one line per exchange shown; an answered --write is shown with the read that\n"
    "follows it. --cycles N ends after N such lines, --seconds S after S seconds.\n";

const char kUsageTail[] =
    "Output formats:\n"
    "  tsv     (default) tab-separated: request count, status, error count,\n"
    "          request bytes, reply bytes, register values (uint16 in hex) or bits\n"
    "          (characters 0 and 1 in groups of eight)\n"
    "  csv     RFC 4180 with a header row: time,request,status,errors,\n"
    "          request_frame,reply_frame,exception,r<address>... (c<address>... coils,\n"
    "          d<address>... discrete inputs, 0 or 1 each)\n"
    "  jsonl   one JSON object a line, the same fields, \"registers\" (or \"bits\") an array\n"
    "Registers are shown only for exchanges that read them (csv, jsonl); an exception\n"
    "reply is named on standard error and in the exception field.\n"
    "Examples:\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --count 4 --cycles 2\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --count 4 --seconds 60 --format csv > log.csv\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --count 4 --format jsonl --cycles 1\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --start 100 --count 4 --type float32 --word-order little\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --scan-slaves 1-247 --count 1\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --cmd 1 --start 0 --count 16 --cycles 1\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --cmd 1 --write-coil 3=1 --cycles 2\n"
    "Exit status: 0 after the cycles or seconds (or a signal, or the reader of standard\n"
    "output going away) with the channel open, 1 when the channel could not be opened\n"
    "or standard output failed, 2 for bad arguments.\n";

// Whole number in [lo, hi]; decimal, or hex with 0x when base is 0.
bool ParseNumber(const std::string &text, long long lo, long long hi, long long &out, int base = 0)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    errno = 0;
    char *end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || v > static_cast<unsigned long long>(hi) || static_cast<long long>(v) < lo)
        return false;
    out = static_cast<long long>(v);
    return true;
}

bool ParseHostPort(const std::string &text, std::string &host, uint16_t &port)
{
    const auto colon = text.rfind(':');
    long long p = 0;
    if (colon == std::string::npos || colon == 0 || !ParseNumber(text.substr(colon + 1), 0, 65535, p, 10))
        return false;
    host = text.substr(0, colon);
    port = static_cast<uint16_t>(p);
    return true;
}

// "REG=HEX[,HEX...]": a decimal (or 0x) register, then hexadecimal values.
bool ParseWrite(const std::string &text, uint16_t &reg, std::vector<uint16_t> &values)
{
    const auto eq = text.find('=');
    long long r = 0;
    if (eq == std::string::npos || !ParseNumber(text.substr(0, eq), 0, 65535, r))
        return false;
    values.clear();
    size_t pos = eq + 1;
    for (;;) {
        const size_t comma = text.find(',', pos);
        long long v = 0;
        if (!ParseNumber(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos), 0, 0xFFFF, v,
                         16))
            return false;
        values.push_back(static_cast<uint16_t>(v));
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    reg = static_cast<uint16_t>(r);
    return true;
}

// The value types in the order of --type's choices.
constexpr ValueType kTypes[] = {ValueType::UInt16,  ValueType::Int16,   ValueType::UInt32, ValueType::Int32,
                                ValueType::Float32, ValueType::Float64, ValueType::UInt64, ValueType::Int64};
constexpr const char *kTypeNames = "uint16|int16|uint32|int32|float32|float64|uint64|int64";

const char *TypeName(ValueType t)
{
    static const char *const names[] = {"uint16", "int16", "uint32", "int32", "float32", "float64", "uint64", "int64"};
    for (size_t i = 0; i < std::size(kTypes); ++i)
        if (kTypes[i] == t)
            return names[i];
    return "?";
}

using Row = cli::Option<PollOptions>;
using cli::ValueKind;
using V = cli::Value;

std::string Connection(PollOptions &o, int type, const std::string &text)
{
    if (o.connType != -1)
        return "only one of --tcp, --udp, --com";
    if (type == 2) {
        if (text.empty())
            return "empty port name";
        o.comPort = text;
    } else if (!ParseHostPort(text, o.host, o.port)) {
        return "'" + text + "' is not HOST:PORT";
    }
    o.connType = type;
    return "";
}

}   // namespace

const std::vector<cli::Option<PollOptions>> &PollOptionRows()
{
    static const std::vector<Row> rows = {
        {{"--tcp", "HOST:PORT", ValueKind::Text, 0, 0, "", "Connection", "Modbus over Ethernet TCP to HOST at PORT"},
         [](PollOptions &o, const V &v) { return Connection(o, 0, v.text); }},
        {{"--udp", "HOST:PORT", ValueKind::Text, 0, 0, "", "Connection", "Modbus over Ethernet UDP to HOST at PORT"},
         [](PollOptions &o, const V &v) { return Connection(o, 1, v.text); }},
        {{"--local-port", "N", ValueKind::Whole, 0, 65535, "", "Connection",
          "with --udp: the local port to send from; 0 (the default) takes any"},
         [](PollOptions &o, const V &v) {
             o.localPort = uint16_t(v.n);
             o.udpOnly = true;
             return std::string();
         }},
        {{"--com", "PORT", ValueKind::Text, 0, 0, "", "Connection", "the serial port PORT, for example /dev/ttyUSB0"},
         [](PollOptions &o, const V &v) { return Connection(o, 2, v.text); }},
        {{"--baud", "N", ValueKind::Whole, 1, 4000000, "", "Connection", "with --com: the baud rate, default 115200"},
         [](PollOptions &o, const V &v) {
             o.baud = int32_t(v.n);
             o.comOnly = true;
             return std::string();
         }},
        {{"--parity", "", ValueKind::Choice, 0, 0, "even|none", "Connection", "with --com: the parity, default even"},
         [](PollOptions &o, const V &v) {
             o.evenParity = v.n == 0;
             o.comOnly = true;
             return std::string();
         }},
        {{"--rs485", "", ValueKind::None, 0, 0, "", "Connection",
          "with --com: RS-485 transmitter on by RTS and DTR for each request", "and off again before the reply."},
         [](PollOptions &o, const V &) {
             o.rs485 = o.comOnly = true;
             return std::string();
         }},
        {{"--dtr-on", "", ValueKind::None, 0, 0, "", "Connection", "with --com: DTR always on",
          "With --rs485, RTS then stays on after a request."},
         [](PollOptions &o, const V &) {
             o.dtrOn = o.comOnly = true;
             return std::string();
         }},
        {{"--modbus-ip", "", ValueKind::None, 0, 0, "", "Connection",
          "with --tcp or --udp: serial framing with CRC instead of the 6-byte header"},
         [](PollOptions &o, const V &) {
             o.crcFraming = true;
             return std::string();
         }},
        // The serial line beyond rate and parity.
        {{"--reply-end", "", ValueKind::Choice, 0, 0, "gap|length", "Serial line",
          "with --com: end a reply at a silence (gap, the default) or at its length",
          "length ends it as soon as the bytes its function code and byte count announce have come (5 for an "
          "exception); a reply whose length cannot be told ends at 3.5 characters of silence (1.75 ms above 19200 "
          "baud). Bytes after a complete reply are dropped before the next request. gap waits for 30 to 100 ms of "
          "silence, by baud rate."},
         [](PollOptions &o, const V &v) {
             o.line.End = v.n == 0 ? ReplyEnd::Gap : ReplyEnd::Length;
             o.lineOnly = true;
             return std::string();
         }},
        {{"--echo", "", ValueKind::Choice, 0, 0, "off|on|auto", "Serial line",
          "with --com: drop the request's local echo (default off)",
          "on drops the request's own bytes before the reply and reports \"Echo mismatch\" when they differ; auto "
          "turns echo on for the run when the first request comes back."},
         [](PollOptions &o, const V &v) {
             static const EchoMode modes[] = {EchoMode::Off, EchoMode::On, EchoMode::Auto};
             o.line.Echo = modes[v.n];
             o.lineOnly = true;
             return std::string();
         }},
        {{"--tx-delay-before", "US", ValueKind::Whole, 0, 1000000, "", "Serial line",
          "with --rs485: transmitter on US microseconds before sending", "Default: 20 ms."},
         [](PollOptions &o, const V &v) {
             o.line.TxDelayBeforeUs = int32_t(v.n);
             o.lineOnly = true;
             return std::string();
         }},
        {{"--tx-delay-after", "US", ValueKind::Whole, 0, 1000000, "", "Serial line",
          "with --rs485: transmitter off US microseconds after the last byte",
          "Default: 14976000 / baud microseconds and 10 ms."},
         [](PollOptions &o, const V &v) {
             o.line.TxDelayAfterUs = int32_t(v.n);
             o.lineOnly = true;
             return std::string();
         }},
        {{"--request-gap", "MS", ValueKind::Whole, 0, 10000, "", "Serial line",
          "with --com: at least MS ms from a reply to the next request (default 0)"},
         [](PollOptions &o, const V &v) {
             o.line.RequestGapMs = uint32_t(v.n);
             o.lineOnly = true;
             return std::string();
         }},
        {{"--line-check", "", ValueKind::None, 0, 0, "", "Serial line",
          "with --com: 100 reads, then a report of the line and the options that fit it",
          "The report gives echo seen or not, the reply latency (p50, p99, max), pauses inside replies, bytes left "
          "over, CRC and line errors, and the suggested options. Echo off is checked as auto. Exit 0 when any reply "
          "was good."},
         [](PollOptions &o, const V &) {
             o.lineCheck = o.lineOnly = true;
             return std::string();
         }},
        {{"--slave", "N", ValueKind::Whole, 0, 247, "", "Exchange", "the slave address, default 1"},
         [](PollOptions &o, const V &v) {
             o.slave = uint8_t(v.n);
             o.slaveGiven = true;
             return std::string();
         }},
        {{"--cmd", "1|2|3|4", ValueKind::Whole, 1, 4, "", "Exchange",
          "read coils (1), discrete inputs (2), holding (3, default) or input registers (4)"},
         [](PollOptions &o, const V &v) {
             o.cmd = uint8_t(v.n);
             return std::string();
         }},
        {{"--start", "N", ValueKind::Whole, 0, 65535, "", "Exchange", "the first register, default 0"},
         [](PollOptions &o, const V &v) {
             o.start = uint16_t(v.n);
             return std::string();
         }},
        // The range follows from --cmd: checked once the line is read.
        {{"--count", "N", ValueKind::Whole, 0, 1000000000, "", "Exchange",
          "registers (1..1024) or bits (1..2000) to read, default 10"},
         [](PollOptions &o, const V &v) {
             o.countGiven = v.n;
             return std::string();
         }},
        {{"--period", "MS", ValueKind::Whole, 0, 4294967295LL, "", "Exchange",
          "the update period in milliseconds, default 200"},
         [](PollOptions &o, const V &v) {
             o.period = uint32_t(v.n);
             o.periodGiven = true;
             return std::string();
         }},
        {{"--write", "REG=HEX[,HEX...]", ValueKind::Text, 0, 0, "", "Exchange",
          "write after the first good read; several values need --fc16",
          "The values are hexadecimal, as typing into the viewer's grid gives them."},
         [](PollOptions &o, const V &v) {
             if (!ParseWrite(v.text, o.writeReg, o.writeValues))
                 return "'" + v.text + "' is not REG=HEX[,HEX...]";
             if (o.writeValues.size() > size_t(kMaxWriteValues))
                 return "at most " + std::to_string(kMaxWriteValues) + " values";
             if (o.writeReg + o.writeValues.size() > 65536)
                 return std::string("the values run past register 65535");
             o.write = true;
             return std::string();
         }},
        {{"--write-coil", "ADDR=0|1[,0|1...]", ValueKind::Text, 0, 0, "", "Exchange",
          "write coils after the first good read: 5 for one, 15 for several",
          "ADDR is the first coil; up to 1968 coils, each 0 (off) or 1 (on)."},
         [](PollOptions &o, const V &v) {
             const auto eq = v.text.find('=');
             long long a = 0;
             o.coilValues.clear();
             bool good = eq != std::string::npos && ParseNumber(v.text.substr(0, eq), 0, 65535, a);
             for (size_t pos = eq + 1; good && pos <= v.text.size(); pos += 2) {
                 const char c = v.text[pos];
                 good = (c == '0' || c == '1') && (pos + 1 == v.text.size() || v.text[pos + 1] == ',');
                 o.coilValues.push_back(uint8_t(c - '0'));
                 if (pos + 1 == v.text.size())
                     break;
             }
             if (!good || o.coilValues.empty() || v.text.back() == ',')
                 return "'" + v.text + "' is not ADDR=0|1[,0|1...]";
             if (o.coilValues.size() > size_t(kMaxCoilWrite))
                 return "at most " + std::to_string(kMaxCoilWrite) + " coils";
             if (a + o.coilValues.size() > 65536)
                 return std::string("the coils run past address 65535");
             o.writeReg = uint16_t(a);
             o.writeCoil = true;
             return std::string();
         }},
        {{"--fc16", "", ValueKind::None, 0, 0, "", "Exchange",
          "with --write: function 16 (write multiple registers) instead of 6"},
         [](PollOptions &o, const V &) {
             o.fc16 = true;
             return std::string();
         }},
        {{"--format", "", ValueKind::Choice, 0, 0, "tsv|csv|jsonl", "Output",
          "tsv (default), csv with a header row, or JSON lines",
          "csv is RFC 4180 with a header row: time, request, status, errors, request\\_frame, reply\\_frame, "
          "exception, then one column per value named by its register (r100); jsonl is one JSON object a line with "
          "the same fields, the registers as an array, the frames as hex strings. Values are shown only for "
          "exchanges that read them; messages go to standard error."},
         [](PollOptions &o, const V &v) {
             static const OutputFormat formats[] = {OutputFormat::Tsv, OutputFormat::Csv, OutputFormat::Jsonl};
             o.format = formats[v.n];
             return std::string();
         }},
        {{"--timestamp", "", ValueKind::None, 0, 0, "", "Output",
          "tsv: local time (ISO 8601, ms, UTC offset) as the first field", "csv and jsonl always carry it."},
         [](PollOptions &o, const V &) {
             o.timestamp = true;
             return std::string();
         }},
        {{"--type", "T", ValueKind::Choice, 0, 0, kTypeNames, "Output",
          "read the registers as T values (32-bit: 2 registers, 64-bit: 4)",
          "T is uint16, int16, uint32, int32, float32, float64, uint64 or int64; the count must divide into whole "
          "values."},
         [](PollOptions &o, const V &v) {
             o.layout.type = kTypes[v.n];
             o.typeGiven = true;
             return std::string();
         }},
        {{"--word-order", "", ValueKind::Choice, 0, 0, "big|little", "Output",
          "first register is the high word (big, default) or the low"},
         [](PollOptions &o, const V &v) {
             o.layout.order = v.n == 0 ? WordOrder::HighFirst : WordOrder::LowFirst;
             return std::string();
         }},
        {{"--byte-swap", "", ValueKind::None, 0, 0, "", "Output", "the two bytes of every register are swapped"},
         [](PollOptions &o, const V &) {
             o.layout.byteSwap = true;
             return std::string();
         }},
        {{"--scan-slaves", "A-B", ValueKind::Text, 0, 0, "", "Slave scan",
          "one read from each slave address A..B (1-247), then a summary",
          "on standard error; exit 0 when any answered, 1 when none did."},
         [](PollOptions &o, const V &v) {
             const auto dash = v.text.find('-');
             long long from = 0, to = 0;
             if (dash == std::string::npos || !ParseNumber(v.text.substr(0, dash), 1, 247, from, 10) ||
                 !ParseNumber(v.text.substr(dash + 1), 1, 247, to, 10) || from > to)
                 return "'" + v.text + "' is not a range A-B of slave addresses, 1 <= A <= B <= 247";
             o.scanFrom = int(from);
             o.scanTo = int(to);
             return std::string();
         }},
        {{"--timeout", "MS", ValueKind::Whole, 1, 60000, "", "Slave scan",
          "reply time-out of a scan over the network (default 200)"},
         [](PollOptions &o, const V &v) {
             o.timeoutMs = int(v.n);
             o.timeoutGiven = true;
             return std::string();
         }},
        {{"--cycles", "N", ValueKind::Whole, 1, 1000000000LL, "", "Run time", "end after N lines"},
         [](PollOptions &o, const V &v) {
             o.cycles = long(v.n);
             return std::string();
         }},
        {{"--seconds", "S", ValueKind::Real, 0, 10000000, "", "Run time", "end after S seconds",
          "--cycles and --seconds exclude each other; without either, the poll runs until SIGINT or SIGTERM."},
         [](PollOptions &o, const V &v) {
             o.seconds = v.x;
             return std::string();
         }},
        {{"--help", "", ValueKind::None, 0, 0, "", "Other", "print this text and exit", "", "-h", true},
         [](PollOptions &o, const V &) {
             o.help = true;
             return std::string();
         }},
        {{"--version", "", ValueKind::None, 0, 0, "", "Other", "print the version and the licence and exit", "", "",
          true},
         [](PollOptions &o, const V &) {
             o.version = true;
             return std::string();
         }},
    };
    return rows;
}

std::string PollUsage()
{
    return kUsageHead + cli::HelpList(cli::Specs(PollOptionRows())) + kUsageTail;
}

bool ParsePollOptions(const std::vector<std::string> &args, PollOptions &opt, std::string &error)
{
    if (!cli::Parse(PollOptionRows(), args, opt, error))
        return false;
    if (opt.help || opt.version)
        return true;
    auto fail = [&](const std::string &why) {
        error = why;
        return false;
    };
    if (opt.connType == -1)
        return fail("one of --tcp, --udp, --com is needed");
    if (opt.udpOnly && opt.connType != 1)
        return fail("--local-port: goes with --udp");
    if (opt.comOnly && opt.connType != 2)
        return fail("--baud, --parity, --rs485, --dtr-on: go with --com");
    if (opt.lineOnly && opt.connType != 2)
        return fail("--reply-end, --echo, --tx-delay-before, --tx-delay-after, --request-gap, --line-check: go with "
                    "--com");
    if (opt.lineCheck && (opt.write || opt.scanFrom != 0 || opt.cycles != -1 || opt.seconds >= 0))
        return fail("--line-check: excludes --write, --scan-slaves, --cycles and --seconds");
    if (opt.fc16 && !opt.write)
        return fail("--fc16: goes with --write");
    if (opt.writeValues.size() > 1 && !opt.fc16)
        return fail("--write: several values need --fc16");
    if (opt.cycles != -1 && opt.seconds >= 0)
        return fail("--cycles: excludes --seconds");
    if (opt.writeCoil && opt.write)
        return fail("--write-coil: excludes --write");
    if (opt.writeCoil && opt.cmd == 2)
        return fail("--write-coil: goes with --cmd 1, 3 or 4; discrete inputs (--cmd 2) cannot be written");
    const bool bits = opt.cmd == 1 || opt.cmd == 2;
    if (opt.countGiven >= 0) {
        const int most = bits ? kMaxBitCount : kMaxRegCount;
        if (opt.countGiven < 1 || opt.countGiven > most)
            return fail(cli::Outside("--count", opt.countGiven, 1, most));
        opt.count = uint16_t(opt.countGiven);
    }
    if (bits && opt.typeGiven)
        return fail("--type: goes with --cmd 3 or 4, not with a read of bits");
    const int width = RegistersPerValue(opt.layout.type);
    if (opt.count < width)
        return fail(std::string("--type ") + TypeName(opt.layout.type) + ": needs " + std::to_string(width) +
                    " registers, --count is " + std::to_string(opt.count));
    if (opt.count % width != 0)
        return fail("--count: " + std::to_string(opt.count) + " registers are not a whole number of " +
                    TypeName(opt.layout.type) + " values (" + std::to_string(width) + " registers each)");
    if (opt.scanFrom == 0) {
        if (opt.timeoutGiven)
            return fail("--timeout: goes with --scan-slaves");
    } else {
        const char *clash = opt.slaveGiven       ? "--slave"
                            : opt.write          ? "--write"
                            : opt.periodGiven    ? "--period"
                            : opt.cycles > 0     ? "--cycles"
                            : opt.seconds > 0    ? "--seconds"
                                                 : nullptr;
        if (clash)
            return fail(std::string("--scan-slaves: excludes ") + clash);
        if (opt.timeoutGiven && opt.connType == 2)
            return fail("--timeout: a serial line keeps its own reply time");
    }
    return true;
}
void PollSettings(const PollOptions &opt, TarvixSettings &s, ExchangeChoice &c)
{
    static const char *const kTypeText[] = {"Ethernet TCP", "Ethernet UDP", "COM Port"};
    s.ConnType = opt.connType;
    s.SlaveAddr = opt.slave;
    s.StartReg = opt.start;
    s.RegCount = opt.count;
    s.IPAddr = opt.host;
    s.Port = opt.port;
    s.LocalPort = opt.localPort;
    s.ComPort = opt.comPort;
    s.Baud = std::to_string(opt.baud);
    s.Parity = opt.evenParity;
    s.RS485 = opt.rs485;
    s.DTR = opt.dtrOn;
    c.ConnTypeText = kTypeText[opt.connType];
    c.Cmd4 = opt.cmd == 4;
    c.BitCmd = opt.cmd <= 2 ? opt.cmd : 0;
    c.ModbusIP = opt.crcFraming;
    c.UpdatePeriod = opt.period;
}

