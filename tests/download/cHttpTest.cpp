#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "download/EngineFixture.h"
#include "download/cHttp.h"

namespace {

const char kUrl[] = "http://files.test/client/data.bin";
const char kFirstHeaders[] = "Accept-Encoding:*\r\nAccept-Ranges:bytes\r\nRange:bytes=0-\r\n";

// A transfer that records its notifications.
class RecordingTransfer : public cHttp {
public:
    RecordingTransfer() : cHttp("RecordingTransfer") {}
    ~RecordingTransfer() override { Stop(); }

    std::vector<int64_t> starts, restarts;
    std::vector<std::pair<int64_t, int64_t>> finishes;
    std::atomic<int64_t> received{0};

    void WaitUntilEnded() {
        while (IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

protected:
    void OnReceived(int32_t count) override { received += count; }
    void OnStart(int64_t offset) override { starts.push_back(offset); }
    void OnRestart(int64_t offset) override { restarts.push_back(offset); }
    void OnFinish(int64_t s, int64_t p) override { finishes.emplace_back(s, p); }
};

class TransferTest : public EngineFixture {};

// Server answer x local file -> what the transfer asks, writes and reports.
TEST_F(TransferTest, ResumeTable) {
    const std::string file = Pattern(2 * 1048576 + 12345);
    const int64_t size = static_cast<int64_t>(file.size());
    struct Case {
        const char* what;
        std::string local;  // "" and !hasLocal: no local file
        bool hasLocal;
        fake::Faults faults;
        std::vector<int64_t> ranges;  // ranges asked, in order
        std::vector<int64_t> starts;
        std::vector<int64_t> restarts;
        int64_t received;  // bytes fetched over the network
        cHttp::Outcome outcome;
        bool fileIsServers;
    };
    fake::Faults none;
    fake::Faults ignore;
    ignore.ignoreRange = true;
    fake::Faults wrong;
    wrong.wrongOffset = 10;
    const std::string prefix = file.substr(0, 1000);
    const std::string longer = file + "tail of an older, longer copy";
    const Case cases[] = {
        {"no local file: one request, written with wb+", "", false, none, {0}, {0}, {}, size, cHttp::Outcome::Whole, true},
        {"empty local file", "", true, none, {0}, {0}, {}, size, cHttp::Outcome::Whole, true},
        {"first part present: the rest from its end", prefix, true, none, {0, 1000}, {1000}, {}, size - 1000,
         cHttp::Outcome::Whole, true},
        {"already complete: one request, nothing written", file, true, none, {0}, {size}, {}, 0, cHttp::Outcome::Whole, true},
        {"local longer than the server's: again from byte 0", longer, true, none, {0},
         {static_cast<int64_t>(longer.size())}, {static_cast<int64_t>(longer.size())}, size, cHttp::Outcome::Whole, true},
        {"range ignored (200 with the whole body): taken from byte 0", prefix, true, ignore, {0, 1000}, {1000}, {1000},
         size, cHttp::Outcome::Whole, true},
        {"206 from the wrong offset: asked again from byte 0", prefix, true, wrong, {0, 1000, 0}, {1000}, {1000}, size,
         cHttp::Outcome::Whole, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string url = std::string(kUrl) + std::to_string(&c - cases);
        const std::string name = "f" + std::to_string(&c - cases) + ".bin";
        server_.Put(url, file);
        server_.FaultsOf(url) = c.faults;
        if (c.hasLocal) WriteFile(Dl(name), c.local);
        RecordingTransfer t;
        t.StartDownload(url.c_str(), name.c_str());
        t.WaitUntilEnded();

        std::vector<int64_t> ranges;
        for (const auto& r : server_.RequestsFor(url)) ranges.push_back(r.rangeFrom);
        EXPECT_EQ(ranges, c.ranges);
        EXPECT_EQ(t.starts, c.starts);
        EXPECT_EQ(t.restarts, c.restarts);
        EXPECT_EQ(t.received.load(), c.received);
        EXPECT_EQ(t.GetOutcome(), c.outcome);
        ASSERT_EQ(t.finishes.size(), 1u);
        EXPECT_EQ(t.finishes[0].second, size);
        if (c.fileIsServers) {
            EXPECT_TRUE(ReadFile(Dl(name)) == file) << "the local file is not the server's";
        }
        // Counters stay true: what OnStart counted, less what was taken back, plus what arrived.
        int64_t counted = t.received.load();
        for (int64_t s : t.starts) counted += s;
        for (int64_t r : t.restarts) counted -= r;
        EXPECT_EQ(counted, size);
    }
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(TransferTest, BothRequestsCarryTheHeadersFlagsAndAgent) {
    const std::string file = Pattern(5000);
    server_.Put(kUrl, file);
    WriteFile(Dl("h.bin"), file.substr(0, 1234));
    RecordingTransfer t;
    t.StartDownload(kUrl, "h.bin");
    t.WaitUntilEnded();
    const auto reqs = server_.RequestsFor(kUrl);
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].headers, kFirstHeaders);
    EXPECT_EQ(reqs[1].headers, "Accept-Encoding:*\r\nAccept-Ranges:bytes\r\nRange:bytes=1234-\r\n");
    for (const auto& r : reqs) {
        EXPECT_EQ(r.flags, platform::kHttpFlagReload | platform::kHttpFlagNoCacheWrite);
        EXPECT_EQ(r.agent, "RecordingTransfer");
    }
}

// Statuses that carry no file: nothing written, a -7 log line, no OnFinish, the process goes on.
TEST_F(TransferTest, ErrorStatusesWriteNothing) {
    const std::string file = Pattern(4000);
    struct Case {
        const char* what;
        int status;
        bool hasLocal;
    };
    const Case cases[] = {
        {"404 without a local file", 404, false},
        {"500 with a partial local file", 500, true},
        {"403", 403, false},
        {"416 that is not an empty file", 416, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "s" + std::to_string(c.status) + ".bin";
        const std::string url = std::string(kUrl) + name;
        server_.Put(url, file);
        server_.FaultsOf(url).status = c.status;
        if (c.hasLocal) WriteFile(Dl(name), file.substr(0, 100));
        RecordingTransfer t;
        t.StartDownload(url.c_str(), name.c_str());
        t.WaitUntilEnded();
        EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::StatusError);
        EXPECT_TRUE(t.finishes.empty());
        EXPECT_TRUE(t.starts.empty());
        EXPECT_EQ(t.received.load(), 0);
        if (c.hasLocal) {
            EXPECT_EQ(ReadFile(Dl(name)), file.substr(0, 100)) << "the partial file is left as it was";
        } else {
            EXPECT_FALSE(Exists(Dl(name)));
        }
        const auto lines = LogTexts("cHttp::OnExecute :: http status error (-7)");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "cHttp::OnExecute :: http status error (-7) " + std::to_string(c.status) + " " + name);
    }
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(TransferTest, EmptyFilesAreWholeWithLengthZero) {
    struct Case {
        const char* what;
        bool plain200;  // 200 with Content-Length 0 rather than 416 "bytes */0"
        const char* local;
    };
    const Case cases[] = {
        {"416 bytes */0, no local file", false, nullptr},
        {"200 with Content-Length 0, no local file", true, nullptr},
        {"416 bytes */0 over an older local copy", false, "older bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string("e") + std::to_string(&c - cases) + ".bin";
        const std::string url = std::string(kUrl) + name;
        server_.Put(url, "");
        server_.FaultsOf(url).ignoreRange = c.plain200;
        if (c.local) WriteFile(Dl(name), c.local);
        RecordingTransfer t;
        t.StartDownload(url.c_str(), name.c_str());
        t.WaitUntilEnded();
        EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::Whole);
        EXPECT_TRUE(Exists(Dl(name)));
        EXPECT_EQ(ReadFile(Dl(name)), "");
        ASSERT_EQ(t.finishes.size(), 1u);
        EXPECT_EQ(t.finishes[0], std::make_pair(int64_t{0}, int64_t{0}));
        const int64_t localLength = c.local ? static_cast<int64_t>(std::strlen(c.local)) : 0;
        EXPECT_EQ(t.starts, std::vector<int64_t>{localLength});
        EXPECT_EQ(t.restarts, localLength ? std::vector<int64_t>{localLength} : std::vector<int64_t>{});
    }
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(TransferTest, DroppedConnectionResumesWithoutASecondStart) {
    const std::string file = Pattern(3 * 1048576);
    server_.Put(kUrl, file);
    auto& f = server_.FaultsOf(kUrl);
    f.dropsLeft = 2;
    f.dropAfter = 300000;
    RecordingTransfer t;
    t.StartDownload(kUrl, "dropped.bin");
    t.WaitUntilEnded();
    EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::Whole);
    EXPECT_TRUE(ReadFile(Dl("dropped.bin")) == file);
    EXPECT_EQ(t.starts, std::vector<int64_t>{0});
    EXPECT_EQ(t.received.load(), static_cast<int64_t>(file.size()));
    std::vector<int64_t> ranges;
    for (const auto& r : server_.RequestsFor(kUrl)) ranges.push_back(r.rangeFrom);
    // Each new attempt measures the file again and asks for the rest.
    EXPECT_EQ(ranges, (std::vector<int64_t>{0, 0, 300000, 0, 600000}));
    EXPECT_EQ(LogTexts("cHttp::OnExecute :: network error (-92)").size(), 2u);
}

TEST_F(TransferTest, DocumentDownloadRewritesFromZeroAfterADrop) {
    const std::string file = Pattern(700000);
    server_.Put(kUrl, file);
    auto& f = server_.FaultsOf(kUrl);
    f.dropsLeft = 1;
    f.dropAfter = 250000;
    RecordingTransfer t;
    EXPECT_EQ(t.Download(kUrl, "doc.json"), static_cast<int64_t>(file.size()));
    EXPECT_TRUE(ReadFile(Dl("doc.json")) == file);
    for (const auto& r : server_.RequestsFor(kUrl)) EXPECT_EQ(r.rangeFrom, 0);
}

TEST_F(TransferTest, FailedReadsAreRetriedNineTimesWithPauses) {
    const std::string file = Pattern(10000);
    struct Case {
        const char* what;
        int failing;
        int sleeps;
        size_t minus5Boxes;
    };
    const Case cases[] = {
        {"three failures, then data", 3, 3, 0},
        {"nine failures: the ninth further read works", 9, 9, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string url = std::string(kUrl) + std::to_string(c.failing);
        server_.Put(url, file);
        server_.FaultsOf(url).failingReadsOnce = c.failing;
        const int before = clock_.sleeps.load();
        RecordingTransfer t;
        EXPECT_EQ(t.Download(url.c_str(), "retry.bin"), static_cast<int64_t>(file.size()));
        EXPECT_EQ(clock_.sleeps.load() - before, c.sleeps);
        EXPECT_EQ(host_.Messages().size(), c.minus5Boxes);
    }
}

TEST_F(TransferTest, FatalEndsTerminateWithTheirCodes) {
    const std::string file = Pattern(10000);
    const std::string unreachable =
        "Currently you are not able to reach the server.\nPlease check your network and retry again.";
    struct Case {
        const char* what;
        fake::Faults faults;
        int code;
        std::string message;
        size_t drops92;  // "-92" log lines before the end
    };
    fake::Faults nineDrops;
    nineDrops.dropsLeft = 9;
    fake::Faults noLength;
    noLength.noLength = true;
    fake::Faults refused;
    refused.refuse = true;
    fake::Faults tooMuch;
    tooMuch.reportAvailable = cHttp::kBufferSize + 1;
    fake::Faults readsFail;
    readsFail.failReadsForever = true;
    const Case cases[] = {
        {"nine dropped connections in a row", nineDrops, -9, "cHttp::OnExecute :: network error (-9)", 8},
        {"no length from the server", noLength, -11, unreachable, 0},
        {"no response at all", refused, -11, unreachable, 0},
        {"more than 1 MiB reported ready", tooMuch, -4, "cHttp::OnExecute :: network error (-4)", 0},
        {"reads that always fail: -5 per attempt, then -9", readsFail, -9, "cHttp::OnExecute :: network error (-9)", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string url = std::string(kUrl) + "/fatal" + std::to_string(&c - cases);
        server_.Put(url, file);
        server_.FaultsOf(url) = c.faults;
        const size_t logBefore = LogTexts("cHttp::OnExecute :: network error (-92)").size();
        const size_t boxesBefore = host_.Messages().size();
        RecordingTransfer t;
        int code = 0;
        try {
            t.Download(url.c_str(), "fatal.bin");
        } catch (const fake::Terminated& e) {
            code = e.code;
        }
        EXPECT_EQ(code, c.code);
        const auto boxes = host_.Messages();
        ASSERT_GT(boxes.size(), boxesBefore);
        EXPECT_EQ(boxes.back(), c.message);
        EXPECT_EQ(LogTexts("cHttp::OnExecute :: network error (-92)").size() - logBefore, c.drops92);
        if (&c == &cases[4]) {
            // Nine attempts of one read and nine further reads, each with its -5 box.
            EXPECT_EQ(boxes.size() - boxesBefore, 10u);
        }
    }
}

TEST_F(TransferTest, EightDropsThenSuccess) {
    const std::string file = Pattern(10000);
    server_.Put(kUrl, file);
    server_.FaultsOf(kUrl).dropsLeft = 8;
    RecordingTransfer t;
    EXPECT_EQ(t.Download(kUrl, "eight.bin"), static_cast<int64_t>(file.size()));
    EXPECT_EQ(LogTexts("cHttp::OnExecute :: network error (-92)").size(), 8u);
}

TEST_F(TransferTest, NoSessionFetchesNothingQuietly) {
    server_.Put(kUrl, Pattern(100));
    client_.refuseSessions = true;
    RecordingTransfer t;
    EXPECT_EQ(t.Download(kUrl, "none.bin"), 0);
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_TRUE(t.starts.empty());
}

TEST_F(TransferTest, ClosingTheHandleEndsAStalledReadWithoutOnFinish) {
    server_.Put(kUrl, Pattern(100000));
    server_.FaultsOf(kUrl).stallOnce = true;
    RecordingTransfer t;
    t.StartDownload(kUrl, "stall.bin");
    while (server_.RequestsFor(kUrl).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    t.CloseInternetHandle();
    t.Stop();
    EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::Stopped);
    EXPECT_TRUE(t.finishes.empty());
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(TransferTest, StopDuringReadRetriesEndsQuietly) {
    server_.Put(kUrl, Pattern(100000));
    server_.FaultsOf(kUrl).failReadsForever = true;
    RecordingTransfer t;
    t.StartDownload(kUrl, "retrying.bin");
    while (clock_.sleeps.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    t.Stop();
    EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::Stopped);
    EXPECT_TRUE(t.finishes.empty());
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(TransferTest, DirectoriesAlongTheNameExistBeforeTheFileOpens) {
    server_.Put(kUrl, Pattern(10));
    RecordingTransfer t;
    t.StartDownload(kUrl, "d1/d2\\d3/file.bin");
    t.WaitUntilEnded();
    EXPECT_TRUE(Exists(Dl("d1/d2/d3/file.bin")));
    EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::Whole);
}

TEST_F(TransferTest, FileThatCannotBeOpenedGoesOn) {
    server_.Put(kUrl, Pattern(10));
    ASSERT_EQ(mkdir(Dl("taken.bin").c_str(), 0777), 0);  // a folder where the file should go
    RecordingTransfer t;
    t.StartDownload(kUrl, "taken.bin");
    t.WaitUntilEnded();
    EXPECT_EQ(t.GetOutcome(), cHttp::Outcome::FileError);
    EXPECT_EQ(host_.Messages(), std::vector<std::string>{"cHttp::OnExecute :: file open error (-31)"});
    EXPECT_TRUE(t.finishes.empty());
}

TEST_F(TransferTest, ConnectionLimit) {
    struct Case {
        const char* what;
        bool has73, has74, ignoreSets;
        uint32_t value73, value74;
        int expected;  // 0: the process ends with -13
    };
    const Case cases[] = {
        {"both read back 4", true, true, false, 2, 4, 4},
        {"setting ignored: the per-server default 2 counts", true, true, true, 2, 4, 2},
        {"74 cannot be queried: 14 stands in, the smaller wins", true, false, false, 2, 0, 4},
        {"73 cannot be queried: 0, the process ends", false, true, false, 0, 4, 0},
        {"a limit of 0", true, true, true, 0, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cHttp::ForgetMaxConnections();
        client_.options.clear();
        if (c.has73) client_.options[platform::kOptionMaxConnsPerServer] = c.value73;
        if (c.has74) client_.options[platform::kOptionMaxConnsPer10Server] = c.value74;
        client_.ignoreSets = c.ignoreSets;
        int code = 1;
        int limit = 0;
        try {
            limit = cHttp::GetMaxConnections();
        } catch (const fake::Terminated& e) {
            code = e.code;
        }
        if (c.expected == 0) {
            EXPECT_EQ(code, -13);
            EXPECT_EQ(host_.Messages().back(), "cHttp::GetMaxConnections :: network error(-13) - connection setting");
        } else {
            EXPECT_EQ(limit, c.expected);
            EXPECT_EQ(cHttp::GetMaxConnections(), c.expected) << "cached";
        }
    }
    cHttp::ForgetMaxConnections();
    client_.options = {{platform::kOptionMaxConnsPerServer, 2}, {platform::kOptionMaxConnsPer10Server, 4}};
    client_.ignoreSets = false;
    client_.setOptions.clear();
    EXPECT_EQ(cHttp::GetMaxConnections(), 4);
    EXPECT_EQ(client_.setOptions, (std::vector<std::pair<uint32_t, uint32_t>>{{73, 4}, {74, 4}}));
}

}  // namespace
