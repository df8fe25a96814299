#include "tests/support/hex.h"

#include <cstdio>
#include <sstream>

std::string HexBytes(const uint8_t *p, int n)
{
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}

std::vector<uint8_t> Bytes(const std::string &hex)
{
    std::vector<uint8_t> v;
    std::istringstream in(hex);
    std::string b;
    while (in >> b)
        v.push_back(uint8_t(std::stoul(b, nullptr, 16)));
    return v;
}
