#include "platform/Clock.h"

#include <time.h>

namespace platform {
namespace {

class MonotonicClock final : public Clock {
public:
    uint32_t TickCount() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const unsigned long long ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ULL + ts.tv_nsec / 1000000;
        return static_cast<uint32_t>(ms);  // wraps like GetTickCount
    }
    void SleepMs(uint32_t ms) override {
        timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0) {
        }
    }
};

}  // namespace

Clock& SystemClock() {
    static MonotonicClock clock;
    return clock;
}

}  // namespace platform
