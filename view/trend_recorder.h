#pragma once
// Records trend samples to a CSV file while the poll runs: a header row
// ("time" and one column per series), then one row per sample, the time as
// tarvix-poll writes it and an empty cell for a series that had no value
// (a failed exchange). Rows are buffered and written at least every
// FlushMs, each write followed by fdatasync, so a crash or a power cut
// loses at most that much. A write that fails (a full disk, an I/O error)
// ends the recording and leaves the file with every whole row written
// before. Plain C++, no Qt.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class TrendRecorder {
public:
    static constexpr int FlushMs = 500;

    TrendRecorder() = default;
    ~TrendRecorder();   // writes what is buffered and closes the file
    TrendRecorder(const TrendRecorder &) = delete;
    TrendRecorder &operator=(const TrendRecorder &) = delete;

    // Creates (or empties) the file and buffers the header row. False with
    // `error` set when the file cannot be opened.
    bool Start(const std::string &path, const std::vector<std::string> &names, std::string &error);
    // One row; `cells` holds one text per series, empty for no value.
    // Writes the buffer when FlushMs have passed since the last write.
    // False (and the recording ended) when that write failed.
    bool Row(const timespec &time, const std::vector<std::string> &cells);
    // Writes the buffer now. False (and the recording ended) on failure.
    bool Flush();
    // Writes the buffer and closes the file.
    void Stop();

    bool Active() const { return fd_ >= 0; }
    const std::string &Path() const { return path_; }
    uint64_t Rows() const { return rows_; }
    // The reason the last recording ended by itself, "" if none.
    const std::string &Error() const { return error_; }

private:
    using Clock = std::chrono::steady_clock;
    void Fail(int err);

    int fd_ = -1;
    std::string path_;
    std::string buf_;
    uint64_t rows_ = 0;
    int64_t written_ = 0;   // bytes of whole rows in the file
    Clock::time_point lastFlush_{};
    std::string error_;
};
