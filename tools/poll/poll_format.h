#pragma once
// Output records of tarvix-poll: typed register values, exception names,
// time stamps, and one record as a tab-separated line, a CSV row or a JSON
// line.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "engine/register_values.h"

enum class OutputFormat { Tsv, Csv, Jsonl };

enum class ValueType { UInt16, Int16, UInt32, Int32, Float32, Float64, UInt64, Int64 };

// How the registers are read as values.
struct ValueLayout {
    ValueType type = ValueType::UInt16;
    WordOrder order = WordOrder::HighFirst;
    bool byteSwap = false;   // the two bytes of each register exchanged first
};

// The register order of the layout, as the grid names it.
inline RegisterOrder OrderOf(const ValueLayout &layout)
{
    return {layout.order, layout.byteSwap};
}

// Registers one value of `type` takes: 1, 2 or 4.
int RegistersPerValue(ValueType type);

// The values of `count` registers (a whole number of values), one text each:
// uint16 as four hexadecimal digits in tsv, every other number in decimal;
// floats in the shortest text that reads back to the same value, and a NaN
// or an infinity as "nan", "inf", "-inf" (null in JSON).
std::vector<std::string> ValueTexts(const uint16_t *regs, int count, const ValueLayout &layout, OutputFormat format);

// The name of a Modbus exception code, nullptr for a code without one.
const char *ExceptionName(uint8_t code);
// "02 Illegal Data Address"; "0C Unknown Exception" for a code without a name.
std::string ExceptionText(uint8_t code);

// Local time in ISO 8601 with milliseconds and the UTC offset, e.g.
// "2026-12-09T14:03:07.412+01:00".
std::string IsoLocalTime(const timespec &t);

// A CSV field per RFC 4180: quoted (quotes doubled) when it holds a comma,
// a quote, CR or LF; as it is otherwise.
std::string CsvField(const std::string &text);
// A JSON string literal: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string &text);

// One output record: named fields, then the register values.
struct OutField {
    std::string name;
    std::string text;   // empty with `null` set gives an empty field / JSON null
    bool string = true;   // a JSON string; else `text` is a JSON number
    bool null = false;
};
struct OutRecord {
    std::vector<OutField> fields;
    std::vector<std::string> values;   // empty with `noValues`: empty columns, JSON null
    bool noValues = false;
    int valueColumns = 0;   // CSV: columns the values take in every row
};

// The record as one line, its end included: tsv fields joined by tabs, then
// a tab and the values joined by spaces; CSV with CRLF, one column per
// value; JSON with the values as the array "registers".
std::string FormatRecord(const OutRecord &rec, OutputFormat format);
// The CSV header row: the field names, then the value column names.
std::string CsvHeader(const OutRecord &rec, const std::vector<std::string> &valueNames);

// Names of the value columns: "r" and the address of each value's first register.
std::vector<std::string> ValueColumnNames(uint16_t start, int count, ValueType type);

// Frame bytes as upper-case hexadecimal pairs separated by spaces.
std::string HexFrame(const uint8_t *p, int n);
