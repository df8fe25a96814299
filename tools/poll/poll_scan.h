#pragma once
// The slave scan of tarvix-poll: one read from each address in turn over
// one channel, a line for each address that answered, then a summary on
// standard error.

#include "engine/channel.h"
#include "tools/poll/poll_options.h"
#include "tools/poll/poll_output.h"

// Returns the exit status: 0 when any address answered (or the reader of
// the output went away), 1 when none did or the channel did not open.
int RunScan(const PollOptions &opt, LineWriter &out, const StopFlag &stop);
