#pragma once
// How a serial line is driven beyond its rate and parity: how a reply is
// ended, local echo, the transmitter's turn-around and the pause before a
// request. The defaults drive the line exactly as the plain serial channel
// always has.

#include <cstdint>
#include <memory>
#include <vector>

enum class ReplyEnd : uint8_t {
    Gap = 0,   // a silence of the baud rate's interval time-out (30 to 100 ms)
    Length = 1,   // the length the reply's function code and byte count announce
};

enum class EchoMode : uint8_t {
    Off = 0,
    On = 1,   // the request's own bytes come back first and are dropped
    Auto = 2,   // on for the connection when the first request comes back
};

// What the channel saw, for a line check; filled only when asked for.
struct SerialLineStats {
    int exchanges = 0;
    int echoSeen = 0;   // exchanges whose request came back as an echo
    int echoMismatches = 0;
    int64_t leftoverBytes = 0;   // bytes after a complete reply, discarded
    int pausedReplies = 0;   // replies with a pause of more than 2 character times
    uint32_t longestPauseUs = 0;
    std::vector<uint32_t> latencyUs;   // request sent to the reply's first byte
};

struct SerialLineOptions {
    ReplyEnd End = ReplyEnd::Gap;
    EchoMode Echo = EchoMode::Off;
    // Transmitter turn-around in microseconds; -1 keeps the classic waits
    // (20 ms before; CharTime ticks and 10 ms after).
    int32_t TxDelayBeforeUs = -1;
    int32_t TxDelayAfterUs = -1;
    uint32_t RequestGapMs = 0;   // least silence between a reply and the next request
    std::shared_ptr<SerialLineStats> Stats;   // filled when set

    bool operator==(const SerialLineOptions &) const = default;
};

// The frame length (CRC included) that a reply's first bytes announce: 5 for
// an exception, 8 for the echoing functions (5, 6, 8, 11, 15, 16), 3 + byte
// count + 2 for the byte-counted ones (1 to 4, 12, 17, 20, 21, 23); 0 while
// too few bytes have come to tell, -1 for a function whose length is unknown.
int AnnouncedReplyLength(const uint8_t *reply, int n);

// The inter-frame silence of 3.5 characters of 11 bits, in microseconds;
// 1750 above 19200 baud.
uint32_t FrameGapUs(int32_t baud);
