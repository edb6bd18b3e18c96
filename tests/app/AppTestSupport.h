#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/AppContext.h"
#include "app/DownloadDirectory.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace apptest {

struct Message {
    std::string text;
    unsigned flags;
};

// Keeps every message instead of showing it; nothing here may end the process.
class RecordingHost final : public platform::Host {
public:
    int ShowMessage(const char* text, unsigned flags) override {
        messages.push_back({text ? text : "", flags});
        return platform::kAnswerOk;
    }
    [[noreturn]] void Terminate(int exitCode) override {
        ADD_FAILURE() << "unexpected termination with " << exitCode;
        std::abort();
    }
    std::vector<Message> messages;
};

class RecordingListener final : public DownloadFolderListener {
public:
    void OnDownloadFolderChanged() override { ++changes; }
    int changes = 0;
};

inline bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A fresh application record, a recording host and listener, and a temporary directory that
// is the current directory: relative folders such as "D:\Games" land inside it, with "D:"
// standing in for the drive.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tolvin-app-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_TRUE(platform::GetCurrentDir(oldCwd_, sizeof oldCwd_));
        ASSERT_TRUE(platform::SetCurrentDir(dir_.c_str()));
        context_ = std::make_unique<tAppContext>();
        AppContext = context_.get();
        platform::SetHost(&host_);
        DownloadDirectory::SetListener(&listener_);
    }
    void TearDown() override {
        DownloadDirectory::SetListener(nullptr);
        platform::SetHost(nullptr);
        AppContext = nullptr;
        platform::SetCurrentDir(oldCwd_);
        const std::string cmd = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    // Inside the temporary directory.
    std::string In(const std::string& relative) const { return dir_ + "/" + relative; }
    void MakeDrive(const char* drive) { ASSERT_TRUE(platform::CreateOneDirectory(drive)); }

    std::string dir_;
    char oldCwd_[4096] = {};
    std::unique_ptr<tAppContext> context_;
    RecordingHost host_;
    RecordingListener listener_;
};

}  // namespace apptest
