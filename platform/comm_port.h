#pragma once
// The comm port: what the serial line channel asks of a serial device, and
// nothing more. The real port (termios on a Linux tty) keeps every POSIX call
// in comm_port.cpp; a recording fake (recording_comm_port.h) stands in for it
// in tests, where pseudo-terminals have no modem lines or line errors.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Size of the device path buffer, terminating NUL included: as long a path
// as Linux takes (PATH_MAX), so that /dev/serial/by-id/... names open. Longer
// names are refused, never cut.
constexpr size_t kSerialPathSize = PATH_MAX;

// Builds the device path of a port name into `path`: a name beginning with '/'
// is a path as it stands, "COMn" (n >= 1) is /dev/ttyS<n-1>, any other name is
// /dev/<name>. Returns 0, or ENAMETOOLONG (path left empty) when the path would
// not fit, ENOENT for an empty name, EINVAL for a name with a NUL inside.
int SerialDevicePath(const std::string &name, char (&path)[kSerialPathSize]);

// Line-error bits returned by CommPort::TakeLineErrors.
enum : uint32_t {
    LINE_ERR_OVERRUN = 0x02,
    LINE_ERR_PARITY = 0x04,
    LINE_ERR_FRAME = 0x08,
};

class CommPort {
public:
    virtual ~CommPort() = default;

    // Opens the device exclusively (no other open of it may share it) without
    // waiting for carrier, and drops DTR and RTS. Returns 0 or an errno value;
    // on failure nothing stays open.
    virtual int Open(const char *path) = 0;
    // Raw 8 data bits, 1 stop bit, even parity with parity checking or none,
    // no flow control, `baud` bits per second (any positive rate). Returns 0
    // or an errno value: EINVAL for a rate of 0 or below, or the driver's
    // refusal of the settings (never on a pseudo-terminal, which has no line).
    virtual int SetLine(int baud, bool evenParity) = 0;
    // A read ends when a gap between two received bytes exceeds `intervalMs`,
    // or `totalMs` after the read began, or when its buffer is full.
    virtual void SetTimeouts(uint32_t intervalMs, uint32_t totalMs) = 0;
    virtual void SetRts(bool high) = 0;
    virtual void SetDtr(bool high) = 0;
    // Writes `len` bytes; returns the number written (fewer on an error).
    virtual int Write(const uint8_t *data, int len) = 0;
    // Pushes written bytes towards the line.
    virtual void Flush() = 0;
    // Waits until the transmit queue is empty (the last byte has left).
    virtual void WaitTxEmpty() = 0;
    // Reads up to `size` bytes under the time-outs; returns the count (0 when
    // nothing came or the far end is gone).
    virtual int Read(uint8_t *buf, int size) = 0;
    // Reads what has come, waiting up to `waitUs` for a first byte when
    // nothing has; returns the count, 0 when nothing came, -1 when the far
    // end is gone. The time-outs of Read do not apply.
    virtual int ReadSome(uint8_t *buf, int size, uint32_t waitUs) = 0;
    // Line errors (LINE_ERR_* bits) seen since the previous call, then clears them.
    virtual uint32_t TakeLineErrors() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

// The termios port of a Linux tty.
std::unique_ptr<CommPort> MakeTtyCommPort();
