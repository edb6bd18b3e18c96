// tolvin-fetch against real servers on loopback: nginx as the file server, and the fault server
// for broken mirrors and networks. Every download is compared by SHA-256 with its source. The
// same cases run the win64 tolvin-fetch.exe under wine64 (WinINet) when that build exists.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "integration/ProcessTools.h"

namespace {

using namespace std::chrono_literals;

const std::string kSource = TOLVIN_SOURCE_DIR;
const std::string kFetch = TOLVIN_FETCH_PATH;
const char kManifestPath[] = "Live/moskale/json/tolvin/";

// How tolvin-fetch is run: natively, or the win64 build under wine64.
struct Runner {
    const char* name;
    bool wine;
};

class FetchTest : public ::testing::TestWithParam<Runner> {
protected:
    static std::string winePrefix_;
    static std::string wineExe_;

    static void SetUpTestSuite() {
        unsetenv("http_proxy");
        unsetenv("https_proxy");
        unsetenv("HTTP_PROXY");
        unsetenv("HTTPS_PROXY");
        unsetenv("all_proxy");
        unsetenv("ALL_PROXY");
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        const char* exe = std::getenv("TOLVIN_FETCH_WIN64");
        wineExe_ = exe && *exe ? exe : TOLVIN_FETCH_WIN64_PATH;
    }
    static void TearDownTestSuite() {
        if (!winePrefix_.empty()) {
            Shell("WINEPREFIX=" + Quote(winePrefix_) + " /usr/lib/wine/wineserver -k 2>/dev/null; rm -rf " +
                  Quote(winePrefix_));
            winePrefix_.clear();
        }
    }

    void SetUp() override {
        if (GetParam().wine) {
            if (!Exists(wineExe_) || !Exists("/usr/lib/wine/wine64")) {
                // The test command builds the win64 program first and must not pass by skipping.
                const char* required = std::getenv("TOLVIN_REQUIRE_WINE");
                if (required && *required == '1') FAIL() << "no win64 tolvin-fetch.exe at " << wineExe_;
                GTEST_SKIP() << "no win64 tolvin-fetch.exe at " << wineExe_ << " (build the win64 preset first)";
            }
            if (winePrefix_.empty()) {
                char tmpl[] = "/tmp/tolvin-fetch-wine-XXXXXX";
                ASSERT_NE(mkdtemp(tmpl), nullptr);
                const std::string prefix = std::string(tmpl) + "/prefix";
                int st = 0;
                Shell("bash -c " + Quote("export tolvin_root=" + Quote(kSource) + "; source " +
                                         Quote(kSource + "/tools/wine-env.sh") + " && wine_prefix_new " + Quote(prefix)) +
                          " >/dev/null 2>&1",
                      &st);
                ASSERT_EQ(st, 0) << "no Wine prefix";
                winePrefix_ = prefix;
            }
            setenv("WINEPREFIX", winePrefix_.c_str(), 1);
        }
        char tmpl[] = "/tmp/tolvin-fetch-it-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        root_ = dir_ + "/root";
        dl_ = dir_ + "/dl";
        work_ = dir_ + "/work";
        mkdir(root_.c_str(), 0777);
    }
    void TearDown() override {
        StopServers();
        if (!dir_.empty()) Shell("rm -rf " + Quote(dir_));
    }

