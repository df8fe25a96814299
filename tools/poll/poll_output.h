#pragma once
// Standard output of tarvix-poll: whole lines only, written by whichever
// thread makes them. A reader that goes away (EPIPE) ends the output
// quietly; any other write error is kept for the exit status.

#include <mutex>
#include <string>

class LineWriter {
public:
    // `eachLine`: every line is written at once (a terminal, or lines that
    // come at most once a period); otherwise lines gather up to a block
    // and Flush (called at least every 100 ms) writes the rest.
    LineWriter(int fd, bool eachLine) : fd_(fd), eachLine_(eachLine) {}

    // Adds one or more whole lines; false once the output has ended.
    bool Write(const std::string &lines);
    void Flush();
    // The output ended: the reader went away or a write failed.
    bool Ended();
    // errno of a failed write other than EPIPE; 0 when none failed.
    int Error();

private:
    void FlushLocked();

    static constexpr size_t kBlock = 16384;
    int fd_;
    bool eachLine_;
    std::mutex m_;
    std::string buf_;
    bool ended_ = false;
    int error_ = 0;
};
