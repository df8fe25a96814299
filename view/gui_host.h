#pragma once
// The GUI side of the exchange thread's calls: the exchange thread's
// mailbox, woken through an eventfd that the GUI thread's event loop
// watches. The GUI thread runs each call from its event loop, or from
// ServeFor while a stop waits for the thread.
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
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/channel.h"
#include "engine/exchange_host.h"
#include "engine/host_mailbox.h"

class QSocketNotifier;
class QTimer;

// What one display shows: the thread's counters, status and frames.
struct ExchangeView {
    uint8_t Status = 0;
    int32_t ReqCount = 0;
    int32_t ErrorCount = 0;
    ExchangeFrames Frames;

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

    void Wake();   // exchange thread: wakes the GUI thread
    void OnWake();
    void ShowBox(const std::string &text, const std::string &caption, int flags);
    void ScheduleLatest();   // a paced display: shows the latest copy when due
    void ShowLatest();
    void ShowCopy();
    void BoxClosed();

    std::function<void(const ExchangeView &)> display_;
    QWidget *boxParent_;
    HostMailbox mailbox_;

    // The newest results not shown yet, and the copy being shown (GUI
    // thread). Showing swaps the two, so a result is copied once, from the
    // thread into latest_.
    std::mutex paceM_;   // guards latest_ and the pacing below
    std::unique_ptr<ExchangeView> latest_;
    bool haveLatest_ = false;
    bool latestPosted_ = false;   // a paced display is on its way to the GUI thread
    Clock::time_point lastShown_{};
    std::chrono::milliseconds interval_{MinDisplayIntervalMs};

    std::unique_ptr<ExchangeView> shown_;
    int wakeFd_ = -1;
    QSocketNotifier *wakeNotifier_ = nullptr;
    QTimer *latestTimer_ = nullptr;
    QPointer<QMessageBox> box_;   // GUI thread only
};
