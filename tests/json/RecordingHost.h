#pragma once
#include <string>
#include <vector>

#include "platform/Host.h"

namespace json_test {

// Thrown in place of ending the process, so that a test unwinds out of the terminating call.
struct Terminated {
    int exitCode;
};

class RecordingHost final : public platform::Host {
public:
    struct Message {
        std::string text;
        unsigned flags;
    };

    RecordingHost() { platform::SetHost(this); }
    ~RecordingHost() override { platform::SetHost(nullptr); }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    int ShowMessage(const char* text, unsigned flags) override {
        messages.push_back({text ? text : "", flags});
        return platform::kAnswerOk;
    }
    [[noreturn]] void Terminate(int exitCode) override { throw Terminated{exitCode}; }

    std::vector<Message> messages;
};

}  // namespace json_test
