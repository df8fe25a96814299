#pragma once
// An ExchangeHost for a program whose main thread has no event loop of its
// own (the console host, tests): the main thread runs the exchange thread's
// Display and MessageBox calls from the mailbox inside ServeFor.

#include "engine/exchange_host.h"
#include "engine/host_mailbox.h"

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
    HostMailbox mailbox_;
};
