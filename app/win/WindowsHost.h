#pragma once
#include "platform/Host.h"

// Message boxes of the Windows program: owned by the main window while it has a window,
// captioned with the configured caption; immediate termination is ExitProcess.
class WindowsHost final : public platform::Host {
public:
    int ShowMessage(const char* text, unsigned flags) override;
    [[noreturn]] void Terminate(int exitCode) override;
};
