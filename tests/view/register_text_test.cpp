// The value panel's texts as plain functions: the six readings of a register
// and its neighbour, the float display rule and the frame dumps.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "view/register_text.h"

namespace {

struct Image {
    explicit Image(std::vector<uint16_t> v) : values(v.size())
    {
        for (size_t i = 0; i < v.size(); ++i)
            values[i].store(v[i]);
    }
    RegisterReadings Read(int i) const { return ReadRegister(values.data(), int(values.size()), i); }
    std::vector<std::atomic<uint16_t>> values;
};

std::vector<std::string> Fields(const RegisterReadings &r)
{
    return {r.Int, r.DecWord, r.DecLong, r.Float, r.FloatSw, r.MilliAmps};
}

TEST(RegisterText, ReadingsOfARegisterAndTheNext)
{
    struct Row {
        uint16_t v, w;
        std::vector<std::string> texts;
    };
    const Row rows[] = {
        {0x0FDB, 0x4049, {"4059", "4059", "1078530011", "3.14159", "2.16198e-29", "1.548 mA"}},
        {0xFFFF, 0x0000, {"-1", "65535", "65535", "9.18341e-41", "?", "25.000 mA"}},
        {0x0000, 0x7F80, {"0", "0", "2139095040", "+INF", "4.57384e-41", "0.000 mA"}},
        {0x0001, 0x7F80, {"1", "1", "2139095041", "?", "1.37574e-40", "0.000 mA"}},
        {0x7FC0, 0x0000, {"32704", "32704", "32704", "4.58281e-41", "+NAN", "12.476 mA"}},
        {0x0000, 0x8000, {"0", "0", "-2147483648", "-0", "4.59177e-41", "0.000 mA"}},
    };
    for (const Row &r : rows) {
        const Image img({r.v, r.w});
        EXPECT_EQ(Fields(img.Read(0)), r.texts) << std::hex << r.v << " " << r.w;
    }
}

TEST(RegisterText, LastRegisterAndCellsBeyondTheImage)
{
    const Image img({0x0FDB, 0x8000});
    EXPECT_EQ(Fields(img.Read(1)), (std::vector<std::string>{"-32768", "32768", "", "", "", "12.500 mA"}));
    const std::vector<std::string> empty(6);
    for (int i : {-1, 2, 1000})
        EXPECT_EQ(Fields(img.Read(i)), empty) << i;
    EXPECT_EQ(Fields(ReadRegister(nullptr, 0, 0)), empty);
}

TEST(RegisterText, FloatDisplayRule)
{
    const std::pair<uint32_t, const char *> cases[] = {
        {0x7F800000, "+INF"}, {0xFF800000, "-INF"}, {0x7FC00000, "+NAN"}, {0xFFC00000, "-NAN"}, {0x7F800001, "?"},
        {0xFFC00001, "?"},    {0x7FA00000, "?"},    {0x3F800000, "1"},    {0x00000000, "0"},    {0x4E6E6B28, "1e+09"}};
    for (const auto &[bits, text] : cases)
        EXPECT_EQ(FloatText(bits), text) << std::hex << bits;
}

TEST(RegisterText, FrameDumps)
{
    const uint8_t frame[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
    EXPECT_EQ(FrameDump(frame, 8), " 01 03 00 00 00 0A C5 CD");
    EXPECT_EQ(FrameDump(frame, 0), "");
}

}   // namespace
