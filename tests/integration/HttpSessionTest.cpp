// The Linux HTTP session behaves as the transfer expects of WinINet: reads fill the caller's
// buffer, a cut body ends with TRUE and 0 bytes, redirects are followed, and Abort from another
// thread ends a read blocked on a stalled server.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <chrono>
#include <thread>

#include "integration/ProcessTools.h"
#include "platform/HttpSession.h"

namespace {

using namespace std::chrono_literals;
const std::string kSource = TOLVIN_SOURCE_DIR;

class HttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("http_proxy");
        unsetenv("HTTP_PROXY");
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        char tmpl[] = "/tmp/tolvin-session-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        Shell("mkdir -p " + Quote(dir_ + "/root/client/sub"));
        body_.resize(2500000);
        for (size_t i = 0; i < body_.size(); ++i) body_[i] = static_cast<char>((i * 2654435761u) >> 13);
        std::ofstream(dir_ + "/root/client/a.bin", std::ios::binary) << body_;
        std::ofstream(dir_ + "/root/client/sub/x.txt", std::ios::binary) << "x";
    }
    void TearDown() override {
        if (nginx_) Shell("python3 " + Quote(kSource + "/tests/servers/nginx_harness.py") + " stop " + Quote(dir_ + "/nginx"));
        if (fault_.pid > 0) {
            kill(fault_.pid, SIGTERM);
            fault_.Wait();
        }
        Shell("rm -rf " + Quote(dir_));
    }
    int StartNginx() {
        const std::string out = Shell("python3 " + Quote(kSource + "/tests/servers/nginx_harness.py") + " start " +
                                      Quote(dir_ + "/root") + " --work-dir " + Quote(dir_ + "/nginx") + " --watch-pid " +
                                      std::to_string(getpid()));
        nginx_ = true;
        return std::stoi(ValueAfter(out, "PORT ", 0, '\n'));
    }
    int StartFault(const std::string& rule) {
        fault_.Spawn({"python3", kSource + "/tests/servers/fault_server.py", "--root", dir_ + "/root", "--port-file",
                      dir_ + "/fault.port", "--rule", rule},
                     dir_ + "/fault.out", dir_ + "/fault.err");
        for (int i = 0; i < 1000 && !Exists(dir_ + "/fault.port"); ++i) std::this_thread::sleep_for(10ms);
        return std::stoi(ReadFile(dir_ + "/fault.port"));
    }
    static std::string Info(platform::HttpSession& s, platform::HttpInfo what) {
        char buf[256];
        uint32_t n = sizeof buf;
        return s.QueryInfo(what, buf, &n) ? std::string(buf, n) : std::string("<none>");
    }
    static std::string Url(int port, const std::string& path) { return "http://127.0.0.1:" + std::to_string(port) + path; }

    std::string dir_;
    std::string body_;
    bool nginx_ = false;
    Child fault_;
};

const char kFrom0[] = "Accept-Encoding:*\r\nAccept-Ranges:bytes\r\nRange:bytes=0-\r\n";
const char kFrom1000[] = "Accept-Encoding:*\r\nAccept-Ranges:bytes\r\nRange:bytes=1000-\r\n";

