// Time stamps and formatted texts of the log list: pure functions over
// fixed buffers, so that they can be tested without a widget.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

// The parts a time stamp may show. Stored as bits of TLogDTFormat
// (bit n = value n).
enum TLogDTFormatEnum : std::uint8_t { ldtDate = 0, ldtFullYear = 1, ldtMSec = 2 };

// A set of TLogDTFormatEnum values in one byte.
class TLogDTFormat {
public:
    constexpr TLogDTFormat() = default;
    constexpr TLogDTFormat(std::initializer_list<TLogDTFormatEnum> values)
    {
        for (TLogDTFormatEnum v : values)
            FBits |= static_cast<std::uint8_t>(1u << v);
    }
    static constexpr TLogDTFormat FromBits(std::uint8_t bits)
    {
        TLogDTFormat f;
        f.FBits = bits & 7u;
        return f;
    }
    constexpr std::uint8_t Bits() const { return FBits; }
    constexpr bool Contains(TLogDTFormatEnum v) const { return (FBits >> v) & 1u; }
    constexpr bool operator==(const TLogDTFormat &) const = default;

private:
    std::uint8_t FBits = 0;
};

// Local wall-clock time, as the stamps show it.
struct TLogTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

// The current local time with milliseconds.
TLogTime LocalLogTime();

// Size of the buffer that formatted log texts go through, terminating zero
// included.
inline constexpr std::size_t LogBufferSize = 4096;

// Writes the stamp ("07.03.16, 09:05:02" and its five other shapes) into buf
// and returns its length. size must be at least 32.
std::size_t FormatLogStamp(char *buf, std::size_t size, TLogDTFormat format, const TLogTime &t);

// Builds "<stamp>  <message>\n" into buf (size >= 32). A message that does
// not fit is cut at the buffer's end (on a character boundary); the line feed
// and the terminating zero always fit. Returns the length.
std::size_t FormatLogLine(char *buf, std::size_t size, TLogDTFormat format, const TLogTime &t, const char *fmt,
                          va_list args);

// printf into buf, cut at the buffer's end on a character boundary. A null
// format gives an empty text. Returns the length.
std::size_t FormatLogText(char *buf, std::size_t size, const char *fmt, va_list args);
