#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace {

class system_clock_source : public clock_source {
public:
    std::uint32_t ticks() override {
        using namespace std::chrono;
        const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(ms.count());
    }
    void sleep(std::uint32_t ms) override {
        if (ms == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
    }
};

system_clock_source g_system_clock;
clock_source* g_clock = &g_system_clock;

}  // namespace

std::uint32_t tick_count() { return g_clock->ticks(); }

void sleep_ms(std::uint32_t ms) { g_clock->sleep(ms); }

void set_clock_source(clock_source* source) { g_clock = source ? source : &g_system_clock; }
