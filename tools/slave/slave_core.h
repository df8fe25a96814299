#pragma once
// The simulated slave without its transports: command-line options, the
// register bank, the answer to one request frame and the fault plan that
// turns an answer into timed byte chunks on the wire. The transports
// (tcp, udp, serial line) live in slave_main.cpp.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/cli/option_table.h"

namespace slave {

using Clock = std::chrono::steady_clock;

enum class Transport { None, Tcp, Udp, Rtu, RtuPty };

// The link a request came over; decides which faults apply.
enum class Link { Tcp, Udp, Serial };

struct Options {
    Transport transport = Transport::None;
    int port = 0;
    std::string device;
    bool crcFraming = false;   // --modbus-ip on tcp/udp; always on serial
    int slave = 1;   // the first address of --slave LIST
    std::vector<int> slaves{1};   // every address answered as
    double seconds = 60;
    bool animate = false;
    bool log = false;
    int baud = 115200;
    bool evenParity = true;

    // Faults, applied to the replies numbered faultFrom .. faultFrom+faultCount-1
    // (faultCount < 0: all from faultFrom on).
    long faultFrom = 1;
    long faultCount = -1;
    int delayMs = 0;
    bool drop = false;
    bool badCrc = false;
    bool badTid = false;
    bool badProto = false;
    bool badLength = false;
    bool shortRead = false;
    int exceptionCode = 0;
    int refuseWritesCode = 0;
    int splitMs = -1;   // < 0: off
    int closeAfter = 0;   // replies per tcp connection; 0: never
    bool udpOtherPort = false;
    bool twice = false;
    int twiceAfterMs = 150;   // the copy of a doubled reply follows this late
    bool extraByte = false;
    int gapMs = -1;   // < 0: off

    bool help = false;
    bool version = false;
    int transportsGiven = 0;
};

// Parses argv into `out`. On failure returns false with a message in `err`.
// `help` is set when --help was given.
bool ParseOptions(int argc, char **argv, Options &out, std::string &err, bool &help);
// The rows of the command line, and the --help text made from them.
const std::vector<cli::Option<Options>> &OptionRows();
std::string UsageText();

// Does the slave answer requests for address `a`?
bool AnswersAs(const Options &o, int a);

std::string HexBytes(const uint8_t *data, size_t len);

// 65536 holding registers (register a starts as a) and 65536 input registers
// whose value follows the clock: (a + tenths of seconds since start) & 0xFFFF.
class RegisterBank {
public:
    explicit RegisterBank(Clock::time_point start);
    uint16_t Holding(uint16_t a) const { return holding_[a]; }
    void SetHolding(uint16_t a, uint16_t v) { holding_[a] = v; }
    uint16_t Input(uint16_t a, Clock::time_point now) const;
    // Counts holding registers 0..15 up once for every whole second elapsed.
    void Animate(Clock::time_point now);

private:
    std::vector<uint16_t> holding_;
    Clock::time_point start_;
    long animatedSeconds_ = 0;
};

// Answers one request frame (address first, no header or CRC). Returns the
// reply frame, or nothing when the request is for another address or too
// short to carry a function code. Writes are applied here.
// `faulty` says whether the fault options apply to this reply.
std::optional<std::vector<uint8_t>> AnswerFrame(RegisterBank &bank, const Options &o, bool faulty, const uint8_t *frame,
                                                size_t len, Clock::time_point now);

// One piece of a reply on the wire, due `afterMs` after the request came.
struct Chunk {
    int afterMs = 0;
    std::vector<uint8_t> bytes;
};

struct Response {
    std::vector<Chunk> chunks;   // in sending order, afterMs not decreasing
    bool fromOtherPort = false;   // udp: send through the second socket
};

// The simulated slave: numbers the requests, answers them and lays the
// answer out on the wire with the faults that apply to it.
class Slave {
public:
    Slave(const Options &o, Clock::time_point start, FILE *log = stdout);
    // `tid` is the transaction id of a header-framed request.
    // Returns nothing when no reply goes out (another address, --drop).
    std::optional<Response> Handle(const uint8_t *frame, size_t len, Link link, uint16_t tid, Clock::time_point now);
    void Tick(Clock::time_point now);
    long Numbered() const { return numbered_; }
    const RegisterBank &Bank() const { return bank_; }

private:
    bool FaultApplies(long n) const;
    std::vector<uint8_t> Frame(const std::vector<uint8_t> &reply, Link link, uint16_t tid, bool faulty) const;

    Options o_;
    RegisterBank bank_;
    FILE *log_;
    long numbered_ = 0;
};

// Finds the end of requests in the serial framing on a byte stream (serial
// line, tcp with --modbus-ip): by the length the function code implies, or
// by a pause of `gapMs` in the stream for other functions. Frames whose CRC
// does not match are thrown away together with whatever followed them.
class CrcCollector {
public:
    explicit CrcCollector(int gapMs) : gapMs_(gapMs) {}
    void Feed(const uint8_t *data, size_t n, Clock::time_point now);
    // Takes the next complete request into `frame` (CRC removed).
    bool Next(Clock::time_point now, std::vector<uint8_t> &frame);
    // When Next should be asked again if no bytes come; nothing when idle.
    std::optional<Clock::time_point> Deadline() const;
    size_t Pending() const { return buf_.size(); }

private:
    std::vector<uint8_t> buf_;
    Clock::time_point last_{};
    int gapMs_;
};

// Length of a serial-framed request (CRC included) judged from its first
// bytes: 0 when more bytes are needed to tell, -1 for functions whose length
// is not known (the end is found by the pause).
int ExpectedCrcRequestLength(const uint8_t *buf, size_t n);

// Largest frame a header-framed request may announce.
constexpr int kMaxHeaderLength = 260;

}   // namespace slave
