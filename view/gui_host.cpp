#include "gui_host.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Modbus_thread_unit.h"

void ExchangeView::From(const MODBUS_Thread &thread)
{
    Status = thread.Status.load(std::memory_order_relaxed);
    ReqCount = thread.ReqCount.load(std::memory_order_relaxed);
    ErrorCount = thread.ErrorCount.load(std::memory_order_relaxed);
    ReqLen = std::clamp<int32_t>(thread.ReqLen, 0, int32_t(sizeof ReqFrame));
    ReplyLen = std::clamp<int32_t>(thread.ReplyLen, 0, int32_t(sizeof ReplyFrame));
    std::memcpy(ReqFrame, thread.ReqFrame, size_t(ReqLen));
    std::memcpy(ReplyFrame, thread.ReplyFrame, size_t(ReplyLen));
}

GuiHost::GuiHost(std::function<void(const ExchangeView &)> display, QWidget *boxParent)
    : display_(std::move(display)), boxParent_(boxParent)
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
    std::unique_lock lk(m_);
    if (cancelled_)
        return;
    latest_.From(thread);
    haveLatest_ = true;
    if (Clock::now() - lastShown_ < interval_) {
        // Too soon after the last display: the GUI thread shows this copy
        // (or a newer one) when the interval is over.
        if (!latestPosted_) {
            latestPosted_ = true;
            Wake();
        }
        return;
    }
    kind_ = Kind::Display;
    state_ = State::Posted;
    cv_.notify_all();   // a stop waiting in ServeFor serves it at once
    Wake();
    cv_.wait(lk, [this] { return state_ == State::Done || cancelled_; });
    kind_ = Kind::None;
    state_ = State::Idle;
}

void GuiHost::MessageBox(const std::string &text, const std::string &caption, int flags)
{
    std::unique_lock lk(m_);
    if (cancelled_)
        return;
    kind_ = Kind::Box;
    text_ = text;
    caption_ = caption;
    flags_ = flags;
    state_ = State::Posted;
    cv_.notify_all();
    Wake();
    cv_.wait(lk, [this] { return state_ == State::Done || cancelled_; });
    kind_ = Kind::None;
    state_ = State::Idle;
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
    ServePending();
    bool latest;
    {
        std::lock_guard lk(m_);
        latest = latestPosted_;
    }
    if (latest)
        ScheduleLatest();
}

// Runs the call in the slot. Only the GUI thread runs calls and only it
// cancels them, so a call's arguments stay valid while it runs: the
// exchange thread cannot give up waiting in the middle of it.
void GuiHost::ServePending()
{
    std::unique_lock lk(m_);
    if (state_ != State::Posted || cancelled_)
        return;
    if (kind_ == Kind::Display) {
        ShowCopy(lk);
        state_ = State::Done;
        cv_.notify_all();
        return;
    }
    // A message box: shown without a nested event loop; the thread goes on
    // waiting until the box is closed (or a stop closes it).
    state_ = State::BoxUp;
    const QString text = QString::fromStdString(text_);
    const QString caption = QString::fromStdString(caption_);
    const int flags = flags_;
    lk.unlock();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if ((flags & 0xF0) == MB_ICONHAND)
        icon = QMessageBox::Critical;
    else if ((flags & 0xF0) == MB_ICONEXCLAMATION)
        icon = QMessageBox::Warning;
    else if ((flags & 0xF0) == MB_ICONINFORMATION)
        icon = QMessageBox::Information;
    auto *box = new QMessageBox(icon, caption, text, QMessageBox::Ok, boxParent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, &GuiHost::BoxClosed);
    box_ = box;
    box->show();
}

void GuiHost::ScheduleLatest()
{
    std::unique_lock lk(m_);
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
    std::unique_lock lk(m_);
    latestPosted_ = false;
    if (!cancelled_ && haveLatest_)
        ShowCopy(lk);
}

// Shows the latest copy; called and returning with the lock held, which it
// lets go while the display runs.
void GuiHost::ShowCopy(std::unique_lock<std::mutex> &lk)
{
    shown_ = latest_;
    haveLatest_ = false;
    lk.unlock();
    display_(shown_);
    lk.lock();
    lastShown_ = Clock::now();
}

void GuiHost::BoxClosed()
{
    box_ = nullptr;
    std::lock_guard lk(m_);
    if (state_ == State::BoxUp) {
        state_ = State::Done;
        cv_.notify_all();
    }
}

void GuiHost::ServeFor(int ms)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        ServePending();
        std::unique_lock lk(m_);
        if (ended_)
            return;
        if (!cv_.wait_until(lk, deadline, [this] { return (state_ == State::Posted && !cancelled_) || ended_; }))
            return;
    }
}

void GuiHost::CancelWaits()
{
    {
        std::lock_guard lk(m_);
        cancelled_ = true;
        haveLatest_ = false;
        cv_.notify_all();
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
    std::lock_guard lk(m_);
    cancelled_ = false;
    ended_ = false;
    haveLatest_ = false;
    latestPosted_ = false;
    lastShown_ = {};
}

void GuiHost::SetDisplayInterval(int ms)
{
    std::lock_guard lk(m_);
    interval_ = std::chrono::milliseconds(ms);
}

void GuiHost::ThreadEnded()
{
    std::lock_guard lk(m_);
    ended_ = true;
    cv_.notify_all();
}
