#pragma once
#include <cstdint>

namespace platform {

// Milliseconds on a 32-bit counter that wraps after about 49.7 days, as GetTickCount does.
// Readers subtract ticks in unsigned 32-bit arithmetic, so a wrap between two reads is harmless.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

// The real clock of the machine.
Clock& SystemClock();

inline uint32_t TickCount() { return SystemClock().TickCount(); }
inline void SleepMs(uint32_t ms) { SystemClock().SleepMs(ms); }

}  // namespace platform
