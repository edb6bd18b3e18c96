#include "platform/Host.h"

#include <atomic>
#include <cstdlib>

namespace platform {
namespace {
std::atomic<Host*> g_host{nullptr};
}

Host& CurrentHost() {
    Host* host = g_host.load();
    return host ? *host : DefaultHost();
}

void SetHost(Host* host) { g_host.store(host); }

}  // namespace platform

int ShowMessage(const char* text, unsigned flags) { return platform::CurrentHost().ShowMessage(text, flags); }

void TerminateProcessNow(int exitCode) {
    platform::CurrentHost().Terminate(exitCode);
    std::abort();  // a host whose Terminate came back must not let the caller run on
}
