#pragma once
// An ExchangeHost for a program whose main thread has no event loop of its
// own (the console host, tests): the exchange thread puts its Display or
// MessageBox call into a one-slot mailbox and sleeps until the main thread
// has run it inside ServeFor. A stop's waits serve the mailbox too, so a
// Display under way never deadlocks with a waiting stop.

#include <condition_variable>
#include <functional>
#include <mutex>

#include "exchange_host.h"

class MailboxHost : public ExchangeHost {
public:
    void Display(MODBUS_Thread &thread) override;
    void MessageBox(const std::string &text, const std::string &caption, int flags) override;
    // Waits up to `ms` ms, running mailbox calls; returns early once a call
    // was served or the thread ended.
    void ServeFor(int ms) final;
    void CancelWaits() override;
    void ResumeWaits() override;
    void ThreadEnded() override;

protected:
    // Run on the thread that calls ServeFor.
    virtual void OnDisplay(MODBUS_Thread &thread) = 0;
    virtual void OnMessageBox(const std::string &text, const std::string &caption, int flags) = 0;

private:
    void Call(const std::function<void()> &fn);

    std::mutex m_;
    std::condition_variable serveCv_;   // wakes the serving thread
    std::condition_variable doneCv_;    // wakes the calling exchange thread
    const std::function<void()> *pending_ = nullptr;
    bool done_ = false;
    bool cancelled_ = false;
    bool ended_ = false;
};
