#include "tools/poll/poll_output.h"

#include <cerrno>
#include <unistd.h>

bool LineWriter::Write(const std::string &lines)
{
    std::lock_guard<std::mutex> lock(m_);
    if (ended_)
        return false;
    buf_ += lines;
    if (eachLine_ || buf_.size() >= kBlock)
        FlushLocked();
    return !ended_;
}

void LineWriter::Flush()
{
    std::lock_guard<std::mutex> lock(m_);
    FlushLocked();
}

bool LineWriter::Ended()
{
    std::lock_guard<std::mutex> lock(m_);
    return ended_;
}

int LineWriter::Error()
{
    std::lock_guard<std::mutex> lock(m_);
    return error_;
}

void LineWriter::FlushLocked()
{
    size_t done = 0;
    while (!ended_ && done < buf_.size()) {
        const ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n == 0) {
            ended_ = true;
            error_ = EIO;
        } else if (errno != EINTR) {
            ended_ = true;
            if (errno != EPIPE)
                error_ = errno;
        }
    }
    buf_.clear();
}
