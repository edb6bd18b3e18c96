#pragma once
#include "platform/Host.h"

// Messages of the engine as lines on stderr; immediate termination as the process's exit.
class ConsoleHost final : public platform::Host {
public:
    int ShowMessage(const char* text, unsigned flags) override;
    [[noreturn]] void Terminate(int exitCode) override;
};
