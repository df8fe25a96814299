// Command line and output line of tarvix-poll.

#include "tools/poll/poll_options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/modbus_frames.h"

const char kPollUsage[] =
    "usage: tarvix-poll (--tcp HOST:PORT | --udp HOST:PORT [--local-port N] |\n"
    "                    --com PORT [--baud N] [--parity even|none] [--rs485] [--dtr-on])\n"
    "                   [--modbus-ip] [--slave N] [--cmd 3|4] [--start N] [--count N] [--period MS]\n"
    "                   [--write REG=HEX [--fc16]] [--cycles N | --seconds S]\n"
    "Prints one tab-separated line per exchange shown (request count, status, error count,\n"
    "request bytes, reply bytes, register values); an answered --write is shown with the\n"
    "read that follows it. --cycles N ends after N such lines, --seconds S after S seconds.\n"
    "Exit status: 0 after the cycles or seconds (or a signal) with the channel open,\n"
    "1 when the channel could not be opened, 2 for bad arguments.\n";

namespace {

// Whole number in [lo, hi]; decimal, or hex with 0x.
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

}   // namespace

bool ParsePollOptions(const std::vector<std::string> &args, PollOptions &opt, std::string &error)
{
    bool udpOnly = false, comOnly = false, fc16 = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](long long lo, long long hi, long long &out) {
            std::string v;
            if (!value(v))
                return false;
            if (!ParseNumber(v, lo, hi, out, 10)) {
                error = "bad value for " + a + ": " + v;
                return false;
            }
            return true;
        };
        long long n = 0;
        std::string v;
        if (a == "--tcp" || a == "--udp") {
            if (opt.connType != -1) {
                error = "only one of --tcp, --udp, --com";
                return false;
            }
            if (!value(v))
                return false;
            if (!ParseHostPort(v, opt.host, opt.port)) {
                error = "bad HOST:PORT: " + v;
                return false;
            }
            opt.connType = a == "--tcp" ? 0 : 1;
        } else if (a == "--com") {
            if (opt.connType != -1) {
                error = "only one of --tcp, --udp, --com";
                return false;
            }
            if (!value(opt.comPort))
                return false;
            if (opt.comPort.empty()) {
                error = "empty port name";
                return false;
            }
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
            if (v != "even" && v != "none") {
                error = "--parity is even or none";
                return false;
            }
            opt.evenParity = v == "even";
            comOnly = true;
        } else if (a == "--rs485") {
            opt.rs485 = comOnly = true;
        } else if (a == "--dtr-on") {
            opt.dtrOn = comOnly = true;
        } else if (a == "--modbus-ip") {
            opt.crcFraming = true;
        } else if (a == "--slave") {
            if (!number(0, 255, n))
                return false;
            opt.slave = static_cast<uint8_t>(n);
        } else if (a == "--cmd") {
            if (!number(3, 4, n))
                return false;
            opt.cmd = static_cast<uint8_t>(n);
        } else if (a == "--start") {
            if (!number(0, 65535, n))
                return false;
            opt.start = static_cast<uint16_t>(n);
        } else if (a == "--count") {
            if (!number(0, 1024, n))
                return false;
            opt.count = static_cast<uint16_t>(n);
        } else if (a == "--period") {
            if (!number(0, 4294967295LL, n))
                return false;
            opt.period = static_cast<uint32_t>(n);
        } else if (a == "--write") {
            if (!value(v))
                return false;
            const auto eq = v.find('=');
            long long reg = 0, val = 0;
            if (eq == std::string::npos || !ParseNumber(v.substr(0, eq), 0, 65535, reg) ||
                !ParseNumber(v.substr(eq + 1), 0, 0xFFFF, val, 16)) {
                error = "bad --write REG=HEX: " + v;
                return false;
            }
            opt.write = true;
            opt.writeReg = static_cast<uint16_t>(reg);
            opt.writeValue = static_cast<uint16_t>(val);
        } else if (a == "--fc16") {
            fc16 = true;
        } else if (a == "--cycles") {
            if (!number(1, 1000000000LL, n))
                return false;
            opt.cycles = static_cast<long>(n);
        } else if (a == "--seconds") {
            if (!value(v))
                return false;
            char *end = nullptr;
            const double s = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !std::isfinite(s) || s <= 0 || s > 1e7) {
                error = "bad value for --seconds: " + v;
                return false;
            }
            opt.seconds = s;
        } else {
            error = "unknown argument: " + a;
            return false;
        }
    }
    if (opt.connType == -1) {
        error = "one of --tcp, --udp, --com is needed";
        return false;
    }
    if (udpOnly && opt.connType != 1) {
        error = "--local-port goes with --udp";
        return false;
    }
    if (comOnly && opt.connType != 2) {
        error = "--baud, --parity, --rs485, --dtr-on go with --com";
        return false;
    }
    if (fc16 && !opt.write) {
        error = "--fc16 goes with --write";
        return false;
    }
    if (opt.cycles != -1 && opt.seconds >= 0) {
        error = "--cycles and --seconds exclude each other";
        return false;
    }
    opt.fc16 = fc16;
    return true;
}

void FillRecord(const PollOptions &opt, ExchangeRecord &rec)
{
    static const char *const kTypeText[] = {"Ethernet TCP", "Ethernet UDP", "COM Port"};
    rec.Conn.Kind = static_cast<ConnKind>(opt.connType);
    rec.ConnTypeText = kTypeText[opt.connType];
    rec.Conn.ComPortName = opt.comPort;
    rec.Conn.BaudRate = opt.baud;
    rec.Conn.EvenParity = opt.evenParity;
    rec.Conn.RS485Control = opt.rs485;
    rec.Conn.DTRAlwaysOn = opt.dtrOn;
    rec.Conn.CharTime = 14976000 / opt.baud;
    rec.Conn.IPAddr = opt.host;
    rec.Conn.TargetPort = opt.port;
    rec.SlaveAddr = opt.slave;
    rec.StartReg = opt.start;
    rec.RegCount = opt.count;
    rec.ReadCmd = static_cast<FunctionCode>(opt.cmd);
    rec.UpdatePeriod = opt.period;
    rec.Conn.CrcFraming = opt.crcFraming;
    rec.Conn.UDPLocalPort = opt.localPort;
    rec.WriteBy0x10On = opt.fc16;
    rec.AllocRegValues(opt.count);
}

std::string FormatDisplayLine(int32_t reqCount, uint8_t status, int32_t errorCount, const uint8_t *req, int reqLen,
                              const uint8_t *reply, int replyLen, const uint16_t *values, int valueCount)
{
    char buf[16];
    std::string line = std::to_string(reqCount);
    line += '\t';
    line += StatusText(status, buf);
    line += '\t';
    line += std::to_string(errorCount);
    auto bytes = [&](const uint8_t *p, int n) {
        line += '\t';
        for (int i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", p[i]);
            line += buf;
        }
    };
    bytes(req, reqLen);
    bytes(reply, replyLen);
    line += '\t';
    for (int i = 0; i < valueCount; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %04X" : "%04X", values[i]);
        line += buf;
    }
    return line;
}
