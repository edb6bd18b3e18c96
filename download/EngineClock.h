#pragma once
#include "platform/Clock.h"

// The clock of the download engine: the 33 ms pauses of the transfers and of the manager, and
// the manager's start tick. Tests install a clock they advance themselves.
platform::Clock& EngineClock();
// nullptr restores the system clock.
void SetEngineClock(platform::Clock* clock);