    // --- servers ---------------------------------------------------------------------------
    void StartNginx() {
        const std::string out = Shell("python3 " + Quote(kSource + "/tests/servers/nginx_harness.py") + " start " +
                                      Quote(root_) + " --work-dir " + Quote(dir_ + "/nginx") + " --watch-pid " +
                                      std::to_string(getpid()));
        const std::string port = ValueAfter(out, "PORT ", 0, '\n');
        ASSERT_FALSE(port.empty()) << out;
        port_ = std::stoi(port);
        nginx_ = true;
    }
    void StartFaultServer(const std::vector<std::string>& rules, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"python3", kSource + "/tests/servers/fault_server.py", "--root", root_,
                                         "--port-file", dir_ + "/fault.port"};
        for (const auto& r : rules) {
            args.push_back("--rule");
            args.push_back(r);
        }
        for (const auto& e : extra) args.push_back(e);
        fault_.Spawn(args, dir_ + "/fault.out", dir_ + "/fault.err");
        for (int i = 0; i < 1000 && !Exists(dir_ + "/fault.port"); ++i) std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(Exists(dir_ + "/fault.port")) << ReadFile(dir_ + "/fault.err");
        port_ = std::stoi(ReadFile(dir_ + "/fault.port"));
    }
    void StopServers() {
        if (nginx_) Shell("python3 " + Quote(kSource + "/tests/servers/nginx_harness.py") + " stop " + Quote(dir_ + "/nginx"));
        nginx_ = false;
        if (fault_.pid > 0) {
            kill(fault_.pid, SIGTERM);
            fault_.Wait();
        }
    }
    std::string FaultLog() { return Shell("curl -s --noproxy '*' http://127.0.0.1:" + std::to_string(port_) + "/__log"); }

    // --- the client ------------------------------------------------------------------------
    void MakeClient(const std::vector<std::string>& extra = {}) {
        std::string cmd = "python3 " + Quote(kSource + "/tools/make-sample-client.py") + " --root " + Quote(root_) +
                          " --base-url http://127.0.0.1:" + std::to_string(port_) + "/ --preset tiny";
        for (const auto& e : extra) cmd += " " + Quote(e);
        int st = 0;
        const std::string out = Shell(cmd + " 2>&1", &st);
        ASSERT_EQ(st, 0) << out;
    }
    std::string Source(const std::string& name) const { return root_ + "/client/" + name; }
    std::string Local(const std::string& name) const { return dl_ + "/" + name; }
    void Seed(const std::string& name, const std::string& bytes) {
        Shell("mkdir -p " + Quote(dl_ + "/" + name.substr(0, name.rfind('/'))));
        std::ofstream(Local(name), std::ios::binary) << bytes;
    }
    bool AllWhole() {
        int st = 0;
        Shell("cd " + Quote(dl_) + " && sha256sum -c --quiet " + Quote(root_ + "/client.sha256") + " >/dev/null 2>&1", &st);
        return st == 0;
    }
    std::vector<std::string> ManifestNames() {
        const std::string doc = ReadFile(root_ + "/" + kManifestPath + "file.json");
        std::vector<std::string> names;
        const std::string key = "\"Name\": \"";
        for (size_t p = doc.find(key); p != std::string::npos; p = doc.find(key, p + 1))
            names.push_back(doc.substr(p + key.size(), doc.find('"', p + key.size()) - p - key.size()));
        return names;
    }
    std::vector<std::string> LogTexts(const std::string& prefix) {
        std::vector<std::string> out;
        std::istringstream in(ReadFile(work_ + "/brindlex.log"));
        for (std::string line; std::getline(in, line);) {
            if (line.size() > 21 && line.compare(21, prefix.size(), prefix) == 0) out.push_back(line.substr(21));
        }
        return out;
    }

