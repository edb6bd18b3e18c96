#include <cstdio>
#include <cstdlib>

#include "platform/Host.h"

namespace platform {
namespace {

class StderrHost final : public Host {
public:
    int ShowMessage(const char* text, unsigned flags) override {
        std::fprintf(stderr, "%s\n", text ? text : "");
        std::fflush(stderr);
        return (flags & kOkCancel) ? kAnswerCancel : kAnswerOk;
    }
    [[noreturn]] void Terminate(int exitCode) override {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
};

}  // namespace

Host& DefaultHost() {
    static StderrHost host;
    return host;
}

}  // namespace platform
