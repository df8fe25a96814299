#pragma once
// An exchange host for headless tests: Display does nothing, message boxes are
// recorded and "closed" at once.

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/exchange_host.h"

struct ShownBox {
    std::string text;
    std::string caption;
    int flags = 0;
};

class TestHost final : public ExchangeHost {
public:
    void Display(MODBUS_Thread &) override {}
    void MessageBox(const std::string &text, const std::string &caption, int flags) override
    {
        std::lock_guard<std::mutex> lock(mu_);
        boxes_.push_back({text, caption, flags});
    }
    void ServeFor(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void CancelWaits() override {}

    std::vector<ShownBox> Boxes() const
    {
        std::lock_guard<std::mutex> lock(mu_);
        return boxes_;
    }

private:
    mutable std::mutex mu_;
    std::vector<ShownBox> boxes_;
};