    // --- tolvin-fetch ----------------------------------------------------------------------
    std::string Path(const std::string& p) const { return GetParam().wine ? "Z:" + p : p; }
    void StartFetch(Child& c, const std::string& tag) {
        std::vector<std::string> args;
        if (GetParam().wine) {
            args = {"/usr/lib/wine/wine64", wineExe_};
        } else {
            args = {kFetch};
        }
        const std::vector<std::string> rest = {"--base-url",
                                               "http://127.0.0.1:" + std::to_string(port_) + "/" + kManifestPath,
                                               "--work-dir", Path(work_), Path(dl_)};
        args.insert(args.end(), rest.begin(), rest.end());
        c.Spawn(args, dir_ + "/" + tag + ".out", dir_ + "/" + tag + ".err");
    }
    int Fetch(const std::string& tag = "fetch") {
        Child c;
        StartFetch(c, tag);
        const int rc = c.Wait();
        out_ = ReadFile(dir_ + "/" + tag + ".out");
        err_ = ReadFile(dir_ + "/" + tag + ".err");
        // A Windows console program writes "\r\n".
        for (std::string* t : {&out_, &err_}) t->erase(std::remove(t->begin(), t->end(), '\r'), t->end());
        return rc;
    }
    void WaitForBytes(const std::string& name, long long bytes) {
        for (int i = 0; i < 3000 && SizeOf(Local(name)) < bytes; ++i) std::this_thread::sleep_for(10ms);
    }

    std::string dir_, root_, dl_, work_;
    std::string out_, err_;
    int port_ = 0;
    bool nginx_ = false;
    Child fault_;
};

std::string FetchTest::winePrefix_;
std::string FetchTest::wineExe_;

const std::string kBig = "data/big.bin";

struct OneRun {
    const char* what;
    std::vector<std::string> rules;  // fault-server rules; none: nginx
    std::vector<std::string> client;  // generator options beyond the tiny preset
    long long seedBytes;              // of big.bin put in place beforehand (-1: none; beyond its size: a longer file)
    int exitCode;
    bool allWhole;
    std::vector<std::string> absent;        // below the download folder
    std::vector<std::string> failedNamed;   // in the failure list
    size_t drops92;
    size_t nameErrors33;
    std::vector<std::string> serverOptions;
};

TEST_P(FetchTest, OneRunTable) {
    const std::vector<std::string> big = {"--add", kBig + ":3000000"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), big.begin(), big.end());
        return more;
    };
    const OneRun cases[] = {
        {"whole download from nginx", {}, big, -1, 0, true, {}, {}, 0, 0, {}},
        {"8 drops in a row, then success", {"mode=drop&n=0&k=8&glob=*/big.bin"}, big, -1, 0, true, {}, {}, 8, 0, {}},
        {"9 drops in a row end with -9", {"mode=drop&n=0&k=9&glob=*/big.bin"}, big, -1, 256 - 9, false, {}, {}, 8, 0, {}},
        {"drops with data between them",
         {"mode=drop&n=400000&k=1&on=first&glob=*/big.bin", "mode=drop&n=400000&k=5&on=resume&glob=*/big.bin"}, big, -1,
         0, true, {}, {}, 6, 0, {}},
        {"range ignored", {"mode=ignore-range&glob=*/big.bin"}, big, 1000000, 0, true, {}, {}, 0, 0, {}},
        {"206 from the wrong offset", {"mode=wrong-offset&n=1000&on=resume&glob=*/big.bin"}, big, 1000000, 0, true, {},
         {}, 0, 0, {}},
        {"local file longer than the server's", {}, big, 3000000 + 4321, 0, true, {}, {}, 0, 0, {}},
        {"a 404 entry", {}, with({"--missing", "data/gone.bin:1000"}), -1, 1, false, {"data/gone.bin"}, {"data/gone.bin"},
         0, 0, {}},
        {"a 500 entry", {"mode=500&glob=*/big.bin"}, big, -1, 1, false, {kBig}, {kBig}, 0, 0, {}},
        {"unsafe names", {}, with({"--missing", "../evil.bin:10", "--missing", "sub/../../evil2.bin:10", "--missing",
                                    "C:/x.bin:5"}),
         -1, 1, false, {"../evil.bin", "../evil2.bin", "sub"}, {"../evil.bin", "sub/../../evil2.bin", "C:/x.bin"}, 0, 3, {}},
        {"TotalCount 0", {}, with({"--total-count", "0"}), -1, 0, false, {"bin", "data", "readme.txt"}, {}, 0, 0, {}},
        {"empty files: 200 with length 0", {}, with({"--add", "data/empty.bin:0"}), -1, 0, true, {}, {}, 0, 0, {}},
        {"empty files: 416 bytes */0", {"mode=normal"}, with({"--add", "data/empty.bin:0"}), -1, 0, true, {}, {}, 0, 0,
         {"--empty-range", "416"}},
        {"not enough free space", {}, with({"--total-size", "1152921504606846976"}), -1, 4, false, {"bin"}, {}, 0, 0, {}},
    };
    for (const OneRun& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.rules.empty() && c.serverOptions.empty()) {
            StartNginx();
        } else {
            StartFaultServer(c.rules, c.serverOptions);
        }
        MakeClient(c.client);
        if (c.seedBytes >= 0) {
            std::string bytes = ReadFile(Source(kBig));
            if (c.seedBytes <= static_cast<long long>(bytes.size())) {
                bytes.resize(static_cast<size_t>(c.seedBytes));
            } else {
                bytes += std::string(static_cast<size_t>(c.seedBytes) - bytes.size(), 'x');
            }
            Seed(kBig, bytes);
        }
        const int rc = Fetch();
        EXPECT_EQ(rc, c.exitCode) << err_;
        if (c.allWhole) {
            EXPECT_TRUE(AllWhole()) << out_ << err_;
        }
        for (const auto& a : c.absent) EXPECT_FALSE(Exists(Local(a))) << a;
        for (const auto& n : c.failedNamed) EXPECT_NE(err_.find("  " + n + "\n"), std::string::npos) << n << "\n" << err_;
        EXPECT_EQ(LogTexts("cHttp::OnExecute :: network error (-92)").size(), c.drops92);
        EXPECT_EQ(LogTexts("cMgrDownloader::DoDownloadFile :: file name error (-33)").size(), c.nameErrors33);
        EXPECT_FALSE(Exists(dir_ + "/evil.bin"));
        EXPECT_FALSE(Exists(dir_ + "/evil2.bin"));
        if (c.exitCode == 4) {
            EXPECT_NE(err_.find("does not have enough capacity"), std::string::npos) << err_;
        }
    }
}

