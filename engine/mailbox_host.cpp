#include "engine/mailbox_host.h"

void MailboxHost::Display(MODBUS_Thread &thread)
{
    mailbox_.Call([&] {
        OnDisplay(thread);
        return true;
    });
}

void MailboxHost::MessageBox(const std::string &text, const std::string &caption, int flags)
{
    mailbox_.Call([&] {
        OnMessageBox(text, caption, flags);
        return true;
    });
}

void MailboxHost::ServeFor(int ms)
{
    mailbox_.ServeFor(ms);
}

void MailboxHost::CancelWaits()
{
    mailbox_.Cancel();
}

void MailboxHost::ResumeWaits()
{
    mailbox_.Resume();
}

void MailboxHost::ThreadEnded()
{
    mailbox_.ThreadEnded();
}
