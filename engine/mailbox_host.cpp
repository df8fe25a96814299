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
    // A cancel gives the call up only while it is still in the slot: once
    // the serving thread took it, `fn` must live until it has run.
    doneCv_.wait(lock, [&] { return done_ || (cancelled_ && pending_ == &fn); });
    if (pending_ == &fn)
        pending_ = nullptr;
}

void MailboxHost::ServeFor(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock lock(m_);
    for (;;) {
        if (pending_ && !cancelled_) {
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
        if (serveCv_.wait_until(lock, deadline) == std::cv_status::timeout && !(pending_ && !cancelled_) && !ended_)
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
