#pragma once
// Command line of tarvix-poll.

#include <cstdint>
#include <string>
#include <vector>

#include "app/exchange_setup.h"
#include "engine/serial_line_options.h"
#include "tools/cli/option_table.h"
#include "tools/poll/poll_format.h"

struct PollOptions {
    int connType = -1;   // 0 TCP, 1 UDP, 2 serial port
    std::string host;   // address text as given
    uint16_t port = 0;
    uint16_t localPort = 0;
    std::string comPort;
    int32_t baud = 115200;
    bool evenParity = true;
    bool rs485 = false;
    bool dtrOn = false;
    bool crcFraming = false;   // --modbus-ip
    uint8_t slave = 1;
    uint8_t cmd = 3;   // 1 coils, 2 discrete inputs, 3 holding, 4 input registers
    uint16_t start = 0;
    uint16_t count = 10;
    uint32_t period = 200;
    bool write = false;
    uint16_t writeReg = 0;
    std::vector<uint16_t> writeValues;
    bool fc16 = false;
    bool writeCoil = false;   // --write-coil: writeReg is the first coil
    std::vector<uint8_t> coilValues;   // 0 or 1 each
    long cycles = -1;   // lines to print, -1 = no limit
    double seconds = -1;   // run time, -1 = no limit

    OutputFormat format = OutputFormat::Tsv;
    bool timestamp = false;   // tsv: the time as the first field
    ValueLayout layout;
    int scanFrom = 0, scanTo = 0;   // --scan-slaves; scanFrom 0: no scan
    int timeoutMs = 200;   // reply time-out of a scan over the network
    bool help = false;
    bool version = false;
    SerialLineOptions line;   // --reply-end, --echo, --tx-delay-*, --request-gap
    bool lineCheck = false;   // --line-check

    // Which of the options that go with others were given.
    bool udpOnly = false, comOnly = false, timeoutGiven = false, slaveGiven = false, periodGiven = false;
    bool typeGiven = false;
    long long countGiven = -1;   // --count as given, -1: none
    bool lineOnly = false;   // a serial line option was given
};

// The most values one write request of the engine carries.
inline constexpr int kMaxWriteValues = 8;

// Parses argv[1..]; false with `error` set to one line naming the option
// and what is wrong with it.
bool ParsePollOptions(const std::vector<std::string> &args, PollOptions &opt, std::string &error);

// The settings and choices the exchange record is filled from, as the
// connection dialog's OK step fills it.
void PollSettings(const PollOptions &opt, TarvixSettings &s, ExchangeChoice &c);

// The rows of tarvix-poll's command line.
const std::vector<cli::Option<PollOptions>> &PollOptionRows();

// The text of --help: usage, the option list from the rows, examples.
std::string PollUsage();
