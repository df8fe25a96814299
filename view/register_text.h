#pragma once
// Texts of the register view: the readings of a register, the hexadecimal
// scanning of a grid edit and the frame dumps. Plain functions, no widgets.

#include <atomic>
#include <cstdint>
#include <string>

// Scans like the C library's "%X": leading white space, an optional sign, an
// optional "0x"/"0X", then hexadecimal digits up to the first other
// character (the rest is ignored). Returns false when no number begins the
// text. The value wraps modulo 2^32 (a sign negates it as unsigned).
bool ScanHex(const std::string &text, uint32_t &value);

// A float reading of 32 bits: "?" for a NaN other than the default quiet
// NaN, "+INF"/"-INF" and "+NAN"/"-NAN" for the infinities and the default
// quiet NaN (fraction 0x400000), otherwise "%g" of the value.
std::string FloatText(uint32_t bits);

// The six readings of register index i of an image of `count` values;
// every field empty when i is not a register, the 32-bit fields empty for
// the last register.
struct RegisterReadings {
    std::string Int, DecWord, DecLong, Float, FloatSw, MilliAmps;
};
RegisterReadings ReadRegister(const std::atomic<uint16_t> *values, int count, int i);

// Each byte as " %02X"; an empty frame gives "".
std::string FrameDump(const uint8_t *frame, int len);
