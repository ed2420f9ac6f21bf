// The program's clock: a wrapping 32-bit count of milliseconds and a sleep. Every timed
// behaviour polls it from the per-frame update. Tests install a clock of their own.
#pragma once

#include <cstdint>

class clock_source {
public:
    virtual ~clock_source() = default;
    virtual std::uint32_t ticks() = 0;
    virtual void sleep(std::uint32_t ms) = 0;
};

// A clock that only moves when told to: sleeping advances it.
class manual_clock : public clock_source {
public:
    explicit manual_clock(std::uint32_t start = 0) : now_(start) {}
    std::uint32_t ticks() override { return now_; }
    void sleep(std::uint32_t ms) override { now_ += ms; ++sleeps_; }
    void advance(std::uint32_t ms) { now_ += ms; }
    void set(std::uint32_t t) { now_ = t; }
    int sleep_count() const { return sleeps_; }

private:
    std::uint32_t now_;
    int sleeps_ = 0;
};

// The tick count in ms; wraps after about 49.7 days like the system's.
std::uint32_t tick_count();
// Sleeps for ms milliseconds; 0 still gives the processor away.
void sleep_ms(std::uint32_t ms);
// Replaces the clock (none restores the system clock). The caller keeps ownership.
void set_clock_source(clock_source* source);