TEST_P(FetchTest, ResumeAfterKillAndAfterStop) {
    struct Case {
        const char* what;
        int signal;
        int exitCode;  // of the interrupted run
    };
    std::vector<Case> cases = {{"SIGKILL mid-download", SIGKILL, 128 + SIGKILL}};
    if (!GetParam().wine) cases.push_back({"SIGINT stops like Pause", SIGINT, 130});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        StartFaultServer({"mode=slow&rate=2000000&glob=*/big.bin"});
        MakeClient({"--add", kBig + ":3000000"});
        Child first;
        StartFetch(first, "first");
        WaitForBytes(kBig, 1100000);
        kill(first.pid, c.signal);
        EXPECT_EQ(first.Wait(), c.exitCode);
        const long long partial = SizeOf(Local(kBig));
        ASSERT_GT(partial, 0);
        ASSERT_LT(partial, 3000000);
        // The second run resumes: the OnStart line names the bytes already on disk.
        EXPECT_EQ(Fetch("second"), 0) << err_;
        EXPECT_TRUE(AllWhole());
        const auto starts = LogTexts("cMgrDownloader::OnStart ");
        bool sawPartial = false;
        for (const auto& s : starts) sawPartial = sawPartial || std::stoll(s.substr(24)) >= partial;
        EXPECT_TRUE(sawPartial) << "no OnStart line for the resumed file";
        const std::string log = FaultLog();
        EXPECT_NE(log.find("\"range\": \"bytes=" + std::to_string(partial) + "-\""), std::string::npos)
            << "the rest was not asked for from " << partial;
    }
}