TEST_F(HttpSessionTest, ReadsFillTheBufferAndTheHeadersAreThoseOfTheLastResponse) {
    const int port = StartNginx();
    auto session = platform::DefaultHttpClient().OpenSession("cFileDownloader");
    ASSERT_TRUE(session);
    struct Case {
        const char* what;
        std::string path;
        const char* headers;
        std::string status, length, range;
        size_t from;
    };
    const Case cases[] = {
        {"from 0", "/client/a.bin", kFrom0, "206", "2500000", "bytes 0-2499999/2500000", 0},
        {"from 1000", "/client/a.bin", kFrom1000, "206", "2499000", "bytes 1000-2499999/2500000", 1000},
        {"a redirect is followed (a folder without its '/')", "/client/sub", kFrom0, "403", "", "<none>", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(session->OpenUrl(Url(port, c.path).c_str(), c.headers, std::strlen(c.headers),
                                     platform::kHttpFlagReload | platform::kHttpFlagNoCacheWrite));
        EXPECT_EQ(Info(*session, platform::HttpInfo::StatusCode), c.status);
        EXPECT_EQ(Info(*session, platform::HttpInfo::ContentRange), c.range);
        if (c.status != "206") continue;
        EXPECT_EQ(Info(*session, platform::HttpInfo::ContentLength), c.length);
        std::vector<char> buf(1 << 20);
        std::string got;
        std::vector<uint32_t> counts;
        for (;;) {
            uint32_t n = 0;
            ASSERT_TRUE(session->Read(buf.data(), static_cast<uint32_t>(buf.size()), &n));
            if (n == 0) break;
            counts.push_back(n);
            got.append(buf.data(), n);
        }
        EXPECT_TRUE(got == body_.substr(c.from));
        for (size_t i = 0; i + 1 < counts.size(); ++i) EXPECT_EQ(counts[i], 1u << 20) << "block " << i;
    }
}

TEST_F(HttpSessionTest, ACutBodyEndsWithZeroBytesAndNoError) {
    const int port = StartFault("mode=drop&n=300000&glob=*/a.bin");
    auto session = platform::DefaultHttpClient().OpenSession("cFileDownloader");
    ASSERT_TRUE(session->OpenUrl(Url(port, "/client/a.bin").c_str(), kFrom0, std::strlen(kFrom0), 0));
    EXPECT_EQ(Info(*session, platform::HttpInfo::ContentLength), "2500000");
    std::vector<char> buf(1 << 20);
    uint32_t n = 0;
    ASSERT_TRUE(session->Read(buf.data(), static_cast<uint32_t>(buf.size()), &n));
    EXPECT_EQ(n, 300000u);
    ASSERT_TRUE(session->Read(buf.data(), static_cast<uint32_t>(buf.size()), &n));
    EXPECT_EQ(n, 0u);
}

TEST_F(HttpSessionTest, AbortEndsAReadBlockedOnAStalledServer) {
    const int port = StartFault("mode=stall&n=1000&glob=*/a.bin");
    auto session = platform::DefaultHttpClient().OpenSession("cFileDownloader");
    ASSERT_TRUE(session->OpenUrl(Url(port, "/client/a.bin").c_str(), kFrom0, std::strlen(kFrom0), 0));
    std::atomic<bool> reading{false};
    std::thread closer([&] {
        while (!reading) std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(200ms);
        session->Abort();
    });
    std::vector<char> buf(1 << 20);
    uint32_t n = 0;
    reading = true;
    EXPECT_FALSE(session->Read(buf.data(), static_cast<uint32_t>(buf.size()), &n));
    closer.join();
    EXPECT_FALSE(session->Read(buf.data(), static_cast<uint32_t>(buf.size()), &n)) << "and every later read";
    EXPECT_FALSE(session->OpenUrl(Url(port, "/client/a.bin").c_str(), kFrom0, std::strlen(kFrom0), 0));
}

TEST_F(HttpSessionTest, NoServerNoResponse) {
    // A port nobody listens on: the one the fault server had, after it has ended.
    const int port = StartFault("mode=normal");
    kill(fault_.pid, SIGTERM);
    fault_.Wait();
    auto session = platform::DefaultHttpClient().OpenSession("cResDownloader");
    EXPECT_FALSE(session->OpenUrl(Url(port, "/client/a.bin").c_str(), kFrom0, std::strlen(kFrom0), 0));
    char buf[64];
    uint32_t len = sizeof buf;
    EXPECT_FALSE(session->QueryInfo(platform::HttpInfo::ContentLength, buf, &len));
}

TEST(HttpClient, ConnectionOptionsReadBack) {
    platform::HttpClient& c = platform::DefaultHttpClient();
    EXPECT_TRUE(c.SetOption(platform::kOptionMaxConnsPerServer, 4));
    EXPECT_TRUE(c.SetOption(platform::kOptionMaxConnsPer10Server, 4));
    uint32_t v = 0;
    EXPECT_TRUE(c.QueryOption(platform::kOptionMaxConnsPerServer, &v));
    EXPECT_EQ(v, 4u);
    EXPECT_FALSE(c.QueryOption(12345, &v));
}

}  // namespace
