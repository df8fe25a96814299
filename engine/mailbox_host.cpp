// One-slot mailbox between the exchange thread and the serving thread.

#include "mailbox_host.h"

#include <chrono>

void MailboxHost::Display(MODBUS_Thread &thread)
{
    Call([&] { OnDisplay(thread); });
}

void MailboxHost::MessageBox(const std::string &text, const std::string &caption, int flags)
{
    Call([&] { OnMessageBox(text, caption, flags); });
}

void MailboxHost::Call(const std::function<void()> &fn)
{
    std::unique_lock lock(m_);
    if (cancelled_)
        return;
    pending_ = &fn;
    done_ = false;
    serveCv_.notify_all();
    doneCv_.wait(lock, [&] { return done_ || cancelled_; });
    // A cancel runs on the serving thread, so the call is either done or was
    // never taken: in both cases nothing refers to `fn` any more.
    if (pending_ == &fn)
        pending_ = nullptr;
}

void MailboxHost::ServeFor(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock lock(m_);
    for (;;) {
        if (pending_ && !done_) {
            const std::function<void()> *fn = pending_;
            pending_ = nullptr;
            lock.unlock();
            (*fn)();
            lock.lock();
            done_ = true;
            doneCv_.notify_all();
            return;
        }
        if (ended_) {
            ended_ = false;
            return;
        }
        if (serveCv_.wait_until(lock, deadline) == std::cv_status::timeout && !(pending_ && !done_) && !ended_)
            return;
    }
}

void MailboxHost::CancelWaits()
{
    std::lock_guard lock(m_);
    cancelled_ = true;
    doneCv_.notify_all();
}

void MailboxHost::ResumeWaits()
{
    std::lock_guard lock(m_);
    cancelled_ = false;
    ended_ = false;
}

void MailboxHost::ThreadEnded()
{
    std::lock_guard lock(m_);
    ended_ = true;
    serveCv_.notify_all();
}
