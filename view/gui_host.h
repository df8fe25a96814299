#pragma once
// The GUI side of the exchange thread's calls: a one-slot mailbox. The
// exchange thread puts its call (a display, or a message box) into the slot,
// wakes the GUI thread through an eventfd and sleeps until the call is done.
// The GUI thread runs the call from its event loop, or from ServeFor while a
// stop waits for the thread, so a waiting stop never deadlocks with it.
//
// Displays are paced: a display that comes less than MinDisplayIntervalMs
// after the previous one does not wait for the GUI thread. The thread leaves
// a copy of its results and the GUI thread shows the latest copy once that
// interval is over. So polling with no update period shows every result a
// screen could show, while the exchange thread runs at the speed of the line
// and the GUI thread keeps time for input, timers and painting.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "exchange_host.h"

class QSocketNotifier;
class QTimer;

// What one display shows: the thread's counters, status and frame copies.
struct ExchangeView {
    uint8_t Status = 0;
    int32_t ReqCount = 0;
    int32_t ErrorCount = 0;
    int32_t ReqLen = 0;
    int32_t ReplyLen = 0;
    uint8_t ReqFrame[256] = {};
    uint8_t ReplyFrame[4096] = {};

    // Copies from the thread object (on the exchange thread, or while it waits).
    void From(const MODBUS_Thread &thread);
};

class GuiHost : public QObject, public ExchangeHost {
    Q_OBJECT
public:
    static constexpr int MinDisplayIntervalMs = 20;

    // `display` runs on the GUI thread for each display shown.
    explicit GuiHost(std::function<void(const ExchangeView &)> display, QWidget *boxParent = nullptr);
    ~GuiHost() override;

    // Exchange thread side.
    void Display(MODBUS_Thread &thread) override;
    void MessageBox(const std::string &text, const std::string &caption, int flags) override;
    void ThreadEnded() override;

    // GUI thread side.
    void ServeFor(int ms) override;
    void CancelWaits() override;
    void ResumeWaits() override;
    // The pacing interval (MinDisplayIntervalMs unless a test changes it).
    void SetDisplayInterval(int ms);
    // The message box the exchange thread waits on, if one is up.
    QMessageBox *OpenBox() const { return box_; }

private:
    using Clock = std::chrono::steady_clock;
    enum class Kind { None, Display, Box };
    enum class State { Idle, Posted, BoxUp, Done };

    void Wake();             // exchange thread, lock held: wakes the GUI thread
    void OnWake();
    void ServePending();     // runs a posted call
    void ScheduleLatest();   // a paced display: shows the latest copy when due
    void ShowLatest();
    void ShowCopy(std::unique_lock<std::mutex> &lk);
    void BoxClosed();

    std::function<void(const ExchangeView &)> display_;
    QWidget *boxParent_;

    std::mutex m_;
    std::condition_variable cv_;
    Kind kind_ = Kind::None;
    State state_ = State::Idle;
    bool cancelled_ = false;
    bool ended_ = false;
    std::string text_, caption_;
    int flags_ = 0;
    ExchangeView latest_;          // the newest results not shown yet
    bool haveLatest_ = false;
    bool latestPosted_ = false;    // a paced display is on its way to the GUI thread
    Clock::time_point lastShown_{};
    std::chrono::milliseconds interval_{MinDisplayIntervalMs};

    ExchangeView shown_;           // GUI thread: the copy being shown
    int wakeFd_ = -1;
    QSocketNotifier *wakeNotifier_ = nullptr;
    QTimer *latestTimer_ = nullptr;
    QPointer<QMessageBox> box_;    // GUI thread only
};
