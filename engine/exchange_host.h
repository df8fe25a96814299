#pragma once
// What the exchange engine asks of the program that hosts it (the main
// window, or the console host). The engine never touches widgets itself.

#include <string>

class MODBUS_Thread;

// Message box flags as the engine passes them.
enum : int {
    MB_ICONHAND = 16,   // error
    MB_ICONEXCLAMATION = 48,   // warning
    MB_ICONINFORMATION = 64,   // information
};

class ExchangeHost {
public:
    virtual ~ExchangeHost() = default;

    // Called on the exchange thread: runs thread.ShowExchange's GUI side on
    // the host's own (GUI) thread and returns once it has run.
    virtual void Display(MODBUS_Thread &thread) = 0;

    // Called on the exchange thread: shows a modal message box on the GUI
    // thread and returns once the user closed it, or once CancelWaits()
    // closed it because a stop was requested.
    virtual void MessageBox(const std::string &text, const std::string &caption, int flags) = 0;

    // Called on the GUI thread by StopExchange: waits up to `ms` milliseconds
    // while serving any Display or MessageBox call that the exchange thread
    // makes meanwhile, so that a waiting stop never deadlocks with it.
    virtual void ServeFor(int ms) = 0;

    // Called on the GUI thread by StopExchange before it waits: closes a
    // message box that the exchange thread is waiting on, and makes later
    // Display/MessageBox calls return at once.
    virtual void CancelWaits() = 0;

    // Called on the GUI thread by StartExchange before the new thread starts:
    // undoes CancelWaits, so that the new thread's Display and MessageBox
    // calls are served again.
    virtual void ResumeWaits() {}

    // Called on the exchange thread as the run body's very last act. A host
    // may use it to end a ServeFor wait early; the stop sees the end sooner.
    virtual void ThreadEnded() {}
};
