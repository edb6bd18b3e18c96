#include <windows.h>

#include "platform/Host.h"

namespace platform {
namespace {

// Without a program of its own around it (tools, tests): a box without owner.
class BoxHost final : public Host {
public:
    int ShowMessage(const char* text, unsigned flags) override {
        return MessageBoxA(nullptr, text, "tolvin-downloader...", flags);
    }
    [[noreturn]] void Terminate(int exitCode) override { ExitProcess(static_cast<UINT>(exitCode)); }
};

}  // namespace

Host& DefaultHost() {
    static BoxHost host;
    return host;
}

}  // namespace platform
