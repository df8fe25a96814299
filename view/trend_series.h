#pragma once
// What a trend series reads and how: its source in the register image (a
// run of registers read as one typed value; a bit of the bit image is a
// kind for later), checked against the registers the poll reads, and one
// sample of it as a number and as the text a recording writes. Plain C++.

#include <cstdint>
#include <string>

#include "engine/register_values.h"

struct ExchangeRecord;

enum class TrendSourceKind : uint8_t { Register };

struct TrendSource {
    TrendSourceKind kind = TrendSourceKind::Register;
    uint16_t address = 0;   // the first register
    ValueLayout layout;   // the type and word order of a register run
};

// Registers (or bits) the source takes.
int SourceWidth(const TrendSource &source);
// "uint16", "int16", "uint32 (high word first)" ... of the source's type.
std::string SourceTypeName(const TrendSource &source);
// "r100" (the column name tarvix-poll gives a register).
std::string SourceDefaultName(const TrendSource &source);

// Why the poll cannot give the source ("" when it can): the registers it
// takes must all lie in those read.
std::string SourceReadProblem(const TrendSource &source, const ExchangeRecord &rec);

// One reading of the source from the image: false when the registers are
// not all read. `number` for the plot, `text` for a recording.
bool ReadSource(const TrendSource &source, const ExchangeRecord &rec, double &number, std::string &text);
