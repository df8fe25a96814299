#pragma once
// What a trend series reads and how: its source in the register image (a
// run of registers read as one typed value) or in the bit image (one coil
// or discrete input, 0 or 1), checked against what the poll reads, and one
// sample of it as a number and as the text a recording writes. Plain C++.

#include <cstdint>
#include <string>

#include "engine/register_values.h"

struct ExchangeRecord;

enum class TrendSourceKind : uint8_t { Register, Coil, DiscreteInput };

struct TrendSource {
    TrendSourceKind kind = TrendSourceKind::Register;
    uint16_t address = 0;   // the first register, or the bit
    ValueLayout layout;   // the type and word order of a register run
};

// The source of the cell at image index `index` of what the poll reads now:
// a register (uint16), or a coil or discrete input when bits are read.
TrendSource SourceOfCell(const ExchangeRecord &rec, int index);
// "register", "coil" or "discrete input".
const char *SourceNoun(const TrendSource &source);
// The image the source reads was filled by the last good reply.
bool SourceImageValid(const TrendSource &source, const ExchangeRecord &rec);

// Registers (or bits) the source takes.
int SourceWidth(const TrendSource &source);
// "uint16", "int16", "uint32 (high word first)" ... of the source's type;
// "bit" for a coil or discrete input.
std::string SourceTypeName(const TrendSource &source);
// "r100", "c100", "d100" (the column names tarvix-poll gives).
std::string SourceDefaultName(const TrendSource &source);

// Why the poll cannot give the source ("" when it can): the registers it
// takes must all lie in those read; a bit must be of the table read.
std::string SourceReadProblem(const TrendSource &source, const ExchangeRecord &rec);

// One reading of the source from the image: false when the registers are
// not all read. `number` for the plot, `text` for a recording.
bool ReadSource(const TrendSource &source, const ExchangeRecord &rec, double &number, std::string &text);
