// Command line of tarvix-poll.

#include "tools/poll/poll_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char kPollUsage[] =
    "usage: tarvix-poll (--tcp HOST:PORT | --udp HOST:PORT [--local-port N] |\n"
    "                    --com PORT [--baud N] [--parity even|none] [--rs485] [--dtr-on])\n"
    "                   [--modbus-ip] [--slave N] [--cmd 3|4] [--start N] [--count N] [--period MS]\n"
    "                   [--write REG=HEX[,HEX...] [--fc16]] [--cycles N | --seconds S]\n"
    "                   [--format tsv|csv|jsonl] [--timestamp]\n"
    "                   [--type uint16|int16|uint32|int32|float32|float64]\n"
    "                   [--word-order big|little] [--byte-swap]\n"
    "       tarvix-poll ... --scan-slaves A-B [--timeout MS]\n"
    "       tarvix-poll --help | --version\n"
    "Prints one line per exchange shown; an answered --write is shown with the read that\n"
    "follows it. --cycles N ends after N such lines, --seconds S after S seconds.\n"
    "  --format tsv     (default) tab-separated: request count, status, error count,\n"
    "                   request bytes, reply bytes, register values (uint16 in hex)\n"
    "  --format csv     RFC 4180 with a header row: time,request,status,errors,\n"
    "                   request_frame,reply_frame,exception,r<address>...\n"
    "  --format jsonl   one JSON object a line, the same fields, \"registers\" an array\n"
    "  --timestamp      tsv: local time (ISO 8601, ms, UTC offset) as the first field\n"
    "  --type T         read the registers as T values (32-bit: 2 registers, float64: 4)\n"
    "  --word-order big|little   first register is the high word (big, default) or the low\n"
    "  --byte-swap      the two bytes of every register are swapped\n"
    "  --write REG=HEX[,HEX...]  write after the first good read; several values need --fc16\n"
    "  --scan-slaves A-B  one read from each slave address A..B (1-247), then a summary\n"
    "                   on standard error; exit 0 when any answered, 1 when none did\n"
    "  --timeout MS     reply time-out of a scan over the network (default 200)\n"
    "Registers are shown only for exchanges that read them (csv, jsonl); an exception\n"
    "reply is named on standard error and in the exception field.\n"
    "Examples:\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --count 4 --cycles 2\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --count 4 --seconds 60 --format csv > log.csv\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --count 4 --format jsonl --cycles 1\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --start 100 --count 4 --type float32 --word-order little\n"
    "  tarvix-poll --tcp 127.0.0.1:502 --scan-slaves 1-247 --count 1\n"
    "Exit status: 0 after the cycles or seconds (or a signal, or the reader of standard\n"
    "output going away) with the channel open, 1 when the channel could not be opened\n"
    "or standard output failed, 2 for bad arguments.\n";

namespace {

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

const struct {
    const char *name;
    ValueType type;
} kTypes[] = {
    {"uint16", ValueType::UInt16}, {"int16", ValueType::Int16},     {"uint32", ValueType::UInt32},
    {"int32", ValueType::Int32},   {"float32", ValueType::Float32}, {"float64", ValueType::Float64},
};

const char *TypeName(ValueType t)
{
    for (const auto &k : kTypes)
        if (k.type == t)
            return k.name;
    return "?";
}

}   // namespace

