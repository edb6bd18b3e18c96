#pragma once
// A work folder and a download folder in a fresh temporary directory, the application record
// pointing at them, and the fake network, clock and host installed for the engine.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/AppContext.h"
#include "download/EngineClock.h"
#include "download/cHttp.h"
#include "download/FakeHttp.h"
#include "platform/FileSystem.h"

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tolvin-engine-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_TRUE(platform::GetCurrentDir(oldCwd_, sizeof oldCwd_));
        CopyText(context_.workFolder, (dir_ + "/work\\").c_str());
        CopyText(context_.downloadFolder, (dir_ + "/dl").c_str());
        context_.resourceFolder = context_.workFolder;
        ASSERT_EQ(mkdir((dir_ + "/work").c_str(), 0777), 0);
        ASSERT_EQ(mkdir((dir_ + "/dl").c_str(), 0777), 0);
        ASSERT_TRUE(platform::SetCurrentDir(context_.downloadFolder));
        AppContext = &context_;
        server_.clock = &clock_;
        platform::SetHttpClient(&client_);
        platform::SetHost(&host_);
        SetEngineClock(&clock_);
        cHttp::ForgetMaxConnections();
    }
    void TearDown() override {
        SetEngineClock(nullptr);
        platform::SetHost(nullptr);
        platform::SetHttpClient(nullptr);
        cHttp::ForgetMaxConnections();
        AppContext = nullptr;
        platform::SetCurrentDir(oldCwd_);
        const std::string cmd = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }

    std::string Dl(const std::string& name) const { return dir_ + "/dl/" + name; }
    std::string Work(const std::string& name) const { return dir_ + "/work/" + name; }

    static std::string Pattern(size_t n, unsigned seed = 7) {
        std::string s(n, '\0');
        uint32_t x = seed;
        for (size_t i = 0; i < n; ++i) {
            x = x * 1103515245u + 12345u;
            s[i] = static_cast<char>(x >> 24);
        }
        return s;
    }
    static void WriteFile(const std::string& path, const std::string& content) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }
    static bool Exists(const std::string& path) {
        struct stat st{};
        return stat(path.c_str(), &st) == 0;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::ifstream in(Work("brindlex.log"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Log lines without their build stamp that begin with prefix.
    std::vector<std::string> LogTexts(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& line : LogLines()) {
            if (line.size() < 21) continue;
            std::string text = line.substr(21);
            if (text.compare(0, prefix.size(), prefix) == 0) out.push_back(text);
        }
        return out;
    }

    std::string dir_;
    char oldCwd_[4096] = {};
    tAppContext context_;
    fake::Server server_;
    fake::Client client_{server_};
    fake::Clock clock_;
    fake::Host host_;
};
