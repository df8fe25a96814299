#pragma once
// Command line of tarvix-poll.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/exchange_record.h"

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
    uint8_t cmd = 3;
    uint16_t start = 0;
    uint16_t count = 10;
    uint32_t period = 200;
    bool write = false;
    uint16_t writeReg = 0;
    uint16_t writeValue = 0;
    bool fc16 = false;
    long cycles = -1;   // lines to print, -1 = no limit
    double seconds = -1;   // run time, -1 = no limit
};

// Parses argv[1..]; false with `error` set for bad arguments.
bool ParsePollOptions(const std::vector<std::string> &args, PollOptions &opt, std::string &error);

// Fills the exchange record from the options (allocates the register image).
void FillRecord(const PollOptions &opt, ExchangeRecord &rec);

// One output line: ReqCount, status text, ErrorCount, request, reply and the
// register image, separated by tabs.
std::string FormatDisplayLine(int32_t reqCount, uint8_t status, int32_t errorCount, const uint8_t *req, int reqLen,
                              const uint8_t *reply, int replyLen, const uint16_t *values, int valueCount);

extern const char kPollUsage[];
