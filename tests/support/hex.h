#pragma once
// Frames as hex text in the tests: "01 03 00 00" and back.

#include <cstdint>
#include <string>
#include <vector>

// Bytes as upper-case hex pairs separated by single blanks.
std::string HexBytes(const uint8_t *p, int n);
// Hex pairs separated by white space as bytes.
std::vector<uint8_t> Bytes(const std::string &hex);
