#include "engine/serial_line_options.h"

int AnnouncedReplyLength(const uint8_t *reply, int n)
{
    if (n < 2)
        return 0;
    const uint8_t fc = reply[1];
    if (fc & 0x80)
        return 5;
    switch (fc) {
    case 5: case 6: case 8: case 11: case 15: case 16: return 8;
    case 1: case 2: case 3: case 4: case 12: case 17: case 20: case 21: case 23:
        return n < 3 ? 0 : 3 + reply[2] + 2;
    case 7: return 5;
    default: return -1;
    }
}

uint32_t FrameGapUs(int32_t baud)
{
    if (baud <= 0)
        return 0;
    if (baud > 19200)
        return 1750;
    return static_cast<uint32_t>((38500000ull + static_cast<uint64_t>(baud) - 1) / static_cast<uint64_t>(baud));
}
