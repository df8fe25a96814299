// The lines of a log list: 8-bit (UTF-8) texts, each with a cached pixel
// width, and a change notification. Not locked itself: the log list guards
// it with its reader/writer lock.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

class TLogLineList {
public:
    int Count() const { return static_cast<int>(FLines.size()); }
    const std::string &Text(int i) const { return FLines[i].text; }

    // The cached width of a line in pixels, 0 = not yet measured. The refresh
    // stores widths while it holds only the shared lock, so the slot is atomic.
    int Width(int i) const { return FLines[i].width.load(std::memory_order_relaxed); }
    void SetWidth(int i, int w) const { FLines[i].width.store(w, std::memory_order_relaxed); }

    void Add(std::string_view text)
    {
        FLines.emplace_back(text);
        Changed();
    }
    // Appends to the last line (which must exist) and forgets its width.
    void AppendToLast(std::string_view text)
    {
        Line &last = FLines.back();
        last.text.append(text);
        last.width.store(0, std::memory_order_relaxed);
        Changed();
    }
    void DeleteFirst()
    {
        FLines.pop_front();
        Changed();
    }
    void Clear()
    {
        FLines.clear();
        Changed();
    }
    // Forgets every cached width, e.g. after a font change; not a text change.
    void ResetWidths() const
    {
        for (const Line &l : FLines)
            l.width.store(0, std::memory_order_relaxed);
    }

    // Called after every change of the texts.
    std::function<void()> OnChange;

private:
    struct Line {
        explicit Line(std::string_view t) : text(t) {}
        std::string text;
        mutable std::atomic<int> width{0};
    };

    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    std::deque<Line> FLines;
};
