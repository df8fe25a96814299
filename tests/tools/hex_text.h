#pragma once
// Frames written as hex text in the tests: "01 03 00 00" <-> bytes.
#include "tools/slave/slave_core.h"

#include <sstream>
#include <string>
#include <vector>

inline std::vector<uint8_t> Bytes(const std::string &hex)
{
    std::vector<uint8_t> v;
    std::istringstream in(hex);
    std::string b;
    while (in >> b)
        v.push_back(uint8_t(std::stoul(b, nullptr, 16)));
    return v;
}

inline std::string Hex(const std::vector<uint8_t> &v) { return slave::HexBytes(v.data(), v.size()); }
