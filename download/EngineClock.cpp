#include "download/EngineClock.h"

#include <atomic>

namespace {
std::atomic<platform::Clock*> g_clock{nullptr};
}

platform::Clock& EngineClock() {
    platform::Clock* clock = g_clock.load();
    return clock ? *clock : platform::SystemClock();
}

void SetEngineClock(platform::Clock* clock) { g_clock.store(clock); }