TEST_P(FetchTest, AClientAlreadyCompleteMakesOneRequestPerFile) {
    StartNginx();
    MakeClient();
    ASSERT_EQ(Fetch("first"), 0) << err_;
    const std::string firstLog = ReadFile(dir_ + "/nginx/access.log");
    const size_t before = static_cast<size_t>(std::count(firstLog.begin(), firstLog.end(), '\n'));
    ASSERT_EQ(Fetch("second"), 0) << err_;
    const std::string access = ReadFile(dir_ + "/nginx/access.log");
    const size_t after = static_cast<size_t>(std::count(access.begin(), access.end(), '\n'));
    // The manifest once, then one request per file.
    EXPECT_EQ(after - before, ManifestNames().size() + 1);
    EXPECT_NE(out_.find("done  100.00%"), std::string::npos) << out_;
    EXPECT_TRUE(AllWhole());
}

TEST_P(FetchTest, SixEntriesStartInOrderAtMostFourAtOnce) {
    StartFaultServer({"mode=slow&rate=2000000"});
    MakeClient();  // the tiny client has six entries
    ASSERT_EQ(Fetch(), 0) << err_;
    EXPECT_TRUE(AllWhole());
    const std::vector<std::string> names = ManifestNames();
    ASSERT_EQ(names.size(), 6u);
    struct Span {
        std::string path;
        double start, end;
    };
    std::vector<Span> spans;
    std::istringstream in(FaultLog());
    for (std::string line; std::getline(in, line);) {
        const std::string path = ValueAfter(line, "\"path\": \"");
        const std::string start = ValueAfter(line, "\"t_start\": ", 0, ',');
        const std::string end = ValueAfter(line, "\"t_end\": ", 0, ',');
        if (path.rfind("/client/", 0) == 0 && !start.empty() && !end.empty() && end != "null")
            spans.push_back({path.substr(8), std::stod(start), std::stod(end)});
    }
    std::vector<std::string> firstSeen;
    for (const auto& s : spans) {
        if (std::find(firstSeen.begin(), firstSeen.end(), s.path) == firstSeen.end()) firstSeen.push_back(s.path);
    }
    EXPECT_EQ(firstSeen, names);
    int most = 0;
    for (const auto& s : spans) {
        int at = 0;
        for (const auto& o : spans) at += (o.start <= s.start && o.end > s.start) ? 1 : 0;
        most = std::max(most, at);
    }
    EXPECT_LE(most, 4);
    EXPECT_GE(most, 2) << "the transfers never overlapped";
}

TEST_P(FetchTest, ASecondRunOnTheSameWorkFolderIsRefused) {
    StartFaultServer({"mode=slow&rate=500000&glob=*/big.bin"});
    MakeClient({"--add", kBig + ":3000000"});
    Child first;
    StartFetch(first, "first");
    WaitForBytes(kBig, 100000);
    EXPECT_EQ(Fetch("second"), 3);
    EXPECT_NE(err_.find("already"), std::string::npos) << err_;
    kill(first.pid, GetParam().wine ? SIGKILL : SIGTERM);
    first.Wait();
}

TEST_P(FetchTest, AStopDuringAStalledReadReturnsPromptly) {
    if (GetParam().wine) GTEST_SKIP() << "under Wine, closing the handle does not wake a stalled read";
    StartFaultServer({"mode=stall&n=200000&glob=*/big.bin"});
    MakeClient({"--add", kBig + ":3000000"});
    Child c;
    StartFetch(c, "stall");
    for (int i = 0; i < 3000 && FaultLog().find("\"mode\": \"stall\"") == std::string::npos; ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(300ms);  // into the blocked read
    const auto t0 = std::chrono::steady_clock::now();
    kill(c.pid, SIGINT);
    EXPECT_EQ(c.Wait(), 130);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(took, 1s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

INSTANTIATE_TEST_SUITE_P(Runners, FetchTest, ::testing::Values(Runner{"native", false}, Runner{"wine64", true}),
                         [](const ::testing::TestParamInfo<Runner>& i) { return std::string(i.param.name); });

}  // namespace
