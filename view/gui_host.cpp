#include "view/gui_host.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <sys/eventfd.h>
#include <unistd.h>

#include "engine/Modbus_thread_unit.h"

void ExchangeView::From(const MODBUS_Thread &thread)
{
    Status = thread.Status.load(std::memory_order_relaxed);
    ReqCount = thread.ReqCount.load(std::memory_order_relaxed);
    ErrorCount = thread.ErrorCount.load(std::memory_order_relaxed);
    Frames.CopyFrom(thread.Frames);
}

GuiHost::GuiHost(std::function<void(const ExchangeView &)> display, QWidget *boxParent)
    : display_(std::move(display)), boxParent_(boxParent), mailbox_([this] { Wake(); }),
      latest_(std::make_unique<ExchangeView>()), shown_(std::make_unique<ExchangeView>())
{
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(wakeNotifier_, &QSocketNotifier::activated, this, &GuiHost::OnWake);
    latestTimer_ = new QTimer(this);
    latestTimer_->setSingleShot(true);
    connect(latestTimer_, &QTimer::timeout, this, &GuiHost::ShowLatest);
}

GuiHost::~GuiHost()
{
    if (box_)
        delete box_.data();
    delete wakeNotifier_;
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void GuiHost::Display(MODBUS_Thread &thread)
{
    if (mailbox_.Cancelled())
        return;
    bool wait = false, wake = false;
    {
        std::lock_guard lk(paceM_);
        latest_->From(thread);
        haveLatest_ = true;
        if (Clock::now() - lastShown_ >= interval_) {
            wait = true;
        } else if (!latestPosted_) {
            // Too soon after the last display: the GUI thread shows this copy
            // (or a newer one) when the interval is over.
            latestPosted_ = true;
            wake = true;
        }
    }
    if (wait)
        mailbox_.Call([this] {
            ShowCopy();
            return true;
        });
    else if (wake)
        Wake();
}

void GuiHost::MessageBox(const std::string &text, const std::string &caption, int flags)
{
    // The box stays up after the call returned to the mailbox: the thread
    // goes on waiting until it is closed (or a stop closes it).
    mailbox_.Call([&] {
        ShowBox(text, caption, flags);
        return false;
    });
}

// The GUI thread is woken through an eventfd rather than a posted event:
// the exchange thread then touches nothing of Qt's, and the wake is a plain
// write that the thread checker follows as well.
void GuiHost::Wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void GuiHost::OnWake()
{
    uint64_t count;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    mailbox_.ServeOne();
    bool latest;
    {
        std::lock_guard lk(paceM_);
        latest = latestPosted_;
    }
    if (latest)
        ScheduleLatest();
}

// Shown without a nested event loop; the arguments are copied before the
// mailbox lets the exchange thread go.
void GuiHost::ShowBox(const std::string &text, const std::string &caption, int flags)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if ((flags & 0xF0) == MB_ICONHAND)
        icon = QMessageBox::Critical;
    else if ((flags & 0xF0) == MB_ICONEXCLAMATION)
        icon = QMessageBox::Warning;
    else if ((flags & 0xF0) == MB_ICONINFORMATION)
        icon = QMessageBox::Information;
    auto *box = new QMessageBox(icon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                                boxParent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, &GuiHost::BoxClosed);
    box_ = box;
    box->show();
}

void GuiHost::ScheduleLatest()
{
    std::unique_lock lk(paceM_);
    const auto due = lastShown_ + interval_;
    const auto now = Clock::now();
    lk.unlock();
    if (now >= due) {
        ShowLatest();
    } else if (!latestTimer_->isActive()) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count();
        latestTimer_->start(int(wait) + 1);
    }
}

void GuiHost::ShowLatest()
{
    const bool cancelled = mailbox_.Cancelled();
    bool show;
    {
        std::lock_guard lk(paceM_);
        latestPosted_ = false;
        show = !cancelled && haveLatest_;
    }
    if (show)
        ShowCopy();
}

// Shows the latest copy (GUI thread).
void GuiHost::ShowCopy()
{
    {
        std::lock_guard lk(paceM_);
        std::swap(shown_, latest_);
        haveLatest_ = false;
    }
    display_(*shown_);
    std::lock_guard lk(paceM_);
    lastShown_ = Clock::now();
}

void GuiHost::BoxClosed()
{
    box_ = nullptr;
    mailbox_.Complete();
}

void GuiHost::ServeFor(int ms)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (mailbox_.ServeFor(int(std::max<int64_t>(left, 0))) != HostMailbox::Served::Call)
            return;
    }
}

void GuiHost::CancelWaits()
{
    mailbox_.Cancel();
    {
        std::lock_guard lk(paceM_);
        haveLatest_ = false;
    }
    latestTimer_->stop();
    if (box_) {
        QMessageBox *box = box_;
        box_ = nullptr;
        box->disconnect(this);
        box->close();   // deletes itself on close
    }
}

void GuiHost::ResumeWaits()
{
    mailbox_.Resume();
    std::lock_guard lk(paceM_);
    haveLatest_ = false;
    latestPosted_ = false;
    lastShown_ = {};
}

void GuiHost::SetDisplayInterval(int ms)
{
    std::lock_guard lk(paceM_);
    interval_ = std::chrono::milliseconds(ms);
}

void GuiHost::ThreadEnded()
{
    mailbox_.ThreadEnded();
}
