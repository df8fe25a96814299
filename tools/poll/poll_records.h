#pragma once
// What tarvix-poll prints of one exchange, and of one answer of a scan.

#include <cstdint>
#include <ctime>

#include "tools/poll/poll_format.h"
#include "tools/poll/poll_options.h"

// One exchange as the Display shows it.
struct ExchangeShown {
    timespec time{};
    int32_t request = 0;
    uint8_t status = 0;
    int32_t errors = 0;
    const uint8_t *req = nullptr;
    int reqLen = 0;
    const uint8_t *reply = nullptr;
    int replyLen = 0;
    int exception = -1;   // the code of an exception reply, -1 for none
    const uint16_t *regs = nullptr;   // the register image, nullptr before a good read
    int regCount = 0;
    const uint8_t *bits = nullptr;   // the bit image of a bit read (one 0/1 a bit), nullptr before a good read
};

// The record of an exchange: tsv as the plain line (the time first with
// --timestamp, the image whenever there is one); csv and JSON with the time,
// the exception and the values of this exchange's own good read only.
OutRecord ExchangeOutRecord(const ExchangeShown &x, const PollOptions &opt);

// The record of a scan's answer from `slave`.
// `bits` instead of `regs` for a bit read.
OutRecord ScanOutRecord(const timespec &time, int slave, uint8_t status, int exception, const uint16_t *regs,
                        int regCount, const PollOptions &opt, const uint8_t *bits = nullptr);

// The CSV header's value column names of the options' read.
std::vector<std::string> ValueColumns(const PollOptions &opt);

// The exception code of a raw reply the framing check passed but whose
// function code is `cmd` with the high bit set; -1 otherwise. `header`: the
// 6-byte network header leads the frame, else the frame ends in a CRC.
int ExceptionOfReply(const uint8_t *reply, int len, bool header, uint8_t slave, uint8_t cmd);
