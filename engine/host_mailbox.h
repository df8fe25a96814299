#pragma once
// The one-slot mailbox between the exchange thread and the thread that serves
// its host calls (the GUI thread, or a console's main thread). The exchange
// thread posts a call and sleeps until it is done; the serving thread runs it
// from its event loop or while a stop waits in ServeFor, so a waiting stop
// never deadlocks with a call under way. A cancel (a stop) releases the
// exchange thread and refuses later calls until Resume.
//
// Waiters are woken after the mutex is released, so a woken thread never
// runs only to block again on the mutex its waker still holds. Where the
// process has more than one CPU, a caller spins briefly before it sleeps: a
// call served within microseconds (a console line) then costs no sleep and
// wake-up of the exchange thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class HostMailbox {
public:
    // A call, run on the serving thread. It returns true when it is done, or
    // false when it finishes later through Complete() (a message box that
    // stays up); such a call must not need its arguments after it returned.
    using Job = std::function<bool()>;
    enum class Served { Call, ThreadEnded, Timeout };

    // `wake` is run on the exchange thread after each post, without the
    // lock: it tells a serving event loop that a call waits.
    explicit HostMailbox(std::function<void()> wake = {});

    // Exchange thread: posts `job` and returns once it is done, or at once
    // while cancelled; a cancel gives up a call that is posted or waits for
    // Complete(), never one that runs.
    void Call(const Job &job);
    // Exchange thread, as its very last act: ends a ServeFor wait early.
    void ThreadEnded();

    // Serving thread: runs the posted call, if any; true when it ran one.
    bool ServeOne();
    // Serving thread: waits up to `ms` for a call and runs it. Returns after
    // one call, once the thread ended (reported once) or at the time limit.
    Served ServeFor(int ms);
    // Serving thread: finishes a call whose job returned false.
    void Complete();
    // Serving thread: releases the waiting exchange thread and refuses
    // every later call; Resume (before a new thread starts) undoes it.
    void Cancel();
    void Resume();
    bool Cancelled();

private:
    enum class State { Idle, Posted, Running, Deferred, Done };

    const std::function<void()> wake_;
    const bool spin_;   // the process may run on more than one CPU
    std::mutex m_;
    std::condition_variable serveCv_;   // wakes the serving thread
    std::condition_variable doneCv_;   // wakes the calling exchange thread
    const Job *pending_ = nullptr;
    State state_ = State::Idle;
    std::atomic<bool> served_{false};   // set after the lock is let go: the caller may stop spinning
    bool cancelled_ = false;
    bool ended_ = false;
};
