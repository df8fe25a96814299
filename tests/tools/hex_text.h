#pragma once
// Frames written as hex text in the tests: "01 03 00 00" <-> bytes.
#include "tests/support/hex.h"
#include "tools/slave/slave_core.h"

#include <string>
#include <vector>

inline std::string Hex(const std::vector<uint8_t> &v)
{
    return slave::HexBytes(v.data(), v.size());
}
