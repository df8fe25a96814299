#include "view/trend_recorder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "engine/record_text.h"

TrendRecorder::~TrendRecorder()
{
    Stop();
}

bool TrendRecorder::Start(const std::string &path, const std::vector<std::string> &names, std::string &error)
{
    Stop();
    error_.clear();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "Cannot record to " + path + ": " + std::strerror(errno) + ".";
        return false;
    }
    fd_ = fd;
    path_ = path;
    rows_ = 0;
    written_ = 0;
    buf_ = "time";
    for (const std::string &n : names)
        buf_ += ',' + CsvField(n);
    buf_ += "\r\n";
    lastFlush_ = Clock::now();
    return true;
}

bool TrendRecorder::Row(const timespec &time, const std::vector<std::string> &cells)
{
    if (fd_ < 0)
        return false;
    buf_ += IsoLocalTime(time);
    for (const std::string &c : cells) {
        buf_ += ',';
        buf_ += CsvField(c);
    }
    buf_ += "\r\n";
    ++rows_;
    if (Clock::now() - lastFlush_ >= std::chrono::milliseconds(FlushMs))
        return Flush();
    return true;
}

bool TrendRecorder::Flush()
{
    if (fd_ < 0)
        return false;
    lastFlush_ = Clock::now();
    size_t done = 0;
    while (done < buf_.size()) {
        const ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += size_t(n);
    }
    if (::fdatasync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        Fail(errno);
        return false;
    }
    written_ += int64_t(buf_.size());
    buf_.clear();
    return true;
}

// A failed write may have left part of a row: the file goes back to its
// last whole row, so what was recorded stays readable.
void TrendRecorder::Fail(int err)
{
    error_ = "Recording to " + path_ + " stopped: " + std::strerror(err) + ". The file keeps the rows written before.";
    [[maybe_unused]] const int r = ::ftruncate(fd_, written_);
    ::close(fd_);
    fd_ = -1;
    buf_.clear();
}

void TrendRecorder::Stop()
{
    if (fd_ < 0)
        return;
    if (Flush()) {
        ::close(fd_);
        fd_ = -1;
    }
    buf_.clear();
}
