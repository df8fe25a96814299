#pragma once
// The console programs' signals: SIGINT and SIGTERM raise one stop flag,
// SIGPIPE is ignored (a reader that went away shows as EPIPE on the write).

#include <atomic>
#include <cstdint>

namespace cli {

using SignalFlag = std::atomic<uint8_t>;

// Installs the handlers; returns the flag they raise.
SignalFlag &InstallStopSignals();

}   // namespace cli
