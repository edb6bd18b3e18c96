#include "cli/ConsoleHost.h"

#include <cstdio>
#include <cstdlib>

int ConsoleHost::ShowMessage(const char* text, unsigned flags) {
    std::fprintf(stderr, "tolvin-fetch: %s\n", text ? text : "");
    std::fflush(stderr);
    // Nobody answers a console: a question is declined.
    return (flags & platform::kOkCancel) ? platform::kAnswerCancel : platform::kAnswerOk;
}

void ConsoleHost::Terminate(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
