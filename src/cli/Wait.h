#pragma once

namespace cli {

// Lets the event loop run while the tool waits for a reply or for the next poll.
class Wait {
public:
    virtual ~Wait() = default;
    // Delivers events (bytes received, timer ticks) until Stop is called or `ms` have passed.
    // Returns at once when Stop was called since the last For.
    virtual void For(int ms) = 0;
    virtual void Stop() = 0;
    // Whether the operator asked the tool to stop (Ctrl+C).
    virtual bool Interrupted() const = 0;
};

}  // namespace cli
