#include "engine/host_mailbox.h"

#include <sched.h>

namespace {

// How long a caller spins for its call before it sleeps on the condition.
constexpr auto kSpin = std::chrono::microseconds(50);

// Spinning helps only where the serving thread can run meanwhile.
bool SeveralCpus()
{
    cpu_set_t set;
    return sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
}

}   // namespace

HostMailbox::HostMailbox(std::function<void()> wake) : wake_(std::move(wake)), spin_(SeveralCpus())
{}

void HostMailbox::Call(const Job &job)
{
    {
        std::lock_guard lock(m_);
        if (cancelled_)
            return;
        pending_ = &job;
        state_ = State::Posted;
        served_.store(false, std::memory_order_relaxed);
    }
    serveCv_.notify_all();   // a stop waiting in ServeFor serves it at once
    if (wake_)
        wake_();
    if (spin_) {
        const auto spinEnd = std::chrono::steady_clock::now() + kSpin;
        while (!served_.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < spinEnd) {}
    }
    std::unique_lock lock(m_);
    // Once taken, a running job may use `job` and what it refers to: only
    // its end releases the caller.
    doneCv_.wait(lock, [&] { return state_ == State::Done || (cancelled_ && state_ != State::Running); });
    pending_ = nullptr;
    state_ = State::Idle;
}

void HostMailbox::ThreadEnded()
{
    {
        std::lock_guard lock(m_);
        ended_ = true;
    }
    serveCv_.notify_all();
}

bool HostMailbox::ServeOne()
{
    std::unique_lock lock(m_);
    if (state_ != State::Posted || cancelled_)
        return false;
    const Job *job = pending_;
    pending_ = nullptr;
    state_ = State::Running;
    lock.unlock();
    const bool done = (*job)();
    lock.lock();
    state_ = done ? State::Done : State::Deferred;
    const bool release = done || cancelled_;
    lock.unlock();
    if (release) {
        served_.store(true, std::memory_order_release);
        doneCv_.notify_all();
    }
    return true;
}

HostMailbox::Served HostMailbox::ServeFor(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    std::unique_lock lock(m_);
    for (;;) {
        if (state_ == State::Posted && !cancelled_) {
            lock.unlock();
            if (ServeOne())
                return Served::Call;
            lock.lock();
            continue;
        }
        if (ended_) {
            ended_ = false;
            return Served::ThreadEnded;
        }
        if (!serveCv_.wait_until(lock, deadline, [this] { return (state_ == State::Posted && !cancelled_) || ended_; }))
            return Served::Timeout;
    }
}

void HostMailbox::Complete()
{
    {
        std::lock_guard lock(m_);
        if (state_ != State::Deferred)
            return;
        state_ = State::Done;
    }
    doneCv_.notify_all();
}

void HostMailbox::Cancel()
{
    {
        std::lock_guard lock(m_);
        cancelled_ = true;
    }
    doneCv_.notify_all();
}

void HostMailbox::Resume()
{
    std::lock_guard lock(m_);
    cancelled_ = false;
    ended_ = false;
}

bool HostMailbox::Cancelled()
{
    std::lock_guard lock(m_);
    return cancelled_;
}
