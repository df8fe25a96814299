#pragma once
// tarvix-poll --line-check: 100 reads over a serial line with the options
// given, and a report of what the line did: echo, reply latency, pauses
// inside replies, bytes left over, CRC and line errors, and the options it
// suggests.

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/channel.h"

struct LineCheckRequest {
    uint8_t slave = 1;
    uint8_t cmd = 3;
    uint16_t start = 0;
    uint16_t count = 10;
    int exchanges = 100;
};

// What the exchanges gave, by status.
struct LineCheckCounts {
    int good = 0, noReply = 0, crc = 0, lineErrors = 0, echoMismatch = 0, other = 0;
};

// The report's lines (no trailing newline after the last), from the counts,
// the channel's statistics and the options used.
std::string LineCheckReport(const ChannelSettings &cs, const LineCheckRequest &req, const LineCheckCounts &counts,
                            const SerialLineStats &stats);

// Opens the serial channel of `cs`, runs the exchanges and writes the report
// to `out`. Echo "off" is checked as "auto", so that an echo shows. Returns
// 0 when any reply was good, 1 otherwise (or when the port did not open).
int RunLineCheck(ChannelSettings cs, const LineCheckRequest &req, std::FILE *out, const StopFlag &stop);
