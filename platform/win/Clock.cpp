#include "platform/Clock.h"

#include <windows.h>

namespace platform {
namespace {

class TickClock final : public Clock {
public:
    uint32_t TickCount() override { return static_cast<uint32_t>(GetTickCount()); }
    void SleepMs(uint32_t ms) override { Sleep(ms); }
};

}  // namespace

Clock& SystemClock() {
    static TickClock clock;
    return clock;
}

}  // namespace platform