bool ParsePollOptions(const std::vector<std::string> &args, PollOptions &opt, std::string &error)
{
    // Options seen, for the checks of what goes with what.
    bool udpOnly = false, comOnly = false, timeoutGiven = false, slaveGiven = false, periodGiven = false;
    const char *typeGiven = nullptr;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto fail = [&](const std::string &why) {
            error = a + ": " + why;
            return false;
        };
        auto value = [&](std::string &out) {
            if (i + 1 >= args.size())
                return fail("needs a value");
            out = args[++i];
            return true;
        };
        auto number = [&](long long lo, long long hi, long long &out) {
            std::string v;
            if (!value(v))
                return false;
            if (!ParseNumber(v, lo, hi, out, 10))
                return fail("'" + v + "' is not a whole number from " + std::to_string(lo) + " to " +
                            std::to_string(hi));
            return true;
        };
        long long n = 0;
        std::string v;
        if (a == "--tcp" || a == "--udp") {
            if (opt.connType != -1)
                return fail("only one of --tcp, --udp, --com");
            if (!value(v))
                return false;
            if (!ParseHostPort(v, opt.host, opt.port))
                return fail("'" + v + "' is not HOST:PORT");
            opt.connType = a == "--tcp" ? 0 : 1;
        } else if (a == "--com") {
            if (opt.connType != -1)
                return fail("only one of --tcp, --udp, --com");
            if (!value(opt.comPort))
                return false;
            if (opt.comPort.empty())
                return fail("empty port name");
            opt.connType = 2;
        } else if (a == "--local-port") {
            if (!number(0, 65535, n))
                return false;
            opt.localPort = static_cast<uint16_t>(n);
            udpOnly = true;
        } else if (a == "--baud") {
            if (!number(1, 4000000, n))
                return false;
            opt.baud = static_cast<int32_t>(n);
            comOnly = true;
        } else if (a == "--parity") {
            if (!value(v))
                return false;
            if (v != "even" && v != "none")
                return fail("is even or none, not '" + v + "'");
            opt.evenParity = v == "even";
            comOnly = true;
        } else if (a == "--rs485") {
            opt.rs485 = comOnly = true;
        } else if (a == "--dtr-on") {
            opt.dtrOn = comOnly = true;
        } else if (a == "--modbus-ip") {
            opt.crcFraming = true;
        } else if (a == "--slave") {
            if (!number(0, 247, n))
                return false;
            opt.slave = static_cast<uint8_t>(n);
            slaveGiven = true;
        } else if (a == "--cmd") {
            if (!number(3, 4, n))
                return false;
            opt.cmd = static_cast<uint8_t>(n);
        } else if (a == "--start") {
            if (!number(0, 65535, n))
                return false;
            opt.start = static_cast<uint16_t>(n);
        } else if (a == "--count") {
            if (!number(1, kMaxRegCount, n))
                return false;
            opt.count = static_cast<uint16_t>(n);
        } else if (a == "--period") {
            if (!number(0, 4294967295LL, n))
                return false;
            opt.period = static_cast<uint32_t>(n);
            periodGiven = true;
        } else if (a == "--write") {
            if (!value(v))
                return false;
            if (!ParseWrite(v, opt.writeReg, opt.writeValues))
                return fail("'" + v + "' is not REG=HEX[,HEX...]");
            if (opt.writeValues.size() > size_t(kMaxWriteValues))
                return fail("at most " + std::to_string(kMaxWriteValues) + " values");
            if (opt.writeReg + opt.writeValues.size() > 65536)
                return fail("the values run past register 65535");
            opt.write = true;
        } else if (a == "--fc16") {
            opt.fc16 = true;
        } else if (a == "--cycles") {
            if (!number(1, 1000000000LL, n))
                return false;
            opt.cycles = static_cast<long>(n);
        } else if (a == "--seconds") {
            if (!value(v))
                return false;
            char *end = nullptr;
            const double s = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !std::isfinite(s) || s <= 0 || s > 1e7)
                return fail("'" + v + "' is not a number of seconds above 0");
            opt.seconds = s;
        } else if (a == "--format") {
            if (!value(v))
                return false;
            if (v == "tsv")
                opt.format = OutputFormat::Tsv;
            else if (v == "csv")
                opt.format = OutputFormat::Csv;
            else if (v == "jsonl")
                opt.format = OutputFormat::Jsonl;
            else
                return fail("is tsv, csv or jsonl, not '" + v + "'");
        } else if (a == "--timestamp") {
            opt.timestamp = true;
        } else if (a == "--type") {
            if (!value(v))
                return false;
            typeGiven = nullptr;
            for (const auto &k : kTypes)
                if (v == k.name) {
                    opt.layout.type = k.type;
                    typeGiven = k.name;
                }
            if (!typeGiven)
                return fail("is uint16, int16, uint32, int32, float32 or float64, not '" + v + "'");
        } else if (a == "--word-order") {
            if (!value(v))
                return false;
            if (v != "big" && v != "little")
                return fail("is big or little, not '" + v + "'");
            opt.layout.order = v == "big" ? WordOrder::HighFirst : WordOrder::LowFirst;
        } else if (a == "--byte-swap") {
            opt.layout.byteSwap = true;
        } else if (a == "--scan-slaves") {
            if (!value(v))
                return false;
            const auto dash = v.find('-');
            long long from = 0, to = 0;
            if (dash == std::string::npos || !ParseNumber(v.substr(0, dash), 1, 247, from, 10) ||
                !ParseNumber(v.substr(dash + 1), 1, 247, to, 10) || from > to)
                return fail("'" + v + "' is not a range A-B of slave addresses, 1 <= A <= B <= 247");
            opt.scanFrom = static_cast<int>(from);
            opt.scanTo = static_cast<int>(to);
        } else if (a == "--timeout") {
            if (!number(1, 60000, n))
                return false;
            opt.timeoutMs = static_cast<int>(n);
            timeoutGiven = true;
        } else {
            error = a + ": unknown option";
            return false;
        }
    }
    if (opt.connType == -1) {
        error = "one of --tcp, --udp, --com is needed";
        return false;
    }
    if (udpOnly && opt.connType != 1) {
        error = "--local-port: goes with --udp";
        return false;
    }
    if (comOnly && opt.connType != 2) {
        error = "--baud, --parity, --rs485, --dtr-on: go with --com";
        return false;
    }
    if (opt.fc16 && !opt.write) {
        error = "--fc16: goes with --write";
        return false;
    }
    if (opt.writeValues.size() > 1 && !opt.fc16) {
        error = "--write: several values need --fc16";
        return false;
    }
    if (opt.cycles != -1 && opt.seconds >= 0) {
        error = "--cycles: excludes --seconds";
        return false;
    }
    const int width = RegistersPerValue(opt.layout.type);
    if (opt.count < width) {
        error = std::string("--type ") + TypeName(opt.layout.type) + ": needs " + std::to_string(width) +
                " registers, --count is " + std::to_string(opt.count);
        return false;
    }
    if (opt.count % width != 0) {
        error = "--count: " + std::to_string(opt.count) + " registers are not a whole number of " +
                TypeName(opt.layout.type) + " values (" + std::to_string(width) + " registers each)";
        return false;
    }
    if (opt.scanFrom == 0) {
        if (timeoutGiven) {
            error = "--timeout: goes with --scan-slaves";
            return false;
        }
    } else {
        const char *clash = slaveGiven     ? "--slave"
                            : opt.write    ? "--write"
                            : periodGiven  ? "--period"
                            : opt.cycles > 0 ? "--cycles"
                            : opt.seconds > 0 ? "--seconds"
                                              : nullptr;
        if (clash) {
            error = std::string("--scan-slaves: excludes ") + clash;
            return false;
        }
        if (timeoutGiven && opt.connType == 2) {
            error = "--timeout: a serial line keeps its own reply time";
            return false;
        }
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
    c.ModbusIP = opt.crcFraming;
    c.UpdatePeriod = opt.period;
}
